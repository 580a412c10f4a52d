#pragma once
// The prompt family through which every part of the program asks for a line
// of text (a plain prompt, a password prompt and a prompt with a drop-down
// list of choices), and the bits of the remote file permissions dialog. The
// choice prompt over the cached directories and the chmod command are in
// operations/.
//
// The question is formatted into PromptText, the answer comes back in
// PromptAnswer (at most PromptAnswerCapacity characters), and PromptHelpContext names the help
// topic of the next prompt; each prompt sets it back to 0 when it closes.
// The buffers belong to the calling thread, so a prompt of a worker thread
// and one of the window thread never share them.

#include <array>
#include <cstddef>
#include <cstdarg>
#include <string>
#include <string_view>
#include <vector>

namespace korval::config {

constexpr std::size_t PromptTextCapacity = 511;
// Room for an answer or a preset: a whole path or a remote name of 255
// bytes, never cut to another name.
constexpr std::size_t PromptAnswerCapacity = 1024;

// Help topics of the prompts and dialogs of this module.
constexpr int CommandLineHelpContext = 145;  // "Enter command line:"
constexpr int MailAddressHelpContext = 270;  // "Enter your e-mail address:"
constexpr int ChmodHelpContext = 700;

std::string& PromptText();    // initially "input:"
std::string& PromptAnswer();
int& PromptHelpContext();
// The permissions the chmod dialog chose last, as three octal digits written
// as a decimal number (owner, group, other); initially 644.
int& ChmodBits();

// The three prompts: 1 for OK, 0 for Cancel. AskText presets the answer from
// `target` (empty without one) and on OK copies it there; AskPassword needs
// its target; AskChoiceOf presets `preset` and offers `choices`, leaving the
// answer in PromptAnswer. During a command-line transfer AskText and
// AskPassword bring the main window up first.
int AskText(std::string* target, const char* format, ...) __attribute__((format(printf, 2, 3)));
int AskPassword(std::string& target, const char* format, ...) __attribute__((format(printf, 2, 3)));
int AskChoiceOf(const std::vector<std::string>& choices, std::string_view preset, const char* format,
                va_list arguments) __attribute__((format(printf, 3, 0)));

// The nine check boxes of the chmod dialog: Read, Write, Execute for owner,
// group and other, in that order (controls 1880, 2422, 2423, 1881, 2424,
// 2425, 1882, 2426, 2427).
using ChmodBoxes = std::array<bool, 9>;
ChmodBoxes ChmodBoxesFromBits(int bits);
// 400, 200, 100 for the owner's boxes, 40, 20, 10 for the group's, 4, 2, 1
// for the others'.
int ChmodBitsFromBoxes(const ChmodBoxes& boxes);

// Back to the start-up state (this thread's buffers, ChmodBits 644), for tests.
void ResetPrompts();

}  // namespace korval::config
