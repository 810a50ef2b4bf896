// Values of a polynomial in one variable.
#pragma once

#include "engine/polynomial.h"

namespace quorvel {

// Horner's rule over the sparse terms; the exponent of a term is the one in
// the slot carrying letter v. A term whose exponent does not fall strictly
// is reported ("polynomial (1 var.) is illegal.") and left out.
Complex evaluateUnivariate(const Term *p, char v, Complex z);
// True when the terms differ only in the slot-0 exponent.
bool isUnivariate(const Term *p);

}  // namespace quorvel
