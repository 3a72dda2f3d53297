// The engine's own records behind the DDI objects. Each record starts with
// the DDI structure a driver sees, so that a pointer to one is a pointer to
// the other; a magic word behind it tells a live record from anything else.
#pragma once

#include <cstring>
#include <vector>

#include "eng/ddi.h"

namespace eng {
class Path;
struct Pen;
}

namespace eng::detail {

constexpr uint32_t kSurfaceMagic = 0x46525553;  // "SURF"
constexpr uint32_t kPaletteMagic = 0x4C415050;
constexpr uint32_t kClipMagic = 0x50494C43;
constexpr uint32_t kPathMagic = 0x48544150;
constexpr uint32_t kXformMagic = 0x4D524F46;
constexpr uint32_t kXlateMagic = 0x54414C58;
constexpr uint32_t kBrushMagic = 0x48535242;

// Memory of the engine: counted, and failed on request (service name
// "EngAllocMem" of the platform layer's fault switch).
void* Alloc(size_t bytes, bool zero);
void Free(void* p);

struct Surface {
  SURFOBJ so;
  uint32_t magic = kSurfaceMagic;
  bool banding = false;
  bool associated = false;
  FLONG hooks = 0;
  uint8_t* owned_bits = nullptr;
};
Surface* SurfaceFromHandle(HSURF h);
Surface* SurfaceFromObj(const SURFOBJ* so);
// Bits per pixel of a bitmap format, 0 for an unknown one.
int FormatBits(ULONG format);
// Row size of a bitmap format: whole 32-bit words.
LONG FormatStride(ULONG format, LONG width);

struct Palette {
  uint32_t magic = kPaletteMagic;
  ULONG mode = 0;
  std::vector<ULONG> colors;  // indexed palettes: 0x00RRGGBB (blue low)
  FLONG red = 0, green = 0, blue = 0;
};
Palette* PaletteFromHandle(HPALETTE h);

// The devices the DC side has opened (HDEV handles).
void RegisterDevice(HDEV hdev);
void UnregisterDevice(HDEV hdev);
bool IsLiveDevice(HDEV hdev);
// The DrvCopyBits of a device's driver, by which the engine hands what it
// draws for a surface of the device to the driver; null when it has none.
void SetDeviceCopyBits(HDEV hdev, PFN_DrvCopyBits fn);
PFN_DrvCopyBits DeviceCopyBits(HDEV hdev);

// ---- clip regions: a list of disjoint rectangles ----------------------------------
struct Clip {
  CLIPOBJ co{};
  uint32_t magic = kClipMagic;
  std::vector<RECTL> rects;  // disjoint, top to bottom, left to right
  std::vector<RECTL> walk;   // the enumeration in progress
  size_t walk_pos = 0;
  bool path_based = false;
};
Clip* ClipFromObj(CLIPOBJ* pco);
// Sets the region of a clip object for a drawing whose bounds are op_bounds:
// the complexity is DC_TRIVIAL when the region holds the whole drawing,
// DC_RECT for one rectangle, else DC_COMPLEX.
void ClipSet(Clip* clip, std::vector<RECTL> rects, const RECTL& op_bounds);
// The rectangles of pco that a drawing must stay inside, cut to limit; a
// null or trivial clip object gives limit itself.
std::vector<RECTL> ClipRects(CLIPOBJ* pco, const RECTL& limit);
// Intersection; false when empty.
bool Intersect(const RECTL& a, const RECTL& b, RECTL* out);
// Region operations on rectangle lists.
std::vector<RECTL> RegionIntersect(const std::vector<RECTL>& a, const std::vector<RECTL>& b);

// ---- paths ----------------------------------------------------------------------------
struct PathRun {
  FLONG flags = 0;
  std::vector<POINTFIX> pts;
};
struct PathObj {
  PATHOBJ po{};
  uint32_t magic = kPathMagic;
  std::vector<PathRun> runs;
  size_t walk_pos = 0;
  size_t walk_point = 0;  // points of runs[walk_pos] already handed out
  size_t batch_limit = 0;  // most points per PATHOBJ_bEnum batch; 0: whole runs
};
PathObj* PathFromObj(PATHOBJ* ppo);
// A path object from an application path, moved by (dx, dy) pixels; null on
// allocation failure. Free with PathDelete.
PathObj* PathFromPath(const eng::Path& path, double dx, double dy);
void PathDelete(PathObj* p);

// The pixels a fill of the path covers inside limit, as a region: rows of
// runs top to bottom, left to right, a run of rows with the same runs as
// one rectangle each. False on a drawing failure.
bool PathRuns(PathObj* p, const RECTL& limit, bool winding, std::vector<RECTL>* region);

// The area a geometric pen's stroke of the path paints, as closed figures
// that all turn the same way (fill it with the winding rule); empty for a
// cosmetic pen.
eng::Path WidenPath(const eng::Path& path, const eng::Pen& pen);

struct Xform {
  XFORMOBJ xo{};
  uint32_t magic = kXformMagic;
  XFORML m{1, 0, 0, 1, 0, 0};
};
Xform* XformFromObj(XFORMOBJ* pxo);

struct Xlate {
  XLATEOBJ xo{};
  uint32_t magic = kXlateMagic;
  std::vector<ULONG> table;
  ULONG src_mode = 0, dst_mode = 0;
  std::vector<ULONG> src_colors, dst_colors;  // indexed palettes
};
Xlate* XlateFromObj(XLATEOBJ* pxlo);
// A translation between two palettes (mode and colours of each).
void XlateBuild(Xlate* x, ULONG src_mode, const std::vector<ULONG>& src_colors, ULONG dst_mode,
                const std::vector<ULONG>& dst_colors);
// Index of the colour (0x00RRGGBB) nearest to c in a palette.
ULONG NearestIndex(const std::vector<ULONG>& colors, ULONG c);
// The colour (0x00RRGGBB) of a source value, and the target value of a
// colour, through the palettes of a translation.
ULONG XlateSourceRgb(const Xlate* x, ULONG v);
ULONG XlateTargetOf(const Xlate* x, ULONG rgb);

// The engine's halftone onto one bit: whether pixel (x, y) of an area of
// colour rgb (0x00RRGGBB) is white. An 8 x 8 ordered dither (Bayer) on
// luminance, anchored at (0, 0): white where the luminance reaches the
// threshold of the pixel's place in the matrix, so that black stays all
// black and white all white. Images, fills, pens and text share it.
bool HalftoneWhite(ULONG rgb, LONG x, LONG y);
// Its two halves: the luminance of a colour (0 to 255) and the threshold
// of pixel (x, y) of the matrix; white where the luminance reaches it.
inline uint32_t HalftoneLuminance(ULONG rgb) {
  return (((rgb >> 16) & 0xFF) * 77 + ((rgb >> 8) & 0xFF) * 151 + (rgb & 0xFF) * 28) >> 8;
}
inline uint32_t HalftoneThreshold(LONG x, LONG y) {
  // The thresholds of the 8 x 8 ordered dither (Bayer).
  static constexpr uint8_t kBayer[8][8] = {
      {0, 32, 8, 40, 2, 34, 10, 42},  {48, 16, 56, 24, 50, 18, 58, 26}, {12, 44, 4, 36, 14, 46, 6, 38},
      {60, 28, 52, 20, 62, 30, 54, 22}, {3, 35, 11, 43, 1, 33, 9, 41},  {51, 19, 59, 27, 49, 17, 57, 25},
      {15, 47, 7, 39, 13, 45, 5, 37},  {63, 31, 55, 23, 61, 29, 53, 21}};
  return kBayer[uint32_t(y) & 7][uint32_t(x) & 7] * 4u + 2u;
}

struct Brush {
  BRUSHOBJ bo{};
  uint32_t magic = kBrushMagic;
  SURFOBJ* pattern = nullptr;    // pattern brushes: the pattern bitmap
  XLATEOBJ* pattern_xlo = nullptr;
  ULONG hatch = HS_DDI_MAX;      // HS_DDI_MAX and above: not a hatch
  PFN_DrvRealizeBrush realize = nullptr;  // the driver's, when it has one
  SURFOBJ* target = nullptr;
  void* rbrush = nullptr;        // BRUSHOBJ_pvAllocRbrush memory
};
Brush* BrushFromObj(BRUSHOBJ* pbo);
void BrushRelease(Brush* b);  // frees the realization

}  // namespace eng::detail
