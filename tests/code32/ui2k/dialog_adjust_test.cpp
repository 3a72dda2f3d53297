// The start-up adjustment of a context's setting and dialog tables.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "test_context.h"
#include "ui2k/dialog_adjust.h"
#include "velm/context.h"
#include "velm/dialog_blocks.h"
#include "velm/dialogs.h"
#include "velm/names.h"
#include "velm/settings.h"

namespace {

DialogItemRecord* Item(DriverContext* ctx, uint16_t dialog, uint16_t control) {
  DialogRecord* d = CtxFindDialog(ctx, dialog);
  return d ? CtxFindControl(ctx, d, control) : nullptr;
}
SettingRecord* SettingOf(DriverContext* ctx, uint16_t dialog, uint16_t control) {
  DialogItemRecord* item = Item(ctx, dialog, control);
  return item ? OptFindSettingByKey(ctx, int16_t(item->symbol)) : nullptr;
}

// Everything the adjustment may touch, as text: two contexts adjusted alike
// give the same text.
std::string Snapshot(DriverContext* ctx) {
  std::ostringstream out;
  for (int i = 0; i < ctx->settings->count; ++i) {
    const SettingRecord& r = ctx->settings->rows[i];
    out << r.id << ':' << r.flags << ',' << r.offset << ',' << r.descriptor << ',' << r.presetMember << ','
        << static_cast<const void*>(r.optionList) << '\n';
  }
  for (int i = 0; i < ctx->dialogs->count; ++i) {
    const DialogRecord& d = ctx->dialogs->rows[i];
    for (uint32_t k = 0; k < d.itemCount; ++k) {
      const DialogItemRecord& it = d.items[k];
      out << d.dialogId << '/' << it.controlId << ':' << it.symbol << ',' << it.kind << ',' << it.flags << ','
          << it.extraData << '\n';
    }
  }
  return out.str();
}

// The items whose change groups a pending-refresh mask fires.
std::set<std::pair<uint16_t, uint16_t>> Rebuilt(DriverContext* ctx, uint32_t mask) {
  std::set<std::pair<uint16_t, uint16_t>> out;
  for (int i = 0; i < ctx->dialogs->count; ++i) {
    const DialogRecord& d = ctx->dialogs->rows[i];
    for (uint32_t k = 0; k < d.itemCount; ++k)
      if (d.items[k].flags & mask & kItemGroupMask) out.insert({d.dialogId, d.items[k].controlId});
  }
  return out;
}

TEST(DialogAdjust, ControlsOfSeveralDialogsShareOneSettingAndItsStorage) {
  BareContext b;
  DriverContext* ctx = b.ctx;
  ASSERT_NE(ctx->dialogs, nullptr);
  // Before: the edit page's preset choice has a symbol of its own.
  ASSERT_NE(Item(ctx, 1003, 2078)->symbol, Item(ctx, 1002, 2036)->symbol);
  DlgAdjustUiTables(ctx);
  struct Share {
    uint16_t fromDialog, fromControl, toDialog, toControl;
  };
  const Share shares[] = {
      {1002, 2036, 1003, 2078}, {1002, 2036, 1004, 2095}, {1002, 2036, 1005, 2109}, {1007, 2145, 1001, 2408},
      {1007, 2145, 1032, 2452}, {1007, 2146, 1032, 2453}, {1021, 2281, 1033, 2455}, {4004, 2289, 4004, 2385},
      {4004, 2290, 4004, 2384}, {1009, 2380, 1009, 2385}, {1009, 2382, 1009, 2384},
  };
  for (const Share& s : shares) {
    EXPECT_EQ(Item(ctx, s.toDialog, s.toControl)->symbol, Item(ctx, s.fromDialog, s.fromControl)->symbol)
        << s.toDialog << "/" << s.toControl;
  }
  // A preset chosen on the edit page is the basic page's setting.
  EXPECT_EQ(SettingOf(ctx, 1003, 2078), OptFindSetting(ctx, 41));
  // The name edits of the pages store where the maintenance name edit does.
  for (uint16_t page : {1002, 1003, 1004, 1005}) {
    uint16_t control = uint16_t(2388 + (page - 1002));
    EXPECT_EQ(SettingOf(ctx, page, control)->offset, SettingOf(ctx, 1007, 2145)->offset) << control;
  }
  // The inch edits of the user paper size use the millimetre edits' storage.
  for (auto [inch, mm] : {std::pair<uint16_t, uint16_t>{2392, 2220}, {2393, 2221}, {2394, 2224}, {2395, 2225}}) {
    SettingRecord* a = SettingOf(ctx, 1017, inch);
    SettingRecord* m = SettingOf(ctx, 1017, mm);
    EXPECT_EQ(a->offset, m->offset) << inch;
    EXPECT_EQ(a->descriptor, m->descriptor) << inch;
  }
  // The work items read the private items' values.
  const uint32_t mirrors[][2] = {{876, 95}, {877, 102}, {878, 134}, {879, 136}};
  for (const auto& m : mirrors) {
    OptSetValueById(ctx, m[1], 3);
    EXPECT_EQ(OptGetValueById(ctx, m[0]), 3) << m[0];
  }
  // The preset name and comment are saved with a preset.
  EXPECT_EQ(OptFindSetting(ctx, 865)->presetMember, 1u);
  EXPECT_EQ(OptFindSetting(ctx, 866)->presetMember, 1u);
}

TEST(DialogAdjust, ChangeGroupsRebuildTheControlsThatDependOnASetting) {
  BareContext b;
  DriverContext* ctx = b.ctx;
  // A flag left from before is cleared.
  OptFindSetting(ctx, 500)->flags = 0x40000;
  DlgAdjustUiTables(ctx);
  EXPECT_EQ(OptFindSetting(ctx, 500)->flags, 0u);
  EXPECT_EQ(OptFindSetting(ctx, 10070)->flags, 0x130000u);
  EXPECT_EQ(OptFindSetting(ctx, 10143)->flags, 0x30000u);
  EXPECT_EQ(OptFindSetting(ctx, 10207)->flags, 0u);

  const struct {
    uint32_t setting;
    std::set<std::pair<uint16_t, uint16_t>> rebuilt;
  } cases[] = {
      {10070, {{1001, 2032}, {1002, 2041}, {1004, 2100}, {1004, 2102}}},  // output option: print type lists
      {10062, {{1001, 2032}, {1002, 2041}, {1004, 2100}, {1004, 2102}}},
      {13, {{1004, 2100}, {1004, 2102}}},  // a tray: staple and punch type lists
      {8, {{1004, 2100}, {1004, 2102}}},
      {10180, {{1004, 2100}, {1004, 2102}}},
      {12, {}},  // copies: nothing
  };
  for (const auto& c : cases) {
    CtxClearChanged(ctx, 0xFFFFFFFFu);
    OptSetValueById(ctx, c.setting, 1);
    EXPECT_EQ(Rebuilt(ctx, CtxGetChangeMask(ctx)), c.rebuilt) << c.setting;
  }
}

TEST(DialogAdjust, ItemFlagsAndOptionLists) {
  BareContext b;
  DriverContext* ctx = b.ctx;
  DlgAdjustUiTables(ctx);
  const struct {
    uint16_t dialog, control;
    uint32_t flags;
  } cases[] = {
      {1001, 2032, 0x100000},   {1002, 2041, 0x100000},          {1004, 2100, 0x10000},
      {1004, 2102, 0x20000},    {1021, 2263, kItemNoArrowSteps}, {1003, 2470, kItemNoArrowSteps | kItemLengthUnit},
      {1023, 2341, kItemPathEdit}, {1037, 2586, kItemPathEdit},  {1025, 2361, kItemNoContextHelp},
      {1002, 2039, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(Item(ctx, c.dialog, c.control)->flags, c.flags) << c.control;

  // Preset n is option 119 + n, no preset 118; also on the maintenance list.
  for (SettingRecord* row : {OptFindSetting(ctx, 41), SettingOf(ctx, 1007, 2139)}) {
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(OptValueToOption(ctx, row, -1), 118);
    EXPECT_EQ(OptValueToOption(ctx, row, 0), 119);
    EXPECT_EQ(OptValueToOption(ctx, row, 15), 134);
    EXPECT_EQ(OptOptionToValue(ctx, row, 127), 8);
  }
}

TEST(DialogAdjust, ConvertedBlocksCarrySettingIdsAndTheBuiltInTableStaysAsItWas) {
  BareContext b;
  DriverContext* ctx = b.ctx;
  DlgAdjustUiTables(ctx);

  auto* sample = static_cast<const CtlSampleBlock*>(Item(ctx, 1021, 2249)->extraData);
  ASSERT_NE(sample, nullptr);
  EXPECT_EQ(sample->tag, kCtlTagSample);
  EXPECT_EQ(std::vector<int16_t>(sample->entries, sample->entries + 6),
            (std::vector<int16_t>{174, 175, 159, 160, 161, 162}));

  auto* preview = static_cast<const CtlPreviewBlock*>(Item(ctx, 1002, 2039)->extraData);
  ASSERT_NE(preview, nullptr);
  EXPECT_EQ(preview->tag, kCtlTagPreview);
  const int16_t keys[14] = {781, 62, 785, 787, 789, 791, 797, 794, 812, 814, 774, 775, 776, 777};
  for (int i = 0; i < 14; ++i) {
    SettingRecord* row = OptFindSettingByKey(ctx, keys[i]);
    int16_t expected = i == 1 ? 121 : (row ? int16_t(row->id) : 0);
    EXPECT_EQ(preview->entries[i], expected) << i;
  }
  EXPECT_EQ(preview->entries[0], 869) << "the stamp text";
  for (auto [dialog, control] : {std::pair<uint16_t, uint16_t>{1003, 2039}, {1004, 2039}, {1005, 2039},
                                 {1022, 2039}, {1023, 2039}, {1037, 2039}, {1001, 2001}, {1007, 2139}})
    EXPECT_EQ(Item(ctx, dialog, control)->extraData, preview) << dialog << "/" << control;

  DialogItemRecord* hidden = Item(ctx, 1065, 2817);
  EXPECT_EQ(hidden->kind, 49);
  auto* list = static_cast<const CtlCheckListSettings*>(hidden->extraData);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->tag, kCtlTagCheckList);
  ASSERT_EQ(list->count, 32);
  for (int i = 0; i < 32; ++i) EXPECT_EQ(list->settingIds[i], 346 + i);

  // The built-in rows and blocks are untouched.
  const DialogTable& t = DlgGetBuiltinTable();
  for (int i = 0; i < t.count; ++i) {
    if (t.rows[i].dialogId != 1021) continue;
    for (uint32_t k = 0; k < t.rows[i].itemCount; ++k) {
      if (t.rows[i].items[k].controlId != 2249) continue;
      auto* builtin = static_cast<const CtlSampleBlock*>(t.rows[i].items[k].extraData);
      EXPECT_EQ(builtin->entries[0], 2264);
      EXPECT_NE(builtin, sample);
    }
  }
  EXPECT_EQ(OptGetBuiltinTable().rows[9].flags, 0u);
  EXPECT_EQ(CtxGetTemplate()->dialogs->rows[0].items[0].flags, 0u);
}

TEST(DialogAdjust, ContextsKeepTheirOwnCopies) {
  BareContext a, b;
  DlgAdjustUiTables(a.ctx);
  EXPECT_EQ(Item(a.ctx, 1065, 2817)->kind, 49);
  EXPECT_EQ(Item(b.ctx, 1065, 2817)->kind, 47) << "another context's table is not adjusted";
  EXPECT_EQ(OptFindSetting(b.ctx, 10070)->flags, 0u);
  EXPECT_NE(Snapshot(a.ctx), Snapshot(b.ctx));
}

TEST(DialogAdjust, RepeatedAndConcurrentRunsAgree) {
  BareContext first;
  DlgAdjustUiTables(first.ctx);
  const std::string expected = Snapshot(first.ctx);
  DlgAdjustUiTables(first.ctx);
  EXPECT_EQ(Snapshot(first.ctx), expected) << "a second run changes nothing";

  // Contexts adjusted side by side on eight threads, each several times,
  // while the first context's converted blocks are read.
  constexpr int kThreads = 8;
  std::vector<std::string> got(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&got, t] {
      for (int round = 0; round < 5; ++round) {
        BareContext c;
        DlgAdjustUiTables(c.ctx);
        got[size_t(t)] = Snapshot(c.ctx);
      }
    });
  }
  int16_t sum = 0;
  for (int round = 0; round < 200; ++round) {
    auto* p = static_cast<const CtlPreviewBlock*>(Item(first.ctx, 1002, 2039)->extraData);
    for (int16_t e : p->entries) sum = int16_t(sum + e);
  }
  for (std::thread& th : threads) th.join();
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(got[size_t(t)], expected) << "thread " << t;
  EXPECT_NE(sum, 0);
}

TEST(DialogAdjust, AContextWithoutDialogTablesIsLeftAlone) {
  DlgAdjustUiTables(nullptr);
  BareContext b;
  DialogTable* dialogs = b.ctx->dialogs;
  b.ctx->dialogs = nullptr;
  DlgAdjustUiTables(b.ctx);
  EXPECT_EQ(OptFindSetting(b.ctx, 10070)->flags, 0u);
  b.ctx->dialogs = dialogs;
}

}  // namespace
