// The text form of polynomials: a one-pass evaluator of typed text and the
// printer whose output it reads back.
#pragma once

#include <string>
#include <string_view>

#include "engine/polynomial.h"

namespace quorvel {

inline constexpr int printDecimals = 7;
inline constexpr size_t printLimit = 250;

// Evaluates the text. `letters` holds the fiber letter (slot 0) and the
// parameter letter (slot 1), '?' while unsettled; the parser fills '?'
// slots with new letters in order of appearance. The text ends at its end
// or at a NUL byte. Unknown characters are ignored and missing closing
// brackets are supplied by the end of the text.
//
// When the text cannot be evaluated at all (a fourth letter, an exponent
// beyond 32 bits, a division by the zero polynomial, the record pool
// running out) the reason goes through showError and ComputationAbandoned
// is thrown; no record is left behind.
Polynomial parsePolynomial(std::string_view text, Letters &letters);

// Writes the polynomial in descending monomial order, every term with its
// sign, coefficients as formatCoefficient writes them; at most 250
// characters.
std::string printPolynomial(const Term *p, int decimals = printDecimals);

}  // namespace quorvel
