#pragma once
// The mask settings of the two panes: what the mask boxes held when they were
// last read. The local mask filters the local files ("*.*" when empty); a
// remote mask with '*' or '?' filters the remote pane, any other goes to the
// server as the LIST argument.

#include <cstddef>
#include <string>
#include <string_view>

namespace korval::listing {

constexpr std::size_t LocalMaskSettingCapacity = 12;
constexpr std::size_t RemoteMaskSettingCapacity = 19;

std::string LocalMask();
std::string RemoteMask();
// Each cuts the text at its capacity.
void SetLocalMask(std::string_view mask);
void SetRemoteMask(std::string_view mask);
// Both empty, for tests.
void ResetPaneMasks();

}  // namespace korval::listing
