// The preview pictures of the pages: pictures of the bitmap resource module
// and of BMP files drawn with their transparent key colour, a composition of
// layers drawn off screen and copied once, the colour adjustment, icons, and
// the stamp (watermark) painted into an open composition.
#pragma once

#include <cstdint>

#include "ui/gdi.h"
#include "ui2k/controls.h"

// ---- pictures (flags: see the picture table) -----------------------------------------------
void PrevDrawItemPicture(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, HWND window,
                         const RECT* rect, uint32_t pictureId, uint32_t flags, int32_t preview);
void PrevDrawPicture(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, HDC dc, const RECT* rect,
                     int32_t x, int32_t y, const char16_t* picture, uint32_t flags, int32_t preview);
// One composition per preview: layers go into a memory DC, the end copies it
// to the window or the rectangle of the preview DC once.
void PrevBeginCompose(DriverContext* ctx);
void PrevEndCompose(DriverContext* ctx, HWND window, const RECT* rect);
// The memory DC of the open composition, null when none is open.
HDC PrevComposeDc(DriverContext* ctx);
COLORREF PrevAdjustColour(DriverContext* ctx, COLORREF colour, int32_t grey);
HANDLE PrevSetPaletteEntry(HDC dc, int32_t index, COLORREF colour);
int32_t PrevGetComctlVersion();
HBITMAP PrevLoadBitmapById(DriverContext* ctx, uint32_t id);
HBITMAP PrevLoadBitmapByName(DriverContext* ctx, const char16_t* name);
void PrevDrawIcon(DriverContext* ctx, HDC dc, int32_t x, int32_t y, uint32_t iconId);
void PrevDrawIconInWindow(DriverContext* ctx, HWND window, uint32_t iconId);
// BMP files: both accept the same files (see the implementation for what).
int32_t PrevOpenBmpFile(const char16_t* path, HANDLE* file);
HBITMAP PrevLoadBmpFile(const char16_t* path, int32_t* width, int32_t* height);

// ---- the stamp -----------------------------------------------------------------------------
// Paints the stamp of the item's preview block into the open composition, on
// a page of width x height pixels at rect (or target when given).
void PrevPaintStamp(DriverContext* ctx, DialogItemRecord* item, int32_t pageWidth, int32_t pageHeight,
                    const RECT* target, const RECT* rect);
