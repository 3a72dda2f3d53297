// The PDEV memory pool: system blocks on a doubly linked chain, so that one
// block is unlinked in constant time and the whole pool goes in one sweep.
#include "gr2k/pool.h"

#include "plat/kernel.h"

struct alignas(16) GrPoolBlock {
  GrPoolBlock* prev;
  GrPoolBlock* next;
  GrPool* owner;
  uint64_t bytes;
};
static_assert(sizeof(GrPoolBlock) == 32, "caller memory stays 16-byte aligned");

GrPool* GrPoolCreate() {
  auto* pool = static_cast<GrPool*>(GlobalAlloc(GPTR, sizeof(GrPool)));
  return pool;  // zeroed: no blocks
}

namespace {

void* Allocate(GrPool* pool, uint64_t bytes, UINT flags) {
  if (!pool) return nullptr;
  if (bytes > UINT64_MAX / 2 - sizeof(GrPoolBlock)) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  auto* block = static_cast<GrPoolBlock*>(GlobalAlloc(flags, SIZE_T(sizeof(GrPoolBlock) + bytes)));
  if (!block) return nullptr;
  block->prev = nullptr;
  block->next = pool->head;
  block->owner = pool;
  block->bytes = bytes;
  if (pool->head) pool->head->prev = block;
  pool->head = block;
  ++pool->blocks;
  return block + 1;
}

}  // namespace

void* GrPoolAlloc(GrPool* pool, uint64_t bytes) { return Allocate(pool, bytes, GPTR); }

void* GrPoolAllocUninit(GrPool* pool, uint64_t bytes) { return Allocate(pool, bytes, GMEM_FIXED); }

void GrPoolFree(GrPool* pool, void* mem) {
  if (!pool || !mem) return;
  GrPoolBlock* block = static_cast<GrPoolBlock*>(mem) - 1;
  if (block->owner != pool) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return;
  }
  if (block->prev) {
    block->prev->next = block->next;
  } else {
    pool->head = block->next;
  }
  if (block->next) block->next->prev = block->prev;
  block->owner = nullptr;
  --pool->blocks;
  GlobalFree(block);
}

void GrPoolDestroy(GrPool* pool) {
  if (!pool) return;
  GrPoolBlock* block = pool->head;
  while (block) {
    GrPoolBlock* next = block->next;
    block->owner = nullptr;
    GlobalFree(block);
    block = next;
  }
  GlobalFree(pool);
}
