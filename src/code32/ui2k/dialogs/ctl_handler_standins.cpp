// Stand-ins until the control kinds' own handlers land (static texts,
// pictures, buttons, check boxes and radio lists; lists, combo boxes, check
// lists and preset icon lists; text and numeric edits; scroll bars, sliders,
// trackbars, tabs and the item tree; the item subclass procedure). Each
// does nothing and answers "not handled"; the window procedures pass every
// message to the control's own procedure.
#include "ui2k/controls.h"

#define VELM_STANDIN_ITEM_HANDLER(name) \
  int32_t name(DriverContext*, DialogRecord*, DialogItemRecord*) { return 0; }
#define VELM_STANDIN_EVENT_HANDLER(name) \
  LRESULT name(DriverContext*, DialogRecord*, DialogItemRecord*, uintptr_t, uintptr_t, intptr_t) { return 0; }

VELM_STANDIN_EVENT_HANDLER(CtlPictureClick)
VELM_STANDIN_EVENT_HANDLER(CtlCheckClick)
VELM_STANDIN_EVENT_HANDLER(CtlRadioClick)

VELM_STANDIN_ITEM_HANDLER(CtlButtonInit)
VELM_STANDIN_ITEM_HANDLER(CtlListInit)
VELM_STANDIN_ITEM_HANDLER(CtlComboInit)
VELM_STANDIN_ITEM_HANDLER(CtlOwnerListInit)
VELM_STANDIN_ITEM_HANDLER(CtlPresetListInit)
VELM_STANDIN_ITEM_HANDLER(CtlEditInit)
VELM_STANDIN_ITEM_HANDLER(CtlNumInit)
VELM_STANDIN_ITEM_HANDLER(CtlSpinInit)
VELM_STANDIN_ITEM_HANDLER(CtlSliderInit)
VELM_STANDIN_ITEM_HANDLER(CtlTrackbarInit)
VELM_STANDIN_ITEM_HANDLER(CtlTabInit)
VELM_STANDIN_ITEM_HANDLER(CtlTreeInit)

VELM_STANDIN_ITEM_HANDLER(CtlTextRefresh)
VELM_STANDIN_ITEM_HANDLER(CtlPictureRefresh)
VELM_STANDIN_ITEM_HANDLER(CtlIconRefresh)
VELM_STANDIN_ITEM_HANDLER(CtlCheckRefresh)
VELM_STANDIN_ITEM_HANDLER(CtlRadioRefresh)
VELM_STANDIN_ITEM_HANDLER(CtlListRefresh)
VELM_STANDIN_ITEM_HANDLER(CtlComboRefresh)
VELM_STANDIN_ITEM_HANDLER(CtlIconComboRefresh)
VELM_STANDIN_ITEM_HANDLER(CtlEditRefresh)
VELM_STANDIN_ITEM_HANDLER(CtlNumRefresh)
VELM_STANDIN_ITEM_HANDLER(CtlSpinRefresh)
VELM_STANDIN_ITEM_HANDLER(CtlSliderRefresh)
VELM_STANDIN_ITEM_HANDLER(CtlDrawnSliderRefresh)
VELM_STANDIN_ITEM_HANDLER(CtlTrackbarRefresh)

VELM_STANDIN_EVENT_HANDLER(CtlButtonCommand)
VELM_STANDIN_EVENT_HANDLER(CtlCheckCommand)
VELM_STANDIN_EVENT_HANDLER(CtlRadioCommand)
VELM_STANDIN_EVENT_HANDLER(CtlListCommand)
VELM_STANDIN_EVENT_HANDLER(CtlComboCommand)
VELM_STANDIN_EVENT_HANDLER(CtlPresetListCommand)
VELM_STANDIN_EVENT_HANDLER(CtlEditCommand)
VELM_STANDIN_EVENT_HANDLER(CtlNumCommand)

VELM_STANDIN_EVENT_HANDLER(CtlButtonMessage)
VELM_STANDIN_EVENT_HANDLER(CtlOwnerListMessage)
VELM_STANDIN_EVENT_HANDLER(CtlIconComboMessage)
VELM_STANDIN_EVENT_HANDLER(CtlCheckListMessage)
VELM_STANDIN_EVENT_HANDLER(CtlPresetListMessage)
VELM_STANDIN_EVENT_HANDLER(CtlNumMessage)
VELM_STANDIN_EVENT_HANDLER(CtlSpinMessage)
VELM_STANDIN_EVENT_HANDLER(CtlSliderMessage)
VELM_STANDIN_EVENT_HANDLER(CtlTrackbarMessage)
VELM_STANDIN_EVENT_HANDLER(CtlTabMessage)
VELM_STANDIN_EVENT_HANDLER(CtlNoMessage)

namespace {
// The control's own procedure, kept in its item (the window's user data).
LRESULT PassToOwnProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* item = reinterpret_cast<DialogItemRecord*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (item && item->previousWndProc)
    return CallWindowProcW(reinterpret_cast<WNDPROC>(item->previousWndProc), window, message, wparam, lparam);
  return DefWindowProcW(window, message, wparam, lparam);
}
}  // namespace

LRESULT CtlItemWndProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  return PassToOwnProcedure(window, message, wparam, lparam);
}
LRESULT CtlButtonWndProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  return PassToOwnProcedure(window, message, wparam, lparam);
}

#undef VELM_STANDIN_ITEM_HANDLER
#undef VELM_STANDIN_EVENT_HANDLER
