// The Transfer Status dialog through the window's host, as a data loop on a
// worker drives it: opened with the description, the bar following the
// progress text against the size, Cancel asking the loop to stop while the
// loop's own end does not, the place kept for the next transfer, and a
// screenshot mid-transfer under the build tree.

#include <QApplication>
#include <QDir>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <thread>

#include "engine/session.h"
#include "ui/main_window.h"
#include "ui/qt_host.h"
#include "ui/transfer_status_dialog.h"

using namespace korval;

class TransferStatusDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { engine::ResetSession(); }
  void theBarFollowsTheProgressAndTheLoopsEndClosesQuietly();
  void cancelAsksTheLoopToStopAndThePlaceIsKept();
  void withoutTheDialogTheMainWindowFieldShowsTheCount();

 private:
  static ui::TransferStatusDialog* OpenDialog() {
    for (QWidget* widget : QApplication::topLevelWidgets())
      if (auto* dialog = qobject_cast<ui::TransferStatusDialog*>(widget); dialog && dialog->isVisible()) return dialog;
    return nullptr;
  }
};

void TransferStatusDialogTest::theBarFollowsTheProgressAndTheLoopsEndClosesQuietly() {
  ui::MainWindow window;
  window.show();
  ui::QtHost host(&window);
  std::thread worker([&] {
    host.OpenStatusDisplay(2, "150 Opening BINARY mode data connection for big.iso (4096 bytes)",
                           platform::StatusDisplayTarget::Dialog, 4096);
    host.SetProgressText("1024 : 1.00 KBps", 1024, 4096);
  });
  worker.join();
  QTRY_VERIFY(OpenDialog() != nullptr);
  ui::TransferStatusDialog* dialog = OpenDialog();
  QCOMPARE(dialog->windowTitle(), QStringLiteral("Transfer Status"));
  QCOMPARE(dialog->findChild<QLabel*>(QStringLiteral("DLG_ABORT_831"))->text(),
           QStringLiteral("150 Opening BINARY mode data connection for big.iso (4096 bytes)"));
  QTRY_COMPARE(dialog->findChild<QLabel*>(QStringLiteral("DLG_ABORT_104"))->text(), QStringLiteral("1024 : 1.00 KBps"));
  QCOMPARE(dialog->Percent(), std::int64_t{25});
  QCOMPARE(dialog->BarText(), QStringLiteral("25%"));
  host.SetProgressText("2600 : 1.20 KBps : 0:02", 2600, 4096);
  QTRY_COMPARE(dialog->Percent(), std::int64_t{63});
  QVERIFY(dialog->findChild<QFrame*>(QStringLiteral("DLG_ABORT_116"))->isVisible());
  QVERIFY(QDir().mkpath(QStringLiteral(KORVAL_BINARY_DIR "/screenshots")));
  QVERIFY(dialog->grab().save(QStringLiteral(KORVAL_BINARY_DIR "/screenshots/transfer_status.png")));
  // More than announced: the bar stays full.
  host.SetProgressText("5000 : 1.30 KBps", 5000, 4096);
  QTRY_COMPARE(dialog->Percent(), std::int64_t{122});
  host.CloseStatusDisplay();
  QTRY_VERIFY(OpenDialog() == nullptr);
  QVERIFY(!engine::TheSession().CancelRequested);
}

void TransferStatusDialogTest::cancelAsksTheLoopToStopAndThePlaceIsKept() {
  ui::MainWindow window;
  window.show();
  ui::QtHost host(&window);
  host.OpenStatusDisplay(1, "150 Ok to send data.", platform::StatusDisplayTarget::Dialog, 0);
  QTRY_VERIFY(OpenDialog() != nullptr);
  ui::TransferStatusDialog* dialog = OpenDialog();
  // No size: no bar.
  QVERIFY(!dialog->findChild<QFrame*>(QStringLiteral("DLG_ABORT_116"))->isVisible());
  dialog->move(dialog->pos() + QPoint(37, 23));
  const QPoint moved = dialog->frameGeometry().topLeft();
  QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("DLG_ABORT_2")), Qt::LeftButton);
  QVERIFY(engine::TheSession().CancelRequested.load());
  QTRY_VERIFY(OpenDialog() == nullptr);
  host.CloseStatusDisplay();  // the loop ends after the Cancel
  // The next transfer's dialog opens where this one was.
  host.OpenStatusDisplay(1, "150 Ok to send data.", platform::StatusDisplayTarget::Dialog, 0);
  QTRY_VERIFY(OpenDialog() != nullptr);
  QCOMPARE(OpenDialog()->frameGeometry().topLeft(), moved);
  host.CloseStatusDisplay();
}

void TransferStatusDialogTest::withoutTheDialogTheMainWindowFieldShowsTheCount() {
  ui::MainWindow window;
  window.show();
  ui::QtHost host(&window);
  host.OpenStatusDisplay(2, "150 Here comes the file.", platform::StatusDisplayTarget::MainWindowField, 100);
  host.SetProgressText("42", 42, 100);
  QCoreApplication::processEvents();
  QVERIFY(OpenDialog() == nullptr);
  auto* field = qobject_cast<QLabel*>(window.Control(ui::logic::slot::LocalProgress));
  QVERIFY(field);
  QCOMPARE(field->text(), QStringLiteral("42"));
  host.CloseStatusDisplay();
  QCoreApplication::processEvents();
  QCOMPARE(field->text(), QString());
}

QTEST_MAIN(TransferStatusDialogTest)
#include "transfer_status_dialog_test.moc"
