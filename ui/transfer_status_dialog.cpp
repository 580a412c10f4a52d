#include "ui/transfer_status_dialog.h"

#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

#include "engine/session.h"
#include "ui/dialog_support.h"
#include "ui/logic/transfer_status_bar.h"
#include "ui/qt_text.h"
#include "ui_DLG_ABORT.h"

namespace korval::ui {

namespace {
constexpr int StatusTextId = 831;
constexpr int ProgressTextId = 104;
constexpr int BarId = 116;
constexpr int CancelId = 2;
}  // namespace

std::optional<QRect>& TransferStatusDialog::LastPlace() {
  static std::optional<QRect> place;
  return place;
}

TransferStatusDialog::TransferStatusDialog(const QString& statusText, std::int64_t expectedSize, QWidget* mainWindow)
    : QDialog(mainWindow), expectedSize_(expectedSize) {
  Ui::DLG_ABORT().setupUi(this);
  setAttribute(Qt::WA_DeleteOnClose, false);
  DialogControl<QLabel>(*this, StatusTextId)->setText(statusText);
  progress_ = DialogControl<QLabel>(*this, ProgressTextId);
  bar_ = DialogControl<QFrame>(*this, BarId);
  bar_->installEventFilter(this);
  bar_->setVisible(expectedSize_ > 0);
  connect(DialogControl<QPushButton>(*this, CancelId), &QPushButton::clicked, this, &TransferStatusDialog::reject);
  if (LastPlace()) {
    adjustSize();
    move(LastPlace()->topLeft());
  } else {
    PlaceDialog(*this, mainWindow);
  }
}

void TransferStatusDialog::SetProgress(const QString& text) {
  progress_->setText(text);
  if (expectedSize_ <= 0) return;
  percent_ = logic::ProgressPercent(ToStdString(text), expectedSize_);
  barText_ = ToQString(logic::PercentText(percent_));
  bar_->repaint();
}

bool TransferStatusDialog::eventFilter(QObject* watched, QEvent* event) {
  if (watched == bar_ && event->type() == QEvent::Paint) {
    PaintBar();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void TransferStatusDialog::PaintBar() {
  QPainter painter(bar_);
  const QRect r = bar_->contentsRect();
  const int filled = logic::FilledWidth(r.width(), percent_);
  painter.fillRect(QRect(r.left(), r.top(), filled, r.height()), QColor(192, 192, 192));
  if (percent_ < 100) painter.fillRect(QRect(r.left() + filled, r.top(), r.width() - filled, r.height()), Qt::white);
  painter.setPen(Qt::black);
  painter.drawText(r, Qt::AlignCenter, barText_);
}

void TransferStatusDialog::Finish() {
  finishing_ = true;
  done(Accepted);
}

void TransferStatusDialog::reject() {
  // Only the user's Cancel asks the loop to stop; the loop's own end does not.
  if (!finishing_) engine::TheSession().CancelRequested = true;
  QDialog::reject();
}

void TransferStatusDialog::closeEvent(QCloseEvent* event) {
  LastPlace() = frameGeometry();
  QDialog::closeEvent(event);
}

void TransferStatusDialog::done(int result) {
  LastPlace() = frameGeometry();
  QDialog::done(result);
}

}  // namespace korval::ui
