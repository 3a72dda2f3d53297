// "velm print" end to end, run as a person runs it: a machine with a printer
// of the reference model, a PDF made by make_test_pdf, the job stream the
// spool-side module wrote, read back with the job-stream reader. The band
// images of the stream are compared with MuPDF's own render of each page at
// the job's resolution, made here directly through MuPDF.
#include <gtest/gtest.h>

extern "C" {
#include <mupdf/fitz.h>
}

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "jobreader/jobreader.h"
#include "test_support.h"

namespace {

struct Output {
  int rc = -1;
  std::string out, err;
};

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The machine every test prints on: one printer "Office" of the reference
// model, DEVMODE files for raster printing in 24-bit colour (300 dpi) and
// in one bit (600 dpi), and a 3-page A4 document.
class PrintJobTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = new test_support::TempFolder("velm-print");
    machine_ = folder_->path() + "/machine";
    pdf_ = folder_->path() + "/doc3.pdf";
    ASSERT_EQ(Run("machine init " + machine_).rc, 0);
    Output add = Run("printer add Office --model " VELM_REFERENCE_MODEL);
    ASSERT_EQ(add.rc, 0) << add.err;
    ASSERT_EQ(Run("devmode set Office vdmImagePrint=1 vdmDstResolutionW=300 -o " + Dm24()).rc, 0);
    ASSERT_EQ(Run("devmode set Office vdmImagePrint=1 vdmColorProcess=1 dmColor=1 -o " + Dm1()).rc, 0);
    ASSERT_EQ(std::system((std::string(MAKE_TEST_PDF " ") + pdf_ + " 3").c_str()), 0);
  }
  static void TearDownTestSuite() {
    delete folder_;
    folder_ = nullptr;
  }

  static std::string Dm24() { return folder_->path() + "/raster24.dm"; }
  static std::string Dm1() { return folder_->path() + "/raster1.dm"; }
  static std::string Job(const std::string& name) { return folder_->path() + "/" + name; }

  // velm with the machine, its outputs caught; env: assignments for the run.
  static Output Run(const std::string& args, const std::string& env = "") {
    std::string out = folder_->path() + "/stdout", err = folder_->path() + "/stderr";
    std::string cmd = env + (env.empty() ? "" : " ") + VELM_TOOL " --machine " + machine_ + " " + args + " >" + out +
                      " 2>" + err;
    Output o;
    int status = std::system(cmd.c_str());
    o.rc = WIFEXITED(status) ? WEXITSTATUS(status) : 1000;
    o.out = ReadFile(out);
    o.err = ReadFile(err);
    return o;
  }

  static test_support::TempFolder* folder_;
  static std::string machine_, pdf_;
};

test_support::TempFolder* PrintJobTest::folder_ = nullptr;
std::string PrintJobTest::machine_, PrintJobTest::pdf_;

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

// MuPDF's render of a page (0-based) at dpi: RGB, or grey for a one-bit job.
struct Render {
  int width = 0, height = 0, comps = 0;
  std::vector<uint8_t> samples;  // rows of width * comps bytes
};

Render RenderPage(const std::string& pdf, int page, int dpi, bool grey) {
  Render r;
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
    pix = fz_new_pixmap_from_page_number(ctx, doc, page, fz_scale(dpi / 72.0f, dpi / 72.0f),
                                         grey ? fz_device_gray(ctx) : fz_device_rgb(ctx), 0);
    r.width = fz_pixmap_width(ctx, pix);
    r.height = fz_pixmap_height(ctx, pix);
    r.comps = fz_pixmap_components(ctx, pix);
    const ptrdiff_t stride = fz_pixmap_stride(ctx, pix);
    const unsigned char* s = fz_pixmap_samples(ctx, pix);
    r.samples.resize(size_t(r.width) * r.comps * r.height);
    for (int y = 0; y < r.height; ++y)
      std::copy(s + y * stride, s + y * stride + r.width * r.comps, r.samples.begin() + size_t(y) * r.width * r.comps);
  }
  fz_always(ctx) {
    if (pix) fz_drop_pixmap(ctx, pix);
    if (doc) fz_drop_document(ctx, doc);
  }
  fz_catch(ctx) { r = Render(); }
  fz_drop_context(ctx);
  return r;
}

// The band height of a page W dots wide and H high: about 300 KB of one-bit
// rows in multiples of 32, at most the page.
int BandHeight(int width, int height) {
  const int row = (width + 31) / 32 * 4;
  return std::min(((307200 / row) / 32 + 1) * 32, height);
}

bool Starts(const std::string& s, const std::string& prefix) { return s.compare(0, prefix.size(), prefix) == 0; }
bool Ends(const std::string& s, const std::string& suffix) {
  return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}
std::string Text(const jobread::Block& b) { return std::string(b.text.begin(), b.text.end()); }

// Checks a whole job of pages printed from document pages doc_pages
// (1-based): the block order, the job text, one image record per band, and
// every band row against MuPDF's render of its page. copies: the QTY the
// job text must carry.
void CheckJob(const std::string& path, const std::string& pdf, const std::vector<PageReport>& reports,
              const std::vector<int>& doc_pages, int copies) {
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
  EXPECT_TRUE(Ends(job, "@PJL ENTER LANGUAGE = VELM\r\n")) << job;
  ASSERT_EQ(s.blocks[1].kind, 0xF3);
  EXPECT_EQ(Text(s.blocks[1]), "@PJL SET JOBNAME = \"doc3.pdf\"\r\n");

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
    const Render render = RenderPage(pdf, doc_pages[p] - 1, rep.dpi, rep.bits == 1);
    ASSERT_EQ(render.width, rep.width);
    ASSERT_EQ(render.height, rep.height);
    size_t wrong = 0, black = 0, white = 0;
    std::string first_wrong;
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
          // The page's pixel: MuPDF's, where the printable area lies on the
          // paper; below the page, paper white.
          const int sx = x + rep.offset_x, sy = y + rep.offset_y;
          const bool on_page = y < H && sx < render.width && sy < render.height;
          const uint8_t* src = on_page ? &render.samples[(size_t(sy) * render.width + sx) * render.comps] : nullptr;
          bool same;
          if (rep.bits == 1) {
            const bool band_white = (band_row[x >> 3] >> (7 - (x & 7))) & 1;
            const bool page_white = !src || src[0] >= 128;
            same = band_white == page_white;
            (band_white ? white : black) += 1;
          } else {
            const uint8_t* bgr = band_row + 3 * x;
            const uint8_t want[3] = {src ? src[2] : uint8_t(255), src ? src[1] : uint8_t(255),
                                     src ? src[0] : uint8_t(255)};
            same = bgr[0] == want[0] && bgr[1] == want[1] && bgr[2] == want[2];
            (bgr[0] == 255 && bgr[1] == 255 && bgr[2] == 255 ? white : black) += 1;
          }
          if (!same && wrong++ == 0) first_wrong = "(" + std::to_string(x) + "," + std::to_string(y) + ")";
        }
      }
    }
    EXPECT_EQ(wrong, 0u) << "first differing pixel at " << first_wrong;
    // A real page: ink and paper both.
    EXPECT_GT(black, size_t(W) * 10);
    EXPECT_GT(white, size_t(W) * H / 2);
  }
  EXPECT_EQ(b, s.blocks.size()) << "blocks after the last page";
  EXPECT_EQ(r, s.records.size());
}

TEST_F(PrintJobTest, RasterJobsEqualMupdfRender) {
  struct Case {
    const char* name;
    std::string devmode;
    int dpi, bits;
  } cases[] = {{"24-bit", Dm24(), 300, 24}, {"1-bit", Dm1(), 600, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string job = Job(std::string("job-") + c.name);
    Output o = Run("print Office " + pdf_ + " -o " + job + " --devmode " + c.devmode);
    ASSERT_EQ(o.rc, 0) << o.err;
    std::vector<PageReport> reports = Reports(o.out);
    ASSERT_EQ(reports.size(), 3u) << o.out;
    for (const PageReport& rep : reports) {
      EXPECT_EQ(rep.dpi, c.dpi);
      EXPECT_EQ(rep.bits, c.bits);
    }
    EXPECT_NE(o.out.find(" 3 pages to " + job), std::string::npos) << o.out;
    CheckJob(job, pdf_, reports, {1, 2, 3}, 1);
    // The dump of the host reads the same stream without an error.
    Output dump = Run("job dump --summary " + job);
    EXPECT_EQ(dump.rc, 0) << dump.err;
    EXPECT_NE(dump.out.find("job-start        F3  length 31        @PJL SET JOBNAME = \"doc3.pdf\""), std::string::npos)
        << dump.out;
  }
}

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

}  // namespace
