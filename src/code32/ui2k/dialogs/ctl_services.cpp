// The built-in services of the control kinds: the page engine's change
// path, and the drawing services of the pages.
#include <atomic>

#include "ctl_internal.h"
#include "ui2k/preview.h"
#include "velm/context.h"

namespace {

// ---- the page engine -------------------------------------------------------------------------
int32_t SetValue(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, int32_t option) {
  return UiSetControlValue(ctx, dialog, item, option);
}
// The rules' check of the current option, nothing stored.
int32_t Check(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item) {
  return UiApplyControlChange(ctx, dialog, item, OptGetControlOption(ctx, item), 0);
}
int32_t Alert(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item) {
  return UiRunFeatureAlert(ctx, dialog, UiItemModel(ctx, item));
}
void Transact(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item) {
  UiApplyTransact(ctx, dialog, UiItemModel(ctx, item), item->paperFlag);
}
void Refresh(DriverContext* ctx, DialogRecord* dialog) { UiRefreshPage(ctx, dialog, 0); }

// ---- button faces and tips ---------------------------------------------------------------------
uint32_t Caption(DriverContext*, uint16_t control_id) { return UiButtonCaptionId(control_id); }
// The caption is kept in the work record only while the face is drawn.
int32_t Face(DriverContext* ctx, DialogRecord*, DialogItemRecord* item, HWND window, HDC dc, const RECT* rect,
             bool pressed, bool focused) {
  UiSetButtonCaption(ctx, item);
  const int32_t width = UiDrawButtonFace(ctx, window, dc, rect, 2, pressed, focused);
  UiClearButtonCaption(ctx);
  return width;
}

// ---- pictures ----------------------------------------------------------------------------------
// Without a DC the pictures go to the item's window; with one, the DC
// becomes the preview DC for the call and the rectangle is the target.
struct PreviewDcScope {
  DriverContext* ctx;
  HANDLE before;
  PreviewDcScope(DriverContext* c, HDC dc) : ctx(c), before(c->work->previewDc) {
    if (dc) c->work->previewDc = dc;
  }
  ~PreviewDcScope() { ctx->work->previewDc = before; }
};

void Compose(DriverContext* ctx) { PrevBeginCompose(ctx); }
void Picture(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, HDC dc, const RECT* rect,
             uint32_t picture, bool over) {
  PreviewDcScope scope(ctx, dc);
  const uint32_t flags = over ? kPicTarget : 0;
  if (dc) PrevDrawItemPicture(ctx, dialog, item, nullptr, rect, picture, flags, 1);
  else PrevDrawItemPicture(ctx, dialog, item, CtlWindowOf(dialog, item), nullptr, picture, flags, 0);
}
void Stamp(DriverContext* ctx, DialogRecord*, DialogItemRecord* item, HDC dc, const RECT* rect, int32_t width,
           int32_t height) {
  PrevPaintStamp(ctx, item, width, height, dc ? rect : nullptr, rect);
}
void EndCompose(DriverContext* ctx, HWND window, HDC dc, const RECT* rect) {
  PreviewDcScope scope(ctx, dc);
  PrevEndCompose(ctx, dc ? nullptr : window, rect);
}
void Colours(DriverContext* ctx, const int32_t params[6]) {
  for (int i = 0; i < 6; ++i) ctx->work->colourShift[i] = params[i] - 50;
}
COLORREF Background(DriverContext* ctx, COLORREF colour) {
  WorkRecord& w = *ctx->work;
  const COLORREF before = w.pictureBackgroundSet ? w.pictureBackground : GetSysColor(COLOR_BTNFACE);
  w.pictureBackground = colour;
  w.pictureBackgroundSet = 1;
  return before;
}
void Icon(DriverContext* ctx, HWND window, HDC dc, int32_t x, int32_t y, uint32_t icon) {
  if (dc) PrevDrawIcon(ctx, dc, x, y, icon);
  else PrevDrawIconInWindow(ctx, window, icon);
}
HANDLE ShowCursor(HANDLE cursor) { return SetCursor(static_cast<HCURSOR>(cursor)); }
HANDLE ShownCursor() { return GetCursor(); }

constexpr CtlServices kBuiltin{SetValue, Check,      Alert,      Transact, Refresh,    Caption,
                               Face,     UiShowTip,  Compose,    Picture,  Stamp,      EndCompose,
                               Colours,  Background, Icon,       ShowCursor, ShownCursor};

std::atomic<const CtlServices*> g_services{&kBuiltin};

}  // namespace

const CtlServices& CtlGetServices() { return *g_services.load(); }

const CtlServices* CtlSetServices(const CtlServices* services) {
  return g_services.exchange(services ? services : &kBuiltin);
}
