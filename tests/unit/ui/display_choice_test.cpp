#include "ui/logic/display_choice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

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

// A server that is there but refuses this program (no cookie for it) is no
// display; a Wayland display or another platform still is.
TEST(DisplayChoiceTest, AnXServerThatRefusesTheConnectionIsNoDisplay) {
  auto exists = [](const std::string&) { return true; };
  std::vector<std::string> asked;
  auto refuses = [&](const std::string& display) {
    asked.push_back(display);
    return display != ":5";
  };
  struct Case {
    DisplayEnvironment environment;
    bool available;
  } cases[] = {
      {{":5", "", ""}, false},
      {{":6", "", ""}, true},
      {{":5", "wayland-0", ""}, true},
      {{":5", "", "xcb"}, false},
      {{":5", "", "xcb;offscreen"}, true},
      {{"", "", "offscreen"}, true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(DisplayAvailable(c.environment, exists, refuses), c.available)
        << "DISPLAY=" << c.environment.Display << " QT_QPA_PLATFORM=" << c.environment.Platform;
  // Only a display that is there is asked; no display, no connection.
  EXPECT_EQ(std::count(asked.begin(), asked.end(), ""), 0);
  // With no socket the server is never asked.
  asked.clear();
  EXPECT_FALSE(DisplayAvailable({":5", "", ""}, [](const std::string&) { return false; }, refuses));
  EXPECT_TRUE(asked.empty());
}

TEST(DisplayChoiceTest, TheMessageSaysWhatIsMissingAndHowToTransferInOneLine) {
  const std::string_view message = NoDisplayMessage;
  EXPECT_EQ(message.find('\n'), std::string_view::npos);
  EXPECT_NE(message.find("display"), std::string_view::npos);
  EXPECT_NE(message.find("host:full_path"), std::string_view::npos);
}

}  // namespace
}  // namespace korval::ui::logic
