// The engine's scratch text: grown in whole steps, always NUL-terminated.
#include <cstring>

#include "pjl_engine.h"
#include "velm/settings.h"

bool ExcTextInit(ExcTextBuffer* b) {
  if (!b) return false;
  b->text = static_cast<char*>(MemAllocZeroed(kExcTextStep));
  b->capacity = b->text ? kExcTextStep : 0;
  b->length = 0;
  return b->text != nullptr;
}

void ExcTextFree(ExcTextBuffer* b) {
  if (!b) return;
  MemFree(b->text);
  b->text = nullptr;
  b->capacity = 0;
  b->length = 0;
}

bool ExcTextAppend(ExcTextBuffer* b, const char* bytes, size_t n) {
  if (!b || (n && !bytes)) return false;
  // Room for the bytes and the NUL behind them, without wrapping around.
  if (n > SIZE_MAX - b->length - 1) return false;
  size_t need = b->length + n + 1;
  if (!b->text || need > b->capacity) {
    if (need > SIZE_MAX - (kExcTextStep - 1)) return false;
    size_t capacity = (need + kExcTextStep - 1) / kExcTextStep * kExcTextStep;
    auto* grown = static_cast<char*>(MemAllocZeroed(capacity));
    if (!grown) return false;
    if (b->text) std::memcpy(grown, b->text, b->length);
    MemFree(b->text);
    b->text = grown;
    b->capacity = capacity;
  }
  if (n) std::memcpy(b->text + b->length, bytes, n);
  b->length += n;
  b->text[b->length] = 0;
  return true;
}

bool ExcTextAppendString(ExcTextBuffer* b, const char* text) {
  return text ? ExcTextAppend(b, text, std::strlen(text)) : ExcTextAppend(b, "", 0);
}

bool ExcTextAppendNul(ExcTextBuffer* b) {
  static const char kNul[1] = {0};
  return ExcTextAppend(b, kNul, 1);
}

bool ExcTextAppendLine(ExcTextBuffer* b, const char* name, const char* value) {
  size_t mark = b ? b->length : 0;
  bool ok = ExcTextAppendString(b, "@PJL SET ") && ExcTextAppendString(b, name) && ExcTextAppendString(b, " = ") &&
            ExcTextAppendString(b, value) && ExcTextAppendString(b, " \r\n");
  if (!ok && b && b->text) {
    // A line is written whole or not at all.
    b->length = mark;
    b->text[mark] = 0;
  }
  return ok;
}
