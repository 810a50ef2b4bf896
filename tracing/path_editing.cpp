#include "tracing/path_editing.h"

#include <algorithm>
#include <cmath>

#include "engine/error.h"

namespace quorvel {

namespace {

double dot(Complex a, Complex b) { return a.re * b.re + a.im * b.im; }

Complex scaled(Complex z, double k) { return Complex(z.re * k, z.im * k); }

// The left normal of a chord: (-c.y, c.x).
Complex leftNormal(Complex c) { return Complex(-c.im, c.re); }

Complex centreOf(const PathSegment *s) { return Complex(s->centreRe, s->centreIm); }

double angleOf(Complex z) { return std::atan2(z.im, z.re); }

// The bulge of a circle through `fixed` with chord c: the centre's offset
// from the chord's midpoint along the left normal n = (-c.y, c.x), in units
// of the chord, k = ((centre - fixed - c/2) . n) / |c|^2. The projection on
// n gives the same k as solving either coordinate of centre = fixed + c/2 +
// k n alone, but it stays exact for a nearly level or nearly upright chord,
// where one coordinate of n is rounding noise. A chord of no length has no
// direction; the arc is then taken as a half circle (bulge 0).
double bulge(Complex centre, Complex fixed, Complex c) {
    const double length2 = normSquared(c);
    if (!(length2 > 0.0)) return 0.0;
    return dot(centre - fixed - scaled(c, 0.5), leftNormal(c)) / length2;
}

// The centre of the circle through `fixed` with the new chord d and bulge k.
Complex centreFor(Complex fixed, Complex d, double k) {
    return fixed + scaled(d, 0.5) + scaled(leftNormal(d), k);
}

// Reshapes an arc so that the end `fixed` stays, keeping its bulge, while
// its other end goes to m. The grabbed arc keeps its start; the arc after the
// grabbed vertex keeps its end.
void moveArcVertex(PathSegment *s, Complex m, bool keepStart) {
    const Complex fixed = keepStart ? segmentStart(s) : segmentEnd(s);
    const Complex moving = keepStart ? segmentEnd(s) : segmentStart(s);
    const double k = bulge(centreOf(s), fixed, moving - fixed);
    const Complex centre = centreFor(fixed, m - fixed, k);
    s->centreRe = centre.re;
    s->centreIm = centre.im;
    s->radius = modulus(fixed - centre);
    const Complex start = keepStart ? fixed : m;
    const Complex end = keepStart ? m : fixed;
    s->p0 = continuousAngle(angleOf(start - centre), s->p0);
    s->p2 = continuousAngle(angleOf(end - centre), s->p2);
}

void moveArcEnd(PathSegment *s, Complex m) { moveArcVertex(s, m, true); }
void moveArcStart(PathSegment *s, Complex m) { moveArcVertex(s, m, false); }

bool insideMiddle(double t) { return insertMarginFraction < t && t < 1.0 - insertMarginFraction; }

// Links `added` after `s`, handing over the owner and the last-segment role.
void linkAfter(PathSegment *s, PathSegment *added) {
    added->owner = s->owner;
    added->role = roleInner;
    if (s->role == roleLast) {
        added->role = roleLast;
        s->role = roleInner;
    }
    added->next = s->next;
    s->next = added;
}

// Splits s at m when m is close enough; answers whether it did.
bool splitAt(SegmentPool &pool, PathSegment *s, Complex m, double tol) {
    if (!s->isArc) {
        const Complex a = segmentStart(s);
        const Complex b = segmentEnd(s);
        const Complex ab = b - a;
        // A segment of no length gives t = NaN, which no test passes.
        const double t = dot(m - a, ab) / normSquared(ab);
        const Complex foot = a + scaled(ab, t);
        if (!insideMiddle(t) || !(modulus(foot - m) < tol)) return false;
        PathSegment *added = initLineSegment(pool.allocSegment(), s->owner, roleInner, foot, b);
        linkAfter(s, added);
        s->p2 = foot.re;
        s->p3 = foot.im;
        return true;
    }
    const Complex centre = centreOf(s);
    // The angle of m is taken in the arc's own range of angles: the turn of
    // it nearest the middle of the arc, so arcs whose angles lie beyond
    // (-pi, pi] split as well as the others.
    double a = angleOf(m - centre);
    const double middle = (s->p0 + s->p2) / 2;
    a += twoPi * std::round((middle - a) / twoPi);
    const double t = (a - s->p0) / (s->p2 - s->p0);
    const double r = modulus(m - centre);
    if (!insideMiddle(t) || !(s->radius - tol < r && r < s->radius + tol)) return false;
    PathSegment *added =
        initArcSegment(pool.allocSegment(), s->owner, roleInner, centre, s->radius, a, s->p2);
    linkAfter(s, added);
    s->p2 = a;
    return true;
}

}  // namespace

double continuousAngle(double angle, double previous) {
    const double d = angle - previous;
    if (!std::isfinite(d)) return angle;
    if (d > angleJumpLimit) return angle - angleTurn * std::ceil((d - angleJumpLimit) / angleTurn);
    if (d < -angleJumpLimit) return angle + angleTurn * std::ceil((-d - angleJumpLimit) / angleTurn);
    return angle;
}

int insertVertices(SegmentPool &pool, PathSegment *path, Complex m, double scale) {
    const double tol = insertTolerancePixels / scale;
    int inserted = 0;
    try {
        for (PathSegment *s = path; s != nullptr; s = s->next)
            if (splitAt(pool, s, m, tol)) ++inserted;
    } catch (const ComputationAbandoned &) {
        // The pool ran out: the segment being split was left as it was.
    }
    return inserted;
}

PathSegment *grabVertex(PathSegment *path, int32_t x, int32_t y, const WorldToScreen &toScreen) {
    PathSegment *grabbed = nullptr;
    for (PathSegment *s = path; s != nullptr && s->role != roleLast; s = s->next) {
        if (!s->next) break;
        const ScreenPosition p = toScreen(segmentEnd(s));
        // Wide arithmetic: a vertex far outside the view maps to the edge
        // of the 32-bit range.
        const int64_t px = p.x, py = p.y;
        const bool hit = px - grabHalfBox <= x && x < px + grabHalfBox && py - grabHalfBox <= y &&
                         y < py + grabHalfBox;
        if (hit) grabbed = s;
    }
    return grabbed;
}

bool deleteVertex(SegmentPool &pool, PathSegment *grabbed) {
    if (!grabbed || !grabbed->next) return false;
    PathSegment *n = grabbed->next;
    const bool sameCircle = grabbed->isArc && n->isArc && grabbed->centreRe == n->centreRe &&
                            grabbed->centreIm == n->centreIm && grabbed->radius == n->radius &&
                            (grabbed->p2 - grabbed->p0) * (n->p2 - n->p0) > 0.0;
    if (sameCircle) {
        // n starts where grabbed ends, up to whole turns: carry them over.
        grabbed->p2 = n->p2 + (grabbed->p2 - n->p0);
    } else {
        const Complex start = segmentStart(grabbed);
        const Complex end = segmentEnd(n);
        initLineSegment(grabbed, grabbed->owner, grabbed->role, start, end);
    }
    if (n->role == roleLast && grabbed->role != roleFirst) grabbed->role = roleLast;
    // (initLineSegment emptied the link; the chain goes on after n.)
    grabbed->next = n->next;
    n->next = nullptr;
    pool.release(n);
    return true;
}

PathSegment *segmentUnder(PathSegment *path, Complex m, double scale) {
    const double tol = insertTolerancePixels / scale;
    for (PathSegment *s = path; s != nullptr; s = s->next) {
        if (!s->isArc) {
            const Complex a = segmentStart(s);
            const Complex ab = segmentEnd(s) - a;
            const double length2 = normSquared(ab);
            double t = length2 > 0.0 ? dot(m - a, ab) / length2 : 0.0;
            t = std::clamp(t, 0.0, 1.0);
            if (modulus(a + scaled(ab, t) - m) < tol) return s;
            continue;
        }
        const Complex centre = centreOf(s);
        double a = angleOf(m - centre);
        const double middle = (s->p0 + s->p2) / 2;
        a += twoPi * std::round((middle - a) / twoPi);
        const double low = std::min(s->p0, s->p2);
        const double high = std::max(s->p0, s->p2);
        const double r = modulus(m - centre);
        if (low <= a && a <= high && std::fabs(r - s->radius) < tol) return s;
    }
    return nullptr;
}

bool lineToArc(PathSegment *s) {
    if (!s || s->isArc) return false;
    const Complex start = segmentStart(s);
    const Complex end = segmentEnd(s);
    const Complex chord = end - start;
    if (!(normSquared(chord) > 0.0)) return false;
    const Complex centre = centreFor(start, chord, defaultBulge);
    const double from = angleOf(start - centre);
    // The shorter way round: the sweep brought into (-pi, pi].
    double sweep = angleOf(end - centre) - from;
    sweep -= twoPi * std::round(sweep / twoPi);
    PathSegment *next = s->next;
    initArcSegment(s, s->owner, s->role, centre, modulus(start - centre), from, from + sweep);
    s->next = next;
    return true;
}

bool arcToLine(PathSegment *s) {
    if (!s || !s->isArc) return false;
    PathSegment *next = s->next;
    initLineSegment(s, s->owner, s->role, segmentStart(s), segmentEnd(s));
    s->next = next;
    return true;
}

void dragVertex(PathSegment *grabbed, Complex m) {
    if (!grabbed || !grabbed->next) return;
    if (grabbed->isArc) {
        moveArcEnd(grabbed, m);
    } else {
        grabbed->p2 = m.re;
        grabbed->p3 = m.im;
    }
    PathSegment *n = grabbed->next;
    if (n->isArc) {
        moveArcStart(n, m);
    } else {
        n->p0 = m.re;
        n->p1 = m.im;
    }
}

}  // namespace quorvel
