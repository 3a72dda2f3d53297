// Font substitutes: the faces Japanese Windows applications and settings
// name (the MS Gothic and Mincho families, in their Japanese and their
// Latin names) are drawn with the IPA fonts of this machine, as the font
// mapper of Windows maps a face through its substitutes table. The IPA font
// files are registered with the engine on first use, the machine's copy in
// its fonts folder first, then the host's.
#include <map>
#include <mutex>
#include <string>

#include "eng/text.h"
#include "plat/machine.h"
#include "plat/wstr.h"
#include "ui/gdi.h"

namespace ui {
namespace {

struct IpaFont {
  const char16_t* family;  // the family name in the font file
  const char16_t* file;    // the file name in C:\Windows\Fonts
  const char* host_path;
};

constexpr IpaFont kGothic{u"IPAGothic", u"ipag.ttf", "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf"};
constexpr IpaFont kPGothic{u"IPAPGothic", u"ipagp.ttf", "/usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf"};
constexpr IpaFont kMincho{u"IPAMincho", u"ipam.ttf", "/usr/share/fonts/opentype/ipafont-mincho/ipam.ttf"};
constexpr IpaFont kPMincho{u"IPAPMincho", u"ipamp.ttf", "/usr/share/fonts/opentype/ipafont-mincho/ipamp.ttf"};

struct Substitute {
  const char16_t* face;  // Latin names compare ignoring case
  const IpaFont* font;
};

constexpr Substitute kSubstitutes[] = {
    {u"ＭＳ Ｐゴシック", &kPGothic}, {u"MS PGothic", &kPGothic}, {u"MS UI Gothic", &kPGothic},
    {u"ＭＳ ゴシック", &kGothic},     {u"MS Gothic", &kGothic},   {u"ＭＳ Ｐ明朝", &kPMincho},
    {u"MS PMincho", &kPMincho},      {u"ＭＳ 明朝", &kMincho},     {u"MS Mincho", &kMincho},
};

bool ReadAndRegister(const IpaFont& font) {
  const std::string candidates[] = {plat::MapPath(std::u16string(u"C:\\Windows\\Fonts\\") + font.file),
                                    font.host_path};
  for (const std::string& path : candidates)
    if (eng::FontBytes bytes = eng::ReadFontFile(path); bytes && eng::RegisterFontFile(bytes)) return true;
  return false;
}

// Each font is read and registered once per process.
bool Register(const IpaFont& font) {
  static std::mutex m;
  static std::map<const IpaFont*, bool> registered;
  std::lock_guard<std::mutex> lock(m);
  auto it = registered.find(&font);
  if (it == registered.end()) it = registered.emplace(&font, ReadAndRegister(font)).first;
  return it->second;
}

}  // namespace

std::u16string SubstituteFontFace(const std::u16string& face) {
  for (const Substitute& s : kSubstitutes) {
    if (plat::WCmpI(face.c_str(), s.face) != 0) continue;
    // A font the machine lacks leaves the face to the UI font.
    return Register(*s.font) ? std::u16string(s.font->family) : std::u16string();
  }
  return {};
}

}  // namespace ui
