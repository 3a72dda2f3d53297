#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "plat/kernel.h"
#include "test_context.h"
#include "velm/devmode.h"
#include "velm/names.h"
#include "velm/rule_eval.h"
#include "velm/settings.h"

namespace {

TEST(OptFindSetting, DirectIndexBinarySearchAndMisses) {
  BareContext b;
  struct Case {
    uint32_t id;
    bool found;
  } cases[] = {{0, false},     {1, true},     {7, true},     {962, true},  {963, false},
               {1239, false},  {1240, false}, {10001, true}, {10139, true}, {10277, true},
               {10278, false}, {70000, false}};
  for (const Case& c : cases) {
    SettingRecord* r = OptFindSetting(b.ctx, c.id);
    EXPECT_EQ(r != nullptr, c.found) << c.id;
    if (r) {
      EXPECT_EQ(r->id, c.id);
    }
  }
  EXPECT_EQ(OptFindSetting(nullptr, 7), nullptr);
}

TEST(OptFindSettingByKey, RowKeyThenFeatureNameFallback) {
  BareContext b;
  // dmOrientation carries the key of VPD_RADIOLIST_1; VPD_RADIOLIST_2 names
  // the same setting and is reached through the feature-name table.
  const UiSymbolRow* first = MdfFindFeatureByName("VPD_RADIOLIST_1");
  const UiSymbolRow* second = MdfFindFeatureByName("VPD_RADIOLIST_2");
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(b.Row(7)->symbolKey, first->key);
  EXPECT_EQ(OptFindSettingByKey(b.ctx, first->key), b.Row(7));
  EXPECT_EQ(OptFindSettingByKey(b.ctx, second->key), b.Row(7));
  SettingRecord* own = OptFindSetting(b.ctx, 714);
  ASSERT_NE(own->symbolKey, 0);
  EXPECT_EQ(OptFindSettingByKey(b.ctx, own->symbolKey), own);
  EXPECT_EQ(OptFindSettingByKey(b.ctx, 0), nullptr);
  EXPECT_EQ(OptFindSettingByKey(b.ctx, 30000), nullptr);
  // A dialog symbol names no setting.
  EXPECT_EQ(OptFindSettingByKey(b.ctx, MdfFindFeatureByName("VPD_IDD_BASIC")->key), nullptr);
}

TEST(SettingValues, TypeTable) {
  BareContext b;
  struct Case {
    uint32_t id;
    int32_t written;
    int32_t read;
  } cases[] = {
      {41, 0xFF, -1},                 // signed 8-bit vdmPresetNo
      {39, 0xFF, 255},                // unsigned 8-bit vdmMachineID
      {7, 0x18000, -32768},           // signed 16-bit keeps the low 16 bits
      {92, 0x1FFFF, 0xFFFF},          // unsigned 16-bit vdmScaleH
      {6, -2, -2},                    // unsigned 32-bit read back as the same bits
      {44, 123456789, 123456789},     // unsigned 32-bit
      {61, 5, 1},                     // bit item: any non-zero sets it
      {61, 0, 0},
  };
  for (const Case& c : cases) {
    ASSERT_NE(OptSetValueById(b.ctx, c.id, c.written), 0) << c.id;
    EXPECT_EQ(OptGetValueById(b.ctx, c.id), c.read) << c.id;
  }
}

TEST(SettingValues, BitItemsShareAWordWithoutDisturbingEachOther) {
  BareContext b;
  // Items 224-239 are bits 0-15 of one 16-bit word.
  SettingRecord* first = b.Row(224);
  uint8_t* word = OptGetValueAddr(b.ctx, first);
  ASSERT_NE(word, nullptr);
  for (uint32_t id = 224; id <= 239; ++id) EXPECT_EQ(OptGetValueAddr(b.ctx, b.Row(id)), word) << id;
  OptSetValueById(b.ctx, 224, 1);
  OptSetValueById(b.ctx, 231, 7);
  OptSetValueById(b.ctx, 239, 1);
  uint16_t bits;
  std::memcpy(&bits, word, 2);
  EXPECT_EQ(bits, 0x8081);
  OptSetValueById(b.ctx, 231, 0);
  std::memcpy(&bits, word, 2);
  EXPECT_EQ(bits, 0x8001);
  EXPECT_EQ(OptGetValueById(b.ctx, 239), 1);
  EXPECT_EQ(OptGetValueById(b.ctx, 230), 0);
  // 114 (a byte) and 115 (bit 6 of that same byte).
  EXPECT_EQ(OptGetValueAddr(b.ctx, b.Row(114)), OptGetValueAddr(b.ctx, b.Row(115)));
  OptSetValueById(b.ctx, 114, 0x21);
  OptSetValueById(b.ctx, 115, 1);
  EXPECT_EQ(OptGetValueById(b.ctx, 114), 0x61);
}

TEST(SettingValues, StringsAndBlocksTakeBytes) {
  BareContext b;
  SettingRecord* code = b.Row(216);  // vdmUserCode, ANSI 9 bytes
  const char data[9] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
  EXPECT_EQ(OptSetValue(b.ctx, code, 5), 0);  // not a number
  ASSERT_EQ(OptSetBytes(b.ctx, code, data), 1);
  EXPECT_EQ(std::memcmp(OptGetValueAddr(b.ctx, code), data, 9), 0);
  ASSERT_EQ(OptSetBytes(b.ctx, code, nullptr), 1);
  for (int i = 0; i < 9; ++i) EXPECT_EQ(OptGetValueAddr(b.ctx, code)[i], 0);
  EXPECT_EQ(OptSetBytes(b.ctx, b.Row(7), data), 0);  // a number takes no bytes
}

TEST(SettingValues, CraftedHeaderCannotMoveAccessesOutOfTheBuffer) {
  BareContext b;
  // A DEVMODE from outside can carry any region offsets in its header.
  b.ctx->devmode[dm::kRegion3Offset] = 0xFF;
  b.ctx->devmode[dm::kRegion3Offset + 1] = 0xFF;
  b.ctx->devmode[dm::kRegion2Offset] = 0xFF;
  b.ctx->devmode[dm::kRegion2Offset + 1] = 0x7F;
  SettingRecord* work = b.Row(866);  // wdmPresetComment, 513 bytes in the work block
  uint8_t* p = OptGetValueAddr(b.ctx, work);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p, b.ctx->devmode + 1768 + work->offset);
  EXPECT_LE(p + 513, b.ctx->devmode + dm::kWorkBufferSize);
  EXPECT_EQ(OptSetText(b.ctx, work, u"comment"), p);
  EXPECT_EQ(OptGetValueAddr(b.ctx, b.Row(10001)), b.ctx->devmode + 1260 + b.Row(10001)->offset);
}

TEST(SettingValues, RowsWhosePlaceLeavesTheRegionHaveNoStorage) {
  BareContext b;
  SettingRecord bad = *b.Row(866);
  bad.offset = 2040 - 100;  // 513 bytes no longer fit in the work block
  EXPECT_EQ(OptGetValueAddr(b.ctx, &bad), nullptr);
  EXPECT_EQ(OptSetText(b.ctx, &bad, u"x"), nullptr);
  SettingRecord none = *b.Row(7);
  none.descriptor = MakeDescriptor(kRegionNone, kTypeS16, 2);
  EXPECT_EQ(OptSetValue(b.ctx, &none, 1), 0);
  EXPECT_EQ(OptGetValue(b.ctx, &none), 0);
}

TEST(SettingWrites, Bookkeeping) {
  BareContext b;
  SettingRecord* scale_h = b.Row(92);
  SettingRecord* scale_v = b.Row(93);
  b.ctx->work->modified = 0;
  OptSetValueById(b.ctx, 90, 2);  // a scale type other than 1
  scale_v->dirty = 0;
  OptSetValueById(b.ctx, 92, 150);
  EXPECT_EQ(scale_h->dirty, 1);
  EXPECT_EQ(b.ctx->work->modified, 1);
  EXPECT_EQ(OptGetValueById(b.ctx, 93), 0);
  EXPECT_EQ(scale_v->dirty, 0);
  OptSetValueById(b.ctx, 90, 1);  // scale type 1: the vertical scale follows
  OptSetValueById(b.ctx, 92, 175);
  EXPECT_EQ(OptGetValueById(b.ctx, 93), 175);
  EXPECT_EQ(scale_v->dirty, 1);
  // Change groups of a row go into the change mask.
  scale_h->flags = 0x30000;
  CtxMarkChanged(b.ctx, 0);
  OptSetValueById(b.ctx, 92, 100);
  EXPECT_EQ(CtxGetChangeMask(b.ctx) & 0x1F0000u, 0x30000u);
}

TEST(SettingWrites, SavedBufferWritesKeepNoBookkeeping) {
  BareContext b;
  SettingRecord* row = b.Row(92);
  row->dirty = 0;
  b.ctx->work->modified = 0;
  OptSetValueById(b.ctx, 90, 1);
  b.ctx->work->modified = 0;
  EXPECT_EQ(OptSetSavedValueById(b.ctx, 92, 321), 1);
  EXPECT_EQ(OptGetSavedValueById(b.ctx, 92), 321);
  EXPECT_EQ(OptGetValueById(b.ctx, 92), 0);
  EXPECT_EQ(OptGetSavedValueById(b.ctx, 93), 0);  // no follow-up write
  EXPECT_EQ(row->dirty, 0);
  EXPECT_EQ(b.ctx->work->modified, 0);
}

TEST(SettingWrites, TheTemplateIsReadOnly) {
  DriverContext* t = CtxGetTemplate();
  EXPECT_EQ(OptSetValueById(t, 7, 2), 0);
  EXPECT_EQ(OptGetValueById(t, 7), 0);
  EXPECT_EQ(OptSetText(t, OptFindSetting(t, 216), u"x"), nullptr);
  EXPECT_EQ(OptSetText(t, OptFindSetting(t, 39), u"x"), nullptr);
  // Neither the change mask nor the work record of the template moves: every
  // context starts from them.
  const uint32_t mask = CtxGetChangeMask(t);
  CtxMarkChanged(t, 0x10000u | 1562u);
  EXPECT_EQ(CtxGetChangeMask(t), mask);
  CtxMarkChanged(t, 0);
  EXPECT_EQ(CtxGetChangeMask(t), mask);
  CtxClearChanged(t, 0xFFFFFFFFu);
  EXPECT_EQ(CtxGetChangeMask(t), mask);
  const uint32_t merge_mode = t->work->mergeMode;
  std::vector<uint8_t> before(t->devmode, t->devmode + dm::kWorkBufferSize);
  std::vector<uint8_t> input(dm::kTotalSize, 0);
  EXPECT_EQ(DmMergeInput(t, input.data(), input.size(), DM_IN_BUFFER | DM_IN_PROMPT), 0);
  EXPECT_EQ(t->work->mergeMode, merge_mode);
  // Writers that keep scratch state in the work record leave it alone too.
  std::vector<char16_t> scratch(std::begin(t->work->scratch), std::end(t->work->scratch));
  EXPECT_EQ(OptSetOptionOrString(t, 216, 370), 0);
  EXPECT_EQ(std::vector<char16_t>(std::begin(t->work->scratch), std::end(t->work->scratch)), scratch);
  EXPECT_EQ(RuleAllocEvalStack(t), -1);
  EXPECT_EQ(t->work->evalStack, nullptr);
  EXPECT_EQ(std::vector<uint8_t>(t->devmode, t->devmode + dm::kWorkBufferSize), before);
}

TEST(Options, MappingThroughTheApplicableList) {
  BareContext b;
  SettingRecord* duplex = b.Row(102);
  SettingRecord* paper = b.Row(8);
  struct Case {
    const char* name;
    SettingRecord* row;
    int32_t orientation;
    int32_t value;
    int32_t option;
  } cases[] = {
      {"duplex portrait", duplex, 1, 1, 6329},
      {"duplex landscape", duplex, 2, 1, 6343},
      {"duplex value only in both lists", duplex, 2, 17, 6345},
      {"paper A4", paper, 1, 9, 41},
      {"paper value without an option", paper, 1, 2, 2},
      {"paper unknown value", paper, 1, 4000, 4000},
  };
  for (const Case& c : cases) {
    OptSetValueById(b.ctx, 7, c.orientation);
    EXPECT_EQ(OptValueToOption(b.ctx, c.row, c.value), c.option) << c.name;
  }
  // An option of the list that does not apply stands for its value too
  // (the model names the duplex types by their portrait pictures).
  OptSetValueById(b.ctx, 7, 2);
  EXPECT_EQ(OptOptionToValue(b.ctx, duplex, 6327), 3);
  EXPECT_EQ(OptOptionToValue(b.ctx, duplex, 6341), 3);
  EXPECT_EQ(OptOptionToValue(b.ctx, duplex, 999), 999);
  OptSetValueById(b.ctx, 7, 1);
  EXPECT_EQ(OptOptionToValue(b.ctx, duplex, 6341), 3);
  EXPECT_EQ(OptOptionToValue(b.ctx, paper, 41), 9);
  EXPECT_EQ(OptOtherList(b.ctx, paper), nullptr);
  // Both lists of a pair give every option id one value.
  for (uint32_t id : {95u, 102u, 134u, 136u}) {
    const SettingRecord* row = b.Row(id);
    const OptionListEntry* second = row->optionList;
    while (second->optionId) ++second;
    ++second;
    for (const OptionListEntry* a = row->optionList; a->optionId; ++a)
      for (const OptionListEntry* c = second; c->optionId; ++c)
        if (a->optionId == c->optionId && a->optionId != kNoOptionId) {
          EXPECT_EQ(a->value, c->value) << id << " option " << a->optionId;
        }
  }
  EXPECT_EQ(OptOptionToValue(b.ctx, paper, 999), 999);  // unknown option: the id itself
  EXPECT_EQ(OptListHasValue(b.ctx, paper, 9), 1);
  EXPECT_EQ(OptListHasValue(b.ctx, paper, 2), 0);  // listed, but without an option
  EXPECT_EQ(OptListHasValue(b.ctx, b.Row(92), 100), 0);  // no list
  EXPECT_EQ(OptValueToOption(b.ctx, b.Row(92), 77), 77);
}

TEST(Options, SetAndGetByIdAndKey) {
  BareContext b;
  ASSERT_EQ(OptSetOptionById(b.ctx, 8, 41), 1);
  EXPECT_EQ(OptGetValueById(b.ctx, 8), 9);
  EXPECT_EQ(OptGetOptionById(b.ctx, 8), 41);
  SettingRecord* row = nullptr;
  EXPECT_EQ(OptGetOptionByKey(b.ctx, 347, &row), OptValueToOption(b.ctx, b.Row(7), 0));
  EXPECT_EQ(row, b.Row(7));
  OptSetOptionById(b.ctx, 7, 2027);
  EXPECT_EQ(OptGetOptionByKey(b.ctx, 347), 2027);
  EXPECT_EQ(OptGetValueById(b.ctx, 7), 2);
  // The user-quality type keeps option ids 6137-6144 as they are.
  OptSetOptionById(b.ctx, 868, 6140);
  EXPECT_EQ(OptGetOptionById(b.ctx, 868), 6140);
}

TEST(SettingText, RoundTripsAndLimits) {
  BareContext b;
  char16_t buf[600];
  SettingRecord* code = b.Row(216);  // ANSI, 9 bytes
  ASSERT_NE(OptSetText(b.ctx, code, u"12345678"), nullptr);
  ASSERT_NE(OptGetText(b.ctx, code, buf), nullptr);
  EXPECT_EQ(std::u16string(buf), u"12345678");
  // Too long: cut and terminated inside the 9 bytes.
  OptSetText(b.ctx, code, u"123456789012");
  EXPECT_EQ(OptGetValueAddr(b.ctx, code)[8], 0);
  OptGetText(b.ctx, code, buf);
  EXPECT_EQ(std::u16string(buf), u"12345678");
  // Double-byte text at the limit: no lead byte is left without its trail.
  OptSetText(b.ctx, code, u"\u65E5\u672C\u8A9E\u3067\u3059");  // 10 bytes of text
  const uint8_t* p = OptGetValueAddr(b.ctx, code);
  EXPECT_EQ(p[8], 0);
  EXPECT_EQ(std::strlen(reinterpret_cast<const char*>(p)), 8u);
  OptGetText(b.ctx, code, buf);
  EXPECT_EQ(std::u16string(buf), u"\u65E5\u672C\u8A9E\u3067");
  SettingRecord* num = b.Row(39);  // a number
  EXPECT_NE(OptGetText(b.ctx, num, buf), nullptr);
  EXPECT_EQ(std::u16string(buf), u"wrong");
  // A number takes no text: it is cleared to 0, with the bookkeeping of a
  // write, and the answer is its storage.
  ASSERT_EQ(OptSetValue(b.ctx, num, 7), 1);
  num->dirty = 0;
  b.ctx->work->modified = 0;
  EXPECT_EQ(OptSetText(b.ctx, num, u"1"), OptGetValueAddr(b.ctx, num));
  EXPECT_EQ(OptGetValue(b.ctx, num), 0);
  EXPECT_EQ(num->dirty, 1);
  EXPECT_EQ(b.ctx->work->modified, 1);
  EXPECT_EQ(OptGetText(b.ctx, nullptr, buf), nullptr);
  EXPECT_EQ(OptGetText(b.ctx, code, nullptr), nullptr);
}

TEST(SettingText, WideStringsAreCutWithTheirTerminator) {
  BareContext b;
  SettingRecord* name = b.Row(20);  // dmFormName, 64 bytes wide
  std::u16string longer(40, u'x');
  ASSERT_NE(OptSetText(b.ctx, name, longer.c_str()), nullptr);
  char16_t buf[80];
  OptGetText(b.ctx, name, buf);
  EXPECT_EQ(std::u16string(buf), std::u16string(31, u'x'));
}

TEST(SettingText, UnterminatedAnsiFromOutsideIsReadWithinItsSize) {
  BareContext b;
  SettingRecord* code = b.Row(216);
  std::memset(OptGetValueAddr(b.ctx, code), 'A', 9);  // no terminator
  char16_t buf[16];
  OptGetText(b.ctx, code, buf);
  EXPECT_EQ(std::u16string(buf), u"AAAAAAAA");
}

TEST(ChangeMask, ControlIdsGroupsAndSavedMasks) {
  BareContext b;
  CtxMarkChanged(b.ctx, 1562);
  CtxMarkChanged(b.ctx, 1571);
  EXPECT_EQ(CtxGetChangeMask(b.ctx), 1571u);
  CtxMarkChanged(b.ctx, 0x20000);
  EXPECT_EQ(CtxGetChangeMask(b.ctx), 0x20000u | 1571u);
  CtxMarkChanged(b.ctx, 0);
  EXPECT_EQ(CtxGetChangeMask(b.ctx), 0u);
  for (uint32_t& m : b.ctx->work->savedChangeMasks) m = 0x30000003u;
  CtxMarkChanged(b.ctx, 0x30000003u);
  CtxClearChanged(b.ctx, 0x1);
  EXPECT_EQ(CtxGetChangeMask(b.ctx), 0x30000002u);
  EXPECT_EQ(b.ctx->work->savedChangeMasks[0], 0x30000003u);  // small bits: only the live mask
  CtxClearChanged(b.ctx, 0x10000000u);
  EXPECT_EQ(CtxGetChangeMask(b.ctx), 0x20000002u);
  for (uint32_t m : b.ctx->work->savedChangeMasks) EXPECT_EQ(m, 0x20000003u);
}

TEST(Conversions, StrAnsiToWideKeepsItsLimit) {
  char16_t buf[16];
  std::fill(std::begin(buf), std::end(buf), u'#');
  StrAnsiToWide(buf, "abcdefghij", 4);
  EXPECT_EQ(std::u16string(buf), u"abc");
  EXPECT_EQ(buf[4], u'#');
  StrAnsiToWide(buf, "\x93\xFA", 0);  // n 0: the whole string
  EXPECT_EQ(std::u16string(buf), u"\u65E5");
}

TEST(Conversions, StrWideToAnsiAlwaysTerminatesAndNeverSplits) {
  struct Case {
    const char16_t* text;
    int32_t n;
    std::string expected;
  } cases[] = {
      {u"abc", 4, "abc"},
      {u"abcd", 4, "abc"},                              // cut, terminated
      {u"\u65E5\u672C", 4, "\x93\xFA"},                 // the second kanji would need bytes 2-3
      {u"\u65E5\u672C", 5, "\x93\xFA\x96\x7B"},
      {u"a\u65E5", 3, "a"},                             // a lead byte alone is never stored
      {u"xyz", 0, "xyz"},
  };
  for (const Case& c : cases) {
    char buf[16];
    std::memset(buf, '#', sizeof buf);
    StrWideToAnsi(buf, c.text, c.n);
    EXPECT_EQ(std::string(buf), c.expected) << c.n;
    size_t limit = c.n < 1 ? std::char_traits<char16_t>::length(c.text) + 1 : size_t(c.n);
    EXPECT_EQ(buf[limit], '#');  // nothing written past the limit
  }
}

TEST(Allocation, MemAllocZeroedAndMemFree) {
  long before = plat::LiveGlobalBlocks();
  void* p = MemAllocZeroed(64);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(plat::LiveGlobalBlocks(), before + 1);
  MemFree(p);
  MemFree(nullptr);
  EXPECT_EQ(plat::LiveGlobalBlocks(), before);
}

TEST(DisplayText, FixedWatermarkTextsAndNumbersStayInTheBuffer) {
  BareContext b;
  SettingRecord* kind = b.Row(109);
  ASSERT_NE(kind->symbolKey, 0);
  char16_t buf[32];
  OptSetValueById(b.ctx, 109, 2);
  OptFormatDisplayText(b.ctx, kind->symbolKey, buf, 32);
  EXPECT_EQ(std::u16string(buf), u"ｲﾒｰｼﾞｽﾀﾝﾌﾟ");
  char16_t tiny[4];
  OptFormatDisplayText(b.ctx, kind->symbolKey, tiny, 4);
  EXPECT_EQ(std::u16string(tiny), u"ｲﾒｰ");
  SettingRecord* scale = b.Row(92);
  OptSetValueById(b.ctx, 92, 12345);
  if (scale->symbolKey) {
    OptFormatDisplayText(b.ctx, scale->symbolKey, tiny, 4);
    EXPECT_EQ(std::u16string(tiny), u"123");
  }
}

}  // namespace
