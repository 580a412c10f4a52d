#include "listing/remote_entries.h"

#include "listing/pane_list.h"

namespace korval::listing {

void AddParentEntry(PaneList& pane) {
  ListingEntry entry;
  entry.Pane = RemotePaneNumber;
  entry.Kind = DirectoryKind;
  entry.Text = "..";
  entry.NameLength = 2;
  pane.Add(std::move(entry));
}

void AddDirEntry(PaneList& pane, std::string_view name, std::int32_t kind) {
  if (name.empty() || name == "." || name == "..") return;
  ListingEntry entry;
  entry.Pane = RemotePaneNumber;
  entry.Kind = kind == 0 ? DirectoryKind : kind;
  entry.Text.assign(name);
  entry.NameLength = static_cast<std::int32_t>(entry.Text.size());
  pane.Add(std::move(entry));
}

void AddFileEntry(const ListingContext& context, std::string_view name, std::string_view info,
                  std::uint64_t size, std::int32_t kind, const EntryDate* date) {
  const ListingOptions& options = context.Options;
  if (name.empty()) return;
  if (!options.RemoteMask.empty() && IsWildcardMask(options.RemoteMask) &&
      !WildcardMatch(name, options.RemoteMask))
    return;
  if (kind == FileKind && options.AsciiExtensions && options.AsciiExtensions->Matches(name)) kind = AsciiFileKind;

  ListingEntry entry;
  entry.Pane = RemotePaneNumber;
  entry.Kind = kind;
  entry.Text = BuildDisplayText(name, info, options.LongDir);
  // A name longer than the display text's capacity is counted only as far as
  // it is shown; the entry keeps it whole for commands.
  std::size_t nameLength = name.size() < entry.Text.size() ? name.size() : entry.Text.size();
  entry.NameLength = static_cast<std::int32_t>(nameLength);
  if (nameLength < name.size()) entry.WholeName.assign(name);
  if (date) {
    entry.SetDate(*date);
  } else if (!info.empty() && info.front() == '9') {
    ReadNormalisedInfo(entry, info);
  }
  if (size != 0) entry.Size = size;
  context.Pane.Add(std::move(entry), WidthTracking::Track);
}

void AddDatedFileEntry(const ListingContext& context, std::string_view name, const NormalisedInfo& info,
                       std::int32_t kind) {
  AddFileEntry(context, name, info.Text, info.Size, kind, &info.Date);
}

}  // namespace korval::listing
