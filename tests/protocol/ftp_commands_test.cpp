// The command set against the scripted server: the X-form rule, CDUP, the
// VMS UCX bracket form, the account prompt of CWD, typed commands and the
// listing through DoDirList.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

#include "connection_test_support.h"
#include "engine/ftp_commands.h"
#include "engine/host_type.h"
#include "engine/listing_file.h"
#include "engine/logon.h"
#include "tests/support/temporary_directory.h"

namespace korval::engine {
namespace {

using engine::HostType;
using engine::HostTypeNumber;
using testing::ConnectionStateGuard;
using testing::ScopedHost;
using testing::ScriptedFtpServer;
using testing::ScriptedHost;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

class FtpCommandsTest : public testing::ScriptedLogonTest {
 protected:
  FtpCommandsTest() : ScriptedLogonTest(HostTypeNumber(HostType::Unix)) {}
};

struct XFormCase {
  const char* name;
  std::function<int(int socket)> operation;
  const char* standard;
  const char* xForm;
  const char* refusal;        // the reply to the standard form
  bool sendsXForm;
  int expectedClass;
};

void PrintTo(const XFormCase& c, std::ostream* out) { *out << c.name; }

class XFormRuleTest : public FtpCommandsTest, public ::testing::WithParamInterface<XFormCase> {};

TEST_P(XFormRuleTest, OnlyFiveHundredLeadsToTheXForm) {
  const XFormCase& c = GetParam();
  LogOnWith([&c](ScriptedFtpServer& s) {
    s.Expect(c.standard).Reply(c.refusal);
    if (c.sendsXForm) s.Expect(c.xForm).Reply("250 X-form did it");
  });

  EXPECT_EQ(c.operation(socket), c.expectedClass);

  EXPECT_TRUE(server.Verify());
  std::vector<std::string> expected{c.standard};
  if (c.sendsXForm) expected.emplace_back(c.xForm);
  EXPECT_THAT(CommandsAfterLogon(), ElementsAreArray(expected));
}

INSTANTIATE_TEST_SUITE_P(
    Commands, XFormRuleTest,
    ::testing::Values(
        XFormCase{"Cwd500", [](int s) { return ChangeRemoteDir(s, "pub"); }, "CWD pub", "XCWD pub",
                  "500 CWD not understood", true, 2},
        XFormCase{"Cwd502", [](int s) { return ChangeRemoteDir(s, "pub"); }, "CWD pub", "XCWD pub",
                  "502 CWD not implemented", false, 5},
        XFormCase{"Cwd550", [](int s) { return ChangeRemoteDir(s, "pub"); }, "CWD pub", "XCWD pub",
                  "550 No such directory", false, 5},
        XFormCase{"Pwd500", [](int s) { return PrintRemoteDir(s); }, "PWD", "XPWD", "500 PWD unknown", true, 2},
        XFormCase{"Pwd502", [](int s) { return PrintRemoteDir(s); }, "PWD", "XPWD", "502 no", false, 5},
        XFormCase{"Pasv500", [](int s) { return EnterPassiveMode(s); }, "PASV", "XPSV", "500 PASV unknown", true, 2},
        XFormCase{"Pasv502", [](int s) { return EnterPassiveMode(s); }, "PASV", "XPSV", "502 no passive", false, 5},
        XFormCase{"Mkd500", [](int s) { return MakeRemoteDir(s, "new dir"); }, "MKD new dir", "XMKD new dir",
                  "500 MKD unknown", true, 2},
        XFormCase{"Mkd502", [](int s) { return MakeRemoteDir(s, "new dir"); }, "MKD new dir", "XMKD new dir",
                  "502 MKD not implemented", false, 5},
        XFormCase{"Mkd501", [](int s) { return MakeRemoteDir(s, "new dir"); }, "MKD new dir", "XMKD new dir",
                  "501 Syntax error", false, 5},
        XFormCase{"Rmd500", [](int s) { return RemoveRemoteDir(s, "old"); }, "RMD old", "XRMD old",
                  "500 RMD unknown", true, 2},
        XFormCase{"Rmd550", [](int s) { return RemoveRemoteDir(s, "old"); }, "RMD old", "XRMD old",
                  "550 Not empty", false, 5},
        XFormCase{"DeleHasNoFallback", [](int s) { return DeleteRemoteFile(s, "a%s.txt"); }, "DELE a%s.txt",
                  "XDELE a%s.txt", "500 DELE unknown", false, 5}),
    [](const ::testing::TestParamInfo<XFormCase>& info) { return std::string(info.param.name); });

TEST_F(FtpCommandsTest, XFormReplyDecidesTheResult) {
  LogOnWith([](ScriptedFtpServer& s) {
    s.Expect("MKD new").Reply("500 MKD unknown");
    s.Expect("XMKD new").Reply("550 Permission denied");
  });

  EXPECT_EQ(MakeRemoteDir(socket, "new"), 5);
  EXPECT_EQ(TheSession().LastReplyCode, 550);
}

TEST_F(FtpCommandsTest, EmptyPathSendsNothing) {
  LogOnWith([](ScriptedFtpServer&) {});

  EXPECT_EQ(ChangeRemoteDir(socket, ""), 2);

  EXPECT_THAT(CommandsAfterLogon(), IsEmpty());
}

TEST_F(FtpCommandsTest, ParentIsCdupFirst) {
  LogOnWith([](ScriptedFtpServer& s) { s.Expect("CDUP").Reply("250 ok"); });

  EXPECT_EQ(ChangeRemoteDir(socket, ".."), 2);

  EXPECT_TRUE(server.Verify());
  EXPECT_THAT(CommandsAfterLogon(), ElementsAre("CDUP"));
}

TEST_F(FtpCommandsTest, RefusedCdupFallsBackToCwdAndThenXcwd) {
  LogOnWith([](ScriptedFtpServer& s) {
    s.Expect("CDUP").Reply("500 CDUP unknown");
    s.Expect("CWD ..").Reply("500 CWD unknown");
    s.Expect("XCWD ..").Reply("250 ok");
  });

  EXPECT_EQ(ChangeRemoteDir(socket, ".."), 2);

  EXPECT_TRUE(server.Verify());
  EXPECT_THAT(CommandsAfterLogon(), ElementsAre("CDUP", "CWD ..", "XCWD .."));
}

TEST_F(FtpCommandsTest, WithoutCdupTheParentIsPlainCwd) {
  LogOnWith([](ScriptedFtpServer& s) { s.Expect("CWD ..").Reply("250 ok"); });
  TheSession().UseCdup = false;

  EXPECT_EQ(ChangeRemoteDir(socket, ".."), 2);

  EXPECT_THAT(CommandsAfterLogon(), ElementsAre("CWD .."));
}

struct VmsCase {
  const char* name;
  const char* path;
  std::function<void(ScriptedFtpServer&)> steps;
  std::vector<std::string> commands;
  int expectedClass;
};

void PrintTo(const VmsCase& c, std::ostream* out) { *out << c.name; }

class VmsUcxTest : public FtpCommandsTest, public ::testing::WithParamInterface<VmsCase> {};

TEST_P(VmsUcxTest, SubdirectoryTriesTheBracketFormFirst) {
  LogOnWith(GetParam().steps, HostTypeNumber(HostType::VmsUcx));

  EXPECT_EQ(ChangeRemoteDir(socket, GetParam().path), GetParam().expectedClass);

  EXPECT_TRUE(server.Verify());
  EXPECT_THAT(CommandsAfterLogon(), ElementsAreArray(GetParam().commands));
}

INSTANTIATE_TEST_SUITE_P(
    Paths, VmsUcxTest,
    ::testing::Values(
        VmsCase{"BracketFormAccepted", "sub", [](ScriptedFtpServer& s) { s.Expect("CWD [.sub]").Reply("250 ok"); },
                {"CWD [.sub]"}, 2},
        VmsCase{"BracketFormRefused", "sub",
                [](ScriptedFtpServer& s) {
                  s.Expect("CWD [.sub]").Reply("550 no such directory");
                  s.Expect("CWD sub").Reply("250 ok");
                },
                {"CWD [.sub]", "CWD sub"}, 2},
        VmsCase{"BracketFormNotUnderstood", "sub",
                [](ScriptedFtpServer& s) {
                  s.Expect("CWD [.sub]").Reply("500 what");
                  s.Expect("CWD sub").Reply("500 what");
                  s.Expect("XCWD sub").Reply("250 ok");
                },
                {"CWD [.sub]", "CWD sub", "XCWD sub"}, 2},
        VmsCase{"OtherFailureOfBracketFormIsFinal", "sub",
                [](ScriptedFtpServer& s) { s.Expect("CWD [.sub]").Reply("421 closing"); }, {"CWD [.sub]"}, 4},
        VmsCase{"PathInBracketsAsItStands", "[usr.pub]",
                [](ScriptedFtpServer& s) { s.Expect("CWD [usr.pub]").Reply("250 ok"); }, {"CWD [usr.pub]"}, 2}),
    [](const ::testing::TestParamInfo<VmsCase>& info) { return std::string(info.param.name); });

TEST_F(FtpCommandsTest, AccountRequestOfCwdPromptsAndSendsAcct) {
  LogOnWith([](ScriptedFtpServer& s) {
    s.Expect("CWD secure").Reply("332 Need account");
    s.Expect("ACCT dept7").Reply("250 ok");
  });
  config::CurrentProfile().Account = "old";
  host.QueueAnswer("");  // confirmed empty: asked again
  host.QueueAnswer("dept7");

  EXPECT_EQ(ChangeRemoteDir(socket, "secure"), 2);

  EXPECT_TRUE(server.Verify());
  std::vector<testing::PromptRecord> prompts = host.Prompts();
  ASSERT_EQ(prompts.size(), 2u);
  EXPECT_EQ(prompts[0].kind, testing::PromptKind::Password);
  EXPECT_EQ(prompts[0].prompt, "Password required:");
  EXPECT_EQ(prompts[0].initial, "old");  // the account known so far
  EXPECT_EQ(prompts[1].initial, "");
  EXPECT_EQ(config::CurrentProfile().Account, "dept7");
}

TEST_F(FtpCommandsTest, CancelledAccountPromptSendsNoAcct) {
  LogOnWith([](ScriptedFtpServer& s) { s.Expect("CWD secure").Reply("331 Password required"); });
  host.QueueCancel();

  EXPECT_EQ(ChangeRemoteDir(socket, "secure"), 3);

  EXPECT_THAT(CommandsAfterLogon(), ElementsAre("CWD secure"));
  EXPECT_EQ(host.Prompts().size(), 1u);
}

TEST_F(FtpCommandsTest, TypedCommandGoesOutAsItStands) {
  LogOnWith([](ScriptedFtpServer& s) { s.Expect("nlst -l %s").Reply("502 not here"); });

  EXPECT_EQ(SendUserCommand(socket, "nlst -l %s", "unused"), 5);

  EXPECT_THAT(CommandsAfterLogon(), ElementsAre("nlst -l %s"));
  EXPECT_TRUE(server.DataTransfers().empty());
}

TEST_F(FtpCommandsTest, TypedListingCommandRunsAsATransfer) {
  testing::TemporaryDirectory directory;
  engine::SetListingFile(directory.FilePath("DIR0001.TMP").string());
  const std::string typed = directory.FilePath("DSP0001.TMP").string();
  LogOnWith([](ScriptedFtpServer& s) {
    s.Expect("PASV").Passive();
    s.Expect("NLST -l").Transfer("a.txt\r\nb.txt\r\n");
  });
  config::CurrentProfile().Passive = 1;
  config::Settings().Bell = 1;

  EXPECT_EQ(SendUserCommand(socket, "NLST -l", typed), 2);

  EXPECT_TRUE(server.Verify());
  EXPECT_THAT(CommandsAfterLogon(), ElementsAre("PASV", "NLST -l"));
  EXPECT_EQ(directory.ReadFile("DSP0001.TMP"), "a.txt\nb.txt\n");
  EXPECT_FALSE(directory.ReadFile("DIR0001.TMP"));  // the pane's listing file is left alone
  EXPECT_EQ(config::Settings().Bell, 1);  // switched off for the listing only
  EXPECT_EQ(host.Beeps(), 0);
}

TEST_F(FtpCommandsTest, ListingWhileAnotherExchangeIsActiveIsRefused) {
  LogOnWith([](ScriptedFtpServer&) {});
  TheSession().CommandActive = true;

  EXPECT_EQ(DoDirList(socket, "LIST"), 4);

  TheSession().CommandActive = false;
  EXPECT_THAT(CommandsAfterLogon(), IsEmpty());
}

}  // namespace
}  // namespace korval::engine
