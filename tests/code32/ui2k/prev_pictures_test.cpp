// The preview pictures: the colour adjustment, transparency by the key
// colour and the 4-bit rule, the raster operations of the flags, placement
// by the position table and the anchors, one copy per composition, grey
// pictures of a machine without colour, and BMP files checked whole.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <random>

#include "control_test_page.h"
#include "gdi_canvas.h"
#include <cairo.h>
#include <unistd.h>

#include "png_picture.h"
#include "plat/files.h"
#include "plat/handles.h"
#include "temp_machine.h"
#include "ui/user32.h"
#include "ui2k/preview.h"
#include "velm/setting_ids.h"
#include "velm/settings.h"

namespace {

using ctl_test::PageTools;

constexpr COLORREF kKey = kPictureKeyColour;
constexpr COLORREF kRed = RGB(255, 0, 0), kGreen = RGB(0, 255, 0), kBlue = RGB(0, 0, 255);
constexpr COLORREF kWhite = RGB(255, 255, 255), kBlack = 0, kYellow = RGB(255, 255, 0);

// A DIB: header, colour table and rows; for 24 bits the pixels are the
// colours themselves. pixels are given from the top row down.
std::vector<uint8_t> Dib(int bits, int w, int h, const std::vector<COLORREF>& table, const std::vector<uint32_t>& pixels,
                         bool top_down = false, uint32_t clr_used = 0) {
  const size_t stride = ((size_t(w) * bits + 31) / 32) * 4;
  std::vector<uint8_t> out(40 + table.size() * 4 + stride * size_t(h), 0);
  BITMAPINFOHEADER hd{};
  hd.biSize = 40;
  hd.biWidth = w;
  hd.biHeight = top_down ? -h : h;
  hd.biPlanes = 1;
  hd.biBitCount = WORD(bits);
  hd.biClrUsed = clr_used;
  std::memcpy(out.data(), &hd, 40);
  for (size_t i = 0; i < table.size(); ++i) {
    out[40 + 4 * i] = GetBValue(table[i]);
    out[40 + 4 * i + 1] = GetGValue(table[i]);
    out[40 + 4 * i + 2] = GetRValue(table[i]);
  }
  uint8_t* rows = out.data() + 40 + table.size() * 4;
  for (int y = 0; y < h; ++y) {
    uint8_t* row = rows + size_t(top_down ? y : h - 1 - y) * stride;
    for (int x = 0; x < w; ++x) {
      const uint32_t v = pixels[size_t(y) * size_t(w) + size_t(x)];
      if (bits == 8) row[x] = uint8_t(v);
      else if (bits == 4) row[x / 2] |= uint8_t(x % 2 ? v : v << 4);
      else {
        row[3 * x] = GetBValue(v);
        row[3 * x + 1] = GetGValue(v);
        row[3 * x + 2] = GetRValue(v);
      }
    }
  }
  return out;
}

// A BMP file of a DIB: the file header, then gap bytes before the rows.
std::string Bmp(const std::vector<uint8_t>& dib, size_t table_bytes, size_t gap = 0) {
  std::string f = "BM";
  const uint32_t offset = uint32_t(14 + 40 + table_bytes + gap);
  const uint32_t size = uint32_t(14 + dib.size() + gap);
  for (uint32_t v : {size, 0u, offset})
    for (int k = 0; k < 4; ++k) f.push_back(char((v >> (8 * k)) & 0xFF));
  f.append(reinterpret_cast<const char*>(dib.data()), 40 + table_bytes);
  f.append(gap, '\x55');
  f.append(reinterpret_cast<const char*>(dib.data()) + 40 + table_bytes, dib.size() - 40 - table_bytes);
  return f;
}

using test_support::Canvas;

// The test's pictures, in a bitmap module of its own.
constexpr uint32_t kEight = 6130;     // 8 bits: left half key colour, right half red
constexpr uint32_t kFour = 6131;      // 4 bits: bottom-left green, a key-coloured column, blue
constexpr uint32_t kSolid = 6132;     // 24 bits: all yellow
constexpr uint32_t kPlaced = 6232;    // 8 bits 2 x 2 red, a row with offsets 71, 53
constexpr uint32_t kRedSample = 6351;  // 8 bits 4 x 4 red, a stretched row
const HMODULE kPictures = reinterpret_cast<HMODULE>(uintptr_t(0x6150));

class Pictures : public ::testing::Test, public PageTools {
 protected:
  void SetUp() override {
    StartPage(m_.ctx);
    CtlSetServices(nullptr);
    const std::vector<uint32_t> eight = {0, 0, 1, 1, 0, 0, 1, 1, 0, 0, 1, 1, 0, 0, 1, 1};
    // Columns: key colour, blue, blue, green; bottom-left pixel green.
    const std::vector<uint32_t> four = {0, 2, 2, 3, 0, 2, 2, 3, 0, 2, 2, 3, 3, 2, 2, 3};
    dibs_ = {{kEight, Dib(8, 4, 4, {kKey, kRed}, eight, false, 2)},
             {kFour, Dib(4, 4, 4, {kKey, kBlack, kBlue, kGreen}, four, false, 4)},
             {kSolid, Dib(24, 4, 4, {}, std::vector<uint32_t>(16, kYellow))},
             {kPlaced, Dib(8, 2, 2, {kKey, kRed}, {1, 1, 1, 1}, false, 2)},
             {kRedSample, Dib(8, 4, 4, {kKey, kRed}, std::vector<uint32_t>(16, 1), false, 2)}};
    for (const auto& [id, bytes] : dibs_) entries_.push_back({RT_BITMAP, id, bytes.data(), bytes.size()});
    plat::RegisterModuleResources(kPictures, entries_.data(), entries_.size());
    ctx->bitmapModule = kPictures;
  }
  void TearDown() override {
    ctx->bitmapModule = nullptr;
    plat::WithdrawModuleResources(kPictures);
    EndPage();
  }
  void Draw(HDC dc, const RECT& r, int x, int y, uint32_t id, uint32_t flags) {
    PrevDrawPicture(ctx, nullptr, nullptr, dc, &r, x, y, MAKEINTRESOURCEW(id), flags, 1);
  }
  void Params(std::initializer_list<int32_t> p) {
    int i = 0;
    for (int32_t v : p) ctx->work->colourShift[i++] = v - 50;
  }
  void Background(COLORREF c) {
    ctx->work->pictureBackground = c;
    ctx->work->pictureBackgroundSet = 1;
  }

  plat_test::TempMachine machine_;
  ctx_test::ModelContext m_{ctl_test::kPageModel};
  std::vector<std::pair<uint32_t, std::vector<uint8_t>>> dibs_;
  std::vector<plat::BuiltinResource> entries_;
};

// The adjustment as written: brightness and saturation on the luma and the
// colour differences, the balance added (or the luma alone for grey), the
// contrast a line k x v / 256 + 50 - contrast, then clamped.
COLORREF Reference(const int p[6], COLORREF c, bool grey) {
  if (!grey && p[0] == 50 && p[1] == 50 && p[2] == 50 && p[3] == 50 && p[4] == 50 && p[5] == 50) return c;
  int ch[3] = {GetRValue(c), GetGValue(c), GetBValue(c)};
  int y = (ch[0] * 30 + ch[1] * 59 + ch[2] * 11) / 100;
  if (p[0] != 50 || p[2] != 50) {
    int cr = ch[0] - y, cb = ch[2] - y;
    int a = 3 * (p[0] - 50) / 2, s = 3 * (p[2] - 50) / 2;
    y = y > 128 ? ((128 - a) * y + a * 255) / 128 : (a + 128) * y / 128;
    cr = cr > 128 ? ((128 - s) * cr + s * 255) / 128 : (s + 128) * cr / 128;
    cb = cb > 128 ? ((128 - s) * cb + s * 255) / 128 : (s + 128) * cb / 128;
    ch[0] = std::max(0, y + cr);
    ch[1] = std::max(0, y - cr * 30 / 59 - cb * 11 / 59);
    ch[2] = std::max(0, y + cb);
  }
  for (int i = 0; i < 3; ++i) ch[i] = grey ? y : ch[i] + p[3 + i] - 50;
  for (int i = 0; i < 3; ++i) {
    if (p[1] != 50) ch[i] = (2 * p[1] + 156) * ch[i] / 256 + 50 - p[1];
    ch[i] = std::min(255, std::max(0, ch[i]));
  }
  return RGB(uint8_t(ch[0]), uint8_t(ch[1]), uint8_t(ch[2]));
}

TEST_F(Pictures, ColourAdjustmentFollowsItsFormula) {
  struct Case {
    std::vector<int32_t> params;
    COLORREF in;
    int32_t grey;
    COLORREF out;
  } cases[] = {
      {{50, 50, 50, 50, 50, 50}, RGB(12, 200, 77), 0, RGB(12, 200, 77)},   // neutral: unchanged
      {{50, 50, 50, 50, 50, 50}, RGB(12, 200, 77), 1, RGB(130, 130, 130)},  // grey still: the luma
      {{50, 100, 50, 50, 50, 50}, RGB(100, 100, 100), 0, RGB(89, 89, 89)},  // 356 * 100 / 256 - 50
      {{50, 100, 50, 50, 50, 50}, RGB(200, 20, 0), 0, RGB(228, 0, 0)},      // clamped both ways
      {{50, 50, 50, 60, 50, 50}, RGB(250, 0, 0), 0, RGB(255, 0, 0)},        // red balance, clamped
      {{50, 50, 50, 50, 40, 50}, RGB(0, 30, 0), 0, RGB(0, 20, 0)},          // green balance
      {{50, 50, 50, 50, 50, 51}, RGB(255, 0, 0), 1, RGB(76, 76, 76)},       // grey: the luma only
      {{50, 50, 0, 50, 50, 50}, RGB(255, 0, 0), 0, RGB(210, 13, 45)},       // saturation 0
  };
  for (const Case& c : cases) {
    Params({c.params[0], c.params[1], c.params[2], c.params[3], c.params[4], c.params[5]});
    EXPECT_EQ(PrevAdjustColour(ctx, c.in, c.grey), c.out) << std::hex << c.in << " contrast " << c.params[1];
  }
  std::mt19937 random(27);
  for (int i = 0; i < 2000; ++i) {
    int p[6];
    for (int& v : p) v = int(random() % 101);
    const COLORREF in = random() & 0xFFFFFF;
    const bool grey = random() % 2;
    Params({p[0], p[1], p[2], p[3], p[4], p[5]});
    ASSERT_EQ(PrevAdjustColour(ctx, in, grey), Reference(p, in, grey))
        << std::hex << in << std::dec << " " << p[0] << " " << p[1] << " " << p[2] << " " << p[3] << " " << p[4]
        << " " << p[5];
  }
}

TEST_F(Pictures, TheKeyColourAndTheBottomLeftColourOfFourBitPicturesAreTransparent) {
  Background(kWhite);
  struct Case {
    uint32_t id;
    uint32_t flags;
    COLORREF under;  // the target before
    COLORREF want[4];  // the row at y 0, x 0-3
  } cases[] = {
      // 8 bits: the key colour shows the background, red stays.
      {kEight, 0, kBlack, {kWhite, kWhite, kRed, kRed}},
      // Over the target (flag 1): the target shows through.
      {kEight, kPicTarget, kBlue, {kBlue, kBlue, kRed, kRed}},
      // 4 bits: the bottom-left colour (green) is transparent; the key
      // colour is an ordinary colour there.
      {kFour, 0, kBlack, {kKey, kBlue, kBlue, kWhite}},
      {kFour, kPicTarget, kRed, {kKey, kBlue, kBlue, kRed}},
      // Copied opaquely: every colour as it is.
      {kEight, kPicCopy, kBlack, {kKey, kKey, kRed, kRed}},
      // ANDed with the target, and MERGEPAINT (not the picture, OR the target).
      {kEight, kPicAnd, RGB(255, 0, 255), {RGB(0xCC, 0, 0x33), RGB(0xCC, 0, 0x33), kRed, kRed}},
      {kEight, kPicMergePaint, kBlack, {RGB(0x33, 0xFF, 0xCC), RGB(0x33, 0xFF, 0xCC), RGB(0, 255, 255),
                                        RGB(0, 255, 255)}},
      // A picture of more than 8 bits has no transparent colour.
      {kSolid, 0, kBlack, {kYellow, kYellow, kYellow, kYellow}},
  };
  for (const Case& c : cases) {
    Canvas canvas(8, 6, c.under);
    Draw(canvas.dc, RECT{0, 0, 8, 6}, 2, 1, c.id, c.flags);
    for (int x = 0; x < 4; ++x)
      EXPECT_EQ(canvas.At(2 + x, 1), c.want[x]) << c.id << " flags " << c.flags << " x " << x;
    // Outside the picture: the page background, or the target over which it is drawn.
    const bool keeps = c.flags != 0 || c.id == kSolid;
    EXPECT_EQ(canvas.At(7, 5), keeps ? c.under : kWhite) << c.id << " flags " << c.flags;
  }
}

TEST_F(Pictures, TheTableAndTheAnchorsPlaceThePicture) {
  Background(kWhite);
  DialogRecord* d = Dialog(1001);
  ASSERT_NE(d, nullptr);
  HWND window = CreateWindowExW(0, u"STATIC", u"", WS_CHILD | WS_VISIBLE, 5, 5, 120, 100, d->window, nullptr, nullptr,
                                nullptr);
  auto clear = [&] {
    HDC dc = GetDC(window);
    RECT all{0, 0, 120, 100};
    FillRect(dc, &all, HBRUSH(GetStockObject(BLACK_BRUSH)));
    ReleaseDC(window, dc);
  };
  struct Case {
    uint32_t id;
    uint32_t flags;
    POINT at;          // the top-left pixel of the picture in the client area
    int size;          // the picture's side
    COLORREF colour;   // of the picture
    COLORREF outside;  // the page background, or the target for 24 bits
  } cases[] = {
      {kPlaced, 0, {71, 53}, 2, kRed, kWhite},  // the row's offsets
      {kSolid, kPicCentre, {60 - 2, 0}, 4, kYellow, kBlack},
      {kSolid, kPicRight | kPicBottom, {120 - 4, 100 - 4}, 4, kYellow, kBlack},
      {kSolid, kPicMiddle, {0, 50 - 2}, 4, kYellow, kBlack},
  };
  for (const Case& c : cases) {
    clear();
    PrevDrawItemPicture(ctx, d, nullptr, window, nullptr, c.id, c.flags, 0);
    const LONG x = c.at.x, y = c.at.y, e = c.size - 1;
    EXPECT_EQ(ui::WindowPixel(window, x, y), c.colour) << c.id << " " << c.flags;
    EXPECT_EQ(ui::WindowPixel(window, x + e, y + e), c.colour) << c.id << " " << c.flags;
    if (x > 0) {
      EXPECT_EQ(ui::WindowPixel(window, x - 1, y), c.outside) << c.id << " " << c.flags;
    }
    if (y + e < 99) {
      EXPECT_EQ(ui::WindowPixel(window, x, y + e + 1), c.outside) << c.id << " " << c.flags;
    }
  }
  // A given rectangle (a caller's DC) centres the picture in it.
  Canvas canvas(100, 100, kBlack);
  ctx->work->previewDc = canvas.dc;
  const RECT r{10, 20, 50, 40};
  PrevDrawItemPicture(ctx, d, nullptr, nullptr, &r, kSolid, 0, 1);
  ctx->work->previewDc = nullptr;
  EXPECT_EQ(canvas.At(28, 28), kYellow);
  EXPECT_EQ(canvas.At(31, 31), kYellow);
  EXPECT_EQ(canvas.At(27, 28), kBlack);
  EXPECT_EQ(canvas.At(32, 31), kBlack);
}

TEST_F(Pictures, ACompositionReachesTheWindowInOneCopy) {
  Background(kWhite);
  DialogRecord* d = Dialog(1001);
  ASSERT_NE(d, nullptr);
  HWND window =
      CreateWindowExW(0, u"STATIC", u"", WS_CHILD | WS_VISIBLE, 0, 0, 40, 30, d->window, nullptr, nullptr, nullptr);
  auto clear = [&] {
    HDC dc = GetDC(window);
    RECT all{0, 0, 40, 30};
    FillRect(dc, &all, HBRUSH(GetStockObject(BLACK_BRUSH)));
    ReleaseDC(window, dc);
  };
  clear();
  EXPECT_EQ(PrevComposeDc(ctx), nullptr);
  PrevBeginCompose(ctx);
  PrevDrawItemPicture(ctx, d, nullptr, window, nullptr, kEight, 0, 0);  // the base layer at 0, 0
  ASSERT_NE(PrevComposeDc(ctx), nullptr);
  PrevDrawItemPicture(ctx, d, nullptr, window, nullptr, kEight, kPicTarget | kPicRight, 0);  // over it, at the right
  // Nothing has reached the window yet.
  EXPECT_EQ(ui::WindowPixel(window, 2, 0), kBlack);
  EXPECT_EQ(ui::WindowPixel(window, 39, 0), kBlack);
  PrevEndCompose(ctx, window, nullptr);
  EXPECT_EQ(PrevComposeDc(ctx), nullptr);
  EXPECT_EQ(ui::WindowPixel(window, 0, 0), kWhite);  // the key colour of the base layer
  EXPECT_EQ(ui::WindowPixel(window, 2, 0), kRed);
  EXPECT_EQ(ui::WindowPixel(window, 10, 10), kWhite);  // the base layer's background
  EXPECT_EQ(ui::WindowPixel(window, 39, 0), kRed);
  EXPECT_EQ(ui::WindowPixel(window, 36, 0), kWhite);  // the layer below shows through the key colour
  // An end without a composition copies nothing.
  clear();
  PrevEndCompose(ctx, window, nullptr);
  EXPECT_EQ(ui::WindowPixel(window, 2, 0), kBlack);
}

TEST_F(Pictures, StretchedPicturesAreAdjustedAndGreyOnAMachineWithoutColour) {
  struct Case {
    int32_t colour_machine;
    int32_t contrast;
    COLORREF want;
  } cases[] = {
      {1, 50, kRed},                  // neutral: as drawn
      {0, 50, RGB(76, 76, 76)},       // setting 246 = 0: the luma of red
      {1, 100, RGB(255, 0, 0)},       // contrast on red: clamped
      {0, 100, RGB(55, 55, 55)},      // grey, then the contrast: 356 * 76 / 256 - 50
  };
  for (const Case& c : cases) {
    OptSetValueById(ctx, setting::vdmMachineColor, c.colour_machine);
    ASSERT_EQ(OptGetValueById(ctx, setting::vdmMachineColor), c.colour_machine);
    Params({50, c.contrast, 50, 50, 50, 50});
    Canvas canvas(20, 20, kBlack);
    Draw(canvas.dc, RECT{2, 2, 18, 14}, 0, 0, kRedSample, kPicStretch);
    EXPECT_EQ(canvas.At(2, 2), c.want) << c.colour_machine << " " << c.contrast;
    EXPECT_EQ(canvas.At(17, 13), c.want) << c.colour_machine << " " << c.contrast;
    EXPECT_EQ(canvas.At(18, 14), kBlack);
  }
}

TEST_F(Pictures, ThePaletteDisplayStateIsNoneOnThisMachine) {
  EXPECT_EQ(PrevSetPaletteEntry(nullptr, 0, 0), nullptr);  // state 0
  Canvas canvas(2, 2, kBlack);
  EXPECT_EQ(PrevSetPaletteEntry(canvas.dc, -1, 0), nullptr);  // nothing realised
  EXPECT_EQ(PrevGetComctlVersion(), 0);                        // no comctl32.dll
}

TEST(PictureTable, RowsAreOrderedAndFitTheirPictures) {
  const PictureRow* rows = UiGetPictureTable();
  int count = 0, centred = 0, stretched = 0;
  for (const PictureRow* r = rows; r->id; ++r, ++count) {
    EXPECT_GE(r->id, 6001);
    EXPECT_LE(r->id, 7008);
    if (r != rows) {
      EXPECT_GT(r->id, r[-1].id) << "in order, each id once";
    }
    EXPECT_EQ(r->baseId, 0);
    EXPECT_GT(r->width, 0);
    EXPECT_GT(r->height, 0);
    if (r->flags == 0x50) {
      ++centred;
      EXPECT_EQ(r->width, 108);
      EXPECT_EQ(r->height, 91);
    }
    if (r->flags == kPicStretch) ++stretched;
    EXPECT_TRUE(r->flags == 0 || r->flags == 0x50 || r->flags == kPicStretch) << r->id;
    EXPECT_EQ(PrevFindPictureRow(r->id), r);
  }
  EXPECT_EQ(count, kPictureRowCount);
  EXPECT_EQ(centred, 145);
  EXPECT_EQ(stretched, 4);
  EXPECT_EQ(PrevFindPictureRow(6000), nullptr);
  EXPECT_EQ(PrevFindPictureRow(7006)->width, 16);
}

// ---- BMP files ---------------------------------------------------------------------------------

class BmpFiles : public ::testing::Test {
 protected:
  static constexpr const char16_t* kPath = u"C:\\picture.bmp";
  void Write(const std::string& bytes) { plat_test::TempMachine::Put(kPath, bytes); }
  // Both loaders' answers; they must agree.
  bool Accepted() {
    HANDLE file = nullptr;
    const int32_t opened = PrevOpenBmpFile(kPath, &file);
    if (file) CloseHandle(file);
    int32_t w = -1, h = -1;
    HBITMAP bm = PrevLoadBmpFile(kPath, &w, &h);
    EXPECT_EQ(opened == 1, bm != nullptr) << "both loaders agree";
    if (bm) DeleteObject(bm);
    return bm != nullptr;
  }
  plat_test::TempMachine machine_;
};

void Put32(std::string* s, size_t at, uint32_t v) {
  for (int k = 0; k < 4; ++k) (*s)[at + size_t(k)] = char((v >> (8 * k)) & 0xFF);
}
void Put16(std::string* s, size_t at, uint16_t v) {
  (*s)[at] = char(v & 0xFF);
  (*s)[at + 1] = char(v >> 8);
}

TEST_F(BmpFiles, WholeFilesAreAcceptedAndTheRestRefused) {
  const std::string good = Bmp(Dib(24, 3, 2, {}, std::vector<uint32_t>(6, kRed)), 0);
  const std::string paletted = Bmp(Dib(8, 2, 2, {kRed, kBlue}, {0, 1, 1, 0}, false, 2), 8);
  struct Case {
    const char* what;
    std::string bytes;
    bool accepted;
  };
  std::vector<Case> cases = {
      {"24 bits", good, true},
      {"8 bits with a table of biClrUsed entries", paletted, true},
      {"top-down", Bmp(Dib(24, 3, 2, {}, std::vector<uint32_t>(6, kRed), true), 0), true},
      {"pixels after a gap, where bfOffBits says", Bmp(Dib(24, 3, 2, {}, std::vector<uint32_t>(6, kRed)), 0, 10), true},
      {"empty", "", false},
      {"not BM", "XY" + good.substr(2), false},
      {"cut in the pixels", good.substr(0, good.size() - 1), false},
      {"cut in the header", good.substr(0, 30), false},
  };
  auto with = [&](const char* what, const std::string& base, auto change) {
    std::string s = base;
    change(&s);
    cases.push_back({what, s, false});
  };
  with("an OS/2 header of 12 bytes", good, [](std::string* s) { Put32(s, 14, 12); });
  with("a version-5 header", good, [](std::string* s) { Put32(s, 14, 124); });
  with("two planes", good, [](std::string* s) { Put16(s, 26, 2); });
  with("7 bits a pixel", good, [](std::string* s) { Put16(s, 28, 7); });
  with("0 bits a pixel", good, [](std::string* s) { Put16(s, 28, 0); });
  with("run-length compressed", good, [](std::string* s) { Put32(s, 30, 1); });
  with("width 0", good, [](std::string* s) { Put32(s, 18, 0); });
  with("negative width", good, [](std::string* s) { Put32(s, 18, uint32_t(-3)); });
  with("height 0", good, [](std::string* s) { Put32(s, 22, 0); });
  with("huge: width x height x bits beyond 32 bits", good, [](std::string* s) {
    Put32(s, 18, 0x7FFFFFFF);
    Put32(s, 22, 0x7FFFFFFF);
  });
  with("the most negative height", good, [](std::string* s) { Put32(s, 22, 0x80000000u); });
  with("rows beyond the file by bfOffBits", good, [](std::string* s) { Put32(s, 10, 60); });
  with("bfOffBits inside the colour table", paletted, [](std::string* s) { Put32(s, 10, 54 + 4); });
  with("more colours than the bit count holds", paletted, [](std::string* s) { Put32(s, 46, 257); });
  for (const Case& c : cases) {
    Write(c.bytes);
    EXPECT_EQ(Accepted(), c.accepted) << c.what;
  }
}

TEST_F(BmpFiles, RowsComeFromBfOffBitsInTheirOrder) {
  // Two rows: red on top, blue below; stored bottom-up, top-down, and
  // after a gap that must be skipped.
  const std::vector<uint32_t> px = {kRed, kRed, kBlue, kBlue};
  for (const std::string& file : {Bmp(Dib(24, 2, 2, {}, px), 0), Bmp(Dib(24, 2, 2, {}, px, true), 0),
                                  Bmp(Dib(24, 2, 2, {}, px), 0, 7), Bmp(Dib(4, 2, 2, {kRed, kBlue}, {0, 0, 1, 1}, true, 2), 8, 3)}) {
    Write(file);
    int32_t w = 0, h = 0;
    HBITMAP bm = PrevLoadBmpFile(kPath, &w, &h);
    ASSERT_NE(bm, nullptr);
    EXPECT_EQ(w, 2);
    EXPECT_EQ(h, 2);
    Canvas canvas(2, 2, kBlack);
    HDC src = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(src, bm);
    BitBlt(canvas.dc, 0, 0, 2, 2, src, 0, 0, SRCCOPY);
    SelectObject(src, old);
    DeleteDC(src);
    DeleteObject(bm);
    EXPECT_EQ(canvas.At(1, 0), kRed);
    EXPECT_EQ(canvas.At(0, 1), kBlue);
  }
  EXPECT_EQ(PrevLoadBmpFile(u"C:\\missing.bmp", nullptr, nullptr), nullptr);
  HANDLE file = reinterpret_cast<HANDLE>(1);
  EXPECT_EQ(PrevOpenBmpFile(u"C:\\missing.bmp", &file), 0);
  EXPECT_EQ(file, nullptr);
}

}  // namespace

// ---- the bitmap module as built: one preview of each kind ---------------------------------------

// The previews of the pages drawn from the bitmap resource module the build
// makes: the paper with an N-up layout and its order, the machine with a
// tray chosen, the machine with its finisher and an output tray, and the
// colour sample stretched, as drawn and adjusted. Compared with the
// reviewed golden picture (tests/data/golden/prev_pictures.png) by blocks;
// VELM_UPDATE_GOLDEN=1 writes it anew after a change that was looked at.
class BuiltModule : public Pictures {
 protected:
  void SetUp() override {
    Pictures::SetUp();
    plat_test::TempMachine::Put(u"C:\\VELMCIXX.dll", test_support::ReadFile(VELM_BITMAP_MODULE));
    module_ = LoadLibraryW(u"C:\\VELMCIXX.dll");
    ASSERT_NE(module_, nullptr);
    ctx->bitmapModule = module_;
  }
  void TearDown() override {
    ctx->bitmapModule = nullptr;
    if (module_) FreeLibrary(module_);
    Pictures::TearDown();
  }
  HMODULE module_ = nullptr;
};

TEST_F(BuiltModule, OnePreviewOfEachKindMatchesItsGoldenPicture) {
  constexpr int kW = 4 * 212, kH = 124;
  Canvas canvas(kW, kH, GetSysColor(COLOR_BTNFACE));
  DialogRecord* d = Dialog(1001);
  ASSERT_NE(d, nullptr);
  OptSetValueById(ctx, setting::vdmMachineColor, 1);
  // The paper: a composition on white, drawn into a caller's DC.
  Background(kWhite);
  ctx->work->previewDc = canvas.dc;
  const RECT paper{0, 0, 108, 91};
  PrevBeginCompose(ctx);
  bool over = false;
  for (uint32_t id : {6001u, 6017u, 6066u}) {
    PrevDrawItemPicture(ctx, d, nullptr, nullptr, &paper, id, over ? kPicTarget : 0, 1);
    over = true;
  }
  PrevEndCompose(ctx, nullptr, &paper);
  // The colour sample stretched: as drawn, then with brightness, contrast,
  // saturation and a red balance.
  Draw(canvas.dc, RECT{3 * 212, 0, 3 * 212 + 100, 84}, 0, 0, 6351, kPicStretch);
  Params({70, 65, 80, 60, 50, 45});
  Draw(canvas.dc, RECT{3 * 212 + 104, 0, 3 * 212 + 204, 84}, 0, 0, 6351, kPicStretch);
  Params({50, 50, 50, 50, 50, 50});
  ctx->work->previewDc = nullptr;
  ctx->work->pictureBackgroundSet = 0;
  // The machine with a tray, and with its finisher: layers placed by the
  // table in the control's client area.
  const std::vector<std::vector<uint32_t>> machines = {{6651, 6653, 6655, 6664}, {6651, 6652, 6658, 6803}};
  for (size_t m = 0; m < machines.size(); ++m) {
    HWND window = CreateWindowExW(0, u"STATIC", u"", WS_CHILD | WS_VISIBLE, 0, 0, 200, 120, d->window, nullptr,
                                  nullptr, nullptr);
    PrevBeginCompose(ctx);
    over = false;
    for (uint32_t id : machines[m]) {
      PrevDrawItemPicture(ctx, d, nullptr, window, nullptr, id, over ? kPicTarget : 0, 0);
      over = true;
    }
    PrevEndCompose(ctx, window, nullptr);
    HDC dc = GetDC(window);
    BitBlt(canvas.dc, 212 * int(m + 1), 0, 200, 120, dc, 0, 0, SRCCOPY);
    ReleaseDC(window, dc);
    DestroyWindow(window);
  }

  BITMAP bm{};
  ASSERT_TRUE(GetObjectW(canvas.bitmap, sizeof bm, &bm));
  const std::string png = (std::filesystem::temp_directory_path() /
                           ("velm-prev-" + std::to_string(::getpid()) + ".png")).string();
  cairo_surface_t* s = cairo_image_surface_create_for_data(static_cast<unsigned char*>(bm.bmBits), CAIRO_FORMAT_RGB24,
                                                           bm.bmWidth, bm.bmHeight, bm.bmWidthBytes);
  ASSERT_EQ(cairo_surface_write_to_png(s, png.c_str()), CAIRO_STATUS_SUCCESS);
  cairo_surface_destroy(s);
  const char* data = std::getenv("VELM_TEST_DATA");
  ASSERT_NE(data, nullptr);
  const std::string golden = std::string(data) + "/data/golden/prev_pictures.png";
  if (std::getenv("VELM_UPDATE_GOLDEN"))
    std::filesystem::copy_file(png, golden, std::filesystem::copy_options::overwrite_existing);
  const test_support::Rgb got = test_support::ReadPng(png), want = test_support::ReadPng(golden);
  std::filesystem::remove(png);
  ASSERT_EQ(got.width, kW);
  ASSERT_EQ(got.height, kH);
  EXPECT_EQ(test_support::DifferingBlocks(got, want, 8, 24), std::vector<std::string>{});
  // The adjusted sample differs from the one as drawn.
  EXPECT_NE(canvas.At(3 * 212 + 50, 20), canvas.At(3 * 212 + 154, 20));
}
