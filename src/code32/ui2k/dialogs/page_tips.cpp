// The small window services of the pages: the delayed tip of a control,
// context help, the lock icons that say why a control is disabled, hit
// testing of items, and the owner-drawn button faces with their captions.
#include <algorithm>
#include <string>
#include <vector>

#include "ctl_internal.h"
#include "plat/user.h"
#include "ui/gdi.h"
#include "ui2k/pages.h"
#include "velm/context.h"
#include "velm/paths.h"
#include "velm/presets.h"
#include "velm/resources.h"
#include "velm/save_stack.h"

namespace {

constexpr COLORREF kTipColour = 0xD8FFFF;
constexpr uint16_t kTipByY = 2067;  // a control whose tip follows the y coordinate
constexpr uint16_t kComboKindA = 43, kComboKindB = 48, kComboKindC = 45, kPresetIconKind = 50, kGroupKind = 4;
constexpr UINT kComboDroppedRect = 0x0152;  // CB_GETDROPPEDCONTROLRECT
constexpr uint32_t kLockTextChars = 522;
constexpr int32_t kFirstPresetEntry = 0;
constexpr uint32_t kLockPicture = 7006;
constexpr UINT kMsgNcPaint = 0x0085;  // WM_NCPAINT

void Shrink(RECT* r, LONG dx, LONG dy) { *r = RECT{r->left + dx, r->top + dy, r->right - dx, r->bottom - dy}; }

// The icon that last took the focus; its focus frame is drawn once.
HWND g_focused_icon = nullptr;

bool IsComboTip(const DialogItemRecord* item) { return item->kind == kComboKindA || item->kind == kComboKindB; }

HWND PageOf(HWND window) { return (GetWindowLongW(window, GWL_STYLE) & LONG(WS_CHILD)) ? GetParent(window) : window; }

DriverContext* ContextOfPage(HWND page) {
  return page ? reinterpret_cast<DriverContext*>(GetWindowLongPtrW(page, DWLP_USER)) : nullptr;
}

bool Inside(const RECT& r, POINT p) { return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom; }

// The lines of a text ended by LF (a CR before the LF belongs to the line end).
std::vector<std::u16string> LinesOf(const std::u16string& text) {
  std::vector<std::u16string> lines(1);
  for (char16_t c : text) {
    if (c == u'\n') lines.emplace_back();
    else if (c != u'\r') lines.back().push_back(c);
  }
  return lines;
}

// A preset comment keeps its line breaks as the two characters "\n".
std::u16string CommentText(const char16_t* comment) {
  std::u16string out;
  for (const char16_t* p = comment; *p; ++p) {
    if (p[0] == u'\\' && p[1] == u'n') {
      out += u"\r\n";
      ++p;
    } else {
      out.push_back(*p);
    }
  }
  return out;
}

// The tip text of the preset icon under the point; the point moves to the
// centre of the icon's cell. Empty when there is none or it has no comment.
std::u16string PresetIconText(DriverContext* ctx, const DialogItemRecord* item, HWND list, int32_t* x, int32_t* y) {
  uint32_t cell_w = 0, cell_h = 0;
  RECT r{};
  if (!UiGetMeasureItemSize(item->controlId, &cell_w, &cell_h) || !cell_w || !GetWindowRect(list, &r)) return {};
  if (*x < r.left || *y < r.top || *y >= r.top + LONG(cell_h)) return {};
  const LRESULT top = SendMessageW(list, LB_GETTOPINDEX, 0, 0);
  const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
  const LRESULT column = (*x - r.left) / LONG(cell_w);
  const LRESULT index = top + column;
  if (index < 0 || index >= count) return {};
  char16_t comment[kPresetNameChars] = {};
  DmPushSettings(ctx);
  PresetGetEntryText(ctx, int32_t(index) + kFirstPresetEntry, 2, comment);
  DmPopSettings(ctx, 1);
  *x = int32_t(r.left + column * LONG(cell_w) + LONG(cell_w) / 2);
  *y = int32_t(r.top + LONG(cell_h) / 2);
  return CommentText(comment);
}

// The tip text of an item, empty when it has none.
std::u16string TipText(DriverContext* ctx, const DialogItemRecord* item, HWND window, int32_t key, int32_t* x,
                       int32_t* y) {
  if (item->tipId) {
    char16_t text[kLockTextChars] = {};
    ResLoadString(ctx, item->tipId, text, kLockTextChars, 0);
    return text;
  }
  if (IsComboTip(item)) {
    if (key < 0) return {};
    const LRESULT len = SendMessageW(window, CB_GETLBTEXTLEN, WPARAM(key), 0);
    if (len <= 0) return {};
    std::u16string text(size_t(len) + 1, u'\0');
    SendMessageW(window, CB_GETLBTEXT, WPARAM(key), LPARAM(text.data()));
    text.resize(std::char_traits<char16_t>::length(text.c_str()));
    return text;
  }
  if (item->kind == kPresetIconKind) return PresetIconText(ctx, item, window, x, y);
  return {};
}

void TakeTipDown(DriverContext* ctx) {
  WorkRecord& w = *ctx->work;
  if (w.tipTimer && w.tipPage) KillTimer(w.tipPage, kTipTimerId);
  const bool was_shown = w.tipWindow && !w.tipTimer;
  if (w.tipWindow) {
    RECT r{};
    GetWindowRect(w.tipWindow, &r);
    DestroyWindow(w.tipWindow);
    if (was_shown && w.tipPage) {
      POINT a{r.left, r.top}, b{r.right, r.bottom};
      ScreenToClient(w.tipPage, &a);
      ScreenToClient(w.tipPage, &b);
      const RECT covered{a.x, a.y, b.x, b.y};
      InvalidateRect(w.tipPage, &covered, TRUE);
    }
  }
  w.tipWindow = nullptr;
  w.tipTimer = 0;
  w.tipControl = 0;
  w.tipKey = 0;
  w.tipControlWindow = nullptr;
  w.tipKind = 0;
}

// The part of the screen the taskbar leaves free.
RECT WorkArea() {
  RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  RECT bar{};
  HWND taskbar = FindWindowW(u"Shell_TrayWnd", nullptr);
  if (!taskbar || !GetWindowRect(taskbar, &bar)) return area;
  const LONG mid_x = area.right / 2, mid_y = area.bottom / 2;
  if (bar.left > mid_x) area.right = std::min(area.right, bar.left);
  else if (bar.right < mid_x) area.left = std::max(area.left, bar.right);
  else if (bar.top > mid_y) area.bottom = std::min(area.bottom, bar.top);
  else if (bar.bottom < mid_y) area.top = std::max(area.top, bar.bottom);
  return area;
}

}  // namespace

// ---- the tip -----------------------------------------------------------------------------------

POINT UiPlaceTip(POINT at, SIZE size) {
  const RECT area = WorkArea();
  if (at.x + size.cx + 16 > area.right) at.x = std::max(area.right - size.cx - 16, area.left + 16);
  if (at.y + size.cy + 12 > area.bottom) at.y = std::max(area.bottom - size.cy - 12, area.top + 12);
  return at;
}

void UiShowTip(DriverContext* ctx, DialogItemRecord* item, HWND window, int32_t x, int32_t y, int32_t index) {
  if (!ctx || !ctx->work) return;
  WorkRecord& w = *ctx->work;
  int32_t key = item && item->controlId == kTipByY ? y : x;
  if (item && IsComboTip(item)) key = index >= 0 ? index : int32_t(SendMessageW(window, CB_GETCURSEL, 0, 0));
  if (item && w.tipWindow && w.tipControl == item->controlId && w.tipKey == key) return;
  if (!item && w.tipWindow && w.tipTimer) return;
  TakeTipDown(ctx);
  if (!item || !window) return;

  const std::u16string text = TipText(ctx, item, window, key, &x, &y);
  if (text.empty()) return;
  HWND page = PageOf(window);
  HDC dc = GetDC(window);
  HFONT font = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
  HGDIOBJ old = font && dc ? SelectObject(dc, font) : nullptr;
  SIZE box{0, 0};
  for (const std::u16string& line : LinesOf(text)) {
    SIZE s{};
    UiGetTextExtent(dc, line.empty() ? u" " : line.c_str(), &s);
    box.cx = std::max(box.cx, s.cx);
    box.cy += s.cy;
  }
  if (old) SelectObject(dc, old);
  if (dc) ReleaseDC(window, dc);

  const POINT at = UiPlaceTip(POINT{x, y}, box);
  HWND tip = CreateWindowExW(0, u"STATIC", text.c_str(), WS_POPUP | WS_BORDER, at.x, at.y, box.cx + 8, box.cy + 6,
                             window, nullptr, nullptr, nullptr);
  if (!tip) return;
  if (font) SendMessageW(tip, WM_SETFONT, WPARAM(font), 0);
  w.tipWindow = tip;
  w.tipControl = item->controlId;
  w.tipKey = key;
  w.tipKind = item->kind;
  w.tipControlWindow = window;
  w.tipPage = page;
  w.tipTimer = SetTimer(page, kTipTimerId, kTipDelayMs, nullptr);
}

void UiHideTip(DriverContext* ctx) { UiShowTip(ctx, nullptr, nullptr, 0, 0, -1); }

void UiPaintTip(DriverContext* ctx) {
  if (!ctx || !ctx->work || !ctx->work->tipWindow) return;
  HWND tip = ctx->work->tipWindow;
  HDC dc = GetDC(tip);
  if (!dc) return;
  RECT client{};
  GetClientRect(tip, &client);
  UiFillRect(dc, &client, kTipColour);
  HFONT font = reinterpret_cast<HFONT>(SendMessageW(tip, WM_GETFONT, 0, 0));
  HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
  SetTextColor(dc, 0);
  SetBkMode(dc, TRANSPARENT);
  char16_t text[kLockTextChars] = {};
  GetWindowTextW(tip, text, INT(kLockTextChars));
  RECT inset{client.left + 2, client.top + 2, client.right - 2, client.bottom - 2};
  DrawTextW(dc, text, -1, &inset, DT_NOPREFIX | DT_NOCLIP | DT_EXPANDTABS);
  if (old) SelectObject(dc, old);
  ReleaseDC(tip, dc);
  ValidateRect(tip, nullptr);
}

int32_t UiOnTipTimer(DriverContext* ctx, HWND page, UINT_PTR timer) {
  if (!ctx || !ctx->work || timer != kTipTimerId) return 0;
  WorkRecord& w = *ctx->work;
  KillTimer(page, kTipTimerId);
  w.tipTimer = 0;
  HWND control = w.tipControlWindow;
  if (!w.tipWindow || !control || !IsWindow(control)) return 1;
  RECT r{};
  const bool combo = w.tipKind == kComboKindA || w.tipKind == kComboKindB || w.tipKind == kComboKindC;
  if (!combo || !SendMessageW(control, kComboDroppedRect, 0, LPARAM(&r))) GetWindowRect(control, &r);
  POINT cursor{};
  GetCursorPos(&cursor);
  HWND focus = GetFocus();
  HWND focus_parent = focus ? GetParent(focus) : nullptr;
  HWND parent = GetParent(control);
  const bool same_page = focus_parent && (parent == focus_parent || (parent && GetParent(parent) == focus_parent));
  if (Inside(r, cursor) && same_page) {
    ShowWindow(w.tipWindow, SW_SHOWNOACTIVATE);
    UiPaintTip(ctx);
  }
  return 1;
}

// ---- hit testing and help --------------------------------------------------------------------

DialogItemRecord* UiHitTestItem(DriverContext*, DialogRecord* dialog, POINT point) {
  if (!dialog || !dialog->window) return nullptr;
  POINT screen = point;
  ClientToScreen(dialog->window, &screen);
  for (uint32_t i = dialog->itemCount; i-- > 0;) {
    DialogItemRecord* item = &dialog->items[i];
    RECT r{};
    if (item->hidden || !item->window || !GetWindowRect(item->window, &r)) continue;
    if (Inside(r, screen)) return item;
  }
  return nullptr;
}

void UiShowControlHelp(DriverContext* ctx, DialogRecord* dialog, HWND control, UINT message) {
  DialogItemRecord* item = ctx && dialog && control ? CtxFindControlByWindow(ctx, dialog, control) : nullptr;
  if (!item || item->hidden) return;
  const DWORD ids[4] = {item->controlId, item->helpId, 0, 0};
  const char16_t* file = PathGetHelpFile(ctx);
  if (message == WM_HELP) {
    WinHelpW(control, file, HELP_WM_HELP, ULONG_PTR(ids));
  } else {
    HWND target = item->kind == kGroupKind ? dialog->window : control;
    WinHelpW(target, file, HELP_CONTEXTMENU, ULONG_PTR(ids));
  }
}

// ---- lock icons --------------------------------------------------------------------------------

LRESULT UiHelpIconWndProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  HWND page = GetParent(window);
  DriverContext* ctx = ContextOfPage(page);
  auto* item = reinterpret_cast<DialogItemRecord*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  WorkRecord* w = ctx ? ctx->work : nullptr;
  auto invalidate_icon = [&] {
    RECT r{};
    GetWindowRect(window, &r);
    POINT a{r.left, r.top}, b{r.right, r.bottom};
    ScreenToClient(page, &a);
    ScreenToClient(page, &b);
    const RECT area{a.x, a.y, b.x, b.y};
    InvalidateRect(page, &area, TRUE);
  };
  switch (message) {
    case WM_NCHITTEST: {
      RECT r{};
      GetWindowRect(window, &r);
      const POINT at{int16_t(LOWORD(uintptr_t(lparam))), int16_t(HIWORD(uintptr_t(lparam)))};
      if (!Inside(r, at)) break;
      if (w && w->handCursor) {
        HCURSOR before = SetCursor(static_cast<HCURSOR>(w->handCursor));
        if (before != w->handCursor && before != w->pressedHandCursor) w->savedCursor = before;
      }
      if (GetCapture() != window) SetCapture(window);
      return HTCLIENT;
    }
    case WM_MOUSEMOVE: {
      RECT client{};
      GetClientRect(window, &client);
      const POINT at{int16_t(LOWORD(uintptr_t(lparam))), int16_t(HIWORD(uintptr_t(lparam)))};
      if (!Inside(client, at) && GetCapture() == window) {
        ReleaseCapture();
        if (w && w->savedCursor) SetCursor(static_cast<HCURSOR>(w->savedCursor));
      }
      return 0;
    }
    case WM_LBUTTONDOWN:
      if (w && w->pressedHandCursor) SetCursor(static_cast<HCURSOR>(w->pressedHandCursor));
      return 0;
    case WM_KEYUP:
      if (wparam != VK_SPACE) break;
      [[fallthrough]];
    case WM_LBUTTONUP: {
      if (w && w->handCursor) SetCursor(static_cast<HCURSOR>(w->handCursor));
      if (!ctx || !item) return 0;
      char16_t text[kLockTextChars] = {};
      ResLoadString(ctx, item->messageId, text, kLockTextChars, 0);
      MessageBoxW(item->window ? item->window : page, text, w->printerName, MB_ICONINFORMATION);
      return 0;
    }
    case WM_SETFOCUS:
      g_focused_icon = window;
      invalidate_icon();
      return 0;
    case WM_KILLFOCUS:
      invalidate_icon();
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT paint{};
      HDC dc = BeginPaint(window, &paint);
      RECT client{};
      GetClientRect(window, &client);
      if (ctx && item) {
        DialogRecord* dialog = CtxFindDialogByWindow(ctx, page);
        CtlGetServices().drawPicture(ctx, dialog, item, dc, &client, kLockPicture, false);
      }
      if (g_focused_icon == window && GetFocus() == window) {
        DrawFocusRect(dc, &client);
        g_focused_icon = nullptr;
      }
      EndPaint(window, &paint);
      return 0;
    }
    case kMsgNcPaint:
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

// ---- button faces and captions ---------------------------------------------------------------

uint32_t UiButtonCaptionId(uint16_t control_id) {
  struct Row {
    uint16_t control;
    uint32_t caption;
  };
  static constexpr Row kCaptions[] = {
      {2037, kNoTextCaption}, {2038, kNoTextCaption}, {2079, kNoTextCaption}, {2080, kNoTextCaption},
      {2096, kNoTextCaption}, {2097, kNoTextCaption}, {2114, kNoTextCaption}, {2115, kNoTextCaption},
      {2003, 13187},          {2002, 13188},          {2140, 13191},          {2143, 13189},
      {2144, 13190},          {2502, 13192},          {2503, 13193},
  };
  for (const Row& row : kCaptions)
    if (row.control == control_id) return row.caption;
  return 0;
}

void UiFillRect(HDC dc, const RECT* rect, COLORREF colour) {
  if (!dc || !rect) return;
  HBRUSH brush = CreateSolidBrush(colour);
  HPEN pen = CreatePen(PS_SOLID, 1, colour);
  HGDIOBJ old_brush = SelectObject(dc, brush);
  HGDIOBJ old_pen = SelectObject(dc, pen);
  Rectangle(dc, rect->left, rect->top, rect->right, rect->bottom);
  SelectObject(dc, old_brush);
  SelectObject(dc, old_pen);
  DeleteObject(brush);
  DeleteObject(pen);
}

void UiGetTextExtent(HDC dc, const char16_t* text, SIZE* size) {
  if (!size) return;
  *size = SIZE{0, 0};
  if (!dc) return;
  if (text) {
    GetTextExtentPoint32W(dc, text, INT(std::char_traits<char16_t>::length(text)), size);
    return;
  }
  TEXTMETRICW metrics{};
  if (GetTextMetricsW(dc, &metrics)) *size = SIZE{metrics.tmAveCharWidth, metrics.tmHeight};
}

uint32_t UiSetButtonCaption(DriverContext* ctx, const DialogItemRecord* item) {
  if (!ctx || !ctx->work) return 0;
  ctx->work->captionStringId = item ? UiButtonCaptionId(item->controlId) : 0;
  return ctx->work->captionStringId;
}

void UiClearButtonCaption(DriverContext* ctx) {
  if (ctx && ctx->work) ctx->work->captionStringId = 0;
}

int32_t UiDrawButtonFace(DriverContext* ctx, HWND window, HDC dc, const RECT* rect, uint32_t style, bool pressed,
                         bool focused) {
  if (!dc || !rect) return 0;
  const uint32_t caption_id = ctx && ctx->work ? ctx->work->captionStringId : 0;
  RECT r = *rect;
  UiFillRect(dc, &r, GetSysColor(COLOR_BTNFACE));
  if (focused) Shrink(&r, 1, 1);
  if ((style & 0xF) == 2) {
    auto ring = [&](RECT box, INT top_left, INT bottom_right) {
      const COLORREF tl = GetSysColor(top_left), br = GetSysColor(bottom_right);
      const RECT top{box.left, box.top, box.right - 1, box.top + 1}, left{box.left, box.top, box.left + 1, box.bottom - 1};
      const RECT bottom{box.left, box.bottom - 1, box.right, box.bottom}, right{box.right - 1, box.top, box.right, box.bottom};
      UiFillRect(dc, &top, tl);
      UiFillRect(dc, &left, tl);
      UiFillRect(dc, &bottom, br);
      UiFillRect(dc, &right, br);
    };
    RECT inner = r;
    Shrink(&inner, 1, 1);
    if (!pressed) {
      ring(r, COLOR_BTNHIGHLIGHT, COLOR_3DDKSHADOW);
      ring(inner, COLOR_BTNFACE, COLOR_BTNSHADOW);
    } else {
      ring(r, COLOR_BTNSHADOW, COLOR_BTNFACE);
      ring(inner, COLOR_3DDKSHADOW, COLOR_BTNHIGHLIGHT);
    }
  }
  int32_t width = 0;
  if (window && caption_id != kNoTextCaption) {
    char16_t text[kCtlNameChars + 1] = u"...";
    if (caption_id) ResLoadString(ctx, caption_id, text, kCtlNameChars + 1, 0);
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
    HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
    SIZE extent{};
    UiGetTextExtent(dc, text, &extent);
    width = extent.cx;
    const std::u16string caption = text;
    if (caption == u"<" || caption == u">") {
      // An arrow caption is a filled triangle in a square at the centre.
      const LONG side = std::min(r.right - r.left, r.bottom - r.top) / 2;
      const LONG cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2, h = side / 2;
      const POINT left[3] = {{cx - h, cy}, {cx + h, cy - h}, {cx + h, cy + h}};
      const POINT right[3] = {{cx + h, cy}, {cx - h, cy - h}, {cx - h, cy + h}};
      HBRUSH black = CreateSolidBrush(0);
      HGDIOBJ old_brush = SelectObject(dc, black);
      Polygon(dc, caption == u"<" ? left : right, 3);
      SelectObject(dc, old_brush);
      DeleteObject(black);
    } else {
      SetBkMode(dc, TRANSPARENT);
      RECT text_rc = r;
      text_rc.top += std::max<LONG>(0, (r.bottom - r.top - extent.cy) / 2);
      const UINT format = DT_EXPANDTABS | DT_WORDBREAK | DT_CENTER;
      if (!IsWindowEnabled(window)) {
        RECT shadow{text_rc.left + 1, text_rc.top + 1, text_rc.right + 1, text_rc.bottom + 1};
        SetTextColor(dc, 0xFFFFFF);
        DrawTextW(dc, text, -1, &shadow, format);
        SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
      } else {
        SetTextColor(dc, 0);
      }
      DrawTextW(dc, text, -1, &text_rc, format);
    }
    if (old) SelectObject(dc, old);
  }
  if (focused) {
    Shrink(&r, 2, 2);
    DrawFocusRect(dc, &r);
  }
  return width;
}
