// The file dialogs of the pages: opening, saving, loading and deleting
// settings files, choosing a stamp bitmap, saving and choosing overlays and
// choosing the work folder, each an old-style common file dialog with the
// driver's hook and a template of the UI resource module.
#pragma once

#include <cstdint>

#include "plat/wintypes.h"
#include "ui/commdlg.h"

struct DriverContext;
struct DialogRecord;

// The kinds, by the dialog's flags.
constexpr uint32_t kFileOpenKind = 0x100;     // a settings file chosen (test-loaded)
constexpr uint32_t kFileQstKind = 0x200;      // settings files: save 5001, load 5002, delete 5003
constexpr uint32_t kFileBitmapKind = 0x400;   // the image stamp's bitmap
constexpr uint32_t kFileVpoSaveKind = 0x800;  // the overlay file to save
constexpr uint32_t kFileVpoKind = 0x1000;     // an overlay file to use
constexpr uint32_t kFileFolderKind = 0x8000;  // the work folder

// The buffers of a file dialog, in characters.
constexpr uint32_t kFileDlgChars = 522;
// Paths longer than this are refused with message 10024.
constexpr size_t kFileDlgMaxPath = 258;

int32_t UiIsFileDialog(const DialogRecord* dialog);
int32_t UiIsNotFileDialog(const DialogRecord* dialog);
// "*.qst", "*.bmp" or "*.vpo".
const char16_t* UiGetFilePattern(const DialogRecord* dialog);
// 1 when the four characters are the pattern's "." and three letters (each
// letter in the pattern's lower case or its upper case). last_four null (a
// name shorter than four characters) answers 0.
int32_t UiHasFileExtension(const DialogRecord* dialog, const char16_t* last_four);
void UiPrepareFileDialog(DriverContext* ctx, DialogRecord* dialog, OPENFILENAMEW* ofn);
BOOL UiRunFileDialog(DriverContext* ctx, DialogRecord* dialog, OPENFILENAMEW* ofn, char16_t* file);
// The folder of the path under the kind's key of the printer's section of
// the driver ini (nothing for the overlay save dialog).
int32_t UiRememberFileFolder(DriverContext* ctx, DialogRecord* dialog, const char16_t* path);
// 1 with the folder in buffer (260 characters) when one is stored.
int32_t UiGetRememberedFolder(DialogRecord* dialog, DriverContext* ctx, char16_t* buffer);
UINT_PTR UiFileDialogHook(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
// The path last chosen in any file dialog of the process (kFileDlgChars).
char16_t* DlgGetLastFileBuffer();

// The file branch of a page's sub-dialog: the dialog run, then what its
// action asks (save, load or delete). The GetOpenFileNameW or
// GetSaveFileNameW result.
INT_PTR UiRunFileSubDialog(DriverContext* ctx, DialogRecord* dialog, HWND owner);
