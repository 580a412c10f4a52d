// The build-date text of the banner and the About box.

#include "ui/logic/program_version.h"

#include <gtest/gtest.h>

namespace korval::ui::logic {
namespace {

TEST(BuildDateText, TwoDigitYearMonthAndDay) {
  struct Case {
    const char* compilerDate;
    const char* expected;
  };
  const Case cases[] = {
      {"Dec 10 2026", "26.12.10"}, {"Jan  5 2027", "27.01.05"}, {"Sep 30 1999", "99.09.30"},
      {"Foo 10 2026", "Foo 10 2026"}, {"Dec 10", "Dec 10"},
  };
  for (const Case& c : cases) EXPECT_EQ(BuildDateText(c.compilerDate), c.expected) << c.compilerDate;
}

TEST(BuildDateText, ThisBuildHasADate) {
  const std::string text = ProgramBuildDateText();
  ASSERT_EQ(text.size(), 8u) << text;
  EXPECT_EQ(text[2], '.');
  EXPECT_EQ(text[5], '.');
}

}  // namespace
}  // namespace korval::ui::logic
