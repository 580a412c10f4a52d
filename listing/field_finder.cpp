#include "listing/field_finder.h"

#include <bit>
#include <cstring>
#include <limits>

#include "listing/date_normalisation.h"
#include "listing/listing_text.h"

namespace korval::listing {

namespace {

constexpr std::uint64_t LargestSize = std::numeric_limits<std::uint64_t>::max();

// The whole text as a decimal number; false when it is empty or holds a
// non-digit. Values past 64 bits stay at the largest.
bool AllDigits(std::string_view text, std::uint64_t& value) {
  if (text.empty()) return false;
  value = 0;
  for (char c : text) {
    if (!IsDigit(c)) return false;
    std::uint64_t digit = static_cast<std::uint64_t>(c - '0');
    value = value > (LargestSize - digit) / 10 ? LargestSize : value * 10 + digit;
  }
  return true;
}

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

// A month name of three letters ("Jan", "MAY", "sep"); 0 when it is none.
unsigned MonthWord(std::string_view word) {
  if (word.size() != 3) return 0;
  for (char c : word)
    if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))) return 0;
  return MonthNumber(word, 0);
}

bool ValidDate(unsigned year, unsigned month, unsigned day) {
  return year != 0 && month >= 1 && month <= 12 && day >= 1 && day <= 31;
}

EntryDate MakeDate(unsigned year, unsigned month, unsigned day, unsigned hour, unsigned minute) {
  EntryDate date;
  date.Year = static_cast<std::uint16_t>(year);
  date.Month = static_cast<std::uint8_t>(month);
  date.Day = static_cast<std::uint8_t>(day);
  date.Hour = static_cast<std::uint8_t>(hour);
  date.Minute = static_cast<std::uint8_t>(minute);
  return date;
}

// A numeric date in one word: two or three parts split by '-', '/' or '.';
// the middle part may be a month name.
struct DateParts {
  std::string_view Part[3];
  std::size_t Count = 0;
};

DateParts SplitDateWord(std::string_view word) {
  DateParts parts;
  std::size_t start = 0;
  char separator = 0;
  for (std::size_t i = 0; i <= word.size(); ++i) {
    bool end = i == word.size();
    char c = end ? 0 : word[i];
    if (!end && c != '-' && c != '/' && c != '.') continue;
    if (!end) {
      if (separator == 0) separator = c;
      if (c != separator) return {};  // mixed separators: no date
    }
    if (parts.Count == 3 || i == start) return {};
    parts.Part[parts.Count++] = word.substr(start, i - start);
    start = i + 1;
  }
  return parts;
}

// The year a numeric part gives: four digits as they are, two (or three,
// from 1900) in the century window of FullYearOf.
unsigned YearPart(std::string_view part, std::uint64_t value, CalendarDate today) {
  if (part.size() > 4 || part.size() < 2) return 0;
  return FullYearOf(value, part.size(), today);
}

// Where the next space or tab at or after `at` stands (the line's size when
// there is none). Looks at eight characters at a time: words run long
// (protections, owners, names) and a listing has millions of them.
std::size_t NextBlank(std::string_view line, std::size_t at) {
  constexpr std::uint64_t Ones = 0x0101010101010101u;
  constexpr std::uint64_t Highs = 0x8080808080808080u;
  while (at + 8 <= line.size()) {
    std::uint64_t chunk;
    std::memcpy(&chunk, line.data() + at, 8);
    std::uint64_t spaces = chunk ^ (Ones * ' ');
    std::uint64_t tabs = chunk ^ (Ones * '\t');
    // A byte's high bit is set where a byte is zero; the lowest set one is exact.
    std::uint64_t found = ((spaces - Ones) & ~spaces & Highs) | ((tabs - Ones) & ~tabs & Highs);
    if (found != 0) {
      if constexpr (std::endian::native == std::endian::little) return at + std::countr_zero(found) / 8;
      break;  // the byte order a shift would need: read the rest one by one
    }
    at += 8;
  }
  while (at < line.size() && !IsBlank(line[at])) ++at;
  return at;
}

}  // namespace

Words SplitWords(std::string_view line) {
  Words words;
  std::size_t at = 0;
  while (words.Count < Words::Capacity) {
    while (at < line.size() && IsBlank(line[at])) ++at;
    if (at == line.size()) break;
    std::size_t start = at;
    at = NextBlank(line, at);
    words.Items[words.Count++] = {start, at};
  }
  return words;
}

bool ReadClock(std::string_view word, unsigned& hour, unsigned& minute) {
  std::size_t colon = word.find(':');
  if (colon == std::string_view::npos || colon == 0 || colon > 2 || word.size() < colon + 3) return false;
  std::uint64_t h = 0;
  std::uint64_t m = 0;
  if (!AllDigits(word.substr(0, colon), h) || !AllDigits(word.substr(colon + 1, 2), m)) return false;
  std::string_view rest = word.substr(colon + 3);
  if (!rest.empty() && rest.front() == ':') {  // seconds, perhaps with hundredths
    std::uint64_t s = 0;
    if (rest.size() < 3 || !AllDigits(rest.substr(1, 2), s)) return false;
    rest.remove_prefix(3);
    if (!rest.empty() && rest.front() == '.') {
      std::size_t digits = 1;
      while (digits < rest.size() && IsDigit(rest[digits])) ++digits;
      if (digits == 1) return false;
      rest.remove_prefix(digits);
    }
  }
  if (!rest.empty()) {
    char marker = LowerAscii(rest.front());
    bool markerOnly = rest.size() == 1 || (rest.size() == 2 && LowerAscii(rest[1]) == 'm');
    if (!markerOnly || (marker != 'a' && marker != 'p')) return false;
    h = ApplyTwelveHourRule(h, marker == 'p' ? 'P' : 'A');
  }
  if (h > 23 || m > 59) return false;
  hour = static_cast<unsigned>(h);
  minute = static_cast<unsigned>(m);
  return true;
}

std::optional<std::uint64_t> ReadSizeWord(std::string_view word) {
  std::uint64_t value = 0;
  if (AllDigits(word, value)) return value;
  if (word.size() < 2) return std::nullopt;
  int power = 0;
  switch (LowerAscii(word.back())) {
    case 'k': power = 1; break;
    case 'm': power = 2; break;
    case 'g': power = 3; break;
    case 't': power = 4; break;
    default: return std::nullopt;
  }
  std::string_view number = word.substr(0, word.size() - 1);
  std::size_t dot = number.find('.');
  std::uint64_t whole = 0;
  std::uint64_t fraction = 0;
  std::uint64_t scale = 1;
  if (!AllDigits(number.substr(0, dot), whole)) return std::nullopt;
  if (dot != std::string_view::npos) {
    std::string_view decimals = number.substr(dot + 1);
    if (decimals.size() > 6 || !AllDigits(decimals, fraction)) return std::nullopt;
    for (std::size_t i = 0; i < decimals.size(); ++i) scale *= 10;
  }
  std::uint64_t unit = std::uint64_t{1} << (10 * power);
  if (whole > LargestSize / unit) return LargestSize;
  return whole * unit + fraction * unit / scale;
}

std::optional<std::uint64_t> TrailingDigits(std::string_view word) {
  std::size_t start = word.size();
  while (start > 0 && IsDigit(word[start - 1])) --start;
  std::uint64_t value = 0;
  if (!AllDigits(word.substr(start), value)) return std::nullopt;
  return value;
}

std::optional<DateGroup> ReadDateGroup(std::string_view line, const Words& words, std::size_t index,
                                       CalendarDate today, NumericDateOrder order) {
  if (index >= words.Count) return std::nullopt;
  auto word = [&](std::size_t i) { return i < words.Count ? words.Text(line, i) : std::string_view(); };
  unsigned hour = 0;
  unsigned minute = 0;
  // A time of day in the word at `i` (and an "AM"/"PM" word behind it);
  // returns the last word it took, or `i - 1` when there is none.
  auto readTime = [&](std::size_t i) -> std::size_t {
    if (!ReadClock(word(i), hour, minute)) return i - 1;
    std::string_view marker = word(i + 1);
    // A marker word with nothing behind it is the name, not a marker.
    if (i + 2 < words.Count && marker.size() == 2 && LowerAscii(marker[1]) == 'm' && (LowerAscii(marker[0]) == 'a' || LowerAscii(marker[0]) == 'p')) {
      hour = static_cast<unsigned>(ApplyTwelveHourRule(hour, LowerAscii(marker[0]) == 'p' ? 'P' : 'A'));
      return i + 1;
    }
    return i;
  };

  std::string_view first = word(index);
  if (unsigned month = MonthWord(first); month != 0) {
    // "Mon DD HH:MM", "Mon DD YYYY [HH:MM]", "Mon DD, YYYY [HH:MM]"
    std::string_view dayWord = word(index + 1);
    bool comma = !dayWord.empty() && dayWord.back() == ',';
    if (comma) dayWord.remove_suffix(1);
    std::uint64_t day = 0;
    if (dayWord.size() > 2 || !AllDigits(dayWord, day) || day < 1 || day > 31) return std::nullopt;
    std::string_view third = word(index + 2);
    std::uint64_t year = 0;
    if (third.size() == 4 && AllDigits(third, year) && year != 0) {
      std::size_t last = readTime(index + 3);
      return DateGroup{index, last, MakeDate(static_cast<unsigned>(year), month, static_cast<unsigned>(day), hour, minute)};
    }
    if (comma || !ReadClock(third, hour, minute)) return std::nullopt;
    std::size_t last = readTime(index + 2);
    return DateGroup{index, last,
                     MakeDate(FullYearOfTimeOfDay(month, today), month, static_cast<unsigned>(day), hour, minute)};
  }

  // Every numeric date begins with a digit: owners, groups, protections and
  // names are passed over without splitting them.
  if (first.empty() || !IsDigit(first.front())) return std::nullopt;
  DateParts parts = SplitDateWord(first);
  if (parts.Count == 2) {
    // "MM-DD YYYY" or "MM-DD HH:MM"
    std::uint64_t month = 0;
    std::uint64_t day = 0;
    if (parts.Part[0].size() > 2 || parts.Part[1].size() > 2 || !AllDigits(parts.Part[0], month) ||
        !AllDigits(parts.Part[1], day) || first.find('.') != std::string_view::npos)
      return std::nullopt;
    std::string_view second = word(index + 1);
    std::uint64_t year = 0;
    if (second.size() == 4 && AllDigits(second, year)) {
      if (!ValidDate(static_cast<unsigned>(year), static_cast<unsigned>(month), static_cast<unsigned>(day)))
        return std::nullopt;
      return DateGroup{index, index + 1,
                       MakeDate(static_cast<unsigned>(year), static_cast<unsigned>(month), static_cast<unsigned>(day), 0, 0)};
    }
    if (!ReadClock(second, hour, minute)) return std::nullopt;
    unsigned thisYear = FullYearOfTimeOfDay(static_cast<unsigned>(month), today);
    if (!ValidDate(thisYear, static_cast<unsigned>(month), static_cast<unsigned>(day))) return std::nullopt;
    std::size_t last = readTime(index + 1);
    return DateGroup{index, last,
                     MakeDate(thisYear, static_cast<unsigned>(month), static_cast<unsigned>(day), hour, minute)};
  }
  if (parts.Count != 3) return std::nullopt;

  std::uint64_t values[3] = {0, 0, 0};
  unsigned namedMonth = MonthWord(parts.Part[1]);
  for (std::size_t i = 0; i < 3; ++i) {
    if (i == 1 && namedMonth != 0) continue;
    if (!AllDigits(parts.Part[i], values[i])) return std::nullopt;
  }
  unsigned year = 0;
  std::uint64_t month = 0;
  std::uint64_t day = 0;
  if (parts.Part[0].size() == 4) {  // YYYY-MM-DD
    year = static_cast<unsigned>(values[0]);
    month = namedMonth != 0 ? namedMonth : values[1];
    day = values[2];
  } else if (parts.Part[0].size() <= 2 && parts.Part[2].size() >= 2) {
    year = YearPart(parts.Part[2], values[2], today);
    bool monthFirst = namedMonth == 0 && order == NumericDateOrder::MonthFirst;
    month = namedMonth != 0 ? namedMonth : (monthFirst ? values[0] : values[1]);
    day = namedMonth != 0 ? values[0] : (monthFirst ? values[1] : values[0]);
    if (namedMonth == 0 && month > 12 && day <= 12) std::swap(month, day);  // the other order is the only one that fits
  } else {
    return std::nullopt;
  }
  if (!ValidDate(year, static_cast<unsigned>(month), static_cast<unsigned>(day))) return std::nullopt;
  std::size_t last = readTime(index + 1);
  return DateGroup{index, last, MakeDate(year, static_cast<unsigned>(month), static_cast<unsigned>(day), hour, minute)};
}

std::optional<DateGroup> FindDateGroup(std::string_view line, const Words& words, std::size_t from,
                                       CalendarDate today, NumericDateOrder order) {
  for (std::size_t i = from; i + 1 < words.Count; ++i) {
    std::optional<DateGroup> group = ReadDateGroup(line, words, i, today, order);
    if (group && group->LastWord + 1 < words.Count) return group;
  }
  return std::nullopt;
}

}  // namespace korval::listing
