#include "platform/text.h"

#include <cstdio>
#include <vector>

namespace korval::platform {

std::string TruncateTo(std::string_view text, std::size_t capacity) {
  return std::string(text.substr(0, capacity));
}

void AssignTruncated(std::string& target, std::string_view text, std::size_t capacity) {
  target.assign(text.substr(0, capacity));
}

std::string FormatTruncatedV(std::size_t capacity, const char* format, va_list arguments) {
  va_list copy;
  va_copy(copy, arguments);
  std::vector<char> buffer(capacity + 1);
  int written = std::vsnprintf(buffer.data(), buffer.size(), format, copy);
  va_end(copy);
  if (written < 0) return {};
  std::size_t length = static_cast<std::size_t>(written) < capacity ? static_cast<std::size_t>(written) : capacity;
  return std::string(buffer.data(), length);
}

std::string FormatTruncated(std::size_t capacity, const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  std::string result = FormatTruncatedV(capacity, format, arguments);
  va_end(arguments);
  return result;
}

static char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }
static char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

bool EqualsIgnoreCase(std::string_view left, std::string_view right) {
  if (left.size() != right.size()) return false;
  for (std::size_t i = 0; i < left.size(); ++i)
    if (UpperAscii(left[i]) != UpperAscii(right[i])) return false;
  return true;
}

bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsIgnoreCase(text.substr(0, prefix.size()), prefix);
}

std::string ToUpperAscii(std::string_view text) {
  std::string result(text);
  for (char& c : result) c = UpperAscii(c);
  return result;
}

std::string ToLowerAscii(std::string_view text) {
  std::string result(text);
  for (char& c : result) c = LowerAscii(c);
  return result;
}

}  // namespace korval::platform
