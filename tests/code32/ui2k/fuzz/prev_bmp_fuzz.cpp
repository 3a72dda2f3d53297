// libFuzzer target: any bytes as a BMP file given to PrevOpenBmpFile and
// PrevLoadBmpFile. Both must agree on whether the file is accepted; an
// accepted file gives a bitmap of the size it declares, which is drawn
// into a memory DC (the sanitizers watch every read of the file's bytes).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "plat/handles.h"
#include "plat/machine.h"
#include "standin_machine.h"
#include "ui/gdi.h"
#include "ui2k/preview.h"

namespace {

constexpr const char16_t* kPath = u"C:\\fuzz.bmp";

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
  }
}

void Setup() {
  static std::string root = "/tmp/velm-bmp-fuzz-XXXXXX";
  unsetenv("VELM_MACHINE");
  Check(mkdtemp(root.data()) != nullptr, "a temporary folder");
  std::atexit([] { std::system(("rm -rf '" + root + "'").c_str()); });
  std::string why;
  Check(test_support::InitStandinMachine(root, &why), why.c_str());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool ready = (Setup(), true);
  (void)ready;
  {
    std::ofstream out(plat::MapPath(kPath), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), std::streamsize(size));
  }
  HANDLE file = nullptr;
  const int32_t opened = PrevOpenBmpFile(kPath, &file);
  Check((opened == 1) == (file != nullptr), "an opened file comes with its handle");
  if (file) CloseHandle(file);
  int32_t w = 0, h = 0;
  HBITMAP bm = PrevLoadBmpFile(kPath, &w, &h);
  Check((opened == 1) == (bm != nullptr), "both loaders accept the same files");
  if (!bm) return 0;
  BITMAP info{};
  Check(GetObjectW(bm, sizeof info, &info) != 0 && info.bmWidth == w && info.bmHeight == h,
        "the bitmap has the size given out");
  Check(w >= 1 && w <= 16384 && h >= 1 && h <= 16384, "the size is within the bounds");
  HDC target = CreateCompatibleDC(nullptr);
  HBITMAP canvas = CreateCompatibleBitmap(target, 16, 16);
  HGDIOBJ old_canvas = SelectObject(target, canvas);
  HDC src = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(src, bm);
  StretchBlt(target, 0, 0, 16, 16, src, 0, 0, w, h, SRCCOPY);
  SelectObject(src, old);
  DeleteDC(src);
  SelectObject(target, old_canvas);
  DeleteObject(canvas);
  DeleteDC(target);
  DeleteObject(bm);
  return 0;
}
