#pragma once
// The date the line builders take as "today" when a listing shows a time of
// day instead of a year. Tests set it; otherwise it is the local date.

#include <optional>

namespace korval::listing {

struct CalendarDate {
  int Year = 1970;  // four digits
  int Month = 1;    // 1-12
  int Day = 1;      // 1-31
};

// The set date, or the local date of the system clock.
CalendarDate ListingToday();
// Sets (or, with an empty value, releases) the date ListingToday() returns.
void SetListingToday(std::optional<CalendarDate> date);

}  // namespace korval::listing
