// make_test_pdf OUT.pdf PAGES [WIDTH HEIGHT]: writes a PDF document of PAGES
// pages (A4 unless a size in points is given), drawn with cairo: a frame on
// the paper's edge, a heading, shapes in colour, lines of several widths and
// a grey ramp, different on each page, so that a print of it shows where
// every page went. The tests, benchmarks and the sample document of the demo
// are made with it.
#include <cairo-pdf.h>
#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

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

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 && argc != 5) {
    std::fprintf(stderr, "usage: make_test_pdf OUT.pdf PAGES [WIDTH HEIGHT]\n");
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
  cairo_destroy(cr);
  cairo_surface_finish(s);
  const bool ok = cairo_surface_status(s) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(s);
  // The font caches of cairo and fontconfig go too, so that a leak check
  // of this program sees nothing left.
  cairo_debug_reset_static_data();
  FcFini();
  if (!ok) std::fprintf(stderr, "make_test_pdf: cannot write %s\n", argv[1]);
  return ok ? 0 : 1;
}
