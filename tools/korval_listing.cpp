// korval-listing: reads a server's directory listing exactly as the remote
// pane would and prints the pane's entries in pane order, one a line.
//
//   korval-listing [--type N] [--vlink 0|1] [--longdir 0|1] [--remote-dir TEXT]
//                  [--user UID] [--mask MASK] [--sort N] [--today YYYY-MM-DD]
//                  [--ascii-list FILE] FILE|-

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>

#include "config/ascii_extensions.h"
#include "listing/entry_report.h"
#include "listing/listing_parser.h"
#include "listing/pane_list.h"
#include "platform/host.h"

namespace {

using namespace korval;

constexpr std::string_view Usage =
    "usage: korval-listing [--type N] [--vlink 0|1] [--longdir 0|1] [--remote-dir TEXT]\n"
    "                      [--user UID] [--mask MASK] [--sort N] [--today YYYY-MM-DD]\n"
    "                      [--ascii-list FILE] FILE|-\n"
    "Prints one line per pane entry: kind, name, size, year, month, day, hour,\n"
    "minute and display text, separated by tabs (tabs inside shown as \\t).\n"
    "Defaults: --type 6000 --vlink 1 --longdir 1 --sort 1, today from the clock;\n"
    "without --ascii-list only names ending in \".TXT\" are of kind 1.\n";

// The log reaches the user on standard error.
class ToolHost : public platform::Host {
 public:
  void AppendToLogWindow(std::string_view line) override {
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fputc('\n', stderr);
  }
};

std::optional<unsigned long> ParseNumber(std::string_view text) {
  if (text.empty() || text.size() > 9) return std::nullopt;
  unsigned long value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<unsigned long>(c - '0');
  }
  return value;
}

std::optional<bool> ParseFlag(std::string_view text) {
  if (text == "0") return false;
  if (text == "1") return true;
  return std::nullopt;
}

std::optional<listing::CalendarDate> ParseDate(std::string_view text) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
  std::optional<unsigned long> year = ParseNumber(text.substr(0, 4));
  std::optional<unsigned long> month = ParseNumber(text.substr(5, 2));
  std::optional<unsigned long> day = ParseNumber(text.substr(8, 2));
  if (!year || !month || !day || *month < 1 || *month > 12 || *day < 1 || *day > 31) return std::nullopt;
  return listing::CalendarDate{static_cast<int>(*year), static_cast<int>(*month), static_cast<int>(*day)};
}

int Fail(std::string_view message) {
  std::cerr << "korval-listing: " << message << "\n" << Usage;
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  listing::ListingOptions options;
  int sortSetting = listing::SortByName;
  std::optional<std::string> asciiListPath;
  std::optional<std::string> input;

  for (int i = 1; i < argc; ++i) {
    std::string_view argument = argv[i];
    if (argument == "--help" || argument == "-h") {
      std::cout << Usage;
      return 0;
    }
    if (argument == "-" || argument.substr(0, 2) != "--") {
      if (input) return Fail("only one listing file can be read");
      input = std::string(argument);
      continue;
    }
    if (i + 1 >= argc) return Fail(std::string(argument) + " needs a value");
    std::string_view value = argv[++i];
    if (argument == "--type") {
      std::optional<unsigned long> type = ParseNumber(value);
      if (!type) return Fail("--type takes a host type number such as 6010");
      options.HostType = static_cast<std::uint32_t>(*type);
    } else if (argument == "--vlink" || argument == "--longdir") {
      std::optional<bool> flag = ParseFlag(value);
      if (!flag) return Fail(std::string(argument) + " takes 0 or 1");
      (argument == "--vlink" ? options.VLink : options.LongDir) = *flag;
    } else if (argument == "--remote-dir") {
      options.RemoteDir = std::string(value);
    } else if (argument == "--user") {
      options.UserId = std::string(value);
    } else if (argument == "--mask") {
      options.RemoteMask = std::string(value);
    } else if (argument == "--sort") {
      std::optional<unsigned long> sort = ParseNumber(value);
      if (!sort || *sort > 15) return Fail("--sort takes 0-4, plus 8 for reverse order");
      sortSetting = static_cast<int>(*sort);
    } else if (argument == "--today") {
      options.Today = ParseDate(value);
      if (!options.Today) return Fail("--today takes a date as YYYY-MM-DD");
    } else if (argument == "--ascii-list") {
      asciiListPath = std::string(value);
    } else {
      return Fail("unknown option " + std::string(argument));
    }
  }
  if (!input) return Fail("no listing file given");

  ToolHost host;
  platform::SetHost(&host);
  config::AsciiExtensionList asciiList =
      asciiListPath ? config::AsciiExtensionList::Load(*asciiListPath) : config::AsciiExtensionList::Missing();
  options.AsciiExtensions = &asciiList;

  listing::PaneList& pane = listing::RemotePane();
  pane.SetSortSetting(sortSetting);
  int read = *input == "-" ? listing::ParseListingStream(stdin, pane, options)
                           : listing::ParseListing(*input, pane, options);

  std::string out;
  out.reserve(1 << 17);
  pane.ForEachEntry([&out](std::size_t, const listing::ListingEntry& entry) {
    listing::AppendEntryReport(out, entry);
    out.push_back('\n');
    if (out.size() >= (1 << 16)) {
      std::fwrite(out.data(), 1, out.size(), stdout);
      out.clear();
    }
  });
  std::fwrite(out.data(), 1, out.size(), stdout);
  platform::SetHost(nullptr);
  if (std::fflush(stdout) != 0) return 1;
  return read ? 0 : 1;
}
