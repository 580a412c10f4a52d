#include "ui/logic/command_rules.h"

#include <array>

namespace korval::ui::logic {

namespace {

struct AltLetter {
  char Letter;
  int Command;
};
constexpr std::array<AltLetter, 9> AltLetters = {{{'a', 9037},
                                                  {'c', 9000},
                                                  {'h', 9041},
                                                  {'l', 9047},
                                                  {'n', 9033},
                                                  {'o', 5130},
                                                  {'r', 940},
                                                  {'s', 939},
                                                  {'x', 9042}}};

}  // namespace

std::optional<int> AcceleratorCommand(AcceleratorKey key, std::optional<ControlKind> focused) {
  if (key.Alt) {
    const char letter = (key.Character >= 'A' && key.Character <= 'Z') ? static_cast<char>(key.Character + 32)
                                                                      : key.Character;
    for (const AltLetter& entry : AltLetters)
      if (entry.Letter == letter) return entry.Command;
    return std::nullopt;
  }
  if (focused == ControlKind::MaskField) return std::nullopt;
  if (key.Character == '<') return 940;
  if (key.Character == '>') return 939;
  return std::nullopt;
}

CommandTraits TraitsOfCommand(int id) {
  CommandTraits traits;
  switch (id) {
    case 933:
    case 943:
      traits.ReadsLocalMask = true;
      break;
    case 934:
    case 944:
      traits = {true, false, true, true};
      break;
    case 936:
    case 938:
    case 946:
    case 948:
    case 969:
      traits.WorkerGuard = true;
      break;
    case 939:
    case 940:
    case 942:
    case 9046:
      traits.WorkerGuard = true;
      traits.ArrowCursor = true;
      break;
    case 941:
    case 9045:
      traits.ArrowCursor = true;
      break;
    default:
      break;
  }
  return traits;
}

bool AbortsBusyConnection(int id) { return id == 9032 || id == 9042 || id == 1321 || id == 1600; }

DoubleClickAction DoubleClickActionFor(bool entryOpened, int doubleClickSetting) {
  if (entryOpened || doubleClickSetting == 2) return DoubleClickAction::UpdateButtons;
  return doubleClickSetting == 1 ? DoubleClickAction::View : DoubleClickAction::Transfer;
}

int RefreshCommandForFocus(int focusedSlot) {
  const bool local = focusedSlot == slot::LocalFileList || focusedSlot == slot::LocalDirectoryBox ||
                     (focusedSlot >= slot::FirstLocalPaneButton &&
                      focusedSlot < slot::FirstLocalPaneButton + slot::PaneButtonCount);
  return local ? 943 : 944;
}

ModeButtonStates ModeButtonStatesFor(char mode, bool autoMode) {
  return {mode == 'A', mode == 'I' || mode == 'L', autoMode};
}

}  // namespace korval::ui::logic
