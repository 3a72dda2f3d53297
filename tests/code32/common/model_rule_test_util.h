// Helpers of the rule tests: cells as readable text, and rule records fed
// to their handlers directly.
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "mdf_test_util.h"
#include "velm/names.h"
#include "velm/rules.h"

namespace rule_test {

// Two features and their setting ids, the operands "a" and "b" of the
// examples.
constexpr const char* kA = "VPD_IDC_EDIT_CHOICE_DUPLEX";
constexpr const char* kB = "VPD_IDC_FINISH_CHOICE_STAPLE";

inline uint16_t SettingOf(const char* feature) {
  const UiSymbolRow* row = MdfFindFeatureByName(feature);
  EXPECT_NE(row, nullptr) << feature;
  return row ? row->settingId : 0;
}

// Replaces the words "a" and "b" of an example by the two feature names.
inline std::string Expand(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    bool alone = (i == 0 || (!isalnum(static_cast<unsigned char>(text[i - 1])) && text[i - 1] != '_')) &&
                 (i + 1 == text.size() || (!isalnum(static_cast<unsigned char>(text[i + 1])) && text[i + 1] != '_'));
    if ((c == 'a' || c == 'b') && alone) {
      out += c == 'a' ? kA : kB;
    } else {
      out += c;
    }
  }
  return out;
}

// Cells as text: the settings of a and b as "a" and "b", other settings as
// "s<id>", constants as their number, operators as their words, the end as
// "end".
inline std::string CellText(const JudgeCell* cells, uint32_t count) {
  static const char* const kOps[] = {"?", "==", "!=", "&&", "||", "!", ">", "<", ">=", "<=", "end"};
  std::string out;
  for (uint32_t i = 0; i < count; ++i) {
    if (!out.empty()) out += ' ';
    const JudgeCell& c = cells[i];
    if (c.kind == kCellSetting) {
      out += c.value == SettingOf(kA) ? "a" : c.value == SettingOf(kB) ? "b" : "s" + std::to_string(c.value);
    } else if (c.kind == kCellConstant) {
      out += std::to_string(c.value);
    } else if (c.kind == kCellOperator && c.value <= 10) {
      out += kOps[c.value];
    } else {
      out += "?" + std::to_string(c.kind) + ":" + std::to_string(c.value);
    }
  }
  return out;
}

// A text buffer holding text, for the scanner and the compiler.
struct Text {
  explicit Text(const std::string& text) {
    record = MdfCreateRecord();
    for (char c : text) MdfBufferAppend(&record->value, c);
    record->value.length = 0;
  }
  ~Text() { MdfFreeRecord(record); }
  Text(const Text&) = delete;
  Text& operator=(const Text&) = delete;
  MdfTextBuffer* buffer() { return &record->value; }
  MdfRecord* record;
};

// A record with a first word and a value, as the reader hands it over.
inline MdfRecord* MakeRecord(const std::string& word1, const std::string& value) {
  MdfRecord* r = MdfCreateRecord();
  for (char c : word1) MdfBufferAppend(&r->word1, c);
  for (char c : value) MdfBufferAppend(&r->value, c);
  return r;
}

// Calls a handler on a record made of word1 and value.
inline int32_t Feed(int32_t (*handler)(ModelParseContext*, MdfRecord*), ModelParseContext* ctx,
                    const std::string& word1, const std::string& value) {
  MdfRecord* r = MakeRecord(word1, value);
  int32_t answer = handler(ctx, r);
  MdfFreeRecord(r);
  return answer;
}

// The cells of the first Judge with the number, as text; "none" without one.
inline std::string JudgeText(ModelParseContext* ctx, uint16_t number) {
  JudgeRecord* j = RuleFindJudge(ctx, number);
  return j ? CellText(j->cells, j->byteLength / 4) : "none";
}

inline int CountJudges(ModelParseContext* ctx) {
  int n = 0;
  for (JudgeRecord* j = ctx->judges; j; j = j->next) ++n;
  return n;
}

template <typename T>
int CountList(T* list) {
  int n = 0;
  for (; list; list = list->next) ++n;
  return n;
}

// The entries of a record as rows of their first `fields` fields.
inline std::vector<std::vector<uint32_t>> Rows(const RuleEntry* e, int fields) {
  std::vector<std::vector<uint32_t>> rows;
  for (; e; e = e->next) rows.emplace_back(e->field, e->field + fields);
  return rows;
}

}  // namespace rule_test
