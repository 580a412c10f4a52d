// korval: the FTP client. With a transfer on its command line it runs batch
// mode in the terminal: logs on, moves the one file and ends with an exit
// code a script can trust (0 done, 1 logon or transfer failed, 2 command line
// not understood).

#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "config/command_options.h"
#include "config/program_files.h"
#include "config/program_settings.h"
#include "engine/listing_file.h"
#include "engine/logon.h"
#include "engine/socket_layer.h"
#include "listing/listing_cache.h"
#include "listing/pane_list.h"
#include "operations/batch_transfer.h"
#include "operations/connect_command.h"
#include "platform/console_host.h"
#include "platform/fs.h"

namespace {

constexpr int ExitDone = 0;
constexpr int ExitFailed = 1;
constexpr int ExitNotUnderstood = 2;

const char* const HelpText =
    "korval - FTP client\n"
    "\n"
    "Transfers one file between this machine and an FTP server and exits:\n"
    "  korval [args] host:full_path [local:full_path]    receive (the local name\n"
    "                                                    defaults to the remote one)\n"
    "  korval [args] local:full_path host:full_path      send\n"
    "  korval [args] ftp://[user[:password]@]host[:port]/path [local:full_path]\n"
    "\n"
    "A host that names a profile section of KORVAL.INI (with a HOST key) logs on\n"
    "with that profile's host, user, password, port and firewall switch. Without\n"
    "a user the logon is anonymous. A remote directory as the source is listed\n"
    "on standard output.\n"
    "\n"
    "Exit status: 0 success, 1 logon or transfer failed, 2 command line not\n"
    "understood.\n"
    "\n";

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

// The listing file's name is reserved in the temporary directory for the
// run; the listings of remote directories get files of the listing cache,
// which are deleted with it when the run ends.
class ListingFileReservation {
 public:
  ListingFileReservation() : file_(korval::platform::CreateTemporaryFile(korval::platform::ListingFilePrefix)) {
    korval::engine::SetListingFile(file_.Path());
  }
  ~ListingFileReservation() { korval::listing::ClearListingCache(); }
  ListingFileReservation(const ListingFileReservation&) = delete;
  ListingFileReservation& operator=(const ListingFileReservation&) = delete;

 private:
  korval::platform::TemporaryFile file_;
};

}  // namespace

int main(int argc, char** argv) {
  using namespace korval;
  // A peer that closes a connection is an error like any other, not the end.
  std::signal(SIGPIPE, SIG_IGN);
  std::signal(SIGXFSZ, SIG_IGN);

  for (int i = 1; i < argc; ++i) {
    std::string argument = argv[i];
    if (argument == "--help" || argument == "-help" || argument == "-?") {
      std::fputs(HelpText, stdout);
      std::fputs(config::UsageText, stdout);
      std::fputs("\n", stdout);
      return ExitDone;
    }
  }

  platform::ConsoleHost host;
  platform::SetHost(&host);
  engine::InstallBlockingHook();
  char directory[4096];
  if (::getcwd(directory, sizeof directory)) operations::StartDirectory() = directory;
  ListingFileReservation listingFile;

  const std::string commandLine = JoinArguments(argc, argv);
  std::optional<std::string> rest = config::LocateProgramFiles(commandLine);
  if (!rest) return ExitNotUnderstood;
  config::LoadSoundSettings();

  const bool batchStart = config::BatchMode() || rest->size() > 3;
  if (!batchStart) {
    std::fprintf(stderr, "%s\n\nTry 'korval --help' for more.\n", config::UsageText);
    return ExitNotUnderstood;
  }
  switch (operations::StartBatch(*rest)) {
    case operations::BatchTransferred:
      return ExitDone;
    case operations::BatchRemoteDirectory:
      listing::RemotePane().ForEachEntry(
          [](std::size_t, const listing::ListingEntry& entry) { std::printf("%s\n", entry.Text.c_str()); });
      engine::CloseConnection();
      return ExitDone;
    default:
      if (operations::BatchArgumentsNotUnderstood() || config::Batch().Source.empty()) return ExitNotUnderstood;
      return ExitFailed;
  }
}
