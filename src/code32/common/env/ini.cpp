// The driver's ini access through the profile functions.
#include "velm/ini.h"

#include "plat/files.h"
#include "plat/profile.h"
#include "plat/wstr.h"
#include "velm/settings.h"

namespace {

constexpr uint32_t kSectionChars = 260;

bool IsFullPath(const char16_t* p) { return p && p[0] && p[1] == u':'; }

// A sanitised copy of a section name (MemAllocZeroed), or null when the
// name is longer than 260 characters or memory is short. A null name stays
// null (the profile functions then list sections).
char16_t* SanitizedCopy(const char16_t* section, bool* refused) {
  *refused = false;
  if (!section) return nullptr;
  if (plat::WLenN(section, kSectionChars + 1) > kSectionChars) {
    *refused = true;
    return nullptr;
  }
  auto* copy = static_cast<char16_t*>(MemAllocZeroed((kSectionChars + 1) * sizeof(char16_t)));
  if (!copy) {
    *refused = true;
    return nullptr;
  }
  plat::WCopy(copy, kSectionChars + 1, section);
  return IniSanitizeSection(copy);
}

int32_t CopyDefault(const char16_t* def, char16_t* buffer, uint32_t capacity) {
  if (!buffer || capacity == 0) return 0;
  for (uint32_t i = 0; i < capacity; ++i) buffer[i] = 0;
  plat::WCopy(buffer, capacity, def ? def : u"");
  return int32_t(plat::WLen(buffer));
}

}  // namespace

char16_t* IniSanitizeSection(char16_t* section) {
  if (!section) return nullptr;
  for (char16_t* p = section; *p; ++p)
    if (*p == u'[' || *p == u']') *p = u',';
  return section;
}

int32_t IniGetInt(const char16_t* section, const char16_t* key, int32_t default_value, const char16_t* file) {
  if (!IsFullPath(file)) return default_value;
  bool refused = false;
  char16_t* copy = SanitizedCopy(section, &refused);
  if (refused) return default_value;
  int32_t v = int32_t(GetPrivateProfileIntW(copy, key, default_value, file));
  MemFree(copy);
  return v;
}

int32_t IniGetString(const char16_t* section, const char16_t* key, const char16_t* default_value, char16_t* buffer,
                     uint32_t capacity, const char16_t* file) {
  if (!buffer || capacity == 0) return 0;
  bool refused = false;
  char16_t* copy = IsFullPath(file) ? SanitizedCopy(section, &refused) : nullptr;
  if (!IsFullPath(file) || refused) return CopyDefault(default_value, buffer, capacity);
  int32_t n = int32_t(GetPrivateProfileStringW(copy, key, default_value, buffer, capacity, file));
  MemFree(copy);
  return n;
}

int32_t IniWriteString(const char16_t* section, const char16_t* key, const char16_t* value, const char16_t* file) {
  if (!IsFullPath(file)) return 0;
  bool refused = false;
  char16_t* copy = SanitizedCopy(section, &refused);
  int32_t ok = 0;
  if (!refused && copy) ok = WritePrivateProfileStringW(copy, key, value, file) ? 1 : 0;
  // The flush answers FALSE by design (our writes are never deferred).
  (void)WritePrivateProfileStringW(nullptr, nullptr, nullptr, file);
  MemFree(copy);
  return ok;
}

int32_t IniWriteStringKeepTime(const char16_t* section, const char16_t* key, const char16_t* value,
                               const char16_t* file) {
  if (!IsFullPath(file)) return 0;
  FILETIME written{};
  bool have_time = false;
  // Opened only to read the time (a missing file is created); the handle is
  // closed before the write.
  HANDLE h = CreateFileW(file, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
  if (h != INVALID_HANDLE_VALUE) {
    have_time = GetFileTime(h, nullptr, nullptr, &written) != FALSE;
    CloseHandle(h);
  }
  int32_t ok = IniWriteString(section, key, value, file);
  if (have_time) {
    h = CreateFileW(file, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
      // The value is stored either way; a time not put back only makes
      // the file look newer than it is.
      (void)SetFileTime(h, nullptr, nullptr, &written);
      CloseHandle(h);
    }
  }
  return ok;
}
