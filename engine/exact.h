// Exact elimination and certified roots.
//
// Every coefficient of a curve is read as the exact rational that its
// shortest round-trip decimal denotes (the double nearest 0.1 counts as
// 1/10), real and imaginary parts apart, so the branch polynomial is the
// resultant Res_x(f, df/dx) over Q or Q(i), computed without rounding. Its
// distinct roots, and those of the leading coefficient, are isolated with
// a proof (interval arithmetic), each with the multiplicity an exact
// squarefree factorisation gives it. Only doubles and the program's own
// records cross this interface.
//
// Failures go through showError and then throw ComputationAbandoned: a
// curve with a repeated factor (its resultant is identically zero), a curve
// too large to eliminate, a result that does not fit a double or the term
// pool.
#pragma once

#include "engine/points.h"
#include "engine/polynomial.h"

namespace quorvel {

// The largest degree in the parameter that the branch polynomial may have
// (a bound from the degrees of the curve is checked before eliminating).
// Beyond 400 loci the lists of one curve (the polynomial, the loci, their
// copies for the views and the loops) no longer fit the 2048-record term
// pool, and isolating the roots takes seconds.
inline constexpr int maxBranchDegree = 400;
// Every certified root is known to this accuracy, relative above modulus 1.
inline constexpr double certifiedAccuracy = 1e-13;

// The resultant Res_x(f, df/dx) made monic, multiplicities kept, as a
// polynomial in the parameter alone (letters: parameter, '?', '?').
Polynomial exactBranchPolynomial(const Term *curve);

// The resultant of the last curve is kept for the next call on the same
// curve; this forgets it (benchmarks time the elimination itself).
void forgetBranchCache();

// The distinct roots of that resultant: value, number in finding order,
// multiplicity, kind kindOrdinary.
PointList certifiedBranchLoci(const Term *curve);

// The distinct roots of a polynomial in its slot-0 variable, coefficients
// read as exact decimals, with their multiplicities. Empty for a constant.
PointList certifiedRoots(const Term *univariate);

// A degenerate locus is a root of the branch polynomial too (the leading
// coefficient divides the resultant), isolated from another polynomial:
// each one that matches a branch locus to within the certified accuracy
// takes that locus's value, so the two are one point for the loops.
void alignDegenerateLoci(PointList degenerate, const Term *loci);

// The roots of f with the parameter fixed at the (exact binary) value t,
// one point per root, numbered 0, 1, ... Every root is isolated with a
// proof; when they cannot be isolated (t is a branch locus, the leading
// coefficient vanishes at t) the reason goes through showError and
// ComputationAbandoned is thrown.
PointList certifiedFiber(const Term *curve, Complex t);

}  // namespace quorvel
