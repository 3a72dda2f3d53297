// The display-list buffer, the writes to the spool-side module and the
// command-text blocks of the job stream.
#include "gr2k/dlstream.h"

#include <algorithm>
#include <cstring>

#include "gr2k/pdev.h"
#include "le.h"
#include "plat/kernel.h"

using namespace gr2k_le;

namespace {

GrPool* PoolOf(const DisplayListStream* stream) { return stream->pdev ? stream->pdev->pool : nullptr; }

bool OutputFailed(const DisplayListStream* stream) {
  return stream->pdev && (stream->pdev->flags & kPdevOutputFailed);
}

void MarkOutputFailed(DisplayListStream* stream) {
  if (stream->pdev) stream->pdev->flags |= kPdevOutputFailed;
}

constexpr uint32_t kMaxSpareBlocks = 4;
constexpr uint64_t kMaxSpareCapacity = 2 * kDlFlushThreshold;

// Unlinks the blocks behind keep; with recycle, small ones are kept as spares.
void FreeBlocksAfter(DisplayListStream* stream, DlBlock* keep, bool recycle) {
  DlBlock* block = keep->next;
  keep->next = nullptr;
  GrPool* pool = PoolOf(stream);
  while (block) {
    DlBlock* next = block->next;
    if (recycle && stream->spareCount < kMaxSpareBlocks && DlBlockCapacity(block) <= kMaxSpareCapacity) {
      block->next = stream->spare;
      stream->spare = block;
      ++stream->spareCount;
    } else {
      GrPoolFree(pool, block);
    }
    block = next;
  }
}

void FreeSpares(DisplayListStream* stream) {
  while (DlBlock* block = stream->spare) {
    stream->spare = block->next;
    GrPoolFree(PoolOf(stream), block);
  }
  stream->spareCount = 0;
}

DlBlock* TakeSpare(DisplayListStream* stream, uint64_t capacity) {
  for (DlBlock** link = &stream->spare; *link; link = &(*link)->next) {
    DlBlock* block = *link;
    if (DlBlockCapacity(block) == capacity) {
      *link = block->next;
      --stream->spareCount;
      return block;
    }
  }
  return nullptr;
}

// The first block becomes the only one, at its start; both counters 0.
void ResetBuffer(DisplayListStream* stream, bool recycle) {
  DlBlock* first = &stream->first.header;
  FreeBlocksAfter(stream, first, recycle);
  first->pos = stream->first.data;
  first->end = stream->first.data + kDlBlockUnit;
  stream->head = first;
  stream->last = first;
  stream->reservedBytes = 0;
  stream->reservations = 0;
}

void WriteBlockHeader(uint8_t* p, uint8_t kind, uint32_t length) {
  Put8(p, kind);
  Put8(p + 1, 0);
  Put16(p + 2, 0);
  Put32(p + 4, length);
}

// One data block per buffer block, from the first; stops at the first failure.
BOOL WriteBlocks(DisplayListStream* stream) {
  const Pdev* pdev = stream->pdev;
  if (pdev && pdev->passThrough && pdev->pageCount == 1) return TRUE;  // page 1 is the application's
  for (DlBlock* block = stream->head; block; block = block->next) {
    uint64_t used = DlBlockUsed(block);
    if (used > UINT32_MAX) return FALSE;  // DlReserve never lets a block grow so far
    uint8_t header[kBlockHeaderBytes];
    WriteBlockHeader(header, kBlockData, uint32_t(used));
    if (!SpoolWrite(stream, header, sizeof header)) return FALSE;
    if (!SpoolWrite(stream, block->Data(), used)) return FALSE;
  }
  return TRUE;
}

}  // namespace

uint64_t DlBlockCapacity(const DlBlock* block) { return uint64_t(block->end - block->Data()); }
uint64_t DlBlockUsed(const DlBlock* block) { return uint64_t(block->pos - block->Data()); }

void DlInit(DisplayListStream* stream) {
  ResetBuffer(stream, false);
  FreeSpares(stream);
}

uint8_t* DlReserve(DisplayListStream* stream, uint64_t length) {
  if (OutputFailed(stream)) return nullptr;
  // A block is written with a 32-bit length, so no reservation, and no block,
  // may pass that.
  if (length > UINT32_MAX) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  DlBlock* last = stream->last;
  uint64_t room = uint64_t(last->end - last->pos);
  if (length >= room || DlBlockUsed(last) + length > UINT32_MAX) {
    if (stream->reservedBytes > kDlFlushThreshold && !DlFlush(stream)) return nullptr;
    uint64_t units = length == 0 ? 1 : (length - 1) / kDlBlockUnit + 1;
    uint64_t capacity = units * kDlBlockUnit;
    DlBlock* block = TakeSpare(stream, capacity);
    if (!block) block = static_cast<DlBlock*>(GrPoolAllocUninit(PoolOf(stream), sizeof(DlBlock) + capacity));
    if (!block) return nullptr;
    block->next = nullptr;
    block->pos = block->Data();
    block->end = block->Data() + capacity;
    stream->last->next = block;
    stream->last = block;
  }
  uint8_t* at = stream->last->pos;
  stream->last->pos += length;
  stream->reservedBytes += length;
  ++stream->reservations;
  return at;
}

void DlTrim(DisplayListStream* stream, uint8_t* end) {
  DlBlock* last = stream->last;
  if (!end || end < last->Data() || end > last->pos) return;
  uint64_t offset = RoundUp4(uint64_t(end - last->Data()));
  uint8_t* pos = last->Data() + std::min(offset, DlBlockCapacity(last));
  std::memset(end, 0, size_t(pos - end));
  last->pos = pos;
}

BOOL DlFlush(DisplayListStream* stream) {
  DlBlock* head = stream->head;
  if (head == stream->last && head->pos == head->Data()) return TRUE;  // nothing buffered
  BOOL ok = WriteBlocks(stream);
  ResetBuffer(stream, true);  // the buffered records are gone either way
  ++stream->flushes;
  return ok;
}

BOOL SpoolWrite(DisplayListStream* stream, const void* bytes, uint64_t length) {
  // After a failed write the receiver holds a cut-off block; anything more
  // would be read out of step.
  if (OutputFailed(stream)) return FALSE;
  if (!stream->spoolModule) return TRUE;  // no output module: nowhere to send
  if (!stream->spoolWrite) {
    MarkOutputFailed(stream);
    SetLastError(ERROR_PROC_NOT_FOUND);
    return FALSE;
  }
  const uint8_t* p = static_cast<const uint8_t*>(bytes);
  while (length > 0) {
    DWORD chunk = DWORD(std::min<uint64_t>(length, kSpoolChunkBytes));
    DWORD written = 0;
    BOOL ok = stream->spoolWrite(stream->spoolDocument, const_cast<uint8_t*>(p), chunk, &written);
    if (!ok || written < chunk) {
      MarkOutputFailed(stream);
      return FALSE;
    }
    p += chunk;
    length -= chunk;
  }
  return TRUE;
}

DlMark DlTakeMark(const DisplayListStream* stream) {
  return {stream->last, stream->last->pos, stream->reservedBytes, stream->reservations, stream->flushes};
}

bool DlRollback(DisplayListStream* stream, const DlMark& mark) {
  if (mark.flushes != stream->flushes) return false;
  FreeBlocksAfter(stream, mark.block, false);
  mark.block->pos = mark.pos;
  stream->last = mark.block;
  stream->reservedBytes = mark.reservedBytes;
  stream->reservations = mark.reservations;
  return true;
}

// ---- command-text blocks -------------------------------------------------------------

bool CommandTextAppend(CommandTextSink* sink, const void* bytes, uint64_t length) {
  if (sink->failed) return false;
  if (length > sink->capacity - sink->used) {
    uint64_t want = sink->used + length;
    if (want < sink->used || want > UINT32_MAX + uint64_t(kBlockHeaderBytes)) {
      sink->failed = true;  // no block could carry it
      return false;
    }
    uint64_t capacity = std::max<uint64_t>({want, sink->capacity * 2, 1024});
    auto* grown = static_cast<uint8_t*>(GrPoolAlloc(sink->pool, capacity));
    if (!grown) {
      sink->failed = true;
      return false;
    }
    if (sink->used) std::memcpy(grown, sink->buffer, size_t(sink->used));
    GrPoolFree(sink->pool, sink->buffer);
    sink->buffer = grown;
    sink->capacity = capacity;
  }
  if (length) std::memcpy(sink->buffer + sink->used, bytes, size_t(length));
  sink->used += length;
  return true;
}

BOOL JobWriteCommandBlock(DisplayListStream* stream, DriverContext* context, uint8_t kind,
                          CommandTextBuilder builder) {
  if (!builder || !PoolOf(stream)) return FALSE;
  CommandTextSink sink{PoolOf(stream), nullptr, 0, 0, false};
  const uint8_t header_room[kBlockHeaderBytes] = {};
  BOOL ok = FALSE;
  if (CommandTextAppend(&sink, header_room, sizeof header_room)) {
    int32_t result = builder(context, &sink);
    uint64_t text = sink.used - kBlockHeaderBytes;
    if (result >= 0 && !sink.failed && text <= UINT32_MAX) {
      WriteBlockHeader(sink.buffer, kind, uint32_t(text));
      ok = SpoolWrite(stream, sink.buffer, sink.used);
    }
  }
  GrPoolFree(sink.pool, sink.buffer);
  return ok;
}

BOOL JobWriteJobStart(DisplayListStream* stream, DriverContext* context, CommandTextBuilder job_start) {
  return JobWriteCommandBlock(stream, context, kBlockJobStart, job_start);
}

BOOL JobWritePageStart(DisplayListStream* stream, DriverContext* context, CommandTextBuilder page_start) {
  if (!JobWriteCommandBlock(stream, context, kBlockPageStart, page_start)) return FALSE;
  uint8_t header_end[kBlockHeaderBytes];
  WriteBlockHeader(header_end, kBlockPageHeaderEnd, 0);
  return SpoolWrite(stream, header_end, sizeof header_end);
}

BOOL JobWritePageEnd(DisplayListStream* stream, DriverContext* context, CommandTextBuilder page_end) {
  return JobWriteCommandBlock(stream, context, kBlockPageEnd, page_end);
}
