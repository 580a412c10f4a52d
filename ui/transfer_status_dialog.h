#pragma once
// The "Transfer Status" dialog: modeless over the main window while a data
// loop runs, with the transfer's description, the progress text, the
// percentage bar (when the size is known) and Cancel, which asks the loop to
// stop. It opens where it was last closed, centred the first time.

#include <QDialog>
#include <QRect>

#include <cstdint>
#include <optional>

class QFrame;
class QLabel;

namespace korval::ui {

class TransferStatusDialog : public QDialog {
  Q_OBJECT
 public:
  TransferStatusDialog(const QString& statusText, std::int64_t expectedSize, QWidget* mainWindow);
  // The progress text; with a known size the bar follows it.
  void SetProgress(const QString& text);
  std::int64_t Percent() const { return percent_; }
  QString BarText() const { return barText_; }

  // The data loop ended: closes without asking it to stop.
  void Finish();
  // Cancel, Escape or the close box: asks the loop to stop.
  void reject() override;

  // Where the dialog was when it last closed (empty before the first).
  static std::optional<QRect>& LastPlace();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void done(int result) override;

 private:
  void PaintBar();
  QLabel* progress_;
  QFrame* bar_;
  std::int64_t expectedSize_;
  std::int64_t percent_ = 0;
  bool finishing_ = false;
  QString barText_;
};

}  // namespace korval::ui
