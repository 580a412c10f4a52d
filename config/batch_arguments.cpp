#include "config/batch_arguments.h"

#include <algorithm>
#include <cctype>

#include "config/command_options.h"
#include "config/program_settings.h"
#include "platform/text.h"

namespace korval::config {

namespace {

std::size_t SkipBlanksAndTabs(std::string_view text, std::size_t position) {
  while (position < text.size() && (text[position] == ' ' || text[position] == '\t')) ++position;
  return position;
}

std::size_t CopyWord(std::string_view text, std::size_t position, std::string& word, std::size_t capacity) {
  word.clear();
  while (position < text.size() && text[position] != ' ') {
    if (text[position] == '"') {
      ++position;
      while (position < text.size() && text[position] != '"') word.push_back(text[position++]);
      if (position < text.size()) ++position;  // the closing quote
    } else {
      word.push_back(text[position++]);
    }
  }
  word = platform::TruncateTo(word, capacity);
  return position;
}

// Removes the first blank-delimited occurrence of `word` and the blank after
// it; true when it was there. A file name that merely holds the word
// ("data-ascii.csv") is left alone.
bool RemoveWord(std::string& text, std::string_view word) {
  for (std::size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) {
    const std::size_t end = at + word.size();
    if ((at > 0 && text[at - 1] != ' ') || (end < text.size() && text[end] != ' ')) continue;
    text.erase(at, end < text.size() ? word.size() + 1 : word.size());
    return true;
  }
  return false;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// %XX escapes of a URL's user and password ("@" or ":" inside them).
std::string PercentDecoded(std::string_view text) {
  std::string result;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size()) {
      int high = HexValue(text[i + 1]), low = HexValue(text[i + 2]);
      if (high >= 0 && low >= 0) {
        result.push_back(static_cast<char>(high * 16 + low));
        i += 2;
        continue;
      }
    }
    result.push_back(text[i]);
  }
  return result;
}

// //[user[:password]@]host[:port]/path, the text after "ftp:".
BatchArgument ClassifyUrl(std::string_view rest) {
  BatchArgument argument;
  argument.Kind = ArgumentKind::Remote;
  rest.remove_prefix(2);
  std::size_t slash = rest.find('/');
  std::string_view authority = rest.substr(0, slash);
  argument.Path = slash == std::string_view::npos ? std::string() : std::string(rest.substr(slash));
  if (std::size_t at = authority.rfind('@'); at != std::string_view::npos) {
    std::string_view userInfo = authority.substr(0, at);
    authority.remove_prefix(at + 1);
    std::size_t colon = userInfo.find(':');
    argument.User = PercentDecoded(userInfo.substr(0, colon));
    if (colon != std::string_view::npos) argument.Password = PercentDecoded(userInfo.substr(colon + 1));
  }
  // An IPv6 address stands in brackets ("[::1]:2121"), its colons its own.
  std::string_view hostText = authority;
  std::string_view portPart;
  bool hasPort = false;
  if (!authority.empty() && authority.front() == '[') {
    const std::size_t close = authority.find(']');
    if (close == std::string_view::npos) return BatchArgument{};
    hostText = authority.substr(1, close - 1);
    const std::string_view after = authority.substr(close + 1);
    if (!after.empty() && after.front() != ':') return BatchArgument{};
    if (hostText.find(':') == std::string_view::npos) return BatchArgument{};
    hasPort = !after.empty();
    if (hasPort) portPart = after.substr(1);
  } else if (std::size_t colon = authority.rfind(':'); colon != std::string_view::npos) {
    hostText = authority.substr(0, colon);
    portPart = authority.substr(colon + 1);
    hasPort = true;
  }
  if (hasPort) {
    unsigned port = 0;
    bool valid = !portPart.empty() && portPart.size() <= 5;
    for (char c : portPart) {
      if (!std::isdigit(static_cast<unsigned char>(c))) valid = false;
      else port = port * 10 + static_cast<unsigned>(c - '0');
    }
    if (!valid || port == 0 || port > 65535) return BatchArgument{};  // not an address we can use
    argument.Port = port;
  }
  authority = hostText;
  argument.Host = std::string(authority);
  if (argument.Host.empty()) return BatchArgument{};
  return argument;
}

}  // namespace

int SplitBatchArguments(std::string_view text, std::string& first, std::string& second, std::size_t capacity) {
  first.clear();
  second.clear();
  std::size_t position = SkipBlanksAndTabs(text, 0);
  position = CopyWord(text, position, first, capacity);
  position = SkipBlanksAndTabs(text, position);
  CopyWord(text, position, second, capacity);
  return first.empty() ? 0 : (second.empty() ? 1 : 2);
}

BatchArgument ClassifyBatchArgument(std::string_view text) {
  BatchArgument argument;
  if (text.empty()) return argument;
  if (platform::StartsWithIgnoreCase(text, "local:")) {
    argument.Kind = ArgumentKind::Local;
    argument.Path = std::string(text.substr(6));
    return argument;
  }
  if (text.find(':') == std::string_view::npos && text.substr(0, 2) != "//") {
    argument.Kind = ArgumentKind::Local;
    argument.Path = std::string(text);
    return argument;
  }
  std::string_view rest = text;
  std::optional<std::int32_t> tlsMode;
  if (platform::StartsWithIgnoreCase(rest, "ftpes://")) {
    tlsMode = 2;
    rest.remove_prefix(6);
  } else if (platform::StartsWithIgnoreCase(rest, "ftps://")) {
    tlsMode = 3;
    rest.remove_prefix(5);
  }
  if (tlsMode) {
    argument = ClassifyUrl(rest);
    if (argument.Kind == ArgumentKind::Remote) argument.TlsMode = tlsMode;
    return argument;
  }
  if (platform::StartsWithIgnoreCase(rest, "ftp:")) rest.remove_prefix(4);
  if (platform::StartsWithIgnoreCase(rest, "file:")) rest.remove_prefix(5);
  // A URL: read whole, so its port and user are not taken for a host:path.
  if (rest.substr(0, 2) == "//") return ClassifyUrl(rest);

  argument.Kind = ArgumentKind::Remote;
  // [IPv6 address]:path
  if (rest.size() > 2 && rest.front() == '[') {
    const std::size_t close = rest.find(']');
    if (close != std::string_view::npos && close + 1 < rest.size() && rest[close + 1] == ':') {
      argument.Host = std::string(rest.substr(1, close - 1));
      std::size_t pathStart = close + 1;
      while (pathStart < rest.size() && rest[pathStart] == ':') ++pathStart;
      argument.Path = std::string(rest.substr(pathStart));
      return argument;
    }
  }
  if (std::size_t colon = rest.find(':'); colon != std::string_view::npos) {
    argument.Host = std::string(rest.substr(0, colon));
    std::size_t pathStart = colon;
    while (pathStart < rest.size() && rest[pathStart] == ':') ++pathStart;
    argument.Path = std::string(rest.substr(pathStart));
    return argument;
  }
  std::size_t start = 0;
  while (start < rest.size() && rest[start] == '/') ++start;
  std::size_t slash = rest.find('/', start);
  argument.Host = std::string(rest.substr(start, slash == std::string_view::npos ? std::string_view::npos : slash - start));
  argument.Path = slash == std::string_view::npos ? std::string() : std::string(rest.substr(slash));
  return argument;
}

void PrepareBatchArguments(std::string_view textIn) {
  BatchMode() = true;
  std::string text(textIn);
  if (text.empty()) return;
  if (RemoveWord(text, "-quiet")) Batch().QuietMode = true;
  if (RemoveWord(text, "-ascii")) Settings().Mode = 'A';
  std::replace(text.begin(), text.end(), '\\', '/');
  SplitBatchArguments(text, Batch().Source, Batch().Destination, BatchArgumentCapacity);
}

}  // namespace korval::config
