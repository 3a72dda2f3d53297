// The host's PDF reader with the engine: a PDF made with cairo is read back,
// rendered by MuPDF, and drawn through the printer DC into a test driver's
// bands; the page the driver gets equals MuPDF's render, pixel for pixel.
#include <cairo-pdf.h>
#include <cairo.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "eng/dc.h"
#include "eng_test_util.h"
#include "pdf_document.h"
#include "plat/kernel.h"
#include "temp_machine.h"
#include "test_driver.h"
#include "test_driver_fixture.h"

namespace {


// Two pages of 144 x 108 points: shapes in colour and grey.
std::string MakePdf(const std::string& dir) {
  std::string path = dir + "/sample.pdf";
  cairo_surface_t* s = cairo_pdf_surface_create(path.c_str(), 144, 108);
  cairo_t* cr = cairo_create(s);
  cairo_set_source_rgb(cr, 0.9, 0.2, 0.1);
  cairo_rectangle(cr, 10, 10, 60, 40);
  cairo_fill(cr);
  cairo_set_source_rgb(cr, 0.1, 0.3, 0.8);
  cairo_arc(cr, 100, 60, 30, 0, 2 * M_PI);
  cairo_fill(cr);
  cairo_set_source_rgb(cr, 0, 0, 0);
  cairo_set_line_width(cr, 3);
  cairo_move_to(cr, 5, 100);
  cairo_line_to(cr, 140, 70);
  cairo_stroke(cr);
  cairo_show_page(cr);
  cairo_set_source_rgb(cr, 0.3, 0.3, 0.3);
  cairo_rectangle(cr, 20, 20, 100, 60);
  cairo_fill(cr);
  cairo_show_page(cr);
  cairo_destroy(cr);
  cairo_surface_destroy(s);
  return path;
}

class PdfTest : public TestDriverFixture {
 protected:
  void SetUp() override {
    TestDriverFixture::SetUp();
    pdf_ = MakePdf(machine_.root());
  }
  std::string pdf_;
};

TEST_F(PdfTest, ReadsPagesAndSizes) {
  std::string error;
  auto doc = velm::PdfDocument::Open(pdf_, &error);
  ASSERT_NE(doc, nullptr) << error;
  EXPECT_EQ(doc->PageCount(), 2);
  double w = 0, h = 0;
  ASSERT_TRUE(doc->PageSize(1, &w, &h, &error));
  EXPECT_NEAR(w, 144, 0.01);
  EXPECT_NEAR(h, 108, 0.01);
  EXPECT_FALSE(doc->PageSize(2, &w, &h, &error));
  velm::PageImage img;
  EXPECT_FALSE(doc->Render(-1, 100, 24, &img, &error));
  EXPECT_FALSE(doc->Render(0, 100, 8, &img, &error));
  // Page 2 at 50 dpi: 100 x 75 pixels, a dark grey box from (14, 14) to
  // (83, 56), black in one bit.
  ASSERT_TRUE(doc->Render(1, 50, 24, &img, &error)) << error;
  EXPECT_EQ(img.width, 100);
  EXPECT_EQ(img.height, 75);
  EXPECT_EQ(img.stride, 300);
  const uint8_t* mid = &img.data[size_t(37) * 300 + 50 * 3];
  EXPECT_NEAR(mid[0], 77, 2);
  EXPECT_EQ(mid[0], mid[2]);
  EXPECT_EQ(img.data[0], 0xFF);
  ASSERT_TRUE(doc->Render(1, 50, 1, &img, &error));
  EXPECT_EQ(img.stride, 16);
  EXPECT_EQ(img.data[0] & 0x80, 0x80);                          // white corner
  EXPECT_EQ(img.data[size_t(37) * 16 + 50 / 8] & (0x80 >> 2), 0);  // pixel 50 of row 37
}

TEST_F(PdfTest, RefusesWhatIsNotAPdf) {
  std::string error;
  EXPECT_EQ(velm::PdfDocument::Open(machine_.root() + "/missing.pdf", &error), nullptr);
  EXPECT_NE(error.find("missing.pdf"), std::string::npos);
  std::string junk = machine_.root() + "/junk.pdf";
  std::ofstream(junk) << "%PDF-1.4\nthis is no pdf\n";
  error.clear();
  auto doc = velm::PdfDocument::Open(junk, &error);
  if (doc) {
    // MuPDF repairs what it can; a file without pages has none.
    EXPECT_EQ(doc->PageCount(), 0);
  } else {
    EXPECT_FALSE(error.empty());
  }
}

TEST_F(PdfTest, PageThroughTheDcEqualsMupdfRender) {
  std::string error;
  auto doc = velm::PdfDocument::Open(pdf_, &error);
  ASSERT_NE(doc, nullptr) << error;
  for (int bits : {24, 1}) {
    velm::PageImage img;
    ASSERT_TRUE(doc->Render(0, 150, bits, &img, &error)) << error;
    TestDrvConfig cfg;
    cfg.bits = bits;
    cfg.width = img.width;
    cfg.height = img.height;
    cfg.band = 64;
    Configure(cfg);
    auto dc = Open();
    ASSERT_NE(dc, nullptr);
    ASSERT_TRUE(dc->banding());
    ASSERT_TRUE(dc->StartDoc(u"sample", 1));
    ASSERT_TRUE(dc->StartPage());
    eng::Image im{img.width, img.height, img.bits, img.stride, img.data.data()};
    ASSERT_TRUE(dc->DrawImage(im, RECTL{0, 0, img.width, img.height}, RECTL{0, 0, img.width, img.height}));
    ASSERT_TRUE(dc->EndPage());
    ASSERT_TRUE(dc->EndDoc());
    int32_t stride = 0;
    const std::vector<uint8_t> page = Page(&stride);
    ASSERT_EQ(stride, img.stride) << bits;
    EXPECT_EQ(page, img.data) << bits;
    const size_t size = page.size();
    // The page holds both ink and paper.
    size_t white = 0;
    for (uint8_t b : img.data) white += b == 0xFF;
    EXPECT_GT(white, size / 4);
    EXPECT_LT(white, size);
  }
}

}  // namespace
