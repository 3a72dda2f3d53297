// The pages of the sheets. Stand-in until the property pages land: one page
// that commits the sheet on OK or Apply and marks it for saving on OK, as
// the page engine's first page does, so that a sheet can run end to end.
#include <vector>

#include "sheets.h"
#include "ui/dialog_template.h"
#include "ui2k/pages.h"
#include "velm/context.h"

namespace {

constexpr int kTextControl = 100;

INT_PTR StandinPageProc(HWND page, UINT message, WPARAM, LPARAM lparam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(page, DWLP_USER, reinterpret_cast<PROPSHEETPAGEW*>(lparam)->lParam);
    return TRUE;
  }
  auto* ctx = reinterpret_cast<DriverContext*>(GetWindowLongPtrW(page, DWLP_USER));
  if (message != WM_NOTIFY || !ctx) return FALSE;
  const auto* n = reinterpret_cast<const PSHNOTIFY*>(lparam);
  switch (n->hdr.code) {
    case PSN_APPLY:
      UiCommitSheet(ctx);
      if (n->lParam) ctx->work->saveOnClose = 1;  // OK, not Apply
      SetWindowLongPtrW(page, DWLP_MSGRESULT, PSNRET_NOERROR);
      return TRUE;
    case PSN_RESET:
      ctx->work->saveOnClose = 0;
      return TRUE;
  }
  return FALSE;
}

const std::vector<uint8_t>& PageTemplate() {
  static const std::vector<uint8_t> bytes = [] {
    ui::DialogTemplate t;
    t.style = WS_CHILD | DS_CONTROL;
    t.cx = 252;
    t.cy = 218;
    ui::DialogItemTemplate text;
    text.class_name = u"STATIC";
    text.text = u"Settings";
    text.id = kTextControl;
    text.x = 7;
    text.y = 7;
    text.cx = 200;
    text.cy = 8;
    t.items.push_back(text);
    return ui::EncodeDialogTemplate(t);
  }();
  return bytes;
}

}  // namespace

int32_t UiAddSheetPages(DriverContext* ctx, int32_t) {
  auto add = reinterpret_cast<PFNCOMPROPSHEET>(ctx->work->sheetCallback);
  ctx->work->saveOnClose = 0;
  if (!add) return 0;
  PROPSHEETPAGEW page{};
  page.dwSize = sizeof page;
  page.dwFlags = PSP_DLGINDIRECT;
  page.pResource = PageTemplate().data();
  page.pfnDlgProc = StandinPageProc;
  page.lParam = LPARAM(ctx);
  HPROPSHEETPAGE h = CreatePropertySheetPageW(&page);
  if (!h) return 0;
  if (!add(ctx->work->sheetHandle, CPSFUNC_ADD_HPROPSHEETPAGE, LPARAM(h), 0)) {
    DestroyPropertySheetPage(h);
    return 0;
  }
  return 1;
}

// Stand-in until the page procedure lands.
INT_PTR UiSheetPageProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  return StandinPageProc(window, message, wparam, lparam);
}
INT_PTR UiPageProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  return StandinPageProc(window, message, wparam, lparam);
}
void UiPrepareDialogTables(DriverContext*, DialogRecord*) {}
void UiResizePage(DriverContext*, HWND) {}
void UiResetSubclassing(DriverContext*, HWND) {}
bool UiGetMeasureItemSize(uint16_t, uint32_t*, uint32_t*) { return false; }
