#include "config/session_profile.h"

namespace korval::config {

SessionProfile& CurrentProfile() {
  static SessionProfile profile;
  return profile;
}

SessionProfile& ProfileDialogCopy() {
  static SessionProfile profile;
  return profile;
}

}  // namespace korval::config
