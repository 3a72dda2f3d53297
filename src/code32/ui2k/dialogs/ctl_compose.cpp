// The picture compositor: a picture built from the pictures of a feature's
// options, drawn as layers of one composition, with at most one stamp
// preview over them.
#include <algorithm>
#include <cstring>
#include <iterator>

#include "ctl_internal.h"
#include "velm/dialog_blocks.h"

namespace {

constexpr uint16_t kPreviewControl = 2039;
constexpr uint16_t kPictureKind = 2;
constexpr int32_t kNeutral = 50;
constexpr COLORREF kWhite = RGB(255, 255, 255);

// Pictures that carry the stamp preview, upright and lying.
constexpr uint16_t kPortraitStamp[] = {6001, 6004, 6005, 6008, 6009, 6011, 6013, 6016, 6017, 6019, 6021,
                                       6023, 6025, 6027, 6029, 6031, 6033, 6037, 6040, 6043, 6046};
constexpr uint16_t kLandscapeStamp[] = {6002, 6003, 6006, 6007, 6010, 6012, 6014, 6015, 6018,
                                        6020, 6022, 6024, 6026, 6028, 6030, 6032, 6034, 6035,
                                        6036, 6038, 6039, 6041, 6042, 6044, 6045};
constexpr int32_t kStampShort = 50, kPortraitLong = 69, kLandscapeLong = 68;

bool In(const uint16_t* first, const uint16_t* last, uint16_t id) { return std::find(first, last, id) != last; }

}  // namespace

void CtlComposePicture(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, HDC dc, const RECT* rect) {
  MdfItem feature = UiItemModel(ctx, item);
  uint16_t options[kCtlMaxOptions];
  const int32_t count = CtlGetOptions(ctx, feature, options, kCtlMaxOptions);
  if (count == 0) return;
  const CtlServices& s = CtlGetServices();

  // A PickOne feature of its own shows its current option; else all of them.
  const bool pick_one = CtlIsPickOne(ctx, feature);
  const bool only_current = pick_one && !item->linkedControl;
  const int32_t current = OptGetControlOption(ctx, item);

  // A sample block turns six settings into the colour adjustment.
  int32_t params[6] = {kNeutral, kNeutral, kNeutral, kNeutral, kNeutral, kNeutral};
  const void* raw = CtlGetExtraBlock(item, kCtlTagSample);
  if (raw) {
    CtlSampleBlock sample;
    std::memcpy(&sample, raw, sizeof sample);
    for (int i = 0; i < 6; ++i)
      if (sample.entries[i]) params[i] = OptGetOptionById(ctx, uint32_t(sample.entries[i])) + kNeutral;
    s.setColourParameters(ctx, params);
  }
  const bool preview = !dc && item->kind == kPictureKind && item->controlId == kPreviewControl;
  const COLORREF background = preview ? s.setBackground(ctx, kWhite) : 0;

  s.beginCompose(ctx);
  bool drawn = false, stamped = false;
  for (int32_t i = 0; i < count; ++i) {
    const uint16_t option = options[i];
    if (only_current && option != current) continue;
    if (CtlIsOptionHidden(ctx, feature, option)) continue;
    s.drawPicture(ctx, dialog, item, dc, rect, option, drawn);
    drawn = true;
    if (!stamped && In(std::begin(kPortraitStamp), std::end(kPortraitStamp), option)) {
      s.drawStampPreview(ctx, dialog, item, dc, rect, kStampShort, kPortraitLong);
      stamped = true;
    } else if (!stamped && In(std::begin(kLandscapeStamp), std::end(kLandscapeStamp), option)) {
      s.drawStampPreview(ctx, dialog, item, dc, rect, kLandscapeLong, kStampShort);
      stamped = true;
    }
    if (pick_one) break;
  }
  s.endCompose(ctx, dc ? nullptr : CtlWindowOf(dialog, item), dc, rect);

  if (raw) {
    std::fill(std::begin(params), std::end(params), kNeutral);
    s.setColourParameters(ctx, params);
  }
  if (preview) s.setBackground(ctx, background);
}
