#include "config/password_encoding.h"

#include <gtest/gtest.h>

#include <ostream>

namespace korval::config {
namespace {

struct EncodingCase {
  const char* Name;
  std::string User;
  std::string Password;
  std::string Encoded;
};
void PrintTo(const EncodingCase& test, std::ostream* out) { *out << test.Name; }

class PasswordEncodingTest : public ::testing::TestWithParam<EncodingCase> {};

TEST_P(PasswordEncodingTest, EncodesAndDecodes) {
  const EncodingCase& test = GetParam();
  EXPECT_EQ(EncodePassword(test.User, test.Password), test.Encoded);
  EXPECT_EQ(DecodePassword(test.User, test.Encoded), test.Password);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PasswordEncodingTest,
    ::testing::Values(
        EncodingCase{"IndexAddedToEachCode", "joe", "abc", "616365"},
        EncodingCase{"Secret", "joe", "secret", "736665756979"},
        EncodingCase{"Empty", "joe", "", ""},
        EncodingCase{"WrapsModulo256", "joe", "\xff\xff", "FF00"},
        EncodingCase{"EightBitText", "joe", "\xe9t\xe9", "E975EB"},
        EncodingCase{"AnonymousKeptInClear", "anonymous", "me@example.org", "me@example.org"},
        EncodingCase{"AnonymousTestIsCaseSensitive", "Anonymous", "ab", "6163"}),
    [](const ::testing::TestParamInfo<EncodingCase>& info) { return std::string(info.param.Name); });

TEST(PasswordEncoding, LongestPasswordFitsWhole) {
  std::string password(79, 'p');
  std::string encoded = EncodePassword("joe", password);
  EXPECT_EQ(encoded.size(), EncodedPasswordCapacity);
  EXPECT_EQ(DecodePassword("joe", encoded), password);
}

struct DecodeCase {
  const char* Name;
  std::string Text;
  std::string Expected;
};
void PrintTo(const DecodeCase& test, std::ostream* out) { *out << test.Name; }

class PasswordDecodingTest : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(PasswordDecodingTest, AnyTextDecodesByTheDigitRule) {
  EXPECT_EQ(DecodePassword("joe", GetParam().Text), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PasswordDecodingTest,
    ::testing::Values(
        // "z" counts 122 - 55 = 67: 16 * 67 + 67 = 1139, 1139 mod 256 = 115.
        DecodeCase{"LettersBeyondF", "zz", "s"},
        // Lower case "a" counts 42: 16 * 6 + 42 = 138.
        DecodeCase{"LowerCaseDigits", "6a", "\x8a"},
        // " " counts -16: 16 * -16 + 1 = -255, which is 1 modulo 256.
        DecodeCase{"BelowZero", " 1", "\x01"},
        DecodeCase{"LoneLastDigitIgnored", "61626", "aa"},
        DecodeCase{"DecodedNulEndsPassword", "610161", "a"},
        DecodeCase{"OnlyOneDigit", "6", ""}),
    [](const ::testing::TestParamInfo<DecodeCase>& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace korval::config
