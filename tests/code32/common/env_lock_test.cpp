// The driver mutex across processes and the two critical sections.
#include <signal.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "env_test_machine.h"
#include "plat/sync.h"
#include "velm/lock.h"

namespace {

using env_test::EnvMachine;
using env_test::InChild;

long long NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
      .count();
}

struct Pipe {
  int fd[2];
  Pipe() { EXPECT_EQ(pipe(fd), 0); }
  ~Pipe() {
    close(fd[0]);
    close(fd[1]);
  }
  void Send(long long v) { EXPECT_EQ(write(fd[1], &v, sizeof v), ssize_t(sizeof v)); }
  long long Receive() {
    long long v = 0;
    EXPECT_EQ(read(fd[0], &v, sizeof v), ssize_t(sizeof v));
    return v;
  }
};

// Whether another process could take the driver mutex within ms.
bool OtherProcessGets(DWORD ms) {
  return InChild([ms] {
           HANDLE m = CreateMutexW(nullptr, FALSE, u"Global\\VelmMutexTse");
           DWORD r = WaitForSingleObject(m, ms);
           if (r == WAIT_OBJECT_0 || r == WAIT_ABANDONED) return ReleaseMutex(m) ? 0 : 2;
           return 1;
         }) == 0;
}

class DriverMutex : public EnvMachine {
 protected:
  void SetUp() override {
    EnvMachine::SetUp();
    // Each test starts as a freshly attached library: no mutex handle yet.
    LockTerminate();
    LockInitialize();
  }
};

TEST_F(DriverMutex, SecondProcessBlocksUntilTheFirstReleases) {
  Pipe held, released;
  pid_t pid = fork();
  if (pid == 0) {
    if (LockAcquireMutex() != 1) _exit(1);
    held.Send(NowMs());
    Sleep(250);
    released.Send(NowMs());
    _exit(LockReleaseMutex() == 1 ? 0 : 2);
  }
  held.Receive();
  EXPECT_EQ(LockAcquireMutex(), 1);
  long long got = NowMs();
  EXPECT_GE(got, released.Receive());
  EXPECT_EQ(LockReleaseMutex(), 1);
  int status = 0;
  waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST_F(DriverMutex, AKilledHolderDoesNotBlockTheWaiter) {
  Pipe held;
  pid_t pid = fork();
  if (pid == 0) {
    LockAcquireMutex();
    held.Send(1);
    for (;;) Sleep(1000);
  }
  held.Receive();
  EXPECT_FALSE(OtherProcessGets(20));
  std::thread killer([pid] {
    Sleep(100);
    kill(pid, SIGKILL);
  });
  EXPECT_EQ(LockAcquireMutex(), 1);  // abandoned by its holder: ours now
  killer.join();
  waitpid(pid, nullptr, 0);
  EXPECT_EQ(LockReleaseMutex(), 1);
}

TEST_F(DriverMutex, RecursiveForOneThreadThenFreeForOthers) {
  EXPECT_EQ(LockAcquireMutex(), 1);
  EXPECT_EQ(LockAcquireMutex(), 1);
  EXPECT_EQ(LockReleaseMutex(), 1);
  EXPECT_FALSE(OtherProcessGets(30));  // still held once
  EXPECT_EQ(LockReleaseMutex(), 1);
  EXPECT_TRUE(OtherProcessGets(1000));
  EXPECT_EQ(LockReleaseMutex(), 0);  // nothing held any more
}

TEST_F(DriverMutex, ReleaseBeforeAcquireAndMutexThatCannotBeHad) {
  EXPECT_EQ(LockReleaseMutex(), 0);  // no handle yet
  plat::FailNth("CreateMutexW", 1);
  EXPECT_EQ(LockAcquireMutex(), 0);  // runs unguarded
  EXPECT_EQ(LockReleaseMutex(), 0);
  EXPECT_EQ(LockAcquireMutex(), 1);  // tried again, and created now
  EXPECT_EQ(LockReleaseMutex(), 1);
  plat::FailNth("WaitForSingleObject", 1);
  EXPECT_EQ(LockAcquireMutex(), 0);  // a failed wait is not held
  EXPECT_EQ(LockReleaseMutex(), 0);
  HANDLE h = LockCreateMutex();
  ASSERT_NE(h, nullptr);
  CloseHandle(h);
}

// Whether a second thread is kept out of the section while this one is in.
bool SectionExcludes(int32_t section) {
  std::atomic<bool> entered{false};
  LockEnterSection(section);
  std::thread other([&] {
    LockEnterSection(section);
    entered = true;
    LockLeaveSection(section);
  });
  Sleep(50);
  bool excluded = !entered;
  LockLeaveSection(section);
  other.join();
  return excluded;
}

TEST_F(DriverMutex, SectionsExcludeOtherThreadsAndAreCreatedLateAfterAFailure) {
  EXPECT_TRUE(SectionExcludes(1));
  EXPECT_TRUE(SectionExcludes(2));
  EXPECT_FALSE(SectionExcludes(0));
  EXPECT_FALSE(SectionExcludes(3));
  // Recursive per thread.
  LockEnterSection(1);
  LockEnterSection(1);
  LockLeaveSection(1);
  LockLeaveSection(1);
  EXPECT_TRUE(SectionExcludes(1));

  LockTerminate();
  plat::FailNth("InitializeCriticalSectionAndSpinCount", 1);
  LockInitialize();                // section 1 fails at attach
  EXPECT_TRUE(SectionExcludes(1));  // created at its first use

  LockTerminate();
  plat::FailNth("InitializeCriticalSectionAndSpinCount", 1);
  LockInitialize();
  plat::FailNth("InitializeCriticalSectionAndSpinCount", 1);
  // Failed twice: this thread's enter and leave do nothing, and its leave
  // does not release the section the other thread created meanwhile.
  EXPECT_FALSE(SectionExcludes(1));
  EXPECT_TRUE(SectionExcludes(1));  // the next use has it
}

}  // namespace
