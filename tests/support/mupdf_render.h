// MuPDF's render of a PDF page, the reference the print tests set a printed
// page beside.
#pragma once

extern "C" {
#include <mupdf/fitz.h>
}

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace test_support {

struct MupdfRender {
  int width = 0, height = 0, comps = 0;  // empty when the page cannot be rendered
  std::vector<uint8_t> samples;         // rows of width * comps bytes
};

// Page `page` (0-based) of `pdf` at `dpi`, in grey or RGB on white. With a
// width and height, the render is moved by (-ox, -oy) pixels of that
// resolution (fractions kept) and cut to width x height: the part of the
// page a job's printable area covers. Without them, the whole page.
inline MupdfRender RenderMupdfPage(const std::string& pdf, int page, int dpi, bool grey, double ox = 0,
                                   double oy = 0, int width = 0, int height = 0) {
  MupdfRender r;
  fz_context* ctx = fz_new_context(nullptr, nullptr, FZ_STORE_DEFAULT);
  if (!ctx) return r;
  fz_set_warning_callback(ctx, [](void*, const char*) {}, nullptr);
  fz_document* doc = nullptr;
  fz_pixmap* pix = nullptr;
  fz_var(doc);
  fz_var(pix);
  fz_try(ctx) {
    fz_register_document_handlers(ctx);
    doc = fz_open_document(ctx, pdf.c_str());
    fz_colorspace* space = grey ? fz_device_gray(ctx) : fz_device_rgb(ctx);
    const fz_matrix scale = fz_scale(dpi / 72.0f, dpi / 72.0f);
    if (width <= 0 || height <= 0) {
      pix = fz_new_pixmap_from_page_number(ctx, doc, page, scale, space, 0);
    } else {
      const fz_matrix ctm = fz_concat(scale, fz_translate(float(-ox), float(-oy)));
      pix = fz_new_pixmap_with_bbox(ctx, space, fz_irect{0, 0, width, height}, nullptr, 0);
      fz_clear_pixmap_with_value(ctx, pix, 255);
      fz_device* dev = fz_new_draw_device(ctx, fz_identity, pix);
      fz_try(ctx) {
        fz_page* pg = fz_load_page(ctx, doc, page);
        fz_try(ctx) { fz_run_page(ctx, pg, dev, ctm, nullptr); }
        fz_always(ctx) { fz_drop_page(ctx, pg); }
        fz_catch(ctx) { fz_rethrow(ctx); }
        fz_close_device(ctx, dev);
      }
      fz_always(ctx) { fz_drop_device(ctx, dev); }
      fz_catch(ctx) { fz_rethrow(ctx); }
    }
    r.width = fz_pixmap_width(ctx, pix);
    r.height = fz_pixmap_height(ctx, pix);
    r.comps = fz_pixmap_components(ctx, pix);
    const ptrdiff_t stride = fz_pixmap_stride(ctx, pix);
    const unsigned char* s = fz_pixmap_samples(ctx, pix);
    const size_t row = size_t(r.width) * r.comps;
    r.samples.resize(row * r.height);
    for (int y = 0; y < r.height; ++y) std::copy(s + y * stride, s + y * stride + row, r.samples.begin() + y * row);
  }
  fz_always(ctx) {
    if (pix) fz_drop_pixmap(ctx, pix);
    if (doc) fz_drop_document(ctx, doc);
  }
  fz_catch(ctx) { r = MupdfRender(); }
  fz_drop_context(ctx);
  return r;
}

}  // namespace test_support
