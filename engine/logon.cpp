#include "engine/logon.h"

#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <optional>

#include "config/firewall_settings.h"
#include "config/program_identity.h"
#include "config/program_settings.h"
#include "engine/command_engine.h"
#include "engine/failure_reason.h"
#include "engine/ftp_commands.h"
#include "engine/host_detection.h"
#include "engine/host_type.h"
#include "engine/message_log.h"
#include "engine/secure_connection.h"
#include "engine/server_features.h"
#include "engine/session.h"
#include "engine/socket_layer.h"
#include "engine/sound_events.h"
#include "platform/host.h"
#include "platform/net.h"
#include "platform/text.h"

namespace korval::engine {

namespace {

constexpr std::size_t PromptTextCapacity = 512;
constexpr std::uint32_t AutomaticDetect = 6000;
constexpr std::uint32_t Rsx11mHost = 6019;

// Asks with the password prompt until an answer is given or the user
// cancels; `target` keeps what it held on Cancel.
void AskPasswordUntilGiven(std::string& target, const std::string& prompt, int helpContext, std::size_t capacity) {
  platform::Host& host = platform::CurrentHost();
  while (target.empty()) {
    host.SetPromptHelpContext(helpContext);
    std::optional<std::string> answer = host.AskPassword(prompt, PromptAnswerCapacity);
    if (!answer) {
      ++TheSession().CancelPresses;
      break;
    }
    platform::AssignTruncated(target, *answer, capacity);
  }
}

void AskAccountUntilGiven(config::SessionProfile& profile) {
  platform::Host& host = platform::CurrentHost();
  const std::string prompt = platform::FormatTruncated(PromptTextCapacity, "Please enter an account for %s on %s:",
                                                       profile.User.c_str(), profile.Host.c_str());
  while (profile.Account.empty()) {
    host.SetPromptHelpContext(AccountHelpContext);
    std::optional<std::string> answer = host.AskText(prompt, profile.Account, PromptAnswerCapacity);
    if (!answer) {
      ++TheSession().CancelPresses;
      break;
    }
    platform::AssignTruncated(profile.Account, *answer, config::SessionProfile::AccountCapacity);
  }
}

// The password step: PASS (after asking for a missing password) and, when the
// server asks for one, ACCT. The reply class that decides the logon.
int PasswordStep(int socket, config::SessionProfile& profile, int userReply) {
  const std::string prompt = platform::FormatTruncated(PromptTextCapacity, "Please enter a password for %s on %s:",
                                                       profile.User.c_str(), profile.Host.c_str());
  AskPasswordUntilGiven(profile.Password, prompt, PasswordHelpContext, config::SessionProfile::PasswordCapacity);
  if (profile.Password.empty()) {
    NoteFailureReason("no password given for " + profile.User);
    return userReply;
  }

  int reply = SendCommand(socket, "PASS %s", profile.Password.c_str());
  if (reply == 3) {
    AskAccountUntilGiven(profile);
    if (!profile.Account.empty()) reply = SendCommand(socket, "ACCT %s", profile.Account.c_str());
  } else if (reply == 2 && TheSession().ReplyLine.find("ACCOUNT") != std::string::npos) {
    // Logged on, but the server would like an account too; its answer to
    // ACCT does not undo the logon.
    AskAccountUntilGiven(profile);
    if (!profile.Account.empty()) SendCommand(socket, "ACCT %s", profile.Account.c_str());
  }
  return reply;
}

// USER and PASS with the firewall's own user; true when the firewall let us in.
bool FirewallLogon(int socket, config::FirewallSettings& firewall) {
  int reply = SendCommand(socket, "USER %s", firewall.User.c_str());
  if (reply == 3) {
    const std::string prompt = "Please enter a password for " + firewall.User + " on firewall " + firewall.Host + ":";
    AskPasswordUntilGiven(firewall.Password, platform::TruncateTo(prompt, PromptTextCapacity),
                          FirewallPasswordHelpContext, config::FirewallFieldCapacity);
    reply = SendCommand(socket, "PASS %s", firewall.Password.c_str());
  }
  return reply == 2;
}

int Quit(int socket, const char* message, bool clearLoggedOn) {
  LogMessage(message);
  ShutdownSocket(socket);
  if (clearLoggedOn) TheSession().LoggedOn = false;
  return -1;
}

int FinalHostFailure(int socket) { return Quit(socket, "Connect to final destination failed, so quitting", true); }

}  // namespace

ConnectionHooks& TheConnectionHooks() {
  static ConnectionHooks hooks;
  return hooks;
}

int Logon(config::SessionProfile& profile) {
  Session& session = TheSession();
  if (session.LoggedOn) {
    LogMessage("Already connected!");
    return -1;
  }
  CloseRetiredSockets();
  // A number no host type has (a hand-edited or newer file) would leave the
  // session without a type to parse or name: it is read as automatic detect.
  if (HostTypeName(profile.HostType).empty()) {
    LogPrintf("Unknown host type %u in the profile, read as %u (%s)", static_cast<unsigned>(profile.HostType),
              static_cast<unsigned>(AutomaticDetect), std::string(HostTypeName(AutomaticDetect)).c_str());
    profile.HostType = AutomaticDetect;
  }
  std::optional<BusyScope> busy(std::in_place);
  session.CancelRequested = false;
  session.TreeAbort = false;
  session.HostType = profile.HostType;
  // A new connection starts in the protocol's default type, ASCII: a letter
  // remembered from the last connection would skip the TYPE a binary needs.
  session.ServerTypeSent = 'A';
  session.Features = ServerFeatures{};
  session.EpsvRefused = false;

  const bool useFirewall = profile.UseFirewall != 0;
  config::FirewallSettings firewall;
  std::string dialledHost = profile.Host;
  if (useFirewall) {
    firewall = config::LoadFirewallSettings(21);
    profile.Port = firewall.Port;
    dialledHost = firewall.Host;
  }

  // TLS is settled before anything goes out (see secure_connection.h).
  ResetConnectionTls();
  if (!TlsModeAllowsLogon(profile)) return -1;
  const TlsMode tlsMode = TlsModeOf(profile);
  if (tlsMode == TlsMode::Implicit && profile.Port == 21) profile.Port = ImplicitTlsPort;

  int socket = ConnectToHost(dialledHost, profile.Port, "tcp");
  if (socket == -1) {
    LogPrintf("Connection to %s failed", dialledHost.c_str());
    return -1;
  }

  session.LocalAddress = {};
  socklen_t length = sizeof session.LocalAddress.storage;
  if (::getsockname(socket, session.LocalAddress.Raw(), &length) != 0) {
    ReportSocketError("getsockname", platform::SocketErrorFromErrno(errno));
    busy.reset();
    session.LoggedOn = false;
    ShutdownSocket(socket);
    return -1;
  }
  session.LocalAddress.length = length;
  LogPrintf("[%u] from %s port %u", static_cast<unsigned>(socket), session.LocalAddress.HostText().c_str(),
            session.LocalAddress.Port());

  // Nothing read on an earlier connection belongs to this one.
  ClearPendingInput();
  if (tlsMode == TlsMode::Implicit && !SecureControlConnection(socket, profile)) {
    busy.reset();
    return Quit(socket, "TLS failure, so quitting", false);
  }
  // The greeting; every line of it may name the server's kind.
  const bool detectFromGreeting = !useFirewall && profile.HostType == AutomaticDetect;
  SetGreetingLineHandler(&engine::GreetingLineSeen);
  session.GreetingPhase = true;
  int greeting = 0;
  do {
    greeting = ReadReply(socket);
    if (greeting == 1 && detectFromGreeting) engine::DetectHostFromGreeting(session.ReplyLine);
  } while (greeting == 1 && !session.CancelRequested);
  session.GreetingPhase = false;

  if (greeting == 4) {
    busy.reset();
    return Quit(socket, "connection failed", false);
  }
  if (greeting != 2) {
    LogPrintf("unk open msg \"%s\" %u", session.ReplyLine.c_str(), static_cast<unsigned>(session.LastReplyCode));
    busy.reset();
    ShutdownSocket(socket);
    return -1;
  }
  if (detectFromGreeting) engine::DetectHostFromGreeting(session.ReplyLine);
  int inlineOutOfBand = 1;
  if (::setsockopt(socket, SOL_SOCKET, SO_OOBINLINE, &inlineOutOfBand, sizeof inlineOutOfBand) != 0)
    ReportSocketError("setsockopt", platform::SocketErrorFromErrno(errno));
  busy.reset();
  if ((tlsMode == TlsMode::ExplicitWhenOffered || tlsMode == TlsMode::ExplicitRequired) &&
      NegotiateExplicitTls(socket, profile) == ExplicitTlsResult::Failed)
    return Quit(socket, "TLS failure, so quitting", false);

  const char* user = profile.User.c_str();
  const char* host = profile.Host.c_str();
  int reply = 0;
  const std::int32_t method = useFirewall ? firewall.Type : -1;
  switch (method) {
    case static_cast<std::int32_t>(FirewallMethod::SiteHostname):
      if (!FirewallLogon(socket, firewall)) return Quit(socket, "Firewall logon failure, so quitting", false);
      if (SendCommand(socket, "SITE %s", host) == 5) return FinalHostFailure(socket);
      session.LoggedOn = true;
      reply = SendCommand(socket, "USER %s", user);
      if (reply == 3) reply = PasswordStep(socket, profile, reply);
      break;
    case static_cast<std::int32_t>(FirewallMethod::UserAfterLogon):
      if (!FirewallLogon(socket, firewall)) return Quit(socket, "Firewall logon failure, so quitting", false);
      if (SendCommand(socket, "USER %s@%s", user, host) != 3) return FinalHostFailure(socket);
      reply = PasswordStep(socket, profile, 3);
      break;
    case static_cast<std::int32_t>(FirewallMethod::UserWithNoLogon):
      reply = SendCommand(socket, "USER %s@%s", user, host);
      if (reply == 2)
        engine::DetectHostFromGreeting(session.ReplyLine);
      else if (reply == 3)
        reply = PasswordStep(socket, profile, reply);
      else
        return FinalHostFailure(socket);
      break;
    case static_cast<std::int32_t>(FirewallMethod::ProxyOpen):
      reply = SendCommand(socket, "OPEN %s", host);
      if (reply != 2 && reply != 3) return FinalHostFailure(socket);
      engine::DetectHostFromGreeting(session.ReplyLine);
      session.LoggedOn = true;
      reply = SendCommand(socket, "USER %s", user);
      if (reply == 3) reply = PasswordStep(socket, profile, reply);
      break;
    default:  // no firewall, or a method we do not know: a plain logon
      reply = SendCommand(socket, "USER %s", user);
      if (reply == 3) reply = PasswordStep(socket, profile, reply);
      break;
  }

  if (reply != 2) return Quit(socket, "logon failure, so quitting", true);
  if (!ProtectDataConnections(socket, profile)) return Quit(socket, "TLS failure, so quitting", true);
  // What the server offers beyond the base commands; one that does not know
  // FEAT is used as before.
  ReadServerFeatures(socket);

  if (!profile.InitCommand.empty()) SendCommandText(socket, profile.InitCommand);
  session.LoggedOn = true;
  if (profile.HostType == Rsx11mHost) {
    session.HostTypeSettled = true;
    session.CanDelete = true;
  } else {
    session.HostTypeSettled = false;
  }
  platform::CurrentHost().SetWindowCaption(std::string(config::ProgramTitle) + " " + profile.Host);
  return socket;
}

namespace {

// The capability flags and the window's connection texts after a close.
void ShowClosed() {
  Session& session = TheSession();
  platform::Host& host = platform::CurrentHost();
  host.SetWindowCaption(config::ProgramTitle);
  host.SetControlText(ConnectCommandId, "&Connect");
  session.CanMkd = session.CanRmd = session.CanRename = session.CanDelete = false;
  session.UseCdup = true;
  session.Features = ServerFeatures{};
  session.EpsvRefused = false;
}

}  // namespace

bool CloseConnection() {
  Session& session = TheSession();
  if (session.Closing) return session.LoggedOn;
  session.Closing = true;
  if (session.DataSocket != -1) session.DataSocket = ShutdownSocket(session.DataSocket);
  if (session.ListenSocket != -1) session.ListenSocket = ShutdownSocket(session.ListenSocket);
  if (session.ControlSocket != -1) {
    SendCommand(session.ControlSocket, "QUIT");
    session.ControlSocket = ShutdownSocket(session.ControlSocket);
    session.LoggedOn = false;
  }
  session.Closing = false;
  ResetConnectionTls();
  ShowClosed();
  if (TheConnectionHooks().RefreshRemotePane) TheConnectionHooks().RefreshRemotePane();
  platform::CurrentHost().UpdateControlStates();
  return session.LoggedOn;
}

void AbortConnection() {
  Session& session = TheSession();
  // Shut down, not closed: a transfer further up this thread's stack still
  // holds them and closes them as it unwinds.
  for (int socket : {session.DataSocket, session.ListenSocket})
    if (socket != -1) platform::ShutdownSocketDirection(socket, SHUT_RDWR);
  if (session.ControlSocket != -1) {
    LogMessage("QUIT");
    SendLine(session.ControlSocket, "QUIT");
    session.ControlSocket = RetireSocket(session.ControlSocket);
    session.LoggedOn = false;
  }
  ShowClosed();
  platform::CurrentHost().UpdateControlStates();
}

}  // namespace korval::engine
