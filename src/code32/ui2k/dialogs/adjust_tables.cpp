// The start-up adjustment of a context's UI tables. Everything here is fixed
// data applied to the context's own copies of the setting and dialog tables;
// the two converted extra-data blocks are built once per process and only
// read afterwards.
#include <cstring>
#include <initializer_list>

#include "ui2k/dialog_adjust.h"
#include "velm/context.h"
#include "velm/dialog_blocks.h"
#include "velm/dialogs.h"
#include "velm/names.h"
#include "velm/settings.h"

namespace {

// ---- fixed data ------------------------------------------------------------------

struct IdRange {
  uint16_t first, last;
};
// Settings whose change re-initialises the controls of groups 16 and 17.
constexpr IdRange kGroupedSettings[] = {
    {7, 7},         {8, 8},         {13, 13},       {50, 50},       {58, 59},       {61, 61},
    {94, 94},       {102, 102},     {222, 222},     {378, 378},     {10013, 10014}, {10018, 10018},
    {10020, 10021}, {10023, 10023}, {10047, 10049}, {10056, 10059}, {10062, 10062}, {10066, 10070},
    {10143, 10206},
};
constexpr uint32_t kGroupsPaperAndTray = 0x30000;
constexpr uint32_t kGroupOutputOption = 0x100000;
constexpr uint16_t kOutputOptionSettings[] = {10062, 10070};

struct ItemFlagRule {
  uint16_t controlId;
  uint32_t flags;
  bool replace;  // set the word, else add the bits
};
constexpr ItemFlagRule kItemFlagRules[] = {
    {2032, 0x100000, true},  {2041, 0x100000, true},  {2100, 0x10000, true},   {2102, 0x20000, true},
    {2263, kItemNoArrowSteps, false}, {2266, kItemNoArrowSteps, false}, {2269, kItemNoArrowSteps, false},
    {2272, kItemNoArrowSteps, false}, {2274, kItemNoArrowSteps, false}, {2276, kItemNoArrowSteps, false},
    {2322, kItemNoArrowSteps, false}, {2325, kItemNoArrowSteps, false}, {2328, kItemNoArrowSteps, false},
    {2344, kItemNoArrowSteps, false}, {2419, kItemNoArrowSteps, false}, {2421, kItemNoArrowSteps, false},
    {2470, kItemNoArrowSteps, false}, {2602, kItemNoArrowSteps, false},
    {2341, kItemPathEdit, false},     {2586, kItemPathEdit, false},
};

// Preset n (0-15) is option 119 + n; no preset (-1) is option 118.
constexpr OptionListEntry kPresetOptions[] = {
    {0xFFFFFFFFu, 118, 0}, {0, 119, 0},  {1, 120, 0},  {2, 121, 0},  {3, 122, 0},  {4, 123, 0},
    {5, 124, 0},           {6, 125, 0},  {7, 126, 0},  {8, 127, 0},  {9, 128, 0},  {10, 129, 0},
    {11, 130, 0},          {12, 131, 0}, {13, 132, 0}, {14, 133, 0}, {15, 134, 0}, {0, 0, 0},
};

// {source dialog, source control} gives its symbol to {dialog, control}.
struct SymbolShare {
  uint16_t fromDialog, fromControl, toDialog, toControl;
};
constexpr SymbolShare kSharedSymbols[] = {
    {1002, 2036, 1003, 2078}, {1002, 2036, 1004, 2095}, {1002, 2036, 1005, 2109},
    {1007, 2145, 1001, 2408}, {1007, 2145, 1032, 2452}, {1007, 2146, 1032, 2453},
    {1021, 2281, 1033, 2455},
};
constexpr SymbolShare kSharedFontSymbols[] = {
    {4004, 2289, 4004, 2385}, {4004, 2290, 4004, 2384},
    {1009, 2380, 1009, 2385}, {1009, 2382, 1009, 2384},
};

// {dialog, control} whose setting takes the layout of another control's setting.
struct LayoutShare {
  uint16_t dialog, control, fromDialog, fromControl;
  bool descriptorToo;
};
constexpr LayoutShare kSharedLayouts[] = {
    {1002, 2388, 1007, 2145, false}, {1003, 2389, 1007, 2145, false},
    {1004, 2390, 1007, 2145, false}, {1005, 2391, 1007, 2145, false},
    {1017, 2392, 1017, 2220, true},  {1017, 2393, 1017, 2221, true},
    {1017, 2394, 1017, 2224, true},  {1017, 2395, 1017, 2225, true},
};

// Work items that read the private items' storage.
constexpr uint16_t kWorkMirrors[][2] = {{876, 95}, {877, 102}, {878, 134}, {879, 136}};

constexpr uint16_t kSampleDialog = 1021, kSampleControl = 2249;
constexpr int16_t kSampleDefaults[6] = {157, 158, 159, 160, 161, 162};
constexpr uint16_t kPreviewControl = 2039;
constexpr uint16_t kPreviewSourceDialog = 1002;
constexpr int16_t kPreviewFontSetting = 121;  // vdmWmFontName
// Every item that shows the converted preview block.
constexpr uint16_t kPreviewUsers[][2] = {
    {1002, 2039}, {1003, 2039}, {1004, 2039}, {1005, 2039}, {1022, 2039},
    {1023, 2039}, {1037, 2039}, {1001, 2001}, {1007, 2139},
};

constexpr uint16_t kHiddenFuncDialog = 1065, kHiddenFuncControl = 2817;
constexpr uint16_t kCheckListKind = 49;
constexpr uint16_t kHiddenFuncFirst = 346;  // vdmHiddenFunc0
constexpr int32_t kHiddenFuncCount = 32;

// ---- look-ups in a context's own tables ---------------------------------------------

DialogItemRecord* Item(DriverContext* ctx, uint16_t dialog, uint16_t control) {
  DialogRecord* d = CtxFindDialog(ctx, dialog);
  return d ? CtxFindControl(ctx, d, control) : nullptr;
}

SettingRecord* SettingOf(DriverContext* ctx, const DialogItemRecord* item) {
  return item && item->symbol ? OptFindSettingByKey(ctx, int16_t(item->symbol)) : nullptr;
}

template <typename Fn>
void ForEachItem(DriverContext* ctx, Fn fn) {
  DialogTable* t = ctx->dialogs;
  for (int i = 0; i < t->count; ++i)
    for (uint32_t k = 0; k < t->rows[i].itemCount; ++k) fn(t->rows[i], t->rows[i].items[k]);
}

// ---- the shared blocks -----------------------------------------------------------

// The built-in item (the template context's table is the read-only one).
const DialogItemRecord* BuiltinItem(uint16_t dialog, uint16_t control) {
  const DialogTable& t = DlgGetBuiltinTable();
  for (int i = 0; i < t.count; ++i) {
    if (t.rows[i].dialogId != dialog) continue;
    for (uint32_t k = 0; k < t.rows[i].itemCount; ++k)
      if (t.rows[i].items[k].controlId == control) return &t.rows[i].items[k];
  }
  return nullptr;
}

int16_t SettingIdOfKey(int32_t key) {
  SettingRecord* row = key ? OptFindSettingByKey(CtxGetTemplate(), key) : nullptr;
  return row ? int16_t(row->id) : 0;
}

CtlSampleBlock BuildSampleBlock() {
  CtlSampleBlock b{};
  b.tag = kCtlTagSample;
  const DialogItemRecord* item = BuiltinItem(kSampleDialog, kSampleControl);
  if (item && item->extraData) std::memcpy(&b, item->extraData, sizeof b);
  for (int i = 0; i < 6; ++i) {
    if (b.entries[i] == 0) {
      b.entries[i] = kSampleDefaults[i];
      continue;
    }
    // A control of the sample's own dialog; its setting replaces it.
    const DialogItemRecord* control = BuiltinItem(kSampleDialog, uint16_t(b.entries[i]));
    b.entries[i] = control ? SettingIdOfKey(int16_t(control->symbol)) : 0;
  }
  return b;
}

CtlPreviewBlock BuildPreviewBlock() {
  CtlPreviewBlock b{};
  b.tag = kCtlTagPreview;
  const DialogItemRecord* item = BuiltinItem(kPreviewSourceDialog, kPreviewControl);
  if (item && item->extraData) std::memcpy(&b, item->extraData, sizeof b);
  for (int16_t& e : b.entries)
    if (e) e = SettingIdOfKey(e);
  b.entries[1] = kPreviewFontSetting;
  return b;
}

uint16_t g_hidden_functions[kHiddenFuncCount] = {};
bool BuildHiddenFunctions() {
  for (int i = 0; i < kHiddenFuncCount; ++i) g_hidden_functions[i] = uint16_t(kHiddenFuncFirst + i);
  return true;
}

}  // namespace

const CtlSampleBlock* DlgGetConvertedSampleBlock() {
  // Built at the first call (thread-safe), read-only afterwards.
  static const CtlSampleBlock block = BuildSampleBlock();
  return &block;
}

const CtlPreviewBlock* DlgGetConvertedPreviewBlock() {
  static const CtlPreviewBlock block = BuildPreviewBlock();
  return &block;
}

const uint16_t* DlgGetHiddenFunctionSettings(int32_t* count) {
  static const bool built = BuildHiddenFunctions();
  (void)built;
  if (count) *count = kHiddenFuncCount;
  return g_hidden_functions;
}

const CtlCheckListSettings* DlgGetHiddenFunctionList() {
  static const CtlCheckListSettings list{kCtlTagCheckList, 0, kHiddenFuncCount, DlgGetHiddenFunctionSettings(nullptr)};
  return &list;
}

void DlgAdjustUiTables(DriverContext* ctx) {
  if (!ctx || !ctx->dialogs || !ctx->settings) return;

  // 1. Change groups of the settings.
  for (int i = 0; i < ctx->settings->count; ++i) ctx->settings->rows[i].flags = 0;
  for (const IdRange& r : kGroupedSettings)
    for (uint32_t id = r.first; id <= r.last; ++id)
      if (SettingRecord* row = OptFindSetting(ctx, id)) row->flags |= kGroupsPaperAndTray;
  for (uint16_t id : kOutputOptionSettings)
    if (SettingRecord* row = OptFindSetting(ctx, id)) row->flags |= kGroupOutputOption;

  // 2. Item flags, by control id in every dialog.
  ForEachItem(ctx, [](DialogRecord& dialog, DialogItemRecord& item) {
    for (const ItemFlagRule& r : kItemFlagRules)
      if (item.controlId == r.controlId) item.flags = r.replace ? r.flags : (item.flags | r.flags);
    if (dialog.dialogId == 1025 && item.controlId == 2361) item.flags |= kItemNoContextHelp;
  });

  // 3. The preset number's option list, also on the maintenance icon list.
  if (SettingRecord* row = OptFindSetting(ctx, setting::vdmPresetNo)) row->optionList = kPresetOptions;
  if (SettingRecord* row = SettingOf(ctx, Item(ctx, 1007, 2139))) row->optionList = kPresetOptions;

  // 4. Controls of other dialogs that edit the same setting.
  for (const SymbolShare& s : kSharedSymbols) {
    DialogItemRecord* from = Item(ctx, s.fromDialog, s.fromControl);
    DialogItemRecord* to = Item(ctx, s.toDialog, s.toControl);
    if (from && to) to->symbol = from->symbol;
  }

  // 5. The preset name and comment are saved with a preset.
  for (uint16_t control : {2145, 2146})
    if (SettingRecord* row = SettingOf(ctx, Item(ctx, 1007, control))) row->presetMember = 1;

  // 6 and 10. Settings that share storage (and, for the inch controls, the
  // value descriptor) with another control's setting.
  for (const LayoutShare& s : kSharedLayouts) {
    SettingRecord* from = SettingOf(ctx, Item(ctx, s.fromDialog, s.fromControl));
    SettingRecord* to = SettingOf(ctx, Item(ctx, s.dialog, s.control));
    if (!from || !to) continue;
    to->offset = from->offset;
    if (s.descriptorToo) to->descriptor = from->descriptor;
  }

  // 7. The sample's block, with setting ids.
  if (DialogItemRecord* item = Item(ctx, kSampleDialog, kSampleControl))
    item->extraData = DlgGetConvertedSampleBlock();

  // 8. The preview block, with setting ids, on every preview and icon list.
  for (const auto& user : kPreviewUsers)
    if (DialogItemRecord* item = Item(ctx, user[0], user[1])) item->extraData = DlgGetConvertedPreviewBlock();

  // 9. The TrueType substitution lists.
  for (const SymbolShare& s : kSharedFontSymbols) {
    DialogItemRecord* from = Item(ctx, s.fromDialog, s.fromControl);
    DialogItemRecord* to = Item(ctx, s.toDialog, s.toControl);
    if (from && to) to->symbol = from->symbol;
  }

  // 11. The hidden-functions list becomes a check list of its 32 settings.
  if (DialogItemRecord* item = Item(ctx, kHiddenFuncDialog, kHiddenFuncControl)) {
    item->kind = kCheckListKind;
    item->extraData = DlgGetHiddenFunctionList();
  }

  // 12. Work items that follow the private items.
  for (const auto& pair : kWorkMirrors) {
    SettingRecord* work = OptFindSetting(ctx, pair[0]);
    SettingRecord* source = OptFindSetting(ctx, pair[1]);
    if (!work || !source) continue;
    work->descriptor = source->descriptor;
    work->offset = source->offset;
  }
}
