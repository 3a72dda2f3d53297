// The device-capability lists: the input slots, papers and resolutions the
// model declares, less the options the rules hide now, in the platform's
// codes; the custom paper extents; and the built-in resolution table.
//
// List outputs are optional (null: the count only) and written in option
// order. A list answer is the count, or -1 when the model has no such list,
// a code is missing, or the rules leave nothing.
#pragma once

#include <cstdint>

struct DriverContext;

struct CapsResolutionRow {
  uint16_t id;
  uint16_t x, y;
};
// The rows, ended by id 0.
const CapsResolutionRow* CapsGetResolutionTable();
const CapsResolutionRow* CapsFindResolutionRow(int32_t id);  // null for 0 or none
int32_t CapsFindResolutionIdByXY(int32_t x, int32_t y);      // 0 for none
int32_t CapsFindResolutionIdByX(int32_t x);                   // first row with x; 0 for none

constexpr int32_t kCapsBinNameChars = 24;
constexpr int32_t kCapsPaperNameChars = 64;

int32_t CapsGetBins(DriverContext* ctx, uint16_t* out);
int32_t CapsGetBinNames(DriverContext* ctx, char16_t* out, int32_t chars);
// Setting 8 (dmPaperSize) for DC_PAPERS; another PickOne setting is listed
// without asking the rules.
int32_t CapsGetPapers(DriverContext* ctx, uint16_t* out, uint32_t id);
// The option-name values of a PickOne setting's options the rules do not
// hide; every option needs a value. Output trays: vdmOutputTrayID.
int32_t CapsListPickValues(DriverContext* ctx, uint16_t* out, uint32_t id);
int32_t CapsGetOutputTrays(DriverContext* ctx, uint16_t* out);
int32_t CapsGetPaperNames(DriverContext* ctx, char16_t* out, int32_t chars, uint32_t id);
// Pairs {width, length} in 0.1 mm.
int32_t CapsGetPaperSizes(DriverContext* ctx, int32_t* out, uint32_t id);

// (length << 16) | width in 0.1 mm, also written to out when given: the
// smallest custom size for index 4 (DC_MINEXTENT), else the largest.
constexpr int32_t kCapsMinExtent = 4;
int32_t CapsGetExtent(DriverContext* ctx, uint16_t* out, int32_t index);
void CapsComputeExtent(DriverContext* ctx, int32_t index, int32_t* width, int32_t* length);
// The model record's custom-size limits in 1/1200 inch.
void CapsGetModelExtents(DriverContext* ctx, int32_t* min_pair, int32_t* max_pair);
int32_t CapsGetMinWidth(DriverContext* ctx);
int32_t CapsGetMinLength(DriverContext* ctx);
int32_t CapsGetMaxWidth(DriverContext* ctx);
int32_t CapsGetMaxLength(DriverContext* ctx);

// Mode 0: pairs {x, y}; mode 1: resolution-table ids. The count; a model
// without a usable resolution list answers one entry for 600 x 600.
constexpr int32_t kCapsResolutionPairs = 0;
constexpr int32_t kCapsResolutionIds = 1;
int32_t CapsListResolutions(DriverContext* ctx, int32_t* out, int32_t mode);
int32_t CapsGetResolutions(DriverContext* ctx, int32_t* out);
int32_t CapsHasDuplexUnit(DriverContext* ctx);
