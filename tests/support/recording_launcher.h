#pragma once
// Records the programs View, Execute and DirInfo would start, instead of
// starting them; any thread may start one while it is installed.

#include <mutex>
#include <string>
#include <vector>

#include "platform/proc.h"

namespace korval::testing {

class RecordingLauncher {
 public:
  RecordingLauncher() {
    platform::SetProgramLauncher([this](const std::vector<std::string>& arguments, platform::ProgramWait) {
      std::lock_guard lock(mutex_);
      started_.push_back(arguments);
      return 0;
    });
  }
  ~RecordingLauncher() { platform::SetProgramLauncher(nullptr); }
  RecordingLauncher(const RecordingLauncher&) = delete;
  RecordingLauncher& operator=(const RecordingLauncher&) = delete;

  std::vector<std::vector<std::string>> Started() const {
    std::lock_guard lock(mutex_);
    return started_;
  }

 private:
  mutable std::mutex mutex_;
  std::vector<std::vector<std::string>> started_;
};

}  // namespace korval::testing
