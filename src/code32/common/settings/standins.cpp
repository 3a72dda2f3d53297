// Stand-ins for services that land with later areas of the driver. Each
// answers "nothing there" or does nothing, which every caller handles.
#include "velm/context_standins.h"
#include "velm/model_query_standins.h"

// Stand-in until the computed condition items land.
int32_t RuleIsSheetLandscape(DriverContext*) { return 0; }

// Stand-ins until the setting store's loads land.
int32_t StoreLoadAll(DriverContext*) { return 1; }
int32_t StoreLoadItemByName(HANDLE, DriverContext*, SettingRecord*) { return 0; }

// Stand-ins until the batch-settings ini lands: DrvInstSet is never set.
int32_t InstBatchIsDrvInstSet(DriverContext*) { return 0; }
int32_t InstBatchSetDrvInstSet(DriverContext*, int32_t) { return 1; }

// Stand-ins until the job-information provider lands.
int32_t JobInfoLoadMaskFromPrinterData(DriverContext*, uint32_t) { return 0; }
int32_t JobInfoWriteMaskIfEnabled(DriverContext*, uint32_t) { return 0; }

// Stand-in until the preset lists land: the context keeps no preset
// snapshots, so there is nothing to clear or free.
int32_t PresetCacheControl(DriverContext*, uint32_t, int32_t) { return 0; }
