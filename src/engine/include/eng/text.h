// Fonts and strings of the graphics engine as a caller makes them: a font
// realised from a font file's bytes (FreeType opens TrueType, OpenType, CFF
// and Type 1 faces) or a driver's device font, at a size and transform, as a
// FONTOBJ; a string of its glyphs at their places as a STROBJ. The device
// context builds them for its text calls; tests of a driver build them to
// call DrvTextOut or EngTextOut directly.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "eng/ddi.h"

namespace eng {

namespace detail {
struct Font;
struct Str;
}  // namespace detail

// The bytes of a font file, shared by every font realised from it.
using FontBytes = std::shared_ptr<const std::vector<uint8_t>>;
// Reads a font file of the host; null when it cannot be read.
FontBytes ReadFontFile(const std::string& host_path);
// Makes a font file known by its family names (process-wide), for
// selections by face name. FALSE when FreeType cannot open it.
BOOL RegisterFontFile(const FontBytes& data);
// The families of the registered font files, each once: the family name as
// its file gives it, whether it is a TrueType (sfnt) face and whether it
// has Japanese characters.
struct RegisteredFamily {
  std::u16string family;
  bool true_type;
  bool japanese;
};
std::vector<RegisteredFamily> RegisteredFontFamilies();

// A font as it is asked for.
struct FontSpec {
  // The family name: a device font of that family name when the driver has
  // one, else a registered font file of that family. When data is given it
  // is not looked up, and names the font only when the file names none.
  std::u16string face_name;
  FontBytes data;      // the font file itself (a PDF's embedded font)
  int face_index = 0;  // the face within a font collection
  // Size in device pixels: above 0 the cell height (ascender + descender),
  // below 0 the em height (a LOGFONT's lfHeight); 0 gives 12 pixels of em.
  double height = 0;
  double width = 0;     // the average character width in pixels; 0: as the height gives
  LONG escapement = 0;  // the baseline's angle in tenths of a degree, counter-clockwise
  LONG weight = 400;    // 600 and above on a face that is not bold: simulated bold
  bool italic = false;  // on a face that is not italic: simulated italic
  // When set, the em square on the page replaces height, width and
  // escapement: (matrix[0], matrix[1]) is the device vector of one em along
  // the baseline, (matrix[2], matrix[3]) that of one em up the glyph (towards
  // the ascender; an upright font has matrix[3] < 0). A mirrored or sheared
  // matrix is allowed.
  bool has_matrix = false;
  double matrix[4] = {1, 0, 0, -1};
  SIZEL resolution{600, 600};  // the device's dots per inch (FONTOBJ sizLogResPpi)
};

// A driver's device fonts, as the engine asks for them.
struct DeviceFonts {
  DHPDEV dhpdev = nullptr;
  ULONG count = 0;  // DEVINFO cFonts
  PFN_DrvQueryFont query_font = nullptr;
  PFN_DrvQueryFontTree query_font_tree = nullptr;
  PFN_DrvQueryFontData query_font_data = nullptr;
  PFN_DrvQueryAdvanceWidths query_advance_widths = nullptr;
};

class FontObject {
 public:
  // A font realised from wanted.data, or from the registered font of the
  // family wanted.face_name. Null with the last error set when there is none
  // or FreeType cannot open it.
  static std::unique_ptr<FontObject> Create(const FontSpec& wanted);
  // Device font i_face (1 ... fonts.count) of a driver: its metrics from
  // DrvQueryFont, its characters from DrvQueryFontTree (QFT_GLYPHSET), its
  // advances from DrvQueryAdvanceWidths. Null when the driver answers none.
  static std::unique_ptr<FontObject> CreateDevice(const DeviceFonts& fonts, ULONG i_face,
                                                  const FontSpec& wanted);
  // The device font of fonts whose family name is wanted.face_name, else
  // the one that is the same face under another of its usual names (the
  // Mincho and Gothic faces: "MS Mincho", "ＭＳ 明朝", "MS-Gothic",
  // "Ryumin-Light" ... for "明朝" and "ｺﾞｼｯｸ", an '@' for the vertical
  // face), or null.
  static std::unique_ptr<FontObject> FindDevice(const DeviceFonts& fonts, const FontSpec& wanted);
  // A device font without a driver, for tests of a driver's text output:
  // the metrics block (an IFIMETRICS with its names, copied), the glyph set
  // (null: each character is its own handle; copied), the transform from
  // font units to device pixels. Advances are fwdAveCharWidth for handles
  // below 256 and fwdMaxCharInc for the others.
  static std::unique_ptr<FontObject> CreateSynthetic(const IFIMETRICS* ifi,
                                                     const FD_GLYPHSET* glyphs,
                                                     const XFORML& xform, ULONG i_face = 1);
  ~FontObject();
  FONTOBJ* get() const;
  bool is_device() const;
  // The glyph handle of each character (the default character's for those
  // the font lacks).
  std::vector<HGLYPH> GlyphsOf(std::u16string_view text) const;
  // The advance of a glyph on the page, in device pixels.
  void Advance(HGLYPH hg, double* dx, double* dy) const;
  // The lengths of the ascender and the descender on the page, in pixels.
  void Verticals(double* ascent, double* descent) const;

  detail::Font* impl() const { return p_; }

 private:
  explicit FontObject(detail::Font* p) : p_(p) {}
  detail::Font* p_;
};

// One glyph of a string at its character origin on the page.
struct PlacedGlyph {
  HGLYPH hg = 0;
  double x = 0, y = 0;  // device pixels
  char16_t ch = 0;      // its character (pwszOrg), or 0
};

class StringObject {
 public:
  // The glyphs of a font at their places. flAccel gets SO_HORIZONTAL or
  // SO_VERTICAL (with SO_REVERSED) from the places; extra_accel is added
  // (SO_GLYPHINDEX_TEXTOUT, SO_FLAG_DEFAULT_PLACEMENT...). rclBkGround is
  // the box of the glyphs' cells.
  StringObject(const FontObject& font, const std::vector<PlacedGlyph>& glyphs,
               FLONG extra_accel = 0);
  // Text laid out from the reference point (x, y) on the baseline: each next
  // character at the font's advance (SO_FLAG_DEFAULT_PLACEMENT; ulCharInc
  // for a constant-width font), or, when dx is given, dx[i] pixels along the
  // baseline after character i.
  static std::unique_ptr<StringObject> Layout(const FontObject& font, std::u16string_view text,
                                              double x, double y,
                                              const std::vector<double>* dx = nullptr);
  ~StringObject();
  STROBJ* get() const;
  // Hands the glyphs out in batches of at most n through STROBJ_bEnum (and
  // leaves pgp null so that a driver must enumerate); 0: one batch, with pgp.
  void SetBatchGlyphs(ULONG n);
  // Moves every glyph by (-dx, -dy) pixels (a band's origin).
  void Offset(LONG dx, LONG dy);

 private:
  detail::Str* p_;
};

}  // namespace eng
