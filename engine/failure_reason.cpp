#include "engine/failure_reason.h"

#include <cstring>
#include <mutex>

#include "platform/text.h"

namespace korval::engine {

namespace {

constexpr std::size_t ReasonCapacity = 1023;

std::mutex reasonMutex;
std::string latestReason;
std::string localFileReason;

}  // namespace

void ClearFailureReason() {
  std::lock_guard<std::mutex> lock(reasonMutex);
  latestReason.clear();
  localFileReason.clear();
}

void NoteFailureReason(std::string_view reason) {
  std::lock_guard<std::mutex> lock(reasonMutex);
  latestReason = platform::TruncateTo(reason, ReasonCapacity);
}

void NoteLocalFileFailure(std::string_view action, std::string_view path, int error) {
  char buffer[256];
  // The GNU strerror_r returns its text, which need not be in the buffer.
  const char* text = ::strerror_r(error, buffer, sizeof buffer);
  std::string reason = "cannot " + std::string(action) + " " + std::string(path) + ": " + text;
  std::lock_guard<std::mutex> lock(reasonMutex);
  if (localFileReason.empty()) localFileReason = platform::TruncateTo(reason, ReasonCapacity);
}

std::string FailureReason() {
  std::lock_guard<std::mutex> lock(reasonMutex);
  return localFileReason.empty() ? latestReason : localFileReason;
}

}  // namespace korval::engine
