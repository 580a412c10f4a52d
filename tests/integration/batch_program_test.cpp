// The korval program run as a script would run it, against vsftpd and
// pyftpdlib: receives and sends by every argument form, profiles found by the
// host's name, and exit codes and messages for every failure.

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <csignal>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include <algorithm>

#include "config/password_encoding.h"
#include "tests/support/program_run.h"
#include "tests/support/real_ftp_server.h"
#include "tests/support/scripted_ftp_server.h"
#include "tests/support/temporary_directory.h"

namespace korval::testing {
namespace {

class BatchProgramTest : public RealServerTest {
 protected:
  void SetUp() override {
    RealServerTest::SetUp();
    if (HasFatalFailure()) return;
    ASSERT_TRUE(local_.CreateDirectory("config"));
  }
  // Runs korval in the local directory with `ini` as its KORVAL.INI.
  ProgramResult Korval(std::vector<std::string> arguments, const std::string& ini = "") {
    const std::string iniPath = local_.FilePath("test.ini").string();
    EXPECT_TRUE(local_.WriteFile("test.ini", "[_config_]\nBELL=0\n" + ini));
    arguments.insert(arguments.begin(), {"-i", iniPath});
    ProgramRun run{KorvalProgramPath(), arguments, local_.Path().string(),
                   {"HOME=" + local_.Path().string(), "XDG_CONFIG_HOME=" + local_.FilePath("config").string()}};
    return RunProgram(run);
  }
  std::string ProfileSection(const std::string& name) {
    return "[" + name + "]\nHOST=127.0.0.1\nPORT=" + std::to_string(Server().Port()) + "\nUID=" + Server().User() +
           "\nPWD=" + config::EncodePassword(Server().User(), Server().Password()) + "\nPASVMODE=1\n";
  }
  std::string Url(const std::string& path, const std::string& password) {
    return "ftp://" + Server().User() + ":" + password + "@127.0.0.1:" + std::to_string(Server().Port()) + path;
  }

  TemporaryDirectory local_;
};

TEST_P(BatchProgramTest, ReceivesThroughAProfileNamedLikeTheHost) {
  ASSERT_TRUE(Server().WriteFile("pub/data.bin", std::string("\0\1\2\r\n\3", 6)));
  ProgramResult result = Korval({"testhost:/pub/data.bin", "local:got.bin"}, ProfileSection("testhost"));
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(local_.ReadFile("got.bin"), std::string("\0\1\2\r\n\3", 6));
  // Batch mode keeps its log beside the files it moves.
  std::optional<std::string> log = local_.ReadFile("xferlog.txt");
  ASSERT_TRUE(log.has_value());
  EXPECT_NE(log->find("receiving /pub/data.bin from 127.0.0.1 as got.bin\n"), std::string::npos) << *log;
  EXPECT_NE(log->find("PASS (hidden)"), std::string::npos);
  EXPECT_EQ(log->find(Server().Password()), std::string::npos);
  EXPECT_NE(log->find("successful transfer\n"), std::string::npos);
}

TEST_P(BatchProgramTest, ReceivesByUrlIntoTheRemoteName) {
  ASSERT_TRUE(Server().WriteFile("report.txt", "report"));
  ProgramResult result = Korval({Url("/report.txt", Server().Password())});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(local_.ReadFile("report.txt"), "report");
}

TEST_P(BatchProgramTest, SendsALocalFile) {
  ASSERT_TRUE(local_.WriteFile("up.bin", "uploaded\r\n"));
  ProgramResult result = Korval({"local:" + local_.FilePath("up.bin").string(), "testhost:/up.bin"},
                                ProfileSection("testhost"));
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(Server().ReadFile("up.bin"), "uploaded\r\n");
}

TEST_P(BatchProgramTest, AsciiConvertsLineEnds) {
  // pyftpdlib puts text on the wire as CR LF, vsftpd sends the bytes it has.
  ASSERT_TRUE(Server().WriteFile("notes.txt", GetParam() == ServerKind::Pyftpdlib ? "a\nb\n" : "a\r\nb\r\n"));
  ProgramResult result = Korval({"testhost:/notes.txt", "local:notes.txt", "-ascii"}, ProfileSection("testhost"));
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(local_.ReadFile("notes.txt"), "a\nb\n");
}

TEST_P(BatchProgramTest, WrongPasswordFailsTheConnect) {
  ProgramResult result = Korval({Url("/x", "wrong-password")});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.err.find("Connect failed to 127.0.0.1"), std::string::npos) << result.err;
}

TEST_P(BatchProgramTest, MissingRemoteFileFailsTheTransfer) {
  ASSERT_TRUE(local_.WriteFile("missing.txt", "keep me"));
  ProgramResult result = Korval({"testhost:/missing.txt", "local:missing.txt"}, ProfileSection("testhost"));
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.err.find("Transfer failed for /missing.txt from 127.0.0.1"), std::string::npos) << result.err;
  EXPECT_EQ(local_.ReadFile("missing.txt"), "keep me");
}

TEST_P(BatchProgramTest, QuietSuppressesTheMessage) {
  ProgramResult result = Korval({"-quiet", "testhost:/missing.txt"}, ProfileSection("testhost"));
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err.find("Transfer failed"), std::string::npos) << result.err;
  std::optional<std::string> log = local_.ReadFile("xferlog.txt");
  ASSERT_TRUE(log.has_value());
  EXPECT_NE(log->find("Transfer failed for /missing.txt from 127.0.0.1"), std::string::npos);
}

TEST_P(BatchProgramTest, RemoteDirectoryAsSourceIsListed) {
  ASSERT_TRUE(Server().WriteFile("dir/one.txt", "1"));
  ASSERT_TRUE(Server().WriteFile("dir/two.txt", "22"));
  ASSERT_TRUE(Server().MakeDirectory("dir/sub"));
  ProgramResult result = Korval({"testhost:/dir"}, ProfileSection("testhost") + "[_config_]\n");
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_NE(result.out.find("one.txt"), std::string::npos) << result.out;
  EXPECT_NE(result.out.find("two.txt"), std::string::npos) << result.out;
  EXPECT_NE(result.out.find("sub"), std::string::npos) << result.out;
}

TEST_P(BatchProgramTest, OptionWordsInsideANameAreTheName) {
  ASSERT_TRUE(Server().WriteFile("pub/data-ascii.csv", "a\r\nb"));
  ASSERT_TRUE(Server().WriteFile("pub/data.csv", "other"));
  ASSERT_TRUE(Server().WriteFile("pub/x-quiet", "quiet name"));
  ProgramResult result = Korval({Url("/pub/data-ascii.csv", Server().Password())});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(local_.ReadFile("data-ascii.csv"), "a\r\nb");  // whole, and in binary
  result = Korval({Url("/pub/x-quiet", Server().Password()), "local:got-quiet"});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(local_.ReadFile("got-quiet"), "quiet name");
}

TEST_P(BatchProgramTest, SourceOptionStillTransfersAfterAnUnknownOption) {
  ASSERT_TRUE(Server().WriteFile("f.txt", "by -s"));
  ProgramResult result =
      Korval({"-s", "testhost:/f.txt", "-d", "local:got.txt", "-x", "ignored"}, ProfileSection("testhost"));
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_NE(result.err.find("Unknown arguments -x ignored"), std::string::npos) << result.err;
  EXPECT_EQ(local_.ReadFile("got.txt"), "by -s");
}

KORVAL_INSTANTIATE_REAL_SERVER_TESTS(BatchProgramTest);

// How often `part` occurs in `text`.
std::size_t Occurrences(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

TEST(BatchCommandLineTest, NotUnderstoodCommandLinesExitWithTwoAndTheUsage) {
  TemporaryDirectory local;
#ifdef KORVAL_WITH_WINDOW
  // Without a transfer the window would open: with no display it says so.
  const char* noTransfer = "the window needs a display";
  const std::size_t usageWithoutTransfer = 0;
#else
  const char* noTransfer = "Syntax: KORVAL";
  const std::size_t usageWithoutTransfer = 1;
#endif
  struct Case {
    std::vector<std::string> arguments;
    const char* message;
    std::size_t usage;  // how often the usage is shown
  } cases[] = {
      {{"-x"}, "Unknown arguments -x", 1},
      {{"local:/a", "local:/b"}, "Unknown batch command!", 1},
      {{"C:/a.txt", "host:/b"}, "SRC(2): C:/a.txt", 1},
      {{}, noTransfer, usageWithoutTransfer},
  };
  for (const Case& c : cases) {
    ProgramRun run{KorvalProgramPath(), c.arguments, local.Path().string(),
                   {"HOME=" + local.Path().string(), "XDG_CONFIG_HOME=" + local.Path().string(), "DISPLAY=",
                    "WAYLAND_DISPLAY=", "QT_QPA_PLATFORM="}};
    ProgramResult result = RunProgram(run);
    EXPECT_EQ(result.exitCode, 2) << c.message;
    EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
    // The usage at most once, its last line ended.
    EXPECT_EQ(Occurrences(result.err, "Syntax: KORVAL [args] host:full_path"), c.usage) << result.err;
    if (c.usage > 0) {
      EXPECT_NE(result.err.find("                 -v\n"), std::string::npos) << result.err;
    }
    EXPECT_EQ(result.out, "");
  }
}

#ifdef KORVAL_WITH_WINDOW
// With no display and no transfer: one line, which says how to transfer.
TEST(BatchCommandLineTest, NoDisplayWithoutATransferSaysSoInOneLine) {
  TemporaryDirectory local;
  ProgramRun run{KorvalProgramPath(), {}, local.Path().string(),
                 {"HOME=" + local.Path().string(), "XDG_CONFIG_HOME=" + local.Path().string(), "DISPLAY=",
                  "WAYLAND_DISPLAY=", "QT_QPA_PLATFORM="}};
  ProgramResult result = RunProgram(run);
  EXPECT_EQ(result.exitCode, 2);
  EXPECT_EQ(Occurrences(result.err, "\n"), 1u) << result.err;
  EXPECT_NE(result.err.find("host:full_path"), std::string::npos) << result.err;
  // A display that names no running server is no display either.
  run.environment[2] = "DISPLAY=:97";
  result = RunProgram(run);
  EXPECT_EQ(result.exitCode, 2) << result.err;
  EXPECT_NE(result.err.find("the window needs a display"), std::string::npos) << result.err;
}

TEST(BatchCommandLineTest, DisplaySocketLeftByAServerThatEndedIsNoDisplay) {
  // A crashed X server leaves its socket behind: connecting is refused.
  ::mkdir("/tmp/.X11-unix", 01777);
  int display = 900 + static_cast<int>(::getpid() % 90);
  std::string path = "/tmp/.X11-unix/X" + std::to_string(display);
  ::unlink(path.c_str());
  const int server = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(server, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  path.copy(address.sun_path, path.size());
  ASSERT_EQ(::bind(server, reinterpret_cast<const sockaddr*>(&address), sizeof(address)), 0) << path;
  ::close(server);  // bound, never listening, now gone: the file stays
  TemporaryDirectory local;
  ProgramResult result = RunProgram({KorvalProgramPath(), {}, local.Path().string(),
                                     {"HOME=" + local.Path().string(), "XDG_CONFIG_HOME=" + local.Path().string(),
                                      "DISPLAY=:" + std::to_string(display), "WAYLAND_DISPLAY=",
                                      "QT_QPA_PLATFORM="}});
  ::unlink(path.c_str());
  EXPECT_EQ(result.exitCode, 2) << result.err;
  EXPECT_NE(result.err.find("the window needs a display"), std::string::npos) << result.err;
}

// An Xvfb that requires an authorisation cookie this program does not hold;
// the server picks a free display number and writes it to a pipe.
class CookieGuardedXServer {
 public:
  explicit CookieGuardedXServer(const std::string& authorityFile) {
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::close(pipeEnds[0]);
      const std::string fd = std::to_string(pipeEnds[1]);
      ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-auth", authorityFile.c_str(), "-nolisten", "tcp",
               static_cast<char*>(nullptr));
      ::_exit(127);
    }
    ::close(pipeEnds[1]);
    std::string number;
    pollfd wait{pipeEnds[0], POLLIN, 0};
    char c = 0;
    while (::poll(&wait, 1, 10000) == 1 && ::read(pipeEnds[0], &c, 1) == 1 && c != '\n') number += c;
    ::close(pipeEnds[0]);
    if (!number.empty()) display_ = ":" + number;
  }
  ~CookieGuardedXServer() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
  }
  CookieGuardedXServer(const CookieGuardedXServer&) = delete;
  CookieGuardedXServer& operator=(const CookieGuardedXServer&) = delete;
  const std::string& Display() const { return display_; }  // empty: it did not start

 private:
  pid_t pid_ = -1;
  std::string display_;
};

TEST(BatchCommandLineTest, DisplayThatRefusesTheProgramIsNoDisplay) {
  TemporaryDirectory local;
  // Any cookie in the server's authority file turns its access control on.
  ASSERT_TRUE(local.WriteFile("server.auth", ""));
  const std::string authority = local.FilePath("server.auth").string();
  ProgramResult cookie = RunProgram({"/bin/sh", {"-c", "xauth -q -f '" + authority + "' add :0 . $(mcookie)"},
                                     local.Path().string(), {}});
  if (cookie.exitCode != 0) GTEST_SKIP() << "xauth or mcookie is not installed: " << cookie.err;
  CookieGuardedXServer server(authority);
  if (server.Display().empty()) GTEST_SKIP() << "Xvfb is not installed or did not start";
  ProgramResult result = RunProgram({KorvalProgramPath(), {}, local.Path().string(),
                                     {"HOME=" + local.Path().string(), "XDG_CONFIG_HOME=" + local.Path().string(),
                                      "XAUTHORITY=" + local.FilePath("no-cookies").string(),
                                      "DISPLAY=" + server.Display(), "WAYLAND_DISPLAY=", "QT_QPA_PLATFORM="}});
  EXPECT_EQ(result.exitCode, 2) << result.err;
  EXPECT_NE(result.err.find("the window needs a display"), std::string::npos) << result.err;
  // The server's own reason may come first (the X library prints it); the
  // toolkit never starts, so neither its plugin text nor an abort follow.
  EXPECT_EQ(Occurrences(result.err, "the window needs a display"), 1u) << result.err;
  EXPECT_EQ(result.err.find("platform plugin"), std::string::npos) << result.err;
}
#endif

TEST(BatchCommandLineTest, HelpNamesEveryOptionOnceInLinesOfATerminal) {
  TemporaryDirectory local;
  ProgramResult help = RunProgram({KorvalProgramPath(), {"--help"}, local.Path().string(), {}});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_EQ(help.err, "");
  ASSERT_FALSE(help.out.empty());
  EXPECT_EQ(help.out.back(), '\n');
  EXPECT_NE(help.out.find("Exit status"), std::string::npos);
  for (const char* option : {"-i inifile", "-p profile", "-u userid", "-w password", "-c account", "-s source",
                             "-d destination", "-t fingerprint", "-ascii", "-binary", "-quiet", "-v", "-ask", "--help"})
    EXPECT_EQ(Occurrences(help.out, std::string("\n  ") + option + " "), 1u) << option << "\n" << help.out;
  EXPECT_EQ(Occurrences(help.out, "host:full_path [local:full_path]"), 1u) << help.out;
  std::istringstream lines(help.out);
  for (std::string line; std::getline(lines, line);) EXPECT_LE(line.size(), 80u) << line;
}

// A host without a profile section of its own, with a SESSION profile that
// holds another host's user and password: what goes to the server.
class BatchStartProfileTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(local_.CreateDirectory("config")); }

  std::vector<std::string> Dialogue(std::vector<std::string> arguments, const std::string& url) {
    ScriptedFtpServer server;
    server.UseDefaultReplies();
    // Asking for an account shows whether one is sent.
    server.Answer("PASS", "332 Need account for login.");
    server.Answer("CWD /f.txt", "550 Not a directory.");
    server.ServeData("RETR /f.txt", "data");
    server.Start();
    const std::string ini = "[_config_]\nBELL=0\nMAILADDR=me@example.org\nSESSION=work\n"
                            "[work]\nHOST=work.example.com\nUID=anna\nPWD=" +
                            config::EncodePassword("anna", "secret") +
                            "\nACT=acct\nINITCMD=SITE UMASK 077\nPORT=2121\nTIMEOUT=7\nPASVMODE=1\n";
    EXPECT_TRUE(local_.WriteFile("test.ini", ini));
    arguments.insert(arguments.begin(), {"-i", local_.FilePath("test.ini").string()});
    std::string address = "127.0.0.1:" + std::to_string(server.Port());
    std::string source = url;
    source.replace(source.find("HOST"), 4, address);
    arguments.push_back(source);
    ProgramRun run{KorvalProgramPath(), arguments, local_.Path().string(),
                   {"HOME=" + local_.Path().string(), "XDG_CONFIG_HOME=" + local_.FilePath("config").string()}};
    RunProgram(run);
    std::vector<std::string> logon;
    for (const std::string& command : server.Transcript())
      if (command.rfind("USER", 0) == 0 || command.rfind("PASS", 0) == 0 || command.rfind("ACCT", 0) == 0 ||
          command.rfind("SITE", 0) == 0)
        logon.push_back(command);
    return logon;
  }

  TemporaryDirectory local_;
};

TEST_F(BatchStartProfileTest, AnotherHostStartsFromTheDefaultProfile) {
  const struct {
    const char* name;
    std::vector<std::string> arguments;
    const char* url;
    std::vector<std::string> logon;
  } cases[] = {
      {"no options: anonymous", {}, "ftp://HOST/f.txt", {"USER anonymous", "PASS me@example.org"}},
      {"-u alone: no password of the profile's", {"-u", "anna"}, "ftp://HOST/f.txt", {"USER anna"}},
      {"-u, -w and -c", {"-u", "bob", "-w", "pw", "-c", "b-acct"}, "ftp://HOST/f.txt",
       {"USER bob", "PASS pw", "ACCT b-acct"}},
      {"the URL's user alone", {}, "ftp://anna@HOST/f.txt", {"USER anna"}},
      {"the URL's user and password", {}, "ftp://bob:pw@HOST/f.txt", {"USER bob", "PASS pw"}},
      {"-p names the profile: its user, password, account and INITCMD", {"-p", "work"}, "ftp://HOST/f.txt",
       {"USER anna", "PASS secret", "ACCT acct", "SITE UMASK 077"}},
      {"-p, then another user", {"-p", "work", "-u", "bob"}, "ftp://HOST/f.txt", {"USER bob"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Dialogue(c.arguments, c.url), c.logon);
  }
}

}  // namespace
}  // namespace korval::testing
