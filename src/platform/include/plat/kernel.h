// The kernel services of the emulated machine: memory, last error, tick count,
// critical sections, module loading and the ANSI code page.
//
// All three driver libraries and the host share one copy of this layer in a
// process, as they would share kernel32 on Windows.
#pragma once

#include "plat/wintypes.h"

// ---- memory ---------------------------------------------------------------
constexpr UINT GMEM_FIXED = 0x0000;
constexpr UINT GMEM_ZEROINIT = 0x0040;
constexpr UINT GPTR = GMEM_FIXED | GMEM_ZEROINIT;

extern "C" {
HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes);
HGLOBAL GlobalFree(HGLOBAL mem);  // null on success, like Windows
SIZE_T GlobalSize(HGLOBAL mem);
HGLOBAL LocalAlloc(UINT flags, SIZE_T bytes);
HGLOBAL LocalFree(HGLOBAL mem);

// ---- last error (per thread) ------------------------------------------------
DWORD GetLastError();
void SetLastError(DWORD code);

// ---- local time ---------------------------------------------------------------
// The machine's local time: the host clock in the host's time zone, or the
// fixed time of the machine setting clock ("YYYY-MM-DD hh:mm:ss" or 14
// digits; plat/machineconf.h).
struct SYSTEMTIME;
void GetLocalTime(SYSTEMTIME* time);

// ---- tick count ---------------------------------------------------------------
// Milliseconds since the layer started, wrapping at 2^32 like GetTickCount.
DWORD GetTickCount();
void Sleep(DWORD ms);

// ---- critical sections -------------------------------------------------------
struct CRITICAL_SECTION {
  void* impl;  // owned by the layer
};
BOOL InitializeCriticalSectionAndSpinCount(CRITICAL_SECTION* cs, DWORD spin);
void InitializeCriticalSection(CRITICAL_SECTION* cs);
void EnterCriticalSection(CRITICAL_SECTION* cs);
void LeaveCriticalSection(CRITICAL_SECTION* cs);
void DeleteCriticalSection(CRITICAL_SECTION* cs);

// ---- modules -----------------------------------------------------------------
// A module is a shared object of the machine. LoadLibraryW maps the Windows
// path, loads the object once per process and calls its DllMain with
// DLL_PROCESS_ATTACH; FreeLibrary calls it with DLL_PROCESS_DETACH when the
// last reference goes.
HMODULE LoadLibraryW(LPCWSTR path);
// The same for a path in the ANSI code page.
HMODULE LoadLibraryA(LPCSTR path);
FARPROC GetProcAddress(HMODULE module, LPCSTR name);
BOOL FreeLibrary(HMODULE module);
// Module handle of an object already in the process, by its file name, or
// null; with a null name, the host program.
HMODULE GetModuleHandleW(LPCWSTR name);
DWORD GetModuleFileNameW(HMODULE module, LPWSTR buffer, DWORD capacity);

// ---- environment -------------------------------------------------------------
// The environment the Windows calls see is the layer's own: a copy of the
// process environment taken at first use, kept under a lock. Changes stay in
// that copy; the process environment (getenv, setenv) is never touched, so a
// change on one thread cannot race a read of the C library on another.
constexpr DWORD ERROR_ENVVAR_NOT_FOUND = 203;
// Names compare without case. With room, the value's length without the
// terminator; else the size needed with it. 0 and ERROR_ENVVAR_NOT_FOUND when
// the variable is not set.
DWORD GetEnvironmentVariableW(LPCWSTR name, LPWSTR buffer, DWORD size);
// A null value removes the variable. Faults: "SetEnvironmentVariableW".
BOOL SetEnvironmentVariableW(LPCWSTR name, LPCWSTR value);

// ---- code pages ----------------------------------------------------------------
constexpr UINT CP_ACP = 0;
constexpr UINT CP_UTF8 = 65001;
UINT GetACP();
BOOL IsDBCSLeadByte(BYTE b);
// Windows-style conversions. Only the system code page (932) and UTF-8 are
// served. src_len -1 means "up to and including the terminator".
INT MultiByteToWideChar(UINT cp, DWORD flags, LPCSTR src, INT src_len, LPWSTR dst, INT dst_chars);
INT WideCharToMultiByte(UINT cp, DWORD flags, LPCWSTR src, INT src_len, LPSTR dst, INT dst_bytes,
                        LPCSTR default_char, BOOL* used_default);
// The user's locale: only LOCALE_ICOUNTRY is served (the telephone country
// code as decimal text, plat::SetLocaleCountry). Characters written with the
// terminator, or needed when chars is 0; 0 for other types.
using LCID = DWORD;
using LCTYPE = DWORD;
constexpr LCID LOCALE_USER_DEFAULT = 0x400;
constexpr LCTYPE LOCALE_ICOUNTRY = 0x5;
INT GetLocaleInfoW(LCID locale, LCTYPE type, LPWSTR data, INT chars);
// The language of the user's locale (primary language in the low 10 bits,
// sub-language above; default 0x0411, plat::SetUserLanguage).
WORD GetUserDefaultLangID();
}

// ---- layer controls (not part of the Windows surface) -----------------------
namespace plat {

// Fixes GetTickCount to a value (tests); Release returns to the real clock.
void SetTickOverride(DWORD value);
void ReleaseTickOverride();

// Fault injection: the nth next call (1 = the very next) of the named service
// fails as if the system refused it. Names: "GlobalAlloc",
// "InitializeCriticalSectionAndSpinCount", and what later services add.
void FailNth(const char* service, int nth);
void ClearFaults();
// True when this call of the service is to fail (consumes one count).
bool ShouldFail(const char* service);
// True while a failure set with FailNth has not happened yet.
bool FaultPending(const char* service);

// The country of the user's locale (default 81).
void SetLocaleCountry(int country);
// The language id of the user's locale (default 0x0411).
void SetUserLanguage(unsigned short language);

// Live GlobalAlloc blocks (for leak checks in tests).
long LiveGlobalBlocks();

// Code page 932 conversions with byte limits, the base of the Windows calls
// above. Neither ever fails: a byte without a mapping becomes U+30FB and a
// character without one becomes '?'. A lead byte is never split from its
// trail byte; a lead byte as the last input byte converts to U+30FB.
//   AnsiToWide: converts src[0..src_bytes) into at most dst_chars units;
//     returns the units written.
//   WideToAnsi: converts src[0..src_chars) into at most dst_bytes bytes;
//     a double-byte character that does not fit whole is left out; returns
//     the bytes written.
size_t AnsiToWide(const char* src, size_t src_bytes, char16_t* dst, size_t dst_chars);
size_t WideToAnsi(const char16_t* src, size_t src_chars, char* dst, size_t dst_bytes);
// Bytes the text would need in code page 932, terminator excluded.
size_t WideToAnsiLength(const char16_t* src, size_t src_chars);

}  // namespace plat
