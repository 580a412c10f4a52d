#pragma once
// What the listing parser and the remote pane's add operations read from the
// session and the settings. The caller fills it: HostType from the session,
// VLINK and LONGDIR from the program settings, RMASK and UID from the current
// profile, the remote directory from PWD, the ASCII list from "KORVAL.EXT".

#include <cstdint>
#include <optional>
#include <string>

#include "config/ascii_extensions.h"
#include "listing/listing_clock.h"

namespace korval::listing {

class PaneList;

struct ListingOptions {
  std::uint32_t HostType = 6000;    // the rule set; unknown numbers read as UNIX
  bool VLink = true;                // VLINK: symbolic links shown as directories
  bool LongDir = true;              // LONGDIR: display texts carry the information text
  std::string RemoteMask;           // RMASK: a mask with '*' or '?' filters file entries
  std::string RemoteDir;  // the directory PWD reported (VMS and VM names lose it)
  std::string UserId;               // UID: KNET names lose "UID."
  // Decides kind 1; without a list no file is of kind 1.
  const config::AsciiExtensionList* AsciiExtensions = nullptr;
  // The date for the year rule; unset means ListingToday() at the start of a parse.
  std::optional<CalendarDate> Today;
};

// One parse: the pane it fills, the options and the date it runs with.
struct ListingContext {
  ListingContext(PaneList& pane, const ListingOptions& options, CalendarDate today)
      : Pane(pane), Options(options), Today(today) {}
  PaneList& Pane;
  const ListingOptions& Options;
  CalendarDate Today;
  // A line held for the line that continues it (a VMS name alone on its
  // line, its attributes on the next); the parse hands it on at the end.
  mutable std::string HeldLine;
};

}  // namespace korval::listing
