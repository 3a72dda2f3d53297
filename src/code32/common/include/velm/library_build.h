// The driver library that this copy of the common library is linked into,
// and what that changes in the common functions.
//
// VELMPD3 (the printer interface) takes the common functions as they are.
// VELMPD0 (graphics) and VELMPD4 (settings query) have no user interface, and
// a few common functions behave differently inside them. Each difference is
// one switch of the library's LibraryBuild; the common function tests it
// where its road differs, so every variant is its home function plus that
// difference. The names in the comments are the variants' own names.
//
// Each library gets its own record through a compile definition of the one
// source that defines LibGetBuild (library_build.cpp, built once per library
// like every source that tests VELM_FLAVOR_*), so every caller inside a
// library, common code included, runs that library's build.
#pragma once

#include <cstdint>

enum class LibraryId : uint8_t { kInterface, kGraphics, kQuery };

struct LibraryBuild {
  LibraryId id = LibraryId::kInterface;

  // ---- VELMPD0 and VELMPD4 ----
  // DmMergeInputNoUi: a merge applies no exchange request of the input
  // (nor marks it applied), does not set the job-tool flag (item 726) from
  // the registry, and reads no job information on DM_IN_PROMPT.
  bool mergeWithoutUi = false;

  // ---- VELMPD0 ----
  // DmMergePublicFieldsGr and DmSetPaperCoreGr: user paper sizes are kept
  // in the page's orientation (width and length exchanged in landscape).
  bool userPaperInPageOrientation = false;
  // DmSetOutputPaperCoreGr: output code 1024 copies the source geometry
  // whatever dmPaperSize holds.
  bool outputSameAsSourceAlways = false;
  // MdfGetPaperDimsGr: a user paper code is answered by FreeSizeGetPaperDims.
  bool paperDimsOfUserPaper = false;
  // StoreLoadAllGr: the device answers of the client ini are loaded but never
  // written back to printer data, and their ini section is never deleted.
  bool loadLeavesStoreAlone = false;
  // PresetSaveQualityGr: the quality key's Name is not written.
  bool qualitySaveWithoutName = false;
  // FreeSizeItemsToSlotGr and FreeSizeSrcItemsToSlotGr: the paper's own name
  // goes into all three name fields; no localized name is read.
  bool userPaperNameOnly = false;

  // ---- VELMPD4 ----
  // OptSetOptionOrStringNoUi: the value is stored as passed; a text item does
  // not take a UI string.
  bool optionAsPassed = false;
  // DmWritePrivateHeaderNoUi: the common marker is written empty, version 0.
  bool emptyCommonMarker = false;
  // DmSetPaperCoreExc: the custom size 256 comes from the public
  // dmPaperWidth and dmPaperLength (clamped to the user limits), not from its
  // slot; user paper sizes leave the public dimensions as they were (only
  // DM_PAPERLENGTH and DM_PAPERWIDTH are announced), and a landscape swap
  // feeds only the derived items.
  bool customPaperFromPublic = false;
  // CtxCreateNoUi: a kind-0 open skips the batch hand-over (DrvInstSet).
  bool noBatchHandOver = false;
  // DmCreateDefaultNoUi: a printer DEVMODE that was adopted keeps its work
  // items (no reset to the model defaults).
  bool keepWorkItemsOfPrinterDevmode = false;
  // DmSetEnvironmentFlagsNoUi: the job-tool flag (item 726) is always cleared.
  bool jobToolFlagCleared = false;
  // StoreWriteFontTableNoUi: the pairs of an older, longer table are left.
  bool keepOldFontPairs = false;
  // QstCheckHeaderNoUi: a refused settings file gives no message.
  bool silentSettingsRefusal = false;
  // QstLoadSettingsNoUi: a plain load refreshes no job information.
  bool settingsLoadWithoutJobInfo = false;
  // QstTransferSettingsNoUi: watermark transfers (0x20) always carry the
  // tile and line details, items 894-903.
  bool watermarkDetailsAlways = false;
};

inline constexpr LibraryBuild kInterfaceBuild{.id = LibraryId::kInterface};

inline constexpr LibraryBuild kGraphicsBuild{
    .id = LibraryId::kGraphics,
    .mergeWithoutUi = true,
    .userPaperInPageOrientation = true,
    .outputSameAsSourceAlways = true,
    .paperDimsOfUserPaper = true,
    .loadLeavesStoreAlone = true,
    .qualitySaveWithoutName = true,
    .userPaperNameOnly = true,
};

inline constexpr LibraryBuild kQueryBuild{
    .id = LibraryId::kQuery,
    .mergeWithoutUi = true,
    .optionAsPassed = true,
    .emptyCommonMarker = true,
    .customPaperFromPublic = true,
    .noBatchHandOver = true,
    .keepWorkItemsOfPrinterDevmode = true,
    .jobToolFlagCleared = true,
    .keepOldFontPairs = true,
    .silentSettingsRefusal = true,
    .settingsLoadWithoutJobInfo = true,
    .watermarkDetailsAlways = true,
};

// The build of the library this code is linked into.
const LibraryBuild& LibGetBuild();
