// The engine's records behind FONTOBJ and STROBJ. As with the other DDI
// objects, each starts with the structure a driver sees and carries a magic
// word that tells a live record from anything else.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "eng/text.h"
#include "internal.h"

typedef struct FT_FaceRec_* FT_Face;

namespace eng::detail {

constexpr uint32_t kFontMagic = 0x544E4F46;    // "FONT"
constexpr uint32_t kStringMagic = 0x4A425453;  // "STRJ"

// One glyph of a realised font, made on first request.
struct GlyphEntry {
  GLYPHDATA gd{};
  bool have_metrics = false;
  bool have_bits = false;
  std::vector<uint32_t> bits;  // a GLYPHBITS with its rows (32-bit aligned)
  PathObj* path = nullptr;     // its outline, once asked for
};

struct Font {
  FONTOBJ fo{};
  uint32_t magic = kFontMagic;
  Xform xform;  // font units (y down) to device pixels
  bool device = false;

  // An engine font.
  FontBytes data;
  FT_Face face = nullptr;
  bool sim_bold = false, sim_italic = false;
  std::vector<uint64_t> ifi_block;  // IFIMETRICS and its names

  // A device font: the driver's answers (or a synthetic font's copies).
  DeviceFonts dev;
  bool synthetic = false;
  IFIMETRICS* ifi = nullptr;       // the metrics every caller reads
  FD_GLYPHSET* glyphset = nullptr;  // the Unicode runs (null: characters are handles)
  std::vector<uint64_t> own_glyphset;  // synthetic fonts and FONTOBJ_pfdg of engine fonts

  std::unordered_map<HGLYPH, GlyphEntry> glyphs;
};
Font* FontFromObj(FONTOBJ* pfo);

// The glyph handle of a character.
HGLYPH FontGlyphOf(Font* f, char16_t ch);
// A glyph's advance in device pixels.
void FontAdvance(Font* f, HGLYPH hg, double* dx, double* dy);
// The device vectors of the ascender (up) and the descender (down) of the font.
void FontVerticals(Font* f, double* ax, double* ay, double* dx, double* dy);

struct Str {
  STROBJ so{};
  uint32_t magic = kStringMagic;
  std::vector<GLYPHPOS> gp;
  std::u16string text;
  size_t batch = 0;  // most glyphs a STROBJ_bEnum batch; 0: all
  size_t pos = 0;    // glyphs handed out so far
  DWORD code_page = 0;
};
Str* StrFromObj(STROBJ* pstro);

}  // namespace eng::detail
