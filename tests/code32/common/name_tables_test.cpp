// The built-in name tables: feature names, option names, alert messages and
// display languages.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>
#include <string>

#include "velm/names.h"
#include "velm/settings.h"

namespace {

const UiSymbolRow* SymbolByKey(uint16_t key) {
  const UiSymbolTable& t = MdfGetSymbolTable();
  for (int i = 0; i < t.count; ++i)
    if (t.rows[i].key == key) return &t.rows[i];
  return nullptr;
}

int SymbolIndex(uint16_t key) {
  const UiSymbolTable& t = MdfGetSymbolTable();
  for (int i = 0; i < t.count; ++i)
    if (t.rows[i].key == key) return i;
  return -1;
}

bool SettingExists(uint16_t id) {
  const SettingTable& t = OptGetBuiltinTable();
  for (int i = 0; i < t.count; ++i)
    if (t.rows[i].id == id) return true;
  return false;
}

TEST(FeatureNameTable, KeysAreUniqueAndCoverOneTo1075) {
  const UiSymbolTable& t = MdfGetSymbolTable();
  ASSERT_EQ(t.count, kUiSymbolCount);
  ASSERT_EQ(t.count, 1075);
  std::set<uint16_t> keys;
  std::set<std::string> names;
  for (int i = 0; i < t.count; ++i) {
    ASSERT_NE(t.rows[i].name, nullptr);
    keys.insert(t.rows[i].key);
    names.insert(t.rows[i].name);
  }
  EXPECT_EQ(keys.size(), 1075u);
  EXPECT_EQ(*keys.begin(), 1);
  EXPECT_EQ(*keys.rbegin(), 1075);
  EXPECT_EQ(names.size(), 1075u);  // names are unique too, so a look-up by name is exact
}

TEST(FeatureNameTable, CountsAndNamedSettings) {
  const UiSymbolTable& t = MdfGetSymbolTable();
  int vpd = 0, naming = 0;
  std::set<uint16_t> settings;
  for (int i = 0; i < t.count; ++i) {
    vpd += std::strncmp(t.rows[i].name, "VPD_", 4) == 0;
    if (t.rows[i].settingId) {
      ++naming;
      settings.insert(t.rows[i].settingId);
      EXPECT_TRUE(SettingExists(t.rows[i].settingId)) << t.rows[i].name;
    }
  }
  EXPECT_EQ(vpd, 1066);
  EXPECT_EQ(naming, 442);
  EXPECT_EQ(settings.size(), 355u);
}

TEST(FeatureNameTable, SampleRows) {
  struct Sample {
    uint16_t key;
    const char* name;
    uint16_t setting;
  };
  const Sample samples[] = {
      {10, "VPD_vdmJobLinker", 714},
      {27, "VPD_ConditionOption", 0},
      {283, "VPD_IDD_PRESET", 0},
      {347, "VPD_RADIOLIST_1", 7},
      {395, "VPD_RADIOLIST_2", 7},
      {378, "VPD_IDC_PRESET_CHOICE_PAPERSIZE2", 8},
      {954, "VPD_IDC_HIDDEN_FUNC", 962},
      {974, "VPD_IDC_VERSION_STATIC_COPYRIGHT_MS", 0},
      {975, "VPD_IDC_VERSION_STATIC_COPYRIGHT_ORVEK", 0},
      {1075, "VPD_ITEM_11527", 0},
  };
  for (const Sample& s : samples) {
    const UiSymbolRow* r = SymbolByKey(s.key);
    ASSERT_NE(r, nullptr) << s.key;
    EXPECT_STREQ(r->name, s.name);
    EXPECT_EQ(r->settingId, s.setting) << s.name;
  }
}

TEST(FeatureNameTable, TableOrder) {
  const UiSymbolTable& t = MdfGetSymbolTable();
  EXPECT_EQ(t.rows[0].key, 10);
  // Dialog keys stand before their controls.
  EXPECT_EQ(SymbolIndex(330), SymbolIndex(283) + 1);
  EXPECT_LT(SymbolIndex(367), SymbolIndex(284));
  // The two copyright texts of the version dialog sit between its keys 973 and 976.
  EXPECT_EQ(SymbolIndex(974), SymbolIndex(973) + 1);
  EXPECT_EQ(SymbolIndex(975), SymbolIndex(974) + 1);
  EXPECT_EQ(SymbolIndex(976), SymbolIndex(975) + 1);
  // The last nine rows are the message-box answer words.
  const char* answers[] = {"IDOKBUTTON",     "IDCANCELBUTTON", "IDABORTBUTTON",
                           "IDRETRYBUTTON",  "IDIGNOREBUTTON", "IDYESBUTTON",
                           "IDNOBUTTON",     "IDCLOSEBUTTON",  "IDHELPBUTTON"};
  for (int i = 0; i < 9; ++i) {
    const UiSymbolRow& r = t.rows[t.count - 9 + i];
    EXPECT_EQ(r.key, i + 1);
    EXPECT_STREQ(r.name, answers[i]);
    EXPECT_EQ(r.settingId, 0);
  }
}

TEST(OptionNameTable, CountsAndAgreementWithFeatureNames) {
  const OptionNameTable& t = MdfGetOptionNameTable();
  ASSERT_EQ(t.count, kOptionNameCount);
  ASSERT_EQ(t.count, 1653 + 12);  // the trays' orientation rows come last
  int with_value = 0;
  for (int i = 0; i < t.count; ++i) {
    const OptionNameRow& r = t.rows[i];
    ASSERT_NE(r.keyword, nullptr);
    EXPECT_EQ(r.zero, 0);
    if (r.hasValue) {
      EXPECT_EQ(r.hasValue, 1u);
      ++with_value;
    } else {
      EXPECT_EQ(r.value, 0u) << r.keyword;
    }
    const UiSymbolRow* f = SymbolByKey(r.featureKey);
    ASSERT_NE(f, nullptr) << r.keyword;
    EXPECT_EQ(f->settingId, r.settingId) << r.keyword << " key " << r.featureKey;
  }
  EXPECT_EQ(with_value, 1250 + 12);
}

TEST(OptionNameTable, SampleRows) {
  const OptionNameTable& t = MdfGetOptionNameTable();
  const OptionNameRow& first = t.rows[0];
  EXPECT_EQ(first.settingId, 714);
  EXPECT_EQ(first.featureKey, 10);
  EXPECT_EQ(first.optionId, 0);
  EXPECT_STREQ(first.keyword, "VDMJOBLINKER_OFF");
  EXPECT_EQ(first.hasValue, 1u);
  EXPECT_EQ(first.value, 0u);

  // First rows by keyword in table order.
  auto first_by_keyword = [&](const char* kw) -> const OptionNameRow* {
    for (int i = 0; i < t.count; ++i)
      if (std::strcmp(t.rows[i].keyword, kw) == 0) return &t.rows[i];
    return nullptr;
  };
  const OptionNameRow* tray4 = first_by_keyword("IDS_SOURCE_TRAY4");
  ASSERT_NE(tray4, nullptr);
  EXPECT_EQ(tray4->settingId, 10276);
  EXPECT_EQ(tray4->optionId, 6);
  EXPECT_EQ(tray4->value, 256u);
  const OptionNameRow* draft = first_by_keyword("DMRES_DRAFT");
  ASSERT_NE(draft, nullptr);
  EXPECT_EQ(draft->settingId, 14);
  EXPECT_EQ(draft->optionId, 65535);
  const OptionNameRow* hidden = first_by_keyword("IDS_HIDDEN_FUNC_00");
  ASSERT_NE(hidden, nullptr);
  EXPECT_EQ(hidden->optionId, 60300);
  EXPECT_EQ(hidden->settingId, 962);
  const OptionNameRow* margin = first_by_keyword("IDS_MARGIN_SHIFT_LEFT");
  ASSERT_NE(margin, nullptr);
  EXPECT_EQ(margin->hasValue, 0u);
  EXPECT_EQ(margin->featureKey, 827);

  // wdmUserSetType's names: options 6137-6144, value 0.
  int user_types = 0;
  for (int i = 0; i < t.count; ++i) {
    if (t.rows[i].settingId != 868) continue;
    EXPECT_EQ(t.rows[i].optionId, 6137 + user_types);
    EXPECT_EQ(t.rows[i].value, 0u);
    ++user_types;
  }
  EXPECT_EQ(user_types, 8);
}

TEST(MessageNameTable, Rows) {
  const MessageNameTable& t = RuleGetMessageTable();
  ASSERT_EQ(t.count, kMessageNameCount);
  ASSERT_EQ(t.count, 35);
  for (int i = 0; i < t.count; ++i) {
    EXPECT_EQ(t.rows[i].id, 248 + i);
    EXPECT_EQ(t.rows[i].captionId, 0);
    // Each message is also a feature name with its id as key.
    const UiSymbolRow* f = SymbolByKey(t.rows[i].id);
    ASSERT_NE(f, nullptr);
    EXPECT_STREQ(f->name, t.rows[i].name);
  }
  struct Sample {
    int index;
    uint16_t text;
    const char* name;
  };
  const Sample samples[] = {{0, 235, "VPD_ScaleIllegalMessage"},
                            {1, 10003, "VPD_ProofUserIDNullMessage"},
                            {10, 10019, "VPD_DuplexOnMessage"},
                            {22, 10038, "VPD_MediaTypeManualOnlyMessage"},
                            {34, 10083, "VPD_PostCardMessage"}};
  for (const Sample& s : samples) {
    EXPECT_EQ(t.rows[s.index].textId, s.text);
    EXPECT_STREQ(t.rows[s.index].name, s.name);
  }
}

TEST(LanguageTable, RowsAndEnd) {
  struct Lang {
    uint16_t id, primary, sublang;
    const char16_t* code;
  };
  const Lang want[] = {
      {0, 0x11, 0, u"jp"},  {1, 0x09, 0, u"us"},  {2, 0x05, 0, u"cz"},  {3, 0x06, 0, u"dn"},
      {4, 0x07, 0, u"gm"},  {5, 0x0A, 0, u"sp"},  {6, 0x0C, 0, u"fr"},  {7, 0x10, 0, u"it"},
      {8, 0x0E, 0, u"hn"},  {9, 0x13, 0, u"dt"},  {10, 0x14, 0, u"nw"}, {11, 0x15, 0, u"pl"},
      {12, 0x16, 0, u"pr"}, {13, 0x0B, 0, u"fn"}, {14, 0x1D, 0, u"sw"}, {16, 0x04, 2, u"cs"},
      {17, 0x04, 1, u"ct"},
  };
  const LanguageRow* rows = ResGetLanguageTable();
  ASSERT_NE(rows, nullptr);
  int n = 0;
  for (; rows[n].id != 0xFFFF; ++n) {
    ASSERT_LT(n, 17);
    EXPECT_EQ(rows[n].id, want[n].id);
    EXPECT_EQ(rows[n].primary, want[n].primary);
    EXPECT_EQ(rows[n].sublang, want[n].sublang);
    ASSERT_NE(rows[n].code, nullptr);
    EXPECT_EQ(std::u16string(rows[n].code), std::u16string(want[n].code));
  }
  EXPECT_EQ(n, 17);
  EXPECT_EQ(rows[n].code, nullptr);
}

}  // namespace
