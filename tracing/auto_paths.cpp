// The auto-mode loops: the classic construction round the base point, the
// star that replaces it where its loops fail their check, and the check
// that decides.
#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "engine/error.h"
#include "engine/points.h"
#include "engine/polynomial.h"
#include "tracing/chain_builder.h"
#include "tracing/loop_check.h"
#include "tracing/paths.h"

namespace quorvel {

namespace {

// The doubles the classic geometry is written with: the half turn added to
// a bisector and the full turn that brings a ray to the right side of its
// target are the shorter decimal forms 3.1415926535 and 6.283185307, while
// the central circle and the enclosing circle start from pi and 2 pi proper.
constexpr double pi = 3.141592653589793;
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
// A target lies on a tail's line, as far as rounding can tell, when it is
// off the line by less than this fraction of its distance from the base
// point; the tail then passes it on the side the loop order gives.
constexpr double onLineFraction = 1e-12;
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

double cross(Complex a, Complex b) { return a.re * b.im - a.im * b.re; }
double dot(Complex a, Complex b) { return a.re * b.re + a.im * b.im; }

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

    // Whether target j lies to the left of the line from the base point in
    // direction u, on the way to target k: as the geometry has it, or as the
    // loop order has it when the geometry cannot tell.
    bool onTheLeft(size_t j, Complex u, int k) const {
        const double across = cross(u, z_[j] - b_);
        if (std::fabs(across) > onLineFraction * distance_[j] || k < 0) return across > 0.0;
        return rank_[j] > rank_[static_cast<size_t>(k)];
    }

    // The targets the straight line from the base point to `end` passes too
    // near.
    int tooNear(Complex end, int k) const {
        const double length = modulus(end - b_);
        const Complex u = (end - b_) / Complex(length, 0.0);
        int count = 0;
        for (size_t j = 0; j < z_.size(); ++j) {
            if (static_cast<int>(j) == k) continue;
            const double along = dot(u, z_[j] - b_);
            if (along > 0.0 && along < length && std::fabs(cross(u, z_[j] - b_)) < detourFraction * spacing_[j])
                ++count;
        }
        return count;
    }

    // Where the tail of target k meets its circle: first straight at the
    // target; when that passes targets too near, the aim with the fewest.
    Complex aim(int k) const {
        const size_t kk = static_cast<size_t>(k);
        const Complex toward = (z_[kk] - b_) / Complex(distance_[kk], 0.0);
        const Complex straight = z_[kk] - toward * Complex(rho_[kk], 0.0);
        int best = tooNear(straight, k);
        if (best == 0) return straight;
        // The room: within the circle's half-width as seen from the base
        // point, and short of the direction of every nearer target.
        const double half = std::asin(rho_[kk] / distance_[kk]);
        double lo = -half;
        double hi = half;
        for (size_t j = 0; j < z_.size(); ++j) {
            if (j == kk || distance_[j] >= distance_[kk]) continue;
            const double delta = std::remainder(angle_[j] - angle_[kk], twoPi);
            if (std::fabs(delta) >= half) continue;
            if (onTheLeft(j, toward, k))
                hi = std::min(hi, std::max(delta, 0.0));
            else
                lo = std::max(lo, std::min(delta, 0.0));
        }
        Complex chosen = straight;
        for (int i = 0; i < aimSamples && lo < hi; ++i) {
            const double theta = angle_[kk] + lo + (hi - lo) * (i + 0.5) / aimSamples;
            const Complex u(std::cos(theta), std::sin(theta));
            // The nearer crossing of the ray with the circle.
            const double along = dot(u, z_[kk] - b_);
            const double across = cross(u, z_[kk] - b_);
            if (std::fabs(across) >= rho_[kk]) continue;
            const Complex end = b_ + u * Complex(along - std::sqrt(rho_[kk] * rho_[kk] - across * across), 0.0);
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
    // target it would pass too near.
    std::vector<TailPiece> tail(Complex end, int k) const {
        struct Detour {
            double entry;
            size_t j;
            double half;
            bool clockwise;
        };
        const double length = modulus(end - b_);
        const Complex u = (end - b_) / Complex(length, 0.0);
        std::vector<Detour> detours;
        for (size_t j = 0; j < z_.size(); ++j) {
            if (static_cast<int>(j) == k) continue;
            const Complex w = z_[j] - b_;
            const double along = dot(u, w);
            const double across = cross(u, w);
            if (std::fabs(across) >= detourFraction * spacing_[j] || along <= 0.0 || along >= length) continue;
            const double half = std::sqrt(rho_[j] * rho_[j] - across * across);
            // A target on the right of the tail is passed on its left, so
            // clockwise round it.
            detours.push_back(Detour{along - half, j, half, !onTheLeft(j, u, k)});
        }
        std::sort(detours.begin(), detours.end(), [](const Detour &x, const Detour &y) { return x.entry < y.entry; });
        std::vector<TailPiece> pieces;
        Complex at = b_;
        for (const Detour &d : detours) {
            const Complex zj = z_[d.j];
            const Complex in = b_ + u * Complex(d.entry, 0.0);
            const Complex out = b_ + u * Complex(d.entry + 2.0 * d.half, 0.0);
            const double a0 = std::atan2((in - zj).im, (in - zj).re);
            double a1 = std::atan2((out - zj).im, (out - zj).re);
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

    ChainUnderConstruction chain(pool);
    buildClassicLoops(chain, targets, base);
    simplifyPath(pool, chain.head());
    if (checkAutoPaths(chain.head(), targets, base).ok) {
        if (used) *used = LoopConstruction::classic;
        return chain.release();
    }
    chain.clear();
    const Star star(targets, base);
    if (star.possible()) {
        star.build(chain);
        if (checkAutoPaths(chain.head(), targets, base).ok) {
            if (used) *used = LoopConstruction::star;
            return chain.release();
        }
    }
    chain.clear();
    showError("The loops round the loci do not pass their own check.",
              "Choose another base point, and tell the maker of the curve");
    throw ComputationAbandoned("auto-mode loops failed their check");
}

}  // namespace quorvel
