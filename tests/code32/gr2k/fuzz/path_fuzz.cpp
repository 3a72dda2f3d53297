// The path encoder with arbitrary PATHOBJ batches: any flags, point counts
// (Bezier batches that are not whole curves, subpaths without points), a
// curve count that lies, any use and batch limit. The encoder must either
// write records the job-stream reader accepts or write nothing at all.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "eng/objects.h"
#include "gr2k/pdev.h"
#include "gr2k/vector.h"
#include "jobreader/jobreader.h"

namespace {

struct Reader {
  const uint8_t* p;
  size_t n;
  uint8_t Byte() {
    if (n == 0) return 0;
    --n;
    return *p++;
  }
  uint32_t Word() {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= uint32_t(Byte()) << (8 * i);
    return v;
  }
};

uint64_t Buffered(Pdev* pdev) {
  uint64_t n = 0;
  for (DlBlock* b = pdev->stream.head; b; b = b->next) n += DlBlockUsed(b);
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Reader in{data, size};
  const uint8_t use = in.Byte() % 6;
  const uint8_t batch_limit = in.Byte() % 8;
  const uint32_t curves = in.Word();
  std::vector<eng::PathBatch> batches;
  while (in.n > 0 && batches.size() < 64) {
    eng::PathBatch b;
    b.flags = in.Byte() & 0x1F;
    const uint8_t count = in.Byte() % 12;
    for (uint8_t i = 0; i < count; ++i) {
      const int32_t x = int32_t(in.Word());
      const int32_t y = int32_t(in.Word());
      b.pts.push_back(POINTFIX{x, y});
    }
    batches.push_back(std::move(b));
  }
  Pdev* pdev = PdevCreate(nullptr);
  if (!pdev) return 0;
  eng::PathObject path(batches, curves);
  if (path.get()) {
    path.SetBatchPoints(batch_limit);
    const BOOL ok = GpathWrite(pdev, path.get(), use);
    const uint64_t used = Buffered(pdev);
    if (!ok && used != 0) std::abort();  // a failed write leaves nothing behind
    if (ok && used != 0) {
      std::vector<uint8_t> bytes;
      for (DlBlock* b = pdev->stream.head; b; b = b->next) bytes.insert(bytes.end(), b->Data(), b->pos);
      std::vector<jobread::Record> records;
      jobread::Error error;
      if (!jobread::ReadRecords(bytes.data(), bytes.size(), &records, &error)) std::abort();
    }
  }
  PdevDestroy(pdev);
  return 0;
}
