// UTF-16 string helpers of the kind the C runtime offers for wchar_t on
// Windows (wcslen, wcsncpy ...), for char16_t text.
#pragma once

#include <string>
#include <string_view>

#include "plat/wintypes.h"

namespace plat {

size_t WLen(const char16_t* s);
// Length bounded by max (like wcsnlen).
size_t WLenN(const char16_t* s, size_t max);
int WCmp(const char16_t* a, const char16_t* b);
// Case-insensitive comparison for ASCII letters and the Latin-1 range, which
// is what Windows file, section and printer names need here.
int WCmpI(const char16_t* a, const char16_t* b);
int WCmpNI(const char16_t* a, const char16_t* b, size_t n);
char16_t WToLower(char16_t c);
char16_t WToUpper(char16_t c);

// Copies src into dst of cap units, always terminating; returns false when
// the text had to be cut. cap 0 writes nothing.
bool WCopy(char16_t* dst, size_t cap, const char16_t* src);
// Appends src to the terminated text in dst; false when cut.
bool WAppend(char16_t* dst, size_t cap, const char16_t* src);

// Conversions for host-side use (paths, the command-line host, tests).
std::u16string FromUtf8(std::string_view s);
std::string ToUtf8(std::u16string_view s);
inline std::string ToUtf8(const char16_t* s) { return s ? ToUtf8(std::u16string_view(s)) : std::string(); }

// printf-style formatting into a UTF-16 buffer of cap units, always
// terminated; %s takes a char16_t string, %hs a char string, %d/%u/%x/%ld as
// usual. Returns the units written (without the terminator).
int WFormat(char16_t* dst, size_t cap, const char16_t* fmt, ...);

}  // namespace plat
