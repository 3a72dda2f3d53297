// Feeds arbitrary bytes to the fast ini engine (as a file image, with
// arbitrary resume offsets) and to the profile functions (as an ini file),
// and checks that a section or key written into any file reads back.
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "plat/files.h"
#include "plat/kernel.h"
#include "plat/machine.h"
#include "plat/profile.h"
#include "plat/wstr.h"
#include "standin_machine.h"
#include "velm/ini_fast.h"
#include "velm/settings.h"

namespace {

constexpr const char16_t* kFile = u"C:\\F\\fuzz.ini";

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
  }
}

std::string g_root;

bool Setup() {
  std::string error;
  g_root = test_support::MakeFuzzFolder("velm-fuzz", &error);
  if (g_root.empty()) return false;
  plat::SetMachineRoot(g_root);
  return plat::EnsureWindowsDir(u"C:\\F");
}

void WriteFileBytes(const uint8_t* data, size_t size) {
  std::ofstream out(plat::MapPath(kFile), std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), std::streamsize(size));
}

// The first "[name]" of the text, as wide text.
std::u16string FirstSectionName(const std::string& text) {
  size_t open = text.find('[');
  size_t close = open == std::string::npos ? open : text.find(']', open);
  if (close == std::string::npos || close - open > 64) return u"S";
  std::string name = text.substr(open + 1, close - open - 1);
  std::u16string wide(name.size(), 0);
  wide.resize(plat::AnsiToWide(name.data(), name.size(), wide.data(), wide.size()));
  return wide;
}

void FuzzEngine(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  char* image = static_cast<char*>(MemAllocZeroed(size + 1));
  if (!image) return;
  std::memcpy(image, data, size);
  std::u16string name = FirstSectionName(text);
  if (char* section = IniFastFindSection(name.c_str(), image)) {
    uint32_t resume = 0;
    if (size >= 4) std::memcpy(&resume, data, 4);  // stale offsets of every kind
    char16_t value[16];
    for (const char16_t* key : {u"a", u"Key", u"vdmItem0001", u"\uFF22", u"x"}) {
      IniFastGetString(key, u"d", value, 16, section, &resume);
      IniFastGetInt(key, 5, section, &resume);
    }
  }
  // The span search reads only within the length it is given.
  std::vector<char> exact(data, data + size);
  uint32_t length = 0;
  std::string ansi_name(plat::WideToAnsiLength(name.data(), name.size()), 0);
  ansi_name.resize(plat::WideToAnsi(name.data(), name.size(), ansi_name.data(), ansi_name.size()));
  if (const char* span = IniFastFindSectionSpan(ansi_name.c_str(), exact.data(), uint32_t(size), &length))
    Check(span >= exact.data() && span + length <= exact.data() + size, "span inside the text");
  MemFree(image);
}

void FuzzFiles(const uint8_t* data, size_t size) {
  WriteFileBytes(data, size);
  char16_t list[512];
  GetPrivateProfileStringW(nullptr, nullptr, nullptr, list, 512, kFile);
  std::u16string first = list;
  if (!first.empty()) {
    GetPrivateProfileStringW(first.c_str(), nullptr, nullptr, list, 512, kFile);
    if (list[0]) GetPrivateProfileIntW(first.c_str(), list, 3, kFile);
  }
  // A key written into any file reads back, through both readers.
  Check(WritePrivateProfileStringW(u"FuzzSec", u"FuzzKey", u"v1", kFile), "profile write");
  char16_t back[8];
  GetPrivateProfileStringW(u"FuzzSec", u"FuzzKey", u"", back, 8, kFile);
  Check(plat::WCmp(back, u"v1") == 0, "profile read-back");

  const char fresh[] = "[FuzzFast]\r\nk=v2\r\n";
  Check(IniFastReplaceSection(kFile, u"FuzzFast", fresh, sizeof fresh - 1) == 1, "fast replace");
  char* image = IniFastLoadFile(kFile);
  Check(image != nullptr, "fast load");
  uint32_t resume = 0;
  IniFastGetString(u"k", u"", back, 8, IniFastFindSection(u"FuzzFast", image), &resume);
  Check(plat::WCmp(back, u"v2") == 0, "fast read-back");
  IniFastFreeFile(image);
  GetPrivateProfileStringW(u"FuzzFast", u"k", u"", back, 8, kFile);
  Check(plat::WCmp(back, u"v2") == 0, "profile reads the fast engine's section");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready = Setup();
  if (!ready || size > 65536) return 0;
  FuzzEngine(data, size);
  FuzzFiles(data, size);
  return 0;
}
