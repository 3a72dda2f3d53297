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

TEST(VelmJobDump, PrintsAGoodStreamAndExitsZero) {
  std::string path = WriteFile("good.job", Cat(DataBlock("60000000 61130000 681b0000 58025802 61000000"),
                                               Hex("f1 000000 00000000")));
  CliRun run = Velm("job dump " + path);
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find("record 60 begin-page size 16: width=4961 height=7016 x_dpi=600 y_dpi=600"),
            std::string::npos)
      << run.output;
  EXPECT_NE(run.output.find("2 blocks, 2 records, 36 bytes"), std::string::npos) << run.output;
}

TEST(VelmJobDump, StopsWithTheOffsetAndExitsNonZero) {
  std::string path = WriteFile("bad.job", Cat(DataBlock("61000000"), DataBlock("32 07 00 00")));
  CliRun run = Velm("job dump " + path);
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.output.find("record 61 end-page"), std::string::npos) << run.output;  // what came before
  EXPECT_NE(run.output.find("offset 0x15 (21): record 0x32 (background-mode) at 0x14: background mode 7"),
            std::string::npos)
      << run.output;
  EXPECT_EQ(Velm("job dump /nonexistent/x.job").status, 1);
  EXPECT_EQ(Velm("job").status, 2);
  EXPECT_EQ(Velm("job print x").status, 2);
}

}  // namespace
