#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "plat/calls.h"
#include "qst_test_machine.h"
#include "velm/devmode.h"
#include "velm/ini.h"
#include "velm/paths.h"
#include "velm/presets.h"
#include "velm/qst.h"
#include "velm/resources.h"

namespace {

using qst_test::QstMachine;

constexpr uint32_t kWmKind = 109, kWmAngle = 119, kWmId = 120;
constexpr uint32_t kFreeSizeName = 859, kFreeSizeWidth = 860, kFreeSizeLength = 861;

class Stamps : public QstMachine {
 protected:
  void SetUp() override {
    QstMachine::SetUp();
    lang_ = plat::ToUtf8(ResGetUiLanguageCode(ctx_));
  }
  std::string Ini() { return plat::ToUtf8(PathGetDriverIni(ctx_)); }
  std::u16string IniPath() { return PathGetDriverIni(ctx_); }
  int32_t IniInt(const std::string& section, const std::string& key, const std::u16string& file) {
    return IniGetInt(W(section).c_str(), W(key).c_str(), -1, file.c_str());
  }
  std::string Section(const char* kind, int n) { return kind + std::to_string(n) + lang_; }
  // Saves watermark entry n with a text watermark whose angle tells it apart.
  void SaveStamp(int32_t n, int32_t angle) {
    OptSetValueById(ctx_, kWmKind, 1);
    OptSetValueById(ctx_, kWmAngle, angle);
    OptSetText(ctx_, OptFindSetting(ctx_, 869), u"DRAFT");
    OptSetText(ctx_, OptFindSetting(ctx_, 871), u"Draft");
    ASSERT_EQ(StampSave(ctx_, n), 1);
  }
  int32_t AngleOf(int32_t n) {
    StampSelect(ctx_, n);
    return OptGetValueById(ctx_, kWmAngle);
  }
  std::u16string InstallInfo() { return PathGetInstallInfoFile(ctx_); }
  std::string lang_;
};

TEST_F(Stamps, SaveRaisesTheCountOnlyAtOrPastTheEnd) {
  struct Case {
    int32_t count, n, expected;
  };
  const Case cases[] = {{2, 2, 3}, {2, 5, 6}, {2, 1, 2}, {0, 0, 1}, {2, 256, 2}, {300, 256, 300}};
  for (const Case& c : cases) {
    StampWriteCount(ctx_, c.count);
    SaveStamp(c.n, 45);
    EXPECT_EQ(StampGetCount(ctx_), c.expected) << c.count << " " << c.n;
    EXPECT_EQ(OptGetValueById(ctx_, kWmId), c.n);
    EXPECT_EQ(IniInt(Section("Stamp", c.n), "vdmWmAngle", IniPath()), 45) << "the entry's section is written";
  }
}

// The list holds 32 entries: a 33rd is refused by the list itself (not only
// by the sheet's disabled buttons), with nothing written; entries inside a
// full list can still be saved again, and the scratch entry is always there.
TEST_F(Stamps, AFullListRefusesAThirtyThirdEntry) {
  for (int32_t n = 0; n < kStampListCapacity; ++n) SaveStamp(n, n);
  ASSERT_EQ(StampGetCount(ctx_), 32);
  struct Case {
    int32_t n, answer;
    const char* why;
  } cases[] = {{32, 0, "the 33rd entry"}, {40, 0, "an entry past the end"}, {31, 1, "the last entry again"},
               {0, 1, "the first entry again"}, {kStampScratchEntry, 1, "the scratch entry"}};
  for (const Case& c : cases) {
    OptSetValueById(ctx_, kWmAngle, 90);
    EXPECT_EQ(StampSave(ctx_, c.n), c.answer) << c.why;
    EXPECT_EQ(StampGetCount(ctx_), 32) << c.why;
    EXPECT_EQ(IniInt(Section("Stamp", c.n), "vdmWmAngle", IniPath()), c.answer ? 90 : -1) << c.why;
  }
  EXPECT_EQ(StampDelete(ctx_, 3), 1);
  SaveStamp(31, 5);
  EXPECT_EQ(StampGetCount(ctx_), 32) << "after a delete the 32nd place is free again";
}

TEST_F(Stamps, DeleteMovesTheLaterEntriesDownAndRestoresTheSettings) {
  for (int32_t n = 0; n < 4; ++n) SaveStamp(n, 10 * (n + 1));
  OptSetValueById(ctx_, kWmAngle, 77);
  std::vector<uint8_t> before(ctx_->devmode, ctx_->devmode + dm::kWorkBufferSize);
  EXPECT_EQ(StampDelete(ctx_, 1), 1);
  EXPECT_EQ(std::memcmp(before.data(), ctx_->devmode, dm::kWorkBufferSize), 0);
  EXPECT_EQ(StampGetCount(ctx_), 3);
  EXPECT_EQ(AngleOf(0), 10);
  EXPECT_EQ(AngleOf(1), 30);
  EXPECT_EQ(AngleOf(2), 40);
  EXPECT_EQ(StampDelete(ctx_, 3), 0) << "n at or past the count is refused";
  EXPECT_EQ(StampDelete(ctx_, -1), 0);
  EXPECT_EQ(StampGetCount(ctx_), 3);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(StampDelete(ctx_, 0), 1);
  EXPECT_EQ(StampGetCount(ctx_), 0);
}

TEST_F(Stamps, DefaultPaperSizesWithAndWithoutInstallInfoKeys) {
  ASSERT_EQ(FreeSizeReadDefaults(ctx_), 1);
  for (int n = 0; n < 10; ++n) {
    EXPECT_EQ(ctx_->work->freeSizes[n].width, 9921) << n;
    EXPECT_EQ(ctx_->work->freeSizes[n].length, 14031) << n;
    EXPECT_EQ(std::string(ctx_->work->freeSizes[n].names[2]), "User size " + std::to_string(n + 1));
    EXPECT_EQ(std::string(ctx_->work->freeSizes[n].names[0]), "User size " + std::to_string(n + 1));
  }
  Put(InstallInfo(), "[" + Section("FreeSize", 3) + "]\r\nwdmFreeSizeWidth=5000\r\nwdmFreeSizeLength=7000\r\n");
  FreeSizeReadDefaults(ctx_);
  EXPECT_EQ(ctx_->work->freeSizes[3].width, 5000);
  EXPECT_EQ(ctx_->work->freeSizes[3].length, 7000);
  EXPECT_EQ(ctx_->work->freeSizes[2].width, 9921);
}

TEST_F(Stamps, PaperSizeSlotsRoundTripAndRefreshOncePerContext) {
  OptSetText(ctx_, OptFindSetting(ctx_, kFreeSizeName), u"Card");
  OptSetValueById(ctx_, kFreeSizeWidth, 4000);
  OptSetValueById(ctx_, kFreeSizeLength, 6000);
  ASSERT_EQ(FreeSizeSaveSlot(ctx_, 2), 1);
  ASSERT_EQ(FreeSizeRefreshSlots(ctx_), 1);
  EXPECT_EQ(std::string(ctx_->work->freeSizes[2].names[2]), "Card");
  EXPECT_EQ(ctx_->work->freeSizes[2].width, 4000);
  EXPECT_EQ(ctx_->work->freeSizes[2].length, 6000);
  // The shown name: the user's name with the dimensions.
  EXPECT_EQ(std::string(ctx_->work->freeSizes[2].names[1]).rfind("Card(", 0), 0u) << ctx_->work->freeSizes[2].names[1];
  // A second refresh in the same context reads nothing.
  EXPECT_TRUE(IniWriteString(W(Section("FreeSize", 2)).c_str(), u"wdmFreeSizeWidth", u"4100", IniPath().c_str()));
  FreeSizeRefreshSlots(ctx_);
  EXPECT_EQ(ctx_->work->freeSizes[2].width, 4000);
  DriverContext* other = Open();
  FreeSizeRefreshSlots(other);
  EXPECT_EQ(other->work->freeSizes[2].width, 4100);
  // Slot to items.
  FreeSizeSlotToItems(other, 2);
  EXPECT_EQ(Text(other, kFreeSizeName), "Card");
  EXPECT_EQ(OptGetValueById(other, kFreeSizeLength), 6000);
}

TEST_F(Stamps, ImportsClampToTheListLimits) {
  std::u16string file = u"C:\\Users\\user\\batch.qst";
  std::string text = "[" + lang_ + "]\r\nFreeSizeCount=50\r\nStampCount=100000\r\n";
  for (int n = 0; n < 12; ++n)
    text += "[" + Section("FreeSize", n) + "]\r\nwdmFreeSizeName=S" + std::to_string(n) + "\r\nwdmFreeSizeWidth=" +
            std::to_string(3000 + n) + "\r\nwdmFreeSizeLength=5000\r\n";
  for (int n = 0; n < 3; ++n)
    text += "[" + Section("Stamp", n) + "]\r\nvdmWmKind=1\r\nvdmWmAngle=" + std::to_string(n) + "\r\n";
  Put(file, text);
  EXPECT_EQ(InstImportFreeSizes(file.c_str(), W(lang_).c_str(), ctx_), 1);
  EXPECT_EQ(IniInt(Section("FreeSize", 9), "wdmFreeSizeWidth", IniPath()), 3009);
  EXPECT_EQ(IniInt(Section("FreeSize", 10), "wdmFreeSizeWidth", IniPath()), -1) << "only ten slots";
  plat::ResetCalls();
  EXPECT_EQ(InstImportStamps(file.c_str(), W(lang_).c_str(), ctx_), 1);
  EXPECT_EQ(StampGetCount(ctx_), 255) << "the list stays below the scratch entry 256";
  // Each entry goes as one whole section (the profile cache flushed before
  // it), the count once after them all: not once an entry, which rewrote
  // the growing ini 255 more times.
  EXPECT_LE(plat::CallCount("WritePrivateProfileStringW"), 255 + 2);
  EXPECT_EQ(IniInt(Section("Stamp", 2), "vdmWmAngle", IniPath()), 2);
}

TEST_F(Stamps, RepairTable) {
  const std::u16string info = InstallInfo();
  auto full_slots = [&](int count) {
    std::string t;
    for (int n = 0; n < 10; ++n)
      t += "[" + Section("FreeSize", n) + "]\r\nwdmFreeSizeName=\r\nwdmFreeSizeWidth=" + std::to_string(n < count ? 4000 : 0) +
           "\r\nwdmFreeSizeLength=5000\r\n";
    return t;
  };
  auto stamp = [&](int n, int kind, bool with_char) {
    std::string t = "[" + Section("Stamp", n) + "]\r\n";
    for (uint16_t id : StampItemTable) {
      SettingRecord* row = OptFindSetting(ctx_, id);
      std::string key = plat::ToUtf8(row->itemName);
      if ((id == 869 || id == 871) && !with_char) continue;
      t += key + "=" + (id == kWmKind ? std::to_string(kind) : id == kWmAngle ? "90" : "1") + "\r\n";
    }
    return t;
  };
  // The install-info defaults: ten sizes of width 7777 and two watermarks.
  std::string defaults = "[" + lang_ + "]\r\nFreeSizeCount=10\r\nStampCount=2\r\n";
  for (int n = 0; n < 10; ++n)
    defaults += "[" + Section("FreeSize", n) + "]\r\nwdmFreeSizeName=D\r\nwdmFreeSizeWidth=7777\r\nwdmFreeSizeLength=8888\r\n";
  defaults += "[" + Section("Stamp", 0) + "]\r\nvdmWmKind=1\r\nvdmWmAngle=11\r\n";
  defaults += "[" + Section("Stamp", 1) + "]\r\nvdmWmKind=1\r\nvdmWmAngle=12\r\n";

  struct Case {
    const char* name;
    std::string ini;
    std::string info_count;  // FreeSizeCount of the install-info file
    bool sizes_repaired, stamps_repaired;
  };
  const std::string complete = full_slots(10) + "[" + lang_ + "]\r\nStampCount=1\r\n" + stamp(0, 2, false);
  std::string missing_width = complete;
  missing_width.replace(missing_width.find("wdmFreeSizeWidth=4000"), 21, "wdmFreeSizeWidth=");
  const Case cases[] = {
      {"complete lists", complete, "10", false, false},
      {"a slot without width", missing_width, "10", true, false},
      {"install-info count 9 counts as 0", missing_width, "9", true, false},
      {"text watermark without its text", full_slots(10) + "[" + lang_ + "]\r\nStampCount=1\r\n" + stamp(0, 1, false), "10",
       false, true},
      {"image watermark without a text", complete, "10", false, false},
      {"no watermarks", full_slots(10), "10", false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Put(IniPath(), c.ini);
    std::string d = defaults;
    d.replace(d.find("FreeSizeCount=10"), 16, "FreeSizeCount=" + c.info_count);
    Put(info, d);
    EXPECT_EQ(InstRepairLists(ctx_), 1);
    int32_t width0 = IniInt(Section("FreeSize", 0), "wdmFreeSizeWidth", IniPath());
    if (!c.sizes_repaired) {
      EXPECT_EQ(width0, 4000);
    } else if (c.info_count == "10") {
      EXPECT_EQ(width0, 7777);
      EXPECT_EQ(IniInt(Section("FreeSize", 9), "wdmFreeSizeLength", IniPath()), 8888);
      EXPECT_EQ(IniInt(lang_, "FreeSizeCount", IniPath()), 10);
    } else {
      EXPECT_EQ(IniInt(lang_, "FreeSizeCount", IniPath()), 0);
      EXPECT_EQ(width0, -1) << "no slot is reloaded: the width stays empty";
    }
    if (c.stamps_repaired) {
      EXPECT_EQ(StampGetCount(ctx_), 2);
      EXPECT_EQ(IniInt(Section("Stamp", 1), "vdmWmAngle", IniPath()), 12);
    } else {
      EXPECT_EQ(StampGetCount(ctx_), 1);
      EXPECT_EQ(IniInt(Section("Stamp", 0), "vdmWmAngle", IniPath()), 90);
    }
  }
}

}  // namespace
