#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "ctx_test_model.h"
#include "env_test_machine.h"
#include "plat/resources.h"
#include "velm/caps.h"
#include "velm/presets.h"
#include "velm/settings.h"

namespace {

using ctx_test::ModelContext;

// Trays and papers, with rules that hide the bypass and A3 while the staple
// is on, and every tray while punch is on.
const char* const kCapsModel = R"(*FileVersion: 3.62
*OpenUI *VPD_IDC_FINISH_CHOICE_STAPLE: Boolean
*VPD_IDC_FINISH_CHOICE_STAPLE True: "ON"
*VPD_IDC_FINISH_CHOICE_STAPLE False: "OFF"
*CloseUI: *VPD_IDC_FINISH_CHOICE_STAPLE
*OpenUI *VPD_IDC_FINISH_CHOICE_PUNCH: Boolean
*VPD_IDC_FINISH_CHOICE_PUNCH True: "ON"
*VPD_IDC_FINISH_CHOICE_PUNCH False: "OFF"
*CloseUI: *VPD_IDC_FINISH_CHOICE_PUNCH
*OpenUI *VPD_IDC_PRESET_CHOICE_SOURCETRAY: PickSlot
*DefaultVPD_IDC_PRESET_CHOICE_SOURCETRAY: IDS_SOURCE_TRAY1
*VPD_IDC_PRESET_CHOICE_SOURCETRAY IDS_SOURCE_AUTO: "AUTO"
*VPD_IDC_PRESET_CHOICE_SOURCETRAY IDS_SOURCE_TRAY1: "TRAY1"
*VPD_IDC_PRESET_CHOICE_SOURCETRAY IDS_SOURCE_MANUAL: "BYPASS"
*CloseUI: *VPD_IDC_PRESET_CHOICE_SOURCETRAY
*OpenUI *VPD_IDC_PRESET_CHOICE_PAPERSIZE: PickPage
*DefaultVPD_IDC_PRESET_CHOICE_PAPERSIZE: IDS_PAPERSIZE_A4
*VPD_IDC_PRESET_CHOICE_PAPERSIZE IDS_PAPERSIZE_A3: "A3"
*VPD_IDC_PRESET_CHOICE_PAPERSIZE IDS_PAPERSIZE_A4: "A4"
*VPD_IDC_PRESET_CHOICE_PAPERSIZE IDS_FREESIZE1: "CUSTOM1"
*PageMMValue VPD_IDC_PRESET_CHOICE_PAPERSIZE IDS_PAPERSIZE_A3: "2970 4200"
*PageMMValue VPD_IDC_PRESET_CHOICE_PAPERSIZE IDS_PAPERSIZE_A4: "2100 2970"
*CloseUI: *VPD_IDC_PRESET_CHOICE_PAPERSIZE
*OpenUI *VPD_IDC_USER_QUALITY_CHOICE_RESOLUTION: PickOne
*DefaultVPD_IDC_USER_QUALITY_CHOICE_RESOLUTION: IDS_RESOLUTION_600
*VPD_IDC_USER_QUALITY_CHOICE_RESOLUTION IDS_RESOLUTION_300: "300"
*VPD_IDC_USER_QUALITY_CHOICE_RESOLUTION IDS_RESOLUTION_600: "600"
*CloseUI: *VPD_IDC_USER_QUALITY_CHOICE_RESOLUTION
*Judge 1=StapleOn: VPD_IDC_FINISH_CHOICE_STAPLE == 1
*Judge 2=PunchOn: VPD_IDC_FINISH_CHOICE_PUNCH == 1
*Item 1=Trays: { IDS_SOURCE_MANUAL StapleOn NULL IDS_SOURCE_AUTO PunchOn NULL IDS_SOURCE_TRAY1 PunchOn NULL IDS_SOURCE_MANUAL PunchOn NULL }
*Item 2=Papers: { IDS_PAPERSIZE_A3 StapleOn NULL }
*Item 3=Resolutions: { IDS_RESOLUTION_300 StapleOn NULL }
*Exclusive: {
  VPD_IDC_PRESET_CHOICE_SOURCETRAY NULL NULL Trays NULL NULL NULL
  VPD_IDC_PRESET_CHOICE_PAPERSIZE NULL NULL Papers NULL NULL NULL
  VPD_IDC_USER_QUALITY_CHOICE_RESOLUTION NULL NULL Resolutions NULL NULL NULL
}
)";

uint16_t Staple() { return ctx_test::SettingOf("VPD_IDC_FINISH_CHOICE_STAPLE"); }
uint16_t Punch() { return ctx_test::SettingOf("VPD_IDC_FINISH_CHOICE_PUNCH"); }

std::vector<uint16_t> Bins(DriverContext* ctx, int32_t* count) {
  std::vector<uint16_t> out(16, 0xEEEE);
  *count = CapsGetBins(ctx, out.data());
  out.resize(*count > 0 ? size_t(*count) : 0);
  return out;
}

std::vector<uint16_t> Papers(DriverContext* ctx, int32_t* count) {
  std::vector<uint16_t> out(16, 0xEEEE);
  *count = CapsGetPapers(ctx, out.data(), 8);
  out.resize(*count > 0 ? size_t(*count) : 0);
  return out;
}

TEST(CapsLists, BinsAndPapersInOptionOrderLessHidden) {
  ModelContext m(kCapsModel);
  int32_t n = 0;
  EXPECT_EQ(Bins(m.ctx, &n), (std::vector<uint16_t>{7, 1, 4}));
  EXPECT_EQ(CapsGetBins(m.ctx, nullptr), 3) << "no buffer: the count";
  EXPECT_EQ(Papers(m.ctx, &n), (std::vector<uint16_t>{8, 9, 384}));
  EXPECT_EQ(CapsGetBinNames(m.ctx, nullptr, kCapsBinNameChars), 3);

  OptSetValueById(m.ctx, Staple(), 1);
  EXPECT_EQ(Bins(m.ctx, &n), (std::vector<uint16_t>{7, 1}));
  EXPECT_EQ(Papers(m.ctx, &n), (std::vector<uint16_t>{9, 384}));
  EXPECT_EQ(CapsGetPaperNames(m.ctx, nullptr, kCapsPaperNameChars, 8), 2);

  OptSetValueById(m.ctx, Punch(), 1);
  EXPECT_EQ(CapsGetBins(m.ctx, nullptr), -1) << "every tray hidden";
  EXPECT_EQ(CapsGetBinNames(m.ctx, nullptr, kCapsBinNameChars), -1);
}

TEST(CapsLists, AnOptionWithoutACodeFailsTheCodesButNotTheNames) {
  // IDS_SOURCE_TRAY2 is an option name of the input source, so the paper
  // setting has no code for it.
  std::string text = kCapsModel;
  text.replace(text.find("IDS_FREESIZE1: \"CUSTOM1\""), std::strlen("IDS_FREESIZE1"), "IDS_SOURCE_TRAY2");
  ModelContext m(text);
  EXPECT_EQ(CapsGetPapers(m.ctx, nullptr, 8), -1);
  EXPECT_EQ(CapsGetPaperNames(m.ctx, nullptr, kCapsPaperNameChars, 8), 3);
  int32_t sizes[6] = {};
  EXPECT_EQ(CapsGetPaperSizes(m.ctx, sizes, 8), 3);
  EXPECT_EQ(sizes[0], 2970);
  EXPECT_EQ(sizes[1], 4200);
}

TEST(CapsLists, ABinWithoutACodeFailsTheCodesButNotTheNames) {
  std::string text = kCapsModel;
  text.replace(text.find("IDS_SOURCE_MANUAL: \"BYPASS\""), std::strlen("IDS_SOURCE_MANUAL"), "IDS_PAPERSIZE_A5");
  ModelContext m(text);
  EXPECT_EQ(CapsGetBins(m.ctx, nullptr), -1);
  EXPECT_EQ(CapsGetBinNames(m.ctx, nullptr, kCapsBinNameChars), 3);
}

TEST(CapsLists, MissingFeaturesAnswerMinusOne) {
  ModelContext m("*FileVersion: 3.62\n");
  EXPECT_EQ(CapsGetBins(m.ctx, nullptr), -1);
  EXPECT_EQ(CapsGetPapers(m.ctx, nullptr, 8), -1);
  EXPECT_EQ(CapsGetPaperNames(m.ctx, nullptr, 64, 8), -1);
  EXPECT_EQ(CapsGetPaperSizes(m.ctx, nullptr, 8), -1);
  ModelContext full(kCapsModel);
  EXPECT_EQ(CapsGetPapers(full.ctx, nullptr, 50), -1) << "the output paper is no feature here";
  EXPECT_EQ(CapsGetPapers(full.ctx, nullptr, 13), -1) << "a PickSlot is no PickOne";
}

TEST(CapsLists, UserSizesTakeTheirSlot) {
  ModelContext m(kCapsModel);
  // The slots are loaded once per context; what the context then holds is
  // what the lists give.
  FreeSizeRefreshSlots(m.ctx);
  FreeSizeSlot& slot = m.ctx->work->freeSizes[FreeSizeCodeToSlot(384, m.ctx)];
  // A name that fills its 64 bytes, without a terminator.
  std::memset(slot.names[0], 'N', sizeof slot.names[0]);
  std::memcpy(slot.names[0], "Poster", 6);
  slot.width = 4800;   // 4 inches
  slot.length = 6000;  // 5 inches

  std::vector<char16_t> names(3 * 24, u'#');
  ASSERT_EQ(CapsGetPaperNames(m.ctx, names.data(), 24, 8), 3);
  std::u16string third(names.data() + 48, 24);
  EXPECT_EQ(third.substr(0, 6), u"Poster");
  EXPECT_EQ(third.substr(6, 17), std::u16string(17, u'N'));
  EXPECT_EQ(third[23], u'\0') << "cut inside the slot";
  for (int i = 0; i < 48; ++i)
    if (names[size_t(i)] != u'\0') ADD_FAILURE() << "ordinary names without a UI module are empty, zero-filled";

  std::vector<char16_t> wide(3 * 64, u'#');
  ASSERT_EQ(CapsGetPaperNames(m.ctx, wide.data(), 64, 8), 3);
  EXPECT_EQ(std::u16string(wide.data() + 128).size(), 63u);

  int32_t sizes[6] = {};
  ASSERT_EQ(CapsGetPaperSizes(m.ctx, sizes, 8), 3);
  EXPECT_EQ(sizes[2], 2100);
  EXPECT_EQ(sizes[3], 2970);
  EXPECT_EQ(sizes[4], 1016);
  EXPECT_EQ(sizes[5], 1270);
}

TEST(CapsResolutions, PickNumericAndFallback) {
  ModelContext m(kCapsModel);
  int32_t out[8] = {};
  ASSERT_EQ(CapsGetResolutions(m.ctx, out), 2);
  EXPECT_EQ(std::vector<int32_t>(out, out + 4), (std::vector<int32_t>{300, 300, 600, 600}));
  ASSERT_EQ(CapsListResolutions(m.ctx, out, kCapsResolutionIds), 2);
  EXPECT_EQ(out[0], 1);
  EXPECT_EQ(out[1], 3);
  OptSetValueById(m.ctx, Staple(), 1);
  ASSERT_EQ(CapsGetResolutions(m.ctx, out), 1) << "300 hidden";
  EXPECT_EQ(out[0], 600);

  ModelContext none("*FileVersion: 3.62\n");
  int32_t pair[2] = {};
  ASSERT_EQ(CapsGetResolutions(none.ctx, pair), 1);
  EXPECT_EQ(pair[0], 600);
  EXPECT_EQ(pair[1], 600);
  int32_t ids[2] = {-1, -1};
  ASSERT_EQ(CapsListResolutions(none.ctx, ids, kCapsResolutionIds), 1);
  EXPECT_EQ(ids[0], 3) << "one id, the 600 x 600 row";
  EXPECT_EQ(ids[1], -1) << "nothing past the count";

  ModelContext numeric(R"(*FileVersion: 3.62
*OpenUI *VPD_IDC_USER_QUALITY_CHOICE_RESOLUTION: Numeric
*NumericValue: "3 600 300 1200 1"
*CloseUI: *VPD_IDC_USER_QUALITY_CHOICE_RESOLUTION
)");
  OptSetValueById(numeric.ctx, 42, 400);
  ASSERT_EQ(CapsGetResolutions(numeric.ctx, pair), 1);
  EXPECT_EQ(pair[0], 400);
  EXPECT_EQ(pair[1], 400);
  ASSERT_EQ(CapsListResolutions(numeric.ctx, ids, kCapsResolutionIds), 1);
  EXPECT_EQ(ids[0], 2);
  OptSetValueById(numeric.ctx, 42, 0);
  ASSERT_EQ(CapsGetResolutions(numeric.ctx, pair), 1);
  EXPECT_EQ(pair[0], 600) << "a numeric feature without a value falls back";
}

TEST(CapsResolutions, Table) {
  EXPECT_EQ(CapsFindResolutionRow(0), nullptr);
  EXPECT_EQ(CapsFindResolutionRow(6), nullptr);
  ASSERT_NE(CapsFindResolutionRow(18), nullptr);
  EXPECT_EQ(CapsFindResolutionRow(18)->x, 600);
  EXPECT_EQ(CapsFindResolutionIdByXY(600, 600), 3) << "the first row of 600 x 600";
  EXPECT_EQ(CapsFindResolutionIdByXY(600, 0), 0);
  EXPECT_EQ(CapsFindResolutionIdByXY(600, 300), 0);
  EXPECT_EQ(CapsFindResolutionIdByX(2400), 5);
  EXPECT_EQ(CapsFindResolutionIdByX(0), 0);
  EXPECT_EQ(CapsFindResolutionIdByX(500), 0);
}

TEST(CapsExtents, PackedFromTheModelRecord) {
  uint16_t pair[2] = {};
  EXPECT_EQ(CapsGetExtent(CtxGetTemplate(), pair, kCapsMinExtent), int32_t((1480u << 16) | 1000u));
  EXPECT_EQ(pair[0], 1000);
  EXPECT_EQ(pair[1], 1480);
  EXPECT_EQ(CapsGetExtent(CtxGetTemplate(), nullptr, 5), int32_t((4320u << 16) | 2970u));
  int32_t lo[2], hi[2];
  CapsGetModelExtents(CtxGetTemplate(), lo, hi);
  EXPECT_EQ(lo[0], CapsGetMinWidth(CtxGetTemplate()));
  EXPECT_EQ(hi[1], CapsGetMaxLength(CtxGetTemplate()));
  EXPECT_LT(lo[0], hi[0]);
}

TEST(CapsLists, DuplexUnit) {
  ModelContext m(kCapsModel);
  EXPECT_EQ(CapsHasDuplexUnit(m.ctx), 0);
  OptSetValueById(m.ctx, 10014, 1);
  EXPECT_EQ(CapsHasDuplexUnit(m.ctx), 1);
}

// Names from the UI resource module of a printer of the small model.
class CapsNames : public env_test::EnvMachine {
 protected:
  void SetUp() override {
    EnvMachine::SetUp();
    ctx_ = ModelContext(u"VELMUIus.dll");
    ASSERT_NE(ctx_, nullptr);
    OptSetValueById(ctx_, 177, 0);  // Japanese: VELMUIjp.dll
    ASSERT_TRUE(plat::WriteResourceModule(
        plat::MapPath(std::u16string(env_test::kDriverDir) + u"VELMUIjp.dll"), plat::StandinModuleDir() + "/velmres.dll",
        {plat::StringResource(1, u"Automatic tray selection by paper"), plat::StringResource(2, u"Tray 1"),
         plat::StringResource(4, u"Bypass"), plat::StringResource(40, u"A3"),
         plat::StringResource(41, std::u16string(70, u'4'))}));
  }
  static std::u16string Slot(const std::vector<char16_t>& names, size_t i, size_t chars) {
    return std::u16string(names.data() + i * chars, chars);
  }
  DriverContext* ctx_ = nullptr;
};

TEST_F(CapsNames, NamesAreCutInsideZeroFilledSlots) {
  std::vector<char16_t> bins(3 * 24, u'#');
  ASSERT_EQ(CapsGetBinNames(ctx_, bins.data(), 24), 3);
  EXPECT_EQ(Slot(bins, 0, 24), std::u16string(u"Automatic tray selection by paper").substr(0, 23) + u'\0');
  EXPECT_EQ(Slot(bins, 1, 24), u"Tray 1" + std::u16string(18, u'\0'));
  EXPECT_EQ(Slot(bins, 2, 24), u"Bypass" + std::u16string(18, u'\0'));

  std::vector<char16_t> papers(3 * 64, u'#');
  ASSERT_EQ(CapsGetPaperNames(ctx_, papers.data(), 64, 8), 3);
  EXPECT_EQ(Slot(papers, 0, 64), u"A3" + std::u16string(62, u'\0'));
  EXPECT_EQ(Slot(papers, 1, 64), std::u16string(63, u'4') + u'\0');
  EXPECT_EQ(Slot(papers, 2, 64), std::u16string(64, u'\0')) << "a string the module lacks";
}

}  // namespace
