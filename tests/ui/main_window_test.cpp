// The main window offscreen: where it opens, its controls at the layout's
// rectangles, the focus, the divider drag, Exit, and screenshots of each
// layout under the build tree (screenshots/).

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QListView>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>

#include <algorithm>
#include <vector>

#include "config/command_options.h"
#include "config/program_files.h"
#include "config/program_settings.h"
#include "engine/message_log.h"
#include "engine/session.h"
#include "listing/directory_box.h"
#include "listing/pane_list.h"
#include "platform/fs.h"
#include "ui/help_viewer.h"
#include "ui/logic/control_table.h"
#include "ui/logic/main_layout.h"
#include "ui/main_window.h"
#include "ui/splash_window.h"
#include "ui/window_program.h"

using namespace korval;
namespace slot = ui::logic::slot;

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void init();
  void opensAtItsPlaceWithEveryControlWhereTheLayoutPutsIt();
  void draggingTheDividerMovesTheLists();
  void tabWalksTheTableOrderAndWraps();
  void aNarrowerWindowGivesTheSplitBackOnceConnectWasTried();
  void helpKeysOpenTheirPages();
  void exitEndsWithZeroAndLeavesNoReservedFile();
  void theSplashGoesWhenTheWindowIsShown();
  void screenshots_data();
  void screenshots();

 private:
  // A KORVAL.INI with AUTOSTART=0 and `extra` lines, read as the program does.
  void UseSettings(const QString& extra);
  QStringList TemporaryFiles() const;
  ui::logic::LayoutInput InputFor(const ui::MainWindow& window) const;

  QTemporaryDir work_;
  QTemporaryDir temporary_;
  QString screenshots_;
};

void MainWindowTest::initTestCase() {
  QVERIFY(work_.isValid() && temporary_.isValid());
  platform::SetTemporaryDirectoryOverride(temporary_.path().toStdString());
  // A small local directory for the local pane.
  QDir work(work_.path());
  QVERIFY(work.mkdir(QStringLiteral("photos")));
  for (const char* name : {"readme.txt", "notes.md", "data.bin"}) {
    QFile file(work.filePath(QString::fromLatin1(name)));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("korval\n");
  }
  QVERIFY(QDir::setCurrent(work_.path()));
  screenshots_ = QStringLiteral(KORVAL_BINARY_DIR "/screenshots");
  QVERIFY(QDir().mkpath(screenshots_));
}

void MainWindowTest::init() {
  engine::ResetSession();
  engine::ResetMessageLog();
  listing::ResetPaneLists();
  listing::ResetDirectoryBoxes();
}

void MainWindowTest::UseSettings(const QString& extra) {
  const QString path = work_.filePath(QStringLiteral("KORVAL.INI"));
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write(QStringLiteral("[_config_]\nAUTOSTART=0\n%1\n").arg(extra).toUtf8());
  file.close();
  config::ResetProgramSettings();
  config::ResetBatchRequest();
  QVERIFY(config::LocateProgramFiles("-i " + path.toStdString()).has_value());
}

QStringList MainWindowTest::TemporaryFiles() const {
  return QDir(temporary_.path()).entryList({QStringLiteral("DIR*"), QStringLiteral("DSP*")}, QDir::Files);
}

// The layout's input as the window should see it: its client size and the
// list font's metrics.
ui::logic::LayoutInput MainWindowTest::InputFor(const ui::MainWindow& window) const {
  const QFontMetrics metrics(window.Control(slot::LocalFileList)->font());
  ui::logic::LayoutInput input;
  input.ClientWidth = window.width();
  input.ClientHeight = window.height();
  input.SystemBaseUnitX = metrics.averageCharWidth();
  input.SystemBaseUnitY = metrics.height();
  input.Alternate = config::Settings().AlternateLayout != 0;
  input.ButtonsOnTop = config::Settings().ButtonsOnTop != 0;
  input.HideButtons = config::Settings().HideDirButtons != 0;
  input.SplitX = window.SplitX();
  input.SplitY = window.SplitY();
  return input;
}

void MainWindowTest::opensAtItsPlaceWithEveryControlWhereTheLayoutPutsIt() {
  UseSettings(QStringLiteral("LOC=30,40,640,480,0,0"));
  ui::WindowProgram program;
  program.Start();
  ui::MainWindow& window = program.Window();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  QCOMPARE(window.windowTitle(), QStringLiteral("KORVAL95 LE"));
  // LOC is the outer rectangle: the frame is taken off the client area.
  QCOMPARE(window.frameGeometry(), QRect(30, 40, 640, 480));
  const ui::logic::Rect outer = window.OuterRectangle();
  QCOMPARE(QRect(outer.X, outer.Y, outer.Width, outer.Height), QRect(30, 40, 640, 480));

  const ui::logic::LayoutResult expected = ui::logic::ComputeLayout(InputFor(window));
  int visible = 0;
  for (int i = 0; i < ui::logic::ControlCount; ++i) {
    QWidget* control = window.Control(i);
    QCOMPARE(control->objectName(), ui::MainWindow::ControlName(i));
    if (!control->isVisible()) continue;
    ++visible;
    const ui::logic::Rect& r = expected.Slots[static_cast<std::size_t>(i)];
    const QRect g = control->geometry();
    if (i == slot::LocalDirectoryBox || i == slot::RemoteDirectoryBox) {
      // A closed box keeps its own height.
      QCOMPARE(QRect(g.x(), g.y(), g.width(), 0), QRect(r.X, r.Y, r.Width, 0));
    } else {
      QVERIFY2(g == QRect(r.X, r.Y, r.Width, r.Height), qPrintable(QStringLiteral("slot %1").arg(i)));
    }
  }
  QCOMPARE(visible, 39);
  QVERIFY(!window.Control(slot::WorkList)->isVisible());
  QVERIFY(window.findChild<QPushButton*>(QStringLiteral("ctl_9000")));

  window.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&window));
  QCOMPARE(QApplication::focusWidget(), window.Control(slot::Connect));
  // The local pane lists the working directory.
  auto* local = static_cast<QListView*>(window.Control(slot::LocalFileList));
  QVERIFY(local->model()->rowCount() >= 4);
  window.close();
}

void MainWindowTest::draggingTheDividerMovesTheLists() {
  UseSettings(QStringLiteral("LOC=10,10,700,500,0,0"));
  ui::WindowProgram program;
  program.Start();
  ui::MainWindow& window = program.Window();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  const int split = window.SplitX();
  const QRect localBefore = window.Control(slot::LocalFileList)->geometry();
  const QRect remoteBefore = window.Control(slot::RemoteFileList)->geometry();
  const QPoint grip(split - 1, localBefore.top() + 4);
  QCOMPARE(window.childAt(grip), nullptr);  // the window's own background

  QTest::mouseMove(&window, grip);
  QCOMPARE(window.cursor().shape(), Qt::SplitHCursor);
  QTest::mousePress(&window, Qt::LeftButton, {}, grip);
  QTest::mouseMove(&window, grip + QPoint(60, 0));
  QTest::mouseRelease(&window, Qt::LeftButton, {}, grip + QPoint(60, 0));
  QCOMPARE(window.SplitX(), split + 59);
  const QRect localAfter = window.Control(slot::LocalFileList)->geometry();
  const QRect remoteAfter = window.Control(slot::RemoteFileList)->geometry();
  QCOMPARE(localAfter.width(), localBefore.width() + 59);
  QCOMPARE(remoteAfter.x(), remoteBefore.x() + 59);
  QCOMPARE(remoteAfter.right(), remoteBefore.right());
  // Away from the divider the cursor is the arrow again.
  QTest::mouseMove(&window, QPoint(split + 59 + 40, localAfter.top() - 2));
  QVERIFY(window.cursor().shape() != Qt::SplitHCursor);
  window.close();
}

void MainWindowTest::tabWalksTheTableOrderAndWraps() {
  UseSettings(QStringLiteral("LOC=10,10,600,460,0,0"));
  ui::WindowProgram program;
  program.Start();
  ui::MainWindow& window = program.Window();
  window.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&window));
  QCOMPARE(QApplication::focusWidget(), window.Control(slot::Connect));
  // From Connect on along the table, from the remote list back to the
  // first control, passing over the disabled ones (not connected: the
  // arrows and the buttons that need a selection).
  const std::vector<int> order = ui::logic::TabOrderSlots();
  const auto connect = std::find(order.begin(), order.end(), slot::Connect);
  QVERIFY(connect != order.end());
  std::vector<int> walk(connect + 1, order.end());
  walk.insert(walk.end(), order.begin(), connect + 1);
  std::vector<int> expected;
  for (int s : walk)
    if (window.Control(s)->isEnabled() && window.Control(s)->isVisible()) expected.push_back(s);
  QVERIFY(!window.Control(slot::Send)->isEnabled());
  QVERIFY(expected.size() < walk.size());
  for (int next : expected) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget()->objectName(), ui::MainWindow::ControlName(next));
  }
  window.close();
}

void MainWindowTest::aNarrowerWindowGivesTheSplitBackOnceConnectWasTried() {
  for (const bool connectTried : {false, true}) {
    UseSettings(QStringLiteral("LOC=10,10,700,500,400,0"));
    ui::WindowProgram program;
    program.Start();
    ui::MainWindow& window = program.Window();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.SplitX(), 400);
    if (connectTried) window.SetConnectTried();
    // Two thirds of the new width no longer hold the split.
    window.resize(560, 500);
    QCoreApplication::processEvents();
    ui::logic::LayoutInput defaults = InputFor(window);
    defaults.SplitX = 0;
    const int expected = connectTried ? ui::logic::ComputeLayout(defaults).SplitX : 400;
    QCOMPARE(window.SplitX(), expected);
    window.close();
  }
}

void MainWindowTest::helpKeysOpenTheirPages() {
  UseSettings(QString());
  ui::WindowProgram program;
  program.Start();
  ui::MainWindow& window = program.Window();
  window.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&window));
  QVERIFY(!ui::HelpFolder().isEmpty());
  struct Case {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    int focusSlot;
    const char* page;
  } cases[] = {
      {Qt::Key_F1, Qt::NoModifier, slot::Connect, "index.html"},
      {Qt::Key_F2, Qt::NoModifier, slot::Connect, "topic-140.html"},
      {Qt::Key_F1, Qt::ControlModifier, slot::Connect, "topic-30.html"},
      {Qt::Key_F1, Qt::ControlModifier, slot::LocalFileList, "topic-220.html"},
      {Qt::Key_F1, Qt::ControlModifier, slot::FirstMainButton + 4, "topic-260.html"},
  };
  for (const Case& c : cases) {
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    window.Control(c.focusSlot)->setFocus();
    QTest::keyClick(window.Control(c.focusSlot), c.key, c.modifiers);
    QCOMPARE(program.Help().CurrentPage(), QString::fromLatin1(c.page));
  }
  // The Help button opens the index.
  program.Help().Show(140);
  QTest::mouseClick(window.Control(slot::FirstMainButton + 3), Qt::LeftButton);
  QCOMPARE(program.Help().CurrentPage(), QStringLiteral("index.html"));
  window.close();
}

void MainWindowTest::exitEndsWithZeroAndLeavesNoReservedFile() {
  UseSettings(QString());
  ui::WindowProgram program;
  program.Start();
  ui::MainWindow& window = program.Window();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  // Only the view file's name holds a file; the listing file's is reserved.
  const ui::logic::ReservedFiles files = program.Files();
  QVERIFY(files.ListingFile.find("/DIR") != std::string::npos);
  QVERIFY(files.ViewFile.find("/DSP") != std::string::npos);
  QVERIFY(!QFile::exists(QString::fromStdString(files.ListingFile)));
  QVERIFY(QFile::exists(QString::fromStdString(files.ViewFile)));

  QTimer::singleShot(0, &window, [&] { QTest::mouseClick(window.Control(slot::FirstMainButton + 6), Qt::LeftButton); });
  QCOMPARE(QApplication::exec(), 0);
  QVERIFY(!window.isVisible());
  QVERIFY(!QFile::exists(QString::fromStdString(files.ViewFile)));
  QCOMPARE(TemporaryFiles(), QStringList());
}

void MainWindowTest::theSplashGoesWhenTheWindowIsShown() {
  ui::SplashWindow picture;
  QCOMPARE(picture.size(), QSize(377, 277));
  QVERIFY(picture.grab().save(screenshots_ + QStringLiteral("/splash.png")));

  UseSettings(QString());
  ui::WindowProgram program;
  program.Start({}, ui::WindowProgram::Splash::Yes);
  QVERIFY(program.Window().isVisible());
  QCOMPARE(program.SplashShown(), nullptr);  // AUTOSTART=0: gone once the window shows
  program.Window().close();
}

void MainWindowTest::screenshots_data() {
  QTest::addColumn<QString>("settings");
  const QString place = QStringLiteral("LOC=10,10,600,460,0,0\n");
  QTest::newRow("normal") << place;
  QTest::newRow("alternate") << place + QStringLiteral("LAYOUT=1");
  QTest::newRow("bontop") << place + QStringLiteral("BONTOP=1");
  QTest::newRow("hidbtn") << place + QStringLiteral("HIDBTN=1");
  QTest::newRow("hidbtn-alternate") << place + QStringLiteral("HIDBTN=1\nLAYOUT=1");
  // A window smaller than the grid: the base units shrink, and SCALE
  // shrinks the labels and captions with them.
  QTest::newRow("scaled-small") << QStringLiteral("LOC=10,10,330,240,0,0\nSCALE=1");
}

void MainWindowTest::screenshots() {
  QFETCH(QString, settings);
  UseSettings(settings);
  ui::WindowProgram program;
  program.Start();
  ui::MainWindow& window = program.Window();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  const bool alternate = config::Settings().AlternateLayout != 0;
  const bool hidden = config::Settings().HideDirButtons != 0;
  const ui::logic::LayoutResult& layout = window.CurrentLayout();
  // What each arrangement shows.
  QCOMPARE(window.Control(slot::FirstLocalPaneButton)->isVisible(), !hidden);
  QCOMPARE(window.Control(slot::Send)->isVisible(), !(hidden && alternate));
  QCOMPARE(static_cast<QPushButton*>(window.Control(slot::Send))->text(),
           alternate ? QStringLiteral("Transfer") : QStringLiteral("-->"));
  if (alternate) QVERIFY(window.Control(slot::Auto)->geometry().top() > window.height());
  if (config::Settings().ButtonsOnTop) QCOMPARE(window.Control(slot::Connect)->y(), 1);
  QCOMPARE(window.Control(slot::LocalFileList)->geometry().x(), layout.Slots[slot::LocalFileList].X);
  const int listFontHeight = QFontMetrics(window.Control(slot::LocalFileList)->font()).height();
  if (config::Settings().ScaleFonts && layout.BaseUnitY < listFontHeight) {
    QVERIFY(window.Control(slot::Connect)->font().pixelSize() > 0);
    QVERIFY(QFontMetrics(window.Control(slot::Connect)->font()).height() < QFontMetrics(QApplication::font()).height());
  } else {
    QCOMPARE(window.Control(slot::Connect)->font(), QApplication::font());
  }

  const qreal ratio = window.devicePixelRatioF();
  const QString name = QStringLiteral("%1/main_window_%2%3.png")
                           .arg(screenshots_, QString::fromLatin1(QTest::currentDataTag()),
                                ratio > 1 ? QStringLiteral("_x%1").arg(ratio) : QString());
  QVERIFY(window.grab().save(name));
  window.close();
}

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
