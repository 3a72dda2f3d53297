// Path records: a PATHOBJ walked batch by batch into one 0x11/0x12 record
// (or, for a stroke of several subpaths with a closed figure, one record per
// subpath).
//
// The path is walked twice: once to check it and measure it, once to write
// it into a reservation of exactly the measured size. A malformed path
// therefore writes nothing, a curve count that lies cannot make the writer
// run past its room, and a write that fails gives the whole reservation
// back, so the display list never holds half a record.
#include <algorithm>
#include <cstring>

#include "../core/le.h"
#include "gr2k/vector.h"

using namespace gr2k_le;

namespace {

constexpr uint64_t kHeaderBytes = 28;
constexpr uint64_t kSubpathHeadBytes = 12;  // segment count, start point
constexpr uint64_t kLineBytes = 12;
constexpr uint64_t kCurveBytes = 28;
constexpr uint64_t kMaxRecordBytes = 0x7FFFFFF0;

// What a walk of the path found, in total and for the subpath in progress.
struct Measure {
  uint64_t subpaths = 0;
  uint64_t lines = 0;
  uint64_t curves = 0;
  bool closed = false;       // some figure is closed
  bool perSubpath = false;   // written as one record per subpath
  uint64_t bytes = 0;        // bytes of the record(s)
};

// Receives the walk: Begin at each subpath's start point, Segment for each
// line (1 point) or curve (3 points), End when the subpath ends.
class Walker {
 public:
  virtual ~Walker() = default;
  virtual bool Begin(const POINTFIX& start) = 0;
  virtual bool Segment(bool curve, const POINTFIX* pts) = 0;
  virtual bool End(bool closed) = 0;
};

// Walks the batches of the path. False for a malformed path: a subpath
// without a start point, points outside a subpath, or Bezier points that do
// not come in threes.
bool WalkPath(PATHOBJ* path, Walker* w) {
  PATHOBJ_vEnumStart(path);
  bool open = false;
  bool closed = false;
  bool more = true;
  while (more) {
    PATHDATA pd{};
    more = PATHOBJ_bEnum(path, &pd) != FALSE;
    const POINTFIX* pts = pd.pptfx;
    ULONG count = pd.count;
    if (count != 0 && !pts) return false;
    if (pd.flags & PD_BEGINSUBPATH) {
      if (open && !w->End(closed)) return false;
      if (count == 0) return false;
      if (!w->Begin(pts[0])) return false;
      open = true;
      closed = false;
      ++pts;
      --count;
    } else if (count != 0 && !open) {
      return false;
    }
    if (pd.flags & PD_BEZIERS) {
      if (count % 3 != 0) return false;
      for (ULONG i = 0; i < count; i += 3)
        if (!w->Segment(true, pts + i)) return false;
    } else {
      for (ULONG i = 0; i < count; ++i)
        if (!w->Segment(false, pts + i)) return false;
    }
    if (pd.flags & PD_CLOSEFIGURE) closed = true;
    if ((pd.flags & PD_ENDSUBPATH) && open) {
      if (!w->End(closed)) return false;
      open = false;
    }
  }
  if (open && !w->End(closed)) return false;
  return true;
}

class Measurer : public Walker {
 public:
  Measure m;
  bool Begin(const POINTFIX&) override {
    ++m.subpaths;
    return Grow(kSubpathHeadBytes);
  }
  bool Segment(bool curve, const POINTFIX*) override {
    (curve ? m.curves : m.lines) += 1;
    return Grow(curve ? kCurveBytes : kLineBytes);
  }
  bool End(bool closed) override {
    m.closed = m.closed || closed;
    return true;
  }

 private:
  uint64_t body_ = 0;
  bool Grow(uint64_t n) {
    body_ += n;
    m.bytes = body_;
    return body_ <= kMaxRecordBytes;
  }
};

uint32_t WorkSize(uint64_t lines, uint64_t curves, uint64_t subpaths) {
  uint64_t w = 3 * lines + 7 * curves + 3;
  if (subpaths > 1) w += 3 * (subpaths - 1) + 1;
  return uint32_t(w);
}

void PutHeader(uint8_t* rec, bool curves, uint8_t byte2, uint64_t size, const RECTFX& b, uint32_t work) {
  std::memset(rec, 0, kHeaderBytes);
  Put8(rec, curves ? kOpPathCurves : kOpPathLines);
  Put8(rec + 2, byte2);
  Put32(rec + 4, uint32_t(size));
  PutI32(rec + 8, b.xLeft >> 4);
  PutI32(rec + 12, b.yTop >> 4);
  PutI32(rec + 16, b.xRight >> 4);
  PutI32(rec + 20, b.yBottom >> 4);
  Put32(rec + 24, work);
}

// Writes the subpaths into [pos, end): the body of one record, or (per
// subpath) a whole record for each subpath.
class Writer : public Walker {
 public:
  Writer(uint8_t* pos, uint8_t* end, bool per_subpath, const RECTFX& bounds, int32_t dx = 0, int32_t dy = 0)
      : pos_(pos), end_(end), perSubpath_(per_subpath), bounds_(bounds), dx_(uint32_t(dx)), dy_(uint32_t(dy)) {}
  bool Begin(const POINTFIX& start) override {
    if (perSubpath_) {
      if (!Room(kHeaderBytes)) return false;
      record_ = pos_;
      pos_ += kHeaderBytes;
      lines_ = curves_ = 0;
    }
    if (!Room(kSubpathHeadBytes)) return false;
    countWord_ = pos_;
    segments_ = 0;
    Put32(pos_, 0);
    Put32(pos_ + 4, uint32_t(start.x) + dx_);
    Put32(pos_ + 8, uint32_t(start.y) + dy_);
    pos_ += kSubpathHeadBytes;
    return true;
  }
  bool Segment(bool curve, const POINTFIX* pts) override {
    const uint64_t n = curve ? kCurveBytes : kLineBytes;
    if (!Room(n)) return false;
    Put32(pos_, curve ? 1 : 0);
    for (int i = 0; i < (curve ? 3 : 1); ++i) {
      Put32(pos_ + 4 + 8 * i, uint32_t(pts[i].x) + dx_);
      Put32(pos_ + 8 + 8 * i, uint32_t(pts[i].y) + dy_);
    }
    pos_ += n;
    ++segments_;
    (curve ? curves_ : lines_) += 1;
    return true;
  }
  bool End(bool closed) override {
    if (!countWord_) return false;
    Put32(countWord_, segments_);
    countWord_ = nullptr;
    if (perSubpath_) {
      anyCurves_ = anyCurves_ || curves_ != 0;
      PutHeader(record_, anyCurves_, uint8_t(kPathStroke | (closed ? 0x08 : 0)), uint64_t(pos_ - record_),
                bounds_, WorkSize(lines_, curves_, 1));
    }
    return true;
  }
  uint8_t* pos() const { return pos_; }

 private:
  bool Room(uint64_t n) const { return uint64_t(end_ - pos_) >= n; }
  uint8_t* pos_;
  uint8_t* end_;
  bool perSubpath_;
  RECTFX bounds_;
  uint32_t dx_, dy_;  // added to every point (wrapping, as 32-bit fields)
  uint8_t* record_ = nullptr;
  uint8_t* countWord_ = nullptr;
  uint32_t segments_ = 0;
  uint64_t lines_ = 0, curves_ = 0;
  bool anyCurves_ = false;
};

}  // namespace

BOOL GpathWrite(Pdev* pdev, PATHOBJ* path, uint8_t use) {
  if (!pdev || !path) return FALSE;
  Measurer measurer;
  if (!WalkPath(path, &measurer)) return FALSE;
  Measure m = measurer.m;
  if (m.subpaths == 0) return TRUE;  // nothing to draw
  m.perSubpath = use == kPathStroke && m.subpaths > 1 && m.closed;
  const uint64_t size = m.perSubpath ? m.bytes + kHeaderBytes * m.subpaths : kHeaderBytes + m.bytes;
  if (size > kMaxRecordBytes) return FALSE;
  // The room a path of this many curves is given; more when its subpaths
  // need it, and exactly what it needs when its curve count is wrong.
  uint64_t room = size;
  if (uint64_t(path->cCurves) == m.lines + m.curves) room = std::max<uint64_t>(room, 40ull * path->cCurves + 40);

  RECTFX bounds{};
  PATHOBJ_vGetBounds(path, &bounds);
  uint8_t* rec = DlReserve(&pdev->stream, room);
  if (!rec) return FALSE;
  Writer writer(m.perSubpath ? rec : rec + kHeaderBytes, rec + size, m.perSubpath, bounds);
  if (!WalkPath(path, &writer) || writer.pos() != rec + size) {
    DlTrim(&pdev->stream, rec);  // the whole reservation goes back
    return FALSE;
  }
  if (!m.perSubpath) {
    uint8_t byte2 = use;
    if (m.subpaths > 1) byte2 |= 0x10;
    if (m.closed) byte2 |= 0x08;
    PutHeader(rec, m.curves != 0, byte2, size, bounds, WorkSize(m.lines, m.curves, m.subpaths));
  }
  DlTrim(&pdev->stream, rec + size);
  return TRUE;
}

uint32_t GpathEncodeOutline(Pdev* pdev, PATHOBJ* path, bool* closed, uint8_t** buffer, int32_t dx, int32_t dy) {
  if (closed) *closed = false;
  if (buffer) *buffer = nullptr;
  if (!pdev || !path || !buffer) return 0;
  // An outline batch must carry points.
  PATHOBJ_vEnumStart(path);
  for (bool more = true; more;) {
    PATHDATA pd{};
    more = PATHOBJ_bEnum(path, &pd) != FALSE;
    if (pd.count == 0) return 0;
  }
  Measurer measurer;
  if (!WalkPath(path, &measurer)) return 0;
  const Measure& m = measurer.m;
  if (m.subpaths == 0) return 0;
  const uint64_t size = 4 + m.bytes;
  if (size > kMaxRecordBytes) return 0;
  uint8_t* out = static_cast<uint8_t*>(GrPoolAlloc(pdev->pool, size));
  if (!out) return 0;
  Writer writer(out + 4, out + size, false, RECTFX{}, dx, dy);
  if (!WalkPath(path, &writer) || writer.pos() != out + size) {
    GrPoolFree(pdev->pool, out);
    return 0;
  }
  Put32(out, WorkSize(m.lines, m.curves, m.subpaths));
  if (closed) *closed = m.closed;
  *buffer = out;
  return uint32_t(RoundUp4(size));
}
