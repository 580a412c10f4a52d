#pragma once
// Why the last operation failed, in the words a user reads after "Transfer
// failed": the socket error of a connect or of a lost connection, the
// server's reply line when it refused, the system's error for a local file.
// Each is noted where the failure is first seen. A local file's error is kept
// over the server's later replies: the 426 after an abort is a consequence,
// not the cause.

#include <string>
#include <string_view>

namespace korval::engine {

void ClearFailureReason();
// A failure of the connection or of the server; the latest one counts.
void NoteFailureReason(std::string_view reason);
// "cannot create PATH: No such file or directory" for `action` "create" and
// `error` ENOENT; the first one counts until the reasons are cleared.
void NoteLocalFileFailure(std::string_view action, std::string_view path, int error);
// The local file's error when one was noted, else the latest other reason;
// empty when nothing was noted since the last clear.
std::string FailureReason();

}  // namespace korval::engine
