// The application side of the graphics engine: a device context for a
// printer. It loads the printer's graphics driver through the platform
// layer, enables it as the Windows engine does (DrvEnableDriver,
// DrvEnablePDEV, DrvCompletePDEV, DrvEnableSurface), and sends each drawing
// call to the driver's hooked Drv* function or to the engine's own Eng*
// routine. On a banding surface a page is recorded and replayed band by band
// (DrvStartBanding, DrvNextBand).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "eng/ddi.h"
#include "eng/text.h"

namespace eng {

// Colours are 0x00RRGGBB (blue in the low byte, the order of a 24-bit BGR
// pixel in memory).
using Color = uint32_t;

// A path in device pixels of the page (doubles; the engine hands the driver
// 28.4 fixed-point points).
class Path {
 public:
  void MoveTo(double x, double y);
  void LineTo(double x, double y);
  void BezierTo(double x1, double y1, double x2, double y2, double x3, double y3);
  void Close();
  void Rectangle(double left, double top, double right, double bottom);
  bool empty() const { return ops_.empty(); }

  struct Op {
    enum Kind { kMove, kLine, kBezier, kClose } kind;
    double pts[6];
  };
  const std::vector<Op>& ops() const { return ops_; }

 private:
  std::vector<Op> ops_;
};


struct Pen {
  double width = 0;  // 0: a cosmetic pen one pixel wide
  ULONG cap = ENDCAP_ROUND;
  ULONG join = JOIN_ROUND;
  double miter_limit = 10;
  // Dash, gap, ...; empty: solid. In pixels for a geometric pen; for a
  // cosmetic pen in the device's style units, handed to the driver as they
  // stand (as an application's cosmetic style reaches a driver).
  std::vector<double> dashes;
};

// An image of the application: top-down rows of 1, 4 or 8 bits (palette
// indices; bit 7, or the high nibble, the leftmost pixel), 24 bits (blue,
// green, red) or 32 bits (blue, green, red, alpha). Without a palette 1-bit
// pixels are 0 black and 1 white, 4- and 8-bit pixels grey levels.
struct Image {
  int32_t width = 0;
  int32_t height = 0;
  int32_t bits = 24;     // 1, 4, 8, 24 or 32
  int32_t stride = 0;    // bytes per row
  const uint8_t* data = nullptr;
  const Color* palette = nullptr;  // 1, 4, 8 bits: palette_size colours
  int32_t palette_size = 0;        // at most 1 << bits
};

// A brush of the DC: a plain colour, a hatch (HS_HORIZONTAL ... HS_DIAGCROSS)
// in a colour over a background colour, or a pattern image tiled from the
// page origin.
struct DcBrush {
  enum Kind { kSolid, kHatch, kPattern } kind = kSolid;
  Color color = 0;              // the plain colour, or the hatch lines
  Color background = 0xFFFFFF;  // behind the hatch lines
  ULONG hatch = HS_HORIZONTAL;
  Image pattern;  // kPattern: 1-bit or 24-bit, at most 256 x 256
};

enum class FillMode { kAlternate, kWinding };

// How a string is drawn besides its glyphs.
struct TextOptions {
  std::vector<double> dx;     // advances along the baseline after each glyph; empty: the font's
  bool opaque = false;        // fill opaque_rect with background first
  RECTL opaque_rect{0, 0, 0, 0};
  Color background = 0xFFFFFF;
  bool underline = false;     // the font's underline and strike-out as extra rectangles
  bool strikeout = false;
  MIX mix = 0x0D0D;
};

// A glyph of the selected font by its index in the font (or a device
// font's glyph handle) at its character origin on the page (pixels).
struct GlyphAt {
  uint32_t glyph = 0;
  double x = 0, y = 0;
  char16_t ch = 0;  // its character when known (for the caller; the string carries glyph indices)
};

class PrinterDc;

struct DcOpenParams {
  const char16_t* driver_path = nullptr;  // Windows path of the graphics driver module
  const char16_t* device_name = nullptr;  // the printer's name
  HANDLE printer = nullptr;               // handed to DrvEnablePDEV as hDriver
  const DEVMODEW* devmode = nullptr;      // the job's DEVMODE, or none
};

// Opens a DC: loads and enables the driver. Null on failure, with the last
// error set; everything built so far is released.
std::unique_ptr<PrinterDc> DcOpen(const DcOpenParams& params);
// A DC on a bitmap of the engine (EngCreateBitmap, locked by the caller for
// the DC's life): no driver, every call the engine's own routine, a page
// always open. The window layer's window and memory DCs are these. Null
// with the last error set when the surface is not a bitmap.
std::unique_ptr<PrinterDc> DcOpenBitmap(SURFOBJ* bitmap);

class PrinterDc {
 public:
  ~PrinterDc();  // ends an open document and disables the driver
  PrinterDc(const PrinterDc&) = delete;
  PrinterDc& operator=(const PrinterDc&) = delete;

  // What DrvEnablePDEV and DrvEnableSurface told the engine.
  const GDIINFO& gdi_info() const;
  const DEVINFO& dev_info() const;
  SURFOBJ* surface() const;  // the driver's surface (locked for the DC's life)
  FLONG hooks() const;
  bool banding() const;

  BOOL StartDoc(const char16_t* doc_name, DWORD job_id);
  BOOL StartPage();
  BOOL EndPage();
  BOOL EndDoc();
  // Gives up the document: an open page is dropped unplayed and the driver
  // ends the document with ED_ABORTDOC.
  BOOL AbortDoc();
  // Changes the device's settings between pages (ResetDC): a new PDEV and
  // surface replace the old ones after DrvResetPDEV(old, new); an open
  // document goes on with DrvStartDoc in the new PDEV. On failure the DC
  // keeps the old ones.
  BOOL Reset(const DEVMODEW* devmode);
  ULONG Escape(ULONG code, ULONG in_size, const void* in, ULONG out_size, void* out);

  // Drawing; TRUE when every call it made succeeded. On a banding surface the
  // call is recorded and runs at EndPage, whose result then tells.
  BOOL FillPath(const Path& path, Color color, FillMode mode = FillMode::kAlternate,
                MIX mix = 0x0D0D);
  BOOL StrokePath(const Path& path, const Pen& pen, Color color, MIX mix = 0x0D0D);
  // Fills the path and strokes its outline in one call.
  BOOL StrokeAndFillPath(const Path& path, const Pen& pen, Color pen_color, Color fill_color,
                         FillMode mode = FillMode::kAlternate, MIX mix = 0x0D0D);
  BOOL FillRect(const RECTL& rect, Color color);
  // Draws src_rect of the image into dest (same size: a bit-block transfer,
  // else a stretch) through a ROP4 of brush (a plain colour), image and
  // page (SRCCOPY by default).
  BOOL DrawImage(const Image& image, const RECTL& dest, const RECTL& src_rect,
                 ULONG stretch_mode = COLORONCOLOR, ROP4 rop4 = 0xCCCC, Color brush = 0);
  // Fills the rectangle with a brush through a ROP4 of brush and page
  // (PATCOPY by default); the driver realizes hatches and patterns.
  BOOL PatBlt(const RECTL& rect, const DcBrush& brush, ROP4 rop4 = 0xF0F0);
  // Clipping of the drawing calls that follow: to a rectangle, to a path
  // (each replaces the clip before it), or none.
  void ClipRect(const RECTL& rect);
  BOOL ClipPath(const Path& path, FillMode mode);
  void ResetClip();
  // Narrows the clip to its part inside the rectangle or the path.
  void IntersectClipRect(const RECTL& rect);
  BOOL IntersectClipPath(const Path& path, FillMode mode);
  // Keeps the clip on a stack and returns the depth reached (1 for the
  // first); RestoreDC(n) takes back the clip saved at depth n and drops the
  // ones above it (n < 0: counted back from the top). FALSE for a depth that
  // was not saved.
  int SaveDC();
  BOOL RestoreDC(int saved);

  // Text. SelectFont realises the font later text is drawn in: without
  // font bytes, the driver's device font whose family name is
  // wanted.face_name, or that is the same face (FontObject::FindDevice),
  // when the driver announces fonts (DEVINFO cFonts); else the font file
  // wanted.data, else a registered font file of that family
  // (RegisterFontFile). FALSE, with the last error set,
  // when there is none; the font selected before stays.
  BOOL SelectFont(const FontSpec& wanted);
  const FontObject* selected_font() const;
  // Unicode text from the reference point (x, y) on the baseline; the
  // driver's DrvTextOut (HOOK_TEXTOUT) or EngTextOut draws it.
  BOOL TextOut(double x, double y, std::u16string_view text, Color color,
               const TextOptions& options = {});
  // Glyph indices of the selected font, each at its own place (a PDF's
  // text): a glyph-index string (SO_GLYPHINDEX_TEXTOUT).
  BOOL GlyphsOut(const std::vector<GlyphAt>& glyphs, Color color,
                 const TextOptions& options = {});

  struct Impl;

 private:
  explicit PrinterDc(std::unique_ptr<Impl> impl);
  friend std::unique_ptr<PrinterDc> DcOpen(const DcOpenParams& params);
  friend std::unique_ptr<PrinterDc> DcOpenBitmap(SURFOBJ* bitmap);
// A DC on a bitmap of the engine (EngCreateBitmap, locked by the caller for
// the DC's life): no driver, every call the engine's own routine, a page
// always open. The window layer's window and memory DCs are these. Null
// with the last error set when the surface is not a bitmap.
std::unique_ptr<PrinterDc> DcOpenBitmap(SURFOBJ* bitmap);
  std::unique_ptr<Impl> impl_;
};

}  // namespace eng
