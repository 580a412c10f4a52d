#pragma once
// The core's texts are UTF-8 bytes in std::string_view; Qt's are QString.

#include <QString>

#include <string>
#include <string_view>

namespace korval::ui {

inline QString ToQString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
inline std::string ToStdString(const QString& text) { return text.toUtf8().toStdString(); }

}  // namespace korval::ui
