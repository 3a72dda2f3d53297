// The query library's own tables: the values each watermark setting may
// take and the watermark kinds.
#include "api/api_support.h"

namespace {

constexpr int32_t kWmKind[] = {0, 1, 2, 3, 128};
constexpr int32_t kWmColourBits[] = {0, 1, 2, 4, 8, 16, 32, 64};
constexpr int32_t kZeroToThree[] = {0, 1, 2, 3};
constexpr int32_t kZeroToSix[] = {0, 1, 2, 3, 4, 5, 6};
constexpr int32_t kZeroToTen[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10};

template <size_t N>
constexpr ApiValueList Row(uint16_t item, const int32_t (&values)[N]) {
  return {item, uint16_t(N), values};
}

constexpr ApiValueList kWatermarkValues[] = {
    Row(109, kWmKind),     Row(114, kWmColourBits), Row(127, kZeroToThree), Row(113, kZeroToThree),
    Row(123, kZeroToSix),  Row(895, kZeroToSix),    Row(896, kZeroToSix),   Row(897, kZeroToSix),
    Row(902, kZeroToTen),  {0, 0, nullptr},
};

constexpr int32_t kKinds[] = {1, 2, 3, 128};

}  // namespace

const ApiValueList* ApiWatermarkValueLists() { return kWatermarkValues; }

const ApiValueList* ApiFindWatermarkValues(uint32_t item) {
  for (const ApiValueList* r = kWatermarkValues; r->item; ++r)
    if (r->item == item) return r;
  return nullptr;
}

const int32_t* ApiWatermarkKinds(uint32_t* count) {
  if (count) *count = uint32_t(sizeof kKinds / sizeof kKinds[0]);
  return kKinds;
}
