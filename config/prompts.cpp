#include "config/prompts.h"

#include <algorithm>
#include <cstdarg>
#include <optional>
#include <vector>

#include "config/program_settings.h"
#include "platform/host.h"
#include "platform/text.h"

namespace korval::config {

namespace {

constexpr int InitialChmodBits = 644;

struct PromptBuffers {
  std::string text = "input:";
  std::string answer;
  int helpContext = 0;
};
thread_local PromptBuffers buffers;
int chmodBits = InitialChmodBits;

enum class PromptKind { Text, Password, Choice };

// Runs one prompt on the formatted question; the answer is in PromptAnswer
// on OK.
int RunPrompt(PromptKind kind, const char* format, va_list arguments, const std::vector<std::string>& choices = {}) {
  buffers.text = platform::FormatTruncatedV(PromptTextCapacity, format, arguments);
  platform::Host& host = platform::CurrentHost();
  if (kind != PromptKind::Choice && BatchMode()) host.RestoreMainWindow();
  host.SetPromptHelpContext(buffers.helpContext);
  std::optional<std::string> answer;
  switch (kind) {
    case PromptKind::Text:
      answer = host.AskText(buffers.text, buffers.answer, PromptAnswerCapacity);
      break;
    case PromptKind::Password:
      answer = host.AskPasswordPreset(buffers.text, buffers.answer, PromptAnswerCapacity);
      break;
    case PromptKind::Choice:
      answer = host.AskChoice(buffers.text, buffers.answer, choices, PromptAnswerCapacity);
      break;
  }
  buffers.helpContext = 0;
  if (!answer) return 0;
  buffers.answer = platform::TruncateTo(*answer, PromptAnswerCapacity);
  return 1;
}

}  // namespace

std::string& PromptText() { return buffers.text; }
std::string& PromptAnswer() { return buffers.answer; }
int& PromptHelpContext() { return buffers.helpContext; }
int& ChmodBits() { return chmodBits; }

void ResetPrompts() {
  buffers = PromptBuffers{};
  chmodBits = InitialChmodBits;
}

int AskText(std::string* target, const char* format, ...) {
  buffers.answer = target ? platform::TruncateTo(*target, PromptAnswerCapacity) : std::string();
  va_list arguments;
  va_start(arguments, format);
  const int result = RunPrompt(PromptKind::Text, format, arguments);
  va_end(arguments);
  if (result == 1 && target) *target = buffers.answer;
  return result;
}

int AskPassword(std::string& target, const char* format, ...) {
  buffers.answer = platform::TruncateTo(target, PromptAnswerCapacity);
  va_list arguments;
  va_start(arguments, format);
  const int result = RunPrompt(PromptKind::Password, format, arguments);
  va_end(arguments);
  if (result == 1) target = buffers.answer;
  return result;
}

int AskChoiceOf(const std::vector<std::string>& choices, std::string_view preset, const char* format,
                va_list arguments) {
  buffers.answer = platform::TruncateTo(preset, PromptAnswerCapacity);
  return RunPrompt(PromptKind::Choice, format, arguments, choices);
}

ChmodBoxes ChmodBoxesFromBits(int bits) {
  const int digits[3] = {bits / 100 % 10, bits / 10 % 10, bits % 10};
  ChmodBoxes boxes{};
  for (int who = 0; who < 3; ++who) {
    boxes[who * 3 + 0] = (digits[who] & 4) != 0;
    boxes[who * 3 + 1] = (digits[who] & 2) != 0;
    boxes[who * 3 + 2] = (digits[who] & 1) != 0;
  }
  return boxes;
}

int ChmodBitsFromBoxes(const ChmodBoxes& boxes) {
  static constexpr int weights[9] = {400, 200, 100, 40, 20, 10, 4, 2, 1};
  int bits = 0;
  for (std::size_t i = 0; i < boxes.size(); ++i)
    if (boxes[i]) bits += weights[i];
  return bits;
}

}  // namespace korval::config
