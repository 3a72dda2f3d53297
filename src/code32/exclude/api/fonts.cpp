// Whether a TrueType family of a face name can be drawn on this machine.
#include <cstring>

#include "api/api_support.h"
#include "plat/fonts.h"
#include "velm/settings.h"

namespace {

struct Search {
  char16_t name[LF_FACESIZE + 1];
  bool found;
};

int Visit(const LOGFONTW* font, const TEXTMETRICW*, DWORD type, LPARAM data) {
  auto* s = reinterpret_cast<Search*>(data);
  // Vertical faces ("@" names) are not families of their own.
  if (font->lfFaceName[0] == u'@' || !(type & TRUETYPE_FONTTYPE)) return 1;
  char16_t face[LF_FACESIZE + 1] = {};
  std::memcpy(face, font->lfFaceName, sizeof font->lfFaceName);
  face[LF_FACESIZE - 1] = 0;
  if (std::char_traits<char16_t>::compare(face, s->name, LF_FACESIZE) == 0) {
    s->found = true;
    return 0;
  }
  return 1;
}

}  // namespace

bool ApiFontExists(const char* name) {
  if (!name || !name[0]) return false;
  Search s{};
  // The name as a face name holds it: 31 characters at most.
  StrAnsiToWide(s.name, name, LF_FACESIZE);
  if (s.name[0] == u'@') return false;
  HWND desktop = GetDesktopWindow();
  HDC dc = GetDC(desktop);
  if (!dc) return false;
  EnumFontFamiliesW(dc, nullptr, Visit, reinterpret_cast<LPARAM>(&s));
  ReleaseDC(desktop, dc);
  return s.found;
}
