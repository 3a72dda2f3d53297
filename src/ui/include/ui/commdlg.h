// The common file dialogs of the window layer (comdlg32): GetOpenFileNameW
// and GetSaveFileNameW in their old style, with a hook procedure and a
// template of the caller's module.
//
// The dialog holds the old controls: 1152 the file-name edit, 1120 the
// files of the current folder, 1121 the folder list (the path from the
// drive root down to the current folder, the selected entry, followed by
// its sub-folders), 1136 the file types, 1137 the drive, 1088 the current
// folder's text, 1089-1091 labels, 1037 a network button (disabled: the
// machine has no network places). A template given with OFN_ENABLETEMPLATE
// replaces the built-in one; standard controls it lacks are added from the
// built-in layout. Files are listed through the platform layer's searches,
// so the dialog shows the machine's folders.
//
// With OFN_ENABLEHOOK the hook gets WM_INITDIALOG (lParam: the
// OPENFILENAMEW) after the dialog has set itself up, then every message
// before the dialog; a non-zero answer means the hook handled it and the
// dialog does nothing more. OK (IDOK, or a double click on a file) takes the
// edit's text: wildcards become the list's filter, a folder is entered, and
// anything else is the chosen file (the current folder joined, the default
// extension added when the name has none).
#pragma once

#include <cstddef>
#include <cstdint>

#include "ui/user32.h"

using LPOFNHOOKPROC = UINT_PTR (*)(HWND, UINT, WPARAM, LPARAM);

struct OPENFILENAMEW {
  DWORD lStructSize;
  HWND hwndOwner;
  HINSTANCE hInstance;
  LPCWSTR lpstrFilter;
  LPWSTR lpstrCustomFilter;
  DWORD nMaxCustFilter;
  DWORD nFilterIndex;
  LPWSTR lpstrFile;
  DWORD nMaxFile;
  LPWSTR lpstrFileTitle;
  DWORD nMaxFileTitle;
  LPCWSTR lpstrInitialDir;
  LPCWSTR lpstrTitle;
  DWORD Flags;
  WORD nFileOffset;
  WORD nFileExtension;
  LPCWSTR lpstrDefExt;
  LPARAM lCustData;
  LPOFNHOOKPROC lpfnHook;
  LPCWSTR lpTemplateName;
  void* pvReserved;
  DWORD dwReserved;
  DWORD FlagsEx;
};
static_assert(sizeof(void*) != 8 || sizeof(OPENFILENAMEW) == 152, "the 64-bit layout of OPENFILENAMEW");
static_assert(sizeof(void*) != 8 || offsetof(OPENFILENAMEW, Flags) == 96);
static_assert(sizeof(void*) != 8 || offsetof(OPENFILENAMEW, lCustData) == 112);

constexpr DWORD OFN_HIDEREADONLY = 0x4;
constexpr DWORD OFN_ENABLEHOOK = 0x20;
constexpr DWORD OFN_ENABLETEMPLATE = 0x40;
constexpr DWORD OFN_ENABLETEMPLATEHANDLE = 0x80;

// The old controls.
constexpr INT kFileDlgNetwork = 1037;     // psh14
constexpr INT kFileDlgFolderText = 1088;  // stc1
constexpr INT kFileDlgTypeLabel = 1089;   // stc2
constexpr INT kFileDlgNameLabel = 1090;   // stc3
constexpr INT kFileDlgDriveLabel = 1091;  // stc4
constexpr INT kFileDlgFiles = 1120;       // lst1
constexpr INT kFileDlgFolders = 1121;     // lst2
constexpr INT kFileDlgTypes = 1136;       // cmb1
constexpr INT kFileDlgDrives = 1137;      // cmb2
constexpr INT kFileDlgName = 1152;        // edt1

// CommDlgExtendedError codes.
constexpr DWORD CDERR_STRUCTSIZE = 0x0001;
constexpr DWORD CDERR_NOTEMPLATE = 0x0003;
constexpr DWORD CDERR_FINDRESFAILURE = 0x0006;
constexpr DWORD CDERR_LOADRESFAILURE = 0x0007;
constexpr DWORD CDERR_NOHOOK = 0x000B;
constexpr DWORD FNERR_INVALIDFILENAME = 0x3002;
constexpr DWORD FNERR_BUFFERTOOSMALL = 0x3003;

extern "C" {
// TRUE with the chosen path in lpstrFile (nFileOffset, nFileExtension and
// lpstrFileTitle set); FALSE when cancelled (CommDlgExtendedError 0) or on
// an error (its code). The old style is shown whatever OFN_EXPLORER says.
// Without an initial folder, and without one in lpstrFile, the dialog
// opens in the system directory.
BOOL GetOpenFileNameW(OPENFILENAMEW* ofn);
BOOL GetSaveFileNameW(OPENFILENAMEW* ofn);
DWORD CommDlgExtendedError();
}
