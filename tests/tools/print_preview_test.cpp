// A printed document against the document, end to end: a PDF of four pages
// (Latin text, Japanese text, vector drawing, images) printed with "velm
// print" in vector mode and in raster mode, each page of the job drawn with
// "velm job render" and compared with MuPDF's render of the same page at the
// same resolution.
//
// The measure: both pictures are blurred with a 3 x 3 box (edges that
// anti-aliasing and rounding move by a pixel then still meet); a pixel
// differs when any colour channel differs by more than 64 of 255. The share
// of differing pixels among the inked ones (darker than 224 in either
// picture) must stay under each page's threshold, and both pictures must
// hold ink.
#include <cairo.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "mupdf_render.h"
#include "png_picture.h"
#include "test_support.h"
#include "velm_run.h"

namespace {

constexpr int kDpi = 100;  // both pictures are drawn at this resolution

using Output = test_support::VelmOutput;

using test_support::ReadFile;
using test_support::ReadPng;
using test_support::Rgb;

// The part of a picture at (left, top) of width x height.
Rgb Crop(const Rgb& in, int left, int top, int width, int height) {
  Rgb out;
  if (left < 0 || top < 0 || left + width > in.width || top + height > in.height) return out;
  out.width = width;
  out.height = height;
  for (int y = 0; y < height; ++y) {
    const uint8_t* row = in.At(left, top + y);
    out.px.insert(out.px.end(), row, row + size_t(width) * 3);
  }
  return out;
}

// MuPDF's render of a page (0-based) at dpi, moved by (-ox, -oy) pixels of
// that resolution, cut to width x height: the part of the page that a job's
// printable area covers.
Rgb MupdfPage(const std::string& pdf, int page, int dpi, double ox, double oy, int width, int height) {
  test_support::MupdfRender m = test_support::RenderMupdfPage(pdf, page, dpi, false, ox, oy, width, height);
  Rgb r;
  r.width = m.width;
  r.height = m.height;
  r.px = std::move(m.samples);
  return r;
}

// 3 x 3 box blur, the edge pixels repeated.
Rgb Blur(const Rgb& in) {
  Rgb out = in;
  for (int y = 0; y < in.height; ++y) {
    for (int x = 0; x < in.width; ++x) {
      for (int c = 0; c < 3; ++c) {
        int sum = 0;
        for (int dy = -1; dy <= 1; ++dy) {
          for (int dx = -1; dx <= 1; ++dx) {
            const int xx = std::clamp(x + dx, 0, in.width - 1), yy = std::clamp(y + dy, 0, in.height - 1);
            sum += in.At(xx, yy)[c];
          }
        }
        out.px[(size_t(y) * in.width + x) * 3 + c] = uint8_t(sum / 9);
      }
    }
  }
  return out;
}

struct Comparison {
  size_t inked = 0, differing = 0, jobInk = 0, docInk = 0;
  double Share() const { return inked ? double(differing) / double(inked) : 1.0; }
};

// Both pictures cover the job's printable area.
Comparison Compare(const Rgb& job, const Rgb& doc) {
  const Rgb a = Blur(job), b = Blur(doc);
  Comparison c;
  static const uint8_t kWhite[3] = {255, 255, 255};
  for (int y = 0; y < a.height; ++y) {
    for (int x = 0; x < a.width; ++x) {
      const uint8_t* p = a.At(x, y);
      const uint8_t* q = x < b.width && y < b.height ? b.At(x, y) : kWhite;
      const bool ink_p = std::min({p[0], p[1], p[2]}) < 224, ink_q = std::min({q[0], q[1], q[2]}) < 224;
      c.jobInk += ink_p;
      c.docInk += ink_q;
      if (!ink_p && !ink_q) continue;
      ++c.inked;
      int diff = 0;
      for (int k = 0; k < 3; ++k) diff = std::max(diff, std::abs(int(p[k]) - int(q[k])));
      c.differing += diff > 64;
    }
  }
  return c;
}

// A picture in its grey levels (the luminance in each channel), as a
// one-bit job prints every colour.
Rgb Greyed(Rgb picture) {
  for (size_t i = 0; i + 2 < picture.px.size(); i += 3) {
    const uint8_t* p = &picture.px[i];
    const uint8_t l = uint8_t((299 * p[0] + 587 * p[1] + 114 * p[2]) / 1000);
    picture.px[i] = picture.px[i + 1] = picture.px[i + 2] = l;
  }
  return picture;
}

struct PageCase {
  const char* name;
  int page;
  double threshold;  // largest share of differing inked pixels
};

class PrintPreview : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = new test_support::TempFolder("velm-preview");
    machine_ = folder_->path() + "/machine";
    pdf_ = folder_->path() + "/kinds.pdf";
    ASSERT_EQ(Run("machine init " + machine_).rc, 0);
    Output add = Run("printer add Office --model " VELM_REFERENCE_MODEL);
    ASSERT_EQ(add.rc, 0) << add.err;
    ASSERT_EQ(Run("devmode set Office vdmDstResolutionW=300 -o " + Path("300dpi.dm")).rc, 0);
    ASSERT_EQ(Run("devmode set Office vdmDstResolutionW=600 vdmColorProcess=1 dmColor=1 -o " + Path("mono600.dm")).rc,
              0);
    ASSERT_EQ(std::system((std::string(MAKE_TEST_PDF " ") + pdf_ + " --kinds").c_str()), 0);
  }
  static void TearDownTestSuite() {
    delete folder_;
    folder_ = nullptr;
  }
  static std::string Path(const std::string& name) { return folder_->path() + "/" + name; }

  static Output Run(const std::string& args) {
    return test_support::RunVelm(VELM_TOOL, machine_, args, folder_->path());
  }

  // Prints the document in a mode and compares the pages of the cases.
  static void CheckMode(const std::string& mode, const std::vector<PageCase>& cases) {
    const std::string job = Path("job-" + mode);
    Output o = Run("print Office " + pdf_ + " -o " + job + " --devmode " + Path("300dpi.dm") + " --mode " + mode);
    ASSERT_EQ(o.rc, 0) << o.err;
    // "page N: W x H pixels at D dpi, B-bit, printable area AW x AH at (X,Y)"
    std::regex line(R"(page (\d+): \d+ x \d+ pixels at (\d+) dpi, \d+-bit, printable area \d+ x \d+ at \((\d+),(\d+)\))");
    std::vector<std::smatch> reports;
    for (std::sregex_iterator it(o.out.begin(), o.out.end(), line), end; it != end; ++it) reports.push_back(*it);
    ASSERT_EQ(reports.size(), 4u) << o.out;
    Output past = Run("job render " + job + " --page 5 -o " + Path("none.png"));
    EXPECT_NE(past.rc, 0);
    EXPECT_NE(past.err.find("the job has 4 pages, no page 5"), std::string::npos) << past.err;
    for (const PageCase& c : cases) {
      SCOPED_TRACE(mode + " mode, " + c.name);
      const std::smatch& rep = reports[size_t(c.page - 1)];
      const int dpi = std::stoi(rep[2]);
      const double ox = std::stoi(rep[3]) * double(kDpi) / dpi, oy = std::stoi(rep[4]) * double(kDpi) / dpi;
      const std::string png = Path(mode + "-" + std::to_string(c.page) + ".png");
      Output r = Run("job render " + job + " --page " + std::to_string(c.page) + " --dpi " + std::to_string(kDpi) +
                     " -o " + png);
      ASSERT_EQ(r.rc, 0) << r.err;
      // The picture is the whole sheet; the comparison takes its printable
      // area, which the preview reports.
      std::smatch area;
      ASSERT_TRUE(std::regex_search(r.out, area, std::regex(R"(printable area (\d+) x (\d+) at \((\d+),(\d+)\))")))
          << r.out;
      const Rgb sheet = ReadPng(png);
      ASSERT_GT(sheet.width, std::stoi(area[1]));  // the margin is drawn too
      const Rgb picture = Crop(sheet, std::stoi(area[3]), std::stoi(area[4]), std::stoi(area[1]), std::stoi(area[2]));
      ASSERT_GT(picture.width, 0);
      const Rgb doc = MupdfPage(pdf_, c.page - 1, kDpi, ox, oy, picture.width, picture.height);
      ASSERT_GT(doc.width, 0);
      const Comparison cmp = Compare(picture, doc);
      std::printf("%s mode, %s: %zu of %zu inked pixels differ (%.2f%%), threshold %.1f%%\n", mode.c_str(), c.name,
                  cmp.differing, cmp.inked, 100 * cmp.Share(), 100 * c.threshold);
      EXPECT_GT(cmp.docInk, 1000u);
      EXPECT_GT(cmp.jobInk, cmp.docInk / 2) << "the job's page lacks most of the ink";
      EXPECT_LE(cmp.Share(), c.threshold) << r.err;
    }
  }

  // The one page of a job printed at 600 dpi (its printable area 100 dots
  // in from the paper's corner), drawn by "velm job render", against
  // MuPDF's render of the document's page (0-based).
  // grey: both pictures compared in their grey levels (a one-bit raster
  // job prints the document's colours as dithers of their grey).
  static Comparison JobPageAgainstDocument(const std::string& job, const std::string& pdf, int doc_page,
                                           bool grey = false) {
    const std::string png = job + ".png";
    Output r = Run("job render " + job + " --dpi " + std::to_string(kDpi) + " -o " + png);
    EXPECT_EQ(r.rc, 0) << r.err;
    std::smatch area;
    if (!std::regex_search(r.out, area, std::regex(R"(printable area (\d+) x (\d+) at \((\d+),(\d+)\))"))) {
      ADD_FAILURE() << r.out;
      return Comparison{};
    }
    const Rgb picture =
        Crop(ReadPng(png), std::stoi(area[3]), std::stoi(area[4]), std::stoi(area[1]), std::stoi(area[2]));
    const double edge = 100.0 * kDpi / 600;
    const Rgb doc = MupdfPage(pdf, doc_page, kDpi, edge, edge, picture.width, picture.height);
    EXPECT_GT(picture.width, 0);
    EXPECT_GT(doc.width, 0);
    return grey ? Compare(Greyed(picture), Greyed(doc)) : Compare(picture, doc);
  }

  static test_support::TempFolder* folder_;
  static std::string machine_, pdf_;
};

test_support::TempFolder* PrintPreview::folder_ = nullptr;
std::string PrintPreview::machine_, PrintPreview::pdf_;

const std::vector<PageCase> kPages = {
    {"Latin text", 1, 0.04},
    {"Japanese text", 2, 0.04},
    {"vector drawing", 3, 0.05},
    {"images", 4, 0.03},
};

TEST_F(PrintPreview, VectorModeMatchesTheDocument) { CheckMode("vector", kPages); }

TEST_F(PrintPreview, RasterModeMatchesTheDocument) { CheckMode("raster", kPages); }

// Text in a face the document names but does not hold goes, in vector mode,
// as character codes in the printer's font of that face when the printer
// has one, under any of the face's usual names; else as the outlines of the
// font MuPDF put in its place.
TEST_F(PrintPreview, TextInANonEmbeddedFaceTheDeviceHasGoesAsCharacterCodes) {
  const struct {
    const char* base_font;
    const char* select;  // the font select the job must hold
  } cases[] = {
      {"MS-Mincho", "kind=2 italic=0 bold=0 bold2=0 glyph_index=0 vertical=0 weight=400 angle=0 em_width=200 "
                    "em_height=200 internal_leading=0 default_char=12539 face=\"明朝\""},
      {"Ryumin-Light", "kind=2 italic=0 bold=0 bold2=0 glyph_index=0 vertical=0 weight=400 angle=0 em_width=200 "
                       "em_height=200 internal_leading=0 default_char=12539 face=\"明朝\""},
      // "ＭＳ 明朝" in code page 932, as a PDF name.
      {"#82l#82r#20#96#BE#92#A9", "face=\"明朝\""},
      {"MS-Gothic", "face=\"ｺﾞｼｯｸ\""},
      {"GothicBBB-Medium", "face=\"ｺﾞｼｯｸ\""},
      {"NoSuchFace", "kind=4"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.base_font);
    const std::string pdf = Path(std::string("text-") + c.base_font + ".pdf"), job = pdf + ".job";
    ASSERT_EQ(std::system((std::string(MAKE_TEST_PDF " --device-text ") + pdf + " '" + c.base_font + "'").c_str()), 0);
    Output o = Run("print Office " + pdf + " -o " + job + " --mode vector");
    ASSERT_EQ(o.rc, 0) << o.err;
    EXPECT_NE(o.out.find("0 areas rendered by MuPDF"), std::string::npos) << o.out;
    Output dump = Run("job dump " + job);
    ASSERT_EQ(dump.rc, 0) << dump.err;
    EXPECT_NE(dump.out.find(c.select), std::string::npos) << dump.out;
    const bool device = std::string(c.select).find("kind=4") == std::string::npos;
    // Each line one string of its characters' codes (明朝体の文字を印刷します ...).
    EXPECT_EQ(dump.out.find("chars=[26126,26397,20307,12398,25991,23383,12434,21360,21047,12375,12414,12377]") !=
                  std::string::npos,
              device)
        << dump.out;
    EXPECT_EQ(dump.out.find("record 51 char-cell") == std::string::npos, device) << dump.out;
  }

  // The preview draws the printer's Mincho in its stand-in face, IPA
  // Mincho: the page is the same text in IPA Mincho at the same places.
  const std::string ipa = Path("text-ipa.pdf"), png = Path("text-MS-Mincho.png");
  ASSERT_EQ(std::system((std::string(MAKE_TEST_PDF " --ipa-text ") + ipa).c_str()), 0);
  Output r = Run("job render " + Path("text-MS-Mincho.pdf.job") + " --dpi " + std::to_string(kDpi) + " -o " + png);
  ASSERT_EQ(r.rc, 0) << r.err;
  // The picture is the whole sheet; the comparison takes its printable area.
  std::smatch area;
  ASSERT_TRUE(std::regex_search(r.out, area, std::regex(R"(printable area (\d+) x (\d+) at \((\d+),(\d+)\))")))
      << r.out;
  const Rgb picture =
      Crop(ReadPng(png), std::stoi(area[3]), std::stoi(area[4]), std::stoi(area[1]), std::stoi(area[2]));
  ASSERT_GT(picture.width, 0);
  // The printable area starts 100 dots (at 600 dpi) in from the corner.
  const double edge = 100.0 * kDpi / 600;
  const Rgb doc = MupdfPage(ipa, 0, kDpi, edge, edge, picture.width, picture.height);
  ASSERT_GT(doc.width, 0);
  const Comparison cmp = Compare(picture, doc);
  std::printf("device Mincho against IPA Mincho: %zu of %zu inked pixels differ (%.2f%%)\n", cmp.differing,
              cmp.inked, 100 * cmp.Share());
  EXPECT_GT(cmp.docInk, 1000u);
  EXPECT_GT(cmp.jobInk, cmp.docInk / 2);
  EXPECT_LE(cmp.Share(), 0.03);
}

// Stencil masks in a monochrome job (600 dpi, one bit), none going as
// MuPDF's render of its area. In vector mode each goes as its colour through
// a one-bit mask at the job's resolution (an image record of one bit under
// ROP 0xE2, brush where the mask is set, page elsewhere); in raster mode the
// brush goes through the same mask onto the bands. Either page matches
// MuPDF's render (the raster one in grey levels, as it prints colours): the
// interpolated mask's smooth edges, the nearest-pixel mask's steps, the
// circle clip, and the green square that shows around the mask over it.
TEST_F(PrintPreview, StencilMasksInAMonochromeJobGoAsOneBitMasks) {
  const std::string pdf = Path("stencils.pdf");
  ASSERT_EQ(std::system((std::string(MAKE_TEST_PDF " --stencils ") + pdf).c_str()), 0);
  for (const std::string mode : {"vector", "raster"}) {
    SCOPED_TRACE(mode + " mode");
    const std::string job = Path("stencils-" + mode + ".job");
    Output o = Run("print Office " + pdf + " -o " + job + " --devmode " + Path("mono600.dm") + " --mode " + mode);
    ASSERT_EQ(o.rc, 0) << o.err;
    EXPECT_NE(o.out.find("600 dpi, 1-bit"), std::string::npos) << o.out;
    EXPECT_NE(o.out.find(" 3 images, 0 patterns, 0 glyph strings, 0 text runs as outlines, 0 areas rendered by MuPDF"),
              std::string::npos)
        << o.out;
    if (mode == "vector") {
      Output dump = Run("job dump " + job);
      ASSERT_EQ(dump.rc, 0) << dump.err;
      size_t masks = 0;
      std::istringstream lines(dump.out);
      for (std::string l; std::getline(lines, l);) {
        if (l.find("record 20 image") == std::string::npos) continue;
        EXPECT_NE(l.find(" bits=1 "), std::string::npos) << l;
        EXPECT_NE(l.find(" rop=1 "), std::string::npos) << l;
        ++masks;
      }
      EXPECT_EQ(masks, 3u) << dump.out;
      EXPECT_NE(dump.out.find("rop3=0xe2"), std::string::npos) << dump.out;
    }
    const Comparison cmp = JobPageAgainstDocument(job, pdf, 0, mode == "raster");
    std::printf("stencil masks, %s: %zu of %zu inked pixels differ (%.2f%%)\n", mode.c_str(), cmp.differing,
                cmp.inked, 100 * cmp.Share());
    EXPECT_GT(cmp.docInk, 1000u);
    EXPECT_GT(cmp.jobInk, cmp.docInk / 2);
    EXPECT_LE(cmp.Share(), 0.02);
  }
}

// A tiling pattern whose cell is no whole number of pixels (the vector
// page's 8-point checker cell is 66.67 dots at 600 dpi) in a monochrome
// vector job: three cells across and down make 200 dots, and the area the
// pattern fills goes as one image of that block repeated, at one bit with
// the block's two colours, none as MuPDF's render of the area; the page
// matches MuPDF's render.
TEST_F(PrintPreview, PatternOfCellsOffThePixelGridGoesAsAnImageOfABlockOfCells) {
  const std::string job = Path("pattern.job");
  Output o = Run("print Office " + pdf_ + " -o " + job + " --devmode " + Path("mono600.dm") +
                 " --mode vector --pages 3");
  ASSERT_EQ(o.rc, 0) << o.err;
  EXPECT_NE(o.out.find(" 0 images, 1 patterns, 0 glyph strings, 0 text runs as outlines, 0 areas rendered by MuPDF"),
            std::string::npos)
      << o.out;
  Output dump = Run("job dump " + job);
  ASSERT_EQ(dump.rc, 0) << dump.err;
  // The pattern's area (260 x 160 points at (260, 600)) and a pixel to
  // spare, less the printable area's 100 dots.
  EXPECT_NE(dump.out.find(" bits=1 grey=0 no_palette=0 rop=1 band=0 host_icm=0 left=2065 top=4899 right=4235 "
                          "bottom=6235 src_x=0 src_y=0 width=2170 rows=1336 "),
            std::string::npos)
      << dump.out;
  // Its palette: the cell's dark blue and white (blue, green, red), in either order.
  EXPECT_TRUE(dump.out.find("palette_entries=2 palette=990000ffffff") != std::string::npos ||
              dump.out.find("palette_entries=2 palette=ffffff990000") != std::string::npos)
      << dump.out;

  const Comparison cmp = JobPageAgainstDocument(job, pdf_, 2);
  std::printf("pattern page: %zu of %zu inked pixels differ (%.2f%%)\n", cmp.differing, cmp.inked,
              100 * cmp.Share());
  EXPECT_GT(cmp.docInk, 1000u);
  EXPECT_GT(cmp.jobInk, cmp.docInk / 2);
  EXPECT_LE(cmp.Share(), 0.04);
}

}  // namespace
