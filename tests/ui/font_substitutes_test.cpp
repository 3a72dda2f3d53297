// The faces Japanese Windows names are drawn with the IPA fonts: the fixed
// and the proportional Gothic, the Mincho; other faces the machine lacks
// fall back to the UI font.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "ui/gdi.h"

namespace {

// The pixels of a text drawn black on white in a face, and its width.
struct Drawn {
  std::vector<COLORREF> pixels;
  LONG width = 0;
};

Drawn Draw(const std::u16string& face, const std::u16string& text) {
  constexpr INT kW = 160, kH = 32;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(dc, kW, kH);
  HGDIOBJ old_bitmap = SelectObject(dc, bitmap);
  PatBlt(dc, 0, 0, kW, kH, WHITENESS);
  LOGFONTW lf{};
  lf.lfHeight = -20;
  std::memcpy(lf.lfFaceName, face.data(), std::min<size_t>(face.size(), LF_FACESIZE - 1) * sizeof(char16_t));
  HFONT font = CreateFontIndirectW(&lf);
  HGDIOBJ old_font = SelectObject(dc, font);
  SetTextColor(dc, RGB(0, 0, 0));
  SetBkMode(dc, TRANSPARENT);
  Drawn d;
  SIZE size{};
  GetTextExtentPoint32W(dc, text.c_str(), INT(text.size()), &size);
  d.width = size.cx;
  TextOutW(dc, 2, 2, text.c_str(), INT(text.size()));
  for (INT y = 0; y < kH; ++y)
    for (INT x = 0; x < kW; ++x) d.pixels.push_back(GetPixel(dc, x, y));
  SelectObject(dc, old_font);
  DeleteObject(font);
  SelectObject(dc, old_bitmap);
  DeleteObject(bitmap);
  DeleteDC(dc);
  return d;
}

size_t Inked(const Drawn& d) {
  size_t n = 0;
  for (COLORREF c : d.pixels) n += c != RGB(255, 255, 255);
  return n;
}

TEST(FontSubstitutes, JapaneseWindowsFacesMapToIpaFaces) {
  const struct {
    const char16_t* face;
    const char16_t* substitute;
  } kCases[] = {
      {u"ＭＳ Ｐゴシック", u"IPAPGothic"}, {u"ＭＳ ゴシック", u"IPAGothic"}, {u"ＭＳ Ｐ明朝", u"IPAPMincho"},
      {u"ＭＳ 明朝", u"IPAMincho"},        {u"ms pgothic", u"IPAPGothic"}, {u"MS Mincho", u"IPAMincho"},
      {u"MS UI Gothic", u"IPAPGothic"},  {u"Arial", u""},                {u"", u""},
  };
  for (const auto& c : kCases)
    EXPECT_EQ(ui::SubstituteFontFace(c.face), std::u16string(c.substitute));
}

TEST(FontSubstitutes, TheSubstituteDrawsTheText) {
  const std::u16string text = u"永い印刷";
  const Drawn pgothic = Draw(u"ＭＳ Ｐゴシック", text);
  ASSERT_GT(Inked(pgothic), 40u) << "Japanese text leaves glyphs";
  EXPECT_EQ(pgothic.pixels, Draw(u"IPAPGothic", text).pixels);
  const Drawn mincho = Draw(u"ＭＳ 明朝", text);
  EXPECT_EQ(mincho.pixels, Draw(u"IPAMincho", text).pixels);
  EXPECT_NE(mincho.pixels, pgothic.pixels) << "Mincho is not the UI font's Gothic";
  // The fixed-pitch Gothic gives every Latin letter the same width; the
  // proportional one does not.
  EXPECT_EQ(Draw(u"ＭＳ ゴシック", u"iiii").width, Draw(u"ＭＳ ゴシック", u"WWWW").width);
  EXPECT_LT(Draw(u"ＭＳ Ｐゴシック", u"iiii").width, Draw(u"ＭＳ Ｐゴシック", u"WWWW").width);
  // A face without a substitute is drawn in the UI font.
  EXPECT_EQ(Draw(u"No Such Face", text).pixels, Draw(ui::UiFontFace(), text).pixels);
}

}  // namespace
