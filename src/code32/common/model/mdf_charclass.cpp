// The character-class table shared by every scanner of the model reader,
// computed from the class rules at compile time.
#include <array>

#include "velm/mdf_reader.h"

namespace {

constexpr bool IsDelimiter(int c) {
  return c == '\t' || c == '\n' || c == '\r' || c == ' ' || c == '"' || (c >= '#' && c <= '*') ||
         c == ',' || c == '.' || c == '/' || c == ':' || (c >= ';' && c <= '?') || c == '{' ||
         c == '|' || c == '}';
}

constexpr bool IsWordChar(int c) {
  return c == '/' || (c >= '0' && c <= '9') || c == '@' || (c >= 'A' && c <= 'Z') ||
         (c >= '[' && c <= '`') || (c >= 'a' && c <= 'z');
}

constexpr std::array<uint8_t, 256> BuildTable() {
  std::array<uint8_t, 256> t{};
  for (int c = 0; c < 256; ++c) {
    uint8_t bits = 0;
    if (c >= '0' && c <= '9') bits |= kMdfDigit;
    if ((c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f')) bits |= kMdfHexLetter;
    if (c == '\n' || c == '\r') bits |= kMdfLineBreak;
    if (c == ' ' || c == '\t') bits |= kMdfBlank;
    if (c == '\t' || c == ' ' || (c >= '!' && c <= '~' && c != ':')) bits |= kMdfPrintable;
    if (c >= '!' && c <= '~' && c != ':' && c != '/') bits |= kMdfGraphic;
    if (IsWordChar(c)) bits |= kMdfWord;
    if (IsDelimiter(c)) bits |= kMdfDelimiter;
    t[static_cast<size_t>(c)] = bits;
  }
  return t;
}

constexpr std::array<uint8_t, 256> kTable = BuildTable();

// A few fixed points of the table.
static_assert(kTable['0'] == (kMdfDigit | kMdfPrintable | kMdfGraphic | kMdfWord));
static_assert(kTable['a'] == (kMdfHexLetter | kMdfPrintable | kMdfGraphic | kMdfWord));
static_assert(kTable['/'] == (kMdfPrintable | kMdfWord | kMdfDelimiter));
static_assert(kTable[':'] == kMdfDelimiter);
static_assert(kTable['\t'] == (kMdfBlank | kMdfPrintable | kMdfDelimiter));
static_assert(kTable[0x7F] == 0 && kTable[0x81] == 0 && kTable[0] == 0);

}  // namespace

const std::array<uint8_t, 256> MdfCharClass = kTable;
