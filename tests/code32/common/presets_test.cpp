#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "plat/files.h"
#include "plat/kernel.h"
#include "plat/user.h"
#include "qst_test_machine.h"
#include "velm/inst.h"
#include "velm/jobinfo.h"
#include "velm/presets.h"
#include "velm/devmode.h"
#include "velm/ini.h"
#include "velm/inst.h"
#include "velm/presets.h"
#include "velm/qst.h"

namespace {

using qst_test::QstMachine;

constexpr uint32_t kDuplexType = 102, kPresetName = 865, kPresetComment = 866;
constexpr uint32_t kFuncSelectScale = 58, kFuncSelectNup = 59;  // bits 0 and 1 of one field

class Presets : public QstMachine {
 protected:
  std::u16string DataFile(const std::string& name) {
    char16_t dir[261] = {};
    PathGetCommonDataDir(dir, 261);
    return std::u16string(dir) + u"\\" + W(name);
  }
  std::string IniKey(const std::string& key) {
    char16_t buf[600] = {};
    IniGetString(u"Office", W(key).c_str(), u"", buf, 600, PathGetDriverIni(ctx_));
    return plat::ToUtf8(buf);
  }
  // A preset saved from the working settings with the given duplex type.
  std::u16string MakePreset(const std::string& file, int32_t duplex, const std::string& name) {
    std::u16string path = DataFile(file);
    OptSetValueById(ctx_, kDuplexType, duplex);
    EXPECT_EQ(PresetAddEntry(ctx_, path.c_str(), W(name).c_str(), W(name + " comment").c_str()), 1);
    EXPECT_EQ(QstSaveSettings(printer_, path.c_str(), kQstPreset, ctx_), 1);
    return path;
  }
  std::string Names() {
    std::string out;
    for (int32_t n = 0; n < PresetGetCount(ctx_); ++n) {
      char16_t buf[600] = {};
      PresetGetEntryText(ctx_, n, 1, buf);
      out += (n ? "," : "") + plat::ToUtf8(buf);
    }
    return out;
  }
};

TEST_F(Presets, NewFileNamesTakeTheFirstFreeNumber) {
  char16_t name[kPresetNameChars] = {};
  ASSERT_EQ(PresetMakeNewFileName(ctx_, name), 1);
  EXPECT_EQ(name, DataFile("user0000.qst"));
  Put(DataFile("user0000.qst"), "[Office]\r\nQstMachine=134\r\n");
  Put(DataFile("user0001.qst"), "[Office]\r\nQstMachine=0\r\n");  // 0 counts as free
  Put(DataFile("user0002.qst"), "[Other]\r\nQstMachine=134\r\n");
  ASSERT_EQ(PresetMakeNewFileName(ctx_, name), 1);
  EXPECT_EQ(name, DataFile("user0001.qst"));
  Put(DataFile("user0001.qst"), "[Office]\r\nQstMachine=134\r\n");
  ASSERT_EQ(PresetMakeNewFileName(ctx_, name), 1);
  EXPECT_EQ(name, DataFile("user0002.qst")) << "a file of another printer's section is free for this one";
}

// A new name is reserved by creating its file empty: the next saver takes
// the next name, and a name given back is free again.
TEST_F(Presets, NewFileNamesAreReservedUntilGivenBack) {
  char16_t first[kPresetNameChars] = {}, second[kPresetNameChars] = {};
  ASSERT_EQ(PresetMakeNewFileName(ctx_, first), 1);
  EXPECT_EQ(first, DataFile("user0000.qst"));
  EXPECT_NE(GetFileAttributesW(first), INVALID_FILE_ATTRIBUTES) << "the name's file is created";
  ASSERT_EQ(PresetMakeNewFileName(ctx_, second), 1);
  EXPECT_EQ(second, DataFile("user0001.qst"));
  EXPECT_EQ(PresetDropNewFile(first), 1);
  EXPECT_EQ(GetFileAttributesW(first), INVALID_FILE_ATTRIBUTES);
  Put(DataFile("user0001.qst"), "[Office]\r\nQstMachine=134\r\n");
  EXPECT_EQ(PresetDropNewFile(second), 0) << "a written preset file is kept";
  ASSERT_EQ(PresetMakeNewFileName(ctx_, first), 1);
  EXPECT_EQ(first, DataFile("user0000.qst"));
}

TEST_F(Presets, NoNewFileNameWhenAllTenThousandAreTaken) {
  // Written straight into the host folder: naming each new file through the
  // machine's path look-up would search the growing folder ten thousand times.
  const std::string dir = plat::MapPath(DataFile(""));
  for (int n = 0; n < kPresetFileNumbers; ++n) {
    char file[16];
    std::snprintf(file, sizeof file, "user%04d.qst", n);
    std::ofstream(dir + "/" + file, std::ios::binary) << "[Office]\r\nQstMachine=134\r\n";
  }
  char16_t name[kPresetNameChars] = {u'x'};
  EXPECT_EQ(PresetMakeNewFileName(ctx_, name), 0);
  EXPECT_EQ(name[0], 0);
}

TEST_F(Presets, TheCacheRestoresASnapshotBitByBit) {
  OptSetValueById(ctx_, kDuplexType, 2);
  OptSetValueById(ctx_, kFuncSelectScale, 1);
  OptSetValueById(ctx_, kFuncSelectNup, 0);
  EXPECT_EQ(PresetCacheControl(ctx_, 3, kPresetCacheRestore), 0) << "empty slot";
  PresetCacheControl(ctx_, 3, kPresetCacheStore);
  PresetCacheControl(ctx_, 16, kPresetCacheStore);
  EXPECT_EQ(PresetCacheControl(ctx_, 16, kPresetCacheRestore), 0) << "keys from 16 are never cached";
  OptSetValueById(ctx_, kDuplexType, 1);
  OptSetValueById(ctx_, kFuncSelectScale, 0);
  // A neighbour bit that is not a preset item stays as it is now.
  SettingRecord* scale = OptFindSetting(ctx_, kFuncSelectScale);
  uint8_t* field = OptGetValueAddr(ctx_, scale);
  field[3] |= 0x80;
  EXPECT_EQ(PresetCacheControl(ctx_, 3, kPresetCacheRestore), 1);
  EXPECT_EQ(OptGetValueById(ctx_, kDuplexType), 2);
  EXPECT_EQ(OptGetValueById(ctx_, kFuncSelectScale), 1);
  EXPECT_EQ(OptGetValueById(ctx_, kFuncSelectNup), 0);
  EXPECT_EQ(field[3] & 0x80, 0x80);
  // Every list change frees the cache.
  PresetAddEntry(ctx_, u"C:\\x.qst", u"x", u"");
  EXPECT_EQ(PresetCacheControl(ctx_, 3, kPresetCacheRestore), 0);
}

TEST_F(Presets, LoadTakesEntryZeroForAnEmptyKeyAndReplacesAFileThatDoesNotFit) {
  MakePreset("p0.qst", 1, "First");
  std::u16string second = MakePreset("p1.qst", 2, "Second");
  OptSetValueById(ctx_, kDuplexType, 0);
  (void)PresetLoadByIndex(ctx_, 1);  // what it loads is checked below
  EXPECT_EQ(CtxGetFileMismatch(ctx_), 0);
  EXPECT_EQ(OptGetValueById(ctx_, kDuplexType), 2);
  EXPECT_EQ(Text(ctx_, kPresetName), "Second");
  EXPECT_EQ(Text(ctx_, kPresetComment), "Second comment");

  // An entry whose file key is empty loads the file of entry 0.
  EXPECT_TRUE(IniWriteString(u"Office", u"PresetList1", u"", PathGetDriverIni(ctx_)));
  PresetCacheControl(ctx_, 0, kPresetCacheFreeAll);
  (void)PresetLoadByIndex(ctx_, 1);  // what it loads is checked below
  EXPECT_EQ(OptGetValueById(ctx_, kDuplexType), 1);

  // A file of another model: key emptied, entry 0 loaded, one warning.
  EXPECT_TRUE(IniWriteString(u"Office", u"PresetList1", second.c_str(), PathGetDriverIni(ctx_)));
  Put(second, "[Office]\r\nQstVersion=200\r\nQstMachine=99\r\nQstLanguage=0\r\nvdmDuplexType=2\r\n");
  OptSetValueById(ctx_, kDuplexType, 0);
  PresetCacheControl(ctx_, 0, kPresetCacheFreeAll);
  plat::ClearMessageBoxLog();
  (void)PresetLoadByIndex(ctx_, 1);  // what it loads is checked below
  EXPECT_EQ(OptGetValueById(ctx_, kDuplexType), 1);
  EXPECT_EQ(IniKey("PresetList1"), "");
  auto log = plat::MessageBoxLog();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].type, MB_ICONWARNING);
  EXPECT_EQ(plat::ToUtf8(log[0].caption), "Office");

  // Entry 0 itself not fitting: no loop, no crash.
  Put(DataFile("p0.qst"), "[Office]\r\nQstMachine=99\r\n");
  PresetCacheControl(ctx_, 0, kPresetCacheFreeAll);
  (void)PresetLoadByIndex(ctx_, 0);  // what it loads is checked below
  EXPECT_EQ(IniKey("PresetList0"), "");
  // Numbers from 16 only empty the name and comment.
  (void)PresetLoadByIndex(ctx_, 16);  // what it loads is checked below
  EXPECT_EQ(Text(ctx_, kPresetName), "");
}

TEST_F(Presets, ALongNameIsCutOnACharacterBoundary) {
  MakePreset("p0.qst", 1, "x");
  // 35 single bytes and a double-byte character: the pair would end past
  // byte 36, so it is left out whole.
  std::u16string name = std::u16string(35, u'a') + u"\u3042";
  PresetSetNameComment(ctx_, 0, name.c_str(), u"c");
  (void)PresetLoadByIndex(ctx_, 0);  // what it loads is checked below
  const uint8_t* p = OptGetValueAddr(ctx_, OptFindSetting(ctx_, kPresetName));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(p)), std::string(35, 'a'));
  std::u16string fits = std::u16string(34, u'a') + u"\u3042";
  PresetSetNameComment(ctx_, 0, fits.c_str(), u"c");
  (void)PresetLoadByIndex(ctx_, 0);  // what it loads is checked below
  EXPECT_EQ(std::strlen(reinterpret_cast<const char*>(p)), 36u);
  EXPECT_EQ(p[36], 0);
}

TEST_F(Presets, FindByNameAndDuplicates) {
  for (const char* n : {"A", "B", "A", "C"}) PresetAddEntry(ctx_, u"C:\\f.qst", W(n).c_str(), u"");
  struct Case {
    const char* name;
    int32_t preferred;
    int32_t expected;
  };
  const Case by_name[] = {{"A", -1, 0}, {"A", 2, 2}, {"A", 1, 0}, {"C", -1, 3}, {"Z", -1, -1}, {"a", -1, -1}};
  for (const Case& c : by_name) EXPECT_EQ(PresetFindByName(ctx_, W(c.name).c_str(), c.preferred), c.expected) << c.name;
  struct Dup {
    const char* text;
    int32_t n;
    int32_t expected;
  };
  const Dup dups[] = {
      {nullptr, -1, 2},  // the later of the first equal pair
      {"B", 3, 3},       // entry n above 0: n
      {"B", 0, 1},       // entry 0: the other entry
      {"B", 1, -1},      // only itself
      {"Z", 2, -1},
  };
  for (const Dup& d : dups)
    EXPECT_EQ(PresetFindDuplicate(ctx_, d.text ? W(d.text).c_str() : nullptr, d.n), d.expected) << d.n;
}

TEST_F(Presets, EditsKeepTheListConsistent) {
  for (const char* n : {"A", "B", "C", "D"}) PresetAddEntry(ctx_, W(std::string("C:\\") + n + ".qst").c_str(), W(n).c_str(), W(std::string(n) + "!").c_str());
  EXPECT_EQ(Names(), "A,B,C,D");
  struct Step {
    const char* what;
    int32_t a, b;
    const char* names;
  };
  const Step steps[] = {
      {"swap", 0, 3, "D,B,C,A"},
      {"delete", 1, 0, "D,C,A"},   // later entries move down
      {"delete", 2, 0, "D,C"},     // the last
      {"delete", 5, 0, "D,C"},     // past the end: refused
      {"swap", 0, 1, "C,D"},
      {"delete", 0, 0, "D"},
  };
  for (const Step& s : steps) {
    if (std::string(s.what) == "swap") PresetSwapEntries(ctx_, s.a, s.b);
    else PresetDeleteEntry(ctx_, s.a);
    EXPECT_EQ(Names(), s.names) << s.what << " " << s.a;
    // Each entry keeps its own file and comment.
    for (int32_t n = 0; n < PresetGetCount(ctx_); ++n) {
      char16_t name[600] = {}, file[600] = {}, comment[600] = {};
      PresetGetEntryText(ctx_, n, 0, file);
      PresetGetEntryText(ctx_, n, 1, name);
      PresetGetEntryText(ctx_, n, 2, comment);
      EXPECT_EQ(plat::ToUtf8(file), "C:\\" + plat::ToUtf8(name) + ".qst");
      EXPECT_EQ(plat::ToUtf8(comment), plat::ToUtf8(name) + "!");
    }
  }
  EXPECT_EQ(IniKey("PresetList1"), "") << "the emptied last place";
  EXPECT_EQ(PresetClearList(ctx_), 1);
  EXPECT_EQ(PresetGetCount(ctx_), 0);
}

TEST_F(Presets, PresetSaveWritesSettingsNameAndComment) {
  std::u16string path = MakePreset("p0.qst", 1, "x");
  OptSetValueById(ctx_, kDuplexType, 2);
  OptSetText(ctx_, OptFindSetting(ctx_, kPresetName), u"Renamed");
  EXPECT_EQ(PresetSaveByIndex(ctx_, 0), 1);
  EXPECT_EQ(IniKey("PresetList0Name"), "Renamed");
  std::vector<std::string> lines = SectionLines(Get(path), "Office");
  EXPECT_NE(std::find(lines.begin(), lines.end(), "vdmDuplexType=2"), lines.end());
  EXPECT_EQ(PresetIsWritable(ctx_, path.c_str()), 1);
  EXPECT_TRUE(IniWriteString(u"Office", u"Readonly", u"1", path.c_str()));
  EXPECT_EQ(PresetIsWritableByIndex(ctx_, 0), 0);
}

TEST_F(Presets, RefreshingTheQualitySetsLeavesTheWorkingBufferAsItWas) {
  char16_t dir[261] = {};
  PathGetCommonDataDir(dir, 261);
  for (int n = 0; n < 2; ++n) {
    std::u16string file = DataFile("q" + std::to_string(n) + ".qsq");
    EXPECT_TRUE(IniWriteString(u"Office", (u"QualityList" + W(std::to_string(n))).c_str(), file.c_str(), PathGetDriverIni(ctx_)));
    OptSetValueById(ctx_, 174, 10 + n);  // vdmMonoBrightness, a quality item
    ASSERT_EQ(PresetSaveQualityByIndex(ctx_, n), 1);
  }
  EXPECT_TRUE(IniWriteString(u"Office", u"QualityCount", u"2", PathGetDriverIni(ctx_)));
  OptSetValueById(ctx_, 174, 42);
  std::vector<uint8_t> before(ctx_->devmode, ctx_->devmode + dm::kWorkBufferSize);
  EXPECT_EQ(PresetRefreshQualities(ctx_), 1);
  EXPECT_EQ(std::memcmp(before.data(), ctx_->devmode, dm::kWorkBufferSize), 0);
  (void)PresetLoadQualityByIndex(ctx_, 1);  // what it loads is checked below
  EXPECT_EQ(OptGetValueById(ctx_, 174), 11);
}

}  // namespace
