// The change board of a machine (see changeboard.h).
#include "changeboard.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <map>
#include <mutex>

#include "plat/machine.h"

namespace plat::detail {
namespace {

constexpr size_t kBoardBytes = 4096;

struct Board {
  std::atomic<uint64_t> begun;
  std::atomic<uint64_t> ended;
};
static_assert(std::atomic<uint64_t>::is_always_lock_free, "the counters are shared between processes");
static_assert(sizeof(Board) <= kBoardBytes);

// Maps the board of a machine root, making its file when the root exists;
// null when it cannot. A mapping stays for the life of the process.
Board* MapBoard(const std::string& root) {
  const std::string path = root + "/.changes";
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) return nullptr;
  struct stat st{};
  // Growing a new file gives zeroed counters; two processes growing it at
  // once give the same size.
  bool ok = ::fstat(fd, &st) == 0 && (st.st_size >= off_t(kBoardBytes) || ::ftruncate(fd, kBoardBytes) == 0);
  void* p = ok ? ::mmap(nullptr, kBoardBytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0) : MAP_FAILED;
  ::close(fd);
  return p == MAP_FAILED ? nullptr : static_cast<Board*>(p);
}

Board* BoardOf(const std::string& root) {
  thread_local std::string t_root;
  thread_local Board* t_board = nullptr;
  if (t_board && root == t_root) return t_board;
  static std::mutex mutex;
  static std::map<std::string, Board*> boards;
  std::lock_guard<std::mutex> lock(mutex);
  Board*& board = boards[root];
  if (!board) board = MapBoard(root);
  if (!board) {
    boards.erase(root);  // tried again once the machine exists
    return nullptr;
  }
  t_root = root;
  t_board = board;
  return board;
}

}  // namespace

uint64_t MachineChangeToken(const std::string& root) {
  Board* b = BoardOf(root);
  if (!b) return 0;
  // Ended first: when begun then equals it, no change ran in between and
  // every change it counts was complete before this call returned.
  const uint64_t ended = b->ended.load(std::memory_order_seq_cst);
  const uint64_t begun = b->begun.load(std::memory_order_seq_cst);
  return begun == ended ? ended + 1 : 0;
}

uint64_t MachineChangeToken() { return MachineChangeToken(plat::MachineRoot()); }

MachineChange::MachineChange() : MachineChange(plat::MachineRoot()) {}

MachineChange::MachineChange(const std::string& root) : board_(BoardOf(root)) {
  if (board_) static_cast<Board*>(board_)->begun.fetch_add(1, std::memory_order_seq_cst);
}

MachineChange::~MachineChange() {
  if (board_) static_cast<Board*>(board_)->ended.fetch_add(1, std::memory_order_seq_cst);
}

}  // namespace plat::detail
