// The printer DC against a test driver that logs its calls: enabling order,
// document and page calls, hooked and punted drawing, the band loop with its
// origins, and every failure on the way releasing what was built.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>

#include "eng/dc.h"
#include "eng_test_util.h"
#include "plat/kernel.h"
#include "temp_machine.h"
#include "test_driver.h"
#include "test_driver_fixture.h"

namespace {

class DcTest : public TestDriverFixture {
 protected:
  void SetUp() override {
    TestDriverFixture::SetUp();
    surfaces_ = eng::LiveSurfaces();
    palettes_ = eng::LivePalettes();
    blocks_ = eng::LiveEngBlocks();
  }
  void ExpectNoLeaks() const {
    EXPECT_EQ(eng::LiveSurfaces(), surfaces_);
    EXPECT_EQ(eng::LivePalettes(), palettes_);
    EXPECT_EQ(eng::LiveEngBlocks(), blocks_);
  }

  // The page a drawing makes at `bits` a pixel, on one surface and in bands
  // of `band` rows: the two must be the same bytes. Empty on a failure.
  std::vector<uint8_t> BandedPageEqualsOneSurface(int32_t bits, int32_t band,
                                                  const std::function<void(eng::PrinterDc&)>& draw) {
    std::vector<uint8_t> pages[2];
    for (int banding = 0; banding < 2; ++banding) {
      TestDrvConfig cfg;
      cfg.bits = bits;
      cfg.banding = banding == 1;
      cfg.band = band;
      Configure(cfg);
      auto dc = Open();
      if (!dc || !dc->StartDoc(u"d", 1) || !dc->StartPage()) {
        ADD_FAILURE() << "no page to draw on";
        return {};
      }
      draw(*dc);
      if (!dc->EndPage() || !dc->EndDoc()) {
        ADD_FAILURE() << "the page did not end";
        return {};
      }
      pages[banding] = Page();
    }
    EXPECT_FALSE(pages[0].empty()) << bits;
    EXPECT_EQ(pages[0], pages[1]) << bits;
    return pages[0];
  }

  long surfaces_ = 0, palettes_ = 0, blocks_ = 0;
};

std::string Joined(const std::vector<std::string>& v) {
  std::string s;
  for (const auto& l : v) s += l + "\n";
  return s;
}

TEST_F(DcTest, EnablesRunsADocumentAndDisablesInTheEngineOrder) {
  struct Case {
    const char* name;
    bool banding;
    std::string page_calls;
  } cases[] = {
      {"banding", true,
       // Bands the drawing does not reach get no call.
       "StartPage\nStartBanding\nBitBlt 2,3,10,6 F0F0 clip 0\nNextBand 0\nNextBand 16\nNextBand 32\n"
       "SendPage\n"},
      {"one surface", false, "StartPage\nBitBlt 2,3,10,6 F0F0 clip 0\nSendPage\n"},
  };
  for (const Case& c : cases) {
    TestDrvConfig cfg;
    cfg.banding = c.banding;
    Configure(cfg);
    {
      auto dc = Open();
      ASSERT_NE(dc, nullptr) << c.name;
      EXPECT_EQ(dc->banding(), c.banding);
      EXPECT_EQ(dc->hooks(), FLONG(HOOK_BITBLT | HOOK_STRETCHBLT | HOOK_TEXTOUT));
      EXPECT_EQ(dc->gdi_info().ulHorzRes, 64u);
      ASSERT_TRUE(dc->StartDoc(u"doc", 7));
      ASSERT_TRUE(dc->StartPage());
      ASSERT_TRUE(dc->FillRect(RECTL{2, 3, 10, 6}, 0));
      ASSERT_TRUE(dc->EndPage());
      ASSERT_TRUE(dc->EndDoc());
    }
    std::string want = "EnableDriver 196864 16\nEnablePDEV 6 320 312 named 4660\nCompletePDEV\nEnableSurface\n"
                       "StartDoc doc 7\n" +
                       c.page_calls + "EndDoc 0\nDisableSurface\nDisablePDEV\nDisableDriver\n";
    EXPECT_EQ(Joined(Log()), want) << c.name;
    ExpectNoLeaks();
  }
}

// A document given up: an open page is dropped unplayed and the driver
// hears ED_ABORTDOC, whether the application aborts or the DC goes with the
// document still open; nothing can be ended twice.
TEST_F(DcTest, GivenUpDocumentEndsWithAbort) {
  for (bool explicit_abort : {true, false}) {
    TestDrvConfig cfg;
    Configure(cfg);
    {
      auto dc = Open();
      ASSERT_NE(dc, nullptr);
      ASSERT_TRUE(dc->StartDoc(u"doc", 3));
      ASSERT_TRUE(dc->StartPage());
      ASSERT_TRUE(dc->FillRect(RECTL{2, 3, 10, 6}, 0));
      if (explicit_abort) {
        EXPECT_TRUE(dc->AbortDoc());
        EXPECT_FALSE(dc->AbortDoc());
        EXPECT_FALSE(dc->EndDoc());
        EXPECT_FALSE(dc->StartPage());
      }
    }
    std::string want = "EnableDriver 196864 16\nEnablePDEV 6 320 312 named 4660\nCompletePDEV\nEnableSurface\n"
                       "StartDoc doc 3\nStartPage\nEndDoc 1\nDisableSurface\nDisablePDEV\nDisableDriver\n";
    EXPECT_EQ(Joined(Log()), want) << explicit_abort;
    ExpectNoLeaks();
  }
}

TEST_F(DcTest, HookedCallsGoToTheDriverOthersToTheEngine) {
  struct Case {
    const char* name;
    FLONG hooks;
    std::vector<std::string> calls;  // drawing calls the driver sees
  } cases[] = {
      {"raster hooks", HOOK_BITBLT | HOOK_STRETCHBLT | HOOK_TEXTOUT, {"BitBlt", "StretchBlt"}},
      {"all hooks", HOOK_BITBLT | HOOK_STRETCHBLT | HOOK_FILLPATH | HOOK_STROKEPATH,
       {"FillPath", "StrokePath", "BitBlt", "StretchBlt"}},
      {"copy bits only", HOOK_COPYBITS, {"CopyBits"}},
      {"none", 0, {}},
  };
  uint8_t image[2 * 8] = {};  // 2 x 2, 24-bit, black
  eng::Image im{2, 2, 24, 8, image};
  std::vector<uint8_t> reference;
  for (const Case& c : cases) {
    TestDrvConfig cfg;
    cfg.banding = false;
    cfg.hooks = c.hooks;
    Configure(cfg);
    {
      auto dc = Open();
      ASSERT_NE(dc, nullptr);
      ASSERT_TRUE(dc->StartDoc(u"d", 1));
      ASSERT_TRUE(dc->StartPage());
      eng::Path tri;
      tri.MoveTo(1, 1);
      tri.LineTo(20, 1);
      tri.LineTo(1, 20);
      tri.Close();
      ASSERT_TRUE(dc->FillPath(tri, 0x0000FF));
      eng::Pen pen;
      pen.width = 3;
      ASSERT_TRUE(dc->StrokePath(tri, pen, 0x00FF00));
      ASSERT_TRUE(dc->DrawImage(im, RECTL{30, 30, 32, 32}, RECTL{0, 0, 2, 2}));
      ASSERT_TRUE(dc->DrawImage(im, RECTL{40, 30, 44, 34}, RECTL{0, 0, 2, 2}));
      ASSERT_TRUE(dc->EndPage());
      ASSERT_TRUE(dc->EndDoc());
    }
    std::vector<std::string> drawing;
    for (const std::string& l : Log()) {
      std::string word = l.substr(0, l.find(' '));
      if (word == "BitBlt" || word == "StretchBlt" || word == "FillPath" || word == "StrokePath" ||
          word == "CopyBits")
        drawing.push_back(word);
    }
    EXPECT_EQ(drawing, c.calls) << c.name;
    // Whoever draws, the pixels are the same.
    if (reference.empty()) reference = Page();
    else EXPECT_EQ(Page(), reference) << c.name;
  }
  ASSERT_FALSE(reference.empty());
}

TEST_F(DcTest, BandOriginsFollowTheDriver) {
  struct Case {
    int32_t height, band;
    bool extra;
    std::vector<std::string> bands;
  } cases[] = {
      {1024, 512, false, {"NextBand 0", "NextBand 512"}},
      {1024, 512, true, {"NextBand 0", "NextBand 512", "NextBand 1024"}},
      {40, 16, false, {"NextBand 0", "NextBand 16", "NextBand 32"}},
      {10, 16, false, {"NextBand 0"}},
  };
  for (const Case& c : cases) {
    TestDrvConfig cfg;
    cfg.width = 16;
    cfg.height = c.height;
    cfg.band = c.band;
    cfg.extra_band = c.extra;
    Configure(cfg);
    auto dc = Open();
    ASSERT_NE(dc, nullptr);
    ASSERT_TRUE(dc->StartDoc(u"d", 1));
    ASSERT_TRUE(dc->StartPage());
    ASSERT_TRUE(dc->FillRect(RECTL{0, c.height - 1, 16, c.height + 5}, 0));
    ASSERT_TRUE(dc->EndPage());
    std::vector<std::string> bands;
    for (const std::string& l : Log())
      if (l.rfind("NextBand", 0) == 0) bands.push_back(l);
    EXPECT_EQ(bands, c.bands) << c.height << "/" << c.band;
    // The rectangle reaches past the page; a band below the page stays white.
    for (const std::string& l : Log()) EXPECT_NE(l.rfind("InkBelowPage", 0), 0u) << l;
    // The last row of the page is black, the one above white.
    int32_t stride = 0;
    std::vector<uint8_t> page = Page(&stride);
    ASSERT_EQ(page.size(), size_t(stride) * size_t(c.height));
    EXPECT_EQ(page[size_t(c.height - 1) * size_t(stride)], 0);
    EXPECT_EQ(page[size_t(c.height - 2) * size_t(stride)], 0xFF);
  }
}

// A page drawn band by band equals the same page drawn on one surface, in
// both depths: fills, strokes, clips and images that cross band edges.
TEST_F(DcTest, BandReplayEqualsOneSurface) {
  std::vector<uint8_t> image(12 * 12 * 3);
  for (size_t i = 0; i < image.size(); ++i) image[i] = uint8_t(i * 37);
  eng::Image im{12, 12, 24, 36, image.data()};
  auto draw = [&](eng::PrinterDc& dc) {
    eng::Path circle;
    circle.MoveTo(40, 8);
    circle.BezierTo(55, 8, 55, 40, 40, 40);
    circle.BezierTo(25, 40, 25, 8, 40, 8);
    circle.Close();
    EXPECT_TRUE(dc.FillPath(circle, 0x204080, eng::FillMode::kWinding));
    eng::Path diag;
    diag.MoveTo(0, 0);
    diag.LineTo(63, 47);
    eng::Pen pen;
    pen.width = 2.5;
    pen.dashes = {6, 3};
    EXPECT_TRUE(dc.StrokePath(diag, pen, 0));
    eng::Pen hair;
    EXPECT_TRUE(dc.StrokePath(circle, hair, 0xFF0000));
    dc.ClipRect(RECTL{0, 10, 30, 36});
    EXPECT_TRUE(dc.DrawImage(im, RECTL{5, 12, 29, 36}, RECTL{0, 0, 12, 12}));
    eng::Path clip;
    clip.MoveTo(32, 14);
    clip.LineTo(62, 20);
    clip.LineTo(40, 46);
    clip.Close();
    EXPECT_TRUE(dc.ClipPath(clip, eng::FillMode::kAlternate));
    EXPECT_TRUE(dc.FillRect(RECTL{0, 0, 64, 48}, 0x00FF00));
    dc.ResetClip();
    eng::Path tri;
    tri.MoveTo(4, 20);
    tri.LineTo(20, 44);
    tri.LineTo(2, 46);
    tri.Close();
    EXPECT_TRUE(dc.StrokeAndFillPath(tri, pen, 0x0000FF, 0xFFFF00));
    EXPECT_TRUE(dc.DrawImage(im, RECTL{50, 40, 62, 52}, RECTL{0, 0, 12, 12}));
    // Mirrored and shrunk, across a band edge.
    EXPECT_TRUE(dc.DrawImage(im, RECTL{62, 12, 55, 19}, RECTL{0, 0, 12, 12}));
  };
  for (int32_t bits : {24, 1}) {
    const std::vector<uint8_t> page = BandedPageEqualsOneSurface(bits, 16, draw);
    ASSERT_FALSE(page.empty());
    // Something of every colour class was drawn.
    size_t white = 0;
    for (uint8_t b : page) white += b == 0xFF;
    EXPECT_LT(white, page.size()) << bits;
    EXPECT_GT(white, page.size() / 10) << bits;
  }
}

TEST_F(DcTest, ResetBetweenPagesContinuesTheDocumentInANewPdev) {
  struct Case {
    const char* name;
    const char* fail;
    std::string reset_calls;
  } cases[] = {
      {"reset", "",
       "EnablePDEV 6 320 312 named 4660\nCompletePDEV\nResetPDEV\nEnableSurface\nDisableSurface\n"
       "DisablePDEV\nStartDoc doc 7\n"},
      {"driver refuses", "ResetPDEV", "EnablePDEV 6 320 312 named 4660\nCompletePDEV\nResetPDEV\nDisablePDEV\n"},
      {"no new surface", "EnableSurface",
       "EnablePDEV 6 320 312 named 4660\nCompletePDEV\nResetPDEV\nEnableSurface\nDisablePDEV\n"},
  };
  for (const Case& c : cases) {
    TestDrvConfig cfg;
    cfg.banding = false;
    Configure(cfg);
    {
      auto dc = Open();
      ASSERT_NE(dc, nullptr);
      ASSERT_TRUE(dc->StartDoc(u"doc", 7));
      ASSERT_TRUE(dc->StartPage());
      EXPECT_FALSE(dc->Reset(nullptr));  // not inside a page
      ASSERT_TRUE(dc->EndPage());
      TestDrvConfig now = cfg;
      std::strcpy(now.fail, c.fail);
      configure_(&now);  // (clears the log)
      EXPECT_EQ(dc->Reset(nullptr), c.fail[0] == 0) << c.name;
      EXPECT_EQ(Joined(Log()), c.reset_calls) << c.name;
      now.fail[0] = 0;
      configure_(&now);
      // The next page runs on whichever PDEV stands, with a valid PDEV.
      ASSERT_TRUE(dc->StartPage()) << c.name;
      ASSERT_TRUE(dc->FillRect(RECTL{0, 0, 4, 4}, 0));
      ASSERT_TRUE(dc->EndPage());
      ASSERT_TRUE(dc->EndDoc());
      for (const std::string& l : Log()) EXPECT_EQ(l.find("no pdev"), std::string::npos) << l;
    }
    EXPECT_EQ(Log().back(), "DisableDriver");
    ExpectNoLeaks();
  }
}

TEST_F(DcTest, EscapeReachesTheDriver) {
  Configure(TestDrvConfig{});
  auto dc = Open();
  ASSERT_NE(dc, nullptr);
  char in[3] = {}, out[5] = {};
  EXPECT_EQ(dc->Escape(20, 3, in, 5, out), 42u);
  EXPECT_EQ(Log().back(), "Escape 20 3 5");
}

TEST_F(DcTest, FailuresWhileEnablingReleaseEverything) {
  struct Case {
    const char* name;
    TestDrvConfig cfg;
    std::string tail;  // the calls after the failing one
  };
  std::vector<Case> cases;
  {
    Case c{"driver refuses", {}, "EnableDriver 196864 16\n"};
    std::strcpy(c.cfg.fail, "EnableDriver");
    cases.push_back(c);
  }
  {
    Case c{"table without the PDEV calls", {}, "EnableDriver 196864 16\nDisableDriver\n"};
    c.cfg.table_size = 2;
    cases.push_back(c);
  }
  {
    Case c{"PDEV refused", {}, "EnableDriver 196864 16\nEnablePDEV 6 320 312 named 4660\nDisableDriver\n"};
    std::strcpy(c.cfg.fail, "EnablePDEV");
    cases.push_back(c);
  }
  {
    Case c{"surface refused", {},
           "EnableDriver 196864 16\nEnablePDEV 6 320 312 named 4660\nCompletePDEV\nEnableSurface\n"
           "DisablePDEV\nDisableDriver\n"};
    std::strcpy(c.cfg.fail, "EnableSurface");
    cases.push_back(c);
  }
  {
    Case c{"surface not associated", {},
           "EnableDriver 196864 16\nEnablePDEV 6 320 312 named 4660\nCompletePDEV\nEnableSurface\n"
           "DisableSurface\nDisablePDEV\nDisableDriver\n"};
    c.cfg.skip_associate = true;
    cases.push_back(c);
  }
  for (const Case& c : cases) {
    Configure(c.cfg);
    SetLastError(0);
    EXPECT_EQ(Open(), nullptr) << c.name;
    EXPECT_NE(GetLastError(), 0u) << c.name;
    EXPECT_EQ(Joined(Log()), c.tail) << c.name;
    ExpectNoLeaks();
  }
  eng::DcOpenParams missing;
  missing.driver_path = u"C:\\drivers\\NONE.DLL";
  EXPECT_EQ(eng::DcOpen(missing), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
}

// Every engine allocation of a whole job fails in turn: the job fails
// cleanly at that step, the driver is disabled, and nothing is left.
TEST_F(DcTest, AllocationFailureAtEachStepLeaksNothing) {
  uint8_t image[4 * 4] = {};
  eng::Image im{4, 4, 1, 4, image};
  int completed = 0;
  for (int n = 1; n < 200 && completed == 0; ++n) {
    TestDrvConfig cfg;
    cfg.bits = 1;
    Configure(cfg);
    plat::FailNth("EngAllocMem", n);
    bool ok = false;
    {
      auto dc = Open();
      if (dc && dc->StartDoc(u"d", 1) && dc->StartPage()) {
        bool drew = dc->FillRect(RECTL{0, 0, 8, 8}, 0);
        eng::Path p;
        p.Rectangle(4, 4, 40, 40);
        drew = dc->FillPath(p, 0) && drew;
        drew = dc->DrawImage(im, RECTL{0, 0, 16, 16}, RECTL{0, 0, 4, 4}) && drew;
        drew = dc->ClipPath(p, eng::FillMode::kWinding) && drew;
        bool ended = dc->EndPage();
        ok = dc->EndDoc() && ended && drew;
      }
    }
    plat::ClearFaults();
    std::vector<std::string> log = Log();
    if (!log.empty() && log.front().rfind("EnableDriver", 0) == 0 && log.size() > 1 &&
        log[1].rfind("EnablePDEV", 0) == 0) {
      EXPECT_EQ(log.back(), "DisableDriver") << n;
    }
    ExpectNoLeaks();
    if (ok) completed = n;
  }
  EXPECT_GT(completed, 3);  // several steps failed before the whole job went through
}

TEST_F(DcTest, BadCallOrderAndEndlessBands) {
  TestDrvConfig cfg;
  cfg.endless = true;
  Configure(cfg);
  auto dc = Open();
  ASSERT_NE(dc, nullptr);
  EXPECT_FALSE(dc->StartPage());  // no document
  EXPECT_FALSE(dc->FillRect(RECTL{0, 0, 1, 1}, 0));  // no page
  EXPECT_FALSE(dc->EndPage());
  ASSERT_TRUE(dc->StartDoc(u"d", 1));
  EXPECT_FALSE(dc->StartDoc(u"d", 1));
  ASSERT_TRUE(dc->StartPage());
  EXPECT_FALSE(dc->EndPage());  // the driver never ends the page: stopped
  size_t bands = 0;
  for (const std::string& l : Log()) bands += l.rfind("NextBand", 0) == 0;
  EXPECT_LE(bands, size_t(48 + 3));
  EXPECT_TRUE(dc->EndDoc());
  uint8_t px[4] = {};
  EXPECT_FALSE(dc->StartPage());  // the document has ended
  ASSERT_TRUE(dc->StartDoc(u"d", 2));
  ASSERT_TRUE(dc->StartPage());
  EXPECT_FALSE(dc->DrawImage(eng::Image{1, 1, 24, 2, px}, RECTL{0, 0, 1, 1}, RECTL{0, 0, 1, 1}));  // stride
  EXPECT_FALSE(dc->DrawImage(eng::Image{1, 1, 16, 4, px}, RECTL{0, 0, 1, 1}, RECTL{0, 0, 1, 1}));  // depth
  const eng::Color palette[3] = {0, 0xFFFFFF, 0xFF0000};
  EXPECT_FALSE(dc->DrawImage(eng::Image{1, 1, 1, 4, px, palette, 3}, RECTL{0, 0, 1, 1},
                             RECTL{0, 0, 1, 1}));  // a palette larger than the depth holds
  EXPECT_FALSE(dc->DrawImage(eng::Image{1, 1, 8, 4, px, nullptr, 2}, RECTL{0, 0, 1, 1},
                             RECTL{0, 0, 1, 1}));  // a palette size without a palette
}

}  // namespace

namespace {

// A stretch onto a surface the device manages: the engine halftones into a
// bitmap of the surface's format and hands it to the driver's DrvCopyBits
// (which draws it into the test driver's page); without DrvCopyBits the
// call fails and draws nothing.
TEST_F(DcTest, StretchOntoADeviceSurfaceGoesThroughCopyBits) {
  std::vector<uint8_t> grey(4 * 12, 0);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) std::memset(&grey[size_t(y) * 12 + size_t(x) * 3], 0x80, 3);
  eng::Image image;
  image.width = 4;
  image.height = 4;
  image.bits = 24;
  image.stride = 12;
  image.data = grey.data();
  for (bool copy_bits : {true, false}) {
    TestDrvConfig c;
    c.bits = 1;
    c.banding = false;
    c.device_surface = true;
    c.hooks = HOOK_STRETCHBLT | (copy_bits ? HOOK_COPYBITS : 0);
    Configure(c);
    {
      auto dc = Open();
      ASSERT_NE(dc, nullptr);
      ASSERT_TRUE(dc->StartDoc(u"doc", 1));
      ASSERT_TRUE(dc->StartPage());
      EXPECT_EQ(dc->DrawImage(image, RECTL{2, 3, 18, 19}, RECTL{0, 0, 4, 4}, HALFTONE), copy_bits ? TRUE : FALSE);
      std::string log = Joined(Log());
      EXPECT_NE(log.find("StretchBlt 2,3,18,19 0,0,4,4 4\n"), std::string::npos) << log;
      EXPECT_EQ(log.find("CopyBits 2,3,18,19\n") != std::string::npos, copy_bits) << log;
      int32_t stride = 0;
      std::vector<uint8_t> page = Page(&stride);
      ASSERT_EQ(page.size(), size_t(stride) * 48u);
      int white_inside = 0, black_outside = 0;
      for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) {
          const bool white = (page[size_t(y) * size_t(stride) + size_t(x / 8)] >> (7 - x % 8)) & 1;
          const bool inside = x >= 2 && x < 18 && y >= 3 && y < 19;
          if (inside) white_inside += white;
          else black_outside += !white;
        }
      EXPECT_EQ(white_inside, copy_bits ? 128 : 256);  // mid grey halftoned, or nothing drawn
      EXPECT_EQ(black_outside, 0);
      ASSERT_TRUE(dc->EndPage());
      ASSERT_TRUE(dc->EndDoc());
    }
    ExpectNoLeaks();
  }
}

// PatBlt with each kind of brush: a hatch and a pattern tile from the page
// origin, whoever draws and however the page is banded.
TEST_F(DcTest, PatBltTilesHatchesAndPatternsFromThePageOrigin) {
  const uint8_t pattern_rows[2 * 4] = {0x40, 0, 0, 0, 0xC0, 0, 0, 0};  // 2 x 2: (0, 0) black, the rest white
  eng::Image pat;
  pat.width = 2;
  pat.height = 2;
  pat.bits = 1;
  pat.stride = 4;
  pat.data = pattern_rows;
  for (bool banding : {false, true}) {
    TestDrvConfig cfg;
    cfg.banding = banding;
    cfg.band = 5;  // bands that cut the 8-row hatch
    Configure(cfg);
    {
      auto dc = Open();
      ASSERT_NE(dc, nullptr);
      ASSERT_TRUE(dc->StartDoc(u"d", 1));
      ASSERT_TRUE(dc->StartPage());
      eng::DcBrush hatch;
      hatch.kind = eng::DcBrush::kHatch;
      hatch.hatch = HS_HORIZONTAL;
      hatch.color = 0xFF0000;  // red lines on white
      ASSERT_TRUE(dc->PatBlt(RECTL{0, 0, 32, 24}, hatch));
      eng::DcBrush tiles;
      tiles.kind = eng::DcBrush::kPattern;
      tiles.pattern = pat;
      ASSERT_TRUE(dc->PatBlt(RECTL{40, 0, 48, 8}, tiles));
      eng::DcBrush bad = hatch;
      bad.hatch = HS_DDI_MAX;
      EXPECT_FALSE(dc->PatBlt(RECTL{0, 0, 4, 4}, bad));
      ASSERT_TRUE(dc->EndPage());
      ASSERT_TRUE(dc->EndDoc());
    }
    int32_t stride = 0;
    std::vector<uint8_t> page = Page(&stride);
    ASSERT_FALSE(page.empty());
    auto px = [&](int x, int y) {
      const uint8_t* p = page.data() + size_t(y) * size_t(stride) + size_t(x) * 3;
      return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
    };
    for (int y = 0; y < 24; ++y)
      for (int x = 0; x < 32; ++x) ASSERT_EQ(px(x, y), y % 8 == 4 ? 0xFF0000u : 0xFFFFFFu) << x << "," << y << " " << banding;
    for (int y = 0; y < 8; ++y)
      for (int x = 40; x < 48; ++x) ASSERT_EQ(px(x, y), x % 2 == 0 && y % 2 == 0 ? 0u : 0xFFFFFFu) << x << "," << y;
    ExpectNoLeaks();
  }
}

}  // namespace

namespace {

// Clips narrow and come back with RestoreDC; images of 4, 8 and 32 bits
// draw through their palettes (or as blue, green, red, alpha) - on one
// surface and replayed band by band alike.
TEST_F(DcTest, ClipStackAndImageDepths) {
  const uint8_t four[4] = {0x10, 0, 0, 0};        // pixels 1, 0
  const uint8_t eight[4] = {2, 0, 0, 0};          // pixel 2
  const uint8_t thirty_two[8] = {0x11, 0x22, 0x33, 0xFF, 0x44, 0x55, 0x66, 0xFF};
  const eng::Color pal4[2] = {0x00FF00, 0x0000FF};
  const eng::Color pal8[3] = {0, 0, 0xABCDEF};
  for (int banding = 0; banding < 2; ++banding) {
    SCOPED_TRACE(banding ? "banded" : "one surface");
    TestDrvConfig cfg;
    cfg.banding = banding == 1;
    Configure(cfg);
    auto dc = Open();
    ASSERT_NE(dc, nullptr);
    ASSERT_TRUE(dc->StartDoc(u"d", 1));
    ASSERT_TRUE(dc->StartPage());
    dc->IntersectClipRect(RECTL{0, 0, 32, 48});
    const int level = dc->SaveDC();
    EXPECT_EQ(level, 1);
    dc->IntersectClipRect(RECTL{16, 0, 64, 48});
    eng::Path lower;  // the lower half, as a path
    lower.Rectangle(0, 24, 64, 48);
    EXPECT_TRUE(dc->IntersectClipPath(lower, eng::FillMode::kWinding));
    EXPECT_TRUE(dc->FillRect(RECTL{0, 0, 64, 48}, 0xFF0000));  // x 16-31, y 24-47
    EXPECT_TRUE(dc->RestoreDC(level));
    EXPECT_FALSE(dc->RestoreDC(level));  // taken back already
    EXPECT_TRUE(dc->FillRect(RECTL{0, 0, 64, 4}, 0x0000FF));  // x 0-31, y 0-3
    dc->ResetClip();
    EXPECT_TRUE(dc->DrawImage(eng::Image{2, 1, 4, 4, four, pal4, 2}, RECTL{40, 10, 42, 11}, RECTL{0, 0, 2, 1}));
    EXPECT_TRUE(dc->DrawImage(eng::Image{1, 1, 8, 4, eight, pal8, 3}, RECTL{40, 12, 41, 13}, RECTL{0, 0, 1, 1}));
    EXPECT_TRUE(dc->DrawImage(eng::Image{2, 1, 32, 8, thirty_two}, RECTL{40, 14, 42, 15}, RECTL{0, 0, 2, 1}));
    // Without a palette, 8-bit pixels are grey levels.
    EXPECT_TRUE(dc->DrawImage(eng::Image{1, 1, 8, 4, eight}, RECTL{40, 16, 41, 17}, RECTL{0, 0, 1, 1}));
    ASSERT_TRUE(dc->EndPage());
    ASSERT_TRUE(dc->EndDoc());
    int32_t stride = 0;
    std::vector<uint8_t> page = Page(&stride);
    ASSERT_GE(page.size(), size_t(stride) * 48);
    auto px = [&](int x, int y) {
      const uint8_t* p = &page[size_t(y) * stride + 3 * x];
      return eng::Color(p[0] | (p[1] << 8) | (p[2] << 16));
    };
    EXPECT_EQ(px(20, 30), 0xFF0000u);
    EXPECT_EQ(px(10, 30), 0xFFFFFFu);  // outside the inner rectangle
    EXPECT_EQ(px(20, 20), 0xFFFFFFu);  // outside the path
    EXPECT_EQ(px(40, 30), 0xFFFFFFu);  // outside the outer rectangle
    EXPECT_EQ(px(10, 2), 0x0000FFu);   // the outer clip again
    EXPECT_EQ(px(40, 2), 0xFFFFFFu);
    EXPECT_EQ(px(40, 10), 0x0000FFu);
    EXPECT_EQ(px(41, 10), 0x00FF00u);
    EXPECT_EQ(px(40, 12), 0xABCDEFu);
    EXPECT_EQ(px(40, 14), 0x332211u);
    EXPECT_EQ(px(41, 14), 0x665544u);
    EXPECT_EQ(px(40, 16), 0x020202u);
  }
}

}  // namespace

// A driver that refuses a geometric stroke gets the area the pen paints as
// a winding fill, which paints what the engine's own stroke paints (up to
// the pixels along the edges); a refused cosmetic stroke stays refused.
TEST_F(DcTest, RefusedWideStrokeBecomesTheFillOfItsArea) {
  struct Case {
    const char* name;
    eng::Pen pen;
    bool open;
    double limit;  // the share of inked pixels that may differ
  };
  eng::Pen dashed;
  dashed.width = 5;
  dashed.cap = ENDCAP_BUTT;
  dashed.dashes = {9, 5};
  eng::Pen mitred;
  mitred.width = 6;
  mitred.join = JOIN_MITER;
  mitred.cap = ENDCAP_SQUARE;
  eng::Pen round;
  round.width = 7;
  eng::Pen bevel;
  bevel.width = 6;
  bevel.join = JOIN_BEVEL;
  // Dashes along the curve may start a pixel apart from the engine's own
  // stroke, which measures the curve unflattened.
  const Case cases[] = {{"dashed, butt caps", dashed, true, 0.08},
                        {"mitred, square caps", mitred, true, 0.02},
                        {"round joins and caps", round, true, 0.02},
                        {"bevelled, closed", bevel, false, 0.02}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto draw = [&](const char* fail, std::vector<std::string>* calls) {
      TestDrvConfig cfg;
      cfg.banding = false;
      cfg.hooks = HOOK_FILLPATH | HOOK_STROKEPATH;
      std::snprintf(cfg.fail, sizeof cfg.fail, "%s", fail);
      Configure(cfg);
      auto dc = Open();
      EXPECT_NE(dc, nullptr);
      if (!dc) return std::vector<uint8_t>();
      EXPECT_TRUE(dc->StartDoc(u"d", 1));
      EXPECT_TRUE(dc->StartPage());
      eng::Path zig;
      zig.MoveTo(8, 8);
      zig.LineTo(56, 12);
      zig.LineTo(20, 38);
      zig.BezierTo(30, 44, 44, 44, 54, 36);
      if (!c.open) zig.Close();
      EXPECT_TRUE(dc->StrokePath(zig, c.pen, 0x000000));
      EXPECT_TRUE(dc->EndPage());
      EXPECT_TRUE(dc->EndDoc());
      for (const std::string& l : Log()) {
        std::string word = l.substr(0, l.find(' '));
        if (word == "FillPath" || word == "StrokePath") calls->push_back(l);
      }
      return Page();
    };
    std::vector<std::string> stroked, filled;
    const std::vector<uint8_t> reference = draw("", &stroked);
    const std::vector<uint8_t> widened = draw("StrokePath", &filled);
    ASSERT_EQ(stroked.size(), 1u);
    ASSERT_EQ(filled.size(), 2u);
    EXPECT_EQ(filled[0].rfind("StrokePath", 0), 0u);
    EXPECT_EQ(filled[1].rfind("FillPath", 0), 0u);
    EXPECT_EQ(filled[1].substr(filled[1].rfind(' ') + 1), std::to_string(FP_WINDINGMODE));
    ASSERT_EQ(reference.size(), widened.size());
    size_t inked = 0, differ = 0;
    for (size_t i = 0; i < reference.size(); ++i) {
      inked += reference[i] != 0xFF || widened[i] != 0xFF;
      differ += reference[i] != widened[i];
    }
    ASSERT_GT(inked, 200u);
    // Pixels along the edges may go either way; the shapes are the same.
    EXPECT_LT(double(differ) / double(inked), c.limit) << differ << " of " << inked;
  }

  // A cosmetic pen has no area to fill: the refusal stands.
  TestDrvConfig cfg;
  cfg.banding = false;
  cfg.hooks = HOOK_FILLPATH | HOOK_STROKEPATH;
  std::snprintf(cfg.fail, sizeof cfg.fail, "StrokePath");
  Configure(cfg);
  auto dc = Open();
  ASSERT_NE(dc, nullptr);
  ASSERT_TRUE(dc->StartDoc(u"d", 1));
  ASSERT_TRUE(dc->StartPage());
  eng::Path line;
  line.MoveTo(2, 2);
  line.LineTo(40, 30);
  EXPECT_FALSE(dc->StrokePath(line, eng::Pen{}, 0x000000));
  dc->AbortDoc();
}

namespace {

// Solid colours on a one-bit page: fills, pens, filled rectangles and text
// of a colour the page cannot show are dithered as the driver answers (its
// own pattern, the engine's halftone anchored at the page's corner across
// bands, or the nearest of black and white), and only a driver with a
// dither size is asked, once a colour. Black and white stay solid.
TEST_F(DcTest, OneBitPageDithersSolidColoursAsTheDriverAnswers) {
  enum Expect { kNearest, kHalftone, kChecker };
  struct Case {
    const char* name;
    int32_t dither;
    Expect expect;
  } cases[] = {
      {"no dither size", -1, kNearest},
      {"DCR_SOLID", int32_t(DCR_SOLID), kNearest},
      {"DCR_HALFTONE", int32_t(DCR_HALFTONE), kHalftone},
      {"DCR_DRIVER", int32_t(DCR_DRIVER), kChecker},
  };
  std::ifstream in("/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf", std::ios::binary);
  auto font_bytes = std::make_shared<std::vector<uint8_t>>(std::istreambuf_iterator<char>(in),
                                                           std::istreambuf_iterator<char>());
  ASSERT_FALSE(font_bytes->empty());
  constexpr eng::Color kGrey = 0x808080, kCyan = 0x00FFFF;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestDrvConfig cfg;
    cfg.bits = 1;
    cfg.band = 5;  // bands that cut the 8 x 8 patterns
    cfg.dither = c.dither;
    Configure(cfg);
    {
      auto dc = Open();
      ASSERT_NE(dc, nullptr);
      ASSERT_TRUE(dc->StartDoc(u"d", 1));
      ASSERT_TRUE(dc->StartPage());
      // Rows 0-16 grey: a path fill, a filled rectangle and a wide pen.
      eng::Path square;
      square.Rectangle(0, 0, 16, 16);
      ASSERT_TRUE(dc->FillPath(square, kGrey));
      ASSERT_TRUE(dc->FillRect(RECTL{16, 0, 32, 16}, kGrey));
      eng::Path line;
      line.MoveTo(32, 8);
      line.LineTo(64, 8);
      eng::Pen pen;
      pen.width = 16;
      pen.cap = ENDCAP_BUTT;
      ASSERT_TRUE(dc->StrokePath(line, pen, kGrey));
      // Rows 16-20 black, 20-24 white over black, 24-32 cyan.
      ASSERT_TRUE(dc->FillRect(RECTL{0, 16, 64, 24}, 0x000000));
      ASSERT_TRUE(dc->FillRect(RECTL{0, 20, 64, 24}, 0xFFFFFF));
      ASSERT_TRUE(dc->FillRect(RECTL{0, 24, 64, 32}, kCyan));
      // Rows 32-48: the same string in black on the left, in grey on the right.
      eng::FontSpec wanted;
      wanted.data = font_bytes;
      wanted.height = -16;
      ASSERT_TRUE(dc->SelectFont(wanted));
      ASSERT_TRUE(dc->TextOut(0, 46, u"MW", 0x000000));
      ASSERT_TRUE(dc->TextOut(32, 46, u"MW", kGrey));
      ASSERT_TRUE(dc->EndPage());
      ASSERT_TRUE(dc->EndDoc());
    }
    int32_t stride = 0;
    std::vector<uint8_t> page = Page(&stride);
    ASSERT_EQ(page.size(), size_t(stride) * 48);
    auto white = [&](int x, int y) { return (page[size_t(y) * size_t(stride) + size_t(x >> 3)] >> (7 - (x & 7))) & 1; };
    auto ink = [&](int x0, int y0, int x1, int y1) {
      int n = 0;
      for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) n += !white(x, y);
      return n;
    };
    // The grey and cyan areas: tiles of one 8 x 8 pattern from the page's corner.
    for (int y = 0; y < 32; ++y) {
      if (y >= 16 && y < 24) continue;
      for (int x = 0; x < 64; ++x) {
        const int ty = y < 16 ? y % 8 : 24 + y % 8;
        ASSERT_EQ(white(x, y), white(x % 8, ty)) << x << "," << y;
        if (c.expect == kChecker) {
          ASSERT_EQ(white(x, y), (x + y) % 2 == 0) << x << "," << y;
        }
      }
    }
    EXPECT_EQ(ink(0, 16, 64, 20), 64 * 4);
    EXPECT_EQ(ink(0, 20, 64, 24), 0);
    const int grey_ink = ink(0, 0, 8, 8), cyan_ink = ink(0, 24, 8, 32);
    const int black_text = ink(0, 32, 32, 48), grey_text = ink(32, 32, 64, 48);
    ASSERT_GT(black_text, 40);
    switch (c.expect) {
      case kNearest:  // both nearer white than black
        EXPECT_EQ(grey_ink, 0);
        EXPECT_EQ(cyan_ink, 0);
        EXPECT_EQ(grey_text, 0);
        break;
      case kHalftone:  // half of the cells for a mid grey; cyan's luminance is 70 %
        EXPECT_EQ(grey_ink, 32);
        EXPECT_EQ(cyan_ink, 19);
        break;
      case kChecker:
        EXPECT_EQ(grey_ink, 32);
        EXPECT_EQ(cyan_ink, 32);
        break;
    }
    if (c.expect != kNearest) {
      // Grey text is the black text's shape seen through the pattern.
      EXPECT_GT(grey_text, black_text / 4);
      EXPECT_LT(grey_text, black_text * 3 / 4);
      for (int y = 32; y < 48; ++y)
        for (int x = 32; x < 64; ++x)
          if (!white(x, y)) {
            ASSERT_FALSE(white(x % 8, y % 8)) << x << "," << y;
          }
    }
    const std::vector<std::string> asked = Log("DitherColor");
    if (c.dither < 0)
      EXPECT_TRUE(asked.empty());
    else  // monochrome, the colour as a COLORREF, once each
      EXPECT_EQ(Joined(asked), "DitherColor 1 808080\nDitherColor 1 FFFF00\n");
    ExpectNoLeaks();
  }
}

}  // namespace

namespace {

// A path clip is the region a fill of the path covers, in as few
// rectangles as its rows allow: a rectangle reaches the driver as a
// rectangle clip, an L shape as a complex one, and both cut the drawing to
// their pixels.
TEST_F(DcTest, PathClipIsTheFillsRegionInWholeRectangles) {
  struct Case {
    const char* name;
    std::vector<std::pair<double, double>> outline;
    bool (*inside)(int x, int y);
    int complexity;
  } cases[] = {
      {"rectangle", {{4, 4}, {20, 4}, {20, 12}, {4, 12}},
       [](int x, int y) { return x >= 4 && x < 20 && y >= 4 && y < 12; }, DC_RECT},
      {"L shape", {{4, 4}, {12, 4}, {12, 20}, {30, 20}, {30, 28}, {4, 28}},
       [](int x, int y) { return x >= 4 && y >= 4 && y < 28 && (x < 12 || (y >= 20 && x < 30)); }, DC_COMPLEX},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestDrvConfig cfg;
    cfg.banding = false;
    Configure(cfg);
    {
      auto dc = Open();
      ASSERT_NE(dc, nullptr);
      ASSERT_TRUE(dc->StartDoc(u"d", 1));
      ASSERT_TRUE(dc->StartPage());
      eng::Path outline;
      outline.MoveTo(c.outline[0].first, c.outline[0].second);
      for (size_t i = 1; i < c.outline.size(); ++i) outline.LineTo(c.outline[i].first, c.outline[i].second);
      outline.Close();
      ASSERT_TRUE(dc->ClipPath(outline, eng::FillMode::kWinding));
      ASSERT_TRUE(dc->FillRect(RECTL{0, 0, 64, 48}, 0x000000));
      ASSERT_TRUE(dc->EndPage());
      ASSERT_TRUE(dc->EndDoc());
    }
    EXPECT_EQ(Joined(Log("BitBlt")), "BitBlt 0,0,64,48 F0F0 clip " + std::to_string(c.complexity) + "\n");
    int32_t stride = 0;
    std::vector<uint8_t> page = Page(&stride);
    ASSERT_GE(page.size(), size_t(stride) * 48);
    for (int y = 0; y < 48; ++y)
      for (int x = 0; x < 64; ++x) ASSERT_EQ(page[size_t(y) * stride + 3 * x] == 0, c.inside(x, y)) << x << "," << y;
    ExpectNoLeaks();
  }
}

}  // namespace

namespace {

// A DC on a bitmap of the engine, without a driver: the window layer's DCs.
TEST(BitmapDc, DrawsOnTheBitmapThroughTheEngineAndRefusesOtherSurfaces) {
  EXPECT_EQ(eng::DcOpenBitmap(nullptr), nullptr);
  const long surfaces = eng::LiveSurfaces();
  {
    uint32_t px[4] = {0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00};  // blue in the low byte
    HBITMAP bmp = EngCreateBitmap(SIZEL{4, 1}, 16, BMF_32BPP, BMF_TOPDOWN, px);
    ASSERT_NE(bmp, nullptr);
    SURFOBJ* so = EngLockSurface(reinterpret_cast<HSURF>(bmp));
    auto dc = eng::DcOpenBitmap(so);
    ASSERT_NE(dc, nullptr);
    // An image through SRCINVERT (source XOR page), then a plain fill cut
    // by the clip.
    uint32_t src[4] = {0xFFFFFF, 0xFFFFFF, 0x0000FF, 0x000000};
    eng::Image im;
    im.width = 4;
    im.height = 1;
    im.bits = 32;
    im.stride = 16;
    im.data = reinterpret_cast<const uint8_t*>(src);
    ASSERT_TRUE(dc->DrawImage(im, RECTL{0, 0, 4, 1}, RECTL{0, 0, 4, 1}, COLORONCOLOR, 0x6666));
    EXPECT_EQ(px[0] & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(px[1] & 0xFFFFFF, 0x000000u);
    EXPECT_EQ(px[2] & 0xFFFFFF, 0xFF00FFu);
    EXPECT_EQ(px[3] & 0xFFFFFF, 0x00FF00u);
    dc->ClipRect(RECTL{1, 0, 2, 1});
    ASSERT_TRUE(dc->FillRect(RECTL{0, 0, 4, 1}, 0x123456));
    EXPECT_EQ(px[0] & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(px[1] & 0xFFFFFF, 0x123456u);
    EXPECT_EQ(px[2] & 0xFFFFFF, 0xFF00FFu);
    dc.reset();
    EngUnlockSurface(so);
    EngDeleteSurface(reinterpret_cast<HSURF>(bmp));
  }
  EXPECT_EQ(eng::LiveSurfaces(), surfaces);
}

}  // namespace

namespace {

// Strings on a banded page equal the same strings on one surface, in both
// depths: strings wholly inside one band (the first, a middle one, the
// last), strings across band edges, strings drawn by Unicode text and by
// glyphs, with an underline and an opaque box. A band that a string
// misses skips it; every band it touches draws its part.
TEST_F(DcTest, BandedTextEqualsOneSurface) {
  std::ifstream in("/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf", std::ios::binary);
  auto font_bytes = std::make_shared<std::vector<uint8_t>>(std::istreambuf_iterator<char>(in),
                                                           std::istreambuf_iterator<char>());
  ASSERT_FALSE(font_bytes->empty());
  auto draw = [&](eng::PrinterDc& dc) {
    eng::FontSpec small;
    small.data = font_bytes;
    small.height = -9;
    ASSERT_TRUE(dc.SelectFont(small));
    for (double y : {7.0, 14.5, 16.0, 23.0, 31.4, 40.0, 47.0})  // bands of 10 rows: 0-10, 10-20, ...
      ASSERT_TRUE(dc.TextOut(1 + y / 3, y, u"WMgy", 0x000000));
    eng::FontSpec big = small;
    big.height = -26;
    ASSERT_TRUE(dc.SelectFont(big));
    eng::TextOptions boxed;
    boxed.opaque = true;
    boxed.opaque_rect = RECTL{30, 12, 62, 38};
    boxed.background = 0xC0C0C0;
    boxed.underline = true;
    ASSERT_TRUE(dc.TextOut(32, 33, u"Ag", 0x000000, boxed));
    const std::vector<HGLYPH> hg = dc.selected_font()->GlyphsOf(u"Q");
    ASSERT_EQ(hg.size(), 1u);
    ASSERT_TRUE(dc.GlyphsOut({eng::GlyphAt{hg[0], 44.3, 47.6}}, 0x0000FF));
  };
  for (int32_t bits : {24, 1}) {
    const std::vector<uint8_t> page = BandedPageEqualsOneSurface(bits, 10, draw);
    ASSERT_FALSE(page.empty());
    size_t white = 0;
    for (uint8_t b : page) white += b == 0xFF;
    EXPECT_LT(white, page.size() * 9 / 10) << bits;
  }
}

}  // namespace

namespace {

// A document's font read again for a later page (the same bytes in a new
// buffer) draws as a first reading of it does: the glyphs it takes over
// from the earlier reading are those of its own size, and glyphs the
// earlier page never drew are made for it.
TEST_F(DcTest, AFontReadAgainDrawsAsAFreshReading) {
  std::ifstream in("/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf", std::ios::binary);
  const std::vector<uint8_t> file{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  ASSERT_FALSE(file.empty());
  auto reading = [&] { return std::make_shared<const std::vector<uint8_t>>(file); };
  auto second_page = [&](eng::PrinterDc& dc) {
    eng::FontSpec same;
    same.data = reading();
    same.height = -16;
    ASSERT_TRUE(dc.SelectFont(same));
    ASSERT_TRUE(dc.TextOut(2, 20, u"MWgyQ", 0x000000));
    eng::FontSpec bigger;
    bigger.data = reading();
    bigger.height = -30;
    ASSERT_TRUE(dc.SelectFont(bigger));
    ASSERT_TRUE(dc.TextOut(2, 46, u"MWg", 0x000000));
  };
  for (int32_t bits : {1, 24}) {
    std::vector<uint8_t> pages[2];
    for (int earlier = 0; earlier < 2; ++earlier) {
      TestDrvConfig cfg;
      cfg.bits = bits;
      cfg.banding = true;
      cfg.band = 10;
      Configure(cfg);
      auto dc = Open();
      ASSERT_NE(dc, nullptr);
      ASSERT_TRUE(dc->StartDoc(u"d", 1));
      if (earlier) {
        eng::FontSpec first;
        first.data = reading();
        first.height = -16;
        ASSERT_TRUE(dc->SelectFont(first));
        ASSERT_TRUE(dc->StartPage());
        ASSERT_TRUE(dc->TextOut(5, 30, u"MWgy", 0x000000));
        ASSERT_TRUE(dc->EndPage());
      }
      ASSERT_TRUE(dc->StartPage());
      second_page(*dc);
      ASSERT_TRUE(dc->EndPage());
      ASSERT_TRUE(dc->EndDoc());
      pages[earlier] = Page();
    }
    ASSERT_FALSE(pages[0].empty());
    EXPECT_EQ(pages[0], pages[1]) << bits;
    size_t white = 0;
    for (uint8_t b : pages[0]) white += b == 0xFF;
    EXPECT_LT(white, pages[0].size() * 95 / 100) << bits;
  }
}

}  // namespace
