// Times the core alone: parse a listing file into the remote pane and put it
// in pane order, without printing. Prints seconds (wall and processor), the
// entry count, the peak resident size and the entries' own size (the records
// and their texts' heap blocks), both in MiB.
//
//   pane_fill FILE TYPE SORT

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "listing/listing_parser.h"
#include "listing/pane_list.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: pane_fill FILE TYPE SORT\n");
    return 2;
  }
  korval::listing::ListingOptions options;
  options.HostType = static_cast<std::uint32_t>(std::strtoul(argv[2], nullptr, 10));
  options.Today = korval::listing::CalendarDate{1996, 6, 15};
  korval::config::AsciiExtensionList ascii = korval::config::AsciiExtensionList::Missing();
  options.AsciiExtensions = &ascii;
  korval::listing::PaneList& pane = korval::listing::RemotePane();
  pane.SetSortSetting(std::atoi(argv[3]));

  auto wallStart = std::chrono::steady_clock::now();
  std::clock_t processorStart = std::clock();
  korval::listing::ParseListing(argv[1], pane, options);
  pane.EntryAt(0);  // the order is made when it is first read
  double processor = static_cast<double>(std::clock() - processorStart) / CLOCKS_PER_SEC;
  double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();

  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  double own = 0;
  pane.ForEachEntry([&own](std::size_t, const korval::listing::ListingEntry& entry) {
    own += sizeof entry;
    // A text longer than the string's own room lives in a heap block of 16-byte steps.
    if (entry.Text.capacity() > 15) own += static_cast<double>((entry.Text.capacity() + 1 + 8 + 15) / 16 * 16);
  });
  std::printf("%.3f %.3f %zu %.1f %.1f\n", wall, processor, pane.Count(), usage.ru_maxrss / 1024.0,
              own / (1024.0 * 1024.0));
  return 0;
}
