#include "config/program_settings.h"

#include "config/config_file.h"
#include "config/program_files.h"
#include "config/session_profile.h"
#include "platform/text.h"

namespace korval::config {

ProgramSettings& Settings() {
  static ProgramSettings settings;
  return settings;
}

void ResetProgramSettings() { Settings() = ProgramSettings{}; }

bool& BatchMode() {
  static bool batchMode = false;
  return batchMode;
}

void LoadGlobalSettings() {
  ProgramSettings& settings = Settings();
  settings.MailAddress = ReadConfigString("MAILADDR", DefaultMailAddress, MailAddressCapacity);

  SessionProfile& profile = CurrentProfile();
  ResetSessionProfile(profile);
  profile.Name = ReadConfigString("SESSION", "", SessionNameCapacity);
  LoadSessionProfile(profile);

  settings.Verbose = ReadConfigNumber("VERBOSE", settings.Verbose);
  settings.ShowTransferDialog = ReadConfigNumber("HASH", settings.ShowTransferDialog);
  settings.RatesInBytes = ReadConfigNumber("tranrate", 0);
  settings.AutoSave = ReadConfigNumber("AUTOSAVE", 0);
  settings.LongDirectory = ReadConfigNumber("LONGDIR", 1);
  settings.DoubleClick = ReadConfigNumber("DBLCLK", 0);
  settings.AutoStart = ReadConfigNumber("AUTOSTART", settings.AutoStart);
  settings.AlternateLayout = ReadConfigNumber("LAYOUT", 0);
  settings.ButtonsOnTop = ReadConfigNumber("BONTOP", 0);
  settings.HideDirButtons = ReadConfigNumber("HIDBTN", 0);
  settings.Font = ReadConfigNumber("FONT", 3);
  settings.ScaleFonts = ReadConfigNumber("SCALE", 0);
  settings.VerifyDelete = ReadConfigNumber("VRFYDEL", 1);

  // Kept as found: the Program Options dialog brings them into 80..4096.
  settings.ReceiveBlockSize = ReadConfigNumber("RBP", 4096);
  settings.SendBlockSize = ReadConfigNumber("SBP", 512);

  LoadSortSettings();
}

void LoadSortSettings() {
  Settings().LocalSort = ReadConfigNumber("LSORT", 1);
  Settings().RemoteSort = ReadConfigNumber("RSORT", 1);
}

void SaveSessionName() { WriteConfigString("SESSION", CurrentProfile().Name); }

void LoadSoundSettings() {
  ProgramSettings& settings = Settings();
  settings.UseWave = ReadConfigNumber("usewave", 1);
  std::string programPath = CurrentSearchLocations().ProgramPath;
  if (programPath.empty()) return;
  std::size_t slash = programPath.rfind('/');
  std::string directory = slash == std::string::npos ? std::string() : programPath.substr(0, slash + 1);
  auto readSound = [&](std::string_view key, std::string_view fileName) {
    std::string fallback = platform::TruncateTo(directory + std::string(fileName), SoundNameCapacity);
    return ReadConfigString(key, fallback, SoundNameCapacity);
  };
  settings.ConnectSound = readSound("wav_connect", "connect.wav");
  settings.CompleteSound = readSound("wav_complete", "complete.wav");
  settings.ErrorSound = readSound("wav_error", "error.wav");
}

std::string ReadViewerCommand() { return ReadConfigString("VIEWER", "xdg-open", ViewerCapacity); }

int ReadTransferLogEnabled() { return ReadConfigNumber("dolog", 1); }

std::string ReadTransferLogName() { return ReadConfigString("logfile", "KORVAL.LOG", LogFileCapacity); }

CustomFontSettings ReadCustomFontSettings() {
  CustomFontSettings font;
  font.Height = ReadConfigNumber("FHEIGHT", font.Height);
  font.Width = ReadConfigNumber("FWIDTH", font.Width);
  font.Weight = ReadConfigNumber("FWEIGHT", font.Weight);
  font.PitchAndFamily = ReadConfigNumber("FPITCH", font.PitchAndFamily);
  font.FaceName = ReadConfigString("FNAME", font.FaceName, FontNameCapacity);
  return font;
}

}  // namespace korval::config
