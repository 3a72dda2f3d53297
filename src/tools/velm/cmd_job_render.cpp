// velm job render JOB -o PAGE.png [--page N|all] [--dpi D]: draws what the
// display list of one page of a job describes, at the job's resolution or
// scaled to D dots per inch, and writes it as PNG; with --page all every
// page, page n into PAGE-n.png. What the preview does not
// draw is named on standard error once; a job that breaks the format gives
// its offset and reason and no picture.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <string>
#include <vector>

#include "command.h"
#include "job_render.h"

namespace velm_cli {

namespace {

bool ParseNumber(const std::string& text, int low, int high, int* out) {
  if (text.empty() || text.size() > 9) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  const int v = std::atoi(text.c_str());
  if (v < low || v > high) return false;
  *out = v;
  return true;
}

}  // namespace

MappedFile::MappedFile(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    why_ = std::strerror(errno);
    return;
  }
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    why_ = "not a file";
  } else {
    size_ = size_t(st.st_size);
    ok_ = true;
    if (size_ > 0) {
      void* p = mmap(nullptr, size_, PROT_READ, MAP_PRIVATE, fd, 0);
      if (p == MAP_FAILED) {
        why_ = std::strerror(errno);
        ok_ = false;
        size_ = 0;
      } else {
        data_ = static_cast<const uint8_t*>(p);
        madvise(p, size_, MADV_SEQUENTIAL);
      }
    }
  }
  close(fd);
}

MappedFile::~MappedFile() {
  if (data_) munmap(const_cast<uint8_t*>(data_), size_);
}

void MappedFile::Release(size_t end) {
  const size_t page = size_t(sysconf(_SC_PAGESIZE));
  end = std::min(end, size_) / page * page;
  if (end > released_) {
    madvise(const_cast<uint8_t*>(data_) + released_, end - released_, MADV_DONTNEED);
    released_ = end;
  }
}

// The file of page n when every page is drawn: PAGE.png becomes
// PAGE-n.png (a name without .png gets -n.png).
std::string NumberedFile(const std::string& png, int n) {
  const bool has_ext = png.size() > 4 && png.compare(png.size() - 4, 4, ".png") == 0;
  return (has_ext ? png.substr(0, png.size() - 4) : png) + "-" + std::to_string(n) + ".png";
}

int JobRender(const Args& args) {
  static const char kUsage[] = "usage: velm job render JOB -o PAGE.png [--page N|all] [--dpi D]\n";
  std::string job, png;
  jobrender::Options options;
  bool all = false;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool has_value = i + 1 < args.size();
    if (a == "-o" && has_value) {
      png = args[++i];
    } else if (a == "--page" && has_value) {
      all = args[i + 1] == "all";
      if (!all && !ParseNumber(args[i + 1], 1, 1000000, &options.page)) {
        std::fprintf(stderr, "velm job render: --page wants a page number from 1, or all\n");
        return 2;
      }
      ++i;
    } else if (a == "--dpi" && has_value) {
      if (!ParseNumber(args[++i], 1, 9600, &options.dpi)) {
        std::fprintf(stderr, "velm job render: --dpi wants 1 to 9600 dots per inch\n");
        return 2;
      }
    } else if (job.empty() && !a.empty() && a[0] != '-') {
      job = a;
    } else {
      std::fputs(kUsage, stderr);
      return 2;
    }
  }
  if (job.empty() || png.empty()) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  MappedFile file(job);
  if (!file.ok()) {
    std::fprintf(stderr, "velm job render: cannot read %s: %s\n", job.c_str(), file.why().c_str());
    return 1;
  }
  // One page, or every page in turn (the first tells how many there are).
  int status = 0;
  for (int page = all ? 1 : options.page, last = page; page <= last; ++page) {
    options.page = page;
    jobrender::Result result;
    std::string error;
    if (!jobrender::RenderJob(file.data(), file.size(), options, &result, &error)) {
      std::fprintf(stderr, "velm job render: %s: %s\n", job.c_str(), error.c_str());
      status = 1;
      break;
    }
    if (all) last = result.pages;
    const std::string out = all ? NumberedFile(png, page) : png;
    for (const std::string& w : result.warnings) std::fprintf(stderr, "velm job render: warning: %s\n", w.c_str());
    if (!jobrender::WritePng(result.picture, out, &error)) {
      std::fprintf(stderr, "velm job render: %s\n", error.c_str());
      status = 1;
      break;
    }
    std::printf("page %d of %d: %d x %d pixels (job %d x %d dpi), printable area %d x %d at (%d,%d) -> %s\n", page,
                result.pages, result.picture.width, result.picture.height, result.jobDpiX, result.jobDpiY,
                result.printable.width, result.printable.height, result.printable.left, result.printable.top,
                out.c_str());
    std::fflush(stdout);
  }
  jobrender::ReleaseFontCaches();
  return status;
}

}  // namespace velm_cli
