#pragma once
// The right-button menu: for a file list its entries follow the selection,
// for every other window it is the program's general menu; both end with the
// FTP Commands sub-menu. Built as plain data; the window turns it into a
// menu and sends the chosen entry's command id to the dispatcher.

#include <cstdint>
#include <string>
#include <vector>

namespace korval::ui::logic {

struct MenuItem {
  enum class Type { Command, Separator, Title, SubMenu };
  Type ItemType = Type::Command;
  std::string Text;
  int Id = 0;                     // the command of a Command entry
  bool Enabled = true;            // only the title is disabled
  std::vector<MenuItem> Entries;  // a sub-menu's entries
  friend bool operator==(const MenuItem&, const MenuItem&) = default;
};

enum class MenuWindow { LocalList, RemoteList, Other };

// `selected` is the list's selection count; `singleKind` the kind of the
// selected entry when exactly one is selected (ignored otherwise). The kind
// is the selected entry's, not the caret's: after a Ctrl+click the caret may
// stand on an entry that is not selected, and the menu would then name the
// wrong kind for what its entries act on.
std::vector<MenuItem> BuildContextMenu(MenuWindow window, int selected, std::int32_t singleKind);

// The FTP Commands entries, also shown in the menu bar.
std::vector<MenuItem> FtpCommandsMenu();

}  // namespace korval::ui::logic
