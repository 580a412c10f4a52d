#pragma once
// The splash window of a plain start: 377 x 277 pixels in the middle of the
// screen, above the other windows, our own picture drawn at start (the icon,
// the program's name and version).

#include <QSplashScreen>

namespace korval::ui {

class SplashWindow : public QSplashScreen {
 public:
  SplashWindow();
};

}  // namespace korval::ui
