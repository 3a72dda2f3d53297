// "velm job dump --summary" over a large job: four 600 dpi A4 pages in 24
// bits as raster bands (about 420 MB), written once through the
// display-list encoders into a temporary file; each run is the host reading
// it whole. Reports the throughput and the largest resident memory of the
// host, which stays far below the size of the job.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "gr2k/dlrecords.h"
#include "gr2k/pdev.h"

namespace {

constexpr uint32_t kPageWidth = 4961;   // 210 mm at 600 dpi
constexpr uint32_t kPageHeight = 7016;  // 297 mm
constexpr uint32_t kBandRows = 512;
constexpr int kPages = 4;

FILE* g_job = nullptr;
char g_path[512];
BOOL FileWrite(HANDLE, LPVOID data, DWORD n, DWORD* written) {
  *written = DWORD(std::fwrite(data, 1, n, g_job));
  return *written == n;
}

void Block(uint8_t kind, const std::vector<uint8_t>& data) {
  const uint8_t header[8] = {kind, 0, 0, 0, uint8_t(data.size()), uint8_t(data.size() >> 8),
                             uint8_t(data.size() >> 16), uint8_t(data.size() >> 24)};
  std::fwrite(header, 1, sizeof header, g_job);
  std::fwrite(data.data(), 1, data.size(), g_job);
}

std::vector<uint8_t> Le(std::initializer_list<uint32_t> words) {
  std::vector<uint8_t> out;
  for (uint32_t w : words) {
    for (int k = 0; k < 4; ++k) out.push_back(uint8_t(w >> (8 * k)));
  }
  return out;
}

// The job file, made on first use and removed at exit.
const std::string& Job() {
  static const std::string path = [] {
    std::string p = (std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") + std::string("/jobdump-bench-") +
                    std::to_string(getpid()) + ".job";
    g_job = std::fopen(p.c_str(), "wb");
    const uint64_t row_bytes = DlImageRowBytes(kPageWidth, kImageDepth24);
    std::vector<uint8_t> page(row_bytes * kPageHeight);
    for (size_t i = 0; i < page.size(); ++i) page[i] = uint8_t((i * 2654435761u) >> 24);
    Pdev* pdev = PdevCreate(nullptr);
    pdev->rasterMode = 1;
    pdev->machineColor = 1;
    pdev->color = 2;
    DisplayListStream* s = &pdev->stream;
    s->spoolModule = reinterpret_cast<HMODULE>(1);
    s->spoolWrite = FileWrite;
    const std::string start = "@PJL ENTER LANGUAGE = VELM\r\n";
    Block(0xF3, std::vector<uint8_t>(start.begin(), start.end()));
    for (int n = 0; n < kPages; ++n) {
      Block(0xF4, {});
      Block(0xF0, {});
      Block(0xF5, Le({0x60, kPageWidth, kPageHeight, 600 | 600u << 16}));
      DlInit(s);
      for (uint32_t top = 0; top < kPageHeight; top += kBandRows) {
        const uint32_t rows = std::min(kBandRows, kPageHeight - top);
        DlImageSource band{0, int32_t(top), int32_t(kPageWidth), int32_t(rows), 0, 0, kPageWidth, rows,
                           kImageDepth24, page.data() + top * row_bytes, nullptr, false};
        if (!DlImage(s, band)) std::abort();
      }
      if (!DlFlush(s)) std::abort();
      Block(0xF5, Le({0x61}));
      Block(0xF1, {0x0C});
    }
    PdevDestroy(pdev);
    if (std::fclose(g_job) != 0) std::abort();
    std::snprintf(g_path, sizeof g_path, "%s", p.c_str());
    std::atexit([] { std::remove(g_path); });
    if (std::getenv("JOBDUMP_BENCH_KEEP")) g_path[0] = 0;
    return p;
  }();
  return path;
}

void BM_JobDumpSummary(benchmark::State& state) {
  const std::string& job = Job();
  FILE* f = std::fopen(job.c_str(), "rb");
  std::fseek(f, 0, SEEK_END);
  const long size = std::ftell(f);
  std::fclose(f);
  for (auto _ : state) {
    const pid_t child = fork();
    if (child == 0) {
      if (!std::freopen("/dev/null", "w", stdout)) _exit(120);
      execl(VELM_TOOL, VELM_TOOL, "job", "dump", "--summary", job.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) state.SkipWithError("velm job dump failed");
  }
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);
  state.SetBytesProcessed(int64_t(state.iterations()) * size);
  state.counters["job_MB"] = double(size) / 1e6;
  state.counters["max_rss_MB"] = double(usage.ru_maxrss) / 1024;
}

}  // namespace

BENCHMARK(BM_JobDumpSummary)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
