// Last error, tick count, critical sections and fault injection.
#include <pthread.h>
#include <time.h>

#include <atomic>
#include <map>
#include <mutex>
#include <string>

#include "plat/kernel.h"

namespace {

thread_local DWORD t_last_error = 0;

std::atomic<bool> g_tick_fixed{false};
std::atomic<DWORD> g_tick_value{0};

uint64_t MonotonicMs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return uint64_t(ts.tv_sec) * 1000u + uint64_t(ts.tv_nsec) / 1000000u;
}
const uint64_t g_tick_origin = MonotonicMs();

std::mutex g_fault_mutex;
std::map<std::string, int>& Faults() {
  static std::map<std::string, int> faults;
  return faults;
}
std::atomic<bool> g_any_fault{false};

}  // namespace

extern "C" {

DWORD GetLastError() { return t_last_error; }
void SetLastError(DWORD code) { t_last_error = code; }

DWORD GetTickCount() {
  if (g_tick_fixed.load(std::memory_order_acquire)) return g_tick_value.load();
  // Start a little after zero, as a machine that has been up a while would.
  return DWORD((MonotonicMs() - g_tick_origin + 100000u) & 0xFFFFFFFFu);
}

void Sleep(DWORD ms) {
  timespec ts{time_t(ms / 1000), long(ms % 1000) * 1000000L};
  while (nanosleep(&ts, &ts) != 0) {
  }
}

BOOL InitializeCriticalSectionAndSpinCount(CRITICAL_SECTION* cs, DWORD /*spin*/) {
  if (!cs) return FALSE;
  cs->impl = nullptr;
  if (plat::ShouldFail("InitializeCriticalSectionAndSpinCount")) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
  }
  auto* m = new pthread_mutex_t;
  pthread_mutexattr_t attr;
  pthread_mutexattr_init(&attr);
  pthread_mutexattr_settype(&attr, PTHREAD_MUTEX_RECURSIVE);
  pthread_mutex_init(m, &attr);
  pthread_mutexattr_destroy(&attr);
  cs->impl = m;
  return TRUE;
}

void InitializeCriticalSection(CRITICAL_SECTION* cs) { InitializeCriticalSectionAndSpinCount(cs, 0); }

void EnterCriticalSection(CRITICAL_SECTION* cs) {
  if (cs && cs->impl) pthread_mutex_lock(static_cast<pthread_mutex_t*>(cs->impl));
}

void LeaveCriticalSection(CRITICAL_SECTION* cs) {
  if (cs && cs->impl) pthread_mutex_unlock(static_cast<pthread_mutex_t*>(cs->impl));
}

void DeleteCriticalSection(CRITICAL_SECTION* cs) {
  if (!cs || !cs->impl) return;
  auto* m = static_cast<pthread_mutex_t*>(cs->impl);
  pthread_mutex_destroy(m);
  delete m;
  cs->impl = nullptr;
}

}  // extern "C"

void plat::SetTickOverride(DWORD value) {
  g_tick_value.store(value);
  g_tick_fixed.store(true, std::memory_order_release);
}

void plat::ReleaseTickOverride() { g_tick_fixed.store(false, std::memory_order_release); }

void plat::FailNth(const char* service, int nth) {
  std::lock_guard<std::mutex> lock(g_fault_mutex);
  Faults()[service] = nth;
  g_any_fault.store(true);
}

void plat::ClearFaults() {
  std::lock_guard<std::mutex> lock(g_fault_mutex);
  Faults().clear();
  g_any_fault.store(false);
}

bool plat::FaultPending(const char* service) {
  std::lock_guard<std::mutex> lock(g_fault_mutex);
  return Faults().count(service) != 0;
}

bool plat::ShouldFail(const char* service) {
  if (!g_any_fault.load(std::memory_order_relaxed)) return false;
  std::lock_guard<std::mutex> lock(g_fault_mutex);
  auto it = Faults().find(service);
  if (it == Faults().end()) return false;
  if (--it->second > 0) return false;
  Faults().erase(it);
  if (Faults().empty()) g_any_fault.store(false);
  return true;
}
