// Stand-ins for services that land with later areas of the driver. Each
// answers "nothing there" or does nothing, which every caller handles.
#include "velm/context_standins.h"
#include "velm/model_query_standins.h"

// Stand-ins until the batch-settings ini lands: DrvInstSet is never set.
int32_t InstBatchIsDrvInstSet(DriverContext*) { return 0; }
int32_t InstBatchSetDrvInstSet(DriverContext*, int32_t) { return 1; }
