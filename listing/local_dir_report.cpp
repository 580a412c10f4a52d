#include "listing/local_dir_report.h"

#include <cstdio>
#include <memory>
#include <vector>

#include "listing/local_listing.h"
#include "platform/fs.h"
#include "platform/text.h"

namespace korval::listing {

namespace {

constexpr std::size_t ReportLineCapacity = 127;

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

std::string ReportLine(const platform::DirectoryEntry& item) {
  const platform::LocalTime time = platform::ToLocalTime(item.ModifiedTime);
  const unsigned year = static_cast<unsigned>(time.Year % 100);
  const unsigned month = static_cast<unsigned>(time.Month);
  const unsigned day = static_cast<unsigned>(time.Day);
  const unsigned hour = static_cast<unsigned>(time.Hour);
  const unsigned minute = static_cast<unsigned>(time.Minute);
  if (item.IsDirectory)
    return platform::FormatTruncated(ReportLineCapacity, "%-30.30s <DIR>      %02u-%02u-%02u  %2u:%02u\n",
                                     item.Name.c_str(), year, month, day, hour, minute);
  return platform::FormatTruncated(ReportLineCapacity, "%-30.30s %10llu %02u-%02u-%02u  %2u:%02u\n",
                                   item.Name.c_str(), static_cast<unsigned long long>(item.Size), year, month, day,
                                   hour, minute);
}

}  // namespace

int WriteLocalDirReport(const std::string& path) {
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "w"));
  if (!file) return 0;
  const std::string current = platform::TruncateTo(platform::CurrentDirectory().value_or(""), LocalDirCapacity);
  bool written = std::fprintf(file.get(), " Directory of %s\n\n", current.c_str()) >= 0;
  const std::vector<platform::DirectoryEntry> entries =
      platform::ReadDirectory(".").value_or(std::vector<platform::DirectoryEntry>{});
  for (const platform::DirectoryEntry& item : entries) {
    const std::string line = ReportLine(item);
    written = written && std::fwrite(line.data(), 1, line.size(), file.get()) == line.size();
  }
  // A full disk shows at the flush.
  return std::fclose(file.release()) == 0 && written ? 1 : 0;
}

std::string CreateLocalDirReport() {
  platform::TemporaryFile report = platform::CreateTemporaryFile(platform::ViewFilePrefix);
  if (!report.Valid() || WriteLocalDirReport(report.Path()) != 1) return {};
  const std::string path = report.Release();
  platform::RemoveAtShutdown(path);
  return path;
}

}  // namespace korval::listing
