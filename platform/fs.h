#pragma once
// Files and directories: the temporary directory and its uniquely named
// files, directory enumeration, the local time of a file, the local pane's
// mask match and the (empty) drive list.
//
// Temporary files are named "<prefix><four hex digits>.TMP" ("DIR1A2B.TMP")
// in $TMPDIR, else /tmp, and created exclusively with mode 0600, so a name
// another process holds is never reused and no one else reads the file.

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korval::platform {

// The prefixes of the program's temporary files.
inline constexpr std::string_view ListingFilePrefix = "DIR";  // remote listings
inline constexpr std::string_view ViewFilePrefix = "DSP";     // viewed files and reports
inline constexpr std::string_view EditFilePrefix = "EDT";     // edited files

// $TMPDIR when set and not empty, else "/tmp"; tests install a directory of
// their own with SetTemporaryDirectoryOverride (nullopt goes back).
std::string TemporaryDirectoryPath();
void SetTemporaryDirectoryOverride(std::optional<std::string> directory);

// Owns one file and deletes it when it goes away, unless released.
class TemporaryFile {
 public:
  TemporaryFile() = default;
  explicit TemporaryFile(std::string path) : path_(std::move(path)) {}
  ~TemporaryFile();
  TemporaryFile(TemporaryFile&& other) noexcept;
  TemporaryFile& operator=(TemporaryFile&& other) noexcept;
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  bool Valid() const { return !path_.empty(); }
  const std::string& Path() const { return path_; }
  // Deletes the file now; true when it is gone (a file already missing
  // counts as gone). The object owns nothing afterwards.
  bool Remove();
  // Gives the file up: it stays, and its path is returned.
  std::string Release();

 private:
  std::string path_;
};

// Creates a new empty file "<directory>/<prefix>XXXX.TMP" (the prefix cut to
// three characters); an invalid TemporaryFile when no name could be taken.
TemporaryFile CreateTemporaryFile(std::string_view prefix);
TemporaryFile CreateTemporaryFileIn(const std::string& directory, std::string_view prefix);
// The number the next name tries first (1 to 0xFFFF), for tests; nullopt
// returns to a start drawn from the clock and the process id.
void SetTemporaryNumberSeed(std::optional<std::uint16_t> number);

// The temporary files this run hands to other programs (viewed files,
// reports), which may read them until the program ends. The shutdown's
// clean-up deletes exactly these: another run's or another program's files
// of the same prefix stay. An edit job takes its file back with
// KeepAtShutdown while it runs, and keeps it when it fails, so no edit is
// lost.
void RemoveAtShutdown(const std::string& path);
void KeepAtShutdown(const std::string& path);
// Deletes the files named by RemoveAtShutdown and not taken back; how many.
int RemoveFilesOfThisRun();

// One name of a directory, with what stat() tells about it (following a
// symbolic link; a link whose target is missing describes the link itself).
struct DirectoryEntry {
  std::string Name;  // the bytes the file system holds, whatever their encoding
  bool IsDirectory = false;
  bool IsSymbolicLink = false;
  std::uint64_t Size = 0;
  std::int64_t ModifiedTime = 0;  // seconds since 1970, UTC
};

// The names of `directory`: "." and ".." first, then the others in byte
// order. nullopt when the directory cannot be read.
std::optional<std::vector<DirectoryEntry>> ReadDirectory(const std::string& directory);

// The process's current directory; nullopt when it cannot be read (for
// example when it has been removed).
std::optional<std::string> CurrentDirectory();

// `name` inside `directory`: `name` itself when it is absolute or there is no
// directory (the current directory is meant).
std::string JoinPath(std::string_view directory, std::string_view name);

struct LocalTime {
  int Year = 1970;  // four digits
  int Month = 1;
  int Day = 1;
  int Hour = 0;
  int Minute = 0;
};
LocalTime ToLocalTime(std::int64_t seconds);

// The local mask as a directory enumeration applies it: '*' any run of
// characters, '?' one character, letter case ignored; a mask ending in ".*"
// also takes names without an extension, so "*.*" takes every name.
bool MatchesLocalMask(std::string_view name, std::string_view mask);

// The drive letters of the machine: none here; tests install some to
// exercise the drive entries (nullopt goes back to none).
std::vector<char> AvailableDrives();
void SetAvailableDrivesOverride(std::optional<std::vector<char>> drives);

}  // namespace korval::platform
