// What the engine learns of the device: GDIINFO (sizes, resolution, colour
// depth, halftoning) and DEVINFO (capabilities, default fonts, dithering and
// the default palette).
#include <cstring>
#include <iterator>

#include "ddi_internal.h"
#include "plat/kernel.h"

namespace {

// Flags of GDIINFO and DEVINFO.
constexpr ULONG kGdiVersion = 0x500;
constexpr ULONG kDtRasPrinter = 2;
constexpr ULONG kTextCaps = 0x581F;
constexpr ULONG kPrimaryOrderCba = 4;
constexpr ULONG kHtFormat1Bpp = 0;
constexpr ULONG kHtFormat24Bpp = 6;
constexpr ULONG kHtFlagHasBlackDye = 2;
constexpr FLONG kCapsRaster = 0x430;   // halftone, colour and mono dither
constexpr FLONG kCapsVector = 0x1F;    // Beziers, wide lines, both fills, halftone
constexpr FLONG kCapsDontJournal = 0x2000;
constexpr FLONG kCapsForceDither = 0x800000;
constexpr FLONG kCapsIcm = 0x2000000;

// Dither cell side by halftone pattern size.
constexpr USHORT kDitherSize[16] = {2, 2, 4, 4, 6, 6, 8, 8, 10, 10, 12, 12, 14, 14, 16, 16};

struct CharsetRow {
  uint8_t charset;
  uint16_t codePage;
};
constexpr CharsetRow kCharsets[] = {
    {0, 1252},   {128, 932},  {129, 949},  {130, 1361}, {134, 936},  {136, 950},  {177, 1255},
    {178, 1256}, {161, 1253}, {162, 1254}, {186, 1257}, {238, 1250}, {204, 1251}, {222, 874},
};

// A printable side in 0.1 mm as GDIINFO takes it: millimetres when the
// extended print area asks for them, else negative micrometres.
ULONG PhysicalSize(int32_t mm10, int16_t ext_print_area) {
  return ext_print_area == 2 ? ULONG(mm10 / 10) : ULONG(int32_t(mm10 * -100));
}

}  // namespace

uint32_t GrHalftonePatternSize(uint32_t x_dpi, uint32_t y_dpi) {
  const uint32_t r = x_dpi < y_dpi ? x_dpi : y_dpi;
  if (r >= 2400) return 15;
  if (r >= 1800) return 13;
  if (r >= 1200) return 11;
  if (r >= 900) return 9;
  if (r >= 400) return 7;
  if (r >= 180) return 5;
  return 3;
}

uint8_t GrCharsetCodePage(uint32_t code_page) {
  for (const CharsetRow& row : kCharsets)
    if (row.codePage == code_page) return row.charset;
  return 0;
}

void GrFillGdiInfo(Pdev* pdev, GDIINFO* gdi) {
  std::memset(gdi, 0, sizeof *gdi);
  const ULONG res = pdev->resolution;
  gdi->ulVersion = kGdiVersion;
  gdi->ulTechnology = kDtRasPrinter;
  gdi->ulHorzSize = PhysicalSize(pdev->printWidthMm10, pdev->extPrintArea);
  gdi->ulVertSize = PhysicalSize(pdev->printLengthMm10, pdev->extPrintArea);
  gdi->ulHorzRes = ULONG(pdev->printWidthDots);
  gdi->ulVertRes = ULONG(pdev->printLengthDots);
  pdev->pageWidth = pdev->printWidthDots;
  pdev->pageHeight = pdev->printLengthDots;

  struct Depth {
    ULONG bits, planes, colors, palette;
  } depth{8, 3, 0xFFFFFF, 0xFFFFFF};
  if (pdev->rasterMode) {
    if (GrOneBitPage(pdev)) depth = {1, 1, 2, 2};
  } else if (pdev->colorProcess == 1) {
    depth = pdev->color == 2 ? Depth{1, 1, 8, 20} : Depth{1, 1, 2, 2};
  } else if (pdev->colorProcess == 2) {
    depth = {24, 1, 0xFFFFFF, 0xFFFFFF};
  }
  gdi->cBitsPixel = depth.bits;
  gdi->cPlanes = depth.planes;
  gdi->ulNumColors = depth.colors;
  gdi->ulNumPalReg = depth.palette;

  gdi->ulLogPixelsX = gdi->ulLogPixelsY = res;
  gdi->ulAspectX = gdi->ulAspectY = res;
  gdi->flTextCaps = kTextCaps;
  gdi->ulAspectXY = res * 1414 / 1000;
  gdi->xStyleStep = 1;
  gdi->yStyleStep = 1;
  gdi->denStyleStep = LONG(res / 25);
  gdi->ptlPhysOffset = {pdev->offsetXDots, pdev->offsetYDots};
  gdi->szlPhysSize = {pdev->physWidthDots, pdev->physLengthDots};

  COLORINFO& ci = gdi->ciDevice;
  ci.Red = {6380, 3350, 0};
  ci.Green = {2345, 6075, 0};
  ci.Blue = {1410, 932, 0};
  ci.Cyan = {2000, 2450, 0};
  ci.Magenta = {5210, 2100, 0};
  ci.Yellow = {4750, 5100, 0};
  ci.AlignmentWhite = {3127, 3290, 0};
  ci.RedGamma = ci.GreenGamma = ci.BlueGamma = 12500;
  ci.MagentaInCyanDye = 585;
  ci.YellowInCyanDye = 120;
  ci.MagentaInYellowDye = 10000;

  gdi->ulPrimaryOrder = kPrimaryOrderCba;
  uint32_t pattern = GrHalftonePatternSize(res, res);
  gdi->ulHTPatternSize = pattern > 15 ? 5 : pattern;
  gdi->ulHTOutputFormat = GrOneBitSurface(pdev) ? kHtFormat1Bpp : kHtFormat24Bpp;
  gdi->flHTFlags = kHtFlagHasBlackDye;
}

bool GrFillDevInfo(Pdev* pdev, const GDIINFO& gdi, DEVINFO* dev) {
  std::memset(dev, 0, sizeof *dev);
  const bool one_bit_raster = pdev->rasterMode && GrOneBitPage(pdev);

  FLONG caps = pdev->rasterMode ? kCapsRaster : kCapsVector;
  if (pdev->emfSpool == 0) caps |= kCapsDontJournal;
  if (pdev->color == 2 && pdev->colorMatching == 1 && pdev->icmType == 1) caps |= kCapsIcm;
  if (one_bit_raster) caps |= kCapsForceDither;
  dev->flGraphicsCaps = caps;

  // A 10.5-point Mincho for vector pages of the Japanese language, when
  // the device's default font is allowed.
  LOGFONTW& lf = dev->lfDefaultFont;
  if (!pdev->rasterMode && pdev->languageId == 0 && pdev->defaultFontAllowed) {
    const LONG res = pdev->resolution;
    lf.lfHeight = (res * 10 + res / 2) / 72;
    lf.lfWidth = lf.lfHeight / 2;
    lf.lfWeight = 400;
    lf.lfOutPrecision = 1;   // OUT_STRING_PRECIS
    lf.lfClipPrecision = 2;  // CLIP_STROKE_PRECIS
    lf.lfPitchAndFamily = 0x11;  // fixed pitch, roman
    const char16_t face[] = u"\u660E\u671D";
    std::memcpy(lf.lfFaceName, face, sizeof face);
  }
  dev->lfAnsiVarFont = lf;
  dev->lfAnsiFixFont = lf;
  dev->lfAnsiVarFont.lfCharSet = 0;
  dev->lfAnsiFixFont.lfCharSet = 0;
  USHORT oem = 0, ansi = 0;
  EngGetCurrentCodePage(&oem, &ansi);
  lf.lfCharSet = GrCharsetCodePage(ansi);

  dev->cFonts = pdev->deviceFontCount;

  if (pdev->palette) {
    EngDeletePalette(pdev->palette);
    pdev->palette = nullptr;
  }
  HPALETTE palette;
  if (one_bit_raster) {
    dev->iDitherFormat = BMF_1BPP;
    const ULONG size = gdi.ulHTPatternSize < std::size(kDitherSize) ? gdi.ulHTPatternSize : 0;
    dev->cxDither = dev->cyDither = kDitherSize[size];
    ULONG colors[2] = {0x000000, 0xFFFFFF};
    palette = EngCreatePalette(PAL_INDEXED, 2, colors, 0, 0, 0);
  } else {
    dev->iDitherFormat = BMF_24BPP;
    palette = EngCreatePalette(PAL_BGR, 0, nullptr, 0, 0, 0);
  }
  if (!palette) return false;
  pdev->palette = palette;
  dev->hpalDefault = palette;
  return true;
}
