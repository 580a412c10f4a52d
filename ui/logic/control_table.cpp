#include "ui/logic/control_table.h"

namespace korval::ui::logic {

namespace {

using K = ControlKind;
constexpr bool Shown = true;
constexpr bool Tab = true;

constexpr std::array<ControlSlot, ControlCount> Table = {{
    {140, K::DirectoryBox, "", 960, Shown, !Tab},
    {140, K::DirectoryBox, "", 961, Shown, !Tab},
    {140, K::StatusText, "", -1, Shown, !Tab},
    {140, K::StatusText, "", -1, Shown, !Tab},
    {140, K::ProgressText, "", -1, Shown, !Tab},
    {140, K::ProgressText, "", -1, Shown, !Tab},
    {10, K::ScrollBar, "", -1, Shown, !Tab},
    {180, K::WorkList, "", 924, !Shown, !Tab},
    {220, K::PushButton, "-->", 939, Shown, Tab},
    {220, K::PushButton, "<--", 940, Shown, Tab},
    {180, K::PushButton, "ChgDir", 933, Shown, Tab},
    {180, K::PushButton, "MkDir", 935, Shown, Tab},
    {180, K::MaskField, "*.*", 926, Shown, Tab},
    {230, K::PushButton, "View", 941, Shown, Tab},
    {180, K::PushButton, "Exec", 9045, Shown, Tab},
    {180, K::PushButton, "Rename", 947, Shown, Tab},
    {180, K::PushButton, "Delete", 945, Shown, Tab},
    {180, K::PushButton, "Refresh", 943, Shown, Tab},
    {180, K::PushButton, "DirInfo", 949, Shown, Tab},
    {180, K::PushButton, "ChgDir", 934, Shown, Tab},
    {180, K::PushButton, "MkDir", 936, Shown, Tab},
    {180, K::MaskField, "", 930, Shown, Tab},
    {230, K::PushButton, "View", 942, Shown, Tab},
    {180, K::PushButton, "Exec", 9046, Shown, Tab},
    {180, K::PushButton, "Rename", 948, Shown, Tab},
    {180, K::PushButton, "Delete", 946, Shown, Tab},
    {180, K::PushButton, "Refresh", 944, Shown, Tab},
    {180, K::PushButton, "DirInfo", 950, Shown, Tab},
    {200, K::RadioButton, "ASCII", 1851, Shown, !Tab},
    {200, K::RadioButton, "Binary", 1852, Shown, !Tab},
    {200, K::CheckBox, "Auto", 1853, Shown, !Tab},
    {30, K::PushButton, "&Connect", 9000, Shown, Tab},
    {10, K::PushButton, "Ca&ncel", 9033, Shown, Tab},
    {230, K::PushButton, "&LogWnd", 9047, Shown, Tab},
    {10, K::PushButton, "&Help", 9041, Shown, Tab},
    {260, K::PushButton, "&Options", 5130, Shown, Tab},
    {10, K::PushButton, "&About", 9037, Shown, Tab},
    {10, K::PushButton, "E&xit", 9042, Shown, Tab},
    {220, K::FileList, "", 927, Shown, Tab},
    {220, K::FileList, "", 931, Shown, Tab},
}};

}  // namespace

const std::array<ControlSlot, ControlCount>& ControlTable() { return Table; }

std::optional<int> SlotOfId(int id) {
  if (id < 0) return std::nullopt;
  for (int i = 0; i < ControlCount; ++i)
    if (Table[i].Id == id) return i;
  return std::nullopt;
}

bool IsPaneButton(int slotNumber) {
  return slotNumber >= slot::FirstLocalPaneButton &&
         slotNumber < slot::FirstRemotePaneButton + slot::PaneButtonCount;
}

std::string_view SlotCaption(int slotNumber, bool alternateLayout) {
  if (alternateLayout && (slotNumber == slot::Send || slotNumber == slot::Receive)) return "Transfer";
  return Table.at(slotNumber).Caption;
}

std::vector<int> TabOrderSlots() {
  std::vector<int> order;
  for (int i = 0; i < ControlCount; ++i)
    if (Table[i].TabStop) order.push_back(i);
  return order;
}

}  // namespace korval::ui::logic
