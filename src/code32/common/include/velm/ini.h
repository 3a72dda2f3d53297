// The driver's access to its ini files through the profile functions. A
// section name has '[' and ']' turned into ',' so that printer names with
// brackets meet one section. Section names over 260 characters, and files
// that are not full paths, are refused: reads give the default, writes 0.
#pragma once

#include <cstdint>

#include "plat/wintypes.h"

char16_t* IniSanitizeSection(char16_t* section);
int32_t IniGetInt(const char16_t* section, const char16_t* key, int32_t default_value, const char16_t* file);
// The length of the text put into buffer.
int32_t IniGetString(const char16_t* section, const char16_t* key, const char16_t* default_value, char16_t* buffer,
                     uint32_t capacity, const char16_t* file);
// A null key deletes the section, a null value the key. The result of the
// write (then flushed).
[[nodiscard]] int32_t IniWriteString(const char16_t* section, const char16_t* key, const char16_t* value, const char16_t* file);
// The same, keeping the file's last-write time (a missing file is created
// first).
[[nodiscard]] int32_t IniWriteStringKeepTime(const char16_t* section, const char16_t* key, const char16_t* value,
                               const char16_t* file);
