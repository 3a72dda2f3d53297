// The display-list buffer, the writes to the spool-side module and the
// command-text blocks.
#include <cstring>
#include <string>

#include "gr_test_support.h"

namespace {

using grtest::GrTest;
using grtest::Hex;

using DlBuffer = GrTest;

TEST_F(DlBuffer, AReservationThatExactlyFillsTheBlockStartsANewOne) {
  DisplayListStream* s = stream();
  uint8_t* a = DlReserve(s, kDlBlockUnit - 100);
  ASSERT_EQ(a, s->first.data);
  uint8_t* b = DlReserve(s, 99);  // leaves one byte: still fits
  EXPECT_EQ(b, a + kDlBlockUnit - 100);
  EXPECT_EQ(s->last, s->head);
  uint8_t* c = DlReserve(s, 1);  // reaches the end: a new block
  EXPECT_NE(s->last, s->head);
  EXPECT_EQ(c, s->last->Data());
  EXPECT_EQ(DlBlockCapacity(s->last), kDlBlockUnit);
  EXPECT_EQ(s->reservedBytes, kDlBlockUnit);
  EXPECT_EQ(s->reservations, 3u);
}

TEST_F(DlBuffer, NewBlocksAreWholeMultiplesOf10240) {
  struct Case {
    uint64_t length, capacity;
  } cases[] = {{30000, 30720}, {10240, 10240}, {10241, 20480}, {0x100000, 1054720}};
  for (const Case& c : cases) {
    DlInit(stream());
    ASSERT_NE(DlReserve(stream(), 1), nullptr);
    ASSERT_NE(DlReserve(stream(), c.length), nullptr);
    EXPECT_EQ(DlBlockCapacity(stream()->last), c.capacity) << c.length;
  }
}

TEST_F(DlBuffer, AReservationBeyondA32BitBlockLengthIsRefused) {
  EXPECT_EQ(DlReserve(stream(), uint64_t(UINT32_MAX) + 1), nullptr);
  EXPECT_EQ(stream()->reservations, 0u);
}

TEST_F(DlBuffer, FlushesAtOneMebibyteOnlyWhenANewBlockIsNeeded) {
  DisplayListStream* s = stream();
  ASSERT_NE(DlReserve(s, 0x100000), nullptr);  // exactly 1 MiB: not more than it
  ASSERT_NE(DlReserve(s, 20000), nullptr);     // new block, no flush yet
  EXPECT_TRUE(spool_.bytes.empty());
  ASSERT_NE(DlReserve(s, 16), nullptr);  // fits in the last block: no flush
  EXPECT_TRUE(spool_.bytes.empty());
  ASSERT_NE(DlReserve(s, 30000), nullptr);  // needs a block, more than 1 MiB held: flush first
  EXPECT_FALSE(spool_.bytes.empty());
  EXPECT_EQ(s->reservedBytes, 30000u);
  EXPECT_EQ(s->reservations, 1u);
  // The new block follows the emptied first block.
  EXPECT_EQ(DlBlockUsed(s->head), 0u);
  EXPECT_EQ(s->head->next, s->last);
  std::vector<std::pair<uint8_t, uint32_t>> blocks = Blocks();
  ASSERT_EQ(blocks.size(), 3u);
  EXPECT_EQ(blocks[0], std::make_pair(kBlockData, uint32_t(0)));  // the first block held nothing
  EXPECT_EQ(blocks[1], std::make_pair(kBlockData, uint32_t(0x100000)));
  EXPECT_EQ(blocks[2], std::make_pair(kBlockData, uint32_t(20016)));
}

TEST_F(DlBuffer, AfterAMidPageFlushTheEmptyFirstBlockGoesOutWithLengthZero) {
  DisplayListStream* s = stream();
  ASSERT_NE(DlReserve(s, 0x100001), nullptr);
  ASSERT_NE(DlReserve(s, 40000), nullptr);  // flushes, then a block after the emptied first one
  spool_.bytes.clear();
  ASSERT_TRUE(DlFlush(s));
  std::vector<std::pair<uint8_t, uint32_t>> blocks = Blocks();
  ASSERT_EQ(blocks.size(), 2u);
  EXPECT_EQ(blocks[0], std::make_pair(kBlockData, uint32_t(0)));
  EXPECT_EQ(blocks[1], std::make_pair(kBlockData, uint32_t(40000)));
  // A flush right after another writes nothing.
  spool_.bytes.clear();
  ASSERT_TRUE(DlFlush(s));
  EXPECT_TRUE(spool_.bytes.empty());
}

TEST_F(DlBuffer, FlushWritesEachBlockFramed) {
  DisplayListStream* s = stream();
  uint8_t* a = DlReserve(s, 8);
  std::memcpy(a, "\x61\x00\x00\x00\x37\x00\x00\x00", 8);
  uint8_t* b = DlReserve(s, kDlBlockUnit);  // a second block
  std::memset(b, 0x5A, kDlBlockUnit);
  ASSERT_TRUE(DlFlush(s));
  ASSERT_EQ(spool_.bytes.size(), 8u + 8 + 8 + kDlBlockUnit);
  EXPECT_EQ(grtest::Span(spool_.bytes.data(), 16), Hex("f5000000 08000000 61000000 37000000"));
  EXPECT_EQ(grtest::Span(spool_.bytes.data() + 16, 8), Hex("f5000000 00280000"));
  EXPECT_EQ(s->last, s->head);
  EXPECT_EQ(s->reservedBytes, 0u);
}

TEST_F(DlBuffer, TrimRoundsUpToFourAndZeroesThePadding) {
  DisplayListStream* s = stream();
  uint8_t* rec = DlReserve(s, 40);
  std::memset(rec, 0xEE, 40);
  DlTrim(s, rec + 37);
  EXPECT_EQ(DlBlockUsed(s->last), 40u);
  EXPECT_EQ(grtest::Span(rec + 36, 4), Hex("ee000000"));
  DlTrim(s, rec + 20);
  EXPECT_EQ(DlBlockUsed(s->last), 20u);
  EXPECT_EQ(s->reservedBytes, 40u);  // the counter keeps the whole reservation
  DlTrim(s, rec + 30);                // beyond the write position: ignored
  EXPECT_EQ(DlBlockUsed(s->last), 20u);
}

TEST_F(DlBuffer, FlushedBlocksAreReusedOnlyAtTheirExactCapacity) {
  DisplayListStream* s = stream();
  const uint64_t pool_blocks = pdev_->pool->blocks;
  ASSERT_NE(DlReserve(s, 30000), nullptr);
  ASSERT_NE(DlReserve(s, 30000), nullptr);
  EXPECT_EQ(pdev_->pool->blocks, pool_blocks + 2);
  ASSERT_TRUE(DlFlush(s));
  EXPECT_EQ(pdev_->pool->blocks, pool_blocks + 2);  // kept for the next page
  plat::FailNth("GlobalAlloc", 1);
  ASSERT_NE(DlReserve(s, 29000), nullptr);  // 30,720 again: no allocation
  EXPECT_EQ(DlBlockCapacity(s->last), 30720u);
  EXPECT_EQ(DlReserve(s, 50000), nullptr);  // 51,200: allocates, and the system refuses
  plat::ClearFaults();
  // A block the size of a whole band is given back at once.
  ASSERT_NE(DlReserve(s, 8 * kDlFlushThreshold), nullptr);
  ASSERT_TRUE(DlFlush(s));
  EXPECT_EQ(pdev_->pool->blocks, pool_blocks + 2);
  DlInit(s);
  EXPECT_EQ(pdev_->pool->blocks, pool_blocks);
}

TEST_F(DlBuffer, InitFreesBlocksLeftInTheBuffer) {
  const uint64_t pool_blocks = pdev_->pool->blocks;
  ASSERT_NE(DlReserve(stream(), 50000), nullptr);
  ASSERT_NE(DlReserve(stream(), 50000), nullptr);
  DlInit(stream());
  EXPECT_EQ(pdev_->pool->blocks, pool_blocks);
  EXPECT_EQ(stream()->last, stream()->head);
}

TEST_F(DlBuffer, RollbackDropsWhatWasReservedAfterTheMark) {
  DisplayListStream* s = stream();
  const uint64_t pool_blocks = pdev_->pool->blocks;
  ASSERT_NE(DlReserve(s, 100), nullptr);
  DlMark mark = DlTakeMark(s);
  ASSERT_NE(DlReserve(s, 20000), nullptr);
  ASSERT_NE(DlReserve(s, 20000), nullptr);
  ASSERT_TRUE(DlRollback(s, mark));
  EXPECT_EQ(pdev_->pool->blocks, pool_blocks);
  EXPECT_EQ(DlBlockUsed(s->head), 100u);
  EXPECT_EQ(s->reservedBytes, 100u);
  EXPECT_EQ(s->reservations, 1u);
  // Once a flush has sent part of it, there is nothing to take back.
  mark = DlTakeMark(s);
  ASSERT_NE(DlReserve(s, 8), nullptr);
  ASSERT_TRUE(DlFlush(s));
  EXPECT_FALSE(DlRollback(s, mark));
}

// ---- writes to the spool-side module -------------------------------------------------

using SpoolWrites = GrTest;

TEST_F(SpoolWrites, ChunksOfAtMost4096Bytes) {
  std::vector<uint8_t> data(10000);
  for (size_t i = 0; i < data.size(); ++i) data[i] = uint8_t(i * 7);
  ASSERT_TRUE(SpoolWrite(stream(), data.data(), data.size()));
  EXPECT_EQ(spool_.chunks, (std::vector<uint32_t>{4096, 4096, 1808}));
  EXPECT_EQ(spool_.bytes, data);
}

TEST_F(SpoolWrites, AShortOrFailedWriteStopsTheOutputForGood) {
  for (bool short_write : {true, false}) {
    SCOPED_TRACE(short_write ? "short write" : "failed write");
    spool_ = {};
    pdev_->flags = 0;
    (short_write ? spool_.shortAt : spool_.failAt) = 2;
    std::vector<uint8_t> data(10000, 0x11);
    EXPECT_FALSE(SpoolWrite(stream(), data.data(), data.size()));
    EXPECT_EQ(pdev_->flags & kPdevOutputFailed, kPdevOutputFailed);
    EXPECT_EQ(spool_.calls, 2);
    // Nothing more goes out: the receiver already holds a cut-off block.
    EXPECT_FALSE(SpoolWrite(stream(), data.data(), 10));
    EXPECT_EQ(DlReserve(stream(), 4), nullptr);
    EXPECT_EQ(spool_.calls, 2);
  }
}

TEST_F(SpoolWrites, AFailedFlushDiscardsTheBufferedRecords) {
  spool_.failAt = 1;
  ASSERT_NE(DlReserve(stream(), 50000), nullptr);
  EXPECT_FALSE(DlFlush(stream()));
  EXPECT_EQ(stream()->last, stream()->head);
  EXPECT_EQ(DlBlockUsed(stream()->head), 0u);
  EXPECT_TRUE(pdev_->flags & kPdevOutputFailed);
}

TEST_F(SpoolWrites, WithoutAModuleTheBytesAreDropped) {
  stream()->spoolModule = nullptr;
  stream()->spoolWrite = nullptr;
  ASSERT_NE(DlReserve(stream(), 100), nullptr);
  EXPECT_TRUE(DlFlush(stream()));
  EXPECT_TRUE(SpoolWrite(stream(), "abc", 3));
  EXPECT_EQ(spool_.calls, 0);
  EXPECT_EQ(pdev_->flags & kPdevOutputFailed, 0u);
}

TEST_F(SpoolWrites, AModuleWithoutItsWriteEntryFailsInsteadOfDroppingTheJob) {
  stream()->spoolWrite = nullptr;
  EXPECT_FALSE(SpoolWrite(stream(), "abc", 3));
  EXPECT_TRUE(pdev_->flags & kPdevOutputFailed);
  ASSERT_EQ(DlReserve(stream(), 8), nullptr);
}

TEST_F(SpoolWrites, PassThroughPageOneSendsNoRecords) {
  pdev_->passThrough = 1;
  pdev_->pageCount = 1;
  ASSERT_NE(DlEndPage(stream()), nullptr);
  EXPECT_TRUE(DlFlush(stream()));
  EXPECT_TRUE(spool_.bytes.empty());
  EXPECT_EQ(stream()->last, stream()->head);  // discarded all the same
  EXPECT_EQ(DlBlockUsed(stream()->head), 0u);
  pdev_->pageCount = 2;
  ASSERT_NE(DlEndPage(stream()), nullptr);
  EXPECT_TRUE(DlFlush(stream()));
  EXPECT_EQ(spool_.bytes, Hex("f5000000 04000000 61000000"));
}

// ---- command-text blocks -------------------------------------------------------------------

struct BuilderState {
  int calls = 0;
};
BuilderState g_builder;

int32_t HelloText(DriverContext*, CommandTextSink* sink) {
  ++g_builder.calls;
  // Different text at every call, like a clock: what is written must be
  // exactly what one build produced.
  std::string text = "@PJL SET X = " + std::to_string(g_builder.calls) + "\r\n";
  return CommandTextAppend(sink, text.c_str()) ? int32_t(text.size()) : -1;
}
int32_t FailingText(DriverContext*, CommandTextSink* sink) {
  CommandTextAppend(sink, "partial");
  return -1;
}
int32_t EmptyText(DriverContext*, CommandTextSink*) { return 0; }
int32_t LongText(DriverContext*, CommandTextSink* sink) {
  std::string text(5000, 'A');
  return CommandTextAppend(sink, text.c_str()) ? 5000 : -1;
}

using CommandBlocks = GrTest;

TEST_F(CommandBlocks, HeaderThenTheTextBuiltOnce) {
  g_builder = {};
  ASSERT_TRUE(JobWriteJobStart(stream(), nullptr, HelloText));
  EXPECT_EQ(g_builder.calls, 1);
  std::vector<uint8_t> want = Hex("f3000000 0f000000");
  const std::string text = "@PJL SET X = 1\r\n";
  want.insert(want.end(), text.begin(), text.end());
  want[4] = uint8_t(text.size());
  EXPECT_EQ(spool_.bytes, want);
  EXPECT_EQ(spool_.chunks, (std::vector<uint32_t>{uint32_t(want.size())}));  // one write
}

TEST_F(CommandBlocks, PageStartAddsTheEmptyHeaderEndBlockAndPageEndIsF1) {
  ASSERT_TRUE(JobWritePageStart(stream(), nullptr, EmptyText));
  ASSERT_TRUE(JobWritePageEnd(stream(), nullptr, EmptyText));
  EXPECT_EQ(spool_.bytes, Hex("f4000000 00000000 f0000000 00000000 f1000000 00000000"));
}

TEST_F(CommandBlocks, ABuilderFailureOrARefusedBufferWritesNothing) {
  EXPECT_FALSE(JobWriteCommandBlock(stream(), nullptr, kBlockPageStart, FailingText));
  EXPECT_FALSE(JobWritePageStart(stream(), nullptr, FailingText));  // and no 0xF0 either
  EXPECT_FALSE(JobWriteJobStart(stream(), nullptr, nullptr));
  plat::FailNth("GlobalAlloc", 1);
  EXPECT_FALSE(JobWriteJobStart(stream(), nullptr, HelloText));
  plat::FailNth("GlobalAlloc", 2);  // when the text outgrows its first buffer
  EXPECT_FALSE(JobWriteJobStart(stream(), nullptr, LongText));
  EXPECT_TRUE(spool_.bytes.empty());
  EXPECT_EQ(pdev_->flags & kPdevOutputFailed, 0u);
}

TEST_F(CommandBlocks, LongTextGoesOutIn4096ByteChunks) {
  ASSERT_TRUE(JobWritePageEnd(stream(), nullptr, LongText));
  EXPECT_EQ(spool_.chunks, (std::vector<uint32_t>{4096, 912}));
  EXPECT_EQ(grtest::Span(spool_.bytes.data(), 8), Hex("f1000000 88130000"));
}

TEST_F(CommandBlocks, AFailedWriteFailsTheBlock) {
  spool_.failAt = 1;
  EXPECT_FALSE(JobWritePageStart(stream(), nullptr, EmptyText));
  EXPECT_EQ(spool_.calls, 1);  // no 0xF0 after the failure
}

}  // namespace
