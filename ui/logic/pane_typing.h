#pragma once
// What typing does in the panes: a character in a file list jumps to the
// next entry starting with it, and the mask fields' texts become masks.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace korval::ui::logic {

// The entry a typed character moves to: the first after the caret whose
// name starts with the character (case ignored), else, wrapping, the first
// from the top up to the caret. nullopt when no name starts with it.
std::optional<std::size_t> TypeAheadTarget(char typed, std::size_t caret, std::size_t count,
                                           const std::function<std::string_view(std::size_t)>& nameAt);

// The mask fields hold this many characters when read.
constexpr std::size_t LocalMaskCapacity = 13;
constexpr std::size_t RemoteMaskCapacity = 20;

// The local mask from its field: at most 13 characters, "*.*" when empty.
std::string LocalMaskFromField(std::string_view field);

// The remote mask field losing the focus. A stored mask without wildcards
// (a name typed to be fetched at the next Refresh) is replaced silently; a
// new text that is empty or has wildcards is applied to the listing at hand
// at once, without asking the server; any other text waits for Refresh.
struct RemoteMaskChange {
  std::string Mask;
  bool ReapplyListing = false;
  friend bool operator==(const RemoteMaskChange&, const RemoteMaskChange&) = default;
};
RemoteMaskChange RemoteMaskOnFocusOut(std::string_view storedMask, std::string_view field);

}  // namespace korval::ui::logic
