#include "platform/ini.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <optional>

#include "platform/text.h"

namespace korval::platform {

namespace {

enum class LineKind { Blank, Comment, Section, Key, Other };

struct ClassifiedLine {
  LineKind Kind = LineKind::Other;
  std::string_view Name;   // section or key name
  std::string_view Value;  // key value, white space removed
};

bool IsBlankCharacter(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlankCharacter(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlankCharacter(text.back())) text.remove_suffix(1);
  return text;
}

ClassifiedLine Classify(std::string_view text) {
  ClassifiedLine line;
  std::string_view trimmed = TrimBlanks(text);
  if (trimmed.empty()) {
    line.Kind = LineKind::Blank;
  } else if (trimmed.front() == ';') {
    line.Kind = LineKind::Comment;
  } else if (trimmed.front() == '[') {
    line.Kind = LineKind::Section;
    std::string_view name = trimmed.substr(1);
    std::size_t close = name.find(']');
    line.Name = close == std::string_view::npos ? TrimBlanks(name) : name.substr(0, close);
  } else if (std::size_t equals = trimmed.find('='); equals != std::string_view::npos) {
    line.Kind = LineKind::Key;
    line.Name = TrimBlanks(trimmed.substr(0, equals));
    line.Value = TrimBlanks(trimmed.substr(equals + 1));
  }
  return line;
}

// Calls visit(text) for each line (line end excluded, a CR before the LF kept:
// Classify treats it as white space) until visit returns false.
template <class Visit>
void ForEachLine(std::string_view content, Visit visit) {
  while (!content.empty()) {
    std::size_t newline = content.find('\n');
    std::string_view text = content.substr(0, newline);
    if (!visit(text)) return;
    if (newline == std::string_view::npos) return;
    content.remove_prefix(newline + 1);
  }
}

// The value of the first `key` in the first section named `section`.
std::optional<std::string_view> FindValue(std::string_view content, std::string_view section,
                                          std::string_view key) {
  std::optional<std::string_view> result;
  bool inSection = false;
  ForEachLine(content, [&](std::string_view text) {
    ClassifiedLine line = Classify(text);
    if (line.Kind == LineKind::Section) {
      if (inSection) return false;
      inSection = EqualsIgnoreCase(line.Name, section);
    } else if (inSection && line.Kind == LineKind::Key && EqualsIgnoreCase(line.Name, key)) {
      result = line.Value;
      return false;
    }
    return true;
  });
  return result;
}

enum class ReadOutcome { Read, Missing, Failed };

ReadOutcome ReadWholeFile(const std::string& path, std::string& content) {
  content.clear();
  int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (descriptor < 0) return (errno == ENOENT || errno == ENOTDIR) ? ReadOutcome::Missing : ReadOutcome::Failed;
  ReadOutcome outcome = ReadOutcome::Read;
  struct stat status {};
  if (::fstat(descriptor, &status) != 0 || S_ISDIR(status.st_mode)) {
    outcome = ReadOutcome::Failed;
  } else {
    char chunk[16384];
    for (;;) {
      ssize_t count = ::read(descriptor, chunk, sizeof chunk);
      if (count < 0 && errno == EINTR) continue;
      if (count < 0) {
        outcome = ReadOutcome::Failed;
        content.clear();
        break;
      }
      if (count == 0) break;
      content.append(chunk, static_cast<std::size_t>(count));
    }
  }
  ::close(descriptor);
  return outcome;
}

std::string DirectoryOf(const std::string& path) {
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

bool IsUsableSection(std::string_view section) {
  return !section.empty() && section.find_first_of("\r\n]") == std::string_view::npos;
}

bool IsUsableKey(std::string_view key) {
  return !key.empty() && key.find_first_of("\r\n=") == std::string_view::npos && key.front() != ';' &&
         key.front() != '[' && TrimBlanks(key).size() == key.size();
}

bool IsUsableValue(std::string_view value) { return value.find_first_of("\r\n") == std::string_view::npos; }

bool WriteAll(int descriptor, std::string_view data) {
  while (!data.empty()) {
    ssize_t count = ::write(descriptor, data.data(), data.size());
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) return false;
    data.remove_prefix(static_cast<std::size_t>(count));
  }
  return true;
}

}  // namespace

std::int32_t ParseIniNumber(std::string_view text) {
  std::size_t position = 0;
  while (position < text.size() && IsBlankCharacter(text[position])) ++position;
  bool negative = false;
  if (position < text.size() && (text[position] == '-' || text[position] == '+')) {
    negative = text[position] == '-';
    ++position;
  }
  std::uint32_t value = 0;
  while (position < text.size() && text[position] >= '0' && text[position] <= '9') {
    value = value * 10u + static_cast<std::uint32_t>(text[position] - '0');
    ++position;
  }
  if (negative) value = 0u - value;
  return static_cast<std::int32_t>(value);
}

std::string ReadIniString(const std::string& path, std::string_view section, std::string_view key,
                          std::string_view defaultValue, std::size_t capacity) {
  std::string content;
  ReadWholeFile(path, content);
  std::optional<std::string_view> value = FindValue(content, section, key);
  return TruncateTo(value ? *value : defaultValue, capacity);
}

std::int32_t ReadIniNumber(const std::string& path, std::string_view section, std::string_view key,
                           std::int32_t defaultValue) {
  std::string content;
  ReadWholeFile(path, content);
  std::optional<std::string_view> value = FindValue(content, section, key);
  if (!value || value->empty()) return defaultValue;
  return ParseIniNumber(*value);
}

bool WriteIniString(const std::string& path, std::string_view section, std::string_view key,
                    std::string_view value) {
  IniEdit edit(path);
  return edit.WriteString(section, key, value) && edit.Commit();
}

bool DeleteIniKey(const std::string& path, std::string_view section, std::string_view key) {
  IniEdit edit(path);
  return edit.DeleteKey(section, key) && edit.Commit();
}

bool DeleteIniSection(const std::string& path, std::string_view section) {
  IniEdit edit(path);
  return edit.DeleteSection(section) && edit.Commit();
}

IniEdit::IniEdit(std::string path) : path_(std::move(path)) {
  // The lock is taken on the directory: the file itself is replaced by rename,
  // so a lock on it would not be seen by a writer that opens the new one.
  lockDescriptor_ = ::open(DirectoryOf(path_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (lockDescriptor_ >= 0) {
    while (::flock(lockDescriptor_, LOCK_EX) != 0 && errno == EINTR) {
    }
  }
  std::string content;
  readable_ = ReadWholeFile(path_, content) != ReadOutcome::Failed;
  std::string_view rest = content;
  while (!rest.empty()) {
    std::size_t newline = rest.find('\n');
    Line line;
    if (newline == std::string_view::npos) {
      line.Text = std::string(rest);
      rest = {};
    } else {
      line.Text = std::string(rest.substr(0, newline));
      line.Ending = "\n";
      rest.remove_prefix(newline + 1);
    }
    if (!line.Text.empty() && line.Text.back() == '\r') {
      line.Text.pop_back();
      line.Ending = line.Ending.empty() ? "\r" : "\r\n";
    }
    lines_.push_back(std::move(line));
  }
  for (const Line& line : lines_) {
    if (line.Ending == "\r\n" || line.Ending == "\n") {
      newLineEnding_ = line.Ending;
      break;
    }
  }
}

IniEdit::~IniEdit() {
  if (lockDescriptor_ >= 0) ::close(lockDescriptor_);  // closing releases the lock
}

bool IniEdit::FindSection(std::string_view section, SectionRange& range) const {
  for (std::size_t index = 0; index < lines_.size(); ++index) {
    ClassifiedLine line = Classify(lines_[index].Text);
    if (line.Kind != LineKind::Section || !EqualsIgnoreCase(line.Name, section)) continue;
    range.Header = index;
    range.End = index + 1;
    while (range.End < lines_.size() && Classify(lines_[range.End].Text).Kind != LineKind::Section) ++range.End;
    return true;
  }
  return false;
}

std::string IniEdit::ReadString(std::string_view section, std::string_view key, std::string_view defaultValue,
                                std::size_t capacity) const {
  SectionRange range{};
  if (FindSection(section, range)) {
    for (std::size_t index = range.Header + 1; index < range.End; ++index) {
      ClassifiedLine line = Classify(lines_[index].Text);
      if (line.Kind == LineKind::Key && EqualsIgnoreCase(line.Name, key)) return TruncateTo(line.Value, capacity);
    }
  }
  return TruncateTo(defaultValue, capacity);
}

std::int32_t IniEdit::ReadNumber(std::string_view section, std::string_view key, std::int32_t defaultValue) const {
  std::string value = ReadString(section, key, "", SIZE_MAX);
  return value.empty() ? defaultValue : ParseIniNumber(value);
}

bool IniEdit::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  if (!IsUsableSection(section) || !IsUsableKey(key) || !IsUsableValue(value)) return false;
  const std::string_view ending = newLineEnding_;
  // A last line without a line end gets one before anything follows it.
  auto terminate = [&](Line& line) {
    if (line.Ending.empty()) line.Ending = ending;
    if (line.Ending == "\r") line.Ending = "\r\n";
  };
  SectionRange range{};
  if (FindSection(section, range)) {
    std::size_t lastKey = range.Header;
    for (std::size_t index = range.Header + 1; index < range.End; ++index) {
      ClassifiedLine line = Classify(lines_[index].Text);
      if (line.Kind != LineKind::Key) continue;
      if (EqualsIgnoreCase(line.Name, key)) {
        std::string text = std::string(line.Name) + "=" + std::string(value);
        if (text != lines_[index].Text) {
          lines_[index].Text = std::move(text);
          changed_ = true;
        }
        return true;
      }
      lastKey = index;
    }
    terminate(lines_[lastKey]);
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(lastKey + 1),
                  Line{std::string(key) + "=" + std::string(value), ending});
  } else {
    if (!lines_.empty()) {
      terminate(lines_.back());
      if (Classify(lines_.back().Text).Kind != LineKind::Blank) lines_.push_back(Line{"", ending});
    }
    std::string header;
    header.reserve(section.size() + 2);
    header.append("[").append(section).append("]");
    lines_.push_back(Line{std::move(header), ending});
    lines_.push_back(Line{std::string(key) + "=" + std::string(value), ending});
  }
  changed_ = true;
  return true;
}

bool IniEdit::DeleteKey(std::string_view section, std::string_view key) {
  SectionRange range{};
  if (!FindSection(section, range)) return true;
  for (std::size_t index = range.End; index-- > range.Header + 1;) {
    ClassifiedLine line = Classify(lines_[index].Text);
    if (line.Kind == LineKind::Key && EqualsIgnoreCase(line.Name, key)) {
      lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(index));
      changed_ = true;
    }
  }
  return true;
}

bool IniEdit::DeleteSection(std::string_view section) {
  SectionRange range{};
  while (FindSection(section, range)) {
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(range.Header),
                 lines_.begin() + static_cast<std::ptrdiff_t>(range.End));
    changed_ = true;
  }
  return true;
}

bool IniEdit::Commit() {
  if (!changed_) return true;
  if (!readable_ || path_.empty()) return false;
  std::string content;
  for (const Line& line : lines_) {
    content += line.Text;
    content += line.Ending;
  }

  // A link (a configuration kept elsewhere) stays a link: its target is replaced.
  std::string target = path_;
  struct stat status {};
  if (::lstat(path_.c_str(), &status) == 0 && S_ISLNK(status.st_mode)) {
    if (char* resolved = ::realpath(path_.c_str(), nullptr)) {
      target = resolved;
      std::free(resolved);
    }
  }
  mode_t mode = 0600;
  bool exists = ::stat(target.c_str(), &status) == 0;
  if (exists) {
    if (::access(target.c_str(), W_OK) != 0) return false;  // a read-only file stays as it is
    mode = status.st_mode & 07777;
  }

  std::string directory = DirectoryOf(target);
  std::string baseName = target.substr(target.rfind('/') == std::string::npos ? 0 : target.rfind('/') + 1);
  std::string temporary = (directory == "/" ? std::string() : directory) + "/." + baseName + ".XXXXXX";
  int descriptor = ::mkostemp(temporary.data(), O_CLOEXEC);
  if (descriptor < 0) return false;
  bool written = WriteAll(descriptor, content);
  if (written && exists) {
    if (::fchown(descriptor, status.st_uid, status.st_gid) != 0) {
      // Only possible for root or the same owner; the file then belongs to the writer.
    }
  }
  written = written && ::fchmod(descriptor, mode) == 0 && ::fsync(descriptor) == 0;
  written = (::close(descriptor) == 0) && written;
  if (!written || ::rename(temporary.c_str(), target.c_str()) != 0) {
    ::unlink(temporary.c_str());
    return false;
  }
  int directoryDescriptor = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (directoryDescriptor >= 0) {
    ::fsync(directoryDescriptor);
    ::close(directoryDescriptor);
  }
  changed_ = false;
  return true;
}

}  // namespace korval::platform
