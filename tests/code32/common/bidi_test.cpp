// The bidirectional device query against the stand-in library, on a
// machine whose printer "Device" has the bidirectional attribute and a
// device description the tests write.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "bidi_device.h"
#include "plat/calls.h"
#include "env_test_machine.h"
#include "qst_test_machine.h"
#include "velm/bidi.h"
#include "velm/bidi.h"
#include "velm/inst.h"
#include "velm/devmode.h"
#include "velm/ini.h"
#include "velm/inst.h"
#include "velm/paths.h"
#include "velm/printer_data.h"
#include "velm/settings.h"
#include "velm/save_stack.h"
#include "velm/store.h"

namespace {

constexpr const char* kModel = "model VELM Driver\n";

class BidiQuery : public env_test::EnvMachine {
 protected:
  void SetUp() override {
    env_test::EnvMachine::SetUp();
    PathCreateDataDir();
    device_ = AddPrinter(u"Device", u"VELM Driver", PRINTER_ATTRIBUTE_LOCAL | PRINTER_ATTRIBUTE_ENABLE_BIDI);
    ASSERT_TRUE(plat::EnsureWindowsDir(bidi_device::kFolder));
    // The installation's model list names the device's model for the driver.
    Put(std::u16string(env_test::kDriverDir) + u"velmsetup.ini", "[Models]\r\nVELM Driver=VELM Driver\r\n");
  }

  void Describe(const std::string& text) { Put(bidi_device::FileName(u"Device"), text); }
  DriverContext* Ctx() { return Context(device_); }
  static int32_t Value(DriverContext* c, uint32_t id) { return OptGetValueById(c, id); }
  static std::string Text(DriverContext* c, uint32_t id) {
    SettingRecord* row = OptFindSetting(c, id);
    const uint8_t* p = OptGetValueAddr(c, row);
    return std::string(reinterpret_cast<const char*>(p), strnlen(reinterpret_cast<const char*>(p),
                                                                 DescSize(row->descriptor)));
  }
  static std::vector<uint8_t> Block(DriverContext* c) {
    const uint8_t* b = CtxGetOptionBlock(c);
    return std::vector<uint8_t>(b, b + kRegionSize[kRegionOptions]);
  }
  static std::map<std::string, long> Counters() {
    std::map<std::string, long> out;
    std::stringstream in(Get(bidi_device::kCounters));
    std::string k;
    long v;
    while (in >> k >> v) out[k] = v;
    return out;
  }
  static void ExpectBalanced() {
    auto c = Counters();
    EXPECT_EQ(c["loads"], c["unloads"]);
    EXPECT_EQ(c["opens"], c["closes"]);
  }
  static void SetDriverIni(DriverContext* c, const char16_t* key, const char16_t* value) {
    ASSERT_TRUE(IniWriteString(InstGetLanguageSectionName(c), key, value, PathGetDriverIni(c)));
  }
  static std::u16string ClientIni() {
    char16_t dir[261];
    PathGetCommonDataDir(dir, 261);
    return std::u16string(dir) + u"\\velmclt.ini";
  }

  HANDLE device_ = nullptr;
};

TEST_F(BidiQuery, CodeTables) {
  struct {
    int32_t code, value, rotated;
  } papers[] = {{0, 0, 0},   {2, 0, 0},    {1, 0, 0},     {23, 1, 0},   {22, 1, 1},  {58, 3, 0},
                {57, 3, 1},  {28, 513, 0}, {81, 28, 1},   {66, 93, 0},  {65, 93, 1}, {999, 0, 0}};
  for (const auto& p : papers) {
    int32_t rotated = -1;
    EXPECT_EQ(BidiMapPaper(p.code, &rotated), p.value) << p.code;
    EXPECT_EQ(rotated, p.rotated) << p.code;
  }
  struct {
    int32_t code, value;
  } media[] = {{0, 0}, {1, 1}, {3, 2}, {4, 263}, {19, 515}, {18, 513}, {7, 0}, {-1, 0}};
  for (const auto& m : media) EXPECT_EQ(BidiMapMedia(m.code), m.value) << m.code;
  struct {
    int32_t code;
    uint32_t id;
  } options[] = {{1, 10014}, {10, 10050}, {14, 10050}, {3, 10070}, {138, 10080}, {12, 10079}, {5, 0}, {0, 0}};
  for (const auto& o : options) EXPECT_EQ(BidiMapOption(o.code), o.id) << o.code;
}

// One tray per query: its code, paper, media and status answers and the
// settings they give.
TEST_F(BidiQuery, TrayMapping) {
  struct Case {
    const char* name;
    int32_t code, paper, media, status;
    uint32_t installed, paper_id, orient_id, media_id, lock_id;
    int32_t paper_value, rotated, media_value, lock;
  } cases[] = {
      {"tray1 A4 plain locked", 3, 23, 1, 1, 10111, 10175, 10143, 10207, 10239, 1, 0, 1, 1},
      {"tray2 rotated", 4, 22, 3, 0, 10112, 10176, 10144, 10208, 10240, 1, 1, 2, 0},
      {"code 12 names tray2; paper 2 none; media 0", 12, 2, 0, 0, 10112, 10176, 10144, 10208, 10240, 0, 0, 1, 0},
      {"tray3 paper 0; media outside list", 5, 0, 4, 0, 10113, 10177, 10145, 10209, 10241, 0, 0, 1, 0},
      {"tray4 value missing from the list", 6, 33, 6, 1, 10114, 10178, 10146, 10210, 10242, 0, 0, 257, 1},
      {"LCT code 7", 7, 9, 5, 0, 10136, 10200, 10168, 10232, 10264, 9, 0, 258, 0},
      {"LCT code 11", 11, 4, 2, 0, 10136, 10200, 10168, 10232, 10264, 8, 1, 260, 0},
      {"manual code 1", 1, 13, 13, 1, 10138, 10202, 10170, 10234, 10266, 11, 0, 262, 1},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    Describe(std::string(kModel) + "tray " + std::to_string(k.code) + " " + std::to_string(k.paper) + " " +
             std::to_string(k.media) + " " + std::to_string(k.status) + "\n");
    DriverContext* c = Ctx();
    ASSERT_EQ(BidiQuerySilent(c), 1);
    EXPECT_EQ(Value(c, k.installed), 1);
    EXPECT_EQ(Value(c, k.paper_id), k.paper_value);
    EXPECT_EQ(Value(c, k.orient_id), k.rotated);
    EXPECT_EQ(Value(c, k.media_id), k.media_value);
    EXPECT_EQ(Value(c, k.lock_id), k.lock);
    EXPECT_EQ(DmGetFlagBidiQueried(c), 1);
  }
  ExpectBalanced();
}

TEST_F(BidiQuery, CoverAndMarkTraysByPriority) {
  struct Case {
    const char* trays;
    int32_t cover, mark;
  } cases[] = {
      {"tray 5 9 1 4\ntray 4 9 1 4\n", 3, 0},          // code 4 comes before 5
      {"tray 1 9 1 4\ntray 2 9 1 4\n", 4, 0},          // manual and multi share slot 4
      {"tray 6 9 1 8\n", 0, 256},                      // one candidate: its own slot
      {"tray 6 9 1 12\ntray 3 9 1 8\n", 256, 1},       // cover and mark apart
      {"tray 7 9 1 8\ntray 11 9 1 8\ntray 5 9 1 8\n", 0, 2},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.trays);
    Describe(std::string(kModel) + k.trays);
    DriverContext* c = Ctx();
    ASSERT_EQ(BidiQuerySilent(c), 1);
    EXPECT_EQ(Value(c, 10276), k.cover);
    EXPECT_EQ(Value(c, 10277), k.mark);
  }
}

TEST_F(BidiQuery, BatchInstallFileLeavesCoverAndMarkAlone) {
  Describe(std::string(kModel) + "tray 5 9 1 4\ntray 4 9 1 8\n");
  DriverContext* c = Ctx();
  char16_t common[261];
  PathGetCommonDataDir(common, 261);
  std::u16string ini = std::u16string(common) + u"\\" + PathGetFileNamePart(PathGetDriverIni(c));
  ASSERT_TRUE(IniWriteString(u"Device", u"BatchInstQst", u"C:\\batch.qst", ini.c_str()));
  OptSetValueById(c, 10276, 11);
  OptSetValueById(c, 10277, 2);
  ASSERT_EQ(BidiQuerySilent(c), 1);
  EXPECT_EQ(Value(c, 10113), 1);
  EXPECT_EQ(Value(c, 10276), 11);
  EXPECT_EQ(Value(c, 10277), 2);
  // ... and keeps the device's trays out of the defaults.
  OptSetValueById(c, 142, 0);
  BidiApplyDefaultTrays(c);
  EXPECT_EQ(Value(c, 142), 0);
}

TEST_F(BidiQuery, OptionsReplaceTheOldBits) {
  Describe(std::string(kModel) + "options 10,14,3,137,5\n");
  DriverContext* c = Ctx();
  OptSetValueById(c, 10014, 1);  // duplex from an earlier query
  OptSetValueById(c, 10111, 1);  // tray 1 from an earlier query
  OptSetValueById(c, 10049, 1);
  ASSERT_EQ(BidiQuerySilent(c), 1);
  EXPECT_EQ(Value(c, 10050), 1);
  EXPECT_EQ(Value(c, 10070), 1);
  EXPECT_EQ(Value(c, 10078), 1);
  EXPECT_EQ(Value(c, 10014), 0);
  EXPECT_EQ(Value(c, 10111), 0);
  EXPECT_EQ(Value(c, 10049), 0);
  EXPECT_TRUE(BidiIsHookedOptionCode(137));
}

TEST_F(BidiQuery, MemoryAndDeviceData) {
  Describe(std::string(kModel) +
           "memory 524288\nmemtype 2\ndata8 5631302e3230\ndata2 45322e3031\nother Finisher SR-1\n");
  DriverContext* c = Ctx();
  ASSERT_EQ(BidiQuerySilent(c), 1);
  EXPECT_EQ(Value(c, 10012), 512);
  EXPECT_EQ(Value(c, 10013), 0);
  EXPECT_EQ(Text(c, 10271), "V10.20");
  EXPECT_EQ(Text(c, 10272), "E2.01");
  EXPECT_EQ(Text(c, 10274), "Finisher SR-1");

  Describe(std::string(kModel) + "memtype 1\n");
  c = Ctx();
  ASSERT_EQ(BidiQuerySilent(c), 1);
  EXPECT_EQ(Value(c, 10013), 1);
  Describe(kModel);  // no memory type answered
  c = Ctx();
  ASSERT_EQ(BidiQuerySilent(c), 1);
  EXPECT_EQ(Value(c, 10013), 1);
}

TEST_F(BidiQuery, QuickQueryReadsOnlyTheDataBlocks) {
  Describe(std::string(kModel) + "tray 3 23 1 0\nmemory 524288\ndata8 41424344\ndata2 5859\n");
  DriverContext* c = Ctx();
  ASSERT_EQ(BidiQueryQuick(c, nullptr), 1);
  EXPECT_EQ(Text(c, 10271), "ABCD");
  EXPECT_EQ(Text(c, 10272), "XY");
  EXPECT_EQ(Value(c, 10111), 0);
  EXPECT_EQ(Value(c, 10012), 0);
  uint32_t flag = 0;
  EXPECT_FALSE(BidiGetFlagData(c, &flag));  // no flags written
}

TEST_F(BidiQuery, WhenTheLibraryIsNeverLoaded) {
  Describe(std::string(kModel) + "tray 3 23 1 0\n");
  DriverContext* office = Context();  // no bidirectional attribute
  DmSetFlagBidiQueried(office);
  EXPECT_EQ(BidiQuerySilent(office), 0);
  EXPECT_EQ(DmGetFlagBidiQueried(office), 0);
  EXPECT_EQ(Counters()["loads"], 0);

  DriverContext* c = Ctx();
  SetDriverIni(c, u"bIsBIDISupportForVELM", u"0");
  DmSetFlagBidiQueried(c);
  EXPECT_EQ(BidiQuerySilent(c), 1);
  EXPECT_EQ(DmGetFlagBidiQueried(c), 0);
  EXPECT_EQ(BidiQueryIfNeeded(c, nullptr), 1);
  EXPECT_EQ(Counters()["loads"], 0);
  EXPECT_EQ(Value(c, 10111), 0);
}

// The library comes from the system directory only: a copy elsewhere on
// the search path (a planted one) is never loaded.
TEST_F(BidiQuery, LibraryOnlyFromTheSystemDirectory) {
  Describe(std::string(kModel) + "tray 3 23 1 0\n");
  const std::u16string system = u"C:\\Windows\\System32\\orvbidiNT.dll";
  Install(u"orvbidiNT.dll", "orvbidiNT.dll");  // into the driver directory
  ASSERT_TRUE(DeleteFileW(system.c_str()));
  setenv("VELM_WINPATH", plat::ToUtf8(env_test::kDriverDir).c_str(), 1);
  DriverContext* c = Ctx();
  EXPECT_EQ(BidiQuerySilent(c), 0);
  unsetenv("VELM_WINPATH");
  EXPECT_EQ(Counters()["loads"], 0);
  EXPECT_EQ(Value(c, 10111), 0);
}

TEST_F(BidiQuery, ModelNameCheck) {
  Describe("model Other Printer\ntray 3 23 1 0\n");
  DriverContext* c = Ctx();
  EXPECT_EQ(BidiQuerySilent(c), 0);
  EXPECT_EQ(Value(c, 10111), 0);
  SetDriverIni(c, u"bIsBIDISupportForVELMModel", u"0");
  EXPECT_EQ(BidiQuerySilent(c), 1);
  EXPECT_EQ(Value(c, 10111), 1);
  SetDriverIni(c, u"bIsBIDISupportForVELMModel", u"2");  // only exactly 1 counts
  EXPECT_EQ(BidiIsModelCheckOn(c), 0);
  ExpectBalanced();
}

// Failed steps, error 102 and a device that is not usable.
TEST_F(BidiQuery, StepFailures) {
  struct Case {
    const char* entry;
    int32_t answer, tray1;
  } cases[] = {
      {"fail open", 0, 0},          {"fail okflag", 0, 0},       {"fail model", 0, 0},
      {"fail begin", 0, 0},         {"error102 begin", 1, 1},    {"error102 category", 1, 1},
      {"fail category", 1, 1},      {"fail item:20", 1, 0},      {"fail item:2", 1, 1},
      {"fail catitem:258", 1, 1},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.entry);
    Describe(std::string(kModel) + "tray 3 23 1 0\nmemtype 2\ndata8 41\n" + k.entry + "\n");
    DriverContext* c = Ctx();
    EXPECT_EQ(BidiQuerySilent(c), k.answer);
    EXPECT_EQ(Value(c, 10111), k.tray1);
    if (!k.answer) {
      EXPECT_EQ(Text(c, 10271), "");
    }
  }
  ExpectBalanced();
}

TEST_F(BidiQuery, MalformedAnswersStayInsideTheirBuffers) {
  struct Case {
    const char* entry;
    int32_t tray3_installed, ram;
  } cases[] = {
      {"malformed count 9\nmalformed entries 2", 0, 512},  // only two trays answered whole
      {"malformed count 200", 1, 512},
      {"malformed entries 0", 0, 512},
      {"malformed options 50", 1, 512},
      {"malformed memory 2", 1, 7},  // a 2-byte memory answer is not read
      {"malformed memory 3", 1, 7},
      {"malformed name", 0, 7},      // 33 characters, no terminator: not the model key
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.entry);
    Describe(std::string(kModel) + "tray 3 23 1 0\ntray 4 9 1 0\ntray 5 9 1 0\noptions 1,10\nmemory 524288\n" +
             k.entry + "\n");
    DriverContext* c = Ctx();
    OptSetValueById(c, 10012, 7);
    BidiQuerySilent(c);
    EXPECT_EQ(Value(c, 10113), k.tray3_installed);
    EXPECT_EQ(Value(c, 10012), k.ram);
  }
  ExpectBalanced();
}

TEST_F(BidiQuery, FlagsAndTheClientIni) {
  Describe(std::string(kModel) + "tray 3 23 1 0\nmemory 1048576\n");
  DriverContext* c = Ctx();
  // A section left by an earlier query of a user without printer-data rights.
  ASSERT_TRUE(IniWriteString(u"Device", u"BidiFlag", u"1", ClientIni().c_str()));
  ASSERT_EQ(BidiQuerySilent(c), 1);
  uint32_t flag = 0;
  ASSERT_TRUE(BidiGetFlagData(c, &flag));
  EXPECT_EQ(flag, 1u);
  EXPECT_EQ(BidiIniHasFlag(c), 0);  // section deleted after the save
  uint8_t ram[4] = {};
  EXPECT_TRUE(SplGetPrinterData(device_, ram, 4, u"RAM"));
  EXPECT_EQ(ram[0] | ram[1] << 8, 1024);

  // Printer data that cannot be written: the answers go to the client ini,
  // from where the next open takes them.
  Describe(std::string(kModel) + "tray 3 23 1 0\nmemory 2097152\n");
  c = Ctx();
  ASSERT_TRUE(plat::SpoolDenyDataWrites(u"Device", true));
  EXPECT_EQ(BidiIsFlagDataUsable(c), 0);
  EXPECT_EQ(BidiQuerySilent(c), 1);
  EXPECT_EQ(BidiIniGetFlag(c), 1);
  EXPECT_EQ(BidiIniGetExFlag(c), 1);
  EXPECT_EQ(BidiGetExFlag(c), 1);
  std::string ini = Get(ClientIni());
  EXPECT_NE(ini.find("[Device]"), std::string::npos) << ini;
  ASSERT_TRUE(SplGetPrinterData(device_, ram, 4, u"RAM"));
  EXPECT_EQ(ram[0] | ram[1] << 8, 1024);  // printer data untouched

  // Writable again: the next open takes the section over into printer data
  // and only then deletes it.
  ASSERT_TRUE(plat::SpoolDenyDataWrites(u"Device", false));
  DriverContext* next = Ctx();
  // (The settings-file load counts the empty device-text keys as failed
  // keys, so its answer is 0 here; the values are loaded all the same.)
  BidiIniLoadSettings(next);
  EXPECT_EQ(Value(next, 10012), 2048);
  OptSetValueById(next, 10012, 0);
  StoreLoadAll(next);
  EXPECT_EQ(Value(next, 10012), 2048);
  EXPECT_EQ(BidiIniHasFlag(next), 0);
  ASSERT_TRUE(SplGetPrinterData(device_, ram, 4, u"RAM"));
  EXPECT_EQ(ram[0] | ram[1] << 8, 2048);
}

TEST_F(BidiQuery, QueryIfNeededFollowsTheFlags) {
  Describe(std::string(kModel) + "tray 3 23 1 0\n");
  DriverContext* c = Ctx();
  ASSERT_TRUE(BidiSetFlagData(c, 1));
  EXPECT_EQ(BidiQueryIfNeeded(c, nullptr), 1);
  EXPECT_EQ(Counters()["loads"], 0);  // done before: not asked again
  EXPECT_EQ(DmGetFlagBidiQueried(c), 1);

  ASSERT_TRUE(BidiIniSetFlag(c, 0));  // the client ini says not done: it wins
  long waits = plat::CallCount("CreateDialogParamW");
  EXPECT_EQ(BidiQueryIfNeeded(c, nullptr), 1);
  EXPECT_EQ(Counters()["loads"], 2);  // the probe and the query
  EXPECT_EQ(plat::CallCount("CreateDialogParamW"), waits + 1) << "the wait dialog was asked for";
  ExpectBalanced();
}

TEST_F(BidiQuery, ExFlagAndDefaultTrays) {
  Describe(std::string(kModel) + "tray 4 9 1 4\ntray 6 9 1 8\n");
  DriverContext* c = Ctx();
  ASSERT_EQ(BidiQuerySilent(c), 1);
  EXPECT_EQ(BidiGetExFlag(c), 0);
  BidiApplyDefaultTrays(c);
  EXPECT_EQ(Value(c, 142), 3);
  EXPECT_EQ(Value(c, 138), 256);
  ASSERT_EQ(BidiSetExFlag(c), 1);
  EXPECT_EQ(BidiIsExFlagSet(c), 1);
  OptSetValueById(c, 142, 0);
  BidiApplyDefaultTrays(c);
  EXPECT_EQ(Value(c, 142), 0);  // taken over once only
}

TEST_F(BidiQuery, PrepareFileCreatesOrSecures) {
  DriverContext* c = Ctx();
  ASSERT_EQ(BidiIniPrepareFile(c), 1);
  EXPECT_EQ(Get(ClientIni()), "\r\n");
  ASSERT_TRUE(IniWriteString(u"Device", u"BidiFlag", u"1", ClientIni().c_str()));
  ASSERT_EQ(BidiIniPrepareFile(c), 1);
  EXPECT_EQ(BidiIniGetFlag(c), 1);  // an existing file keeps its content
}

// Every allocation of a query failed in turn: the answer is 0 with the
// options block as it was (the device data cleared), or the whole result.
TEST_F(BidiQuery, FailedAllocationChangesNothing) {
  Describe(std::string(kModel) + "tray 3 23 1 1\noptions 1\nmemory 524288\ndata8 41\nmemtype 2\n");
  DriverContext* c = Ctx();
  OptSetValueById(c, 10049, 1);
  const std::vector<uint8_t> before = Block(c);
  ASSERT_EQ(BidiQuerySilent(c), 1);
  const std::vector<uint8_t> after = Block(c);
  int failures = 0;
  for (int nth = 1; nth < 40; ++nth) {
    SCOPED_TRACE(nth);
    std::memcpy(CtxGetOptionBlock(c), before.data(), before.size());
    plat::FailNth("GlobalAlloc", nth);
    int32_t answer = BidiQuerySilent(c);
    plat::ClearFaults();
    std::vector<uint8_t> now = Block(c);
    if (answer) {
      EXPECT_EQ(now, after);
      continue;
    }
    ++failures;
    std::vector<uint8_t> want = before;
    if (now != before) std::memset(want.data() + 208, 0, 32);  // 10271 and 10272 cleared
    EXPECT_EQ(now, want);
  }
  EXPECT_GT(failures, 0);
  ExpectBalanced();
}

TEST_F(BidiQuery, TwoProcessesStoreOneWholeQuery) {
  Describe(std::string(kModel) + "tray 3 23 1 0\ntray 5 9 1 0\noptions 1,3\nmemory 524288\n");
  auto query = [&] {
    return env_test::InChild([&] {
      DriverContext* c = CtxOpenKind(device_, device_, 4, kOpenEntryPoint);
      CHILD_CHECK(c);
      c->devmode = static_cast<uint8_t*>(MemAllocZeroed(kWorkBufferSize));
      for (int i = 0; i < 10; ++i) CHILD_CHECK(BidiQuerySilent(c) == 1);
      MemFree(c->devmode);
      c->devmode = nullptr;
      CtxCloseAs(c, kCloseDestroy);
      return 0;
    });
  };
  pid_t other = fork();
  ASSERT_GE(other, 0);
  if (other == 0) _exit(query());
  EXPECT_EQ(query(), 0);
  int status = 0;
  ASSERT_EQ(waitpid(other, &status, 0), other);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  auto counts = Counters();
  EXPECT_EQ(counts["loads"], 40);  // probe and query, 10 times, in each process
  ExpectBalanced();
  uint8_t value[4] = {};
  EXPECT_TRUE(SplGetPrinterData(device_, value, 4, u"RAM"));
  EXPECT_EQ(value[0] | value[1] << 8, 512);
  uint32_t flag = 0;
  DriverContext* c = Ctx();
  EXPECT_TRUE(BidiGetFlagData(c, &flag));
  EXPECT_EQ(flag, 1u);
}

}  // namespace

namespace {

// The sheets' notice that the device could not be asked: a warning box
// through the message seam, with the printer name as caption.
class BidiMessage : public qst_test::QstMachine {};

TEST_F(BidiMessage, QueryFailureNotice) {
  ASSERT_TRUE(plat::WriteResourceModule(plat::MapPath(std::u16string(env_test::kDriverDir) + u"TESTUI"),
                                        plat::StandinModuleDir() + "/velmres.dll",
                                        {plat::StringResource(7002, u"The device could not be asked.")}));
  DriverContext* c = Open();
  ASSERT_NE(c, nullptr);
  plat::ClearMessageBoxLog();
  EXPECT_EQ(BidiShowMessage(c, nullptr), IDOK);
  auto log = plat::MessageBoxLog();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(plat::ToUtf8(log[0].text), "The device could not be asked.");
  EXPECT_EQ(plat::ToUtf8(log[0].caption), "Office");
  EXPECT_TRUE(log[0].type & MB_ICONWARNING);
}

}  // namespace
