// The job stream as text for a person: one line per block and per record,
// the record's fields as name=value, and further lines for command text,
// path segments and glyph rows.
#include <cstdio>
#include <string>

#include "jobreader/jobreader.h"
#include "plat/kernel.h"
#include "plat/wstr.h"

namespace jobread {

namespace {

std::string Hex(uint64_t v, int digits) {
  char buf[24];
  std::snprintf(buf, sizeof buf, "%0*llx", digits, static_cast<unsigned long long>(v));
  return buf;
}

bool IsLeadByte(uint8_t b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

// Multibyte text (code page 932) as UTF-8, control bytes and bytes without
// a character escaped, so that the output shows exactly what was sent.
std::string Printable(const uint8_t* p, size_t n) {
  std::string out;
  for (size_t i = 0; i < n; ++i) {
    const uint8_t b = p[i];
    if (b == '\\') {
      out += "\\\\";
    } else if (b == '\r') {
      out += "\\r";
    } else if (b == '\n') {
      out += "\\n";
    } else if (b == '\t') {
      out += "\\t";
    } else if (b >= 0x20 && b < 0x7F) {
      out += char(b);
    } else if ((IsLeadByte(b) && i + 1 < n && p[i + 1] >= 0x40 && p[i + 1] != 0x7F && p[i + 1] <= 0xFC) ||
               (b >= 0xA1 && b <= 0xDF)) {
      const size_t len = IsLeadByte(b) ? 2 : 1;
      char16_t wide[2];
      size_t units = plat::AnsiToWide(reinterpret_cast<const char*>(p + i), len, wide, 2);
      out += plat::ToUtf8(std::u16string_view(wide, units));
      i += len - 1;
    } else {
      out += "\\x" + Hex(b, 2);
    }
  }
  return out;
}

bool ShownInHex(const std::string& name) {
  auto ends = [&](const char* s) {
    const std::string t(s);
    return name.size() >= t.size() && name.compare(name.size() - t.size(), t.size(), t) == 0;
  };
  return ends("mask") || ends("flags") || ends("hash") || name == "rop3";
}

std::string FieldText(const Field& f) {
  std::string s = f.name + "=";
  switch (f.kind) {
    case Field::kInt:
      s += ShownInHex(f.name) ? "0x" + Hex(uint64_t(f.value), 1) : std::to_string(f.value);
      break;
    case Field::kBytes:
      if (f.bytes.size() <= 16) {
        for (uint8_t b : f.bytes) s += Hex(b, 2);
        if (f.bytes.empty()) s += "-";
      } else {
        s += "<" + std::to_string(f.bytes.size()) + " bytes>";
      }
      break;
    case Field::kList: {
      s += "[";
      for (size_t i = 0; i < f.list.size() && i < 32; ++i) s += (i ? "," : "") + std::to_string(f.list[i]);
      if (f.list.size() > 32) s += ",... " + std::to_string(f.list.size()) + " in all";
      s += "]";
      break;
    }
    case Field::kText:
      s += "\"" + Printable(reinterpret_cast<const uint8_t*>(f.text.data()), f.text.size()) + "\"";
      break;
  }
  return s;
}

void BlockText(const Block& b, std::string* out) {
  char line[96];
  std::snprintf(line, sizeof line, "%08llx  block %02X %s length %u\n", static_cast<unsigned long long>(b.offset),
                b.kind, BlockKindName(b.kind).c_str(), b.length);
  *out += line;
  size_t start = 0;
  for (size_t i = 0; i < b.text.size(); ++i) {
    if (b.text[i] == '\n' || i + 1 == b.text.size()) {
      *out += "          | " + Printable(b.text.data() + start, i + 1 - start) + "\n";
      start = i + 1;
    }
  }
  if (b.kind != 0xF5 && b.length > b.text.size()) *out += "          | ... " + std::to_string(b.length - b.text.size()) + " more bytes\n";
}

void RecordText(const Record& r, std::string* out) {
  char line[96];
  std::snprintf(line, sizeof line, "%08llx    record %02X %s size %u:", static_cast<unsigned long long>(r.offset),
                r.opcode, RecordName(r.opcode).c_str(), r.size);
  *out += line;
  for (const Field& f : r.fields) *out += " " + FieldText(f);
  *out += "\n";
  for (const std::string& note : r.notes) *out += "              " + note + "\n";
}

}  // namespace

std::string Format(const Stream& stream) {
  std::string out;
  size_t b = 0, r = 0;
  while (b < stream.blocks.size() || r < stream.records.size()) {
    if (r >= stream.records.size() ||
        (b < stream.blocks.size() && stream.blocks[b].offset < stream.records[r].offset)) {
      BlockText(stream.blocks[b++], &out);
    } else {
      RecordText(stream.records[r++], &out);
    }
  }
  return out;
}

std::string Format(const Block& block) {
  std::string out;
  BlockText(block, &out);
  return out;
}

std::string Format(const Record& record) {
  std::string out;
  RecordText(record, &out);
  return out;
}

}  // namespace jobread
