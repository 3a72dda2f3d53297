// STAND-IN (i12-store for i11-rules): the selectable option lists, as the
// sort-choice test needs them: no value is selectable. The selectable lists
// replace this file.
#include "velm/selectable.h"

int32_t OptListSelectable(DriverContext*, uint32_t, int32_t, int32_t*, int32_t* count) {
  if (count) *count = 0;
  return 0;
}
