#include "ui/logic/fonts.h"

#include <algorithm>
#include <cmath>

#include "platform/text.h"

namespace korval::ui::logic {

ListFontChoice ListFontForSetting(int font) {
  switch (font) {
    case 0:
      return ListFontChoice::System;
    case 1:
      return ListFontChoice::SystemFixed;
    case 2:
      return ListFontChoice::Variable;
    case 4:
      return ListFontChoice::Custom;
    default:
      return ListFontChoice::Fixed;
  }
}

FontDescription DescribeCustomFont(const config::CustomFontSettings& keys) {
  FontDescription font;
  font.Family = keys.FaceName;
  font.PixelHeight = keys.Height < 0 ? -keys.Height : keys.Height;
  font.AverageWidth = keys.Width;
  font.Weight = keys.Weight == 0 ? 400 : std::clamp(keys.Weight, 1, 1000);
  switch (keys.PitchAndFamily & 0x3) {
    case 1:
      font.Pitch = FontPitch::Fixed;
      break;
    case 2:
      font.Pitch = FontPitch::Variable;
      break;
    default:
      font.Pitch = FontPitch::Default;
  }
  const int family = (keys.PitchAndFamily >> 4) & 0xF;
  font.FamilyKind = family <= 5 ? static_cast<FontFamilyKind>(family) : FontFamilyKind::DontCare;
  return font;
}

config::CustomFontSettings CustomFontKeys(const FontDescription& font, int dotsPerInch) {
  config::CustomFontSettings keys;
  int pixels = font.PixelHeight;
  if (pixels <= 0 && font.PointSize > 0) pixels = static_cast<int>(std::lround(font.PointSize * dotsPerInch / 72.0));
  keys.Height = -std::max(pixels, 0);
  keys.Width = font.AverageWidth;
  keys.Weight = font.Weight;
  const int pitch = font.Pitch == FontPitch::Fixed ? 1 : font.Pitch == FontPitch::Variable ? 2 : 0;
  keys.PitchAndFamily = pitch | (static_cast<int>(font.FamilyKind) << 4);
  keys.FaceName = platform::TruncateTo(font.Family, config::FontNameCapacity);
  return keys;
}

FontDescription ResolveListFont(int font, const config::CustomFontSettings& keys, const SystemFonts& system,
                                const std::function<bool(std::string_view)>& familyInstalled) {
  switch (ListFontForSetting(font)) {
    case ListFontChoice::System:
    case ListFontChoice::Variable:
      return system.General;
    case ListFontChoice::SystemFixed:
    case ListFontChoice::Fixed:
      return system.Fixed;
    case ListFontChoice::Custom:
      break;
  }
  FontDescription custom = DescribeCustomFont(keys);
  if (custom.Family.empty() || !familyInstalled(custom.Family)) custom.Family = system.Fixed.Family;
  // FHEIGHT 0: the fixed system font's size.
  if (custom.PixelHeight == 0) custom.PointSize = system.Fixed.PointSize;
  return custom;
}

LabelFont SelectLabelFont(bool scale, int systemBaseUnitY, int baseUnitY, int dotsPerInch) {
  if (!scale || systemBaseUnitY == baseUnitY) return LabelFont{};
  // Rounded as the arithmetic of fonts does: height * dpi / 140.
  return LabelFont{true, (baseUnitY * dotsPerInch + 70) / 140};
}

}  // namespace korval::ui::logic
