// libFuzzer target: any bytes as an application's input DEVMODE to
// DrvDocumentProperties of a printer of the small model, with any mode but
// the sheet. The output DEVMODE must stay within the size the driver
// announced (guard bytes after it, and the sanitizers), declare no more than
// that, and the call must answer IDOK or a failure.
//
// Input: byte 0 picks the mode bits (DM_COPY always, then DM_MODIFY,
// DM_UPDATE, DM_NOPERMISSION, DM_USER_DEFAULT by bits 0-3); the rest is the
// input DEVMODE, padded with zeros to the size it declares (the caller owns
// that much), or none when it is shorter than a DEVMODE header.
//
// Each input starts from the printer as set up and from no context kept
// from the input before (fuzz_reset.h); VELM_FUZZ_REPEAT=1 runs each twice
// and compares the answers.
#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "plat/kernel.h"
#include "plat/le.h"
#include "plat/machine.h"
#include "plat/machineconf.h"
#include "standin_machine.h"
#include "plat/winspool.h"
#include "plat/wstr.h"
#include "fuzz_reset.h"
#include "sheets/sheets.h"
#include "velm/context.h"
#include "ui/user32.h"

namespace {

constexpr size_t kGuard = 256;
constexpr uint8_t kGuardByte = 0xA5;
constexpr size_t kOutput = 1260;

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
  }
}

const test_support::PrinterSnapshot* g_snapshot = nullptr;

HANDLE Setup() {
  std::string why;
  const std::string root_dir = test_support::MakeOfficeMachine("velm-docprops-fuzz", VELM_DOCPROPS_FUZZ_MODEL, &why);
  Check(!root_dir.empty(), why.c_str());
  std::u16string name = u"Office";
  HANDLE h = nullptr;
  Check(OpenPrinterW(name.data(), &h, nullptr), "open");
  UiDllMain(nullptr, DLL_PROCESS_ATTACH, nullptr);
  // The first call of a printer stores what every later call stores again
  // unchanged (its name, font lists, hand-over ini); the inputs start from
  // the printer as that call leaves it, so that putting it back costs
  // nothing when an input changed nothing else.
  std::vector<uint8_t> first(kOutput);
  Check(UiDocumentProperties(nullptr, h, name.data(), reinterpret_cast<DEVMODEW*>(first.data()), nullptr, DM_COPY) ==
            IDOK,
        "first call");
  CtxSweepCache(1);
  g_snapshot = new test_support::PrinterSnapshot(name);
  return h;
}

// Runs one input; answers the call's result and output.
std::string RunInput(HANDLE printer, const uint8_t* data, size_t size) {
  Check(g_snapshot->Restore(), "the printer put back");
  // A context the last input closed would serve this one for half a second.
  CtxSweepCache(1);
  static const DWORD kBits[] = {DM_MODIFY, DM_UPDATE, DM_NOPERMISSION, DM_USER_DEFAULT};
  DWORD mode = DM_COPY;
  for (int i = 0; i < 4; ++i)
    if (data[0] & (1 << i)) mode |= kBits[i];
  std::vector<uint8_t> input(data + 1, data + size);
  DEVMODEW* in = nullptr;
  if (input.size() >= 72) {
    size_t declared = size_t(plat::Get16(input.data() + 68)) + plat::Get16(input.data() + 70);
    if (input.size() < declared) input.resize(declared, 0);
    in = reinterpret_cast<DEVMODEW*>(input.data());
  }
  std::vector<uint8_t> out(kOutput + kGuard, kGuardByte);
  std::u16string name = u"Office";
  LONG size_answer = UiDocumentProperties(nullptr, printer, name.data(), nullptr, nullptr, 0);
  Check(size_answer == LONG(kOutput), "size query");
  LONG r = UiDocumentProperties(nullptr, printer, name.data(), reinterpret_cast<DEVMODEW*>(out.data()), in, mode);
  Check(r == IDOK || r < 0, "answer");
  for (size_t i = kOutput; i < out.size(); ++i) Check(out[i] == kGuardByte, "output guard");
  if (r == IDOK) {
    size_t used = size_t(plat::Get16(out.data() + 68)) + plat::Get16(out.data() + 70);
    Check(used <= kOutput, "declared output size");
  }
  return std::to_string(r) + std::string(out.begin(), out.end());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static HANDLE printer = Setup();
  if (size < 1) return 0;
  const std::string first = RunInput(printer, data, size);
  if (test_support::FuzzRepeatAsked()) test_support::CheckSameAnswer(first, RunInput(printer, data, size));
  return 0;
}
