#include "engine/secure_connection.h"

#include "config/command_options.h"
#include "config/config_file.h"
#include "config/program_settings.h"
#include "engine/command_engine.h"
#include "engine/failure_reason.h"
#include "engine/message_log.h"
#include "engine/session.h"
#include "engine/socket_layer.h"
#include "platform/host.h"
#include "platform/text.h"

namespace korval::engine {

namespace {

constexpr std::size_t MessageCapacity = 511;

// Where "always" keeps the fingerprint: the profile's own section, or the
// section a batch host's name found.
std::string PinSection(const config::SessionProfile& profile) {
  if (!profile.Name.empty()) return profile.Name;
  if (!config::ReadSectionString(profile.Host, "HOST", "", config::SessionProfile::HostCapacity).empty())
    return profile.Host;
  return std::string();
}

void Refuse(const std::string& message) {
  LogMessage(message);
  NoteFailureReason(message);
}

bool AcceptCertificate(const platform::CertificateDetails& details, config::SessionProfile& profile) {
  const std::string runPin = config::Batch().TrustedFingerprint.value_or("");
  LogPrintf("[x] certificate: %s; issuer %s; valid %s to %s; SHA-256 %s", details.Subject.c_str(),
            details.Issuer.c_str(), details.NotBefore.c_str(), details.NotAfter.c_str(),
            details.Fingerprint.c_str());
  switch (WeighCertificate(details, profile.TlsPin, runPin)) {
    case CertificateVerdict::Verified:
      return true;
    case CertificateVerdict::TrustedByPin:
      LogMessage("[x] certificate trusted by its fingerprint in TLSPIN");
      return true;
    case CertificateVerdict::TrustedForRun:
      LogMessage("[x] certificate trusted by its fingerprint given with -t");
      return true;
    case CertificateVerdict::PinMismatch:
      Refuse(platform::FormatTruncated(MessageCapacity,
                                       "certificate refused: %s shows another certificate than the one trusted in "
                                       "TLSPIN (now SHA-256 %s)",
                                       profile.Host.c_str(), details.Fingerprint.c_str()));
      return false;
    case CertificateVerdict::Unverified:
      break;
  }
  const platform::CertificateTrust answer = platform::CurrentHost().AskCertificateTrust(profile.Host, details);
  if (answer == platform::CertificateTrust::Refuse) {
    ++TheSession().CancelPresses;  // the user's no, as a Cancel: no further attempts to connect
    Refuse(platform::FormatTruncated(MessageCapacity,
                                     "certificate of %s not trusted: %s (SHA-256 %s; trust it with -t or TLSPIN)",
                                     profile.Host.c_str(), details.Problem.c_str(), details.Fingerprint.c_str()));
    return false;
  }
  if (answer == platform::CertificateTrust::Always) {
    profile.TlsPin = platform::TruncateTo(details.Fingerprint, config::SessionProfile::TlsPinCapacity);
    const std::string section = PinSection(profile);
    if (section.empty()) {
      LogMessage("[x] no profile to keep the certificate's fingerprint in: trusted for this connection");
    } else {
      config::WriteSectionString(section, "TLSPIN", profile.TlsPin);
      LogPrintf("[x] certificate's fingerprint kept in TLSPIN of [%s]", section.c_str());
    }
  } else {
    LogMessage("[x] certificate trusted for this connection");
  }
  return true;
}

}  // namespace

TlsMode TlsModeOf(const config::SessionProfile& profile) {
  switch (profile.TlsMode) {
    case 0: return TlsMode::None;
    case 1: return TlsMode::ExplicitWhenOffered;
    case 3: return TlsMode::Implicit;
    default: return TlsMode::ExplicitRequired;
  }
}

bool TlsRequired(TlsMode mode) { return mode == TlsMode::ExplicitRequired || mode == TlsMode::Implicit; }

CertificateVerdict WeighCertificate(const platform::CertificateDetails& details, std::string_view storedPin,
                                    std::string_view runPin) {
  const std::string fingerprint = platform::NormalizedFingerprint(details.Fingerprint);
  const std::string run = platform::NormalizedFingerprint(runPin);
  const std::string stored = platform::NormalizedFingerprint(storedPin);
  if (!fingerprint.empty() && !run.empty() && run == fingerprint) return CertificateVerdict::TrustedForRun;
  if (!storedPin.empty()) {
    return !fingerprint.empty() && stored == fingerprint ? CertificateVerdict::TrustedByPin
                                                         : CertificateVerdict::PinMismatch;
  }
  return details.Verified ? CertificateVerdict::Verified : CertificateVerdict::Unverified;
}

bool TlsModeAllowsLogon(const config::SessionProfile& profile) {
  if (profile.UseFirewall != 0 && TlsRequired(TlsModeOf(profile))) {
    Refuse("TLS required (TLSMODE 2 or 3) cannot be combined with a firewall method, which sends the logon to the "
           "firewall in clear: logon not attempted");
    return false;
  }
  return true;
}

bool SecureControlConnection(int socket, config::SessionProfile& profile) {
  Session& session = TheSession();
  if (StartTls(socket, profile.Host, -1) != 0) return false;
  std::optional<platform::CertificateDetails> details = PeerCertificateOf(socket);
  if (!details || !AcceptCertificate(*details, profile)) return false;
  session.ControlTls = true;
  session.TlsFingerprint = details->Fingerprint;
  session.TlsHost = profile.Host;
  session.TlsControlSocket = socket;
  return true;
}

ExplicitTlsResult NegotiateExplicitTls(int socket, config::SessionProfile& profile) {
  const TlsMode mode = TlsModeOf(profile);
  const int reply = SendCommand(socket, "AUTH TLS");
  if (reply == 2) return SecureControlConnection(socket, profile) ? ExplicitTlsResult::Secured : ExplicitTlsResult::Failed;
  if (TheSession().LastReplyCode == 421 || reply == 0) return ExplicitTlsResult::Failed;
  if (TlsRequired(mode)) {
    Refuse(platform::FormatTruncated(MessageCapacity,
                                     "%s does not offer TLS (AUTH TLS answered \"%s\"), which the profile requires: "
                                     "logon not attempted",
                                     profile.Host.c_str(), TheSession().ReplyLine.c_str()));
    return ExplicitTlsResult::Failed;
  }
  LogMessage("The server does not offer TLS: logging on without it");
  return ExplicitTlsResult::Plain;
}

bool ProtectDataConnections(int socket, const config::SessionProfile& profile) {
  Session& session = TheSession();
  session.DataTls = false;
  if (!session.ControlTls) return true;
  if (SendCommand(socket, "PBSZ 0") == 2 && SendCommand(socket, "PROT P") == 2) {
    session.DataTls = true;
    return true;
  }
  if (TlsRequired(TlsModeOf(profile))) {
    Refuse("the server will not protect the data connections (PBSZ 0, PROT P refused), which the profile requires");
    return false;
  }
  LogMessage("Data connections without TLS: the server refused PROT P");
  return true;
}

bool SecureDataConnection(int dataSocket) {
  Session& session = TheSession();
  if (!session.DataTls || dataSocket == -1) return true;
  if (StartTls(dataSocket, session.TlsHost, session.TlsControlSocket) != 0) return false;
  std::optional<platform::CertificateDetails> details = PeerCertificateOf(dataSocket);
  if (!details || platform::NormalizedFingerprint(details->Fingerprint) !=
                      platform::NormalizedFingerprint(session.TlsFingerprint)) {
    Refuse("data connection refused: its certificate is not the control connection's");
    return false;
  }
  return true;
}

void ResetConnectionTls() {
  Session& session = TheSession();
  session.ControlTls = session.DataTls = false;
  session.TlsFingerprint.clear();
  session.TlsHost.clear();
  session.TlsControlSocket = -1;
}

}  // namespace korval::engine
