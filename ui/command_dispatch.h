#pragma once
// The main window's command table: every button, key, menu entry and posted
// command that is not the window's own ends here as its id and runs its
// operation, under the rules of logic::TraitsOfCommand (the worker guard,
// the mask read).

#include <string>

#include "platform/host.h"

namespace korval::ui {

class MainWindow;

// Runs command `commandId`; ids of no command do nothing.
void DispatchCommand(MainWindow& window, int commandId);

// A directory chosen or typed in a pane's directory box.
void ChooseDirectoryFromBox(platform::PaneSide side, const std::string& text);

}  // namespace korval::ui
