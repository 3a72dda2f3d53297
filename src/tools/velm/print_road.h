// The road of a print job on this machine: a PDF document is read with
// MuPDF, and each page is played as drawing calls (paths, clips, images,
// pattern brushes, glyph outlines) into a printer device context of the
// machine's graphics engine, which hands them to the printer's graphics
// driver (vector mode) or draws them into the driver's bands (raster mode);
// the spool-side module of the driver writes the job stream into the job's
// file.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "pdf_document.h"

namespace velm {

struct PrintRequest {
  std::string printer;     // a printer of the machine
  std::string document;    // host path of a PDF file
  std::string output;      // host path of the job stream; empty: the job's file in the spool folder
  int first_page = 1;      // 1-based, inclusive
  int last_page = 0;       // 0: the last page of the document
  int copies = 0;          // 0: the printer's setting
  std::string devmode;     // host path of the job's DEVMODE file; empty: the printer's defaults
  enum class Mode { kModel, kVector, kRaster } mode = Mode::kModel;  // kModel: as the DEVMODE says
  // Hears what the person should know before the job prints (a page no
  // paper of the model fits).
  std::function<void(const std::string&)> warn;
};

// What the device context tells of each page, for the caller's report.
struct PrintedPage {
  int number = 0;             // in the document, 1-based
  int dpi = 0;                // the job's resolution
  int bits = 0;               // 1 or 24: the depth of the device's surface
  int32_t width = 0, height = 0;           // the page (paper) in pixels
  int32_t area_width = 0, area_height = 0;  // the printable area in dots
  int32_t offset_x = 0, offset_y = 0;       // of the printable area on the paper
  bool banding = false;       // raster mode: the page was played band by band
  PlayStats stats;            // what the page's drawing became
};

struct PrintResult {
  uint32_t job_id = 0;  // the spooler's job id the driver was given
  std::string output;  // host path of the job stream
  int pages = 0;       // pages played to the driver
};

// Prints the request. False with a message in *error at the first step that
// fails; a job whose stream could not be written says so, and the pages
// after the failed one are not played. on_page, when given, hears of each
// page once the driver has taken it.
bool PrintDocument(const PrintRequest& request, PrintResult* result, std::string* error,
                   const std::function<void(const PrintedPage&)>& on_page = {});

// The Windows path of the job file numbered n in the machine's spool
// folder (n counts the machine's job files, one per job that keeps its
// stream there).
std::u16string SpoolJobPath(uint32_t n);

}  // namespace velm
