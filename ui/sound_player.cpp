#include "ui/sound_player.h"

#include <QApplication>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include "ui/qt_text.h"

namespace korval::ui {

SoundPlayer::SoundPlayer(QObject* parent) : QObject(parent) {}

const QString& SoundPlayer::PlayerProgram() {
  // Looked for at the first sound, not at start-up.
  if (!searched_) {
    searched_ = true;
    for (const char* program : {"pw-play", "paplay", "aplay"}) {
      player_ = QStandardPaths::findExecutable(QString::fromLatin1(program));
      if (!player_.isEmpty()) break;
    }
  }
  return player_;
}

void SoundPlayer::Play(std::string_view waveFile) {
  const QString file = ToQString(waveFile);
  PlayerProgram();
  if (player_.isEmpty() || !QFileInfo(file).isFile()) return Beep();
  auto* process = new QProcess(this);
  process->setStandardOutputFile(QProcess::nullDevice());
  process->setStandardErrorFile(QProcess::nullDevice());
  connect(process, &QProcess::finished, process, &QObject::deleteLater);
  connect(process, &QProcess::errorOccurred, process, &QObject::deleteLater);
  QStringList arguments;
  if (player_.endsWith(QLatin1String("aplay"))) arguments << QStringLiteral("-q");
  process->start(player_, arguments << file);
}

void SoundPlayer::Beep() { QApplication::beep(); }

}  // namespace korval::ui
