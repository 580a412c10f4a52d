#include "listing/listing_parser.h"

#include <cstring>
#include <memory>

#include "engine/message_log.h"
#include "listing/line_builders.h"
#include "listing/listing_text.h"
#include "listing/pane_list.h"
#include "listing/remote_entries.h"
#include "listing/rule_sets.h"

namespace korval::listing {

namespace {
struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

// Splits a byte source into lines, each up to and including its line end.
// A line longer than the line capacity keeps its first characters and loses
// the rest: the rest is no line of its own.
class LineReader {
 public:
  explicit LineReader(std::FILE* stream) : stream_(stream) {}
  explicit LineReader(std::string_view text) : text_(text) {}

  bool Next(std::string& line) {
    line.clear();
    bool any = false;
    for (;;) {
      if (position_ == text_.size() && !Refill()) return any;
      any = true;
      std::string_view available = text_.substr(position_);
      std::size_t lineEnd = available.find('\n');
      std::string_view part = lineEnd == std::string_view::npos ? available : available.substr(0, lineEnd + 1);
      std::size_t room = ListingLineCapacity - line.size();
      line.append(part.substr(0, room));
      position_ += part.size();
      if (lineEnd != std::string_view::npos) return true;
    }
  }

 private:
  bool Refill() {
    if (!stream_) return false;
    if (!buffer_) buffer_ = std::make_unique<char[]>(BufferSize);
    std::size_t count = std::fread(buffer_.get(), 1, BufferSize, stream_);
    if (count == 0) return false;
    text_ = std::string_view(buffer_.get(), count);
    position_ = 0;
    return true;
  }

  static constexpr std::size_t BufferSize = 1 << 16;
  std::FILE* stream_ = nullptr;
  std::unique_ptr<char[]> buffer_;
  std::string_view text_;
  std::size_t position_ = 0;
};

void StartRebuild(PaneList& pane) {
  pane.Hide();
  pane.Clear();
  AddParentEntry(pane);
  pane.ResetWidestText();
}

CalendarDate DateOfParse(const ListingOptions& options) { return options.Today ? *options.Today : ListingToday(); }

void ParseLines(LineReader& reader, PaneList& pane, const ListingOptions& options) {
  ListingContext context{pane, options, DateOfParse(options)};
  std::string line;
  line.reserve(256);
  while (reader.Next(line)) {
    // The line's text ends at a NUL byte, as it would in the line buffer.
    if (std::size_t nul = line.find('\0'); nul != std::string::npos) line.resize(nul);
    TrimLineEnd(line);
    ApplyListingRules(line, context);
  }
  // A held line that nothing continued stands alone.
  if (!context.HeldLine.empty()) {
    line.clear();
    ApplyListingRules(line, context);
  }
}
}  // namespace

void ApplyListingRules(std::string& line, const ListingContext& context) {
  switch (context.Options.HostType) {
    case 6001: case 6006: case 6008: case 6032: case 6037: case 6038:
      ApplyFirstWordRules(line, context);
      break;
    case 6002:
      CutAt(line, 30);
      ApplyDirsRules(line, context);
      break;
    case 6003: case 6025:
      ApplyDirsRules(line, context);
      break;
    case 6004: BuildVmLine(line, context); break;
    case 6005: ApplyTwoColumnRules(line, context); break;
    case 6007: ApplySiNtRules(line, context); break;
    case 6011: case 6012: case 6019:
      ApplyVmsRules(line, context);
      break;
    case 6013: case 6014:
      ApplyBareNameRules(line, context);
      break;
    case 6015: ApplyPeterRules(line, context); break;
    case 6016: BuildNtLine(line, context); break;
    case 6017: ApplyAs400Rules(line, context); break;
    case 6018: ApplyMvsRules(line, context); break;
    case 6021: ApplyOs9Rules(line, context); break;
    case 6022: case 6036:
      BuildDosColumnLine(line, context);
      break;
    case 6023: ApplyGcosRules(line, context); break;
    case 6024: ApplyKnetRules(line, context); break;
    case 6026: ApplyCyberRules(line, context); break;
    case 6027: ApplyR1000Rules(line, context); break;
    case 6028: ApplyCp6Rules(line, context); break;
    case 6029: ApplySpartacusRules(line, context); break;
    case 6030: ApplyTandemRules(line, context); break;
    case 6031: ApplyVosRules(line, context); break;
    case 6035: BuildNetWareLine(line, context); break;
    case 6039: BuildQvtLine(line, context); break;
    case 6040: BuildVersaTermLine(line, context); break;
    default: BuildUnixLine(line, context); break;
  }
}

int ParseListing(const std::string& path, PaneList& pane, const ListingOptions& options) {
  StartRebuild(pane);
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) {
    engine::LogPrintf("couldn't open %s for read.", path.c_str());
    pane.Show();
    return 0;
  }
  LineReader reader(file.get());
  ParseLines(reader, pane, options);
  file.reset();
  pane.Show();
  return 1;
}

int ParseListingStream(std::FILE* stream, PaneList& pane, const ListingOptions& options) {
  StartRebuild(pane);
  if (stream) {
    LineReader reader(stream);
    ParseLines(reader, pane, options);
  }
  pane.Show();
  return stream ? 1 : 0;
}

int ParseListingText(std::string_view text, PaneList& pane, const ListingOptions& options) {
  StartRebuild(pane);
  LineReader reader(text);
  ParseLines(reader, pane, options);
  pane.Show();
  return 1;
}

}  // namespace korval::listing
