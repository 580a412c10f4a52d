#pragma once
// Listing fixtures under tests/data/listings/<rule set>/<case>.txt: options
// ("@type 6010"), the listing lines after "== listing" and the expected pane
// entries after "== entries", one a line as korval-listing prints them.

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "listing/listing_options.h"

namespace korval::testing {

struct ListingFixture {
  std::string Path;
  std::string Name;                           // "<rule set>/<case>"
  std::map<std::string, std::string> Options;  // as the tool's long options, without "--"
  std::string Listing;                         // the listing text, lines ended by '\n'
  std::vector<std::string> Entries;            // expected report lines
};

// A temporary path of this process alone: test cases run in parallel processes.
inline std::filesystem::path UniqueTempPath(const std::string& stem) {
  static int counter = 0;
  return std::filesystem::temp_directory_path() /
         (stem + "_" + std::to_string(::getpid()) + "_" + std::to_string(++counter) + ".tmp");
}

inline std::filesystem::path ListingFixtureRoot() {
  return std::filesystem::path(KORVAL_SOURCE_DIR) / "tests" / "data" / "listings";
}

inline ListingFixture ReadListingFixture(const std::filesystem::path& path) {
  ListingFixture fixture;
  fixture.Path = path.string();
  fixture.Name = path.parent_path().filename().string() + "/" + path.stem().string();
  std::ifstream in(path, std::ios::binary);
  std::string line;
  enum { Header, Listing, Entries } section = Header;
  while (std::getline(in, line)) {
    if (section == Header) {
      if (line == "== listing") {
        section = Listing;
      } else if (!line.empty() && line.front() == '@') {
        std::size_t space = line.find(' ');
        fixture.Options[line.substr(1, space - 1)] = space == std::string::npos ? "" : line.substr(space + 1);
      }
    } else if (section == Listing) {
      if (line == "== entries") {
        section = Entries;
      } else {
        fixture.Listing += line + "\n";
      }
    } else {
      fixture.Entries.push_back(line);
    }
  }
  return fixture;
}

inline std::vector<std::filesystem::path> FindListingFixtures() {
  std::vector<std::filesystem::path> paths;
  std::error_code error;
  for (const auto& item : std::filesystem::recursive_directory_iterator(ListingFixtureRoot(), error))
    if (item.is_regular_file() && item.path().extension() == ".txt") paths.push_back(item.path());
  std::sort(paths.begin(), paths.end());
  return paths;
}

// The fixture's options as the parser takes them; `sortSetting` receives --sort.
inline listing::ListingOptions FixtureOptions(const ListingFixture& fixture, int& sortSetting) {
  listing::ListingOptions options;
  sortSetting = 1;
  for (const auto& [key, value] : fixture.Options) {
    if (key == "type") options.HostType = static_cast<std::uint32_t>(std::stoul(value));
    if (key == "vlink") options.VLink = value == "1";
    if (key == "longdir") options.LongDir = value == "1";
    if (key == "remote-dir") options.RemoteDir = value;
    if (key == "user") options.UserId = value;
    if (key == "mask") options.RemoteMask = value;
    if (key == "sort") sortSetting = std::stoi(value);
    if (key == "today")
      options.Today = listing::CalendarDate{std::stoi(value.substr(0, 4)), std::stoi(value.substr(5, 2)),
                                            std::stoi(value.substr(8, 2))};
  }
  return options;
}

}  // namespace korval::testing
