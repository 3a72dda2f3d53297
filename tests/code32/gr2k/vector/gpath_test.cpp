// Path records: layout, batches, per-subpath strokes, malformed paths, and
// the path entries of the DDI table in vector and raster mode.
#include <climits>

#include "vector_test_support.h"

namespace {

using eng::PathBatch;
using vectest::Count;
using vectest::VectorTest;

uint32_t U32(const std::vector<uint8_t>& b, size_t at) {
  return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}
int32_t I32(const std::vector<uint8_t>& b, size_t at) { return int32_t(U32(b, at)); }

POINTFIX P(int x, int y) { return POINTFIX{x * 16, y * 16}; }

class Gpath : public VectorTest {
 protected:
  std::vector<uint8_t> Written() {
    EXPECT_TRUE(DlFlush(stream()));
    std::vector<uint8_t> out = DataBytes();
    spool_.bytes.clear();
    return out;
  }
};

TEST_F(Gpath, AClosedFourLineFillIsOneRecordOf88Bytes) {
  eng::Path p;
  p.MoveTo(10, 20);
  p.LineTo(110, 20);
  p.LineTo(110, 70);
  p.LineTo(10, 70);
  p.LineTo(10, 20);
  p.Close();
  eng::PathObject path(p);
  ASSERT_TRUE(GpathWrite(pdev_, path.get(), kPathFillAlternate));
  std::vector<uint8_t> b = Written();
  ASSERT_EQ(b.size(), 88u);
  EXPECT_EQ(b[0], kOpPathLines);
  EXPECT_EQ(b[1], 0);
  EXPECT_EQ(b[2], 0x09);
  EXPECT_EQ(b[3], 0);
  EXPECT_EQ(U32(b, 4), 88u);
  EXPECT_EQ(I32(b, 8), 10);
  EXPECT_EQ(I32(b, 12), 20);
  EXPECT_EQ(I32(b, 16), 110);
  EXPECT_EQ(I32(b, 20), 70);
  EXPECT_EQ(U32(b, 24), 15u);
  EXPECT_EQ(U32(b, 28), 4u);  // segments
  EXPECT_EQ(I32(b, 32), 160);  // start point in 28.4
  EXPECT_EQ(I32(b, 36), 320);
  const int32_t pts[4][2] = {{110, 20}, {110, 70}, {10, 70}, {10, 20}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(U32(b, 40 + 12 * i), 0u);
    EXPECT_EQ(I32(b, 44 + 12 * i), pts[i][0] * 16);
    EXPECT_EQ(I32(b, 48 + 12 * i), pts[i][1] * 16);
  }
}

TEST_F(Gpath, AStrokeOfTwoClosedSubpathsIsOneRecordPerSubpath) {
  eng::Path p;
  p.Rectangle(0, 0, 10, 10);
  p.Rectangle(20, 20, 40, 30);
  eng::PathObject path(p);
  ASSERT_TRUE(GpathWrite(pdev_, path.get(), kPathStroke));
  std::vector<jobread::Record> recs = Records();
  ASSERT_EQ(recs.size(), 2u);
  for (const jobread::Record& r : recs) {
    EXPECT_EQ(r.opcode, kOpPathLines);
    EXPECT_EQ(r.size, 76u);
    EXPECT_EQ(r.Int("use"), 0);
    EXPECT_EQ(r.Int("closed"), 1);
    EXPECT_EQ(r.Int("multiple"), 0);
    EXPECT_EQ(r.Int("work_size"), 12);
    EXPECT_EQ(r.Int("right"), 40);  // the bounds of the whole path
  }
  // Filled, the same path is one record of both subpaths.
  ASSERT_TRUE(GpathWrite(pdev_, path.get(), kPathFillWinding));
  recs = Records();
  ASSERT_EQ(recs.size(), 1u);
  EXPECT_EQ(recs[0].size, 28u + 2 * (12 + 3 * 12));
  EXPECT_EQ(recs[0].Int("use"), 2);
  EXPECT_EQ(recs[0].Int("multiple"), 1);
  EXPECT_EQ(recs[0].Int("work_size"), 3 * 6 + 3 + 3 + 1);
}

TEST_F(Gpath, SplitStrokeTakesTheCurveOpcodeFromTheFirstSubpathWithCurves) {
  eng::Path p;
  p.Rectangle(0, 0, 10, 10);
  p.MoveTo(20, 20);
  p.BezierTo(30, 10, 40, 30, 50, 20);
  p.Rectangle(60, 0, 70, 10);
  eng::PathObject path(p);
  ASSERT_TRUE(GpathWrite(pdev_, path.get(), kPathStroke));
  std::vector<jobread::Record> recs = Records();
  ASSERT_EQ(recs.size(), 3u);
  EXPECT_EQ(recs[0].opcode, kOpPathLines);
  EXPECT_EQ(recs[1].opcode, kOpPathCurves);
  EXPECT_EQ(recs[1].Int("closed"), 0);
  EXPECT_EQ(recs[1].Int("work_size"), 7 + 3);
  EXPECT_EQ(recs[2].opcode, kOpPathCurves);
}

TEST_F(Gpath, OneBezierGivesTheSameBytesInAnyBatches) {
  eng::Path p;
  p.MoveTo(0, 0);
  p.BezierTo(10, 40, 30, 40, 40, 0);
  p.LineTo(20, -10);
  p.BezierTo(10, -10, 5, -5, 0, 0);
  p.Close();
  std::vector<uint8_t> whole;
  for (ULONG batch : {0u, 1u, 2u, 3u, 4u, 5u, 7u}) {
    eng::PathObject path(p);
    path.SetBatchPoints(batch);
    ASSERT_TRUE(GpathWrite(pdev_, path.get(), kPathFillAlternate)) << batch;
    std::vector<uint8_t> b = Written();
    if (batch == 0) {
      whole = b;
      ASSERT_EQ(b.size(), 28u + 12 + 28 + 12 + 28);
      EXPECT_EQ(b[0], kOpPathCurves);
      EXPECT_EQ(U32(b, 40), 1u);  // a curve segment
      EXPECT_EQ(U32(b, 24), 7u + 3 + 7 + 3);
    } else {
      EXPECT_EQ(b, whole) << "batches of " << batch;
    }
  }
}

TEST_F(Gpath, MalformedPathsLeaveNothingBehind) {
  struct Case {
    const char* what;
    std::vector<PathBatch> batches;
  } cases[] = {
      {"4-point Bezier batch",
       {{PD_BEGINSUBPATH, {P(0, 0), P(1, 1)}}, {PD_BEZIERS | PD_ENDSUBPATH, {P(1, 2), P(3, 4), P(5, 6), P(7, 8)}}}},
      {"Bezier start batch of 3 points", {{PD_BEGINSUBPATH | PD_BEZIERS | PD_ENDSUBPATH, {P(0, 0), P(1, 1), P(2, 2)}}}},
      {"points before any subpath", {{0, {P(1, 1), P(2, 2)}}}},
      {"subpath without a start point", {{PD_BEGINSUBPATH | PD_ENDSUBPATH, {}}}},
  };
  // Something already in the list stays exactly as it was.
  ASSERT_TRUE(GsSetRop(pdev_, 0x66));
  const uint64_t before = Buffered();
  for (const Case& c : cases) {
    eng::PathObject path(c.batches, 9);
    ASSERT_NE(path.get(), nullptr);
    EXPECT_FALSE(GpathWrite(pdev_, path.get(), kPathFillAlternate)) << c.what;
    EXPECT_EQ(Buffered(), before) << c.what;
  }
  EXPECT_EQ(Opcodes(), (std::vector<uint8_t>{kOpRop}));
}

TEST_F(Gpath, CurveCountsThatLieAndEmptySubpathsStayInBounds) {
  std::vector<PathBatch> many_empty;
  for (int i = 0; i < 200; ++i) many_empty.push_back({PD_BEGINSUBPATH | PD_ENDSUBPATH, {P(i, i)}});
  many_empty.push_back({PD_BEGINSUBPATH, {P(0, 0), P(5, 0)}});
  many_empty.push_back({PD_ENDSUBPATH | PD_CLOSEFIGURE, {P(5, 5)}});
  for (ULONG curves : {0u, 2u, 1000u}) {
    eng::PathObject path(many_empty, curves);
    ASSERT_TRUE(GpathWrite(pdev_, path.get(), kPathFillAlternate)) << curves;
    std::vector<jobread::Record> recs = Records();
    ASSERT_EQ(recs.size(), 1u);
    EXPECT_EQ(recs[0].size, 28u + 201 * 12 + 2 * 12) << curves;
    EXPECT_EQ(recs[0].Int("subpaths"), 201);
    EXPECT_EQ(recs[0].Int("lines"), 2);
  }
  // A path without subpaths draws nothing and succeeds.
  eng::PathObject empty(std::vector<PathBatch>{}, 5);
  EXPECT_TRUE(GpathWrite(pdev_, empty.get(), kPathStroke));
  eng::PathObject empty_path{eng::Path{}};
  EXPECT_TRUE(GpathWrite(pdev_, empty_path.get(), kPathStroke));
  EXPECT_EQ(Buffered(), 0u);
}

TEST_F(Gpath, HugeCoordinatesKeepTheirBitsAndBounds) {
  eng::PathObject path({{PD_BEGINSUBPATH, {POINTFIX{INT32_MIN, INT32_MIN}, POINTFIX{INT32_MAX, INT32_MIN}}},
                        {PD_ENDSUBPATH | PD_CLOSEFIGURE, {POINTFIX{INT32_MAX, INT32_MAX}}}},
                       2);
  ASSERT_TRUE(GpathWrite(pdev_, path.get(), kPathFillAlternate));
  std::vector<uint8_t> b = Written();
  ASSERT_EQ(b.size(), 28u + 12 + 2 * 12);
  EXPECT_EQ(I32(b, 8), INT32_MIN >> 4);
  EXPECT_EQ(I32(b, 16), INT32_MAX >> 4);
  EXPECT_EQ(I32(b, 32), INT32_MIN);
  EXPECT_EQ(I32(b, 56), INT32_MAX);
}

TEST_F(Gpath, AFailedReservationWritesNothing) {
  // A path larger than the first buffer block needs a new one from the pool.
  eng::Path p;
  p.MoveTo(0, 0);
  for (int i = 0; i < 2000; ++i) p.LineTo(i, i % 7);
  eng::PathObject path(p);
  plat::FailNth("GlobalAlloc", 1);
  EXPECT_FALSE(GpathWrite(pdev_, path.get(), kPathStroke));
  plat::ClearFaults();
  EXPECT_EQ(Buffered(), 0u);
  EXPECT_TRUE(GpathWrite(pdev_, path.get(), kPathStroke));
  EXPECT_EQ(Buffered(), 28u + 12 + 2000 * 12);
}

TEST_F(Gpath, OutlinesAreRelativeToTheGlyphBox) {
  eng::Path p;
  p.MoveTo(10, 20);
  p.LineTo(14, 20);
  p.BezierTo(15, 21, 15, 23, 14, 24);
  p.Close();
  eng::PathObject path(p);
  bool closed = false;
  uint8_t* buffer = nullptr;
  const uint32_t n = GpathEncodeOutline(pdev_, path.get(), &closed, &buffer, -10 * 16, -20 * 16);
  ASSERT_EQ(n, 4u + 12 + 12 + 28);
  ASSERT_NE(buffer, nullptr);
  std::vector<uint8_t> b(buffer, buffer + n);
  EXPECT_TRUE(closed);
  EXPECT_EQ(U32(b, 0), 3u + 7 + 3);  // work size
  EXPECT_EQ(U32(b, 4), 2u);          // segments
  EXPECT_EQ(I32(b, 8), 0);
  EXPECT_EQ(I32(b, 12), 0);
  EXPECT_EQ(I32(b, 20), 4 * 16);
  EXPECT_EQ(U32(b, 28), 1u);
  EXPECT_EQ(I32(b, 48), 4 * 16);  // the curve's end point
  EXPECT_EQ(I32(b, 52), 4 * 16);
  GrPoolFree(pdev_->pool, buffer);

  // A batch without points, a malformed batch or no path: nothing.
  const std::vector<PathBatch> bad[] = {
      {{PD_BEGINSUBPATH, {P(0, 0), P(1, 1)}}, {PD_ENDSUBPATH, {}}},
      {{PD_BEGINSUBPATH | PD_BEZIERS | PD_ENDSUBPATH, {P(0, 0), P(1, 1)}}},
      {},
  };
  for (const auto& batches : bad) {
    eng::PathObject q(batches, 1);
    EXPECT_EQ(GpathEncodeOutline(pdev_, q.get(), &closed, &buffer, 0, 0), 0u);
    EXPECT_EQ(buffer, nullptr);
  }
}

// ---- the DDI entries -----------------------------------------------------------------------------

TEST_F(Gpath, StrokeWritesPenStateThenThePath) {
  eng::PathObject path(vectest::Rect(0, 0, 20, 20));
  eng::BrushObject pen(0x000000FF);  // red in the engine's order
  POINTL org{0, 0};
  FLOAT_LONG style[2] = {{.l = 3}, {.l = 1}};
  LINEATTRS la{};
  la.fl = LA_STYLED;
  la.elWidth.l = 1;
  la.cstyle = 2;
  la.pstyle = style;
  eng::ClipObject clip({RECTL{5, 5, 15, 15}}, RECTL{0, 0, 21, 21});
  ASSERT_EQ(DrvStrokePath(&surface_, path.get(), clip.get(), nullptr, pen.get(), &org, &la, 0x0B0D), TRUE);
  std::vector<jobread::Record> recs = Records();
  std::vector<uint8_t> ops;
  for (const auto& r : recs) ops.push_back(r.opcode);
  EXPECT_EQ(ops, (std::vector<uint8_t>{kOpLineWidth, kOpDashOffset, kOpEndCap, kOpJoin, kOpPattern, kOpBackMode,
                                       kOpRop, kOpRect, kOpColor, kOpPathLines}));
  EXPECT_EQ(recs[0].Int("dash_mask"), 0xFFFFFF00);
  EXPECT_EQ(recs[5].Int("mode"), 1);
  EXPECT_EQ(recs[6].Int("rop3"), 0xCC);
  EXPECT_EQ(recs[8].Bytes("foreground"), (std::vector<uint8_t>{0x00, 0x00, 0xFF}));
  EXPECT_EQ(recs[9].Int("use"), 0);
}

TEST_F(Gpath, PatternPensAndPatternFills) {
  eng::PathObject path(vectest::Rect(0, 0, 20, 20));
  POINTL org{300, 7};
  static uint8_t bits[32 * 32 / 8] = {0x80};
  DlBrush realized{kBrushTwoColour, 1, 32, 0, 0, {0x000000, 0xFFFFFF}, false, bits};
  BRUSHOBJ pattern{BRUSH_PATTERN, &realized, 0};
  eng::BrushObject unrealized(nullptr, nullptr);  // a pattern with no realization
  eng::BrushObject plain(0x00FF00);
  LINEATTRS la{};
  la.elWidth.l = 1;
  // A pattern pen is left to the engine.
  EXPECT_EQ(DrvStrokePath(&surface_, path.get(), nullptr, nullptr, &pattern, &org, &la, 0x0D0D), FALSE);
  EXPECT_EQ(Buffered(), 0u);
  // A pattern that cannot be realized.
  SetLastError(0);
  EXPECT_EQ(DrvFillPath(&surface_, path.get(), nullptr, unrealized.get(), &org, 0x0D0D, 0), -1);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_NOT_ENOUGH_MEMORY));
  // The realization gets the low 8 bits of the brush origin.
  ASSERT_EQ(DrvFillPath(&surface_, path.get(), nullptr, &pattern, &org, 0x0D0D, 0), TRUE);
  EXPECT_EQ(pdev_->patternOriginX, 300 & 0xFF);
  EXPECT_EQ(pdev_->patternOriginY, 7);
  Records();
  // A pattern fill with a plain pen: the fill, then the stroke.
  ASSERT_EQ(DrvStrokeAndFillPath(&surface_, path.get(), nullptr, nullptr, plain.get(), &la, &pattern, &org, 0x0D0D,
                                 FP_WINDINGMODE),
            TRUE);
  std::vector<jobread::Record> recs = Records();
  std::vector<int64_t> uses;
  for (const auto& r : recs)
    if (r.opcode == kOpPathLines) uses.push_back(r.Int("use"));
  EXPECT_EQ(uses, (std::vector<int64_t>{2, 0}));
  EXPECT_EQ(Count([&] {
              std::vector<uint8_t> o;
              for (const auto& r : recs) o.push_back(r.opcode);
              return o;
            }(),
                  kOpPattern),
            2u);
}

// The colour record of a stroked and filled path: the outline's colour is
// the foreground and the fill's colour the third colour (the record's
// third colour is the fill of a path that is also stroked), the fill
// brush's second colour the background.
TEST_F(Gpath, PlainStrokeAndFillIsOneRecordWithThreeColours) {
  eng::PathObject path(vectest::Rect(0, 0, 20, 20));
  eng::BrushObject pen(0x0000FF);   // blue (engine colours have blue low)
  eng::BrushObject fill(0x00FF00);  // green
  POINTL org{0, 0};
  LINEATTRS la{};
  la.elWidth.l = 1;
  ASSERT_EQ(DrvStrokeAndFillPath(&surface_, path.get(), nullptr, nullptr, pen.get(), &la, fill.get(), &org, 0x0D0D,
                                 FP_ALTERNATEMODE),
            TRUE);
  std::vector<jobread::Record> recs = Records();
  ASSERT_FALSE(recs.empty());
  EXPECT_EQ(recs.back().opcode, kOpPathLines);
  EXPECT_EQ(recs.back().Int("use"), 3);
  size_t paths = 0, colours = 0;
  for (const auto& r : recs) {
    paths += r.opcode == kOpPathLines;
    if (r.opcode == kOpColor) {
      ++colours;
      EXPECT_EQ(r.Int("third"), 1);
      EXPECT_EQ(r.Int("opaque"), 1);
      EXPECT_EQ(r.Bytes("foreground"), (std::vector<uint8_t>{0x00, 0x00, 0xFF}));    // the pen, red first
      EXPECT_EQ(r.Bytes("background"), (std::vector<uint8_t>{0xFF, 0xFF, 0xFF}));
      EXPECT_EQ(r.Bytes("third_colour"), (std::vector<uint8_t>{0x00, 0xFF, 0x00}));  // the fill
    }
  }
  EXPECT_EQ(paths, 1u);
  EXPECT_EQ(colours, 1u);
  // Winding fills say so in the use; a second call with other colours sends
  // a new colour record, with the same colours none.
  eng::BrushObject red(0xFF0000);
  ASSERT_EQ(DrvStrokeAndFillPath(&surface_, path.get(), nullptr, nullptr, red.get(), &la, fill.get(), &org, 0x0D0D,
                                 FP_WINDINGMODE),
            TRUE);
  ASSERT_EQ(DrvStrokeAndFillPath(&surface_, path.get(), nullptr, nullptr, red.get(), &la, fill.get(), &org, 0x0D0D,
                                 FP_WINDINGMODE),
            TRUE);
  recs = Records();
  colours = 0;
  for (const auto& r : recs) {
    if (r.opcode == kOpPathLines) {
      EXPECT_EQ(r.Int("use"), 4);
    }
    if (r.opcode != kOpColor) continue;
    ++colours;
    EXPECT_EQ(r.Bytes("foreground"), (std::vector<uint8_t>{0xFF, 0x00, 0x00}));
    EXPECT_EQ(r.Bytes("third_colour"), (std::vector<uint8_t>{0x00, 0xFF, 0x00}));
  }
  EXPECT_EQ(colours, 1u);
}

TEST_F(Gpath, EntriesCheckTheirPdevAndHonourSuppressionAndFailure) {
  eng::PathObject path(vectest::Rect(0, 0, 20, 20));
  eng::BrushObject brush(0);
  POINTL org{0, 0};
  SURFOBJ stranger{};
  EXPECT_EQ(DrvFillPath(&stranger, path.get(), nullptr, brush.get(), &org, 0x0D0D, 0), -1);
  EXPECT_EQ(DrvFillPath(nullptr, path.get(), nullptr, brush.get(), &org, 0x0D0D, 0), -1);
  pdev_->drawingSuppressed = 1;
  EXPECT_EQ(DrvFillPath(&surface_, path.get(), nullptr, brush.get(), &org, 0x0D0D, 0), TRUE);
  pdev_->drawingSuppressed = 0;
  pdev_->flags |= kPdevOutputFailed;
  EXPECT_EQ(DrvFillPath(&surface_, path.get(), nullptr, brush.get(), &org, 0x0D0D, 0), FALSE);
  pdev_->flags &= ~kPdevOutputFailed;
  EXPECT_EQ(Buffered(), 0u);
}

TEST_F(Gpath, RasterModeDrawsIntoTheBand) {
  pdev_->rasterMode = 1;
  HBITMAP bmp = EngCreateBitmap(SIZEL{40, 30}, 0, BMF_24BPP, BMF_TOPDOWN, nullptr);
  ASSERT_NE(bmp, nullptr);
  SURFOBJ* band = EngLockSurface(bmp);
  ASSERT_NE(band, nullptr);
  RECTL all{0, 0, 40, 30};
  ASSERT_TRUE(EngEraseSurface(band, &all, 0xFFFFFF));
  band->dhpdev = pdev_;
  eng::PathObject path(vectest::Rect(10, 5, 30, 25));
  eng::BrushObject brush(0x0000FF);
  POINTL org{0, 0};
  ASSERT_EQ(DrvFillPath(band, path.get(), nullptr, brush.get(), &org, 0x0D0D, FP_ALTERNATEMODE), TRUE);
  eng::PathObject line(vectest::Rect(2, 2, 6, 6));
  eng::BrushObject pen(0x000000);
  LINEATTRS la{};
  la.elWidth.l = 1;
  ASSERT_EQ(DrvStrokePath(band, line.get(), nullptr, nullptr, pen.get(), &org, &la, 0x0D0D), TRUE);
  auto pixel = [&](int x, int y) {
    const uint8_t* p = static_cast<const uint8_t*>(band->pvScan0) + y * band->lDelta + 3 * x;
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
  };
  EXPECT_EQ(pixel(20, 15), 0x0000FFu);  // inside the fill
  EXPECT_EQ(pixel(5, 15), 0xFFFFFFu);   // outside it
  EXPECT_EQ(pixel(35, 28), 0xFFFFFFu);
  EXPECT_EQ(pixel(4, 2), 0x000000u);    // on the stroked outline
  EXPECT_EQ(pixel(4, 4), 0xFFFFFFu);    // inside the outline
  EXPECT_EQ(Buffered(), 0u);  // nothing goes to the display list
  band->dhpdev = nullptr;
  EngUnlockSurface(band);
  EngDeleteSurface(bmp);
}

}  // namespace
