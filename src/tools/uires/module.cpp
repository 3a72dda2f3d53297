// Everything the UI resource module holds: the templates of the dialog
// table, the strings, the hand cursors and the icons of the buttons.
#include <algorithm>

#include "ui/icon_resource.h"
#include "uires.h"
#include "velm/dialogs.h"
#include "velm/names.h"

namespace uires {
namespace {

constexpr uint32_t kClear = 0x00000000;
constexpr uint32_t kBlack = 0xFF000000;
constexpr uint32_t kWhite = 0xFFFFFFFF;

// A hand with the index finger up, its tip the hot spot; the pressed hand
// is drawn a little lower and darker.
ui::IconImage Hand(bool pressed) {
  ui::IconImage img;
  img.width = img.height = 32;
  img.hotspot_x = 9;
  img.hotspot_y = pressed ? 3 : 0;
  img.pixels.assign(32 * 32, kClear);
  auto fill = [&](int x0, int y0, int x1, int y1, uint32_t c) {
    for (int y = y0; y < y1 && y < 32; ++y)
      for (int x = x0; x < x1 && x < 32; ++x) img.pixels[size_t(y) * 32 + size_t(x)] = c;
  };
  int dy = pressed ? 3 : 0;
  uint32_t skin = pressed ? 0xFFC0C0C0 : kWhite;
  fill(7, dy, 12, 14 + dy, kBlack);        // the finger's outline
  fill(8, dy + 1, 11, 14 + dy, skin);
  fill(5, 12 + dy, 22, 28, kBlack);        // the palm's outline
  fill(6, 13 + dy, 21, 27, skin);
  return img;
}

// A 16 x 16 icon: a framed square in a colour of its own id.
ui::IconImage ButtonIcon(DWORD id) {
  ui::IconImage img;
  img.width = img.height = 16;
  img.pixels.assign(16 * 16, kClear);
  uint32_t colour = 0xFF000000 | ((id * 2654435761u) & 0x00A0A0A0) | 0x00404040;
  for (int y = 1; y < 15; ++y)
    for (int x = 1; x < 15; ++x)
      img.pixels[size_t(y) * 16 + size_t(x)] = (y == 1 || y == 14 || x == 1 || x == 14) ? kBlack : colour;
  return img;
}

}  // namespace

std::vector<DWORD> ButtonIconIds() {
  std::vector<DWORD> ids;
  const DialogTable& table = DlgGetBuiltinTable();
  const OptionNameTable& options = MdfGetOptionNameTable();
  for (int16_t d = 0; d < table.count; ++d) {
    for (uint32_t k = 0; k < table.rows[d].itemCount; ++k) {
      const DialogItemRecord& item = table.rows[d].items[k];
      if (item.kind != 21 && item.kind != 3) continue;
      for (int16_t o = 0; o < options.count; ++o)
        if (options.rows[o].featureKey == item.symbol && options.rows[o].optionId) ids.push_back(options.rows[o].optionId);
    }
  }
  std::sort(ids.begin(), ids.end());
  ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
  return ids;
}

std::vector<plat::ResourceEntry> BuildModuleEntries(Language language) {
  std::vector<plat::ResourceEntry> out;
  const DialogTable& table = DlgGetBuiltinTable();
  for (int16_t d = 0; d < table.count; ++d)
    out.push_back(ui::DialogResource(table.rows[d].dialogId, BuildDialogTemplate(table.rows[d], language)));
  for (const auto& [id, text] : BuildStrings(language)) out.push_back(plat::StringResource(id, text));
  for (bool pressed : {false, true}) {
    DWORD id = pressed ? kPressedHandCursor : kHandCursor;
    for (auto& e : ui::IconResources(true, id, id, {Hand(pressed)})) out.push_back(std::move(e));
  }
  for (DWORD id : ButtonIconIds())
    for (auto& e : ui::IconResources(false, id, id, {ButtonIcon(id)})) out.push_back(std::move(e));
  return out;
}

}  // namespace uires
