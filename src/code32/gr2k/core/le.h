// Little-endian field writers for the job stream: every multi-byte field goes
// out byte by byte, whatever the host's order or the field's alignment.
#pragma once

#include <cstdint>

#include "plat/le.h"

namespace gr2k_le {

inline void Put8(uint8_t* p, uint32_t v) { p[0] = uint8_t(v); }
using plat::Put16;
using plat::Put32;
inline void PutI32(uint8_t* p, int32_t v) { Put32(p, uint32_t(v)); }
inline void PutI16(uint8_t* p, int16_t v) { Put16(p, uint16_t(v)); }
// A colour 0x00BBGGRR as red, green, blue.
inline void PutRgb(uint8_t* p, uint32_t colorref) {
  p[0] = uint8_t(colorref);
  p[1] = uint8_t(colorref >> 8);
  p[2] = uint8_t(colorref >> 16);
}

inline uint64_t RoundUp4(uint64_t v) { return (v + 3) & ~uint64_t(3); }

}  // namespace gr2k_le
