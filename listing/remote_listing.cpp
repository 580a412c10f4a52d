#include "listing/remote_listing.h"

#include <atomic>
#include <optional>

#include "config/program_files.h"
#include "config/program_settings.h"
#include "config/session_profile.h"
#include "engine/ftp_commands.h"
#include "engine/host_detection.h"
#include "engine/host_type.h"
#include "engine/listing_file.h"
#include "engine/message_log.h"
#include "engine/remote_dir.h"
#include "engine/session.h"
#include "listing/directory_box.h"
#include "listing/listing_cache.h"
#include "listing/listing_entry.h"
#include "listing/listing_parser.h"
#include "listing/local_listing.h"
#include "listing/pane_list.h"
#include "listing/pane_masks.h"
#include "listing/rule_sets.h"

namespace korval::listing {

namespace {

std::atomic<bool> busyMark{false};

enum class Fetch { UseCache, Always };

bool Connected() {
  const engine::Session& session = engine::TheSession();
  return session.ControlSocket != -1 && session.LoggedOn;
}

void ReadRemoteDir(int socket) {
  engine::SetRemoteDir(std::string(UndecipherableDir));
  if (engine::PrintRemoteDir(socket) == 2) engine::SetRemoteDir(RemoteDirFromPwdReply(engine::TheSession().ReplyLine));
}

// "LIST" and the mask; trailing blanks go, as they would from any command.
std::string ListCommand(std::string_view mask) {
  std::string command = "LIST ";
  command.append(mask);
  while (!command.empty() && (command.back() == ' ' || command.back() == '\t')) command.pop_back();
  return command;
}

// The listing of RemoteDir(): the cached file, or a fetch into the file the
// cache names. A failed fetch leaves no listing behind, so its entry goes and
// the next visit asks the server again.
int FetchListing(int socket, std::string_view command, Fetch fetch, bool clearCancel) {
  int index = LookupListingCache(engine::RemoteDir());
  if (index != NewCacheEntry && fetch == Fetch::UseCache) {
    engine::LogPrintf("[%u] using cache %s", static_cast<unsigned>(index), engine::ListingFile().c_str());
    return 2;
  }
  if (clearCancel) engine::TheSession().CancelRequested = false;
  int result = engine::DoDirList(socket, command);
  if (result != 2) ForgetCachedListing(engine::ListingFile());
  return result;
}

int ShowListing(int result) {
  if (result == 2) {
    ParseRemoteListingFile();
    return result;
  }
  RemotePane().Clear();
  engine::LogPrintf("DoDirList returned %u", static_cast<unsigned>(result));
  return result;
}

int Retrieve(RetrievalLock lock, Fetch fetch) {
  std::optional<SessionBusyMark> mark;
  if (lock == RetrievalLock::Take) {
    if (IsSessionBusy()) {
      engine::LogMessage("[E] busy, no retrieve");
      return 0;
    }
    mark.emplace();
  }
  RemotePane().Clear();
  if (!Connected()) {
    RemoteDirectoryBox().SetText("");
    return 0;
  }
  engine::Session& session = engine::TheSession();
  const int socket = session.ControlSocket;
  // A Cyber host answers PWD with nothing usable; only a refresh asks it.
  if (fetch == Fetch::Always || session.HostType != engine::HostTypeNumber(engine::HostType::CdcCyber))
    ReadRemoteDir(socket);
  else
    engine::SetRemoteDir(std::string(UndecipherableDir));
  RemoteDirectoryBox().Show(engine::RemoteDir());
  if (!session.HostTypeSettled) engine::DetectHostType(socket);

  const std::string mask = RemoteMask();
  const bool bareList = fetch == Fetch::Always && (mask.empty() || IsWildcardMask(mask));
  return ShowListing(FetchListing(socket, bareList ? "LIST" : ListCommand(mask), fetch, true));
}

}  // namespace

bool IsSessionBusy() {
  const engine::Session& session = engine::TheSession();
  return session.BusyCount != 0 || session.CommandActive || engine::IsWorkerBusy() || engine::ConnectionOwned() ||
         busyMark;
}

SessionBusyMark::SessionBusyMark() : wasSet_(busyMark.exchange(true)) {}

SessionBusyMark::~SessionBusyMark() { busyMark = wasSet_; }

std::string RemoteDirFromPwdReply(std::string_view replyLine) {
  std::size_t open = replyLine.find('"');
  if (open == std::string_view::npos) open = replyLine.find('\'');
  if (open == std::string_view::npos) return std::string(UndecipherableDir);
  std::string_view text = replyLine.substr(open + 1, engine::RemoteDirCapacity);

  std::string directory;
  if (text.find('"') != std::string_view::npos) {
    // Up to the first lone double quote; "" is a quote of the name itself.
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (text[i] != '"') {
        directory += text[i];
      } else if (replyLine[open] == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        directory += '"';
        ++i;
      } else {
        break;
      }
    }
    return directory;
  }
  return std::string(text.substr(0, text.find('\'')));
}

int RetrieveRemoteListing(RetrievalLock lock) { return Retrieve(lock, Fetch::UseCache); }

int RefreshRemoteListing(RetrievalLock lock) {
  engine::LogMessage("[S] forced new retrieve");
  return Retrieve(lock, Fetch::Always);
}

void RedisplayListing(std::int32_t pane) {
  if (pane == LocalPaneNumber) {
    ListLocalDirectory();
    return;
  }
  if (!Connected()) {
    RemotePane().Clear();
    return;
  }
  if (engine::ConnectionOwnedElsewhere()) {
    // A worker owns the connection: only a listing at hand is shown again,
    // and nothing is sent or fetched.
    if (const std::optional<std::string> cached = CachedListingPath(engine::RemoteDir())) ParseIntoRemotePane(*cached);
    return;
  }
  RemotePane().Clear();
  ShowListing(FetchListing(engine::TheSession().ControlSocket, ListCommand(RemoteMask()), Fetch::UseCache, false));
}

ListingOptions RemoteListingOptions(const config::AsciiExtensionList* asciiList) {
  const config::ProgramSettings& settings = config::Settings();
  ListingOptions options;
  options.HostType = engine::TheSession().HostType;
  options.VLink = settings.LinksAsDirectories != 0;
  options.LongDir = settings.LongDirectory != 0;
  options.RemoteMask = RemoteMask();
  options.RemoteDir = engine::RemoteDir();
  options.UserId = config::CurrentProfile().User;
  options.AsciiExtensions = asciiList;
  return options;
}

int ParseIntoRemotePane(const std::string& path) {
  const config::AsciiExtensionList asciiList = config::AsciiExtensionList::Load(config::ProgramFiles().ExtensionsPath);
  PaneList built(config::Settings().RemoteSort);
  const int result = ParseListing(path, built, RemoteListingOptions(&asciiList));
  RemotePane().TakeContentsOf(built);
  return result;
}

int ParseRemoteListingFile() { return ParseIntoRemotePane(engine::ListingFile()); }

int ParseRemoteListingInto(const std::string& path, PaneList& list) {
  const config::AsciiExtensionList asciiList = config::AsciiExtensionList::Load(config::ProgramFiles().ExtensionsPath);
  list.Clear();
  list.SetSortSetting(config::Settings().RemoteSort);
  ClearVosSectionState();  // a file is read from its start
  return ParseListing(path, list, RemoteListingOptions(&asciiList));
}

}  // namespace korval::listing
