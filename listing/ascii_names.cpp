#include "listing/ascii_names.h"

#include "config/program_files.h"
#include "listing/ascii_extensions.h"

namespace korval::listing {

bool IsAsciiName(std::string_view name) {
  // Read afresh at each use, so the list the user just edited applies.
  return AsciiExtensionList::Load(config::ProgramFiles().ExtensionsPath).Matches(name);
}

}  // namespace korval::listing
