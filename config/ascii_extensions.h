#pragma once
// The ASCII extension list ("KORVAL.EXT"): name endings such as ".TXT" that
// mark a file as text. It decides kind 1 of a pane entry; the file is read once
// into this list rather than once per entry.

#include <string>
#include <string_view>
#include <vector>

namespace korval::config {

class AsciiExtensionList {
 public:
  // The list as read from `path`, one entry a line, read in pieces of at most
  // 9 characters with the line end removed. A file that cannot be opened
  // gives the missing list.
  static AsciiExtensionList Load(const std::string& path);
  // A list of the given entries, as if read from a file.
  static AsciiExtensionList FromEntries(std::vector<std::string> entries);
  // No list file: only names longer than 4 characters ending in ".TXT" count.
  static AsciiExtensionList Missing();

  // Whether `name` is a text file by its ending: a ';' version suffix is
  // ignored, entries shorter than 2 characters are ignored, letter case too.
  bool Matches(std::string_view name) const;

  bool IsMissing() const { return missing_; }
  const std::vector<std::string>& Entries() const { return entries_; }

 private:
  std::vector<std::string> entries_;
  bool missing_ = true;
};

}  // namespace korval::config
