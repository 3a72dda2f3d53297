// Write batches of a thread (see plat/batch.h).
#include "plat/batch.h"

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
    // Printer data first: the profile files' changes are applied only when
    // the spooler's store took its own.
    ok = detail::SpoolBatchApply();
    if (ok) ok = detail::ProfileBatchApply();
  }
  detail::SpoolBatchDrop();
  detail::ProfileBatchDrop();
  t_discard = false;
  return ok;
}
