// korval in a terminal as its users meet it, run as a process against vsftpd
// and pyftpdlib: every failure with its reason, the dialogue on request, the
// progress meter on a terminal (and nothing of it in a pipe), the listing of
// a remote directory, and the manual page and shell completion it installs.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <ctime>
#include <filesystem>
#include <regex>
#include <set>
#include <sstream>

#include "config/password_encoding.h"
#include "tests/support/local_sockets.h"
#include "tests/support/program_run.h"
#include "tests/support/real_ftp_server.h"
#include "tests/support/temporary_directory.h"

namespace korval::testing {
namespace {

namespace fs = std::filesystem;

constexpr char Caption[] = "KORVAL95 LE: ";

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

class TerminalProgramTest : public RealServerTest {
 protected:
  void SetUp() override {
    RealServerTest::SetUp();
    if (HasFatalFailure()) return;
    ASSERT_TRUE(local_.CreateDirectory("config"));
  }
  ProgramRun Run(std::vector<std::string> arguments) {
    const std::string iniPath = local_.FilePath("test.ini").string();
    EXPECT_TRUE(local_.WriteFile("test.ini", "[_config_]\nBELL=0\n[testhost]\nHOST=127.0.0.1\nPORT=" +
                                                 std::to_string(Server().Port()) + "\nUID=" + Server().User() +
                                                 "\nPWD=" +
                                                 config::EncodePassword(Server().User(), Server().Password()) +
                                                 "\nPASVMODE=1\n"));
    arguments.insert(arguments.begin(), {"-i", iniPath});
    return ProgramRun{KorvalProgramPath(), arguments, local_.Path().string(),
                      {"HOME=" + local_.Path().string(), "XDG_CONFIG_HOME=" + local_.FilePath("config").string()}};
  }
  ProgramResult Korval(std::vector<std::string> arguments) { return RunProgram(Run(std::move(arguments))); }
  ProgramResult KorvalOnTerminal(std::vector<std::string> arguments) {
    ProgramRun run = Run(std::move(arguments));
    run.stderrOnTerminal = true;
    return RunProgram(run);
  }
  std::string Url(const std::string& path, const std::string& password) {
    return "ftp://" + Server().User() + ":" + password + "@127.0.0.1:" + std::to_string(Server().Port()) + path;
  }

  TemporaryDirectory local_;
};

TEST_P(TerminalProgramTest, EveryFailureEndsWithItsReason) {
  ASSERT_TRUE(Server().WriteFile("f.txt", "data"));
  const std::string uncreatable = local_.FilePath("nonexistent-dir/x5").string();
  const std::string unreadable = local_.FilePath("absent.bin").string();
  const struct {
    const char* name;
    std::vector<std::string> arguments;
    std::string message;  // the whole line, up to where the server's own words begin
    bool serverWords;     // the server's reply text follows
  } cases[] = {
      {"a refused port",
       {"ftp://127.0.0.1:" + std::to_string(RefusedLoopbackPort()) + "/f.txt"},
       "Connect failed to 127.0.0.1: connection refused",
       false},
      {"a wrong password", {Url("/f.txt", "wrong-password")}, "Connect failed to 127.0.0.1: 530 ", true},
      {"no password, and no terminal to ask on",
       {"-u", Server().User(), "ftp://127.0.0.1:" + std::to_string(Server().Port()) + "/f.txt"},
       "Connect failed to 127.0.0.1: no password given for " + Server().User(),
       false},
      {"a missing remote file", {"testhost:/nosuch.txt"}, "Transfer failed for /nosuch.txt from 127.0.0.1: 550 ",
       true},
      {"a local file that cannot be created",
       {"testhost:/f.txt", "local:" + uncreatable},
       "Transfer failed for /f.txt from 127.0.0.1: cannot create " + uncreatable + ": No such file or directory",
       false},
      {"a local file that cannot be read",
       {"local:" + unreadable, "testhost:/up.bin"},
       "Transfer failed for /up.bin from 127.0.0.1: cannot read " + unreadable + ": No such file or directory",
       false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ProgramResult result = Korval(c.arguments);
    EXPECT_EQ(result.exitCode, 1) << result.err;
    bool found = false;
    for (const std::string& line : Lines(result.err)) {
      if (line.rfind(Caption + c.message, 0) != 0) continue;
      found = true;
      // The server's words are its last reply line, and nothing after it.
      if (c.serverWords)
        EXPECT_TRUE(std::regex_match(line.substr(sizeof Caption - 1 + c.message.size()), std::regex("[^:]+")))
            << line;
      else
        EXPECT_EQ(line, Caption + c.message);
    }
    EXPECT_TRUE(found) << result.err;
    // The log has the reason too.
    EXPECT_NE(local_.ReadFile("xferlog.txt").value_or("").find(c.message), std::string::npos);
  }
  EXPECT_FALSE(fs::exists(local_.FilePath("nonexistent-dir")));
}

TEST_P(TerminalProgramTest, VerboseShowsTheDialogueWithoutThePassword) {
  ASSERT_TRUE(Server().WriteFile("f.txt", "data"));
  ProgramResult result = Korval({"-v", "testhost:/f.txt", "local:got.txt"});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  const std::vector<std::string> lines = Lines(result.err);
  const std::set<std::string> shown(lines.begin(), lines.end());
  EXPECT_TRUE(shown.count("USER " + Server().User())) << result.err;
  EXPECT_TRUE(shown.count("PASS (hidden)")) << result.err;
  EXPECT_TRUE(shown.count("RETR /f.txt")) << result.err;
  EXPECT_TRUE(shown.count("successful transfer")) << result.err;
  EXPECT_EQ(result.err.find(Server().Password()), std::string::npos);
  EXPECT_EQ(result.err.find("[x]"), std::string::npos);  // bracketed notes only with VERBOSE

  result = Korval({"testhost:/f.txt", "local:again.txt"});
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.err, "");
}

TEST_P(TerminalProgramTest, RemoteDirectoryIsListedForAReader) {
  ASSERT_TRUE(Server().WriteFile("dir/one.txt", "1"));
  ASSERT_TRUE(Server().WriteFile("dir/two.txt", std::string(1234567, 't')));
  ASSERT_TRUE(Server().MakeDirectory("dir/sub"));
  ProgramResult result = Korval({"testhost:/dir"});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  const std::time_t now = std::time(nullptr);
  std::tm today{};
  ::localtime_r(&now, &today);
  const std::string year = std::to_string(today.tm_year + 1900);
  const std::string date = year + "-[01][0-9]-[0-3][0-9] [0-2][0-9]:[0-5][0-9]";
  const std::vector<std::string> lines = Lines(result.out);
  ASSERT_EQ(lines.size(), 3u) << result.out;  // no ".."
  std::set<std::string> kinds;
  for (const std::string& line : lines) {
    if (line.find("sub") != std::string::npos)
      EXPECT_TRUE(std::regex_match(line, std::regex("d {31}  sub"))) << line;
    else if (line.find("one.txt") != std::string::npos)
      EXPECT_TRUE(std::regex_match(line, std::regex("- {12}1  " + date + "  one\\.txt"))) << line;
    else
      EXPECT_TRUE(std::regex_match(line, std::regex("-      1234567  " + date + "  two\\.txt"))) << line;
  }
}

TEST_P(TerminalProgramTest, ProgressMeterOnlyOnATerminal) {
  const std::string content(16 << 20, 'x');
  ASSERT_TRUE(local_.WriteFile("up.bin", content));
  ASSERT_TRUE(Server().WriteFile("down.bin", content));
  const std::regex finished("16\\.0 MiB of 16\\.0 MiB  100%  [0-9.]+ [KMG]?i?B/s  0:00 left");
  {
    SCOPED_TRACE("a send: the local file's size");
    ProgramResult result = KorvalOnTerminal({"local:up.bin", "testhost:/up.bin"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_TRUE(std::regex_search(result.err, finished)) << result.err;
    // The meter's line is blanked at the end, so the prompt comes back clean.
    EXPECT_EQ(result.err.back(), '\r') << result.err;
  }
  {
    SCOPED_TRACE("a receive: the size the server announces, if it does");
    ProgramResult result = KorvalOnTerminal({"testhost:/down.bin", "local:down.bin"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    if (GetParam() == ServerKind::Vsftpd)
      EXPECT_TRUE(std::regex_search(result.err, finished)) << result.err;
    else  // pyftpdlib's 150 reply gives no size
      EXPECT_TRUE(std::regex_search(result.err, std::regex("\r16\\.0 MiB  [0-9.]+ [KMG]?i?B/s"))) << result.err;
    EXPECT_EQ(local_.ReadFile("down.bin"), content);
  }
  {
    SCOPED_TRACE("-quiet on a terminal, and a pipe");
    ProgramResult quiet = KorvalOnTerminal({"-quiet", "testhost:/down.bin", "local:quiet.bin"});
    EXPECT_EQ(quiet.exitCode, 0);
    EXPECT_EQ(quiet.err.find("MiB"), std::string::npos) << quiet.err;
    ProgramResult piped = Korval({"testhost:/down.bin", "local:piped.bin"});
    EXPECT_EQ(piped.exitCode, 0);
    EXPECT_EQ(piped.err, "");
  }
}

KORVAL_INSTANTIATE_REAL_SERVER_TESTS(TerminalProgramTest);

TEST(TerminalProgramNameTest, NameThatDoesNotResolve) {
  TemporaryDirectory local;
  ProgramRun run{KorvalProgramPath(), {"nosuchhost.invalid:/x"}, local.Path().string(),
                 {"HOME=" + local.Path().string(), "XDG_CONFIG_HOME=" + local.Path().string()}};
  ProgramResult result = RunProgram(run);
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err, std::string(Caption) + "Connect failed to nosuchhost.invalid: Host not found or server failure\n");
}

// The options --help names, each as "-x" without its value.
std::vector<std::string> HelpOptions() {
  ProgramResult help = RunProgram({KorvalProgramPath(), {"--help"}, "", {}});
  std::vector<std::string> options;
  std::smatch match;
  for (const std::string& line : Lines(help.out))
    if (std::regex_search(line, match, std::regex("^  (-[-a-z]+)"))) options.push_back(match[1]);
  return options;
}

TEST(ManualPageTest, RendersWithoutWarningsAndNamesEveryOption) {
  const std::string page = SourceFilePath("doc/korval.1");
  ProgramResult groff = RunProgram({"/usr/bin/groff", {"-ww", "-man", "-Tutf8", "-z", page}, "", {}});
  EXPECT_EQ(groff.exitCode, 0);
  EXPECT_EQ(groff.err, "");
  ProgramResult man = RunProgram({"/usr/bin/man", {"-l", page}, "", {"MANWIDTH=80", "MAN_KEEP_FORMATTING="}});
  EXPECT_EQ(man.exitCode, 0) << man.err;
  EXPECT_EQ(man.err, "");
  for (const char* section : {"NAME", "SYNOPSIS", "OPTIONS", "EXIT STATUS", "FILES", "EXAMPLES"})
    EXPECT_NE(man.out.find(std::string("\n") + section + "\n"), std::string::npos) << section;
  for (const char* file : {"KORVAL.INI", "KORVAL.EXT", "KORVAL.CNV", "xferlog.txt"})
    EXPECT_NE(man.out.find(file), std::string::npos) << file;
  const std::vector<std::string> options = HelpOptions();
  EXPECT_GE(options.size(), 13u);
  for (const std::string& option : options) {
    // Rendered with a hyphen or with a minus sign.
    std::string minus = option;
    for (std::size_t at = 0; (at = minus.find('-', at)) != std::string::npos; at += 3) minus.replace(at, 1, "\u2212");
    EXPECT_TRUE(man.out.find("       " + option) != std::string::npos ||
                man.out.find("       " + minus) != std::string::npos)
        << option;
  }
}

TEST(InstallTest, PutsTheProgramItsManualPageAndCompletionInPlace) {
  TemporaryDirectory prefix;
  ProgramResult install = RunProgram(
      {"/usr/bin/cmake", {"--install", KORVAL_BINARY_DIR, "--prefix", prefix.Path().string()}, "", {}});
  ASSERT_EQ(install.exitCode, 0) << install.out << install.err;
  EXPECT_TRUE(fs::exists(prefix.FilePath("bin/korval")));
  EXPECT_TRUE(fs::exists(prefix.FilePath("share/bash-completion/completions/korval")));
  ProgramResult man = RunProgram({"/usr/bin/man", {"korval"}, "",
                                  {"MANPATH=" + prefix.FilePath("share/man").string(), "MANWIDTH=80"}});
  EXPECT_EQ(man.exitCode, 0) << man.err;
  EXPECT_NE(man.out.find("korval - FTP client"), std::string::npos) << man.out;
}

// What the completion offers for the line `line`, the cursor at its end.
std::vector<std::string> Completions(const std::string& line, const std::string& directory) {
  const std::string script = "source \"$1\"; COMP_LINE=\"$2\"; COMP_POINT=${#COMP_LINE}; _korval; "
                             "printf '%s\\n' \"${COMPREPLY[@]}\"";
  ProgramResult result =
      RunProgram({"/bin/bash", {"-c", script, "bash", SourceFilePath("doc/korval.bash-completion"), line}, directory,
                  {"HOME=" + directory, "XDG_CONFIG_HOME=" + directory + "/config"}});
  EXPECT_EQ(result.err, "");
  std::vector<std::string> replies = Lines(result.out);
  std::erase(replies, "");
  return replies;
}

TEST(CompletionTest, OffersOptionsProfilesAndLocalNames) {
  TemporaryDirectory local;
  ASSERT_TRUE(local.WriteFile("KORVAL.INI",
                              "[_config_]\nSESSION=work\n[work]\nHOST=ftp.example.com\n[FIREWALL]\nFIREHOST=fw\n"
                              "[Lab]\r\nhost = 10.0.0.1\r\n"));
  ASSERT_TRUE(local.CreateDirectory("config/korval"));
  ASSERT_TRUE(local.WriteFile("config/korval/KORVAL.INI", "[home]\nHOST=h\n"));
  ASSERT_TRUE(local.WriteFile("other.ini", "[elsewhere]\nHOST=e\n"));
  ASSERT_TRUE(local.WriteFile("report.txt", "r"));
  ASSERT_TRUE(local.CreateDirectory("reports"));
  const std::string dir = local.Path().string();
  const struct {
    std::string line;
    std::vector<std::string> replies;
  } cases[] = {
      {"korval -q", {"-quiet"}},
      {"korval -b", {"-binary"}},
      {"korval -p ", {"work", "Lab"}},
      {"korval -p W", {}},
      {"korval -i other.ini -p ", {"elsewhere"}},
      {"korval wo", {"work:"}},
      {"korval loc", {"local:"}},
      {"korval work:/x local:rep", {"report.txt", "reports/"}},  // bash keeps "local:" itself
      {"korval -u ", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    std::vector<std::string> replies = Completions(c.line, dir);
    std::sort(replies.begin(), replies.end());
    std::vector<std::string> expected = c.replies;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(replies, expected);
  }
  ASSERT_TRUE(fs::remove(local.FilePath("KORVAL.INI")));
  EXPECT_EQ(Completions("korval -p ", dir), std::vector<std::string>{"home"});
}

}  // namespace
}  // namespace korval::testing
