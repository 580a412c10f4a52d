// The command line: options in order, the transfer arguments split and
// classified, and the URL form with its port and user.

#include "config/batch_arguments.h"

#include <gtest/gtest.h>

#include "config/command_options.h"
#include "config/password_encoding.h"
#include "config_fixture.h"

namespace korval::config {
namespace {

struct ClassifyCase {
  const char* text;
  ArgumentKind kind;
  const char* host;
  const char* path;
};

TEST(ClassifyBatchArgumentTest, KindsHostsAndPaths) {
  const ClassifyCase cases[] = {
      {"", ArgumentKind::None, "", ""},
      {"local:/tmp/a.txt", ArgumentKind::Local, "", "/tmp/a.txt"},
      {"LOCAL:C:/x", ArgumentKind::Local, "", "C:/x"},
      {"notes.txt", ArgumentKind::Local, "", "notes.txt"},
      {"/home/ann/notes.txt", ArgumentKind::Local, "", "/home/ann/notes.txt"},
      {"ftp.example.com:/pub/file", ArgumentKind::Remote, "ftp.example.com", "/pub/file"},
      {"host:::/pub/file", ArgumentKind::Remote, "host", "/pub/file"},
      {"C:/dir/file", ArgumentKind::Remote, "C", "/dir/file"},
      {"//host/pub/file", ArgumentKind::Remote, "host", "/pub/file"},
      {"ftp://host/pub/file", ArgumentKind::Remote, "host", "/pub/file"},
      {"FTP:file://host/pub", ArgumentKind::Remote, "host", "/pub"},
      {"file:host:/x", ArgumentKind::Remote, "host", "/x"},
      {"ftp://127.0.0.1:2121/pub/a b", ArgumentKind::Remote, "127.0.0.1", "/pub/a b"},
      {"ftp://host", ArgumentKind::Remote, "host", ""},
      {"ftp://host:99999/x", ArgumentKind::None, "", ""},
      {"ftp://host:21x/x", ArgumentKind::None, "", ""},
      {"ftp:///x", ArgumentKind::None, "", ""},
      {"ftp://[::1]/pub/a", ArgumentKind::Remote, "::1", "/pub/a"},
      {"ftp://[::1]:2121/pub/a", ArgumentKind::Remote, "::1", "/pub/a"},
      {"ftp://ann@[fe80::1:2]:21/x", ArgumentKind::Remote, "fe80::1:2", "/x"},
      {"ftp://[::1]", ArgumentKind::Remote, "::1", ""},
      {"ftp://[::1/x", ArgumentKind::None, "", ""},
      {"ftp://[::1]2121/x", ArgumentKind::None, "", ""},
      {"ftp://[::1]:/x", ArgumentKind::None, "", ""},
      {"ftp://[::1]:70000/x", ArgumentKind::None, "", ""},
      {"ftp://[host]/x", ArgumentKind::None, "", ""},
      {"ftp://[]/x", ArgumentKind::None, "", ""},
      {"[::1]:/pub/file", ArgumentKind::Remote, "::1", "/pub/file"},
      {"[fe80::2]::/pub", ArgumentKind::Remote, "fe80::2", "/pub"},
  };
  for (const ClassifyCase& c : cases) {
    BatchArgument argument = ClassifyBatchArgument(c.text);
    EXPECT_EQ(argument.Kind, c.kind) << c.text;
    EXPECT_EQ(argument.Host, c.host) << c.text;
    EXPECT_EQ(argument.Path, c.path) << c.text;
  }
}

TEST(ClassifyBatchArgumentTest, UrlUserPasswordAndPortWin) {
  BatchArgument argument = ClassifyBatchArgument("ftp://ann:se%40cret:x@127.0.0.1:2121/pub/a.txt");
  EXPECT_EQ(argument.Kind, ArgumentKind::Remote);
  EXPECT_EQ(argument.Host, "127.0.0.1");
  EXPECT_EQ(argument.Path, "/pub/a.txt");
  EXPECT_EQ(argument.User, "ann");
  EXPECT_EQ(argument.Password, "se@cret:x");
  EXPECT_EQ(argument.Port, 2121u);

  BatchArgument plain = ClassifyBatchArgument("ftp://bob@host/x");
  EXPECT_EQ(plain.User, "bob");
  EXPECT_FALSE(plain.Password.has_value());
  EXPECT_FALSE(plain.Port.has_value());
  EXPECT_FALSE(ClassifyBatchArgument("host:/x").User.has_value());
}

TEST(ClassifyBatchArgumentTest, TlsSchemesChooseTheTlsMode) {
  struct Case {
    const char* text;
    ArgumentKind kind;
    std::optional<std::int32_t> tlsMode;
    const char* host;
    std::optional<unsigned> port;
  } cases[] = {
      {"ftpes://ann:pw@host/pub/a", ArgumentKind::Remote, 2, "host", std::nullopt},
      {"FTPES://host:2121/a", ArgumentKind::Remote, 2, "host", 2121u},
      {"ftps://host/a", ArgumentKind::Remote, 3, "host", std::nullopt},
      {"ftps://host:9990/a", ArgumentKind::Remote, 3, "host", 9990u},
      {"ftp://host/a", ArgumentKind::Remote, std::nullopt, "host", std::nullopt},
      {"host:/a", ArgumentKind::Remote, std::nullopt, "host", std::nullopt},
      {"ftps:///a", ArgumentKind::None, std::nullopt, "", std::nullopt},
      {"ftps://host:0/a", ArgumentKind::None, std::nullopt, "", std::nullopt},
      {"ftp://[::1]:2121/a", ArgumentKind::Remote, std::nullopt, "::1", 2121u},
      {"ftpes://[::1]:990/a", ArgumentKind::Remote, 2, "::1", 990u},
      {"ftps://[::1]/a", ArgumentKind::Remote, 3, "::1", std::nullopt},
  };
  for (const Case& c : cases) {
    BatchArgument argument = ClassifyBatchArgument(c.text);
    EXPECT_EQ(argument.Kind, c.kind) << c.text;
    EXPECT_EQ(argument.TlsMode, c.tlsMode) << c.text;
    EXPECT_EQ(argument.Host, c.host) << c.text;
    EXPECT_EQ(argument.Port, c.port) << c.text;
  }
  EXPECT_EQ(ClassifyBatchArgument("ftpes://ann:pw@host/pub/a").User, "ann");
  EXPECT_EQ(ClassifyBatchArgument("ftpes://ann:pw@host/pub/a").Password, "pw");
}

TEST(SplitBatchArgumentsTest, WordsAndQuotedRuns) {
  struct Case {
    const char* text;
    int count;
    const char* first;
    const char* second;
  } cases[] = {
      {"", 0, "", ""},
      {"  \thost:/a", 1, "host:/a", ""},
      {"host:/a local:/b ignored words", 2, "host:/a", "local:/b"},
      {"\"host:/my file\" \"local:/tmp/my file\"", 2, "host:/my file", "local:/tmp/my file"},
      {"a\"b c\"d e", 2, "ab cd", "e"},
  };
  for (const Case& c : cases) {
    std::string first, second;
    EXPECT_EQ(SplitBatchArguments(c.text, first, second, BatchArgumentCapacity), c.count) << c.text;
    EXPECT_EQ(first, c.first) << c.text;
    EXPECT_EQ(second, c.second) << c.text;
  }
}

class CommandLineTest : public testing::ConfigTest {
 protected:
  void SetUp() override {
    ConfigTest::SetUp();
    ResetBatchRequest();
    BatchMode() = false;
    platform::SetHost(&messages_);
  }
  void TearDown() override {
    BatchMode() = false;
    ResetBatchRequest();
    ConfigTest::TearDown();
  }
  struct MessageRecorder : testing::PromptScript {
    std::vector<std::string> Messages;
    void ShowMessage(std::string_view text, std::string_view caption) override {
      Messages.push_back(std::string(caption) + "|" + std::string(text));
    }
  } messages_;
};

TEST_F(CommandLineTest, OptionsApplyInOrderAndLeaveTheArguments) {
  WriteConfig("[work]\nHOST=ftp.example.com\nUID=ann\nPWD=" + EncodePassword("ann", "pw") + "\n");
  std::optional<std::string> rest =
      ParseCommandOptions("-p work -u bob -w secret -c acct -binary -d local:/tmp/x -quiet host:/a b");
  ASSERT_TRUE(rest.has_value());
  EXPECT_EQ(*rest, "host:/a b");
  EXPECT_EQ(CurrentProfile().Name, "work");
  EXPECT_EQ(CurrentProfile().Host, "ftp.example.com");
  EXPECT_EQ(CurrentProfile().User, "bob");
  EXPECT_EQ(CurrentProfile().Password, "secret");
  EXPECT_EQ(CurrentProfile().Account, "acct");
  EXPECT_EQ(Settings().Mode, 'I');
  EXPECT_EQ(Batch().Destination, "local:/tmp/x");
  EXPECT_TRUE(Batch().QuietMode);
  EXPECT_FALSE(BatchMode());
}

TEST_F(CommandLineTest, TrustedFingerprintOptionIsKeptForTheRun) {
  EXPECT_FALSE(Batch().TrustedFingerprint.has_value());
  std::optional<std::string> rest = ParseCommandOptions("-t AB:CD:EF -quiet ftpes://host/a");
  ASSERT_TRUE(rest.has_value());
  EXPECT_EQ(*rest, "ftpes://host/a");
  EXPECT_EQ(Batch().TrustedFingerprint, "AB:CD:EF");
  EXPECT_TRUE(Batch().QuietMode);
}

TEST_F(CommandLineTest, SourceOptionStartsBatchModeAndAsciiSetsTheMode) {
  std::optional<std::string> rest = ParseCommandOptions("-ascii -s host:/pub/a.txt");
  ASSERT_TRUE(rest.has_value());
  EXPECT_EQ(*rest, "");
  EXPECT_EQ(Batch().Source, "host:/pub/a.txt");
  EXPECT_TRUE(BatchMode());
  EXPECT_EQ(Settings().Mode, 'A');
}

TEST_F(CommandLineTest, ProfileOptionLoadsTheProfileAgainAfterInifile) {
  std::string other = Root() + "/other.ini";
  WriteFile(other, "[_config_]\nSESSION=\n[p]\nHOST=h.example\nPORT=2121\n");
  std::optional<std::string> rest = ParseCommandOptions("-u early -i " + other + " -p p x");
  ASSERT_TRUE(rest.has_value());
  EXPECT_EQ(ProgramFiles().ConfigPath, other);
  EXPECT_EQ(CurrentProfile().Host, "h.example");
  EXPECT_EQ(CurrentProfile().Port, 2121u);
  EXPECT_EQ(CurrentProfile().User, "");  // -p reset what -u set before it
}

TEST_F(CommandLineTest, RelativeInifileIsTakenFromTheStartingDirectory) {
  // The window's local pane changes the process's directory later: the file
  // must stay the one named at the start.
  WriteFile(WorkingDirectory() + "/sub/other.ini", "[_config_]\nSESSION=\n[p]\nHOST=rel.example\n");
  std::optional<std::string> rest = ParseCommandOptions("-i sub/other.ini -p p x");
  ASSERT_TRUE(rest.has_value());
  EXPECT_EQ(ProgramFiles().ConfigPath, WorkingDirectory() + "/sub/other.ini");
  EXPECT_EQ(CurrentProfile().Host, "rel.example");
}

TEST_F(CommandLineTest, UnknownOptionShowsTheRestAndTheUsage) {
  EXPECT_FALSE(ParseCommandOptions("-binary -x foo bar").has_value());
  ASSERT_EQ(messages_.Messages.size(), 1u);
  EXPECT_EQ(messages_.Messages[0].rfind("KORVAL95 LE|Unknown arguments -x foo bar\n\nSyntax: KORVAL", 0), 0u)
      << messages_.Messages[0];
}

TEST_F(CommandLineTest, AskReplacesTheCommandLineOrIsSkippedOnCancel) {
  messages_.Answers = {std::string("-u carol host:/f")};
  std::optional<std::string> rest = ParseCommandOptions("-ask");
  ASSERT_TRUE(rest.has_value());
  EXPECT_EQ(*rest, "host:/f");
  EXPECT_EQ(CurrentProfile().User, "carol");
  ASSERT_EQ(messages_.Prompts.size(), 1u);
  EXPECT_EQ(messages_.Prompts[0].Text, "Enter command line:");
  EXPECT_EQ(messages_.Prompts[0].Capacity, PromptAnswerCapacity);

  messages_.Answers.clear();  // Cancel
  rest = ParseCommandOptions("-ask -binary host:/g");
  ASSERT_TRUE(rest.has_value());
  EXPECT_EQ(*rest, "host:/g");
}

TEST_F(CommandLineTest, BatchEntryFindsQuietAndAsciiAnywhere) {
  PrepareBatchArguments("host:\\pub\\a.txt -quiet local:C:\\tmp\\a.txt -ascii");
  EXPECT_TRUE(BatchMode());
  EXPECT_TRUE(Batch().QuietMode);
  EXPECT_EQ(Settings().Mode, 'A');
  EXPECT_EQ(Batch().Source, "host:/pub/a.txt");
  EXPECT_EQ(Batch().Destination, "local:C:/tmp/a.txt");
}

TEST_F(CommandLineTest, QuietAndAsciiCountOnlyAsWholeWords) {
  const struct {
    const char* text;
    const char* source;
    const char* destination;
    bool quiet;
    char mode;
  } cases[] = {
      {"ftp://h/pub/data-ascii.csv", "ftp://h/pub/data-ascii.csv", "", false, 'I'},
      {"h:/x-quiet local:-quiet.txt", "h:/x-quiet", "local:-quiet.txt", false, 'I'},
      {"h:/-asciidoc -ascii", "h:/-asciidoc", "", false, 'A'},
      {"h:/a -quietly local:b", "h:/a", "-quietly", false, 'I'},
      {"-quiet h:/a-quiet local:b", "h:/a-quiet", "local:b", true, 'I'},
      {"h:/a local:b -quiet", "h:/a", "local:b", true, 'I'},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    ResetBatchRequest();
    Settings().Mode = 'I';
    PrepareBatchArguments(c.text);
    EXPECT_EQ(Batch().Source, c.source);
    EXPECT_EQ(Batch().Destination, c.destination);
    EXPECT_EQ(Batch().QuietMode, c.quiet);
    EXPECT_EQ(Settings().Mode, c.mode);
  }
}

TEST_F(CommandLineTest, AnotherUserDropsTheProfilesPassword) {
  WriteConfig("[work]\nHOST=ftp.example.com\nUID=ann\nPWD=" + EncodePassword("ann", "pw") + "\n");
  ASSERT_TRUE(ParseCommandOptions("-p work -u bob x").has_value());
  EXPECT_EQ(CurrentProfile().User, "bob");
  EXPECT_EQ(CurrentProfile().Password, "");
  EXPECT_EQ(Batch().UserOption, "bob");
  EXPECT_FALSE(Batch().PasswordOption.has_value());
  EXPECT_TRUE(Batch().ProfileNamed);

  ASSERT_TRUE(ParseCommandOptions("-p work -u ann x").has_value());
  EXPECT_EQ(CurrentProfile().Password, "pw");  // its own user keeps it
  ASSERT_TRUE(ParseCommandOptions("-p work -w given -u bob x").has_value());
  EXPECT_EQ(CurrentProfile().Password, "given");
}

TEST(NextWordTest, SkipsTheOptionAndTakesTheValue) {
  std::string target;
  std::string_view text = "-p   work   rest";
  std::size_t position = NextWord(text, 0, target, 79);
  EXPECT_EQ(target, "work");
  EXPECT_EQ(text.substr(position), "rest");
  position = NextWord("-p", 0, target, 79);
  EXPECT_EQ(target, "");
  NextWord("-u " + std::string(100, 'u'), 0, target, 79);
  EXPECT_EQ(target.size(), 79u);
}

}  // namespace
}  // namespace korval::config
