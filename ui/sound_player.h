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
  const QString& PlayerProgram() const { return player_; }

 private:
  QString player_;  // empty: no player found
};

}  // namespace korval::ui
