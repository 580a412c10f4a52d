// Starting programs: how a command template and a file become an argument
// vector, and that the real start passes a hostile file name to the program
// as one argument without any shell reading it.

#include "platform/proc.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/temporary_directory.h"

namespace korval::platform {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

struct ArgumentsCase {
  const char* commandTemplate;
  const char* file;
  std::vector<std::string> expected;
};

void PrintTo(const ArgumentsCase& c, std::ostream* out) { *out << '"' << c.commandTemplate << "\" + \"" << c.file << '"'; }

class ProgramArgumentsTest : public ::testing::TestWithParam<ArgumentsCase> {};

TEST_P(ProgramArgumentsTest, PutsTheFileInItsPlaceAsOneArgument) {
  const ArgumentsCase& c = GetParam();
  EXPECT_EQ(ProgramArguments(c.commandTemplate, c.file), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    , ProgramArgumentsTest,
    ::testing::Values(
        ArgumentsCase{"xdg-open", "/tmp/a b.txt", {"xdg-open", "/tmp/a b.txt"}},
        ArgumentsCase{"less -R", "x", {"less", "-R", "x"}},
        ArgumentsCase{"  gedit\t ^.txt", "/tmp/DSP0001.txt", {"gedit", "/tmp/DSP0001.txt"}},
        // Everything from the first "^" on gives way to the file.
        ArgumentsCase{"prog --file=^.doc --quiet", "r.doc", {"prog", "--file=r.doc"}},
        ArgumentsCase{"\"/opt/my viewer/bin/view\" -r", "x", {"/opt/my viewer/bin/view", "-r", "x"}},
        // Shell syntax in the name or the template stays plain text.
        ArgumentsCase{"view", "a;touch x;.txt", {"view", "a;touch x;.txt"}},
        ArgumentsCase{"view", "$(id)|cat \"'.txt", {"view", "$(id)|cat \"'.txt"}},
        ArgumentsCase{"view ;rm", "f", {"view", ";rm", "f"}},
        // Nothing to start: no program, or the file itself as the program.
        ArgumentsCase{"", "f", {}},
        ArgumentsCase{"   ", "f", {}},
        ArgumentsCase{"^.exe", "f.exe", {}}));

TEST(SplitCommandWordsTest, QuotesGroupBlanksAndAreDropped) {
  EXPECT_THAT(SplitCommandWords("a \"b c\" d\"e f\"g \"\""), ElementsAre("a", "b c", "de fg", ""));
  EXPECT_THAT(SplitCommandWords(" \t "), IsEmpty());
}

// A launcher that records what would start.
class RecordingLauncher {
 public:
  RecordingLauncher() {
    SetProgramLauncher([this](const std::vector<std::string>& arguments, ProgramWait wait) {
      started.push_back(arguments);
      waits.push_back(wait);
      return 0;
    });
  }
  ~RecordingLauncher() { SetProgramLauncher(nullptr); }
  std::vector<std::vector<std::string>> started;
  std::vector<ProgramWait> waits;
};

TEST(StartProgramTest, AnInstalledLauncherReplacesTheStart) {
  RecordingLauncher launcher;
  EXPECT_EQ(StartProgram({"view", "f"}, ProgramWait::UntilExit), 0);
  ASSERT_EQ(launcher.started.size(), 1u);
  EXPECT_THAT(launcher.started[0], ElementsAre("view", "f"));
  EXPECT_EQ(launcher.waits[0], ProgramWait::UntilExit);
}

class RealStartTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(directory.Valid()) << directory.Error();
    // Writes each argument after the first on a line of the file the first names.
    recorder = directory.FilePath("record-args").string();
    ASSERT_TRUE(directory.WriteFile("record-args", "#!/bin/sh\nout=$1\nshift\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$out\"\n"));
    ASSERT_EQ(::chmod(recorder.c_str(), 0755), 0);
    previous = std::filesystem::current_path();
    std::filesystem::current_path(directory.Path());
  }
  void TearDown() override { std::filesystem::current_path(previous); }

  testing::TemporaryDirectory directory;
  std::string recorder;
  std::filesystem::path previous;
};

TEST_F(RealStartTest, HostileNamesReachTheProgramWholeAndRunNothing) {
  const std::string names[] = {"a;touch x;.txt", "$(touch y).txt", "b|touch z", "c`touch w`.txt", "d\"e'f g.txt",
                               "-rf"};
  for (const std::string& name : names) {
    const std::string out = directory.FilePath("out").string();
    const std::vector<std::string> arguments = ProgramArguments(recorder + " " + out, name);
    ASSERT_EQ(StartProgram(arguments, ProgramWait::UntilExit), 0) << name;
    EXPECT_EQ(directory.ReadFile("out"), name + "\n") << name;
  }
  for (const char* planted : {"x", "y", "z", "w"}) EXPECT_FALSE(std::filesystem::exists(directory.FilePath(planted))) << planted;
}

TEST_F(RealStartTest, ReportsExitStatusAndFailureToStart) {
  EXPECT_EQ(StartProgram({"/bin/sh", "-c", "exit 3"}, ProgramWait::UntilExit), 3);
  EXPECT_EQ(StartProgram({directory.FilePath("no-such-program").string()}, ProgramWait::UntilExit), -1);
  EXPECT_EQ(StartProgram({}, ProgramWait::NoWait), -1);
}

TEST_F(RealStartTest, AProgramStartedWithoutWaitingIsCollected) {
  const std::string out = directory.FilePath("later").string();
  ASSERT_EQ(StartProgram({recorder, out, "one"}, ProgramWait::NoWait), 0);
  ReapStartedPrograms(true);
  EXPECT_EQ(directory.ReadFile("later"), "one\n");
  // Nothing of ours is left to collect.
  EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
}

}  // namespace
}  // namespace korval::platform
