#pragma once
// Shared by the fuzz targets: a private scratch directory (in /dev/shm when
// there is one) that is also the working directory, so nothing a target does
// lands beside the sources, and a quiet reset of the process-wide records.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace korval::fuzzing {

// The scratch directory, made on first use and made the working directory.
const std::string& ScratchDirectory();
// Writes `bytes` to `name` in the scratch directory; the file's path.
std::string WriteScratchFile(std::string_view name, std::string_view bytes);
// Session, command engine, message log, settings and profiles as at start.
void ResetState();

// Splits the input at its first NUL byte: the part before it (or all of it)
// and the part after it.
struct SplitInput {
  std::string_view head;
  std::string_view tail;
};
SplitInput SplitAtNul(const std::uint8_t* data, std::size_t size);

}  // namespace korval::fuzzing
