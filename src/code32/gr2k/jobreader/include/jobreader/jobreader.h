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
};

struct Stream {
  std::vector<Block> blocks;
  std::vector<Record> records;
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

}  // namespace jobread
