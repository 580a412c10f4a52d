#include "config/program_settings.h"

namespace korval::config {

ProgramSettings& Settings() {
  static ProgramSettings settings;
  return settings;
}

bool& BatchMode() {
  static bool batchMode = false;
  return batchMode;
}

}  // namespace korval::config
