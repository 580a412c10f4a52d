// The floor of the window start-up benchmark: a Qt 6 program that shows one
// empty window of korval's default size and nothing else.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QWidget window;
  window.setWindowTitle(QStringLiteral("minimal"));
  window.resize(500, 440);
  window.show();
  return QApplication::exec();
}
