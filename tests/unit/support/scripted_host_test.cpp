#include "tests/support/scripted_host.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <thread>

namespace korval::testing {
namespace {

using ::testing::ElementsAre;

TEST(ScriptedHostTest, AnswersPromptsInQueueOrderAndCancelsWhenEmpty) {
  ScriptedHost host;
  host.QueueAnswer("anna");
  host.QueueCancel();
  host.QueueAnswer("a-very-long-password");
  EXPECT_EQ(host.AskText("User name", "guest", 79), "anna");
  EXPECT_EQ(host.AskText("Account", "", 79), std::nullopt);
  EXPECT_EQ(host.AskPassword("Password", 8), "a-very-l");  // cut to the field's capacity
  EXPECT_EQ(host.UnansweredPrompts(), 0);
  EXPECT_EQ(host.AskPassword("Password", 8), std::nullopt);
  EXPECT_EQ(host.UnansweredPrompts(), 1);

  const std::vector<PromptRecord> prompts = host.Prompts();
  ASSERT_EQ(prompts.size(), 4u);
  EXPECT_EQ(prompts[0].kind, PromptKind::Text);
  EXPECT_EQ(prompts[0].prompt, "User name");
  EXPECT_EQ(prompts[0].initial, "guest");
  EXPECT_EQ(prompts[0].capacity, 79u);
  EXPECT_EQ(prompts[2].kind, PromptKind::Password);
  EXPECT_EQ(prompts[2].answer, "a-very-l");
  EXPECT_FALSE(prompts[3].answer);
}

TEST(ScriptedHostTest, RecordsEveryCallInOrder) {
  ScriptedHost host;
  host.SetStatusLine(3, "first");
  host.AppendToLogWindow("220 Welcome");
  host.SetStatusLine(3, "second");
  host.SetStatusLine(2, "upper");
  host.ShowMessage("Connection lost", "korval");
  host.OpenStatusDisplay(2, "Receiving a.txt", platform::StatusDisplayTarget::Dialog, 2048);
  host.SetProgressText("1024 : 10.00 Kbps", 1024, 2048);
  host.CloseStatusDisplay();
  host.PlaySound("done.wav");
  host.Beep(platform::BeepKind::Asterisk);
  host.Beep(platform::BeepKind::Exclamation);

  EXPECT_EQ(host.StatusLine(3), "second");
  EXPECT_EQ(host.StatusLine(2), "upper");
  EXPECT_EQ(host.StatusLine(4), "");
  EXPECT_THAT(host.StatusLineHistory(3), ElementsAre("first", "second"));
  EXPECT_THAT(host.LogWindowLines(), ElementsAre("220 Welcome"));
  EXPECT_THAT(host.Messages(), ElementsAre(MessageRecord{"Connection lost", "korval"}));
  EXPECT_THAT(host.Sounds(), ElementsAre("done.wav"));
  EXPECT_EQ(host.Beeps(), 2);
  EXPECT_THAT(host.BeepKinds(), ElementsAre("asterisk", "exclamation"));
  EXPECT_THAT(host.CallsTo("OpenStatusDisplay"),
              ElementsAre(HostCall{"OpenStatusDisplay", "Receiving a.txt", "2 dialog 2048"}));
  EXPECT_THAT(host.CallsTo("SetProgressText"), ElementsAre(HostCall{"SetProgressText", "1024 : 10.00 Kbps", "1024 2048"}));
  const std::vector<HostCall> calls = host.Calls();
  ASSERT_EQ(calls.size(), 11u);
  EXPECT_EQ(calls[1], (HostCall{"AppendToLogWindow", "220 Welcome", ""}));
  EXPECT_EQ(calls[4].function, "ShowMessage");

  host.Clear();
  EXPECT_TRUE(host.Calls().empty());
}

TEST(ScriptedHostTest, ScopedHostInstallsAndRestoresTheQuietHost) {
  ScriptedHost host;
  {
    ScopedHost installed(host);
    EXPECT_EQ(&platform::CurrentHost(), &host);
    platform::CurrentHost().Beep(platform::BeepKind::Simple);
  }
  EXPECT_NE(&platform::CurrentHost(), &host);
  platform::CurrentHost().Beep(platform::BeepKind::Simple);  // the quiet host: not recorded here
  EXPECT_EQ(host.Beeps(), 1);
}

TEST(ScriptedHostTest, RecordsCallsFromSeveralThreads) {
  ScriptedHost host;
  std::thread worker([&] {
    for (int i = 0; i < 1000; ++i) host.AppendToLogWindow("worker");
  });
  for (int i = 0; i < 1000; ++i) host.SetStatusLine(3, "main");
  worker.join();
  EXPECT_EQ(host.LogWindowLines().size(), 1000u);
  EXPECT_EQ(host.StatusLineHistory(3).size(), 1000u);
}

}  // namespace
}  // namespace korval::testing
