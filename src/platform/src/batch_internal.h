// The services' side of write batches (internal; see plat/batch.h).
#pragma once

namespace plat::detail {

bool BatchActive();
// Apply or drop what the service holds for the calling thread.
bool SpoolBatchApply();
void SpoolBatchDrop();
bool ProfileBatchApply();
void ProfileBatchDrop();

}  // namespace plat::detail
