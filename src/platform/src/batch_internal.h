// The services' side of write batches (internal; see plat/batch.h).
#pragma once

#include <set>
#include <string>
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

// Finishes the batches of the machine at root whose processes died between
// their renames (each leaves a record naming them all); run when a process
// first opens the machine. A record still held by its live owner is waited
// for.
void RecoverWriteBatches(const std::string& root);
// The processes whose batch records are in the machine at root: their
// temporary files are still to be renamed, not leftovers.
std::set<int> ProcessesWithRecords(const std::string& root);

}  // namespace plat::detail
