// The job-information provider against the stand-in module ORVJC32.DLL.
#include "velm/jobinfo.h"

#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/stat.h>
#include <sched.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "jobinfo_test.h"
#include "plat/files.h"
#include "plat/kernel.h"
#include "plat/machine.h"
#include "velm/devmode.h"
#include "velm/model_query.h"
#include "velm/names.h"
#include "velm/printer_data.h"
#include "velm/settings.h"

namespace {

using jobinfo_test::JobInfoMachine;
using test_support::InChild;

constexpr uint32_t kFaxLine = 244;

class JobInfo : public JobInfoMachine {};

TEST_F(JobInfo, TypeTableRowsAreDistinctBitsWithBuffersOfTheirSettings) {
  uint32_t count = 0;
  const JobInfoTypeRow* rows = JobInfoTypeTable(&count);
  ASSERT_EQ(count, 11u);
  std::set<uint32_t> types;
  DriverContext* ctx = Context();
  for (uint32_t i = 0; i < count; ++i) {
    const JobInfoTypeRow& t = rows[i];
    SCOPED_TRACE(t.type);
    EXPECT_EQ(t.mask, 1u << i);  // walked in mask-bit order
    EXPECT_TRUE(types.insert(t.type).second);
    EXPECT_EQ(JobInfoFindType(t.type), &t);
    if (t.setting == 0) continue;
    SettingRecord* row = OptFindSetting(ctx, t.setting);
    ASSERT_NE(row, nullptr);
    if (t.kind == kJobInfoKindNumber) {
      EXPECT_EQ(t.bufferBytes, 4u);
    } else if (t.type <= 8 && t.type != kJobInfoTypeFaxLine) {
      EXPECT_TRUE(IsAnsiType(DescType(row->descriptor)));
      EXPECT_EQ(t.bufferBytes, 2 * DescSize(row->descriptor));  // wide characters of the setting
    } else {
      EXPECT_EQ(t.bufferBytes, 32u);
    }
  }
  EXPECT_EQ(JobInfoFindType(9), nullptr);
}

// Reading mask 0xFF (version 0x102) fills the settings of types 1-8.
TEST_F(JobInfo, ReadMaskFillsEachTypeIntoItsSetting) {
  struct Row {
    uint32_t type;
    uint32_t setting;
    const char* stored;
    const char* expected;
  };
  const Row rows[] = {
      {1, 216, "AB12", "AB12"},
      {1, 216, "ABCDEFGHIJKL", "ABCDEFGH"},  // over-long: cut to the setting's 9 bytes
      {2, 217, "Owner Name", "Owner Name"},
      {3, 220, "pw", "pw"},
      {4, 215, "uid7", "uid7"},
      {5, 219, "Report.doc", "Report.doc"},
      {6, 243, "+81-3-1234-5678", "+81-3-1234-5678"},
      {8, 221, "stored", "stored"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.stored);
    Put(kValues, "");
    PutValue(r.type, r.stored);
    DriverContext* ctx = Context();
    EXPECT_EQ(JobInfoRunOperation(ctx, kJobInfoOpReadMask, 0xFF), 0);
    EXPECT_EQ(Text(ctx, r.setting), r.expected);
  }
}

TEST_F(JobInfo, ReadMaskClearsTheProviderUserCodeFlags) {
  PutValue(1, "X");
  DriverContext* ctx = Context();
  DmSetFlagProviderUcodeTo(ctx, 1);
  DmSetFlagProviderUcode2To(ctx, 1);
  EXPECT_EQ(JobInfoRunOperation(ctx, kJobInfoOpReadMask, 0x1), 0);
  EXPECT_EQ(DmGetFlagProviderUcode(ctx), 0);
  EXPECT_EQ(ctx->devmode[1254], 0);
}

// Type 7 is stored as a number: only decimal text that the fax-line list
// holds is taken; anything else is refused and leaves the setting alone.
TEST_F(JobInfo, FaxLineTextIsTakenOnlyWhenListed) {
  struct Row {
    const char* stored;
    int32_t result;
    int32_t value;
  };
  const Row rows[] = {
      {"3", 0, 3},   {"0", 0, 0},   {"4", 0, 4},
      {"12", kJobInfoErrValue, 1},   // a number the list does not hold
      {"256", kJobInfoErrValue, 1},  // beyond the 8-bit setting: refused, not cut to 0
      {"-1", kJobInfoErrValue, 1},   {"2x", kJobInfoErrValue, 1}, {" 2", kJobInfoErrValue, 1},
      {"0002", kJobInfoErrValue, 1},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.stored);
    Put(kValues, "");
    PutValue(kJobInfoTypeFaxLine, r.stored);
    DriverContext* ctx = Context();
    OptSetValueById(ctx, kFaxLine, 1);
    EXPECT_EQ(JobInfoRunOperation(ctx, kJobInfoOpReadMask, 0x40), r.result);
    EXPECT_EQ(OptGetValueById(ctx, kFaxLine), r.value);
  }
}

TEST_F(JobInfo, WriteMaskSendsSettingsAndTheFaxLineAsDecimalText) {
  DriverContext* ctx = Context();
  SetText(ctx, 216, u"U123");
  SetText(ctx, 217, u"Owner");
  OptSetValueById(ctx, kFaxLine, 3);
  EXPECT_EQ(JobInfoRunOperation(ctx, kJobInfoOpWriteMask, 0x43), 0);
  auto values = Values();
  EXPECT_EQ(values[1], "U123");
  EXPECT_EQ(values[2], "Owner");
  EXPECT_EQ(values[7], "3");
  EXPECT_EQ(values.count(3), 0u);  // not in the mask
  // And back: a fresh context reads what was written.
  DriverContext* other = Context();
  EXPECT_EQ(JobInfoRunOperation(other, kJobInfoOpReadMask, 0x43), 0);
  EXPECT_EQ(Text(other, 216), "U123");
  EXPECT_EQ(OptGetValueById(other, kFaxLine), 3);
}

// A write of the stand-in's values file on a full disk (a small file system
// of its own, in a mount namespace of a child) leaves the file as it was and
// nothing beside it.
TEST_F(JobInfo, AFullDiskLeavesTheValuesFileAndNothingBesideIt) {
  const std::string drive = root_ + "/d";
  ASSERT_EQ(::mkdir(drive.c_str(), 0777), 0);
  ASSERT_TRUE(plat::SetMachineSetting("jobinfo.file", "D:\\ORVJC32.DAT"));
  DriverContext* ctx = Context();
  EXPECT_EQ(InChild([&] {
              CHILD_CHECK(::unshare(CLONE_NEWNS) == 0);
              CHILD_CHECK(::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0);
              CHILD_CHECK(::mount("tmpfs", drive.c_str(), "tmpfs", 0, "size=64k") == 0);
              SetText(ctx, 216, u"U123");
              CHILD_CHECK(JobInfoRunOperation(ctx, kJobInfoOpWriteMask, 0x1) == 0);
              const std::string before = Get(u"D:\\ORVJC32.DAT");
              CHILD_CHECK(!before.empty());
              {  // the rest of the disk taken
                std::ofstream fill(drive + "/fill", std::ios::binary);
                std::string block(4096, 'x');
                while (fill.write(block.data(), block.size())) {
                }
              }
              SetText(ctx, 216, std::u16string(3000, u'Z').c_str());
              CHILD_CHECK(JobInfoRunOperation(ctx, kJobInfoOpWriteMask, 0x1) != 0);
              CHILD_CHECK(Get(u"D:\\ORVJC32.DAT") == before);
              for (const auto& entry : std::filesystem::directory_iterator(drive)) {
                const std::string name = entry.path().filename().string();
                if (name != "ORVJC32.DAT" && name != "fill") {
                  std::fprintf(stderr, "left: %s\n", name.c_str());
                  return 1;
                }
              }
              return 0;
            }),
            0);
}

// Types 256-258 go only to an interface of version 0x102.
TEST_F(JobInfo, DriverInfoIsSentOnlyFromVersion102) {
  DriverContext* ctx = Context();
  SetText(ctx, 905, u"1.2.3");
  OptSetValueById(ctx, 177, 1);
  uint16_t sub = 0;
  uint16_t primary = ResGetLanguageLangId(1, &sub);

  ASSERT_TRUE(plat::SetMachineSetting("jobinfo.refuse", "0x102"));
  EXPECT_EQ(JobInfoRunOperation(ctx, kJobInfoOpWriteMask, kJobInfoMaskDriverInfo), 0);
  EXPECT_EQ(CallsStartingWith("getinterface 257"), 1);  // 0x101 after the refused 0x102
  EXPECT_EQ(CallsStartingWith("set "), 0);
  EXPECT_TRUE(Values().empty());

  ASSERT_TRUE(plat::ResetMachineSetting("jobinfo.refuse"));
  EXPECT_EQ(JobInfoRunOperation(ctx, kJobInfoOpWriteMask, kJobInfoMaskDriverInfo), 0);
  auto values = Values();
  EXPECT_EQ(values[256], "VELM");
  EXPECT_EQ(values[257], "1.2.3");
  EXPECT_EQ(values[258], std::to_string((uint32_t(sub) << 10) | primary));
}

TEST_F(JobInfo, NoVersionAnsweringFailsTheLoadAndFreesTheModule) {
  ASSERT_TRUE(plat::SetMachineSetting("jobinfo.refuse", "0x101,0x102"));
  DriverContext* ctx = Context();
  EXPECT_NE(JobInfoRunOperation(ctx, kJobInfoOpReadMask, 0xFF), 0);
  EXPECT_EQ(Counter("loads"), 1);
  EXPECT_EQ(ctx->work->jobInfo.module, nullptr);
  EXPECT_EQ(JobInfoProbe(ctx), 0);
}

// 0x102 answering without an interface counts as refused: 0x101 is asked.
TEST_F(JobInfo, VersionWithoutInterfaceFallsBackTo101) {
  ASSERT_TRUE(plat::SetMachineSetting("jobinfo.nullif", "0x102"));
  DriverContext* ctx = Context();
  ASSERT_EQ(JobInfoOpen(ctx), 0);
  EXPECT_EQ(ctx->work->jobInfo.version, kJobInfoVersion101);
  EXPECT_EQ(JobInfoClose(ctx), 0);
  EXPECT_EQ(CallsStartingWith("getinterface"), 2);
}

TEST_F(JobInfo, ModuleWithoutDisposeIsNotUsed) {
  std::string why;
  ASSERT_TRUE(test_support::CopyFile(plat::StandinModuleDir() + "/orvjc32_nodispose.so",
                                     plat::MapPath(u"C:\\Windows\\System32\\ORVJC32.DLL"), &why))
      << why;
  DriverContext* ctx = Context();
  EXPECT_EQ(JobInfoOpen(ctx), int32_t(ERROR_PROC_NOT_FOUND));
  EXPECT_EQ(ctx->work->jobInfo.module, nullptr);
  EXPECT_EQ(CallsStartingWith("getinterface"), 0);
  EXPECT_EQ(Counter("loads"), 1);
  EXPECT_EQ(JobInfoClose(ctx), 0);
}

// The needed size is asked first (no buffer); a value larger than the type's
// buffer is read whole into a buffer of its size, then cut to the setting.
TEST_F(JobInfo, NeededSizeIsAskedAndTheLargerBufferUsed) {
  const std::string owner(40, 'o');  // 82 bytes with the terminator; type 2 keeps 34
  PutValue(kJobInfoTypeOwnerName, owner);
  DriverContext* ctx = Context();
  EXPECT_EQ(JobInfoRunOperation(ctx, kJobInfoOpReadMask, 0x2), 0);
  EXPECT_EQ(Text(ctx, 217), owner.substr(0, 16));
  std::vector<std::string> gets;
  for (const std::string& c : Calls())
    if (c.rfind("get ", 0) == 0) gets.push_back(c);
  EXPECT_EQ(gets, (std::vector<std::string>{"get 1 2 1 0 null", "get 1 2 1 82"}));
}

// A value whose query flag is clear is never fetched.
TEST_F(JobInfo, QueryWithoutValueReadsNothing) {
  DriverContext* ctx = Context();
  SetText(ctx, 216, u"KEEP");
  EXPECT_EQ(JobInfoRunOperation(ctx, kJobInfoOpReadMask, 0xFF), 0);
  EXPECT_EQ(CallsStartingWith("query "), 8);
  EXPECT_EQ(CallsStartingWith("get "), 0);
  EXPECT_EQ(Text(ctx, 216), "KEEP");
}

// Malformed answers of the get slot (run under ASan in the sanitizer build):
// nothing is read past a buffer and what is stored is terminated and cut.
TEST_F(JobInfo, MalformedGetAnswersAreBoundedOrRefused) {
  struct Row {
    const char* mode;
    int32_t result;
    const char* code;   // setting 216 afterwards
    const char* phone;  // setting 243 afterwards
  };
  const Row rows[] = {
      {"13", kJobInfoNoValue, "KEEP", "KEEP"},
      {"huge", kJobInfoErrType, "KEEP", "KEEP"},        // an absurd needed size is not allocated
      {"zero", kJobInfoMoreData, "KEEP", "KEEP"},       // "too small" with no size
      {"short", 0, "ZZZZZZZZ", nullptr},                // whole buffer, unterminated
      {"odd", 0, "ABCDEFGHIJ", "0123456789"},           // odd byte count, unterminated
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.mode);
    Put(kValues, "");
    PutValue(1, "ABCDEFGHIJ");
    PutValue(6, std::string("0123456789"));
    ASSERT_TRUE(plat::SetMachineSetting("jobinfo.get", r.mode));
    DriverContext* ctx = Context();
    SetText(ctx, 216, u"KEEP");
    SetText(ctx, 243, u"KEEP");
    EXPECT_EQ(JobInfoRunOperation(ctx, kJobInfoOpReadMask, 0x21), r.result);
    std::string code = Text(ctx, 216), phone = Text(ctx, 243);
    EXPECT_LE(code.size(), 8u);
    EXPECT_LE(phone.size(), 64u);
    if (std::string(r.code).size() <= 8) EXPECT_EQ(code, r.code);
    else EXPECT_EQ(code, std::string(r.code).substr(0, 8));
    EXPECT_EQ(phone, r.phone ? std::string(r.phone) : std::string(64, 'Z'));
  }
}

TEST_F(JobInfo, FailingSlotsAnswerTheirCodeAndLeaveSettings) {
  struct Row {
    const char* slot;
    uint32_t operation;
  };
  const Row rows[] = {{"2", kJobInfoOpReadMask}, {"4", kJobInfoOpReadMask}, {"5", kJobInfoOpReadMask},
                      {"2", kJobInfoOpWriteMask}, {"6", kJobInfoOpWriteMask}};
  for (const Row& r : rows) {
    SCOPED_TRACE(std::string(r.slot) + " " + std::to_string(r.operation));
    Put(kValues, "");
    PutValue(1, "NEW");
    ASSERT_TRUE(plat::SetMachineSetting("jobinfo.fail", r.slot));
    DriverContext* ctx = Context();
    SetText(ctx, 216, u"OLD");
    EXPECT_EQ(JobInfoRunOperation(ctx, r.operation, 0x1), 0x20000005);
    EXPECT_EQ(Text(ctx, 216), "OLD");
    EXPECT_EQ(Values()[1], "NEW");
    EXPECT_EQ(ctx->work->jobInfo.module, nullptr);
  }
}

// Operation 1024 clears the settings (the fax line to the model's default)
// and sends the cleared values.
TEST_F(JobInfo, WriteTypesClearsAndSendsEmptyValues) {
  PutValue(1, "OLD");
  PutValue(7, "3");
  DriverContext* ctx = Context();
  SetText(ctx, 216, u"U1");
  OptSetValueById(ctx, kFaxLine, 3);
  ASSERT_EQ(JobInfoOpen(ctx), 0);
  EXPECT_EQ(JobInfoRunOperation(ctx, kJobInfoOpWriteTypes, 0x41), 0);
  EXPECT_EQ(JobInfoClose(ctx), 0);
  EXPECT_EQ(Text(ctx, 216), "");
  EXPECT_EQ(OptGetValueById(ctx, kFaxLine), MdfGetItemDefault(ctx, kFaxLine));
  auto values = Values();
  EXPECT_EQ(values[1], "");
  EXPECT_EQ(values[7], "");
}

TEST_F(JobInfo, OpenKeepsOneSessionUntilClose) {
  DriverContext* ctx = Context();
  EXPECT_EQ(JobInfoRunOperation(ctx, kJobInfoOpOpen, 0), 0);
  EXPECT_EQ(JobInfoRunOperation(ctx, kJobInfoOpOpen, 0), 0);  // no second session
  EXPECT_EQ(Counter("sessions"), 1);
  EXPECT_EQ(JobInfoSendEvent(ctx, 5), 0);
  OptSetValueById(ctx, 177, 1);
  EXPECT_EQ(JobInfoSendLocaleIfEnabled(ctx), 0);
  EXPECT_EQ(JobInfoRunOperation(ctx, kJobInfoOpClose, 0), 0);
  EXPECT_EQ(CallsStartingWith("open "), 1);
  EXPECT_EQ(CallsStartingWith("event 1 5"), 1);
  uint16_t sub = 0;
  uint16_t primary = ResGetLanguageLangId(1, &sub);
  EXPECT_EQ(CallsStartingWith("locale 1 1 8 " + std::to_string(primary) + " " + std::to_string(sub)), 1);
  // Without a session nothing is sent.
  EXPECT_EQ(JobInfoSendEvent(ctx, 5), 0);
  EXPECT_EQ(CallsStartingWith("event "), 1);
}

TEST_F(JobInfo, PrinterEntryRunsThroughAFreshLoad) {
  DriverContext* ctx = Context();
  DmSetFlagProviderUcodeTo(ctx, 1);
  EXPECT_EQ(JobInfoCallPrinterEntryIfEnabled(ctx), 0);
  EXPECT_EQ(CallsStartingWith("entry Office"), 1);
  EXPECT_EQ(DmGetFlagProviderUcode(ctx), 0);
  ASSERT_TRUE(plat::SetMachineSetting("jobinfo.fail", "0"));
  EXPECT_EQ(JobInfoCallPrinterEntryIfEnabled(ctx), 0x20000005);  // the entry's own answer
}

// When no session can be opened, the printer entry and the user code go
// through fresh loads, and the driver information is still tried.
TEST_F(JobInfo, SyncPrinterWithoutSessionStillTriesDriverInfo) {
  ASSERT_TRUE(plat::SetMachineSetting("jobinfo.fail", "2"));
  DriverContext* ctx = Context();
  JobInfoSyncPrinter(ctx);
  EXPECT_EQ(CallsStartingWith("entry Office"), 1);
  EXPECT_EQ(CallsStartingWith("open Office"), 2);  // the probe, then mask 0x700
  EXPECT_EQ(Counter("loads"), 3);

  ASSERT_TRUE(plat::ResetMachineSetting("jobinfo.fail"));
  ClearLog();
  EXPECT_EQ(JobInfoSyncPrinter(ctx), 0);
  EXPECT_EQ(CallsStartingWith("entry "), 0);  // the probe found a session
  EXPECT_EQ(Values()[256], "VELM");
}

TEST_F(JobInfo, MissingModuleFailsQuietly) {
  ASSERT_TRUE(DeleteFileW(u"C:\\Windows\\System32\\ORVJC32.DLL"));
  DriverContext* ctx = Context();
  SetText(ctx, 216, u"KEEP");
  EXPECT_EQ(JobInfoProbe(ctx), 0);
  EXPECT_EQ(JobInfoSyncPrinter(ctx), int32_t(ERROR_MOD_NOT_FOUND));
  JobInfoReadMaskIfEnabled(ctx, 0xFF);
  EXPECT_EQ(Text(ctx, 216), "KEEP");
  EXPECT_EQ(Counter("loads"), 0);
}

// A module of that name elsewhere on the search path is never loaded.
TEST_F(JobInfo, ModuleIsLoadedFromTheSystemDirectoryOnly) {
  ASSERT_TRUE(plat::EnsureWindowsDir(u"C:\\Planted"));
  std::string why;
  ASSERT_TRUE(test_support::CopyFile(plat::StandinModuleDir() + "/ORVJC32.DLL",
                                     plat::MapPath(u"C:\\Planted\\ORVJC32.DLL"), &why))
      << why;
  ASSERT_TRUE(DeleteFileW(u"C:\\Windows\\System32\\ORVJC32.DLL"));
  setenv("VELM_WINPATH", "C:\\Planted", 1);
  DriverContext* ctx = Context();
  EXPECT_EQ(JobInfoProbe(ctx), 0);
  unsetenv("VELM_WINPATH");
  EXPECT_EQ(Counter("loads"), 0);
}

TEST_F(JobInfo, PrinterDataMirrorsTypes1To8) {
  DriverContext* ctx = Context();
  SetText(ctx, 216, u"PD01");
  OptSetValueById(ctx, kFaxLine, 2);
  EXPECT_EQ(JobInfoSaveMaskToPrinterData(ctx, 0x41), 0);
  EXPECT_EQ(JobInfoClearMaskIfEnabled(ctx, 0x41), 0);
  EXPECT_EQ(Text(ctx, 216), "");
  EXPECT_EQ(OptGetValueById(ctx, kFaxLine), 0);
  EXPECT_EQ(JobInfoLoadMaskFromPrinterData(ctx, 0x41), 0);
  EXPECT_EQ(Text(ctx, 216), "PD01");
  EXPECT_EQ(OptGetValueById(ctx, kFaxLine), 2);
  for (uint32_t type : {256u, 257u, 258u, 9u}) {
    EXPECT_EQ(JobInfoLoadTypeFromPrinterData(ctx, type), kJobInfoErrType);
    EXPECT_EQ(JobInfoSaveTypeToPrinterData(ctx, type), kJobInfoErrType);
    EXPECT_EQ(JobInfoClearType(ctx, type), kJobInfoErrType);
  }
  EXPECT_EQ(Counter("loads"), 0);  // no provider needed
}

// A value the printer data refuses is reported, for one type and for a mask.
TEST_F(JobInfo, AMirrorWriteThePrinterDataRefusesIsReported) {
  DriverContext* ctx = Context();
  SetText(ctx, 216, u"PD01");
  plat::FailNth("SetPrinterDataW", 1);
  EXPECT_EQ(JobInfoSaveTypeToPrinterData(ctx, 1), kJobInfoErrWrite);
  plat::FailNth("SetPrinterDataW", 1);
  EXPECT_NE(JobInfoSaveMaskToPrinterData(ctx, 0x41), 0);
  plat::ClearFaults();
  EXPECT_EQ(JobInfoSaveTypeToPrinterData(ctx, 1), 0);
}

TEST_F(JobInfo, UserCodeOfThePrinterGoesToTheProvider) {
  uint8_t one = 1;
  ASSERT_EQ(SetData(printer_, u"ServerUse", 3, &one, 1), 0u);
  ASSERT_EQ(SetData(printer_, u"UserCodeUse", 3, &one, 1), 0u);
  ASSERT_EQ(SetData(printer_, u"UserCode", 3, "ZX12", 5), 0u);
  DriverContext* ctx = Context();
  EXPECT_EQ(UcodePushToJobInfo(ctx), 1);
  EXPECT_EQ(Text(ctx, 216), "ZX12");
  EXPECT_EQ(Values()[1], "ZX12");

  // A code not in use is not pushed.
  uint8_t zero = 0;
  ASSERT_EQ(SetData(printer_, u"UserCodeUse", 3, &zero, 1), 0u);
  Put(kValues, "");
  EXPECT_EQ(UcodePushToJobInfo(Context()), 1);
  EXPECT_TRUE(Values().empty());
}

// The stand-in's version 0x103 (used by the graphics library) has the
// per-user get in slot 10, and version 0x101 refuses the driver types.
TEST_F(JobInfo, StandInGivesSlot10FromVersion103) {
  PutValue(1, "PRINTER");
  PutValue(1, "JANE", kJobInfoKindText, "jane");
  HMODULE m = LoadLibraryW(u"C:\\Windows\\System32\\ORVJC32.DLL");
  ASSERT_NE(m, nullptr);
  auto get = reinterpret_cast<JobInfoGetInterfaceFn>(GetProcAddress(m, kJobInfoGetInterfaceName));
  auto dispose = reinterpret_cast<JobInfoDisposeInterfaceFn>(GetProcAddress(m, kJobInfoDisposeInterfaceName));
  ASSERT_TRUE(get && dispose);
  JobInfoInterface* iface = nullptr;
  ASSERT_EQ(get(kJobInfoVersion103, &iface), 0);
  auto* v3 = reinterpret_cast<JobInfoInterface103*>(iface);
  uint32_t session = 0;
  ASSERT_EQ(iface->openSession(u"Office", &session), 0);
  char16_t buffer[16] = {};
  uint32_t needed = 0;
  for (auto [user, expected] : {std::pair{u"jane", u"JANE"}, std::pair{u"bob", u"PRINTER"}}) {
    EXPECT_EQ(v3->getForUser(session, 1, kJobInfoKindText, user, nullptr, 0, &needed), kJobInfoMoreData);
    ASSERT_LE(needed, sizeof buffer);
    EXPECT_EQ(v3->getForUser(session, 1, kJobInfoKindText, user, buffer, needed, &needed), 0);
    EXPECT_EQ(plat::ToUtf8(buffer), plat::ToUtf8(expected));
  }
  EXPECT_EQ(iface->get(session, 2, kJobInfoKindText, buffer, sizeof buffer, &needed), kJobInfoNoValue);
  EXPECT_EQ(iface->closeSession(session), 0);
  EXPECT_EQ(dispose(iface), 0);

  ASSERT_EQ(get(kJobInfoVersion101, &iface), 0);
  ASSERT_EQ(iface->openSession(u"Office", &session), 0);
  EXPECT_NE(iface->set(session, kJobInfoTypePdlName, kJobInfoKindText, u"VELM", 10), 0);
  EXPECT_EQ(iface->set(session, 2, kJobInfoKindText, u"Own", 8), 0);
  EXPECT_EQ(iface->closeSession(session), 0);
  EXPECT_EQ(dispose(iface), 0);
  EXPECT_NE(get(0x104, &iface), 0);
  EXPECT_EQ(iface, nullptr);
  FreeLibrary(m);
  EXPECT_EQ(Values()[2], "Own");
}

// A merge for a prompt takes the provider's values of types 1-5 and 8 over
// those of the input; other merges keep the input's.
TEST_F(JobInfo, PromptMergeReadsTheProvider) {
  PutValue(1, "NEW");
  PutValue(6, "0312345678");
  for (uint32_t mode : {uint32_t(DM_IN_BUFFER | DM_IN_PROMPT), uint32_t(DM_IN_BUFFER)}) {
    SCOPED_TRACE(mode);
    DriverContext* ctx = Context();
    DmInitPrivateHeader(ctx->devmode, ctx);
    DmWritePrivateHeader(ctx);
    auto* pub = reinterpret_cast<DEVMODEW*>(ctx->devmode);
    pub->dmSpecVersion = 0x401;
    pub->dmDriverVersion = 0x400;
    pub->dmSize = 220;
    pub->dmDriverExtra = 1040;
    SetText(ctx, 216, u"OLD");
    SetText(ctx, 243, u"111");
    std::vector<uint8_t> input(ctx->devmode, ctx->devmode + dm::kTotalSize);
    ASSERT_EQ(DmMergeInput(ctx, input.data(), input.size(), mode), 1);
    EXPECT_EQ(Text(ctx, 216), mode & DM_IN_PROMPT ? "NEW" : "OLD");
    EXPECT_EQ(Text(ctx, 243), "111");  // type 6 is not read at a prompt
  }
}

}  // namespace
