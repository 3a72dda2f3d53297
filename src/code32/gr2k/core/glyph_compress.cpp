// Run-length compression of glyph bitmaps (see gr2k/glyph.h for the form).
#include "gr2k/glyph.h"

namespace {

constexpr uint64_t kMaxCompressed = 0xFFFF;  // the compressed length travels as 16 bits

class Output {
 public:
  Output(uint8_t* out, uint64_t capacity) : out_(out), capacity_(capacity) {}
  void Put(uint8_t b) {
    if (written_ >= capacity_ || written_ >= kMaxCompressed) {
      full_ = true;
      return;
    }
    out_[written_++] = b;
  }
  // Extension bytes of a count: 255 while 255 or more remain, then the rest.
  void PutExtension(uint64_t rest) {
    for (; rest >= 255 && !full_; rest -= 255) Put(255);
    Put(uint8_t(rest));
  }
  void PutBytes(const uint8_t* p, uint64_t n) {
    for (uint64_t i = 0; i < n && !full_; ++i) Put(p[i]);
  }
  bool full() const { return full_; }
  uint64_t written() const { return written_; }

 private:
  uint8_t* out_;
  uint64_t capacity_;
  uint64_t written_ = 0;
  bool full_ = false;
};

// Where a literal that starts at p ends: before the end, a zero byte, a run
// of four equal bytes, or a run of three equal bytes followed by a zero.
uint64_t LiteralEnd(const uint8_t* in, uint64_t n, uint64_t p) {
  uint64_t q = p + 1;
  for (; q < n; ++q) {
    const uint8_t c = in[q];
    if (c == 0) break;
    if (q + 3 < n && in[q + 1] == c && in[q + 2] == c && (in[q + 3] == c || in[q + 3] == 0)) break;
  }
  return q;
}

}  // namespace

uint32_t GlyphCompress(Pdev* /*pdev*/, const uint8_t* plain, uint8_t* out, uint64_t capacity, uint32_t rows,
                       uint32_t row_bytes) {
  if (!plain || !out) return 0;
  const uint64_t n = uint64_t(rows) * row_bytes;
  Output w(out, capacity);
  uint64_t p = 0;
  while (!w.full()) {
    uint64_t zeros = 0;
    while (p < n && plain[p] == 0) ++p, ++zeros;
    if (p >= n) break;  // trailing zeros are not coded
    const uint8_t b = plain[p];
    uint64_t same = 0;
    while (p + 1 + same < n && plain[p + 1 + same] == b) ++same;
    const bool repeat = same >= 2;
    uint64_t count;
    const uint8_t* data = plain + p;
    if (repeat) {
      count = same;  // the data byte stands for count + 1 copies
      p += same + 1;
    } else {
      const uint64_t end = LiteralEnd(plain, n, p);
      count = end - p;
      p = end;
    }
    w.Put(uint8_t((repeat ? 0x80 : 0) | ((zeros >= 15 ? 15 : zeros) << 3) | (count >= 8 ? 7 : count - 1)));
    if (zeros >= 15) w.PutExtension(zeros - 15);
    if (count >= 8) w.PutExtension(count - 8);
    w.PutBytes(data, repeat ? 1 : count);
  }
  if (w.full() || w.written() == 0) return 0;  // the caller sends the plain rows
  return uint32_t(w.written());
}
