// Small helpers for building and reading polynomials in tests.
#pragma once

#include <string>

#include "engine/polynomial.h"
#include "engine/polytext.h"

namespace quorvel::testing {

// Parses with the fiber letter x and the parameter t unless told otherwise.
inline OwnedPolynomial poly(const std::string &text, Letters letters = {'x', 't', '?'}) {
    return OwnedPolynomial(parsePolynomial(text, letters));
}

inline std::string text(const Term *p) { return printPolynomial(p); }

}  // namespace quorvel::testing
