// Decoding of single display-list records.
#include <cstring>
#include <string>

#include "jobreader/jobreader.h"
#include "reader_internal.h"

namespace jobread {

namespace {

uint16_t U16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
int16_t I16(const uint8_t* p) { return int16_t(U16(p)); }
uint32_t U32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }
int32_t I32(const uint8_t* p) { return int32_t(U32(p)); }
uint64_t Up4(uint64_t v) { return (v + 3) / 4 * 4; }

std::string Hex(uint64_t v, int digits = 2) {
  char buf[24];
  std::snprintf(buf, sizeof buf, "0x%0*llX", digits, static_cast<unsigned long long>(v));
  return buf;
}

// A failure inside the record being decoded: offset within the record.
struct Fail {
  size_t at;
  std::string why;
};

class Decoder {
 public:
  Decoder(const uint8_t* rec, uint32_t size, const Options& options, Record* out)
      : p_(rec), size_(size), options_(options), out_(out) {}

  bool Run(Fail* fail);

 private:
  bool Bad(size_t at, std::string why) {
    fail_ = {at, std::move(why)};
    return false;
  }
  bool ExpectSize(uint64_t expected, const char* what) {
    if (size_ == expected) return true;
    return Bad(4, std::string(what) + " record size " + std::to_string(size_) + " should be " +
                      std::to_string(expected));
  }
  bool ZeroFrom(size_t from, const char* what) {
    for (size_t i = from; i < size_; ++i) {
      if (p_[i] != 0) return Bad(i, std::string("padding byte of the ") + what + " record is not zero");
    }
    return true;
  }
  void Rect(const char* prefix, size_t at) {
    std::string s(prefix);
    out_->AddInt(s + "left", I32(p_ + at));
    out_->AddInt(s + "top", I32(p_ + at + 4));
    out_->AddInt(s + "right", I32(p_ + at + 8));
    out_->AddInt(s + "bottom", I32(p_ + at + 12));
  }
  void Rgb(const char* name, size_t at) { out_->AddBytes(name, p_ + at, 3); }
  void Pixels(const char* name, size_t at, uint64_t n);

  bool RectRecord();
  bool PathRecord();
  bool Subpaths(size_t from, bool curves_allowed, uint32_t work_at);
  bool ImageRecord();
  bool ColorRecord();
  bool FourByteRecord();
  bool LineWidthRecord();
  bool JoinRecord();
  bool PatternRecord();
  bool FontSelectRecord();
  bool CharCellRecord();
  bool StringRecord();
  bool GlyphBitmapRecord();
  bool GlyphDefineRecord();
  bool GlyphData(size_t at, uint64_t length, uint32_t width, uint32_t height, uint8_t coding, size_t coding_at);
  bool GlyphRunRecord();
  bool BeginPageRecord();

  const uint8_t* p_;
  uint32_t size_;
  const Options& options_;
  Record* out_;
  Fail fail_{};
};

bool Decoder::Run(Fail* fail) {
  bool ok = false;
  switch (p_[0]) {
    case 0x10: ok = RectRecord(); break;
    case 0x11:
    case 0x12: ok = PathRecord(); break;
    case 0x20: ok = ImageRecord(); break;
    case 0x30: ok = ColorRecord(); break;
    case 0x31:
    case 0x32:
    case 0x34:
    case 0x35:
    case 0x37:
    case 0x61: ok = FourByteRecord(); break;
    case 0x33: ok = LineWidthRecord(); break;
    case 0x36: ok = JoinRecord(); break;
    case 0x40: ok = PatternRecord(); break;
    case 0x50:
    case 0x56: ok = FontSelectRecord(); break;
    case 0x51: ok = CharCellRecord(); break;
    case 0x52: ok = StringRecord(); break;
    case 0x53:
    case 0x57: ok = GlyphBitmapRecord(); break;
    case 0x54: ok = GlyphDefineRecord(); break;
    case 0x55: ok = GlyphRunRecord(); break;
    case 0x60: ok = BeginPageRecord(); break;
    default: ok = Bad(0, "unknown record opcode " + Hex(p_[0]));
  }
  if (!ok) *fail = fail_;
  return ok;
}

void Decoder::Pixels(const char* name, size_t at, uint64_t n) {
  std::string base(name);
  out_->AddInt(base + "_bytes", int64_t(n));
  if (options_.hashPixels) {
    uint64_t hash = 0xCBF29CE484222325ull;  // FNV-1a
    for (uint64_t i = 0; i < n; ++i) hash = (hash ^ p_[at + i]) * 0x100000001B3ull;
    out_->AddInt(base + "_hash", int64_t(hash));
  }
  if (options_.keepPixels) out_->AddBytes(base, p_ + at, size_t(n));
}

bool Decoder::RectRecord() {
  const uint8_t kind = p_[2];
  const bool short_form = kind == 5 || kind == 6;
  if (!ExpectSize(short_form ? 24 : 40, "rectangle")) return false;
  out_->AddInt("kind", kind);
  Rect("", 8);
  if (!short_form) Rect("second_", 24);
  return true;
}

// Subpaths from `from` to the end of the record: u32 segment count, start
// point, then segments {u32 0, point} or {u32 1, three points}; the work size
// at work_at must be 3 lines + 7 curves + 3 (subpaths - 1) + 3, plus 1 with
// more than one subpath.
bool Decoder::Subpaths(size_t from, bool curves_allowed, uint32_t work_at) {
  size_t at = from;
  int64_t subpaths = 0, lines = 0, curves = 0;
  while (at < size_) {
    if (size_ - at < 12) return Bad(at, "subpath header cut off by the end of the record");
    const uint32_t segments = U32(p_ + at);
    std::string note = "subpath " + std::to_string(subpaths) + ": from (" + std::to_string(I32(p_ + at + 4)) +
                       "," + std::to_string(I32(p_ + at + 8)) + ")";
    at += 12;
    for (uint32_t s = 0; s < segments; ++s) {
      if (size_ - at < 4) return Bad(at, "segment " + std::to_string(s) + " cut off by the end of the record");
      const uint32_t type = U32(p_ + at);
      const size_t points = type == 0 ? 1 : type == 1 ? 3 : 0;
      if (points == 0) return Bad(at, "segment type " + std::to_string(type) + " is neither 0 (line) nor 1 (curve)");
      if (type == 1 && !curves_allowed) return Bad(at, "curve segment in a path of lines only (0x12)");
      if (size_ - at - 4 < points * 8) return Bad(at, "segment points cut off by the end of the record");
      note += type == 0 ? " L" : " C";
      for (size_t k = 0; k < points; ++k) {
        note += " (" + std::to_string(I32(p_ + at + 4 + 8 * k)) + "," + std::to_string(I32(p_ + at + 8 + 8 * k)) + ")";
      }
      (type == 0 ? lines : curves) += 1;
      at += 4 + points * 8;
    }
    out_->notes.push_back(std::move(note));
    ++subpaths;
  }
  const int64_t expected = 3 * lines + 7 * curves + 3 * (subpaths - 1) + 3 + (subpaths > 1 ? 1 : 0);
  const uint32_t work = U32(p_ + work_at);
  out_->AddInt("work_size", work);
  out_->AddInt("subpaths", subpaths);
  out_->AddInt("lines", lines);
  out_->AddInt("curves", curves);
  if (int64_t(work) != expected) {
    return Bad(work_at, "work size " + std::to_string(work) + " should be " + std::to_string(expected) + " for " +
                            std::to_string(lines) + " lines, " + std::to_string(curves) + " curves and " +
                            std::to_string(subpaths) + " subpaths");
  }
  return true;
}

bool Decoder::PathRecord() {
  if (size_ < 28) return Bad(4, "path record size " + std::to_string(size_) + " is below its 28-byte header");
  out_->AddInt("use", p_[2] & 0x07);
  out_->AddInt("closed", (p_[2] & 0x08) ? 1 : 0);
  out_->AddInt("multiple", (p_[2] & 0x10) ? 1 : 0);
  Rect("", 8);
  return Subpaths(28, p_[0] == 0x11, 24);
}

bool Decoder::ImageRecord() {
  if (size_ < 56) return Bad(4, "image record size " + std::to_string(size_) + " is below its 56-byte header");
  const uint8_t format = p_[2];
  const uint8_t depth = format & 0x0F;
  const bool grey = format & 0x10;
  const bool no_palette = format & 0x20;
  uint32_t bits = 0;
  switch (depth) {
    case 0: bits = 1; break;
    case 1: bits = 4; break;
    case 2: bits = 8; break;
    case 4: bits = 24; break;
    default: return Bad(2, "image depth code " + std::to_string(depth) + " is not 0, 1, 2 or 4");
  }
  uint32_t entries = 0;
  if (!no_palette) entries = depth == 0 ? 2 : depth == 1 ? 16 : (depth == 2 && !grey) ? 256 : 0;
  const uint32_t width = U32(p_ + 32);
  const uint32_t rows = U32(p_ + 36);
  const uint64_t row_bytes = (uint64_t(width) * bits + 31) / 32 * 4;
  const uint64_t head = 56 + 3 * uint64_t(entries);
  const uint64_t data = row_bytes * rows;  // may wrap: checked below
  if (row_bytes > (uint64_t(1) << 34) || (rows && data / rows != row_bytes) || data > size_ ||
      Up4(head + data) != size_) {
    return Bad(4, "image record size " + std::to_string(size_) + " does not match " + std::to_string(width) +
                      " x " + std::to_string(rows) + " pixels of " + std::to_string(bits) + " bits with " +
                      std::to_string(entries) + " palette entries (" + std::to_string(Up4(head + data)) + ")");
  }
  const int32_t left = I32(p_ + 8), top = I32(p_ + 12), right = I32(p_ + 16), bottom = I32(p_ + 20);
  const int32_t dst_left = I32(p_ + 40), dst_top = I32(p_ + 44), dst_width = I32(p_ + 48), dst_height = I32(p_ + 52);
  if (left != dst_left || top != dst_top || int64_t(right) != int64_t(dst_left) + dst_width ||
      int64_t(bottom) != int64_t(dst_top) + dst_height) {
    return Bad(8, "image destination rectangle does not agree with its left, top, width and height at 40");
  }
  out_->AddInt("reduced", (p_[1] & 0x02) ? 1 : 0);
  out_->AddInt("depth", depth);
  out_->AddInt("bits", bits);
  out_->AddInt("grey", grey ? 1 : 0);
  out_->AddInt("no_palette", no_palette ? 1 : 0);
  out_->AddInt("rop", (format & 0x80) ? 1 : 0);
  out_->AddInt("band", (p_[3] & 0x04) ? 1 : 0);
  out_->AddInt("host_icm", (p_[3] & 0x08) ? 1 : 0);
  Rect("", 8);
  out_->AddInt("src_x", I32(p_ + 24));
  out_->AddInt("src_y", I32(p_ + 28));
  out_->AddInt("width", width);
  out_->AddInt("rows", rows);
  out_->AddInt("dst_width", dst_width);
  out_->AddInt("dst_height", dst_height);
  out_->AddInt("row_bytes", int64_t(row_bytes));
  out_->AddInt("palette_entries", entries);
  out_->AddBytes("palette", p_ + 56, size_t(3 * entries));
  Pixels("pixels", size_t(head), data);
  return ZeroFrom(size_t(head + data), "image");
}

bool Decoder::ColorRecord() {
  const uint8_t flags = p_[2];
  if (!(flags & 0x01)) return Bad(2, "colour flags " + Hex(flags) + " lack the 0x01 bit");
  const uint32_t colours = 1 + ((flags & 0x08) ? 1 : 0) + ((flags & 0x10) ? 1 : 0);
  if (!ExpectSize((colours * 3 + 7) / 4 * 4, "colour")) return false;
  out_->AddInt("opaque", (flags & 0x08) ? 1 : 0);
  out_->AddInt("third", (flags & 0x10) ? 1 : 0);
  out_->AddInt("text", (flags & 0x40) ? 1 : 0);
  out_->AddInt("host", (flags & 0x80) ? 1 : 0);
  size_t at = 4;
  Rgb("foreground", at);
  at += 3;
  if (flags & 0x08) {
    Rgb("background", at);
    at += 3;
  }
  if (flags & 0x10) {
    Rgb("third_colour", at);
    at += 3;
  }
  return ZeroFrom(at, "colour");
}

bool Decoder::FourByteRecord() {
  const uint8_t v = p_[1];
  switch (p_[0]) {
    case 0x31: out_->AddInt("rop3", v); break;
    case 0x32:
      if (v != 1 && v != 2) return Bad(1, "background mode " + std::to_string(v) + " is neither 1 nor 2");
      out_->AddInt("mode", v);
      break;
    case 0x34: out_->AddInt("dash_offset", v); break;
    case 0x35:
      if (v > 2) return Bad(1, "end cap " + std::to_string(v) + " is not 0, 1 or 2");
      out_->AddInt("cap", v);
      break;
    default: break;  // clip reset, end page: no value
  }
  return true;
}

bool Decoder::LineWidthRecord() {
  out_->AddInt("dash_unit", p_[1]);
  out_->AddInt("width", I16(p_ + 2));
  out_->AddInt("dash_mask", U32(p_ + 4));
  return true;
}

bool Decoder::JoinRecord() {
  if (p_[1] > 2) return Bad(1, "line join " + std::to_string(p_[1]) + " is not 0, 1 or 2");
  out_->AddInt("join", p_[1]);
  out_->AddInt("miter_x256", U32(p_ + 4));
  return true;
}

bool Decoder::PatternRecord() {
  const uint8_t flags = p_[1], side = p_[2];
  const uint16_t n = U16(p_ + 4);
  uint32_t expected = 0;
  if (flags & 0x80) {
    if (side != 16 && side != 32 && side != 64) return Bad(2, "pattern size " + std::to_string(side) + " is not 16, 32 or 64");
    expected = (flags & 0x01) ? uint32_t(side) * side * 3 : uint32_t(side) * side / 8;
  } else if (side != 0) {
    return Bad(2, "a plain-colour pattern record has size " + std::to_string(side) + ", not 0");
  }
  if (n != expected) {
    return Bad(4, "pattern data length " + std::to_string(n) + " should be " + std::to_string(expected));
  }
  out_->AddInt("pattern", (flags & 0x80) ? 1 : 0);
  out_->AddInt("colour24", (flags & 0x01) ? 1 : 0);
  out_->AddInt("host", (flags & 0x40) ? 1 : 0);
  out_->AddInt("side", side);
  out_->AddInt("data_length", n);
  Pixels("data", 6, n);
  return ZeroFrom(6 + size_t(n), "pattern");
}

bool Decoder::FontSelectRecord() {
  const bool device = p_[0] == 0x56;
  const size_t name_at = device ? 32 : 24;
  // The face name: text up to its zero byte, stored in whole 16-bit units,
  // then one more zero byte.
  size_t length = 0;
  while (name_at + length < size_ && p_[name_at + length]) ++length;
  if (name_at + length >= size_) return Bad(name_at + length, "face name has no terminating zero inside the record");
  const uint64_t units = (length + 1) / 2 * 2;
  const uint64_t expected = (units + name_at + 4) / 4 * 4;
  if (size_ != expected) {
    return Bad(14, "font select size " + std::to_string(size_) + " should be " + std::to_string(expected) +
                       " for a face name of " + std::to_string(length) + " bytes");
  }
  const uint16_t flags = U16(p_ + 4);
  int kind = 0;
  if ((flags & 0x0008) && !(flags & 0x2000) && !(flags & 0x0200)) kind = 2;
  if ((flags & 0x0200) && (flags & 0x2000) && !(flags & 0x0008)) kind = 4;
  if (!(flags & 0x0208) && (flags & 0x2000)) kind = 5;
  if (kind == 0) return Bad(4, "font flags " + Hex(flags, 4) + " name no font kind (2, 4 or 5)");
  const uint16_t angle = U16(p_ + 8);
  if (angle > 359) return Bad(8, "escapement " + std::to_string(angle) + " is above 359 degrees");
  out_->AddInt("charset", device ? p_[1] : p_[2]);
  out_->AddInt("pitch_family", device ? p_[2] : p_[3]);
  out_->AddInt("flags", flags);
  out_->AddInt("kind", kind);
  out_->AddInt("italic", (flags & 0x0001) ? 1 : 0);
  out_->AddInt("bold", (flags & 0x0002) ? 1 : 0);
  out_->AddInt("bold2", (flags & 0x0020) ? 1 : 0);
  out_->AddInt("glyph_index", (flags & 0x0010) ? 1 : 0);
  out_->AddInt("vertical", (flags & 0x0080) ? 1 : 0);
  out_->AddInt("weight", U16(p_ + 6));
  out_->AddInt("angle", angle);
  out_->AddInt("em_width", U16(p_ + 10));
  out_->AddInt("em_height", U16(p_ + 12));
  out_->AddInt("internal_leading", U16(p_ + 20));
  out_->AddInt("default_char", U16(p_ + 22));
  out_->AddText("face", std::string(reinterpret_cast<const char*>(p_ + name_at), length));
  return ZeroFrom(name_at + length, "font select");
}

bool Decoder::CharCellRecord() {
  const uint8_t outline = p_[2];
  if (outline > 1) return Bad(2, "character cell kind " + std::to_string(outline) + " is neither 0 nor 1");
  out_->AddInt("outline", outline);
  if (outline == 0 && !ExpectSize(36, "character cell")) return false;
  if (outline == 1 && size_ < 40) return Bad(4, "outline record size " + std::to_string(size_) + " leaves no work size");
  Rect("", 8);
  out_->AddInt("x", I32(p_ + 24));
  out_->AddInt("y", I32(p_ + 28));
  out_->AddInt("code", U16(p_ + 32));
  if (outline == 0) return true;
  return Subpaths(40, true, 36);
}

bool Decoder::StringRecord() {
  const uint8_t mode = p_[2];
  if (mode != 0 && mode != 0x80) return Bad(2, "string advance mode " + Hex(mode) + " is neither 0 nor 0x80");
  if (size_ < 36) return Bad(4, "string record size " + std::to_string(size_) + " is below its 36-byte header");
  const uint32_t count = U16(p_ + 32);
  const uint32_t advances = mode ? count : 1;
  if (!ExpectSize(36 + Up4(2 * uint64_t(advances) + 2 * uint64_t(count)), "string")) return false;
  Rect("", 8);
  out_->AddInt("x", I32(p_ + 24));
  out_->AddInt("y", I32(p_ + 28));
  out_->AddInt("count", count);
  out_->AddInt("per_char", mode ? 1 : 0);
  std::vector<int64_t> adv, chars;
  size_t at = 36;
  for (uint32_t i = 0; i < advances; ++i, at += 2) adv.push_back(I16(p_ + at));
  for (uint32_t i = 0; i < count; ++i, at += 2) chars.push_back(U16(p_ + at));
  out_->AddList("advances", std::move(adv));
  out_->AddList("chars", std::move(chars));
  return ZeroFrom(at, "string");
}

bool Decoder::GlyphData(size_t at, uint64_t length, uint32_t width, uint32_t height, uint8_t coding,
                        size_t coding_at) {
  const uint64_t plain = (uint64_t(width) + 7) / 8 * height;
  out_->AddInt("plain_size", int64_t(plain));
  std::vector<uint8_t> bitmap;
  if (coding == 0) {
    if (length != plain) {
      return Bad(coding_at, "plain glyph data of " + std::to_string(length) + " bytes should be " +
                                std::to_string(plain) + " for " + std::to_string(width) + " x " +
                                std::to_string(height));
    }
    bitmap.assign(p_ + at, p_ + at + length);
  } else if (coding == 2) {
    Error error;
    if (!ExpandGlyph(p_ + at, size_t(length), plain, &bitmap, &error)) {
      return Bad(at + size_t(error.offset), "compressed glyph: " + error.message);
    }
  } else {
    return Bad(coding_at, "glyph data coding " + std::to_string(coding) + " is neither 0 nor 2");
  }
  out_->AddBytes("bitmap", bitmap.data(), bitmap.size());
  const uint32_t row_bytes = (width + 7) / 8;
  if (width <= 256 && height <= 256) {
    for (uint32_t y = 0; y < height; ++y) {
      std::string row = "|";
      for (uint32_t x = 0; x < width; ++x) {
        const uint64_t i = uint64_t(y) * row_bytes + x / 8;
        const bool set = i < bitmap.size() && (bitmap[i] & (0x80 >> (x % 8)));
        row += set ? '#' : '.';
      }
      out_->notes.push_back(row + "|");
    }
  }
  return ZeroFrom(at + size_t(length), "glyph");
}

bool Decoder::GlyphBitmapRecord() {
  if (size_ < 64) return Bad(4, "glyph bitmap record size " + std::to_string(size_) + " is below its 64-byte header");
  const uint8_t flags = p_[2];
  const uint32_t offset = U32(p_ + 32), length = U32(p_ + 52);
  const uint32_t width = U32(p_ + 44), height = U32(p_ + 48);
  out_->AddInt("cached", p_[0] == 0x53 ? 1 : 0);
  out_->AddInt("flags", flags);
  out_->AddInt("sent", (flags & 0x40) ? 1 : 0);
  Rect("ink_", 8);
  out_->AddInt("cell_x", I32(p_ + 24));
  out_->AddInt("cell_y", I32(p_ + 28));
  out_->AddInt("data_offset", offset);
  out_->AddInt("left", I32(p_ + 36));
  out_->AddInt("top", I32(p_ + 40));
  out_->AddInt("width", width);
  out_->AddInt("height", height);
  out_->AddInt("data_length", length);
  out_->AddInt("code", U16(p_ + 60));
  out_->AddInt("coding", p_[62]);
  if (length == 0) {
    if (offset != 0) return Bad(32, "data offset " + std::to_string(offset) + " without data should be 0");
    return ExpectSize(64, "glyph bitmap");
  }
  if (flags & 0x40) return Bad(52, "a glyph sent earlier (flag 0x40) carries data");
  if (offset != 64) return Bad(32, "data offset " + std::to_string(offset) + " should be 64");
  if (!ExpectSize(64 + Up4(length), "glyph bitmap")) return false;
  return GlyphData(64, length, width, height, p_[62], 62);
}

bool Decoder::GlyphDefineRecord() {
  if (size_ < 28) return Bad(4, "glyph definition size " + std::to_string(size_) + " is below its 28-byte header");
  const uint32_t length = U32(p_ + 8), width = U32(p_ + 12), height = U32(p_ + 16);
  if (length == 0) return Bad(8, "glyph definition without data");
  if (!ExpectSize(28 + Up4(length), "glyph definition")) return false;
  out_->AddInt("flags", p_[2]);
  out_->AddInt("data_length", length);
  out_->AddInt("width", width);
  out_->AddInt("height", height);
  out_->AddInt("code", U16(p_ + 24));
  out_->AddInt("coding", p_[26]);
  return GlyphData(28, length, width, height, p_[26], 26);
}

bool Decoder::GlyphRunRecord() {
  if (size_ < 36) return Bad(4, "glyph run size " + std::to_string(size_) + " is below its 36-byte header");
  const uint32_t count = U16(p_ + 32);
  if (!ExpectSize(36 + Up4(6 * uint64_t(count)), "glyph run")) return false;
  out_->AddInt("flags", p_[2]);
  Rect("", 8);
  out_->AddInt("x", I32(p_ + 24));
  out_->AddInt("y", I32(p_ + 28));
  out_->AddInt("count", count);
  std::vector<int64_t> dx, dy, codes;
  size_t at = 36;
  for (uint32_t i = 0; i < count; ++i, at += 6) {
    dx.push_back(I16(p_ + at));
    dy.push_back(I16(p_ + at + 2));
    codes.push_back(U16(p_ + at + 4));
  }
  out_->AddList("dx", std::move(dx));
  out_->AddList("dy", std::move(dy));
  out_->AddList("codes", std::move(codes));
  return ZeroFrom(at, "glyph run");
}

bool Decoder::BeginPageRecord() {
  out_->AddInt("width", U32(p_ + 4));
  out_->AddInt("height", U32(p_ + 8));
  out_->AddInt("x_dpi", U16(p_ + 12));
  out_->AddInt("y_dpi", U16(p_ + 14));
  return true;
}

}  // namespace

SizeResult RecordSizeOf(const uint8_t* p, size_t available) {
  SizeResult r;
  if (available < 1) return r;
  const uint8_t op = p[0];
  auto need = [&](size_t n) { return available >= n; };
  switch (op) {
    case 0x31: case 0x32: case 0x34: case 0x35: case 0x37: case 0x61:
      r.state = SizeResult::kKnown;
      r.size = 4;
      return r;
    case 0x33: case 0x36:
      r.state = SizeResult::kKnown;
      r.size = 8;
      return r;
    case 0x60:
      r.state = SizeResult::kKnown;
      r.size = 16;
      return r;
    case 0x30:
      if (!need(2)) return r;
      r.size = p[1];
      if (r.size != 8 && r.size != 12 && r.size != 16) {
        r.state = SizeResult::kBad;
        r.at = 1;
        r.why = "colour record size " + std::to_string(r.size) + " is not 8, 12 or 16";
        return r;
      }
      r.state = SizeResult::kKnown;
      return r;
    case 0x40:
      if (!need(6)) return r;
      r.size = (uint32_t(U16(p + 4)) + 9) / 4 * 4;
      r.state = SizeResult::kKnown;
      return r;
    case 0x50: case 0x56:
      if (!need(16)) return r;
      r.size = U16(p + 14);
      if (r.size < (op == 0x50 ? 28u : 36u) || r.size % 4) {
        r.state = SizeResult::kBad;
        r.at = 14;
        r.why = "font select size " + std::to_string(r.size) + " is too small or not a multiple of 4";
        return r;
      }
      r.state = SizeResult::kKnown;
      return r;
    case 0x10: case 0x11: case 0x12: case 0x20: case 0x51: case 0x52: case 0x53: case 0x54: case 0x55: case 0x57:
      if (!need(8)) return r;
      r.size = U32(p + 4);
      if (r.size < 8 || r.size % 4) {
        r.state = SizeResult::kBad;
        r.at = 4;
        r.why = RecordName(op) + " record size " + std::to_string(r.size) + " is too small or not a multiple of 4";
        return r;
      }
      r.state = SizeResult::kKnown;
      return r;
    default:
      r.state = SizeResult::kBad;
      r.at = 0;
      r.why = "unknown record opcode " + Hex(op);
      return r;
  }
}

bool DecodeRecord(const uint8_t* p, uint32_t size, const Options& options, Record* out, size_t* bad_at,
                  std::string* why) {
  out->opcode = p[0];
  out->size = size;
  Decoder decoder(p, size, options, out);
  Fail fail;
  if (decoder.Run(&fail)) return true;
  *bad_at = fail.at;
  *why = fail.why;
  return false;
}

std::string RecordName(uint8_t opcode) {
  switch (opcode) {
    case 0x10: return "rectangle";
    case 0x11: return "path";
    case 0x12: return "path-lines";
    case 0x20: return "image";
    case 0x30: return "colour";
    case 0x31: return "rop";
    case 0x32: return "background-mode";
    case 0x33: return "line-width";
    case 0x34: return "dash-offset";
    case 0x35: return "end-cap";
    case 0x36: return "join";
    case 0x37: return "clip-reset";
    case 0x40: return "pattern";
    case 0x50: return "font-select";
    case 0x51: return "char-cell";
    case 0x52: return "string";
    case 0x53: return "glyph-bitmap";
    case 0x54: return "glyph-define";
    case 0x55: return "glyph-run";
    case 0x56: return "device-font-select";
    case 0x57: return "glyph-bitmap-uncached";
    case 0x60: return "begin-page";
    case 0x61: return "end-page";
    default: return "unknown";
  }
}

}  // namespace jobread
