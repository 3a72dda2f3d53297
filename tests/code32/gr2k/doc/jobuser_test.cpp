// The settings refreshed at a document start: the user's job information
// from the stand-in job-information module, the reload that keeps the user
// information, the collate rule; and where the spool-side module is loaded
// from, and the job-name block.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "gr2k/doc.h"
#include "gr2k/pdev.h"
#include "jobinfo_test.h"
#include "plat/kernel.h"
#include "plat/security.h"
#include "plat/winspool.h"
#include "velm/context.h"
#include "velm/devmode.h"
#include "velm/model_cache.h"
#include "velm/settings.h"

namespace {

using jobinfo_test::JobInfoMachine;

class DocJobInfo : public JobInfoMachine {
 protected:
  void SetUp() override {
    JobInfoMachine::SetUp();
    plat::SetMachineSetting("user.name", "loggedon");
  }
  void TearDown() override {
    for (DWORD id : jobs_) plat::SpoolRemoveJob(id);
    JobInfoMachine::TearDown();
  }
  DWORD AddJob(const std::u16string& user, const std::u16string& document = u"Doc") {
    DWORD id = plat::SpoolAddJob({u"Office", document, user});
    jobs_.push_back(id);
    return id;
  }
  std::vector<DWORD> jobs_;
};

// Which version was bound and through which slot each text was read.
TEST_F(DocJobInfo, VersionsAreAskedFromTheNewestAndTheUserSlotOnlyWith0x103) {
  struct Case {
    const char* refuse;
    std::vector<std::string> asked;  // versions, in the order asked
    const char* getCall;             // the get slot used; null: none
  } cases[] = {
      {"", {"259"}, "getuser "},
      {"0x103", {"259", "258"}, "get "},
      {"0x103,0x102", {"259", "258", "257"}, "get "},
      {"0x103,0x102,0x101", {"259", "258", "257"}, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.refuse);
    plat::SetMachineSetting("jobinfo.refuse", c.refuse);
    Put(kValues, "");
    PutValue(1, "UC1");
    ClearLog();
    DriverContext* ctx = Context();
    SetText(ctx, 216, u"before");
    const bool bound = c.getCall != nullptr;
    EXPECT_EQ(JobInfoQueryUser(ctx, printer_, AddJob(u"alice"), 0x1), bound ? TRUE : FALSE);
    EXPECT_EQ(Text(ctx, 216), bound ? "UC1" : "before");
    std::vector<std::string> asked;
    for (const std::string& line : Calls())
      if (line.rfind("getinterface ", 0) == 0) asked.push_back(line.substr(13));
    EXPECT_EQ(asked, c.asked);
    if (c.getCall) {
      EXPECT_GT(CallsStartingWith(c.getCall), 0);
      EXPECT_EQ(CallsStartingWith(std::string(c.getCall) == "get " ? "getuser " : "get "), 0);
    }
  }
}

// Version 0x103 reads for the job's user; the spooler's "UNKNOWN" and a job
// without a user name stand for the logged-on user.
TEST_F(DocJobInfo, TheJobsUserOrTheLoggedOnUser) {
  PutValue(2, "printer-owner");
  PutValue(2, "alice-owner", kJobInfoKindText, "alice");
  PutValue(2, "loggedon-owner", kJobInfoKindText, "loggedon");
  struct Case {
    std::u16string jobUser;
    const char* expected;
  } cases[] = {
      {u"alice", "alice-owner"},
      {u"UNKNOWN", "loggedon-owner"},
      {u"", "loggedon-owner"},  // the job carries no user name
      {u"bob", "printer-owner"},  // the module's value for the printer
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(plat::ToUtf8(c.jobUser));
    DriverContext* ctx = Context();
    EXPECT_TRUE(JobInfoQueryUser(ctx, printer_, AddJob(c.jobUser), 0x2));
    EXPECT_EQ(Text(ctx, 217), c.expected);
  }
  // No job and no logged-on user: nothing is read, no session is opened.
  plat::FailNth("GetUserNameW", 1);
  ClearLog();
  DriverContext* ctx = Context();
  EXPECT_FALSE(JobInfoQueryUser(ctx, printer_, 999, 0x2));
  EXPECT_EQ(CallsStartingWith("open "), 0);
  EXPECT_EQ(Text(ctx, 217), "");
}

TEST_F(DocJobInfo, AFailingUserSlotIsReadThroughThePlainGet) {
  PutValue(4, "plain-id");
  PutValue(4, "alice-id", kJobInfoKindText, "alice");
  plat::SetMachineSetting("jobinfo.fail", "10");
  ClearLog();
  DriverContext* ctx = Context();
  EXPECT_TRUE(JobInfoQueryUser(ctx, printer_, AddJob(u"alice"), 0x8));
  EXPECT_EQ(Text(ctx, 215), "plain-id");
  EXPECT_GT(CallsStartingWith("getuser "), 0);
  EXPECT_GT(CallsStartingWith("get "), 0);
}

TEST_F(DocJobInfo, NoValueKeepsTheSetting) {
  PutValue(1, "UC1");
  struct Case {
    const char* mode;
  } cases[] = {{"13"}, {"zero"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    plat::SetMachineSetting("jobinfo.get", c.mode);
    DriverContext* ctx = Context();
    SetText(ctx, 216, u"kept");
    EXPECT_TRUE(JobInfoQueryUser(ctx, printer_, AddJob(u"alice"), 0x1));
    EXPECT_EQ(Text(ctx, 216), "kept");
  }
}

// Values longer than the type's buffer, unterminated buffers and double-byte
// text: the item gets at most size/2 - 1 characters and at most its own
// size in ANSI bytes, never half a character.
TEST_F(DocJobInfo, LongAndUnterminatedValuesAreCutToTheBufferAndTheItem) {
  const std::string kanji16 =
      "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE6\x97\xA5\xE6\x9C\xAC"
      "\xE8\xAA\x9E\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE6\x97\xA5";
  struct Case {
    const char* mode;
    uint32_t type;
    uint32_t item;
    std::string stored;
    std::string expected;
  } cases[] = {
      {"", 1, 216, "ABCDEFGHIJKLMNOP", "ABCDEFGH"},
      {"", 2, 217, "0123456789abcdefghij", "0123456789abcdef"},
      {"short", 1, 216, "x", "ZZZZZZZZ"},
      // The module writes 19 bytes: the half-written last unit reads with
      // the zero byte of the buffer after it.
      {"odd", 2, 217, "odd-length", "odd-length"},
      // 16 double-byte characters: the 17-byte item holds 8 of them.
      {"", 2, 217, kanji16, kanji16.substr(0, 24)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored);
    plat::SetMachineSetting("jobinfo.get", c.mode);
    Put(kValues, "");
    PutValue(c.type, c.stored);
    DriverContext* ctx = Context();
    EXPECT_TRUE(JobInfoQueryUser(ctx, printer_, AddJob(u"alice"), 0xFF));
    EXPECT_EQ(Text(ctx, c.item), c.expected);
  }
}

// Only the types 1-5 and 8 of the mask are read; 6 and 7 never here.
TEST_F(DocJobInfo, TheMaskChoosesTheTypes) {
  for (uint32_t t = 1; t <= 8; ++t) PutValue(t, "v" + std::to_string(t));
  ClearLog();
  DriverContext* ctx = Context();
  EXPECT_TRUE(JobInfoQueryUser(ctx, printer_, AddJob(u"alice"), 0xFF));
  std::vector<std::string> types;
  for (const std::string& line : Calls()) {
    if (line.rfind("getuser ", 0) != 0 || line.find(" null") == std::string::npos) continue;
    std::string rest = line.substr(8);  // session type kind size null
    rest = rest.substr(rest.find(' ') + 1);
    types.push_back(rest.substr(0, rest.find(' ')));
  }
  EXPECT_EQ(types, (std::vector<std::string>{"1", "2", "3", "4", "5", "8"}));
  EXPECT_EQ(Text(ctx, 219), "v5");
  EXPECT_EQ(Text(ctx, 243), "");
  ClearLog();
  DriverContext* other = Context();
  EXPECT_TRUE(JobInfoQueryUser(other, printer_, AddJob(u"alice"), 0x10));
  EXPECT_EQ(Text(other, 219), "v5");
  EXPECT_EQ(Text(other, 216), "");
}

TEST_F(DocJobInfo, WithoutTheModuleOrAnExportNothingIsRead) {
  const std::u16string module = u"C:\\Windows\\System32\\ORVJC32.DLL";
  PutValue(1, "UC1");
  // A module without JCDisposeInterface is not used at all.
  std::string why;
  ASSERT_TRUE(test_support::CopyFile(plat::StandinModuleDir() + "/orvjc32_nodispose.so", plat::MapPath(module), &why))
      << why;
  DriverContext* ctx = Context();
  ClearLog();
  EXPECT_FALSE(JobInfoQueryUser(ctx, printer_, AddJob(u"alice"), 0x1));
  EXPECT_EQ(CallsStartingWith("getinterface"), 0);
  ASSERT_TRUE(DeleteFileW(module.c_str()));
  EXPECT_FALSE(JobInfoQueryUser(ctx, printer_, AddJob(u"alice"), 0x1));
  EXPECT_EQ(Text(ctx, 216), "");
}

TEST_F(DocJobInfo, AFailedSessionOpenReadsNothing) {
  PutValue(1, "UC1");
  plat::SetMachineSetting("jobinfo.fail", "2");
  DriverContext* ctx = Context();
  EXPECT_FALSE(JobInfoQueryUser(ctx, printer_, AddJob(u"alice"), 0x1));
  EXPECT_EQ(Text(ctx, 216), "");
}

// ---- the reload of a document start ----------------------------------------------------

class DocReload : public DocJobInfo {
 protected:
  // A context over the small model with its working DEVMODE, and a copy of
  // that DEVMODE as the job's.
  // reference: the reference model (it has a sort choice, so DEVMODEs keep
  // DM_COLLATE), else the small test model.
  DriverContext* ModelCtx(std::vector<uint8_t>* job_devmode, bool reference = false) {
    DriverContext* ctx = nullptr;
    if (reference) {
      Put(std::u16string(env_test::kDriverDir) + u"model.mdf",
          mdf_test::ReadFile(mdf_test::DataPath("../models/reference.mdf")));
      (void)DeleteFileW((std::u16string(env_test::kDriverDir) + u"model.BCS").c_str());  // may be absent already
      MdfFreeModelList();
      ctx = CtxOpenKind(printer_, printer_, 1, kOpenEntryPoint);
      if (ctx) contexts_.push_back(ctx);
    } else {
      ctx = ModelContext(nullptr);
    }
    if (!ctx) return nullptr;
    job_devmode->assign(ctx->devmode, ctx->devmode + DmGetTotalSize());
    return ctx;
  }
};

TEST_F(DocReload, UserInformationSurvivesTheReloadAndTheProviderHasTheLastWord) {
  std::vector<uint8_t> job;
  DriverContext* ctx = ModelCtx(&job);
  ASSERT_NE(ctx, nullptr);
  // Set after the job's DEVMODE was made (as by the private escapes): the
  // merge of the job's DEVMODE alone would empty them.
  SetText(ctx, 215, u"uid");
  SetText(ctx, 216, u"code");
  SetText(ctx, 217, u"owner");
  SetText(ctx, 219, u"document");
  SetText(ctx, 220, u"jobpw");
  SetText(ctx, 221, u"storepw");
  SetText(ctx, 243, u"0312345678");
  OptSetValueById(ctx, 244, 2);
  PutValue(2, "from-provider");
  EXPECT_TRUE(JobReloadSettings(ctx, job.data(), uint32_t(job.size()), kDocMergeFlags, printer_, AddJob(u"alice")));
  EXPECT_EQ(Text(ctx, 215), "uid");
  EXPECT_EQ(Text(ctx, 216), "code");
  EXPECT_EQ(Text(ctx, 217), "from-provider");
  EXPECT_EQ(Text(ctx, 219), "document");
  EXPECT_EQ(Text(ctx, 220), "jobpw");
  EXPECT_EQ(Text(ctx, 221), "storepw");
  EXPECT_EQ(Text(ctx, 243), "0312345678");
  EXPECT_EQ(OptGetValueById(ctx, 244), 2);
  EXPECT_EQ(ctx->work->openFlags, kDocReloadOpenFlags);

  // Without the saved values the merge gives the job's own (empty) ones.
  DriverContext* plain = ModelCtx(&job);
  SetText(plain, 216, u"code");
  DmMergeInput(plain, job.data(), job.size(), kDocMergeFlags);
  EXPECT_EQ(Text(plain, 216), "");
}

// Item 64 follows the context's DEVMODE: 0 when it has no DM_COLLATE (the
// small model has no sort choice, so its DEVMODE never keeps the field), 1
// when it has the field with dmCollate 1, left alone otherwise.
TEST_F(DocReload, CollateRule) {
  struct Case {
    bool reference;
    int16_t collate;
    int32_t before;
    int32_t expected;
  } cases[] = {
      {false, 1, 1, 0},
      {true, 1, 0, 1},
      {true, 0, 1, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.reference << " " << c.collate);
    std::vector<uint8_t> job;
    DriverContext* ctx = ModelCtx(&job, c.reference);
    ASSERT_NE(ctx, nullptr);
    auto* pub = reinterpret_cast<DEVMODEW*>(job.data());
    pub->dmFields |= 0x8000;
    pub->dmCollate = c.collate;
    OptSetValueById(ctx, 64, c.before);
    JobReloadSettings(ctx, job.data(), uint32_t(job.size()), kDocMergeFlags, printer_, 0);
    EXPECT_EQ((reinterpret_cast<DEVMODEW*>(ctx->devmode)->dmFields & 0x8000) != 0, c.reference);
    EXPECT_EQ(OptGetValueById(ctx, 64), c.expected);
  }
}

// ---- where the spool-side module comes from ------------------------------------------------

class SpoolPath : public env_test::EnvMachine {};

std::u16string EnvPath() {
  DWORD need = GetEnvironmentVariableW(u"PATH", nullptr, 0);
  std::u16string v(need, u'\0');
  DWORD got = GetEnvironmentVariableW(u"PATH", v.data(), need);
  v.resize(got);
  return v;
}

TEST_F(SpoolPath, TheDriverDirectoryAndTheModuleName) {
  const std::string host_path = std::getenv("PATH") ? std::getenv("PATH") : "";
  char16_t out[MAX_PATH];
  ASSERT_TRUE(SpoolDllPath(u"VELMOUT1.DLL", printer_, out, MAX_PATH));
  const std::u16string dir = u"C:\\Windows\\System32\\spool\\drivers\\w32x86\\3";
  EXPECT_EQ(std::u16string(out), dir + u"\\VELMOUT1.DLL");
  // The directory joins the PATH of the layer once; the process's own PATH
  // is left alone.
  std::u16string path = EnvPath();
  ASSERT_GE(path.size(), dir.size());
  EXPECT_EQ(path.substr(path.size() - dir.size() - 1), u";" + dir);
  ASSERT_TRUE(SpoolDllPath(u"VELMOUT1.DLL", printer_, out, MAX_PATH));
  EXPECT_EQ(EnvPath(), path);
  EXPECT_EQ(std::string(std::getenv("PATH") ? std::getenv("PATH") : ""), host_path);
  // Found again whatever its case.
  std::u16string upper = path;
  for (char16_t& ch : upper) ch = plat::WToUpper(ch);
  ASSERT_TRUE(SetEnvironmentVariableW(u"PATH", upper.c_str()));
  ASSERT_TRUE(SpoolDllPath(u"VELMOUT1.DLL", printer_, out, MAX_PATH));
  EXPECT_EQ(EnvPath(), upper);
}

TEST_F(SpoolPath, Refusals) {
  char16_t out[MAX_PATH];
  EXPECT_FALSE(SpoolDllPath(nullptr, printer_, out, MAX_PATH));
  EXPECT_FALSE(SpoolDllPath(u"", printer_, out, MAX_PATH));
  EXPECT_FALSE(SpoolDllPath(u"VELMOUT1.DLL", printer_, out, 20));  // does not fit
  plat::FailNth("GetPrinterDriverW", 1);
  EXPECT_FALSE(SpoolDllPath(u"VELMOUT1.DLL", printer_, out, MAX_PATH));

  struct Case {
    std::u16string driverPath;
    bool ok;
  } cases[] = {
      {u"C:\\" + std::u16string(225, u'd') + u"\\VELMPD0.DLL", true},   // 240 characters
      {u"C:\\" + std::u16string(226, u'd') + u"\\VELMPD0.DLL", false},  // 241
      {u"VELMPD0.DLL", false},                                          // no directory
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.driverPath.size());
    AddDriver(u"VELM Driver", c.driverPath, u"");
    EXPECT_EQ(SpoolDllPath(u"VELMOUT1.DLL", printer_, out, MAX_PATH), c.ok ? TRUE : FALSE);
    if (!c.ok) {
      EXPECT_EQ(out[0], 0);
    }
  }
}

// ---- the job-name block ---------------------------------------------------------------------

class JobNameBlock : public ::testing::Test {
 protected:
  static BOOL Capture(HANDLE, LPVOID bytes, DWORD count, DWORD* written) {
    auto* p = static_cast<const char*>(bytes);
    captured_.append(p, count);
    *written = count;
    return TRUE;
  }
  void SetUp() override {
    captured_.clear();
    pdev_ = PdevCreate(nullptr);
    ASSERT_NE(pdev_, nullptr);
    pdev_->stream.spoolModule = reinterpret_cast<HMODULE>(this);  // bound, writes go to Capture
    pdev_->stream.spoolWrite = Capture;
  }
  void TearDown() override { PdevDestroy(pdev_); }
  static uint32_t Length(const std::string& block) {
    uint32_t n = 0;
    std::memcpy(&n, block.data() + 4, 4);
    return n;
  }
  Pdev* pdev_ = nullptr;
  static std::string captured_;
};
std::string JobNameBlock::captured_;

TEST_F(JobNameBlock, FrameAndLength) {
  ASSERT_TRUE(JobWriteJobName(&pdev_->stream, "Report.txt", 10));
  ASSERT_EQ(captured_.size(), 8u + 33u);
  EXPECT_EQ(uint8_t(captured_[0]), 0xF3);
  EXPECT_EQ(captured_.substr(1, 3), std::string(3, '\0'));
  EXPECT_EQ(Length(captured_), 33u);
  EXPECT_EQ(captured_.substr(8), "@PJL SET JOBNAME = \"Report.txt\"\r\n");
  // No name: no block.
  captured_.clear();
  EXPECT_TRUE(JobWriteJobName(&pdev_->stream, nullptr, 0));
  EXPECT_TRUE(captured_.empty());
}

// A title cannot end the quoted value or start a PJL line of its own, and a
// long one is capped.
TEST_F(JobNameBlock, TheNameIsMadeSafe) {
  struct Case {
    std::string name;
    std::string value;
  } cases[] = {
      {"a\"b\r\n@PJL ENTER LANGUAGE=X\x01\x7F", "a b  @PJL ENTER LANGUAGE=X  "},
      {std::string(300, 'n'), std::string(255, 'n')},
      // A double-byte character is kept whole; one that would pass the cap is left out.
      {std::string(254, 'n') + "\x93\xFA", std::string(254, 'n')},
      {"\x93\xFA\x96\x7B", "\x93\xFA\x96\x7B"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name.size());
    captured_.clear();
    ASSERT_TRUE(JobWriteJobName(&pdev_->stream, c.name.c_str(), int32_t(c.name.size())));
    EXPECT_EQ(captured_.substr(8), "@PJL SET JOBNAME = \"" + c.value + "\"\r\n");
    EXPECT_EQ(Length(captured_), c.value.size() + 23);
  }
}

TEST_F(JobNameBlock, AShortWriteFailsAndStopsTheStream) {
  pdev_->stream.spoolWrite = [](HANDLE, LPVOID, DWORD count, DWORD* written) -> BOOL {
    *written = count - 1;
    return TRUE;
  };
  EXPECT_FALSE(JobWriteJobName(&pdev_->stream, "x", 1));
  EXPECT_TRUE(pdev_->flags & kPdevOutputFailed);
  pdev_->stream.spoolWrite = Capture;
  EXPECT_FALSE(JobWriteJobName(&pdev_->stream, "x", 1));
  EXPECT_TRUE(captured_.empty());
}

}  // namespace
