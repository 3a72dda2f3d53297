// The rule language: the token scanner, the condition compiler and checker,
// reference words and the per-parse name lists.
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "mdf_internal.h"
#include "velm/names.h"
#include "velm/rules.h"
#include "velm/settings.h"

namespace {

bool IsOperatorChar(uint8_t c) { return c == '=' || c == '!' || c == '&' || c == '|' || c == '>' || c == '<'; }
bool IsSpace(uint8_t c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

struct OperatorWord {
  const char* word;
  uint16_t code;
};
constexpr OperatorWord kOperators[] = {
    {"==", kOpEqual}, {"!=", kOpNotEqual}, {"&&", kOpAnd},         {"||", kOpOr},         {"!", kOpNot},
    {">=", kOpGreaterEqual}, {"<=", kOpLessEqual}, {">", kOpGreater}, {"<", kOpLess},
};

uint16_t OperatorCode(const std::string& word) {
  for (const OperatorWord& op : kOperators) {
    if (word == op.word) return op.code;
  }
  return 0;
}

// The condition compiler: left to right, one pending operator, groups by
// recursion.
class Compiler {
 public:
  // Room for the cells of a usual condition at once.
  Compiler(ModelParseContext* ctx, MdfTextBuffer* text) : ctx_(ctx), text_(text) { cells_.reserve(32); }

  bool Run() {
    if (!Sequence(0)) return false;
    return Emit(kCellOperator, kOpEnd);
  }
  std::vector<JudgeCell>& cells() { return cells_; }

 private:
  bool Emit(uint16_t kind, uint16_t value) {
    if (cells_.size() >= kRuleMaxCells) return false;
    cells_.push_back({kind, value});
    return true;
  }

  // The operand named by a word: a feature, an option or an earlier Judge.
  bool Word(const std::string& word) {
    if (const UiSymbolRow* row = MdfFindFeatureByName(word.c_str())) return Emit(kCellSetting, row->settingId);
    if (const OptionNameRow* row = MdfFindOptionByName(word.c_str())) return Emit(kCellConstant, row->optionId);
    int32_t number = RuleFindName(kRuleJudge, word.c_str());
    if (number == 0) return false;
    // A listed name whose Judge was dropped, or a Judge naming itself,
    // finds no cells here.
    JudgeRecord* judge = RuleFindJudge(ctx_, static_cast<uint16_t>(number));
    if (!judge || judge->byteLength < sizeof(JudgeCell)) return false;
    uint32_t count = judge->byteLength / sizeof(JudgeCell) - 1;  // without its end cell
    if (cells_.size() + count >= kRuleMaxCells) return false;
    cells_.insert(cells_.end(), judge->cells, judge->cells + count);
    return true;
  }

  // Cells up to the end of the text or of the group at depth; true for a
  // group closed by its ')' (depth > 0) or a condition ended by any other
  // token (depth 0).
  bool Sequence(int32_t depth) {
    uint16_t pending = 0;
    std::string token;
    for (;;) {
      int32_t type = RuleScanToken(text_, &token);
      bool operand = false;
      switch (type) {
        case kTokenWord:
          if (!Word(token)) return false;
          operand = true;
          break;
        case kTokenNumber: {
          // Accumulated in 64 bits and clamped, so a long number stays large.
          int32_t n = MdfParseInt(token.c_str());
          if (n < 0 || static_cast<uint32_t>(n) > kRuleMaxNumber) return false;
          if (!Emit(kCellConstant, static_cast<uint16_t>(n))) return false;
          operand = true;
          break;
        }
        case kTokenOperator: {
          if (pending && !Emit(kCellOperator, pending)) return false;
          pending = OperatorCode(token);
          break;
        }
        case kTokenBracket:
          if (token == "(") {
            if (depth + 1 > kRuleMaxDepth) return false;
            if (!Sequence(depth + 1)) return false;
            operand = true;
            break;
          }
          if (token == ")") {
            // A ')' outside any group ends nothing: the condition is bad.
            if (depth == 0) return false;
            return !pending || Emit(kCellOperator, pending);
          }
          [[fallthrough]];  // '{' and '}' end the condition like any other token
        default:
          // The end of the text inside a group leaves a '(' open.
          if (depth > 0) return false;
          // A pending operator without its operand is dropped.
          return true;
      }
      if (operand && pending) {
        if (!Emit(kCellOperator, pending)) return false;
        pending = 0;
      }
    }
  }

  ModelParseContext* ctx_;
  MdfTextBuffer* text_;
  std::vector<JudgeCell> cells_;
};

// ---- name lists ----------------------------------------------------------------------

// The names of one parse's rules by kind: each name's number (the first
// entry with it wins). The texts live in one arena for all lists, freed
// with the names.
struct NameList {
  std::unordered_map<std::string_view, int32_t> numbers;
};

constexpr int32_t kNameListCount = 7;  // indexed by RuleKind (1-6)
thread_local NameList t_names[kNameListCount];
thread_local NameList t_refusedJudgeNames;
thread_local MdfArena t_nameTexts;

int32_t AddName(NameList* list, const char* name, int32_t number) {
  size_t length = std::strlen(name);
  const char* text = t_nameTexts.CopyText(name, length);
  if (!text) return 0;
  list->numbers.emplace(std::string_view(text, length), number);
  return 1;
}

NameList* ListOf(RuleKind kind) {
  int32_t i = static_cast<int32_t>(kind);
  return i >= 1 && i < kNameListCount ? &t_names[i] : nullptr;
}

struct Prefix {
  std::string_view word;
  uint32_t base;
};
// Compared over the prefix's length in this order, so that AlertAction is
// tested before Alert.
constexpr Prefix kPrefixes[] = {
    {"Judge", kRefJudge},           {"Item", kRefItem},   {"Action", kRefAction}, {"Transact", kRefTransact},
    {"AlertAction", kRefAlertAction}, {"Alert", kRefAlert}, {"NULL", 0},
};

}  // namespace

int32_t RuleScanToken(MdfTextBuffer* text, std::string* token) {
  token->clear();
  char* data = text->data;
  uint32_t i = text->length;
  while (data[i] != 0 && IsSpace(static_cast<uint8_t>(data[i]))) ++i;
  text->length = i;
  uint8_t c = static_cast<uint8_t>(data[i]);
  if (c == 0) return kTokenOther;

  auto take = [&](uint32_t end) {
    token->assign(data + i, end - i);
    std::memset(data + i, ' ', end - i);
    text->length = end;
  };
  if (MdfIsClass(c, kMdfWord)) {
    uint32_t end = i;
    bool digits = true;
    while (data[end] != 0 && MdfIsClass(static_cast<uint8_t>(data[end]), kMdfWord)) {
      if (!MdfIsClass(static_cast<uint8_t>(data[end]), kMdfDigit)) digits = false;
      ++end;
    }
    take(end);
    return digits ? kTokenNumber : kTokenWord;
  }
  if (c == '(' || c == ')' || c == '{' || c == '}') {
    take(i + 1);
    return kTokenBracket;
  }
  if (IsOperatorChar(c)) {
    uint32_t end = i;
    while (data[end] != 0 && IsOperatorChar(static_cast<uint8_t>(data[end]))) ++end;
    take(end);
    return kTokenOperator;
  }
  // Any other character is a token of its own; a double-byte character is
  // kept whole.
  uint32_t end = i + 1;
  if (mdf::IsLeadByte(c) && data[end] != 0) ++end;
  take(end);
  return kTokenOther;
}

JudgeCell* RuleCompileCondition(ModelParseContext* ctx, MdfTextBuffer* text, uint32_t* count) {
  return mdf::CompileCondition(ctx, text, count, nullptr);
}

JudgeCell* mdf::CompileCondition(ModelParseContext* ctx, MdfTextBuffer* text, uint32_t* count, MdfArena* arena) {
  *count = 0;
  Compiler compiler(ctx, text);
  if (!compiler.Run()) return nullptr;
  std::vector<JudgeCell>& cells = compiler.cells();
  size_t bytes = cells.size() * sizeof(JudgeCell);
  auto* out = static_cast<JudgeCell*>(arena ? arena->Allocate(bytes) : MemAllocZeroed(bytes));
  if (!out) return nullptr;
  std::memcpy(out, cells.data(), cells.size() * sizeof(JudgeCell));
  *count = static_cast<uint32_t>(cells.size());
  return out;
}

int32_t RuleCheckCondition(const JudgeCell* cells, uint32_t count) {
  if (!cells) return 0;
  int32_t values = 0;
  for (uint32_t i = 0; i < count; ++i) {
    const JudgeCell& cell = cells[i];
    switch (cell.kind) {
      case kCellSetting:
      case kCellConstant:
        if (++values >= kRuleMaxValues) return 0;
        break;
      case kCellOperator:
        if (cell.value == kOpEnd) return values == 1 ? 1 : 0;
        if (cell.value == kOpNot) {
          if (values < 1) return 0;
        } else if (cell.value >= kOpEqual && cell.value <= kOpLessEqual) {
          if (values < 2) return 0;
          --values;
        } else {
          return 0;
        }
        break;
      default:  // a group end, or no cell at all
        return 0;
    }
  }
  return 0;  // no end cell
}

uint32_t RuleParseReference(const char* word) {
  if (!word) return 0;
  for (const Prefix& p : kPrefixes) {
    if (word[0] != p.word[0] || std::strncmp(word, p.word.data(), p.word.size()) != 0) continue;
    if (p.base == 0) return 0;
    int32_t number = mdf::WordDigits(word);
    if (number > static_cast<int32_t>(kRuleMaxNumber) || number < -static_cast<int32_t>(kRuleMaxNumber)) return 0;
    return static_cast<uint32_t>(number) | p.base;
  }
  return kRefName;
}

uint32_t RuleResolveReference(const char* word, RuleKind expected) {
  uint32_t value = RuleParseReference(word);
  if (value == kRefName) return static_cast<uint32_t>(RuleFindName(expected, word));
  return (value >> 16) == static_cast<uint32_t>(expected) ? value : 0;
}

void RuleClearNames() { RuleFreeNames(); }

void RuleFreeNames() {
  for (NameList& list : t_names) list.numbers.clear();
  t_refusedJudgeNames.numbers.clear();
  t_nameTexts.Release();
}

int32_t RuleAddName(RuleKind kind, const char* name, int32_t number) {
  NameList* list = ListOf(kind);
  if (!list || !name) return 0;
  return AddName(list, name, number);
}

int32_t RuleAddRefusedJudgeName(const char* name, int32_t number) {
  return name ? AddName(&t_refusedJudgeNames, name, number) : 0;
}

bool RuleIsRefusedJudgeName(const char* word) {
  if (!word || RuleParseReference(word) != kRefName || RuleFindName(kRuleJudge, word) != 0) return false;
  return t_refusedJudgeNames.numbers.count(std::string_view(word)) != 0;
}

int32_t RuleFindName(RuleKind kind, const char* name) {
  NameList* list = ListOf(kind);
  if (!list || !name) return 0;
  auto it = list->numbers.find(std::string_view(name));
  return it == list->numbers.end() ? 0 : it->second;
}
