// Pictures of the tests: a PNG file read as RGB pixels, and a comparison of
// two pictures block by block that forgives small changes of anti-aliasing
// but sees a moved, missing or recoloured part.
#pragma once

#include <cairo.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace test_support {

struct Rgb {
  int width = 0, height = 0;
  std::vector<uint8_t> px;  // 3 bytes a pixel
  const uint8_t* At(int x, int y) const { return px.data() + (size_t(y) * width + x) * 3; }
};

// The picture of a PNG file; empty when it cannot be read.
inline Rgb ReadPng(const std::string& path) {
  Rgb out;
  cairo_surface_t* s = cairo_image_surface_create_from_png(path.c_str());
  if (cairo_surface_status(s) == CAIRO_STATUS_SUCCESS) {
    out.width = cairo_image_surface_get_width(s);
    out.height = cairo_image_surface_get_height(s);
    const uint8_t* d = cairo_image_surface_get_data(s);
    const int stride = cairo_image_surface_get_stride(s);
    out.px.resize(size_t(out.width) * out.height * 3);
    for (int y = 0; y < out.height; ++y) {
      const auto* row = reinterpret_cast<const uint32_t*>(d + size_t(y) * stride);
      for (int x = 0; x < out.width; ++x) {
        uint8_t* p = out.px.data() + (size_t(y) * out.width + x) * 3;
        p[0] = uint8_t(row[x] >> 16);
        p[1] = uint8_t(row[x] >> 8);
        p[2] = uint8_t(row[x]);
      }
    }
  }
  cairo_surface_destroy(s);
  return out;
}

// Writes a picture as a PNG file (the reviewed pictures of the golden
// tests are written so when asked for); false when it cannot be written.
inline bool WritePng(const Rgb& picture, const std::string& path) {
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, picture.width, picture.height);
  uint8_t* data = cairo_image_surface_get_data(s);
  const int stride = cairo_image_surface_get_stride(s);
  for (int y = 0; data && y < picture.height; ++y)
    for (int x = 0; x < picture.width; ++x) {
      const uint8_t* p = picture.At(x, y);
      reinterpret_cast<uint32_t*>(data + size_t(y) * stride)[x] = uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
    }
  cairo_surface_mark_dirty(s);
  const bool written = cairo_surface_write_to_png(s, path.c_str()) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(s);
  return written;
}

// The blocks (block x block pixels) whose mean difference, summed over the
// three channels, exceeds tolerance (0 ... 765), as "x,y" of their top
// left corners; one entry "size" when the pictures differ in size.
inline std::vector<std::string> DifferingBlocks(const Rgb& a, const Rgb& b, int block, int tolerance) {
  if (a.width != b.width || a.height != b.height || a.px.empty()) return {"size"};
  std::vector<std::string> out;
  for (int by = 0; by < a.height; by += block)
    for (int bx = 0; bx < a.width; bx += block) {
      long sum = 0, n = 0;
      for (int y = by; y < std::min(by + block, a.height); ++y)
        for (int x = bx; x < std::min(bx + block, a.width); ++x, ++n)
          for (int c = 0; c < 3; ++c) sum += std::abs(int(a.At(x, y)[c]) - int(b.At(x, y)[c]));
      if (n && sum / n > tolerance) out.push_back(std::to_string(bx) + "," + std::to_string(by));
    }
  return out;
}

}  // namespace test_support
