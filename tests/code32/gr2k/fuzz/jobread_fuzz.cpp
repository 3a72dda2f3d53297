// The job-stream reader on arbitrary bytes: it answers, it does not crash.
#include <cstdint>
#include <string>
#include <vector>

#include "jobreader/jobreader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  jobread::Stream stream;
  jobread::Error error;
  jobread::ReadStream(data, size, &stream, &error);
  std::string text = jobread::Format(stream);
  std::vector<jobread::Record> records;
  jobread::ReadRecords(data, size, &records, &error);
  std::vector<uint8_t> glyph;
  jobread::ExpandGlyph(data, size, size * 4, &glyph, &error);
  return 0;
}
