// The curve as it was typed: a polynomial with exact coefficients in Q(i)
// (0.1 is 1/10, 1e-36 is 10^-36, products expanded without rounding), and
// what is computed from it exactly before rounding: the double polynomial
// the tracer evaluates and the curve expanded about a point (a chart).
//
// An ExactPolynomial is immutable and shared: copying it copies a pointer.
// Its arithmetic lives inside the engine; nothing here names FLINT.
#pragma once

#include <memory>
#include <vector>

#include "engine/complex.h"
#include "engine/polynomial.h"

namespace quorvel {

class ExactPolynomial {
public:
    // The zero polynomial with unsettled letters.
    ExactPolynomial();

    // The letters of the three slots, as the text settled them.
    const Letters &letters() const;
    bool isZero() const;
    // The same letters and the same coefficients.
    bool sameAs(const ExactPolynomial &other) const;

    // Internal to the engine.
    struct Data;
    explicit ExactPolynomial(std::shared_ptr<const Data> data);
    const Data &data() const;
    const void *identity() const { return data_.get(); }

private:
    std::shared_ptr<const Data> data_;
};

// For a curve that exists only as doubles (built term by term): each
// double read as the exact decimal of its shortest round-trip text (the
// double nearest 0.1 counts as 1/10). A coefficient that is not finite is
// reported and the computation abandoned.
ExactPolynomial exactFromDoubles(const Term *p);

// Every coefficient rounded to the nearest double, as a new term-pool
// polynomial. A coefficient beyond the double range ("A coefficient is too
// large.") or nonzero but below the smallest normal double, about 2e-308
// (it would be lost or keep only a few digits), is reported and the
// computation abandoned; so is a polynomial with more terms than the pool
// has free records.
Polynomial roundedPolynomial(const ExactPolynomial &p);

// One term c * x^xExponent * s^sExponent of a chart.
struct ChartTerm {
    int xExponent = 0;
    int sExponent = 0;
    Complex coefficient;
};

// The curve f(x, t) expanded about t = centre: the coefficients of
// f(x, centre + s) as a polynomial in x and s, computed exactly from the
// exact curve and the exact binary value of `centre`, then each rounded to
// the nearest double; terms that round to 0 are left out. Near a cluster of
// loci the curve expanded in powers of t has lost the digits that tell them
// apart, while the chart about a point of the cluster keeps them. A
// coefficient beyond the double range comes back infinite: the caller
// decides what a chart it cannot use means. A curve in three letters or one
// of degree above 400 in the parameter is reported and the computation
// abandoned. Nothing is cached: the caller keeps charts it reuses.
std::vector<ChartTerm> curveChart(const ExactPolynomial &curve, Complex centre);

}  // namespace quorvel
