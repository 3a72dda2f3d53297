// The install-info defaults, the hand-over ini, the locale defaults, model
// registration and the install programs.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "install_test_machine.h"
#include "plat/calls.h"
#include "plat/files.h"
#include "plat/kernel.h"
#include "plat/machineconf.h"
#include "plat/wstr.h"
#include "velm/context.h"
#include "velm/ini.h"
#include "velm/inst.h"
#include "velm/setting_ids.h"

namespace {

using install_test::Install;

constexpr const char16_t* kHandOver = u"C:\\_velm\\velmcfg.ini";

class InstallInfo : public Install {
 protected:
  std::u16string Info() { return Driver("velmsetup.ini"); }
};

TEST_F(InstallInfo, HandOverRecordIsTakenOverOnce) {
  Put(kHandOver, "[Office]\r\nDispLang=3\r\nDefPaper=1\r\n");
  EXPECT_EQ(InstReadHandOverIni(u"Office", ctx_), 0) << "VelmInstDone missing: not waiting";
  Put(kHandOver, "[Office]\r\nVelmInstDone=0\r\n");
  EXPECT_EQ(InstReadHandOverIni(u"Office", ctx_), 0) << "no DispLang";
  Put(kHandOver,
      "[Office]\r\nVelmInstDone=0\r\nDispLang=3\r\nDefPaper=1\r\nDefUnit=1\r\nUserCode=1\r\nUserCodeFIX=1\r\n"
      "UserCodeString=123456789\r\n");
  EXPECT_EQ(InstReadHandOverIni(u"Office", ctx_), 1);
  EXPECT_EQ(IniValue(kHandOver, "Office", "VelmInstDone"), "1");
  EXPECT_EQ(ctx_->work->handOverLanguage, 3);
  EXPECT_EQ(ctx_->work->handOverPaper, 1);
  EXPECT_EQ(ctx_->work->handOverUnit, 1);
  EXPECT_EQ(ctx_->work->handOverUserCode, 1);
  EXPECT_EQ(std::u16string(ctx_->work->handOverCode), u"12345678");
  EXPECT_EQ(InstReadHandOverIni(u"Office", ctx_), 0) << "taken over already";
}

TEST_F(InstallInfo, LocaleDefaults) {
  struct Case {
    int country;
    int32_t digit;
    uint16_t paper;
    uint16_t unit;
  };
  for (const Case& c : std::vector<Case>{{52, 5, 1, 1}, {1, 1, 1, 1}, {27, 2, 1, 1}, {49, 0, 9, 0}, {81, 0, 9, 0}}) {
    plat::SetLocaleCountry(c.country);
    EXPECT_EQ(InstGetUserCountryCode(ctx_), c.digit) << c.country;
    EXPECT_EQ(InstSetLocaleFromUser(u"Office", ctx_), 1);
    EXPECT_EQ(ctx_->work->handOverPaper, c.paper) << c.country;
    EXPECT_EQ(ctx_->work->handOverUnit, c.unit) << c.country;
    InstSetCountryDefaults(ctx_);
    EXPECT_EQ(OptGetValueById(ctx_, setting::vdmLocaleID), c.digit) << c.country;
  }
  plat::SetLocaleCountry(52);
  (void)DeleteFileW(kHandOver);  // may be absent already
  InstApplyLocaleDefaults(u"Office", ctx_);
  EXPECT_EQ(OptGetValueById(ctx_, setting::vdmLocaleID), 5);
  EXPECT_EQ(OptGetValueById(ctx_, setting::vdmDspUnit), 1);
  EXPECT_EQ(OptGetValueById(ctx_, setting::dmPaperSize), 9) << "the built-in model always gives A4";
  EXPECT_EQ(IniValue(kHandOver, "Office", "DefPaper"), "9");
  EXPECT_EQ(IniValue(kHandOver, "Office", "DefUnit"), "1");
  plat::SetLocaleCountry(81);
}

// The help file's language decides over the user's locale: a language other
// than the locale's becomes the display language; the Japanese help file
// (language 0) also gives A4 and millimetres, and all three are handed over.
TEST_F(InstallInfo, TheHelpFileLanguageDecides) {
  struct Case {
    const char16_t* help;
    int country;
    int32_t language;
    const char* paper;  // DefPaper handed over
    int32_t unit;
  };
  const Case cases[] = {
      {u"VELMjp.hlp", 1, 0, "9", 0},  // a Letter country with the Japanese help file
      {u"VELMgm.hlp", 1, 4, "9", 1},  // German help in a Letter country: the language alone changes
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(plat::ToUtf8(c.help));
    AddDriver(u"VELM Driver", std::u16string(env_test::kDriverDir) + u"VELMPD0.DLL",
              std::u16string(env_test::kDriverDir) + c.help);
    plat::SetLocaleCountry(c.country);
    (void)DeleteFileW(kHandOver);  // may be absent already
    InstApplyLocaleDefaults(u"Office", ctx_);
    EXPECT_EQ(OptGetValueById(ctx_, setting::vdmLanguageID), c.language);
    EXPECT_EQ(OptGetValueById(ctx_, setting::vdmDspLanguageID), c.language);
    EXPECT_EQ(OptGetValueById(ctx_, setting::vdmDspUnit), c.unit);
    EXPECT_EQ(IniValue(kHandOver, "Office", "DispLang"), std::to_string(c.language));
    EXPECT_EQ(IniValue(kHandOver, "Office", "DefPaper"), c.paper);
    EXPECT_EQ(IniValue(kHandOver, "Office", "DefUnit"), std::to_string(c.unit));
  }
  plat::SetLocaleCountry(81);
}

TEST_F(InstallInfo, HandOverRecordWrittenAfterARename) {
  OptSetValueById(ctx_, setting::vdmLanguageID, 2);
  OptSetValueById(ctx_, setting::vdmLocaleID, 5);
  OptSetValueById(ctx_, setting::vdmDspUnit, 1);
  OptSetValueById(ctx_, setting::vdmLogCodeUse, 1);
  OptSetText(ctx_, OptFindSetting(ctx_, setting::vdmLogCode), u"777");
  EXPECT_EQ(InstWriteHandOverIni(u"Office", ctx_), 1);
  EXPECT_EQ(IniValue(kHandOver, "Office", "DispLang"), "2");
  EXPECT_EQ(IniValue(kHandOver, "Office", "DefPaper"), "1");
  EXPECT_EQ(IniValue(kHandOver, "Office", "UserCodeString"), "777");
  EXPECT_EQ(IniValue(kHandOver, "Office", "VelmInstDone"), "1") << "taken over at once";
  EXPECT_EQ(ctx_->work->handOverLanguage, 2);
}

TEST_F(InstallInfo, UserCodeIniModes) {
  OptSetValueById(ctx_, setting::vdmLogCodeUse, 1);
  OptSetText(ctx_, OptFindSetting(ctx_, setting::vdmLogCode), u"4711");
  Put(kHandOver, "[Office]\r\nUserCodeString=old\r\n");
  EXPECT_EQ(InstWriteUserCodeIni(u"Office", 2, ctx_), 0);
  EXPECT_EQ(IniValue(kHandOver, "Office", "UserCode"), "0");
  EXPECT_EQ(IniValue(kHandOver, "Office", "UserCodeFIX"), "0");
  EXPECT_EQ(IniValue(kHandOver, "Office", "UserCodeString"), "old") << "mode 2 leaves the code";
  EXPECT_EQ(InstWriteUserCodeIni(u"Office", 0, ctx_), 1);
  EXPECT_EQ(IniValue(kHandOver, "Office", "UserCode"), "1");
  EXPECT_EQ(IniValue(kHandOver, "Office", "UserCodeFIX"), "1");
  EXPECT_EQ(IniValue(kHandOver, "Office", "UserCodeString"), "4711");
  OptSetValueById(ctx_, setting::vdmLogCodeUse, 0);
  EXPECT_EQ(InstWriteUserCodeIni(u"Office", 0, ctx_), 0);
  EXPECT_EQ(IniValue(kHandOver, "Office", "UserCode"), "0");
  EXPECT_EQ(IniValue(kHandOver, "Office", "UserCodeString"), "");
}

TEST_F(InstallInfo, TargetVersionByHundreds) {
  const std::u16string target = Data("velmlist.ini");
  int32_t missing = -1;
  Put(target, "");
  EXPECT_EQ(InstTargetNeedsDefaults(target.c_str(), Info().c_str(), &missing, ctx_), 1);
  EXPECT_EQ(missing, 1);
  Put(target, "[" + lang_ + "]\r\nQstVersion=250\r\n");
  EXPECT_EQ(InstTargetNeedsDefaults(target.c_str(), Info().c_str(), &missing, ctx_), 0);
  EXPECT_EQ(missing, 0);
  Put(target, "[" + lang_ + "]\r\nQstVersion=300\r\n");
  EXPECT_EQ(InstTargetNeedsDefaults(target.c_str(), Info().c_str(), &missing, ctx_), 1);
  EXPECT_EQ(missing, 0);
}

TEST_F(InstallInfo, InfoDefaultsAreCopiedOverAnOldTarget) {
  const std::u16string target = Data("velmlist.ini");
  Put(Info(), "[" + lang_ + "]\r\nFreeSizeCount=1\r\nStampCount=99999\r\nQstVersion=200\r\n" +
                  "bIsBIDISupportForVELM=1\r\n[FreeSize0" + lang_ + "]\r\nvdmFreeName=Card\r\n[Stamp0" + lang_ +
                  "]\r\nvdmWmText=DRAFT\r\n");
  Put(target, "[" + lang_ + "]\r\nQstVersion=300\r\nbIsBIDISupportForVELMFont=1\r\n");
  EXPECT_EQ(InstCopyInfoDefaults(target.c_str(), Info().c_str(), ctx_), 1);
  EXPECT_EQ(IniValue(target, lang_, "QstVersion"), "200");
  EXPECT_EQ(IniValue(target, lang_, "bIsBIDISupportForVELMFont"), "") << "missing keys are copied as empty";
  EXPECT_EQ(IniValue(target, lang_, "FreeSizeCount"), "1");
  EXPECT_EQ(IniValue(target, "FreeSize0" + lang_, "vdmFreeName"), "Card");
  EXPECT_EQ(IniValue(target, "Stamp0" + lang_, "vdmWmText"), "DRAFT");
  EXPECT_EQ(IniValue(target, lang_, "StampCount"), "255") << "a count beyond the list is bounded";
  // A current target is left alone.
  Put(target, "[" + lang_ + "]\r\nQstVersion=250\r\n");
  EXPECT_EQ(InstCopyInfoDefaults(target.c_str(), Info().c_str(), ctx_), 1);
  EXPECT_EQ(IniValue(target, lang_, "FreeSizeCount"), "<none>");
}

TEST_F(InstallInfo, ModelRegistration) {
  EXPECT_EQ(InstGetModelKey(ctx_), nullptr) << "no install-info file";
  EXPECT_EQ(InstRegisterModel(ctx_), 0);
  Put(Info(), "[Models]\r\nVELM Driver=   Model 50\r\n");
  Put(Driver("ORVINST.ini"), "[Model 50]\r\nLoadDll32=\r\nVersion32=1.2\r\n");
  ctx_->work->modelKey[0] = 0;
  ASSERT_NE(InstGetModelKey(ctx_), nullptr);
  EXPECT_EQ(std::u16string(InstGetModelKey(ctx_)), u"Model 50");
  EXPECT_EQ(InstRegisterModel(ctx_), 1);
  const std::u16string db = u"C:\\Windows\\orvdb.ini";
  EXPECT_EQ(IniValue(db, "Model 50", "LoadDll"), "<none>") << "an empty LoadDll32 writes nothing";
  EXPECT_EQ(IniValue(db, "Model 50", "ResDll"), "ORVDATA.dll");
  EXPECT_EQ(IniValue(db, "Model 50", "Version"), "1.2");
}

TEST_F(InstallInfo, InstallProgramsRunHiddenAndHungOnesAreCutOff) {
  Put(Info(), "[Expand File]\r\nSystemDirfiles=2\r\nSystemDir2=setup2.exe\r\nDriverDirfiles=1\r\nDriverDir1=hang.exe\r\n"
              "[x]\r\n");
  Put(Driver("setup2.exe"), "MZ");
  Put(Driver("hang.exe"), "MZ");
  plat::SetMachineSetting("program.setup2.exe", "pwd > ran.txt");
  plat::SetMachineSetting("program.hang.exe", "sleep 3");
  plat::SetMachineSetting("install.programwait", "300");
  plat::ResetCalls();
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(InstRunExpandFilePrograms(ctx_), 1) << "one program was cut off";
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  EXPECT_EQ(plat::CallCount("CreateProcessW"), 2);
  const std::string ran = Get(u"C:\\Windows\\System32\\ran.txt");
  EXPECT_NE(ran.find(plat::MapPath(u"C:\\Windows\\System32")), std::string::npos) << ran;
  // A program without a host command cannot be started and is skipped.
  plat::ResetMachineSetting("program.hang.exe");
  EXPECT_EQ(InstRunExpandFilePrograms(ctx_), 0);
  plat::ResetMachineSetting("program.setup2.exe");
  plat::ResetMachineSetting("install.programwait");
}

}  // namespace
