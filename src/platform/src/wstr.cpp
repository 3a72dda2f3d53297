// UTF-16 helpers.
#include "plat/wstr.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace plat {

size_t WLen(const char16_t* s) {
  if (!s) return 0;
  size_t n = 0;
  while (s[n]) ++n;
  return n;
}

size_t WLenN(const char16_t* s, size_t max) {
  if (!s) return 0;
  size_t n = 0;
  while (n < max && s[n]) ++n;
  return n;
}

int WCmp(const char16_t* a, const char16_t* b) {
  if (!a || !b) return a == b ? 0 : (a ? 1 : -1);
  for (;; ++a, ++b) {
    if (*a != *b) return *a < *b ? -1 : 1;
    if (!*a) return 0;
  }
}

char16_t WToLower(char16_t c) {
  if ((c >= u'A' && c <= u'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) return char16_t(c + 0x20);
  return c;
}

char16_t WToUpper(char16_t c) {
  if ((c >= u'a' && c <= u'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) return char16_t(c - 0x20);
  return c;
}

int WCmpNI(const char16_t* a, const char16_t* b, size_t n) {
  if (!a || !b) return a == b ? 0 : (a ? 1 : -1);
  for (size_t i = 0; i < n; ++i) {
    char16_t x = WToLower(a[i]), y = WToLower(b[i]);
    if (x != y) return x < y ? -1 : 1;
    if (!x) return 0;
  }
  return 0;
}

int WCmpI(const char16_t* a, const char16_t* b) { return WCmpNI(a, b, size_t(-1)); }

bool WCopy(char16_t* dst, size_t cap, const char16_t* src) {
  if (!dst || cap == 0) return false;
  size_t n = WLen(src);
  bool fits = n < cap;
  if (!fits) n = cap - 1;
  if (n) std::memcpy(dst, src, n * sizeof(char16_t));
  dst[n] = 0;
  return fits;
}

bool WAppend(char16_t* dst, size_t cap, const char16_t* src) {
  if (!dst || cap == 0) return false;
  size_t used = WLenN(dst, cap);
  if (used >= cap) {
    dst[cap - 1] = 0;
    return false;
  }
  return WCopy(dst + used, cap - used, src);
}

std::u16string FromUtf8(std::string_view s) {
  std::u16string out;
  out.reserve(s.size());
  size_t i = 0;
  while (i < s.size()) {
    uint8_t c = uint8_t(s[i]);
    uint32_t cp = c;
    size_t extra = 0;
    if (c >= 0x80) {
      if ((c >> 5) == 6) { cp = c & 0x1F; extra = 1; }
      else if ((c >> 4) == 14) { cp = c & 0x0F; extra = 2; }
      else if ((c >> 3) == 30) { cp = c & 0x07; extra = 3; }
      else { out.push_back(0xFFFD); ++i; continue; }
    }
    bool ok = i + extra < s.size();
    for (size_t k = 1; ok && k <= extra; ++k) {
      uint8_t cc = uint8_t(s[i + k]);
      if ((cc >> 6) != 2) ok = false;
      else cp = (cp << 6) | (cc & 0x3F);
    }
    if (!ok) { out.push_back(0xFFFD); ++i; continue; }
    i += extra + 1;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(char16_t(0xD800 + (cp >> 10)));
      out.push_back(char16_t(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(char16_t(cp));
    }
  }
  return out;
}

std::string ToUtf8(std::u16string_view s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    uint32_t cp = s[i];
    if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    }
    if (cp < 0x80) out.push_back(char(cp));
    else if (cp < 0x800) { out.push_back(char(0xC0 | (cp >> 6))); out.push_back(char(0x80 | (cp & 0x3F))); }
    else if (cp < 0x10000) {
      out.push_back(char(0xE0 | (cp >> 12)));
      out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(char(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(char(0xF0 | (cp >> 18)));
      out.push_back(char(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(char(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

namespace {

struct Out {
  char16_t* dst;
  size_t cap;
  size_t n = 0;
  void Put(char16_t c) {
    if (n + 1 < cap) dst[n] = c;
    ++n;
  }
  void PutAscii(const char* s) {
    while (*s) Put(char16_t(uint8_t(*s++)));
  }
};

}  // namespace

int WFormat(char16_t* dst, size_t cap, const char16_t* fmt, ...) {
  if (!dst || cap == 0) return 0;
  Out out{dst, cap};
  va_list ap;
  va_start(ap, fmt);
  for (const char16_t* p = fmt; p && *p; ++p) {
    if (*p != u'%') {
      out.Put(*p);
      continue;
    }
    // Collect a conversion: flags, width, precision, length, type.
    std::string conversion = "%";
    ++p;
    while (*p && std::strchr("-+ #0123456789.", char(*p)) && *p < 0x80) conversion.push_back(char(*p++));
    bool is_long = false, is_short = false;
    while (*p == u'l') { is_long = true; ++p; }
    if (*p == u'h') { is_short = true; ++p; }
    char16_t type = *p;
    if (!type) break;
    char buf[64];
    switch (type) {
      case u'%': out.Put(u'%'); break;
      case u'd': case u'i': case u'u': case u'x': case u'X': {
        conversion.push_back(char(type));
        // Windows long is 32 bits: %ld takes a 32-bit value.
        (void)is_long;
        if (type == u'd' || type == u'i') std::snprintf(buf, sizeof buf, conversion.c_str(), va_arg(ap, int));
        else std::snprintf(buf, sizeof buf, conversion.c_str(), va_arg(ap, unsigned));
        out.PutAscii(buf);
        break;
      }
      case u'c': out.Put(char16_t(va_arg(ap, int))); break;
      case u's': {
        if (is_short) {
          const char* s = va_arg(ap, const char*);
          out.PutAscii(s ? s : "(null)");
        } else {
          const char16_t* s = va_arg(ap, const char16_t*);
          if (!s) s = u"(null)";
          while (*s) out.Put(*s++);
        }
        break;
      }
      default: out.Put(u'%'); out.Put(type); break;
    }
  }
  va_end(ap);
  size_t written = out.n < cap ? out.n : cap - 1;
  dst[written] = 0;
  return int(written);
}

}  // namespace plat
