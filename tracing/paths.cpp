#include "tracing/paths.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <functional>
#include <utility>

#include "engine/error.h"
#include "engine/polynomial.h"
#include "tracing/chain_builder.h"

namespace quorvel {

namespace {

// Two consecutive lines merge when the second ends closer to the line of
// the first than this fraction of the shorter of the two: they are one
// line but for rounding.
constexpr double collinearFraction = 1e-9;

// ---- simplification ----------------------------------------------------------

bool sameCircle(const PathSegment *s, const PathSegment *t) {
    return s->centreRe == t->centreRe && s->centreIm == t->centreIm && s->radius == t->radius;
}

// A role handed to a segment that already holds the other end of its loop
// would leave that loop without a first or a last segment; such a removal
// is not made.
bool canTake(const PathSegment *receiver, int role) {
    if (receiver == nullptr) return true;
    if (role == roleFirst) return receiver->role != roleLast;
    if (role == roleLast) return receiver->role != roleFirst;
    return true;
}

void unlink(SegmentPool &pool, PathSegment *&head, PathSegment *pred, PathSegment *s) {
    if (pred)
        pred->next = s->next;
    else
        head = s->next;
    pool.release(s);
}

PathSegment *liveNext(const SegmentPool &pool, const PathSegment *s) {
    return pool.inUse(s->next) ? s->next : nullptr;
}

// Removes s alone: a first segment hands its role to its successor, a last
// segment to its predecessor.
bool removeOne(SegmentPool &pool, PathSegment *&head, PathSegment *pred, PathSegment *s) {
    PathSegment *after = liveNext(pool, s);
    if (s->role == roleFirst && !canTake(after, roleFirst)) return false;
    if (s->role == roleLast && !canTake(pred, roleLast)) return false;
    if (s->role == roleFirst && after) after->role = roleFirst;
    if (s->role == roleLast && pred) pred->role = roleLast;
    unlink(pool, head, pred, s);
    return true;
}

// Removes s and its successor t: a first role goes to the segment after t,
// a last role to the predecessor of s.
bool removeTwo(SegmentPool &pool, PathSegment *&head, PathSegment *pred, PathSegment *s,
               PathSegment *t) {
    PathSegment *after = liveNext(pool, t);
    const bool passFirst = s->role == roleFirst || t->role == roleFirst;
    const bool passLast = s->role == roleLast || t->role == roleLast;
    if (passFirst && !canTake(after, roleFirst)) return false;
    if (passLast && !canTake(pred, roleLast)) return false;
    if (passFirst && after) after->role = roleFirst;
    if (passLast && pred) pred->role = roleLast;
    unlink(pool, head, pred, s);  // pred (or head) now leads to t
    unlink(pool, head, pred, t);
    return true;
}

// s is absorbed into its successor t, which already carries the merged
// geometry; a first role of s passes to t.
bool mergeInto(SegmentPool &pool, PathSegment *&head, PathSegment *pred, PathSegment *s,
               PathSegment *t) {
    if (s->role == roleFirst) t->role = roleFirst;
    unlink(pool, head, pred, s);
    return true;
}

bool simplifyArc(SegmentPool &pool, PathSegment *&head, PathSegment *pred, PathSegment *s,
                 PathSegment *t) {
    if (s->p0 == s->p2 && removeOne(pool, head, pred, s)) return true;
    if (!t || !t->isArc || s->role == roleLast || !sameCircle(s, t)) return false;
    if (t->p0 == s->p2 && t->p2 == s->p0 && removeTwo(pool, head, pred, s, t)) return true;
    if (t->p0 == s->p2 && !(s->role == roleFirst && t->role == roleLast)) {
        t->p0 = s->p0;
        return mergeInto(pool, head, pred, s, t);
    }
    return false;
}

bool simplifyLine(SegmentPool &pool, PathSegment *&head, PathSegment *pred, PathSegment *s,
                  PathSegment *t) {
    if (s->p0 == s->p2 && s->p1 == s->p3 && removeOne(pool, head, pred, s)) return true;
    if (!t || t->isArc || s->role == roleLast) return false;
    if (t->p2 == s->p0 && t->p3 == s->p1 && removeTwo(pool, head, pred, s, t)) return true;
    // The pieces of a line cut near a locus stay apart.
    if (s->piece || t->piece) return false;
    // Does t end on the line through s? Then s and t become one line.
    const double dx = s->p2 - s->p0;
    const double dy = s->p3 - s->p1;
    const double g = ((t->p2 - s->p0) * dx + (t->p3 - s->p1) * dy) / (dx * dx + dy * dy);
    const double ex = t->p2 - (s->p0 + g * dx);
    const double ey = t->p3 - (s->p1 + g * dy);
    const double shorter = std::min(std::hypot(dx, dy), std::hypot(t->p2 - t->p0, t->p3 - t->p1));
    const double allowed = collinearFraction * shorter;
    // A two-segment loop keeps both ends, as for arcs.
    if (ex * ex + ey * ey < allowed * allowed && !(s->role == roleFirst && t->role == roleLast)) {
        t->p0 = s->p0;
        t->p1 = s->p1;
        return mergeInto(pool, head, pred, s, t);
    }
    return false;
}

}  // namespace

// ---- pool --------------------------------------------------------------------

SegmentPool::SegmentPool() : records_(std::make_unique<std::array<PathSegment, segmentPoolSize>>()) {
    reset();
}

void SegmentPool::reset() {
    for (PathSegment &s : *records_) s = PathSegment{};
    freeBits_.fill(~uint64_t{0});
    used_ = 0;
}

void SegmentPool::setLimit(int limit) {
    if (limit < 0) limit = 0;
    if (limit > segmentPoolSize) limit = segmentPoolSize;
    limit_ = limit;
}

PathSegment *SegmentPool::allocSegment() {
    for (size_t w = 0; w < freeBits_.size(); ++w) {
        const uint64_t bits = freeBits_[w];
        if (bits == 0) continue;
        const int index = static_cast<int>(w * 64) + std::countr_zero(bits);
        if (index >= limit_) break;
        freeBits_[w] &= ~(uint64_t{1} << (index % 64));
        ++used_;
        PathSegment *s = &(*records_)[static_cast<size_t>(index)];
        s->free = 0;
        return s;
    }
    abandonForMemory();
}

void SegmentPool::release(PathSegment *s) {
    if (!inUse(s)) return;
    const auto index = static_cast<size_t>(s - records_->data());
    s->free = 1;
    s->next = nullptr;
    freeBits_[index / 64] |= uint64_t{1} << (index % 64);
    --used_;
}

bool SegmentPool::owns(const PathSegment *s) const {
    const std::less<const PathSegment *> before;
    return s != nullptr && !before(s, records_->data()) && before(s, records_->data() + segmentPoolSize);
}

void freeAutoPaths(SegmentPool &pool, PathSegment *chain) {
    std::vector<PathSegment *> segments;
    for (PathSegment *s = chain; pool.inUse(s) && segments.size() < segmentPoolSize; s = s->next)
        segments.push_back(s);
    for (auto it = segments.rbegin(); it != segments.rend(); ++it) pool.release(*it);
}

// ---- segments ----------------------------------------------------------------

PathSegment *initLineSegment(PathSegment *s, int owner, int role, Complex start, Complex end) {
    s->isArc = 0;
    s->owner = owner;
    s->role = role;
    s->piece = 0;
    s->p0 = start.re;
    s->p1 = start.im;
    s->p2 = end.re;
    s->p3 = end.im;
    s->centreRe = 0.0;
    s->centreIm = 0.0;
    s->radius = 0.0;
    s->next = nullptr;
    return s;
}

PathSegment *initArcSegment(PathSegment *s, int owner, int role, Complex centre, double radius,
                            double startAngle, double endAngle) {
    s->isArc = 1;
    s->owner = owner;
    s->role = role;
    s->piece = 0;
    s->p0 = startAngle;
    s->p1 = 0.0;
    s->p2 = endAngle;
    s->p3 = 0.0;
    s->centreRe = centre.re;
    s->centreIm = centre.im;
    s->radius = radius;
    s->next = nullptr;
    return s;
}

Complex segmentPoint(const PathSegment *s, double u) {
    if (s->isArc) {
        const double phi = s->p0 * (1.0 - u) + s->p2 * u;
        return pointOnCircle(Complex(s->centreRe, s->centreIm), s->radius, phi);
    }
    return Complex(s->p0 * (1.0 - u) + s->p2 * u, s->p1 * (1.0 - u) + s->p3 * u);
}

Complex segmentStart(const PathSegment *s) {
    if (s->isArc) return pointOnCircle(Complex(s->centreRe, s->centreIm), s->radius, s->p0);
    return Complex(s->p0, s->p1);
}

Complex segmentEnd(const PathSegment *s) {
    if (s->isArc) return pointOnCircle(Complex(s->centreRe, s->centreIm), s->radius, s->p2);
    return Complex(s->p2, s->p3);
}

bool simplifyPass(SegmentPool &pool, PathSegment *&head) {
    PathSegment *pred = nullptr;
    int visited = 0;
    for (PathSegment *s = head; s != nullptr; pred = s, s = s->next) {
        if (!pool.inUse(s) || ++visited > segmentPoolSize) return false;
        PathSegment *t = liveNext(pool, s);
        const bool changed = s->isArc ? simplifyArc(pool, head, pred, s, t)
                                      : simplifyLine(pool, head, pred, s, t);
        if (changed) return true;
    }
    return false;
}

void simplifyPath(SegmentPool &pool, PathSegment *&head) {
    // Every change removes at least one segment, so this ends.
    while (simplifyPass(pool, head)) {
    }
}

PathSegment *findPathStart(PathSegment *chain, int k) {
    const std::vector<LoopSummary> loops = listLoops(chain);
    for (const LoopSummary &l : loops)
        if (l.owner == k) return l.first;
    if (k >= 0 && k < static_cast<int>(loops.size())) return loops[static_cast<size_t>(k)].first;
    return chain;
}

PathSegment *selectAutoPath(SegmentPool &pool, PathSegment *chain, int k) {
    ChainUnderConstruction copy(pool);
    int visited = 0;
    for (const PathSegment *s = findPathStart(chain, k); s != nullptr && visited < segmentPoolSize;
         s = s->next, ++visited) {
        PathSegment *c = copy.take();
        c->isArc = s->isArc;
        c->owner = 1;
        c->role = s->role;
        c->piece = s->piece;
        c->p0 = s->p0;
        c->p1 = s->p1;
        c->p2 = s->p2;
        c->p3 = s->p3;
        c->centreRe = s->centreRe;
        c->centreIm = s->centreIm;
        c->radius = s->radius;
        if (s->role == roleLast) break;
    }
    return copy.release();
}

// ---- reading loops -----------------------------------------------------------

std::vector<LoopSummary> listLoops(PathSegment *chain) {
    std::vector<LoopSummary> loops;
    bool inLoop = false;
    int visited = 0;
    for (PathSegment *s = chain; s != nullptr && visited < segmentPoolSize; s = s->next, ++visited) {
        if (s->role == roleFirst) {
            loops.push_back(LoopSummary{s, s->owner, 0});
            inLoop = true;
        }
        if (!inLoop) continue;
        ++loops.back().segments;
        if (s->role == roleLast) inLoop = false;
    }
    return loops;
}

int loopCount(PathSegment *chain) { return static_cast<int>(listLoops(chain).size()); }

int segmentCount(const PathSegment *chain) {
    int count = 0;
    for (const PathSegment *s = chain; s != nullptr && count < segmentPoolSize; s = s->next) ++count;
    return count;
}

}  // namespace quorvel
