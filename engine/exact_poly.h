// Exact polynomials over Q(i) in one variable for the elimination: the
// resultant in x of the exact curve, squarefree factorisation and root
// isolation. Internal to the engine (it includes FLINT and arb);
// engine/exact.h is the interface the rest of the program sees.
#pragma once

#include <acb.h>
#include <flint/fmpq.h>
#include <flint/fmpq_poly.h>

#include <vector>

#include "engine/complex.h"
#include "engine/exact_curve.h"
#include "engine/polynomial.h"

namespace quorvel::exact {

// An owned FLINT rational.
struct Rational {
    fmpq_t v;
    Rational() { fmpq_init(v); }
    ~Rational() { fmpq_clear(v); }
    Rational(const Rational &) = delete;
    Rational &operator=(const Rational &) = delete;
};

// The rational that the shortest decimal reading back to d denotes
// (0.1 -> 1/10, 1e-300 -> 10^-300). d must be finite.
void rationalOf(fmpq_t out, double d);

// A polynomial in one variable over Q(i), held as its real and imaginary
// parts.
class GaussPoly {
public:
    GaussPoly();
    ~GaussPoly();
    GaussPoly(const GaussPoly &other);
    GaussPoly &operator=(const GaussPoly &other);

    // -1 for the zero polynomial.
    long degree() const;
    bool isZero() const { return degree() < 0; }
    bool isReal() const;
    // The coefficient of t^k as a + bi.
    void coefficient(fmpq_t a, fmpq_t b, long k) const;
    void setCoefficient(long k, const fmpq_t a, const fmpq_t b);

    fmpq_poly_struct *re() { return re_; }
    fmpq_poly_struct *im() { return im_; }
    const fmpq_poly_struct *re() const { return re_; }
    const fmpq_poly_struct *im() const { return im_; }

private:
    fmpq_poly_t re_;
    fmpq_poly_t im_;
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

// An owned complex ball.
struct Ball {
    acb_t z;
    Ball();
    ~Ball();
    Ball(const Ball &other);
    Ball &operator=(const Ball &other);
};

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
// `out` factor by factor; false when maxPrecision bits do not suffice.
bool isolateFactors(const std::vector<SquarefreeFactor> &factors, slong maxPrecision, std::vector<Root> &out);

}  // namespace quorvel::exact
