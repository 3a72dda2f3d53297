// Helpers of the engine tests: a bitmap of the engine and its pixels as
// text pictures.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "eng/control.h"
#include "eng/ddi.h"
#include "eng/objects.h"

namespace eng_test {

class TestBitmap {
 public:
  TestBitmap(LONG w, LONG h, ULONG format, bool top_down = true) {
    h_ = EngCreateBitmap(SIZEL{w, h}, 0, format, top_down ? BMF_TOPDOWN : 0, nullptr);
    so_ = h_ ? EngLockSurface(h_) : nullptr;
    if (so_) Fill(format == BMF_1BPP ? 1 : 0xFFFFFF);
  }
  ~TestBitmap() {
    if (h_) EngDeleteSurface(h_);
  }
  SURFOBJ* so() const { return so_; }
  void Fill(ULONG color) {
    RECTL all{0, 0, so_->sizlBitmap.cx, so_->sizlBitmap.cy};
    EngEraseSurface(so_, &all, color);
  }
  const uint8_t* Row(LONG y) const {
    return static_cast<const uint8_t*>(so_->pvScan0) + ptrdiff_t(y) * so_->lDelta;
  }
  uint32_t At(LONG x, LONG y) const {
    const uint8_t* r = Row(y);
    if (so_->iBitmapFormat == BMF_1BPP) return (r[x >> 3] >> (7 - (x & 7))) & 1;
    const uint8_t* p = r + 3 * x;  // 24-bit: blue, green, red
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16);
  }
  // Rows as text: '#' for black (1-bit 0, 24-bit 0x000000), '.' for white,
  // 'o' for any other colour.
  std::vector<std::string> Picture() const {
    std::vector<std::string> rows;
    for (LONG y = 0; y < so_->sizlBitmap.cy; ++y) {
      std::string row;
      for (LONG x = 0; x < so_->sizlBitmap.cx; ++x) {
        uint32_t v = At(x, y);
        bool mono = so_->iBitmapFormat == BMF_1BPP;
        row.push_back(mono ? (v ? '.' : '#') : v == 0 ? '#' : v == 0xFFFFFF ? '.' : 'o');
      }
      rows.push_back(row);
    }
    return rows;
  }

 private:
  HBITMAP h_ = nullptr;
  SURFOBJ* so_ = nullptr;
};

inline std::string Joined(const std::vector<std::string>& rows) {
  std::string s;
  for (const auto& r : rows) s += r + "\n";
  return s;
}

}  // namespace eng_test
