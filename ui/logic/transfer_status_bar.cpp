#include "ui/logic/transfer_status_bar.h"

#include <cctype>

namespace korval::ui::logic {

std::int64_t ProgressPercent(std::string_view progressText, std::int64_t expectedSize) {
  if (expectedSize <= 0) return 0;
  const std::string_view looked = progressText.substr(0, 79);
  std::int64_t number = 0;
  for (char c : looked.substr(0, looked.find(' '))) {
    if (!std::isdigit(static_cast<unsigned char>(c))) break;
    if (number > (INT64_MAX - 9) / 10) break;  // more digits than any size: stop, never overflow
    number = number * 10 + (c - '0');
  }
  if (number <= 0) return 0;
  if (expectedSize > 999999) return number / (expectedSize / 100);
  // In 128 bits: a number read from a long text must not overflow the product.
  return static_cast<std::int64_t>(static_cast<__int128>(number) * 100 / expectedSize);
}

std::string PercentText(std::int64_t percent) { return std::to_string(percent) + "%"; }

int FilledWidth(int clientWidth, std::int64_t percent) {
  const int width = clientWidth / 100 * 100;
  if (percent <= 0) return 0;
  if (percent < 100) return width / 100 * static_cast<int>(percent);
  return width;
}

}  // namespace korval::ui::logic
