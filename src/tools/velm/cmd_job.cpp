// velm job dump [--summary] FILE: prints a job stream as the spool-side
// module received it, block by block and record by record, and stops with
// the offset and the reason at the first byte that breaks the format. With
// --summary each block takes one line: its kind and length, the first line
// of a command text, and for a run of data blocks the count of records of
// each kind (image records of bands counted apart). The job must be whole:
// one that is empty, is no job stream or stops part-way (a killed print)
// ends the listing with the offset and the reason and a non-zero exit. The
// file is mapped and read in order, its pages given back behind the reading,
// and printed as it is read, so a job of gigabytes takes little memory; on a
// terminal the progress is shown.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "command.h"
#include "jobreader/jobreader.h"

namespace {

// A line of command text for a terminal: printable ASCII as it is, every
// other byte as \xNN, the line end left out.
std::string ShortText(const std::vector<uint8_t>& text, size_t* lines) {
  std::string first;
  size_t n = 0, i = 0;
  for (; i < text.size() && text[i] != '\n'; ++i) {
    const uint8_t b = text[i];
    if (b == '\r') continue;
    if (b >= 0x20 && b < 0x7F) {
      first += char(b);
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02x", b);
      first += hex;
    }
  }
  for (uint8_t b : text) n += b == '\n';
  if (!text.empty() && text.back() != '\n') ++n;
  *lines = n;
  return first;
}

// Blocks and records as they are read, each printed at once: the whole
// listing, or with --summary one line a block and one a run of data blocks.
class DumpSink : public jobread::Scanner::Sink {
 public:
  // reached(offset) is told how far the reading is, block by block and
  // record by record.
  DumpSink(bool summary, std::function<void(uint64_t)> reached) : summary_(summary), reached_(std::move(reached)) {}

  void OnBlock(const jobread::Block& block) override {
    reached_(block.offset);
    ++blocks_;
    if (!summary_) return Put(jobread::Format(block));
    if (block.kind == 0xF5) {
      ++run_blocks_;
      run_bytes_ += block.length;
      return;
    }
    EndRun();
    size_t lines = 0;
    std::string first = ShortText(block.text, &lines);
    char line[160];
    std::snprintf(line, sizeof line, "%-16s %02X  length %-8u", jobread::BlockKindName(block.kind).c_str(), block.kind,
                  block.length);
    std::string out = line;
    if (!first.empty() || lines > 0) out += "  " + first;
    if (lines > 1) out += "  (+" + std::to_string(lines - 1) + " lines)";
    Put(out + "\n");
  }

  void OnRecord(jobread::Record&& rec) override {
    reached_(rec.offset);
    ++records_;
    if (!summary_) return Put(jobread::Format(rec));
    std::string name = jobread::RecordName(rec.opcode);
    if (rec.opcode == 0x20 && rec.Int("band") == 1) name = "band image";
    if (counts_[name]++ == 0) order_.push_back(name);
  }

  // The line of a run of data blocks and the records that lie in it.
  void EndRun() {
    if (run_blocks_ == 0) return;
    char line[160];
    std::snprintf(line, sizeof line, "%-16s %02X  length %-8llu", run_blocks_ > 1 ? "data blocks" : "data", 0xF5,
                  static_cast<unsigned long long>(run_bytes_));
    std::string list;
    for (const std::string& name : order_) list += (list.empty() ? "" : ", ") + std::to_string(counts_[name]) + " " + name;
    Put(std::string(line) + "  " + std::to_string(run_blocks_) + " block" + (run_blocks_ > 1 ? "s" : "") + ": " +
        (list.empty() ? "no records" : list) + "\n");
    run_blocks_ = 0;
    run_bytes_ = 0;
    counts_.clear();
    order_.clear();
  }

  uint64_t blocks() const { return blocks_; }
  uint64_t records() const { return records_; }

 private:
  static void Put(const std::string& text) { std::fwrite(text.data(), 1, text.size(), stdout); }

  const bool summary_;
  const std::function<void(uint64_t)> reached_;
  uint64_t blocks_ = 0, records_ = 0;
  uint64_t run_blocks_ = 0, run_bytes_ = 0;
  std::map<std::string, size_t> counts_;
  std::vector<std::string> order_;
};

// How far the reading is, on a terminal only, at most twice a second.
class Progress {
 public:
  explicit Progress(uint64_t total) : total_(total), shown_(isatty(STDERR_FILENO) == 1 && total > 0) {}
  ~Progress() { Clear(); }

  void At(uint64_t done) {
    if (!shown_) return;
    const auto now = std::chrono::steady_clock::now();
    if (now - last_ < std::chrono::milliseconds(500)) return;
    last_ = now;
    std::fprintf(stderr, "\rreading: %llu of %llu MB (%d%%)", static_cast<unsigned long long>(done >> 20),
                 static_cast<unsigned long long>(total_ >> 20), int(done * 100 / total_));
    std::fflush(stderr);
    drawn_ = true;
  }

  void Clear() {
    if (!drawn_) return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    drawn_ = false;
  }

 private:
  const uint64_t total_;
  const bool shown_;
  bool drawn_ = false;
  std::chrono::steady_clock::time_point last_{};
};

// The pages of the file behind the reading are given back in steps of
// this size, so that the memory of the host stays small for any job.
constexpr uint64_t kReleaseStep = uint64_t(64) << 20;

int JobDump(const std::string& path, bool summary) {
  velm_cli::MappedFile file(path);
  if (!file.ok()) {
    std::fprintf(stderr, "velm job dump: cannot open %s: %s\n", path.c_str(), file.why().c_str());
    return 1;
  }
  static char out_buffer[1 << 16];
  std::setvbuf(stdout, out_buffer, _IOFBF, sizeof out_buffer);
  Progress progress(file.size());
  uint64_t released = 0;
  DumpSink sink(summary, [&](uint64_t at) {
    progress.At(at);
    if (at - released >= kReleaseStep) {
      file.Release(size_t(at));
      released = at;
    }
  });
  jobread::Options options;
  options.keepPixels = false;
  options.hashPixels = !summary;
  options.wholeJob = true;
  // Each record is decoded where it lies in the mapped file: no copy of it
  // is made.
  jobread::Scanner scanner(options, &sink);
  scanner.SetSize(file.size());
  jobread::Error error;
  const bool ok = scanner.Feed(file.data(), file.size(), &error) && scanner.Finish(&error);
  progress.Clear();
  sink.EndRun();
  std::fflush(stdout);
  if (!ok) {
    std::fprintf(stderr, "velm job dump: %s: offset 0x%llx (%llu): %s\n", path.c_str(),
                 static_cast<unsigned long long>(error.offset), static_cast<unsigned long long>(error.offset),
                 error.message.c_str());
    return 1;
  }
  std::printf("%llu blocks, %llu records, %llu bytes\n", static_cast<unsigned long long>(sink.blocks()),
              static_cast<unsigned long long>(sink.records()), static_cast<unsigned long long>(scanner.offset()));
  return 0;
}

int RunJob(const velm_cli::Args& args) {
  if (args.size() == 2 && args[0] == "dump") return JobDump(args[1], false);
  if (args.size() == 3 && args[0] == "dump" && args[1] == "--summary") return JobDump(args[2], true);
  if (!args.empty() && args[0] == "render") return velm_cli::JobRender(args);
  std::fprintf(stderr,
               "usage: velm job dump [--summary] FILE | velm job render JOB -o PAGE.png [--page N|all] [--dpi D]\n");
  return 2;
}

}  // namespace

VELM_COMMAND("job",
             "job dump [--summary] FILE | job render JOB -o PAGE.png [--page N|all] [--dpi D]\n"
             "                                  print a job stream record by record, or draw a page of it\n"
             "                                  (--page all: every page, page N into PAGE-N.png)",
             RunJob);
