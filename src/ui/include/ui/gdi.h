// Drawing in the window layer: device contexts of windows and of memory
// bitmaps, the pens, brushes, fonts and bitmaps selected into them, and the
// calls that draw. Every DC is the graphics engine's device context on a
// bitmap surface (eng::DcOpenBitmap): the window layer draws nothing itself.
//
// A top-level window owns a 32-bit bitmap as large as the window; its
// children paint into it at their place, clipped to their rectangle (and to
// their parents'). Coordinates of a window DC are the window's client
// coordinates; of a memory DC, the selected bitmap's pixels.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "plat/fonts.h"
#include "plat/logfont.h"
#include "ui/user32.h"

using COLORREF = uint32_t;  // 0x00BBGGRR
using HGDIOBJ = void*;
using HPEN = void*;
using HBITMAP = void*;

constexpr COLORREF RGB(uint8_t r, uint8_t g, uint8_t b) {
  return COLORREF(r) | (COLORREF(g) << 8) | (COLORREF(b) << 16);
}
constexpr uint8_t GetRValue(COLORREF c) { return uint8_t(c); }
constexpr uint8_t GetGValue(COLORREF c) { return uint8_t(c >> 8); }
constexpr uint8_t GetBValue(COLORREF c) { return uint8_t(c >> 16); }
constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;

struct SIZE {
  LONG cx;
  LONG cy;
};

struct PAINTSTRUCT {
  HDC hdc;
  BOOL fErase;
  RECT rcPaint;
  BOOL fRestore;
  BOOL fIncUpdate;
  BYTE rgbReserved[32];
};

struct BITMAPINFOHEADER {
  DWORD biSize;
  LONG biWidth;
  LONG biHeight;  // above 0: rows bottom-up; below 0: top-down
  WORD biPlanes;
  WORD biBitCount;
  DWORD biCompression;
  DWORD biSizeImage;
  LONG biXPelsPerMeter;
  LONG biYPelsPerMeter;
  DWORD biClrUsed;
  DWORD biClrImportant;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40);
struct RGBQUAD {
  BYTE rgbBlue;
  BYTE rgbGreen;
  BYTE rgbRed;
  BYTE rgbReserved;
};
struct BITMAPINFO {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[1];
};
static_assert(sizeof(BITMAPINFO) == 44);
struct BITMAP {
  LONG bmType;
  LONG bmWidth;
  LONG bmHeight;
  LONG bmWidthBytes;
  WORD bmPlanes;
  WORD bmBitsPixel;
  void* bmBits;
};

struct DRAWITEMSTRUCT {
  UINT CtlType;
  UINT CtlID;
  UINT itemID;
  UINT itemAction;
  UINT itemState;
  HWND hwndItem;
  HDC hDC;
  RECT rcItem;
  ULONG_PTR itemData;
};
struct MEASUREITEMSTRUCT {
  UINT CtlType;
  UINT CtlID;
  UINT itemID;
  UINT itemWidth;
  UINT itemHeight;
  ULONG_PTR itemData;
};

constexpr UINT WM_ERASEBKGND = 0x0014;

// Owner-draw.
constexpr UINT ODT_LISTBOX = 2;
constexpr UINT ODT_COMBOBOX = 3;
constexpr UINT ODT_BUTTON = 4;
constexpr UINT ODT_STATIC = 5;
constexpr UINT ODA_DRAWENTIRE = 1;
constexpr UINT ODA_SELECT = 2;
constexpr UINT ODA_FOCUS = 4;
constexpr UINT ODS_SELECTED = 0x1;
constexpr UINT ODS_GRAYED = 0x2;
constexpr UINT ODS_DISABLED = 0x4;
constexpr UINT ODS_CHECKED = 0x8;
constexpr UINT ODS_FOCUS = 0x10;
constexpr UINT ODS_DEFAULT = 0x20;
constexpr UINT ODS_COMBOBOXEDIT = 0x1000;
constexpr DWORD LBS_OWNERDRAWVARIABLE = 0x20;
constexpr DWORD CBS_OWNERDRAWVARIABLE = 0x20;
constexpr DWORD SS_ETCHEDHORZ = 0x10;
constexpr DWORD SS_ETCHEDVERT = 0x11;
constexpr DWORD SS_ETCHEDFRAME = 0x12;
constexpr DWORD SS_NOPREFIX = 0x80;
constexpr DWORD SS_CENTERIMAGE = 0x200;
constexpr DWORD SS_SUNKEN = 0x1000;
constexpr DWORD BS_LEFTTEXT = 0x20;
constexpr DWORD BS_ICON = 0x40;
constexpr DWORD BS_BITMAP = 0x80;
constexpr DWORD BS_PUSHLIKE = 0x1000;
constexpr DWORD WS_EX_CLIENTEDGE = 0x200;

// System colours.
constexpr INT COLOR_WINDOW = 5;
constexpr INT COLOR_WINDOWFRAME = 6;
constexpr INT COLOR_MENUTEXT = 7;
constexpr INT COLOR_WINDOWTEXT = 8;
constexpr INT COLOR_HIGHLIGHT = 13;
constexpr INT COLOR_HIGHLIGHTTEXT = 14;
constexpr INT COLOR_BTNFACE = 15;
constexpr INT COLOR_3DFACE = COLOR_BTNFACE;
constexpr INT COLOR_BTNSHADOW = 16;
constexpr INT COLOR_3DSHADOW = COLOR_BTNSHADOW;
constexpr INT COLOR_GRAYTEXT = 17;
constexpr INT COLOR_BTNTEXT = 18;
constexpr INT COLOR_BTNHIGHLIGHT = 20;
constexpr INT COLOR_3DHILIGHT = COLOR_BTNHIGHLIGHT;
constexpr INT COLOR_3DDKSHADOW = 21;
constexpr INT COLOR_3DLIGHT = 22;

// Stock objects.
constexpr INT WHITE_BRUSH = 0;
constexpr INT LTGRAY_BRUSH = 1;
constexpr INT GRAY_BRUSH = 2;
constexpr INT DKGRAY_BRUSH = 3;
constexpr INT BLACK_BRUSH = 4;
constexpr INT NULL_BRUSH = 5;
constexpr INT HOLLOW_BRUSH = NULL_BRUSH;
constexpr INT WHITE_PEN = 6;
constexpr INT BLACK_PEN = 7;
constexpr INT NULL_PEN = 8;
constexpr INT DEFAULT_GUI_FONT = 17;
constexpr INT DC_BRUSH = 18;
constexpr INT DC_PEN = 19;

constexpr INT PS_SOLID = 0;
constexpr INT PS_DASH = 1;
constexpr INT PS_DOT = 2;
constexpr INT PS_NULL = 5;

constexpr INT TRANSPARENT = 1;
constexpr INT OPAQUE = 2;

// Raster operations (ROP3 with its operation code).
constexpr DWORD SRCCOPY = 0x00CC0020;
constexpr DWORD SRCPAINT = 0x00EE0086;
constexpr DWORD SRCAND = 0x008800C6;
constexpr DWORD SRCINVERT = 0x00660046;
constexpr DWORD SRCERASE = 0x00440328;
constexpr DWORD NOTSRCCOPY = 0x00330008;
constexpr DWORD NOTSRCERASE = 0x001100A6;
constexpr DWORD MERGECOPY = 0x00C000CA;
constexpr DWORD MERGEPAINT = 0x00BB0226;
constexpr DWORD PATCOPY = 0x00F00021;
constexpr DWORD PATPAINT = 0x00FB0A09;
constexpr DWORD PATINVERT = 0x005A0049;
constexpr DWORD DSTINVERT = 0x00550009;
constexpr DWORD BLACKNESS = 0x00000042;
constexpr DWORD WHITENESS = 0x00FF0062;

// Stretch modes (the engine's header names them BLACKONWHITE ... HALFTONE).
constexpr INT STRETCH_ANDSCANS = 1;
constexpr INT STRETCH_ORSCANS = 2;
constexpr INT STRETCH_DELETESCANS = 3;
constexpr INT STRETCH_HALFTONE = 4;

using HPALETTE = void*;
struct PALETTEENTRY {
  BYTE peRed;
  BYTE peGreen;
  BYTE peBlue;
  BYTE peFlags;
};
struct LOGPALETTE {
  WORD palVersion;
  WORD palNumEntries;
  PALETTEENTRY palPalEntry[1];
};
static_assert(sizeof(LOGPALETTE) == 8);
constexpr DWORD CBM_INIT = 0x4;
constexpr UINT GDI_ERROR = 0xFFFFFFFF;
constexpr DWORD RT_BITMAP = 2;

constexpr DWORD BI_RGB = 0;
constexpr UINT DIB_RGB_COLORS = 0;

// Region answers of the clip calls.
constexpr INT ERROR_REGION = 0;
constexpr INT NULLREGION = 1;
constexpr INT SIMPLEREGION = 2;
constexpr INT COMPLEXREGION = 3;

// DrawTextW.
constexpr UINT DT_TOP = 0x0;
constexpr UINT DT_LEFT = 0x0;
constexpr UINT DT_CENTER = 0x1;
constexpr UINT DT_RIGHT = 0x2;
constexpr UINT DT_VCENTER = 0x4;
constexpr UINT DT_BOTTOM = 0x8;
constexpr UINT DT_WORDBREAK = 0x10;
constexpr UINT DT_SINGLELINE = 0x20;
constexpr UINT DT_EXPANDTABS = 0x40;
constexpr UINT DT_NOCLIP = 0x100;
constexpr UINT DT_CALCRECT = 0x400;
constexpr UINT DT_NOPREFIX = 0x800;
constexpr UINT DT_HIDEPREFIX = 0x100000;
constexpr UINT DT_END_ELLIPSIS = 0x8000;

// DrawEdge.
constexpr UINT BDR_RAISEDOUTER = 0x1;
constexpr UINT BDR_SUNKENOUTER = 0x2;
constexpr UINT BDR_RAISEDINNER = 0x4;
constexpr UINT BDR_SUNKENINNER = 0x8;
constexpr UINT EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER;
constexpr UINT EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER;
constexpr UINT EDGE_ETCHED = BDR_SUNKENOUTER | BDR_RAISEDINNER;
constexpr UINT BF_LEFT = 0x1;
constexpr UINT BF_TOP = 0x2;
constexpr UINT BF_RIGHT = 0x4;
constexpr UINT BF_BOTTOM = 0x8;
constexpr UINT BF_RECT = 0xF;

// RedrawWindow.
constexpr UINT RDW_INVALIDATE = 0x1;
constexpr UINT RDW_ERASE = 0x4;
constexpr UINT RDW_VALIDATE = 0x8;
constexpr UINT RDW_ALLCHILDREN = 0x80;
constexpr UINT RDW_UPDATENOW = 0x100;
constexpr UINT RDW_ERASENOW = 0x200;

extern "C" {

// ---- device contexts ------------------------------------------------------------------
// GetDC and ReleaseDC of a window are the platform layer's calls (they also
// give the desktop's context); the window layer answers them for its
// windows. The DC of a window draws into its top-level window's bitmap.
HDC GetWindowDC(HWND window);
// Sends WM_ERASEBKGND when the window's background is to be erased, and
// validates the window; the DC is clipped to the window.
HDC BeginPaint(HWND window, PAINTSTRUCT* paint);
BOOL EndPaint(HWND window, const PAINTSTRUCT* paint);
// A memory DC: a 1 x 1 bitmap selected until another is.
HDC CreateCompatibleDC(HDC dc);
BOOL DeleteDC(HDC dc);
INT SaveDC(HDC dc);
BOOL RestoreDC(HDC dc, INT saved);

// ---- objects ----------------------------------------------------------------------------
HBITMAP CreateCompatibleBitmap(HDC dc, INT width, INT height);
// 24- and 32-bit DIB sections (BI_RGB): *bits receives the rows the caller
// draws into, bottom-up for a positive height.
HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section, DWORD offset);
HPEN CreatePen(INT style, INT width, COLORREF color);
HBRUSH CreateSolidBrush(COLORREF color);
HFONT CreateFontIndirectW(const LOGFONTW* font);
HGDIOBJ GetStockObject(INT index);
// The previous object of the kind, or null when the object is not one of
// this layer's or the DC is not.
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
HGDIOBJ GetCurrentObject(HDC dc, UINT kind);
// Stock objects and objects still selected are not deleted (FALSE).
BOOL DeleteObject(HGDIOBJ object);
INT GetObjectW(HGDIOBJ object, INT size, void* buffer);
DWORD GetSysColor(INT index);
HBRUSH GetSysColorBrush(INT index);

// ---- state ------------------------------------------------------------------------------
COLORREF SetTextColor(HDC dc, COLORREF color);
COLORREF GetTextColor(HDC dc);
COLORREF SetBkColor(HDC dc, COLORREF color);
COLORREF GetBkColor(HDC dc);
INT SetBkMode(HDC dc, INT mode);
INT GetBkMode(HDC dc);
INT SetStretchBltMode(HDC dc, INT mode);
BOOL SetBrushOrgEx(HDC dc, INT x, INT y, POINT* previous);
COLORREF SetDCBrushColor(HDC dc, COLORREF color);
COLORREF SetDCPenColor(HDC dc, COLORREF color);

// ---- clipping ---------------------------------------------------------------------------
INT ExcludeClipRect(HDC dc, INT left, INT top, INT right, INT bottom);
INT IntersectClipRect(HDC dc, INT left, INT top, INT right, INT bottom);
INT GetClipBox(HDC dc, RECT* rect);

// ---- drawing ----------------------------------------------------------------------------
BOOL BitBlt(HDC dest, INT x, INT y, INT width, INT height, HDC src, INT src_x, INT src_y, DWORD rop);
BOOL StretchBlt(HDC dest, INT x, INT y, INT width, INT height, HDC src, INT src_x, INT src_y, INT src_width,
                INT src_height, DWORD rop);
BOOL PatBlt(HDC dc, INT x, INT y, INT width, INT height, DWORD rop);
INT FillRect(HDC dc, const RECT* rect, HBRUSH brush);
INT FrameRect(HDC dc, const RECT* rect, HBRUSH brush);
BOOL InvertRect(HDC dc, const RECT* rect);
// The dotted frame of the focus, drawn by XOR: a second call takes it away.
BOOL DrawFocusRect(HDC dc, const RECT* rect);
BOOL DrawEdge(HDC dc, RECT* rect, UINT edge, UINT flags);
BOOL Rectangle(HDC dc, INT left, INT top, INT right, INT bottom);
BOOL Ellipse(HDC dc, INT left, INT top, INT right, INT bottom);
BOOL Polygon(HDC dc, const POINT* points, INT count);
BOOL MoveToEx(HDC dc, INT x, INT y, POINT* previous);
BOOL LineTo(HDC dc, INT x, INT y);
COLORREF SetPixel(HDC dc, INT x, INT y, COLORREF color);
COLORREF GetPixel(HDC dc, INT x, INT y);

// ---- text -------------------------------------------------------------------------------
// (x, y) is the top left of the text's cell.
BOOL TextOutW(HDC dc, INT x, INT y, LPCWSTR text, INT count);
// count -1: up to the terminator. Answers the height of the text drawn.
INT DrawTextW(HDC dc, LPCWSTR text, INT count, RECT* rect, UINT format);
BOOL GetTextExtentPoint32W(HDC dc, LPCWSTR text, INT count, SIZE* size);
BOOL GetTextMetricsW(HDC dc, TEXTMETRICW* metrics);

// ---- glyph widths, paths and arcs (gdi_text_paths.cpp) -----------------------------------
// Widths of a glyph: A from the origin to its ink, B of the ink, C from the
// ink to the next origin (A and C below 0 where the ink overhangs).
struct ABC {
  INT abcA;
  UINT abcB;
  INT abcC;
};
static_assert(sizeof(ABC) == 12);
// One ABC per character first ... last of the selected font.
BOOL GetCharABCWidthsW(HDC dc, UINT first, UINT last, ABC* widths);
// Between BeginPath and EndPath the DC's lines (MoveToEx, LineTo), arcs and
// text (TextOutW: the glyphs' outlines) make its path; EndPath closes it
// for StrokePath (the pen), FillPath (the brush, alternate filling) or
// StrokeAndFillPath, which draw it and drop it. A BeginPath drops a path
// not yet drawn; AbortPath drops the path.
BOOL BeginPath(HDC dc);
BOOL EndPath(HDC dc);
BOOL AbortPath(HDC dc);
BOOL StrokePath(HDC dc);
BOOL FillPath(HDC dc);
BOOL StrokeAndFillPath(HDC dc);
// The arc of the ellipse in the rectangle, counter-clockwise from where the
// line from its centre to (x_start, y_start) meets it to where the line to
// (x_end, y_end) does; both the same point: the whole ellipse. Drawn with the
// pen, not filled.
BOOL Arc(HDC dc, INT left, INT top, INT right, INT bottom, INT x_start, INT y_start, INT x_end, INT y_end);

// ---- painting of windows ---------------------------------------------------------------
BOOL RedrawWindow(HWND window, const RECT* rect, void* region, UINT flags);
BOOL ValidateRect(HWND window, const RECT* rect);
BOOL GetUpdateRect(HWND window, RECT* rect, BOOL erase);

// ---- DIBs, palettes, resource bitmaps and icons (gdi_bitmaps.cpp) -------------------------
// The display has 32 bits a pixel and no palette: the nearest colour is the
// colour itself, and realising a palette maps no entry (0).
COLORREF GetNearestColor(HDC dc, COLORREF color);
HPALETTE CreatePalette(const LOGPALETTE* palette);
HPALETTE SelectPalette(HDC dc, HPALETTE palette, BOOL background);
UINT RealizePalette(HDC dc);
UINT GetPaletteEntries(HPALETTE palette, UINT start, UINT count, PALETTEENTRY* entries);
// DIBs of 1, 4, 8, 16 (5-5-5), 24 or 32 bits (BI_RGB), bottom-up or
// top-down; all scan lines at once (start_scan 0). The lines copied.
INT SetDIBitsToDevice(HDC dc, INT x, INT y, DWORD width, DWORD height, INT src_x, INT src_y, UINT start_scan,
                      UINT lines, const void* bits, const BITMAPINFO* info, UINT usage);
// A 32-bit bitmap of the header's size, with CBM_INIT holding the DIB.
HBITMAP CreateDIBitmap(HDC dc, const BITMAPINFOHEADER* header, DWORD init, const void* bits, const BITMAPINFO* info,
                       UINT usage);
// A bitmap resource (RT_BITMAP: a packed DIB, the info header, its colour
// table and the rows) of a module, by id. ERROR_RESOURCE_NAME_NOT_FOUND or
// ERROR_BAD_FORMAT.
HBITMAP LoadBitmapW(HINSTANCE module, LPCWSTR name);
// Draws an icon of LoadIconW at (x, y), blended by its alpha.
BOOL DrawIcon(HDC dc, INT x, INT y, HICON icon);

}  // extern "C"

namespace ui {

// The offset of the rows of a packed DIB of size bytes (after its header
// and colour table), 0 when the DIB is not well formed or is cut short.
size_t PackedDibBitsOffset(const void* dib, size_t size);

// The face of the machine's UI font, registered with the engine on first
// use from the machine's fonts folder, else from the host's font folder.
const char16_t* UiFontFace();

// The IPA face that draws a face Japanese Windows has (ＭＳ Ｐゴシック,
// MS Gothic, ＭＳ 明朝, ...), its font registered with the engine; empty for
// another face, or when the machine has no such font.
std::u16string SubstituteFontFace(const std::u16string& face);

// Paints the top-level window through its own WM_ERASEBKGND / WM_PAINT
// road (every visible window of it, parents before children) and writes
// its bitmap as a PNG file. False with *error set when it cannot.
bool SnapshotWindow(HWND top, const std::string& png_path, std::string* error = nullptr);

// The colour (0x00BBGGRR) of a pixel of a window as painted, in the
// window's client coordinates; CLR_INVALID outside it.
COLORREF WindowPixel(HWND window, INT x, INT y);

// The machine's font families as EnumFontFamiliesW lists them on a window's
// or the desktop's DC: those of the machine's fonts folder and those
// registered with the engine, each once, in name order; a TrueType family
// with Japanese characters is followed by its vertical face ('@' + name).
std::vector<plat::FontFamily> MachineFontFamilies();
// Tests put their own families in place of the machine's (vertical faces
// are made from them as for the machine's); ClearTestFontFamilies puts the
// machine's back.
void SetTestFontFamilies(const std::vector<plat::FontFamily>& families);
void ClearTestFontFamilies();

}  // namespace ui
