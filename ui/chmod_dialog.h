#pragma once
// The remote file permissions dialog ("DLG_CHMOD"): Read, Write and Execute
// for owner (1880, 2422, 2423), group (1881, 2424, 2425) and other (1882,
// 2426, 2427).

#include <QDialog>

#include <array>

#include "config/prompts.h"

namespace korval::ui {

class ChmodDialog : public QDialog {
  Q_OBJECT

 public:
  explicit ChmodDialog(QWidget* parent);
  void SetBoxes(const config::ChmodBoxes& boxes);
  config::ChmodBoxes Boxes() const;
  // The box ids in the order of config::ChmodBoxes.
  static constexpr std::array<int, 9> BoxIds = {1880, 2422, 2423, 1881, 2424, 2425, 1882, 2426, 2427};
};

}  // namespace korval::ui
