// Stand-ins for services that land with later areas of the driver: the model
// queries, the computed condition items and the UI resource strings. Each
// answers "nothing there", which every caller already handles.
#include "velm/model_query_standin.h"

// Stand-in until the model queries land.
const void* MdfFindItemByKey(DriverContext*, int32_t) { return nullptr; }
uint32_t MdfGetItemType(const void*) { return 0; }
uint32_t MdfGetNumericUnitStringId(const void*) { return 0; }

// Stand-in until the computed condition items land.
int32_t RuleIsSheetLandscape(DriverContext*) { return 0; }

// Stand-in until the resource modules land.
int32_t ResLoadString(DriverContext*, uint32_t, char16_t* buffer, uint32_t capacity, int32_t) {
  if (buffer && capacity) buffer[0] = 0;
  return 0;
}
