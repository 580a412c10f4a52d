#include "engine/data_connection.h"

#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>

#include "engine/command_engine.h"
#include "engine/ftp_commands.h"
#include "engine/message_log.h"
#include "engine/server_features.h"
#include "engine/secure_connection.h"
#include "engine/session.h"
#include "engine/socket_layer.h"
#include "engine/timeout_timer.h"
#include "platform/net.h"

namespace korval::engine {

namespace {

// Larger numbers are all the same to us: not a byte.
constexpr unsigned NumberCeiling = 99999999;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

// The far end of the control connection (IPv4 or IPv6).
bool ControlPeer(int controlSocket, platform::SocketAddress& peer) {
  platform::SocketAddress found;
  socklen_t length = sizeof found.storage;
  if (::getpeername(controlSocket, found.Raw(), &length) != 0) return false;
  if (found.Family() != AF_INET && found.Family() != AF_INET6) return false;
  found.length = length;
  peer = found;
  return true;
}

void RememberControlPeer(int controlSocket) {
  platform::SocketAddress peer;
  TheSession().ControlPeerAddress = ControlPeer(controlSocket, peer) ? peer : platform::SocketAddress{};
}

void LogSystemError(const char* format) {
  int code = platform::SocketErrorFromErrno(errno);
  platform::SetLastSocketError(code);
  LogPrintf(format, SocketErrorText(code).c_str());
}

}  // namespace

std::string PassiveAddress::AddressText() const {
  char text[48];
  std::snprintf(text, sizeof text, "%u.%u.%u.%u", numbers[0], numbers[1], numbers[2], numbers[3]);
  return text;
}

PassiveAddress ParsePassiveReply(std::string_view replyLine) {
  PassiveAddress parsed;
  std::string_view text = replyLine.substr(0, replyLine.find(')'));
  std::size_t start = text.find('(');
  if (start != std::string_view::npos) {
    ++start;
  } else {
    start = std::string_view::npos;
    for (std::size_t i = 4; i < text.size(); ++i)
      if (IsDigit(text[i])) {
        start = i;
        break;
      }
    if (start == std::string_view::npos) return parsed;  // NoStart
  }
  text = text.substr(start);
  parsed.fromStart = std::string(text);

  // "%u,%u,%u,%u,%u,%u": blanks may stand before a number, the commas follow
  // the digits directly.
  std::size_t position = 0;
  int count = 0;
  for (; count < 6; ++count) {
    if (count > 0) {
      if (position >= text.size() || text[position] != ',') break;
      ++position;
    }
    while (position < text.size() && IsSpace(text[position])) ++position;
    if (position >= text.size() || !IsDigit(text[position])) break;
    unsigned value = 0;
    while (position < text.size() && IsDigit(text[position])) {
      value = value > NumberCeiling / 10 ? NumberCeiling : value * 10 + static_cast<unsigned>(text[position] - '0');
      ++position;
    }
    parsed.numbers[static_cast<std::size_t>(count)] = value;
  }
  if (count < 6) {
    parsed.result = PassiveAddress::Parse::TooFewNumbers;
    return parsed;
  }
  // A port byte above 255 would wrap into some other port.
  parsed.result = (parsed.numbers[4] > 255 || parsed.numbers[5] > 255) ? PassiveAddress::Parse::PortOutOfRange
                                                                        : PassiveAddress::Parse::Ok;
  return parsed;
}

std::string PortCommandFor(const sockaddr_in& controlLocal, const sockaddr_in& listenerLocal) {
  const auto* control = reinterpret_cast<const unsigned char*>(&controlLocal.sin_addr);
  const auto* address = control[0] != 0 ? control : reinterpret_cast<const unsigned char*>(&listenerLocal.sin_addr);
  const auto* port = reinterpret_cast<const unsigned char*>(&listenerLocal.sin_port);  // network order
  char text[64];
  std::snprintf(text, sizeof text, "PORT %d,%d,%d,%d,%d,%d", address[0], address[1], address[2], address[3], port[0],
                port[1]);
  return text;
}

ExtendedPassivePort ParseExtendedPassiveReply(std::string_view replyLine) {
  ExtendedPassivePort parsed;
  const std::size_t open = replyLine.find('(');
  if (open == std::string_view::npos) return parsed;  // NoStart
  const std::string_view text = replyLine.substr(open + 1);
  parsed.fromStart = std::string(text.substr(0, text.find(')')));
  parsed.result = ExtendedPassivePort::Parse::BadForm;
  // <d><d><d><port><d>: the delimiter is any printable character but a digit.
  if (text.size() < 5) return parsed;
  const char delimiter = text[0];
  if (delimiter < 33 || delimiter > 126 || IsDigit(delimiter) || text[1] != delimiter || text[2] != delimiter)
    return parsed;
  std::size_t position = 3;
  unsigned value = 0;
  while (position < text.size() && IsDigit(text[position])) {
    value = value > NumberCeiling / 10 ? NumberCeiling : value * 10 + static_cast<unsigned>(text[position] - '0');
    ++position;
  }
  if (position == 3 || position >= text.size() || text[position] != delimiter) return parsed;
  parsed.port = value;
  parsed.result = (value == 0 || value > 65535) ? ExtendedPassivePort::Parse::PortOutOfRange
                                                : ExtendedPassivePort::Parse::Ok;
  return parsed;
}

std::string EprtCommandFor(const platform::SocketAddress& address, unsigned port) {
  return "EPRT |" + std::string(address.IsIpv6() ? "2" : "1") + "|" + address.HostText() + "|" + std::to_string(port) +
         "|";
}

namespace {

// Connects the data connection to `host` (the control connection's peer) on `port`.
int ConnectData(const platform::SocketAddress& host, unsigned port) {
  const std::string address = host.HostText();
  LogPrintf("connecting to %s:%u", host.HostTextForPort().c_str(), port);
  int dataSocket = ConnectToHost(address, port, "tcp");
  if (dataSocket == -1) {
    ReportSocketError("connect", platform::LastSocketError());
    return -1;
  }
  LogPrintf("[%u] connect to %s port %u", static_cast<unsigned>(dataSocket), address.c_str(), port);
  return dataSocket;
}

// EPSV and a connect to the server's address with the 229 reply's port: the
// data socket, -1 on failure, or nothing when the server does not know EPSV.
std::optional<int> OpenExtendedPassiveData(int controlSocket, const platform::SocketAddress& peer) {
  Session& session = TheSession();
  if (SendCommand(controlSocket, "EPSV") != 2) {
    const int code = session.LastReplyCode;
    if (code != 500 && code != 502) return -1;
    session.EpsvRefused = true;
    LogMessage("[x] EPSV not known to the server: PASV from now on");
    return std::nullopt;
  }
  const std::string reply = session.ReplyLine;
  const ExtendedPassivePort parsed = ParseExtendedPassiveReply(reply);
  switch (parsed.result) {
    case ExtendedPassivePort::Parse::NoStart:
      LogPrintf("unable to parse info %s", reply.c_str());
      return -1;
    case ExtendedPassivePort::Parse::BadForm:
      LogPrintf("bad EPSV reply %s", parsed.fromStart.c_str());
      return -1;
    case ExtendedPassivePort::Parse::PortOutOfRange:
      LogPrintf("bad port %u in %s: not a TCP port", parsed.port, parsed.fromStart.c_str());
      return -1;
    case ExtendedPassivePort::Parse::Ok:
      break;
  }
  return ConnectData(peer, parsed.port);
}

}  // namespace

int OpenPassiveData(int controlSocket) {
  Session& session = TheSession();
  platform::SocketAddress controlPeer;
  if (ControlPeer(controlSocket, controlPeer)) {
    session.ControlPeerAddress = controlPeer;
    // PASV names IPv4 addresses only; over IPv4 EPSV passes firewalls that
    // know it, when the server says it has it.
    const bool epsvFirst = controlPeer.IsIpv6() || ServerHasFeature(ServerFeature::Epsv);
    if (epsvFirst && !session.EpsvRefused) {
      if (std::optional<int> dataSocket = OpenExtendedPassiveData(controlSocket, controlPeer)) return *dataSocket;
    }
  }
  if (EnterPassiveMode(controlSocket) != 2) return -1;

  const std::string reply = session.ReplyLine;
  PassiveAddress parsed = ParsePassiveReply(reply);
  if (parsed.result == PassiveAddress::Parse::NoStart) {
    LogPrintf("unable to parse info %s", reply.c_str());
    return -1;
  }
  if (parsed.result != PassiveAddress::Parse::Ok) {
    LogPrintf("bad address in %s", parsed.fromStart.c_str());
    return -1;
  }

  const std::string address = parsed.AddressText();
  const unsigned port = parsed.Port();
  // The data connection belongs to the server we are talking to; a reply
  // naming another host (a NAT's inside address, or a third party) is not
  // followed there.
  platform::SocketAddress target;
  if (ControlPeer(controlSocket, target)) {
    session.ControlPeerAddress = target;
    if (target.HostText() != address)
      LogPrintf("[x] PASV address %s replaced by the server's address %s", address.c_str(), target.HostText().c_str());
  } else {
    target = platform::SocketAddress::FromNumeric(address, port).value_or(platform::SocketAddress{});
    if (target.Empty()) {
      LogPrintf("bad address in %s", parsed.fromStart.c_str());
      return -1;
    }
  }
  return ConnectData(target, port);
}

int OpenListener(int controlSocket) {
  Session& session = TheSession();
  // The listener is of the control connection's family.
  platform::SocketAddress controlLocal;
  socklen_t length = sizeof controlLocal.storage;
  const bool controlKnown = ::getsockname(controlSocket, controlLocal.Raw(), &length) == 0;
  const int controlError = errno;
  controlLocal.length = length;
  const bool ipv6 = controlKnown && controlLocal.IsIpv6();
  int listenSocket = ::socket(ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
  if (listenSocket < 0) {
    LogSystemError("failed to create socket: %s");
    return -1;
  }
  if (ipv6) {
    const int only = 1;
    ::setsockopt(listenSocket, IPPROTO_IPV6, IPV6_V6ONLY, &only, sizeof only);
  }
  LogPrintf("[%u] going to listen %s port %u", static_cast<unsigned>(listenSocket),
            session.LocalAddress.HostText().c_str(), session.LocalAddress.Port());

  session.LocalAddress = platform::SocketAddress::Any(ipv6 ? AF_INET6 : AF_INET);
  if (::bind(listenSocket, session.LocalAddress.Raw(), session.LocalAddress.length) != 0) {
    LogSystemError("failed bind: %s");
    AbandonSocket(listenSocket);
    return -1;
  }
  length = sizeof session.LocalAddress.storage;
  if (::getsockname(listenSocket, session.LocalAddress.Raw(), &length) != 0) {
    LogSystemError("failed getsockname: %s");
    AbandonSocket(listenSocket);
    return -1;
  }
  session.LocalAddress.length = length;
  if (::listen(listenSocket, 1) != 0) {
    LogSystemError("failed listen: %s");
    AbandonSocket(listenSocket);
    return -1;
  }

  sockaddr_in controlLocalIpv4{};
  if (!controlKnown) {
    ReportSocketError("getsockname", platform::SocketErrorFromErrno(controlError));
  } else if (controlLocal.Family() == AF_INET) {
    std::memcpy(&controlLocalIpv4, &controlLocal.storage, sizeof controlLocalIpv4);
  }  // else no IPv4 address of our own to announce: the listener's is used
  RememberControlPeer(controlSocket);

  std::string command;
  if (ipv6) {
    command = EprtCommandFor(controlLocal, session.LocalAddress.Port());
  } else {
    sockaddr_in listenerLocal{};
    std::memcpy(&listenerLocal, &session.LocalAddress.storage, sizeof listenerLocal);
    command = PortCommandFor(controlLocalIpv4, listenerLocal);
  }
  if (SendCommand(controlSocket, "%s", command.c_str()) == 2) {
    LogPrintf("[%u] listener %s port %u", static_cast<unsigned>(listenSocket),
              session.LocalAddress.HostText().c_str(), session.LocalAddress.Port());
    return listenSocket;
  }
  LogPrintf("[%u] port cmd failed.", static_cast<unsigned>(listenSocket));
  AbandonSocket(listenSocket);
  return -1;
}

namespace {

// The server's connection to `listenSocket`, under a time-out timer of its own.
int AcceptFromServer(int listenSocket) {
  Session& session = TheSession();
  const platform::SocketAddress expected = session.ControlPeerAddress;
  const bool peerKnown = !expected.Empty();
  TimeoutTimerScope timer;
  for (;;) {
    platform::SocketAddress peer;
    socklen_t length = sizeof peer.storage;
    const int dataSocket = platform::AcceptWait(listenSocket, peer.Raw(), &length);
    if (dataSocket < 0) return -1;
    peer.length = length;
    // Only the server may connect: anyone else who found the port is turned
    // away, and the wait goes on under the same timer.
    if (peerKnown && !peer.SameHost(expected)) {
      LogPrintf("[x] data connection from %s port %u refused: not the server's address %s",
                peer.HostText().c_str(), peer.Port(), expected.HostText().c_str());
      AbandonSocket(dataSocket);
      continue;
    }
    session.DataPeerAddress = peer;
    return dataSocket;
  }
}

}  // namespace

int AcceptData(int listenSocket) {
  Session& session = TheSession();
  const int dataSocket = AcceptFromServer(listenSocket);
  if (dataSocket < 0) {
    ReportSocketError("accept", platform::LastSocketError());
    ShutdownSocket(listenSocket);
    return -1;
  }
  ShutdownSocket(listenSocket);  // one data connection per listener
  LogPrintf("[%u] accept from %s port %u", static_cast<unsigned>(dataSocket),
            session.DataPeerAddress.HostText().c_str(), session.DataPeerAddress.Port());
  return dataSocket;
}

DataConnectionMode OpenDataConnection(int controlSocket, bool passive) {
  Session& session = TheSession();
  if (passive) {
    int dataSocket = OpenPassiveData(controlSocket);
    if (dataSocket != -1) {
      session.DataSocket = dataSocket;
      return DataConnectionMode::Passive;
    }
  }
  session.ListenSocket = OpenListener(controlSocket);
  return session.ListenSocket == -1 ? DataConnectionMode::None : DataConnectionMode::Active;
}

bool AwaitDataConnection(DataConnectionMode mode) {
  Session& session = TheSession();
  if (mode == DataConnectionMode::Active && session.ListenSocket != -1) {
    session.DataSocket = AcceptData(session.ListenSocket);
    session.ListenSocket = -1;  // AcceptData closed it
  }
  if (mode == DataConnectionMode::None || session.DataSocket == -1) return false;
  return SecureDataConnection(session.DataSocket);  // TLS on it when PROT P is in force
}

void CloseDataConnection() {
  Session& session = TheSession();
  session.DataSocket = AbandonSocket(session.DataSocket);
  if (session.ListenSocket != -1) session.ListenSocket = ShutdownSocket(session.ListenSocket);
}

}  // namespace korval::engine
