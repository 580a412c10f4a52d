#pragma once
// The Verify Deletion dialog ("DLG_DELETE"): the question and Yes (6), No
// (7), Delete All (4) and Cancel (2); Delete All only when it is offered.

#include <QDialog>

namespace korval::ui {

class DeleteDialog : public QDialog {
  Q_OBJECT

 public:
  DeleteDialog(const QString& question, bool offerDeleteAll, QWidget* parent);
  // The button's id; Cancel (2) for the close box and Escape.
  int Choice() const { return choice_; }

 private:
  int choice_ = 2;
};

}  // namespace korval::ui
