// The prompts and small dialogs offscreen: what each shows when it opens,
// what each button answers, the help keys, and a screenshot of each under
// the build tree (screenshots/).

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "config/prompts.h"
#include "platform/host.h"
#include "ui/about_dialog.h"
#include "ui/chmod_dialog.h"
#include "ui/delete_dialog.h"
#include "ui/dialog_support.h"
#include "ui/input_dialog.h"
#include "ui/main_window.h"
#include "ui/qt_host.h"

using namespace korval;

class DialogsTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void inputPromptsShowTheQuestionAndTheWholeAnswerSelected_data();
  void inputPromptsShowTheQuestionAndTheWholeAnswerSelected();
  void cancelledPromptsAnswerNothing();
  void helpKeysAndButtonOpenThePromptsContext_data();
  void helpKeysAndButtonOpenThePromptsContext();
  void verifyDeletionAnswersTheButtonsId_data();
  void verifyDeletionAnswersTheButtonsId();
  void chmodDialogShowsAndReturnsTheBits_data();
  void chmodDialogShowsAndReturnsTheBits();
  void aboutBoxNamesVersionSystemAndFreeSpace();
  void messageBoxesCarryTheirCaptions();

 private:
  // Once a modal dialog is open, `act` runs on it inside its own loop.
  static void WhenModal(std::function<void(QWidget*)> act);
  void Screenshot(QWidget* dialog, const QString& name);

  QString screenshots_;
};

void DialogsTest::initTestCase() {
  screenshots_ = QStringLiteral(KORVAL_BINARY_DIR "/screenshots");
  QVERIFY(QDir().mkpath(screenshots_));
}

void DialogsTest::WhenModal(std::function<void(QWidget*)> act) {
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

void DialogsTest::Screenshot(QWidget* dialog, const QString& name) {
  QVERIFY(dialog->grab().save(screenshots_ + QStringLiteral("/dialog-%1.png").arg(name)));
}

void DialogsTest::inputPromptsShowTheQuestionAndTheWholeAnswerSelected_data() {
  QTest::addColumn<int>("kind");
  QTest::addColumn<QString>("templateName");
  QTest::addColumn<int>("answerId");
  QTest::newRow("plain") << 0 << "DLG_INPUT" << 3020;
  QTest::newRow("password") << 1 << "DLG_INPUT_PASSWORD" << 3020;
  QTest::newRow("choices") << 2 << "DLG_INPUT1" << 2405;
}

void DialogsTest::inputPromptsShowTheQuestionAndTheWholeAnswerSelected() {
  QFETCH(int, kind);
  QFETCH(QString, templateName);
  QFETCH(int, answerId);
  ui::MainWindow window;
  window.show();
  ui::QtHost host(&window);
  QString question;
  QString shown;
  QString selected;
  bool masked = false;
  QStringList listed;
  bool focused = false;
  WhenModal([&](QWidget* modal) {
    QCOMPARE(modal->objectName(), templateName);
    question = ui::DialogControl<QLabel>(*modal, 3010)->text();
    QLineEdit* edit = kind == 2 ? ui::DialogControl<QComboBox>(*modal, answerId)->lineEdit()
                                : ui::DialogControl<QLineEdit>(*modal, answerId);
    QVERIFY(edit);
    shown = edit->text();
    selected = edit->selectedText();
    focused = modal->focusWidget() == ui::DialogControl<QWidget>(*modal, answerId);
    masked = edit->echoMode() == QLineEdit::Password;
    if (kind == 2) {
      const QComboBox* box = ui::DialogControl<QComboBox>(*modal, answerId);
      for (int i = 0; i < box->count(); ++i) listed << box->itemText(i);
    }
    Screenshot(modal, templateName);
    // A person types a long answer: nothing typed is cut by the prompt.
    edit->selectAll();
    QTest::keyClicks(edit, QString(300, QLatin1Char('x')));
    QTest::keyClick(edit, Qt::Key_Return);
  });
  const std::string questionText = "Enter remote file name for transfer of a/very/long/path/that/goes/on.txt:";
  std::optional<std::string> answer;
  if (kind == 0) answer = host.AskText(questionText, "old name.txt", config::PromptAnswerCapacity);
  if (kind == 1) answer = host.AskPasswordPreset(questionText, "old name.txt", config::PromptAnswerCapacity);
  if (kind == 2)
    answer = host.AskChoice(questionText, "old name.txt", {"/pub", "/pub/linux"}, config::PromptAnswerCapacity);
  QCOMPARE(question, QString::fromStdString(questionText));
  QCOMPARE(shown, QStringLiteral("old name.txt"));
  QCOMPARE(selected, QStringLiteral("old name.txt"));
  QVERIFY(focused);
  QCOMPARE(masked, kind == 1);
  const QStringList offered = {QStringLiteral("/pub"), QStringLiteral("/pub/linux")};
  QCOMPARE(listed, kind == 2 ? offered : QStringList());
  QCOMPARE(answer, std::optional<std::string>(std::string(300, 'x')));
}

void DialogsTest::cancelledPromptsAnswerNothing() {
  ui::MainWindow window;
  window.show();
  ui::QtHost host(&window);
  for (const int key : {static_cast<int>(Qt::Key_Escape), 0}) {
    WhenModal([key](QWidget* modal) {
      if (key != 0)
        QTest::keyClick(modal, static_cast<Qt::Key>(key));
      else
        ui::DialogControl<QPushButton>(*modal, 2)->click();
    });
    QCOMPARE(host.AskText("Enter:", "kept", 80), std::nullopt);
  }
}

void DialogsTest::helpKeysAndButtonOpenThePromptsContext_data() {
  QTest::addColumn<int>("key");  // 0: the Help button
  QTest::newRow("F1") << static_cast<int>(Qt::Key_F1);
  QTest::newRow("F2") << static_cast<int>(Qt::Key_F2);
  QTest::newRow("Help button") << 0;
}

void DialogsTest::helpKeysAndButtonOpenThePromptsContext() {
  QFETCH(int, key);
  ui::MainWindow window;
  window.show();
  ui::QtHost host(&window);
  platform::SetHost(&host);
  std::vector<int> opened;
  host.SetHelpHandler([&opened](int context) { opened.push_back(context); });
  auto press = [key](QWidget* modal) {
    if (key != 0)
      QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : modal, static_cast<Qt::Key>(key));
    else
      ui::DialogControl<QPushButton>(*modal, 9041)->click();
    QTest::qWait(20);  // the help call is queued to the GUI thread
    qobject_cast<QDialog*>(modal)->reject();
  };
  WhenModal(press);
  host.SetPromptHelpContext(config::CommandLineHelpContext);
  QCOMPARE(host.AskText("Enter command line:", "", 80), std::nullopt);
  // Every prompt goes back to context 0 when it closes.
  WhenModal(press);
  QCOMPARE(host.AskPassword("Password:", 80), std::nullopt);
  platform::SetHost(nullptr);
  QCOMPARE(opened, (std::vector<int>{config::CommandLineHelpContext, 0}));
}

void DialogsTest::verifyDeletionAnswersTheButtonsId_data() {
  QTest::addColumn<int>("button");
  QTest::addColumn<bool>("offerDeleteAll");
  QTest::addColumn<int>("expected");
  QTest::newRow("Yes") << 6 << true << 6;
  QTest::newRow("No") << 7 << true << 7;
  QTest::newRow("Delete All") << 4 << true << 4;
  QTest::newRow("Cancel") << 2 << true << 2;
  QTest::newRow("Escape") << -1 << false << 2;
  QTest::newRow("single: Yes") << 6 << false << 6;
}

void DialogsTest::verifyDeletionAnswersTheButtonsId() {
  QFETCH(int, button);
  QFETCH(bool, offerDeleteAll);
  QFETCH(int, expected);
  ui::MainWindow window;
  window.show();
  ui::QtHost host(&window);
  QString caption;
  QString question;
  bool deleteAllShown = false;
  WhenModal([&](QWidget* modal) {
    caption = modal->windowTitle();
    question = modal->findChild<QLabel*>(QStringLiteral("DLG_DELETE_question"))->text();
    deleteAllShown = ui::DialogControl<QPushButton>(*modal, 4)->isVisible();
    if (button == 6 && offerDeleteAll) Screenshot(modal, QStringLiteral("DLG_DELETE"));
    if (button < 0)
      QTest::keyClick(modal, Qt::Key_Escape);
    else
      ui::DialogControl<QPushButton>(*modal, button)->click();
  });
  const int answer = host.AskVerifyDeletion("Are you sure you want to delete \"report.txt\"?", offerDeleteAll);
  QCOMPARE(answer, expected);
  QCOMPARE(caption, QStringLiteral("Verify Deletion"));
  QCOMPARE(question, QStringLiteral("Are you sure you want to delete \"report.txt\"?"));
  QCOMPARE(deleteAllShown, offerDeleteAll);
}

void DialogsTest::chmodDialogShowsAndReturnsTheBits_data() {
  QTest::addColumn<int>("opening");
  QTest::addColumn<QList<int>>("toggled");  // ids clicked
  QTest::addColumn<bool>("ok");
  QTest::addColumn<int>("expected");
  QTest::newRow("644 unchanged") << 644 << QList<int>{} << true << 644;
  QTest::newRow("644 plus owner execute") << 644 << QList<int>{2423} << true << 744;
  QTest::newRow("755 less other read") << 755 << QList<int>{1882} << true << 751;
  QTest::newRow("every box cleared") << 644 << QList<int>{1880, 2422, 1881, 1882} << true << 0;
  QTest::newRow("cancel") << 644 << QList<int>{2423} << false << 0;
}

void DialogsTest::chmodDialogShowsAndReturnsTheBits() {
  QFETCH(int, opening);
  QFETCH(QList<int>, toggled);
  QFETCH(bool, ok);
  QFETCH(int, expected);
  ui::MainWindow window;
  window.show();
  ui::QtHost host(&window);
  config::ChmodBoxes shown{};
  QString caption;
  WhenModal([&](QWidget* modal) {
    caption = modal->windowTitle();
    for (std::size_t i = 0; i < ui::ChmodDialog::BoxIds.size(); ++i)
      shown[i] = ui::DialogControl<QCheckBox>(*modal, ui::ChmodDialog::BoxIds[i])->isChecked();
    if (opening == 644 && toggled.isEmpty()) Screenshot(modal, QStringLiteral("DLG_CHMOD"));
    for (const int id : toggled) ui::DialogControl<QCheckBox>(*modal, id)->click();
    ui::DialogControl<QPushButton>(*modal, ok ? 1 : 2)->click();
  });
  QCOMPARE(host.RunChmodDialog(opening), expected);
  QCOMPARE(caption, QStringLiteral("Remote file permissions"));
  QVERIFY(shown == config::ChmodBoxesFromBits(opening));
}

void DialogsTest::aboutBoxNamesVersionSystemAndFreeSpace() {
  ui::MainWindow window;
  window.show();
  QString version;
  QString system;
  QString freeSpace;
  bool pictures = false;
  WhenModal([&](QWidget* modal) {
    version = ui::DialogControl<QLabel>(*modal, 921)->text();
    system = ui::DialogControl<QLabel>(*modal, 919)->text();
    freeSpace = ui::DialogControl<QLabel>(*modal, 918)->text();
    pictures = !ui::DialogControl<QLabel>(*modal, 2417)->pixmap().isNull() &&
               !ui::DialogControl<QLabel>(*modal, 2418)->pixmap().isNull();
    Screenshot(modal, QStringLiteral("DLG_ABOUT"));
    ui::DialogControl<QPushButton>(*modal, 1)->click();
  });
  window.RunCommand(9037);
  QVERIFY2(QRegularExpression(QStringLiteral("^\\d+(\\.\\d+)+ \\d\\d\\.\\d\\d\\.\\d\\d$")).match(version).hasMatch(),
           qPrintable(version));
  QVERIFY2(system.startsWith(QStringLiteral("Linux ")) && system.contains(QStringLiteral("(threaded) - ")) &&
               (system.endsWith(QStringLiteral(" CPU")) || system.endsWith(QStringLiteral(" CPUs"))),
           qPrintable(system));
  QVERIFY2(QRegularExpression(QStringLiteral("^\\d+ KB Free$")).match(freeSpace).hasMatch(), qPrintable(freeSpace));
  QVERIFY(pictures);
}

void DialogsTest::messageBoxesCarryTheirCaptions() {
  ui::MainWindow window;
  window.show();
  ui::QtHost host(&window);
  QStringList captions;
  WhenModal([&](QWidget* modal) {
    captions << modal->windowTitle();
    Screenshot(modal, QStringLiteral("AskYesNo"));
    qobject_cast<QMessageBox*>(modal)->button(QMessageBox::Yes)->click();
  });
  const bool yes = host.AskYesNo("Do you want to transfer the selected directory structures?", "Tree Transfer");
  WhenModal([&](QWidget* modal) {
    captions << modal->windowTitle();
    qobject_cast<QDialog*>(modal)->accept();
  });
  host.ShowMessage("Transfer complete.", "KORVAL95 LE");
  QCOMPARE(captions, (QStringList{QStringLiteral("Tree Transfer"), QStringLiteral("KORVAL95 LE")}));
  QVERIFY(yes);
}

QTEST_MAIN(DialogsTest)
#include "dialogs_test.moc"
