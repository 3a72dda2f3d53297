// The handle table and the call log.
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <string_view>

#include "objects.h"
#include "plat/calls.h"
#include "plat/handles.h"
#include "plat/kernel.h"

namespace plat::detail {

namespace {

std::mutex g_mutex;
std::map<uintptr_t, std::shared_ptr<KernelObject>>& Table() {
  static std::map<uintptr_t, std::shared_ptr<KernelObject>> table;
  return table;
}
uintptr_t g_next = 0x1000;

}  // namespace

HANDLE AddHandle(std::shared_ptr<KernelObject> object) {
  std::lock_guard<std::mutex> lock(g_mutex);
  uintptr_t value = g_next;
  g_next += 4;
  Table()[value] = std::move(object);
  return reinterpret_cast<HANDLE>(value);
}

std::shared_ptr<KernelObject> FindHandle(HANDLE handle) {
  std::lock_guard<std::mutex> lock(g_mutex);
  auto it = Table().find(reinterpret_cast<uintptr_t>(handle));
  return it == Table().end() ? nullptr : it->second;
}

bool RemoveHandleIf(HANDLE handle, bool (*is_kind)(const KernelObject*)) {
  std::shared_ptr<KernelObject> doomed;  // destroyed outside the lock
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    auto it = Table().find(reinterpret_cast<uintptr_t>(handle));
    if (it == Table().end() || !is_kind(it->second.get())) return false;
    doomed = std::move(it->second);
    Table().erase(it);
  }
  return true;
}

}  // namespace plat::detail

namespace {

bool Closable(const plat::detail::KernelObject* o) { return o->ClosedByCloseHandle(); }

std::mutex g_call_mutex;
// Looked up by the caller's text, so that counting a call builds no string.
std::map<std::string, long, std::less<>>& Counts() {
  static std::map<std::string, long, std::less<>> counts;
  return counts;
}
std::deque<std::string>& Log() {
  static std::deque<std::string> log;
  return log;
}
constexpr size_t kLogLimit = 4096;

}  // namespace

extern "C" BOOL CloseHandle(HANDLE handle) {
  plat::NoteCall("CloseHandle");
  if (!plat::detail::RemoveHandleIf(handle, Closable)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return TRUE;
}

long plat::LiveHandles() {
  std::lock_guard<std::mutex> lock(plat::detail::g_mutex);
  return long(plat::detail::Table().size());
}

void plat::NoteCall(const char* service, const std::string& detail) {
  std::lock_guard<std::mutex> lock(g_call_mutex);
  std::string_view name(service);
  auto it = Counts().find(name);
  if (it == Counts().end()) it = Counts().emplace(std::string(name), 0).first;
  ++it->second;
  if (detail.empty()) return;
  Log().push_back(std::string(service) + " " + detail);
  if (Log().size() > kLogLimit) Log().pop_front();
}

long plat::CallCount(const char* service) {
  std::lock_guard<std::mutex> lock(g_call_mutex);
  auto it = Counts().find(std::string_view(service));
  return it == Counts().end() ? 0 : it->second;
}

std::vector<std::string> plat::CallLog() {
  std::lock_guard<std::mutex> lock(g_call_mutex);
  return {Log().begin(), Log().end()};
}

void plat::ResetCalls() {
  std::lock_guard<std::mutex> lock(g_call_mutex);
  Counts().clear();
  Log().clear();
}
