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

extern "C" {
#include <mupdf/fitz.h>
}

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

#include "test_support.h"

namespace {

constexpr int kDpi = 100;  // both pictures are drawn at this resolution

struct Output {
  int rc = -1;
  std::string out, err;
};

using test_support::ReadFile;

struct Rgb {
  int width = 0, height = 0;
  std::vector<uint8_t> px;  // 3 bytes a pixel
  const uint8_t* At(int x, int y) const { return px.data() + (size_t(y) * width + x) * 3; }
};

Rgb ReadPng(const std::string& path) {
  Rgb out;
  cairo_surface_t* s = cairo_image_surface_create_from_png(path.c_str());
  if (cairo_surface_status(s) == CAIRO_STATUS_SUCCESS) {
    out.width = cairo_image_surface_get_width(s);
    out.height = cairo_image_surface_get_height(s);
    const uint8_t* d = cairo_image_surface_get_data(s);
    const int stride = cairo_image_surface_get_stride(s);
    out.px.resize(size_t(out.width) * out.height * 3);
    for (int y = 0; y < out.height; ++y) {
      const auto* row = reinterpret_cast<const uint32_t*>(d + size_t(y) * stride);
      for (int x = 0; x < out.width; ++x) {
        uint8_t* p = out.px.data() + (size_t(y) * out.width + x) * 3;
        p[0] = uint8_t(row[x] >> 16);
        p[1] = uint8_t(row[x] >> 8);
        p[2] = uint8_t(row[x]);
      }
    }
  }
  cairo_surface_destroy(s);
  return out;
}

// MuPDF's render of a page (0-based) at dpi, moved by (-ox, -oy) pixels of
// that resolution (fractions kept), cut to width x height: the part of the
// page that a job's printable area covers.
Rgb MupdfPage(const std::string& pdf, int page, int dpi, double ox, double oy, int width, int height) {
  Rgb r;
  fz_context* ctx = fz_new_context(nullptr, nullptr, FZ_STORE_DEFAULT);
  if (!ctx) return r;
  fz_set_warning_callback(ctx, [](void*, const char*) {}, nullptr);
  fz_document* doc = nullptr;
  fz_pixmap* pix = nullptr;
  fz_var(doc);
  fz_var(pix);
  fz_try(ctx) {
    fz_register_document_handlers(ctx);
    doc = fz_open_document(ctx, pdf.c_str());
    const fz_matrix ctm = fz_concat(fz_scale(dpi / 72.0f, dpi / 72.0f), fz_translate(float(-ox), float(-oy)));
    fz_irect box{0, 0, width, height};
    pix = fz_new_pixmap_with_bbox(ctx, fz_device_rgb(ctx), box, nullptr, 0);
    fz_clear_pixmap_with_value(ctx, pix, 255);
    fz_device* dev = fz_new_draw_device(ctx, fz_identity, pix);
    fz_try(ctx) {
      fz_page* pg = fz_load_page(ctx, doc, page);
      fz_try(ctx) { fz_run_page(ctx, pg, dev, ctm, nullptr); }
      fz_always(ctx) { fz_drop_page(ctx, pg); }
      fz_catch(ctx) { fz_rethrow(ctx); }
      fz_close_device(ctx, dev);
    }
    fz_always(ctx) { fz_drop_device(ctx, dev); }
    fz_catch(ctx) { fz_rethrow(ctx); }
    r.width = width;
    r.height = height;
    const ptrdiff_t stride = fz_pixmap_stride(ctx, pix);
    const unsigned char* s = fz_pixmap_samples(ctx, pix);
    r.px.resize(size_t(r.width) * 3 * r.height);
    for (int y = 0; y < r.height; ++y) std::copy(s + y * stride, s + y * stride + r.width * 3, r.px.begin() + size_t(y) * r.width * 3);
  }
  fz_always(ctx) {
    if (pix) fz_drop_pixmap(ctx, pix);
    if (doc) fz_drop_document(ctx, doc);
  }
  fz_catch(ctx) { r = Rgb(); }
  fz_drop_context(ctx);
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
    ASSERT_EQ(std::system((std::string(MAKE_TEST_PDF " ") + pdf_ + " --kinds").c_str()), 0);
  }
  static void TearDownTestSuite() {
    delete folder_;
    folder_ = nullptr;
  }
  static std::string Path(const std::string& name) { return folder_->path() + "/" + name; }

  static Output Run(const std::string& args) {
    std::string out = Path("stdout"), err = Path("stderr");
    std::string cmd = VELM_TOOL " --machine " + machine_ + " " + args + " >" + out + " 2>" + err;
    Output o;
    const int status = std::system(cmd.c_str());
    o.rc = WIFEXITED(status) ? WEXITSTATUS(status) : 1000;
    o.out = ReadFile(out);
    o.err = ReadFile(err);
    return o;
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
      const Rgb picture = ReadPng(png);
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

}  // namespace
