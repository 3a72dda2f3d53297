// Raster banding: the band origins of a page, one image record per band with
// the band's rectangle and pixels, grey for 24-bit bands on a monochrome
// device, the white refill, and the page begun or ended by the band walk.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "ctx_test_model.h"
#include "ddi_test_support.h"
#include "plat/kernel.h"

namespace {

using ddi_test::Band;
using ddi_test::ImageRecords;
using ddi_test::MakePdev;
using ddi_test::PageSetup;

constexpr int32_t kWidth = 64;  // narrow pages keep the bands small

class DdiBanding : public ::testing::Test {
 protected:
  void SetUp() override { plat::ClearFaults(); }
  void TearDown() override {
    band_.reset();
    if (pdev_) PdevDestroy(pdev_);
    plat::ClearFaults();
  }

  // A raster page of the given height with bands of band_height rows, its
  // page open as after the page start, output to the recorder.
  void Page(const PageSetup& setup, int32_t band_height, ULONG format = BMF_1BPP) {
    pdev_ = MakePdev(setup);
    ASSERT_NE(pdev_, nullptr);
    pdev_->context = model_.ctx;
    ddi_test::Bind(pdev_, &spool_);
    band_ = std::make_unique<Band>(pdev_, setup.width, band_height, format);
    ASSERT_NE(band_->so, nullptr);
    DlInit(&pdev_->stream);
    pdev_->flags |= kPdevDocStarted | kPdevPageOpen;
    pdev_->pageCount = 1;
    pdev_->pageBegunByBanding = 1;
  }

  // Runs the band walk; draw(band index) may paint into the band before it
  // is finished. The origins the driver answered, the last (-1, -1) included.
  std::vector<POINTL> Walk(const std::function<void(int)>& draw = nullptr, BOOL* last_result = nullptr) {
    std::vector<POINTL> origins;
    POINTL origin{7, 7};
    EXPECT_TRUE(DrvStartBanding(band_->so, &origin));
    origins.push_back(origin);
    for (int i = 0; i < 100000 && !(origin.x == -1 && origin.y == -1); ++i) {
      if (draw) draw(i);
      BOOL ok = DrvNextBand(band_->so, &origin);
      origins.push_back(origin);
      if (!(origin.x == -1 && origin.y == -1)) {
        EXPECT_TRUE(ok) << "band " << i;
      } else if (last_result) {
        *last_result = ok;
      }
    }
    return origins;
  }

  jobread::Stream Read() {
    jobread::Stream out;
    jobread::Error error;
    EXPECT_TRUE(jobread::ReadStream(spool_.bytes.data(), spool_.bytes.size(), &out, &error))
        << error.offset << ": " << error.message;
    return out;
  }

  uint8_t* Row(int32_t y) { return static_cast<uint8_t*>(band_->so->pvScan0) + ptrdiff_t(y) * band_->so->lDelta; }

  ctx_test::ModelContext model_{"*FileVersion: 1.0\n"};
  Pdev* pdev_ = nullptr;
  std::unique_ptr<Band> band_;
  grtest::SpoolRecorder spool_;
};

TEST_F(DdiBanding, OriginsAndOneImageRecordPerBand) {
  struct Case {
    const char* name;
    int32_t height, band;
    std::vector<int32_t> tops;
  } cases[] = {
      {"A4 at 600 dpi", 7016, 512, {}},
      // A page that ends exactly at a band's end gets one more band below it.
      {"two whole bands", 1024, 512, {0, 512, 1024}},
      {"a page below one band", 300, 300, {0, 300}},
      {"a short last band", 1000, 512, {0, 512}},
  };
  cases[0].tops.clear();
  for (int32_t y = 0; y <= 6656; y += 512) cases[0].tops.push_back(y);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    spool_ = grtest::SpoolRecorder{};
    PageSetup setup;
    setup.width = kWidth;
    setup.height = c.height;
    Page(setup, c.band);
    std::vector<POINTL> origins = Walk();
    ASSERT_EQ(origins.size(), c.tops.size() + 1);
    for (size_t i = 0; i < c.tops.size(); ++i) {
      EXPECT_EQ(origins[i].x, 0);
      EXPECT_EQ(origins[i].y, c.tops[i]);
    }
    EXPECT_EQ(origins.back().x, -1);
    EXPECT_EQ(origins.back().y, -1);
    EXPECT_EQ(pdev_->bandCount, int32_t(c.tops.size()));

    std::vector<jobread::Record> images = ImageRecords(Read());
    ASSERT_EQ(images.size(), c.tops.size());
    for (size_t i = 0; i < images.size(); ++i) {
      const jobread::Record& r = images[i];
      EXPECT_EQ(r.Int("left"), 0);
      EXPECT_EQ(r.Int("top"), c.tops[i]);
      EXPECT_EQ(r.Int("right"), kWidth);
      EXPECT_EQ(r.Int("bottom"), c.tops[i] + c.band);
      EXPECT_EQ(r.Int("band"), 1) << "byte 3 carries the raster band flag";
      EXPECT_EQ(r.Int("no_palette"), 1);
      EXPECT_EQ(r.Int("depth"), 0);
      EXPECT_EQ(r.Int("src_x"), 0);
      EXPECT_EQ(r.Int("src_y"), 0);
      EXPECT_EQ(r.Int("width"), kWidth);
      EXPECT_EQ(r.Int("rows"), c.band);
      EXPECT_EQ(r.Int("rop"), 0);
      EXPECT_EQ(r.Int("reduced"), 0);
    }
    band_.reset();
    PdevDestroy(pdev_);
    pdev_ = nullptr;
  }
}

// The bytes of each record are the band as drawn; the band is white again
// before the next one.
TEST_F(DdiBanding, BandPixelsAndWhiteRefill) {
  PageSetup setup;
  setup.width = kWidth;
  setup.height = 64;
  Page(setup, 32);
  std::vector<std::vector<uint8_t>> drawn;
  Walk([&](int band) {
    const int64_t bytes = int64_t(band_->so->cjBits);
    std::vector<uint8_t> before(static_cast<uint8_t*>(band_->so->pvBits),
                                static_cast<uint8_t*>(band_->so->pvBits) + bytes);
    EXPECT_EQ(before, std::vector<uint8_t>(size_t(bytes), 0xFF)) << "band " << band << " starts white";
    if (band == 0) {
      Row(0)[0] = 0x7F;   // the top-left pixel black
      Row(31)[7] = 0xFE;  // the bottom-right pixel black
    }
    drawn.emplace_back(static_cast<uint8_t*>(band_->so->pvBits), static_cast<uint8_t*>(band_->so->pvBits) + bytes);
  });
  std::vector<jobread::Record> images = ImageRecords(Read());
  ASSERT_EQ(images.size(), 3u);
  for (size_t i = 0; i < images.size(); ++i) EXPECT_EQ(images[i].Bytes("pixels"), drawn[i]) << "band " << i;
  EXPECT_EQ(images[2].Bytes("pixels"), std::vector<uint8_t>(drawn[2].size(), 0xFF)) << "the band below the page";
  const uint8_t* bits = static_cast<uint8_t*>(band_->so->pvBits);
  EXPECT_EQ(std::vector<uint8_t>(bits, bits + band_->so->cjBits), std::vector<uint8_t>(band_->so->cjBits, 0xFF));
}

// 24-bit bands go out as they are on a colour device, as grey levels on a
// monochrome one.
TEST_F(DdiBanding, ColourBandsAndGreyOnMonochrome) {
  struct Case {
    const char* name;
    uint32_t machineColor, color;
    bool grey;
  } cases[] = {
      {"colour device, colour page", 1, 2, false},
      {"monochrome device", 0, 2, true},
      {"monochrome page", 1, 1, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    spool_ = grtest::SpoolRecorder{};
    PageSetup setup;
    setup.width = 5;
    setup.height = 2;
    setup.colorProcess = 2;
    setup.color = c.color;
    setup.machineColor = c.machineColor;
    Page(setup, 2, BMF_24BPP);
    Walk([&](int band) {
      if (band != 0) return;
      const uint8_t px[5][3] = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {10, 20, 30}};  // B, G, R
      std::memcpy(Row(1), px, sizeof px);
    });
    std::vector<jobread::Record> images = ImageRecords(Read());
    ASSERT_EQ(images.size(), 2u);
    const jobread::Record& r = images[0];
    EXPECT_EQ(r.Int("band"), 1);
    EXPECT_EQ(r.Int("no_palette"), 1);
    std::vector<uint8_t> pixels = r.Bytes("pixels");
    if (c.grey) {
      EXPECT_EQ(r.Int("depth"), 2);
      EXPECT_EQ(r.Int("grey"), 1);
      ASSERT_EQ(pixels.size(), 16u);  // two rows of 5 grey bytes padded to 8
      EXPECT_EQ(std::vector<uint8_t>(pixels.begin(), pixels.begin() + 5), std::vector<uint8_t>(5, 0xFF));
      // (306 R + 601 G + 117 B) >> 10
      EXPECT_EQ(std::vector<uint8_t>(pixels.begin() + 8, pixels.begin() + 13),
                (std::vector<uint8_t>{0, 29, 149, 76, (306 * 30 + 601 * 20 + 117 * 10) >> 10}));
    } else {
      EXPECT_EQ(r.Int("depth"), 4);
      EXPECT_EQ(r.Int("grey"), 0);
      ASSERT_EQ(pixels.size(), 32u);
      EXPECT_EQ(pixels[16 + 3], 255) << "second pixel's blue";
      EXPECT_EQ(pixels[16 + 12], 10);
    }
    band_.reset();
    PdevDestroy(pdev_);
    pdev_ = nullptr;
  }
}

// The band walk puts the page into source-copy with no clip, through the
// state caches: once per page.
TEST_F(DdiBanding, ClipResetAndSourceCopyOnce) {
  PageSetup setup;
  setup.width = kWidth;
  setup.height = 10;
  Page(setup, 10);
  pdev_->clipActive = true;
  Walk();
  std::vector<uint8_t> opcodes;
  for (const jobread::Record& r : Read().records) opcodes.push_back(r.opcode);
  EXPECT_EQ(opcodes, (std::vector<uint8_t>{kOpClipReset, kOpRop, kOpImage, kOpImage, kOpEndPage}));
  EXPECT_FALSE(pdev_->clipActive);
  EXPECT_EQ(pdev_->currentRop, 0xCC);

  // A state already in place is not sent again.
  spool_.bytes.clear();
  DlInit(&pdev_->stream);
  pdev_->flags |= kPdevPageOpen;
  pdev_->pageBegunByBanding = 1;
  Walk();
  opcodes.clear();
  for (const jobread::Record& r : Read().records) opcodes.push_back(r.opcode);
  EXPECT_EQ(opcodes, (std::vector<uint8_t>{kOpImage, kOpImage, kOpEndPage}));
}

// Under EMF spooling a page that reached the bands without a page start is
// begun by the band walk, once.
TEST_F(DdiBanding, EmfPageBegunByTheBands) {
  struct Case {
    const char* name;
    uint32_t emf;
    int32_t begun;
    int32_t pages;  // pages counted after the walk
  } cases[] = {
      {"EMF, page not begun", 1, 0, 1},
      {"EMF, page begun", 1, 1, 0},
      {"no EMF", 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    spool_ = grtest::SpoolRecorder{};
    PageSetup setup;
    setup.width = kWidth;
    setup.height = 10;
    Page(setup, 10);
    pdev_->flags &= ~kPdevPageOpen;
    pdev_->pageCount = 0;
    pdev_->emfSpool = c.emf;
    pdev_->pageBegunByBanding = c.begun;
    Walk();
    EXPECT_EQ(pdev_->pageBegunByBanding, 0) << "the mark is used up";
    int begin_pages = 0;
    for (const jobread::Record& r : Read().records) begin_pages += r.opcode == kOpBeginPage;
    EXPECT_EQ(begin_pages, c.pages);
    // The page end counts a page that was not open.
    EXPECT_EQ(pdev_->pageCount, 1);
    band_.reset();
    PdevDestroy(pdev_);
    pdev_ = nullptr;
  }
}

// The last band answers what the page end answers; a band that cannot be
// written fails its call.
TEST_F(DdiBanding, FailuresReachTheEngine) {
  PageSetup setup;
  setup.width = kWidth;
  setup.height = 10;
  Page(setup, 10);
  spool_.failAt = 1;  // the page's flush
  BOOL last = TRUE;
  Walk(nullptr, &last);
  EXPECT_FALSE(last);
  EXPECT_TRUE(pdev_->flags & kPdevOutputFailed);

  // Once output has failed, no band is taken.
  POINTL origin{0, 0};
  DrvStartBanding(band_->so, &origin);
  EXPECT_FALSE(DrvNextBand(band_->so, &origin));
}

TEST_F(DdiBanding, ImageWriterRefusesForeignRows) {
  PageSetup setup;
  setup.width = kWidth;
  setup.height = 10;
  Page(setup, 10);
  // Rows further apart than the record packs them.
  std::vector<uint8_t> bits(16 * 4, 0);
  HBITMAP loose = EngCreateBitmap(SIZEL{kWidth, 4}, 16, BMF_1BPP, BMF_TOPDOWN, bits.data());
  ASSERT_NE(loose, nullptr);
  SURFOBJ* so = EngLockSurface(loose);
  SetLastError(0);
  EXPECT_FALSE(GrWriteSurfaceImage(pdev_, so, RECTL{0, 0, kWidth, 4}, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  EngDeleteSurface(loose);
  HBITMAP deep = EngCreateBitmap(SIZEL{4, 4}, 0, BMF_32BPP, BMF_TOPDOWN, nullptr);
  EXPECT_FALSE(GrWriteSurfaceImage(pdev_, EngLockSurface(deep), RECTL{0, 0, 4, 4}, nullptr));
  EngDeleteSurface(deep);
  EXPECT_TRUE(ImageRecords(Read()).empty());
}

}  // namespace
