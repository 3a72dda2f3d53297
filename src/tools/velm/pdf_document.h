// The host's document reader: a PDF file opened with MuPDF, its pages
// counted and rendered into images the graphics engine can draw.
//
// MuPDF is licensed under the AGPL; linking it binds the host program
// (see README.md). Nothing of MuPDF shows outside this file pair.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

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

 private:
  struct Impl;
  explicit PdfDocument(Impl* impl);
  Impl* impl_;
};

}  // namespace velm
