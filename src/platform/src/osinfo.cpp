// Version facts, version checks, the profile folder and known folders.
#include "plat/osinfo.h"

#include <cstdio>
#include <cstring>
#include <ctime>

#include "objects.h"
#include "plat/calls.h"
#include "plat/kernel.h"
#include "plat/machineconf.h"
#include "plat/security.h"
#include "plat/wstr.h"

namespace {

struct Facts {
  DWORD major, minor, build, platform;
  WORD suite;
  WORD sp_major;
};

Facts MachineFacts() {
  Facts f{};
  f.major = DWORD(plat::GetMachineSettingInt("os.major", 6));
  f.minor = DWORD(plat::GetMachineSettingInt("os.minor", 1));
  f.build = DWORD(plat::GetMachineSettingInt("os.build", 7601));
  f.platform = DWORD(plat::GetMachineSettingInt("os.platform", 2));
  f.suite = plat::GetMachineSettingInt("os.terminal", 0) == 1 ? VER_SUITE_TERMINAL : 0;
  return f;
}

bool Compare(DWORD machine, DWORD wanted, BYTE condition) {
  switch (condition) {
    case VER_EQUAL: return machine == wanted;
    case VER_GREATER: return machine > wanted;
    case VER_GREATER_EQUAL: return machine >= wanted;
    case VER_LESS: return machine < wanted;
    case VER_LESS_EQUAL: return machine <= wanted;
    default: return false;
  }
}

BYTE ConditionOf(ULONGLONG mask, DWORD type_bit) {
  int index = 0;
  while (index < 8 && !(type_bit & (1u << index))) ++index;
  return BYTE((mask >> (3 * index)) & 7);
}

}  // namespace

extern "C" {

BOOL GetVersionExW(OSVERSIONINFOW* info) {
  plat::NoteCall("GetVersionExW");
  if (!info) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  DWORD size = info->dwOSVersionInfoSize;
  if (size != sizeof(OSVERSIONINFOW) && size != sizeof(OSVERSIONINFOEXW)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  if (plat::ShouldFail("GetVersionExW")) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  Facts f = MachineFacts();
  info->dwMajorVersion = f.major;
  info->dwMinorVersion = f.minor;
  info->dwBuildNumber = f.build;
  info->dwPlatformId = f.platform;
  plat::WCopy(info->szCSDVersion, 128, plat::FromUtf8(plat::GetMachineSetting("os.csd")).c_str());
  if (size == sizeof(OSVERSIONINFOEXW)) {
    auto* ex = reinterpret_cast<OSVERSIONINFOEXW*>(info);
    ex->wServicePackMajor = f.sp_major;
    ex->wServicePackMinor = 0;
    ex->wSuiteMask = f.suite;
    ex->wProductType = 1;
    ex->wReserved = 0;
  }
  return TRUE;
}

BOOL VerifyVersionInfoW(OSVERSIONINFOEXW* info, DWORD type_mask, ULONGLONG condition_mask) {
  char detail[96];
  std::snprintf(detail, sizeof detail, "type=0x%X mask=0x%llX suite=0x%X", type_mask,
                static_cast<unsigned long long>(condition_mask), info ? unsigned(info->wSuiteMask) : 0u);
  plat::NoteCall("VerifyVersionInfoW", detail);
  if (!info || type_mask == 0 || condition_mask == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  Facts f = MachineFacts();
  bool ok = true;
  const struct {
    DWORD bit;
    DWORD machine;
    DWORD wanted;
  } numbers[] = {
      {VER_MAJORVERSION, f.major, info->dwMajorVersion},  {VER_MINORVERSION, f.minor, info->dwMinorVersion},
      {VER_BUILDNUMBER, f.build, info->dwBuildNumber},    {VER_PLATFORMID, f.platform, info->dwPlatformId},
      {VER_SERVICEPACKMAJOR, f.sp_major, info->wServicePackMajor},
  };
  for (const auto& n : numbers)
    if ((type_mask & n.bit) && !Compare(n.machine, n.wanted, ConditionOf(condition_mask, n.bit))) ok = false;
  if (type_mask & VER_SUITENAME) {
    BYTE c = ConditionOf(condition_mask, VER_SUITENAME);
    WORD want = info->wSuiteMask;
    if (c == VER_AND) ok = ok && (f.suite & want) == want;
    else if (c == VER_OR) ok = ok && (f.suite & want) != 0;
    else ok = false;
  }
  if (!ok) SetLastError(ERROR_OLD_WIN_VERSION);
  return ok ? TRUE : FALSE;
}

ULONGLONG VerSetConditionMask(ULONGLONG condition_mask, DWORD type_mask, BYTE condition) {
  for (int index = 0; index < 8; ++index) {
    if (!(type_mask & (1u << index))) continue;
    condition_mask &= ~(ULONGLONG(7) << (3 * index));
    condition_mask |= ULONGLONG(condition & 7) << (3 * index);
  }
  return condition_mask;
}

void GetLocalTime(SYSTEMTIME* out) {
  if (!out) return;
  plat::NoteCall("GetLocalTime");
  std::tm t{};
  if (!plat::ParseMachineClock(plat::GetMachineSetting("clock"), &t)) {
    std::time_t now = std::time(nullptr);
    localtime_r(&now, &t);
  }
  out->wYear = WORD(t.tm_year + 1900);
  out->wMonth = WORD(t.tm_mon + 1);
  out->wDayOfWeek = WORD(t.tm_wday);
  out->wDay = WORD(t.tm_mday);
  out->wHour = WORD(t.tm_hour);
  out->wMinute = WORD(t.tm_min);
  out->wSecond = WORD(t.tm_sec);
  out->wMilliseconds = 0;
}

HRESULT SHGetFolderPathW(HWND, INT folder, HANDLE, DWORD, LPWSTR path) {
  plat::NoteCall("SHGetFolderPathW");
  if (!path) return E_INVALIDARG;
  path[0] = 0;
  if ((folder & 0xFF) != CSIDL_PERSONAL) return E_INVALIDARG;
  std::u16string profile = plat::FromUtf8(plat::GetMachineSetting("user.profile"));
  if (profile.empty()) return E_FAIL;
  std::u16string documents = profile + u"\\Documents";
  if (documents.size() >= MAX_PATH) return E_FAIL;
  plat::WCopy(path, MAX_PATH, documents.c_str());
  return S_OK;
}

}  // extern "C"

BOOL plat::UserProfileDirectory(HANDLE token, LPWSTR dir, DWORD* size) {
  plat::NoteCall("GetUserProfileDirectoryW");
  if (!token || !size) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::u16string profile = FromUtf8(GetMachineSetting("user.profile"));
  if (profile.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return FALSE;
  }
  if (!dir || *size <= profile.size()) {
    *size = DWORD(profile.size() + 1);
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  WCopy(dir, *size, profile.c_str());
  *size = DWORD(profile.size() + 1);
  return TRUE;
}

HRESULT plat::KnownFolderPath(const GUID* id, DWORD, HANDLE, LPWSTR* path) {
  plat::NoteCall("SHGetKnownFolderPath");
  if (!path) return E_INVALIDARG;
  *path = nullptr;
  if (!id || std::memcmp(id, &FOLDERID_LocalAppDataLow, sizeof(GUID)) != 0) return E_INVALIDARG;
  std::u16string folder = FromUtf8(GetMachineSetting("user.localappdatalow"));
  if (folder.empty()) return HRESULT(0x80070002u);  // the folder is not there
  auto* out = static_cast<char16_t*>(TaskMemAlloc((folder.size() + 1) * sizeof(char16_t)));
  if (!out) return HRESULT(0x8007000Eu);
  WCopy(out, folder.size() + 1, folder.c_str());
  *path = out;
  return S_OK;
}

void* plat::TaskMemAlloc(size_t bytes) { return GlobalAlloc(GPTR, bytes); }

void plat::TaskMemFree(void* block) { GlobalFree(block); }
