// The window procedure every table-driven control carries: clicks on the
// printer picture that pick a tray, clicks on pictures that advance a linked
// choice, auto-repeat buttons, keyboard filters and arrow steps of edits,
// and the painting of pictures. Whatever it does not consume goes on to the
// control's own procedure, kept in its item.
#include <algorithm>
#include <array>
#include <cstring>
#include <iterator>
#include <string>

#include "ctl_internal.h"
#include "plat/kernel.h"
#include "ui/prsht.h"
#include "velm/context.h"
#include "velm/dialog_blocks.h"
#include "velm/mdf_records.h"
#include "velm/names.h"
#include "velm/units.h"

namespace {

using namespace setting;

constexpr uint8_t kTrayFamily = 134;
constexpr uint16_t kPrinterPicture = 2067, kInputTrayCombo = 2007, kOutputTrayCombo = 2066;
constexpr uint16_t kPreviewControl = 2039;
constexpr UINT kRepeatMessage = WM_APP + 2;  // 0x8002: wParam the starting message, 0 stops
constexpr UINT_PTR kRepeatTimer = 2;
constexpr UINT kRepeatPeriodMs = 100;
constexpr int32_t kRepeatDelayTicks = 3;  // the first repeat comes at the fourth tick
constexpr uint32_t kItemNoArrowSteps = 0x200000u;
constexpr uint32_t kLengthDevice = 1200;  // 1/1200 inch
constexpr WPARAM kLeftButtonHeld = 0x1;   // MK_LBUTTON

enum : uint16_t {
  kKindText = 1, kKindPicture = 2, kKindIcon = 3, kKindGroup = 4, kKindButton = 21, kKindOwnerList = 47,
  kKindCheckList = 49, kKindPresetList = 50, kKindTextEdit = 61, kKindNumEdit = 63, kKindDrawnSlider = 84,
  kKindTab = 104,
};
constexpr LRESULT kNoAction = -2;  // a hit test that makes the press do nothing
constexpr uint16_t kNoHandList = 2164;  // an owner-drawn list that shows no hand

#define TRAY(l, t, r, b, cond, tray) {kTrayFamily, {0, 0, 0}, l, t, r, b, int16_t(cond), tray, 0, 0, 0, 0, 0}
constexpr TrayHotspot kInputTrays[] = {
    TRAY(100, 70, 139, 76, 0, 2),
    TRAY(100, 77, 139, 83, 0, 3),
    TRAY(100, 84, 139, 90, vdmSourceOptionTypeBank, 5),
    TRAY(100, 91, 139, 97, vdmSourceOptionTypeBank, 6),
    TRAY(140, 76, 162, 97, vdmSourceOptionTypeLCT1, 7),
    TRAY(140, 69, 162, 75, vdmSourceOptionTypeManual, 4),
    {},
};
constexpr TrayHotspot kOutputTrays[] = {
    TRAY(101, 47, 129, 55, 0, 339),
    TRAY(61, 25, 80, 39, vdmOutputOptionTypeFin1000, 26),
    {kTrayFamily, {0, 0, 0}, 61, 45, 78, 59, int16_t(vdmOutputOptionTypeFin3000), 429, 0, 0,
     int16_t(vdmOutputOptionTypeMailbox1), -38, 0},
    TRAY(64, 36, 98, 48, vdmOutputOptionTypeMailbox1, 270),
    // The nine mailbox bins, 4 pixels apart.
    TRAY(63, 59, 88, 62, vdmOutputOptionTypeMailbox1, 29),
    TRAY(63, 63, 88, 66, vdmOutputOptionTypeMailbox1, 30),
    TRAY(63, 67, 88, 70, vdmOutputOptionTypeMailbox1, 31),
    TRAY(63, 71, 88, 74, vdmOutputOptionTypeMailbox1, 32),
    TRAY(63, 75, 88, 78, vdmOutputOptionTypeMailbox1, 33),
    TRAY(63, 79, 88, 82, vdmOutputOptionTypeMailbox1, 34),
    TRAY(63, 83, 88, 86, vdmOutputOptionTypeMailbox1, 35),
    TRAY(63, 87, 88, 90, vdmOutputOptionTypeMailbox1, 36),
    TRAY(63, 91, 88, 94, vdmOutputOptionTypeMailbox1, 37),
    {},
};
#undef TRAY

bool OptionIsOn(DriverContext* ctx, int16_t setting_id) { return OptGetOptionById(ctx, uint32_t(setting_id)) == 1; }

// ---- the item's surroundings ---------------------------------------------------------------

struct Where {
  DriverContext* ctx = nullptr;
  DialogRecord* dialog = nullptr;
  DialogItemRecord* item = nullptr;
};

Where Find(HWND window) {
  Where w;
  w.item = reinterpret_cast<DialogItemRecord*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!w.item) return w;
  HWND dialog_window = GetParent(window);
  w.ctx = dialog_window ? reinterpret_cast<DriverContext*>(GetWindowLongPtrW(dialog_window, DWLP_USER)) : nullptr;
  w.dialog = w.ctx ? CtxFindDialogByWindow(w.ctx, dialog_window) : nullptr;
  return w;
}

LRESULT PassOn(const DialogItemRecord* item, HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (item && item->previousWndProc)
    return CallWindowProcW(reinterpret_cast<WNDPROC>(item->previousWndProc), window, message, wparam, lparam);
  return DefWindowProcW(window, message, wparam, lparam);
}

void RepaintLater(const DialogRecord* dialog) {
  if (dialog && dialog->window) PostMessageW(dialog->window, WM_PAINT, 0, 0);
}

bool Usable(const DialogItemRecord* item) { return item && !item->hidden && !item->disabled; }

POINT PointOf(LPARAM lparam) { return POINT{int16_t(LOWORD(uintptr_t(lparam))), int16_t(HIWORD(uintptr_t(lparam)))}; }

bool Contains(const RECT& r, POINT p) { return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom; }

const CtlRepeatBlock* RepeatBlockOf(const DialogItemRecord* item) {
  return item->kind == kKindButton ? static_cast<const CtlRepeatBlock*>(CtlGetExtraBlock(item, kCtlTagRepeat))
                                   : nullptr;
}

// The range of a control's Numeric feature.
bool NumericRange(DriverContext* ctx, const DialogItemRecord* item, int32_t* minimum, int32_t* maximum) {
  ImgNumeric n;
  if (!item->setting || !CtlNumericOf(ctx, item, &n)) return false;
  *minimum = n.minimum;
  *maximum = n.maximum;
  return true;
}

// ---- printer picture ---------------------------------------------------------------------------

// The hot-spot tables with the choice each one sets.
struct TrayTable {
  const TrayHotspot* rows;
  uint16_t combo;
};
std::array<TrayTable, 2> TrayTables() {
  return {TrayTable{UiGetInputTrayHotspots(), kInputTrayCombo}, TrayTable{UiGetOutputTrayHotspots(), kOutputTrayCombo}};
}

// The tray the person clicked in the printer picture: the input table's
// spot for the input choice, then the output table's for the output choice.
void PickTrays(DriverContext* ctx, DialogRecord* dialog, POINT p) {
  for (const TrayTable& t : TrayTables()) {
    DialogItemRecord* combo = CtxFindControl(ctx, dialog, t.combo);
    if (!combo || combo->disabled) continue;
    const TrayHotspot* hit = CtlFindTrayHotspot(ctx, t.rows, p.x, p.y);
    if (!hit) continue;
    CtlSelectComboByData(ctx, dialog, t.combo, hit->tray);
    RepaintLater(dialog);
    if (HWND sheet = CtlSheetOf(dialog)) SendMessageW(sheet, PSM_CHANGED, WPARAM(dialog->window), 0);
  }
}

// ---- drawn sliders ---------------------------------------------------------------------------

bool OnArrowAtLimit(HWND bar, POINT client);

POINT ClientPoint(HWND window, LPARAM screen_lparam) {
  RECT r{};
  GetWindowRect(window, &r);
  const POINT p = PointOf(screen_lparam);
  return POINT{p.x - r.left, p.y - r.top};
}

// ---- hit test and the hand cursor ------------------------------------------------------------

bool HandShowing(const Where& w) {
  const HANDLE shown = CtlGetServices().getCursor();
  return shown && (shown == w.ctx->work->handCursor || shown == w.ctx->work->pressedHandCursor);
}

// Hot: the hand replaces the cursor (kept to be put back); not hot: the
// kept cursor comes back.
void ShowHand(const Where& w, bool hot) {
  const CtlServices& s = CtlGetServices();
  WorkRecord* work = w.ctx->work;
  if (hot) {
    if (work->handCursor && !HandShowing(w)) work->savedCursor = s.setCursor(work->handCursor);
  } else if (work->savedCursor) {
    s.setCursor(work->savedCursor);
    work->savedCursor = nullptr;
  }
}

// The hand becomes the pressed hand or back.
void SwapHand(HANDLE from, HANDLE to) {
  const CtlServices& s = CtlGetServices();
  if (from && to && s.getCursor() == from) s.setCursor(to);
}

// Visible within its parent, whatever the parent's own state.
bool ShownOnItsParent(HWND window) { return (DWORD(GetWindowLongW(window, GWL_STYLE)) & WS_VISIBLE) != 0; }

// Another window over the point: a child of the dialog that is not one of
// its items, or an item later in the dialog's order (tabs, hidden items and
// items without a window aside).
bool Covered(const Where& w, HWND window, POINT screen) {
  RECT r{};
  for (HWND child = GetWindow(w.dialog->window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (child == window || !ShownOnItsParent(child) || !GetWindowRect(child, &r) || !Contains(r, screen)) continue;
    if (!CtxFindControlByWindow(w.ctx, w.dialog, child)) return true;
  }
  const DialogItemRecord* items = w.dialog->items;
  for (uint32_t k = uint32_t(w.item - items) + 1; k < w.dialog->itemCount; ++k) {
    const DialogItemRecord& later = items[k];
    if (later.kind == kKindTab || later.hidden || !later.window) continue;
    if (GetWindowRect(later.window, &r) && Contains(r, screen)) return true;
  }
  return false;
}

// The control a picture's link names: the dialog's control of that id, else
// the first usable member, in any dialog, of the radio list of that symbol.
const DialogItemRecord* LinkedOf(const Where& w) {
  if (const DialogItemRecord* here = CtxFindControl(w.ctx, w.dialog, w.item->linkedControl)) return here;
  DialogTable* t = w.ctx->dialogs;
  for (int d = 0; t && d < t->count; ++d)
    for (uint32_t k = 0; k < t->rows[d].itemCount; ++k)
      if (t->rows[d].items[k].symbol == w.item->linkedControl && Usable(&t->rows[d].items[k]))
        return &t->rows[d].items[k];
  return nullptr;
}

// Whether the pointer makes the item clickable; *tip gets where its tip goes.
bool IsHot(const Where& w, HWND window, POINT screen, POINT* tip) {
  DialogItemRecord* item = w.item;
  RECT r{};
  GetWindowRect(window, &r);
  *tip = POINT{r.left, r.bottom + 4};
  if (item->kind == kKindPicture && item->controlId == kPrinterPicture) {
    // The tray under the pointer is the picture's tip.
    item->tipId = 0;
    for (const TrayTable& t : TrayTables()) {
      const DialogItemRecord* combo = CtxFindControl(w.ctx, w.dialog, t.combo);
      if (!combo || combo->disabled) continue;
      const TrayHotspot* hit = CtlFindTrayHotspot(w.ctx, t.rows, screen.x - r.left, screen.y - r.top);
      if (!hit) continue;
      item->tipId = hit->tray;
      const int32_t dx = hit->shiftSetting && OptionIsOn(w.ctx, hit->shiftSetting) ? hit->dx : 0;
      const int32_t dy = hit->shiftSetting && OptionIsOn(w.ctx, hit->shiftSetting) ? hit->dy : 0;
      *tip = POINT{r.left + hit->right + dx, r.top + hit->top + dy};
      return Usable(item);
    }
    return false;
  }
  if (!Usable(item)) return false;
  switch (item->kind) {
    case kKindPresetList:
      return true;
    case kKindOwnerList:
      return item->controlId != kNoHandList;
    case kKindPicture:
    case kKindIcon:
      // A picture that advances a linked choice is hot while that choice is usable.
      return !item->linkedControl || item->controlId == kPreviewControl || Usable(LinkedOf(w));
    default:
      return false;
  }
}

LRESULT HitTest(const Where& w, HWND window, WPARAM wparam, LPARAM lparam) {
  const POINT screen = PointOf(lparam);
  if (Covered(w, window, screen)) return PassOn(w.item, window, WM_NCHITTEST, wparam, lparam);
  POINT tip{};
  ShowHand(w, IsHot(w, window, screen, &tip));
  CtlGetServices().showTip(w.ctx, w.item, window, tip.x, tip.y, -1);
  if (w.item->kind >= kKindText && w.item->kind <= kKindGroup) return HTCLIENT;
  if (w.item->kind == kKindDrawnSlider && OnArrowAtLimit(window, ClientPoint(window, lparam))) return kNoAction;
  return PassOn(w.item, window, WM_NCHITTEST, wparam, lparam);
}

// ---- clicks on pictures ----------------------------------------------------------------------

struct Target {
  DialogRecord* dialog = nullptr;
  DialogItemRecord* item = nullptr;
};

// The next member of the radio list named by symbol after its current
// option, wrapping; hidden and disabled members are passed over.
Target NextRadioMember(DriverContext* ctx, uint16_t symbol) {
  const int32_t current = OptGetOptionByKey(ctx, symbol);
  DialogTable* t = ctx->dialogs;
  for (int d = 0; t && d < t->count; ++d) {
    DialogRecord& dialog = t->rows[d];
    uint32_t at = dialog.itemCount;
    for (uint32_t k = 0; k < dialog.itemCount && at == dialog.itemCount; ++k)
      if (dialog.items[k].symbol == symbol && dialog.items[k].controlId == current) at = k;
    if (at == dialog.itemCount) continue;
    for (uint32_t k = at + 1; k < dialog.itemCount; ++k)
      if (dialog.items[k].symbol == symbol && Usable(&dialog.items[k])) return {&dialog, &dialog.items[k]};
    for (uint32_t k = 0; k < dialog.itemCount; ++k)
      if (dialog.items[k].symbol == symbol && Usable(&dialog.items[k]) && dialog.items[k].controlId != current)
        return {&dialog, &dialog.items[k]};
    return {};
  }
  return {};
}

// A released click on a picture: the printer picture picks a tray; a
// picture with a linked control acts on it; any other acts on itself.
bool ClickPicture(const Where& w, HWND window, LPARAM lparam) {
  RECT client{};
  GetClientRect(window, &client);
  const POINT p = PointOf(lparam);
  if (!Contains(client, p)) return false;
  if (w.item->kind == kKindPicture && w.item->controlId == kPrinterPicture) {
    PickTrays(w.ctx, w.dialog, p);
    return true;
  }
  Target target{w.dialog, w.item};
  if (w.item->linkedControl) {
    target.item = CtxFindControl(w.ctx, w.dialog, w.item->linkedControl);
    if (!target.item) target = NextRadioMember(w.ctx, w.item->linkedControl);
    if (!Usable(target.item)) return false;
  }
  const CtlKindRow* row = CtlFindKind(target.item->kind);
  if (row && row->onClick && row->onClick(w.ctx, target.dialog, target.item, 0, 0, 0)) {
    if (HWND focus = CtlWindowOf(target.dialog, target.item)) SetFocus(focus);
    RepaintLater(w.dialog);
  }
  return true;
}

// ---- keyboard --------------------------------------------------------------------------------

// VK_UP and VK_DOWN step a numeric edit by one (a length by one step of the
// display unit) within its range.
void StepNumericEdit(const Where& w, bool up) {
  int32_t minimum = 0, maximum = 0;
  if (!NumericRange(w.ctx, w.item, &minimum, &maximum)) return;
  const int32_t value = OptGetControlOption(w.ctx, w.item);
  int64_t next = value + (up ? 1 : -1);
  if (w.item->flags & kItemLengthUnit) {
    const uint32_t unit = UnitIsMetric(w.ctx) ? kUnitMm10 : kUnitInch100;
    const int64_t shown = UnitDeviceToUser(unit, uint32_t(std::max(value, 0)), kLengthDevice);
    next = up ? UnitUserToDevice(unit, uint32_t(shown + 1), kLengthDevice)
              : (shown > 0 ? int64_t(UnitUserToDevice(unit, uint32_t(shown - 1), kLengthDevice)) : 0);
  }
  // A model whose minimum passes its maximum gets its minimum.
  next = std::max<int64_t>(std::min<int64_t>(next, maximum), minimum);
  if (next == value) return;
  OptSetControlOption(w.ctx, w.item, int32_t(next));
  RepaintLater(w.dialog);
}

// Bytes of text in the system code page.
int32_t AnsiBytes(const std::u16string& text) {
  if (text.empty()) return 0;
  return WideCharToMultiByte(CP_ACP, 0, text.c_str(), INT(text.size()), nullptr, 0, nullptr, nullptr);
}

struct TextLimit {
  bool ascii_only = false;
  int32_t max_bytes = -1;  // -1: no String feature, no filter
};

TextLimit TextLimitOf(const Where& w) {
  TextLimit limit;
  ImgFeature f;
  ImgString s;
  MdfItem feature = UiItemModel(w.ctx, w.item);
  if (!w.item->setting || !feature || !MdfReadItem(w.ctx, feature, &f)) return limit;
  if (MdfStorageType(f.type) != kFeatureString || !MdfImgReadString(w.ctx->image, f.data, &s)) return limit;
  limit.ascii_only = (s.kind & 2) != 0;
  limit.max_bytes = int32_t(DescSize(w.item->setting->descriptor)) - 1;
  return limit;
}

std::u16string WindowText(HWND window) {
  std::u16string text(size_t(std::max(0, GetWindowTextLengthW(window))) + 1, u'\0');
  text.resize(size_t(std::max(0, GetWindowTextW(window, text.data(), INT(text.size())))));
  return text;
}

// The edit's text without its selection, and whether anything is selected.
std::u16string TextWithoutSelection(HWND window, bool* has_selection) {
  std::u16string text = WindowText(window);
  DWORD start = 0, end = 0;
  SendMessageW(window, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  start = std::min<DWORD>(start, DWORD(text.size()));
  end = std::clamp<DWORD>(end, start, DWORD(text.size()));
  if (has_selection) *has_selection = end > start;
  text.erase(start, end - start);
  return text;
}

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
bool IsAsciiLetter(char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); }

// True when the typed character is refused.
bool FilterChar(const Where& w, HWND window, char16_t c) {
  if (w.item->kind == kKindNumEdit) return !(IsDigit(c) || c == u'.' || c == u'\b');
  if (w.item->kind != kKindTextEdit) return false;
  const TextLimit limit = TextLimitOf(w);
  if (limit.max_bytes < 0) return false;
  if (limit.ascii_only && !(IsDigit(c) || IsAsciiLetter(c) || c == u'\b')) return true;
  if (c == u'\b') return false;
  // A double-byte character needs both of its bytes free.
  const std::u16string kept = TextWithoutSelection(window, nullptr);
  return AnsiBytes(kept) + AnsiBytes(std::u16string(1, c)) > limit.max_bytes;
}

bool RefusePaste(const Where& w, HWND window) {
  if (w.item->kind != kKindTextEdit) return false;
  const TextLimit limit = TextLimitOf(w);
  if (limit.max_bytes < 0) return false;
  bool has_selection = false;
  const std::u16string text = TextWithoutSelection(window, &has_selection);
  return !has_selection && AnsiBytes(text) >= limit.max_bytes;
}

// ---- auto-repeat -------------------------------------------------------------------------------

// A repeat loop runs inside the button's procedure; messages the loop
// dispatches may end it (the capture lost, the mode cancelled, the button
// destroyed), so each loop is listed while it runs.
struct RepeatLoop {
  HWND button;
  bool ended;
  RepeatLoop* outer;
};
thread_local RepeatLoop* t_loops = nullptr;

void EndLoopsOf(HWND window) {
  for (RepeatLoop* l = t_loops; l; l = l->outer)
    if (l->button == window) l->ended = true;
}

// Whether the pointer of a mouse message lies over the button: the last
// item of the dialog under it that is not hidden.
bool PointerOverButton(const Where& w, const MSG& msg) {
  RECT from{};
  if (!GetWindowRect(msg.hwnd, &from)) return false;
  POINT p = PointOf(msg.lParam);
  p.x += from.left;
  p.y += from.top;
  for (uint32_t k = w.dialog->itemCount; k-- > 0;) {
    const DialogItemRecord& item = w.dialog->items[k];
    RECT r{};
    if (item.hidden || !item.window || !GetWindowRect(item.window, &r) || !Contains(r, p)) continue;
    return &item == w.item;
  }
  return false;
}

void RunRepeat(const Where& w, HWND button, WPARAM started_by) {
  CtlRepeatStep(w.ctx, w.dialog, w.item);
  RepaintLater(w.dialog);
  const bool by_mouse = started_by != WM_KEYDOWN;
  if (by_mouse) SetCapture(button);
  RepeatLoop loop{button, false, t_loops};
  t_loops = &loop;
  SetTimer(button, kRepeatTimer, kRepeatPeriodMs, nullptr);
  int32_t countdown = kRepeatDelayTicks;
  bool over = true;
  // Waits for messages; ends on the stop message, a lost capture, a
  // cancelled mode, the button's end or WM_QUIT (posted again for the
  // loop outside).
  MSG msg{};
  while (!loop.ended) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      PostQuitMessage(INT(msg.wParam));
      break;
    }
    if (got < 0 || msg.message == kRepeatMessage) break;
    if (msg.message == WM_MOUSEMOVE && by_mouse) over = PointerOverButton(w, msg);
    if (msg.message == WM_TIMER && msg.hwnd == button && msg.wParam == kRepeatTimer) {
      if (countdown > 0) {
        --countdown;
      } else if (over) {
        CtlRepeatStep(w.ctx, w.dialog, w.item);
        RepaintLater(w.dialog);
      }
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  t_loops = loop.outer;
  if (IsWindow(button)) KillTimer(button, kRepeatTimer);
  if (by_mouse && GetCapture() == button) ReleaseCapture();
}

// ---- painting ----------------------------------------------------------------------------------

// A press on a drawn slider's minus end at the minimum, or its plus end at
// the maximum: nothing to do.
bool OnArrowAtLimit(HWND bar, POINT client) {
  RECT r{};
  GetClientRect(bar, &r);
  const int32_t a = GetSystemMetrics(SM_CXHSCROLL);
  INT lo = 0, hi = 0;
  SendMessageW(bar, SBM_GETRANGE, reinterpret_cast<WPARAM>(&lo), reinterpret_cast<LPARAM>(&hi));
  const LRESULT pos = SendMessageW(bar, SBM_GETPOS, 0, 0);
  return (client.x < r.left + a && pos <= lo) || (client.x >= r.right - a && pos >= hi);
}

// The press of a drawn slider: the pressed end box shows while the scroll
// loop of the scroll bar runs.
LRESULT PressDrawnSlider(const Where& w, HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (w.item->hidden || w.item->disabled || OnArrowAtLimit(window, PointOf(lparam))) return 0;
  UiHideTip(w.ctx);
  HWND popup = CtlSliderPressPopup(w.ctx, w.dialog, w.item, PointOf(lparam));
  const LRESULT r = PassOn(w.item, window, message, wparam, lparam);
  if (popup) DestroyWindow(popup);
  return r;
}

void PaintPicture(const Where& w, HWND window) {
  PAINTSTRUCT paint{};
  HDC dc = BeginPaint(window, &paint);
  RECT own{};
  GetWindowRect(window, &own);
  // Siblings above the picture that do not cover it wholly keep their part.
  for (HWND sibling = GetWindow(window, GW_HWNDPREV); sibling; sibling = GetWindow(sibling, GW_HWNDPREV)) {
    RECT r{};
    if (!ShownOnItsParent(sibling) || !GetWindowRect(sibling, &r)) continue;
    const bool covers = r.left <= own.left && r.top <= own.top && r.right >= own.right && r.bottom >= own.bottom;
    if (!covers) ExcludeClipRect(dc, r.left - own.left, r.top - own.top, r.right - own.left, r.bottom - own.top);
  }
  if (w.item->kind == kKindDrawnSlider) CtlDrawSlider(w.ctx, w.dialog, w.item, dc);
  else CtlComposePicture(w.ctx, w.dialog, w.item, nullptr, nullptr);
  EndPaint(window, &paint);
}

bool ErasesOwnBackground(const DialogItemRecord* item) {
  return item->kind == kKindPresetList || item->kind == kKindOwnerList ||
         (item->kind == kKindPicture && item->controlId == kPreviewControl);
}

}  // namespace

// ---- tray hot spots ------------------------------------------------------------------------------

const TrayHotspot* UiGetInputTrayHotspots() { return kInputTrays; }
const TrayHotspot* UiGetOutputTrayHotspots() { return kOutputTrays; }

const TrayHotspot* CtlFindTrayHotspot(DriverContext* ctx, const TrayHotspot* rows, int32_t x, int32_t y) {
  if (!ctx || !ctx->model || !rows) return nullptr;
  for (const TrayHotspot* row = rows; row->tray; ++row) {
    if (row->family != ctx->model->machineId) continue;
    if (row->condition && !OptionIsOn(ctx, row->condition)) continue;
    if (row->condition2 && OptGetOptionById(ctx, uint32_t(row->condition2)) != row->required2) continue;
    RECT r{row->left, row->top, row->right, row->bottom};
    if (row->shiftSetting && OptionIsOn(ctx, row->shiftSetting)) {
      r.left += row->dx;
      r.right += row->dx;
      r.top += row->dy;
      r.bottom += row->dy;
    }
    if (Contains(r, POINT{x, y})) return row;
  }
  return nullptr;
}

// ---- auto-repeat step ------------------------------------------------------------------------------

void CtlRepeatStep(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* button) {
  const CtlRepeatBlock* block = button ? RepeatBlockOf(button) : nullptr;
  if (!block || !block->rows) return;
  for (int16_t i = 0; i < block->rowCount; ++i) {
    const CtlRepeatRow& row = block->rows[i];
    DialogItemRecord* target = CtxFindControl(ctx, dialog, row.controlId);
    int32_t minimum = 0, maximum = 0;
    if (!target || !NumericRange(ctx, target, &minimum, &maximum)) continue;
    const int64_t next = int64_t(OptGetControlOption(ctx, target)) + row.step;
    OptSetControlOption(ctx, target, int32_t(std::max<int64_t>(std::min<int64_t>(maximum, next), minimum)));
  }
}

// ---- the window procedure ------------------------------------------------------------------------------

LRESULT CtlItemWndProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  const Where w = Find(window);
  if (!w.item) return 0;
  // Without its page the control still works as the control it is.
  if (!w.ctx || !w.dialog) return PassOn(w.item, window, message, wparam, lparam);
  if (DlgSpecialHandler(w.ctx, w.dialog, w.item, message, wparam, lparam) == 1) return 0;
  DialogItemRecord* item = w.item;
  const bool repeats = RepeatBlockOf(item) != nullptr;

  switch (message) {
    case WM_NCHITTEST:
      return HitTest(w, window, wparam, lparam);
    case WM_SETCURSOR:
      if (HandShowing(w)) return 1;
      break;
    case WM_MOUSEMOVE:
      if (wparam & kLeftButtonHeld) SwapHand(w.ctx->work->handCursor, w.ctx->work->pressedHandCursor);
      break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      SwapHand(w.ctx->work->handCursor, w.ctx->work->pressedHandCursor);
      if (repeats) PostMessageW(window, kRepeatMessage, message, 0);
      if (item->kind == kKindDrawnSlider) return PressDrawnSlider(w, window, message, wparam, lparam);
      break;
    case WM_KEYDOWN:
      if (wparam == VK_SPACE && repeats) {
        SwapHand(w.ctx->work->handCursor, w.ctx->work->pressedHandCursor);
        PostMessageW(window, kRepeatMessage, message, 0);
      }
      if ((wparam == VK_UP || wparam == VK_DOWN) && item->kind == kKindNumEdit && !(item->flags & kItemNoArrowSteps)) {
        StepNumericEdit(w, wparam == VK_UP);
        return 0;
      }
      break;
    case WM_KEYUP:
      if (wparam == VK_SPACE && repeats) {
        PostMessageW(window, kRepeatMessage, 0, 0);
        SwapHand(w.ctx->work->pressedHandCursor, w.ctx->work->handCursor);
      }
      break;
    case WM_LBUTTONUP:
      if (repeats) PostMessageW(window, kRepeatMessage, 0, 0);
      SwapHand(w.ctx->work->pressedHandCursor, w.ctx->work->handCursor);
      if (item->kind == kKindCheckList) CtlDispatchMessage(w.ctx, w.dialog, item, message, wparam, lparam);
      if (item->kind == kKindDrawnSlider && !Usable(item)) return 0;
      if ((item->kind == kKindPicture || item->kind == kKindIcon) && ClickPicture(w, window, lparam)) return 0;
      break;
    case WM_RBUTTONDOWN:
      if (wparam & kLeftButtonHeld) PostMessageW(window, WM_LBUTTONUP, 0, 0);
      break;
    case kRepeatMessage:
      if (wparam && repeats) RunRepeat(w, window, wparam);
      return 0;
    case WM_CAPTURECHANGED:
    case WM_CANCELMODE:
    case WM_DESTROY:
      EndLoopsOf(window);
      break;
    case WM_CHAR:
      if (item->kind == kKindCheckList) CtlDispatchMessage(w.ctx, w.dialog, item, message, wparam, lparam);
      if (FilterChar(w, window, char16_t(wparam))) return 0;
      break;
    case WM_PASTE:
      if (RefusePaste(w, window)) return 0;
      break;
    case WM_KILLFOCUS:
      if (item->kind == kKindNumEdit) CtlDispatchMessage(w.ctx, w.dialog, item, message, wparam, lparam);
      if (item->kind == kKindDrawnSlider) InvalidateRect(window, nullptr, TRUE);
      break;
    case WM_PAINT:
      if (item->kind == kKindPicture || item->kind == kKindDrawnSlider) {
        PaintPicture(w, window);
        return 0;
      }
      break;
    case WM_ERASEBKGND:
      if (ErasesOwnBackground(item)) {
        RECT r{};
        GetClientRect(window, &r);
        HBRUSH brush = item->disabled ? GetSysColorBrush(COLOR_BTNFACE) : HBRUSH(GetStockObject(WHITE_BRUSH));
        FillRect(HDC(wparam), &r, brush);
        return 1;
      }
      break;
    default:
      break;
  }
  return PassOn(item, window, message, wparam, lparam);
}
