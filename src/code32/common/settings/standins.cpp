// Stand-ins for services that land with later areas of the driver: the model
// queries and the computed condition items. Each
// answers "nothing there", which every caller already handles.
#include "velm/model_query_standin.h"

// Stand-in until the model queries land.
const void* MdfFindItemByKey(DriverContext*, int32_t) { return nullptr; }
uint32_t MdfGetItemType(const void*) { return 0; }
uint32_t MdfGetNumericUnitStringId(const void*) { return 0; }

// Stand-in until the computed condition items land.
int32_t RuleIsSheetLandscape(DriverContext*) { return 0; }
