// The listing parser under every rule set: the first byte chooses the host
// type (6000 + byte % 41), the second the switches (VLINK, LONGDIR, a remote
// mask, the sort order), the rest is the listing. The text is parsed from
// memory and from a stream, which must give the same pane.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "config/ascii_extensions.h"
#include "listing/listing_parser.h"
#include "listing/pane_list.h"
#include "listing/rule_sets.h"
#include "tests/fuzz/fuzz_support.h"

using namespace korval;

namespace {

std::vector<std::string> Texts(const listing::PaneList& pane) {
  std::vector<std::string> texts;
  pane.ForEachEntry([&texts](std::size_t, const listing::ListingEntry& entry) {
    texts.push_back(std::string(entry.Name()) + "\t" + entry.Text);
  });
  return texts;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  fuzzing::ResetState();
  listing::ListingOptions options;
  options.HostType = 6000 + data[0] % 41;
  options.VLink = (data[1] & 1) != 0;
  options.LongDir = (data[1] & 2) != 0;
  if (data[1] & 4) options.RemoteMask = "*.t?t";
  options.RemoteDir = "DISK$USER:[JOE]";
  options.UserId = "JOE";
  options.Today = listing::CalendarDate{1996, 6, 15};
  static const config::AsciiExtensionList ascii = config::AsciiExtensionList::Missing();
  options.AsciiExtensions = &ascii;
  const int sortSetting = (data[1] >> 3) % 5 + ((data[1] & 0x80) ? 8 : 0);

  const std::string text(reinterpret_cast<const char*>(data) + 2, size - 2);
  // The VOS section lasts from parse to parse; a retrieval clears it first.
  listing::ClearVosSectionState();
  listing::PaneList fromText(sortSetting);
  listing::ParseListingText(text, fromText, options);
  if (fromText.Count() == 0) std::abort();  // ".." is always there
  if (!fromText.IsVisible()) std::abort();
  for (std::size_t i = 0; i < fromText.Count(); ++i)
    if (!fromText.EntryAt(i)) std::abort();

  std::FILE* stream = ::fmemopen(const_cast<char*>(text.data()), text.size(), "rb");
  if (stream == nullptr) return 0;  // fmemopen takes no empty buffer on some systems
  listing::ClearVosSectionState();
  listing::PaneList fromStream(sortSetting);
  listing::ParseListingStream(stream, fromStream, options);
  std::fclose(stream);
  if (Texts(fromText) != Texts(fromStream)) std::abort();
  return 0;
}
