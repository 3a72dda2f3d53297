// The job-stream reader on arbitrary bytes: it answers, it does not crash,
// and reading a whole job in pieces (as "velm job dump" reads a file) ends
// as reading it at once does.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "jobreader/jobreader.h"

namespace {

struct Count : jobread::Scanner::Sink {
  size_t blocks = 0, records = 0;
  void OnBlock(const jobread::Block&) override { ++blocks; }
  void OnRecord(jobread::Record&&) override { ++records; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  jobread::Stream stream;
  jobread::Error error;
  jobread::ReadStream(data, size, &stream, &error);
  std::string text = jobread::Format(stream);

  jobread::Options whole;
  whole.wholeJob = true;
  jobread::Error at_once;
  const bool ok = jobread::ReadStream(data, size, &stream, &at_once, whole);
  Count count;
  jobread::Scanner scanner(whole, &count);
  scanner.SetSize(size);
  jobread::Error in_pieces;
  const size_t piece = size % 7 + 1;
  bool ok_pieces = true;
  for (size_t at = 0; ok_pieces && at < size; at += piece) {
    ok_pieces = scanner.Feed(data + at, size - at < piece ? size - at : piece, &in_pieces);
  }
  if (ok_pieces) ok_pieces = scanner.Finish(&in_pieces);
  if (ok != ok_pieces || count.blocks != stream.blocks.size() || count.records != stream.records.size() ||
      (!ok && (at_once.offset != in_pieces.offset || at_once.message != in_pieces.message))) {
    std::abort();
  }

  std::vector<jobread::Record> records;
  jobread::ReadRecords(data, size, &records, &error);
  std::vector<uint8_t> glyph;
  jobread::ExpandGlyph(data, size, size * 4, &glyph, &error);
  return 0;
}
