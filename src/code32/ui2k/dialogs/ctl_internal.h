// What the control kinds share: the walk over a feature's options, the
// option names, and the services of the page engine and of the picture
// drawing that the kinds call.
#pragma once

#include <cstdint>
#include <string>

#include "ui/gdi.h"
#include "ui2k/controls.h"
#include "ui2k/pages.h"
#include "velm/model_query.h"
#include "velm/settings.h"

// ---- the item's model feature and options ------------------------------------------------
// The feature's storage type (flags masked off), 0 for none.
uint16_t CtlFeatureType(DriverContext* ctx, MdfItem feature);
// PickOne and its paper and tray kinds.
bool CtlIsPickOne(DriverContext* ctx, MdfItem feature);

// Calls fn(option id) for each option of a list feature, in model order, up
// to the first id 0; fn answers false to stop. Bounded by the image.
template <typename Fn>
void CtlForEachOption(DriverContext* ctx, MdfItem feature, Fn fn);
// The option ids of the feature in model order (at most kCtlMaxOptions).
constexpr int32_t kCtlMaxOptions = 512;
int32_t CtlGetOptions(DriverContext* ctx, MdfItem feature, uint16_t* ids, int32_t capacity);

bool CtlIsOptionHidden(DriverContext* ctx, MdfItem feature, uint16_t option);
bool CtlIsOptionDisabled(DriverContext* ctx, MdfItem feature, uint16_t option);

// The option's name string (string id = option id), at most 522 characters.
std::u16string CtlOptionName(DriverContext* ctx, uint32_t option);
constexpr int32_t kCtlNameChars = 522;

// The item's window, else the dialog's control of that id.
HWND CtlWindowOf(const DialogRecord* dialog, const DialogItemRecord* item);
// The property sheet that holds the page.
HWND CtlSheetOf(const DialogRecord* dialog);

// ---- services ---------------------------------------------------------------------------
// The page engine and picture drawing as the control kinds call them. The
// built-in set calls the engine; tests put a recording set in its place.
struct CtlServices {
  // Applying a change: stores the option in the item's setting, evaluates
  // the rules (alerts, transacts) and refreshes the page.
  int32_t (*setControlValue)(DriverContext*, DialogRecord*, DialogItemRecord*, int32_t option);
  // The rules' check of the item's feature without storing a value; 1 when
  // the person refused (cancelled an alert).
  int32_t (*checkControl)(DriverContext*, DialogRecord*, DialogItemRecord*);
  // Shows the feature's alert whose judge holds and applies its actions
  // with the answer; the answer, 0 when no alert was shown.
  int32_t (*runFeatureAlert)(DriverContext*, DialogRecord*, DialogItemRecord*);
  // Applies the feature's actions with the item's paper flag (an action
  // naming a dialog opens it over the page).
  void (*applyTransact)(DriverContext*, DialogRecord*, DialogItemRecord*);
  void (*refreshPage)(DriverContext*, DialogRecord*);
  // The string id of a push button's caption: 0 none, 0xFFFF no text.
  uint32_t (*buttonCaption)(DriverContext*, uint16_t controlId);
  // The owner-drawn button face of the item; with a window it carries the
  // item's caption from the caption table. Answers the caption's width.
  int32_t (*drawButtonFace)(DriverContext*, DialogRecord*, DialogItemRecord*, HWND, HDC, const RECT*, bool pressed,
                            bool focused);
  void (*showTip)(DriverContext*, DialogItemRecord*, HWND, int32_t x, int32_t y, int32_t index);
  // Pictures: a composition of layers ends in one copy to the target.
  void (*beginCompose)(DriverContext*);
  // Draws picture id into dc and rect, or into the item's window when dc is
  // null; over is false for the base layer.
  void (*drawPicture)(DriverContext*, DialogRecord*, DialogItemRecord*, HDC, const RECT*, uint32_t pictureId,
                      bool over);
  void (*drawStampPreview)(DriverContext*, DialogRecord*, DialogItemRecord*, HDC, const RECT*, int32_t width,
                           int32_t height);
  void (*endCompose)(DriverContext*, HWND, HDC, const RECT*);
  // The six colour parameters (50 neutral) of the pictures drawn next.
  void (*setColourParameters)(DriverContext*, const int32_t params[6]);
  // The background of the pictures drawn next; answers the one it replaces.
  COLORREF (*setBackground)(DriverContext*, COLORREF colour);
  void (*drawIcon)(DriverContext*, HWND, HDC, int32_t x, int32_t y, uint32_t iconId);
  // The mouse cursor shown; setCursor answers the one it replaced.
  HANDLE (*setCursor)(HANDLE cursor);
  HANDLE (*getCursor)();
};

const CtlServices& CtlGetServices();
// Null puts the built-in set back. Answers the set in place before.
const CtlServices* CtlSetServices(const CtlServices* services);

// ---- helpers of more than one kind ------------------------------------------------------------
// Selects the first entry of a list or combo box whose data is value, unless
// it is selected already; with no such entry the selection is cleared when
// clear_when_missing. combo picks the CB_ messages.
void CtlSelectEntryByData(HWND list, bool combo, intptr_t value, bool clear_when_missing);
// Refuses a chosen option whose disable judge holds, when the item's list
// block asks so: the item's message in an "Information" box, the entry of
// the current option selected again. True when refused.
bool CtlRefuseDisabledOption(DriverContext* ctx, DialogItemRecord* item, HWND list, bool combo, uint16_t option);
// The control of that id in the dialog, else in the first dialog of the
// table that holds one (the preview a list shows may live on another page).
DialogItemRecord* CtlFindControlAnywhere(DriverContext* ctx, DialogRecord* dialog, uint16_t control_id,
                                         DialogRecord** found_in);
// Fills a list or combo box with the options that are not hidden (names as
// texts, or empty texts), option ids as data.
void CtlFillOptions(DriverContext* ctx, DialogItemRecord* item, HWND list, bool combo, bool names);

// ---- template ----------------------------------------------------------------------------------
template <typename Fn>
void CtlForEachOption(DriverContext* ctx, MdfItem feature, Fn fn) {
  uint16_t ids[kCtlMaxOptions];
  int32_t n = CtlGetOptions(ctx, feature, ids, kCtlMaxOptions);
  for (int32_t i = 0; i < n; ++i)
    if (!fn(ids[i])) return;
}

// ---- numbers and texts of the edits ------------------------------------------------------------
// A decimal fixed-point text as an integer of 1/scale units (scale a power
// of ten). Characters before the first digit other than '-' are skipped; a
// '-' there makes the value negative, a '.' right before the first digit
// starts the decimals (".5" is one half); decimals beyond the scale's are
// dropped, missing ones are zeros. Magnitudes beyond 32 bits saturate at
// INT32_MAX (INT32_MIN + 1 negative), never wrapping.
int32_t CtlParseFixed(const char16_t* text, int32_t scale);
// The value as "%d" or with one to four decimals by the scale.
std::u16string CtlFormatFixed(int32_t scale, int32_t value);
// The display range of a length item: every display value inside it maps
// back into the Numeric record's minimum and maximum. False without a record.
bool CtlNumRange(DriverContext* ctx, const DialogItemRecord* item, int32_t* minimum, int32_t* maximum);
// The item's Numeric record; false without one.
bool CtlNumericOf(DriverContext* ctx, const DialogItemRecord* item, ImgNumeric* out);
// The longest start of text whose code-page form fits in bytes bytes,
// never splitting a double-byte character.
std::u16string CtlCutToCodePage(const std::u16string& text, int32_t bytes);
// A slider's thumb: its left edge for the client width, the arrow-box width
// a and the position inside [minimum, maximum]; -1 for a zero span.
int32_t CtlSliderThumbLeft(int32_t left, int32_t right, int32_t a, int32_t position, int32_t minimum,
                           int32_t maximum);
// Shows the controls of tab index of the item's tab block and hides those of
// the others.
void CtlTabShowPage(DialogRecord* dialog, DialogItemRecord* item, int32_t index);
