#pragma once
// FTP over TLS. Explicit: after the greeting "AUTH TLS" (234) turns the
// control connection into TLS; after the logon "PBSZ 0" and "PROT P" put the
// data connections under TLS too, each resuming the control connection's
// TLS session (servers such as vsftpd refuse a data connection that does
// not). Implicit: TLS from the first byte, on port 990 by default.
//
// The profile's TLSMODE chooses (0 none, 1 explicit when offered, 2 explicit
// required, 3 implicit). When TLS is required, no USER or PASS ever goes out
// in clear: a server without AUTH TLS ends the logon before it begins, and a
// firewall method, which sends credentials to the firewall before any TLS,
// cannot be combined with it.
//
// Certificates are checked against the system's authorities and the name
// dialled. One that does not verify is used only when the user trusts it:
// by the fingerprint stored in TLSPIN, by "-t FINGERPRINT" for one batch
// run, or by the host's question (once, or always: then TLSPIN keeps it). A
// certificate other than the one TLSPIN names is refused.

#include <cstdint>
#include <string>
#include <string_view>

#include "config/session_profile.h"
#include "platform/tls.h"

namespace korval::engine {

enum class TlsMode : std::int32_t { None = 0, ExplicitWhenOffered = 1, ExplicitRequired = 2, Implicit = 3 };
constexpr std::uint32_t ImplicitTlsPort = 990;

// The profile's mode; a number no mode has counts as required explicit TLS,
// never as none (a hand-edited file asks for more security, not less).
TlsMode TlsModeOf(const config::SessionProfile& profile);
bool TlsRequired(TlsMode mode);

// How the certificate stands against what the user trusts.
enum class CertificateVerdict {
  Verified,       // the system's authorities vouch for it and it names the host
  TrustedByPin,   // TLSPIN holds its fingerprint
  TrustedForRun,  // -t named its fingerprint
  PinMismatch,    // TLSPIN names another certificate
  Unverified,     // nothing vouches for it: the user decides
};
CertificateVerdict WeighCertificate(const platform::CertificateDetails& details, std::string_view storedPin,
                                    std::string_view runPin);

// Before connecting: false (after logging why) when the profile's TLS mode
// cannot be kept, such as required TLS through a firewall method.
bool TlsModeAllowsLogon(const config::SessionProfile& profile);

// TLS on the control connection and its certificate weighed (implicit: right
// after the connect; explicit: after AUTH TLS). False after logging why.
bool SecureControlConnection(int socket, config::SessionProfile& profile);

// Explicit TLS after the greeting.
enum class ExplicitTlsResult { Secured, Plain, Failed };
ExplicitTlsResult NegotiateExplicitTls(int socket, config::SessionProfile& profile);

// After the logon, on a TLS control connection: PBSZ 0 and PROT P. False when
// the data connections cannot be protected and the profile requires TLS.
bool ProtectDataConnections(int socket, const config::SessionProfile& profile);

// A data connection just made (connected or accepted): TLS on it when the
// data connections are protected, showing the control connection's
// certificate. True when it is ready for the transfer.
bool SecureDataConnection(int dataSocket);

// Forgets the connection's TLS state (a new logon, a close).
void ResetConnectionTls();

}  // namespace korval::engine
