#include "ui/help_viewer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTextBrowser>
#include <QUrl>

#include "ui/logic/help_context.h"
#include "ui/qt_text.h"

namespace korval::ui {

namespace {

// The installed file <prefix>/share/korval/<installed>, else the source
// tree's resources/<source>.
QString DataFile(const QString& installed, const QString& source) {
  const QDir programDir(QCoreApplication::applicationDirPath());
  QStringList candidates = {programDir.absoluteFilePath(QStringLiteral("../share/korval/") + installed)};
#ifdef KORVAL_SOURCE_RESOURCES_DIR
  candidates << QStringLiteral(KORVAL_SOURCE_RESOURCES_DIR "/") + source;
#endif
  for (const QString& path : candidates)
    if (QFileInfo::exists(path)) return QDir::cleanPath(path);
  return {};
}

}  // namespace

QString HelpFolder() {
  const QString index = DataFile(QStringLiteral("help/index.html"), QStringLiteral("help/index.html"));
  return index.isEmpty() ? QString() : QFileInfo(index).absolutePath();
}

QString ProgramIconPath() { return DataFile(QStringLiteral("korval.png"), QStringLiteral("icons/korval.png")); }

HelpViewer::~HelpViewer() { Close(); }

void HelpViewer::Show(std::uint32_t context) { ShowPage(logic::HelpPageForContext(context)); }

void HelpViewer::ShowPage(const logic::HelpPage& helpPage) {
  const QString folder = HelpFolder();
  if (folder.isEmpty()) return;
  if (!browser_) {
    browser_ = new QTextBrowser;
    browser_->setAttribute(Qt::WA_DeleteOnClose, false);
    browser_->setObjectName(QStringLiteral("help_viewer"));
    browser_->setWindowTitle(QStringLiteral("KORVAL Help"));
    browser_->setOpenLinks(true);
    browser_->resize(560, 480);
  }
  const std::string page = logic::HelpPageFileName(helpPage);
  QString file = folder + QLatin1Char('/') + ToQString(page);
  if (!QFileInfo::exists(file)) file = folder + QStringLiteral("/index.html");  // a context without a page
  browser_->setSource(QUrl::fromLocalFile(file));
  browser_->show();
  browser_->raise();
  browser_->activateWindow();
}

QString HelpViewer::CurrentPage() const {
  return browser_ ? QFileInfo(browser_->source().toLocalFile()).fileName() : QString();
}

void HelpViewer::Close() {
  delete browser_;
  browser_ = nullptr;
}

}  // namespace korval::ui
