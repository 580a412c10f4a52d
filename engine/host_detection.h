#pragma once
// Recognising the remote host type: from the greeting lines while the logon
// reads them, and by SYST and HELP just before the first listing of a
// connection. The second step also decides which optional commands the server
// is taken to support (the session's CanMkd, CanRmd, CanRename, CanDelete and
// UseCdup) and has the host enable the remote pane's buttons to match.
//
// Greetings this recognises (sample lines):
//   220 IBM Spartacus KNET FTP server ready        -> IBM Spartacus KNET
//   220 hostname FTP server (NetWare v4.11) ready  -> NetWare v4
//   220 Serv-U FTP Server v2.5 for WinSock ready   -> Serv-U
//   220 host WFTPD 2.0 service ready               -> WFTPD
//   220 host FTP server (EXOS version 2) ready     -> Unisys 5000 (EXOS)
//   220 KA9Q-NOS N1BEE version ready               -> KA9Q/NOS
// SYST replies (compared in lower case): "215 UNIX Type: L8", "215 Windows_NT",
// "215 VMS MultiNet V3.5", "215 OS/400 is the remote operating system", ...

#include <cstdint>
#include <string_view>

#include "engine/host_type.h"

namespace korval::engine {

// Command ids of the remote pane buttons that detection enables.
constexpr int RemoteMkDirButton = 936;
constexpr int RemoteRenameButton = 948;
constexpr int RemoteDeleteButton = 946;

// The greeting table: the type of the first row whose pattern occurs in
// `line`, or AutomaticDetect when none does.
HostType HostTypeFromGreeting(std::string_view line);
// The SYST table, tested against the lower-cased reply line (the "RSX" test
// on the line as received is DetectHostType's own).
HostType HostTypeFromSystReply(std::string_view line);
// The type the first line of a HELP reply names; UNIX (standard) at worst.
HostType HostTypeFromHelpLine(std::string_view firstLine);

// While the session's HostType is 6000, looks `line` up in the greeting
// table and, on a match, makes that the session's type and logs
// "Host type (1): %s". Returns the session's (possibly new) type.
HostType DetectHostFromGreeting(std::string_view line);

// SYST, and HELP when that does not settle the type; then the capability
// flags, the remote buttons and HostTypeSettled.
void DetectHostType(int controlSocket);

// The greeting handler the logon installs in the reply reader.
void GreetingLineSeen(std::string_view line);

}  // namespace korval::engine
