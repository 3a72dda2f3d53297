// File-name and path checks of the query interfaces. Texts are ANSI in the
// system code page: a lead byte and its trail byte are one character, and a
// lead byte just before the terminator ends the text there.
#include <cstring>

#include "api/api_support.h"
#include "plat/kernel.h"

namespace {

bool Forbidden(unsigned char c, bool allow_backslash) {
  switch (c) {
    case '/': case ':': case ';': case ',': case '*': case '?': case '<': case '>': case '|': case '"':
      return true;
    case '\\':
      return !allow_backslash;
    default:
      return false;
  }
}

// Steps over one character; never past the terminator.
const char* Next(const char* p) {
  if (IsDBCSLeadByte(BYTE(*p)) && p[1] != 0) return p + 2;
  return p + 1;
}

bool EqualsIgnoringCase(const char* a, const char* b, uint32_t n) {
  for (uint32_t i = 0; i < n; ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = char(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = char(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

}  // namespace

bool ApiCheckNameChars(const char* text, bool allow_backslash) {
  if (!text) return false;
  for (const char* p = text; *p; p = Next(p)) {
    if (IsDBCSLeadByte(BYTE(*p))) continue;
    if (Forbidden(BYTE(*p), allow_backslash)) return false;
  }
  return true;
}

bool ApiIsValidFileName(const char* text) { return ApiCheckNameChars(text, false); }

bool ApiIsValidPathName(const char* text) {
  if (!text) return false;
  const char* rest = text;
  if (((text[0] >= 'A' && text[0] <= 'Z') || (text[0] >= 'a' && text[0] <= 'z')) && text[1] == ':') rest = text + 2;
  return ApiCheckNameChars(rest, true);
}

const char* ApiGetFileNamePart(const char* path) {
  if (!path) return nullptr;
  const char* name = path;
  for (const char* p = path; *p; p = Next(p))
    if (*p == '\\') name = p + 1;
  return name;
}

const char* ApiGetExtensionPart(const char* path, uint32_t* length) {
  const char* name = ApiGetFileNamePart(path);
  if (length) *length = 0;
  if (!name) return nullptr;
  const char* dot = nullptr;
  for (const char* p = name; *p; p = Next(p))
    if (*p == '.') dot = p;
  if (!dot) return nullptr;
  if (length) *length = uint32_t(std::strlen(dot + 1));
  return dot + 1;
}

bool ApiIsOverlayFileName(const char* path) {
  if (!ApiIsValidPathName(path)) return false;
  const char* name = ApiGetFileNamePart(path);
  if (!ApiIsValidFileName(name)) return false;
  uint32_t n = 0;
  const char* ext = ApiGetExtensionPart(path, &n);
  return ext && n == 3 && EqualsIgnoringCase(ext, "vpo", 3);
}

bool PathIsAbsoluteWide(const char16_t* path) {
  if (!path || !path[0]) return false;
  if (path[0] == u'\\' && path[1] == u'\\') return true;
  return path[1] == u':' && path[2] == u'\\';
}

bool ApiHasChar(const char* text, char c) {
  if (!text) return false;
  for (const char* p = text; *p; p = Next(p))
    if (!IsDBCSLeadByte(BYTE(*p)) && *p == c) return true;
  return false;
}
