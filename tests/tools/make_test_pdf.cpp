// make_test_pdf OUT.pdf PAGES [WIDTH HEIGHT]: writes a PDF document of PAGES
// pages (A4 unless a size in points is given), drawn with cairo: a frame on
// the paper's edge, a heading, shapes in colour, lines of several widths and
// a grey ramp, different on each page, so that a print of it shows where
// every page went. The tests, benchmarks and the sample document of the demo
// are made with it.
//
// make_test_pdf --mixed OUT.pdf: one A4 page of every kind of drawing a
// printer driver receives: rectangles, Bezier curves, solid and dashed
// strokes with several joins and caps, a rectangle clip and a complex
// (even-odd) clip, a hatch-like and a colour tiling pattern, and images of
// 2, 16, 200 and many colours and one with an alpha channel (an SMask).
// The page (595.2 x 840 points, near A4) and its geometry lie on the pixel
// grid of 300 and 600 dpi (multiples of 0.24 pt) wherever a straight edge is
// drawn; pattern cells are 6 points, whole pixels at both resolutions.
//
// make_test_pdf --testpage OUT.pdf: the test page of a printing system on
// the same page size: seven discs of radius 45 points in cyan, magenta,
// yellow and black at (100, 150), (220, 150), (340, 150), (460, 150) and
// in red, green and blue at (160, 270), (280, 270), (400, 270), and a grey
// wheel of radius 150 points about (297.6, 560) in 12 sectors of 30 degrees,
// sector i (clockwise from the x axis) of grey level (i + 0.5) / 12.
//
// make_test_pdf --stencils OUT.pdf: one page of one-bit stencil masks (a
// ring with a bar in its upper left, which no turn or mirror maps onto
// itself) painted in colour on the same page size: one interpolated,
// drawn at 7 points a pixel half over a green square, one drawn by the
// nearest pixel at 5 points a pixel, and one at 8 points a pixel cut by a
// circle clip.
#include <cairo-pdf.h>
#include <cairo.h>
#include <fontconfig/fontconfig.h>
#include <zlib.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <iterator>
#include <string>
#include <vector>

namespace {

void DrawPage(cairo_t* cr, int n, int pages, double w, double h) {
  const double u = std::min(w, h) / 595.0;  // one point of an A4 page
  // A frame on the paper's edge: what a printer cannot reach shows where
  // the printable area was cut from the page.
  cairo_set_source_rgb(cr, 0.5, 0.1, 0.5);
  cairo_set_line_width(cr, 24 * u);
  cairo_rectangle(cr, 0, 0, w, h);
  cairo_stroke(cr);
  cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
  cairo_set_font_size(cr, 28 * u);
  cairo_set_source_rgb(cr, 0, 0, 0);
  cairo_move_to(cr, 50 * u, 80 * u);
  std::string title = "VELM sample, page " + std::to_string(n) + " of " + std::to_string(pages);
  cairo_show_text(cr, title.c_str());

  // Shapes that move with the page number.
  const double shift = 20 * u * (n - 1);
  cairo_set_source_rgb(cr, 0.85, 0.15, 0.1);
  cairo_rectangle(cr, 50 * u + shift, 120 * u, 200 * u, 120 * u);
  cairo_fill(cr);
  cairo_set_source_rgb(cr, 0.1, 0.35, 0.8);
  cairo_arc(cr, 400 * u, 200 * u + shift, 90 * u, 0, 2 * M_PI);
  cairo_fill(cr);
  cairo_set_source_rgba(cr, 0.1, 0.7, 0.2, 0.6);
  cairo_move_to(cr, 100 * u, 500 * u);
  cairo_curve_to(cr, 200 * u, 300 * u, 400 * u, 700 * u, 520 * u, 420 * u + shift);
  cairo_line_to(cr, 520 * u, 600 * u);
  cairo_close_path(cr);
  cairo_fill(cr);

  // Lines of growing width.
  cairo_set_source_rgb(cr, 0, 0, 0);
  for (int i = 0; i < 8; ++i) {
    cairo_set_line_width(cr, (0.25 + i * 0.75) * u);
    cairo_move_to(cr, 50 * u, (640 + 12 * i) * u);
    cairo_line_to(cr, (545 - 10 * n) * u, (650 + 12 * i) * u);
    cairo_stroke(cr);
  }
  // A grey ramp from black to white across the page.
  cairo_pattern_t* ramp = cairo_pattern_create_linear(50 * u, 0, 545 * u, 0);
  cairo_pattern_add_color_stop_rgb(ramp, 0, 0, 0, 0);
  cairo_pattern_add_color_stop_rgb(ramp, 1, 1, 1, 1);
  cairo_set_source(cr, ramp);
  cairo_rectangle(cr, 50 * u, h - 120 * u, 495 * u, 50 * u);
  cairo_fill(cr);
  cairo_pattern_destroy(ramp);

  cairo_set_font_size(cr, 12 * u);
  cairo_select_font_face(cr, "DejaVu Serif", CAIRO_FONT_SLANT_ITALIC, CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_source_rgb(cr, 0.2, 0.2, 0.2);
  cairo_move_to(cr, 50 * u, h - 40 * u);
  cairo_show_text(cr, "Printed through VELMPD0 on the machine's own graphics engine.");
}

// ---- pages of four kinds --------------------------------------------------------------
// make_test_pdf OUT.pdf --kinds [PAGES]: A4 pages that cycle through Latin
// text, Japanese text (IPA Mincho and Gothic), vector drawing, and images
// (4 pages unless PAGES is given), for the comparisons of a printed job with
// the document and for the benchmarks.

void KindLatinText(cairo_t* cr, int n) {
  cairo_set_source_rgb(cr, 0, 0, 0);
  const char* faces[] = {"DejaVu Serif", "DejaVu Sans", "DejaVu Sans Mono"};
  double y = 70;
  for (int block = 0; block < 3; ++block) {
    cairo_select_font_face(cr, faces[block], CAIRO_FONT_SLANT_NORMAL,
                           block == 1 ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, 22 - 4 * block);
    cairo_move_to(cr, 50, y);
    const std::string head = "Page " + std::to_string(n) + ": " + faces[block];
    cairo_show_text(cr, head.c_str());
    y += 34;
    cairo_set_font_size(cr, 11 + block);
    for (int line = 0; line < 12; ++line) {
      cairo_move_to(cr, 50, y);
      cairo_show_text(cr, line % 2 ? "Pack my box with five dozen liquor jugs; 0123456789 (+-*/=) [x] {y} <z>."
                                   : "The quick brown fox jumps over the lazy dog. THE QUICK BROWN FOX.");
      y += 16 + block;
    }
    y += 20;
  }
  cairo_set_source_rgb(cr, 0.7, 0.1, 0.1);
  cairo_select_font_face(cr, "DejaVu Serif", CAIRO_FONT_SLANT_ITALIC, CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, 36);
  cairo_move_to(cr, 50, 760);
  cairo_show_text(cr, "Large italic, in red");
}

void KindJapaneseText(cairo_t* cr, int n) {
  cairo_set_source_rgb(cr, 0, 0, 0);
  const char* faces[] = {"IPAMincho", "IPAGothic"};
  double y = 80;
  for (int block = 0; block < 2; ++block) {
    cairo_select_font_face(cr, faces[block], CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, 24);
    cairo_move_to(cr, 50, y);
    const std::string head = std::string(block ? "ゴシック体" : "明朝体") + "の見本 " + std::to_string(n);
    cairo_show_text(cr, head.c_str());
    y += 40;
    cairo_set_font_size(cr, 14);
    const char* lines[] = {"いろはにほへと　ちりぬるを　わかよたれそ　つねならむ",
                           "うゐのおくやま　けふこえて　あさきゆめみし　ゑひもせす",
                           "カタカナとひらがな、漢字：東京都千代田区丸の内一丁目",
                           "全角数字０１２３４５６７８９と半角 ABC abc 123 ｱｲｳｴｵ"};
    for (int line = 0; line < 8; ++line) {
      cairo_move_to(cr, 50, y);
      cairo_show_text(cr, lines[line % 4]);
      y += 24;
    }
    y += 40;
  }
  cairo_set_source_rgb(cr, 0.1, 0.2, 0.6);
  cairo_select_font_face(cr, "IPAGothic", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, 48);
  cairo_move_to(cr, 50, 760);
  cairo_show_text(cr, "印刷の確認");
}

void KindVector(cairo_t* cr, int n) {
  // Filled shapes, a shape with a hole under both fill rules, curves.
  cairo_set_source_rgb(cr, 0.85, 0.15, 0.1);
  cairo_rectangle(cr, 50, 50, 150, 90);
  cairo_fill(cr);
  cairo_set_source_rgb(cr, 0.1, 0.35, 0.8);
  cairo_arc(cr, 330, 100, 55, 0, 2 * M_PI);
  cairo_fill(cr);
  for (int rule = 0; rule < 2; ++rule) {
    cairo_set_fill_rule(cr, rule ? CAIRO_FILL_RULE_WINDING : CAIRO_FILL_RULE_EVEN_ODD);
    cairo_set_source_rgb(cr, 0.1, 0.6, 0.2);
    cairo_rectangle(cr, 50 + 130 * rule, 170, 110, 110);
    cairo_rectangle(cr, 80 + 130 * rule, 200, 50, 50);
    cairo_fill(cr);
  }
  cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
  cairo_set_source_rgb(cr, 0.9, 0.6, 0.0);
  cairo_move_to(cr, 330, 170);
  cairo_curve_to(cr, 450, 150, 520, 260, 400, 290);
  cairo_curve_to(cr, 330, 310, 300, 240, 330, 170);
  cairo_fill(cr);
  // Strokes: widths, dashes, caps and joins.
  cairo_set_source_rgb(cr, 0, 0, 0);
  const double dashes[][2] = {{12, 6}, {4, 4}, {20, 5}};
  for (int i = 0; i < 6; ++i) {
    cairo_set_line_width(cr, 0.5 + i * 1.5);
    if (i >= 3) {
      cairo_set_dash(cr, dashes[i - 3], 2, 0);
    } else {
      cairo_set_dash(cr, nullptr, 0, 0);
    }
    cairo_move_to(cr, 50, 330 + 18 * i);
    cairo_line_to(cr, 545 - 5 * n, 330 + 18 * i);
    cairo_stroke(cr);
  }
  cairo_set_dash(cr, nullptr, 0, 0);
  cairo_set_line_width(cr, 10);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER);
  cairo_set_source_rgb(cr, 0.5, 0.1, 0.5);
  cairo_move_to(cr, 60, 540);
  cairo_line_to(cr, 120, 460);
  cairo_line_to(cr, 180, 540);
  cairo_stroke(cr);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_move_to(cr, 210, 540);
  cairo_line_to(cr, 270, 460);
  cairo_line_to(cr, 330, 540);
  cairo_stroke(cr);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
  // A stroked and filled figure.
  cairo_rectangle(cr, 370, 460, 150, 80);
  cairo_set_source_rgb(cr, 0.8, 0.8, 0.2);
  cairo_fill_preserve(cr);
  cairo_set_line_width(cr, 4);
  cairo_set_source_rgb(cr, 0.2, 0.2, 0.2);
  cairo_stroke(cr);
  // A clip by a circle over a striped area, and a tiled pattern.
  cairo_save(cr);
  cairo_arc(cr, 130, 680, 80, 0, 2 * M_PI);
  cairo_clip(cr);
  for (int i = 0; i < 16; ++i) {
    cairo_set_source_rgb(cr, i % 2 ? 0.1 : 0.95, 0.3, i % 2 ? 0.7 : 0.2);
    cairo_rectangle(cr, 50 + 10 * i, 600, 10, 160);
    cairo_fill(cr);
  }
  cairo_restore(cr);
  cairo_surface_t* tile = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 8, 8);
  cairo_t* t = cairo_create(tile);
  cairo_set_source_rgb(t, 1, 1, 1);
  cairo_paint(t);
  cairo_set_source_rgb(t, 0, 0, 0.6);
  cairo_rectangle(t, 0, 0, 4, 4);
  cairo_rectangle(t, 4, 4, 4, 4);
  cairo_fill(t);
  cairo_destroy(t);
  cairo_pattern_t* pat = cairo_pattern_create_for_surface(tile);
  cairo_pattern_set_extend(pat, CAIRO_EXTEND_REPEAT);
  cairo_pattern_set_filter(pat, CAIRO_FILTER_NEAREST);
  cairo_set_source(cr, pat);
  cairo_rectangle(cr, 260, 600, 260, 160);
  cairo_fill(cr);
  cairo_pattern_destroy(pat);
  cairo_surface_destroy(tile);
}

void KindImages(cairo_t* cr, int n) {
  // A colour image of smooth colours and hard edges, drawn at two scales.
  const int w = 64, h = 48;
  cairo_surface_t* img = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h);
  cairo_surface_flush(img);
  unsigned char* d = cairo_image_surface_get_data(img);
  const int stride = cairo_image_surface_get_stride(img);
  for (int y = 0; y < h; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(d + y * stride);
    for (int x = 0; x < w; ++x) {
      const uint32_t r = uint32_t(x * 255 / (w - 1)), g = uint32_t(y * 255 / (h - 1));
      const uint32_t b = ((x / 8 + y / 8 + n) % 2) ? 200 : 40;
      row[x] = r << 16 | g << 8 | b;
    }
  }
  cairo_surface_mark_dirty(img);
  for (int k = 0; k < 2; ++k) {
    cairo_save(cr);
    cairo_translate(cr, 50 + 260 * k, 60);
    cairo_scale(cr, k ? 3.0 : 3.75, k ? 3.0 : 3.75);
    cairo_set_source_surface(cr, img, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
    cairo_paint(cr);
    cairo_restore(cr);
  }
  cairo_surface_destroy(img);
  // A grey image.
  cairo_surface_t* grey = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 32, 32);
  cairo_surface_flush(grey);
  d = cairo_image_surface_get_data(grey);
  const int gs = cairo_image_surface_get_stride(grey);
  for (int y = 0; y < 32; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(d + y * gs);
    for (int x = 0; x < 32; ++x) {
      const uint32_t v = uint32_t(((x * x + y * y) / 8) % 256);
      row[x] = v << 16 | v << 8 | v;
    }
  }
  cairo_surface_mark_dirty(grey);
  cairo_save(cr);
  cairo_translate(cr, 50, 300);
  cairo_scale(cr, 7, 7);
  cairo_set_source_surface(cr, grey, 0, 0);
  cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
  cairo_paint(cr);
  cairo_restore(cr);
  cairo_surface_destroy(grey);
  // A one-bit stencil painted in colour.
  cairo_surface_t* mask = cairo_image_surface_create(CAIRO_FORMAT_A1, 32, 32);
  cairo_t* m = cairo_create(mask);
  cairo_set_source_rgba(m, 0, 0, 0, 1);
  cairo_arc(m, 16, 16, 12, 0, 2 * M_PI);
  cairo_fill(m);
  cairo_destroy(m);
  cairo_save(cr);
  cairo_set_source_rgb(cr, 0.8, 0.1, 0.3);
  cairo_translate(cr, 320, 300);
  cairo_scale(cr, 7, 7);
  cairo_mask_surface(cr, mask, 0, 0);
  cairo_restore(cr);
  cairo_surface_destroy(mask);
  cairo_set_source_rgb(cr, 0, 0, 0);
  cairo_rectangle(cr, 50, 600, 495, 4);
  cairo_fill(cr);
}

// Ends the document at path: 0 when it is written, else 1 with a message.
// The font caches of cairo and fontconfig go too, so that a leak check of
// this program sees nothing left.
int Finish(cairo_surface_t* s, cairo_t* cr, const char* path) {
  cairo_destroy(cr);
  cairo_surface_finish(s);
  const bool ok = cairo_surface_status(s) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(s);
  cairo_debug_reset_static_data();
  FcFini();
  if (!ok) std::fprintf(stderr, "make_test_pdf: cannot write %s\n", path);
  return ok ? 0 : 1;
}

int WriteKinds(const char* path, int pages) {
  cairo_surface_t* s = cairo_pdf_surface_create(path, 595.276, 841.89);
  cairo_t* cr = cairo_create(s);
  for (int n = 1; n <= pages; ++n) {
    switch ((n - 1) % 4) {
      case 0: KindLatinText(cr, n); break;
      case 1: KindJapaneseText(cr, n); break;
      case 2: KindVector(cr, n); break;
      default: KindImages(cr, n); break;
    }
    cairo_show_page(cr);
  }
  return Finish(s, cr, path);
}

// An image of w x h pixels whose pixel (x, y) is colour(x, y) (ARGB).
template <typename Colour>
cairo_surface_t* MakeImage(int w, int h, bool alpha, Colour colour) {
  cairo_surface_t* img = cairo_image_surface_create(alpha ? CAIRO_FORMAT_ARGB32 : CAIRO_FORMAT_RGB24, w, h);
  cairo_surface_flush(img);
  unsigned char* data = cairo_image_surface_get_data(img);
  const int stride = cairo_image_surface_get_stride(img);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint32_t argb = colour(x, y);
      if (!alpha) argb |= 0xFF000000u;
      // cairo keeps premultiplied colour.
      const uint32_t a = argb >> 24;
      auto pm = [&](uint32_t c) { return c * a / 255; };
      const uint32_t v = (a << 24) | (pm((argb >> 16) & 0xFF) << 16) | (pm((argb >> 8) & 0xFF) << 8) | pm(argb & 0xFF);
      std::memcpy(data + y * stride + 4 * x, &v, 4);
    }
  cairo_surface_mark_dirty(img);
  return img;
}

// Draws an image of w x h pixels at (x, y), scale points per pixel.
void PlaceImage(cairo_t* cr, cairo_surface_t* img, double x, double y, double scale) {
  cairo_save(cr);
  cairo_translate(cr, x, y);
  cairo_scale(cr, scale, scale);
  cairo_set_source_surface(cr, img, 0, 0);
  cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
  cairo_paint(cr);
  cairo_restore(cr);
  cairo_surface_destroy(img);
}

// Fills the current path with a tiling pattern of size x size points whose
// cell cell() draws, repeated from the page's origin.
template <typename Cell>
void FillWithTile(cairo_t* cr, double size, Cell cell) {
  const cairo_rectangle_t extents{0, 0, size, size};
  cairo_surface_t* rec = cairo_recording_surface_create(CAIRO_CONTENT_COLOR, &extents);
  cairo_t* c = cairo_create(rec);
  cell(c);
  cairo_destroy(c);
  cairo_pattern_t* pat = cairo_pattern_create_for_surface(rec);
  cairo_pattern_set_extend(pat, CAIRO_EXTEND_REPEAT);
  cairo_matrix_t m;
  cairo_matrix_init_identity(&m);
  cairo_pattern_set_matrix(pat, &m);
  cairo_set_source(cr, pat);
  cairo_fill(cr);
  cairo_pattern_destroy(pat);
  cairo_surface_destroy(rec);
}

void DrawMixedPage(cairo_t* cr) {
  constexpr double p = 0.24;  // one pixel at 300 dpi
  // Rectangles.
  cairo_set_source_rgb(cr, 0.8, 0.1, 0.1);
  cairo_rectangle(cr, 100 * p, 100 * p, 400 * p, 200 * p);
  cairo_fill(cr);
  cairo_set_source_rgb(cr, 0.1, 0.2, 0.7);
  cairo_rectangle(cr, 600 * p, 100 * p, 300 * p, 300 * p);
  cairo_fill(cr);
  // Bezier curves: a filled closed shape (even-odd, with a hole) and an
  // open stroked curve.
  cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
  cairo_set_source_rgb(cr, 0.1, 0.6, 0.2);
  cairo_move_to(cr, 1100 * p, 300 * p);
  cairo_curve_to(cr, 1200 * p, 50 * p, 1500 * p, 50 * p, 1600 * p, 300 * p);
  cairo_curve_to(cr, 1500 * p, 500 * p, 1200 * p, 500 * p, 1100 * p, 300 * p);
  cairo_close_path(cr);
  cairo_rectangle(cr, 1300 * p, 250 * p, 100 * p, 100 * p);
  cairo_fill(cr);
  cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
  cairo_set_source_rgb(cr, 0, 0, 0);
  cairo_set_line_width(cr, 8 * p);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  cairo_move_to(cr, 1700 * p, 450 * p);
  cairo_curve_to(cr, 1800 * p, 100 * p, 2000 * p, 600 * p, 2200 * p, 150 * p);
  cairo_stroke(cr);
  // Strokes: a mitred polyline, a bevelled one with square caps, and
  // dashed lines, thin (one pixel at 600 dpi) and wide.
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER);
  cairo_set_line_width(cr, 12 * p);
  cairo_set_source_rgb(cr, 0.5, 0.2, 0.6);
  cairo_move_to(cr, 100 * p, 700 * p);
  cairo_line_to(cr, 300 * p, 500 * p);
  cairo_line_to(cr, 500 * p, 700 * p);
  cairo_stroke(cr);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_BEVEL);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_SQUARE);
  cairo_move_to(cr, 600 * p, 700 * p);
  cairo_line_to(cr, 800 * p, 500 * p);
  cairo_line_to(cr, 1000 * p, 700 * p);
  cairo_stroke(cr);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
  cairo_set_source_rgb(cr, 0, 0, 0);
  const double thin_dash[] = {24 * p, 8 * p};
  cairo_set_dash(cr, thin_dash, 2, 0);
  cairo_set_line_width(cr, 0.5 * p);
  cairo_move_to(cr, 1100 * p, 600 * p);
  cairo_line_to(cr, 2200 * p, 600 * p);
  cairo_stroke(cr);
  const double wide_dash[] = {40 * p, 20 * p, 8 * p, 20 * p};
  cairo_set_dash(cr, wide_dash, 4, 0);
  cairo_set_line_width(cr, 8 * p);
  cairo_move_to(cr, 1100 * p, 700 * p);
  cairo_line_to(cr, 2200 * p, 700 * p);
  cairo_stroke(cr);
  cairo_set_dash(cr, nullptr, 0, 0);

  // A rectangle clip: a circle cut by it.
  cairo_save(cr);
  cairo_rectangle(cr, 100 * p, 800 * p, 500 * p, 300 * p);
  cairo_clip(cr);
  cairo_set_source_rgb(cr, 0.9, 0.6, 0.0);
  cairo_arc(cr, 350 * p, 1000 * p, 260 * p, 0, 2 * M_PI);
  cairo_fill(cr);
  cairo_restore(cr);
  // A complex clip: an even-odd ring, with rectangles drawn through it.
  cairo_save(cr);
  cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
  cairo_arc(cr, 1000 * p, 1000 * p, 200 * p, 0, 2 * M_PI);
  cairo_new_sub_path(cr);
  cairo_arc(cr, 1000 * p, 1000 * p, 100 * p, 0, 2 * M_PI);
  cairo_clip(cr);
  cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
  for (int i = 0; i < 8; ++i) {
    cairo_set_source_rgb(cr, i % 2 ? 0.2 : 0.9, 0.3, i % 2 ? 0.9 : 0.2);
    cairo_rectangle(cr, (800 + 50 * i) * p, 800 * p, 50 * p, 400 * p);
    cairo_fill(cr);
  }
  cairo_restore(cr);

  // A hatch-like pattern: black bars on white, in cells of 6 points (25
  // pixels at 300 dpi).
  constexpr double cell = 25 * p;
  cairo_rectangle(cr, 1300 * p, 800 * p, 400 * p, 400 * p);
  FillWithTile(cr, cell, [&](cairo_t* c) {
    cairo_set_source_rgb(c, 1, 1, 1);
    cairo_rectangle(c, 0, 0, cell, cell);
    cairo_fill(c);
    cairo_set_source_rgb(c, 0, 0, 0);
    cairo_rectangle(c, 0, 10 * p, cell, 5 * p);
    cairo_fill(c);
    cairo_rectangle(c, 10 * p, 0, 5 * p, 10 * p);
    cairo_fill(c);
  });
  // A colour pattern: a checker of red and blue with a yellow dot.
  cairo_rectangle(cr, 1800 * p, 800 * p, 400 * p, 400 * p);
  FillWithTile(cr, cell, [&](cairo_t* c) {
    cairo_set_source_rgb(c, 0.9, 0.1, 0.1);
    cairo_rectangle(c, 0, 0, cell, cell);
    cairo_fill(c);
    cairo_set_source_rgb(c, 0.1, 0.1, 0.9);
    cairo_rectangle(c, 0, 0, 12 * p, 12 * p);
    cairo_rectangle(c, 12 * p, 12 * p, 13 * p, 13 * p);
    cairo_fill(c);
    cairo_set_source_rgb(c, 1, 0.9, 0);
    cairo_rectangle(c, 2 * p, 15 * p, 5 * p, 5 * p);
    cairo_fill(c);
  });

  // Images, each pixel 4 x 4 pixels at 300 dpi: 2 colours, 16 colours,
  // 200 colours, a full colour ramp, and one with alpha.
  PlaceImage(cr, MakeImage(40, 40, false, [](int x, int y) { return ((x / 5 + y / 5) % 2) ? 0x000000u : 0xFFFFFFu; }),
             100 * p, 1300 * p, 4 * p);
  PlaceImage(cr, MakeImage(40, 40, false, [](int x, int y) {
               const uint32_t i = uint32_t((x / 10) + 4 * (y / 10));
               return (i * 15u << 16) | ((255 - i * 15u) << 8) | (i * 7u);
             }),
             400 * p, 1300 * p, 4 * p);
  PlaceImage(cr, MakeImage(40, 40, false, [](int x, int y) {
               const uint32_t i = uint32_t(x % 20 + 20 * (y % 10));
               return (i << 16) | ((200 - i) << 8) | 0x40u;
             }),
             700 * p, 1300 * p, 4 * p);
  PlaceImage(cr, MakeImage(40, 40, false, [](int x, int y) {
               return (uint32_t(x * 6) << 16) | (uint32_t(y * 6) << 8) | uint32_t((x + y) * 3);
             }),
             1000 * p, 1300 * p, 4 * p);
  PlaceImage(cr, MakeImage(40, 40, true, [](int x, int y) {
               const int dx = x - 20, dy = y - 20;
               const uint32_t a = dx * dx + dy * dy < 400 ? 255u - uint32_t((dx * dx + dy * dy) * 255 / 400) : 0u;
               return (a << 24) | 0x2060C0u;
             }),
             1300 * p, 1300 * p, 4 * p);

  // A heading in a Latin font.
  cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
  cairo_set_font_size(cr, 24);
  cairo_set_source_rgb(cr, 0, 0, 0);
  cairo_move_to(cr, 100 * p, 1600 * p);
  cairo_show_text(cr, "VELM mixed drawing");
}

// ---- text in a font the document does not hold ---------------------------------------------
// make_test_pdf --device-text OUT.pdf [BASEFONT]: an A4 page with lines of
// Japanese text in the font BASEFONT (MS-Mincho unless given; written as a
// PDF name as it stands, so "#96#BE" gives bytes), not embedded:
// a Type 0 font of the Adobe-Japan1 collection with the UniJIS-UCS2-H
// encoding and a ToUnicode map, every character one em wide. A printer
// that has the face prints it in its own font.
// make_test_pdf --ipa-text OUT.pdf: the same text at the same places in
// IPA Mincho, embedded (drawn with cairo).

constexpr double kTextSize = 24, kTextX = 60, kTextY = 120, kTextLeading = 48;
const char16_t* const kTextLines[] = {u"明朝体の文字を印刷します", u"東京都千代田区丸の内一丁目", u"いろはにほへと　ちりぬるを"};

std::string Utf8(const char16_t* s) {
  std::string out;
  for (; *s; ++s) {
    const unsigned c = *s;
    if (c < 0x80) {
      out += char(c);
    } else if (c < 0x800) {
      out += char(0xC0 | (c >> 6));
      out += char(0x80 | (c & 0x3F));
    } else {
      out += char(0xE0 | (c >> 12));
      out += char(0x80 | ((c >> 6) & 0x3F));
      out += char(0x80 | (c & 0x3F));
    }
  }
  return out;
}

int WriteDeviceText(const char* path, const std::string& base_font) {
  std::string content = "BT /F1 " + std::to_string(int(kTextSize)) + " Tf\n";
  std::string bfchars;
  int chars = 0;
  for (size_t i = 0; i < std::size(kTextLines); ++i) {
    char at[64];
    std::snprintf(at, sizeof at, "1 0 0 1 %g %g Tm <", kTextX, 841.89 - kTextY - kTextLeading * double(i));
    content += at;
    for (const char16_t* c = kTextLines[i]; *c; ++c) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "%04X", unsigned(*c));
      content += hex;
      bfchars += std::string("<") + hex + "> <" + hex + ">\n";
      ++chars;
    }
    content += "> Tj\n";
  }
  content += "ET\n";
  const std::string to_unicode =
      "/CIDInit /ProcSet findresource begin 12 dict begin begincmap\n"
      "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
      "/CMapName /Adobe-Identity-UCS def /CMapType 2 def\n"
      "1 begincodespacerange <0000> <FFFF> endcodespacerange\n" +
      std::to_string(chars) + " beginbfchar\n" + bfchars +
      "endbfchar\nendcmap CMapName currentdict /CMap defineresource pop end end\n";
  const std::string objects[] = {
      "<< /Type /Catalog /Pages 2 0 R >>",
      "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595.276 841.89] /Resources << /Font << /F1 5 0 R >> >> "
      "/Contents 4 0 R >>",
      "<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content + "endstream",
      "<< /Type /Font /Subtype /Type0 /BaseFont /" + base_font +
          " /Encoding /UniJIS-UCS2-H /DescendantFonts [6 0 R] /ToUnicode 8 0 R >>",
      "<< /Type /Font /Subtype /CIDFontType0 /BaseFont /" + base_font +
          " /CIDSystemInfo << /Registry (Adobe) /Ordering (Japan1) /Supplement 2 >> /FontDescriptor 7 0 R "
          "/DW 1000 >>",
      "<< /Type /FontDescriptor /FontName /" + base_font +
          " /Flags 6 /FontBBox [0 -141 1000 859] /ItalicAngle 0 /Ascent 859 /Descent -141 /CapHeight 859 "
          "/StemV 80 >>",
      "<< /Length " + std::to_string(to_unicode.size()) + " >>\nstream\n" + to_unicode + "endstream",
  };
  std::string pdf = "%PDF-1.4\n";
  std::vector<size_t> offsets;
  for (size_t i = 0; i < std::size(objects); ++i) {
    offsets.push_back(pdf.size());
    pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
  }
  const size_t xref = pdf.size();
  pdf += "xref\n0 " + std::to_string(offsets.size() + 1) + "\n0000000000 65535 f \n";
  for (size_t o : offsets) {
    char line[32];
    std::snprintf(line, sizeof line, "%010zu 00000 n \n", o);
    pdf += line;
  }
  pdf += "trailer\n<< /Size " + std::to_string(offsets.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
         std::to_string(xref) + "\n%%EOF\n";
  FILE* f = std::fopen(path, "wb");
  const bool ok = f && std::fwrite(pdf.data(), 1, pdf.size(), f) == pdf.size();
  if (f && std::fclose(f) != 0) return 1;
  if (!ok) std::fprintf(stderr, "make_test_pdf: cannot write %s\n", path);
  return ok ? 0 : 1;
}

int WriteIpaText(const char* path) {
  cairo_surface_t* s = cairo_pdf_surface_create(path, 595.276, 841.89);
  cairo_t* cr = cairo_create(s);
  cairo_set_source_rgb(cr, 0, 0, 0);
  cairo_select_font_face(cr, "IPAMincho", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, kTextSize);
  for (size_t i = 0; i < std::size(kTextLines); ++i) {
    cairo_move_to(cr, kTextX, kTextY + kTextLeading * double(i));
    cairo_show_text(cr, Utf8(kTextLines[i]).c_str());
  }
  cairo_show_page(cr);
  return Finish(s, cr, path);
}

// ---- the test page of one-bit printing ------------------------------------------------------

void DrawTestPage(cairo_t* cr) {
  struct Disc {
    double x, y, r, g, b;
  } discs[] = {{100, 150, 0, 1, 1}, {220, 150, 1, 0, 1}, {340, 150, 1, 1, 0}, {460, 150, 0, 0, 0},
               {160, 270, 1, 0, 0}, {280, 270, 0, 1, 0}, {400, 270, 0, 0, 1}};
  for (const Disc& d : discs) {
    cairo_set_source_rgb(cr, d.r, d.g, d.b);
    cairo_arc(cr, d.x, d.y, 45, 0, 2 * M_PI);
    cairo_fill(cr);
  }
  constexpr int kSteps = 12;
  for (int i = 0; i < kSteps; ++i) {
    const double g = (i + 0.5) / kSteps;
    cairo_set_source_rgb(cr, g, g, g);
    cairo_move_to(cr, 297.6, 560);
    cairo_arc(cr, 297.6, 560, 150, i * 2 * M_PI / kSteps, (i + 1) * 2 * M_PI / kSteps);
    cairo_close_path(cr);
    cairo_fill(cr);
  }
}

// Writes one page of 595.2 x 840 points (near A4, and whole pixels at 300
// and 600 dpi) drawn by draw.
void DrawStencilPage(cairo_t* cr) {
  cairo_surface_t* mask = cairo_image_surface_create(CAIRO_FORMAT_A1, 32, 32);
  cairo_t* m = cairo_create(mask);
  cairo_set_source_rgba(m, 0, 0, 0, 1);
  cairo_set_fill_rule(m, CAIRO_FILL_RULE_EVEN_ODD);
  cairo_arc(m, 16, 16, 13, 0, 2 * M_PI);
  cairo_arc(m, 16, 16, 7, 0, 2 * M_PI);
  cairo_fill(m);
  cairo_rectangle(m, 2, 4, 12, 5);
  cairo_fill(m);
  cairo_destroy(m);
  cairo_surface_flush(mask);
  struct Place {
    double x, y, scale;
    cairo_filter_t filter;
    double r, g, b;
    bool clipped;
  } const places[] = {
      {150, 150, 7, CAIRO_FILTER_GOOD, 0.8, 0.1, 0.3, false},
      {360, 100, 5, CAIRO_FILTER_NEAREST, 0.1, 0.2, 0.7, false},
      {100, 480, 8, CAIRO_FILTER_GOOD, 0.1, 0.1, 0.1, true},
  };
  cairo_set_source_rgb(cr, 0.1, 0.6, 0.2);
  cairo_rectangle(cr, 60, 60, 220, 220);
  cairo_fill(cr);
  for (const Place& p : places) {
    cairo_save(cr);
    if (p.clipped) {
      cairo_arc(cr, p.x + 128, p.y + 128, 100, 0, 2 * M_PI);
      cairo_clip(cr);
    }
    cairo_set_source_rgb(cr, p.r, p.g, p.b);
    cairo_translate(cr, p.x, p.y);
    cairo_scale(cr, p.scale, p.scale);
    cairo_pattern_t* pat = cairo_pattern_create_for_surface(mask);
    cairo_pattern_set_filter(pat, p.filter);
    cairo_mask(cr, pat);
    cairo_pattern_destroy(pat);
    cairo_restore(cr);
  }
  cairo_surface_destroy(mask);
}

int WriteOnePage(const char* path, void (*draw)(cairo_t*)) {
  cairo_surface_t* s = cairo_pdf_surface_create(path, 595.2, 840);
  cairo_t* cr = cairo_create(s);
  draw(cr);
  cairo_show_page(cr);
  return Finish(s, cr, path);
}

// A text manual of A4 pages: a heading, a numbered section title and
// paragraphs of running text in a serif face on each page, with a page
// number, as a printed software manual looks.
int WriteManual(const char* path, int pages) {
  const double w = 595.276, h = 841.89;
  cairo_surface_t* s = cairo_pdf_surface_create(path, w, h);
  cairo_t* cr = cairo_create(s);
  static const char* const kWords[] = {"the",    "driver", "prints",  "each",   "page",    "of",     "a",
                                       "job",    "in",     "bands",   "when",   "memory",  "is",     "short",
                                       "setting", "paper", "tray",    "colour", "profile", "device", "font",
                                       "stream", "record", "printer", "queue",  "output",  "module", "default"};
  constexpr int kWordCount = int(sizeof kWords / sizeof kWords[0]);
  unsigned seed = 1;
  for (int n = 1; n <= pages; ++n) {
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
    cairo_set_font_size(cr, 16);
    cairo_move_to(cr, 72, 80);
    const std::string title = "Chapter " + std::to_string((n + 3) / 4) + "." + std::to_string((n - 1) % 4 + 1) +
                              ": Printing from applications";
    cairo_show_text(cr, title.c_str());
    cairo_select_font_face(cr, "DejaVu Serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, 10);
    double y = 110;
    while (y < h - 90) {
      std::string line;
      for (int k = 0; k < 14; ++k) {
        seed = seed * 1103515245u + 12345u;
        line += std::string(kWords[(seed >> 16) % kWordCount]) + (k == 13 ? "." : " ");
      }
      cairo_move_to(cr, 72, y);
      cairo_show_text(cr, line.c_str());
      y += ((seed >> 8) % 7 == 0) ? 24 : 13;  // a paragraph's end now and then
    }
    cairo_move_to(cr, w / 2 - 8, h - 50);
    cairo_show_text(cr, std::to_string(n).c_str());
    cairo_show_page(cr);
  }
  return Finish(s, cr, path);
}

// One page of 2 x 2 inches filled by one 20000 x 20000 grey image of 16
// levels in squares, compressed: a file of about half a megabyte whose
// image decodes to 400 MB. Written by hand, since cairo would hold the
// whole image.
bool WriteHugeImage(const char* path) {
  constexpr int kSide = 20000;
  std::vector<unsigned char> packed;
  z_stream z{};
  if (deflateInit(&z, Z_BEST_COMPRESSION) != Z_OK) return false;
  std::vector<unsigned char> row(kSide), out(1 << 16);
  for (int y = 0; y <= kSide; ++y) {
    const bool last = y == kSide;
    if (!last)
      for (int x = 0; x < kSide; ++x) row[size_t(x)] = static_cast<unsigned char>(((x / 1250 + y / 1250) % 16) * 17);
    z.next_in = row.data();
    z.avail_in = last ? 0 : kSide;
    do {
      z.next_out = out.data();
      z.avail_out = uInt(out.size());
      if (deflate(&z, last ? Z_FINISH : Z_NO_FLUSH) == Z_STREAM_ERROR) return false;
      packed.insert(packed.end(), out.data(), out.data() + (out.size() - z.avail_out));
    } while (z.avail_out == 0);
  }
  deflateEnd(&z);
  FILE* f = std::fopen(path, "wb");
  if (!f) return false;
  std::vector<long> offsets;
  auto object = [&](const std::string& text) {
    offsets.push_back(std::ftell(f));
    std::fprintf(f, "%zu 0 obj\n%s\nendobj\n", offsets.size(), text.c_str());
  };
  const std::string content = "q 144 0 0 144 0 0 cm /Im Do Q";
  std::fprintf(f, "%%PDF-1.4\n");
  object("<< /Type /Catalog /Pages 2 0 R >>");
  object("<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
  object("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 144 144] /Contents 4 0 R "
         "/Resources << /XObject << /Im 5 0 R >> >> >>");
  object("<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content + "\nendstream");
  offsets.push_back(std::ftell(f));
  std::fprintf(f, "5 0 obj\n<< /Type /XObject /Subtype /Image /Width %d /Height %d /ColorSpace /DeviceGray "
               "/BitsPerComponent 8 /Filter /FlateDecode /Length %zu >>\nstream\n", kSide, kSide, packed.size());
  std::fwrite(packed.data(), 1, packed.size(), f);
  std::fprintf(f, "\nendstream\nendobj\n");
  const long xref = std::ftell(f);
  std::fprintf(f, "xref\n0 %zu\n0000000000 65535 f \n", offsets.size() + 1);
  for (long at : offsets) std::fprintf(f, "%010ld 00000 n \n", at);
  std::fprintf(f, "trailer\n<< /Size %zu /Root 1 0 R >>\nstartxref\n%ld\n%%%%EOF\n", offsets.size() + 1, xref);
  return std::fclose(f) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if ((argc == 3 || argc == 4) && std::string(argv[2]) == "--kinds") {
    const int pages = argc == 4 ? std::atoi(argv[3]) : 4;
    if (pages < 1 || pages > 10000) {
      std::fprintf(stderr, "make_test_pdf: bad page count\n");
      return 2;
    }
    return WriteKinds(argv[1], pages);
  }
  if ((argc == 3 || argc == 4) && std::string(argv[2]) == "--manual") {
    const int pages = argc == 4 ? std::atoi(argv[3]) : 36;
    if (pages < 1 || pages > 10000) {
      std::fprintf(stderr, "make_test_pdf: bad page count\n");
      return 2;
    }
    return WriteManual(argv[1], pages);
  }
  if (argc == 3 && std::string(argv[1]) == "--huge-image") {
    if (WriteHugeImage(argv[2])) return 0;
    std::fprintf(stderr, "make_test_pdf: cannot write %s\n", argv[2]);
    return 1;
  }
  if ((argc == 3 || argc == 4) && std::string(argv[1]) == "--device-text")
    return WriteDeviceText(argv[2], argc == 4 ? argv[3] : "MS-Mincho");
  if (argc == 3 && std::string(argv[1]) == "--ipa-text") return WriteIpaText(argv[2]);
  if (argc == 3 && std::string(argv[1]) == "--mixed") return WriteOnePage(argv[2], DrawMixedPage);
  if (argc == 3 && std::string(argv[1]) == "--testpage") return WriteOnePage(argv[2], DrawTestPage);
  if (argc == 3 && std::string(argv[1]) == "--stencils") return WriteOnePage(argv[2], DrawStencilPage);
  if (argc != 3 && argc != 5) {
    std::fprintf(stderr,
                 "usage: make_test_pdf OUT.pdf PAGES [WIDTH HEIGHT] | make_test_pdf --mixed OUT.pdf | "
                 "make_test_pdf --testpage OUT.pdf | make_test_pdf --stencils OUT.pdf | make_test_pdf OUT.pdf --kinds [PAGES] | "
                 "make_test_pdf OUT.pdf --manual [PAGES] | make_test_pdf --huge-image OUT.pdf | "
                 "make_test_pdf --device-text OUT.pdf [BASEFONT] | make_test_pdf --ipa-text OUT.pdf\n");
    return 2;
  }
  const int pages = std::atoi(argv[2]);
  const double w = argc == 5 ? std::atof(argv[3]) : 595.276, h = argc == 5 ? std::atof(argv[4]) : 841.89;
  if (pages < 1 || pages > 10000 || !(w > 0 && w < 14400) || !(h > 0 && h < 14400)) {
    std::fprintf(stderr, "make_test_pdf: bad page count or size\n");
    return 2;
  }
  cairo_surface_t* s = cairo_pdf_surface_create(argv[1], w, h);
  cairo_t* cr = cairo_create(s);
  for (int n = 1; n <= pages; ++n) {
    DrawPage(cr, n, pages, w, h);
    cairo_show_page(cr);
  }
  return Finish(s, cr, argv[1]);
}
