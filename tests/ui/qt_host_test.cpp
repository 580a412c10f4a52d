// The window's host across threads: what a worker calls reaches the widgets
// on the GUI thread in the worker's order, a worker's prompt waits for the
// GUI thread's answer, and a worker being stopped gets Cancel for its open
// prompt and every later one until it has finished.

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "ui/input_dialog.h"
#include "ui/logic/control_table.h"
#include "ui/main_window.h"
#include "ui/qt_host.h"

using namespace korval;
namespace slot = ui::logic::slot;

class QtHostTest : public QObject {
  Q_OBJECT

 private slots:
  void workerCallsReachTheWidgetsInOrder();
  void workerPromptIsAnsweredOnTheGuiThread();
  void stoppingAWorkerCancelsItsPrompts();
  void answersKeepTheirCapacity();

 private:
  // Once a modal dialog is open, `act` runs on it (inside the dialog's own
  // event loop, as a person's answer would).
  static void WhenModal(std::function<void(QWidget*)> act);
  // Runs the GUI thread's events until `done`, at most 5 s.
  static bool RunUntil(const std::atomic<bool>& done);
};

void QtHostTest::WhenModal(std::function<void(QWidget*)> act) {
  auto* timer = new QTimer;
  QObject::connect(timer, &QTimer::timeout, timer, [timer, act] {
    if (QWidget* modal = QApplication::activeModalWidget()) {
      timer->stop();
      timer->deleteLater();
      act(modal);
    }
  });
  timer->start(10);
}

bool QtHostTest::RunUntil(const std::atomic<bool>& done) {
  for (int i = 0; i < 500 && !done; ++i) QTest::qWait(10);
  return done;
}

void QtHostTest::workerCallsReachTheWidgetsInOrder() {
  ui::MainWindow window;
  ui::QtHost host(&window);
  std::thread worker([&] {
    host.SetStatusLine(slot::StatusLine1, "first");
    host.SetStatusLine(slot::StatusLine1, "second");
    host.SetControlText(9000, "&Close");
    host.EnableControl(946, false);
    host.SetWindowCaption("KORVAL95 LE ftp.example.com");
  });
  worker.join();
  // Nothing has happened yet: the calls wait for the GUI thread's events.
  QCOMPARE(static_cast<QLabel*>(window.Control(slot::StatusLine1))->text(), QString());
  QCoreApplication::processEvents();
  QCOMPARE(static_cast<QLabel*>(window.Control(slot::StatusLine1))->text(), QStringLiteral("second"));
  QCOMPARE(static_cast<QPushButton*>(window.ControlForId(9000))->text(), QStringLiteral("&Close"));
  QVERIFY(!window.ControlForId(946)->isEnabled());
  QCOMPARE(window.windowTitle(), QStringLiteral("KORVAL95 LE ftp.example.com"));
}

void QtHostTest::workerPromptIsAnsweredOnTheGuiThread() {
  ui::MainWindow window;
  window.show();
  ui::QtHost host(&window);
  std::optional<std::string> answer;
  std::atomic<bool> done{false};
  QString offered;
  bool waitedForTheAnswer = false;
  WhenModal([&](QWidget* modal) {
    auto* dialog = qobject_cast<ui::InputDialog*>(modal);
    if (!dialog) return;
    waitedForTheAnswer = !done;
    offered = dialog->Answer();
    dialog->SetAnswer(QStringLiteral("b.txt"));
    dialog->accept();
  });
  std::thread worker([&] {
    answer = host.AskText("Enter remote file name:", "a.txt", 80);
    done = true;
  });
  const bool finished = RunUntil(done);
  worker.join();
  QVERIFY(finished);
  QVERIFY(waitedForTheAnswer);
  QCOMPARE(offered, QStringLiteral("a.txt"));
  QCOMPARE(answer, std::optional<std::string>("b.txt"));
}

void QtHostTest::stoppingAWorkerCancelsItsPrompts() {
  ui::MainWindow window;
  window.show();
  ui::QtHost host(&window);
  std::optional<bool> firstAnswer;
  std::optional<bool> laterCancelled;
  std::atomic<bool> done{false};
  bool askedYesNo = false;
  // Stopping comes while the worker's question is open, as Exit would.
  WhenModal([&](QWidget* modal) {
    askedYesNo = qobject_cast<QMessageBox*>(modal) != nullptr;
    host.WorkerStopping(platform::BackgroundJob::SelectionTransfer);
  });
  std::thread worker([&] {
    firstAnswer = host.AskYesNo("Do you want to transfer the selected directory structures?", "KORVAL95 LE");
    laterCancelled = !host.AskText("Enter local file name:", "x", 80).has_value();
    done = true;
  });
  const bool finished = RunUntil(done);  // no second dialog: the later prompt is cancelled at once
  worker.join();
  QVERIFY(finished);
  QVERIFY(askedYesNo);
  QCOMPARE(firstAnswer, std::optional<bool>(false));
  QCOMPARE(laterCancelled, std::optional<bool>(true));
  QCOMPARE(QApplication::activeModalWidget(), nullptr);

  // Once the job has finished, a new one is asked again.
  host.WorkerFinished(platform::BackgroundJob::SelectionTransfer);
  std::optional<bool> again;
  std::atomic<bool> doneAgain{false};
  WhenModal([](QWidget* modal) {
    if (auto* box = qobject_cast<QMessageBox*>(modal)) box->button(QMessageBox::Yes)->click();
  });
  std::thread next([&] {
    again = host.AskYesNo("Again?", "KORVAL95 LE");
    doneAgain = true;
  });
  const bool finishedAgain = RunUntil(doneAgain);
  next.join();
  QVERIFY(finishedAgain);
  QCOMPARE(again, std::optional<bool>(true));
}

void QtHostTest::answersKeepTheirCapacity() {
  ui::MainWindow window;
  window.show();
  ui::QtHost host(&window);
  WhenModal([](QWidget* modal) {
    if (auto* dialog = qobject_cast<ui::InputDialog*>(modal)) {
      dialog->SetAnswer(QStringLiteral("abcdef"));
      dialog->accept();
    }
  });
  QCOMPARE(host.AskText("Enter:", "", 3), std::optional<std::string>("abc"));
}

QTEST_MAIN(QtHostTest)
#include "qt_host_test.moc"
