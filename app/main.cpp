// korval: the FTP client. With a transfer on its command line it runs batch
// mode in the terminal: logs on, moves the one file and ends with an exit
// code a script can trust (0 done, 1 logon or transfer failed, 2 command line
// not understood).

#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <string>

#include "app/help_text.h"
#include "app/terminal_batch.h"
#include "config/command_options.h"
#include "config/program_files.h"
#include "config/program_settings.h"
#include "engine/socket_layer.h"
#include "operations/connect_command.h"
#include "platform/console_host.h"

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

  platform::ConsoleHost host;
  platform::SetHost(&host);
  engine::InstallBlockingHook();
  char directory[4096];
  if (::getcwd(directory, sizeof directory)) operations::StartDirectory() = directory;

  std::optional<std::string> rest = config::LocateProgramFiles(JoinArguments(argc, argv));
  // After an unknown option the rest of the line is ignored; a source given
  // by -s before it is still transferred.
  if (!rest && !config::BatchMode()) return app::ExitNotUnderstood;
  config::LoadSoundSettings();

  if (!config::BatchMode() && rest.value_or("").size() <= 3) {
    std::fprintf(stderr, "%s\n\nTry 'korval --help' for more.\n", config::UsageText);
    return app::ExitNotUnderstood;
  }
  return app::RunTerminalBatch(host, rest.value_or(""));
}
