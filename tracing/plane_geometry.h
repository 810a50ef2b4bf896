// Relations between points of the parameter plane computed from the
// differences of the points they concern: a difference of two doubles is
// rounded once, relative to its own size, so a relation between loci 1e-36
// apart comes out as well seen from a base point 0.5 away as from next to
// them. Nothing here is ever measured against 0 or against a far point
// when a nearer one will do.
#pragma once

#include <cmath>

#include "engine/complex.h"

namespace quorvel {

inline double cross(Complex a, Complex b) { return a.re * b.im - a.im * b.re; }
inline double dot(Complex a, Complex b) { return a.re * b.re + a.im * b.im; }

// Twice the signed area of the triangle a, b, c: positive when they run
// counter-clockwise. Taken from the two shorter sides, so that it is
// accurate relative to their lengths however long the third side is.
inline double orientation(Complex a, Complex b, Complex c) {
    const Complex ab = b - a, bc = c - b, ca = a - c;
    const double lab = normSquared(ab), lbc = normSquared(bc), lca = normSquared(ca);
    if (lbc >= lab && lbc >= lca) return cross(ca, ab);
    if (lca >= lab && lca >= lbc) return cross(ab, bc);
    return cross(bc, ca);
}

// The lengths of the two shorter sides of the triangle a, b, c, multiplied:
// the size orientation() is accurate relative to.
inline double shorterSidesProduct(Complex a, Complex b, Complex c) {
    const double lab = modulus(b - a), lbc = modulus(c - b), lca = modulus(a - c);
    const double longest = std::fmax(lab, std::fmax(lbc, lca));
    return lab * lbc * lca / longest;
}

// |p - o|^2 - |q - o|^2, positive when p is farther from o than q, from
// the difference p - q and no sum of squares.
inline double fartherBy(Complex p, Complex q, Complex o) { return dot(p - q, (p - o) + (q - o)); }

// Where a point lies against the segment from a to b: read from the end of
// the segment nearer to it, along the unit direction of the segment and
// across it (positive on the left).
struct SegmentPlace {
    bool fromEnd = false;  // measured from b, else from a
    double along = 0.0;    // from that end, towards b
    double across = 0.0;
    double reach = 0.0;    // the distance from that end
    bool inside = false;   // the foot of the perpendicular lies strictly between a and b
};

struct SegmentFrame {
    Complex a, b;
    Complex u;  // the unit direction from a to b
    double length = 0.0;

    SegmentFrame(Complex from, Complex to) : a(from), b(to), length(modulus(to - from)) {
        u = length > 0.0 ? (to - from) / Complex(length, 0.0) : Complex(1.0, 0.0);
    }

    SegmentPlace place(Complex z) const {
        SegmentPlace p;
        const Complex wa = z - a, wb = z - b;
        p.fromEnd = normSquared(wb) < normSquared(wa);
        const Complex w = p.fromEnd ? wb : wa;
        p.along = dot(u, w);
        p.across = cross(u, w);
        p.reach = modulus(w);
        p.inside = p.fromEnd ? (p.along < 0.0 && -p.along < length) : (p.along > 0.0 && p.along < length);
        return p;
    }

    // The least distance from z to the segment.
    double distance(Complex z) const {
        const SegmentPlace p = place(z);
        return p.inside ? std::fabs(p.across) : p.reach;
    }

    // The foot of the perpendicular from a point with this place, reached
    // from the nearer end.
    Complex foot(const SegmentPlace &p) const { return (p.fromEnd ? b : a) + u * Complex(p.along, 0.0); }
};

}  // namespace quorvel
