// The text form of polynomials: a one-pass evaluator of typed text and the
// printer whose output it reads back.
#pragma once

#include <string>
#include <string_view>

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
Polynomial parsePolynomial(std::string_view text, Letters &letters);

// Writes the polynomial in descending monomial order, every term with its
// sign, coefficients as formatCoefficient writes them; at most 250
// characters.
std::string printPolynomial(const Term *p, int decimals = printDecimals);

// Reads a text of the same language without letters as one complex number
// (i, 1+i, 0.5+0.1*i, -2i+1.5, 1e-3, +1.000000-2.000000i). False, with what
// is wrong in `problem`, when the text is empty, names a letter, cannot be
// read or overflows; nothing is shown through the error channel.
bool readConstant(std::string_view text, Complex &value, std::string &problem);

// The base-point field: the text as readConstant reads it, or, when that
// refuses it, as parseComplex scans it (so 1.5 , -2i still reads as
// 1.5-2i, and text without a number as 0). Never a non-finite value.
Complex readComplexField(std::string_view text);

}  // namespace quorvel
