#include "engine/data_connection.h"

#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "engine/command_engine.h"
#include "engine/ftp_commands.h"
#include "engine/message_log.h"
#include "engine/secure_connection.h"
#include "engine/session.h"
#include "engine/socket_layer.h"
#include "engine/timeout_timer.h"
#include "platform/net.h"

namespace korval::engine {

namespace {

// Larger numbers are all the same to us: not a byte.
constexpr unsigned NumberCeiling = 99999999;

std::string DottedAddress(const in_addr& address) {
  char text[INET_ADDRSTRLEN] = {};
  ::inet_ntop(AF_INET, &address, text, sizeof text);
  return text;
}

unsigned PortOf(const sockaddr_in& address) { return ntohs(address.sin_port); }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

// The far end of the control connection when it is an IPv4 peer.
bool ControlPeer(int controlSocket, sockaddr_in& peer) {
  sockaddr_storage storage{};
  socklen_t length = sizeof storage;
  if (::getpeername(controlSocket, reinterpret_cast<sockaddr*>(&storage), &length) != 0) return false;
  if (storage.ss_family != AF_INET) return false;
  peer = *reinterpret_cast<sockaddr_in*>(&storage);
  return true;
}

void RememberControlPeer(int controlSocket) {
  sockaddr_in peer{};
  TheSession().ControlPeerAddress = ControlPeer(controlSocket, peer) ? peer : sockaddr_in{};
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

int OpenPassiveData(int controlSocket) {
  Session& session = TheSession();
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

  std::string address = parsed.AddressText();
  const unsigned port = parsed.Port();
  // The data connection belongs to the server we are talking to; a reply
  // naming another host (a NAT's inside address, or a third party) is not
  // followed there.
  sockaddr_in peer{};
  if (ControlPeer(controlSocket, peer)) {
    session.ControlPeerAddress = peer;
    std::string server = DottedAddress(peer.sin_addr);
    if (server != address) {
      LogPrintf("[x] PASV address %s replaced by the server's address %s", address.c_str(), server.c_str());
      address = server;
    }
  }

  LogPrintf("connecting to %s:%u", address.c_str(), port);
  int dataSocket = ConnectToHost(address, port, "tcp");
  if (dataSocket == -1) {
    ReportSocketError("connect", platform::LastSocketError());
    return -1;
  }
  LogPrintf("[%u] connect to %s port %u", static_cast<unsigned>(dataSocket), address.c_str(), port);
  return dataSocket;
}

int OpenListener(int controlSocket) {
  Session& session = TheSession();
  int listenSocket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
  if (listenSocket < 0) {
    LogSystemError("failed to create socket: %s");
    return -1;
  }
  LogPrintf("[%u] going to listen %s port %u", static_cast<unsigned>(listenSocket),
            DottedAddress(session.LocalAddress.sin_addr).c_str(), PortOf(session.LocalAddress));

  session.LocalAddress = {};
  session.LocalAddress.sin_family = AF_INET;
  session.LocalAddress.sin_port = 0;
  session.LocalAddress.sin_addr.s_addr = htonl(INADDR_ANY);
  if (::bind(listenSocket, reinterpret_cast<sockaddr*>(&session.LocalAddress), sizeof session.LocalAddress) != 0) {
    LogSystemError("failed bind: %s");
    AbandonSocket(listenSocket);
    return -1;
  }
  socklen_t length = sizeof session.LocalAddress;
  if (::getsockname(listenSocket, reinterpret_cast<sockaddr*>(&session.LocalAddress), &length) != 0) {
    LogSystemError("failed getsockname: %s");
    AbandonSocket(listenSocket);
    return -1;
  }
  if (::listen(listenSocket, 1) != 0) {
    LogSystemError("failed listen: %s");
    AbandonSocket(listenSocket);
    return -1;
  }

  sockaddr_in controlLocal{};
  length = sizeof controlLocal;
  if (::getsockname(controlSocket, reinterpret_cast<sockaddr*>(&controlLocal), &length) != 0) {
    ReportSocketError("getsockname", platform::SocketErrorFromErrno(errno));
    controlLocal = {};
  } else if (controlLocal.sin_family != AF_INET) {
    controlLocal = {};  // no IPv4 address of our own to announce: the listener's is used
  }
  RememberControlPeer(controlSocket);

  const std::string command = PortCommandFor(controlLocal, session.LocalAddress);
  if (SendCommand(controlSocket, "%s", command.c_str()) == 2) {
    LogPrintf("[%u] listener %s port %u", static_cast<unsigned>(listenSocket),
              DottedAddress(session.LocalAddress.sin_addr).c_str(), PortOf(session.LocalAddress));
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
  const sockaddr_in expected = session.ControlPeerAddress;
  const bool peerKnown = expected.sin_family == AF_INET;
  TimeoutTimerScope timer;
  for (;;) {
    sockaddr_in peer{};
    socklen_t length = sizeof peer;
    const int dataSocket = platform::AcceptWait(listenSocket, reinterpret_cast<sockaddr*>(&peer), &length);
    if (dataSocket < 0) return -1;
    // Only the server may connect: anyone else who found the port is turned
    // away, and the wait goes on under the same timer.
    if (peerKnown && peer.sin_addr.s_addr != expected.sin_addr.s_addr) {
      LogPrintf("[x] data connection from %s port %u refused: not the server's address %s",
                DottedAddress(peer.sin_addr).c_str(), PortOf(peer), DottedAddress(expected.sin_addr).c_str());
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
            DottedAddress(session.DataPeerAddress.sin_addr).c_str(), PortOf(session.DataPeerAddress));
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
