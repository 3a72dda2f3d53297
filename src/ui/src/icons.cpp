// LoadIconW, LoadCursorW and LoadImageW over the icons and cursors of
// resource modules (see ui/icon_resource.h), and the system's own.
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <tuple>

#include "plat/calls.h"
#include "plat/kernel.h"
#include "plat/resources.h"
#include "ui/icon_resource.h"

namespace {

constexpr int kSystemSize = 32;

uint16_t U16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }

void Put16(std::vector<uint8_t>* b, uint16_t v) {
  b->push_back(uint8_t(v & 0xFF));
  b->push_back(uint8_t(v >> 8));
}

// An image entry's bytes as an image; false when they are not well formed.
bool DecodeImage(const uint8_t* p, size_t size, ui::IconImage* out) {
  if (size < 12 || std::memcmp(p, "VICN", 4) != 0) return false;
  ui::IconImage img;
  img.width = U16(p + 4);
  img.height = U16(p + 6);
  img.hotspot_x = U16(p + 8);
  img.hotspot_y = U16(p + 10);
  size_t count = size_t(img.width) * img.height;
  if (img.width == 0 || img.height == 0 || (size - 12) / 4 != count || (size - 12) % 4 != 0) return false;
  img.pixels.resize(count);
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* q = p + 12 + 4 * i;
    img.pixels[i] = uint32_t(q[0]) | (uint32_t(q[1]) << 8) | (uint32_t(q[2]) << 16) | (uint32_t(q[3]) << 24);
  }
  *out = std::move(img);
  return true;
}

// Shared handles: one image object per module, id, size and content, kept
// for the life of the process (a handle stays valid, as shared icons are
// never freed by their users). The content is part of the key because a
// module handle may be reused by another module after an unload.
struct Key {
  HMODULE module;
  DWORD type;
  DWORD id;
  int cx, cy;
  bool operator<(const Key& o) const {
    return std::tie(module, type, id, cx, cy) < std::tie(o.module, o.type, o.id, o.cx, o.cy);
  }
};
std::mutex g_mutex;
using Images = std::vector<std::unique_ptr<ui::IconImage>>;
std::map<Key, Images>& Loaded() {
  static std::map<Key, Images> loaded;
  return loaded;
}

bool SameImage(const ui::IconImage& a, const ui::IconImage& b) {
  return a.width == b.width && a.height == b.height && a.hotspot_x == b.hotspot_x && a.hotspot_y == b.hotspot_y &&
         a.pixels == b.pixels;
}

// The system's cursors and icons: plain shapes of the system size.
std::unique_ptr<ui::IconImage> SystemImage(bool cursor, DWORD id) {
  auto img = std::make_unique<ui::IconImage>();
  img->width = img->height = kSystemSize;
  img->pixels.assign(size_t(kSystemSize) * kSystemSize, 0);
  uint32_t colour = 0xFF000000;
  if (cursor) {
    if (id != 32512 && id != 32513 && id != 32514 && id != 32649) return nullptr;
    // An arrow (a triangle) from the top left; the hand and the others
    // differ only in colour, enough to tell them apart in a snapshot.
    colour = id == 32649 ? 0xFF202080 : id == 32514 ? 0xFF208020 : 0xFF000000;
    for (int y = 0; y < 20; ++y)
      for (int x = 0; x <= y / 2 + 1; ++x) img->pixels[size_t(y) * kSystemSize + size_t(x)] = colour;
  } else {
    if (id < 32512 || id > 32516) return nullptr;
    static const uint32_t kColours[] = {0xFF4060C0, 0xFFC02020, 0xFF2060C0, 0xFFE0B000, 0xFF2060C0};
    colour = kColours[id - 32512];
    for (int y = 4; y < 28; ++y)
      for (int x = 4; x < 28; ++x) img->pixels[size_t(y) * kSystemSize + size_t(x)] = colour;
  }
  return img;
}

// The group's image nearest to cx by cy, decoded; null and the last error
// set when there is none.
std::unique_ptr<ui::IconImage> ModuleImage(HMODULE module, bool cursor, DWORD id, int cx, int cy) {
  size_t size = 0;
  const auto* g = static_cast<const uint8_t*>(
      plat::FindModuleResource(module, cursor ? RT_GROUP_CURSOR : RT_GROUP_ICON, id, &size));
  if (!g) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
  if (size < 6 || std::memcmp(g, "VGRP", 4) != 0 || size != 6 + 2 * size_t(U16(g + 4)) || U16(g + 4) == 0) {
    SetLastError(ERROR_BAD_FORMAT);
    return nullptr;
  }
  std::unique_ptr<ui::IconImage> best;
  long best_distance = 0;
  for (uint16_t i = 0; i < U16(g + 4); ++i) {
    size_t isize = 0;
    const auto* p = static_cast<const uint8_t*>(
        plat::FindModuleResource(module, cursor ? RT_CURSOR : RT_ICON, U16(g + 6 + 2 * i), &isize));
    auto img = std::make_unique<ui::IconImage>();
    if (!p || !DecodeImage(p, isize, img.get())) {
      SetLastError(p ? ERROR_BAD_FORMAT : ERROR_RESOURCE_NAME_NOT_FOUND);
      return nullptr;
    }
    long distance = std::labs(long(img->width) - cx) + std::labs(long(img->height) - cy);
    if (!best || distance < best_distance) {
      best = std::move(img);
      best_distance = distance;
    }
  }
  return best;
}

HANDLE Load(const char* service, HMODULE module, LPCWSTR name, bool cursor, int cx, int cy) {
  plat::NoteCall(service);
  if (plat::ShouldFail(service)) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  if (!name || !IS_INTRESOURCE(name)) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
  DWORD id = DWORD(reinterpret_cast<uintptr_t>(name));
  if (cx <= 0) cx = kSystemSize;
  if (cy <= 0) cy = kSystemSize;
  Key key{module, cursor ? RT_GROUP_CURSOR : RT_GROUP_ICON, id, cx, cy};
  std::unique_ptr<ui::IconImage> img = module ? ModuleImage(module, cursor, id, cx, cy) : SystemImage(cursor, id);
  if (!img) {
    if (!module) SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
  std::lock_guard<std::mutex> lock(g_mutex);
  Images& same_key = Loaded()[key];
  for (const auto& known : same_key)
    if (SameImage(*known, *img)) return known.get();
  same_key.push_back(std::move(img));
  return same_key.back().get();
}

}  // namespace

extern "C" {

HICON LoadIconW(HINSTANCE module, LPCWSTR name) { return Load("LoadIconW", module, name, false, 0, 0); }

HCURSOR LoadCursorW(HINSTANCE module, LPCWSTR name) { return Load("LoadCursorW", module, name, true, 0, 0); }

HANDLE LoadImageW(HINSTANCE module, LPCWSTR name, UINT type, INT cx, INT cy, UINT flags) {
  if (type != IMAGE_ICON && type != IMAGE_CURSOR) {
    plat::NoteCall("LoadImageW");
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (flags & LR_DEFAULTSIZE) {
    if (cx == 0) cx = kSystemSize;
    if (cy == 0) cy = kSystemSize;
  }
  return Load("LoadImageW", module, name, type == IMAGE_CURSOR, cx, cy);
}

BOOL DestroyIcon(HICON icon) { return ui::IconImageOf(icon) ? TRUE : FALSE; }
BOOL DestroyCursor(HCURSOR cursor) { return ui::IconImageOf(cursor) ? TRUE : FALSE; }

}  // extern "C"

const ui::IconImage* ui::IconImageOf(HICON icon) {
  if (!icon) return nullptr;
  std::lock_guard<std::mutex> lock(g_mutex);
  for (const auto& [key, images] : Loaded())
    for (const auto& img : images)
      if (img.get() == icon) return img.get();
  return nullptr;
}

std::vector<plat::ResourceEntry> ui::IconResources(bool cursor, DWORD group_id, DWORD first_image_id,
                                                   const std::vector<IconImage>& images) {
  std::vector<plat::ResourceEntry> out;
  plat::ResourceEntry group{cursor ? RT_GROUP_CURSOR : RT_GROUP_ICON, group_id, {'V', 'G', 'R', 'P'}};
  Put16(&group.data, uint16_t(images.size()));
  for (size_t i = 0; i < images.size(); ++i) {
    const IconImage& img = images[i];
    DWORD id = first_image_id + DWORD(i);
    Put16(&group.data, uint16_t(id));
    plat::ResourceEntry e{cursor ? RT_CURSOR : RT_ICON, id, {'V', 'I', 'C', 'N'}};
    for (uint16_t v : {img.width, img.height, img.hotspot_x, img.hotspot_y}) Put16(&e.data, v);
    for (uint32_t px : img.pixels)
      for (int k = 0; k < 4; ++k) e.data.push_back(uint8_t((px >> (8 * k)) & 0xFF));
    out.push_back(std::move(e));
  }
  out.insert(out.begin(), std::move(group));
  return out;
}
