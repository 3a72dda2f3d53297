// DrvEscape with any code, input and output size: buffers are heap blocks of
// exactly the sizes passed (so AddressSanitizer sees any access past them);
// a failed escape leaves the output as it was, and a pass-through escape
// sends exactly the bytes it counted.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "eng/ddi.h"
#include "gr2k/ddi_entries.h"
#include "gr2k/doc.h"
#include "gr2k/pdev.h"
#include "velm/context.h"
#include "velm/devmode.h"
#include "velm/settings.h"

namespace {

uint64_t g_sent = 0;

BOOL CountWrite(HANDLE, LPVOID, DWORD count, DWORD* written) {
  g_sent += count;
  *written = count;
  return TRUE;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 5) return 0;
  const ULONG code = ULONG((data[0] | data[1] << 8) % 200);
  const uint8_t flags = data[2];
  const ULONG out_size = ULONG((data[3] | data[4] << 8) % 300);
  std::vector<uint8_t> in(data + 5, data + size);

  Pdev* pdev = PdevCreate(nullptr);
  DriverContext* ctx = CtxOpenKind(nullptr, nullptr, 4, kOpenEntryPoint);
  if (!pdev || !ctx) std::abort();
  ctx->devmode = static_cast<uint8_t*>(MemAllocZeroed(kWorkBufferSize));
  pdev->context = ctx;
  pdev->spoolDllName = u"VELMOUT1.DLL";
  pdev->passThrough = flags & 1;
  pdev->pageCount = 2;
  if (flags & 2) pdev->flags |= kPdevPageOpen;
  pdev->stream.spoolModule = reinterpret_cast<HMODULE>(&g_sent);
  pdev->stream.spoolWrite = CountWrite;
  g_sent = 0;

  SURFOBJ so{};
  so.dhpdev = pdev;
  std::vector<uint8_t> out(out_size, 0xA5);
  const std::vector<uint8_t> before = out;
  const ULONG result = DrvEscape(&so, code, ULONG(in.size()), in.empty() ? nullptr : in.data(), out_size,
                                 out.empty() ? nullptr : out.data());
  if ((result == 0 || result == kEscFailed) && out != before) std::abort();  // a failure changed the output
  if (code == kEscPassThrough && result != kEscFailed) {
    uint16_t n = 0;
    std::memcpy(&n, in.data(), 2);
    if (result != n || g_sent != (pdev->passThrough ? n : 0)) std::abort();
  }
  if (code != kEscPassThrough && g_sent != 0) std::abort();

  MemFree(ctx->devmode);
  ctx->devmode = nullptr;
  CtxCloseAs(ctx, kCloseDestroy);
  PdevDestroy(pdev);
  return 0;
}
