// The printer's resident Japanese device fonts: their records and glyph sets
// (resources of this library), the per-Pdev table built from them, and the
// integer helpers the font metrics share with the text output.
#pragma once

#include <cstdint>

// The integer length of the vector (x, y): the smallest r >= 0 with
// r * r >= x * x + y * y. Computed in 128 bits, exact for |x|, |y| < 2^62.
int64_t TxtHypot(int64_t x, int64_t y);
