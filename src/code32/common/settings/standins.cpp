// Stand-ins for services that land with later areas of the driver. Each
// answers "nothing there" or does nothing, which every caller handles.
#include "plat/calls.h"
#include "velm/context_standins.h"
#include "velm/model_query_standins.h"

// Stand-ins until the batch-settings ini lands: DrvInstSet is never set.
// The question is noted in the machine's call log, as the ini read that will
// answer it is, so that whether an open asks can be seen.
int32_t InstBatchIsDrvInstSet(DriverContext*) {
  plat::NoteCall("InstBatchIsDrvInstSet");
  return 0;
}
int32_t InstBatchSetDrvInstSet(DriverContext*, int32_t) { return 1; }
