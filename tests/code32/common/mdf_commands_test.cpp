// Command-text trees, command strings and font lists.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mdf_test_util.h"
#include "velm/mdf_records.h"

namespace {

using mdf_test::Parse;
using mdf_test::Parsed;
using mdf_test::Str;

std::string DumpBlock(const CommandBlock* block);

std::string DumpList(const CommandGroupNode* node) {
  std::string out;
  for (; node; node = node->next) {
    if (!out.empty()) out += ' ';
    switch (node->kind) {
      case kCommandNodeGroupType: {
        const UiSymbolRow* row = MdfFindFeatureByKey(node->featureKey);
        out += "G:" + std::string(row ? row->name : "?");
        if (node->number) out += ":" + std::to_string(node->number);
        break;
      }
      case kCommandNodeStringType:
        out += "S" + std::to_string(node->stringId);
        break;
      case kCommandNodeFontType:
        out += "F";
        break;
      case kCommandNodeCondition:
        out += "C" + DumpBlock(node->block);
        break;
      default:
        out += "?";
    }
  }
  return out;
}

// "(J<n> first | second)"; "-" for no tree.
std::string DumpBlock(const CommandBlock* block) {
  if (!block) return "-";
  std::string out = "(";
  if (block->condition) out += "J" + std::to_string(block->condition) + " ";
  out += DumpList(block->first);
  if (block->second) out += " | " + DumpList(block->second);
  return out + ")";
}

std::string Tree(const std::string& body, int32_t slot = kMdfJobStart) {
  Parsed ctx = Parse("*CommandGroup: JobStart " + body + "\n");
  EXPECT_NE(ctx, nullptr);
  return ctx ? DumpBlock(ctx->header->commandTrees[slot]) : "";
}

TEST(MdfCommandGroup, TreeShapes) {
  struct Case {
    const char* name;
    std::string body;
    std::string dump;
  } cases[] = {
      {"plain entries", "{\n  Type: StringType 1\n  Type: GroupType VPD_IDC_PRESET_EDIT_COPIES 3\n  Type: FontType\n}",
       "(S1 G:VPD_IDC_PRESET_EDIT_COPIES:3 F)"},
      {"group type without a number", "{ Type: GroupType VPD_IDC_PRESET_EDIT_COPIES\n Type: StringType 2 }",
       "(G:VPD_IDC_PRESET_EDIT_COPIES S2)"},
      {"command with a judge and else",
       "{\n Command: Judge2 {\n  Type: StringType 1\n } Else {\n  Type: StringType 2\n }\n}", "(C(J2 S1 | S2))"},
      {"elseif chain",
       "{ Command: Judge1 { Type: StringType 1 } ElseIf: Judge2 { Type: StringType 2 } Else { Type: StringType 3 } }",
       "(C(J1 S1 | C(J2 S2 | S3)))"},
      {"compact writing", "{Command: Judge3{Type: FontType}Else{Type: StringType 4}Type: StringType 5}",
       "(C(J3 F | S4) S5)"},
      {"no condition: a following else is not taken",
       "{ Command: { Type: StringType 1 } Else { Type: StringType 2 } Type: StringType 3 }", "(C(S1))"},
      {"a reference that is no judge means no condition", "{ Command: Item4 { Type: StringType 1 } }", "(C(S1))"},
      {"an unknown entry word stops the list", "{ Type: StringType 1 Bogus: x Type: StringType 2 }", "(S1)"},
      {"entry word without a colon stops the list", "{ Type: StringType 1 Type StringType 2 }", "(S1)"},
      {"an empty nested block makes no node", "{ Command: Judge1 { } Type: StringType 1 }", "(S1)"},
      {"string type without digits or with 0", "{ Type: StringType abc Type: StringType 0 Type: StringType CS12 }",
       "(S12)"},
      {"unknown feature skips the rest of the line",
       "{ Type: GroupType VPD_NOPE 3 Type: StringType 9\n Type: StringType 1 }", "(S1)"},
      {"unknown node word makes no node", "{ Type: Bogus Type: StringType 1 }", "(S1)"},
      {"empty body", "{ }", "-"},
      {"no brace", "Type: StringType 1", "-"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Tree(c.body), c.dump);
  }
}

TEST(MdfCommandGroup, GroupsGoToTheirSlotsAndALaterRecordReplaces) {
  mdf_test::BlockCount blocks;
  {
    Parsed ctx = Parse(
        "*CommandGroup: PageStart { Type: StringType 1 }\n"
        "*CommandGroup: DocReset { Type: StringType 2 }\n"
        "*CommandGroup: JobEnd { Command: Judge1 { Type: StringType 3 } }\n"
        "*CommandGroup: PageEnd { Type: StringType 4 }\n"
        "*CommandGroup: JobStart { Command: Judge1 { Type: StringType 5 } Type: FontType }\n"
        "*CommandGroup: JobStart { Type: StringType 6 }\n"
        "*CommandGroup: Bogus { Type: StringType 7 }\n");
    ASSERT_NE(ctx, nullptr);
    auto* t = ctx->header->commandTrees;
    EXPECT_EQ(DumpBlock(t[kMdfJobStart]), "(S6)");
    EXPECT_EQ(DumpBlock(t[kMdfJobEnd]), "(C(J1 S3))");
    EXPECT_EQ(DumpBlock(t[kMdfDocReset]), "(S2)");
    EXPECT_EQ(DumpBlock(t[kMdfPageStart]), "(S1)");
    EXPECT_EQ(DumpBlock(t[kMdfPageEnd]), "(S4)");
  }
  EXPECT_EQ(blocks.Delta(), 0);
}

std::string Nested(int levels) {
  std::string body = "{ ";
  for (int i = 0; i < levels; ++i) body += "Command: Judge1 { ";
  body += "Type: FontType ";
  for (int i = 0; i < levels; ++i) body += "} ";
  return body + "}";
}

TEST(MdfCommandGroup, NestingIsBounded) {
  // The body itself is level 1.
  std::string ok = Tree(Nested(kMdfMaxCommandDepth - 1));
  EXPECT_EQ(ok.substr(0, 10), "(C(J1 C(J1");
  EXPECT_EQ(Tree(Nested(kMdfMaxCommandDepth)), "-");

  // A 10,000-deep ElseIf chain is refused without exhausting the stack; the
  // tree already in the slot stays.
  std::string chain = "*CommandGroup: JobStart { Type: StringType 1 }\n*CommandGroup: JobStart { Command: Judge1 { }";
  for (int i = 0; i < 10000; ++i) chain += " ElseIf: Judge2 { Type: FontType }";
  chain += " }\n";
  mdf_test::BlockCount blocks;
  {
    Parsed ctx = Parse(chain);
    ASSERT_NE(ctx, nullptr);
    EXPECT_EQ(DumpBlock(ctx->header->commandTrees[kMdfJobStart]), "(S1)");
  }
  EXPECT_EQ(blocks.Delta(), 0);
}

TEST(MdfCommandString, NumberedTexts) {
  Parsed ctx = Parse(
      "*CommandString 1: \"<1B>%%-12345X@PJL<0D0A>\"\n"
      "*CommandString CS22: \"a<00>b\"\n"
      "*CommandString 3: \"\"\n"
      "*CommandString 4: no quotes\n"
      "*CommandString 1: \"second one\"\n");
  ASSERT_NE(ctx, nullptr);
  struct Want {
    int32_t id;
    std::string text;
  } want[] = {{1, "\x1B%-12345X@PJL\r\n"}, {22, std::string("a\0b", 3)}, {1, "second one"}};
  CommandStringNode* node = ctx->commandStrings;
  for (const Want& w : want) {
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->id, w.id);
    EXPECT_EQ(node->length, w.text.size() + 1);
    EXPECT_EQ(std::string(node->text, node->length - 1), w.text);
    EXPECT_EQ(node->text[node->length - 1], '\0');
    node = node->next;
  }
  EXPECT_EQ(node, nullptr);
}

TEST(MdfFontList, EntriesTable) {
  struct Case {
    const char* name;
    std::string value;
    std::vector<std::pair<int32_t, std::string>> entries;
  } cases[] = {
      {"names and ids", "IDList { {\"Courier\" 1} {\"Helvetica\" 22} }", {{1, "Courier"}, {22, "Helvetica"}}},
      {"a name without an id gets 0", "IDList { {\"Courier\"} {\"Times\" -3} }", {{0, "Courier"}, {-3, "Times"}}},
      {"an entry without a name ends the list", "IDList { {\"A\" 1} { 2 } {\"B\" 3} }", {{1, "A"}}},
      // Every {...} pair counts, whatever stands between the pairs; the
      // list's own closing brace ends the count.
      {"a word between entries", "IDList { {\"A\" 1} Bold {\"B\" 2} }", {{1, "A"}, {2, "B"}}},
      {"a number between entries", "IDList { 9 {\"A\" 1} 7 {\"B\" 2} }", {{1, "A"}, {2, "B"}}},
      {"a quoted brace between entries", "IDList { {\"A\" 1} \"%}%{\" {\"B\" 2} }", {{1, "A"}, {2, "B"}}},
      {"the closing brace ends the count", "IDList { {\"A\" 1} } {\"B\" 2}", {{1, "A"}}},
      {"double-byte name with a '}' second byte", "IDList { {\"\x83}\" 1} x {\"B\" 2} }",
       {{1, "\x83}"}, {2, "B"}}},
      {"escaped braces inside names", "IDList { {\"a%}b\" 5} {\"%{\" 6} }", {{5, "a}b"}, {6, "{"}}},
      {"double-byte names", "IDList { {\"\x96\xBE\x92\xA9\" 7} }", {{7, "\x96\xBE\x92\xA9"}}},
      {"compact writing", "IDList{{\"X\" 7}{\"Y\" 8}}", {{7, "X"}, {8, "Y"}}},
      {"empty value", "", {}},
      {"no IDList word", "{ {\"A\" 1} }", {}},
      {"IDList with nothing after it", "IDList", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    mdf_test::BlockCount blocks;
    {
      Parsed ctx = Parse("*DeviceFonts: " + c.value + "\n*FontCartridge: " + c.value + "\n");
      ASSERT_NE(ctx, nullptr);
      for (auto [count, list] : {std::pair{ctx->header->deviceFontCount, ctx->header->deviceFonts},
                                 {ctx->header->cartridgeFontCount, ctx->header->cartridgeFonts}}) {
        ASSERT_EQ(count, c.entries.size());
        EXPECT_EQ(list == nullptr, c.entries.empty());
        for (size_t i = 0; i < c.entries.size(); ++i) {
          EXPECT_EQ(list[i]->id, c.entries[i].first);
          EXPECT_EQ(Str(list[i]->name), c.entries[i].second);
        }
      }
    }
    EXPECT_EQ(blocks.Delta(), 0);
  }
}

TEST(MdfFontList, ALaterListReplacesTheEarlierOne) {
  mdf_test::BlockCount blocks;
  {
    Parsed ctx = Parse("*DeviceFonts: IDList { {\"A\" 1} {\"B\" 2} }\n*DeviceFonts: IDList { {\"C\" 3} }\n");
    ASSERT_EQ(ctx->header->deviceFontCount, 1u);
    EXPECT_EQ(Str(ctx->header->deviceFonts[0]->name), "C");
  }
  EXPECT_EQ(blocks.Delta(), 0);
}

}  // namespace
