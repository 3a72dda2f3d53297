#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "ctx_test_model.h"
#include "plat/wstr.h"
#include "velm/mdf_records.h"
#include "velm/model_image.h"
#include "velm/model_query.h"

namespace {

using ctx_test::ModelContext;
using ctx_test::Option;
using ctx_test::SettingOf;

const char* const kQueryModelText = R"(*FileVersion: 3.62
*UIResDLLName: "QUERYUI"
*OpenUI *VPD_DeviceName: String
*StringValue: 32 MultiByte
*CloseUI: *VPD_DeviceName
*OpenUI *VPD_IniFileName: String
*DefaultVPD_IniFileName: IDS_PRINTTYPE_NORMAL
*StringValue: 16 MultiByte
*CloseUI: *VPD_IniFileName
*OpenUI *VPD_IDC_PRINTTYPE_EDIT_DOCUMENT: String|TypeUnknown
*StringValue: 16 MultiByte
*CloseUI: *VPD_IDC_PRINTTYPE_EDIT_DOCUMENT
*OpenUI *VPD_IDC_BASIC_BMP_PRINTER: Boolean
*DefaultVPD_IDC_BASIC_BMP_PRINTER: True
*VPD_IDC_BASIC_BMP_PRINTER True: "ON"
*VPD_IDC_BASIC_BMP_PRINTER False: "OFF"
*CloseUI: *VPD_IDC_BASIC_BMP_PRINTER
*OpenUI *VPD_IDC_USERCODE_CHOICE_SERVER: Numeric
*NumericValue: 301 "3 5 1 9 1 0 0 0"
*CloseUI: *VPD_IDC_USERCODE_CHOICE_SERVER
*OpenUI *VPD_MarkDefaultTray: PickOne
*DefaultVPD_MarkDefaultTray: IDS_SOURCE_TRAY2
*VPD_MarkDefaultTray IDS_SOURCE_TRAY1: "T1"
*VPD_MarkDefaultTray IDS_SOURCE_TRAY2: "T2"
*CloseUI: *VPD_MarkDefaultTray
*OpenUI *VPD_IDC_OPTION_CHOICE_OPTION: PickMany
*VPD_IDC_OPTION_CHOICE_OPTION: IDList { IDS_OPTION_DUPLEX IDS_OPTION_HDD }
*CloseUI: *VPD_IDC_OPTION_CHOICE_OPTION
*OpenUI *VPD_IDC_PRESET_CHOICE_COLOR: PickOne
*CloseUI: *VPD_IDC_PRESET_CHOICE_COLOR
*OpenUI *VPD_IDC_PRESET_CHOICE_PAPERSIZE: PickPage
*DefaultVPD_IDC_PRESET_CHOICE_PAPERSIZE: IDS_PAPERSIZE_A4
*VPD_IDC_PRESET_CHOICE_PAPERSIZE IDS_PAPERSIZE_A4: "A4"
*VPD_IDC_PRESET_CHOICE_PAPERSIZE IDS_PAPERSIZE_A3: "A3"
*VPD_IDC_PRESET_CHOICE_PAPERSIZE IDS_PAPERSIZE_LETTER: "LETTER"
*PageMMValue VPD_IDC_PRESET_CHOICE_PAPERSIZE IDS_PAPERSIZE_A4: "2100 2970"
*PageValue VPD_IDC_PRESET_CHOICE_PAPERSIZE IDS_PAPERSIZE_A4: 1200 IDC_PRESET_RADIO_PORTRAIT VPD_IDC_INIT_CHOICE_PRINTAREA IDS_PRINTAREA_EXTEND "50 60 9500 13500 9921 14031"
*PageValue VPD_IDC_PRESET_CHOICE_PAPERSIZE IDS_PAPERSIZE_A4: 1200 IDC_PRESET_RADIO_PORTRAIT "100 120 9000 13000 9921 14031"
*PageValue VPD_IDC_PRESET_CHOICE_PAPERSIZE IDS_PAPERSIZE_A3: 2400 IDC_PRESET_RADIO_LANDSCAPE "10 20 300 400 28062 19843"
*CloseUI: *VPD_IDC_PRESET_CHOICE_PAPERSIZE
*OpenUI *VPD_RADIOLIST_8: FontTbl
*VPD_RADIOLIST_8 IDC_USER_TTF_RADIO_BEST: "DOWNLOAD"
*VPD_RADIOLIST_8 IDC_USER_TTF_RADIO_TABLE: "SUBSTITUTE"
*TTFS VPD_RADIOLIST_8 IDC_USER_TTF_RADIO_TABLE: IDList { {"Arial" "Helvetica"} {"<82608262>" "Mincho"} }
*CloseUI: *VPD_RADIOLIST_8
*OpenUI *VPD_RADIOLIST_11: FontTbl
*VPD_RADIOLIST_11 IDC_USER_TTF_RADIO_BEST: "X"
*TTFS VPD_RADIOLIST_11 IDC_USER_TTF_RADIO_BEST: IDList { {"Other" "Font"} {"A" "B"} {"C" "D"} }
*CloseUI: *VPD_RADIOLIST_11
)";

// テスト forty times over in code page 932: 40 double-byte characters.
std::string Katakana40() {
  std::string s;
  for (int i = 0; i < 40; ++i) s += std::string("\x83\x65\x83\x58\x83\x67").substr(2 * (i % 3), 2);
  return s;
}

const std::string kQueryModel = std::string(kQueryModelText) +
                                "*DeviceFonts: IDList { {\"Courier\" 1} {\"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789\" 2} {\"" +
                                Katakana40() + "\" 3} }\n";

TEST(ModelQueries, FindItemBySlotOrByWalk) {
  ModelContext m(kQueryModel);
  struct Case {
    uint32_t id;
    bool found;
  } cases[] = {
      {0, false},     {1, true},      {706, false},  {707, true},     {947, false},
      {948, true},    {950, true},    {10001, true}, {10277, true},   {10278, false},
  };
  for (const Case& c : cases) {
    MdfItem item = MdfFindItem(m.ctx, c.id);
    EXPECT_EQ(item != 0, c.found) << c.id;
    ImgFeature f;
    if (item) {
      ASSERT_TRUE(MdfReadItem(m.ctx, item, &f));
      EXPECT_EQ(f.settingId, c.id);
    }
  }
  // By key: the feature of that key; by table position: the setting at it.
  MdfItem tray = MdfFindItem(m.ctx, 10277);
  EXPECT_EQ(MdfFindItemByKey(m.ctx, ctx_test::Key("VPD_MarkDefaultTray")), tray);
  EXPECT_EQ(MdfLookupItemByKey(m.ctx, ctx_test::Key("VPD_MarkDefaultTray")), tray);
  EXPECT_EQ(MdfFindItemByKey(m.ctx, ctx_test::Key("VPD_IDC_EDIT_CHOICE_DUPLEX")), 0u);
  EXPECT_EQ(MdfGetItemByIndex(m.ctx, 0), MdfFindItem(m.ctx, 1));
  EXPECT_EQ(MdfGetItemByIndex(m.ctx, kSettingRowCount - 1), tray);  // the last row is 10277
  EXPECT_EQ(MdfGetItemByIndex(m.ctx, kSettingRowCount), 0u);        // past the table
  EXPECT_EQ(MdfGetItemByIndex(m.ctx, -1), 0u);
  char16_t name[16];
  ASSERT_TRUE(MdfCopyUIResDLLName(m.ctx, name, 16));
  EXPECT_EQ(std::u16string(name), u"QUERYUI");
}

// The first feature of the list with the id, as a walk of the whole list
// finds it: what MdfFindItem answers for a setting without a slot.
MdfItem WalkForSetting(const ModelImage* image, uint32_t id) {
  ImgFeature f;
  uint32_t steps = MdfStepLimit(image);
  for (uint32_t at = MdfImgSlot(image, mdf_image::kSlotFeatures); at && steps--; at = f.next) {
    if (!MdfImgReadFeature(image, at, &f)) return 0;
    if (f.settingId == id) return at;
  }
  return 0;
}

TEST(ModelQueries, FindItemAnswersTheFirstFeatureOfTheListForEverySetting) {
  // Both models, the reference one with a setting without a slot that has
  // two features, asked every id a setting can have and beyond.
  const std::string reference = ctx_test::ReadFile(ctx_test::DataPath("../models/reference.mdf"));
  ASSERT_FALSE(reference.empty());
  for (const std::string* text : {&kQueryModel, &reference}) {
    ModelContext m(*text);
    ASSERT_NE(m.image, nullptr);
    int found = 0;
    for (uint32_t id = 0; id <= 70000; ++id) {
      const MdfItem item = MdfFindItem(m.ctx, id);
      found += item != 0;
      if (id != 0 && MdfSlotOfSetting(id) == 0) {
        ASSERT_EQ(item, WalkForSetting(m.image, id)) << id;
      } else if (item) {
        ImgFeature f;
        ASSERT_TRUE(MdfReadItem(m.ctx, item, &f));
        EXPECT_EQ(f.settingId, id);
      }
    }
    EXPECT_GT(found, 5);
  }
}

TEST(ModelQueries, TypesDefaultsAndCounts) {
  ModelContext m(kQueryModel);
  struct Case {
    const char* name;
    uint32_t id;
    uint32_t type_word;
    int32_t default_value;
    int32_t count;
  } cases[] = {
      {"PickOne: the option at the default position", 10277, kFeaturePickOne, Option("IDS_SOURCE_TRAY2"), 2},
      {"PickOne without options", 15, kFeaturePickOne, 0, 0},
      {"PickMany has no default", 950, kFeaturePickMany, 0, 2},
      {"PickPage", 8, kFeaturePickPage, Option("IDS_PAPERSIZE_A4"), 3},
      {"Boolean", 948, kFeatureBoolean, 1, 0},
      {"Numeric", 10001, kFeatureNumeric, 5, 0},
      {"String: its default option", 707, kFeatureString, Option("IDS_PRINTTYPE_NORMAL"), 0},
      {"String|TypeUnknown", SettingOf("VPD_IDC_PRINTTYPE_EDIT_DOCUMENT"), kFeatureString | kFeatureTypeUnknown, 0, 0},
      {"absent", 42, 0, 0, -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MdfGetItemTypeWord(m.ctx, c.id), c.type_word) << c.name;
    EXPECT_EQ(MdfGetItemType(m.ctx, c.id), c.type_word & kFeatureFlagMask) << c.name;
    EXPECT_EQ(MdfGetItemDefault(m.ctx, c.id), c.default_value) << c.name;
    EXPECT_EQ(MdfCountItemOptions(m.ctx, c.id), c.count) << c.name;
  }
  // The default position comes out for the position types only, and only
  // for a feature the model has.
  uint16_t position = 77;
  EXPECT_NE(MdfGetItemOptionList(m.ctx, 10277, &position), 0u);
  EXPECT_EQ(position, 1);
  position = 77;
  EXPECT_NE(MdfGetItemOptionList(m.ctx, 10001, &position), 0u);
  EXPECT_EQ(position, 77);
  EXPECT_EQ(MdfGetItemOptionList(m.ctx, 42, &position), 0u);
  EXPECT_EQ(position, 77);
  EXPECT_EQ(MdfGetNumericUnitStringId(m.ctx, MdfFindItem(m.ctx, 10001)), 301u);
  EXPECT_EQ(MdfGetNumericUnitStringId(m.ctx, MdfFindItem(m.ctx, 948)), 0u);
}

TEST(ModelQueries, APickDefaultBeyondItsListGivesZero) {
  // An image (as a cache file could bring it) whose default position lies
  // past the feature's two options.
  ModelContext m(kQueryModel);
  MdfItem tray = MdfFindItem(m.ctx, 10277);
  std::vector<uint8_t> bytes(MdfImageBytes(m.image), MdfImageBytes(m.image) + MdfImageSize(m.image));
  bytes[tray + mdf_image::kFeatureDefault] = 2;
  ModelImage* patched = MdfLoadImage(bytes.data(), bytes.size());
  ASSERT_NE(patched, nullptr);
  m.ctx->image = patched;
  uint16_t position = 0;
  EXPECT_NE(MdfGetItemOptionList(m.ctx, 10277, &position), 0u);
  EXPECT_EQ(position, 2);
  EXPECT_EQ(MdfGetItemDefault(m.ctx, 10277), 0);
  EXPECT_EQ(MdfCountItemOptions(m.ctx, 10277), 2);
  m.ctx->image = m.image;
  MdfFreeImage(patched);
}

TEST(ModelQueries, WithoutAnImageEverythingIsAbsent) {
  ModelContext m(kQueryModel);
  m.ctx->image = nullptr;
  EXPECT_EQ(MdfFindItem(m.ctx, 8), 0u);
  EXPECT_EQ(MdfFindItemByKey(m.ctx, ctx_test::Key("VPD_MarkDefaultTray")), 0u);
  EXPECT_EQ(MdfGetItemTypeWord(m.ctx, 8), 0u);
  EXPECT_EQ(MdfCountItemOptions(m.ctx, 8), -1);
  EXPECT_EQ(MdfGetItemDefault(m.ctx, 8), 0);
  uint32_t count = 9;
  EXPECT_EQ(MdfGetDeviceFontList(m.ctx, &count), nullptr);
  EXPECT_EQ(count, 0u);
  PaperPair p;
  EXPECT_EQ(MdfGetPaperDims(m.ctx, &p), 0);
  char16_t name[8];
  EXPECT_FALSE(MdfCopyUIResDLLName(m.ctx, name, 8));
  EXPECT_EQ(MdfGetItemDefault(nullptr, 8), 0);
}

TEST(ModelQueries, PaperAreaByResolutionOrientationAndCondition) {
  ModelContext m(kQueryModel);
  const uint32_t a4 = Option("IDS_PAPERSIZE_A4"), a3 = Option("IDS_PAPERSIZE_A3"), letter = Option("IDS_PAPERSIZE_LETTER");
  const uint32_t print_area = SettingOf("VPD_IDC_INIT_CHOICE_PRINTAREA");
  struct Case {
    const char* name;
    int32_t resolution;  // value of setting 42
    int32_t orientation;
    int32_t print_area;  // value of the condition's setting (1 = IDS_PRINTAREA_EXTEND)
    uint32_t paper;
    int32_t answer;
    PaperRect rect;
    PaperPair pair;
  } cases[] = {
      {"condition holds: the first entry", 1200, 1, 1, a4, 1, {50, 60, 9550, 13560}, {9921, 14031}},
      {"condition fails: the next entry", 1200, 1, 0, a4, 1, {100, 120, 9100, 13120}, {9921, 14031}},
      {"only the other orientation: axes swapped", 2400, 1, 0, a3, 1, {20, 10, 420, 310}, {19843, 28062}},
      {"the entry of this orientation as it is", 2400, 2, 0, a3, 1, {10, 20, 310, 420}, {28062, 19843}},
      {"no entry at the resolution", 600, 1, 1, a4, 0, {}, {}},
      {"a paper without areas", 1200, 1, 1, letter, 0, {}, {}},
      {"not a paper of the model", 1200, 1, 1, 9999, 0, {}, {}},
  };
  for (const Case& c : cases) {
    OptSetValueById(m.ctx, 42, c.resolution);
    OptSetValueById(m.ctx, 7, c.orientation);
    OptSetValueById(m.ctx, print_area, c.print_area);
    PaperRect r{-1, -1, -1, -1};
    PaperPair p{-1, -1};
    ASSERT_EQ(MdfGetPaperArea(m.ctx, &r, &p, c.paper), c.answer) << c.name;
    if (!c.answer) continue;
    EXPECT_EQ((std::vector<int32_t>{r.left, r.top, r.right, r.bottom}),
              (std::vector<int32_t>{c.rect.left, c.rect.top, c.rect.right, c.rect.bottom}))
        << c.name;
    EXPECT_EQ(p.width, c.pair.width) << c.name;
    EXPECT_EQ(p.length, c.pair.length) << c.name;
  }
  // A model without a paper feature answers 0.
  ModelContext bare("*FileVersion: 3.62\n");
  PaperRect r;
  EXPECT_EQ(MdfGetPaperArea(bare.ctx, &r, nullptr, a4), 0);
}

TEST(ModelQueries, PaperDimsOfTheCurrentPaper) {
  ModelContext m(kQueryModel);
  OptSetValueById(m.ctx, 8, 9);  // A4
  PaperPair p{};
  OptSetValueById(m.ctx, 7, 1);
  ASSERT_EQ(MdfGetPaperDims(m.ctx, &p), 1);
  EXPECT_EQ(p.width, 2100);
  EXPECT_EQ(p.length, 2970);
  OptSetValueById(m.ctx, 7, 2);
  ASSERT_EQ(MdfGetPaperDims(m.ctx, &p), 1);
  EXPECT_EQ(p.width, 2970);
  EXPECT_EQ(p.length, 2100);
  OptSetValueById(m.ctx, 8, 11);  // A5: not a paper of the model
  EXPECT_EQ(MdfGetPaperDims(m.ctx, &p), 0);
}

TEST(ModelQueries, FontListsConvertedAndCut) {
  ModelContext m(kQueryModel);
  uint32_t count = 0;
  DeviceFontEntry* fonts = MdfGetDeviceFontList(m.ctx, &count);
  ASSERT_NE(fonts, nullptr);
  ASSERT_EQ(count, 3u);
  EXPECT_EQ(fonts[0].id, 1);
  EXPECT_EQ(std::u16string(fonts[0].name), u"Courier");
  EXPECT_EQ(std::u16string(fonts[1].name), u"ABCDEFGHIJKLMNOPQRSTUVWXYZ01234");  // 31 characters
  std::u16string katakana;
  for (int i = 0; i < 31; ++i) katakana += std::u16string(u"テスト").substr(i % 3, 1);
  EXPECT_EQ(std::u16string(fonts[2].name), katakana);  // 40 double-byte characters, cut to 31
  EXPECT_EQ(fonts[2].name[31], 0);
  MemFree(fonts);
  // No cartridge fonts, whatever the device fonts hold.
  count = 7;
  EXPECT_EQ(MdfGetFontCartridgeList(m.ctx, &count), nullptr);
  EXPECT_EQ(count, 0u);
}

TEST(ModelQueries, FontTableOfTheFirstFontTableFeature) {
  ModelContext m(kQueryModel);
  uint32_t count = 0;
  FontSubstEntry* table = MdfGetFontTable(m.ctx, &count);
  ASSERT_NE(table, nullptr);
  ASSERT_EQ(count, 2u);  // the second font-table feature has three pairs
  EXPECT_EQ(std::u16string(table[0].trueTypeName), u"Arial");
  EXPECT_EQ(std::u16string(table[0].deviceName), u"Helvetica");
  EXPECT_EQ(std::u16string(table[1].trueTypeName), u"ＡＣ");
  EXPECT_EQ(std::u16string(table[1].deviceName), u"Mincho");
  MemFree(table);
  // Without pairs: null and the count untouched.
  ModelContext none(R"(*FileVersion: 3.62
*OpenUI *VPD_RADIOLIST_8: FontTbl
*VPD_RADIOLIST_8 IDC_USER_TTF_RADIO_BEST: "DOWNLOAD"
*CloseUI: *VPD_RADIOLIST_8
)");
  count = 5;
  EXPECT_EQ(MdfGetFontTable(none.ctx, &count), nullptr);
  EXPECT_EQ(count, 5u);
}

TEST(ModelQueries, SmallModelCartridgeFonts) {
  std::string text = ctx_test::ReadFile(ctx_test::DataPath("data/models/small.mdf"));
  ASSERT_FALSE(text.empty());
  ModelContext m(text);
  uint32_t count = 0;
  DeviceFontEntry* carts = MdfGetFontCartridgeList(m.ctx, &count);
  ASSERT_NE(carts, nullptr);
  ASSERT_EQ(count, 1u);
  EXPECT_EQ(carts[0].id, 101);
  EXPECT_EQ(std::u16string(carts[0].name), u"Barcode");
  MemFree(carts);
}

}  // namespace

namespace {

TEST(ModelQueries, DisplayTextFollowsTheModelsFeatureType) {
  // Without a UI resource module every string is empty: a pick feature then
  // says that its option has no string, where a setting the model does not
  // describe shows its number.
  ModelContext m(kQueryModel);
  OptSetValueById(m.ctx, 10277, 1);
  int32_t option = OptGetOptionById(m.ctx, 10277);
  char16_t text[64];
  OptFormatDisplayText(m.ctx, ctx_test::Key("VPD_MarkDefaultTray"), text, 64);
  EXPECT_EQ(plat::ToUtf8(text), std::to_string(option) + " is not string-ID");
  OptSetValueById(m.ctx, 10001, 7);
  OptFormatDisplayText(m.ctx, ctx_test::Key("VPD_IDC_USERCODE_CHOICE_SERVER"), text, 64);
  EXPECT_EQ(plat::ToUtf8(text), "7");  // a Numeric: the value, then its (empty) unit
  m.ctx->image = nullptr;
  OptFormatDisplayText(m.ctx, ctx_test::Key("VPD_MarkDefaultTray"), text, 64);
  EXPECT_EQ(plat::ToUtf8(text), "1");
}

}  // namespace
