// DIBs of every depth drawn with SetDIBitsToDevice and CreateDIBitmap,
// bitmaps of resource modules, icons blended into a DC, and the palette
// calls of a display without a palette.
#include <gtest/gtest.h>

#include <cstring>

#include "plat/kernel.h"
#include "gdi_canvas.h"
#include "plat/resources.h"
#include "temp_machine.h"
#include "ui/gdi.h"
#include "ui/icon_resource.h"
#include "ui_fixture.h"

namespace {

constexpr COLORREF kRed = RGB(255, 0, 0), kBlue = RGB(0, 0, 255), kGreen = RGB(0, 255, 0);

// A 2 x 2 DIB: the top row left, right, the bottom row left, right.
struct Dib {
  std::vector<uint8_t> bytes;  // header, colour table, rows
  const BITMAPINFO* info() const { return reinterpret_cast<const BITMAPINFO*>(bytes.data()); }
  const uint8_t* bits() const {
    const auto& h = info()->bmiHeader;
    return bytes.data() + 40 + 4 * (h.biBitCount <= 8 ? (h.biClrUsed ? h.biClrUsed : 1u << h.biBitCount) : 0);
  }
};
Dib Make(int bits, bool top_down) {
  const COLORREF px[4] = {kRed, kBlue, kGreen, kRed};
  const COLORREF table[2] = {kRed, kBlue};
  const int index[4] = {0, 1, 1, 0};  // for the paletted depths: green is not in the table
  const size_t stride = ((2 * size_t(bits) + 31) / 32) * 4;
  const size_t entries = bits <= 8 ? 2 : 0;
  Dib d;
  d.bytes.assign(40 + entries * 4 + 2 * stride, 0);
  BITMAPINFOHEADER h{40, 2, top_down ? -2 : 2, 1, WORD(bits), BI_RGB, 0, 0, 0, uint32_t(entries), 0};
  std::memcpy(d.bytes.data(), &h, 40);
  for (size_t i = 0; i < entries; ++i) {
    d.bytes[40 + 4 * i] = GetBValue(table[i]);
    d.bytes[41 + 4 * i] = GetGValue(table[i]);
    d.bytes[42 + 4 * i] = GetRValue(table[i]);
  }
  uint8_t* rows = d.bytes.data() + 40 + entries * 4;
  for (int y = 0; y < 2; ++y) {
    uint8_t* row = rows + size_t(top_down ? y : 1 - y) * stride;
    for (int x = 0; x < 2; ++x) {
      const COLORREF c = px[2 * y + x];
      const int i = index[2 * y + x];
      switch (bits) {
        case 1: row[0] |= uint8_t(i << (7 - x)); break;
        case 4: row[0] |= uint8_t(x ? i : i << 4); break;
        case 8: row[x] = uint8_t(i); break;
        case 16: {
          const unsigned v = (unsigned(GetRValue(c) >> 3) << 10) | (unsigned(GetGValue(c) >> 3) << 5) | (GetBValue(c) >> 3);
          row[2 * x] = uint8_t(v);
          row[2 * x + 1] = uint8_t(v >> 8);
          break;
        }
        default: {
          const int n = bits / 8;
          row[n * x] = GetBValue(c);
          row[n * x + 1] = GetGValue(c);
          row[n * x + 2] = GetRValue(c);
        }
      }
    }
  }
  return d;
}

using test_support::Canvas;

using Bitmaps = ui_test::Ui;

TEST_F(Bitmaps, DibsOfEveryDepthAndOrderDrawTheirPixels) {
  for (int bits : {1, 4, 8, 16, 24, 32}) {
    for (bool top_down : {false, true}) {
      const Dib d = Make(bits, top_down);
      const bool paletted = bits <= 8;
      const COLORREF want[4] = {kRed, kBlue, paletted ? kBlue : kGreen, kRed};
      Canvas canvas(6, 6, 0);
      ASSERT_EQ(SetDIBitsToDevice(canvas.dc, 1, 2, 2, 2, 0, 0, 0, 2, d.bits(), d.info(), DIB_RGB_COLORS), 2)
          << bits << " " << top_down;
      HBITMAP bm = CreateDIBitmap(canvas.dc, &d.info()->bmiHeader, CBM_INIT, d.bits(), d.info(), DIB_RGB_COLORS);
      ASSERT_NE(bm, nullptr);
      HDC src = CreateCompatibleDC(nullptr);
      HGDIOBJ old = SelectObject(src, bm);
      BitBlt(canvas.dc, 4, 4, 2, 2, src, 0, 0, SRCCOPY);
      SelectObject(src, old);
      DeleteDC(src);
      DeleteObject(bm);
      for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(GetPixel(canvas.dc, 1 + i % 2, 2 + i / 2), want[i]) << bits << " bits, top-down " << top_down << " " << i;
        EXPECT_EQ(GetPixel(canvas.dc, 4 + i % 2, 4 + i / 2), want[i]) << bits << " bits, top-down " << top_down << " " << i;
      }
      EXPECT_EQ(GetPixel(canvas.dc, 0, 2), 0u);
    }
  }
}

TEST_F(Bitmaps, DibsThatCannotBeDrawnAreRefused) {
  Canvas canvas(6, 6, 0);
  const Dib good = Make(24, false);
  struct Case {
    const char* what;
    void (*change)(BITMAPINFOHEADER*);
  } cases[] = {
      {"7 bits", [](BITMAPINFOHEADER* h) { h->biBitCount = 7; }},
      {"compressed", [](BITMAPINFOHEADER* h) { h->biCompression = 1; }},
      {"two planes", [](BITMAPINFOHEADER* h) { h->biPlanes = 2; }},
      {"no width", [](BITMAPINFOHEADER* h) { h->biWidth = 0; }},
      {"too high", [](BITMAPINFOHEADER* h) { h->biHeight = 20000; }},
      {"more colours than 8 bits hold", [](BITMAPINFOHEADER* h) {
         h->biBitCount = 8;
         h->biClrUsed = 300;
       }},
  };
  for (const Case& c : cases) {
    Dib d = good;
    c.change(reinterpret_cast<BITMAPINFOHEADER*>(d.bytes.data()));
    EXPECT_EQ(SetDIBitsToDevice(canvas.dc, 0, 0, 2, 2, 0, 0, 0, 2, d.bits(), d.info(), DIB_RGB_COLORS), 0) << c.what;
    EXPECT_EQ(CreateDIBitmap(canvas.dc, &d.info()->bmiHeader, CBM_INIT, d.bits(), d.info(), DIB_RGB_COLORS), nullptr)
        << c.what;
  }
  EXPECT_EQ(CreateDIBitmap(canvas.dc, &good.info()->bmiHeader, CBM_INIT, nullptr, nullptr, DIB_RGB_COLORS), nullptr);
}

class ModuleBitmaps : public ui_test::Ui {
 protected:
  void SetUp() override {
    Ui::SetUp();
    const Dib d = Make(8, false);
    std::vector<plat::ResourceEntry> e = {{RT_BITMAP, 6001, d.bytes},
                                          {RT_BITMAP, 6002, std::vector<uint8_t>(d.bytes.begin(), d.bytes.end() - 1)}};
    for (auto& c : ui::IconResources(false, 100, 1, {ui::IconImage{2, 1, 0, 0, {0xFF0000FF, 0x80FF0000}}}))
      e.push_back(c);
    ASSERT_TRUE(plat::WriteResourceModule(plat_test::TempMachine::Host(u"C:\\Windows\\System32\\pictures.dll"),
                                          plat::StandinModuleDir() + "/velmres.dll", e));
    module_ = LoadLibraryW(u"pictures.dll");
    ASSERT_NE(module_, nullptr);
  }
  void TearDown() override {
    FreeLibrary(module_);
    Ui::TearDown();
  }
  plat_test::TempMachine machine_;
  HMODULE module_ = nullptr;
};

TEST_F(ModuleBitmaps, LoadBitmapReadsAPackedDibAndSaysWhyItCannot) {
  HBITMAP bm = LoadBitmapW(module_, MAKEINTRESOURCEW(6001));
  ASSERT_NE(bm, nullptr);
  BITMAP info{};
  ASSERT_TRUE(GetObjectW(bm, sizeof info, &info));
  EXPECT_EQ(info.bmWidth, 2);
  EXPECT_EQ(info.bmHeight, 2);
  DeleteObject(bm);
  struct Case {
    HMODULE module;
    LPCWSTR name;
    DWORD error;
  } cases[] = {
      {module_, MAKEINTRESOURCEW(6003), ERROR_RESOURCE_NAME_NOT_FOUND},
      {module_, MAKEINTRESOURCEW(6002), ERROR_BAD_FORMAT},  // one byte short
      {module_, u"PICTURE", ERROR_RESOURCE_NAME_NOT_FOUND},  // resources are named by id
      {nullptr, MAKEINTRESOURCEW(6001), ERROR_RESOURCE_NAME_NOT_FOUND},
  };
  for (const Case& c : cases) {
    SetLastError(0);
    EXPECT_EQ(LoadBitmapW(c.module, c.name), nullptr);
    EXPECT_EQ(GetLastError(), c.error);
  }
}

TEST_F(ModuleBitmaps, DrawIconBlendsByAlpha) {
  Canvas canvas(6, 6, RGB(0, 0, 0));
  HICON icon = LoadIconW(module_, MAKEINTRESOURCEW(100));
  ASSERT_NE(icon, nullptr);
  ASSERT_TRUE(DrawIcon(canvas.dc, 2, 3, icon));
  EXPECT_EQ(GetPixel(canvas.dc, 2, 3), kBlue);             // opaque 0xFF0000FF
  EXPECT_EQ(GetPixel(canvas.dc, 3, 3), RGB(128, 0, 0));    // half of 0xFF0000 over black
  EXPECT_EQ(GetPixel(canvas.dc, 4, 3), 0u);
  EXPECT_FALSE(DrawIcon(canvas.dc, 0, 0, reinterpret_cast<HICON>(uintptr_t(0x1234))));
}

TEST_F(Bitmaps, APaletteIsKeptButMapsNothingOnThisDisplay) {
  Canvas canvas(6, 6, 0);
  EXPECT_EQ(GetNearestColor(canvas.dc, 0xFF3333), 0xFF3333u);
  EXPECT_EQ(GetNearestColor(nullptr, 0xFF3333), CLR_INVALID);
  struct {
    WORD version = 0x300, count = 2;
    PALETTEENTRY entries[2] = {{1, 2, 3, 0}, {4, 5, 6, 0}};
  } log;
  HPALETTE palette = CreatePalette(reinterpret_cast<const LOGPALETTE*>(&log));
  ASSERT_NE(palette, nullptr);
  PALETTEENTRY got[2] = {};
  EXPECT_EQ(GetPaletteEntries(palette, 0, 2, got), 2u);
  EXPECT_EQ(got[1].peBlue, 6);
  HPALETTE first = SelectPalette(canvas.dc, palette, FALSE);
  EXPECT_NE(first, nullptr);                                     // the default palette
  EXPECT_EQ(RealizePalette(canvas.dc), 0u);                      // nothing to map
  EXPECT_FALSE(DeleteObject(palette)) << "still selected";
  EXPECT_EQ(SelectPalette(canvas.dc, first, FALSE), palette);
  EXPECT_TRUE(DeleteObject(palette));
  log.version = 0x200;
  EXPECT_EQ(CreatePalette(reinterpret_cast<const LOGPALETTE*>(&log)), nullptr);
}

}  // namespace
