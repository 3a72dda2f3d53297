// EnumFontFamiliesW on a window's and on the desktop's DC: the families of
// the machine (its fonts folder and the fonts registered with the engine),
// each once in name order, TrueType and '@' vertical faces, and the list a
// test puts in their place.
#include <gtest/gtest.h>

#include <strings.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "plat/wstr.h"
#include "temp_machine.h"
#include "ui/gdi.h"
#include "ui/user32.h"

namespace {

struct Seen {
  std::vector<std::string> faces;
  std::vector<DWORD> types;
  int stopAfter = -1;
};

int Collect(const LOGFONTW* font, const TEXTMETRICW*, DWORD type, LPARAM data) {
  auto* seen = reinterpret_cast<Seen*>(data);
  seen->faces.push_back(plat::ToUtf8(font->lfFaceName));
  seen->types.push_back(type);
  return int(seen->faces.size()) == seen->stopAfter ? 0 : 1;
}

Seen Enumerate(HDC dc, const char16_t* family = nullptr, int stop_after = -1) {
  Seen seen;
  seen.stopAfter = stop_after;
  EnumFontFamiliesW(dc, family, Collect, reinterpret_cast<LPARAM>(&seen));
  return seen;
}

plat::FontFamily Family(const char16_t* face, DWORD type, bool vertical = false) {
  plat::FontFamily f;
  f.face = face;
  f.type = type;
  f.hasVertical = vertical;
  return f;
}

class FontList : public ::testing::Test {
 protected:
  void SetUp() override { ui::ResetWindowManager(); }
  void TearDown() override {
    ui::ClearTestFontFamilies();
    ui::ResetWindowManager();
  }
  HWND Window() {
    return CreateWindowExW(0, u"STATIC", u"w", WS_POPUP | WS_VISIBLE, 0, 0, 100, 50, nullptr, nullptr, nullptr,
                           nullptr);
  }
};

TEST_F(FontList, ATestsFamiliesOnAWindowAndOnTheDesktop) {
  ui::SetTestFontFamilies({Family(u"Courier", RASTER_FONTTYPE), Family(u"MS Gothic", TRUETYPE_FONTTYPE, true),
                           Family(u"Arial", TRUETYPE_FONTTYPE), Family(u"ARIAL", TRUETYPE_FONTTYPE),
                           Family(u"Type One", 0, true)});
  const std::vector<std::string> names = {"@MS Gothic", "Arial", "Courier", "MS Gothic", "Type One"};
  const std::vector<DWORD> types = {TRUETYPE_FONTTYPE, TRUETYPE_FONTTYPE, RASTER_FONTTYPE, TRUETYPE_FONTTYPE, 0};
  HWND window = Window();
  HDC window_dc = GetDC(window);
  ASSERT_NE(window_dc, nullptr);
  HDC desktop_dc = GetDC(GetDesktopWindow());
  for (HDC dc : {window_dc, desktop_dc}) {
    Seen all = Enumerate(dc);
    EXPECT_EQ(all.faces, names) << "each family once, in name order; vertical faces only of TrueType";
    EXPECT_EQ(all.types, types);
    EXPECT_EQ(Enumerate(dc, u"ms gothic").faces, std::vector<std::string>{"MS Gothic"}) << "one family by name";
    EXPECT_EQ(Enumerate(dc, u"@MS Gothic").faces, std::vector<std::string>{"@MS Gothic"});
    EXPECT_TRUE(Enumerate(dc, u"Missing").faces.empty());
    EXPECT_EQ(Enumerate(dc, nullptr, 2).faces.size(), 2u) << "the callback's 0 ends the enumeration";
  }
  ReleaseDC(window, window_dc);
  ReleaseDC(GetDesktopWindow(), desktop_dc);
}

// The machine's own list: a font file of its fonts folder and a file the
// engine was given, the Japanese one with its vertical face.
TEST_F(FontList, TheMachinesFontsFolderAndTheEnginesFonts) {
  plat_test::TempMachine machine;
  const char* sans = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
  const char* gothic = "/usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf";
  if (!std::filesystem::exists(sans) || !std::filesystem::exists(gothic)) GTEST_SKIP() << "host fonts missing";
  std::filesystem::create_directories(machine.Host(u"C:\\Windows\\Fonts"));
  std::filesystem::copy_file(sans, machine.Host(u"C:\\Windows\\Fonts\\DejaVuSans.ttf"));
  // The window layer registers its UI font with the engine (from the host
  // here: the machine's folder has no copy).
  ASSERT_EQ(plat::ToUtf8(ui::UiFontFace()), "IPAPGothic");
  HWND window = Window();
  HDC dc = GetDC(window);
  Seen all = Enumerate(dc);
  ReleaseDC(window, dc);
  auto has = [&](const std::string& face) {
    for (size_t i = 0; i < all.faces.size(); ++i)
      if (all.faces[i] == face) return all.types[i] == TRUETYPE_FONTTYPE;
    return false;
  };
  EXPECT_TRUE(has("DejaVu Sans")) << "from the fonts folder";
  EXPECT_FALSE(has("@DejaVu Sans")) << "no Japanese characters, no vertical face";
  EXPECT_TRUE(has("IPAPGothic")) << "registered with the engine";
  EXPECT_TRUE(has("@IPAPGothic"));
  std::vector<std::string> sorted = all.faces;
  std::sort(sorted.begin(), sorted.end(), [](const std::string& a, const std::string& b) {
    return strcasecmp(a.c_str(), b.c_str()) < 0;
  });
  EXPECT_EQ(all.faces, sorted);
}

}  // namespace
