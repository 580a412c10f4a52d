// Prompts of the transfer worker through the window's dialogs, against
// pyftpdlib: the worker's name prompts open on the GUI thread, a cancelled
// one logs "cancelled" and the selection goes on with the next file, whose
// typed name arrives in the worker.

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <string>

#include "config/command_options.h"
#include "config/password_encoding.h"
#include "config/program_files.h"
#include "config/program_settings.h"
#include "engine/message_log.h"
#include "engine/session.h"
#include "listing/pane_list.h"
#include "operations/tree_transfer.h"
#include "platform/fs.h"
#include "tests/support/pane_state.h"
#include "tests/support/real_ftp_server.h"
#include "ui/input_dialog.h"
#include "ui/main_window.h"
#include "ui/window_program.h"

using namespace korval;

class WorkerPromptTest : public QObject {
  Q_OBJECT

 private slots:
  void aCancelledNamePromptLogsCancelledAndTheNextFileGoesOn();
};

void WorkerPromptTest::aCancelledNamePromptLogsCancelledAndTheNextFileGoesOn() {
  korval::testing::RealFtpServer server(korval::testing::ServerKind::Pyftpdlib);
  QVERIFY2(server.Start(), server.Error().c_str());
  QVERIFY(server.WriteFile("one.txt", "first\n"));
  QVERIFY(server.WriteFile("two.txt", "second\n"));

  QTemporaryDir work;
  QTemporaryDir temporary;
  QVERIFY(work.isValid() && temporary.isValid());
  platform::SetTemporaryDirectoryOverride(temporary.path().toStdString());
  QVERIFY(QDir(work.path()).mkpath(QStringLiteral("local")));
  QVERIFY(QDir::setCurrent(work.filePath(QStringLiteral("local"))));
  const QString configPath = work.filePath(QStringLiteral("KORVAL.INI"));
  {
    QFile file(configPath);
    QVERIFY(file.open(QIODevice::WriteOnly));
    const std::string text = "[_config_]\nAUTOSTART=0\nSESSION=real\nPROMPT=1\nBELL=0\n\n[real]\nHOST=127.0.0.1\nPORT=" +
                             std::to_string(server.Port()) + "\nUID=" + server.User() +
                             "\nPWD=" + config::EncodePassword(server.User(), server.Password()) + "\nPASVMODE=1\n";
    file.write(text.c_str());
  }
  config::ResetProgramSettings();
  config::ResetBatchRequest();
  QVERIFY(config::LocateProgramFiles("-i " + configPath.toStdString()).has_value());
  engine::ResetSession();
  engine::ResetMessageLog();

  ui::WindowProgram program;
  program.Start();
  ui::MainWindow& window = program.Window();
  // Connect: the profile dialog's Ok.
  auto* timer = new QTimer(&window);
  QObject::connect(timer, &QTimer::timeout, timer, [timer] {
    if (QWidget* modal = QApplication::activeModalWidget(); modal && modal->objectName() == QStringLiteral("DLG_HOST")) {
      timer->stop();
      modal->findChild<QPushButton*>(QStringLiteral("DLG_HOST_1"))->click();
    }
  });
  timer->start(10);
  window.RunCommand(9000);
  QVERIFY(QTest::qWaitFor([] { return engine::TheSession().LoggedOn; }, 10000));
  QVERIFY(korval::testing::SelectByName(listing::RemotePane(), {"one.txt", "two.txt"}));

  // The worker asks for each local name: Cancel the first, rename the second.
  QStringList questions;
  auto* answers = new QTimer(&window);
  QObject::connect(answers, &QTimer::timeout, answers, [&] {
    auto* prompt = qobject_cast<ui::InputDialog*>(QApplication::activeModalWidget());
    if (!prompt || !prompt->isVisible()) return;
    const QString asked = prompt->findChild<QWidget*>(QStringLiteral("DLG_INPUT_3010"))->property("text").toString();
    questions << asked;
    if (questions.size() == 1) {
      prompt->reject();
    } else {
      prompt->SetAnswer(QStringLiteral("second-copy.txt"));
      prompt->accept();
    }
  });
  answers->start(10);
  operations::StartReceiveSelected(listing::RemotePane());
  QVERIFY(QTest::qWaitFor([] { return !engine::IsWorkerBusy(); }, 15000));
  operations::WaitForSelectionWorker();
  answers->stop();

  QCOMPARE(questions, (QStringList{QStringLiteral("Enter local file name for one.txt:"),
                                   QStringLiteral("Enter local file name for two.txt:")}));
  const engine::MessageLogHistory history = engine::LogHistorySnapshot();
  bool cancelled = false;
  for (const std::string& line : history.LogHistory) cancelled = cancelled || line == "cancelled";
  QVERIFY(cancelled);
  const QDir local(work.filePath(QStringLiteral("local")));
  QVERIFY(!local.exists(QStringLiteral("one.txt")));
  QFile copy(local.filePath(QStringLiteral("second-copy.txt")));
  QVERIFY(copy.open(QIODevice::ReadOnly));
  QCOMPARE(copy.readAll(), QByteArray("second\n"));
  window.close();
  platform::SetTemporaryDirectoryOverride({});
}

QTEST_MAIN(WorkerPromptTest)
#include "worker_prompt_test.moc"
