// Device set-up of VELMPD0 shared by its entry points: the rendering
// settings of a Pdev, what GDIINFO and DEVINFO tell the engine, the band
// geometry, and the writer of a surface's pixels as an image record.
#pragma once

#include <cstdint>

#include "eng/ddi.h"
#include "gr2k/pdev.h"

struct DriverContext;

// Setting items read at device set-up.
namespace gr_item {
inline constexpr uint32_t kOrientation = 7;
inline constexpr uint32_t kPaperSize = 8;
inline constexpr uint32_t kPaperLength = 9;  // 0.1 mm
inline constexpr uint32_t kPaperWidth = 10;  // 0.1 mm
inline constexpr uint32_t kCopies = 12;
inline constexpr uint32_t kPrintQuality = 14;
inline constexpr uint32_t kColor = 15;
inline constexpr uint32_t kSrcPaperLengthDot = 44;
inline constexpr uint32_t kSrcPaperWidthDot = 45;
inline constexpr uint32_t kSrcPrnLengthDot = 46;
inline constexpr uint32_t kSrcPrnWidthDot = 47;
inline constexpr uint32_t kSrcXOffset = 48;
inline constexpr uint32_t kSrcYOffset = 49;
inline constexpr uint32_t kDstPrnLengthDot = 53;
inline constexpr uint32_t kDstPrnWidthDot = 54;
inline constexpr uint32_t kFuncSelectNup = 59;
inline constexpr uint32_t kScaleH = 92;
inline constexpr uint32_t kScaleV = 93;
inline constexpr uint32_t kNupPostKind = 94;
inline constexpr uint32_t kColorMatching = 149;
inline constexpr uint32_t kIcmType = 150;
inline constexpr uint32_t kLanguageId = 177;
inline constexpr uint32_t kEmfSpool = 181;
inline constexpr uint32_t kExtPrintArea = 182;
inline constexpr uint32_t kImagePrint = 183;
inline constexpr uint32_t kColorProcess = 184;
inline constexpr uint32_t kUserId = 215;
inline constexpr uint32_t kUserCode = 216;
inline constexpr uint32_t kOwnerName = 217;
inline constexpr uint32_t kDocumentName = 219;
inline constexpr uint32_t kJobPassword = 220;
inline constexpr uint32_t kStoredPassword = 221;
inline constexpr uint32_t kPrnMethod = 222;
inline constexpr uint32_t kTelNo = 243;
inline constexpr uint32_t kTelLine = 244;
inline constexpr uint32_t kMachineColor = 246;
inline constexpr uint32_t kApiUseFlag = 247;
inline constexpr uint32_t kFrontFunc = 249;
inline constexpr uint32_t kDefaultFontAllowed = 350;  // vdmHiddenFunc4
inline constexpr uint32_t kStretchBltRopOff = 351;    // vdmHiddenFunc5
inline constexpr uint32_t kEudcGlyphs = 361;          // vdmHiddenFunc15
inline constexpr uint32_t kDrawingSuppressed = 364;   // vdmHiddenFunc18
inline constexpr uint32_t kTextDeviceFonts = 372;     // vdmHiddenFunc26
inline constexpr uint32_t kOneBitSurface = 376;       // vdmHiddenFunc30
inline constexpr uint32_t kDriverType = 380;
inline constexpr uint32_t kTextBitmapSupport = 394;
inline constexpr uint32_t kTextBitmap = 395;
inline constexpr uint32_t kHidden2Func9 = 407;
inline constexpr uint32_t kJobLinker = 714;
}  // namespace gr_item

// Largest page side accepted, in inches at the page's resolution, and in
// dots whatever the resolution (the engine's bitmap limit).
inline constexpr int64_t kMaxPageInches = 120;
inline constexpr int64_t kMaxPageDots = 0x100000;

// Fills the settings fields of the Pdev from the context, clears the state
// flags and the page counter, and computes the image reduction flag. False
// (ERROR_INVALID_PARAMETER) when the page or paper sizes are not positive
// or beyond any paper; the Pdev may then be half filled and must be freed.
bool GrReadRenderSettings(Pdev* pdev, DriverContext* ctx);

// The page is drawn as one-bit data: colour process 1 on a monochrome page.
bool GrOneBitPage(const Pdev* pdev);
// The surface is one bit deep: in raster mode the one-bit page, in vector
// mode the one-bit page when a one-bit device surface is allowed.
bool GrOneBitSurface(const Pdev* pdev);

uint32_t GrHalftonePatternSize(uint32_t x_dpi, uint32_t y_dpi);
// The character set of a code page; 0 for a code page not in the table.
uint8_t GrCharsetCodePage(uint32_t code_page);
void GrFillGdiInfo(Pdev* pdev, GDIINFO* gdi);
// DEVINFO and the default palette (an earlier palette is deleted first).
// False when the palette cannot be made.
bool GrFillDevInfo(Pdev* pdev, const GDIINFO& gdi, DEVINFO* dev);

// Row bytes of a bitmap: whole 32-bit words; 32-bit pixels take width * 4.
int64_t ImgStride(ULONG format, int64_t width);
// Band height of a raster page W dots wide and H high: about 300 KB of
// one-bit rows, a multiple of 32, at most H.
int32_t GrBandHeight(int32_t width, int32_t height);

// The image writer of DrvCopyBits: the pixels of src (one-bit with its
// two-colour palette, or 24-bit BGR) as one image record whose destination
// is dest, without colour translation. The band flag comes with raster mode;
// 24-bit data for a monochrome device goes out as grey.
BOOL GrWriteSurfaceImage(Pdev* pdev, SURFOBJ* src, const RECTL& dest, const ULONG* palette);

// Frees what the Pdev holds: its palette, its colour-management handles,
// its context and its pool (the Pdev itself).
void GrFreePdev(Pdev* pdev);

// Hands the user information (the job's user code, owner, passwords,
// document name, telephone) of one context to another.
void GrCopyUserInfo(DriverContext* from, DriverContext* to);
