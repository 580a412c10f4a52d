// Transfers against a server that misbehaves: short and broken data
// connections, a PORT that is never answered, odd 150 lines, a full disk, a
// file that vanished, and the fallbacks (quoted MVS names, STOU refused).

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <memory>

#include "config/program_settings.h"
#include "config/session_profile.h"
#include "engine/command_engine.h"
#include "engine/file_transfer.h"
#include "engine/last_entry.h"
#include "engine/session.h"
#include "engine/socket_layer.h"
#include "engine/timeout_timer.h"
#include "engine/transfer_status.h"
#include "tests/support/logged_on_session.h"
#include "tests/support/scripted_ftp_server.h"
#include "tests/support/scripted_host.h"
#include "tests/support/temporary_directory.h"

namespace korval::engine {
namespace {

using testing::DataOptions;
using testing::DataSource;
using testing::DataStop;
using testing::ScriptSteps;

class TransferFaultTest : public ::testing::Test {
 protected:
  void SetUp() override {
    server_.UseDefaultReplies();
    config::Settings().Verbose = 1;
  }
  // Logs on (passive or active) once the table is complete.
  void LogOn(bool passive = true) {
    server_.Start();
    session_ = std::make_unique<testing::LoggedOnSession>(
        testing::LogonTarget{server_.Address(), server_.Port(), "anna", "secret", passive});
    ASSERT_TRUE(session_->Ok());
  }
  int Socket() const { return session_->Socket(); }
  bool Logged(const std::string& line) {
    for (const std::string& l : host_.LogWindowLines())
      if (l == line) return true;
    return false;
  }
  bool Sent(const std::string& command) {
    for (const std::string& c : server_.Transcript())
      if (c == command) return true;
    return false;
  }
  std::string Local(std::string_view name) { return local_.FilePath(name).string(); }

  testing::EngineState state_;
  testing::ScriptedHost host_;
  testing::ScopedHost installed_{host_};
  testing::TemporaryDirectory local_;
  testing::ScriptedFtpServer server_;
  std::unique_ptr<testing::LoggedOnSession> session_;
};

TEST_F(TransferFaultTest, BinaryReceiveShorterThanAnnouncedIsIncomplete) {
  DataOptions early;
  early.stopAfterBytes = 600;
  server_.Answer("RETR short.bin", ScriptSteps()
                                       .Reply("150 Opening BINARY mode data connection for short.bin (1000 bytes).")
                                       .SendData(DataSource::Pattern(1000), early)
                                       .Reply("226 Transfer complete."));
  server_.Answer("RETR short.txt", ScriptSteps()
                                       .Reply("150 Opening ASCII mode data connection for short.txt (1000 bytes).")
                                       .SendData("line\r\n")
                                       .Reply("226 Transfer complete."));
  LogOn();
  EXPECT_EQ(ReceiveFile(Socket(), "RETR short.bin", Local("short.bin"), 'I'), 4);
  EXPECT_EQ(TransferResult(), TransferIncomplete);
  EXPECT_TRUE(Logged("Transfer incomplete: 600 of 1000 bytes received"));
  // ASCII sizes differ on the wire: not checked.
  EXPECT_EQ(ReceiveFile(Socket(), "RETR short.txt", Local("short.txt"), 'A'), 2);
  EXPECT_EQ(TransferResult(), TransferComplete);
}

TEST_F(TransferFaultTest, ResetDataConnectionIsAReceiveError) {
  DataOptions reset;
  reset.stopAfterBytes = 3000;
  reset.stop = DataStop::Reset;
  server_.Answer("RETR r.bin",
                 ScriptSteps().Reply("150 Opening").SendData(DataSource::Pattern(100000), reset).Reply("426 Broken"));
  LogOn();
  EXPECT_NE(ReceiveFile(Socket(), "RETR r.bin", Local("r.bin"), 'I'), 2);
  EXPECT_EQ(TransferResult(), TransferIncomplete);
  EXPECT_TRUE(Logged("Receive error: connection reset"));
  EXPECT_EQ(SendCommand(Socket(), "NOOP"), 2);
}

TEST_F(TransferFaultTest, StalledDataEndsAtTheNetworkTimeout) {
  DataOptions stall;
  stall.stopAfterBytes = 5000;
  stall.stop = DataStop::Stall;
  server_.Answer("RETR slow.bin", ScriptSteps().Reply("150 Opening").SendData(DataSource::Pattern(100000), stall));
  LogOn();
  config::CurrentProfile().Timeout = 1;
  SetReplyReadTimeoutMs(300);
  EXPECT_NE(ReceiveFile(Socket(), "RETR slow.bin", Local("slow.bin"), 'I'), 2);
  EXPECT_EQ(TransferResult(), TransferIncomplete);
  EXPECT_TRUE(Logged("Receive error: Blocking call cancelled"));
}

TEST_F(TransferFaultTest, PortThatIsNeverConnectedEndsByTheTimer) {
  server_.Answer("RETR never.bin", ScriptSteps().Reply("150 Opening data connection."));
  LogOn(false);
  config::CurrentProfile().Timeout = 10;  // two ticks
  SetTimeoutTickMs(50);
  SetReplyReadTimeoutMs(300);
  EXPECT_EQ(ReceiveFile(Socket(), "RETR never.bin", Local("never.bin"), 'I'), 0);
  EXPECT_TRUE(Logged("Timer cancelled blocking call"));
  EXPECT_EQ(TheSession().ListenSocket, -1);
  EXPECT_FALSE(std::filesystem::exists(Local("never.bin")));
}

// The server's late answer to a transfer whose data connection never came
// belongs to that transfer: the next command gets its own reply.
TEST_F(TransferFaultTest, LateReplyToAFailedDataConnectionIsReadBeforeTheNextCommand) {
  DataOptions never;
  never.neverConnect = true;
  for (const char* command : {"RETR late.bin", "STOR late.bin"}) {
    server_.Answer(command, ScriptSteps()
                                .Reply("150 Opening data connection.")
                                .SendData("x", never)
                                .Delay(std::chrono::milliseconds(300))
                                .Reply("425 Can't open data connection."));
  }
  server_.Answer("PWD", "257 \"/late\" is the current directory");
  local_.WriteFile("up.bin", "data");
  LogOn(false);
  config::CurrentProfile().Timeout = 65;  // 13 ticks of 50 ms for the accept, and as long for the reply
  SetTimeoutTickMs(50);
  EXPECT_EQ(ReceiveFile(Socket(), "RETR late.bin", Local("late.bin"), 'I'), 0);
  EXPECT_EQ(TheSession().LastReplyCode, 425);
  EXPECT_EQ(SendCommand(Socket(), "PWD"), 2);
  EXPECT_EQ(TheSession().ReplyLine, "257 \"/late\" is the current directory");
  EXPECT_EQ(SendFile(Socket(), "STOR late.bin", Local("up.bin"), 'I'), 0);
  EXPECT_EQ(TheSession().LastReplyCode, 425);
  EXPECT_EQ(SendCommand(Socket(), "PWD"), 2);
  EXPECT_EQ(TheSession().LastReplyCode, 257);
}

// A server that never answers at all holds the client only for TIMEOUT.
TEST_F(TransferFaultTest, MissingReplyToAFailedDataConnectionIsWaitedForOnlyUntilTheTimeout) {
  DataOptions never;
  never.neverConnect = true;
  server_.Answer("RETR mute.bin", ScriptSteps().Reply("150 Opening data connection.").SendData("x", never));
  LogOn(false);
  config::CurrentProfile().Timeout = 1;
  SetTimeoutTickMs(50);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(ReceiveFile(Socket(), "RETR mute.bin", Local("mute.bin"), 'I'), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_TRUE(Logged("[x] no reply came for the failed data connection"));
}

// "(12k bytes)" is a rounded size: a complete file of 12,000 bytes is no
// short one, while an exact count still shows a short file.
TEST_F(TransferFaultTest, RoundedSizeIsNoProofOfAShortFile) {
  const std::pair<const char*, const char*> files[] = {
      {"RETR r1.bin", "150 Opening BINARY mode data connection for r1.bin (12k bytes)."},
      {"RETR r2.bin", "150 Opening BINARY mode data connection for r2.bin (12k)."},
  };
  for (auto [command, line] : files)
    server_.Answer(command, ScriptSteps().Reply(line).SendData(DataSource::Pattern(12000)).Reply("226 Done"));
  LogOn();
  for (auto [command, line] : files) {
    EXPECT_EQ(ReceiveFile(Socket(), command, Local("r.bin"), 'I'), 2) << line;
    EXPECT_EQ(TransferResult(), TransferComplete) << line;
    EXPECT_EQ(local_.ReadFile("r.bin"), testing::PatternBytes(0, 12000)) << line;
  }
}

// A symbolic link at the destination is the user's: one to nothing is
// reported and left alone (nothing appears where it points), one to a file
// is written through and stays a link.
TEST_F(TransferFaultTest, DanglingLinkAtTheDestinationIsReportedNotReplaced) {
  server_.ServeData("RETR a.bin", "abc");
  LogOn();
  const std::string link = Local("link.bin");
  std::filesystem::create_symlink(Local("target.bin"), link);
  EXPECT_EQ(ReceiveFile(Socket(), "RETR a.bin", link, 'I'), 0);
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_FALSE(std::filesystem::exists(Local("target.bin")));
  EXPECT_TRUE(Logged(link + " is a symbolic link to nothing; it is left as it is"));
  EXPECT_FALSE(Sent("RETR a.bin"));

  ASSERT_TRUE(local_.WriteFile("target.bin", "old"));
  EXPECT_EQ(ReceiveFile(Socket(), "RETR a.bin", link, 'I'), 2);
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(local_.ReadFile("target.bin"), "abc");
}

TEST_F(TransferFaultTest, OddSizesInThePreliminaryReplyAreIgnored) {
  for (const char* line : {"150 Opening (99999999999999999999999999999999 bytes)", "150 Opening (-42 bytes)",
                           "150 Opening (12k", "150 Opening ()"}) {
    server_.Answer("RETR odd.bin", ScriptSteps().Reply(line).SendData("abc").Reply("226 Done"));
  }
  LogOn();
  EXPECT_EQ(ReceiveFile(Socket(), "RETR odd.bin", Local("odd.bin"), 'I'), 2);
  EXPECT_EQ(TransferResult(), TransferComplete);
  EXPECT_EQ(local_.ReadFile("odd.bin"), "abc");
}

TEST_F(TransferFaultTest, FullDiskAbortsAndKeepsTheControlConnectionUsable) {
  server_.Answer("RETR big.bin", ScriptSteps()
                                     .Reply("150 Opening")
                                     .SendData(DataSource::Pattern(2 * 1024 * 1024))
                                     .Reply("426 Connection closed; transfer aborted."));
  server_.Answer("ABOR", "226 ABOR command successful.");
  LogOn();
  // A file-size limit stands for the full disk.
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit previous{};
  ::getrlimit(RLIMIT_FSIZE, &previous);
  rlimit limit = previous;
  limit.rlim_cur = 64 * 1024;
  ::setrlimit(RLIMIT_FSIZE, &limit);
  int result = ReceiveFile(Socket(), "RETR big.bin", Local("big.bin"), 'I');
  ::setrlimit(RLIMIT_FSIZE, &previous);
  std::signal(SIGXFSZ, SIG_DFL);
  EXPECT_NE(result, 2);
  EXPECT_EQ(TransferResult(), TransferIncomplete);
  EXPECT_TRUE(Logged("File error on WRITE! Aborted"));
  EXPECT_TRUE(Logged("You MAY have to press Cancel and/or Close this connection."));
  EXPECT_TRUE(Sent("ABOR"));
  EXPECT_EQ(SendCommand(Socket(), "NOOP"), 2);
  EXPECT_EQ(TheSession().LastReplyCode, 200);
}

TEST_F(TransferFaultTest, VanishedFileIsNotAnnouncedToTheServer) {
  LogOn();
  std::size_t before = server_.Transcript().size();
  EXPECT_EQ(SendFile(Socket(), "STOR gone.txt", Local("gone.txt"), 'I'), 0);
  EXPECT_EQ(server_.Transcript().size(), before);
  EXPECT_FALSE(host_.Beeps() == 0 && host_.Sounds().empty());  // the error sound
}

TEST_F(TransferFaultTest, SendUniqueRefusedFallsBackToStore) {
  server_.Answer("STOU a.txt", "500 Unknown command.");
  ASSERT_TRUE(local_.WriteFile("a.txt", "data"));
  LogOn();
  config::Settings().SendUnique = 1;
  EXPECT_EQ(SendFile(Socket(), "STOR a.txt", Local("a.txt"), 'I'), 2);
  EXPECT_TRUE(Sent("STOU a.txt"));
  EXPECT_TRUE(Sent("STOR a.txt"));
  ASSERT_FALSE(server_.DataTransfers().empty());
  EXPECT_EQ(server_.DataTransfers().back().received, "data");
}

TEST_F(TransferFaultTest, MvsKnetRetriesARefusedNameInQuotes) {
  server_.Answer("RETR USER.DATA", "550 Dataset not found.");
  server_.ServeData("RETR 'USER.DATA'", "mvs");
  LogOn(false);
  TheSession().HostType = 6024;
  EXPECT_EQ(ReceiveFile(Socket(), "RETR USER.DATA", Local("data"), 'I'), 2);
  EXPECT_TRUE(Sent("RETR 'USER.DATA'"));
  EXPECT_EQ(local_.ReadFile("data"), "mvs");
}

TEST_F(TransferFaultTest, RefusedLinkIsReportedForTheTreeWalk) {
  server_.Answer("RETR link", "550 Not a plain file.");
  LogOn();
  LastEntry().Kind = LinkEntryKind;
  EXPECT_EQ(ReceiveFile(Socket(), "RETR link", Local("link"), 'I'), 5);
  EXPECT_EQ(TransferResult(), TransferLinkRefused);
}

TEST_F(TransferFaultTest, SecondTransferWhileBusyIsRefused) {
  LogOn();
  BusyScope busy;
  EXPECT_EQ(ReceiveFile(Socket(), "RETR a", Local("a"), 'I'), 0);
  EXPECT_TRUE(Logged("command in process, ignored"));
  EXPECT_EQ(ReceiveFile(-1, "RETR a", Local("a"), 'I'), 0);
  EXPECT_TRUE(Logged("no ctrl_skt, ignored"));
}

TEST_F(TransferFaultTest, UnwritableDestinationSendsNothing) {
  LogOn();
  std::size_t before = server_.Transcript().size();
  EXPECT_EQ(ReceiveFile(Socket(), "RETR a", Local("no/such/dir/a"), 'I'), 0);
  EXPECT_TRUE(Logged("FAILED TO OPEN " + Local("no/such/dir/a") + " FOR WRITE!"));
  EXPECT_EQ(server_.Transcript().size(), before);
}

TEST_F(TransferFaultTest, AutoModeChoosesAsciiForTextNames) {
  server_.ServeData("RETR notes.txt", "a\r\nb\r\n");
  server_.ServeData("RETR image.png", "\r\n");
  LogOn();
  config::Settings().AutoMode = 1;
  EXPECT_EQ(ReceiveFile(Socket(), "RETR notes.txt", Local("notes.txt"), 'I'), 2);
  EXPECT_EQ(local_.ReadFile("notes.txt"), "a\nb\n");
  EXPECT_EQ(config::Settings().Mode, 'A');
  EXPECT_EQ(ReceiveFile(Socket(), "RETR image.png", Local("image.png"), 'A'), 2);
  EXPECT_EQ(local_.ReadFile("image.png"), "\r\n");
  EXPECT_EQ(config::Settings().Mode, 'I');
}

TEST(TransferPathsTest, QuoteArgumentAndJoinRemotePath) {
  testing::EngineState state;
  EXPECT_EQ(QuoteArgument("RETR USER.DATA"), "RETR 'USER.DATA'");
  EXPECT_EQ(QuoteArgument("RETR   a b"), "RETR   'a b'");
  EXPECT_EQ(JoinRemotePath("/pub", "a"), "/pub/a");
  EXPECT_EQ(JoinRemotePath("/pub/", "a"), "/pub/a");
  EXPECT_EQ(JoinRemotePath("C:\\dir", "a"), "C:\\dir\\a");
  EXPECT_EQ(JoinRemotePath("C:\\dir\\", "a"), "C:\\dir\\a");
  TheSession().HostType = 6030;
  EXPECT_EQ(JoinRemotePath("$DATA.SUB", "FILE"), "$DATA.SUB.FILE");
}

}  // namespace
}  // namespace korval::engine
