// FONT, the custom font's keys both ways, and the scaled label font.

#include "ui/logic/fonts.h"

#include <gtest/gtest.h>

namespace korval::ui::logic {
namespace {

const SystemFonts Desktop{{"DejaVu Sans", 0, 10, 0, 400, FontPitch::Variable, FontFamilyKind::Swiss},
                          {"DejaVu Sans Mono", 0, 9, 0, 400, FontPitch::Fixed, FontFamilyKind::Modern}};

auto Installed(std::initializer_list<std::string_view> families) {
  std::vector<std::string> names(families.begin(), families.end());
  return [names](std::string_view family) {
    for (const std::string& name : names)
      if (name == family) return true;
    return false;
  };
}

TEST(ListFontForSetting, UnknownValuesAreTheFixedFont) {
  struct Case {
    int font;
    ListFontChoice expected;
  };
  const Case cases[] = {{0, ListFontChoice::System},  {1, ListFontChoice::SystemFixed},
                        {2, ListFontChoice::Variable}, {3, ListFontChoice::Fixed},
                        {4, ListFontChoice::Custom},   {7, ListFontChoice::Fixed},
                        {-1, ListFontChoice::Fixed}};
  for (const Case& c : cases) EXPECT_EQ(ListFontForSetting(c.font), c.expected) << c.font;
}

TEST(ResolveListFont, GivesTheFontForEachSetting) {
  const config::CustomFontSettings noKeys;  // the defaults of a file without font keys
  const FontDescription courier{"Courier New", 11, 0, 0, 400, FontPitch::Fixed, FontFamilyKind::Modern};
  FontDescription courierMissing = courier;
  courierMissing.Family = "DejaVu Sans Mono";
  struct Case {
    const char* what;
    int font;
    bool courierInstalled;
    FontDescription expected;
  };
  const Case cases[] = {
      {"no keys: the fixed font", 3, true, Desktop.Fixed},
      {"7 reads as 3", 7, true, Desktop.Fixed},
      {"system font", 0, true, Desktop.General},
      {"system fixed", 1, true, Desktop.Fixed},
      {"variable", 2, true, Desktop.General},
      {"custom, no keys", 4, true, courier},
      {"custom, face missing", 4, false, courierMissing},
  };
  for (const Case& c : cases) {
    auto installed = c.courierInstalled ? Installed({"Courier New", "DejaVu Sans Mono"}) : Installed({});
    EXPECT_EQ(ResolveListFont(c.font, noKeys, Desktop, installed), c.expected) << c.what;
  }
}

TEST(ResolveListFont, CustomHeightZeroTakesTheFixedFontsSize) {
  config::CustomFontSettings keys;
  keys.Height = 0;
  const FontDescription font = ResolveListFont(4, keys, Desktop, Installed({"Courier New"}));
  EXPECT_EQ(font.PixelHeight, 0);
  EXPECT_EQ(font.PointSize, 9);
  EXPECT_EQ(font.Family, "Courier New");
}

TEST(DescribeCustomFont, ReadsTheFiveKeys) {
  struct Case {
    config::CustomFontSettings keys;
    FontDescription expected;
  };
  const Case cases[] = {
      {{-11, 0, 400, 49, "Courier New"}, {"Courier New", 11, 0, 0, 400, FontPitch::Fixed, FontFamilyKind::Modern}},
      {{13, 6, 700, 34, "DejaVu Sans"}, {"DejaVu Sans", 13, 0, 6, 700, FontPitch::Variable, FontFamilyKind::Swiss}},
      {{-20, 0, 0, 0, "X"}, {"X", 20, 0, 0, 400, FontPitch::Default, FontFamilyKind::DontCare}},  // weight 0: normal
      {{-9, 0, 5000, 0x62, "Y"}, {"Y", 9, 0, 0, 1000, FontPitch::Variable, FontFamilyKind::DontCare}},
      {{-9, 0, 300, 0x11, "Z"}, {"Z", 9, 0, 0, 300, FontPitch::Fixed, FontFamilyKind::Roman}},
  };
  for (const Case& c : cases) EXPECT_EQ(DescribeCustomFont(c.keys), c.expected) << c.keys.FaceName;
}

TEST(CustomFontKeys, WritesAFontBackAsTheKeys) {
  struct Case {
    FontDescription font;
    int height, width, weight, pitch;
    std::string name;
  };
  const Case cases[] = {
      {{"Courier New", 11, 0, 0, 400, FontPitch::Fixed, FontFamilyKind::Modern}, -11, 0, 400, 49, "Courier New"},
      // Nine points at 96 dots per inch are 12 pixels.
      {{"DejaVu Sans Mono", 0, 9, 0, 700, FontPitch::Fixed, FontFamilyKind::Modern}, -12, 0, 700, 49,
       "DejaVu Sans Mono"},
      {{"DejaVu Serif", 14, 0, 7, 400, FontPitch::Variable, FontFamilyKind::Roman}, -14, 7, 400, 18, "DejaVu Serif"},
      {{std::string(40, 'f'), 10, 0, 0, 400, FontPitch::Default, FontFamilyKind::DontCare}, -10, 0, 400, 0,
       std::string(31, 'f')},
  };
  for (const Case& c : cases) {
    const config::CustomFontSettings keys = CustomFontKeys(c.font, 96);
    EXPECT_EQ(keys.Height, c.height) << c.name;
    EXPECT_EQ(keys.Width, c.width) << c.name;
    EXPECT_EQ(keys.Weight, c.weight) << c.name;
    EXPECT_EQ(keys.PitchAndFamily, c.pitch) << c.name;
    EXPECT_EQ(keys.FaceName, c.name);
  }
  const FontDescription pixels{"Courier New", 11, 0, 3, 700, FontPitch::Fixed, FontFamilyKind::Modern};
  EXPECT_EQ(DescribeCustomFont(CustomFontKeys(pixels, 96)), pixels);
}

TEST(SelectLabelFont, ScalesOnlyUnderScaleOnceTheBaseUnitsShrank) {
  struct Case {
    bool scale;
    int systemBy, by, dpi;
    LabelFont expected;
  };
  const Case cases[] = {
      {false, 16, 4, 96, {false, 0}},
      {true, 16, 16, 96, {false, 0}},
      {true, 16, 4, 96, {true, 3}},    // 2.74 rounds up
      {true, 16, 12, 96, {true, 8}},   // 8.23 rounds down
      {true, 16, 12, 192, {true, 16}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(SelectLabelFont(c.scale, c.systemBy, c.by, c.dpi), c.expected) << c.by << "@" << c.dpi;
}

}  // namespace
}  // namespace korval::ui::logic
