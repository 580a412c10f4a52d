#include "ui/x_display_probe.h"

#include <xcb/xcb.h>

namespace korval::ui {

bool XServerAccepts(const std::string& display) {
  xcb_connection_t* connection = xcb_connect(display.c_str(), nullptr);
  // xcb_connect never returns null: a failed connection carries its error.
  const bool accepted = xcb_connection_has_error(connection) == 0;
  xcb_disconnect(connection);
  return accepted;
}

}  // namespace korval::ui
