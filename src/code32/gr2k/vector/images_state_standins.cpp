// Stand-in until the graphics-state setters with their per-page caches are
// built: every record is written when asked for; only the last ROP is
// remembered (image reduction reads it).
#include "images_state_standins.h"

#include "brushes.h"
#include "gr2k/dlrecords.h"

uint32_t ImgDeviceToRgb(ULONG c) { return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF); }

bool ImgSetPlainBrush(Pdev* pdev, uint32_t colour) {
  DlBrush b{};
  b.kind = kBrushPlain;
  b.colors[0] = colour;
  return DlPattern(&pdev->stream, b) != nullptr;
}

bool ImgSetBrush(Pdev* pdev, BRUSHOBJ* pbo, const POINTL* origin, uint32_t colours[2], bool* host) {
  *host = false;
  if (!pbo) {
    colours[0] = colours[1] = 0xFFFFFF;
    return ImgSetPlainBrush(pdev, 0xFFFFFF);
  }
  *host = (pbo->flColorType & BR_HOST_ICM) != 0;
  if (pbo->iSolidColor != BRUSH_PATTERN) {
    colours[0] = colours[1] = ImgDeviceToRgb(pbo->iSolidColor);
    return ImgSetPlainBrush(pdev, colours[0]);
  }
  const auto* rb = static_cast<const GrRbrush*>(BRUSHOBJ_pvGetRbrush(pbo));
  if (!rb) return false;
  colours[0] = ImgDeviceToRgb(rb->colors[0]);
  colours[1] = ImgDeviceToRgb(rb->colors[1]);
  return DlPattern(&pdev->stream, GrBrushRecord(*rb, origin)) != nullptr;
}

bool ImgSetColours(Pdev* pdev, uint32_t foreground, uint32_t background, uint8_t back_mode, bool host) {
  DlColorState s{};
  s.foreground = foreground;
  s.background = background;
  s.backMode = back_mode;
  s.hostCorrected = host;
  return DlColor(&pdev->stream, s) != nullptr;
}

bool ImgSetRop(Pdev* pdev, uint8_t rop3) {
  if (!DlRop(&pdev->stream, rop3)) return false;
  pdev->currentRop = rop3;
  return true;
}

bool ImgSetBackMode(Pdev* pdev, uint8_t mode) { return DlBackMode(&pdev->stream, mode) != nullptr; }

bool ImgSetClip(Pdev* pdev, CLIPOBJ* pco) {
  if (!pco || pco->iDComplexity == DC_TRIVIAL) {
    if (!pdev->clipActive) return true;
    if (!DlClipReset(&pdev->stream)) return false;
    pdev->clipActive = false;
    return true;
  }
  const RECTL& r = pco->rclBounds;
  if (!DlClipRect(&pdev->stream, DlRectangle{r.left, r.top, r.right, r.bottom})) return false;
  pdev->clipActive = true;
  return true;
}
