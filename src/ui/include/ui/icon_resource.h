// Icons and cursors of the emulated machine, as kept in resource modules
// (see plat/resources.h), and the user32 calls that load them.
//
// Our own simple form, in place of the Windows icon and cursor formats:
// - An image (type RT_ICON or RT_CURSOR) is "VICN", then 16-bit width,
//   height, hot-spot x and hot-spot y, then width x height pixels of 32 bits
//   (0xAARRGGBB, little-endian), rows from the top. The hot spot matters
//   only for cursors; icons carry 0, 0.
// - A group (type RT_GROUP_ICON or RT_GROUP_CURSOR), the id that LoadIconW,
//   LoadCursorW and LoadImageW are given, is "VGRP", a 16-bit count and that
//   many 16-bit ids of images of the matching image type.
// LoadIconW and LoadCursorW take the image of the group nearest to the
// system size (32 x 32); LoadImageW the one nearest to the size asked.
// The handles are shared, as those of LoadIconW are on Windows: the same
// module and id give the same handle while the module stays loaded, and
// DestroyIcon and DestroyCursor leave them alone.
#pragma once

#include <cstdint>
#include <vector>

#include "plat/resources.h"
#include "ui/user32.h"

using HCURSOR = void*;

constexpr DWORD RT_CURSOR = 1;
constexpr DWORD RT_ICON = 3;
constexpr DWORD RT_GROUP_CURSOR = 12;
constexpr DWORD RT_GROUP_ICON = 14;

constexpr UINT IMAGE_ICON = 1;
constexpr UINT IMAGE_CURSOR = 2;
constexpr UINT LR_DEFAULTSIZE = 0x0040;
constexpr UINT LR_SHARED = 0x8000;

// The cursors and icons of the system (a null module).
#define IDC_ARROW MAKEINTRESOURCEW(32512)
#define IDC_IBEAM MAKEINTRESOURCEW(32513)
#define IDC_WAIT MAKEINTRESOURCEW(32514)
#define IDC_HAND MAKEINTRESOURCEW(32649)
#define IDI_APPLICATION MAKEINTRESOURCEW(32512)
#define IDI_ERROR MAKEINTRESOURCEW(32513)
#define IDI_QUESTION MAKEINTRESOURCEW(32514)
#define IDI_WARNING MAKEINTRESOURCEW(32515)
#define IDI_INFORMATION MAKEINTRESOURCEW(32516)

extern "C" {
// Null, with ERROR_RESOURCE_NAME_NOT_FOUND, when the module has no such
// group or image, or ERROR_BAD_FORMAT when its bytes are not well formed.
// Only ids (MAKEINTRESOURCEW) name resources. Faults: "LoadIconW",
// "LoadCursorW", "LoadImageW".
HICON LoadIconW(HINSTANCE module, LPCWSTR name);
HCURSOR LoadCursorW(HINSTANCE module, LPCWSTR name);
// IMAGE_ICON or IMAGE_CURSOR only (bitmaps live in the bitmap module's own
// form); cx and cy 0 with LR_DEFAULTSIZE, or 0 alone, mean the system size.
HANDLE LoadImageW(HINSTANCE module, LPCWSTR name, UINT type, INT cx, INT cy, UINT flags);
BOOL DestroyIcon(HICON icon);
BOOL DestroyCursor(HCURSOR cursor);
}

namespace ui {

struct IconImage {
  uint16_t width = 0, height = 0;
  uint16_t hotspot_x = 0, hotspot_y = 0;
  std::vector<uint32_t> pixels;  // 0xAARRGGBB, rows from the top
};

// The image behind a handle of LoadIconW, LoadCursorW or LoadImageW; null
// for anything else.
const IconImage* IconImageOf(HICON icon);

// The resources of one icon or cursor: the group entry with the given id
// and one image entry per image, with ids first_image_id, first_image_id + 1
// ... (type RT_GROUP_ICON and RT_ICON, or RT_GROUP_CURSOR and RT_CURSOR).
std::vector<plat::ResourceEntry> IconResources(bool cursor, DWORD group_id, DWORD first_image_id,
                                               const std::vector<IconImage>& images);

}  // namespace ui
