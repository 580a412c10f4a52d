#pragma once
// The window program: start-up in its fixed order (banner, the remembered
// place with MAXIMIZE, the panes, the reserved temporary names, AUTOSTART's
// Connect), the event loop, and the end (workers stopped and joined, QUIT,
// the window, then the files of the run).

#include <memory>
#include <string>
#include <vector>

#include "ui/logic/program_close.h"

class QWidget;

namespace korval::ui {

class HelpViewer;
class SplashWindow;
class MainWindow;
class QtHost;

// A message the option parser had for the user before the window existed.
struct StartMessage {
  std::string Text;
  std::string Caption;
};

class WindowProgram {
 public:
  // Needs the QApplication and the parsed command line (the settings loaded).
  WindowProgram();
  ~WindowProgram();
  WindowProgram(const WindowProgram&) = delete;
  WindowProgram& operator=(const WindowProgram&) = delete;

  // Creates and shows the main window; `messages` are shown first. The
  // splash shows meanwhile when asked (a short command line): until the
  // window is shown, or with AUTOSTART until the profile dialog opens.
  enum class Splash { No, Yes };
  void Start(const std::vector<StartMessage>& messages = {}, Splash splash = Splash::No);
  // The splash while it is shown, else nullptr.
  QWidget* SplashShown() const;

  MainWindow& Window() { return *window_; }
  QtHost& Host() { return *host_; }
  HelpViewer& Help() { return *help_; }
  const logic::ReservedFiles& Files() const { return files_; }

 private:
  std::unique_ptr<MainWindow> window_;
  std::unique_ptr<QtHost> host_;
  std::unique_ptr<HelpViewer> help_;
  std::unique_ptr<SplashWindow> splash_;
  logic::ReservedFiles files_;
  bool finished_ = false;
};

// The whole program with a window: the QApplication, Start, the event loop.
// The exit code.
int RunWindowProgram(const char* programPath, const std::vector<StartMessage>& messages,
                     WindowProgram::Splash splash);

}  // namespace korval::ui
