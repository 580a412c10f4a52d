#pragma once
// The directory prompt with a drop-down list of the remote directories the
// listing cache holds.

#include <string_view>

namespace korval::operations {

// Presets `preset` and offers the cached remote directories, oldest first;
// 1 for OK with the answer in PromptAnswer, 0 for Cancel.
int AskChoice(std::string_view preset, const char* format, ...) __attribute__((format(printf, 2, 3)));

}  // namespace korval::operations
