// Type-ahead in the file lists and the mask fields' rules.

#include "ui/logic/pane_typing.h"

#include <gtest/gtest.h>

#include <vector>

namespace korval::ui::logic {
namespace {

TEST(TypeAheadTarget, NextMatchAfterTheCaretThenWrapsToTheTop) {
  const std::vector<std::string_view> names = {"..", "alpha", "Beta", "apple", "", "bravo", "zeta"};
  auto nameAt = [&](std::size_t i) { return names[i]; };
  struct Case {
    char typed;
    std::size_t caret;
    std::optional<std::size_t> target;
  } cases[] = {
      {'a', 0, 1}, {'a', 1, 3}, {'A', 3, 1},            // wraps, case ignored
      {'b', 2, 5}, {'B', 5, 2}, {'b', 0, 2},
      {'z', 6, std::nullopt},                           // only the caret's own entry starts with it
      {'q', 3, std::nullopt}, {'.', 4, 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(TypeAheadTarget(c.typed, c.caret, names.size(), nameAt), c.target)
        << "'" << c.typed << "' from " << c.caret;
  EXPECT_EQ(TypeAheadTarget('a', 0, 0, nameAt), std::nullopt);  // an empty list
}

TEST(LocalMaskFromField, EmptyMeansEverythingAndTheFieldHoldsThirteen) {
  EXPECT_EQ(LocalMaskFromField(""), "*.*");
  EXPECT_EQ(LocalMaskFromField("*.txt"), "*.txt");
  EXPECT_EQ(LocalMaskFromField("abcdefghijklmnop"), "abcdefghijklm");
}

TEST(RemoteMaskOnFocusOut, WildcardsApplyAtOnceNamesWaitForRefresh) {
  struct Case {
    const char* stored;
    const char* field;
    RemoteMaskChange change;
  } cases[] = {
      {"*", "*.c", {"*.c", true}},
      {"*", "", {"", true}},
      {"", "a?c", {"a?c", true}},
      {"*", "readme", {"readme", false}},       // a name: fetched at the next Refresh
      {"readme", "*.c", {"*.c", false}},        // the stored name is replaced silently
      {"readme", "", {"", false}},
      {"*", "123456789012345678901234", {"12345678901234567890", false}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(RemoteMaskOnFocusOut(c.stored, c.field), c.change) << c.stored << " -> " << c.field;
}

}  // namespace
}  // namespace korval::ui::logic
