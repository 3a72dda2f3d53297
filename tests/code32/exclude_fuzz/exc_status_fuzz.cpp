// libFuzzer target: arbitrary status records written through
// VELMDrvSetStatus to a handle on a printer of the reference model. Input:
// byte 0 picks the item (every id, and ids outside 1-35), byte 1 the record
// version (-1 to 5), byte 2 the mode, byte 3 whether a mask is asked; the
// rest fills the record, which is allocated at the exact size of that item
// and version so that any read past a field or the record shows. Text fields
// are left as the input has them: terminated or not.
//
// Invariants: the answer is -1, 0 or the item's version; a refused write
// leaves the handle's work buffer byte for byte as it was and the mask zero;
// no printer stays open; a read of the item answers its record size or -1.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "exc_fuzz_machine.h"
#include "status/status.h"
#include "velm/context.h"
#include "velm/devmode.h"
#include "velmpd4.h"

namespace {

using exc_fuzz::Check;

VELMDrvHandle* g_handle = nullptr;

bool Setup() {
  if (!exc_fuzz::InstallOffice("velm-status-fuzz", VELM_STATUS_FUZZ_MODEL)) return false;
  g_handle = VELMDrvEnable("Office");
  return g_handle != nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool ready = Setup();
  Check(ready, "fixture machine and handle");
  if (size < 4) return 0;
  const int32_t id = int32_t(data[0] % 38);  // 0-37: every item and a few outside
  const int32_t version = int32_t(data[1] % 7) - 1;
  const int32_t mode = int32_t(data[2] % 4);
  const bool with_mask = (data[3] & 1) != 0;
  data += 4;
  size -= 4;
  const size_t bytes = StatusRecordBytes(id, version);
  std::unique_ptr<uint8_t[]> record(new uint8_t[bytes]);
  std::memset(record.get(), 0, bytes);
  std::memcpy(record.get() + 4, data, std::min(size, bytes - 4));
  std::memcpy(record.get(), &version, 4);

  auto* ctx = reinterpret_cast<DriverContext*>(g_handle);
  const std::vector<uint8_t> before(ctx->devmode, ctx->devmode + dm::kWorkBufferSize);
  uint8_t mask[VELM_STATUS_MASK_BYTES];
  std::memset(mask, 0xA5, sizeof mask);
  const int32_t r = VELMDrvSetStatus(g_handle, id, record.get(), with_mask ? mask : nullptr, mode);
  const int32_t row_version = id == 16 ? 2 : 3;
  Check(r == -1 || r == 0 || r == row_version, "set answer");
  Check(ctx->printer == nullptr && ctx->queryPrinter == nullptr, "no printer left open");
  if (r == -1) {
    const bool early = id < 1 || id > 35;
    Check(early || std::memcmp(before.data(), ctx->devmode, before.size()) == 0, "a refused write changes nothing");
    if (with_mask && !early) Check(std::count(mask, mask + sizeof mask, 0) == int(sizeof mask), "mask zero on refusal");
  }
  if (r == row_version && mode == VELM_STATUS_CHECK_VERSION)
    Check(std::memcmp(before.data(), ctx->devmode, before.size()) == 0, "a version check writes nothing");
  uint8_t out[816];
  std::memset(out, 0, sizeof out);
  const int32_t size_read = VELMDrvGetStatus(g_handle, id, out, id == 16 ? 0 : version);
  Check(size_read == -1 || size_read == 32 || size_read == 372 || size_read == 392 || size_read == 412 ||
            size_read == 816,
        "get answer");
  Check(ctx->printer == nullptr, "no printer left open after a read");
  return 0;
}
