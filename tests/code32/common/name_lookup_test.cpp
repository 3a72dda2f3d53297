#include <gtest/gtest.h>

#include <cstring>

#include "test_context.h"
#include "velm/dialogs.h"
#include "velm/names.h"

namespace {

TEST(FeatureNames, ByKeyAndByExactName) {
  const UiSymbolRow* r = MdfFindFeatureByName("VPD_IDD_BASIC");
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(MdfFindFeatureByKey(r->key), r);
  EXPECT_EQ(MdfFindFeatureByName("vpd_idd_basic"), nullptr);
  EXPECT_EQ(MdfFindFeatureByName("VPD_IDD_BASIC "), nullptr);
  EXPECT_EQ(MdfFindFeatureByName(nullptr), nullptr);
  EXPECT_EQ(MdfFindFeatureByKey(0), nullptr);
  EXPECT_EQ(MdfFindFeatureByKey(-1), nullptr);
  EXPECT_EQ(MdfFindFeatureByKey(1076), nullptr);
  const UiSymbolRow* radio = MdfFindFeatureByKey(347);
  ASSERT_NE(radio, nullptr);
  EXPECT_STREQ(radio->name, "VPD_RADIOLIST_1");
  EXPECT_EQ(radio->settingId, 7);
}

TEST(FeatureNames, SettingNames) {
  BareContext b;
  EXPECT_EQ(std::u16string(OptGetSettingName(b.ctx, 102)), u"vdmDuplexType");
  EXPECT_EQ(OptGetSettingName(b.ctx, 963), nullptr);
}

// The first row of the table wins for keywords and ids that repeat.
TEST(OptionNames, FirstMatchWins) {
  const OptionNameTable& t = MdfGetOptionNameTable();
  for (int i = 0; i < t.count; ++i) {
    const OptionNameRow& r = t.rows[i];
    const OptionNameRow* by_name = MdfFindOptionByName(r.keyword);
    ASSERT_NE(by_name, nullptr) << r.keyword;
    EXPECT_LE(by_name, &r);
    EXPECT_STREQ(by_name->keyword, r.keyword);
    for (const OptionNameRow* p = t.rows; p < by_name; ++p) ASSERT_STRNE(p->keyword, r.keyword);
    const OptionNameRow* by_id = MdfFindOptionById(r.settingId, r.optionId);
    ASSERT_NE(by_id, nullptr);
    EXPECT_LE(by_id, &r);
    for (const OptionNameRow* p = t.rows; p < by_id; ++p)
      ASSERT_FALSE(p->settingId == r.settingId && p->optionId == r.optionId);
  }
  EXPECT_EQ(MdfFindOptionByName("NO_SUCH_KEYWORD"), nullptr);
  EXPECT_EQ(MdfFindOptionById(102, 1), nullptr);
  EXPECT_EQ(MdfFindOptionById(70000, 1), nullptr);
}

TEST(AlertMessages, ByIndexIdAndName) {
  EXPECT_EQ(RuleGetAlertMessageCount(nullptr), 35);
  EXPECT_EQ(RuleGetAlertMessage(nullptr, 0)->id, 248);
  EXPECT_EQ(RuleGetAlertMessage(nullptr, 35), nullptr);
  EXPECT_EQ(RuleGetAlertMessage(nullptr, -1), nullptr);
  EXPECT_EQ(RuleFindAlertMessage(nullptr, 258)->textId, 10019);
  EXPECT_EQ(RuleFindAlertMessage(nullptr, 283), nullptr);
  EXPECT_EQ(RuleFindAlertMessageByName(nullptr, "VPD_PostCardMessage")->id, 282);
  EXPECT_EQ(RuleFindAlertMessageByName(nullptr, "vpd_postcardmessage"), nullptr);
}

TEST(Languages, LookUps) {
  struct Case {
    uint16_t primary, sublang, id;
  } cases[] = {{0x11, 0, 0}, {0x09, 0, 1}, {0x04, 0, 16}, {0x04, 1, 17}, {0x04, 2, 16}, {0x04, 3, 0xFFFF}, {0x99, 0, 0xFFFF}};
  for (const Case& c : cases) EXPECT_EQ(ResFindLanguageByLangId(c.primary, c.sublang), c.id) << c.primary << "/" << c.sublang;
  uint16_t sub = 9;
  EXPECT_EQ(ResGetLanguageLangId(17, &sub), 0x04);
  EXPECT_EQ(sub, 1);
  EXPECT_EQ(ResGetLanguageLangId(15, &sub), 0);
  EXPECT_EQ(sub, 0);
  EXPECT_EQ(ResGetLanguagePrimary(14), 0x1D);
  EXPECT_EQ(ResIsLanguageId(15), 0);
  EXPECT_EQ(ResIsLanguageId(17), 1);
}

TEST(FreeSizeSlots, CodesAndSlots) {
  EXPECT_EQ(FreeSizeGetSlotCount(), 10);
  EXPECT_EQ(FreeSizeCodeToSlot(256, nullptr), 9u);
  EXPECT_EQ(FreeSizeCodeToSlot(384, nullptr), 0u);
  EXPECT_EQ(FreeSizeCodeToSlot(392, nullptr), 8u);
  // An unknown code answers 0 in every build (no assertion), a real slot:
  // callers that must tell them apart test the code first.
  EXPECT_EQ(FreeSizeIsSlotCode(500), 0);
  for (uint32_t unknown : {0u, 255u, 257u, 383u, 393u, 500u, 0xFFFFFFFFu})
    EXPECT_EQ(FreeSizeCodeToSlot(unknown, nullptr), 0u) << unknown;
  EXPECT_EQ(FreeSizeSlotToCode(0, 10), 384u);
  EXPECT_EQ(FreeSizeSlotToCode(9, 10), 256u);
  EXPECT_EQ(FreeSizeSlotToCode(10, 10), 0u);
  EXPECT_EQ(FreeSizeSlotToCode(5, 4), 0u);
  for (uint32_t code : {256u, 384u, 388u, 392u}) EXPECT_EQ(FreeSizeIsSlotCode(code), 1);
  for (uint32_t code : {0u, 255u, 383u, 393u}) EXPECT_EQ(FreeSizeIsSlotCode(code), 0);
}

TEST(Dialogs, RecordsAndControlsOfAContext) {
  BareContext b;
  ASSERT_NE(b.ctx->dialogs, nullptr);
  DialogRecord* basic = CtxFindDialog(b.ctx, 1002);
  ASSERT_NE(basic, nullptr);
  EXPECT_STREQ(basic->name, "VPD_IDD_BASIC");
  EXPECT_EQ(CtxFindDialogByName(b.ctx, "VPD_IDD_BASIC"), basic);
  EXPECT_EQ(CtxFindDialogByName(nullptr, "VPD_IDD_BASIC")->dialogId, 1002);  // the template's table
  EXPECT_EQ(CtxFindDialog(b.ctx, 999), nullptr);
  EXPECT_NE(CtxGetControl(basic, basic->itemCount - 1), nullptr);
  EXPECT_EQ(CtxGetControl(basic, basic->itemCount), nullptr);
  EXPECT_EQ(CtxGetControl(nullptr, 0), nullptr);
  // Control 2026 stands in the presets page and again in the basic page:
  // without a dialog the first in table order answers.
  DialogItemRecord* any = CtxFindControl(b.ctx, nullptr, 2026);
  ASSERT_NE(any, nullptr);
  DialogRecord* preset = CtxFindDialog(b.ctx, 1001);
  EXPECT_TRUE(any >= preset->items && any < preset->items + preset->itemCount);
  DialogItemRecord* in_basic = CtxFindControl(b.ctx, basic, 2026);
  ASSERT_NE(in_basic, nullptr);
  EXPECT_TRUE(in_basic >= basic->items && in_basic < basic->items + basic->itemCount);
  // Windows are run-time keys.
  int dummy;
  HWND w = &dummy;
  EXPECT_EQ(CtxFindDialogByWindow(b.ctx, w), nullptr);
  basic->window = w;
  in_basic->window = w;
  EXPECT_EQ(CtxFindDialogByWindow(b.ctx, w), basic);
  EXPECT_EQ(CtxFindControlByWindow(b.ctx, nullptr, w), in_basic);
  EXPECT_EQ(CtxFindControlByWindow(b.ctx, nullptr, nullptr), nullptr);
}

TEST(Dialogs, ControlTextReachesTheBoundSetting) {
  BareContext b;
  // 2390 is the preset-name edit of the finishing page (wdmPresetName).
  ASSERT_NE(OptSetControlText(b.ctx, 2390, u"Weekly report"), nullptr);
  char16_t buf[64];
  ASSERT_NE(OptGetText(b.ctx, OptFindSetting(b.ctx, 865), buf), nullptr);
  EXPECT_EQ(std::u16string(buf), u"Weekly report");
  EXPECT_NE(OptGetControlText(b.ctx, 2390, buf), nullptr);
  EXPECT_EQ(OptGetControlText(b.ctx, 1, buf), nullptr);  // OK buttons edit nothing
  EXPECT_EQ(OptSetControlText(b.ctx, 65000, u"x"), nullptr);
}

}  // namespace
