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

unsigned FullYearOfTimeOfDay(unsigned month, CalendarDate today) {
  int year = today.Year;
  if (month > static_cast<unsigned>(today.Month)) --year;
  return year > 0 ? static_cast<unsigned>(year) : 0;
}

unsigned FullYearOf(std::uint64_t shownYear, std::size_t digits, CalendarDate today) {
  if (digits >= 4) return shownYear > 9999 ? 0 : static_cast<unsigned>(shownYear);
  if (digits == 3) return shownYear > 899 ? 0 : static_cast<unsigned>(1900 + shownYear);
  unsigned twoDigits = static_cast<unsigned>(shownYear % 100);
  int latest = today.Year + 10;
  int year = latest - ((latest % 100) - static_cast<int>(twoDigits) + 100) % 100;
  return year > 0 ? static_cast<unsigned>(year) : 0;
}

std::uint64_t ApplyTwelveHourRule(std::uint64_t hour, char marker) {
  if (marker == 'P' && hour < 12) return hour + 12;
  if (marker == 'A' && hour == 12) return 0;
  return hour;
}

namespace {
// Writes `value` right-aligned in at least `width` characters (capped at 40),
// `fill` in front; returns the end of what was written.
char* PutPadded(char* out, std::uint64_t value, int width, char fill) {
  if (width == 2 && value < 100) {  // the date's parts: no loop
    *out++ = value >= 10 ? static_cast<char>('0' + value / 10) : fill;
    *out++ = static_cast<char>('0' + value % 10);
    return out;
  }
  char reversed[20];
  int count = 0;
  do {
    reversed[count++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  for (int pad = count; pad < std::min(width, 40); ++pad) *out++ = fill;
  while (count > 0) *out++ = reversed[--count];
  return out;
}
}  // namespace

void AppendZeroPadded(std::string& text, std::uint64_t value, int digits) {
  char buffer[64];
  text.append(buffer, PutPadded(buffer, value, digits, '0'));
}

void AppendRightAligned(std::string& text, std::uint64_t value, int width) {
  char buffer[64];
  text.append(buffer, PutPadded(buffer, value, width, ' '));
}

std::string FormatNormalisedInfo(std::uint64_t year, std::uint64_t month, std::uint64_t day, std::uint64_t hour,
                                 std::uint64_t minute, std::uint64_t size, int sizeWidth) {
  // Five parts of up to 20 digits, two separators and a size of up to 40.
  char buffer[5 * 20 + 3 + 40];
  char* out = PutPadded(buffer, year, 2, '0');
  out = PutPadded(out, month, 2, '0');
  out = PutPadded(out, day, 2, '0');
  *out++ = ' ';
  out = PutPadded(out, hour, 2, '0');
  *out++ = ':';
  out = PutPadded(out, minute, 2, '0');
  *out++ = ' ';
  out = PutPadded(out, size, sizeWidth, ' ');
  return std::string(buffer, out);
}

namespace {
// Keeps the date beside the text when every part lies in its range.
void SetDateWhenValid(NormalisedInfo& info, unsigned fullYear, std::uint64_t month, std::uint64_t day,
                      std::uint64_t hour, std::uint64_t minute) {
  if (fullYear != 0 && month >= 1 && month <= 12 && day >= 1 && day <= 31 && hour <= 23 && minute <= 59) {
    info.Date.Year = static_cast<std::uint16_t>(fullYear);
    info.Date.Month = static_cast<std::uint8_t>(month);
    info.Date.Day = static_cast<std::uint8_t>(day);
    info.Date.Hour = static_cast<std::uint8_t>(hour);
    info.Date.Minute = static_cast<std::uint8_t>(minute);
  }
}
}  // namespace

NormalisedInfo MakeNormalisedInfoShowing(std::uint64_t shownYear, unsigned fullYear, std::uint64_t month,
                                         std::uint64_t day, std::uint64_t hour, std::uint64_t minute,
                                         std::uint64_t size, int sizeWidth) {
  NormalisedInfo info;
  info.Text = FormatNormalisedInfo(shownYear, month, day, hour, minute, size, sizeWidth);
  info.Size = size;
  SetDateWhenValid(info, fullYear, month, day, hour, minute);
  return info;
}

NormalisedInfo MakeNormalisedInfo(unsigned fullYear, std::uint64_t month, std::uint64_t day, std::uint64_t hour,
                                  std::uint64_t minute, std::uint64_t size, int sizeWidth) {
  return MakeNormalisedInfoShowing(fullYear % 100, fullYear, month, day, hour, minute, size, sizeWidth);
}

NormalisedInfo NormaliseShownDate(std::uint64_t shownYear, std::uint64_t month, std::uint64_t day, std::uint64_t hour,
                                  std::uint64_t minute, std::uint64_t size, CalendarDate today, int sizeWidth) {
  std::size_t digits = shownYear >= 1000 ? 4 : (shownYear >= 100 ? 3 : 2);
  return MakeNormalisedInfoShowing(shownYear, FullYearOf(shownYear, digits, today), month, day, hour, minute, size,
                                   sizeWidth);
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

NormalisedInfo NormaliseByFields(std::string_view line, int yearField, int monthField, int dayField, int timeField,
                                 int sizeField, std::uint32_t hostType, CalendarDate today) {
  FieldStarts starts = FindFieldStarts(
      line, std::max({yearField, monthField, dayField, timeField + 1, sizeField}));
  std::optional<std::size_t> monthStart = starts(monthField);
  unsigned month = monthStart ? MonthNumber(line, *monthStart) : 0;
  std::uint64_t day = NumberInField(line, starts, dayField);
  std::uint64_t size = NumberInField(line, starts, sizeField);
  std::uint64_t year = 0;
  unsigned fullYear = 0;
  std::uint64_t hour = 0;
  std::uint64_t minute = 0;
  std::string_view time = TextOfField(line, starts, timeField);

  if (hostType == NetWareHostType) {
    std::optional<std::size_t> yearStart = starts(yearField);
    year = yearStart ? ReadNumber(line, *yearStart) : 0;
    if (yearStart) fullYear = FullYearOf(year, EndOfNumber(line, *yearStart) - *yearStart, today);
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
    // The year is printed as the listing gives it.
    return MakeNormalisedInfoShowing(year, fullYear, month, day, hour, minute, size);
  }
  if (!time.empty()) {
    if (time.size() >= 3 && time[2] == ':') {
      hour = ReadNumber(time, 0);
      minute = ReadNumber(time, 3);
      fullYear = FullYearOfTimeOfDay(month, today);
      year = fullYear % 100;
    } else {
      year = ReadNumber(time, 2);  // the last two digits of a four-digit year
      std::uint64_t whole = ReadNumber(time, 0);
      std::size_t digits = EndOfNumber(time, 0);
      fullYear = digits == 4 ? static_cast<unsigned>(whole) : FullYearOf(year, 2, today);
    }
  }
  return MakeNormalisedInfoShowing(year, fullYear, month, day, hour, minute, size);
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

NormalisedInfo NormaliseByColumns(std::string_view line, ColumnSpan year, ColumnSpan month, ColumnSpan day,
                                  ColumnSpan time, std::size_t sizeColumn, DateColumns dateColumns,
                                  CalendarDate today) {
  std::uint64_t size = ReadNumber(line, sizeColumn);
  if (dateColumns == DateColumns::CopyAsShown) {
    std::string text;
    text.reserve(24);
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
    text.push_back(' ');
    AppendRightAligned(text, size, 10);
    // The date the copy shows, when it shows one in the normalised form.
    NormalisedInfo info;
    bool digits = text.size() > 13 && text[9] == ':';
    for (std::size_t at : {0, 1, 2, 3, 4, 5, 7, 8, 10, 11}) digits = digits && IsDigit(text[at]);
    std::string_view shown = text;
    if (digits)
      SetDateWhenValid(info, FullYearOf(ReadNumber(shown.substr(0, 2), 0), 2, today), ReadNumber(shown.substr(2, 2), 0),
                       ReadNumber(shown.substr(4, 2), 0), ReadNumber(shown.substr(7, 2), 0), ReadNumber(shown, 10));
    info.Text = std::move(text);
    info.Size = size;
    return info;
  }
  unsigned monthNumber = MonthNumber(line, month.Column);
  std::uint64_t dayNumber = ReadNumber(line, day.Column);
  std::uint64_t yearNumber = 0;
  unsigned fullYear = 0;
  std::uint64_t hour = 0;
  std::uint64_t minute = 0;
  if (CharAt(line, time.Column + 2) == ':') {
    hour = ReadNumber(line, time.Column);
    minute = ReadNumber(line, time.Column + 3);
    fullYear = FullYearOfTimeOfDay(monthNumber, today);
    yearNumber = fullYear % 100;
  } else {
    yearNumber = ReadNumber(line, year.Column);
    fullYear = FullYearOf(yearNumber, 2, today);
  }
  return MakeNormalisedInfoShowing(yearNumber, fullYear, monthNumber, dayNumber, hour, minute, size);
}

}  // namespace korval::listing
