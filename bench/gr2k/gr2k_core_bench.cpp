// A 600 dpi A4 page in 24 bits, sent as raster bands of 512 rows (one image
// record each) through the display-list buffer to a spool-side module that
// only counts, against a memcpy of the same bytes; and the glyph compressor
// over glyph-like bitmaps.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "gr2k/dlrecords.h"
#include "gr2k/glyph.h"
#include "gr2k/pdev.h"

namespace {

constexpr uint32_t kPageWidth = 4961;   // 210 mm at 600 dpi
constexpr uint32_t kPageHeight = 7016;  // 297 mm
constexpr uint32_t kBandRows = 512;

const std::vector<uint8_t>& Page() {
  static const std::vector<uint8_t> page = [] {
    std::vector<uint8_t> p(DlImageRowBytes(kPageWidth, kImageDepth24) * kPageHeight);
    for (size_t i = 0; i < p.size(); ++i) p[i] = uint8_t((i * 2654435761u) >> 24);
    return p;
  }();
  return page;
}

uint64_t g_sent = 0;
BOOL CountingWrite(HANDLE, LPVOID, DWORD n, DWORD* written) {
  g_sent += n;
  *written = n;
  return TRUE;
}

void EncodePage(benchmark::State& state, bool monochrome) {
  const std::vector<uint8_t>& page = Page();
  const uint64_t row_bytes = DlImageRowBytes(kPageWidth, kImageDepth24);
  Pdev* pdev = PdevCreate(nullptr);
  pdev->rasterMode = 1;
  pdev->machineColor = monochrome ? 0 : 1;
  pdev->color = monochrome ? 1 : 2;
  DisplayListStream* s = &pdev->stream;
  s->spoolModule = reinterpret_cast<HMODULE>(1);
  s->spoolWrite = CountingWrite;
  for (auto _ : state) {
    DlInit(s);
    for (uint32_t top = 0; top < kPageHeight; top += kBandRows) {
      const uint32_t rows = std::min(kBandRows, kPageHeight - top);
      DlImageSource band{0, int32_t(top), int32_t(kPageWidth), int32_t(rows), 0, 0, kPageWidth, rows,
                         kImageDepth24, page.data() + top * row_bytes, nullptr, false};
      if (!DlImage(s, band)) state.SkipWithError("image record refused");
    }
    if (!DlFlush(s)) state.SkipWithError("flush failed");
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(page.size()));
  state.counters["sent_MB"] = double(g_sent) / double(state.iterations()) / 1e6;
  g_sent = 0;
  PdevDestroy(pdev);
}

void BM_ImageRecordsColourPage(benchmark::State& state) { EncodePage(state, false); }
void BM_ImageRecordsGreyPage(benchmark::State& state) { EncodePage(state, true); }

void BM_MemcpyPage(benchmark::State& state) {
  const std::vector<uint8_t>& page = Page();
  std::vector<uint8_t> copy(page.size());
  for (auto _ : state) {
    std::memcpy(copy.data(), page.data(), page.size());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(page.size()));
}

// Rings, bars and diagonals of a 10.5 pt character at 1200 dpi (about 175
// pixels square), the kind of bitmap the printer downloads.
std::vector<std::vector<uint8_t>> Glyphs(uint32_t side) {
  std::vector<std::vector<uint8_t>> glyphs;
  const uint32_t row_bytes = (side + 7) / 8;
  for (int shape = 0; shape < 16; ++shape) {
    std::vector<uint8_t> g(size_t(row_bytes) * side, 0);
    for (uint32_t y = 0; y < side; ++y) {
      for (uint32_t x = 0; x < side; ++x) {
        const double dx = double(x) - side / 2.0, dy = double(y) - side / 2.0;
        const double r = std::sqrt(dx * dx + dy * dy);
        bool on = false;
        switch (shape % 4) {
          case 0: on = r > side * (0.25 + 0.01 * shape) && r < side * 0.42; break;
          case 1: on = (y > side / 5 && y < side / 5 + 12 + shape) || (x > side / 2 - 8 && x < side / 2 + 8); break;
          case 2: on = std::abs(int(x) - int(y)) < 10 + shape || std::abs(int(x + y) - int(side)) < 10; break;
          default: on = ((x / (4 + shape)) + (y / 9)) % 3 == 0 && r < side * 0.45; break;
        }
        if (on) g[y * row_bytes + x / 8] |= uint8_t(0x80 >> (x % 8));
      }
    }
    glyphs.push_back(std::move(g));
  }
  return glyphs;
}

void BM_GlyphCompress(benchmark::State& state) {
  const uint32_t side = uint32_t(state.range(0));
  const uint32_t row_bytes = (side + 7) / 8;
  const auto glyphs = Glyphs(side);
  std::vector<uint8_t> out((glyphs[0].size() + 3) / 4 * 4);
  uint64_t plain = 0, coded = 0;
  for (auto _ : state) {
    for (const auto& g : glyphs) {
      const uint32_t n = GlyphCompress(nullptr, g.data(), out.data(), out.size(), side, row_bytes);
      benchmark::DoNotOptimize(n);
      plain += g.size();
      coded += n ? n : g.size();
    }
  }
  state.SetBytesProcessed(int64_t(plain));
  state.counters["ratio"] = double(coded) / double(plain);
}

}  // namespace

BENCHMARK(BM_ImageRecordsColourPage)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ImageRecordsGreyPage)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_MemcpyPage)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_GlyphCompress)->Arg(175)->Arg(720)->Unit(benchmark::kMicrosecond);
