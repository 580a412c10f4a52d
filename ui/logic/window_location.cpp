#include "ui/logic/window_location.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace korval::ui::logic {

namespace {

// The leading number of a field: blanks, a sign, digits. Anything from the
// 32-bit range up is taken modulo 2^32, as the unsigned writer produced it.
int LeadingNumber(std::string_view field) {
  std::size_t i = 0;
  while (i < field.size() && (field[i] == ' ' || field[i] == '\t')) ++i;
  bool negative = false;
  if (i < field.size() && (field[i] == '-' || field[i] == '+')) negative = field[i++] == '-';
  std::uint32_t value = 0;
  for (; i < field.size() && field[i] >= '0' && field[i] <= '9'; ++i)
    value = value * 10u + static_cast<std::uint32_t>(field[i] - '0');
  if (negative) value = 0u - value;
  return static_cast<std::int32_t>(value);
}

}  // namespace

WindowPlacement ParseWindowLocation(std::string_view text) {
  std::vector<std::string_view> fields;
  std::size_t start = 0;
  for (std::size_t comma; (comma = text.find(',', start)) != std::string_view::npos; start = comma + 1)
    fields.push_back(text.substr(start, comma - start));
  const std::size_t commas = fields.size();
  fields.push_back(text.substr(start));

  WindowPlacement placement;
  Rect& window = placement.Window;
  if (commas >= 1) window.X = LeadingNumber(fields[0]);
  if (commas >= 2) window.Y = LeadingNumber(fields[1]);
  if (commas >= 3) {
    window.Width = LeadingNumber(fields[2]);
    window.Height = LeadingNumber(fields[3]);
  }
  if (commas >= 5) {
    placement.SplitX = LeadingNumber(fields[4]);
    placement.SplitY = LeadingNumber(fields[5]);
  }
  return placement;
}

WindowPlacement ReadWindowLocation(std::string_view text, const Rect& screen) {
  WindowPlacement placement = ParseWindowLocation(text);
  Rect& window = placement.Window;
  auto clampSpan = [](int& position, int& size, int minimum, int screenStart, int screenSize) {
    size = std::max(size, minimum);
    if (screenSize > 0) size = std::min(size, std::max(screenSize, minimum));
    position = std::min(position, screenStart + screenSize - size);
    position = std::max(position, screenStart);
  };
  clampSpan(window.X, window.Width, MinimumWindowWidth, screen.X, screen.Width);
  clampSpan(window.Y, window.Height, MinimumWindowHeight, screen.Y, screen.Height);
  return placement;
}

std::string FormatWindowLocation(const WindowPlacement& placement) {
  const Rect& w = placement.Window;
  std::string text;
  for (int value : {w.X, w.Y, w.Width, w.Height, placement.SplitX, placement.SplitY}) {
    if (!text.empty()) text += ',';
    text += std::to_string(value);
  }
  return text;
}

Rect ClientRectangleForOuter(const Rect& outer, const FrameMargins& margins) {
  return {outer.X + margins.Left, outer.Y + margins.Top, std::max(1, outer.Width - margins.Left - margins.Right),
          std::max(1, outer.Height - margins.Top - margins.Bottom)};
}

}  // namespace korval::ui::logic
