// Reading the address of a 227 reply, and the PORT announcement.

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include "engine/data_connection.h"

namespace korval::engine {
namespace {

using Parse = PassiveAddress::Parse;

struct PassiveCase {
  const char* name;
  std::string reply;
  Parse expected;
  const char* address;  // for Ok and PortOutOfRange
  unsigned port;
};

void PrintTo(const PassiveCase& c, std::ostream* out) { *out << c.name; }

class ParsePassiveReplyTest : public ::testing::TestWithParam<PassiveCase> {};

TEST_P(ParsePassiveReplyTest, ReadsTheSixNumbers) {
  const PassiveCase& c = GetParam();
  PassiveAddress parsed = ParsePassiveReply(c.reply);
  ASSERT_EQ(parsed.result, c.expected);
  if (c.expected == Parse::Ok) {
    EXPECT_EQ(parsed.AddressText(), c.address);
    EXPECT_EQ(parsed.Port(), c.port);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Replies, ParsePassiveReplyTest,
    ::testing::Values(
        PassiveCase{"Parenthesised", "227 Entering Passive Mode (10,1,2,3,4,1)", Parse::Ok, "10.1.2.3", 1025},
        PassiveCase{"WithoutParentheses", "227 Entering Passive Mode 10,1,2,3,4,1", Parse::Ok, "10.1.2.3", 1025},
        PassiveCase{"FirstNumberBeginsWithSix", "227 Passive 64,233,160,1,19,137", Parse::Ok, "64.233.160.1", 5001},
        PassiveCase{"RightBehindTheCode", "227 =127,0,0,1,195,80", Parse::Ok, "127.0.0.1", 50000},
        PassiveCase{"BlanksBeforeNumbers", "227 Entering Passive Mode ( 10, 1, 2,\t3, 4, 1)", Parse::Ok, "10.1.2.3",
                    1025},
        PassiveCase{"TextAfterTheParenthesisIgnored", "227 ok (127,0,0,1,4,1) (9,9,9,9,9,9)", Parse::Ok, "127.0.0.1",
                    1025},
        PassiveCase{"AddressNumbersAboveByte", "227 Entering Passive Mode (300,1,2,999,4,1)", Parse::Ok, "300.1.2.999",
                    1025},
        PassiveCase{"PortNumberAboveByte", "227 Entering Passive Mode (127,0,0,1,256,1)", Parse::PortOutOfRange, "",
                    0},
        PassiveCase{"LowPortNumberAboveByte", "227 Entering Passive Mode (127,0,0,1,4,300)", Parse::PortOutOfRange, "",
                    0},
        PassiveCase{"FiveNumbers", "227 Entering Passive Mode (10,1,2,3,4)", Parse::TooFewNumbers, "", 0},
        PassiveCase{"BlankBeforeComma", "227 Entering Passive Mode (10 ,1,2,3,4,1)", Parse::TooFewNumbers, "", 0},
        PassiveCase{"SignedNumber", "227 Entering Passive Mode (10,-1,2,3,4,1)", Parse::TooFewNumbers, "", 0},
        PassiveCase{"EmptyParentheses", "227 Entering Passive Mode ()", Parse::TooFewNumbers, "", 0},
        PassiveCase{"NoDigits", "227 Entering Passive Mode", Parse::NoStart, "", 0},
        PassiveCase{"OnlyTheCode", "227", Parse::NoStart, "", 0},
        PassiveCase{"ClosingParenthesisFirst", "227 ) 10,1,2,3,4,1", Parse::NoStart, "", 0},
        PassiveCase{"TwoThousandDigits", "227 " + std::string(2000, '9'), Parse::TooFewNumbers, "", 0},
        PassiveCase{"TwoThousandCommas", "227 (" + std::string(2000, ','), Parse::TooFewNumbers, "", 0},
        PassiveCase{"HugeNumbers", "227 (99999999999999999999,1,2,3,4,1)", Parse::Ok,
                    "99999999.1.2.3", 1025}),
    [](const ::testing::TestParamInfo<PassiveCase>& info) { return info.param.name; });

TEST(ParsePassiveReply, KeepsTheTextFromTheStartForTheMessage) {
  EXPECT_EQ(ParsePassiveReply("227 Entering Passive Mode (10,1,2,3,4)").fromStart, "10,1,2,3,4");
  EXPECT_EQ(ParsePassiveReply("227 Entering 10,1,2").fromStart, "10,1,2");
}

sockaddr_in Address(const char* dotted, unsigned port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  ::inet_pton(AF_INET, dotted, &address.sin_addr);
  return address;
}

TEST(PortCommandFor, AnnouncesTheControlConnectionsLocalAddressWithTheListenersPort) {
  EXPECT_EQ(PortCommandFor(Address("127.0.0.1", 21), Address("0.0.0.0", 50000)), "PORT 127,0,0,1,195,80");
  EXPECT_EQ(PortCommandFor(Address("192.168.10.200", 4711), Address("0.0.0.0", 1025)), "PORT 192,168,10,200,4,1");
}

TEST(PortCommandFor, ControlAddressBeginningWithZeroAnnouncesTheListenersOwnAddress) {
  EXPECT_EQ(PortCommandFor(Address("0.1.2.3", 21), Address("10.0.0.5", 1025)), "PORT 10,0,0,5,4,1");
}

TEST(ExtendedPassiveReply, PortBetweenFourEqualDelimiters) {
  using Parse = ExtendedPassivePort::Parse;
  struct Case {
    const char* line;
    Parse result;
    unsigned port;
  } cases[] = {
      {"229 Entering Extended Passive Mode (|||6446|)", Parse::Ok, 6446},
      {"229 (!!!1!)", Parse::Ok, 1},
      {"229 (^^^65535^)", Parse::Ok, 65535},
      {"229 (|||0|)", Parse::PortOutOfRange, 0},
      {"229 (|||65536|)", Parse::PortOutOfRange, 65536},
      {"229 (|||6446)", Parse::BadForm, 0},
      {"229 (|| |6446|)", Parse::BadForm, 0},
      {"229 ( ||6446 )", Parse::BadForm, 0},
      {"229 (\x7f\x7f\x7f" "6446\x7f)", Parse::BadForm, 0},
      {"229 (|||)", Parse::BadForm, 0},
      {"229 Entering Extended Passive Mode |||6446|", Parse::NoStart, 0},
  };
  for (const Case& c : cases) {
    const ExtendedPassivePort parsed = ParseExtendedPassiveReply(c.line);
    EXPECT_EQ(parsed.result, c.result) << c.line;
    if (c.result == Parse::Ok || c.result == Parse::PortOutOfRange) {
      EXPECT_EQ(parsed.port, c.port) << c.line;
    }
  }
}

TEST(EprtCommandFor, NamesTheFamilyTheAddressAndThePort) {
  EXPECT_EQ(EprtCommandFor(*platform::SocketAddress::FromNumeric("::1", 21), 50000), "EPRT |2|::1|50000|");
  EXPECT_EQ(EprtCommandFor(*platform::SocketAddress::FromNumeric("fe80::1:2", 21), 1), "EPRT |2|fe80::1:2|1|");
  EXPECT_EQ(EprtCommandFor(*platform::SocketAddress::FromNumeric("127.0.0.1", 21), 2121), "EPRT |1|127.0.0.1|2121|");
}

}  // namespace
}  // namespace korval::engine
