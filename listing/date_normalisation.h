#pragma once
// Reading a listing line's date, time and size into the normalised information
// text "%02u%02u%02u %02u:%02u %10lu" (year, month, day, hour, minute, size).

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "listing/listing_clock.h"
#include "listing/listing_entry.h"

namespace korval::listing {

// The two-digit year of an entry that shows a time of day instead of a year:
// this year, or last year when the entry's month lies after today's (99
// before 00).
unsigned YearOfTimeOfDay(unsigned month, CalendarDate today);
// The same year with all its digits.
unsigned FullYearOfTimeOfDay(unsigned month, CalendarDate today);
// A year as a listing writes it: four digits stand as they are; two digits
// (or three, counted from 1900: "103" is 2003) fall in the hundred years
// that end ten years after today.
unsigned FullYearOf(std::uint64_t shownYear, std::size_t digits, CalendarDate today);

// 'P' after an hour below 12 adds 12; 'A' after hour 12 gives 0.
std::uint64_t ApplyTwelveHourRule(std::uint64_t hour, char marker);

// The normalised text; `sizeWidth` is 10 (8 for the IBM VM layout).
std::string FormatNormalisedInfo(std::uint64_t year, std::uint64_t month, std::uint64_t day, std::uint64_t hour,
                                 std::uint64_t minute, std::uint64_t size, int sizeWidth = 10);
// The normalised text of a whole date and a size, with both kept beside it.
// Parts beyond their range (a month of 13, a day of 40) are kept in the text
// as shown and leave the entry undated.
NormalisedInfo MakeNormalisedInfo(unsigned fullYear, std::uint64_t month, std::uint64_t day, std::uint64_t hour,
                                  std::uint64_t minute, std::uint64_t size, int sizeWidth = 10);
// The same with the text showing `shownYear` in place of the full year's
// last two digits.
NormalisedInfo MakeNormalisedInfoShowing(std::uint64_t shownYear, unsigned fullYear, std::uint64_t month,
                                         std::uint64_t day, std::uint64_t hour, std::uint64_t minute,
                                         std::uint64_t size, int sizeWidth = 10);
// The same for a year as the line shows it (two, three or four digits); the
// text shows that year as it stands.
NormalisedInfo NormaliseShownDate(std::uint64_t shownYear, std::uint64_t month, std::uint64_t day, std::uint64_t hour,
                                  std::uint64_t minute, std::uint64_t size, CalendarDate today, int sizeWidth = 10);

// Appends `value` with at least `digits` digits, zeros in front.
void AppendZeroPadded(std::string& text, std::uint64_t value, int digits);
// Appends `value` right-aligned in `width` characters.
void AppendRightAligned(std::string& text, std::uint64_t value, int width);

// The date of a line of space-separated fields (UNIX and NetWare forms):
// month name, day and size from their fields; the time field holds hh:mm
// (year from the year rule) or a year. For `hostType` 6035 the year field
// holds the year and the time field h:mm or hh:mm with a twelve-hour marker in
// the field after it.
NormalisedInfo NormaliseByFields(std::string_view line, int yearField, int monthField, int dayField, int timeField,
                              int sizeField, std::uint32_t hostType, CalendarDate today);

struct ColumnSpan {
  std::size_t Column = 0;
  std::size_t Length = 0;
};

// Whether the date columns are copied as they stand (DOS-style dates) or
// read as a month name, a day and a time or year.
enum class DateColumns { MonthName, CopyAsShown };

// The date of a line with fixed columns.
NormalisedInfo NormaliseByColumns(std::string_view line, ColumnSpan year, ColumnSpan month, ColumnSpan day,
                               ColumnSpan time, std::size_t sizeColumn, DateColumns dateColumns, CalendarDate today);

}  // namespace korval::listing
