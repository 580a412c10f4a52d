#pragma once
// The fonts of the main window as plain data: which font FONT gives the file
// lists, mask fields and directory boxes; the custom font's five keys
// (FHEIGHT, FWIDTH, FWEIGHT, FPITCH, FNAME) both ways; and the label font
// that follows the window size under SCALE. ui/ turns a FontDescription into
// a QFont and back one field at a time.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "config/program_settings.h"

namespace korval::ui::logic {

// FONT: 0 system, 1 system fixed-pitch, 2 variable-pitch, 3 (and any value
// not listed) fixed-pitch, 4 the custom font.
enum class ListFontChoice { System, SystemFixed, Variable, Fixed, Custom };
ListFontChoice ListFontForSetting(int font);

enum class FontPitch { Default, Fixed, Variable };
// The family byte's high nibble: what a missing face is replaced by.
enum class FontFamilyKind { DontCare, Roman, Swiss, Modern, Script, Decorative };

struct FontDescription {
  std::string Family;
  int PixelHeight = 0;     // character height in pixels; 0: see PointSize
  double PointSize = 0;    // used when PixelHeight is 0; 0 for both: the toolkit's size
  int AverageWidth = 0;    // FWIDTH, kept for writing back; 0 is the face's own
  int Weight = 400;        // 1..1000, 400 normal, 700 bold
  FontPitch Pitch = FontPitch::Default;
  FontFamilyKind FamilyKind = FontFamilyKind::DontCare;
  friend bool operator==(const FontDescription&, const FontDescription&) = default;
};

// The five keys as a font. A negative FHEIGHT is the character height, a
// positive one the cell height (taken as the character height: close enough
// for a list), 0 the default size; FWEIGHT 0 means normal.
FontDescription DescribeCustomFont(const config::CustomFontSettings& keys);
// A font as the five keys; a size in points becomes pixels at `dotsPerInch`.
// FNAME keeps at most 31 characters.
config::CustomFontSettings CustomFontKeys(const FontDescription& font, int dotsPerInch);

// The two fonts of the desktop the stock choices map to.
struct SystemFonts {
  FontDescription General;  // proportional
  FontDescription Fixed;    // fixed pitch
};

// The font the lists get for FONT = `font`. The custom font's face, when not
// installed (`familyInstalled` says), is replaced by the fixed system face,
// keeping its size and weight.
FontDescription ResolveListFont(int font, const config::CustomFontSettings& keys, const SystemFonts& system,
                                const std::function<bool(std::string_view)>& familyInstalled);

// The painted labels' font: under SCALE, once the layout shrank the base
// units below the system's, a font scaled with them; otherwise the plain
// proportional font.
struct LabelFont {
  bool Scaled = false;
  int PixelHeight = 0;  // when Scaled
  friend bool operator==(const LabelFont&, const LabelFont&) = default;
};
LabelFont SelectLabelFont(bool scale, int systemBaseUnitY, int baseUnitY, int dotsPerInch);

}  // namespace korval::ui::logic
