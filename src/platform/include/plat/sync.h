// Named mutexes of the emulated machine, shared by every process that uses
// the same machine folder. "Global\" and "Local\" name one namespace.
//
// A mutex is recursive for the thread that owns it. Across processes it is
// an exclusive lock on a file under <machine root>/.locks; the owner's
// process id is kept in that file while the mutex is held, so the next
// owner learns that a holder died without releasing it (WAIT_ABANDONED) and
// still gets the mutex: a crash never locks the others out.
//
// A thread that ends while owning a mutex abandons it: the next waiter, in
// this process or another, gets the mutex with WAIT_ABANDONED.
//
// Limits: ERROR_ALREADY_EXISTS after CreateMutexW reports only a mutex this
// process has already opened. Security attributes are accepted and not
// enforced.
#pragma once

#include "plat/handles.h"
#include "plat/wintypes.h"

struct SECURITY_ATTRIBUTES;

constexpr DWORD INFINITE = 0xFFFFFFFFu;
constexpr DWORD WAIT_OBJECT_0 = 0;
constexpr DWORD WAIT_ABANDONED = 0x80;
constexpr DWORD WAIT_TIMEOUT = 0x102;
constexpr DWORD WAIT_FAILED = 0xFFFFFFFFu;
constexpr DWORD ERROR_NOT_OWNER = 288;

extern "C" {
// Faults: "CreateMutexW" (ERROR_ACCESS_DENIED).
[[nodiscard]] HANDLE CreateMutexW(SECURITY_ATTRIBUTES* security, BOOL initial_owner, LPCWSTR name);
// Mutex and process handles can be waited for. Faults: "WaitForSingleObject"
// (WAIT_FAILED).
[[nodiscard]] DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);
// FALSE with ERROR_NOT_OWNER when the calling thread does not own it.
[[nodiscard]] BOOL ReleaseMutex(HANDLE handle);
}
