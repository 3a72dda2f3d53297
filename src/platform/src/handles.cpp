// The handle table and the call log.
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

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
constexpr size_t kLogLimit = 4096;
// The latest kLogLimit entries, in a ring whose strings are reused once it
// is full, so that logging a call seldom allocates.
struct CallRing {
  std::vector<std::string> entries;
  size_t oldest = 0;  // where the next entry goes once the ring is full
};
CallRing& Log() {
  static CallRing ring;
  return ring;
}

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
  CallRing& ring = Log();
  std::string* entry;
  if (ring.entries.size() < kLogLimit) {
    entry = &ring.entries.emplace_back();
  } else {
    entry = &ring.entries[ring.oldest];
    ring.oldest = (ring.oldest + 1) % kLogLimit;
  }
  entry->assign(name);
  entry->push_back(' ');
  entry->append(detail);
}

long plat::CallCount(const char* service) {
  std::lock_guard<std::mutex> lock(g_call_mutex);
  auto it = Counts().find(std::string_view(service));
  return it == Counts().end() ? 0 : it->second;
}

std::vector<std::string> plat::CallLog() {
  std::lock_guard<std::mutex> lock(g_call_mutex);
  const CallRing& ring = Log();
  std::vector<std::string> out(ring.entries.begin() + std::ptrdiff_t(ring.oldest), ring.entries.end());
  out.insert(out.end(), ring.entries.begin(), ring.entries.begin() + std::ptrdiff_t(ring.oldest));
  return out;
}

void plat::ResetCalls() {
  std::lock_guard<std::mutex> lock(g_call_mutex);
  Counts().clear();
  Log().entries.clear();
  Log().oldest = 0;
}
