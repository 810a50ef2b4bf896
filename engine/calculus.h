// Derivative, substitution and elimination of the fiber variable.
#pragma once

#include "engine/polynomial.h"

namespace quorvel {

// The slot of letter v: the last slot carrying it, or -1.
int slotOf(const Term *p, char v);
// z to the power e (e >= 0): repeated multiplication for small e, squaring
// beyond, so a huge exponent costs only a few dozen products.
Complex powerOf(Complex z, long long e);

Polynomial derivative(Polynomial p, char v);
Polynomial substitute(Polynomial p, char v, Complex z);
Polynomial leadingCoefficientOf(Polynomial p);
void makeMonic(Polynomial p);
// One record per slot-0 exponent of p, chained through `left` from the
// highest exponent down; its coefficients are written by substituteInto.
Polynomial coefficientSkeleton(Polynomial p);
// Writes p with z put in for the slot-1 variable into the skeleton;
// allocates nothing.
void substituteInto(const Term *p, Complex z, Term *skeleton);

}  // namespace quorvel
