// Raster mode: each drawing entry hands its call to the engine routine that
// draws into the band. For every entry the band's pixels after the driver
// call are the pixels the engine routine draws into a copy of the band with
// the same arguments, and nothing reaches the display list.
#include <functional>

#include "image_test_support.h"

namespace {

using vtest::Bitmap;
using vtest::Table;

// Sources, mask, brushes and clip shared by the calls.
struct Inputs {
  Inputs() : src24(8, 6, BMF_24BPP), src8(4, 4, BMF_8BPP), mask(8, 6, BMF_1BPP), pattern(3, 2, BMF_24BPP) {
    for (LONG y = 0; y < 6; ++y)
      for (LONG x = 0; x < 8; ++x) {
        src24.Put24(x, y, uint32_t(0x102030 * (x + 1) + 0x050B00 * y) & 0xFFFFFF);
        uint8_t* m = mask.Row(y);
        if ((x + y) % 3 != 0) m[x >> 3] = uint8_t(m[x >> 3] | (0x80 >> (x & 7)));
      }
    for (LONG y = 0; y < 4; ++y)
      for (LONG x = 0; x < 4; ++x) src8.Row(y)[x] = uint8_t((x + 2 * y) % 4);
    for (LONG y = 0; y < 2; ++y)
      for (LONG x = 0; x < 3; ++x) pattern.Put24(x, y, x == y ? 0x000000 : 0x00C0FF);
  }
  Bitmap src24, src8, mask, pattern;
  Table palette{{0x000000, 0xFF0000, 0x00FF00, 0x808080}};
  eng::BrushObject solid{0x336699};
  eng::BrushObject tiles{pattern.so, nullptr};
  eng::ClipObject clip{{{0, 0, 64, 9}, {10, 9, 50, 32}}, RECTL{0, 0, 64, 32}};
  eng::XformObject xform;
};

eng::Path Shape() {
  eng::Path p;
  p.MoveTo(4, 4);
  p.LineTo(50, 8);
  p.BezierTo(60, 20, 30, 40, 12, 26);
  p.Close();
  p.Rectangle(20, 10, 40, 20);
  return p;
}

class RasterForwarding : public vtest::VectorPage {
 protected:
  // Fills a band with a gradient so that ROPs that read the destination
  // show.
  static void Paint(SURFOBJ* so) {
    for (LONG y = 0; y < so->sizlBitmap.cy; ++y)
      for (LONG x = 0; x < so->sizlBitmap.cx; ++x) {
        RECTL one{x, y, x + 1, y + 1};
        EngEraseSurface(so, &one, so->iBitmapFormat == BMF_1BPP ? ULONG((x / 3 + y) % 2) : ULONG(0x040810 * (x + y)));
      }
  }
  static std::vector<uint8_t> Bytes(SURFOBJ* so) {
    std::vector<uint8_t> out;
    const LONG row = (so->lDelta < 0 ? -so->lDelta : so->lDelta);
    for (LONG y = 0; y < so->sizlBitmap.cy; ++y) {
      const uint8_t* r = static_cast<const uint8_t*>(so->pvScan0) + ptrdiff_t(y) * so->lDelta;
      out.insert(out.end(), r, r + row);
    }
    return out;
  }

  struct Case {
    const char* name;
    std::function<BOOL(SURFOBJ*)> driver;  // the entry, on the band
    std::function<BOOL(SURFOBJ*)> engine;  // what it must amount to, on a copy
  };

  // Runs each case on the band and on a copy; the pixels must match, and the
  // call must have drawn something.
  void Check(const std::vector<Case>& cases, ULONG format) {
    for (const Case& c : cases) {
      Paint(trg());
      Bitmap copy(trg()->sizlBitmap.cx, trg()->sizlBitmap.cy, format);
      Paint(copy.so);
      const std::vector<uint8_t> before = Bytes(trg());
      ASSERT_EQ(c.driver(trg()), TRUE) << c.name;
      ASSERT_EQ(c.engine(copy.so), TRUE) << c.name;
      EXPECT_NE(Bytes(trg()), before) << c.name << ": nothing drawn";
      EXPECT_EQ(Bytes(trg()), Bytes(copy.so)) << c.name;
    }
    EXPECT_TRUE(Records().empty());
  }
};

TEST_F(RasterForwarding, EveryEntryDrawsWhatItsEngineRoutineDraws) {
  Open(1);
  Inputs in;
  POINTL sp{1, 1}, mp{0, 1}, org{2, 1}, ht{1, 0};
  RECTL blt{3, 2, 10, 7};
  RECTL mirrored{40, 2, 20, 14}, reduced{50, 20, 54, 23}, down{2, 30, 26, 20};
  RECTL s24{0, 0, 8, 6};
  RECTL copy_rect{30, 20, 34, 24};
  RECTL fill_rect{45, 5, 60, 15};  // half of it is clipped away
  LINEATTRS dashed{};
  dashed.fl = LA_GEOMETRIC | LA_STYLED;
  dashed.elWidth.e = 1;
  dashed.iJoin = JOIN_MITER;
  dashed.iEndCap = ENDCAP_BUTT;
  dashed.eMiterLimit = 4;
  FLOAT_LONG style[2];
  style[0].e = 5;
  style[1].e = 3;
  dashed.cstyle = 2;
  dashed.pstyle = style;
  LINEATTRS wide{};
  wide.fl = LA_GEOMETRIC;
  wide.elWidth.e = 3;
  eng::PathObject path(Shape());
  eng::BrushObject pen(0x800000);
  std::vector<Case> cases = {
      {"DrvBitBlt: source, brush and mask",
       [&](SURFOBJ* t) { return DrvBitBlt(t, in.src24.so, in.mask.so, nullptr, nullptr, &blt, &sp, &mp, in.solid.get(), &org, 0x5AE2); },
       [&](SURFOBJ* t) { return EngBitBlt(t, in.src24.so, in.mask.so, nullptr, nullptr, &blt, &sp, &mp, in.solid.get(), &org, 0x5AE2); }},
      {"DrvBitBlt: pattern without source, clipped",
       [&](SURFOBJ* t) { return DrvBitBlt(t, nullptr, nullptr, in.clip.get(), nullptr, &fill_rect, nullptr, nullptr, in.tiles.get(), &org, 0xF0F0); },
       [&](SURFOBJ* t) { return EngBitBlt(t, nullptr, nullptr, in.clip.get(), nullptr, &fill_rect, nullptr, nullptr, in.tiles.get(), &org, 0xF0F0); }},
      {"DrvCopyBits: eight bits through the translation",
       [&](SURFOBJ* t) { return DrvCopyBits(t, in.src8.so, nullptr, &in.palette.xlo, &copy_rect, nullptr); },
       [&](SURFOBJ* t) { return EngCopyBits(t, in.src8.so, nullptr, &in.palette.xlo, &copy_rect, nullptr); }},
      {"DrvStretchBlt: mirrored with a mask, clipped",
       [&](SURFOBJ* t) { return DrvStretchBlt(t, in.src24.so, in.mask.so, in.clip.get(), nullptr, nullptr, &ht, &mirrored, &s24, &mp, COLORONCOLOR); },
       [&](SURFOBJ* t) { return EngStretchBlt(t, in.src24.so, in.mask.so, in.clip.get(), nullptr, nullptr, &ht, &mirrored, &s24, &mp, COLORONCOLOR); }},
      {"DrvStretchBlt: halftone reduction",
       [&](SURFOBJ* t) { return DrvStretchBlt(t, in.src24.so, nullptr, nullptr, nullptr, nullptr, &ht, &reduced, &s24, nullptr, HALFTONE); },
       [&](SURFOBJ* t) { return EngStretchBlt(t, in.src24.so, nullptr, nullptr, nullptr, nullptr, &ht, &reduced, &s24, nullptr, HALFTONE); }},
      {"DrvStretchBltROP: its ROP4, brush and mask",
       [&](SURFOBJ* t) { return DrvStretchBltROP(t, in.src24.so, in.mask.so, nullptr, nullptr, nullptr, &ht, &down, &s24, &mp, COLORONCOLOR, in.tiles.get(), 0x5AE2); },
       [&](SURFOBJ* t) { return EngStretchBltROP(t, in.src24.so, in.mask.so, nullptr, nullptr, nullptr, &ht, &down, &s24, &mp, COLORONCOLOR, in.tiles.get(), 0x5AE2); }},
      {"DrvFillPath: winding, clipped",
       [&](SURFOBJ* t) { return DrvFillPath(t, path.get(), in.clip.get(), in.solid.get(), &org, 0x0D0D, FP_WINDINGMODE); },
       [&](SURFOBJ* t) { return EngFillPath(t, path.get(), in.clip.get(), in.solid.get(), &org, 0x0D0D, FP_WINDINGMODE); }},
      {"DrvStrokePath: dashed geometric pen with a mix",
       [&](SURFOBJ* t) { return DrvStrokePath(t, path.get(), nullptr, in.xform.get(), pen.get(), &org, &dashed, 0x0707); },
       [&](SURFOBJ* t) { return EngStrokePath(t, path.get(), nullptr, in.xform.get(), pen.get(), &org, &dashed, 0x0707); }},
      {"DrvStrokeAndFillPath: pattern fill under a wide pen",
       [&](SURFOBJ* t) { return DrvStrokeAndFillPath(t, path.get(), nullptr, in.xform.get(), pen.get(), &wide, in.tiles.get(), &org, 0x0D0D, FP_ALTERNATEMODE); },
       [&](SURFOBJ* t) { return EngStrokeAndFillPath(t, path.get(), nullptr, in.xform.get(), pen.get(), &wide, in.tiles.get(), &org, 0x0D0D, FP_ALTERNATEMODE); }},
  };
  Check(cases, BMF_24BPP);
}

// On a one-bit page (colour process 1, dmColor 1) the stretches are
// halftoned whatever mode the caller asked for.
TEST_F(RasterForwarding, StretchesOnAOneBitPageAreHalftoned) {
  Open(1, BMF_1BPP);
  pdev_->colorProcess = 1;
  pdev_->color = 1;
  Bitmap grey(4, 4, BMF_24BPP);
  for (LONG y = 0; y < 4; ++y)
    for (LONG x = 0; x < 4; ++x) grey.Put24(x, y, 0x808080);
  eng::XlateObject to_mono(PAL_BGR, {}, PAL_INDEXED, {0x000000, 0xFFFFFF});
  eng::BrushObject white(1);
  RECTL dest{0, 0, 32, 16}, src{0, 0, 4, 4};
  POINTL ht{0, 0};
  std::vector<Case> cases = {
      {"DrvStretchBlt",
       [&](SURFOBJ* t) { return DrvStretchBlt(t, grey.so, nullptr, nullptr, to_mono.get(), nullptr, &ht, &dest, &src, nullptr, COLORONCOLOR); },
       [&](SURFOBJ* t) { return EngStretchBlt(t, grey.so, nullptr, nullptr, to_mono.get(), nullptr, &ht, &dest, &src, nullptr, HALFTONE); }},
      {"DrvStretchBltROP",
       [&](SURFOBJ* t) { return DrvStretchBltROP(t, grey.so, nullptr, nullptr, to_mono.get(), nullptr, &ht, &dest, &src, nullptr, COLORONCOLOR, white.get(), 0xCCCC); },
       [&](SURFOBJ* t) { return EngStretchBltROP(t, grey.so, nullptr, nullptr, to_mono.get(), nullptr, &ht, &dest, &src, nullptr, HALFTONE, white.get(), 0xCCCC); }},
  };
  Check(cases, BMF_1BPP);
  // Mid grey halftoned is half white; sampled it would be one colour.
  int white_pixels = 0;
  for (LONG y = 0; y < 16; ++y)
    for (LONG x = 0; x < 32; ++x)
      white_pixels += (static_cast<const uint8_t*>(trg()->pvScan0)[y * trg()->lDelta + x / 8] >> (7 - x % 8)) & 1;
  EXPECT_EQ(white_pixels, 256);
}

}  // namespace
