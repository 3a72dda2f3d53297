// The record reader: splits a model-description file into keyword records,
// byte by byte, over a read-only view of the whole file.
#include <array>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "mdf_internal.h"
#include "plat/kernel.h"
#include "velm/settings.h"

namespace mdf {

bool IsHighLeadByte(uint8_t c) { return IsDBCSLeadByte(c); }

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

#if defined(__SSE2__)
// Sixteen bytes at a time: each helper gives a lane of all ones for a byte
// that matches, and Lanes the lanes as the low sixteen bits of a mask.
inline __m128i Load16(const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
inline __m128i Equal(__m128i v, char c) { return _mm_cmpeq_epi8(v, _mm_set1_epi8(c)); }
// lo <= byte <= hi, unsigned: byte - lo wraps above hi - lo otherwise.
inline __m128i InRange(__m128i v, uint8_t lo, uint8_t hi) {
  const __m128i offset = _mm_sub_epi8(v, _mm_set1_epi8(static_cast<char>(lo)));
  const __m128i span = _mm_set1_epi8(static_cast<char>(hi - lo));
  return _mm_cmpeq_epi8(_mm_max_epu8(offset, span), span);
}
inline uint32_t Lanes(__m128i m) { return static_cast<uint32_t>(_mm_movemask_epi8(m)); }
// The bytes of sixteen that are line breaks.
inline uint32_t LineBreaks16(const uint8_t* p) {
  const __m128i v = Load16(p);
  return Lanes(_mm_or_si128(Equal(v, '\n'), Equal(v, '\r')));
}
// The bytes of sixteen outside a class the record reader takes runs of
// (the word class of keywords, the graphic class of option words; their
// ranges are those of the class table); 0xFFFF for any other class.
inline uint32_t OutsideClass16(const uint8_t* p, uint8_t cls) {
  const __m128i v = Load16(p);
  __m128i in;
  if (cls == kMdfWord) {
    in = _mm_or_si128(InRange(v, '/', '9'), InRange(v, '@', 'z'));
  } else if (cls == kMdfGraphic) {
    in = _mm_andnot_si128(_mm_or_si128(Equal(v, ':'), Equal(v, '/')), InRange(v, '!', '~'));
  } else {
    return 0xFFFFu;
  }
  return ~Lanes(in) & 0xFFFFu;
}
#endif

// The cursor of a source, kept here while a record is read (where the
// compiler can hold it in registers) and handed back when the reader goes.
class Reader {
 public:
  explicit Reader(MdfSource* source) : s_(source), next_(source->next), remaining_(source->remaining) {}
  ~Reader() {
    s_->next = next_;
    s_->remaining = remaining_;
  }
  Reader(const Reader&) = delete;
  Reader& operator=(const Reader&) = delete;

  bool AtEnd() const { return remaining_ == 0; }
  uint8_t Peek() const { return *next_; }
  uint8_t Get() {
    --remaining_;
    return *next_++;
  }
  // The bytes from the cursor on, and passing over n of them.
  const uint8_t* Here() const { return next_; }
  uint32_t Left() const { return remaining_; }
  void Advance(uint32_t n) {
    next_ += n;
    remaining_ -= n;
  }
  // Skips up to and including the next line-break byte.
  void SkipLine() {
    const uint8_t* p = next_;
    const uint8_t* end = p + remaining_;
#if defined(__SSE2__)
    while (end - p >= 16) {
      if (uint32_t breaks = LineBreaks16(p)) {
        p += __builtin_ctz(breaks);
        break;
      }
      p += 16;
    }
#endif
    while (p < end && !IsLineBreak(*p)) ++p;
    Advance(static_cast<uint32_t>((p < end ? p + 1 : p) - next_));
  }
  void SkipBlanks() {
    while (!AtEnd() && IsBlank(Peek())) Get();
  }

 private:
  MdfSource* s_;
  const uint8_t* next_;
  uint32_t remaining_;
};

// Appends bytes that fit in place; MdfBufferAppendBytes grows the buffer.
inline bool Append(MdfTextBuffer* b, const uint8_t* bytes, uint32_t n) {
  if (n > b->capacity - b->length) return MdfBufferAppendBytes(b, reinterpret_cast<const char*>(bytes), n);
  std::memcpy(b->data + b->length, bytes, n);
  b->length += n;
  b->data[b->length] = '\0';
  return true;
}

// A run of characters of a class into a buffer, taken as one span; false
// when memory runs out.
bool ReadRun(Reader& r, MdfTextBuffer* into, uint8_t cls) {
  const uint8_t* p = r.Here();
  uint32_t n = 0;
  const uint32_t left = r.Left();
#if defined(__SSE2__)
  while (left - n >= 16) {
    if (uint32_t outside = OutsideClass16(p + n, cls)) {
      n += static_cast<uint32_t>(__builtin_ctz(outside));
      break;
    }
    n += 16;
  }
#else
  // Eight bytes at a time while all of them are of the class.
  const std::array<uint8_t, 256>& c = MdfCharClass;
  while (left - n >= 8 && (c[p[n]] & c[p[n + 1]] & c[p[n + 2]] & c[p[n + 3]] & c[p[n + 4]] & c[p[n + 5]] &
                           c[p[n + 6]] & c[p[n + 7]] & cls)) {
    n += 8;
  }
#endif
  while (n < left && MdfIsClass(p[n], cls)) ++n;
  if (n == 0) return true;
  if (!Append(into, p, n)) return false;
  r.Advance(n);
  return true;
}

// The bytes a value's scan must look at one by one: line breaks, quotes,
// parentheses, braces, the escape and lead bytes of double-byte characters
// (1 for such a byte).
const std::array<uint8_t, 256>& ValueStops() {
  static const std::array<uint8_t, 256> stops = [] {
    std::array<uint8_t, 256> t{};
    for (int c = 0; c < 256; ++c) {
      uint8_t b = static_cast<uint8_t>(c);
      t[b] = IsLineBreak(b) || b == '"' || b == '(' || b == ')' || b == '{' || b == '}' || b == '%' ||
             mdf::IsLeadByte(b);
    }
    return t;
  }();
  return stops;
}

// Step 6: the value, up to the line break that ends it. The value keeps its
// bytes as they stand (escapes, double-byte characters and the line breaks
// inside quotes, parentheses and braces included), so it is found first and
// copied in one piece: up to the line break that ends it, or up to the byte
// that makes the record bad.
int32_t ReadValue(Reader& r, MdfTextBuffer* value) {
  r.SkipBlanks();
  bool quote = false;
  uint32_t parens = 0;
  uint32_t braces = 0;
  const std::array<uint8_t, 256>& stops = ValueStops();
  const uint8_t* const start = r.Here();
  const uint8_t* const end = start + r.Left();
  const uint8_t* p = start;
  // Copies the bytes before `stop` and moves the cursor past `consumed`.
  auto finish = [&](const uint8_t* stop, const uint8_t* consumed, int32_t result) {
    if (!Append(value, start, static_cast<uint32_t>(stop - start))) {
      return kMdfOutOfMemory;
    }
    r.Advance(static_cast<uint32_t>(consumed - start));
    return result;
  };
  for (;;) {
#if defined(__SSE2__)
    // Sixteen bytes at a time while none of them is a stop: a byte of 0x80
    // or more is looked at in the table, since lead bytes are all up there.
    while (end - p >= 16) {
      const __m128i v = Load16(p);
      const __m128i marks =
          _mm_or_si128(_mm_or_si128(_mm_or_si128(Equal(v, '\n'), Equal(v, '\r')), _mm_or_si128(Equal(v, '"'), Equal(v, '%'))),
                       _mm_or_si128(_mm_or_si128(Equal(v, '('), Equal(v, ')')), _mm_or_si128(Equal(v, '{'), Equal(v, '}'))));
      if (uint32_t stops_here = Lanes(marks) | Lanes(v)) {
        p += __builtin_ctz(stops_here);
        break;
      }
      p += 16;
    }
#else
    // Eight bytes at a time while none of them is a stop, then byte by byte.
    while (end - p >= 8 && !(stops[p[0]] | stops[p[1]] | stops[p[2]] | stops[p[3]] | stops[p[4]] | stops[p[5]] |
                             stops[p[6]] | stops[p[7]])) {
      p += 8;
    }
#endif
    while (p < end && !stops[*p]) ++p;
    if (p == end) break;
    const uint8_t* at = p;
    uint8_t c = *p++;
    if (mdf::IsLeadByte(c)) {
      // A double-byte character is kept whole; a lead byte that is the last
      // byte of the file is no character and ends the value.
      if (p == end) return finish(at, p, (quote || parens != 0 || braces != 0) ? kMdfBadRecord : kMdfRecordRead);
      ++p;
      continue;
    }
    if (IsLineBreak(c) && !quote && parens == 0 && braces == 0) return finish(at, p, kMdfRecordRead);
    switch (c) {
      case '"':
        quote = !quote;
        break;
      case '(':
        if (quote) return finish(at, p, kMdfBadRecord);
        ++parens;
        break;
      case ')':
        if (quote || parens == 0) return finish(at, p, kMdfBadRecord);
        --parens;
        break;
      case '{':
        if (quote || parens != 0) return finish(at, p, kMdfBadRecord);
        ++braces;
        break;
      case '}':
        if (quote || parens != 0 || braces == 0) return finish(at, p, kMdfBadRecord);
        --braces;
        break;
      case '%':
        if (quote) {
          // Escapes the next byte; both are kept.
          if (p == end) return finish(at, p, kMdfBadRecord);
          uint8_t next = *p++;
          if (IsLineBreak(next)) return finish(at, p, kMdfBadRecord);
        }
        break;
      default:
        break;
    }
  }
  // The end of the file ends the last record, unless it cut off an open
  // string, parenthesis or brace.
  return finish(end, end, (quote || parens != 0 || braces != 0) ? kMdfBadRecord : kMdfRecordRead);
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

bool MdfBufferAppendBytes(MdfTextBuffer* b, const char* bytes, uint32_t n) {
  uint64_t need = static_cast<uint64_t>(b->length) + n;
  if (need > b->capacity) {
    // Grow by at least one step; doubling keeps very long values linear.
    uint64_t capacity = b->capacity;
    while (capacity < need) capacity += capacity < kMdfBufferStep ? kMdfBufferStep : capacity;
    if (capacity > kMaxCapacity) return false;
    auto* data = static_cast<char*>(MemAllocZeroed(static_cast<size_t>(capacity) + 1));
    if (!data) return false;
    if (b->data && b->length) std::memcpy(data, b->data, b->length);
    MemFree(b->data);
    b->data = data;
    b->capacity = static_cast<uint32_t>(capacity);
  }
  std::memcpy(b->data + b->length, bytes, n);
  b->length += n;
  b->data[b->length] = '\0';
  return true;
}

bool MdfBufferAppend(MdfTextBuffer* b, char c) { return MdfBufferAppendBytes(b, &c, 1); }

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
