#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "plat/calls.h"
#include "plat/kernel.h"
#include "plat/user.h"
#include "qst_test_machine.h"
#include "velm/devmode.h"
#include "velm/dm_merge.h"
#include "velm/ini.h"
#include "velm/inst.h"
#include "velm/resources.h"
#include "velm/spooler.h"
#include "velm/qst.h"
#include "velm/presets.h"

namespace {

using qst_test::kFile;
using qst_test::QstMachine;

constexpr uint32_t kOrientation = 7, kCopies = 12, kPresetNo = 41, kLanguage = 177, kOsKind = 716;
constexpr uint32_t kJobPassword = 220, kStoredPassword = 221;
constexpr uint32_t kFreeSizeName = 859, kFreeSizeWidth = 860;
constexpr uint32_t kOverlayPath = 875;
constexpr uint32_t kDuplexType = 102;  // a preset item

class Qst : public QstMachine {
 protected:
  std::string Header(uint32_t version, uint32_t machine, int32_t language) {
    std::string h = "QstVersion=" + std::to_string(version) + "\r\nQstMachine=" + std::to_string(machine) + "\r\n";
    if (language >= 0) h += "QstLanguage=" + std::to_string(language) + "\r\n";
    return h;
  }
  uint32_t Language() { return uint32_t(OptGetValueById(ctx_, kLanguage)) & 0xFFFF; }
};

TEST_F(Qst, PlainSaveAndLoadCarryThePlainItemsButNeverThePasswordsOrDeviceItems) {
  OptSetValueById(ctx_, kOrientation, 2);
  OptSetValueById(ctx_, kCopies, 7);
  OptSetText(ctx_, OptFindSetting(ctx_, kJobPassword), u"1234");
  OptSetText(ctx_, OptFindSetting(ctx_, kStoredPassword), u"5678");
  OptSetText(ctx_, OptFindSetting(ctx_, kOverlayPath), u"C:\\forms\\memo.ovl");
  OptSetValueById(ctx_, 10012, 64);  // a device item (RAM)
  // The defaults leave the public and private descriptions out of step on
  // this model (its duplex switch is on while dmDuplex stays 1; A4 has no
  // printable area here, so no dimensions). A plain save writes the public
  // fields as the private settings give them, and a plain load ends with a
  // settings-file merge: put the source context through both first, so
  // that what comes back can be compared with it item by item.
  ASSERT_EQ(DmMergeInput(ctx_, nullptr, 0, kMergeSettingsFile | DM_IN_BUFFER), 1);
  DmPrivateToPublic(ctx_->devmode, ctx_, 0);
  ASSERT_EQ(Text(ctx_, kJobPassword), "1234") << "the passwords are there to be left out";
  ASSERT_EQ(OptGetValueById(ctx_, kOrientation), 2);
  ASSERT_EQ(QstSaveSettings(printer_, kFile, 0, ctx_), 1);

  std::string file = Get(kFile);
  EXPECT_EQ(file.rfind("[VELM Driver]\r\nQstVersion=200\r\nQstMachine=134\r\n", 0), 0u) << file.substr(0, 80);
  EXPECT_EQ(file.find("Password"), std::string::npos) << "no plain save writes the job passwords";
  std::vector<std::string> keys = Keys(SectionLines(file, "VELM Driver"));
  EXPECT_NE(std::find(keys.begin(), keys.end(), "dmOrientation"), keys.end());
  EXPECT_EQ(std::find(keys.begin(), keys.end(), "vdmServerLogCode"), keys.end());
  // The device section went to velmdev.txt of the common data directory.
  char16_t dev[261] = {};
  ASSERT_EQ(PathMakeInDataDir(dev, 261, u"velmdev.txt", ctx_), 1);
  std::vector<std::string> dev_lines = SectionLines(Get(dev), "VELMPrnSection");
  EXPECT_NE(std::find(dev_lines.begin(), dev_lines.end(), "vdmPrinterMemory=64"), dev_lines.end()) << Get(dev);

  DriverContext* fresh = Open();
  ASSERT_NE(fresh, nullptr);
  OptSetText(fresh, OptFindSetting(fresh, kJobPassword), u"keep");
  ASSERT_NE(OptGetValueById(fresh, kOrientation), 2);
  // Empty texts are saved as empty keys, which load nothing: the answer is 0.
  EXPECT_EQ(QstLoadSettings(printer_, kFile, 0, fresh), 0);
  EXPECT_EQ(CtxGetFileMismatch(fresh), 0);
  EXPECT_EQ(OptGetValueById(fresh, kOrientation), 2);
  EXPECT_EQ(OptGetValueById(fresh, kCopies), 7);
  EXPECT_EQ(Text(fresh, kOverlayPath), "C:\\forms\\memo.ovl");
  EXPECT_EQ(Text(fresh, kJobPassword), "keep");
  EXPECT_EQ(OptGetValueById(fresh, 10012), OptGetValueById(Open(), 10012)) << "device items are not loaded";
  EXPECT_EQ(uint8_t(OptGetValueById(fresh, kPresetNo)), 255);
  // Every plain item that the load does not adjust afterwards came back.
  const std::set<uint32_t> adjusted = {6, 41};
  for (int i = 0; i < ctx_->settings->count; ++i) {
    const SettingRecord& row = ctx_->settings->rows[i];
    if (!row.itemName || row.id > 904 || !QstIsPlainLoadItem(&row) || adjusted.count(row.id)) continue;
    EXPECT_EQ(Bytes(fresh, row.id), Bytes(ctx_, row.id)) << plat::ToUtf8(row.itemName);
  }
  EXPECT_TRUE(plat::MessageBoxLog().empty());
}

TEST_F(Qst, PlainLoadPrefersTheDriverNameSection) {
  std::string lang = std::to_string(Language());
  Put(kFile, "[Office]\r\n" + Header(200, 134, int32_t(Language())) + "dmOrientation=1\r\n[VELM Driver]\r\n" +
                 Header(200, 134, int32_t(Language())) + "dmOrientation=2\r\n");
  (void)QstLoadSettings(printer_, kFile, 0, ctx_);  // what it loads is checked below
  EXPECT_EQ(OptGetValueById(ctx_, kOrientation), 2);
  EXPECT_EQ(plat::ToUtf8(SplGetPrinterName(ctx_)), "Office") << "the printer's own name is back";
  // Without a driver-name section the printer's own section is read.
  Put(kFile, "[Office]\r\n" + Header(200, 134, int32_t(Language())) + "dmOrientation=1\r\n");
  (void)QstLoadSettings(printer_, kFile, 0, ctx_);  // what it loads is checked below
  EXPECT_EQ(OptGetValueById(ctx_, kOrientation), 1);
}

TEST_F(Qst, HeaderMatrix) {
  const int32_t own = int32_t(Language());
  struct Case {
    const char* name;
    uint32_t version, machine;
    int32_t language;  // -1: the key is missing
    uint32_t flags;
    bool accepted;
    bool message;
  };
  const Case cases[] = {
      {"same version", 200, 134, own, 0x4, true, false},
      {"version 210 matches by hundreds", 210, 134, own, 0x4, true, false},
      {"version 299", 299, 134, own, 0x4, true, false},
      {"version 300 refused", 300, 134, own, 0x4, false, true},
      {"version 199 refused", 199, 134, own, 0x4, false, true},
      {"other machine", 200, 135, own, 0x4, false, true},
      {"other language", 200, 134, own + 1, 0x4, false, true},
      {"language missing", 200, 134, -1, 0x4, false, true},
      {"refused quietly with 0x8000", 300, 134, own, 0x8004, false, false},
      {"refused quietly with 0x10", 300, 134, own, 0x10, false, false},
      {"no test with 0x2000", 300, 135, -1, 0x2000, true, false},
      {"no test for stamp items", 300, 135, -1, 0x20, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    plat::ClearMessageBoxLog();
    OptSetValueById(ctx_, kDuplexType, 1);
    std::string section = (c.flags & 0x2000) ? plat::ToUtf8(InstGetLanguageSectionName(ctx_)) : "Office";
    Put(kFile, "[" + section + "]\r\n" + Header(c.version, c.machine, c.language) + "vdmDuplexType=2\r\nvdmWmKind=1\r\n");
    int32_t answer = QstLoadSettings(printer_, kFile, c.flags, ctx_);
    EXPECT_EQ(CtxGetFileMismatch(ctx_), c.accepted ? 0 : 1);
    if (!c.accepted) {
      EXPECT_EQ(answer, 1);
      EXPECT_EQ(OptGetValueById(ctx_, kDuplexType), 1) << "nothing is transferred";
    } else if (!(c.flags & 0x20)) {
      EXPECT_EQ(OptGetValueById(ctx_, kDuplexType), 2);
    }
    auto log = plat::MessageBoxLog();
    ASSERT_EQ(log.size(), c.message ? 1u : 0u);
    if (c.message) {
      EXPECT_EQ(plat::ToUtf8(log[0].caption), "Office");
      EXPECT_EQ(plat::ToUtf8(log[0].text), "The settings file C:\\Users\\user\\set.qst does not fit this printer.");
      EXPECT_EQ(log[0].type, MB_OK | MB_ICONWARNING);
    }
  }
}

TEST_F(Qst, AFileThatDoesNotExistIsCreatedEmptyAndRefused) {
  EXPECT_EQ(QstLoadSettings(printer_, kFile, 0x8004, ctx_), 1);
  EXPECT_EQ(CtxGetFileMismatch(ctx_), 1);
  EXPECT_EQ(Get(kFile), "");
  EXPECT_EQ(QstLoadSettings(printer_, u"set.qst", 0, ctx_), 0) << "not a full path";
  EXPECT_EQ(QstSaveSettings(printer_, u"", 0, ctx_), 0);
}

TEST_F(Qst, MissingOrEmptyKeysLeaveTheirSettingsAndTheAnswerIsZero) {
  OptSetValueById(ctx_, kDuplexType, 1);
  OptSetValueById(ctx_, 92, 150);
  OptSetText(ctx_, OptFindSetting(ctx_, 865), u"before");
  Put(kFile, "[Office]\r\n" + Header(200, 134, int32_t(Language())) +
                 "vdmScaleH=\r\nwdmPresetName=\r\nvdmDuplexType=2\r\n");
  EXPECT_EQ(QstLoadSettings(printer_, kFile, 0x8004, ctx_), 0);
  EXPECT_EQ(OptGetValueById(ctx_, kDuplexType), 2) << "the other items are still loaded";
  EXPECT_EQ(OptGetValueById(ctx_, 92), 150) << "an empty value changes nothing";
  EXPECT_EQ(Text(ctx_, 865), "before");
}

TEST_F(Qst, SectionNames) {
  // A printer name with brackets is written and found with commas.
  HANDLE lab = AddPrinter(u"Lab [2]", u"VELM Driver");
  DriverContext* c = CtxOpenKind(lab, lab, 0, kOpenEntryPoint);
  ASSERT_NE(c, nullptr);
  opened_.push_back(c);
  OptSetValueById(c, kDuplexType, 2);
  ASSERT_EQ(QstSaveSettings(lab, kFile, 4, c), 1);
  EXPECT_EQ(Get(kFile).rfind("[Lab ,2,]\r\n", 0), 0u);
  OptSetValueById(c, kDuplexType, 1);
  (void)QstLoadSettings(lab, kFile, 4, c);  // the empty preset name and comment answer 0
  EXPECT_EQ(CtxGetFileMismatch(c), 0);
  EXPECT_EQ(OptGetValueById(c, kDuplexType), 2);
  EXPECT_EQ(plat::ToUtf8(SplGetPrinterName(c)), "Lab [2]");

  struct Case {
    uint32_t flags;
    std::string section;
  };
  const Case cases[] = {
      {0x4, "Office"},
      {0x0, "VELM Driver"},
      {0x8000, "VELM Driver"},
      {0x10000, plat::ToUtf8(ResGetUiLanguageCode(ctx_))},
      {0x800, "VELMQsdSection"},
  };
  for (const Case& k : cases) {
    std::remove(plat::MapPath(kFile).c_str());
    EXPECT_EQ(QstSaveSettings(printer_, kFile, k.flags, ctx_), 1) << k.flags;
    EXPECT_EQ(Get(kFile).rfind("[" + k.section + "]\r\n", 0), 0u) << k.flags << ": " << Get(kFile).substr(0, 40);
  }
}

TEST_F(Qst, ASavedSectionMovesToTheTopAndReplacesItsOldCopy) {
  Put(kFile, "[A]\r\na=1\r\n[Office]\r\nstale=1\r\ndmOrientation=1\r\n[B]\r\nb=2\r\n");
  OptSetValueById(ctx_, kOrientation, 2);
  ASSERT_EQ(QstSaveSettings(printer_, kFile, 4, ctx_), 1);
  std::string file = Get(kFile);
  EXPECT_EQ(file.rfind("[Office]\r\n", 0), 0u);
  EXPECT_NE(file.find("\r\n[A]\r\na=1\r\n[B]\r\nb=2\r\n"), std::string::npos) << file.substr(file.size() - 40);
  EXPECT_EQ(file.find("stale"), std::string::npos);
  EXPECT_EQ(file.find("[Office]", 1), std::string::npos);
  std::vector<std::string> lines = SectionLines(file, "Office");
  EXPECT_NE(std::find(lines.begin(), lines.end(), "dmOrientation=2"), lines.end());
}

TEST_F(Qst, Subsets) {
  auto ids_of = [&](uint32_t flags) {
    std::set<std::string> names;
    for (int i = 0; i < ctx_->settings->count; ++i) {
      const SettingRecord& r = ctx_->settings->rows[i];
      if (!r.itemName || (r.id >= 430 && r.id <= 858)) continue;
      bool take = false;
      if (flags == 0x80) take = r.id >= 859 && r.id <= 861;
      if (flags == 0x200) take = r.id >= 862 && r.id <= 864;
      if (flags == 0x20) take = r.stampMember != 0 && r.id <= 904;
      if (flags == 0x100) take = QstIsBidiDeviceItem(&r) != 0;
      if (take) names.insert(plat::ToUtf8(r.itemName));
    }
    return names;
  };
  for (uint32_t flags : {0x80u, 0x200u, 0x20u, 0x100u}) {
    SCOPED_TRACE(flags);
    std::remove(plat::MapPath(kFile).c_str());
    ASSERT_EQ(QstSaveSettings(printer_, kFile, flags, ctx_), 1);
    std::vector<std::string> keys = Keys(SectionLines(Get(kFile), "Office"));
    std::set<std::string> written(keys.begin(), keys.end());
    std::set<std::string> expected = ids_of(flags);
    if (flags == 0x100) expected.insert({"QstVersion", "QstMachine", "QstLanguage", "QstOSKind"});
    EXPECT_EQ(written, expected);
    EXPECT_EQ(keys.size(), written.size()) << "each key once";
  }
  EXPECT_EQ(ids_of(0x80).size(), 3u);
  EXPECT_EQ(ids_of(0x20).size(), 25u);

  // A load with 0x80 reads exactly the three items and tests no header.
  OptSetText(ctx_, OptFindSetting(ctx_, kFreeSizeName), u"old");
  Put(kFile, "[Office]\r\nwdmFreeSizeName=Card\r\nwdmFreeSizeWidth=4000\r\nwdmFreeSizeLength=6000\r\ndmOrientation=2\r\n");
  OptSetValueById(ctx_, kOrientation, 1);
  EXPECT_EQ(QstLoadSettings(printer_, kFile, 0x80, ctx_), 1);
  EXPECT_EQ(Text(ctx_, kFreeSizeName), "Card");
  EXPECT_EQ(OptGetValueById(ctx_, kFreeSizeWidth), 4000);
  EXPECT_EQ(OptGetValueById(ctx_, kOrientation), 1);
}

TEST_F(Qst, ADetailSaveLeavesTheWorkingBufferAsItWas) {
  OptSetValueById(ctx_, 63, 1);  // a watermark selected: the detail save loads it
  OptSetValueById(ctx_, 120, 0);
  std::vector<uint8_t> before(ctx_->devmode, ctx_->devmode + dm::kWorkBufferSize);
  ASSERT_EQ(QstSaveSettings(printer_, kFile, 4, ctx_), 1);
  EXPECT_EQ(std::memcmp(before.data(), ctx_->devmode, dm::kWorkBufferSize), 0);
}

// The steps after a plain load follow the context's own OS kind (setting
// 716), not the file's QstOSKind.
TEST_F(Qst, PlainLoadStepsFollowTheContextsOsKind) {
  struct Case {
    int32_t os_kind;
    bool icm_reset;
    bool media_type;
  };
  const Case cases[] = {{0, true, true}, {1, true, false}, {2, false, false}, {3, false, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.os_kind);
    Put(kFile, "[Office]\r\n" + Header(200, 134, int32_t(Language())) + "QstOSKind=" +
                   std::to_string(3 - c.os_kind) + "\r\ndmICMMethod=3\r\nvdmColorMatching=1\r\n");
    OptSetValueById(ctx_, kOsKind, c.os_kind);
    (void)QstLoadSettings(printer_, kFile, 0, ctx_);  // what it loads is checked below
    EXPECT_EQ(OptGetValueById(ctx_, kOsKind), c.os_kind);
    EXPECT_EQ(OptGetValueById(ctx_, 27), c.icm_reset ? 1 : 3);
    EXPECT_EQ(OptGetValueById(ctx_, 149), c.icm_reset ? 0 : 1);
    EXPECT_EQ((uint32_t(OptGetValueById(ctx_, 6)) & 0x2000000u) != 0, c.media_type);
    EXPECT_EQ(uint8_t(OptGetValueById(ctx_, kPresetNo)), 255);
  }
}

// A plain load whose watermark lies past the list saves it as a new entry
// at the end of the list.
TEST_F(Qst, PlainLoadAddsAWatermarkPastTheListAtItsEnd) {
  Put(kFile, "[Office]\r\n" + Header(200, 134, int32_t(Language())) +
                 "vdmFuncSelectWaterMark=1\r\nvdmWmID=7\r\nvdmWmKind=1\r\nvdmWmAngle=33\r\n");
  StampWriteCount(ctx_, 2);
  (void)QstLoadSettings(printer_, kFile, 0, ctx_);  // what it loads is checked below
  EXPECT_EQ(OptGetValueById(ctx_, 120), 2);
  EXPECT_EQ(StampGetCount(ctx_), 3);
  OptSetValueById(ctx_, 119, 0);
  StampSelect(ctx_, 2);
  EXPECT_EQ(OptGetValueById(ctx_, 119), 33);
}

// Every failure of a step of a save (the section buffers, the device file,
// the splice) answers 0, leaves the settings file byte for byte as it was
// and leaks nothing. The nth call of each service fails in turn until a save
// gets past the last call.
TEST_F(Qst, FailuresAtEveryStepOfASaveLeaveTheFileAsItWas) {
  const std::string old_text = "[A]\r\na=1\r\n[VELM Driver]\r\ndmOrientation=1\r\n";
  OptSetValueById(ctx_, kOrientation, 2);
  for (const char* service : {"GlobalAlloc", "CreateFileW", "ReadFile", "WriteFile",
                              "FlushFileBuffers", "MoveFileExW"}) {
    int failures = 0;
    bool done = false;
    for (int nth = 1; nth < 2000 && !done; ++nth) {
      SCOPED_TRACE(std::string(service) + " #" + std::to_string(nth));
      Put(kFile, old_text);
      const long live = plat::LiveGlobalBlocks();
      plat::FailNth(service, nth);
      int32_t answer = QstSaveSettings(printer_, kFile, 0, ctx_);
      plat::ClearFaults();
      EXPECT_EQ(plat::LiveGlobalBlocks(), live);
      if (answer == 1) {
        EXPECT_EQ(Get(kFile).rfind("[VELM Driver]\r\nQstVersion=200\r\n", 0), 0u);
        done = true;
      } else {
        ++failures;
        EXPECT_EQ(Get(kFile), old_text);
      }
    }
    EXPECT_TRUE(done) << service;
    if (std::string(service) != "ReadFile") {
      EXPECT_GT(failures, 0) << service << " was never called";
    }
  }
}

}  // namespace
