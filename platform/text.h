#pragma once
// Fixed-capacity text helpers. Every text in korval has a stated capacity
// (reply line 2047, command 291, log line 255, ...); these helpers enforce
// it by truncation over std::string instead of unchecked C buffers.

#include <cstdarg>
#include <cstddef>
#include <string>
#include <string_view>

namespace korval::platform {

// The first `capacity` characters of `text` (all of it when shorter).
std::string TruncateTo(std::string_view text, std::size_t capacity);

// Replaces `target` by `text` cut at `capacity` characters.
void AssignTruncated(std::string& target, std::string_view text, std::size_t capacity);

// printf-style formatting whose result holds at most `capacity` characters.
std::string FormatTruncated(std::size_t capacity, const char* format, ...)
    __attribute__((format(printf, 2, 3)));
std::string FormatTruncatedV(std::size_t capacity, const char* format, va_list arguments);

// ASCII case-insensitive comparison, as the original's string compares were.
bool EqualsIgnoreCase(std::string_view left, std::string_view right);
bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix);
std::string ToUpperAscii(std::string_view text);
std::string ToLowerAscii(std::string_view text);

}  // namespace korval::platform
