#include "ui/logic/context_menu.h"

#include "listing/listing_entry.h"

namespace korval::ui::logic {

namespace {

MenuItem Command(std::string text, int id) { return {MenuItem::Type::Command, std::move(text), id, true, {}}; }
MenuItem Separator() { return {MenuItem::Type::Separator, "", 0, true, {}}; }
MenuItem SubMenu(std::string text, std::vector<MenuItem> entries) {
  return {MenuItem::Type::SubMenu, std::move(text), 0, true, std::move(entries)};
}

void FileListEntries(std::vector<MenuItem>& menu, bool remote, int n, std::int32_t singleKind) {
  const std::int32_t kind = n == 1 ? singleKind : 0;
  const bool directory = kind == listing::DirectoryKind;
  auto id = [remote](int local, int remoteId) { return remote ? remoteId : local; };
  menu.push_back(Command("Sort...", id(964, 965)));
  menu.push_back(Separator());
  menu.push_back(Command(directory ? "Change Directory" : "Change Directory...", id(933, 934)));
  menu.push_back(Command("Make Directory...", id(935, 936)));
  menu.push_back(Command(directory ? "Delete Directory" : "Delete Directory...", id(937, 938)));
  if (directory) {
    menu.push_back(Command("Transfer Directory", id(939, 940)));
  } else {
    menu.push_back(Separator());
    menu.push_back(Command(n >= 2 ? "Transfer files" : n == 1 ? "Transfer file" : "Transfer file...", id(939, 940)));
    if (n == 1) {
      menu.push_back(Command("View file", id(941, 942)));
      if (remote) menu.push_back(Command("Edit file", 967));
      menu.push_back(Command("Execute file", id(9045, 9046)));
    }
  }
  if (n > 0) {
    menu.push_back(Command(directory ? "Rename Directory..." : "Rename files...", id(947, 948)));
    menu.push_back(Command(directory ? "Move Directory..." : "Move files...", id(968, 969)));
    if (!directory) menu.push_back(Command("Delete files", id(945, 946)));
    if (remote) menu.push_back(Command("chmod (UNIX)", 966));
  }
  menu.push_back(Separator());
  menu.push_back(Command("Refresh list", id(943, 944)));
  menu.push_back(Command("Directory list", id(949, 950)));
}

void GeneralEntries(std::vector<MenuItem>& menu) {
  menu.push_back({MenuItem::Type::Title, "FTP Menu", 0, false, {}});
  menu.push_back(Separator());
  menu.push_back(SubMenu("&Connection", {Command("&Connect", 1320), Command("C&lose", 1321), Separator(),
                                         Command("E&xit", 9042)}));
  menu.push_back(Command("&Associate...", 1601));
  menu.push_back(Command("&Options...", 9036));
  menu.push_back(Command("&Show log...", 5557));
  menu.push_back(Command("&Help", 9041));
  menu.push_back(Command("A&bout", 1500));
}

}  // namespace

std::vector<MenuItem> FtpCommandsMenu() {
  return {Command("CWD", 1301),  Command("PWD", 1309),   Command("HELP", 1303), Command("SYST", 1304),
          Command("SITE", 1305), Command("QUOTE", 1310), Separator(),           Command("LIST", 1306),
          Command("NLST", 1308), Separator(),            Command("RETR", 1311), Command("STOR", 1314)};
}

std::vector<MenuItem> BuildContextMenu(MenuWindow window, int selected, std::int32_t singleKind) {
  std::vector<MenuItem> menu;
  if (window == MenuWindow::Other)
    GeneralEntries(menu);
  else
    FileListEntries(menu, window == MenuWindow::RemoteList, selected, singleKind);
  menu.push_back(Separator());
  menu.push_back(SubMenu("&FTP Commands", FtpCommandsMenu()));
  return menu;
}

}  // namespace korval::ui::logic
