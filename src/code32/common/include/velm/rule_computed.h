// The computed condition items (731-858): facts the model's rules need that
// are no stored setting, worked out from the current settings whenever a
// condition reads them. Which finisher can staple or punch the output paper,
// which way the sheet must be fed for it, whether a tray holds the output
// paper, and whether the page stays within the printer's dot limit.
#pragma once

#include <cstdint>

struct DriverContext;

constexpr uint32_t kComputedItemFirst = 731;
constexpr uint32_t kComputedItemLast = 858;

// The value of a computed item; 0 for the ids that have no rule of their own
// and for ids outside 731-858.
int32_t RuleComputeItem(DriverContext* ctx, uint32_t id);

// 1 when the page image lies landscape on the sheet: the orientation is not
// portrait, unless N-up (types 1-18) or a duplex type above 16 with the duplex
// unit turns the sheet.
int32_t RuleIsSheetLandscape(DriverContext* ctx);
// The direction the output paper must be fed in for the chosen finishing:
// 0 none, 1 portrait (short edge first), 2 landscape, 3 either.
int32_t RuleGetFeedDirection(DriverContext* ctx);
int32_t RuleIsFinishingSide1(DriverContext* ctx);  // feed direction 1
int32_t RuleIsFinishingSide2(DriverContext* ctx);  // feed direction 2

// Trays of an input-source code (1, 2, 3, 4, 11, 256; 7 auto).
// 1 when a tray of the current source holds the paper in the orientation
// (0 portrait, 1 landscape).
int32_t RuleTrayHoldsPaper(DriverContext* ctx, int32_t paper, int32_t orientation);
// 1 when a tray of the source holds the paper, whatever its orientation.
int32_t RuleTrayHasPaper(DriverContext* ctx, int32_t source, int32_t paper);
// Bit 0: a tray of the current source holds the paper in portrait; bit 1:
// one holds it in landscape.
int32_t RuleTrayPaperBits(DriverContext* ctx, int32_t paper);

// The page dot limit: derives the resolution and the paper geometry items
// first (flag 1: resolution from the private item into the public fields;
// flag 0: the other way, and custom sizes from the public lengths), then 1
// when the page fits: 600 dpi always fits, else both output sides and the
// scaled or N-up source must stay within 30708 dots.
int32_t RuleCheckPageDotLimit(DriverContext* ctx, int32_t flag);
int32_t RuleIsOutPaperInDotLimit(DriverContext* ctx);
int32_t RuleIsScaledPaperInDotLimit(DriverContext* ctx);
constexpr uint32_t kPageDotLimit = 30708;
