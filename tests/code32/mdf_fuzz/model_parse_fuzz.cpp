// libFuzzer target: any bytes as a model-description file. The parse must
// end without a crash, a read out of bounds or a leak, and a model that was
// read must free cleanly. The file-version probe reads the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "velm/mdf_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // An exact-size copy, so that a read past the end is caught even for the
  // empty input.
  std::unique_ptr<uint8_t[]> bytes(new uint8_t[size ? size : 1]);
  if (size) std::memcpy(bytes.get(), data, size);
  MdfFreeParseContext(MdfParseBuffer(bytes.get(), size));
  char16_t version[15] = {};
  MdfProbeFileVersionBuffer(bytes.get(), size, version);
  return 0;
}
