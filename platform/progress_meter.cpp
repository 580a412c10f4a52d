#include "platform/progress_meter.h"

#include <algorithm>

#include "platform/text.h"

namespace korval::platform {

namespace {


// 0:07, 12:30, 1:02:03.
std::string DurationText(std::int64_t seconds) {
  if (seconds >= 3600)
    return FormatTruncated(40, "%lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
                           static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
  return FormatTruncated(40, "%lld:%02lld", static_cast<long long>(seconds / 60), static_cast<long long>(seconds % 60));
}

}  // namespace

std::string ByteCountText(double bytes) {
  static constexpr const char* units[] = {"KiB", "MiB", "GiB", "TiB", "PiB", "EiB"};
  if (bytes < 1024) return FormatTruncated(40, "%.0f B", bytes);
  std::size_t unit = 0;
  bytes /= 1024;
  // 1023.96 KiB would print as "1024.0 KiB": such a value belongs to the next unit.
  while (bytes >= 1023.95 && unit + 1 < std::size(units)) {
    bytes /= 1024;
    ++unit;
  }
  return FormatTruncated(40, "%.1f %s", bytes, units[unit]);
}

std::string ProgressMeterLine(std::int64_t bytes, std::int64_t expected, std::int64_t elapsedMs) {
  bytes = std::max<std::int64_t>(bytes, 0);
  const bool rateKnown = elapsedMs > 0;
  const double perSecond = rateKnown ? static_cast<double>(bytes) * 1000.0 / static_cast<double>(elapsedMs) : 0;
  const std::string rate = rateKnown ? ByteCountText(perSecond) + "/s" : "-- B/s";
  if (expected <= 0) return ByteCountText(static_cast<double>(bytes)) + "  " + rate;

  // An ASCII transfer may move more bytes than the size given for the file.
  const std::int64_t done = std::min(bytes, expected);
  const auto percent = static_cast<int>(static_cast<double>(done) * 100.0 / static_cast<double>(expected));
  std::string left = "--:--";
  if (done == expected)
    left = DurationText(0);
  else if (rateKnown && perSecond > 0)
    left = DurationText(static_cast<std::int64_t>(static_cast<double>(expected - done) / perSecond + 0.999));
  return ByteCountText(static_cast<double>(bytes)) + " of " + ByteCountText(static_cast<double>(expected)) + "  " +
         FormatTruncated(8, "%3d%%", percent) + "  " + rate + "  " + left + " left";
}

}  // namespace korval::platform
