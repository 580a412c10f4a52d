#pragma once
// Data connections. Passive: PASV, then connect to the port the 227 reply
// names; EPSV and the port of its 229 reply instead when the control
// connection is IPv6, or when the server lists EPSV among its features (a
// server answering EPSV with 500 or 502 gets PASV for the rest of the
// session). Active: listen on a port of our own, announce it with PORT (EPRT
// over IPv6) and wait for the server to connect. Transfers try passive first when the profile
// asks for it and fall back to active when the passive connection cannot be
// made.
//
// Data connections go to the control connection's server only: a 227 reply
// naming another address is answered by connecting to the server's address
// with the reply's port, and a connection to the listener from any other
// address is closed at once while the wait goes on.
//
// 227 replies this reads (sample lines):
//   227 Entering Passive Mode (10,1,2,3,4,1)       -> 10.1.2.3 port 1025
//   227 Entering Passive Mode 10,1,2,3,4,1         -> from the first digit behind the code
//   227 =127,0,0,1,195,80                          -> 127.0.0.1 port 50000
// 229 replies (RFC 2428: any printable delimiter, the address fields empty):
//   229 Entering Extended Passive Mode (|||6446|)  -> port 6446
//   229 Extended (!!!6446!)                        -> port 6446
//   229 (|||0|), 229 (|||65536|)                   -> no port: refused

#include <netinet/in.h>

#include <array>
#include <string>
#include <string_view>

#include "platform/net.h"

namespace korval::engine {

// The outcome of reading the address of a 227 reply.
struct PassiveAddress {
  enum class Parse { Ok, NoStart, TooFewNumbers, PortOutOfRange };
  Parse result = Parse::NoStart;
  std::array<unsigned, 6> numbers{};  // h1..h4, p1, p2
  std::string fromStart;              // the text the numbers were read from
  std::string AddressText() const;    // "h1.h2.h3.h4"
  unsigned Port() const { return numbers[4] * 256 + numbers[5]; }
};
PassiveAddress ParsePassiveReply(std::string_view replyLine);

// The outcome of reading the port of a 229 reply.
struct ExtendedPassivePort {
  enum class Parse { Ok, NoStart, BadForm, PortOutOfRange };
  Parse result = Parse::NoStart;
  unsigned port = 0;
  std::string fromStart;  // the text from behind the '('
};
ExtendedPassivePort ParseExtendedPassiveReply(std::string_view replyLine);

// "EPRT |f|address|port|" for `address` (the control connection's local one)
// and `port`, f being 1 for IPv4 and 2 for IPv6.
std::string EprtCommandFor(const platform::SocketAddress& address, unsigned port);

// "PORT h1,h2,h3,h4,p1,p2" for the address the server can reach: the control
// connection's local address, or the listener's own when that begins with
// byte 0; the port is the listener's.
std::string PortCommandFor(const sockaddr_in& controlLocal, const sockaddr_in& listenerLocal);

// PASV and a connect to the reply's port: the connected data socket, or -1.
int OpenPassiveData(int controlSocket);
// A listening socket announced with PORT, or -1.
int OpenListener(int controlSocket);
// Waits under the time-out timer for the server's connection to `listenSocket`
// and closes the listener: the data socket, or -1.
int AcceptData(int listenSocket);

// How one transfer's data connection was opened.
enum class DataConnectionMode { None, Passive, Active };

// Step one of a transfer: passive when `passive` and it works (DataSocket is
// set), otherwise a listener announced with PORT (ListenSocket is set).
DataConnectionMode OpenDataConnection(int controlSocket, bool passive);
// After the transfer command's preliminary reply: in active mode accepts the
// server's connection into DataSocket. True when DataSocket is ready.
bool AwaitDataConnection(DataConnectionMode mode);
// Closes the data socket (plainly) and a listener still open (orderly).
void CloseDataConnection();

}  // namespace korval::engine
