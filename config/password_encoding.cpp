#include "config/password_encoding.h"

#include "platform/text.h"

namespace korval::config {

namespace {
constexpr std::string_view ClearTextUser = "anonymous";

int DigitValue(unsigned char digit) { return digit <= '9' ? digit - 48 : digit - 55; }
}  // namespace

std::string EncodePassword(std::string_view user, std::string_view password) {
  if (user == ClearTextUser) return platform::TruncateTo(password, EncodedPasswordCapacity);
  static constexpr char HexDigits[] = "0123456789ABCDEF";
  std::string text;
  for (std::size_t index = 0; index < password.size() && text.size() + 2 <= EncodedPasswordCapacity; ++index) {
    unsigned code = (static_cast<unsigned char>(password[index]) + index) % 256;
    text += HexDigits[code >> 4];
    text += HexDigits[code & 15];
  }
  return text;
}

std::string DecodePassword(std::string_view user, std::string_view text) {
  if (user == ClearTextUser) return platform::TruncateTo(text, EncodedPasswordCapacity);
  std::string password;
  for (std::size_t pair = 0; 2 * pair + 1 < text.size(); ++pair) {
    int value = 16 * DigitValue(static_cast<unsigned char>(text[2 * pair])) +
                DigitValue(static_cast<unsigned char>(text[2 * pair + 1])) - static_cast<int>(pair % 256);
    char character = static_cast<char>(static_cast<unsigned>(value) & 0xFF);
    if (character == '\0') break;  // a C string would end here; no NUL ever reaches a command
    password += character;
  }
  return password;
}

}  // namespace korval::config
