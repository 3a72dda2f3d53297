// A small printer graphics driver for the engine's tests: it enables a
// PDEV and a surface as configured, logs every call it gets, hands the
// drawing calls it hooks to the engine's Eng* routines, and keeps the
// bands it is given as one page image.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "eng/ddi.h"
#include "test_driver.h"

namespace {

TestDrvConfig g_config;
std::string g_log;
std::vector<uint8_t> g_page;  // the page assembled from the bands
int32_t g_page_stride = 0;

struct TestPdev {
  uint32_t magic = 0x54504456;
  HDEV hdev = nullptr;
  HSURF surface = nullptr;
  HPALETTE palette = nullptr;
};

void Log(const std::string& line) { g_log += line + "\n"; }

bool Fails(const char* name) { return std::strcmp(g_config.fail, name) == 0; }

std::string Rect(const RECTL* r) {
  if (!r) return "-";
  char buf[80];
  std::snprintf(buf, sizeof buf, "%d,%d,%d,%d", r->left, r->top, r->right, r->bottom);
  return buf;
}

DHPDEV EnablePDEV(DEVMODEW*, LPWSTR, ULONG cPat, HSURF* pats, ULONG cjCaps,
                           ULONG* caps, ULONG cjDevInfo, DEVINFO* pdi, HDEV, LPWSTR name,
                           HANDLE printer) {
  Log("EnablePDEV " + std::to_string(cPat) + " " + std::to_string(cjCaps) + " " +
      std::to_string(cjDevInfo) + " " + (name ? "named" : "-") + " " +
      std::to_string(reinterpret_cast<uintptr_t>(printer)));
  if (Fails("EnablePDEV")) return nullptr;
  for (ULONG i = 0; i < cPat; ++i) pats[i] = nullptr;
  GDIINFO gi{};
  gi.ulVersion = 0x500;
  gi.ulTechnology = 2;
  gi.ulHorzRes = ULONG(g_config.width);
  gi.ulVertRes = ULONG(g_config.height);
  gi.ulLogPixelsX = gi.ulLogPixelsY = 600;
  gi.cBitsPixel = g_config.bits == 1 ? 1 : 24;
  gi.cPlanes = 1;
  std::memcpy(caps, &gi, std::min<size_t>(cjCaps, sizeof gi));
  auto* pdev = new TestPdev;
  DEVINFO di{};
  if (g_config.bits == 1) {
    ULONG colors[2] = {0x000000, 0xFFFFFF};
    pdev->palette = EngCreatePalette(PAL_INDEXED, 2, colors, 0, 0, 0);
  } else {
    pdev->palette = EngCreatePalette(PAL_BGR, 0, nullptr, 0, 0, 0);
  }
  if (!pdev->palette) {
    delete pdev;
    return nullptr;
  }
  di.hpalDefault = pdev->palette;
  di.iDitherFormat = g_config.bits == 1 ? BMF_1BPP : BMF_24BPP;
  di.cFonts = ULONG(std::clamp(g_config.fonts, 0, 2));
  if (g_config.dither >= 0) di.cxDither = di.cyDither = 8;
  std::memcpy(pdi, &di, std::min<size_t>(cjDevInfo, sizeof di));
  return pdev;
}

void CompletePDEV(DHPDEV dhpdev, HDEV hdev) {
  Log("CompletePDEV");
  static_cast<TestPdev*>(dhpdev)->hdev = hdev;
}

void DisablePDEV(DHPDEV dhpdev) {
  Log("DisablePDEV");
  auto* pdev = static_cast<TestPdev*>(dhpdev);
  EngDeletePalette(pdev->palette);
  delete pdev;
}

BOOL ResetPDEV(DHPDEV old_pdev, DHPDEV new_pdev) {
  auto* a = static_cast<TestPdev*>(old_pdev);
  auto* b = static_cast<TestPdev*>(new_pdev);
  Log(std::string("ResetPDEV") + (a != b && a->magic == b->magic ? "" : " (bad pdevs)"));
  return !Fails("ResetPDEV");
}

HSURF EnableSurface(DHPDEV dhpdev) {
  Log("EnableSurface");
  auto* pdev = static_cast<TestPdev*>(dhpdev);
  if (Fails("EnableSurface")) return nullptr;
  ULONG format = g_config.bits == 1 ? BMF_1BPP : BMF_24BPP;
  HSURF s;
  if (g_config.device_surface) {
    s = EngCreateDeviceSurface(pdev, SIZEL{g_config.width, g_config.height}, format);
  } else {
    int32_t rows = g_config.banding ? g_config.band : g_config.height;
    s = EngCreateBitmap(SIZEL{g_config.width, rows}, 0, format, BMF_TOPDOWN, nullptr);
  }
  if (!s) return nullptr;
  if (g_config.banding && !EngMarkBandingSurface(s)) {
    EngDeleteSurface(s);
    return nullptr;
  }
  if (!g_config.skip_associate && !EngAssociateSurface(s, pdev->hdev, g_config.hooks)) {
    EngDeleteSurface(s);
    return nullptr;
  }
  pdev->surface = s;
  return s;
}

void DisableSurface(DHPDEV dhpdev) {
  Log("DisableSurface");
  auto* pdev = static_cast<TestPdev*>(dhpdev);
  if (pdev->surface) EngDeleteSurface(pdev->surface);
  pdev->surface = nullptr;
}

std::string PdevMark(SURFOBJ* so) {
  auto* pdev = so ? static_cast<TestPdev*>(so->dhpdev) : nullptr;
  return pdev && pdev->magic == 0x54504456 ? "" : " (no pdev)";
}

BOOL StartDoc(SURFOBJ* so, LPWSTR name, DWORD job) {
  std::string n;
  for (const char16_t* p = name; p && *p; ++p) n.push_back(char(*p));
  Log("StartDoc " + n + " " + std::to_string(job) + PdevMark(so));
  return !Fails("StartDoc");
}
BOOL EndDoc(SURFOBJ* so, FLONG fl) {
  Log("EndDoc " + std::to_string(fl) + PdevMark(so));
  return TRUE;
}
BOOL StartPage(SURFOBJ* so) {
  Log("StartPage" + PdevMark(so));
  if (g_config.device_surface) {
    // The device's page, white, in the surface's format; DrvCopyBits draws
    // into it.
    const int32_t bits = g_config.bits == 1 ? 1 : 24;
    g_page_stride = (g_config.width * bits + 31) / 32 * 4;
    g_page.assign(size_t(g_page_stride) * size_t(g_config.height), 0xFF);
  } else {
    // A non-banding page starts white.
    RECTL all{0, 0, so->sizlBitmap.cx, so->sizlBitmap.cy};
    if (!g_config.banding) EngEraseSurface(so, &all, 0xFFFFFFFF);
  }
  return !Fails("StartPage");
}
BOOL SendPage(SURFOBJ* so) {
  Log("SendPage" + PdevMark(so));
  if (!g_config.banding && so->pvScan0) {
    g_page_stride = so->lDelta;
    g_page.assign(static_cast<uint8_t*>(so->pvScan0),
                  static_cast<uint8_t*>(so->pvScan0) + size_t(so->lDelta) * size_t(so->sizlBitmap.cy));
  }
  return !Fails("SendPage");
}

BOOL StartBanding(SURFOBJ* so, POINTL* pt) {
  Log("StartBanding");
  if (Fails("StartBanding")) return FALSE;
  RECTL all{0, 0, so->sizlBitmap.cx, so->sizlBitmap.cy};
  EngEraseSurface(so, &all, 0xFFFFFFFF);
  g_page_stride = so->lDelta;
  g_page.assign(size_t(so->lDelta) * size_t(g_config.height), 0xFF);
  *pt = POINTL{0, 0};
  g_config.band_y = 0;
  return TRUE;
}

BOOL NextBand(SURFOBJ* so, POINTL* pt) {
  int32_t y = g_config.band_y;
  Log("NextBand " + std::to_string(y));
  if (Fails("NextBand")) return FALSE;
  for (int32_t r = 0; r < so->sizlBitmap.cy && y + r < g_config.height; ++r)
    std::memcpy(&g_page[size_t(y + r) * size_t(g_page_stride)],
                static_cast<uint8_t*>(so->pvScan0) + ptrdiff_t(r) * so->lDelta, size_t(g_page_stride));
  // Rows of the band below the page hold nothing of it: ink there is logged.
  size_t below = 0;
  for (int32_t r = std::max(0, g_config.height - y); r < so->sizlBitmap.cy; ++r) {
    const uint8_t* row = static_cast<uint8_t*>(so->pvScan0) + ptrdiff_t(r) * so->lDelta;
    for (LONG i = 0; i < so->lDelta; ++i) below += row[i] != 0xFF;
  }
  if (below) Log("InkBelowPage " + std::to_string(below));
  RECTL all{0, 0, so->sizlBitmap.cx, so->sizlBitmap.cy};
  EngEraseSurface(so, &all, 0xFFFFFFFF);
  int32_t next = y + so->sizlBitmap.cy;
  bool done = g_config.extra_band ? next > g_config.height : next >= g_config.height;
  if (g_config.endless) done = false;
  if (done) {
    *pt = POINTL{-1, -1};
    return SendPage(so);
  }
  *pt = POINTL{0, g_config.endless ? 0 : next};
  g_config.band_y = pt->y;
  return TRUE;
}

BOOL BitBlt(SURFOBJ* t, SURFOBJ* s, SURFOBJ* m, CLIPOBJ* c, XLATEOBJ* x, RECTL* r, POINTL* sp,
            POINTL* mp, BRUSHOBJ* b, POINTL* bo, ROP4 rop) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04X", rop);
  Log("BitBlt " + Rect(r) + " " + buf + " clip " + std::to_string(c ? c->iDComplexity : 9));
  return EngBitBlt(t, s, m, c, x, r, sp, mp, b, bo, rop);
}
BOOL CopyBits(SURFOBJ* t, SURFOBJ* s, CLIPOBJ* c, XLATEOBJ* x, RECTL* r, POINTL* sp) {
  Log("CopyBits " + Rect(r));
  if (!t || t->iType != STYPE_DEVICE) return EngCopyBits(t, s, c, x, r, sp);
  // Onto the device's page: a bitmap of the page's format, pixel by pixel
  // inside the clip bounds.
  if (!s || !s->pvScan0 || s->iBitmapFormat != t->iBitmapFormat || !r || !sp || g_page.empty()) return FALSE;
  RECTL box = *r;
  if (c && c->iDComplexity != DC_TRIVIAL) {
    box.left = std::max(box.left, c->rclBounds.left);
    box.top = std::max(box.top, c->rclBounds.top);
    box.right = std::min(box.right, c->rclBounds.right);
    box.bottom = std::min(box.bottom, c->rclBounds.bottom);
  }
  const bool mono = t->iBitmapFormat == BMF_1BPP;
  for (LONG y = std::max<LONG>(box.top, 0); y < std::min<LONG>(box.bottom, g_config.height); ++y)
    for (LONG xx = std::max<LONG>(box.left, 0); xx < std::min<LONG>(box.right, g_config.width); ++xx) {
      const LONG sx = sp->x + xx - r->left, sy = sp->y + y - r->top;
      if (sx < 0 || sy < 0 || sx >= s->sizlBitmap.cx || sy >= s->sizlBitmap.cy) continue;
      const uint8_t* in = static_cast<const uint8_t*>(s->pvScan0) + ptrdiff_t(sy) * s->lDelta;
      uint8_t* out = &g_page[size_t(y) * size_t(g_page_stride)];
      if (mono) {
        const uint8_t bit = uint8_t(0x80 >> (xx & 7));
        const bool on = (in[sx >> 3] >> (7 - (sx & 7))) & 1;
        out[xx >> 3] = on ? uint8_t(out[xx >> 3] | bit) : uint8_t(out[xx >> 3] & ~bit);
      } else {
        std::memcpy(out + 3 * xx, in + 3 * sx, 3);
      }
    }
  return TRUE;
}
BOOL StretchBlt(SURFOBJ* t, SURFOBJ* s, SURFOBJ* m, CLIPOBJ* c, XLATEOBJ* x, COLORADJUSTMENT* ca,
                POINTL* ht, RECTL* d, RECTL* sr, POINTL* mp, ULONG mode) {
  Log("StretchBlt " + Rect(d) + " " + Rect(sr) + " " + std::to_string(mode));
  return EngStretchBlt(t, s, m, c, x, ca, ht, d, sr, mp, mode);
}
BOOL FillPath(SURFOBJ* s, PATHOBJ* p, CLIPOBJ* c, BRUSHOBJ* b, POINTL* o, MIX mix, FLONG fl) {
  Log("FillPath " + std::to_string(p->cCurves) + " " + std::to_string(fl));
  return EngFillPath(s, p, c, b, o, mix, fl);
}
BOOL StrokePath(SURFOBJ* s, PATHOBJ* p, CLIPOBJ* c, XFORMOBJ* x, BRUSHOBJ* b, POINTL* o,
                LINEATTRS* la, MIX mix) {
  Log("StrokePath " + std::to_string(p->cCurves) + " " + std::to_string(la ? la->fl : 99));
  if (Fails("StrokePath")) return FALSE;
  return EngStrokePath(s, p, c, x, b, o, la, mix);
}
BOOL TextOut(SURFOBJ* s, STROBJ* str, FONTOBJ* f, CLIPOBJ* c, RECTL* ex, RECTL* op, BRUSHOBJ* fb,
             BRUSHOBJ* ob, POINTL* org, MIX mix) {
  // The font's kind and face, and the glyph handles of the string.
  std::string line = "TextOut";
  if (f && str) {
    char buf[64];
    std::snprintf(buf, sizeof buf, " type %u face %u", f->flFontType & 0xF, f->iFace);
    line += buf;
    STROBJ_vEnumStart(str);
    BOOL more;
    do {
      ULONG n = 0;
      GLYPHPOS* gp = nullptr;
      more = STROBJ_bEnum(str, &n, &gp);
      for (ULONG i = 0; i < n; ++i) {
        std::snprintf(buf, sizeof buf, " %x@%d,%d", gp[i].hg, gp[i].ptl.x, gp[i].ptl.y);
        line += buf;
      }
    } while (more);
  }
  Log(line);
  return EngTextOut(s, str, f, c, ex, op, fb, ob, org, mix);
}
ULONG Escape(SURFOBJ*, ULONG code, ULONG cjIn, PVOID, ULONG cjOut, PVOID) {
  Log("Escape " + std::to_string(code) + " " + std::to_string(cjIn) + " " + std::to_string(cjOut));
  return 42;
}

// Two device fonts: "TestMincho" and its vertical form "@TestMincho", em
// 1000, ASCII handles for U+0020-U+007E and the code-page 932 codes of
// U+3042 and U+3044.
struct DeviceFont {
  IFIMETRICS ifi;
  char16_t names[2][16];
};
DeviceFont g_fonts[2];
HGLYPH g_ascii[0x5F];
HGLYPH g_kana[3] = {0x82A0, 0x82A1, 0x82A2};
struct {
  FD_GLYPHSET head;
  WCRUN more[1];
} g_glyphset;

void BuildDeviceFonts() {
  for (int i = 0; i < 2; ++i) {
    DeviceFont& d = g_fonts[i];
    d = DeviceFont{};
    const char16_t* name = i == 0 ? u"TestMincho" : u"@TestMincho";
    for (int k = 0; name[k]; ++k) d.names[0][k] = d.names[1][k] = name[k];
    IFIMETRICS& m = d.ifi;
    m.cjThis = sizeof(DeviceFont);
    m.dpwszFamilyName = offsetof(DeviceFont, names);
    m.dpwszFaceName = offsetof(DeviceFont, names) + sizeof d.names[0];
    m.dpwszStyleName = m.dpwszUniqueName = m.dpwszFaceName;
    m.jWinCharSet = SHIFTJIS_CHARSET;
    m.jWinPitchAndFamily = FIXED_PITCH | FF_ROMAN;
    m.usWinWeight = 400;
    m.flInfo = FM_INFO_TECH_OUTLINE_NOT_TRUETYPE | FM_INFO_1BPP | FM_INFO_DBCS_FIXED_PITCH;
    m.fwdUnitsPerEm = 1000;
    m.fwdWinAscender = 900;
    m.fwdWinDescender = 100;
    m.fwdAveCharWidth = 500;
    m.fwdMaxCharInc = 1000;
    m.wcFirstChar = 0x20;
    m.wcLastChar = 0x3044;
    m.wcDefaultChar = 0x20;
    m.rclFontBox = RECTL{0, 900, 1000, -100};
  }
  for (int c = 0; c < 0x5F; ++c) g_ascii[c] = HGLYPH(0x20 + c);
  g_glyphset.head.cjThis = sizeof g_glyphset;
  g_glyphset.head.cGlyphsSupported = 0x5F + 3;
  g_glyphset.head.cRuns = 2;
  g_glyphset.head.awcrun[0] = WCRUN{0x20, 0x5F, g_ascii};
  g_glyphset.more[0] = WCRUN{0x3042, 3, g_kana};
}

IFIMETRICS* QueryFont(DHPDEV, ULONG_PTR, ULONG face, ULONG_PTR* id) {
  Log("QueryFont " + std::to_string(face));
  if (id) *id = 0;
  if (face < 1 || face > ULONG(g_config.fonts) || face > 2) return nullptr;
  return &g_fonts[face - 1].ifi;
}

PVOID QueryFontTree(DHPDEV, ULONG_PTR, ULONG face, ULONG mode, ULONG_PTR* id) {
  Log("QueryFontTree " + std::to_string(face) + " " + std::to_string(mode));
  if (id) *id = 0;
  if (face < 1 || face > ULONG(g_config.fonts) || mode != QFT_GLYPHSET) return nullptr;
  return &g_glyphset.head;
}

// Widths in 28.4 along the baseline: 500 font units for single-byte
// handles, 1000 for the others, through the font's transform.
BOOL QueryAdvanceWidths(DHPDEV, FONTOBJ* pfo, ULONG, HGLYPH* phg, PVOID widths, ULONG count) {
  XFORMOBJ* xo = FONTOBJ_pxoGetXform(pfo);
  for (ULONG i = 0; i < count; ++i) {
    POINTL in{phg[i] < 256 ? 500 : 1000, 0};
    POINTFIX out{0, 0};
    if (!XFORMOBJ_bApplyXform(xo, XF_LTOFX, 1, &in, &out)) return FALSE;
    double len = std::hypot(double(out.x), double(out.y));
    static_cast<USHORT*>(widths)[i] = USHORT(std::lround(len));
  }
  return TRUE;
}

// A dither of 8 x 8 one-bit rows of 32 bits.
ULONG DitherColor(DHPDEV, ULONG mode, ULONG rgb, ULONG* pul) {
  char buf[48];
  std::snprintf(buf, sizeof buf, "DitherColor %u %06X", mode, rgb);
  Log(buf);
  if (g_config.dither == int32_t(DCR_DRIVER))
    for (int y = 0; y < 8; ++y) reinterpret_cast<uint8_t*>(pul)[y * 4] = y % 2 ? 0x55 : 0xAA;
  return ULONG(g_config.dither);
}

template <class F>
PFN P(F f) {
  return reinterpret_cast<PFN>(f);
}

DRVFN g_table[] = {
    {INDEX_DrvEnablePDEV, P(EnablePDEV)}, {INDEX_DrvCompletePDEV, P(CompletePDEV)},
    {INDEX_DrvDisablePDEV, P(DisablePDEV)},        {INDEX_DrvEnableSurface, P(EnableSurface)},
    {INDEX_DrvDisableSurface, P(DisableSurface)},  {INDEX_DrvStartDoc, P(StartDoc)},
    {INDEX_DrvEndDoc, P(EndDoc)},                  {INDEX_DrvStartPage, P(StartPage)},
    {INDEX_DrvSendPage, P(SendPage)},              {INDEX_DrvStartBanding, P(StartBanding)},
    {INDEX_DrvNextBand, P(NextBand)},              {INDEX_DrvBitBlt, P(BitBlt)},
    {INDEX_DrvCopyBits, P(CopyBits)},              {INDEX_DrvStretchBlt, P(StretchBlt)},
    {INDEX_DrvFillPath, P(FillPath)},              {INDEX_DrvStrokePath, P(StrokePath)},
    {INDEX_DrvTextOut, P(TextOut)},                {INDEX_DrvEscape, P(Escape)},
    {INDEX_DrvResetPDEV, P(ResetPDEV)},            {INDEX_DrvQueryFont, P(QueryFont)},
    {INDEX_DrvQueryFontTree, P(QueryFontTree)},    {INDEX_DrvQueryAdvanceWidths, P(QueryAdvanceWidths)},
    {INDEX_DrvDitherColor, P(DitherColor)},
};

}  // namespace

extern "C" __attribute__((visibility("default"))) BOOL DrvEnableDriver(ULONG version, ULONG cj,
                                                                       DRVENABLEDATA* ded) {
  Log("EnableDriver " + std::to_string(version) + " " + std::to_string(cj));
  if (Fails("EnableDriver") || cj < sizeof(DRVENABLEDATA)) return FALSE;
  ded->iDriverVersion = 0x30000;
  ded->c = g_config.table_size >= 0 ? ULONG(g_config.table_size) : ULONG(sizeof g_table / sizeof g_table[0]);
  ded->pdrvfn = g_table;
  return TRUE;
}

extern "C" __attribute__((visibility("default"))) void DrvDisableDriver() { Log("DisableDriver"); }

extern "C" __attribute__((visibility("default"))) void TestDrvConfigure(const TestDrvConfig* c) {
  g_config = *c;
  BuildDeviceFonts();
  g_log.clear();
  g_page.clear();
}

extern "C" __attribute__((visibility("default"))) const char* TestDrvLog() { return g_log.c_str(); }

extern "C" __attribute__((visibility("default"))) const uint8_t* TestDrvPage(int32_t* stride,
                                                                             size_t* size) {
  *stride = g_page_stride;
  *size = g_page.size();
  return g_page.data();
}
