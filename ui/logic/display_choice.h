#pragma once
// Whether the window can be opened at all: decided from the environment
// before the toolkit starts, because the toolkit ends the process when it
// finds no display. A pure function of the variables (and of whether the X
// server's local socket exists), so each case is tested without a display.

#include <functional>
#include <string>
#include <string_view>

namespace korval::ui::logic {

struct DisplayEnvironment {
  std::string Display;         // DISPLAY
  std::string WaylandDisplay;  // WAYLAND_DISPLAY
  std::string Platform;        // QT_QPA_PLATFORM
};

// Whether the X display `display` names is reachable as far as can be seen
// without connecting: a local display (":0", "unix:0") needs its socket in
// /tmp/.X11-unix; a display on another host is taken as reachable.
bool LocalXDisplayPresent(std::string_view display, const std::function<bool(const std::string&)>& socketExists);

// True when a window can be shown: an explicit platform other than xcb and
// wayland (offscreen, vnc, ...) needs nothing; xcb needs DISPLAY, wayland
// needs WAYLAND_DISPLAY; with no platform named, either will do. An X
// display also has to let this program in (`xServerAccepts`, asked only
// when the socket test passed; empty: not asked), since a server that
// refuses the connection, for want of its cookie, ends the toolkit too.
bool DisplayAvailable(const DisplayEnvironment& environment,
                      const std::function<bool(const std::string&)>& socketExists,
                      const std::function<bool(const std::string&)>& xServerAccepts = {});

// The one line shown when there is no display.
inline constexpr std::string_view NoDisplayMessage =
    "korval: the window needs a display (DISPLAY or WAYLAND_DISPLAY); to transfer from a terminal, "
    "name the transfer: korval [args] host:full_path [local:full_path] (korval --help lists the options)";

}  // namespace korval::ui::logic
