#include "ui/main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QShortcut>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTimer>
#include <QWindow>

#include "config/program_identity.h"
#include "config/program_settings.h"
#include "operations/connect_command.h"
#include "operations/main_commands.h"
#include "engine/session.h"
#include "listing/selection.h"
#include "platform/host.h"
#include "ui/command_dispatch.h"
#include "ui/logic/command_rules.h"
#include "ui/logic/context_menu.h"
#include "ui/logic/control_enabling.h"
#include "ui/logic/control_table.h"
#include "ui/logic/fonts.h"
#include "ui/logic/help_context.h"
#include "ui/about_dialog.h"
#include "ui/pane_view.h"
#include "ui/qt_text.h"

namespace korval::ui {

namespace {

using logic::ControlKind;
namespace slot = logic::slot;

constexpr int HelpCommand = 9041;
constexpr int AboutCommand = 9037;
constexpr int LocalListId = 927;

QWidget* CreateControlWidget(const logic::ControlSlot& entry, QWidget* parent) {
  const QString caption = ToQString(entry.Caption);
  switch (entry.Kind) {
    case ControlKind::DirectoryBox: {
      auto* box = new QComboBox(parent);
      box->setEditable(false);
      return box;
    }
    case ControlKind::StatusText:
    case ControlKind::ProgressText: {
      auto* label = new QLabel(parent);
      label->setTextFormat(Qt::PlainText);
      label->setAlignment((entry.Kind == ControlKind::ProgressText ? Qt::AlignRight : Qt::AlignLeft) |
                          Qt::AlignVCenter);
      return label;
    }
    case ControlKind::ScrollBar:
      return new QScrollBar(Qt::Vertical, parent);
    case ControlKind::WorkList:
      return new QListWidget(parent);
    case ControlKind::PushButton: {
      auto* button = new QPushButton(caption, parent);
      button->setAutoDefault(false);
      return button;
    }
    case ControlKind::MaskField:
      return new QLineEdit(caption, parent);
    case ControlKind::RadioButton:
      return new QRadioButton(caption, parent);
    case ControlKind::CheckBox:
      return new QCheckBox(caption, parent);
    case ControlKind::FileList:
      return new PaneView(entry.Id == LocalListId ? platform::PaneSide::Local : platform::PaneSide::Remote, parent);
  }
  return new QWidget(parent);
}

// The two pens of a 3-D edge: shadow and highlight of the button face.
void DrawFrame3D(QPainter& painter, const QPalette& palette, int x1, int y1, int x2, int y2, bool sunken,
                 bool etched) {
  const QColor shadow = palette.color(QPalette::Dark);
  const QColor highlight = palette.color(QPalette::Light);
  const QColor p1 = sunken ? shadow : highlight;
  const QColor p2 = sunken ? highlight : shadow;
  painter.setPen(p1);
  painter.drawLine(x1, y2, x1, y1);
  painter.drawLine(x1, y1, x2, y1);
  painter.setPen(p2);
  painter.drawLine(x2, y1, x2, y2);
  painter.drawLine(x2, y2, x1, y2);
  // One pixel outside: a double bevel, or a groove when etched.
  const QColor outerTopLeft = etched ? p2 : p1;
  const QColor outerBottomRight = etched ? p1 : p2;
  painter.setPen(outerTopLeft);
  painter.drawLine(x1 - 1, y2 + 1, x1 - 1, y1 - 1);
  painter.drawLine(x1 - 1, y1 - 1, x2 + 1, y1 - 1);
  painter.setPen(outerBottomRight);
  painter.drawLine(x2 + 1, y1 - 1, x2 + 1, y2 + 1);
  painter.drawLine(x2 + 1, y2 + 1, x1 - 1, y2 + 1);
}

void DrawControlBorder(QPainter& painter, const QPalette& palette, const QWidget* control, bool sunken) {
  const QRect r = control->geometry();
  DrawFrame3D(painter, palette, r.left() - 1, r.top() - 1, r.right() + 1, r.bottom() + 1, sunken, false);
}

}  // namespace

QEvent::Type CommandEvent::EventType() {
  static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

MainWindow::MainWindow(QWidget* parent) : QWidget(parent) {
  setWindowTitle(ToQString(config::ProgramTitle));
  setMouseTracking(true);
  listFont_ = font();
  CreateControls();
  dragBar_ = new QFrame(this);
  dragBar_->setAutoFillBackground(true);
  QPalette barPalette = dragBar_->palette();
  barPalette.setColor(QPalette::Window, palette().color(QPalette::WindowText));
  dragBar_->setPalette(barPalette);
  dragBar_->hide();
}

QString MainWindow::ControlName(int slotNumber) {
  const int id = logic::ControlTable()[static_cast<std::size_t>(slotNumber)].Id;
  return id >= 0 ? QStringLiteral("ctl_%1").arg(id) : QStringLiteral("ctl_slot%1").arg(slotNumber);
}

QWidget* MainWindow::ControlForId(int id) const {
  const std::optional<int> slotNumber = logic::SlotOfId(id);
  return slotNumber ? Control(*slotNumber) : nullptr;
}

void MainWindow::CreateControls() {
  const auto& table = logic::ControlTable();
  for (int i = 0; i < logic::ControlCount; ++i) {
    const logic::ControlSlot& entry = table[static_cast<std::size_t>(i)];
    QWidget* control = CreateControlWidget(entry, this);
    control->setObjectName(ControlName(i));
    control->setProperty("helpContext", static_cast<uint>(entry.HelpContext));
    control->setFocusPolicy(entry.TabStop ? Qt::StrongFocus : Qt::ClickFocus);
    if (entry.Kind == ControlKind::StatusText || entry.Kind == ControlKind::ProgressText ||
        entry.Kind == ControlKind::ScrollBar)
      control->setFocusPolicy(Qt::NoFocus);
    control->setVisible(entry.Visible);
    controls_[static_cast<std::size_t>(i)] = control;
    if (auto* button = qobject_cast<QAbstractButton*>(control)) {
      const int id = entry.Id;
      connect(button, &QAbstractButton::clicked, this, [this, id] { RunCommand(id); });
    }
    // Every control's right button shows the context menu.
    control->installEventFilter(this);
  }
  for (PaneView* pane : {LocalPaneView(), RemotePaneView()}) {
    pane->SetDoubleClickHandler([this, pane] { PaneDoubleClicked(pane->Side()); });
    pane->SetSelectionHandler([this] { ApplyControlStates(); });
    pane->viewport()->installEventFilter(this);
  }
  for (int s : {slot::LocalDirectoryBox, slot::RemoteDirectoryBox}) {
    auto* box = static_cast<QComboBox*>(Control(s));
    const platform::PaneSide side = s == slot::LocalDirectoryBox ? platform::PaneSide::Local : platform::PaneSide::Remote;
    connect(box, &QComboBox::activated, this, [this, box, side] {
      DirectoryBoxActivated(side, ToStdString(box->currentText()));
    });
  }
  // Desktop keys beside the table's: F5 refreshes the focused pane, Ctrl+Q exits.
  auto* refresh = new QShortcut(QKeySequence(Qt::Key_F5), this);
  connect(refresh, &QShortcut::activated, this,
          [this] { RunCommand(logic::RefreshCommandForFocus(FocusedSlot())); });
  auto* quit = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), this);
  connect(quit, &QShortcut::activated, this, [this] { RunCommand(logic::QuitKeyCommand); });
  // The accelerators no button caption carries.
  for (char letter : {'r', 's'}) {
    const std::optional<int> command = logic::AcceleratorCommand({letter, true}, std::nullopt);
    auto* shortcut = new QShortcut(QKeySequence(QStringLiteral("Alt+%1").arg(QLatin1Char(letter))), this);
    connect(shortcut, &QShortcut::activated, this, [this, command] { RunCommand(*command); });
  }
  const std::vector<int> order = logic::TabOrderSlots();
  for (std::size_t i = 1; i < order.size(); ++i) setTabOrder(Control(order[i - 1]), Control(order[i]));
  // The stored masks; the local one reads "*.*" when none is stored.
  auto* localMask = static_cast<QLineEdit*>(Control(slot::LocalMask));
  auto* remoteMask = static_cast<QLineEdit*>(Control(slot::RemoteMask));
  localMask->setMaxLength(13);
  remoteMask->setMaxLength(20);
  static_cast<QRadioButton*>(Control(slot::Binary))->setChecked(config::Settings().Mode != 'A');
  static_cast<QRadioButton*>(Control(slot::Ascii))->setChecked(config::Settings().Mode == 'A');
  static_cast<QCheckBox*>(Control(slot::Auto))->setChecked(config::Settings().AutoMode != 0);
  Control(slot::Connect)->setFocus(Qt::OtherFocusReason);
}

void MainWindow::SetListFont(const QFont& font) {
  listFont_ = font;
  for (int s : {slot::LocalFileList, slot::RemoteFileList, slot::LocalMask, slot::RemoteMask,
                slot::LocalDirectoryBox, slot::RemoteDirectoryBox})
    Control(s)->setFont(font);
  ApplyLayout();
}

void MainWindow::SetSavedPlacement(const logic::WindowPlacement& placement) {
  saved_ = placement;
  splitX_ = placement.SplitX;
  splitY_ = placement.SplitY;
}

void MainWindow::FitOuterRectangle(const logic::Rect& outer) {
  // True once the frame was known and the client sized to it.
  auto fit = [this, outer] {
    const QMargins margins = windowHandle() ? windowHandle()->frameMargins() : QMargins();
    if (margins.isNull()) return false;
    const logic::Rect client =
        logic::ClientRectangleForOuter(outer, {margins.left(), margins.top(), margins.right(), margins.bottom()});
    if (!isMaximized()) setGeometry(client.X, client.Y, client.Width, client.Height);
    return true;
  };
  if (fit()) return;
  // A window manager's frame is known only once it has taken the window, and
  // the toolkit reports no event for that: ask for a short while.
  auto* timer = new QTimer(this);
  timer->setInterval(50);
  connect(timer, &QTimer::timeout, this, [timer, fit, attempts = 0]() mutable {
    if (fit() || ++attempts >= 40) timer->deleteLater();
  });
  timer->start();
}

logic::Rect MainWindow::OuterRectangle() const {
  const QRect r = frameGeometry();
  return {r.x(), r.y(), r.width(), r.height()};
}

logic::LayoutInput MainWindow::CurrentLayoutInput() const {
  const QFontMetrics metrics(listFont_);
  const config::ProgramSettings& settings = config::Settings();
  logic::LayoutInput input;
  input.ClientWidth = width();
  input.ClientHeight = height();
  input.SystemBaseUnitX = metrics.averageCharWidth();
  input.SystemBaseUnitY = metrics.height();
  input.Alternate = settings.AlternateLayout != 0;
  input.ButtonsOnTop = settings.ButtonsOnTop != 0;
  input.HideButtons = settings.HideDirButtons != 0;
  input.SplitX = splitX_;
  input.SplitY = splitY_;
  return input;
}

void MainWindow::ApplyLayout() {
  const logic::LayoutInput input = CurrentLayoutInput();
  layout_ = logic::ComputeLayout(input);
  splitX_ = layout_.SplitX;
  splitY_ = layout_.SplitY;
  for (int i = 0; i < logic::ControlCount; ++i) {
    if (i == slot::WorkList) continue;
    const logic::Rect& r = layout_.Slots[static_cast<std::size_t>(i)];
    QWidget* control = Control(i);
    // A directory box's rectangle includes its open list; closed, the box
    // keeps the height it needs.
    const int height =
        (i == slot::LocalDirectoryBox || i == slot::RemoteDirectoryBox) ? control->sizeHint().height() : r.Height;
    control->setGeometry(r.X, r.Y, r.Width, height);
    control->setVisible(logic::SlotVisible(i, layout_));
  }
  // Buttons and texts take the label font, which SCALE shrinks with the window.
  const QFont labelFont = LabelFont();
  for (int i = 0; i < logic::ControlCount; ++i) {
    switch (logic::ControlTable()[static_cast<std::size_t>(i)].Kind) {
      case ControlKind::PushButton:
      case ControlKind::RadioButton:
      case ControlKind::CheckBox:
      case ControlKind::StatusText:
      case ControlKind::ProgressText:
        if (Control(i)->font() != labelFont) Control(i)->setFont(labelFont);
        break;
      default:
        break;
    }
  }
  for (int s : {slot::Send, slot::Receive}) {
    const std::string_view caption = logic::SlotCaption(s, input.Alternate);
    static_cast<QPushButton*>(Control(s))
        ->setText(ToQString(caption));
  }
  update();
}

void MainWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  OnSize(width(), height());
}

void MainWindow::OnSize(int newWidth, int newHeight) {
  if ((newWidth == lastClientWidth_ && newHeight == lastClientHeight_) || layoutInProgress_ || isMinimized())
    return;
  if (connectTried_) {
    logic::ResizeInput resize;
    resize.NewWidth = newWidth;
    resize.NewHeight = newHeight;
    resize.LastHeight = lastClientHeight_;
    resize.SavedWindowWidth = saved_.Window.Width;
    resize.SavedWindowHeight = saved_.Window.Height;
    resize.SavedSplitY = saved_.SplitY;
    resize.SplitX = splitX_;
    resize.SplitY = splitY_;
    resize.SystemBaseUnitX = QFontMetrics(listFont_).averageCharWidth();
    const logic::Splits splits = logic::SplitsAfterResize(resize);
    splitX_ = splits.X;
    splitY_ = splits.Y;
  }
  lastClientWidth_ = newWidth;
  lastClientHeight_ = newHeight;
  layoutInProgress_ = true;
  ApplyLayout();
  layoutInProgress_ = false;
}

QFont MainWindow::LabelFont() const {
  const logic::LabelFont labelFont =
      logic::SelectLabelFont(config::Settings().ScaleFonts != 0, QFontMetrics(listFont_).height(),
                             layout_.BaseUnitY, logicalDpiY());
  QFont font = QApplication::font();
  if (labelFont.Scaled) font.setPixelSize(std::max(labelFont.PixelHeight, 1));
  return font;
}

void MainWindow::paintEvent(QPaintEvent*) {
  if (layoutInProgress_) return;
  QPainter painter(this);
  const QPalette& pal = palette();
  const QFont font = LabelFont();
  painter.setFont(font);
  if (layout_.HasPaneFrames) {
    for (const logic::Frame& f : {layout_.LocalFrame, layout_.RemoteFrame})
      DrawFrame3D(painter, pal, f.X1, f.Y1, f.X2, f.Y2, false, true);
  }
  painter.setPen(pal.color(QPalette::WindowText));
  const QFontMetrics metrics(font);
  for (const auto& [point, text] : {std::pair{layout_.LocalLabel, logic::LocalLabelText},
                                    std::pair{layout_.RemoteLabel, logic::RemoteLabelText}}) {
    const QString label = ToQString(text);
    // Behind the text the face colour hides the frame's line, as a group box does.
    const QRect box(point.X, point.Y, metrics.horizontalAdvance(label), metrics.height());
    painter.fillRect(box, pal.color(QPalette::Window));
    painter.drawText(box, Qt::AlignLeft | Qt::AlignTop, label);
  }
  for (int s : {slot::LocalDirectoryBox, slot::RemoteDirectoryBox, slot::LocalFileList, slot::RemoteFileList})
    DrawControlBorder(painter, pal, Control(s), true);
  const QRect line1 = Control(slot::StatusLine1)->geometry();
  const QRect scroll = Control(slot::StatusScrollBar)->geometry();
  DrawFrame3D(painter, pal, line1.left() - 5, line1.top() - 2, scroll.right() + 5, scroll.bottom() + 2, true, true);
}

void MainWindow::mousePressEvent(QMouseEvent* event) {
  const QPoint p = event->position().toPoint();
  if (event->button() != Qt::LeftButton || config::Settings().AlternateLayout != 0) return;
  dragging_ = logic::DividerAt(p.x(), p.y(), splitX_, splitY_, false);
  if (dragging_ == logic::Divider::Vertical)
    dragBar_->setGeometry(p.x() - 1, 0, 3, height());
  else if (dragging_ == logic::Divider::Horizontal)
    dragBar_->setGeometry(0, p.y() - 1, width(), 3);
  if (dragging_ != logic::Divider::None) {
    dragBar_->raise();
    dragBar_->show();
  }
}

void MainWindow::mouseMoveEvent(QMouseEvent* event) {
  const QPoint p = event->position().toPoint();
  if (dragging_ == logic::Divider::Vertical)
    dragBar_->move(p.x() - 1, 0);
  else if (dragging_ == logic::Divider::Horizontal)
    dragBar_->move(0, p.y() - 1);
  UpdateCursor(p.x());
}

void MainWindow::mouseReleaseEvent(QMouseEvent* event) {
  if (dragging_ == logic::Divider::None) return;
  const QPoint p = event->position().toPoint();
  dragBar_->hide();
  if (dragging_ == logic::Divider::Vertical)
    splitX_ = p.x();
  else
    splitY_ = p.y();
  dragging_ = logic::Divider::None;
  ApplyLayout();
}

void MainWindow::UpdateCursor(int mouseX) {
  switch (logic::CursorAt(mouseX, splitX_, config::Settings().AlternateLayout != 0, busy_)) {
    case logic::MainCursor::Wait: setCursor(Qt::WaitCursor); break;
    case logic::MainCursor::SplitHorizontal: setCursor(Qt::SplitHCursor); break;
    case logic::MainCursor::Arrow: unsetCursor(); break;
  }
}

void MainWindow::SetBusy(bool busy) {
  if (busy == busy_) return;
  busy_ = busy;
  // The wait cursor shows over every control, not just the background.
  if (busy)
    QApplication::setOverrideCursor(Qt::WaitCursor);
  else
    QApplication::restoreOverrideCursor();
}

int MainWindow::FocusedSlot() const {
  const QWidget* focused = QApplication::focusWidget();
  for (int i = 0; i < logic::ControlCount; ++i)
    if (focused && (focused == Control(i) || Control(i)->isAncestorOf(focused))) return i;
  return -1;
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
  logic::HelpKey key;
  if (event->key() == Qt::Key_F1 && (event->modifiers() & Qt::ControlModifier))
    key = logic::HelpKey::ControlF1;
  else if (event->key() == Qt::Key_F1)
    key = logic::HelpKey::F1;
  else if (event->key() == Qt::Key_F2)
    key = logic::HelpKey::F2;
  else {
    // '<' and '>' reach the window only when no text field took them.
    const QString text = event->text();
    if (text.size() == 1 && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
      const std::optional<int> command = logic::AcceleratorCommand(
          {static_cast<char>(text.at(0).unicode() < 128 ? text.at(0).unicode() : 0), false}, FocusedKind());
      if (command) {
        RunCommand(*command);
        return;
      }
    }
    return QWidget::keyPressEvent(event);
  }
  const logic::HelpPage page = logic::HelpPageForKey(key, FocusedSlot());
  if (helpPageHandler_) helpPageHandler_(page);
}

bool MainWindow::event(QEvent* event) {
  if (event->type() == CommandEvent::EventType()) {
    RunCommand(static_cast<CommandEvent*>(event)->CommandId());
    return true;
  }
  if (event->type() == QEvent::ShortcutOverride) {
    // The help keys belong to the window, whichever control has the focus.
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_F1 || key->key() == Qt::Key_F2) {
      event->accept();
      return true;
    }
  }
  return QWidget::event(event);
}

void MainWindow::RunCommand(int commandId) {
  if (operations::RunsBusyAbort(commandId)) {
    operations::BusyAbort(commandId);
    return;
  }
  switch (commandId) {
    case operations::ConnectButtonCommand:
      connectTried_ = true;
      operations::ConnectCommand(commandId);
      break;
    case operations::CancelCommandId:
      operations::CancelCommand();
      break;
    case operations::ExitButtonCommand:
    case operations::ExitMenuCommand:
      close();
      break;
    case HelpCommand:
      platform::CurrentHost().ShowHelp(0);
      break;
    case AboutCommand:
      ShowAbout(this);
      break;
    default:
      DispatchCommand(*this, commandId);
      break;
  }
}

PaneView* MainWindow::LocalPaneView() const { return static_cast<PaneView*>(Control(slot::LocalFileList)); }
PaneView* MainWindow::RemotePaneView() const { return static_cast<PaneView*>(Control(slot::RemoteFileList)); }
PaneView* MainWindow::Pane(platform::PaneSide side) const {
  return side == platform::PaneSide::Local ? LocalPaneView() : RemotePaneView();
}

std::optional<logic::ControlKind> MainWindow::FocusedKind() const {
  const int focused = FocusedSlot();
  if (focused < 0) return std::nullopt;
  return logic::ControlTable()[static_cast<std::size_t>(focused)].Kind;
}

void MainWindow::ApplyControlStates() {
  const engine::Session& session = engine::TheSession();
  logic::EnablingInput input;
  input.LoggedOn = session.LoggedOn;
  input.CanMkd = session.CanMkd;
  input.CanRename = session.CanRename;
  input.CanDelete = session.CanDelete;
  input.LocalSelected = static_cast<int>(listing::LocalPane().SelectedIndexes().size());
  input.RemoteSelected = static_cast<int>(listing::RemotePane().SelectedIndexes().size());
  input.HideButtons = config::Settings().HideDirButtons != 0;
  for (const logic::SlotEnabled& state : logic::ControlStates(input)) Control(state.Slot)->setEnabled(state.Enabled);
}

void MainWindow::PaneDoubleClicked(platform::PaneSide side) {
  RunCommand(side == platform::PaneSide::Local ? PaneDoubleClickLocal : PaneDoubleClickRemote);
}

void MainWindow::DirectoryBoxActivated(platform::PaneSide side, const std::string& text) {
  ChooseDirectoryFromBox(side, text);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::ContextMenu) {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (auto* viewport = widget ? qobject_cast<PaneView*>(widget->parentWidget()) : nullptr) widget = viewport;
    ShowContextMenu(widget, static_cast<QContextMenuEvent*>(event)->globalPos());
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

void MainWindow::contextMenuEvent(QContextMenuEvent* event) { ShowContextMenu(this, event->globalPos()); }

void MainWindow::ShowContextMenu(QWidget* control, const QPoint& globalPos) {
  logic::MenuWindow which = logic::MenuWindow::Other;
  int selected = 0;
  std::int32_t singleKind = 0;
  if (auto* pane = qobject_cast<PaneView*>(control)) {
    which = pane->Side() == platform::PaneSide::Local ? logic::MenuWindow::LocalList : logic::MenuWindow::RemoteList;
    listing::PaneList& list = pane->Model().List();
    const std::vector<std::size_t> indexes = list.SelectedIndexes();
    selected = static_cast<int>(indexes.size());
    if (selected == 1) {
      std::string name;
      singleKind = listing::ReadEntry(list, indexes.front(), name);
    }
  }
  QMenu menu(this);
  FillMenu(menu, logic::BuildContextMenu(which, selected, singleKind));
  lastMenu_ = &menu;
  QAction* chosen = menu.exec(globalPos);
  lastMenu_ = nullptr;
  if (chosen && chosen->data().isValid()) RunCommand(chosen->data().toInt());
}

void MainWindow::FillMenu(QMenu& menu, const std::vector<logic::MenuItem>& items) {
  for (const logic::MenuItem& item : items) {
    switch (item.ItemType) {
      case logic::MenuItem::Type::Separator:
        menu.addSeparator();
        break;
      case logic::MenuItem::Type::Title:
        menu.addAction(ToQString(item.Text))->setEnabled(false);
        break;
      case logic::MenuItem::Type::SubMenu:
        FillMenu(*menu.addMenu(ToQString(item.Text)), item.Entries);
        break;
      case logic::MenuItem::Type::Command: {
        QAction* action = menu.addAction(ToQString(item.Text));
        action->setData(item.Id);
        break;
      }
    }
  }
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (!closing_) {
    closing_ = true;
    if (closeHandler_) closeHandler_();
  }
  event->accept();
}

}  // namespace korval::ui
