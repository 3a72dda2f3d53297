// The machine's fonts as gdi32 and user32 show them: the desktop's display
// context and the font families the graphics engine of the machine draws.
// Those are the fonts installed in the machine's fonts folder
// (C:\Windows\Fonts), read with FreeType, the engine's glyph source: a
// scalable font with TrueType tables is a TrueType family, a bitmap font a
// raster family. (Here, not in the engine, so that a library that only asks
// for the list does not load the engine's drawing libraries.)
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "plat/logfont.h"
#include "plat/wintypes.h"

using HDC = void*;
using LPARAM = intptr_t;

struct TEXTMETRICW {
  LONG tmHeight;
  LONG tmAscent;
  LONG tmDescent;
  LONG tmInternalLeading;
  LONG tmExternalLeading;
  LONG tmAveCharWidth;
  LONG tmMaxCharWidth;
  LONG tmWeight;
  LONG tmOverhang;
  LONG tmDigitizedAspectX;
  LONG tmDigitizedAspectY;
  WCHAR tmFirstChar;
  WCHAR tmLastChar;
  WCHAR tmDefaultChar;
  WCHAR tmBreakChar;
  BYTE tmItalic;
  BYTE tmUnderlined;
  BYTE tmStruckOut;
  BYTE tmPitchAndFamily;
  BYTE tmCharSet;
};
static_assert(sizeof(TEXTMETRICW) == 60);

extern "C" {
typedef int (*FONTENUMPROCW)(const LOGFONTW* font, const TEXTMETRICW* metrics, DWORD type, LPARAM data);

// The desktop window (never null) and its display context. GetDC of any
// other window is the window layer's DC of that window, when the window
// layer is loaded (plat::SetWindowDcHandlers); ReleaseDC hands it back.
HWND GetDesktopWindow();
HDC GetDC(HWND window);
int ReleaseDC(HWND window, HDC dc);
// family null: one call per family, in name order; else one call per face
// of that family (compared ignoring case). The last answer of the callback
// (enumeration stops at 0), or 1 when there was nothing to list. Faces
// longer than 31 characters are listed cut, as LOGFONTW holds them.
int EnumFontFamiliesW(HDC dc, LPCWSTR family, FONTENUMPROCW proc, LPARAM data);
}

namespace plat {
// The window layer answers GetDC and ReleaseDC for its windows.
using WindowDcGetter = HDC (*)(HWND window);
using WindowDcReleaser = int (*)(HWND window, HDC dc);
void SetWindowDcHandlers(WindowDcGetter get, WindowDcReleaser release);

// One font family as EnumFontFamiliesW reports it: the face name (the
// family's own name), its type (TRUETYPE_FONTTYPE, RASTER_FONTTYPE or 0),
// style and, for a bitmap font, its height. hasVertical: a TrueType family
// with Japanese characters, which also has a vertical face ('@' + name).
struct FontFamily {
  std::u16string face;
  DWORD type = 0;
  bool bold = false, italic = false;
  LONG height = 0;
  bool hasVertical = false;
};
// The faces of the machine's fonts folder, in name order (ignoring case).
std::vector<FontFamily> ListFontFolderFamilies();
// What EnumFontFamiliesW lists in place of the fonts folder alone, in name
// order; the window layer installs one. Null puts the fonts folder back.
using FontFamilyLister = std::vector<FontFamily> (*)();
void SetFontFamilyLister(FontFamilyLister lister);
}  // namespace plat
