// The preview pictures of the pages: pictures of the bitmap resource module
// and of BMP files drawn with their transparent key colour, a composition of
// layers drawn off screen and copied once, the colour adjustment, icons, and
// the stamp (watermark) painted into an open composition.
#pragma once

#include <cstdint>

#include "ui/gdi.h"
#include "ui2k/controls.h"

// ---- the picture table -----------------------------------------------------------------------
// Placement and drawing flags of a picture (the caller's ORed with its row's).
constexpr uint32_t kPicTarget = 0x1;      // the target shows where the picture is transparent
constexpr uint32_t kPicStretch = 0x2;     // stretched to the rectangle
constexpr uint32_t kPicCopy = 0x4;        // copied opaquely
constexpr uint32_t kPicCentre = 0x10;     // horizontal anchors: centre, right
constexpr uint32_t kPicRight = 0x20;
constexpr uint32_t kPicMiddle = 0x40;     // vertical anchors: middle, bottom
constexpr uint32_t kPicBottom = 0x80;
constexpr uint32_t kPicRopChoice = 0x1000;
constexpr uint32_t kPicAnd = 0x2000;      // combined with SRCAND
constexpr uint32_t kPicMergePaint = 0x4000;  // combined with MERGEPAINT
// The transparent colour of pictures of 8 bits or fewer (4-bit pictures:
// the colour of their bottom-left pixel).
constexpr COLORREF kPictureKeyColour = 0x3300CC;

// A row of the position table (24 bytes).
struct PictureRow {
  uint16_t id;
  uint16_t baseId;
  int16_t dx;
  int16_t dy;
  uint32_t flags;
  int16_t width;
  int16_t height;
  uint8_t reserved[8];
};
static_assert(sizeof(PictureRow) == 24);
constexpr int kPictureRowCount = 629;
// The rows, ended by a row of id 0.
const PictureRow* UiGetPictureTable();
// The row of a picture id, or null.
const PictureRow* PrevFindPictureRow(uint32_t id);

// ---- pictures -------------------------------------------------------------------------------
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
// PrevOpenBmpFile leaves the file open in *file (the caller closes it).
int32_t PrevOpenBmpFile(const char16_t* path, HANDLE* file);
HBITMAP PrevLoadBmpFile(const char16_t* path, int32_t* width, int32_t* height);

// ---- the stamp -----------------------------------------------------------------------------
// Paints the stamp of the item's preview block into the open composition, on
// a page of width x height pixels at rect (or target when given).
void PrevPaintStamp(DriverContext* ctx, DialogItemRecord* item, int32_t pageWidth, int32_t pageHeight,
                    const RECT* target, const RECT* rect);
