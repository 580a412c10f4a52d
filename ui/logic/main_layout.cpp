#include "ui/logic/main_layout.h"

#include <algorithm>

namespace korval::ui::logic {

namespace {

// Shrinks the base units so the 240 x 200 unit grid fits the client area.
void FitBaseUnits(int width, int height, int& bx, int& by) {
  if (bx * 240 / 4 > width) bx = width * 4 / 240;
  if (by * 200 / 8 > height) by = height * 8 / 200;
}

}  // namespace

LayoutResult ComputeLayout(const LayoutInput& input) {
  LayoutResult out;
  int splitX = input.SplitX;
  int splitY = input.SplitY;
  // The unclamped width: a split beyond it came from a larger window.
  if (input.ClientWidth < splitX) splitX = -1;
  const int W = std::max(input.ClientWidth, 200);
  const int H = std::max(input.ClientHeight, 100);
  int BX = input.SystemBaseUnitX;
  int BY = input.SystemBaseUnitY;
  FitBaseUnits(W, H, BX, BY);
  out.BaseUnitX = BX;
  out.BaseUnitY = BY;

  const bool alt = input.Alternate;
  const bool hid = input.HideButtons;
  const int T = input.ButtonsOnTop ? BY * 12 / 8 : 0;
  const int RW = W - BX * 33 / 4;

  if (splitX <= 0) splitX = BX * 116 / 4 + BX * 4;
  if (splitX > RW - 30) splitX = RW - 30;
  if (splitX < BX * 32 / 4 + BX * 9) splitX = BX * 32 / 4 + BX * 9;  // the minimum wins
  if (splitY <= 0) splitY = T + BY * 83 / 8;
  if (splitY < T + BY * 31 / 8) splitY = T + BY * 31 / 8;
  if (splitY > H - BY * 46 / 8 + T) splitY = H - BY * 46 / 8 + T;
  out.SplitX = splitX;
  out.SplitY = splitY;

  const int A = splitX - BX * 4;  // the transfer arrows' x
  const int B = A - BX * 32 / 4;  // the local button column's x
  const int M = BX * 7 / 4;
  const int C = A + BX * 5;       // the remote list's x
  const int D = BX * 10 / 4;
  const int E = BY * 10 / 8;
  const int F = W / 7;
  const int G = (W % 7) / 2;
  const int HC = W / 2;

  auto& s = out.Slots;
  Rect& localList = s[slot::LocalFileList];
  Rect& remoteList = s[slot::RemoteFileList];
  if (!alt) {
    localList.X = M;
    localList.Y = T + BY * 31 / 8;
    localList.Width = (hid ? A - BX * 2 : B - BX) - M;
    localList.Height = H - BY * 46 / 8 + T - localList.Y;
    remoteList.X = C;
    remoteList.Y = localList.Y;
    remoteList.Width = hid ? W - C - BX * 2 : RW - BX - std::max(C, BX);
    remoteList.Height = localList.Height;
  } else {
    localList = {M, T + BY * 16 / 8, W - BX * 14 / 4, BY * 56 / 8 + (hid ? E : 0)};
    remoteList = {BX * 7 / 4, T + BY * 99 / 8, W - BX * 14 / 4, H - BY * 144 / 8 + (hid ? E : 0)};
  }

  Rect& localBox = s[slot::LocalDirectoryBox];
  Rect& remoteBox = s[slot::RemoteDirectoryBox];
  localBox.Height = remoteBox.Height = BY * 11;  // drop-down list included
  if (!alt) {
    localBox.X = M;
    localBox.Y = T + BY * 14 / 8;
    localBox.Width = A - BX * 2 - M;
    remoteBox.X = C;
    remoteBox.Y = T + BY * 14 / 8;
    remoteBox.Width = W - C - BX * 2;
  } else {
    localBox.X = remoteBox.X = BX * 60 / 4;
    localBox.Y = localList.Y - BY * 14 / 8;
    remoteBox.Y = remoteList.Y - BY * 14 / 8;
    localBox.Width = remoteBox.Width = W - BX * 42 / 4 - BX * 60 / 4;
  }

  Rect& localProgress = s[slot::LocalProgress];
  Rect& remoteProgress = s[slot::RemoteProgress];
  localProgress.Width = remoteProgress.Width = BX * 38 / 4;
  localProgress.Height = remoteProgress.Height = BY;
  if (!alt) {
    localProgress.Y = remoteProgress.Y = H - BY * 42 / 8 + T;
    localProgress.X = D;
    remoteProgress.X = W - remoteProgress.Width - D;
  } else {
    localProgress.X = remoteProgress.X = W - BX * 40 / 4;
    localProgress.Y = localBox.Y;
    remoteProgress.Y = remoteBox.Y;
  }

  const int statusWidth = W - (alt ? BX * 67 / 4 : BX * 27 / 4);
  s[slot::StatusLine1] = {D, H - BY * 30 / 8 + T, statusWidth, BY};
  s[slot::StatusLine2] = {D, H - BY * 22 / 8 + T, statusWidth, BY};
  s[slot::StatusScrollBar] = {W - (alt ? BX * 56 / 4 : BX * 16 / 4), H - BY * 30 / 8 + T, D, BY * 2};

  for (int i = 0; i < 3; ++i) {
    Rect& mode = s[slot::Ascii + i];
    if (!alt)
      mode = {HC + ((50 * i - 75) * BX) / 4, H - BY * 42 / 8 + T, BX * 39 / 4, E};
    else
      mode = {W - BX * 40 / 4, H - BY * 31 / 8 + i * BY + T, BX * 33 / 4, BY};
  }
  // The alternate layout has no room for Auto: it lies below the client area.
  if (alt) s[slot::Auto].Y = H + T + 10;

  for (int i = 0; i < slot::PaneButtonCount; ++i) {
    Rect& local = s[slot::FirstLocalPaneButton + i];
    Rect& remote = s[slot::FirstRemotePaneButton + i];
    if (!alt) {
      const int height = std::min(localList.Height / 9, BY * 14 / 8);
      local = {B, localList.Y + i * height, BX * 27 / 4, height};
      remote = {RW, localList.Y + i * height, BX * 27 / 4, height};
    } else {
      const int k = i < 3 ? i : i + 1;  // position 3 holds the Transfer button
      const int localWidth = localList.Width / 10;
      const int remoteWidth = remoteList.Width / 10;
      local = {localList.X + k * localWidth, localList.Y + localList.Height + 4, localWidth, E};
      remote = {remoteList.X + k * remoteWidth, remoteList.Y + remoteList.Height + 4, remoteWidth, E};
    }
  }

  for (int j = 0; j < slot::MainButtonCount; ++j)
    s[slot::FirstMainButton + j] = {F * j + G, input.ButtonsOnTop ? 1 : H - BY * 11 / 8, F, E};

  const Rect& localChgDir = s[slot::FirstLocalPaneButton];
  const Rect& remoteChgDir = s[slot::FirstRemotePaneButton];
  if (!alt) {
    Rect& send = s[slot::Send];
    send = {A, localList.Y + localList.Height / 2, BX * 14 / 4, BY * 14 / 8};
    s[slot::Receive] = {A, send.Y - BY * 16 / 8, send.Width, send.Height};
  } else {
    s[slot::Send] = {localChgDir.X + 3 * localChgDir.Width, localChgDir.Y, localChgDir.Width, E};
    s[slot::Receive] = {remoteChgDir.X + 3 * remoteChgDir.Width, remoteChgDir.Y, remoteChgDir.Width, E};
  }

  if (!alt) {
    out.LocalLabel = {localBox.X, T + BY / 4};
    out.RemoteLabel = {remoteBox.X, T + BY / 4};
    const int top = out.LocalLabel.Y + BY / 2;
    const int bottom = s[slot::Ascii].Y - BY * 2 / 8;
    out.HasPaneFrames = true;
    out.LocalFrame = {out.LocalLabel.X - BX, top, localChgDir.X + localChgDir.Width + BX * 2 / 4, bottom};
    out.RemoteFrame = {out.RemoteLabel.X - BX * 4 / 4, top, remoteChgDir.X + BX * 2 / 4 + remoteChgDir.Width,
                       bottom};
  } else {
    out.LocalLabel = {0, localList.Y - E};
    out.RemoteLabel = {0, remoteList.Y - E};
  }

  out.PaneButtonsVisible = !hid;
  out.TransferButtonsVisible = !(hid && alt);
  return out;
}

bool SlotVisible(int slotNumber, const LayoutResult& layout) {
  if (!ControlTable().at(slotNumber).Visible) return false;
  if (IsPaneButton(slotNumber)) return layout.PaneButtonsVisible;
  if (slotNumber == slot::Send || slotNumber == slot::Receive) return layout.TransferButtonsVisible;
  return true;
}

Splits SplitsAfterResize(const ResizeInput& input) {
  Splits splits{input.SplitX, input.SplitY};
  if ((input.NewHeight != input.SavedWindowHeight || input.SplitY != input.SavedSplitY) &&
      input.NewHeight != input.LastHeight)
    splits.Y = 0;
  int bx = input.SystemBaseUnitX;
  int unusedBy = 0;
  FitBaseUnits(std::max(input.NewWidth, 200), 100, bx, unusedBy);
  const int minimum = bx * 116 / 4 + bx * 4;
  if ((input.SavedWindowWidth > input.NewWidth && (input.NewWidth / 3) * 2 < input.SplitX) ||
      input.SplitX < minimum)
    splits.X = 0;
  return splits;
}

Divider DividerAt(int x, int y, int splitX, int splitY, bool alternateLayout) {
  if (alternateLayout) return Divider::None;
  if (splitX - 5 < x && x < splitX + 2) return Divider::Vertical;
  if (splitY - 5 < y && y < splitY + 5) return Divider::Horizontal;
  return Divider::None;
}

MainCursor CursorAt(int mouseX, int splitX, bool alternateLayout, bool busyOnThisThread) {
  if (busyOnThisThread) return MainCursor::Wait;
  if (!alternateLayout && splitX - 5 < mouseX && mouseX < splitX + 2) return MainCursor::SplitHorizontal;
  return MainCursor::Arrow;
}

}  // namespace korval::ui::logic
