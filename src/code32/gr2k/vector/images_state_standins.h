// Stand-in until the graphics-state setters with their per-page caches are
// built: the state records an image or rectangle transfer needs, written
// each time they are asked for.
#pragma once

#include <cstdint>

#include "eng/ddi.h"
#include "gr2k/pdev.h"

// The pattern record of a brush (a plain colour, or its realization); the
// brush's colours and host-correction flag are returned. A null brush is
// plain white. False when the brush cannot be realized or the record
// cannot be written.
bool ImgSetBrush(Pdev* pdev, BRUSHOBJ* pbo, const POINTL* origin, uint32_t colours[2], bool* host);
// A plain brush of one colour (0x00BBGGRR).
bool ImgSetPlainBrush(Pdev* pdev, uint32_t colour);
bool ImgSetColours(Pdev* pdev, uint32_t foreground, uint32_t background, uint8_t back_mode, bool host);
bool ImgSetRop(Pdev* pdev, uint8_t rop3);
bool ImgSetBackMode(Pdev* pdev, uint8_t mode);
// The clip of a transfer: a rectangle record for one rectangle or a
// complex region (its bounds), a reset for none.
bool ImgSetClip(Pdev* pdev, CLIPOBJ* pco);
// The device's colour value (blue in the low byte) as 0x00BBGGRR.
uint32_t ImgDeviceToRgb(ULONG colour);
