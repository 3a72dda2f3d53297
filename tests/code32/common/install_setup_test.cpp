// The set-up sequence over an installation: what the batch-settings ini
// marks, and what still runs when the install files cannot be put in place.
#include <gtest/gtest.h>

#include <string>

#include "install_test_machine.h"
#include "plat/kernel.h"
#include "plat/profile.h"
#include "velm/inst_setup.h"
#include "velm/names.h"
#include "velm/qst.h"
#include "velm/settings.h"
#include "velm/model_query.h"
#include "velm/rules.h"
#include "velm/paths.h"

namespace {

using install_test::Install;
using install_test::W;

constexpr const char16_t* kBatch = u"C:\\Windows\\System32\\VELM.ini";

class InstallSetup : public Install {
 protected:
  std::string DriverIniValue(const std::string& key) { return IniValue(PathGetDriverIni(ctx_), "Office", key); }
  std::string Section(const char* kind, int n) { return kind + std::to_string(n) + lang_; }
};

TEST_F(InstallSetup, BatchEntriesMarkThePackInstalledElseTheDefaultsAreInstalled) {
  const std::u16string qsb = PutBundle();
  // The install-info file names the same bundle as the driver's defaults.
  Put(PathGetInstallInfoFile(ctx_), "[" + lang_ + "]\r\nDefaultQst=defaults.qsb\r\n");
  struct Case {
    const char* what;
    std::string batch;  // VELM.ini's section of the printer; empty: no VELM.ini
    std::string pack;   // the driver ini's PackInstallDone afterwards
  };
  const Case cases[] = {
      {"batch entries with a bundle", "[Office]\r\nDefaultQst=defaults.qsb\r\nSetOwnerID=me\r\n", "1"},
      {"no VELM.ini", "", "<none>"},
      {"a VELM.ini without entries", "[Office]\r\nDefaultQst=\r\n", "<none>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(WritePrivateProfileStringW(u"Office", nullptr, nullptr, PathGetDriverIni(ctx_)));
    (void)DeleteFileW(kBatch);  // may be absent already
    if (!c.batch.empty()) Put(kBatch, c.batch);
    ASSERT_EQ(InstInitializePrinter(printer_, nullptr, 0, kSetupInitialize), 1);
    EXPECT_EQ(DriverIniValue("PackInstallDone"), c.pack);
    // Either road leaves the bundle's two presets that fit this driver.
    EXPECT_NE(Names().find("One,Two"), std::string::npos) << Names();
  }
}

TEST_F(InstallSetup, AnInstallFileFailureStillRepairsTheLists) {
  // The install-info defaults of the user paper sizes: ten slots of width
  // 7777, to be reloaded when a slot of the driver ini lacks its width.
  std::string info = "[" + lang_ + "]\r\nFreeSizeCount=10\r\n";
  for (int n = 0; n < 10; ++n)
    info += "[" + Section("FreeSize", n) + "]\r\nwdmFreeSizeName=D\r\nwdmFreeSizeWidth=7777\r\nwdmFreeSizeLength=8888\r\n";
  Put(PathGetInstallInfoFile(ctx_), info);
  const std::u16string ini = PathGetDriverIni(ctx_);

  // Allocation n fails, for n = 1, 2, ... until one reaches the install
  // files: each run either fails at the context open (and only there may
  // it fail) or repairs the lists.
  const auto clear_lists = [&] {
    for (int slot = 0; slot < 10; ++slot)
      // the key may be absent already
      (void)WritePrivateProfileStringW(W(Section("FreeSize", slot)).c_str(), nullptr, nullptr, ini.c_str());
    // the key may be absent already
    (void)WritePrivateProfileStringW(u"Office", u"DrvInstVersion", nullptr, ini.c_str());
  };
  int failed_open = 0;
  bool reached_install_files = false;
  for (int n = 1; !reached_install_files; ++n) {
    clear_lists();
    plat::FailNth("GlobalAlloc", n);
    const int32_t result = InstInitializePrinter(printer_, nullptr, 0, kSetupConnection);
    const bool fired = !plat::FaultPending("GlobalAlloc");
    plat::ClearFaults();
    ASSERT_TRUE(fired) << "the set-up ran whole before any failure reached the install files";
    if (result == 0) {
      ++failed_open;
      continue;
    }
    SCOPED_TRACE("allocation " + std::to_string(n));
    EXPECT_EQ(IniValue(ini, Section("FreeSize", 0), "wdmFreeSizeWidth"), "7777") << "the lists were not repaired";
    EXPECT_EQ(IniValue(ini, Section("FreeSize", 9), "wdmFreeSizeLength"), "8888");
    // The steps that need the install files write the connection's version.
    reached_install_files = DriverIniValue("DrvInstVersion") == "<none>";
  }
  EXPECT_GT(failed_open, 0) << "no allocation failure reached the context open";
  clear_lists();
  ASSERT_EQ(InstInitializePrinter(printer_, nullptr, 0, kSetupConnection), 1);
  EXPECT_EQ(DriverIniValue("DrvInstVersion"), "3.62");
  EXPECT_EQ(IniValue(ini, Section("FreeSize", 0), "wdmFreeSizeWidth"), "7777");
}


// A preset whose settings raise an alert of the preset list does not fit
// this model; one that raises none does.
TEST_F(InstallSetup, APresetThatRaisesThePresetListsAlertDoesNotFit) {
  Close(ctx_);
  UseModelText(ReadData("data/models/small.mdf") + R"(
*OpenUI *VPD_IDC_PRESET_ICONLIST: PickOne
*DefaultVPD_IDC_PRESET_ICONLIST: IDS_PRESET_KEY1
*VPD_IDC_PRESET_ICONLIST IDS_PRESET_KEY1: ""
*VPD_IDC_PRESET_ICONLIST IDS_PRESET_KEY2: ""
*CloseUI: *VPD_IDC_PRESET_ICONLIST
*Judge 1=DuplexOff: VPD_IDC_EDIT_CHOICE_DUPLEX == 0
*Alert 1=OffAlert: { DuplexOff VPD_DuplexOnMessage MB_ICONSTOP MB_OK AlertAtOnce NULL }
*Exclusive: {
  VPD_IDC_PRESET_ICONLIST NULL NULL NULL OffAlert NULL NULL
}
)");
  (void)DeleteFileW((std::u16string(env_test::kDriverDir) + u"model.BCS").c_str());  // may be absent already
  MdfFreeModelList();
  ctx_ = Open();
  ASSERT_NE(ctx_, nullptr);
  DialogItemRecord* duplex = nullptr;
  for (uint32_t dialog : {1001u, 1002u, 1003u}) {
    DialogRecord* d = CtxFindDialog(ctx_, dialog);
    if (d && !duplex) duplex = CtxFindControl(ctx_, d, 2086);
  }
  ASSERT_NE(duplex, nullptr) << "the duplex check box";
  SettingRecord* setting = OptFindSettingByKey(ctx_, duplex->symbol);
  ASSERT_NE(setting, nullptr);
  const uint32_t id = setting->id;
  SettingRecord* list = OptFindSettingByKey(ctx_, CtxFindControl(ctx_, CtxFindDialog(ctx_, 1001), 2001)->symbol);
  ASSERT_NE(list, nullptr) << "the preset list";
  const MdfItem list_item = MdfFindItem(ctx_, list->id);
  int alerts = 0;
  for (int32_t value : {0, 1}) {
    SCOPED_TRACE("duplex " + std::to_string(value));
    OptSetValueById(ctx_, id, value);
    const bool alert = RuleFindActiveAlert(ctx_, list_item) != 0;
    alerts += alert;
    const std::u16string file = Data("duplex" + std::to_string(value) + ".qst");
    ASSERT_EQ(QstSaveSettings(printer_, file.c_str(), kQstPreset, ctx_), 1);  // as a preset is saved
    OptSetValueById(ctx_, id, 1 - value);
    EXPECT_EQ(InstPresetFitsModel(file.c_str(), ctx_), alert ? 0 : 1);
    EXPECT_EQ(OptGetValueById(ctx_, id), 1 - value) << "the settings are given back";
  }
  EXPECT_EQ(alerts, 1) << "one of the two values raises the alert";
}

}  // namespace
