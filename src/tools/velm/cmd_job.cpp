// velm job dump FILE: prints a job stream as the spool-side module received
// it, block by block and record by record, and stops with the offset and the
// reason at the first byte that breaks the format.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "command.h"
#include "jobreader/jobreader.h"

namespace {

int JobDump(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "velm job dump: cannot open %s\n", path.c_str());
    return 1;
  }
  std::vector<uint8_t> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) {
    std::fprintf(stderr, "velm job dump: cannot read %s\n", path.c_str());
    return 1;
  }
  jobread::Stream stream;
  jobread::Error error;
  jobread::Options options;
  options.keepPixels = false;
  const bool ok = jobread::ReadStream(data.data(), data.size(), &stream, &error, options);
  std::fputs(jobread::Format(stream).c_str(), stdout);
  std::fflush(stdout);
  if (!ok) {
    std::fprintf(stderr, "velm job dump: %s: offset 0x%llx (%llu): %s\n", path.c_str(),
                 static_cast<unsigned long long>(error.offset), static_cast<unsigned long long>(error.offset),
                 error.message.c_str());
    return 1;
  }
  std::printf("%zu blocks, %zu records, %zu bytes\n", stream.blocks.size(), stream.records.size(), data.size());
  return 0;
}

int RunJob(const velm_cli::Args& args) {
  if (args.size() == 2 && args[0] == "dump") return JobDump(args[1]);
  std::fprintf(stderr, "usage: velm job dump FILE\n");
  return 2;
}

}  // namespace

VELM_COMMAND("job", "job dump FILE      print a job stream block by block and record by record", RunJob);
