// Finding a listing line's fields by what they are: sizes, times and date
// groups, and the words that are none of them.

#include "listing/field_finder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace korval::listing {
namespace {

TEST(SplitWords, BlanksAndTabsEndWordsOfEveryLength) {
  // Long words are scanned several characters at a time: a blank or tab at
  // any place of such a run, and bytes of UTF-8 names, must split as one by one.
  struct Case {
    std::string_view line;
    std::vector<std::string_view> words;
  };
  const Case cases[] = {
      {"", {}},
      {"   \t ", {}},
      {"a", {"a"}},
      {"abcdefg h", {"abcdefg", "h"}},
      {"abcdefgh i", {"abcdefgh", "i"}},
      {"abcdefghi\tj", {"abcdefghi", "j"}},
      {"(RWED,RWED,RE,)  [JOE]", {"(RWED,RWED,RE,)", "[JOE]"}},
      {"0123456789abcdef\t0123456789abcdefg", {"0123456789abcdef", "0123456789abcdefg"}},
      {"  lead\t\ttabs   and  many    blanks  ", {"lead", "tabs", "and", "many", "blanks"}},
      {"\xc3\xa9t\xc3\xa9-r\xc3\xa9sum\xc3\xa9s \xe2\x80\xa0x", {"\xc3\xa9t\xc3\xa9-r\xc3\xa9sum\xc3\xa9s", "\xe2\x80\xa0x"}},
      {"\x80\xa0\x89\xa9\x20\x09\x21\x29 z", {"\x80\xa0\x89\xa9", "\x21\x29", "z"}},
  };
  for (const Case& c : cases) {
    Words words = SplitWords(c.line);
    ASSERT_EQ(words.Count, c.words.size()) << c.line;
    for (std::size_t i = 0; i < words.Count; ++i) EXPECT_EQ(words.Text(c.line, i), c.words[i]) << c.line;
  }
  // A blank at each place of a long run.
  for (std::size_t at = 1; at < 40; ++at) {
    std::string line(41, 'x');
    line[at] = at % 2 == 0 ? ' ' : '\t';
    Words words = SplitWords(line);
    ASSERT_EQ(words.Count, 2u) << at;
    EXPECT_EQ(words.Items[0].End, at);
    EXPECT_EQ(words.Items[1].Start, at + 1);
  }
}

TEST(ReadSizeWord, DigitsAndUnits) {
  struct Case {
    std::string_view word;
    std::optional<std::uint64_t> size;
  };
  const Case cases[] = {
      {"1803", 1803},
      {"0", 0},
      {"18446744073709551615", 18446744073709551615ULL},
      {"99999999999999999999999", 18446744073709551615ULL},  // past 64 bits stays at the largest
      {"33.5k", 34304},
      {"12K", 12288},
      {"1.5M", 1572864},
      {"2g", 2147483648ULL},
      {"20000000000T", 18446744073709551615ULL},
      {"k", std::nullopt},
      {"1.2.3k", std::nullopt},
      {"12x", std::nullopt},
      {"staff", std::nullopt},
      {"-5", std::nullopt},
      {"", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(ReadSizeWord(c.word), c.size) << c.word;
  EXPECT_EQ(TrailingDigits("longgroup123456"), 123456u);
  EXPECT_EQ(TrailingDigits("group"), std::nullopt);
}

TEST(ReadClock, TimesOfDay) {
  struct Case {
    std::string_view word;
    bool valid;
    unsigned hour, minute;
  };
  const Case cases[] = {
      {"14:05", true, 14, 5},       {"9:30", true, 9, 30},        {"02:05PM", true, 14, 5},
      {"12:05AM", true, 0, 5},      {"2:05p", true, 14, 5},       {"14:05:12", true, 14, 5},
      {"14:05:12.34", true, 14, 5}, {"24:00", false, 0, 0},       {"14:60", false, 0, 0},
      {"14:5", false, 0, 0},        {"123:45", false, 0, 0},      {":45", false, 0, 0},
      {"14:05XM", false, 0, 0},     {"14:05:1", false, 0, 0},     {"1996", false, 0, 0},
  };
  for (const Case& c : cases) {
    unsigned hour = 99, minute = 99;
    EXPECT_EQ(ReadClock(c.word, hour, minute), c.valid) << c.word;
    if (c.valid) {
      EXPECT_EQ(hour, c.hour) << c.word;
      EXPECT_EQ(minute, c.minute) << c.word;
    }
  }
}

TEST(ReadDateGroup, EveryFormAndWhatIsNoDate) {
  const CalendarDate today{1996, 6, 15};
  struct Case {
    std::string_view line;
    NumericDateOrder order;
    bool found;
    unsigned year, month, day, hour, minute;
    std::size_t lastWord;
  };
  const Case cases[] = {
      {"May 22 14:05 x", NumericDateOrder::DayFirst, true, 1996, 5, 22, 14, 5, 2},
      {"Dec 22 14:05 x", NumericDateOrder::DayFirst, true, 1995, 12, 22, 14, 5, 2},
      {"May 22 2003 x", NumericDateOrder::DayFirst, true, 2003, 5, 22, 0, 0, 2},
      {"May 22, 2003 14:05 x", NumericDateOrder::DayFirst, true, 2003, 5, 22, 14, 5, 3},
      {"05-22 2003 x", NumericDateOrder::DayFirst, true, 2003, 5, 22, 0, 0, 1},
      {"05-22 14:05 x", NumericDateOrder::DayFirst, true, 1996, 5, 22, 14, 5, 1},
      {"2003-05-22 14:05 x", NumericDateOrder::DayFirst, true, 2003, 5, 22, 14, 5, 1},
      {"2003/05/22 x", NumericDateOrder::DayFirst, true, 2003, 5, 22, 0, 0, 0},
      {"2003.05.22 x", NumericDateOrder::DayFirst, true, 2003, 5, 22, 0, 0, 0},
      {"22-05-2003 14:05 x", NumericDateOrder::DayFirst, true, 2003, 5, 22, 14, 5, 1},
      {"05-22-2003 14:05 x", NumericDateOrder::DayFirst, true, 2003, 5, 22, 14, 5, 1},  // a day over 12
      {"22-May-03 x", NumericDateOrder::DayFirst, true, 2003, 5, 22, 0, 0, 0},
      {"05-06-03 02:05 PM x", NumericDateOrder::MonthFirst, true, 2003, 5, 6, 14, 5, 2},
      {"05-06-03 x", NumericDateOrder::DayFirst, true, 2003, 6, 5, 0, 0, 0},
      {"05-22-103 14:05 x", NumericDateOrder::MonthFirst, true, 2003, 5, 22, 14, 5, 1},
      {"May 22 14:05 PM", NumericDateOrder::DayFirst, true, 1996, 5, 22, 14, 5, 2},  // "PM" is the name
      {"May 32 14:05 x", NumericDateOrder::DayFirst, false, 0, 0, 0, 0, 0, 0},
      {"May 22, 14:05 x", NumericDateOrder::DayFirst, false, 0, 0, 0, 0, 0, 0},
      {"Foo 22 14:05 x", NumericDateOrder::DayFirst, false, 0, 0, 0, 0, 0, 0},
      {"13-13-2003 x", NumericDateOrder::DayFirst, false, 0, 0, 0, 0, 0, 0},
      {"2003-05/22 x", NumericDateOrder::DayFirst, false, 0, 0, 0, 0, 0, 0},
      {"1.5 x", NumericDateOrder::DayFirst, false, 0, 0, 0, 0, 0, 0},
      {"05-22 x", NumericDateOrder::DayFirst, false, 0, 0, 0, 0, 0, 0},
      {"1803 x", NumericDateOrder::DayFirst, false, 0, 0, 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    Words words = SplitWords(c.line);
    std::optional<DateGroup> group = ReadDateGroup(c.line, words, 0, today, c.order);
    ASSERT_EQ(group.has_value(), c.found) << c.line;
    if (!group) continue;
    EXPECT_EQ(group->Date.Year, c.year) << c.line;
    EXPECT_EQ(group->Date.Month, c.month) << c.line;
    EXPECT_EQ(group->Date.Day, c.day) << c.line;
    EXPECT_EQ(group->Date.Hour, c.hour) << c.line;
    EXPECT_EQ(group->Date.Minute, c.minute) << c.line;
    EXPECT_EQ(group->LastWord, c.lastWord) << c.line;
  }
}

TEST(FindDateGroup, TheFirstGroupWithANameBehindIt) {
  const CalendarDate today{1996, 6, 15};
  std::string_view line = "-rw 1 Jan 3 group 1803 May 22 14:05 name";
  Words words = SplitWords(line);
  std::optional<DateGroup> group = FindDateGroup(line, words, 1, today, NumericDateOrder::DayFirst);
  ASSERT_TRUE(group.has_value());
  EXPECT_EQ(group->FirstWord, 6u);
  EXPECT_FALSE(FindDateGroup("-rw 1 u g 5 May 22 14:05", SplitWords("-rw 1 u g 5 May 22 14:05"), 1, today,
                             NumericDateOrder::DayFirst)
                   .has_value());
}

}  // namespace
}  // namespace korval::listing
