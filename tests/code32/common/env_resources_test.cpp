// The UI and bitmap resource modules of a context and their strings.
#include <cstring>

#include "env_test_machine.h"
#include "plat/resources.h"
#include "velm/paths.h"
#include "velm/resources.h"
#include "velm/units.h"

namespace {

using env_test::EnvMachine;
using env_test::kDriverDir;
using env_test::U8;

constexpr uint32_t kDisplayUnit = 179;  // 0 millimetres, else inches

class ResourceStrings : public EnvMachine {
 protected:
  void SetUp() override {
    EnvMachine::SetUp();
    ctx_ = ModelContext(u"VELMUIus.dll");
    ASSERT_NE(ctx_, nullptr);
    OptSetValueById(ctx_, 177, 0);  // Japanese: VELMUIjp.dll
  }
  // Writes the UI module of the context's language.
  static void WriteUiModule(const std::u16string& name = u"VELMUIjp.dll") {
    ASSERT_TRUE(plat::WriteResourceModule(plat::MapPath(std::u16string(kDriverDir) + name),
                                          plat::StandinModuleDir() + "/velmres.dll",
                                          {plat::StringResource(1, u"Hello"), plat::StringResource(29, u"Tray 1"),
                                           plat::StringResource(110, u"User size 2"), plat::StringResource(153, u"mm"),
                                           plat::StringResource(154, u"inch")}));
  }
  std::string Load(uint32_t id, int32_t suffix, uint32_t capacity = 128) {
    std::vector<char16_t> buf(capacity + 1, u'#');
    int32_t n = ResLoadString(ctx_, id, buf.data(), capacity, suffix);
    EXPECT_EQ(size_t(n), plat::WLen(buf.data()));
    EXPECT_EQ(buf[capacity], u'#');  // nothing written past the capacity
    return U8(buf.data());
  }
  DriverContext* ctx_ = nullptr;
};

TEST_F(ResourceStrings, SuffixTableRows) {
  int kinds[4] = {};
  int rows = 0;
  for (const StringSuffixRow* r = ResStringSuffixTable; r->stringId; ++r, ++rows) ++kinds[r->kind];
  EXPECT_EQ(rows, kStringSuffixRows);
  EXPECT_EQ(kinds[1], 18);
  EXPECT_EQ(kinds[2], 10);
  EXPECT_EQ(kinds[3], 2);
  EXPECT_EQ(ResStringSuffixTable[9].stringId, 50017u);
  EXPECT_EQ(ResStringSuffixTable[9].argument, 907);
  EXPECT_EQ(ResStringSuffixTable[27].stringId, 118u);
}

TEST_F(ResourceStrings, MissingModuleGivesEmptyStringsAndIsTriedAgain) {
  EXPECT_EQ(Load(29, 1), "");  // no module, no suffix either
  EXPECT_EQ(ResLoadUiDll(ctx_), nullptr);
  WriteUiModule();
  EXPECT_EQ(Load(1, 0), "Hello");  // loaded at the next call
  EXPECT_EQ(Load(2, 1), "");       // a string the module lacks
}

TEST_F(ResourceStrings, UserPaperSizeSuffix) {
  WriteUiModule();
  FreeSizeSlot& slot = ctx_->work->freeSizes[1];
  std::strcpy(slot.names[2], "My A4");
  slot.width = 9921;  // 210 x 297 mm in 1/1200 inch
  slot.length = 14031;
  OptSetValueById(ctx_, kDisplayUnit, 0);
  EXPECT_EQ(Load(110, 1), "My A4(210.0 x 297.0mm)");
  OptSetValueById(ctx_, kDisplayUnit, 1);
  // Hundredths of an inch, as the unit conversion rounds them.
  char inch[64];
  int32_t w = UnitGetUserValue(ctx_, 0, 9921), l = UnitGetUserValue(ctx_, 0, 14031);
  std::snprintf(inch, sizeof inch, "(%d.%02d x %d.%02dinch)", w / 100, w % 100, l / 100, l % 100);
  EXPECT_EQ(w, 827);
  EXPECT_EQ(Load(110, 1), std::string("My A4") + inch);
  EXPECT_EQ(Load(110, 0), "User size 2");
  // A user's name of 64 bytes with no terminator stays inside its slot.
  std::memset(slot.names[2], 'N', 64);
  EXPECT_EQ(Load(110, 1, 200), std::string(64, 'N') + inch);
}

TEST_F(ResourceStrings, UnitNamesAndTrayNames) {
  WriteUiModule();
  OptSetValueById(ctx_, kDisplayUnit, 1);
  EXPECT_EQ(Load(153, 1), "inch");  // the unit in use, whichever was asked
  EXPECT_EQ(Load(153, 0), "mm");
  OptSetValueById(ctx_, kDisplayUnit, 0);
  EXPECT_EQ(Load(154, 1), "mm");
  OptSetText(ctx_, OptFindSetting(ctx_, 907), u"Upper");
  EXPECT_EQ(Load(29, 1), "Tray 1:Upper");
}

TEST_F(ResourceStrings, SmallCapacityCutsTheSuffix) {
  WriteUiModule();
  std::strcpy(ctx_->work->freeSizes[1].names[2], "Long name");
  ctx_->work->freeSizes[1].width = 9921;
  ctx_->work->freeSizes[1].length = 14031;
  EXPECT_EQ(Load(110, 1, 8), "Long na");
  OptSetText(ctx_, OptFindSetting(ctx_, 907), u"Upper tray");
  EXPECT_EQ(Load(29, 1, 8), "Tray 1:");
  EXPECT_EQ(Load(29, 1, 1), "");
}

TEST_F(ResourceStrings, FreeDllsReleasesBothModules) {
  WriteUiModule();
  WriteUiModule(u"VELMCIXX.dll");  // the bitmap module
  ASSERT_NE(ResLoadUiDll(ctx_), nullptr);
  ASSERT_NE(ResLoadBitmapDll(ctx_), nullptr);
  EXPECT_EQ(ResLoadUiDll(ctx_), ctx_->uiModule);  // kept in the context
  EXPECT_NE(GetModuleHandleW(u"VELMUIjp.dll"), nullptr);
  ResFreeDlls(ctx_);
  EXPECT_EQ(ctx_->uiModule, nullptr);
  EXPECT_EQ(ctx_->bitmapModule, nullptr);
  EXPECT_EQ(GetModuleHandleW(u"VELMUIjp.dll"), nullptr);
  EXPECT_EQ(GetModuleHandleW(u"VELMCIXX.dll"), nullptr);
}

}  // namespace
