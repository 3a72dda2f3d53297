// Helpers shared by the set-up sequence and the install check.
#pragma once

#include <cstdint>
#include <string>

#include "plat/wintypes.h"

struct DriverContext;

namespace install {

// Characters of a path or a printer name, with the terminator.
constexpr uint32_t kPathChars = 261;

// The driver version of the model record ("3.62").
const char16_t* DriverVersion();

// The printer name of a handle; empty when the spooler cannot answer.
std::u16string PrinterNameOf(HANDLE printer);

// The driver ini: mode 0 the common copy, 1 the user's copy; empty when it
// cannot be built.
std::u16string DriverIni(int32_t mode);

// A value of an ini, read within its size (always terminated).
std::u16string IniText(const char16_t* file, const char16_t* section, const char16_t* key, uint32_t chars = 261);

// Copies the whole section of one ini into a section of another (or the
// same) file, replacing what the target section held. The read starts with
// initial_chars characters and grows while the section does not fit, so a
// long section is never cut. 1 when copied, 0 when the source section is
// empty or missing (nothing written), -1 when it could not be read whole or
// written.
int32_t IniCopySection(const char16_t* from_file, const char16_t* from_section, const char16_t* to_file,
                       const char16_t* to_section, uint32_t initial_chars);

// The final name component of a path that comes from a less trusted place:
// the text after the last '\' or '/'. Empty when that is empty, "." or
// "..", holds ':' or is longer than max_chars.
std::u16string SafeFileName(const std::u16string& path, size_t max_chars = 255);

// The folder part of a path (without its last '\'), empty when it has none.
std::u16string FolderOf(const std::u16string& path);

}  // namespace install
