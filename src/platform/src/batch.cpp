// Write batches of a thread (see plat/batch.h).
#include "plat/batch.h"

#include <unistd.h>

#include "batch_internal.h"

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
    std::vector<detail::PreparedWrite> prepared;
    ok = detail::SpoolBatchPrepare(&prepared) && detail::ProfileBatchPrepare(&prepared);
    for (detail::PreparedWrite& p : prepared) {
      if (p.temp.empty()) continue;
      DWORD error = 0;
      if (!ok) ::unlink(p.temp.c_str());
      else if (!detail::CommitHostFile(p.temp, p.host, &error)) ok = false;
    }
  }
  detail::SpoolBatchDrop();
  detail::ProfileBatchDrop();
  t_discard = false;
  return ok;
}
