// Widening a geometric pen's stroke into the area it paints. When a driver
// refuses a wide or styled stroke, the engine fills this area instead, as
// Windows' engine does: curves are flattened, the dash pattern cuts the
// lines into pieces, and each piece becomes one closed figure per segment,
// join and cap, all turning the same way, so that a winding fill paints
// their union.
#include <algorithm>
#include <cmath>

#include "eng/dc.h"
#include "internal.h"

namespace eng::detail {
namespace {

constexpr double kPi = 3.14159265358979323846;

struct Pt {
  double x, y;
};

Pt operator+(Pt a, Pt b) { return {a.x + b.x, a.y + b.y}; }
Pt operator-(Pt a, Pt b) { return {a.x - b.x, a.y - b.y}; }
Pt operator*(Pt a, double k) { return {a.x * k, a.y * k}; }
double Length(Pt a) { return std::hypot(a.x, a.y); }

struct Polyline {
  std::vector<Pt> pts;
  bool closed = false;
};

// A cubic Bézier as line segments no longer than about two pixels (at
// most 256 of them).
void Flatten(Pt p0, Pt p1, Pt p2, Pt p3, std::vector<Pt>* out) {
  const double hull = Length(p1 - p0) + Length(p2 - p1) + Length(p3 - p2);
  const int n = std::clamp(int(std::ceil(hull / 2)), 1, 256);
  for (int i = 1; i <= n; ++i) {
    const double t = double(i) / n, u = 1 - t;
    out->push_back(p0 * (u * u * u) + p1 * (3 * u * u * t) + p2 * (3 * u * t * t) + p3 * (t * t * t));
  }
}

std::vector<Polyline> Subpaths(const Path& path) {
  std::vector<Polyline> out;
  Pt at{0, 0};
  for (const Path::Op& op : path.ops()) {
    switch (op.kind) {
      case Path::Op::kMove:
        at = {op.pts[0], op.pts[1]};
        out.push_back(Polyline{{at}, false});
        break;
      case Path::Op::kLine:
        if (out.empty()) out.push_back(Polyline{{at}, false});
        at = {op.pts[0], op.pts[1]};
        out.back().pts.push_back(at);
        break;
      case Path::Op::kBezier: {
        if (out.empty()) out.push_back(Polyline{{at}, false});
        const Pt end{op.pts[4], op.pts[5]};
        Flatten(at, {op.pts[0], op.pts[1]}, {op.pts[2], op.pts[3]}, end, &out.back().pts);
        at = end;
        break;
      }
      case Path::Op::kClose:
        if (!out.empty()) {
          out.back().closed = true;
          at = out.back().pts.front();
          out.push_back(Polyline{{at}, false});
        }
        break;
    }
  }
  // Points that repeat their predecessor give no direction: drop them.
  std::vector<Polyline> kept;
  for (Polyline& l : out) {
    Polyline k{{}, l.closed};
    for (const Pt& p : l.pts)
      if (k.pts.empty() || Length(p - k.pts.back()) > 1e-9) k.pts.push_back(p);
    if (k.closed && k.pts.size() > 1 && Length(k.pts.front() - k.pts.back()) <= 1e-9) k.pts.pop_back();
    if (!k.pts.empty()) kept.push_back(std::move(k));
  }
  return kept;
}

// The dash pattern applied along each line: the dashes as open pieces.
std::vector<Polyline> Dashed(const std::vector<Polyline>& lines, const std::vector<double>& dashes) {
  double period = 0;
  for (double d : dashes) period += std::max(d, 0.0);
  if (dashes.size() < 2 || period <= 0) return lines;
  std::vector<Polyline> out;
  for (const Polyline& l : lines) {
    std::vector<Pt> pts = l.pts;
    if (l.closed) pts.push_back(pts.front());
    size_t entry = 0;
    double left = std::max(dashes[0], 0.0);
    bool on = true;
    Polyline piece;
    if (on) piece.pts.push_back(pts.front());
    for (size_t i = 1; i < pts.size(); ++i) {
      Pt from = pts[i - 1];
      const Pt to = pts[i];
      double seg = Length(to - from);
      while (seg > left) {
        const Pt cut = from + (to - from) * (left / seg);
        if (on) {
          piece.pts.push_back(cut);
          out.push_back(std::move(piece));
          piece = Polyline{};
        } else {
          piece.pts.push_back(cut);
        }
        seg -= left;
        from = cut;
        on = !on;
        entry = (entry + 1) % dashes.size();
        left = std::max(dashes[entry], 0.0);
      }
      left -= seg;
      if (on) piece.pts.push_back(to);
    }
    if (on && piece.pts.size() > 1) out.push_back(std::move(piece));
  }
  return out;
}

// Appends a closed figure, turned so that every figure of the widening
// turns the same way.
void Figure(std::vector<Pt> pts, Path* out) {
  if (pts.size() < 3) return;
  double area = 0;
  for (size_t i = 0; i < pts.size(); ++i) {
    const Pt& a = pts[i];
    const Pt& b = pts[(i + 1) % pts.size()];
    area += a.x * b.y - b.x * a.y;
  }
  if (std::fabs(area) < 1e-12) return;
  if (area < 0) std::reverse(pts.begin(), pts.end());
  out->MoveTo(pts[0].x, pts[0].y);
  for (size_t i = 1; i < pts.size(); ++i) out->LineTo(pts[i].x, pts[i].y);
  out->Close();
}

void Disc(Pt c, double r, Path* out) {
  const int n = std::clamp(int(std::ceil(kPi * r)), 8, 128);
  std::vector<Pt> pts;
  for (int i = 0; i < n; ++i) {
    const double a = 2 * kPi * i / n;
    pts.push_back({c.x + r * std::cos(a), c.y + r * std::sin(a)});
  }
  Figure(std::move(pts), out);
}

// The unit normal of a segment (turned left of its direction).
Pt Normal(Pt a, Pt b) {
  const Pt d = b - a;
  const double len = Length(d);
  return {-d.y / len, d.x / len};
}

void Join(Pt v, Pt in_from, Pt out_to, const Pen& pen, Path* out) {
  const double h = pen.width / 2;
  if (pen.join == JOIN_ROUND) return Disc(v, h, out);
  const Pt n1 = Normal(in_from, v), n2 = Normal(v, out_to);
  const double cross = n1.x * n2.y - n1.y * n2.x;
  if (std::fabs(cross) < 1e-9) return;  // straight on: the segments meet flush
  // The outer side of the turn.
  const double side = cross > 0 ? -1 : 1;
  const Pt a = v + n1 * (h * side), b = v + n2 * (h * side);
  if (pen.join == JOIN_MITER) {
    const Pt mid = n1 + n2;
    const double mlen = Length(mid);
    if (mlen > 1e-9) {
      const double cos_half = mlen / 2;  // cosine of half the angle between the normals
      if (1 / cos_half <= std::max(pen.miter_limit, 1.0)) {
        const Pt tip = v + mid * (h * side / (mlen * cos_half));
        return Figure({v, a, tip, b}, out);
      }
    }
  }
  Figure({v, a, b}, out);
}

}  // namespace

Path WidenPath(const Path& path, const Pen& pen) {
  Path out;
  const double h = pen.width / 2;
  if (!(h > 0)) return out;
  for (const Polyline& l : Dashed(Subpaths(path), pen.dashes)) {
    const size_t n = l.pts.size();
    if (n == 1) {
      // A lone point paints its cap only.
      if (!l.closed && pen.cap == ENDCAP_ROUND) Disc(l.pts[0], h, &out);
      else if (!l.closed && pen.cap == ENDCAP_SQUARE)
        Figure({l.pts[0] + Pt{-h, -h}, l.pts[0] + Pt{h, -h}, l.pts[0] + Pt{h, h}, l.pts[0] + Pt{-h, h}}, &out);
      continue;
    }
    const size_t segs = l.closed ? n : n - 1;
    for (size_t i = 0; i < segs; ++i) {
      Pt a = l.pts[i], b = l.pts[(i + 1) % n];
      const Pt d = (b - a) * (1 / Length(b - a));
      if (!l.closed && pen.cap == ENDCAP_SQUARE) {
        if (i == 0) a = a - d * h;
        if (i + 1 == segs) b = b + d * h;
      }
      const Pt nv = Normal(a, b) * h;
      Figure({a + nv, b + nv, b - nv, a - nv}, &out);
    }
    for (size_t i = l.closed ? 0 : 1; i < (l.closed ? n : n - 1); ++i)
      Join(l.pts[i], l.pts[(i + n - 1) % n], l.pts[(i + 1) % n], pen, &out);
    if (!l.closed && pen.cap == ENDCAP_ROUND) {
      Disc(l.pts.front(), h, &out);
      Disc(l.pts.back(), h, &out);
    }
  }
  return out;
}

}  // namespace eng::detail
