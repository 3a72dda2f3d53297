// The device-capability queries of the printer-interface library.
#pragma once

#include <cstdint>

#include "plat/winspool.h"
#include "plat/wintypes.h"

// Query indices.
enum DeviceCapabilityIndex : uint16_t {
  DC_FIELDS = 1,
  DC_PAPERS = 2,
  DC_PAPERSIZE = 3,
  DC_MINEXTENT = 4,
  DC_MAXEXTENT = 5,
  DC_BINS = 6,
  DC_DUPLEX = 7,
  DC_SIZE = 8,
  DC_EXTRA = 9,
  DC_VERSION = 10,
  DC_DRIVER = 11,
  DC_BINNAMES = 12,
  DC_ENUMRESOLUTIONS = 13,
  DC_FILEDEPENDENCIES = 14,
  DC_TRUETYPE = 15,
  DC_PAPERNAMES = 16,
  DC_ORIENTATION = 17,
  DC_COPIES = 18,
  DC_BINADJUST = 19,
  DC_EMF_COMPLIANT = 20,
  DC_DATATYPE_PRODUCED = 21,
  DC_COLLATE = 22,
  DC_MANUFACTURER = 23,
  DC_MODEL = 24,
  DC_PERSONALITY = 25,
  DC_PRINTRATE = 26,
  DC_PRINTRATEUNIT = 27,
  DC_PRINTERMEM = 28,
  DC_MEDIAREADY = 29,
  DC_STAPLE = 30,
  DC_PRINTRATEPPM = 31,
  DC_COLORDEVICE = 32,
  DC_NUP = 33,
  DC_MEDIATYPENAMES = 34,
  DC_MEDIATYPES = 35,
};
constexpr uint16_t kDeviceCapabilityLast = DC_MEDIATYPES;

// TrueType answers.
constexpr int32_t DCTT_BITMAP = 1;
constexpr int32_t DCTT_SUBDEV = 4;
constexpr int32_t PRINTRATEUNIT_PPM = 1;

// Entry sizes of the list answers, in characters.
constexpr int32_t kCapsMediaNameChars = 64;
constexpr int32_t kCapsPersonalityChars = 32;

// The answer to one query: a count, a value, or -1 for an index not served
// or a failure. output may be null (the count only); devmode (the caller's,
// may be null) is merged for the queries that depend on the settings.
int32_t UiDeviceCapabilities(HANDLE printer, const char16_t* device, uint16_t index, void* output,
                             const void* devmode);

