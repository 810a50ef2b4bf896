#include "engine/exact_poly.h"

#include <flint/fmpz_mpoly.h>
#include <flint/fmpz_poly.h>
#include <flint/fmpz_poly_factor.h>

#include <algorithm>
#include <charconv>
#include <memory>
#include <cmath>
#include <cstdio>
#include <string>

#include "engine/error.h"
#include "engine/exact.h"
#include "engine/exact_mpoly.h"

namespace quorvel::exact {

// ---- small owners of FLINT values -------------------------------------------------

namespace {

struct Integer {
    fmpz_t v;
    Integer() { fmpz_init(v); }
    ~Integer() { fmpz_clear(v); }
    Integer(const Integer &) = delete;
    Integer &operator=(const Integer &) = delete;
};

struct MpolyContext {
    fmpz_mpoly_ctx_t ctx;
    explicit MpolyContext(slong vars) { fmpz_mpoly_ctx_init(ctx, vars, ORD_LEX); }
    ~MpolyContext() { fmpz_mpoly_ctx_clear(ctx); }
    MpolyContext(const MpolyContext &) = delete;
    MpolyContext &operator=(const MpolyContext &) = delete;
};

struct Mpoly {
    fmpz_mpoly_t p;
    const fmpz_mpoly_ctx_struct *ctx;
    explicit Mpoly(const MpolyContext &c) : ctx(c.ctx) { fmpz_mpoly_init(p, c.ctx); }
    ~Mpoly() { fmpz_mpoly_clear(p, ctx); }
    Mpoly(const Mpoly &) = delete;
    Mpoly &operator=(const Mpoly &) = delete;
};

// Curves up to this total degree are checked for a repeated factor even
// when their bound refuses them, so that the message names the factor.
constexpr slong gcdDegreeLimit = 1000;
// The largest estimated cost of the elimination, in word operations (see
// planResultant): about two seconds on a 2020s core.
constexpr double maxEliminationCost = 2.0e9;

// 2.5e9 for a cost in messages.
std::string costText(double cost) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2g", cost);
    return buf;
}

[[noreturn]] void abandon(const std::string &message, const std::string &remedy) {
    showError(message, remedy);
    throw ComputationAbandoned(message);
}

}  // namespace

void rationalOf(fmpq_t out, double d) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, d);
    const std::string text(buf, r.ptr);
    // Digits of the mantissa without the point, and the decimal exponent.
    std::string digits;
    long exponent = 0;
    bool negative = false;
    size_t i = 0;
    if (i < text.size() && text[i] == '-') {
        negative = true;
        ++i;
    }
    bool afterPoint = false;
    for (; i < text.size() && text[i] != 'e'; ++i) {
        if (text[i] == '.') {
            afterPoint = true;
            continue;
        }
        digits += text[i];
        if (afterPoint) --exponent;
    }
    if (i < text.size()) exponent += std::stol(text.substr(i + 1));
    Integer mantissa;
    fmpz_set_str(mantissa.v, digits.c_str(), 10);
    if (negative) fmpz_neg(mantissa.v, mantissa.v);
    Integer power;
    fmpz_set_ui(power.v, 10);
    fmpz_pow_ui(power.v, power.v, static_cast<ulong>(std::labs(exponent)));
    if (exponent >= 0) {
        fmpz_mul(fmpq_numref(out), mantissa.v, power.v);
        fmpz_one(fmpq_denref(out));
    } else {
        fmpz_set(fmpq_numref(out), mantissa.v);
        fmpz_set(fmpq_denref(out), power.v);
        fmpq_canonicalise(out);
    }
}

// ---- GaussPoly ----------------------------------------------------------------------

GaussPoly::GaussPoly() {
    fmpq_poly_init(re_);
    fmpq_poly_init(im_);
}

GaussPoly::~GaussPoly() {
    fmpq_poly_clear(re_);
    fmpq_poly_clear(im_);
}

GaussPoly::GaussPoly(const GaussPoly &other) : GaussPoly() { *this = other; }

GaussPoly &GaussPoly::operator=(const GaussPoly &other) {
    if (this != &other) {
        fmpq_poly_set(re_, other.re_);
        fmpq_poly_set(im_, other.im_);
    }
    return *this;
}

long GaussPoly::degree() const {
    return std::max(fmpq_poly_degree(re_), fmpq_poly_degree(im_));
}

bool GaussPoly::isReal() const { return fmpq_poly_is_zero(im_); }

void GaussPoly::coefficient(fmpq_t a, fmpq_t b, long k) const {
    fmpq_poly_get_coeff_fmpq(a, re_, k);
    fmpq_poly_get_coeff_fmpq(b, im_, k);
}

void GaussPoly::setCoefficient(long k, const fmpq_t a, const fmpq_t b) {
    fmpq_poly_set_coeff_fmpq(re_, k, a);
    fmpq_poly_set_coeff_fmpq(im_, k, b);
}

// ---- arithmetic over Q(i) -----------------------------------------------------------

namespace {

// p becomes (a + bi) * p.
void scale(GaussPoly &p, const fmpq_t a, const fmpq_t b) {
    GaussPoly out;
    fmpq_poly_t tmp;
    fmpq_poly_init(tmp);
    fmpq_poly_scalar_mul_fmpq(out.re(), p.re(), a);
    fmpq_poly_scalar_mul_fmpq(tmp, p.im(), b);
    fmpq_poly_sub(out.re(), out.re(), tmp);
    fmpq_poly_scalar_mul_fmpq(out.im(), p.im(), a);
    fmpq_poly_scalar_mul_fmpq(tmp, p.re(), b);
    fmpq_poly_add(out.im(), out.im(), tmp);
    fmpq_poly_clear(tmp);
    p = out;
}

// 1 / (a + bi) into (a, b).
void invert(fmpq_t a, fmpq_t b) {
    Rational norm, tmp;
    fmpq_mul(norm.v, a, a);
    fmpq_mul(tmp.v, b, b);
    fmpq_add(norm.v, norm.v, tmp.v);
    fmpq_div(a, a, norm.v);
    fmpq_div(b, b, norm.v);
    fmpq_neg(b, b);
}

void makeMonic(GaussPoly &p) {
    if (p.isZero()) return;
    Rational a, b;
    p.coefficient(a.v, b.v, p.degree());
    invert(a.v, b.v);
    scale(p, a.v, b.v);
}

GaussPoly derivativeOf(const GaussPoly &p) {
    GaussPoly d;
    fmpq_poly_derivative(d.re(), p.re());
    fmpq_poly_derivative(d.im(), p.im());
    return d;
}

GaussPoly difference(const GaussPoly &x, const GaussPoly &y) {
    GaussPoly d;
    fmpq_poly_sub(d.re(), x.re(), y.re());
    fmpq_poly_sub(d.im(), x.im(), y.im());
    return d;
}

// a = q * b + r with deg r < deg b; b not zero.
void divideWithRemainder(const GaussPoly &a, const GaussPoly &b, GaussPoly &q, GaussPoly &r) {
    r = a;
    q = GaussPoly();
    const long db = b.degree();
    Rational ia, ib, ra, rb, ca, cb, tmp;
    b.coefficient(ia.v, ib.v, db);
    invert(ia.v, ib.v);
    while (!r.isZero() && r.degree() >= db) {
        const long k = r.degree() - db;
        r.coefficient(ra.v, rb.v, r.degree());
        // c = (ra + i rb) / lead(b)
        fmpq_mul(ca.v, ra.v, ia.v);
        fmpq_mul(tmp.v, rb.v, ib.v);
        fmpq_sub(ca.v, ca.v, tmp.v);
        fmpq_mul(cb.v, ra.v, ib.v);
        fmpq_mul(tmp.v, rb.v, ia.v);
        fmpq_add(cb.v, cb.v, tmp.v);
        Rational qa, qb;
        q.coefficient(qa.v, qb.v, k);
        fmpq_add(qa.v, qa.v, ca.v);
        fmpq_add(qb.v, qb.v, cb.v);
        q.setCoefficient(k, qa.v, qb.v);
        GaussPoly step = b;
        scale(step, ca.v, cb.v);
        fmpq_poly_shift_left(step.re(), step.re(), k);
        fmpq_poly_shift_left(step.im(), step.im(), k);
        r = difference(r, step);
    }
}

GaussPoly exactQuotient(const GaussPoly &a, const GaussPoly &b) {
    GaussPoly q, r;
    divideWithRemainder(a, b, q, r);
    return q;
}

// The monic greatest common divisor (Euclid over the field Q(i), each
// remainder made monic so the coefficients stay those of subresultants).
GaussPoly gcdOf(const GaussPoly &x, const GaussPoly &y) {
    GaussPoly a = x, b = y;
    makeMonic(a);
    makeMonic(b);
    while (!b.isZero()) {
        GaussPoly q, r;
        divideWithRemainder(a, b, q, r);
        makeMonic(r);
        a = b;
        b = r;
    }
    makeMonic(a);
    return a;
}

// Yun's algorithm over Q(i).
std::vector<SquarefreeFactor> yun(const GaussPoly &f) {
    std::vector<SquarefreeFactor> out;
    const GaussPoly fp = derivativeOf(f);
    const GaussPoly a0 = gcdOf(f, fp);
    GaussPoly b = exactQuotient(f, a0);
    GaussPoly c = exactQuotient(fp, a0);
    GaussPoly d = difference(c, derivativeOf(b));
    for (int i = 1; b.degree() > 0; ++i) {
        const GaussPoly a = gcdOf(b, d);
        b = exactQuotient(b, a);
        c = exactQuotient(d, a);
        d = difference(c, derivativeOf(b));
        if (a.degree() > 0) out.push_back({a, i});
    }
    return out;
}

}  // namespace

std::vector<SquarefreeFactor> squarefreeFactors(const GaussPoly &p) {
    if (!p.isReal()) {
        std::vector<SquarefreeFactor> factors;
        if (modularSquarefree(p, factors)) return factors;
        return yun(p);
    }
    std::vector<SquarefreeFactor> out;
    fmpz_poly_t numerator;
    fmpz_poly_init(numerator);
    fmpq_poly_get_numerator(numerator, p.re());
    fmpz_poly_factor_t fac;
    fmpz_poly_factor_init(fac);
    fmpz_poly_factor_squarefree(fac, numerator);
    for (slong k = 0; k < fac->num; ++k) {
        if (fmpz_poly_degree(fac->p + k) <= 0) continue;
        SquarefreeFactor f;
        fmpq_poly_set_fmpz_poly(f.factor.re(), fac->p + k);
        f.multiplicity = static_cast<int>(fac->exp[k]);
        out.push_back(f);
    }
    fmpz_poly_factor_clear(fac);
    fmpz_poly_clear(numerator);
    return out;
}

// ---- the resultant ----------------------------------------------------------------

namespace {

struct ExactTerm {
    ulong x = 0;
    ulong t = 0;
    Rational re;
    Rational im;
};

[[noreturn]] void abandonForRepeatedFactor() {
    abandon("The curve has a repeated factor: f and its derivative in the fiber variable "
            "share a factor, so the branch polynomial is identically zero.",
            "Re-input the polynomial with each factor once (a square-free curve)");
}

}  // namespace

GaussPoly branchResultant(const ExactPolynomial &curve) {
    const GaussMpoly &g = curve.data().value;
    if (g.degree(2) > 0)
        abandon("It is not a polynomial with 2 variables.",
                "A third letter occurs: re-input the polynomial in two letters");
    const bool complex = !g.isReal();
    std::vector<std::unique_ptr<ExactTerm>> terms;
    g.forEachTerm([&](const ulong *exps, const fmpq *re, const fmpq *im) {
        auto e = std::make_unique<ExactTerm>();
        e->x = exps[0];
        e->t = exps[1];
        fmpq_set(e->re.v, re);
        fmpq_set(e->im.v, im);
        terms.push_back(std::move(e));
    });

    // Common denominator, then integer coefficients in Z[x, t] or Z[x, t, I].
    Integer denominator;
    fmpz_one(denominator.v);
    for (const auto &e : terms) {
        fmpz_lcm(denominator.v, denominator.v, fmpq_denref(e->re.v));
        fmpz_lcm(denominator.v, denominator.v, fmpq_denref(e->im.v));
    }
    const slong vars = complex ? 3 : 2;
    MpolyContext ctx(vars);
    Mpoly f(ctx), fx(ctx);
    Integer c;
    for (const auto &e : terms) {
        for (int part = 0; part < (complex ? 2 : 1); ++part) {
            const fmpq *q = part == 0 ? e->re.v : e->im.v;
            if (fmpq_is_zero(q)) continue;
            fmpz_divexact(c.v, denominator.v, fmpq_denref(q));
            fmpz_mul(c.v, c.v, fmpq_numref(q));
            ulong exps[3] = {e->x, e->t, static_cast<ulong>(part)};
            Integer old;
            fmpz_mpoly_get_coeff_fmpz_ui(old.v, f.p, exps, ctx.ctx);
            fmpz_add(c.v, c.v, old.v);
            fmpz_mpoly_set_coeff_fmpz_ui(f.p, c.v, exps, ctx.ctx);
        }
    }
    fmpz_mpoly_derivative(fx.p, f.p, 0, ctx.ctx);

    const slong n = fmpz_mpoly_degree_si(f.p, 0, ctx.ctx);
    if (n <= 0)
        abandon("The curve does not contain its fiber variable.",
                "Re-input the polynomial with the fiber variable");
    // The curve as polynomials in t, one for each power of x.
    IntegerCurve integer(n);
    for (const auto &e : terms) {
        for (int part = 0; part < (complex ? 2 : 1); ++part) {
            const fmpq *q = part == 0 ? e->re.v : e->im.v;
            if (fmpq_is_zero(q)) continue;
            fmpz_divexact(c.v, denominator.v, fmpq_denref(q));
            fmpz_mul(c.v, c.v, fmpq_numref(q));
            fmpz_poly_struct *to = (part == 0 ? integer.re : integer.im)[e->x].p;
            Integer old;
            fmpz_poly_get_coeff_fmpz(old.v, to, static_cast<slong>(e->t));
            fmpz_add(c.v, c.v, old.v);
            fmpz_poly_set_coeff_fmpz(to, static_cast<slong>(e->t), c.v);
        }
    }
    ResultantPlan plan = planResultant(integer);
    // deg_t Res_x(f, f_x) is also at most d(d - 1) for a curve of total
    // degree d.
    slong d = 0;
    for (const auto &e : terms) d = std::max(d, static_cast<slong>(e->x + e->t));
    const slong bound = std::min(plan.degreeBound, d * (d - 1));
    plan.degreeBound = bound;
    // A factor of f that f_x shares is a repeated factor: the resultant is
    // identically zero. Over Q(i) (I a variable) a common factor of f and
    // f_x shows in their gcd only when it is defined over Q, so the test
    // on the resultant below stays the final word. A curve of huge degree,
    // refused by its bound below, skips the gcd: x^65185193*t would take
    // minutes and gigabytes there.
    if (!complex && (bound <= maxBranchDegree || d <= gcdDegreeLimit)) {
        Mpoly g(ctx);
        if (fmpz_mpoly_gcd(g.p, f.p, fx.p, ctx.ctx) && fmpz_mpoly_degree_si(g.p, 0, ctx.ctx) > 0)
            abandonForRepeatedFactor();
    }
    // Beyond the limit the bound may still be far above the truth: the
    // image modulo one prime gives the degree (it can only fall there, when
    // the prime divides the leading coefficient), and the exact result
    // below is checked again.
    const double perPrime = plan.cost / static_cast<double>(plan.primes);
    if (bound > maxBranchDegree) {
        slong reached = bound;
        if (perPrime <= maxEliminationCost / 4.0) {
            ResultantPlan one = plan;
            one.primes = 1;
            FmpzPolyHolder a, b;
            modularResultant(integer, one, a.p, b.p);
            reached = std::max(fmpz_poly_degree(a.p), fmpz_poly_degree(b.p));
        }
        if (reached > maxBranchDegree)
            abandon("The curve is too large: its branch polynomial " +
                        std::string(reached == bound ? "may reach" : "reaches") + " degree " +
                        std::to_string(reached) + ", " + std::to_string(reached - maxBranchDegree) +
                        " above the limit of " + std::to_string(maxBranchDegree) + ".",
                    "Re-input a polynomial of lower degree in either variable");
    }
    if (plan.cost > maxEliminationCost)
        abandon("The curve is too large for exact elimination: degree " + std::to_string(n) +
                    " in the fiber variable, branch polynomial of degree up to " + std::to_string(bound) +
                    " with coefficients of up to " + std::to_string(static_cast<long>(plan.bits)) +
                    " bits; its estimated cost of " + costText(plan.cost) + " word operations is " +
                    costText(plan.cost / maxEliminationCost) + " times the limit of " +
                    costText(maxEliminationCost) + ".",
                "Re-input a polynomial of lower degree or with shorter coefficients");

    FmpzPolyHolder resultRe, resultIm;
    modularResultant(integer, plan, resultRe.p, resultIm.p);
    GaussPoly out;
    fmpq_poly_set_fmpz_poly(out.re(), resultRe.p);
    fmpq_poly_scalar_div_fmpz(out.re(), out.re(), denominator.v);
    fmpq_poly_set_fmpz_poly(out.im(), resultIm.p);
    fmpq_poly_scalar_div_fmpz(out.im(), out.im(), denominator.v);
    if (out.isZero()) abandonForRepeatedFactor();
    return out;
}

namespace {

// A dense polynomial of degree beyond maxBranchDegree belongs to a curve
// Go refuses anyway (every root of the leading coefficient is a branch
// locus); it is refused before its dense form is built (t^65185193 would
// take gigabytes and minutes).
void refuseHighDegree(slong n) {
    if (n > maxBranchDegree)
        abandon("The curve is too large: its leading coefficient has degree " + std::to_string(n) +
                    ", above the limit of " + std::to_string(maxBranchDegree) + ".",
                "Re-input a polynomial of lower degree in either variable");
}

}  // namespace

GaussPoly leadingCoefficient(const ExactPolynomial &curve) {
    const GaussMpoly &g = curve.data().value;
    const slong n = g.degree(0);
    slong m = 0;
    g.forEachTerm([&](const ulong *exps, const fmpq *, const fmpq *) {
        if (static_cast<slong>(exps[0]) == n) m = std::max(m, static_cast<slong>(exps[1]));
    });
    refuseHighDegree(m);
    GaussPoly out;
    Rational a, b;
    g.forEachTerm([&](const ulong *exps, const fmpq *re, const fmpq *im) {
        if (static_cast<slong>(exps[0]) != n) return;
        out.coefficient(a.v, b.v, static_cast<slong>(exps[1]));
        fmpq_add(a.v, a.v, re);
        fmpq_add(b.v, b.v, im);
        out.setCoefficient(static_cast<slong>(exps[1]), a.v, b.v);
    });
    return out;
}

GaussPoly univariateOf(const ExactPolynomial &p) {
    refuseHighDegree(p.data().value.degree(0));
    GaussPoly out;
    Rational a, b;
    p.data().value.forEachTerm([&](const ulong *exps, const fmpq *re, const fmpq *im) {
        out.coefficient(a.v, b.v, static_cast<slong>(exps[0]));
        fmpq_add(a.v, a.v, re);
        fmpq_add(b.v, b.v, im);
        out.setCoefficient(static_cast<slong>(exps[0]), a.v, b.v);
    });
    return out;
}

}  // namespace quorvel::exact
