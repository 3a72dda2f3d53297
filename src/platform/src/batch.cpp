// Write batches of a thread (see plat/batch.h).
#include "plat/batch.h"

#include <unistd.h>

#include "batch_internal.h"
#include "plat/kernel.h"

namespace {
thread_local int t_depth = 0;
thread_local bool t_discard = false;
}  // namespace

bool plat::detail::BatchActive() { return t_depth > 0; }

void plat::WriteBatchBegin() {
  if (t_depth++ == 0) t_discard = false;
}

bool plat::WriteBatchActive() { return t_depth > 0; }

bool plat::WriteBatchEnd(bool keep) {
  if (t_depth == 0) return false;
  if (!keep) t_discard = true;
  if (--t_depth > 0) return !t_discard;
  bool ok = false;
  if (!t_discard) {
    // Every file's new text is written beside it first, with all of their
    // locks held; only when all are written are they renamed over their
    // files. A failure before the renames leaves every file as it was.
    // When more than one file is renamed, an intent record naming them all
    // is flushed first: a process killed between two renames leaves the
    // record, and the next process that touches the machine finishes the
    // renames (see journal.cpp), so no reader ever finds the stores out of
    // step.
    std::vector<detail::PreparedWrite> prepared;
    ok = detail::SpoolBatchPrepare(&prepared) && detail::ProfileBatchPrepare(&prepared);
    std::string record;
    DWORD error = 0;
    if (ok) {
      detail::CrashPoint("BatchJournal");
      ok = detail::JournalWrite(prepared, &record, &error);
      if (!ok) SetLastError(error);
    }
    // Once committing, every rename is tried: the record promised them all.
    const bool commit = ok;
    for (detail::PreparedWrite& p : prepared) {
      if (p.temp.empty()) continue;
      if (!commit) {
        ::unlink(p.temp.c_str());
        continue;
      }
      detail::CrashPoint("BatchRename");
      if (!detail::CommitHostFile(p.temp, p.host, &error)) ok = false;
    }
    detail::JournalRemove(record);
  }
  detail::SpoolBatchDrop();
  detail::ProfileBatchDrop();
  t_discard = false;
  return ok;
}
