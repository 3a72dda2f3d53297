// What the encoders write, the job-stream reader decodes back to the same
// fields: each record kind on its own, then random sequences of records
// framed in whole pages.
#include <cstring>
#include <functional>
#include <random>
#include <string>

#include "gr_test_support.h"

namespace {

using grtest::GrTest;
using jobread::Record;

using Check = std::function<void(const Record&)>;

void ExpectRect(const Record& r, const DlRectangle& want, const std::string& prefix = "") {
  EXPECT_EQ(r.Int(prefix + "left"), want.left);
  EXPECT_EQ(r.Int(prefix + "top"), want.top);
  EXPECT_EQ(r.Int(prefix + "right"), want.right);
  EXPECT_EQ(r.Int(prefix + "bottom"), want.bottom);
}

std::vector<uint8_t> Rgb(uint32_t c) { return {uint8_t(c), uint8_t(c >> 8), uint8_t(c >> 16)}; }

// Random values and the record they make, with the check of its decoding.
class RecordMaker {
 public:
  explicit RecordMaker(uint32_t seed) : rng_(seed) {}

  int32_t I32() { return int32_t(rng_()); }
  uint32_t Below(uint32_t n) { return rng_() % n; }
  DlRectangle Rect() { return {I32(), I32(), I32(), I32()}; }
  std::vector<uint8_t> Bytes(size_t n) {
    std::vector<uint8_t> v(n);
    for (auto& b : v) b = uint8_t(rng_());
    return v;
  }

  // Encodes one record of the given kind (0..kKinds-1); returns its check.
  static constexpr int kKinds = 22;
  Check Make(DisplayListStream* s, int kind) {
    switch (kind) {
      case 0: {
        const uint8_t k = uint8_t(Below(7));
        const DlRectangle r = Rect();
        EXPECT_NE(DlRect(s, k, r), nullptr);
        return [=](const Record& rec) {
          EXPECT_EQ(rec.opcode, 0x10);
          EXPECT_EQ(rec.Int("kind"), k);
          ExpectRect(rec, r);
          if (k != 5 && k != 6) {
            ExpectRect(rec, r, "second_");
          }
          EXPECT_EQ(rec.size, (k == 5 || k == 6) ? 24u : 40u);
        };
      }
      case 1: {
        DlColorState c{uint32_t(rng_() & 0xFFFFFF), uint32_t(rng_() & 0xFFFFFF), uint32_t(rng_() & 0xFFFFFF),
                       uint8_t(1 + Below(2)),
                       bool(Below(2)), bool(Below(2)), bool(Below(2))};
        EXPECT_NE(DlColor(s, c), nullptr);
        return [=](const Record& rec) {
          EXPECT_EQ(rec.opcode, 0x30);
          EXPECT_EQ(rec.Int("opaque"), c.backMode == 2);
          EXPECT_EQ(rec.Int("third"), c.hasThird);
          EXPECT_EQ(rec.Int("text"), c.forText);
          EXPECT_EQ(rec.Int("host"), c.hostCorrected);
          EXPECT_EQ(rec.Bytes("foreground"), Rgb(c.foreground));
          if (c.backMode == 2) {
            EXPECT_EQ(rec.Bytes("background"), Rgb(c.background));
          }
          if (c.hasThird) {
            EXPECT_EQ(rec.Bytes("third_colour"), Rgb(c.third));
          }
        };
      }
      case 2: {
        const uint8_t rop = uint8_t(rng_());
        EXPECT_NE(DlRop(s, rop), nullptr);
        return [=](const Record& rec) { EXPECT_EQ(rec.Int("rop3"), rop == 0xF0 ? 0xCC : rop); };
      }
      case 3: {
        const uint8_t mode = uint8_t(1 + Below(2));
        EXPECT_NE(DlBackMode(s, mode), nullptr);
        return [=](const Record& rec) { EXPECT_EQ(rec.Int("mode"), mode); };
      }
      case 4: {
        const int16_t width = int16_t(rng_());
        const uint32_t mask = rng_();
        const uint8_t unit = uint8_t(rng_());
        EXPECT_NE(DlLineWidth(s, width, mask, unit), nullptr);
        return [=](const Record& rec) {
          EXPECT_EQ(rec.Int("width"), width);
          EXPECT_EQ(rec.Int("dash_mask"), mask);
          EXPECT_EQ(rec.Int("dash_unit"), unit);
        };
      }
      case 5: {
        const uint8_t off = uint8_t(Below(32));
        EXPECT_NE(DlDashOffset(s, off), nullptr);
        return [=](const Record& rec) { EXPECT_EQ(rec.Int("dash_offset"), off); };
      }
      case 6: {
        const uint8_t cap = uint8_t(Below(3));
        EXPECT_NE(DlEndCap(s, cap), nullptr);
        return [=](const Record& rec) { EXPECT_EQ(rec.Int("cap"), cap); };
      }
      case 7: {
        const uint8_t join = uint8_t(Below(3));
        const uint32_t miter = rng_();
        EXPECT_NE(DlJoin(s, join, miter), nullptr);
        return [=](const Record& rec) {
          EXPECT_EQ(rec.Int("join"), join);
          EXPECT_EQ(rec.Int("miter_x256"), miter);
        };
      }
      case 8:
        EXPECT_NE(DlClipReset(s), nullptr);
        return [](const Record& rec) { EXPECT_EQ(rec.opcode, 0x37); };
      case 9: {
        const uint32_t kind = Below(3) == 0 ? kBrushPlain : Below(2) ? kBrushTwoColour : kBrushColour;
        const uint32_t bits = Below(2) ? 1 : 24;
        const uint32_t side = 16u << Below(3);
        const bool host = Below(2);
        const std::vector<uint8_t> data = Bytes(bits == 1 ? side * side / 8 : side * side * 3);
        EXPECT_NE(DlPattern(s, {kind, bits, side, 0, 0, {}, host, data.data()}), nullptr);
        return [=](const Record& rec) {
          EXPECT_EQ(rec.opcode, 0x40);
          EXPECT_EQ(rec.Int("host"), host);
          if (kind == kBrushPlain) {
            EXPECT_EQ(rec.Int("pattern"), 0);
            EXPECT_EQ(rec.Int("data_length"), 0);
          } else {
            EXPECT_EQ(rec.Int("pattern"), 1);
            EXPECT_EQ(rec.Int("side"), side);
            EXPECT_EQ(rec.Int("colour24"), bits == 24);
            EXPECT_EQ(rec.Bytes("data"), data);
          }
        };
      }
      case 10:
      case 11: {
        DlFontDesc f{};
        f.simItalic = Below(2);
        f.simBold = Below(2);
        f.simBold2 = Below(2);
        f.kind = kind == 11 ? 5 : Below(2) ? 2 : 4;
        f.vertical = Below(2);
        f.glyphIndex = Below(2);
        f.weight = uint16_t(100 * (1 + Below(9)));
        f.angle = uint16_t(Below(360));
        f.emWidth = uint16_t(rng_());
        f.emHeight = uint16_t(rng_());
        f.internalLeading = uint16_t(rng_());
        f.defaultChar = uint16_t(rng_());
        f.charSet = uint8_t(rng_());
        f.pitchAndFamily = uint8_t(rng_());
        std::string face;
        for (uint32_t i = 0, n = Below(40); i < n; ++i) face += char(0x21 + Below(0x5E));
        std::memcpy(f.faceName, face.data(), face.size());
        EXPECT_NE(kind == 11 ? DlDeviceFontSelect(s, f) : DlFontSelect(s, f), nullptr);
        return [=](const Record& rec) {
          EXPECT_EQ(rec.opcode, kind == 11 ? 0x56 : 0x50);
          EXPECT_EQ(rec.Int("kind"), f.kind);
          EXPECT_EQ(rec.Int("italic"), f.simItalic);
          EXPECT_EQ(rec.Int("bold"), f.simBold);
          EXPECT_EQ(rec.Int("bold2"), f.simBold2);
          EXPECT_EQ(rec.Int("vertical"), f.vertical);
          EXPECT_EQ(rec.Int("glyph_index"), f.glyphIndex);
          EXPECT_EQ(rec.Int("weight"), f.weight);
          EXPECT_EQ(rec.Int("angle"), f.angle);
          EXPECT_EQ(rec.Int("em_width"), f.emWidth);
          EXPECT_EQ(rec.Int("em_height"), f.emHeight);
          EXPECT_EQ(rec.Int("internal_leading"), f.internalLeading);
          EXPECT_EQ(rec.Int("default_char"), f.defaultChar);
          EXPECT_EQ(rec.Int("charset"), f.charSet);
          EXPECT_EQ(rec.Int("pitch_family"), f.pitchAndFamily);
          EXPECT_EQ(rec.Text("face"), face);
        };
      }
      case 12: {
        const DlRectangle r = Rect();
        const int32_t x = I32(), y = I32();
        const uint16_t code = uint16_t(rng_());
        EXPECT_NE(DlCharCell(s, r, x, y, code), nullptr);
        return [=](const Record& rec) {
          EXPECT_EQ(rec.Int("outline"), 0);
          ExpectRect(rec, r);
          EXPECT_EQ(rec.Int("x"), x);
          EXPECT_EQ(rec.Int("y"), y);
          EXPECT_EQ(rec.Int("code"), code);
        };
      }
      case 13: {
        // An outline: subpaths of lines and curves with their work size.
        std::vector<uint8_t> outline(4);
        const uint32_t subpaths = 1 + Below(3);
        uint32_t lines = 0, curves = 0;
        for (uint32_t sp = 0; sp < subpaths; ++sp) {
          const uint32_t segments = Below(5);
          grtest::PutLe32(&outline, segments);
          grtest::PutLe32(&outline, uint32_t(I32()));
          grtest::PutLe32(&outline, uint32_t(I32()));
          for (uint32_t k = 0; k < segments; ++k) {
            const bool curve = Below(2);
            grtest::PutLe32(&outline, curve ? 1 : 0);
            for (int p = 0; p < (curve ? 6 : 2); ++p) grtest::PutLe32(&outline, uint32_t(I32()));
            (curve ? curves : lines) += 1;
          }
        }
        const uint32_t work = 3 * lines + 7 * curves + 3 * (subpaths - 1) + 3 + (subpaths > 1 ? 1 : 0);
        for (int i = 0; i < 4; ++i) outline[i] = uint8_t(work >> (8 * i));
        const DlRectangle r = Rect();
        const uint16_t code = uint16_t(rng_());
        EXPECT_NE(DlGlyphOutline(s, r, r.left, r.top, code, outline.data(), outline.size()), nullptr);
        return [=](const Record& rec) {
          EXPECT_EQ(rec.Int("outline"), 1);
          ExpectRect(rec, r);
          EXPECT_EQ(rec.Int("code"), code);
          EXPECT_EQ(rec.Int("work_size"), work);
          EXPECT_EQ(rec.Int("subpaths"), subpaths);
          EXPECT_EQ(rec.Int("lines"), lines);
          EXPECT_EQ(rec.Int("curves"), curves);
        };
      }
      case 14: {
        const uint32_t count = Below(20);
        const bool per_char = Below(2);
        std::vector<uint16_t> chars(count);
        std::vector<int16_t> adv(per_char ? count : 1);
        for (auto& c : chars) c = uint16_t(rng_());
        for (auto& a : adv) a = int16_t(rng_());
        const DlRectangle r = Rect();
        const int32_t x = I32(), y = I32();
        EXPECT_NE(DlString(s, r, x, y, chars.data(), count, adv.data(), per_char), nullptr);
        return [=](const Record& rec) {
          ExpectRect(rec, r);
          EXPECT_EQ(rec.Int("x"), x);
          EXPECT_EQ(rec.Int("y"), y);
          EXPECT_EQ(rec.Int("per_char"), per_char);
          EXPECT_EQ(rec.List("chars"), std::vector<int64_t>(chars.begin(), chars.end()));
          EXPECT_EQ(rec.List("advances"), std::vector<int64_t>(adv.begin(), adv.end()));
        };
      }
      case 15:
      case 16: {
        // A glyph, compressed when that is shorter, or sent earlier.
        const uint32_t width = 1 + Below(40), height = 1 + Below(40), row_bytes = (width + 7) / 8;
        std::vector<uint8_t> plain(size_t(row_bytes) * height);
        for (auto& b : plain) b = Below(3) ? 0 : uint8_t(rng_() | 1);
        std::vector<uint8_t> coded((plain.size() + 3) / 4 * 4);
        const uint32_t n = GlyphCompress(nullptr, plain.data(), coded.data(), coded.size(), height, row_bytes);
        const bool sent = kind == 15 && Below(4) == 0;
        DlGlyphBitmapArgs g{kind == 15, uint8_t((Below(2) ? kGlyphFlagChar : kGlyphFlagIndex) | (sent ? kGlyphFlagSent : 0)),
                            Rect(), I32(), I32(), I32(), I32(), width, height, uint16_t(rng_()),
                            n ? kGlyphCompressed : kGlyphPlain, n ? coded.data() : plain.data(),
                            n ? n : plain.size()};
        if (kind == 16) {
          EXPECT_NE(DlGlyphDefine(s, g.flags, width, height, g.code, g.coding, g.data, g.dataBytes), nullptr);
        } else {
          EXPECT_NE(DlGlyphBitmap(s, g), nullptr);
        }
        return [=](const Record& rec) {
          EXPECT_EQ(rec.opcode, kind == 16 ? 0x54 : 0x53);
          EXPECT_EQ(rec.Int("width"), width);
          EXPECT_EQ(rec.Int("height"), height);
          EXPECT_EQ(rec.Int("code"), g.code);
          EXPECT_EQ(rec.Int("flags"), g.flags);
          if (kind == 15) {
            ExpectRect(rec, g.ink, "ink_");
            EXPECT_EQ(rec.Int("cell_x"), g.cellX);
            EXPECT_EQ(rec.Int("cell_y"), g.cellY);
            EXPECT_EQ(rec.Int("left"), g.left);
            EXPECT_EQ(rec.Int("top"), g.top);
          }
          if (sent) {
            EXPECT_EQ(rec.Int("data_length"), 0);
            return;
          }
          EXPECT_EQ(rec.Int("coding"), g.coding);
          std::vector<uint8_t> bitmap = rec.Bytes("bitmap");
          bitmap.resize(plain.size(), 0);
          EXPECT_EQ(bitmap, plain);
        };
      }
      case 17: {
        const uint32_t count = Below(30);
        std::vector<DlGlyphStep> steps(count);
        for (auto& st : steps) st = {int16_t(rng_()), int16_t(rng_()), uint16_t(rng_())};
        const DlRectangle r = Rect();
        const int32_t x = I32(), y = I32();
        const uint8_t flags = Below(2) ? kGlyphFlagChar : kGlyphFlagIndex;
        EXPECT_NE(DlGlyphRun(s, flags, r, x, y, steps.data(), count), nullptr);
        return [=](const Record& rec) {
          ExpectRect(rec, r);
          EXPECT_EQ(rec.Int("flags"), flags);
          EXPECT_EQ(rec.Int("count"), count);
          ASSERT_EQ(rec.List("dx").size(), count);
          for (uint32_t i = 0; i < count; ++i) {
            EXPECT_EQ(rec.List("dx")[i], steps[i].dx);
            EXPECT_EQ(rec.List("dy")[i], steps[i].dy);
            EXPECT_EQ(rec.List("codes")[i], steps[i].code);
          }
        };
      }
      case 18:
      case 19:
      case 20: {
        // Images of every depth, with and without palette, in each writer.
        static const uint32_t depths[] = {kImageDepth1, kImageDepth4, kImageDepth8, kImageDepth24};
        const uint32_t depth = depths[Below(4)];
        const uint32_t width = 1 + Below(kind == 20 ? 3000 : 200), rows = Below(kind == 20 ? 200 : 50);
        const uint64_t row_bytes = DlImageRowBytes(width, depth);
        const std::vector<uint8_t> pixels = Bytes(row_bytes * rows + 1);
        const std::vector<uint8_t> palette = Bytes(256 * 4);
        const bool with_palette = Below(2);
        DlImageSource img{I32() / 4, I32() / 4, int32_t(Below(5000)), int32_t(Below(5000)), I32(), I32(), width, rows,
                          depth | (Below(2) ? kImageRop : 0), pixels.data(), with_palette ? palette.data() : nullptr,
                          false};
        const BOOL ok = kind == 18 ? DlImage(s, img) : kind == 19 ? DlImageByRow(s, img) : DlImageWhole(s, img);
        EXPECT_TRUE(ok);
        return [=](const Record& rec) {
          EXPECT_EQ(rec.opcode, 0x20);
          EXPECT_EQ(rec.Int("depth"), depth);
          EXPECT_EQ(rec.Int("rop"), (img.format & kImageRop) ? 1 : 0);
          EXPECT_EQ(rec.Int("width"), width);
          EXPECT_EQ(rec.Int("rows"), rows);
          EXPECT_EQ(rec.Int("left"), img.dstLeft);
          EXPECT_EQ(rec.Int("top"), img.dstTop);
          EXPECT_EQ(rec.Int("dst_width"), img.dstWidth);
          EXPECT_EQ(rec.Int("dst_height"), img.dstHeight);
          EXPECT_EQ(rec.Int("src_x"), img.srcX);
          EXPECT_EQ(rec.Int("src_y"), img.srcY);
          EXPECT_EQ(rec.Int("no_palette"), with_palette ? 0 : 1);
          const size_t entries = rec.Int("palette_entries");
          EXPECT_EQ(entries, !with_palette ? 0u : depth == 0 ? 2u : depth == 1 ? 16u : depth == 2 ? 256u : 0u);
          for (size_t i = 0; i < entries; ++i) {
            EXPECT_EQ(grtest::Span(rec.Bytes("palette").data() + 3 * i, 3), grtest::Span(palette.data() + 4 * i, 3));
          }
          EXPECT_EQ(rec.Bytes("pixels"), grtest::Span(pixels.data(), row_bytes * rows));
        };
      }
      default: {
        const uint32_t w = rng_(), h = rng_();
        const uint16_t res = uint16_t(rng_());
        EXPECT_NE(DlBeginPage(s, w, h, res), nullptr);
        return [=](const Record& rec) {
          EXPECT_EQ(rec.Int("width"), w);
          EXPECT_EQ(rec.Int("height"), h);
          EXPECT_EQ(rec.Int("x_dpi"), res);
          EXPECT_EQ(rec.Int("y_dpi"), res);
        };
      }
    }
  }

 private:
  std::mt19937 rng_;
};

using RoundTrip = GrTest;

TEST_F(RoundTrip, EveryRecordKindDecodesToItsFields) {
  RecordMaker maker(7);
  for (int kind = 0; kind < RecordMaker::kKinds; ++kind) {
    for (int i = 0; i < 20; ++i) {
      SCOPED_TRACE("kind " + std::to_string(kind) + " case " + std::to_string(i));
      DlInit(stream());
      spool_ = {};
      Check check = maker.Make(stream(), kind);
      ASSERT_TRUE(DlFlush(stream()));
      std::vector<uint8_t> data = DataBytes();
      std::vector<Record> records;
      jobread::Error error;
      ASSERT_TRUE(jobread::ReadRecords(data.data(), data.size(), &records, &error))
          << "offset " << error.offset << ": " << error.message;
      ASSERT_EQ(records.size(), 1u);
      EXPECT_EQ(records[0].size, data.size());
      check(records[0]);
    }
  }
}

int32_t PageText(DriverContext*, CommandTextSink* sink) {
  return CommandTextAppend(sink, "@PJL SET PAGE\r\n") ? 15 : -1;
}

TEST_F(RoundTrip, RandomRecordSequencesInWholePages) {
  for (uint32_t seed = 1; seed <= 12; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    spool_ = {};
    DlInit(stream());
    RecordMaker maker(seed);
    std::vector<Check> checks;
    ASSERT_TRUE(JobWriteJobStart(stream(), nullptr, PageText));
    for (int page = 0; page < 3; ++page) {
      ASSERT_TRUE(JobWritePageStart(stream(), nullptr, PageText));
      DlBeginPage(stream(), 4961, 7016, 600);
      checks.push_back([](const Record& r) { EXPECT_EQ(r.opcode, 0x60); });
      for (int i = 0, n = 20 + int(maker.Below(200)); i < n; ++i) {
        checks.push_back(maker.Make(stream(), int(maker.Below(RecordMaker::kKinds))));
      }
      DlEndPage(stream());
      checks.push_back([](const Record& r) { EXPECT_EQ(r.opcode, 0x61); });
      ASSERT_TRUE(DlFlush(stream()));
      ASSERT_TRUE(JobWritePageEnd(stream(), nullptr, PageText));
    }
    jobread::Stream read;
    jobread::Error error;
    ASSERT_TRUE(jobread::ReadStream(spool_.bytes.data(), spool_.bytes.size(), &read, &error))
        << "offset " << error.offset << ": " << error.message;
    ASSERT_EQ(read.records.size(), checks.size());
    for (size_t i = 0; i < checks.size(); ++i) {
      SCOPED_TRACE("record " + std::to_string(i));
      checks[i](read.records[i]);
    }
    EXPECT_EQ(read.blocks.front().kind, kBlockJobStart);
    EXPECT_EQ(read.blocks.back().kind, kBlockPageEnd);
  }
}

TEST_F(RoundTrip, ChunkedImageEqualsTheWholeRecord) {
  // 24-bit rows of 3,000 bytes: 349 rows a reservation, flushes in between.
  const uint32_t width = 1000, rows = 1200;
  const uint64_t row_bytes = DlImageRowBytes(width, kImageDepth24);
  std::vector<uint8_t> pixels(row_bytes * rows);
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = uint8_t(i * 31 + i / 7);
  DlImageSource img{10, 20, 1000, 1200, 0, 0, width, rows, kImageDepth24, pixels.data(), nullptr, false};
  for (bool two_entry : {false, true}) {
    SCOPED_TRACE(two_entry ? "one-bit with a two-entry palette" : "24-bit");
    const uint8_t palette[8] = {1, 2, 3, 0, 4, 5, 6, 0};
    if (two_entry) {
      img.format = kImageDepth1;
      img.width = 24000;  // 3,000 bytes a row as well
      img.palette = palette;
    }
    spool_ = {};
    ASSERT_TRUE(DlImage(stream(), img));
    ASSERT_TRUE(DlFlush(stream()));
    std::vector<uint8_t> chunked = DataBytes();
    EXPECT_GT(Blocks().size(), 4u);
    spool_ = {};
    ASSERT_TRUE(DlImageWhole(stream(), img));
    ASSERT_TRUE(DlFlush(stream()));
    EXPECT_EQ(chunked, DataBytes());
    spool_ = {};
    ASSERT_TRUE(DlImageByRow(stream(), img));
    ASSERT_TRUE(DlFlush(stream()));
    EXPECT_EQ(chunked, DataBytes());
  }
}

TEST_F(RoundTrip, ARowAboveOneMebibyteIsReservedRowByRow) {
  const uint32_t width = 400000, rows = 3;  // 1.2 MB rows
  const uint64_t row_bytes = DlImageRowBytes(width, kImageDepth24);
  std::vector<uint8_t> pixels(row_bytes * rows, 0x42);
  DlImageSource img{0, 0, 1, 1, 0, 0, width, rows, kImageDepth24, pixels.data(), nullptr, false};
  ASSERT_TRUE(DlImage(stream(), img));
  ASSERT_TRUE(DlFlush(stream()));
  const uint32_t r = uint32_t(row_bytes);
  // Header in the first block; each row in a block of its own, the buffer
  // flushed before the second and third (leaving the first block empty).
  std::vector<std::pair<uint8_t, uint32_t>> want = {{kBlockData, 56}, {kBlockData, r}, {kBlockData, 0},
                                                    {kBlockData, r},  {kBlockData, 0}, {kBlockData, r}};
  EXPECT_EQ(Blocks(), want);
}

TEST_F(RoundTrip, AnImageFailingPartWayIsContinuedInTheSameRecord) {
  const uint32_t width = 1000, rows = 1200;
  std::vector<uint8_t> pixels(DlImageRowBytes(width, kImageDepth24) * rows);
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = uint8_t(i ^ (i >> 9));
  DlImageSource img{0, 0, 1000, 1200, 0, 0, width, rows, kImageDepth24, pixels.data(), nullptr, false};
  ASSERT_TRUE(DlImageWhole(stream(), img));
  ASSERT_TRUE(DlFlush(stream()));
  const std::vector<uint8_t> whole = DataBytes();
  for (int nth = 1; nth <= 3; ++nth) {
    SCOPED_TRACE("allocation " + std::to_string(nth) + " refused");
    spool_ = {};
    DlInit(stream());  // no spare blocks: every new block is an allocation
    plat::FailNth("GlobalAlloc", nth);
    ASSERT_TRUE(DlImage(stream(), img));
    ASSERT_TRUE(DlEndPage(stream()));
    ASSERT_TRUE(DlFlush(stream()));
    std::vector<uint8_t> data = DataBytes();
    ASSERT_EQ(data.size(), whole.size() + 4);
    EXPECT_EQ(grtest::Span(data.data(), whole.size()), whole);
  }
}

TEST_F(RoundTrip, AnImageThatCannotBeFinishedLeavesNothingBehind) {
  // Rows larger than the first block: each needs a block of its own.
  const uint32_t width = 4000, rows = 1;
  std::vector<uint8_t> pixels(DlImageRowBytes(width, kImageDepth24) * 2, 0x11);
  DlImageSource img{0, 0, 1, 1, 0, 0, width, rows, kImageDepth24, pixels.data(), nullptr, false};
  for (int by_row = 0; by_row < 2; ++by_row) {
    spool_ = {};
    DlInit(stream());
    ASSERT_NE(DlClipReset(stream()), nullptr);
    const uint64_t reservations = stream()->reservations;
    plat::FailNth("GlobalAlloc", 1);
    EXPECT_FALSE(by_row ? DlImageByRow(stream(), img) : DlImage(stream(), img));
    EXPECT_EQ(stream()->reservations, reservations);
    EXPECT_EQ(pdev_->flags & kPdevOutputFailed, 0u);
    ASSERT_NE(DlEndPage(stream()), nullptr);
    ASSERT_TRUE(DlFlush(stream()));
    EXPECT_EQ(DataBytes(), grtest::Hex("37000000 61000000"));
  }
  // Once part of the record has gone out, the output stops instead.
  spool_ = {};
  img.rows = 300;
  pixels.resize(DlImageRowBytes(width, kImageDepth24) * 300);
  img.firstRow = pixels.data();
  spool_.failAt = 1;  // the flush in the middle of the record fails
  EXPECT_FALSE(DlImage(stream(), img));
  EXPECT_TRUE(pdev_->flags & kPdevOutputFailed);
}

}  // namespace
