// The engine's objects and services: clip and path enumeration, bitmaps,
// surfaces, palettes, colour translation, transforms, brushes, code page,
// local time and memory.
#include <vector>

#include "eng/dc.h"
#include "eng_test_util.h"
#include "plat/kernel.h"

namespace {

std::vector<RECTL> EnumAll(CLIPOBJ* pco, ULONG direction, ULONG per_call, ULONG* count) {
  *count = CLIPOBJ_cEnumStart(pco, TRUE, CT_RECTANGLES, direction, 0);
  std::vector<RECTL> out;
  std::vector<uint8_t> buf(sizeof(ULONG) + per_call * sizeof(RECTL));
  for (int guard = 0; guard < 100; ++guard) {
    BOOL more = CLIPOBJ_bEnum(pco, ULONG(buf.size()), reinterpret_cast<ULONG*>(buf.data()));
    ENUMRECTS* er = reinterpret_cast<ENUMRECTS*>(buf.data());
    EXPECT_LE(er->c, per_call);
    for (ULONG i = 0; i < er->c; ++i) out.push_back(er->arcl[i]);
    if (!more) break;
  }
  return out;
}

std::vector<LONG> Lefts(const std::vector<RECTL>& rs) {
  std::vector<LONG> v;
  for (const RECTL& r : rs) v.push_back(r.left * 100 + r.top);
  return v;
}

TEST(ClipObj, EnumeratesInEachDirectionInBatches) {
  // Three rectangles: two in the first row band, one below.
  eng::ClipObject clip({{10, 0, 20, 5}, {0, 0, 5, 5}, {3, 5, 8, 9}}, RECTL{0, 0, 30, 30});
  ASSERT_EQ(clip.get()->iDComplexity, DC_COMPLEX);
  EXPECT_EQ(clip.get()->rclBounds.right, 20);
  EXPECT_EQ(clip.get()->rclBounds.bottom, 9);
  struct Case {
    ULONG direction;
    std::vector<LONG> order;  // left * 100 + top
  } cases[] = {
      {CD_RIGHTDOWN, {0, 1000, 305}},
      {CD_LEFTDOWN, {1000, 0, 305}},
      {CD_RIGHTUP, {305, 0, 1000}},
      {CD_LEFTUP, {305, 1000, 0}},
  };
  for (const Case& c : cases) {
    for (ULONG per_call : {1u, 2u, 8u}) {
      ULONG count = 0;
      std::vector<RECTL> got = EnumAll(clip.get(), c.direction, per_call, &count);
      EXPECT_EQ(count, 3u);
      EXPECT_EQ(Lefts(got), c.order) << c.direction << " " << per_call;
    }
  }
  // Over the limit: 0xFFFFFFFF; a buffer without room for a rectangle
  // gives none and says more remain.
  EXPECT_EQ(CLIPOBJ_cEnumStart(clip.get(), TRUE, CT_RECTANGLES, CD_ANY, 2), 0xFFFFFFFFu);
  ENUMRECTS small{};
  EXPECT_TRUE(CLIPOBJ_bEnum(clip.get(), sizeof(ULONG), reinterpret_cast<ULONG*>(&small)));
  EXPECT_EQ(small.c, 0u);
}

TEST(ClipObj, ComplexityFollowsTheDrawing) {
  eng::ClipObject holds({{0, 0, 10, 10}}, RECTL{2, 2, 5, 5});
  EXPECT_EQ(holds.get()->iDComplexity, DC_TRIVIAL);
  eng::ClipObject cuts({{0, 0, 4, 10}}, RECTL{2, 2, 5, 5});
  EXPECT_EQ(cuts.get()->iDComplexity, DC_RECT);
  EXPECT_EQ(cuts.get()->rclBounds.right, 4);
  ULONG count = 0;
  std::vector<RECTL> got = EnumAll(cuts.get(), CD_ANY, 4, &count);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].right, 4);
  // The region as a path: one closed rectangle per region rectangle.
  PATHOBJ* path = CLIPOBJ_ppoGetPath(cuts.get());
  ASSERT_NE(path, nullptr);
  PATHOBJ_vEnumStart(path);
  PATHDATA pd{};
  EXPECT_FALSE(PATHOBJ_bEnum(path, &pd));
  EXPECT_EQ(pd.flags, PD_BEGINSUBPATH | PD_ENDSUBPATH | PD_CLOSEFIGURE);
  ASSERT_EQ(pd.count, 4u);
  EXPECT_EQ(pd.pptfx[2].x, 4 * 16);
  EXPECT_EQ(pd.pptfx[2].y, 10 * 16);
  EngDeletePath(path);
}

// A region of rows (as a clip path makes) comes out as a path of as few
// rectangles as its shape allows: rows of the same span that touch are one
// rectangle; other rows keep their own.
TEST(ClipObj, PathOfARegionJoinsRowsOfTheSameSpan) {
  eng::ClipObject rows({{2, 0, 8, 1}, {2, 1, 8, 2}, {2, 2, 8, 3}, {1, 3, 4, 4}, {5, 3, 9, 4}, {1, 4, 4, 5},
                        {2, 6, 8, 7}},
                       RECTL{0, 0, 10, 10});
  ASSERT_EQ(rows.get()->iDComplexity, DC_COMPLEX);
  PATHOBJ* path = CLIPOBJ_ppoGetPath(rows.get());
  ASSERT_NE(path, nullptr);
  std::vector<RECTL> got;
  PATHOBJ_vEnumStart(path);
  for (bool more = true; more;) {
    PATHDATA pd{};
    more = PATHOBJ_bEnum(path, &pd);
    ASSERT_EQ(pd.count, 4u);
    EXPECT_EQ(pd.flags, PD_BEGINSUBPATH | PD_ENDSUBPATH | PD_CLOSEFIGURE);
    got.push_back({pd.pptfx[0].x / 16, pd.pptfx[0].y / 16, pd.pptfx[2].x / 16, pd.pptfx[2].y / 16});
  }
  EXPECT_EQ(path->cCurves, 4u * got.size());
  EngDeletePath(path);
  auto same = [](const RECTL& a, const RECTL& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
  };
  const std::vector<RECTL> want = {{2, 0, 8, 3}, {1, 3, 4, 5}, {5, 3, 9, 4}, {2, 6, 8, 7}};
  ASSERT_EQ(got.size(), want.size());
  for (size_t i = 0; i < want.size(); ++i) EXPECT_TRUE(same(got[i], want[i])) << i;
}

TEST(PathObj, EnumeratesSubpathsLinesAndBeziers) {
  eng::Path p;
  p.MoveTo(1, 2);
  p.LineTo(3, 2);
  p.LineTo(3.5, 4);
  p.BezierTo(4, 4, 5, 5, 6, 6);
  p.Close();
  p.MoveTo(10, 10);
  p.LineTo(11, 12);
  eng::PathObject obj(p);
  PATHOBJ* po = obj.get();
  ASSERT_NE(po, nullptr);
  EXPECT_EQ(po->cCurves, 4u);
  EXPECT_EQ(po->fl & PO_BEZIERS, PO_BEZIERS);
  struct Batch {
    FLONG flags;
    std::vector<POINTFIX> pts;
  };
  std::vector<Batch> want = {
      {PD_BEGINSUBPATH, {{16, 32}, {48, 32}, {56, 64}}},
      {PD_BEZIERS | PD_ENDSUBPATH | PD_CLOSEFIGURE, {{64, 64}, {80, 80}, {96, 96}}},
      {PD_BEGINSUBPATH | PD_ENDSUBPATH, {{160, 160}, {176, 192}}},
  };
  for (int round = 0; round < 2; ++round) {  // a second walk after vEnumStart
    PATHOBJ_vEnumStart(po);
    for (size_t i = 0; i < want.size(); ++i) {
      PATHDATA pd{};
      BOOL more = PATHOBJ_bEnum(po, &pd);
      EXPECT_EQ(more, i + 1 < want.size() ? TRUE : FALSE) << i;
      EXPECT_EQ(pd.flags, want[i].flags) << i;
      ASSERT_EQ(pd.count, want[i].pts.size()) << i;
      for (size_t k = 0; k < pd.count; ++k) {
        EXPECT_EQ(pd.pptfx[k].x, want[i].pts[k].x) << i << "/" << k;
        EXPECT_EQ(pd.pptfx[k].y, want[i].pts[k].y) << i << "/" << k;
      }
    }
    PATHDATA after{};
    EXPECT_FALSE(PATHOBJ_bEnum(po, &after));
    EXPECT_EQ(after.count, 0u);
  }
  RECTFX b;
  PATHOBJ_vGetBounds(po, &b);
  EXPECT_EQ(b.xLeft, 16);
  EXPECT_EQ(b.yTop, 32);
  EXPECT_EQ(b.xRight, 176);
  EXPECT_EQ(b.yBottom, 192);
}

TEST(PathObj, CurveFirstSubpathAndEmptyPath) {
  eng::Path p;
  p.MoveTo(0, 0);
  p.BezierTo(1, 0, 2, 1, 2, 2);
  p.LineTo(0, 2);
  eng::PathObject obj(p);
  PATHOBJ_vEnumStart(obj.get());
  PATHDATA pd{};
  EXPECT_TRUE(PATHOBJ_bEnum(obj.get(), &pd));
  EXPECT_EQ(pd.flags, PD_BEGINSUBPATH | PD_BEZIERS);
  EXPECT_EQ(pd.count, 4u);  // the start point, then one curve
  EXPECT_FALSE(PATHOBJ_bEnum(obj.get(), &pd));
  EXPECT_EQ(pd.flags, PD_ENDSUBPATH);
  EXPECT_EQ(pd.count, 1u);

  eng::PathObject empty{eng::Path()};
  PATHOBJ_vEnumStart(empty.get());
  EXPECT_FALSE(PATHOBJ_bEnum(empty.get(), &pd));
  EXPECT_EQ(pd.count, 0u);
  EXPECT_EQ(empty.get()->cCurves, 0u);
}

TEST(EngBitmap, LayoutByFormatAndDirection) {
  struct Case {
    ULONG format;
    LONG width;
    LONG stride;
  } cases[] = {{BMF_1BPP, 1, 4}, {BMF_1BPP, 33, 8}, {BMF_4BPP, 9, 8}, {BMF_8BPP, 5, 8},
               {BMF_24BPP, 5, 16}, {BMF_24BPP, 4961, 14884}, {BMF_32BPP, 3, 12}};
  for (const Case& c : cases) {
    HBITMAP h = EngCreateBitmap(SIZEL{c.width, 3}, 0, c.format, BMF_TOPDOWN, nullptr);
    ASSERT_NE(h, nullptr);
    SURFOBJ* so = EngLockSurface(h);
    EXPECT_EQ(so->lDelta, c.stride) << c.format << " " << c.width;
    EXPECT_EQ(so->cjBits, ULONG(c.stride * 3));
    EXPECT_EQ(so->pvScan0, so->pvBits);
    EXPECT_EQ(so->iType, STYPE_BITMAP);
    EXPECT_EQ(so->fjBitmap & BMF_TOPDOWN, BMF_TOPDOWN);
    EXPECT_EQ(so->hsurf, h);
    EXPECT_TRUE(EngDeleteSurface(h));
    HBITMAP up = EngCreateBitmap(SIZEL{c.width, 3}, 0, c.format, 0, nullptr);
    so = EngLockSurface(up);
    EXPECT_EQ(so->lDelta, -c.stride);
    EXPECT_EQ(static_cast<uint8_t*>(so->pvScan0), static_cast<uint8_t*>(so->pvBits) + 2 * c.stride);
    EngDeleteSurface(up);
  }
}

TEST(EngBitmap, RefusesBadRequestsAndLeaksNothing) {
  long surfaces = eng::LiveSurfaces(), blocks = eng::LiveEngBlocks();
  uint8_t bits[64] = {};
  struct Case {
    const char* name;
    SIZEL size;
    LONG width;
    ULONG format;
    void* bits;
  } cases[] = {
      {"no format", {4, 4}, 0, 0, nullptr},
      {"zero width", {0, 4}, 0, BMF_1BPP, nullptr},
      {"negative height", {4, -1}, 0, BMF_24BPP, nullptr},
      {"caller rows too short", {8, 2}, 16, BMF_24BPP, bits},
  };
  for (const Case& c : cases) {
    SetLastError(0);
    EXPECT_EQ(EngCreateBitmap(c.size, c.width, c.format, BMF_TOPDOWN, c.bits), nullptr) << c.name;
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER) << c.name;
  }
  // Caller bits are used as they are, not copied or freed.
  HBITMAP h = EngCreateBitmap(SIZEL{8, 2}, 32, BMF_24BPP, BMF_TOPDOWN, bits);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(EngLockSurface(h)->pvBits, bits);
  EngDeleteSurface(h);
  // Allocation failure of the record or of the bits.
  for (int n = 1; n <= 2; ++n) {
    plat::FailNth("EngAllocMem", n);
    SetLastError(0);
    EXPECT_EQ(EngCreateBitmap(SIZEL{8, 8}, 0, BMF_1BPP, 0, nullptr), nullptr) << n;
    EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_MEMORY);
    plat::ClearFaults();
  }
  EXPECT_EQ(eng::LiveSurfaces(), surfaces);
  EXPECT_EQ(eng::LiveEngBlocks(), blocks);
}

TEST(EngSurface, HandlesAreCheckedAndDeletedOnce) {
  HSURF dev = EngCreateDeviceSurface(reinterpret_cast<DHSURF>(0x77), SIZEL{10, 20}, BMF_24BPP);
  ASSERT_NE(dev, nullptr);
  SURFOBJ* so = EngLockSurface(dev);
  EXPECT_EQ(so->iType, STYPE_DEVICE);
  EXPECT_EQ(so->dhsurf, reinterpret_cast<DHSURF>(0x77));
  EXPECT_EQ(so->pvBits, nullptr);
  EXPECT_FALSE(EngMarkBandingSurface(dev));  // only bitmaps band
  int not_a_device = 0;
  EXPECT_FALSE(EngAssociateSurface(dev, &not_a_device, HOOK_BITBLT));
  EXPECT_TRUE(EngDeleteSurface(dev));
  EXPECT_FALSE(EngDeleteSurface(dev));
  EXPECT_EQ(EngLockSurface(dev), nullptr);
  int junk = 0;
  EXPECT_FALSE(EngDeleteSurface(&junk));
}

TEST(EngPalette, CreateAndDelete) {
  long live = eng::LivePalettes();
  ULONG two[2] = {0x000000, 0xFFFFFF};
  HPALETTE mono = EngCreatePalette(PAL_INDEXED, 2, two, 0, 0, 0);
  HPALETTE bgr = EngCreatePalette(PAL_BGR, 0, nullptr, 0, 0, 0);
  ASSERT_NE(mono, nullptr);
  ASSERT_NE(bgr, nullptr);
  EXPECT_EQ(eng::LivePalettes(), live + 2);
  EXPECT_EQ(EngCreatePalette(PAL_INDEXED, 0, two, 0, 0, 0), nullptr);
  EXPECT_EQ(EngCreatePalette(PAL_INDEXED, 2, nullptr, 0, 0, 0), nullptr);
  EXPECT_EQ(EngCreatePalette(0x40, 0, nullptr, 0, 0, 0), nullptr);
  EXPECT_TRUE(EngDeletePalette(mono));
  EXPECT_FALSE(EngDeletePalette(mono));
  EXPECT_TRUE(EngDeletePalette(bgr));
  EXPECT_EQ(eng::LivePalettes(), live);
}

TEST(XlateObj, TranslatesBetweenPalettes) {
  struct Case {
    const char* name;
    ULONG src_mode;
    std::vector<ULONG> src;
    ULONG dst_mode;
    std::vector<ULONG> dst;
    ULONG in, out;
    FLONG flags;
  } cases[] = {
      {"same", PAL_BGR, {}, PAL_BGR, {}, 0x123456, 0x123456, XO_TRIVIAL},
      {"indexed to bgr", PAL_INDEXED, {0x0000FF, 0x00FF00}, PAL_BGR, {}, 1, 0x00FF00, XO_TABLE},
      {"bgr to mono dark", PAL_BGR, {}, PAL_INDEXED, {0, 0xFFFFFF}, 0x7F7F7F, 0, XO_TO_MONO},
      {"bgr to mono light", PAL_BGR, {}, PAL_INDEXED, {0, 0xFFFFFF}, 0x808080, 1, XO_TO_MONO},
      {"bgr to rgb", PAL_BGR, {}, PAL_RGB, {}, 0x112233, 0x332211, 0},
      {"rgb to bgr", PAL_RGB, {}, PAL_BGR, {}, 0x112233, 0x332211, 0},
  };
  for (const Case& c : cases) {
    eng::XlateObject x(c.src_mode, c.src, c.dst_mode, c.dst);
    EXPECT_EQ(XLATEOBJ_iXlate(x.get(), c.in), c.out) << c.name;
    EXPECT_EQ(x.get()->flXlate & c.flags, c.flags) << c.name;
  }
  eng::XlateObject table(PAL_INDEXED, {0x0000FF, 0x00FF00, 0xFF0000}, PAL_BGR, {});
  ASSERT_EQ(table.get()->cEntries, 3u);
  EXPECT_EQ(table.get()->pulXlate[2], 0xFF0000u);
  EXPECT_EQ(XLATEOBJ_iXlate(table.get(), 7), 0u);  // past the table
  ULONG pal[4] = {};
  EXPECT_EQ(XLATEOBJ_cGetPalette(table.get(), XO_SRCPALETTE, 4, pal), 3u);
  EXPECT_EQ(pal[1], 0x00FF00u);
  EXPECT_EQ(XLATEOBJ_iXlate(nullptr, 0x42), 0x42u);
}

TEST(XformObj, ComplexityByMatrix) {
  struct Case {
    XFORML m;
    ULONG want;
  } cases[] = {{{1, 0, 0, 1, 0, 0}, GX_IDENTITY},
               {{1, 0, 0, 1, 5, 0}, GX_OFFSET},
               {{2, 0, 0, 3, 0, 0}, GX_SCALE},
               {{1, 0.5f, 0, 1, 0, 0}, GX_GENERAL}};
  for (const Case& c : cases) {
    eng::XformObject x(c.m);
    XFORML got{};
    EXPECT_EQ(XFORMOBJ_iGetXform(x.get(), &got), c.want);
    EXPECT_EQ(got.eM11, c.m.eM11);
    EXPECT_EQ(got.eDx, c.m.eDx);
  }
  EXPECT_EQ(XFORMOBJ_iGetXform(nullptr, nullptr), GX_IDENTITY);
}

int g_realized = 0;
BOOL Realize(BRUSHOBJ* pbo, SURFOBJ*, SURFOBJ* pattern, SURFOBJ*, XLATEOBJ*, ULONG hatch) {
  ++g_realized;
  if (!pattern || hatch != 3) return FALSE;
  void* mem = BRUSHOBJ_pvAllocRbrush(pbo, 16);
  if (!mem) return FALSE;
  static_cast<uint8_t*>(mem)[0] = 0x5A;
  return TRUE;
}

TEST(BrushObj, RealizedOnceByTheDriver) {
  long blocks = eng::LiveEngBlocks();
  {
    eng_test::TestBitmap pattern(8, 8, BMF_1BPP);
    eng::BrushObject brush(pattern.so(), nullptr, 3, Realize, nullptr);
    g_realized = 0;
    void* r = BRUSHOBJ_pvGetRbrush(brush.get());
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(static_cast<uint8_t*>(r)[0], 0x5A);
    EXPECT_EQ(BRUSHOBJ_pvGetRbrush(brush.get()), r);
    EXPECT_EQ(g_realized, 1);
    EXPECT_EQ(BRUSHOBJ_ulGetBrushColor(brush.get()), BRUSH_PATTERN);
  }
  eng::BrushObject solid(0x123456);
  EXPECT_EQ(BRUSHOBJ_pvGetRbrush(solid.get()), nullptr);  // a plain colour needs none
  EXPECT_EQ(BRUSHOBJ_ulGetBrushColor(solid.get()), 0x123456u);
  EXPECT_EQ(eng::LiveEngBlocks(), blocks);
}

TEST(EngServices, CodePageClockTextAndMemory) {
  USHORT oem = 0, ansi = 0;
  EngGetCurrentCodePage(&oem, &ansi);
  EXPECT_EQ(oem, 932);
  EXPECT_EQ(ansi, 932);

  ENG_TIME_FIELDS fixed{2024, 2, 29, 23, 59, 58, 7, 4};
  eng::SetClock(fixed);
  ENG_TIME_FIELDS got{};
  EngQueryLocalTime(&got);
  EXPECT_EQ(std::memcmp(&got, &fixed, sizeof got), 0);
  eng::ReleaseClock();
  EngQueryLocalTime(&got);
  EXPECT_GE(got.usYear, 2024);
  EXPECT_GE(got.usMonth, 1);
  EXPECT_LE(got.usMonth, 12);

  char16_t text[] = u"\u3042A";  // hiragana A, then "A"
  char out[8] = {};
  ULONG written = 0;
  EngUnicodeToMultiByteN(out, sizeof out, &written, reinterpret_cast<WCHAR*>(text), 4);
  ASSERT_EQ(written, 3u);
  EXPECT_EQ(uint8_t(out[0]), 0x82);
  EXPECT_EQ(uint8_t(out[1]), 0xA0);
  EXPECT_EQ(out[2], 'A');
  EngUnicodeToMultiByteN(out, 1, &written, reinterpret_cast<WCHAR*>(text), 4);
  EXPECT_EQ(written, 0u);  // a double-byte character is never split

  long blocks = eng::LiveEngBlocks();
  void* zero = EngAllocMem(FL_ZERO_MEMORY, 64, 0);
  ASSERT_NE(zero, nullptr);
  EXPECT_EQ(static_cast<uint8_t*>(zero)[63], 0);
  EXPECT_EQ(eng::LiveEngBlocks(), blocks + 1);
  EngFreeMem(zero);
  EngFreeMem(nullptr);
  plat::FailNth("EngAllocMem", 1);
  EXPECT_EQ(EngAllocMem(0, 8, 0), nullptr);
  plat::ClearFaults();
  EXPECT_EQ(eng::LiveEngBlocks(), blocks);
}

}  // namespace
