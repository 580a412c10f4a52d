#include "ui/delete_dialog.h"

#include <QLabel>
#include <QPushButton>

#include "ui/dialog_support.h"
#include "ui_DLG_DELETE.h"

namespace korval::ui {

namespace {

constexpr int DeleteAllId = 4;
constexpr int CancelId = 2;

}  // namespace

DeleteDialog::DeleteDialog(const QString& question, bool offerDeleteAll, QWidget* parent) : QDialog(parent) {
  Ui::DLG_DELETE().setupUi(this);
  findChild<QLabel*>(QStringLiteral("DLG_DELETE_question"))->setText(question);
  DialogControl<QPushButton>(*this, DeleteAllId)->setVisible(offerDeleteAll);
  for (const int id : {6, 7, DeleteAllId, CancelId}) {
    connect(DialogControl<QPushButton>(*this, id), &QPushButton::clicked, this, [this, id] {
      choice_ = id;
      if (id == CancelId)
        reject();
      else
        accept();
    });
  }
}

}  // namespace korval::ui
