// The logical font record of gdi32 and the kinds of font it names: one
// definition for the platform's font lists and the engine's device set-up.
#pragma once

#include <cstddef>

#include "plat/wintypes.h"

constexpr DWORD RASTER_FONTTYPE = 0x1;
constexpr DWORD DEVICE_FONTTYPE = 0x2;
constexpr DWORD TRUETYPE_FONTTYPE = 0x4;
constexpr int LF_FACESIZE = 32;

struct LOGFONTW {
  LONG lfHeight;
  LONG lfWidth;
  LONG lfEscapement;
  LONG lfOrientation;
  LONG lfWeight;
  BYTE lfItalic;
  BYTE lfUnderline;
  BYTE lfStrikeOut;
  BYTE lfCharSet;
  BYTE lfOutPrecision;
  BYTE lfClipPrecision;
  BYTE lfQuality;
  BYTE lfPitchAndFamily;
  WCHAR lfFaceName[LF_FACESIZE];
};
static_assert(sizeof(LOGFONTW) == 92);
static_assert(offsetof(LOGFONTW, lfFaceName) == 28);
