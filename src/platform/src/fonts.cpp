// The font families of the machine: the font files of C:\Windows\Fonts that
// FreeType reads, by family.
#include "plat/fonts.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <dirent.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>
#include <vector>

#include "plat/machine.h"
#include "plat/wstr.h"

namespace {

char g_screen_dc;  // the desktop's display context: one object, never freed
char g_desktop;

std::u16string Fold(const std::u16string& s) {
  std::u16string f = s;
  for (char16_t& c : f)
    if (c >= u'A' && c <= u'Z') c = char16_t(c - u'A' + u'a');
  return f;
}

// A character every Japanese font has: hiragana A.
constexpr FT_ULong kJapaneseProbe = 0x3042;

std::atomic<plat::FontFamilyLister> g_lister{nullptr};

}  // namespace

std::vector<plat::FontFamily> plat::ListFontFolderFamilies() {
  std::vector<FontFamily> faces;
  const std::string dir = plat::MapPath(u"C:\\Windows\\Fonts");
  DIR* d = ::opendir(dir.c_str());
  if (!d) return faces;
  FT_Library lib = nullptr;
  if (FT_Init_FreeType(&lib) != 0) {
    ::closedir(d);
    return faces;
  }
  std::vector<std::string> files;
  while (dirent* e = ::readdir(d))
    if (e->d_name[0] != '.') files.push_back(dir + "/" + e->d_name);
  ::closedir(d);
  std::sort(files.begin(), files.end());
  for (const std::string& file : files) {
    FT_Long count = 1;
    for (FT_Long i = 0; i < count; ++i) {
      FT_Face face = nullptr;
      if (FT_New_Face(lib, file.c_str(), i, &face) != 0) break;
      count = face->num_faces;
      if (face->family_name && face->family_name[0]) {
        FontFamily f;
        f.face = plat::FromUtf8(face->family_name);
        if (!FT_IS_SCALABLE(face)) f.type = RASTER_FONTTYPE;
        else if (FT_IS_SFNT(face)) f.type = TRUETYPE_FONTTYPE;
        f.bold = (face->style_flags & FT_STYLE_FLAG_BOLD) != 0;
        f.italic = (face->style_flags & FT_STYLE_FLAG_ITALIC) != 0;
        f.height = face->num_fixed_sizes > 0 ? LONG(face->available_sizes[0].height) : 0;
        f.hasVertical = f.type == TRUETYPE_FONTTYPE && FT_Get_Char_Index(face, kJapaneseProbe) != 0;
        faces.push_back(std::move(f));
      }
      FT_Done_Face(face);
    }
  }
  FT_Done_FreeType(lib);
  std::stable_sort(faces.begin(), faces.end(),
                   [](const FontFamily& a, const FontFamily& b) { return Fold(a.face) < Fold(b.face); });
  return faces;
}

void plat::SetFontFamilyLister(FontFamilyLister lister) { g_lister = lister; }

HWND GetDesktopWindow() { return &g_desktop; }

namespace {
std::atomic<plat::WindowDcGetter> g_window_dc{nullptr};
std::atomic<plat::WindowDcReleaser> g_window_dc_release{nullptr};
}  // namespace

void plat::SetWindowDcHandlers(WindowDcGetter get, WindowDcReleaser release) {
  g_window_dc = get;
  g_window_dc_release = release;
}

HDC GetDC(HWND window) {
  if (!window || window == &g_desktop) return &g_screen_dc;
  const plat::WindowDcGetter get = g_window_dc;
  return get ? get(window) : nullptr;
}

int ReleaseDC(HWND window, HDC dc) {
  if (dc == &g_screen_dc) return 1;
  const plat::WindowDcReleaser release = g_window_dc_release;
  return dc && release ? release(window, dc) : 0;
}

int EnumFontFamiliesW(HDC dc, LPCWSTR family, FONTENUMPROCW proc, LPARAM data) {
  if (!dc || !proc) return 0;
  const plat::FontFamilyLister lister = g_lister;
  const std::vector<plat::FontFamily> faces = lister ? lister() : plat::ListFontFolderFamilies();
  const std::u16string wanted = family ? Fold(family) : std::u16string();
  int answer = 1;
  std::u16string last;
  for (const plat::FontFamily& f : faces) {
    const std::u16string folded = Fold(f.face);
    if (family ? folded != wanted : folded == last) continue;
    last = folded;
    LOGFONTW lf{};
    lf.lfHeight = f.height;
    lf.lfWeight = f.bold ? 700 : 400;
    lf.lfItalic = f.italic ? 1 : 0;
    lf.lfCharSet = 1;  // DEFAULT_CHARSET
    size_t n = std::min<size_t>(f.face.size(), LF_FACESIZE - 1);
    std::memcpy(lf.lfFaceName, f.face.data(), n * sizeof(char16_t));
    TEXTMETRICW tm{};
    tm.tmHeight = f.height;
    tm.tmWeight = lf.lfWeight;
    tm.tmItalic = lf.lfItalic;
    tm.tmPitchAndFamily = BYTE(f.type == TRUETYPE_FONTTYPE ? 0x4 : 0);
    answer = proc(&lf, &tm, f.type, data);
    if (answer == 0) break;
  }
  return answer;
}
