#include "ui/input_dialog.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "ui/dialog_support.h"
#include "ui_DLG_INPUT.h"
#include "ui_DLG_INPUT1.h"
#include "ui_DLG_INPUT_PASSWORD.h"

namespace korval::ui {

namespace {

constexpr int QuestionId = 3010;
constexpr int AnswerId = 3020;
constexpr int ChoiceAnswerId = 2405;
constexpr int OkId = 1;
constexpr int CancelId = 2;

}  // namespace

InputDialog::InputDialog(Kind kind, QWidget* parent) : QDialog(parent) {
  switch (kind) {
    case Kind::Plain: Ui::DLG_INPUT().setupUi(this); break;
    case Kind::Hidden: Ui::DLG_INPUT_PASSWORD().setupUi(this); break;
    case Kind::WithChoices: Ui::DLG_INPUT1().setupUi(this); break;
  }
  question_ = DialogControl<QLabel>(*this, QuestionId);
  if (kind == Kind::WithChoices) {
    choices_ = DialogControl<QComboBox>(*this, ChoiceAnswerId);
    edit_ = choices_->lineEdit();
  } else {
    edit_ = DialogControl<QLineEdit>(*this, AnswerId);
  }
  // The prompt itself holds no limit: the caller's capacity cuts the answer.
  edit_->setMaxLength(32767);
  connect(DialogControl<QPushButton>(*this, OkId), &QPushButton::clicked, this, &QDialog::accept);
  connect(DialogControl<QPushButton>(*this, CancelId), &QPushButton::clicked, this, &QDialog::reject);
}

void InputDialog::SetQuestion(const QString& question) { question_->setText(question); }

void InputDialog::SetAnswer(const QString& answer) {
  if (choices_) choices_->setCurrentIndex(-1);
  edit_->setText(answer);
}

void InputDialog::SetChoices(const QStringList& choices) {
  if (!choices_) return;
  const QString answer = edit_->text();
  choices_->clear();
  choices_->addItems(choices);
  SetAnswer(answer);
}

QString InputDialog::Answer() const { return edit_->text(); }

void InputDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (choices_)
    choices_->setFocus(Qt::OtherFocusReason);
  else
    edit_->setFocus(Qt::OtherFocusReason);
  edit_->selectAll();
}

}  // namespace korval::ui
