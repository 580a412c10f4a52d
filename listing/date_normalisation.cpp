#include "listing/date_normalisation.h"

#include <algorithm>

#include "listing/listing_text.h"

namespace korval::listing {

unsigned YearOfTimeOfDay(unsigned month, CalendarDate today) {
  int year = today.Year;
  if (month > static_cast<unsigned>(today.Month)) --year;
  int twoDigits = year % 100;
  if (twoDigits < 0) twoDigits += 100;
  return static_cast<unsigned>(twoDigits);
}

std::uint64_t ApplyTwelveHourRule(std::uint64_t hour, char marker) {
  if (marker == 'P' && hour < 12) return hour + 12;
  if (marker == 'A' && hour == 12) return 0;
  return hour;
}

void AppendZeroPadded(std::string& text, std::uint64_t value, int digits) {
  char reversed[24];
  int count = 0;
  do {
    reversed[count++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  for (int pad = count; pad < digits; ++pad) text.push_back('0');
  while (count > 0) text.push_back(reversed[--count]);
}

void AppendRightAligned(std::string& text, std::uint64_t value, int width) {
  char reversed[24];
  int count = 0;
  do {
    reversed[count++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  for (int pad = count; pad < width; ++pad) text.push_back(' ');
  while (count > 0) text.push_back(reversed[--count]);
}

std::string FormatNormalisedInfo(std::uint64_t year, std::uint64_t month, std::uint64_t day, std::uint64_t hour,
                                 std::uint64_t minute, std::uint64_t size, int sizeWidth) {
  std::string text;
  text.reserve(24);
  AppendZeroPadded(text, year, 2);
  AppendZeroPadded(text, month, 2);
  AppendZeroPadded(text, day, 2);
  text.push_back(' ');
  AppendZeroPadded(text, hour, 2);
  text.push_back(':');
  AppendZeroPadded(text, minute, 2);
  text.push_back(' ');
  AppendRightAligned(text, size, sizeWidth);
  return text;
}

namespace {
constexpr std::uint32_t NetWareHostType = 6035;

std::uint64_t NumberInField(std::string_view line, const FieldStarts& starts, int field) {
  std::optional<std::size_t> start = starts(field);
  return start ? ReadNumber(line, *start) : 0;
}

std::string_view TextOfField(std::string_view line, const FieldStarts& starts, int field) {
  std::optional<std::size_t> start = starts(field);
  if (!start) return {};
  std::size_t end = line.find(' ', *start);
  return line.substr(*start, (end == std::string_view::npos ? line.size() : end) - *start);
}

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }
}  // namespace

std::string NormaliseByFields(std::string_view line, int yearField, int monthField, int dayField, int timeField,
                              int sizeField, std::uint32_t hostType, CalendarDate today) {
  FieldStarts starts = FindFieldStarts(
      line, std::max({yearField, monthField, dayField, timeField + 1, sizeField}));
  std::optional<std::size_t> monthStart = starts(monthField);
  unsigned month = monthStart ? MonthNumber(line, *monthStart) : 0;
  std::uint64_t day = NumberInField(line, starts, dayField);
  std::uint64_t size = NumberInField(line, starts, sizeField);
  std::uint64_t year = 0;
  std::uint64_t hour = 0;
  std::uint64_t minute = 0;
  std::string_view time = TextOfField(line, starts, timeField);

  if (hostType == NetWareHostType) {
    year = NumberInField(line, starts, yearField);
    if (time.size() >= 3 && time[2] == ':') {
      hour = ReadNumber(time, 0);
      minute = ReadNumber(time, 3);
    } else if (time.size() >= 2 && time[1] == ':') {
      hour = ReadNumber(time, 0);
      minute = ReadNumber(time, 2);
    }
    std::string_view marker = TextOfField(line, starts, timeField + 1);
    if (!marker.empty()) {
      char letter = LowerAscii(marker.front());
      if (letter == 'p') hour = ApplyTwelveHourRule(hour, 'P');
      if (letter == 'a') hour = ApplyTwelveHourRule(hour, 'A');
    }
  } else if (!time.empty()) {
    if (time.size() >= 3 && time[2] == ':') {
      hour = ReadNumber(time, 0);
      minute = ReadNumber(time, 3);
      year = YearOfTimeOfDay(month, today);
    } else {
      year = ReadNumber(time, 2);  // the last two digits of a four-digit year
    }
  }
  return FormatNormalisedInfo(year, month, day, hour, minute, size);
}

namespace {
// A date column as it stands: leading spaces skipped, up to a space or
// `length` characters.
void AppendColumnCopy(std::string& text, std::string_view line, ColumnSpan span) {
  std::size_t at = span.Column;
  while (at < line.size() && line[at] == ' ') ++at;
  for (std::size_t copied = 0; copied < span.Length && at < line.size() && line[at] != ' '; ++copied, ++at)
    text.push_back(line[at]);
}

char CharAt(std::string_view line, std::size_t at) { return at < line.size() ? line[at] : '\0'; }
}  // namespace

std::string NormaliseByColumns(std::string_view line, ColumnSpan year, ColumnSpan month, ColumnSpan day,
                               ColumnSpan time, std::size_t sizeColumn, DateColumns dateColumns, CalendarDate today) {
  std::string text;
  text.reserve(24);
  if (dateColumns == DateColumns::CopyAsShown) {
    AppendColumnCopy(text, line, year);
    AppendColumnCopy(text, line, month);
    AppendColumnCopy(text, line, day);
    text.push_back(' ');
    if (time.Length > 5 && CharAt(line, time.Column + 2) == ':' && CharAt(line, time.Column + 6) == 'M') {
      std::uint64_t hour = ApplyTwelveHourRule(ReadNumber(line, time.Column), CharAt(line, time.Column + 5));
      AppendZeroPadded(text, hour, 2);
      text.push_back(':');
      AppendZeroPadded(text, ReadNumber(line, time.Column + 3), 2);
    } else {
      AppendColumnCopy(text, line, time);
    }
  } else {
    unsigned monthNumber = MonthNumber(line, month.Column);
    std::uint64_t dayNumber = ReadNumber(line, day.Column);
    std::uint64_t yearNumber = 0;
    std::uint64_t hour = 0;
    std::uint64_t minute = 0;
    if (CharAt(line, time.Column + 2) == ':') {
      hour = ReadNumber(line, time.Column);
      minute = ReadNumber(line, time.Column + 3);
      yearNumber = YearOfTimeOfDay(monthNumber, today);
    } else {
      yearNumber = ReadNumber(line, year.Column);
    }
    AppendZeroPadded(text, yearNumber, 2);
    AppendZeroPadded(text, monthNumber, 2);
    AppendZeroPadded(text, dayNumber, 2);
    text.push_back(' ');
    AppendZeroPadded(text, hour, 2);
    text.push_back(':');
    AppendZeroPadded(text, minute, 2);
  }
  text.push_back(' ');
  AppendRightAligned(text, ReadNumber(line, sizeColumn), 10);
  return text;
}

}  // namespace korval::listing
