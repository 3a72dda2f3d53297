// The installed-font check against the font families of the machine's
// fonts folder: a TrueType family, a raster family, a vertical "@" face and
// names longer than a face name holds.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "api/api_support.h"
#include "env_test_machine.h"
#include "plat/fonts.h"
#include "plat/wstr.h"

namespace {

void Be16(std::string* s, uint32_t v) {
  s->push_back(char(v >> 8));
  s->push_back(char(v));
}
void Be32(std::string* s, uint32_t v) {
  Be16(s, v >> 16);
  Be16(s, v & 0xFFFF);
}

// The smallest TrueType file the font reader takes: header, metrics, one
// empty glyph and a name table with the family.
std::string TrueTypeFont(const std::string& family) {
  std::string head, hhea, maxp, hmtx, loca, name;
  Be32(&head, 0x10000); Be32(&head, 0x10000); Be32(&head, 0); Be32(&head, 0x5F0F3CF5);
  Be16(&head, 0); Be16(&head, 1000);
  head.append(16, '\0');  // created, modified
  for (uint32_t v : {0u, 0u, 500u, 500u, 0u, 8u, 2u, 0u, 0u}) Be16(&head, v);
  Be32(&hhea, 0x10000);
  for (uint32_t v : {800u, 0xFF38u, 0u, 500u, 0u, 0u, 500u, 1u, 0u, 0u, 0u, 0u, 0u, 0u, 0u, 1u}) Be16(&hhea, v);
  Be32(&maxp, 0x5000); Be16(&maxp, 1);
  Be16(&hmtx, 500); Be16(&hmtx, 0);
  Be16(&loca, 0); Be16(&loca, 0);
  std::string strings;
  std::string records;
  for (uint32_t id : {1u, 2u, 4u}) {
    std::string value = id == 2 ? "Regular" : family;
    std::string utf16;
    for (char c : value) { utf16.push_back('\0'); utf16.push_back(c); }
    for (uint32_t v : {3u, 1u, 0x409u, id, uint32_t(utf16.size()), uint32_t(strings.size())}) Be16(&records, v);
    strings += utf16;
  }
  Be16(&name, 0); Be16(&name, 3); Be16(&name, 6 + 12 * 3);
  name += records + strings;
  std::vector<std::pair<std::string, std::string>> tables = {
      {"head", head}, {"hhea", hhea}, {"hmtx", hmtx}, {"loca", loca}, {"maxp", maxp}, {"name", name}};
  std::string out;
  Be32(&out, 0x10000); Be16(&out, uint32_t(tables.size())); Be16(&out, 64); Be16(&out, 2);
  Be16(&out, uint32_t(tables.size()) * 16 - 64);
  uint32_t offset = 12 + 16 * uint32_t(tables.size());
  std::string data;
  for (auto& [tag, bytes] : tables) {
    out += tag;
    Be32(&out, 0);  // checksums are not checked by the reader
    Be32(&out, offset + uint32_t(data.size()));
    Be32(&out, uint32_t(bytes.size()));
    data += bytes;
    data.append((4 - data.size() % 4) % 4, '\0');
  }
  return out + data;
}

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
