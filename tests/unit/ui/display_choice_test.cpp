#include "ui/logic/display_choice.h"

#include <gtest/gtest.h>

#include <set>

namespace korval::ui::logic {
namespace {

TEST(DisplayChoiceTest, WindowNeedsAReachableDisplayOrAPlatformOfItsOwn) {
  const std::set<std::string> sockets = {"/tmp/.X11-unix/X0", "/tmp/.X11-unix/X99"};
  auto exists = [&](const std::string& path) { return sockets.count(path) > 0; };
  struct Case {
    DisplayEnvironment environment;
    bool available;
  } cases[] = {
      {{"", "", ""}, false},
      {{":0", "", ""}, true},
      {{":0.0", "", ""}, true},
      {{"unix:99", "", ""}, true},
      {{":7", "", ""}, false},           // no server behind it
      {{"remote.example:10.0", "", ""}, true},
      {{"garbage", "", ""}, false},
      {{"", "wayland-0", ""}, true},
      {{"", "", "offscreen"}, true},
      {{"", "", "xcb"}, false},
      {{":0", "", "xcb"}, true},
      {{":0", "", "wayland"}, false},
      {{"", "wayland-0", "wayland"}, true},
      {{"", "", "wayland;xcb"}, false},
      {{":0", "", "wayland;xcb"}, true},
      {{"", "", "xcb;offscreen"}, true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(DisplayAvailable(c.environment, exists), c.available)
        << "DISPLAY=" << c.environment.Display << " WAYLAND_DISPLAY=" << c.environment.WaylandDisplay
        << " QT_QPA_PLATFORM=" << c.environment.Platform;
}

TEST(DisplayChoiceTest, TheMessageSaysWhatIsMissingAndHowToTransferInOneLine) {
  const std::string_view message = NoDisplayMessage;
  EXPECT_EQ(message.find('\n'), std::string_view::npos);
  EXPECT_NE(message.find("display"), std::string_view::npos);
  EXPECT_NE(message.find("host:full_path"), std::string_view::npos);
}

}  // namespace
}  // namespace korval::ui::logic
