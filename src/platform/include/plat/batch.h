// Write batches of a thread: printer-data and profile writes held back and
// applied together, so that a group of values a caller changes as one is
// found by every other reader (and after a crash) either all as before or
// all as after.
//
// While a batch is open on a thread, SetPrinterDataW, DeletePrinterDataW and
// WritePrivateProfileStringW of that thread check their arguments and their
// faults as always, then hold the change; the thread's own reads
// (GetPrinterDataW, GetPrivateProfileStringW, GetPrivateProfileIntW) see the
// held changes, other threads and processes do not. Closing the outermost
// level applies the printer-data changes in one rewrite of the spooler's
// store, then each profile file's changes in one rewrite of that file.
// Batches nest: only the outermost end applies.
#pragma once

namespace plat {

void WriteBatchBegin();
// Ends one level. keep false discards the whole batch (also for the outer
// levels, whose end then answers false). At the outermost level with keep,
// answers whether every held change was applied; a store whose rewrite
// failed is left as it was.
[[nodiscard]] bool WriteBatchEnd(bool keep);
bool WriteBatchActive();

}  // namespace plat
