// MuPDF behind the host's document reader. Every MuPDF call runs inside
// fz_try, whose errors become messages.
#include "pdf_document.h"

#include "pdf_document_internal.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace velm {

PdfDocument::PdfDocument(Impl* impl) : impl_(impl) {}

PdfDocument::~PdfDocument() {
  for (auto& [font, bytes] : impl_->fonts) fz_drop_font(impl_->ctx, font);
  impl_->fonts.clear();
  if (impl_->doc) fz_drop_document(impl_->ctx, impl_->doc);
  if (impl_->ctx) fz_drop_context(impl_->ctx);
  delete impl_;
}

namespace {

// Empty when path can be read and holds a PDF header (%PDF- within its first
// 1024 bytes, as readers allow); else why not.
std::string NotPdf(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return "cannot read " + path + ": " + std::strerror(errno);
  char head[1024];
  const size_t n = std::fread(head, 1, sizeof head, f);
  const bool bad = std::ferror(f) != 0;
  std::fclose(f);
  if (bad) return "cannot read " + path;
  static constexpr char kMagic[] = "%PDF-";
  for (size_t i = 0; i + sizeof kMagic - 1 <= n; ++i)
    if (std::memcmp(head + i, kMagic, sizeof kMagic - 1) == 0) return {};
  return path + ": not a PDF file (no %PDF- header" + std::string(n == 0 ? "; the file is empty)" : ")");
}

}  // namespace

std::unique_ptr<PdfDocument> PdfDocument::Open(const std::string& path, std::string* error) {
  if (std::string why = NotPdf(path); !why.empty()) {
    if (error) *error = why;
    return nullptr;
  }
  auto* impl = new Impl;
  impl->ctx = fz_new_context(nullptr, nullptr, FZ_STORE_DEFAULT);
  if (!impl->ctx) {
    if (error) *error = "cannot start the PDF reader";
    delete impl;
    return nullptr;
  }
  std::unique_ptr<PdfDocument> doc(new PdfDocument(impl));
  fz_context* ctx = impl->ctx;
  // Errors reach the caller as messages; MuPDF prints nothing itself.
  fz_set_error_callback(ctx, [](void*, const char*) {}, nullptr);
  fz_set_warning_callback(ctx, [](void*, const char*) {}, nullptr);
  bool ok = true;
  fz_var(ok);
  fz_try(ctx) {
    fz_register_document_handlers(ctx);
    impl->doc = fz_open_document(ctx, path.c_str());
    if (fz_needs_password(ctx, impl->doc)) fz_throw(ctx, FZ_ERROR_GENERIC, "the document needs a password");
    impl->pages = fz_count_pages(ctx, impl->doc);
  }
  fz_catch(ctx) {
    if (error) *error = path + ": " + fz_caught_message(ctx);
    ok = false;
  }
  return ok ? std::move(doc) : nullptr;
}

int PdfDocument::PageCount() const { return impl_->pages; }

bool PdfDocument::PageSize(int n, double* width_pt, double* height_pt, std::string* error) const {
  if (n < 0 || n >= impl_->pages) {
    if (error) *error = "no page " + std::to_string(n + 1);
    return false;
  }
  fz_context* ctx = impl_->ctx;
  fz_rect box = fz_empty_rect;
  bool ok = true;
  fz_var(ok);
  fz_try(ctx) {
    fz_page* page = fz_load_page(ctx, impl_->doc, n);
    fz_try(ctx) { box = fz_bound_page(ctx, page); }
    fz_always(ctx) { fz_drop_page(ctx, page); }
    fz_catch(ctx) { fz_rethrow(ctx); }
  }
  fz_catch(ctx) {
    if (error) *error = fz_caught_message(ctx);
    ok = false;
  }
  if (ok) {
    if (width_pt) *width_pt = box.x1 - box.x0;
    if (height_pt) *height_pt = box.y1 - box.y0;
  }
  return ok;
}

bool PdfDocument::Render(int n, int dpi, int bits, PageImage* out, std::string* error) const {
  if (n < 0 || n >= impl_->pages || dpi <= 0 || dpi > 4800 || (bits != 1 && bits != 24) || !out) {
    if (error) *error = "bad page, resolution or depth";
    return false;
  }
  fz_context* ctx = impl_->ctx;
  fz_pixmap* pix = nullptr;
  bool ok = true;
  fz_var(pix);
  fz_var(ok);
  fz_try(ctx) {
    fz_matrix scale = fz_scale(float(dpi) / 72.0f, float(dpi) / 72.0f);
    fz_colorspace* cs = bits == 1 ? fz_device_gray(ctx) : fz_device_rgb(ctx);
    pix = fz_new_pixmap_from_page_number(ctx, impl_->doc, n, scale, cs, 0);
  }
  fz_catch(ctx) {
    if (error) *error = fz_caught_message(ctx);
    ok = false;
  }
  if (!ok) return false;
  int w = fz_pixmap_width(ctx, pix), h = fz_pixmap_height(ctx, pix);
  int comps = fz_pixmap_components(ctx, pix);
  ptrdiff_t src_stride = fz_pixmap_stride(ctx, pix);
  const unsigned char* samples = fz_pixmap_samples(ctx, pix);
  out->width = w;
  out->height = h;
  out->bits = bits;
  out->stride = bits == 1 ? ((w + 31) / 32) * 4 : ((w * 3 + 3) / 4) * 4;
  out->data.assign(size_t(out->stride) * size_t(h), 0);
  for (int y = 0; y < h; ++y) {
    const unsigned char* s = samples + y * src_stride;
    uint8_t* d = out->data.data() + size_t(y) * size_t(out->stride);
    for (int x = 0; x < w; ++x) {
      if (bits == 1) {
        if (s[x * comps] >= 128) d[x >> 3] |= uint8_t(0x80u >> (x & 7));
      } else {
        d[3 * x] = s[x * comps + 2];
        d[3 * x + 1] = s[x * comps + 1];
        d[3 * x + 2] = s[x * comps];
      }
    }
  }
  fz_drop_pixmap(ctx, pix);
  return true;
}

}  // namespace velm
