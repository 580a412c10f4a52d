#pragma once
// What the server says it supports in its answer to FEAT (RFC 2389), read
// once after the logon and kept in the session until the connection closes.
// Servers that do not know FEAT leave every feature unknown, and the session
// behaves exactly as with a server of before the extensions.
//
// FEAT replies this reads (sample lines):
//   211-Features:                   first line: its text is no feature
//    EPSV                           a feature: one blank, then its name
//    MLST type*;size*;modify*;      a name with parameters
//    REST STREAM
//    AUTH TLS;SSL                   AUTH names the mechanisms it accepts
//   211 End
//   211-MDTM                        features written as continuation lines
//   211 no features                 a one-line reply: nothing supported
//   500 'FEAT': command not understood

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace korval::engine {

enum class ServerFeature : std::uint32_t {
  AuthTls = 1u << 0,
  Epsv = 1u << 1,
  Eprt = 1u << 2,
  Mlst = 1u << 3,
  Size = 1u << 4,
  Mdtm = 1u << 5,
  RestStream = 1u << 6,
  Utf8 = 1u << 7,
};

class ServerFeatures {
 public:
  // FEAT was answered with 211 (an empty list included).
  bool Answered() const { return answered_; }
  bool Has(ServerFeature feature) const { return (bits_ & static_cast<std::uint32_t>(feature)) != 0; }
  // The MLST facts as listed ("type*;size*;modify*;"), empty without MLST.
  const std::string& MlstFacts() const { return mlstFacts_; }

  void MarkAnswered() { answered_ = true; }
  void Add(ServerFeature feature) { bits_ |= static_cast<std::uint32_t>(feature); }
  void SetMlstFacts(std::string_view facts) { mlstFacts_ = std::string(facts); }
  // The names of the known features in a fixed order, blank-separated;
  // "none" when there are none.
  std::string Text() const;

 private:
  bool answered_ = false;
  std::uint32_t bits_ = 0;
  std::string mlstFacts_;
};

// The features of a whole FEAT reply, its lines as read (trailing CR LF
// removed). A reply not beginning with 211 answers nothing.
ServerFeatures ParseFeatureReply(const std::vector<std::string>& lines);

// Sends FEAT on the logged-on control connection, keeps what it lists in the
// session and logs it in one "[x]" line. A server that refuses FEAT leaves
// the session's features empty. Returns the reply class.
int ReadServerFeatures(int socket);

// The session's features (empty before FEAT and after a close).
const ServerFeatures& SessionFeatures();
bool ServerHasFeature(ServerFeature feature);

}  // namespace korval::engine
