#pragma once
// The Session Profile dialog ("DLG_HOST") over config::ProfileDialogCopy():
// the profile list (105) with its Save, Delete and New, the fields of a
// profile, the anonymous box, the Advanced dialog, and Ok (1) and Cancel (2).
// Ok leaves the chosen profile in the dialog's copy (and saves it with
// AUTOSAVE on); Cancel restores the copy from the current profile.

#include <QDialog>

#include "ui/logic/profile_dialog_values.h"

class QComboBox;
class QLineEdit;

namespace korval::ui {

class SessionProfileDialog : public QDialog {
  Q_OBJECT

 public:
  explicit SessionProfileDialog(QWidget* parent);

  // Loads the profile `name` into the dialog's copy and shows it (the name
  // field stays as it is).
  void ShowProfileFields(const std::string& name);

  // Cancel, Escape and the close box: the copy goes back to the current profile.
  void reject() override;

 private:
  void ShowFields(const logic::ProfileDialogFields& fields);
  logic::ProfileDialogFields ShownFields() const;
  void ShowPasswordInClear(bool clear);
  // Ok and Save: the fields into the copy; false (with the message shown)
  // for a reserved name.
  bool TakeFields();
  void Ok();
  void Save();
  void Delete();
  void New();
  void Anonymous(bool checked);
  void Advanced();
  void NameChosen(const QString& name);

  QComboBox* names_ = nullptr;
  QComboBox* hostTypes_ = nullptr;
  QLineEdit* password_ = nullptr;
};

// Runs the dialog over `owner`: true for Ok.
bool RunSessionProfileDialog(QWidget* owner);

}  // namespace korval::ui
