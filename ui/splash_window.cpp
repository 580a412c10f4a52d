#include "ui/splash_window.h"

#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QScreen>

#include "config/program_identity.h"
#include "ui/help_viewer.h"
#include "ui/logic/program_version.h"
#include "ui/qt_text.h"

namespace korval::ui {

namespace {

constexpr int SplashWidth = 377;
constexpr int SplashHeight = 277;

QPixmap SplashPicture() {
  QPixmap picture(SplashWidth, SplashHeight);
  QPainter painter(&picture);
  QLinearGradient sky(0, 0, 0, SplashHeight);
  sky.setColorAt(0, QColor(0x1f, 0x5f, 0x8b));
  sky.setColorAt(1, QColor(0x0f, 0x33, 0x4d));
  painter.fillRect(picture.rect(), sky);
  if (const QString icon = ProgramIconPath(); !icon.isEmpty())
    painter.drawPixmap(QRect(32, 40, 96, 96), QPixmap(icon));
  painter.setPen(QColor(0xf4, 0xf1, 0xe8));
  QFont title = painter.font();
  title.setPixelSize(34);
  title.setBold(true);
  painter.setFont(title);
  painter.drawText(QRect(144, 52, 220, 44), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("korval"));
  QFont small = painter.font();
  small.setPixelSize(13);
  small.setBold(false);
  painter.setFont(small);
  painter.drawText(QRect(146, 96, 220, 20), Qt::AlignLeft | Qt::AlignVCenter,
                   ToQString(config::ProgramTitle) + QLatin1Char(' ') + ToQString(logic::ProgramVersionText()));
  painter.drawText(QRect(32, 200, 320, 40), Qt::AlignLeft | Qt::TextWordWrap,
                   ToQString(logic::OwnershipNotice));
  painter.setPen(QColor(0xf2, 0xa3, 0x3a));
  painter.drawLine(32, 170, SplashWidth - 32, 170);
  return picture;
}

}  // namespace

SplashWindow::SplashWindow() : QSplashScreen(SplashPicture()) {
  setObjectName(QStringLiteral("splash"));
  // The middle of the screen, as (width / 2 - 189, height / 2 - 139).
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect desktop = screen->geometry();
    move(desktop.x() + desktop.width() / 2 - 189, desktop.y() + desktop.height() / 2 - 139);
  }
}

}  // namespace korval::ui
