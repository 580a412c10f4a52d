#pragma once
// Opening and closing the FTP session. Logon connects to the server (or to a
// firewall), reads the greeting and logs on directly or by one of the four
// firewall methods; CloseConnection sends QUIT and releases the sockets.
// The Connect and Close buttons that drive them are in
// operations/connect_command.h.
//
// Logon sequences (U user, H host; "password step" = PASS, then ACCT when
// asked for):
//   no firewall           USER U
//   0 "SITE hostname"     firewall logon, SITE H, USER U
//   1 "USER after logon"  firewall logon, USER U@H
//   2 "USER with no logon" USER U@H
//   3 "Proxy OPEN"        OPEN H, USER U
// where the firewall logon is USER and PASS with the firewall's user.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "config/session_profile.h"

namespace korval::engine {

constexpr int ConnectCommandId = 9000;
constexpr int LocalMaskBox = 926;
constexpr int RemoteMaskBox = 930;
constexpr int UpdateModeButtonsCommand = 8100;
constexpr std::size_t LocalMaskCapacity = 12;
constexpr std::size_t RemoteMaskCapacity = 19;

// Firewall methods (FIRETYPE of section "FIREWALL", read afresh for every
// connection).
enum class FirewallMethod : std::int32_t { SiteHostname = 0, UserAfterLogon = 1, UserWithNoLogon = 2, ProxyOpen = 3 };

// What connecting and closing ask of the panes and the listing cache. Each
// hook may be empty (nothing to refresh yet).
struct ConnectionHooks {
  std::function<void()> ClearListingCache;
  // The local mask setting becomes `localMask`; the local pane is listed.
  std::function<void(std::string_view localMask)> ListLocalPane;
  // The remote mask setting becomes `remoteMask`; the remote listing is
  // retrieved.
  std::function<void(std::string_view remoteMask)> RetrieveRemotePane;
  // The remote pane is refreshed (emptied when not connected).
  std::function<void()> RefreshRemotePane;
};
ConnectionHooks& TheConnectionHooks();

// The control socket, or -1 after the connection has been closed again.
// With the firewall on, the firewall's port replaces the profile's.
int Logon(config::SessionProfile& profile);
// QUIT and every socket closed; the capability flags reset. Returns LoggedOn.
bool CloseConnection();
// The same for a connection a command of this thread still waits on (the
// busy abort): the data sockets are shut down for their owners to close,
// QUIT goes out as a line of its own without waiting for a reply (the
// waiting command's reply would answer it), and the control socket is
// retired. The remote pane is left to the caller.
void AbortConnection();

}  // namespace korval::engine
