#include "listing/entry_report.h"

#include "listing/date_normalisation.h"

namespace korval::listing {

namespace {
void AppendEscaped(std::string& out, std::string_view text) {
  for (char c : text) {
    if (c == '\t') {
      out.append("\\t");
    } else {
      out.push_back(c);
    }
  }
}
}  // namespace

void AppendEntryReport(std::string& out, const ListingEntry& entry) {
  out.append(std::to_string(entry.Kind));
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
