// The preview pictures of the pages: pictures of the bitmap resource module
// and BMP files, placed by the position table and drawn transparently over
// the page background, or stretched and colour-adjusted; the composition of
// several layers off screen; icons; and the loading of BMP files.
//
// Transparency works with masks: a picture of 8 bits or fewer gets a mask
// from its colour table (black where the key colour is, white elsewhere).
// The picture ANDed with the mask is black where it is transparent; the
// background ANDed with the inverted mask is black where the picture is;
// ORing the two gives the picture over the background.
#include <algorithm>
#include <cstring>
#include <vector>

#include "ctl_internal.h"
#include "plat/files.h"
#include "plat/handles.h"
#include "plat/kernel.h"
#include "plat/resources.h"
#include "ui/icon_resource.h"
#include "ui/tabctrl.h"
#include "ui2k/pages.h"
#include "ui2k/preview.h"
#include "velm/context.h"
#include "velm/resources.h"
#include "velm/setting_ids.h"
#include "velm/settings.h"

namespace {

constexpr int32_t kNeutral = 50;
constexpr size_t kFileHeader = 14;
constexpr size_t kInfoHeader = 40;
// The largest BMP file read: far above any picture a preview shows.
constexpr uint64_t kMaxBmpFile = 64ull << 20;

// ---- BMP files ---------------------------------------------------------------------------------

uint32_t U32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

// What a BMP file holds, once its headers are checked.
struct BmpLayout {
  BITMAPINFOHEADER header;
  uint32_t tableEntries = 0;
  uint64_t bitsOffset = 0;
  uint64_t imageSize = 0;
};

// Checks the headers of a BMP file of file_size bytes whose first bytes are
// head: the signature, a 40-byte info header, one plane, a bit count of 1,
// 4, 8, 16, 24 or 32 without compression, a size of 1 to 16384 pixels each
// way (a negative height: rows top-down), a colour table of biClrUsed
// entries (all 2^bits when 0) that fits before the pixels, and pixels from
// bfOffBits that the file holds whole. Sizes are computed in 64 bits.
bool CheckBmp(const uint8_t* head, size_t head_size, uint64_t file_size, BmpLayout* out) {
  if (head_size < kFileHeader + kInfoHeader || file_size > kMaxBmpFile) return false;
  if (head[0] != 'B' || head[1] != 'M' || U32(head + kFileHeader) != kInfoHeader) return false;
  BITMAPINFOHEADER h;
  std::memcpy(&h, head + kFileHeader, sizeof h);
  const WORD bits = h.biBitCount;
  if (h.biPlanes != 1 || h.biCompression != BI_RGB) return false;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
  if (h.biWidth < 1 || h.biWidth > 16384 || h.biHeight == 0 || h.biHeight < -16384 || h.biHeight > 16384) return false;
  const uint32_t most = bits <= 8 ? 1u << bits : 256u;
  if (h.biClrUsed > most) return false;
  const uint32_t entries = bits <= 8 && h.biClrUsed == 0 ? most : h.biClrUsed;
  const uint64_t table_end = kFileHeader + kInfoHeader + uint64_t(entries) * 4;
  const uint64_t offset = U32(head + 10);
  const uint64_t image = ((uint64_t(bits) * uint64_t(h.biWidth) + 31) / 32) * 4 * uint64_t(std::abs(h.biHeight));
  if (offset < table_end || offset + image > file_size) return false;
  out->header = h;
  out->tableEntries = entries;
  out->bitsOffset = offset;
  out->imageSize = image;
  return true;
}

bool ReadAll(HANDLE file, uint8_t* to, size_t count) {
  while (count > 0) {
    DWORD got = 0;
    const DWORD want = DWORD(std::min<size_t>(count, 16384));
    if (!ReadFile(file, to, want, &got, nullptr) || got == 0) return false;
    to += got;
    count -= got;
  }
  return true;
}

// Opens a BMP file and checks its headers; the file is left open after the
// bytes read (head: the headers and colour table) or closed on failure.
HANDLE OpenBmp(const char16_t* path, std::vector<uint8_t>* head, BmpLayout* layout) {
  if (!path || !*path) return nullptr;
  HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE || !file) return nullptr;
  DWORD high = 0;
  const DWORD low = GetFileSize(file, &high);
  const uint64_t size = (uint64_t(high) << 32) | low;
  // The headers and the largest colour table.
  head->assign(size_t(std::min<uint64_t>(size, kFileHeader + kInfoHeader + 256 * 4)), 0);
  if (low == INVALID_FILE_SIZE || !ReadAll(file, head->data(), head->size()) ||
      !CheckBmp(head->data(), head->size(), size, layout)) {
    CloseHandle(file);
    return nullptr;
  }
  return file;
}

// ---- pictures ----------------------------------------------------------------------------------

bool IsFilePath(const char16_t* name) { return !IS_INTRESOURCE(name) && name[0] && name[1] == u':'; }

// A picture to draw: a packed DIB of the bitmap module (its colour table
// can be read and changed) or a bitmap (files and named resources).
struct Picture {
  std::vector<uint8_t> dib;  // header, colour table, rows
  size_t bitsOffset = 0;
  HBITMAP bitmap = nullptr;
  bool file = false;
  LONG width = 0, height = 0;

  ~Picture() {
    if (bitmap) DeleteObject(bitmap);
  }
  BITMAPINFO* Info() { return reinterpret_cast<BITMAPINFO*>(dib.data()); }
  const BITMAPINFOHEADER& Header() const { return *reinterpret_cast<const BITMAPINFOHEADER*>(dib.data()); }
  bool Paletted() const { return !dib.empty() && Header().biBitCount <= 8; }
  uint32_t Entries() const {
    const BITMAPINFOHEADER& h = Header();
    return h.biClrUsed ? h.biClrUsed : 1u << h.biBitCount;
  }
  RGBQUAD* Table() { return reinterpret_cast<RGBQUAD*>(dib.data() + sizeof(BITMAPINFOHEADER)); }
};

COLORREF ColourOf(const RGBQUAD& q) { return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue); }
RGBQUAD QuadOf(COLORREF c) { return RGBQUAD{GetBValue(c), GetGValue(c), GetRValue(c), 0}; }

// The index of the bottom-left pixel of a 4-bit DIB.
uint32_t BottomLeftIndex(const Picture& p) {
  const BITMAPINFOHEADER& h = p.Header();
  const size_t stride = ((size_t(h.biWidth) * 4 + 31) / 32) * 4;
  const size_t row = h.biHeight > 0 ? 0 : size_t(std::abs(h.biHeight) - 1);
  return p.dib[p.bitsOffset + row * stride] >> 4;
}

bool LoadPicture(DriverContext* ctx, const char16_t* name, Picture* out) {
  if (IsFilePath(name)) {
    int32_t w = 0, h = 0;
    out->bitmap = PrevLoadBmpFile(name, &w, &h);
    out->file = true;
    out->width = w;
    out->height = h;
    return out->bitmap != nullptr;
  }
  if (!IS_INTRESOURCE(name)) {
    out->bitmap = PrevLoadBitmapByName(ctx, name);
    BITMAP bm{};
    if (!out->bitmap || !GetObjectW(out->bitmap, sizeof bm, &bm)) return false;
    out->width = bm.bmWidth;
    out->height = bm.bmHeight;
    return true;
  }
  HMODULE module = ResLoadBitmapDll(ctx);
  size_t size = 0;
  const void* res = module ? plat::FindModuleResource(module, RT_BITMAP, DWORD(reinterpret_cast<uintptr_t>(name)), &size)
                           : nullptr;
  const size_t offset = ui::PackedDibBitsOffset(res, size);
  if (!offset) return false;
  out->dib.assign(static_cast<const uint8_t*>(res), static_cast<const uint8_t*>(res) + size);
  out->bitsOffset = offset;
  out->width = out->Header().biWidth;
  out->height = std::abs(out->Header().biHeight);
  return true;
}

// A memory DC holding a new bitmap of w x h, filled with colour (or
// black); both freed by its destructor.
struct MemDc {
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ old = nullptr;
  MemDc(HDC like, LONG w, LONG h) {
    dc = CreateCompatibleDC(like);
    bitmap = dc ? CreateCompatibleBitmap(like, std::max<LONG>(w, 1), std::max<LONG>(h, 1)) : nullptr;
    old = bitmap ? SelectObject(dc, bitmap) : nullptr;
  }
  ~MemDc() {
    if (old) SelectObject(dc, old);
    if (bitmap) DeleteObject(bitmap);
    if (dc) DeleteDC(dc);
  }
  bool ok() const { return old != nullptr; }
  void Fill(LONG w, LONG h, COLORREF c) const {
    RECT r{0, 0, w, h};
    HBRUSH b = CreateSolidBrush(c);
    FillRect(dc, &r, b);
    DeleteObject(b);
  }
};

// Draws the picture's pixels (a DIB or a bitmap) into a DC at the origin.
void Render(Picture& p, HDC dc) {
  if (p.bitmap) {
    HDC src = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(src, p.bitmap);
    BitBlt(dc, 0, 0, p.width, p.height, src, 0, 0, SRCCOPY);
    SelectObject(src, old);
    DeleteDC(src);
    return;
  }
  SetDIBitsToDevice(dc, 0, 0, DWORD(p.width), DWORD(p.height), 0, 0, 0, UINT(p.height), p.dib.data() + p.bitsOffset,
                    p.Info(), DIB_RGB_COLORS);
}

// The mask of a picture of 8 bits or fewer: the same DIB with a colour
// table of black for the key colour and white for every other colour.
void RenderMask(Picture& p, HDC dc) {
  std::vector<uint8_t> saved(p.dib.begin() + sizeof(BITMAPINFOHEADER), p.dib.begin() + long(p.bitsOffset));
  COLORREF key = kPictureKeyColour;
  if (p.Header().biBitCount == 4) key = ColourOf(p.Table()[BottomLeftIndex(p)]);
  for (uint32_t i = 0; i < p.Entries(); ++i)
    p.Table()[i] = ColourOf(p.Table()[i]) == key ? QuadOf(0) : QuadOf(RGB(255, 255, 255));
  Render(p, dc);
  std::copy(saved.begin(), saved.end(), p.dib.begin() + sizeof(BITMAPINFOHEADER));
}

DWORD RopOf(uint32_t flags) {
  if (flags & kPicCopy) return SRCCOPY;
  if (flags & kPicAnd) return SRCAND;
  if (flags & kPicMergePaint) return MERGEPAINT;
  return SRCPAINT;
}

COLORREF Background(DriverContext* ctx) {
  const WorkRecord& w = *ctx->work;
  return w.pictureBackgroundSet ? w.pictureBackground : GetSysColor(COLOR_BTNFACE);
}

// UxTheme's calls, when the module is in the process and has them.
using OpenThemeDataFn = HANDLE (*)(HWND, const char16_t*);
using DrawThemeBackgroundFn = int32_t (*)(HANDLE, HDC, int32_t, int32_t, const RECT*, const RECT*);
using IsThemeActiveFn = BOOL (*)();
using CloseThemeDataFn = int32_t (*)(HANDLE);
constexpr int32_t kTabPane = 9;

// Paints the tab pane of the page under the control into dc (w x h) when a
// theme is active for a page; false when the plain background is to be
// used, as it is wherever UxTheme is absent.
bool PaintThemedPane(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, HDC dc, LONG w, LONG h,
                     int32_t preview) {
  HMODULE theme = GetModuleHandleW(u"UxTheme.dll");
  if (!theme || preview || !dialog || !dialog->window || !item) return false;
  auto open = reinterpret_cast<OpenThemeDataFn>(GetProcAddress(theme, "OpenThemeData"));
  auto draw = reinterpret_cast<DrawThemeBackgroundFn>(GetProcAddress(theme, "DrawThemeBackground"));
  auto active = reinterpret_cast<IsThemeActiveFn>(GetProcAddress(theme, "IsThemeActive"));
  auto close = reinterpret_cast<CloseThemeDataFn>(GetProcAddress(theme, "CloseThemeData"));
  if (!open || !draw || !active || !active()) return false;
  if (!(GetWindowLongPtrW(dialog->window, GWL_STYLE) & WS_CHILD)) return false;  // a modal dialog
  if (PrevGetComctlVersion() < 600 || Background(ctx) != GetSysColor(COLOR_BTNFACE)) return false;
  HWND control = CtlWindowOf(dialog, item);
  HANDLE data = control ? open(dialog->window, u"Tab") : nullptr;
  if (!data) return false;
  RECT pane;
  GetClientRect(dialog->window, &pane);
  SendMessageW(dialog->window, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&pane));
  POINT corners[2] = {{pane.left, pane.top}, {pane.right, pane.bottom}};
  for (POINT& c : corners) {
    ClientToScreen(dialog->window, &c);
    ScreenToClient(control, &c);
  }
  pane = RECT{corners[0].x, corners[0].y, corners[1].x, corners[1].y};
  RECT clip{0, 0, w, h};
  draw(data, dc, kTabPane, 0, &pane, &clip);
  if (close) close(data);
  return true;
}

int32_t MachineIsMono(DriverContext* ctx) { return OptGetValueById(ctx, setting::vdmMachineColor) == 0; }

// Stretched drawing: the picture's colours adjusted (grey on a machine
// without colour), stretched over the rectangle.
void DrawStretched(DriverContext* ctx, Picture& p, HDC dc, const RECT& r) {
  MemDc pic(dc, p.width, p.height);
  if (!pic.ok()) return;
  if (p.Paletted()) {
    const int32_t grey = MachineIsMono(ctx);
    for (uint32_t i = 0; i < p.Entries(); ++i) {
      const COLORREF c = PrevAdjustColour(ctx, ColourOf(p.Table()[i]), grey);
      p.Table()[i] = QuadOf(c);
      PrevSetPaletteEntry(pic.dc, int32_t(i), c);
    }
    HANDLE old_palette = PrevSetPaletteEntry(pic.dc, -1, 0);
    Render(p, pic.dc);
    if (old_palette) SelectPalette(pic.dc, old_palette, FALSE);
  } else {
    Render(p, pic.dc);
  }
  SetStretchBltMode(dc, STRETCH_DELETESCANS);
  StretchBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, pic.dc, 0, 0, p.width, p.height, SRCCOPY);
}

// Placed drawing at (x, y) of the rectangle r of dc.
void DrawPlaced(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, Picture& p, HDC dc, const RECT& r,
                int32_t x, int32_t y, uint32_t flags, int32_t preview) {
  const LONG w = r.right - r.left, h = r.bottom - r.top;
  if (w <= 0 || h <= 0) return;
  if (flags & kPicCentre) x -= p.width / 2;
  if (flags & kPicRight) x -= p.width;
  if (flags & kPicMiddle) y -= p.height / 2;
  if (flags & kPicBottom) y -= p.height;
  const LONG px = x - r.left, py = y - r.top;
  MemDc work(dc, w, h), pic(dc, p.width, p.height);
  if (!work.ok() || !pic.ok()) return;
  Render(p, pic.dc);
  if (p.file || (flags & (kPicCopy | kPicRopChoice | kPicAnd | kPicMergePaint)) || !p.Paletted()) {
    BitBlt(work.dc, 0, 0, w, h, dc, r.left, r.top, SRCCOPY);
  } else {
    MemDc mask(dc, p.width, p.height), inverse(dc, p.width, p.height);
    if (!mask.ok() || !inverse.ok()) return;
    RenderMask(p, mask.dc);
    BitBlt(pic.dc, 0, 0, p.width, p.height, mask.dc, 0, 0, SRCAND);
    BitBlt(inverse.dc, 0, 0, p.width, p.height, mask.dc, 0, 0, NOTSRCCOPY);
    if (flags & kPicTarget) {
      BitBlt(work.dc, 0, 0, w, h, dc, r.left, r.top, SRCCOPY);
    } else if (!PaintThemedPane(ctx, dialog, item, work.dc, w, h, preview)) {
      work.Fill(w, h, Background(ctx));
    }
    BitBlt(work.dc, px, py, p.width, p.height, inverse.dc, 0, 0, SRCAND);
  }
  BitBlt(work.dc, px, py, p.width, p.height, pic.dc, 0, 0, RopOf(flags));
  BitBlt(dc, r.left, r.top, w, h, work.dc, 0, 0, SRCCOPY);
}

void FreeComposition(WorkRecord& w) {
  if (w.composeDc) {
    if (w.composeOldBitmap) SelectObject(static_cast<HDC>(w.composeDc), w.composeOldBitmap);
    DeleteDC(static_cast<HDC>(w.composeDc));
  }
  if (w.composeBitmap) DeleteObject(w.composeBitmap);
  w.composeDc = w.composeBitmap = w.composeOldBitmap = nullptr;
}

// The process-wide palette and whether the display uses one (-1 not yet
// tested).
int32_t g_paletteDisplay = -1;
struct {
  WORD version = 0x300;
  WORD count = 256;
  PALETTEENTRY entries[256] = {};
} g_palette;

}  // namespace

const PictureRow* PrevFindPictureRow(uint32_t id) {
  for (const PictureRow* r = UiGetPictureTable(); r->id; ++r)
    if (r->id == id) return r;
  return nullptr;
}

HDC UiGetPreviewDC(DriverContext* ctx, HWND window) {
  if (ctx->work->previewDc) return static_cast<HDC>(ctx->work->previewDc);
  HDC dc = window ? GetDC(window) : nullptr;
  if (dc) {
    RECT client;
    GetClientRect(window, &client);
    IntersectClipRect(dc, client.left, client.top, client.right, client.bottom);
  }
  return dc;
}

void UiReleasePreviewDC(DriverContext* ctx, HWND window, HDC dc) {
  if (dc && dc != ctx->work->previewDc) ReleaseDC(window, dc);
}

void PrevDrawItemPicture(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, HWND window,
                         const RECT* rect, uint32_t pictureId, uint32_t flags, int32_t preview) {
  RECT r{0, 0, 0, 0};
  if (window) {
    GetClientRect(window, &r);
  } else if (rect) {
    r = *rect;
    flags |= kPicCentre | kPicMiddle;
  } else {
    return;
  }
  int32_t x = r.left, y = r.top;
  if (const PictureRow* row = PrevFindPictureRow(pictureId)) {
    x += row->dx;
    y += row->dy;
    flags |= row->flags;
  }
  if (flags & kPicCentre) x += (r.right - r.left) / 2;
  if (flags & kPicRight) x += r.right - r.left;
  if (flags & kPicMiddle) y += (r.bottom - r.top) / 2;
  if (flags & kPicBottom) y += r.bottom - r.top;
  HDC dc = UiGetPreviewDC(ctx, window);
  if (!dc) return;
  PrevDrawPicture(ctx, dialog, item, dc, &r, x, y, MAKEINTRESOURCEW(pictureId), flags, preview);
  UiReleasePreviewDC(ctx, window, dc);
}

void PrevDrawPicture(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, HDC dc, const RECT* rect,
                     int32_t x, int32_t y, const char16_t* picture, uint32_t flags, int32_t preview) {
  if (!dc || !rect || !picture) return;
  WorkRecord& w = *ctx->work;
  RECT r = *rect;
  if (flags & kPicStretch) {
    // A stretched picture ends the composition: what it holds goes out first.
    if (w.composeDc) BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, static_cast<HDC>(w.composeDc), 0, 0, SRCCOPY);
    FreeComposition(w);
    w.composing = 0;
  } else if (w.composing) {
    const LONG cw = r.right - r.left, ch = r.bottom - r.top;
    if (!w.composeDc && cw > 0 && ch > 0) {
      HDC mem = CreateCompatibleDC(dc);
      HBITMAP bm = mem ? CreateCompatibleBitmap(dc, cw, ch) : nullptr;
      if (!bm) {
        if (mem) DeleteDC(mem);
        return;
      }
      w.composeDc = mem;
      w.composeBitmap = bm;
      w.composeOldBitmap = SelectObject(mem, bm);
      BitBlt(mem, 0, 0, cw, ch, dc, r.left, r.top, SRCCOPY);
    }
    if (!w.composeDc) return;
    dc = static_cast<HDC>(w.composeDc);
    x -= r.left;
    y -= r.top;
    r = RECT{0, 0, cw, ch};
  }
  Picture p;
  if (!LoadPicture(ctx, picture, &p) || p.width <= 0 || p.height <= 0) return;
  if (flags & kPicStretch) DrawStretched(ctx, p, dc, r);
  else DrawPlaced(ctx, dialog, item, p, dc, r, x, y, flags, preview);
}

void PrevBeginCompose(DriverContext* ctx) {
  WorkRecord& w = *ctx->work;
  FreeComposition(w);
  w.composing = 1;
}

void PrevEndCompose(DriverContext* ctx, HWND window, const RECT* rect) {
  WorkRecord& w = *ctx->work;
  if (!w.composing || (!window && !rect)) return;
  w.composing = 0;
  if (w.composeDc) {
    RECT r{0, 0, 0, 0};
    if (window) GetClientRect(window, &r);
    else r = *rect;
    if (HDC dc = UiGetPreviewDC(ctx, window)) {
      BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, static_cast<HDC>(w.composeDc), 0, 0, SRCCOPY);
      UiReleasePreviewDC(ctx, window, dc);
    }
  }
  FreeComposition(w);
}

HDC PrevComposeDc(DriverContext* ctx) {
  return ctx->work->composing ? static_cast<HDC>(ctx->work->composeDc) : nullptr;
}

COLORREF PrevAdjustColour(DriverContext* ctx, COLORREF colour, int32_t grey) {
  int32_t p[6];
  bool neutral = true;
  for (int i = 0; i < 6; ++i) {
    p[i] = ctx->work->colourShift[i] + kNeutral;
    neutral = neutral && p[i] == kNeutral;
  }
  // Neutral parameters leave the colour as it is, except that a machine
  // without colour still shows it grey.
  if (neutral && !grey) return colour;
  int32_t r = GetRValue(colour), g = GetGValue(colour), b = GetBValue(colour);
  int32_t y = (r * 30 + g * 59 + b * 11) / 100;
  if (p[0] != kNeutral || p[2] != kNeutral) {
    int32_t cr = r - y, cb = b - y;
    const int32_t a = 3 * (p[0] - kNeutral) / 2;
    y = y > 128 ? ((128 - a) * y + a * 255) / 128 : (a + 128) * y / 128;
    const int32_t s = 3 * (p[2] - kNeutral) / 2;
    auto saturate = [s](int32_t v) { return v > 128 ? ((128 - s) * v + s * 255) / 128 : (s + 128) * v / 128; };
    cr = saturate(cr);
    cb = saturate(cb);
    r = std::max(0, y + cr);
    g = std::max(0, y - cr * 30 / 59 - cb * 11 / 59);
    b = std::max(0, y + cb);
  }
  if (grey) {
    r = g = b = y;
  } else {
    r += p[3] - kNeutral;
    g += p[4] - kNeutral;
    b += p[5] - kNeutral;
  }
  if (p[1] != kNeutral) {
    const int32_t k = 2 * p[1] + 156;
    r = k * r / 256 + kNeutral - p[1];
    g = k * g / 256 + kNeutral - p[1];
    b = k * b / 256 + kNeutral - p[1];
  }
  auto clamp = [](int32_t v) { return uint8_t(std::clamp(v, 0, 255)); };
  return RGB(clamp(r), clamp(g), clamp(b));
}

HANDLE PrevSetPaletteEntry(HDC dc, int32_t index, COLORREF colour) {
  if (g_paletteDisplay < 0) {
    HDC display = CreateCompatibleDC(nullptr);
    g_paletteDisplay = display && GetNearestColor(display, 0xFF3333) != 0xFF3333 ? 1 : 0;
    if (display) DeleteDC(display);
  }
  if (!dc) return reinterpret_cast<HANDLE>(intptr_t(g_paletteDisplay));
  if (g_paletteDisplay != 1) return nullptr;
  if (index == -1) {
    HPALETTE palette = CreatePalette(reinterpret_cast<const LOGPALETTE*>(&g_palette));
    HPALETTE old = palette ? SelectPalette(dc, palette, FALSE) : nullptr;
    RealizePalette(dc);
    return old;
  }
  if (index >= 0 && index < 256)
    g_palette.entries[index] = PALETTEENTRY{GetRValue(colour), GetGValue(colour), GetBValue(colour), 0};
  return nullptr;
}

int32_t PrevGetComctlVersion() {
  struct DllVersionInfo {
    uint32_t cbSize, dwMajorVersion, dwMinorVersion, dwBuildNumber, dwPlatformID;
  };
  using DllGetVersionFn = int32_t (*)(DllVersionInfo*);
  HMODULE module = LoadLibraryW(u"comctl32.dll");
  if (!module) return 0;
  int32_t version = 0;
  if (auto get = reinterpret_cast<DllGetVersionFn>(GetProcAddress(module, "DllGetVersion"))) {
    DllVersionInfo info{sizeof(DllVersionInfo), 0, 0, 0, 0};
    if (get(&info) >= 0) version = int32_t(info.dwMajorVersion * 100 + info.dwMinorVersion);
  }
  FreeLibrary(module);
  return version;
}

HBITMAP PrevLoadBitmapById(DriverContext* ctx, uint32_t id) {
  HMODULE module = ResLoadBitmapDll(ctx);
  return module ? LoadBitmapW(module, MAKEINTRESOURCEW(id)) : nullptr;
}

HBITMAP PrevLoadBitmapByName(DriverContext* ctx, const char16_t* name) {
  HMODULE module = ResLoadBitmapDll(ctx);
  return module && name ? LoadBitmapW(module, name) : nullptr;
}

void PrevDrawIcon(DriverContext* ctx, HDC dc, int32_t x, int32_t y, uint32_t iconId) {
  HMODULE module = ResLoadUiDll(ctx);
  HICON icon = module ? LoadIconW(module, MAKEINTRESOURCEW(iconId)) : nullptr;
  if (icon && dc) DrawIcon(dc, x, y, icon);
}

void PrevDrawIconInWindow(DriverContext* ctx, HWND window, uint32_t iconId) {
  HDC dc = window ? GetDC(window) : nullptr;
  if (!dc) return;
  PrevDrawIcon(ctx, dc, 0, 0, iconId);
  ReleaseDC(window, dc);
}

int32_t PrevOpenBmpFile(const char16_t* path, HANDLE* file) {
  if (file) *file = nullptr;
  std::vector<uint8_t> head;
  BmpLayout layout;
  HANDLE h = OpenBmp(path, &head, &layout);
  if (!h) return 0;
  if (file) *file = h;
  else CloseHandle(h);
  return 1;
}

HBITMAP PrevLoadBmpFile(const char16_t* path, int32_t* width, int32_t* height) {
  std::vector<uint8_t> head;
  BmpLayout layout;
  HANDLE file = OpenBmp(path, &head, &layout);
  if (!file) return nullptr;
  // The header and colour table, then the rows from where the file header
  // puts them (the bytes between are skipped).
  const size_t table = size_t(layout.tableEntries) * 4;
  std::vector<uint8_t> info(kInfoHeader + table);
  std::memcpy(info.data(), head.data() + kFileHeader, info.size());
  std::vector<uint8_t> bits(size_t(layout.imageSize));
  bool ok = true;
  uint64_t at = head.size();
  if (at > layout.bitsOffset) {
    const size_t have = size_t(std::min<uint64_t>(at - layout.bitsOffset, layout.imageSize));
    std::memcpy(bits.data(), head.data() + layout.bitsOffset, have);
    ok = ReadAll(file, bits.data() + have, bits.size() - have);
  } else {
    std::vector<uint8_t> skip(16384);
    while (ok && at < layout.bitsOffset) {
      const size_t n = size_t(std::min<uint64_t>(layout.bitsOffset - at, skip.size()));
      ok = ReadAll(file, skip.data(), n);
      at += n;
    }
    ok = ok && ReadAll(file, bits.data(), bits.size());
  }
  CloseHandle(file);
  if (!ok) return nullptr;
  const auto* bi = reinterpret_cast<const BITMAPINFO*>(info.data());
  HDC display = CreateCompatibleDC(nullptr);
  HBITMAP bm = CreateDIBitmap(display, &bi->bmiHeader, CBM_INIT, bits.data(), bi, DIB_RGB_COLORS);
  if (display) DeleteDC(display);
  if (bm) {
    if (width) *width = layout.header.biWidth;
    if (height) *height = std::abs(layout.header.biHeight);
  }
  return bm;
}
