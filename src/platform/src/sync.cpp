// Named mutexes across the processes of one machine.
#include "plat/sync.h"

#include "plat/process.h"

#include <errno.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/file.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "hostfs.h"
#include "objects.h"
#include "plat/calls.h"
#include "plat/kernel.h"
#include "plat/machine.h"
#include "plat/wstr.h"

namespace {

using Clock = std::chrono::steady_clock;

// The state of one mutex in this process. "busy" is set while a thread of
// this process owns the mutex or is taking its file lock, so that only one
// thread at a time competes with the other processes.
struct MutexState {
  std::mutex m;
  std::condition_variable cv;
  bool named = false;
  std::string lock_path;
  int fd = -1;
  bool busy = false;
  bool owned = false;
  pthread_t owner{};
  unsigned count = 0;
  bool abandoned = false;  // unnamed: its last owner thread ended without releasing it
};

// Unlocks a named mutex's file but keeps the owner's process id in it, so
// that the next owner, in any process, is told WAIT_ABANDONED. The caller
// holds s->m and the mutex is owned.
void Abandon(MutexState* s) {
  if (s->named && s->fd >= 0) ::flock(s->fd, LOCK_UN);  // the process id in the file tells
  else s->abandoned = true;                                // (an unnamed mutex has no file)
  s->owned = false;
  s->busy = false;
  s->count = 0;
  s->cv.notify_one();
}

// The mutexes a thread owns; when the thread ends, every one it still owns
// is abandoned, so that the next waiter gets WAIT_ABANDONED, never a hang.
struct OwnedByThread {
  std::vector<std::shared_ptr<MutexState>> states;
  ~OwnedByThread() {
    pthread_t self = pthread_self();
    for (const auto& s : states) {
      std::lock_guard<std::mutex> lock(s->m);
      if (s->owned && pthread_equal(s->owner, self)) Abandon(s.get());
    }
  }
  void Remove(const MutexState* s) {
    for (size_t i = 0; i < states.size(); ++i)
      if (states[i].get() == s) {
        states.erase(states.begin() + long(i));
        return;
      }
  }
};
thread_local OwnedByThread t_owned;

struct MutexObject : plat::detail::KernelObject {
  std::string key;
};

std::mutex g_states_mutex;
std::map<std::string, std::shared_ptr<MutexState>>* g_states = new std::map<std::string, std::shared_ptr<MutexState>>;
unsigned long g_anonymous = 0;

// A forked child starts with no mutex of its own: the parent's file locks
// and owners are the parent's. The old states are left behind on purpose (a
// parent thread may have held one of their locks at the fork).
void AtForkPrepare() { g_states_mutex.lock(); }
void AtForkParent() { g_states_mutex.unlock(); }
void AtForkChild() {
  for (auto& [key, state] : *g_states)
    if (state->fd >= 0) ::close(state->fd);  // the parent keeps its own descriptor
  t_owned.states.clear();  // the parent's, not this child's
  g_states = new std::map<std::string, std::shared_ptr<MutexState>>;
  g_states_mutex.unlock();
}
[[maybe_unused]] const int g_atfork = pthread_atfork(AtForkPrepare, AtForkParent, AtForkChild);

// States are keyed by the lock file of the name (so by the machine as well
// as the name), or by a number for an unnamed mutex (first byte 0).
std::shared_ptr<MutexState> StateOf(const std::string& key, bool* existed) {
  std::lock_guard<std::mutex> lock(g_states_mutex);
  auto it = g_states->find(key);
  if (existed) *existed = it != g_states->end();
  if (it != g_states->end()) return it->second;
  auto state = std::make_shared<MutexState>();
  state->named = key[0] != 0;
  if (state->named) state->lock_path = key;
  (*g_states)[key] = state;
  return state;
}

bool OpenLockFile(MutexState* s) {
  if (s->fd >= 0) return true;
  s->fd = ::open(s->lock_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (s->fd < 0 && errno == ENOENT && plat::detail::EnsureLockDir())
    s->fd = ::open(s->lock_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  return s->fd >= 0;
}

// Takes the file lock of a named mutex (the caller has set busy).
DWORD LockFile(MutexState* s, DWORD ms, Clock::time_point deadline) {
  if (!s->named) return WAIT_OBJECT_0;
  if (!OpenLockFile(s)) return WAIT_FAILED;
  if (ms == INFINITE) {
    while (::flock(s->fd, LOCK_EX) != 0)
      if (errno != EINTR) return WAIT_FAILED;
  } else {
    while (::flock(s->fd, LOCK_EX | LOCK_NB) != 0) {
      if (errno != EWOULDBLOCK && errno != EINTR) return WAIT_FAILED;
      if (Clock::now() >= deadline) return WAIT_TIMEOUT;
      ::usleep(2000);
    }
  }
  // A process id left in the file: its owner ended without releasing.
  char old[32] = {};
  ssize_t n = ::pread(s->fd, old, sizeof old - 1, 0);
  bool abandoned = n > 0 && std::atoi(old) != 0;
  char mine[32];
  int len = std::snprintf(mine, sizeof mine, "%d\n", int(::getpid()));
  if (::ftruncate(s->fd, 0) != 0 || ::pwrite(s->fd, mine, size_t(len), 0) != len) {
    // The mutex is still held; only the crash record could not be kept.
  }
  return abandoned ? WAIT_ABANDONED : WAIT_OBJECT_0;
}

DWORD Acquire(const std::shared_ptr<MutexState>& state, DWORD ms) {
  MutexState* s = state.get();
  Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(ms == INFINITE ? 0 : ms);
  std::unique_lock<std::mutex> lock(s->m);
  pthread_t self = pthread_self();
  if (s->owned && pthread_equal(s->owner, self)) {
    ++s->count;
    return WAIT_OBJECT_0;
  }
  while (s->busy) {
    if (ms == INFINITE) s->cv.wait(lock);
    else if (s->cv.wait_until(lock, deadline) == std::cv_status::timeout && s->busy) return WAIT_TIMEOUT;
  }
  s->busy = true;
  lock.unlock();
  DWORD r = LockFile(s, ms, deadline);
  lock.lock();
  if (r == WAIT_OBJECT_0 || r == WAIT_ABANDONED) {
    if (s->abandoned) r = WAIT_ABANDONED;
    s->abandoned = false;
    s->owned = true;
    s->owner = self;
    s->count = 1;
    t_owned.states.push_back(state);
  } else {
    s->busy = false;
    s->cv.notify_one();
  }
  return r;
}

std::string KeyOf(LPCWSTR name) {
  std::u16string n = name;
  for (const char16_t* prefix : {u"Global\\", u"Local\\"}) {
    size_t len = plat::WLen(prefix);
    if (n.size() >= len && plat::WCmpNI(n.c_str(), prefix, len) == 0) {
      n = n.substr(len);
      break;
    }
  }
  return plat::ToUtf8(n);
}

}  // namespace

extern "C" {

HANDLE CreateMutexW(SECURITY_ATTRIBUTES*, BOOL initial_owner, LPCWSTR name) {
  plat::NoteCall("CreateMutexW", name ? plat::ToUtf8(name) : std::string("(unnamed)"));
  if (plat::ShouldFail("CreateMutexW")) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  std::string key;
  if (name && *name) {
    key = KeyOf(name);
    if (key.empty()) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
    }
    key = plat::detail::MachineLockPath("mutex:" + key);
  } else {
    std::lock_guard<std::mutex> lock(g_states_mutex);
    key = std::string(1, '\0') + std::to_string(++g_anonymous);
  }
  bool existed = false;
  std::shared_ptr<MutexState> state = StateOf(key, &existed);
  auto obj = std::make_shared<MutexObject>();
  obj->key = key;
  HANDLE h = plat::detail::AddHandle(obj);
  if (initial_owner && !existed) Acquire(state, INFINITE);
  SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  return h;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
  plat::NoteCall("WaitForSingleObject");
  DWORD process_result = WAIT_FAILED;
  if (plat::detail::WaitProcess(handle, milliseconds, &process_result)) return process_result;
  auto obj = plat::detail::FindHandleAs<MutexObject>(handle);
  if (!obj) {
    SetLastError(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
  }
  if (plat::ShouldFail("WaitForSingleObject")) {
    SetLastError(ERROR_ACCESS_DENIED);
    return WAIT_FAILED;
  }
  return Acquire(StateOf(obj->key, nullptr), milliseconds);
}

BOOL ReleaseMutex(HANDLE handle) {
  plat::NoteCall("ReleaseMutex");
  auto obj = plat::detail::FindHandleAs<MutexObject>(handle);
  if (!obj) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  std::shared_ptr<MutexState> s = StateOf(obj->key, nullptr);
  std::lock_guard<std::mutex> lock(s->m);
  if (!s->owned || !pthread_equal(s->owner, pthread_self())) {
    SetLastError(ERROR_NOT_OWNER);
    return FALSE;
  }
  if (--s->count > 0) return TRUE;
  if (s->named && s->fd >= 0) {
    if (::ftruncate(s->fd, 0) != 0) {
      // A stale process id only makes the next owner see WAIT_ABANDONED.
    }
    ::flock(s->fd, LOCK_UN);
  }
  s->owned = false;
  s->busy = false;
  s->cv.notify_one();
  t_owned.Remove(s.get());
  return TRUE;
}

}  // extern "C"
