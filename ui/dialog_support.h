#pragma once
// What every dialog of the program shares: controls found by their id (the
// object name "<template>_<id>"), the place it opens at (centred on the main
// window, kept on the desktop) and its help keys (F1, F2 and the Help
// button open one help context).

#include <QDialog>
#include <QString>

#include <functional>

namespace korval::ui {

QString DialogControlName(const QWidget& dialog, int id);

template <typename Control>
Control* DialogControl(const QWidget& dialog, int id) {
  return dialog.findChild<Control*>(DialogControlName(dialog, id));
}

// Sizes the dialog to its contents and moves it where it opens.
void PlaceDialog(QDialog& dialog, const QWidget* mainWindow);

// F1, F2 and the Help button (id 9041, when the dialog has one) call `help`.
void ConnectHelpKeys(QDialog& dialog, std::function<void()> help);
// The same for a fixed help context.
void ConnectHelpContext(QDialog& dialog, int context);

}  // namespace korval::ui
