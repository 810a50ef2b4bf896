// All complex roots of a polynomial in one variable by the Durand-Kerner
// (Weierstrass) simultaneous iteration.
#pragma once

#include "engine/points.h"
#include "engine/polynomial.h"

namespace quorvel {

// The two progress bars a root search drives: "- log (difference)" and
// "number of iteration". The window binds them; headless callers pass none.
inline constexpr int differenceBar = 1026;
inline constexpr int iterationBar = 1031;

class RootProgress {
public:
    virtual ~RootProgress() = default;
    virtual void setRange(int bar, int low, int high) = 0;
    virtual void setStep(int bar, int step) = 0;
    virtual void setPosition(int bar, int position) = 0;
};

// Horner's rule over the sparse terms; the exponent of a term is the one in
// the slot carrying letter v. A term whose exponent does not fall strictly
// is reported ("polynomial (1 var.) is illegal.") and left out.
Complex evaluateUnivariate(const Term *p, char v, Complex z);
// True when the terms differ only in the slot-0 exponent.
bool isUnivariate(const Term *p);
// The positive root of z^n - sum |a_k/a_n| z^k, which bounds every root's
// modulus (at least 0.1; 1000 when Newton's method does not settle).
double rootBound(Polynomial p);
// n estimates evenly spaced on the circle of radius rootBound, turned by
// c*pi/(10n); numbered 0..n-1 from the head.
PointList initialEstimates(Polynomial p, int c);
// One simultaneous step: corrections W (computed from the estimates before
// the step) are subtracted from Z. Returns log10 of the largest correction
// component. Allocates nothing once its scratch space has grown.
double durandKernerStep(const Term *p, Term *z, Term *w);
// The main-window driver: relaxes the accuracy target from 1e-12 to 1e-2,
// reports "Faild to get roots of this equation." when even that fails and
// returns the last estimates. Empty list for a polynomial of degree 0.
PointList findRoots(RootProgress *progress, Polynomial p, const Term *estimates);
// Without a window: at most 250 steps towards 1e-11, no message.
PointList findRootsQuiet(Polynomial p, const Term *estimates);

}  // namespace quorvel
