// Internals of the drawing side of the window layer shared by its files:
// bitmaps the engine draws on, and what a window DC needs from the window
// manager.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "ui/gdi.h"

struct SURFOBJ;
namespace eng {
class PrinterDc;
}

namespace ui::detail {

// A bitmap of the layer: 24 or 32 bits a pixel (blue, green, red[, x]),
// rows top-down or bottom-up, drawn on through an engine bitmap over the
// same bytes.
struct Pixmap {
  LONG width = 0;
  LONG height = 0;
  int bits = 32;
  LONG stride = 0;
  bool bottom_up = false;
  std::vector<uint8_t> own;  // the rows when the layer holds them
  uint8_t* data = nullptr;   // first row in memory
  void* eng_bitmap = nullptr;
  SURFOBJ* so = nullptr;

  // The bytes of pixel row y (0 at the top).
  uint8_t* Row(LONG y) const { return data + size_t(bottom_up ? height - 1 - y : y) * size_t(stride); }
};
// Null when the size or format cannot be made.
std::unique_ptr<Pixmap> NewPixmap(LONG width, LONG height, int bits, bool bottom_up, uint8_t* caller_bits);
void FreePixmap(Pixmap* p);

// Where a window draws: the top-level window's bitmap, the place of the
// window's client origin in it, and the part of the bitmap the window may
// paint (its rectangle cut by its parents'). Implemented by the painting
// of windows; false for a window that is gone.
struct WindowTarget {
  Pixmap* pixmap = nullptr;
  POINT origin{0, 0};
  RECT visible{0, 0, 0, 0};
};
bool AcquireWindowTarget(HWND window, WindowTarget* target);
void ReleaseWindowTarget(HWND window, Pixmap* pixmap);

// A window DC (BeginPaint's or GetDC's); null when the window is gone.
HDC OpenWindowDc(HWND window);
bool CloseWindowDc(HDC dc);
bool IsWindowDcOf(HDC dc, HWND window);

// Painting of windows: the default answers of DefWindowProcW.
LRESULT DefaultPaint(HWND window);
LRESULT DefaultEraseBackground(HWND window, HDC dc);
LRESULT DefaultCtlColor(UINT message, HDC dc);
// The standard control classes paint themselves; false for other classes.
bool PaintStandardControl(HWND window, HDC dc);

// What the paths, arcs and glyph metrics of gdi_text_paths.cpp need of a DC
// (gdi.cpp): its engine DC, its origin on the bitmap, its font (realised and
// its ascent measured when asked), pen and brush. False for no DC.
struct DcParts {
  eng::PrinterDc* eng = nullptr;
  POINT origin{0, 0};
  LOGFONTW font{};
  bool font_ok = false;
  LONG ascent = 0;
  bool pen = false;  // false: a null pen
  COLORREF pen_color = 0;
  LONG pen_width = 1;
  bool brush = false;  // false: a hollow brush
  COLORREF brush_color = 0;
};
bool GetDcParts(HDC dc, DcParts* parts, bool with_font);

// A line of text on the bitmap: the unit vectors along its baseline and
// down its glyphs, and its reference point on the baseline for the cell's
// top-left corner at (x, y).
struct TextFrame {
  double along_x = 1, along_y = 0, down_x = 0, down_y = 1;
  double base_x = 0, base_y = 0;
};
TextFrame TextFrameOf(const LOGFONTW& font, double x, double y, double ascent);

// Paths of DCs (gdi_text_paths.cpp). Between BeginPath and EndPath a DC's
// lines, arcs and text go into its path instead of onto its bitmap.
bool PathIsOpen(HDC dc);
BOOL PathAddLine(HDC dc, POINT from, POINT to);
BOOL PathAddText(HDC dc, INT x, INT y, std::u16string_view text);
// A DC that goes drops its path.
void ForgetPath(HDC dc);

// DeleteObject of a palette (gdi_bitmaps.cpp): false when the object is no
// palette or is still selected.
bool DeletePalette(HGDIOBJ object);

// RGB of a COLORREF as the engine takes it (0x00RRGGBB).
inline uint32_t EngColor(COLORREF c) {
  return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

}  // namespace ui::detail
