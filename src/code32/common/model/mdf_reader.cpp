// The record reader: splits a model-description file into keyword records,
// byte by byte, over a read-only view of the whole file.
#include <cstring>

#include "mdf_internal.h"
#include "plat/kernel.h"
#include "velm/settings.h"

namespace mdf {

bool IsLeadByte(uint8_t c) { return c >= 0x80 && IsDBCSLeadByte(c); }

}  // namespace mdf

namespace {

constexpr uint32_t kMaxCapacity = 0x7FFFFFFFu;

bool InitBuffer(MdfTextBuffer* b) {
  b->data = static_cast<char*>(MemAllocZeroed(kMdfBufferStep + 1));
  b->capacity = b->data ? kMdfBufferStep : 0;
  b->length = 0;
  return b->data != nullptr;
}

inline bool IsLineBreak(uint8_t c) { return c == '\n' || c == '\r'; }
inline bool IsBlank(uint8_t c) { return c == ' ' || c == '\t'; }

class Reader {
 public:
  explicit Reader(MdfSource* source) : s_(source) {}
  bool AtEnd() const { return s_->remaining == 0; }
  uint8_t Peek() const { return *s_->next; }
  uint8_t Get() {
    --s_->remaining;
    return *s_->next++;
  }
  // Skips up to and including the next line-break byte.
  void SkipLine() {
    while (!AtEnd()) {
      if (IsLineBreak(Get())) return;
    }
  }
  void SkipBlanks() {
    while (!AtEnd() && IsBlank(Peek())) Get();
  }

 private:
  MdfSource* s_;
};

// A run of characters of a class into a buffer; false when memory runs out.
bool ReadRun(Reader& r, MdfTextBuffer* into, uint8_t cls) {
  while (!r.AtEnd() && MdfIsClass(r.Peek(), cls)) {
    if (!MdfBufferAppend(into, static_cast<char>(r.Get()))) return false;
  }
  return true;
}

// Step 6: the value, up to the line break that ends it.
int32_t ReadValue(Reader& r, MdfTextBuffer* value) {
  r.SkipBlanks();
  bool quote = false;
  uint32_t parens = 0;
  uint32_t braces = 0;
  while (!r.AtEnd()) {
    uint8_t c = r.Get();
    if (mdf::IsLeadByte(c)) {
      // A double-byte character is kept whole; a lead byte that is the last
      // byte of the file is no character and ends the value.
      if (r.AtEnd()) break;
      if (!MdfBufferAppend(value, static_cast<char>(c))) return kMdfOutOfMemory;
      if (!MdfBufferAppend(value, static_cast<char>(r.Get()))) return kMdfOutOfMemory;
      continue;
    }
    if (IsLineBreak(c) && !quote && parens == 0 && braces == 0) return kMdfRecordRead;
    switch (c) {
      case '"':
        quote = !quote;
        break;
      case '(':
        if (quote) return kMdfBadRecord;
        ++parens;
        break;
      case ')':
        if (quote || parens == 0) return kMdfBadRecord;
        --parens;
        break;
      case '{':
        if (quote || parens != 0) return kMdfBadRecord;
        ++braces;
        break;
      case '}':
        if (quote || parens != 0 || braces == 0) return kMdfBadRecord;
        --braces;
        break;
      case '%':
        if (quote) {
          // Escapes the next byte; both are kept.
          if (r.AtEnd()) return kMdfBadRecord;
          uint8_t next = r.Get();
          if (IsLineBreak(next)) return kMdfBadRecord;
          if (!MdfBufferAppend(value, '%')) return kMdfOutOfMemory;
          if (!MdfBufferAppend(value, static_cast<char>(next))) return kMdfOutOfMemory;
          continue;
        }
        break;
      default:
        break;
    }
    if (!MdfBufferAppend(value, static_cast<char>(c))) return kMdfOutOfMemory;
  }
  // The end of the file ends the last record, unless it cut off an open
  // string, parenthesis or brace.
  return (quote || parens != 0 || braces != 0) ? kMdfBadRecord : kMdfRecordRead;
}

}  // namespace

MdfRecord* MdfCreateRecord() {
  auto* record = static_cast<MdfRecord*>(MemAllocZeroed(sizeof(MdfRecord)));
  if (!record) return nullptr;
  if (!InitBuffer(&record->keyword) || !InitBuffer(&record->word1) || !InitBuffer(&record->word2) ||
      !InitBuffer(&record->value)) {
    MdfFreeRecord(record);
    return nullptr;
  }
  return record;
}

void MdfFreeRecord(MdfRecord* record) {
  if (!record) return;
  MemFree(record->keyword.data);
  MemFree(record->word1.data);
  MemFree(record->word2.data);
  MemFree(record->value.data);
  MemFree(record);
}

bool MdfBufferAppend(MdfTextBuffer* b, char c) {
  if (b->length >= b->capacity) {
    // Grow by at least one step; doubling keeps very long values linear.
    uint64_t grow = b->capacity < kMdfBufferStep ? kMdfBufferStep : b->capacity;
    uint64_t capacity = static_cast<uint64_t>(b->capacity) + grow;
    if (capacity > kMaxCapacity) return false;
    auto* data = static_cast<char*>(MemAllocZeroed(static_cast<size_t>(capacity) + 1));
    if (!data) return false;
    if (b->data && b->length) std::memcpy(data, b->data, b->length);
    MemFree(b->data);
    b->data = data;
    b->capacity = static_cast<uint32_t>(capacity);
  }
  b->data[b->length++] = c;
  b->data[b->length] = '\0';
  return true;
}

void MdfBufferClear(MdfTextBuffer* b) {
  b->length = 0;
  if (b->data) b->data[0] = '\0';
}

int32_t MdfReadRecord(MdfRecord* record, MdfSource* source) {
  MdfBufferClear(&record->keyword);
  MdfBufferClear(&record->word1);
  MdfBufferClear(&record->word2);
  MdfBufferClear(&record->value);
  Reader r(source);

  // Find the '*' that starts a record; other lines and comments are skipped.
  for (;;) {
    if (r.AtEnd()) return kMdfEndOfFile;
    uint8_t c = r.Get();
    if (IsLineBreak(c)) continue;
    if (c != '*') {
      r.SkipLine();
      continue;
    }
    if (r.AtEnd()) return kMdfEndOfFile;
    if (r.Peek() == '%') {
      r.SkipLine();
      continue;
    }
    break;
  }

  // Keyword.
  if (!ReadRun(r, &record->keyword, kMdfWord)) return kMdfOutOfMemory;
  if (r.AtEnd()) return record->keyword.length ? kMdfRecordRead : kMdfEndOfFile;
  uint8_t ender = r.Get();  // the byte that ended the keyword is consumed
  if (record->keyword.length == 0) return kMdfBadRecord;
  if (IsLineBreak(ender)) return kMdfRecordRead;

  if (ender != ':') {
    // Words up to the colon.
    r.SkipBlanks();
    if (r.AtEnd()) return kMdfBadRecord;
    if (r.Peek() != ':') {
      if (!ReadRun(r, &record->word1, kMdfGraphic)) return kMdfOutOfMemory;
      if (r.AtEnd()) return kMdfBadRecord;
      if (record->word1.length == 0) {
        r.Get();
        return kMdfBadRecord;
      }
      r.SkipBlanks();
      if (r.AtEnd()) return kMdfBadRecord;
      if (r.Peek() != ':') {
        if (!ReadRun(r, &record->word2, kMdfGraphic)) return kMdfOutOfMemory;
        if (r.AtEnd()) return kMdfBadRecord;
        if (record->word2.length == 0) {
          r.Get();
          return kMdfBadRecord;
        }
        r.SkipBlanks();
        if (r.AtEnd()) return kMdfBadRecord;
        if (r.Peek() != ':') {
          r.Get();
          return kMdfBadRecord;
        }
      }
    }
    r.Get();  // the colon
  }
  return ReadValue(r, &record->value);
}
