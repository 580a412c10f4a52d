#include "operations/ftp_command_menu.h"

#include <string>
#include <string_view>

#include "config/program_settings.h"
#include "config/prompts.h"
#include "engine/command_engine.h"
#include "engine/ftp_commands.h"
#include "engine/message_log.h"
#include "engine/session.h"
#include "listing/remote_listing.h"
#include "operations/file_operations.h"
#include "operations/single_file_transfer.h"
#include "platform/fs.h"
#include "platform/proc.h"
#include "platform/text.h"

namespace korval::operations {

namespace {

int ControlSocket() { return engine::TheSession().ControlSocket; }

// One line typed into a prompt (help topic `context`); empty when cancelled.
std::string Ask(int context, const char* prompt) {
  std::string answer;
  config::PromptHelpContext() = context;
  if (config::AskText(&answer, "%s", prompt) == 0) return {};
  return answer;
}

// The commands that change the remote directory, by their first word.
bool ChangesDirectory(std::string_view text) {
  const std::string word(text.substr(0, text.find(' ')));
  for (const char* verb : {"CWD", "CDUP", "XCWD", "XCUP"})
    if (platform::EqualsIgnoreCase(word, verb)) return true;
  return false;
}

// The pane follows a directory change the server accepted.
void ShowNewDirectory() { listing::RetrieveRemoteListing(listing::RetrievalLock::Take); }

// A typed listing, received into a "DSP" file of its own and viewed. The
// file stays for the viewer; it goes at shutdown with the others.
void ViewTypedListing(std::string_view text) {
  platform::TemporaryFile file = platform::CreateTemporaryFile(platform::ViewFilePrefix);
  if (!file.Valid()) {
    engine::LogMessage("Cannot create a temporary file for the listing");
    return;
  }
  if (engine::SendUserCommand(ControlSocket(), text, file.Path()) != 2) return;
  ViewLocalFile(file.Release());
}

}  // namespace

bool ConnectionFreeForCommand() {
  if (!listing::IsSessionBusy()) return true;
  engine::LogMessage("command in process, ignored");
  return false;
}

void RunFtpCommand(int commandId) {
  if (!ConnectionFreeForCommand()) return;
  const int socket = ControlSocket();
  switch (commandId) {
    case FtpCwdCommand: {
      const std::string directory = Ask(ChangeDirectoryHelpContext, "Enter remote directory name:");
      if (!directory.empty() && engine::ChangeRemoteDir(socket, directory) == 2) ShowNewDirectory();
      return;
    }
    case FtpHelpCommand:
      engine::SendCommand(socket, "HELP");
      return;
    case FtpSystCommand:
      engine::SendCommand(socket, "SYST");
      return;
    case FtpSiteCommand: {
      const std::string text = Ask(SiteHelpContext, "Enter SITE string:");
      if (!text.empty()) engine::SendCommand(socket, "SITE %s", text.c_str());
      return;
    }
    case FtpListCommand:
      ViewTypedListing("LIST");
      return;
    case FtpNlstCommand:
      ViewTypedListing("NLST");
      return;
    case FtpMkdCommand:
    case FtpRmdCommand: {
      const std::string name = Ask(RemoveRemoteDirectoryHelpContext, "Enter remote directory name:");
      if (name.empty()) return;
      if (commandId == FtpMkdCommand)
        engine::MakeRemoteDir(socket, name);
      else
        engine::RemoveRemoteDir(socket, name);
      return;
    }
    case FtpPwdCommand:
      engine::PrintRemoteDir(socket);
      return;
    case FtpQuoteCommand: {
      const std::string text = Ask(QuoteHelpContext, "Enter command for remote host:");
      if (text.empty()) return;
      if (engine::IsListingCommand(text)) {
        ViewTypedListing(text);
      } else if (engine::SendUserCommand(socket, text, {}) == 2 && ChangesDirectory(text)) {
        ShowNewDirectory();
      }
      return;
    }
    case FtpRetrCommand: {
      const std::string name = Ask(RemoteNameHelpContext, "Enter remote file name:");
      if (!name.empty()) ReceiveRemoteFile(name, 0, 0, true);
      return;
    }
    case FtpStorCommand: {
      const std::string name = Ask(LocalNameHelpContext, "Enter local file name:");
      if (!name.empty()) SendLocalFile(name, 0, 0, true);
      return;
    }
    default:
      return;
  }
}

}  // namespace korval::operations
