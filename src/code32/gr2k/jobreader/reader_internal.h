// Declarations shared by the files of the job-stream reader.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "jobreader/jobreader.h"

namespace jobread {

// What the first bytes of a record say about its size.
struct SizeResult {
  enum State { kNeedMore, kKnown, kBad };
  State state = kNeedMore;
  uint32_t size = 0;
  size_t at = 0;  // kBad: offset of the offending byte in the record
  std::string why;
};
SizeResult RecordSizeOf(const uint8_t* p, size_t available);

// Decodes one complete record of size bytes; on a format error bad_at is
// the offset of the offending byte within the record.
bool DecodeRecord(const uint8_t* p, uint32_t size, const Options& options, Record* out, size_t* bad_at,
                  std::string* why);

}  // namespace jobread
