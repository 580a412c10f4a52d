#include "ui/about_dialog.h"

#include <QLabel>
#include <QPixmap>
#include <QPushButton>

#include "config/program_identity.h"
#include "ui/dialog_support.h"
#include "ui/help_viewer.h"
#include "ui/logic/about_box.h"
#include "ui/logic/program_version.h"
#include "ui/qt_text.h"
#include "ui_DLG_ABOUT.h"

namespace korval::ui {

namespace {

constexpr int AboutHelpContext = 380;

}  // namespace

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
  Ui::DLG_ABOUT().setupUi(this);
  const QString title = ToQString(config::ProgramTitle);
  setWindowTitle(QStringLiteral("About %1").arg(title));
  findChild<QLabel*>(QStringLiteral("DLG_ABOUT_title"))->setText(title);
  findChild<QLabel*>(QStringLiteral("DLG_ABOUT_notice"))->setText(ToQString(logic::OwnershipNotice));
  DialogControl<QLabel>(*this, 921)->setText(
      ToQString(logic::AboutVersionLine(logic::ProgramVersionText(), logic::ProgramBuildDateText())));
  DialogControl<QLabel>(*this, 919)->setText(ToQString(logic::AboutSystemLine(logic::CurrentSystem())));
  DialogControl<QLabel>(*this, 918)->setText(ToQString(logic::CurrentFreeSpaceLine()));
  // The frames stretch their pictures (scaledContents in the template).
  const QPixmap icon(ProgramIconPath());
  for (const int frame : {2417, 2418}) {
    if (!icon.isNull()) DialogControl<QLabel>(*this, frame)->setPixmap(icon);
  }
  connect(DialogControl<QPushButton>(*this, 1), &QPushButton::clicked, this, &QDialog::accept);
  ConnectHelpContext(*this, AboutHelpContext);
}

void ShowAbout(QWidget* owner) {
  AboutDialog dialog(owner);
  PlaceDialog(dialog, owner);
  dialog.exec();
}

}  // namespace korval::ui
