// The file dialogs of the pages: the common file dialog run with the
// driver's hook and the template of the UI resource module, the folder each
// kind was last used in (per printer, in the driver ini), and what a chosen
// file brings about: a settings file saved with its scenario bundle, loaded
// or deleted; the stamp bitmap, the overlay file or the work folder set.
//
// Every path the hook composes from the typed name, the current folder and
// the extension is held to kFileDlgMaxPath characters (message 10024), and
// so is the work folder joined from the folder list.
#include "ui2k/file_dialogs.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "plat/files.h"
#include "plat/osinfo.h"
#include "plat/wstr.h"
#include "sheets.h"
#include "ui/user32.h"
#include "ui2k/preview.h"
#include "velm/context.h"
#include "velm/dialogs.h"
#include "velm/ini.h"
#include "velm/inst.h"
#include "velm/messages.h"
#include "velm/names.h"
#include "velm/os.h"
#include "velm/paths.h"
#include "velm/presets.h"
#include "velm/printer_data.h"
#include "velm/qst.h"
#include "velm/resources.h"
#include "velm/save_stack.h"
#include "velm/setting_ids.h"
#include "velm/settings.h"
#include "velm/spooler.h"

namespace {

constexpr uint32_t kAllFileKinds =
    kFileOpenKind | kFileQstKind | kFileBitmapKind | kFileVpoSaveKind | kFileVpoKind | kFileFolderKind;
constexpr uint16_t kOverlayDialog = 1037;
constexpr uint16_t kFolderDialog = 4015;
constexpr uint32_t kPathChars = 260;

// Controls of the templates.
constexpr int kStampBitmapEdit = 2341;
constexpr int kOverlayEdit = 2586;
constexpr int kDefaultFolderButton = 2887;
constexpr int kAllUsersCheck = 2897;
constexpr WORD kSaveButton = 5001, kLoadButton = 5002, kDeleteButton = 5003;

// Messages of the UI resource module.
constexpr uint32_t kMsgBadName = 10024;
constexpr uint32_t kMsgNoFileToLoad = 10023;
constexpr uint32_t kMsgWrongExtension = 10025;
constexpr uint32_t kMsgOverwrite = 10026;
constexpr uint32_t kMsgNoFileToDelete = 10027;
constexpr uint32_t kMsgDelete = 10028;
constexpr uint32_t kMsgNotBitmap = 10043;
constexpr uint32_t kMsgNotOverlayExtension = 10060;
constexpr uint32_t kMsgReadOnly = 374;
constexpr uint32_t kMsgPresetInUse = 375;

// String ids: filter texts and titles.
constexpr uint32_t kFilterQst = 376, kFilterBmp = 377, kFilterVpo = 433;

constexpr uint32_t kTestLoadFlags = kQstPreset | kQstDriverFirst;  // 0x20004
constexpr DWORD kContextHelpStyle = 0x400;                          // WS_EX_CONTEXTHELP


uint32_t KindOf(const DialogRecord* dialog) { return dialog ? dialog->flags & kAllFileKinds : 0; }

DriverContext* ContextOf(HWND window) { return reinterpret_cast<DriverContext*>(GetWindowLongPtrW(window, DWLP_USER)); }

DialogRecord* DialogOf(DriverContext* ctx) { return ctx ? CtxFindDialog(ctx, ctx->dialogId) : nullptr; }

// ".qst" of "*.qst".
std::u16string Extension(const DialogRecord* dialog) { return std::u16string(UiGetFilePattern(dialog) + 1); }

bool HasWildcard(const std::u16string& text) { return text.find_first_of(u"*?") != std::u16string::npos; }

// The folder of a path: up to its last '\', a drive root keeping it.
std::u16string FolderOf(const std::u16string& path) {
  const size_t cut = path.rfind(u'\\');
  if (cut == std::u16string::npos) return {};
  return cut == 2 && path[1] == u':' ? path.substr(0, 3) : path.substr(0, cut);
}

// Whether the name (after its last '\') carries an extension.
bool HasDot(const std::u16string& path) {
  const size_t slash = path.rfind(u'\\');
  return path.find(u'.', slash == std::u16string::npos ? 0 : slash) != std::u16string::npos;
}

bool HasKindExtension(const DialogRecord* dialog, const std::u16string& path) {
  return UiHasFileExtension(dialog, path.size() >= 4 ? path.c_str() + path.size() - 4 : nullptr) != 0;
}

// The extension of the name (from its last '.') replaced by the kind's.
std::u16string WithKindExtension(const DialogRecord* dialog, const std::u16string& path) {
  const size_t slash = path.rfind(u'\\');
  const size_t dot = path.rfind(u'.');
  const bool has = dot != std::u16string::npos && (slash == std::u16string::npos || dot > slash);
  return (has ? path.substr(0, dot) : path) + Extension(dialog);
}

std::u16string WindowsTemp() {
  char16_t windows[kPathChars] = {};
  PathGetSystemWindowsDir(windows, kPathChars);
  return std::u16string(windows) + u"\\temp";
}

bool FolderExists(const std::u16string& path) {
  const DWORD a = path.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

// The current folder of the dialog: the folder list's entries up to its
// selection joined with '\'; empty when it would pass the bound.
std::u16string ListedFolder(HWND window) {
  HWND list = GetDlgItem(window, kFileDlgFolders);
  const LRESULT selected = list ? SendMessageW(list, LB_GETCURSEL, 0, 0) : -1;
  std::u16string folder;
  for (LRESULT i = 0; i <= selected; ++i) {
    const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, WPARAM(i), 0);
    if (length < 0 || size_t(length) > kFileDlgMaxPath) return {};
    std::u16string part(size_t(length) + 1, u'\0');
    SendMessageW(list, LB_GETTEXT, WPARAM(i), LPARAM(part.data()));
    part.resize(size_t(length));
    if (!folder.empty() && folder.back() != u'\\') folder += u'\\';
    folder += part;
    if (folder.size() > kFileDlgMaxPath) return {};
  }
  return folder;
}

// The full path of the typed text: as typed when it starts with '\' or has
// ':' second, else behind the current folder; the kind's extension added
// when the name has none. False when it passes the bound.
bool FullPathOf(HWND window, const DialogRecord* dialog, const std::u16string& text, std::u16string* out) {
  if (text.size() > kFileDlgMaxPath) return false;
  std::u16string path;
  if ((!text.empty() && text[0] == u'\\') || (text.size() >= 2 && text[1] == u':')) {
    path = text;
  } else {
    path = ListedFolder(window);
    if (path.empty()) return false;
    if (path.back() != u'\\') path += u'\\';
    path += text;
  }
  if (!HasDot(path)) path += Extension(dialog);
  if (path.size() > kFileDlgMaxPath) return false;
  *out = path;
  return true;
}

// The typed text (at most kFileDlgChars - 1 characters are read).
std::u16string TypedText(HWND window) {
  char16_t text[kFileDlgChars] = {};
  GetDlgItemTextW(window, kFileDlgName, text, INT(kFileDlgChars));
  return text;
}

int32_t Warn(DriverContext* ctx, HWND window, uint32_t text_id, uint32_t buttons = MB_OK) {
  return UiMessageBoxIdFlags(ctx, window, text_id, buttons);
}

void PressOk(HWND window) { SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0); }

// The work folder chosen in dialog 4015: stored where setting 904 says,
// the Windows temp folder as the empty value.
void StoreWorkFolder(DriverContext* ctx, const std::u16string& folder) {
  const std::u16string value = plat::WCmpI(folder.c_str(), WindowsTemp().c_str()) == 0 ? std::u16string() : folder;
  const uint32_t bytes = uint32_t((value.size() + 1) * sizeof(char16_t));
  if (OptGetValueById(ctx, setting::wdmSpoolDirectoryAll) == 1) RegWriteDrvValue(u"SpoolDirectory", value.c_str(), bytes);
  else SplSetPrinterDataString(ctx->printer, value.c_str(), bytes, u"SpoolDirectory");
}

// IDOK of the work-folder dialog.
UINT_PTR FolderOk(DriverContext* ctx, HWND window) {
  std::u16string text = TypedText(window);
  if (text == u"*.*") {
    text.clear();
    SetDlgItemTextW(window, kFileDlgName, u"");
  }
  if (!text.empty()) return 0;
  const std::u16string folder = ListedFolder(window);
  if (folder.empty()) {
    Warn(ctx, window, kMsgBadName);
    return 1;
  }
  StoreWorkFolder(ctx, folder);
  SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  return 1;
}

// IDOK of the file dialogs.
UINT_PTR FileOk(DriverContext* ctx, DialogRecord* dialog, HWND window) {
  WorkRecord& work = *ctx->work;
  const uint32_t kind = KindOf(dialog);
  std::u16string text = TypedText(window);
  if (HasWildcard(text)) return 0;
  if (kind == kFileVpoSaveKind && text.empty()) {
    Warn(ctx, window, kMsgBadName);
    return 1;
  }
  if (!text.empty() && !HasDot(text)) {
    text += Extension(dialog);
    SetDlgItemTextW(window, kFileDlgName, text.c_str());
  }
  std::u16string path;
  const bool needs_path = kind == kFileBitmapKind || kind == kFileVpoSaveKind || kind == kFileVpoKind ||
                          kind == kFileOpenKind || (kind == kFileQstKind && work.fileDialogAction != 0 &&
                                                    work.fileDialogAction != kSaveButton);
  if (needs_path && (text.empty() || !FullPathOf(window, dialog, text, &path))) {
    Warn(ctx, window, kMsgBadName);
    return 1;
  }
  if (kind == kFileBitmapKind && !PrevOpenBmpFile(path.c_str(), nullptr)) {
    Warn(ctx, window, kMsgNotBitmap);
    return 1;
  }
  if (kind == kFileVpoSaveKind) {
    if (!HasKindExtension(dialog, path)) {
      if (Warn(ctx, window, kMsgNotOverlayExtension, MB_OKCANCEL) != IDOK) return 1;
      path = WithKindExtension(dialog, path);
      SetDlgItemTextW(window, kFileDlgName, path.c_str());
    }
    if (UiFileExists(path.c_str()) && Warn(ctx, window, kMsgOverwrite, MB_OKCANCEL) != IDOK) return 1;
  }
  if (kind == kFileVpoKind) {
    if (!UiFileExists(path.c_str())) {
      Warn(ctx, window, kMsgNotBitmap);
      return 1;
    }
    if (!HasKindExtension(dialog, path)) {
      Warn(ctx, window, kMsgBadName);
      return 1;
    }
  }
  if (kind == kFileQstKind && work.fileDialogAction == 0) {
    work.fileDialogAction = kSaveButton;
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(kSaveButton, BN_CLICKED), 0);
    return 1;
  }
  if (kind == kFileOpenKind || (kind == kFileQstKind && work.fileDialogAction != kSaveButton)) {
    // A test load: a file whose header the printer refuses is not taken.
    DmPushSettings(ctx);
    CtxSetFileMismatch(ctx, 0);
    // A refused file is told by the mismatch flag; an unreadable one keeps the settings.
    (void)QstLoadSettings(ctx->printer, path.c_str(), kTestLoadFlags, ctx);
    const int32_t refused = CtxGetFileMismatch(ctx);
    if (kind == kFileOpenKind && plat::WCmp(work.printerName, work.driverName) != 0 && refused == 0)
      (void)QstSaveSettings(ctx->printer, path.c_str(), kTestLoadFlags, ctx);
    DmPopSettings(ctx, 1);
    CtxSetFileMismatch(ctx, refused);
    if (refused) return 1;
  }
  work.saveOnClose = 1;
  return 0;
}

// The save, load and delete buttons.
UINT_PTR FileButton(DriverContext* ctx, DialogRecord* dialog, HWND window, WORD button) {
  const uint32_t kind = KindOf(dialog);
  const std::u16string text = TypedText(window);
  if (HasWildcard(text)) {
    PressOk(window);
    return 0;
  }
  if (text.empty() || text.back() == u'\\') {
    if (button == kSaveButton) Warn(ctx, window, kMsgBadName);
    return 0;
  }
  std::u16string path;
  if (!FullPathOf(window, dialog, text, &path)) {
    Warn(ctx, window, kMsgBadName);
    return 1;
  }
  if (!UiFileExists(path.c_str())) {
    if (button == kLoadButton || button == kDeleteButton) {
      Warn(ctx, window, button == kLoadButton ? kMsgNoFileToLoad : kMsgNoFileToDelete);
      return 1;
    }
    if (!HasKindExtension(dialog, path)) {
      if (Warn(ctx, window, kMsgWrongExtension, MB_OKCANCEL) != IDOK) return 1;
      path = WithKindExtension(dialog, path);
    }
  } else {
    if (!HasKindExtension(dialog, path)) {
      if (Warn(ctx, window, kMsgWrongExtension, MB_OKCANCEL) != IDOK) return 1;
      path = WithKindExtension(dialog, path);
    }
    if (kind != kFileVpoSaveKind) {
      // A file marked read-only, in its settings or by its attributes, is
      // neither saved over nor deleted (the write would fail unseen).
      if (!PresetIsWritable(ctx, path.c_str()) || (GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_READONLY)) {
        Warn(ctx, window, kMsgReadOnly);
        return 1;
      }
      if (button == kSaveButton && Warn(ctx, window, kMsgOverwrite, MB_OKCANCEL) != IDOK) return 1;
      if (button == kDeleteButton && UiIsPresetFileInUse(ctx, path.c_str())) {
        Warn(ctx, window, kMsgPresetInUse);
        return 1;
      }
    }
  }
  if (button == kDeleteButton) {
    if (Warn(ctx, window, kMsgDelete, MB_OKCANCEL) != IDOK) return 1;
    if (kind == kFileVpoSaveKind) {
      if (!DeleteFileW(path.c_str())) {
        // The file is still there: say so and keep the dialog open.
        Warn(ctx, window, kMsgReadOnly);
        return 1;
      }
      SetDlgItemTextW(window, kFileDlgName, UiGetFilePattern(dialog));
      PressOk(window);
      return 1;
    }
  }
  ctx->work->fileDialogAction = button;
  SetDlgItemTextW(window, kFileDlgName, path.c_str());
  PressOk(window);
  return 0;
}

const char16_t* RememberKey(const DialogRecord* dialog) {
  switch (KindOf(dialog)) {
    case kFileOpenKind: return u"OpenFilePath";
    case kFileQstKind: return u"SaveFilePath";
    case kFileBitmapKind: return u"RefFilePath";
    case kFileVpoKind: return u"VporefPath";
    default: return nullptr;
  }
}

// The documents folder on Vista and later, the system directory before.
void DefaultFolder(char16_t* buffer) {
  if (OsIsVistaOrLater() && SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, 0, buffer) == S_OK) return;
  GetSystemDirectoryW(buffer, kPathChars);
}

// String s of the UI resource module, then its terminator and the pattern,
// ending in a double terminator.
void FillFilter(DriverContext* ctx, uint32_t text_id, const char16_t* pattern, char16_t* filter) {
  ResLoadString(ctx, text_id, filter, kFileDlgChars - 16, 0);
  const size_t at = plat::WLen(filter) + 1;
  plat::WCopy(filter + at, kFileDlgChars - at - 1, pattern);
  filter[at + plat::WLen(pattern) + 1] = 0;
}

void PrepareWorkFolder(DriverContext* ctx, OPENFILENAMEW* ofn) {
  auto* initial = const_cast<char16_t*>(ofn->lpstrInitialDir);
  OptSetValueById(ctx, setting::wdmSpoolDirectoryAll, 0);
  initial[0] = 0;
  if (!RegReadDrvValue(u"SpoolDirectory", initial, kPathChars * sizeof(char16_t))) {
    initial[0] = 0;
    RegWriteDrvValue(u"SpoolDirectory", u"", sizeof(char16_t));
  }
  initial[kPathChars - 1] = 0;
  if (initial[0]) {
    OptSetValueById(ctx, setting::wdmSpoolDirectoryAll, 1);
  } else if (!SplGetPrinterData(ctx->printer, initial, kPathChars * sizeof(char16_t), u"SpoolDirectory")) {
    initial[0] = 0;
    SplSetPrinterDataString(ctx->printer, u"", sizeof(char16_t), u"SpoolDirectory");
  }
  initial[kPathChars - 1] = 0;
  if (!initial[0]) plat::WCopy(initial, kPathChars, WindowsTemp().c_str());
  if (!FolderExists(initial)) PathGetSystemWindowsDir(initial, kPathChars);
  ofn->lpstrFile[0] = 0;
  ofn->lpstrDefExt = nullptr;
  ofn->nFilterIndex = 0;
}

}  // namespace

int32_t UiIsFileDialog(const DialogRecord* dialog) { return KindOf(dialog) ? 1 : 0; }

int32_t UiIsNotFileDialog(const DialogRecord* dialog) { return UiIsFileDialog(dialog) ? 0 : 1; }

const char16_t* UiGetFilePattern(const DialogRecord* dialog) {
  const uint32_t kind = KindOf(dialog);
  if (kind == kFileBitmapKind) return u"*.bmp";
  if (kind == kFileVpoSaveKind || kind == kFileVpoKind || (dialog && dialog->dialogId == kOverlayDialog)) return u"*.vpo";
  return u"*.qst";
}

int32_t UiHasFileExtension(const DialogRecord* dialog, const char16_t* last_four) {
  if (!last_four) return 0;
  const char16_t* want = UiGetFilePattern(dialog) + 1;  // ".qst"
  if (last_four[0] != u'.') return 0;
  for (int i = 1; i < 4; ++i)
    if (last_four[i] != want[i] && last_four[i] != plat::WToUpper(want[i])) return 0;
  return 1;
}

void UiPrepareFileDialog(DriverContext* ctx, DialogRecord* dialog, OPENFILENAMEW* ofn) {
  if (!ctx || !ctx->work || !dialog || !ofn || !ofn->lpstrFile) return;
  auto* title = const_cast<char16_t*>(ofn->lpstrTitle);
  auto* filter = const_cast<char16_t*>(ofn->lpstrFilter);
  auto* initial = const_cast<char16_t*>(ofn->lpstrInitialDir);
  char16_t* file = ofn->lpstrFile;
  title[0] = 0;
  const uint32_t kind = KindOf(dialog);
  const char16_t* pattern = UiGetFilePattern(dialog);
  switch (kind) {
    case kFileOpenKind:
    case kFileQstKind:
      plat::WCopy(file, kFileDlgChars, pattern);
      FillFilter(ctx, kFilterQst, pattern, filter);
      ResLoadString(ctx, kind == kFileOpenKind ? 5002 : 5003, title, kFileDlgChars, 0);
      break;
    case kFileBitmapKind:
      GetDlgItemTextW(ofn->hwndOwner, kStampBitmapEdit, file, INT(kFileDlgChars));
      if (!file[0]) plat::WCopy(file, kFileDlgChars, pattern);
      FillFilter(ctx, kFilterBmp, pattern, filter);
      ResLoadString(ctx, 5004, title, kFileDlgChars, 0);
      break;
    case kFileVpoSaveKind:
    case kFileVpoKind:
      if (kind == kFileVpoSaveKind) {
        file[0] = 0;
        if (SettingRecord* row = OptFindSetting(ctx, setting::wdmOvlPath)) {
          std::vector<char16_t> text(size_t(DescSize(row->descriptor)) + 8, u'\0');
          OptGetText(ctx, row, text.data());
          plat::WCopy(file, kFileDlgChars, text.data());
        }
      } else {
        GetDlgItemTextW(ofn->hwndOwner, kOverlayEdit, file, INT(kFileDlgChars));
      }
      if (!file[0]) plat::WCopy(file, kFileDlgChars, pattern);
      FillFilter(ctx, kFilterVpo, pattern, filter);
      ResLoadString(ctx, kind == kFileVpoSaveKind ? 5008 : 5009, title, kFileDlgChars, 0);
      break;
    case kFileFolderKind:
      PrepareWorkFolder(ctx, ofn);
      return;
    default:
      return;
  }
  initial[0] = 0;
  if (plat::WCmp(file, pattern) == 0) {
    if (!UiGetRememberedFolder(dialog, ctx, initial)) DefaultFolder(initial);
  } else if (UiFileExists(file)) {
    plat::WCopy(initial, kPathChars, FolderOf(file).c_str());
  } else {
    DefaultFolder(initial);
  }
}

BOOL UiRunFileDialog(DriverContext* ctx, DialogRecord* dialog, OPENFILENAMEW* ofn, char16_t* file) {
  if (!ctx || !dialog || !ofn || !file) return FALSE;
  const uint32_t kind = KindOf(dialog);
  const BOOL chosen = kind == kFileQstKind ? GetSaveFileNameW(ofn) : GetOpenFileNameW(ofn);
  if (!chosen) return chosen;
  switch (kind) {
    case kFileBitmapKind: SetDlgItemTextW(ofn->hwndOwner, kStampBitmapEdit, file); break;
    case kFileVpoSaveKind:
      if (SettingRecord* row = OptFindSetting(ctx, setting::wdmOvlPath)) OptSetText(ctx, row, file);
      break;
    case kFileVpoKind: SetDlgItemTextW(ofn->hwndOwner, kOverlayEdit, file); break;
    case kFileFolderKind: return chosen;
    default: break;
  }
  UiRememberFileFolder(ctx, dialog, file);
  plat::WCopy(DlgGetLastFileBuffer(), kFileDlgChars, file);
  return chosen;
}

int32_t UiRememberFileFolder(DriverContext* ctx, DialogRecord* dialog, const char16_t* path) {
  const char16_t* key = RememberKey(dialog);
  if (!ctx || !key || !path) return 0;
  const std::u16string folder = FolderOf(path);
  if (folder.empty()) return 0;
  return IniWriteString(InstGetPrinterSectionName(ctx), key, folder.c_str(), PathGetDriverIni(ctx));
}

int32_t UiGetRememberedFolder(DialogRecord* dialog, DriverContext* ctx, char16_t* buffer) {
  const char16_t* key = RememberKey(dialog);
  if (!ctx || !key || !buffer) return 0;
  buffer[0] = 0;
  IniGetString(InstGetPrinterSectionName(ctx), key, u"", buffer, kPathChars, PathGetDriverIni(ctx));
  return buffer[0] ? 1 : 0;
}

UINT_PTR UiFileDialogHook(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG) {
    const auto* ofn = reinterpret_cast<const OPENFILENAMEW*>(lparam);
    auto* ctx = ofn ? reinterpret_cast<DriverContext*>(ofn->lCustData) : nullptr;
    SetWindowLongPtrW(window, DWLP_USER, LONG_PTR(ctx));
    if (OsIsVistaOrLater())
      SetWindowLongW(window, GWL_EXSTYLE, LONG(DWORD(GetWindowLongW(window, GWL_EXSTYLE)) & ~kContextHelpStyle));
    if (ctx) {
      UiResetSubclassing(ctx, window);
      if (ctx->dialogId == kFolderDialog)
        CheckDlgButton(window, kAllUsersCheck,
                       OptGetValueById(ctx, setting::wdmSpoolDirectoryAll) == 1 ? BST_CHECKED : BST_UNCHECKED);
    }
    return 1;
  }
  if (message == WM_HELP || message == WM_CONTEXTMENU) return 1;
  if (message != WM_COMMAND) return 0;
  DriverContext* ctx = ContextOf(window);
  DialogRecord* dialog = DialogOf(ctx);
  if (!ctx || !ctx->work || !dialog) return 0;
  const WORD id = LOWORD(wparam), code = HIWORD(wparam);
  switch (id) {
    case IDOK: return dialog->dialogId == kFolderDialog ? FolderOk(ctx, window) : FileOk(ctx, dialog, window);
    case IDCANCEL: ctx->work->saveOnClose = 0; return 0;
    case kFileDlgTypes:
      if (code != CBN_SELCHANGE) return 0;
      SetDlgItemTextW(window, kFileDlgName, UiGetFilePattern(dialog));
      PressOk(window);
      return 1;
    case kDefaultFolderButton: {
      const std::u16string temp = WindowsTemp();
      char16_t windows[kPathChars] = {};
      PathGetSystemWindowsDir(windows, kPathChars);
      SetDlgItemTextW(window, kFileDlgName, FolderExists(temp) ? temp.c_str() : windows);
      ctx->work->saveOnClose = 0;
      PressOk(window);
      return 1;
    }
    case kAllUsersCheck:
      OptSetValueById(ctx, setting::wdmSpoolDirectoryAll, IsDlgButtonChecked(window, kAllUsersCheck) == BST_CHECKED);
      return 1;
    case kSaveButton:
    case kLoadButton:
    case kDeleteButton: return FileButton(ctx, dialog, window, id);
    default: return 0;
  }
}


INT_PTR UiRunFileSubDialog(DriverContext* ctx, DialogRecord* dialog, HWND owner) {
  if (!ctx || !ctx->work || !dialog) return 0;
  HMODULE module = ResLoadUiDll(ctx);
  // One zeroed block: the record and its four buffers.
  struct Block {
    OPENFILENAMEW ofn;
    char16_t file[kFileDlgChars];
    char16_t initial[kFileDlgChars];
    char16_t title[kFileDlgChars];
    char16_t filter[kFileDlgChars];
  };
  auto block = std::make_unique<Block>();
  *block = Block{};
  OPENFILENAMEW& ofn = block->ofn;
  ofn.lStructSize = sizeof(OPENFILENAMEW);
  ofn.hwndOwner = owner;
  ofn.hInstance = module;
  ofn.lpstrFilter = block->filter;
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = block->file;
  ofn.nMaxFile = kFileDlgChars;
  ofn.lpstrInitialDir = block->initial;
  ofn.lpstrTitle = block->title;
  ofn.Flags = OFN_HIDEREADONLY | OFN_ENABLEHOOK | OFN_ENABLETEMPLATE;
  ofn.lpstrDefExt = UiGetFilePattern(dialog) + 2;
  ofn.lCustData = LPARAM(ctx);
  ofn.lpfnHook = UiFileDialogHook;
  ofn.lpTemplateName = MAKEINTRESOURCEW(dialog->dialogId);
  // A module without the template: the one laid out from the item catalogue.
  const std::vector<uint8_t> built = UiMissingPageTemplate(ctx, module, *dialog);
  if (!built.empty()) {
    ofn.Flags = (ofn.Flags & ~OFN_ENABLETEMPLATE) | OFN_ENABLETEMPLATEHANDLE;
    ofn.hInstance = reinterpret_cast<HINSTANCE>(const_cast<uint8_t*>(built.data()));
  }
  UiPrepareFileDialog(ctx, dialog, &ofn);
  ctx->work->fileDialogAction = 0;

  const BOOL chosen = UiRunFileDialog(ctx, dialog, &ofn, block->file);
  if (!chosen || KindOf(dialog) != kFileQstKind) return chosen;
  HANDLE printer = ctx->printer;
  const char16_t* file = block->file;
  switch (ctx->work->fileDialogAction) {
    case kSaveButton: {
      char16_t bundle[kFileDlgChars] = {};
      if (PresetMakeBundlePath(file, bundle, ctx)) {
        const bool exported = QstSaveSettings(printer, bundle, kQstUiLanguage, ctx) != 0 &&
                              PresetExportScenario(file, bundle, ctx) != 0;
        if (!exported) PresetRemoveBundleDir(bundle);
      }
      (void)QstSaveSettings(printer, file, 0, ctx);
      UiClearSettingDirty(ctx);
      (void)QstSaveDeviceFile(printer, file, 0, ctx);
      UiClearSettingDirty(ctx);
      break;
    }
    case kLoadButton:
      // A refused file is told by the mismatch flag; an unreadable one keeps the settings.
      (void)QstLoadSettings(printer, file, 0, ctx);
      DlgReinitPresetLists(ctx);
      DlgReinitSourceTrays(ctx);
      DlgReinitPaperSizes(ctx);
      DlgReinitOutputTrays(ctx);
      DlgReinitLayoutLists(ctx);
      break;
    case kDeleteButton:
      if (DeleteFileW(file)) PresetDeleteScenario(file);
      break;
    default: break;
  }
  return chosen;
}
