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

// The remote mask as the calling thread saw it when this was made (or as
// given), for the
// thread's RemoteMask() while it lives: a tree walk lists every level with
// the mask it began with, whatever the window sets meanwhile.
class OwnRemoteMask {
 public:
  OwnRemoteMask();
  explicit OwnRemoteMask(std::string mask);  // as another thread saw it
  ~OwnRemoteMask();
  OwnRemoteMask(const OwnRemoteMask&) = delete;
  OwnRemoteMask& operator=(const OwnRemoteMask&) = delete;

 private:
  std::string mask_;
  const std::string* outer_;
};

}  // namespace korval::listing
