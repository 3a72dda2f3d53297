// The services' side of write batches (internal; see plat/batch.h).
#pragma once

#include <vector>

#include "hostfs.h"

namespace plat::detail {

bool BatchActive();
// Write what the service holds for the calling thread beside its files
// (appended to out, the files locked), or drop it.
bool SpoolBatchPrepare(std::vector<PreparedWrite>* out);
void SpoolBatchDrop();
bool ProfileBatchPrepare(std::vector<PreparedWrite>* out);
void ProfileBatchDrop();

}  // namespace plat::detail
