// The terms of a product of two polynomials, accumulated in a fixed order
// so that equal mathematics gives equal bits.
#pragma once

#include <cstddef>
#include <vector>

#include "engine/complex.h"
#include "engine/termpool.h"

namespace quorvel {

struct ProductTerm {
    int exp[3];
    Complex coef;
};

// The non-zero terms of a·b in ascending monomial order, for the terms of
// both factors given in descending order (one letter set). Each monomial
// sums its products in the order of the terms of `a`; a sum that passes
// through exactly 0 goes on from there, as a term removed and started
// afresh would. Abandons the computation (the pool message) when the
// result would hold more than `room` terms, and when an exponent leaves the
// 32-bit range.
std::vector<ProductTerm> accumulateProducts(const std::vector<const Term *> &a,
                                            const std::vector<const Term *> &b, size_t room);

}  // namespace quorvel
