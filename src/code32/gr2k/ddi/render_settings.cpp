// The rendering settings of a Pdev, read from its driver context once at
// DrvEnablePDEV: mode, colour, resolution, paper geometry and the switches
// the drawing calls test.
#include "ddi_internal.h"
#include "plat/kernel.h"
#include "velm/context.h"
#include "velm/model_query.h"
#include "velm/settings.h"

using namespace gr_item;

namespace {

int32_t Item(DriverContext* ctx, uint32_t id) { return OptGetValueById(ctx, id); }

// A page side in dots is sound when positive and no longer than any paper
// at the resolution.
bool SaneDots(int32_t dots, uint32_t resolution) {
  return dots > 0 && dots <= kMaxPageDots && int64_t(dots) <= kMaxPageInches * resolution;
}

}  // namespace

bool GrReadRenderSettings(Pdev* pdev, DriverContext* ctx) {
  pdev->flags = 0;
  pdev->pageCount = 0;

  const int32_t quality = Item(ctx, kPrintQuality);
  pdev->resolution = uint16_t(quality > 0 && quality <= 0xFFFF ? quality : 600);
  pdev->copies = int16_t(Item(ctx, kCopies));
  pdev->orientation = int16_t(Item(ctx, kOrientation) - 1);
  pdev->paperSize = Item(ctx, kPaperSize);

  pdev->passThrough = uint16_t(Item(ctx, kJobLinker) & 1);
  // Pass-through data is framed page by page, never drawn into bands.
  pdev->rasterMode = pdev->passThrough ? 0 : int16_t(Item(ctx, kImagePrint) != 0);
  pdev->colorProcess = int16_t(Item(ctx, kColorProcess));
  if (!pdev->rasterMode && pdev->colorProcess == 0 && Item(ctx, kHidden2Func9) != 0) pdev->colorProcess = 2;
  pdev->languageId = int16_t(Item(ctx, kLanguageId));
  pdev->machineColor = uint32_t(Item(ctx, kMachineColor));
  pdev->emfSpool = uint32_t(Item(ctx, kEmfSpool));
  pdev->color = uint32_t(Item(ctx, kColor));
  pdev->extPrintArea = int16_t(Item(ctx, kExtPrintArea));
  pdev->defaultFontAllowed = uint32_t(Item(ctx, kDefaultFontAllowed));
  pdev->eudcAsGlyphs = (Item(ctx, kEudcGlyphs) != 0 || (Item(ctx, kFrontFunc) & 0x80) != 0) ? 1 : 0;
  pdev->drawingSuppressed = uint32_t(Item(ctx, kDrawingSuppressed));
  pdev->oneBitSurface = int16_t(Item(ctx, kOneBitSurface));
  pdev->stretchBltRopUnhooked = int16_t(Item(ctx, kStretchBltRopOff));
  pdev->colorMatching = uint8_t(Item(ctx, kColorMatching));
  pdev->icmType = uint8_t(Item(ctx, kIcmType));
  const int32_t text_bitmap =
      Item(ctx, kTextBitmapSupport) != 0 ? Item(ctx, kTextBitmap) : Item(ctx, kTextDeviceFonts);
  pdev->textAsDeviceFonts = text_bitmap != 0 ? 1 : 0;
  pdev->printMethod = uint32_t(Item(ctx, kPrnMethod));
  pdev->printMethod7 = pdev->printMethod == 7 ? 1 : 0;
  pdev->apiUseFlag = uint32_t(Item(ctx, kApiUseFlag));

  // Paper geometry. The paper itself in 0.1 mm (landscape already swapped),
  // the page in dots from the paper items of the merge.
  PaperPair paper{};
  if (MdfGetPaperDims(ctx, &paper)) {
    pdev->paperWidth = paper.width;
    pdev->paperLength = paper.length;
  } else {
    pdev->paperWidth = Item(ctx, kPaperWidth);
    pdev->paperLength = Item(ctx, kPaperLength);
  }
  pdev->physWidthDots = Item(ctx, kSrcPaperWidthDot);
  pdev->physLengthDots = Item(ctx, kSrcPaperLengthDot);
  pdev->printWidthDots = Item(ctx, kSrcPrnWidthDot);
  pdev->printLengthDots = Item(ctx, kSrcPrnLengthDot);
  pdev->offsetXDots = Item(ctx, kSrcXOffset);
  pdev->offsetYDots = Item(ctx, kSrcYOffset);
  // The sizes come from settings an outside DEVMODE can reach; the surface,
  // the bands and GDIINFO are all sized from them, so a page that no paper
  // could have is refused here.
  const uint32_t res = pdev->resolution;
  if (!SaneDots(pdev->printWidthDots, res) || !SaneDots(pdev->printLengthDots, res) ||
      !SaneDots(pdev->physWidthDots, res) || !SaneDots(pdev->physLengthDots, res)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  pdev->printWidthMm10 = int32_t(int64_t(pdev->printWidthDots) * 254 / res);
  pdev->printLengthMm10 = int32_t(int64_t(pdev->printLengthDots) * 254 / res);

  const int32_t nup = Item(ctx, kFuncSelectNup);
  pdev->imageReduction = pdev->printLengthDots >= Item(ctx, kDstPrnLengthDot) &&
                         pdev->printWidthDots >= Item(ctx, kDstPrnWidthDot) &&
                         (nup == 0 || Item(ctx, kNupPostKind) != 9) && Item(ctx, kScaleH) <= 100 &&
                         Item(ctx, kScaleV) <= 100 && pdev->printMethod != 7 && pdev->printMethod != 5;

  pdev->stream.pdev = pdev;
  return true;
}

bool GrOneBitPage(const Pdev* pdev) { return pdev->colorProcess == 1 && pdev->color == 1; }

bool GrOneBitSurface(const Pdev* pdev) {
  return GrOneBitPage(pdev) && (pdev->rasterMode || pdev->oneBitSurface);
}
