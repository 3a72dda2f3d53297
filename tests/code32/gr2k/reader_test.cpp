// The job-stream reader on streams that break the format, its listing, and
// "velm job dump" run as a person runs it.
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "gr_test_support.h"

namespace {

using grtest::Hex;

// A stream of one data block holding the given record bytes.
std::vector<uint8_t> DataBlock(const std::string& hex) {
  std::vector<uint8_t> data = Hex(hex);
  std::vector<uint8_t> out = Hex("f5 000000");
  grtest::PutLe32(&out, uint32_t(data.size()));
  out.insert(out.end(), data.begin(), data.end());
  return out;
}

std::vector<uint8_t> Cat(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

struct BadCase {
  const char* name;
  std::vector<uint8_t> bytes;
  uint64_t offset;
  const char* message;  // a part of it
};

TEST(JobReader, StopsAtTheFirstByteThatBreaksTheFormat) {
  // A glyph bitmap record: flags, size, data offset, data length, coding and data.
  auto glyph = [](const std::string& flags, const std::string& size, const std::string& offset,
                  const std::string& length, const std::string& coding, const std::string& data) {
    return "53 00 " + flags + " 00 " + size + " 00000000 00000000 00000000 00000000 00000000 00000000 " + offset +
           " 00000000 00000000 08000000 02000000 " + length + " 00000000 4100 " + coding + " 00 " + data;
  };
  const BadCase cases[] = {
      {"cut-off block header", Hex("f5 00 00"), 0, "block header cut off"},
      {"unknown block kind", Hex("f2 000000 00000000"), 0, "unknown block kind 0xF2"},
      {"length past the end", Hex("f3 000000 10000000 41"), 4, "runs past the end"},
      {"non-empty header end", Hex("f0 000000 01000000 00"), 4, "has length 1, not 0"},
      {"unknown opcode", DataBlock("99000000"), 8, "unknown record opcode 0x99"},
      {"record header cut by a page end", Cat(DataBlock("10000000"), Hex("f1 000000 00000000")), 12,
       "cut off by a page-end block"},
      {"record cut by the end", DataBlock("60000000"), 12, "needs 16 bytes but the end of the stream"},
      {"colour size not 8, 12 or 16", DataBlock("30 05 01 00 000000 00"), 9, "colour record size 5"},
      {"colour size against its flags", DataBlock("30 0c 01 00 000000 000000 0000"), 12, "should be 8"},
      {"colour without flag 1", DataBlock("30 08 00 00 000000 00"), 10, "lack the 0x01 bit"},
      {"colour padding", DataBlock("30 08 01 00 000000 07"), 15, "padding byte"},
      {"rectangle size against its kind", DataBlock("10 00 05 00 28000000" + std::string(64, '0')), 12,
       "should be 24"},
      {"size not a multiple of 4", DataBlock("10 00 01 00 0a000000 0000"), 12, "not a multiple of 4"},
      {"background mode 3", DataBlock("32 03 00 00"), 9, "background mode 3"},
      {"end cap 3", DataBlock("35 03 00 00"), 9, "end cap 3"},
      {"join 5", DataBlock("36 05 00 00 00000000"), 9, "line join 5"},
      {"image depth 3", DataBlock("20 00 23 00 38000000" + std::string(96, '0')), 10, "depth code 3"},
      {"image size against its rows",
       DataBlock("20 00 24 00 3c000000 00000000 00000000 01000000 01000000 00000000 00000000 02000000 01000000"
                 "00000000 00000000 01000000 01000000 00000000"),
       12, "does not match 2 x 1"},
      {"image rectangle against its size",
       DataBlock("20 00 24 00 3c000000 00000000 00000000 05000000 01000000 00000000 00000000 01000000 01000000"
                 "00000000 00000000 01000000 01000000 00000000"),
       16, "does not agree"},
      {"image padding",
       DataBlock("20 00 00 00 44000000 00000000 00000000 01000000 01000000 00000000 00000000 01000000 01000000"
                 "00000000 00000000 01000000 01000000 000000 ffffff 80000000 00 01"),
       75, "padding byte of the image"},
      {"path work size", DataBlock("12 00 00 00 34000000 00000000 00000000 00000000 00000000 05000000"
                                   "01000000 00000000 00000000 00000000 10000000 10000000"),
       32, "work size 5 should be 6"},
      {"curve in a path of lines", DataBlock("12 00 00 00 44000000 00000000 00000000 00000000 00000000 0a000000"
                                             "01000000 00000000 00000000 01000000 000000000000000000000000"
                                             "000000000000000000000000"),
       48, "curve segment in a path of lines"},
      {"segment type 2", DataBlock("11 00 00 00 2c000000 00000000 00000000 00000000 00000000 06000000"
                                   "01000000 00000000 00000000 02000000"),
       48, "segment type 2"},
      {"font name against the size", DataBlock("50 00 00 00 0800 9001 0000 0000 0000 2400 00000000 0000 0000"
                                               "417269616c 00000000000000"),
       22, "should be 32 for a face name of 5 bytes"},
      {"font flags without a kind", DataBlock("50 00 00 00 0000 9001 0000 0000 0000 1c00 00000000 0000 0000 00000000"),
       12, "name no font kind"},
      {"font name without its zero", DataBlock("50 00 00 00 0800 9001 0000 0000 0000 1c00 00000000 0000 0000 41414141"),
       36, "no terminating zero"},
      {"string size against its count",
       DataBlock("52 00 80 00 28000000 00000000 00000000 00000000 00000000 00000000 00000000 0300 0000 0000 0000"),
       12, "string record size 40 should be 48"},
      {"glyph sent earlier with data", DataBlock(glyph("48", "44000000", "40000000", "01000000", "00", "ff000000")),
       60, "sent earlier"},
      {"plain glyph length", DataBlock(glyph("08", "44000000", "40000000", "01000000", "00", "ff000000")), 70,
       "should be 2 for 8 x 2"},
      {"compressed glyph longer than the bitmap",
       DataBlock(glyph("08", "44000000", "40000000", "03000000", "02", "8700ff 00")), 72,
       "stands for 9 bytes but only 2"},
      {"compressed glyph extension cut off",
       DataBlock(glyph("08", "44000000", "40000000", "01000000", "02", "78 000000")), 72, "extension cut off"},
      {"glyph data coding 1",
       DataBlock("54 00 08 00 20000000 01000000 08000000 01000000 00000000 4100 01 00 ff000000"), 34, "coding 1"},
      {"pattern size", DataBlock("40 80 08 01 0800 0000 0000000000000000"), 10, "pattern size 8"},
      {"pattern data length", DataBlock("40 80 10 01 0800 0000 00000000 00000000"), 12, "should be 32"},
  };
  for (const BadCase& c : cases) {
    jobread::Stream stream;
    jobread::Error error;
    EXPECT_FALSE(jobread::ReadStream(c.bytes.data(), c.bytes.size(), &stream, &error)) << c.name;
    EXPECT_EQ(error.offset, c.offset) << c.name << ": " << error.message;
    EXPECT_NE(error.message.find(c.message), std::string::npos) << c.name << ": " << error.message;
  }
}

TEST(JobReader, RecordsRunOnAcrossDataBlocksAndEmptyOnes) {
  std::vector<uint8_t> bytes = Cat(Cat(DataBlock("60 000000 01000000"), DataBlock("")),
                                   Cat(DataBlock("02000000 5802 5802 61 00"), DataBlock("0000")));
  bytes = Cat(bytes, Hex("f1 000000 02000000 4142"));
  jobread::Stream stream;
  jobread::Error error;
  ASSERT_TRUE(jobread::ReadStream(bytes.data(), bytes.size(), &stream, &error)) << error.message;
  ASSERT_EQ(stream.records.size(), 2u);
  EXPECT_EQ(stream.records[0].offset, 8u);
  EXPECT_EQ(stream.records[0].Int("height"), 2);
  EXPECT_EQ(stream.records[0].Int("x_dpi"), 600);
  EXPECT_EQ(stream.records[1].opcode, 0x61);
  EXPECT_EQ(stream.records[1].offset, 16u + 8 + 8 + 8);  // third block, after its 8 record bytes
  ASSERT_EQ(stream.blocks.size(), 5u);
  EXPECT_EQ(stream.blocks[4].text, Hex("4142"));
  // An error inside a record that runs across blocks is placed in the file.
  bytes = Cat(DataBlock("20 00"), DataBlock("23 00 38000000" + std::string(96, '0')));
  EXPECT_FALSE(jobread::ReadStream(bytes.data(), bytes.size(), &stream, &error));
  EXPECT_EQ(error.offset, 18u) << error.message;  // the depth byte, first of the second block's data
}

TEST(JobReader, ListsBlocksRecordsAndGlyphRows) {
  std::vector<uint8_t> bytes = Hex("f3000000 0f000000");
  const std::string text = "@PJL ENTER\r\n\x82\xa0\\";
  bytes.insert(bytes.end(), text.begin(), text.end());
  bytes = Cat(bytes, Hex("f4000000 00000000 f0000000 00000000"));
  bytes = Cat(bytes, DataBlock("30 08 41 00 ff8000 00"
                               "54 00 08 00 20000000 02000000 03000000 02000000 00000000 4100 00 00 a040 0000"
                               "61000000"));
  jobread::Stream stream;
  jobread::Error error;
  ASSERT_TRUE(jobread::ReadStream(bytes.data(), bytes.size(), &stream, &error)) << error.message;
  EXPECT_EQ(jobread::Format(stream),
            "00000000  block F3 job-start length 15\n"
            "          | @PJL ENTER\\r\\n\n"
            "          | \xe3\x81\x82\\\\\n"
            "00000017  block F4 page-start length 0\n"
            "0000001f  block F0 page-header-end length 0\n"
            "00000027  block F5 data length 44\n"
            "0000002f    record 30 colour size 8: opaque=0 third=0 text=1 host=0 foreground=ff8000\n"
            "00000037    record 54 glyph-define size 32: flags=0x8 data_length=2 width=3 height=2 code=65 coding=0"
            " plain_size=2 bitmap=a040\n"
            "              |#.#|\n"
            "              |.#.|\n"
            "00000057    record 61 end-page size 4:\n");
}

// ---- whole jobs ---------------------------------------------------------------------------

// A command-text block of a kind.
std::vector<uint8_t> TextBlock(uint8_t kind, const std::string& text) {
  std::vector<uint8_t> out = {kind, 0, 0, 0};
  grtest::PutLe32(&out, uint32_t(text.size()));
  out.insert(out.end(), text.begin(), text.end());
  return out;
}

// One page: page start, header end, its records (begin-page, rop, end-page)
// and page end.
std::vector<uint8_t> Page() {
  return Cat(Cat(Cat(TextBlock(0xF4, "@PJL SET PAPER = A4\r\n"), Hex("f0000000 00000000")),
                 DataBlock("60000000 61130000 681b0000 58025802 31 cc 0000 61000000")),
             TextBlock(0xF1, "\x0c"));
}

// A job of two pages, the second after a reset (a job-start block again).
std::vector<uint8_t> WholeJob() {
  return Cat(Cat(Cat(TextBlock(0xF3, "@PJL ENTER LANGUAGE = VELM\r\n"), Page()), TextBlock(0xF3, "@PJL\r\n")),
             Page());
}

jobread::Options Whole() {
  jobread::Options options;
  options.wholeJob = true;
  return options;
}

TEST(JobReader, AWholeJobStopsWhereItStopsBeingOne) {
  const std::vector<uint8_t> job = WholeJob();
  jobread::Stream stream;
  jobread::Error error;
  ASSERT_TRUE(jobread::ReadStream(job.data(), job.size(), &stream, &error, Whole())) << error.message;
  EXPECT_EQ(stream.records.size(), 6u);

  const size_t page = Page().size(), start = TextBlock(0xF3, "@PJL ENTER LANGUAGE = VELM\r\n").size();
  const size_t header = TextBlock(0xF4, "@PJL SET PAPER = A4\r\n").size() + 8;  // page start and header end
  auto head = [&](size_t n) { return std::vector<uint8_t>(job.begin(), job.begin() + std::ptrdiff_t(n)); };
  auto page_with = [&](const std::string& records) {
    return Cat(Cat(TextBlock(0xF3, "x"), Cat(TextBlock(0xF4, ""), Hex("f0000000 00000000"))),
               Cat(DataBlock(records), TextBlock(0xF1, "")));
  };
  const std::string begin = "60000000 01000000 01000000 58025802 ";
  const BadCase cases[] = {
      {"empty", {}, 0, "empty, and a job begins with a job-start block (0xF3)"},
      {"a PDF", Hex("255044462d312e350a"), 0, "not a job stream: a job begins with a job-start block (0xF3), this "
                                               "begins with 25 50 44 46 2d 31 2e 35 (\"%PDF-1.5\")"},
      {"a data block first", DataBlock("61000000"), 0, "not a job stream"},
      {"a job start alone", head(start), start, "the job stops after its job start, before its first page"},
      {"a page start alone", head(start + header - 8), start + header - 8,
       "the job stops inside page 1 (begun at 0x24): no page-header-end block"},
      {"a page header without records", head(start + header), start + header, "inside page 1 (begun at 0x24): no records"},
      {"cut inside a data block", head(start + header + 20), start + header + 4,
       "the job stops inside page 1 (begun at 0x24): data block length 24 runs past the end (12 bytes follow)"},
      {"cut inside a block header", head(start + header + 3), start + header,
       "the job stops inside page 1 (begun at 0x24): block header cut off"},
      {"no end-page record", Cat(page_with(begin + "31cc0000"), TextBlock(0xF3, "")), 9 + 8 + 8 + 8 + 20,
       "page-end block before the end-page record of page 1"},
      {"cut before the end-page record",
       Cat(Cat(TextBlock(0xF3, "x"), Cat(TextBlock(0xF4, ""), Hex("f0000000 00000000"))), DataBlock(begin)),
       9 + 8 + 8 + 8 + 16, "the job stops inside page 1 (begun at 0x9): no end-page record"},
      {"no page-end block", head(start + page - 9), start + page - 9, "inside page 1 (begun at 0x24): no page-end block"},
      {"a second page start", Cat(head(start + header + 8 + 24), Cat(TextBlock(0xF4, ""), Hex("f0000000 00000000"))),
       start + header + 8 + 24, "page-start block inside page 1 (begun at 0x24), which has no page end"},
      {"a page end before the end-page record", page_with(begin), 9 + 8 + 8 + 8 + 16,
       "page-end block before the end-page record of page 1"},
      {"a record before the begin-page record", page_with("31cc0000 " + begin + "61000000"), 9 + 8 + 8 + 8,
       "record 0x31 (rop) before the begin-page record of page 1"},
      {"two begin-page records", page_with(begin + begin + "61000000"), 9 + 8 + 8 + 8 + 16,
       "a second begin-page record in page 1"},
      {"a record after the end-page record", page_with(begin + "61000000 31cc0000"), 9 + 8 + 8 + 8 + 20,
       "record 0x31 (rop) after the end-page record of page 1"},
      {"data outside a page", Cat(TextBlock(0xF3, "x"), DataBlock("")), 9, "data block outside a page"},
      {"data before the header ends", Cat(Cat(TextBlock(0xF3, "x"), TextBlock(0xF4, "")), DataBlock("")), 17,
       "data block before the header of page 1 (begun at 0x9) ends"},
      {"a header end outside a page", Cat(TextBlock(0xF3, "x"), Hex("f0000000 00000000")), 9,
       "page-header-end block outside a page start"},
      {"a job start inside a page", Cat(Cat(TextBlock(0xF3, "x"), TextBlock(0xF4, "")), TextBlock(0xF3, "")), 17,
       "job-start block inside page 1"},
  };
  for (const BadCase& c : cases) {
    EXPECT_FALSE(jobread::ReadStream(c.bytes.data(), c.bytes.size(), &stream, &error, Whole())) << c.name;
    EXPECT_EQ(error.offset, c.offset) << c.name << ": " << error.message;
    EXPECT_NE(error.message.find(c.message), std::string::npos) << c.name << ": " << error.message;
  }
}

// Everything the scanner hands on, as text, with the error if any.
std::string ScanInPieces(const std::vector<uint8_t>& bytes, size_t piece, const jobread::Options& options) {
  struct Text : jobread::Scanner::Sink {
    std::string out;
    void OnBlock(const jobread::Block& b) override { out += jobread::Format(b); }
    void OnRecord(jobread::Record&& r) override { out += jobread::Format(r); }
  } text;
  jobread::Scanner scanner(options, &text);
  scanner.SetSize(bytes.size());
  jobread::Error error;
  bool ok = true;
  for (size_t at = 0; ok && at < bytes.size(); at += piece) {
    ok = scanner.Feed(bytes.data() + at, std::min(piece, bytes.size() - at), &error);
  }
  if (ok) ok = scanner.Finish(&error);
  return text.out + (ok ? "" : "error at " + std::to_string(error.offset) + ": " + error.message);
}

TEST(JobReader, ReadsInPiecesAsInOneWhole) {
  // Records that run on across data blocks and pieces (a record whose size
  // the first bytes do not tell, followed by short ones), an empty data
  // block, and a bad byte in a record that runs on.
  const std::vector<uint8_t> job =
      Cat(Cat(Cat(TextBlock(0xF3, "@PJL\r\n"), Cat(TextBlock(0xF4, "A4"), Hex("f0000000 00000000"))),
              Cat(DataBlock("60000000 61130000 681b"), DataBlock(""))),
          Cat(DataBlock("0000 58025802 30 08 41 00 ff8000 00 31cc0000 32010000 30 08 41 00 ff80"),
              Cat(DataBlock("00 00 61000000"), TextBlock(0xF1, "\x0c"))));
  const std::vector<uint8_t> bad = Cat(DataBlock("20 00"), DataBlock("23 00 38000000" + std::string(96, '0')));
  for (const bool whole_job : {true, false}) {
    const std::vector<uint8_t>& bytes = whole_job ? job : bad;
    const jobread::Options options = whole_job ? Whole() : jobread::Options{};
    jobread::Stream stream;
    jobread::Error error;
    const bool ok = jobread::ReadStream(bytes.data(), bytes.size(), &stream, &error, options);
    const std::string whole = jobread::Format(stream) + (ok ? "" : "error at " + std::to_string(error.offset) + ": " +
                                                                       error.message);
    EXPECT_EQ(ok, whole_job) << whole;
    for (size_t piece = 1; piece <= bytes.size(); ++piece) {
      ASSERT_EQ(ScanInPieces(bytes, piece, options), whole) << "pieces of " << piece << " bytes";
    }
  }
}

// ---- velm job dump ------------------------------------------------------------------------

struct CliRun {
  int status;
  std::string output;
};

CliRun Velm(const std::string& args) {
  CliRun run{-1, {}};
  FILE* p = popen((std::string(VELM_TOOL) + " " + args + " 2>&1").c_str(), "r");
  if (!p) return run;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) run.output.append(buf, n);
  int status = pclose(p);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

std::string WriteFile(const std::string& name, const std::vector<uint8_t>& bytes) {
  // The process id keeps runs side by side (ctest -j, other builds) apart.
  std::string path = ::testing::TempDir() + std::to_string(getpid()) + "-" + name;
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), long(bytes.size()));
  return path;
}

TEST(VelmJobDump, PrintsAWholeJobAndExitsZero) {
  std::string path = WriteFile("good.job", WholeJob());
  CliRun run = Velm("job dump " + path);
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find("record 60 begin-page size 16: width=4961 height=7016 x_dpi=600 y_dpi=600"),
            std::string::npos)
      << run.output;
  EXPECT_NE(run.output.find("10 blocks, 6 records, " + std::to_string(WholeJob().size()) + " bytes"),
            std::string::npos)
      << run.output;
  run = Velm("job dump --summary " + path);
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find("data             F5  length 24        1 block: 1 begin-page, 1 rop, 1 end-page\n"
                            "page-end         F1  length 1         \\x0c\n"),
            std::string::npos)
      << run.output;
}

// An empty file, a file that is no job, and jobs that stop part-way (a
// killed print leaves such files in the spool folder): what was read, then
// the offset and the reason, and exit 1, in both listings.
TEST(VelmJobDump, RefusesWhatIsNoWholeJob) {
  const std::vector<uint8_t> job = WholeJob();
  const size_t start = TextBlock(0xF3, "@PJL ENTER LANGUAGE = VELM\r\n").size();
  const size_t header = TextBlock(0xF4, "@PJL SET PAPER = A4\r\n").size() + 8;
  const struct {
    const char* name;
    std::vector<uint8_t> bytes;
    const char* message;
  } cases[] = {
      {"empty", {}, "offset 0x0 (0): empty, and a job begins with a job-start block (0xF3)"},
      {"text", Hex("3130303a3a3a3a0a"), "offset 0x0 (0): not a job stream: a job begins with a job-start block"},
      {"page-start", std::vector<uint8_t>(job.begin(), job.begin() + std::ptrdiff_t(start + header)),
       "offset 0x49 (73): the job stops inside page 1 (begun at 0x24): no records"},
      {"inside-a-block", std::vector<uint8_t>(job.begin(), job.begin() + std::ptrdiff_t(start + header + 20)),
       "offset 0x4d (77): the job stops inside page 1 (begun at 0x24): data block length 24 runs past the end"},
  };
  for (const auto& c : cases) {
    const std::string path = WriteFile(std::string(c.name) + ".job", c.bytes);
    for (const char* how : {"job dump ", "job dump --summary "}) {
      CliRun run = Velm(how + path);
      EXPECT_EQ(run.status, 1) << how << c.name << ": " << run.output;
      EXPECT_NE(run.output.find("velm job dump: " + path + ": " + c.message), std::string::npos)
          << how << c.name << ": " << run.output;
    }
  }
}

TEST(VelmJobDump, StopsWithTheOffsetAndExitsNonZero) {
  std::string path =
      WriteFile("bad.job", Cat(Cat(TextBlock(0xF3, "x"), Cat(TextBlock(0xF4, ""), Hex("f0000000 00000000"))),
                               Cat(DataBlock("60000000 01000000 01000000 58025802 31cc0000"), DataBlock("32 07 00 00"))));
  CliRun run = Velm("job dump " + path);
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.output.find("record 31 rop"), std::string::npos) << run.output;  // what came before
  EXPECT_NE(run.output.find("offset 0x3e (62): record 0x32 (background-mode) at 0x3D: background mode 7"),
            std::string::npos)
      << run.output;
  EXPECT_EQ(Velm("job dump /nonexistent/x.job").status, 1);
  EXPECT_EQ(Velm("job").status, 2);
  EXPECT_EQ(Velm("job print x").status, 2);
}

}  // namespace
