// Programs of the emulated machine. A Windows program cannot run here: a
// program starts only where the machine settings map its file name to a host
// command ("program.<file name in lower case>=<command>", run by /bin/sh in
// the host folder of the current directory). Anything else answers "cannot
// be started" (ERROR_BAD_EXE_FORMAT; ERROR_FILE_NOT_FOUND when the file is
// missing). A process handle can be waited for and closed; closing it leaves
// the program running, as on Windows.
#pragma once

#include "plat/handles.h"
#include "plat/wintypes.h"

constexpr DWORD STARTF_USESHOWWINDOW = 0x1;
constexpr WORD SW_HIDE = 0;
constexpr DWORD ERROR_BAD_EXE_FORMAT = 193;

struct STARTUPINFOW {
  DWORD cb;
  LPWSTR lpReserved;
  LPWSTR lpDesktop;
  LPWSTR lpTitle;
  DWORD dwX, dwY, dwXSize, dwYSize, dwXCountChars, dwYCountChars, dwFillAttribute;
  DWORD dwFlags;
  WORD wShowWindow;
  WORD cbReserved2;
  BYTE* lpReserved2;
  HANDLE hStdInput, hStdOutput, hStdError;
};

struct PROCESS_INFORMATION {
  HANDLE hProcess;
  HANDLE hThread;
  DWORD dwProcessId;
  DWORD dwThreadId;
};

extern "C" {
// hThread is null (the machine has no thread handles). Faults:
// "CreateProcessW" (ERROR_ACCESS_DENIED).
BOOL CreateProcessW(LPCWSTR application, LPWSTR command_line, void* process_attributes, void* thread_attributes,
                    BOOL inherit_handles, DWORD creation_flags, void* environment, LPCWSTR current_directory,
                    STARTUPINFOW* startup_info, PROCESS_INFORMATION* information);
BOOL GetExitCodeProcess(HANDLE process, DWORD* exit_code);
}

namespace plat::detail {
// WaitForSingleObject on a process handle: WAIT_OBJECT_0 once it ended,
// WAIT_TIMEOUT after milliseconds; false when the handle is no process.
bool WaitProcess(HANDLE handle, DWORD milliseconds, DWORD* result);
}  // namespace plat::detail
