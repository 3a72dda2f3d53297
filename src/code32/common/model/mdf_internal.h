// Helpers shared by the model reader's own files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "velm/mdf_records.h"

namespace mdf {

// True for a lead byte of the system code page.
bool IsLeadByte(uint8_t c);

inline uint8_t At(const MdfTextBuffer* b, uint32_t i) { return static_cast<uint8_t>(b->data[i]); }
inline uint8_t Here(const MdfTextBuffer* b) { return At(b, b->length); }

// The word at the cursor after blanks and line breaks (a leading '*'
// dropped), up to a blank, line break, delimiter or NUL. Unlike MdfScanWord
// the terminator is neither replaced nor consumed: the cursor stays on it.
// False (and an empty word) at the end of the text.
bool TakeWord(MdfTextBuffer* b, std::string* word);

// Passes over blanks only (not line breaks); returns the byte at the cursor.
uint8_t SkipBlanks(MdfTextBuffer* b);

// Reads up to max numbers of a quoted number list, as the value records
// write them; stops at the end of the text, after a number followed by the
// closing double quote, and at anything that is not a number. Returns how
// many were read.
int32_t ReadNumbers(MdfTextBuffer* b, int32_t* out, int32_t max);

// The number made of every digit of a word; a '-' anywhere makes it
// negative. Accumulated in 64 bits, clamped to 32 bits.
int32_t WordDigits(const char* word);

// Decodes the next quoted string (as MdfScanQuoted) into a new zeroed copy
// and gives its length without the NUL; null for an empty string or none.
char* ScanQuotedLength(MdfTextBuffer* b, char* terminator, uint32_t* length);

// A read-only view of a whole file of the machine.
struct FileView {
  const uint8_t* data = nullptr;
  size_t size = 0;
};
bool OpenFileView(const char16_t* path, FileView* view);
void CloseFileView(FileView* view);

}  // namespace mdf
