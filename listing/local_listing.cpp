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

void ListLocalDirectory() {
  const config::ProgramSettings& settings = config::Settings();
  const bool forceLower = settings.ForceLowerCase != 0;
  const bool longDir = settings.LongDirectory != 0;

  std::optional<std::string> current = platform::CurrentDirectory();
  if (current)
    LocalDirectoryBox().Show(platform::TruncateTo(*current, LocalDirCapacity));
  else
    LocalDirectoryBox().SetText("");

  PaneList& pane = LocalPane();
  pane.Hide();
  pane.Clear();
  pane.ResetWidestText();
  pane.SetSortSetting(settings.LocalSort);

  // What cannot be read simply shows fewer entries.
  const std::vector<platform::DirectoryEntry> entries =
      current ? platform::ReadDirectory(".").value_or(std::vector<platform::DirectoryEntry>{})
              : std::vector<platform::DirectoryEntry>{};

  pane.Add(LocalEntry("..", DirectoryKind));
  for (const platform::DirectoryEntry& item : entries) {
    if (!item.IsDirectory || item.Name == "." || item.Name == "..") continue;
    pane.Add(LocalEntry(item.Name, forceLower ? platform::ToLowerAscii(item.Name) : item.Name, DirectoryKind));
  }
  // A drive is known by where it came from, not by its first character: a
  // directory may be called "[x]" here.
  for (char drive : platform::AvailableDrives()) pane.Add(LocalEntry(std::string("[-") + drive + "-]", DriveKind));

  std::string mask = LocalMask();
  if (mask.empty()) mask = "*.*";
  const config::AsciiExtensionList asciiList = config::AsciiExtensionList::Load(config::ProgramFiles().ExtensionsPath);
  for (const platform::DirectoryEntry& item : entries) {
    if (item.IsDirectory || !platform::MatchesLocalMask(item.Name, mask)) continue;
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
    pane.Add(std::move(entry), WidthTracking::Track);
  }
  pane.Show();
}

void RemoveTempFiles() { platform::RemoveFilesOfThisRun(); }

}  // namespace korval::listing
