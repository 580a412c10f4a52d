#pragma once
// The About box ("DLG_ABOUT"): the version line (921), the system line
// (919), the free space where the program stands (918) and two pictures in
// the frames 2417 and 2418.

#include <QDialog>

namespace korval::ui {

class AboutDialog : public QDialog {
  Q_OBJECT

 public:
  explicit AboutDialog(QWidget* parent);
};

// Runs the About box over `owner`.
void ShowAbout(QWidget* owner);

}  // namespace korval::ui
