// The cost of a parse grows with the file, not with its square: ten times
// the lines cost about ten times the list steps (links followed while
// appending to and searching the reader's lists). Nothing is timed.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "mdf_test_util.h"
#include "velm/mdf_records.h"
#include "velm/rules.h"

namespace {

using mdf_test::Parse;

struct Cost {
  uint64_t steps = 0;
  uint32_t judges = 0, items = 0, transacts = 0, exclusives = 0, features = 0, strings = 0, areas = 0;
};

Cost Measure(const std::string& text) {
  Cost c;
  uint64_t before = MdfGetParseSteps();
  mdf_test::Parsed ctx = Parse(text);
  c.steps = MdfGetParseSteps() - before;
  EXPECT_NE(ctx, nullptr);
  if (!ctx) return c;
  for (JudgeRecord* j = ctx->judges; j; j = j->next) ++c.judges;
  for (RuleRecord* r = ctx->items; r; r = r->next) ++c.items;
  for (RuleRecord* r = ctx->transacts; r; r = r->next) ++c.transacts;
  for (RuleEntry* e = ctx->exclusives; e; e = e->next) ++c.exclusives;
  for (FeatureNode* f = ctx->header->features; f; f = f->next) {
    ++c.features;
    for (MdfOption* o = MdfFeatureOptions(f); f->ownsData && o; o = o->next) {
      for (PaperAreaEntry* a = o->areas; a; a = a->next) ++c.areas;
    }
  }
  for (CommandStringNode* s = ctx->commandStrings; s; s = s->next) ++c.strings;
  return c;
}

// Named Judges, each named again by a Transact and an Item entry.
std::string Judges(int n) {
  std::string text;
  for (int i = 1; i <= n; ++i) {
    std::string k = std::to_string(i);
    text += "*Judge " + k + "=J" + k + ": VPD_IDC_PRESET_CHOICE_COLOR == IDS_COLOR\n";
  }
  for (int i = 1; i <= n; ++i) {
    std::string k = std::to_string(i);
    text += "*Transact " + k + ": { J" + k + " Action1 }\n*Item " + k + ": { IDS_COLOR J" + k + " NULL }\n";
  }
  return text;
}

// One Exclusive record of n entries (9 tokens each with its braces).
std::string Exclusive(int n) {
  std::string text = "*Exclusive: {\n";
  for (int i = 0; i < n; ++i) text += " { VPD_IDC_PRESET_CHOICE_COLOR Judge1 Judge2 Item1 Alert1 Transact1 Transact2 }\n";
  return text + "}\n";
}

// A long file of every kind of line: features opened again and again, each
// with a variant, option lines, printable areas, command strings and rules.
std::string Mixed(int blocks) {
  std::string text;
  for (int i = 1; i <= blocks; ++i) {
    std::string k = std::to_string(i);
    text += "*OpenUI *VPD_IDC_PRESET_CHOICE_PAPERSIZE: PickPage\n"
            "*VPD_IDC_PRESET_CHOICE_PAPERSIZE IDS_PAPERSIZE_A4: \"A4\"\n"
            "*DefaultVPD_IDC_PRESET_CHOICE_PAPERSIZE: IDS_PAPERSIZE_A4\n"
            "*PageValue VPD_IDC_PRESET_CHOICE_PAPERSIZE IDS_PAPERSIZE_A4: 600 IDC_PRESET_RADIO_PORTRAIT \"1 2 3 4\"\n"
            "*OptionCommand: {\"a\" \"b\"}\n"
            "*CloseUI: *VPD_IDC_PRESET_CHOICE_PAPERSIZE\n"
            "*OpenUI *VPD_IDC_PRESET_CHOICE_PAPERSIZE " + k + ": PickPage\n"
            "*OptionCommand: {\"c\" \"d\"}\n"
            "*CloseUI: *VPD_IDC_PRESET_CHOICE_PAPERSIZE\n"
            "*CommandString " + k + ": \"text\"\n"
            "*Judge " + k + ": VPD_IDC_PRESET_CHOICE_COLOR == IDS_COLOR\n"
            "*Action " + k + ": { VPD_IDC_PRESET_CHOICE_PAPERSIZE Default }\n"
            "*Exclusive: { { VPD_IDC_PRESET_CHOICE_PAPERSIZE Judge" + k + " NULL Item1 NULL Transact1 NULL } }\n";
  }
  return text;
}

TEST(MdfParseCost, TenTimesTheLinesCostAboutTenTimesTheSteps) {
  struct Case {
    const char* name;
    std::function<std::string(int)> make;
    int n;
    std::function<void(const Cost&, int)> check;
  } cases[] = {
      {"named Judges and the records naming them", Judges, 800,
       [](const Cost& c, int n) {
         EXPECT_EQ(c.judges, uint32_t(n));
         EXPECT_EQ(c.transacts, uint32_t(n));
         EXPECT_EQ(c.items, uint32_t(n));
       }},
      {"one long Exclusive record", Exclusive, 2000,
       [](const Cost& c, int n) { EXPECT_EQ(c.exclusives, uint32_t(n)); }},
      {"features, variants, areas, strings and rules", Mixed, 300,
       [](const Cost& c, int n) {
         EXPECT_EQ(c.features, uint32_t(2 * n));
         EXPECT_EQ(c.areas, uint32_t(n));
         EXPECT_EQ(c.strings, uint32_t(n));
         EXPECT_EQ(c.exclusives, uint32_t(n));
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Cost small = Measure(c.make(c.n));
    Cost large = Measure(c.make(10 * c.n));
    c.check(small, c.n);
    c.check(large, 10 * c.n);
    ASSERT_GT(small.steps, 0u);
    EXPECT_LE(large.steps, 12 * small.steps) << small.steps << " steps, then " << large.steps;
  }
}

}  // namespace
