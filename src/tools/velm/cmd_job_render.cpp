// velm job render JOB -o PAGE.png [--page N] [--dpi D]: draws what the
// display list of one page of a job describes, at the job's resolution or
// scaled to D dots per inch, and writes it as PNG. What the preview does not
// draw is named on standard error once; a job that breaks the format gives
// its offset and reason and no picture.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
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

// A job is often hundreds of megabytes: mapped, not read.
class MappedFile {
 public:
  explicit MappedFile(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;
    struct stat st {};
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
      size_ = size_t(st.st_size);
      ok_ = true;
      if (size_ > 0) {
        void* p = mmap(nullptr, size_, PROT_READ, MAP_PRIVATE, fd, 0);
        if (p == MAP_FAILED) {
          ok_ = false;
          size_ = 0;
        } else {
          data_ = static_cast<const uint8_t*>(p);
        }
      }
    }
    close(fd);
  }
  ~MappedFile() {
    if (data_) munmap(const_cast<uint8_t*>(data_), size_);
  }
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;
  bool ok() const { return ok_; }
  const uint8_t* data() const { return data_; }
  size_t size() const { return size_; }

 private:
  const uint8_t* data_ = nullptr;
  size_t size_ = 0;
  bool ok_ = false;
};

}  // namespace

int JobRender(const Args& args) {
  static const char kUsage[] = "usage: velm job render JOB -o PAGE.png [--page N] [--dpi D]\n";
  std::string job, png;
  jobrender::Options options;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool has_value = i + 1 < args.size();
    if (a == "-o" && has_value) {
      png = args[++i];
    } else if (a == "--page" && has_value) {
      if (!ParseNumber(args[++i], 1, 1000000, &options.page)) {
        std::fprintf(stderr, "velm job render: --page wants a page number from 1\n");
        return 2;
      }
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
    std::fprintf(stderr, "velm job render: cannot read %s\n", job.c_str());
    return 1;
  }
  jobrender::Result result;
  std::string error;
  const bool drawn = jobrender::RenderJob(file.data(), file.size(), options, &result, &error);
  jobrender::ReleaseFontCaches();
  if (!drawn) {
    std::fprintf(stderr, "velm job render: %s: %s\n", job.c_str(), error.c_str());
    return 1;
  }
  for (const std::string& w : result.warnings) std::fprintf(stderr, "velm job render: warning: %s\n", w.c_str());
  if (!jobrender::WritePng(result.picture, png, &error)) {
    std::fprintf(stderr, "velm job render: %s\n", error.c_str());
    return 1;
  }
  std::printf("page %d of %d: %d x %d pixels (job %d x %d dpi) -> %s\n", options.page, result.pages,
              result.picture.width, result.picture.height, result.jobDpiX, result.jobDpiY, png.c_str());
  return 0;
}

}  // namespace velm_cli
