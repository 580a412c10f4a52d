#include "operations/connect_command.h"

#include <unistd.h>

#include <string>

#include "config/program_identity.h"
#include "config/program_settings.h"
#include "config/session_profile.h"
#include "engine/ftp_commands.h"
#include "engine/logon.h"
#include "engine/message_log.h"
#include "engine/session.h"
#include "engine/sound_events.h"
#include "operations/tree_transfer.h"
#include "platform/host.h"
#include "platform/net.h"
#include "platform/text.h"

namespace korval::operations {

std::string& StartDirectory() {
  static std::string directory;
  return directory;
}

void ConnectCommand(int commandId) {
  engine::Session& session = engine::TheSession();
  platform::Host& host = platform::CurrentHost();
  engine::ConnectionHooks& hooks = engine::TheConnectionHooks();
  if (engine::IsWorkerBusy()) return;
  if (session.ControlSocket != -1) {
    DisconnectCommand();
    return;
  }

  if (hooks.ClearListingCache) hooks.ClearListingCache();
  if (host.RunSessionProfileDialog()) {
    session.CancelRequested = false;
    config::SessionProfile& profile = config::CurrentProfile();
    profile = config::ProfileDialogCopy();
    host.SetControlText(engine::LocalMaskBox, profile.LocalMask);
    host.SetControlText(engine::RemoteMaskBox, profile.RemoteMask);

    if (!profile.LocalDir.empty()) {
      const std::string& directory =
          platform::EqualsIgnoreCase(profile.LocalDir, "origdir") ? StartDirectory() : profile.LocalDir;
      if (::chdir(directory.c_str()) != 0)
        engine::LogPrintf("[x] cannot change to local directory %s", directory.c_str());
    }
    std::string localMask = platform::TruncateTo(host.ControlText(engine::LocalMaskBox).value_or(profile.LocalMask),
                                                 engine::LocalMaskCapacity);
    if (hooks.ListLocalPane) hooks.ListLocalPane(localMask);

    // Every failed attempt is retried, whatever the failure (a refused or
    // lost connection, a busy greeting, a refused logon); only the user's
    // Cancel stops early. The profile's RETRIES stays as it is.
    const std::uint32_t cancelPresses = session.CancelPresses.load();
    auto cancelled = [&session, cancelPresses] { return session.CancelPresses.load() != cancelPresses; };
    for (std::int32_t retriesLeft = profile.Retries;; --retriesLeft) {
      session.ControlSocket = engine::Logon(profile);
      if (session.ControlSocket != -1 || retriesLeft <= 0 || cancelled()) break;
      platform::RunBlockingHook();  // let the window breathe between attempts
      if (cancelled()) break;
    }

    if (session.ControlSocket != -1) {
      host.SetControlText(engine::ConnectCommandId, "&Close");
      if (!profile.InitialRemoteDir.empty()) engine::ChangeRemoteDir(session.ControlSocket, profile.InitialRemoteDir);
      if (commandId == engine::ConnectCommandId) {
        std::string remoteMask = platform::TruncateTo(
            host.ControlText(engine::RemoteMaskBox).value_or(profile.RemoteMask), engine::RemoteMaskCapacity);
        if (hooks.RetrieveRemotePane) hooks.RetrieveRemotePane(remoteMask);
      }
    }
  }

  host.UpdateControlStates();
  host.RestoreCursor();
  host.PostCommand(engine::UpdateModeButtonsCommand);
  if (config::Settings().Bell)
    engine::PlaySound(session.LoggedOn ? engine::SoundEvent::Connect : engine::SoundEvent::Error);
}

void DisconnectCommand() {
  engine::Session& session = engine::TheSession();
  platform::Host& host = platform::CurrentHost();
  session.TreeAbort = true;
  // A tree walk stops after its current file and comes back to its
  // directories before the connection it uses goes.
  WaitForSelectionWorker();
  engine::CloseConnection();
  host.UpdateControlStates();
  host.SetWindowCaption(config::ProgramTitle);
  if (engine::TheConnectionHooks().ClearListingCache) engine::TheConnectionHooks().ClearListingCache();
}

}  // namespace korval::operations
