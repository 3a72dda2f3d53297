#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "merge_test_support.h"
#include "velm/dm_merge.h"
#include "velm/names.h"
#include "velm/units.h"

namespace {

using merge_test::MergeContext;

// The 34 keep-or-default handlers, one field at a time: (model, value) ->
// kept or default, and the field's dmFields bit.
TEST(DevmodeFieldHandlers, KeepOrDefaultPerField) {
  enum Bit { kNone, kSet, kCleared };
  struct Case {
    const char* name;
    int32_t index;
    bool model;
    int64_t value;       // written to setting index + 1 first
    uint32_t fields;     // dmFields before
    int64_t other;       // dmPaperWidth for the length case, dmPrintQuality for dmYResolution
    int64_t want;
    uint32_t bit;
    Bit bit_state;
  } cases[] = {
      {"dmSpecVersion, not described", 1, false, 0x1234, 0, 0, 0x0401, 0, kNone},
      {"driver version", 2, false, 0x1234, 0, 0, 0x0400, 0, kNone},
      {"dmSize", 3, false, 5, 0, 0, 220, 0, kNone},
      {"dmDriverExtra", 4, false, 5, 0, 0, 1040, 0, kNone},
      {"dmFields", 5, false, 0, 0, 0, 0x7F03, 0, kNone},
      {"orientation 2 on a PickOne", 6, true, 2, 0, 0, 2, 0x1, kSet},
      {"orientation 3", 6, true, 3, 0, 0, 1, 0x1, kSet},
      {"orientation without a model item", 6, false, 2, 0, 0, 1, 0x1, kSet},
      {"paper 118 on a PickPage", 7, true, 118, 0, 0, 118, 0x2, kSet},
      {"paper 119", 7, true, 119, 0, 0, 9, 0x2, kSet},
      {"paper 300", 7, true, 300, 0, 0, 300, 0x2, kSet},
      {"paper 0", 7, true, 0, 0, 0, 9, 0x2, kSet},
      {"paper length -5", 8, true, -5, 0x4, 2100, 0, 0x4, kCleared},
      {"paper length with a width", 8, true, 2970, 0, 2100, 2970, 0x4, kSet},
      {"paper length without a width", 8, true, 2970, 0x4, 0, 2970, 0x4, kCleared},
      {"paper width -1", 9, true, -1, 0x8, 0, 0, 0x8, kCleared},
      {"scale: no model item can describe it", 10, true, 50, 0x10, 0, 100, 0x10, kSet},
      {"copies 999 in the model's range", 11, true, 999, 0, 0, 999, 0x100, kSet},
      {"copies 1000", 11, true, 1000, 0, 0, 1, 0x100, kSet},
      {"copies 0", 11, true, 0, 0, 0, 1, 0x100, kSet},
      {"default source without a slot feature", 12, true, 3, 0, 0, 7, 0x200, kSet},
      {"print quality 300 on a PickOne", 13, true, 300, 0, 0, 300, 0x400, kSet},
      {"print quality code -3", 13, true, -3, 0, 0, -3, 0x400, kSet},
      {"print quality 0", 13, true, 0, 0, 0, 600, 0x400, kSet},
      {"print quality without a model", 13, false, 300, 0, 0, 600, 0x400, kSet},
      {"colour 2 on a PickOne", 14, true, 2, 0, 0, 2, 0x800, kSet},
      {"colour 0: default, bit unchanged", 14, true, 0, 0, 0, 1, 0x800, kCleared},
      {"duplex: never described", 15, true, 3, 0, 0, 1, 0x1000, kSet},
      {"y resolution follows the print quality", 16, true, 77, 0, 300, 300, 0x400, kSet},
      {"y resolution without a model", 16, false, 77, 0x2000, 300, 600, 0x2000, kSet},
      {"TrueType option: never described", 17, true, 2, 0, 0, 3, 0x4000, kSet},
      {"ICM method: default, bit unchanged", 26, true, 5, 0x800000, 0, 1, 0x800000, kSet},
      {"ICM intent", 27, true, 5, 0, 0, 1, 0x1000000, kCleared},
      {"media type", 28, true, 5, 0, 0, 1, 0, kNone},
      {"dither type", 29, true, 5, 0, 0, 1, 0x4000000, kCleared},
      {"log pixels: never written", 20, false, 77, 0, 0, 77, 0, kNone},
      {"display frequency", 25, false, 77, 0, 0, 77, 0, kNone},
      {"ICC manufacturer", 30, false, 77, 0, 0, 77, 0, kNone},
      {"panning height", 33, false, 77, 0, 0, 77, 0, kNone},
  };
  for (const Case& c : cases) {
    MergeContext m(c.model);
    const uint32_t id = uint32_t(c.index + 1);
    m.SetPublic([&](DEVMODEW& d) {
      d.dmFields = c.fields;
      if (c.index == 8) d.dmPaperWidth = SHORT(c.other);
      if (c.index == 16) d.dmPrintQuality = SHORT(c.other);
    });
    OptSetValueById(m.ctx, id, int32_t(c.value));
    const DmFieldHandlerPair* h = DmGetFieldHandlers(c.index);
    ASSERT_NE(h, nullptr) << c.name;
    h->keepOrDefault(m.ctx->devmode, m.ctx);
    EXPECT_EQ(OptGetValueById(m.ctx, id), c.want) << c.name;
    const uint32_t fields = m.Public().dmFields;
    if (c.bit_state == kSet) {
      EXPECT_NE(fields & c.bit, 0u) << c.name;
    } else if (c.bit_state == kCleared) {
      EXPECT_EQ(fields & c.bit, 0u) << c.name;
    }
  }
  EXPECT_EQ(DmGetFieldHandlers(-1), nullptr);
  EXPECT_EQ(DmGetFieldHandlers(34), nullptr);
}

TEST(DevmodeFieldHandlers, NamesAndCollate) {
  MergeContext bare(false);
  bare.SetPublic([](DEVMODEW& d) {
    std::memcpy(d.dmDeviceName, u"Office", 12);
    std::memcpy(d.dmFormName, u"Letter", 12);
    d.dmFields = 0x10000;
  });
  DmGetFieldHandlers(0)->keepOrDefault(bare.ctx->devmode, bare.ctx);
  DmGetFieldHandlers(19)->keepOrDefault(bare.ctx->devmode, bare.ctx);
  EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(bare.Public().dmDeviceName)), u"Office");
  EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(bare.Public().dmFormName)), u"A4");
  EXPECT_EQ(bare.Public().dmFields & 0x10000, 0u);

  // Sorting is a real choice once the hard disk is installed; with no option
  // installed only "OFF" is selectable and collation cannot be offered.
  struct Case {
    const char* name;
    bool hard_disk;
    uint32_t fields;
    SHORT collate;
    int32_t sort_on;
    SHORT want;
    bool bit;
  } cases[] = {
      {"announced: kept", true, 0x8000, 1, 0, 1, true},
      {"not announced: from the sort switch", true, 0, 0, 1, 1, true},
      {"not announced, sort off", true, 0, 1, 0, 0, true},
      {"no choice: cleared", false, 0x8000, 1, 1, 0, false},
  };
  for (const Case& c : cases) {
    MergeContext m;
    if (c.hard_disk) m.Install({{merge_test::kOptionHardDisk, 1}});
    m.Set(64, c.sort_on);
    m.SetPublic([&](DEVMODEW& d) {
      d.dmFields = c.fields;
      d.dmCollate = c.collate;
    });
    DmGetFieldHandlers(18)->keepOrDefault(m.ctx->devmode, m.ctx);
    EXPECT_EQ(m.Public().dmCollate, c.want) << c.name;
    EXPECT_EQ((m.Public().dmFields & 0x8000) != 0, c.bit) << c.name;
  }
  // Without a model nothing is installed either: no choice.
  MergeContext bare_collate(false);
  bare_collate.SetPublic([](DEVMODEW& d) {
    d.dmFields = 0x8000;
    d.dmCollate = 1;
  });
  DmGetFieldHandlers(18)->keepOrDefault(bare_collate.ctx->devmode, bare_collate.ctx);
  EXPECT_EQ(bare_collate.Public().dmCollate, 0);
  EXPECT_EQ(bare_collate.Public().dmFields & 0x8000, 0u);
}

// Every set-default handler writes the field's default, whatever the field held.
TEST(DevmodeFieldHandlers, SetDefaultPerField) {
  MergeContext m;
  struct Want {
    int32_t index;
    int64_t value;
  } wants[] = {{1, 0x0401}, {2, 0x0400}, {3, 220}, {4, 1040}, {5, 0x7F03}, {6, 1},   {7, 9},   {8, 0},
               {9, 0},      {10, 100},   {11, 1},   {12, 7},    {13, 600},   {14, 1},   {15, 1},   {16, 600},
               {17, 3},     {18, 0},     {20, 0},   {21, 0},    {22, 0},     {23, 0},   {24, 0},   {25, 0},
               {26, 1},     {27, 1},     {28, 1},   {29, 1},    {32, 0},     {33, 0}};
  std::set<int32_t> seen;
  for (const Want& w : wants) {
    OptSetValueById(m.ctx, uint32_t(w.index + 1), 77);
    DmGetFieldHandlers(w.index)->setDefault(m.ctx->devmode, m.ctx);
    EXPECT_EQ(OptGetValueById(m.ctx, uint32_t(w.index + 1)), w.value) << w.index;
    seen.insert(w.index);
  }
  // The remaining pairs write nothing: name fields and the ICC fields.
  for (int32_t index : {0, 30, 31}) {
    OptSetValueById(m.ctx, uint32_t(index + 1), 77);
    DmGetFieldHandlers(index)->setDefault(m.ctx->devmode, m.ctx);
    if (index != 0) {
      EXPECT_EQ(OptGetValueById(m.ctx, uint32_t(index + 1)), 77) << index;
    }
    seen.insert(index);
  }
  seen.insert(19);  // the form name: see NamesAndCollate
  EXPECT_EQ(seen.size(), size_t(kPublicFieldCount));
}

// ---- private validation --------------------------------------------------------------------

TEST(PrivateValidatorTable, EveryRowResolves) {
  const PrivateValidatorRow* table = DmGetPrivateValidatorTable();
  const SettingTable& catalogue = OptGetBuiltinTable();
  int members = 0;
  std::set<PrivateValidatorFamily> families;
  for (int32_t i = 0; i < kPrivateValidatorRowCount; ++i) {
    const PrivateValidatorRow& row = table[i];
    ASSERT_EQ(row.id, kFirstPrivateId + uint32_t(i)) << i;
    const SettingRecord* setting = OptFindSetting(CtxGetTemplate(), row.id);
    ASSERT_NE(setting, nullptr) << row.id;
    EXPECT_EQ(setting->id, row.id);
    ASSERT_LT(row.family, PrivateValidatorFamily::kCount) << row.id;
    EXPECT_EQ(DmGetPrivateValidator(row.family) != nullptr, row.family != PrivateValidatorFamily::kNone) << row.id;
    if (row.family == PrivateValidatorFamily::kNone) {
      EXPECT_EQ(row.defaultValue, 0) << row.id;
      continue;
    }
    ++members;
    families.insert(row.family);
    // Only settings without a symbol key ever reach their validator.
    EXPECT_EQ(setting->symbolKey, 0) << row.id << " has a key and would never be validated";
    // A stored default fits the setting's storage.
    const uint32_t type = DescType(setting->descriptor);
    if (type == kTypeU8) {
      EXPECT_LE(uint32_t(row.defaultValue), 255u) << row.id;
    } else if (type == kTypeS8) {
      EXPECT_TRUE(row.defaultValue >= -128 && row.defaultValue <= 127) << row.id;
    }
  }
  EXPECT_EQ(members, 92);
  EXPECT_EQ(families.size(), size_t(PrivateValidatorFamily::kCount) - 1);  // every family has members
  for (uint32_t id = 572; id <= 603; ++id)
    EXPECT_EQ(table[id - kFirstPrivateId].family, PrivateValidatorFamily::kAlwaysReset) << id;
  EXPECT_EQ(catalogue.count, kSettingRowCount);
  EXPECT_EQ(DmGetPrivateValidator(PrivateValidatorFamily::kCount), nullptr);
}

// After a merge (mode 2) a value in the family's set stays; another is replaced.
TEST(PrivateValidation, ModeTwoBoundaries) {
  struct Case {
    uint32_t id;
    int32_t value;
    int32_t want;
  } cases[] = {
      {214, 4, 300},      {214, 5, 5},         {214, 300, 300},     {214, 301, 300},   // time-out
      {157, -51, 0},      {157, -50, -50},     {157, 50, 50},       {157, 51, 0},      // -50..50
      {163, 255, 255},    {176, 0, 0},                                                 // 0-255
      {213, 14, 14},      {213, 15, 0},        {213, 32, 32},       {213, 47, 47},     // emulation
      {213, 48, 0},       {213, 255, 255},     {213, 31, 0},
      {99, 32768, 32769}, {99, 32769, 32769},  {99, 32772, 32772},  {99, 32773, 32769}, {99, 0, 0},  // poster face
      {39, 5, 134},       {39, 134, 134},                                              // model family
      {35, 9, 0},         {245, 3, 16},        {60, 1, 0},          {164, 0, 1},       // always reset
      {603, 9, 0},        {572, 9, 0},
      {97, 5, 5},         {97, 6, 2},          {98, 0, 3},          {98, 3, 3},        // 0-5, 1-3
      {151, 3, 3},        {151, 4, 1},         {191, 6, 6},         {191, 7, 0},       // 0-3, 0-6
      {101, 1, 1},        {101, 2, 0},         {135, 2, 2},         {135, 3, 0},       // 0/1, 0-2
      {152, 4, 4},        {152, 5, 1},                                                 // 0-4
      {108, 16, 0},       {108, 17, 17},       {108, 22, 22},       {108, 23, 0},      // booklet
      {132, 118, 118},    {132, 119, 9},       {132, 384, 384},     {132, 393, 9},     // paper
      {133, 271, 271},    {133, 272, 1},       {140, 513, 513},     {140, 0, 1},       // media
      {131, 285, 285},    {131, 286, 7},       {146, 16, 7},                           // input tray
      {153, 3, 3},        {153, 4, 0},         {153, 131, 131},     {153, 132, 0},     // colour mode
      {155, 256, 257},    {155, 263, 263},     {155, 512, 512},     {155, 516, 257},   // dither
      {180, 77, 77},                                                                   // any
      {441, 0, 32},       {441, 999, 999},     {441, 1000, 32},                        // memory
      {178, 200, 0},
      {100, 7, 354},                                                                   // poster tab: 15 mm at 600 dpi
  };
  for (const Case& c : cases) {
    MergeContext m(false);  // no model: every private setting without a key goes to its family
    OptSetValueById(m.ctx, c.id, c.value);
    const int32_t stored = OptGetValueById(m.ctx, c.id);  // as the setting's storage holds it
    DmValidatePrivate(m.ctx->devmode, m.ctx, 2);
    EXPECT_EQ(OptGetValueById(m.ctx, c.id), c.want) << c.id << " = " << c.value << " (stored " << stored << ")";
  }
}

TEST(PrivateValidation, ModeOneStoresEverywhere) {
  MergeContext m(false);
  m.Set(42, 600);
  // Values every family would accept after a merge.
  struct Case {
    uint32_t id;
    int32_t accepted;
    int32_t want;
  } cases[] = {
      {214, 100, 300}, {157, 10, 0}, {163, 5, 128}, {99, 0, 32769}, {108, 17, 0}, {132, 8, 9}, {133, 2, 1},
      {131, 1, 7},     {153, 1, 0},  {155, 258, 257}, {191, 1, 0},  {101, 1, 0},  {135, 1, 0}, {213, 2, 0},
      {152, 0, 1},     {441, 64, 32}, {39, 134, 134}, {180, 77, 77},
  };
  for (const Case& c : cases) m.Set(c.id, c.accepted);
  for (uint32_t id = 572; id <= 603; ++id) m.Set(id, 1);
  DmValidatePrivate(m.ctx->devmode, m.ctx, 1);
  for (const Case& c : cases) EXPECT_EQ(m.Get(c.id), c.want) << c.id;
  for (uint32_t id = 572; id <= 603; ++id) EXPECT_EQ(m.Get(id), 0) << id;
  // The poster tab: 15 mm as dots at the output resolution.
  EXPECT_EQ(m.Get(100), int32_t(UnitUserToDevice(kUnitMm10, 150, 600)));
  EXPECT_NEAR(m.Get(100), 354, 1);
  // A display language of the language table stays after a merge.
  const LanguageRow* languages = ResGetLanguageTable();
  m.Set(178, languages[0].id);
  DmValidatePrivate(m.ctx->devmode, m.ctx, 2);
  EXPECT_EQ(m.Get(178), languages[0].id);
}

TEST(PrivateValidation, KeyedSettingsAndTheModel) {
  // Without a model item a keyed setting is neither repaired nor reset.
  MergeContext bare(false);
  bare.Set(102, 77);
  bare.Set(95, 12345);
  DmValidatePrivate(bare.ctx->devmode, bare.ctx, 1);
  EXPECT_EQ(bare.Get(102), 77);
  EXPECT_EQ(bare.Get(95), 12345);
  // With the model a rejected keyed value is repaired to the model default.
  MergeContext m;
  m.Set(102, 77);
  m.Set(92, 999);
  m.Set(39, 12);
  DmValidatePrivate(m.ctx->devmode, m.ctx, 2);
  EXPECT_EQ(m.Get(102), 1);   // IDB_E_DUP_T_P
  EXPECT_EQ(m.Get(92), 100);  // the numeric default
  EXPECT_EQ(m.Get(39), 134);
}

// The reference model names the duplex types by the portrait pictures only
// (IDB_E_DUP_L_P and so on). In landscape the setting's values map to the
// landscape pictures, yet every value the model lists stays what it is,
// and a refused value becomes the model's default as a value (3), never the
// default's option id cut to the setting's byte (6327 -> 183).
TEST(PrivateValidation, LandscapeDuplexTypesOfAModelNamingPortraitPictures) {
  ctx_test::ModelContext r(ctx_test::ReadFile(ctx_test::DataPath("../models/reference.mdf")));
  ASSERT_NE(r.ctx, nullptr);
  merge_test::BuildDefaults(r.ctx);
  const auto get = [&](uint32_t id) { return OptGetValueById(r.ctx, id); };
  OptSetValueById(r.ctx, setting::dmOrientation, 2);
  OptSetValueById(r.ctx, setting::vdmFuncSelectDuplex, 1);
  for (int32_t type : {1, 2, 3, 17, 18, 19, 20, 21, 22}) {
    OptSetValueById(r.ctx, setting::vdmDuplexType, type);
    DmValidatePrivate(r.ctx->devmode, r.ctx, 2);
    EXPECT_EQ(get(setting::vdmDuplexType), type) << "landscape, type " << type;
  }
  OptSetValueById(r.ctx, setting::vdmDuplexType, 77);
  DmValidatePrivate(r.ctx->devmode, r.ctx, 2);
  EXPECT_EQ(get(setting::vdmDuplexType), 3);
  OptSetValueById(r.ctx, setting::vdmDuplexType, 1);
  OptSetDefault(r.ctx, OptFindSetting(r.ctx, setting::vdmDuplexType));
  EXPECT_EQ(get(setting::vdmDuplexType), 3);
  // In portrait the same values hold too.
  OptSetValueById(r.ctx, setting::dmOrientation, 1);
  OptSetValueById(r.ctx, setting::vdmDuplexType, 2);
  DmValidatePrivate(r.ctx->devmode, r.ctx, 2);
  EXPECT_EQ(get(setting::vdmDuplexType), 2);
}

}  // namespace
