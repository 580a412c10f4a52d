#include "ui/logic/pane_typing.h"

#include <cctype>

namespace korval::ui::logic {

namespace {

bool HasWildcard(std::string_view text) { return text.find_first_of("*?") != std::string_view::npos; }

}  // namespace

std::optional<std::size_t> TypeAheadTarget(char typed, std::size_t caret, std::size_t count,
                                           const std::function<std::string_view(std::size_t)>& nameAt) {
  const int wanted = std::tolower(static_cast<unsigned char>(typed));
  auto startsWith = [&](std::size_t index) {
    const std::string_view name = nameAt(index);
    return !name.empty() && std::tolower(static_cast<unsigned char>(name.front())) == wanted;
  };
  for (std::size_t i = caret + 1; i < count; ++i)
    if (startsWith(i)) return i;
  for (std::size_t i = 0; i < caret && i < count; ++i)
    if (startsWith(i)) return i;
  return std::nullopt;
}

std::string LocalMaskFromField(std::string_view field) {
  const std::string_view mask = field.substr(0, LocalMaskCapacity);
  return mask.empty() ? std::string("*.*") : std::string(mask);
}

RemoteMaskChange RemoteMaskOnFocusOut(std::string_view storedMask, std::string_view field) {
  const std::string text(field.substr(0, RemoteMaskCapacity));
  if (!storedMask.empty() && !HasWildcard(storedMask)) return {text, false};
  return {text, text.empty() || HasWildcard(text)};
}

}  // namespace korval::ui::logic
