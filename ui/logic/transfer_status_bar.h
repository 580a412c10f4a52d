#pragma once
// The Transfer Status dialog's percentage bar: the percent read from the
// progress text against the expected size, and how much of the bar it fills.
// A server that sends more than it announced gives more than 100 percent;
// the bar then stays full.

#include <cstdint>
#include <string>
#include <string_view>

namespace korval::ui::logic {

// The percent of `expectedSize` (above 0) that the number at the start of
// `progressText` (up to its first blank, at most 79 characters looked at)
// makes; 0 when that number is not above 0.
std::int64_t ProgressPercent(std::string_view progressText, std::int64_t expectedSize);

// The bar's text for `percent`: "37%".
std::string PercentText(std::int64_t percent);

// The filled part of a bar `clientWidth` wide: the width rounded down to a
// multiple of 100, in hundredths by the percent below 100, whole from 100 on.
int FilledWidth(int clientWidth, std::int64_t percent);

}  // namespace korval::ui::logic
