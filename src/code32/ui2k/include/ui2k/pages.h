// The property pages of the sheets and the modal dialogs of the page engine:
// adding the pages, the dialog procedure they share, value changes with the
// rules' alerts and transacts, the page refresh, and the hide and disable
// state of each control under the model's rules.
//
// A control's model item is a feature of the context's model image (an
// MdfItem offset, 0 for none); an option record and a judge are offsets in
// the same image. Nothing here reads the image except through its
// bounds-checked accessors.
#pragma once

#include <cstdint>

#include "ui/gdi.h"
#include "ui/user32.h"
#include "velm/dialogs.h"
#include "velm/model_query.h"

struct DriverContext;

// ---- private page messages, commands and mask bits -----------------------------------------
constexpr UINT kPageMsgDeferredAlert = 0x8001;  // wParam control id, lParam alert entry
constexpr UINT kPageMsgAutoRepeat = 0x8002;
constexpr UINT kPageMsgDuplicateName = 0x8004;
constexpr UINT kPageMsgLayoutFix = 0x8006;
constexpr WORD kCmdSaveToNewPreset = 11111;    // the relabelled OK: save as a new preset
constexpr WORD kCmdSaveToNamedPreset = 22222;  // the relabelled OK: save into the named preset
constexpr WORD kCmdPressOk = 32771;
constexpr uint32_t kChangeOkSavesPreset = 0x800000u;
constexpr uint32_t kChangePresetSavePending = 0x10000000u;
constexpr uint32_t kChangeRelabelNamed = 0x40000000u;
constexpr uint32_t kChangeRelabelNew = 0x80000000u;

// ---- the model item of a dialog item ---------------------------------------------------------
// The feature bound to the item at page start (0 for none or one outside
// the context's image).
MdfItem UiItemModel(DriverContext* ctx, const DialogItemRecord* item);
void UiBindItemModel(DriverContext* ctx, DialogItemRecord* item, MdfItem model);

// ---- UI item state under the rules -------------------------------------------------------------
// The feature of the setting key, 0 for none.
MdfItem UiFindModelItem(DriverContext* ctx, int32_t setting_key);
// 1 when the feature's own hide judge holds; 0 for key 0 or no feature.
int32_t UiIsHiddenByCondition(DriverContext* ctx, int32_t setting_key);
// The feature's judge, else (PickOne, PickMany) the judge of the Item entry
// whose option id is the control id; the preset maintenance buttons follow
// the selected position instead.
int32_t UiIsItemHidden(DriverContext* ctx, MdfItem model, uint16_t control_id);
int32_t UiIsItemDisabled(DriverContext* ctx, MdfItem model, uint16_t control_id);
// 1 when the answer may differ from the item's stored state.
int32_t UiHasHideStateChanged(DriverContext* ctx, const DialogItemRecord* item);
int32_t UiHasDisableStateChanged(DriverContext* ctx, const DialogItemRecord* item);
// 1 when a setting the judge (its first cell's offset) reads is dirty. The
// walk stops at the end cell and never leaves the image.
int32_t UiJudgeReadsDirtySetting(DriverContext* ctx, uint32_t judge);
// The option id of an option record (PickOne, PickMany: its id; String: its
// first 16-bit word; other types 0). With item_entry, the first Item entry
// of the feature with that id, else 0.
uint16_t UiGetOptionEntry(DriverContext* ctx, MdfItem model, uint32_t option, uint32_t* item_entry);
// The next option record of a PickOne or PickMany feature, else 0.
uint32_t UiGetNextOption(DriverContext* ctx, MdfItem model, uint32_t option);

// ---- value changes, alerts and the refresh ---------------------------------------------------
// Stores the option (store 1), asks the rules for an active alert and
// applies the answer and the feature's transacts. 1 when the change was
// refused and taken back, else 0.
int32_t UiApplyControlChange(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, int32_t option,
                             int32_t store);
int32_t UiSetControlValue(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, int32_t option);
// Shows the box of an alert entry (its offset in the image); the answer, 0
// when the message has no row.
int32_t UiShowAlert(DriverContext* ctx, uint32_t alert, HWND window);
// The answer of the feature's active alert (applied to the rules), 0 when none.
int32_t UiRunFeatureAlert(DriverContext* ctx, DialogRecord* dialog, MdfItem model);
// The feature's transacts and the paper change; 1 when an action opened a
// dialog, else 0.
int32_t UiApplyTransact(DriverContext* ctx, DialogRecord* dialog, MdfItem model, int32_t rescale);
// Flag 1: re-orients the papers and fits the zoom to the output paper.
void UiApplyPaperChange(DriverContext* ctx, int32_t flag);
// Brings every control of the dialog up to date; full 1 treats every
// setting as changed. A refresh inside a refresh does nothing.
void UiRefreshPage(DriverContext* ctx, DialogRecord* dialog, int32_t full);
int32_t UiAnySettingDirty(DriverContext* ctx);
void UiClearSettingDirty(DriverContext* ctx);

// ---- pages and their procedure -----------------------------------------------------------------
// Adds one page per dialog of the sheet (flag 1 document, 2 printer) that
// the rules do not hide; the number added, 0 without a sheet callback.
int32_t UiAddSheetPages(DriverContext* ctx, int32_t sheet_flag);
INT_PTR UiSheetPageProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
INT_PTR UiPageProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
// Once per context: binds settings and model items to every dialog item.
void UiPrepareDialogTables(DriverContext* ctx, DialogRecord* dialog);
void UiResizePage(DriverContext* ctx, HWND page);
void UiResetSubclassing(DriverContext* ctx, HWND window);
// The owner-draw size of a control {width, height}; false when the control
// has no fixed size.
bool UiGetMeasureItemSize(uint16_t control_id, uint32_t* width, uint32_t* height);

// ---- services of the tips, help and sub-dialogs the pages call -------------------------------
// The tip of a control: shown after the tip timer (id 1, 1000 ms) falls
// due while the pointer is still on the control, kept clear of the taskbar.
// item null (or index -1 with UiHideTip) takes the tip down. x, y are
// screen coordinates; index is the list entry of a combo box (-1: the
// current one).
constexpr UINT_PTR kTipTimerId = 1;
constexpr UINT kTipDelayMs = 1000;
void UiShowTip(DriverContext* ctx, DialogItemRecord* item, HWND window, int32_t x, int32_t y, int32_t index);
void UiHideTip(DriverContext* ctx);
void UiPaintTip(DriverContext* ctx);
// WM_TIMER of the tip timer on a page: shows the tip when the pointer is
// still in its control; answers 1 when the timer was the tip's.
int32_t UiOnTipTimer(DriverContext* ctx, HWND page, UINT_PTR timer);
// Context help of the control (WM_HELP on the control, WM_CONTEXTMENU).
void UiShowControlHelp(DriverContext* ctx, DialogRecord* dialog, HWND control, UINT message = WM_HELP);
// The item under a point of the page (client coordinates), or null.
DialogItemRecord* UiHitTestItem(DriverContext* ctx, DialogRecord* dialog, POINT point);
// The caption string id of an owner-drawn button: 0 none ("..."), 0xFFFF
// no text.
constexpr uint32_t kNoTextCaption = 0xFFFF;
uint32_t UiButtonCaptionId(uint16_t control_id);
// Where a tip of the size opens for a point (screen coordinates): left of
// and above the edges of the screen the taskbar leaves free.
POINT UiPlaceTip(POINT at, SIZE size);

// ---- drawing services --------------------------------------------------------------------------
// A rectangle filled and framed in one colour.
void UiFillRect(HDC dc, const RECT* rect, COLORREF colour);
// The extent of a text in the DC's font; for null, the average character
// width and the font's height.
void UiGetTextExtent(HDC dc, const char16_t* text, SIZE* size);
// The caption the next button face draws: the caption table's string id
// of the item's control (0 when the table has none) kept in the work
// record, until UiClearButtonCaption sets it back to 0. Answers the id.
uint32_t UiSetButtonCaption(DriverContext* ctx, const DialogItemRecord* item);
void UiClearButtonCaption(DriverContext* ctx);
// A button face: the face colour, with style 2 a 3D edge; with a window
// the caption the work record keeps (0 "...", 0xFFFF none; "<" and ">"
// drawn as triangles) in the window's font; the focus frame. The caption's
// width (0 without a window or text).
int32_t UiDrawButtonFace(DriverContext* ctx, HWND window, HDC dc, const RECT* rect, uint32_t style, bool pressed,
                         bool focused);
// The notification code a WM_COMMAND carries in the high word of wParam.
constexpr uint16_t UiGetNotifyCode(uintptr_t wparam) { return uint16_t((wparam >> 16) & 0xFFFF); }
// 1 when two option values are the same value, else 0.
constexpr int32_t UiIsSameValue(int32_t a, int32_t b) { return a == b ? 1 : 0; }
// The DC pictures are drawn into: the caller's DC of the work record when
// one is set, else the window's DC clipped to its client area. Release
// gives back only a window's DC.
HDC UiGetPreviewDC(DriverContext* ctx, HWND window);
void UiReleasePreviewDC(DriverContext* ctx, HWND window, HDC dc);
// Runs a dialog of the table over the owner inside a push of the settings:
// a file dialog, a nested sheet (sheet flags 0xF0, or a page of the user
// sheet) or a modal dialog. The save-on-close flag decides at the end: set,
// the settings are kept, the owner page is marked changed (not for the
// status and version dialogs) and refreshed; clear, they are restored. The
// dialog's answer; -1 without the UI resource module; 0 for a dialog id
// not in the table, which pushes and changes nothing.
INT_PTR UiRunSubDialog(DriverContext* ctx, int32_t sheet_flags, uint16_t dialog_id, HWND owner);
// The sub-dialogs run where the sheets are built (they need the sheets'
// pages); the sheets install their runner. Without one no dialog opens
// (answer 0).
using UiSubDialogRunner = INT_PTR (*)(DriverContext*, int32_t, uint16_t, HWND);
void UiSetSubDialogRunner(UiSubDialogRunner runner);
INT_PTR UiRunSheetSubDialog(DriverContext* ctx, int32_t sheet_flags, uint16_t dialog_id, HWND owner);
// 1 when the file opens for reading (no folder, not held exclusively).
int32_t UiFileExists(const char16_t* path);
// 1 when the path names, as a full path, a listed preset or quality file of
// the printer. Writes nothing.
int32_t UiIsPresetFileInUse(DriverContext* ctx, const char16_t* path);
LRESULT UiHelpIconWndProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// ---- re-initialising lists after presets, trays or papers changed ---------------------------
// For each {dialog id, control id} pair (ended by dialog id 0) whose dialog
// has a window and holds the control: the control kind's Init again.
struct DlgControlPair {
  uint16_t dialogId;
  uint16_t controlId;
};
void DlgReinitItems(DriverContext* ctx, const DlgControlPair* pairs);
void DlgReinitSourceTrays(DriverContext* ctx);
void DlgReinitPaperSizes(DriverContext* ctx);
void DlgReinitOutputTrays(DriverContext* ctx);
// Also takes a preset number at or past the number of presets back to preset 0.
void DlgReinitPresetLists(DriverContext* ctx);
void DlgReinitLayoutLists(DriverContext* ctx);
// The stamp combo 2089 of the edit page emptied and filled again.
void DlgReinitStampList(DriverContext* ctx);
// Paints a tray-information static (WM_PAINT; WM_ERASEBKGND invalidates
// it): its own text, the paper and media of tray t as the options dialog
// names them, and the orientation icon. Answers 0.
int32_t DlgPaintTrayInfo(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, UINT message,
                         int32_t tray);
