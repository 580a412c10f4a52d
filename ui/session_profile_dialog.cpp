#include "ui/session_profile_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include "config/config_file.h"
#include "config/program_settings.h"
#include "config/session_profile.h"
#include "platform/host.h"
#include "ui/advanced_profile_dialog.h"
#include "ui/dialog_support.h"
#include "ui/qt_text.h"
#include "ui_DLG_HOST.h"

namespace korval::ui {

namespace {

using logic::ProfileDialogFields;

constexpr int NameId = 105;
constexpr int HostTypeId = 107;
constexpr int PasswordId = 109;
constexpr int AnonymousId = 111;
constexpr int SavePasswordId = 113;
constexpr int AutoSaveId = 837;
constexpr int ProfileHelpContext = 30;
constexpr std::string_view DialogCaption = "Session Profile";

struct TextField {
  int Id;
  std::string ProfileDialogFields::*Member;
};
constexpr TextField TextFields[] = {
    {106, &ProfileDialogFields::Host},      {108, &ProfileDialogFields::User},
    {PasswordId, &ProfileDialogFields::Password}, {119, &ProfileDialogFields::Account},
    {110, &ProfileDialogFields::RemoteDir}, {832, &ProfileDialogFields::LocalDir},
    {954, &ProfileDialogFields::Comment},
};

struct CheckField {
  int Id;
  bool ProfileDialogFields::*Member;
};
constexpr CheckField CheckFields[] = {
    {AnonymousId, &ProfileDialogFields::Anonymous},
    {SavePasswordId, &ProfileDialogFields::SavePassword},
    {AutoSaveId, &ProfileDialogFields::AutoSave},
};

std::string CommentOf(const std::string& name) {
  if (name.empty()) return {};
  return config::ReadSectionString(name, "COMMENT", "", config::CommentCapacity);
}

void ShowRefusal(std::string_view name) {
  platform::CurrentHost().ShowMessage(logic::ReservedNameMessage(name), DialogCaption);
}

}  // namespace

SessionProfileDialog::SessionProfileDialog(QWidget* parent) : QDialog(parent) {
  Ui::DLG_HOST().setupUi(this);
  names_ = DialogControl<QComboBox>(*this, NameId);
  hostTypes_ = DialogControl<QComboBox>(*this, HostTypeId);
  password_ = DialogControl<QLineEdit>(*this, PasswordId);
  names_->lineEdit()->setMaxLength(static_cast<int>(config::SessionProfile::NameCapacity));

  for (const std::string& name : logic::OfferedProfileNames(config::ListSessionProfiles()))
    names_->addItem(ToQString(name));
  const std::vector<std::string> types = logic::HostTypeListNames();
  for (std::size_t i = 0; i < types.size(); ++i)
    hostTypes_->addItem(ToQString(types[i]), logic::HostTypeOfListIndex(static_cast<int>(i)));

  // The file wins over memory: the current profile as its section holds it.
  config::SessionProfile& copy = config::ProfileDialogCopy();
  copy = config::CurrentProfile();
  config::LoadSessionProfile(copy);
  {
    const QSignalBlocker quiet(names_);
    names_->setCurrentIndex(names_->findText(ToQString(copy.Name), Qt::MatchFixedString));
    names_->setEditText(ToQString(copy.Name));
  }
  ShowFields(logic::FieldsOfProfile(copy, CommentOf(copy.Name), config::Settings().AutoSave != 0));

  auto button = [this](int id) { return DialogControl<QPushButton>(*this, id); };
  connect(button(1), &QPushButton::clicked, this, &SessionProfileDialog::Ok);
  connect(button(2), &QPushButton::clicked, this, &SessionProfileDialog::reject);
  connect(button(101), &QPushButton::clicked, this, &SessionProfileDialog::Save);
  connect(button(102), &QPushButton::clicked, this, &SessionProfileDialog::Delete);
  connect(button(103), &QPushButton::clicked, this, &SessionProfileDialog::New);
  connect(button(913), &QPushButton::clicked, this, &SessionProfileDialog::Advanced);
  connect(DialogControl<QCheckBox>(*this, AnonymousId), &QCheckBox::clicked, this, &SessionProfileDialog::Anonymous);
  connect(names_, &QComboBox::textActivated, this, &SessionProfileDialog::NameChosen);
  connect(names_, &QComboBox::editTextChanged, this, &SessionProfileDialog::NameChosen);
  connect(names_->lineEdit(), &QLineEdit::editingFinished, this,
          [this] { NameChosen(names_->currentText()); });
  ConnectHelpContext(*this, ProfileHelpContext);
}

void SessionProfileDialog::ShowFields(const ProfileDialogFields& fields) {
  for (const TextField& field : TextFields)
    DialogControl<QLineEdit>(*this, field.Id)->setText(ToQString(fields.*field.Member));
  for (const CheckField& field : CheckFields)
    DialogControl<QCheckBox>(*this, field.Id)->setChecked(fields.*field.Member);
  hostTypes_->setCurrentIndex(fields.HostTypeIndex);
  ShowPasswordInClear(fields.Anonymous);
}

ProfileDialogFields SessionProfileDialog::ShownFields() const {
  ProfileDialogFields fields;
  fields.Name = ToStdString(names_->currentText());
  for (const TextField& field : TextFields)
    fields.*field.Member = ToStdString(DialogControl<QLineEdit>(*this, field.Id)->text());
  for (const CheckField& field : CheckFields)
    fields.*field.Member = DialogControl<QCheckBox>(*this, field.Id)->isChecked();
  fields.HostTypeIndex = hostTypes_->currentIndex();
  return fields;
}

void SessionProfileDialog::ShowPasswordInClear(bool clear) {
  password_->setEchoMode(clear ? QLineEdit::Normal : QLineEdit::Password);
}

void SessionProfileDialog::ShowProfileFields(const std::string& name) {
  config::SessionProfile& copy = config::ProfileDialogCopy();
  copy.Name = name;
  config::LoadSessionProfile(copy);
  ShowFields(logic::FieldsOfProfile(copy, CommentOf(copy.Name), DialogControl<QCheckBox>(*this, AutoSaveId)->isChecked()));
}

bool SessionProfileDialog::TakeFields() {
  const ProfileDialogFields fields = ShownFields();
  config::Settings().AutoSave = fields.AutoSave ? 1 : 0;
  const std::string name = logic::ProfileNameOfFields(fields.Name, fields.Host);
  if (logic::IsReservedProfileName(name)) {
    ShowRefusal(name);
    return false;
  }
  logic::ApplyFieldsToProfile(fields, config::ProfileDialogCopy());
  return true;
}

void SessionProfileDialog::Ok() {
  if (!TakeFields()) return;
  if (config::Settings().AutoSave)
    logic::SaveProfileWithComment(config::ProfileDialogCopy(), ShownFields().Comment);
  accept();
}

void SessionProfileDialog::Save() {
  if (!TakeFields()) return;
  const config::SessionProfile& copy = config::ProfileDialogCopy();
  if (!logic::SaveProfileWithComment(copy, ShownFields().Comment)) return;
  const QString name = ToQString(copy.Name);
  if (names_->findText(name, Qt::MatchFixedString) < 0) {
    const QSignalBlocker quiet(names_);
    names_->addItem(name);
    names_->setCurrentIndex(names_->count() - 1);
  }
}

void SessionProfileDialog::reject() {
  config::ProfileDialogCopy() = config::CurrentProfile();
  QDialog::reject();
}

void SessionProfileDialog::Delete() {
  const std::string name = ToStdString(names_->currentText());
  if (name.empty()) return;
  if (logic::IsReservedProfileName(name)) {
    ShowRefusal(name);
    return;
  }
  if (!platform::CurrentHost().AskYesNo("Delete the profile \"" + name + "\"?", DialogCaption)) return;
  config::DeleteSessionProfile(name);
  const int removed = names_->findText(ToQString(name), Qt::MatchFixedString);
  {
    const QSignalBlocker quiet(names_);
    if (removed >= 0) names_->removeItem(removed);
    const int next = logic::IndexAfterRemoval(removed, names_->count());
    names_->setCurrentIndex(next);
    if (next < 0) names_->setEditText(QString());
  }
  ShowProfileFields(ToStdString(names_->currentText()));
}

void SessionProfileDialog::New() {
  const QSignalBlocker quiet(names_);
  names_->setCurrentIndex(-1);
  names_->setEditText(QString());
  ShowProfileFields({});
}

void SessionProfileDialog::Anonymous(bool checked) {
  ProfileDialogFields fields = ShownFields();
  if (checked) config::AskForMailAddress();
  logic::ApplyAnonymousBox(checked, config::Settings().MailAddress, fields);
  ShowFields(fields);
  DialogControl<QCheckBox>(*this, AnonymousId)->setFocus(Qt::OtherFocusReason);
}

void SessionProfileDialog::Advanced() {
  AdvancedProfileDialog dialog(config::ProfileDialogCopy(), this);
  PlaceDialog(dialog, parentWidget());
  dialog.exec();
}

void SessionProfileDialog::NameChosen(const QString& text) {
  const std::string name = ToStdString(text);
  if (name.empty()) return;
  const std::string host = config::ReadSectionString(name, "HOST", "", config::SessionProfile::HostCapacity);
  if (!host.empty()) ShowProfileFields(name);
}

bool RunSessionProfileDialog(QWidget* owner) {
  SessionProfileDialog dialog(owner);
  PlaceDialog(dialog, owner);
  return dialog.exec() == QDialog::Accepted;
}

}  // namespace korval::ui
