// The rule language: tokens, the condition compiler and checker, its limits,
// reference words and the per-parse name lists.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>

#include "model_rule_test_util.h"
#include "velm/rules.h"
#include "velm/settings.h"

namespace {

using mdf_test::Parse;
using mdf_test::Parsed;
using rule_test::CellText;
using rule_test::Expand;
using rule_test::Text;

TEST(RuleScanToken, TypesAndBlanking) {
  Text text("  abc 12 12ab ( ) {} >= ! , \x82\xA0x");
  struct Want {
    int32_t type;
    const char* token;
  } want[] = {
      {kTokenWord, "abc"},     {kTokenNumber, "12"},    {kTokenWord, "12ab"}, {kTokenBracket, "("},
      {kTokenBracket, ")"},    {kTokenBracket, "{"},    {kTokenBracket, "}"}, {kTokenOperator, ">="},
      {kTokenOperator, "!"},   {kTokenOther, ","},      {kTokenOther, "\x82\xA0"}, {kTokenWord, "x"},
      {kTokenOther, ""},
  };
  std::string token;
  for (const Want& w : want) {
    SCOPED_TRACE(w.token);
    EXPECT_EQ(RuleScanToken(text.buffer(), &token), w.type);
    EXPECT_EQ(token, w.token);
  }
  // Everything taken was blanked; the end stays the end.
  EXPECT_EQ(std::string(text.buffer()->data).find_first_not_of(' '), std::string::npos);
  EXPECT_EQ(RuleScanToken(text.buffer(), &token), kTokenOther);
  EXPECT_EQ(text.buffer()->length, std::strlen(text.buffer()->data));
}

// Compiles an example (a and b stand for two features) with an empty parse
// context; "fails" when the compiler refuses it, else the cells and whether
// they check.
std::string CompileExample(const std::string& example, bool* valid) {
  Parsed ctx(MdfCreateParseContext());
  Text text(Expand(example));
  uint32_t count = 0;
  JudgeCell* cells = RuleCompileCondition(ctx.get(), text.buffer(), &count);
  *valid = false;
  if (!cells) return "fails";
  *valid = RuleCheckCondition(cells, count) == 1;
  std::string out = CellText(cells, count);
  MemFree(cells);
  return out;
}

TEST(RuleCompileCondition, Examples) {
  const uint16_t color = mdf_test::OptionId("IDS_COLOR");
  struct Case {
    const char* text;
    std::string cells;  // "fails" when the compiler refuses the text
    bool valid;
  } cases[] = {
      {"!a", "a ! end", true},
      {"(a == 1) && (b == 2)", "a 1 == b 2 == && end", true},
      {"a == 1 && b == 2", "a 1 == b && 2 == end", true},  // no precedence
      {"a = 1", "a 1 end", false},                         // '=' is no operator: two values
      {"a ! b", "a b ! end", false},
      {"a && (!b)", "a b ! && end", true},
      {"a && !b", "a && b ! end", false},  // the second operator emits the first too early
      {"a != 1 || b > 2", "a 1 != b || 2 > end", true},
      {"(a < 1) || (a >= 2) || (b <= 3)", "a 1 < a 2 >= || b 3 <= || end", true},
      {"a == IDS_COLOR", "a " + std::to_string(color) + " == end", true},
      {"a == 65535", "a 65535 == end", true},
      {"a == 65536", "fails", false},
      {"a == 99999999999999999999", "fails", false},
      {"a == 1 &&", "a 1 == end", true},           // an operator without its operand is dropped
      {"a == 1 } b == 2", "a 1 == end", true},     // any other token ends the condition
      {"(a == 1", "fails", false},                 // '(' left open
      {"a == 1)", "fails", false},                 // ')' closing no group
      {"nosuchname == 1", "fails", false},
      {"", "end", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    bool valid = false;
    EXPECT_EQ(CompileExample(c.text, &valid), c.cells);
    EXPECT_EQ(valid, c.valid);
  }
}

TEST(RuleCheckCondition, Table) {
  auto check = [](std::vector<JudgeCell> cells) {
    return RuleCheckCondition(cells.data(), static_cast<uint32_t>(cells.size()));
  };
  const JudgeCell a{1, 61}, one{2, 1}, end{3, 10}, eq{3, 1}, bang{3, 5};
  EXPECT_EQ(check({a, one, eq, end}), 1);
  EXPECT_EQ(check({a, end}), 1);
  EXPECT_EQ(check({a, bang, end}), 1);
  EXPECT_EQ(check({bang, a, end}), 0);          // "!" with nothing before it
  EXPECT_EQ(check({a, eq, end}), 0);            // a two-operand operator on one value
  EXPECT_EQ(check({a, one, end}), 0);           // two values left
  EXPECT_EQ(check({a, one, eq}), 0);            // no end cell
  EXPECT_EQ(check({a, {4, 0}, end}), 0);        // a group end is never stored
  EXPECT_EQ(check({a, one, {3, 11}, end}), 0);  // no such operator
  EXPECT_EQ(check({a, {9, 0}, end}), 0);        // no such kind
  EXPECT_EQ(check({end}), 0);
  EXPECT_EQ(RuleCheckCondition(nullptr, 0), 0);
}

// a == (a == (a == ... a)): n operands wait at once before the first
// operator applies.
std::string NestedOperands(int n) {
  std::string s = "a";
  for (int i = 1; i < n; ++i) s = "a == (" + s + ")";
  return s;
}

TEST(RuleCompileCondition, ValuesWaitingAtOnce) {
  bool valid = false;
  EXPECT_NE(CompileExample(NestedOperands(127), &valid), "fails");
  EXPECT_TRUE(valid) << "127 values waiting";
  EXPECT_NE(CompileExample(NestedOperands(128), &valid), "fails");
  EXPECT_FALSE(valid) << "128 values waiting";
}

TEST(RuleCompileCondition, NestingDepth) {
  auto nested = [](int depth) { return std::string(depth, '(') + "a" + std::string(depth, ')'); };
  bool valid = false;
  EXPECT_EQ(CompileExample(nested(128), &valid), "a end");
  EXPECT_TRUE(valid);
  EXPECT_EQ(CompileExample(nested(129), &valid), "fails");
  // 100000 levels stop at the bound, well before the stack is in danger.
  EXPECT_EQ(CompileExample(nested(100000), &valid), "fails");
  EXPECT_EQ(CompileExample(std::string(100000, '('), &valid), "fails");
}

TEST(RuleParseReference, Table) {
  struct Case {
    const char* word;
    uint32_t value;
  } cases[] = {
      {"Judge5", 0x10005},       {"Item7", 0x20007},         {"Action2", 0x30002},
      {"Transact3", 0x40003},    {"AlertAction5", 0x60005},  {"Alert5", 0x50005},
      {"NULL", 0},               {"Judge", 0x10000},         {"Judge1x2", 0x1000C},  // every digit counts
      {"Judge65535", 0x1FFFF},   {"Judge65536", 0},          {"DuplexOn", kRefName},
      {"judge5", kRefName},  // prefixes compare case-sensitively
  };
  for (const Case& c : cases) EXPECT_EQ(RuleParseReference(c.word), c.value) << c.word;
}

TEST(RuleResolveReference, KindsAndNames) {
  RuleClearNames();
  ASSERT_EQ(RuleAddName(kRuleJudge, "DuplexOn", 12), 1);
  ASSERT_EQ(RuleAddName(kRuleItem, "Trays", 3), 1);
  struct Case {
    const char* word;
    RuleKind kind;
    uint32_t stored;
  } cases[] = {
      {"Judge5", kRuleJudge, 0x10005},
      {"AlertAction5", kRuleAlertAction, 0x60005},
      {"Alert5", kRuleAlert, 0x50005},
      {"AlertAction5", kRuleAlert, 0},  // a reference of another kind counts as nothing
      {"Item7", kRuleJudge, 0},
      {"NULL", kRuleJudge, 0},
      {"DuplexOn", kRuleJudge, 12},  // a name: its bare number
      {"DuplexOn", kRuleItem, 0},    // names are kept per kind
      {"Trays", kRuleItem, 3},
      {"NoSuchName", kRuleJudge, 0},
      {"Judge-5", kRuleJudge, 0},  // negative numbers refer to nothing
  };
  for (const Case& c : cases) EXPECT_EQ(RuleResolveReference(c.word, c.kind), c.stored) << c.word;
  RuleFreeNames();
  EXPECT_EQ(RuleResolveReference("DuplexOn", kRuleJudge), 0u);
}

TEST(RuleNames, FirstEntryWins) {
  RuleClearNames();
  RuleAddName(kRuleAction, "Off", 4);
  RuleAddName(kRuleAction, "Off", 9);
  EXPECT_EQ(RuleFindName(kRuleAction, "Off"), 4);
  EXPECT_EQ(RuleFindName(kRuleAction, "off"), 0);
  RuleFreeNames();
}

// ---- Judge records in a whole file -------------------------------------------------------

TEST(RuleOnJudge, NamedJudges) {
  struct Case {
    const char* name;
    std::string text;
    std::vector<std::pair<uint16_t, std::string>> judges;  // number -> cells, "none" when dropped
  } cases[] = {
      {"an earlier Judge is copied without its end cell",
       "*Judge 1=On: a == 1\n*Judge 2: On && (b == 2)\n",
       {{1, "a 1 == end"}, {2, "a 1 == b 2 == && end"}}},
      {"a dropped Judge leaves no name",
       "*Judge 1=Bad: nosuchname == 1\n*Judge 2: Bad || a\n*Judge 3: a\n",
       {{1, "none"}, {2, "none"}, {3, "a end"}}},
      {"a Judge naming itself is dropped", "*Judge 3=Me: Me && a\n", {{3, "none"}}},
      {"a later Judge is not known yet", "*Judge 4: Later\n*Judge 5=Later: a\n", {{4, "none"}, {5, "a end"}}},
      {"the first Judge with a name wins",
       "*Judge 1=X: a == 1\n*Judge 2=X: b == 2\n*Judge 3: !X\n",
       {{3, "a 1 == ! end"}}},
      {"number 0, a number beyond 16 bits and an invalid condition are dropped",
       "*Judge 0: a\n*Judge 70000: a\n*Judge 6: a ! b\n*Judge: a\n",
       {{0, "none"}, {6, "none"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Parsed ctx = Parse(Expand(c.text));
    ASSERT_NE(ctx, nullptr);
    for (const auto& [number, cells] : c.judges) EXPECT_EQ(rule_test::JudgeText(ctx.get(), number), cells) << number;
  }
}

TEST(RuleOnJudge, ANameIsNotSeenByTheNextParse) {
  Parsed first = Parse(Expand("*Judge 1=P1: a == 1\n"));
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(RuleFindName(kRuleJudge, "P1"), 0) << "names are freed when the parse ends";
  Parsed second = Parse(Expand("*Judge 2: P1\n*Judge 3: a\n"));
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(rule_test::JudgeText(second.get(), 2), "none");
  EXPECT_EQ(rule_test::JudgeText(second.get(), 3), "a end");
}

TEST(RuleOnJudge, DoublingChainStopsAtTheCellBound) {
  // J(k) = J(k-1) && J(k-1) doubles the cells at every step.
  std::string text = Expand("*Judge 1=J1: a == 1\n");
  for (int k = 2; k <= 40; ++k) {
    text += "*Judge " + std::to_string(k) + "=J" + std::to_string(k) + ": (J" + std::to_string(k - 1) + ") && (J" +
            std::to_string(k - 1) + ")\n";
  }
  auto start = std::chrono::steady_clock::now();
  Parsed ctx = Parse(text);
  auto elapsed = std::chrono::steady_clock::now() - start;
  ASSERT_NE(ctx, nullptr);
  // J(k) holds 2^(k+1) - 1 cells before its end cell: J13 is the last below
  // 16384, and every Judge after it names a dropped one.
  EXPECT_EQ(rule_test::CountJudges(ctx.get()), 13);
  ASSERT_NE(RuleFindJudge(ctx.get(), 13), nullptr);
  EXPECT_EQ(RuleFindJudge(ctx.get(), 13)->byteLength, 4u * 16384);
  EXPECT_EQ(RuleFindJudge(ctx.get(), 14), nullptr);
  EXPECT_LT(std::chrono::duration_cast<std::chrono::seconds>(elapsed).count(), 5);
}

TEST(RuleOnJudge, CommandEntriesNameJudges) {
  Parsed ctx = Parse(Expand(
      "*Judge 7=DuplexOn: a == 1\n"
      "*CommandGroup: JobStart {\n"
      "  Command: DuplexOn { Type: FontType } Else { Type: FontType }\n"
      "  Command: Judge7 { Type: FontType }\n"
      "  Command: LaterName { Type: FontType }\n"
      "}\n"
      "*Judge 8=LaterName: b\n"));
  ASSERT_NE(ctx, nullptr);
  CommandBlock* tree = ctx->header->commandTrees[kMdfJobStart];
  ASSERT_NE(tree, nullptr);
  std::vector<uint32_t> conditions;
  std::vector<bool> with_else;
  for (CommandGroupNode* n = tree->first; n; n = n->next) {
    ASSERT_EQ(n->kind, kCommandNodeCondition);
    conditions.push_back(n->block->condition);
    with_else.push_back(n->block->second != nullptr);
  }
  EXPECT_EQ(conditions, (std::vector<uint32_t>{7, 7, 0}));
  EXPECT_EQ(with_else, (std::vector<bool>{true, false, false}));
}

}  // namespace
