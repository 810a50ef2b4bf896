#include "engine/exact.h"

#include <acb_poly.h>

#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/error.h"
#include "engine/exact_poly.h"

namespace quorvel {

namespace exact {
bool isolateBalls(slong n, const std::function<void(acb_poly_t, slong)> &build, slong maxPrecision,
                  std::vector<Complex> &out);
}  // namespace exact

namespace {

using exact::GaussPoly;
using exact::Root;

// The highest precision tried for a fiber: far beyond what separated roots
// need, so only a fiber with a repeated root (a base point on a locus) or a
// vanishing leading coefficient gets there.
inline constexpr slong fiberMaxPrecision = 4096;

// The curve's terms as they stand, to recognise the curve of the last call.
struct CurveKey {
    int e0, e1, e2;
    double re, im;
    bool operator==(const CurveKey &) const = default;
};

void collectKey(const Term *t, std::vector<CurveKey> &out) {
    if (!t) return;
    out.push_back({t->exp[0], t->exp[1], t->exp[2], t->coef.re, t->coef.im});
    collectKey(t->next, out);
    collectKey(t->left, out);
}

// The resultant and the loci of the last curve: "Go" asks for the branch
// polynomial and then for its loci, and a document load asks again; the
// elimination runs once per curve.
struct BranchCache {
    std::vector<CurveKey> key;
    bool valid = false;
    GaussPoly resultant;
    bool haveLoci = false;
    std::vector<Root> loci;
};

BranchCache &branchCache() {
    static BranchCache cache;
    return cache;
}

BranchCache &branchOf(const Term *curve) {
    std::vector<CurveKey> key;
    collectKey(curve, key);
    BranchCache &c = branchCache();
    if (c.valid && c.key == key) return c;
    c.valid = false;
    c.haveLoci = false;
    c.loci.clear();
    c.resultant = exact::branchResultant(curve);
    c.key = std::move(key);
    c.valid = true;
    return c;
}

std::vector<Root> distinctRoots(const GaussPoly &p) {
    std::vector<Root> out;
    if (p.degree() <= 0) return out;
    for (const exact::SquarefreeFactor &f : exact::squarefreeFactors(p)) {
        const size_t first = out.size();
        exact::isolateRoots(f.factor, out);
        for (size_t k = first; k < out.size(); ++k) out[k].multiplicity = f.multiplicity;
    }
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

[[noreturn]] void abandon(const std::string &message, const std::string &remedy) {
    showError(message, remedy);
    throw ComputationAbandoned(message);
}

// A rational as the nearest double (inf beyond the range), without
// overflow in between.
double nearestDouble(const fmpq_t q) {
    arb_t x;
    arb_init(x);
    arb_set_fmpq(x, q, 64);
    const double d = arf_get_d(arb_midref(x), ARF_RND_NEAR);
    arb_clear(x);
    return d;
}

// The decimal exponent of a non-zero rational, for messages.
long decimalExponent(const fmpq_t q) {
    const double bits = static_cast<double>(fmpz_bits(fmpq_numref(q))) -
                        static_cast<double>(fmpz_bits(fmpq_denref(q)));
    return static_cast<long>(std::floor(bits * std::log10(2.0)));
}

}  // namespace

Polynomial exactBranchPolynomial(const Term *curve) {
    const GaussPoly &r = branchOf(curve).resultant;
    const long n = r.degree();
    exact::Rational ra, rb, rla, rlb, rre, rim, rtmp;
    fmpq *a = ra.v, *b = rb.v, *la = rla.v, *lb = rlb.v, *re = rre.v, *im = rim.v, *tmp = rtmp.v;

    // 1 / lead
    r.coefficient(la, lb, n);
    fmpq_mul(re, la, la);
    fmpq_mul(tmp, lb, lb);
    fmpq_add(re, re, tmp);
    fmpq_div(la, la, re);
    fmpq_div(lb, lb, re);
    fmpq_neg(lb, lb);

    std::vector<std::pair<long, Complex>> coefficients;
    for (long k = 0; k <= n; ++k) {
        r.coefficient(a, b, k);
        if (fmpq_is_zero(a) && fmpq_is_zero(b)) continue;
        // (a + bi)(la + i lb)
        fmpq_mul(re, a, la);
        fmpq_mul(tmp, b, lb);
        fmpq_sub(re, re, tmp);
        fmpq_mul(im, a, lb);
        fmpq_mul(tmp, b, la);
        fmpq_add(im, im, tmp);
        const Complex c(nearestDouble(re), nearestDouble(im));
        if (!std::isfinite(c.re) || !std::isfinite(c.im)) {
            const long e = decimalExponent(std::isfinite(c.re) ? im : re);
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

    const Letters letters = {curve->var[1], '?', '?'};
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

void forgetBranchCache() { branchCache().valid = false; }

PointList certifiedBranchLoci(const Term *curve) {
    BranchCache &c = branchOf(curve);
    if (!c.haveLoci) {
        c.loci = distinctRoots(c.resultant);
        c.haveLoci = true;
    }
    return pointsOf(c.loci);
}

PointList certifiedRoots(const Term *univariate) {
    // Every root of a leading coefficient is a branch locus too, so one of
    // degree beyond maxBranchDegree belongs to a curve Go refuses anyway;
    // it is refused before its dense form is built (t^65185193 would take
    // gigabytes and minutes).
    const int n = degree(univariate);
    if (n > maxBranchDegree)
        abandon("The curve is too large: its leading coefficient has degree " + std::to_string(n) +
                    ", above the limit of " + std::to_string(maxBranchDegree) + ".",
                "Re-input a polynomial of lower degree in either variable");
    return pointsOf(distinctRoots(exact::univariateOf(univariate)));
}

void alignDegenerateLoci(PointList degenerate, const Term *loci) {
    for (Term *d = degenerate; d; d = d->next) {
        const Term *best = nullptr;
        double bestDistance = 0.0;
        for (const Term *b = loci; b; b = b->next) {
            const double distance = modulus(b->coef - d->coef);
            if (!best || distance < bestDistance) {
                best = b;
                bestDistance = distance;
            }
        }
        if (best && bestDistance <= 4.0 * certifiedAccuracy * std::max(1.0, modulus(best->coef)))
            d->coef = best->coef;
    }
}

PointList certifiedFiber(const Term *curve, Complex t) {
    // Gather the coefficients of x^k as exact rationals times powers of t,
    // evaluated in ball arithmetic at each precision.
    struct Coefficient {
        long x = 0;
        long t = 0;
        fmpq_t re, im;
        Coefficient() {
            fmpq_init(re);
            fmpq_init(im);
        }
        ~Coefficient() {
            fmpq_clear(re);
            fmpq_clear(im);
        }
        Coefficient(const Coefficient &) = delete;
        Coefficient &operator=(const Coefficient &) = delete;
    };
    std::vector<std::unique_ptr<Coefficient>> terms;
    long n = 0;
    std::function<void(const Term *)> collect = [&](const Term *p) {
        if (!p) return;
        if (!isZero(p->coef)) {
            if (!std::isfinite(p->coef.re) || !std::isfinite(p->coef.im))
                abandon("A coefficient of the curve is not a finite number.",
                        "Re-input the polynomial with coefficients below 10^308");
            auto c = std::make_unique<Coefficient>();
            c->x = p->exp[0];
            c->t = p->exp[1];
            exact::rationalOf(c->re, p->coef.re);
            exact::rationalOf(c->im, p->coef.im);
            n = std::max(n, c->x);
            terms.push_back(std::move(c));
        }
        collect(p->next);
        collect(p->left);
    };
    collect(curve);
    if (!std::isfinite(t.re) || !std::isfinite(t.im))
        abandon("The base point is not a finite number.", "Type a base point such as 0.5+0.1i");

    acb_t base, power, c, sum;
    acb_init(base);
    acb_init(power);
    acb_init(c);
    acb_init(sum);
    auto build = [&](acb_poly_t poly, slong prec) {
        acb_poly_zero(poly);
        acb_set_d_d(base, t.re, t.im);
        for (const auto &term : terms) {
            arb_set_fmpq(acb_realref(c), term->re, prec);
            arb_set_fmpq(acb_imagref(c), term->im, prec);
            acb_pow_ui(power, base, static_cast<ulong>(term->t), prec);
            acb_mul(c, c, power, prec);
            acb_poly_get_coeff_acb(sum, poly, term->x);
            acb_add(sum, sum, c, prec);
            acb_poly_set_coeff_acb(poly, term->x, sum);
        }
    };
    std::vector<Complex> values;
    const bool ok = exact::isolateBalls(n, build, fiberMaxPrecision, values);
    acb_clear(base);
    acb_clear(power);
    acb_clear(c);
    acb_clear(sum);
    if (!ok)
        abandon("The base point is a branch locus.", "Type another base point, away from the branch loci.");
    std::vector<Root> roots;
    for (const Complex &v : values) roots.push_back({v, 1});
    return pointsOf(roots);
}

}  // namespace quorvel
