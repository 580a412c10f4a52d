// FEAT replies to the session's features: the layouts servers send, and the
// replies that list nothing.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/server_features.h"

namespace korval::engine {
namespace {

struct FeatureCase {
  const char* name;
  std::vector<std::string> lines;
  bool answered;
  std::string text;  // ServerFeatures::Text()
  std::string mlstFacts;
};

void PrintTo(const FeatureCase& c, std::ostream* out) { *out << c.name; }

class FeatureReplyTest : public ::testing::TestWithParam<FeatureCase> {};

TEST_P(FeatureReplyTest, ListsWhatTheReplyNames) {
  const FeatureCase& c = GetParam();
  const ServerFeatures features = ParseFeatureReply(c.lines);
  EXPECT_EQ(features.Answered(), c.answered);
  EXPECT_EQ(features.Text(), c.text);
  EXPECT_EQ(features.MlstFacts(), c.mlstFacts);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, FeatureReplyTest,
    ::testing::Values(
        FeatureCase{"IndentedByOneBlank",
                    {"211-Features:", " EPRT", " EPSV", " MDTM", " PASV", " REST STREAM", " SIZE", " TVFS", " UTF8",
                     "211 End"},
                    true, "EPSV EPRT SIZE MDTM REST STREAM UTF8", ""},
        FeatureCase{"MlstWithFactsAndAuth",
                    {"211-Extensions supported:", " AUTH TLS;SSL", " MLST type*;size*;modify*;", " SIZE", "211 END"},
                    true, "AUTH TLS MLST SIZE", "type*;size*;modify*;"},
        FeatureCase{"AuthListingTlsLater", {"211-Features:", " AUTH SSL TLS", "211 End"}, true, "AUTH TLS", ""},
        FeatureCase{"AuthWithoutTls", {"211-Features:", " AUTH SSL", "211 End"}, true, "none", ""},
        FeatureCase{"RestWithoutStream", {"211-Features:", " REST", " MDTM", "211 End"}, true, "MDTM", ""},
        FeatureCase{"LowerCaseAndTabs", {"211-features", "\tepsv", "  size  ", " rest stream", "211 end"}, true,
                    "EPSV SIZE REST STREAM", ""},
        FeatureCase{"ContinuationLinesWithTheCode", {"211-Features", "211-EPSV", "211-MDTM", "211 End"}, true,
                    "EPSV MDTM", ""},
        FeatureCase{"TitleIsNoFeature", {"211-EPSV is not a feature here", " SIZE", "211 End"}, true, "SIZE", ""},
        FeatureCase{"EndLineIsNoFeature", {"211-Features:", " SIZE", "211 EPSV"}, true, "SIZE", ""},
        FeatureCase{"LookAlikeNamesAreNotFeatures", {"211-Features:", " EPSVX", " SIZES", " UTF-8", " MLSD", "211 End"},
                    true, "none", ""},
        FeatureCase{"OneLine", {"211 No features."}, true, "none", ""},
        FeatureCase{"NotUnderstood", {"500 'FEAT': command not understood."}, false, "none", ""},
        FeatureCase{"NotImplemented", {"502 Command not implemented."}, false, "none", ""},
        FeatureCase{"OtherPositiveReply", {"214-Help", " EPSV", "214 End"}, false, "none", ""},
        FeatureCase{"Nothing", {}, false, "none", ""}),
    [](const ::testing::TestParamInfo<FeatureCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace korval::engine
