#include "operations/batch_listing.h"

#include <optional>

#include "platform/text.h"

namespace korval::operations {

namespace {

constexpr std::size_t DateWidth = 16;  // "YYYY-MM-DD HH:MM"

char TypeLetter(const listing::ListingEntry& entry) {
  if (entry.Kind == listing::DirectoryKind) return 'd';
  if (entry.Kind == listing::LinkKind) return 'l';
  return '-';
}

// The date and size of an entry that shows them (files of a long listing);
// directories show only their names.
std::optional<listing::ListingEntry> InfoOf(const listing::ListingEntry& entry) {
  const std::size_t separator = entry.Text.find(listing::InfoSeparator);
  if (separator == std::string::npos) return std::nullopt;
  listing::ListingEntry dated = entry;
  if (dated.Month == 0) listing::ReadNormalisedInfo(dated, std::string_view(entry.Text).substr(separator + listing::InfoSeparator.size()));
  return dated;
}

std::string DateText(const listing::ListingEntry& entry) {
  if (entry.Month == 0) return std::string(DateWidth, ' ');  // the listing gave no date
  // The entry keeps two digits of the year; they stand for 1970 to 2069.
  const unsigned year = entry.Year < 70 ? 2000u + entry.Year : 1900u + entry.Year;
  return platform::FormatTruncated(DateWidth, "%04u-%02u-%02u %02u:%02u", year, static_cast<unsigned>(entry.Month),
                                   static_cast<unsigned>(entry.Day), static_cast<unsigned>(entry.Hour),
                                   static_cast<unsigned>(entry.Minute));
}

}  // namespace

std::string BatchListingLine(const listing::ListingEntry& entry) {
  if (entry.Name() == "..") return {};
  std::string line(1, TypeLetter(entry));
  if (std::optional<listing::ListingEntry> info = InfoOf(entry))
    line += platform::FormatTruncated(40, " %12llu  ", static_cast<unsigned long long>(info->Size)) + DateText(*info);
  else
    line += std::string(15 + DateWidth, ' ');
  return line + "  " + std::string(entry.Name());
}

std::vector<std::string> BatchListingLines(const listing::PaneList& pane) {
  std::vector<std::string> lines;
  pane.ForEachEntry([&lines](std::size_t, const listing::ListingEntry& entry) {
    std::string line = BatchListingLine(entry);
    if (!line.empty()) lines.push_back(std::move(line));
  });
  return lines;
}

}  // namespace korval::operations
