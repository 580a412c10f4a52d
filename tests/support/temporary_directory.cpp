#include "tests/support/temporary_directory.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <system_error>
#include <vector>

namespace korval::testing {

namespace fs = std::filesystem;

fs::path TemporaryDirectory::BaseDirectory() {
  const char* tmpdir = std::getenv("TMPDIR");
  std::error_code error;
  if (tmpdir != nullptr && *tmpdir != '\0' && fs::is_directory(tmpdir, error)) {
    return fs::path(tmpdir);
  }
  return fs::path("/tmp");
}

TemporaryDirectory::TemporaryDirectory(std::string_view prefix, const fs::path& base) {
  const fs::path parent = base.empty() ? BaseDirectory() : base;
  std::string pattern = (parent / std::string(prefix)).string() + "XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (mkdtemp(buffer.data()) == nullptr) {
    error_ = "mkdtemp " + pattern + ": " + std::strerror(errno);
    return;
  }
  path_ = fs::path(buffer.data());
}

TemporaryDirectory::~TemporaryDirectory() { Remove(); }

TemporaryDirectory::TemporaryDirectory(TemporaryDirectory&& other) noexcept
    : path_(std::move(other.path_)), error_(std::move(other.error_)) {
  other.path_.clear();
}

TemporaryDirectory& TemporaryDirectory::operator=(TemporaryDirectory&& other) noexcept {
  if (this != &other) {
    Remove();
    path_ = std::move(other.path_);
    error_ = std::move(other.error_);
    other.path_.clear();
  }
  return *this;
}

void TemporaryDirectory::Remove() {
  if (path_.empty()) return;
  std::error_code error;
  fs::remove_all(path_, error);
  path_.clear();
}

fs::path TemporaryDirectory::FilePath(std::string_view relative) const { return path_ / fs::path(relative); }

bool TemporaryDirectory::WriteFile(std::string_view relative, std::string_view bytes) const {
  if (!Valid()) return false;
  const fs::path target = FilePath(relative);
  std::error_code error;
  fs::create_directories(target.parent_path(), error);
  return WriteWholeFile(target, bytes);
}

std::optional<std::string> TemporaryDirectory::ReadFile(std::string_view relative) const {
  if (!Valid()) return std::nullopt;
  return ReadWholeFile(FilePath(relative));
}

bool TemporaryDirectory::CreateDirectory(std::string_view relative) const {
  if (!Valid()) return false;
  std::error_code error;
  fs::create_directories(FilePath(relative), error);
  return fs::is_directory(FilePath(relative), error);
}

bool WriteWholeFile(const fs::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  return static_cast<bool>(out);
}

std::optional<std::string> ReadWholeFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return std::nullopt;
  return content;
}

}  // namespace korval::testing
