// The stand-in spool-side output module, loaded from the machine folder as
// the graphics library will load it, on its own and under the job stream.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "gr2k/spool_api.h"
#include "gr_test_support.h"
#include "plat/files.h"
#include "plat/kernel.h"
#include "plat/machine.h"
#include "test_support.h"

namespace {

std::vector<uint8_t> ReadAll(const std::string& path) {
  const std::string b = test_support::ReadFile(path);
  return std::vector<uint8_t>(b.begin(), b.end());
}

std::string ReadText(const std::string& path) { return test_support::ReadFile(path); }

class SpoolSide : public ::testing::Test {
 protected:
  void SetUp() override {
    unsetenv("VELM_MACHINE");
    plat::SetMachineRoot(root_);
    ASSERT_TRUE(plat::EnsureWindowsDir(u"C:\\Drivers"));
    out_ = root_ + "/out.prn";
    log_ = root_ + "/calls.log";
    setenv("VELMOUT1_FILE", out_.c_str(), 1);
    setenv("VELMOUT1_LOG", log_.c_str(), 1);
  }
  void TearDown() override {
    if (module_) FreeLibrary(module_);
    for (const char* v : {"VELMOUT1_FILE", "VELMOUT1_LOG", "VELMOUT1_FAIL_WRITE", "VELMOUT1_SHORT_WRITE"}) unsetenv(v);
  }

  // Copies a build of the module in as VELMOUT1.DLL and loads it.
  HMODULE Load(const char* build) {
    EXPECT_TRUE(test_support::CopyFile(build, root_ + "/c/Drivers/VELMOUT1.DLL"));
    module_ = LoadLibraryW(u"C:\\Drivers\\VELMOUT1.DLL");
    EXPECT_NE(module_, nullptr);
    return module_;
  }
  template <typename Fn>
  Fn Proc(const char* name) {
    return reinterpret_cast<Fn>(GetProcAddress(module_, name));
  }

  test_support::TempFolder folder_{"velm-spoolside"};
  std::string root_ = folder_.path();
  std::string out_, log_;
  HMODULE module_ = nullptr;
};

TEST_F(SpoolSide, WritesTheDocumentToItsFileAndLogsTheCalls) {
  Load(VELMOUT1_FULL);
  auto start = Proc<SplStartDocFn>(kSplStartDocEx);
  auto write = Proc<SplWritePrinterFn>(kSplWritePrinter);
  auto start_page = Proc<SplStartPageFn>(kSplStartPage);
  auto end_page = Proc<SplEndPageFn>(kSplEndPage);
  auto end_doc = Proc<SplEndDocFn>(kSplEndDoc);
  auto close = Proc<SplCloseFn>(kSplClose);
  ASSERT_TRUE(start && write && start_page && end_page && end_doc && close);
  ASSERT_NE(Proc<SplStartDocFn>(kSplStartDoc), nullptr);
  HANDLE doc = start(reinterpret_cast<HANDLE>(0x10), 7);
  ASSERT_NE(doc, nullptr);
  start_page(doc);
  DWORD written = 0;
  char a[] = "hello ", b[] = "world";
  EXPECT_TRUE(write(doc, a, 6, &written));
  EXPECT_EQ(written, 6u);
  EXPECT_TRUE(write(doc, b, 5, &written));
  end_page(doc);
  end_doc(doc);
  close(doc);
  EXPECT_EQ(ReadText(out_), "hello world");
  EXPECT_EQ(ReadText(log_), "StartDocEx job=7\nStartPage\nWrite 6\nWrite 5\nEndPage\nEndDoc\nClose\n");
}

// A stream of many megabytes (the module hands the file to the disk as it
// grows) arrives whole and in order, in writes of the graphics library's
// size and of odd sizes.
TEST_F(SpoolSide, AStreamOfManyMegabytesArrivesWhole) {
  unsetenv("VELMOUT1_LOG");  // thousands of lines otherwise
  Load(VELMOUT1_FULL);
  auto start = Proc<SplStartDocFn>(kSplStartDocEx);
  auto write = Proc<SplWritePrinterFn>(kSplWritePrinter);
  auto end_doc = Proc<SplEndDocFn>(kSplEndDoc);
  auto close = Proc<SplCloseFn>(kSplClose);
  ASSERT_TRUE(start && write && end_doc && close);
  HANDLE doc = start(reinterpret_cast<HANDLE>(0x10), 8);
  ASSERT_NE(doc, nullptr);
  std::string sent;
  std::vector<char> chunk(4096);
  uint32_t seed = 7;
  for (size_t n = 0; sent.size() < (20u << 20); ++n) {
    const DWORD size = n % 3 == 2 ? DWORD(1 + n % 4093) : 4096;
    for (DWORD i = 0; i < size; ++i) chunk[i] = char((seed = seed * 1103515245u + 12345u) >> 16);
    DWORD written = 0;
    ASSERT_TRUE(write(doc, chunk.data(), size, &written));
    ASSERT_EQ(written, size);
    sent.append(chunk.data(), size);
  }
  end_doc(doc);
  close(doc);
  const std::string got = ReadText(out_);
  ASSERT_EQ(got.size(), sent.size());
  EXPECT_TRUE(got == sent);
}

TEST_F(SpoolSide, FailsOrShortWritesTheNthWriteWhenAsked) {
  Load(VELMOUT1_FULL);
  auto start = Proc<SplStartDocFn>(kSplStartDocEx);
  auto write = Proc<SplWritePrinterFn>(kSplWritePrinter);
  auto close = Proc<SplCloseFn>(kSplClose);
  char data[] = "abcdefgh";
  DWORD written = 99;

  setenv("VELMOUT1_FAIL_WRITE", "2", 1);
  HANDLE doc = start(nullptr, 1);
  EXPECT_TRUE(write(doc, data, 8, &written));
  EXPECT_FALSE(write(doc, data, 8, &written));
  EXPECT_EQ(written, 0u);
  close(doc);
  EXPECT_EQ(ReadText(out_), "abcdefgh");
  unsetenv("VELMOUT1_FAIL_WRITE");

  setenv("VELMOUT1_SHORT_WRITE", "1", 1);
  doc = start(nullptr, 2);  // a new document starts the file and the count again
  EXPECT_TRUE(write(doc, data, 8, &written));
  EXPECT_EQ(written, 4u);
  close(doc);
  EXPECT_EQ(ReadText(out_), "abcd");
}

// A full disk (here /dev/full) refuses a write with ERROR_DISK_FULL, and
// every write after it too: the stream has lost bytes.
TEST_F(SpoolSide, AFullDiskRefusesTheWriteAndEveryWriteAfterIt) {
  Load(VELMOUT1_FULL);
  auto start = Proc<SplStartDocFn>(kSplStartDocEx);
  auto write = Proc<SplWritePrinterFn>(kSplWritePrinter);
  auto close = Proc<SplCloseFn>(kSplClose);
  char data[] = "abcdefgh";
  DWORD written = 99;
  setenv("VELMOUT1_FILE", "/dev/full", 1);
  HANDLE doc = start(nullptr, 2);
  ASSERT_NE(doc, nullptr);
  for (int i = 0; i < 2; ++i) {
    SCOPED_TRACE(i);
    SetLastError(0);
    EXPECT_FALSE(write(doc, data, 8, &written));
    EXPECT_EQ(written, 0u);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_DISK_FULL));
  }
  close(doc);
}

TEST_F(SpoolSide, VariantsLackTheirExports) {
  struct Case {
    const char* build;
    bool start_ex, start, write;
  } cases[] = {
      {VELMOUT1_NOWRITE, true, true, false},
      {VELMOUT1_NOSTARTDOCEX, false, true, true},
      {VELMOUT1_NOSTARTDOC, false, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.build);
    Load(c.build);
    EXPECT_EQ(Proc<SplStartDocFn>(kSplStartDocEx) != nullptr, c.start_ex);
    EXPECT_EQ(Proc<SplStartDocFn>(kSplStartDoc) != nullptr, c.start);
    EXPECT_EQ(Proc<SplWritePrinterFn>(kSplWritePrinter) != nullptr, c.write);
    EXPECT_NE(Proc<SplEndDocFn>(kSplEndDoc), nullptr);
    FreeLibrary(module_);
    module_ = nullptr;
  }
}

TEST_F(SpoolSide, WithoutADocumentStartWritesGoToOneDocumentOfTheModule) {
  Load(VELMOUT1_NOSTARTDOC);
  auto write = Proc<SplWritePrinterFn>(kSplWritePrinter);
  DWORD written = 0;
  char data[] = "xyz";
  EXPECT_TRUE(write(nullptr, data, 3, &written));
  EXPECT_TRUE(write(nullptr, data, 3, &written));
  Proc<SplEndDocFn>(kSplEndDoc)(nullptr);
  EXPECT_EQ(ReadText(out_), "xyzxyz");
}

TEST_F(SpoolSide, WithoutAnOutputFileNamedTheJobGoesIntoTheMachineFolder) {
  unsetenv("VELMOUT1_FILE");
  Load(VELMOUT1_FULL);
  HANDLE doc = Proc<SplStartDocFn>(kSplStartDocEx)(nullptr, 42);
  DWORD written = 0;
  char data[] = "job";
  EXPECT_TRUE(Proc<SplWritePrinterFn>(kSplWritePrinter)(doc, data, 3, &written));
  Proc<SplCloseFn>(kSplClose)(doc);
  EXPECT_EQ(ReadText(plat::MapPath(u"C:\\Windows\\Temp\\VELMOUT1-42.prn")), "job");
}

// The stream of a page through the module, read back from its file.
int32_t Text(DriverContext*, CommandTextSink* sink) { return CommandTextAppend(sink, "@PJL\r\n") ? 6 : -1; }

TEST_F(SpoolSide, APageOfTheJobStreamReadsBackFromTheFile) {
  Load(VELMOUT1_FULL);
  Pdev* pdev = PdevCreate(nullptr);
  ASSERT_NE(pdev, nullptr);
  pdev->machineColor = 1;  // a colour device: the rows go as they are
  pdev->color = 2;
  DisplayListStream* s = &pdev->stream;
  s->spoolModule = module_;
  s->spoolWrite = Proc<SplWritePrinterFn>(kSplWritePrinter);
  s->spoolDocument = Proc<SplStartDocFn>(kSplStartDocEx)(nullptr, 3);
  ASSERT_TRUE(JobWriteJobStart(s, nullptr, Text));
  ASSERT_TRUE(JobWritePageStart(s, nullptr, Text));
  ASSERT_NE(DlBeginPage(s, 4961, 7016, 600), nullptr);
  std::vector<uint8_t> pixels(3 * 3000 * 400, 0x77);  // 3.6 MB: flushes mid-page
  ASSERT_TRUE(DlImage(s, {0, 0, 3000, 400, 0, 0, 3000, 400, kImageDepth24, pixels.data(), nullptr, false}));
  ASSERT_NE(DlEndPage(s), nullptr);
  ASSERT_TRUE(DlFlush(s));
  ASSERT_TRUE(JobWritePageEnd(s, nullptr, Text));
  Proc<SplEndDocFn>(kSplEndDoc)(s->spoolDocument);
  Proc<SplCloseFn>(kSplClose)(s->spoolDocument);

  std::vector<uint8_t> file = ReadAll(out_);
  jobread::Stream read;
  jobread::Error error;
  ASSERT_TRUE(jobread::ReadStream(file.data(), file.size(), &read, &error)) << error.message;
  ASSERT_EQ(read.records.size(), 3u);
  EXPECT_EQ(read.records[1].Int("rows"), 400);
  EXPECT_EQ(read.records[1].Bytes("pixels"), pixels);
  EXPECT_EQ(read.blocks.front().kind, kBlockJobStart);
  EXPECT_EQ(read.blocks.back().kind, kBlockPageEnd);
  PdevDestroy(pdev);
}

TEST_F(SpoolSide, AFailingModuleStopsTheStream) {
  Load(VELMOUT1_FULL);
  setenv("VELMOUT1_SHORT_WRITE", "3", 1);
  Pdev* pdev = PdevCreate(nullptr);
  DisplayListStream* s = &pdev->stream;
  s->spoolModule = module_;
  s->spoolWrite = Proc<SplWritePrinterFn>(kSplWritePrinter);
  s->spoolDocument = Proc<SplStartDocFn>(kSplStartDocEx)(nullptr, 3);
  std::vector<uint8_t> text(10000, 'T');
  EXPECT_FALSE(SpoolWrite(s, text.data(), text.size()));
  EXPECT_TRUE(pdev->flags & kPdevOutputFailed);
  EXPECT_FALSE(JobWritePageEnd(s, nullptr, Text));
  Proc<SplCloseFn>(kSplClose)(s->spoolDocument);
  EXPECT_EQ(ReadAll(out_).size(), 4096u * 2 + 1808 / 2);
  PdevDestroy(pdev);
}

}  // namespace
