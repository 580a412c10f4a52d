// The right-button menus, read back as lines "text=id", "-" for a separator,
// "(title)" for the disabled title and "[sub-menu]" for a sub-menu.

#include "ui/logic/context_menu.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "listing/listing_entry.h"

namespace korval::ui::logic {
namespace {

std::vector<std::string> Lines(const std::vector<MenuItem>& menu) {
  std::vector<std::string> lines;
  for (const MenuItem& item : menu) {
    switch (item.ItemType) {
      case MenuItem::Type::Separator: lines.push_back("-"); break;
      case MenuItem::Type::Title:
        EXPECT_FALSE(item.Enabled);
        lines.push_back("(" + item.Text + ")");
        break;
      case MenuItem::Type::SubMenu: lines.push_back("[" + item.Text + "]"); break;
      case MenuItem::Type::Command:
        EXPECT_TRUE(item.Enabled) << item.Text;
        lines.push_back(item.Text + "=" + std::to_string(item.Id));
        break;
    }
  }
  return lines;
}

using listing::DirectoryKind;
using listing::FileKind;
using listing::LinkKind;

TEST(BuildContextMenu, FileListEntriesFollowTheSelection) {
  using L = std::vector<std::string>;
  const L tail = {"-", "Refresh list=943", "Directory list=949", "-", "[&FTP Commands]"};
  const L remoteTail = {"-", "Refresh list=944", "Directory list=950", "-", "[&FTP Commands]"};
  auto with = [](L head, const L& end) {
    head.insert(head.end(), end.begin(), end.end());
    return head;
  };
  struct Case {
    const char* name;
    MenuWindow window;
    int selected;
    std::int32_t kind;
    L expected;
  } cases[] = {
      {"local, nothing selected", MenuWindow::LocalList, 0, FileKind,
       with({"Sort...=964", "-", "Change Directory...=933", "Make Directory...=935", "Delete Directory...=937", "-",
             "Transfer file...=939"},
            tail)},
      {"local, one file", MenuWindow::LocalList, 1, FileKind,
       with({"Sort...=964", "-", "Change Directory...=933", "Make Directory...=935", "Delete Directory...=937", "-",
             "Transfer file=939", "View file=941", "Execute file=9045", "Rename files...=947", "Move files...=968",
             "Delete files=945"},
            tail)},
      {"local, one directory", MenuWindow::LocalList, 1, DirectoryKind,
       with({"Sort...=964", "-", "Change Directory=933", "Make Directory...=935", "Delete Directory=937",
             "Transfer Directory=939", "Rename Directory...=947", "Move Directory...=968"},
            tail)},
      {"remote, one file", MenuWindow::RemoteList, 1, FileKind,
       with({"Sort...=965", "-", "Change Directory...=934", "Make Directory...=936", "Delete Directory...=938", "-",
             "Transfer file=940", "View file=942", "Edit file=967", "Execute file=9046", "Rename files...=948",
             "Move files...=969", "Delete files=946", "chmod (UNIX)=966"},
            remoteTail)},
      {"remote, one directory", MenuWindow::RemoteList, 1, DirectoryKind,
       with({"Sort...=965", "-", "Change Directory=934", "Make Directory...=936", "Delete Directory=938",
             "Transfer Directory=940", "Rename Directory...=948", "Move Directory...=969", "chmod (UNIX)=966"},
            remoteTail)},
      {"remote, a link counts as a file", MenuWindow::RemoteList, 1, LinkKind,
       with({"Sort...=965", "-", "Change Directory...=934", "Make Directory...=936", "Delete Directory...=938", "-",
             "Transfer file=940", "View file=942", "Edit file=967", "Execute file=9046", "Rename files...=948",
             "Move files...=969", "Delete files=946", "chmod (UNIX)=966"},
            remoteTail)},
      // With several selected the kind passed is ignored, even a directory's.
      {"remote, several", MenuWindow::RemoteList, 3, DirectoryKind,
       with({"Sort...=965", "-", "Change Directory...=934", "Make Directory...=936", "Delete Directory...=938", "-",
             "Transfer files=940", "Rename files...=948", "Move files...=969", "Delete files=946",
             "chmod (UNIX)=966"},
            remoteTail)},
      {"remote, nothing selected", MenuWindow::RemoteList, 0, DirectoryKind,
       with({"Sort...=965", "-", "Change Directory...=934", "Make Directory...=936", "Delete Directory...=938", "-",
             "Transfer file...=940"},
            remoteTail)},
  };
  for (const Case& c : cases) EXPECT_EQ(Lines(BuildContextMenu(c.window, c.selected, c.kind)), c.expected) << c.name;
}

TEST(BuildContextMenu, OtherWindowsGetTheGeneralMenuStartingWithItsDisabledTitle) {
  const std::vector<MenuItem> menu = BuildContextMenu(MenuWindow::Other, 5, DirectoryKind);
  EXPECT_EQ(Lines(menu),
            (std::vector<std::string>{"(FTP Menu)", "-", "[&Connection]", "&Associate...=1601", "&Options...=9036",
                                      "&Show log...=5557", "&Help=9041", "A&bout=1500", "-", "[&FTP Commands]"}));
  EXPECT_EQ(Lines(menu[2].Entries), (std::vector<std::string>{"&Connect=1320", "C&lose=1321", "-", "E&xit=9042"}));
}

TEST(BuildContextMenu, EveryFormEndsWithTheFtpCommands) {
  const std::vector<std::string> commands = {"CWD=1301",  "PWD=1309",  "HELP=1303", "SYST=1304", "SITE=1305",
                                             "QUOTE=1310", "-",        "LIST=1306", "NLST=1308", "-",
                                             "RETR=1311", "STOR=1314"};
  for (MenuWindow window : {MenuWindow::LocalList, MenuWindow::RemoteList, MenuWindow::Other}) {
    const std::vector<MenuItem> menu = BuildContextMenu(window, 1, FileKind);
    ASSERT_FALSE(menu.empty());
    EXPECT_EQ(menu.back().Text, "&FTP Commands");
    EXPECT_EQ(Lines(menu.back().Entries), commands);
  }
}

}  // namespace
}  // namespace korval::ui::logic
