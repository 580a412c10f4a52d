#include "listing/listing_clock.h"

#include <ctime>
#include <mutex>

namespace korval::listing {

namespace {
std::mutex clockMutex;
std::optional<CalendarDate> setDate;
}  // namespace

CalendarDate ListingToday() {
  {
    std::lock_guard<std::mutex> lock(clockMutex);
    if (setDate) return *setDate;
  }
  std::time_t now = std::time(nullptr);
  std::tm local{};
  if (localtime_r(&now, &local) == nullptr) return CalendarDate{};
  return CalendarDate{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

void SetListingToday(std::optional<CalendarDate> date) {
  std::lock_guard<std::mutex> lock(clockMutex);
  setDate = date;
}

}  // namespace korval::listing
