// The scanners with which the keyword handlers take a record's value apart.
// Each works on a NUL-terminated buffer with its cursor in the length field
// and never moves the cursor past the NUL.
#include <cstring>

#include "mdf_internal.h"
#include "plat/kernel.h"
#include "velm/settings.h"

namespace {

inline bool IsDigit(uint8_t c) { return MdfIsClass(c, kMdfDigit); }
inline bool IsSpace(uint8_t c) { return MdfIsClass(c, kMdfBlank | kMdfLineBreak); }
inline bool EndsWord(uint8_t c) { return c == 0 || MdfIsClass(c, kMdfDelimiter); }

int32_t Clamp(int64_t v) {
  if (v > INT32_MAX) return INT32_MAX;
  if (v < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(v);
}

// Index of the word at the cursor and its end, the cursor left on the
// terminator. False at the end of the text.
bool WordBounds(MdfTextBuffer* b, uint32_t* start, uint32_t* end) {
  MdfSkipSpace(b);
  if (mdf::Here(b) == 0) {
    *start = *end = b->length;
    return false;
  }
  if (mdf::Here(b) == '*') ++b->length;
  *start = b->length;
  for (;;) {
    uint8_t c = mdf::Here(b);
    if (EndsWord(c)) break;
    // A double-byte character stays whole even when its second byte is a
    // delimiter.
    if (mdf::IsLeadByte(c) && mdf::At(b, b->length + 1) != 0) {
      b->length += 2;
    } else {
      ++b->length;
    }
  }
  *end = b->length;
  return true;
}

int HexValue(uint8_t c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return c - 'a' + 10;
}

// Decodes the next quoted string in place. Returns the index where the
// decoded bytes start and their count, or false when there is no string.
bool DecodeQuoted(MdfTextBuffer* b, uint32_t* start, uint32_t* count, char* terminator) {
  // Pass over everything up to the opening quote.
  for (;;) {
    uint8_t c = mdf::Here(b);
    if (c == 0) {
      *terminator = 0;
      return false;
    }
    if (c == '"') break;
    b->length += (mdf::IsLeadByte(c) && mdf::At(b, b->length + 1) != 0) ? 2 : 1;
  }
  uint32_t w = b->length;  // decoded bytes overwrite the text from the opening quote on
  uint32_t r = b->length + 1;
  bool hex = false;
  int nibble = -1;
  char* d = b->data;
  for (;;) {
    uint8_t c = static_cast<uint8_t>(d[r]);
    if (c == 0) break;  // the end of the text ends the string
    if (c == '"') {     // closes the string in either mode; a lone nibble is dropped
      ++r;
      break;
    }
    if (c == '\n' || c == '\r') {
      ++r;
      continue;
    }
    if (hex) {
      if (c == '>') {
        hex = false;
        nibble = -1;
        ++r;
      } else if (MdfIsHexDigit(c)) {
        if (nibble < 0) {
          nibble = HexValue(c);
        } else {
          d[w++] = static_cast<char>((nibble << 4) | HexValue(c));
          nibble = -1;
        }
        ++r;
      } else {
        r += (mdf::IsLeadByte(c) && d[r + 1] != 0) ? 2 : 1;
      }
      continue;
    }
    if (c == '%') {
      if (d[r + 1] == 0) {  // nothing left to escape
        ++r;
        break;
      }
      d[w++] = d[r + 1];
      r += 2;
      continue;
    }
    if (c == '<') {
      hex = true;
      nibble = -1;
      ++r;
      continue;
    }
    if (mdf::IsLeadByte(c)) {
      if (d[r + 1] == 0) {  // half a character at the end is dropped
        ++r;
        break;
      }
      d[w++] = d[r];
      d[w++] = d[r + 1];
      r += 2;
      continue;
    }
    d[w++] = static_cast<char>(c);
    ++r;
  }
  *start = b->length;
  *count = w - b->length;
  b->length = r;
  *terminator = d[r];
  return true;
}

}  // namespace

// ---- public scanners ----------------------------------------------------------------

int32_t MdfParseInt(const char* text, uint32_t* taken_out) {
  const auto* p = reinterpret_cast<const uint8_t*>(text);
  bool negative = false;
  if (p[0] == '-' && IsDigit(p[1])) {
    negative = true;
    ++p;
  }
  if (!IsDigit(*p)) {
    if (taken_out) *taken_out = 0;
    return 0;
  }
  int64_t v = 0;
  while (IsDigit(*p)) {
    if (v <= INT64_C(1) << 40) v = v * 10 + (*p - '0');  // saturates far above 32 bits
    ++p;
  }
  if (taken_out) *taken_out = static_cast<uint32_t>(reinterpret_cast<const char*>(p) - text);
  return Clamp(negative ? -v : v);
}

char MdfSkipSpace(MdfTextBuffer* b) {
  while (IsSpace(mdf::Here(b))) ++b->length;
  return static_cast<char>(mdf::Here(b));
}

int32_t MdfScanNumberFound(MdfTextBuffer* b, char* terminator, bool* found_out) {
  MdfSkipSpace(b);
  uint32_t taken = 0;
  int32_t v = 0;
  if (mdf::Here(b) != 0) {
    v = MdfParseInt(b->data + b->length, &taken);
    b->length += taken;
  }
  *terminator = static_cast<char>(mdf::Here(b));
  if (found_out) *found_out = taken != 0;
  return v;
}

int32_t MdfScanNumber(MdfTextBuffer* b, char* terminator) {
  return MdfScanNumberFound(b, terminator, nullptr);
}

char* MdfScanWord(MdfTextBuffer* b, char* terminator) {
  uint32_t start, end;
  if (!WordBounds(b, &start, &end)) {
    *terminator = 0;
    return nullptr;
  }
  *terminator = b->data[end];
  if (b->data[end] != 0) {
    b->data[end] = 0;
    b->length = end + 1;
  }
  return b->data + start;
}

char* MdfScanQuoted(MdfTextBuffer* b, char* terminator) {
  uint32_t length = 0;
  return mdf::ScanQuotedLength(b, terminator, &length);
}

char16_t* MdfScanQuotedWide(MdfTextBuffer* b, char* terminator) {
  uint32_t start, count;
  if (!DecodeQuoted(b, &start, &count, terminator) || count == 0) return nullptr;
  auto* wide = static_cast<char16_t*>(MemAllocZeroed((static_cast<size_t>(count) + 1) * sizeof(char16_t)));
  if (!wide) return nullptr;
  int32_t n = MultiByteToWideChar(CP_ACP, 0, b->data + start, static_cast<INT>(count), wide,
                                  static_cast<INT>(count));
  wide[n > 0 ? n : 0] = 0;
  return wide;
}

char* MdfSkipPast(MdfTextBuffer* b, char c) {
  for (;;) {
    uint8_t h = mdf::Here(b);
    if (h == 0) return nullptr;
    if (h == static_cast<uint8_t>(c)) {
      ++b->length;
      return b->data + b->length;
    }
    b->length += (mdf::IsLeadByte(h) && mdf::At(b, b->length + 1) != 0) ? 2 : 1;
  }
}

uint32_t MdfLookupWord(const MdfWordRow* table, const char* word) {
  const MdfWordRow* row = table;
  for (; row->word; ++row) {
    if (word && row->word[0] == word[0] && std::strcmp(row->word, word) == 0) return row->value;
  }
  return row->value;
}

int32_t MdfParseBool(const char* word) { return word && std::strcmp(word, "True") == 0 ? 1 : 0; }

// ---- helpers of the handlers ------------------------------------------------------------

namespace mdf {

bool TakeWord(MdfTextBuffer* b, std::string* word) {
  uint32_t start, end;
  bool found = WordBounds(b, &start, &end);
  word->assign(b->data + start, end - start);
  return found;
}

uint8_t SkipBlanks(MdfTextBuffer* b) {
  while (MdfIsClass(Here(b), kMdfBlank)) ++b->length;
  return Here(b);
}

int32_t ReadNumbers(MdfTextBuffer* b, int32_t* out, int32_t max) {
  int32_t n = 0;
  while (n < max) {
    char terminator;
    bool found;
    int32_t v = MdfScanNumberFound(b, &terminator, &found);
    if (!found) break;
    out[n++] = v;
    if (terminator == 0 || terminator == '"') break;
  }
  return n;
}

int32_t WordDigits(const char* word) { return WordDigits(std::string_view(word ? word : "")); }

int32_t WordDigits(std::string_view word) {
  int64_t v = 0;
  bool negative = false;
  for (char c : word) {
    if (c == '\0') break;
    if (c == '-') negative = true;
    if (c >= '0' && c <= '9' && v <= INT64_C(1) << 40) v = v * 10 + (c - '0');
  }
  return Clamp(negative ? -v : v);
}

namespace {

// The index of the next c outside quoted strings from i on, or false.
bool FindUnquoted(const MdfTextBuffer* b, uint32_t i, char c, uint32_t* at) {
  bool quote = false;
  for (;;) {
    uint8_t h = At(b, i);
    if (h == 0) return false;
    if (IsLeadByte(h) && At(b, i + 1) != 0) {
      i += 2;
      continue;
    }
    if (quote) {
      if (h == '%' && At(b, i + 1) != 0) {
        i += 2;
        continue;
      }
      if (h == '"') quote = false;
      ++i;
      continue;
    }
    if (h == '"') {
      quote = true;
    } else if (h == static_cast<uint8_t>(c)) {
      *at = i;
      return true;
    }
    ++i;
  }
}

}  // namespace

char* SkipPastUnquoted(MdfTextBuffer* b, char c) {
  uint32_t at = 0;
  if (!FindUnquoted(b, b->length, c, &at)) {
    b->length += static_cast<uint32_t>(std::strlen(b->data + b->length));
    return nullptr;
  }
  b->length = at + 1;
  return b->data + b->length;
}

uint32_t CountBracedEntries(const MdfTextBuffer* b) {
  uint32_t count = 0;
  uint32_t i = b->length;
  for (;;) {
    uint32_t open = 0, close = 0;
    if (!FindUnquoted(b, i, '{', &open) || !FindUnquoted(b, open + 1, '}', &close)) return count;
    ++count;
    i = close + 1;
    while (MdfIsClass(At(b, i), kMdfBlank | kMdfLineBreak)) ++i;
    if (At(b, i) == '}') return count;
  }
}

char* ScanQuotedLength(MdfTextBuffer* b, char* terminator, uint32_t* length, MdfArena* arena) {
  uint32_t start, count;
  *length = 0;
  if (!DecodeQuoted(b, &start, &count, terminator) || count == 0) return nullptr;
  char* copy = nullptr;
  if (arena) {
    copy = arena->CopyText(b->data + start, count);
  } else if ((copy = static_cast<char*>(MemAllocZeroed(static_cast<size_t>(count) + 1)))) {
    std::memcpy(copy, b->data + start, count);
  }
  if (!copy) return nullptr;
  *length = count;
  return copy;
}

}  // namespace mdf
