// The fast in-memory ini engine of the settings files: the whole file is
// read once into a zero-terminated image and a section is walked with a
// scan that resumes where the previous key was found; a section to save is
// built in a 32768-byte buffer and spliced into the file in one rewrite.
// Text is 8-bit in the ANSI code page; key lines are "key=value" at the
// start of the line, lines end with CR LF when written.
#pragma once

#include <cstdint>

#include "plat/wintypes.h"

constexpr uint32_t kIniFastSectionBufferSize = 32768;
// The write offset after a put that did not fit: every later put and the
// save of that buffer fail.
constexpr uint32_t kIniFastOverflow = 0xFFFFFFFFu;

// ---- reading --------------------------------------------------------------------------
// The image (MemAllocZeroed, one byte longer than the file), or null when the
// path is not a full path or the file cannot be read whole. A missing file
// is created empty.
[[nodiscard]] char* IniFastLoadFile(const char16_t* path);
[[nodiscard]] char* IniFastReadFile(const char16_t* path);
int32_t IniFastFreeFile(char* image);
// The position after the header line of the section, or null.
char* IniFastFindSection(const char16_t* name, char* image);
// 1 and *pos moved past the name and its ']' when the text there is the
// name (case-insensitive) followed by ']'.
int32_t IniFastMatchSection(const char* name, const char** pos);
// The value of the key, searched from section + *resume and wrapping round
// the section once; *resume then points after the key's line. A missing key
// gives the default and leaves *resume as it was (0 when it stood at the end
// of the section). The answer is the value's length in bytes, or the
// default's length in characters.
uint32_t IniFastGetString(const char16_t* key, const char16_t* default_value, char16_t* buffer, uint32_t capacity,
                          const char* section, uint32_t* resume);
int32_t IniFastMatchKey(const char* key, const char** pos);
// Copies up to CR, LF or the end, at most capacity - 1 bytes (never half a
// double-byte character), and terminates; the bytes copied.
uint32_t IniFastCopyValue(char* buffer, const char* text, uint32_t capacity);
// The value as a decimal number, or the default when missing or empty.
int32_t IniFastGetInt(const char16_t* key, int32_t default_value, const char* section, uint32_t* resume);
const char* IniFastNextLine(const char* pos);
const char* IniFastSkipLine(const char* pos, uint32_t* count);

// ---- writing ------------------------------------------------------------------------
// Appends "[name]" CR LF / "key=value" CR LF at *offset of the section
// buffer (kIniFastSectionBufferSize bytes). An empty name or key writes
// nothing. 0 for a null argument, for text that does not fit (the offset
// becomes kIniFastOverflow) and for a name, key or value holding CR or LF.
int32_t IniFastPutSection(uint32_t* offset, const char16_t* name, char* section_buffer);
int32_t IniFastPutKey(uint32_t* offset, const char16_t* key, const char16_t* value, char* section_buffer);
// The start of the section's header line within text[0, length), and
// through out_length the bytes up to the next section header; null when
// absent.
const char* IniFastFindSectionSpan(const char* name, const char* text, uint32_t length, uint32_t* out_length);
// Rewrites the file as: the new section text, the text before the old
// section, the text after it. The new file is written beside the old one and
// renamed over it, so a failure leaves the old file as it was. 1 on success.
int32_t IniFastReplaceSection(const char16_t* path, const char16_t* name, const char* text, uint32_t length);

// Lines the key searches have looked at since the process started (a
// measure of the scan's cost).
uint64_t IniFastLineVisits();
