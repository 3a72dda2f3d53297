// The print road of "velm print" for a 20-page A4 document at 600 dpi in
// vector mode (24-bit colour) and in raster mode (one-bit and 24-bit),
// beside MuPDF's own render of the same pages into memory: the difference
// is what playing the pages as drawing calls, the engine, the driver and
// the spool-side module cost over the render. Each reports seconds per page
// (page_s); the print roads also the job stream's bytes per page
// (page_bytes), written to a file in the temporary folder.
//
// The machine is set up with the velm program beside this one (machine
// init, printer add with the reference model, devmode set for the two
// raster jobs) in a temporary folder removed at exit.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "pdf_document.h"
#include "plat/machine.h"
#include "print_road.h"

namespace {

constexpr int kPages = 20;
constexpr int kDpi = 600;

std::string ProgramDir() {
  char buf[4096];
  ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  std::string exe = n > 0 ? std::string(buf, size_t(n)) : std::string("./x");
  return exe.substr(0, exe.find_last_of('/'));
}

struct Setup {
  std::string root, pdf, dm1, dm24;
  bool ok = false;
};

const Setup& Machine() {
  static Setup s = [] {
    Setup m;
    char tmpl[] = "/tmp/velm-bench-print-XXXXXX";
    if (!mkdtemp(tmpl)) return m;
    m.root = tmpl;
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(Machine().root, ec);
    });
    const std::string dir = ProgramDir(), velm = dir + "/velm --machine " + m.root + "/machine ";
    m.pdf = m.root + "/doc20.pdf";
    m.dm1 = m.root + "/raster1.dm";
    m.dm24 = m.root + "/raster24.dm";
    const std::string quiet = " >/dev/null 2>&1";
    m.ok = std::system((velm + "machine init " + m.root + "/machine" + quiet).c_str()) == 0 &&
           std::system((velm + "printer add Office --model " VELM_REFERENCE_MODEL + quiet).c_str()) == 0 &&
           std::system((velm + "devmode set Office vdmImagePrint=1 vdmColorProcess=1 dmColor=1 -o " + m.dm1 + quiet)
                           .c_str()) == 0 &&
           std::system((velm + "devmode set Office vdmImagePrint=1 -o " + m.dm24 + quiet).c_str()) == 0 &&
           std::system((dir + "/make_test_pdf " + m.pdf + " " + std::to_string(kPages)).c_str()) == 0;
    plat::SetMachineRoot(m.root + "/machine");
    unsetenv("VELM_MACHINE");
    return m;
  }();
  return s;
}

void PerPage(benchmark::State& state) {
  state.counters["page_s"] =
      benchmark::Counter(kPages, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

enum class Road { kVector, kRaster1, kRaster24 };

void PrintRoad(benchmark::State& state, Road road) {
  const Setup& m = Machine();
  if (!m.ok) {
    state.SkipWithError("no machine (velm and make_test_pdf must be beside this program)");
    return;
  }
  velm::PrintRequest request;
  request.printer = "Office";
  request.document = m.pdf;
  request.output = m.root + "/job";
  request.devmode = road == Road::kRaster1 ? m.dm1 : road == Road::kRaster24 ? m.dm24 : "";
  request.mode = road == Road::kVector ? velm::PrintRequest::Mode::kVector : velm::PrintRequest::Mode::kRaster;
  for (auto _ : state) {
    velm::PrintResult result;
    std::string error;
    if (!velm::PrintDocument(request, &result, &error) || result.pages != kPages) {
      state.SkipWithError(error.c_str());
      return;
    }
  }
  PerPage(state);
  std::error_code ec;
  const auto bytes = std::filesystem::file_size(request.output, ec);
  state.counters["page_bytes"] = ec ? 0.0 : double(bytes) / kPages;
  std::filesystem::remove(request.output, ec);
}

void MupdfRender(benchmark::State& state, int bits) {
  const Setup& m = Machine();
  std::string error;
  auto doc = m.ok ? velm::PdfDocument::Open(m.pdf, &error) : nullptr;
  if (!doc) {
    state.SkipWithError("no document");
    return;
  }
  for (auto _ : state) {
    for (int n = 0; n < kPages; ++n) {
      velm::PageImage page;
      if (!doc->Render(n, kDpi, bits, &page, &error)) {
        state.SkipWithError(error.c_str());
        return;
      }
      benchmark::DoNotOptimize(page.data.data());
    }
  }
  PerPage(state);
}

BENCHMARK_CAPTURE(PrintRoad, vector_24bit, Road::kVector)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK_CAPTURE(PrintRoad, raster_1bit, Road::kRaster1)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK_CAPTURE(MupdfRender, render_1bit, 1)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK_CAPTURE(PrintRoad, raster_24bit, Road::kRaster24)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK_CAPTURE(MupdfRender, render_24bit, 24)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace
