// Exact polynomials in the three letter slots over Q(i): the arithmetic the
// text reader evaluates with, and the data behind an ExactPolynomial.
// Internal to the engine (it includes FLINT); engine/exact_curve.h is what
// the rest of the program sees.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "engine/exact_curve.h"
#include "engine/flint_owner.h"

namespace quorvel::exact {

// The context of every exact polynomial: the three letter slots as
// variables 0, 1, 2, lexicographic order. It lives as long as the program.
using SlotContext = Owned<fmpq_mpoly_ctx_struct>;
const SlotContext &slots();

// A polynomial in the slots.
using Mpoly = Owned<fmpq_mpoly_struct>;

// A polynomial over Q(i) as its real and imaginary parts.
class GaussMpoly {
public:
    GaussMpoly();
    GaussMpoly(const GaussMpoly &other);
    GaussMpoly(GaussMpoly &&other) noexcept;
    GaussMpoly &operator=(const GaussMpoly &other);
    GaussMpoly &operator=(GaussMpoly &&other) noexcept;

    fmpq_mpoly_struct *re() { return re_; }
    fmpq_mpoly_struct *im() { return im_; }
    const fmpq_mpoly_struct *re() const { return re_; }
    const fmpq_mpoly_struct *im() const { return im_; }

    bool isZero() const;
    bool isReal() const;
    // Zero or a single term free of every letter.
    bool isConstant() const;
    // The number of distinct monomials (the records the rounded polynomial
    // takes).
    slong termCount() const;
    // The highest exponent of the slot; -1 for the zero polynomial.
    slong degree(int slot) const;

    // Every term, highest monomial first: its exponents and its real and
    // imaginary parts (0 where a part is absent).
    using TermVisitor = std::function<void(const ulong exps[3], const fmpq *re, const fmpq *im)>;
    void forEachTerm(const TermVisitor &visit) const;

    // Adds (re + i im) * x^e0 y^e1 z^e2.
    void addTerm(const ulong exps[3], const fmpq_t re, const fmpq_t im);

private:
    Mpoly re_;
    Mpoly im_;
};

// ---- the reader's arithmetic ----------------------------------------------
// Each operation reports and abandons, through the error channel, what the
// double evaluation of the same text cannot see: a product or power too
// large to expand exactly, a number or a result with more terms than the
// term pool can hold.

// The written number (digits, at most one point, an optional exponent:
// 1.5e-3) as the exact decimal it denotes.
GaussMpoly decimal(std::string_view written);
GaussMpoly imaginaryUnit();
GaussMpoly variable(int slot);
void add(GaussMpoly &a, const GaussMpoly &b);
void negate(GaussMpoly &a);
GaussMpoly product(const GaussMpoly &a, const GaussMpoly &b);
// f becomes f / g when g divides f; false (f unchanged) when a remainder
// is left. Division by the zero polynomial is reported and abandoned.
bool divideExactly(GaussMpoly &f, const GaussMpoly &g);
// 1 / c for a nonzero constant.
void invertConstant(GaussMpoly &c);
GaussMpoly power(const GaussMpoly &f, ulong n);
// The largest exponent of any slot (0 for a constant).
slong largestExponent(const GaussMpoly &f);

// "3e-400": a positive magnitude given by its decimal logarithm.
std::string magnitudeText(double log10Value);

// The double nearest to q (correctly rounded; inf beyond the range).
double nearestDouble(const fmpq_t q);
// The nearest double of the constant term's parts, as a base point reads a
// constant: subnormal or 0 when the value is that small.
Complex constantValue(const GaussMpoly &c);

}  // namespace quorvel::exact

namespace quorvel {

struct ExactPolynomial::Data {
    Letters letters = unsetLetters;
    exact::GaussMpoly value;
};

}  // namespace quorvel
