#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "ctx_test_model.h"
#include "test_context.h"
#include "velm/selectable.h"
#include "velm/settings.h"

namespace {

using Settings = std::vector<std::pair<uint32_t, int32_t>>;

constexpr uint32_t kMemoryCopy = 441, kDuplexCopy = 443, kMailboxCopy = 477, kFin3000Copy = 479, kHddCopy = 499;
constexpr uint32_t kHddSupport = 306;

void Apply(BareContext& b, const Settings& s) {
  for (const auto& [id, v] : s) EXPECT_NE(OptSetValueById(b.ctx, id, v), 0) << "setting " << id;
}

const PjlVariableRow* RowNamed(const char* name) {
  const PjlVariableTable* t = OptGetSelectableTable();
  for (uint32_t i = 0; i < t->count; ++i)
    if (std::strcmp(t->rows[i].name, name) == 0) return &t->rows[i];
  return nullptr;
}

std::vector<int32_t> Selectable(BareContext& b, uint32_t id, int32_t skip_default) {
  int32_t count = -1;
  int32_t values[64] = {};
  EXPECT_EQ(OptListSelectableValues(b.ctx, id, 64, values, &count, skip_default), 0);
  return std::vector<int32_t>(values, values + count);
}

// ---- the table ---------------------------------------------------------------

TEST(PjlTable, RowsAndIdsResolve) {
  const PjlVariableTable* t = OptGetSelectableTable();
  ASSERT_EQ(t->count, 48u);
  BareContext b;
  std::set<std::string> names;
  uint32_t option_rows = 0;
  for (uint32_t i = 0; i < t->count; ++i) {
    const PjlVariableRow& r = t->rows[i];
    SCOPED_TRACE(r.name);
    EXPECT_TRUE(names.insert(r.name).second) << "variable names are unique";
    if (r.settingId) {
      EXPECT_NE(b.Row(r.settingId), nullptr) << "setting " << r.settingId;
    }
    EXPECT_TRUE(r.valueType == 1 || r.valueType == 8 || r.valueType == 16);
    EXPECT_TRUE(r.access >= 1 && r.access <= 7);
    EXPECT_EQ(r.subKey, 0u);
    EXPECT_EQ(r.requirements, nullptr);
    EXPECT_EQ(r.conditions, nullptr);
    // Rows that list their own values have some.
    if (r.flags & kPjlRowOwnOptions) {
      ASSERT_NE(r.options, nullptr);
      EXPECT_GT(r.options->count, 0u);
    }
    if (!r.options) continue;
    option_rows += r.options->count;
    int defaults = 0;
    std::set<std::string> texts;
    for (uint32_t k = 0; k < r.options->count; ++k) {
      const PjlOptionRow& o = r.options->rows[k];
      if (o.flags & kPjlOptionDefault) ++defaults;
      if (!(o.flags & kPjlOptionAlias)) texts.insert(o.text);
      EXPECT_EQ(o.flags & ~(kPjlOptionDefault | kPjlOptionAlias), 0u);
      for (const PjlAction* a = o.actions; a; a = a->next) {
        EXPECT_NE(b.Row(a->settingId), nullptr) << "action setting " << a->settingId;
        EXPECT_EQ(a->flags, a->next ? 1u : 0u) << "flag 1 on every action but the last";
      }
      for (const PjlCondition* c = o.conditions; c; c = c->next)
        EXPECT_NE(b.Row(c->settingId), nullptr) << "condition setting " << c->settingId;
    }
    EXPECT_LE(defaults, 1);
    // An alias repeats the text of a value the row offers.
    for (uint32_t k = 0; k < r.options->count; ++k) {
      const PjlOptionRow& o = r.options->rows[k];
      if (o.flags & kPjlOptionAlias) {
        EXPECT_TRUE(texts.count(o.text)) << o.text;
      }
    }
  }
  EXPECT_EQ(option_rows, 255u);
}

TEST(PjlTable, OptionCountsPerRow) {
  const std::pair<const char*, uint32_t> counts[] = {
      {"COLLATE", 3}, {"OUTBIN", 13}, {"TRAY", 7},     {"STAPLE", 8},     {"PUNCH", 4},    {"TRAYPAPER1", 11},
      {"MANUALPAPER", 14}, {"APLPAGESIZE", 13}, {"PAPER", 23}, {"SCALETYPE", 3}, {"PAPERSCALEH", 0}, {"BINDING", 9},
      {"NUP", 16},    {"MEDIATYPE", 8}, {"DSTRESOLUTIONW", 1}, {"SIMPLEXBINDING", 4}, {"BOOKLET", 3},
  };
  for (const auto& [name, n] : counts) {
    const PjlVariableRow* r = RowNamed(name);
    ASSERT_NE(r, nullptr) << name;
    ASSERT_NE(r->options, nullptr) << name;
    EXPECT_EQ(r->options->count, n) << name;
  }
  for (const char* none : {"MEMORYSIZE", "USERCODE", "COPIES", "MARGINODD", "FORCEFEED"}) {
    ASSERT_NE(RowNamed(none), nullptr);
    EXPECT_EQ(RowNamed(none)->options, nullptr) << none;
  }
}

TEST(PjlTable, ValuesBelongToTheSettingsOptionLists) {
  // Where the setting table lists the values a setting takes, every value of
  // the variable is among them.
  BareContext b;
  const PjlVariableTable* t = OptGetSelectableTable();
  for (const char* name : {"COLLATE", "OUTBIN", "TRAY", "PAPER", "APLPAGESIZE", "APLPAGELAYOUT", "NUP"}) {
    const PjlVariableRow* r = RowNamed(name);
    ASSERT_NE(r, nullptr);
    SettingRecord* row = b.Row(r->settingId);
    ASSERT_NE(row, nullptr);
    ASSERT_NE(row->optionList, nullptr) << name;
    for (uint32_t k = 0; k < r->options->count; ++k) {
      // A default row stands for "off", which the setting's list may lack.
      if (r->options->rows[k].flags & kPjlOptionDefault) continue;
      bool found = false;
      for (const OptionListEntry* e = row->optionList; e->optionId && !found; ++e)
        found = int32_t(e->value) == r->options->rows[k].value;
      EXPECT_TRUE(found) << name << " " << r->options->rows[k].text << " " << r->options->rows[k].value;
    }
  }
  EXPECT_EQ(t->rows[47].settingId, 732u) << "BOOKLET names the computed item";
}

// ---- conditions --------------------------------------------------------------

TEST(PjlConditions, TermsReadLeftToRight) {
  // Lists built here: a = 64, b = 65, c = 66 as settings of the DEVMODE.
  const PjlCondition or3 = {nullptr, 0, 66, 0, 1}, or2 = {&or3, 0, 65, 0, 1}, or1 = {&or2, 0, 64, 0, 1};
  const PjlCondition and_c = {nullptr, 0, 66, 0, 1}, and_b = {&and_c, 0, 65, 0, 1}, and_a = {&and_b, 1, 64, 0, 1};
  // b marked 0x2, then c: a marked term that holds does not decide the
  // chain; one that fails passes over the next term too.
  const PjlCondition sk_c = {nullptr, 0, 66, 0, 1}, sk_b = {&sk_c, 2, 65, 0, 1};
  struct Row {
    const char* name;
    const PjlCondition* list;
    Settings settings;
    int32_t want;
  } rows[] = {
      {"empty list holds", nullptr, {}, 1},
      {"or: none holds", &or1, {}, 0},
      {"or: the last holds", &or1, {{66, 1}}, 1},
      {"or: the first holds", &or1, {{64, 1}}, 1},
      {"and: first fails at once", &and_a, {{65, 1}, {66, 1}}, 0},
      {"and: first holds, or-chain holds", &and_a, {{64, 1}, {66, 1}}, 1},
      {"and: first holds, or-chain fails", &and_a, {{64, 1}}, 0},
      {"skip bit: marked term and next hold", &sk_b, {{65, 1}, {66, 1}}, 1},
      {"skip bit: marked term holds, next fails", &sk_b, {{65, 1}}, 0},
      {"skip bit: marked term fails, next is passed over", &sk_b, {{66, 1}}, 0},
  };
  for (const Row& r : rows) {
    BareContext b;
    Apply(b, r.settings);
    EXPECT_EQ(OptCheckConditions(b.ctx, r.list), r.want) << r.name;
  }
}

TEST(PjlConditions, BuiltInListsOfStaple) {
  // STAPLE values need the Fin3000 finisher and (the hard disk or a listed
  // memory size).
  const PjlCondition* c7 = RowNamed("STAPLE")->options->rows[0].conditions;
  struct Row {
    const char* name;
    Settings settings;
    int32_t want;
  } rows[] = {
      {"nothing installed", {}, 0},
      {"HDD without the finisher", {{kHddCopy, 1}}, 0},
      {"finisher without storage", {{kFin3000Copy, 1}}, 0},
      {"finisher and HDD", {{kFin3000Copy, 1}, {kHddCopy, 1}}, 1},
      {"finisher and 192 MB", {{kFin3000Copy, 1}, {kMemoryCopy, 192}}, 1},
      {"finisher and 256 MB (not listed)", {{kFin3000Copy, 1}, {kMemoryCopy, 256}}, 0},
  };
  for (const Row& r : rows) {
    BareContext b;
    Apply(b, r.settings);
    EXPECT_EQ(OptCheckConditions(b.ctx, c7), r.want) << r.name;
  }
}

TEST(PjlConditions, OptionConditionsReadTheModelSupport) {
  const PjlCondition* c1 = RowNamed("COLLATE")->options->rows[0].conditions;
  BareContext b;
  // The installed HDD copy and the memory size are not what it reads.
  Apply(b, {{kHddCopy, 1}, {kMemoryCopy, 64}});
  EXPECT_EQ(OptCheckOptionConditions(b.ctx, c1), 0);
  EXPECT_EQ(OptCheckConditions(b.ctx, c1), 1);
  Apply(b, {{kHddSupport, 1}, {kHddCopy, 0}, {kMemoryCopy, 0}});
  EXPECT_EQ(OptCheckOptionConditions(b.ctx, c1), 1);
  const PjlCondition duplex_only = {nullptr, 0, 61, 0, 1};
  EXPECT_EQ(OptCheckOptionConditions(b.ctx, &duplex_only), 1) << "terms outside 443-538 are passed over";
}

// ---- selectable lists --------------------------------------------------------------

TEST(SelectableLists, CollateFollowsTheInstalledOptions) {
  BareContext b;
  EXPECT_EQ(Selectable(b, 129, 0), (std::vector<int32_t>{0}));
  EXPECT_EQ(Selectable(b, 129, 1), std::vector<int32_t>{});
  EXPECT_EQ(OptHasSelectableOption(b.ctx, 129), 0);
  Apply(b, {{kHddCopy, 1}});
  EXPECT_EQ(Selectable(b, 129, 0), (std::vector<int32_t>{1, 0}));
  EXPECT_EQ(OptHasSelectableOption(b.ctx, 129), 1);
  Apply(b, {{kFin3000Copy, 1}});
  EXPECT_EQ(Selectable(b, 129, 1), (std::vector<int32_t>{1, 4}));
}

TEST(SelectableLists, OutputBinsKeepTheAliasRow) {
  BareContext b;
  EXPECT_EQ(Selectable(b, 57, 0), (std::vector<int32_t>{2, 0}));
  EXPECT_EQ(Selectable(b, 57, 1), (std::vector<int32_t>{2, 0}));
  Apply(b, {{kMailboxCopy, 1}, {kFin3000Copy, 1}});
  EXPECT_EQ(Selectable(b, 57, 0).size(), 13u);
}

TEST(SelectableLists, OnlyCommandRowsAndKnownSettings) {
  BareContext b;
  int32_t count = 7;
  // TRAYPAPER1 is a printer-value row only; no command row: nothing.
  EXPECT_EQ(OptListSelectableValues(b.ctx, 604, 8, nullptr, &count, 0), 0);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(OptListSelectableValues(b.ctx, 0, 8, nullptr, &count, 0), 0) << "id 0 names no row";
  EXPECT_EQ(OptFindSelectableRow(b.ctx, 604, kPjlAccessCommand), nullptr);
  EXPECT_NE(OptFindSelectableRow(b.ctx, 604, kPjlAccessPrinterValue), nullptr);
  EXPECT_EQ(OptFindSelectableRow(b.ctx, 0, 7), nullptr);
  // PAPERSCALEH has an empty list: done with nothing.
  EXPECT_EQ(OptListSelectableValues(b.ctx, 93, 8, nullptr, &count, 0), 0);
  EXPECT_EQ(count, 0);
}

TEST(SelectableLists, CapacityProtocol) {
  BareContext b;
  Apply(b, {{kDuplexCopy, 1}});  // DUPLEX: ON and OFF
  int32_t values[4] = {-1, -1, -1, -1};
  int32_t count = 0;
  EXPECT_EQ(OptListSelectable(b.ctx, 61, 0, nullptr, &count), 1) << "no array: the count only";
  EXPECT_EQ(count, 2);
  count = 0;
  EXPECT_EQ(OptListSelectable(b.ctx, 61, 1, values, &count), 1) << "too small";
  EXPECT_EQ(count, 2);
  EXPECT_EQ(values[0], -1) << "nothing written into a small array";
  EXPECT_EQ(OptListSelectable(b.ctx, 61, 2, values, &count), 0);
  EXPECT_EQ(count, 2);
  EXPECT_EQ(values[0], 1);
  EXPECT_EQ(values[1], 0);
  EXPECT_EQ(values[2], -1);
}

TEST(SelectableLists, PaperNeedsTheManualFeederForSomeSizes) {
  BareContext b;
  std::vector<int32_t> plain = Selectable(b, 50, 0);
  EXPECT_EQ(plain.size(), 10u);
  EXPECT_EQ(plain.front(), 1024);
  Apply(b, {{450, 1}});
  std::vector<int32_t> manual = Selectable(b, 50, 0);
  EXPECT_EQ(manual.size(), 23u) << "the CUSTOM aliases are selectable too";
}

// ---- normalisation -----------------------------------------------------------------

void SetAll(DriverContext* ctx, const Settings& s) {
  for (const auto& [id, v] : s) EXPECT_NE(OptSetValueById(ctx, id, v), 0) << "setting " << id;
}

TEST(SelectableLists, NormalizeFallsBackTo600OverTheDotLimit) {
  // A4 of the reference model at 400 dpi (its geometry in dots as the paper
  // derivation gives it), scaled to 1000 %: far over the limit.
  const std::string model = mdf_test::ReadFile(mdf_test::DataPath("../models/reference.mdf"));
  const Settings a4 = {{14, 400}, {42, 400}, {7, 1}, {8, 9}, {50, 1024}, {44, 4677}, {45, 3307}, {51, 4677}, {52, 3307}};
  ctx_test::ModelContext over(model);
  SetAll(over.ctx, a4);
  SetAll(over.ctx, {{58, 1}, {90, 1}, {92, 1000}});
  EXPECT_EQ(OptNormalizeAfterSet(over.ctx), 0);
  EXPECT_EQ(OptGetValueById(over.ctx, 14), 600);
  EXPECT_NE(reinterpret_cast<DEVMODEW*>(over.ctx->devmode)->dmFields & 0x400u, 0u);

  ctx_test::ModelContext fits(model);
  SetAll(fits.ctx, a4);
  EXPECT_EQ(OptNormalizeAfterSet(fits.ctx), 0);
  EXPECT_EQ(OptGetValueById(fits.ctx, 14), 400);
  EXPECT_NE(reinterpret_cast<DEVMODEW*>(fits.ctx->devmode)->dmFields & 0x400u, 0u);
}

}  // namespace
