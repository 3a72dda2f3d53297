// Device set-up of VELMPD0 shared by its entry points: the rendering
// settings of a Pdev, what GDIINFO and DEVINFO tell the engine, the band
// geometry, and the writer of a surface's pixels as an image record.
#pragma once

#include <cstdint>

#include "eng/ddi.h"
#include "gr2k/pdev.h"
#include "velm/setting_ids.h"

struct DriverContext;

// Setting items read at device set-up.
namespace gr_item {
inline constexpr uint32_t kOrientation = setting::dmOrientation;
inline constexpr uint32_t kPaperSize = setting::dmPaperSize;
inline constexpr uint32_t kPaperLength = setting::dmPaperLength;  // 0.1 mm
inline constexpr uint32_t kPaperWidth = setting::dmPaperWidth;  // 0.1 mm
inline constexpr uint32_t kCopies = setting::dmCopies;
inline constexpr uint32_t kPrintQuality = setting::dmPrintQuality;
inline constexpr uint32_t kColor = setting::dmColor;
inline constexpr uint32_t kSrcPaperLengthDot = setting::vdmSrcPaperLengthDot;
inline constexpr uint32_t kSrcPaperWidthDot = setting::vdmSrcPaperWidthDot;
inline constexpr uint32_t kSrcPrnLengthDot = setting::vdmSrcPaperPrnLengthDot;
inline constexpr uint32_t kSrcPrnWidthDot = setting::vdmSrcPaperPrnWidthDot;
inline constexpr uint32_t kSrcXOffset = setting::vdmSrcXOffset;
inline constexpr uint32_t kSrcYOffset = setting::vdmSrcYOffset;
inline constexpr uint32_t kDstPrnLengthDot = setting::vdmDstPaperPrnLengthDot;
inline constexpr uint32_t kDstPrnWidthDot = setting::vdmDstPaperPrnWidthDot;
inline constexpr uint32_t kFuncSelectNup = setting::vdmFuncSelectNup;
inline constexpr uint32_t kScaleH = setting::vdmScaleH;
inline constexpr uint32_t kScaleV = setting::vdmScaleV;
inline constexpr uint32_t kNupPostKind = setting::vdmNUPPOSTKind;
inline constexpr uint32_t kColorMatching = setting::vdmColorMatching;
inline constexpr uint32_t kIcmType = setting::vdmICMType;
inline constexpr uint32_t kLanguageId = setting::vdmLanguageID;
inline constexpr uint32_t kEmfSpool = setting::vdmEMFSpool;
inline constexpr uint32_t kExtPrintArea = setting::vdmExtPrintArea;
inline constexpr uint32_t kImagePrint = setting::vdmImagePrint;
inline constexpr uint32_t kColorProcess = setting::vdmColorProcess;
inline constexpr uint32_t kUserId = setting::vdmUserID;
inline constexpr uint32_t kUserCode = setting::vdmUserCode;
inline constexpr uint32_t kOwnerName = setting::vdmOwnerName;
inline constexpr uint32_t kDocumentName = setting::vdmDocumentName;
inline constexpr uint32_t kJobPassword = setting::vdmJOBPassword;
inline constexpr uint32_t kStoredPassword = setting::vdmStoredPassword;
inline constexpr uint32_t kPrnMethod = setting::vdmPrnMethod;
inline constexpr uint32_t kTelNo = setting::vdmTelNo;
inline constexpr uint32_t kTelLine = setting::vdmTelLine;
inline constexpr uint32_t kMachineColor = setting::vdmMachineColor;
inline constexpr uint32_t kApiUseFlag = setting::vdmAPIUseFlag;
inline constexpr uint32_t kFrontFunc = setting::vdmFrontFunc;
inline constexpr uint32_t kDefaultFontAllowed = setting::vdmHiddenFunc4;
inline constexpr uint32_t kStretchBltRopOff = setting::vdmHiddenFunc5;
inline constexpr uint32_t kEudcGlyphs = setting::vdmHiddenFunc15;
inline constexpr uint32_t kDrawingSuppressed = setting::vdmHiddenFunc18;
inline constexpr uint32_t kTextDeviceFonts = setting::vdmHiddenFunc26;
inline constexpr uint32_t kOneBitSurface = setting::vdmHiddenFunc30;
inline constexpr uint32_t kDriverType = setting::vdmDriverType;
inline constexpr uint32_t kTextBitmapSupport = setting::vdmQualityFuncTextBitmapSupport;
inline constexpr uint32_t kTextBitmap = setting::vdmQualityFuncTextBitmap;
inline constexpr uint32_t kHidden2Func9 = setting::vdmHidden2Func9;
inline constexpr uint32_t kJobLinker = setting::vdmJobLinker;
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
