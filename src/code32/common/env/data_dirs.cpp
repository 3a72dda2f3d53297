// The data directories of the driver and the security of the common one.
#include <cstring>

#include "plat/files.h"
#include "plat/kernel.h"
#include "plat/osinfo.h"
#include "plat/security.h"
#include "plat/wstr.h"
#include "velm/context.h"
#include "velm/bidi.h"
#include "velm/remote.h"
#include "velm/files.h"
#include "velm/os.h"
#include "velm/paths.h"
#include "velm/printer_data.h"
#include "velm/settings.h"

namespace {

template <size_t N>
constexpr uint32_t Cap(const char16_t (&)[N]) {
  return uint32_t(N);
}

constexpr const char16_t* kDrvKey = u"SOFTWARE\\ORVEK\\VelmDrv";
constexpr const char16_t* kDataDirName = u"_velm";
constexpr DWORD kAllFileAccess = 0x1F01FF;

// Copies text into buffer; its length, or 0 (buffer empty) when it does not fit.
int32_t Put(char16_t* buffer, uint32_t capacity, const char16_t* text) {
  if (!buffer || capacity == 0) return 0;
  if (!plat::WCopy(buffer, capacity, text)) {
    buffer[0] = 0;
    return 0;
  }
  return int32_t(plat::WLen(buffer));
}

// a + b (+ c ...) into buffer; the length, 0 when it does not fit.
int32_t Concat(char16_t* buffer, uint32_t capacity, std::initializer_list<const char16_t*> parts) {
  if (!buffer || capacity == 0) return 0;
  buffer[0] = 0;
  for (const char16_t* p : parts) {
    if (!plat::WAppend(buffer, capacity, p)) {
      buffer[0] = 0;
      return 0;
    }
  }
  return int32_t(plat::WLen(buffer));
}

int32_t SystemDir(char16_t* buffer, uint32_t capacity) {
  if (!buffer || capacity == 0) return 0;
  UINT n = GetSystemDirectoryW(buffer, capacity);
  if (n == 0 || n >= capacity) {
    buffer[0] = 0;
    return 0;
  }
  return int32_t(n);
}

// A system module by its full path in the system directory.
HMODULE LoadSystemModule(const char16_t* name) {
  char16_t path[MAX_PATH] = {};
  if (!SystemDir(path, Cap(path)) || !plat::WAppend(path, Cap(path), u"\\") || !plat::WAppend(path, Cap(path), name))
    return nullptr;
  return LoadLibraryW(path);
}

// The calling thread's token, or the process token when it has none.
HANDLE OpenToken() {
  HANDLE token = nullptr;
  if (OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &token)) return token;
  if (GetLastError() == ERROR_NO_TOKEN && OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return token;
  return nullptr;
}

// The last part of a path (after its last backslash).
const char16_t* LastPart(const char16_t* path) {
  const char16_t* last = path;
  for (const char16_t* p = path; *p; ++p)
    if (*p == u'\\' && p[1]) last = p + 1;
  return last;
}

}  // namespace

int32_t PathGetSystemDir(char16_t* buffer, uint32_t capacity, DriverContext*) { return SystemDir(buffer, capacity); }

int32_t PathGetCommonDataDir(char16_t* buffer, uint32_t capacity) {
  if (!buffer || capacity == 0) return 0;
  // _VELMDirectory, read with a bound and always terminated; empty counts
  // as absent. Everyone may write it: it is only ever used as a path.
  char16_t configured[261] = {};
  if (RegReadString(kDrvKey, u"_VELMDirectory", configured, Cap(configured)) && configured[0])
    return Put(buffer, capacity, configured);
  char16_t system[MAX_PATH] = {};
  if (SystemDir(system, Cap(system)) < 3) {
    buffer[0] = 0;
    return 0;
  }
  system[3] = 0;  // the drive's root, such as "C:\"
  return Concat(buffer, capacity, {system, kDataDirName});
}

int32_t PathGetCommonDataDirNoCtx(char16_t* buffer, uint32_t capacity) { return PathGetCommonDataDir(buffer, capacity); }

int32_t PathGetDataDir(char16_t* buffer, uint32_t capacity, DriverContext*) { return PathGetDataDirNoCtx(buffer, capacity); }

int32_t PathGetDataDirNoCtx(char16_t* buffer, uint32_t capacity) {
  return OsIsNt5OrLater() ? PathGetCommonDataDir(buffer, capacity) : SystemDir(buffer, capacity);
}

int32_t PathGetUserDataDir(char16_t* buffer, uint32_t capacity, DriverContext* ctx) {
  if (!buffer || capacity == 0) return 0;
  const char16_t* ini = ctx && ctx->work ? ctx->work->driverIni : nullptr;
  if (ini && ini[0] && ini[1] == u':') {
    // The directory of the driver-ini path already built in this context.
    size_t cut = 0;
    for (size_t i = 0; ini[i]; ++i)
      if (ini[i] == u'\\') cut = i;
    if (cut > 0 && cut < capacity) {
      std::memcpy(buffer, ini, cut * sizeof(char16_t));
      buffer[cut] = 0;
      return int32_t(cut);
    }
  }
  return PathGetUserDataDirNoCtx(buffer, capacity);
}

int32_t PathGetUserDataDirNoCtx(char16_t* buffer, uint32_t capacity) {
  if (!buffer || capacity == 0) return 0;
  buffer[0] = 0;
  auto* profile = static_cast<char16_t*>(MemAllocZeroed(260 * sizeof(char16_t)));
  if (!profile) return 0;
  int32_t len = 0;
  if (OsIsNt4()) {
    char16_t system[MAX_PATH] = {};
    PathGetProfileDir(profile, 260);
    if (SystemDir(system, Cap(system)))
      len = Concat(buffer, capacity, {system, u"\\orvek\\", kDataDirName, u"\\", LastPart(profile)});
  } else {
    PathGetProfileDir(profile, 260);
    if (profile[0]) len = Concat(buffer, capacity, {profile, u"\\", kDataDirName});
  }
  MemFree(profile);
  return len;
}

int32_t PathQueryProfileDir(char16_t* buffer, uint32_t capacity, int32_t no_fallback) {
  if (!buffer || capacity == 0) return 0;
  buffer[0] = 0;
  bool ok = false;
  HMODULE userenv = LoadSystemModule(u"UserEnv.dll");
  HANDLE token = userenv ? OpenToken() : nullptr;
  if (token) {
    auto get = reinterpret_cast<GetUserProfileDirectoryWProc>(GetProcAddress(userenv, "GetUserProfileDirectoryW"));
    DWORD size = capacity;
    ok = get && get(token, buffer, &size) && buffer[0];
  }
  if (!ok) {
    buffer[0] = 0;
    if (!no_fallback) ok = PathGetCommonDataDir(buffer, capacity) > 0;
  }
  if (token) CloseHandle(token);
  if (userenv) FreeLibrary(userenv);
  return ok ? 1 : 0;
}

int32_t PathGetProfileDir(char16_t* buffer, uint32_t capacity) { return PathQueryProfileDir(buffer, capacity, 0); }

int32_t PathGetProfileDirNoFallback(char16_t* buffer, uint32_t capacity) {
  return PathQueryProfileDir(buffer, capacity, 1);
}

int32_t PathGetLocalAppDataLow(char16_t* buffer, uint32_t capacity) {
  if (!buffer || capacity == 0) return 0;
  int32_t ok = 0;
  HMODULE shell = LoadSystemModule(u"shell32.dll");
  HMODULE ole = LoadSystemModule(u"ole32.dll");
  auto get = shell ? reinterpret_cast<SHGetKnownFolderPathProc>(GetProcAddress(shell, "SHGetKnownFolderPath")) : nullptr;
  auto free_path = ole ? reinterpret_cast<CoTaskMemFreeProc>(GetProcAddress(ole, "CoTaskMemFree")) : nullptr;
  if (get && free_path) {
    LPWSTR path = nullptr;
    if (get(&FOLDERID_LocalAppDataLow, 0, nullptr, &path) == S_OK && path) {
      if (plat::WLen(path) < capacity) {
        plat::WCopy(buffer, capacity, path);
        ok = 1;
      }
      free_path(path);  // before the modules go
    }
  }
  if (ole) FreeLibrary(ole);
  if (shell) FreeLibrary(shell);
  return ok;
}

// ---- security ---------------------------------------------------------------------------------

SECURITY_DESCRIPTOR* PathMakeEveryoneDacl() {
  auto* sd = static_cast<SECURITY_DESCRIPTOR*>(LocalAlloc(GMEM_ZEROINIT, SECURITY_DESCRIPTOR_MIN_LENGTH));
  if (!sd) return nullptr;
  PSID everyone = nullptr;
  ACL* acl = nullptr;
  bool ok = InitializeSecurityDescriptor(sd, SECURITY_DESCRIPTOR_REVISION) &&
            AllocateAndInitializeSid(&SECURITY_WORLD_SID_AUTHORITY, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0,
                                     &everyone);
  if (ok) {
    DWORD size = DWORD(sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD) + GetLengthSid(everyone));
    acl = static_cast<ACL*>(LocalAlloc(GMEM_ZEROINIT, size));
    ok = acl && InitializeAcl(acl, size, ACL_REVISION) &&
         AddAccessAllowedAceEx(acl, ACL_REVISION, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE, kAllFileAccess,
                               everyone) &&
         SetSecurityDescriptorDacl(sd, TRUE, acl, FALSE);
  }
  if (everyone) FreeSid(everyone);  // the ACE holds its own copy
  if (!ok) {
    if (acl) LocalFree(acl);
    LocalFree(sd);
    return nullptr;
  }
  return sd;
}

void PathFreeEveryoneDacl(SECURITY_DESCRIPTOR* sd) {
  if (!sd) return;
  BOOL present = FALSE, defaulted = FALSE;
  ACL* acl = nullptr;
  if (GetSecurityDescriptorDacl(sd, &present, &acl, &defaulted) && present && acl && !defaulted) LocalFree(acl);
  LocalFree(sd);
}

SECURITY_DESCRIPTOR* PathMakeAdminOwnerSd() {
  auto* sd = static_cast<SECURITY_DESCRIPTOR*>(LocalAlloc(GMEM_ZEROINIT, SECURITY_DESCRIPTOR_MIN_LENGTH));
  if (!sd) return nullptr;
  PSID admins = nullptr;
  bool ok = InitializeSecurityDescriptor(sd, SECURITY_DESCRIPTOR_REVISION) &&
            AllocateAndInitializeSid(&SECURITY_NT_AUTHORITY, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS,
                                     0, 0, 0, 0, 0, 0, &admins) &&
            SetSecurityDescriptorOwner(sd, admins, FALSE);
  if (!ok) {
    if (admins) FreeSid(admins);
    LocalFree(sd);
    return nullptr;
  }
  return sd;
}

void PathFreeAdminOwnerSd(SECURITY_DESCRIPTOR* sd) {
  if (!sd) return;
  PSID owner = nullptr;
  BOOL defaulted = FALSE;
  if (GetSecurityDescriptorOwner(sd, &owner, &defaulted) && owner && !defaulted) FreeSid(owner);
  LocalFree(sd);
}

int32_t PathApplySecurityTree(const char16_t* dir, SECURITY_DESCRIPTOR* sd, uint32_t flags, uint32_t information) {
  if (!dir || !sd) return 0;
  char16_t pattern[MAX_PATH] = {};
  if (!Concat(pattern, Cap(pattern), {dir, u"\\*.*"})) return 0;
  WIN32_FIND_DATAW data;
  HANDLE search = FindFirstFileW(pattern, &data);
  if (search == INVALID_HANDLE_VALUE) return 1;
  do {
    if (plat::WCmp(data.cFileName, u".") == 0 || plat::WCmp(data.cFileName, u"..") == 0) continue;
    char16_t path[MAX_PATH] = {};
    if (!Concat(path, Cap(path), {dir, u"\\", data.cFileName})) continue;  // too long to name: left as it is
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (flags & 0x2) SetFileSecurityW(path, information, sd);
      if (flags & 0x4) PathApplySecurityTree(path, sd, flags, information);
    } else {
      SetFileSecurityW(path, information, sd);
    }
  } while (FindNextFileW(search, &data));
  FindClose(search);
  return 1;
}

int32_t PathSetDataDirOwner(const char16_t* path, uint32_t flags) {
  SECURITY_DESCRIPTOR* sd = PathMakeAdminOwnerSd();
  if (!sd) return 0;
  BOOL set = SetFileSecurityW(path, OWNER_SECURITY_INFORMATION, sd);
  if (!(flags & 0x1)) PathApplySecurityTree(path, sd, flags, OWNER_SECURITY_INFORMATION);
  PathFreeAdminOwnerSd(sd);
  return set ? 1 : 0;
}

int32_t PathSetDataDirDacl(const char16_t* path, uint32_t flags) {
  SECURITY_DESCRIPTOR* sd = PathMakeEveryoneDacl();
  if (!sd) return 0;
  BOOL set = SetFileSecurityW(path, DACL_SECURITY_INFORMATION, sd);
  if (!(flags & 0x1)) PathApplySecurityTree(path, sd, flags, DACL_SECURITY_INFORMATION);
  PathFreeEveryoneDacl(sd);
  return set ? 1 : 0;
}

int32_t PathCreateDataDir() {
  char16_t dir[260] = {};
  if (!PathGetCommonDataDir(dir, Cap(dir))) return 0;
  int32_t created = FileCreateDirectory(dir);
  if (!created) return 0;
  (void)SetFileAttributesW(dir, FILE_ATTRIBUTE_HIDDEN);  // only hides the folder: it serves as well shown
  PathSetDataDirOwner(dir, 0x1);
  PathSetDataDirDacl(dir, 0x1);
  return created;
}

int32_t PathPrepareDataDir(DriverContext*) { return PathCreateDataDir(); }

int32_t PathSecureDataDirTree() {
  char16_t dir[260] = {};
  if (!PathGetCommonDataDir(dir, Cap(dir))) return 0;
  int32_t owner = PathSetDataDirOwner(dir, 0);
  int32_t dacl = PathSetDataDirDacl(dir, 0);
  return owner && dacl ? 1 : 0;
}

int32_t PathSecureDataDir(DriverContext* ctx) {
  return OsIsNt5OrLater() ? PathSecureDataDirTree() : PathSecureClientIni(ctx);
}

int32_t PathSecureClientIni(DriverContext* ctx) { return BidiIniPrepareFile(ctx); }
