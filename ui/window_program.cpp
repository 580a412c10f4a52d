#include "ui/window_program.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QIcon>
#include <QMessageBox>
#include <QScreen>

#include "config/config_file.h"
#include "config/program_identity.h"
#include "config/program_settings.h"
#include "config/session_profile.h"
#include "engine/message_log.h"
#include "engine/socket_layer.h"
#include "listing/local_listing.h"
#include "listing/pane_hooks.h"
#include "listing/remote_listing.h"
#include "platform/host.h"
#include "ui/help_viewer.h"
#include "ui/list_font.h"
#include "ui/logic/program_version.h"
#include "ui/logic/window_location.h"
#include "ui/main_window.h"
#include "ui/qt_host.h"
#include "ui/qt_text.h"
#include "ui/splash_window.h"

namespace korval::ui {

namespace {

constexpr int ConnectCommand = 9000;

// The GUI thread's blocking hook: one round of pending events.
bool DispatchPendingEvents() {
  QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
  return dispatcher && dispatcher->processEvents(QEventLoop::AllEvents);
}

void WriteBanner() {
  engine::LogPrintf("WINSOCK.DLL: %s", "POSIX sockets, poll() waits");
  engine::LogPrintf("%s %s %s, %s", std::string(config::ProgramTitle).c_str(),
                    std::string(logic::ProgramVersionText()).c_str(), logic::ProgramBuildDateText().c_str(),
                    std::string(logic::OwnershipNotice).c_str());
  config::LoadSoundSettings();
}

logic::Rect AvailableDesktop() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return {0, 0, 0, 0};
  const QRect r = screen->availableVirtualGeometry();
  return {r.x(), r.y(), r.width(), r.height()};
}

}  // namespace

WindowProgram::WindowProgram()
    : window_(std::make_unique<MainWindow>()),
      host_(std::make_unique<QtHost>(window_.get())),
      help_(std::make_unique<HelpViewer>()) {
  platform::SetHost(host_.get());
  engine::InstallBlockingHook(&DispatchPendingEvents);
  host_->SetHelpHandler([this](int context) { help_->Show(static_cast<std::uint32_t>(context)); });
  window_->SetHelpPageHandler([this](const logic::HelpPage& page) { help_->ShowPage(page); });
  // The close order: workers, QUIT, SESSION, the reserved files; then the window goes.
  window_->SetCloseHandler([this] {
    finished_ = true;
    logic::CloseProgram(files_);
    help_->Close();
  });
}

WindowProgram::~WindowProgram() {
  if (!finished_) logic::CloseProgram(files_);
  logic::FinishProgram();
  window_->SetCloseHandler({});
  platform::SetHost(nullptr);
}

QWidget* WindowProgram::SplashShown() const { return splash_ && splash_->isVisible() ? splash_.get() : nullptr; }

void WindowProgram::Start(const std::vector<StartMessage>& messages, Splash splash) {
  // The command line's messages come first: the splash stays above other
  // windows and would hide them.
  for (const StartMessage& message : messages)
    QMessageBox::warning(nullptr, ToQString(message.Caption), ToQString(message.Text));
  if (splash == Splash::Yes) {
    splash_ = std::make_unique<SplashWindow>();
    splash_->show();
    QCoreApplication::processEvents();  // painted at once
  }

  // The remembered place, kept on the screen.
  const std::string location = config::ReadConfigString("LOC", "", config::WindowLocationCapacity);
  logic::WindowPlacement placement;
  if (!location.empty()) placement = logic::ReadWindowLocation(location, AvailableDesktop());
  window_->SetSavedPlacement(placement);

  // The window's creation: controls, list font, panes, reserved names.
  listing::InstallPaneHooks();
  window_->SetListFont(ListFontFromSettings());
  const config::SessionProfile& profile = config::CurrentProfile();
  if (!profile.LocalMask.empty()) host_->SetControlText(926, profile.LocalMask);
  if (!profile.RemoteMask.empty()) host_->SetControlText(930, profile.RemoteMask);
  listing::ListLocalDirectory();
  listing::RetrieveRemoteListing(listing::RetrievalLock::Take);
  files_ = logic::ReserveWindowFiles();
  window_->ApplyControlStates();

  const logic::Rect& r = placement.Window;
  window_->move(r.X, r.Y);
  window_->resize(r.Width, r.Height);
  WriteBanner();
  if (config::ReadConfigNumber("MAXIMIZE", 0) == 1)
    window_->showMaximized();
  else
    window_->show();
  if (!window_->isMaximized()) window_->FitOuterRectangle(r);
  window_->ApplyLayout();
  if (config::Settings().AutoStart) {
    host_->PostCommand(ConnectCommand);
    // The splash stays until the profile dialog of the automatic connect.
    host_->SetBeforeProfileDialog([this] { splash_.reset(); });
  } else {
    splash_.reset();
  }
}

int RunWindowProgram(const char* programPath, const std::vector<StartMessage>& messages,
                     WindowProgram::Splash splash) {
  // The command line was the option parser's: Qt reads none of it.
  int argc = 1;
  char* argv[] = {const_cast<char*>(programPath), nullptr};
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("korval"));
  QApplication::setDesktopFileName(QStringLiteral("korval"));
  if (const QString icon = ProgramIconPath(); !icon.isEmpty()) QApplication::setWindowIcon(QIcon(icon));
  int code = 0;
  {
    WindowProgram program;
    program.Start(messages, splash);
    code = QApplication::exec();
  }
  return code;
}

}  // namespace korval::ui
