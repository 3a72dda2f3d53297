// The PDEV memory pool and the Pdev record.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "gr2k/pdev.h"
#include "gr2k/pool.h"
#include "plat/kernel.h"

namespace {

class Pool : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::ClearFaults();
    live_ = plat::LiveGlobalBlocks();
  }
  void TearDown() override {
    plat::ClearFaults();
    EXPECT_EQ(plat::LiveGlobalBlocks(), live_);
  }
  long live_ = 0;
};

TEST_F(Pool, BlocksAreZeroedAlignedAndFreedInAnyOrder) {
  GrPool* pool = GrPoolCreate();
  ASSERT_NE(pool, nullptr);
  std::vector<uint8_t*> blocks;
  for (uint64_t n : {1, 7, 16, 100, 10240}) {
    auto* p = static_cast<uint8_t*>(GrPoolAlloc(pool, n));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % 16, 0u);
    for (uint64_t i = 0; i < n; ++i) ASSERT_EQ(p[i], 0);
    std::fill(p, p + n, 0xAB);
    blocks.push_back(p);
  }
  EXPECT_EQ(pool->blocks, 5u);
  // Middle, newest (head of the chain) and oldest (tail).
  GrPoolFree(pool, blocks[2]);
  GrPoolFree(pool, blocks[4]);
  GrPoolFree(pool, blocks[0]);
  EXPECT_EQ(pool->blocks, 2u);
  GrPoolFree(pool, nullptr);
  EXPECT_EQ(pool->blocks, 2u);
  GrPoolDestroy(pool);  // frees blocks 1 and 3 and the anchor
}

TEST_F(Pool, ABlockOfAnotherPoolIsLeftAlone) {
  GrPool* a = GrPoolCreate();
  GrPool* b = GrPoolCreate();
  void* p = GrPoolAlloc(a, 32);
  GrPoolFree(b, p);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(a->blocks, 1u);
  GrPoolDestroy(a);
  GrPoolDestroy(b);
}

TEST_F(Pool, FreeingTakesConstantTimeWhateverTheChainLength) {
  // Freed oldest first, each block is at the far end of the chain: a free
  // that walks the chain would make this quadratic (billions of steps).
  constexpr int kBlocks = 200000;
  GrPool* pool = GrPoolCreate();
  std::vector<void*> blocks(kBlocks);
  for (auto& p : blocks) p = GrPoolAlloc(pool, 8);
  for (void* p : blocks) GrPoolFree(pool, p);
  EXPECT_EQ(pool->blocks, 0u);
  EXPECT_EQ(pool->head, nullptr);
  GrPoolDestroy(pool);
}

TEST_F(Pool, RefusedAllocationsLeaveNothing) {
  plat::FailNth("GlobalAlloc", 1);
  EXPECT_EQ(GrPoolCreate(), nullptr);
  GrPool* pool = GrPoolCreate();
  plat::FailNth("GlobalAlloc", 1);
  EXPECT_EQ(GrPoolAlloc(pool, 64), nullptr);
  EXPECT_EQ(pool->blocks, 0u);
  EXPECT_EQ(GrPoolAlloc(nullptr, 64), nullptr);
  GrPoolDestroy(pool);
}

TEST_F(Pool, PdevLivesInItsPoolWithBothMagicWords) {
  Pdev* pdev = PdevCreate(reinterpret_cast<HANDLE>(0x55));
  ASSERT_NE(pdev, nullptr);
  EXPECT_TRUE(GrIsValidPdev(pdev));
  EXPECT_EQ(pdev->magicFirst, 0x19651013u);
  EXPECT_EQ(pdev->magicLast, 0x19651013u);
  EXPECT_EQ(pdev->stream.printer, reinterpret_cast<HANDLE>(0x55));
  EXPECT_EQ(pdev->stream.pdev, pdev);
  EXPECT_EQ(pdev->pool->blocks, 1u);  // the Pdev itself
  pdev->magicLast = 0;
  EXPECT_FALSE(GrIsValidPdev(pdev));
  EXPECT_FALSE(GrIsValidPdev(nullptr));
  pdev->magicLast = kPdevMagic;
  // Everything taken from the pool goes with the Pdev.
  for (int i = 0; i < 10; ++i) ASSERT_NE(GrPoolAlloc(pdev->pool, 1000), nullptr);
  PdevDestroy(pdev);
}

TEST_F(Pool, PdevCreationFailuresLeaveNothing) {
  for (int nth : {1, 2}) {
    plat::FailNth("GlobalAlloc", nth);
    EXPECT_EQ(PdevCreate(nullptr), nullptr) << nth;
  }
}

}  // namespace
