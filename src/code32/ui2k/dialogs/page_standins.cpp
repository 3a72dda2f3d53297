// Stand-in until the page refresh, value changes and item state land: the
// rules are not asked, a change is stored as it is and nothing is hidden.
#include "ui2k/pages.h"
#include "velm/settings.h"

MdfItem UiItemModel(DriverContext*, const DialogItemRecord*) { return 0; }
void UiBindItemModel(DriverContext*, DialogItemRecord*, MdfItem) {}
MdfItem UiFindModelItem(DriverContext* ctx, int32_t key) { return MdfFindItemByKey(ctx, key); }
int32_t UiIsHiddenByCondition(DriverContext*, int32_t) { return 0; }
int32_t UiIsItemHidden(DriverContext*, MdfItem, uint16_t) { return 0; }
int32_t UiIsItemDisabled(DriverContext*, MdfItem, uint16_t) { return 0; }
int32_t UiHasHideStateChanged(DriverContext*, const DialogItemRecord*) { return 0; }
int32_t UiHasDisableStateChanged(DriverContext*, const DialogItemRecord*) { return 0; }
int32_t UiJudgeReadsDirtySetting(DriverContext*, uint32_t) { return 0; }
uint16_t UiGetOptionEntry(DriverContext*, MdfItem, uint32_t, uint32_t* entry) {
  if (entry) *entry = 0;
  return 0;
}
uint32_t UiGetNextOption(DriverContext*, MdfItem, uint32_t) { return 0; }

int32_t UiApplyControlChange(DriverContext* ctx, DialogRecord*, DialogItemRecord* item, int32_t option,
                             int32_t store) {
  if (store) OptSetControlOption(ctx, item, option);
  return 0;
}
int32_t UiSetControlValue(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, int32_t option) {
  return UiApplyControlChange(ctx, dialog, item, option, 1);
}
int32_t UiShowAlert(DriverContext*, uint32_t, HWND) { return 0; }
int32_t UiRunFeatureAlert(DriverContext*, DialogRecord*, MdfItem) { return 0; }
int32_t UiApplyTransact(DriverContext*, DialogRecord*, MdfItem, int32_t) { return 0; }
void UiApplyPaperChange(DriverContext*, int32_t) {}
void UiRefreshPage(DriverContext*, DialogRecord*, int32_t) {}
int32_t UiAnySettingDirty(DriverContext*) { return 0; }
void UiClearSettingDirty(DriverContext*) {}

void UiHideTip(DriverContext*) {}
void UiShowControlHelp(DriverContext*, DialogRecord*, HWND) {}
DialogItemRecord* UiHitTestItem(DriverContext*, DialogRecord*, POINT) { return nullptr; }
INT_PTR UiRunSubDialog(DriverContext*, int32_t, uint16_t, HWND) { return 0; }
LRESULT UiHelpIconWndProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  return DefWindowProcW(window, message, wparam, lparam);
}
