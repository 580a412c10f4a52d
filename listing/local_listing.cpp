#include "listing/local_listing.h"

#include <string>
#include <vector>

#include "config/ascii_extensions.h"
#include "config/program_files.h"
#include "config/program_settings.h"
#include "listing/directory_box.h"
#include "listing/listing_entry.h"
#include "listing/pane_list.h"
#include "listing/pane_masks.h"
#include "platform/fs.h"
#include "platform/text.h"

namespace korval::listing {

namespace {

constexpr std::size_t InfoTextCapacity = 40;

// `shown` is the name as the pane shows it (lower-cased by FORCLOW); the
// entry keeps `name` for reaching the file when the two differ.
ListingEntry LocalEntry(const std::string& name, const std::string& shown, std::int32_t kind) {
  ListingEntry entry;
  entry.Pane = LocalPaneNumber;
  entry.Kind = kind;
  entry.NameLength = static_cast<std::int32_t>(shown.size());
  entry.Text = shown;
  if (shown != name) entry.WholeName = name;
  return entry;
}

ListingEntry LocalEntry(const std::string& name, std::int32_t kind) { return LocalEntry(name, name, kind); }

// The name, and with LONGDIR the padding, "\t| " and the information. The
// name itself is never cut: an entry whose name is cut names another file.
std::string LocalDisplayText(const std::string& name, const std::string& info, bool longDir) {
  if (!longDir) return name;
  std::string text = BuildDisplayText(name, info, true);
  if (text.size() < name.size() + InfoSeparator.size()) text = name + std::string(InfoSeparator);
  return text;
}

}  // namespace

LocalListingOptions CurrentLocalListingOptions() {
  const config::ProgramSettings& settings = config::Settings();
  LocalListingOptions options;
  options.Mask = LocalMask();
  if (options.Mask.empty()) options.Mask = "*.*";
  options.Sort = settings.LocalSort;
  options.ForceLowerCase = settings.ForceLowerCase != 0;
  options.LongDirectory = settings.LongDirectory != 0;
  return options;
}

bool ListLocalDirectoryInto(const std::string& directory, PaneList& list, const LocalListingOptions& options) {
  const bool forceLower = options.ForceLowerCase;
  const bool longDir = options.LongDirectory;
  list.Clear();
  list.ResetWidestText();
  list.SetSortSetting(options.Sort);

  // What cannot be read simply shows fewer entries.
  const std::optional<std::vector<platform::DirectoryEntry>> read =
      directory.empty() ? std::nullopt : platform::ReadDirectory(directory);
  const std::vector<platform::DirectoryEntry> entries = read.value_or(std::vector<platform::DirectoryEntry>{});

  list.Add(LocalEntry("..", DirectoryKind));
  for (const platform::DirectoryEntry& item : entries) {
    if (!item.IsDirectory || item.Name == "." || item.Name == "..") continue;
    list.Add(LocalEntry(item.Name, forceLower ? platform::ToLowerAscii(item.Name) : item.Name, DirectoryKind));
  }
  // A drive is known by where it came from, not by its first character: a
  // directory may be called "[x]" here.
  for (char drive : platform::AvailableDrives()) list.Add(LocalEntry(std::string("[-") + drive + "-]", DriveKind));

  const config::AsciiExtensionList asciiList = config::AsciiExtensionList::Load(config::ProgramFiles().ExtensionsPath);
  for (const platform::DirectoryEntry& item : entries) {
    if (item.IsDirectory || !platform::MatchesLocalMask(item.Name, options.Mask)) continue;
    // FORCLOW changes what is shown, never the name the file is reached by.
    std::string name = forceLower ? platform::ToLowerAscii(item.Name) : item.Name;
    const platform::LocalTime time = platform::ToLocalTime(item.ModifiedTime);
    const std::string info = platform::FormatTruncated(
        InfoTextCapacity, "%02u%02u%02u %02u:%02u %10llu", static_cast<unsigned>(time.Year % 100),
        static_cast<unsigned>(time.Month), static_cast<unsigned>(time.Day), static_cast<unsigned>(time.Hour),
        static_cast<unsigned>(time.Minute), static_cast<unsigned long long>(item.Size));
    ListingEntry entry = LocalEntry(item.Name, name, asciiList.Matches(name) ? AsciiFileKind : FileKind);
    entry.Text = LocalDisplayText(name, info, longDir);
    EntryDate date;
    date.Year = static_cast<std::uint16_t>(time.Year > 0 ? time.Year : 0);
    date.Month = static_cast<std::uint8_t>(time.Month);
    date.Day = static_cast<std::uint8_t>(time.Day);
    date.Hour = static_cast<std::uint8_t>(time.Hour);
    date.Minute = static_cast<std::uint8_t>(time.Minute);
    entry.SetDate(date);
    entry.Size = item.Size;
    list.Add(std::move(entry), WidthTracking::Track);
  }
  return read.has_value();
}

void ListLocalDirectory() {
  const std::optional<std::string> current = platform::CurrentDirectory();
  if (current)
    LocalDirectoryBox().Show(platform::TruncateTo(*current, LocalDirCapacity));
  else
    LocalDirectoryBox().SetText("");
  const LocalListingOptions options = CurrentLocalListingOptions();
  PaneList built(options.Sort);
  ListLocalDirectoryInto(current.value_or(std::string()), built, options);
  LocalPane().TakeContentsOf(built);
}

void RemoveTempFiles() { platform::RemoveFilesOfThisRun(); }

}  // namespace korval::listing
