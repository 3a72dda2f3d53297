// The scenario bundle: its stamps and times, the names of its files, and
// deleting one.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "install_test_machine.h"
#include "plat/files.h"
#include "plat/machine.h"
#include "plat/machineconf.h"
#include "plat/winspool.h"
#include "plat/wstr.h"
#include "velm/ini.h"
#include "velm/inst.h"
#include "velm/presets.h"
#include "velm/printer_data.h"
#include "velm/qst.h"

namespace {

using install_test::Install;

std::u16string Stamp(uint32_t t) {
  char16_t s[7] = {};
  PresetBase36Stamp(t, s);
  return s;
}

TEST(BundleStamp, Base36WithCarries) {
  EXPECT_EQ(Stamp(0), u"000000");
  EXPECT_EQ(Stamp(35), u"00000Z");
  EXPECT_EQ(Stamp(36), u"000010");
  EXPECT_EQ(Stamp(36u * 36 * 36 * 36 * 36 * 36 + 1), u"000001") << "modulo 36^6";
  struct Case {
    const char16_t* before;
    const char16_t* up;
  };
  for (const Case& c : std::vector<Case>{{u"00000Z", u"000010"}, {u"000009", u"00000A"}, {u"0ZZZZZ", u"100000"},
                                         {u"ZZZZZZ", u"000000"}}) {
    std::u16string s = c.before;
    PresetStampIncrement(s.data());
    EXPECT_EQ(s, c.up);
    PresetStampDecrement(s.data());
    EXPECT_EQ(s, c.before);
  }
}

TEST(BundleStamp, TimeInTwelveMonthsOf31Days) {
  auto at = [](int y, int mo, int d, int h, int mi, int s) {
    SYSTEMTIME t{};
    t.wYear = WORD(y), t.wMonth = WORD(mo), t.wDay = WORD(d), t.wHour = WORD(h), t.wMinute = WORD(mi),
    t.wSecond = WORD(s);
    return PresetBundleTime(t);
  };
  EXPECT_EQ(at(1970, 1, 1, 0, 0, 35), 35u);
  EXPECT_EQ(at(1970, 2, 1, 0, 0, 0), 31u * 86400u);
  EXPECT_EQ(at(2020, 1, 31, 1, 2, 3) , ((50u * 372u + 30u) * 24u + 1u) * 3600u + 123u);
  // Past 2036 the value goes on growing instead of turning negative.
  EXPECT_GT(at(2040, 6, 1, 0, 0, 0), at(2036, 1, 1, 0, 0, 0));
  EXPECT_EQ(at(2040, 6, 1, 0, 0, 0), ((70u * 372u + 5u * 31u) * 24u) * 3600u);
  EXPECT_NE(Stamp(at(2024, 1, 31, 9, 0, 0)), Stamp(at(2024, 3, 31, 9, 0, 0))) << "months apart, same day and time";
}

class Bundle : public Install {
 protected:
  std::u16string MainFile() { return u"C:\\Users\\user\\scen.qst"; }
  // Three presets and two quality sets saved from the working settings.
  void FillLists() {
    ASSERT_EQ(PresetClearList(ctx_), 1);
    for (int i = 0; i < 3; ++i) {
      const std::u16string file = Data("user000" + std::to_string(i) + ".qst");
      ASSERT_EQ(QstSaveSettings(printer_, file.c_str(), kQstPreset, ctx_), 1);
      ASSERT_EQ(PresetAddEntry(ctx_, file.c_str(), W("Preset " + std::to_string(i)).c_str(), u"c"), 1);
    }
    Put(Data("user0001.qst"), Get(Data("user0001.qst")) + "[condition]\r\nConditionOption0_0=Opt_Duplex\r\n");
    ASSERT_EQ(InstResetQualityList(ctx_), 1);
    for (int i = 0; i < 2; ++i) {
      const std::u16string file = Data("q" + std::to_string(i) + ".qsr");
      ASSERT_EQ(QstSaveSettings(printer_, file.c_str(), kQstQuality, ctx_), 1);
      ASSERT_EQ(InstAppendQuality(ctx_, file.c_str(), W("Q" + std::to_string(i)).c_str()), 1);
    }
    ASSERT_EQ(FreeSizeSaveAll(ctx_), 1);
  }
};

TEST_F(Bundle, ExampleNames) {
  plat::SetMachineSetting("clock", "1970-01-01 00:00:35");  // stamp 00000Z
  FillLists();
  Put(MainFile(), "[Office]\r\nQstVersion=200\r\n");
  char16_t path[261] = {};
  ASSERT_EQ(PresetMakeBundlePath(MainFile().c_str(), path, ctx_), 1);
  plat::ResetMachineSetting("clock");
  const std::u16string dir = u"C:\\_velm\\velm\\19700101000035scen";
  EXPECT_EQ(std::u16string(path), dir + u"\\V00000Z1.qsb");
  ASSERT_EQ(PresetExportScenario(MainFile().c_str(), path, ctx_), 1);
  for (const char16_t* f : {u"V00000Z0.qsd", u"V00000Z1.qsd", u"V00000Z2.qsd", u"V0000100.qsq", u"V0000101.qsq"})
    EXPECT_TRUE(Exists(dir + u"\\" + f)) << plat::ToUtf8(f);
  const std::u16string list = u"C:\\Users\\user\\scen.lst";
  EXPECT_EQ(IniValue(list, "ScenarioInstallData", "ORVEKVELMDriverFileList"), "1");
  EXPECT_EQ(IniValue(list, "ScenarioInstallData", "OtherFiles5"), plat::ToUtf8(dir + u"\\V0000101.qsq"));
  EXPECT_EQ(IniValue(list, "ScenarioInstallData", "OtherFiles6"), "<none>");
  const std::u16string qsb = path;
  EXPECT_EQ(IniValue(qsb, lang_, "NumDeficonfiles"), "3");
  EXPECT_EQ(IniValue(qsb, lang_, "Deficonfiles2"), "%sysdir%V00000Z1.qsd");
  EXPECT_EQ(IniValue(qsb, lang_, "Defqualityfiles1"), "%sysdir%V0000100.qsq");
  EXPECT_EQ(IniValue(qsb, lang_, "FreeSizeCount"), "10");
  EXPECT_EQ(IniValue(qsb, "ScenarioInstallData", "DefaultQstName"), plat::ToUtf8(MainFile()));
  EXPECT_EQ(IniValue(MainFile(), "ScenarioInstallData", "DriverVersion"), "3.62");
  EXPECT_EQ(IniValue(dir + u"\\V00000Z1.qsd", lang_, "setname"), "Preset 1");
  EXPECT_EQ(IniValue(dir + u"\\V00000Z1.qsd", "condition", "ConditionOption0_0"), "Opt_Duplex");
  EXPECT_NE(IniValue(dir + u"\\V00000Z1.qsd", lang_, "QstVersion"), "<none>");
  EXPECT_EQ(IniValue(dir + u"\\V0000100.qsq", lang_, "qualityname"), "Q0");

  // Deployed beside the common data directory, where its "%sysdir%" names
  // point, the bundle installs as defaults.
  for (const char16_t* f : {u"V00000Z0.qsd", u"V00000Z1.qsd", u"V00000Z2.qsd", u"V0000100.qsq", u"V0000101.qsq"})
    ASSERT_TRUE(CopyFileW((dir + u"\\" + f).c_str(), (u"C:\\_velm\\" + std::u16string(f)).c_str(), FALSE));
  ASSERT_EQ(PresetClearList(ctx_), 1);
  EXPECT_EQ(InstInstallDefaultFiles(qsb.c_str(), W(lang_).c_str(), 0x100, ctx_), 1);
  EXPECT_EQ(Names(), "Preset 0,Preset 1,Preset 2");
  EXPECT_EQ(Qualities(), "Q0,Q1");

  EXPECT_EQ(PresetDeleteScenario(MainFile().c_str()), 1);
  EXPECT_FALSE(Exists(dir));
  EXPECT_FALSE(Exists(list));
  EXPECT_TRUE(Exists(MainFile()));
  EXPECT_EQ(PresetDeleteScenario(MainFile().c_str()), 1) << "a missing list file is no failure";
}

TEST_F(Bundle, NoPresetsAndMissingPaperSizes) {
  ASSERT_EQ(PresetClearList(ctx_), 1);
  ASSERT_EQ(FreeSizeSaveAll(ctx_), 1);
  char16_t path[261] = {};
  ASSERT_EQ(PresetMakeBundlePath(MainFile().c_str(), path, ctx_), 1);
  ASSERT_EQ(PresetExportScenario(MainFile().c_str(), path, ctx_), 1);
  EXPECT_EQ(IniValue(path, lang_, "NumDeficonfiles"), "0");
  // A paper-size section missing from the driver ini leaves a partial
  // bundle, which is no success.
  char16_t section[64] = {};
  FreeSizeFormatKey(section, 4, ctx_);
  ASSERT_TRUE(IniWriteString(section, nullptr, nullptr, PathGetDriverIni(ctx_)));
  EXPECT_EQ(PresetExportScenario(MainFile().c_str(), path, ctx_), 0);
}

TEST_F(Bundle, ExportFailsBeyond36QualitySetsAndForALongDataFolder) {
  ASSERT_EQ(FreeSizeSaveAll(ctx_), 1);
  ASSERT_EQ(InstResetQualityList(ctx_), 1);
  for (int i = 0; i < 37; ++i) ASSERT_EQ(InstAppendQuality(ctx_, Data("q.qsr").c_str(), u"Q"), 1);
  char16_t path[261] = {};
  ASSERT_EQ(PresetMakeBundlePath(MainFile().c_str(), path, ctx_), 1);
  EXPECT_EQ(PresetExportScenario(MainFile().c_str(), path, ctx_), 0);
  const std::u16string long_dir = u"C:\\" + std::u16string(230, u'd');
  ASSERT_TRUE(plat::EnsureWindowsDir(long_dir.c_str()));
  ASSERT_EQ(RegWriteDrvValue(u"_VELMDirectory", long_dir.c_str(), uint32_t((long_dir.size() + 1) * 2)), 1);
  EXPECT_EQ(PresetMakeBundlePath(MainFile().c_str(), path, ctx_), 0);
  EXPECT_EQ(path[0], 0);
}

TEST_F(Bundle, AHostileListFileDeletesNothingOutsideVelm) {
  const std::u16string list = u"C:\\Users\\user\\scen.lst";
  ASSERT_TRUE(plat::EnsureWindowsDir(u"C:\\Users\\user\\docs"));
  ASSERT_TRUE(plat::EnsureWindowsDir(u"C:\\_velm\\velm\\2020x\\deeper"));
  Put(u"C:\\Users\\user\\docs\\keep.txt", "mine");
  Put(u"C:\\_velm\\velm\\2020x\\deeper\\keep.txt", "mine");
  Put(u"C:\\_velm\\velm\\keep.txt", "mine");
  for (const std::string& target : {std::string("C:\\Users\\user\\docs\\x.qsb"), std::string("C:\\_velm\\velm\\x.qsb"),
                                    std::string("C:\\_velm\\velm\\2020x\\deeper\\x.qsb"),
                                    std::string("C:\\_velm\\velm\\2020x\\..\\..\\x.qsb"), std::string("C:\\_velm\\velm\\*\\x.qsb")}) {
    Put(list, "[ScenarioInstallData]\r\nORVEKVELMDriverFileList=1\r\nDefaultQst=" + target + "\r\n");
    EXPECT_EQ(PresetDeleteScenario(MainFile().c_str()), 1);
    EXPECT_FALSE(Exists(list)) << "the list file itself goes";
  }
  // A genuine-looking bundle folder without the marker stays too.
  ASSERT_TRUE(plat::EnsureWindowsDir(u"C:\\_velm\\velm\\2021b"));
  Put(u"C:\\_velm\\velm\\2021b\\V0000001.qsb", "x");
  Put(list, "[ScenarioInstallData]\r\nDefaultQst=C:\\_velm\\velm\\2021b\\V0000001.qsb\r\n");
  EXPECT_EQ(PresetDeleteScenario(MainFile().c_str()), 1);
  EXPECT_EQ(Get(u"C:\\Users\\user\\docs\\keep.txt"), "mine");
  EXPECT_EQ(Get(u"C:\\_velm\\velm\\2020x\\deeper\\keep.txt"), "mine");
  EXPECT_EQ(Get(u"C:\\_velm\\velm\\keep.txt"), "mine");
  EXPECT_TRUE(Exists(u"C:\\_velm\\velm\\2021b\\V0000001.qsb"));
}

}  // namespace
