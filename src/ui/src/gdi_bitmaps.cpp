// Device-independent bitmaps, palettes, bitmaps of resource modules and
// icons drawn into a DC. Everything here is built on the DC and bitmap
// calls of gdi.cpp: a DIB is decoded into a 32-bit top-down bitmap that is
// copied with BitBlt, so every pixel still comes from the engine.
//
// Palettes are kept under the window layer's lock, as the DCs are.
//
// The display of this machine has 32 bits a pixel and no palette: the
// nearest colour of any colour is the colour itself and realising a palette
// maps no entry.
#include <algorithm>
#include <cstring>
#include <mutex>
#include <set>
#include <vector>

#include "gdi_internal.h"
#include "plat/kernel.h"
#include "plat/resources.h"
#include "ui/icon_resource.h"
#include "wm.h"

namespace {

struct Palette {
  std::vector<PALETTEENTRY> entries;
};
std::set<Palette*>& Palettes() {
  static auto* p = new std::set<Palette*>();
  return *p;
}
// The palette every DC starts with, as DEFAULT_PALETTE on Windows: 20
// colours of the system, never deleted.
Palette* DefaultPalette() {
  static Palette* p = [] {
    auto* d = new Palette;
    d->entries.assign(20, PALETTEENTRY{0, 0, 0, 0});
    Palettes().insert(d);
    return d;
  }();
  return p;
}
std::vector<std::pair<HDC, Palette*>>& Selected() {
  static auto* s = new std::vector<std::pair<HDC, Palette*>>();
  return *s;
}

bool ValidDc(HDC dc) { return dc && GetBkColor(dc) != CLR_INVALID; }

// The number of colour-table entries a DIB carries.
uint32_t TableEntries(const BITMAPINFOHEADER& h) {
  if (h.biBitCount <= 8) return h.biClrUsed ? h.biClrUsed : 1u << h.biBitCount;
  return h.biClrUsed;
}

bool DibFormatOk(const BITMAPINFOHEADER& h) {
  const WORD b = h.biBitCount;
  return h.biSize >= sizeof(BITMAPINFOHEADER) && h.biPlanes == 1 && h.biCompression == BI_RGB &&
         (b == 1 || b == 4 || b == 8 || b == 16 || b == 24 || b == 32) && h.biWidth > 0 && h.biWidth <= 16384 &&
         h.biHeight != 0 && h.biHeight >= -16384 && h.biHeight <= 16384 &&
         h.biClrUsed <= (b <= 8 ? 1u << b : 256u);
}

// Decodes rows of a DIB into 0x00RRGGBB pixels, rows from the top.
std::vector<uint32_t> DecodeDib(const BITMAPINFO* info, const void* bits) {
  const BITMAPINFOHEADER& h = info->bmiHeader;
  const LONG w = h.biWidth, rows = std::abs(h.biHeight);
  const size_t stride = ((size_t(w) * h.biBitCount + 31) / 32) * 4;
  const auto* table = reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const uint8_t*>(info) + h.biSize);
  const uint32_t entries = TableEntries(h);
  auto colour = [&](uint32_t index) -> uint32_t {
    if (index >= entries) return 0;
    const RGBQUAD& q = table[index];
    return (uint32_t(q.rgbRed) << 16) | (uint32_t(q.rgbGreen) << 8) | q.rgbBlue;
  };
  std::vector<uint32_t> out(size_t(w) * size_t(rows));
  for (LONG y = 0; y < rows; ++y) {
    const LONG stored = h.biHeight > 0 ? rows - 1 - y : y;
    const uint8_t* row = static_cast<const uint8_t*>(bits) + size_t(stored) * stride;
    uint32_t* to = out.data() + size_t(y) * size_t(w);
    for (LONG x = 0; x < w; ++x) {
      switch (h.biBitCount) {
        case 1: to[x] = colour((row[x / 8] >> (7 - x % 8)) & 1); break;
        case 4: to[x] = colour((row[x / 2] >> (x % 2 ? 0 : 4)) & 0xF); break;
        case 8: to[x] = colour(row[x]); break;
        case 16: {
          const unsigned v = unsigned(row[2 * x]) | (unsigned(row[2 * x + 1]) << 8);
          const unsigned r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
          to[x] = (((r << 3) | (r >> 2)) << 16) | (((g << 3) | (g >> 2)) << 8) | ((b << 3) | (b >> 2));
          break;
        }
        case 24: to[x] = (uint32_t(row[3 * x + 2]) << 16) | (uint32_t(row[3 * x + 1]) << 8) | row[3 * x]; break;
        default: to[x] = (uint32_t(row[4 * x + 2]) << 16) | (uint32_t(row[4 * x + 1]) << 8) | row[4 * x]; break;
      }
    }
  }
  return out;
}

// A 32-bit top-down bitmap holding the pixels, or null.
HBITMAP PixelsBitmap(const std::vector<uint32_t>& pixels, LONG w, LONG h) {
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = -h;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bm = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bm) std::memcpy(bits, pixels.data(), pixels.size() * 4);
  return bm;
}

// Copies w x h pixels of a bitmap to the DC at (x, y) with the operation.
bool BlitBitmap(HDC dc, INT x, INT y, INT w, INT h, HBITMAP bm, INT sx, INT sy, DWORD rop) {
  HDC mem = CreateCompatibleDC(dc);
  if (!mem) return false;
  HGDIOBJ old = SelectObject(mem, bm);
  const bool ok = old && BitBlt(dc, x, y, w, h, mem, sx, sy, rop);
  if (old) SelectObject(mem, old);
  DeleteDC(mem);
  return ok;
}

}  // namespace

bool ui::detail::DeletePalette(HGDIOBJ object) {
  std::lock_guard<std::recursive_mutex> lock(ui::detail::Lock());
  auto* p = static_cast<Palette*>(object);
  if (!Palettes().count(p)) return false;
  if (p == DefaultPalette()) return true;
  for (const auto& [dc, selected] : Selected())
    if (selected == p) return false;  // still selected
  Palettes().erase(p);
  delete p;
  return true;
}

extern "C" {

COLORREF GetNearestColor(HDC dc, COLORREF color) { return ValidDc(dc) ? (color & 0xFFFFFF) : CLR_INVALID; }

HPALETTE CreatePalette(const LOGPALETTE* palette) {
  if (!palette || palette->palVersion != 0x300 || palette->palNumEntries == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  std::lock_guard<std::recursive_mutex> lock(ui::detail::Lock());
  DefaultPalette();
  auto* p = new Palette;
  p->entries.assign(palette->palPalEntry, palette->palPalEntry + palette->palNumEntries);
  Palettes().insert(p);
  return p;
}

HPALETTE SelectPalette(HDC dc, HPALETTE palette, BOOL) {
  if (!ValidDc(dc)) return nullptr;
  std::lock_guard<std::recursive_mutex> lock(ui::detail::Lock());
  auto* p = static_cast<Palette*>(palette);
  if (!Palettes().count(p)) return nullptr;
  auto& sel = Selected();
  // Forget DCs that are gone (their handles may come back for new DCs).
  sel.erase(std::remove_if(sel.begin(), sel.end(), [](const auto& e) { return !ValidDc(e.first); }), sel.end());
  for (auto& [d, selected] : sel) {
    if (d != dc) continue;
    Palette* old = selected;
    selected = p;
    return old;
  }
  sel.emplace_back(dc, p);
  return DefaultPalette();
}

UINT RealizePalette(HDC dc) { return ValidDc(dc) ? 0 : GDI_ERROR; }

UINT GetPaletteEntries(HPALETTE palette, UINT start, UINT count, PALETTEENTRY* entries) {
  std::lock_guard<std::recursive_mutex> lock(ui::detail::Lock());
  auto* p = static_cast<Palette*>(palette);
  if (!Palettes().count(p)) return 0;
  if (!entries) return UINT(p->entries.size());
  if (start >= p->entries.size()) return 0;
  const UINT n = std::min<UINT>(count, UINT(p->entries.size()) - start);
  std::copy_n(p->entries.begin() + start, n, entries);
  return n;
}

INT SetDIBitsToDevice(HDC dc, INT x, INT y, DWORD width, DWORD height, INT src_x, INT src_y, UINT start_scan,
                      UINT lines, const void* bits, const BITMAPINFO* info, UINT usage) {
  if (!ValidDc(dc) || !bits || !info || usage != DIB_RGB_COLORS || !DibFormatOk(info->bmiHeader) || start_scan != 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const LONG w = info->bmiHeader.biWidth, h = std::abs(info->bmiHeader.biHeight);
  if (LONG(lines) < h) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  HBITMAP bm = PixelsBitmap(DecodeDib(info, bits), w, h);
  if (!bm) return 0;
  // The source rectangle counts its y from the bottom row of a bottom-up DIB.
  const INT top = info->bmiHeader.biHeight > 0 ? h - src_y - INT(height) : src_y;
  const bool ok = BlitBitmap(dc, x, y, INT(width), INT(height), bm, src_x, top, SRCCOPY);
  DeleteObject(bm);
  return ok ? INT(h) : 0;
}

HBITMAP CreateDIBitmap(HDC, const BITMAPINFOHEADER* header, DWORD init, const void* bits, const BITMAPINFO* info,
                       UINT usage) {
  if (!header || !DibFormatOk(*header) || usage != DIB_RGB_COLORS || ((init & CBM_INIT) && (!bits || !info))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  const LONG w = header->biWidth, h = std::abs(header->biHeight);
  if (!(init & CBM_INIT)) return PixelsBitmap(std::vector<uint32_t>(size_t(w) * size_t(h), 0), w, h);
  if (!DibFormatOk(info->bmiHeader) || info->bmiHeader.biWidth != w || std::abs(info->bmiHeader.biHeight) != h) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return PixelsBitmap(DecodeDib(info, bits), w, h);
}

HBITMAP LoadBitmapW(HINSTANCE module, LPCWSTR name) {
  if (!module || !name || !IS_INTRESOURCE(name)) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
  size_t size = 0;
  const auto* p = static_cast<const uint8_t*>(
      plat::FindModuleResource(module, RT_BITMAP, DWORD(reinterpret_cast<uintptr_t>(name)), &size));
  if (!p) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
  const size_t offset = ui::PackedDibBitsOffset(p, size);
  if (!offset) {
    SetLastError(ERROR_BAD_FORMAT);
    return nullptr;
  }
  const auto* info = reinterpret_cast<const BITMAPINFO*>(p);
  return CreateDIBitmap(nullptr, &info->bmiHeader, CBM_INIT, p + offset, info, DIB_RGB_COLORS);
}

BOOL DrawIcon(HDC dc, INT x, INT y, HICON icon) {
  const ui::IconImage* img = ui::IconImageOf(icon);
  if (!img || !ValidDc(dc)) return FALSE;
  const INT w = img->width, h = img->height;
  // What lies under the icon, blended with its pixels by their alpha.
  std::vector<uint32_t> under(size_t(w) * size_t(h), 0);
  HBITMAP bm = PixelsBitmap(under, w, h);
  if (!bm) return FALSE;
  HDC mem = CreateCompatibleDC(dc);
  HGDIOBJ old = mem ? SelectObject(mem, bm) : nullptr;
  bool ok = old && BitBlt(mem, 0, 0, w, h, dc, x, y, SRCCOPY);
  if (ok) {
    BITMAP info{};
    GetObjectW(bm, sizeof info, &info);
    auto* px = static_cast<uint32_t*>(info.bmBits);
    for (size_t i = 0; i < img->pixels.size(); ++i) {
      const uint32_t s = img->pixels[i], a = s >> 24, d = px[i];
      uint32_t out = 0;
      for (int k = 0; k < 24; k += 8) {
        const uint32_t c = (((s >> k) & 0xFF) * a + ((d >> k) & 0xFF) * (255 - a) + 127) / 255;
        out |= c << k;
      }
      px[i] = out;
    }
    ok = BitBlt(dc, x, y, w, h, mem, 0, 0, SRCCOPY);
  }
  if (old) SelectObject(mem, old);
  if (mem) DeleteDC(mem);
  DeleteObject(bm);
  return ok ? TRUE : FALSE;
}

}  // extern "C"

size_t ui::PackedDibBitsOffset(const void* dib, size_t size) {
  if (!dib || size < sizeof(BITMAPINFOHEADER)) return 0;
  BITMAPINFOHEADER h;
  std::memcpy(&h, dib, sizeof h);
  if (h.biSize != sizeof(BITMAPINFOHEADER) || !DibFormatOk(h)) return 0;
  const uint64_t offset = sizeof(BITMAPINFOHEADER) + uint64_t(TableEntries(h)) * 4;
  const uint64_t image = ((uint64_t(h.biWidth) * h.biBitCount + 31) / 32) * 4 * uint64_t(std::abs(h.biHeight));
  return offset + image <= size ? size_t(offset) : 0;
}
