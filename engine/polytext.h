// The text form of polynomials: a one-pass evaluator of typed text and the
// printer whose output it reads back.
#pragma once

#include <string>
#include <string_view>

#include "engine/exact_curve.h"
#include "engine/polynomial.h"

namespace quorvel {

inline constexpr int printDecimals = 7;
inline constexpr size_t printLimit = 250;

// Evaluates the text as written mathematics reads it: sums, products
// ("*", "/" the exact polynomial quotient, or a factor written right after
// another: 2x, (x+1)(x-1), 2i), signs (x^2--t is x^2+t), powers with an
// integer exponent (x^2, x^(2), 10^-3; a negative one only on a constant),
// numbers with a decimal point or an exponent (0.5, .5, 1e-3), the
// imaginary unit i and brackets "()" or "{}" (a bracket still open at the
// end is closed there). `letters` holds the fiber letter (slot 0) and the
// parameter letter (slot 1), '?' while unsettled; the parser fills '?'
// slots with new letters in order of appearance. The text ends at its end
// or at a NUL byte; the empty text is the zero polynomial.
//
// Everything else is refused rather than guessed: the message names the
// character where reading stopped and what is wrong there ("The polynomial
// cannot be read at character 3: ..."). Refusals, and texts that cannot be
// evaluated (a fourth letter, an exponent beyond 32 bits, a division by the
// zero polynomial, a coefficient that overflows, the record pool running
// out), go through showError and throw ComputationAbandoned; no record is
// left behind. Every printed polynomial reads back to itself.
//
// The value is exact: decimals are the decimals written (0.1 is 1/10),
// products and powers are expanded over Q(i) without rounding, and "/"
// must leave no remainder at all. Refusals are decided as the double
// evaluation of the same text decides them, and beyond those the exact
// evaluation refuses a product too large to expand exactly.
ExactPolynomial parseExactPolynomial(std::string_view text, Letters &letters);

// The exact value rounded to the nearest doubles (roundedPolynomial): a
// coefficient beyond the double range, or nonzero and below the smallest
// normal double, is refused.
Polynomial parsePolynomial(std::string_view text, Letters &letters);

// Writes the polynomial in descending monomial order, every term with its
// sign, coefficients as formatCoefficient writes them; at most 250
// characters.
std::string printPolynomial(const Term *p, int decimals = printDecimals);

// Reads a text of the same language without letters as one complex number
// (i, 1+i, 0.5+0.1*i, -2i+1.5, 1e-3, +1.000000-2.000000i), evaluated
// exactly and rounded to the nearest double (a point, not a coefficient:
// 1e-320 is the subnormal nearest it). False, with what
// is wrong in `problem`, when the text is empty, names a letter, cannot be
// read or overflows; nothing is shown through the error channel.
bool readConstant(std::string_view text, Complex &value, std::string &problem);


}  // namespace quorvel
