// The job stream and the display-list buffer.
//
// Everything the graphics library sends to the printer is one byte stream
// handed, chunk by chunk, to the spool-side output module. The stream is a
// sequence of framed blocks, each {u8 kind, 3 reserved bytes (0), u32 length}
// followed by length bytes: command text (job start, page start, page end)
// or display-list data.
//
// Display-list records are built in place in a chain of buffer blocks (the
// first one inside the stream record, the others from the PDEV pool) and go
// out as data blocks when more than 1 MiB is held and a new block is needed,
// and at the end of each page.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "gr2k/spool_api.h"
#include "plat/wintypes.h"

struct Pdev;
struct GrPool;
struct DriverContext;

// ---- block frame ----------------------------------------------------------------
inline constexpr uint8_t kBlockJobStart = 0xF3;       // job start text, or the job-name line
inline constexpr uint8_t kBlockPageStart = 0xF4;      // page start text
inline constexpr uint8_t kBlockPageHeaderEnd = 0xF0;  // end of the page header, always empty
inline constexpr uint8_t kBlockData = 0xF5;           // display-list records
inline constexpr uint8_t kBlockPageEnd = 0xF1;        // page end text
inline constexpr uint32_t kBlockHeaderBytes = 8;

// ---- buffer --------------------------------------------------------------------------
inline constexpr uint64_t kDlBlockUnit = 10240;         // data areas are multiples of this
inline constexpr uint64_t kDlFlushThreshold = 0x100000;  // 1 MiB
inline constexpr uint32_t kSpoolChunkBytes = 4096;       // largest single write to the module

// A buffer block: header, then its data area up to end.
struct alignas(16) DlBlock {
  DlBlock* next;
  uint8_t* pos;  // write position
  uint8_t* end;  // end of the data area
  uint8_t* Data() { return reinterpret_cast<uint8_t*>(this + 1); }
  const uint8_t* Data() const { return reinterpret_cast<const uint8_t*>(this + 1); }
};
static_assert(sizeof(DlBlock) == 32, "block data starts 16-byte aligned");

// The first block lives inside the stream record.
struct DlFirstBlock {
  DlBlock header;
  uint8_t data[kDlBlockUnit];
};
static_assert(offsetof(DlFirstBlock, data) == sizeof(DlBlock), "data area follows the header");

struct DisplayListStream {
  HANDLE printer;
  Pdev* pdev;  // back pointer: pool, flags, page counter
  DlFirstBlock first;
  DlBlock* head;  // always &first.header
  DlBlock* last;  // where records are added
  uint64_t reservedBytes;  // since the last flush
  uint64_t reservations;   // since the last flush
  uint64_t flushes;        // flushes since the stream was made (for marks)
  // A few emptied pool blocks kept for reuse, so that a page of large
  // records does not take and give back megabytes from the system at every
  // flush. Only a block of exactly the capacity a reservation asks for is
  // reused, so the blocks written are the same either way.
  DlBlock* spare;
  uint32_t spareCount;
  // Binding of the spool-side output module for the current document.
  HMODULE spoolModule;
  HANDLE spoolDocument;
  SplWritePrinterFn spoolWrite;
};

// Empties the buffer: the first block becomes the only one, at its start;
// both counters 0. Every other block goes back to the pool.
void DlInit(DisplayListStream* stream);

// Room for length bytes at the end of the buffer, or null (pool exhausted, a
// needed flush failed, or output has failed already). A reservation that
// reaches or passes the end of the last block takes a new block of
// ((length - 1) / 10240 + 1) * 10240 data bytes, flushing first when more than
// 1 MiB was reserved since the last flush.
uint8_t* DlReserve(DisplayListStream* stream, uint64_t length);

// Gives back the unused end of the last reservation: the write position
// becomes end rounded up to a multiple of 4; the padding is zeroed. An end
// outside the last block's used area is ignored.
void DlTrim(DisplayListStream* stream, uint8_t* end);

// Writes every buffered block as a data block (none on page 1 of a
// pass-through job) and empties the buffer, even when the write fails.
BOOL DlFlush(DisplayListStream* stream);

// Writes raw bytes to the spool-side module in chunks of at most 4096
// bytes. A failed or short write sets the output-failed flag of the PDEV and
// fails; once it is set nothing more is written. Without a bound module the
// bytes are dropped and the call succeeds; a module bound without its write
// entry fails.
BOOL SpoolWrite(DisplayListStream* stream, const void* bytes, uint64_t length);

uint64_t DlBlockCapacity(const DlBlock* block);
uint64_t DlBlockUsed(const DlBlock* block);

// A point in the buffer to which a half-written record can be taken back,
// as long as no flush has happened since.
struct DlMark {
  DlBlock* block;
  uint8_t* pos;
  uint64_t reservedBytes;
  uint64_t reservations;
  uint64_t flushes;
};
DlMark DlTakeMark(const DisplayListStream* stream);
// Drops everything reserved after the mark; false (and nothing changed) when
// a flush came in between.
bool DlRollback(DisplayListStream* stream, const DlMark& mark);

// ---- command-text blocks -------------------------------------------------------------
// Where a command-text builder puts its text: a buffer in the PDEV pool that
// grows as text is appended. The text is built once and the block is written
// from exactly what was built.
struct CommandTextSink {
  GrPool* pool;
  uint8_t* buffer;  // starts with room for the block header
  uint64_t used;
  uint64_t capacity;
  bool failed;  // an allocation failed; the text is incomplete
};
bool CommandTextAppend(CommandTextSink* sink, const void* bytes, uint64_t length);
inline bool CommandTextAppend(CommandTextSink* sink, const char* text) {
  return CommandTextAppend(sink, text, std::strlen(text));
}

// Appends the text of one command group for the context; a negative result
// is a failure.
using CommandTextBuilder = int32_t (*)(DriverContext* context, CommandTextSink* sink);

// One block {kind, text length} + text, written in one go. A builder failure,
// an allocation failure, a text longer than the 32-bit length field or a
// failed write gives FALSE; only a failed write leaves anything in the stream.
BOOL JobWriteCommandBlock(DisplayListStream* stream, DriverContext* context, uint8_t kind,
                          CommandTextBuilder builder);
// 0xF3 with the job-start text.
BOOL JobWriteJobStart(DisplayListStream* stream, DriverContext* context, CommandTextBuilder job_start);
// 0xF4 with the page-start text, then the empty 0xF0 block.
BOOL JobWritePageStart(DisplayListStream* stream, DriverContext* context, CommandTextBuilder page_start);
// 0xF1 with the page-end text.
BOOL JobWritePageEnd(DisplayListStream* stream, DriverContext* context, CommandTextBuilder page_end);

