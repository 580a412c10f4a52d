#pragma once
// The program settings of section "_config_" in KORVAL.INI: one process-wide
// record, read at start-up (LoadGlobalSettings) and changed by the options
// dialogs. The member initialisers are the values before any load; the load
// replaces most of them. The keys marked "profile override" may also stand in
// a profile section, whose value wins when that profile is loaded.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace korval::config {

constexpr std::size_t MailAddressCapacity = 127;
constexpr std::size_t SessionNameCapacity = 79;
constexpr std::size_t SoundNameCapacity = 255;
constexpr std::size_t ViewerCapacity = 119;
constexpr std::size_t LogFileCapacity = 155;
constexpr std::size_t FontNameCapacity = 31;
constexpr std::size_t WindowLocationCapacity = 80;

// MAILADDR when the file has none: the anonymous password.
inline constexpr std::string_view DefaultMailAddress = "korval@";

struct ProgramSettings {
  char Mode = 'I';             // MODE, stored as 65/73/76: 'A' ASCII, 'I' binary, 'L' L8 (profile override)
  int AutoMode = 0;            // AMODE: Auto Detect transfer mode (profile override)
  int Bell = 1;                // BELL: sounds on, beeps or waves (profile override)
  int ShowTransferDialog = 1;  // HASH: transfer status dialog during transfers
  int PromptForNames = 0;      // PROMPT: ask for destination file names (profile override)
  int ReceiveUnique = 0;       // RECU: local name chosen by the client (profile override)
  int SendUnique = 0;          // STOU: send with STOU (profile override)
  int Verbose = 0;             // VERBOSE: show the "["-tagged diagnostic lines
  int AutoSave = 0;            // AUTOSAVE: save the profile when the profile dialog ends with OK
  int AutoUpdate = 1;          // DOUPDATE: list the remote directory again after changes (profile override)
  int SortListBoxes = 0;       // SORTLBX: list-box sorting (profile override)
  int Font = 3;                // FONT: 0 system variable, 1 system fixed, 2 ANSI variable, 3 ANSI fixed, 4 custom
  int ScaleFonts = 0;          // SCALE
  int LinksAsDirectories = 1;  // VLINK: show symbolic links as directories (profile override)
  int DoubleClick = 0;         // DBLCLK: 0 transfer, 1 view, 2 nothing
  int AutoStart = 1;           // AUTOSTART: open the Session Profile dialog at start-up
  int AlternateLayout = 0;     // LAYOUT
  int ButtonsOnTop = 0;        // BONTOP
  int VerifyDelete = 1;        // VRFYDEL: ask before deleting
  int ConvertExtensions = 0;   // CONVEXT: extension conversion on transfer (profile override)
  int ForceLowerCase = 0;      // FORCLOW: lower-case local names and names sent (profile override)
  int UseWave = 1;             // usewave: wave files instead of beeps (profile override)
  int LongDirectory = 0;       // LONGDIR: full directory information in the panes (file default 1)
  int SendBlockSize = 512;     // SBP, bytes
  int ReceiveBlockSize = 4000; // RBP, bytes (file default 4096)
  int RatesInBytes = 0;        // tranrate: rates in bytes per second (1) or bits per second (0)
  int HideDirButtons = 0;      // HIDBTN: hide the directory buttons under the panes
  int LocalSort = 0;           // LSORT: bits 0-2 kind (0 none, 1 name, 2 extension, 3 date, 4 size), 8 reverse
  int RemoteSort = 0;          // RSORT: same encoding

  std::string MailAddress;     // MAILADDR, the anonymous password
  std::string ConnectSound;    // wav_connect
  std::string CompleteSound;   // wav_complete
  std::string ErrorSound;      // wav_error
};

ProgramSettings& Settings();
// Back to the values before any load, for tests.
void ResetProgramSettings();

// Set while a command-line transfer runs: every logged line is then also
// appended to "xferlog.txt" in the current directory.
bool& BatchMode();

// The start-up load: MAILADDR, the profile named by SESSION (which applies its
// overrides of the settings), the other global keys, then the sort orders.
void LoadGlobalSettings();
// LSORT and RSORT, default 1.
void LoadSortSettings();
// SESSION = the current profile's name; when the main window closes.
void SaveSessionName();
// usewave and the three sound files, whose defaults lie beside the program.
void LoadSoundSettings();

// The settings read at each use.
std::string ReadViewerCommand();   // VIEWER, default "xdg-open"
int ReadTransferLogEnabled();      // dolog, default 1
std::string ReadTransferLogName(); // logfile, default "KORVAL.LOG"

// The custom list font: FHEIGHT, FWIDTH, FWEIGHT, FPITCH, FNAME.
struct CustomFontSettings {
  std::int32_t Height = -11;
  std::int32_t Width = 0;
  std::int32_t Weight = 400;
  std::int32_t PitchAndFamily = 49;
  std::string FaceName = "Courier New";
};
CustomFontSettings ReadCustomFontSettings();

// The main window's place when LOC is absent.
constexpr int DefaultWindowLeft = 10;
constexpr int DefaultWindowTop = 10;
constexpr int DefaultWindowWidth = 500;
constexpr int DefaultWindowHeight = 440;

}  // namespace korval::config
