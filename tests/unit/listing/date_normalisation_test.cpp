// The year rule, the twelve-hour rule and the two normalisers.

#include <gtest/gtest.h>

#include "listing/date_normalisation.h"
#include "listing/line_builders.h"
#include "listing/pane_list.h"

namespace korval::listing {
namespace {

TEST(YearRule, AroundAMonthBoundary) {
  // Today is the 1st of March 1996: February is this year, April last year.
  CalendarDate today{1996, 3, 1};
  EXPECT_EQ(YearOfTimeOfDay(2, today), 96u);
  EXPECT_EQ(YearOfTimeOfDay(3, today), 96u);
  EXPECT_EQ(YearOfTimeOfDay(4, today), 95u);
  // On the last day of February the same March entry already counts as last year's.
  CalendarDate dayBefore{1996, 2, 29};
  EXPECT_EQ(YearOfTimeOfDay(3, dayBefore), 95u);
  EXPECT_EQ(YearOfTimeOfDay(12, CalendarDate{2000, 1, 1}), 99u);  // 99 before 00
  EXPECT_EQ(YearOfTimeOfDay(1, CalendarDate{2000, 1, 1}), 0u);
  EXPECT_EQ(YearOfTimeOfDay(0, CalendarDate{2024, 1, 31}), 24u);  // no month name: this year
}

TEST(YearRule, UnixLinesFollowTheClockOfTheParse) {
  std::string march = "-rw-r--r--   1 joe  staff  10 Mar  1 00:05 march.log";
  std::string april = "-rw-r--r--   1 joe  staff  10 Apr 30 23:55 april.log";
  auto infoOf = [](std::string line, CalendarDate today) {
    ListingOptions options;
    PaneList pane;
    ListingContext context{pane, options, today};
    BuildUnixLine(line, context);
    std::string text = pane.EntryAt(0).value_or(ListingEntry{}).Text;
    return text.substr(text.find("\t| ") + 3, 12);
  };
  EXPECT_EQ(infoOf(march, {1996, 3, 31}), "960301 00:05");
  EXPECT_EQ(infoOf(april, {1996, 3, 31}), "950430 23:55");
  EXPECT_EQ(infoOf(april, {1996, 4, 1}), "960430 23:55");
}

TEST(YearRule, SetClockIsUsedWhenTheOptionsNameNoDate) {
  SetListingToday(CalendarDate{2001, 2, 3});
  CalendarDate today = ListingToday();
  SetListingToday(std::nullopt);
  EXPECT_EQ(today.Year, 2001);
  EXPECT_EQ(today.Month, 2);
  EXPECT_EQ(today.Day, 3);
  CalendarDate clock = ListingToday();
  EXPECT_GE(clock.Year, 2024);
}

TEST(TwelveHourRule, MarkersMoveOnlyTheRightHours) {
  EXPECT_EQ(ApplyTwelveHourRule(2, 'P'), 14u);
  EXPECT_EQ(ApplyTwelveHourRule(12, 'P'), 12u);
  EXPECT_EQ(ApplyTwelveHourRule(12, 'A'), 0u);
  EXPECT_EQ(ApplyTwelveHourRule(11, 'A'), 11u);
  EXPECT_EQ(ApplyTwelveHourRule(2, 'p'), 2u);  // callers pass the marker in capitals
  EXPECT_EQ(ApplyTwelveHourRule(13, 'P'), 13u);
}

TEST(NormaliseByFields, UnixAndNetWareForms) {
  CalendarDate today{1996, 6, 15};
  EXPECT_EQ(NormaliseByFields("-rw 1 u g 1803 May 22 14:05", 8, 6, 7, 8, 5, 6010, today).Text,
            "960522 14:05       1803");
  EXPECT_EQ(NormaliseByFields("-rw 1 u g 1803 may 22 1995", 8, 6, 7, 8, 5, 6010, today).Text,
            "950522 00:00       1803");
  EXPECT_EQ(NormaliseByFields("-rw 1 u g 7 Mar 3 9:05", 8, 6, 7, 8, 5, 6010, today).Text, "050303 00:00          7");
  EXPECT_EQ(NormaliseByFields("-rw 1 u g 7 M", 8, 6, 7, 8, 5, 6010, today).Text, "000000 00:00          7");
  EXPECT_EQ(NormaliseByFields("- [R] u g 5 May 22 96 12:30 pm", 8, 6, 7, 9, 5, 6035, today).Text,
            "960522 12:30          5");
  EXPECT_EQ(NormaliseByFields("- [R] u g 5 May 22 96 12:30 AM", 8, 6, 7, 9, 5, 6035, today).Text,
            "960522 00:30          5");
  EXPECT_EQ(NormaliseByFields("- [R] u g 5 May 22 96 1:30 p", 8, 6, 7, 9, 5, 6035, today).Text,
            "960522 13:30          5");
}

TEST(NormaliseByColumns, CopiedAndMonthNameDates) {
  CalendarDate today{1996, 6, 15};
  EXPECT_EQ(NormaliseByColumns("05-22-96  02:05PM       1803", {6, 2}, {0, 2}, {3, 2}, {10, 7}, 18,
                               DateColumns::CopyAsShown, today).Text,
            "960522 14:05       1803");
  // Without "hh:mmAM" the time is copied as it stands.
  EXPECT_EQ(NormaliseByColumns("05-22-96  14:05          1803", {6, 2}, {0, 2}, {3, 2}, {10, 7}, 18,
                               DateColumns::CopyAsShown, today).Text,
            "960522 14:05       1803");
  EXPECT_EQ(NormaliseByColumns("Dec 24 10:00   77", {13, 2}, {0, 3}, {4, 2}, {7, 5}, 13, DateColumns::MonthName, today).Text,
            "951224 10:00         77");
  EXPECT_EQ(NormaliseByColumns("Dec 24  1994   77", {10, 2}, {0, 3}, {4, 2}, {7, 5}, 13, DateColumns::MonthName, today).Text,
            "941224 00:00         77");
  EXPECT_EQ(NormaliseByColumns("", {10, 2}, {0, 3}, {4, 2}, {7, 5}, 13, DateColumns::MonthName, today).Text,
            "000000 00:00          0");
}

// The entry keeps the whole year the line gives: a time of day falls in this
// year or the last, four digits stand, two digits fall in the hundred years
// ending ten years after today.
TEST(NormalisedDates, KeepTheWholeYear) {
  struct Case {
    std::string_view line;
    CalendarDate today;
    unsigned year, month, day, hour, minute;
  };
  const Case cases[] = {
      {"-rw 1 u g 1803 May 22 14:05", {1996, 6, 15}, 1996, 5, 22, 14, 5},
      {"-rw 1 u g 1803 Dec 22 14:05", {2000, 6, 15}, 1999, 12, 22, 14, 5},
      {"-rw 1 u g 1803 Jan 22 2003", {1996, 6, 15}, 2003, 1, 22, 0, 0},
      {"-rw 1 u g 1803 Jan 22 1899", {1996, 6, 15}, 1899, 1, 22, 0, 0},
      {"-rw 1 u g 7 Mar 3 9:05", {1996, 6, 15}, 2005, 3, 3, 0, 0},  // a one-digit hour reads as a year
      {"-rw 1 u g 7 M", {1996, 6, 15}, 0, 0, 0, 0, 0},                // no date at all
      {"-rw 1 u g 7 Foo 3 12:00", {1996, 6, 15}, 0, 0, 0, 0, 0},      // no month
  };
  for (const Case& c : cases) {
    NormalisedInfo info = NormaliseByFields(c.line, 8, 6, 7, 8, 5, 6010, c.today);
    EXPECT_EQ(info.Date.Year, c.year) << c.line;
    EXPECT_EQ(info.Date.Month, c.month) << c.line;
    EXPECT_EQ(info.Date.Day, c.day) << c.line;
    EXPECT_EQ(info.Date.Hour, c.hour) << c.line;
    EXPECT_EQ(info.Date.Minute, c.minute) << c.line;
  }
  EXPECT_EQ(NormaliseByFields("- [R] u g 5 May 22 03 1:30 p", 8, 6, 7, 9, 5, 6035, {1996, 6, 15}).Date.Year, 2003);
  EXPECT_EQ(NormaliseByColumns("05-22-03  02:05PM       1803", {6, 2}, {0, 2}, {3, 2}, {10, 7}, 18,
                               DateColumns::CopyAsShown, {1996, 6, 15})
                .Date.Year,
            2003);
}

TEST(NormalisedDates, ShownYearsOfEveryWidth) {
  struct Case {
    std::uint64_t shown;
    std::size_t digits;
    CalendarDate today;
    unsigned year;
  };
  const Case cases[] = {
      {96, 2, {1996, 6, 15}, 1996}, {3, 2, {1996, 6, 15}, 2003},   {6, 2, {1996, 6, 15}, 2006},
      {7, 2, {1996, 6, 15}, 1907},  {70, 2, {2026, 1, 1}, 1970},   {36, 2, {2026, 1, 1}, 2036},
      {103, 3, {2026, 1, 1}, 2003}, {99, 3, {2026, 1, 1}, 1999},   {2003, 4, {1996, 6, 15}, 2003},
      {1899, 4, {1996, 6, 15}, 1899},
  };
  for (const Case& c : cases)
    EXPECT_EQ(FullYearOf(c.shown, c.digits, c.today), c.year) << c.shown << " in " << c.today.Year;
}

TEST(NormalisedDates, TextShowsEachPartPaddedOrWhole) {
  // Parts of one digit gain a zero, parts wider than their field stand whole,
  // the size right-aligned in its width or whole when wider.
  struct Case {
    std::uint64_t shownYear, month, day, hour, minute, size;
    int sizeWidth;
    std::string_view text;
    unsigned year;  // the date kept beside the text, 0 when undated
  };
  const Case cases[] = {
      {96, 5, 22, 14, 5, 1803, 10, "960522 14:05       1803", 1996},
      {3, 1, 2, 0, 0, 0, 10, "030102 00:00          0", 2003},
      {103, 1, 2, 9, 7, 7, 10, "1030102 09:07          7", 2003},
      {2003, 12, 31, 23, 59, 12345678901ULL, 10, "20031231 23:59 12345678901", 2003},
      {96, 5, 22, 14, 5, 18446744073709551615ULL, 10, "960522 14:05 18446744073709551615", 1996},
      {96, 5, 22, 14, 5, 1803, 8, "960522 14:05     1803", 1996},
      {96, 13, 40, 25, 61, 5, 10, "961340 25:61          5", 0},
      {96, 100, 5, 1, 1, 5, 10, "9610005 01:01          5", 0},
  };
  for (const Case& c : cases) {
    NormalisedInfo info =
        NormaliseShownDate(c.shownYear, c.month, c.day, c.hour, c.minute, c.size, {1996, 6, 15}, c.sizeWidth);
    EXPECT_EQ(info.Text, c.text);
    EXPECT_EQ(info.Size, c.size) << c.text;
    EXPECT_EQ(info.Date.Year, c.year) << c.text;
  }
}

}  // namespace
}  // namespace korval::listing
