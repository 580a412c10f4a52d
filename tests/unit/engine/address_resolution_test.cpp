// Connecting to a name with several addresses: each is tried in the
// resolver's order until one connects, IPv6 and IPv4 alike; addresses written
// as such are used without a lookup. The resolver is replaced where a test
// needs a name with given addresses.

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "engine_test_support.h"
#include "platform/net.h"

namespace korval::engine {
namespace {

using platform::SocketAddress;
using testing::BoundSocket;
using testing::EngineStateGuard;
using testing::LogRecorder;

// Resolves every name to `addresses` (or fails with `error`) while it lives.
class ScopedResolver {
 public:
  explicit ScopedResolver(std::vector<std::string> addresses, int error = 0) {
    platform::SetHostResolver([this, addresses, error](const std::string& host, std::vector<SocketAddress>& out) {
      ++calls;
      asked = host;
      if (onResolve) onResolve();
      if (error != 0) return error;
      for (const std::string& text : addresses) out.push_back(*SocketAddress::FromNumeric(text, 0));
      return 0;
    });
  }
  ~ScopedResolver() { platform::SetHostResolver({}); }
  std::atomic<int> calls{0};
  std::string asked;
  std::function<void()> onResolve;
};

std::vector<std::string> ConnectAttempts(LogRecorder& log) {
  std::vector<std::string> attempts;
  for (const std::string& line : log.Lines())
    if (line.rfind("connecting to ", 0) == 0 || line.rfind("can't connect", 0) == 0 || line.rfind("Connected", 0) == 0)
      attempts.push_back(line);
  return attempts;
}

struct OrderCase {
  const char* name;
  const char* refusing;  // the first address: its port is held without a listener
  bool needsIpv6;
};

void PrintTo(const OrderCase& c, std::ostream* out) { *out << c.name; }

class AddressOrderTest : public ::testing::TestWithParam<OrderCase> {};

TEST_P(AddressOrderTest, NextAddressIsTriedWhenTheFirstRefuses) {
  const OrderCase& c = GetParam();
  if (c.needsIpv6 && !testing::Ipv6LoopbackUsable()) GTEST_SKIP() << "::1 cannot be bound on this machine";
  EngineStateGuard state;
  LogRecorder log;
  BoundSocket listener("127.0.0.1", 0, BoundSocket::Mode::Listening);
  ASSERT_TRUE(listener.Ok());
  BoundSocket refusing(c.refusing, listener.Port(), BoundSocket::Mode::BoundOnly);
  ASSERT_TRUE(refusing.Ok()) << c.refusing << " port " << listener.Port() << " is taken";
  ScopedResolver resolver({c.refusing, "127.0.0.1"});

  const int socket = ConnectToHost("twofold.example", listener.Port(), "tcp");

  ASSERT_GE(socket, 0);
  ::close(socket);
  EXPECT_EQ(resolver.asked, "twofold.example");
  const std::string port = std::to_string(listener.Port());
  EXPECT_EQ(ConnectAttempts(log), (std::vector<std::string>{std::string("connecting to ") + c.refusing + " ...",
                                                            "can't connect to twofold.example - connection refused",
                                                            "connecting to 127.0.0.1 ...",
                                                            "Connected to 127.0.0.1 port " + port}));
  EXPECT_EQ(TheSession().ServerAddress.HostText(), "127.0.0.1");
  EXPECT_EQ(TheSession().DataPeerAddress.Port(), 20u);
}

INSTANTIATE_TEST_SUITE_P(Families, AddressOrderTest,
                         ::testing::Values(OrderCase{"Ipv6First", "::1", true},
                                           OrderCase{"AnotherIpv4First", "127.0.0.2", false}),
                         [](const ::testing::TestParamInfo<OrderCase>& info) { return std::string(info.param.name); });

TEST(AddressResolutionTest, EveryAddressRefusingFailsWithTheLastError) {
  EngineStateGuard state;
  LogRecorder log;
  BoundSocket first("127.0.0.2", 0, BoundSocket::Mode::BoundOnly);
  ASSERT_TRUE(first.Ok());
  BoundSocket second("127.0.0.1", first.Port(), BoundSocket::Mode::BoundOnly);
  ASSERT_TRUE(second.Ok());
  // Listed twice (once per socket type, or twice in a hosts file): tried once.
  ScopedResolver resolver({"127.0.0.2", "127.0.0.1", "127.0.0.2"});

  EXPECT_EQ(ConnectToHost("nowhere.example", first.Port(), "tcp"), -1);

  EXPECT_EQ(platform::LastSocketError(), platform::ErrorRefused);
  EXPECT_EQ(ConnectAttempts(log),
            (std::vector<std::string>{"connecting to 127.0.0.2 ...", "can't connect to nowhere.example - connection refused",
                                      "connecting to 127.0.0.1 ...",
                                      "can't connect to nowhere.example - connection refused"}));
}

TEST(AddressResolutionTest, CancelDuringAnAttemptTriesNoMoreAddresses) {
  EngineStateGuard state;
  LogRecorder log;
  BoundSocket listener("127.0.0.1", 0, BoundSocket::Mode::Listening);
  BoundSocket refusing("127.0.0.2", listener.Port(), BoundSocket::Mode::BoundOnly);
  ASSERT_TRUE(listener.Ok() && refusing.Ok());
  ScopedResolver resolver({"127.0.0.2", "127.0.0.1"});
  // Cancel is pressed while the name is looked up.
  resolver.onResolve = [] { ++TheSession().CancelPresses; };

  EXPECT_EQ(ConnectToHost("twofold.example", listener.Port(), "tcp"), -1);

  EXPECT_EQ(ConnectAttempts(log), (std::vector<std::string>{"connecting to 127.0.0.2 ...",
                                                            "can't connect to twofold.example - connection refused"}));
}

TEST(AddressResolutionTest, UnknownNameKeepsTheResolverError) {
  struct Case {
    int error;
    const char* reason;
  } cases[] = {{11001, "Host not found or server failure"}, {11004, "Valid name, no data record for type"}};
  for (const Case& c : cases) {
    EngineStateGuard state;
    LogRecorder log;
    ScopedResolver resolver({}, c.error);
    EXPECT_EQ(ConnectToHost("no-such-host.example", 21, "tcp"), -1);
    EXPECT_EQ(platform::LastSocketError(), c.error);
    EXPECT_TRUE(log.Contains("can't get \"no-such-host.example\" host entry")) << c.error;
    EXPECT_EQ(ConnectAttempts(log), std::vector<std::string>{}) << c.error;
  }
}

TEST(AddressResolutionTest, Ipv6AddressesConnectWithoutALookup) {
  if (!testing::Ipv6LoopbackUsable()) GTEST_SKIP() << "::1 cannot be bound on this machine";
  for (const char* written : {"::1", "[::1]", "0:0:0:0:0:0:0:1"}) {
    EngineStateGuard state;
    LogRecorder log;
    BoundSocket listener("::1", 0, BoundSocket::Mode::Listening);
    ASSERT_TRUE(listener.Ok());
    ScopedResolver resolver({}, 11001);

    const int socket = ConnectToHost(written, listener.Port(), "tcp");

    ASSERT_GE(socket, 0) << written;
    ::close(socket);
    EXPECT_EQ(resolver.calls, 0) << written;
    EXPECT_TRUE(log.Contains("connecting to ::1 ...")) << written;
    EXPECT_TRUE(TheSession().ServerAddress.IsIpv6());
    EXPECT_EQ(TheSession().ServerAddress.Port(), listener.Port());
  }
}

}  // namespace
}  // namespace korval::engine
