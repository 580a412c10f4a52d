#pragma once
// The Advanced Profile Parameters dialog ("DLG_ADV_CONNECT") over a profile:
// retries, time-out, port, the initial command, the masks, passive mode and
// the shared firewall. OK applies the fields to the profile (and writes the
// FIREWALL section when the firewall is on); Cancel changes nothing.

#include <QDialog>

#include "config/session_profile.h"
#include "ui/logic/profile_dialog_values.h"

namespace korval::ui {

class AdvancedProfileDialog : public QDialog {
  Q_OBJECT

 public:
  AdvancedProfileDialog(config::SessionProfile& profile, QWidget* parent);

  void ShowFields(const logic::AdvancedDialogFields& fields);
  logic::AdvancedDialogFields ShownFields() const;

 private:
  void UpdateFirewallFields();
  void Commit();

  config::SessionProfile& profile_;
};

}  // namespace korval::ui
