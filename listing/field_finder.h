#pragma once
// Finding a listing line's fields by what they are rather than where they
// stand: words, the date group (month names, numeric dates, a time of day),
// sizes with or without a unit. Rule sets use them for the lines their fixed
// columns and field numbers do not fit: an owner without a group, a size too
// wide for its column, a name with blanks.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "listing/listing_clock.h"
#include "listing/listing_entry.h"

namespace korval::listing {

// The line's words, at most `Capacity`: enough for every layout's fields in
// front of a name. Only the first `Count` items are set: a listing splits
// millions of lines, and clearing all of them each time costs more than
// splitting.
struct Words {
  static constexpr std::size_t Capacity = 32;
  struct Item {  // a run of characters other than spaces and tabs, [Start, End)
    std::size_t Start;
    std::size_t End;
  };
  Item Items[Capacity];
  std::size_t Count = 0;
  std::string_view Text(std::string_view line, std::size_t index) const {
    return line.substr(Items[index].Start, Items[index].End - Items[index].Start);
  }
};
Words SplitWords(std::string_view line);

// How a numeric date of three two-digit parts (or with the year last) is read.
enum class NumericDateOrder { DayFirst, MonthFirst };

// A date group found at a word: its words and the date it gives. Year is
// the whole year; a group without a time of day has 00:00.
struct DateGroup {
  std::size_t FirstWord = 0;
  std::size_t LastWord = 0;
  EntryDate Date;
};

// Reads a date group that begins at word `index`:
//   "Mon DD HH:MM", "Mon DD YYYY", "Mon DD YYYY HH:MM", "Mon DD, YYYY HH:MM",
//   "MM-DD YYYY", "MM-DD HH:MM", "YYYY-MM-DD", "YYYY/MM/DD", "YYYY.MM.DD",
//   "DD-MM-YYYY", "DD-mon-YY", "MM-DD-YY" (by `order`), each numeric date
//   with or without a following "HH:MM", "HH:MM:SS", "HH:MMAM" or "HH:MM PM".
// A time of day without a year takes this year, or last year when its
// month lies after today's.
std::optional<DateGroup> ReadDateGroup(std::string_view line, const Words& words, std::size_t index,
                                       CalendarDate today, NumericDateOrder order);

// The first date group at or after word `from` that has text behind it.
std::optional<DateGroup> FindDateGroup(std::string_view line, const Words& words, std::size_t from,
                                       CalendarDate today, NumericDateOrder order);

// "HH:MM", "H:MM", "HH:MM:SS", "HH:MM:SS.hh", with an optional "AM"/"PM"
// ("a"/"p") glued on;
// the twelve-hour rule applied. False when the word is no time.
bool ReadClock(std::string_view word, unsigned& hour, unsigned& minute);

// A size word: decimal digits ("1803"), or a number with a unit ("33.5k",
// "12M", "1.2G": 1024 to the power of the unit). Sizes past 2^64-1 stay
// there. Empty when the word is no size.
std::optional<std::uint64_t> ReadSizeWord(std::string_view word);

// The digits that end a word, as a size ("longgroup123456" gives 123456, a
// group that ran into its size); empty when it ends in none.
std::optional<std::uint64_t> TrailingDigits(std::string_view word);

}  // namespace korval::listing
