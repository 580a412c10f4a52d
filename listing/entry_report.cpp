#include "listing/entry_report.h"

#include "listing/date_normalisation.h"

namespace korval::listing {

namespace {
void AppendEscaped(std::string& out, std::string_view text) {
  for (std::size_t tab; (tab = text.find('\t')) != std::string_view::npos; text.remove_prefix(tab + 1)) {
    out.append(text.substr(0, tab));
    out.append("\\t");
  }
  out.append(text);
}
}  // namespace

void AppendEntryReport(std::string& out, const ListingEntry& entry) {
  if (entry.Kind < 0) {
    out.push_back('-');
    AppendZeroPadded(out, static_cast<std::uint64_t>(-static_cast<std::int64_t>(entry.Kind)), 1);
  } else {
    AppendZeroPadded(out, static_cast<std::uint64_t>(entry.Kind), 1);
  }
  out.push_back('\t');
  AppendEscaped(out, entry.Name());
  for (std::uint64_t value : {entry.Size, std::uint64_t{entry.Year}, std::uint64_t{entry.Month},
                              std::uint64_t{entry.Day}, std::uint64_t{entry.Hour}, std::uint64_t{entry.Minute}}) {
    out.push_back('\t');
    AppendZeroPadded(out, value, 1);
  }
  out.push_back('\t');
  AppendEscaped(out, entry.Text);
}

std::string FormatEntryReport(const ListingEntry& entry) {
  std::string out;
  AppendEntryReport(out, entry);
  return out;
}

}  // namespace korval::listing
