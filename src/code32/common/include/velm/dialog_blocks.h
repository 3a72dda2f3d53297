// Extra-data blocks of dialog items. Every block begins with a 16-bit tag, so
// that a control kind takes only the block meant for it. The blocks of the
// built-in dialog table are in-memory data and may hold pointers.
#pragma once

#include <cstdint>

enum CtlBlockTag : int16_t {
  kCtlTagSample = 1,   // user-quality sample picture
  kCtlTagSlider = 3,   // sliders and spin buttons
  kCtlTagList = 4,     // lists, combo boxes, multi-line summary text
  kCtlTagRepeat = 5,   // auto-repeat push buttons
  kCtlTagTab = 6,      // tab controls
  kCtlTagPreview = 8,  // page previews and the icon lists that show one
  kCtlTagCheckList = 9,  // the settings of a check list's rows
};

// Tag 1: the six settings whose option values (plus 50) drive the sample's
// brightness, contrast, saturation and red, green, blue balance. The table
// holds control ids or 0; they become setting ids at start.
struct CtlSampleBlock {
  int16_t tag;
  int16_t reserved[2];
  int16_t entries[6];
};
static_assert(sizeof(CtlSampleBlock) == 18);

// Tag 3: steps of a slider; they apply only when the picture id is not 0.
struct CtlSliderBlock {
  int16_t tag;
  int16_t lineStep;
  int16_t pageStep;
  int16_t pictureId;
};

// One row of a multi-line summary: the label string, then the symbol key whose
// value is shown (key A), or key B when key B is not 0 and key A's option is 1
// (a row with key A 0 always shows key B).
struct CtlListRow {
  uint16_t labelId;
  uint16_t keyA;
  uint16_t keyB;
};

// Tag 4.
struct CtlListBlock {
  int16_t tag;
  int16_t reserved0;
  int32_t refuseFlag;  // 1: an option whose disable judge holds is refused
  int32_t pictureId;   // drawn beside greyed options
  int32_t reserved1;
  int16_t rowCount;
  int16_t ten;  // always 10
  uint8_t reserved2[8];
  const CtlListRow* rows;
};

// Tag 5: each auto-repeat step adds step to the option of every listed control.
struct CtlRepeatRow {
  uint16_t controlId;
  uint16_t zero;
  int32_t reserved;
  int32_t step;
};
struct CtlRepeatBlock {
  int16_t tag;
  int16_t rowCount;
  const CtlRepeatRow* rows;
};

// Tag 6.
struct CtlTabRow {
  uint16_t captionId;
  int16_t controlCount;
  const uint16_t* controlIds;
};
struct CtlTabBlock {
  int16_t tag;
  int16_t tabCount;
  const CtlTabRow* tabs;
};

// Tag 8: the settings whose change repaints a preview. The table holds symbol
// keys; they become setting ids at start.
struct CtlPreviewBlock {
  int16_t tag;
  int16_t entries[14];
};
static_assert(sizeof(CtlPreviewBlock) == 30);

// Tag 9: a check list's settings, one per row, with the number of rows
// that have one. Rows beyond count (the list shows the model's visible
// options) have no setting. Tagged like the other blocks, so that no kind
// reads it as something else.
struct CtlCheckListSettings {
  int16_t tag;
  int16_t reserved;
  int32_t count;
  const uint16_t* settingIds;
};
