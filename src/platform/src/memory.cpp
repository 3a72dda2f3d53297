// GlobalAlloc family on the C heap. Every block carries a small header with
// its size so that GlobalSize answers and tests can count live blocks.
#include <atomic>
#include <cstdlib>
#include <cstring>

#include "plat/kernel.h"

namespace {

struct alignas(16) BlockHeader {
  size_t size;
  uint32_t magic;
};
constexpr uint32_t kMagic = 0x474C4F42;  // "GLOB"
std::atomic<long> g_live{0};

HGLOBAL Allocate(UINT flags, SIZE_T bytes, const char* service) {
  if (plat::ShouldFail(service)) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  if (bytes > (SIZE_T(1) << 40)) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  void* raw = (flags & GMEM_ZEROINIT) ? std::calloc(1, sizeof(BlockHeader) + bytes)
                                      : std::malloc(sizeof(BlockHeader) + bytes);
  if (!raw) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  auto* h = static_cast<BlockHeader*>(raw);
  h->size = bytes;
  h->magic = kMagic;
  g_live.fetch_add(1, std::memory_order_relaxed);
  return h + 1;
}

HGLOBAL Release(HGLOBAL mem) {
  if (!mem) return nullptr;
  auto* h = static_cast<BlockHeader*>(mem) - 1;
  if (h->magic != kMagic) {
    SetLastError(ERROR_INVALID_HANDLE);
    return mem;
  }
  h->magic = 0;
  g_live.fetch_sub(1, std::memory_order_relaxed);
  std::free(h);
  return nullptr;
}

}  // namespace

extern "C" {
HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes) { return Allocate(flags, bytes, "GlobalAlloc"); }
HGLOBAL GlobalFree(HGLOBAL mem) { return Release(mem); }
SIZE_T GlobalSize(HGLOBAL mem) {
  if (!mem) return 0;
  auto* h = static_cast<BlockHeader*>(mem) - 1;
  return h->magic == kMagic ? h->size : 0;
}
HGLOBAL LocalAlloc(UINT flags, SIZE_T bytes) { return Allocate(flags, bytes, "LocalAlloc"); }
HGLOBAL LocalFree(HGLOBAL mem) { return Release(mem); }
}

long plat::LiveGlobalBlocks() { return g_live.load(); }
