// Helpers shared by the installation sources: ini reads into strings, key
// presence, whole-section copies that never cut a section, and a few path
// tests.
#pragma once

#include <cstdint>
#include <string>

struct DriverContext;

namespace inst {

// Paths and keys are at most 260 characters.
constexpr uint32_t kPathChars = 261;

// The value (cut to max_chars characters), or def when missing.
std::u16string ReadString(const char16_t* section, const char16_t* key, const char16_t* file,
                          uint32_t max_chars = kPathChars - 1, const char16_t* def = u"");
// 1 when the key is present in the section (an empty value counts).
bool KeyPresent(const char16_t* section, const char16_t* key, const char16_t* file);
// A full path "X:..."
bool IsAbsolute(const char16_t* path);
// "name%u" into a key string.
std::u16string NumberedKey(const char16_t* base, uint32_t n);

// The lines of a section (without its header), whole, as they stand in the
// file; found is false when the file or the section is missing. false when
// the file exists but cannot be read.
bool ReadSectionBody(const char16_t* file, const char16_t* section, std::string* body, bool* found);
// Replaces the target section by the source section's lines (the target
// section is removed when the source has none). No size limit: a section is
// copied whole or not at all. 1 on success.
int32_t CopySection(const char16_t* source, const char16_t* source_section, const char16_t* target,
                    const char16_t* target_section);
// Writes the lines as the whole target section (body empty: the section is
// removed).
int32_t WriteSectionBody(const char16_t* target, const char16_t* section, const std::string& body);

// Clears the read-only attribute, then writes (null value deletes the key).
int32_t WriteKeyWritable(const char16_t* section, const char16_t* key, const char16_t* value, const char16_t* file);

}  // namespace inst
