#include "ui/list_font.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QStringList>

#include <algorithm>

#include "config/program_settings.h"

namespace korval::ui {

namespace {

// The 1..1000 weights of the keys and Qt's weights share their scale.
QFont::Weight ToQtWeight(int weight) { return static_cast<QFont::Weight>(std::clamp(weight, 1, 1000)); }

}  // namespace

QFont ToQFont(const logic::FontDescription& description) {
  QFont font(QString::fromStdString(description.Family));
  if (description.PixelHeight > 0)
    font.setPixelSize(description.PixelHeight);
  else if (description.PointSize > 0)
    font.setPointSizeF(description.PointSize);
  font.setWeight(ToQtWeight(description.Weight));
  if (description.Pitch == logic::FontPitch::Fixed) font.setFixedPitch(true);
  switch (description.FamilyKind) {
    case logic::FontFamilyKind::Roman: font.setStyleHint(QFont::Serif); break;
    case logic::FontFamilyKind::Swiss: font.setStyleHint(QFont::SansSerif); break;
    case logic::FontFamilyKind::Modern: font.setStyleHint(QFont::Monospace); break;
    case logic::FontFamilyKind::Script: font.setStyleHint(QFont::Cursive); break;
    case logic::FontFamilyKind::Decorative: font.setStyleHint(QFont::Decorative); break;
    case logic::FontFamilyKind::DontCare: break;
  }
  return font;
}

logic::FontDescription DescribeQFont(const QFont& font) {
  logic::FontDescription description;
  description.Family = font.family().toStdString();
  if (font.pixelSize() > 0)
    description.PixelHeight = font.pixelSize();
  else
    description.PointSize = font.pointSizeF();
  description.Weight = font.weight();
  const bool fixed = QFontInfo(font).fixedPitch();
  description.Pitch = fixed ? logic::FontPitch::Fixed : logic::FontPitch::Variable;
  switch (font.styleHint()) {
    case QFont::Serif: description.FamilyKind = logic::FontFamilyKind::Roman; break;
    case QFont::SansSerif: description.FamilyKind = logic::FontFamilyKind::Swiss; break;
    case QFont::Monospace:
    case QFont::TypeWriter: description.FamilyKind = logic::FontFamilyKind::Modern; break;
    case QFont::Cursive: description.FamilyKind = logic::FontFamilyKind::Script; break;
    case QFont::Decorative: description.FamilyKind = logic::FontFamilyKind::Decorative; break;
    default: description.FamilyKind = fixed ? logic::FontFamilyKind::Modern : logic::FontFamilyKind::DontCare;
  }
  return description;
}

logic::SystemFonts DesktopFonts() {
  return {DescribeQFont(QFontDatabase::systemFont(QFontDatabase::GeneralFont)),
          DescribeQFont(QFontDatabase::systemFont(QFontDatabase::FixedFont))};
}

QFont ListFontFromSettings() {
  // Only the custom font asks, and listing every family costs start-up time.
  auto installed = [](std::string_view family) {
    return QFontDatabase::families().contains(QString::fromUtf8(family.data(), static_cast<int>(family.size())),
                                              Qt::CaseInsensitive);
  };
  return ToQFont(logic::ResolveListFont(config::Settings().Font, config::ReadCustomFontSettings(), DesktopFonts(),
                                        installed));
}

}  // namespace korval::ui
