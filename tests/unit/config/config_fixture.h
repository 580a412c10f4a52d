#pragma once
// A configuration in a temporary directory: the three search locations point
// into it (working directory cwd/, the program bin/korval, the configuration
// directory xdg/korval, not yet created), KORVAL.INI is expected in the
// configuration directory, the settings and profiles are at their start-up
// values, and a scripted host answers the prompts.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "config/program_files.h"
#include "config/program_settings.h"
#include "config/session_profile.h"
#include "engine/message_log.h"
#include "platform/host.h"

namespace korval::testing {

class PromptScript : public platform::Host {
 public:
  struct Prompt {
    std::string Text;
    std::string Initial;
    std::size_t Capacity;
  };
  std::deque<std::optional<std::string>> Answers;  // nullopt is Cancel; Cancel when empty
  std::vector<Prompt> Prompts;

  std::optional<std::string> AskText(std::string_view prompt, std::string_view initial,
                                     std::size_t capacity) override {
    Prompts.push_back({std::string(prompt), std::string(initial), capacity});
    if (Answers.empty()) return std::nullopt;
    std::optional<std::string> answer = Answers.front();
    Answers.pop_front();
    return answer;
  }
};

class ConfigTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "korval-config-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
    std::filesystem::create_directories(root_ + "/cwd");
    std::filesystem::create_directories(root_ + "/bin");
    std::filesystem::create_directories(root_ + "/xdg");
    // Nothing in a test may reach the real ~/.config.
    ::setenv("XDG_CONFIG_HOME", (root_ + "/xdg").c_str(), 1);
    config::SetSearchLocations(config::SearchLocations{WorkingDirectory(), ProgramPath(), ConfigDirectory()});
    config::ProgramFiles() = config::ProgramFilePaths{};
    config::ProgramFiles().ConfigPath = ConfigDirectory() + "/KORVAL.INI";
    config::ResetProgramSettings();
    config::CurrentProfile() = config::SessionProfile{};
    config::ProfileDialogCopy() = config::SessionProfile{};
    engine::ResetMessageLog();
    platform::SetHost(&host_);
  }

  void TearDown() override {
    platform::SetHost(nullptr);
    config::SetSearchLocations(std::nullopt);
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }

  std::string WorkingDirectory() const { return root_ + "/cwd"; }
  std::string ProgramPath() const { return root_ + "/bin/korval"; }
  std::string ConfigDirectory() const { return root_ + "/xdg/korval"; }
  std::string Root() const { return root_; }
  const std::string& ConfigPath() const { return config::ProgramFiles().ConfigPath; }

  static void WriteFile(const std::string& path, const std::string& content) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream stream(path, std::ios::binary | std::ios::trunc);
    stream << content;
  }
  static std::string ReadFile(const std::string& path) {
    std::ifstream stream(path, std::ios::binary);
    std::ostringstream content;
    content << stream.rdbuf();
    return content.str();
  }
  void WriteConfig(const std::string& content) const { WriteFile(ConfigPath(), content); }
  std::string ConfigText() const { return ReadFile(ConfigPath()); }

  PromptScript host_;

 private:
  std::string root_;
};

}  // namespace korval::testing
