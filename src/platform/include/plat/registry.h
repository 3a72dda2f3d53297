// The registry of the emulated machine (advapi32): HKEY_LOCAL_MACHINE kept
// in <machine root>/registry/HKLM.reg and shared by every process; key and
// value names compare ignoring case. Other root keys are not served.
#pragma once

#include "plat/wintypes.h"

using HKEY = struct HKEY__*;
inline HKEY const HKEY_LOCAL_MACHINE = reinterpret_cast<HKEY>(uintptr_t(0x80000002u));

constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_EXPAND_SZ = 2;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;
constexpr DWORD REG_MULTI_SZ = 7;

extern "C" {
// ERROR_FILE_NOT_FOUND when the key does not exist.
LONG RegOpenKeyW(HKEY parent, LPCWSTR subkey, HKEY* result);
// Creates the key and its missing parents. Faults: "RegCreateKeyW".
LONG RegCreateKeyW(HKEY parent, LPCWSTR subkey, HKEY* result);
LONG RegCloseKey(HKEY key);
// With data null, answers the size. A buffer smaller than the value gives
// ERROR_MORE_DATA with the size needed; a missing value
// ERROR_FILE_NOT_FOUND. Faults: "RegQueryValueExW" (ERROR_ACCESS_DENIED).
LONG RegQueryValueExW(HKEY key, LPCWSTR name, DWORD* reserved, DWORD* type, BYTE* data, DWORD* size);
// Faults: "RegSetValueExW" (ERROR_ACCESS_DENIED).
LONG RegSetValueExW(HKEY key, LPCWSTR name, DWORD reserved, DWORD type, const BYTE* data, DWORD size);
LONG RegDeleteValueW(HKEY key, LPCWSTR name);
}
