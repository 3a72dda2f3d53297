// Stand-ins for the computed condition items and the capability lists,
// which are built on another branch. Deleted when that branch lands.
#include <cstdint>

#include "velm/caps.h"
#include "velm/context.h"
#include "velm/devmode.h"
#include "velm/dm_merge.h"
#include "velm/rule_computed.h"
#include "velm/settings.h"

// Stand-in: the resolution table {id, x, y}.
namespace {
constexpr CapsResolutionRow kStandInResolutions[] = {
    {1, 300, 300}, {2, 400, 400}, {3, 600, 600}, {4, 1200, 1200}, {5, 2400, 2400}, {17, 600, 600}, {18, 600, 600},
};
}  // namespace

// Stand-in until the capability lists land.
const CapsResolutionRow* CapsFindResolutionRow(int32_t id) {
  if (id == 0) return nullptr;
  for (const CapsResolutionRow& r : kStandInResolutions)
    if (r.id == id) return &r;
  return nullptr;
}

// Stand-in until the capability lists land.
int32_t CapsFindResolutionIdByX(int32_t x) {
  if (x == 0) return 0;
  for (const CapsResolutionRow& r : kStandInResolutions)
    if (r.x == x) return r.id;
  return 0;
}

// Stand-in until the computed condition items land: the derivation and the
// output-paper half of the page dot limit (600 dpi always passes; otherwise
// the output paper must be below 30709 dots each way). The scaled-source and
// N-up half is left to the real item.
int32_t RuleCheckPageDotLimit(DriverContext* ctx, int32_t flag) {
  if (!ctx || !ctx->devmode) return 1;
  uint8_t* d = ctx->devmode;
  auto* pub = reinterpret_cast<DEVMODEW*>(d);
  if (flag) {
    DmResolutionToPublic(d, ctx);
    DmSetPaper(pub->dmPaperSize, 8, ctx, d);
  } else {
    DmResolutionToPrivate(d, ctx);
    if ((pub->dmFields & 0xCu) == 0xCu) DmSetCustomPaper(d, ctx);
    else DmSetPaper(pub->dmPaperSize, 8, ctx, d);
  }
  DmSetOutputPaper(OptGetValueById(ctx, 50), 50, ctx, d);
  if (pub->dmPrintQuality == 600) return 1;
  return uint32_t(OptGetValueById(ctx, 51)) < 30709u && uint32_t(OptGetValueById(ctx, 52)) < 30709u ? 1 : 0;
}
