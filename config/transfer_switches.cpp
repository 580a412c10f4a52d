#include "config/transfer_switches.h"

#include "config/program_settings.h"

namespace korval::config {

namespace {
thread_local TransferSwitches* ownSwitches = nullptr;
}  // namespace

TransferSwitches CurrentTransferSwitches() {
  if (ownSwitches) return *ownSwitches;
  const ProgramSettings& settings = Settings();
  TransferSwitches switches;
  switches.ShowTransferDialog = settings.ShowTransferDialog;
  switches.Bell = settings.Bell;
  switches.PromptForNames = settings.PromptForNames;
  switches.Mode = settings.Mode;
  switches.AutoMode = settings.AutoMode;
  return switches;
}

bool SetTransferMode(char letter) {
  if (ownSwitches) {
    ownSwitches->Mode = letter;
    return false;
  }
  Settings().Mode = letter;
  return true;
}

OwnTransferSwitches::OwnTransferSwitches() : OwnTransferSwitches(CurrentTransferSwitches()) {}

OwnTransferSwitches::OwnTransferSwitches(const TransferSwitches& start) : switches_(start), outer_(ownSwitches) {
  ownSwitches = &switches_;
}

OwnTransferSwitches::~OwnTransferSwitches() { ownSwitches = outer_; }

}  // namespace korval::config
