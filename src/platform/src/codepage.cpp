// Code page 932 (Shift-JIS as Windows maps it). The two tables are built once
// from glibc's CP932 converter; conversions then run on the tables, which is
// both faster than calling iconv per string and lets every byte sequence
// convert (iconv refuses a few bytes that Windows converts anyway).
#include <iconv.h>

#include <atomic>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "plat/kernel.h"

namespace {

constexpr char16_t kUnmappedWide = 0x30FB;  // KATAKANA MIDDLE DOT, the CP932 default
constexpr char kUnmappedAnsi = '?';

bool IsLead(uint8_t b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

// The five single bytes that no character of the code page uses, as Windows'
// converter maps them (its best-fit table for code page 932): 0x80 to U+0080
// and 0xA0, 0xFD, 0xFE, 0xFF to the private-use characters U+F8F0-U+F8F3,
// and back again, so that such bytes survive a round trip through wide text.
struct ExtraByte {
  uint8_t byte;
  char16_t wide;
};
constexpr ExtraByte kExtraBytes[] = {{0x80, 0x0080}, {0xA0, 0xF8F0}, {0xFD, 0xF8F1}, {0xFE, 0xF8F2}, {0xFF, 0xF8F3}};

struct Tables {
  char16_t single[256];
  std::vector<char16_t> dbcs;     // [lead][trail] -> code unit, 0 = none
  std::vector<uint16_t> reverse;  // code unit -> byte (<0x100) or lead<<8|trail; 0 = none
};

int LeadIndex(uint8_t lead) { return lead <= 0x9F ? lead - 0x81 : lead - 0xE0 + 31; }

char16_t Decode(iconv_t cd, const char* in, size_t n) {
  char16_t out[4] = {};
  char* pin = const_cast<char*>(in);
  size_t in_left = n;
  char* pout = reinterpret_cast<char*>(out);
  size_t out_left = sizeof(out);
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  if (iconv(cd, &pin, &in_left, &pout, &out_left) == size_t(-1) || in_left != 0) return 0;
  if (sizeof(out) - out_left != 2) return 0;
  return out[0];
}

const Tables& Get() {
  static Tables t;
  static std::once_flag once;
  std::call_once(once, [] {
    t.dbcs.assign(60 * 256, 0);
    t.reverse.assign(65536, 0);
    iconv_t dec = iconv_open("UTF-16LE", "CP932");
    iconv_t enc = iconv_open("CP932", "UTF-16LE");
    for (int b = 0; b < 256; ++b) {
      t.single[b] = 0;
      if (b < 0x80) {
        t.single[b] = char16_t(b);
        continue;
      }
      if (IsLead(uint8_t(b))) continue;
      char c = char(b);
      if (dec != iconv_t(-1)) t.single[b] = Decode(dec, &c, 1);
    }
    for (int lead = 0; lead < 256; ++lead) {
      if (!IsLead(uint8_t(lead))) continue;
      for (int trail = 0x40; trail <= 0xFC; ++trail) {
        if (trail == 0x7F) continue;
        char in[2] = {char(lead), char(trail)};
        if (dec != iconv_t(-1)) t.dbcs[LeadIndex(uint8_t(lead)) * 256 + trail] = Decode(dec, in, 2);
      }
    }
    // Reverse table: what Windows' encoder chooses is what glibc's CP932
    // encoder chooses for the duplicated NEC/IBM characters.
    for (uint32_t u = 1; u < 0x10000; ++u) {
      if (u >= 0xD800 && u < 0xE000) continue;
      if (u < 0x80) {
        t.reverse[u] = uint16_t(u);
        continue;
      }
      if (enc == iconv_t(-1)) break;
      char16_t in = char16_t(u);
      char out[4] = {};
      char* pin = reinterpret_cast<char*>(&in);
      size_t in_left = 2;
      char* pout = out;
      size_t out_left = sizeof(out);
      iconv(enc, nullptr, nullptr, nullptr, nullptr);
      if (iconv(enc, &pin, &in_left, &pout, &out_left) == size_t(-1)) continue;
      size_t n = sizeof(out) - out_left;
      if (n == 1) t.reverse[u] = uint8_t(out[0]);
      else if (n == 2) t.reverse[u] = uint16_t(uint8_t(out[0]) << 8 | uint8_t(out[1]));
    }
    for (const ExtraByte& e : kExtraBytes) {
      t.single[e.byte] = e.wide;
      t.reverse[e.wide] = e.byte;
    }
    if (dec != iconv_t(-1)) iconv_close(dec);
    if (enc != iconv_t(-1)) iconv_close(enc);
  });
  return t;
}

}  // namespace

size_t plat::AnsiToWide(const char* src, size_t src_bytes, char16_t* dst, size_t dst_chars) {
  if (!src || !dst) return 0;
  const Tables& t = Get();
  size_t i = 0, o = 0;
  while (i < src_bytes && o < dst_chars) {
    uint8_t b = uint8_t(src[i]);
    if (IsLead(b)) {
      if (i + 1 >= src_bytes || src[i + 1] == 0) {
        dst[o++] = kUnmappedWide;  // lone lead byte at the end of the text
        ++i;
        continue;
      }
      uint8_t trail = uint8_t(src[i + 1]);
      char16_t u = t.dbcs[LeadIndex(b) * 256 + trail];
      dst[o++] = u ? u : kUnmappedWide;
      i += 2;
      continue;
    }
    char16_t u = t.single[b];
    dst[o++] = (u || b == 0) ? u : kUnmappedWide;
    ++i;
  }
  return o;
}

size_t plat::WideToAnsi(const char16_t* src, size_t src_chars, char* dst, size_t dst_bytes) {
  if (!src || !dst) return 0;
  const Tables& t = Get();
  size_t o = 0;
  for (size_t i = 0; i < src_chars; ++i) {
    uint16_t code = src[i] == 0 ? 0 : t.reverse[src[i]];
    if (src[i] != 0 && code == 0) code = uint8_t(kUnmappedAnsi);
    if (code > 0xFF) {
      if (o + 2 > dst_bytes) break;  // never split a double-byte character
      dst[o++] = char(code >> 8);
      dst[o++] = char(code & 0xFF);
    } else {
      if (o + 1 > dst_bytes) break;
      dst[o++] = char(code);
    }
  }
  return o;
}

size_t plat::WideToAnsiLength(const char16_t* src, size_t src_chars) {
  if (!src) return 0;
  const Tables& t = Get();
  size_t n = 0;
  for (size_t i = 0; i < src_chars; ++i) n += t.reverse[src[i]] > 0xFF ? 2 : 1;
  return n;
}

namespace {
std::atomic<int> g_locale_country{81};
}  // namespace

void plat::SetLocaleCountry(int country) { g_locale_country.store(country); }

namespace {
std::atomic<unsigned> g_user_language{0x0411};
}  // namespace

void plat::SetUserLanguage(unsigned short language) { g_user_language.store(language); }

extern "C" {

UINT GetACP() { return 932; }

WORD GetUserDefaultLangID() { return WORD(g_user_language.load()); }

INT GetLocaleInfoW(LCID, LCTYPE type, LPWSTR data, INT chars) {
  if (type != LOCALE_ICOUNTRY || chars < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::string text = std::to_string(g_locale_country.load());
  INT needed = INT(text.size() + 1);
  if (chars == 0) return needed;
  if (!data || chars < needed) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  for (size_t i = 0; i < text.size(); ++i) data[i] = char16_t(text[i]);
  data[text.size()] = 0;
  return needed;
}

BOOL IsDBCSLeadByte(BYTE b) { return IsLead(b) ? TRUE : FALSE; }

INT MultiByteToWideChar(UINT cp, DWORD /*flags*/, LPCSTR src, INT src_len, LPWSTR dst, INT dst_chars) {
  if (!src || (cp != CP_ACP && cp != 932)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  size_t n = src_len < 0 ? std::strlen(src) + 1 : size_t(src_len);
  std::vector<char16_t> tmp(n + 1);
  size_t units = plat::AnsiToWide(src, n, tmp.data(), tmp.size());
  if (dst_chars == 0) return INT(units);
  if (!dst || units > size_t(dst_chars)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(dst, tmp.data(), units * sizeof(char16_t));
  return INT(units);
}

INT WideCharToMultiByte(UINT cp, DWORD /*flags*/, LPCWSTR src, INT src_len, LPSTR dst, INT dst_bytes,
                        LPCSTR /*default_char*/, BOOL* used_default) {
  if (!src || (cp != CP_ACP && cp != 932)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  size_t n = 0;
  if (src_len < 0) {
    while (src[n]) ++n;
    ++n;
  } else {
    n = size_t(src_len);
  }
  if (used_default) *used_default = FALSE;
  size_t need = plat::WideToAnsiLength(src, n);
  if (dst_bytes == 0) return INT(need);
  if (!dst || need > size_t(dst_bytes)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  return INT(plat::WideToAnsi(src, n, dst, size_t(dst_bytes)));
}

}  // extern "C"
