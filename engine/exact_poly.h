// Exact polynomials over Q(i) in one variable for the elimination: the
// resultant in x of the exact curve, squarefree factorisation and root
// isolation. Internal to the engine (it includes FLINT and arb);
// engine/exact.h is the interface the rest of the program sees.
#pragma once

#include <algorithm>
#include <vector>

#include "engine/complex.h"
#include "engine/exact_curve.h"
#include "engine/flint_owner.h"
#include "engine/polynomial.h"

namespace quorvel::exact {

// A Gaussian rational re + i im.
struct GaussRational {
    Rational re, im;
    bool isZero() const { return fmpq_is_zero(re) && fmpq_is_zero(im); }
};

// out = a + b, a - b, a * b; out may be a or b.
void add(GaussRational &out, const GaussRational &a, const GaussRational &b);
void subtract(GaussRational &out, const GaussRational &a, const GaussRational &b);
void multiply(GaussRational &out, const GaussRational &a, const GaussRational &b);
// out = 1 / a for a nonzero a; out may be a.
void invert(GaussRational &out, const GaussRational &a);

// The rational that the shortest decimal reading back to d denotes
// (0.1 -> 1/10, 1e-300 -> 10^-300). d must be finite.
void rationalOf(fmpq_t out, double d);

// A polynomial in one variable over Q(i), held as its real and imaginary
// parts.
class GaussPoly {
public:
    GaussPoly() = default;
    GaussPoly(const GaussPoly &other);
    GaussPoly &operator=(const GaussPoly &other);

    // -1 for the zero polynomial.
    long degree() const;
    bool isZero() const { return degree() < 0; }
    bool isReal() const;
    // The coefficient of t^k.
    void coefficient(GaussRational &c, long k) const;
    void setCoefficient(long k, const GaussRational &c);

    fmpq_poly_struct *re() { return re_; }
    fmpq_poly_struct *im() { return im_; }
    const fmpq_poly_struct *re() const { return re_; }
    const fmpq_poly_struct *im() const { return im_; }

private:
    RationalPoly re_;
    RationalPoly im_;
};

// A squarefree factor and the power it has in the factorisation.
struct SquarefreeFactor {
    GaussPoly factor;
    int multiplicity = 1;
};

// p = c * prod factor_k^k with pairwise coprime squarefree factors of
// positive degree. p must not be zero.
std::vector<SquarefreeFactor> squarefreeFactors(const GaussPoly &p);

// The same by reduction modulo primes (faster than Euclid over Q(i));
// false when no candidate was verified within its budget of primes.
bool modularSquarefree(const GaussPoly &p, std::vector<SquarefreeFactor> &out);

// A polynomial with Gaussian integer coefficients, re + i im.
struct GaussIntegerPoly {
    IntegerPoly re, im;
    slong degree() const { return std::max(fmpz_poly_degree(re), fmpz_poly_degree(im)); }
};

// p = (re + i im) / d with integer parts and the least positive d.
void integerParts(const GaussPoly &p, GaussIntegerPoly &out, fmpz_t d);

// A curve with Gaussian integer coefficients: re[j] + i im[j] is the
// coefficient of x^j, a polynomial in the parameter. The degree in x is
// at least 1 and re[degree] + i im[degree] is not zero.
struct IntegerCurve {
    explicit IntegerCurve(slong degree);
    slong degree() const { return static_cast<slong>(re.size()) - 1; }
    std::vector<IntegerPoly> re, im;
};

// What the modular elimination of a curve will take, known before it runs.
struct ResultantPlan {
    bool complex = false;
    // The highest power of the parameter in the curve.
    slong parameterDegree = 0;
    // A proven bound on the degree of Res_x(F, F_x) in the parameter.
    slong degreeBound = 0;
    // A proven bound on log2 of every coefficient (real and imaginary part).
    double bits = 0.0;
    // Word primes whose product exceeds twice that bound.
    slong primes = 0;
    // The estimated work, in word operations.
    double cost = 0.0;
};

ResultantPlan planResultant(const IntegerCurve &f);

// Res_x(F, F_x) (Sylvester's determinant of F and F_x at their degrees in
// x) as re + i im, exactly: evaluation at plan.degreeBound + 1 points
// modulo plan.primes word primes, interpolation, and the Chinese remainder
// theorem with symmetric residues.
void modularResultant(const IntegerCurve &f, const ResultantPlan &plan, GaussIntegerPoly &out);

// The exact curve eliminated: Res_x(f, f_x) as a polynomial in the
// parameter. Reports and abandons on a third variable, a curve free of x, a
// curve beyond maxBranchDegree and a curve with a repeated factor.
GaussPoly branchResultant(const ExactPolynomial &curve);

// The coefficient of the highest power of x, as a polynomial in the
// parameter.
GaussPoly leadingCoefficient(const ExactPolynomial &curve);

// The polynomial in the slot-0 variable (the other slots ignored).
GaussPoly univariateOf(const ExactPolynomial &p);

// f(x, t) as a polynomial in x, with t the exact binary value of the double
// (chart.cpp).
GaussPoly fiberPolynomial(const ExactPolynomial &curve, Complex t);

// A root: its ball, the ball's midpoint as the nearest doubles, and the
// multiplicity of its factor.
struct Root {
    Complex value;
    int multiplicity = 1;
    Ball ball;
};

// The roots of pairwise coprime squarefree factors, isolated with a proof:
// each ball holds one root and pins down its nearest double (radius below
// 2^-53 of its modulus; a root 0 is exactly 0), and every two balls lie
// apart by many times their radii, so their distance is known. Appends to
// `out` factor by factor; false when maxPrecision bits, or the work limit
// of one isolation (a few seconds), do not suffice; `reached` then gets the
// highest precision tried.
bool isolateFactors(const std::vector<SquarefreeFactor> &factors, slong maxPrecision, std::vector<Root> &out,
                    slong *reached = nullptr);

}  // namespace quorvel::exact
