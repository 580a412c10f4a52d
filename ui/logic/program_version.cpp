#include "ui/logic/program_version.h"

#include <array>

#ifndef KORVAL_VERSION
#define KORVAL_VERSION "0.0"
#endif

namespace korval::ui::logic {

std::string_view ProgramVersionText() { return KORVAL_VERSION; }

std::string BuildDateText(std::string_view compilerDate) {
  static constexpr std::array<std::string_view, 12> Months = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  if (compilerDate.size() != 11) return std::string(compilerDate);
  int month = 0;
  for (std::size_t i = 0; i < Months.size(); ++i)
    if (compilerDate.substr(0, 3) == Months[i]) month = static_cast<int>(i) + 1;
  auto digit = [&](std::size_t at) {
    const char c = compilerDate[at];
    return c == ' ' ? 0 : (c >= '0' && c <= '9') ? c - '0' : -1;
  };
  const int dayTens = digit(4), dayUnits = digit(5), yearTens = digit(9), yearUnits = digit(10);
  if (month == 0 || dayTens < 0 || dayUnits < 0 || yearTens < 0 || yearUnits < 0) return std::string(compilerDate);
  auto digitText = [](int value) { return static_cast<char>('0' + value); };
  return std::string{digitText(yearTens), digitText(yearUnits), '.', digitText(month / 10), digitText(month % 10),
                     '.', digitText(dayTens), digitText(dayUnits)};
}

std::string ProgramBuildDateText() { return BuildDateText(__DATE__); }

}  // namespace korval::ui::logic
