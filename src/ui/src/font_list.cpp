// The font families EnumFontFamiliesW lists on the machine: the machine's
// fonts folder and the font files registered with the engine (the window
// layer's own UI font among them), each family once. A TrueType family with
// Japanese characters also has its vertical face, '@' + the family name, as
// Windows lists it. Tests may put their own families in place of the
// machine's.
#include <algorithm>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "eng/text.h"
#include "ui/gdi.h"

namespace {

std::mutex g_mutex;
std::optional<std::vector<plat::FontFamily>> g_test_families;

std::u16string Fold(const std::u16string& s) {
  std::u16string f = s;
  for (char16_t& c : f)
    if (c >= u'A' && c <= u'Z') c = char16_t(c - u'A' + u'a');
  return f;
}

// Each family once (the first wins), its vertical face after it, in name order.
std::vector<plat::FontFamily> Arrange(const std::vector<plat::FontFamily>& families) {
  std::vector<plat::FontFamily> out;
  std::vector<std::u16string> seen;
  for (const plat::FontFamily& f : families) {
    const std::u16string folded = Fold(f.face);
    if (f.face.empty() || std::find(seen.begin(), seen.end(), folded) != seen.end()) continue;
    seen.push_back(folded);
    out.push_back(f);
    if (f.hasVertical && f.type == TRUETYPE_FONTTYPE && f.face[0] != u'@') {
      plat::FontFamily vertical = f;
      vertical.face = u"@" + f.face;
      vertical.hasVertical = false;
      out.push_back(vertical);
    }
  }
  std::stable_sort(out.begin(), out.end(), [](const plat::FontFamily& a, const plat::FontFamily& b) {
    return Fold(a.face) < Fold(b.face);
  });
  return out;
}

std::vector<plat::FontFamily> Listed() { return ui::MachineFontFamilies(); }

[[maybe_unused]] const bool g_lister_installed = [] {
  plat::SetFontFamilyLister(&Listed);
  return true;
}();

}  // namespace

namespace ui {

std::vector<plat::FontFamily> MachineFontFamilies() {
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (g_test_families) return Arrange(*g_test_families);
  }
  // The layer's own UI font is registered when first drawn; it is one of
  // the machine's fonts before that too.
  UiFontFace();
  std::vector<plat::FontFamily> all = plat::ListFontFolderFamilies();
  for (const eng::RegisteredFamily& r : eng::RegisteredFontFamilies()) {
    plat::FontFamily f;
    f.face = r.family;
    f.type = r.true_type ? TRUETYPE_FONTTYPE : 0;
    f.hasVertical = r.japanese;
    all.push_back(std::move(f));
  }
  return Arrange(all);
}

void SetTestFontFamilies(const std::vector<plat::FontFamily>& families) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_test_families = families;
}

void ClearTestFontFamilies() {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_test_families.reset();
}

}  // namespace ui
