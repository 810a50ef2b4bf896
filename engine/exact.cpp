#include "engine/exact.h"

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/error.h"
#include "engine/exact_mpoly.h"
#include "engine/exact_poly.h"

namespace quorvel {

namespace {

using exact::GaussPoly;
using exact::Root;

// The highest working precision tried for the loci and for roots (bits).
inline constexpr slong lociMaxPrecision = 8192;
// The highest precision tried for a fiber: far beyond what separated roots
// need, so only a fiber with a repeated root (a base point on a locus) or a
// vanishing leading coefficient gets there.
inline constexpr slong fiberMaxPrecision = 4096;

// The resultant, the loci and the degenerate loci of the last curve: "Go"
// asks for the degenerate loci, the branch polynomial and its loci in
// turn, and a document load asks again; each is computed once per curve.
struct CurveCache {
    bool valid = false;
    ExactPolynomial curve;
    bool haveResultant = false;
    GaussPoly resultant;
    bool haveLoci = false;
    std::vector<Root> loci;
    bool haveDegenerate = false;
    std::vector<Root> degenerate;
};

CurveCache &lastCurve() {
    static CurveCache cache;
    return cache;
}

CurveCache &cacheOf(const ExactPolynomial &curve) {
    CurveCache &c = lastCurve();
    if (c.valid && c.curve.sameAs(curve)) return c;
    c = CurveCache();
    c.curve = curve;
    c.valid = true;
    return c;
}

const GaussPoly &resultantOf(CurveCache &c) {
    if (!c.haveResultant) {
        c.resultant = exact::branchResultant(c.curve);
        c.haveResultant = true;
    }
    return c.resultant;
}

std::vector<Root> distinctRoots(const GaussPoly &p) {
    std::vector<Root> out;
    if (p.degree() <= 0) return out;
    // A squarefree polynomial with exact coefficients always isolates; the
    // precision only has to outgrow the closest pair of roots. Loci closer
    // than that precision can tell apart (curves with coefficients far
    // apart in size can put two of them 1e-250 apart) are a stated limit.
    slong reached = 0;
    if (!exact::isolateFactors(exact::squarefreeFactors(p), lociMaxPrecision, out, &reached))
        abandon("The branch loci could not be told apart with " + std::to_string(reached) +
                    "-bit arithmetic, the most that the work limit of one isolation allows: some of them lie "
                    "closer together than that.",
                "Re-input the polynomial with coefficients closer in size");
    return out;
}

PointList pointsOf(const std::vector<Root> &roots) {
    OwnedPolynomial list;
    Term *tail = nullptr;
    int number = 0;
    for (const Root &r : roots) {
        Term *p = newPoint(r.value);
        p->exp[0] = number++;
        p->exp[1] = r.multiplicity;
        if (tail)
            tail->next = p;
        else
            list.reset(p);
        tail = p;
    }
    return list.release();
}

// The decimal exponent of a non-zero rational, for messages.
long decimalExponent(const fmpq_t q) {
    const double bits = static_cast<double>(fmpz_bits(fmpq_numref(q))) -
                        static_cast<double>(fmpz_bits(fmpq_denref(q)));
    return static_cast<long>(std::floor(bits * std::log10(2.0)));
}

double log10Of(const arb_t x) {
    exact::Owned<arf_struct> mantissa;
    exact::Integer exponent;
    arf_frexp(mantissa, exponent, arb_midref(x));
    return std::log10(std::fabs(arf_get_d(mantissa, ARF_RND_NEAR))) +
           static_cast<double>(fmpz_get_si(exponent)) * std::log10(2.0);
}

std::string placeText(Complex z) {
    char buf[96];
    if (z.im == 0.0)
        std::snprintf(buf, sizeof buf, "%.6g", z.re);
    else if (z.re == 0.0)
        std::snprintf(buf, sizeof buf, "%.6gi", z.im);
    else
        std::snprintf(buf, sizeof buf, "%.6g%+.6gi", z.re, z.im);
    return buf;
}

// Loops and the tracer follow the loci in double precision: two loci
// closer than lociSeparationLimit times the larger modulus are refused,
// the closest pair named. The balls are apart by many times their radii,
// so the distance of their midpoints is the distance of the loci to a few
// percent.
void refuseCloseLoci(const std::vector<Root> &loci) {
    exact::Owned<arb_struct> distance, size, other, ratio, worstDistance;
    exact::Ball d;
    double worst = lociSeparationLimit;
    Complex place;
    for (size_t i = 0; i < loci.size(); ++i) {
        for (size_t j = i + 1; j < loci.size(); ++j) {
            const Complex a = loci[i].value, b = loci[j].value;
            const double larger = std::max(std::hypot(a.re, a.im), std::hypot(b.re, b.im));
            if (std::isnormal(larger) && std::hypot(a.re - b.re, a.im - b.im) > 10.0 * lociSeparationLimit * larger)
                continue;
            acb_sub(d, loci[i].ball, loci[j].ball, ARF_PREC_EXACT);
            acb_abs(distance, d, 64);
            acb_abs(size, loci[i].ball, 64);
            acb_abs(other, loci[j].ball, 64);
            arb_max(size, size, other, 64);
            arb_div(ratio, distance, size, 64);
            const double r = arf_get_d(arb_midref(ratio), ARF_RND_NEAR);
            if (r < worst) {
                worst = r;
                arb_set(worstDistance, distance);
                place = std::hypot(a.re, a.im) >= std::hypot(b.re, b.im) ? a : b;
            }
        }
    }
    if (worst < lociSeparationLimit) {
        const double log10Distance = log10Of(worstDistance);
        abandon("Two branch loci lie closer together than double precision can follow: about " +
                    exact::magnitudeText(log10Distance) + " apart near " + placeText(place) + ", below " +
                    exact::magnitudeText(std::log10(lociSeparationLimit)) + " of their size.",
                "Move them to 0 by shifting the parameter (loci near 0 are judged by their own size), "
                "or re-input the polynomial with them farther apart");
    }
}

}  // namespace

Polynomial exactBranchPolynomial(const ExactPolynomial &curve) {
    const GaussPoly &r = resultantOf(cacheOf(curve));
    const long n = r.degree();
    exact::GaussRational inverseLead, a;
    r.coefficient(inverseLead, n);
    exact::invert(inverseLead, inverseLead);

    std::vector<std::pair<long, Complex>> coefficients;
    for (long k = 0; k <= n; ++k) {
        r.coefficient(a, k);
        if (a.isZero()) continue;
        exact::multiply(a, a, inverseLead);
        const Complex c(exact::nearestDouble(a.re), exact::nearestDouble(a.im));
        if (!std::isfinite(c.re) || !std::isfinite(c.im)) {
            const long e = decimalExponent(std::isfinite(c.re) ? a.im : a.re);
            abandon("The branch polynomial does not fit in double precision: the coefficient of degree " +
                        std::to_string(k) + " is about 10^" + std::to_string(e) +
                        ", beyond the largest double, about 10^308.",
                    "Re-input a polynomial whose branch loci lie closer to 0");
        }
        coefficients.emplace_back(k, c);
    }
    const int needed = static_cast<int>(coefficients.size()) + 1;
    if (needed > termPool().freeCount())
        abandon("The term pool is full: the branch polynomial needs " + std::to_string(needed) +
                    " records, and only " + std::to_string(termPool().freeCount()) + " of the " +
                    std::to_string(termPoolSize) + " are free.",
                "Re-input a polynomial of lower degree");

    const Letters letters = {curve.letters()[1], '?', '?'};
    OwnedPolynomial out(newZero(letters));
    for (const auto &[k, c] : coefficients) {
        Term d;
        d.coef = c;
        d.exp[0] = static_cast<int32_t>(k);
        for (int s = 0; s < 3; ++s) d.var[s] = letters[static_cast<size_t>(s)];
        d.var[3] = '\0';
        addTerm(out.ref(), &d);
    }
    return out.release();
}

void forgetBranchCache() { lastCurve() = CurveCache(); }

PointList certifiedBranchLoci(const ExactPolynomial &curve) {
    CurveCache &c = cacheOf(curve);
    if (!c.haveLoci) {
        std::vector<Root> loci = distinctRoots(resultantOf(c));
        refuseCloseLoci(loci);
        c.loci = std::move(loci);
        c.haveLoci = true;
    }
    return pointsOf(c.loci);
}

PointList certifiedDegenerateLoci(const ExactPolynomial &curve) {
    CurveCache &c = cacheOf(curve);
    if (!c.haveDegenerate) {
        c.degenerate = distinctRoots(exact::leadingCoefficient(curve));
        c.haveDegenerate = true;
    }
    return pointsOf(c.degenerate);
}

void identifyDegenerateLoci(const ExactPolynomial &curve, PointList degenerate, PointList branchLoci) {
    if (!degenerate) return;
    // Both lists come from the last curve's roots; these calls only make
    // sure the roots are there.
    const OwnedPolynomial degenerateRoots(certifiedDegenerateLoci(curve));
    const OwnedPolynomial branchRoots(certifiedBranchLoci(curve));
    const CurveCache &c = cacheOf(curve);
    for (Term *d = degenerate; d; d = d->next) {
        const auto k = static_cast<size_t>(pointNumber(d));
        size_t match = 0;
        int overlapping = 0;
        for (size_t b = 0; k < c.degenerate.size() && b < c.loci.size(); ++b)
            if (acb_overlaps(c.degenerate[k].ball, c.loci[b].ball)) {
                match = b;
                ++overlapping;
            }
        // The loci are far apart compared with every ball (closer ones were
        // refused), so each degenerate ball meets its own branch ball only.
        if (overlapping != 1)
            abandon("A degenerate locus could not be matched with a branch locus.", "Tell the maker");
        const Term *branch = findByNumber(branchLoci, static_cast<int>(match));
        d->coef = branch ? branch->coef : c.loci[match].value;
    }
}

PointList certifiedRoots(const ExactPolynomial &univariate) {
    return pointsOf(distinctRoots(exact::univariateOf(univariate)));
}

PointList certifiedRoots(const Term *univariate) { return certifiedRoots(exactFromDoubles(univariate)); }

PointList certifiedFiber(const ExactPolynomial &curve, Complex t) {
    if (!std::isfinite(t.re) || !std::isfinite(t.im))
        abandon("The base point is not a finite number.", "Type a base point such as 0.5+0.1i");
    const slong n = curve.data().value.degree(0);
    if (n <= 0) return nullptr;
    const GaussPoly p = exact::fiberPolynomial(curve, t);
    // The leading coefficient vanishing at t, or a repeated root 0.
    bool ok = p.degree() == n;
    if (ok && n >= 2) {
        exact::GaussRational c0, c1;
        p.coefficient(c0, 0);
        p.coefficient(c1, 1);
        ok = !(c0.isZero() && c1.isZero());
    }
    std::vector<Root> roots;
    if (ok) {
        std::vector<exact::SquarefreeFactor> whole(1);
        whole[0].factor = p;
        ok = exact::isolateFactors(whole, fiberMaxPrecision, roots);
    }
    if (!ok)
        abandon("The base point is a branch locus.", "Type another base point, away from the branch loci.");
    return pointsOf(roots);
}

}  // namespace quorvel
