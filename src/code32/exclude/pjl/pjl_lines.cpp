// PJL SET lines: reading one line, finding a variable's line in a text, and
// the variables of the built-in table by name or setting item.
#include <cstdint>
#include <cstring>

#include "pjl_engine.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool EndsToken(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == 0; }

const char* SkipBlanks(const char* p) {
  while (IsBlank(*p)) ++p;
  return p;
}

// Copies the token at p into out (kExcTokenSize bytes); the end of the token,
// or null when it does not fit. A value that opens with a double quote and
// closes it before the line ends, at the end of a word, runs to the closing
// quote, blanks included (string values are written so); any other token
// ends at the first blank.
const char* ReadToken(const char* p, char* out, bool quoted_allowed) {
  size_t n = 0;
  if (quoted_allowed && *p == '"') {
    const char* q = p + 1;
    while (*q && *q != '"' && *q != '\r' && *q != '\n') ++q;
    if (*q == '"' && EndsToken(q[1])) n = size_t(q + 1 - p);
  }
  if (n == 0) {
    while (!EndsToken(p[n])) ++n;
  }
  if (n >= kExcTokenSize) return nullptr;
  std::memcpy(out, p, n);
  out[n] = 0;
  return p + n;
}

}  // namespace

int32_t ExcParseLine(const char* text, char* name, char* value) {
  if (!text || !name || !value) return -1;
  name[0] = value[0] = 0;
  const char* p = SkipBlanks(text);
  if (*p == 0) return 0;
  if (std::strncmp(p, "@PJL", 4) != 0) return -1;
  p = SkipBlanks(p + 4);
  if (std::strncmp(p, "SET", 3) != 0) return -1;
  p = SkipBlanks(p + 3);
  if (!(p = ReadToken(p, name, false))) return -1;
  p = SkipBlanks(p);
  if (*p != '=') return -1;
  p = SkipBlanks(p + 1);
  if (!(p = ReadToken(p, value, true))) return -1;
  p = SkipBlanks(p);
  if (p[0] != '\r' || p[1] != '\n') return -1;
  p += 2;
  // Blanks are not limited: a line that long is not one to accept.
  if (p - text > INT32_MAX) return -1;
  return int32_t(p - text);
}

bool ExcFindLineValue(const char* text, const char* name, char* value) {
  if (!text || !name || !value) return false;
  char n[kExcTokenSize], v[kExcTokenSize];
  for (const char* p = text;;) {
    int32_t used = ExcParseLine(p, n, v);
    if (used <= 0) return false;
    if (std::strcmp(n, name) == 0) {
      std::memcpy(value, v, std::strlen(v) + 1);
      return true;
    }
    p += used;
  }
}

const PjlVariableRow* ExcFindVariable(const char* name, uint32_t access_mask) {
  if (!name) return nullptr;
  const PjlVariableTable* t = OptGetSelectableTable();
  for (uint32_t i = 0; i < t->count; ++i)
    if ((t->rows[i].access & access_mask) && std::strcmp(t->rows[i].name, name) == 0) return &t->rows[i];
  return nullptr;
}

const PjlVariableRow* ExcFindVariableByItem(uint32_t item, uint32_t access_mask) {
  const PjlVariableTable* t = OptGetSelectableTable();
  for (uint32_t i = 0; i < t->count; ++i)
    if (t->rows[i].settingId == item && (t->rows[i].access & access_mask)) return &t->rows[i];
  return nullptr;
}
