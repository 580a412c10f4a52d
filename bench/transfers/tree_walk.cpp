// The korval half of the tree benchmark: the Connect button (into the parent
// of REMOTE_DIR and the local LOCAL_DIR), then the receive button with
// REMOTE_DIR selected in the remote pane and the directory question answered
// Yes -- the program's own tree walk (one control connection, a LIST per
// directory, a RETR per file), run on the calling thread instead of a worker
// so that the process ends with it. Binary mode (no extension list), passive
// data connections, the block sizes of the settings (the defaults).
//
//   tree_walk HOST PORT USER PASSWORD REMOTE_DIR LOCAL_DIR

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "config/program_settings.h"
#include "config/session_profile.h"
#include "engine/listing_file.h"
#include "engine/logon.h"
#include "engine/session.h"
#include "engine/socket_layer.h"
#include "listing/listing_cache.h"
#include "listing/listing_entry.h"
#include "listing/pane_hooks.h"
#include "listing/pane_list.h"
#include "operations/connect_command.h"
#include "operations/tree_transfer.h"
#include "platform/fs.h"
#include "platform/host.h"

using namespace korval;

namespace {

// Answers the profile dialog and the directory question; counts the files.
class BenchHost : public platform::Host {
 public:
  bool RunSessionProfileDialog() override { return true; }
  bool AskYesNo(std::string_view, std::string_view) override { return true; }
  void AppendToLogWindow(std::string_view line) override {
    if (line.rfind("receiving ", 0) == 0) ++files;
    // TREE_WALK_LOG=1 shows the whole message log.
    if (showLog_ || line.rfind("[E]", 0) == 0)
      std::fprintf(stderr, "%.*s\n", static_cast<int>(line.size()), line.data());
  }
  int files = 0;

 private:
  bool showLog_ = std::getenv("TREE_WALK_LOG") != nullptr;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 7) {
    std::fprintf(stderr, "usage: tree_walk HOST PORT USER PASSWORD REMOTE_DIR LOCAL_DIR\n");
    return 2;
  }
  BenchHost host;
  platform::SetHost(&host);
  engine::InstallBlockingHook();
  listing::InstallPaneHooks();
  platform::TemporaryFile listingFile = platform::CreateTemporaryFile(platform::ListingFilePrefix);
  engine::SetListingFile(listingFile.Path());
  std::error_code error;
  std::filesystem::current_path(argv[6], error);
  if (error) {
    std::fprintf(stderr, "cannot enter %s\n", argv[6]);
    return 1;
  }

  config::ProgramSettings& settings = config::Settings();
  settings.Bell = 0;
  settings.ShowTransferDialog = 0;
  config::SessionProfile& profile = config::ProfileDialogCopy();  // what the profile dialog would return
  profile.Host = argv[1];
  profile.Port = static_cast<std::uint32_t>(std::atoi(argv[2]));
  profile.User = argv[3];
  profile.Password = argv[4];
  profile.Passive = 1;
  const std::filesystem::path remote(argv[5]);
  profile.InitialRemoteDir = remote.parent_path().string();
  profile.LocalDir = argv[6];
  operations::ThreadsAvailable() = false;

  operations::ConnectCommand(engine::ConnectCommandId);
  bool ok = engine::TheSession().LoggedOn;
  if (ok) {
    const std::string wanted = remote.filename().string();
    listing::PaneList& pane = listing::RemotePane();
    bool found = false;
    for (std::size_t i = 0; i < pane.Count(); ++i) {
      if (pane.EntryAt(i)->Name() == wanted) {
        pane.SetSelected(i, true);
        found = true;
      }
    }
    ok = found;
    if (found) operations::StartReceiveSelected(pane);
    engine::CloseConnection();
  }
  listing::ClearListingCache();
  std::printf("%d files\n", host.files);
  return ok ? 0 : 1;
}
