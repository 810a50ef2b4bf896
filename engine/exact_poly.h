// Exact polynomials over Q(i) for the elimination: reading the curve's
// doubles as exact decimals, the resultant in x, squarefree factorisation
// and root isolation. Internal to the engine (it includes FLINT and arb);
// engine/exact.h is the interface the rest of the program sees.
#pragma once

#include <flint/fmpq.h>
#include <flint/fmpq_poly.h>

#include <vector>

#include "engine/complex.h"
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

// The curve's terms as exact Gaussian rationals, eliminated: Res_x(f, f_x)
// as a polynomial in the parameter. Reports and abandons on a third
// variable, a curve free of x, a curve beyond maxBranchDegree and a curve
// with a repeated factor.
GaussPoly branchResultant(const Term *curve);

// The polynomial in slot 0 of a univariate Polynomial, read exactly.
GaussPoly univariateOf(const Term *p);

// A root with its multiplicity.
struct Root {
    Complex value;
    int multiplicity = 1;
};

// The distinct roots of p (not zero), isolated with a proof, each to
// certifiedAccuracy. Appends to `out`.
void isolateRoots(const GaussPoly &p, std::vector<Root> &out);

}  // namespace quorvel::exact
