#include "ui/chmod_dialog.h"

#include <QCheckBox>
#include <QPushButton>

#include "ui/dialog_support.h"
#include "ui_DLG_CHMOD.h"

namespace korval::ui {

ChmodDialog::ChmodDialog(QWidget* parent) : QDialog(parent) {
  Ui::DLG_CHMOD().setupUi(this);
  connect(DialogControl<QPushButton>(*this, 1), &QPushButton::clicked, this, &QDialog::accept);
  connect(DialogControl<QPushButton>(*this, 2), &QPushButton::clicked, this, &QDialog::reject);
  ConnectHelpContext(*this, config::ChmodHelpContext);
}

void ChmodDialog::SetBoxes(const config::ChmodBoxes& boxes) {
  for (std::size_t i = 0; i < BoxIds.size(); ++i) DialogControl<QCheckBox>(*this, BoxIds[i])->setChecked(boxes[i]);
}

config::ChmodBoxes ChmodDialog::Boxes() const {
  config::ChmodBoxes boxes{};
  for (std::size_t i = 0; i < BoxIds.size(); ++i) boxes[i] = DialogControl<QCheckBox>(*this, BoxIds[i])->isChecked();
  return boxes;
}

}  // namespace korval::ui
