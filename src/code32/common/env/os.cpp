// Windows version, terminal-services and administrator tests.
#include "velm/os.h"

#include <atomic>
#include <cstring>

#include "plat/kernel.h"
#include "plat/security.h"
#include "plat/wstr.h"
#include "velm/paths.h"

namespace {

constexpr const char16_t* kTseHelper = u"orvtse.dll";
constexpr const char* kTseExport = "_IsTSE_WMICOM_VELM_Printer_Driver";
using TseProc = int32_t (*)();

std::atomic<int32_t> g_terminal_server{0};  // 0 not asked, 1 yes, 2 no

bool Version(OSVERSIONINFOW* v) { return OsGetVersion(v) != FALSE; }

}  // namespace

BOOL OsGetVersion(OSVERSIONINFOW* info) {
  if (!info) return FALSE;
  std::memset(info, 0, sizeof *info);
  info->dwOSVersionInfoSize = sizeof(OSVERSIONINFOW);
  return GetVersionExW(info);
}

int32_t OsIsNt4() {
  OSVERSIONINFOW v;
  return Version(&v) && v.dwMajorVersion < 5 ? 1 : 0;
}

int32_t OsIsNt5OrLater() {
  OSVERSIONINFOW v;
  return Version(&v) && v.dwMajorVersion > 4 ? 1 : 0;
}

int32_t OsIsLaterThanXp() {
  OSVERSIONINFOW v;
  if (!Version(&v) || v.dwMajorVersion <= 4) return 0;
  bool w2k_or_xp = v.dwMajorVersion == 5 && (v.dwMinorVersion == 0 || v.dwMinorVersion == 1);
  return w2k_or_xp ? 0 : 1;
}

int32_t OsIsVistaOrLater() {
  OSVERSIONINFOW v;
  return Version(&v) && v.dwMajorVersion > 5 ? 1 : 0;
}

int32_t OsIsWin9x() {
  OSVERSIONINFOW v;
  return Version(&v) && v.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS ? 1 : 0;
}

int32_t OsIsTerminalServer(HANDLE printer) {
  if (OsIsLaterThanXp() && printer) {
    // The helper beside the driver; a path that does not fit answers 0.
    char16_t path[260] = {};
    if (!PathCopyDriverDir(printer, path, 260) || !plat::WAppend(path, 260, kTseHelper)) return 0;
    HMODULE helper = LoadLibraryW(path);
    if (!helper) return 0;
    auto ask = reinterpret_cast<TseProc>(GetProcAddress(helper, kTseExport));
    int32_t answer = ask && ask() == 1 ? 1 : 0;
    FreeLibrary(helper);
    return answer;
  }
  OSVERSIONINFOEXW v;
  std::memset(&v, 0, sizeof v);
  v.dwOSVersionInfoSize = sizeof v;
  v.wSuiteMask = VER_SUITE_TERMINAL;
  ULONGLONG mask = VerSetConditionMask(0, VER_SUITENAME, VER_AND);
  return VerifyVersionInfoW(&v, VER_SUITENAME, mask) ? 1 : 0;
}

int32_t OsIsTerminalServerCached(HANDLE printer) {
  int32_t known = g_terminal_server.load();
  if (known == 0) {
    known = OsIsTerminalServer(printer) ? 1 : 2;
    int32_t expected = 0;
    if (!g_terminal_server.compare_exchange_strong(expected, known)) known = expected;  // the first answer holds
  }
  return known == 1 ? 1 : 0;
}

void OsResetTerminalServerCache() { g_terminal_server.store(0); }

int32_t OsIsAdministrator() {
  bool impersonating = ImpersonateSelf(SecurityImpersonation) != FALSE;
  HANDLE token = nullptr;
  PSID admins = nullptr;
  SECURITY_DESCRIPTOR* sd = nullptr;
  ACL* acl = nullptr;
  BOOL status = FALSE;

  bool ok = OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &token) ||
            (GetLastError() == ERROR_NO_TOKEN && OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token));
  ok = ok && AllocateAndInitializeSid(&SECURITY_NT_AUTHORITY, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS,
                                      0, 0, 0, 0, 0, 0, &admins);
  if (ok) {
    sd = static_cast<SECURITY_DESCRIPTOR*>(LocalAlloc(GMEM_ZEROINIT, SECURITY_DESCRIPTOR_MIN_LENGTH));
    DWORD acl_size = DWORD(sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD) + GetLengthSid(admins));
    acl = sd ? static_cast<ACL*>(LocalAlloc(GMEM_ZEROINIT, acl_size)) : nullptr;
    ok = acl && InitializeSecurityDescriptor(sd, SECURITY_DESCRIPTOR_REVISION) &&
         InitializeAcl(acl, acl_size, ACL_REVISION) && AddAccessAllowedAce(acl, ACL_REVISION, 3, admins) &&
         SetSecurityDescriptorDacl(sd, TRUE, acl, FALSE) && SetSecurityDescriptorOwner(sd, admins, FALSE) &&
         SetSecurityDescriptorGroup(sd, admins, FALSE) && IsValidSecurityDescriptor(sd);
  }
  if (ok) {
    GENERIC_MAPPING mapping{1, 2, 0, 3};
    PRIVILEGE_SET privileges{};
    DWORD privileges_length = sizeof privileges;
    DWORD granted = 0;
    if (!AccessCheck(sd, token, 1, &mapping, &privileges, &privileges_length, &granted, &status)) status = FALSE;
  }
  // The clean-up runs on every path.
  if (acl) LocalFree(acl);
  if (sd) LocalFree(sd);
  if (admins) FreeSid(admins);
  if (token) CloseHandle(token);
  if (impersonating) RevertToSelf();
  return status ? 1 : 0;
}
