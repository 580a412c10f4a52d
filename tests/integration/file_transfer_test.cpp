// Files sent and received against vsftpd and pyftpdlib in passive and active
// mode: byte-exact binaries, ASCII line ends, unique sends, the TYPE letter,
// refused receives and empty files.

#include "engine/file_transfer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "config/program_files.h"
#include "config/program_settings.h"
#include "engine/command_engine.h"
#include "engine/session.h"
#include "operations/single_file_transfer.h"
#include "tests/support/logged_on_session.h"
#include "tests/support/real_ftp_server.h"
#include "tests/support/scripted_ftp_server.h"
#include "tests/support/scripted_host.h"
#include "tests/support/temporary_directory.h"

namespace korval::engine {
namespace {

using testing::LoggedOnSession;
using testing::ServerKind;

class FileTransferTest : public testing::RealServerTest {
 protected:
  testing::LogonTarget Target(bool passive) {
    return {Server().Host(), Server().Port(), Server().User(), Server().Password(), passive};
  }
  int CountLogLines(const std::string& line) {
    std::vector<std::string> lines = host_.LogWindowLines();
    return static_cast<int>(std::count(lines.begin(), lines.end(), line));
  }
  std::string Local(std::string_view name) { return local_.FilePath(name).string(); }

  testing::EngineState state_;
  testing::ScriptedHost host_;
  testing::ScopedHost installed_{host_};
  testing::TemporaryDirectory local_;
};

TEST_P(FileTransferTest, BinaryFilesMoveByteExactBothWaysInBothModes) {
  const std::string content = testing::PatternBytes(0, 5 * 1024 * 1024 + 123);
  ASSERT_TRUE(Server().WriteFile("big.bin", content));
  for (bool passive : {true, false}) {
    SCOPED_TRACE(passive ? "passive" : "active");
    LoggedOnSession session(Target(passive));
    ASSERT_TRUE(session.Ok());
    const std::string path = Local(passive ? "pasv.bin" : "port.bin");
    EXPECT_EQ(ReceiveFile(session.Socket(), "RETR big.bin", path, 'I'), 2);
    EXPECT_EQ(TransferResult(), TransferComplete);
    std::optional<std::string> received = local_.ReadFile(passive ? "pasv.bin" : "port.bin");
    ASSERT_TRUE(received.has_value());
    EXPECT_EQ(received->size(), content.size());
    EXPECT_EQ(testing::Fnv1a64(*received), testing::Fnv1a64(content));

    const std::string remote = passive ? "up-pasv.bin" : "up-port.bin";
    EXPECT_EQ(SendFile(session.Socket(), "STOR " + remote, path, 'I'), 2);
    std::optional<std::string> stored = Server().ReadFile(remote);
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(stored->size(), content.size());
    EXPECT_EQ(testing::Fnv1a64(*stored), testing::Fnv1a64(content));
  }
}

TEST_P(FileTransferTest, AsciiModeConvertsLineEndsOnBothEnds) {
  // pyftpdlib sends LF files as CR LF and stores CR LF as LF; vsftpd moves
  // bytes unchanged. Either way the local file ends its lines with LF.
  const bool serverConverts = GetParam() == ServerKind::Pyftpdlib;
  ASSERT_TRUE(
      Server().WriteFile("text.txt", serverConverts ? "one\ntwo\n\nlone\rcr\n" : "one\r\ntwo\r\n\r\nlone\rcr\r\n"));
  ASSERT_TRUE(local_.WriteFile("up.txt", "alpha\nbeta\r\ngamma\n"));
  for (bool passive : {true, false}) {
    SCOPED_TRACE(passive ? "passive" : "active");
    LoggedOnSession session(Target(passive));
    ASSERT_TRUE(session.Ok());
    EXPECT_EQ(ReceiveFile(session.Socket(), "RETR text.txt", Local("text.txt"), 'A'), 2);
    EXPECT_EQ(local_.ReadFile("text.txt"), "one\ntwo\n\nlone\rcr\n");
    EXPECT_EQ(SendFile(session.Socket(), "STOR up.txt", Local("up.txt"), 'A'), 2);
    EXPECT_EQ(Server().ReadFile("up.txt"), serverConverts ? "alpha\nbeta\ngamma\n" : "alpha\r\nbeta\r\ngamma\r\n");
  }
}

TEST_P(FileTransferTest, TypeIsSentOnlyWhenTheLetterChanges) {
  ASSERT_TRUE(Server().WriteFile("a.bin", "abc"));
  LoggedOnSession session(Target(true));
  ASSERT_TRUE(session.Ok());
  for (int i = 0; i < 2; ++i) EXPECT_EQ(ReceiveFile(session.Socket(), "RETR a.bin", Local("a.bin"), 'I'), 2);
  EXPECT_EQ(CountLogLines("TYPE I"), 1);
  EXPECT_EQ(ReceiveFile(session.Socket(), "RETR a.bin", Local("a.bin"), 'L'), 2);
  EXPECT_EQ(CountLogLines("TYPE L 8"), 1);
  EXPECT_EQ(TheSession().LastReplyCode / 100, 2);
  EXPECT_EQ(local_.ReadFile("a.bin"), "abc");
  EXPECT_EQ(ReceiveFile(session.Socket(), "RETR a.bin", Local("a.bin"), 'L'), 2);
  EXPECT_EQ(CountLogLines("TYPE L 8"), 1);
}

TEST_P(FileTransferTest, SendUniqueCreatesANewFile) {
  config::Settings().SendUnique = 1;
  ASSERT_TRUE(Server().WriteFile("same.txt", "old"));
  ASSERT_TRUE(local_.WriteFile("same.txt", "new"));
  LoggedOnSession session(Target(true));
  ASSERT_TRUE(session.Ok());
  EXPECT_EQ(SendFile(session.Socket(), "STOR same.txt", Local("same.txt"), 'I'), 2);
  EXPECT_GE(CountLogLines("STOU same.txt") + CountLogLines("STOU"), 1);
  EXPECT_EQ(Server().ReadFile("same.txt"), "old");
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(Server().Root()))
    if (entry.is_regular_file() && Server().ReadFile(entry.path().filename().string()) == "new") ++files;
  EXPECT_EQ(files, 1);
}

TEST_P(FileTransferTest, RefusedReceiveLeavesAnExistingFileUntouched) {
  ASSERT_TRUE(local_.WriteFile("keep.txt", "precious"));
  for (bool passive : {true, false}) {
    LoggedOnSession session(Target(passive));
    ASSERT_TRUE(session.Ok());
    EXPECT_EQ(ReceiveFile(session.Socket(), "RETR missing.txt", Local("keep.txt"), 'I'), 0);
    EXPECT_EQ(TransferResult(), TransferNothing);
    EXPECT_EQ(local_.ReadFile("keep.txt"), "precious");
    EXPECT_EQ(SendCommand(session.Socket(), "NOOP"), 2);  // the control connection is still in step
  }
}

TEST_P(FileTransferTest, EmptyFileIsReceivedAndSent) {
  ASSERT_TRUE(Server().WriteFile("empty.dat", ""));
  ASSERT_TRUE(local_.WriteFile("empty.dat", "old content"));
  for (bool passive : {true, false}) {
    LoggedOnSession session(Target(passive));
    ASSERT_TRUE(session.Ok());
    EXPECT_EQ(ReceiveFile(session.Socket(), "RETR empty.dat", Local("empty.dat"), 'I'), 2);
    EXPECT_EQ(TransferResult(), TransferComplete);
    EXPECT_EQ(local_.ReadFile("empty.dat"), "");
    EXPECT_EQ(SendFile(session.Socket(), "STOR sent-empty.dat", Local("empty.dat"), 'I'), 2);
    EXPECT_EQ(Server().ReadFile("sent-empty.dat"), "");
  }
  EXPECT_TRUE(host_.Beeps() == 0 && host_.Sounds().empty());
}

TEST_P(FileTransferTest, ReceiveRemoteFileNamesTheFileAndLogsIt) {
  ASSERT_TRUE(Server().WriteFile("Report.TXT", "r"));
  std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(local_.Path());
  std::string logFile = Local("KORVAL.LOG");
  config::ProgramFiles().ConfigPath = Local("KORVAL.INI");
  ASSERT_TRUE(local_.WriteFile("KORVAL.INI", "[_config_]\nlogfile=" + logFile + "\n"));
  {
    LoggedOnSession session(Target(true));
    ASSERT_TRUE(session.Ok());
    EXPECT_EQ(operations::ReceiveRemoteFile("Report.TXT", 1, 1, false), 2);
    EXPECT_EQ(local_.ReadFile("Report.TXT"), "r");
    EXPECT_EQ(operations::SendLocalFile(Local("Report.TXT"), 1, 1, false), 2);
  }
  std::filesystem::current_path(previous);
  std::optional<std::string> log = local_.ReadFile("KORVAL.LOG");
  ASSERT_TRUE(log.has_value());
  EXPECT_NE(log->find(" <-- test  Report.TXT\n"), std::string::npos) << *log;
  EXPECT_NE(log->find(" --> 127.0.0.1  Report.TXT\n"), std::string::npos) << *log;
}

// Names of up to 255 bytes travel whole both ways: received under the
// remote name, sent under the local one.
TEST_P(FileTransferTest, LongNamesAreReceivedAndSentWhole) {
  const std::string fetched = std::string(246, 'r') + ".dat";
  const std::string sent = std::string(251, 's') + ".dat";
  ASSERT_TRUE(Server().WriteFile(fetched, "remote"));
  ASSERT_TRUE(local_.WriteFile(sent, "local"));
  std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(local_.Path());
  {
    LoggedOnSession session(Target(true));
    ASSERT_TRUE(session.Ok());
    EXPECT_EQ(operations::ReceiveRemoteFile(fetched, 1, 1, false), 2);
    EXPECT_EQ(operations::SendLocalFile(Local(sent), 1, 1, false), 2);
  }
  std::filesystem::current_path(previous);
  EXPECT_EQ(local_.ReadFile(fetched), "remote");
  EXPECT_EQ(Server().ReadFile(sent), "local");
}

KORVAL_INSTANTIATE_REAL_SERVER_TESTS(FileTransferTest);

}  // namespace
}  // namespace korval::engine
