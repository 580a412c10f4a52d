#include "platform/fs.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <mutex>
#include <set>

namespace korval::platform {

namespace {

std::mutex overridesMutex;
// The files the shutdown's clean-up deletes.
std::mutex shutdownFilesMutex;
std::set<std::string> shutdownFiles;
std::optional<std::string> temporaryDirectoryOverride;
std::optional<std::vector<char>> drivesOverride;

constexpr std::uint32_t NumberCount = 0xFFFF;  // the numbers 1 to 0xFFFF; 0 is never used
std::atomic<std::uint32_t> nextNumber{0};       // 0: not drawn yet

std::uint32_t DrawStartNumber() {
  auto ticks = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  std::uint64_t mixed = ticks ^ (static_cast<std::uint64_t>(::getpid()) << 16) ^ (ticks >> 17);
  return static_cast<std::uint32_t>(mixed % NumberCount) + 1;
}

// The next number to try, from 1 to 0xFFFF, shared by every thread.
std::uint32_t TakeNumber() {
  std::uint32_t current = nextNumber.load();
  for (;;) {
    std::uint32_t start = current == 0 ? DrawStartNumber() : current;
    std::uint32_t following = start % NumberCount + 1;
    if (nextNumber.compare_exchange_weak(current, following)) return start;
  }
}

struct DirectoryCloser {
  void operator()(DIR* directory) const { ::closedir(directory); }
};

char FoldCase(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

// '*' and '?' with backtracking to the last star, letters folded.
bool GlobMatch(std::string_view name, std::string_view mask) {
  std::size_t n = 0;
  std::size_t m = 0;
  std::size_t starMask = std::string_view::npos;
  std::size_t starName = 0;
  while (n < name.size()) {
    if (m < mask.size() && (mask[m] == '?' || FoldCase(mask[m]) == FoldCase(name[n]))) {
      ++n;
      ++m;
    } else if (m < mask.size() && mask[m] == '*') {
      starMask = m++;
      starName = n;
    } else if (starMask != std::string_view::npos) {
      m = starMask + 1;
      n = ++starName;
    } else {
      return false;
    }
  }
  while (m < mask.size() && mask[m] == '*') ++m;
  return m == mask.size();
}

}  // namespace

std::string TemporaryDirectoryPath() {
  {
    std::lock_guard<std::mutex> lock(overridesMutex);
    if (temporaryDirectoryOverride) return *temporaryDirectoryOverride;
  }
  const char* directory = std::getenv("TMPDIR");
  return directory && *directory ? directory : "/tmp";
}

void SetTemporaryDirectoryOverride(std::optional<std::string> directory) {
  std::lock_guard<std::mutex> lock(overridesMutex);
  temporaryDirectoryOverride = std::move(directory);
}

TemporaryFile::~TemporaryFile() { Remove(); }

TemporaryFile::TemporaryFile(TemporaryFile&& other) noexcept : path_(std::move(other.path_)) { other.path_.clear(); }

TemporaryFile& TemporaryFile::operator=(TemporaryFile&& other) noexcept {
  if (this != &other) {
    Remove();
    path_ = std::move(other.path_);
    other.path_.clear();
  }
  return *this;
}

bool TemporaryFile::Remove() {
  if (path_.empty()) return true;
  bool gone = ::unlink(path_.c_str()) == 0 || errno == ENOENT;
  path_.clear();
  return gone;
}

std::string TemporaryFile::Release() {
  std::string path = std::move(path_);
  path_.clear();
  return path;
}

TemporaryFile CreateTemporaryFile(std::string_view prefix) {
  return CreateTemporaryFileIn(TemporaryDirectoryPath(), prefix);
}

TemporaryFile CreateTemporaryFileIn(const std::string& directory, std::string_view prefix) {
  if (directory.empty()) return {};
  std::string base = directory;
  if (base.back() != '/') base += '/';
  base.append(prefix.substr(0, 3));
  for (std::uint32_t attempt = 0; attempt < NumberCount; ++attempt) {
    char number[16];
    std::snprintf(number, sizeof number, "%04X", static_cast<unsigned>(TakeNumber()));
    std::string path = base + number + ".TMP";
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) {
      ::close(fd);
      return TemporaryFile(std::move(path));
    }
    if (errno != EEXIST) return {};  // the directory itself refuses: another name will not help
  }
  return {};
}

void SetTemporaryNumberSeed(std::optional<std::uint16_t> number) {
  nextNumber = number ? std::max<std::uint32_t>(*number, 1) : 0;
}

void RemoveAtShutdown(const std::string& path) {
  std::lock_guard<std::mutex> lock(shutdownFilesMutex);
  shutdownFiles.insert(path);
}

void KeepAtShutdown(const std::string& path) {
  std::lock_guard<std::mutex> lock(shutdownFilesMutex);
  shutdownFiles.erase(path);
}

int RemoveFilesOfThisRun() {
  std::set<std::string> files;
  {
    std::lock_guard<std::mutex> lock(shutdownFilesMutex);
    files.swap(shutdownFiles);
  }
  int removed = 0;
  for (const std::string& path : files)
    if (::unlink(path.c_str()) == 0) ++removed;
  return removed;
}

std::optional<std::vector<DirectoryEntry>> ReadDirectory(const std::string& directory) {
  std::unique_ptr<DIR, DirectoryCloser> stream(::opendir(directory.c_str()));
  if (!stream) return std::nullopt;
  const int directoryFd = ::dirfd(stream.get());
  std::vector<DirectoryEntry> entries;
  bool sawDot = false;
  bool sawDotDot = false;
  while (dirent* item = ::readdir(stream.get())) {
    DirectoryEntry entry;
    entry.Name = item->d_name;
    struct stat status {};
    struct stat linkStatus {};
    if (::fstatat(directoryFd, item->d_name, &linkStatus, AT_SYMLINK_NOFOLLOW) != 0) continue;  // gone meanwhile
    entry.IsSymbolicLink = S_ISLNK(linkStatus.st_mode);
    if (!entry.IsSymbolicLink || ::fstatat(directoryFd, item->d_name, &status, 0) != 0) status = linkStatus;
    entry.IsDirectory = S_ISDIR(status.st_mode);
    entry.Size = S_ISREG(status.st_mode) ? static_cast<std::uint64_t>(status.st_size) : 0;
    entry.ModifiedTime = static_cast<std::int64_t>(status.st_mtim.tv_sec);
    sawDot = sawDot || entry.Name == ".";
    sawDotDot = sawDotDot || entry.Name == "..";
    entries.push_back(std::move(entry));
  }
  // Every directory has both, even where a file system does not list them.
  for (const char* name : {".", ".."}) {
    if ((name[1] == '\0' && sawDot) || (name[1] == '.' && sawDotDot)) continue;
    DirectoryEntry entry;
    entry.Name = name;
    entry.IsDirectory = true;
    struct stat status {};
    if (::fstatat(directoryFd, name, &status, 0) == 0) entry.ModifiedTime = status.st_mtim.tv_sec;
    entries.push_back(std::move(entry));
  }
  auto rank = [](const std::string& name) { return name == "." ? 0 : name == ".." ? 1 : 2; };
  std::sort(entries.begin(), entries.end(), [&rank](const DirectoryEntry& left, const DirectoryEntry& right) {
    int leftRank = rank(left.Name);
    int rightRank = rank(right.Name);
    if (leftRank != rightRank) return leftRank < rightRank;
    return left.Name < right.Name;
  });
  return entries;
}

std::optional<std::string> CurrentDirectory() {
  std::unique_ptr<char, decltype(&std::free)> path(::getcwd(nullptr, 0), &std::free);
  if (!path) return std::nullopt;
  return std::string(path.get());
}

std::string JoinPath(std::string_view directory, std::string_view name) {
  if (directory.empty() || (!name.empty() && name.front() == '/')) return std::string(name);
  std::string path(directory);
  if (path.back() != '/') path += '/';
  path.append(name);
  return path;
}

LocalTime ToLocalTime(std::int64_t seconds) {
  std::time_t time = static_cast<std::time_t>(seconds);
  std::tm parts{};
  if (!::localtime_r(&time, &parts)) return {};
  return LocalTime{parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min};
}

bool MatchesLocalMask(std::string_view name, std::string_view mask) {
  if (GlobMatch(name, mask)) return true;
  if (mask.size() >= 2 && mask.substr(mask.size() - 2) == ".*")
    return GlobMatch(name, mask.substr(0, mask.size() - 2));
  return false;
}

std::vector<char> AvailableDrives() {
  std::lock_guard<std::mutex> lock(overridesMutex);
  return drivesOverride ? *drivesOverride : std::vector<char>{};
}

void SetAvailableDrivesOverride(std::optional<std::vector<char>> drives) {
  std::lock_guard<std::mutex> lock(overridesMutex);
  drivesOverride = std::move(drives);
}

}  // namespace korval::platform
