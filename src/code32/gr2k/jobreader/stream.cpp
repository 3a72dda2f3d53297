// The block frame of the job stream, and the runs of display-list records
// carried by consecutive data blocks (a record may run on from one data block
// into the next, but never past a block of another kind).
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <optional>
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

// Records of one run of data blocks, decoded as the blocks arrive: a record
// that lies whole in the bytes given is decoded where it lies; the start of
// one that runs on is copied aside until the rest of it arrives.
class RecordRun {
 public:
  static constexpr size_t kMaxReserve = size_t(64) << 20;
  // emit takes each record in turn; its false stops the reading.
  using Emit = std::function<bool(Record&, Error*)>;
  RecordRun(const Options& options, Emit emit) : options_(options), emit_(std::move(emit)) {}

  // A record begun and not yet complete.
  bool Pending() const { return !carry_.empty(); }

  bool Feed(const uint8_t* p, size_t n, uint64_t file_offset, Error* error) {
    size_t i = 0;
    if (!carry_.empty() && n > 0) {
      segments_.push_back({carry_.size(), file_offset});
      while (i < n) {
        SizeResult size = RecordSizeOf(carry_.data(), carry_.size());
        if (size.state == SizeResult::kBad) return Fail(CarryOffset(size.at), size.why, error);
        // The rest of a record of known size, else enough for any header.
        const size_t want = size.state == SizeResult::kKnown ? size.size - carry_.size()
                                                               : std::max<size_t>(1, 16 - std::min<size_t>(16, carry_.size()));
        const size_t take = std::min(want, n - i);
        // Room for the whole record at once (as far as a size field may be
        // believed before its bytes arrive).
        if (size.state == SizeResult::kKnown) carry_.reserve(std::min<size_t>(size.size, kMaxReserve));
        carry_.insert(carry_.end(), p + i, p + i + take);
        i += take;
        size = RecordSizeOf(carry_.data(), carry_.size());
        if (size.state == SizeResult::kBad) return Fail(CarryOffset(size.at), size.why, error);
        if (size.state == SizeResult::kKnown && carry_.size() >= size.size) {
          // Bytes taken past the record's end (its header was read whole
          // before its size was known) are read again as the next record.
          i -= carry_.size() - size.size;
          std::vector<uint8_t> rec;
          rec.swap(carry_);
          std::vector<Segment> segments;
          segments.swap(segments_);
          auto offset_of = [&](size_t index) { return OffsetIn(segments, index); };
          if (!Decode(rec.data(), size.size, offset_of, error)) return false;
          break;
        }
      }
      if (!carry_.empty()) return true;
    }
    while (i < n) {
      const uint8_t* rec = p + i;
      SizeResult size = RecordSizeOf(rec, n - i);
      if (size.state == SizeResult::kBad) return Fail(file_offset + i + size.at, size.why, error);
      if (size.state == SizeResult::kNeedMore || size.size > n - i) {
        carry_.assign(rec, p + n);
        segments_.assign(1, {0, file_offset + i});
        return true;
      }
      const uint64_t at = file_offset + i;
      if (!Decode(rec, size.size, [at](size_t index) { return at + index; }, error)) return false;
      i += size.size;
    }
    return true;
  }

  // The run ends at file offset `at` (the next block, or the end of input).
  bool Finish(uint64_t at, const std::string& by, Error* error) {
    if (carry_.empty()) return true;
    SizeResult size = RecordSizeOf(carry_.data(), carry_.size());
    std::string what = RecordName(carry_[0]) + " record (" + HexOffset(carry_[0]) + ") at " + HexOffset(CarryOffset(0));
    error->offset = at;
    if (size.state == SizeResult::kKnown) {
      error->message = what + " needs " + std::to_string(size.size) + " bytes but " + by + " comes after " +
                       std::to_string(carry_.size());
    } else {
      error->message = what + " is cut off by " + by + " inside its header";
    }
    carry_.clear();
    segments_.clear();
    return false;
  }

 private:
  struct Segment {
    size_t at;      // index in the carried bytes
    uint64_t file;  // file offset of that byte
  };

  static uint64_t OffsetIn(const std::vector<Segment>& segments, size_t index) {
    const Segment* seg = &segments.front();
    for (const Segment& s : segments) {
      if (s.at <= index) seg = &s;
    }
    return seg->file + (index - seg->at);
  }
  uint64_t CarryOffset(size_t index) const { return OffsetIn(segments_, index); }

  static bool Fail(uint64_t offset, const std::string& why, Error* error) {
    error->offset = offset;
    error->message = why;
    return false;
  }

  template <typename OffsetOf>
  bool Decode(const uint8_t* rec, uint32_t size, OffsetOf offset_of, Error* error) {
    Record record;
    record.offset = offset_of(0);
    size_t bad_at = 0;
    std::string why;
    if (!DecodeRecord(rec, size, options_, &record, &bad_at, &why)) {
      return Fail(offset_of(bad_at),
                  "record " + HexOffset(rec[0]) + " (" + RecordName(rec[0]) + ") at " + HexOffset(record.offset) +
                      ": " + why,
                  error);
    }
    return emit_(record, error);
  }

  const Options& options_;
  Emit emit_;
  std::vector<uint8_t> carry_;
  std::vector<Segment> segments_;
};

bool KnownBlock(uint8_t kind) {
  return kind == 0xF0 || kind == 0xF1 || kind == 0xF3 || kind == 0xF4 || kind == kData;
}

// The order of blocks and records in a whole job: a job-start block first
// (again after a reset, between pages), then for each page a page-start
// block, the page-header-end block, data blocks whose records begin with the
// begin-page record and end with the end-page record, and the page-end block.
class JobShape {
 public:
  bool OnBlock(const Block& b, Error* error) {
    switch (b.kind) {
      case 0xF3:
        if (InPage()) return Fail(b.offset, "job-start block inside " + Page(), error);
        where_ = kBetween;
        return true;
      case 0xF4:
        if (InPage()) return Fail(b.offset, "page-start block inside " + Page() + ", which has no page end", error);
        where_ = kHeader;
        ++page_;
        page_at_ = b.offset;
        begun_ = false;
        return true;
      case 0xF0:
        if (where_ != kHeader) return Fail(b.offset, "page-header-end block outside a page start", error);
        where_ = kBody;
        return true;
      case kData:
        if (where_ == kHeader) return Fail(b.offset, "data block before the header of " + Page() + " ends", error);
        if (!InPage()) return Fail(b.offset, "data block outside a page", error);
        return true;
      case 0xF1:
        if (where_ == kEnded) {
          where_ = kBetween;
          return true;
        }
        if (InPage()) return Fail(b.offset, "page-end block before the end-page record of " + Page(), error);
        return Fail(b.offset, "page-end block outside a page", error);
      default:
        return Fail(b.offset, BlockKindName(b.kind) + " block in a job", error);
    }
  }

  bool OnRecord(const Record& r, Error* error) {
    const std::string what = "record " + HexOffset(r.opcode) + " (" + RecordName(r.opcode) + ")";
    if (where_ == kEnded) return Fail(r.offset, what + " after the end-page record of " + Page(), error);
    if (!begun_ && r.opcode != 0x60) return Fail(r.offset, what + " before the begin-page record of " + Page(), error);
    if (begun_ && r.opcode == 0x60) return Fail(r.offset, "a second begin-page record in " + Page(), error);
    begun_ = true;
    if (r.opcode == 0x61) where_ = kEnded;
    return true;
  }

  bool AtEnd(uint64_t size, Error* error) {
    switch (where_) {
      case kNothing: return Fail(0, "empty, and a job begins with a job-start block (0xF3)", error);
      case kBetween:
        if (page_ == 0) return Fail(size, "the job stops after its job start, before its first page", error);
        return true;
      case kHeader: return Fail(size, Stops() + "no page-header-end block", error);
      case kBody: return Fail(size, Stops() + (begun_ ? "no end-page record" : "no records"), error);
      case kEnded: return Fail(size, Stops() + "no page-end block", error);
    }
    return true;
  }

  // Where a job that ends here stops, as the start of a message.
  std::string Stops() const { return InPage() ? "the job stops inside " + Page() + ": " : "the job stops: "; }

 private:
  enum Where { kNothing, kBetween, kHeader, kBody, kEnded };
  bool InPage() const { return where_ == kHeader || where_ == kBody || where_ == kEnded; }
  std::string Page() const { return "page " + std::to_string(page_) + " (begun at " + HexOffset(page_at_) + ")"; }
  static bool Fail(uint64_t offset, std::string why, Error* error) {
    error->offset = offset;
    error->message = std::move(why);
    return false;
  }

  Where where_ = kNothing;
  int page_ = 0;
  uint64_t page_at_ = 0;
  bool begun_ = false;
};

}  // namespace

struct Scanner::State {
  State(const Options& o, Sink* s)
      : options(o), sink(s), run(options, [this](Record& r, Error* e) { return OnRecord(r, e); }) {}

  bool OnRecord(Record& record, Error* error) {
    if (options.wholeJob && !shape.OnRecord(record, error)) return false;
    sink->OnRecord(std::move(record));
    // Data blocks that the record ran on into come after it.
    for (const Block& b : held) {
      if (options.wholeJob && !shape.OnBlock(b, error)) return false;
      sink->OnBlock(b);
    }
    held.clear();
    return true;
  }

  // A block is handed on whole: a data block as its header is read (its
  // records follow it), any other with its text.
  bool HandOn(const Block& b, Error* error) {
    if (b.kind == kData && run.Pending()) {
      held.push_back(b);
      return true;
    }
    if (options.wholeJob && !shape.OnBlock(b, error)) return false;
    sink->OnBlock(b);
    return true;
  }

  bool Fail(Error* error) {
    failed = *error;
    for (const Block& b : held) sink->OnBlock(b);
    held.clear();
    return false;
  }

  // Reads the header in `header`; false at a frame error.
  bool StartBlock(Error* error) {
    block = {};
    block.offset = pos - 8;
    block.kind = header[0];
    block.length = U32(header + 4);
    if (options.wholeJob && block.offset == 0 && block.kind != 0xF3) return NotAJob(8, error);
    if (!KnownBlock(block.kind)) {
      error->offset = block.offset;
      error->message = "unknown block kind " + HexOffset(block.kind);
      return false;
    }
    if (block.length > size - pos) return RunsPast(size - pos, error);
    if (block.kind == 0xF0 && block.length != 0) {
      error->offset = block.offset + 4;
      error->message = "page-header-end block (0xF0) has length " + std::to_string(block.length) + ", not 0";
      return false;
    }
    if (block.kind != kData && !run.Finish(block.offset, "a " + BlockKindName(block.kind) + " block", error)) {
      return false;
    }
    left = block.length;
    in_block = true;
    if (block.kind == kData && !HandOn(block, error)) return false;
    return left > 0 || EndBlock(error);
  }

  // The first n bytes, in `header`, are no job stream's.
  bool NotAJob(size_t n, Error* error) {
    std::string hex, text;
    for (size_t i = 0; i < n; ++i) {
      char b[4];
      std::snprintf(b, sizeof b, "%02x", header[i]);
      hex += (i ? " " : "") + std::string(b);
      text += header[i] >= 0x20 && header[i] < 0x7F && header[i] != '"' ? char(header[i]) : '.';
    }
    error->offset = 0;
    error->message = "not a job stream: a job begins with a job-start block (0xF3), this begins with " + hex +
                     " (\"" + text + "\")";
    return false;
  }

  // The block being read is longer than what follows it.
  bool RunsPast(uint64_t follow, Error* error) {
    error->offset = block.offset + 4;
    error->message = (options.wholeJob ? shape.Stops() : "") + BlockKindName(block.kind) + " block length " +
                     std::to_string(block.length) + " runs past the end (" + std::to_string(follow) +
                     " bytes follow)";
    return false;
  }

  bool EndBlock(Error* error) {
    in_block = false;
    return block.kind == kData || HandOn(block, error);
  }

  Options options;
  Sink* sink;
  RecordRun run;
  JobShape shape;
  uint64_t size = UINT64_MAX;  // of the whole stream, when known
  uint64_t pos = 0;  // file offset of the next byte
  uint8_t header[8] = {};
  size_t header_have = 0;
  Block block;  // the block being read
  uint64_t left = 0;  // its data bytes still to come
  bool in_block = false;
  std::vector<Block> held;
  std::optional<Error> failed;
};

Scanner::Scanner(const Options& options, Sink* sink) : state_(new State(options, sink)) {}

Scanner::~Scanner() { delete state_; }

uint64_t Scanner::offset() const { return state_->pos; }

void Scanner::SetSize(uint64_t size) { state_->size = size; }

bool Scanner::Feed(const uint8_t* data, size_t size, Error* error) {
  State& s = *state_;
  if (s.failed) {
    *error = *s.failed;
    return false;
  }
  size_t i = 0;
  while (i < size) {
    if (!s.in_block) {
      const size_t take = std::min(8 - s.header_have, size - i);
      std::memcpy(s.header + s.header_have, data + i, take);
      s.header_have += take;
      s.pos += take;
      i += take;
      if (s.header_have < 8) break;
      s.header_have = 0;
      if (!s.StartBlock(error)) return s.Fail(error);
      continue;
    }
    const size_t n = size_t(std::min<uint64_t>(s.left, size - i));
    if (s.block.kind == kData) {
      if (!s.run.Feed(data + i, n, s.pos, error)) return s.Fail(error);
    } else if (s.block.text.size() < kMaxBlockText) {
      const size_t keep = std::min(n, kMaxBlockText - s.block.text.size());
      s.block.text.insert(s.block.text.end(), data + i, data + i + keep);
    }
    s.pos += n;
    i += n;
    s.left -= n;
    if (s.left == 0 && !s.EndBlock(error)) return s.Fail(error);
  }
  return true;
}

bool Scanner::Finish(Error* error) {
  State& s = *state_;
  if (s.failed) {
    *error = *s.failed;
    return false;
  }
  if (s.in_block) {
    s.RunsPast(s.block.length - s.left, error);
    return s.Fail(error);
  }
  if (s.header_have > 0 && s.options.wholeJob && s.pos == s.header_have && s.header[0] != 0xF3) {
    s.NotAJob(s.header_have, error);
    return s.Fail(error);
  }
  if (s.header_have > 0) {
    error->offset = s.pos - s.header_have;
    error->message = (s.options.wholeJob ? s.shape.Stops() : "") + "block header cut off: " +
                     std::to_string(s.header_have) + " of 8 bytes before the end";
    return s.Fail(error);
  }
  if (!s.run.Finish(s.pos, "the end of the stream", error)) {
    if (s.options.wholeJob) error->message = s.shape.Stops() + error->message;
    return s.Fail(error);
  }
  if (s.options.wholeJob && !s.shape.AtEnd(s.pos, error)) return s.Fail(error);
  return true;
}

namespace {

// Collects what a scanner reads into a Stream.
class Collect : public Scanner::Sink {
 public:
  explicit Collect(Stream* out) : out_(out) {}
  void OnBlock(const Block& block) override { out_->blocks.push_back(block); }
  void OnRecord(Record&& record) override { out_->records.push_back(std::move(record)); }

 private:
  Stream* out_;
};

}  // namespace

bool ReadStream(const uint8_t* data, size_t size, Stream* out, Error* error, const Options& options) {
  *out = {};
  Collect collect(out);
  Scanner scanner(options, &collect);
  scanner.SetSize(size);
  return scanner.Feed(data, size, error) && scanner.Finish(error);
}

bool ReadRecords(const uint8_t* data, size_t size, std::vector<Record>* out, Error* error, const Options& options) {
  out->clear();
  RecordRun run(options, [out](Record& r, Error*) {
    out->push_back(std::move(r));
    return true;
  });
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
