#include "operations/choice_prompt.h"

#include <cstdarg>
#include <string>
#include <vector>

#include "config/prompts.h"
#include "listing/listing_cache.h"

namespace korval::operations {

int AskChoice(std::string_view preset, const char* format, ...) {
  std::vector<std::string> choices;
  for (const listing::CachedListing& cached : listing::CachedListings()) choices.push_back(cached.Directory);
  va_list arguments;
  va_start(arguments, format);
  const int result = config::AskChoiceOf(choices, preset, format, arguments);
  va_end(arguments);
  return result;
}

}  // namespace korval::operations
