// The curve expanded about a point of the parameter plane, exactly.
//
// With D the common denominator of the curve's coefficients, D f is a sum of
// x^j (a_j(t)) with a_j in Z[i][t]. A double centre is exactly
// c = (A + B i) / 2^k with integers A, B. For one row a of degree m,
//   2^(k m) a(c + s) = H(A + B i + 2^k s),   H(y) = sum_l a_l 2^(k (m - l)) y^l,
// so the row needs only a Taylor shift of an integer polynomial by the
// Gaussian integer A + B i: a shift by A, then, with y = i z, a shift by B
// of H(i z), turned back by z = -i y. FLINT shifts integer polynomials by
// integers in O(m^2) additions; nothing is rounded before the end.
#include <arf.h>
#include <flint/fmpz_poly.h>

#include <cmath>
#include <map>
#include <string>

#include "engine/error.h"
#include "engine/exact.h"
#include "engine/exact_curve.h"
#include "engine/exact_mpoly.h"
#include "engine/exact_poly.h"

namespace quorvel::exact {

namespace {

[[noreturn]] void abandon(const std::string &message, const std::string &remedy) {
    showError(message, remedy);
    throw ComputationAbandoned(message);
}

struct IntegerPoly {
    fmpz_poly_t p;
    IntegerPoly() { fmpz_poly_init(p); }
    ~IntegerPoly() { fmpz_poly_clear(p); }
    IntegerPoly(const IntegerPoly &) = delete;
    IntegerPoly &operator=(const IntegerPoly &) = delete;
};

struct Integer {
    fmpz_t v;
    Integer() { fmpz_init(v); }
    ~Integer() { fmpz_clear(v); }
    Integer(const Integer &) = delete;
    Integer &operator=(const Integer &) = delete;
};

// One power of x: its coefficient in t, times D, as integer real and
// imaginary parts; after the shift, its coefficients in s times
// D 2^(k m), m the row's degree.
struct Row {
    IntegerPoly re, im;
    slong degree() const { return std::max(fmpz_poly_degree(re.p), fmpz_poly_degree(im.p)); }
};

// v = m 2^e with an integer m, exactly.
void dyadic(double v, fmpz_t m, slong &e) {
    if (v == 0.0) {
        fmpz_zero(m);
        e = 0;
        return;
    }
    int exponent = 0;
    const double fraction = std::frexp(v, &exponent);
    fmpz_set_d(m, std::ldexp(fraction, 53));
    e = exponent - 53;
}

// The row times i^power for every coefficient l of degree l: power = +1
// multiplies coefficient l by i^l, power = -1 by (-i)^l.
void rotate(Row &row, int power) {
    Integer a, b;
    for (slong l = 0; l <= row.degree(); ++l) {
        const int q = static_cast<int>(((power > 0 ? l : -l) % 4 + 4) % 4);
        if (q == 0) continue;
        fmpz_poly_get_coeff_fmpz(a.v, row.re.p, l);
        fmpz_poly_get_coeff_fmpz(b.v, row.im.p, l);
        // (a + b i) i^q
        if (q == 1) {
            fmpz_neg(b.v, b.v);
            fmpz_poly_set_coeff_fmpz(row.re.p, l, b.v);
            fmpz_poly_set_coeff_fmpz(row.im.p, l, a.v);
        } else if (q == 2) {
            fmpz_neg(a.v, a.v);
            fmpz_neg(b.v, b.v);
            fmpz_poly_set_coeff_fmpz(row.re.p, l, a.v);
            fmpz_poly_set_coeff_fmpz(row.im.p, l, b.v);
        } else {
            fmpz_neg(a.v, a.v);
            fmpz_poly_set_coeff_fmpz(row.re.p, l, b.v);
            fmpz_poly_set_coeff_fmpz(row.im.p, l, a.v);
        }
    }
}

// The rows of D f(x, c + s): row j holds the coefficients of x^j s^r times
// D 2^(k m_j).
struct ShiftedCurve {
    Integer denominator;
    slong k = 0;
    std::map<slong, Row> rows;
};

void shift(const ExactPolynomial &curve, Complex centre, ShiftedCurve &out) {
    const GaussMpoly &f = curve.data().value;
    if (f.degree(2) > 0)
        abandon("It is not a polynomial with 2 variables.",
                "A third letter occurs: re-input the polynomial in two letters");
    const slong m = f.degree(1);
    if (m > maxBranchDegree)
        abandon("The curve is too large: degree " + std::to_string(m) + " in the parameter, above the limit of " +
                    std::to_string(maxBranchDegree) + ".",
                "Re-input a polynomial of lower degree in the parameter");
    if (!std::isfinite(centre.re) || !std::isfinite(centre.im))
        abandon("The point is not a finite number.", "Choose a finite point of the parameter plane");

    fmpz_one(out.denominator.v);
    f.forEachTerm([&](const ulong *, const fmpq *re, const fmpq *im) {
        fmpz_lcm(out.denominator.v, out.denominator.v, fmpq_denref(re));
        fmpz_lcm(out.denominator.v, out.denominator.v, fmpq_denref(im));
    });
    Integer c;
    f.forEachTerm([&](const ulong *e, const fmpq *re, const fmpq *im) {
        Row &row = out.rows[static_cast<slong>(e[0])];
        for (int part = 0; part < 2; ++part) {
            const fmpq *q = part == 0 ? re : im;
            if (fmpq_is_zero(q)) continue;
            fmpz_divexact(c.v, out.denominator.v, fmpq_denref(q));
            fmpz_mul(c.v, c.v, fmpq_numref(q));
            fmpz_poly_set_coeff_fmpz(part == 0 ? row.re.p : row.im.p, static_cast<slong>(e[1]), c.v);
        }
    });

    Integer a, b;
    slong ea = 0, eb = 0;
    dyadic(centre.re, a.v, ea);
    dyadic(centre.im, b.v, eb);
    out.k = 0;
    if (!fmpz_is_zero(a.v)) out.k = std::max(out.k, -ea);
    if (!fmpz_is_zero(b.v)) out.k = std::max(out.k, -eb);
    if (!fmpz_is_zero(a.v)) fmpz_mul_2exp(a.v, a.v, static_cast<ulong>(ea + out.k));
    if (!fmpz_is_zero(b.v)) fmpz_mul_2exp(b.v, b.v, static_cast<ulong>(eb + out.k));

    for (auto &[j, row] : out.rows) {
        const slong mj = row.degree();
        // H(y) = sum a_l 2^(k (mj - l)) y^l
        for (slong l = 0; l < mj; ++l) {
            const ulong bits = static_cast<ulong>(out.k * (mj - l));
            fmpz_poly_get_coeff_fmpz(c.v, row.re.p, l);
            fmpz_mul_2exp(c.v, c.v, bits);
            fmpz_poly_set_coeff_fmpz(row.re.p, l, c.v);
            fmpz_poly_get_coeff_fmpz(c.v, row.im.p, l);
            fmpz_mul_2exp(c.v, c.v, bits);
            fmpz_poly_set_coeff_fmpz(row.im.p, l, c.v);
        }
        if (!fmpz_is_zero(a.v)) {
            fmpz_poly_taylor_shift(row.re.p, row.re.p, a.v);
            fmpz_poly_taylor_shift(row.im.p, row.im.p, a.v);
        }
        if (!fmpz_is_zero(b.v)) {
            rotate(row, 1);
            fmpz_poly_taylor_shift(row.re.p, row.re.p, b.v);
            fmpz_poly_taylor_shift(row.im.p, row.im.p, b.v);
            rotate(row, -1);
        }
        // Coefficient r of H(A + B i + u) multiplies u^r = 2^(k r) s^r:
        // it stands for x^j s^r times D 2^(k (mj - r)).
    }
}

}  // namespace

GaussPoly fiberPolynomial(const ExactPolynomial &curve, Complex t) {
    ShiftedCurve shifted;
    shift(curve, t, shifted);
    GaussPoly out;
    Integer scale, c;
    fmpq_t re, im;
    fmpq_init(re);
    fmpq_init(im);
    for (const auto &[j, row] : shifted.rows) {
        // The constant term in s: x^j times D 2^(k mj).
        const slong mj = std::max(fmpz_poly_degree(row.re.p), fmpz_poly_degree(row.im.p));
        fmpz_mul_2exp(scale.v, shifted.denominator.v, static_cast<ulong>(shifted.k * std::max<slong>(mj, 0)));
        fmpz_poly_get_coeff_fmpz(c.v, row.re.p, 0);
        fmpq_set_fmpz_frac(re, c.v, scale.v);
        fmpz_poly_get_coeff_fmpz(c.v, row.im.p, 0);
        fmpq_set_fmpz_frac(im, c.v, scale.v);
        out.setCoefficient(j, re, im);
    }
    fmpq_clear(re);
    fmpq_clear(im);
    return out;
}

}  // namespace quorvel::exact

namespace quorvel {

std::vector<ChartTerm> curveChart(const ExactPolynomial &curve, Complex centre) {
    exact::ShiftedCurve shifted;
    exact::shift(curve, centre, shifted);
    std::vector<ChartTerm> out;
    arf_t value;
    arf_init(value);
    exact::Integer c;
    for (const auto &[j, row] : shifted.rows) {
        const slong mj = row.degree();
        for (slong r = 0; r <= mj; ++r) {
            double parts[2] = {0.0, 0.0};
            for (int part = 0; part < 2; ++part) {
                fmpz_poly_get_coeff_fmpz(c.v, part == 0 ? row.re.p : row.im.p, r);
                if (fmpz_is_zero(c.v)) continue;
                arf_fmpz_div_fmpz(value, c.v, shifted.denominator.v, 53, ARF_RND_NEAR);
                arf_mul_2exp_si(value, value, -shifted.k * (mj - r));
                parts[part] = arf_get_d(value, ARF_RND_NEAR);
            }
            const Complex z(parts[0], parts[1]);
            if (!isZero(z)) out.push_back({static_cast<int>(j), static_cast<int>(r), z});
        }
    }
    arf_clear(value);
    return out;
}

}  // namespace quorvel
