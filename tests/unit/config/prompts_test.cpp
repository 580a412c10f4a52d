// The prompt family: the shared question and answer buffers, the answer's
// capacity, the help context that lasts one prompt, the batch-mode window
// restore; and the chmod dialog's boxes.

#include "config/prompts.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdarg>
#include <optional>
#include <string>
#include <thread>

#include "config/program_settings.h"
#include "tests/support/scripted_host.h"

namespace korval::config {
namespace {

using testing::HostCall;
using testing::ScopedHost;
using testing::ScriptedHost;

class PromptsTest : public ::testing::Test {
 protected:
  PromptsTest() { ResetPrompts(); }
  ~PromptsTest() override {
    ResetPrompts();
    BatchMode() = false;
  }
  ScriptedHost host;
  ScopedHost installed{host};
};

TEST_F(PromptsTest, StartsWithTheInitialBuffers) {
  EXPECT_EQ(PromptText(), "input:");
  EXPECT_EQ(PromptAnswer(), "");
  EXPECT_EQ(PromptHelpContext(), 0);
  EXPECT_EQ(ChmodBits(), 644);
}

TEST_F(PromptsTest, AskTextFormatsPresetsAndCopiesTheAnswer) {
  std::string target = "old";
  host.QueueAnswer("new");
  PromptHelpContext() = 185;
  ASSERT_EQ(AskText(&target, "Enter new name for \"%s\":", "a.txt"), 1);
  EXPECT_EQ(target, "new");
  EXPECT_EQ(PromptAnswer(), "new");
  EXPECT_EQ(PromptText(), "Enter new name for \"a.txt\":");
  ASSERT_EQ(host.Prompts().size(), 1u);
  EXPECT_EQ(host.Prompts()[0].initial, "old");
  EXPECT_EQ(host.Prompts()[0].capacity, PromptAnswerCapacity);
  // The context was handed to the prompt and is gone afterwards.
  EXPECT_EQ(host.CallsTo("SetPromptHelpContext"), (std::vector<HostCall>{{"SetPromptHelpContext", "185", ""}}));
  EXPECT_EQ(PromptHelpContext(), 0);
}

TEST_F(PromptsTest, CancelLeavesTheTargetAndStillResetsTheContext) {
  std::string target = "keep";
  host.QueueCancel();
  PromptHelpContext() = 180;
  EXPECT_EQ(AskText(&target, "Enter local directory name:"), 0);
  EXPECT_EQ(target, "keep");
  EXPECT_EQ(PromptHelpContext(), 0);
}

TEST_F(PromptsTest, WithoutTargetTheAnswerStaysInTheBuffer) {
  PromptAnswer() = "left over";
  host.QueueAnswer("dir");
  ASSERT_EQ(AskText(nullptr, "Enter new remote directory name:"), 1);
  EXPECT_EQ(host.Prompts()[0].initial, "");  // no target, no preset
  EXPECT_EQ(PromptAnswer(), "dir");
}

int AskChoiceOfFormatted(const std::vector<std::string>& choices, std::string_view preset, const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  const int result = AskChoiceOf(choices, preset, format, arguments);
  va_end(arguments);
  return result;
}

// A host whose edit field takes more than the prompt allows.
class LongAnswerHost : public platform::Host {
 public:
  std::optional<std::string> AskText(std::string_view, std::string_view, std::size_t) override {
    return std::string(PromptAnswerCapacity + 100, 'x');
  }
  std::optional<std::string> AskPasswordPreset(std::string_view, std::string_view, std::size_t) override {
    return std::string(300, 'p');
  }
};

// Long answers and presets (a path, a remote name of 255 bytes) come back
// whole; only what exceeds the capacity of 1,024 characters is cut.
TEST_F(PromptsTest, LongAnswersAndPresetsStayWholeUpToTheCapacity) {
  EXPECT_GE(PromptAnswerCapacity, 1024u);
  const std::string longName(300, 'n');
  std::string target = longName;
  host.QueueKeepPreset();
  ASSERT_EQ(AskText(&target, "Enter new name for \"%s\":", longName.c_str()), 1);
  EXPECT_EQ(target, longName);
  std::vector<std::string> choices = {longName};
  host.QueueKeepPreset();
  ASSERT_EQ(AskChoiceOfFormatted(choices, longName, "Enter remote directory name:"), 1);
  EXPECT_EQ(PromptAnswer(), longName);

  LongAnswerHost longHost;
  ScopedHost longInstalled(longHost);
  ASSERT_EQ(AskText(&target, "q"), 1);
  EXPECT_EQ(target, std::string(PromptAnswerCapacity, 'x'));
  std::string password;
  ASSERT_EQ(AskPassword(password, "Password required:"), 1);
  EXPECT_EQ(password, std::string(300, 'p'));
}

TEST_F(PromptsTest, AskPasswordOpensWithTheTarget) {
  std::string account = "acct1";
  host.QueueAnswer("acct2");
  ASSERT_EQ(AskPassword(account, "Account required:"), 1);
  EXPECT_EQ(account, "acct2");
  ASSERT_EQ(host.Prompts().size(), 1u);
  EXPECT_EQ(host.Prompts()[0].kind, testing::PromptKind::Password);
  EXPECT_EQ(host.Prompts()[0].initial, "acct1");
}

TEST_F(PromptsTest, ABatchRunBringsTheWindowUpBeforeTextAndPasswordPrompts) {
  BatchMode() = true;
  std::string target;
  AskText(&target, "q");
  AskPassword(target, "p");
  std::vector<std::string> order;
  for (const HostCall& call : host.Calls())
    if (call.function != "SetPromptHelpContext") order.push_back(call.function);
  EXPECT_EQ(order, (std::vector<std::string>{"RestoreMainWindow", "AskText", "RestoreMainWindow", "AskPassword"}));

  BatchMode() = false;
  host.Clear();
  AskText(&target, "q");
  EXPECT_TRUE(host.CallsTo("RestoreMainWindow").empty());
}

TEST_F(PromptsTest, EachThreadHasItsOwnBuffers) {
  PromptAnswer() = "window thread";
  std::string seen;
  std::thread worker([&seen] { seen = PromptAnswer(); PromptAnswer() = "worker"; });
  worker.join();
  EXPECT_EQ(seen, "");
  EXPECT_EQ(PromptAnswer(), "window thread");
}

TEST(ChmodBoxesTest, BoxesAndBitsAreTheOctalDigits) {
  // Owner read and write, group read, other read.
  const ChmodBoxes rwRR = {true, true, false, true, false, false, true, false, false};
  EXPECT_EQ(ChmodBitsFromBoxes(rwRR), 644);
  EXPECT_EQ(ChmodBoxesFromBits(644), rwRR);
  EXPECT_EQ(ChmodBitsFromBoxes(ChmodBoxes{}), 0);
  for (int bits : {0, 1, 7, 70, 700, 755, 777, 421, 124})
    EXPECT_EQ(ChmodBitsFromBoxes(ChmodBoxesFromBits(bits)), bits) << bits;
}

}  // namespace
}  // namespace korval::config
