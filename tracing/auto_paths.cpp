// The auto-mode loops: the classic construction round the base point, the
// star that replaces it where its loops fail their check, and the check
// that decides.
#include <algorithm>
#include <cstdio>
#include <string>
#include <cmath>
#include <numbers>
#include <limits>
#include <vector>

#include "engine/error.h"
#include "engine/points.h"
#include "engine/polynomial.h"
#include "tracing/chain_builder.h"
#include "tracing/loop_check.h"
#include "tracing/paths.h"
#include "tracing/plane_geometry.h"

namespace quorvel {

namespace {

// The doubles the classic geometry is written with: the half turn added to
// a bisector and the full turn that brings a ray to the right side of its
// target are the shorter decimal forms 3.1415926535 and 6.283185307, while
// the central circle and the enclosing circle start from pi and 2 pi proper.
// The shorter forms are kept so that the loops of a stored document are
// drawn again as they were saved.
constexpr double pi = std::numbers::pi;
constexpr double halfTurn = 3.1415926535;
constexpr double fullTurn = 6.283185307;

// The loop round all targets runs at this multiple of the greatest distance
// of a target from the base point.
constexpr double outerFactor = 1.3;

// ---- the classic loops ---------------------------------------------------------

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
// cyclic neighbour relation. A target at the centre stays out of the cycle.
class TargetCycle {
public:
    TargetCycle(const std::vector<Complex> &targets, Complex centre, int central, double outer, double inner)
        : outer_(outer), inner_(inner) {
        for (size_t p = 0; p < targets.size(); ++p) {
            angle_.push_back(argument(targets[p] - centre));
            distance_.push_back(modulus(targets[p] - centre));
            if (static_cast<int>(p) != central) members_.push_back(static_cast<int>(p));
        }
    }

    // The positions of the cycle's targets, in order.
    const std::vector<int> &members() const { return members_; }
    int size() const { return static_cast<int>(members_.size()); }

    // The ray the loop of the i-th member leaves along: between it and the
    // first member before it in the cycle that lies in another direction.
    // Each other member is looked at once; when all lie in its direction (or
    // there is no other) the loop leaves along the opposite ray.
    double rayBefore(int i) const {
        const double a = angleOf(i);
        int p = previous(i);
        for (int visited = 1; visited < size(); ++visited, p = previous(p))
            if (!onRay(p, i)) return bisectorBefore(angleOf(p), a);
        return bisectorBefore(a, a);
    }

    // The ray the loop of the i-th member comes back along, on its other side.
    double rayAfter(int i) const {
        const double a = angleOf(i);
        int p = following(i);
        for (int visited = 1; visited < size(); ++visited, p = following(p))
            if (!onRay(p, i)) return bisectorAfter(angleOf(p), a);
        return bisectorAfter(a, a);
    }

    // The radius the loop of the i-th member runs round at: midway to the
    // nearest member farther out in the same direction, else the outer
    // radius. Taking it from the distances keeps it right where the order of
    // a ray is broken up (across the cut at angle pi, or when there is no
    // other direction).
    double outerRadius(int i) const {
        const double rho = distanceOf(i);
        double farther = -1.0;
        for (int j = 0; j < size(); ++j) {
            if (j == i || !onRay(j, i) || distanceOf(j) <= rho) continue;
            if (farther < 0.0 || distanceOf(j) < farther) farther = distanceOf(j);
        }
        return farther < 0.0 ? outer_ : (farther + rho) / 2.0;
    }

    // The radius the loop of the i-th member comes back at: midway to the
    // nearest member closer in in the same direction, else the inner radius.
    double innerRadius(int i) const {
        const double rho = distanceOf(i);
        double nearer = -1.0;
        for (int j = 0; j < size(); ++j) {
            if (j == i || !onRay(j, i) || distanceOf(j) >= rho) continue;
            if (distanceOf(j) > nearer) nearer = distanceOf(j);
        }
        return nearer < 0.0 ? inner_ : (nearer + rho) / 2.0;
    }

    double angleOf(int i) const { return angle_[static_cast<size_t>(members_[static_cast<size_t>(i)])]; }

private:
    double distanceOf(int i) const { return distance_[static_cast<size_t>(members_[static_cast<size_t>(i)])]; }
    int previous(int i) const { return i == 0 ? size() - 1 : i - 1; }
    int following(int i) const { return i == size() - 1 ? 0 : i + 1; }
    // Members j and i share a ray (the loops separate them by radius, not
    // by direction), as the order of the targets has it.
    bool onRay(int j, int i) const { return sameRay(angleOf(j) - angleOf(i), distanceOf(j), distanceOf(i)); }

    double outer_;
    double inner_;
    std::vector<double> angle_;
    std::vector<double> distance_;
    std::vector<int> members_;
};

// The classic loops round the centre c, in the order of the positions, then
// the loop round all.
void buildClassicLoops(ChainUnderConstruction &chain, const std::vector<Complex> &targets, Complex c) {
    const int n = static_cast<int>(targets.size());
    double rMax = 0.0;
    for (Complex z : targets) rMax = std::max(rMax, modulus(z - c));
    const double outer = outerFactor * rMax;

    // A target on the centre gets the circle of radius r as its loop; every
    // other loop starts and ends on that circle at angle 0. r lies midway
    // between the central target and the nearest other target of any kind,
    // so the circle holds the central target alone.
    const int central = pointUnder(targets, c);
    double r = 0.0;
    if (central >= 0) {
        const Complex z = targets[static_cast<size_t>(central)];
        r = nearestOtherDistances(targets)[static_cast<size_t>(central)] / 2.0;
        if (n > 1) {
            double nearest = std::numeric_limits<double>::infinity();
            for (int i = 0; i < n; ++i)
                if (i != central) nearest = std::min(nearest, modulus(targets[static_cast<size_t>(i)] - c));
            r = (modulus(z - c) + nearest) / 2.0;
        }
        chain.arc(central, roleFirst, c, r, 0.0, pi);
        chain.arc(central, roleLast, c, r, pi, twoPi);
    }
    const bool ring = central >= 0;

    const TargetCycle cycle(targets, c, central, outer, r);
    if (cycle.size() == 0) return;
    for (int k = 0; k < cycle.size(); ++k) {
        const int owner = cycle.members()[static_cast<size_t>(k)];
        const double a = cycle.angleOf(k);
        double theta1 = cycle.rayBefore(k);
        double theta2 = cycle.rayAfter(k);
        const double r1 = cycle.outerRadius(k);
        const double r2 = cycle.innerRadius(k);
        if (theta1 > a) theta1 -= fullTurn;
        if (theta2 < a) theta2 += fullTurn;

        const bool lead = ring && theta1 != 0.0;
        if (lead) chain.arc(owner, roleFirst, c, r, 0.0, theta1);
        chain.line(owner, lead ? roleInner : roleFirst, pointOnCircle(c, r, theta1), pointOnCircle(c, r1, theta1));
        chain.arc(owner, roleInner, c, r1, theta1, theta2);
        chain.line(owner, roleInner, pointOnCircle(c, r1, theta2), pointOnCircle(c, r2, theta2));
        if (r2 != r) {
            chain.arc(owner, roleInner, c, r2, theta2, theta1);
            chain.line(owner, roleInner, pointOnCircle(c, r2, theta1), pointOnCircle(c, r, theta1));
        } else if (ring) {
            chain.arc(owner, roleInner, c, r, theta2, theta1);
        }
        if (ring && !(r2 == r && theta1 == 0.0)) chain.arc(owner, roleInner, c, r, theta1, 0.0);
        chain.endLoop();
    }

    // The loop round all targets leaves along the ray of the first loop,
    // which no target lies on, and circles them all clockwise at the outer
    // radius.
    const double theta = cycle.rayBefore(0);
    const bool lead = ring && theta != 0.0;
    if (lead) chain.arc(n, roleFirst, c, r, 0.0, theta);
    chain.line(n, lead ? roleInner : roleFirst, pointOnCircle(c, r, theta), pointOnCircle(c, outer, theta));
    chain.arc(n, roleInner, c, outer, theta + twoPi, theta + halfTurn);
    chain.arc(n, roleInner, c, outer, theta + halfTurn, theta);
    chain.line(n, roleInner, pointOnCircle(c, outer, theta), pointOnCircle(c, r, theta));
    if (lead) chain.arc(n, roleInner, c, r, theta, 0.0);
    chain.endLoop();
}

// ---- the star ----------------------------------------------------------------------

// The small circle round a target has this fraction of the target's spacing
// (its distance to its nearest other target or to the base point) as its
// radius: below 1/2, so that no two circles meet and none holds the base
// point.
constexpr double starRadiusFraction = 0.25;
// A tail that would pass a target closer than this fraction of the target's
// spacing follows the target's circle instead (twice the clearance a loop
// must keep).
constexpr double detourFraction = 2.0 * loopClearanceFraction;
// A target lies on a line, as far as rounding can tell, when it is off the
// line by less than this fraction of its distance from the nearer end of
// the line; a tail then passes it on the side the loop order gives.
constexpr double onLineFraction = 1e-12;
// Directions from the base point closer than this (radians) are told apart
// by the sides of the triangles they make with it, not by their angles,
// which cannot tell the loci of a cluster 1e-30 wide apart from 0.5 away.
constexpr double closeDirections = 1e-9;
// Two gaps between directions whose widths differ by less than this
// fraction are equally wide.
constexpr double gapTieFraction = 1e-9;
// The directions a tail may take towards its target's circle are tried at
// this many points across the room they have.
constexpr int aimSamples = 9;

double normalised(double a) {
    a = std::fmod(a, twoPi);
    return a < 0.0 ? a + twoPi : a;
}

// Sorts a few elements with a comparison read from rounded differences,
// which need not be transitive where rounding decides; an insertion sort
// ends whatever the comparison says.
template <class It, class Less>
void insertionSort(It first, It last, Less less) {
    for (It i = first; i != last; ++i)
        for (It j = i; j != first && less(*j, *(j - 1)); --j) std::iter_swap(j, j - 1);
}

// One piece of a tail: a line to `to`, or an arc round `centre`.
struct TailPiece {
    bool arc = false;
    Complex from, to;
    Complex centre;
    double radius = 0.0;
    double a0 = 0.0;
    double a1 = 0.0;
};

TailPiece tailLine(Complex from, Complex to) {
    TailPiece p;
    p.from = from;
    p.to = to;
    return p;
}

// Loops that cannot fail: a straight tail from the base point to a small
// circle round each target, the circle counter-clockwise, and the tail
// back. The loops come in the order of their targets' directions,
// counter-clockwise from the ray the loop round all leaves along (in the
// middle of the widest gap between directions), farther first on one ray;
// so they compose to a counter-clockwise circle round everything, which the
// clockwise loop round all undoes.
//
// A tail may aim anywhere at its target's circle as long as no nearer
// target's direction lies between its aim and the target's own direction
// (a target on that direction counts as lying on the side the loop order
// puts it): it then passes every target on the same side as the straight
// line to the target would, and the loops compose as the straight ones do.
// Of those aims, the one that passes the fewest targets too near is taken;
// a target still too near is passed along its circle, on that same side.
//
// Every relation between a tail and a target is read from the end of the
// tail nearer the target, and directions that angles cannot tell apart from
// the sides of triangles (plane_geometry.h): a cluster of loci 1e-36 wide
// seen from 0.5 away is ordered, aimed at and passed as it is seen from
// next to it.
class Star {
public:
    Star(const std::vector<Complex> &targets, Complex base) : z_(targets), b_(base) {
        const size_t n = z_.size();
        std::vector<double> nearest(n, std::numeric_limits<double>::infinity());
        for (size_t j = 0; j < n; ++j)
            for (size_t k = 0; k < n; ++k)
                if (k != j) nearest[j] = std::min(nearest[j], modulus(z_[j] - z_[k]));
        double farthest = 0.0;
        for (size_t j = 0; j < n; ++j) {
            const double d = modulus(z_[j] - b_);
            possible_ = possible_ && d > 0.0;
            distance_.push_back(d);
            spacing_.push_back(std::min(nearest[j], d));
            rho_.push_back(starRadiusFraction * spacing_.back());
            angle_.push_back(std::atan2((z_[j] - b_).im, (z_[j] - b_).re));
            farthest = std::max(farthest, d);
        }
        outer_ = outerFactor * farthest;
        theta0_ = n > 0 ? gapMiddle(angle_) : 0.0;
        std::vector<double> key;
        for (double a : angle_) key.push_back(normalised(a - theta0_));
        for (size_t j = 0; j < n; ++j) order_.push_back(static_cast<int>(j));
        std::sort(order_.begin(), order_.end(), [&](int i, int j) {
            const size_t a = static_cast<size_t>(i), c = static_cast<size_t>(j);
            if (key[a] != key[c]) return key[a] < key[c];
            return distance_[a] != distance_[c] ? distance_[a] > distance_[c] : i < j;
        });
        for (size_t first = 0; first < n;) {
            size_t last = first + 1;
            while (last < n && key[static_cast<size_t>(order_[last])] - key[static_cast<size_t>(order_[last - 1])] <
                                   closeDirections)
                ++last;
            if (last - first > 1)
                insertionSort(order_.begin() + static_cast<long>(first), order_.begin() + static_cast<long>(last),
                              [this](int i, int j) { return before(i, j); });
            first = last;
        }
        rank_.assign(n, 0);
        for (size_t r = 0; r < n; ++r) rank_[static_cast<size_t>(order_[r])] = static_cast<int>(r);
    }

    // False when a target lies on the base point: no tail can reach it.
    bool possible() const { return possible_ && !z_.empty(); }

    void build(ChainUnderConstruction &chain) const {
        const int n = static_cast<int>(z_.size());
        for (int k : order_) {
            const size_t j = static_cast<size_t>(k);
            const Complex end = aim(k);
            const double phi = std::atan2((end - z_[j]).im, (end - z_[j]).re);
            const std::vector<TailPiece> out = tail(end, k);
            emit(chain, k, out, false);
            chain.arc(k, roleInner, z_[j], rho_[j], phi, phi + twoPi);
            emit(chain, k, out, true);
            chain.endLoop();
        }
        const Complex end = pointOnCircle(b_, outer_, theta0_);
        const std::vector<TailPiece> out = tail(end, -1);
        emit(chain, n, out, false);
        chain.arc(n, roleInner, b_, outer_, theta0_, theta0_ - twoPi);
        emit(chain, n, out, true);
        chain.endLoop();
    }

private:
    // The middle of the widest gap between the directions of the targets.
    // Gaps as wide as the widest but for rounding tie; of those, the one
    // whose middle comes first counter-clockwise from angle 0 wins, so that
    // a symmetric configuration gives the same ray at every scale.
    static double gapMiddle(std::vector<double> angles) {
        for (double &a : angles) a = normalised(a);
        std::sort(angles.begin(), angles.end());
        std::vector<double> gaps, middles;
        for (size_t k = 0; k < angles.size(); ++k) {
            const double from = angles[k];
            const double to = k + 1 < angles.size() ? angles[k + 1] : angles.front() + twoPi;
            gaps.push_back(to - from);
            middles.push_back(normalised(from + (to - from) / 2.0));
        }
        const double widest = *std::max_element(gaps.begin(), gaps.end());
        double middle = twoPi;
        for (size_t k = 0; k < gaps.size(); ++k)
            if (gaps[k] >= widest * (1.0 - gapTieFraction)) middle = std::min(middle, middles[k]);
        return middle;
    }

    // Of two targets in directions too close for their angles to tell,
    // whether target i comes first: j lies counter-clockwise of i as seen
    // from the base point, or on one ray with i farther.
    bool before(int i, int j) const {
        const Complex zi = z_[static_cast<size_t>(i)], zj = z_[static_cast<size_t>(j)];
        const double o = orientation(b_, zi, zj);
        if (std::fabs(o) > onLineFraction * shorterSidesProduct(b_, zi, zj)) return o > 0.0;
        const double farther = fartherBy(zi, zj, b_);
        return farther != 0.0 ? farther > 0.0 : i < j;
    }

    static bool onLine(const SegmentPlace &p) { return std::fabs(p.across) <= onLineFraction * p.reach; }

    // Whether target j lies to the left of the line, on the way to target k:
    // as the geometry has it, or as the loop order has it when the geometry
    // cannot tell.
    bool onTheLeft(size_t j, const SegmentFrame &line, int k) const {
        const SegmentPlace p = line.place(z_[j]);
        if (!onLine(p) || k < 0) return p.across > 0.0;
        return rank_[j] > rank_[static_cast<size_t>(k)];
    }

    // Whether a tail passes target j, placed so against it, too near: within
    // the detour distance or on it as far as rounding can tell.
    bool passesNear(size_t j, const SegmentPlace &p) const {
        return p.inside && (std::fabs(p.across) < detourFraction * spacing_[j] || onLine(p));
    }

    // The targets the straight line from the base point to `end` passes too
    // near.
    int tooNear(Complex end, int k) const {
        const SegmentFrame line(b_, end);
        int count = 0;
        for (size_t j = 0; j < z_.size(); ++j)
            if (static_cast<int>(j) != k && passesNear(j, line.place(z_[j]))) ++count;
        return count;
    }

    // Where the tail of target k meets its circle: first straight at the
    // target; when that passes targets too near, the aim with the fewest.
    Complex aim(int k) const {
        const size_t kk = static_cast<size_t>(k);
        const Complex zk = z_[kk];
        const double dk = distance_[kk];
        const double rho = rho_[kk];
        const Complex toward = (zk - b_) / Complex(dk, 0.0);
        const Complex straight = zk - toward * Complex(rho, 0.0);
        int best = tooNear(straight, k);
        if (best == 0) return straight;
        // The room: within the circle's half-width as seen from the base
        // point, and short of the direction of every nearer target. The
        // angle to another target's direction is read from the two shorter
        // sides of their triangle with the base point: the target may lie
        // next to the base point or next to target k.
        const double half = std::asin(rho / dk);
        const SegmentFrame ray(b_, zk);
        double lo = -half;
        double hi = half;
        for (size_t j = 0; j < z_.size(); ++j) {
            if (j == kk || !(fartherBy(zk, z_[j], b_) > 0.0)) continue;
            const double delta = std::atan2(orientation(b_, zk, z_[j]), dot(zk - b_, z_[j] - b_));
            if (std::fabs(delta) >= half) continue;
            if (onTheLeft(j, ray, k))
                hi = std::min(hi, std::max(delta, 0.0));
            else
                lo = std::max(lo, std::min(delta, 0.0));
        }
        Complex chosen = straight;
        for (int i = 0; i < aimSamples && lo < hi; ++i) {
            const double tau = lo + (hi - lo) * (i + 0.5) / aimSamples;
            // The nearer crossing of the ray turned by tau from the target's
            // direction with its circle, from the target:
            // e^{i tau} toward (i dk sin tau - sqrt(rho^2 - dk^2 sin^2 tau)).
            const double off = dk * std::sin(tau);
            if (std::fabs(off) >= rho) continue;
            const Complex u = toward * Complex(std::cos(tau), std::sin(tau));
            const Complex end = zk + u * Complex(-std::sqrt(rho * rho - off * off), off);
            const int count = tooNear(end, k);
            if (count < best) {
                best = count;
                chosen = end;
            }
        }
        return chosen;
    }

    // The tail from the base point to `end` on the way to target k (-1 for
    // the loop round all): a straight line, but along the circle of every
    // target it would pass too near. Where a tail enters and leaves a
    // circle is found from the circle's target.
    std::vector<TailPiece> tail(Complex end, int k) const {
        struct Detour {
            size_t j;
            double across;
            double half;
            bool clockwise;
        };
        const SegmentFrame line(b_, end);
        const Complex normal(-line.u.im, line.u.re);  // to the left of the tail
        std::vector<Detour> detours;
        for (size_t j = 0; j < z_.size(); ++j) {
            if (static_cast<int>(j) == k) continue;
            const SegmentPlace p = line.place(z_[j]);
            if (!passesNear(j, p)) continue;
            // A target on the line as far as rounding can tell is taken as on it.
            const double across = onLine(p) ? 0.0 : p.across;
            const double half = std::sqrt(rho_[j] * rho_[j] - across * across);
            // A target on the right of the tail is passed on its left, so
            // clockwise round it.
            detours.push_back(Detour{j, across, half, !onTheLeft(j, line, k)});
        }
        // In the order the tail enters the circles, compared by the
        // difference of their targets.
        insertionSort(detours.begin(), detours.end(), [&](const Detour &x, const Detour &y) {
            return dot(line.u, z_[x.j] - z_[y.j]) - x.half + y.half < 0.0;
        });
        std::vector<TailPiece> pieces;
        Complex at = b_;
        for (const Detour &d : detours) {
            const Complex zj = z_[d.j];
            const Complex foot = normal * Complex(-d.across, 0.0);
            const Complex in = foot - line.u * Complex(d.half, 0.0);
            const Complex out = foot + line.u * Complex(d.half, 0.0);
            const double a0 = std::atan2(in.im, in.re);
            double a1 = std::atan2(out.im, out.re);
            if (d.clockwise)
                while (a1 >= a0) a1 -= twoPi;
            else
                while (a1 <= a0) a1 += twoPi;
            const Complex arcStart = pointOnCircle(zj, rho_[d.j], a0);
            pieces.push_back(tailLine(at, arcStart));
            pieces.push_back(TailPiece{true, arcStart, pointOnCircle(zj, rho_[d.j], a1), zj, rho_[d.j], a0, a1});
            at = pieces.back().to;
        }
        pieces.push_back(tailLine(at, end));
        return pieces;
    }

    static void emit(ChainUnderConstruction &chain, int owner, const std::vector<TailPiece> &pieces, bool back) {
        const size_t n = pieces.size();
        for (size_t i = 0; i < n; ++i) {
            const TailPiece &p = pieces[back ? n - 1 - i : i];
            const int role = !back && i == 0 ? roleFirst : roleInner;
            if (p.arc)
                chain.arc(owner, role, p.centre, p.radius, back ? p.a1 : p.a0, back ? p.a0 : p.a1);
            else
                chain.line(owner, role, back ? p.to : p.from, back ? p.from : p.to);
        }
    }

    const std::vector<Complex> &z_;
    Complex b_;
    bool possible_ = true;
    std::vector<double> distance_;
    std::vector<double> spacing_;
    std::vector<double> rho_;
    std::vector<double> angle_;
    double outer_ = 0.0;
    double theta0_ = 0.0;
    std::vector<int> order_;
    std::vector<int> rank_;
};

// ---- lines cut where they come near a target ----------------------------------------

// The tracer walks a line by its fraction u, start*(1-u) + end*u, and the
// check reads it the same way: near either end its points lie about 1e-16
// of its length apart, far coarser than a cluster of loci 1e-30 wide at
// that end. A line that comes nearer a target than 1/longestPiece of its
// length is therefore cut into pieces that grow by pieceGrowth from the
// point where it comes nearest, so that each piece resolves its distance
// to the target to about 1e-14. Ordinary loops, whose lines keep farther
// than that, are left whole.
constexpr double longestPiece = 65536.0;
constexpr double pieceGrowth = 64.0;
// A cut within a piece of a cut line goes no deeper than this.
constexpr int deepestCut = 16;

// Where the line from a to b comes nearest a target: an end (-1 the start,
// 1 the end) or the foot of a perpendicular (0), and how near. A foot
// nearer its end of the line than to its target counts as that end.
struct NearestApproach {
    double distance = std::numeric_limits<double>::infinity();
    Complex point;
    int at = 0;
};

NearestApproach nearestApproach(Complex a, Complex b, const std::vector<Complex> &targets) {
    const SegmentFrame line(a, b);
    NearestApproach n;
    for (Complex z : targets) {
        const SegmentPlace p = line.place(z);
        const bool between = p.inside && std::fabs(p.along) > std::fabs(p.across);
        const double d = between ? std::fabs(p.across) : p.reach;
        if (!(d < n.distance)) continue;
        n.distance = d;
        n.at = between ? 0 : p.fromEnd ? 1 : -1;
        n.point = between ? line.foot(p) : p.fromEnd ? b : a;
    }
    return n;
}

// Appends the points where the line from a to b is cut, in order from a,
// neither end included.
void cutLine(Complex a, Complex b, const std::vector<Complex> &targets, std::vector<Complex> &cuts, int depth) {
    const double length = modulus(b - a);
    const NearestApproach n = nearestApproach(a, b, targets);
    if (!(n.distance * longestPiece < length) || n.distance == 0.0 || depth >= deepestCut) return;
    std::vector<Complex> marks{a};
    if (n.at == 0) {
        marks.push_back(n.point);
    } else {
        const Complex from = n.at > 0 ? b : a;
        const Complex away = ((n.at > 0 ? a : b) - from) / Complex(length, 0.0);
        std::vector<Complex> out;
        for (double r = n.distance * pieceGrowth; r <= length / 2.0; r *= pieceGrowth)
            out.push_back(from + away * Complex(r, 0.0));
        if (n.at > 0) std::reverse(out.begin(), out.end());
        marks.insert(marks.end(), out.begin(), out.end());
    }
    marks.push_back(b);
    // Marks that rounding puts on top of one another are one.
    marks.erase(std::unique(marks.begin(), marks.end(), [](Complex x, Complex y) { return isZero(x - y); }),
                marks.end());
    for (size_t i = 0; i + 1 < marks.size(); ++i) {
        if (i > 0) cuts.push_back(marks[i]);
        cutLine(marks[i], marks[i + 1], targets, cuts, depth + 1);
    }
}

// Cuts every line of the chain as cutLine has it, marking the pieces so
// that no simplification joins them again. Answers false, with the chain
// unchanged, when the pool has too few free records for the pieces.
bool cutLinesNearTargets(SegmentPool &pool, PathSegment *chain, const std::vector<Complex> &targets) {
    std::vector<std::pair<PathSegment *, std::vector<Complex>>> work;
    int needed = 0;
    for (PathSegment *s = chain; s != nullptr; s = s->next) {
        if (s->isArc) continue;
        std::vector<Complex> cuts;
        cutLine(segmentStart(s), segmentEnd(s), targets, cuts, 0);
        if (cuts.empty()) continue;
        needed += static_cast<int>(cuts.size());
        work.emplace_back(s, std::move(cuts));
        if (needed > pool.available()) return false;
    }
    for (auto &[s, cuts] : work) {
        const Complex end = segmentEnd(s);
        const int lastRole = s->role == roleLast ? roleLast : roleInner;
        PathSegment *after = s->next;
        if (s->role == roleLast) s->role = roleInner;
        s->p2 = cuts.front().re;
        s->p3 = cuts.front().im;
        s->piece = 1;
        PathSegment *previous = s;
        for (size_t i = 0; i < cuts.size(); ++i) {
            const bool last = i + 1 == cuts.size();
            PathSegment *t = initLineSegment(pool.allocSegment(), s->owner, last ? lastRole : roleInner, cuts[i],
                                             last ? end : cuts[i + 1]);
            t->piece = 1;
            previous->next = t;
            previous = t;
        }
        previous->next = after;
    }
    return true;
}

// A loop keeps loopClearanceFraction of a target's spacing from it, and
// loopResolutionMargin roundings of the coordinates there: both hold for
// every spacing above this fraction of the target's distance from 0.
constexpr double leastDrawableFraction =
    loopResolutionMargin * std::numeric_limits<double>::epsilon() / loopClearanceFraction;

// Why loops round these targets cannot be drawn in doubles: the square of
// a radius they need overflows, or a target's nearest neighbour or the base
// point lies nearer it than leastDrawableFraction of its distance from 0.
// Empty when neither holds.
std::string representationLimit(const std::vector<Complex> &targets, Complex base) {
    for (Complex z : targets)
        if (!std::isfinite(normSquared((z - base) * Complex(outerFactor, 0.0))) || !std::isfinite(normSquared(z)))
            return "The squares of the distances between the base point and the loci overflow doubles beyond about "
                   "1e154: choose a base point nearer the loci";
    for (size_t j = 0; j < targets.size(); ++j) {
        const double least = leastDrawableFraction * modulus(targets[j]);
        double neighbour = std::numeric_limits<double>::infinity();
        for (size_t k = 0; k < targets.size(); ++k)
            if (k != j) neighbour = std::min(neighbour, modulus(targets[k] - targets[j]));
        const double fromBase = modulus(base - targets[j]);
        if (std::min(neighbour, fromBase) >= least) continue;
        char text[400];
        std::snprintf(text, sizeof text,
                      "Loops in double precision go round a locus only when its nearest other locus and the base "
                      "point lie farther from it than %.2g of its distance from 0: %s lies %.3g from the locus at "
                      "%.17g%+.17gi, and %.3g is needed. %s.",
                      leastDrawableFraction, fromBase < neighbour ? "the base point" : "another locus",
                      std::min(neighbour, fromBase), targets[j].re, targets[j].im, least,
                      fromBase < neighbour ? "Choose a base point farther from it" : "Choose another base point");
        return text;
    }
    return {};
}

}  // namespace

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

PointList sortedAutoPathTargets(const Term *loci, const Term *degenerate, Complex base) {
    OwnedPolynomial targets(autoPathTargets(loci, degenerate));
    return sortAround(targets.get(), base);
}

std::vector<Complex> autoPathTargetValues(const Term *loci, const Term *degenerate, Complex base) {
    OwnedPolynomial sorted(sortedAutoPathTargets(loci, degenerate, base));
    std::vector<Term *> byPosition;
    recordsByPosition(sorted.get(), byPosition);
    std::vector<Complex> values;
    for (const Term *t : byPosition) values.push_back(t->coef);
    return values;
}

PathSegment *buildAutoPaths(SegmentPool &pool, const Term *loci, Complex base, const Term *degenerate,
                            LoopConstruction *used) {
    const std::vector<Complex> targets = autoPathTargetValues(loci, degenerate, base);
    if (targets.empty()) return nullptr;
    // No loop can be built round a point that is not a number; the caller's
    // check of the values says what went wrong.
    auto finite = [](Complex z) { return std::isfinite(z.re) && std::isfinite(z.im); };
    if (!finite(base) || !std::all_of(targets.begin(), targets.end(), finite)) return nullptr;

    // Nothing is appended to a chain once its lines are cut.
    ChainUnderConstruction chain(pool);
    buildClassicLoops(chain, targets, base);
    simplifyPath(pool, chain.head());
    if (cutLinesNearTargets(pool, chain.head(), targets) && checkAutoPaths(chain.head(), targets, base).ok) {
        if (used) *used = LoopConstruction::classic;
        return chain.release();
    }
    chain.clear();
    const Star star(targets, base);
    bool fits = true;
    if (star.possible()) {
        star.build(chain);
        fits = cutLinesNearTargets(pool, chain.head(), targets);
        if (fits && checkAutoPaths(chain.head(), targets, base).ok) {
            if (used) *used = LoopConstruction::star;
            return chain.release();
        }
    }
    chain.clear();
    if (!fits) {
        showError("The loops round the loci need more segments than the pool's 2048.",
                  "Loci far closer together than to the base point cut the loops into many pieces: choose a base "
                  "point nearer the tightest cluster of loci");
        throw ComputationAbandoned("auto-mode loops do not fit the segment pool");
    }
    if (const std::string limit = representationLimit(targets, base); !limit.empty()) {
        showError("The loops round the loci cannot be drawn in double precision.", limit);
        throw ComputationAbandoned("auto-mode loops beyond double precision");
    }
    showError("The loops round the loci do not pass their own check.",
              "Choose another base point, and tell the maker of the curve");
    throw ComputationAbandoned("auto-mode loops failed their check");
}

}  // namespace quorvel
