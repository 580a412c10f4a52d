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
constexpr std::size_t PieceCapacity = ListingLineCapacity - 1;

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

// Splits a byte source into the pieces a 180-character line buffer reads:
// at most 179 characters, up to and including a line end.
class PieceReader {
 public:
  explicit PieceReader(std::FILE* stream) : stream_(stream) {}
  explicit PieceReader(std::string_view text) : text_(text) {}

  bool Next(std::string& piece) {
    piece.clear();
    while (piece.size() < PieceCapacity) {
      if (position_ == text_.size() && !Refill()) break;
      std::size_t room = PieceCapacity - piece.size();
      std::string_view available = text_.substr(position_, room);
      std::size_t lineEnd = available.find('\n');
      if (lineEnd != std::string_view::npos) {
        piece.append(available.substr(0, lineEnd + 1));
        position_ += lineEnd + 1;
        return true;
      }
      piece.append(available);
      position_ += available.size();
    }
    return !piece.empty();
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

void ParsePieces(PieceReader& reader, PaneList& pane, const ListingOptions& options) {
  ListingContext context{pane, options, DateOfParse(options)};
  std::string line;
  line.reserve(ListingLineCapacity);
  while (reader.Next(line)) {
    // The line's text ends at a NUL byte, as it would in the line buffer.
    if (std::size_t nul = line.find('\0'); nul != std::string::npos) line.resize(nul);
    TrimLineEnd(line);
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
  PieceReader reader(file.get());
  ParsePieces(reader, pane, options);
  file.reset();
  pane.Show();
  return 1;
}

int ParseListingStream(std::FILE* stream, PaneList& pane, const ListingOptions& options) {
  StartRebuild(pane);
  if (stream) {
    PieceReader reader(stream);
    ParsePieces(reader, pane, options);
  }
  pane.Show();
  return stream ? 1 : 0;
}

int ParseListingText(std::string_view text, PaneList& pane, const ListingOptions& options) {
  StartRebuild(pane);
  PieceReader reader(text);
  ParsePieces(reader, pane, options);
  pane.Show();
  return 1;
}

}  // namespace korval::listing
