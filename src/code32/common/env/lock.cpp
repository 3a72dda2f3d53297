// Process-wide critical sections of this library's copy of the common code.
#include "velm/lock.h"

#include <atomic>
#include <mutex>

#include "plat/kernel.h"

namespace {

constexpr DWORD kSpinCount = 4000;

struct Section {
  CRITICAL_SECTION cs{};
  std::atomic<bool> ready{false};
};

Section g_sections[2];
std::mutex g_create_mutex;  // serialises the late creation of a section

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
}

void LockTerminate() {
  std::lock_guard<std::mutex> lock(g_create_mutex);
  for (Section& s : g_sections) {
    if (s.ready.exchange(false)) DeleteCriticalSection(&s.cs);
  }
}

void LockEnterSection(int32_t section) {
  Section* s = Pick(section);
  if (s && Create(s)) EnterCriticalSection(&s->cs);
}

void LockLeaveSection(int32_t section) {
  Section* s = Pick(section);
  if (s && s->ready.load(std::memory_order_acquire)) LeaveCriticalSection(&s->cs);
}
