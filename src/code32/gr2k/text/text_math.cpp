// Integer helpers of the text output: rounding, the direction of a vector
// and sine and cosine over the two tables, the multibyte form of names and
// the font-identity suffix of a name.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "gr2k/text.h"

int32_t TxtRound(double v) {
  if (!(v == v)) return 0;
  const double tenfold = std::clamp(std::trunc(v * 10.0), -9.0e18, 9.0e18);
  const int64_t r = (int64_t(tenfold) + 5) / 10;
  return int32_t(std::clamp<int64_t>(r, INT32_MIN, INT32_MAX));
}

int32_t TxtAngle(int32_t x, int32_t y) {
  if (y == 0) return x < 0 ? 180 : 0;
  if (x == 0) return y < 0 ? -90 : 90;
  const uint64_t ax = x < 0 ? uint64_t(-int64_t(x)) : uint64_t(x);
  const uint64_t ay = y < 0 ? uint64_t(-int64_t(y)) : uint64_t(y);
  uint64_t big = std::max(ax, ay), small = std::min(ax, ay);
  while (big > 32767) {  // both to 15 bits
    big >>= 1;
    small >>= 1;
  }
  const uint64_t ratio = small * 32767 / big;  // 0 to 32767
  // The first entry not below the ratio, then the nearer of it and the one
  // before (a tie goes to the smaller angle).
  int lo = 0, hi = kTxtTanEntries - 1;
  while (lo < hi) {
    const int mid = (lo + hi) / 2;
    if (kTxtTanTable[mid] < ratio) {
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  if (lo > 0 && ratio - kTxtTanTable[lo - 1] <= kTxtTanTable[lo] - ratio) --lo;
  int32_t tenths = lo;
  if (ay > ax) tenths = 900 - tenths;  // the upper half of the octant
  const int32_t degrees = (tenths + 5) / 10;
  if (x > 0) return y > 0 ? degrees : -degrees;
  return y > 0 ? 180 - degrees : degrees - 180;
}

int32_t TxtSin(int32_t degrees) {
  const int32_t d = int32_t(((int64_t(degrees) % 360) + 360) % 360);
  if (d <= 90) return kTxtSinTable[d];
  if (d <= 180) return kTxtSinTable[180 - d];
  if (d <= 270) return -int32_t(kTxtSinTable[d - 180]);
  return -int32_t(kTxtSinTable[360 - d]);
}

int32_t TxtCos(int32_t degrees) { return TxtSin(int32_t((int64_t(degrees) % 360) + 90)); }

uint32_t TxtToMultiByte(char* out, uint32_t capacity, const char16_t* text, uint32_t byte_length) {
  if (!out || !text) return 0;
  uint32_t written = 0;
  for (uint32_t i = 0; i < byte_length / 2 && text[i]; ++i) {
    const char16_t c = text[i];
    if (c <= 0x80) {
      if (written + 1 > capacity) break;
      out[written++] = char(uint8_t(c));
      continue;
    }
    char bytes[2] = {};
    ULONG n = 0;
    WCHAR wide = c;
    EngUnicodeToMultiByteN(bytes, sizeof bytes, &n, &wide, sizeof wide);
    if (n == 0 || written + n > capacity) break;
    std::memcpy(out + written, bytes, n);
    written += n;
  }
  return written;
}

namespace {

bool IsLeadByte(uint8_t b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

}  // namespace

void TxtAppendFontIdSuffix(char* name, uint32_t font_id) {
  char suffix[16];
  const int suffix_len = std::snprintf(suffix, sizeof suffix, "_%X", font_id);
  const size_t room = kTxtNameBytes - 1 - size_t(suffix_len);  // the terminator stays inside the field
  const size_t length = strnlen(name, kTxtNameBytes - 1);
  size_t keep = 0;
  while (keep < length) {
    const size_t step = IsLeadByte(uint8_t(name[keep])) && keep + 1 < length ? 2 : 1;
    if (keep + step > room) break;
    keep += step;
  }
  std::memcpy(name + keep, suffix, size_t(suffix_len) + 1);
}
