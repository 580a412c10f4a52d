#pragma once
// A fresh directory under $TMPDIR (else /tmp) that is removed, with all it
// holds, when the object goes away. Tests use it for local files, and the
// real-server fixtures for the directories they serve.
//
//   korval::testing::TemporaryDirectory directory;
//   ASSERT_TRUE(directory.Valid());
//   directory.WriteFile("sub/a.txt", "hello\n");
//   EXPECT_EQ(directory.ReadFile("sub/a.txt"), "hello\n");

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace korval::testing {

class TemporaryDirectory {
 public:
  // Creates "<base>/<prefix>XXXXXX" with mode 0700. `base` empty: the
  // temporary directory of the machine (BaseDirectory()).
  explicit TemporaryDirectory(std::string_view prefix = "korval-test-", const std::filesystem::path& base = {});
  ~TemporaryDirectory();

  TemporaryDirectory(TemporaryDirectory&& other) noexcept;
  TemporaryDirectory& operator=(TemporaryDirectory&& other) noexcept;
  TemporaryDirectory(const TemporaryDirectory&) = delete;
  TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;

  // False when the directory could not be created (Error() says why).
  bool Valid() const { return !path_.empty(); }
  const std::string& Error() const { return error_; }
  const std::filesystem::path& Path() const { return path_; }

  // `relative` below the directory ("a.txt", "sub/b.bin").
  std::filesystem::path FilePath(std::string_view relative) const;
  // Writes `bytes` (binary, exactly), creating missing parent directories.
  bool WriteFile(std::string_view relative, std::string_view bytes) const;
  // The whole file, or nothing when it cannot be read.
  std::optional<std::string> ReadFile(std::string_view relative) const;
  bool CreateDirectory(std::string_view relative) const;

  // Removes the directory now (the destructor then does nothing).
  void Remove();

  // $TMPDIR when set and a directory, else /tmp.
  static std::filesystem::path BaseDirectory();

 private:
  std::filesystem::path path_;
  std::string error_;
};

// File helpers for any path, binary and exact.
bool WriteWholeFile(const std::filesystem::path& path, std::string_view bytes);
std::optional<std::string> ReadWholeFile(const std::filesystem::path& path);

}  // namespace korval::testing
