// The memory pool of a PDEV. Everything the graphics core allocates for a
// device context (the Pdev record itself, display-list blocks, glyph-cache
// entries, temporary buffers) comes from its pool, so that disabling the PDEV
// releases all of it at once.
//
// Blocks form a doubly linked chain behind a small anchor; freeing one block
// unlinks it in constant time, and destroying the pool frees every block that
// is left, then the anchor.
#pragma once

#include <cstdint>

struct GrPoolBlock;

struct GrPool {
  GrPoolBlock* head;
  uint64_t blocks;  // live blocks
};

// A new, empty pool, or null when the system refuses the anchor.
GrPool* GrPoolCreate();
// bytes zero-filled bytes, 16-byte aligned; null on failure or a null pool.
void* GrPoolAlloc(GrPool* pool, uint64_t bytes);
// The same without the zero fill, for buffers that are written whole before
// they are read (display-list blocks hold megabytes of image rows).
void* GrPoolAllocUninit(GrPool* pool, uint64_t bytes);
// Returns a block to the system. A null pointer, or a block that belongs to
// another pool, is left alone.
void GrPoolFree(GrPool* pool, void* mem);
// Frees every block of the pool and the anchor.
void GrPoolDestroy(GrPool* pool);
