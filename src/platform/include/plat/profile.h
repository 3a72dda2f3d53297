// Profile (ini) files of the emulated machine, with the Windows semantics of
// the kernel32 functions:
// - files are text in the ANSI code page (932), lines split at LF with a CR
//   before it dropped; written lines are exactly "[section]" and "key=value"
//   followed by CR LF, and lines the call does not change are kept byte for
//   byte;
// - section and key names compare ignoring case; blanks around names and
//   values are trimmed, and one pair of matching quotes around a value is
//   removed when read;
// - a name that is not a full path ("X:...") is taken in the Windows
//   directory, a null one means win.ini there.
// Each write takes a machine-wide lock of the file, rewrites it into a
// temporary file and renames that over the old one, so a reader in any
// process sees the old or the new file, never half of one. Parsed files are
// cached by identity, size and modification time.
#pragma once

#include <cstddef>

#include "plat/wintypes.h"

extern "C" {

// With a null section, the section names; with a null key, the keys of the
// section: each name terminated, the list ended by a second terminator (cut
// to fit, answering size - 2). Otherwise the value, or the default (trailing
// blanks trimmed) when the section or key is missing; the text is cut to
// size - 1 characters and its length returned.
DWORD GetPrivateProfileStringW(LPCWSTR section, LPCWSTR key, LPCWSTR default_value, LPWSTR buffer, DWORD size,
                               LPCWSTR file);
// The value as a number: an optional sign, then decimal digits, or hex
// digits after "0x"; reading stops at the first other character, so text
// that is not a number gives 0, and a negative number gives its 32-bit two's
// complement. A missing or empty value gives the default.
UINT GetPrivateProfileIntW(LPCWSTR section, LPCWSTR key, INT default_value, LPCWSTR file);
// Creates the file and the section when missing; a null key deletes the
// section, a null value deletes the key. All three null: flush, which
// answers FALSE as Windows does. A section, key or value holding CR or LF is
// refused (ERROR_INVALID_PARAMETER), as it would break the file's lines.
// Fails with ERROR_ACCESS_DENIED on a read-only file.
// Faults: "WritePrivateProfileStringW" (ERROR_ACCESS_DENIED) and "WriteFile"
// (ERROR_DISK_FULL); the file is then unchanged.
[[nodiscard]] BOOL WritePrivateProfileStringW(LPCWSTR section, LPCWSTR key, LPCWSTR value, LPCWSTR file);
// The section's lines "key=value" (a line without '=' as its key alone),
// each terminated, the list ended by a second terminator; cut to fit,
// answering size - 2, as Windows does. A missing section gives an empty list.
DWORD GetPrivateProfileSectionW(LPCWSTR section, LPWSTR buffer, DWORD size, LPCWSTR file);
// Replaces the section's keys by the "key=value" strings of pairs (each
// terminated, the list ended by a second terminator), in one rewrite of
// the file; the section is written anew at the end of the file. A string
// holding CR or LF is refused (ERROR_INVALID_PARAMETER) and nothing is
// written. Faults: "WritePrivateProfileSectionW" (ERROR_ACCESS_DENIED).
[[nodiscard]] BOOL WritePrivateProfileSectionW(LPCWSTR section, LPCWSTR pairs, LPCWSTR file);

}  // extern "C"

namespace plat {
// The parsed files kept for reading are bounded by an estimate of their
// bytes (8 MiB unless set), the least recently read going first: what the
// cache holds now, and a new bound (the old one answered).
size_t ProfileCacheBytes();
size_t SetProfileCacheLimit(size_t bytes);
}  // namespace plat
