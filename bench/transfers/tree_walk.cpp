// The korval half of the tree benchmark until korval receives whole trees
// itself: one logon, then for each remote directory a LIST into the listing
// file, the parse into a pane, a RETR for each file and the same for each
// subdirectory, all on the one control connection, with the engine's own
// calls. Binary mode, passive data connections, the default block sizes.
//
//   tree_walk HOST PORT USER PASSWORD REMOTE_DIR LOCAL_DIR

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "config/program_settings.h"
#include "config/session_profile.h"
#include "engine/command_engine.h"
#include "engine/file_transfer.h"
#include "engine/ftp_commands.h"
#include "engine/logon.h"
#include "engine/session.h"
#include "engine/socket_layer.h"
#include "listing/listing_file.h"
#include "listing/listing_parser.h"
#include "listing/pane_list.h"

using namespace korval;

namespace {

int files = 0;

bool Walk(int socket, const std::string& remote, const std::string& local) {
  if (engine::SendCommand(socket, "CWD %s", remote.c_str()) != 2) return false;
  if (engine::DoDirList(socket, "LIST") != 2) return false;
  listing::PaneList pane(0);
  listing::ListingOptions options;
  options.HostType = engine::TheSession().HostType;
  listing::ParseListing(listing::ListingFile(), pane, options);
  std::vector<std::string> directories;
  std::vector<std::string> names;
  pane.ForEachEntry([&](std::size_t, const listing::ListingEntry& entry) {
    std::string name(entry.Name());
    if (name == "..") return;
    (entry.Kind == listing::DirectoryKind ? directories : names).push_back(name);
  });
  for (const std::string& name : names) {
    if (engine::ReceiveFile(socket, "RETR " + name, local + "/" + name, 'I') != 2) return false;
    ++files;
  }
  for (const std::string& name : directories) {
    const std::string localDir = local + "/" + name;
    ::mkdir(localDir.c_str(), 0755);
    if (!Walk(socket, remote + "/" + name, localDir)) return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 7) {
    std::fprintf(stderr, "usage: tree_walk HOST PORT USER PASSWORD REMOTE_DIR LOCAL_DIR\n");
    return 2;
  }
  engine::InstallBlockingHook();
  char listingPath[] = "/tmp/DIRXXXXXX";
  int fd = ::mkstemp(listingPath);
  if (fd < 0) return 1;
  ::close(fd);
  listing::ListingFile() = listingPath;
  config::Settings().Bell = 0;
  config::SessionProfile& profile = config::CurrentProfile();
  profile.Host = argv[1];
  profile.Port = static_cast<std::uint32_t>(std::atoi(argv[2]));
  profile.User = argv[3];
  profile.Password = argv[4];
  profile.Passive = 1;
  const int socket = engine::Logon(profile);
  engine::TheSession().ControlSocket = socket;
  const bool ok = socket >= 0 && Walk(socket, argv[5], argv[6]);
  if (socket >= 0) engine::CloseConnection();
  ::unlink(listingPath);
  std::printf("%d files\n", files);
  return ok ? 0 : 1;
}
