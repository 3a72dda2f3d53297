#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <thread>

#include "plat/handles.h"
#include "plat/sync.h"
#include "temp_machine.h"

namespace {

using plat_test::InChild;
using plat_test::TempMachine;

long long NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
      .count();
}

// A pipe the child uses to say "I hold it".
struct Pipe {
  int fd[2];
  Pipe() { EXPECT_EQ(pipe(fd), 0); }
  ~Pipe() {
    close(fd[0]);
    close(fd[1]);
  }
  void Signal() { EXPECT_EQ(write(fd[1], "x", 1), 1); }
  void Wait() {
    char c;
    EXPECT_EQ(read(fd[0], &c, 1), 1);
  }
};

class NamedMutex : public ::testing::Test {
 protected:
  TempMachine machine_;
};

TEST_F(NamedMutex, SecondProcessWaitsForTheRelease) {
  Pipe held, stamp;
  pid_t pid = fork();
  if (pid == 0) {
    HANDLE m = CreateMutexW(nullptr, FALSE, u"Global\\TestMutex");
    if (WaitForSingleObject(m, INFINITE) != WAIT_OBJECT_0) _exit(1);
    held.Signal();
    Sleep(300);
    long long released = NowMs();
    if (write(stamp.fd[1], &released, sizeof released) != sizeof released) _exit(2);
    _exit(ReleaseMutex(m) ? 0 : 3);
  }
  held.Wait();
  HANDLE m = CreateMutexW(nullptr, FALSE, u"Local\\TestMutex");  // one namespace for Global\ and Local\.
  EXPECT_EQ(WaitForSingleObject(m, 50), WAIT_TIMEOUT);
  EXPECT_EQ(WaitForSingleObject(m, INFINITE), WAIT_OBJECT_0);
  long long got = NowMs();
  long long released = 0;
  ASSERT_EQ(read(stamp.fd[0], &released, sizeof released), ssize_t(sizeof released));
  EXPECT_GE(got, released);  // it had to wait for the holder's release
  int status = 0;
  waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_TRUE(ReleaseMutex(m));
  CloseHandle(m);
}

TEST_F(NamedMutex, AKilledHolderDoesNotLockOthersOut) {
  Pipe held;
  pid_t pid = fork();
  if (pid == 0) {
    HANDLE m = CreateMutexW(nullptr, FALSE, u"Global\\Crash");
    if (WaitForSingleObject(m, INFINITE) != WAIT_OBJECT_0) _exit(1);  // the parent then waits in vain and fails
    held.Signal();
    for (;;) Sleep(1000);
  }
  held.Wait();
  HANDLE m = CreateMutexW(nullptr, FALSE, u"Global\\Crash");
  EXPECT_EQ(WaitForSingleObject(m, 20), WAIT_TIMEOUT);
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  EXPECT_EQ(WaitForSingleObject(m, 2000), WAIT_ABANDONED);  // owned now, and told why
  EXPECT_TRUE(ReleaseMutex(m));
  EXPECT_EQ(WaitForSingleObject(m, 0), WAIT_OBJECT_0);  // a clean release leaves no trace
  EXPECT_TRUE(ReleaseMutex(m));
  CloseHandle(m);
}

// A thread that ends while it owns a mutex (taken once or twice) abandons
// it: the next waiter, a thread of this process or another process, gets it
// with WAIT_ABANDONED at once, and a clean release after that leaves no trace.
TEST_F(NamedMutex, AThreadThatEndsOwningItAbandonsIt) {
  for (const char16_t* name : {u"Global\\ThreadEnd", static_cast<const char16_t*>(nullptr)}) {
    SCOPED_TRACE(name ? "named" : "unnamed");
    HANDLE m = CreateMutexW(nullptr, FALSE, name);
    ASSERT_NE(m, nullptr);
    std::thread([&] {
      EXPECT_EQ(WaitForSingleObject(m, INFINITE), WAIT_OBJECT_0);
      EXPECT_EQ(WaitForSingleObject(m, INFINITE), WAIT_OBJECT_0);
    }).join();
    EXPECT_EQ(WaitForSingleObject(m, 2000), WAIT_ABANDONED);
    EXPECT_TRUE(ReleaseMutex(m));
    EXPECT_EQ(WaitForSingleObject(m, 0), WAIT_OBJECT_0);
    EXPECT_TRUE(ReleaseMutex(m));
    CloseHandle(m);
  }
  HANDLE m = CreateMutexW(nullptr, FALSE, u"Global\\ThreadEnd");
  std::thread([&] { EXPECT_EQ(WaitForSingleObject(m, INFINITE), WAIT_OBJECT_0); }).join();
  EXPECT_EQ(InChild([] {
              HANDLE h = CreateMutexW(nullptr, FALSE, u"Global\\ThreadEnd");
              if (WaitForSingleObject(h, 2000) != WAIT_ABANDONED) return 1;
              return ReleaseMutex(h) ? 0 : 2;
            }),
            0);
  EXPECT_EQ(WaitForSingleObject(m, 0), WAIT_OBJECT_0);  // released cleanly by the other process
  EXPECT_TRUE(ReleaseMutex(m));
  CloseHandle(m);
}

TEST_F(NamedMutex, RecursiveForItsOwnerThread) {
  HANDLE m = CreateMutexW(nullptr, FALSE, u"Global\\Recursive");
  ASSERT_NE(m, nullptr);
  ASSERT_EQ(WaitForSingleObject(m, INFINITE), WAIT_OBJECT_0);
  ASSERT_EQ(WaitForSingleObject(m, INFINITE), WAIT_OBJECT_0);
  // Another thread of this process and another process both wait.
  std::thread other([&] { EXPECT_EQ(WaitForSingleObject(m, 30), WAIT_TIMEOUT); });
  other.join();
  EXPECT_EQ(InChild([] {
              HANDLE h = CreateMutexW(nullptr, FALSE, u"Global\\Recursive");
              return WaitForSingleObject(h, 30) == WAIT_TIMEOUT ? 0 : 1;
            }),
            0);
  EXPECT_TRUE(ReleaseMutex(m));
  EXPECT_EQ(InChild([] {
              HANDLE h = CreateMutexW(nullptr, FALSE, u"Global\\Recursive");
              return WaitForSingleObject(h, 30) == WAIT_TIMEOUT ? 0 : 1;
            }),
            0);  // still held once
  EXPECT_TRUE(ReleaseMutex(m));
  EXPECT_EQ(InChild([] {
              HANDLE h = CreateMutexW(nullptr, FALSE, u"Global\\Recursive");
              if (WaitForSingleObject(h, 1000) != WAIT_OBJECT_0) return 1;
              return ReleaseMutex(h) ? 0 : 2;
            }),
            0);
  EXPECT_FALSE(ReleaseMutex(m));  // not the owner any more
  EXPECT_EQ(GetLastError(), ERROR_NOT_OWNER);
  CloseHandle(m);
}

TEST_F(NamedMutex, OnlyTheOwnerReleasesAndFaultsAreReported) {
  HANDLE m = CreateMutexW(nullptr, TRUE, u"Global\\Owned");  // created and owned at once
  ASSERT_NE(m, nullptr);
  std::thread other([&] {
    EXPECT_FALSE(ReleaseMutex(m));
    EXPECT_EQ(GetLastError(), ERROR_NOT_OWNER);
  });
  other.join();
  HANDLE again = CreateMutexW(nullptr, TRUE, u"Global\\Owned");
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  EXPECT_TRUE(ReleaseMutex(m));
  EXPECT_FALSE(ReleaseMutex(again));  // opening an existing mutex does not take it
  plat::FailNth("WaitForSingleObject", 1);
  EXPECT_EQ(WaitForSingleObject(m, INFINITE), WAIT_FAILED);
  plat::FailNth("CreateMutexW", 1);
  EXPECT_EQ(CreateMutexW(nullptr, FALSE, u"Global\\X"), nullptr);
  EXPECT_EQ(WaitForSingleObject(reinterpret_cast<HANDLE>(uintptr_t(12345)), 0), WAIT_FAILED);
  CloseHandle(m);
  CloseHandle(again);
}

}  // namespace
