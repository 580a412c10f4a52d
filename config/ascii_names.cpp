#include "config/ascii_names.h"

#include "config/ascii_extensions.h"
#include "config/program_files.h"

namespace korval::config {

bool IsAsciiName(std::string_view name) {
  // Read afresh at each use, so the list the user just edited applies.
  return AsciiExtensionList::Load(config::ProgramFiles().ExtensionsPath).Matches(name);
}

}  // namespace korval::config
