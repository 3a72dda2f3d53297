// Reader of the job stream that VELMPD0 sends to the spool-side module:
// framed blocks {u8 kind, 3 reserved bytes, u32 length, data}, and inside the
// data blocks (0xF5, concatenated within a run of them) the display-list
// records. Every field is decoded on its own terms and checked against the
// format; the first byte that breaks it stops the reading with its offset
// and a message.
//
// This code shares nothing with the encoders of the graphics library, so
// the two check each other.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace jobread {

struct Field {
  enum Kind { kInt, kBytes, kList, kText };
  std::string name;
  Kind kind = kInt;
  int64_t value = 0;
  std::vector<uint8_t> bytes;  // kBytes
  std::vector<int64_t> list;   // kList
  std::string text;            // kText (multibyte text as it stands)
};

struct Record {
  uint64_t offset = 0;  // of the opcode byte: in the file, or in the run given to ReadRecords
  uint8_t opcode = 0;
  uint32_t size = 0;
  std::vector<Field> fields;
  std::vector<std::string> notes;  // further lines for a reader: path segments, glyph rows

  const Field* Find(std::string_view name) const;
  bool Has(std::string_view name) const { return Find(name) != nullptr; }
  // The value of an integer field; INT64_MIN when there is none.
  int64_t Int(std::string_view name) const;
  // The bytes of a byte field; empty when there is none.
  const std::vector<uint8_t>& Bytes(std::string_view name) const;
  const std::vector<int64_t>& List(std::string_view name) const;
  std::string Text(std::string_view name) const;

  void AddInt(std::string name, int64_t value);
  void AddBytes(std::string name, const uint8_t* p, size_t n);
  void AddList(std::string name, std::vector<int64_t> values);
  void AddText(std::string name, std::string text);
};

struct Block {
  uint64_t offset = 0;
  uint8_t kind = 0;
  uint32_t length = 0;
  std::vector<uint8_t> text;  // the data of a command-text block (not kept for 0xF5)
};

struct Error {
  uint64_t offset = 0;
  std::string message;
};

struct Options {
  // Keep image rows and pattern data as fields (a whole page of images is
  // large); without, only their length and a hash are kept.
  bool keepPixels = true;
  // Give image rows and pattern data a hash field (a reader that only
  // counts records needs none, and it costs a pass over every pixel).
  bool hashPixels = true;
  // The stream must be a whole job: a job-start block first, then pages of
  // page-start, page-header-end, data blocks whose records begin with the
  // begin-page record and end with the end-page record, and page-end. A
  // stream that is no job, or that stops part-way (a killed print), is an
  // error at the offset where it stops being one.
  bool wholeJob = false;
};

struct Stream {
  std::vector<Block> blocks;
  std::vector<Record> records;
};

// Reads a job stream piece by piece as it comes (a file read in large
// blocks) and hands each block and each record to a sink, in the order of
// the stream. A record is decoded where it lies in the piece; only one that
// runs on into the next piece or block is copied, so memory stays within the
// largest record. A command-text block keeps at most kMaxBlockText bytes of
// its text.
class Scanner {
 public:
  class Sink {
   public:
    virtual ~Sink() = default;
    virtual void OnBlock(const Block& block) = 0;
    virtual void OnRecord(Record&& record) = 0;
  };
  static constexpr uint32_t kMaxBlockText = 1 << 20;

  Scanner(const Options& options, Sink* sink);
  ~Scanner();
  Scanner(const Scanner&) = delete;
  Scanner& operator=(const Scanner&) = delete;

  // The size of the whole stream, when it is known before it is read: a
  // block longer than what follows it is then an error at its header,
  // before any of its records is read.
  void SetSize(uint64_t size);
  // The next size bytes of the stream. False at the first byte that breaks
  // the format; nothing is read after it.
  bool Feed(const uint8_t* data, size_t size, Error* error);
  // The end of the stream: false when it stops inside a block or a record
  // (or, for a whole job, inside the job).
  bool Finish(Error* error);
  // Bytes fed so far.
  uint64_t offset() const;

 private:
  struct State;
  State* state_;
};

// Reads a whole job stream. On a format error out holds everything read
// before it and the answer is false.
bool ReadStream(const uint8_t* data, size_t size, Stream* out, Error* error, const Options& options = {});
// Reads a bare run of display-list records (the data of consecutive 0xF5
// blocks); offsets are relative to data.
bool ReadRecords(const uint8_t* data, size_t size, std::vector<Record>* out, Error* error,
                 const Options& options = {});

// Expands compressed glyph data into at most plain_size bytes. The zero
// bytes that end a glyph are not coded, so out may be shorter than
// plain_size: the rest is zero.
bool ExpandGlyph(const uint8_t* data, size_t size, uint64_t plain_size, std::vector<uint8_t>* out,
                 Error* error);

std::string BlockKindName(uint8_t kind);
std::string RecordName(uint8_t opcode);

// The stream as text, one block or record a line, with their fields.
std::string Format(const Stream& stream);
// One block (with its command text) or one record (with its further lines)
// as Format shows it.
std::string Format(const Block& block);
std::string Format(const Record& record);

}  // namespace jobread
