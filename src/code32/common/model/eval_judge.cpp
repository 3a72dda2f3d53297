// The evaluator of compiled conditions and its per-context value stack.
#include <algorithm>

#include "plat/wstr.h"
#include "velm/context.h"
#include "velm/rule_eval.h"
#include "velm/settings.h"

namespace {

constexpr uint32_t kComputedFirst = 731, kComputedLast = 858;

// The cells of one condition: in the image from an offset, or in memory.
struct CellSource {
  const ModelImage* image;
  uint32_t offset;
  const JudgeCell* cells;
  uint32_t count;

  bool Read(uint32_t index, JudgeCell* out) const {
    if (cells) {
      if (index >= count) return false;
      *out = cells[index];
      return true;
    }
    uint64_t at = uint64_t{offset} + uint64_t{index} * sizeof(JudgeCell);
    return at <= UINT32_MAX && MdfImgReadCell(image, uint32_t(at), out);
  }
  uint32_t Limit() const { return cells ? count : kRuleMaxCells; }
};

bool IsTextType(uint32_t type) {
  return type == 7 || type == 8 || type == 10 || type == 11 || type == 13 || type == 14 || type == 15;
}

// The number of characters of a text setting; 0 when no buffer can be had.
uint32_t TextLength(DriverContext* ctx, const SettingRecord* row) {
  // OptGetText wants as many characters as the setting has bytes, and at
  // least room for its "wrong" answer.
  size_t chars = std::max<size_t>(DescSize(row->descriptor), 6) + 1;
  auto* buffer = static_cast<char16_t*>(MemAllocZeroed(chars * sizeof(char16_t)));
  if (!buffer) return 0;
  OptGetText(ctx, row, buffer);
  buffer[chars - 1] = 0;
  uint32_t length = uint32_t(plat::WLen(buffer));
  MemFree(buffer);
  return length;
}

uint32_t OperandValue(DriverContext* ctx, const SettingRecord* row) {
  if (row->id >= kComputedFirst && row->id <= kComputedLast) return RuleGetComputedItem(ctx, row->id);
  if (IsTextType(DescType(row->descriptor))) return TextLength(ctx, row);
  return uint32_t(OptGetOption(ctx, row));
}

// The stack of the work record, shared by nested evaluations: each
// evaluation pushes above the index it found and pops no lower.
struct Stack {
  WorkRecord* w;
  int16_t base;

  bool Push(uint32_t v) {
    if (w->evalTop < base || w->evalTop >= kEvalStackCells) return false;
    w->evalStack[w->evalTop++] = int32_t(v);
    return true;
  }
  bool Pop(uint32_t* v) {
    if (w->evalTop <= base || w->evalTop > kEvalStackCells) return false;
    *v = uint32_t(w->evalStack[--w->evalTop]);
    return true;
  }
};

uint32_t Apply(uint16_t op, uint32_t left, uint32_t right) {
  switch (op) {
    case kOpEqual: return left == right;
    case kOpNotEqual: return left != right;
    case kOpAnd: return left != 0 && right != 0;
    case kOpOr: return left != 0 || right != 0;
    case kOpNot: return right == 0;
    case kOpGreater: return left > right;
    case kOpLess: return left < right;
    case kOpGreaterEqual: return left >= right;
    case kOpLessEqual: return left <= right;
    default: return 0;
  }
}

// Walks the cells; false when they are malformed (the result is then 0).
bool Run(DriverContext* ctx, const CellSource& src, Stack& stack, uint32_t* result) {
  bool have_last = false;
  uint16_t last_setting = 0;
  uint32_t last_value = 0;
  const uint32_t limit = src.Limit();
  for (uint32_t i = 0; i < limit; ++i) {
    JudgeCell c;
    if (!src.Read(i, &c)) return false;
    switch (c.kind) {
      case kCellSetting: {
        // A setting named again by the next setting operand is read once.
        if (!have_last || c.value != last_setting) {
          const SettingRecord* row = OptFindSetting(ctx, c.value);
          if (!row) return false;
          last_value = OperandValue(ctx, row);
          last_setting = c.value;
          have_last = true;
        }
        if (!stack.Push(last_value)) return false;
        break;
      }
      case kCellConstant:
        if (!stack.Push(c.value)) return false;
        break;
      case kCellOperator: {
        if (c.value == kOpEnd) return stack.Pop(result);
        if (c.value < kOpEqual || c.value > kOpLessEqual) break;  // passed over
        uint32_t right = 0, left = 0;
        if (!stack.Pop(&right)) return false;
        if (c.value != kOpNot && !stack.Pop(&left)) return false;
        if (!stack.Push(Apply(c.value, left, right))) return false;
        break;
      }
      default:
        break;  // passed over
    }
  }
  return false;  // no end cell
}

uint32_t Evaluate(DriverContext* ctx, const CellSource& src) {
  WorkRecord* w = ctx ? ctx->work : nullptr;
  if (!w || !w->evalStack) return 0;
  if (w->evalTop < 0 || w->evalTop > kEvalStackCells) return 0;
  Stack stack{w, w->evalTop};
  uint32_t result = 0;
  if (!Run(ctx, src, stack, &result)) result = 0;
  w->evalTop = stack.base;
  return result;
}

}  // namespace

int32_t RuleAllocEvalStack(DriverContext* ctx) {
  if (!ctx || !ctx->work || ctx == CtxGetTemplate()) return -1;  // the template is read-only
  WorkRecord* w = ctx->work;
  MemFree(w->evalStack);
  w->evalTop = 0;
  w->evalStack = static_cast<int32_t*>(MemAllocZeroed(kEvalStackCells * sizeof(int32_t)));
  return w->evalStack ? 0 : -1;
}

void RuleFreeEvalStack(DriverContext* ctx) {
  if (!ctx || !ctx->work || ctx == CtxGetTemplate()) return;
  MemFree(ctx->work->evalStack);
  ctx->work->evalStack = nullptr;
  ctx->work->evalTop = 0;
}

uint32_t RuleEvalJudge(DriverContext* ctx, uint32_t condition) {
  if (!condition || !ctx || !ctx->image) return 0;
  return Evaluate(ctx, CellSource{ctx->image, condition, nullptr, 0});
}

uint32_t RuleEvalCells(DriverContext* ctx, const JudgeCell* cells, uint32_t count) {
  if (!cells) return 0;
  return Evaluate(ctx, CellSource{nullptr, 0, cells, count});
}
