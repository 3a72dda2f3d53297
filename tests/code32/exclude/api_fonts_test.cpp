// The installed-font check against the font families of the machine's
// fonts folder: a TrueType family, a raster family, a vertical "@" face and
// names longer than a face name holds.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "api/api_support.h"
#include "truetype_test_font.h"
#include "env_test_machine.h"
#include "plat/fonts.h"
#include "plat/wstr.h"

namespace {

using truetype_test::Be16;
using truetype_test::Be32;
using truetype_test::TrueTypeFont;

std::string RasterFont(const std::string& family) {
  std::string bdf =
      "STARTFONT 2.1\nFONT -misc-x-medium-r-normal--8-80-75-75-c-80-iso10646-1\nSIZE 8 75 75\n"
      "FONTBOUNDINGBOX 8 8 0 0\nSTARTPROPERTIES 3\nFAMILY_NAME \"" + family +
      "\"\nFONT_ASCENT 8\nFONT_DESCENT 0\nENDPROPERTIES\nCHARS 1\nSTARTCHAR A\nENCODING 65\n"
      "SWIDTH 500 0\nDWIDTH 8 0\nBBX 8 8 0 0\nBITMAP\n";
  for (int i = 0; i < 8; ++i) bdf += "00\n";
  return bdf + "ENDCHAR\nENDFONT\n";
}

class ApiFonts : public env_test::EnvMachine {
 protected:
  void SetUp() override {
    env_test::EnvMachine::SetUp();
    ASSERT_TRUE(plat::EnsureWindowsDir(u"C:\\Windows\\Fonts"));
  }
  void Install(const char16_t* file, const std::string& bytes) {
    Put((std::u16string(u"C:\\Windows\\Fonts\\") + file).c_str(), bytes);
  }
};

int Collect(const LOGFONTW* font, const TEXTMETRICW*, DWORD type, LPARAM data) {
  auto* out = reinterpret_cast<std::vector<std::pair<std::string, DWORD>>*>(data);
  out->push_back({plat::ToUtf8(font->lfFaceName), type});
  return 1;
}

TEST_F(ApiFonts, FamiliesOfTheFontsFolder) {
  Install(u"gothic.ttf", TrueTypeFont("Test Gothic"));
  Install(u"gothic2.ttf", TrueTypeFont("Test Gothic"));  // a second face of one family
  Install(u"raster.bdf", RasterFont("Raster Sans"));
  Install(u"broken.ttf", "not a font");
  std::vector<std::pair<std::string, DWORD>> seen;
  HDC dc = GetDC(GetDesktopWindow());
  EXPECT_EQ(EnumFontFamiliesW(dc, nullptr, Collect, reinterpret_cast<LPARAM>(&seen)), 1);
  ReleaseDC(GetDesktopWindow(), dc);
  std::vector<std::pair<std::string, DWORD>> expected = {{"Raster Sans", RASTER_FONTTYPE},
                                                          {"Test Gothic", TRUETYPE_FONTTYPE}};
  EXPECT_EQ(seen, expected);
}

TEST_F(ApiFonts, FontExistsTable) {
  const std::string long_family(40, 'L');
  Install(u"gothic.ttf", TrueTypeFont("Test Gothic"));
  Install(u"vertical.ttf", TrueTypeFont("@Test Gothic"));
  Install(u"vonly.ttf", TrueTypeFont("@Vertical Only"));
  Install(u"raster.bdf", RasterFont("Raster Sans"));
  Install(u"long.ttf", TrueTypeFont(long_family));
  struct Row {
    std::string name;
    bool exists;
  } rows[] = {
      {"Test Gothic", true},
      {"test gothic", false},           // face names compare exactly
      {"Raster Sans", false},           // not a TrueType family
      {"@Test Gothic", false},          // vertical faces are never families
      {"@Vertical Only", false},
      {"Vertical Only", false},
      {"Missing", false},
      {"", false},
      // A face name holds 31 characters: a longer name is compared cut.
      {long_family, true},
      {std::string(31, 'L'), true},
      {std::string(30, 'L'), false},
  };
  for (const Row& r : rows) EXPECT_EQ(ApiFontExists(r.name.c_str()), r.exists) << r.name;
  EXPECT_FALSE(ApiFontExists(nullptr));
}

TEST_F(ApiFonts, NoFontsFolderMeansNoFonts) {
  ASSERT_TRUE(RemoveDirectoryW(u"C:\\Windows\\Fonts"));
  EXPECT_FALSE(ApiFontExists("Test Gothic"));
}

}  // namespace
