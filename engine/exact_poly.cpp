#include "engine/exact_poly.h"

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

namespace {

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
    fmpz_set_str(mantissa, digits.c_str(), 10);
    if (negative) fmpz_neg(mantissa, mantissa);
    Integer power;
    fmpz_set_ui(power, 10);
    fmpz_pow_ui(power, power, static_cast<ulong>(std::labs(exponent)));
    if (exponent >= 0) {
        fmpz_mul(fmpq_numref(out), mantissa, power);
        fmpz_one(fmpq_denref(out));
    } else {
        fmpz_set(fmpq_numref(out), mantissa);
        fmpz_set(fmpq_denref(out), power);
        fmpq_canonicalise(out);
    }
}

// ---- Gaussian rationals ------------------------------------------------------------

void add(GaussRational &out, const GaussRational &a, const GaussRational &b) {
    fmpq_add(out.re, a.re, b.re);
    fmpq_add(out.im, a.im, b.im);
}

void subtract(GaussRational &out, const GaussRational &a, const GaussRational &b) {
    fmpq_sub(out.re, a.re, b.re);
    fmpq_sub(out.im, a.im, b.im);
}

void multiply(GaussRational &out, const GaussRational &a, const GaussRational &b) {
    Rational re, tmp;
    fmpq_mul(re, a.re, b.re);
    fmpq_mul(tmp, a.im, b.im);
    fmpq_sub(re, re, tmp);
    fmpq_mul(tmp, a.re, b.im);
    fmpq_addmul(tmp, a.im, b.re);
    fmpq_swap(out.re, re);
    fmpq_swap(out.im, tmp);
}

void invert(GaussRational &out, const GaussRational &a) {
    // 1 / (a + bi) = (a - bi) / (a^2 + b^2)
    Rational norm, tmp;
    fmpq_mul(norm, a.re, a.re);
    fmpq_mul(tmp, a.im, a.im);
    fmpq_add(norm, norm, tmp);
    fmpq_div(out.re, a.re, norm);
    fmpq_div(out.im, a.im, norm);
    fmpq_neg(out.im, out.im);
}

// ---- GaussPoly ----------------------------------------------------------------------

GaussPoly::GaussPoly(const GaussPoly &other) { *this = other; }

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

void GaussPoly::coefficient(GaussRational &c, long k) const {
    fmpq_poly_get_coeff_fmpq(c.re, re_, k);
    fmpq_poly_get_coeff_fmpq(c.im, im_, k);
}

void GaussPoly::setCoefficient(long k, const GaussRational &c) {
    fmpq_poly_set_coeff_fmpq(re_, k, c.re);
    fmpq_poly_set_coeff_fmpq(im_, k, c.im);
}

void integerParts(const GaussPoly &p, GaussIntegerPoly &out, fmpz_t d) {
    fmpz_lcm(d, fmpq_poly_denref(p.re()), fmpq_poly_denref(p.im()));
    RationalPoly scaled;
    fmpq_poly_scalar_mul_fmpz(scaled, p.re(), d);
    fmpq_poly_get_numerator(out.re, scaled);
    fmpq_poly_scalar_mul_fmpz(scaled, p.im(), d);
    fmpq_poly_get_numerator(out.im, scaled);
}

// ---- arithmetic over Q(i) -----------------------------------------------------------

namespace {

// p becomes c * p.
void scale(GaussPoly &p, const GaussRational &c) {
    GaussPoly out;
    RationalPoly tmp;
    fmpq_poly_scalar_mul_fmpq(out.re(), p.re(), c.re);
    fmpq_poly_scalar_mul_fmpq(tmp, p.im(), c.im);
    fmpq_poly_sub(out.re(), out.re(), tmp);
    fmpq_poly_scalar_mul_fmpq(out.im(), p.im(), c.re);
    fmpq_poly_scalar_mul_fmpq(tmp, p.re(), c.im);
    fmpq_poly_add(out.im(), out.im(), tmp);
    p = out;
}

void makeMonic(GaussPoly &p) {
    if (p.isZero()) return;
    GaussRational c;
    p.coefficient(c, p.degree());
    invert(c, c);
    scale(p, c);
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
    GaussRational inverseLead, lead, c, qk;
    b.coefficient(inverseLead, db);
    invert(inverseLead, inverseLead);
    while (!r.isZero() && r.degree() >= db) {
        const long k = r.degree() - db;
        r.coefficient(lead, r.degree());
        multiply(c, lead, inverseLead);
        q.coefficient(qk, k);
        add(qk, qk, c);
        q.setCoefficient(k, qk);
        GaussPoly step = b;
        scale(step, c);
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
    IntegerPoly numerator;
    fmpq_poly_get_numerator(numerator, p.re());
    Owned<fmpz_poly_factor_struct> fac;
    fmpz_poly_factor_squarefree(fac, numerator);
    for (slong k = 0; k < fac->num; ++k) {
        if (fmpz_poly_degree(fac->p + k) <= 0) continue;
        SquarefreeFactor f;
        fmpq_poly_set_fmpz_poly(f.factor.re(), fac->p + k);
        f.multiplicity = static_cast<int>(fac->exp[k]);
        out.push_back(f);
    }
    return out;
}

// ---- the resultant ----------------------------------------------------------------

namespace {

struct ExactTerm {
    ulong x = 0;
    ulong t = 0;
    GaussRational c;
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
        fmpq_set(e->c.re, re);
        fmpq_set(e->c.im, im);
        terms.push_back(std::move(e));
    });

    // Common denominator, then integer coefficients in Z[x, t] or Z[x, t, I].
    Integer denominator;
    fmpz_one(denominator);
    for (const auto &e : terms) {
        fmpz_lcm(denominator, denominator, fmpq_denref(e->c.re));
        fmpz_lcm(denominator, denominator, fmpq_denref(e->c.im));
    }
    const slong vars = complex ? 3 : 2;
    const Owned<fmpz_mpoly_ctx_struct> ctx(vars, ORD_LEX);
    // Every nonzero part of a term times the denominator: visit(term, part,
    // value) with part 0 for the real and 1 for the imaginary part.
    Integer c, old;
    const auto forEachIntegerPart = [&](const auto &visit) {
        for (const auto &e : terms)
            for (int part = 0; part < (complex ? 2 : 1); ++part) {
                const fmpq *q = part == 0 ? e->c.re : e->c.im;
                if (fmpq_is_zero(q)) continue;
                fmpz_divexact(c, denominator, fmpq_denref(q));
                fmpz_mul(c, c, fmpq_numref(q));
                visit(*e, part, c);
            }
    };
    Owned<fmpz_mpoly_struct> f(ctx), fx(ctx);
    forEachIntegerPart([&](const ExactTerm &e, int part, fmpz *value) {
        ulong exps[3] = {e.x, e.t, static_cast<ulong>(part)};
        fmpz_mpoly_get_coeff_fmpz_ui(old, f, exps, ctx);
        fmpz_add(value, value, old);
        fmpz_mpoly_set_coeff_fmpz_ui(f, value, exps, ctx);
    });
    fmpz_mpoly_derivative(fx, f, 0, ctx);

    const slong n = fmpz_mpoly_degree_si(f, 0, ctx);
    if (n <= 0)
        abandon("The curve does not contain its fiber variable.",
                "Re-input the polynomial with the fiber variable");
    // One Sylvester determinant of order 2n - 1, modulo one prime at one
    // point, costs n^2 word operations at least: a fiber degree whose square
    // alone passes the limit is refused before anything of size n is built.
    const double leastCost = static_cast<double>(n) * static_cast<double>(n);
    if (leastCost > maxEliminationCost)
        abandon("The curve is too large for exact elimination: degree " + std::to_string(n) +
                    " in the fiber variable; its estimated cost of at least " + costText(leastCost) +
                    " word operations is " + costText(leastCost / maxEliminationCost) + " times the limit of " +
                    costText(maxEliminationCost) + ".",
                "Re-input a polynomial of lower degree or with shorter coefficients");
    // Every step after this one (the fiber, the charts of the tracer) holds
    // the curve densely in t and refuses a degree in t above the limit: the
    // dense form here, (n + 1)(m + 1) coefficients, is never built for one.
    slong m = 0;
    for (const auto &e : terms) m = std::max(m, static_cast<slong>(e->t));
    if (m > maxBranchDegree)
        abandon("The curve is too large: degree " + std::to_string(m) + " in the parameter, above the limit of " +
                    std::to_string(maxBranchDegree) + ".",
                "Re-input a polynomial of lower degree in the parameter");
    // The curve as polynomials in t, one for each power of x.
    IntegerCurve integer(n);
    forEachIntegerPart([&](const ExactTerm &e, int part, fmpz *value) {
        fmpz_poly_struct *to = (part == 0 ? integer.re : integer.im)[e.x];
        fmpz_poly_get_coeff_fmpz(old, to, static_cast<slong>(e.t));
        fmpz_add(value, value, old);
        fmpz_poly_set_coeff_fmpz(to, static_cast<slong>(e.t), value);
    });
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
        Owned<fmpz_mpoly_struct> g(ctx);
        if (fmpz_mpoly_gcd(g, f, fx, ctx) && fmpz_mpoly_degree_si(g, 0, ctx) > 0)
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
            GaussIntegerPoly image;
            modularResultant(integer, one, image);
            reached = image.degree();
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

    GaussIntegerPoly result;
    modularResultant(integer, plan, result);
    GaussPoly out;
    fmpq_poly_set_fmpz_poly(out.re(), result.re);
    fmpq_poly_scalar_div_fmpz(out.re(), out.re(), denominator);
    fmpq_poly_set_fmpz_poly(out.im(), result.im);
    fmpq_poly_scalar_div_fmpz(out.im(), out.im(), denominator);
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

// The coefficient of t^k of p grows by re + i im.
void addToCoefficient(GaussPoly &p, slong k, const fmpq *re, const fmpq *im) {
    GaussRational c;
    p.coefficient(c, k);
    fmpq_add(c.re, c.re, re);
    fmpq_add(c.im, c.im, im);
    p.setCoefficient(k, c);
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
    g.forEachTerm([&](const ulong *exps, const fmpq *re, const fmpq *im) {
        if (static_cast<slong>(exps[0]) == n) addToCoefficient(out, static_cast<slong>(exps[1]), re, im);
    });
    return out;
}

GaussPoly univariateOf(const ExactPolynomial &p) {
    refuseHighDegree(p.data().value.degree(0));
    GaussPoly out;
    p.data().value.forEachTerm([&](const ulong *exps, const fmpq *re, const fmpq *im) {
        addToCoefficient(out, static_cast<slong>(exps[0]), re, im);
    });
    return out;
}

}  // namespace quorvel::exact
