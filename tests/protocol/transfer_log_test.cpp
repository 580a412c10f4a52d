// The transfer log of single-file transfers: which transfers it records, and
// where a relative log name puts it.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>

#include "config/config_file.h"
#include "config/program_files.h"
#include "config/program_settings.h"
#include "operations/single_file_transfer.h"
#include "tests/support/logged_on_session.h"
#include "tests/support/scripted_ftp_server.h"
#include "tests/support/scripted_host.h"
#include "tests/support/temporary_directory.h"

namespace korval::operations {
namespace {

using testing::DataOptions;
using testing::DataSource;
using testing::ScriptSteps;

class TransferLogTest : public ::testing::Test {
 protected:
  TransferLogTest() : previousDirectory_(std::filesystem::current_path()) {
    server_.UseDefaultReplies();
    config::ProgramFiles().ConfigPath = configDirectory_.FilePath("KORVAL.INI").string();
    config::WriteConfigString("dolog", "1");
    std::filesystem::current_path(local_.Path());
  }
  ~TransferLogTest() override {
    session_.reset();
    std::filesystem::current_path(previousDirectory_);
    config::ProgramFiles() = config::ProgramFilePaths{};
  }
  void LogOn() {
    server_.Start();
    session_ = std::make_unique<testing::LoggedOnSession>(
        testing::LogonTarget{server_.Address(), server_.Port(), "anna", "secret", true});
    ASSERT_TRUE(session_->Ok());
  }
  // The names the log's lines end with, in order.
  static std::vector<std::string> LoggedNames(const std::optional<std::string>& log) {
    std::vector<std::string> names;
    if (!log) return names;
    std::size_t start = 0;
    for (std::size_t end; (end = log->find('\n', start)) != std::string::npos; start = end + 1) {
      const std::string line = log->substr(start, end - start);
      names.push_back(line.substr(line.rfind(' ') + 1));
    }
    return names;
  }

  testing::EngineState state_;
  testing::ScriptedHost host_;
  testing::ScopedHost installed_{host_};
  testing::TemporaryDirectory configDirectory_;
  testing::TemporaryDirectory local_;
  testing::ScriptedFtpServer server_;
  std::unique_ptr<testing::LoggedOnSession> session_;

 private:
  std::filesystem::path previousDirectory_;
};

// A transfer the server refused, failed at its end, or that came short is
// no transfer: only the complete ones are written.
TEST_F(TransferLogTest, OnlyCompleteTransfersAreWritten) {
  DataOptions early;
  early.stopAfterBytes = 600;
  server_.CaptureUpload("STOR sent.txt");
  server_.Answer("STOR full.txt", ScriptSteps().Upload({}, "150 Ok to send data.", "452 Disk full."));
  server_.Answer("STOR refused.txt", "553 Not allowed.");
  server_.ServeData("RETR got.bin", DataSource::Pattern(1000));
  server_.Answer("RETR short.bin", ScriptSteps()
                                       .Reply("150 Opening BINARY mode data connection for short.bin (1000 bytes).")
                                       .SendData(DataSource::Pattern(1000), early)
                                       .Reply("226 Transfer complete."));
  server_.Answer("RETR failed.bin",
                 ScriptSteps().Reply("150 Opening").SendData(DataSource::Pattern(1000)).Reply("451 Local error."));
  for (const char* name : {"sent.txt", "full.txt", "refused.txt"}) ASSERT_TRUE(local_.WriteFile(name, "text\n"));
  config::Settings().Mode = 'I';
  LogOn();

  EXPECT_EQ(SendLocalFile(local_.FilePath("sent.txt").string(), 1, 1, false), 2);
  EXPECT_EQ(SendLocalFile(local_.FilePath("full.txt").string(), 1, 1, false), 4);
  EXPECT_EQ(SendLocalFile(local_.FilePath("refused.txt").string(), 1, 1, false), 0);
  EXPECT_EQ(ReceiveRemoteFile("got.bin", 1, 1, false), 2);
  EXPECT_EQ(ReceiveRemoteFile("short.bin", 1, 1, false), 4);
  EXPECT_EQ(ReceiveRemoteFile("failed.bin", 1, 1, false), 4);

  EXPECT_THAT(LoggedNames(configDirectory_.ReadFile("KORVAL.LOG")), ::testing::ElementsAre("sent.txt", "got.bin"));
}

// The current directory follows the local pane; a relative log name stays
// beside the configuration file, and an absolute one is used as given.
TEST_F(TransferLogTest, RelativeLogNameLiesBesideTheConfigurationFile) {
  server_.ServeData("RETR a.txt", "a").ServeData("RETR b.txt", "b").ServeData("RETR c.txt", "c");
  ASSERT_TRUE(local_.WriteFile("sub/.keep", ""));
  LogOn();

  EXPECT_EQ(ReceiveRemoteFile("a.txt", 1, 1, false), 2);
  std::filesystem::current_path(local_.FilePath("sub"));
  EXPECT_EQ(ReceiveRemoteFile("b.txt", 1, 1, false), 2);
  const std::string elsewhere = local_.FilePath("elsewhere.log").string();
  config::WriteConfigString("logfile", elsewhere);
  EXPECT_EQ(ReceiveRemoteFile("c.txt", 1, 1, false), 2);

  EXPECT_THAT(LoggedNames(configDirectory_.ReadFile("KORVAL.LOG")), ::testing::ElementsAre("a.txt", "b.txt"));
  EXPECT_THAT(LoggedNames(local_.ReadFile("elsewhere.log")), ::testing::ElementsAre("c.txt"));
  EXPECT_FALSE(local_.ReadFile("KORVAL.LOG").has_value());
  EXPECT_FALSE(local_.ReadFile("sub/KORVAL.LOG").has_value());
}

}  // namespace
}  // namespace korval::operations
