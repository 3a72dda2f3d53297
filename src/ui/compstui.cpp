// compstui.dll of the emulated machine: the common property sheets. A
// sheet callback of a printer driver is asked to INIT (adding its pages),
// for its GET_INFO_HEADER, gets results through SET_RESULT and ends with
// DESTROY; between them the pages run as a property sheet of the window
// layer.
#include <vector>

#include "plat/kernel.h"
#include "ui/compstui.h"

namespace {

struct ComSheet {
  PFNPROPSHEETUI callback = nullptr;
  PROPSHEETUI_INFO* info = nullptr;
  std::vector<HPROPSHEETPAGE> pages;
  HPROPSHEETPAGE start = nullptr;
};

LONG_PTR ComPropSheet(HANDLE handle, UINT function, LPARAM param1, LPARAM param2) {
  auto* s = static_cast<ComSheet*>(handle);
  if (!s) return -1;
  switch (function) {
    case CPSFUNC_ADD_HPROPSHEETPAGE: {
      auto page = reinterpret_cast<HPROPSHEETPAGE>(param1);
      if (!page) return 0;
      s->pages.push_back(page);
      return LONG_PTR(page);
    }
    case CPSFUNC_ADD_PROPSHEETPAGEW: {
      HPROPSHEETPAGE page = CreatePropertySheetPageW(reinterpret_cast<const PROPSHEETPAGEW*>(param1));
      if (!page) return 0;
      s->pages.push_back(page);
      return LONG_PTR(page);
    }
    case CPSFUNC_SET_HSTARTPAGE:
      s->start = reinterpret_cast<HPROPSHEETPAGE>(param1);
      return 1;
    case CPSFUNC_GET_PAGECOUNT:
      return LONG_PTR(s->pages.size());
    case CPSFUNC_SET_RESULT: {
      // The result goes to the callback (its SET_RESULT reason) through a
      // copy of its info, so a callback that is itself in the middle of a
      // reason keeps its own view of it.
      if (param1 && param1 != LPARAM(s)) return -1;
      SETRESULT_INFO r{sizeof(SETRESULT_INFO), 0, handle, LRESULT(param2)};
      PROPSHEETUI_INFO copy = *s->info;
      copy.Reason = PROPSHEETUI_REASON_SET_RESULT;
      s->callback(&copy, LPARAM(&r));
      s->info->Result = copy.Result;
      s->info->UserData = copy.UserData;
      return 1;
    }
  }
  return 0;
}

void Release(ComSheet* s) {
  for (HPROPSHEETPAGE p : s->pages) DestroyPropertySheetPage(p);
  s->pages.clear();
}

}  // namespace

VELM_EXPORT BOOL DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }

VELM_EXPORT LONG CommonPropertySheetUIW(HWND owner, PFNPROPSHEETUI callback, LPARAM param, DWORD* result) {
  if (!callback) return ERR_CPSUI_GETLASTERROR;
  ComSheet s;
  s.callback = callback;
  PROPSHEETUI_INFO info{sizeof(PROPSHEETUI_INFO), 0x0100, 0, PROPSHEETUI_REASON_INIT, &s, ComPropSheet, param, 0, 0};
  s.info = &info;
  if (callback(&info, param) <= 0) {
    // A callback that failed its INIT has cleaned up after itself; the
    // pages it added are not shown.
    Release(&s);
    return ERR_CPSUI_GETLASTERROR;
  }
  PROPSHEETUI_INFO_HEADER header{sizeof(PROPSHEETUI_INFO_HEADER), 0, nullptr, owner, nullptr, 0};
  info.Reason = PROPSHEETUI_REASON_GET_INFO_HEADER;
  callback(&info, LPARAM(&header));

  INT_PTR shown = -1;
  if (!s.pages.empty()) {
    size_t start = 0;
    for (size_t i = 0; i < s.pages.size(); ++i)
      if (s.pages[i] == s.start) start = i;
    PROPSHEETHEADERW sheet{};
    sheet.dwSize = sizeof sheet;
    sheet.dwFlags = ((header.Flags & PSUIHDRF_NOAPPLYNOW) ? PSH_NOAPPLYNOW : 0) |
                    ((header.Flags & PSUIHDRF_PROPTITLE) ? PSH_PROPTITLE : 0);
    sheet.hwndParent = owner;
    sheet.hInstance = header.hInst;
    sheet.pszCaption = header.pTitle;
    sheet.nPages = UINT(s.pages.size());
    sheet.nStartPage = UINT(start);
    sheet.phpage = s.pages.data();
    shown = PropertySheetW(&sheet);  // owns the pages from here on
    s.pages.clear();
  }

  info.Reason = PROPSHEETUI_REASON_DESTROY;
  callback(&info, LPARAM(shown > 0 ? 1 : 0));
  if (result) *result = DWORD(info.Result);
  if (shown < 0) return ERR_CPSUI_INTERNAL_ERROR;
  return shown > 0 ? CPSUI_OK : CPSUI_CANCEL;
}
