// Internals of the stamp preview painter shared with its tests: the
// rotation tables and the painter drawing into a DC it is given.
#pragma once

#include <cstdint>

#include "ui/gdi.h"
#include "velm/dialogs.h"

struct DriverContext;

// Sine and cosine of 0 ... 359 degrees times 100, as the stamp turns its
// shapes with them.
const int16_t* PrevStampSine();
const int16_t* PrevStampCosine();

// Loads a BMP file as a bitmap with its size (the type of PrevLoadBmpFile).
using PrevBitmapLoader = HBITMAP (*)(const char16_t* path, int32_t* width, int32_t* height);

// Paints the stamp of the item's preview block into dc, the composition's
// DC, on a page of pageWidth x pageHeight pixels. The page lies in the
// item's client area, or, with a target, in rect moved to the origin. Bitmap
// stamps are read with load.
void PrevPaintStampInto(DriverContext* ctx, DialogItemRecord* item, HDC dc, int32_t pageWidth, int32_t pageHeight,
                        const RECT* target, const RECT* rect, PrevBitmapLoader load);

// Colours a drawing in black on white (drawing, w x h) with brush and puts
// it into work: opaque, over what work holds; else as a filter that leaves
// work's pixels under the white.
void PrevColourDrawing(HDC work, HDC drawing, int32_t width, int32_t height, HBRUSH brush, bool opaque);
