// Documents and pages of Pdevs enabled over the reference model, written to
// the stand-in spool-side module: the order of its calls and of the blocks,
// the job name, pass-through pages, continuation after a reset, and the
// failures of the module.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "doc_test_machine.h"
#include "plat/kernel.h"
#include "plat/machine.h"
#include "velm/ini.h"
#include "velm/paths.h"

namespace {

using doc_test::Block;
using doc_test::DocMachine;
using EventList = std::vector<std::string>;

constexpr uint32_t kItemEmfSpool = 181;
constexpr uint32_t kItemJobLinker = 714;

class DocProtocol : public DocMachine {
 protected:
  // Both pages and the document end; TRUE when every call succeeded.
  bool TwoPages(SURFOBJ* so) {
    bool ok = DrvStartPage(so) && DrvSendPage(so);
    ok = DrvStartPage(so) && DrvSendPage(so) && ok;
    return DrvEndDoc(so, 0) && ok;
  }
  std::u16string name_ = u"Report.txt";
};

TEST_F(DocProtocol, TwoPageJobCallsAndBlocksInOrder) {
  Pdev* pdev = Enable();
  ASSERT_NE(pdev, nullptr);
  SURFOBJ* so = Surface(pdev);
  const DWORD job = AddJob(u"");
  ASSERT_TRUE(DrvStartDoc(so, name_.data(), job));
  EXPECT_TRUE(pdev->flags & kPdevDocStarted);
  ASSERT_TRUE(TwoPages(so));
  const EventList expected = {
      "StartDocEx job=" + std::to_string(job),
      "StartPage", "F3", "F3", "F4", "F0", "EndPage", "F5[60 61]", "F1",
      "StartPage", "F4", "F0", "EndPage", "F5[60 61]", "F1",
      "EndDoc", "Close", "Unload",
  };
  EXPECT_EQ(Events(), expected);
  EXPECT_FALSE(pdev->flags & (kPdevDocStarted | kPdevContinued));
  EXPECT_EQ(pdev->stream.spoolModule, nullptr);
  EXPECT_EQ(pdev->pageCount, 2);

  std::vector<Block> blocks = Blocks(Output());
  ASSERT_EQ(blocks.size(), 10u);
  EXPECT_FALSE(blocks[0].data.empty()) << "the model's job-start text";
  EXPECT_EQ(blocks[0].data.find("JOBNAME"), std::string::npos);
  // A name of 10 characters: 20 + 10 + 3 bytes.
  EXPECT_EQ(blocks[1].data, "@PJL SET JOBNAME = \"Report.txt\"\r\n");
  EXPECT_EQ(blocks[1].data.size(), 33u);
  EXPECT_TRUE(blocks[3].data.empty());  // F0
  // The begin-page record: printable width and length, the resolution twice.
  const std::string& records = blocks[4].data;
  ASSERT_EQ(records.size(), 20u);
  uint32_t w = 0, h = 0;
  uint16_t rx = 0, ry = 0;
  std::memcpy(&w, records.data() + 4, 4);
  std::memcpy(&h, records.data() + 8, 4);
  std::memcpy(&rx, records.data() + 12, 2);
  std::memcpy(&ry, records.data() + 14, 2);
  EXPECT_EQ(int32_t(w), pdev->printWidthDots);
  EXPECT_EQ(int32_t(h), pdev->printLengthDots);
  EXPECT_EQ(rx, pdev->resolution);
  EXPECT_EQ(ry, pdev->resolution);
}

// With EMF spooling the spooler's document name is taken; a name cannot
// end its quotes or start a PJL line.
TEST_F(DocProtocol, TheJobNameBlock) {
  struct Case {
    int32_t emf;
    std::u16string given;
    std::u16string spooled;
    std::string line;
  } cases[] = {
      {1, u"Given", u"Spooled.doc", "@PJL SET JOBNAME = \"Spooled.doc\"\r\n"},
      {1, u"Given", u"", "@PJL SET JOBNAME = \"Given\"\r\n"},
      {0, u"Given", u"Spooled.doc", "@PJL SET JOBNAME = \"Given\"\r\n"},
      {0, u"a\"b\r\n@PJL SET X=1", u"", "@PJL SET JOBNAME = \"a b  @PJL SET X=1\"\r\n"},
      {0, u"", u"", ""},  // no name: no block
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(plat::ToUtf8(c.given) + " / " + plat::ToUtf8(c.spooled));
    std::vector<uint8_t> dm = Devmode({{kItemEmfSpool, c.emf}});
    Pdev* pdev = Enable(&dm);
    ASSERT_NE(pdev, nullptr);
    SURFOBJ* so = Surface(pdev);
    std::u16string given = c.given;
    ASSERT_TRUE(DrvStartDoc(so, given.data(), AddJob(c.spooled)));
    ASSERT_TRUE(TwoPages(so));
    std::vector<Block> blocks = Blocks(Output());
    ASSERT_GE(blocks.size(), 2u);
    if (c.line.empty()) {
      EXPECT_EQ(blocks[1].kind, kBlockPageStart);
    } else {
      EXPECT_EQ(blocks[1].kind, kBlockJobStart);
      EXPECT_EQ(blocks[1].data, c.line);
    }
    Disable(pdev);
  }
}

// Pass-through: page 1 carries the job-start blocks and the application's
// own bytes only; page 2 is framed as any page.
TEST_F(DocProtocol, PassThroughPageOne) {
  std::vector<uint8_t> dm = Devmode({{kItemJobLinker, 1}});
  Pdev* pdev = Enable(&dm);
  ASSERT_NE(pdev, nullptr);
  ASSERT_EQ(pdev->passThrough, 1);
  SURFOBJ* so = Surface(pdev);
  ASSERT_TRUE(DrvStartDoc(so, name_.data(), AddJob(u"")));
  ASSERT_TRUE(DrvStartPage(so));
  const std::string raw = "RAW-BYTES";
  std::vector<uint8_t> in(2 + raw.size());
  in[0] = uint8_t(raw.size());
  std::memcpy(in.data() + 2, raw.data(), raw.size());
  EXPECT_EQ(DrvEscape(so, kEscPassThrough, ULONG(in.size()), in.data(), 0, nullptr), raw.size());
  ASSERT_TRUE(DrvSendPage(so));
  ASSERT_TRUE(DrvStartPage(so));
  ASSERT_TRUE(DrvSendPage(so));
  ASSERT_TRUE(DrvEndDoc(so, 0));
  const std::string out = Output();
  std::vector<Block> blocks = Blocks(out);
  ASSERT_GE(blocks.size(), 2u);
  // F3, F3 (name), the raw bytes, then page 2 framed.
  const uint64_t after_name = blocks[1].offset + 8 + blocks[1].data.size();
  EXPECT_EQ(out.substr(after_name, raw.size()), raw);
  std::vector<Block> page2 = Blocks(out.substr(after_name + raw.size()));
  std::vector<std::string> names;
  for (const Block& b : page2) names.push_back(Name(b));
  EXPECT_EQ(names, (std::vector<std::string>{"F4", "F0", "F5[60 61]", "F1"}));
}

// After DrvResetPDEV the new Pdev goes on with the document: its settings
// are reloaded, the module is neither loaded again nor asked for a second
// document, and its first page repeats the job start without the name.
TEST_F(DocProtocol, ResetContinuesTheDocument) {
  Pdev* first = Enable();
  ASSERT_NE(first, nullptr);
  SURFOBJ* so1 = Surface(first);
  ASSERT_TRUE(DrvStartDoc(so1, name_.data(), AddJob(u"")));
  ASSERT_TRUE(DrvStartPage(so1) && DrvSendPage(so1));

  Pdev* second = Enable();
  ASSERT_NE(second, nullptr);
  ASSERT_TRUE(DrvResetPDEV(first, second));
  Disable(first);
  SURFOBJ* so2 = Surface(second);
  second->context->work->openFlags = 0;
  ASSERT_TRUE(DrvStartDoc(so2, name_.data(), 0));
  EXPECT_EQ(second->context->work->openFlags, kDocReloadOpenFlags) << "settings reloaded";
  ASSERT_TRUE(DrvStartPage(so2) && DrvSendPage(so2));
  ASSERT_TRUE(DrvEndDoc(so2, 0));
  EXPECT_EQ(second->pageCount, 2);
  EventList events = Events();
  const EventList expected = {
      events.empty() ? "" : events[0],
      "StartPage", "F3", "F3", "F4", "F0", "EndPage", "F5[60 61]", "F1",
      "StartPage", "F3", "F4", "F0", "EndPage", "F5[60 61]", "F1",
      "EndDoc", "Close", "Unload",
  };
  EXPECT_EQ(events, expected);
  EXPECT_EQ(std::count(events.begin(), events.end(), events[0]), 1) << "one document start";
}

// A document started again without its end gives back the first binding:
// its document ends, the module is freed, and a new one binds.
TEST_F(DocProtocol, ASecondStartDocEndsTheFirstBinding) {
  Pdev* pdev = Enable();
  ASSERT_NE(pdev, nullptr);
  SURFOBJ* so = Surface(pdev);
  const DWORD a = AddJob(u""), b = AddJob(u"");
  ASSERT_TRUE(DrvStartDoc(so, name_.data(), a));
  ASSERT_TRUE(DrvStartPage(so) && DrvSendPage(so));
  ClearSpoolLog();
  ASSERT_TRUE(DrvStartDoc(so, name_.data(), b));
  EXPECT_EQ(pdev->pageCount, 0);
  ASSERT_TRUE(DrvStartPage(so) && DrvSendPage(so));
  ASSERT_TRUE(DrvEndDoc(so, 0));
  // The module starts its file again at a document start: the blocks are
  // the second document's.
  const EventList expected = {
      "EndDoc", "Close", "Unload",
      "StartDocEx job=" + std::to_string(b), "StartPage", "F3", "F3", "F4", "F0", "EndPage", "F5[60 61]", "F1",
      "EndDoc", "Close", "Unload",
  };
  EXPECT_EQ(Events(), expected);
}

TEST_F(DocProtocol, TheModuleAndItsWriteEntryAreRequired) {
  struct Case {
    const char* build;  // null: no module in the driver directory
    bool ok;
    std::vector<std::string> calls;
  } cases[] = {
      {nullptr, false, {}},
      {VELMOUT1_NOWRITE, false, {"Unload"}},
      {VELMOUT1_NOSTARTDOCEX, true, {"StartDoc job=1"}},
      {VELMOUT1_NOSTARTDOC, true, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.build ? c.build : "none");
    (void)DeleteFileW((std::u16string(env_test::kDriverDir) + u"VELMOUT1.DLL").c_str());  // may be absent already
    if (c.build) InstallSpoolModule(c.build);
    ClearSpoolLog();
    Pdev* pdev = Enable();
    ASSERT_NE(pdev, nullptr);
    SURFOBJ* so = Surface(pdev);
    const DWORD job = AddJob(u"");
    EXPECT_EQ(DrvStartDoc(so, name_.data(), job), c.ok ? TRUE : FALSE);
    std::vector<std::string> calls = SpoolCalls();
    std::vector<std::string> want = c.calls;
    if (!want.empty() && want[0].rfind("StartDoc ", 0) == 0) want[0] = "StartDoc job=" + std::to_string(job);
    EXPECT_EQ(calls, want);
    if (c.ok) {
      // Without a document start the writes still go to the module.
      EXPECT_TRUE(TwoPages(so));
      EXPECT_EQ(Blocks(Output()).size(), 10u);
    } else {
      EXPECT_EQ(pdev->stream.spoolModule, nullptr);
    }
    Disable(pdev);
  }
}

// A failed or short write fails the call; after it every page call fails
// and nothing more reaches the module.
TEST_F(DocProtocol, AFailedWriteEndsTheOutput) {
  struct Case {
    const char* variable;
    const char* nth;
  } cases[] = {
      {"VELMOUT1_FAIL_WRITE", "3"},
      {"VELMOUT1_SHORT_WRITE", "3"},
      {"VELMOUT1_SHORT_WRITE", "1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.variable) + " " + c.nth);
    setenv(c.variable, c.nth, 1);
    ClearSpoolLog();
    Pdev* pdev = Enable();
    ASSERT_NE(pdev, nullptr);
    SURFOBJ* so = Surface(pdev);
    ASSERT_TRUE(DrvStartDoc(so, name_.data(), AddJob(u"")));
    EXPECT_FALSE(DrvStartPage(so));
    EXPECT_TRUE(pdev->flags & kPdevOutputFailed);
    const size_t writes = [&] {
      size_t n = 0;
      for (const std::string& call : SpoolCalls()) n += call.rfind("Write ", 0) == 0;
      return n;
    }();
    EXPECT_EQ(writes, size_t(std::stoi(c.nth)));
    const std::string out = Output();
    EXPECT_FALSE(DrvSendPage(so));
    EXPECT_FALSE(DrvStartPage(so));
    EXPECT_FALSE(DrvSendPage(so));
    EXPECT_TRUE(DrvEndDoc(so, 0));
    EXPECT_EQ(Output(), out) << "nothing written after the failure";
    size_t later = 0;
    for (const std::string& call : SpoolCalls()) later += call.rfind("Write ", 0) == 0;
    EXPECT_EQ(later, writes);
    unsetenv(c.variable);
    Disable(pdev);
  }
}

// DrvSendPage without DrvStartPage still counts the page and writes the
// end-page record, the flush and the page end.
TEST_F(DocProtocol, SendPageWithoutStartPage) {
  Pdev* pdev = Enable();
  ASSERT_NE(pdev, nullptr);
  SURFOBJ* so = Surface(pdev);
  ASSERT_TRUE(DrvStartDoc(so, name_.data(), AddJob(u"")));
  ASSERT_TRUE(DrvStartPage(so) && DrvSendPage(so));
  ClearSpoolLog();
  const size_t before = Output().size();
  ASSERT_TRUE(DrvSendPage(so));
  EXPECT_EQ(pdev->pageCount, 2);
  std::vector<Block> blocks = Blocks(Output().substr(before));
  ASSERT_EQ(blocks.size(), 2u);
  EXPECT_EQ(Name(blocks[0]), "F5[61]");
  EXPECT_EQ(Name(blocks[1]), "F1");
  EXPECT_TRUE(DrvEndDoc(so, 0));
}

// An allocation refused at any step of a document start (the print method
// kept in the driver ini differs, so the start merges again): the start
// either succeeds with its document bound or fails with nothing bound and no
// spool-side document begun.
TEST_F(DocProtocol, AllocationFailureAtEachStepOfTheDocumentStart) {
  Pdev* pdev = Enable();
  ASSERT_NE(pdev, nullptr);
  SURFOBJ* so = Surface(pdev);
  const std::u16string ini = PathGetDriverIni(pdev->context);
  ASSERT_TRUE(plat::EnsureWindowsDir(ini.substr(0, ini.rfind(u'\\')).c_str()));
  ASSERT_TRUE(IniWriteString(u"Office", u"PrnMethod", u"3", ini.c_str())) << plat::ToUtf8(ini);
  const DWORD job = AddJob(u"");
  int failed = 0;
  for (int n = 1; n <= 150; ++n) {
    SCOPED_TRACE(n);
    ClearSpoolLog();
    plat::FailNth("GlobalAlloc", n);
    const BOOL ok = DrvStartDoc(so, name_.data(), job);
    plat::ClearFaults();
    const std::vector<std::string> calls = SpoolCalls();
    if (ok) {
      EXPECT_NE(pdev->stream.spoolModule, nullptr);
      ASSERT_FALSE(calls.empty());
      EXPECT_EQ(calls[0], "StartDocEx job=" + std::to_string(job));
      EXPECT_TRUE(DrvEndDoc(so, 0));
    } else {
      ++failed;
      EXPECT_EQ(pdev->stream.spoolModule, nullptr);
      EXPECT_FALSE(pdev->flags & kPdevDocStarted);
      EXPECT_TRUE(calls.empty() || calls == std::vector<std::string>{"Unload"}) << calls.size();
    }
  }
  EXPECT_GT(failed, 0);
}

TEST_F(DocProtocol, EveryEntryChecksItsPdev) {
  Pdev* pdev = Enable();
  ASSERT_NE(pdev, nullptr);
  for (int word = 0; word < 2; ++word) {
    uint32_t& magic = word == 0 ? pdev->magicFirst : pdev->magicLast;
    magic = 0x12345678;
    SURFOBJ* so = Surface(pdev);
    std::u16string name = name_;
    SetLastError(0);
    EXPECT_FALSE(DrvStartDoc(so, name.data(), 1));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(DrvStartPage(so));
    EXPECT_FALSE(DrvSendPage(so));
    EXPECT_FALSE(DrvEndDoc(so, 0));
    uint8_t out[8] = {};
    SetLastError(0);
    EXPECT_EQ(DrvEscape(so, kEscGetTechnology, 0, nullptr, sizeof out, out), 0u);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(out[0], 0);
    magic = kPdevMagic;
  }
  EXPECT_TRUE(SpoolCalls().empty());
  EXPECT_FALSE(DrvStartDoc(nullptr, nullptr, 1));
}

}  // namespace
