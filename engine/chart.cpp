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

// One power of x: its coefficient in t, times D, as integer real and
// imaginary parts; after the shift, its coefficients in s times
// D 2^(k m), m the row's degree.
using Row = GaussIntegerPoly;

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
        fmpz_poly_get_coeff_fmpz(a, row.re, l);
        fmpz_poly_get_coeff_fmpz(b, row.im, l);
        // (a + b i) i^q
        if (q == 1) {
            fmpz_neg(b, b);
            fmpz_poly_set_coeff_fmpz(row.re, l, b);
            fmpz_poly_set_coeff_fmpz(row.im, l, a);
        } else if (q == 2) {
            fmpz_neg(a, a);
            fmpz_neg(b, b);
            fmpz_poly_set_coeff_fmpz(row.re, l, a);
            fmpz_poly_set_coeff_fmpz(row.im, l, b);
        } else {
            fmpz_neg(a, a);
            fmpz_poly_set_coeff_fmpz(row.re, l, b);
            fmpz_poly_set_coeff_fmpz(row.im, l, a);
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

    fmpz_one(out.denominator);
    f.forEachTerm([&](const ulong *, const fmpq *re, const fmpq *im) {
        fmpz_lcm(out.denominator, out.denominator, fmpq_denref(re));
        fmpz_lcm(out.denominator, out.denominator, fmpq_denref(im));
    });
    Integer c;
    f.forEachTerm([&](const ulong *e, const fmpq *re, const fmpq *im) {
        Row &row = out.rows[static_cast<slong>(e[0])];
        for (int part = 0; part < 2; ++part) {
            const fmpq *q = part == 0 ? re : im;
            if (fmpq_is_zero(q)) continue;
            fmpz_divexact(c, out.denominator, fmpq_denref(q));
            fmpz_mul(c, c, fmpq_numref(q));
            fmpz_poly_set_coeff_fmpz(part == 0 ? row.re : row.im, static_cast<slong>(e[1]), c);
        }
    });

    Integer a, b;
    slong ea = 0, eb = 0;
    dyadic(centre.re, a, ea);
    dyadic(centre.im, b, eb);
    out.k = 0;
    if (!fmpz_is_zero(a)) out.k = std::max(out.k, -ea);
    if (!fmpz_is_zero(b)) out.k = std::max(out.k, -eb);
    if (!fmpz_is_zero(a)) fmpz_mul_2exp(a, a, static_cast<ulong>(ea + out.k));
    if (!fmpz_is_zero(b)) fmpz_mul_2exp(b, b, static_cast<ulong>(eb + out.k));

    for (auto &[j, row] : out.rows) {
        const slong mj = row.degree();
        // H(y) = sum a_l 2^(k (mj - l)) y^l
        for (slong l = 0; l < mj; ++l) {
            const ulong bits = static_cast<ulong>(out.k * (mj - l));
            fmpz_poly_get_coeff_fmpz(c, row.re, l);
            fmpz_mul_2exp(c, c, bits);
            fmpz_poly_set_coeff_fmpz(row.re, l, c);
            fmpz_poly_get_coeff_fmpz(c, row.im, l);
            fmpz_mul_2exp(c, c, bits);
            fmpz_poly_set_coeff_fmpz(row.im, l, c);
        }
        if (!fmpz_is_zero(a)) {
            fmpz_poly_taylor_shift(row.re, row.re, a);
            fmpz_poly_taylor_shift(row.im, row.im, a);
        }
        if (!fmpz_is_zero(b)) {
            rotate(row, 1);
            fmpz_poly_taylor_shift(row.re, row.re, b);
            fmpz_poly_taylor_shift(row.im, row.im, b);
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
    GaussRational value;
    for (const auto &[j, row] : shifted.rows) {
        // The constant term in s: x^j times D 2^(k mj).
        const slong mj = row.degree();
        fmpz_mul_2exp(scale, shifted.denominator, static_cast<ulong>(shifted.k * std::max<slong>(mj, 0)));
        fmpz_poly_get_coeff_fmpz(c, row.re, 0);
        fmpq_set_fmpz_frac(value.re, c, scale);
        fmpz_poly_get_coeff_fmpz(c, row.im, 0);
        fmpq_set_fmpz_frac(value.im, c, scale);
        out.setCoefficient(j, value);
    }
    return out;
}

}  // namespace quorvel::exact

namespace quorvel {

std::vector<ChartTerm> curveChart(const ExactPolynomial &curve, Complex centre) {
    exact::ShiftedCurve shifted;
    exact::shift(curve, centre, shifted);
    std::vector<ChartTerm> out;
    exact::Owned<arf_struct> value;
    exact::Integer c;
    for (const auto &[j, row] : shifted.rows) {
        const slong mj = row.degree();
        for (slong r = 0; r <= mj; ++r) {
            double parts[2] = {0.0, 0.0};
            for (int part = 0; part < 2; ++part) {
                fmpz_poly_get_coeff_fmpz(c, part == 0 ? row.re : row.im, r);
                if (fmpz_is_zero(c)) continue;
                arf_fmpz_div_fmpz(value, c, shifted.denominator, 53, ARF_RND_NEAR);
                arf_mul_2exp_si(value, value, -shifted.k * (mj - r));
                parts[part] = arf_get_d(value, ARF_RND_NEAR);
            }
            const Complex z(parts[0], parts[1]);
            if (!isZero(z)) out.push_back({static_cast<int>(j), static_cast<int>(r), z});
        }
    }
    return out;
}

}  // namespace quorvel
