// File operations of the driver and the copy-by-mode rules.
#include "velm/files.h"

#include "plat/files.h"
#include "plat/wstr.h"
#include "velm/context.h"
#include "velm/paths.h"

namespace {

template <size_t N>
constexpr uint32_t Cap(const char16_t (&)[N]) {
  return uint32_t(N);
}

bool IsFullPath(const char16_t* p) { return p && p[0] && p[1] == u':'; }
bool NonEmpty(const char16_t* p) { return p && p[0]; }

// dir + name into buffer; false (buffer empty) when it does not fit.
bool Join(char16_t* buffer, uint32_t capacity, const char16_t* dir, const char16_t* sep, const char16_t* name) {
  buffer[0] = 0;
  if (plat::WAppend(buffer, capacity, dir) && plat::WAppend(buffer, capacity, sep) &&
      plat::WAppend(buffer, capacity, name))
    return true;
  buffer[0] = 0;
  return false;
}

// The driver directory + name (with the directory's own backslash); false,
// unlike the install-path helpers, when the directory cannot be had, so that
// no copy ever starts from a bare name.
bool MakeInDriverDir(char16_t* buffer, uint32_t capacity, const char16_t* name, HANDLE printer) {
  char16_t dir[522] = {};
  return PathCopyDriverDir(printer, dir, Cap(dir)) && Join(buffer, capacity, dir, u"", name);
}

// The system directory + "\" + name; false when the directory cannot be had.
bool MakeInSystemDir(char16_t* buffer, uint32_t capacity, const char16_t* name) {
  char16_t dir[MAX_PATH] = {};
  UINT n = GetSystemDirectoryW(dir, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) {
    buffer[0] = 0;
    return false;
  }
  return Join(buffer, capacity, dir, u"\\", name);
}

enum class TimeRule { kDiffer, kSourceLater };

// The rules shared by every copy-by-mode operation.
int32_t CopyByRule(const char16_t* source, const char16_t* target, uint16_t mode, TimeRule rule) {
  if (lstrcmpiW(source, target) == 0) return 1;
  if (mode == 1) {
    if (!FileExists(source)) return 0;
    if (FileExists(target)) return 1;
    return FileCopy(source, target, FALSE);
  }
  if (!FileExists(source)) return 0;
  bool needed = rule == TimeRule::kDiffer ? !FileCompareTimes(source, target, 0)   // times differ or no target
                                          : !FileCompareTimes(source, target, 1);  // source later or no target
  if (!needed) return 0;
  // The old target stays until the new one is in place: the copy writes
  // beside it and renames. A read-only target is made writable for the copy
  // and gets its attributes back when the copy fails.
  DWORD old = GetFileAttributesW(target);
  bool existed = old != INVALID_FILE_ATTRIBUTES;
  if (existed) FileClearReadOnly(target);
  int32_t copied = FileCopy(source, target, FALSE);
  if (!copied && existed && FileExists(target) && (old & FILE_ATTRIBUTE_READONLY)) {
    (void)SetFileAttributesW(target, old);  // best effort: the failed copy is what the caller hears of
  }
  return copied;
}

}  // namespace

int32_t FileExists(const char16_t* path) {
  if (!path) return 0;
  HANDLE h = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return 0;
  CloseHandle(h);
  return 1;
}

int32_t FileDelete(const char16_t* path) {
  if (!path) return 0;
  if (!SetFileAttributesW(path, FILE_ATTRIBUTE_NORMAL)) return 0;
  return DeleteFileW(path) ? 1 : 0;
}

int32_t FileDeleteMatching(const char16_t* pattern) {
  if (!pattern) return 0;
  size_t cut = 0;
  for (size_t i = 0; pattern[i]; ++i)
    if (pattern[i] == u'\\') cut = i + 1;
  if (cut == 0 || cut >= MAX_PATH) return 0;
  char16_t dir[MAX_PATH] = {};
  for (size_t i = 0; i < cut; ++i) dir[i] = pattern[i];
  WIN32_FIND_DATAW data;
  HANDLE search = FindFirstFileW(pattern, &data);
  if (search == INVALID_HANDLE_VALUE) return 0;
  int32_t deleted = 0;
  do {
    if (plat::WCmp(data.cFileName, u".") == 0 || plat::WCmp(data.cFileName, u"..") == 0) continue;
    char16_t path[MAX_PATH] = {};
    if (!Join(path, Cap(path), dir, u"", data.cFileName)) continue;
    if (SetFileAttributesW(path, FILE_ATTRIBUTE_NORMAL) && DeleteFileW(path)) ++deleted;
  } while (FindNextFileW(search, &data));
  FindClose(search);
  return deleted > 0 ? 1 : 0;
}

int32_t FileCopy(const char16_t* source, const char16_t* target, BOOL fail_if_exists) {
  if (!source || !target) return 0;
  if (!CopyFileW(source, target, fail_if_exists)) return 0;
  if (!SetFileAttributesW(target, FILE_ATTRIBUTE_NORMAL)) return 0;
  return SetFileAttributesW(target, FILE_ATTRIBUTE_ARCHIVE) ? 1 : 0;
}

int32_t FileClearReadOnly(const char16_t* path) {
  DWORD a = path ? GetFileAttributesW(path) : INVALID_FILE_ATTRIBUTES;
  if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_READONLY)) {
    DWORD keep = a & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE);
    return SetFileAttributesW(path, keep ? keep : FILE_ATTRIBUTE_NORMAL) ? 1 : 0;
  }
  return 1;
}

int32_t FileCompareTimes(const char16_t* first, const char16_t* second, int32_t mode) {
  if (!first || !second) return 0;
  HANDLE a = CreateFileW(first, 0, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (a == INVALID_HANDLE_VALUE) return 0;
  HANDLE b = CreateFileW(second, 0, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (b == INVALID_HANDLE_VALUE) {
    CloseHandle(a);
    return 0;
  }
  FILETIME ta{}, tb{};
  int32_t result = 0;
  if (GetFileTime(a, nullptr, nullptr, &ta) && GetFileTime(b, nullptr, nullptr, &tb)) {
    LONG c = CompareFileTime(&ta, &tb);
    result = mode == 0 ? (c == 0) : (mode == 1 ? (c <= 0) : 0);
  }
  CloseHandle(a);
  CloseHandle(b);
  return result;
}

int32_t FileCreateDirectory(const char16_t* path) {
  if (!path) return 0;
  if (CreateDirectoryW(path, nullptr)) return 1;
  // An existing directory counts; a file of that name does not.
  DWORD a = GetFileAttributesW(path);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) ? 1 : 0;
}

int32_t FileRead(HANDLE file, void* buffer, uint32_t bytes) {
  if (bytes > 0x7FFFFFFFu) return -1;
  DWORD done = 0;
  if (!ReadFile(file, buffer, bytes, &done, nullptr)) return -1;
  return int32_t(done);
}

int32_t FileWrite(HANDLE file, const void* buffer, uint32_t bytes) {
  if (bytes > 0x7FFFFFFFu) return -1;
  DWORD done = 0;
  if (!WriteFile(file, buffer, bytes, &done, nullptr)) return -1;
  return int32_t(done);
}

int32_t FileCopyByMode(const char16_t* target, const char16_t* source, uint16_t mode) {
  if (!IsFullPath(target) || !IsFullPath(source)) return 0;
  return CopyByRule(source, target, mode, TimeRule::kDiffer);
}

int32_t FileCopyBetweenDirs(const char16_t* name, const char16_t* source_dir, const char16_t* target_dir,
                            uint16_t mode) {
  if (!NonEmpty(name) || !NonEmpty(source_dir) || !NonEmpty(target_dir)) return 0;
  char16_t source[MAX_PATH], target[MAX_PATH];
  if (!Join(source, Cap(source), source_dir, u"", name) || !Join(target, Cap(target), target_dir, u"", name)) return 0;
  return CopyByRule(source, target, mode, TimeRule::kSourceLater);
}

int32_t FileCopyDriverToSystemDir(const char16_t* name, const char16_t* source_name, uint16_t mode,
                                  DriverContext* ctx) {
  if (!NonEmpty(name) || !ctx) return 0;
  char16_t source[MAX_PATH], target[MAX_PATH];
  if (!MakeInDriverDir(source, Cap(source), NonEmpty(source_name) ? source_name : name, ctx->printer)) return 0;
  if (!MakeInSystemDir(target, Cap(target), name)) return 0;
  return CopyByRule(source, target, mode, TimeRule::kSourceLater);
}

int32_t FileInstallFromDriverDir(const char16_t* target, const char16_t* source_name, uint16_t mode,
                                 DriverContext* ctx, int32_t time_mode) {
  if (!NonEmpty(target) || !ctx) return 0;
  if (!IsFullPath(target)) return FileCopyDriverToSystemDir(target, source_name, mode, ctx);
  char16_t source[MAX_PATH];
  const char16_t* name = NonEmpty(source_name) ? source_name : PathGetFileNamePart(target);
  if (!MakeInDriverDir(source, Cap(source), name, ctx->printer)) return 0;
  return CopyByRule(source, target, mode, time_mode == 1 ? TimeRule::kSourceLater : TimeRule::kDiffer);
}

int32_t FileCopyFromDriverDirEx(const char16_t* target, const char16_t* source_name, uint16_t mode,
                                DriverContext* ctx, int32_t time_mode) {
  return FileInstallFromDriverDir(target, source_name, mode, ctx, time_mode);
}

int32_t FileCopyFromDriverDir(const char16_t* target, const char16_t* source_name, uint16_t mode,
                              DriverContext* ctx) {
  return FileInstallFromDriverDir(target, source_name, mode, ctx, 0);
}
