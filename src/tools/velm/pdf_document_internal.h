// MuPDF's objects behind a PdfDocument, shared by the files that read and
// play its pages.
#pragma once

extern "C" {
#include <mupdf/fitz.h>
}

#include "pdf_document.h"

namespace velm {

struct PdfDocument::Impl {
  fz_context* ctx = nullptr;
  fz_document* doc = nullptr;
  int pages = 0;
};

}  // namespace velm
