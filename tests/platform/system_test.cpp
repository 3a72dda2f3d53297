#include <gtest/gtest.h>

#include <thread>

#include "plat/kernel.h"

namespace {

TEST(Kernel, LastErrorIsPerThread) {
  SetLastError(ERROR_INVALID_PARAMETER);
  std::thread t([] {
    EXPECT_EQ(GetLastError(), 0u);
    SetLastError(ERROR_MORE_DATA);
  });
  t.join();
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST(Kernel, TickOverrideAndWrap) {
  plat::SetTickOverride(0xFFFFFFF0u);
  EXPECT_EQ(GetTickCount(), 0xFFFFFFF0u);
  plat::SetTickOverride(5);
  EXPECT_EQ(GetTickCount(), 5u);
  plat::ReleaseTickOverride();
  DWORD a = GetTickCount();
  Sleep(5);
  EXPECT_GE(DWORD(GetTickCount() - a), 4u);
}

TEST(Kernel, GlobalAllocZeroesAndCounts) {
  long before = plat::LiveGlobalBlocks();
  auto* p = static_cast<unsigned char*>(GlobalAlloc(GPTR, 100));
  ASSERT_NE(p, nullptr);
  for (int i = 0; i < 100; ++i) ASSERT_EQ(p[i], 0);
  EXPECT_EQ(GlobalSize(p), 100u);
  EXPECT_EQ(plat::LiveGlobalBlocks(), before + 1);
  EXPECT_EQ(GlobalFree(p), nullptr);
  EXPECT_EQ(plat::LiveGlobalBlocks(), before);
  EXPECT_EQ(GlobalFree(nullptr), nullptr);
}

TEST(Kernel, FaultInjectionFailsTheNthCall) {
  plat::FailNth("GlobalAlloc", 2);
  void* a = GlobalAlloc(GPTR, 8);
  void* b = GlobalAlloc(GPTR, 8);
  void* c = GlobalAlloc(GPTR, 8);
  EXPECT_NE(a, nullptr);
  EXPECT_EQ(b, nullptr);
  EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_NE(c, nullptr);
  GlobalFree(a);
  GlobalFree(c);
  plat::ClearFaults();
}

TEST(Kernel, CriticalSectionIsRecursiveAndExcludesOthers) {
  CRITICAL_SECTION cs;
  ASSERT_TRUE(InitializeCriticalSectionAndSpinCount(&cs, 4000));
  EnterCriticalSection(&cs);
  EnterCriticalSection(&cs);  // the owner may enter again
  int shared = 0;
  std::thread t([&] {
    EnterCriticalSection(&cs);
    shared = 2;
    LeaveCriticalSection(&cs);
  });
  shared = 1;
  LeaveCriticalSection(&cs);
  EXPECT_EQ(shared, 1);
  LeaveCriticalSection(&cs);
  t.join();
  EXPECT_EQ(shared, 2);
  DeleteCriticalSection(&cs);
}

}  // namespace
