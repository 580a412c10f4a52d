// The scripted FTP server checked with a plain POSIX client: the steps run in
// order, the transcript is exact, PASV and PORT data move the right bytes, and
// the faults happen as scripted.

#include "tests/support/scripted_ftp_server.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/plain_ftp_client.h"

namespace korval::testing {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::EndsWith;
using ::testing::IsEmpty;
using ::testing::StartsWith;

using Clock = std::chrono::steady_clock;

PlainFtpClient ConnectTo(const ScriptedFtpServer& server) {
  PlainFtpClient client;
  EXPECT_TRUE(client.Connect(server.Address(), server.Port()));
  return client;
}

TEST(ScriptedFtpServerTest, RunsTheStepsInOrderAndRecordsTheTranscript) {
  ScriptedFtpServer server;
  server.Send("220 Welcome\r\n")
      .Expect("USER anna")
      .Reply("331 Password required")
      .Expect("PASS secret")
      .Reply({"230-Hello", " more text", "230 Logged in"})
      .Expect("QUIT")
      .Reply("221 Bye")
      .CloseControl();
  server.Start();
  ASSERT_NE(server.Port(), 0);

  PlainFtpClient client = ConnectTo(server);
  EXPECT_EQ(client.ReadReply().text, "220 Welcome\n");
  EXPECT_EQ(client.Command("USER anna").code, 331);
  PlainReply logon = client.Command("PASS secret");
  EXPECT_EQ(logon.code, 230);
  EXPECT_EQ(logon.text, "230-Hello\n more text\n230 Logged in\n");
  EXPECT_EQ(client.Command("QUIT").text, "221 Bye\n");
  EXPECT_TRUE(WaitForPeerClose(client.ControlFd()));

  EXPECT_TRUE(server.Verify());
  EXPECT_THAT(server.Transcript(), ElementsAre("USER anna", "PASS secret", "QUIT"));
  EXPECT_EQ(server.ConnectionsAccepted(), 1);
  EXPECT_EQ(server.ConnectionsClosed(), 1);
}

// What the client reads, byte for byte, for scripts of raw control bytes that
// end with the server closing the connection.
struct RawBytesCase {
  const char* name;
  std::function<void(ScriptedFtpServer&)> script;
  std::string expected;
};

class ScriptedFtpServerRawBytesTest : public ::testing::TestWithParam<RawBytesCase> {};

TEST_P(ScriptedFtpServerRawBytesTest, ClientReceivesExactlyTheScriptedBytes) {
  ScriptedFtpServer server;
  GetParam().script(server);
  server.Start();
  PlainFtpClient client = ConnectTo(server);
  EXPECT_EQ(ReadUntilClosed(client.ControlFd()), GetParam().expected);
  EXPECT_TRUE(server.Verify());
}

const std::string oversizedLine = "220 " + std::string(5000, 'x') + "\r\n";

INSTANTIATE_TEST_SUITE_P(
    Control, ScriptedFtpServerRawBytesTest,
    ::testing::Values(
        RawBytesCase{"SeveralRepliesInOneWrite",
                     [](ScriptedFtpServer& s) { s.Reply({"331 User ok", "230 Logged in"}).CloseControl(); },
                     "331 User ok\r\n230 Logged in\r\n"},
        RawBytesCase{"NulBytes",
                     [](ScriptedFtpServer& s) { s.Send(std::string("220 a\0b\r\n", 9)).CloseControl(); },
                     std::string("220 a\0b\r\n", 9)},
        RawBytesCase{"OversizedLine", [](ScriptedFtpServer& s) { s.Send(oversizedLine).CloseControl(); },
                     oversizedLine},
        RawBytesCase{"LineWithoutLineFeed", [](ScriptedFtpServer& s) { s.Send("220 no end").CloseControl(); },
                     "220 no end"},
        RawBytesCase{"SendThenCloseCutsTheBytes",
                     [](ScriptedFtpServer& s) { s.SendThenClose("220 Welcome to the server\r\n", 7); }, "220 Wel"},
        RawBytesCase{"GreetingBeforeTheSteps",
                     [](ScriptedFtpServer& s) { s.Greeting("220 Hi").Reply("421 Bye").CloseControl(); },
                     "220 Hi\r\n421 Bye\r\n"}),
    [](const ::testing::TestParamInfo<RawBytesCase>& info) { return std::string(info.param.name); });

TEST(ScriptedFtpServerTest, SplitReplyArrivesInTwoPartsAfterTheDelay) {
  ScriptedFtpServer server;
  server.Send("220 Wel").Delay(300ms).Send("come\r\n");
  server.Start();
  PlainFtpClient client = ConnectTo(server);
  const auto start = Clock::now();
  EXPECT_EQ(ReadAvailable(client.ControlFd(), 150ms), "220 Wel");
  EXPECT_EQ(client.ReadLine(), "come\r\n");
  EXPECT_GE(Clock::now() - start, 250ms);
  EXPECT_TRUE(server.Verify());
}

TEST(ScriptedFtpServerTest, MismatchedCommandIsAFailureAndTheExpectStaysPending) {
  ScriptedFtpServer server;
  server.Expect("USER anna").Reply("331 Password required");
  server.Start();
  PlainFtpClient client = ConnectTo(server);
  EXPECT_EQ(client.Command("USER bob").text, "500 unexpected\n");
  EXPECT_THAT(server.Failures(), ElementsAre(HasSubstr("\"USER bob\"")));
  EXPECT_EQ(server.RemainingSteps(), 2u);
  EXPECT_EQ(client.Command("USER anna").code, 331);
  ::testing::AssertionResult verdict = server.Verify();
  EXPECT_FALSE(verdict);
  EXPECT_THAT(verdict.message(), HasSubstr("USER bob"));
  EXPECT_EQ(server.RemainingSteps(), 0u);
}

TEST(ScriptedFtpServerTest, ExpectPrefixMatchesTheStartOfTheLine) {
  ScriptedFtpServer server;
  server.ExpectPrefix("STOR ").Reply("553 No");
  server.Start();
  PlainFtpClient client = ConnectTo(server);
  EXPECT_EQ(client.Command("STOR some file.txt").code, 553);
  EXPECT_TRUE(server.Verify());
}

TEST(ScriptedFtpServerTest, UnfinishedScriptFailsVerifyWithTheWaitingStep) {
  ScriptedFtpServer server;
  server.Expect("USER anna").Reply("331 Password required");
  server.Start();
  PlainFtpClient client = ConnectTo(server);
  ::testing::AssertionResult verdict = server.Verify(100ms);
  EXPECT_FALSE(verdict);
  EXPECT_THAT(verdict.message(), HasSubstr("Expect(\"USER anna\")"));
}

TEST(ScriptedFtpServerTest, ClientCloseWhileExpectingIsAFailureAndDropsTheRest) {
  ScriptedFtpServer server;
  server.Send("220 Hi\r\n").Expect("USER anna").Reply("331 Password required").Send("never sent\r\n");
  server.Start();
  {
    PlainFtpClient client = ConnectTo(server);
    EXPECT_EQ(client.ReadReply().code, 220);
  }
  EXPECT_TRUE(server.WaitForClientClose());
  EXPECT_FALSE(server.Verify());
  EXPECT_THAT(server.Failures(), ElementsAre(HasSubstr("2 later step(s) dropped")));
}

TEST(ScriptedFtpServerTest, TableAnswersWhatTheScriptDoesNotExpect) {
  ScriptedFtpServer server;
  server.Answer("USER", "331 Tell me more").Answer("PASS", "230 In").Answer("CWD /pub", "250 Public");
  server.Send("220 Hi\r\n").Expect("SYST").Reply("215 VMS system type.");
  server.Start();
  PlainFtpClient client = ConnectTo(server);
  EXPECT_EQ(client.ReadReply().code, 220);
  EXPECT_EQ(client.Command("user anna").text, "331 Tell me more\n");  // the word matches in any case
  EXPECT_EQ(client.Command("PASS x").text, "230 In\n");
  EXPECT_EQ(client.Command("SYST").text, "215 VMS system type.\n");
  EXPECT_EQ(client.Command("CWD /pub").text, "250 Public\n");
  EXPECT_EQ(client.Command("CWD /other").text, "500 unexpected\n");  // exact-line keys match only that line
  EXPECT_THAT(server.Failures(), ElementsAre(HasSubstr("CWD /other")));
  EXPECT_THAT(server.Transcript(), ElementsAre("user anna", "PASS x", "SYST", "CWD /pub", "CWD /other"));
}

TEST(ScriptedFtpServerTest, DefaultRepliesServeALogonAndQuit) {
  ScriptedFtpServer server;
  server.UseDefaultReplies().Answer("SYST", "215 Windows_NT");
  server.Start();
  PlainFtpClient client = ConnectTo(server);
  EXPECT_EQ(client.ReadReply().text, "220 Scripted FTP server ready.\n");
  EXPECT_TRUE(client.Logon("anna", "secret"));
  EXPECT_EQ(client.Command("SYST").text, "215 Windows_NT\n");
  EXPECT_EQ(client.Command("PWD").text, "257 \"/\" is the current directory.\n");
  EXPECT_EQ(client.Command("HELP").code, 214);
  EXPECT_EQ(client.Command("XYZZY").code, 502);
  EXPECT_EQ(client.Command("LIST").code, 425);  // no PASV or PORT before it
  EXPECT_EQ(client.Command("QUIT").code, 221);
  EXPECT_TRUE(WaitForPeerClose(client.ControlFd()));
  EXPECT_THAT(server.Failures(), IsEmpty());
  EXPECT_TRUE(server.WaitForCommands(8));
}

TEST(ScriptedFtpServerTest, DefaultsAndATableEntryServeALogonAndAPassiveListing) {
  const std::string listing = "drwxr-xr-x   2 anna users 4096 Jan  1 10:00 pub\r\n";
  ScriptedFtpServer server;
  server.UseDefaultReplies().ServeData("LIST", listing);
  server.Start();
  PlainFtpClient client = ConnectTo(server);
  EXPECT_EQ(client.ReadReply().code, 220);
  EXPECT_TRUE(client.Logon("anna", "secret"));
  UniqueFd data = client.OpenPassive();
  ASSERT_TRUE(data.Valid());
  EXPECT_EQ(client.Command("LIST").text, "150 Opening data connection.\n");
  EXPECT_EQ(ReadUntilClosed(data.Get()), listing);
  EXPECT_EQ(client.ReadReply().text, "226 Transfer complete.\n");
  EXPECT_THAT(server.Transcript(), ElementsAre("USER anna", "PASS secret", "PASV", "LIST"));
  EXPECT_TRUE(server.Verify());
}

TEST(ScriptedFtpServerTest, ServesSeveralConnectionsInTurn) {
  ScriptedFtpServer server;
  server.Send("421 Too many users\r\n").CloseControl().Send("220 Now ok\r\n").Expect("QUIT").Reply("221 Bye");
  server.Start();
  {
    PlainFtpClient first = ConnectTo(server);
    EXPECT_EQ(ReadUntilClosed(first.ControlFd()), "421 Too many users\r\n");
  }
  PlainFtpClient second = ConnectTo(server);
  EXPECT_EQ(second.ReadReply().code, 220);
  EXPECT_EQ(second.Command("QUIT").code, 221);
  EXPECT_TRUE(server.Verify());
  EXPECT_EQ(server.ConnectionsAccepted(), 2);
}

TEST(ScriptedFtpServerTest, ListensOnAnotherLoopbackAddress) {
  ScriptedFtpServer server("127.0.0.2");
  ASSERT_TRUE(server.Listening());
  server.Send("220 Third host\r\n").Expect("PASV").Passive().Expect("NLST").Transfer("a\r\nb\r\n");
  server.Start();
  PlainFtpClient client;
  ASSERT_TRUE(client.Connect("127.0.0.2", server.Port()));
  EXPECT_EQ(client.ReadReply().code, 220);
  const PlainReply pasv = client.Command("PASV");
  EXPECT_THAT(pasv.text, HasSubstr("(127,0,0,2,"));
  const std::optional<PassiveAddress> target = ParsePassiveReply(pasv.text);
  ASSERT_TRUE(target);
  UniqueFd data = ConnectTcp(target->address, target->port);
  ASSERT_TRUE(data.Valid());
  EXPECT_EQ(client.Command("NLST").code, 150);
  EXPECT_EQ(ReadUntilClosed(data.Get()), "a\r\nb\r\n");
  EXPECT_EQ(client.ReadReply().code, 226);
  EXPECT_TRUE(server.Verify());
}

TEST(ScriptedFtpServerTest, PassiveListingWithTheStandardReply) {
  const std::string listing = "-rw-r--r--   1 anna users   5 Jan  1 10:00 a.txt\r\n";
  ScriptedFtpServer server;
  server.Send("220 Hi\r\n")
      .Expect("PASV")
      .Passive()
      .Expect("LIST")
      .Reply("150 Here it comes")
      .SendData(listing)
      .Reply("226 Done");
  server.Start();
  PlainFtpClient client = ConnectTo(server);
  EXPECT_EQ(client.ReadReply().code, 220);
  const PlainReply pasv = client.Command("PASV");
  ASSERT_THAT(pasv.text, StartsWith("227 Entering Passive Mode (127,0,0,1,"));
  ASSERT_THAT(pasv.text, EndsWith(").\n"));
  const std::optional<PassiveAddress> target = ParsePassiveReply(pasv.text);
  ASSERT_TRUE(target) << pasv.text;
  UniqueFd data = ConnectTcp(target->address, target->port);
  ASSERT_TRUE(data.Valid());
  EXPECT_EQ(client.Command("LIST").code, 150);
  EXPECT_EQ(ReadUntilClosed(data.Get()), listing);
  EXPECT_EQ(client.ReadReply().text, "226 Done\n");
  EXPECT_TRUE(server.Verify());
  ASSERT_EQ(server.DataTransfers().size(), 1u);
  EXPECT_TRUE(server.DataTransfers()[0].complete);
  EXPECT_EQ(server.DataTransfers()[0].bytes, listing.size());
}

TEST(ScriptedFtpServerTest, CustomPassiveTextCarriesTheListenerAddress) {
  ScriptedFtpServer server;
  server.Expect("PASV")
      .Passive({.replyText = "227 Entering Passive Mode {hostport}"})
      .Expect("RETR a")
      .Transfer("content");
  server.Start();
  PlainFtpClient client = ConnectTo(server);
  const PlainReply pasv = client.Command("PASV");
  EXPECT_EQ(pasv.text.find('('), std::string::npos) << pasv.text;
  const std::optional<PassiveAddress> target = ParsePassiveReply(pasv.text);
  ASSERT_TRUE(target) << pasv.text;
  EXPECT_EQ(target->address, "127.0.0.1");
  UniqueFd data = ConnectTcp(target->address, target->port);
  ASSERT_TRUE(data.Valid());
  EXPECT_EQ(client.Command("RETR a").code, 150);
  EXPECT_EQ(ReadUntilClosed(data.Get()), "content");
  EXPECT_EQ(client.ReadReply().code, 226);
  EXPECT_TRUE(server.Verify());
}

TEST(ScriptedFtpServerTest, RefusingPassivePortRefusesTheConnection) {
  ScriptedFtpServer server;
  server.Expect("PASV").Passive({.port = PassivePort::Refusing});
  server.Start();
  PlainFtpClient client = ConnectTo(server);
  EXPECT_FALSE(client.OpenPassive().Valid());
  EXPECT_TRUE(server.Verify());
}

TEST(ScriptedFtpServerTest, ActiveModeConnectsToThePortAddressAndCapturesAnUpload) {
  ScriptedFtpServer server;
  server.Expect("TYPE I")
      .Reply("200 Binary")
      .ExpectPrefix("PORT 127,0,0,1,")
      .AcceptPort()
      .Expect("STOR up.bin")
      .Upload();
  server.Start();
  PlainFtpClient client = ConnectTo(server);
  EXPECT_EQ(client.Command("TYPE I").code, 200);
  UniqueFd listener = client.OpenActive();
  ASSERT_TRUE(listener.Valid());
  EXPECT_EQ(client.Command("STOR up.bin").code, 150);
  UniqueFd data = AcceptTcp(listener.Get());
  ASSERT_TRUE(data.Valid());
  const std::string upload = std::string("binary\0\r\n\xff bytes", 16);
  ASSERT_TRUE(SendAllBytes(data.Get(), upload));
  data.Reset();
  EXPECT_EQ(client.ReadReply().code, 226);
  EXPECT_TRUE(server.Verify());
  ASSERT_EQ(server.DataTransfers().size(), 1u);
  const DataTransfer transfer = server.DataTransfers()[0];
  EXPECT_EQ(transfer.direction, DataTransfer::Direction::FromClient);
  EXPECT_TRUE(transfer.complete);
  EXPECT_EQ(transfer.received, upload);
  EXPECT_EQ(transfer.fnv1a, Fnv1a64(upload));
}

TEST(ScriptedFtpServerTest, PortToAnAddressOutsideLoopbackIsRefused) {
  ScriptedFtpServer server;
  server.UseDefaultReplies();
  server.Start();
  PlainFtpClient client = ConnectTo(server);
  EXPECT_EQ(client.ReadReply().code, 220);
  EXPECT_EQ(client.Command("PORT 10,1,2,3,4,1").code, 500);
  EXPECT_THAT(server.Failures(), ElementsAre(HasSubstr("outside loopback")));
}

TEST(ScriptedFtpServerTest, GeneratedDataOfManyMegabytesArrivesIntact) {
  constexpr std::uint64_t size = 24ull << 20;
  ScriptedFtpServer server;
  server.UseDefaultReplies().ServeData("RETR big.bin", DataSource::Pattern(size));
  server.Start();
  PlainFtpClient client = ConnectTo(server);
  EXPECT_EQ(client.ReadReply().code, 220);
  UniqueFd data = client.OpenPassive();
  ASSERT_TRUE(data.Valid());
  EXPECT_EQ(client.Command("RETR big.bin").code, 150);
  const std::string received = ReadUntilClosed(data.Get());
  EXPECT_EQ(received.size(), size);
  EXPECT_EQ(Fnv1a64(received), PatternFnv1a64(size));
  EXPECT_EQ(received.substr(1000, 64), PatternBytes(1000, 64));
  EXPECT_EQ(client.ReadReply().code, 226);
}

TEST(ScriptedFtpServerTest, UploadWithoutKeepingTheBytesCountsAndHashesThem) {
  ScriptedFtpServer server;
  server.UseDefaultReplies().CaptureUpload("STOR", {.keepBytes = false});
  server.Start();
  PlainFtpClient client = ConnectTo(server);
  EXPECT_EQ(client.ReadReply().code, 220);
  UniqueFd data = client.OpenPassive();
  ASSERT_TRUE(data.Valid());
  EXPECT_EQ(client.Command("STOR x").code, 150);
  const std::string upload = PatternBytes(0, 300000);
  ASSERT_TRUE(SendAllBytes(data.Get(), upload));
  data.Reset();
  EXPECT_EQ(client.ReadReply().code, 226);
  ASSERT_TRUE(server.WaitForDataTransfers(1));
  const DataTransfer transfer = server.DataTransfers()[0];
  EXPECT_EQ(transfer.bytes, upload.size());
  EXPECT_EQ(transfer.fnv1a, PatternFnv1a64(upload.size()));
  EXPECT_TRUE(transfer.received.empty());
}

TEST(ScriptedFtpServerTest, DataConnectionClosesAfterTheGivenBytes) {
  ScriptedFtpServer server;
  server.UseDefaultReplies().ServeData("RETR f", DataSource::Pattern(100000), {.stopAfterBytes = 1000});
  server.Start();
  PlainFtpClient client = ConnectTo(server);
  EXPECT_EQ(client.ReadReply().code, 220);
  UniqueFd data = client.OpenPassive();
  ASSERT_TRUE(data.Valid());
  EXPECT_EQ(client.Command("RETR f").code, 150);
  EXPECT_EQ(ReadUntilClosed(data.Get()), PatternBytes(0, 1000));
  EXPECT_EQ(client.ReadReply().code, 226);  // the server claims success: the client must notice the size
  ASSERT_TRUE(server.WaitForDataTransfers(1));
  EXPECT_FALSE(server.DataTransfers()[0].complete);
}

TEST(ScriptedFtpServerTest, StalledDataConnectionStaysOpenWithoutData) {
  ScriptedFtpServer server;
  server.Expect("PASV")
      .Passive()
      .Expect("RETR f")
      .Reply("150 Sending")
      .SendData(DataSource::Pattern(100000), {.stopAfterBytes = 500, .stop = DataStop::Stall})
      .Expect("ABOR")
      .CloseData()
      .Reply("226 Aborted");
  server.Start();
  PlainFtpClient client = ConnectTo(server);
  UniqueFd data = client.OpenPassive();
  ASSERT_TRUE(data.Valid());
  EXPECT_EQ(client.Command("RETR f").code, 150);
  EXPECT_EQ(ReadAvailable(data.Get(), 300ms), PatternBytes(0, 500));  // and no end of stream
  EXPECT_EQ(client.Command("ABOR").code, 226);
  EXPECT_TRUE(WaitForPeerClose(data.Get()));
  EXPECT_TRUE(server.Verify());
}

TEST(ScriptedFtpServerTest, NeverConnectingToThePortAddressLeavesTheClientWaiting) {
  ScriptedFtpServer server;
  server.UseDefaultReplies().ServeData("LIST", "x\r\n", {.neverConnect = true});
  server.Start();
  PlainFtpClient client = ConnectTo(server);
  EXPECT_EQ(client.ReadReply().code, 220);
  UniqueFd listener = client.OpenActive();
  ASSERT_TRUE(listener.Valid());
  EXPECT_EQ(client.Command("LIST").code, 150);
  EXPECT_FALSE(AcceptTcp(listener.Get(), 300ms).Valid());
  EXPECT_EQ(ReadAvailable(client.ControlFd(), 100ms), "");  // no completion reply either
  ASSERT_TRUE(server.WaitForDataTransfers(1));
  EXPECT_FALSE(server.DataTransfers()[0].connected);
  EXPECT_THAT(server.Failures(), IsEmpty());
}

TEST(ScriptedFtpServerTest, DelayBeforeConnectingHoldsThePortConnectionBack) {
  ScriptedFtpServer server;
  server.UseDefaultReplies().ServeData("LIST", "x\r\n", {.delayBeforeConnect = 300ms});
  server.Start();
  PlainFtpClient client = ConnectTo(server);
  EXPECT_EQ(client.ReadReply().code, 220);
  UniqueFd listener = client.OpenActive();
  ASSERT_TRUE(listener.Valid());
  const auto start = Clock::now();
  EXPECT_EQ(client.Command("LIST").code, 150);
  UniqueFd data = AcceptTcp(listener.Get(), 3s);
  ASSERT_TRUE(data.Valid());
  EXPECT_GE(Clock::now() - start, 250ms);
  EXPECT_EQ(ReadUntilClosed(data.Get()), "x\r\n");
}

TEST(ScriptedFtpServerTest, ResetDataConnectionIsSeenAsAnError) {
  ScriptedFtpServer server;
  server.UseDefaultReplies().ServeData("RETR f", DataSource::Pattern(10000),
                                       {.stopAfterBytes = 100, .stop = DataStop::Reset});
  server.Start();
  PlainFtpClient client = ConnectTo(server);
  EXPECT_EQ(client.ReadReply().code, 220);
  UniqueFd data = client.OpenPassive();
  ASSERT_TRUE(data.Valid());
  EXPECT_EQ(client.Command("RETR f").code, 150);
  EXPECT_EQ(client.ReadReply().code, 226);
  char buffer[20000];
  ssize_t got;
  std::size_t total = 0;
  while ((got = ::recv(data.Get(), buffer, sizeof buffer, 0)) > 0) total += static_cast<std::size_t>(got);
  EXPECT_EQ(got, -1);
  EXPECT_EQ(errno, ECONNRESET);
  EXPECT_LE(total, 100u);
}

TEST(ScriptedFtpServerTest, StopRespondingNeverAnswersAndEndsWhenTheClientCloses) {
  ScriptedFtpServer server;
  server.Send("220 Hi\r\n").StopResponding();
  server.Start();
  {
    PlainFtpClient client = ConnectTo(server);
    EXPECT_EQ(client.ReadReply().code, 220);
    EXPECT_TRUE(client.SendLine("USER anna"));
    EXPECT_EQ(client.ReadReply(300ms).code, 0);
  }
  EXPECT_TRUE(server.WaitForClientClose());
  EXPECT_TRUE(server.Verify());
  EXPECT_THAT(server.Transcript(), IsEmpty());  // it stopped reading
}

TEST(ScriptedFtpServerTest, ExpectClientCloseAnswersFromTheTableUntilTheClose) {
  ScriptedFtpServer server;
  server.Answer("NOOP", "200 Ok").Send("220 Hi\r\n").ExpectClientClose().Send("220 Second\r\n");
  server.Start();
  {
    PlainFtpClient client = ConnectTo(server);
    EXPECT_EQ(client.ReadReply().code, 220);
    EXPECT_EQ(client.Command("NOOP").code, 200);
    EXPECT_EQ(server.RemainingSteps(), 2u);
  }
  PlainFtpClient second = ConnectTo(server);
  EXPECT_EQ(second.ReadReply().text, "220 Second\n");
  EXPECT_TRUE(server.Verify());
  EXPECT_EQ(server.ClientCloses(), 1);
}

TEST(ScriptedFtpServerTest, WaitsAreBoundedAndSeeTheCommands) {
  ScriptedFtpServer server;
  server.UseDefaultReplies();
  server.Start();
  EXPECT_FALSE(server.WaitForCommands(1, 50ms));
  PlainFtpClient client = ConnectTo(server);
  EXPECT_EQ(client.ReadReply().code, 220);
  EXPECT_TRUE(client.SendLine("NOOP"));
  EXPECT_TRUE(client.SendLine("NOOP"));
  EXPECT_TRUE(server.WaitForCommands(2));
  EXPECT_FALSE(server.WaitForClientClose(50ms));
  client.Close();
  EXPECT_TRUE(server.WaitForClientClose());
}

// The destructor must return promptly whatever the server thread is doing.
struct StopCase {
  const char* name;
  std::function<void(ScriptedFtpServer&)> script;
  std::function<void(PlainFtpClient&, UniqueFd&)> client;  // null: nobody connects
};

class ScriptedFtpServerStopTest : public ::testing::TestWithParam<StopCase> {};

TEST_P(ScriptedFtpServerStopTest, DestructorReturnsPromptly) {
  PlainFtpClient client;
  UniqueFd data;
  const auto start = Clock::now();
  {
    ScriptedFtpServer server;
    GetParam().script(server);
    server.Start();
    if (GetParam().client) {
      ASSERT_TRUE(client.Connect(server.Address(), server.Port()));
      GetParam().client(client, data);
    }
    std::this_thread::sleep_for(100ms);
  }
  EXPECT_LT(Clock::now() - start, 2s);
}

void SendUser(PlainFtpClient& client, UniqueFd&) { client.SendLine("USER anna"); }

INSTANTIATE_TEST_SUITE_P(
    Stop, ScriptedFtpServerStopTest,
    ::testing::Values(
        StopCase{"NeverConnected", [](ScriptedFtpServer& s) { s.Send("220 Hi\r\n"); }, nullptr},
        StopCase{"WaitingForACommand", [](ScriptedFtpServer& s) { s.Expect("NEVER"); }, SendUser},
        StopCase{"InADelay", [](ScriptedFtpServer& s) { s.Delay(std::chrono::hours(1)); }, SendUser},
        StopCase{"StoppedResponding", [](ScriptedFtpServer& s) { s.StopResponding(); }, SendUser},
        StopCase{"SendingToAClientThatNeverReads",
                 [](ScriptedFtpServer& s) { s.ServeData("RETR f", DataSource::Pattern(1ull << 40)).Passive(); },
                 [](PlainFtpClient& client, UniqueFd& data) {
                   if (auto target = ParsePassiveReply(client.ReadReply().text)) {
                     data = ConnectTcp(target->address, target->port);
                   }
                   client.SendLine("RETR f");
                 }},
        StopCase{"WaitingForTheClientToConnectForData",
                 [](ScriptedFtpServer& s) { s.Passive().SendData("x", {.waitForClient = std::chrono::hours(1)}); },
                 SendUser},
        StopCase{"ReadingAnUploadThatNeverEnds",
                 [](ScriptedFtpServer& s) { s.Passive().ReceiveData(); },
                 [](PlainFtpClient& client, UniqueFd& data) { data = client.OpenPassive(); }}),
    [](const ::testing::TestParamInfo<StopCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace korval::testing
