#pragma once
// The listing rule sets of the host types whose lines carry no date to
// normalise. Each reads one listing line (and may change it) and adds zero,
// one or two entries to the context's pane; lines that fit no rule are
// dropped without a message.

#include <string>

#include "listing/listing_options.h"

namespace korval::listing {

void ApplyFirstWordRules(std::string& line, const ListingContext& context);   // 6001, 6006, 6008, 6032, 6037, 6038
void ApplyDirsRules(std::string& line, const ListingContext& context);        // 6003, 6025, 6002 (cut at 30)
void ApplyTwoColumnRules(std::string& line, const ListingContext& context);   // 6005
void ApplySiNtRules(std::string& line, const ListingContext& context);        // 6007
void ApplyVmsRules(std::string& line, const ListingContext& context);         // 6011, 6012, 6019
void ApplyBareNameRules(std::string& line, const ListingContext& context);    // 6013 (first word), 6014
void ApplyPeterRules(std::string& line, const ListingContext& context);       // 6015
void ApplyAs400Rules(std::string& line, const ListingContext& context);       // 6017
void ApplyMvsRules(std::string& line, const ListingContext& context);         // 6018
void ApplyOs9Rules(std::string& line, const ListingContext& context);         // 6021
void ApplyGcosRules(std::string& line, const ListingContext& context);        // 6023
void ApplyKnetRules(std::string& line, const ListingContext& context);        // 6024
void ApplyCyberRules(std::string& line, const ListingContext& context);       // 6026
void ApplyR1000Rules(std::string& line, const ListingContext& context);       // 6027
void ApplyCp6Rules(std::string& line, const ListingContext& context);         // 6028
void ApplySpartacusRules(std::string& line, const ListingContext& context);   // 6029
void ApplyTandemRules(std::string& line, const ListingContext& context);      // 6030
void ApplyVosRules(std::string& line, const ListingContext& context);         // 6031

// The Stratus VOS listing's current section. It lasts from line to line and
// from one parse to the next; every retrieval clears it before a listing is
// used (ClearVosSectionState).
struct VosSectionState {
  bool Files = false;
  bool Directories = false;
  bool Links = false;
};

VosSectionState& TheVosSectionState();
void ClearVosSectionState();

}  // namespace korval::listing
