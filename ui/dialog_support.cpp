#include "ui/dialog_support.h"

#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>

#include "platform/host.h"
#include "ui/logic/dialog_placement.h"

namespace korval::ui {

namespace {

constexpr int HelpButtonId = 9041;

logic::Rect RectOf(const QRect& r) { return {r.x(), r.y(), r.width(), r.height()}; }

}  // namespace

QString DialogControlName(const QWidget& dialog, int id) {
  return QStringLiteral("%1_%2").arg(dialog.objectName()).arg(id);
}

void PlaceDialog(QDialog& dialog, const QWidget* mainWindow) {
  dialog.adjustSize();
  const QScreen* screen = mainWindow && mainWindow->screen() ? mainWindow->screen() : QGuiApplication::primaryScreen();
  logic::DialogPlacementInput input;
  const QSize outer = dialog.frameGeometry().size();
  input.Width = outer.width();
  input.Height = outer.height();
  input.HasParent = mainWindow != nullptr;
  input.MainWindowShown = mainWindow && mainWindow->isVisible() && !mainWindow->isMinimized();
  if (mainWindow) {
    input.MainWindow = RectOf(mainWindow->frameGeometry());
    input.Parent = input.MainWindow;
  }
  if (screen) input.Desktop = RectOf(screen->availableVirtualGeometry());
  const logic::Point corner = logic::CenterDialog(input);
  dialog.move(corner.X, corner.Y);
}

void ConnectHelpKeys(QDialog& dialog, std::function<void()> help) {
  for (const Qt::Key key : {Qt::Key_F1, Qt::Key_F2}) {
    auto* shortcut = new QShortcut(QKeySequence(key), &dialog);
    shortcut->setContext(Qt::WindowShortcut);
    QObject::connect(shortcut, &QShortcut::activated, &dialog, help);
  }
  if (auto* button = DialogControl<QPushButton>(dialog, HelpButtonId))
    QObject::connect(button, &QPushButton::clicked, &dialog, help);
}

void ConnectHelpContext(QDialog& dialog, int context) {
  ConnectHelpKeys(dialog, [context] { platform::CurrentHost().ShowHelp(context); });
}

}  // namespace korval::ui
