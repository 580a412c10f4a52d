#pragma once
// The thin layer over the sockets on which the engine stands: connecting by
// name or dotted address, bounded sends and receives, the two ways of closing
// a socket, and socket errors in words. Every call returns -1 (or 0 bytes) on
// failure after logging one line; nothing retries here.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>

#include "platform/tls.h"

namespace korval::engine {

// Waits used by the engine: sends, and reply reads (injectable for tests).
constexpr int SendTimeoutMs = 10000;
int ReplyReadTimeoutMs();
void SetReplyReadTimeoutMs(int milliseconds);  // default 20000
// Bound of a connect() wait (the system's own limit is longer).
int ConnectTimeoutMs();
void SetConnectTimeoutMs(int milliseconds);  // default 60000

// Connects to `host` (a name, or a dotted address used without a lookup) on
// `port`; `protocol` is "tcp" (or "udp"). A connected socket, or -1.
int ConnectToHost(std::string_view host, unsigned port, std::string_view protocol);

// TLS on a connected socket. Once it is on, every read, write and close of
// this layer goes through it, so the command engine and the data loops work
// the same over both. The handshake is bounded by the reply time-out and
// stopped by Cancel like any wait. `resumeFrom` names a socket whose TLS
// session the server expects this one to reuse (the control connection, for
// a data connection), or -1. 0, or -1 after logging why.
int StartTls(int socket, std::string_view host, int resumeFrom);
bool SocketHasTls(int socket);
// The certificate the server showed on `socket` (none without TLS).
std::optional<platform::CertificateDetails> PeerCertificateOf(int socket);
// Waits until `socket` has something to read, counting bytes TLS has
// decrypted already: WaitForSocket's results.
int WaitReadable(int socket, int timeoutMs);
// A data loop's read without waiting: up to `size` bytes of what is there
// (TLS records decrypted one after another); -1 with 10035 when nothing is.
ssize_t ReceiveAvailable(int socket, void* buffer, std::size_t size);

// One recv()/send() after waiting at most `timeoutMs`: its count, 0 at end of
// stream, or -1 (10004 when the wait ran out or was cancelled).
ssize_t RecvWait(int socket, void* buffer, std::size_t size, int flags, int timeoutMs);
ssize_t SendWait(int socket, const void* data, std::size_t length, int timeoutMs);

// Sends all of `data` with 10-second waits; the number of bytes sent.
std::size_t SendAll(int socket, const void* data, std::size_t length);
// Sends all of `data` (file data); the count, or -1 after an error.
ssize_t SendRaw(int socket, const void* data, std::size_t length);

// Closes without ceremony; always -1 (store it back into the socket field).
int AbandonSocket(int socket);
// The orderly close; -1 when closed, else the socket (still open).
int ShutdownSocket(int socket);

// Ends a connection that a wait further up the calling thread's stack may
// still hold: both directions are shut down at once (that wait wakes up and
// fails), but the descriptor stays open, so its number cannot be handed to
// another socket while the wait unwinds. Always -1 (store it back).
int RetireSocket(int socket);
// Closes the retired descriptors; run where no wait can hold one (a new
// connection, the program's end).
void CloseRetiredSockets();

// The text of a socket error code, at most 126 characters.
std::string SocketErrorText(int code);
// Logs "name: text", or only the text when `name` is empty.
void ReportSocketError(std::string_view name, int code);

// Installs the calling thread's blocking hook: `dispatchOne` handles one
// pending user-interface event and says whether there was one (the GUI
// thread); without it the hook only lets cancellation through (a worker).
void InstallBlockingHook(bool (*dispatchOne)() = nullptr);

}  // namespace korval::engine
