#include "ui/advanced_profile_dialog.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "ui/dialog_support.h"
#include "ui/qt_text.h"
#include "ui_DLG_ADV_CONNECT.h"

namespace korval::ui {

namespace {

using Fields = logic::AdvancedDialogFields;

constexpr int AdvancedHelpContext = 35;
constexpr int UseFirewallId = 120;
constexpr int FirstFirewallTypeId = 901;
constexpr int FirewallTypeCount = 4;

// The line fields and the member each one shows; a new field is one more row.
struct TextField {
  int Id;
  std::string Fields::*Member;
  bool Firewall;  // enabled only with the firewall on
};
constexpr TextField TextFields[] = {
    {835, &Fields::Retries, false},        {4040, &Fields::Timeout, false},
    {117, &Fields::Port, false},           {909, &Fields::InitCommand, false},
    {2408, &Fields::LocalMask, false},     {955, &Fields::RemoteMask, false},
    {106, &Fields::FirewallHost, true},    {108, &Fields::FirewallUser, true},
    {109, &Fields::FirewallPassword, true}, {118, &Fields::FirewallPort, true},
};

struct CheckField {
  int Id;
  bool Fields::*Member;
  bool Firewall;
};
constexpr CheckField CheckFields[] = {
    {836, &Fields::Passive, false},
    {UseFirewallId, &Fields::UseFirewall, false},
    {113, &Fields::SaveFirewallPassword, true},
};

}  // namespace

AdvancedProfileDialog::AdvancedProfileDialog(config::SessionProfile& profile, QWidget* parent)
    : QDialog(parent), profile_(profile) {
  Ui::DLG_ADV_CONNECT().setupUi(this);
  connect(DialogControl<QPushButton>(*this, 1), &QPushButton::clicked, this, &AdvancedProfileDialog::Commit);
  connect(DialogControl<QPushButton>(*this, 2), &QPushButton::clicked, this, &QDialog::reject);
  connect(DialogControl<QCheckBox>(*this, UseFirewallId), &QCheckBox::toggled, this,
          &AdvancedProfileDialog::UpdateFirewallFields);
  ConnectHelpContext(*this, AdvancedHelpContext);
  ShowFields(logic::LoadAdvancedFields(profile_));
}

void AdvancedProfileDialog::ShowFields(const logic::AdvancedDialogFields& fields) {
  for (const TextField& field : TextFields)
    DialogControl<QLineEdit>(*this, field.Id)->setText(ToQString(fields.*field.Member));
  for (const CheckField& field : CheckFields)
    DialogControl<QCheckBox>(*this, field.Id)->setChecked(fields.*field.Member);
  DialogControl<QRadioButton>(*this, FirstFirewallTypeId + fields.FirewallType)->setChecked(true);
  UpdateFirewallFields();
}

Fields AdvancedProfileDialog::ShownFields() const {
  logic::AdvancedDialogFields fields;
  for (const TextField& field : TextFields)
    fields.*field.Member = ToStdString(DialogControl<QLineEdit>(*this, field.Id)->text());
  for (const CheckField& field : CheckFields)
    fields.*field.Member = DialogControl<QCheckBox>(*this, field.Id)->isChecked();
  for (int type = 0; type < FirewallTypeCount; ++type)
    if (DialogControl<QRadioButton>(*this, FirstFirewallTypeId + type)->isChecked()) fields.FirewallType = type;
  return fields;
}

void AdvancedProfileDialog::UpdateFirewallFields() {
  const bool enabled = logic::FirewallFieldsEnabled(ShownFields());
  for (const TextField& field : TextFields)
    if (field.Firewall) DialogControl<QWidget>(*this, field.Id)->setEnabled(enabled);
  for (const CheckField& field : CheckFields)
    if (field.Firewall) DialogControl<QWidget>(*this, field.Id)->setEnabled(enabled);
  for (int type = 0; type < FirewallTypeCount; ++type)
    DialogControl<QWidget>(*this, FirstFirewallTypeId + type)->setEnabled(enabled);
}

void AdvancedProfileDialog::Commit() {
  logic::CommitAdvancedFields(ShownFields(), profile_);
  accept();
}

}  // namespace korval::ui
