// libFuzzer target: any bytes as a model cache file. Loading must end
// without a crash or a read outside the bytes, and an image that loads must
// read back whole through the accessors. Bytes that are no image are also
// compiled as a model description: whatever the reader takes must build an
// image that the loader accepts.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "velm/model_image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // An exact-size copy, so that a read past the end is caught even for the
  // empty input.
  std::unique_ptr<uint8_t[]> bytes(new uint8_t[size ? size : 1]);
  if (size) std::memcpy(bytes.get(), data, size);
  if (ModelImage* image = MdfLoadImage(bytes.get(), size)) {
    if (MdfDumpImage(image).empty()) std::abort();
    MdfFreeImage(image);
    return 0;
  }
  if (size <= 64 * 1024) {
    if (ModelImage* built = MdfCompileBuffer(bytes.get(), size)) {
      if (!MdfValidateImage(MdfImageBytes(built), MdfImageSize(built))) std::abort();
      MdfFreeImage(built);
    }
  }
  return 0;
}
