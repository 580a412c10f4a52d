#include "ui/logic/control_enabling.h"

#include "ui/logic/control_table.h"

namespace korval::ui::logic {

namespace {

// Offsets in a row of nine pane buttons.
constexpr int ChgDir = 0;
constexpr int MkDir = 1;
constexpr int View = 3;
constexpr int Exec = 4;
constexpr int Rename = 5;
constexpr int Delete = 6;
constexpr int Refresh = 7;
constexpr int DirInfo = 8;

constexpr int Local(int offset) { return slot::FirstLocalPaneButton + offset; }
constexpr int Remote(int offset) { return slot::FirstRemotePaneButton + offset; }

std::vector<SlotEnabled> ArrowStates(const EnablingInput& input) {
  return {{slot::Send, input.LoggedOn}, {slot::Receive, input.LoggedOn}};
}

}  // namespace

std::vector<SlotEnabled> RemoteDirButtonStates(const EnablingInput& input) {
  if (input.HideButtons) return {};
  return {{Remote(ChgDir), input.LoggedOn}, {Remote(MkDir), input.LoggedOn && input.CanMkd}};
}

std::vector<SlotEnabled> LocalSelectionButtonStates(const EnablingInput& input) {
  if (input.HideButtons) return {};
  const int n = input.LocalSelected;
  return {{Local(View), n > 0}, {Local(Exec), n == 1}, {Local(Delete), n > 0}, {Local(Rename), n > 0}};
}

std::vector<SlotEnabled> RemoteSelectionButtonStates(const EnablingInput& input) {
  if (input.HideButtons) return ArrowStates(input);
  const int n = input.RemoteSelected;
  std::vector<SlotEnabled> states = {{Remote(View), n > 0},
                                     {Remote(Delete), n > 0 && input.CanDelete},
                                     {Remote(Rename), n > 0 && input.CanRename}};
  for (const SlotEnabled& arrow : ArrowStates(input)) states.push_back(arrow);
  states.push_back({Remote(Exec), n == 1});
  states.push_back({Remote(Refresh), input.LoggedOn});
  states.push_back({Remote(DirInfo), input.LoggedOn});
  return states;
}

std::vector<SlotEnabled> ControlStates(const EnablingInput& input) {
  std::vector<SlotEnabled> states = RemoteDirButtonStates(input);
  for (auto rule : {LocalSelectionButtonStates, RemoteSelectionButtonStates})
    for (const SlotEnabled& state : rule(input)) states.push_back(state);
  return states;
}

}  // namespace korval::ui::logic
