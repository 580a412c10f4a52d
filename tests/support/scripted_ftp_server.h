#pragma once
// An FTP server inside the test process, driven by a script. It listens on a
// loopback address and a port of the system's choice, serves one control
// connection at a time on its own thread, and records every command line it
// reads. It is made to send what real servers never send: odd greetings,
// replies split across writes, oversized lines, broken PASV replies, data
// connections that stall or close early.
//
// The script is an ordered list of steps, run one after the other:
//
//   using namespace std::chrono_literals;
//   korval::testing::ScriptedFtpServer server;           // 127.0.0.1, a free port
//   server.Send("220 Welcome\r\n")
//         .Expect("USER anna").Reply("331 Password required")
//         .Expect("PASS secret").Reply("230 Logged in")
//         .Expect("PASV").Passive()                       // listener + "227 ... (127,0,0,1,p1,p2)."
//         .Expect("LIST").Reply("150 Here it comes")
//         .SendData("-rw-r--r--   1 u g   5 Jan  1 10:00 a.txt\r\n")
//         .Reply("226 Done")
//         .Expect("QUIT").Reply("221 Bye").CloseControl();
//   server.Start();
//   ... connect the code under test to server.Address():server.Port() ...
//   EXPECT_TRUE(server.Verify());                         // script done, no failures
//   EXPECT_EQ(server.Transcript(), (std::vector<std::string>{"USER anna", "PASS secret", "PASV", "LIST", "QUIT"}));
//
// Besides the script there is a table of answers, used for every command the
// script has no step for (while the script waits at an Expect for another
// command, and after the script has run out), so the usual logon needs no
// steps at all:
//
//   server.UseDefaultReplies()                            // greeting, USER 331, PASS 230, SYST, PWD, PASV, ...
//         .Answer("SYST", "215 VMS system type.")
//         .ServeData("LIST", listing);                    // 150, the listing, 226
//
// FEAT, when neither the script nor the table has an answer for it, is
// answered "500 'FEAT': command not understood." (a server without the
// extensions) and is no failure; it stays in the transcript.
//
// A command that matches neither the waiting Expect nor the table is recorded
// as a failure and answered with "500 unexpected" (the defaults' catch-all
// 502 answers only after the script has run out). A mismatched Expect stays
// pending: the script does not move on until the expected command comes.
//
// Commands and failures are recorded before the server answers, so a client
// that has its reply finds its command in Transcript(). Connection counters
// change just after a close: wait for them with WaitForClientClose().
//
// Several control connections in a row are served: a step that needs the
// control connection when none is open waits for the client to connect. When
// the client closes the connection while an Expect waits, that is a failure
// and the rest of the script is dropped.
//
// Every wait of the server thread is cut short by the destructor, which stops
// the thread and joins it even when the client never connected or is
// blocked. Build the script and the table before Start(); the record
// accessors (Transcript(), Failures(), ...) may be called at any time from
// any thread.

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <initializer_list>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace korval::testing {

// The bytes the server sends over a data connection: a string, or bytes made
// on the fly (so a test can send GiBs without holding them).
class DataSource {
 public:
  using FillFunction = std::function<void(std::uint64_t offset, char* buffer, std::size_t count)>;

  DataSource() = default;
  DataSource(std::string bytes);  // NOLINT: a string is the common case
  DataSource(const char* bytes);  // NOLINT
  // `size` bytes of the PatternByte() sequence.
  static DataSource Pattern(std::uint64_t size);
  // `size` bytes made by `fill` (called for consecutive, increasing ranges).
  static DataSource Generated(std::uint64_t size, FillFunction fill);

  std::uint64_t Size() const { return size_; }
  void Fill(std::uint64_t offset, char* buffer, std::size_t count) const;

 private:
  std::shared_ptr<const std::string> bytes_;
  FillFunction fill_;
  std::uint64_t size_ = 0;
};

// The deterministic byte sequence of DataSource::Pattern: every position has
// its own value pattern, so shifted, lost or repeated blocks show.
char PatternByte(std::uint64_t offset);
std::string PatternBytes(std::uint64_t offset, std::size_t count);
// FNV-1a (64 bit) of bytes, and of the first `size` pattern bytes; the server
// computes it over every data transfer, stored bytes or not.
std::uint64_t Fnv1a64(std::string_view bytes, std::uint64_t hash = 14695981039346656037ull);
std::uint64_t PatternFnv1a64(std::uint64_t size);

// How the server answers PASV.
enum class PassivePort {
  Listening,  // a listener waits for the client's data connection
  Refusing,   // the announced port has no listener: the client's connect is refused
};

struct PassiveOptions {
  // Address of the listener (and of the reply); empty: the server's own.
  std::string address{};
  // The reply line; empty: "227 Entering Passive Mode (h1,h2,h3,h4,p1,p2)."
  // "{hostport}" in it is replaced by the six numbers of the listener,
  // "{port}" by its port in decimal (an EPSV reply: "229 Extended (|||{port}|)").
  std::string replyText{};
  PassivePort port = PassivePort::Listening;
};

// What a data step does once it has moved `stopAfterBytes` bytes.
enum class DataStop {
  Close,  // closes the connection (an early, orderly end)
  Stall,  // sends or reads nothing more and keeps the connection open (until CloseData)
  Reset,  // an abortive close (RST)
};

struct DataOptions {
  // The data connection is never made: a PASV listener is never accepted
  // from (the client's connect succeeds, nothing ever arrives), a PORT address
  // is never connected to (the client's accept waits).
  bool neverConnect = false;
  // Wait this long before accepting (PASV) or connecting (PORT).
  std::chrono::milliseconds delayBeforeConnect{0};
  // How long to wait for the client to connect to the PASV listener.
  std::chrono::milliseconds waitForClient{10000};
  // Move at most this many bytes, then do what `stop` says. The whole source
  // (or the whole upload) ends with an orderly close.
  std::uint64_t stopAfterBytes = std::numeric_limits<std::uint64_t>::max();
  DataStop stop = DataStop::Close;
  // Bytes per write, and a pause after each write (slow transfers).
  std::size_t chunkSize = 64 * 1024;
  std::chrono::milliseconds delayBetweenChunks{0};
  // Uploads: keep the received bytes (else only their count and hash).
  bool keepBytes = true;
};

// One data transfer as the server saw it.
struct DataTransfer {
  enum class Direction { ToClient, FromClient };
  Direction direction = Direction::ToClient;
  bool connected = false;      // a data connection was made
  std::uint64_t bytes = 0;     // bytes sent or received
  bool complete = false;       // the whole source went out / the client closed after its upload
  bool peerClosedEarly = false;  // the client closed or reset before the server was done
  std::uint64_t fnv1a = 14695981039346656037ull;  // Fnv1a64 of the bytes moved
  std::string received;        // FromClient with keepBytes
  std::string peer;            // "address:port" of the client's end
};

namespace detail {

// One step of a script or of a table answer.
struct ScriptAction {
  enum class Kind {
    Send,
    Expect,
    ExpectPrefix,
    Delay,
    Passive,
    AcceptPort,
    SendData,
    ReceiveData,
    TransferOut,  // preliminary reply, SendData, final reply; 425 without PASV/PORT
    TransferIn,   // the same with ReceiveData
    CloseData,
    CloseControl,
    SendThenClose,
    StopResponding,
    ExpectClientClose,
  };
  Kind kind = Kind::Send;
  std::string text;   // bytes, command, or preliminary reply
  std::string text2;  // final reply of a transfer
  std::size_t count = 0;
  std::chrono::milliseconds delay{0};
  PassiveOptions passive;
  DataSource data;
  DataOptions dataOptions;
};

// The step-building calls shared by ScriptedFtpServer (its script) and
// ScriptSteps (the steps of a table answer).
template <typename Derived>
class StepBuilder {
  using StepKind = ScriptAction::Kind;

 public:
  // Raw bytes in one write (a greeting, several replies, a line without LF,
  // NUL bytes: std::string("220 a\0b\r\n", 9)).
  Derived& Send(std::string bytes) { return Add(Step(StepKind::Send, std::move(bytes))); }
  // One reply line, CR LF appended.
  Derived& Reply(std::string_view line) { return Send(std::string(line) + "\r\n"); }
  // Several lines (a multi-line reply, or several replies) in one write.
  Derived& Reply(std::initializer_list<std::string_view> lines) {
    std::string bytes;
    for (std::string_view line : lines) bytes.append(line).append("\r\n");
    return Send(std::move(bytes));
  }
  // The next command line must be exactly `command` (CR LF stripped).
  Derived& Expect(std::string command) { return Add(Step(StepKind::Expect, std::move(command))); }
  // The next command line must begin with `prefix` ("STOR ", "PORT 127,0,0,1,").
  Derived& ExpectPrefix(std::string prefix) { return Add(Step(StepKind::ExpectPrefix, std::move(prefix))); }
  Derived& Delay(std::chrono::milliseconds duration) {
    ScriptAction step = Step(StepKind::Delay);
    step.delay = duration;
    return Add(std::move(step));
  }
  // Opens a data listener and sends the 227 reply (see PassiveOptions).
  Derived& Passive(PassiveOptions options = {}) {
    ScriptAction step = Step(StepKind::Passive);
    step.passive = std::move(options);
    return Add(std::move(step));
  }
  // Takes the address of the PORT command just read (only loopback addresses
  // are accepted) and sends `reply`; the server connects there for the next
  // data step.
  Derived& AcceptPort(std::string reply = "200 PORT command successful.") {
    return Add(Step(StepKind::AcceptPort, std::move(reply)));
  }
  // Makes the data connection (PASV or PORT, whichever came last) and sends
  // `data` over it, then closes it (unless `options` say otherwise).
  Derived& SendData(DataSource data, DataOptions options = {}) {
    return Add(DataStep(StepKind::SendData, std::move(data), options));
  }
  // Makes the data connection and reads until the client closes it; the bytes
  // appear in DataTransfers().
  Derived& ReceiveData(DataOptions options = {}) { return Add(DataStep(StepKind::ReceiveData, {}, options)); }
  // Closes a stalled data connection and any open PASV listener.
  Derived& CloseData() { return Add(Step(StepKind::CloseData)); }
  // Closes the control connection now.
  Derived& CloseControl() { return Add(Step(StepKind::CloseControl)); }
  // Sends the first `count` bytes of `bytes`, then closes the control connection.
  Derived& SendThenClose(std::string bytes, std::size_t count) {
    ScriptAction step = Step(StepKind::SendThenClose, std::move(bytes));
    step.count = count;
    return Add(std::move(step));
  }
  // Never reads or answers again on this connection; waits until the client
  // closes it (or the server stops).
  Derived& StopResponding() { return Add(Step(StepKind::StopResponding)); }
  // Waits until the client closes the control connection, answering what it
  // sends meanwhile from the table.
  Derived& ExpectClientClose() { return Add(Step(StepKind::ExpectClientClose)); }

  // A whole download or listing: `preliminary`, the data, `finalReply`
  // ("426 Connection closed; transfer aborted." when the client closed the
  // data connection early; nothing when the data connection stalled or was
  // never made). "425 Use PORT or PASV first." when no PASV or PORT came first.
  Derived& Transfer(DataSource data, DataOptions options = {},
                    std::string preliminary = "150 Opening data connection.",
                    std::string finalReply = "226 Transfer complete.") {
    ScriptAction step = DataStep(StepKind::TransferOut, std::move(data), options);
    step.text = std::move(preliminary);
    step.text2 = std::move(finalReply);
    return Add(std::move(step));
  }
  // The same for an upload the server takes.
  Derived& Upload(DataOptions options = {}, std::string preliminary = "150 Ok to send data.",
                  std::string finalReply = "226 Transfer complete.") {
    ScriptAction step = DataStep(StepKind::TransferIn, {}, options);
    step.text = std::move(preliminary);
    step.text2 = std::move(finalReply);
    return Add(std::move(step));
  }

 private:
  static ScriptAction Step(StepKind kind, std::string text = {}) {
    ScriptAction step;
    step.kind = kind;
    step.text = std::move(text);
    return step;
  }
  static ScriptAction DataStep(StepKind kind, DataSource data, const DataOptions& options) {
    ScriptAction step = Step(kind);
    step.data = std::move(data);
    step.dataOptions = options;
    return step;
  }
  Derived& Add(ScriptAction action) {
    auto& self = static_cast<Derived&>(*this);
    self.AddAction(std::move(action));
    return self;
  }
};

}  // namespace detail

// The steps of one table answer: ScriptSteps().Reply("150 Here").SendData(x).Reply("226 Done").
class ScriptSteps : public detail::StepBuilder<ScriptSteps> {
 public:
  void AddAction(detail::ScriptAction action) { actions_.push_back(std::move(action)); }
  const std::vector<detail::ScriptAction>& Actions() const { return actions_; }

 private:
  std::vector<detail::ScriptAction> actions_;
};

class ScriptedFtpServer : public detail::StepBuilder<ScriptedFtpServer> {
 public:
  // Listens on `address` (127.0.0.1, or another 127.0.0.x for a "third
  // host") and a free port. Check Listening() when the address is unusual.
  explicit ScriptedFtpServer(std::string address = "127.0.0.1");
  ~ScriptedFtpServer();
  ScriptedFtpServer(const ScriptedFtpServer&) = delete;
  ScriptedFtpServer& operator=(const ScriptedFtpServer&) = delete;

  // Starts the server thread. Calling it twice does nothing.
  void Start();
  // Stops the thread and closes every socket (the destructor does it too).
  void Stop();

  bool Listening() const { return listener_ >= 0; }
  const std::string& Address() const { return address_; }
  std::uint16_t Port() const { return port_; }

  // --- the table of answers ---
  // `command` with a blank ("CWD /pub") matches that exact line; without one
  // ("CWD") it matches the command word in any letter case. Exact lines win;
  // a later answer for the same key replaces the earlier one. A plain reply
  // to QUIT also closes the connection afterwards, as servers do.
  ScriptedFtpServer& Answer(std::string command, std::string replyLine);
  ScriptedFtpServer& Answer(std::string command, ScriptSteps steps);
  // `command` (usually "LIST", "NLST" or "RETR name") is answered by a
  // transfer of `data`: 150, the data, 226 (425 without PASV or PORT).
  ScriptedFtpServer& ServeData(std::string command, DataSource data, DataOptions options = {});
  // `command` ("STOR", "STOR name", "APPE") is answered by taking an upload.
  ScriptedFtpServer& CaptureUpload(std::string command, DataOptions options = {});
  // A greeting sent on every new control connection before the script's
  // steps for it (none by default: scripts usually send their own).
  ScriptedFtpServer& Greeting(std::string line);
  // Sensible answers for everything the table has no entry for: greeting
  // "220 Scripted FTP server ready.", USER 331, PASS 230, ACCT 202,
  // SYST "215 UNIX Type: L8", PWD/XPWD 257 "/", CWD/XCWD/CDUP/XCUP 250,
  // TYPE/MODE/STRU/ALLO/NOOP 200, REST 350, PASV a listener and 227, PORT 200,
  // LIST/NLST an empty listing, RETR 550, STOR/STOU/APPE an upload, DELE/RNTO/
  // MKD/RMD success, RNFR 350, SITE 200, HELP 214, QUIT 221 and close; other
  // commands 502 (not recorded as failures).
  ScriptedFtpServer& UseDefaultReplies();
  // The answer to a command nothing expects (default "500 unexpected").
  ScriptedFtpServer& UnexpectedReply(std::string line);

  // --- records (thread-safe, any time) ---
  // Every command line read, in order, CR LF stripped, all connections.
  std::vector<std::string> Transcript() const;
  // What went wrong: mismatched or unexpected commands, data connections that
  // could not be made, sends that failed, an unfinished script at Verify().
  std::vector<std::string> Failures() const;
  std::vector<DataTransfer> DataTransfers() const;
  int ConnectionsAccepted() const;
  // Control connections that ended (closed by the client or by the server).
  int ConnectionsClosed() const;
  // Control connections the client closed.
  int ClientCloses() const;
  // The steps not yet run.
  std::size_t RemainingSteps() const;

  // Bounded waits; true when the condition was reached in time.
  bool WaitForCommands(std::size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(5));
  // Until the client has closed `count` control connections in all.
  bool WaitForClientClose(std::chrono::milliseconds timeout = std::chrono::seconds(5), int count = 1);
  bool WaitForScriptDone(std::chrono::milliseconds timeout = std::chrono::seconds(5));
  bool WaitForDataTransfers(std::size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(5));

  // Success when the script ran to its end within `timeout` and nothing failed;
  // else the reasons. Use as EXPECT_TRUE(server.Verify()).
  ::testing::AssertionResult Verify(std::chrono::milliseconds timeout = std::chrono::seconds(5));

  // Called by the step builder.
  void AddAction(detail::ScriptAction action);

 private:
  struct TableEntry {
    std::string key;
    bool exactLine = false;
    std::vector<detail::ScriptAction> actions;
  };
  enum class WaitResult { Ready, TimedOut, Stopped, Failed };
  enum class DataOutcome { NotConnected, Finished, Stalled };

  void Run();
  static bool ActionNeedsControl(const detail::ScriptAction& action);
  // False when Stop() interrupted the action.
  bool RunAction(const detail::ScriptAction& action);
  bool RunExpect(const detail::ScriptAction& action);
  // Answers `line` from the table; false when it has no answer (then the
  // unexpected reply went out). The catch-all default applies only when
  // `includeCatchAll` (not while an Expect waits).
  bool HandleUnscripted(const std::string& line, bool includeCatchAll);
  std::optional<std::vector<detail::ScriptAction>> FindAnswer(const std::string& line, bool includeCatchAll) const;
  bool EnsureControl();
  std::optional<std::string> TakeLine();
  std::optional<std::string> ReadCommand();
  bool SendControl(std::string_view bytes);
  void CloseControlConnection(bool byClient);
  void OpenPassive(const PassiveOptions& options);
  void AcceptPortCommand(const std::string& reply);
  bool DataPrepared() const;
  int OpenDataConnection(const DataOptions& options, DataTransfer* record);
  DataOutcome SendDataStep(const DataSource& data, const DataOptions& options);
  DataOutcome ReceiveDataStep(const DataOptions& options);
  void FinishData(int fd, DataStop stop);
  // Closes or finishes the data connection as the step ended, records it.
  DataOutcome EndDataStep(int fd, DataTransfer record, bool interrupted, DataStop stop);
  void CloseDataSockets();
  WaitResult WaitFor(int fd, short events, std::chrono::milliseconds timeout);
  bool Sleep(std::chrono::milliseconds duration);
  void Fail(std::string message);
  void RecordCommand(std::string line);
  void RecordTransfer(DataTransfer transfer);

  std::string address_;
  std::uint16_t port_ = 0;
  int listener_ = -1;
  int wakeRead_ = -1;
  int wakeWrite_ = -1;
  std::thread thread_;

  // Owned by the server thread while it runs.
  int control_ = -1;
  std::string input_;
  std::string lastCommand_;
  int passiveListener_ = -1;
  std::optional<std::pair<std::string, std::uint16_t>> portTarget_;
  int stalledData_ = -1;
  bool stopping_ = false;  // set by the server thread when it sees Stop()'s wake-up

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<detail::ScriptAction> script_;
  bool actionRunning_ = false;
  std::string runningDescription_;
  std::vector<TableEntry> table_;
  std::vector<TableEntry> defaults_;
  std::string greeting_;
  std::string unexpectedReply_ = "500 unexpected";
  std::vector<std::string> transcript_;
  std::vector<std::string> failures_;
  std::vector<DataTransfer> transfers_;
  int accepted_ = 0;
  int closed_ = 0;
  int clientCloses_ = 0;
  bool started_ = false;
  bool stopRequested_ = false;
};

}  // namespace korval::testing
