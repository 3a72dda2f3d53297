// Glyph compression round trip: whatever the bitmap, the compressed form
// stays inside its capacity and the reader expands it back to the bitmap.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "gr2k/glyph.h"
#include "jobreader/jobreader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  // First byte: the capacity as a share of the plain size; the rest: the rows.
  const uint64_t share = data[0];
  const uint8_t* plain = data + 1;
  const size_t n = size - 1;
  const uint64_t capacity = share == 255 ? n * 3 + 16 : n * share / 128;
  std::vector<uint8_t> out(capacity + 16, 0xCD);
  const uint32_t coded = GlyphCompress(nullptr, plain, out.data(), capacity, 1, uint32_t(n));
  for (uint64_t i = capacity; i < out.size(); ++i) {
    if (out[i] != 0xCD) std::abort();  // written past the capacity
  }
  if (coded > capacity || coded > 65535) std::abort();
  if (coded == 0) return 0;
  std::vector<uint8_t> expanded;
  jobread::Error error;
  if (!jobread::ExpandGlyph(out.data(), coded, n, &expanded, &error)) std::abort();
  expanded.resize(n, 0);
  if (std::memcmp(expanded.data(), plain, n) != 0) std::abort();
  return 0;
}
