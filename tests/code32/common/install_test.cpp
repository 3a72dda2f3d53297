// Installation of default presets and quality sets, the install paths, the
// install files and the preset condition filter.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plat/files.h"
#include "plat/kernel.h"
#include "plat/machineconf.h"
#include "plat/user.h"
#include "plat/wstr.h"
#include "install_test_machine.h"
#include "velm/ini.h"
#include "velm/inst.h"
#include "velm/model_cache.h"
#include "velm/presets.h"
#include "velm/qst.h"
#include "velm/save_stack.h"

namespace {

using install_test::Install;
using install_test::W;

// ---- paths ---------------------------------------------------------------------------

TEST_F(Install, InstallPathFormsByModeAndSystem) {
  const std::u16string driver = env_test::kDriverDir;
  struct Case {
    const char* entry;
    int32_t mode;
    bool nt4;
    std::u16string expected;
  };
  const std::u16string long_name(260, u'a');
  const std::vector<Case> cases = {
      {"%SYSDIR%x.qsd", 1, false, u"C:\\_velm\\x.qsd"},
      {"%sysdir%x.qsd", 0, false, u"C:\\Windows\\System32\\x.qsd"},
      {"%SysDir%x.qsd", 1, true, u"C:\\Windows\\System32\\x.qsd"},
      {"%windir%x.qsd", 1, false, driver + u"x.qsd"},
      {"%WINDIR%x.qsd", 0, false, u"C:\\Windows\\x.qsd"},
      {".\\x.qsd", 1, false, driver + u"x.qsd"},
      {".\\x.qsd", 0, false, u"C:\\Windows\\System32\\x.qsd"},
      {"x.qsd", 1, false, driver + u"x.qsd"},
      {"x.qsd", 0, false, u"C:\\Windows\\System32\\x.qsd"},
      {"x.qsd", 1, true, u"C:\\Windows\\System32\\x.qsd"},
      {"D:\\y\\x.qsd", 0, false, u"D:\\y\\x.qsd"},
      {"..\\..\\x.qsd", 1, false, u"C:\\x.qsd"},
      {"..\\..\\..\\x.qsd", 0, false, u""},
  };
  for (const Case& c : cases) {
    plat::SetMachineSetting("os.major", c.nt4 ? "4" : "6");
    char16_t path[261] = {};
    plat::WCopy(path, 261, W(c.entry).c_str());
    EXPECT_EQ(InstResolveInstallPath(path, 261, c.mode, ctx_), c.expected.empty() ? 0 : 1) << c.entry;
    EXPECT_EQ(std::u16string(path), c.expected) << c.entry << " mode " << c.mode << (c.nt4 ? " NT 4" : "");
  }
  plat::ResetMachineSetting("os.major");
  char16_t path[300] = {};
  plat::WCopy(path, 300, (u"C:\\" + std::u16string(256, u'a')).c_str());  // 259 characters: taken
  EXPECT_EQ(InstResolveInstallPath(path, 300, 0, ctx_), 1);
  plat::WCopy(path, 300, (u"C:\\" + long_name.substr(0, 257)).c_str());  // 260: refused
  EXPECT_EQ(InstResolveInstallPath(path, 300, 0, ctx_), 0);
  EXPECT_EQ(path[0], 0);
}

TEST_F(Install, ParentOfTheSystemDirectory) {
  char16_t out[261] = {};
  EXPECT_EQ(PathResolveParentOfSystemDir(out, 261, u"..\\x"), 1);
  EXPECT_EQ(std::u16string(out), u"C:\\Windows\\x");
  EXPECT_EQ(PathResolveParentOfSystemDir(out, 261, u"..\\..\\x"), 1);
  EXPECT_EQ(std::u16string(out), u"C:\\x");
  EXPECT_EQ(PathResolveParentOfSystemDir(out, 261, u"..\\..\\..\\x"), 0);
  EXPECT_EQ(out[0], 0);
  EXPECT_EQ(PathResolveParentOfSystemDir(out, 12, u"..\\longer-name"), 0) << "does not fit";
  EXPECT_EQ(out[0], 0);
}

TEST_F(Install, InstallTargetsStayInsideTheMachinesFolders) {
  EXPECT_EQ(InstIsInstallTarget(u"C:\\Windows\\System32\\a.dll"), 1);
  EXPECT_EQ(InstIsInstallTarget(u"C:\\_velm\\a.qsr"), 1);
  EXPECT_EQ(InstIsInstallTarget(u"C:\\x.qsd"), 0);
  EXPECT_EQ(InstIsInstallTarget(u"C:\\Windows\\..\\x.qsd"), 0);
  EXPECT_EQ(InstIsInstallTarget(u"C:\\WindowsX\\x.qsd"), 0);
  EXPECT_EQ(InstIsInstallTarget(u"D:\\x"), 0);
}

TEST_F(Install, CopyNames) {
  char16_t out[522] = {};
  ASSERT_EQ(PresetMakeListCopyPath(ctx_, u"D:\\a\\P1.qsd", out), 1);
  EXPECT_EQ(std::u16string(out), u"C:\\_velm\\P1.qsr");
  ASSERT_EQ(PresetMakeQualityCopyPath(ctx_, u"D:\\a\\Q1.qsr", out), 1);
  EXPECT_EQ(std::u16string(out), u"C:\\_velm\\Q1.qsq");
  char16_t path[261] = u"C:\\d\\name.qsr";
  ASSERT_EQ(PathChangeExtToQsd(path, 261), 1);
  EXPECT_EQ(std::u16string(path), u"C:\\d\\name.qsd");
}

// ---- the condition filter ---------------------------------------------------------------

TEST_F(Install, ConditionExpressions) {
  struct Case {
    const char* text;
    bool matches;
  };
  const std::string long_name(300, 'A');
  const std::vector<Case> cases = {
      {"Opt_Duplex | Opt_HDD & !Opt_HDD", true},
      {"Opt_HDD | Opt_Duplex & !Opt_Duplex", false},
      {"Opt_HDD & Opt_Duplex", false},
      {"Opt_Duplex & Opt_HDD", false},
      {"Opt_HDD Opt_Duplex", true},
      {"  Opt_Duplex\t", true},
      {"!Opt_HDD", true},
      {"! Opt_HDD", true},  // "! " ends the expression before any term
      {"Nope", false},
      {"!Nope", false},
      {long_name.c_str(), false},
      {"", true},
  };
  const std::u16string file = Data("cond.qsd");
  for (const Case& c : cases) {
    Put(file, std::string("[condition]\r\nConditionOption0_0=") + c.text + "\r\n");
    EXPECT_EQ(InstPresetMatchesCondition(file.c_str(), ctx_), c.matches ? 1 : 0) << "'" << c.text << "'";
  }
}

TEST_F(Install, ConditionRowsAndAlternatives) {
  struct Case {
    const char* keys;
    bool matches;
  };
  const std::vector<Case> cases = {
      {"ConditionOption0_0=Opt_Duplex\r\nConditionOption2_0=Opt_HDD\r\n", false},
      {"ConditionOption0_0=Opt_Duplex\r\nConditionOption2_0=Opt_Duplex\r\n", true},
      {"ConditionOption0_0=Opt_HDD\r\nConditionOption0_1=Opt_Duplex\r\n", true},
      {"ConditionOption0_0=Opt_HDD\r\nConditionOption0_2=Opt_Duplex\r\n", false},
      {"ConditionOption0_1=Opt_HDD\r\n", true},
  };
  const std::u16string file = Data("cond.qsd");
  for (const Case& c : cases) {
    Put(file, std::string("[condition]\r\n") + c.keys);
    EXPECT_EQ(InstPresetMatchesCondition(file.c_str(), ctx_), c.matches ? 1 : 0) << c.keys;
  }
}

TEST_F(Install, ConditionTermsAreBounded) {
  char name[260] = {};
  int32_t negate = 0, and_next = 0;
  const std::string text = std::string(400, 'B') + " & X";
  const int32_t used = InstParseConditionTerm(text.c_str(), name, sizeof name, &negate, &and_next);
  EXPECT_EQ(used, 402);
  EXPECT_EQ(std::string(name).size(), 259u);
  EXPECT_EQ(and_next, 1);
  // A double-byte character whose trail byte is '|' stays in the name.
  const char dbcs[] = {'!', char(0x83), '|', 'Z', ' ', '|', 'Y', 0};
  EXPECT_EQ(InstParseConditionTerm(dbcs, name, sizeof name, &negate, &and_next), 6);
  EXPECT_EQ(std::string(name), std::string({char(0x83), '|', 'Z'}));
  EXPECT_EQ(negate, 1);
  EXPECT_EQ(and_next, 0);
}

TEST_F(Install, DisableSectionByDriverName) {
  const std::u16string file = Data("dis.qsd");
  for (auto [text, enabled] : std::vector<std::pair<std::string, int32_t>>{
           {"[disable]\r\nVELM Driver=1\r\n", 0}, {"[disable]\r\nVELM Driver=0\r\n", 1}, {"[disable]\r\nOther=1\r\n", 1}}) {
    Put(file, text);
    EXPECT_EQ(InstPresetIsEnabled(file.c_str(), ctx_), enabled) << text;
  }
}

// ---- default presets and quality sets ------------------------------------------------

TEST_F(Install, DefaultPresetFlags) {
  struct Case {
    uint32_t flags;
    const char* names;
    bool p2_copy;      // P2.qsr made
    bool p3_copy;      // P3.qsr made
    bool p1_rebuilt;   // the existing P1.qsr rebuilt from P1.qsd
    const char* done;  // DrvInstPresetDone
  };
  const std::vector<Case> cases = {
      {0x1, "One,Two", false, false, false, "<none>"},
      {0x11, "One,Two", true, true, true, "<none>"},
      {0x101, "One,Two", false, false, false, "1"},
      {0x102, "Mine", true, true, true, "1"},
      {0xC1, "Mine,Two", true, false, false, "<none>"},
      {0x2, "Mine", true, true, true, "<none>"},
      {0x1002, "Mine", true, true, false, "<none>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "flags 0x" << std::hex << c.flags);
    const std::u16string qsb = PutBundle();
    ASSERT_EQ(PresetClearList(ctx_), 1);
    ASSERT_EQ(PresetAddEntry(ctx_, Data("mine.qst").c_str(), u"Mine", u""), 1);
    for (const char* f : {"P1.qsr", "P2.qsr", "P3.qsr"}) (void)DeleteFileW(Data(f).c_str());  // may be absent already
    Put(Data("P1.qsr"), "[Office]\r\nQstVersion=1\r\nMarker=1\r\n");
    EXPECT_EQ(InstInstallDefaultPresets(qsb.c_str(), W(lang_).c_str(), c.flags, ctx_), 1);
    EXPECT_EQ(Names(), c.names);
    EXPECT_EQ(Exists(Data("P2.qsr")), c.p2_copy);
    EXPECT_EQ(Exists(Data("P3.qsr")), c.p3_copy);
    EXPECT_EQ(IniValue(Data("P1.qsr"), "Office", "Marker") == "<none>", c.p1_rebuilt);
    if (c.p2_copy) {
      EXPECT_NE(IniValue(Data("P2.qsr"), "Office", "QstVersion"), "<none>") << "a rebuilt copy has a header";
    }
    EXPECT_EQ(IniValue(qsb, lang_, "DrvInstPresetDone"), c.done);
  }
}

TEST_F(Install, ListEntriesNameTheInstalledCopies) {
  const std::u16string qsb = PutBundle();
  ASSERT_EQ(InstInstallDefaultFiles(qsb.c_str(), W(lang_).c_str(), 0x10, ctx_), 1);
  EXPECT_EQ(Files(), "P1.qsr,P2.qsr");
  EXPECT_EQ(Qualities(), "Fine,NoName");
  EXPECT_EQ(PresetGetQualityCount(ctx_), 2);
  EXPECT_TRUE(Exists(Data("Q1.qsr")));
}

TEST_F(Install, AFullListTakesOneDefault) {
  const std::u16string qsb = PutBundle();
  ASSERT_EQ(PresetClearList(ctx_), 1);
  for (int n = 0; n < 15; ++n) ASSERT_EQ(PresetAddEntry(ctx_, Data("u.qst").c_str(), u"U", u""), 1);
  EXPECT_EQ(InstInstallDefaultPresets(qsb.c_str(), W(lang_).c_str(), 0x141, ctx_), 1);
  EXPECT_EQ(PresetGetCount(ctx_), 16);
  EXPECT_EQ(Names().substr(Names().rfind(',') + 1), "One");
  EXPECT_EQ(InstInstallDefaultPresets(qsb.c_str(), W(lang_).c_str(), 0x41 | 0x80, ctx_), 1);
  EXPECT_EQ(PresetGetCount(ctx_), 16) << "a full list takes nothing";
}

TEST_F(Install, NoDefaultPresetCountAddsNothing) {
  for (const char* text : {"NumDeficonfiles=0\r\nDeficonfiles1=P1.qsd\r\n", "Deficonfiles1=P1.qsd\r\n"}) {
    PutPreset("P1.qsd", "One");
    const std::u16string qsb = Driver("empty.qsb");
    Put(qsb, "[" + lang_ + "]\r\n" + text);
    ASSERT_EQ(PresetClearList(ctx_), 1);
    EXPECT_EQ(InstInstallDefaultPresets(qsb.c_str(), W(lang_).c_str(), 0x101, ctx_), 1);
    EXPECT_EQ(PresetGetCount(ctx_), 0);
  }
}

TEST_F(Install, DefaultPresetNames) {
  struct Case {
    const char16_t* name;
    const char16_t* comment;
    const char16_t* name_field;
    const char16_t* comment_field;
    const char* expected;
  };
  const std::vector<Case> cases = {
      {u"N", u"C", u"F", u"G", "N|C"},          {u"N", u"", u"F", u"G", "N|G"},
      {u"N", u"", u"F", u"", "N|"},             {u"", u"", u"F", u"G", "NoName|"},
      {u"", u"C", u"F", u"G", "F|C"},           {u"", u"C", u"", u"G", "NoName|C"},
      {nullptr, nullptr, u"F", u"G", "F|G"},    {nullptr, nullptr, u"", u"", "NoName|"},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(PresetClearList(ctx_), 1);
    OptSetText(ctx_, OptFindSetting(ctx_, setting::wdmPresetName), c.name_field);
    OptSetText(ctx_, OptFindSetting(ctx_, setting::wdmPresetComment), c.comment_field);
    ASSERT_EQ(InstAddDefaultPreset(ctx_, Data("x.qsr").c_str(), c.name, c.comment, 0), 1);
    char16_t name[600] = {}, comment[600] = {};
    PresetGetEntryText(ctx_, 0, 1, name);
    PresetGetEntryText(ctx_, 0, 2, comment);
    EXPECT_EQ(plat::ToUtf8(name) + "|" + plat::ToUtf8(comment), c.expected);
  }
}

TEST_F(Install, CheckPresetsKeepsDropsAndCancels) {
  const std::u16string qsb = PutBundle();
  // P2's installed copy says it wants the hard disk, which this printer's
  // settings do not give.
  ASSERT_TRUE(IniWriteString(u"Office", u"DefaultQst", qsb.c_str(), PathGetDriverIni(ctx_)));
  Put(Data("P2.qsr"), "[condition]\r\nConditionOption0_0=Opt_HDD\r\n");
  Put(Data("other.qst"), "[Office]\r\nQstVersion=200\r\nQstMachine=1\r\nQstLanguage=9999\r\n");
  ASSERT_EQ(PresetClearList(ctx_), 1);
  ASSERT_EQ(PresetAddEntry(ctx_, Data("other.qst").c_str(), u"Foreign", u""), 1);
  ASSERT_EQ(PresetAddEntry(ctx_, Data("P2.qsr").c_str(), u"Two", u""), 1);
  ASSERT_EQ(PresetAddEntry(ctx_, Data("mine.qsr").c_str(), u"Mine", u""), 1);  // no default of that name

  plat::ScriptMessageBoxAnswers({IDCANCEL});
  EXPECT_EQ(InstCheckPresets(ctx_, 1), 0);
  EXPECT_EQ(Names(), "Foreign,Two,Mine") << "Cancel changes nothing";

  plat::ScriptMessageBoxAnswers({IDOK});
  EXPECT_EQ(InstCheckPresets(ctx_, 1), 1);
  EXPECT_EQ(Names(), "Foreign,Mine") << "the refused file is kept and P2's stale copy dropped";
  EXPECT_EQ(IniValue(Data("P2.qsr"), "condition", "ConditionOption0_0"), "<none>") << "the copy is rebuilt";
  EXPECT_NE(IniValue(Data("P2.qsr"), "Office", "QstVersion"), "<none>");
  EXPECT_EQ(InstCheckPresets(ctx_, 1), 1);
  EXPECT_EQ(Names(), "Foreign,Mine,Two") << "the rebuilt default comes back; the first default never does";
}

TEST_F(Install, CheckPresetsNeedsTheWholeDefaultList) {
  const std::u16string qsb = Driver("broken.qsb");
  Put(qsb, "[" + lang_ + "]\r\nNumDeficonfiles=2\r\nDeficonfiles1=P1.qsd\r\n");
  ASSERT_TRUE(IniWriteString(u"Office", u"DefaultQst", qsb.c_str(), PathGetDriverIni(ctx_)));
  ASSERT_EQ(PresetAddEntry(ctx_, Data("P1.qsr").c_str(), u"One", u""), 1);
  EXPECT_EQ(InstCheckPresets(ctx_, 0), 0);
  EXPECT_EQ(PresetGetCount(ctx_), 1);
}

TEST_F(Install, UnpackSplitsTheMasterFiles) {
  Put(Driver("velmsetup.ini"), "[" + lang_ + "]\r\nDefaultQst=defaults.qsb\r\n");
  Put(Driver("defaults.qsb"), "[" + lang_ +
                                  "]\r\nNumDeficonfiles=1\r\nDeficonfiles0=master.qsd\r\nDeficonfiles1=A.qsd\r\n"
                                  "NumDefqualityfiles=1\r\nDefqualityfiles0=master.qsq\r\nDefqualityfiles1=B.qsq\r\n");
  Put(Driver("master.qsd"), "[conditionA.qsd]\r\nConditionOption0_0=Opt_HDD\r\n[disableA.qsd]\r\nVELM Driver=1\r\n[" +
                                lang_ + "A.qsd]\r\nsetname=Alpha\r\n");
  Put(Driver("master.qsq"), "[" + lang_ + "B.qsq]\r\nqualityname=Beta\r\n");
  Put(Driver("A.qsd"), "[condition]\r\nOld=1\r\n");
  EXPECT_EQ(InstUnpackDefaultFiles(ctx_), 1);
  EXPECT_EQ(IniValue(Driver("A.qsd"), "condition", "ConditionOption0_0"), "Opt_HDD");
  EXPECT_EQ(IniValue(Driver("A.qsd"), "condition", "Old"), "<none>");
  EXPECT_EQ(IniValue(Driver("A.qsd"), "disable", "VELM Driver"), "1");
  EXPECT_EQ(IniValue(Driver("A.qsd"), lang_, "setname"), "Alpha");
  EXPECT_EQ(IniValue(Driver("B.qsq"), lang_, "qualityname"), "Beta");
}

// A section longer than the old 30720-character buffer is copied whole.
TEST_F(Install, RebuildCopiesLongSectionsWhole) {
  std::string keys;
  for (int i = 0; i < 900; ++i) keys += "Key" + std::to_string(i) + "=" + std::string(40, 'v') + "\r\n";
  PutPreset("Big.qsd", "Big", "[disable]\r\n" + keys);
  ASSERT_EQ(InstCopyPresetFile(Data("Big.qsr").c_str(), Driver("Big.qsd").c_str(), kQstPreset, ctx_), 1);
  EXPECT_EQ(IniValue(Data("Big.qsr"), "disable", "Key899"), std::string(40, 'v'));
  EXPECT_NE(IniValue(Data("Big.qsr"), "Office", "QstVersion"), "<none>");
}

// A quality file whose header is refused is rebuilt from its installed copy
// when it is loaded.
TEST_F(Install, RefusedQualityFileIsRebuiltFromItsCopy) {
  Put(Data("Q1.qsq"), "[" + lang_ + "]\r\nqualityname=Fine\r\n[condition]\r\nConditionOption0_0=Opt_Bank\r\n");
  Put(Data("Q1.qsr"), "[Office]\r\nQstVersion=1\r\nQstMachine=1\r\nQstLanguage=1\r\n");
  ASSERT_EQ(QstLoadSettings(printer_, Data("Q1.qsr").c_str(), kQstQuality, ctx_), 1);
  EXPECT_NE(IniValue(Data("Q1.qsr"), "Office", "QstVersion"), "1") << "rebuilt with this printer's header";
  EXPECT_EQ(IniValue(Data("Q1.qsr"), "condition", "ConditionOption0_0"), "Opt_Bank");
}

TEST_F(Install, InstallFilesCopiesByTime) {
  Put(Driver("velmsetup.ini"), "[" + lang_ +
                                   "]\r\nNumInstallfiles=3\r\nInstallfiles1=%sysdir%tool.dat\r\n"
                                   "Installfiles2=C:\\outside\\evil.dat\r\nInstallfiles3=..\\..\\root.dat\r\n");
  Put(Driver("tool.dat"), "new");
  Put(Driver("evil.dat"), "x");
  Put(Driver("root.dat"), "x");
  Put(Driver("orvaux.dll"), "aux");
  EXPECT_EQ(InstInstallFiles(ctx_, 0), 1);
  EXPECT_EQ(Get(u"C:\\Windows\\System32\\tool.dat"), "new");
  EXPECT_EQ(Get(u"C:\\Windows\\System32\\orvaux.dll"), "aux");
  EXPECT_FALSE(Exists(u"C:\\outside\\evil.dat"));
  EXPECT_FALSE(Exists(u"C:\\root.dat")) << "nothing is written outside the Windows and data folders";
  // An older source leaves the installed file alone.
  Put(u"C:\\Windows\\System32\\tool.dat", "mine");
  FILETIME old_time = plat::FileTimeFromUnix(1000, 0);
  HANDLE h = CreateFileW(Driver("tool.dat").c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(SetFileTime(h, nullptr, nullptr, &old_time));
  CloseHandle(h);
  EXPECT_EQ(InstInstallFiles(ctx_, 0), 1);
  EXPECT_EQ(Get(u"C:\\Windows\\System32\\tool.dat"), "mine");
}

TEST_F(Install, CacheRefreshCopiesTheSystemFilesAsTheSpooler) {
  Put(Driver("orvmon.dll"), "mon");
  Put(Driver("orvaux.dll"), "aux");
  Put(Driver("VELMPD4.DLL"), "query");
  Put(Driver("orvtse2.dll"), "other");
  plat::ResetCalls();
  EXPECT_EQ(InstRefreshSystemFiles(ctx_), 1);
  EXPECT_EQ(Get(u"C:\\Windows\\System32\\orvmon.dll"), "mon");
  EXPECT_EQ(Get(u"C:\\Windows\\System32\\VELMPD4.DLL"), "query");
  EXPECT_FALSE(Exists(u"C:\\Windows\\System32\\orvtse2.dll"));
  EXPECT_EQ(plat::CallCount("RevertToPrinterSelf"), 1);
  EXPECT_EQ(plat::CallCount("ImpersonatePrinterClient"), 1);
}

}  // namespace
