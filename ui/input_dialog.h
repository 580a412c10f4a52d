#pragma once
// The input prompts "DLG_INPUT" (a line of text), "DLG_INPUT_PASSWORD" (the
// same, masked) and "DLG_INPUT1" (a line with a drop-down list): the question
// in 3010, the answer in 3020 (2405 in the list prompt), selected whole when
// the prompt opens.

#include <QDialog>
#include <QStringList>

class QComboBox;
class QLabel;
class QLineEdit;

namespace korval::ui {

class InputDialog : public QDialog {
  Q_OBJECT

 public:
  enum class Kind { Plain, Hidden, WithChoices };
  InputDialog(Kind kind, QWidget* parent);

  void SetQuestion(const QString& question);
  // The answer shown (and selected) when the prompt opens.
  void SetAnswer(const QString& answer);
  void SetChoices(const QStringList& choices);
  QString Answer() const;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QLabel* question_ = nullptr;
  QLineEdit* edit_ = nullptr;      // the answer's line (the list's own line too)
  QComboBox* choices_ = nullptr;   // DLG_INPUT1 only
};

}  // namespace korval::ui
