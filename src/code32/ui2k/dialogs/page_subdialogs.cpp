// The pages open their sub-dialogs through the runner the sheets install:
// a sub-dialog is a page or a modal dialog of the sheets, so it runs where
// the sheets are built.
#include <atomic>

#include "ui2k/pages.h"

namespace {
std::atomic<UiSubDialogRunner> g_runner{nullptr};
}  // namespace

void UiSetSubDialogRunner(UiSubDialogRunner runner) { g_runner.store(runner); }

INT_PTR UiRunSubDialog(DriverContext* ctx, int32_t sheet_flags, uint16_t dialog_id, HWND owner) {
  UiSubDialogRunner runner = g_runner.load();
  return runner ? runner(ctx, sheet_flags, dialog_id, owner) : 0;
}
