#pragma once
// One file, or one listing, over a data connection: ReceiveFile runs RETR,
// LIST or NLST into a local file, SendFile runs STOR (or STOU) from one. Both
// settle the transfer type first, open the data connection (passive first when
// the profile asks), move the bytes with the status display, and read the
// completion reply.
//
// In ASCII mode line ends are converted, since local text files here end
// lines with LF: CR LF on the wire becomes LF on receive, LF becomes CR LF on
// send. Binary and L8 move bytes unchanged. Counts are bytes on the wire.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace korval::engine {

constexpr std::size_t MaximumBlockSize = 1 << 20;

// Outcome of the last data loop.
enum TransferOutcome : int {
  TransferNothing = 0,     // nothing moved, or not started
  TransferComplete = 1,
  TransferIncomplete = 2,  // cancelled, a network error after some data, or short
  TransferLinkRefused = 5  // the receive command was refused for a link entry
};
int& TransferResult();

// The class of the completion reply (2 on success), or 0 when the transfer did
// not start. A data loop that did not complete never returns 2.
int ReceiveFile(int controlSocket, std::string_view command, const std::string& localPath, char modeLetter);
// `command` is "STOR " and the remote name.
int SendFile(int controlSocket, std::string_view command, const std::string& localPath, char modeLetter);

// The data loops: a TransferOutcome.
int ReceiveToFile(int dataSocket, const std::string& localPath);
int SendFromFile(int dataSocket, const std::string& localPath);

// "RETR name" -> "RETR 'name'": the argument in single quotes (MVS/KNET).
std::string QuoteArgument(std::string_view command);
// The remote path of `name` in `directory` with the separator the host uses.
std::string JoinRemotePath(std::string_view directory, std::string_view name);

// The transfer-mode letter Auto Detect chooses for a name.
char AutoModeLetter(std::string_view name);

// How long an abort waits for the server's reply to ABOR; tests shorten it.
void SetAbortReplyWaitMs(int milliseconds);

}  // namespace korval::engine
