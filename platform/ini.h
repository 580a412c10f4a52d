#pragma once
// INI files with the private-profile semantics the configuration relies on:
//
// - "[name]" opens a section, "key=value" holds a value; section and key names
//   compare without regard to ASCII case; names and values are read with the
//   white space around them removed.
// - Lines starting with ";" are comments; blank lines, keys before the first
//   section and lines that are neither are kept but never match.
// - A missing key (and, for numbers, an empty value) yields the caller's default.
// - Deleting a key or a whole section is how values are removed.
// - Numbers are read by their leading digits (an optional sign first; no digits
//   read as 0) and wrap modulo 2^32, so a value written with "%u" from a
//   negative number reads back as that number.
//
// Files come from other systems too: CR LF or LF line ends, a missing final
// newline, 8-bit text in any encoding. A write keeps every other line byte for
// byte and replaces the file atomically (temporary file beside it, then
// rename); a new file gets mode 0600 because it holds passwords, an existing
// one keeps its mode. A file that cannot be read behaves as an empty file.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace korval::platform {

// The value of `key` in `section` cut at `capacity` characters; `defaultValue`
// (cut the same way) when the file, the section or the key is missing.
std::string ReadIniString(const std::string& path, std::string_view section, std::string_view key,
                          std::string_view defaultValue, std::size_t capacity);

// The number held by `key`; `defaultValue` when the key is missing or empty.
std::int32_t ReadIniNumber(const std::string& path, std::string_view section, std::string_view key,
                           std::int32_t defaultValue);

// Sets `key` in `section`, creating both when missing. False when the file
// could not be replaced (it is then left as it was) or a name is unusable
// (empty, or holding a line break, "=" in a key, "]" in a section).
bool WriteIniString(const std::string& path, std::string_view section, std::string_view key,
                    std::string_view value);
// Removes every occurrence of `key` from the section.
bool DeleteIniKey(const std::string& path, std::string_view section, std::string_view key);
// Removes the section with all its lines (every section of that name).
bool DeleteIniSection(const std::string& path, std::string_view section);

// The leading-digits rule of number values.
std::int32_t ParseIniNumber(std::string_view text);

// Several changes to one file applied as one replacement, under a lock that
// keeps other korval processes and threads from interleaving their writes.
// Reads see the changes made so far. Nothing is written without Commit().
class IniEdit {
 public:
  explicit IniEdit(std::string path);
  ~IniEdit();
  IniEdit(const IniEdit&) = delete;
  IniEdit& operator=(const IniEdit&) = delete;

  std::string ReadString(std::string_view section, std::string_view key, std::string_view defaultValue,
                         std::size_t capacity) const;
  std::int32_t ReadNumber(std::string_view section, std::string_view key, std::int32_t defaultValue) const;

  bool WriteString(std::string_view section, std::string_view key, std::string_view value);
  bool DeleteKey(std::string_view section, std::string_view key);
  bool DeleteSection(std::string_view section);

  // Replaces the file when anything changed. False when it could not, or when
  // the existing file could not be read whole (it is never overwritten then).
  bool Commit();

 private:
  struct Line {
    std::string Text;    // without its line end
    std::string_view Ending;  // a literal: "\r\n", "\n", "\r" or "" (last line without newline)
  };
  struct SectionRange {
    std::size_t Header;  // index of the "[name]" line
    std::size_t End;     // one past its last line
  };

  bool FindSection(std::string_view section, SectionRange& range) const;

  std::string path_;
  std::vector<Line> lines_;
  std::string_view newLineEnding_ = "\n";  // the file's own style (a literal), for lines added
  bool readable_ = true;
  bool changed_ = false;
  int lockDescriptor_ = -1;
};

}  // namespace korval::platform
