// The block frame of the job stream, and the runs of display-list records
// carried by consecutive data blocks (a record may run on from one data block
// into the next, but never past a block of another kind).
#include <cstdio>
#include <string>
#include <vector>

#include "jobreader/jobreader.h"
#include "reader_internal.h"

namespace jobread {

namespace {

constexpr uint8_t kData = 0xF5;

uint32_t U32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

std::string HexOffset(uint64_t v) {
  char buf[24];
  std::snprintf(buf, sizeof buf, "0x%llX", static_cast<unsigned long long>(v));
  return buf;
}

// Records of one run of data blocks, decoded as the blocks arrive.
class RecordRun {
 public:
  RecordRun(const Options& options, std::vector<Record>* out) : options_(options), out_(out) {}

  bool Feed(const uint8_t* p, size_t n, uint64_t file_offset, Error* error) {
    if (n == 0) return true;
    Compact();
    segments_.push_back({buf_.size(), file_offset});
    buf_.insert(buf_.end(), p, p + n);
    while (start_ < buf_.size()) {
      const uint8_t* rec = buf_.data() + start_;
      const size_t available = buf_.size() - start_;
      SizeResult size = RecordSizeOf(rec, available);
      if (size.state == SizeResult::kBad) return Fail(start_ + size.at, size.why, error);
      if (size.state == SizeResult::kNeedMore || available < size.size) break;
      Record record;
      record.offset = FileOffset(start_);
      size_t bad_at = 0;
      std::string why;
      if (!DecodeRecord(rec, size.size, options_, &record, &bad_at, &why)) {
        return Fail(start_ + bad_at,
                    "record " + HexOffset(rec[0]) + " (" + RecordName(rec[0]) + ") at " + HexOffset(record.offset) +
                        ": " + why,
                    error);
      }
      out_->push_back(std::move(record));
      start_ += size.size;
    }
    return true;
  }

  // The run ends at file offset `at` (the next block, or the end of input).
  bool Finish(uint64_t at, const std::string& by, Error* error) {
    bool ok = true;
    if (start_ < buf_.size()) {
      const uint8_t* rec = buf_.data() + start_;
      const size_t available = buf_.size() - start_;
      SizeResult size = RecordSizeOf(rec, available);
      std::string what = RecordName(rec[0]) + " record (" + HexOffset(rec[0]) + ") at " + HexOffset(FileOffset(start_));
      error->offset = at;
      if (size.state == SizeResult::kKnown) {
        error->message = what + " needs " + std::to_string(size.size) + " bytes but " + by + " comes after " +
                         std::to_string(available);
      } else {
        error->message = what + " is cut off by " + by + " inside its header";
      }
      ok = false;
    }
    buf_.clear();
    segments_.clear();
    start_ = 0;
    return ok;
  }

 private:
  struct Segment {
    size_t at;      // index in buf_
    uint64_t file;  // file offset of that byte
  };

  bool Fail(size_t index, const std::string& why, Error* error) {
    error->offset = FileOffset(index);
    error->message = why;
    return false;
  }

  uint64_t FileOffset(size_t index) const {
    const Segment* seg = &segments_.front();
    for (const Segment& s : segments_) {
      if (s.at <= index) seg = &s;
    }
    return seg->file + (index - seg->at);
  }

  // Drops the bytes of the records already decoded.
  void Compact() {
    if (start_ == 0) return;
    std::vector<Segment> kept;
    for (size_t i = 0; i < segments_.size(); ++i) {
      const size_t end = i + 1 < segments_.size() ? segments_[i + 1].at : buf_.size();
      if (end <= start_) continue;
      Segment s = segments_[i];
      if (s.at < start_) {
        s.file += start_ - s.at;
        s.at = 0;
      } else {
        s.at -= start_;
      }
      kept.push_back(s);
    }
    segments_ = std::move(kept);
    buf_.erase(buf_.begin(), buf_.begin() + std::ptrdiff_t(start_));
    start_ = 0;
  }

  const Options& options_;
  std::vector<Record>* out_;
  std::vector<uint8_t> buf_;
  size_t start_ = 0;
  std::vector<Segment> segments_;
};

bool KnownBlock(uint8_t kind) {
  return kind == 0xF0 || kind == 0xF1 || kind == 0xF3 || kind == 0xF4 || kind == kData;
}

}  // namespace

bool ReadStream(const uint8_t* data, size_t size, Stream* out, Error* error, const Options& options) {
  *out = {};
  RecordRun run(options, &out->records);
  size_t pos = 0;
  while (pos < size) {
    const size_t left = size - pos;
    if (left < 8) {
      error->offset = pos;
      error->message = "block header cut off: " + std::to_string(left) + " of 8 bytes before the end";
      return false;
    }
    const uint8_t kind = data[pos];
    const uint32_t length = U32(data + pos + 4);
    if (!KnownBlock(kind)) {
      error->offset = pos;
      error->message = "unknown block kind " + HexOffset(kind);
      return false;
    }
    if (length > left - 8) {
      error->offset = pos + 4;
      error->message = BlockKindName(kind) + " block length " + std::to_string(length) + " runs past the end (" +
                       std::to_string(left - 8) + " bytes follow)";
      return false;
    }
    if (kind == 0xF0 && length != 0) {
      error->offset = pos + 4;
      error->message = "page-header-end block (0xF0) has length " + std::to_string(length) + ", not 0";
      return false;
    }
    Block block;
    block.offset = pos;
    block.kind = kind;
    block.length = length;
    if (kind == kData) {
      out->blocks.push_back(std::move(block));
      if (!run.Feed(data + pos + 8, length, pos + 8, error)) return false;
    } else {
      if (!run.Finish(pos, "a " + BlockKindName(kind) + " block", error)) return false;
      block.text.assign(data + pos + 8, data + pos + 8 + length);
      out->blocks.push_back(std::move(block));
    }
    pos += 8 + size_t(length);
  }
  return run.Finish(size, "the end of the stream", error);
}

bool ReadRecords(const uint8_t* data, size_t size, std::vector<Record>* out, Error* error, const Options& options) {
  out->clear();
  RecordRun run(options, out);
  if (!run.Feed(data, size, 0, error)) return false;
  return run.Finish(size, "the end of the data", error);
}

bool ExpandGlyph(const uint8_t* data, size_t size, uint64_t plain_size, std::vector<uint8_t>* out, Error* error) {
  out->clear();
  size_t pos = 0;
  auto fail = [&](size_t at, std::string why) {
    error->offset = at;
    error->message = std::move(why);
    return false;
  };
  // Extension bytes: 255 while more follow, ended by one below 255.
  auto extension = [&](uint64_t* sum, size_t token) {
    for (;;) {
      if (pos >= size) return fail(token, "token extension cut off by the end of the data");
      const uint8_t b = data[pos++];
      *sum += b;
      if (b < 255) return true;
    }
  };
  while (pos < size) {
    const size_t token = pos;
    const uint8_t head = data[pos++];
    uint64_t zeros = (head >> 3) & 0x0F;
    if (zeros == 15 && !extension(&zeros, token)) return false;
    uint64_t n = (head & 0x07) + 1;
    if ((head & 0x07) == 7) {
      n = 8;
      if (!extension(&n, token)) return false;
    }
    const bool repeat = head & 0x80;
    const uint64_t produced = zeros + (repeat ? n + 1 : n);
    if (produced > plain_size - out->size()) {
      return fail(token, "token stands for " + std::to_string(produced) + " bytes but only " +
                             std::to_string(plain_size - out->size()) + " of the glyph's " +
                             std::to_string(plain_size) + " remain");
    }
    if (repeat) {
      if (pos >= size) return fail(token, "repeat token without its data byte");
      out->insert(out->end(), size_t(zeros), 0);
      out->insert(out->end(), size_t(n + 1), data[pos++]);
    } else {
      if (size - pos < n) return fail(token, "literal of " + std::to_string(n) + " bytes cut off by the end of the data");
      out->insert(out->end(), size_t(zeros), 0);
      out->insert(out->end(), data + pos, data + pos + n);
      pos += size_t(n);
    }
  }
  return true;
}

std::string BlockKindName(uint8_t kind) {
  switch (kind) {
    case 0xF0: return "page-header-end";
    case 0xF1: return "page-end";
    case 0xF3: return "job-start";
    case 0xF4: return "page-start";
    case 0xF5: return "data";
    default: return "unknown";
  }
}

// ---- records ----------------------------------------------------------------------------

const Field* Record::Find(std::string_view name) const {
  for (const Field& f : fields) {
    if (f.name == name) return &f;
  }
  return nullptr;
}

int64_t Record::Int(std::string_view name) const {
  const Field* f = Find(name);
  return f && f->kind == Field::kInt ? f->value : INT64_MIN;
}

const std::vector<uint8_t>& Record::Bytes(std::string_view name) const {
  static const std::vector<uint8_t> none;
  const Field* f = Find(name);
  return f && f->kind == Field::kBytes ? f->bytes : none;
}

const std::vector<int64_t>& Record::List(std::string_view name) const {
  static const std::vector<int64_t> none;
  const Field* f = Find(name);
  return f && f->kind == Field::kList ? f->list : none;
}

std::string Record::Text(std::string_view name) const {
  const Field* f = Find(name);
  return f && f->kind == Field::kText ? f->text : std::string();
}

void Record::AddInt(std::string name, int64_t value) {
  Field f;
  f.name = std::move(name);
  f.kind = Field::kInt;
  f.value = value;
  fields.push_back(std::move(f));
}

void Record::AddBytes(std::string name, const uint8_t* p, size_t n) {
  Field f;
  f.name = std::move(name);
  f.kind = Field::kBytes;
  f.bytes.assign(p, p + n);
  fields.push_back(std::move(f));
}

void Record::AddList(std::string name, std::vector<int64_t> values) {
  Field f;
  f.name = std::move(name);
  f.kind = Field::kList;
  f.list = std::move(values);
  fields.push_back(std::move(f));
}

void Record::AddText(std::string name, std::string text) {
  Field f;
  f.name = std::move(name);
  f.kind = Field::kText;
  f.text = std::move(text);
  fields.push_back(std::move(f));
}

}  // namespace jobread
