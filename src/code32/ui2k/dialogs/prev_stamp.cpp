// The stamp preview of a page, painted into the open composition.
#include "prev_stamp_internal.h"
#include "ui2k/preview.h"

void PrevPaintStamp(DriverContext* ctx, DialogItemRecord* item, int32_t pageWidth, int32_t pageHeight,
                    const RECT* target, const RECT* rect) {
  if (!ctx) return;
  PrevPaintStampInto(ctx, item, PrevComposeDc(ctx), pageWidth, pageHeight, target, rect, PrevLoadBmpFile);
}
