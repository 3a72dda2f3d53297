// velm_bmpres OUTPUT BASE: writes the bitmap resource module of the driver,
// the pictures of the pages (ids 6001-7008), as a copy of the loadable base
// module with the pictures appended as RT_BITMAP resources (packed DIBs).
//
// Every picture of the position table is drawn here with cairo at the
// table's size. Line pictures have 4 bits a pixel and 16 colours; their
// transparent colour is that of the bottom-left pixel, which is always the
// background. Photographic pictures (colour and quality samples) have 8
// bits a pixel and the transparent key colour 0x3300CC as entry 0.
// Pictures of disabled options ("D_" names) are drawn in greys.
#include <cairo.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "plat/resources.h"
#include "ui2k/preview.h"

namespace {

struct Named {
  uint16_t id;
  const char* name;
};
constexpr Named kNames[] = {
#include "picture_names.inc"
};

struct Rgb {
  uint8_t r, g, b;
};
// The 16 colours of line pictures; entry 0 is the background.
constexpr Rgb kLine[16] = {{0xCC, 0x00, 0x33}, {0, 0, 0},          {255, 255, 255},    {0xC0, 0xC0, 0xC0},
                           {0x80, 0x80, 0x80}, {0x40, 0x40, 0x40}, {0xE0, 0x20, 0x20}, {0x20, 0xA0, 0x20},
                           {0x20, 0x40, 0xE0}, {0xF0, 0xD0, 0x20}, {0x20, 0xC0, 0xE0}, {0xC0, 0x30, 0xC0},
                           {0xF0, 0x90, 0x20}, {0xFF, 0xFF, 0xE8}, {0xA0, 0xC8, 0xF0}, {0x10, 0x20, 0x80}};
enum Colour { kBack, kBlack, kWhite, kLight, kGrey, kDark, kRed, kGreen, kBlue, kYellow, kCyan, kMagenta, kOrange,
              kPaper, kSky, kNavy };

bool Has(const std::string& s, const char* part) { return s.find(part) != std::string::npos; }
bool Ends(const std::string& s, const char* end) {
  const size_t n = std::strlen(end);
  return s.size() >= n && s.compare(s.size() - n, n, end) == 0;
}

// Drawing on a cairo context in pixel units, without smoothing for line
// pictures so that every pixel is one of the 16 colours.
struct Pen {
  cairo_t* cr;
  void Set(Colour c) { cairo_set_source_rgb(cr, kLine[c].r / 255.0, kLine[c].g / 255.0, kLine[c].b / 255.0); }
  void Box(double x, double y, double w, double h, Colour fill, Colour edge = kBlack) {
    Set(fill);
    cairo_rectangle(cr, x, y, w, h);
    cairo_fill(cr);
    if (edge == kBack) return;
    Set(edge);
    cairo_rectangle(cr, x + 0.5, y + 0.5, w - 1, h - 1);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
  }
  void Line(double x0, double y0, double x1, double y1, Colour c, double width = 1) {
    Set(c);
    cairo_set_line_width(cr, width);
    cairo_move_to(cr, x0 + 0.5, y0 + 0.5);
    cairo_line_to(cr, x1 + 0.5, y1 + 0.5);
    cairo_stroke(cr);
  }
  void Dot(double x, double y, double r, Colour c) {
    Set(c);
    cairo_arc(cr, x, y, r, 0, 2 * M_PI);
    cairo_fill(cr);
  }
  // An arrow from (x0, y0) to (x1, y1) with its head at the end.
  void Arrow(double x0, double y0, double x1, double y1, Colour c) {
    Line(x0, y0, x1, y1, c, 2);
    const double a = std::atan2(y1 - y0, x1 - x0);
    Set(c);
    cairo_move_to(cr, x1 + 0.5 + 2 * std::cos(a), y1 + 0.5 + 2 * std::sin(a));
    cairo_line_to(cr, x1 + 0.5 - 6 * std::cos(a - 0.6), y1 + 0.5 - 6 * std::sin(a - 0.6));
    cairo_line_to(cr, x1 + 0.5 - 6 * std::cos(a + 0.6), y1 + 0.5 - 6 * std::sin(a + 0.6));
    cairo_close_path(cr);
    cairo_fill(cr);
  }
};

// The sheet of the paper pictures: where the page lies in 108 x 91, upright
// or lying (the stamp preview is drawn on the same place).
struct Sheet {
  double x, y, w, h;
};
Sheet SheetOf(bool landscape) { return landscape ? Sheet{19, 17, 68, 50} : Sheet{28, 9, 50, 69}; }

void Paper(Pen& p, const Sheet& s) {
  p.Box(s.x + 2, s.y + 2, s.w, s.h, kGrey, kBack);  // its shadow
  p.Box(s.x, s.y, s.w, s.h, kWhite);
}

// Text lines on a part of a page, as a reader would recognise a document.
void TextLines(Pen& p, double x, double y, double w, double h) {
  for (double ly = y + 3; ly + 1 < y + h - 2; ly += 4) p.Line(x + 3, ly, x + w - 4, ly, kGrey);
}

// The cells of an N-up layout: n pages in a grid over the sheet.
struct Grid {
  int cols, rows;
};
Grid GridOf(int n, bool landscape) {
  switch (n) {
    case 2: return landscape ? Grid{2, 1} : Grid{1, 2};
    case 4: return {2, 2};
    case 9: return {3, 3};
    case 16: return {4, 4};
    default: return {1, 1};
  }
}
int CountIn(const std::string& n) {
  for (int c : {16, 9, 4, 2, 1})
    if (Has(n, ("_" + std::to_string(c)).c_str())) return c;
  return 1;
}

// The page cells, their order (A: rows left to right, B: rows right to
// left, C: columns top down from the left, D: from the right) as an arrow.
void Layout(Pen& p, const Sheet& s, int n, char order, bool cells, bool lines, bool arrow) {
  const Grid g = GridOf(n, s.w > s.h);
  const double cw = (s.w - 4) / g.cols, ch = (s.h - 4) / g.rows;
  std::vector<std::pair<double, double>> centres;
  for (int i = 0; i < g.cols * g.rows; ++i) {
    int col, row;
    if (order == 'C' || order == 'D') {
      col = i / g.rows;
      row = i % g.rows;
    } else {
      row = i / g.cols;
      col = i % g.cols;
    }
    if (order == 'B' || order == 'D') col = g.cols - 1 - col;
    const double x = s.x + 2 + col * cw, y = s.y + 2 + row * ch;
    if (cells) {
      p.Box(std::floor(x) + 1, std::floor(y) + 1, std::floor(cw) - 1, std::floor(ch) - 1, kSky, lines ? kNavy : kBack);
      if (n <= 4) TextLines(p, std::floor(x) + 1, std::floor(y) + 1, std::floor(cw) - 1, std::floor(ch) - 1);
    } else if (lines) {
      p.Box(std::floor(x) + 1, std::floor(y) + 1, std::floor(cw) - 1, std::floor(ch) - 1, kBack, kNavy);
    }
    centres.emplace_back(x + cw / 2, y + ch / 2);
  }
  if (arrow && centres.size() > 1) {
    for (size_t i = 0; i + 2 < centres.size(); ++i)
      p.Line(centres[i].first, centres[i].second, centres[i + 1].first, centres[i + 1].second, kRed, 2);
    const auto& a = centres[centres.size() - 2];
    const auto& b = centres.back();
    p.Arrow(a.first, a.second, b.first, b.second, kRed);
  }
}

// Marks of the finishing options on a sheet.
void Staples(Pen& p, const Sheet& s, const std::string& kind) {
  const double l = s.x + 4, r = s.x + s.w - 5, t = s.y + 4, b = s.y + s.h - 5, mx = s.x + s.w / 2, my = s.y + s.h / 2;
  if (Has(kind, "1SL")) p.Line(l, t + 5, l + 5, t, kBlack, 2);
  else if (Has(kind, "1SR")) p.Line(r - 5, t, r, t + 5, kBlack, 2);
  else if (Has(kind, "1L")) p.Line(l, t, l + 6, t, kBlack, 2);
  else if (Has(kind, "1R")) p.Line(r - 6, t, r, t, kBlack, 2);
  else if (Has(kind, "2L")) { p.Line(l, my - 14, l, my - 8, kBlack, 2); p.Line(l, my + 8, l, my + 14, kBlack, 2); }
  else if (Has(kind, "2R")) { p.Line(r, my - 14, r, my - 8, kBlack, 2); p.Line(r, my + 8, r, my + 14, kBlack, 2); }
  else if (Has(kind, "2T")) { p.Line(mx - 14, t, mx - 8, t, kBlack, 2); p.Line(mx + 8, t, mx + 14, t, kBlack, 2); }
  else if (Has(kind, "2M")) {
    p.Line(mx, s.y, mx, b + 4, kGrey);
    p.Line(mx, my - 14, mx, my - 8, kBlack, 2);
    p.Line(mx, my + 8, mx, my + 14, kBlack, 2);
  }
}
// The edge a finishing name puts its marks on: the letter after the tag.
char EdgeOf(const std::string& n, const char* tag) {
  const size_t at = n.find(tag);
  return at == std::string::npos || at + 4 >= n.size() ? 'T' : n[at + 4];
}
void Holes(Pen& p, const Sheet& s, const std::string& kind) {
  const double mx = s.x + s.w / 2, my = s.y + s.h / 2;
  const char edge = EdgeOf(kind, "PUN_");
  for (int k : {-1, 1}) {
    if (edge == 'L') p.Dot(s.x + 5, my + 8 * k, 2, kBlack);
    else if (edge == 'R') p.Dot(s.x + s.w - 5, my + 8 * k, 2, kBlack);
    else p.Dot(mx + 8 * k, s.y + 5, 2, kBlack);
  }
}
// The binding edge of two-sided printing and the turn of the page.
void Duplex(Pen& p, const Sheet& s, const std::string& kind, bool back_sheet) {
  if (back_sheet) {
    p.Box(s.x + 6, s.y - 4, s.w, s.h, kLight);
    Paper(p, s);
    TextLines(p, s.x, s.y, s.w, s.h);
  }
  const char edge = EdgeOf(kind, "DUP_");
  if (edge == 'L') p.Line(s.x + 1, s.y + 1, s.x + 1, s.y + s.h - 2, kBlue, 3);
  else if (edge == 'R') p.Line(s.x + s.w - 2, s.y + 1, s.x + s.w - 2, s.y + s.h - 2, kBlue, 3);
  else p.Line(s.x + 1, s.y + 1, s.x + s.w - 2, s.y + 1, kBlue, 3);
  // The turn: a bent arrow over the page.
  const double cx = s.x + s.w / 2, cy = s.y + s.h / 2;
  p.Set(kRed);
  cairo_set_line_width(p.cr, 2);
  cairo_arc(p.cr, cx, cy, std::min(s.w, s.h) / 4, M_PI, 1.75 * M_PI);
  cairo_stroke(p.cr);
  p.Arrow(cx + std::min(s.w, s.h) / 4 * std::cos(1.6 * M_PI), cy + std::min(s.w, s.h) / 4 * std::sin(1.6 * M_PI),
          cx + std::min(s.w, s.h) / 4 * std::cos(1.75 * M_PI), cy + std::min(s.w, s.h) / 4 * std::sin(1.75 * M_PI),
          kRed);
}
void Booklet(Pen& p, const Sheet& s, bool marks_only) {
  const double mx = s.x + s.w / 2;
  if (!marks_only) {
    Paper(p, s);
    p.Box(s.x + 2, s.y + 2, s.w / 2 - 3, s.h - 4, kSky, kBack);
    p.Box(mx + 1, s.y + 2, s.w / 2 - 3, s.h - 4, kPaper, kBack);
  }
  p.Line(mx, s.y, mx, s.y + s.h - 1, kNavy, 2);
  p.Arrow(s.x + s.w - 8, s.y + s.h / 2, mx + 4, s.y + s.h / 2, kRed);
}
// A colour photograph: sky, sun, hills and a house.
void Photo(cairo_t* cr, double x, double y, double w, double h) {
  cairo_pattern_t* sky = cairo_pattern_create_linear(0, y, 0, y + h);
  cairo_pattern_add_color_stop_rgb(sky, 0, 0.25, 0.45, 0.95);
  cairo_pattern_add_color_stop_rgb(sky, 1, 0.85, 0.92, 1.0);
  cairo_rectangle(cr, x, y, w, h);
  cairo_set_source(cr, sky);
  cairo_fill(cr);
  cairo_pattern_destroy(sky);
  cairo_set_source_rgb(cr, 1.0, 0.85, 0.1);
  cairo_arc(cr, x + w * 0.78, y + h * 0.25, h * 0.12, 0, 2 * M_PI);
  cairo_fill(cr);
  cairo_set_source_rgb(cr, 0.2, 0.65, 0.25);
  cairo_move_to(cr, x, y + h);
  cairo_curve_to(cr, x + w * 0.3, y + h * 0.45, x + w * 0.6, y + h * 0.8, x + w, y + h * 0.55);
  cairo_line_to(cr, x + w, y + h);
  cairo_close_path(cr);
  cairo_fill(cr);
  cairo_set_source_rgb(cr, 0.85, 0.2, 0.15);
  cairo_rectangle(cr, x + w * 0.2, y + h * 0.6, w * 0.18, h * 0.22);
  cairo_fill(cr);
  cairo_set_source_rgb(cr, 0.45, 0.2, 0.1);
  cairo_move_to(cr, x + w * 0.17, y + h * 0.6);
  cairo_line_to(cr, x + w * 0.29, y + h * 0.45);
  cairo_line_to(cr, x + w * 0.41, y + h * 0.6);
  cairo_close_path(cr);
  cairo_fill(cr);
}

// The parts of the machine picture and the marks of its trays.
void Machine(Pen& p, const std::string& n, int w, int h) {
  if (Has(n, "M_BASE")) {
    p.Box(0, 8, w, h - 8, kLight);
    p.Box(4, 0, w - 8, 10, kLight);                       // the scanner lid
    p.Box(w - 24, 12, 18, 8, kDark, kBlack);              // the control panel
    p.Box(8, 14, w - 40, 6, kWhite);                      // the output tray
    for (int y : {38, 50}) p.Box(6, y, w - 12, 10, kLight);  // the trays
  } else if (Has(n, "M_TABLE")) {
    p.Box(0, 0, w, 6, kDark);
    p.Box(4, 6, 6, h - 6, kDark);
    p.Box(w - 10, 6, 6, h - 6, kDark);
  } else if (Has(n, "M_BANK")) {
    p.Box(0, 0, w, h, kLight);
    for (int y = 4; y + 10 < h; y += 12) p.Box(6, y, w - 12, 10, kLight);
  } else if (Has(n, "M_LCT")) {
    p.Box(0, 0, w, h, kLight);
    p.Box(4, 6, w - 8, h - 12, kWhite);
  } else if (Has(n, "M_BYPASS") || Has(n, "M_IN_B") || Ends(n, "_B")) {
    const Colour c = Has(n, "M_IN") ? kOrange : Has(n, "COVER") ? kCyan : Has(n, "SLIP") ? kMagenta : kLight;
    p.Set(c);
    cairo_move_to(p.cr, 0, h - 1);
    cairo_line_to(p.cr, w - 1, 0);
    cairo_line_to(p.cr, w - 1, h - 1);
    cairo_close_path(p.cr);
    cairo_fill(p.cr);
  } else if (Has(n, "M_BRIDGE")) {
    p.Box(0, 0, w, h, kLight);
  } else if (Has(n, "M_MAIL_QLT3")) {
    p.Box(0, 0, w, h, kLight);
    for (int y = 3; y < h - 2; y += 3) p.Line(2, y, w - 8, y, kDark);
  } else if (Has(n, "M_FIN")) {
    p.Box(0, 0, w, h, kLight);
    p.Box(4, 4, w - 8, 10, kWhite);
    if (Has(n, "3")) p.Box(4, 20, w - 8, 10, kWhite);
    p.Line(w / 2, 36, w / 2, h - 6, kDark);
  } else if (Has(n, "M_MAIL_") || Has(n, "M_OUT") || Has(n, "MARK")) {
    p.Box(0, 0, w, h, kOrange, kBack);
  } else {
    // The tray of a source: highlighted in the colour of its use.
    p.Box(0, 0, w, h, Has(n, "COVER") ? kCyan : Has(n, "SLIP") ? kMagenta : kOrange, kBlack);
  }
}

void Small(Pen& p, const std::string& n, int w, int h) {
  if (Has(n, "CHK")) {
    const bool grey = Ends(n, "_G");
    p.Box(0, 0, w, h, grey ? kLight : kWhite, kGrey);
    if (Has(n, "ON")) {
      p.Line(3, 6, 5, 9, grey ? kGrey : kBlack, 2);
      p.Line(5, 9, 9, 3, grey ? kGrey : kBlack, 2);
    }
  } else if (Has(n, "LOCK")) {
    const Colour c = Ends(n, "_G") ? kGrey : kOrange;
    p.Set(kDark);
    cairo_set_line_width(p.cr, 2);
    cairo_arc(p.cr, w / 2.0, 7, 4, M_PI, 2 * M_PI);
    cairo_stroke(p.cr);
    p.Box(2, 7, w - 4, h - 8, c, kDark);
  } else if (Has(n, "ARROW_L") || Has(n, "MOV_B")) {
    p.Arrow(w - 3, h / 2.0, 3, h / 2.0, kBlue);
  } else if (Has(n, "ARROW_R") || Has(n, "MOV_F") || Has(n, "CHANGE")) {
    p.Arrow(3, h / 2.0, w - 3, h / 2.0, kBlue);
  } else if (Has(n, "SAVE")) {
    p.Box(2, 2, w - 4, h - 4, kNavy);
    p.Box(6, 3, w - 12, 7, kWhite, kBack);
  } else if (Has(n, "DEL")) {
    p.Line(4, 4, w - 5, h - 5, kRed, 3);
    p.Line(w - 5, 4, 4, h - 5, kRed, 3);
  } else if (Has(n, "MAINTE")) {
    p.Box(3, 3, w - 6, h - 6, kWhite);
    for (int y = 7; y < h - 5; y += 4) p.Line(6, y, w - 7, y, kGrey);
  } else {
    // Sources and destinations of paper: a tray with a sheet and an arrow.
    p.Box(2, h / 2.0, w - 4, h / 2.0 - 2, kLight);
    p.Box(6, h / 2.0 - 6, w - 12, 6, Has(n, "COVER") ? kCyan : Has(n, "SLIP") ? kMagenta : kWhite);
    if (Has(n, "INPUT")) p.Arrow(w / 2.0, 2, w / 2.0, h / 2.0 - 8, kBlue);
    else if (Has(n, "OUTPUT")) p.Arrow(w / 2.0, h / 2.0 - 8, w / 2.0, 2, kBlue);
  }
}

// The quality pictures: what a document of the kind looks like.
void Quality(cairo_t* cr, Pen& p, const std::string& n, int w, int h) {
  const Sheet s{w * 0.2, 4, w * 0.6, h - 8.0};
  Paper(p, s);
  if (Has(n, "PHOTO") || Has(n, "MONO")) {
    Photo(cr, s.x + 3, s.y + 3, s.w - 6, s.h - 6);
  } else if (Has(n, "CAD")) {
    for (int i = 0; i < 6; ++i) p.Line(s.x + 4, s.y + 6 + i * 9, s.x + s.w - 6, s.y + s.h - 8 - i * 7, kNavy);
  } else if (Has(n, "DTP")) {
    Photo(cr, s.x + 4, s.y + 4, s.w / 2 - 4, s.h / 3);
    TextLines(p, s.x + s.w / 2, s.y + 2, s.w / 2, s.h / 3);
    TextLines(p, s.x, s.y + s.h / 3 + 4, s.w, s.h * 2 / 3 - 6);
  } else if (Has(n, "TONER")) {
    TextLines(p, s.x, s.y, s.w, s.h);
    p.Dot(s.x + s.w - 10, s.y + s.h - 12, 6, kLight);
  } else if (Has(n, "SPEED")) {
    TextLines(p, s.x, s.y, s.w, s.h);
    p.Arrow(s.x + 4, s.y + s.h / 2, s.x + s.w - 4, s.y + s.h / 2, kRed);
  } else if (Has(n, "CUS_")) {
    TextLines(p, s.x, s.y, s.w, s.h / 2);
    Photo(cr, s.x + 4, s.y + s.h / 2, s.w - 8, s.h / 2 - 4);
    const int k = n.back() - '0';
    for (int i = 0; i < k; ++i) p.Dot(s.x + 6 + i * 5, s.y + s.h - 6, 2, kRed);
  } else {
    TextLines(p, s.x, s.y, s.w, s.h / 2);
    Photo(cr, s.x + 4, s.y + s.h / 2, s.w - 8, s.h / 2 - 4);
  }
}

bool IsPhotographic(const std::string& n) {
  return Has(n, "COL_P") || Has(n, "COL_L") || n.rfind("Q_", 0) == 0;
}

// Draws a picture of the name into w x h.
void Draw(cairo_t* cr, const std::string& n, int w, int h) {
  Pen p{cr};
  // A preview layer of two pages per sheet turns the sheet: two upright
  // pages lie side by side on a lying sheet, two lying pages stand one over
  // the other on an upright sheet (the stamp preview is placed the same way).
  const bool two_up = n.rfind("I_", 0) == 0 && (Has(n, "_M_") || Has(n, "LIN") || Has(n, "ARR")) &&
                      !Has(n, "POS") && !Has(n, "BOO") && CountIn(n) == 2;
  const bool land = (Ends(n, "_L") || Ends(n, "LAND") || (Has(n, "MAR") && Ends(n, "L"))) != two_up;
  const Sheet s = SheetOf(land);
  if (n.rfind("M_", 0) == 0) return Machine(p, n, w, h);
  if (n.rfind("Q_", 0) == 0) return Quality(cr, p, n, w, h);
  if (w < 40) return Small(p, n, w, h);
  if (Has(n, "COL_P") || Has(n, "COL_L")) {
    Photo(cr, 0, 0, w, h);
    return;
  }
  if (Has(n, "COL_")) {  // colour modes: natural, vivid and the like as swatches
    const Colour row[] = {kRed, kOrange, kYellow, kGreen, kCyan, kBlue, kMagenta};
    for (int i = 0; i < 7; ++i) p.Box(8 + i * 13, 20, 12, 50, Has(n, "_S") && i % 2 ? kGrey : row[i], kBack);
    return;
  }
  if (n.rfind("I_", 0) == 0) {  // layers over the paper picture of the preview
    if (Has(n, "STP")) return Staples(p, s, n);
    if (Has(n, "PUN")) return Holes(p, s, n);
    if (Has(n, "DUP")) return Duplex(p, s, n, false);
    if (Has(n, "BOO")) return Booklet(p, s, true);
    const char order = Has(n, "ARR") ? n[n.find('_', 6) - 1] : 'A';
    if (Has(n, "ARR")) return Layout(p, s, CountIn(n), order, false, false, true);
    if (Has(n, "LIN")) return Layout(p, s, CountIn(n), 'A', false, true, false);
    if (Has(n, "POS")) {
      const Grid g = GridOf(CountIn(n) == 2 ? 2 : CountIn(n), land);
      for (int i = 1; i < g.cols; ++i) p.Line(s.x + s.w * i / g.cols, s.y, s.x + s.w * i / g.cols, s.y + s.h - 1, kRed);
      for (int i = 1; i < g.rows; ++i) p.Line(s.x, s.y + s.h * i / g.rows, s.x + s.w - 1, s.y + s.h * i / g.rows, kRed);
      return;
    }
    if (Has(n, "SCA")) {
      const double k = Has(n, "_S_") ? 0.6 : 1.2;
      const double cw = s.w * k, ch = s.h * k;
      p.Box(s.x + (s.w - cw) / 2, s.y + (s.h - ch) / 2, cw, ch, kBack, kRed);
      return;
    }
    if (Has(n, "COVER") || Has(n, "SLIP")) {
      p.Box(s.x + s.w - 12, s.y + 3, 9, 9, Has(n, "COVER") ? kCyan : kMagenta, kBlack);
      return;
    }
    if (Has(n, "OVER")) {
      for (double y = s.y + 8; y < s.y + s.h - 4; y += 8) p.Line(s.x + 4, y, s.x + s.w - 5, y - 4, kSky);
      return;
    }
    return Layout(p, s, CountIn(n), 'A', true, false, false);
  }
  Paper(p, s);
  if (Has(n, "LAY_")) {
    const size_t at = n.find("LAY_") + 4;
    const char order = n[n.find('_', at) - 1];
    return Layout(p, s, std::stoi(n.substr(at)), order, true, false, true);
  }
  if (Has(n, "POS_")) {
    const Grid g = GridOf(CountIn(n), land);
    for (int i = 1; i < g.cols; ++i) p.Line(s.x + s.w * i / g.cols, s.y, s.x + s.w * i / g.cols, s.y + s.h - 1, kRed);
    for (int i = 1; i < g.rows; ++i) p.Line(s.x, s.y + s.h * i / g.rows, s.x + s.w - 1, s.y + s.h * i / g.rows, kRed);
    return;
  }
  TextLines(p, s.x, s.y, s.w, s.h);
  if (Has(n, "DUP_")) return Duplex(p, s, n, true);
  if (Has(n, "BOO_")) return Booklet(p, s, false);
  if (Has(n, "STP_")) return Staples(p, s, n);
  if (Has(n, "PUN_")) return Holes(p, s, n);
  if (Has(n, "COV_") || Has(n, "SLP_")) {
    const int k = Has(n, "_0") ? 0 : Has(n, "_1") ? 1 : 2;
    for (int i = 0; i < k; ++i) p.Box(s.x - 6 - 4 * i, s.y + 4 + 4 * i, 8, s.h - 8, Has(n, "COV") ? kCyan : kMagenta);
    return;
  }
  if (Has(n, "MAR")) {
    if (Has(n, "L")) p.Box(s.x + 1, s.y + 1, 6, s.h - 2, kSky, kBack);
    if (Has(n, "T")) p.Box(s.x + 1, s.y + 1, s.w - 2, 6, kSky, kBack);
    if (Has(n, "R")) p.Box(s.x + s.w - 7, s.y + 1, 6, s.h - 2, kSky, kBack);
    return;
  }
  if (Has(n, "SIZE") || Has(n, "SCALE")) {
    p.Arrow(s.x + 4, s.y + s.h + 6 > h - 2 ? s.y + s.h - 4 : s.y + s.h + 6, s.x + s.w - 4,
            s.y + s.h + 6 > h - 2 ? s.y + s.h - 4 : s.y + s.h + 6, kRed);
    return;
  }
  if (Has(n, "SET_")) {
    p.Box(s.x + 6, s.y + 6, s.w - 12, s.h - 12, kBack, kBlue);
    return;
  }
}

// The picture as a packed DIB: 4 bits with the 16 colours, or 8 bits with
// the key colour as entry 0 and a 6 x 6 x 6 cube and greys after it.
std::vector<uint8_t> PackedDib(const uint32_t* argb, int stride_px, int w, int h, bool photographic, bool grey) {
  std::vector<Rgb> table;
  if (photographic) {
    table.push_back(kLine[kBack]);
    for (int r = 0; r < 6; ++r)
      for (int g = 0; g < 6; ++g)
        for (int b = 0; b < 6; ++b) table.push_back(Rgb{uint8_t(r * 51), uint8_t(g * 51), uint8_t(b * 51)});
    for (int i = 0; table.size() < 256; ++i) table.push_back(Rgb{uint8_t(8 + i * 6), uint8_t(8 + i * 6), uint8_t(8 + i * 6)});
  } else {
    table.assign(std::begin(kLine), std::end(kLine));
  }
  const int bits = photographic ? 8 : 4;
  auto nearest = [&](uint32_t px) {
    const int r = (px >> 16) & 0xFF, g = (px >> 8) & 0xFF, b = px & 0xFF;
    size_t best = 0;
    long best_d = -1;
    for (size_t i = 0; i < table.size(); ++i) {
      const long d = long(table[i].r - r) * (table[i].r - r) + long(table[i].g - g) * (table[i].g - g) +
                     long(table[i].b - b) * (table[i].b - b);
      if (best_d < 0 || d < best_d) best = i, best_d = d;
      if (d == 0) break;
    }
    return uint8_t(best);
  };
  if (grey)
    for (size_t i = 1; i < table.size(); ++i) {
      const uint8_t y = uint8_t(std::min(255, 96 + (table[i].r * 30 + table[i].g * 59 + table[i].b * 11) / 160));
      table[i] = Rgb{y, y, y};
    }
  const size_t stride = ((size_t(w) * bits + 31) / 32) * 4;
  std::vector<uint8_t> out(40 + table.size() * 4 + stride * size_t(h), 0);
  BITMAPINFOHEADER hd{};
  hd.biSize = 40;
  hd.biWidth = w;
  hd.biHeight = h;
  hd.biPlanes = 1;
  hd.biBitCount = WORD(bits);
  std::memcpy(out.data(), &hd, sizeof hd);
  for (size_t i = 0; i < table.size(); ++i) {
    out[40 + 4 * i] = table[i].b;
    out[40 + 4 * i + 1] = table[i].g;
    out[40 + 4 * i + 2] = table[i].r;
  }
  uint8_t* rows = out.data() + 40 + table.size() * 4;
  for (int y = 0; y < h; ++y) {
    uint8_t* row = rows + size_t(h - 1 - y) * stride;  // bottom-up
    for (int x = 0; x < w; ++x) {
      const uint32_t px = argb[size_t(y) * size_t(stride_px) + size_t(x)];
      const uint8_t index = (px >> 24) < 128 ? 0 : nearest(px);
      if (bits == 8) row[x] = index;
      else row[x / 2] |= uint8_t(x % 2 ? index : index << 4);
    }
  }
  return out;
}

std::string NameOf(uint16_t id) {
  for (const Named& n : kNames)
    if (n.id == id) return n.name;
  return "";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: velm_bmpres OUTPUT BASE-MODULE\n");
    return 2;
  }
  std::vector<plat::ResourceEntry> entries;
  for (const PictureRow* row = UiGetPictureTable(); row->id; ++row) {
    const std::string name = NameOf(row->id);
    const int w = row->width, h = row->height;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
    cairo_t* cr = cairo_create(surface);
    const bool photographic = IsPhotographic(name);
    if (!photographic) cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    Draw(cr, name.empty() ? "PAPER" : name, w, h);
    cairo_surface_flush(surface);
    // The bottom-left pixel stays the background: it is the key of 4-bit pictures.
    auto* px = reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(surface));
    const int stride_px = cairo_image_surface_get_stride(surface) / 4;
    px[size_t(h - 1) * size_t(stride_px)] = 0;
    const bool grey = name.rfind("D_", 0) == 0 || Has(name, "Q_D_") || Has(name, "MONO");
    entries.push_back(plat::ResourceEntry{RT_BITMAP, row->id, PackedDib(px, stride_px, w, h, photographic, grey)});
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
  }
  if (!plat::WriteResourceModule(argv[1], argv[2], entries)) {
    std::fprintf(stderr, "velm_bmpres: cannot write %s from the base module %s\n", argv[1], argv[2]);
    return 1;
  }
  return 0;
}
