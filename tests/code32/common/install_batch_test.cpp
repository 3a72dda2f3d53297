// The batch-settings ini VELM.ini: which sections have entries, the user
// code, ids and owner name it sets, and its default settings file.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "install_test_machine.h"
#include "plat/files.h"
#include "plat/wstr.h"
#include "velm/context.h"
#include "velm/devmode.h"
#include "velm/ini.h"
#include "velm/inst.h"
#include "velm/printer_data.h"
#include "velm/setting_ids.h"

namespace {

using install_test::Install;

constexpr const char16_t* kBatch = u"C:\\Windows\\System32\\VELM.ini";

class Batch : public Install {
 protected:
  void PutBatch(const std::string& keys) { Put(kBatch, "[Office]\r\n" + keys); }
  std::string BatchKey(const std::string& key) { return IniValue(kBatch, "Office", key); }
};

TEST_F(Batch, EntryDetection) {
  struct Case {
    const char* keys;
    bool entries;
  };
  const std::vector<Case> cases = {
      {"", false},
      {"DefaultQst=\r\n", false},
      {"DefaultQst=C:\\a.qsb\r\n", true},
      {"SetUserCode=*\r\n", false},
      {"SetUserCode=\r\n", true},
      {"SetUserCode=123\r\n", true},
      {"SetUserID=\r\nSetOwnerID=\r\n", false},
      {"SetUserID=abc\r\n", true},
      {"SetOwnerID=me\r\n", true},
      {"BatchInstallDone=1\r\nDrvInstSet=1\r\n", false},
  };
  for (const Case& c : cases) {
    PutBatch(c.keys);
    EXPECT_EQ(InstBatchHasNoEntries(kBatch, u"Office"), c.entries ? 0 : 1) << c.keys;
    EXPECT_EQ(InstBatchHasEntriesByName(u"Office"), c.entries ? 1 : 0) << c.keys;
    EXPECT_EQ(InstBatchHasEntriesByHandle(printer_), c.entries ? 1 : 0) << c.keys;
    EXPECT_EQ(InstBatchIniHasEntries(ctx_), c.entries ? 1 : 0) << c.keys;
  }
  (void)DeleteFileW(kBatch);  // may be absent already
  EXPECT_EQ(InstBatchHasEntriesByName(u"Office"), 0) << "no VELM.ini";
  EXPECT_EQ(InstBatchHasNoEntries(kBatch, u"Office"), 1);
}

TEST_F(Batch, UserCodes) {
  struct Case {
    const char* value;  // null: no key
    int32_t changed;
    int32_t use;
    const char* code;
    bool batch_flag;
  };
  const std::vector<Case> cases = {
      {nullptr, 0, 1, "4711", false},      // nothing changes
      {"*", 0, 1, "4711", false},          // the same as no key
      {"", 1, 0, "", false},               // cleared
      {"12345678", 1, 1, "12345678", true},
      {"12a", 1, 1, "4711", false},        // dropped
      {"123456789", 1, 1, "4711", false},  // nine digits: dropped, not cut to eight
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value ? c.value : "(none)");
    OptSetValueById(ctx_, setting::vdmLogCodeUse, 1);
    OptSetText(ctx_, OptFindSetting(ctx_, setting::vdmLogCode), u"4711");
    PutBatch(c.value ? std::string("SetUserCode=") + c.value + "\r\n" : "");
    int32_t changed = -1;
    EXPECT_EQ(InstApplyBatchUserCode(kBatch, u"Office", &changed, ctx_), 1);
    EXPECT_EQ(changed, c.changed);
    EXPECT_EQ(OptGetValueById(ctx_, setting::vdmLogCodeUse), c.use);
    EXPECT_EQ(Text(ctx_, setting::vdmLogCode), c.code);
    EXPECT_EQ(ctx_->work->batchUserCode, c.batch_flag ? 1u : 0u);
    EXPECT_EQ(DmGetFlagBatchUserCode(ctx_), c.batch_flag ? 1 : 0);
    EXPECT_EQ(BatchKey("SetUserCode"), "<none>") << "the key is deleted in every case";
  }
}

TEST_F(Batch, UserIdsAndOwnerNames) {
  struct Case {
    std::string keys;
    const char* id;
    const char* owner;
    int32_t result;
    bool drv_inst_set;
  };
  const std::string dbcs16 = "\x83\x41\x83\x41\x83\x41\x83\x41\x83\x41\x83\x41\x83\x41\x83\x41";  // 8 x 2 bytes
  const std::vector<Case> cases = {
      {"SetUserID=abcd1234\r\n", "abcd1234", "", 1, true},
      {"SetUserID=abcd12345\r\n", "", "", 1, false},
      {"SetUserID=ab-cd\r\n", "", "", 1, false},
      {"SetOwnerID=" + std::string(16, 'o') + "\r\n", "", "oooooooooooooooo", 1, true},
      {"SetOwnerID=" + std::string(17, 'o') + "\r\n", "", "", 1, false},
      {"SetOwnerID=" + dbcs16 + "\r\n", "", nullptr, 1, true},
      {"SetOwnerID=" + dbcs16 + "x\r\n", "", "", 1, false},
      {"", "", "", 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.keys);
    OptSetText(ctx_, OptFindSetting(ctx_, setting::vdmUserID), u"");
    OptSetText(ctx_, OptFindSetting(ctx_, setting::vdmOwnerName), u"");
    PutBatch(c.keys);
    EXPECT_EQ(InstApplyBatchUserIds(kBatch, u"Office", ctx_), c.result);
    EXPECT_EQ(Text(ctx_, setting::vdmUserID), c.id);
    if (c.owner) {
      EXPECT_EQ(Text(ctx_, setting::vdmOwnerName), c.owner);
    } else {
      EXPECT_FALSE(Text(ctx_, setting::vdmOwnerName).empty()) << "16 bytes of double-byte text fit";
    }
    EXPECT_EQ(BatchKey("SetUserID"), "<none>");
    EXPECT_EQ(BatchKey("SetOwnerID"), "<none>");
    EXPECT_EQ(BatchKey("DrvInstSet"), c.drv_inst_set ? "1" : "<none>");
  }
}

TEST_F(Batch, DefaultQstWithoutExtensionIsNotApplied) {
  Put(Driver("plain"), "[" + lang_ + "]\r\nNumDeficonfiles=0\r\n");
  PutBatch("DefaultQst=plain\r\n");
  ASSERT_TRUE(IniWriteString(u"Office", u"BatchInstQst", u"C:\\old.qsb", PathGetDriverIni(ctx_)));
  EXPECT_EQ(InstApplyBatchDefaultQst(0, ctx_, 0), 0);
  EXPECT_EQ(IniValue(PathGetDriverIni(ctx_), "Office", "BatchInstQst"), "<none>");
  EXPECT_EQ(BatchKey("BatchInstallDone"), "1");
  EXPECT_EQ(BatchKey("DefaultQst"), "<none>");
  EXPECT_EQ(IniValue(PathGetDriverIni(ctx_), "Office", "BatchInstallDone"), "1");
}

TEST_F(Batch, DefaultQstInstallsItsPresetsOnce) {
  const std::u16string qsb = PutBundle();
  PutBatch("DefaultQst=defaults.qsb\r\n");
  EXPECT_EQ(InstApplyBatchDefaultQst(0, ctx_, 0), 1);
  EXPECT_EQ(Names(), "One,Two");
  EXPECT_EQ(IniValue(PathGetDriverIni(ctx_), "Office", "BatchInstQst"), plat::ToUtf8(qsb));
  EXPECT_EQ(BatchKey("DefaultQstName"), plat::ToUtf8(qsb));
  EXPECT_EQ(BatchKey("DefaultQst"), "<none>") << "consumed";
  EXPECT_EQ(BatchKey("DrvInstSet"), "1");
  EXPECT_EQ(InstApplyBatchDefaultQst(0, ctx_, 0), 0) << "nothing left to apply";
}

TEST_F(Batch, AFailedInstallRestoresTheSettings) {
  PutBundle();
  PutBatch("DefaultQst=defaults.qsb\r\nSetOwnerID=x\r\n");
  Put(Driver("defaults.qsb"), "[" + lang_ + "]\r\nNumDeficonfiles=1\r\nDeficonfiles1=P1.qsd\r\nvdmDuplexType=2\r\n");
  const std::vector<uint8_t> before(ctx_->devmode, ctx_->devmode + kWorkBufferSize);
  // A data folder too long for the driver ini's path makes the preset
  // install fail.
  const std::u16string long_dir = u"C:\\" + std::u16string(250, u'd');
  ASSERT_EQ(RegWriteDrvValue(u"_VELMDirectory", long_dir.c_str(), uint32_t((long_dir.size() + 1) * 2)), 1);
  EXPECT_EQ(InstApplyBatchDefaultQst(0, ctx_, 0), 0);
  EXPECT_TRUE(std::equal(before.begin(), before.end(), ctx_->devmode)) << "the DEVMODE is restored byte for byte";
}

TEST_F(Batch, AReadOnlyIniIsWritten) {
  PutBatch("SetUserCode=42\r\nSetUserID=me\r\n");
  ASSERT_TRUE(SetFileAttributesW(kBatch, FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(InstApplyBatchIni(ctx_), 0) << "entries, but no settings file";
  EXPECT_EQ(BatchKey("SetUserCode"), "<none>");
  EXPECT_EQ(BatchKey("SetUserID"), "<none>");
  EXPECT_EQ(BatchKey("DrvInstSet"), "1");
  EXPECT_EQ(Text(ctx_, setting::vdmLogCode), "42");
}

TEST_F(Batch, DrvInstSetMarks) {
  EXPECT_EQ(InstBatchIsDrvInstSet(ctx_), 0) << "no VELM.ini";
  PutBatch("");
  EXPECT_EQ(InstBatchSetDrvInstSet(ctx_, 1), 1);
  EXPECT_EQ(InstBatchIsDrvInstSet(ctx_), 1);
  EXPECT_EQ(InstBatchSetDrvInstSet(ctx_, 0), 1);
  EXPECT_EQ(InstBatchIsDrvInstSet(ctx_), 0);
}

}  // namespace
