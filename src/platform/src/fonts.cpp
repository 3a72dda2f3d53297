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

struct Face {
  std::u16string family;
  DWORD type;
  bool bold, italic;
  LONG height;
};

char g_screen_dc;  // the desktop's display context: one object, never freed
char g_desktop;

std::u16string Fold(const std::u16string& s) {
  std::u16string f = s;
  for (char16_t& c : f)
    if (c >= u'A' && c <= u'Z') c = char16_t(c - u'A' + u'a');
  return f;
}

std::vector<Face> ListFaces() {
  std::vector<Face> faces;
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
        DWORD type = 0;
        if (!FT_IS_SCALABLE(face)) type = RASTER_FONTTYPE;
        else if (FT_IS_SFNT(face)) type = TRUETYPE_FONTTYPE;
        LONG height = face->num_fixed_sizes > 0 ? LONG(face->available_sizes[0].height) : 0;
        faces.push_back({plat::FromUtf8(face->family_name), type, (face->style_flags & FT_STYLE_FLAG_BOLD) != 0,
                         (face->style_flags & FT_STYLE_FLAG_ITALIC) != 0, height});
      }
      FT_Done_Face(face);
    }
  }
  FT_Done_FreeType(lib);
  std::stable_sort(faces.begin(), faces.end(),
                   [](const Face& a, const Face& b) { return Fold(a.family) < Fold(b.family); });
  return faces;
}

}  // namespace

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
  const std::vector<Face> faces = ListFaces();
  const std::u16string wanted = family ? Fold(family) : std::u16string();
  int answer = 1;
  std::u16string last;
  for (const Face& f : faces) {
    const std::u16string folded = Fold(f.family);
    if (family ? folded != wanted : folded == last) continue;
    last = folded;
    LOGFONTW lf{};
    lf.lfHeight = f.height;
    lf.lfWeight = f.bold ? 700 : 400;
    lf.lfItalic = f.italic ? 1 : 0;
    lf.lfCharSet = 1;  // DEFAULT_CHARSET
    size_t n = std::min<size_t>(f.family.size(), LF_FACESIZE - 1);
    std::memcpy(lf.lfFaceName, f.family.data(), n * sizeof(char16_t));
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
