#include "engine/transfer_progress.h"

#include <algorithm>
#include <cctype>
#include <limits>

#include "platform/text.h"

namespace korval::engine {

namespace {
constexpr std::size_t ProgressTextCapacity = 255;
constexpr std::size_t LocalDirCapacity = 143;

double Seconds(std::int64_t elapsedMs) { return static_cast<double>(std::max<std::int64_t>(elapsedMs, 100)) / 1000.0; }

std::string MinutesAndSeconds(std::int64_t seconds) {
  return platform::FormatTruncated(40, " : %lld:%02lld", static_cast<long long>(seconds / 60),
                                   static_cast<long long>(seconds % 60));
}
}  // namespace

Rate FormatRate(std::int64_t bytes, std::int64_t elapsedMs, bool bytesPerSecond) {
  const double secs = Seconds(elapsedMs);
  const double b = static_cast<double>(bytes);
  if (bytesPerSecond) {
    if (b / secs <= 1024) return {b / secs, "Bps"};
    if (b / secs / 1024 <= 1024) return {b / secs / 1024, "KBps"};
    return {b / secs / 1024 / 1024, "MBps"};
  }
  const double tenths = static_cast<double>(bytes / 102);  // 10 bits a byte, per 1024
  if (bytes > 100000) {
    if (tenths / secs <= 1024) return {tenths / secs, "Kbps"};
    return {tenths / secs / 1024, "Mbps"};
  }
  if (b * 10 / secs <= 10000) return {b * 10 / secs, "bps"};
  const double kilobits = static_cast<double>((bytes * 10) / 1024);
  if (kilobits / secs <= 1024) return {kilobits / secs, "Kbps"};
  return {tenths / secs / 1024, "Mbps"};
}

namespace {

struct AnnouncedSize {
  std::int64_t bytes = 0;
  bool exact = false;
};

// "(N bytes)" is exact; "(Nk)" and "(Nk bytes)" are rounded to kilobytes.
AnnouncedSize ParseAnnouncedSize(std::string_view replyText) {
  std::size_t close = replyText.rfind(')');
  if (close == std::string_view::npos) return {};
  std::string text = platform::ToLowerAscii(replyText.substr(0, close));
  std::size_t open = text.rfind('(');
  if (open == std::string::npos) return {};
  std::string_view tail = std::string_view(text).substr(open + 1);
  // Only plain digits count: a sign or a number beyond 64 bits is no size.
  std::int64_t size = 0;
  std::size_t i = 0;
  for (; i < tail.size() && std::isdigit(static_cast<unsigned char>(tail[i])); ++i) {
    int digit = tail[i] - '0';
    if (size > (std::numeric_limits<std::int64_t>::max() - digit) / 10) return {};
    size = size * 10 + digit;
  }
  std::string_view unit = tail.substr(i);
  while (!unit.empty() && unit.front() == ' ') unit.remove_prefix(1);
  if (!unit.empty() && unit.front() == 'k') {
    if (size > std::numeric_limits<std::int64_t>::max() / 1024) return {};
    return {size * 1024, false};
  }
  if (unit.find("bytes") != std::string_view::npos) return {size, true};
  return {};
}

}  // namespace

std::int64_t SizeFromReplyText(std::string_view replyText) { return ParseAnnouncedSize(replyText).bytes; }

std::int64_t ExactSizeFromReplyText(std::string_view replyText) {
  const AnnouncedSize size = ParseAnnouncedSize(replyText);
  return size.exact ? size.bytes : 0;
}

std::string ProgressText(std::int64_t bytes, std::int64_t elapsedMs, std::int64_t expected, bool statusDialog,
                         bool bytesPerSecond) {
  if (bytes == 0) return {};
  if (!statusDialog) return std::to_string(bytes);
  Rate rate = FormatRate(bytes, elapsedMs, bytesPerSecond);
  std::string text = platform::FormatTruncated(ProgressTextCapacity, "%lld : %.2f %s", static_cast<long long>(bytes),
                                               rate.value, rate.unit);
  if (elapsedMs / 1000 > 0) text += MinutesAndSeconds(elapsedMs / 1000);
  if (expected > 0 && bytes > 0 && expected - bytes > 0 && elapsedMs > 1000) {
    double perSecond = static_cast<double>(bytes) / Seconds(elapsedMs);
    auto remaining = static_cast<std::int64_t>(static_cast<double>(expected - bytes) / perSecond);
    if (remaining > 0) text += MinutesAndSeconds(remaining);
  }
  return text;
}

int ProgressPercent(std::int64_t bytes, std::int64_t expected) {
  if (bytes <= 0 || expected <= 0) return 0;
  std::int64_t percent = expected > 999999 ? bytes / (expected / 100) : bytes * 100 / expected;
  return static_cast<int>(std::min<std::int64_t>(percent, std::numeric_limits<int>::max()));
}

std::string StatisticsLine(std::string_view label, std::int64_t bytes, std::int64_t elapsedMs, bool failed,
                           bool bytesPerSecond) {
  Rate rate = FormatRate(bytes, elapsedMs, bytesPerSecond);
  return platform::FormatTruncated(255, "%.*s %lld bytes in %.1lf secs, (%.2f %s), transfer %s",
                                   static_cast<int>(label.size()), label.data(), static_cast<long long>(bytes),
                                   Seconds(elapsedMs), rate.value, rate.unit, failed ? "failed" : "succeeded");
}

std::string TransferLogLine(const TransferLogRecord& r) {
  std::string localDir = platform::TruncateTo(r.localDir, LocalDirCapacity);
  // The line keeps the file's established layout: directory, "\", name.
  std::string line = platform::FormatTruncated(
      32, "%02d.%02d.%02d %02d:%02d %c ", r.when.tm_year % 100, r.when.tm_mon + 1, r.when.tm_mday, r.when.tm_hour,
      r.when.tm_min, r.typeSent == 'A' ? 'A' : 'B');
  line += localDir + "\\" + r.localName + " " + (r.send ? "-->" : "<--") + " " + r.host + " " + r.remoteDir + " " +
          r.remoteName + "\n";
  return line;
}

}  // namespace korval::engine
