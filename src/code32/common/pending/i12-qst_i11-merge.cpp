// STAND-IN (i12-qst for i11-merge): the user paper-size slots of the paper
// and of the output paper; no paper is a user size until the merge lands.
#include "velm/dm_merge.h"

int32_t FreeSizeGetPaperSlot(DriverContext*) { return -1; }
int32_t FreeSizeGetOutPaperSlot(DriverContext*) { return -1; }
