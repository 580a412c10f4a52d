#include "operations/batch_transfer.h"

#include <unistd.h>

#include <string>

#include "config/batch_arguments.h"
#include "config/command_options.h"
#include "config/config_file.h"
#include "config/firewall_settings.h"
#include "config/password_encoding.h"
#include "config/program_identity.h"
#include "config/program_settings.h"
#include "config/session_profile.h"
#include "engine/command_engine.h"
#include "engine/destination_naming.h"
#include "engine/failure_reason.h"
#include "engine/file_transfer.h"
#include "engine/ftp_commands.h"
#include "engine/logon.h"
#include "engine/message_log.h"
#include "engine/session.h"
#include "engine/socket_layer.h"
#include "engine/sound_events.h"
#include "listing/remote_listing.h"
#include "platform/host.h"
#include "platform/text.h"

namespace korval::operations {

namespace {

constexpr std::uint32_t BullCp6HostType = 6028;
bool notUnderstood = false;

void PlayIfBell(engine::SoundEvent event) {
  if (config::Settings().Bell) engine::PlaySound(event);
}

// The message ends with why it failed, when that is known.
std::string WithReason(std::string message, const std::string& reason) {
  if (!reason.empty()) message += ": " + reason;
  return message;
}

int Fail(const std::string& message) {
  PlayIfBell(engine::SoundEvent::Error);
  engine::LogMessage(message);
  if (!config::Batch().QuietMode) platform::CurrentHost().ShowMessage(message, config::ProgramTitle);
  return BatchFailed;
}

// The profile a batch host starts from: the one "-p" chose, or else a
// default one (anonymous, port 21) that takes -u, -w and -c one by one. The
// start-up profile (SESSION) belongs to its own host, and none of its fields
// (a password above all) goes to another.
config::SessionProfile BatchStartProfile() {
  const config::BatchRequest& batch = config::Batch();
  if (batch.ProfileNamed) return config::CurrentProfile();
  config::SessionProfile profile;
  profile.Passive = config::ReadConfigNumber("PASVMODE", 0);
  if (batch.UserOption) profile.User = *batch.UserOption;
  if (batch.PasswordOption) profile.Password = *batch.PasswordOption;
  if (batch.AccountOption) profile.Account = *batch.AccountOption;
  return profile;
}

// A section named like the host with a HOST value is that host's profile.
// Returns the encoded password it holds, when it holds one.
std::optional<std::string> ApplyHostProfile(const std::string& host, config::SessionProfile& profile) {
  const std::string profileHost = config::ReadSectionString(host, "HOST", "", config::SessionProfile::HostCapacity);
  if (profileHost.empty()) {
    profile.Host = platform::TruncateTo(host, config::SessionProfile::HostCapacity);
    profile.UseFirewall = config::ReadBatchFirewallSwitch();
    return std::nullopt;
  }
  profile.Host = profileHost;
  profile.User = config::ReadSectionString(host, "UID", "", config::SessionProfile::UserCapacity);
  std::string encoded = config::ReadSectionString(host, "PWD", "", 2 * config::SessionProfile::PasswordCapacity);
  profile.Account = config::ReadSectionString(host, "ACT", "", config::SessionProfile::AccountCapacity);
  if (config::ReadSectionNumber(host, "FIREWALL", 0) != 0) profile.UseFirewall = 1;
  profile.Port = static_cast<std::uint32_t>(config::ReadSectionNumber(host, "PORT", 21));
  const std::string localDir = config::ReadSectionString(host, "LOCDIR", "", config::SessionProfile::DirCapacity);
  if (!localDir.empty() && ::chdir(localDir.c_str()) != 0)
    engine::LogPrintf("can't change to local directory %s", localDir.c_str());
  profile.InitCommand = config::ReadSectionString(host, "INITCMD", "", config::SessionProfile::InitCommandCapacity);
  profile.TlsMode = config::ReadSectionNumber(host, "TLSMODE", 0);
  profile.TlsPin = config::ReadSectionString(host, "TLSPIN", "", config::SessionProfile::TlsPinCapacity);
  if (encoded.empty()) return std::nullopt;
  return encoded;
}

}  // namespace

bool BatchArgumentsNotUnderstood() { return notUnderstood; }

int StartBatch(std::string_view text) {
  config::PrepareBatchArguments(text);
  if (config::Batch().Source.empty()) return BatchFailed;
  return RunBatchTransfer(config::Batch().Source, config::Batch().Destination);
}

int RunBatchTransfer(std::string_view sourceText, std::string_view destinationText) {
  notUnderstood = false;
  const config::BatchArgument source = config::ClassifyBatchArgument(sourceText);
  const config::BatchArgument destination = config::ClassifyBatchArgument(destinationText);
  const bool receive = source.Kind == config::ArgumentKind::Remote && destination.Kind != config::ArgumentKind::Remote;
  const bool send = source.Kind == config::ArgumentKind::Local && destination.Kind == config::ArgumentKind::Remote;
  if (!receive && !send) {
    notUnderstood = true;
    if (!config::Batch().QuietMode) {
      std::string text = platform::FormatTruncated(
          1023, "SRC(%u): %.*s\nDST(%u): %.*s", static_cast<unsigned>(source.Kind),
          static_cast<int>(sourceText.size()), sourceText.data(), static_cast<unsigned>(destination.Kind),
          static_cast<int>(destinationText.size()), destinationText.data());
      platform::CurrentHost().ShowMessage(text + "\n\n" + config::UsageText, "Unknown batch command!");
    }
    return BatchFailed;
  }

  const config::BatchArgument& remote = receive ? source : destination;
  std::string localPath = receive ? destination.Path : source.Path;
  if (receive && destination.Kind == config::ArgumentKind::None) localPath = engine::LocalNameFor(remote.Path);

  config::SessionProfile& profile = config::CurrentProfile();
  profile = BatchStartProfile();
  std::optional<std::string> storedPassword = ApplyHostProfile(remote.Host, profile);
  if (profile.User.empty()) {
    profile.User = "anonymous";
  } else if (storedPassword) {
    profile.Password = config::DecodePassword(profile.User, *storedPassword);
  }
  if (profile.User == "anonymous") profile.Password = config::Settings().MailAddress;
  // What a URL names itself wins over the profile; a user of its own takes
  // only a password given for it (in the URL or by -w).
  if (remote.User && *remote.User != profile.User) {
    profile.User = platform::TruncateTo(*remote.User, config::SessionProfile::UserCapacity);
    profile.Password = config::Batch().PasswordOption.value_or("");
    if (profile.User == "anonymous" && !config::Batch().PasswordOption) profile.Password = config::Settings().MailAddress;
  }
  if (remote.Password)
    profile.Password = platform::TruncateTo(*remote.Password, config::SessionProfile::PasswordCapacity);
  if (remote.Port) profile.Port = *remote.Port;
  if (remote.TlsMode) profile.TlsMode = *remote.TlsMode;

  if (receive)
    engine::LogPrintf("receiving %s from %s as %s", remote.Path.c_str(), profile.Host.c_str(), localPath.c_str());
  else
    engine::LogPrintf("sending %s to %s as %s", localPath.c_str(), profile.Host.c_str(), remote.Path.c_str());

  engine::Session& session = engine::TheSession();
  engine::ClearFailureReason();
  const int socket = engine::Logon(profile);
  session.ControlSocket = socket;
  if (socket == -1)
    return Fail(WithReason(platform::FormatTruncated(255, "Connect failed to %s", profile.Host.c_str()),
                           engine::FailureReason()));

  int result = 0;
  if (send) {
    result =
        engine::SendFile(socket, platform::FormatTruncated(engine::CommandCapacity + 1, "STOR %s", remote.Path.c_str()),
                         localPath, config::Settings().Mode);
  } else {
    if (session.HostType != BullCp6HostType && engine::SendCommand(socket, "CWD %s", remote.Path.c_str()) == 2) {
      listing::RetrieveRemoteListing(listing::RetrievalLock::Take);
      platform::CurrentHost().UpdateControlStates();
      platform::CurrentHost().PostCommand(engine::UpdateModeButtonsCommand);
      return BatchRemoteDirectory;
    }
    engine::ClearFailureReason();  // the refused CWD says only that it is no directory
    result = engine::ReceiveFile(socket,
                                 platform::FormatTruncated(engine::CommandCapacity + 1, "RETR %s", remote.Path.c_str()),
                                 localPath, config::Settings().Mode);
  }

  const std::string reason = engine::FailureReason();
  session.ControlSocket = engine::ShutdownSocket(socket);
  session.LoggedOn = false;
  if (result == 2) {
    engine::LogMessage("successful transfer");
    PlayIfBell(engine::SoundEvent::Complete);
    return BatchTransferred;
  }
  return Fail(WithReason(platform::FormatTruncated(255, "\nTransfer failed for %s from %s", remote.Path.c_str(),
                                                   profile.Host.c_str()),
                         reason));
}

}  // namespace korval::operations
