#pragma once
// Small text tools shared by the listing rule sets and line builders. Every
// position is checked against the text's length: a line of any content (short,
// blank, binary) reads as absent fields and zero numbers, never past its end.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace korval::listing {

constexpr std::size_t NotFound = std::string_view::npos;

inline bool IsBlank(char c) { return c == ' ' || c == '\t'; }
inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The text from `column` on; empty when the text is shorter.
std::string_view TextFrom(std::string_view text, std::size_t column);
// Cuts `line` at `column` (it then ends before that column); shorter lines stay.
void CutAt(std::string& line, std::size_t column);
// Cuts `line` at the first occurrence of `marker`; true when it was found.
bool CutAtText(std::string& line, std::string_view marker);

// Removes trailing spaces, tabs, CR and LF (a listing line's end).
void TrimLineEnd(std::string& line);
// Removes trailing spaces and tabs.
void TrimTrailingBlanks(std::string& text);
std::string_view TrimTrailingBlanks(std::string_view text);
std::string_view SkipLeadingBlanks(std::string_view text);
std::string_view SkipLeadingSpaces(std::string_view text);

bool Contains(std::string_view text, std::string_view part);
bool StartsWith(std::string_view text, std::string_view prefix);

// The decimal number at `column` after leading spaces; reading stops at the
// first non-digit; no digits (or a column past the end) give 0. Numbers too
// big for 64 bits stay at the largest value.
std::uint64_t ReadNumber(std::string_view text, std::size_t column);
// The same after leading spaces and tabs.
std::uint64_t ReadNumberAfterBlanks(std::string_view text, std::size_t column);
// Where the digits read by ReadNumber end (the first non-digit after them).
std::size_t EndOfNumber(std::string_view text, std::size_t column);

// Month 1-12 from the three letters at `column` ("Jan".."Dec", letter case
// ignored); 0 when they are no month name.
unsigned MonthNumber(std::string_view text, std::size_t column);

// Words separated by spaces (tabs do not separate). Field 1 starts at column
// 0 (empty when the line begins with a space); field n starts after field
// n-1 and the spaces behind it. A field that would start at the line's end is
// absent.
std::optional<std::size_t> FieldStart(std::string_view line, int field);
// The starts of fields 1 to `count` in one pass (count at most 15); a field
// that is absent holds NotFound.
struct FieldStarts {
  std::size_t Start[16];
  std::optional<std::size_t> operator()(int field) const {
    if (field < 1 || field > 15 || Start[field] == NotFound) return std::nullopt;
    return Start[field];
  }
};
FieldStarts FindFieldStarts(std::string_view line, int count);
// Field n alone (up to the next space); empty when absent.
std::string_view FieldText(std::string_view line, int field);

// The last field: after trailing blanks, CR and LF are removed from `line`,
// the text after its last space, or failing that its last tab, or the whole
// line; leading spaces and tabs of the result skipped. Returns where it starts.
std::size_t LastFieldStart(std::string& line);
// Makes the character before the name the end of the line, so that the line
// holds only the text in front of the name; a name at column 0 changes nothing.
void TerminateBeforeName(std::string& line, std::size_t nameStart);

// The first word (up to the first space, or also a tab when `tabEndsWord`)
// and the rest behind it and the spaces and tabs that follow it.
std::string_view FirstWord(std::string_view line, bool tabEndsWord);
std::string_view RestAfterFirstWord(std::string_view line, bool tabEndsWord);

// Removes one trailing '/' or '\'; true when one was there.
bool RemoveTrailingSlash(std::string& name);

}  // namespace korval::listing
