#include "engine/ftp_commands.h"

#include <algorithm>
#include <optional>
#include <string>

#include "config/program_settings.h"
#include "config/session_profile.h"
#include "config/transfer_switches.h"
#include "engine/command_engine.h"
#include "engine/file_transfer.h"
#include "engine/host_type.h"
#include "engine/listing_file.h"
#include "engine/session.h"
#include "platform/host.h"
#include "platform/text.h"

namespace korval::engine {

namespace {

int LastReplyClass() { return TheSession().LastReplyCode / 100; }

// Sends "<verb> <argument>" and, when the server does not know the verb
// (exactly 500), the same with `xVerb`. No argument: the verb alone.
int SendWithXForm(int socket, const char* verb, const char* xVerb, std::optional<std::string_view> argument = {}) {
  auto commandOf = [&argument](const char* word) {
    std::string command(word);
    if (argument) command.append(" ").append(*argument);
    return command;
  };
  if (SendCommand(socket, "%s", commandOf(verb).c_str()) == 5 && TheSession().LastReplyCode == 500)
    SendCommand(socket, "%s", commandOf(xVerb).c_str());
  return LastReplyClass();
}

// Restores a setting when the listing is done.
}  // namespace

int ChangeRemoteDir(int socket, std::string_view path) {
  Session& session = TheSession();
  if (path.empty()) return 2;
  const std::string text(path);

  if (session.UseCdup && path == "..") {
    if (SendCommand(socket, "CDUP") == 2) return 2;
  } else if (session.HostType == engine::HostTypeNumber(engine::HostType::VmsUcx) && path.front() != '[') {
    // A subdirectory in VMS bracket syntax first; only a refusal tries the
    // path as it stands.
    if (SendCommand(socket, "CWD [.%s]", text.c_str()) != 5) return LastReplyClass();
  }

  SendWithXForm(socket, "CWD", "XCWD", path);

  if (LastReplyClass() == 3) {
    // The server wants an account. The prompt opens with the account known so
    // far; an empty answer is asked again.
    config::SessionProfile& profile = config::CurrentProfile();
    platform::Host& host = platform::CurrentHost();
    for (;;) {
      host.SetPromptHelpContext(PasswordHelpContext);
      std::optional<std::string> answer =
          host.AskPasswordPreset("Password required:", profile.Account, PromptAnswerCapacity);
      if (!answer) break;
      platform::AssignTruncated(profile.Account, *answer,
                                std::min(PromptAnswerCapacity, config::SessionProfile::AccountCapacity));
      if (!profile.Account.empty()) break;
    }
    if (!profile.Account.empty()) SendCommand(socket, "ACCT %s", profile.Account.c_str());
  }
  return LastReplyClass();
}

int PrintRemoteDir(int socket) { return SendWithXForm(socket, "PWD", "XPWD"); }

int EnterPassiveMode(int socket) { return SendWithXForm(socket, "PASV", "XPSV"); }

int MakeRemoteDir(int socket, std::string_view name) { return SendWithXForm(socket, "MKD", "XMKD", name); }

int RemoveRemoteDir(int socket, std::string_view name) { return SendWithXForm(socket, "RMD", "XRMD", name); }

int DeleteRemoteFile(int socket, std::string_view name) {
  SendCommand(socket, "DELE %s", std::string(name).c_str());
  return LastReplyClass();
}

bool IsListingCommand(std::string_view text) {
  const std::string_view word = text.substr(0, 4);
  return (word == "LIST" || word == "NLST") && (text.size() == 4 || text[4] == ' ');
}

int SendUserCommand(int socket, std::string_view text, const std::string& listingPath) {
  if (IsListingCommand(text)) {
    DoDirListInto(socket, text, listingPath);
  } else {
    SendCommandText(socket, text);
  }
  return LastReplyClass();
}

int DoDirList(int socket, std::string_view text) { return DoDirListInto(socket, text, engine::ListingFile()); }

int DoDirListInto(int socket, std::string_view text, const std::string& path) {
  // A listing makes no sound, shows no transfer dialog and is always ASCII;
  // the switches are this listing's own, the shared settings stay.
  config::OwnTransferSwitches own;
  own.Switches().Bell = 0;
  own.Switches().ShowTransferDialog = 0;
  own.Switches().AutoMode = 0;
  if (TheSession().CommandActive) return 4;
  return ReceiveFile(socket, text, path, 'A');
}

}  // namespace korval::engine
