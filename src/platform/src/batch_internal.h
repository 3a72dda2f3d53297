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

// The journal of commits that rename several files (journal.cpp).
// JournalWrite writes the intent record of the prepared writes (none when
// fewer than two files are renamed; *record empty) and flushes it;
// JournalRemove removes it once every rename is done.
bool JournalWrite(const std::vector<PreparedWrite>& writes, std::string* record, DWORD* error);
void JournalRemove(const std::string& record);
// After a machine lock is taken: replays the records that name its key.
bool IsJournalKey(const std::string& key);
void JournalReplayFor(const std::string& key);
// At a process's first touch of a machine folder: replays the records no
// live writer holds.
void RecoverMachineOnce(const std::string& root);
// The temporary files the journal's records name (kept by the sweep of
// dead processes' leftovers).
std::set<std::string> JournalTemps();
// VELM_CRASH_AT=NAME:N kills the process (SIGKILL) at the Nth pass of the
// named point: "BatchJournal" before the intent record is written,
// "BatchRename" before each rename of a commit, "FileReplace" before the
// rename of each whole file written (crash tests).
void CrashPoint(const char* name);

}  // namespace plat::detail
