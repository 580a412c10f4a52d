#pragma once
// Sounds: a wave file through a player Debian has (pw-play, paplay, aplay;
// the first found on PATH), else the desktop's beep. The player runs on its
// own and is reaped when it ends; a missing file beeps.

#include <QObject>
#include <QString>

#include <string_view>

namespace korval::ui {

class SoundPlayer : public QObject {
 public:
  explicit SoundPlayer(QObject* parent = nullptr);
  void Play(std::string_view waveFile);
  void Beep();
  // The player found on PATH; empty when there is none.
  const QString& PlayerProgram();

 private:
  bool searched_ = false;
  QString player_;
};

}  // namespace korval::ui
