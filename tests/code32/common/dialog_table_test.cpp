// The built-in dialog table: dialog records, item rows and static extra-data
// blocks.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <utility>

#include "velm/dialog_blocks.h"
#include "velm/dialogs.h"
#include "velm/names.h"

namespace {

const UiSymbolRow* SymbolByKey(uint16_t key) {
  const UiSymbolTable& t = MdfGetSymbolTable();
  for (int i = 0; i < t.count; ++i)
    if (t.rows[i].key == key) return &t.rows[i];
  return nullptr;
}
uint16_t KeyOf(const char* name) {
  const UiSymbolTable& t = MdfGetSymbolTable();
  for (int i = 0; i < t.count; ++i)
    if (std::strcmp(t.rows[i].name, name) == 0) return t.rows[i].key;
  return 0;
}

const DialogRecord* Dialog(uint16_t id) {
  const DialogTable& t = DlgGetBuiltinTable();
  for (int i = 0; i < t.count; ++i)
    if (t.rows[i].dialogId == id) return &t.rows[i];
  return nullptr;
}
const DialogItemRecord* Item(uint16_t dialog, uint16_t control) {
  const DialogRecord* d = Dialog(dialog);
  if (!d) return nullptr;
  for (uint32_t i = 0; i < d->itemCount; ++i)
    if (d->items[i].controlId == control) return &d->items[i];
  return nullptr;
}
int16_t Tag(const DialogItemRecord* item) {
  if (!item || !item->extraData) return 0;
  int16_t tag;
  std::memcpy(&tag, item->extraData, sizeof tag);
  return tag;
}

struct DialogRow {
  uint16_t id;
  const char* name;
  uint32_t flags;
  uint32_t help;
  uint32_t items;
};
const DialogRow kDialogs[] = {
    {1001, "VPD_IDD_PRESET", 0x1, 20101, 39},
    {1002, "VPD_IDD_BASIC", 0x11, 22001, 50},
    {1003, "VPD_IDD_EDIT", 0x11, 22301, 41},
    {1004, "VPD_IDD_FINISH", 0x11, 22701, 19},
    {1005, "VPD_IDD_OTHERS", 0x11, 22801, 16},
    {1006, "VPD_IDD_PRINTQUALITY", 0x1, 21401, 24},
    {1010, "VPD_IDD_DIALOG_INIT", 0x5, 20301, 39},
    {1011, "VPD_IDD_DIALOG_OPTION", 0x6, 21001, 24},
    {1009, "VPD_IDD_TTF", 0x2, 23201, 7},
    {1008, "VPD_IDD_USER_CODE", 0x2, 23301, 5},
    {1015, "VPD_IDD_DIALOG_PRINTPOST", 0x6, 20801, 23},
    {1007, "VPD_IDD_MAINTENANCE", 0x4, 20201, 13},
    {1012, "VPD_IDD_DIALOG_ROTATION", 0x4, 20401, 8},
    {1014, "VPD_IDD_DIALOG_SORT", 0x4, 20601, 11},
    {1013, "VPD_IDD_DIALOG_UNIT", 0x4, 20501, 6},
    {1016, "VPD_IDD_DIALOG_ACTION", 0x4, 20701, 10},
    {1017, "VPD_IDD_DIALOG_FREESIZE", 0x4, 20901, 28},
    {1018, "VPD_IDD_DIALOG_SCALE", 0x4, 21101, 13},
    {1019, "VPD_IDD_DIALOG_PRINTTYPE", 0x4, 21201, 19},
    {1020, "VPD_IDD_DIALOG_STATUS", 0x4, 0, 3},
    {1021, "VPD_IDD_DIALOG_USER_PQC", 0x20, 21601, 37},
    {4004, "VPD_IDD_DIALOG_USER_TTF", 0x20, 21701, 10},
    {1029, "VPD_IDD_DIALOG_USER_OTHERS", 0x20, 21801, 12},
    {1022, "VPD_IDD_DIALOG_STAMP_CHAR", 0x4, 22401, 31},
    {1023, "VPD_IDD_DIALOG_STAMP_IMAGE", 0x4, 22501, 18},
    {1024, "VPD_IDD_DIALOG_MARGIN", 0x4, 22601, 28},
    {1030, "VPD_IDD_DIALOG_COVER", 0x4, 22101, 33},
    {1031, "VPD_IDD_DIALOG_MARK", 0x4, 22201, 31},
    {1034, "VPD_IDD_DIALOG_REMOTE", 0x4, 23001, 10},
    {1035, "VPD_IDD_DIALOG_ADDRESS", 0x4, 23101, 13},
    {1036, "VPD_IDD_DIALOG_ICM", 0x4, 0, 8},
    {1037, "VPD_IDD_DIALOG_OVERLAY", 0x4, 23501, 12},
    {1065, "VPD_IDD_DIALOG_HIDDEN_FUNC", 0x4, 0, 3},
    {1032, "VPD_IDD_DIALOG_SAVE_PRESET", 0x4, 21301, 7},
    {1033, "VPD_IDD_DIALOG_SAVE_USER", 0x4, 21901, 8},
    {1025, "VPD_IDD_DIALOG_VERSION", 0x4, 0, 12},
    {1026, "VPD_IDD_DIALOG_USERCODE_CHANGE", 0x4, 0, 3},
    {1027, "VPD_IDD_DIALOG_USERCODE_INPUT", 0x4, 0, 6},
    {1028, "VPD_IDD_DIALOG_USERCODE_CONFIRMATION", 0x4, 0, 5},
    {4005, "VPD_IDD_DIALOG_PASSWORD_INPUT", 0x4, 0, 5},
    {4006, "VPD_IDD_DLG_STATUS", 0x4, 0, 1},
    {4001, "VPD_FILEOPEN", 0x100, 0, 12},
    {4002, "VPD_QSTOPENSAVE", 0x200, 0, 15},
    {4003, "VPD_FILEREFER", 0x400, 0, 12},
    {4007, "VPD_VPOSAVE", 0x800, 0, 13},
    {4008, "VPD_VPOREFER", 0x1000, 0, 12},
    {4015, "VPD_IDD_DIALOG_CREATE_MIDFILES", 0x8000, 0, 10},
};

TEST(DialogTable, RecordsInStoredOrder) {
  const DialogTable& t = DlgGetBuiltinTable();
  ASSERT_EQ(t.count, kDialogCount);
  ASSERT_EQ(t.count, 47);
  uint32_t total = 0;
  for (int i = 0; i < t.count; ++i) {
    const DialogRecord& d = t.rows[i];
    const DialogRow& w = kDialogs[i];
    EXPECT_EQ(d.dialogId, w.id) << i;
    EXPECT_STREQ(d.name, w.name);
    EXPECT_EQ(d.flags, w.flags) << w.name;
    EXPECT_EQ(d.helpId, w.help) << w.name;
    EXPECT_EQ(d.itemCount, w.items) << w.name;
    EXPECT_NE(d.items, nullptr);
    EXPECT_EQ(d.symbol, KeyOf(w.name)) << w.name;
    EXPECT_NE(d.symbol, 0) << w.name;
    EXPECT_EQ(d.window, nullptr);
    for (uint32_t w5 : d.runtime) EXPECT_EQ(w5, 0u);
    total += d.itemCount;
  }
  EXPECT_EQ(total, 765u);
  EXPECT_EQ(t.rows[0].dialogId, 1001);
  EXPECT_EQ(t.rows[t.count - 1].dialogId, 4015);
}

TEST(DialogTable, ItemsStartCleanAndNameKnownSymbols) {
  const DialogTable& t = DlgGetBuiltinTable();
  for (int i = 0; i < t.count; ++i) {
    const DialogRecord& d = t.rows[i];
    for (uint32_t k = 0; k < d.itemCount; ++k) {
      const DialogItemRecord& it = d.items[k];
      EXPECT_NE(SymbolByKey(it.symbol), nullptr) << d.dialogId << "/" << it.controlId;
      EXPECT_EQ(it.controlIdCopy, 0);
      EXPECT_EQ(it.hidden, 0u);
      EXPECT_EQ(it.disabled, 0u);
      EXPECT_EQ(it.window, nullptr);
      EXPECT_EQ(it.feature, nullptr);
      EXPECT_EQ(it.setting, nullptr);
      EXPECT_EQ(it.previousWndProc, nullptr);
      EXPECT_TRUE(it.flags == 0 || it.flags == kItemLengthUnit) << it.controlId;
      EXPECT_TRUE(it.paperFlag == 0 || it.paperFlag == 1) << it.controlId;
    }
  }
}

TEST(DialogTable, SampleItems) {
  struct Sample {
    uint16_t dialog, control;
    const char* symbol;
    uint16_t kind, setting, tip, msg, link;
    int16_t paper;
  };
  const Sample samples[] = {
      {1001, 2001, "VPD_IDC_PRESET_ICONLIST", 50, 41, 0, 0, 2039, 1},
      {1001, 2025, "VPD_IDC_PRESET_BMP_ORIENTATION", 2, 0, 0, 0, 347, 0},
      {1002, 2017, "VPD_IDC_PRESET_CHOICE_PAPERSIZE2", 48, 8, 0, 0, 2017, 1},
      {1002, 2046, "VPD_IDC_BASIC_STATIC_PAPERSIZE", 1, 0, 2504, 265, 0, 0},
      {1002, 2067, "VPD_IDC_BASIC_BMP_PRINTER", 2, 948, 0, 0, 0, 0},
      {1003, 2086, "VPD_IDC_EDIT_CHOICE_DUPLEX", 22, 61, 264, 2001, 0, 1},
      {1006, 2565, "VPD_RADIOLIST_3", 41, 186, 0, 0, 0, 0},
      {1010, 2517, "VPD_IDC_INIT_GROUP_SHOWTYPE", 4, 0, 2506, 2007, 0, 0},
      {1011, 2166, "VPD_IDC_OPTION_CHOICE_SOURCE", 105, 951, 0, 0, 0, 0},
      {1011, 2551, "VPD_IDC_OPTION_CHOICE_TRAYLOCK", 22, 961, 0, 0, 0, 0},
      {1017, 2221, "VPD_IDC_FREESIZE_SPIN_LENGTH_MM", 23, 861, 0, 0, 2220, 0},
      {1030, 2436, "VPD_RADIOLIST_9", 41, 141, 0, 2006, 0, 0},
      {1065, 2817, "VPD_IDC_HIDDEN_FUNC", 47, 962, 0, 0, 0, 0},
      {4006, 5005, "VPD_IDC_STATUS_MESSAGE", 1, 0, 0, 0, 0, 0},
      {4015, 1152, "VPD_ITEM_1152", 61, 0, 0, 0, 1152, 0},
  };
  for (const Sample& s : samples) {
    const DialogItemRecord* it = Item(s.dialog, s.control);
    ASSERT_NE(it, nullptr) << s.dialog << "/" << s.control;
    const UiSymbolRow* sym = SymbolByKey(it->symbol);
    ASSERT_NE(sym, nullptr);
    EXPECT_STREQ(sym->name, s.symbol);
    EXPECT_EQ(sym->settingId, s.setting) << s.symbol;
    EXPECT_EQ(it->kind, s.kind) << s.symbol;
    EXPECT_EQ(it->tipId, s.tip) << s.symbol;
    EXPECT_EQ(it->messageId, s.msg) << s.symbol;
    EXPECT_EQ(it->linkedControl, s.link) << s.symbol;
    EXPECT_EQ(it->paperFlag, s.paper) << s.symbol;
  }
  // The two radio buttons of one radio list share a symbol.
  EXPECT_EQ(Item(1001, 2026)->symbol, 347);
  EXPECT_EQ(Item(1001, 2027)->symbol, 347);
  EXPECT_EQ(Item(1002, 2026)->symbol, 395);
  // Stored order: the first and last items of the presets page.
  EXPECT_EQ(Dialog(1001)->items[0].controlId, 2001);
  EXPECT_EQ(Dialog(1001)->items[38].controlId, 2018);
}

TEST(DialogTable, LengthItemsCarryTheUnitFlag) {
  const std::set<std::pair<uint16_t, uint16_t>> unit = {
      {1003, 2470}, {1003, 2602}, {1003, 2468}, {1003, 2469}, {1017, 2220}, {1017, 2221},
      {1017, 2224}, {1017, 2225}, {1017, 2392}, {1017, 2393}, {1017, 2394}, {1017, 2395},
      {1024, 2396}, {1024, 2397}, {1024, 2605}, {1024, 2606}, {1024, 2352}, {1024, 2353},
      {1024, 2355}, {1024, 2356},
  };
  const DialogTable& t = DlgGetBuiltinTable();
  size_t seen = 0;
  for (int i = 0; i < t.count; ++i) {
    for (uint32_t k = 0; k < t.rows[i].itemCount; ++k) {
      const DialogItemRecord& it = t.rows[i].items[k];
      bool want = unit.count({t.rows[i].dialogId, it.controlId}) != 0;
      EXPECT_EQ(it.flags == kItemLengthUnit, want) << t.rows[i].dialogId << "/" << it.controlId;
      seen += want;
    }
  }
  EXPECT_EQ(seen, unit.size());
}

TEST(DialogTable, HelpIds) {
  // Items take the dialog's help id less 10000 plus their 1-based place;
  // OK, Cancel and Help buttons 101-103, Default buttons 104.
  EXPECT_EQ(Dialog(1001)->items[0].helpId, 20101 - 10000 + 1);
  EXPECT_EQ(Dialog(1001)->items[38].helpId, 20101 - 10000 + 39);
  EXPECT_EQ(Item(1001, 2034)->helpId, 104);  // VPD_IDC_PRESET_BUTTON_DEFAULT
  EXPECT_EQ(Item(1010, 1)->helpId, 101);
  EXPECT_EQ(Item(1010, 2)->helpId, 102);
  EXPECT_EQ(Item(1010, 9)->helpId, 103);
  EXPECT_EQ(Item(1010, 2161)->helpId, 104);
  EXPECT_EQ(Item(1010, 2152)->helpId, 20301 - 10000 + 3);
  // A dialog without a help topic has none on its items.
  for (uint16_t id : {1020, 1036, 1065, 1025, 4001, 4015}) {
    const DialogRecord* d = Dialog(id);
    for (uint32_t k = 0; k < d->itemCount; ++k) EXPECT_EQ(d->items[k].helpId, 0) << id;
  }
}

TEST(DialogTable, RepeatBlocks) {
  for (auto [control, step] : {std::pair<uint16_t, int32_t>{2502, -1}, {2503, 1}}) {
    const DialogItemRecord* it = Item(1021, control);
    ASSERT_EQ(Tag(it), kCtlTagRepeat) << control;
    auto* b = static_cast<const CtlRepeatBlock*>(it->extraData);
    ASSERT_EQ(b->rowCount, 3);
    const uint16_t controls[] = {2273, 2275, 2277};
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(b->rows[i].controlId, controls[i]);
      EXPECT_EQ(b->rows[i].zero, 0);
      EXPECT_EQ(b->rows[i].reserved, 0);
      EXPECT_EQ(b->rows[i].step, step);
    }
  }
}

TEST(DialogTable, SliderBlocks) {
  struct Slider {
    uint16_t dialog, control;
    int16_t picture;
  };
  const Slider sliders[] = {{1021, 2264, 6162}, {1021, 2267, 6163}, {1021, 2270, 0},
                            {1021, 2273, 0},    {1021, 2275, 0},    {1021, 2277, 0},
                            {1022, 2323, 0},    {1022, 2326, 0},    {1022, 2329, 0},
                            {1023, 2345, 0}};
  for (const Slider& s : sliders) {
    const DialogItemRecord* it = Item(s.dialog, s.control);
    ASSERT_EQ(Tag(it), kCtlTagSlider) << s.control;
    EXPECT_EQ(it->kind, 84);
    auto* b = static_cast<const CtlSliderBlock*>(it->extraData);
    EXPECT_EQ(b->lineStep, 1);
    EXPECT_EQ(b->pageStep, 10);
    EXPECT_EQ(b->pictureId, s.picture) << s.control;
  }
}

TEST(DialogTable, SampleBlock) {
  const DialogItemRecord* it = Item(1021, 2249);
  ASSERT_EQ(Tag(it), kCtlTagSample);
  auto* b = static_cast<const CtlSampleBlock*>(it->extraData);
  EXPECT_EQ(b->reserved[0], 0);
  EXPECT_EQ(b->reserved[1], 0);
  const int16_t want[6] = {2264, 2267, 0, 0, 0, 0};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(b->entries[i], want[i]);
  // A tag-1 block is not a tag-4 block.
  EXPECT_NE(Tag(it), kCtlTagList);
}

TEST(DialogTable, ListBlocks) {
  // The five choices of the presets page refuse disabled options.
  for (uint16_t control : {2007, 2009, 2011, 2023, 2032}) {
    const DialogItemRecord* it = Item(1001, control);
    ASSERT_EQ(Tag(it), kCtlTagList) << control;
    auto* b = static_cast<const CtlListBlock*>(it->extraData);
    EXPECT_EQ(b->refuseFlag, 1);
    EXPECT_EQ(b->pictureId, 7005);
    EXPECT_EQ(b->rowCount, 0);
    EXPECT_EQ(b->ten, 10);
  }
  // Their twins on the basic page carry no block.
  EXPECT_EQ(Item(1002, 2007)->extraData, nullptr);
  EXPECT_EQ(Item(1002, 2017)->extraData, nullptr);

  struct Row {
    uint16_t label;
    const char* a;
    const char* b;
  };
  const Row maintenance[] = {
      {253, "VPD_IDC_BASIC_CHOICE_SCALE", "VPD_IDC_BASIC_CHOICE_SCALE_TYPE"},
      {254, "VPD_IDC_EDIT_CHOICE_NUP", "VPD_IDC_EDIT_STATIC_NUP"},
      {255, "VPD_IDC_EDIT_CHOICE_DUPLEX", "VPD_IDC_EDIT_STATIC_DUPLEX"},
      {256, "VPD_IDC_EDIT_CHOICE_STAMP", "VPD_IDC_EDIT_CHOICE_STAMP_TYPE"},
      {257, "VPD_IDC_FINISH_CHOICE_SORT", nullptr},
      {258, "VPD_IDC_FINISH_CHOICE_MARGIN", nullptr},
      {259, "VPD_IDC_FINISH_CHOICE_STAPLE", "VPD_IDC_FINISH_STATIC_STAPLE"},
      {260, "VPD_IDC_FINISH_CHOICE_PUNCH", "VPD_IDC_FINISH_STATIC_PUNCH"},
  };
  const Row status[] = {
      {240, nullptr, "VPD_IDC_USER_QUALITY_CHOICE_RESOLUTION"},
      {241, nullptr, "VPD_IDC_USER_QUALITY_CHOICE_IMAGE"},
      {242, nullptr, "VPD_RADIOLIST_8"},
      {388, nullptr, "VPD_IDC_USER_QUALITY_CHOICE_DITHERING"},
      {13041, "VPD_IDC_USER_OTHERS_CHOICE_TTF", nullptr},
  };
  struct Summary {
    uint16_t dialog, control;
    const Row* rows;
    int count;
  };
  for (const Summary& s : {Summary{1007, 2148, maintenance, 8}, Summary{1020, 2248, status, 5}}) {
    const DialogItemRecord* it = Item(s.dialog, s.control);
    ASSERT_EQ(Tag(it), kCtlTagList) << s.control;
    EXPECT_EQ(it->kind, 61);
    auto* b = static_cast<const CtlListBlock*>(it->extraData);
    EXPECT_EQ(b->refuseFlag, 0);
    EXPECT_EQ(b->pictureId, 0);
    EXPECT_EQ(b->ten, 10);
    ASSERT_EQ(b->rowCount, s.count);
    for (int i = 0; i < s.count; ++i) {
      EXPECT_EQ(b->rows[i].labelId, s.rows[i].label);
      EXPECT_EQ(b->rows[i].keyA, s.rows[i].a ? KeyOf(s.rows[i].a) : 0) << s.rows[i].label;
      EXPECT_EQ(b->rows[i].keyB, s.rows[i].b ? KeyOf(s.rows[i].b) : 0) << s.rows[i].label;
    }
  }
}

TEST(DialogTable, PreviewBlocks) {
  const int16_t keys[14] = {781, 62, 785, 787, 789, 791, 797, 794, 812, 814, 774, 775, 776, 777};
  for (uint16_t dialog : {1002, 1003, 1004, 1005, 1022, 1023, 1037}) {
    const DialogItemRecord* it = Item(dialog, 2039);
    ASSERT_EQ(Tag(it), kCtlTagPreview) << dialog;
    auto* b = static_cast<const CtlPreviewBlock*>(it->extraData);
    for (int i = 0; i < 14; ++i) EXPECT_EQ(b->entries[i], keys[i]) << dialog;
  }
  // The icon lists that show the preview get their block only at start.
  EXPECT_EQ(Item(1001, 2001)->extraData, nullptr);
  EXPECT_EQ(Item(1007, 2139)->extraData, nullptr);
}

TEST(DialogTable, OnlyTheStaticBlocksExist) {
  const DialogTable& t = DlgGetBuiltinTable();
  int blocks = 0;
  for (int i = 0; i < t.count; ++i)
    for (uint32_t k = 0; k < t.rows[i].itemCount; ++k) blocks += t.rows[i].items[k].extraData != nullptr;
  // 2 repeat, 10 slider, 1 sample, 7 list, 7 preview
  EXPECT_EQ(blocks, 27);
}

}  // namespace
