// Fonts of the engine: realisations of font files with FreeType and of a
// driver's device fonts, the FONTOBJ services a driver calls (metrics,
// transform, glyph bitmaps and outlines, glyph sets), and the look-up of a
// font file by family name.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_SFNT_NAMES_H
#include FT_TRUETYPE_IDS_H
#include FT_TRUETYPE_TABLES_H
#include FT_FONT_FORMATS_H

#include <dirent.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <mutex>
#include <new>

#include "eng/dc.h"
#include "plat/kernel.h"
#include "plat/machine.h"
#include "plat/wstr.h"
#include "text_internal.h"

namespace eng::detail {
namespace {

// One FreeType library for the process. Making and freeing faces and
// rendering go through its lock; each face is used by one caller at a time.
std::mutex g_ft_mutex;
FT_Library Library() {
  static FT_Library lib = [] {
    FT_Library l = nullptr;
    if (FT_Init_FreeType(&l) != 0) l = nullptr;
    return l;
  }();
  return lib;
}

std::atomic<ULONG> g_font_uniq{0};

std::u16string Fold(std::u16string_view s) {
  std::u16string f(s);
  for (char16_t& c : f)
    if (c >= u'A' && c <= u'Z') c = char16_t(c - u'A' + u'a');
  return f;
}

// The face a name stands for when it is one of the usual names of the
// Japanese Mincho and Gothic faces (their Japanese and Latin names, the
// Windows faces and the base fonts PDF documents name, spelled with or
// without spaces, hyphens and full-width letters), a leading '@' (the
// vertical face) kept; empty for any other name.
std::u16string FaceOf(std::u16string_view name) {
  std::u16string key;
  for (char16_t c : name) {
    if (c == u' ' || c == u'-' || c == u'_' || c == u'\u3000') continue;
    if (c >= u'\uFF01' && c <= u'\uFF5E') c = char16_t(c - 0xFEE0);  // full-width Latin
    key.push_back(c >= u'A' && c <= u'Z' ? char16_t(c - u'A' + u'a') : c);
  }
  std::u16string vertical;
  if (!key.empty() && key[0] == u'@') {
    vertical = u"@";
    key.erase(0, 1);
  }
  static constexpr struct {
    std::u16string_view name, face;
  } kFaces[] = {
      {u"明朝", u"mincho"},          {u"mincho", u"mincho"},    {u"ms明朝", u"mincho"},
      {u"msmincho", u"mincho"},      {u"ryuminlight", u"mincho"},
      {u"ｺﾞｼｯｸ", u"gothic"},        {u"ゴシック", u"gothic"},   {u"gothic", u"gothic"},
      {u"msゴシック", u"gothic"},    {u"msgothic", u"gothic"},   {u"gothicbbbmedium", u"gothic"},
  };
  for (const auto& f : kFaces)
    if (key == f.name) return vertical + std::u16string(f.face);
  return u"";
}

// A name inside an IFIMETRICS block, read no further than the block's end
// (a driver's block is not trusted to end its names).
std::u16string IfiName(const IFIMETRICS* ifi, PTRDIFF at) {
  if (!ifi || at < PTRDIFF(sizeof(IFIMETRICS)) || at >= PTRDIFF(ifi->cjThis)) return u"";
  const uint8_t* p = reinterpret_cast<const uint8_t*>(ifi) + at;
  std::u16string name;
  for (size_t i = 0; i + 1 < size_t(ifi->cjThis - at); i += 2) {
    char16_t c;
    std::memcpy(&c, p + i, 2);
    if (!c) break;
    name.push_back(c);
  }
  return name;
}

// The sfnt names of one name id: Japanese first (the machine's language),
// then US English, then any Unicode name of the Windows platform, then any
// Macintosh Roman name.
std::u16string SfntName(FT_Face face, FT_UShort name_id) {
  std::u16string best;
  int best_rank = 0;
  FT_UInt n = FT_Get_Sfnt_Name_Count(face);
  for (FT_UInt i = 0; i < n; ++i) {
    FT_SfntName nm;
    if (FT_Get_Sfnt_Name(face, i, &nm) != 0 || nm.name_id != name_id) continue;
    int rank = 0;
    std::u16string text;
    if (nm.platform_id == TT_PLATFORM_MICROSOFT &&
        (nm.encoding_id == TT_MS_ID_UNICODE_CS || nm.encoding_id == TT_MS_ID_UCS_4)) {
      rank = nm.language_id == 0x0411 ? 4 : nm.language_id == 0x0409 ? 3 : 2;
      for (FT_UInt k = 0; k + 1 < nm.string_len; k += 2)
        text.push_back(char16_t((nm.string[k] << 8) | nm.string[k + 1]));
    } else if (nm.platform_id == TT_PLATFORM_MACINTOSH && nm.encoding_id == TT_MAC_ID_ROMAN) {
      rank = 1;
      for (FT_UInt k = 0; k < nm.string_len; ++k) text.push_back(char16_t(nm.string[k] < 0x80 ? nm.string[k] : u'?'));
    }
    if (rank > best_rank && !text.empty()) {
      best = text;
      best_rank = rank;
    }
  }
  return best;
}

// Every family name a face answers to (all languages), folded.
std::vector<std::u16string> FamilyNames(FT_Face face) {
  std::vector<std::u16string> names;
  if (face->family_name) names.push_back(Fold(plat::FromUtf8(face->family_name)));
  FT_UInt n = FT_Get_Sfnt_Name_Count(face);
  for (FT_UInt i = 0; i < n; ++i) {
    FT_SfntName nm;
    if (FT_Get_Sfnt_Name(face, i, &nm) != 0) continue;
    if (nm.name_id != TT_NAME_ID_FONT_FAMILY && nm.name_id != TT_NAME_ID_FULL_NAME) continue;
    if (nm.platform_id != TT_PLATFORM_MICROSOFT || nm.encoding_id != TT_MS_ID_UNICODE_CS) continue;
    std::u16string text;
    for (FT_UInt k = 0; k + 1 < nm.string_len; k += 2)
      text.push_back(char16_t((nm.string[k] << 8) | nm.string[k + 1]));
    names.push_back(Fold(text));
  }
  return names;
}

struct Known {
  FontBytes data;    // registered fonts: the bytes
  std::string path;  // the machine's fonts: the file, read when chosen
  int face_index;
  std::vector<std::u16string> names;
  bool bold, italic;
  std::u16string family;  // the family name as the file gives it
  bool true_type = false, japanese = false;
};
std::mutex g_registry_mutex;
std::vector<Known>& Registry() {
  static std::vector<Known> r;
  return r;
}

// Adds every face of a font file to a list; false when FreeType cannot open it.
bool AddFaces(const FontBytes& data, std::vector<Known>* out) {
  FT_Library lib = Library();
  if (!lib || !data || data->empty()) return false;
  std::lock_guard<std::mutex> lock(g_ft_mutex);
  FT_Long count = 1;
  bool any = false;
  for (FT_Long i = 0; i < count; ++i) {
    FT_Face face = nullptr;
    if (FT_New_Memory_Face(lib, data->data(), FT_Long(data->size()), i, &face) != 0) break;
    count = face->num_faces;
    if (FT_IS_SCALABLE(face)) {
      out->push_back({data, std::string(), int(i), FamilyNames(face), (face->style_flags & FT_STYLE_FLAG_BOLD) != 0,
                    (face->style_flags & FT_STYLE_FLAG_ITALIC) != 0,
                    face->family_name ? plat::FromUtf8(face->family_name) : std::u16string(), FT_IS_SFNT(face) != 0,
                    FT_Get_Char_Index(face, 0x3042) != 0});  // hiragana A: a Japanese face
      any = true;
    }
    FT_Done_Face(face);
  }
  return any;
}

// The faces of the machine's fonts folder (C:\Windows\Fonts), listed once
// per machine folder, as a copy for the caller.
std::vector<Known> MachineFonts() {
  static std::mutex m;
  static std::string read_dir;
  static std::vector<Known> fonts;
  std::lock_guard<std::mutex> lock(m);
  std::string dir = plat::MapPath(u"C:\\Windows\\Fonts");
  if (dir == read_dir) return fonts;
  read_dir = dir;
  fonts.clear();
  if (DIR* d = ::opendir(dir.c_str())) {
    std::vector<std::string> files;
    while (dirent* e = ::readdir(d))
      if (e->d_name[0] != '.') files.push_back(dir + "/" + e->d_name);
    ::closedir(d);
    std::sort(files.begin(), files.end());
    for (const std::string& f : files) {
      size_t from = fonts.size();
      if (FontBytes b = ReadFontFile(f)) AddFaces(b, &fonts);
      for (size_t i = from; i < fonts.size(); ++i) {
        fonts[i].data.reset();  // only the names are kept
        fonts[i].path = f;
      }
    }
  }
  return fonts;
}

// The best face of a family among a list: the one whose bold and italic
// match the request, else the first.
const Known* FindFace(const std::vector<Known>& list, const std::u16string& folded, bool bold,
                      bool italic) {
  const Known* first = nullptr;
  for (const Known& k : list) {
    if (std::find(k.names.begin(), k.names.end(), folded) == k.names.end()) continue;
    if (k.bold == bold && k.italic == italic) return &k;
    if (!first) first = &k;
  }
  return first;
}

FWORD Fw(long v) { return FWORD(std::clamp<long>(v, -32768, 32767)); }

// A measure made from a font's metrics in the range of the field of type T
// (at most 32 bits) it goes to: a damaged font's box may be upside down or
// far wider than any glyph. Not a number gives 0.
template <typename T>
T Field(double v) {
  static_assert(sizeof(T) <= 4);
  if (std::isnan(v)) return 0;
  return T(std::clamp(v, double(std::numeric_limits<T>::min()), double(std::numeric_limits<T>::max())));
}

// IFIMETRICS of a face, with its names behind it. A face that names no
// family (a document's embedded subset often carries no name table) takes
// the name its caller knows it by.
void BuildIfi(Font* f, const std::u16string& given_name) {
  FT_Face face = f->face;
  const TT_OS2* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  const TT_HoriHeader* hhea = static_cast<TT_HoriHeader*>(FT_Get_Sfnt_Table(face, FT_SFNT_HHEA));
  const TT_Postscript* post = static_cast<TT_Postscript*>(FT_Get_Sfnt_Table(face, FT_SFNT_POST));
  const TT_Header* head = static_cast<TT_Header*>(FT_Get_Sfnt_Table(face, FT_SFNT_HEAD));
  if (os2 && os2->version == 0xFFFF) os2 = nullptr;

  std::u16string family = SfntName(face, TT_NAME_ID_FONT_FAMILY);
  std::u16string style = SfntName(face, TT_NAME_ID_FONT_SUBFAMILY);
  std::u16string full = SfntName(face, TT_NAME_ID_FULL_NAME);
  std::u16string unique = SfntName(face, TT_NAME_ID_UNIQUE_ID);
  if (family.empty()) family = plat::FromUtf8(face->family_name ? face->family_name : "");
  if (family.empty()) family = given_name;
  if (style.empty()) style = plat::FromUtf8(face->style_name ? face->style_name : "Regular");
  if (full.empty()) full = style == u"Regular" ? family : family + u" " + style;
  if (unique.empty()) unique = full;

  const size_t head_bytes = sizeof(IFIMETRICS);
  size_t total = head_bytes;
  auto place = [&](const std::u16string& s) {
    size_t at = total;
    total += (s.size() + 1) * 2;
    return at;
  };
  size_t at_family = place(family), at_style = place(style), at_face = place(full), at_unique = place(unique);
  total = (total + 7) & ~size_t(7);
  f->ifi_block.assign(total / 8, 0);
  uint8_t* base = reinterpret_cast<uint8_t*>(f->ifi_block.data());
  auto put = [&](size_t at, const std::u16string& s) { std::memcpy(base + at, s.c_str(), (s.size() + 1) * 2); };
  put(at_family, family);
  put(at_style, style);
  put(at_face, full);
  put(at_unique, unique);

  IFIMETRICS* ifi = reinterpret_cast<IFIMETRICS*>(base);
  ifi->cjThis = ULONG(total);
  ifi->dpwszFamilyName = PTRDIFF(at_family);
  ifi->dpwszStyleName = PTRDIFF(at_style);
  ifi->dpwszFaceName = PTRDIFF(at_face);
  ifi->dpwszUniqueName = PTRDIFF(at_unique);
  ifi->lItalicAngle = post ? LONG(std::lround(post->italicAngle / 65536.0 * 10)) : 0;

  const bool japanese = os2 && (os2->ulCodePageRange1 & (1u << 17));
  bool symbol = false;
  for (int i = 0; i < face->num_charmaps; ++i)
    if (face->charmaps[i]->encoding == FT_ENCODING_MS_SYMBOL) symbol = true;
  for (int i = 0; i < face->num_charmaps; ++i)
    if (face->charmaps[i]->encoding == FT_ENCODING_UNICODE) symbol = false;
  ifi->jWinCharSet = japanese ? SHIFTJIS_CHARSET : symbol ? SYMBOL_CHARSET : ANSI_CHARSET;

  // Fixed pitch: one advance for all, or a monospaced design (a Japanese
  // face with half- and full-width cells).
  const bool fixed = FT_IS_FIXED_WIDTH(face) || (os2 && os2->panose[3] == 9);
  BYTE family_kind = FF_DONTCARE;
  if (os2) {
    const BYTE* pan = os2->panose;
    if (pan[0] == 2) family_kind = (pan[1] >= 11 && pan[1] <= 13) ? FF_SWISS : FF_ROMAN;
    else if (pan[0] == 3) family_kind = FF_SCRIPT;
    else if (pan[0] == 4) family_kind = FF_DECORATIVE;
  }
  if (fixed) family_kind = FF_MODERN;
  ifi->jWinPitchAndFamily = BYTE((fixed ? FIXED_PITCH : VARIABLE_PITCH) | family_kind);
  ifi->usWinWeight = os2 && os2->usWeightClass ? os2->usWeightClass
                                                : (face->style_flags & FT_STYLE_FLAG_BOLD) ? 700 : 400;
  if (f->sim_bold) ifi->usWinWeight = 700;

  const char* format = FT_Get_Font_Format(face);
  const bool truetype = FT_IS_SFNT(face) && format && std::strcmp(format, "TrueType") == 0;
  FLONG info = FM_INFO_ARB_XFORMS | FM_INFO_1BPP | FM_INFO_RETURNS_OUTLINES | FM_INFO_RETURNS_BITMAPS |
               FM_INFO_RIGHT_HANDED | FM_INFO_NOT_CONTIGUOUS;
  if (truetype) {
    info |= FM_INFO_TECH_TRUETYPE;
  } else {
    info |= FM_INFO_TECH_OUTLINE_NOT_TRUETYPE;
    if (format && std::strcmp(format, "CFF") == 0) info |= FM_INFO_TECH_CFF;
    if (format && std::strstr(format, "Type 1")) info |= FM_INFO_TECH_TYPE1;
  }
  if (FT_IS_FIXED_WIDTH(face)) info |= FM_INFO_CONSTANT_WIDTH;
  if (japanese) info |= FM_INFO_DBCS_FIXED_PITCH;
  ifi->flInfo = info;

  USHORT sel = os2 ? USHORT(os2->fsSelection & 0x7F) : 0;
  if (!os2) {
    if (face->style_flags & FT_STYLE_FLAG_ITALIC) sel |= FM_SEL_ITALIC;
    if (face->style_flags & FT_STYLE_FLAG_BOLD) sel |= FM_SEL_BOLD;
    if (!sel) sel = FM_SEL_REGULAR;
  }
  if (f->sim_bold) sel = USHORT((sel & ~FM_SEL_REGULAR) | FM_SEL_BOLD);
  if (f->sim_italic) sel = USHORT((sel & ~FM_SEL_REGULAR) | FM_SEL_ITALIC);
  ifi->fsSelection = sel;
  ifi->fsType = os2 ? os2->fsType : 0;

  const long em = face->units_per_EM ? face->units_per_EM : 1000;
  ifi->fwdUnitsPerEm = Fw(em);
  ifi->fwdLowestPPEm = head ? Fw(head->Lowest_Rec_PPEM) : 1;
  long asc = os2 && os2->usWinAscent ? os2->usWinAscent : face->ascender;
  long desc = os2 && (os2->usWinAscent || os2->usWinDescent) ? os2->usWinDescent : -face->descender;
  if (asc <= 0 && desc <= 0) {
    asc = face->bbox.yMax;
    desc = -face->bbox.yMin;
  }
  ifi->fwdWinAscender = Fw(asc);
  ifi->fwdWinDescender = Fw(desc);
  ifi->fwdMacAscender = Fw(hhea ? hhea->Ascender : face->ascender);
  ifi->fwdMacDescender = Fw(hhea ? hhea->Descender : face->descender);
  ifi->fwdMacLineGap = Fw(hhea ? hhea->Line_Gap : face->height - (face->ascender - face->descender));
  ifi->fwdTypoAscender = Fw(os2 ? os2->sTypoAscender : face->ascender);
  ifi->fwdTypoDescender = Fw(os2 ? os2->sTypoDescender : face->descender);
  ifi->fwdTypoLineGap = Fw(os2 ? os2->sTypoLineGap : 0);
  // Widths: from the OS/2 table, else measured over the printable ASCII
  // characters (a bare CFF or Type 1 face has no table).
  long max_inc = face->max_advance_width, sum = 0, counted = 0;
  for (FT_ULong c = 0x20; c < 0x7F; ++c) {
    FT_UInt g = FT_Get_Char_Index(face, c);
    if (!g || FT_Load_Glyph(face, g, FT_LOAD_NO_SCALE) != 0) continue;
    max_inc = std::max<long>(max_inc, face->glyph->advance.x);
    sum += face->glyph->advance.x;
    ++counted;
  }
  if (max_inc <= 0) max_inc = face->bbox.xMax - face->bbox.xMin;
  ifi->fwdMaxCharInc = Fw(max_inc);
  long average = os2 && os2->xAvgCharWidth > 0 ? os2->xAvgCharWidth : counted ? sum / counted : max_inc / 2;
  ifi->fwdAveCharWidth = Fw(average > 0 ? average : 1);
  ifi->fwdCapHeight = Fw(os2 && os2->version >= 2 ? os2->sCapHeight : 0);
  ifi->fwdXHeight = Fw(os2 && os2->version >= 2 ? os2->sxHeight : 0);
  if (os2) {
    ifi->fwdSubscriptXSize = Fw(os2->ySubscriptXSize);
    ifi->fwdSubscriptYSize = Fw(os2->ySubscriptYSize);
    ifi->fwdSubscriptXOffset = Fw(os2->ySubscriptXOffset);
    ifi->fwdSubscriptYOffset = Fw(os2->ySubscriptYOffset);
    ifi->fwdSuperscriptXSize = Fw(os2->ySuperscriptXSize);
    ifi->fwdSuperscriptYSize = Fw(os2->ySuperscriptYSize);
    ifi->fwdSuperscriptXOffset = Fw(os2->ySuperscriptXOffset);
    ifi->fwdSuperscriptYOffset = Fw(os2->ySuperscriptYOffset);
    ifi->fwdStrikeoutSize = Fw(os2->yStrikeoutSize);
    ifi->fwdStrikeoutPosition = Fw(os2->yStrikeoutPosition);
  } else {
    ifi->fwdStrikeoutSize = Fw(em / 20);
    ifi->fwdStrikeoutPosition = Fw(em * 3 / 10);
  }
  ifi->fwdUnderscoreSize = Fw(face->underline_thickness > 0 ? face->underline_thickness : em / 20);
  ifi->fwdUnderscorePosition = Fw(face->underline_position ? face->underline_position : -em / 10);

  // The Unicode range: the first and last characters of the face's map.
  FT_UInt gi = 0;
  FT_ULong first = FT_Get_First_Char(face, &gi), last = first;
  if (gi == 0) first = last = 0x20;
  for (FT_ULong c = first; gi != 0; c = FT_Get_Next_Char(face, c, &gi))
    if (gi && c <= 0xFFFF) last = c;
  ifi->wcFirstChar = WCHAR(std::min<FT_ULong>(first, 0xFFFF));
  ifi->wcLastChar = WCHAR(last);
  WCHAR def = os2 && os2->version >= 2 && os2->usDefaultChar ? WCHAR(os2->usDefaultChar) : WCHAR(0);
  if (!def || !FT_Get_Char_Index(face, def)) def = FT_Get_Char_Index(face, 0x30FB) && japanese ? WCHAR(0x30FB) : WCHAR(0x20);
  ifi->wcDefaultChar = def;
  ifi->wcBreakChar = os2 && os2->version >= 2 && os2->usBreakChar ? WCHAR(os2->usBreakChar) : WCHAR(0x20);
  ifi->chFirstChar = BYTE(ifi->wcFirstChar < 0x100 ? ifi->wcFirstChar : 0x20);
  ifi->chLastChar = 0xFF;
  ifi->chDefaultChar = BYTE(def < 0x100 ? def : 0x1F);
  ifi->chBreakChar = 0x20;
  ifi->ptlBaseline = POINTL{1, 0};
  ifi->ptlAspect = POINTL{1, 1};
  ifi->ptlCaret = hhea && hhea->caret_Slope_Rise ? POINTL{hhea->caret_Slope_Run, hhea->caret_Slope_Rise}
                                                 : POINTL{0, 1};
  ifi->rclFontBox = RECTL{LONG(face->bbox.xMin), LONG(face->bbox.yMax), LONG(face->bbox.xMax),
                          LONG(face->bbox.yMin)};
  if (os2) std::memcpy(ifi->achVendId, os2->achVendID, 4);
  else std::memcpy(ifi->achVendId, "Unkn", 4);
  if (os2) std::memcpy(&ifi->panose, os2->panose, sizeof(PANOSE));
  f->ifi = ifi;
}

// The transform from font units (y down) to device pixels for a request.
bool MakeXform(const FontSpec& wanted, const IFIMETRICS& ifi, XFORML* out) {
  const double em = ifi.fwdUnitsPerEm > 0 ? ifi.fwdUnitsPerEm : 1000;
  double m11, m12, m21, m22;
  if (wanted.has_matrix) {
    m11 = wanted.matrix[0] / em;
    m12 = wanted.matrix[1] / em;
    m21 = -wanted.matrix[2] / em;
    m22 = -wanted.matrix[3] / em;
  } else {
    double cell = double(ifi.fwdWinAscender) + double(ifi.fwdWinDescender);
    double em_px = wanted.height < 0 ? -wanted.height
                   : wanted.height > 0 ? wanted.height * em / (cell > 0 ? cell : em)
                                     : 12.0;
    double sy = em_px / em;
    double sx = wanted.width > 0 && ifi.fwdAveCharWidth > 0 ? wanted.width / ifi.fwdAveCharWidth : sy;
    double t = wanted.escapement / 10.0 * M_PI / 180.0;
    double c = std::cos(t), s = std::sin(t);
    if (wanted.escapement % 900 == 0) {  // exact quarter turns
      int q = int(((wanted.escapement / 900) % 4 + 4) % 4);
      c = q == 0 ? 1 : q == 2 ? -1 : 0;
      s = q == 1 ? 1 : q == 3 ? -1 : 0;
    }
    m11 = sx * c;
    m12 = -sx * s;
    m21 = sy * s;
    m22 = sy * c;
  }
  double det = m11 * m22 - m12 * m21;
  if (!std::isfinite(det) || std::fabs(det) < 1e-12 || std::fabs(m11) + std::fabs(m12) > 1e4 ||
      std::fabs(m21) + std::fabs(m22) > 1e4)
    return false;
  *out = XFORML{FLOATL(m11), FLOATL(m12), FLOATL(m21), FLOATL(m22), 0, 0};
  return true;
}

// FONTOBJ fields common to both kinds of font.
void FillFontObj(Font* f, const FontSpec& wanted) {
  const XFORML& m = f->xform.m;
  const IFIMETRICS& ifi = *f->ifi;
  f->fo.iUniq = ++g_font_uniq;
  double sb = std::hypot(m.eM11, m.eM12), sv = std::hypot(m.eM21, m.eM22);
  double box_w = double(ifi.rclFontBox.right) - ifi.rclFontBox.left;
  f->fo.cxMax = Field<ULONG>(std::ceil(std::max<double>(box_w, ifi.fwdMaxCharInc) * sb));
  f->fo.sizLogResPpi = wanted.resolution;
  double em_px = sv * (ifi.fwdUnitsPerEm > 0 ? ifi.fwdUnitsPerEm : 1000);
  f->fo.ulStyleSize = wanted.resolution.cy > 0 ? Field<ULONG>(std::round(em_px * 72.0 / wanted.resolution.cy)) : 0;
  if (wanted.height < 0 && !wanted.has_matrix) f->fo.flFontType |= FO_EM_HEIGHT;
  if (ifi.jWinCharSet == SHIFTJIS_CHARSET) f->fo.flFontType |= FO_DBCS_FONT;
  if (IfiName(&ifi, ifi.dpwszFaceName).starts_with(u'@')) f->fo.flFontType |= FO_VERT_FACE;
}

// A file identity for FONTOBJ iFile and iTTUniq: one number per font file.
ULONG_PTR FileId(const FontBytes& data) {
  static std::mutex m;
  static std::vector<std::pair<std::weak_ptr<const std::vector<uint8_t>>, ULONG_PTR>> ids;
  static ULONG_PTR next = 0;
  std::lock_guard<std::mutex> lock(m);
  for (auto& [w, id] : ids)
    if (auto p = w.lock(); p && p == data) return id;
  ids.erase(std::remove_if(ids.begin(), ids.end(), [](auto& e) { return e.first.expired(); }), ids.end());
  ids.emplace_back(data, ++next);
  return next;
}

void DestroyFont(Font* f) {
  if (!f) return;
  UntrackTextObject(f);
  for (auto& [hg, e] : f->glyphs) PathDelete(e.path);
  if (f->face) {
    std::lock_guard<std::mutex> lock(g_ft_mutex);
    FT_Done_Face(f->face);
  }
  f->magic = 0;
  delete f;
}

constexpr double kFixOne = 16.0;

FIX ToFixed(double v) { return Field<FIX>(std::round(v * kFixOne)); }
int64_t ToQuad(double v) { return int64_t(std::llround(v * kFixOne * 4294967296.0)); }

// Loads a glyph's outline in font units with the simulations applied; the
// advance in font units in *advance.
bool LoadOutline(Font* f, HGLYPH hg, double* advance) {
  if (hg >= ULONG(f->face->num_glyphs)) return false;
  if (FT_Load_Glyph(f->face, hg, FT_LOAD_NO_SCALE | FT_LOAD_NO_BITMAP | FT_LOAD_IGNORE_TRANSFORM) != 0)
    return false;
  FT_GlyphSlot slot = f->face->glyph;
  if (slot->format != FT_GLYPH_FORMAT_OUTLINE) return false;
  *advance = double(slot->advance.x);
  long em = f->face->units_per_EM ? f->face->units_per_EM : 1000;
  if (f->sim_italic) {
    FT_Matrix shear{0x10000, 0x366A, 0, 0x10000};  // about 12 degrees
    FT_Outline_Transform(&slot->outline, &shear);
  }
  if (f->sim_bold) {
    FT_Pos s = FT_Pos(em / 32);
    FT_Outline_EmboldenXY(&slot->outline, s, s);
    *advance += double(s);
  }
  return true;
}

// Makes the metrics and the bits (and, when asked, the outline) of a glyph
// of an engine font.
bool RealiseEngineGlyph(Font* f, HGLYPH hg, GlyphEntry* e, bool path) {
  // A glyph realised before (its bits and metrics, and its outline when
  // asked for) is the font's cached one: every later use of it on the page
  // costs a look-up, not a load, transform and render of its outline.
  if (e->have_bits && e->have_metrics && (!path || e->path)) return true;
  double adv = 0;
  if (!LoadOutline(f, hg, &adv)) return false;
  FT_Outline* ol = &f->face->glyph->outline;
  const XFORML& m = f->xform.m;
  FT_BBox units;
  FT_Outline_Get_CBox(ol, &units);
  // To device pixels in 26.6, y up (FreeType's raster space).
  for (short i = 0; i < ol->n_points; ++i) {
    double X = double(ol->points[i].x), Y = double(ol->points[i].y);
    double dx = X * m.eM11 - Y * m.eM21, dy = X * m.eM12 - Y * m.eM22;
    ol->points[i].x = FT_Pos(std::lround(dx * 64.0));
    ol->points[i].y = FT_Pos(std::lround(-dy * 64.0));
  }
  const bool blank = ol->n_points == 0 || ol->n_contours == 0;
  FT_BBox dev{0, 0, 0, 0};
  if (!blank) FT_Outline_Get_CBox(ol, &dev);
  LONG left = LONG(std::floor(dev.xMin / 64.0)), right = LONG(std::ceil(dev.xMax / 64.0));
  LONG bottom = LONG(std::floor(dev.yMin / 64.0)), top = LONG(std::ceil(dev.yMax / 64.0));
  if (blank || right <= left || top <= bottom) {
    left = bottom = 0;
    right = top = 1;
  }
  if (int64_t(right - left) * int64_t(top - bottom) > (int64_t(1) << 26)) return false;

  if (path && !e->path) {
    eng::Path p;
    struct Ctx {
      eng::Path* p;
      double cx, cy;
      bool open;
    } ctx{&p, 0, 0, false};
    FT_Outline_Funcs funcs{};
    funcs.move_to = [](const FT_Vector* to, void* u) -> int {
      Ctx* c = static_cast<Ctx*>(u);
      if (c->open) c->p->Close();
      c->cx = to->x / 64.0;
      c->cy = -to->y / 64.0;
      c->p->MoveTo(c->cx, c->cy);
      c->open = true;
      return 0;
    };
    funcs.line_to = [](const FT_Vector* to, void* u) -> int {
      Ctx* c = static_cast<Ctx*>(u);
      c->cx = to->x / 64.0;
      c->cy = -to->y / 64.0;
      c->p->LineTo(c->cx, c->cy);
      return 0;
    };
    funcs.conic_to = [](const FT_Vector* ctl, const FT_Vector* to, void* u) -> int {
      Ctx* c = static_cast<Ctx*>(u);
      double qx = ctl->x / 64.0, qy = -ctl->y / 64.0, x = to->x / 64.0, y = -to->y / 64.0;
      c->p->BezierTo(c->cx + 2.0 / 3.0 * (qx - c->cx), c->cy + 2.0 / 3.0 * (qy - c->cy),
                     x + 2.0 / 3.0 * (qx - x), y + 2.0 / 3.0 * (qy - y), x, y);
      c->cx = x;
      c->cy = y;
      return 0;
    };
    funcs.cubic_to = [](const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* u) -> int {
      Ctx* c = static_cast<Ctx*>(u);
      c->cx = to->x / 64.0;
      c->cy = -to->y / 64.0;
      c->p->BezierTo(c1->x / 64.0, -c1->y / 64.0, c2->x / 64.0, -c2->y / 64.0, c->cx, c->cy);
      return 0;
    };
    if (!blank && FT_Outline_Decompose(ol, &funcs, &ctx) != 0) return false;
    if (ctx.open) p.Close();
    e->path = PathFromPath(p, 0, 0);
    if (!e->path) return false;
  }
  // The bitmap (made with the metrics, whose ink box is the bitmap's):
  // rendered in the outline's pixel box, then cut to the rows and columns
  // that hold ink.
  if (!e->have_bits) {
    LONG w = right - left, h = top - bottom;
    size_t row = size_t(w + 7) / 8;
    std::vector<uint8_t> raster(row * size_t(h), 0);
    if (!blank) {
      FT_Outline_Translate(ol, -FT_Pos(left) * 64, -FT_Pos(bottom) * 64);
      FT_Bitmap bm;
      std::memset(&bm, 0, sizeof bm);
      bm.rows = unsigned(h);
      bm.width = unsigned(w);
      bm.pitch = int(row);
      bm.pixel_mode = FT_PIXEL_MODE_MONO;
      bm.num_grays = 2;
      bm.buffer = raster.data();
      std::lock_guard<std::mutex> lock(g_ft_mutex);
      if (FT_Outline_Get_Bitmap(Library(), ol, &bm) != 0) return false;
    }
    auto at = [&](LONG x, LONG y) { return (raster[size_t(y) * row + size_t(x >> 3)] >> (7 - (x & 7))) & 1; };
    LONG x0 = w, x1 = -1, y0 = h, y1 = -1;
    for (LONG y = 0; y < h; ++y)
      for (LONG x = 0; x < w; ++x)
        if (at(x, y)) {
          x0 = std::min(x0, x);
          x1 = std::max(x1, x);
          y0 = std::min(y0, y);
          y1 = std::max(y1, y);
        }
    const bool inked = x1 >= 0;
    // No ink: a blank pixel at the origin, and an empty ink box.
    LONG cw = inked ? x1 - x0 + 1 : 1, ch = inked ? y1 - y0 + 1 : 1;
    size_t crow = size_t(cw + 7) / 8;
    e->bits.assign((offsetof(GLYPHBITS, aj) + crow * size_t(ch) + 3) / 4, 0);
    GLYPHBITS* gb = reinterpret_cast<GLYPHBITS*>(e->bits.data());
    gb->ptlOrigin = inked ? POINTL{left + x0, -top + y0} : POINTL{0, 0};
    gb->sizlBitmap = SIZEL{cw, ch};
    if (inked)
      for (LONG y = 0; y < ch; ++y)
        for (LONG x = 0; x < cw; ++x)
          if (at(x0 + x, y0 + y)) gb->aj[size_t(y) * crow + size_t(x >> 3)] |= uint8_t(0x80u >> (x & 7));
    RECTL ink = inked ? RECTL{gb->ptlOrigin.x, gb->ptlOrigin.y, gb->ptlOrigin.x + cw, gb->ptlOrigin.y + ch}
                      : RECTL{0, 0, 0, 0};
    if (!e->have_metrics) {
      GLYPHDATA& gd = e->gd;
      gd.hg = hg;
      double ax = adv * m.eM11, ay = adv * m.eM12;
      double sb = std::hypot(m.eM11, m.eM12), sv = std::hypot(m.eM21, m.eM22);
      gd.fxD = ToFixed(std::hypot(ax, ay));
      gd.ptqD = POINTQF{ToQuad(ax), ToQuad(ay)};
      if (!blank) {
        gd.fxA = ToFixed(units.xMin * sb);
        gd.fxAB = ToFixed(units.xMax * sb);
        gd.fxInkTop = ToFixed(units.yMax * sv);
        gd.fxInkBottom = ToFixed(units.yMin * sv);
      }
      gd.rclInk = ink;
      e->have_metrics = true;
    }
    e->gd.gdf.pgb = gb;
    e->have_bits = true;
  }
  return true;
}

// A device font's glyph: metrics (and bits, when the driver has them)
// from DrvQueryFontData; a synthetic font's from its metrics.
bool RealiseDeviceGlyph(Font* f, HGLYPH hg, GlyphEntry* e, bool bits) {
  if (!e->have_metrics) {
    GLYPHDATA gd{};
    gd.hg = hg;
    LONG need = 0;
    if (f->dev.query_font_data) {
      need = f->dev.query_font_data(f->dev.dhpdev, &f->fo, QFD_GLYPHANDBITMAP, hg, &gd, nullptr, 0);
      if (need < 0) return false;
    } else {
      double ax, ay;
      FontAdvance(f, hg, &ax, &ay);
      gd.fxD = ToFixed(std::hypot(ax, ay));
      gd.fxAB = gd.fxD;
      gd.ptqD = POINTQF{ToQuad(ax), ToQuad(ay)};
      double sv = std::hypot(f->xform.m.eM21, f->xform.m.eM22);
      gd.fxInkTop = ToFixed(f->ifi->rclFontBox.top * sv);
      gd.fxInkBottom = ToFixed(f->ifi->rclFontBox.bottom * sv);
    }
    e->gd = gd;
    e->have_metrics = true;
    if (bits && need > LONG(offsetof(GLYPHBITS, aj))) {
      e->bits.assign((size_t(need) + 3) / 4, 0);
      GLYPHDATA again = gd;
      if (f->dev.query_font_data(f->dev.dhpdev, &f->fo, QFD_GLYPHANDBITMAP, hg, &again, e->bits.data(),
                                 ULONG(need)) < 0)
        e->bits.clear();
    }
  }
  if (bits && !e->have_bits) {
    if (e->bits.empty()) {
      // No bitmap from the printer: a blank cell of one pixel.
      e->bits.assign((offsetof(GLYPHBITS, aj) + 4) / 4, 0);
      GLYPHBITS* gb = reinterpret_cast<GLYPHBITS*>(e->bits.data());
      gb->sizlBitmap = SIZEL{1, 1};
    }
    e->gd.gdf.pgb = reinterpret_cast<GLYPHBITS*>(e->bits.data());
    e->have_bits = true;
  }
  return true;
}

// Builds FD_GLYPHSET from runs of (first character, handles) into storage.
FD_GLYPHSET* BuildGlyphSet(const std::vector<std::pair<WCHAR, std::vector<HGLYPH>>>& runs,
                           std::vector<uint64_t>* storage) {
  size_t glyphs = 0;
  for (const auto& r : runs) glyphs += r.second.size();
  size_t runs_at = offsetof(FD_GLYPHSET, awcrun);
  size_t handles_at = runs_at + sizeof(WCRUN) * std::max<size_t>(runs.size(), 1);
  size_t total = handles_at + sizeof(HGLYPH) * glyphs;
  storage->assign((total + 7) / 8, 0);
  uint8_t* base = reinterpret_cast<uint8_t*>(storage->data());
  FD_GLYPHSET* gs = reinterpret_cast<FD_GLYPHSET*>(base);
  gs->cjThis = ULONG(total);
  gs->cGlyphsSupported = ULONG(glyphs);
  gs->cRuns = ULONG(runs.size());
  HGLYPH* h = reinterpret_cast<HGLYPH*>(base + handles_at);
  for (size_t i = 0; i < runs.size(); ++i) {
    WCRUN* w = reinterpret_cast<WCRUN*>(base + runs_at) + i;
    w->wcLow = runs[i].first;
    w->cGlyphs = USHORT(runs[i].second.size());
    w->phg = h;
    for (HGLYPH g : runs[i].second) *h++ = g;
  }
  return gs;
}

}  // namespace

namespace {
void MeasureAdvance(Font* f, HGLYPH hg, double* dx, double* dy);
}  // namespace

Font* FontFromObj(FONTOBJ* pfo) {
  Font* f = reinterpret_cast<Font*>(pfo);
  return IsTextObject(f) && f->magic == kFontMagic ? f : nullptr;
}

HGLYPH FontGlyphOf(Font* f, char16_t ch) {
  if (!f->device) {
    FT_UInt g = FT_Get_Char_Index(f->face, ch);
    if (!g && f->face->charmap && f->face->charmap->encoding == FT_ENCODING_MS_SYMBOL && ch < 0x100)
      g = FT_Get_Char_Index(f->face, 0xF000u + ch);
    if (!g && ch != f->ifi->wcDefaultChar) g = FT_Get_Char_Index(f->face, f->ifi->wcDefaultChar);
    return g;
  }
  auto lookup = [f](char16_t c, HGLYPH* out) {
    const FD_GLYPHSET* gs = f->glyphset;
    if (!gs) {
      *out = c;
      return true;
    }
    // Runs are in character order: the last run starting at or below c.
    ULONG lo = 0, hi = gs->cRuns;
    while (lo < hi) {
      ULONG mid = (lo + hi) / 2;
      if (gs->awcrun[mid].wcLow <= c) lo = mid + 1;
      else hi = mid;
    }
    if (lo == 0) return false;
    const WCRUN& r = gs->awcrun[lo - 1];
    if (c >= uint32_t(r.wcLow) + r.cGlyphs) return false;
    *out = r.phg ? r.phg[c - r.wcLow] : c;
    return true;
  };
  HGLYPH h = 0;
  if (lookup(ch, &h)) return h;
  if (lookup(f->ifi->wcDefaultChar, &h)) return h;
  return 0;
}

void FontAdvance(Font* f, HGLYPH hg, double* dx, double* dy) {
  // Strings are laid out again for every band: each glyph's advance is
  // asked for once.
  auto it = f->glyphs.find(hg);
  if (it != f->glyphs.end() && it->second.have_advance) {
    *dx = it->second.advance_x;
    *dy = it->second.advance_y;
    return;
  }
  MeasureAdvance(f, hg, dx, dy);
  GlyphEntry& e = f->glyphs[hg];
  e.have_advance = true;
  e.advance_x = *dx;
  e.advance_y = *dy;
}

namespace {

void MeasureAdvance(Font* f, HGLYPH hg, double* dx, double* dy) {
  const XFORML& m = f->xform.m;
  double sb = std::hypot(m.eM11, m.eM12);
  double ux = sb > 0 ? m.eM11 / sb : 1, uy = sb > 0 ? m.eM12 / sb : 0;
  if (!f->device) {
    double adv = 0;
    if (!LoadOutline(f, hg, &adv)) adv = f->ifi->fwdAveCharWidth;
    *dx = adv * m.eM11;
    *dy = adv * m.eM12;
    return;
  }
  if (f->dev.query_advance_widths) {
    USHORT w = 0;
    HGLYPH h = hg;
    if (f->dev.query_advance_widths(f->dev.dhpdev, &f->fo, QAW_GETWIDTHS, &h, &w, 1)) {
      *dx = ux * w / kFixOne;
      *dy = uy * w / kFixOne;
      return;
    }
  }
  double units = hg < 256 ? f->ifi->fwdAveCharWidth : f->ifi->fwdMaxCharInc;
  *dx = units * m.eM11;
  *dy = units * m.eM12;
}

}  // namespace

void FontVerticals(Font* f, double* ax, double* ay, double* dx, double* dy) {
  const XFORML& m = f->xform.m;
  double asc = f->ifi->fwdWinAscender, desc = f->ifi->fwdWinDescender;
  *ax = -asc * m.eM21;
  *ay = -asc * m.eM22;
  *dx = desc * m.eM21;
  *dy = desc * m.eM22;
}

}  // namespace eng::detail

namespace eng {

using namespace detail;

FontBytes ReadFontFile(const std::string& host_path) {
  std::ifstream in(host_path, std::ios::binary);
  if (!in) return nullptr;
  auto bytes = std::make_shared<std::vector<uint8_t>>((std::istreambuf_iterator<char>(in)),
                                                     std::istreambuf_iterator<char>());
  if (in.bad() || bytes->empty()) return nullptr;
  return bytes;
}

BOOL RegisterFontFile(const FontBytes& data) {
  {
    // The same file again adds nothing.
    std::lock_guard<std::mutex> lock(g_registry_mutex);
    for (const Known& k : Registry())
      if (data && (k.data == data || *k.data == *data)) return TRUE;
  }
  std::vector<Known> faces;
  if (!AddFaces(data, &faces)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::lock_guard<std::mutex> lock(g_registry_mutex);
  for (Known& k : faces) Registry().push_back(std::move(k));
  return TRUE;
}

std::vector<RegisteredFamily> RegisteredFontFamilies() {
  std::vector<RegisteredFamily> out;
  std::lock_guard<std::mutex> lock(g_registry_mutex);
  for (const Known& k : Registry()) {
    if (k.family.empty()) continue;
    bool seen = false;
    for (const RegisteredFamily& r : out) seen = seen || Fold(r.family) == Fold(k.family);
    if (!seen) out.push_back({k.family, k.true_type, k.true_type && k.japanese});
  }
  return out;
}

std::unique_ptr<FontObject> FontObject::Create(const FontSpec& wanted) {
  FontBytes data = wanted.data;
  int index = wanted.face_index;
  if (!data) {
    if (wanted.face_name.empty()) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
    }
    std::u16string folded = Fold(wanted.face_name);
    bool bold = wanted.weight >= 600;
    const Known* k = nullptr;
    {
      std::lock_guard<std::mutex> lock(g_registry_mutex);
      if ((k = FindFace(Registry(), folded, bold, wanted.italic))) {
        data = k->data;
        index = k->face_index;
      }
    }
    if (!data) {
      const std::vector<Known> machine = MachineFonts();
      if ((k = FindFace(machine, folded, bold, wanted.italic))) {
        data = ReadFontFile(k->path);
        index = k->face_index;
      }
    }
    if (!data) {
      SetLastError(ERROR_FILE_NOT_FOUND);
      return nullptr;
    }
  }
  FT_Library lib = Library();
  if (!lib || data->empty() || index < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto* f = new (std::nothrow) Font;
  if (!f) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  TrackTextObject(f);
  f->data = data;
  {
    std::lock_guard<std::mutex> lock(g_ft_mutex);
    if (FT_New_Memory_Face(lib, data->data(), FT_Long(data->size()), index, &f->face) != 0) f->face = nullptr;
  }
  if (!f->face || !FT_IS_SCALABLE(f->face)) {
    DestroyFont(f);
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (!f->face->charmap)
    for (int i = 0; i < f->face->num_charmaps; ++i)
      if (f->face->charmaps[i]->encoding == FT_ENCODING_MS_SYMBOL) FT_Set_Charmap(f->face, f->face->charmaps[i]);
  f->sim_bold = wanted.weight >= 600 && !(f->face->style_flags & FT_STYLE_FLAG_BOLD);
  f->sim_italic = wanted.italic && !(f->face->style_flags & FT_STYLE_FLAG_ITALIC);
  BuildIfi(f, wanted.face_name);
  if (!MakeXform(wanted, *f->ifi, &f->xform.m)) {
    DestroyFont(f);
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  const char* format = FT_Get_Font_Format(f->face);
  bool truetype = FT_IS_SFNT(f->face) && format && std::strcmp(format, "TrueType") == 0;
  bool cff = format && std::strcmp(format, "CFF") == 0;
  f->fo.flFontType = truetype ? TRUETYPE_FONTTYPE
                     : cff    ? (FT_IS_SFNT(f->face) ? FO_TYPE_OPENTYPE : 0) | FO_CFF
                              : FO_POSTSCRIPT;
  if (f->sim_bold) f->fo.flFontType |= FO_SIM_BOLD;
  if (f->sim_italic) f->fo.flFontType |= FO_SIM_ITALIC;
  f->fo.iFace = ULONG(index + 1);
  f->fo.iFile = FileId(data);
  f->fo.iTTUniq = f->fo.iFile;
  FillFontObj(f, wanted);
  return std::unique_ptr<FontObject>(new FontObject(f));
}

std::unique_ptr<FontObject> FontObject::CreateDevice(const DeviceFonts& fonts, ULONG i_face,
                                                     const FontSpec& wanted) {
  if (!fonts.query_font || i_face == 0 || i_face > fonts.count) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  ULONG_PTR id = 0;
  IFIMETRICS* ifi = fonts.query_font(fonts.dhpdev, 0, i_face, &id);
  if (!ifi || ifi->cjThis < sizeof(IFIMETRICS) || ifi->fwdUnitsPerEm <= 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto* f = new (std::nothrow) Font;
  if (!f) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  TrackTextObject(f);
  f->device = true;
  f->dev = fonts;
  f->ifi = ifi;
  if (!MakeXform(wanted, *ifi, &f->xform.m)) {
    DestroyFont(f);
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  f->fo.flFontType = DEVICE_FONTTYPE;
  f->fo.iFace = i_face;
  FillFontObj(f, wanted);
  if (fonts.query_font_tree)
    f->glyphset = static_cast<FD_GLYPHSET*>(fonts.query_font_tree(fonts.dhpdev, 0, i_face, QFT_GLYPHSET, &id));
  if (!f->glyphset) {
    DestroyFont(f);
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return std::unique_ptr<FontObject>(new FontObject(f));
}

std::unique_ptr<FontObject> FontObject::FindDevice(const DeviceFonts& fonts, const FontSpec& wanted) {
  if (!fonts.query_font || wanted.face_name.empty()) return nullptr;
  // The family of that name first; else the family that is the same face
  // under another of its usual names.
  const std::u16string want = Fold(wanted.face_name), face = FaceOf(wanted.face_name);
  ULONG same_face = 0;
  for (ULONG i = 1; i <= fonts.count; ++i) {
    ULONG_PTR id = 0;
    IFIMETRICS* ifi = fonts.query_font(fonts.dhpdev, 0, i, &id);
    if (!ifi || ifi->cjThis < sizeof(IFIMETRICS)) continue;
    const std::u16string family = IfiName(ifi, ifi->dpwszFamilyName);
    if (Fold(family) == want) return CreateDevice(fonts, i, wanted);
    if (!same_face && !face.empty() && FaceOf(family) == face) same_face = i;
  }
  return same_face ? CreateDevice(fonts, same_face, wanted) : nullptr;
}

std::unique_ptr<FontObject> FontObject::CreateSynthetic(const IFIMETRICS* ifi, const FD_GLYPHSET* glyphs,
                                                        const XFORML& xform, ULONG i_face) {
  if (!ifi || ifi->cjThis < sizeof(IFIMETRICS) || ifi->cjThis > (1u << 20)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto* f = new Font;
  TrackTextObject(f);
  f->device = true;
  f->synthetic = true;
  f->ifi_block.assign((ifi->cjThis + 7) / 8, 0);
  std::memcpy(f->ifi_block.data(), ifi, ifi->cjThis);
  f->ifi = reinterpret_cast<IFIMETRICS*>(f->ifi_block.data());
  if (glyphs) {
    std::vector<std::pair<WCHAR, std::vector<HGLYPH>>> runs;
    for (ULONG i = 0; i < glyphs->cRuns; ++i) {
      const WCRUN& r = glyphs->awcrun[i];
      std::vector<HGLYPH> h(r.cGlyphs);
      for (USHORT k = 0; k < r.cGlyphs; ++k) h[k] = r.phg ? r.phg[k] : HGLYPH(r.wcLow + k);
      runs.emplace_back(r.wcLow, std::move(h));
    }
    f->glyphset = BuildGlyphSet(runs, &f->own_glyphset);
    f->glyphset->flAccel = glyphs->flAccel;
  }
  f->xform.m = xform;
  f->fo.flFontType = DEVICE_FONTTYPE;
  f->fo.iFace = i_face;
  FontSpec wanted;
  FillFontObj(f, wanted);
  return std::unique_ptr<FontObject>(new FontObject(f));
}

FontObject::~FontObject() { DestroyFont(p_); }
FONTOBJ* FontObject::get() const { return &p_->fo; }
bool FontObject::is_device() const { return p_->device; }

std::vector<HGLYPH> FontObject::GlyphsOf(std::u16string_view text) const {
  std::vector<HGLYPH> out;
  out.reserve(text.size());
  for (char16_t c : text) out.push_back(FontGlyphOf(p_, c));
  return out;
}

void FontObject::Advance(HGLYPH hg, double* dx, double* dy) const { FontAdvance(p_, hg, dx, dy); }

void FontObject::Verticals(double* ascent, double* descent) const {
  double ax, ay, dx, dy;
  FontVerticals(p_, &ax, &ay, &dx, &dy);
  *ascent = std::hypot(ax, ay);
  *descent = std::hypot(dx, dy);
}

}  // namespace eng

using namespace eng::detail;

ENG_API XFORMOBJ* FONTOBJ_pxoGetXform(FONTOBJ* pfo) {
  Font* f = FontFromObj(pfo);
  return f ? &f->xform.xo : nullptr;
}

ENG_API IFIMETRICS* FONTOBJ_pifi(FONTOBJ* pfo) {
  Font* f = FontFromObj(pfo);
  return f ? f->ifi : nullptr;
}

ENG_API ULONG FONTOBJ_cGetGlyphs(FONTOBJ* pfo, ULONG iMode, ULONG cGlyph, HGLYPH* phg, PVOID* ppvGlyph) {
  Font* f = FontFromObj(pfo);
  if (!f || !phg || !ppvGlyph || cGlyph == 0 || (iMode != FO_GLYPHBITS && iMode != FO_PATHOBJ)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (plat::ShouldFail("EngAllocMem")) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return 0;
  }
  HGLYPH hg = phg[0];
  auto [it, added] = f->glyphs.try_emplace(hg);
  GlyphEntry& e = it->second;
  bool ok;
  if (f->device) {
    ok = iMode == FO_GLYPHBITS && RealiseDeviceGlyph(f, hg, &e, true);
  } else {
    ok = RealiseEngineGlyph(f, hg, &e, iMode == FO_PATHOBJ);
  }
  if (!ok) {
    if (added && !e.path) f->glyphs.erase(it);
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (iMode == FO_GLYPHBITS) e.gd.gdf.pgb = reinterpret_cast<GLYPHBITS*>(e.bits.data());
  else e.gd.gdf.ppo = &e.path->po;
  if (iMode == FO_PATHOBJ) PATHOBJ_vEnumStart(&e.path->po);
  *ppvGlyph = &e.gd;
  return 1;
}

ENG_API ULONG FONTOBJ_cGetAllGlyphHandles(FONTOBJ* pfo, HGLYPH* phg) {
  Font* f = FontFromObj(pfo);
  if (!f) return 0;
  if (!f->device) {
    ULONG n = ULONG(f->face->num_glyphs);
    if (phg)
      for (ULONG i = 0; i < n; ++i) phg[i] = i;
    return n;
  }
  const FD_GLYPHSET* gs = f->glyphset;
  if (!gs) return 0;
  ULONG n = 0;
  for (ULONG r = 0; r < gs->cRuns; ++r)
    for (USHORT k = 0; k < gs->awcrun[r].cGlyphs; ++k, ++n)
      if (phg) phg[n] = gs->awcrun[r].phg ? gs->awcrun[r].phg[k] : HGLYPH(gs->awcrun[r].wcLow + k);
  return n;
}

ENG_API void FONTOBJ_vGetInfo(FONTOBJ* pfo, ULONG cjSize, FONTINFO* pfi) {
  Font* f = FontFromObj(pfo);
  if (!f || !pfi) return;
  FONTINFO fi{};
  fi.cjThis = sizeof(FONTINFO);
  fi.flCaps = f->device ? FO_DEVICE_FONT : FO_OUTLINE_CAPABLE;
  fi.cGlyphsSupported = FONTOBJ_cGetAllGlyphHandles(pfo, nullptr);
  const XFORML& m = f->xform.m;
  double sv = std::hypot(m.eM21, m.eM22);
  double cy = std::ceil((double(f->ifi->rclFontBox.top) - f->ifi->rclFontBox.bottom) * sv) + 2;
  double cx = double(f->fo.cxMax) + 2;
  double side = std::max(cx, cy);  // any rotation
  double bytes = double(offsetof(GLYPHBITS, aj)) + std::ceil(side / 8) * side + 3;
  fi.cjMaxGlyph1 = ULONG(std::min(4e9, bytes)) & ~3u;
  std::memcpy(pfi, &fi, std::min<size_t>(cjSize, sizeof fi));
}

ENG_API FD_GLYPHSET* FONTOBJ_pfdg(FONTOBJ* pfo) {
  Font* f = FontFromObj(pfo);
  if (!f) return nullptr;
  if (f->device) return f->glyphset;
  if (!f->glyphset) {
    // The face's character map as runs of consecutive characters.
    std::vector<std::pair<WCHAR, std::vector<HGLYPH>>> runs;
    FT_UInt gi = 0;
    for (FT_ULong c = FT_Get_First_Char(f->face, &gi); gi != 0 && c <= 0xFFFF; c = FT_Get_Next_Char(f->face, c, &gi)) {
      if (runs.empty() || runs.back().first + runs.back().second.size() != c || runs.back().second.size() >= 0xFFFF)
        runs.emplace_back(WCHAR(c), std::vector<HGLYPH>());
      runs.back().second.push_back(gi);
    }
    f->glyphset = BuildGlyphSet(runs, &f->own_glyphset);
  }
  return f->glyphset;
}
