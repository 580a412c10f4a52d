#include "ui/command_dispatch.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>

#include "config/program_settings.h"
#include "engine/listing_file.h"
#include "engine/session.h"
#include "listing/local_dir_report.h"
#include "listing/pane_list.h"
#include "listing/pane_masks.h"
#include "operations/chmod_command.h"
#include "operations/connect_command.h"
#include "operations/file_operations.h"
#include "operations/ftp_command_menu.h"
#include "operations/tree_transfer.h"
#include "ui/logic/command_rules.h"
#include "ui/logic/pane_typing.h"
#include "ui/main_window.h"
#include "ui/pane_view.h"
#include "ui/qt_text.h"

namespace korval::ui {

namespace {

namespace slot = logic::slot;
using operations::PaneSide;

void ReadMasks(MainWindow& window, const logic::CommandTraits& traits) {
  if (traits.ReadsLocalMask)
    listing::SetLocalMask(
        logic::LocalMaskFromField(ToStdString(static_cast<QLineEdit*>(window.Control(slot::LocalMask))->text())));
  if (traits.ReadsRemoteMask)
    listing::SetRemoteMask(ToStdString(static_cast<QLineEdit*>(window.Control(slot::RemoteMask))->text())
                               .substr(0, logic::RemoteMaskCapacity));
}

void UpdateModeButtons(MainWindow& window) {
  const config::ProgramSettings& settings = config::Settings();
  const logic::ModeButtonStates states = logic::ModeButtonStatesFor(settings.Mode, settings.AutoMode != 0);
  static_cast<QRadioButton*>(window.Control(slot::Ascii))->setChecked(states.Ascii);
  static_cast<QRadioButton*>(window.Control(slot::Binary))->setChecked(states.Binary);
  static_cast<QCheckBox*>(window.Control(slot::Auto))->setChecked(states.Auto);
}

void StartTransfer(int commandId) {
  operations::ModifierHeld() =
      (QApplication::queryKeyboardModifiers() & (Qt::ControlModifier | Qt::ShiftModifier)) != 0;
  if (commandId == 939)
    operations::StartSendSelected(listing::LocalPane());
  else
    operations::StartReceiveSelected(listing::RemotePane());
}

void ShowDirectoryReport(PaneSide side) {
  if (side == PaneSide::Local) {
    const std::string report = listing::CreateLocalDirReport();
    if (!report.empty()) operations::ViewLocalFile(report);
  } else if (engine::TheSession().LoggedOn && !engine::ListingFile().empty()) {
    operations::ViewLocalFile(engine::ListingFile());
  }
}

void DoubleClick(MainWindow& window, PaneSide side) {
  const bool opened = operations::OpenEntry(side);
  switch (logic::DoubleClickActionFor(opened, config::Settings().DoubleClick)) {
    case logic::DoubleClickAction::UpdateButtons:
      window.ApplyControlStates();
      break;
    case logic::DoubleClickAction::View:
      DispatchCommand(window, side == PaneSide::Local ? 941 : 942);
      break;
    case logic::DoubleClickAction::Transfer:
      DispatchCommand(window, side == PaneSide::Local ? 939 : 940);
      break;
  }
}

}  // namespace

void ChooseDirectoryFromBox(platform::PaneSide side, const std::string& text) {
  operations::DirectoryBoxChosen(side == platform::PaneSide::Local ? PaneSide::Local : PaneSide::Remote, text);
}

void DispatchCommand(MainWindow& window, int id) {
  const logic::CommandTraits traits = logic::TraitsOfCommand(id);
  ReadMasks(window, traits);
  if (traits.WorkerGuard && engine::IsWorkerBusy()) return;
  const PaneSide local = PaneSide::Local;
  const PaneSide remote = PaneSide::Remote;
  switch (id) {
    case MainWindow::PaneDoubleClickLocal: DoubleClick(window, local); break;
    case MainWindow::PaneDoubleClickRemote: DoubleClick(window, remote); break;
    case 933: operations::ChangeDirectory(local); break;
    case 934: operations::ChangeDirectory(remote); break;
    case 935: operations::MakeDirectory(local); break;
    case 936: operations::MakeDirectory(remote); break;
    case 937: operations::RemoveDirectory(local); break;
    case 938: operations::RemoveDirectory(remote); break;
    case 939:
    case 940: StartTransfer(id); break;
    case 941: operations::ViewOrExecute(local, operations::ViewAction::View); break;
    case 942: operations::ViewOrExecute(remote, operations::ViewAction::View); break;
    case 943: operations::RefreshPane(local); break;
    case 944: operations::RefreshPane(remote); break;
    case 945: operations::DeleteEntries(local); break;
    case 946: operations::DeleteEntries(remote); break;
    case 947: operations::RenameEntries(local); break;
    case 948: operations::RenameEntries(remote); break;
    case 949: ShowDirectoryReport(local); break;
    case 950: ShowDirectoryReport(remote); break;
    case 966: operations::ChmodCommand(listing::RemotePane()); break;
    case 968: operations::MoveEntries(local); break;
    case 969: operations::MoveEntries(remote); break;
    case 9045: operations::ViewOrExecute(local, operations::ViewAction::Execute); break;
    case 9046: operations::ViewOrExecute(remote, operations::ViewAction::Execute); break;
    case 1320: window.RunCommand(9000); break;
    case 1321: operations::DisconnectCommand(); break;
    case 1500: window.RunCommand(9037); break;
    case 1851:
    case 9028:
      config::Settings().Mode = 'A';
      config::Settings().AutoMode = 0;
      UpdateModeButtons(window);
      break;
    case 1852:
    case 9029:
      config::Settings().Mode = 'I';
      config::Settings().AutoMode = 0;
      UpdateModeButtons(window);
      break;
    case 1853:
    case 9030:
      config::Settings().AutoMode = config::Settings().AutoMode ? 0 : 1;
      UpdateModeButtons(window);
      break;
    case 8100: UpdateModeButtons(window); break;
    default:
      if (id >= operations::FtpCwdCommand && id <= operations::FtpStorCommand) operations::RunFtpCommand(id);
      break;
  }
  if (traits.ArrowCursor) window.unsetCursor();
}

}  // namespace korval::ui
