// The old-style common file dialogs: GetOpenFileNameW and GetSaveFileNameW
// over the dialog manager, listing the machine's folders through the
// platform layer's file searches.
#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "plat/files.h"
#include "plat/kernel.h"
#include "plat/wstr.h"
#include "ui/commdlg.h"
#include "ui/dialog_template.h"
#include "ui/gdi.h"
#include "wm.h"

namespace {

constexpr DWORD kPathChars = 260;

thread_local DWORD g_error = 0;

struct FileDialog {
  OPENFILENAMEW* ofn = nullptr;
  bool save = false;
  std::u16string folder;   // the current folder, without a trailing '\' but for a drive root
  std::u16string pattern;  // the filter of the file list ("*.qst;*.txt" ...)
};

// The dialogs running, by window (the hook owns DWLP_USER).
std::map<HWND, FileDialog*>& Running() {
  static std::map<HWND, FileDialog*> running;
  return running;
}

FileDialog* Of(HWND dialog) {
  auto it = Running().find(dialog);
  return it == Running().end() ? nullptr : it->second;
}

std::u16string Join(const std::u16string& folder, const std::u16string& name) {
  if (folder.empty()) return name;
  return folder.back() == u'\\' ? folder + name : folder + u"\\" + name;
}

std::u16string FullPath(const std::u16string& path) {
  char16_t full[kPathChars * 2] = {};
  DWORD n = path.empty() ? 0 : GetFullPathNameW(path.c_str(), kPathChars * 2, full, nullptr);
  return n && n < kPathChars * 2 ? std::u16string(full, n) : std::u16string();
}

bool IsFolder(const std::u16string& path) {
  if (path.empty()) return false;
  DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

// The folder part of a path: up to its last '\' (a drive root keeps it).
std::u16string FolderOf(const std::u16string& path) {
  size_t cut = path.rfind(u'\\');
  if (cut == std::u16string::npos) return {};
  return cut == 2 && path[1] == u':' ? path.substr(0, 3) : path.substr(0, cut);
}

bool HasWildcard(const std::u16string& text) { return text.find_first_of(u"*?") != std::u16string::npos; }

// The filter pairs of lpstrFilter: text, pattern, ..., ended by an empty text.
std::vector<std::pair<std::u16string, std::u16string>> Filters(LPCWSTR filter) {
  std::vector<std::pair<std::u16string, std::u16string>> out;
  for (const char16_t* p = filter; p && *p;) {
    std::u16string text(p);
    p += text.size() + 1;
    std::u16string pattern(p);
    p += pattern.size() + 1;
    out.emplace_back(text, pattern);
    if (pattern.empty()) break;
  }
  return out;
}

std::vector<std::u16string> Split(const std::u16string& text, char16_t by) {
  std::vector<std::u16string> out;
  size_t at = 0;
  while (at <= text.size()) {
    size_t end = text.find(by, at);
    if (end == std::u16string::npos) end = text.size();
    if (end > at) out.push_back(text.substr(at, end - at));
    at = end + 1;
  }
  return out;
}

// Names in a folder matching a search pattern: files or folders.
std::vector<std::u16string> List(const std::u16string& folder, const std::u16string& pattern, bool folders) {
  std::vector<std::u16string> out;
  WIN32_FIND_DATAW data{};
  HANDLE search = FindFirstFileW(Join(folder, pattern).c_str(), &data);
  if (search == INVALID_HANDLE_VALUE) return out;
  do {
    std::u16string name(data.cFileName);
    const bool is_folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (name == u"." || name == u".." || is_folder != folders) continue;
    if (data.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) continue;
    out.push_back(name);
  } while (FindNextFileW(search, &data));
  FindClose(search);
  auto less = [](const std::u16string& a, const std::u16string& b) { return lstrcmpiW(a.c_str(), b.c_str()) < 0; };
  std::sort(out.begin(), out.end(), less);
  out.erase(std::unique(out.begin(), out.end(),
                        [](const std::u16string& a, const std::u16string& b) { return lstrcmpiW(a.c_str(), b.c_str()) == 0; }),
            out.end());
  return out;
}

// The file list, the folder list, the folder text and the drive of the current folder.
void Refresh(HWND dialog, FileDialog* fd) {
  SendDlgItemMessageW(dialog, kFileDlgFiles, LB_RESETCONTENT, 0, 0);
  std::vector<std::u16string> files;
  for (const std::u16string& one : Split(fd->pattern.empty() ? u"*.*" : fd->pattern, u';'))
    for (std::u16string& f : List(fd->folder, one, false)) files.push_back(std::move(f));
  std::sort(files.begin(), files.end(),
            [](const std::u16string& a, const std::u16string& b) { return lstrcmpiW(a.c_str(), b.c_str()) < 0; });
  files.erase(std::unique(files.begin(), files.end()), files.end());
  for (const std::u16string& f : files) SendDlgItemMessageW(dialog, kFileDlgFiles, LB_ADDSTRING, 0, LPARAM(f.c_str()));

  SendDlgItemMessageW(dialog, kFileDlgFolders, LB_RESETCONTENT, 0, 0);
  std::vector<std::u16string> steps;
  if (fd->folder.size() >= 3 && fd->folder[1] == u':') {
    steps.push_back(fd->folder.substr(0, 3));
    for (std::u16string& part : Split(fd->folder.substr(3), u'\\')) steps.push_back(std::move(part));
  }
  for (const std::u16string& s : steps) SendDlgItemMessageW(dialog, kFileDlgFolders, LB_ADDSTRING, 0, LPARAM(s.c_str()));
  for (const std::u16string& sub : List(fd->folder, u"*", true))
    SendDlgItemMessageW(dialog, kFileDlgFolders, LB_ADDSTRING, 0, LPARAM(sub.c_str()));
  if (!steps.empty()) SendDlgItemMessageW(dialog, kFileDlgFolders, LB_SETCURSEL, steps.size() - 1, 0);

  SetDlgItemTextW(dialog, kFileDlgFolderText, fd->folder.c_str());
  SendDlgItemMessageW(dialog, kFileDlgDrives, CB_RESETCONTENT, 0, 0);
  if (!steps.empty()) {
    std::u16string drive = steps[0].substr(0, 2);
    for (char16_t& c : drive) c = plat::WToLower(c);
    SendDlgItemMessageW(dialog, kFileDlgDrives, CB_ADDSTRING, 0, LPARAM(drive.c_str()));
    SendDlgItemMessageW(dialog, kFileDlgDrives, CB_SETCURSEL, 0, 0);
  }
}

void EnterFolder(HWND dialog, FileDialog* fd, const std::u16string& folder) {
  fd->folder = folder;
  if (fd->folder.size() > 3 && fd->folder.back() == u'\\') fd->folder.pop_back();
  Refresh(dialog, fd);
}

// The built-in layout of the old dialog (dialog units).
ui::DialogTemplate BuiltInTemplate(bool save) {
  ui::DialogTemplate t;
  t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
  t.cx = 280;
  t.cy = 164;
  t.title = save ? u"Save As" : u"Open";
  auto item = [&](const char16_t* cls, const char16_t* text, DWORD style, INT id, int16_t x, int16_t y, int16_t cx,
                  int16_t cy) {
    ui::DialogItemTemplate it;
    it.class_name = cls;
    it.text = text;
    it.style = WS_CHILD | WS_VISIBLE | style;
    it.id = int16_t(id);
    it.x = x;
    it.y = y;
    it.cx = cx;
    it.cy = cy;
    t.items.push_back(std::move(it));
  };
  item(u"STATIC", u"File name:", SS_LEFT, kFileDlgNameLabel, 6, 6, 76, 9);
  item(u"EDIT", u"", ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, kFileDlgName, 6, 16, 90, 12);
  item(u"LISTBOX", u"", LBS_NOTIFY | WS_VSCROLL | WS_BORDER | WS_TABSTOP, kFileDlgFiles, 6, 32, 90, 68);
  item(u"STATIC", u"Folders:", SS_LEFT, kFileDlgFolderText, 110, 6, 96, 9);
  item(u"LISTBOX", u"", LBS_NOTIFY | LBS_HASSTRINGS | LBS_OWNERDRAWFIXED | WS_VSCROLL | WS_BORDER | WS_TABSTOP,
       kFileDlgFolders, 110, 32, 92, 68);
  item(u"STATIC", u"List files of type:", SS_LEFT, kFileDlgTypeLabel, 6, 104, 90, 9);
  item(u"COMBOBOX", u"", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, kFileDlgTypes, 6, 114, 90, 60);
  item(u"STATIC", u"Drives:", SS_LEFT, kFileDlgDriveLabel, 110, 104, 92, 9);
  item(u"COMBOBOX", u"", CBS_DROPDOWNLIST | CBS_HASSTRINGS | WS_VSCROLL | WS_TABSTOP, kFileDlgDrives, 110, 114, 92, 60);
  item(u"BUTTON", u"OK", BS_DEFPUSHBUTTON | WS_TABSTOP, IDOK, 208, 6, 50, 14);
  item(u"BUTTON", u"Cancel", BS_PUSHBUTTON | WS_TABSTOP, IDCANCEL, 208, 24, 50, 14);
  item(u"BUTTON", u"Network...", BS_PUSHBUTTON | WS_TABSTOP | WS_DISABLED, kFileDlgNetwork, 208, 114, 50, 14);
  return t;
}

// The caller's template with the standard controls it lacks added from the
// built-in layout, so that the dialog always works.
ui::DialogTemplate Merged(ui::DialogTemplate own, bool save) {
  for (const ui::DialogItemTemplate& standard : BuiltInTemplate(save).items) {
    bool present = false;
    for (const ui::DialogItemTemplate& it : own.items) present = present || it.id == standard.id;
    if (!present) own.items.push_back(standard);
  }
  return own;
}

UINT_PTR CallHook(HWND dialog, FileDialog* fd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (!fd || !(fd->ofn->Flags & OFN_ENABLEHOOK) || !fd->ofn->lpfnHook) return 0;
  return fd->ofn->lpfnHook(dialog, message, wparam, lparam);
}

// The chosen file into the caller's record; false (with the error) when it
// does not fit.
bool Deliver(FileDialog* fd, const std::u16string& path) {
  OPENFILENAMEW* ofn = fd->ofn;
  if (!ofn->lpstrFile || path.size() + 1 > ofn->nMaxFile) {
    g_error = FNERR_BUFFERTOOSMALL;
    // As Windows: the first unit of the buffer tells the size needed.
    if (ofn->lpstrFile && ofn->nMaxFile >= 1) ofn->lpstrFile[0] = char16_t(std::min<size_t>(path.size() + 1, 0xFFFF));
    return false;
  }
  plat::WCopy(ofn->lpstrFile, ofn->nMaxFile, path.c_str());
  size_t name = path.rfind(u'\\');
  name = name == std::u16string::npos ? 0 : name + 1;
  size_t dot = path.rfind(u'.');
  ofn->nFileOffset = WORD(name);
  ofn->nFileExtension = WORD(dot != std::u16string::npos && dot >= name ? dot + 1 : path.size());
  if (ofn->lpstrFileTitle && ofn->nMaxFileTitle) plat::WCopy(ofn->lpstrFileTitle, ofn->nMaxFileTitle, path.c_str() + name);
  return true;
}

// OK as the dialog does it itself (the hook did not take it).
void DefaultOk(HWND dialog, FileDialog* fd) {
  char16_t text[kPathChars * 2 + 1] = {};
  GetDlgItemTextW(dialog, kFileDlgName, text, INT(kPathChars * 2 + 1));
  std::u16string typed(text);
  if (typed.empty()) {
    LRESULT sel = SendDlgItemMessageW(dialog, kFileDlgFiles, LB_GETCURSEL, 0, 0);
    if (sel < 0) {
      MessageBeep(0);
      return;
    }
    char16_t name[kPathChars + 1] = {};
    if (SendDlgItemMessageW(dialog, kFileDlgFiles, LB_GETTEXTLEN, WPARAM(sel), 0) <= LRESULT(kPathChars))
      SendDlgItemMessageW(dialog, kFileDlgFiles, LB_GETTEXT, WPARAM(sel), LPARAM(name));
    typed = name;
  }
  const bool absolute = typed[0] == u'\\' || (typed.size() >= 2 && typed[1] == u':');
  std::u16string path = typed[0] == u'\\' && typed.size() > 1 && typed[1] != u'\\' && fd->folder.size() >= 2
                            ? fd->folder.substr(0, 2) + typed
                            : absolute ? typed : Join(fd->folder, typed);
  std::u16string last = path.substr(path.rfind(u'\\') == std::u16string::npos ? 0 : path.rfind(u'\\') + 1);
  if (HasWildcard(last)) {
    // A pattern: the list's filter (in the folder it names, when any).
    std::u16string folder = FullPath(FolderOf(path));
    if (path.find(u'\\') != std::u16string::npos && IsFolder(folder)) fd->folder = folder;
    fd->pattern = last;
    Refresh(dialog, fd);
    SetDlgItemTextW(dialog, kFileDlgName, last.c_str());
    return;
  }
  std::u16string full = FullPath(path);
  if (full.empty()) {
    MessageBeep(0);
    return;
  }
  if (IsFolder(full)) {
    EnterFolder(dialog, fd, full);
    SetDlgItemTextW(dialog, kFileDlgName, fd->pattern.empty() ? u"*.*" : fd->pattern.c_str());
    return;
  }
  std::u16string name = full.substr(full.rfind(u'\\') + 1);
  if (name.find(u'.') == std::u16string::npos && fd->ofn->lpstrDefExt && fd->ofn->lpstrDefExt[0])
    full += u"." + std::u16string(fd->ofn->lpstrDefExt).substr(0, 3);
  LRESULT type = SendDlgItemMessageW(dialog, kFileDlgTypes, CB_GETCURSEL, 0, 0);
  if (type >= 0) fd->ofn->nFilterIndex = DWORD(type + 1);
  if (!Deliver(fd, full)) {
    EndDialog(dialog, -1);
    return;
  }
  EndDialog(dialog, IDOK);
}

void DrawEntry(const DRAWITEMSTRUCT* item) {
  if (!item || item->itemID == UINT(-1)) return;
  const UINT get_len = item->CtlType == ODT_COMBOBOX ? CB_GETLBTEXTLEN : LB_GETTEXTLEN;
  const UINT get = item->CtlType == ODT_COMBOBOX ? CB_GETLBTEXT : LB_GETTEXT;
  if (SendMessageW(item->hwndItem, get_len, item->itemID, 0) > LRESULT(kPathChars)) return;
  char16_t text[kPathChars + 1] = {};
  SendMessageW(item->hwndItem, get, item->itemID, LPARAM(text));
  const bool selected = (item->itemState & ODS_SELECTED) != 0;
  FillRect(item->hDC, &item->rcItem, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  SetBkMode(item->hDC, TRANSPARENT);
  SetTextColor(item->hDC, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
  // The folder list indents each step of the path, and the sub-folders one more.
  INT indent = 0;
  if (item->CtlID == UINT(kFileDlgFolders)) {
    LRESULT current = SendMessageW(item->hwndItem, LB_GETCURSEL, 0, 0);
    indent = INT(std::min<LRESULT>(LRESULT(item->itemID), current < 0 ? 0 : current + 1)) * 6;
  }
  TextOutW(item->hDC, item->rcItem.left + 2 + indent, item->rcItem.top, text, INT(plat::WLen(text)));
}

void Init(HWND dialog, FileDialog* fd) {
  OPENFILENAMEW* ofn = fd->ofn;
  if (ofn->lpstrTitle && ofn->lpstrTitle[0]) SetWindowTextW(dialog, ofn->lpstrTitle);
  const auto filters = Filters(ofn->lpstrFilter);
  for (const auto& f : filters) SendDlgItemMessageW(dialog, kFileDlgTypes, CB_ADDSTRING, 0, LPARAM(f.first.c_str()));
  DWORD index = ofn->nFilterIndex ? ofn->nFilterIndex - 1 : 0;
  if (index < filters.size()) {
    SendDlgItemMessageW(dialog, kFileDlgTypes, CB_SETCURSEL, index, 0);
    fd->pattern = filters[index].second;
  }
  std::u16string file = ofn->lpstrFile ? std::u16string(ofn->lpstrFile) : std::u16string();
  std::u16string folder;
  if (ofn->lpstrInitialDir && IsFolder(FullPath(ofn->lpstrInitialDir))) folder = FullPath(ofn->lpstrInitialDir);
  if (file.find(u'\\') != std::u16string::npos) {
    if (folder.empty() && IsFolder(FullPath(FolderOf(file)))) folder = FullPath(FolderOf(file));
    file = file.substr(file.rfind(u'\\') + 1);
  }
  if (folder.empty()) {
    char16_t system[kPathChars] = {};
    GetSystemDirectoryW(system, kPathChars);
    folder = system;
  }
  if (HasWildcard(file)) fd->pattern = file;
  SetDlgItemTextW(dialog, kFileDlgName, file.empty() ? fd->pattern.c_str() : file.c_str());
  EnterFolder(dialog, fd, folder);
  if (ofn->Flags & OFN_HIDEREADONLY) ShowWindow(GetDlgItem(dialog, 1040), SW_HIDE);
}

INT_PTR FileDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG) {
    auto* fd = reinterpret_cast<FileDialog*>(lparam);
    Running()[dialog] = fd;
    Init(dialog, fd);
    if (fd->ofn->Flags & OFN_ENABLEHOOK) return INT_PTR(CallHook(dialog, fd, message, wparam, LPARAM(fd->ofn)));
    return TRUE;
  }
  FileDialog* fd = Of(dialog);
  if (!fd) return FALSE;
  if (message == WM_DESTROY) {
    CallHook(dialog, fd, message, wparam, lparam);
    Running().erase(dialog);
    return FALSE;
  }
  if (CallHook(dialog, fd, message, wparam, lparam)) return TRUE;
  if (!IsWindow(dialog) || !Of(dialog)) return TRUE;
  switch (message) {
    case WM_DRAWITEM:
      DrawEntry(reinterpret_cast<const DRAWITEMSTRUCT*>(lparam));
      return TRUE;
    case WM_COMMAND: {
      const WORD id = LOWORD(wparam), code = HIWORD(wparam);
      if (id == IDOK) {
        DefaultOk(dialog, fd);
        return TRUE;
      }
      if (id == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      if (id == kFileDlgFiles && code == LBN_SELCHANGE) {
        LRESULT sel = SendDlgItemMessageW(dialog, kFileDlgFiles, LB_GETCURSEL, 0, 0);
        char16_t name[kPathChars + 1] = {};
        if (sel >= 0 && SendDlgItemMessageW(dialog, kFileDlgFiles, LB_GETTEXTLEN, WPARAM(sel), 0) <= LRESULT(kPathChars)) {
          SendDlgItemMessageW(dialog, kFileDlgFiles, LB_GETTEXT, WPARAM(sel), LPARAM(name));
          SetDlgItemTextW(dialog, kFileDlgName, name);
        }
        return TRUE;
      }
      if (id == kFileDlgFiles && code == LBN_DBLCLK) {
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), LPARAM(GetDlgItem(dialog, IDOK)));
        return TRUE;
      }
      if (id == kFileDlgFolders && code == LBN_DBLCLK) {
        // An entry of the path goes up to it; a sub-folder goes into it.
        HWND list = GetDlgItem(dialog, kFileDlgFolders);
        LRESULT sel = SendMessageW(list, LB_GETCURSEL, 0, 0);
        std::u16string folder;
        for (LRESULT i = 0; i <= sel; ++i) {
          if (SendMessageW(list, LB_GETTEXTLEN, WPARAM(i), 0) > LRESULT(kPathChars)) return TRUE;
          char16_t part[kPathChars + 1] = {};
          SendMessageW(list, LB_GETTEXT, WPARAM(i), LPARAM(part));
          folder = i == 0 ? std::u16string(part) : Join(folder, part);
        }
        if (IsFolder(folder)) EnterFolder(dialog, fd, folder);
        return TRUE;
      }
      if (id == kFileDlgTypes && code == CBN_SELCHANGE) {
        const auto filters = Filters(fd->ofn->lpstrFilter);
        LRESULT sel = SendDlgItemMessageW(dialog, kFileDlgTypes, CB_GETCURSEL, 0, 0);
        if (sel >= 0 && size_t(sel) < filters.size()) {
          fd->pattern = filters[size_t(sel)].second;
          SetDlgItemTextW(dialog, kFileDlgName, fd->pattern.c_str());
          Refresh(dialog, fd);
        }
        return TRUE;
      }
      return FALSE;
    }
  }
  return FALSE;
}

BOOL Run(OPENFILENAMEW* ofn, bool save) {
  g_error = 0;
  if (!ofn || ofn->lStructSize != sizeof(OPENFILENAMEW)) {
    g_error = CDERR_STRUCTSIZE;
    return FALSE;
  }
  if ((ofn->Flags & OFN_ENABLEHOOK) && !ofn->lpfnHook) {
    g_error = CDERR_NOHOOK;
    return FALSE;
  }
  ui::DialogTemplate t = BuiltInTemplate(save);
  if (ofn->Flags & OFN_ENABLETEMPLATEHANDLE) {
    // hInstance holds the template's bytes.
    const auto* p = reinterpret_cast<const uint8_t*>(ofn->hInstance);
    const uint32_t total = p ? uint32_t(p[8]) | (uint32_t(p[9]) << 8) | (uint32_t(p[10]) << 16) | (uint32_t(p[11]) << 24) : 0;
    auto own = p ? ui::DecodeDialogTemplate(p, total) : std::nullopt;
    if (!own) {
      g_error = CDERR_NOTEMPLATE;
      return FALSE;
    }
    t = Merged(*own, save);
  } else if (ofn->Flags & OFN_ENABLETEMPLATE) {
    size_t size = 0;
    const void* bytes = IS_INTRESOURCE(ofn->lpTemplateName)
                            ? plat::FindModuleResource(ofn->hInstance, RT_DIALOG,
                                                       DWORD(reinterpret_cast<uintptr_t>(ofn->lpTemplateName)), &size)
                            : nullptr;
    if (!bytes) {
      g_error = CDERR_FINDRESFAILURE;
      return FALSE;
    }
    auto own = ui::DecodeDialogTemplate(bytes, size);
    if (!own) {
      g_error = CDERR_LOADRESFAILURE;
      return FALSE;
    }
    t = Merged(*own, save);
  }
  FileDialog fd;
  fd.ofn = ofn;
  fd.save = save;
  const std::vector<uint8_t> bytes = ui::EncodeDialogTemplate(t);
  HINSTANCE instance = (ofn->Flags & OFN_ENABLETEMPLATE) ? ofn->hInstance : nullptr;
  const INT_PTR result = DialogBoxIndirectParamW(instance, bytes.data(), ofn->hwndOwner, FileDialogProc, LPARAM(&fd));
  if (result == -1 && g_error == 0) g_error = CDERR_LOADRESFAILURE;
  return result == IDOK ? TRUE : FALSE;
}

}  // namespace

extern "C" {

BOOL GetOpenFileNameW(OPENFILENAMEW* ofn) { return Run(ofn, false); }
BOOL GetSaveFileNameW(OPENFILENAMEW* ofn) { return Run(ofn, true); }
DWORD CommDlgExtendedError() { return g_error; }

}  // extern "C"
