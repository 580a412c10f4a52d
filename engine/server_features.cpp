#include "engine/server_features.h"

#include <array>
#include <cctype>

#include "engine/command_engine.h"
#include "engine/message_log.h"
#include "engine/session.h"
#include "platform/text.h"

namespace korval::engine {

namespace {

constexpr std::size_t MlstFactsCapacity = 255;

struct FeatureName {
  ServerFeature feature;
  const char* name;
};

constexpr std::array<FeatureName, 8> featureNames{{
    {ServerFeature::AuthTls, "AUTH TLS"},
    {ServerFeature::Epsv, "EPSV"},
    {ServerFeature::Eprt, "EPRT"},
    {ServerFeature::Mlst, "MLST"},
    {ServerFeature::Size, "SIZE"},
    {ServerFeature::Mdtm, "MDTM"},
    {ServerFeature::RestStream, "REST STREAM"},
    {ServerFeature::Utf8, "UTF8"},
}};

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' || text.back() == '\n'))
    text.remove_suffix(1);
  return text;
}

// One word of a parameter list: "AUTH TLS;SSL" and "AUTH SSL TLS" both name TLS.
bool ListsWord(std::string_view parameters, std::string_view word) {
  std::size_t start = 0;
  while (start < parameters.size()) {
    std::size_t end = parameters.find_first_of(" ;,", start);
    if (end == std::string_view::npos) end = parameters.size();
    if (platform::EqualsIgnoreCase(parameters.substr(start, end - start), word)) return true;
    start = end + 1;
  }
  return false;
}

void AddFeatureLine(ServerFeatures& features, std::string_view line) {
  line = TrimBlanks(line);
  const std::size_t blank = line.find(' ');
  const std::string_view name = line.substr(0, blank);
  const std::string_view parameters = blank == std::string_view::npos ? std::string_view{} : TrimBlanks(line.substr(blank));
  if (platform::EqualsIgnoreCase(name, "EPSV")) features.Add(ServerFeature::Epsv);
  else if (platform::EqualsIgnoreCase(name, "EPRT")) features.Add(ServerFeature::Eprt);
  else if (platform::EqualsIgnoreCase(name, "SIZE")) features.Add(ServerFeature::Size);
  else if (platform::EqualsIgnoreCase(name, "MDTM")) features.Add(ServerFeature::Mdtm);
  else if (platform::EqualsIgnoreCase(name, "UTF8")) features.Add(ServerFeature::Utf8);
  else if (platform::EqualsIgnoreCase(name, "AUTH") && ListsWord(parameters, "TLS")) features.Add(ServerFeature::AuthTls);
  else if (platform::EqualsIgnoreCase(name, "REST") && ListsWord(parameters, "STREAM")) features.Add(ServerFeature::RestStream);
  else if (platform::EqualsIgnoreCase(name, "MLST")) {
    features.Add(ServerFeature::Mlst);
    features.SetMlstFacts(platform::TruncateTo(parameters, MlstFactsCapacity));
  }
}

}  // namespace

std::string ServerFeatures::Text() const {
  std::string text;
  for (const FeatureName& entry : featureNames) {
    if (!Has(entry.feature)) continue;
    if (!text.empty()) text += ' ';
    text += entry.name;
  }
  return text.empty() ? "none" : text;
}

ServerFeatures ParseFeatureReply(const std::vector<std::string>& lines) {
  ServerFeatures features;
  if (lines.empty() || lines.front().compare(0, 3, "211") != 0) return features;
  features.MarkAnswered();
  // A one-line 211 lists nothing; the first line of a multi-line one is a title.
  for (std::size_t i = 1; i + 1 < lines.size(); ++i) {
    std::string_view line = lines[i];
    if (line.size() >= 4 && line.compare(0, 4, "211-") == 0) line.remove_prefix(4);
    AddFeatureLine(features, line);
  }
  return features;
}

int ReadServerFeatures(int socket) {
  Session& session = TheSession();
  session.Features = ServerFeatures{};
  ReplyLineRecorder recorder;
  const int reply = SendCommand(socket, "FEAT");
  if (reply != 2 || session.LastReplyCode != 211) return reply;
  session.Features = ParseFeatureReply(recorder.Lines());
  LogPrintf("[x] server features: %s", session.Features.Text().c_str());
  return reply;
}

const ServerFeatures& SessionFeatures() { return TheSession().Features; }
bool ServerHasFeature(ServerFeature feature) { return TheSession().Features.Has(feature); }

}  // namespace korval::engine
