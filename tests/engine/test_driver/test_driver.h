// The test driver's settings, shared by the driver and the tests.
#pragma once

#include <cstdint>

#include "eng/ddi.h"

struct TestDrvConfig {
  int32_t bits = 24;            // 1 or 24
  int32_t width = 64;
  int32_t height = 48;
  int32_t band = 16;            // band height of a banding surface
  bool banding = true;
  bool device_surface = false;  // a device surface instead of a bitmap
  bool skip_associate = false;  // leave the surface unassociated
  bool extra_band = false;      // one more band when the page ends on a band edge
  bool endless = false;         // never end the page
  FLONG hooks = HOOK_BITBLT | HOOK_STRETCHBLT | HOOK_TEXTOUT;
  int32_t table_size = -1;      // entries of the DDI table handed out; -1 all
  char fail[32] = "";           // the call that fails: "EnablePDEV", "StartDoc", ...
  int32_t band_y = 0;           // (the driver's band position)
  int32_t fonts = 0;            // device fonts announced (DEVINFO cFonts), at most 2
  // DrvDitherColor's answer (DCR_SOLID, DCR_DRIVER: a checkerboard,
  // DCR_HALFTONE); -1: no dither size is announced, so it is never asked.
  int32_t dither = -1;
};

using TestDrvConfigureFn = void (*)(const TestDrvConfig*);
using TestDrvLogFn = const char* (*)();
using TestDrvPageFn = const uint8_t* (*)(int32_t* stride, size_t* size);
