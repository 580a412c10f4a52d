// Host-type detection over the control connection: the SYST table row by
// row, the RSX early end, HELP probing with its capability flags, the types
// that are known beforehand, and SYST or HELP replies that never end.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <string>

#include "connection_test_support.h"
#include "engine/ftp_commands.h"
#include "engine/host_detection.h"
#include "engine/host_type.h"
#include "engine/logon.h"

namespace korval::listing {
namespace {

using namespace std::chrono_literals;
using engine::TheSession;
using testing::ConnectionStateGuard;
using testing::Logged;
using testing::ScopedHost;
using testing::ScriptedFtpServer;
using testing::ScriptedHost;
using ::testing::ElementsAre;

class HostDetectionTest : public testing::ScriptedLogonTest {
 protected:
  HostDetectionTest() : ScriptedLogonTest(engine::HostTypeNumber(engine::HostType::AutomaticDetect)) {}

  std::string ButtonState(int id) {
    for (const testing::HostCall& call : host.CallsTo("EnableControl"))
      if (call.text == std::to_string(id)) return call.detail;
    return "untouched";
  }
};

struct SystRow {
  const char* reply;
  engine::HostType expected;
};

void PrintTo(const SystRow& row, std::ostream* out) { *out << '"' << row.reply << '"'; }

class SystDetectionTest : public HostDetectionTest, public ::testing::WithParamInterface<SystRow> {};

TEST_P(SystDetectionTest, SystReplyYieldsTheType) {
  LogOnWith([](ScriptedFtpServer& s) { s.Expect("SYST").Reply(GetParam().reply); });

  engine::DetectHostType(socket);

  EXPECT_TRUE(server.Verify());
  EXPECT_THAT(CommandsAfterLogon(), ElementsAre("SYST"));
  EXPECT_EQ(TheSession().HostType, engine::HostTypeNumber(GetParam().expected));
  EXPECT_TRUE(Logged(host, "Host type (2): " + std::string(engine::HostTypeName(GetParam().expected))));
  EXPECT_TRUE(TheSession().HostTypeSettled);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SystDetectionTest,
    ::testing::Values(SystRow{"215 Windows_NT version 3.51", engine::HostType::MicrosoftNt},
                      SystRow{"215 NetWare v4.10", engine::HostType::NetWare4},
                      SystRow{"215 MS-DOS PC TCP", engine::HostType::Marrowby},
                      SystRow{"215 VersaTerm FTP", engine::HostType::MacVersaTerm},
                      SystRow{"215 MacOS Peter's Server", engine::HostType::MacPeterServer},
                      SystRow{"215 OS/2 operating system", engine::HostType::IbmPcTcpIp},
                      SystRow{"215 ULTRIX V4.3", engine::HostType::Unix},
                      SystRow{"215 UNIX Type: L8", engine::HostType::Unix},
                      SystRow{"215 unix type: l8", engine::HostType::Unix},
                      SystRow{"215 MVS is the operating system of this server", engine::HostType::IbmMvs},
                      SystRow{"215 QVT/Net 4.0", engine::HostType::QvtNet40},
                      SystRow{"215 QVT/Net 3.1", engine::HostType::QvtNet23},
                      SystRow{"215 NCSA Telnet", engine::HostType::NcsaCutcp},
                      SystRow{"215 Chameleon FTP", engine::HostType::Chameleon},
                      SystRow{"215 NetManage FTP server", engine::HostType::Chameleon},
                      SystRow{"215 Windows [MultiNet TCP/IP]", engine::HostType::TgvMultiNet},
                      SystRow{"215 VMS MultiNet V3.5", engine::HostType::VmsMultiNet},
                      SystRow{"215 VMS", engine::HostType::VmsUcx},
                      SystRow{"215 OS/400 is the remote operating system", engine::HostType::IbmAs400},
                      SystRow{"215 MTS SYSTEM", engine::HostType::IbmPcTcpIp},
                      SystRow{"215 the VM is CMS", engine::HostType::IbmVm},
                      SystRow{"215 Stratus VOS", engine::HostType::StratusVos},
                      SystRow{"215 Tandem NonStop", engine::HostType::Tandem},
                      SystRow{"215 DOS FTP Server 3.0", engine::HostType::FtpPcTcp30}));

TEST_F(HostDetectionTest, RsxInCapitalsEndsAtOnceAndLeavesTheTypeUnsettled) {
  LogOnWith([](ScriptedFtpServer& s) { s.Expect("SYST").Reply("215 RSX-11M-PLUS"); });

  engine::DetectHostType(socket);

  EXPECT_EQ(TheSession().HostType, engine::HostTypeNumber(engine::HostType::Pdp11Rsx11m));
  EXPECT_TRUE(TheSession().CanDelete);
  EXPECT_FALSE(TheSession().CanMkd);
  EXPECT_FALSE(TheSession().HostTypeSettled);
  EXPECT_TRUE(host.CallsTo("EnableControl").empty());

  // The next retrieval runs it again with the type known: no SYST this time.
  engine::DetectHostType(socket);
  EXPECT_THAT(CommandsAfterLogon(), ElementsAre("SYST"));
  EXPECT_TRUE(Logged(host, "Host type (I): PDP11 RSX11M"));
  EXPECT_TRUE(TheSession().HostTypeSettled);
}

TEST_F(HostDetectionTest, RsxInLowerCaseIsNotRsx) {
  LogOnWith([](ScriptedFtpServer& s) { s.Expect("SYST").Reply("215 rsx-like UNIX"); });

  engine::DetectHostType(socket);

  EXPECT_EQ(TheSession().HostType, engine::HostTypeNumber(engine::HostType::Unix));
}

TEST_F(HostDetectionTest, HelpDecidesTypeAndCommandsWhenSystIsRefused) {
  LogOnWith([](ScriptedFtpServer& s) {
    s.Expect("SYST").Reply("500 SYST not understood");
    s.Expect("HELP").Reply({"214-The following commands are recognized (* =>'s unimplemented).",
                            "   USER    PORT    STOR    MSAM*   RNTO    NLST    MKD     CDUP",
                            "   PASS    PASV    APPE    MRSQ*   ABOR    SITE    XMKD    XCUP",
                            "   DELE    RMD     STAT",
                            "214 Direct comments to ftp-bugs@host."});
  });

  engine::DetectHostType(socket);

  EXPECT_TRUE(server.Verify());
  EXPECT_THAT(CommandsAfterLogon(), ElementsAre("SYST", "HELP"));
  EXPECT_EQ(TheSession().HostType, engine::HostTypeNumber(engine::HostType::Unix));
  EXPECT_TRUE(Logged(host, "Host type (I): Automatic detect"));
  EXPECT_TRUE(Logged(host, "Host type (3): UNIX (standard)"));
  EXPECT_TRUE(TheSession().CanMkd);
  EXPECT_TRUE(TheSession().CanRmd);
  EXPECT_TRUE(TheSession().CanDelete);
  EXPECT_FALSE(TheSession().CanRename);  // no RNFR among them
  EXPECT_TRUE(TheSession().UseCdup);
  EXPECT_EQ(ButtonState(engine::RemoteMkDirButton), "1");
  EXPECT_EQ(ButtonState(engine::RemoteRenameButton), "0");
  EXPECT_EQ(ButtonState(engine::RemoteDeleteButton), "1");
  EXPECT_TRUE(TheSession().HostTypeSettled);
}

TEST_F(HostDetectionTest, FinalHelpLineIsNotSearched) {
  LogOnWith([](ScriptedFtpServer& s) {
    s.Expect("SYST").Reply("502 SYST not implemented");
    s.Expect("HELP").Reply({"214-PC FTP server commands:", "   RNFR RNTO", "214 MKD RMD DELE are here too"});
  });

  engine::DetectHostType(socket);

  EXPECT_EQ(TheSession().HostType, engine::HostTypeNumber(engine::HostType::QvtNet23));
  EXPECT_TRUE(TheSession().CanRename);
  EXPECT_FALSE(TheSession().CanMkd);
  EXPECT_FALSE(TheSession().CanRmd);
  EXPECT_FALSE(TheSession().CanDelete);
}

struct HelpFirstLineRow {
  const char* firstLine;
  engine::HostType expected;
};

void PrintTo(const HelpFirstLineRow& row, std::ostream* out) { *out << '"' << row.firstLine << '"'; }

class HelpTypeTest : public HostDetectionTest, public ::testing::WithParamInterface<HelpFirstLineRow> {};

TEST_P(HelpTypeTest, FirstLineOfHelpYieldsTheType) {
  LogOnWith([](ScriptedFtpServer& s) {
    s.Expect("SYST").Reply("215 Something unheard of");
    s.Expect("HELP").Reply({GetParam().firstLine, "214 end"});
  });

  engine::DetectHostType(socket);

  EXPECT_EQ(TheSession().HostType, engine::HostTypeNumber(GetParam().expected));
  EXPECT_TRUE(Logged(host, "Host type (3): " + std::string(engine::HostTypeName(GetParam().expected))));
}

INSTANTIATE_TEST_SUITE_P(Lines, HelpTypeTest,
                         ::testing::Values(HelpFirstLineRow{"214-NCSA Telnet FTP server", engine::HostType::NcsaCutcp},
                                           HelpFirstLineRow{"214-CUTCP commands", engine::HostType::NcsaCutcp},
                                           HelpFirstLineRow{"214-MACB server", engine::HostType::MacNcsa},
                                           HelpFirstLineRow{"214-PC FTP server", engine::HostType::QvtNet23},
                                           HelpFirstLineRow{"214-QVT/Net commands", engine::HostType::QvtNet23},
                                           HelpFirstLineRow{"214-Commands recognized", engine::HostType::Unix}));

TEST_F(HostDetectionTest, SingleLineErrorToHelpLeavesEveryFlagClearAndEndsAtTheReadersTimeOut) {
  LogOnWith([](ScriptedFtpServer& s) {
    s.Expect("SYST").Reply("500 no");
    s.Expect("HELP").Reply("502 HELP not implemented");
  });
  const auto started = std::chrono::steady_clock::now();

  engine::DetectHostType(socket);

  EXPECT_LT(std::chrono::steady_clock::now() - started, 3s);
  EXPECT_EQ(TheSession().HostType, engine::HostTypeNumber(engine::HostType::Unix));
  EXPECT_FALSE(TheSession().CanMkd || TheSession().CanRmd || TheSession().CanRename || TheSession().CanDelete);
  EXPECT_TRUE(Logged(host, "rl-recv: Blocking call cancelled"));
  EXPECT_TRUE(TheSession().HostTypeSettled);
}

TEST_F(HostDetectionTest, HelpReplyThatNeverEndsStopsAtTheReadersTimeOut) {
  LogOnWith([](ScriptedFtpServer& s) {
    s.Expect("SYST").Reply("500 no");
    s.Expect("HELP").Reply({"214-Commands:", "   MKD RNFR"}).Send(std::string(3000, 'x')).StopResponding();
  });
  const auto started = std::chrono::steady_clock::now();

  engine::DetectHostType(socket);

  EXPECT_LT(std::chrono::steady_clock::now() - started, 3s);
  EXPECT_TRUE(TheSession().CanMkd);
  EXPECT_TRUE(TheSession().CanRename);
  EXPECT_EQ(TheSession().LastReplyCode, 421);
  EXPECT_TRUE(TheSession().HostTypeSettled);
}

TEST_F(HostDetectionTest, SystReplyThatNeverEndsFallsBackToHelp) {
  LogOnWith([](ScriptedFtpServer& s) {
    s.Expect("SYST").Reply("215-UNIX Type: L8").StopResponding();
  });
  const auto started = std::chrono::steady_clock::now();

  engine::DetectHostType(socket);

  EXPECT_LT(std::chrono::steady_clock::now() - started, 3s);
  EXPECT_TRUE(Logged(host, "Host type (I): Automatic detect"));
  EXPECT_EQ(TheSession().HostType, engine::HostTypeNumber(engine::HostType::Unix));  // HELP's worst case
  EXPECT_TRUE(TheSession().HostTypeSettled);
}

TEST_F(HostDetectionTest, HelpThatCannotBeSentAssumesEveryCommand) {
  TheSession().HostType = engine::HostTypeNumber(engine::HostType::AutomaticDetect);

  engine::DetectHostType(-1);

  EXPECT_TRUE(Logged(host, "Not connected"));
  EXPECT_EQ(TheSession().HostType, engine::HostTypeNumber(engine::HostType::AutomaticDetect));
  EXPECT_TRUE(TheSession().CanMkd && TheSession().CanRmd && TheSession().CanRename && TheSession().CanDelete);
  EXPECT_TRUE(TheSession().HostTypeSettled);
}

struct KnownTypeRow {
  engine::HostType type;
  bool mkd, rmd, rename, dele, cdup;
};

void PrintTo(const KnownTypeRow& row, std::ostream* out) { *out << engine::HostTypeName(row.type); }

class KnownTypeTest : public HostDetectionTest, public ::testing::WithParamInterface<KnownTypeRow> {};

TEST_P(KnownTypeTest, KnownTypeSendsNothingAndSetsItsFlags) {
  const KnownTypeRow& row = GetParam();
  LogOnWith([](ScriptedFtpServer&) {}, engine::HostTypeNumber(row.type));

  engine::DetectHostType(socket);

  EXPECT_THAT(CommandsAfterLogon(), ::testing::IsEmpty());
  EXPECT_TRUE(Logged(host, "Host type (I): " + std::string(engine::HostTypeName(row.type))));
  engine::Session& session = TheSession();
  EXPECT_EQ(session.CanMkd, row.mkd);
  EXPECT_EQ(session.CanRmd, row.rmd);
  EXPECT_EQ(session.CanRename, row.rename);
  EXPECT_EQ(session.CanDelete, row.dele);
  EXPECT_EQ(session.UseCdup, row.cdup);
  EXPECT_EQ(ButtonState(engine::RemoteMkDirButton), row.mkd ? "1" : "0");
}

INSTANTIATE_TEST_SUITE_P(Types, KnownTypeTest,
                         ::testing::Values(KnownTypeRow{engine::HostType::Ka9qNos, true, true, false, true, false},
                                           KnownTypeRow{engine::HostType::CdcCyber, false, false, false, true, false},
                                           KnownTypeRow{engine::HostType::IbmR1000, false, false, false, true, true},
                                           KnownTypeRow{engine::HostType::BullCp6, false, false, false, true, true},
                                           KnownTypeRow{engine::HostType::SunSolaris, true, true, true, true, true},
                                           KnownTypeRow{engine::HostType::IbmVm, true, true, true, true, true},
                                           KnownTypeRow{engine::HostType::Unix, true, true, true, true, true}));

TEST_F(HostDetectionTest, CdcCyberChangesToTheParentWithCwdOnly) {
  LogOnWith([](ScriptedFtpServer& s) { s.Expect("CWD ..").Reply("250 ok"); },
            engine::HostTypeNumber(engine::HostType::CdcCyber));
  engine::DetectHostType(socket);

  EXPECT_EQ(engine::ChangeRemoteDir(socket, ".."), 2);

  EXPECT_TRUE(server.Verify());
  EXPECT_THAT(CommandsAfterLogon(), ElementsAre("CWD .."));
}

}  // namespace
}  // namespace korval::listing
