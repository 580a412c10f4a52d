// The local file pane offscreen: the view's selection is the pane list's,
// type-ahead, a double click into a directory, the context menu by
// selection, the buttons it enables, and screenshots under the build tree.

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <string>

#include "config/command_options.h"
#include "config/program_files.h"
#include "config/program_settings.h"
#include "engine/message_log.h"
#include "engine/session.h"
#include "listing/directory_box.h"
#include "listing/pane_list.h"
#include "listing/selection.h"
#include "platform/fs.h"
#include "ui/logic/control_table.h"
#include "ui/main_window.h"
#include "ui/pane_view.h"
#include "ui/window_program.h"

using namespace korval;
namespace slot = ui::logic::slot;

class FilePanesTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void init();
  void cleanup();
  void theViewsSelectionIsThePaneListsAndEnablesItsButtons();
  void typingALetterJumpsToTheNextNameWithIt();
  void doubleClickOnADirectoryEntersIt();
  void f5RefreshesTheFocusedPane();
  void contextMenuFollowsTheSelectedEntry_data();
  void contextMenuFollowsTheSelectedEntry();

 private:
  void StartWindow();
  // The row of the local pane's entry `name`, or -1.
  int RowOf(const QString& name) const;
  void Select(const QStringList& names);
  QStringList MenuTexts(const QMenu& menu) const;

  QTemporaryDir work_;
  QTemporaryDir temporary_;
  QString screenshots_;
  std::unique_ptr<ui::WindowProgram> program_;
};

void FilePanesTest::initTestCase() {
  QVERIFY(work_.isValid() && temporary_.isValid());
  platform::SetTemporaryDirectoryOverride(temporary_.path().toStdString());
  QDir work(work_.path());
  QVERIFY(work.mkpath(QStringLiteral("photos/2026")));
  QVERIFY(work.mkdir(QStringLiteral("src")));
  for (const char* name : {"readme.txt", "notes.md", "data.bin", "Rules.txt", "photos/beach.jpg"}) {
    QFile file(work.filePath(QString::fromLatin1(name)));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("korval\n");
  }
  screenshots_ = QStringLiteral(KORVAL_BINARY_DIR "/screenshots");
  QVERIFY(QDir().mkpath(screenshots_));
}

void FilePanesTest::init() {
  QVERIFY(QDir::setCurrent(work_.path()));
  engine::ResetSession();
  engine::ResetMessageLog();
  listing::ResetPaneLists();
  listing::ResetDirectoryBoxes();
  StartWindow();
}

void FilePanesTest::cleanup() {
  if (program_) program_->Window().close();
  program_.reset();
}

void FilePanesTest::StartWindow() {
  const QString path = work_.filePath(QStringLiteral("KORVAL.INI"));
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write("[_config_]\nAUTOSTART=0\nLOC=10,10,760,520,0,0\n");
  file.close();
  config::ResetProgramSettings();
  config::ResetBatchRequest();
  QVERIFY(config::LocateProgramFiles("-i " + path.toStdString()).has_value());
  program_ = std::make_unique<ui::WindowProgram>();
  program_->Start();
  QVERIFY(QTest::qWaitForWindowExposed(&program_->Window()));
}

int FilePanesTest::RowOf(const QString& name) const {
  const ui::PaneModel& model = program_->Window().LocalPaneView()->Model();
  for (int row = 0; row < model.rowCount(); ++row)
    if (model.data(model.index(row), ui::PaneModel::NameRole).toString().trimmed() == name) return row;
  return -1;
}

void FilePanesTest::Select(const QStringList& names) {
  ui::PaneView* pane = program_->Window().LocalPaneView();
  pane->clearSelection();
  for (const QString& name : names) {
    const int row = RowOf(name);
    QVERIFY2(row >= 0, qPrintable(name));
    const QRect r = pane->visualRect(pane->model()->index(row, 0));
    QTest::mouseClick(pane->viewport(), Qt::LeftButton, Qt::ControlModifier, r.center());
  }
}

QStringList FilePanesTest::MenuTexts(const QMenu& menu) const {
  QStringList texts;
  for (const QAction* action : menu.actions()) texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
  return texts;
}

void FilePanesTest::theViewsSelectionIsThePaneListsAndEnablesItsButtons() {
  ui::MainWindow& window = program_->Window();
  auto* view = window.Control(slot::FirstLocalPaneButton + 3);  // local View
  auto* exec = window.Control(slot::FirstLocalPaneButton + 4);
  QVERIFY(!view->isEnabled());
  Select({QStringLiteral("readme.txt")});
  std::vector<listing::PaneItem> selected = listing::ReadSelectedEntries(listing::LocalPane());
  QCOMPARE(selected.size(), std::size_t{1});
  QCOMPARE(QString::fromStdString(selected[0].Name), QStringLiteral("readme.txt"));
  QVERIFY(view->isEnabled());
  QVERIFY(exec->isEnabled());
  Select({QStringLiteral("readme.txt"), QStringLiteral("notes.md"), QStringLiteral("src")});
  selected = listing::ReadSelectedEntries(listing::LocalPane());
  QCOMPARE(selected.size(), std::size_t{3});
  QVERIFY(view->isEnabled());
  QVERIFY(!exec->isEnabled());  // Exec needs exactly one
  // Disconnected, the arrows stay off whatever is selected.
  QVERIFY(!window.Control(slot::Send)->isEnabled());
  QVERIFY(window.LocalPaneView()->grab().save(screenshots_ + QStringLiteral("/local_pane_selection.png")));
  // The selection survives the pane being read again (Refresh).
  window.LocalPaneView()->Refresh();
  QCOMPARE(window.LocalPaneView()->selectionModel()->selectedRows().size(), 3);
}

void FilePanesTest::typingALetterJumpsToTheNextNameWithIt() {
  ui::PaneView* pane = program_->Window().LocalPaneView();
  pane->setFocus();
  pane->setCurrentIndex(pane->model()->index(0, 0));
  auto currentName = [pane] {
    return pane->currentIndex().data(ui::PaneModel::NameRole).toString().trimmed();
  };
  // Case ignored, wrapping: "readme.txt" and "Rules.txt" both start with r.
  QTest::keyClick(pane, Qt::Key_R);
  const QString first = currentName();
  QVERIFY2(first == QStringLiteral("readme.txt") || first == QStringLiteral("Rules.txt"), qPrintable(first));
  QTest::keyClick(pane, Qt::Key_R);
  const QString second = currentName();
  QVERIFY(second != first && second.startsWith(QLatin1Char('r'), Qt::CaseInsensitive));
  QTest::keyClick(pane, Qt::Key_R);
  QCOMPARE(currentName(), first);
  QTest::keyClick(pane, Qt::Key_P);
  QCOMPARE(currentName(), QStringLiteral("photos"));
  // A letter no name starts with leaves the caret.
  QTest::keyClick(pane, Qt::Key_Q);
  QCOMPARE(currentName(), QStringLiteral("photos"));
  // The caret is the pane list's, where the operations read it.
  QCOMPARE(listing::LocalPane().Caret().value_or(9999), static_cast<std::size_t>(RowOf(QStringLiteral("photos"))));
}

void FilePanesTest::doubleClickOnADirectoryEntersIt() {
  ui::PaneView* pane = program_->Window().LocalPaneView();
  const int row = RowOf(QStringLiteral("photos"));
  QVERIFY(row >= 0);
  const QRect r = pane->visualRect(pane->model()->index(row, 0));
  QTest::mouseClick(pane->viewport(), Qt::LeftButton, {}, r.center());
  QTest::mouseDClick(pane->viewport(), Qt::LeftButton, {}, r.center());
  QTRY_COMPARE(QDir::currentPath(), QDir(work_.filePath(QStringLiteral("photos"))).canonicalPath());
  QTRY_VERIFY(RowOf(QStringLiteral("beach.jpg")) >= 0);
  QVERIFY(RowOf(QStringLiteral("2026")) >= 0);
  QCOMPARE(RowOf(QStringLiteral("readme.txt")), -1);
  // Enter on ".." goes back up.
  pane->setFocus();
  pane->setCurrentIndex(pane->model()->index(RowOf(QStringLiteral("..")), 0));
  QTest::keyClick(pane, Qt::Key_Return);
  QTRY_COMPARE(QDir::currentPath(), QDir(work_.path()).canonicalPath());
  QTRY_VERIFY(RowOf(QStringLiteral("readme.txt")) >= 0);
}

void FilePanesTest::f5RefreshesTheFocusedPane() {
  ui::PaneView* pane = program_->Window().LocalPaneView();
  QFile file(work_.filePath(QStringLiteral("arrived.txt")));
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.close();
  QCOMPARE(RowOf(QStringLiteral("arrived.txt")), -1);  // not before it is read again
  pane->setFocus();
  QTest::keyClick(pane, Qt::Key_F5);
  QTRY_VERIFY(RowOf(QStringLiteral("arrived.txt")) >= 0);
  QVERIFY(file.remove());
}

void FilePanesTest::contextMenuFollowsTheSelectedEntry_data() {
  QTest::addColumn<QStringList>("selection");
  QTest::addColumn<QString>("present");
  QTest::addColumn<QString>("absent");
  QTest::newRow("one directory") << QStringList{QStringLiteral("src")} << QStringLiteral("Transfer Directory")
                                 << QStringLiteral("Delete files");
  QTest::newRow("one file") << QStringList{QStringLiteral("data.bin")} << QStringLiteral("View file")
                            << QStringLiteral("Transfer Directory");
  QTest::newRow("several") << QStringList{QStringLiteral("data.bin"), QStringLiteral("src")}
                           << QStringLiteral("Transfer files") << QStringLiteral("View file");
  QTest::newRow("nothing") << QStringList{} << QStringLiteral("Transfer file...") << QStringLiteral("Rename files...");
}

void FilePanesTest::contextMenuFollowsTheSelectedEntry() {
  QFETCH(QStringList, selection);
  QFETCH(QString, present);
  QFETCH(QString, absent);
  ui::MainWindow& window = program_->Window();
  Select(selection);
  if (selection.size() == 1) {
    // The caret on another entry than the one selected (a Ctrl+click): the
    // menu names what is selected.
    ui::PaneView* pane = window.LocalPaneView();
    const int other = RowOf(selection[0] == QStringLiteral("src") ? QStringLiteral("data.bin") : QStringLiteral("src"));
    pane->selectionModel()->setCurrentIndex(pane->model()->index(other, 0), QItemSelectionModel::NoUpdate);
  }
  QStringList texts;
  const QString shot = screenshots_ + QStringLiteral("/local_pane_menu_%1.png")
                                          .arg(QString::fromLatin1(QTest::currentDataTag()).replace(QLatin1Char(' '), QLatin1Char('_')));
  QTimer::singleShot(100, this, [&] {
    QMenu* menu = window.OpenContextMenu();
    if (!menu) return;
    texts = MenuTexts(*menu);
    window.grab().save(shot);
    menu->grab().save(QString(shot).replace(QStringLiteral(".png"), QStringLiteral("_menu.png")));
    menu->close();
  });
  ui::PaneView* pane = window.LocalPaneView();
  window.ShowContextMenu(pane, pane->viewport()->mapToGlobal(QPoint(40, 40)));
  QVERIFY2(texts.contains(present), qPrintable(texts.join(QLatin1Char('|'))));
  QVERIFY2(!texts.contains(absent), qPrintable(texts.join(QLatin1Char('|'))));
  QCOMPARE(texts.first(), QStringLiteral("Sort..."));
  QCOMPARE(texts.last(), QStringLiteral("&FTP Commands"));
}

QTEST_MAIN(FilePanesTest)
#include "file_panes_test.moc"
