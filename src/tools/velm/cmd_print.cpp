// velm print PRINTER FILE.pdf [-o JOB] [--pages A-B] [--copies N]
// [--devmode FILE] [--mode vector|raster]: prints a PDF document on a printer of the machine through
// its graphics driver (see print_road.h) and tells where the job stream went.
// JOB is a host file; by default the stream is the job's file in the
// machine's spool folder. The job's DEVMODE is the printer's default, or the
// DEVMODE file given (as "velm devmode set ... -o FILE" writes one: raster
// mode and colour are settings of the DEVMODE); --copies sets its dmCopies,
// --mode its vector or raster mode (by default the DEVMODE's, that is the
// model's unless the file says otherwise).
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "command.h"
#include "plat/machine.h"
#include "print_road.h"

namespace {

int Usage() {
  std::fprintf(stderr, "usage: velm print PRINTER FILE.pdf [-o JOB] [--pages A-B] [--copies N] [--devmode FILE]\n"
                       "                  [--mode vector|raster]\n");
  return 2;
}

int Fail(const std::string& why) {
  std::fprintf(stderr, "velm print: %s\n", why.c_str());
  return 1;
}

// A whole positive decimal number; false for anything else.
bool ParseCount(const std::string& text, int* out) {
  if (text.empty() || text.size() > 9) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  *out = std::atoi(text.c_str());
  return *out > 0;
}

// "A-B", or "A" for one page.
bool ParsePages(const std::string& text, int* first, int* last) {
  size_t dash = text.find('-');
  if (dash == std::string::npos) {
    if (!ParseCount(text, first)) return false;
    *last = *first;
    return true;
  }
  return ParseCount(text.substr(0, dash), first) && ParseCount(text.substr(dash + 1), last) && *first <= *last;
}

int RunPrint(const velm_cli::Args& args) {
  velm::PrintRequest request;
  bool have_printer = false, have_document = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool has_value = i + 1 < args.size();
    if (a == "-o" && has_value) {
      request.output = args[++i];
      if (request.output.empty()) return Fail("-o needs a file name");
    } else if (a == "--pages" && has_value) {
      if (!ParsePages(args[++i], &request.first_page, &request.last_page))
        return Fail("--pages takes A-B or A with 1 <= A <= B, not '" + args[i] + "'");
    } else if (a == "--devmode" && has_value) {
      request.devmode = args[++i];
    } else if (a == "--mode" && has_value) {
      const std::string& m = args[++i];
      if (m == "vector") request.mode = velm::PrintRequest::Mode::kVector;
      else if (m == "raster") request.mode = velm::PrintRequest::Mode::kRaster;
      else return Fail("--mode takes vector or raster, not '" + m + "'");
    } else if (a == "--copies" && has_value) {
      if (!ParseCount(args[++i], &request.copies)) return Fail("--copies takes a number from 1, not '" + args[i] + "'");
    } else if (!a.empty() && a[0] == '-') {
      return Usage();
    } else if (!have_printer) {
      request.printer = a;
      have_printer = true;
    } else if (!have_document) {
      request.document = a;
      have_document = true;
    } else {
      return Usage();
    }
  }
  if (!have_printer || !have_document) return Usage();
  struct stat st{};
  if (::stat((plat::MachineRoot() + "/machine.conf").c_str(), &st) != 0)
    return Fail(velm_cli::NoMachineMessage(plat::MachineRoot()));

  request.warn = [](const std::string& what) { std::fprintf(stderr, "velm print: warning: %s\n", what.c_str()); };
  const auto start = std::chrono::steady_clock::now();
  velm::PrintResult result;
  std::string error;
  bool ok = velm::PrintDocument(request, &result, &error, [](const velm::PrintedPage& p) {
    std::printf("page %d: %d x %d pixels at %d dpi, %d-bit, printable area %d x %d at (%d,%d)%s\n", p.number,
                p.width, p.height, p.dpi, p.bits, p.area_width, p.area_height, p.offset_x, p.offset_y,
                p.banding ? ", banded" : "");
    const velm::PlayStats& s = p.stats;
    std::printf("  drawn as %d fills, %d strokes, %d clips, %d images, %d patterns, %d glyph strings, "
                "%d text runs as outlines, %d areas rendered by MuPDF (%d refused by the driver)\n",
                s.fills, s.strokes, s.clips, s.images, s.patterns, s.glyph_strings, s.glyph_runs, s.rendered_areas,
                s.refused);
    for (const std::string& area : s.rendered) std::printf("  rendered by MuPDF: %s\n", area.c_str());
    std::fflush(stdout);
  });
  if (!ok) return Fail(error);
  // The summary: the job, its pages, the bytes of its stream (a device
  // such as /dev/null has none to count) and the seconds the print took.
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  struct stat job{};
  const bool counted = ::stat(result.output.c_str(), &job) == 0 && S_ISREG(job.st_mode);
  std::printf("job %u: %d page%s%s in %.2f s to %s\n", result.job_id, result.pages, result.pages == 1 ? "" : "s",
              counted ? (", " + std::to_string(job.st_size) + " bytes").c_str() : "", seconds, result.output.c_str());
  return 0;
}

}  // namespace

VELM_COMMAND("print", "print PRINTER FILE.pdf [-o JOB] [--pages A-B] [--copies N] [--devmode FILE] [--mode vector|raster]   print a PDF document", RunPrint);
