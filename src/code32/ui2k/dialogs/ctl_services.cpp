// The built-in services of the control kinds.
//
// Stand-in until the page engine (value changes, alerts, transacts, page
// refresh) and the drawing services (button faces, tips, preview pictures,
// icons and the stamp preview) land: a change is stored in the item's
// setting without rules, no alert is shown, and nothing is drawn.
#include <atomic>

#include "ctl_internal.h"

namespace {

int32_t StoreOption(DriverContext* ctx, DialogRecord*, DialogItemRecord* item, int32_t option) {
  return OptSetControlOption(ctx, item, option);
}
int32_t NoRefusal(DriverContext*, DialogRecord*, DialogItemRecord*) { return 0; }
int32_t NoAlert(DriverContext*, DialogRecord*, DialogItemRecord*) { return 0; }
void NoTransact(DriverContext*, DialogRecord*, DialogItemRecord*) {}
void NoRefresh(DriverContext*, DialogRecord*) {}
uint32_t NoCaption(DriverContext*, uint16_t) { return 0; }
int32_t NoFace(DriverContext*, DialogRecord*, DialogItemRecord*, HDC, const RECT*, bool, bool, uint32_t) { return 0; }
void NoTip(DriverContext*, DialogItemRecord*, HWND, int32_t, int32_t, int32_t) {}
void NoCompose(DriverContext*) {}
void NoPicture(DriverContext*, DialogRecord*, DialogItemRecord*, HDC, const RECT*, uint32_t, bool) {}
void NoStamp(DriverContext*, DialogRecord*, DialogItemRecord*, HDC, const RECT*, int32_t, int32_t) {}
void NoEndCompose(DriverContext*, HWND, HDC, const RECT*) {}
void NoColours(DriverContext*, const int32_t[6]) {}
COLORREF NoBackground(DriverContext*, COLORREF) { return 0; }
void NoIcon(DriverContext*, HWND, HDC, int32_t, int32_t, uint32_t) {}

constexpr CtlServices kBuiltin{StoreOption, NoRefusal, NoAlert,  NoTransact,   NoRefresh, NoCaption,
                               NoFace,      NoTip,     NoCompose, NoPicture,   NoStamp,   NoEndCompose,
                               NoColours,   NoBackground, NoIcon};

std::atomic<const CtlServices*> g_services{&kBuiltin};

}  // namespace

const CtlServices& CtlGetServices() { return *g_services.load(); }

const CtlServices* CtlSetServices(const CtlServices* services) {
  return g_services.exchange(services ? services : &kBuiltin);
}
