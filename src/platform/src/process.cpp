// Programs of the emulated machine (see plat/process.h).
#include "plat/process.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "objects.h"
#include "plat/calls.h"
#include "plat/files.h"
#include "plat/kernel.h"
#include "plat/machine.h"
#include "plat/machineconf.h"
#include "plat/sync.h"
#include "plat/wstr.h"

namespace {

// The state of one started program, shared by its handles and the thread
// that reaps it.
struct ProcessState {
  std::mutex m;
  std::condition_variable ended;
  bool done = false;
  DWORD exitCode = 259;  // STILL_ACTIVE
};

struct ProcessObject : plat::detail::KernelObject {
  std::shared_ptr<ProcessState> state;
};

std::string LowerFileName(const std::u16string& path) {
  size_t cut = path.find_last_of(u"\\/");
  std::u16string name = cut == std::u16string::npos ? path : path.substr(cut + 1);
  for (char16_t& c : name) c = plat::WToLower(c);
  return plat::ToUtf8(name);
}

}  // namespace

BOOL CreateProcessW(LPCWSTR application, LPWSTR command_line, void*, void*, BOOL, DWORD, void*,
                    LPCWSTR current_directory, STARTUPINFOW*, PROCESS_INFORMATION* information) {
  const std::u16string app = application ? application : (command_line ? command_line : u"");
  plat::NoteCall("CreateProcessW", plat::ToUtf8(app));
  if (plat::ShouldFail("CreateProcessW")) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (app.empty() || !information) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (GetFileAttributesW(app.c_str()) == INVALID_FILE_ATTRIBUTES) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return FALSE;
  }
  const std::string command = plat::GetMachineSetting("program." + LowerFileName(app));
  if (command.empty()) {
    SetLastError(ERROR_BAD_EXE_FORMAT);
    return FALSE;
  }
  const std::string cwd = current_directory ? plat::MapPath(current_directory) : std::string();
  const pid_t pid = ::fork();
  if (pid < 0) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
  }
  if (pid == 0) {
    if (!cwd.empty() && ::chdir(cwd.c_str()) != 0) ::_exit(127);
    ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  auto state = std::make_shared<ProcessState>();
  std::thread([state, pid] {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    std::lock_guard<std::mutex> lock(state->m);
    state->done = true;
    state->exitCode = WIFEXITED(status) ? DWORD(WEXITSTATUS(status)) : 1;
    state->ended.notify_all();
  }).detach();
  auto object = std::make_shared<ProcessObject>();
  object->state = state;
  information->hProcess = plat::detail::AddHandle(object);
  information->hThread = nullptr;
  information->dwProcessId = DWORD(pid);
  information->dwThreadId = 0;
  return TRUE;
}

BOOL GetExitCodeProcess(HANDLE process, DWORD* exit_code) {
  auto object = plat::detail::FindHandleAs<ProcessObject>(process);
  if (!object || !exit_code) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  std::lock_guard<std::mutex> lock(object->state->m);
  *exit_code = object->state->exitCode;
  return TRUE;
}

namespace plat::detail {

bool WaitProcess(HANDLE handle, DWORD milliseconds, DWORD* result) {
  auto object = FindHandleAs<ProcessObject>(handle);
  if (!object) return false;
  std::unique_lock<std::mutex> lock(object->state->m);
  auto ended = [&] { return object->state->done; };
  if (milliseconds == INFINITE) {
    object->state->ended.wait(lock, ended);
    *result = WAIT_OBJECT_0;
  } else {
    *result = object->state->ended.wait_for(lock, std::chrono::milliseconds(milliseconds), ended) ? WAIT_OBJECT_0
                                                                                                 : WAIT_TIMEOUT;
  }
  return true;
}

}  // namespace plat::detail
