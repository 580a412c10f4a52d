// The korval program against a server that misbehaves in ways real servers
// cannot be made to: the control connection dropped during a reply and during
// a transfer, a data connection never opened or closed early, a server that
// stops sending mid-file, an overlong reply line, a greeting that never ends;
// and against local trouble: a disk that fills, a file that vanishes while it
// is sent, a destination folder without write permission.
//
// Every case ends by itself (the run's time limit is a failure, not the way
// out), with an exit code and a message a script can act on, and leaves no
// file outside the destination it was given.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <set>
#include <sstream>
#include <thread>

#include "config/password_encoding.h"
#include "tests/support/program_run.h"
#include "tests/support/scripted_ftp_server.h"
#include "tests/support/temporary_directory.h"

namespace korval::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr std::uint64_t MiB = 1024 * 1024;

// What the program's working directory may hold besides the files a case names.
const std::set<std::string> OwnFiles = {"test.ini", "xferlog.txt", "config"};

class ProgramFaultTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(local_.CreateDirectory("config")); }

  // A server with the usual logon, for user anna.
  static void UsualLogon(ScriptedFtpServer& server) { server.UseDefaultReplies(); }
  // RETR of `path` is a file, not a directory (the batch receive tries CWD first).
  static void NotADirectory(ScriptedFtpServer& server, const std::string& path) {
    server.Answer("CWD " + path, "550 Not a directory.");
  }

  // Runs korval in the local directory with the profile "fault" aimed at
  // `server`, and `timeout` as its TIMEOUT; `prefix` goes in front of the
  // program (prlimit, setpriv).
  ProgramResult Korval(ScriptedFtpServer& server, std::vector<std::string> arguments, int timeout = 5,
                       std::vector<std::string> prefix = {}) {
    const std::string ini = "[_config_]\nBELL=0\n[fault]\nHOST=127.0.0.1\nPORT=" + std::to_string(server.Port()) +
                            "\nUID=anna\nPWD=" + config::EncodePassword("anna", "secret") +
                            "\nPASVMODE=1\nTIMEOUT=" + std::to_string(timeout) + "\n";
    EXPECT_TRUE(local_.WriteFile("test.ini", ini));
    ::chmod(local_.FilePath("test.ini").c_str(), 0644);
    arguments.insert(arguments.begin(), {"-i", local_.FilePath("test.ini").string(), "-p", "fault"});
    ProgramRun run{KorvalProgramPath(), arguments, local_.Path().string(),
                   {"HOME=" + local_.Path().string(), "XDG_CONFIG_HOME=" + local_.FilePath("config").string()}};
    if (!prefix.empty()) {
      run.arguments.insert(run.arguments.begin(), run.program);
      run.arguments.insert(run.arguments.begin(), prefix.begin() + 1, prefix.end());
      run.program = prefix.front();
    }
    run.limit = 60s;
    ProgramResult result = RunProgram(run);
    EXPECT_FALSE(result.timedOut) << "korval did not end by itself";
    return result;
  }

  std::string Log() { return local_.ReadFile("xferlog.txt").value_or(""); }
  bool Logged(const std::string& line) { return ("\n" + Log()).find("\n" + line + "\n") != std::string::npos; }

  // Every name in the local directory (recursively), less the program's own.
  std::set<std::string> LocalFiles() {
    std::set<std::string> names;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(local_.Path())) {
      std::string name = fs::relative(entry.path(), local_.Path()).string();
      if (!OwnFiles.count(name) && name.rfind("config/", 0) != 0) names.insert(name);
    }
    return names;
  }

  TemporaryDirectory local_;
};

struct DroppedReplyCase {
  const char* name;
  void (*script)(ScriptedFtpServer&);
  const char* message;             // on standard error
  std::set<std::string> files;     // what the local directory holds afterwards
};

TEST_F(ProgramFaultTest, ControlConnectionDroppedDuringAReply) {
  const DroppedReplyCase cases[] = {
      {"in the greeting",
       [](ScriptedFtpServer& server) { server.SendThenClose("220 Welcome to the", 18); },
       "Connect failed to 127.0.0.1", {}},
      {"in the multi-line reply to PASS",
       [](ScriptedFtpServer& server) {
         UsualLogon(server);
         server.Answer("PASS", ScriptSteps().SendThenClose("230-Welcome\r\n230-Please note", 26));
       },
       "Connect failed to 127.0.0.1", {}},
      {"in the completion reply of a receive",
       [](ScriptedFtpServer& server) {
         UsualLogon(server);
         NotADirectory(server, "/f.bin");
         server.Answer("RETR /f.bin", ScriptSteps()
                                          .Reply("150 Opening BINARY mode data connection for /f.bin (10 bytes).")
                                          .SendData("0123456789")
                                          .SendThenClose("226 Transfer comp", 17));
       },
       "Transfer failed for /f.bin from 127.0.0.1", {"got.bin"}},
  };
  for (const DroppedReplyCase& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedFtpServer server;
    c.script(server);
    server.Start();
    ProgramResult result = Korval(server, {"fault:/f.bin", "local:got.bin"});
    EXPECT_EQ(result.exitCode, 1) << result.err;
    EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
    EXPECT_EQ(LocalFiles(), c.files);
    fs::remove(local_.FilePath("got.bin"));
  }
}

TEST_F(ProgramFaultTest, ControlConnectionDroppedDuringATransfer) {
  ASSERT_TRUE(local_.WriteFile("up.bin", PatternBytes(0, 8 * MiB)));
  DataOptions stall;
  stall.stopAfterBytes = 64 * 1024;
  stall.stop = DataStop::Stall;
  {
    SCOPED_TRACE("receive");
    ScriptedFtpServer server;
    UsualLogon(server);
    NotADirectory(server, "/big.bin");
    server.Answer("RETR /big.bin", ScriptSteps()
                                       .Reply("150 Opening data connection.")
                                       .SendData(DataSource::Pattern(8 * MiB), stall)
                                       .CloseControl()
                                       .Delay(300ms)
                                       .CloseData());
    server.Start();
    ProgramResult result = Korval(server, {"fault:/big.bin", "local:got.bin"});
    EXPECT_EQ(result.exitCode, 1) << result.err;
    EXPECT_NE(result.err.find("Transfer failed for /big.bin from 127.0.0.1"), std::string::npos) << result.err;
    // What arrived stays in the destination, and nothing else is written.
    EXPECT_EQ(local_.ReadFile("got.bin"), PatternBytes(0, 64 * 1024));
    EXPECT_EQ(LocalFiles(), (std::set<std::string>{"got.bin", "up.bin"}));
  }
  {
    SCOPED_TRACE("send");
    ScriptedFtpServer server;
    UsualLogon(server);
    server.Answer("STOR /up.bin", ScriptSteps()
                                      .Reply("150 Ok to send data.")
                                      .ReceiveData(stall)
                                      .CloseControl()
                                      .Delay(300ms)
                                      .CloseData());
    server.Start();
    ProgramResult result = Korval(server, {"local:up.bin", "fault:/up.bin"});
    EXPECT_EQ(result.exitCode, 1) << result.err;
    EXPECT_NE(result.err.find("Transfer failed for /up.bin from 127.0.0.1"), std::string::npos) << result.err;
    EXPECT_EQ(local_.ReadFile("up.bin"), PatternBytes(0, 8 * MiB));  // the source is untouched
  }
}

TEST_F(ProgramFaultTest, DataConnectionNeverOpenedOrClosedEarly) {
  {
    SCOPED_TRACE("never opened: the server takes the connection but never serves it");
    ScriptedFtpServer server;
    UsualLogon(server);
    NotADirectory(server, "/f.bin");
    DataOptions never;
    never.neverConnect = true;
    server.Answer("RETR /f.bin", ScriptSteps()
                                     .Reply("150 Opening data connection.")
                                     .SendData(DataSource::Pattern(1000), never)
                                     .Reply("426 Data connection timed out."));
    server.Start();
    ProgramResult result = Korval(server, {"fault:/f.bin", "local:got.bin"}, 1);
    EXPECT_EQ(result.exitCode, 1) << result.err;
    EXPECT_TRUE(Logged("Receive error: Blocking call cancelled")) << Log();
    EXPECT_NE(result.err.find("Transfer failed for /f.bin from 127.0.0.1"), std::string::npos) << result.err;
    EXPECT_EQ(LocalFiles(), std::set<std::string>{});  // no empty file for a receive that never began
  }
  {
    SCOPED_TRACE("closed early, the server still reporting success");
    ScriptedFtpServer server;
    UsualLogon(server);
    NotADirectory(server, "/f.bin");
    DataOptions early;
    early.stopAfterBytes = 30000;
    server.Answer("RETR /f.bin", ScriptSteps()
                                     .Reply("150 Opening BINARY mode data connection for /f.bin (100000 bytes).")
                                     .SendData(DataSource::Pattern(100000), early)
                                     .Reply("226 Transfer complete."));
    server.Start();
    ProgramResult result = Korval(server, {"fault:/f.bin", "local:got.bin"});
    EXPECT_EQ(result.exitCode, 1) << result.err;
    EXPECT_TRUE(Logged("Transfer incomplete: 30000 of 100000 bytes received")) << Log();
    EXPECT_EQ(LocalFiles(), std::set<std::string>{"got.bin"});
  }
}

TEST_F(ProgramFaultTest, ServerThatStopsSendingMidFileEndsByTheTimeout) {
  ScriptedFtpServer server;
  UsualLogon(server);
  NotADirectory(server, "/slow.bin");
  DataOptions stall;
  stall.stopAfterBytes = 20000;
  stall.stop = DataStop::Stall;
  // The data connection stays open and silent; only the client's time-out
  // (TIMEOUT=1) can end the receive before the server's 426 comes.
  server.Answer("RETR /slow.bin", ScriptSteps()
                                      .Reply("150 Opening data connection.")
                                      .SendData(DataSource::Pattern(MiB), stall)
                                      .Delay(2500ms)
                                      .Reply("426 Connection timed out; transfer aborted.")
                                      .CloseData());
  server.Start();
  ProgramResult result = Korval(server, {"fault:/slow.bin", "local:got.bin"}, 1);
  EXPECT_EQ(result.exitCode, 1) << result.err;
  EXPECT_TRUE(Logged("Receive error: Blocking call cancelled")) << Log();
  EXPECT_TRUE(Logged("426 Connection timed out; transfer aborted.")) << Log();
  EXPECT_NE(result.err.find("Transfer failed for /slow.bin from 127.0.0.1"), std::string::npos) << result.err;
  EXPECT_EQ(local_.ReadFile("got.bin"), PatternBytes(0, 20000));
}

TEST_F(ProgramFaultTest, ReplyLineOfOneMegabyteWithoutALineEnd) {
  ScriptedFtpServer server;
  UsualLogon(server);
  const std::string line(1000000, 'x');
  server.Answer("PASS", ScriptSteps().SendThenClose(line, line.size()));
  server.Start();
  ProgramResult result = Korval(server, {"fault:/f.bin", "local:got.bin"});
  EXPECT_EQ(result.exitCode, 1) << result.err;
  EXPECT_NE(result.err.find("Connect failed to 127.0.0.1"), std::string::npos) << result.err;
  // The line is read in bounded pieces; no reply line is kept longer than its buffer.
  std::istringstream log(Log());
  std::size_t pieces = 0;
  for (std::string logged; std::getline(log, logged);) {
    EXPECT_LE(logged.size(), 2047u);
    if (!logged.empty() && logged.front() == 'x') ++pieces;
  }
  EXPECT_GT(pieces, 1000u);
  EXPECT_EQ(LocalFiles(), std::set<std::string>{});
}

TEST_F(ProgramFaultTest, GreetingThatNeverEndsIsGivenUp) {
  const struct {
    const char* name;
    const char* line;
  } cases[] = {
      {"a multi-line greeting without its last line", "220-Still warming up, please wait.\r\n"},
      {"preliminary greetings without end", "120 Service ready in a moment.\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedFtpServer server;
    // Far more than any server sends for a greeting; the server then waits
    // for ever without a word, so only the client's limit ends the logon.
    std::string flood;
    while (flood.size() < 6 * MiB) flood += c.line;
    server.Send(flood).StopResponding();
    server.Start();
    ProgramResult result = Korval(server, {"fault:/f.bin", "local:got.bin"});
    EXPECT_EQ(result.exitCode, 1) << result.err;
    EXPECT_TRUE(Logged("reply too long: over 1048576 bytes without an end, connection given up")) << c.name;
    EXPECT_NE(result.err.find("Connect failed to 127.0.0.1"), std::string::npos) << result.err;
    EXPECT_EQ(LocalFiles(), std::set<std::string>{});
    EXPECT_TRUE(server.Transcript().empty());  // no command went to such a server
  }
}

TEST_F(ProgramFaultTest, DiskThatFillsDuringAReceive) {
  ScriptedFtpServer server;
  UsualLogon(server);
  NotADirectory(server, "/big.bin");
  server.Answer("RETR /big.bin", ScriptSteps()
                                     .Reply("150 Opening data connection.")
                                     .SendData(DataSource::Pattern(4 * MiB))
                                     .Reply("426 Connection closed; transfer aborted."));
  server.Answer("ABOR", "226 ABOR command successful.");
  server.Start();
  // A file-size limit of 256 KiB stands for the full disk.
  ProgramResult result =
      Korval(server, {"fault:/big.bin", "local:got.bin"}, 5, {"/usr/bin/prlimit", "--fsize=262144"});
  EXPECT_EQ(result.exitCode, 1) << result.err;
  EXPECT_TRUE(Logged("File error on WRITE! Aborted")) << Log();
  EXPECT_NE(result.err.find("Transfer failed for /big.bin from 127.0.0.1"), std::string::npos) << result.err;
  const std::vector<std::string> transcript = server.Transcript();
  EXPECT_NE(std::find(transcript.begin(), transcript.end(), "ABOR"), transcript.end());
  EXPECT_LE(fs::file_size(local_.FilePath("got.bin")), 262144u);
  EXPECT_EQ(LocalFiles(), std::set<std::string>{"got.bin"});
}

// True once some process holds `path` open (it is read from /proc, where
// processes vanish while they are read: every step takes an error code, as
// the throwing forms would end the test).
bool OpenedByAnyProcess(const fs::path& path, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  const fs::path target = fs::canonical(path);
  const fs::directory_iterator end;
  while (std::chrono::steady_clock::now() < deadline) {
    std::error_code error;
    for (fs::directory_iterator process("/proc", error); !error && process != end; process.increment(error)) {
      const std::string pid = process->path().filename().string();
      if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
      std::error_code fdError;
      for (fs::directory_iterator fd(process->path() / "fd", fdError); !fdError && fd != end; fd.increment(fdError)) {
        std::error_code linkError;
        if (fs::read_symlink(fd->path(), linkError) == target) return true;
      }
    }
    std::this_thread::sleep_for(10ms);
  }
  return false;
}

TEST_F(ProgramFaultTest, LocalFileThatVanishesDuringASendIsSentWhole) {
  const std::string content = PatternBytes(0, 8 * MiB);
  ASSERT_TRUE(local_.WriteFile("up.bin", content));
  ScriptedFtpServer server;
  UsualLogon(server);
  DataOptions slow;
  slow.chunkSize = 64 * 1024;
  slow.delayBetweenChunks = 15ms;  // about two seconds for the whole file
  slow.keepBytes = false;
  server.Answer("STOR /up.bin", ScriptSteps().Reply("150 Ok to send data.").ReceiveData(slow).Reply("226 Done."));
  server.Start();
  std::thread remover([&] {
    // Once korval reads the file for the upload (after STOR: the check that
    // it can be read comes before), it is removed under its feet.
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    auto storSent = [&] {
      const std::vector<std::string> commands = server.Transcript();
      return std::find(commands.begin(), commands.end(), "STOR /up.bin") != commands.end();
    };
    while (!storSent() && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(5ms);
    if (OpenedByAnyProcess(local_.FilePath("up.bin"), 30s)) fs::remove(local_.FilePath("up.bin"));
  });
  ProgramResult result = Korval(server, {"local:up.bin", "fault:/up.bin"});
  remover.join();
  EXPECT_FALSE(fs::exists(local_.FilePath("up.bin")));
  // The open file is read to its end: the server has every byte it held.
  EXPECT_EQ(result.exitCode, 0) << result.err;
  ASSERT_EQ(server.DataTransfers().size(), 1u);
  EXPECT_EQ(server.DataTransfers()[0].bytes, content.size());
  EXPECT_EQ(server.DataTransfers()[0].fnv1a, Fnv1a64(content));
  EXPECT_EQ(LocalFiles(), std::set<std::string>{});
}

TEST_F(ProgramFaultTest, DestinationFolderWithoutWritePermission) {
  ScriptedFtpServer server;
  UsualLogon(server);
  NotADirectory(server, "/f.bin");
  server.ServeData("RETR /f.bin", "data");
  server.Start();
  ASSERT_TRUE(local_.CreateDirectory("locked"));
  ::chmod(local_.FilePath("locked").c_str(), 0555);
  // Root may write anywhere: the program then runs as nobody, in a working
  // directory it may write its log into.
  std::vector<std::string> prefix;
  if (::geteuid() == 0) {
    prefix = {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "--"};
    ::chmod(local_.Path().c_str(), 0777);
  }
  const std::string target = local_.FilePath("locked/got.bin").string();
  ProgramResult result = Korval(server, {"fault:/f.bin", "local:" + target}, 5, prefix);
  ::chmod(local_.FilePath("locked").c_str(), 0755);
  EXPECT_EQ(result.exitCode, 1) << result.err;
  EXPECT_TRUE(Logged("FAILED TO OPEN " + target + " FOR WRITE!")) << Log();
  EXPECT_NE(result.err.find("Transfer failed for /f.bin from 127.0.0.1"), std::string::npos) << result.err;
  const std::vector<std::string> transcript = server.Transcript();
  EXPECT_EQ(std::find(transcript.begin(), transcript.end(), "RETR /f.bin"), transcript.end());
  EXPECT_EQ(LocalFiles(), std::set<std::string>{"locked"});
}

}  // namespace
}  // namespace korval::testing
