#include "ui/logic/display_choice.h"

#include <cctype>

namespace korval::ui::logic {

namespace {

bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

}  // namespace

bool LocalXDisplayPresent(std::string_view display, const std::function<bool(const std::string&)>& socketExists) {
  const std::size_t colon = display.rfind(':');
  if (colon == std::string_view::npos) return false;
  const std::string_view hostPart = display.substr(0, colon);
  if (!hostPart.empty() && hostPart != "unix") return true;  // over the network: cannot be told from here
  std::string number;
  for (char c : display.substr(colon + 1)) {
    if (!std::isdigit(static_cast<unsigned char>(c))) break;
    number += c;
  }
  if (number.empty()) return false;
  return socketExists("/tmp/.X11-unix/X" + number);
}

bool DisplayAvailable(const DisplayEnvironment& environment,
                      const std::function<bool(const std::string&)>& socketExists,
                      const std::function<bool(const std::string&)>& xServerAccepts) {
  const bool x = !environment.Display.empty() && LocalXDisplayPresent(environment.Display, socketExists) &&
                 (!xServerAccepts || xServerAccepts(environment.Display));
  const bool wayland = !environment.WaylandDisplay.empty();
  const std::string_view platform = environment.Platform;
  if (platform.empty()) return x || wayland;
  // A list of platforms ("wayland;xcb") is tried in order: any one will do.
  std::size_t start = 0;
  while (start <= platform.size()) {
    std::size_t end = platform.find(';', start);
    if (end == std::string_view::npos) end = platform.size();
    const std::string_view name = platform.substr(start, end - start);
    if (StartsWith(name, "xcb")) {
      if (x) return true;
    } else if (StartsWith(name, "wayland")) {
      if (wayland) return true;
    } else if (!name.empty()) {
      return true;
    }
    start = end + 1;
  }
  return false;
}

}  // namespace korval::ui::logic
