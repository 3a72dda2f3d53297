// The image record (0x20): a 56-byte header, the palette (3 bytes an entry)
// and the rows, each padded to 4 bytes. After a two-entry palette (62 bytes
// in all) the rows follow without a gap and the record ends with 2 zero
// bytes, so the row area is treated as one byte run that is cut into
// reservations wherever it suits.
#include <algorithm>
#include <cassert>
#include <cstring>

#include "gr2k/dlrecords.h"
#include "gr2k/pdev.h"
#include "le.h"
#include "plat/kernel.h"

using namespace gr2k_le;

namespace {

constexpr uint64_t kHeaderBytes = 56;
constexpr uint64_t kChunkBytes = 0x100000;

struct ImagePlan {
  uint64_t srcRowBytes;  // distance of the source rows
  uint64_t rowBytes;     // a row in the record
  uint64_t headBytes;    // header and palette
  uint64_t rowAreaBytes;  // rows and the closing padding
  uint64_t recordBytes;
  uint32_t paletteEntries;
  uint8_t byte1, byte2, byte3;
  bool grey;  // 24-bit source rows written as 8-bit grey
};

uint32_t BitsOfDepth(uint32_t depth_code) {
  switch (depth_code) {
    case kImageDepth1: return 1;
    case kImageDepth4: return 4;
    case kImageDepth8: return 8;
    case kImageDepth24: return 24;
    default: return 0;
  }
}

bool FitsI32(int64_t v) { return v >= INT32_MIN && v <= INT32_MAX; }

bool MonochromeDevice(const Pdev* pdev) { return pdev && (pdev->machineColor == 0 || pdev->color == 1); }

bool MakePlan(const DisplayListStream* stream, const DlImageSource& src, bool allow_grey, ImagePlan* plan) {
  const Pdev* pdev = stream->pdev;
  *plan = {};
  if (!src.firstRow) return false;
  if (!FitsI32(int64_t(src.dstLeft) + src.dstWidth) || !FitsI32(int64_t(src.dstTop) + src.dstHeight)) return false;
  plan->byte2 = uint8_t((src.format & 0xFF) & ~kImageNoPalette) | (src.palette ? 0 : kImageNoPalette);
  plan->byte3 = uint8_t(src.format >> 8) | ((pdev && pdev->rasterMode) ? 0x04 : 0);
  plan->byte1 = uint8_t(src.format >> 16);
  const uint32_t depth = plan->byte2 & 0x0F;
  plan->srcRowBytes = DlImageRowBytes(src.width, depth);
  if (plan->srcRowBytes == 0) return false;
  plan->rowBytes = plan->srcRowBytes;
  if (src.palette) {
    if (depth == kImageDepth1) plan->paletteEntries = 2;
    if (depth == kImageDepth4) plan->paletteEntries = 16;
    if (depth == kImageDepth8 && !(plan->byte2 & kImageGrey)) plan->paletteEntries = 256;
  }
  // Plain 24-bit data for a device that prints only black goes out as grey
  // levels: a third of the bytes.
  if (allow_grey && src.format == kImageDepth24 && MonochromeDevice(pdev)) {
    plan->grey = true;
    plan->byte2 = uint8_t((plan->byte2 & 0xE0) | kImageGrey | kImageDepth8);
    plan->paletteEntries = 0;
    plan->rowBytes = DlImageRowBytes(src.width, kImageDepth8);
  }
  plan->headBytes = kHeaderBytes + 3 * uint64_t(plan->paletteEntries);
  if (plan->srcRowBytes > UINT32_MAX) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  const uint64_t rows_bytes = uint64_t(src.rows) * plan->rowBytes;  // both below 2^32: no overflow
  plan->recordBytes = RoundUp4(plan->headBytes + rows_bytes);
  plan->rowAreaBytes = plan->recordBytes - plan->headBytes;
  if (plan->recordBytes > UINT32_MAX) {
    SetLastError(ERROR_INVALID_PARAMETER);  // the size field cannot hold it
    return false;
  }
  return true;
}

void WriteHeader(const ImagePlan& plan, const DlImageSource& src, uint8_t* rec) {
  Put8(rec, kOpImage);
  Put8(rec + 1, plan.byte1);
  Put8(rec + 2, plan.byte2);
  Put8(rec + 3, plan.byte3);
  Put32(rec + 4, uint32_t(plan.recordBytes));
  PutI32(rec + 8, src.dstLeft);
  PutI32(rec + 12, src.dstTop);
  PutI32(rec + 16, src.dstLeft + src.dstWidth);
  PutI32(rec + 20, src.dstTop + src.dstHeight);
  PutI32(rec + 24, src.srcX);
  PutI32(rec + 28, src.srcY);
  Put32(rec + 32, src.width);
  Put32(rec + 36, src.rows);
  PutI32(rec + 40, src.dstLeft);
  PutI32(rec + 44, src.dstTop);
  PutI32(rec + 48, src.dstWidth);
  PutI32(rec + 52, src.dstHeight);
  uint8_t* p = rec + kHeaderBytes;
  for (uint32_t i = 0; i < plan.paletteEntries; ++i, p += 3) std::memcpy(p, src.palette + 4 * i, 3);
}

const uint8_t* SourceRow(const ImagePlan& plan, const DlImageSource& src, uint64_t row) {
  const uint64_t step = row * plan.srcRowBytes;
  return src.bottomUp ? src.firstRow - step : src.firstRow + step;
}

void GreyRow(const uint8_t* bgr, uint32_t width, uint8_t* out, uint64_t out_bytes) {
  for (uint32_t x = 0; x < width; ++x, bgr += 3) {
    out[x] = uint8_t((306u * bgr[2] + 601u * bgr[1] + 117u * bgr[0]) >> 10);
  }
  std::memset(out + width, 0, size_t(out_bytes - width));
}

// Writes bytes [from, to) of the row area: the rows one after another, then
// zeros up to the end of the record.
void FillRowArea(const ImagePlan& plan, const DlImageSource& src, uint64_t from, uint64_t to, uint8_t* out) {
  const uint64_t row_bytes = plan.rowBytes;
  while (from < to) {
    const uint64_t row = from / row_bytes;
    const uint64_t in_row = from % row_bytes;
    const uint64_t n = std::min(row_bytes - in_row, to - from);
    if (row >= src.rows) {
      std::memset(out, 0, size_t(n));
    } else if (plan.grey) {
      assert(in_row == 0 && n == row_bytes);  // grey records have no palette, so no shifted rows
      GreyRow(SourceRow(plan, src, row), src.width, out, row_bytes);
    } else {
      std::memcpy(out, SourceRow(plan, src, row) + in_row, size_t(n));
    }
    out += n;
    from += n;
  }
}

// A record that cannot be finished must not stay in the stream: take it
// back, or, when part of it has been written out already, stop the output.
BOOL Abandon(DisplayListStream* stream, const DlMark& mark) {
  if (!DlRollback(stream, mark) && stream->pdev) stream->pdev->flags |= kPdevOutputFailed;
  return FALSE;
}

// The header (with the first bytes of the row area when a two-entry palette
// leaves the header 2 bytes short of a multiple of 4), then the rows in
// reservations of rows_per_chunk rows; when one fails the record goes on one
// row per reservation.
BOOL WriteInChunks(DisplayListStream* stream, const DlImageSource& src, const ImagePlan& plan,
                   uint64_t rows_per_chunk) {
  const DlMark mark = DlTakeMark(stream);
  const uint64_t lead = RoundUp4(plan.headBytes) - plan.headBytes;
  uint8_t* rec = DlReserve(stream, plan.headBytes + lead);
  if (!rec) return FALSE;  // nothing written
  WriteHeader(plan, src, rec);
  FillRowArea(plan, src, 0, lead, rec + plan.headBytes);
  uint64_t done = lead;  // bytes of the row area written
  uint64_t row = 0;
  while (done < plan.rowAreaBytes) {
    const uint64_t rows = std::min<uint64_t>(rows_per_chunk, src.rows > row ? src.rows - row : 0);
    uint64_t to = lead + (row + rows) * plan.rowBytes;
    if (row + rows >= src.rows) to = plan.rowAreaBytes;  // the last chunk takes the padding
    uint8_t* chunk = DlReserve(stream, to - done);
    if (!chunk) {
      if (rows_per_chunk == 1 || rows <= 1) return Abandon(stream, mark);
      rows_per_chunk = 1;
      continue;
    }
    FillRowArea(plan, src, done, to, chunk);
    done = to;
    row += rows;
  }
  return TRUE;
}

bool UsesWholeRecord(const Pdev* pdev) {
  return pdev && (pdev->printMethod == 5 || pdev->printMethod == 7 || pdev->apiUseFlag);
}

}  // namespace

uint64_t DlImageRowBytes(uint32_t width, uint32_t depth_code) {
  return (uint64_t(width) * BitsOfDepth(depth_code) + 31) / 32 * 4;
}

BOOL DlImage(DisplayListStream* stream, const DlImageSource& image) {
  if (UsesWholeRecord(stream->pdev)) return DlImageWhole(stream, image);
  ImagePlan plan;
  if (!MakePlan(stream, image, true, &plan)) return FALSE;
  return WriteInChunks(stream, image, plan, std::max<uint64_t>(1, kChunkBytes / plan.rowBytes));
}

BOOL DlImageWhole(DisplayListStream* stream, const DlImageSource& image) {
  ImagePlan plan;
  if (!MakePlan(stream, image, false, &plan)) return FALSE;
  uint8_t* rec = DlReserve(stream, plan.recordBytes);
  if (!rec) return FALSE;
  WriteHeader(plan, image, rec);
  FillRowArea(plan, image, 0, plan.rowAreaBytes, rec + plan.headBytes);
  return TRUE;
}

BOOL DlImageByRow(DisplayListStream* stream, const DlImageSource& image) {
  ImagePlan plan;
  if (!MakePlan(stream, image, false, &plan)) return FALSE;
  return WriteInChunks(stream, image, plan, 1);
}
