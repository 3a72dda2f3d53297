// Process-wide critical sections of this library's copy of the common code,
// and the driver mutex shared by every process.
#include "velm/lock.h"

#include <atomic>
#include <mutex>

#include "plat/handles.h"
#include "plat/kernel.h"
#include "plat/security.h"
#include "plat/sync.h"

namespace {

constexpr DWORD kSpinCount = 4000;
constexpr const char16_t* kMutexName = u"Global\\VelmMutexTse";

struct Section {
  CRITICAL_SECTION cs{};
  std::atomic<bool> ready{false};
};

Section g_sections[2];
// How deep this thread is in each section. A leave only leaves what the
// same thread's enter really entered, so an enter that did nothing (the
// section could not be created) is never paired with a leave of a section
// another thread created in between.
thread_local int t_depth[2] = {0, 0};
std::mutex g_create_mutex;  // serialises the late creation of a section and of the mutex handle
std::atomic<HANDLE> g_mutex{nullptr};

Section* Pick(int32_t section) {
  if (section == 1) return &g_sections[0];
  if (section == 2) return &g_sections[1];
  return nullptr;
}

bool Create(Section* s) {
  if (s->ready.load(std::memory_order_acquire)) return true;
  std::lock_guard<std::mutex> lock(g_create_mutex);
  if (s->ready.load(std::memory_order_relaxed)) return true;
  if (!InitializeCriticalSectionAndSpinCount(&s->cs, kSpinCount)) return false;
  s->ready.store(true, std::memory_order_release);
  return true;
}

}  // namespace

void LockInitialize() {
  for (Section& s : g_sections) Create(&s);
  g_mutex.store(nullptr);
}

void LockTerminate() {
  std::lock_guard<std::mutex> lock(g_create_mutex);
  for (Section& s : g_sections) {
    if (s.ready.exchange(false)) DeleteCriticalSection(&s.cs);
  }
  if (HANDLE h = g_mutex.exchange(nullptr)) CloseHandle(h);
}

void LockEnterSection(int32_t section) {
  Section* s = Pick(section);
  if (!s || !Create(s)) return;
  EnterCriticalSection(&s->cs);
  ++t_depth[section - 1];
}

void LockLeaveSection(int32_t section) {
  Section* s = Pick(section);
  if (!s || t_depth[section - 1] == 0 || !s->ready.load(std::memory_order_acquire)) return;
  --t_depth[section - 1];
  LeaveCriticalSection(&s->cs);
}

HANDLE LockCreateMutex() {
  SECURITY_DESCRIPTOR sd;
  if (!InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION)) return nullptr;
  // A NULL DACL: every account of every session may open the mutex.
  if (!SetSecurityDescriptorDacl(&sd, TRUE, nullptr, FALSE)) return nullptr;
  SECURITY_ATTRIBUTES sa{sizeof(SECURITY_ATTRIBUTES), &sd, FALSE};
  return CreateMutexW(&sa, FALSE, kMutexName);
}

int32_t LockAcquireMutex() {
  HANDLE h = g_mutex.load(std::memory_order_acquire);
  if (!h) {
    std::lock_guard<std::mutex> lock(g_create_mutex);
    h = g_mutex.load(std::memory_order_relaxed);
    if (!h) {
      h = LockCreateMutex();
      g_mutex.store(h, std::memory_order_release);
    }
  }
  if (!h) return 0;
  DWORD r = WaitForSingleObject(h, INFINITE);
  // An abandoned mutex is owned by the caller now; a failed wait is not.
  return (r == WAIT_OBJECT_0 || r == WAIT_ABANDONED) ? 1 : 0;
}

int32_t LockReleaseMutex() {
  HANDLE h = g_mutex.load(std::memory_order_acquire);
  if (!h) return 0;
  return ReleaseMutex(h) ? 1 : 0;
}
