// Lists of the pages that are filled again after the presets, the trays,
// the paper sizes or the orientation changed.
#include "ui2k/controls.h"
#include "ui2k/pages.h"
#include "velm/names.h"
#include "velm/presets.h"
#include "velm/settings.h"

namespace {

constexpr int32_t kFirstPresetOption = 119;

constexpr DlgControlPair kSourceTrays[] = {{1001, 2007}, {1002, 2007}, {0, 0}};
constexpr DlgControlPair kPaperSizes[] = {{1001, 2017}, {1001, 2023}, {1002, 2017}, {1002, 2053}, {0, 0}};
constexpr DlgControlPair kOutputTrays[] = {{1001, 2011}, {1002, 2066}, {0, 0}};
constexpr DlgControlPair kPresetIconLists[] = {{1007, 2139}, {1001, 2001}, {0, 0}};
constexpr DlgControlPair kPresetNameControls[] = {{1002, 2036}, {1002, 2388}, {1003, 2078}, {1003, 2389},
                                                  {1004, 2095}, {1004, 2390}, {1005, 2109}, {1005, 2391},
                                                  {0, 0}};
constexpr DlgControlPair kLayoutLists[] = {{1003, 2085}, {1003, 2087}, {0, 0}};

}  // namespace

void DlgReinitItems(DriverContext* ctx, const DlgControlPair* pairs) {
  for (const DlgControlPair* p = pairs; ctx && p && p->dialogId; ++p) {
    DialogRecord* dialog = CtxFindDialog(ctx, p->dialogId);
    if (!dialog || !dialog->window) continue;
    if (DialogItemRecord* item = CtxFindControl(ctx, dialog, p->controlId)) CtlDispatchInit(ctx, dialog, item);
  }
}

void DlgReinitSourceTrays(DriverContext* ctx) { DlgReinitItems(ctx, kSourceTrays); }
void DlgReinitPaperSizes(DriverContext* ctx) { DlgReinitItems(ctx, kPaperSizes); }
void DlgReinitOutputTrays(DriverContext* ctx) { DlgReinitItems(ctx, kOutputTrays); }
void DlgReinitLayoutLists(DriverContext* ctx) { DlgReinitItems(ctx, kLayoutLists); }

void DlgReinitPresetLists(DriverContext* ctx) {
  if (!ctx) return;
  // An icon list never shows a preset the list no longer has.
  if (OptGetOptionById(ctx, setting::vdmPresetNo) - kFirstPresetOption >= PresetGetCount(ctx))
    OptSetOptionById(ctx, setting::vdmPresetNo, kFirstPresetOption);
  DlgReinitItems(ctx, kPresetIconLists);
  DlgReinitItems(ctx, kPresetNameControls);
}

void DlgReinitStampList(DriverContext* ctx) {
  DialogRecord* page = ctx ? CtxFindDialog(ctx, 1003) : nullptr;
  DialogItemRecord* combo = page && page->window ? CtxFindControl(ctx, page, 2089) : nullptr;
  if (!combo) return;
  if (HWND w = combo->window ? combo->window : GetDlgItem(page->window, 2089))
    SendMessageW(w, CB_RESETCONTENT, 0, 0);
  CtlDispatchInit(ctx, page, combo);
}
