// velm job dump [--summary] FILE: prints a job stream as the spool-side
// module received it, block by block and record by record, and stops with
// the offset and the reason at the first byte that breaks the format. With
// --summary each block takes one line: its kind and length, the first line
// of a command text, and for a run of data blocks the count of records of
// each kind (image records of bands counted apart).
#include <cstdio>
#include <fstream>
#include <iterator>
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

std::string Summary(const jobread::Stream& stream) {
  std::string out;
  char line[160];
  size_t r = 0;
  const auto& blocks = stream.blocks;
  for (size_t b = 0; b < blocks.size();) {
    const jobread::Block& block = blocks[b];
    if (block.kind != 0xF5) {
      size_t lines = 0;
      std::string first = ShortText(block.text, &lines);
      std::snprintf(line, sizeof line, "%-16s %02X  length %-8u", jobread::BlockKindName(block.kind).c_str(),
                    block.kind, block.length);
      out += line;
      if (!first.empty() || lines > 0) out += "  " + first;
      if (lines > 1) out += "  (+" + std::to_string(lines - 1) + " lines)";
      out += "\n";
      ++b;
      continue;
    }
    // A run of data blocks and the records that lie in it.
    size_t e = b;
    uint64_t bytes = 0;
    while (e < blocks.size() && blocks[e].kind == 0xF5) bytes += blocks[e++].length;
    const uint64_t end = e < blocks.size() ? blocks[e].offset : UINT64_MAX;
    std::map<std::string, size_t> counts;
    std::vector<std::string> order;
    while (r < stream.records.size() && stream.records[r].offset < end) {
      const jobread::Record& rec = stream.records[r++];
      std::string name = jobread::RecordName(rec.opcode);
      if (rec.opcode == 0x20 && rec.Int("band") == 1) name = "band image";
      if (counts[name]++ == 0) order.push_back(name);
    }
    std::snprintf(line, sizeof line, "%-16s %02X  length %-8llu", e - b > 1 ? "data blocks" : "data", 0xF5,
                  static_cast<unsigned long long>(bytes));
    out += line;
    std::string list;
    for (const std::string& name : order) list += (list.empty() ? "" : ", ") + std::to_string(counts[name]) + " " + name;
    out += "  " + std::to_string(e - b) + " block" + (e - b > 1 ? "s" : "") + ": " + (list.empty() ? "no records" : list);
    out += "\n";
    b = e;
  }
  return out;
}

int JobDump(const std::string& path, bool summary) {
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
  std::fputs((summary ? Summary(stream) : jobread::Format(stream)).c_str(), stdout);
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
  if (args.size() == 2 && args[0] == "dump") return JobDump(args[1], false);
  if (args.size() == 3 && args[0] == "dump" && args[1] == "--summary") return JobDump(args[2], true);
  if (!args.empty() && args[0] == "render") return velm_cli::JobRender(args);
  std::fprintf(stderr, "usage: velm job dump [--summary] FILE | velm job render JOB -o PAGE.png [--page N] [--dpi D]\n");
  return 2;
}

}  // namespace

VELM_COMMAND("job",
             "job dump [--summary] FILE | job render JOB -o PAGE.png [--page N] [--dpi D]\n"
             "                                  print a job stream record by record, or draw a page of it",
             RunJob);
