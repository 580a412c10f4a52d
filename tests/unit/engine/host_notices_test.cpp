// What the engine tells the host besides the log: the beep kind of each
// sound event, where the status display goes and the size it measures
// against, and the busy mark's start and end on each thread.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>

#include "config/program_settings.h"
#include "engine/last_entry.h"
#include "engine/session.h"
#include "engine/sound_events.h"
#include "engine/transfer_status.h"
#include "tests/support/scripted_host.h"
#include "tests/support/temporary_directory.h"

namespace korval::engine {
namespace {

using ::testing::ElementsAre;
using testing::HostCall;
using testing::ScopedHost;
using testing::ScriptedHost;

class HostNoticesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    config::ResetProgramSettings();
    ResetSession();
    ClearLastEntry();
  }
  void TearDown() override {
    CloseStatusDisplay();
    config::ResetProgramSettings();
  }

  ScriptedHost host_;
  ScopedHost installed_{host_};
};

struct BeepCase {
  SoundEvent event;
  const char* kind;
};

TEST_F(HostNoticesTest, EachSoundEventBeepsItsOwnKindWithoutAWaveFile) {
  const BeepCase cases[] = {
      {SoundEvent::Connect, "asterisk"}, {SoundEvent::Complete, "simple"}, {SoundEvent::Error, "exclamation"}};
  config::Settings().UseWave = 1;  // the files do not exist: the beep replaces them
  config::Settings().ConnectSound = config::Settings().CompleteSound = config::Settings().ErrorSound =
      "/nonexistent/sound.wav";
  for (const BeepCase& c : cases) {
    host_.Clear();
    PlaySound(c.event);
    EXPECT_THAT(host_.BeepKinds(), ElementsAre(c.kind)) << c.kind;
    EXPECT_TRUE(host_.Sounds().empty());
  }
}

TEST_F(HostNoticesTest, AnExistingWaveFileIsPlayedInsteadOfTheBeep) {
  testing::TemporaryDirectory folder;
  ASSERT_TRUE(folder.Valid());
  const std::string wave = folder.FilePath("error.wav").string();
  std::ofstream(wave) << "RIFF";
  config::Settings().ErrorSound = wave;
  config::Settings().UseWave = 1;
  PlaySound(SoundEvent::Error);
  config::Settings().UseWave = 0;
  PlaySound(SoundEvent::Error);
  EXPECT_THAT(host_.Sounds(), ElementsAre(wave));
  EXPECT_THAT(host_.BeepKinds(), ElementsAre("exclamation"));
}

struct TargetCase {
  int hash;
  const char* opened;    // detail of OpenStatusDisplay
  const char* progress;  // text of the progress after one second
};

TEST_F(HostNoticesTest, TheStatusDisplayIsToldItsTargetAndTheExpectedSize) {
  const TargetCase cases[] = {
      {1, "2 dialog 2048", "1024 : 10.00 Kbps : 0:01"},
      {0, "2 field 2048", "1024"},
  };
  for (const TargetCase& c : cases) {
    host_.Clear();
    config::Settings().ShowTransferDialog = c.hash;
    Status().StatusText = "150 Opening BINARY mode data connection for a.bin (2048 bytes)";
    OpenStatusDisplay(TransferDirection::Receive);
    const auto start = TransferClock::now();
    ShowProgress(0, start, start, Status().ExpectedSize);
    ShowProgress(1024, start, start + std::chrono::seconds(1), Status().ExpectedSize);
    CloseStatusDisplay();
    EXPECT_THAT(host_.CallsTo("OpenStatusDisplay"),
                ElementsAre(HostCall{"OpenStatusDisplay", Status().StatusText, c.opened}));
    EXPECT_THAT(host_.CallsTo("SetProgressText"),
                ElementsAre(HostCall{"SetProgressText", "", "0 2048"}, HostCall{"SetProgressText", c.progress, "1024 2048"}));
  }
}

TEST_F(HostNoticesTest, WithoutAnAnnouncedSizeTheListedSizeIsExpected) {
  config::Settings().ShowTransferDialog = 0;
  LastEntry().Size = 5000;
  Status().StatusText = "150 Opening data connection";
  OpenStatusDisplay(TransferDirection::Send);
  EXPECT_THAT(host_.CallsTo("OpenStatusDisplay"),
              ElementsAre(HostCall{"OpenStatusDisplay", "150 Opening data connection", "1 field 5000"}));
}

TEST_F(HostNoticesTest, TheBusyMarkStartsAndEndsOncePerThreadWhateverTheNesting) {
  {
    BusyScope outer;
    {
      BusyScope inner;
      std::thread worker([] {
        BusyScope own;
        BusyScope nested;
      });
      worker.join();
      EXPECT_EQ(TheSession().BusyCount.load(), 2);
    }
    // The worker's pair and this thread's start, nothing for the nesting.
    EXPECT_EQ(host_.CallsTo("BusyStarted").size(), 2u);
    EXPECT_EQ(host_.CallsTo("BusyEnded").size(), 1u);
  }
  EXPECT_EQ(host_.CallsTo("BusyEnded").size(), 2u);
  EXPECT_EQ(TheSession().BusyCount.load(), 0);
}

}  // namespace
}  // namespace korval::engine
