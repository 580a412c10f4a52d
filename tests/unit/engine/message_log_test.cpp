// The message log: the verbosity filter, the 60-slot history, the status
// lines and the batch-mode log file.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "engine_test_support.h"

namespace korval::engine {
namespace {

using testing::EngineStateGuard;

class StatusRecorder : public testing::LogRecorder {
 public:
  void SetStatusLine(int slot, std::string_view text) override { (slot == 2 ? upper : lower) = text; }
  std::string upper, lower;
};

TEST(MessageLogTest, DiagnosticsOnlyWithVerbose) {
  EngineStateGuard state;
  testing::LogRecorder log;
  LogMessage("[x] cmd in progress, yielding");
  LogMessage("Not connected");
  config::Settings().Verbose = 1;
  LogMessage("[S] shown now");
  EXPECT_EQ(log.Lines(), (std::vector<std::string>{"Not connected", "[S] shown now"}));
}

TEST(MessageLogTest, PrintfCutsAt255Characters) {
  EngineStateGuard state;
  testing::LogRecorder log;
  std::string longText(400, 'z');
  LogPrintf("%s", longText.c_str());
  EXPECT_EQ(log.Lines().at(0).size(), LogLineCapacity);
}

TEST(MessageLogTest, HistoryKeepsTheNewestSixtyLines) {
  EngineStateGuard state;
  StatusRecorder host;
  for (int i = 1; i <= 60; ++i) LogPrintf("line %d", i);
  EXPECT_EQ(LogHistorySnapshot().LogHistory[0], "line 1");
  LogPrintf("line %d", 61);
  MessageLogHistory history = LogHistorySnapshot();
  EXPECT_EQ(history.LogHistory[0], "line 2");
  EXPECT_EQ(history.LogHistory[59], "line 61");
  EXPECT_EQ(history.LogLast, 59);
  EXPECT_EQ(host.lower, "line 61");
  EXPECT_EQ(host.upper, "line 60");
}

TEST(MessageLogTest, HistorySlotsHoldNinetyNineCharacters) {
  EngineStateGuard state;
  testing::LogRecorder log;
  LogMessage(std::string(150, 'q'));
  EXPECT_EQ(LogHistorySnapshot().LogHistory[0].size(), HistoryLineCapacity);
  EXPECT_EQ(log.Lines().at(0).size(), 150u);  // the log window gets the whole line
}

TEST(MessageLogTest, FirstLineShowsOnlyInTheLowerStatusLine) {
  EngineStateGuard state;
  StatusRecorder host;
  LogMessage("first");
  EXPECT_EQ(host.lower, "first");
  EXPECT_EQ(host.upper, "");
}

TEST(MessageLogTest, BatchModeAppendsToXferlog) {
  EngineStateGuard state;
  namespace fs = std::filesystem;
  fs::path previous = fs::current_path();
  fs::path dir = fs::temp_directory_path() / ("korval-log-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  fs::current_path(dir);
  config::BatchMode() = true;
  LogMessage("receiving a from b as c");
  LogMessage("[x] hidden lines are not written");
  LogMessage("successful transfer");
  config::BatchMode() = false;
  LogMessage("not in batch mode");
  fs::current_path(previous);
  std::ifstream file(dir / "xferlog.txt");
  std::string content((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  fs::remove_all(dir);
  EXPECT_EQ(content, "receiving a from b as c\nsuccessful transfer\n");
}

}  // namespace
}  // namespace korval::engine
