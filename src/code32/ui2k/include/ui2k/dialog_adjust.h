// The start-up adjustment of a context's setting and dialog tables: change
// groups, item flags, shared symbols and storage, built-in option lists and
// the converted extra-data blocks. Runs once per context, when the first page
// of a sheet binds its items.
#pragma once

#include <cstdint>

struct DriverContext;
struct CtlSampleBlock;
struct CtlPreviewBlock;
struct CtlCheckListSettings;

// Item flags set by the adjustment.
constexpr uint32_t kItemGroupMask = 0x1F0000u;       // change groups, bits 16-20
constexpr uint32_t kItemNoArrowSteps = 0x200000u;    // numeric edit ignores arrow keys
constexpr uint32_t kItemPathEdit = 0x400000u;        // text edit takes a path (260 characters)
constexpr uint32_t kItemNoContextHelp = 0x20000000u; // no context help; opens the hidden functions

// Patches the context's own copies; does nothing without a dialog table.
// Missing dialogs, controls or settings are skipped.
void DlgAdjustUiTables(DriverContext* ctx);

// The converted blocks every context shares. They are built once per process
// from the built-in tables and never written afterwards, so contexts on other
// threads may read them at any time.
const CtlSampleBlock* DlgGetConvertedSampleBlock();
const CtlPreviewBlock* DlgGetConvertedPreviewBlock();
// The setting ids of the hidden-functions check list, one per row.
const uint16_t* DlgGetHiddenFunctionSettings(int32_t* count);
// The same with its length: the check list's extra data.
const CtlCheckListSettings* DlgGetHiddenFunctionList();
