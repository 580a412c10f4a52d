#include "operations/single_file_transfer.h"

#include "config/program_settings.h"
#include "config/prompts.h"
#include "config/session_profile.h"
#include "config/transfer_switches.h"
#include "engine/destination_naming.h"
#include "engine/file_transfer.h"
#include "engine/message_log.h"
#include "engine/remote_dir.h"
#include "engine/session.h"
#include "engine/transfer_status.h"
#include "platform/fs.h"
#include "platform/host.h"
#include "platform/text.h"

#include <optional>

namespace korval::operations {

namespace {

// The user's edit of a destination name; nullopt when cancelled.
std::optional<std::string> AskDestination(const char* format, std::string_view source, const std::string& name,
                                          int helpContext, std::size_t capacity) {
  // A job being stopped asks nothing: no one would answer.
  if (engine::JobStoppingOnThisThread()) {
    engine::LogMessage("cancelled");
    return std::nullopt;
  }
  platform::Host& host = platform::CurrentHost();
  host.SetPromptHelpContext(helpContext);
  std::string prompt = platform::FormatTruncated(511, format, std::string(source).c_str());
  std::optional<std::string> answer = host.AskText(prompt, name, capacity);
  if (!answer) engine::LogMessage("cancelled");
  return answer;
}

}  // namespace

int SendLocalFile(std::string_view localPathIn, unsigned number, unsigned count, bool prompt,
                  std::string_view localDirectory) {
  const std::string localPath(localPathIn);
  std::string remoteName(engine::LastPathPart(localPath));
  engine::ConvertExtension(remoteName, engine::ConversionDirection::Send);
  if (prompt) {
    std::optional<std::string> edited =
        AskDestination("Enter remote file name for %s:", localPath, remoteName, RemoteNameHelpContext,
                       config::PromptAnswerCapacity);
    if (!edited) return 2;
    remoteName = *edited;
  }
  engine::LogPrintf("sending %s as %s (%u of %u)", localPath.c_str(), remoteName.c_str(), number, count);
  int result = engine::SendFile(engine::TheSession().ControlSocket, "STOR " + remoteName,
                                platform::JoinPath(localDirectory, localPath), config::CurrentTransferSwitches().Mode);
  // Only a complete transfer is one; a failed or partial send is not logged.
  if (result == 2)
    engine::WriteTransferLog(engine::TransferDirection::Send, localPath, config::CurrentProfile().Host,
                             engine::RemoteDir(), remoteName, localDirectory);
  return result;
}

int ReceiveRemoteFile(std::string_view remoteNameIn, unsigned number, unsigned count, bool prompt,
                      std::string_view localDirectory) {
  const std::string remoteName(remoteNameIn);
  std::string localName = engine::LocalNameFor(remoteName, localDirectory);
  if (prompt) {
    std::optional<std::string> edited =
        AskDestination("Enter local file name for %s:", remoteName, localName, LocalNameHelpContext,
                       config::PromptAnswerCapacity);
    if (!edited) return 2;
    localName = *edited;
  }
  engine::Status().ExpectedSize = 0;
  engine::LogPrintf("receiving %s as %s (%u of %u)", remoteName.c_str(), localName.c_str(), number, count);
  int result = engine::ReceiveFile(engine::TheSession().ControlSocket, "RETR " + remoteName,
                                   platform::JoinPath(localDirectory, localName), config::CurrentTransferSwitches().Mode);
  if (engine::TransferResult() == engine::TransferComplete) {
    engine::ClearRestartRecord(config::CurrentProfile().Name);
    // The data all came, and the server says so too.
    if (result == 2)
      engine::WriteTransferLog(engine::TransferDirection::Receive, localName, config::CurrentProfile().Name,
                               engine::RemoteDir(), remoteName, localDirectory);
  }
  return result;
}

}  // namespace korval::operations
