#include "exc_handle.h"

#include <cstring>

#include "velm/settings.h"

bool ExcHandleInitRecords(ExcHandle* h) {
  if (!h) return false;
  auto* flags = static_cast<uint8_t*>(MemAllocZeroed(kExcItemCount));
  auto* values = static_cast<int32_t*>(MemAllocZeroed(sizeof(int32_t) * kExcItemCount));
  if (!flags || !values) {
    MemFree(flags);
    MemFree(values);
    return false;
  }
  h->setFlags = flags;
  h->values = values;
  h->itemCount = kExcItemCount;
  return true;
}

void ExcHandleClearRecords(ExcHandle* h) {
  if (!h) return;
  if (h->setFlags) std::memset(h->setFlags, 0, size_t(kExcItemCount));
  if (h->values) std::memset(h->values, 0, sizeof(int32_t) * kExcItemCount);
  MemFree(h->changeText);
  h->changeText = nullptr;
  h->changeLength = 0;
  MemFree(h->baseText);
  h->baseText = nullptr;
  h->baseLength = 0;
}

void ExcHandleFreeRecords(ExcHandle* h) {
  if (!h) return;
  ExcHandleClearRecords(h);
  MemFree(h->setFlags);
  MemFree(h->values);
  h->setFlags = nullptr;
  h->values = nullptr;
  h->itemCount = 0;
}

bool ExcHandleRecorded(const ExcHandle* h, uint32_t item, int32_t* value) {
  if (!h || !h->setFlags || !h->values || item < 1 || item > uint32_t(kExcItemCount)) return false;
  if (!h->setFlags[item - 1]) return false;
  if (value) *value = h->values[item - 1];
  return true;
}
