#include "tests/support/logged_on_session.h"

#include "config/program_files.h"
#include "config/program_settings.h"
#include "config/session_profile.h"
#include "engine/command_engine.h"
#include "engine/file_transfer.h"
#include "engine/last_entry.h"
#include "engine/logon.h"
#include "engine/message_log.h"
#include "engine/session.h"
#include "engine/socket_layer.h"
#include "engine/timeout_timer.h"
#include "engine/transfer_status.h"

namespace korval::testing {

namespace {
void ResetEverything() {
  engine::ResetSession();
  engine::ResetCommandEngine();
  engine::ResetMessageLog();
  config::ResetProgramSettings();
  config::CurrentProfile() = config::SessionProfile{};
  config::ProfileDialogCopy() = config::SessionProfile{};
  engine::TransferResult() = engine::TransferNothing;
  engine::Status() = engine::TransferStatus{};
  engine::ClearLastEntry();
  engine::SetReplyReadTimeoutMs(20000);
  engine::SetTimeoutTickMs(5000);
  engine::SetAbortReplyWaitMs(3000);
}
}  // namespace

EngineState::EngineState() { ResetEverything(); }
EngineState::~EngineState() { ResetEverything(); }

LoggedOnSession::LoggedOnSession(const LogonTarget& target, const LogonTls& tls) {
  config::SessionProfile& profile = config::CurrentProfile();
  profile.Name = "test";
  profile.Host = target.host;
  profile.Port = target.port;
  profile.User = target.user;
  profile.Password = target.password;
  profile.Passive = target.passive ? 1 : 0;
  profile.TlsMode = tls.mode;
  profile.TlsPin = tls.pin;
  socket_ = engine::Logon(profile);
  engine::TheSession().ControlSocket = socket_;
}

LoggedOnSession::~LoggedOnSession() {
  if (socket_ >= 0) engine::CloseConnection();
}

}  // namespace korval::testing
