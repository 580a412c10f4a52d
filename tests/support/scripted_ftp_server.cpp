#include "tests/support/scripted_ftp_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

namespace korval::testing {

namespace {

using Action = detail::ScriptAction;
using Kind = detail::ScriptAction::Kind;
using Clock = std::chrono::steady_clock;

constexpr std::size_t MaxCommandLine = 64 * 1024;

std::string ToUpper(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return upper;
}

std::string CommandWord(std::string_view line) { return ToUpper(line.substr(0, line.find(' '))); }

// Bytes as a readable C-like literal for failure messages, cut at 120 characters.
std::string Printable(std::string_view bytes) {
  std::string out;
  for (unsigned char c : bytes) {
    if (out.size() > 120) {
      out += "...";
      break;
    }
    if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\\') {
      out += "\\\\";
    } else if (c < 0x20 || c >= 0x7f) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02x", c);
      out += hex;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

std::string Describe(const Action& action) {
  switch (action.kind) {
    case Kind::Send: return "Send(\"" + Printable(action.text) + "\")";
    case Kind::Expect: return "Expect(\"" + Printable(action.text) + "\")";
    case Kind::ExpectPrefix: return "ExpectPrefix(\"" + Printable(action.text) + "\")";
    case Kind::Delay: return "Delay(" + std::to_string(action.delay.count()) + " ms)";
    case Kind::Passive: return "Passive()";
    case Kind::AcceptPort: return "AcceptPort()";
    case Kind::SendData: return "SendData(" + std::to_string(action.data.Size()) + " bytes)";
    case Kind::ReceiveData: return "ReceiveData()";
    case Kind::TransferOut: return "Transfer(" + std::to_string(action.data.Size()) + " bytes)";
    case Kind::TransferIn: return "Upload()";
    case Kind::CloseData: return "CloseData()";
    case Kind::CloseControl: return "CloseControl()";
    case Kind::SendThenClose: return "SendThenClose(" + std::to_string(action.count) + " bytes)";
    case Kind::StopResponding: return "StopResponding()";
    case Kind::ExpectClientClose: return "ExpectClientClose()";
  }
  return "?";
}

std::string AddressText(const sockaddr_in& address) {
  char text[INET_ADDRSTRLEN] = "";
  ::inet_ntop(AF_INET, &address.sin_addr, text, sizeof text);
  return std::string(text) + ":" + std::to_string(ntohs(address.sin_port));
}

bool MakeAddress(const std::string& host, std::uint16_t port, sockaddr_in* out) {
  std::memset(out, 0, sizeof *out);
  out->sin_family = AF_INET;
  out->sin_port = htons(port);
  return ::inet_pton(AF_INET, host.c_str(), &out->sin_addr) == 1;
}

void CloseFd(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

void ResetAndClose(int fd) {
  linger hard{1, 0};
  ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
  ::close(fd);
}

}  // namespace

// ---------------------------------------------------------------- DataSource

DataSource::DataSource(std::string bytes)
    : bytes_(std::make_shared<const std::string>(std::move(bytes))), size_(bytes_->size()) {}

DataSource::DataSource(const char* bytes) : DataSource(std::string(bytes)) {}

DataSource DataSource::Pattern(std::uint64_t size) {
  return Generated(size, [](std::uint64_t offset, char* buffer, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) buffer[i] = PatternByte(offset + i);
  });
}

DataSource DataSource::Generated(std::uint64_t size, FillFunction fill) {
  DataSource source;
  source.fill_ = std::move(fill);
  source.size_ = size;
  return source;
}

void DataSource::Fill(std::uint64_t offset, char* buffer, std::size_t count) const {
  if (fill_) {
    fill_(offset, buffer, count);
  } else if (bytes_) {
    std::memcpy(buffer, bytes_->data() + offset, count);
  }
}

char PatternByte(std::uint64_t offset) {
  // A multiplicative hash: no short period, so misplaced blocks differ.
  return static_cast<char>(((offset + 1) * 0x9E3779B97F4A7C15ull) >> 56);
}

std::string PatternBytes(std::uint64_t offset, std::size_t count) {
  std::string bytes(count, '\0');
  for (std::size_t i = 0; i < count; ++i) bytes[i] = PatternByte(offset + i);
  return bytes;
}

std::uint64_t Fnv1a64(std::string_view bytes, std::uint64_t hash) {
  for (unsigned char c : bytes) {
    hash ^= c;
    hash *= 1099511628211ull;
  }
  return hash;
}

std::uint64_t PatternFnv1a64(std::uint64_t size) {
  std::uint64_t hash = Fnv1a64({});
  std::string chunk;
  for (std::uint64_t offset = 0; offset < size; offset += chunk.size()) {
    chunk = PatternBytes(offset, static_cast<std::size_t>(std::min<std::uint64_t>(size - offset, 1 << 16)));
    hash = Fnv1a64(chunk, hash);
  }
  return hash;
}

// ---------------------------------------------------------- construction

ScriptedFtpServer::ScriptedFtpServer(std::string address) : address_(std::move(address)) {
  int pipeEnds[2];
  if (::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0) {
    Fail(std::string("pipe: ") + std::strerror(errno));
    return;
  }
  wakeRead_ = pipeEnds[0];
  wakeWrite_ = pipeEnds[1];

  sockaddr_in local;
  if (!MakeAddress(address_, 0, &local)) {
    Fail("not an IPv4 address: " + address_);
    return;
  }
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 || ::listen(fd, 4) != 0) {
    Fail("cannot listen on " + address_ + ": " + std::strerror(errno));
    if (fd >= 0) ::close(fd);
    return;
  }
  socklen_t length = sizeof local;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length);
  port_ = ntohs(local.sin_port);
  listener_ = fd;
}

ScriptedFtpServer::~ScriptedFtpServer() { Stop(); }

void ScriptedFtpServer::Start() {
  std::lock_guard lock(mutex_);
  if (started_ || stopRequested_ || listener_ < 0) return;
  started_ = true;
  thread_ = std::thread([this] { Run(); });
}

void ScriptedFtpServer::Stop() {
  {
    std::lock_guard lock(mutex_);
    stopRequested_ = true;
  }
  if (wakeWrite_ >= 0) {
    [[maybe_unused]] ssize_t ignored = ::write(wakeWrite_, "x", 1);
  }
  if (thread_.joinable()) thread_.join();
  CloseDataSockets();
  CloseFd(control_);
  CloseFd(listener_);
  CloseFd(wakeRead_);
  CloseFd(wakeWrite_);
}

void ScriptedFtpServer::AddAction(detail::ScriptAction action) {
  std::lock_guard lock(mutex_);
  script_.push_back(std::move(action));
}

// ------------------------------------------------------------------ table

ScriptedFtpServer& ScriptedFtpServer::Answer(std::string command, std::string replyLine) {
  ScriptSteps steps;
  steps.Reply(replyLine);
  if (CommandWord(command) == "QUIT") steps.CloseControl();
  return Answer(std::move(command), std::move(steps));
}

ScriptedFtpServer& ScriptedFtpServer::Answer(std::string command, ScriptSteps steps) {
  TableEntry entry;
  entry.exactLine = command.find(' ') != std::string::npos;
  entry.key = entry.exactLine ? command : ToUpper(command);
  entry.actions = steps.Actions();
  std::lock_guard lock(mutex_);
  auto same = std::find_if(table_.begin(), table_.end(), [&](const TableEntry& existing) {
    return existing.exactLine == entry.exactLine && existing.key == entry.key;
  });
  if (same != table_.end()) {
    *same = std::move(entry);
  } else {
    table_.push_back(std::move(entry));
  }
  return *this;
}

ScriptedFtpServer& ScriptedFtpServer::ServeData(std::string command, DataSource data, DataOptions options) {
  return Answer(std::move(command), ScriptSteps().Transfer(std::move(data), options));
}

ScriptedFtpServer& ScriptedFtpServer::CaptureUpload(std::string command, DataOptions options) {
  return Answer(std::move(command), ScriptSteps().Upload(options));
}

ScriptedFtpServer& ScriptedFtpServer::Greeting(std::string line) {
  std::lock_guard lock(mutex_);
  greeting_ = std::move(line);
  return *this;
}

ScriptedFtpServer& ScriptedFtpServer::UnexpectedReply(std::string line) {
  std::lock_guard lock(mutex_);
  unexpectedReply_ = std::move(line);
  return *this;
}

ScriptedFtpServer& ScriptedFtpServer::UseDefaultReplies() {
  std::vector<TableEntry> defaults;
  auto add = [&defaults](std::initializer_list<const char*> words, const ScriptSteps& steps) {
    for (const char* word : words) defaults.push_back({word, false, steps.Actions()});
  };
  add({"USER"}, ScriptSteps().Reply("331 Password required."));
  add({"PASS"}, ScriptSteps().Reply("230 Logged in."));
  add({"ACCT"}, ScriptSteps().Reply("202 Account not needed."));
  add({"SYST"}, ScriptSteps().Reply("215 UNIX Type: L8"));
  add({"PWD", "XPWD"}, ScriptSteps().Reply("257 \"/\" is the current directory."));
  add({"CWD", "XCWD", "CDUP", "XCUP"}, ScriptSteps().Reply("250 Directory changed."));
  add({"TYPE"}, ScriptSteps().Reply("200 Type set."));
  add({"MODE", "STRU", "ALLO", "NOOP"}, ScriptSteps().Reply("200 Command okay."));
  add({"REST"}, ScriptSteps().Reply("350 Restart position accepted."));
  add({"PASV"}, ScriptSteps().Passive());
  add({"PORT"}, ScriptSteps().AcceptPort());
  add({"LIST", "NLST"}, ScriptSteps().Transfer(std::string()));
  add({"RETR", "SIZE", "MDTM"}, ScriptSteps().Reply("550 No such file."));
  add({"STOR", "STOU", "APPE"}, ScriptSteps().Upload());
  add({"DELE", "RMD", "XRMD"}, ScriptSteps().Reply("250 Done."));
  add({"MKD", "XMKD"}, ScriptSteps().Reply("257 Directory created."));
  add({"RNFR"}, ScriptSteps().Reply("350 Ready for RNTO."));
  add({"RNTO"}, ScriptSteps().Reply("250 Renamed."));
  add({"SITE"}, ScriptSteps().Reply("200 SITE command okay."));
  add({"ABOR"}, ScriptSteps().Reply("226 ABOR command successful."));
  add({"HELP"}, ScriptSteps().Reply({"214-The following commands are recognized.",
                                     " ABOR ACCT ALLO APPE CDUP CWD DELE HELP LIST MKD MODE NLST NOOP PASS",
                                     " PASV PORT PWD QUIT REST RETR RMD RNFR RNTO SITE STOR STOU STRU SYST",
                                     " TYPE USER XCUP XCWD XMKD XPWD XRMD", "214 Help OK."}));
  add({"QUIT"}, ScriptSteps().Reply("221 Goodbye.").CloseControl());
  add({"*"}, ScriptSteps().Reply("502 Command not implemented."));
  std::lock_guard lock(mutex_);
  defaults_ = std::move(defaults);
  if (greeting_.empty()) greeting_ = "220 Scripted FTP server ready.";
  return *this;
}

std::optional<std::vector<Action>> ScriptedFtpServer::FindAnswer(const std::string& line,
                                                                 bool includeCatchAll) const {
  const std::string word = CommandWord(line);
  std::lock_guard lock(mutex_);
  for (const std::vector<TableEntry>* entries : {&table_, &defaults_}) {
    for (const TableEntry& entry : *entries) {
      if (entry.exactLine && entry.key == line) return entry.actions;
    }
    for (const TableEntry& entry : *entries) {
      if (!entry.exactLine && entry.key == word) return entry.actions;
    }
  }
  // Unless a test says otherwise, a server of before the extensions: FEAT is
  // unknown to it, also while an Expect waits for the command after the logon.
  if (word == "FEAT") return ScriptSteps().Reply("500 'FEAT': command not understood.").Actions();
  if (includeCatchAll) {
    for (const TableEntry& entry : defaults_) {
      if (entry.key == "*") return entry.actions;
    }
  }
  return std::nullopt;
}

// ---------------------------------------------------------------- records

std::vector<std::string> ScriptedFtpServer::Transcript() const {
  std::lock_guard lock(mutex_);
  return transcript_;
}

std::vector<std::string> ScriptedFtpServer::Failures() const {
  std::lock_guard lock(mutex_);
  return failures_;
}

std::vector<DataTransfer> ScriptedFtpServer::DataTransfers() const {
  std::lock_guard lock(mutex_);
  return transfers_;
}

int ScriptedFtpServer::ConnectionsAccepted() const {
  std::lock_guard lock(mutex_);
  return accepted_;
}

int ScriptedFtpServer::ConnectionsClosed() const {
  std::lock_guard lock(mutex_);
  return closed_;
}

int ScriptedFtpServer::ClientCloses() const {
  std::lock_guard lock(mutex_);
  return clientCloses_;
}

std::size_t ScriptedFtpServer::RemainingSteps() const {
  std::lock_guard lock(mutex_);
  return script_.size() + (actionRunning_ ? 1 : 0);
}

bool ScriptedFtpServer::WaitForCommands(std::size_t count, std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, timeout, [&] { return transcript_.size() >= count; });
}

bool ScriptedFtpServer::WaitForClientClose(std::chrono::milliseconds timeout, int count) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, timeout, [&] { return clientCloses_ >= count; });
}

bool ScriptedFtpServer::WaitForScriptDone(std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, timeout, [&] { return script_.empty() && !actionRunning_; });
}

bool ScriptedFtpServer::WaitForDataTransfers(std::size_t count, std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, timeout, [&] { return transfers_.size() >= count; });
}

::testing::AssertionResult ScriptedFtpServer::Verify(std::chrono::milliseconds timeout) {
  WaitForScriptDone(timeout);
  std::lock_guard lock(mutex_);
  std::string problems;
  for (const std::string& failure : failures_) problems += "\n  " + failure;
  const std::size_t left = script_.size() + (actionRunning_ ? 1 : 0);
  if (left > 0) {
    problems += "\n  the script did not finish: " + std::to_string(left) + " step(s) left";
    if (actionRunning_ && !runningDescription_.empty()) {
      problems += ", waiting in " + runningDescription_;
    } else if (!script_.empty()) {
      problems += ", next " + Describe(script_.front());
    }
  }
  if (problems.empty()) return ::testing::AssertionSuccess();
  std::string transcript;
  for (const std::string& line : transcript_) transcript += "\n    " + Printable(line);
  return ::testing::AssertionFailure() << "scripted FTP server:" << problems << "\n  transcript:"
                                       << (transcript.empty() ? " (none)" : transcript);
}

void ScriptedFtpServer::Fail(std::string message) {
  {
    std::lock_guard lock(mutex_);
    failures_.push_back(std::move(message));
  }
  changed_.notify_all();
}

void ScriptedFtpServer::RecordCommand(std::string line) {
  {
    std::lock_guard lock(mutex_);
    transcript_.push_back(std::move(line));
  }
  changed_.notify_all();
}

void ScriptedFtpServer::RecordTransfer(DataTransfer transfer) {
  {
    std::lock_guard lock(mutex_);
    transfers_.push_back(std::move(transfer));
  }
  changed_.notify_all();
}

// ------------------------------------------------------------- the thread

void ScriptedFtpServer::Run() {
  while (!stopping_) {
    std::optional<Action> next;
    {
      std::lock_guard lock(mutex_);
      if (!script_.empty()) {
        next = std::move(script_.front());
        script_.pop_front();
        actionRunning_ = true;
        runningDescription_ = Describe(*next);
      }
    }
    if (next) {
      const bool done = (!ActionNeedsControl(*next) || EnsureControl()) && RunAction(*next);
      {
        std::lock_guard lock(mutex_);
        actionRunning_ = false;
        runningDescription_.clear();
        if (!done) script_.push_front(std::move(*next));  // interrupted by Stop(): still to do
      }
      changed_.notify_all();
      continue;
    }
    if (!EnsureControl()) break;
    if (std::optional<std::string> line = ReadCommand()) HandleUnscripted(*line, true);
  }
}

bool ScriptedFtpServer::ActionNeedsControl(const Action& action) {
  switch (action.kind) {
    case Kind::Delay:
    case Kind::SendData:
    case Kind::ReceiveData:
    case Kind::CloseData:
    case Kind::CloseControl:
      return false;
    default:
      return true;
  }
}

bool ScriptedFtpServer::RunAction(const Action& action) {
  switch (action.kind) {
    case Kind::Send:
      SendControl(action.text);
      break;
    case Kind::Expect:
    case Kind::ExpectPrefix:
      return RunExpect(action);
    case Kind::Delay:
      return Sleep(action.delay);
    case Kind::Passive:
      OpenPassive(action.passive);
      break;
    case Kind::AcceptPort:
      AcceptPortCommand(action.text);
      break;
    case Kind::SendData:
      SendDataStep(action.data, action.dataOptions);
      break;
    case Kind::ReceiveData:
      ReceiveDataStep(action.dataOptions);
      break;
    case Kind::TransferOut:
    case Kind::TransferIn: {
      if (!DataPrepared()) {
        SendControl("425 Use PORT or PASV first.\r\n");
        break;
      }
      SendControl(action.text + "\r\n");
      const DataOutcome outcome = action.kind == Kind::TransferOut
                                      ? SendDataStep(action.data, action.dataOptions)
                                      : ReceiveDataStep(action.dataOptions);
      if (outcome == DataOutcome::Finished && control_ >= 0) {
        bool aborted;  // the client closed the data connection before the end
        {
          std::lock_guard lock(mutex_);
          aborted = !transfers_.empty() && transfers_.back().peerClosedEarly;
        }
        SendControl(aborted ? std::string("426 Connection closed; transfer aborted.\r\n") : action.text2 + "\r\n");
      }
      break;
    }
    case Kind::CloseData:
      CloseDataSockets();
      break;
    case Kind::CloseControl:
      if (control_ >= 0) CloseControlConnection(false);
      break;
    case Kind::SendThenClose:
      SendControl(std::string_view(action.text).substr(0, std::min(action.count, action.text.size())));
      if (control_ >= 0) CloseControlConnection(false);
      break;
    case Kind::StopResponding:
      for (;;) {
        const WaitResult result = WaitFor(control_, POLLRDHUP, std::chrono::milliseconds(-1));
        if (result == WaitResult::Stopped) return false;
        if (result == WaitResult::Ready) {
          CloseControlConnection(true);
          break;
        }
      }
      break;
    case Kind::ExpectClientClose:
      while (control_ >= 0) {
        std::optional<std::string> line = ReadCommand();
        if (!line) {
          if (stopping_) return false;
          break;
        }
        HandleUnscripted(*line, true);
      }
      break;
  }
  return !stopping_;
}

bool ScriptedFtpServer::RunExpect(const Action& action) {
  for (;;) {
    std::optional<std::string> line = ReadCommand();
    if (!line) {
      if (stopping_) return false;
      std::size_t dropped;
      {
        std::lock_guard lock(mutex_);
        dropped = script_.size();
        script_.clear();
      }
      Fail("the control connection closed while the script waited in " + Describe(action) + " (" +
           std::to_string(dropped) + " later step(s) dropped)");
      return true;
    }
    const bool matches = action.kind == Kind::Expect ? *line == action.text : line->starts_with(action.text);
    if (matches) return true;
    if (FindAnswer(*line, false)) {
      HandleUnscripted(*line, false);
      continue;
    }
    // Recorded before the reply goes out, so a client that has the reply sees
    // the failure too. The step stays: the script goes on only when the
    // expected command comes.
    Fail("got \"" + Printable(*line) + "\" while the script waited in " + Describe(action));
    HandleUnscripted(*line, false);
  }
}

bool ScriptedFtpServer::HandleUnscripted(const std::string& line, bool includeCatchAll) {
  std::optional<std::vector<Action>> actions = FindAnswer(line, includeCatchAll);
  if (!actions) {
    if (includeCatchAll) Fail("unexpected command \"" + Printable(line) + "\"");
    std::string reply;
    {
      std::lock_guard lock(mutex_);
      reply = unexpectedReply_;
    }
    SendControl(reply + "\r\n");
    return false;
  }
  for (const Action& action : *actions) {
    if (ActionNeedsControl(action) && control_ < 0) break;
    if (!RunAction(action)) break;
  }
  return true;
}

// ------------------------------------------------------------ control I/O

ScriptedFtpServer::WaitResult ScriptedFtpServer::WaitFor(int fd, short events, std::chrono::milliseconds timeout) {
  if (stopping_) return WaitResult::Stopped;
  const auto deadline = Clock::now() + timeout;
  for (;;) {
    int timeoutMs = -1;
    if (timeout.count() >= 0) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      timeoutMs = left < 0 ? 0 : static_cast<int>(left);
    }
    pollfd entries[2] = {{wakeRead_, POLLIN, 0}, {fd, events, 0}};
    const int result = ::poll(entries, fd >= 0 ? 2 : 1, timeoutMs);
    if (result < 0) {
      if (errno == EINTR) continue;
      return WaitResult::Failed;
    }
    if (entries[0].revents != 0) {
      stopping_ = true;
      return WaitResult::Stopped;
    }
    if (result == 0) return WaitResult::TimedOut;
    if (fd >= 0 && entries[1].revents != 0) return WaitResult::Ready;
  }
}

bool ScriptedFtpServer::Sleep(std::chrono::milliseconds duration) {
  return WaitFor(-1, 0, duration) != WaitResult::Stopped;
}

bool ScriptedFtpServer::EnsureControl() {
  while (control_ < 0) {
    if (WaitFor(listener_, POLLIN, std::chrono::milliseconds(-1)) != WaitResult::Ready) {
      if (stopping_) return false;
      continue;
    }
    sockaddr_in peer;
    socklen_t length = sizeof peer;
    int fd = ::accept4(listener_, reinterpret_cast<sockaddr*>(&peer), &length, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0) continue;
    int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    control_ = fd;
    input_.clear();
    std::string greeting;
    {
      std::lock_guard lock(mutex_);
      ++accepted_;
      greeting = greeting_;
    }
    changed_.notify_all();
    if (!greeting.empty()) SendControl(greeting + "\r\n");
  }
  return true;
}

std::optional<std::string> ScriptedFtpServer::TakeLine() {
  std::size_t end = input_.find('\n');
  if (end == std::string::npos) {
    if (input_.size() < MaxCommandLine) return std::nullopt;
    end = input_.size();
  }
  std::string line = input_.substr(0, end);
  input_.erase(0, std::min(end + 1, input_.size()));
  if (!line.empty() && line.back() == '\r') line.pop_back();
  lastCommand_ = line;
  RecordCommand(line);
  return line;
}

std::optional<std::string> ScriptedFtpServer::ReadCommand() {
  for (;;) {
    if (std::optional<std::string> line = TakeLine()) return line;
    if (control_ < 0) return std::nullopt;
    const WaitResult result = WaitFor(control_, POLLIN, std::chrono::milliseconds(-1));
    if (result == WaitResult::Stopped) return std::nullopt;
    char buffer[4096];
    const ssize_t got = ::recv(control_, buffer, sizeof buffer, 0);
    if (got > 0) {
      input_.append(buffer, static_cast<std::size_t>(got));
    } else if (got == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
      CloseControlConnection(true);
      return std::nullopt;
    }
  }
}

bool ScriptedFtpServer::SendControl(std::string_view bytes) {
  if (control_ < 0) {
    Fail("no control connection to send \"" + Printable(bytes) + "\" on");
    return false;
  }
  while (!bytes.empty()) {
    const ssize_t sent = ::send(control_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (sent >= 0) {
      bytes.remove_prefix(static_cast<std::size_t>(sent));
      continue;
    }
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) {
      if (WaitFor(control_, POLLOUT, std::chrono::milliseconds(-1)) == WaitResult::Stopped) return false;
      continue;
    }
    Fail(std::string("sending on the control connection failed: ") + std::strerror(errno));
    CloseControlConnection(true);
    return false;
  }
  return true;
}

void ScriptedFtpServer::CloseControlConnection(bool byClient) {
  if (control_ < 0) return;
  if (!byClient) {
    // Read what the client already sent, so the close is a FIN and not a
    // reset that could destroy our last reply in the client's buffer.
    ::shutdown(control_, SHUT_WR);
    char buffer[4096];
    ssize_t got;
    while ((got = ::recv(control_, buffer, sizeof buffer, 0)) > 0) input_.append(buffer, static_cast<std::size_t>(got));
    while (input_.find('\n') != std::string::npos) TakeLine();
  }
  CloseFd(control_);
  input_.clear();
  {
    std::lock_guard lock(mutex_);
    ++closed_;
    if (byClient) ++clientCloses_;
  }
  changed_.notify_all();
}

// --------------------------------------------------------------- data

void ScriptedFtpServer::OpenPassive(const PassiveOptions& options) {
  CloseFd(passiveListener_);
  portTarget_.reset();
  const std::string host = options.address.empty() ? address_ : options.address;
  sockaddr_in local;
  if (!MakeAddress(host, 0, &local)) {
    Fail("PASV: not an IPv4 address: " + host);
    SendControl("421 Bad passive address in the test script.\r\n");
    return;
  }
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
      (options.port == PassivePort::Listening && ::listen(fd, 1) != 0)) {
    Fail("PASV: cannot listen on " + host + ": " + std::strerror(errno));
    if (fd >= 0) ::close(fd);
    SendControl("421 Cannot open a passive listener.\r\n");
    return;
  }
  socklen_t length = sizeof local;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length);
  const std::uint32_t addressBits = ntohl(local.sin_addr.s_addr);
  const std::uint16_t port = ntohs(local.sin_port);
  char hostPort[40];
  std::snprintf(hostPort, sizeof hostPort, "%u,%u,%u,%u,%u,%u", addressBits >> 24, (addressBits >> 16) & 0xff,
                (addressBits >> 8) & 0xff, addressBits & 0xff, port >> 8, port & 0xff);
  if (options.port == PassivePort::Listening) {
    passiveListener_ = fd;
  } else {
    ::close(fd);  // nobody listens there now: the client's connect is refused
  }
  std::string reply = options.replyText;
  if (reply.empty()) {
    reply = std::string("227 Entering Passive Mode (") + hostPort + ").";
  } else {
    for (std::size_t at; (at = reply.find("{hostport}")) != std::string::npos;) reply.replace(at, 10, hostPort);
    const std::string portText = std::to_string(port);
    for (std::size_t at; (at = reply.find("{port}")) != std::string::npos;) reply.replace(at, 6, portText);
  }
  SendControl(reply + "\r\n");
}

void ScriptedFtpServer::AcceptPortCommand(const std::string& reply) {
  CloseFd(passiveListener_);
  portTarget_.reset();
  unsigned h1, h2, h3, h4, p1, p2;
  char extra;
  const std::string argument = lastCommand_.size() > 5 ? lastCommand_.substr(5) : std::string();
  if (CommandWord(lastCommand_) != "PORT" ||
      std::sscanf(argument.c_str(), "%u,%u,%u,%u,%u,%u%c", &h1, &h2, &h3, &h4, &p1, &p2, &extra) != 6 ||
      std::max({h1, h2, h3, h4, p1, p2}) > 255) {
    Fail("AcceptPort: not a valid PORT command: \"" + Printable(lastCommand_) + "\"");
    SendControl("501 Syntax error in PORT.\r\n");
    return;
  }
  if (h1 != 127) {
    Fail("AcceptPort: \"" + lastCommand_ + "\" names an address outside loopback; not connecting there");
    SendControl("500 Illegal PORT command.\r\n");
    return;
  }
  portTarget_.emplace(std::to_string(h1) + "." + std::to_string(h2) + "." + std::to_string(h3) + "." +
                          std::to_string(h4),
                      static_cast<std::uint16_t>(p1 * 256 + p2));
  SendControl(reply + "\r\n");
}

bool ScriptedFtpServer::DataPrepared() const { return passiveListener_ >= 0 || portTarget_.has_value(); }

int ScriptedFtpServer::OpenDataConnection(const DataOptions& options, DataTransfer* record) {
  if (options.neverConnect) {
    portTarget_.reset();  // the PASV listener stays, never accepted from
    return -1;
  }
  if (options.delayBeforeConnect.count() > 0 && !Sleep(options.delayBeforeConnect)) return -1;
  int fd = -1;
  sockaddr_in peer{};
  if (passiveListener_ >= 0) {
    const WaitResult result = WaitFor(passiveListener_, POLLIN, options.waitForClient);
    if (result == WaitResult::Stopped) return -1;
    if (result != WaitResult::Ready) {
      Fail("the client did not connect to the passive port within " +
           std::to_string(options.waitForClient.count()) + " ms");
      CloseFd(passiveListener_);
      return -1;
    }
    socklen_t length = sizeof peer;
    fd = ::accept4(passiveListener_, reinterpret_cast<sockaddr*>(&peer), &length, SOCK_CLOEXEC | SOCK_NONBLOCK);
    CloseFd(passiveListener_);  // one connection per PASV, as servers do
    if (fd < 0) {
      Fail(std::string("accepting the data connection failed: ") + std::strerror(errno));
      return -1;
    }
  } else if (portTarget_) {
    const auto [host, port] = *portTarget_;
    portTarget_.reset();
    MakeAddress(host, port, &peer);
    fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    int error = 0;
    if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&peer), sizeof peer) != 0) {
      error = errno;
      if (error == EINPROGRESS) {
        const WaitResult result = WaitFor(fd, POLLOUT, options.waitForClient);
        if (result == WaitResult::Stopped) {
          ::close(fd);
          return -1;
        }
        socklen_t length = sizeof error;
        if (result != WaitResult::Ready || ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) {
          error = ETIMEDOUT;
        }
      }
    }
    if (fd < 0 || error != 0) {
      Fail("connecting to the PORT address " + AddressText(peer) + " failed: " + std::strerror(error ? error : errno));
      if (fd >= 0) ::close(fd);
      return -1;
    }
  } else {
    Fail("a data transfer without PASV or PORT before it");
    return -1;
  }
  record->connected = true;
  record->peer = AddressText(peer);
  return fd;
}

ScriptedFtpServer::DataOutcome ScriptedFtpServer::SendDataStep(const DataSource& data, const DataOptions& options) {
  DataTransfer record;
  record.direction = DataTransfer::Direction::ToClient;
  const int fd = OpenDataConnection(options, &record);
  if (fd < 0) {
    RecordTransfer(std::move(record));
    return DataOutcome::NotConnected;
  }
  const std::uint64_t limit = std::min(data.Size(), options.stopAfterBytes);
  std::string chunk;
  std::uint64_t sent = 0;
  bool interrupted = false;
  while (sent < limit && !interrupted) {
    chunk.resize(static_cast<std::size_t>(std::min<std::uint64_t>(std::max<std::size_t>(options.chunkSize, 1),
                                                                  limit - sent)));
    data.Fill(sent, chunk.data(), chunk.size());
    std::string_view rest(chunk);
    while (!rest.empty()) {
      const ssize_t written = ::send(fd, rest.data(), rest.size(), MSG_NOSIGNAL);
      if (written > 0) {
        record.fnv1a = Fnv1a64(rest.substr(0, static_cast<std::size_t>(written)), record.fnv1a);
        sent += static_cast<std::uint64_t>(written);
        rest.remove_prefix(static_cast<std::size_t>(written));
      } else if (written < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
        if (WaitFor(fd, POLLOUT, std::chrono::milliseconds(-1)) == WaitResult::Stopped) {
          interrupted = true;
          break;
        }
      } else {
        record.peerClosedEarly = true;
        interrupted = true;
        break;
      }
    }
    if (!interrupted && options.delayBetweenChunks.count() > 0 && !Sleep(options.delayBetweenChunks)) {
      interrupted = true;
    }
  }
  record.bytes = sent;
  record.complete = sent == data.Size() && !interrupted;
  return EndDataStep(fd, std::move(record), interrupted, options.stop);
}

ScriptedFtpServer::DataOutcome ScriptedFtpServer::ReceiveDataStep(const DataOptions& options) {
  DataTransfer record;
  record.direction = DataTransfer::Direction::FromClient;
  const int fd = OpenDataConnection(options, &record);
  if (fd < 0) {
    RecordTransfer(std::move(record));
    return DataOutcome::NotConnected;
  }
  std::vector<char> buffer(std::max<std::size_t>(options.chunkSize, 1));
  bool interrupted = false;
  while (!record.complete && !interrupted && record.bytes < options.stopAfterBytes) {
    if (WaitFor(fd, POLLIN, std::chrono::milliseconds(-1)) == WaitResult::Stopped) {
      interrupted = true;
      break;
    }
    const std::size_t want = static_cast<std::size_t>(
        std::min<std::uint64_t>(buffer.size(), options.stopAfterBytes - record.bytes));
    const ssize_t got = ::recv(fd, buffer.data(), want, 0);
    if (got > 0) {
      const std::string_view bytes(buffer.data(), static_cast<std::size_t>(got));
      record.fnv1a = Fnv1a64(bytes, record.fnv1a);
      if (options.keepBytes) record.received.append(bytes);
      record.bytes += static_cast<std::uint64_t>(got);
      if (options.delayBetweenChunks.count() > 0 && !Sleep(options.delayBetweenChunks)) interrupted = true;
    } else if (got == 0) {
      record.complete = true;
    } else if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
      record.peerClosedEarly = true;
      interrupted = true;
    }
  }
  return EndDataStep(fd, std::move(record), interrupted, options.stop);
}

ScriptedFtpServer::DataOutcome ScriptedFtpServer::EndDataStep(int fd, DataTransfer record, bool interrupted,
                                                              DataStop stop) {
  const bool stall = !record.complete && !interrupted && stop == DataStop::Stall;
  if (record.complete || interrupted) {
    ::close(fd);
  } else {
    FinishData(fd, stop);
  }
  RecordTransfer(std::move(record));
  if (stopping_) return DataOutcome::NotConnected;
  return stall ? DataOutcome::Stalled : DataOutcome::Finished;
}

void ScriptedFtpServer::FinishData(int fd, DataStop stop) {
  switch (stop) {
    case DataStop::Close:
      ::close(fd);
      break;
    case DataStop::Stall:
      CloseFd(stalledData_);
      stalledData_ = fd;
      break;
    case DataStop::Reset:
      ResetAndClose(fd);
      break;
  }
}

void ScriptedFtpServer::CloseDataSockets() {
  CloseFd(passiveListener_);
  CloseFd(stalledData_);
  portTarget_.reset();
}

}  // namespace korval::testing
