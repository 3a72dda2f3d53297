// The fast in-memory ini engine of the settings files.
#include "velm/ini_fast.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>

#include "plat/files.h"
#include "plat/kernel.h"
#include "plat/wstr.h"
#include "velm/settings.h"

namespace {

constexpr uint32_t kNameBytes = 522;
std::atomic<uint64_t> g_line_visits{0};

bool IsFullPath(const char16_t* p) { return p && p[0] && p[1] == u':'; }
bool IsLead(uint8_t b) { return IsDBCSLeadByte(b) != FALSE; }
char Fold(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }

// Converts wide text into 8-bit text of at most capacity - 1 bytes; false
// when it does not fit whole.
bool ToAnsi(const char16_t* text, char* out, uint32_t capacity) {
  size_t n = plat::WLen(text);
  if (plat::WideToAnsiLength(text, n) >= capacity) return false;
  out[plat::WideToAnsi(text, n, out, capacity - 1)] = 0;
  return true;
}

// Compares name with the text at *pos, single-byte letters ignoring case,
// double-byte characters exactly; on a match followed by end, moves *pos
// past both and answers true.
bool MatchThenChar(const char* name, const char** pos, char end) {
  const char* p = *pos;
  const char* n = name;
  while (*n) {
    if (IsLead(uint8_t(*n))) {
      if (p[0] != n[0] || !n[1] || p[1] != n[1]) return false;
      p += 2;
      n += 2;
      continue;
    }
    if (Fold(*p) != Fold(*n)) return false;
    ++p;
    ++n;
  }
  if (*p != end) return false;
  *pos = p + 1;
  return true;
}

bool HasLineBreak(const char16_t* s) {
  for (; s && *s; ++s)
    if (*s == u'\r' || *s == u'\n') return true;
  return false;
}

// Appends bytes at *offset of the section buffer, refusing what does not
// fit (one byte is kept for a terminating zero).
int32_t PutBytes(uint32_t* offset, char* buffer, const char* bytes, size_t n) {
  if (*offset >= kIniFastSectionBufferSize || n > kIniFastSectionBufferSize - 1 - *offset) {
    *offset = kIniFastOverflow;
    return 0;
  }
  std::memcpy(buffer + *offset, bytes, n);
  *offset += uint32_t(n);
  return 1;
}

std::string Ansi(const char16_t* text) {
  size_t n = plat::WLen(text);
  std::string out(plat::WideToAnsiLength(text, n), '\0');
  out.resize(plat::WideToAnsi(text, n, out.data(), out.size()));
  return out;
}

// Reads the whole file (creating it empty when missing) into a block one
// byte longer than the file; null when it cannot be read whole.
char* ReadWhole(const char16_t* path, uint32_t* length) {
  HANDLE h = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return nullptr;
  DWORD high = 0;
  DWORD size = GetFileSize(h, &high);
  char* image = nullptr;
  if (size != INVALID_FILE_SIZE && high == 0 && size < 0x7FFFFFFF) {
    image = static_cast<char*>(MemAllocZeroed(size_t(size) + 1));
    DWORD got = 0;
    if (image && (!ReadFile(h, image, size, &got, nullptr) || got != size)) {
      MemFree(image);
      image = nullptr;
    }
    if (image && length) *length = size;
  }
  CloseHandle(h);
  return image;
}

}  // namespace

// ---- reading ------------------------------------------------------------------------------

char* IniFastLoadFile(const char16_t* path) {
  if (!IsFullPath(path)) return nullptr;
  return IniFastReadFile(path);
}

char* IniFastReadFile(const char16_t* path) {
  if (!IsFullPath(path)) return nullptr;
  return ReadWhole(path, nullptr);
}

int32_t IniFastFreeFile(char* image) {
  MemFree(image);
  return 1;
}

const char* IniFastNextLine(const char* pos) {
  if (!pos) return nullptr;
  const char* lf = std::strchr(pos, '\n');
  return lf ? lf + 1 : pos + std::strlen(pos);
}

const char* IniFastSkipLine(const char* pos, uint32_t* count) {
  const char* next = IniFastNextLine(pos);
  if (count) *count = uint32_t(next - pos);
  return next;
}

int32_t IniFastMatchSection(const char* name, const char** pos) {
  if (!name || !pos || !*pos) return 0;
  return MatchThenChar(name, pos, ']') ? 1 : 0;
}

int32_t IniFastMatchKey(const char* key, const char** pos) {
  if (!key || !pos || !*pos || !*key) return 0;
  return MatchThenChar(key, pos, '=') ? 1 : 0;
}

char* IniFastFindSection(const char16_t* name, char* image) {
  if (!name || !image) return nullptr;
  char wanted[kNameBytes];
  if (!ToAnsi(name, wanted, kNameBytes)) return nullptr;
  for (const char* line = image; *line; line = IniFastNextLine(line)) {
    if (*line != '[') continue;
    const char* p = line + 1;
    if (IniFastMatchSection(wanted, &p)) return const_cast<char*>(IniFastNextLine(p));
  }
  return nullptr;
}

uint32_t IniFastCopyValue(char* buffer, const char* text, uint32_t capacity) {
  if (!buffer || capacity == 0) return 0;
  uint32_t n = 0;
  while (text && text[n] && text[n] != '\r' && text[n] != '\n') {
    uint32_t step = IsLead(uint8_t(text[n])) && text[n + 1] && text[n + 1] != '\r' && text[n + 1] != '\n' ? 2 : 1;
    if (n + step > capacity - 1) break;  // never half a double-byte character
    n += step;
  }
  if (n) std::memcpy(buffer, text, n);
  buffer[n] = 0;
  return n;
}

uint32_t IniFastGetString(const char16_t* key, const char16_t* default_value, char16_t* buffer, uint32_t capacity,
                          const char* section, uint32_t* resume) {
  auto use_default = [&]() -> uint32_t {
    if (!buffer || capacity == 0) return 0;
    std::memset(buffer, 0, capacity * sizeof(char16_t));
    plat::WCopy(buffer, capacity, default_value ? default_value : u"");
    return uint32_t(plat::WLen(default_value));
  };
  uint32_t dummy = 0;
  if (!resume) resume = &dummy;
  if (!section) {
    *resume = 0;
    return use_default();
  }
  char wanted[kNameBytes];
  if (!key || !ToAnsi(key, wanted, kNameBytes) || !wanted[0]) return use_default();
  // A resume offset must point at a line start inside the image; a stale one
  // starts the scan afresh.
  if (*resume && (std::memchr(section, 0, *resume) != nullptr || section[*resume - 1] != '\n')) *resume = 0;

  const char* start = section + *resume;
  const char* p = start;
  bool wrapped = false;
  for (;;) {
    g_line_visits.fetch_add(1, std::memory_order_relaxed);
    if (*p == 0 || *p == '[') {  // the end of the section
      if (wrapped) {
        *resume = 0;
        return use_default();
      }
      wrapped = true;
      p = section;
      continue;
    }
    if (wrapped && p == start) return use_default();  // a full round: missing
    const char* value = p;
    if (IniFastMatchKey(wanted, &value)) {
      uint32_t n = 0;
      if (buffer && capacity) {
        auto* bytes = static_cast<char*>(MemAllocZeroed(capacity));
        if (!bytes) return use_default();
        n = IniFastCopyValue(bytes, value, capacity);
        std::memset(buffer, 0, capacity * sizeof(char16_t));
        plat::AnsiToWide(bytes, n, buffer, capacity - 1);
        MemFree(bytes);
      }
      *resume = uint32_t(IniFastNextLine(value) - section);
      return n;
    }
    p = IniFastNextLine(p);
  }
}

int32_t IniFastGetInt(const char16_t* key, int32_t default_value, const char* section, uint32_t* resume) {
  char16_t text[12];  // room for "-2147483648"
  IniFastGetString(key, u"", text, 12, section, resume);
  if (!text[0]) return default_value;
  const char16_t* p = text;
  bool negative = *p == u'-';
  if (*p == u'-' || *p == u'+') ++p;
  int64_t v = 0;
  for (; *p >= u'0' && *p <= u'9'; ++p) v = v * 10 + (*p - u'0');
  return int32_t(uint32_t(negative ? -v : v));
}

// ---- writing --------------------------------------------------------------------------------

int32_t IniFastPutSection(uint32_t* offset, const char16_t* name, char* section_buffer) {
  if (!offset || !name || !section_buffer) return 0;
  if (HasLineBreak(name)) {
    *offset = kIniFastOverflow;
    return 0;
  }
  if (!*name) return 1;
  std::string line = "[" + Ansi(name) + "]\r\n";
  return PutBytes(offset, section_buffer, line.data(), line.size());
}

int32_t IniFastPutKey(uint32_t* offset, const char16_t* key, const char16_t* value, char* section_buffer) {
  if (!offset || !key || !value || !section_buffer) return 0;
  if (HasLineBreak(key) || HasLineBreak(value)) {
    *offset = kIniFastOverflow;
    return 0;
  }
  if (!*key) return 1;
  std::string line = Ansi(key) + "=" + Ansi(value) + "\r\n";
  return PutBytes(offset, section_buffer, line.data(), line.size());
}

const char* IniFastFindSectionSpan(const char* name, const char* text, uint32_t length, uint32_t* out_length) {
  if (!name || !text) return nullptr;
  const char* end = text + length;
  size_t name_len = std::strlen(name);
  auto next_line = [&](const char* p) {
    const char* lf = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p)));
    return lf ? lf + 1 : end;
  };
  for (const char* line = text; line < end; line = next_line(line)) {
    if (*line != '[' || size_t(end - line) < name_len + 2) continue;
    // Match within the bounds: copy the candidate so the comparison never
    // reads past the text.
    char candidate[kNameBytes + 2] = {};
    size_t avail = size_t(end - line - 1);
    size_t take = avail < sizeof candidate - 1 ? avail : sizeof candidate - 1;
    std::memcpy(candidate, line + 1, take);
    const char* p = candidate;
    if (name_len + 1 > take || !IniFastMatchSection(name, &p)) continue;
    const char* span_end = next_line(line);
    while (span_end < end && *span_end != '[') span_end = next_line(span_end);
    if (out_length) *out_length = uint32_t(span_end - line);
    return line;
  }
  return nullptr;
}

int32_t IniFastReplaceSection(const char16_t* path, const char16_t* name, const char* text, uint32_t length) {
  if (!IsFullPath(path) || !name || (!text && length) || length == kIniFastOverflow) return 0;
  char wanted[kNameBytes];
  if (!ToAnsi(name, wanted, kNameBytes)) return 0;
  // The file's machine lock, which every writer of the file takes (the
  // profile functions too), is held from the read to the rename: no write
  // of another thread or process can fall between them and be lost.
  plat::FileLock lock(path);
  uint32_t old_length = 0;
  char* old = ReadWhole(path, &old_length);
  if (!old) return 0;  // not read whole: the file stays as it was
  uint32_t span_length = 0;
  const char* span = IniFastFindSectionSpan(wanted, old, old_length, &span_length);
  const char* before_end = span ? span : old + old_length;
  const char* after = span ? span + span_length : old + old_length;
  std::string content;
  content.reserve(size_t(length) + old_length);
  content.append(text ? text : "", length);
  content.append(old, size_t(before_end - old));
  content.append(after, size_t(old + old_length - after));
  MemFree(old);
  // Written beside the old file, flushed and renamed over it.
  return plat::ReplaceFileContent(path, content.data(), content.size(), nullptr) ? 1 : 0;
}

uint64_t IniFastLineVisits() { return g_line_visits.load(std::memory_order_relaxed); }
