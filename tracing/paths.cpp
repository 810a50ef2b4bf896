#include "tracing/paths.h"

#include <bit>
#include <cmath>
#include <functional>
#include <utility>

#include "engine/error.h"
#include "engine/polynomial.h"

namespace quorvel {

namespace {

// The doubles the loop geometry is written with: the half turn added to a
// bisector and the full turn that brings a ray to the right side of its
// target are the shorter decimal forms 3.1415926535 and 6.283185307, while
// the central circle and the enclosing circle start from pi and 2 pi proper.
constexpr double pi = 3.141592653589793;
constexpr double halfTurn = 3.1415926535;
constexpr double fullTurn = 6.283185307;

// A target closer than this to the centre sits at the centre.
constexpr double centreRadius = 0.001;
// Two consecutive lines merge when the second ends this close (squared
// distance) to the line of the first.
constexpr double collinearSquared = 0.01;

Complex onCircle(Complex centre, double radius, double angle) {
    return Complex(centre.re + radius * std::cos(angle), centre.im + radius * std::sin(angle));
}

// Owns the segments of a chain while it is being built or copied: if the
// work is abandoned half-way, every segment taken so far goes back.
class ChainUnderConstruction {
public:
    explicit ChainUnderConstruction(SegmentPool &pool) : pool_(pool) {}
    ~ChainUnderConstruction() { freeAutoPaths(pool_, head_); }
    ChainUnderConstruction(const ChainUnderConstruction &) = delete;
    ChainUnderConstruction &operator=(const ChainUnderConstruction &) = delete;

    // Takes a record and links it at the end before anything else can fail.
    PathSegment *take() {
        PathSegment *s = pool_.allocSegment();
        s->next = nullptr;
        if (tail_)
            tail_->next = s;
        else
            head_ = s;
        tail_ = s;
        return s;
    }
    void line(int owner, int role, Complex start, Complex end) {
        initLineSegment(take(), owner, role, start, end);
    }
    void arc(int owner, int role, Complex centre, double radius, double from, double to) {
        initArcSegment(take(), owner, role, centre, radius, from, to);
    }
    // Closes the loop emitted last.
    void endLoop() {
        if (tail_) {
            tail_->role = roleLast;
            tail_->next = nullptr;
        }
    }
    PathSegment *&head() { return head_; }
    PathSegment *release() {
        tail_ = nullptr;
        return std::exchange(head_, nullptr);
    }

private:
    SegmentPool &pool_;
    PathSegment *head_ = nullptr;
    PathSegment *tail_ = nullptr;
};

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
    // Does t end on the line through s? Then s and t become one line.
    const double dx = s->p2 - s->p0;
    const double dy = s->p3 - s->p1;
    const double g = ((t->p2 - s->p0) * dx + (t->p3 - s->p1) * dy) / (dx * dx + dy * dy);
    const double ex = t->p2 - (s->p0 + g * dx);
    const double ey = t->p3 - (s->p1 + g * dy);
    // A two-segment loop keeps both ends, as for arcs.
    if (ex * ex + ey * ey < collinearSquared && !(s->role == roleFirst && t->role == roleLast)) {
        t->p0 = s->p0;
        t->p1 = s->p1;
        return mergeInto(pool, head, pred, s, t);
    }
    return false;
}

// ---- loop geometry -----------------------------------------------------------

// The ray halfway between a target at angle a and another at angle phi,
// turned by a half turn when phi lies on the wrong side of a: before a for
// the ray a loop leaves along, after a for the ray it comes back along.
// With phi = a both give the opposite ray a + pi.
double bisectorBefore(double phi, double a) {
    double theta = (phi + a) / 2.0;
    if (phi >= a) theta += halfTurn;
    return theta;
}

double bisectorAfter(double phi, double a) {
    double theta = (phi + a) / 2.0;
    if (phi <= a) theta += halfTurn;
    return theta;
}

// The targets of the cycle, in increasing angle round the centre, with the
// cyclic neighbour relation. With a target at the centre (first = 1) that
// target stays out of the cycle.
class TargetCycle {
public:
    TargetCycle(const std::vector<Term *> &byPosition, Complex centre, int first, double outer,
                double inner)
        : n_(static_cast<int>(byPosition.size())), first_(first), outer_(outer), inner_(inner) {
        for (const Term *t : byPosition) {
            angle_.push_back(argument(t->coef - centre));
            distance_.push_back(modulus(t->coef - centre));
        }
    }

    int size() const { return n_ - first_; }
    double angle(int i) const { return angle_[static_cast<size_t>(i)]; }
    double distance(int i) const { return distance_[static_cast<size_t>(i)]; }
    int previous(int p) const { return p == first_ ? n_ - 1 : p - 1; }
    int following(int p) const { return p == n_ - 1 ? first_ : p + 1; }
    // Targets j and i share a ray (the loops separate them by radius, not
    // by direction), as the order of the targets has it.
    bool onRay(int j, int i) const { return sameRay(angle(j) - angle(i), distance(j), distance(i)); }

    // The ray the loop of target i leaves along: between target i and the
    // first target before it in the cycle that lies in another direction.
    // Each other target is looked at once; when all lie in the direction of
    // target i (or there is no other) the loop leaves along the opposite ray.
    double rayBefore(int i) const {
        const double a = angle(i);
        int p = previous(i);
        for (int visited = 1; visited < size(); ++visited, p = previous(p))
            if (!onRay(p, i)) return bisectorBefore(angle(p), a);
        return bisectorBefore(a, a);
    }

    // The ray the loop of target i comes back along, on its other side.
    double rayAfter(int i) const {
        const double a = angle(i);
        int p = following(i);
        for (int visited = 1; visited < size(); ++visited, p = following(p))
            if (!onRay(p, i)) return bisectorAfter(angle(p), a);
        return bisectorAfter(a, a);
    }

    // The radius the loop of target i runs round at: midway to the nearest
    // target farther out in the same direction, else the outer radius. On a
    // shared ray this is the neighbour before i in the order; taking it from
    // the distances keeps it right where the order of a ray is broken up
    // (across the cut at angle pi, or when there is no other direction).
    double outerRadius(int i) const {
        const double rho = distance(i);
        double farther = -1.0;
        for (int j = first_; j < n_; ++j) {
            if (j == i || !onRay(j, i) || distance(j) <= rho) continue;
            if (farther < 0.0 || distance(j) < farther) farther = distance(j);
        }
        return farther < 0.0 ? outer_ : (farther + rho) / 2.0;
    }

    // The radius the loop of target i comes back at: midway to the nearest
    // target closer in in the same direction, else the inner radius.
    double innerRadius(int i) const {
        const double rho = distance(i);
        double nearer = -1.0;
        for (int j = first_; j < n_; ++j) {
            if (j == i || !onRay(j, i) || distance(j) >= rho) continue;
            if (distance(j) > nearer) nearer = distance(j);
        }
        return nearer < 0.0 ? inner_ : (nearer + rho) / 2.0;
    }

private:
    int n_;
    int first_;
    double outer_;
    double inner_;
    std::vector<double> angle_;
    std::vector<double> distance_;
};

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
        return onCircle(Complex(s->centreRe, s->centreIm), s->radius, phi);
    }
    return Complex(s->p0 * (1.0 - u) + s->p2 * u, s->p1 * (1.0 - u) + s->p3 * u);
}

Complex segmentStart(const PathSegment *s) {
    if (s->isArc) return onCircle(Complex(s->centreRe, s->centreIm), s->radius, s->p0);
    return Complex(s->p0, s->p1);
}

Complex segmentEnd(const PathSegment *s) {
    if (s->isArc) return onCircle(Complex(s->centreRe, s->centreIm), s->radius, s->p2);
    return Complex(s->p2, s->p3);
}

// ---- auto-mode loops ---------------------------------------------------------

PointList autoPathTargets(const Term *loci, const Term *degenerate) {
    OwnedPolynomial targets(copyPolynomial(loci));
    Term *last = nullptr;
    for (Term *t = targets.get(); t != nullptr; t = t->next) {
        t->kind = kindOrdinary;
        last = t;
    }
    if (degenerate) {
        OwnedPolynomial more(copyPolynomial(degenerate));
        int number = last ? pointNumber(last) + 1 : 0;
        for (Term *t = more.get(); t != nullptr; t = t->next) {
            t->kind = kindDegenerate;
            t->exp[0] = number++;
        }
        if (last)
            last->next = more.release();
        else
            targets.reset(more.release());
    }
    return targets.release();
}

Complex autoPathCentre(const Term *loci, Complex base) {
    return isNonZero(base) ? base : centroid(loci);
}

PathSegment *buildAutoPaths(SegmentPool &pool, const Term *loci, Complex base,
                            const Term *degenerate) {
    OwnedPolynomial targets(autoPathTargets(loci, degenerate));
    const Complex c = autoPathCentre(loci, base);
    OwnedPolynomial sorted(sortAround(targets.get(), c));
    std::vector<Term *> byPosition;
    recordsByPosition(sorted.get(), byPosition);
    const int n = static_cast<int>(byPosition.size());
    if (n == 0) return nullptr;

    const double rMax = maxDistance(sorted.get(), c);
    const double rMin = minDistance(sorted.get(), c);
    const double outer = 1.3 * rMax;

    ChainUnderConstruction chain(pool);

    // A target at the centre (position 0 of the sorted list) gets the circle
    // of radius r as its loop; every other loop starts and ends on that
    // circle at angle 0. r lies midway between the central target and the
    // nearest other target of any kind, so the circle holds the central
    // target alone: half the distance to that target when the central one
    // sits exactly at the centre.
    int first = 0;
    double r = 0.0;
    if (rMin < centreRadius) {
        first = 1;
        double nearest = 0.0;
        for (int i = 1; i < n; ++i) {
            const double d = modulus(byPosition[static_cast<size_t>(i)]->coef - c);
            if (i == 1 || d < nearest) nearest = d;
        }
        r = n > 1 ? (rMin + nearest) / 2.0 : 0.5;
        chain.arc(0, roleFirst, c, r, 0.0, pi);
        chain.arc(0, roleLast, c, r, pi, twoPi);
    }

    const TargetCycle cycle(byPosition, c, first, outer, r);
    if (cycle.size() >= 1) {
        for (int i = first; i < n; ++i) {
            const double a = cycle.angle(i);
            double theta1 = cycle.rayBefore(i);
            double theta2 = cycle.rayAfter(i);
            const double r1 = cycle.outerRadius(i);
            const double r2 = cycle.innerRadius(i);
            if (theta1 > a) theta1 -= fullTurn;
            if (theta2 < a) theta2 += fullTurn;

            const bool lead = first == 1 && theta1 != 0.0;
            if (lead) chain.arc(i, roleFirst, c, r, 0.0, theta1);
            chain.line(i, lead ? roleInner : roleFirst, onCircle(c, r, theta1), onCircle(c, r1, theta1));
            chain.arc(i, roleInner, c, r1, theta1, theta2);
            chain.line(i, roleInner, onCircle(c, r1, theta2), onCircle(c, r2, theta2));
            if (r2 != r) {
                chain.arc(i, roleInner, c, r2, theta2, theta1);
                chain.line(i, roleInner, onCircle(c, r2, theta1), onCircle(c, r, theta1));
            } else if (first == 1) {
                chain.arc(i, roleInner, c, r, theta2, theta1);
            }
            if (first == 1 && !(r2 == r && theta1 == 0.0)) chain.arc(i, roleInner, c, r, theta1, 0.0);
            chain.endLoop();
        }

        // The loop round all targets leaves along the ray of the first
        // target's loop, which no target lies on, and circles them all
        // clockwise at the outer radius.
        const double theta = cycle.rayBefore(first);
        const bool lead = first == 1 && theta != 0.0;
        if (lead) chain.arc(n, roleFirst, c, r, 0.0, theta);
        chain.line(n, lead ? roleInner : roleFirst, onCircle(c, r, theta), onCircle(c, outer, theta));
        chain.arc(n, roleInner, c, outer, theta + twoPi, theta + halfTurn);
        chain.arc(n, roleInner, c, outer, theta + halfTurn, theta);
        chain.line(n, roleInner, onCircle(c, outer, theta), onCircle(c, r, theta));
        if (lead) chain.arc(n, roleInner, c, r, theta, 0.0);
        chain.endLoop();
    }

    simplifyPath(pool, chain.head());
    return chain.release();
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
    int count = 0;
    int visited = 0;
    for (PathSegment *s = chain; s != nullptr && visited < segmentPoolSize; s = s->next, ++visited) {
        if (s->role != roleFirst) continue;
        if (count == k || s->owner == k) return s;
        ++count;
    }
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
