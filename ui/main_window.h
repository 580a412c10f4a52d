#pragma once
// The main window: the 40 controls of the control table as real widgets
// (object names "ctl_<id>", "ctl_slot<n>" for the slots without an id), moved
// to the rectangles the layout arithmetic gives, the painted labels and
// frames, the divider drag, and the commands the window itself handles.

#include <QEvent>
#include <QFont>
#include <QWidget>

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/host.h"
#include "ui/logic/context_menu.h"
#include "ui/logic/control_table.h"
#include "ui/logic/help_context.h"
#include "ui/logic/main_layout.h"
#include "ui/logic/window_location.h"

class QFrame;
class QMenu;

namespace korval::ui {

class PaneView;

// A command posted to the main window, handled after the current one.
class CommandEvent : public QEvent {
 public:
  static QEvent::Type EventType();
  explicit CommandEvent(int commandId) : QEvent(EventType()), commandId_(commandId) {}
  int CommandId() const { return commandId_; }

 private:
  int commandId_;
};

class MainWindow : public QWidget {
  Q_OBJECT

 public:
  explicit MainWindow(QWidget* parent = nullptr);

  QWidget* Control(int slot) const { return controls_[static_cast<std::size_t>(slot)]; }
  // The control with command id `id`, or nullptr.
  QWidget* ControlForId(int id) const;
  static QString ControlName(int slot);

  // The list font: given to the lists, mask fields and directory boxes; its
  // metrics are the layout's base units.
  void SetListFont(const QFont& font);
  // The place read from LOC at start: the sizes and splits the resize rule
  // compares against, and the live splits.
  void SetSavedPlacement(const logic::WindowPlacement& placement);
  // Once shown: gives the client area the size that makes the outer
  // rectangle, frame included, `outer`, as soon as the window manager's
  // frame is known (nothing to do when there is none).
  void FitOuterRectangle(const logic::Rect& outer);
  // The outer rectangle, frame included: what LOC keeps.
  logic::Rect OuterRectangle() const;
  void SetConnectTried() { connectTried_ = true; }

  // Computes the layout for the current client size and moves every control.
  void ApplyLayout();
  const logic::LayoutResult& CurrentLayout() const { return layout_; }
  logic::LayoutInput CurrentLayoutInput() const;
  int SplitX() const { return splitX_; }
  int SplitY() const { return splitY_; }

  // The window's commands (the buttons, posted commands).
  void RunCommand(int commandId);
  // Runs before the window closes (the close order of the program).
  void SetCloseHandler(std::function<void()> handler) { closeHandler_ = std::move(handler); }
  // What F1, F2 and Ctrl+F1 open.
  void SetHelpPageHandler(std::function<void(const logic::HelpPage&)> handler) {
    helpPageHandler_ = std::move(handler);
  }
  // The wait cursor while the GUI thread waits for the network.
  void SetBusy(bool busy);

  // The two file panes.
  PaneView* LocalPaneView() const;
  PaneView* RemotePaneView() const;
  PaneView* Pane(platform::PaneSide side) const;
  // Enables the pane buttons by the connection and the selections.
  void ApplyControlStates();
  // The context menu of `control` (a file list, or any other window).
  void ShowContextMenu(QWidget* control, const QPoint& globalPos);
  // The menu shown by ShowContextMenu while it is open (tests read it).
  QMenu* OpenContextMenu() const { return lastMenu_; }
  // Internal commands: a double click (or Enter) in a file list.
  static constexpr int PaneDoubleClickLocal = 927;
  static constexpr int PaneDoubleClickRemote = 931;

 protected:
  bool event(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CreateControls();
  void OnSize(int width, int height);
  void UpdateCursor(int mouseX);
  // The labels' font for the current base units (SCALE).
  QFont LabelFont() const;
  int FocusedSlot() const;
  std::optional<logic::ControlKind> FocusedKind() const;
  void PaneDoubleClicked(platform::PaneSide side);
  void DirectoryBoxActivated(platform::PaneSide side, const std::string& text);
  static void FillMenu(QMenu& menu, const std::vector<logic::MenuItem>& items);

  std::array<QWidget*, logic::ControlCount> controls_{};
  logic::LayoutResult layout_;
  QFont listFont_;
  int splitX_ = 0;
  int splitY_ = 0;
  logic::WindowPlacement saved_;
  bool connectTried_ = false;
  int lastClientWidth_ = -1;
  int lastClientHeight_ = -1;
  bool layoutInProgress_ = false;
  logic::Divider dragging_ = logic::Divider::None;
  QFrame* dragBar_ = nullptr;
  bool busy_ = false;
  QMenu* lastMenu_ = nullptr;
  bool closing_ = false;
  std::function<void()> closeHandler_;
  std::function<void(const logic::HelpPage&)> helpPageHandler_;
};

}  // namespace korval::ui
