// Receiving several blocks in one system call: the bytes come out in order
// and without gaps, whatever the split, and the end of the stream or an
// error after some blocks is reported by the next call.

#include "platform/net.h"

#include <gtest/gtest.h>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "tests/support/local_sockets.h"

namespace korval::platform {
namespace {

using testing::SocketPair;

std::string Pattern(std::size_t length) {
  std::string bytes(length, '\0');
  for (std::size_t i = 0; i < length; ++i) bytes[i] = static_cast<char>('a' + (i * 7 + i / 251) % 26);
  return bytes;
}

struct BlocksCase {
  const char* name;
  std::vector<std::size_t> writes;  // written one after another before the call
  std::size_t blockSize;
  std::size_t blocks;
  std::size_t expected;             // bytes the first call returns
};

class BlockReceiverTest : public ::testing::TestWithParam<BlocksCase> {};

TEST_P(BlockReceiverTest, PlacesTheBytesInOrderWithoutGaps) {
  const BlocksCase& c = GetParam();
  SocketPair pair;
  std::size_t written = 0;
  for (std::size_t length : c.writes) written += length;
  const std::string sent = Pattern(written);
  std::size_t offset = 0;
  for (std::size_t length : c.writes) {
    const std::string piece = sent.substr(offset, length);
    ASSERT_EQ(::write(pair.Server(), piece.data(), piece.size()), ssize_t(piece.size()));
    offset += length;
  }
  std::vector<char> buffer(c.blockSize * c.blocks + 16, '#');
  ASSERT_EQ(BlockReceiver(pair.Client()).Receive(buffer.data(), c.blockSize, c.blocks), ssize_t(c.expected));
  EXPECT_EQ(std::string(buffer.data(), c.expected), sent.substr(0, c.expected));
  // Nothing is written past the blocks asked for.
  EXPECT_EQ(std::string(buffer.end() - 16, buffer.end()), std::string(16, '#'));
  // What did not fit is there for the next call.
  if (c.expected < written) {
    std::vector<char> rest(written, '\0');
    const ssize_t more = BlockReceiver(pair.Client()).Receive(rest.data(), written, 1);
    ASSERT_EQ(more, ssize_t(written - c.expected));
    EXPECT_EQ(std::string(rest.data(), written - c.expected), sent.substr(c.expected));
  }
}

INSTANTIATE_TEST_SUITE_P(Splits, BlockReceiverTest,
                         ::testing::Values(BlocksCase{"OneShortBlock", {100}, 4096, 8, 100},
                                           BlocksCase{"WholeBlocks", {16384}, 4096, 8, 16384},
                                           BlocksCase{"MoreThanTheBlocks", {40000}, 4096, 8, 32768},
                                           BlocksCase{"ALastShortBlock", {4096, 4096, 10}, 4096, 8, 8202},
                                           BlocksCase{"OddBlockSize", {1000}, 7, 64, 448},
                                           BlocksCase{"BlocksBeyondTheLimitAreNotAsked", {70 * 512}, 512, 100,
                                                      64 * 512}),
                         [](const auto& info) { return info.param.name; });

TEST(BlockReceiverEndTest, EndAfterDataIsSeenByTheNextCall) {
  SocketPair pair;
  const std::string sent = Pattern(5000);
  ASSERT_EQ(::write(pair.Server(), sent.data(), sent.size()), ssize_t(sent.size()));
  pair.CloseServer();
  std::vector<char> buffer(4096 * 4);
  BlockReceiver receiver(pair.Client());
  EXPECT_EQ(receiver.Receive(buffer.data(), 4096, 4), 5000);
  EXPECT_EQ(receiver.Receive(buffer.data(), 4096, 4), 0);
}

TEST(BlockReceiverEndTest, NothingThereYetIsWouldBlock) {
  SocketPair pair;
  std::vector<char> buffer(4096 * 4);
  EXPECT_EQ(BlockReceiver(pair.Client()).Receive(buffer.data(), 4096, 4), -1);
  EXPECT_EQ(LastSocketError(), 10035);
}

// A TCP connection on loopback whose far end sends `bytes` and then resets.
TEST(BlockReceiverEndTest, DataAheadOfAResetAreReceivedBeforeTheReset) {
  const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  socklen_t length = sizeof address;
  ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
  ASSERT_EQ(::listen(listener, 1), 0);
  const int client = ::socket(AF_INET, SOCK_STREAM, 0);
  ASSERT_EQ(::connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  const int server = ::accept(listener, nullptr, nullptr);
  ASSERT_NE(server, -1);
  const std::string sent = Pattern(10000);
  ASSERT_EQ(::write(server, sent.data(), sent.size()), ssize_t(sent.size()));
  const linger abortive{1, 0};
  ::setsockopt(server, SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
  ::close(server);
  pollfd ready{client, POLLIN, 0};
  ASSERT_EQ(::poll(&ready, 1, 5000), 1);
  ::usleep(20000);  // the reset has arrived behind the data

  BlockReceiver receiver(client);
  std::string received;
  std::vector<char> buffer(4096 * 8);
  ssize_t count;
  while ((count = receiver.Receive(buffer.data(), 4096, 8)) > 0) received.append(buffer.data(), std::size_t(count));
  EXPECT_EQ(count, -1);
  EXPECT_EQ(LastSocketError(), 10054);  // the reset is not lost either
  EXPECT_EQ(received, sent);
  ::close(client);
  ::close(listener);
}

struct AddressCase {
  const char* written;
  bool numeric;
  int family;
  const char* text;
  const char* textForPort;
};

TEST(SocketAddressTest, NumericAddressesOfBothFamilies) {
  const AddressCase cases[] = {
      {"127.0.0.1", true, AF_INET, "127.0.0.1", "127.0.0.1"},
      {"::1", true, AF_INET6, "::1", "[::1]"},
      {"0:0:0:0:0:0:0:1", true, AF_INET6, "::1", "[::1]"},
      {"fe80::1:2", true, AF_INET6, "fe80::1:2", "[fe80::1:2]"},
      {"::ffff:10.1.2.3", true, AF_INET6, "::ffff:10.1.2.3", "[::ffff:10.1.2.3]"},
      {"localhost", false, 0, "", ""},
      {"[::1]", false, 0, "", ""},
      {"1.2.3", false, 0, "", ""},
      {"", false, 0, "", ""},
  };
  for (const AddressCase& c : cases) {
    std::optional<SocketAddress> address = SocketAddress::FromNumeric(c.written, 2121);
    ASSERT_EQ(address.has_value(), c.numeric) << c.written;
    if (!address) continue;
    EXPECT_EQ(address->Family(), c.family) << c.written;
    EXPECT_EQ(address->HostText(), c.text) << c.written;
    EXPECT_EQ(address->HostTextForPort(), c.textForPort) << c.written;
    EXPECT_EQ(address->Port(), 2121u) << c.written;
  }
  EXPECT_TRUE(SocketAddress{}.Empty());
  EXPECT_EQ(SocketAddress{}.HostText(), "");
  EXPECT_EQ(SocketAddress{}.Port(), 0u);
}

TEST(SocketAddressTest, SameHostIgnoresPortsAndReadsMappedIpv4) {
  struct Case {
    const char* left;
    const char* right;
    bool same;
  } cases[] = {
      {"127.0.0.1", "127.0.0.1", true},       {"127.0.0.1", "127.0.0.2", false},
      {"::1", "::1", true},                   {"::1", "0:0:0:0:0:0:0:1", true},
      {"::1", "::2", false},                  {"127.0.0.1", "::ffff:127.0.0.1", true},
      {"::ffff:127.0.0.1", "127.0.0.1", true}, {"127.0.0.1", "::1", false},
      {"::ffff:127.0.0.1", "::1", false},
  };
  for (const Case& c : cases) {
    SocketAddress left = *SocketAddress::FromNumeric(c.left, 21);
    SocketAddress right = *SocketAddress::FromNumeric(c.right, 50000);
    EXPECT_EQ(left.SameHost(right), c.same) << c.left << " ~ " << c.right;
  }
  EXPECT_FALSE(SocketAddress{}.SameHost(*SocketAddress::FromNumeric("127.0.0.1", 21)));
}

TEST(ResolveHostTest, LocalhostResolvesWithThePortSet) {
  std::vector<SocketAddress> addresses;
  ASSERT_EQ(ResolveHost("localhost", 2121, addresses), 0);
  ASSERT_FALSE(addresses.empty());
  for (const SocketAddress& address : addresses) {
    EXPECT_EQ(address.Port(), 2121u);
    EXPECT_TRUE(address.Family() == AF_INET || address.Family() == AF_INET6);
  }
}

TEST(ResolveHostTest, UnknownNameIsAResolverError) {
  std::vector<SocketAddress> addresses;
  const int error = ResolveHost("no-such-host.invalid", 21, addresses);
  EXPECT_GE(error, ErrorHostNotFound);
  EXPECT_LE(error, ErrorNoData);
  EXPECT_EQ(LastSocketError(), error);
  EXPECT_TRUE(addresses.empty());
}

}  // namespace
}  // namespace korval::platform
