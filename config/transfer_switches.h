#pragma once
// HASH, BELL, PROMPT, MODE and AMODE as the calling thread's transfers see
// them. A thread that changes them for its own transfers (a selection
// worker, a tree walk inside it, a listing, a viewed file) works on a copy it
// owns for the life of an OwnTransferSwitches, so the shared settings, which
// the Options dialog shows and saves, never change under the user. Without a
// copy of its own a thread reads and writes the shared settings.

namespace korval::config {

struct TransferSwitches {
  int ShowTransferDialog = 1;  // HASH
  int Bell = 1;                // BELL
  int PromptForNames = 0;      // PROMPT
  char Mode = 'I';             // MODE
  int AutoMode = 0;            // AMODE
};

// The calling thread's switches: its own copy, else the shared settings'.
TransferSwitches CurrentTransferSwitches();
// MODE as Auto mode chose it for the next transfer: the thread's copy when
// it has one (false), else the shared setting (true: the mode buttons show
// the change).
bool SetTransferMode(char letter);

// The calling thread's own copy while it lives, starting as `start` (by
// default what the thread saw before); nested copies restore the outer one.
class OwnTransferSwitches {
 public:
  OwnTransferSwitches();
  explicit OwnTransferSwitches(const TransferSwitches& start);
  ~OwnTransferSwitches();
  OwnTransferSwitches(const OwnTransferSwitches&) = delete;
  OwnTransferSwitches& operator=(const OwnTransferSwitches&) = delete;

  TransferSwitches& Switches() { return switches_; }

 private:
  TransferSwitches switches_;
  TransferSwitches* outer_;
};

}  // namespace korval::config
