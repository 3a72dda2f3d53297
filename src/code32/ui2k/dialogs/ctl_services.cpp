// The built-in services of the control kinds: the page engine's change
// path, and the drawing services of the pages.
//
// The pictures are a stand-in until the preview pictures, icons and the
// stamp preview land: nothing is drawn.
#include <atomic>

#include "ctl_internal.h"

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
int32_t Face(DriverContext* ctx, DialogRecord*, DialogItemRecord* item, HDC dc, const RECT* rect, bool pressed,
             bool focused, uint32_t caption) {
  return UiDrawButtonFace(ctx, item ? item->window : nullptr, dc, rect, 2, pressed, focused, caption);
}

// ---- stand-ins of the pictures -----------------------------------------------------------------
void NoCompose(DriverContext*) {}
void NoPicture(DriverContext*, DialogRecord*, DialogItemRecord*, HDC, const RECT*, uint32_t, bool) {}
void NoStamp(DriverContext*, DialogRecord*, DialogItemRecord*, HDC, const RECT*, int32_t, int32_t) {}
void NoEndCompose(DriverContext*, HWND, HDC, const RECT*) {}
void NoColours(DriverContext*, const int32_t[6]) {}
COLORREF NoBackground(DriverContext*, COLORREF) { return 0; }
void NoIcon(DriverContext*, HWND, HDC, int32_t, int32_t, uint32_t) {}
HANDLE ShowCursor(HANDLE cursor) { return SetCursor(static_cast<HCURSOR>(cursor)); }
HANDLE ShownCursor() { return GetCursor(); }

constexpr CtlServices kBuiltin{SetValue,  Check,     Alert,        Transact,  Refresh,      Caption,
                               Face,      UiShowTip, NoCompose,    NoPicture, NoStamp,      NoEndCompose,
                               NoColours, NoBackground, NoIcon, ShowCursor, ShownCursor};

std::atomic<const CtlServices*> g_services{&kBuiltin};

}  // namespace

const CtlServices& CtlGetServices() { return *g_services.load(); }

const CtlServices* CtlSetServices(const CtlServices* services) {
  return g_services.exchange(services ? services : &kBuiltin);
}
