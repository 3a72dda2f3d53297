// Helpers every test program shares: a temporary folder that removes itself,
// whole-file reads and file copies without a shell, and running a check in a forked child process
// (for process-wide state).
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <system_error>

namespace test_support {

// A fresh folder /tmp/<prefix>-XXXXXX, removed with everything in it when
// the object goes.
class TempFolder {
 public:
  explicit TempFolder(const std::string& prefix) {
    std::string tmpl = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
    if (mkdtemp(tmpl.data())) path_ = tmpl;
    EXPECT_FALSE(path_.empty()) << "no temporary folder for " << prefix;
  }
  ~TempFolder() { Remove(path_); }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::string& path() const { return path_; }

  // Removes a folder and everything in it; quiet when it is not there.
  static void Remove(const std::string& path) {
    if (path.empty()) return;
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }

 private:
  std::string path_;
};

// A file's bytes, read whole in one call (empty when it cannot be read). Test
// code is built without optimisation, where a read byte by byte through a
// stream iterator costs seconds for a spool file of some megabytes.
inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) return {};
  const std::streamoff size = in.tellg();
  if (size <= 0) return {};
  std::string bytes(size_t(size), '\0');
  in.seekg(0);
  in.read(bytes.data(), size);
  bytes.resize(size_t(in.gcount()));
  return bytes;
}

// Copies one file over another; false (with the reason in *why) on failure.
inline bool CopyFile(const std::string& from, const std::string& to, std::string* why = nullptr) {
  std::error_code error;
  std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing, error);
  if (error && why) *why = from + " -> " + to + ": " + error.message();
  return !error;
}

// Runs body in a child process; its answer is the child's exit status (0
// for success), or 1000 + the signal that ended it.
inline int InChild(const std::function<int()>& body) {
  std::fflush(nullptr);
  pid_t pid = fork();
  if (pid == 0) _exit(body());
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
}

}  // namespace test_support

// Inside an InChild body: ends the child with a message on failure.
#define CHILD_CHECK(cond)                                                                   \
  do {                                                                                      \
    if (!(cond)) {                                                                          \
      std::fprintf(stderr, "child check failed at %s:%d: %s\n", __FILE__, __LINE__, #cond); \
      return 1;                                                                             \
    }                                                                                       \
  } while (0)
