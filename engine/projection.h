// The curve in a position where the projection (x, t) -> t is proper on it,
// the exact text of a curve, and the number of its irreducible components
// over C: what the fundamental group of the complement needs from the
// exact curve. Nothing here names FLINT.
#pragma once

#include <string>

#include "engine/exact_curve.h"

namespace quorvel {

// The projection to the parameter is proper on the curve when the
// coefficient of the highest power of the fiber variable is a nonzero
// constant: no fiber point runs off to infinity over any t, and no vertical
// line t = a is a component (its factor t - a would divide that
// coefficient).
bool isProperProjection(const ExactPolynomial &curve);

struct ProperPosition {
    ExactPolynomial curve;  // the curve in proper position (the typed one when it already was)
    bool changed = false;
    // t -> t + (cNumerator / cDenominator) * x was applied when changed.
    long cNumerator = 0;
    long cDenominator = 1;
    std::string change;     // "t -> t + 1/2*x", written with the curve's letters; empty when unchanged
};

// The typed curve when the projection is proper on it; otherwise the curve
// after t -> t + c*x for the first c of 1, -1, 2, -2, 1/2, -1/2, 3, ... on
// which it is, checked exactly. For a curve of total degree d the
// coefficient of x^d becomes the top homogeneous part evaluated at (1, c),
// a nonzero polynomial in c, so some c among the first d + 1 works. A curve
// in three letters, or one free of the fiber variable, is reported and
// abandoned.
ProperPosition properPosition(const ExactPolynomial &curve);

// The exact polynomial as text that the reader takes back to the same
// polynomial: every coefficient as an exact fraction (a Gaussian one as
// (a/b+c/d*i)), highest monomial first.
std::string exactText(const ExactPolynomial &p);

// The number of irreducible components of the curve over C, decided
// exactly by Gao's criterion: for f with gcd(f, df/dx) = 1 of degree m in
// x and n in t, the pairs (g, h) with deg g <= (m-1, n), deg h <= (m, n-1)
// and d/dt(g/f) = d/dx(h/f) form a space whose dimension over the field of
// the coefficients (Q, or Q(i)) is the number of absolutely irreducible
// factors of f; its solutions are the sums of c_k (f/f_k) grad f_k. The
// dimension is the nullity of a rational matrix (over Q(i) the real matrix
// [[A, -B], [B, A]] of A + iB, of twice the nullity). The condition holds
// for a curve without repeated factors in proper position; -1 when it does
// not hold (a repeated factor, a factor free of x).
int absoluteComponentCount(const ExactPolynomial &curve);

}  // namespace quorvel
