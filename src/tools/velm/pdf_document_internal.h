// MuPDF's objects behind a PdfDocument, shared by the files that read and
// play its pages.
#pragma once

extern "C" {
#include <mupdf/fitz.h>
}

#include <deque>
#include <utility>

#include "eng/text.h"
#include "pdf_document.h"

namespace velm {

struct PdfDocument::Impl {
  fz_context* ctx = nullptr;
  fz_document* doc = nullptr;
  int pages = 0;
  // The bytes of the last fonts the pages played gave the engine, by MuPDF
  // font (each kept alive while it is here, so that its address names it).
  // The same bytes for the same font on every page let the engine keep the
  // font it realised, with its glyphs, from page to page.
  std::deque<std::pair<fz_font*, eng::FontBytes>> fonts;
  // (dropped by ~PdfDocument, before the context)
};

}  // namespace velm
