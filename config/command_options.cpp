#include "config/command_options.h"

#include "config/program_files.h"
#include "config/program_identity.h"
#include "config/program_settings.h"
#include "config/session_profile.h"
#include "platform/host.h"
#include "platform/text.h"

namespace korval::config {

const char* const UsageText =
    "Syntax: KORVAL [args] host:full_path [local:full_path]\n"
    "        KORVAL [args] local:full_path host:full_path\n"
    "        KORVAL [args] -ask\n"
    "        [args] = -i inifile\n"
    "                 -p profile\n"
    "                 -u userid\n"
    "                 -w password\n"
    "                 -c account\n"
    "                 -s source\n"
    "                 -d destination\n"
    "                 -t fingerprint\n"
    "                 -quiet\n"
    "                 -ascii\n"
    "                 -binary\n"
    "                 -v";

namespace {

// -p and -i replace the profile whole, so what -u, -w and -c set before is gone.
void ForgetProfileOptions() {
  Batch().ProfileNamed = false;
  Batch().UserOption.reset();
  Batch().PasswordOption.reset();
  Batch().AccountOption.reset();
}

std::size_t SkipWord(std::string_view text, std::size_t position) {
  while (position < text.size() && text[position] != ' ') ++position;
  while (position < text.size() && text[position] == ' ') ++position;
  return position;
}

}  // namespace

BatchRequest& Batch() {
  static BatchRequest request;
  return request;
}

void ResetBatchRequest() { Batch() = BatchRequest{}; }

std::size_t NextWord(std::string_view text, std::size_t position, std::string& target, std::size_t capacity) {
  position = SkipWord(text, position);
  std::size_t start = position;
  while (position < text.size() && text[position] != ' ') ++position;
  target = platform::TruncateTo(text.substr(start, position - start), capacity);
  while (position < text.size() && text[position] == ' ') ++position;
  return position;
}

std::optional<std::string> ParseCommandOptions(std::string_view commandLine) {
  LoadGlobalSettings();
  std::string text(commandLine);
  std::size_t position = 0;
  SessionProfile& profile = CurrentProfile();
  while (position < text.size() && text[position] == '-') {
    const char option = position + 1 < text.size() ? text[position + 1] : '\0';
    switch (option) {
      case 'a':
        if (position + 3 < text.size() && text[position + 3] == 'k') {  // -ask
          std::optional<std::string> answer =
              platform::CurrentHost().AskText("Enter command line:", "", PromptAnswerCapacity);
          if (answer) {
            text = *answer;
            position = 0;
            while (position < text.size() && text[position] == ' ') ++position;
          } else {
            position = SkipWord(text, position);
          }
        } else {  // -ascii
          Settings().Mode = 'A';
          position = SkipWord(text, position);
        }
        break;
      case 'b':
        Settings().Mode = 'I';
        position = SkipWord(text, position);
        break;
      case 'c':
        position = NextWord(text, position, profile.Account, SessionProfile::AccountCapacity);
        Batch().AccountOption = profile.Account;
        break;
      case 'd':
        position = NextWord(text, position, Batch().Destination, BatchArgumentCapacity);
        break;
      case 'i':
        position = NextWord(text, position, ProgramFiles().ConfigPath, ConfigPathCapacity);
        ProgramFiles().ConfigPath = PathFromWorkingDirectory(ProgramFiles().ConfigPath);
        LoadGlobalSettings();
        ForgetProfileOptions();
        break;
      case 'p': {
        std::string name;
        position = NextWord(text, position, name, SessionProfile::NameCapacity);
        ResetSessionProfile(profile);
        profile.Name = name;
        LoadSessionProfile(profile);
        ForgetProfileOptions();
        Batch().ProfileNamed = true;
        break;
      }
      case 'q':
        Batch().QuietMode = true;
        position = SkipWord(text, position);
        break;
      case 's':
        position = NextWord(text, position, Batch().Source, BatchArgumentCapacity);
        BatchMode() = true;
        break;
      case 't': {
        std::string fingerprint;
        position = NextWord(text, position, fingerprint, BatchArgumentCapacity);
        Batch().TrustedFingerprint = fingerprint;
        break;
      }
      case 'v':
        Batch().Verbose = true;
        position = SkipWord(text, position);
        break;
      case 'u': {
        std::string user;
        position = NextWord(text, position, user, SessionProfile::UserCapacity);
        // A profile's password belongs to its own user, never to another.
        if (user != profile.User && !Batch().PasswordOption) profile.Password.clear();
        profile.User = user;
        Batch().UserOption = user;
        break;
      }
      case 'w':
        position = NextWord(text, position, profile.Password, SessionProfile::PasswordCapacity);
        Batch().PasswordOption = profile.Password;
        break;
      default: {
        std::string message = "Unknown arguments " + text.substr(position);
        platform::CurrentHost().ShowMessage(message + "\n\n" + UsageText, ProgramTitle);
        return std::nullopt;
      }
    }
  }
  return text.substr(position);
}

}  // namespace korval::config
