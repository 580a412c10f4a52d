#pragma once
// The list font as a QFont: the desktop's general and fixed fonts as the
// stock choices, the custom font from its five keys, and the conversion
// between a QFont and the plain description the window's rules use (the
// options dialog turns a chosen QFont back into FHEIGHT ... FNAME with it).

#include <QFont>

#include "ui/logic/fonts.h"

namespace korval::ui {

QFont ToQFont(const logic::FontDescription& description);
logic::FontDescription DescribeQFont(const QFont& font);

// Qt's general and fixed system fonts.
logic::SystemFonts DesktopFonts();

// The font FONT and the custom keys give the lists, mask fields and
// directory boxes.
QFont ListFontFromSettings();

}  // namespace korval::ui
