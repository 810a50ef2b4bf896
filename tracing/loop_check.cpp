#include "tracing/loop_check.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <limits>

#include "engine/points.h"
#include "tracing/plane_geometry.h"

namespace quorvel {

namespace {

constexpr double pi = std::numbers::pi;
// Segment ends closer than this fraction of the chain's extent join; the
// gap is rounding.
constexpr double joinFraction = 1e-9;

Complex onCircle(Complex centre, double radius, double angle) {
    return Complex(centre.re + radius * std::cos(angle), centre.im + radius * std::sin(angle));
}

// A piece of a loop that crosses any line along the cut direction at most
// once: a line, or an arc between two turning points of the distance across
// that direction. Consecutive pieces share their end points exactly.
struct Piece {
    bool arc = false;
    Complex a, b;
    Complex centre;
    double radius = 0.0;
    double from = 0.0;
    double to = 0.0;
};

Piece linePiece(Complex a, Complex b) {
    Piece p;
    p.a = a;
    p.b = b;
    return p;
}

std::vector<const PathSegment *> segmentsOfLoop(const PathSegment *first) {
    std::vector<const PathSegment *> out;
    for (const PathSegment *s = first; s != nullptr && out.size() < segmentPoolSize; s = s->next) {
        out.push_back(s);
        if (s->role == roleLast) break;
    }
    return out;
}

void addArcPieces(std::vector<Piece> &pieces, const PathSegment *s, double delta) {
    const Complex c(s->centreRe, s->centreIm);
    const double from = s->p0;
    const double to = s->p2;
    // The turning points of sin(phi - delta): delta + pi/2 + m pi.
    std::vector<double> cuts;
    const double lo = std::min(from, to);
    const double hi = std::max(from, to);
    const double base = delta + pi / 2.0;
    for (double m = std::ceil((lo - base) / pi); base + m * pi < hi; m += 1.0) {
        const double beta = base + m * pi;
        if (beta > lo) cuts.push_back(beta);
    }
    if (to < from) std::reverse(cuts.begin(), cuts.end());
    double angle = from;
    Complex point = segmentStart(s);
    for (size_t k = 0; k <= cuts.size(); ++k) {
        const bool last = k == cuts.size();
        const double next = last ? to : cuts[k];
        const Complex end = last ? segmentEnd(s) : onCircle(c, s->radius, next);
        pieces.push_back(Piece{true, point, end, c, s->radius, angle, next});
        angle = next;
        point = end;
    }
}

// The pieces of a loop, closed: where rounding leaves a gap between two
// segments, or between the end and the start, a line bridges it.
std::vector<Piece> loopPieces(const std::vector<const PathSegment *> &segs, double delta) {
    std::vector<Piece> pieces;
    for (const PathSegment *s : segs) {
        const Complex start = segmentStart(s);
        if (!pieces.empty() && !(pieces.back().b.re == start.re && pieces.back().b.im == start.im))
            pieces.push_back(linePiece(pieces.back().b, start));
        if (s->isArc)
            addArcPieces(pieces, s, delta);
        else
            pieces.push_back(linePiece(start, segmentEnd(s)));
    }
    if (!pieces.empty()) {
        const Complex start = pieces.front().a;
        const Complex end = pieces.back().b;
        if (!(start.re == end.re && start.im == end.im)) pieces.push_back(linePiece(end, start));
    }
    return pieces;
}

// The crossing of the cut of target j (direction d) by one piece: its
// letter, + (j + 1) counter-clockwise, -(j + 1) clockwise.
struct Crossing {
    size_t target;
    int letter;
};

// Whether a piece crosses the cut of z (direction d). The side of the line
// along d is read from the shared end points only, with 0 on the positive
// side, so the crossings of a closed run of pieces always balance. Which
// half of the line is crossed is read without the crossing's coordinates:
// for a line, from the side of the piece z lies on; for an arc, from the
// crossing point measured from z through the arc's centre. Both are
// differences of nearby points, so a piece that ends next to a tight
// cluster of targets far from 0 tells their cuts apart.
bool crossCut(const Piece &p, Complex z, Complex d, double delta, Crossing &out, size_t target) {
    const double fa = cross(d, p.a - z);
    const double fb = cross(d, p.b - z);
    const bool sa = fa >= 0.0;
    const bool sb = fb >= 0.0;
    if (sa == sb) return false;
    double ahead = 0.0;  // positive where the crossing lies on the cut
    if (!p.arc) {
        // The line meets the line of the cut at z + lambda d, with lambda of
        // the sign of orientation(z, a, b) / (fb - fa).
        const double o = orientation(z, p.a, p.b);
        ahead = sb ? o : -o;
    } else {
        // cross(d, centre + r e^{i phi} - z) = F + r sin(phi - delta) = 0.
        const double x = std::clamp(-cross(d, p.centre - z) / p.radius, -1.0, 1.0);
        const double lo = std::min(p.from, p.to);
        const double hi = std::max(p.from, p.to);
        double best = 0.0;
        double bestOff = std::numeric_limits<double>::infinity();
        for (double phi : {delta + std::asin(x), delta + pi - std::asin(x)}) {
            const double shifted = phi + twoPi * std::floor((lo - phi) / twoPi + 0.5);
            for (double cand : {shifted - twoPi, shifted, shifted + twoPi}) {
                const double off = cand < lo ? lo - cand : cand > hi ? cand - hi : 0.0;
                if (off < bestOff) {
                    bestOff = off;
                    best = cand;
                }
            }
        }
        best = std::clamp(best, lo, hi);
        ahead = dot(d, (p.centre - z) + Complex(p.radius * std::cos(best), p.radius * std::sin(best)));
    }
    if (ahead <= 0.0) return false;
    const int letter = static_cast<int>(target) + 1;
    out = Crossing{target, sa ? -letter : letter};
    return true;
}

// The word of a loop: the signed crossings of the cuts in path order. Each
// piece moves monotonically across the direction of the cuts, so the cuts
// it crosses come in the order of their targets across that direction:
// increasing where it crosses counter-clockwise, decreasing where it
// crosses clockwise. The order is read from differences of targets, never
// from where along the piece a crossing lies.
std::vector<int> loopWord(const std::vector<Piece> &pieces, const std::vector<Complex> &targets, Complex d,
                          double delta) {
    std::vector<int> word;
    std::vector<Crossing> here;
    for (const Piece &p : pieces) {
        here.clear();
        Crossing c{};
        for (size_t j = 0; j < targets.size(); ++j)
            if (crossCut(p, targets[j], d, delta, c, j)) here.push_back(c);
        if (here.size() > 1) {
            const bool increasing = here.front().letter > 0;
            std::sort(here.begin(), here.end(), [&](const Crossing &x, const Crossing &y) {
                const double across = cross(d, targets[x.target] - targets[y.target]);
                return increasing ? across < 0.0 : across > 0.0;
            });
        }
        for (const Crossing &x : here) word.push_back(x.letter);
    }
    return word;
}

std::vector<int> reduced(const std::vector<int> &word) {
    std::vector<int> out;
    for (int letter : word) {
        if (!out.empty() && out.back() == -letter)
            out.pop_back();
        else
            out.push_back(letter);
    }
    return out;
}

bool conjugateOfGenerator(const std::vector<int> &w, int letter) {
    if (w.size() % 2 == 0) return false;
    const size_t m = w.size() / 2;
    if (w[m] != letter) return false;
    for (size_t i = 0; i < m; ++i)
        if (w[i] != -w[w.size() - 1 - i]) return false;
    return true;
}

double normalised(double a) {
    a = std::fmod(a, twoPi);
    return a < 0.0 ? a + twoPi : a;
}

// The middle of the widest gap between the given directions.
double widestGapMiddle(std::vector<double> angles) {
    if (angles.empty()) return 0.0;
    for (double &a : angles) a = normalised(a);
    std::sort(angles.begin(), angles.end());
    double bestGap = angles.front() + twoPi - angles.back();
    double middle = angles.back() + bestGap / 2.0;
    for (size_t k = 1; k < angles.size(); ++k) {
        const double gap = angles[k] - angles[k - 1];
        if (gap > bestGap) {
            bestGap = gap;
            middle = angles[k - 1] + gap / 2.0;
        }
    }
    return normalised(middle);
}

// The direction of the cuts: no cut through another target or through the
// start point, in the middle of the widest gap of the directions that are
// not allowed.
double cutAngle(const std::vector<Complex> &targets, Complex start, bool pairs) {
    std::vector<double> forbidden;
    for (size_t i = 0; i < targets.size(); ++i) {
        if (isNonZero(start - targets[i])) forbidden.push_back(std::atan2((start - targets[i]).im, (start - targets[i]).re));
        if (!pairs) continue;
        for (size_t j = 0; j < targets.size(); ++j) {
            const Complex v = targets[j] - targets[i];
            if (j != i && isNonZero(v)) forbidden.push_back(std::atan2(v.im, v.re));
        }
    }
    return widestGapMiddle(forbidden);
}

// A segment as the clearance check measures it: its ends, its line, and
// the least distance it must keep from a target to tell on which side it
// passes: loopResolutionMargin roundings of its own points (a point of a line
// is start*(1-u) + end*u, of an arc centre + r e^{i phi} with phi
// interpolated between the end angles).
struct MeasuredSegment {
    const PathSegment *s;
    Complex a, b;
    SegmentFrame line;
    double floor;

    explicit MeasuredSegment(const PathSegment *seg)
        : s(seg), a(segmentStart(seg)), b(segmentEnd(seg)), line(a, b) {
        const double scale =
            seg->isArc ? modulus(Complex(seg->centreRe, seg->centreIm)) +
                             seg->radius * (1.0 + std::max(std::fabs(seg->p0), std::fabs(seg->p2)))
                       : std::max(modulus(a), modulus(b));
        floor = loopResolutionMargin * std::numeric_limits<double>::epsilon() * scale;
    }

    // The least distance from z, or `known` (or something no smaller than
    // it) when the segment cannot come nearer than that.
    double distance(Complex z, double known) const {
        if (!s->isArc) return line.distance(z);
        const Complex c(s->centreRe, s->centreIm);
        const double fromCircle = std::fabs(modulus(z - c) - s->radius);
        if (fromCircle >= known) return known;
        const double lo = std::min(s->p0, s->p2);
        const double hi = std::max(s->p0, s->p2);
        bool facing = hi - lo >= twoPi || isZero(z - c);
        if (!facing) {
            const double phi = std::atan2((z - c).im, (z - c).re);
            facing = lo + normalised(phi - lo) <= hi;
        }
        if (facing) return fromCircle;
        return std::min(modulus(a - z), modulus(b - z));
    }
};

}  // namespace

int polylineWinding(const std::vector<Complex> &points, Complex z) {
    double total = 0.0;
    for (size_t k = 0; k < points.size(); ++k) {
        const Complex p = points[k] - z;
        const Complex q = points[(k + 1) % points.size()] - z;
        total += std::atan2(cross(p, q), dot(p, q));
    }
    return static_cast<int>(std::lround(total / twoPi));
}

std::vector<int> loopWindings(const PathSegment *first, const std::vector<Complex> &points) {
    std::vector<int> windings(points.size(), 0);
    const std::vector<const PathSegment *> segs = segmentsOfLoop(first);
    if (segs.empty()) return windings;
    const double delta = cutAngle(points, segmentStart(segs.front()), false);
    const Complex d(std::cos(delta), std::sin(delta));
    for (int letter : loopWord(loopPieces(segs, delta), points, d, delta))
        windings[static_cast<size_t>(std::abs(letter) - 1)] += letter > 0 ? 1 : -1;
    return windings;
}

const char *loopFaultText(LoopFault fault) {
    switch (fault) {
    case LoopFault::none: return "sound";
    case LoopFault::incomplete: return "a target has no loop of its own";
    case LoopFault::broken: return "its segments do not join at the common start";
    case LoopFault::winding: return "it does not wind once round its own target alone";
    case LoopFault::clearance: return "it passes too near a target";
    case LoopFault::resolution: return "it passes a target nearer than its segments' rounding can tell";
    case LoopFault::conjugate: return "it is not a conjugate of its target's generator";
    }
    return "";
}

ChainVerdict checkAutoPaths(const PathSegment *chain, const std::vector<Complex> &targets, Complex base) {
    ChainVerdict verdict;
    const int n = static_cast<int>(targets.size());
    const std::vector<LoopSummary> loops = listLoops(const_cast<PathSegment *>(chain));
    if (loops.empty()) {
        verdict.complete = n == 0;
        verdict.productOk = verdict.ok = n == 0;
        return verdict;
    }

    // The spacing of each target: its distance to its nearest other target,
    // or to the base point when that is nearer. A target on the base point
    // is measured by its neighbours alone (a lone one as pointUnder has it).
    std::vector<double> spacing = nearestOtherDistances(targets);
    const int central = pointUnder(targets, base);
    for (int j = 0; j < n; ++j) {
        if (j == central) continue;
        if (n == 1) spacing[0] = std::numeric_limits<double>::infinity();
        spacing[j] = std::min(spacing[j], modulus(targets[j] - base));
    }

    std::vector<std::vector<const PathSegment *>> segments;
    double extent = 0.0;
    for (const LoopSummary &l : loops) {
        segments.push_back(segmentsOfLoop(l.first));
        for (const PathSegment *s : segments.back())
            extent = std::max({extent, modulus(segmentStart(s) - base), modulus(segmentEnd(s) - base)});
    }
    for (Complex z : targets) extent = std::max(extent, modulus(z - base));
    const double joinTolerance = joinFraction * extent;
    const Complex start = segmentStart(loops.front().first);

    const double delta = cutAngle(targets, start, true);
    const Complex d(std::cos(delta), std::sin(delta));
    verdict.cutDirection = d;

    std::vector<int> seen(static_cast<size_t>(n) + 1, 0);
    std::vector<int> product;
    std::vector<int> enclosingWord;
    bool enclosingSeen = false;
    verdict.complete = true;
    bool allOk = true;
    for (size_t l = 0; l < loops.size(); ++l) {
        LoopVerdict v;
        v.owner = loops[l].owner;
        const std::vector<const PathSegment *> &segs = segments[l];
        auto fail = [&v](LoopFault f) {
            if (v.fault == LoopFault::none) v.fault = f;
        };
        if (v.owner < 0 || v.owner > n || ++seen[static_cast<size_t>(v.owner)] > 1) {
            fail(LoopFault::incomplete);
            verdict.complete = false;
        }

        if (modulus(segmentStart(segs.front()) - start) > joinTolerance ||
            modulus(segmentEnd(segs.back()) - start) > joinTolerance || segs.back()->role != roleLast)
            fail(LoopFault::broken);
        for (size_t k = 0; k + 1 < segs.size(); ++k)
            if (modulus(segmentEnd(segs[k]) - segmentStart(segs[k + 1])) > joinTolerance) fail(LoopFault::broken);

        const std::vector<int> word = loopWord(loopPieces(segs, delta), targets, d, delta);
        v.windings.assign(targets.size(), 0);
        for (int letter : word) v.windings[static_cast<size_t>(std::abs(letter) - 1)] += letter > 0 ? 1 : -1;
        const bool enclosing = v.owner == n;
        for (int j = 0; j < n; ++j) {
            const int expected = enclosing ? -1 : j == v.owner ? 1 : 0;
            if (v.windings[static_cast<size_t>(j)] != expected) fail(LoopFault::winding);
        }

        v.clearance = std::numeric_limits<double>::infinity();
        bool resolved = true;
        std::vector<MeasuredSegment> measured(segs.begin(), segs.end());
        for (int j = 0; j < n; ++j) {
            double nearest = std::numeric_limits<double>::infinity();
            for (const MeasuredSegment &m : measured) {
                const double here = m.distance(targets[j], std::max(nearest, m.floor));
                resolved = resolved && here >= m.floor;
                nearest = std::min(nearest, here);
            }
            const double ratio = spacing[j] > 0.0 ? nearest / spacing[j] : std::numeric_limits<double>::infinity();
            if (ratio < v.clearance) {
                v.clearance = ratio;
                v.nearestTarget = j;
            }
        }
        if (v.clearance < loopClearanceFraction) fail(LoopFault::clearance);
        if (!resolved) fail(LoopFault::resolution);

        v.word = reduced(word);
        if (!enclosing && v.owner >= 0 && v.owner < n && !conjugateOfGenerator(v.word, v.owner + 1))
            fail(LoopFault::conjugate);
        if (enclosing) {
            enclosingWord = v.word;
            enclosingSeen = true;
        } else {
            product.insert(product.end(), v.word.begin(), v.word.end());
        }

        v.ok = v.fault == LoopFault::none;
        allOk = allOk && v.ok;
        verdict.loops.push_back(std::move(v));
    }
    for (int j = 0; j < n; ++j)
        if (seen[static_cast<size_t>(j)] != 1) verdict.complete = false;
    if (seen[static_cast<size_t>(n)] == 0 && n != 1) verdict.complete = false;
    // The product of the local loops, then the loop round all. A lone
    // target's loop needs no loop round all: there is nothing to compose.
    product.insert(product.end(), enclosingWord.begin(), enclosingWord.end());
    verdict.productOk = enclosingSeen ? reduced(product).empty() : n == 1;
    verdict.ok = allOk && verdict.complete && verdict.productOk;
    return verdict;
}

}  // namespace quorvel
