// Helpers shared by the model image's own files: the image block and
// little-endian field access (plat/le.h).
#pragma once

#include <atomic>
#include <cstdint>

#include "plat/le.h"
#include "velm/model_image.h"

// The image: its size and its bytes, held in the same block right after
// this record, or in a block of their own that the image took over. The
// bytes never change once the image is made; the index of its features by
// setting id is made from them at the first look-up that needs it and
// freed with the image.
struct FeatureIndex;
struct ModelImage {
  uint32_t size = 0;
  uint32_t ownBlock = 0;  // 1: bytes is a block of its own, freed with the image
  uint8_t* bytes = nullptr;
  std::atomic<const FeatureIndex*> featureIndex{nullptr};
};

namespace mdf_image {

// A new image of size bytes (one allocation), zeroed unless the caller
// writes every byte itself; null when memory runs out.
ModelImage* AllocateImage(uint32_t size, bool zeroed = true);
// The image of a block of bytes (MemAllocZeroed) when they validate; the
// image takes the block over. Otherwise null, and the block stays the
// caller's; *invalid tells bytes that do not validate from a lack of memory.
ModelImage* AdoptImage(uint8_t* block, uint32_t size, bool* invalid);
// Frees the image's feature index, if one was made.
void FreeFeatureIndex(ModelImage* image);

using plat::Get16;
using plat::Get32;
using plat::Put16;
using plat::Put32;

// The offset a link holds, 0 for none.
inline uint32_t LinkOffset(uint32_t link) { return link >> 4; }

}  // namespace mdf_image
