// The three recognition tables: greeting lines, SYST replies and the first
// line of a HELP reply, each a table of lines and the type they must yield.

#include <gtest/gtest.h>

#include "engine/host_detection.h"

namespace korval::engine {
namespace {

struct LineCase {
  const char* line;
  HostType expected;
};

void PrintTo(const LineCase& c, std::ostream* out) { *out << '"' << c.line << '"'; }

class GreetingTableTest : public ::testing::TestWithParam<LineCase> {};

TEST_P(GreetingTableTest, YieldsTheRowsType) {
  EXPECT_EQ(HostTypeFromGreeting(GetParam().line), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, GreetingTableTest,
    ::testing::Values(
        LineCase{"220 IBM Spartacus KNET FTP server ready", HostType::IbmSpartacusKnet},
        LineCase{"220 nw1 FTP server (NetWare v4.11) ready", HostType::NetWare4},
        LineCase{"220 Serv-U FTP Server v2.5 for WinSock ready...", HostType::ServU},
        LineCase{"220 pc1 WFTPD 2.0 service (by Texas Imperial Software) ready", HostType::Wftpd},
        LineCase{"220 Novell LAN WorkPlace FTP server", HostType::SuperTcp},
        LineCase{"220 unisys FTP server (EXOS version 2.1) ready", HostType::Unisys5000},
        LineCase{"220 VersaTerm FTP server ready", HostType::MacVersaTerm},
        LineCase{"220-KNET/MVS FTP server", HostType::IbmMvsKnet},
        LineCase{"220 RSX-11M FTP server", HostType::Pdp11Rsx11m},
        LineCase{"220 KA9Q NOS N1BEE ready", HostType::Ka9qNos},
        LineCase{"220 IBM OS/2 TCP/IP FTP Server ready", HostType::IbmPcTcpIp},
        LineCase{"220 host hobbes FTP ready", HostType::QvtNet23},
        LineCase{"220 host OS-9 FTP ready", HostType::Os9},
        LineCase{"220 GCOS 8 FTP server", HostType::BullGcos},
        LineCase{"220 BULL DPX ready", HostType::BullGcos},
        LineCase{"220 Amiga FTP server ready", HostType::Amiga},
        LineCase{"220 JNOS FTP version 1.11", HostType::Ka9qNos},
        LineCase{"220 Rational FTP server", HostType::IbmR1000},
        LineCase{"220 CP-6 FTP server ready", HostType::BullCp6},
        LineCase{"220 DOS FTP Server 3.0 ready", HostType::FtpPcTcp30},
        // Table order and exact patterns.
        LineCase{"220 NetWare v4 host running Serv-U FTP", HostType::NetWare4},
        LineCase{"220 server on hobbes", HostType::AutomaticDetect},
        LineCase{"220 host WFTPD", HostType::AutomaticDetect},
        LineCase{"220 VersaTerm", HostType::AutomaticDetect},
        LineCase{"220 Amiga", HostType::AutomaticDetect},
        LineCase{"220 rsx host", HostType::AutomaticDetect},
        LineCase{"220 spartacus knet", HostType::AutomaticDetect},
        LineCase{"220 (vsFTPd 3.0.3)", HostType::AutomaticDetect}));

class SystTableTest : public ::testing::TestWithParam<LineCase> {};

TEST_P(SystTableTest, YieldsTheRowsType) {
  EXPECT_EQ(HostTypeFromSystReply(GetParam().line), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SystTableTest,
    ::testing::Values(
        LineCase{"215 Windows_NT version 3.51", HostType::MicrosoftNt},
        LineCase{"215 NetWare v4.10", HostType::NetWare4},
        LineCase{"215 MS-DOS PC TCP", HostType::Marrowby},
        LineCase{"215 VersaTerm FTP", HostType::MacVersaTerm},
        LineCase{"215 MacOS Peter's Server", HostType::MacPeterServer},
        LineCase{"215 OS/2 operating system", HostType::IbmPcTcpIp},
        LineCase{"215 ULTRIX V4.3", HostType::Unix},
        LineCase{"215 UNIX Type: L8", HostType::Unix},
        LineCase{"215 unix type: l8", HostType::Unix},
        LineCase{"215 UnIx", HostType::Unix},
        LineCase{"215 MVS is the operating system of this server", HostType::IbmMvs},
        LineCase{"215 QVT/Net 4.0", HostType::QvtNet40},
        LineCase{"215 QVT/Net 3.1", HostType::QvtNet23},
        LineCase{"215 NCSA Telnet", HostType::NcsaCutcp},
        LineCase{"215 Chameleon FTP", HostType::Chameleon},
        LineCase{"215 NetManage FTP server", HostType::Chameleon},
        LineCase{"215 Windows [MultiNet TCP/IP]", HostType::TgvMultiNet},
        LineCase{"215 VMS MultiNet V3.5", HostType::VmsMultiNet},
        LineCase{"215 VMS", HostType::VmsUcx},
        LineCase{"215 OS/400 is the remote operating system", HostType::IbmAs400},
        LineCase{"215 MTS SYSTEM", HostType::IbmPcTcpIp},
        LineCase{"215 XMTS SYSTEM", HostType::AutomaticDetect},  // the pattern has a leading blank
        LineCase{"215 the VM is CMS", HostType::IbmVm},
        LineCase{"215 Stratus VOS", HostType::StratusVos},
        LineCase{"215 Tandem NonStop", HostType::Tandem},
        LineCase{"215 DOS FTP Server 3.0", HostType::FtpPcTcp30},
        // Order: "windows_nt" before "unix", "qvt/net 4" before "qvt".
        LineCase{"215 Windows_NT emulating UNIX", HostType::MicrosoftNt},
        LineCase{"215 Something else", HostType::AutomaticDetect}));

class HelpFirstLineTest : public ::testing::TestWithParam<LineCase> {};

TEST_P(HelpFirstLineTest, YieldsTheType) { EXPECT_EQ(HostTypeFromHelpLine(GetParam().line), GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(
    Lines, HelpFirstLineTest,
    ::testing::Values(LineCase{"214-NCSA Telnet FTP server commands", HostType::NcsaCutcp},
                      LineCase{"214-CUTCP commands", HostType::NcsaCutcp},
                      LineCase{"214-MACB server", HostType::MacNcsa},
                      LineCase{"214-PC FTP server commands:", HostType::QvtNet23},
                      LineCase{"214 PC FTP server commands:", HostType::Unix},
                      LineCase{"214-QVT/Net help", HostType::QvtNet23},
                      LineCase{"214-The following commands are recognized.", HostType::Unix},
                      LineCase{"500 HELP not understood", HostType::Unix}));

}  // namespace
}  // namespace korval::engine
