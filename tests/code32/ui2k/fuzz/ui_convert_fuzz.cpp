// libFuzzer target: any bytes as the input DEVMODE of DrvConvertDevMode for
// a printer of the small model, in every mode the spooler uses and a few it
// does not. The output must stay within the buffer the caller gave (guard
// bytes after it, and the sanitizers), an answer of TRUE must leave a
// DEVMODE that declares no more than that buffer, and the process-wide
// first-run flag must be 0 afterwards.
//
// Input: byte 0 picks the mode (low 2 bits: CDM_CONVERT, CDM_CONVERT351,
// CDM_DRIVER_DEFAULT, an unknown mode 3) and bit 2 a short output buffer;
// the rest is the input DEVMODE, padded with zeros to the size it declares
// (the caller owns that much).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "events/events.h"
#include "plat/le.h"
#include "plat/machine.h"
#include "plat/winspool.h"
#include "standin_machine.h"
#include "velm/context.h"
#include "velm/devmode.h"
#include "velm/library.h"

namespace {

constexpr size_t kGuard = 256;
constexpr uint8_t kGuardByte = 0xA5;

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
  }
}

void Setup() {
  std::string why;
  const std::string root_dir = test_support::MakeOfficeMachine("velm-convert-fuzz", VELM_CONVERT_FUZZ_MODEL, &why);
  Check(!root_dir.empty(), why.c_str());
  CommonProcessAttach(nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool ready = (Setup(), true);
  (void)ready;
  if (size < 1) return 0;
  static const DWORD kModes[] = {CDM_CONVERT, CDM_CONVERT351, CDM_DRIVER_DEFAULT, 3};
  const DWORD mode = kModes[data[0] & 3];
  const size_t capacity = (data[0] & 4) ? 200 : 1260;
  std::vector<uint8_t> input(data + 1, data + size);
  DEVMODEW* in = nullptr;
  if (input.size() >= 72) {
    size_t declared = size_t(plat::Get16(input.data() + 68)) + plat::Get16(input.data() + 70);
    if (input.size() < declared) input.resize(declared, 0);
    input.shrink_to_fit();
    in = reinterpret_cast<DEVMODEW*>(input.data());
  }
  std::vector<uint8_t> out(capacity + kGuard, kGuardByte);
  std::u16string name = u"Office";
  LONG needed = LONG(capacity);
  BOOL r = UiConvertDevMode(name.data(), in, reinterpret_cast<DEVMODEW*>(out.data()), &needed, mode);
  for (size_t i = capacity; i < out.size(); ++i) Check(out[i] == kGuardByte, "output guard");
  Check(CtxGetFirstRun() == 0, "first-run flag left set");
  if (r) {
    size_t used = size_t(plat::Get16(out.data() + 68)) + plat::Get16(out.data() + 70);
    Check(used <= capacity, "declared output size");
    Check(needed > 0 && size_t(needed) <= capacity, "size answered");
  }
  Check(plat::OpenPrinterHandles() == 0, "printer handle left open");
  return 0;
}
