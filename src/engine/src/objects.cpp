// Engine memory, surfaces, palettes, devices and the system services
// (code page, local time, text conversion).
#include <atomic>
#include <ctime>
#include <mutex>
#include <new>
#include <unordered_map>
#include <unordered_set>

#include "eng/control.h"
#include "internal.h"
#include "plat/kernel.h"

namespace eng::detail {
namespace {

std::atomic<long> g_blocks{0};
std::atomic<long> g_surfaces{0};
std::atomic<long> g_palettes{0};

std::mutex g_mutex;
std::unordered_set<const void*>& LiveSet() {
  static std::unordered_set<const void*> set;
  return set;
}
void Track(const void* p) {
  std::lock_guard<std::mutex> lock(g_mutex);
  LiveSet().insert(p);
}
void Untrack(const void* p) {
  std::lock_guard<std::mutex> lock(g_mutex);
  LiveSet().erase(p);
}
bool IsTracked(const void* p) {
  std::lock_guard<std::mutex> lock(g_mutex);
  return p && LiveSet().count(p) != 0;
}

// Each block carries its size in a 16-byte header so that blocks stay
// aligned for any pixel type.
constexpr size_t kHeader = 16;

}  // namespace

void* Alloc(size_t bytes, bool zero) {
  if (plat::ShouldFail("EngAllocMem")) return nullptr;
  if (bytes > (size_t(1) << 40)) return nullptr;
  uint8_t* raw = static_cast<uint8_t*>(zero ? std::calloc(1, bytes + kHeader)
                                            : std::malloc(bytes + kHeader));
  if (!raw) return nullptr;
  std::memcpy(raw, &bytes, sizeof(bytes));
  ++g_blocks;
  return raw + kHeader;
}

void Free(void* p) {
  if (!p) return;
  --g_blocks;
  std::free(static_cast<uint8_t*>(p) - kHeader);
}

int FormatBits(ULONG format) {
  switch (format) {
    case BMF_1BPP: return 1;
    case BMF_4BPP: return 4;
    case BMF_8BPP: return 8;
    case BMF_16BPP: return 16;
    case BMF_24BPP: return 24;
    case BMF_32BPP: return 32;
    default: return 0;
  }
}

LONG FormatStride(ULONG format, LONG width) {
  int64_t bits = int64_t(FormatBits(format)) * width;
  return LONG(((bits + 31) / 32) * 4);
}

Surface* SurfaceFromHandle(HSURF h) {
  Surface* s = static_cast<Surface*>(h);
  return IsTracked(s) && s->magic == kSurfaceMagic ? s : nullptr;
}

Surface* SurfaceFromObj(const SURFOBJ* so) {
  return so ? SurfaceFromHandle(so->hsurf) : nullptr;
}

Palette* PaletteFromHandle(HPALETTE h) {
  Palette* p = static_cast<Palette*>(h);
  return IsTracked(p) && p->magic == kPaletteMagic ? p : nullptr;
}

namespace {
std::unordered_map<const void*, PFN_DrvCopyBits>& CopyBitsMap() {
  static std::unordered_map<const void*, PFN_DrvCopyBits> map;
  return map;
}
}  // namespace

void RegisterDevice(HDEV hdev) { Track(hdev); }
void UnregisterDevice(HDEV hdev) {
  Untrack(hdev);
  std::lock_guard<std::mutex> lock(g_mutex);
  CopyBitsMap().erase(hdev);
}
bool IsLiveDevice(HDEV hdev) { return IsTracked(hdev); }

void SetDeviceCopyBits(HDEV hdev, PFN_DrvCopyBits fn) {
  std::lock_guard<std::mutex> lock(g_mutex);
  if (fn) {
    CopyBitsMap()[hdev] = fn;
  } else {
    CopyBitsMap().erase(hdev);
  }
}

PFN_DrvCopyBits DeviceCopyBits(HDEV hdev) {
  std::lock_guard<std::mutex> lock(g_mutex);
  auto it = CopyBitsMap().find(hdev);
  return it == CopyBitsMap().end() ? nullptr : it->second;
}

}  // namespace eng::detail

using namespace eng::detail;

namespace {

std::atomic<ULONG> g_uniq{1};

Surface* NewSurface(SIZEL sizl, ULONG format, USHORT type) {
  void* mem = Alloc(sizeof(Surface), true);
  if (!mem) return nullptr;
  Surface* s = new (mem) Surface{};
  s->so.hsurf = s;
  s->so.sizlBitmap = sizl;
  s->so.iBitmapFormat = format;
  s->so.iType = type;
  s->so.iUniq = g_uniq++;
  Track(s);
  ++g_surfaces;
  return s;
}

std::mutex g_clock_mutex;
bool g_clock_fixed = false;
ENG_TIME_FIELDS g_clock{};

}  // namespace

namespace eng {

void SetClock(const ENG_TIME_FIELDS& fields) {
  std::lock_guard<std::mutex> lock(g_clock_mutex);
  g_clock = fields;
  g_clock_fixed = true;
}
void ReleaseClock() {
  std::lock_guard<std::mutex> lock(g_clock_mutex);
  g_clock_fixed = false;
}
long LiveSurfaces() { return g_surfaces; }
long LivePalettes() { return g_palettes; }
long LiveEngBlocks() { return g_blocks; }

}  // namespace eng

ENG_API PVOID EngAllocMem(FLONG fl, ULONG cj, ULONG) {
  return Alloc(cj, (fl & FL_ZERO_MEMORY) != 0);
}

ENG_API void EngFreeMem(PVOID pv) { Free(pv); }

ENG_API HBITMAP EngCreateBitmap(SIZEL sizl, LONG lWidth, ULONG iFormat, FLONG fl, PVOID pvBits) {
  int bits = FormatBits(iFormat);
  if (bits == 0 || sizl.cx <= 0 || sizl.cy <= 0 || sizl.cx > 0x100000 || sizl.cy > 0x100000) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  LONG min_stride = FormatStride(iFormat, sizl.cx);
  // The engine lays out its own bits; a caller's bits use the caller's
  // row width, which must hold a row.
  LONG stride = pvBits ? lWidth : min_stride;
  if (stride < min_stride) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  uint64_t size = uint64_t(stride) * uint64_t(sizl.cy);
  if (size > 0x7FFFFFFF) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  Surface* s = NewSurface(sizl, iFormat, STYPE_BITMAP);
  if (!s) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  uint8_t* data = static_cast<uint8_t*>(pvBits);
  if (!data) {
    data = static_cast<uint8_t*>(Alloc(size_t(size), (fl & BMF_NOZEROINIT) == 0));
    if (!data) {
      EngDeleteSurface(s);
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return nullptr;
    }
    s->owned_bits = data;
  }
  s->so.cjBits = ULONG(size);
  s->so.pvBits = data;
  bool top_down = (fl & BMF_TOPDOWN) != 0;
  s->so.fjBitmap = top_down ? USHORT(BMF_TOPDOWN) : USHORT(0);
  s->so.lDelta = top_down ? stride : -stride;
  s->so.pvScan0 = top_down ? data : data + size_t(stride) * size_t(sizl.cy - 1);
  return s;
}

ENG_API HSURF EngCreateDeviceSurface(DHSURF dhsurf, SIZEL sizl, ULONG iFormatCompat) {
  if (FormatBits(iFormatCompat) == 0 || sizl.cx <= 0 || sizl.cy <= 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  Surface* s = NewSurface(sizl, iFormatCompat, STYPE_DEVICE);
  if (!s) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  s->so.dhsurf = dhsurf;
  return s;
}

ENG_API BOOL EngMarkBandingSurface(HSURF hsurf) {
  Surface* s = SurfaceFromHandle(hsurf);
  if (!s || s->so.iType != STYPE_BITMAP) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  s->banding = true;
  return TRUE;
}

// The device record behind an HDEV starts with the driver's PDEV handle
// (dc.cpp keeps it so), which the surface takes at association.
ENG_API BOOL EngAssociateSurface(HSURF hsurf, HDEV hdev, FLONG flHooks) {
  Surface* s = SurfaceFromHandle(hsurf);
  if (!s || !IsLiveDevice(hdev)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  s->so.hdev = hdev;
  std::memcpy(&s->so.dhpdev, hdev, sizeof(DHPDEV));
  s->hooks = flHooks;
  s->associated = true;
  return TRUE;
}

ENG_API BOOL EngDeleteSurface(HSURF hsurf) {
  Surface* s = SurfaceFromHandle(hsurf);
  if (!s) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  Untrack(s);
  Free(s->owned_bits);
  s->magic = 0;
  s->~Surface();
  Free(s);
  --g_surfaces;
  return TRUE;
}

ENG_API SURFOBJ* EngLockSurface(HSURF hsurf) {
  Surface* s = SurfaceFromHandle(hsurf);
  return s ? &s->so : nullptr;
}

ENG_API void EngUnlockSurface(SURFOBJ*) {}

ENG_API HPALETTE EngCreatePalette(ULONG iMode, ULONG cColors, ULONG* pulColors, FLONG flRed,
                                  FLONG flGreen, FLONG flBlue) {
  bool ok = iMode == PAL_RGB || iMode == PAL_BGR || iMode == PAL_BITFIELDS ||
            (iMode == PAL_INDEXED && cColors > 0 && cColors <= 256 && pulColors);
  if (!ok) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  void* mem = Alloc(sizeof(Palette), true);
  if (!mem) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  Palette* p = new (mem) Palette{};
  p->mode = iMode;
  if (iMode == PAL_INDEXED) {
    // Entries arrive as the DDI gives them: red in the low byte (a
    // COLORREF-like value); the engine keeps blue low.
    for (ULONG i = 0; i < cColors; ++i) {
      ULONG c = pulColors[i];
      p->colors.push_back(((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF));
    }
  }
  p->red = flRed;
  p->green = flGreen;
  p->blue = flBlue;
  Track(p);
  ++g_palettes;
  return p;
}

ENG_API BOOL EngDeletePalette(HPALETTE hpal) {
  Palette* p = PaletteFromHandle(hpal);
  if (!p) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  Untrack(p);
  p->magic = 0;
  p->~Palette();
  Free(p);
  --g_palettes;
  return TRUE;
}

ENG_API void EngGetCurrentCodePage(USHORT* OemCodePage, USHORT* AnsiCodePage) {
  // The machine is a Japanese system: ANSI and OEM code page 932.
  if (OemCodePage) *OemCodePage = 932;
  if (AnsiCodePage) *AnsiCodePage = USHORT(GetACP());
}

ENG_API void EngQueryLocalTime(ENG_TIME_FIELDS* ptf) {
  if (!ptf) return;
  {
    std::lock_guard<std::mutex> lock(g_clock_mutex);
    if (g_clock_fixed) {
      *ptf = g_clock;
      return;
    }
  }
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  tm t{};
  localtime_r(&ts.tv_sec, &t);
  ptf->usYear = USHORT(t.tm_year + 1900);
  ptf->usMonth = USHORT(t.tm_mon + 1);
  ptf->usDay = USHORT(t.tm_mday);
  ptf->usHour = USHORT(t.tm_hour);
  ptf->usMinute = USHORT(t.tm_min);
  ptf->usSecond = USHORT(t.tm_sec);
  ptf->usMilliseconds = USHORT(ts.tv_nsec / 1000000);
  ptf->usWeekday = USHORT(t.tm_wday);
}

ENG_API void EngUnicodeToMultiByteN(char* MultiByteString, ULONG MaxBytesInMultiByteString,
                                    ULONG* BytesInMultiByteString, WCHAR* UnicodeString,
                                    ULONG BytesInUnicodeString) {
  size_t written = 0;
  if (MultiByteString && UnicodeString)
    written = plat::WideToAnsi(UnicodeString, BytesInUnicodeString / 2, MultiByteString,
                               MaxBytesInMultiByteString);
  if (BytesInMultiByteString) *BytesInMultiByteString = ULONG(written);
}
