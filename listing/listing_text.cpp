#include "listing/listing_text.h"

#include <limits>

namespace korval::listing {

std::string_view TextFrom(std::string_view text, std::size_t column) {
  return column < text.size() ? text.substr(column) : std::string_view();
}

void CutAt(std::string& line, std::size_t column) {
  if (column < line.size()) line.resize(column);
}

bool CutAtText(std::string& line, std::string_view marker) {
  std::size_t at = line.find(marker);
  if (at == std::string::npos) return false;
  line.resize(at);
  return true;
}

void TrimLineEnd(std::string& line) {
  std::size_t end = line.size();
  while (end > 0) {
    char c = line[end - 1];
    if (c != ' ' && c != '\t' && c != '\r' && c != '\n') break;
    --end;
  }
  line.resize(end);
}

void TrimTrailingBlanks(std::string& text) {
  std::size_t end = text.size();
  while (end > 0 && IsBlank(text[end - 1])) --end;
  text.resize(end);
}

std::string_view TrimTrailingBlanks(std::string_view text) {
  std::size_t end = text.size();
  while (end > 0 && IsBlank(text[end - 1])) --end;
  return text.substr(0, end);
}

std::string_view SkipLeadingBlanks(std::string_view text) {
  std::size_t start = 0;
  while (start < text.size() && IsBlank(text[start])) ++start;
  return text.substr(start);
}

std::string_view SkipLeadingSpaces(std::string_view text) {
  std::size_t start = 0;
  while (start < text.size() && text[start] == ' ') ++start;
  return text.substr(start);
}

bool Contains(std::string_view text, std::string_view part) { return text.find(part) != std::string_view::npos; }

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

namespace {
std::uint64_t DigitsAt(std::string_view text, std::size_t at) {
  constexpr std::uint64_t largest = std::numeric_limits<std::uint64_t>::max();
  std::uint64_t value = 0;
  for (; at < text.size() && IsDigit(text[at]); ++at) {
    unsigned digit = static_cast<unsigned>(text[at] - '0');
    if (value > (largest - digit) / 10) {
      value = largest;
    } else {
      value = value * 10 + digit;
    }
  }
  return value;
}
}  // namespace

std::uint64_t ReadNumber(std::string_view text, std::size_t column) {
  while (column < text.size() && text[column] == ' ') ++column;
  return DigitsAt(text, column);
}

std::uint64_t ReadNumberAfterBlanks(std::string_view text, std::size_t column) {
  while (column < text.size() && IsBlank(text[column])) ++column;
  return DigitsAt(text, column);
}

std::size_t EndOfNumber(std::string_view text, std::size_t column) {
  while (column < text.size() && text[column] == ' ') ++column;
  while (column < text.size() && IsDigit(text[column])) ++column;
  return column;
}

unsigned MonthNumber(std::string_view text, std::size_t column) {
  static constexpr std::string_view names = "janfebmaraprmayjunjulaugsepoctnovdec";
  if (column >= text.size() || text.size() - column < 3) return 0;
  char lower[3];
  for (int i = 0; i < 3; ++i) {
    char c = text[column + static_cast<std::size_t>(i)];
    lower[i] = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
  }
  for (unsigned month = 0; month < 12; ++month) {
    if (names.compare(month * 3, 3, std::string_view(lower, 3)) == 0) return month + 1;
  }
  return 0;
}

std::optional<std::size_t> FieldStart(std::string_view line, int field) {
  if (field < 1) return std::nullopt;
  std::size_t at = 0;
  for (int current = 1; current < field; ++current) {
    while (at < line.size() && line[at] != ' ') ++at;
    while (at < line.size() && line[at] == ' ') ++at;
    if (at >= line.size()) return std::nullopt;
  }
  return at;
}

FieldStarts FindFieldStarts(std::string_view line, int count) {
  FieldStarts starts;
  for (std::size_t& start : starts.Start) start = NotFound;
  if (count > 15) count = 15;
  std::size_t at = 0;
  for (int field = 1; field <= count; ++field) {
    if (field > 1) {
      while (at < line.size() && line[at] != ' ') ++at;
      while (at < line.size() && line[at] == ' ') ++at;
      if (at >= line.size()) break;
    }
    starts.Start[field] = at;
  }
  return starts;
}

std::string_view FieldText(std::string_view line, int field) {
  std::optional<std::size_t> start = FieldStart(line, field);
  if (!start) return {};
  std::size_t end = line.find(' ', *start);
  if (end == std::string_view::npos) end = line.size();
  return line.substr(*start, end - *start);
}

std::size_t LastFieldStart(std::string& line) {
  TrimLineEnd(line);
  std::size_t start = line.rfind(' ');
  if (start == std::string::npos) start = line.rfind('\t');
  start = (start == std::string::npos) ? 0 : start + 1;
  while (start < line.size() && IsBlank(line[start])) ++start;
  return start;
}

void TerminateBeforeName(std::string& line, std::size_t nameStart) {
  if (nameStart > 0 && nameStart <= line.size()) line.resize(nameStart - 1);
}

std::string_view FirstWord(std::string_view line, bool tabEndsWord) {
  std::size_t end = tabEndsWord ? line.find_first_of(" \t") : line.find(' ');
  return end == std::string_view::npos ? line : line.substr(0, end);
}

std::string_view RestAfterFirstWord(std::string_view line, bool tabEndsWord) {
  return SkipLeadingBlanks(line.substr(FirstWord(line, tabEndsWord).size()));
}

bool RemoveTrailingSlash(std::string& name) {
  if (!name.empty() && (name.back() == '/' || name.back() == '\\')) {
    name.pop_back();
    return true;
  }
  return false;
}

}  // namespace korval::listing
