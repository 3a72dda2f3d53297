// Static texts, pictures, push buttons, check boxes and radio lists: the
// kinds that show or pick one value.
#include "ctl_internal.h"
#include "ui/format.h"
#include "velm/resources.h"

namespace {

constexpr int32_t kIconSize = 16;
constexpr int32_t kIconGap = 4;

}  // namespace

int32_t CtlTextRefresh(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item) {
  MdfItem feature = UiItemModel(ctx, item);
  if (!feature) return 0;
  // The option names are formats over the current option id. They come from
  // the resource module, so a stray conversion prints as text.
  const int32_t current = OptGetControlOption(ctx, item);
  std::u16string text;
  bool found = false;
  CtlForEachOption(ctx, feature, [&](uint16_t option) {
    if (CtlIsOptionHidden(ctx, feature, option)) return true;
    std::u16string name = CtlOptionName(ctx, option);
    if (name.empty()) return true;
    text = ui::FormatW(name, {ui::FormatArg::Number(current)}, kCtlNameChars);
    found = true;
    return true;
  });
  HWND window = CtlWindowOf(dialog, item);
  if (found && window) SetWindowTextW(window, text.c_str());
  return 0;
}

LRESULT CtlPictureClick(DriverContext* ctx, DialogRecord*, DialogItemRecord* item, uintptr_t, uintptr_t, intptr_t) {
  MdfItem feature = UiItemModel(ctx, item);
  if (!feature) return 0;
  uint16_t ids[kCtlMaxOptions];
  const int32_t n = CtlGetOptions(ctx, feature, ids, kCtlMaxOptions);
  const int32_t current = OptGetControlOption(ctx, item);
  int32_t at = -1;
  for (int32_t i = 0; i < n && at < 0; ++i)
    if (ids[i] == current) at = i;
  if (at < 0) return 0;
  // The next option that is not hidden, wrapping to the first one (which
  // may be the current option itself).
  for (int32_t step = 1; step <= n; ++step) {
    uint16_t next = ids[(at + step) % n];
    if (CtlIsOptionHidden(ctx, feature, next)) continue;
    OptSetControlOption(ctx, item, next);
    return 1;
  }
  return 0;
}

int32_t CtlPictureRefresh(DriverContext*, DialogRecord* dialog, DialogItemRecord* item) {
  if (HWND window = CtlWindowOf(dialog, item)) InvalidateRect(window, nullptr, FALSE);
  return 0;
}

int32_t CtlIconRefresh(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item) {
  MdfItem feature = UiItemModel(ctx, item);
  HWND window = CtlWindowOf(dialog, item);
  if (!feature || !window) return 0;
  const CtlServices& s = CtlGetServices();
  const bool pick_one = CtlIsPickOne(ctx, feature);
  if (pick_one && !item->linkedControl) {
    s.drawIcon(ctx, window, nullptr, 0, 0, uint32_t(OptGetControlOption(ctx, item)));
    return 0;
  }
  CtlForEachOption(ctx, feature, [&](uint16_t option) {
    if (CtlIsOptionHidden(ctx, feature, option)) return true;
    s.drawIcon(ctx, window, nullptr, 0, 0, option);
    return !pick_one;
  });
  return 0;
}

int32_t CtlButtonInit(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item) {
  uint32_t caption = CtlGetServices().buttonCaption(ctx, item->controlId);
  HWND window = CtlWindowOf(dialog, item);
  if (caption && caption != kNoTextCaption && window) {
    char16_t text[kCtlNameChars + 1] = {};
    ResLoadString(ctx, caption, text, kCtlNameChars + 1, 0);
    SetWindowTextW(window, text);
  }
  return 1;
}

LRESULT CtlButtonCommand(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, uintptr_t, uintptr_t,
                         intptr_t) {
  if (!UiItemModel(ctx, item)) return 1;
  const CtlServices& s = CtlGetServices();
  // An alert the person answered with anything but 0 stops the button here.
  if (s.runFeatureAlert(ctx, dialog, item) != 0) return 1;
  s.applyTransact(ctx, dialog, item);
  return 1;
}

LRESULT CtlButtonMessage(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, uintptr_t message,
                         uintptr_t, intptr_t lparam) {
  HWND window = CtlWindowOf(dialog, item);
  if (message == WM_MEASUREITEM) {
    auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lparam);
    RECT client{};
    if (!measure || !window || !GetClientRect(window, &client)) return 0;
    measure->itemWidth = UINT(client.right - client.left);
    measure->itemHeight = UINT(client.bottom - client.top);
    return 1;
  }
  if (message != WM_DRAWITEM) return 0;
  auto* draw = reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
  if (!draw || !(draw->itemAction & (ODA_DRAWENTIRE | ODA_SELECT | ODA_FOCUS))) return 0;
  const CtlServices& s = CtlGetServices();
  const bool focused = draw->itemAction == ODA_FOCUS || (draw->itemState & ODS_FOCUS);
  const uint32_t caption = s.buttonCaption(ctx, item->controlId);
  const int32_t caption_width = s.drawButtonFace(ctx, dialog, item, window, draw->hDC, &draw->rcItem,
                                                 (draw->itemState & ODS_SELECTED) != 0, focused);
  MdfItem feature = UiItemModel(ctx, item);
  if (!feature) return 1;
  // The options' icons over the face: left of a caption, else centred. A
  // button without a caption entry shows "...".
  const RECT& r = draw->rcItem;
  const bool has_text = caption != kNoTextCaption;
  const int32_t x = has_text ? (r.left + r.right - caption_width) / 2 - kIconSize - kIconGap
                             : (r.left + r.right - kIconSize) / 2;
  const int32_t y = (r.top + r.bottom - kIconSize) / 2;
  CtlForEachOption(ctx, feature, [&](uint16_t option) {
    if (!CtlIsOptionHidden(ctx, feature, option)) s.drawIcon(ctx, nullptr, draw->hDC, x, y, option);
    return true;
  });
  return 1;
}

LRESULT CtlButtonWndProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (!GetWindowLongPtrW(window, GWLP_USERDATA)) return 0;
  return CtlItemWndProc(window, message, wparam, lparam);
}

int32_t CtlCheckRefresh(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item) {
  // 1 checks the box; any other non-zero value shows what the button makes
  // of it (2: indeterminate).
  if (HWND window = CtlWindowOf(dialog, item))
    SendMessageW(window, BM_SETCHECK, WPARAM(OptGetControlOption(ctx, item)), 0);
  return 0;
}

LRESULT CtlCheckCommand(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, uintptr_t, uintptr_t,
                        intptr_t) {
  HWND window = CtlWindowOf(dialog, item);
  if (!window) return 0;
  const LRESULT state = SendMessageW(window, BM_GETCHECK, 0, 0);
  const int32_t option = OptGetControlOption(ctx, item);
  // Only a plain 0/1 value follows the box; any other value is left alone.
  if ((state == BST_UNCHECKED && option == 1) || (state == BST_CHECKED && option == 0)) {
    CtlGetServices().setControlValue(ctx, dialog, item, option == 1 ? 0 : 1);
    return 1;
  }
  return 0;
}

LRESULT CtlCheckClick(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, uintptr_t, uintptr_t,
                      intptr_t) {
  CtlGetServices().setControlValue(ctx, dialog, item, OptGetControlOption(ctx, item) == 0 ? 1 : 0);
  return 1;
}

int32_t CtlRadioRefresh(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item) {
  if (HWND window = CtlWindowOf(dialog, item)) {
    const bool on = OptGetControlOption(ctx, item) == int32_t(item->controlId);
    SendMessageW(window, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
  }
  return 0;
}

LRESULT CtlRadioCommand(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, uintptr_t, uintptr_t,
                        intptr_t) {
  HWND window = CtlWindowOf(dialog, item);
  if (!window) return 0;
  const LRESULT state = SendMessageW(window, BM_GETCHECK, 0, 0);
  const bool is_current = OptGetControlOption(ctx, item) == int32_t(item->controlId);
  if ((state == BST_UNCHECKED && is_current) || (state == BST_CHECKED && !is_current)) {
    CtlGetServices().setControlValue(ctx, dialog, item, item->controlId);
    return 1;
  }
  return 0;
}

LRESULT CtlRadioClick(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, uintptr_t, uintptr_t,
                      intptr_t) {
  CtlGetServices().setControlValue(ctx, dialog, item, item->controlId);
  return 1;
}
