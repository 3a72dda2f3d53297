// The change board of a machine (internal): two counters in a small file
// <machine root>/.changes that every process of the machine maps shared.
// Whoever replaces, renames or removes a file of the machine counts the
// change as begun before and as ended after it. A reader that cached a
// file's contents together with the board's token may trust the cache
// without looking at the file again while the token stays the same: no
// process has changed a file since. While a change runs (begun != ended)
// there is no token and readers check the file itself, as they do when the
// board cannot be mapped. A process killed inside a change leaves the two
// counters apart for good; that costs the readers of the machine their
// shortcut, never a change.
//
// The board sees the whole-file replacements of this layer (ReplaceHostFile,
// CommitHostFile and the journal's replay), the only way the files whose
// readers use it (the typed stores and the machine settings) are written.
// A file edited in place by an outside program is noticed by readers that
// hold no token (a new process, or one that wrote since).
#pragma once

#include <cstdint>
#include <string>

namespace plat::detail {

// The machine's token now, or 0 when none can be given (a change runs, or
// the machine has no board).
uint64_t MachineChangeToken(const std::string& root);
// The token of the current machine (plat::MachineRoot()).
uint64_t MachineChangeToken();

// Counts one change of a file of the current machine, from construction to
// destruction; the object lives across the rename or removal.
class MachineChange {
 public:
  MachineChange();
  explicit MachineChange(const std::string& root);
  ~MachineChange();
  MachineChange(const MachineChange&) = delete;
  MachineChange& operator=(const MachineChange&) = delete;

 private:
  void* board_;
};

}  // namespace plat::detail
