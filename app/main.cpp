// korval: the FTP client. With a transfer on its command line it runs batch
// mode in the terminal: logs on, moves the one file and ends with an exit
// code a script can trust (0 done, 1 logon or transfer failed, 2 command line
// not understood). Without a transfer it opens the main window.

#include <unistd.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/help_text.h"
#include "app/terminal_batch.h"
#include "config/command_options.h"
#include "config/program_files.h"
#include "config/program_settings.h"
#include "engine/socket_layer.h"
#include "operations/connect_command.h"
#include "platform/console_host.h"
#include "ui/logic/display_choice.h"
#ifdef KORVAL_WITH_WINDOW
#include "ui/x_display_probe.h"
#include "ui/window_program.h"
#endif

namespace {

// The command line as one text, as the option parser reads it; an argument
// holding blanks is quoted so that it stays one word.
std::string JoinArguments(int argc, char** argv) {
  std::string text;
  for (int i = 1; i < argc; ++i) {
    std::string argument = argv[i];
    if (!text.empty()) text += ' ';
    if (argument.find(' ') != std::string::npos)
      text += '"' + argument + '"';
    else
      text += argument;
  }
  return text;
}

// The terminal's host while the command line is read: its messages wait
// until it is known whether they go to the terminal or into the window.
class StartHost : public korval::platform::ConsoleHost {
 public:
  struct Message {
    std::string Text;
    std::string Caption;
  };
  void ShowMessage(std::string_view text, std::string_view caption) override {
    if (holding_)
      held_.push_back({std::string(text), std::string(caption)});
    else
      ConsoleHost::ShowMessage(text, caption);
  }
  // The held messages on the terminal; later ones go straight there.
  void ReleaseToTerminal() {
    holding_ = false;
    for (const Message& message : held_) ConsoleHost::ShowMessage(message.Text, message.Caption);
    held_.clear();
  }
  // The held messages, for the window to show.
  std::vector<Message> TakeHeld() {
    holding_ = false;
    return std::move(held_);
  }

 private:
  bool holding_ = true;
  std::vector<Message> held_;
};

#ifdef KORVAL_WITH_WINDOW
std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

bool DisplayAvailable() {
  const korval::ui::logic::DisplayEnvironment environment{Environment("DISPLAY"), Environment("WAYLAND_DISPLAY"),
                                                          Environment("QT_QPA_PLATFORM")};
  return korval::ui::logic::DisplayAvailable(environment, [](const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISSOCK(info.st_mode)) return false;
    // A socket left behind by a server that ended refuses the connection;
    // the toolkit would abort on it, so it counts as no display.
    sockaddr_un address{};
    if (path.size() >= sizeof(address.sun_path)) return true;
    address.sun_family = AF_UNIX;
    path.copy(address.sun_path, path.size());
    const int probe = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (probe < 0) return true;
    const bool listening = ::connect(probe, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
    ::close(probe);
    return listening;
  }, korval::ui::XServerAccepts);
}
#endif

bool AsksForHelp(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--help" || argument == "-help" || argument == "-?") return true;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace korval;
  // A peer that closes a connection is an error like any other, not the end.
  std::signal(SIGPIPE, SIG_IGN);
  std::signal(SIGXFSZ, SIG_IGN);

  if (AsksForHelp(argc, argv)) {
    std::fputs(app::HelpText, stdout);
    return app::ExitDone;
  }

  StartHost host;
  platform::SetHost(&host);
  engine::InstallBlockingHook();
  char directory[4096];
  if (::getcwd(directory, sizeof directory)) operations::StartDirectory() = directory;

  std::optional<std::string> rest = config::LocateProgramFiles(JoinArguments(argc, argv));
  const bool transfer = config::BatchMode() || rest.value_or("").size() > 3;
#ifdef KORVAL_WITH_WINDOW
  if (!transfer) {
    // An unknown option is reported, and the window opens all the same.
    if (!DisplayAvailable()) {
      host.ReleaseToTerminal();
      std::fprintf(stderr, "%s\n", std::string(ui::logic::NoDisplayMessage).c_str());
      return app::ExitNotUnderstood;
    }
    std::vector<ui::StartMessage> messages;
    for (StartHost::Message& message : host.TakeHeld())
      messages.push_back({std::move(message.Text), std::move(message.Caption)});
    platform::SetHost(nullptr);
    // The splash only for a plain start, as a short command line is.
    const bool plainStart = JoinArguments(argc, argv).size() <= 3;
    return ui::RunWindowProgram(argv[0], messages,
                                plainStart ? ui::WindowProgram::Splash::Yes : ui::WindowProgram::Splash::No);
  }
#endif
  host.ReleaseToTerminal();
  // After an unknown option the rest of the line is ignored; a source given
  // by -s before it is still transferred.
  if (!rest && !config::BatchMode()) return app::ExitNotUnderstood;
  config::LoadSoundSettings();

  if (!transfer) {
    std::fprintf(stderr, "%s\n\nTry 'korval --help' for more.\n", config::UsageText);
    return app::ExitNotUnderstood;
  }
  return app::RunTerminalBatch(host, rest.value_or(""));
}
