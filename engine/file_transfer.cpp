#include "engine/file_transfer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <vector>

#include "config/ascii_names.h"
#include "config/command_options.h"
#include "config/program_identity.h"
#include "config/program_settings.h"
#include "config/session_profile.h"
#include "config/transfer_switches.h"
#include "engine/command_engine.h"
#include "engine/data_connection.h"
#include "engine/failure_reason.h"
#include "engine/host_type.h"
#include "engine/last_entry.h"
#include "engine/message_log.h"
#include "engine/session.h"
#include "engine/socket_layer.h"
#include "engine/sound_events.h"
#include "engine/timeout_timer.h"
#include "engine/transfer_progress.h"
#include "engine/transfer_status.h"
#include "platform/host.h"
#include "platform/net.h"
#include "platform/text.h"

namespace korval::engine {

namespace {

constexpr int ModeButtonsCommand = 8100;
std::atomic<int> abortReplyWaitMs{3000};

// A file descriptor closed on every path.
class FileHandle {
 public:
  FileHandle() = default;
  explicit FileHandle(int fd) : fd_(fd) {}
  ~FileHandle() { Close(); }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  FileHandle& operator=(FileHandle&& other) noexcept {
    if (this != &other) {
      Close();
      fd_ = other.fd_;
      other.fd_ = -1;
    }
    return *this;
  }
  bool IsOpen() const { return fd_ >= 0; }
  int Fd() const { return fd_; }
  // The close's own result: a delayed write error shows here.
  bool Close() {
    if (fd_ < 0) return true;
    int result = ::close(fd_);
    fd_ = -1;
    return result == 0;
  }

 private:
  int fd_ = -1;
};

bool WriteAll(int fd, const char* data, std::size_t length) {
  while (length > 0) {
    ssize_t written = ::write(fd, data, length);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    data += written;
    length -= static_cast<std::size_t>(written);
  }
  return true;
}

std::size_t BlockSize(int setting) {
  return static_cast<std::size_t>(std::clamp<long>(setting, 1, static_cast<long>(MaximumBlockSize)));
}

// Blocks are gathered up to this much before one write to the file or one
// send: small blocks then cost one system call each for the network alone.
constexpr std::size_t GatherSize = 256 * 1024;

// Bytes gathered for one write (or send) of many blocks.
class GatherBuffer {
 public:
  explicit GatherBuffer(std::size_t blockSize) : bytes_(std::max(GatherSize, blockSize)) {}
  // Room for one more block of `blockSize` at Tail().
  bool HasRoomFor(std::size_t blockSize) const { return bytes_.size() - used_ >= blockSize; }
  std::size_t Room() const { return bytes_.size() - used_; }
  char* Tail() { return bytes_.data() + used_; }
  void Grow(std::size_t count) { used_ += count; }
  void Append(const char* data, std::size_t length) {
    if (bytes_.size() - used_ < length) bytes_.resize(used_ + length);
    std::copy(data, data + length, bytes_.data() + used_);
    used_ += length;
  }
  const char* Data() const { return bytes_.data(); }
  std::size_t Size() const { return used_; }
  void Clear() { used_ = 0; }

 private:
  std::vector<char> bytes_;
  std::size_t used_ = 0;
};

void ErrorSound() {
  if (config::CurrentTransferSwitches().Bell) PlaySound(SoundEvent::Error);
}

bool RefuseWhenBusy(int controlSocket) {
  Session& session = TheSession();
  if (controlSocket == -1) {
    LogMessage("no ctrl_skt, ignored");
    return true;
  }
  if (session.BusyCount != 0 || session.CommandActive || ConnectionOwnedElsewhere()) {
    LogMessage("command in process, ignored");
    return true;
  }
  return false;
}

char SettleTransferType(int controlSocket, char letter, std::string_view autoName) {
  if (config::CurrentTransferSwitches().AutoMode) {
    letter = AutoModeLetter(autoName);
    if (config::SetTransferMode(letter)) platform::CurrentHost().PostCommand(ModeButtonsCommand);
  }
  Session& session = TheSession();
  if (letter != session.ServerTypeSent) {
    if (letter == 'L')
      SendCommand(controlSocket, "TYPE L 8");
    else
      SendCommand(controlSocket, "TYPE %c", letter);
    session.ServerTypeSent = letter;
  }
  return letter;
}

// Whether the local file can be written. The check creates or deletes
// nothing but the destination path itself: a file there is opened without
// being truncated, a free name gets a probe that is removed again, and a
// symbolic link to nothing is reported (writing through it would create the
// link's target somewhere else). When it cannot be written, errno says why.
bool CanWriteLocalFile(const std::string& path) {
  struct stat entry {};
  if (::lstat(path.c_str(), &entry) == 0) {
    struct stat target {};
    if (::stat(path.c_str(), &target) != 0) {
      const int error = errno;
      if (S_ISLNK(entry.st_mode)) LogPrintf("%s is a symbolic link to nothing; it is left as it is", path.c_str());
      errno = error;
      return false;
    }
    if (S_ISDIR(target.st_mode)) {
      errno = EISDIR;
      return false;
    }
    FileHandle file(::open(path.c_str(), O_WRONLY | O_CLOEXEC));
    return file.IsOpen();
  }
  // O_EXCL: the probe removed is the one this check created.
  FileHandle file(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
  if (!file.IsOpen()) return false;
  file.Close();
  ::unlink(path.c_str());
  return true;
}

// CR LF -> LF across block boundaries; a lone CR passes unchanged.
class AsciiReceiveConverter {
 public:
  void Convert(const char* data, std::size_t length, std::string& out) {
    out.clear();
    for (std::size_t i = 0; i < length; ++i) {
      char c = data[i];
      if (heldCr_) {
        heldCr_ = false;
        if (c != '\n') out.push_back('\r');
      }
      if (c == '\r') {
        heldCr_ = true;
        continue;
      }
      out.push_back(c);
    }
  }
  // The CR at the very end of the data, if any.
  std::string Finish() { return heldCr_ ? std::string("\r") : std::string(); }

 private:
  bool heldCr_ = false;
};

// LF -> CR LF; a CR LF already there stays as it is.
class AsciiSendConverter {
 public:
  void Convert(const char* data, std::size_t length, std::string& out) {
    out.clear();
    for (std::size_t i = 0; i < length; ++i) {
      char c = data[i];
      if (c == '\n' && previous_ != '\r') out.push_back('\r');
      out.push_back(c);
      previous_ = c;
    }
  }

 private:
  char previous_ = '\0';
};

// As many whole blocks as `room` holds, gathered by one system call while
// data are waiting (no second system call on a busy connection); otherwise a
// wait for the next block.
ssize_t ReceiveBlocks(platform::BlockReceiver& receiver, char* buffer, std::size_t blockSize, std::size_t room,
                      int stallLimitMs) {
  // TLS records are decrypted into the whole room, as many as are there.
  ssize_t count = SocketHasTls(receiver.Socket()) ? ReceiveAvailable(receiver.Socket(), buffer, room)
                                                   : receiver.Receive(buffer, blockSize, room / blockSize);
  if (count >= 0 || platform::LastSocketError() != 10035) return count;
  return RecvWait(receiver.Socket(), buffer, blockSize, 0, stallLimitMs);
}

// After an ABOR the server answers the transfer and the ABOR: read what comes
// within a short wait, so the next command does not meet an old reply.
void DrainAbortReplies(int controlSocket) {
  while (HasPendingInput() ||
         WaitReadable(controlSocket, abortReplyWaitMs.load()) == 1) {
    if (ReadReply(controlSocket) == 0 || TheSession().LastReplyCode == 421) break;
    if (TheSession().LastReplyCode / 100 == 2) break;
  }
}

struct ReceiveDetails {
  std::int64_t bytes = 0;
  bool cleanEmpty = false;   // the server closed without sending anything
  bool writeAborted = false;
};
ReceiveDetails lastReceive;

// The Cancel presses counted when this thread's file transfer began; a data
// loop stops once another comes.
thread_local std::uint32_t cancelPressesAtStart = 0;
thread_local int transfersUnderway = 0;

class TransferUnderway {
 public:
  TransferUnderway() {
    if (transfersUnderway++ == 0) cancelPressesAtStart = TheSession().CancelPresses.load();
  }
  ~TransferUnderway() { --transfersUnderway; }
  TransferUnderway(const TransferUnderway&) = delete;
  TransferUnderway& operator=(const TransferUnderway&) = delete;
};

bool CancelPressedSinceStart() { return TheSession().CancelPresses.load() != cancelPressesAtStart; }

// The server took the transfer command, but the data connection never came:
// its final reply (425, 426) is still owed. It is read now, or it would be
// taken for the reply to the next command; the wait for it is bounded by the
// time-out timer, as the wait for the connection was (by a few seconds after
// the user's Cancel: a second at most, so Cancel still ends the wait at once
// for the user when the server owes nothing).
void ReadReplyOwedByFailedConnection(int controlSocket) {
  constexpr int OwedReplyAfterCancelMs = 1000;
  int ready = 1;
  if (!HasPendingInput()) {
    if (CancelPressedSinceStart()) {
      ready = WaitReadable(controlSocket, std::min(OwedReplyAfterCancelMs, abortReplyWaitMs.load()));
    } else {
      TimeoutTimerScope timer;
      ready = WaitReadable(controlSocket, -1);
    }
  }
  if (ready == 1)
    ReadReply(controlSocket);
  else
    LogMessage("[x] no reply came for the failed data connection");
}

// A data connection may be silent for the network time-out; 0 means no limit.
int StallLimitMs() {
  const std::uint32_t seconds = config::CurrentProfile().Timeout;
  return seconds == 0 ? -1 : static_cast<int>(std::min<std::uint32_t>(seconds, 86400)) * 1000;
}

}  // namespace

int& TransferResult() {
  static int result = TransferNothing;
  return result;
}

void SetAbortReplyWaitMs(int milliseconds) { abortReplyWaitMs = milliseconds; }

char AutoModeLetter(std::string_view name) { return config::IsAsciiName(name) ? 'A' : 'I'; }

std::string QuoteArgument(std::string_view command) {
  std::size_t wordEnd = command.find(' ');
  if (wordEnd == std::string_view::npos) wordEnd = command.size();
  std::size_t argument = command.find_first_not_of(' ', wordEnd);
  if (argument == std::string_view::npos) argument = command.size();
  return std::string(command.substr(0, argument)) + "'" + std::string(command.substr(argument)) + "'";
}

std::string JoinRemotePath(std::string_view directory, std::string_view name) {
  std::string path(directory);
  if (TheSession().HostType == engine::HostTypeNumber(engine::HostType::Tandem)) {
    path += '.';
  } else if (path.empty() || (path.back() != '/' && path.back() != '\\')) {
    path += directory.find('\\') != std::string_view::npos ? '\\' : '/';
  }
  return path + std::string(name);
}

int ReceiveToFile(int dataSocket, const std::string& localPath) {
  Session& session = TheSession();
  lastReceive = ReceiveDetails{};
  if (dataSocket == -1 || !session.LoggedOn) return TransferNothing;
  BusyScope busy;
  session.CancelRequested = false;
  OpenStatusDisplay(TransferDirection::Receive);
  const TransferClock::time_point start = TransferClock::now();
  ShowProgress(0, start, start, 0);

  const bool ascii = session.ServerTypeSent == 'A';
  AsciiReceiveConverter converter;
  const std::size_t blockSize = BlockSize(config::Settings().ReceiveBlockSize);
  std::vector<char> block(ascii ? blockSize : 0);  // binary blocks go straight into the gather buffer
  GatherBuffer gathered(blockSize);
  platform::BlockReceiver receiver(dataSocket);
  std::string converted;
  FileHandle file;
  bool fileFailed = false;
  int result = TransferNothing;
  std::int64_t total = 0;
  ssize_t count = 0;

  auto abortForWriteError = [&](int error) {
    NoteLocalFileFailure("write", localPath, error);
    static constexpr char abort[] = "ABOR\r\n";
    SendWait(session.ControlSocket, abort, sizeof abort - 1, SendTimeoutMs);
    session.CancelRequested = true;
    lastReceive.writeAborted = true;
    LogMessage("File error on WRITE! Aborted");
  };
  // The blocks gathered so far go to the file in one write.
  auto flush = [&]() {
    const bool written = file.IsOpen() && WriteAll(file.Fd(), gathered.Data(), gathered.Size());
    const int error = errno;
    gathered.Clear();
    if (!written) abortForWriteError(error);
    return written;
  };

  TransferUnderway underway;
  if (CancelPressedSinceStart()) session.CancelRequested = true;
  while (!session.CancelRequested) {
    if (!gathered.HasRoomFor(blockSize) && !flush()) {
      result = TransferNothing;
      break;
    }
    // ASCII blocks are converted on their way into the gather buffer.
    count = ascii ? ReceiveBlocks(receiver, block.data(), blockSize, blockSize, StallLimitMs())
                  : ReceiveBlocks(receiver, gathered.Tail(), blockSize, gathered.Room(), StallLimitMs());
    if (count <= 0) break;
    // The local file is truncated only once data arrive, so a refused or
    // dropped transfer leaves an existing file as it was.
    if (total == 0) {
      file = FileHandle(::open(localPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
      if (!file.IsOpen()) {
        const int error = errno;
        LogPrintf("failed to open file %s (%u)", localPath.c_str(), static_cast<unsigned>(error));
        NoteLocalFileFailure("create", localPath, error);
        fileFailed = true;
        abortForWriteError(error);
        result = TransferNothing;
        total += count;
        break;
      }
    }
    if (ascii) {
      converter.Convert(block.data(), static_cast<std::size_t>(count), converted);
      gathered.Append(converted.data(), converted.size());
    } else {
      gathered.Grow(static_cast<std::size_t>(count));
    }
    result = TransferComplete;
    total += count;
    ShowProgress(total, start, TransferClock::now(), Status().ExpectedSize);
    platform::RunBlockingHook();
    if (CancelPressedSinceStart()) session.CancelRequested = true;
  }
  if (ascii && file.IsOpen() && !session.CancelRequested) {
    std::string tail = converter.Finish();
    gathered.Append(tail.data(), tail.size());
  }
  if (gathered.Size() > 0 && !lastReceive.writeAborted && !flush()) result = TransferNothing;
  const TransferClock::time_point end = TransferClock::now();
  if (file.IsOpen() && !file.Close() && !lastReceive.writeAborted) {
    abortForWriteError(errno);  // the close reported a delayed write error
    result = TransferNothing;
  }
  lastReceive.bytes = total;

  if (count < 0) ReportSocketError("Receive error", platform::LastSocketError());
  if (total == 0) {
    lastReceive.cleanEmpty = count == 0 && !session.CancelRequested;
    ShowProgress(0, start, end, 0);
    CloseStatusDisplay();
    return TransferNothing;
  }
  if (count < 0) result = TransferIncomplete;
  LogTransferStats("Received", total, start, end, fileFailed || session.CancelRequested);
  if (session.CancelRequested) {
    LogMessage("You MAY have to press Cancel and/or Close this connection.");
    result = TransferIncomplete;
  }
  ShowProgress(0, start, end, 0);
  CloseStatusDisplay();
  return result;
}

int SendFromFile(int dataSocket, const std::string& localPath) {
  Session& session = TheSession();
  if (dataSocket == -1 || !session.LoggedOn) return TransferNothing;
  BusyScope busy;
  session.CancelRequested = false;
  const char* typeName = session.ServerTypeSent == 'A' ? "ASCII" : "BINARY";
  struct stat info {};
  std::int64_t fileSize = 0;
  if (::stat(localPath.c_str(), &info) == 0) {
    fileSize = static_cast<std::int64_t>(info.st_size);
    Status().StatusText = platform::FormatTruncated(StatusTextCapacity, "Sending %s file %s (%lld bytes)", typeName,
                                                    localPath.c_str(), static_cast<long long>(fileSize));
  } else {
    Status().StatusText =
        platform::FormatTruncated(StatusTextCapacity, "Sending %s file %s", typeName, localPath.c_str());
  }
  OpenStatusDisplay(TransferDirection::Send);
  TransferClock::time_point start = TransferClock::now();
  ShowProgress(0, start, start, 0);

  FileHandle file(::open(localPath.c_str(), O_RDONLY | O_CLOEXEC));
  if (!file.IsOpen()) {
    const int error = errno;
    NoteLocalFileFailure("read", localPath, error);
    std::string message =
        platform::FormatTruncated(255, "failed to open file %s (%u)", localPath.c_str(), static_cast<unsigned>(error));
    LogMessage(message);
    ErrorSound();
    if (config::BatchMode() && !config::Batch().QuietMode)
      platform::CurrentHost().ShowMessage(message, config::ProgramTitle);
    CloseStatusDisplay();
    return TransferNothing;
  }

  const bool ascii = session.ServerTypeSent == 'A';
  AsciiSendConverter converter;
  const std::size_t blockSize = BlockSize(config::Settings().SendBlockSize);
  std::vector<char> block(ascii ? blockSize : 0);  // binary blocks are read straight into the gather buffer
  GatherBuffer gathered(blockSize);
  std::string converted;
  std::int64_t total = 0;  // bytes sent
  std::int64_t readBytes = 0;  // bytes read and made ready to send
  bool readFailed = false;
  // The blocks read so far go out in one send; false when the send failed.
  auto flush = [&]() {
    const bool sent = gathered.Size() == 0 || SendRaw(dataSocket, gathered.Data(), gathered.Size()) != -1;
    if (sent) total += static_cast<std::int64_t>(gathered.Size());
    gathered.Clear();
    if (!sent) session.CancelRequested = true;
    return sent;
  };
  start = TransferClock::now();
  TransferUnderway underway;
  if (CancelPressedSinceStart()) session.CancelRequested = true;
  while (!session.CancelRequested) {
    if (!gathered.HasRoomFor(ascii ? 2 * blockSize : blockSize) && !flush()) break;
    char* into = ascii ? block.data() : gathered.Tail();
    ssize_t count = ::read(file.Fd(), into, blockSize);
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) {
      const int error = errno;
      NoteLocalFileFailure("read", localPath, error);
      LogPrintf("failed to read file %s (%u)", localPath.c_str(), static_cast<unsigned>(error));
      readFailed = true;
      break;
    }
    if (count == 0) break;
    std::size_t length = static_cast<std::size_t>(count);
    if (ascii) {
      converter.Convert(block.data(), length, converted);
      gathered.Append(converted.data(), converted.size());
      length = converted.size();
    } else {
      gathered.Grow(length);
    }
    readBytes += static_cast<std::int64_t>(length);
    ShowProgress(readBytes, start, TransferClock::now(), fileSize);
    platform::RunBlockingHook();
    if (CancelPressedSinceStart()) session.CancelRequested = true;
  }
  if (!session.CancelRequested && !readFailed) flush();
  const TransferClock::time_point end = TransferClock::now();
  file.Close();
  const bool failed = session.CancelRequested || readFailed;
  LogTransferStats("Transmitted", total, start, end, failed);
  ShowProgress(0, start, end, 0);
  CloseStatusDisplay();
  return failed ? TransferNothing : TransferComplete;
}

int ReceiveFile(int controlSocket, std::string_view command, const std::string& localPath, char letter) {
  Session& session = TheSession();
  session.LastReplyCode = 0;
  TransferResult() = TransferNothing;
  if (RefuseWhenBusy(controlSocket)) return 0;
  TransferUnderway underway;
  // Checked before anything goes to the server.
  if (!CanWriteLocalFile(localPath)) {
    NoteLocalFileFailure("create", localPath, errno);  // the check leaves the system's error
    LogPrintf("FAILED TO OPEN %s FOR WRITE!", localPath.c_str());
    return 0;
  }
  letter = SettleTransferType(controlSocket, letter, command);
  Status().ExpectedSize = 0;

  const bool passiveWanted = config::CurrentProfile().Passive != 0;
  DataConnectionMode mode = OpenDataConnection(controlSocket, passiveWanted);
  if (mode == DataConnectionMode::None) {
    CloseDataConnection();
    ErrorSound();
    return 0;
  }
  std::string sent(command);
  int replyClass = SendCommandText(controlSocket, sent);
  if (mode == DataConnectionMode::Active && session.LastReplyCode == 550 &&
      session.HostType == engine::HostTypeNumber(engine::HostType::IbmMvsKnet)) {
    sent = QuoteArgument(command);
    replyClass = SendCommandText(controlSocket, sent);
  }
  if (replyClass == 5 && LastEntry().Kind == LinkEntryKind) {
    TransferResult() = TransferLinkRefused;
    CloseDataConnection();
    return mode == DataConnectionMode::Passive ? 5 : 0;
  }
  if (replyClass != 1) {
    // Refused (or lost): no data will come, and no completion reply either.
    CloseDataConnection();
    ErrorSound();
    return 0;
  }
  Status().StatusText = session.ReplyLine;
  const std::int64_t announced = ExactSizeFromReplyText(session.ReplyLine);
  if (!AwaitDataConnection(mode)) {
    CloseDataConnection();
    ReadReplyOwedByFailedConnection(controlSocket);
    return 0;
  }
  TransferResult() = ReceiveToFile(session.DataSocket, localPath);
  const ReceiveDetails details = lastReceive;
  CloseDataConnection();
  if (mode == DataConnectionMode::Active)
    LogPrintf("[%u] looking for completion line", static_cast<unsigned>(controlSocket));
  replyClass = ReadReply(controlSocket);
  if (details.writeAborted) DrainAbortReplies(controlSocket);

  if (details.cleanEmpty) {
    // An empty file is a file: the server closed cleanly and reported success.
    if (replyClass == 2) {
      FileHandle empty(::open(localPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
      if (empty.IsOpen() && empty.Close()) {
        TransferResult() = TransferComplete;
        const TransferClock::time_point now = TransferClock::now();
        LogTransferStats("Received", 0, now, now, false);
      } else {
        NoteLocalFileFailure("create", localPath, errno);
        LogPrintf("FAILED TO OPEN %s FOR WRITE!", localPath.c_str());
      }
    }
    if (TransferResult() != TransferComplete) ErrorSound();
  }
  // A binary receive that ends before the announced byte count is broken,
  // whatever the server says (line ends make an ASCII size differ from the
  // wire's, and a size in kilobytes is rounded).
  if (TransferResult() == TransferComplete && letter != 'A' && announced > 0 && details.bytes < announced) {
    const std::string incomplete =
        platform::FormatTruncated(255, "Transfer incomplete: %lld of %lld bytes received",
                                  static_cast<long long>(details.bytes), static_cast<long long>(announced));
    LogMessage(incomplete);
    NoteFailureReason(incomplete);
    TransferResult() = TransferIncomplete;
  }
  if (replyClass == 2 && TransferResult() != TransferComplete) return 4;
  return replyClass;
}

int SendFile(int controlSocket, std::string_view command, const std::string& localPath, char letter) {
  Session& session = TheSession();
  session.LastReplyCode = 0;
  if (RefuseWhenBusy(controlSocket)) return 0;
  TransferUnderway underway;

  // A file that cannot be read is not announced to the server at all: an
  // empty upload would be reported as a success.
  {
    FileHandle probe(::open(localPath.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat info {};
    if (!probe.IsOpen() || ::fstat(probe.Fd(), &info) != 0 || S_ISDIR(info.st_mode)) {
      const int error = probe.IsOpen() ? EISDIR : errno;
      NoteLocalFileFailure("read", localPath, error);
      std::string message = platform::FormatTruncated(255, "failed to open file %s (%u)", localPath.c_str(),
                                                      static_cast<unsigned>(error));
      LogMessage(message);
      ErrorSound();
      if (config::BatchMode() && !config::Batch().QuietMode)
        platform::CurrentHost().ShowMessage(message, config::ProgramTitle);
      return 0;
    }
  }

  SettleTransferType(controlSocket, letter, localPath);
  std::string sent(command);
  const bool sendUnique = config::Settings().SendUnique != 0;
  if (sendUnique && sent.size() > 3 && sent[3] == 'R') sent[3] = 'U';

  DataConnectionMode mode = OpenDataConnection(controlSocket, config::CurrentProfile().Passive != 0);
  if (mode == DataConnectionMode::None) {
    CloseDataConnection();
    ErrorSound();
    return 0;
  }
  int replyClass = SendCommandText(controlSocket, sent);
  if (replyClass == 5 && session.LastReplyCode == 500 && sendUnique && sent.compare(0, 4, "STOU") == 0) {
    sent[3] = 'R';  // a server without STOU
    replyClass = SendCommandText(controlSocket, sent);
  }
  if (replyClass != 1) {
    CloseDataConnection();
    ErrorSound();
    return 0;
  }
  if (!AwaitDataConnection(mode)) {
    CloseDataConnection();
    ReadReplyOwedByFailedConnection(controlSocket);
    return 0;
  }
  const int loop = SendFromFile(session.DataSocket, localPath);
  CloseDataConnection();
  replyClass = ReadReply(controlSocket);
  if (replyClass == 2 && loop != TransferComplete) return 4;  // the server got only part of the file
  return replyClass;
}

}  // namespace korval::engine
