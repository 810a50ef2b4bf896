// Exact elimination and certified roots.
//
// Everything here starts from the exact curve (engine/exact_curve.h): the
// branch polynomial is the resultant Res_x(f, df/dx) over Q or Q(i),
// computed without rounding. Its distinct roots, and those of the leading
// coefficient, are isolated with a proof (interval arithmetic), each with
// the multiplicity an exact squarefree factorisation gives it, and each to
// the nearest double. Only doubles and the program's own records cross
// this interface.
//
// Failures go through showError and then throw ComputationAbandoned: a
// curve with a repeated factor (its resultant is identically zero), a curve
// too large to eliminate, loci closer together than double precision can
// follow, a result that does not fit a double or the term pool.
#pragma once

#include "engine/exact_curve.h"
#include "engine/points.h"
#include "engine/polynomial.h"

namespace quorvel {

// The largest degree in the parameter that the branch polynomial may have
// (a bound from the degrees of the curve is checked before eliminating).
// Beyond 400 loci the lists of one curve (the polynomial, the loci, their
// copies for the views and the loops) no longer fit the 2048-record term
// pool, and isolating the roots takes seconds.
inline constexpr int maxBranchDegree = 400;

// Loops and the tracer work in double precision: two distinct loci closer
// together than this fraction of their modulus (about 900 units in the
// last place) cannot be told apart along a path, and such a curve is
// refused. Loci near 0 are judged by their own modulus.
inline constexpr double lociSeparationLimit = 1e-13;

// The resultant Res_x(f, df/dx) made monic, multiplicities kept, as a
// polynomial in the parameter alone (letters: parameter, '?', '?').
Polynomial exactBranchPolynomial(const ExactPolynomial &curve);

// The resultant, the loci and the degenerate loci of the last curve are
// kept for the next call on the same curve; this forgets them (benchmarks
// time the elimination itself).
void forgetBranchCache();

// The distinct roots of that resultant: value, number in finding order,
// multiplicity in the resultant, kind kindOrdinary. Two loci closer
// together than lociSeparationLimit times their modulus are refused with
// the distance and the limit.
PointList certifiedBranchLoci(const ExactPolynomial &curve);

// The distinct roots of the leading coefficient (the coefficient of the
// highest power of x): value, number in finding order, multiplicity in the
// leading coefficient. Empty when it is a constant.
PointList certifiedDegenerateLoci(const ExactPolynomial &curve);

// Every root of the leading coefficient is a root of the resultant. Each
// degenerate locus (a list as certifiedDegenerateLoci gave it) takes the
// value of the branch locus it is (a list as certifiedBranchLoci gave it),
// found by their isolating balls: the two are one point, to the bit.
void identifyDegenerateLoci(const ExactPolynomial &curve, PointList degenerate, PointList branchLoci);

// The distinct roots of a polynomial in its slot-0 variable, with their
// multiplicities. Empty for a constant.
PointList certifiedRoots(const ExactPolynomial &univariate);
// The same for a polynomial that exists only as doubles, each read as the
// decimal of its shortest round-trip text.
PointList certifiedRoots(const Term *univariate);

// The roots of f with the parameter fixed at the (exact binary) value t,
// one point per root, numbered 0, 1, ..., each to the nearest double. Every
// root is isolated with a proof; when they cannot be isolated (t is a
// branch locus, the leading coefficient vanishes at t) the reason goes
// through showError and ComputationAbandoned is thrown.
PointList certifiedFiber(const ExactPolynomial &curve, Complex t);

}  // namespace quorvel
