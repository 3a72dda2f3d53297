// Helpers shared by the model image's own files: the image block and
// little-endian field access.
#pragma once

#include <cstdint>

#include "velm/model_image.h"

// The image: its size and its bytes, held in the same block right after
// this record, or in a block of their own that the image took over.
struct ModelImage {
  uint32_t size;
  uint32_t ownBlock;  // 1: bytes is a block of its own, freed with the image
  uint8_t* bytes;
};

namespace mdf_image {

// A new zeroed image of size bytes (one allocation); null when memory runs
// out.
ModelImage* AllocateImage(uint32_t size);
// The image of a block of bytes (MemAllocZeroed) when they validate; the
// image takes the block over. Otherwise null, and the block stays the
// caller's; *invalid tells bytes that do not validate from a lack of memory.
ModelImage* AdoptImage(uint8_t* block, uint32_t size, bool* invalid);

inline uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t Get32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}
inline void Put16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
inline void Put32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p[2] = static_cast<uint8_t>(v >> 16);
  p[3] = static_cast<uint8_t>(v >> 24);
}
// The offset a link holds, 0 for none.
inline uint32_t LinkOffset(uint32_t link) { return link >> 4; }

}  // namespace mdf_image
