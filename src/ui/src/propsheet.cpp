// Property sheets: pages made from dialog templates in a sheet window with
// OK, Cancel and Apply. The sheet window is a dialog without a template;
// each page is a child dialog made when it is first shown.
#include <algorithm>
#include <atomic>

#include "plat/kernel.h"
#include "plat/wstr.h"
#include "ui/dialog_template.h"
#include "ui/gdi.h"
#include "ui/prsht.h"
#include "ui/tabctrl.h"
#include "wm.h"

struct PropSheetPage {
  PROPSHEETPAGEW page;       // the caller's description, with its strings held below
  std::u16string title;
  std::u16string template_name;
  std::vector<uint8_t> template_bytes;  // PSP_DLGINDIRECT
};

namespace {

std::atomic<size_t> g_live_pages{0};

struct Sheet {
  std::vector<HPROPSHEETPAGE> pages;
  std::vector<HWND> page_windows;  // null until made
  std::vector<bool> changed;
  size_t current = SIZE_MAX;
  bool done = false;
  bool saved = false;  // an apply succeeded
  HWND window = nullptr;
  HWND tab = nullptr;  // the row of page tabs
};

// The sheets running, by window (sheets nest: a page may open another).
std::map<HWND, Sheet*>& LiveSheets() {
  static auto* sheets = new std::map<HWND, Sheet*>();
  return *sheets;
}

Sheet* SheetOf(HWND w) { return reinterpret_cast<Sheet*>(GetWindowLongPtrW(w, DWLP_USER)); }

LRESULT Notify(HWND page, HWND sheet, UINT code, LPARAM param) {
  PSHNOTIFY n{{sheet, 0, code}, param};
  return SendMessageW(page, WM_NOTIFY, 0, LPARAM(&n));
}

// The page's template: in memory, or the module's template by id.
std::optional<ui::DialogTemplate> PageTemplate(const PropSheetPage* p) {
  if (p->page.dwFlags & PSP_DLGINDIRECT)
    return ui::DecodeDialogTemplate(p->template_bytes.data(), p->template_bytes.size());
  if (!IS_INTRESOURCE(p->page.pszTemplate)) return std::nullopt;
  size_t size = 0;
  const void* bytes = plat::FindModuleResource(p->page.hInstance, RT_DIALOG,
                                               DWORD(reinterpret_cast<uintptr_t>(p->page.pszTemplate)), &size);
  if (!bytes) return std::nullopt;
  return ui::DecodeDialogTemplate(bytes, size);
}

// The page area starts below the tab strip; the buttons' row lies below it.
constexpr LONG kPageLeft = 4, kPageTop = 14, kButtonRow = 22;  // dialog units

// A sheet holds its largest page, as Windows sizes it: the sheet grows to
// the page and its buttons keep their places from its right and bottom.
void FitSheetToPage(HWND sheet, HWND page) {
  RECT sr, pr;
  if (!GetClientRect(sheet, &sr) || !GetClientRect(page, &pr)) return;
  const LONG want_w = ui::detail::DuToPxX(2 * kPageLeft) + pr.right;
  const LONG want_h = ui::detail::DuToPxY(kPageTop + kButtonRow) + pr.bottom;
  if (want_w <= sr.right && want_h <= sr.bottom) return;
  const LONG grow_w = std::max(want_w, sr.right) - sr.right, grow_h = std::max(want_h, sr.bottom) - sr.bottom;
  RECT wr;
  GetWindowRect(sheet, &wr);
  MoveWindow(sheet, wr.left, wr.top, sr.right + grow_w, sr.bottom + grow_h, FALSE);
  for (INT id : {IDOK, IDCANCEL, IDC_SHEET_APPLY}) {
    HWND b = GetDlgItem(sheet, id);
    RECT br;
    if (!b || !GetWindowRect(b, &br)) continue;
    RECT at = br;
    GetWindowRect(sheet, &wr);
    MoveWindow(b, at.left - wr.left + grow_w, at.top - wr.top + grow_h, br.right - br.left, br.bottom - br.top, FALSE);
  }
}

// The tab strip above the pages: a tab per page with its title, the
// current one raised into the page's frame.
// The frame around the pages; the tab control above it draws the tabs.
void PaintFrame(Sheet* s, HDC dc) {
  RECT client;
  GetClientRect(s->window, &client);
  const LONG top = ui::detail::DuToPxY(kPageTop);
  RECT frame{ui::detail::DuToPxX(kPageLeft) - 2, top - 2, client.right - ui::detail::DuToPxX(kPageLeft) + 2,
             client.bottom - ui::detail::DuToPxY(kButtonRow) + 2};
  DrawEdge(dc, &frame, EDGE_RAISED, BF_RECT);
}

// The tab's text: the page's own title, else its template's.
std::u16string PageTitle(const PropSheetPage* p) {
  if ((p->page.dwFlags & PSP_USETITLE) && p->page.pszTitle && !IS_INTRESOURCE(p->page.pszTitle)) return p->title;
  auto t = PageTemplate(p);
  return t ? t->title : std::u16string();
}

void InsertTab(Sheet* s, size_t i) {
  std::u16string title = PageTitle(s->pages[i]);
  TCITEMW item{TCIF_TEXT, 0, 0, title.data(), 0, 0, 0};
  SendMessageW(s->tab, TCM_INSERTITEMW, WPARAM(i), LPARAM(&item));
}

// Makes the page's window; false when the page refuses (its callback
// answers 0 to PSPCB_CREATE) or its template cannot be built.
bool MakePage(Sheet* s, size_t i) {
  if (s->page_windows[i]) return true;
  PropSheetPage* p = s->pages[i];
  if ((p->page.dwFlags & PSP_USECALLBACK) && p->page.pfnCallback &&
      !p->page.pfnCallback(nullptr, PSPCB_CREATE, &p->page))
    return false;
  auto d = PageTemplate(p);
  if (!d) return false;
  ui::DialogTemplate t = std::move(*d);
  t.style = (t.style & ~(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE)) | WS_CHILD | DS_CONTROL;
  t.x = kPageLeft;
  t.y = kPageTop;
  auto bytes = ui::EncodeDialogTemplate(t);
  HWND w = CreateDialogIndirectParamW(p->page.hInstance, bytes.data(), s->window, p->page.pfnDlgProc,
                                      LPARAM(&p->page));
  if (!w) return false;
  s->page_windows[i] = w;
  FitSheetToPage(s->window, w);
  return true;
}

// Brings page i forward; left tells that the page in front already agreed
// to go (PSN_KILLACTIVE answered when its tab was left).
bool Activate(Sheet* s, size_t i, bool left = false) {
  if (i >= s->pages.size()) return false;
  if (s->current == i) return true;
  if (!left && s->current != SIZE_MAX && s->page_windows[s->current]) {
    if (Notify(s->page_windows[s->current], s->window, PSN_KILLACTIVE, 0)) return false;
  }
  if (!MakePage(s, i)) return false;
  HWND old = s->current != SIZE_MAX ? s->page_windows[s->current] : nullptr;
  s->current = i;
  LRESULT r = Notify(s->page_windows[i], s->window, PSN_SETACTIVE, 0);
  (void)r;
  if (old) ShowWindow(old, SW_HIDE);
  ShowWindow(s->page_windows[i], SW_SHOW);
  SendMessageW(s->tab, TCM_SETCURSEL, WPARAM(i), 0);
  return true;
}

// OK (ok true) or Apply: the current page must accept leaving, then every
// page made gets PSN_APPLY; a page that answers invalid keeps the sheet open
// on that page.
bool Apply(Sheet* s, bool ok) {
  if (s->current != SIZE_MAX && s->page_windows[s->current]) {
    if (Notify(s->page_windows[s->current], s->window, PSN_KILLACTIVE, 0)) return false;
  }
  for (size_t i = 0; i < s->pages.size(); ++i) {
    if (!s->page_windows[i]) continue;
    LRESULT r = Notify(s->page_windows[i], s->window, PSN_APPLY, ok ? TRUE : FALSE);
    if (r == PSNRET_INVALID || r == PSNRET_INVALID_NOCHANGEPAGE) {
      if (r == PSNRET_INVALID) Activate(s, i);
      return false;
    }
  }
  s->saved = true;
  std::fill(s->changed.begin(), s->changed.end(), false);
  EnableWindow(GetDlgItem(s->window, IDC_SHEET_APPLY), FALSE);
  return true;
}

void Cancel(Sheet* s) {
  if (s->current != SIZE_MAX && s->page_windows[s->current] &&
      Notify(s->page_windows[s->current], s->window, PSN_QUERYCANCEL, 0))
    return;
  for (size_t i = 0; i < s->pages.size(); ++i)
    if (s->page_windows[i]) Notify(s->page_windows[i], s->window, PSN_RESET, 0);
  s->done = true;
}

size_t IndexOf(Sheet* s, WPARAM index, LPARAM page) {
  if (page) {
    for (size_t i = 0; i < s->pages.size(); ++i)
      if (s->pages[i] == reinterpret_cast<HPROPSHEETPAGE>(page)) return i;
    return SIZE_MAX;
  }
  return size_t(index);
}

INT_PTR SheetProc(HWND h, UINT message, WPARAM wparam, LPARAM lparam) {
  Sheet* s = SheetOf(h);
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(h, DWLP_USER, lparam);
    return FALSE;
  }
  if (!s) return FALSE;
  switch (message) {
    case WM_COMMAND:
      switch (LOWORD(wparam)) {
        case IDOK:
          if (Apply(s, true)) s->done = true;
          return TRUE;
        case IDCANCEL:
          Cancel(s);
          return TRUE;
        case IDC_SHEET_APPLY:
          Apply(s, false);
          return TRUE;
      }
      return FALSE;
    case WM_CLOSE:
      Cancel(s);
      return TRUE;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      if (HDC dc = BeginPaint(h, &ps)) {
        PaintFrame(s, dc);
        EndPaint(h, &ps);
      }
      return TRUE;
    }
    case WM_NOTIFY: {
      // The person clicked a tab: the page in front must agree to go.
      const auto* n = reinterpret_cast<const NMHDR*>(lparam);
      if (!n || n->hwndFrom != s->tab) return FALSE;
      if (n->code == TCN_SELCHANGING) {
        bool refused = s->current != SIZE_MAX && s->page_windows[s->current] &&
                       Notify(s->page_windows[s->current], s->window, PSN_KILLACTIVE, 0);
        SetWindowLongPtrW(h, DWLP_MSGRESULT, refused ? TRUE : FALSE);
        return TRUE;
      }
      if (n->code == TCN_SELCHANGE) {
        LRESULT i = SendMessageW(s->tab, TCM_GETCURSEL, 0, 0);
        if (i < 0 || !Activate(s, size_t(i), true)) SendMessageW(s->tab, TCM_SETCURSEL, WPARAM(s->current), 0);
        return TRUE;
      }
      return FALSE;
    }
    case PSM_GETTABCONTROL:
      SetWindowLongPtrW(h, DWLP_MSGRESULT, LONG_PTR(s->tab));
      return TRUE;
    case PSM_CHANGED:
    case PSM_UNCHANGED: {
      for (size_t i = 0; i < s->page_windows.size(); ++i)
        if (s->page_windows[i] == reinterpret_cast<HWND>(wparam)) s->changed[i] = message == PSM_CHANGED;
      bool any = std::find(s->changed.begin(), s->changed.end(), true) != s->changed.end();
      EnableWindow(GetDlgItem(h, IDC_SHEET_APPLY), any);
      return TRUE;
    }
    case PSM_APPLY:
      SetWindowLongPtrW(h, DWLP_MSGRESULT, Apply(s, false));
      return TRUE;
    case PSM_PRESSBUTTON: {
      INT id = wparam == PSBTN_OK ? IDOK : wparam == PSBTN_CANCEL ? IDCANCEL : wparam == PSBTN_APPLYNOW ? IDC_SHEET_APPLY : 0;
      if (id) PostMessageW(h, WM_COMMAND, MAKEWPARAM(WORD(id), BN_CLICKED), LPARAM(GetDlgItem(h, id)));
      return TRUE;
    }
    case PSM_SETCURSEL:
      SetWindowLongPtrW(h, DWLP_MSGRESULT, Activate(s, IndexOf(s, wparam, lparam)));
      return TRUE;
    case PSM_ADDPAGE:
      if (!lparam) return TRUE;
      s->pages.push_back(reinterpret_cast<HPROPSHEETPAGE>(lparam));
      s->page_windows.push_back(nullptr);
      s->changed.push_back(false);
      InsertTab(s, s->pages.size() - 1);
      SetWindowLongPtrW(h, DWLP_MSGRESULT, TRUE);
      return TRUE;
    case PSM_REMOVEPAGE: {
      size_t i = IndexOf(s, wparam, lparam);
      if (i >= s->pages.size() || s->pages.size() == 1) return TRUE;
      if (s->page_windows[i]) DestroyWindow(s->page_windows[i]);
      DestroyPropertySheetPage(s->pages[i]);
      s->pages.erase(s->pages.begin() + long(i));
      s->page_windows.erase(s->page_windows.begin() + long(i));
      s->changed.erase(s->changed.begin() + long(i));
      SendMessageW(s->tab, TCM_DELETEITEM, WPARAM(i), 0);
      if (s->current == i) {
        s->current = SIZE_MAX;
        Activate(s, 0);
      } else if (s->current != SIZE_MAX && s->current > i) {
        --s->current;
      }
      return TRUE;
    }
    case PSM_GETCURRENTPAGEHWND:
      SetWindowLongPtrW(h, DWLP_MSGRESULT, LONG_PTR(s->current < s->pages.size() ? s->page_windows[s->current] : nullptr));
      return TRUE;
  }
  return FALSE;
}

void CloseSheet(HWND h) {
  Sheet* s = SheetOf(h);
  SendMessageW(h, WM_CLOSE, 0, 0);
  if (s && !s->done) {
    // A page refused the cancel: the sheet is closed all the same.
    ui::detail::AddLog("sheet closed by the layer");
    s->done = true;
  }
}

}  // namespace

extern "C" {

HPROPSHEETPAGE CreatePropertySheetPageW(const PROPSHEETPAGEW* page) {
  if (!page || page->dwSize < sizeof(PROPSHEETPAGEW)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto p = new PropSheetPage();
  p->page = *page;
  if ((page->dwFlags & PSP_USETITLE) && page->pszTitle && !IS_INTRESOURCE(page->pszTitle)) {
    p->title = page->pszTitle;
    p->page.pszTitle = p->title.c_str();
  }
  if (page->dwFlags & PSP_DLGINDIRECT) {
    const auto* b = static_cast<const uint8_t*>(page->pResource);
    if (!b) {
      delete p;
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
    }
    uint32_t total = uint32_t(b[8]) | (uint32_t(b[9]) << 8) | (uint32_t(b[10]) << 16) | (uint32_t(b[11]) << 24);
    if (!ui::DecodeDialogTemplate(b, total)) {
      delete p;
      SetLastError(ERROR_BAD_FORMAT);
      return nullptr;
    }
    p->template_bytes.assign(b, b + total);
    p->page.pResource = p->template_bytes.data();
  } else if (page->pszTemplate && !IS_INTRESOURCE(page->pszTemplate)) {
    p->template_name = page->pszTemplate;
    p->page.pszTemplate = p->template_name.c_str();
  }
  ++g_live_pages;
  if ((p->page.dwFlags & PSP_USECALLBACK) && p->page.pfnCallback) p->page.pfnCallback(nullptr, PSPCB_ADDREF, &p->page);
  return p;
}

BOOL DestroyPropertySheetPage(HPROPSHEETPAGE page) {
  if (!page) return FALSE;
  if ((page->page.dwFlags & PSP_USECALLBACK) && page->page.pfnCallback)
    page->page.pfnCallback(nullptr, PSPCB_RELEASE, &page->page);
  delete page;
  --g_live_pages;
  return TRUE;
}

INT_PTR PropertySheetW(const PROPSHEETHEADERW* header) {
  if (!header || header->dwSize < sizeof(PROPSHEETHEADERW) || (header->dwFlags & PSH_MODELESS)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return -1;
  }
  Sheet s;
  if (header->dwFlags & PSH_PROPSHEETPAGE) {
    for (UINT i = 0; i < header->nPages && header->ppsp; ++i)
      if (HPROPSHEETPAGE p = CreatePropertySheetPageW(&header->ppsp[i])) s.pages.push_back(p);
  } else {
    for (UINT i = 0; i < header->nPages && header->phpage; ++i)
      if (header->phpage[i]) s.pages.push_back(header->phpage[i]);
  }
  auto release = [&] {
    for (HPROPSHEETPAGE p : s.pages) DestroyPropertySheetPage(p);
  };
  if (s.pages.empty()) {
    release();
    SetLastError(ERROR_INVALID_PARAMETER);
    return -1;
  }
  s.page_windows.assign(s.pages.size(), nullptr);
  s.changed.assign(s.pages.size(), false);

  std::u16string caption = ui::detail::TextOf(header->pszCaption);
  if (header->dwFlags & PSH_PROPTITLE) caption += u" Properties";
  ui::DialogTemplate t;
  t.title = caption;
  // The frame fits the largest page, as the common property sheets size
  // it; pages smaller than the standard page area keep the standard frame.
  int16_t page_cx = 244, page_cy = 182;
  for (HPROPSHEETPAGE p : s.pages) {
    if (auto d = PageTemplate(p)) {
      page_cx = std::max(page_cx, d->cx);
      page_cy = std::max(page_cy, d->cy);
    }
  }
  t.cx = int16_t(page_cx + 8);
  const int16_t button_y = int16_t(14 + page_cy + 4);
  t.cy = int16_t(button_y + 18);
  auto button = [button_y](INT id, const char16_t* text, int16_t x, DWORD extra) {
    ui::DialogItemTemplate b;
    b.class_name = u"BUTTON";
    b.text = text;
    b.id = int16_t(id);
    b.style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | extra;
    b.x = x;
    b.y = button_y;
    b.cx = 50;
    b.cy = 14;
    return b;
  };
  t.items.push_back(button(IDOK, u"OK", int16_t(t.cx - 164), BS_DEFPUSHBUTTON));
  t.items.push_back(button(IDCANCEL, u"Cancel", int16_t(t.cx - 110), BS_PUSHBUTTON));
  if (!(header->dwFlags & PSH_NOAPPLYNOW))
    t.items.push_back(button(IDC_SHEET_APPLY, u"&Apply", int16_t(t.cx - 56), WS_DISABLED));
  // The tab row above the pages (the pages sit at 4,14).
  ui::DialogItemTemplate tabs;
  tabs.class_name = WC_TABCONTROLW;
  tabs.id = int16_t(IDC_SHEET_TABS);
  tabs.style = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
  tabs.x = 4;
  tabs.y = 1;
  tabs.cx = page_cx;  // as wide as the pages
  tabs.cy = 13;
  t.items.push_back(tabs);
  auto bytes = ui::EncodeDialogTemplate(t);

  HWND owner = header->hwndParent ? GetAncestor(header->hwndParent, 2) : nullptr;
  bool reenable = owner && IsWindowEnabled(owner);
  HWND sheet = CreateDialogIndirectParamW(header->hInstance, bytes.data(), owner, SheetProc, LPARAM(&s));
  if (!sheet) {
    release();
    return -1;
  }
  s.window = sheet;
  s.tab = GetDlgItem(sheet, IDC_SHEET_TABS);
  {
    std::lock_guard<std::recursive_mutex> lock(ui::detail::Lock());
    LiveSheets()[sheet] = &s;
  }
  struct Unlist {
    HWND sheet;
    ~Unlist() {
      std::lock_guard<std::recursive_mutex> lock(ui::detail::Lock());
      LiveSheets().erase(sheet);
    }
  } unlist{sheet};
  for (size_t i = 0; i < s.pages.size(); ++i) InsertTab(&s, i);
  size_t start = header->nStartPage < s.pages.size() ? header->nStartPage : 0;
  if (!Activate(&s, start)) {
    // The first page that can be made is shown instead.
    bool any = false;
    for (size_t i = 0; i < s.pages.size() && !any; ++i) any = Activate(&s, i);
    if (!any) {
      DestroyWindow(sheet);
      release();
      return -1;
    }
  }
  if (reenable) EnableWindow(owner, FALSE);
  ShowWindow(sheet, SW_SHOW);
  SetActiveWindow(sheet);
  ui::detail::RunModal(sheet, &s.done, CloseSheet);
  if (reenable) EnableWindow(owner, TRUE);
  SetWindowLongPtrW(sheet, DWLP_USER, 0);
  DestroyWindow(sheet);
  release();
  if (owner && IsWindow(owner)) SetActiveWindow(owner);
  return s.saved ? 1 : 0;
}

}  // extern "C"

size_t ui::LivePropertySheetPages() { return g_live_pages.load(); }

std::vector<ui::SheetPageInfo> ui::SheetPages(HWND sheet) {
  std::vector<SheetPageInfo> out;
  std::lock_guard<std::recursive_mutex> lock(ui::detail::Lock());
  auto it = LiveSheets().find(sheet);
  if (it == LiveSheets().end()) return out;
  Sheet* s = it->second;
  for (size_t i = 0; i < s->pages.size(); ++i) {
    const PropSheetPage* p = s->pages[i];
    DWORD id = !(p->page.dwFlags & PSP_DLGINDIRECT) && IS_INTRESOURCE(p->page.pszTemplate)
                   ? DWORD(reinterpret_cast<uintptr_t>(p->page.pszTemplate))
                   : 0;
    out.push_back(SheetPageInfo{PageTitle(p), id, s->page_windows[i], i == s->current});
  }
  return out;
}
