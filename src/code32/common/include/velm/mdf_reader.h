// The model-description file reader: the byte-by-byte record reader, the
// scanners with which the keyword handlers take a record's value apart, the
// keyword dispatch, and the whole-file parse into a ModelParseContext.
//
// A model-description file is 8-bit text in the system code page, made of
// records of the form
//     *Keyword [word1 [word2]]: value
// where "*%" starts a comment line and a value continues across lines while a
// double-quoted string, a parenthesis or a brace is open.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "plat/wintypes.h"

struct ModelParseContext;

// ---- character classes ---------------------------------------------------------
// One byte of class bits per character code; bytes 0x80 and up (and so every
// double-byte lead byte), the other control characters and DEL have none.
constexpr uint8_t kMdfDigit = 0x80;      // '0'-'9'
constexpr uint8_t kMdfHexLetter = 0x40;  // 'A'-'F', 'a'-'f'
constexpr uint8_t kMdfLineBreak = 0x20;  // LF, CR
constexpr uint8_t kMdfBlank = 0x10;      // space, TAB
constexpr uint8_t kMdfPrintable = 0x08;  // TAB, space, '!'-'~' except ':'
constexpr uint8_t kMdfGraphic = 0x04;    // '!'-'~' except ':' and '/'
constexpr uint8_t kMdfWord = 0x02;       // '/', digits, '@', letters, '[' '\' ']' '^' '_' '`'
constexpr uint8_t kMdfDelimiter = 0x01;  // blanks, line breaks, '"', '#'-'*', ',', '.', '/', ':', ';'-'?', '{' '|' '}'

extern const std::array<uint8_t, 256> MdfCharClass;

inline bool MdfIsClass(uint8_t c, uint8_t bits) { return (MdfCharClass[c] & bits) != 0; }
// A hexadecimal digit is any character whose class value is 0x40 or more.
inline bool MdfIsHexDigit(uint8_t c) { return MdfCharClass[c] >= kMdfHexLetter; }

// ---- records -------------------------------------------------------------------
// A growable byte buffer, always NUL-terminated (capacity + 1 bytes). For the
// scanners the length field is the cursor: a handler sets it to 0 and each
// scanner moves it past what it consumed; the text ends at its NUL.
struct MdfTextBuffer {
  uint32_t capacity;
  uint32_t length;
  char* data;
};

// The record just read: keyword, first word, second word and value.
struct MdfRecord {
  MdfTextBuffer keyword;
  MdfTextBuffer word1;
  MdfTextBuffer word2;
  MdfTextBuffer value;
};

// The open file: a read-only view of all of it.
struct MdfSource {
  const uint8_t* view;
  const uint8_t* next;
  uint32_t remaining;
};

// Results of the record reader.
constexpr int32_t kMdfRecordRead = 0;
constexpr int32_t kMdfEndOfFile = 1;
constexpr int32_t kMdfBadRecord = 3;
constexpr int32_t kMdfOutOfMemory = 4;

constexpr uint32_t kMdfBufferStep = 1024;

// Four buffers of 1024 bytes; null when memory runs out.
MdfRecord* MdfCreateRecord();
void MdfFreeRecord(MdfRecord* record);
// Appends one byte, growing the buffer when it is full; false when memory
// runs out (the buffer is unchanged then).
bool MdfBufferAppend(MdfTextBuffer* buffer, char c);
// Appends n bytes at once (kept NUL-terminated); false when memory runs out.
bool MdfBufferAppendBytes(MdfTextBuffer* buffer, const char* bytes, uint32_t n);
void MdfBufferClear(MdfTextBuffer* buffer);

// Reads the next record into the four buffers; one of the result codes
// above. A record ends at its line break or at the end of the file; a record
// cut off by the end of the file while a quote, parenthesis or brace is open
// is a bad record.
int32_t MdfReadRecord(MdfRecord* record, MdfSource* source);

// ---- scanners --------------------------------------------------------------------
// All work on a buffer with the cursor in its length field.

// Integer at text: an optional '-' directly followed by decimal digits, up
// to the first non-digit. Accumulated in 64 bits and clamped to 32 bits; "-"
// alone or a non-digit gives 0. taken_out (optional) receives the number of
// bytes taken (0 when there was no number).
int32_t MdfParseInt(const char* text, uint32_t* taken_out = nullptr);
// Passes over blanks and line breaks, reads an integer and leaves the cursor
// on the byte after it, which is reported as the terminator. At the end of
// the text: 0 with terminator 0.
int32_t MdfScanNumber(MdfTextBuffer* buffer, char* terminator);
// As MdfScanNumber; found_out tells whether there were digits. A loop over
// numbers stops when none are found, so it always makes progress.
int32_t MdfScanNumberFound(MdfTextBuffer* buffer, char* terminator, bool* found_out);
// Passes over blanks and line breaks, drops a leading '*', and returns the
// word up to the first blank, line break, delimiter or NUL. That byte is the
// terminator; it is replaced by NUL and the cursor moves past it (never past
// the end). Null at the end of the text.
char* MdfScanWord(MdfTextBuffer* buffer, char* terminator);
// New zeroed copy of the next double-quoted string, decoded: line breaks
// dropped, '%' escapes the next byte, "<...>" holds hexadecimal pairs. Null
// for an empty string or when there is none. The cursor moves past the
// closing quote; the byte after it is the terminator. The caller frees the
// copy with MemFree.
char* MdfScanQuoted(MdfTextBuffer* buffer, char* terminator);
// The same converted through the system code page to a wide string.
char16_t* MdfScanQuotedWide(MdfTextBuffer* buffer, char* terminator);
// Moves the cursor past the next occurrence of c; null (cursor at the end)
// when the text ends first, else the text after it.
char* MdfSkipPast(MdfTextBuffer* buffer, char c);
// Passes over blanks and line breaks; returns the byte at the cursor (0 at
// the end of the text).
char MdfSkipSpace(MdfTextBuffer* buffer);

// A table of words and values, ended by a row with no word whose value is
// the answer for a word that is not listed.
struct MdfWordRow {
  const char* word;
  uint32_t value;
};
uint32_t MdfLookupWord(const MdfWordRow* table, const char* word);
// 1 for "True", 0 for anything else.
int32_t MdfParseBool(const char* word);

// ---- dispatch ----------------------------------------------------------------------
using MdfHandler = int32_t (*)(ModelParseContext* ctx, MdfRecord* record);

struct MdfKeywordRow {
  const char* keyword;
  MdfHandler handler;  // null: the record is recognised but nothing reads it yet
};
constexpr int32_t kMdfKeywordCount = 23;
const MdfKeywordRow* MdfGetKeywordTable();

// Hands one record to its handler: an option or default line of the open
// feature, else the keyword table row (the last matched row first). Returns
// the handler's answer, 0 for a record nobody takes.
int32_t MdfDispatchRecord(ModelParseContext* ctx, MdfRecord* record);

// ---- whole files -------------------------------------------------------------------
// The pDataFile of the printer's driver (DRIVER_INFO_2, current environment)
// as a new zeroed wide string the caller frees with MemFree; null when the
// spooler fails or memory runs out.
char16_t* MdfGetDataFilePath(HANDLE printer);
// Parses the model-description file at a Windows path of the machine. Null
// when the file is missing, unreadable or empty, or memory runs out.
ModelParseContext* MdfParseFile(const char16_t* path);
// The same over bytes in memory (a file's content).
ModelParseContext* MdfParseBuffer(const uint8_t* data, size_t size);
// How many parses this library has started (a parse that stops early counts
// too); the model cache's tests use it to tell a compile from a load.
uint32_t MdfGetParseCount();
// The list steps of the parses run by this thread so far: one per record
// read, and one per link followed while appending to or searching the
// reader's lists. A parse costs in proportion to its file; the tests
// compare the counts of files of different lengths.
uint64_t MdfGetParseSteps();
// Copies the raw value of the first "FileVersion" record, at most 14
// characters and a NUL, into buffer (15 characters). Always 1; the buffer is
// untouched when the file cannot be read or has no such record.
int32_t MdfProbeFileVersion(const char16_t* path, char16_t* buffer);
int32_t MdfProbeFileVersionBuffer(const uint8_t* data, size_t size, char16_t* buffer);

// A new zeroed context with its zeroed header; null when memory runs out.
ModelParseContext* MdfCreateParseContext();
// Frees the context and everything its handlers built.
void MdfFreeParseContext(ModelParseContext* ctx);
