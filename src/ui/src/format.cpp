// Wide printf formatting from a list of arguments, by the Windows rules.
#include "ui/format.h"

#include <algorithm>

namespace ui {
namespace {

struct Out {
  std::u16string s;
  size_t max;
  void Put(char16_t c) {
    if (s.size() < max) s.push_back(c);
  }
  void Put(std::u16string_view t) {
    size_t n = std::min(t.size(), max - std::min(max, s.size()));
    s.append(t.substr(0, n));
  }
  void Pad(char16_t c, size_t n) {
    n = std::min(n, max - std::min(max, s.size()));
    s.append(n, c);
  }
};

std::u16string Digits(uint64_t v, unsigned base, bool upper) {
  const char* set = upper ? "0123456789ABCDEF" : "0123456789abcdef";
  std::u16string d;
  do {
    d.push_back(char16_t(set[v % base]));
    v /= base;
  } while (v);
  std::reverse(d.begin(), d.end());
  return d;
}

}  // namespace

std::u16string FormatW(std::u16string_view f, const std::vector<FormatArg>& args, size_t max_chars) {
  Out out{{}, max_chars};
  size_t next = 0;
  // Widths and precisions beyond the bound could only produce padding that
  // is cut anyway.
  const size_t kFieldLimit = max_chars;
  auto take = [&](FormatArg::Kind kind, const FormatArg** arg) {
    if (next < args.size() && args[next].kind == kind) {
      *arg = &args[next++];
      return true;
    }
    return false;
  };
  size_t i = 0;
  while (i < f.size() && out.s.size() < max_chars) {
    char16_t c = f[i];
    if (c != u'%') {
      out.Put(c);
      ++i;
      continue;
    }
    size_t start = i++;
    size_t saved_next = next;
    bool left = false, plus = false, space = false, alt = false, zero = false;
    for (; i < f.size(); ++i) {
      char16_t g = f[i];
      if (g == u'-') left = true;
      else if (g == u'+') plus = true;
      else if (g == u' ') space = true;
      else if (g == u'#') alt = true;
      else if (g == u'0') zero = true;
      else break;
    }
    bool bad = false;
    auto number = [&](size_t* value, bool* given) {
      *given = false;
      if (i < f.size() && f[i] == u'*') {
        ++i;
        const FormatArg* a = nullptr;
        if (!take(FormatArg::Kind::kNumber, &a)) {
          bad = true;
          return;
        }
        int64_t v = a->number;
        if (v < 0) {
          left = true;  // a negative width from * means left alignment
          v = -v;
        }
        *value = size_t(std::min<int64_t>(v, int64_t(kFieldLimit)));
        *given = true;
        return;
      }
      size_t v = 0;
      while (i < f.size() && f[i] >= u'0' && f[i] <= u'9') {
        v = std::min(kFieldLimit, v * 10 + size_t(f[i] - u'0'));
        *given = true;
        ++i;
      }
      *value = v;
    };
    size_t width = 0, precision = 0;
    bool has_width, has_precision = false;
    number(&width, &has_width);
    if (!bad && i < f.size() && f[i] == u'.') {
      ++i;
      bool given;
      number(&precision, &given);
      has_precision = true;
    }
    int bits = 32;
    if (i < f.size()) {
      std::u16string_view rest = f.substr(i);
      if (rest.substr(0, 2) == u"hh") bits = 8, i += 2;
      else if (rest.substr(0, 1) == u"h") bits = 16, i += 1;
      else if (rest.substr(0, 2) == u"ll") bits = 64, i += 2;
      else if (rest.substr(0, 3) == u"I64") bits = 64, i += 3;
      else if (rest.substr(0, 3) == u"I32") bits = 32, i += 3;
      else if (rest.substr(0, 1) == u"l" || rest.substr(0, 1) == u"w") i += 1;
    }
    char16_t type = i < f.size() ? f[i] : 0;
    auto literal = [&](size_t end) {
      next = saved_next;
      out.Put(f.substr(start, end - start));
      i = end;
    };
    if (bad || !type) {
      literal(std::min(i, f.size()));
      continue;
    }
    ++i;
    std::u16string body;
    std::u16string prefix;
    const FormatArg* a = nullptr;
    switch (type) {
      case u'%':
        out.Put(u'%');
        continue;
      case u'd':
      case u'i': {
        if (!take(FormatArg::Kind::kNumber, &a)) {
          literal(i);
          continue;
        }
        int64_t v = a->number;
        if (bits == 8) v = int8_t(v);
        else if (bits == 16) v = int16_t(v);
        else if (bits == 32) v = int32_t(v);
        uint64_t mag = v < 0 ? uint64_t(0) - uint64_t(v) : uint64_t(v);
        body = (has_precision && precision == 0 && v == 0) ? u"" : Digits(mag, 10, false);
        prefix = v < 0 ? u"-" : plus ? u"+" : space ? u" " : u"";
        break;
      }
      case u'u':
      case u'x':
      case u'X':
      case u'o': {
        if (!take(FormatArg::Kind::kNumber, &a)) {
          literal(i);
          continue;
        }
        uint64_t v = uint64_t(a->number);
        if (bits == 8) v = uint8_t(v);
        else if (bits == 16) v = uint16_t(v);
        else if (bits == 32) v = uint32_t(v);
        unsigned base = type == u'o' ? 8 : type == u'u' ? 10 : 16;
        body = (has_precision && precision == 0 && v == 0) ? u"" : Digits(v, base, type == u'X');
        if (alt && v != 0 && base == 16) prefix = type == u'X' ? u"0X" : u"0x";
        if (alt && base == 8 && (body.empty() || body[0] != u'0')) prefix = u"0";
        break;
      }
      case u'c': {
        if (!take(FormatArg::Kind::kNumber, &a)) {
          literal(i);
          continue;
        }
        body = std::u16string(1, char16_t(a->number));
        has_precision = false;
        break;
      }
      case u's':
      case u'S': {
        if (!take(FormatArg::Kind::kText, &a)) {
          literal(i);
          continue;
        }
        body = std::u16string(a->text.substr(0, has_precision ? precision : a->text.size()));
        has_precision = false;
        break;
      }
      default:
        literal(i);
        continue;
    }
    bool numeric = type != u's' && type != u'S' && type != u'c';
    if (numeric && has_precision && body.size() < precision) body.insert(0, std::min(precision, kFieldLimit) - body.size(), u'0');
    size_t len = prefix.size() + body.size();
    size_t pad = width > len ? width - len : 0;
    if (left) {
      out.Put(prefix);
      out.Put(body);
      out.Pad(u' ', pad);
    } else if (zero && numeric && !has_precision) {
      out.Put(prefix);
      out.Pad(u'0', pad);
      out.Put(body);
    } else {
      out.Pad(u' ', pad);
      out.Put(prefix);
      out.Put(body);
    }
  }
  return out.s;
}

}  // namespace ui
