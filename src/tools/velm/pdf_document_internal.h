// MuPDF's objects behind a PdfDocument, shared by the files that read and
// play its pages.
#pragma once

extern "C" {
#include <mupdf/fitz.h>
}

#include <cstddef>
#include <deque>
#include <memory>
#include <utility>

#include "eng/text.h"
#include "pdf_document.h"

namespace velm {

// A buffer grown to its largest use and never cleared (every use writes
// what it reads).
struct PlayScratch {
  std::unique_ptr<unsigned char[]> bytes;
  size_t size = 0;
  unsigned char* Take(size_t n) {
    if (n > size) {
      bytes.reset();  // the old buffer goes first: the peak is the new one
      size = 0;
      bytes.reset(new unsigned char[n]);
      size = n;
    }
    return bytes.get();
  }
};

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

  // Buffers the pages' players reuse from page to page.
  PlayScratch area_samples;  // the pixels of an area MuPDF renders
  PlayScratch strip_rows;    // the rows of an image strip
};

}  // namespace velm
