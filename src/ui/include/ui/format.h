// Text formatting with the Windows rules for wide printf formats, over
// char16_t, from an explicit list of arguments.
//
// A format may come from outside the program (a resource string), so the
// arguments are never taken from the stack: each conversion takes the next
// argument of the list when there is one of its kind, and otherwise stays in
// the text as it stands (the argument is not used up). The result grows as
// needed up to a bound, so no format can overrun it.
//
// Conversions: %d %i (signed), %u %x %X %o (unsigned), %c, %s and %S (the
// text argument), %%; flags - + space # 0, a width and a precision (digits
// or *, which take a number argument), and the size prefixes h, hh, l, ll,
// w, I32, I64 (Windows rules: l and no prefix are 32 bits, h 16, hh 8, ll
// and I64 64). Anything else, %n and %p included, is copied as text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ui {

struct FormatArg {
  enum class Kind { kNumber, kText } kind;
  int64_t number = 0;
  std::u16string_view text;
  static FormatArg Number(int64_t n) { return FormatArg{Kind::kNumber, n, {}}; }
  static FormatArg Text(std::u16string_view t) { return FormatArg{Kind::kText, 0, t}; }
};

// At most max_chars characters of the result are kept.
std::u16string FormatW(std::u16string_view format, const std::vector<FormatArg>& args, size_t max_chars = 32768);

}  // namespace ui
