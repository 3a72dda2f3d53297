// Checks of the files a watermark or an overlay names. A path is ANSI in
// the system code page and must fit 260 bytes; the check of an overlay path
// may create the file (and its folder) to see that it can, and removes
// exactly what it created.
#include <cstring>

#include "api/api_support.h"
#include "plat/files.h"
#include "plat/kernel.h"

namespace {

constexpr int32_t kPathBytes = MAX_PATH;

// The ANSI path as UTF-16; false when it is empty or does not fit.
bool Widen(const char* path, char16_t* wide) {
  if (!path || !path[0] || std::strlen(path) >= size_t(kPathBytes)) return false;
  int n = MultiByteToWideChar(CP_ACP, 0, path, -1, wide, kPathBytes);
  return n > 0 && wide[0];
}

bool IsFile(const char16_t* path) {
  DWORD a = GetFileAttributesW(path);
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsDir(const char16_t* path) {
  DWORD a = GetFileAttributesW(path);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool CreateScratch(const char16_t* path) {
  HANDLE h = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  CloseHandle(h);
  return true;
}

bool HasVpoExtension(const char* path) {
  uint32_t n = 0;
  const char* ext = ApiGetExtensionPart(path, &n);
  if (!ext || n != 3) return false;
  for (int i = 0; i < 3; ++i)
    if ((ext[i] | 0x20) != "vpo"[i]) return false;
  return true;
}

}  // namespace

bool ApiCheckWatermarkFile(int32_t kind, const char* path) {
  char16_t wide[kPathBytes] = {};
  if ((kind != 2 && kind != 3) || !Widen(path, wide) || !PathIsAbsoluteWide(wide)) return false;
  if (kind == 3) return IsFile(wide) && HasVpoExtension(path);
  HANDLE h = CreateFileW(wide, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  CloseHandle(h);
  return true;
}

bool ApiCheckOverlayPath(const char* path, char* out) {
  if (out) out[0] = 0;
  char16_t wide[kPathBytes] = {};
  if (!out || !Widen(path, wide)) return false;
  if (!IsFile(wide)) {
    bool made_folder = false;
    char16_t folder[kPathBytes] = {};
    bool created = CreateScratch(wide);
    if (!created && GetLastError() == ERROR_PATH_NOT_FOUND) {
      // One folder level may be missing: the file's own folder.
      std::memcpy(folder, wide, sizeof folder);
      char16_t* slash = nullptr;
      for (char16_t* c = folder; *c; ++c)
        if (*c == u'\\') slash = c;
      if (slash && slash != folder) {
        *slash = 0;
        made_folder = !IsDir(folder) && CreateDirectoryW(folder, nullptr);
        if (made_folder) created = CreateScratch(wide);
      }
    }
    // The probe's own scratch file and folder: one left behind changes no answer.
    if (created) (void)DeleteFileW(wide);
    if (made_folder) (void)RemoveDirectoryW(folder);
    if (!created) return false;
  }
  char16_t full[kPathBytes] = {};
  DWORD n = GetFullPathNameW(wide, kPathBytes, full, nullptr);
  if (n == 0 || n >= DWORD(kPathBytes)) return false;
  // The ANSI form must fit whole; a cut path would name another file.
  char ansi[kPathBytes * 2] = {};
  int bytes = WideCharToMultiByte(CP_ACP, 0, full, -1, ansi, int(sizeof ansi), nullptr, nullptr);
  if (bytes <= 0 || bytes > kPathBytes) return false;
  std::memcpy(out, ansi, size_t(bytes));
  return true;
}
