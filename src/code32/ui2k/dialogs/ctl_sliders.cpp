// The kinds that change a number by scrolling: sliders made of horizontal
// scroll bars (82, and 84 drawn here), trackbars (85) and spin buttons made
// of vertical scroll bars (23, 81); and the tab controls (104) and the item
// tree (105).
#include <algorithm>
#include <cstring>

#include "ctl_internal.h"
#include "ui/commctrl.h"
#include "ui/prsht.h"
#include "ui/tabctrl.h"
#include "velm/context.h"
#include "velm/dialog_blocks.h"
#include "velm/names.h"
#include "velm/resources.h"
#include "velm/units.h"

namespace {

constexpr int32_t kNoRecordSliderMax = 200;
constexpr int32_t kNoRecordSpinLimit = 100;
constexpr uint16_t kDrawnSlider = 84;
constexpr int32_t kTabCaptionChars = 522;
constexpr int32_t kTrackbarMin = INT16_MIN, kTrackbarMax = INT16_MAX;

bool IsLength(const DialogItemRecord* item) { return (item->flags & kItemLengthUnit) != 0; }

// The slider block's steps apply only when it names a picture.
bool SliderBlock(const DialogItemRecord* item, CtlSliderBlock* out) {
  const void* raw = CtlGetExtraBlock(item, kCtlTagSlider);
  if (!raw) return false;
  std::memcpy(out, raw, sizeof *out);
  return out->pictureId != 0;
}

void Range(HWND bar, int32_t* minimum, int32_t* maximum) {
  INT lo = 0, hi = 0;
  SendMessageW(bar, SBM_GETRANGE, reinterpret_cast<WPARAM>(&lo), reinterpret_cast<LPARAM>(&hi));
  *minimum = lo;
  *maximum = hi;
}

// A spin's range: the Numeric record's, in display units for a length.
void SpinRange(DriverContext* ctx, const DialogItemRecord* item, int32_t* minimum, int32_t* maximum) {
  ImgNumeric n;
  *minimum = -kNoRecordSpinLimit;
  *maximum = kNoRecordSpinLimit;
  if (IsLength(item)) {
    CtlNumRange(ctx, item, minimum, maximum);
  } else if (CtlNumericOf(ctx, item, &n)) {
    *minimum = n.minimum;
    *maximum = n.maximum;
  }
}

int32_t Clamp(int64_t value, int32_t minimum, int32_t maximum) {
  return int32_t(std::clamp<int64_t>(value, minimum, std::max(minimum, maximum)));
}

HDC SliderDC(HWND bar, HDC given, bool* own) {
  *own = given == nullptr;
  return given ? given : GetDC(bar);
}

void Bar(HDC dc, int32_t left, int32_t top, int32_t right, int32_t bottom, COLORREF colour) {
  RECT r{left, top, right, bottom};
  HBRUSH brush = CreateSolidBrush(colour);
  FillRect(dc, &r, brush);
  DeleteObject(brush);
}

// A minus across the box, and with plus the upright of a plus sign.
void Sign(HDC dc, const RECT& box, bool plus, int32_t inset_left, int32_t inset_right, COLORREF colour) {
  const int32_t mid_y = (box.top + box.bottom) / 2 - 1;
  Bar(dc, box.left + inset_left, mid_y, box.right - inset_right, mid_y + 2, colour);
  if (!plus) return;
  const int32_t mid_x = (box.left + box.right) / 2 - 1;
  Bar(dc, mid_x, box.top + 4, mid_x + 2, box.bottom - 4, colour);
}

}  // namespace

int32_t CtlSliderThumbLeft(int32_t left, int32_t right, int32_t a, int32_t position, int32_t minimum,
                           int32_t maximum) {
  const int64_t span = int64_t(maximum) - minimum;
  if (span <= 0) return -1;
  const int64_t track = int64_t(right - a) - (left + a);
  const int64_t offset = (track - a) * (int64_t(position) - minimum) / span;
  return int32_t(left + a + offset);
}

// ---- sliders (82, 84) -----------------------------------------------------------------------------

int32_t CtlSliderInit(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item) {
  if (!item->setting) return 1;
  HWND bar = CtlWindowOf(dialog, item);
  ImgNumeric n;
  SCROLLINFO info{};
  info.cbSize = sizeof info;
  info.fMask = SIF_RANGE;
  info.nMin = 0;
  info.nMax = kNoRecordSliderMax;
  if (CtlNumericOf(ctx, item, &n)) {
    info.nMin = n.minimum;
    info.nMax = n.maximum;
  }
  SendMessageW(bar, SBM_SETSCROLLINFO, FALSE, reinterpret_cast<LPARAM>(&info));
  SendMessageW(bar, SBM_ENABLE_ARROWS, 0, 0);
  if (item->kind == kDrawnSlider) SetWindowTheme(bar, u" ", u" ");
  return 1;
}

int32_t CtlSliderRefresh(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item) {
  SendMessageW(CtlWindowOf(dialog, item), SBM_SETPOS, WPARAM(OptGetControlOption(ctx, item)), TRUE);
  return 0;
}

int32_t CtlDrawnSliderRefresh(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item) {
  CtlSliderRefresh(ctx, dialog, item);
  CtlDrawSlider(ctx, dialog, item, nullptr);
  return 0;
}

void CtlDrawSlider(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, HDC given) {
  HWND bar = CtlWindowOf(dialog, item);
  if (!bar) return;
  int32_t minimum = 0, maximum = 0;
  Range(bar, &minimum, &maximum);
  const int32_t position = int32_t(SendMessageW(bar, SBM_GETPOS, 0, 0));
  RECT client{};
  GetClientRect(bar, &client);
  const int32_t a = GetSystemMetrics(SM_CXHSCROLL);
  const int32_t thumb = CtlSliderThumbLeft(client.left, client.right, a, position, minimum, maximum);
  if (thumb < 0) return;
  bool own = false;
  HDC dc = SliderDC(bar, given, &own);
  const RECT left_box{client.left, client.top, client.left + a, client.bottom};
  const RECT right_box{client.right - a, client.top, client.right, client.bottom};
  const RECT track{client.left + a, client.top, client.right - a, client.bottom};
  CtlSliderBlock block{};
  // The window layer always shows true colour.
  if (SliderBlock(item, &block))
    CtlGetServices().drawPicture(ctx, dialog, item, dc, &track, uint32_t(block.pictureId), false);
  const CtlServices& s = CtlGetServices();
  const COLORREF sign = GetSysColor(COLOR_MENUTEXT);
  s.drawButtonFace(ctx, dialog, item, nullptr, dc, &left_box, false, false);
  Sign(dc, left_box, false, 3, 4, sign);
  s.drawButtonFace(ctx, dialog, item, nullptr, dc, &right_box, false, false);
  Sign(dc, right_box, true, 3, 4, sign);
  const bool focused = GetFocus() == bar;
  const RECT thumb_box{thumb, client.top, thumb + a, client.bottom};
  s.drawButtonFace(ctx, dialog, item, nullptr, dc, &thumb_box, focused, focused);
  if (own) ReleaseDC(bar, dc);
}

HWND CtlSliderPressPopup(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, POINT press) {
  HWND bar = CtlWindowOf(dialog, item);
  if (!bar) return nullptr;
  RECT client{};
  GetClientRect(bar, &client);
  const int32_t a = GetSystemMetrics(SM_CXHSCROLL);
  const bool on_left = press.x < client.left + a, on_right = press.x >= client.right - a;
  if (!on_left && !on_right) return nullptr;
  POINT corner{on_left ? client.left : client.right - a, client.top};
  ClientToScreen(bar, &corner);
  HWND popup = CreateWindowExW(0, u"STATIC", u"", WS_POPUP, corner.x, corner.y, a, client.bottom - client.top,
                               dialog ? dialog->window : nullptr, nullptr, nullptr, nullptr);
  if (!popup) return nullptr;
  ShowWindow(popup, SW_SHOWNOACTIVATE);
  HDC dc = GetDC(popup);
  const RECT box{0, 0, a, client.bottom - client.top};
  CtlGetServices().drawButtonFace(ctx, dialog, item, nullptr, dc, &box, true, true);
  Sign(dc, box, on_right, 4, 4, RGB(0, 0, 0));
  ReleaseDC(popup, dc);
  ValidateRect(popup, nullptr);
  return popup;
}

LRESULT CtlSliderMessage(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, uintptr_t message,
                         uintptr_t wparam, intptr_t lparam) {
  HWND bar = CtlWindowOf(dialog, item);
  CtlSliderBlock block{};
  const bool stepped = SliderBlock(item, &block);
  if (message == WM_CTLCOLORSCROLLBAR) {
    if (item->kind != kDrawnSlider || HWND(lparam) != bar || !stepped || !dialog || !dialog->window) return 0;
    SetWindowLongPtrW(dialog->window, DWLP_MSGRESULT, reinterpret_cast<LONG_PTR>(GetStockObject(NULL_BRUSH)));
    return 1;
  }
  if (message != WM_HSCROLL || HWND(lparam) != bar || item->disabled) return 0;
  const int32_t line = stepped ? block.lineStep : 1, page = stepped ? block.pageStep : 10;
  int32_t minimum = 0, maximum = 0;
  Range(bar, &minimum, &maximum);
  const int64_t position = SendMessageW(bar, SBM_GETPOS, 0, 0);
  int64_t next = position;
  switch (LOWORD(wparam)) {
    case SB_LINEUP: next -= line; break;
    case SB_LINEDOWN: next += line; break;
    case SB_PAGEUP: next -= page; break;
    case SB_PAGEDOWN: next += page; break;
    // The ends move by one only.
    case SB_TOP: next -= 1; break;
    case SB_BOTTOM: next += 1; break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: next = int16_t(HIWORD(wparam)); break;
    default: break;
  }
  CtlGetServices().setControlValue(ctx, dialog, item, Clamp(next, minimum, maximum));
  CtlGetServices().refreshPage(ctx, dialog);
  return 1;
}

// ---- trackbars (85) ---------------------------------------------------------------------------------

int32_t CtlTrackbarInit(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item) {
  if (!item->setting) return 1;
  HWND bar = CtlWindowOf(dialog, item);
  ImgNumeric n;
  int32_t lo = 0, hi = kNoRecordSliderMax;
  if (CtlNumericOf(ctx, item, &n)) {
    // The trackbar holds 16 bits: a wider range is cut to what it can show.
    lo = std::clamp(n.minimum, kTrackbarMin, kTrackbarMax);
    hi = std::clamp(n.maximum, kTrackbarMin, kTrackbarMax);
  }
  SendMessageW(bar, TBM_SETRANGE, FALSE, MAKELPARAM(WORD(lo), WORD(hi)));
  CtlTrackbarRefresh(ctx, dialog, item);
  return 1;
}

int32_t CtlTrackbarRefresh(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item) {
  SendMessageW(CtlWindowOf(dialog, item), TBM_SETPOS, TRUE, LPARAM(OptGetControlOption(ctx, item)));
  return 0;
}

LRESULT CtlTrackbarMessage(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, uintptr_t message,
                           uintptr_t, intptr_t lparam) {
  HWND bar = CtlWindowOf(dialog, item);
  if (message != WM_HSCROLL || HWND(lparam) != bar) return 0;
  OptSetControlOption(ctx, item, int32_t(SendMessageW(bar, TBM_GETPOS, 0, 0)));
  return 1;
}

// ---- spin buttons (23, 81) ------------------------------------------------------------------------

int32_t CtlSpinInit(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item) {
  if (!item->setting) return 0;
  int32_t minimum = 0, maximum = 0;
  SpinRange(ctx, item, &minimum, &maximum);
  SendMessageW(CtlWindowOf(dialog, item), SBM_SETRANGE, WPARAM(minimum), LPARAM(maximum));
  CtlDispatchRefresh(ctx, dialog, item);
  return 0;
}

int32_t CtlSpinRefresh(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item) {
  if (!item->setting) return 0;
  HWND bar = CtlWindowOf(dialog, item);
  int32_t position = OptGetControlOption(ctx, item);
  if (IsLength(item)) {
    int32_t minimum = 0, maximum = 0, have_min = 0, have_max = 0;
    SpinRange(ctx, item, &minimum, &maximum);
    Range(bar, &have_min, &have_max);
    if (have_min != minimum || have_max != maximum)
      SendMessageW(bar, SBM_SETRANGE, WPARAM(minimum), LPARAM(maximum));
    position = UnitGetUserValue(ctx, 0, position);
  }
  SendMessageW(bar, SBM_SETPOS, WPARAM(position), TRUE);
  return 0;
}

LRESULT CtlSpinMessage(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, uintptr_t message,
                       uintptr_t wparam, intptr_t lparam) {
  HWND bar = CtlWindowOf(dialog, item);
  if (message != WM_VSCROLL || HWND(lparam) != bar || item->disabled) return 0;
  CtlSliderBlock block{};
  const int32_t page = SliderBlock(item, &block) ? block.pageStep : 0;
  int32_t minimum = 0, maximum = 0;
  Range(bar, &minimum, &maximum);
  int64_t next = SendMessageW(bar, SBM_GETPOS, 0, 0);
  switch (LOWORD(wparam)) {
    case SB_LINEUP: next += 1; break;
    case SB_LINEDOWN: next -= 1; break;
    case SB_PAGEUP: next += page; break;
    case SB_PAGEDOWN: next -= page; break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: next = int16_t(HIWORD(wparam)); break;
    default: break;
  }
  int32_t value = Clamp(next, minimum, maximum);
  SendMessageW(bar, SBM_SETPOS, WPARAM(value), TRUE);
  if (IsLength(item)) value = UnitSetUserValue(ctx, 0, value);
  // The linked numeric edit runs the rules when it loses the focus.
  OptSetControlOption(ctx, item, value);
  if (HWND sheet = CtlSheetOf(dialog)) SendMessageW(sheet, PSM_CHANGED, WPARAM(dialog->window), 0);
  return 1;
}

// ---- tab controls (104) -------------------------------------------------------------------------

void CtlTabShowPage(DialogRecord* dialog, DialogItemRecord* item, int32_t index) {
  const auto* block = static_cast<const CtlTabBlock*>(CtlGetExtraBlock(item, kCtlTagTab));
  if (!block || !block->tabs || !dialog || !dialog->window) return;
  auto show = [&](const CtlTabRow& tab, INT how) {
    for (int16_t c = 0; tab.controlIds && c < tab.controlCount; ++c)
      if (HWND control = GetDlgItem(dialog->window, tab.controlIds[c])) ShowWindow(control, how);
  };
  for (int16_t t = 0; t < block->tabCount; ++t)
    if (t != index) show(block->tabs[t], SW_HIDE);
  if (index >= 0 && index < block->tabCount) show(block->tabs[index], SW_SHOW);
}

int32_t CtlTabInit(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item) {
  const auto* block = static_cast<const CtlTabBlock*>(CtlGetExtraBlock(item, kCtlTagTab));
  if (!block || !block->tabs) return 0;
  HWND tabs = CtlWindowOf(dialog, item);
  for (int16_t t = 0; t < block->tabCount; ++t) {
    char16_t caption[kTabCaptionChars + 1] = {};
    ResLoadString(ctx, block->tabs[t].captionId, caption, kTabCaptionChars + 1, 0);
    TCITEMW tab{};
    tab.mask = TCIF_TEXT | TCIF_PARAM;
    tab.pszText = caption;
    tab.lParam = reinterpret_cast<LPARAM>(ctx);
    SendMessageW(tabs, TCM_INSERTITEMW, WPARAM(t), reinterpret_cast<LPARAM>(&tab));
  }
  CtlTabShowPage(dialog, item, 0);
  return 0;
}

LRESULT CtlTabMessage(DriverContext*, DialogRecord* dialog, DialogItemRecord* item, uintptr_t message, uintptr_t,
                      intptr_t lparam) {
  const auto* header = reinterpret_cast<const NMHDR*>(lparam);
  HWND tabs = CtlWindowOf(dialog, item);
  if (message != WM_NOTIFY || !header || header->code != TCN_SELCHANGE || header->hwndFrom != tabs) return 0;
  CtlTabShowPage(dialog, item, int32_t(SendMessageW(tabs, TCM_GETCURSEL, 0, 0)));
  return 0;
}

// ---- the item tree (105) ------------------------------------------------------------------------

int32_t CtlTreeInit(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item) {
  HWND tree = CtlWindowOf(dialog, item);
  if (!tree) return 0;
  SendMessageW(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
  auto insert = [&](HTREEITEM parent, std::u16string text) {
    TVINSERTSTRUCTW add{};
    add.hParent = parent;
    add.hInsertAfter = TVI_LAST;
    add.item.mask = TVIF_TEXT | TVIF_PARAM;
    add.item.pszText = text.data();
    add.item.lParam = reinterpret_cast<LPARAM>(ctx);
    return reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&add)));
  };
  auto widen = [](const char* text) { return std::u16string(text, text + std::strlen(text)); };
  DialogTable* table = ctx->dialogs;
  for (int16_t d = 0; table && d < table->count; ++d) {
    const DialogRecord& row = table->rows[d];
    HTREEITEM root = insert(TVI_ROOT, widen(row.name ? row.name : ""));
    for (uint32_t i = 0; row.items && i < row.itemCount; ++i) {
      const UiSymbolRow* symbol = MdfFindFeatureByKey(row.items[i].symbol);
      if (!symbol || !symbol->name) {
        insert(root, u"none");
        continue;
      }
      // The keyword, a full-width colon, then the current option.
      const std::string number = std::to_string(OptGetOptionByKey(ctx, row.items[i].symbol));
      insert(root, widen(symbol->name) + u'\uFF1A' + widen(number.c_str()));
    }
  }
  return 0;
}

LRESULT CtlNoMessage(DriverContext*, DialogRecord*, DialogItemRecord*, uintptr_t, uintptr_t, intptr_t) { return 0; }
