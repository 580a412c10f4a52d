// The Session Profile and Advanced dialogs offscreen: the program started
// with AUTOSTART against the demo server (on a port of its own, from a copy
// of the demo's KORVAL.INI), Connect and Close, and the dialog's edge cases
// through its own controls. Screenshots go to screenshots/ in the build tree.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <optional>
#include <utility>
#include <string>
#include <vector>

#include "config/command_options.h"
#include "config/program_files.h"
#include "config/program_settings.h"
#include "config/session_profile.h"
#include "engine/message_log.h"
#include "engine/session.h"
#include "listing/directory_box.h"
#include "listing/pane_list.h"
#include "platform/fs.h"
#include "platform/host.h"
#include "platform/ini.h"
#include "ui/advanced_profile_dialog.h"
#include "ui/dialog_support.h"
#include "ui/main_window.h"
#include "ui/session_profile_dialog.h"
#include "ui/window_program.h"

using namespace korval;

namespace {

// The demo server on a free port with free passive ports, killed with the
// object.
class DemoServer {
 public:
  bool Start() {
    process_.setProgram(QStringLiteral("/usr/bin/python3"));
    process_.setArguments({QStringLiteral(KORVAL_SOURCE_DIR "/demo/demo_server.py"), QStringLiteral("0"),
                           QStringLiteral("any")});
    process_.setProcessChannelMode(QProcess::SeparateChannels);
    process_.start();
    if (!process_.waitForStarted(5000)) return false;
    const QRegularExpression listening(QStringLiteral("listening on 127\\.0\\.0\\.1:(\\d+)"));
    QByteArray output;
    for (int i = 0; i < 100 && port_ == 0; ++i) {
      if (!process_.waitForReadyRead(100) && process_.state() != QProcess::Running) break;
      output += process_.readAllStandardOutput();
      const QRegularExpressionMatch match = listening.match(QString::fromUtf8(output));
      if (match.hasMatch()) port_ = match.captured(1).toInt();
    }
    if (port_ == 0) error_ = QString::fromUtf8(output + process_.readAllStandardError());
    return port_ != 0;
  }
  ~DemoServer() {
    process_.kill();
    process_.waitForFinished(5000);
  }
  int Port() const { return port_; }
  QString Error() const { return error_; }

 private:
  QProcess process_;
  int port_ = 0;
  QString error_;
};

// Answers the dialog's questions from a table, for the cases that need no
// window; installed while it lives.
class AnsweringHost : public platform::Host {
 public:
  AnsweringHost() { platform::SetHost(this); }
  ~AnsweringHost() override { platform::SetHost(nullptr); }
  std::vector<bool> YesNoAnswers;  // taken in order; No when used up
  std::vector<std::string> Questions;
  std::vector<std::string> Messages;
  std::optional<std::string> MailAnswer;
  int TextPrompts = 0;
  std::vector<int> PromptContexts;  // the help context each text prompt had
  std::vector<int> HelpOpened;
  int promptContext = 0;
  void SetPromptHelpContext(int context) override { promptContext = context; }
  void ShowHelp(int context) override { HelpOpened.push_back(context); }
  bool AskYesNo(std::string_view question, std::string_view) override {
    Questions.emplace_back(question);
    if (YesNoAnswers.empty()) return false;
    const bool answer = YesNoAnswers.front();
    YesNoAnswers.erase(YesNoAnswers.begin());
    return answer;
  }
  void ShowMessage(std::string_view text, std::string_view) override { Messages.emplace_back(text); }
  std::optional<std::string> AskText(std::string_view, std::string_view, std::size_t) override {
    ++TextPrompts;
    PromptContexts.push_back(std::exchange(promptContext, 0));
    return MailAnswer;
  }
};

}  // namespace

class ProfileDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void init();
  void autostartShowsTheDemoProfileAndOkLogsOn();
  void theListOffersProfilesButNotTheReservedSections();
  void aNameWithoutHostLeavesTheFieldsAndOneWithAHostLoadsIt();
  void saveAddsANewNameAndOkWithAnEmptyNameTakesTheHost();
  void deleteAsksFirstAndTheLastEntryLoadsTheFirst();
  void reservedNamesAreRefusedBySaveOkAndDelete_data();
  void reservedNamesAreRefusedBySaveOkAndDelete();
  void anonymousBoxFillsUserAndAddressAndMasksAgain();
  void newAndCancel();
  void advancedDialogClampsItsNumbersAndLeavesTheFirewallAlone();
  void helpKeysOpenEachDialogsContext();

 private:
  // Writes KORVAL.INI and reads it as the program does.
  void UseConfig(const QString& text);
  QString ConfigText() const;
  static void WhenModal(std::function<void(QWidget*)> act);
  void Screenshot(QWidget* widget, const QString& name);
  template <typename Control>
  static Control* C(const QWidget& dialog, int id) {
    Control* control = ui::DialogControl<Control>(dialog, id);
    if (!control) qFatal("no control %d in %s", id, qPrintable(dialog.objectName()));
    return control;
  }

  QTemporaryDir work_;
  QTemporaryDir temporary_;
  QString screenshots_;
  QString configPath_;
};

const char* const EdgeCaseConfig =
    "[_config_]\nAUTOSTART=0\nSESSION=beta\nMAILADDR=\n\n"
    "[alpha]\nHOST=a.example.org\nUID=anna\nCOMMENT=First\n\n"
    "[beta]\nHOST=b.example.org\nUID=bert\nACT=acct\nDIR=/pub\nLOCDIR=/tmp\nTYPE=6004\nCOMMENT=Second\n\n"
    "[FIREWALL]\nHOST=fw.example.org\nUID=fwuser\nPORT=1080\nFIRETYPE=2\n\n"
    "[KORVAL]\nFIREWALL=0\n\n"
    "[nohost]\nUID=nobody\n";

void ProfileDialogTest::initTestCase() {
  QVERIFY(work_.isValid() && temporary_.isValid());
  platform::SetTemporaryDirectoryOverride(temporary_.path().toStdString());
  QVERIFY(QDir(work_.path()).mkpath(QStringLiteral("local")));
  QVERIFY(QDir::setCurrent(work_.filePath(QStringLiteral("local"))));
  screenshots_ = QStringLiteral(KORVAL_BINARY_DIR "/screenshots");
  QVERIFY(QDir().mkpath(screenshots_));
  configPath_ = work_.filePath(QStringLiteral("KORVAL.INI"));
}

void ProfileDialogTest::init() {
  engine::ResetSession();
  engine::ResetMessageLog();
  listing::ResetPaneLists();
  listing::ResetDirectoryBoxes();
}

void ProfileDialogTest::UseConfig(const QString& text) {
  QFile file(configPath_);
  QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write(text.toUtf8());
  file.close();
  config::ResetProgramSettings();
  config::ResetBatchRequest();
  QVERIFY(config::LocateProgramFiles("-i " + configPath_.toStdString()).has_value());
}

QString ProfileDialogTest::ConfigText() const {
  QFile file(configPath_);
  if (!file.open(QIODevice::ReadOnly)) return QString();
  return QString::fromUtf8(file.readAll());
}

void ProfileDialogTest::WhenModal(std::function<void(QWidget*)> act) {
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

void ProfileDialogTest::Screenshot(QWidget* widget, const QString& name) {
  QVERIFY(widget->grab().save(screenshots_ + QStringLiteral("/dialog-%1.png").arg(name)));
}

void ProfileDialogTest::autostartShowsTheDemoProfileAndOkLogsOn() {
  DemoServer server;
  QVERIFY2(server.Start(), qPrintable(server.Error()));
  QFile demo(QStringLiteral(KORVAL_SOURCE_DIR "/demo/KORVAL.INI"));
  QVERIFY(demo.open(QIODevice::ReadOnly));
  QString text = QString::fromUtf8(demo.readAll());
  text.replace(QStringLiteral("PORT=2121"), QStringLiteral("PORT=%1").arg(server.Port()));
  text.replace(QStringLiteral("[_config_]\n"), QStringLiteral("[_config_]\nAUTOSTART=1\n"));
  UseConfig(text);

  ui::WindowProgram program;
  ui::MainWindow& window = program.Window();
  QString name, host, user, password, comment;
  bool masked = false;
  bool splashGone = false;
  bool opened = false;
  WhenModal([&](QWidget* modal) {
    opened = modal->objectName() == QStringLiteral("DLG_HOST");
    if (!opened) return;
    splashGone = program.SplashShown() == nullptr;
    name = C<QComboBox>(*modal, 105)->currentText();
    host = C<QLineEdit>(*modal, 106)->text();
    user = C<QLineEdit>(*modal, 108)->text();
    password = C<QLineEdit>(*modal, 109)->text();
    masked = C<QLineEdit>(*modal, 109)->echoMode() == QLineEdit::Password;
    comment = C<QLineEdit>(*modal, 954)->text();
    Screenshot(modal, QStringLiteral("DLG_HOST"));
    QTest::mouseClick(C<QPushButton>(*modal, 1), Qt::LeftButton);
  });
  program.Start({}, ui::WindowProgram::Splash::Yes);
  const QString connected = QStringLiteral("KORVAL95 LE 127.0.0.1");
  QVERIFY(QTest::qWaitFor([&] { return window.windowTitle() == connected; }, 15000));
  QVERIFY(opened);
  QVERIFY(splashGone);
  QCOMPARE(name, QStringLiteral("demo"));
  QCOMPARE(host, QStringLiteral("127.0.0.1"));
  QCOMPARE(user, QStringLiteral("demo"));
  QCOMPARE(password, QStringLiteral("demo"));
  QVERIFY(masked);
  QCOMPARE(comment, QStringLiteral("The bundled demo server"));

  const engine::MessageLogHistory history = engine::LogHistorySnapshot();
  bool loggedOn = false;
  for (const std::string& line : history.LogHistory) loggedOn = loggedOn || line.rfind("230", 0) == 0;
  QVERIFY(loggedOn);
  auto* connect = qobject_cast<QPushButton*>(window.ControlForId(9000));
  QCOMPARE(connect->text(), QStringLiteral("&Close"));
  QVERIFY(engine::TheSession().LoggedOn);
  Screenshot(&window, QStringLiteral("main_window_connected"));

  QTest::mouseClick(connect, Qt::LeftButton);
  QVERIFY(QTest::qWaitFor([&] { return connect->text() == QStringLiteral("&Connect"); }, 5000));
  QCOMPARE(window.windowTitle(), QStringLiteral("KORVAL95 LE"));
  QCOMPARE(engine::TheSession().ControlSocket, -1);
  window.close();
}

void ProfileDialogTest::theListOffersProfilesButNotTheReservedSections() {
  UseConfig(QString::fromLatin1(EdgeCaseConfig));
  AnsweringHost host;
  ui::SessionProfileDialog dialog(nullptr);
  QComboBox* names = C<QComboBox>(dialog, 105);
  QStringList listed;
  for (int i = 0; i < names->count(); ++i) listed << names->itemText(i);
  QCOMPARE(listed, (QStringList{QStringLiteral("alpha"), QStringLiteral("beta"), QStringLiteral("nohost")}));
  // It opens on the current profile (SESSION), as its section holds it.
  QCOMPARE(names->currentText(), QStringLiteral("beta"));
  QCOMPARE(C<QLineEdit>(dialog, 106)->text(), QStringLiteral("b.example.org"));
  QCOMPARE(C<QLineEdit>(dialog, 119)->text(), QStringLiteral("acct"));
  QCOMPARE(C<QLineEdit>(dialog, 110)->text(), QStringLiteral("/pub"));
  QCOMPARE(C<QLineEdit>(dialog, 832)->text(), QStringLiteral("/tmp"));
  QCOMPARE(C<QLineEdit>(dialog, 954)->text(), QStringLiteral("Second"));
  QCOMPARE(C<QComboBox>(dialog, 107)->count(), 41);
  QCOMPARE(C<QComboBox>(dialog, 107)->currentIndex(), 4);
  QCOMPARE(C<QComboBox>(dialog, 107)->currentData().toUInt(), 6004u);
}

void ProfileDialogTest::aNameWithoutHostLeavesTheFieldsAndOneWithAHostLoadsIt() {
  UseConfig(QString::fromLatin1(EdgeCaseConfig));
  AnsweringHost host;
  ui::SessionProfileDialog dialog(nullptr);
  dialog.show();
  QComboBox* names = C<QComboBox>(dialog, 105);
  names->setCurrentIndex(names->findText(QStringLiteral("nohost")));
  emit names->textActivated(QStringLiteral("nohost"));
  QCOMPARE(C<QLineEdit>(dialog, 106)->text(), QStringLiteral("b.example.org"));
  QCOMPARE(C<QLineEdit>(dialog, 108)->text(), QStringLiteral("bert"));
  // Typed: each change of the text is looked up.
  names->lineEdit()->selectAll();
  QTest::keyClicks(names->lineEdit(), QStringLiteral("alpha"));
  QCOMPARE(C<QLineEdit>(dialog, 106)->text(), QStringLiteral("a.example.org"));
  QCOMPARE(C<QLineEdit>(dialog, 108)->text(), QStringLiteral("anna"));
  QCOMPARE(C<QLineEdit>(dialog, 954)->text(), QStringLiteral("First"));
  QCOMPARE(C<QLineEdit>(dialog, 119)->text(), QString());
}

void ProfileDialogTest::saveAddsANewNameAndOkWithAnEmptyNameTakesTheHost() {
  UseConfig(QString::fromLatin1(EdgeCaseConfig));
  AnsweringHost host;
  {
    ui::SessionProfileDialog dialog(nullptr);
    dialog.show();
    QComboBox* names = C<QComboBox>(dialog, 105);
    names->setEditText(QStringLiteral("   gamma"));
    C<QLineEdit>(dialog, 106)->setText(QStringLiteral("g.example.org"));
    C<QLineEdit>(dialog, 954)->setText(QStringLiteral("Third"));
    QTest::mouseClick(C<QPushButton>(dialog, 101), Qt::LeftButton);
    QVERIFY(dialog.isVisible());  // Save keeps the dialog open
    QVERIFY(names->findText(QStringLiteral("gamma")) >= 0);
    const std::string path = configPath_.toStdString();
    QCOMPARE(platform::ReadIniString(path, "gamma", "HOST", "", 100), std::string("g.example.org"));
    QCOMPARE(platform::ReadIniString(path, "gamma", "UID", "", 100), std::string("bert"));
    QCOMPARE(platform::ReadIniString(path, "gamma", "COMMENT", "", 100), std::string("Third"));
  }
  {
    ui::SessionProfileDialog dialog(nullptr);
    dialog.show();
    C<QComboBox>(dialog, 105)->setEditText(QString());
    C<QLineEdit>(dialog, 106)->setText(QStringLiteral("h.example.org"));
    C<QCheckBox>(dialog, 837)->setChecked(true);  // AUTOSAVE: Ok saves too
    QTest::mouseClick(C<QPushButton>(dialog, 1), Qt::LeftButton);
    QCOMPARE(dialog.result(), static_cast<int>(QDialog::Accepted));
    QCOMPARE(config::ProfileDialogCopy().Name, std::string("h.example.org"));
    QCOMPARE(config::Settings().AutoSave, 1);
    QCOMPARE(platform::ReadIniString(configPath_.toStdString(), "h.example.org", "HOST", "", 100),
             std::string("h.example.org"));
  }
  QVERIFY(host.Messages.empty());
}

void ProfileDialogTest::deleteAsksFirstAndTheLastEntryLoadsTheFirst() {
  UseConfig(QString::fromLatin1(EdgeCaseConfig));
  AnsweringHost host;
  ui::SessionProfileDialog dialog(nullptr);
  dialog.show();
  QComboBox* names = C<QComboBox>(dialog, 105);
  names->setCurrentIndex(names->findText(QStringLiteral("nohost")));
  // No keeps the profile.
  host.YesNoAnswers = {false};
  QTest::mouseClick(C<QPushButton>(dialog, 102), Qt::LeftButton);
  QCOMPARE(host.Questions, (std::vector<std::string>{"Delete the profile \"nohost\"?"}));
  QCOMPARE(names->count(), 3);
  QVERIFY(ConfigText().contains(QStringLiteral("[nohost]")));
  // Yes on the last entry: it goes, and the first entry is loaded.
  host.YesNoAnswers = {true};
  QTest::mouseClick(C<QPushButton>(dialog, 102), Qt::LeftButton);
  QCOMPARE(names->count(), 2);
  QCOMPARE(names->currentText(), QStringLiteral("alpha"));
  QCOMPARE(C<QLineEdit>(dialog, 106)->text(), QStringLiteral("a.example.org"));
  QVERIFY(!ConfigText().contains(QStringLiteral("[nohost]")));
  // An entry in the middle: the one now at its place.
  host.YesNoAnswers = {true};
  QTest::mouseClick(C<QPushButton>(dialog, 102), Qt::LeftButton);
  QCOMPARE(names->currentText(), QStringLiteral("beta"));
  QCOMPARE(C<QLineEdit>(dialog, 106)->text(), QStringLiteral("b.example.org"));
}

void ProfileDialogTest::reservedNamesAreRefusedBySaveOkAndDelete_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<int>("button");
  for (const QString& name : {QStringLiteral("FIREWALL"), QStringLiteral("korval"), QStringLiteral("_config_")}) {
    for (const int button : {101, 1, 102}) {
      const QByteArray row = QStringLiteral("%1 %2").arg(name).arg(button).toUtf8();
      QTest::newRow(row.constData()) << name << button;
    }
  }
}

void ProfileDialogTest::reservedNamesAreRefusedBySaveOkAndDelete() {
  QFETCH(QString, name);
  QFETCH(int, button);
  UseConfig(QString::fromLatin1(EdgeCaseConfig));
  const QString before = ConfigText();
  AnsweringHost host;
  host.YesNoAnswers = {true};
  ui::SessionProfileDialog dialog(nullptr);
  dialog.show();
  C<QCheckBox>(dialog, 837)->setChecked(true);
  {
    const QSignalBlocker quiet(C<QComboBox>(dialog, 105));
    C<QComboBox>(dialog, 105)->setEditText(name);
  }
  QTest::mouseClick(C<QPushButton>(dialog, button), Qt::LeftButton);
  QCOMPARE(host.Messages,
           (std::vector<std::string>{name.toStdString() + " is a reserved name; choose another profile name."}));
  QVERIFY(host.Questions.empty());  // refused before Delete asks
  QVERIFY(dialog.isVisible());
  QCOMPARE(ConfigText(), before);
}

void ProfileDialogTest::anonymousBoxFillsUserAndAddressAndMasksAgain() {
  UseConfig(QString::fromLatin1(EdgeCaseConfig));
  AnsweringHost host;
  host.MailAnswer = "me@example.org";
  ui::SessionProfileDialog dialog(nullptr);
  dialog.show();
  QLineEdit* password = C<QLineEdit>(dialog, 109);
  QCOMPARE(password->echoMode(), QLineEdit::Password);
  QTest::mouseClick(C<QCheckBox>(dialog, 111), Qt::LeftButton);
  QCOMPARE(host.TextPrompts, 1);  // MAILADDR was empty
  QCOMPARE(host.PromptContexts, std::vector<int>{270});
  QCOMPARE(C<QLineEdit>(dialog, 108)->text(), QStringLiteral("anonymous"));
  QCOMPARE(password->text(), QStringLiteral("me@example.org"));
  QCOMPARE(password->echoMode(), QLineEdit::Normal);
  QCOMPARE(C<QLineEdit>(dialog, 119)->text(), QString());
  QCOMPARE(dialog.focusWidget(), C<QCheckBox>(dialog, 111));
  Screenshot(&dialog, QStringLiteral("DLG_HOST_anonymous"));
  QTest::mouseClick(C<QCheckBox>(dialog, 111), Qt::LeftButton);
  QCOMPARE(password->echoMode(), QLineEdit::Password);
  QCOMPARE(password->text(), QStringLiteral("me@example.org"));
  QCOMPARE(C<QLineEdit>(dialog, 108)->text(), QStringLiteral("anonymous"));
  // Once known, the address is not asked again.
  QTest::mouseClick(C<QCheckBox>(dialog, 111), Qt::LeftButton);
  QCOMPARE(host.TextPrompts, 1);
}

void ProfileDialogTest::newAndCancel() {
  UseConfig(QString::fromLatin1(EdgeCaseConfig));
  AnsweringHost host;
  const config::SessionProfile current = config::CurrentProfile();
  ui::SessionProfileDialog dialog(nullptr);
  dialog.show();
  QTest::mouseClick(C<QPushButton>(dialog, 103), Qt::LeftButton);
  QCOMPARE(C<QComboBox>(dialog, 105)->currentText(), QString());
  QCOMPARE(C<QLineEdit>(dialog, 106)->text(), QString());
  QCOMPARE(C<QLineEdit>(dialog, 108)->text(), QString());
  QCOMPARE(C<QComboBox>(dialog, 107)->currentIndex(), 0);
  QCOMPARE(config::ProfileDialogCopy().Name, std::string());
  QTest::mouseClick(C<QPushButton>(dialog, 2), Qt::LeftButton);
  QCOMPARE(dialog.result(), static_cast<int>(QDialog::Rejected));
  QCOMPARE(config::ProfileDialogCopy().Name, current.Name);
  QCOMPARE(config::ProfileDialogCopy().Host, current.Host);
}

void ProfileDialogTest::advancedDialogClampsItsNumbersAndLeavesTheFirewallAlone() {
  UseConfig(QString::fromLatin1(EdgeCaseConfig));
  const QString before = ConfigText();
  AnsweringHost host;
  ui::SessionProfileDialog dialog(nullptr);
  dialog.show();
  bool firewallFieldsEnabled = true;
  QString firewallHost;
  bool typeShown = false;
  WhenModal([&](QWidget* modal) {
    QCOMPARE(modal->objectName(), QStringLiteral("DLG_ADV_CONNECT"));
    firewallFieldsEnabled = C<QLineEdit>(*modal, 106)->isEnabled();
    firewallHost = C<QLineEdit>(*modal, 106)->text();
    typeShown = C<QRadioButton>(*modal, 903)->isChecked();
    // Turned on, the fields wake up; off again, they sleep.
    C<QCheckBox>(*modal, 120)->setChecked(true);
    Screenshot(modal, QStringLiteral("DLG_ADV_CONNECT"));
    const bool wokeUp = C<QLineEdit>(*modal, 118)->isEnabled() && C<QRadioButton>(*modal, 901)->isEnabled();
    C<QCheckBox>(*modal, 120)->setChecked(false);
    if (!wokeUp || C<QLineEdit>(*modal, 118)->isEnabled()) firewallHost = QStringLiteral("enabling is wrong");
    C<QLineEdit>(*modal, 835)->setText(QStringLiteral("50"));
    C<QLineEdit>(*modal, 4040)->setText(QStringLiteral("0"));
    C<QLineEdit>(*modal, 117)->setText(QStringLiteral("5"));
    C<QLineEdit>(*modal, 106)->setText(QStringLiteral("typed.example.org"));
    QTest::mouseClick(C<QPushButton>(*modal, 1), Qt::LeftButton);
  });
  QTest::mouseClick(C<QPushButton>(dialog, 913), Qt::LeftButton);
  QVERIFY(!firewallFieldsEnabled);
  QCOMPARE(firewallHost, QStringLiteral("fw.example.org"));
  QVERIFY(typeShown);
  const config::SessionProfile& copy = config::ProfileDialogCopy();
  QCOMPARE(copy.Retries, 20);
  QCOMPARE(copy.Timeout, 65u);
  QCOMPARE(copy.Port, 21u);
  QCOMPARE(copy.UseFirewall, 0);
  QCOMPARE(ConfigText(), before);
}

void ProfileDialogTest::helpKeysOpenEachDialogsContext() {
  UseConfig(QString::fromLatin1(EdgeCaseConfig));
  AnsweringHost host;
  ui::SessionProfileDialog dialog(nullptr);
  dialog.show();
  dialog.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&dialog));  // the keys are the active window's
  QTest::keyClick(C<QLineEdit>(dialog, 106), Qt::Key_F1);
  QTest::keyClick(C<QLineEdit>(dialog, 108), Qt::Key_F2);
  QTest::mouseClick(C<QPushButton>(dialog, 9041), Qt::LeftButton);
  WhenModal([](QWidget* modal) {
    QTest::keyClick(C<QLineEdit>(*modal, 835), Qt::Key_F1);
    QTest::mouseClick(C<QPushButton>(*modal, 9041), Qt::LeftButton);
    QTest::mouseClick(C<QPushButton>(*modal, 2), Qt::LeftButton);
  });
  QTest::mouseClick(C<QPushButton>(dialog, 913), Qt::LeftButton);
  QCOMPARE(host.HelpOpened, (std::vector<int>{30, 30, 30, 35, 35}));
}

QTEST_MAIN(ProfileDialogTest)
#include "profile_dialog_test.moc"
