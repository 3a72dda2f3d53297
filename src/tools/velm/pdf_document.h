// The host's document reader: a PDF file opened with MuPDF, its pages
// counted, rendered into images, or played as drawing calls into a printer
// device context of the graphics engine.
//
// MuPDF is licensed under the AGPL; linking it binds the host program
// (see README.md). Nothing of MuPDF shows outside these files.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace eng {
class PrinterDc;
}

namespace velm {

// A rendered page: top-down rows padded to 4 bytes; 24-bit rows hold blue,
// green, red; 1-bit rows hold bit 7 as the leftmost pixel, 0 black, 1 white.
struct PageImage {
  int32_t width = 0;
  int32_t height = 0;
  int32_t bits = 24;
  int32_t stride = 0;
  std::vector<uint8_t> data;
};

// How a page is played into a device context: the resolution, where the
// device's origin (the corner of the printable area) lies on the paper, in
// pixels of that resolution, and whether the job prints in black only
// (what MuPDF renders and images of more than 256 colours then go as 8-bit
// grey).
struct PlayParams {
  int dpi = 0;
  int32_t origin_x = 0, origin_y = 0;
  bool grey = false;
  // The engine draws the page into bands (raster mode): stencil masks and
  // patterns whose cells are off the pixel grid go as MuPDF's render of
  // their area, which a band takes faster than a mask or an image through
  // a ROP; in vector mode they go as records of their own.
  bool banded = false;
};

// What a played page became: drawing calls of each kind, and the areas that
// MuPDF drew into an image because the engine has no call for them
// (shadings, transparency, soft masks, blend groups, stencil masks, Type 3
// text, turned or mirrored images) or because the driver refused the call.
struct PlayStats {
  int fills = 0;          // filled paths (glyph outlines included)
  int strokes = 0;
  int clips = 0;          // rectangle and path clips
  int images = 0;         // images drawn at their own depth, and stencil masks as one-bit masks
  int patterns = 0;       // tiling patterns drawn as brushes or as images of a block of cells
  int glyph_strings = 0;  // text spans drawn as strings of glyphs in their fonts
  int glyph_runs = 0;     // text calls drawn as glyph outlines
  int rendered_areas = 0; // areas drawn as MuPDF's image of the page
  int refused = 0;        // calls the driver refused, drawn as such areas
  std::vector<std::string> rendered;  // each such area: its size and place in pixels, and why
};

class PdfDocument {
 public:
  // Null with a message in *error when the file cannot be read as a PDF.
  static std::unique_ptr<PdfDocument> Open(const std::string& path, std::string* error);
  ~PdfDocument();
  PdfDocument(const PdfDocument&) = delete;
  PdfDocument& operator=(const PdfDocument&) = delete;

  int PageCount() const;
  // Page n (0-based) size in points (1/72 inch); false for a bad page.
  bool PageSize(int n, double* width_pt, double* height_pt, std::string* error) const;
  // Renders page n at dpi into 24-bit colour or 1-bit. The 1-bit image is
  // MuPDF's grey render cut at a threshold: grey below 128 is black.
  bool Render(int n, int dpi, int bits, PageImage* out, std::string* error) const;
  // Plays page n into an open page of dc as drawing calls: paths with their
  // fill rule, pens and clips; images at their own depth; tiling patterns as
  // pattern brushes; filled text as strings of glyphs in the document's
  // fonts, other text as glyph outlines. What the engine cannot take is
  // drawn as MuPDF's image of the page in that area. False with a message
  // when MuPDF fails or a drawing call fails.
  bool Play(int n, const PlayParams& params, eng::PrinterDc* dc, PlayStats* stats, std::string* error) const;

 private:
  struct Impl;
  explicit PdfDocument(Impl* impl);
  Impl* impl_;
};

}  // namespace velm
