// Operating-system facts of the emulated machine, answered from its
// settings (plat/machineconf.h): the version, the terminal-services suite,
// the user's profile folder, the LocalLow known folder (the clock: plat/kernel.h).
#pragma once

#include <cstddef>
#include <string>

#include "plat/wintypes.h"

using ULONGLONG = uint64_t;
using HRESULT = int32_t;

struct OSVERSIONINFOW {
  DWORD dwOSVersionInfoSize;
  DWORD dwMajorVersion;
  DWORD dwMinorVersion;
  DWORD dwBuildNumber;
  DWORD dwPlatformId;
  WCHAR szCSDVersion[128];
};

struct OSVERSIONINFOEXW {
  DWORD dwOSVersionInfoSize;
  DWORD dwMajorVersion;
  DWORD dwMinorVersion;
  DWORD dwBuildNumber;
  DWORD dwPlatformId;
  WCHAR szCSDVersion[128];
  WORD wServicePackMajor;
  WORD wServicePackMinor;
  WORD wSuiteMask;
  BYTE wProductType;
  BYTE wReserved;
};
static_assert(sizeof(OSVERSIONINFOW) == 276);
static_assert(sizeof(OSVERSIONINFOEXW) == 284);
static_assert(offsetof(OSVERSIONINFOEXW, wSuiteMask) == 280);

struct GUID {
  DWORD Data1;
  WORD Data2;
  WORD Data3;
  BYTE Data4[8];
};
static_assert(sizeof(GUID) == 16);
inline constexpr GUID FOLDERID_LocalAppDataLow = {
    0xA520A1A4, 0x1780, 0x4FF6, {0xBD, 0x18, 0x16, 0x73, 0x43, 0xC5, 0xAF, 0x16}};

constexpr DWORD VER_PLATFORM_WIN32_WINDOWS = 1;
constexpr DWORD VER_PLATFORM_WIN32_NT = 2;

constexpr DWORD VER_MINORVERSION = 0x01;
constexpr DWORD VER_MAJORVERSION = 0x02;
constexpr DWORD VER_BUILDNUMBER = 0x04;
constexpr DWORD VER_PLATFORMID = 0x08;
constexpr DWORD VER_SERVICEPACKMINOR = 0x10;
constexpr DWORD VER_SERVICEPACKMAJOR = 0x20;
constexpr DWORD VER_SUITENAME = 0x40;
constexpr DWORD VER_PRODUCT_TYPE = 0x80;

constexpr BYTE VER_EQUAL = 1;
constexpr BYTE VER_GREATER = 2;
constexpr BYTE VER_GREATER_EQUAL = 3;
constexpr BYTE VER_LESS = 4;
constexpr BYTE VER_LESS_EQUAL = 5;
constexpr BYTE VER_AND = 6;
constexpr BYTE VER_OR = 7;

constexpr WORD VER_SUITE_TERMINAL = 0x0010;
constexpr DWORD ERROR_OLD_WIN_VERSION = 1150;

constexpr HRESULT S_OK = 0;
constexpr HRESULT E_FAIL = int32_t(0x80004005u);
constexpr HRESULT E_INVALIDARG = int32_t(0x80070057u);

// The signatures of the functions served by the stand-in system modules,
// as callers look them up with GetProcAddress.
using GetUserProfileDirectoryWProc = BOOL (*)(HANDLE token, LPWSTR dir, DWORD* size);
using SHGetKnownFolderPathProc = HRESULT (*)(const GUID* id, DWORD flags, HANDLE token, LPWSTR* path);
using CoTaskMemFreeProc = void (*)(void* block);

extern "C" {
// Fills a record of 276 or 284 bytes (dwOSVersionInfoSize) from the machine
// settings os.major, os.minor, os.build, os.platform, os.csd and
// os.terminal. Faults: "GetVersionExW".
BOOL GetVersionExW(OSVERSIONINFOW* info);
// Compares the machine against the record for the type bits asked; the
// call is logged as "VerifyVersionInfoW type=0x.. mask=0x.. suite=0x..".
// FALSE with ERROR_OLD_WIN_VERSION when the machine does not match.
BOOL VerifyVersionInfoW(OSVERSIONINFOEXW* info, DWORD type_mask, ULONGLONG condition_mask);
ULONGLONG VerSetConditionMask(ULONGLONG condition_mask, DWORD type_mask, BYTE condition);
// The user's documents folder for CSIDL_PERSONAL: the profile folder
// (user.profile) followed by "\Documents", made when the machine is made.
// Other folders answer E_INVALIDARG; path takes MAX_PATH characters.
HRESULT SHGetFolderPathW(HWND owner, INT folder, HANDLE token, DWORD flags, LPWSTR path);
}
constexpr INT CSIDL_PERSONAL = 5;

namespace plat {
// The bodies of the stand-in modules UserEnv.dll (GetUserProfileDirectoryW,
// from user.profile), shell32.dll (SHGetKnownFolderPath for LocalAppDataLow,
// from user.localappdatalow) and ole32.dll (CoTaskMemFree).
BOOL UserProfileDirectory(HANDLE token, LPWSTR dir, DWORD* size);
HRESULT KnownFolderPath(const GUID* id, DWORD flags, HANDLE token, LPWSTR* path);
void* TaskMemAlloc(size_t bytes);
void TaskMemFree(void* block);
}  // namespace plat
