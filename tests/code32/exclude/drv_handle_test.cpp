// Handles of the VELMDrv interface on the reference model: the interface
// version, enable and disable, and the DEVMODE copies by mode. Every call
// must leave no printer handle open.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "api/api_support.h"
#include "bidi_device.h"
#include "ctx_test_machine.h"
#include "drv_devmode.h"
#include "drv_handle.h"
#include "plat/kernel.h"
#include "plat/winspool.h"
#include "velm/devmode.h"
#include "velm/ini.h"
#include "velm/inst.h"
#include "velm/paths.h"
#include "velm/presets.h"
#include "velm/settings.h"
#include "velm/store.h"

namespace {

class DrvHandle : public ctx_test::ModelMachine {
 protected:
  void SetUp() override {
    ctx_test::ModelMachine::SetUp();
    UseModel("../models/reference.mdf");
    open_ = plat::OpenPrinterHandles();
  }
  void TearDown() override {
    for (DriverContext* c : handles_) DrvDisable(c);
    plat::SetLocaleCountry(81);
    ctx_test::ModelMachine::TearDown();
  }
  DriverContext* Enable(const char* name = "Office") {
    DriverContext* c = DrvEnable(name);
    if (c) handles_.push_back(c);
    return c;
  }
  void ExpectNoPrinterOpen(DriverContext* c, const std::string& what) {
    EXPECT_EQ(plat::OpenPrinterHandles(), open_) << what;
    if (c) {
      EXPECT_EQ(c->printer, nullptr) << what;
      EXPECT_EQ(c->queryPrinter, nullptr) << what;
    }
  }
  static int32_t Value(DriverContext* c, uint32_t id) { return OptGetValueById(c, id); }
  static int16_t Paper(const std::vector<uint8_t>& devmode) {
    return reinterpret_cast<const DEVMODEW*>(devmode.data())->dmPaperSize;
  }
  std::vector<uint8_t> Devmode(DriverContext* c, int32_t mode) {
    std::vector<uint8_t> out(dm::kTotalSize, 0);
    EXPECT_EQ(DrvGetDevmode(c, mode, out.data()), int32_t(dm::kTotalSize)) << mode;
    return out;
  }
  long open_ = 0;
  std::vector<DriverContext*> handles_;
};

TEST_F(DrvHandle, InterfaceVersion) {
  EXPECT_EQ(DrvCheckApiVersion(nullptr), 0);
  EXPECT_EQ(DrvCheckApiVersion(""), 0);
  EXPECT_EQ(DrvCheckApiVersion("Office"), 3);  // no key
  char16_t path[MAX_PATH] = {};
  ASSERT_EQ(ApiGetDriverIniPathNoCtx(path, MAX_PATH), 1);
  std::u16string p = path;
  ASSERT_TRUE(plat::EnsureWindowsDir(p.substr(0, p.rfind(u'\\')).c_str()));
  Put(path, "[VELMAPI]\r\nVELMAPIVer=2\r\n");
  EXPECT_EQ(DrvCheckApiVersion("Office"), 2);
  EXPECT_EQ(DrvApiVersion(), 2);
  // An empty name reads nothing and leaves the stored version.
  Put(path, "[VELMAPI]\r\nVELMAPIVer=5\r\n");
  EXPECT_EQ(DrvCheckApiVersion(""), 0);
  EXPECT_EQ(DrvApiVersion(), 2);
  // Enabling asks the version again.
  ASSERT_NE(Enable(), nullptr);
  EXPECT_EQ(DrvApiVersion(), 5);
}

TEST_F(DrvHandle, EnableRefusesAndLeavesNoPrinterOpen) {
  const std::string too_long(300, 'a');
  const char* names[] = {nullptr, "", "Nowhere", too_long.c_str()};
  for (const char* name : names) {
    EXPECT_EQ(Enable(name), nullptr) << (name ? name : "(null)");
    ExpectNoPrinterOpen(nullptr, name ? name : "(null)");
  }
  plat::FailNth("OpenPrinterW", 1);
  EXPECT_EQ(Enable(), nullptr);
  ExpectNoPrinterOpen(nullptr, "open refused");
  EXPECT_EQ(DrvDisable(nullptr), 1);
}

TEST_F(DrvHandle, EnabledHandle) {
  DriverContext* c = Enable();
  ASSERT_NE(c, nullptr);
  ExpectNoPrinterOpen(c, "enable");
  EXPECT_TRUE(DrvIsHandle(c));
  EXPECT_EQ(std::u16string(c->work->printerName), u"Office");
  EXPECT_EQ(DmGetOsKind(c), 2);
  ASSERT_NE(DrvBeforeChange(c), nullptr);
  std::vector<uint8_t> zero(kDrvBeforeBytes, 0);
  EXPECT_EQ(std::memcmp(DrvBeforeChange(c), zero.data(), kDrvBeforeBytes), 0);
  EXPECT_EQ(DrvBeforeEntry(c, 1), DrvBeforeChange(c));
  EXPECT_EQ(DrvBeforeEntry(c, 35), DrvBeforeChange(c) + 34 * 64);
  EXPECT_EQ(DrvBeforeEntry(c, 0), nullptr);
  EXPECT_EQ(DrvBeforeEntry(c, 36), nullptr);
  // The operation helper closes the printer whatever the operation answers.
  EXPECT_EQ(DrvWithPrinter(c, [&](DriverContext* x) {
              EXPECT_EQ(plat::OpenPrinterHandles(), open_ + 1);
              EXPECT_NE(x->printer, nullptr);
              return 7;
            }),
            7);
  ExpectNoPrinterOpen(c, "after an operation");
  EXPECT_EQ(DrvWithPrinter(nullptr, [](DriverContext*) { return 7; }), -1);
  // A handle without its holder (the allocation failed) is still usable.
  MemFree(c->work->statusBefore);
  c->work->statusBefore = nullptr;
  EXPECT_EQ(DrvBeforeEntry(c, 1), nullptr);
  EXPECT_EQ(DrvGetDevmode(c, 1, nullptr), int32_t(dm::kTotalSize));
}

TEST_F(DrvHandle, DevmodeModes) {
  DriverContext* c = Enable();
  ASSERT_NE(c, nullptr);
  struct Row {
    int32_t mode, expected;
  } rows[] = {{1, 1260}, {17, 1260}, {2, 1260}, {18, 1260}, {4, 1260}, {0, -1},
              {3, -1},   {5, -1},    {0x20, -1}, {0x14, -1}, {-1, -1}};
  for (const Row& r : rows) {
    std::vector<uint8_t> out(dm::kTotalSize + 16, 0xA5);
    EXPECT_EQ(DrvGetDevmode(c, r.mode, nullptr), r.expected) << r.mode;
    EXPECT_EQ(DrvGetDevmode(c, r.mode, out.data()), r.expected) << r.mode;
    if (r.expected > 0) {
      EXPECT_EQ(std::memcmp(out.data(), c->devmode, dm::kTotalSize), 0) << r.mode;
      EXPECT_EQ(out[dm::kTotalSize], 0xA5) << "written past the DEVMODE";
    } else {
      EXPECT_EQ(out[0], 0xA5) << "nothing copied for mode " << r.mode;
    }
    ExpectNoPrinterOpen(c, "mode " + std::to_string(r.mode));
  }
  EXPECT_EQ(DrvGetDevmode(nullptr, 1, nullptr), -1);
  plat::FailNth("OpenPrinterW", 1);
  EXPECT_EQ(DrvGetDevmode(c, 1, nullptr), -1);
  ExpectNoPrinterOpen(c, "open refused");
}

// A failed build of the current settings keeps the handle's DEVMODE.
TEST_F(DrvHandle, FailedRebuildKeepsTheDevmode) {
  DriverContext* c = Enable();
  ASSERT_NE(c, nullptr);
  uint8_t* before = c->devmode;
  OptSetValueById(c, 41, 7);
  plat::FailNth("GlobalAlloc", 1);
  int32_t r = DrvGetDevmode(c, 2, nullptr);
  plat::ClearFaults();
  if (r == -1) {
    EXPECT_EQ(c->devmode, before);
    EXPECT_EQ(Value(c, 41), 7);
  }
  ExpectNoPrinterOpen(c, "failed rebuild");
  ASSERT_NE(c->devmode, nullptr);
  EXPECT_EQ(DrvGetDevmode(c, 2, nullptr), 1260);
}

TEST_F(DrvHandle, DefaultsResetTheMacroAndPreset) {
  DriverContext* c = Enable();
  ASSERT_NE(c, nullptr);
  Devmode(c, 1);
  const int32_t stored_macro = Value(c, 188);
  // Unsaved changes of the handle: a user macro in use and a preset.
  OptSetValueById(c, 185, 1);
  OptSetValueById(c, 188, 33);
  OptSetValueById(c, 41, 3);
  Devmode(c, 1);
  EXPECT_EQ(Value(c, 185), 0);
  EXPECT_EQ(Value(c, 188), stored_macro) << "the macro is reset, then the stored value is loaded";
  EXPECT_EQ(uint8_t(Value(c, 41)), 255);
  // Mode 4 keeps them.
  OptSetValueById(c, 41, 3);
  OptSetValueById(c, 185, 1);
  Devmode(c, 4);
  EXPECT_EQ(Value(c, 41), 3);
  EXPECT_EQ(Value(c, 185), 1);
}

TEST_F(DrvHandle, CountryPaperWithTheModelFlag) {
  DriverContext* c = Enable();
  ASSERT_NE(c, nullptr);
  ASSERT_NE(c->model, nullptr);
  c->model->modelFlag = 0;
  plat::SetLocaleCountry(1);
  const int16_t model_paper = Paper(Devmode(c, 1));
  plat::SetLocaleCountry(49);
  EXPECT_EQ(Paper(Devmode(c, 1)), model_paper) << "without the flag the model's paper stays";
  c->model->modelFlag = 1;
  struct Row {
    int country;
    int16_t paper;
  } rows[] = {{1, 1}, {2, 1}, {5, 1}, {44, 9}, {49, 9}, {81, 9}};
  for (const Row& r : rows) {
    plat::SetLocaleCountry(r.country);
    EXPECT_EQ(Paper(Devmode(c, 1)), r.paper) << r.country;
    EXPECT_EQ(Paper(Devmode(c, 17)), r.paper) << r.country;
  }
}

TEST_F(DrvHandle, CurrentSettingsAreReadAfresh) {
  DriverContext* c = Enable();
  ASSERT_NE(c, nullptr);
  OptSetValueById(c, 41, 3);  // an unsaved change of the handle
  Devmode(c, 2);
  EXPECT_EQ(uint8_t(Value(c, 41)), 255);
  EXPECT_EQ(Value(c, 40), 0);
}

// After Disable a new handle sees the settings stored meanwhile.
TEST_F(DrvHandle, NewHandleSeesStoredSettings) {
  constexpr uint32_t kPaperBank = 10020;
  DriverContext* c = Enable();
  ASSERT_NE(c, nullptr);
  const int32_t bank = Value(c, kPaperBank);
  DrvDisable(c);
  handles_.clear();
  ExpectNoPrinterOpen(nullptr, "disable");
  // Another program stores the paper bank as installed or not.
  DriverContext* writer = OpenKind(0);
  ASSERT_NE(writer, nullptr);
  SettingRecord* row = OptFindSetting(writer, kPaperBank);
  ASSERT_NE(row, nullptr);
  OptSetValue(writer, row, bank ? 0 : 1);
  ASSERT_EQ(StoreSaveItem(printer_, writer, row, nullptr), 1);
  CtxCloseAs(writer, kCloseDestroy);
  DriverContext* again = Enable();
  ASSERT_NE(again, nullptr);
  Devmode(again, 2);
  EXPECT_EQ(Value(again, kPaperBank), bank ? 0 : 1);
}

// A user macro 32-39 in the printer's settings takes its colour planes from
// the quality set it names, loaded aside: none of the set's other settings
// reaches the handle and the macro stays chosen. The planes are not among
// the items a quality set holds, and the stored DEVMODE's planes are reset
// to their defaults (all four on) when it is validated, so all four are on.
TEST_F(DrvHandle, CurrentSettingsWithAUserMacro) {
  constexpr uint32_t kUseMacro = 185, kMacro = 188, kCyan = 164, kBrightness = 174;
  PathCreateDataDir();
  // The printer "Macro" stores a DEVMODE with macro 33 in use, brightness 5
  // and cyan off.
  DriverContext* office = OpenKind(0);
  ASSERT_NE(office, nullptr);
  OptSetValueById(office, kUseMacro, 1);
  OptSetValueById(office, kMacro, 33);
  OptSetValueById(office, kCyan, 0);
  OptSetValueById(office, kBrightness, 5);
  plat::SpoolPrinter p;
  p.name = u"Macro";
  p.driverName = u"VELM Driver";
  p.devmode.assign(office->devmode, office->devmode + dm::kTotalSize);
  CtxCloseAs(office, kCloseDestroy);
  std::string why;
  ASSERT_TRUE(plat::SpoolAddPrinter(p, &why)) << why;
  // Its quality set 1: brightness 11.
  HANDLE macro = Open(u"Macro");
  DriverContext* writer = OpenKind(0, macro);
  ASSERT_NE(writer, nullptr);
  char16_t dir[261] = {};
  PathGetCommonDataDir(dir, 261);
  const std::u16string file = std::u16string(dir) + u"\\quality1.qsq";
  ASSERT_TRUE(IniWriteString(u"Macro", u"QualityList1", file.c_str(), PathGetDriverIni(writer)));
  OptSetValueById(writer, kBrightness, 11);
  ASSERT_EQ(PresetSaveQualityByIndex(writer, 1), 1);
  CtxCloseAs(writer, kCloseDestroy);
  ClosePrinter(macro);
  open_ = plat::OpenPrinterHandles();

  DriverContext* c = Enable("Macro");
  ASSERT_NE(c, nullptr);
  for (int32_t mode : {2, 18}) {
    SCOPED_TRACE(mode);
    Devmode(c, mode);
    EXPECT_EQ(Value(c, kUseMacro), 1);
    EXPECT_EQ(Value(c, kMacro), 33);
    EXPECT_EQ(Value(c, kBrightness), 5) << "the quality set's own value leaked";
    for (uint32_t plane = kCyan; plane < kCyan + 4; ++plane) EXPECT_EQ(Value(c, plane), 1) << plane;
    ExpectNoPrinterOpen(c, "current settings with a macro");
  }
}

// ---- the device refresh --------------------------------------------------------------------
class DrvRefresh : public DrvHandle {
 protected:
  void SetUp() override {
    DrvHandle::SetUp();
    PathCreateDataDir();
    device_ = AddPrinter(u"Device", u"VELM Driver", PRINTER_ATTRIBUTE_LOCAL | PRINTER_ATTRIBUTE_ENABLE_BIDI);
    ASSERT_TRUE(plat::EnsureWindowsDir(bidi_device::kFolder));
    // The installation's model list names the device's model for the driver.
    Put(std::u16string(env_test::kDriverDir) + u"velmsetup.ini", "[Models]\r\nVELM Driver=VELM Driver\r\n");
    open_ = plat::OpenPrinterHandles();
  }
  void Describe(const std::string& text) { Put(bidi_device::FileName(u"Device"), text); }
  HANDLE device_ = nullptr;
};

TEST_F(DrvRefresh, DeviceTraysReplaceTheStoredOnes) {
  Describe("model VELM Driver\ntray 6 9 1 12\ntray 3 9 1 8\n");
  DriverContext* c = Enable("Device");
  ASSERT_NE(c, nullptr);
  Devmode(c, 18);
  EXPECT_EQ(Value(c, 142), Value(c, 10276));
  EXPECT_EQ(Value(c, 138), Value(c, 10277));
  EXPECT_EQ(Value(c, 142), 256);
  EXPECT_EQ(Value(c, 138), 1);
  ExpectNoPrinterOpen(c, "refresh");
}

TEST_F(DrvRefresh, BatchInstallFileOrFailedQueryKeepsTheTrays) {
  DriverContext* c = Enable("Device");
  ASSERT_NE(c, nullptr);
  Devmode(c, 2);
  const int32_t cover = Value(c, 142), mark = Value(c, 138);
  // No device description: the query fails.
  Devmode(c, 18);
  EXPECT_EQ(Value(c, 142), cover);
  EXPECT_EQ(Value(c, 138), mark);
  // A batch-install settings file named for the printer.
  Describe("model VELM Driver\ntray 6 9 1 12\ntray 3 9 1 8\n");
  char16_t common[261];
  PathGetCommonDataDir(common, 261);
  std::u16string ini = std::u16string(common) + u"\\" + PathGetFileNamePart(PathGetDriverIni(c));
  ASSERT_TRUE(IniWriteString(u"Device", u"BatchInstQst", u"C:\\batch.qst", ini.c_str()));
  Devmode(c, 18);
  EXPECT_EQ(Value(c, 142), cover);
  EXPECT_EQ(Value(c, 138), mark);
  ExpectNoPrinterOpen(c, "refresh");
}

}  // namespace
