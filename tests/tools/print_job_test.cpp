// "velm print" end to end, run as a person runs it: a machine with a printer
// of the reference model, a PDF made by make_test_pdf, the job stream the
// spool-side module wrote, read back with the job-stream reader. The band
// images of the stream are compared with MuPDF's own render of each page at
// the job's resolution, made here directly through MuPDF.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "jobreader/jobreader.h"
#include "mupdf_render.h"
#include "test_support.h"
#include "velm_run.h"

namespace {

using Output = test_support::VelmOutput;

using test_support::ReadFile;

// The machine every test prints on: one printer "Office" of the reference
// model, DEVMODE files for raster printing in 24-bit colour (300 dpi) and
// in one bit (600 dpi), and a 3-page A4 document.
class PrintJobTest : public ::testing::Test {
 public:
  static void SetUpTestSuite() {
    folder_ = new test_support::TempFolder("velm-print");
    machine_ = folder_->path() + "/machine";
    pdf_ = folder_->path() + "/doc3.pdf";
    mixed_ = folder_->path() + "/mixed.pdf";
    ASSERT_EQ(Run("machine init " + machine_).rc, 0);
    Output add = Run("printer add Office --model " VELM_REFERENCE_MODEL);
    ASSERT_EQ(add.rc, 0) << add.err;
    ASSERT_EQ(Run("devmode set Office vdmImagePrint=1 vdmDstResolutionW=300 -o " + Dm24()).rc, 0);
    ASSERT_EQ(Run("devmode set Office vdmImagePrint=1 vdmColorProcess=1 dmColor=1 -o " + Dm1()).rc, 0);
    ASSERT_EQ(Run("devmode set Office vdmImagePrint=0 vdmColorProcess=1 dmColor=1 -o " + DmVector1()).rc, 0);
    ASSERT_EQ(std::system((std::string(MAKE_TEST_PDF " ") + pdf_ + " 3").c_str()), 0);
    ASSERT_EQ(std::system((std::string(MAKE_TEST_PDF " --mixed ") + mixed_).c_str()), 0);
    testpage_ = folder_->path() + "/testpage.pdf";
    ASSERT_EQ(std::system((std::string(MAKE_TEST_PDF " --testpage ") + testpage_).c_str()), 0);
  }
  static void TearDownTestSuite() {
    delete folder_;
    folder_ = nullptr;
  }

  static std::string Dm24() { return folder_->path() + "/raster24.dm"; }
  static std::string Dm1() { return folder_->path() + "/raster1.dm"; }
  static std::string DmVector1() { return folder_->path() + "/vector1.dm"; }
  static std::string Job(const std::string& name) { return folder_->path() + "/" + name; }

  // velm with the machine, its outputs caught; env: assignments for the run.
  static Output Run(const std::string& args, const std::string& env = "") {
    return test_support::RunVelm(VELM_TOOL, machine_, args, folder_->path(), env);
  }

  static test_support::TempFolder* folder_;
  static std::string machine_, pdf_, mixed_, testpage_;
};

test_support::TempFolder* PrintJobTest::folder_ = nullptr;
std::string PrintJobTest::machine_, PrintJobTest::pdf_, PrintJobTest::mixed_, PrintJobTest::testpage_;

// What "velm print" reports of each page: the rendered size, the
// resolution, the depth and the printable area with its offset.
struct PageReport {
  int number, width, height, dpi, bits, area_width, area_height, offset_x, offset_y;
};

std::vector<PageReport> Reports(const std::string& out) {
  std::vector<PageReport> pages;
  std::regex line(
      R"(page (\d+): (\d+) x (\d+) pixels at (\d+) dpi, (\d+)-bit, printable area (\d+) x (\d+) at \((\d+),(\d+)\))");
  for (std::sregex_iterator it(out.begin(), out.end(), line), end; it != end; ++it) {
    const std::smatch& m = *it;
    pages.push_back({std::stoi(m[1]), std::stoi(m[2]), std::stoi(m[3]), std::stoi(m[4]), std::stoi(m[5]),
                     std::stoi(m[6]), std::stoi(m[7]), std::stoi(m[8]), std::stoi(m[9])});
  }
  return pages;
}

using Render = test_support::MupdfRender;
using test_support::RenderMupdfPage;

// The band height of a page W dots wide and H high: about 300 KB of one-bit
// rows in multiples of 32, at most the page.
int BandHeight(int width, int height) {
  const int row = (width + 31) / 32 * 4;
  return std::min(((307200 / row) / 32 + 1) * 32, height);
}

// A page of pixels (rows of width * comps bytes: RGB, or grey for one bit).
using Page = Render;

// How a printed page is compared with MuPDF's render of it. The engine
// draws paths without anti-aliasing and samples stretched images by the
// nearest pixel, MuPDF anti-aliases and filters, so edges differ by a pixel
// and in shade. A printed pixel counts as differing when no pixel of
// MuPDF's render within one pixel of it (its 3 x 3 neighbourhood, a 1-pixel
// dilation) is within kChannelTolerance in every channel (24-bit pages).
// A one-bit page (against MuPDF's grey render) is held to its black and
// white pixel by pixel: a printed pixel differs when no pixel of that
// neighbourhood is on its side of 128 or lies between black (below
// kBlackBelow) and white (from kWhiteFrom), where the driver dithers. And
// it is held to its greys by ink density: over boxes of kDensityBox x
// kDensityBox pixels of the printable area, the share of black printed
// pixels against the render's darkness (1 - grey / 255); a box differs when
// they are more than kDensityTolerance apart. The share of differing pixels
// (and boxes) of the printable area is held to kMaxDifferingShare: a shape
// that is missing, moved, clipped wrongly, in the wrong colour or in the
// wrong grey fails it, edge pixels do not.
constexpr int kChannelTolerance = 40;
constexpr int kBlackBelow = 6, kWhiteFrom = 250;
constexpr int kDensityBox = 16;
constexpr double kDensityTolerance = 0.15;
constexpr double kMaxDifferingShare = 0.002;

struct Difference {
  size_t differing = 0, total = 0;
  double share = 0;
  std::string first;
  // One-bit pages: the boxes whose ink density differs.
  size_t boxes_differing = 0, boxes = 0;
  double box_share = 0;
  std::string first_box;
};

// The ink density of a one-bit page against its render's grey levels, box
// by box (see kDensityBox).
void DensityDifference(const Page& printed, const Render& render, int offset_x, int offset_y, Difference* d) {
  for (int by = 0; by < printed.height; by += kDensityBox)
    for (int bx = 0; bx < printed.width; bx += kDensityBox) {
      double ink = 0, dark = 0;
      int n = 0;
      for (int y = by; y < std::min(by + kDensityBox, printed.height); ++y)
        for (int x = bx; x < std::min(bx + kDensityBox, printed.width); ++x) {
          ink += printed.samples[size_t(y) * printed.width + x] < 128;
          const int rx = x + offset_x, ry = y + offset_y;
          const bool on_page = rx >= 0 && ry >= 0 && rx < render.width && ry < render.height;
          dark += on_page ? 1.0 - render.samples[size_t(ry) * render.width + rx] / 255.0 : 0.0;
          ++n;
        }
      ++d->boxes;
      if (std::fabs(ink - dark) / n > kDensityTolerance && d->boxes_differing++ == 0)
        d->first_box = "(" + std::to_string(bx) + "," + std::to_string(by) + "): " + std::to_string(ink / n) +
                       " black against " + std::to_string(dark / n);
    }
  d->box_share = d->boxes ? double(d->boxes_differing) / double(d->boxes) : 0;
}

Difference PageDifference(const Page& printed, const Render& render, int offset_x, int offset_y, bool one_bit) {
  Difference d;
  auto near = [&](const uint8_t* a, int rx, int ry) {
    if (rx < 0 || ry < 0 || rx >= render.width || ry >= render.height) {
      // Beyond MuPDF's page: paper.
      for (int c = 0; c < printed.comps; ++c)
        if (a[c] != 255) return false;
      return true;
    }
    const uint8_t* b = &render.samples[(size_t(ry) * render.width + rx) * render.comps];
    if (one_bit) return (a[0] >= 128) == (b[0] >= 128) || (b[0] >= kBlackBelow && b[0] < kWhiteFrom);
    for (int c = 0; c < 3; ++c)
      if (std::abs(int(a[c]) - int(b[c])) > kChannelTolerance) return false;
    return true;
  };
  for (int y = 0; y < printed.height; ++y)
    for (int x = 0; x < printed.width; ++x) {
      const uint8_t* a = &printed.samples[(size_t(y) * printed.width + x) * printed.comps];
      const int rx = x + offset_x, ry = y + offset_y;
      bool same = near(a, rx, ry);
      for (int dy = -1; dy <= 1 && !same; ++dy)
        for (int dx = -1; dx <= 1 && !same; ++dx) same = near(a, rx + dx, ry + dy);
      ++d.total;
      if (!same && d.differing++ == 0) d.first = "(" + std::to_string(x) + "," + std::to_string(y) + ")";
    }
  d.share = d.total ? double(d.differing) / double(d.total) : 0;
  if (one_bit) DensityDifference(printed, render, offset_x, offset_y, &d);
  return d;
}

bool Starts(const std::string& s, const std::string& prefix) { return s.compare(0, prefix.size(), prefix) == 0; }
bool Ends(const std::string& s, const std::string& suffix) {
  return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}
std::string Text(const jobread::Block& b) { return std::string(b.text.begin(), b.text.end()); }

// Checks a whole job of pages printed from document pages doc_pages
// (1-based): the block order, the job text, one image record per band, and
// the assembled bands against MuPDF's render of its page (PageDifference). copies: the QTY the
// job text must carry. printed: when given, receives the assembled pages.
void CheckJob(const std::string& path, const std::string& pdf, const std::vector<PageReport>& reports,
              const std::vector<int>& doc_pages, int copies, std::vector<Page>* printed_pages = nullptr) {
  ASSERT_EQ(reports.size(), doc_pages.size());
  std::string bytes = ReadFile(path);
  jobread::Stream s;
  jobread::Error error;
  ASSERT_TRUE(jobread::ReadStream(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), &s, &error))
      << error.offset << ": " << error.message;

  // The job: its start text from the model, then the job name.
  ASSERT_GE(s.blocks.size(), 2u);
  ASSERT_EQ(s.blocks[0].kind, 0xF3);
  const std::string job = Text(s.blocks[0]);
  EXPECT_TRUE(Starts(job, "\x1b%-12345X@PJL\r\n")) << job;
  EXPECT_NE(job.find("@PJL COMMENT VELM C3500 series driver\r\n"), std::string::npos) << job;
  EXPECT_NE(job.find("@PJL SET QTY = " + std::to_string(copies) + "\r\n"), std::string::npos) << job;
  // The printer's name in one pair of quotes.
  EXPECT_NE(job.find("@PJL SET DEVICENAME = \"Office\"\r\n"), std::string::npos) << job;
  EXPECT_TRUE(Ends(job, "@PJL ENTER LANGUAGE = VELM\r\n")) << job;
  ASSERT_EQ(s.blocks[1].kind, 0xF3);
  EXPECT_EQ(Text(s.blocks[1]), "@PJL SET JOBNAME = \"" + pdf.substr(pdf.rfind('/') + 1) + "\"\r\n");

  size_t b = 2, r = 0;
  for (size_t p = 0; p < doc_pages.size(); ++p) {
    SCOPED_TRACE("page " + std::to_string(doc_pages[p]));
    const PageReport& rep = reports[p];
    EXPECT_EQ(rep.number, doc_pages[p]);
    // Page start, header end, data, page end.
    ASSERT_LT(b + 3, s.blocks.size());
    EXPECT_EQ(s.blocks[b].kind, 0xF4);
    EXPECT_NE(Text(s.blocks[b]).find("@PJL SET PAPER = A4\r\n"), std::string::npos) << Text(s.blocks[b]);
    EXPECT_EQ(s.blocks[b + 1].kind, 0xF0);
    b += 2;
    ASSERT_EQ(s.blocks[b].kind, 0xF5);
    while (b < s.blocks.size() && s.blocks[b].kind == 0xF5) ++b;
    ASSERT_LT(b, s.blocks.size());
    ASSERT_EQ(s.blocks[b].kind, 0xF1);
    const uint64_t page_end = s.blocks[b].offset;
    ++b;

    // The records of the page: begin-page, then one band image per band
    // (state records may come between), then end-page.
    std::vector<const jobread::Record*> bands;
    ASSERT_LT(r, s.records.size());
    EXPECT_EQ(s.records[r].opcode, 0x60);
    EXPECT_EQ(s.records[r].Int("width"), rep.area_width);
    ++r;
    const jobread::Record* last = nullptr;
    for (; r < s.records.size() && s.records[r].offset < page_end; ++r) {
      last = &s.records[r];
      if (last->opcode == 0x20) {
        bands.push_back(last);
      } else if (last->opcode != 0x61) {
        EXPECT_EQ(last->opcode, 0x31) << "unexpected record in a raster page";
      }
    }
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(last->opcode, 0x61);

    const int W = rep.area_width, H = rep.area_height, bh = BandHeight(W, H);
    ASSERT_EQ(int(bands.size()), H / bh + 1);
    const Render render = RenderMupdfPage(pdf, doc_pages[p] - 1, rep.dpi, rep.bits == 1);
    ASSERT_EQ(render.width, rep.width);
    ASSERT_EQ(render.height, rep.height);
    // The band's pixels assembled into the page, then compared with
    // MuPDF's render (see PageDifference).
    Page printed;
    printed.width = W;
    printed.height = H;
    printed.comps = rep.bits == 1 ? 1 : 3;
    printed.samples.assign(size_t(W) * H * printed.comps, 255);
    size_t black = 0, white = 0;
    for (size_t k = 0; k < bands.size(); ++k) {
      const jobread::Record& im = *bands[k];
      ASSERT_EQ(im.Int("band"), 1);
      ASSERT_EQ(im.Int("bits"), rep.bits);
      EXPECT_EQ(im.Int("grey"), 0);
      ASSERT_EQ(im.Int("left"), 0);
      ASSERT_EQ(im.Int("top"), int64_t(k) * bh);
      ASSERT_EQ(im.Int("right"), W);
      ASSERT_EQ(im.Int("bottom"), int64_t(k + 1) * bh);
      ASSERT_EQ(im.Int("width"), W);
      ASSERT_EQ(im.Int("rows"), bh);
      const std::vector<uint8_t>& px = im.Bytes("pixels");
      const int64_t stride = im.Int("row_bytes");
      ASSERT_EQ(int64_t(px.size()), stride * bh);
      for (int row = 0; row < bh; ++row) {
        const int y = int(k) * bh + row;  // in the printable area
        const uint8_t* band_row = px.data() + row * stride;
        for (int x = 0; x < W; ++x) {
          bool is_white;
          uint8_t* out = y < H ? &printed.samples[(size_t(y) * W + x) * printed.comps] : nullptr;
          if (rep.bits == 1) {
            is_white = (band_row[x >> 3] >> (7 - (x & 7))) & 1;
            if (out) out[0] = is_white ? 255 : 0;
          } else {
            const uint8_t* bgr = band_row + 3 * x;
            is_white = bgr[0] == 255 && bgr[1] == 255 && bgr[2] == 255;
            if (out) {
              out[0] = bgr[2];
              out[1] = bgr[1];
              out[2] = bgr[0];
            }
          }
          if (y >= H) {
            // Below the page the band is paper white.
            EXPECT_TRUE(is_white) << "(" << x << "," << y << ") below the page";
            continue;
          }
          (is_white ? white : black) += 1;
        }
      }
    }
    const Difference diff = PageDifference(printed, render, rep.offset_x, rep.offset_y, rep.bits == 1);
    ::testing::Test::RecordProperty("differing_share_page_" + std::to_string(doc_pages[p]), std::to_string(diff.share));
    ::testing::Test::RecordProperty("differing_box_share_page_" + std::to_string(doc_pages[p]), std::to_string(diff.box_share));
    EXPECT_LE(diff.share, kMaxDifferingShare)
        << diff.differing << " of " << diff.total << " pixels differ; the first at " << diff.first;
    EXPECT_LE(diff.box_share, kMaxDifferingShare)
        << diff.boxes_differing << " of " << diff.boxes << " boxes differ in ink density; the first at "
        << diff.first_box;
    // A real page: ink and paper both.
    EXPECT_GT(black, size_t(W) * 10);
    EXPECT_GT(white, size_t(W) * H / 2);
    if (printed_pages) printed_pages->push_back(std::move(printed));
  }
  EXPECT_EQ(b, s.blocks.size()) << "blocks after the last page";
  EXPECT_EQ(r, s.records.size());
}

// A 3-page raster job against MuPDF's render of its pages, then read by the
// host's dump. One test a depth, so that CTest runs the two side by side.
void CheckRasterJob(const std::string& name, const std::string& devmode, int dpi, int bits) {
  std::string job = PrintJobTest::Job("job-" + name);
  Output o = PrintJobTest::Run("print Office " + PrintJobTest::pdf_ + " -o " + job + " --devmode " + devmode);
  ASSERT_EQ(o.rc, 0) << o.err;
  std::vector<PageReport> reports = Reports(o.out);
  ASSERT_EQ(reports.size(), 3u) << o.out;
  for (const PageReport& rep : reports) {
    EXPECT_EQ(rep.dpi, dpi);
    EXPECT_EQ(rep.bits, bits);
  }
  // The summary: the job file, its pages, its bytes and the seconds taken.
  EXPECT_TRUE(std::regex_search(o.out, std::regex("job \\d+: 3 pages, " + std::to_string(ReadFile(job).size()) +
                                                  " bytes in \\d+\\.\\d\\d s to " + job + "\n")))
      << o.out;
  CheckJob(job, PrintJobTest::pdf_, reports, {1, 2, 3}, 1);
  // The dump of the host reads the same stream without an error.
  Output dump = PrintJobTest::Run("job dump --summary " + job);
  EXPECT_EQ(dump.rc, 0) << dump.err;
  EXPECT_NE(dump.out.find("job-start        F3  length 31        @PJL SET JOBNAME = \"doc3.pdf\""), std::string::npos)
      << dump.out;
}

TEST_F(PrintJobTest, RasterJobsMatchMupdfRender24Bit) { CheckRasterJob("24-bit", Dm24(), 300, 24); }
TEST_F(PrintJobTest, RasterJobsMatchMupdfRender1Bit) { CheckRasterJob("1-bit", Dm1(), 600, 1); }

TEST_F(PrintJobTest, PageRangeAndCopies) {
  std::string job = Job("job-range");
  Output o = Run("print Office " + pdf_ + " -o " + job + " --devmode " + Dm1() + " --pages 2-3 --copies 2");
  ASSERT_EQ(o.rc, 0) << o.err;
  std::vector<PageReport> reports = Reports(o.out);
  ASSERT_EQ(reports.size(), 2u) << o.out;
  CheckJob(job, pdf_, reports, {2, 3}, 2);
}

// A write of the spool-side module that fails, or takes only part of the
// bytes: velm print fails and says so, and the stream holds what was
// written before, with no block after it.
TEST_F(PrintJobTest, FailedOrShortSpoolWriteEndsTheJob) {
  struct Case {
    const char* name;
    const char* env;
    unsigned writes;         // write calls the module sees
    size_t blocks_before;    // whole blocks in the file
    bool stream_reads;       // the file ends on a block boundary
  } cases[] = {
      {"the page-start block fails", "VELMOUT1_FAIL_WRITE=3", 3, 2, true},
      {"the page-start block is written in part", "VELMOUT1_SHORT_WRITE=3", 3, 2, false},
      // A data block goes as its header, then its data: the 6th write is
      // the data of page 1's first data block, whose header stands alone.
      {"the data of page 1 fails", "VELMOUT1_FAIL_WRITE=6", 6, 4, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string job = Job("job-fail"), log = Job("spool.log");
    std::remove(log.c_str());
    Output o = Run("print Office " + pdf_ + " -o " + job + " --devmode " + Dm1(),
                   std::string(c.env) + " VELMOUT1_LOG=" + log);
    EXPECT_NE(o.rc, 0);
    EXPECT_NE(o.err.find("velm print: page 1: the driver failed the page"), std::string::npos) << o.err;
    EXPECT_NE(o.err.find(job), std::string::npos) << o.err;
    EXPECT_EQ(o.out.find("job "), std::string::npos) << o.out;
    // The module saw no write after the failed one, and its document was
    // ended and closed.
    std::string calls = ReadFile(log);
    size_t writes = 0;
    for (size_t at = calls.find("Write "); at != std::string::npos; at = calls.find("Write ", at + 1)) ++writes;
    EXPECT_EQ(writes, c.writes) << calls;
    EXPECT_NE(calls.find("EndDoc\nClose\n"), std::string::npos) << calls;
    // The file: the blocks before the failure, nothing after.
    std::string bytes = ReadFile(job);
    jobread::Stream s;
    jobread::Error error;
    jobread::Options options;
    options.keepPixels = false;
    EXPECT_EQ(jobread::ReadStream(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), &s, &error, options),
              c.stream_reads)
        << error.message;
    EXPECT_EQ(s.blocks.size(), c.blocks_before);
    for (const jobread::Block& block : s.blocks) EXPECT_NE(block.kind, 0xF1);
  }
}

// The mixed page in raster mode: the engine draws each call into the
// bands, and the page matches MuPDF's render as the 3-page document does.
TEST_F(PrintJobTest, MixedPageInRasterModeMatchesMupdfRender) {
  struct Case {
    const char* name;
    std::string devmode;
    int bits;
  } cases[] = {{"24-bit", Dm24(), 24}, {"1-bit", Dm1(), 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string job = Job(std::string("mixed-") + c.name);
    // The DEVMODE asks for raster mode, and so does the option.
    Output o = Run("print Office " + mixed_ + " -o " + job + " --devmode " + c.devmode + " --mode raster");
    ASSERT_EQ(o.rc, 0) << o.err;
    std::vector<PageReport> reports = Reports(o.out);
    ASSERT_EQ(reports.size(), 1u) << o.out;
    EXPECT_EQ(reports[0].bits, c.bits);
    EXPECT_NE(o.out.find(", banded"), std::string::npos) << o.out;
    CheckJob(job, mixed_, reports, {1}, 1);
  }
}

// The test page of a printing system in one-bit raster mode: every disc
// (cyan, magenta, yellow, black, red, green, blue) and every step of the
// grey wheel is a dither whose ink density is its grey level in MuPDF's
// render (black solid), the wheel darkest at its first step and lighter at
// each next. Boxes of 48 x 48 dots on the 8 x 8 dither's grid inside each
// shape; positions as make_test_pdf --testpage places them, in points.
TEST_F(PrintJobTest, TestPageInOneBitShowsEveryDiscAndWheelStepAsADither) {
  std::string job = Job("testpage-1");
  Output o = Run("print Office " + testpage_ + " -o " + job + " --devmode " + Dm1());
  ASSERT_EQ(o.rc, 0) << o.err;
  std::vector<PageReport> reports = Reports(o.out);
  ASSERT_EQ(reports.size(), 1u) << o.out;
  ASSERT_EQ(reports[0].bits, 1);
  ASSERT_EQ(reports[0].dpi, 600);
  std::vector<Page> printed;
  CheckJob(job, testpage_, reports, {1}, 1, &printed);
  ASSERT_EQ(printed.size(), 1u);
  const Page& page = printed[0];
  const Render render = RenderMupdfPage(testpage_, 0, 600, true);
  const PageReport& rep = reports[0];

  struct Spot {
    std::string name;
    double x, y;  // points
  };
  std::vector<Spot> spots = {{"cyan", 100, 150}, {"magenta", 220, 150}, {"yellow", 340, 150}, {"black", 460, 150},
                             {"red", 160, 270},  {"green", 280, 270},   {"blue", 400, 270}};
  constexpr int kSteps = 12;
  for (int i = 0; i < kSteps; ++i) {
    const double a = (i + 0.5) * 2 * M_PI / kSteps;
    spots.push_back({"wheel step " + std::to_string(i), 297.6 + 100 * std::cos(a), 560 + 100 * std::sin(a)});
  }
  constexpr int kBox = 48;
  std::vector<double> wheel;
  for (const Spot& s : spots) {
    SCOPED_TRACE(s.name);
    const int x0 = (int(std::lround(s.x * 600 / 72)) - rep.offset_x - kBox / 2) / 8 * 8;
    const int y0 = (int(std::lround(s.y * 600 / 72)) - rep.offset_y - kBox / 2) / 8 * 8;
    double ink = 0, dark = 0;
    for (int y = y0; y < y0 + kBox; ++y)
      for (int x = x0; x < x0 + kBox; ++x) {
        ink += page.samples[size_t(y) * page.width + x] < 128;
        dark += 1.0 - render.samples[size_t(y + rep.offset_y) * render.width + x + rep.offset_x] / 255.0;
      }
    ink /= kBox * kBox;
    dark /= kBox * kBox;
    EXPECT_NEAR(ink, dark, 0.03);
    if (s.name == "black") {
      EXPECT_EQ(ink, 1.0);
    } else {
      EXPECT_GT(ink, 0.0);
      EXPECT_LT(ink, 1.0);
    }
    if (s.name == "cyan") {
      EXPECT_GT(ink, 0.25);
      EXPECT_LT(ink, 0.75);
    }
    if (s.name.rfind("wheel", 0) == 0) wheel.push_back(ink);
  }
  for (size_t i = 1; i < wheel.size(); ++i) EXPECT_LT(wheel[i], wheel[i - 1]) << "wheel step " << i;
}

// The records of a vector page between its begin-page and end-page.
std::vector<jobread::Record> PageRecords(const std::string& path) {
  std::string bytes = ReadFile(path);
  jobread::Stream s;
  jobread::Error error;
  EXPECT_TRUE(jobread::ReadStream(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), &s, &error))
      << error.offset << ": " << error.message;
  std::vector<jobread::Record> page;
  bool in = false;
  for (const jobread::Record& r : s.records) {
    if (r.opcode == 0x60) in = true;
    else if (r.opcode == 0x61) in = false;
    else if (in) page.push_back(r);
  }
  return page;
}

bool HasRect(const jobread::Record& r, int64_t left, int64_t top, int64_t right, int64_t bottom) {
  return r.Int("left") == left && r.Int("top") == top && r.Int("right") == right && r.Int("bottom") == bottom;
}

// The mixed page in vector mode (600 dpi, printable area 100 dots in from
// the paper's corner): each kind of drawing reaches the job as the records
// of its kind, carrying what was drawn. Positions are the page's points
// times 600/72 less 100.
TEST_F(PrintJobTest, MixedPageInVectorModeBecomesDrawingRecords) {
  std::string job = Job("mixed-vector");
  Output o = Run("print Office " + mixed_ + " -o " + job + " --mode vector");
  ASSERT_EQ(o.rc, 0) << o.err;
  EXPECT_EQ(o.out.find(", banded"), std::string::npos) << o.out;
  // Four images at their depth, both patterns and the heading as a string
  // of glyphs went as calls.
  EXPECT_NE(o.out.find(" 4 images, 2 patterns, 1 glyph strings, 0 text runs as outlines"), std::string::npos)
      << o.out;
  // Nothing the driver refused had to go as MuPDF's render.
  EXPECT_NE(o.out.find("(0 refused by the driver)"), std::string::npos) << o.out;
  const std::vector<jobread::Record> page = PageRecords(job);
  ASSERT_FALSE(page.empty());

  auto find = [&](auto pred) {
    for (const jobread::Record& r : page)
      if (pred(r)) return &r;
    return static_cast<const jobread::Record*>(nullptr);
  };
  auto count = [&](auto pred) {
    size_t n = 0;
    for (const jobread::Record& r : page) n += pred(r) ? 1 : 0;
    return n;
  };
  struct Expect {
    const char* what;
    std::function<bool(const jobread::Record&)> pred;
  } expects[] = {
      {"the red rectangle, filled (winding) as a path of lines",
       [](const jobread::Record& r) { return r.opcode == 0x12 && r.Int("use") == 2 && HasRect(r, 100, 100, 900, 500); }},
      {"its colour", [](const jobread::Record& r) {
         return r.opcode == 0x30 && r.Bytes("foreground") == std::vector<uint8_t>{0xCC, 0x1A, 0x1A};
       }},
      {"the Bezier shape with a hole, filled even-odd",
       [](const jobread::Record& r) {
         return r.opcode == 0x11 && r.Int("use") == 1 && r.Int("curves") >= 2 && r.Int("subpaths") >= 2;
       }},
      {"the open Bezier curve, stroked",
       [](const jobread::Record& r) { return r.opcode == 0x11 && r.Int("use") == 0 && r.Int("closed") == 0; }},
      {"a polyline, stroked", [](const jobread::Record& r) { return r.opcode == 0x12 && r.Int("use") == 0; }},
      {"the 24-dot pen of the polylines", [](const jobread::Record& r) {
         return r.opcode == 0x33 && r.Int("width") == 24 && r.Int("dash_mask") == 0xFFFFFFFF;
       }},
      {"the dashed one-dot pen", [](const jobread::Record& r) {
         return r.opcode == 0x33 && r.Int("width") == 1 && r.Int("dash_mask") != 0xFFFFFFFF && r.Int("dash_mask") != 0;
       }},
      {"round join", [](const jobread::Record& r) { return r.opcode == 0x36 && r.Int("join") == 0; }},
      {"bevel join", [](const jobread::Record& r) { return r.opcode == 0x36 && r.Int("join") == 1; }},
      {"miter join", [](const jobread::Record& r) { return r.opcode == 0x36 && r.Int("join") == 2; }},
      {"butt cap", [](const jobread::Record& r) { return r.opcode == 0x35 && r.Int("cap") == 1; }},
      {"square cap", [](const jobread::Record& r) { return r.opcode == 0x35 && r.Int("cap") == 2; }},
      {"the rectangle clip", [](const jobread::Record& r) {
         return r.opcode == 0x10 && r.Int("kind") == 5 && HasRect(r, 100, 1500, 1100, 2100);
       }},
      {"the ring clip as a clip path", [](const jobread::Record& r) {
         return (r.opcode == 0x11 || r.opcode == 0x12) && r.Int("use") == 5 && r.Int("multiple") == 1;
       }},
      {"a clip reset", [](const jobread::Record& r) { return r.opcode == 0x37; }},
      {"the hatch-like pattern, one bit", [](const jobread::Record& r) {
         return r.opcode == 0x40 && r.Int("pattern") == 1 && r.Int("colour24") == 0;
       }},
      {"the colour pattern", [](const jobread::Record& r) {
         return r.opcode == 0x40 && r.Int("pattern") == 1 && r.Int("colour24") == 1;
       }},
      {"a rectangle filled with a pattern (its clip's bounds, a pixel to spare)", [](const jobread::Record& r) {
         return r.opcode == 0x10 && r.Int("kind") == 1 && std::abs(r.Int("left") - 2500) <= 1 &&
                std::abs(r.Int("top") - 1500) <= 1 && std::abs(r.Int("right") - 3300) <= 1 &&
                std::abs(r.Int("bottom") - 2300) <= 1;
       }},
      // The wide dashed line is a styled pen wider than a pixel, which the
      // driver refuses as a stroke: the engine fills the area the pen
      // paints instead, one figure per dash (and none where the gaps are).
      {"the wide dashed line as the winding fill of its dashes", [](const jobread::Record& r) {
         return r.opcode == 0x12 && r.Int("use") == 2 && r.Int("multiple") == 1 && r.Int("subpaths") >= 10 &&
                r.Int("left") >= 2090 && r.Int("left") <= 2110 && r.Int("right") >= 4200 && r.Int("right") <= 4310 &&
                r.Int("top") >= 1285 && r.Int("top") <= 1295 && r.Int("bottom") >= 1305 && r.Int("bottom") <= 1315;
       }},
      // The heading: a string of glyph indices in the document's font,
      // which goes as outlines under the font's name.
      {"the heading's font, by name, as outlines", [](const jobread::Record& r) {
         return r.opcode == 0x50 && r.Int("kind") == 4 && r.Int("glyph_index") == 1 && !r.Text("face").empty();
       }},
      {"the heading's outlines", [](const jobread::Record& r) { return r.opcode == 0x51; }},
  };
  for (const Expect& e : expects) EXPECT_NE(find(e.pred), nullptr) << e.what;

  // The images of 2, 16, 200 and many colours, each 40 x 40 pixels on
  // 320 x 320 dots, at 1, 4, 8 and 24 bits.
  const int bits[] = {1, 4, 8, 24};
  for (int k = 0; k < 4; ++k) {
    SCOPED_TRACE("image " + std::to_string(k));
    const int64_t left = 100 + 600 * k;
    const jobread::Record* im =
        find([&](const jobread::Record& r) { return r.opcode == 0x20 && HasRect(r, left, 2500, left + 320, 2820); });
    ASSERT_NE(im, nullptr);
    EXPECT_EQ(im->Int("bits"), bits[k]);
    EXPECT_EQ(im->Int("width"), 40);
    EXPECT_EQ(im->Int("rows"), 40);
    EXPECT_EQ(im->Int("band"), 0);
    if (bits[k] == 4) {
      EXPECT_EQ(im->Int("palette_entries"), 16);
    }
  }
  // The image with an alpha channel is blended by MuPDF: a 24-bit image
  // of its area (one pixel more on each side).
  EXPECT_NE(find([](const jobread::Record& r) {
              return r.opcode == 0x20 && r.Int("bits") == 24 && r.Int("left") <= 2500 && r.Int("top") <= 2500 &&
                     r.Int("right") >= 2820 && r.Int("bottom") >= 2820 && r.Int("right") <= 2830;
            }),
            nullptr);
  // Nothing of the page went as a band, and no page-sized image stands in
  // for the drawing.
  EXPECT_EQ(count([](const jobread::Record& r) { return r.opcode == 0x20 && r.Int("band") == 1; }), 0u);
  EXPECT_EQ(count([](const jobread::Record& r) {
              return r.opcode == 0x20 && r.Int("right") - r.Int("left") > 2500 && r.Int("bottom") - r.Int("top") > 2500;
            }),
            0u);
  // velm job dump reads the whole job back.
  Output dump = Run("job dump " + job);
  EXPECT_EQ(dump.rc, 0) << dump.err;
}

TEST_F(PrintJobTest, ModeOptionIsChecked) {
  Output o = Run("print Office " + mixed_ + " -o " + Job("bad-mode") + " --mode halftone");
  EXPECT_EQ(o.rc, 1);
  EXPECT_NE(o.err.find("--mode takes vector or raster, not 'halftone'"), std::string::npos) << o.err;
}

// velm run in a child of this process, its peak memory (resident set, in
// KB) read from the child's own resource use.
long PeakKilobytes(const std::vector<std::string>& args, const std::string& out) {
  pid_t pid = fork();
  if (pid == 0) {
    std::FILE* f = std::freopen(out.c_str(), "w", stdout);
    if (!f) _exit(126);
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  rusage use{};
  if (pid < 0 || wait4(pid, &status, 0, &use) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
  return use.ru_maxrss;
}

// A 20000 x 20000 image (400 MB decoded) on a page of 2 x 2 inches: only
// what its place on the page needs is decoded, the image goes to the
// driver at the page's resolution, and the job is that size too.
TEST_F(PrintJobTest, HugeImagePrintsInMemoryBoundedByThePage) {
  const std::string pdf = Job("huge.pdf"), job = Job("huge-job"), out = Job("huge-out");
  ASSERT_EQ(std::system((std::string(MAKE_TEST_PDF " --huge-image ") + pdf).c_str()), 0);
  const long kb = PeakKilobytes({VELM_TOOL, "--machine", machine_, "print", "Office", pdf, "-o", job, "--devmode",
                                 DmVector1()},
                                out);
  ASSERT_GT(kb, 0) << ReadFile(out);
  EXPECT_LT(kb, 300 * 1024) << "peak resident memory in KB";
  const std::string bytes = ReadFile(job);
  EXPECT_LT(bytes.size(), size_t(20) << 20);
  // The image's rows add up to its place on the page, 1200 dots high.
  int64_t rows = 0;
  for (const jobread::Record& r : PageRecords(job)) {
    if (r.opcode != 0x20) continue;
    EXPECT_LE(r.Int("width"), 1200);
    EXPECT_LE(r.Int("bits"), 8);  // grey levels, with a palette
    rows += r.Int("rows");
  }
  EXPECT_EQ(rows, 1200);
}

// A one-bit job in vector mode prints black only: the page says 1-bit, and
// no image goes out as 24-bit colour, neither an image of many colours nor
// an area MuPDF renders (the blended image of the mixed page).
TEST_F(PrintJobTest, MonochromeVectorJobHasNoColourImages) {
  const std::string job = Job("mixed-vector-mono");
  Output o = Run("print Office " + mixed_ + " -o " + job + " --devmode " + DmVector1());
  ASSERT_EQ(o.rc, 0) << o.err;
  const std::vector<PageReport> pages = Reports(o.out);
  ASSERT_EQ(pages.size(), 1u) << o.out;
  EXPECT_EQ(pages[0].bits, 1);
  EXPECT_NE(o.out.find(" 1 areas rendered by MuPDF"), std::string::npos) << o.out;
  // The area says where it is and why MuPDF drew it: the blended image is
  // clipped by its alpha as an image mask.
  EXPECT_NE(o.out.find("\n  rendered by MuPDF: 324 x 324 pixels at (2498,2498): an image-mask clip\n"),
            std::string::npos)
      << o.out;
  size_t images = 0;
  for (const jobread::Record& r : PageRecords(job)) {
    if (r.opcode != 0x20) continue;
    ++images;
    EXPECT_LE(r.Int("bits"), 8) << "image at (" << r.Int("left") << "," << r.Int("top") << ")";
  }
  EXPECT_EQ(images, 5u);

  // The same page in colour sends the rendered area as 24-bit colour; the
  // monochrome job sends it as 8-bit grey levels without a palette, a
  // third of the bytes.
  const std::string colour = Job("mixed-vector-colour");
  ASSERT_EQ(Run("devmode set Office vdmImagePrint=0 dmColor=2 -o " + Job("vector24.dm")).rc, 0);
  Output c = Run("print Office " + mixed_ + " -o " + colour + " --devmode " + Job("vector24.dm"));
  ASSERT_EQ(c.rc, 0) << c.err;
  auto area = [](const std::string& path) {
    for (jobread::Record& r : PageRecords(path))
      if (r.opcode == 0x20 && r.Int("left") == 2498 && r.Int("top") == 2498) return r;
    return jobread::Record{};
  };
  const jobread::Record in_colour = area(colour), in_grey = area(job);
  ASSERT_EQ(in_colour.opcode, 0x20) << c.out;
  ASSERT_EQ(in_grey.opcode, 0x20);
  EXPECT_EQ(in_colour.Int("bits"), 24);
  EXPECT_EQ(in_grey.Int("bits"), 8);
  EXPECT_EQ(in_grey.Int("grey"), 1);
  EXPECT_EQ(in_grey.Int("palette_entries"), 0);
  EXPECT_EQ(in_grey.Int("width"), in_colour.Int("width"));
  EXPECT_LE(in_grey.Int("pixels_bytes") * 3, in_colour.Int("pixels_bytes") + 4 * in_colour.Int("rows"));
}

bool Exists(const std::string& path) {
  struct stat st{};
  return ::stat(path.c_str(), &st) == 0;
}

// -o naming a place no job stream can go is refused with the name and the
// reason before the driver plays any page.
TEST_F(PrintJobTest, OutputThatCannotBeWrittenIsRefusedFirst) {
  const std::string plain = Job("plain-file");
  std::fclose(std::fopen(plain.c_str(), "w"));
  struct Case {
    std::string output, reason;
  } cases[] = {
      {Job("no-such-folder") + "/job", "the folder " + Job("no-such-folder") + " takes no new file (No such file"},
      {plain + "/job", "the folder " + plain + " takes no new file (Not a directory)"},
      {folder_->path(), "it is a folder"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.output);
    Output o = Run("print Office " + pdf_ + " -o " + c.output + " --devmode " + Dm1());
    EXPECT_EQ(o.rc, 1);
    EXPECT_NE(o.err.find("velm print: cannot write the job stream to " + c.output + ": " + c.reason),
              std::string::npos)
        << o.err;
    EXPECT_EQ(o.out.find("page 1"), std::string::npos) << o.out;
  }
}

// A print killed while the driver writes its stream leaves nothing under
// the job's name: the stream is written beside it and renamed at the
// document's end.
TEST_F(PrintJobTest, KilledPrintLeavesNoJobUnderItsName) {
  const std::string job = Job("killed-job"), log = Job("killed.log"), out = Job("killed-out");
  std::remove(log.c_str());
  pid_t pid = fork();
  if (pid == 0) {
    setenv("VELMOUT1_LOG", log.c_str(), 1);
    if (!std::freopen(out.c_str(), "w", stdout)) _exit(126);
    const std::string tool = VELM_TOOL, dm = Dm1();
    execl(tool.c_str(), tool.c_str(), "--machine", machine_.c_str(), "print", "Office", pdf_.c_str(), "-o",
          job.c_str(), "--devmode", dm.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  ASSERT_GT(pid, 0);
  // Killed as soon as the module has taken a page's data.
  std::string calls;
  for (int i = 0; i < 60000 && calls.find("StartPage\nWrite ") == std::string::npos; ++i) {
    usleep(1000);
    calls = ReadFile(log);
  }
  kill(pid, SIGKILL);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  calls = ReadFile(log);
  ASSERT_TRUE(WIFSIGNALED(status)) << "the print ended before it was killed: " << calls;
  ASSERT_NE(calls.find("StartPage\nWrite "), std::string::npos) << calls;
  ASSERT_EQ(calls.find("EndDoc"), std::string::npos) << "the kill came after the document's end: " << calls;
  EXPECT_FALSE(Exists(job));
}

// A disk that fills up under the job leaves no job file, neither the -o
// file nor one in the spool folder, and the print says the disk is full.
TEST_F(PrintJobTest, FullDiskLeavesNoJobFile) {
  const std::string full = Job("full-disk"), spool = machine_ + "/c/Windows/System32/spool/PRINTERS";
  ASSERT_EQ(Run("printer list").rc, 0);
  std::filesystem::create_directories(full);
  std::filesystem::create_directories(spool);
  struct Case {
    const char* name;
    std::string folder, output;
  } cases[] = {
      {"-o on a full disk", full, " -o " + full + "/job"},
      {"the spool folder on a full disk", spool, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string err = Job("full-err"), listing = Job("full-listing");
    const std::string cmd = "unshare -m sh -c 'mount -t tmpfs -o size=64k tmpfs " + c.folder + " && " VELM_TOOL
                            " --machine " + machine_ + " print Office " + mixed_ + c.output + " --devmode " + Dm1() +
                            " >/dev/null 2>" + err + "; echo $? >" + listing + "; ls -A " + c.folder + " >>" +
                            listing + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    const std::string what = ReadFile(listing), why = ReadFile(err);
    EXPECT_EQ(what, "1\n") << "exit status, then what the full disk holds afterwards";
    EXPECT_NE(why.find("the disk is full"), std::string::npos) << why;
    EXPECT_NE(why.find("no job stream was kept"), std::string::npos) << why;
  }
}

// The machine's job counter on a full disk: the spooler cannot number the
// job, so nothing is printed and the reason is given.
TEST_F(PrintJobTest, FullDiskForTheJobCounterPrintsNothing) {
  ASSERT_EQ(Run("printer list").rc, 0);
  const std::string spool = machine_ + "/spool", copy = Job("spool-copy"), err = Job("counter-err"),
                    status = Job("counter-status"), out = Job("counter-job");
  // The spool folder's files on a small disk of their own, then the disk filled.
  const std::string cmd = "unshare -m sh -c 'cp -a " + spool + " " + copy + " && mount -t tmpfs -o size=4m tmpfs " +
                          spool + " && cp -a " + copy + "/. " + spool + "/ && (dd if=/dev/zero of=" + spool +
                          "/.fill bs=4k 2>/dev/null; true) && " VELM_TOOL " --machine " + machine_ +
                          " print Office " + pdf_ + " -o " + out + " --devmode " + Dm1() + " >/dev/null 2>" + err +
                          "; echo $? >" + status + "'";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  EXPECT_EQ(ReadFile(status), "1\n");
  const std::string why = ReadFile(err);
  EXPECT_NE(why.find("the spooler could not number the job"), std::string::npos) << why;
  EXPECT_NE(why.find("the disk is full"), std::string::npos) << why;
  EXPECT_FALSE(std::filesystem::exists(out));
}

// A document that is no PDF is named with the reason, not with what the
// PDF reader's repair found missing.
TEST_F(PrintJobTest, DocumentThatIsNotAPdfSaysSo) {
  const std::string text = Job("letter.txt"), empty = Job("empty.pdf");
  std::FILE* f = std::fopen(text.c_str(), "w");
  ASSERT_NE(f, nullptr);
  std::fputs("Dear reader,\nthis is a letter, not a document of pages.\n", f);
  std::fclose(f);
  std::fclose(std::fopen(empty.c_str(), "w"));
  struct Case {
    std::string document, message;
  } cases[] = {
      {text, text + ": not a PDF file (no %PDF- header)"},
      {empty, empty + ": not a PDF file (no %PDF- header; the file is empty)"},
      {Job("missing.pdf"), "cannot read " + Job("missing.pdf") + ": No such file or directory"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.document);
    Output o = Run("print Office " + c.document + " -o " + Job("not-pdf-job"));
    EXPECT_EQ(o.rc, 1);
    EXPECT_EQ(o.err, "velm print: " + c.message + "\n");
  }
}

// The job's DEVMODE comes from the printer's interface module, as an
// application's document-properties call gets it: without the module the
// print stops, naming it.
TEST_F(PrintJobTest, JobDevmodeComesFromTheInterfaceModule) {
  const std::string module = machine_ + "/c/Windows/System32/spool/drivers/w32x86/3/VELMPD3.DLL";
  const std::string aside = module + ".aside";
  ASSERT_EQ(std::rename(module.c_str(), aside.c_str()), 0);
  Output o = Run("print Office " + pdf_ + " -o " + Job("no-interface") + " --pages 1");
  ASSERT_EQ(std::rename(aside.c_str(), module.c_str()), 0);
  EXPECT_EQ(o.rc, 1);
  EXPECT_NE(o.err.find("cannot load DrvDocumentProperties of the printer interface"), std::string::npos) << o.err;
  EXPECT_NE(o.err.find("VELMPD3.DLL"), std::string::npos) << o.err;
  EXPECT_EQ(Run("print Office " + pdf_ + " -o " + Job("with-interface") + " --pages 1").rc, 0);
}

// Without a DEVMODE file the paper is the model's paper of the page's size,
// as an application's print dialog picks it; a page no paper fits prints on
// the DEVMODE's paper with a warning.
TEST_F(PrintJobTest, PaperFollowsThePageSize) {
  struct Case {
    const char* name;
    double width, height;  // points
    int area_width, area_height;
    bool warned;
  } cases[] = {
      {"A4", 595.276, 841.89, 4761, 6816, false},
      {"Letter", 612, 792, 4900, 6400, false},
      {"Letter half a point off", 612.5, 791.6, 4900, 6400, false},
      {"a square no paper fits", 300, 300, 4761, 6816, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string pdf = Job("paper.pdf");
    ASSERT_EQ(std::system((std::string(MAKE_TEST_PDF " ") + pdf + " 1 " + std::to_string(c.width) + " " +
                           std::to_string(c.height))
                              .c_str()),
              0);
    Output o = Run("print Office " + pdf + " -o " + Job("paper-job"));
    ASSERT_EQ(o.rc, 0) << o.err;
    const std::vector<PageReport> pages = Reports(o.out);
    ASSERT_EQ(pages.size(), 1u) << o.out;
    EXPECT_EQ(pages[0].area_width, c.area_width);
    EXPECT_EQ(pages[0].area_height, c.area_height);
    EXPECT_EQ(o.err.find("velm print: warning: page 1 is 300.0 x 300.0 points, which no paper of the model fits") !=
                  std::string::npos,
              c.warned)
        << o.err;
  }
}

}  // namespace
