#pragma once
// The one-line progress meter of a transfer in a terminal: bytes moved, the
// share of the expected size, the rate and the time left.

#include <cstdint>
#include <string>

namespace korval::platform {

// "1.5 MiB of 8.0 MiB  18%  3.2 MiB/s  0:02 left" when the size is known
// (`expected` > 0), else "1.5 MiB  3.2 MiB/s". The rate and the time left
// show as "--" while no time has passed.
std::string ProgressMeterLine(std::int64_t bytes, std::int64_t expected, std::int64_t elapsedMs);

// 512 B, 1.0 KiB, 20.3 MiB, 4.0 GiB ...
std::string ByteCountText(double bytes);

}  // namespace korval::platform
