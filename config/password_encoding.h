#pragma once
// The reversible encoding of the passwords kept in KORVAL.INI: each character
// at index i becomes two upper-case hexadecimal digits of (code + i) mod 256.
// The encoding is tied to the user name: the user "anonymous" (exact case)
// keeps the password, an e-mail address, in clear.

#include <cstddef>
#include <string>
#include <string_view>

namespace korval::config {

// Long enough for the encoding of a whole 79-character password.
constexpr std::size_t EncodedPasswordCapacity = 158;

std::string EncodePassword(std::string_view user, std::string_view password);
// Any text decodes: each digit counts (code - 48) up to "9" and (code - 55)
// above it, so text that is not hexadecimal gives some password, never a
// failure. A lone last digit is ignored; the password ends at a decoded NUL.
std::string DecodePassword(std::string_view user, std::string_view text);

}  // namespace korval::config
