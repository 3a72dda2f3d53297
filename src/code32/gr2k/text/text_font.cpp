// The font of a string: its description (metrics and escapement from the
// font's transform, names in multibyte text), the choice of how the string
// is sent (by name, as outlines or as downloaded glyphs), and the font
// select records, written only when the font changes.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <string_view>

#include "gr2k/devfont.h"
#include "gr2k/text.h"
#include "gr2k/vector.h"

namespace {

constexpr double kAngleScale = 5000.0;

// A float times a factor, truncated into the 32-bit range (NaN gives 0).
int32_t TruncScaled(double v, double factor) {
  const double p = v * factor;
  if (!(p == p)) return 0;
  return int32_t(std::clamp(std::trunc(p), -2147483648.0, 2147483647.0));
}

// The length of a transformed font-unit distance, in device pixels.
int64_t Length(double a, double b, int32_t units) {
  return TxtHypot(TxtRound(a * units), TxtRound(b * units));
}

uint16_t Field16(int64_t v) { return uint16_t(std::clamp<int64_t>(v, 0, 0xFFFF)); }

// A name of the metrics block: at most 128 characters inside the block.
const char16_t* IfiName(const IFIMETRICS* ifi, PTRDIFF offset, uint32_t* chars) {
  *chars = 0;
  if (offset <= 0 || uint64_t(offset) + 2 > ifi->cjThis) return nullptr;
  const auto* name = reinterpret_cast<const char16_t*>(reinterpret_cast<const uint8_t*>(ifi) + offset);
  const uint64_t room = (ifi->cjThis - uint64_t(offset)) / 2;
  uint32_t n = 0;
  while (n < room && n < kTxtNameChars && name[n]) ++n;
  *chars = n;
  return name;
}

void NameToMultiByte(const IFIMETRICS* ifi, PTRDIFF offset, char* out) {
  uint32_t chars = 0;
  const char16_t* name = IfiName(ifi, offset, &chars);
  const uint32_t bytes = name ? TxtToMultiByte(out, kTxtNameBytes - 1, name, chars * 2) : 0;
  out[bytes] = 0;
}

bool IsEudcName(const char* name) { return std::strcmp(name, "EUDC") == 0; }

bool WideContains(const IFIMETRICS* ifi, PTRDIFF offset, std::u16string_view what) {
  uint32_t chars = 0;
  const char16_t* name = IfiName(ifi, offset, &chars);
  return name && std::u16string_view(name, chars).find(what) != std::u16string_view::npos;
}

// The string holds a character of the private-use area (end-user characters).
bool HasPrivateUse(const STROBJ* str) {
  if (!str->pwszOrg) return false;
  for (ULONG i = 0; i < str->cGlyphs; ++i) {
    const char16_t c = str->pwszOrg[i];
    if (c >= 0xE000 && c <= 0xF8FF) return true;
  }
  return false;
}

// Writes the select unless the font cache has it; forget: the select is
// always written and the cache forgotten before and after it.
bool WriteSelect(Pdev* pdev, const TxtFont& font, bool device, bool forget) {
  if (forget) {
    GsForgetFont(pdev);
  } else if (GsFontIsCurrent(pdev, font.desc.fontId, font.orientation)) {
    return true;
  }
  const uint8_t* rec = device ? DlDeviceFontSelect(&pdev->stream, font.desc) : DlFontSelect(&pdev->stream, font.desc);
  if (!rec) return false;
  if (forget) {
    GsForgetFont(pdev);
  } else {
    GsFontSent(pdev, font.desc.fontId, font.orientation);
  }
  return true;
}

}  // namespace

bool TxtDescribeFont(Pdev* /*pdev*/, STROBJ* str, FONTOBJ* font, TxtFont* out) {
  *out = TxtFont{};
  const IFIMETRICS* ifi = FONTOBJ_pifi(font);
  XFORMOBJ* xo = FONTOBJ_pxoGetXform(font);
  XFORML m{};
  if (!ifi || !xo || XFORMOBJ_iGetXform(xo, &m) == 0xFFFFFFFF) return false;
  DlFontDesc& d = out->desc;
  d.simItalic = (font->flFontType & FO_SIM_ITALIC) != 0;
  d.simBold = d.simBold2 = (font->flFontType & FO_SIM_BOLD) != 0;
  d.vertical = (str->flAccel & SO_VERTICAL) != 0;
  d.glyphIndex = (str->flAccel & SO_GLYPHINDEX_TEXTOUT) != 0;
  out->orientation = d.glyphIndex ? kTxtOrientGlyphIndex : kTxtOrientChars;
  d.weight = ifi->usWinWeight;
  d.charSet = ifi->jWinCharSet;
  d.pitchAndFamily = ifi->jWinPitchAndFamily;
  d.defaultChar = ifi->wcDefaultChar;
  d.fontId = font->iUniq;

  const int32_t em = ifi->fwdUnitsPerEm;
  const int64_t em_width = Length(m.eM11, m.eM12, em);
  const int64_t em_height = Length(m.eM21, m.eM22, em);
  const int64_t ascent = Length(m.eM21, m.eM22, ifi->fwdWinAscender);
  const int64_t descent = Length(m.eM21, m.eM22, ifi->fwdWinDescender);
  out->emWidth = int32_t(std::min<int64_t>(em_width, INT32_MAX));
  out->emHeight = int32_t(std::min<int64_t>(em_height, INT32_MAX));
  out->ascent = int32_t(std::min<int64_t>(ascent, INT32_MAX));
  d.emWidth = Field16(em_width);
  d.emHeight = Field16(em_height);
  d.internalLeading = Field16(std::max<int64_t>(ascent + descent - em_height, 0));

  const int32_t g = TxtAngle(TruncScaled(m.eM11, kAngleScale), TruncScaled(m.eM12, kAngleScale));
  out->angle = g > 0 ? 360 - g : -g;
  d.angle = uint16_t(out->angle);
  const int32_t m11 = TruncScaled(m.eM11, kAngleScale), m22 = TruncScaled(m.eM22, kAngleScale);
  out->mirrored = (m11 < 0 && m22 > 0) || (m11 > 0 && m22 < 0);

  NameToMultiByte(ifi, ifi->dpwszFamilyName, out->familyName);
  NameToMultiByte(ifi, ifi->dpwszFaceName, d.faceName);
  return true;
}

bool TxtSelectFont(Pdev* pdev, STROBJ* str, FONTOBJ* /*font*/, const IFIMETRICS* ifi, TxtFont* font) {
  const bool eudc_glyphs = pdev->eudcAsGlyphs != 0;
  uint8_t kind = kTxtKindChars;
  if ((ifi->flInfo & FM_INFO_TECH_STROKE) ||
      (pdev->osVersion.dwMajorVersion < 6 && (ifi->flInfo & FM_INFO_TECH_OUTLINE_NOT_TRUETYPE)))
    kind = kTxtKindOutline;
  if (font->mirrored) kind = kTxtKindOutline;

  static constexpr char kFullWidthPrefix[] = "\x82\x63\x82\x65\x82\x66";
  const char* names[2] = {font->familyName, font->desc.faceName};
  const PTRDIFF wide[2] = {ifi->dpwszFamilyName, ifi->dpwszFaceName};
  bool eudc_name = false;
  for (int i = 0; i < 2; ++i) {
    if (IsEudcName(names[i])) {
      eudc_name = true;
      if (eudc_glyphs) {
        kind = kTxtKindOutline;
      } else if (kind == kTxtKindOutline) {
        kind = kTxtKindChars;
      }
    }
    if (kind != kTxtKindOutline && std::strncmp(names[i], kFullWidthPrefix, 6) == 0) kind = kTxtKindOutline;
    if (eudc_glyphs && WideContains(ifi, wide[i], u"外字")) kind = kTxtKindOutline;
  }
  if (std::strstr(font->familyName, ".tmp") || std::strstr(font->familyName, ".TMP")) kind = kTxtKindOutline;
  if (font->desc.glyphIndex) {
    kind = kTxtKindOutline;
    font->orientation = kTxtOrientGlyphIndex;
  }

  bool private_names = false;
  if (eudc_glyphs) {
    if (HasPrivateUse(str)) {
      kind = kTxtKindOutline;
      private_names = true;
    }
    if (eudc_name) private_names = true;
    private_names = private_names && kind == kTxtKindOutline;
    if (private_names) {
      TxtAppendFontIdSuffix(font->familyName, font->desc.fontId);
      TxtAppendFontIdSuffix(font->desc.faceName, font->desc.fontId);
    }
  }
  font->desc.kind = kind;
  return WriteSelect(pdev, *font, false, private_names);
}

bool TxtSelectDeviceFont(Pdev* pdev, TxtFont* font) {
  // The printer's resident Japanese fonts, as code-page 932 text.
  static constexpr const char* kResident[] = {
      "\x96\xbe\x92\xa9",            // 明朝
      "@\x96\xbe\x92\xa9",           // @明朝
      "\xba\xde\xbc\xaf\xb8",        // ｺﾞｼｯｸ
      "@\xba\xde\xbc\xaf\xb8",       // @ｺﾞｼｯｸ
  };
  bool resident = false;
  for (const char* name : kResident)
    resident = resident || std::strcmp(font->familyName, name) == 0 || std::strcmp(font->desc.faceName, name) == 0;
  font->desc.kind = resident ? kTxtKindChars : kTxtKindDownload;
  font->desc.generation = pdev->glyphs.generation;
  return WriteSelect(pdev, *font, !resident, false);
}
