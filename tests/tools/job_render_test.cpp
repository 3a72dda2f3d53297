// The job preview against small jobs written with the record encoders (path
// records laid out by hand): what each record kind draws, pixel by pixel,
// and how the preview meets broken jobs.
#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "gr2k/glyph.h"
#include "gr_test_support.h"
#include "job_render.h"

namespace {

using grtest::GrTest;

constexpr uint32_t kRed = 0x0000FF;  // 0x00BBGGRR
constexpr uint32_t kGreen = 0x00FF00;
constexpr uint32_t kBlue = 0xFF0000;
constexpr uint32_t kBlack = 0x000000;
constexpr uint32_t kWhite = 0xFFFFFF;

struct Px {
  int r, g, b;
  bool operator==(const Px& o) const { return r == o.r && g == o.g && b == o.b; }
};
std::ostream& operator<<(std::ostream& os, const Px& p) { return os << "(" << p.r << "," << p.g << "," << p.b << ")"; }
Px Of(uint32_t bgr) { return {int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF)}; }

class JobRender : public GrTest {
 protected:
  // Page of 100 x 80 dots at 100 dpi.
  void Begin(uint32_t w = 100, uint32_t h = 80, uint16_t dpi = 100) { ASSERT_NE(DlBeginPage(stream(), w, h, dpi), nullptr); }
  void End() { ASSERT_NE(DlEndPage(stream()), nullptr); }

  void Colour(uint32_t fg, bool opaque = false, uint32_t bg = kWhite, bool third = false, uint32_t third_colour = 0) {
    DlColorState c{fg, bg, third_colour, uint8_t(opaque ? 2 : 1), third, false, false};
    ASSERT_NE(DlColor(stream(), c), nullptr);
    ASSERT_NE(DlBackMode(stream(), opaque ? 2 : 1), nullptr);
  }
  void Fill(int l, int t, int r, int b) { ASSERT_NE(DlRect(stream(), kRectFill, {l, t, r, b}), nullptr); }
  void FillIn(uint32_t colour, int l, int t, int r, int b) {
    Colour(colour);
    ASSERT_NE(DlRop(stream(), 0xCC), nullptr);
    Fill(l, t, r, b);
  }

  // A path record laid out by hand: subpaths of points in whole pixels
  // (written as 28.4); a point list of 3 after 'C' is a curve.
  struct Seg {
    bool curve;
    std::vector<int> xy;
  };
  struct Sub {
    int x, y;
    std::vector<Seg> segs;
  };
  void PathRecord(uint8_t use, const std::vector<Sub>& subs, bool closed = true) {
    std::vector<uint8_t> body;
    bool curves = false;
    int lines = 0, ncurves = 0;
    int minx = 1 << 30, miny = 1 << 30, maxx = -(1 << 30), maxy = -(1 << 30);
    auto pt = [&](int x, int y) {
      grtest::PutLe32(&body, uint32_t(x * 16));
      grtest::PutLe32(&body, uint32_t(y * 16));
      minx = std::min(minx, x), miny = std::min(miny, y), maxx = std::max(maxx, x), maxy = std::max(maxy, y);
    };
    for (const Sub& s : subs) {
      grtest::PutLe32(&body, uint32_t(s.segs.size()));
      pt(s.x, s.y);
      for (const Seg& g : s.segs) {
        grtest::PutLe32(&body, g.curve ? 1 : 0);
        for (size_t k = 0; k + 1 < g.xy.size(); k += 2) pt(g.xy[k], g.xy[k + 1]);
        (g.curve ? ncurves : lines) += 1;
        curves = curves || g.curve;
      }
    }
    const uint32_t n = uint32_t(subs.size());
    const uint32_t work = 3 * lines + 7 * ncurves + 3 * (n - 1) + 3 + (n > 1 ? 1 : 0);
    std::vector<uint8_t> rec = {uint8_t(curves ? 0x11 : 0x12), 0,
                                uint8_t(use | (closed ? 0x08 : 0) | (n > 1 ? 0x10 : 0)), 0};
    grtest::PutLe32(&rec, uint32_t(28 + body.size()));
    for (int v : {minx, miny, maxx, maxy}) grtest::PutLe32(&rec, uint32_t(v));
    grtest::PutLe32(&rec, work);
    rec.insert(rec.end(), body.begin(), body.end());
    uint8_t* p = DlReserve(stream(), rec.size());
    ASSERT_NE(p, nullptr);
    std::memcpy(p, rec.data(), rec.size());
  }
  static Sub Square(int l, int t, int r, int b, bool clockwise = true) {
    if (clockwise) return {l, t, {{false, {r, t}}, {false, {r, b}}, {false, {l, b}}, {false, {l, t}}}};
    return {l, t, {{false, {l, b}}, {false, {r, b}}, {false, {r, t}}, {false, {l, t}}}};
  }

  void Image(uint8_t format, uint32_t width, uint32_t rows, const std::vector<uint8_t>& pixels,
             const std::vector<uint32_t>& palette, int l, int t, int w, int h, int sx = 0, int sy = 0) {
    // The encoder copies the whole palette of the depth: 2, 16 or 256 entries.
    std::vector<uint32_t> entries = palette;
    if (!entries.empty()) entries.resize((format & 0x0F) == 0 ? 2 : (format & 0x0F) == 1 ? 16 : 256);
    std::vector<uint8_t> pal;
    for (uint32_t c : entries) {
      pal.push_back(uint8_t(c));  // B, G, R, unused from 0x00RRGGBB
      pal.push_back(uint8_t(c >> 8));
      pal.push_back(uint8_t(c >> 16));
      pal.push_back(0);
    }
    DlImageSource src{l, t, w, h, sx, sy, width, rows, format, pixels.data(), palette.empty() ? nullptr : pal.data(), false};
    ASSERT_TRUE(DlImageWhole(stream(), src));
  }

  jobrender::Result Render(int page = 1, int dpi = 0) {
    std::vector<uint8_t> job = Job();
    jobrender::Options options;
    options.page = page;
    options.dpi = dpi;
    jobrender::Result result;
    std::string error;
    EXPECT_TRUE(jobrender::RenderJob(job.data(), job.size(), options, &result, &error)) << error;
    return result;
  }
  std::vector<uint8_t> Job() {
    EXPECT_TRUE(DlFlush(stream()));
    return spool_.bytes;
  }
  static Px At(const jobrender::Result& r, int x, int y) {
    const uint8_t* p = r.picture.At(x, y);
    return {p[0], p[1], p[2]};
  }
  // Pixels of the box that are not white.
  static int Inked(const jobrender::Result& r, int l, int t, int rr, int b) {
    int n = 0;
    for (int y = t; y < b; ++y) {
      for (int x = l; x < rr; ++x) n += !(At(r, x, y) == Px{255, 255, 255});
    }
    return n;
  }
};

TEST_F(JobRender, RectanglesAndRectangleClip) {
  Begin();
  FillIn(kRed, 10, 10, 50, 40);
  ASSERT_NE(DlClipRect(stream(), {60, 10, 70, 20}), nullptr);
  FillIn(kBlue, 55, 5, 95, 30);  // only the clip's part shows
  ASSERT_NE(DlClipReset(stream()), nullptr);
  FillIn(kGreen, 0, 70, 100, 80);
  End();
  const auto r = Render();
  ASSERT_EQ(r.picture.width, 100);
  ASSERT_EQ(r.picture.height, 80);
  EXPECT_EQ(r.pages, 1);
  EXPECT_EQ(At(r, 10, 10), Of(kRed));
  EXPECT_EQ(At(r, 49, 39), Of(kRed));
  EXPECT_EQ(At(r, 50, 40), Of(kWhite));  // right and bottom are exclusive
  EXPECT_EQ(At(r, 65, 15), Of(kBlue));
  EXPECT_EQ(At(r, 57, 7), Of(kWhite));
  EXPECT_EQ(At(r, 80, 25), Of(kWhite));
  EXPECT_EQ(At(r, 5, 75), Of(kGreen));
  EXPECT_TRUE(r.warnings.empty());
}

TEST_F(JobRender, FillRulesCurvesStrokesAndDashes) {
  Begin(200, 100);
  Colour(kBlack);
  ASSERT_NE(DlRop(stream(), 0xCC), nullptr);
  // Two squares of one direction, one inside the other: the winding rule
  // fills the hole, the alternate rule leaves it.
  PathRecord(1, {Square(10, 10, 50, 50), Square(20, 20, 40, 40)});
  PathRecord(2, {Square(60, 10, 100, 50), Square(70, 20, 90, 40)});
  // A closed curve.
  PathRecord(2, {{110, 30, {{true, {110, 0, 150, 0, 150, 30}}, {true, {150, 60, 110, 60, 110, 30}}}}});
  // A 6-pixel butt line, then a dashed 2-pixel line: 16 steps drawn, 16 not.
  ASSERT_NE(DlLineWidth(stream(), 6, 0xFFFFFFFF, 1), nullptr);
  ASSERT_NE(DlEndCap(stream(), 1), nullptr);
  PathRecord(0, {{10, 70, {{false, {100, 70}}}}}, false);
  ASSERT_NE(DlLineWidth(stream(), 2, 0xFFFF0000, 1), nullptr);
  ASSERT_NE(DlDashOffset(stream(), 0), nullptr);
  PathRecord(0, {{10, 90, {{false, {100, 90}}}}}, false);
  End();
  const auto r = Render();
  EXPECT_EQ(At(r, 15, 15), Of(kBlack));
  EXPECT_EQ(At(r, 30, 30), Of(kWhite)) << "alternate fill leaves the inner square";
  EXPECT_EQ(At(r, 65, 15), Of(kBlack));
  EXPECT_EQ(At(r, 80, 30), Of(kBlack)) << "winding fill covers the inner square";
  EXPECT_EQ(At(r, 130, 30), Of(kBlack));
  EXPECT_EQ(At(r, 112, 3), Of(kWhite)) << "the curve is not its control polygon";
  EXPECT_EQ(At(r, 50, 68), Of(kBlack));
  EXPECT_EQ(At(r, 50, 73), Of(kWhite));
  EXPECT_EQ(At(r, 5, 70), Of(kWhite)) << "butt caps end at the end points";
  EXPECT_EQ(At(r, 17, 90), Of(kBlack));
  EXPECT_EQ(At(r, 34, 90), Of(kWhite));
  EXPECT_EQ(At(r, 49, 90), Of(kBlack));
}

TEST_F(JobRender, StrokeAndFillTakesTheFillAsThirdColour) {
  Begin();
  Colour(kBlue, false, kWhite, true, kRed);
  ASSERT_NE(DlRop(stream(), 0xCC), nullptr);
  ASSERT_NE(DlLineWidth(stream(), 4, 0xFFFFFFFF, 1), nullptr);
  PathRecord(3, {Square(20, 20, 60, 60)});
  End();
  const auto r = Render();
  EXPECT_EQ(At(r, 40, 40), Of(kRed));
  EXPECT_EQ(At(r, 20, 40), Of(kBlue));
  EXPECT_EQ(At(r, 59, 40), Of(kBlue));
}

TEST_F(JobRender, PathClipAndItsReset) {
  Begin();
  PathRecord(5, {{10, 10, {{false, {70, 10}}, {false, {10, 70}}}}});
  FillIn(kRed, 0, 0, 100, 80);
  ASSERT_NE(DlClipReset(stream()), nullptr);
  FillIn(kBlue, 90, 0, 100, 10);
  End();
  const auto r = Render();
  EXPECT_EQ(At(r, 15, 15), Of(kRed));
  EXPECT_EQ(At(r, 60, 60), Of(kWhite));
  EXPECT_EQ(At(r, 5, 5), Of(kWhite));
  EXPECT_EQ(At(r, 95, 5), Of(kBlue));
}

TEST_F(JobRender, ImagesOfEveryDepth) {
  struct Case {
    const char* name;
    uint8_t format;
    std::vector<uint8_t> pixels;  // one row of 4 pixels, padded to 4 bytes (8 for 24 bits: 12 bytes)
    std::vector<uint32_t> palette;  // 0x00RRGGBB
    std::vector<Px> want;         // the 4 pixels
  };
  const std::vector<Case> cases = {
      {"one bit, palette", 0, {0xA0, 0, 0, 0}, {0x00FF0000, 0x000000FF}, {{0, 0, 255}, {255, 0, 0}, {0, 0, 255}, {255, 0, 0}}},
      {"one bit, grey levels", 0x20, {0x50, 0, 0, 0}, {}, {{0, 0, 0}, {255, 255, 255}, {0, 0, 0}, {255, 255, 255}}},
      {"four bits, palette", 1, {0x01, 0x23, 0, 0}, {0x000000, 0xFF0000, 0x00FF00, 0x0000FF}, {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}}},
      {"four bits, grey levels", 0x21, {0x0F, 0x53, 0, 0}, {}, {{0, 0, 0}, {255, 255, 255}, {85, 85, 85}, {51, 51, 51}}},
      {"eight bits, grey levels", 0x32, {0, 64, 128, 255}, {}, {{0, 0, 0}, {64, 64, 64}, {128, 128, 128}, {255, 255, 255}}},
      {"24 bits", 4, {0, 0, 255, 0, 255, 0, 255, 0, 0, 10, 20, 30}, {}, {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {30, 20, 10}}},
  };
  Begin();
  ASSERT_NE(DlRop(stream(), 0xCC), nullptr);
  int row = 0;
  for (const Case& c : cases) {
    // Each pixel of the data drawn 10 x 5 pixels large.
    Image(c.format, 4, 1, c.pixels, c.palette, 0, row * 6, 40, 5);
    ++row;
  }
  // Eight bits with a full palette: index i is red i.
  std::vector<uint32_t> reds(256);
  for (uint32_t i = 0; i < 256; ++i) reds[i] = i << 16;
  Image(2, 4, 1, {0, 100, 200, 255}, reds, 0, row * 6, 40, 5);
  End();
  const auto r = Render();
  for (size_t i = 0; i < cases.size(); ++i) {
    for (int x = 0; x < 4; ++x) EXPECT_EQ(At(r, x * 10 + 5, int(i) * 6 + 2), cases[i].want[x]) << cases[i].name << " pixel " << x;
  }
  EXPECT_EQ(At(r, 15, row * 6 + 2), (Px{100, 0, 0}));
  EXPECT_EQ(At(r, 35, row * 6 + 2), (Px{255, 0, 0}));
  EXPECT_EQ(At(r, 45, 2), Of(kWhite)) << "nothing beyond the destination";
}

TEST_F(JobRender, ImageOriginAndMirror) {
  Begin();
  ASSERT_NE(DlRop(stream(), 0xCC), nullptr);
  // 24-bit 2 x 1: red, blue. Mirrored across 20 pixels: blue first.
  const std::vector<uint8_t> rb = {0, 0, 255, 255, 0, 0, 0, 0};
  Image(4, 2, 1, rb, {}, 10, 10, -20, 10);
  // Data from pixel (1, 0) one to one: the blue pixel lands on (50, 10).
  Image(4, 2, 1, rb, {}, 50, 10, 1, 1, 1, 0);
  End();
  const auto r = Render();
  EXPECT_EQ(At(r, 12, 15), Of(kBlue));
  EXPECT_EQ(At(r, 27, 15), Of(kRed));
  EXPECT_EQ(At(r, 50, 10), Of(kBlue));
}

TEST_F(JobRender, RasterOperationsOnImages) {
  // The destination is grey 0x5A; the image pixel 0x3C in every channel.
  struct Case {
    uint8_t rop;
    int want;
  } cases[] = {{0xCC, 0x3C}, {0x88, 0x5A & 0x3C}, {0xEE, 0x5A | 0x3C}, {0x66, 0x5A ^ 0x3C},
               {0x33, 0xFF & ~0x3C}, {0x55, 0xFF & ~0x5A}, {0xAA, 0x5A}, {0xFF, 0x00}, {0x00, 0xFF}};
  Begin(100, 20);
  int x = 0;
  for (const Case& c : cases) {
    FillIn(0x5A5A5A, x, 0, x + 10, 10);
    ASSERT_NE(DlRop(stream(), c.rop), nullptr);
    Image(0x32, 1, 1, {0x3C, 0, 0, 0}, {}, x, 0, 10, 10);
    x += 10;
  }
  End();
  const auto r = Render();
  x = 0;
  for (const Case& c : cases) {
    EXPECT_EQ(At(r, x + 5, 5), (Px{c.want, c.want, c.want})) << "ROP 0x" << std::hex << int(c.rop);
    x += 10;
  }
}

TEST_F(JobRender, MaskedImageThroughOrThenAnd) {
  // The driver's masked blit: the one-bit mask ORed in (its set bits make
  // white), then the image, white outside the mask, ANDed.
  Begin(40, 10);
  FillIn(kGreen, 0, 0, 40, 10);
  ASSERT_NE(DlRop(stream(), 0xEE), nullptr);
  Image(0x20, 4, 1, {0x60, 0, 0, 0}, {}, 0, 0, 40, 10);  // mask: pixels 1 and 2
  ASSERT_NE(DlRop(stream(), 0x88), nullptr);
  const std::vector<uint8_t> img = {255, 255, 255, 0, 0, 255, 0, 0, 255, 255, 255, 255};
  Image(4, 4, 1, img, {}, 0, 0, 40, 10);
  End();
  const auto r = Render();
  EXPECT_EQ(At(r, 5, 5), Of(kGreen));
  EXPECT_EQ(At(r, 15, 5), Of(kRed));
  EXPECT_EQ(At(r, 25, 5), Of(kRed));
  EXPECT_EQ(At(r, 35, 5), Of(kGreen));
}

TEST_F(JobRender, PatternsOpaqueTransparentAndColour) {
  // A 16 x 16 one-bit pattern: the even rows set.
  std::vector<uint8_t> bits(32);
  for (int y = 0; y < 16; y += 2) bits[y * 2] = bits[y * 2 + 1] = 0xFF;
  DlBrush two{kBrushTwoColour, 1, 16, 0, 0, {0, 0}, false, bits.data()};
  std::vector<uint8_t> colour(16 * 16 * 3);
  for (size_t i = 0; i < colour.size(); i += 3) colour[i] = 0xFF;  // blue, as B, G, R
  DlBrush col{kBrushColour, 24, 16, 0, 0, {0, 0}, false, colour.data()};
  Begin(100, 40);
  FillIn(kGreen, 0, 0, 100, 40);
  ASSERT_NE(DlPattern(stream(), two), nullptr);
  Colour(kBlack, true, kRed);
  Fill(0, 0, 30, 30);
  Colour(kBlack, false);
  ASSERT_NE(DlPattern(stream(), two), nullptr);
  Fill(40, 0, 70, 30);
  ASSERT_NE(DlPattern(stream(), col), nullptr);
  Fill(80, 0, 100, 30);
  End();
  const auto r = Render();
  EXPECT_EQ(At(r, 5, 4), Of(kBlack));
  EXPECT_EQ(At(r, 5, 5), Of(kRed)) << "clear bits in the background colour when opaque";
  EXPECT_EQ(At(r, 45, 4), Of(kBlack));
  EXPECT_EQ(At(r, 45, 5), Of(kGreen)) << "clear bits leave the page when transparent";
  EXPECT_EQ(At(r, 90, 5), Of(kBlue));
  EXPECT_EQ(At(r, 90, 35), Of(kGreen));
}

TEST_F(JobRender, GlyphBitmapsDefinitionsAndRuns) {
  // An 8 x 4 glyph: a filled top half.
  const std::vector<uint8_t> plain = {0xFF, 0xFF, 0, 0};
  std::vector<uint8_t> packed(16);
  const uint32_t n = GlyphCompress(pdev_, plain.data(), packed.data(), packed.size(), 4, 1);
  ASSERT_GT(n, 0u);
  DlFontDesc font{};
  font.kind = 5;
  font.emWidth = font.emHeight = 8;
  font.weight = 400;
  std::strcpy(font.faceName, "Glyphs");
  Begin();
  Colour(kBlack);
  ASSERT_NE(DlRop(stream(), 0xCC), nullptr);
  ASSERT_NE(DlDeviceFontSelect(stream(), font), nullptr);
  DlGlyphBitmapArgs g{true, kGlyphFlagChar, {10, 10, 18, 14}, 10, 4, 10, 10, 8, 4, 'A', kGlyphCompressed, packed.data(), n};
  ASSERT_NE(DlGlyphBitmap(stream(), g), nullptr);
  DlGlyphBitmapArgs again{true, uint8_t(kGlyphFlagChar | kGlyphFlagSent), {30, 10, 38, 14}, 30, 4, 30, 10, 8, 4, 'A', 0, nullptr, 0};
  ASSERT_NE(DlGlyphBitmap(stream(), again), nullptr);
  ASSERT_NE(DlGlyphDefine(stream(), kGlyphFlagChar, 8, 4, 'B', kGlyphPlain, plain.data(), plain.size()), nullptr);
  const DlGlyphStep steps[] = {{0, 0, 'B'}, {20, 0, 'A'}, {0, 20, 'B'}};
  ASSERT_NE(DlGlyphRun(stream(), kGlyphFlagChar, {10, 40, 50, 70}, 10, 40, steps, 3), nullptr);
  DlGlyphBitmapArgs once{false, kGlyphFlagChar, {70, 10, 78, 14}, 70, 4, 70, 10, 8, 4, 'C', kGlyphPlain, plain.data(), 4};
  ASSERT_NE(DlGlyphBitmap(stream(), once), nullptr);
  End();
  const auto r = Render();
  for (int x0 : {10, 30, 70}) {
    EXPECT_EQ(At(r, x0 + 3, 10), Of(kBlack)) << x0;
    EXPECT_EQ(At(r, x0 + 3, 12), Of(kWhite)) << x0;
    EXPECT_EQ(Inked(r, x0, 10, x0 + 8, 14), 16) << x0;
  }
  for (auto [x0, y0] : {std::pair{10, 40}, {30, 40}, {30, 60}}) EXPECT_EQ(Inked(r, x0, y0, x0 + 8, y0 + 4), 16) << x0 << "," << y0;
  EXPECT_EQ(Inked(r, 0, 0, 100, 80), 6 * 16);
  EXPECT_TRUE(r.warnings.empty());
}

TEST_F(JobRender, GlyphsAreKeptPerFontAndPage) {
  const std::vector<uint8_t> plain = {0xFF, 0xFF};
  DlFontDesc a{}, b{};
  a.kind = b.kind = 5;
  a.emWidth = a.emHeight = b.emWidth = b.emHeight = 8;
  std::strcpy(a.faceName, "FaceA");
  std::strcpy(b.faceName, "FaceB");
  for (int page = 0; page < 2; ++page) {
    Begin();
    Colour(kBlack);
    ASSERT_NE(DlDeviceFontSelect(stream(), a), nullptr);
    if (page == 0) {
      ASSERT_NE(DlGlyphDefine(stream(), kGlyphFlagChar, 8, 2, 'A', kGlyphPlain, plain.data(), 2), nullptr);
    }
    ASSERT_NE(DlDeviceFontSelect(stream(), b), nullptr);
    const DlGlyphStep step{0, 0, 'A'};
    ASSERT_NE(DlGlyphRun(stream(), kGlyphFlagChar, {10, 10, 18, 12}, 10, 10, &step, 1), nullptr);
    End();
  }
  // Face B never defined 'A', and page 2 starts without any glyph.
  for (int page : {1, 2}) {
    const auto r = Render(page);
    EXPECT_EQ(Inked(r, 0, 0, 100, 80), 0) << page;
    EXPECT_EQ(r.warnings.size(), 1u) << page;
  }
}

TEST_F(JobRender, OutlinesAndDeviceFontText) {
  Begin(300, 100);
  Colour(kBlack);
  ASSERT_NE(DlRop(stream(), 0xCC), nullptr);
  DlFontDesc mincho{};
  mincho.kind = 2;
  mincho.emWidth = mincho.emHeight = 40;
  mincho.weight = 400;
  std::strcpy(mincho.faceName, "\x96\xbe\x92\xa9");  // "明朝" in code page 932
  ASSERT_NE(DlFontSelect(stream(), mincho), nullptr);
  const uint16_t chars[] = {0x660E, 0x671D};  // 明朝
  const int16_t adv[] = {50, 0};
  ASSERT_NE(DlString(stream(), {10, 10, 110, 50}, 10, 10, chars, 2, adv, true), nullptr);
  // An outline: a 20 x 20 square relative to the box at (200, 10).
  DlFontDesc outline = mincho;
  outline.kind = 4;
  ASSERT_NE(DlFontSelect(stream(), outline), nullptr);
  std::vector<uint8_t> o;
  grtest::PutLe32(&o, 15);
  grtest::PutLe32(&o, 4);
  for (int v : {0, 0}) grtest::PutLe32(&o, uint32_t(v));
  for (auto [x, y] : {std::pair{20, 0}, {20, 20}, {0, 20}, {0, 0}}) {
    grtest::PutLe32(&o, 0);
    grtest::PutLe32(&o, uint32_t(x * 16));
    grtest::PutLe32(&o, uint32_t(y * 16));
  }
  ASSERT_NE(DlGlyphOutline(stream(), {200, 10, 220, 30}, 200, 10, 'X', o.data(), o.size()), nullptr);
  End();
  const auto r = Render();
  // Each character inks its own cell of 40 x 40, nothing between them or
  // far beyond.
  EXPECT_GT(Inked(r, 10, 10, 50, 55), 100);
  EXPECT_GT(Inked(r, 60, 10, 100, 55), 100);
  EXPECT_EQ(Inked(r, 0, 60, 190, 100), 0);
  EXPECT_EQ(Inked(r, 200, 10, 220, 30), 400);
  EXPECT_EQ(Inked(r, 190, 0, 300, 100), 400);
}

TEST_F(JobRender, ScaledToAResolution) {
  Begin(100, 80, 100);
  FillIn(kRed, 10, 10, 50, 40);
  End();
  const auto r = Render(1, 50);
  ASSERT_EQ(r.picture.width, 50);
  ASSERT_EQ(r.picture.height, 40);
  EXPECT_EQ(At(r, 6, 6), Of(kRed));
  EXPECT_EQ(At(r, 24, 19), Of(kRed));
  EXPECT_EQ(At(r, 26, 21), Of(kWhite));
}

TEST_F(JobRender, PagesAreChosenByNumber) {
  for (uint32_t colour : {kRed, kGreen, kBlue}) {
    Begin();
    FillIn(colour, 0, 0, 100, 80);
    End();
  }
  for (int page = 1; page <= 3; ++page) {
    const auto r = Render(page);
    EXPECT_EQ(r.pages, 3);
    EXPECT_EQ(At(r, 50, 40), Of(page == 1 ? kRed : page == 2 ? kGreen : kBlue));
  }
  std::vector<uint8_t> job = Job();
  jobrender::Options options;
  options.page = 4;
  jobrender::Result result;
  std::string error;
  EXPECT_FALSE(jobrender::RenderJob(job.data(), job.size(), options, &result, &error));
  EXPECT_NE(error.find("no page 4"), std::string::npos) << error;
}

// A page start that names a standard paper: the picture is the whole sheet,
// the printable area centred on it and the margin around it grey; a paper
// the preview does not know gives the printable area alone.
TEST_F(JobRender, TheWholeSheetWithItsMarginMarked) {
  Begin(393, 563);  // A6 at 100 dpi is 413 x 583 dots: a margin of 10
  FillIn(kRed, 0, 0, 393, 563);
  End();
  const std::vector<uint8_t> portrait = Job();
  spool_.bytes.clear();
  Begin(563, 393);
  FillIn(kRed, 0, 0, 563, 393);
  End();
  const std::vector<uint8_t> landscape = Job();
  const struct {
    const char* page_start;
    bool portrait;
    int width, height, left, top;
  } cases[] = {
      {"@PJL SET ORIENTATION = PORTRAIT\r\n@PJL SET PAPER = A6\r\n", true, 413, 583, 10, 10},
      {"@PJL SET ORIENTATION = LANDSCAPE\r\n@PJL SET PAPER = A6\r\n", false, 583, 413, 10, 10},
      {"@PJL SET PAPER = CUSTOM1\r\n", true, 393, 563, 0, 0},
      {"", true, 393, 563, 0, 0},
  };
  for (const auto& c : cases) {
    const std::vector<uint8_t>& page = c.portrait ? portrait : landscape;
    const int w = c.portrait ? 393 : 563, h = c.portrait ? 563 : 393;
    const std::string text = c.page_start;
    std::vector<uint8_t> job = {0xF4, 0, 0, 0};
    grtest::PutLe32(&job, uint32_t(text.size()));
    job.insert(job.end(), text.begin(), text.end());
    job.insert(job.end(), {0xF0, 0, 0, 0, 0, 0, 0, 0});
    job.insert(job.end(), page.begin(), page.end());
    jobrender::Result r;
    std::string error;
    ASSERT_TRUE(jobrender::RenderJob(job.data(), job.size(), {}, &r, &error)) << error;
    SCOPED_TRACE(text);
    EXPECT_EQ(r.picture.width, c.width);
    EXPECT_EQ(r.picture.height, c.height);
    EXPECT_EQ(r.printable.left, c.left);
    EXPECT_EQ(r.printable.top, c.top);
    EXPECT_EQ(r.printable.width, w);
    EXPECT_EQ(r.printable.height, h);
    EXPECT_EQ(At(r, c.left, c.top), Of(kRed));
    EXPECT_EQ(At(r, c.left + w - 1, c.top + h - 1), Of(kRed));
    if (c.left > 0) {
      EXPECT_EQ(At(r, c.left - 1, c.top), (Px{200, 200, 200}));
      EXPECT_EQ(At(r, c.width - 1, c.height - 1), (Px{200, 200, 200}));
    }
  }
}

TEST_F(JobRender, UnknownRecordWarnsAndKeepsWhatCameBefore) {
  Begin();
  FillIn(kRed, 0, 0, 10, 10);
  uint8_t* p = DlReserve(stream(), 4);
  ASSERT_NE(p, nullptr);
  p[0] = 0x7E;
  p[1] = p[2] = p[3] = 0;
  End();
  const auto r = Render();
  EXPECT_EQ(At(r, 5, 5), Of(kRed));
  ASSERT_EQ(r.warnings.size(), 2u);  // the unknown record, and the page's lost end
  EXPECT_NE(r.warnings[0].find("0x7E"), std::string::npos) << r.warnings[0];
}

TEST_F(JobRender, BrokenJobsFailCleanly) {
  Begin();
  FillIn(kRed, 0, 0, 10, 10);
  const std::vector<uint8_t> good = Job();
  struct Case {
    const char* name;
    std::vector<uint8_t> job;
    const char* says;
  };
  std::vector<Case> cases;
  cases.push_back({"cut inside a block", std::vector<uint8_t>(good.begin(), good.end() - 3), "claims"});
  cases.push_back({"cut inside a header", std::vector<uint8_t>(good.begin(), good.begin() + 5), "cut off"});
  std::vector<uint8_t> bad_size = good;
  const uint8_t rect_head[] = {0x10, 0, 1, 0, 40, 0, 0, 0};
  auto rect = std::search(bad_size.begin(), bad_size.end(), std::begin(rect_head), std::end(rect_head));
  ASSERT_NE(rect, bad_size.end());
  rect[4] = 0x27;  // the rectangle's size field
  cases.push_back({"record size not a multiple of 4", bad_size, "record data"});
  cases.push_back({"empty", {}, "the file is empty: no job in it"});
  const std::string text = "100::::\nsome text, no job\n";
  cases.push_back({"text", std::vector<uint8_t>(text.begin(), text.end()),
                   "not a job stream: its first byte 0x31 is no block kind of a job"});
  std::vector<uint8_t> unknown_kind = good;
  unknown_kind.insert(unknown_kind.end(), {0xF2, 0, 0, 0, 0, 0, 0, 0});
  cases.push_back({"a block of an unknown kind", unknown_kind, "is of an unknown kind 0xF2"});
  for (const Case& c : cases) {
    jobrender::Result result;
    std::string error;
    EXPECT_FALSE(jobrender::RenderJob(c.job.data(), c.job.size(), {}, &result, &error)) << c.name;
    EXPECT_NE(error.find(c.says), std::string::npos) << c.name << ": " << error;
  }
  // A page far too large for a picture.
  spool_.bytes.clear();
  Begin(100000, 100000, 600);
  End();
  std::vector<uint8_t> huge = Job();
  jobrender::Result result;
  std::string error;
  EXPECT_FALSE(jobrender::RenderJob(huge.data(), huge.size(), {}, &result, &error));
  EXPECT_NE(error.find("too large"), std::string::npos) << error;
}

// Every byte of a small job of every record kind changed in turn, and random
// changes: the preview answers (a picture or an error) and never reads out
// of bounds (the sanitizer builds check).
TEST_F(JobRender, ChangedBytesNeverCrash) {
  Begin(64, 64);
  FillIn(kRed, 0, 0, 10, 10);
  PathRecord(2, {{1, 1, {{true, {5, 1, 9, 5, 9, 9}}, {false, {1, 9}}}}});
  Image(0, 4, 2, {0x90, 0, 0, 0, 0x60, 0, 0, 0}, {0xFF0000, 0x0000FF}, 10, 10, 8, 8);
  const std::vector<uint8_t> plain = {0x81, 0x42, 0x24, 0x18};
  DlFontDesc font{};
  font.kind = 5;
  font.emWidth = font.emHeight = 8;
  std::strcpy(font.faceName, "F");
  ASSERT_NE(DlDeviceFontSelect(stream(), font), nullptr);
  ASSERT_NE(DlGlyphDefine(stream(), kGlyphFlagChar, 8, 4, 'A', kGlyphPlain, plain.data(), 4), nullptr);
  const DlGlyphStep step{0, 0, 'A'};
  ASSERT_NE(DlGlyphRun(stream(), kGlyphFlagChar, {0, 0, 8, 4}, 30, 30, &step, 1), nullptr);
  End();
  const std::vector<uint8_t> good = Job();
  std::mt19937 rng(7);
  int pictures = 0;
  for (size_t i = 0; i < good.size() + 300; ++i) {
    std::vector<uint8_t> job = good;
    if (i < good.size()) {
      job[i] ^= 0xFF;
    } else {
      for (int k = 0; k < 3; ++k) job[rng() % job.size()] = uint8_t(rng());
    }
    jobrender::Result result;
    std::string error;
    pictures += jobrender::RenderJob(job.data(), job.size(), {}, &result, &error);
  }
  EXPECT_GT(pictures, 0);
}

// The font caches that text filled go before the leak check.
class FontCaches : public ::testing::Environment {
 public:
  void TearDown() override { jobrender::ReleaseFontCaches(); }
};
const auto* const kFontCaches = ::testing::AddGlobalTestEnvironment(new FontCaches);

}  // namespace
