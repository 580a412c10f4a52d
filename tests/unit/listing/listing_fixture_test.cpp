// Every listing fixture parsed through the library: the pane must hold
// exactly the expected entries, in pane order.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

#include "listing/entry_report.h"
#include "listing/listing_parser.h"
#include "listing/pane_list.h"
#include "listing/rule_sets.h"
#include "listing_fixture.h"

namespace korval::testing {
namespace {

class ListingFixtureTest : public ::testing::TestWithParam<std::filesystem::path> {};

std::vector<std::string> ParseFixture(const ListingFixture& fixture) {
  int sortSetting = 1;
  listing::ListingOptions options = FixtureOptions(fixture, sortSetting);
  config::AsciiExtensionList ascii = config::AsciiExtensionList::Missing();
  options.AsciiExtensions = &ascii;
  listing::ClearVosSectionState();
  listing::PaneList pane(sortSetting);
  listing::ParseListingText(fixture.Listing, pane, options);
  std::vector<std::string> lines;
  pane.ForEachEntry([&lines](std::size_t, const listing::ListingEntry& entry) {
    lines.push_back(listing::FormatEntryReport(entry));
  });
  return lines;
}

TEST_P(ListingFixtureTest, PaneHoldsTheExpectedEntries) {
  ListingFixture fixture = ReadListingFixture(GetParam());
  ASSERT_FALSE(fixture.Listing.empty()) << fixture.Path;
  ASSERT_FALSE(fixture.Entries.empty()) << fixture.Path;
  EXPECT_EQ(ParseFixture(fixture), fixture.Entries) << fixture.Path;
}

INSTANTIATE_TEST_SUITE_P(Listings, ListingFixtureTest, ::testing::ValuesIn(FindListingFixtures()),
                         [](const ::testing::TestParamInfo<std::filesystem::path>& info) {
                           std::string name = info.param.parent_path().filename().string() + "_" +
                                              info.param.stem().string();
                           std::replace_if(
                               name.begin(), name.end(),
                               [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
                           return name;
                         });

TEST(ListingFixtures, EveryRuleSetHasAFixture) {
  const char* ruleSets[] = {"unix", "netware", "nt", "qvt4", "versaterm", "dos_column", "vm",
                            "first_word", "dirs", "two_column", "si_nt", "vms", "bare_name", "peter",
                            "as400", "mvs", "os9", "gcos", "knet", "cyber", "r1000", "cp6",
                            "spartacus", "tandem", "vos"};
  for (const char* ruleSet : ruleSets) {
    std::filesystem::path folder = ListingFixtureRoot() / ruleSet;
    bool hasFixture = false;
    std::error_code error;
    for (const auto& item : std::filesystem::directory_iterator(folder, error))
      hasFixture = hasFixture || item.path().extension() == ".txt";
    EXPECT_TRUE(hasFixture) << "no fixture in " << folder;
  }
}

}  // namespace
}  // namespace korval::testing
