// The machine folder: one directory of the host that holds the whole emulated
// Windows machine (drives, registry, printers and their data). Windows paths
// ("C:\Windows\System32\...") map onto it drive by drive; names compare
// ignoring case as on Windows.
#pragma once

#include <string>

#include "plat/wintypes.h"

namespace plat {

// The machine root: the VELM_MACHINE environment variable when set, else
// the folder given to SetMachineRoot, else "./machine".
std::string MachineRoot();
void SetMachineRoot(const std::string& host_dir);

// True for a full Windows path: second character ':'.
bool IsFullWindowsPath(const char16_t* path);

// Host path of a Windows path. Existing components are matched ignoring case;
// missing ones are kept as written. Empty for anything that is not a full
// path with a drive letter, or that tries to climb out with "..".
std::string MapPath(const char16_t* windows_path);
std::string MapPath(const std::u16string& windows_path);

// The case-folded form of a Windows path ("c:\\dir\\file"): every spelling
// that MapPath maps onto one host file (other case, '/' for '\\', doubled
// separators, "." components) gives the same text; empty where MapPath
// gives an empty answer. Locks and creations of a path are keyed by it.
std::u16string FoldPath(const char16_t* windows_path);

// Creates the directories of a Windows path (like mkdir -p); true when the
// directory exists afterwards.
[[nodiscard]] bool EnsureWindowsDir(const char16_t* windows_path);

}  // namespace plat
