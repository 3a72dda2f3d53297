// Text of vector mode: an engine string (STROBJ with its FONTOBJ) becomes
// display-list records in one of three ways, chosen per string:
//   kind 2  character codes in a font the printer has by name
//           (font select 0x50, then a string 0x52 or one cell 0x51 a character);
//   kind 4  glyph outlines (0x50, then one 0x51 with its outline a glyph);
//   kind 5  downloaded glyph bitmaps (0x56, then 0x53/0x57 bitmaps, or 0x54
//           definitions followed by one 0x55 run), through the per-page
//           glyph cache.
// The pieces are declared here so that each can be checked on its own.
#pragma once

#include <cstdint>

#include "eng/ddi.h"
#include "gr2k/dlrecords.h"
#include "gr2k/pdev.h"

// ---- integer trigonometry ------------------------------------------------------------------
inline constexpr int kTxtTanEntries = 451;  // round(32767 tan t), t = 0.0 to 45.0 degrees by 0.1
inline constexpr int kTxtSinEntries = 91;   // round(16384 sin d), d = 0 to 90 degrees
extern const uint16_t kTxtTanTable[kTxtTanEntries];
extern const uint16_t kTxtSinTable[kTxtSinEntries];

// (trunc(v * 10) + 5) / 10 in integer arithmetic: halves of positive values
// go up, negative values go towards zero. Saturates at the 32-bit range.
int32_t TxtRound(double v);
// The direction of (x, y) in whole degrees, -180 to 180 (y up is positive):
// 0 or 180 on the x axis, 90 or -90 on the y axis, 0 for (0, 0).
int32_t TxtAngle(int32_t x, int32_t y);
// Sine and cosine of whole degrees (any value) in units of 1/16384.
int32_t TxtSin(int32_t degrees);
int32_t TxtCos(int32_t degrees);

// ---- names --------------------------------------------------------------------------------------
inline constexpr uint32_t kTxtNameBytes = kFaceNameBytes;  // 260, the terminator included
inline constexpr uint32_t kTxtNameChars = 128;             // characters taken from a font name

// Wide text to the system code page: characters below 0x80 and U+0080 as one
// byte each, every other one through the engine's conversion (at most two
// bytes). Stops at a zero character, after byte_length bytes of input, or
// when the next character would not fit in capacity bytes (a two-byte
// character is never split). Returns the bytes written; no terminator.
uint32_t TxtToMultiByte(char* out, uint32_t capacity, const char16_t* text, uint32_t byte_length);

// Appends "_" and the font identity in hexadecimal to a zero-terminated
// name in a field of kTxtNameBytes bytes; the name is cut at a character
// boundary first when the suffix would not fit.
void TxtAppendFontIdSuffix(char* name, uint32_t font_id);

// ---- font description --------------------------------------------------------------------------
inline constexpr uint8_t kTxtKindChars = 2;
inline constexpr uint8_t kTxtKindOutline = 4;
inline constexpr uint8_t kTxtKindDownload = 5;
inline constexpr uint8_t kTxtOrientChars = 2;
inline constexpr uint8_t kTxtOrientGlyphIndex = 3;

// What the font records are built from, with the metrics the output needs.
struct TxtFont {
  DlFontDesc desc;                  // kind, flags, metrics, face name (record fields)
  char familyName[kTxtNameBytes];   // multibyte, zero-terminated
  uint8_t orientation;              // 2 characters, 3 glyph indices
  bool mirrored;                    // eM11 and eM22 have opposite signs
  int32_t ascent;                   // device pixels
  int32_t emWidth, emHeight;
  int32_t angle;                    // escapement, 0 to 359
};

// The description of a string's font from its transform and metrics, with
// the kind still open (the selects decide it).
bool TxtDescribeFont(Pdev* pdev, STROBJ* str, FONTOBJ* font, TxtFont* out);

// The kind of a string when text is not sent in the printer's own fonts:
// 2 (by name) or 4 (outlines). Sets the description's kind, orientation and
// private-use name suffix, and writes the font select (0x50) unless the
// font cache says it is current.
bool TxtSelectFont(Pdev* pdev, STROBJ* str, FONTOBJ* font, const IFIMETRICS* ifi, TxtFont* desc);
// The kind when text goes in device fonts: 2 for the printer's resident
// Japanese fonts by name, else 5 (downloaded glyphs); writes 0x50 or 0x56
// unless the font cache says it is current.
bool TxtSelectDeviceFont(Pdev* pdev, TxtFont* desc);

// ---- output --------------------------------------------------------------------------------------
bool TxtCharString(Pdev* pdev, STROBJ* str, FONTOBJ* font, const TxtFont& desc);
bool TxtCharCells(Pdev* pdev, STROBJ* str, const TxtFont& desc);
bool TxtGlyphOutlines(Pdev* pdev, STROBJ* str, FONTOBJ* font, const TxtFont& desc);
bool TxtDownloadText(Pdev* pdev, STROBJ* str, FONTOBJ* font, const TxtFont& desc);
bool TxtGlyphBitmaps(Pdev* pdev, STROBJ* str, FONTOBJ* font, const TxtFont& desc, bool cacheable);
bool TxtGlyphRun(Pdev* pdev, STROBJ* str, FONTOBJ* font, const TxtFont& desc);
