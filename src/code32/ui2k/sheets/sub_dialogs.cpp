// The dialogs a page opens over itself: modal dialogs and nested sheets of
// the same dialog table, each run inside a push of the settings so that
// Cancel gives them back as they were and OK keeps them; and the two file
// tests the dialogs use.
#include <string>
#include <vector>

#include "plat/files.h"
#include "plat/wstr.h"
#include "sheets.h"
#include "ui2k/file_dialogs.h"
#include "ui/prsht.h"
#include "velm/context.h"
#include "velm/ini.h"
#include "velm/inst.h"
#include "velm/os.h"
#include "velm/paths.h"
#include "velm/presets.h"
#include "velm/resources.h"
#include "velm/save_stack.h"

namespace {

constexpr uint32_t kDlgFileKinds = 0x1F00u | 0x8000u;  // the open and save dialogs of files
constexpr uint32_t kDlgAnySheet = 0xF0u;
constexpr uint32_t kDlgModalRunning = 0x1u;  // runtime[0]: the dialog runs modally
constexpr uint16_t kStatusDialog = 1020;
constexpr uint16_t kVersionDialog = 1025;
constexpr uint16_t kUserSheetCaption = 5001;

INT_PTR RunNestedSheet(DriverContext* ctx, HMODULE module, int32_t sheet_flags, DialogRecord* dialog, HWND owner) {
  const uint32_t page_flag = (dialog->flags & kDlgUserSheet) ? kDlgUserSheet : uint32_t(sheet_flags);
  std::vector<PROPSHEETPAGEW> pages;
  std::vector<std::vector<uint8_t>> built;
  built.reserve(size_t(ctx->dialogs->count));
  UINT start = 0;
  for (int16_t i = 0; i < ctx->dialogs->count; ++i) {
    DialogRecord& d = ctx->dialogs->rows[i];
    if (!(d.flags & page_flag)) continue;
    if ((d.flags & kDlgUserSheet) && d.symbol && UiIsHiddenByCondition(ctx, d.symbol)) continue;
    d.window = nullptr;
    if (d.dialogId == dialog->dialogId) start = UINT(pages.size());
    built.emplace_back();
    pages.push_back(UiMakePage(ctx, module, d, &built.back()));
  }
  char16_t caption[261] = {};
  if (page_flag == kDlgUserSheet) ResLoadString(ctx, kUserSheetCaption, caption, 261, 0);
  else plat::WCopy(caption, 261, ctx->work->printerName);
  PROPSHEETHEADERW header{};
  header.dwSize = sizeof header;
  header.dwFlags = PSH_PROPSHEETPAGE | PSH_NOAPPLYNOW | PSH_HASHELP;
  if (OsIsVistaOrLater()) header.dwFlags |= PSH_NOCONTEXTHELP;
  header.hwndParent = owner;
  header.hInstance = module;
  header.pszCaption = caption;
  header.nPages = UINT(pages.size());
  header.nStartPage = start;
  header.ppsp = pages.data();
  return PropertySheetW(&header);
}

INT_PTR RunModalDialog(DriverContext* ctx, HMODULE module, DialogRecord* dialog, HWND owner) {
  dialog->runtime[0] |= kDlgModalRunning;
  const std::vector<uint8_t> built = UiMissingPageTemplate(ctx, module, *dialog);
  const INT_PTR result =
      built.empty()
          ? DialogBoxParamW(module, MAKEINTRESOURCEW(dialog->dialogId), owner, UiPageProc, LPARAM(ctx))
          : DialogBoxIndirectParamW(module, built.data(), owner, UiPageProc, LPARAM(ctx));
  dialog->runtime[0] &= ~kDlgModalRunning;
  if (ctx->work->firstPageDialog == dialog->dialogId) ctx->work->firstPageDialog = 0;
  return result;
}

// The full path of a Windows path, upper-cased, for comparing file names.
std::u16string NormalisedPath(const char16_t* path) {
  char16_t full[kPresetNameChars] = {};
  const DWORD n = path && path[0] ? GetFullPathNameW(path, kPresetNameChars, full, nullptr) : 0;
  std::u16string out = n && n < DWORD(kPresetNameChars) ? std::u16string(full, n) : std::u16string();
  for (char16_t& c : out) c = plat::WToUpper(c);
  return out;
}

}  // namespace

INT_PTR UiRunSheetSubDialog(DriverContext* ctx, int32_t sheet_flags, uint16_t dialog_id, HWND owner) {
  if (!ctx || !ctx->work || !ctx->dialogs) return 0;
  HMODULE module = ResLoadUiDll(ctx);
  if (!module) return -1;
  // The table is asked first: an unknown dialog pushes and changes nothing.
  DialogRecord* dialog = CtxFindDialog(ctx, dialog_id);
  if (!dialog) return 0;
  const uint16_t kept_dialog = ctx->dialogId;
  ctx->dialogId = dialog_id;
  DmPushSettings(ctx);

  INT_PTR result;
  if (dialog->flags & kDlgFileKinds) result = UiRunFileSubDialog(ctx, dialog, owner);
  else if ((uint32_t(sheet_flags) & kDlgAnySheet) || (dialog->flags & kDlgUserSheet))
    result = RunNestedSheet(ctx, module, sheet_flags, dialog, owner);
  else result = RunModalDialog(ctx, module, dialog, owner);

  ctx->dialogId = kept_dialog;
  if (ctx->work->saveOnClose) {
    DmPopSettings(ctx, 0);
    DialogRecord* page = CtxFindDialog(ctx, kept_dialog);
    if (page && page->window) {
      // Only a page of a sheet is marked changed; a modal dialog under the
      // sub-dialog has no sheet.
      const bool in_sheet = !(page->runtime[0] & kDlgModalRunning);
      if (in_sheet && dialog_id != kStatusDialog && dialog_id != kVersionDialog)
        SendMessageW(GetParent(page->window), PSM_CHANGED, WPARAM(page->window), 0);
      UiRefreshPage(ctx, page, 1);
    }
  } else {
    DmPopSettings(ctx, 1);
  }
  return result;
}

// The pages run their sub-dialogs here wherever the sheets are built in.
const bool g_runner_installed = (UiSetSubDialogRunner(&UiRunSheetSubDialog), true);

int32_t UiFileExists(const char16_t* path) {
  if (!path || !path[0]) return 0;
  const DWORD attributes = GetFileAttributesW(path);
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return 0;
  HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 0;
  CloseHandle(file);
  return 1;
}

int32_t UiIsPresetFileInUse(DriverContext* ctx, const char16_t* path) {
  if (!ctx || !ctx->work) return 0;
  const std::u16string wanted = NormalisedPath(path);
  if (wanted.empty()) return 0;
  char16_t file[kPresetNameChars] = {};
  for (int32_t n = 0, count = PresetGetCount(ctx); n < count; ++n) {
    PresetGetEntryText(ctx, n, 0, file);
    if (NormalisedPath(file) == wanted) return 1;
  }
  char16_t key[32] = {};
  for (int32_t n = 0, count = PresetGetQualityCount(ctx); n < count; ++n) {
    PresetFormatQualityKey(key, n);
    IniGetString(InstGetPrinterSectionName(ctx), key, u"", file, kPresetNameChars, PathGetDriverIni(ctx));
    if (NormalisedPath(file) == wanted) return 1;
  }
  return 0;
}
