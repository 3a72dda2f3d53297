// velm caps PRINTER LIST: the device-capability lists a fresh context of a
// printer of the machine answers, one entry a line, in the order the driver
// gives them: bins, binnames, papers, papernames, papersizes (width and
// length in 0.1 mm), resolutions (x and y dpi), extents (the smallest and
// largest custom size in 0.1 mm). A list the driver refuses prints "-1".
#include <cstdio>
#include <string>
#include <vector>

#include "command.h"
#include "plat/machine.h"
#include "plat/winspool.h"
#include "plat/wstr.h"
#include "velm/caps.h"
#include "velm/context.h"
#include "velm/library.h"

namespace {

int Fail(const std::string& why) {
  std::fprintf(stderr, "velm caps: %s\n", why.c_str());
  return 1;
}

const char* const kLists[] = {"bins", "binnames", "papers", "papernames", "papersizes", "resolutions", "extents"};

void PrintNames(const std::vector<char16_t>& names, int32_t count, int32_t chars) {
  for (int32_t i = 0; i < count; ++i) {
    std::u16string name(names.data() + size_t(i) * size_t(chars), size_t(chars));
    name.resize(std::char_traits<char16_t>::length(name.c_str()));
    std::printf("%s\n", plat::ToUtf8(name.c_str()).c_str());
  }
}

void PrintList(DriverContext* ctx, const std::string& list) {
  if (list == "extents") {
    int32_t w = 0, l = 0;
    CapsComputeExtent(CtxGetTemplate(), kCapsMinExtent, &w, &l);
    std::printf("min %d %d\n", w, l);
    CapsComputeExtent(CtxGetTemplate(), 0, &w, &l);
    std::printf("max %d %d\n", w, l);
    return;
  }
  int32_t count = -1;
  if (list == "bins" || list == "papers") {
    count = list == "bins" ? CapsGetBins(ctx, nullptr) : CapsGetPapers(ctx, nullptr, 8);
    if (count > 0) {
      std::vector<uint16_t> codes(static_cast<size_t>(count));
      count = list == "bins" ? CapsGetBins(ctx, codes.data()) : CapsGetPapers(ctx, codes.data(), 8);
      for (int32_t i = 0; i < count; ++i) std::printf("%u\n", codes[size_t(i)]);
    }
  } else if (list == "binnames" || list == "papernames") {
    bool bins = list == "binnames";
    int32_t chars = bins ? kCapsBinNameChars : kCapsPaperNameChars;
    count = bins ? CapsGetBinNames(ctx, nullptr, chars) : CapsGetPaperNames(ctx, nullptr, chars, 8);
    if (count > 0) {
      std::vector<char16_t> names(static_cast<size_t>(count) * static_cast<size_t>(chars));
      count = bins ? CapsGetBinNames(ctx, names.data(), chars) : CapsGetPaperNames(ctx, names.data(), chars, 8);
      PrintNames(names, count, chars);
    }
  } else if (list == "papersizes" || list == "resolutions") {
    bool sizes = list == "papersizes";
    count = sizes ? CapsGetPaperSizes(ctx, nullptr, 8) : CapsGetResolutions(ctx, nullptr);
    if (count > 0) {
      std::vector<int32_t> pairs(2 * static_cast<size_t>(count));
      count = sizes ? CapsGetPaperSizes(ctx, pairs.data(), 8) : CapsGetResolutions(ctx, pairs.data());
      for (int32_t i = 0; i < count; ++i) std::printf("%d %d\n", pairs[2 * size_t(i)], pairs[2 * size_t(i) + 1]);
    }
  }
  if (count < 0) std::printf("-1\n");
}

int Run(const velm_cli::Args& args) {
  bool known = false;
  if (args.size() == 2)
    for (const char* l : kLists) known = known || args[1] == l;
  if (!known) {
    std::fprintf(stderr, "usage: velm caps PRINTER bins|binnames|papers|papernames|papersizes|resolutions|extents\n");
    return 2;
  }
  std::u16string name = plat::FromUtf8(args[0]);
  HANDLE h = nullptr;
  if (!OpenPrinterW(name.data(), &h, nullptr))
    return Fail("no printer " + args[0] + " on the machine in " + plat::MachineRoot());
  CommonProcessAttach(nullptr);
  int rc = 0;
  // A capability context, as the driver's capability export opens one: the
  // model, the DEVMODE and the printer's stored settings.
  DriverContext* ctx = CtxOpenKind(h, h, 0, kOpenEntryPoint | kOpenCapability);
  if (!ctx) {
    rc = Fail("cannot open a context for " + args[0] + ": its model-description file is missing or cannot be compiled");
  } else {
    PrintList(ctx, args[1]);
    CtxCloseAs(ctx, kCloseDestroy);
  }
  CommonProcessDetach();
  ClosePrinter(h);
  std::fflush(stdout);
  return rc;
}

}  // namespace

VELM_COMMAND("caps",
             "caps PRINTER LIST  a device-capability list of a printer, one entry a line; LIST is\n"
             "                      bins|binnames|papers|papernames|papersizes|resolutions|extents",
             Run);
