// The control kinds of the property pages and the dispatch of page events to
// them. Every event for a control is offered first to the per-dialog special
// handler; the handler of the control's kind runs only when that one did not
// consume it.
#pragma once

#include <cstdint>

#include "ui/user32.h"
#include "velm/dialog_blocks.h"
#include "velm/dialogs.h"

struct DriverContext;

// OnClick, Command and Message: (context, dialog, item, message or wParam,
// wParam or lParam, lParam); non-zero when they acted.
using CtlEventHandler = LRESULT (*)(DriverContext*, DialogRecord*, DialogItemRecord*, uintptr_t, uintptr_t, intptr_t);
// Init and Refresh.
using CtlItemHandler = int32_t (*)(DriverContext*, DialogRecord*, DialogItemRecord*);

struct CtlKindRow {
  uint32_t kind;
  CtlEventHandler onClick;
  CtlItemHandler init;
  CtlItemHandler refresh;
  CtlEventHandler command;
  CtlEventHandler message;
  WNDPROC wndProc;
};

struct CtlKindTable {
  int32_t count;
  const CtlKindRow* rows;
};

constexpr int32_t kCtlKindCount = 33;
// The built-in table of the 33 kinds.
const CtlKindTable& CtlGetKindTable();

// The per-dialog special handler: (context, dialog, item, message, wParam,
// lParam); 1 when it consumed the event.
using DlgSpecialHandlerFn = int32_t (*)(DriverContext*, DialogRecord*, DialogItemRecord*, UINT, WPARAM, LPARAM);
int32_t DlgSpecialHandler(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, UINT message,
                          WPARAM wparam, LPARAM lparam);

// ---- look-ups ------------------------------------------------------------------
// The row of the kind, or null.
const CtlKindRow* CtlFindKind(uint16_t kind);
// The item's extra-data block when its first 16-bit word is the tag, else null.
const void* CtlGetExtraBlock(const DialogItemRecord* item, int16_t tag);

// ---- dispatch --------------------------------------------------------------------
// WM_INITDIALOG of the item's dialog, or a rebuild of the item: subclasses
// the control once and runs the kind's Init; 0 when the special handler took
// it or the kind has no row.
int32_t CtlDispatchInit(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item);
void CtlDispatchRefresh(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item);
// WM_COMMAND from the page procedure; non-zero when handled.
LRESULT CtlHandleCommand(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, WPARAM wparam,
                         LPARAM lparam);
// The kind's Command alone, as if the user had acted on the control.
LRESULT CtlDispatchCommand(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, WPARAM wparam,
                           LPARAM lparam);
// Any other message that concerns the item; a hidden item gets nothing.
LRESULT CtlHandleMessage(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, UINT message,
                         WPARAM wparam, LPARAM lparam);
// The kind's Message alone (the subclass procedure's path).
LRESULT CtlDispatchMessage(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, UINT message,
                           WPARAM wparam, LPARAM lparam);
// Selects the first entry of the dialog's combo box whose item data is the
// value and runs the kind's Command as for a changed selection; nothing when
// the control or the value is not there.
void CtlSelectComboByData(DriverContext* ctx, DialogRecord* dialog, uint16_t control_id, intptr_t value);

// The same dispatch over another kind table and special handler: what the
// functions above do with the built-in ones.
struct CtlDispatchTables {
  const CtlKindTable* kinds;
  DlgSpecialHandlerFn special;
};
const CtlDispatchTables& CtlGetBuiltinDispatch();
const CtlKindRow* CtlFindKindIn(const CtlKindTable& table, uint16_t kind);
int32_t CtlDispatchInitWith(const CtlDispatchTables& t, DriverContext* ctx, DialogRecord* dialog,
                            DialogItemRecord* item);
void CtlDispatchRefreshWith(const CtlDispatchTables& t, DriverContext* ctx, DialogRecord* dialog,
                            DialogItemRecord* item);
LRESULT CtlHandleCommandWith(const CtlDispatchTables& t, DriverContext* ctx, DialogRecord* dialog,
                             DialogItemRecord* item, WPARAM wparam, LPARAM lparam);
LRESULT CtlDispatchCommandWith(const CtlDispatchTables& t, DriverContext* ctx, DialogRecord* dialog,
                               DialogItemRecord* item, WPARAM wparam, LPARAM lparam);
LRESULT CtlHandleMessageWith(const CtlDispatchTables& t, DriverContext* ctx, DialogRecord* dialog,
                             DialogItemRecord* item, UINT message, WPARAM wparam, LPARAM lparam);
LRESULT CtlDispatchMessageWith(const CtlDispatchTables& t, DriverContext* ctx, DialogRecord* dialog,
                               DialogItemRecord* item, UINT message, WPARAM wparam, LPARAM lparam);
void CtlSelectComboByDataWith(const CtlDispatchTables& t, DriverContext* ctx, DialogRecord* dialog,
                              uint16_t control_id, intptr_t value);

// ---- the kinds' handlers ------------------------------------------------------------
LRESULT CtlPictureClick(DriverContext*, DialogRecord*, DialogItemRecord*, uintptr_t, uintptr_t, intptr_t);
LRESULT CtlCheckClick(DriverContext*, DialogRecord*, DialogItemRecord*, uintptr_t, uintptr_t, intptr_t);
LRESULT CtlRadioClick(DriverContext*, DialogRecord*, DialogItemRecord*, uintptr_t, uintptr_t, intptr_t);

int32_t CtlButtonInit(DriverContext*, DialogRecord*, DialogItemRecord*);
int32_t CtlListInit(DriverContext*, DialogRecord*, DialogItemRecord*);
int32_t CtlComboInit(DriverContext*, DialogRecord*, DialogItemRecord*);
int32_t CtlOwnerListInit(DriverContext*, DialogRecord*, DialogItemRecord*);
int32_t CtlPresetListInit(DriverContext*, DialogRecord*, DialogItemRecord*);
int32_t CtlEditInit(DriverContext*, DialogRecord*, DialogItemRecord*);
int32_t CtlNumInit(DriverContext*, DialogRecord*, DialogItemRecord*);
int32_t CtlSpinInit(DriverContext*, DialogRecord*, DialogItemRecord*);
int32_t CtlSliderInit(DriverContext*, DialogRecord*, DialogItemRecord*);
int32_t CtlTrackbarInit(DriverContext*, DialogRecord*, DialogItemRecord*);
int32_t CtlTabInit(DriverContext*, DialogRecord*, DialogItemRecord*);
int32_t CtlTreeInit(DriverContext*, DialogRecord*, DialogItemRecord*);

int32_t CtlTextRefresh(DriverContext*, DialogRecord*, DialogItemRecord*);
int32_t CtlPictureRefresh(DriverContext*, DialogRecord*, DialogItemRecord*);
int32_t CtlIconRefresh(DriverContext*, DialogRecord*, DialogItemRecord*);
int32_t CtlCheckRefresh(DriverContext*, DialogRecord*, DialogItemRecord*);
int32_t CtlRadioRefresh(DriverContext*, DialogRecord*, DialogItemRecord*);
int32_t CtlListRefresh(DriverContext*, DialogRecord*, DialogItemRecord*);
int32_t CtlComboRefresh(DriverContext*, DialogRecord*, DialogItemRecord*);
int32_t CtlIconComboRefresh(DriverContext*, DialogRecord*, DialogItemRecord*);
int32_t CtlEditRefresh(DriverContext*, DialogRecord*, DialogItemRecord*);
int32_t CtlNumRefresh(DriverContext*, DialogRecord*, DialogItemRecord*);
int32_t CtlSpinRefresh(DriverContext*, DialogRecord*, DialogItemRecord*);
int32_t CtlSliderRefresh(DriverContext*, DialogRecord*, DialogItemRecord*);
int32_t CtlDrawnSliderRefresh(DriverContext*, DialogRecord*, DialogItemRecord*);
int32_t CtlTrackbarRefresh(DriverContext*, DialogRecord*, DialogItemRecord*);

LRESULT CtlButtonCommand(DriverContext*, DialogRecord*, DialogItemRecord*, uintptr_t, uintptr_t, intptr_t);
LRESULT CtlCheckCommand(DriverContext*, DialogRecord*, DialogItemRecord*, uintptr_t, uintptr_t, intptr_t);
LRESULT CtlRadioCommand(DriverContext*, DialogRecord*, DialogItemRecord*, uintptr_t, uintptr_t, intptr_t);
LRESULT CtlListCommand(DriverContext*, DialogRecord*, DialogItemRecord*, uintptr_t, uintptr_t, intptr_t);
LRESULT CtlComboCommand(DriverContext*, DialogRecord*, DialogItemRecord*, uintptr_t, uintptr_t, intptr_t);
LRESULT CtlPresetListCommand(DriverContext*, DialogRecord*, DialogItemRecord*, uintptr_t, uintptr_t, intptr_t);
LRESULT CtlEditCommand(DriverContext*, DialogRecord*, DialogItemRecord*, uintptr_t, uintptr_t, intptr_t);
LRESULT CtlNumCommand(DriverContext*, DialogRecord*, DialogItemRecord*, uintptr_t, uintptr_t, intptr_t);

LRESULT CtlButtonMessage(DriverContext*, DialogRecord*, DialogItemRecord*, uintptr_t, uintptr_t, intptr_t);
LRESULT CtlOwnerListMessage(DriverContext*, DialogRecord*, DialogItemRecord*, uintptr_t, uintptr_t, intptr_t);
LRESULT CtlIconComboMessage(DriverContext*, DialogRecord*, DialogItemRecord*, uintptr_t, uintptr_t, intptr_t);
LRESULT CtlCheckListMessage(DriverContext*, DialogRecord*, DialogItemRecord*, uintptr_t, uintptr_t, intptr_t);
LRESULT CtlPresetListMessage(DriverContext*, DialogRecord*, DialogItemRecord*, uintptr_t, uintptr_t, intptr_t);
LRESULT CtlNumMessage(DriverContext*, DialogRecord*, DialogItemRecord*, uintptr_t, uintptr_t, intptr_t);
LRESULT CtlSpinMessage(DriverContext*, DialogRecord*, DialogItemRecord*, uintptr_t, uintptr_t, intptr_t);
LRESULT CtlSliderMessage(DriverContext*, DialogRecord*, DialogItemRecord*, uintptr_t, uintptr_t, intptr_t);
LRESULT CtlTrackbarMessage(DriverContext*, DialogRecord*, DialogItemRecord*, uintptr_t, uintptr_t, intptr_t);
LRESULT CtlTabMessage(DriverContext*, DialogRecord*, DialogItemRecord*, uintptr_t, uintptr_t, intptr_t);
LRESULT CtlNoMessage(DriverContext*, DialogRecord*, DialogItemRecord*, uintptr_t, uintptr_t, intptr_t);

// A kind-84 slider drawn by the driver: end boxes with minus and plus, the
// thumb as a button face; into dc, or the control's own DC when null.
void CtlDrawSlider(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, HDC dc);
// A press on an end box of a kind-84 slider (client coordinates): a pressed
// box shown over it until the scroll loop ends; null between the boxes.
HWND CtlSliderPressPopup(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, POINT press);

// ---- the printer picture's tray hot spots ---------------------------------------------
// A row applies when its family is the model's and its conditions hold: the
// condition setting's option is 1 (0: always), the second condition's option
// is required2 (0: none); when the shift setting's option is 1 the rectangle
// moves by dx, dy. A point lies inside when left <= x < right and top <= y <
// bottom. Tray 0 ends a table.
struct TrayHotspot {
  uint8_t family;
  uint8_t zero[3];
  int32_t left, top, right, bottom;
  int16_t condition;
  uint16_t tray;
  int16_t condition2;
  int32_t required2;
  int16_t shiftSetting;
  int32_t dx, dy;
};
const TrayHotspot* UiGetInputTrayHotspots();
const TrayHotspot* UiGetOutputTrayHotspots();
// The first applicable row of the table that holds the point (pixels of the
// printer picture), or null.
const TrayHotspot* CtlFindTrayHotspot(DriverContext* ctx, const TrayHotspot* rows, int32_t x, int32_t y);

// Builds the item's picture from the pictures of its options, as layers,
// into dc and rect, or into the item's window when dc is null.
void CtlComposePicture(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, HDC dc, const RECT* rect);
// One auto-repeat step of a push button: each control its repeat block
// lists moves by the row's step within its Numeric range.
void CtlRepeatStep(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* button);

LRESULT CtlItemWndProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
LRESULT CtlButtonWndProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
