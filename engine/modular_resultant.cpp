// Res_x(F, F_x) of a curve with integer (or Gaussian integer) coefficients
// by evaluation and interpolation in t modulo word-sized primes, joined by
// the Chinese remainder theorem. Every step works on machine words, so the
// cost is known before the work starts: the number of primes comes from a
// proven bound on the size of the coefficients, the number of points from a
// proven bound on the degree, and the work at each point is one resultant
// of two polynomials in x modulo a prime. A generic subresultant sequence
// over Z[t] has none of that: its intermediate coefficients can grow far
// beyond the result, and nothing tells in advance how far.
//
// Gaussian integers: for a prime p = 1 (mod 4), i has the two images s and
// -s modulo p (s^2 = -1); the two images of the resultant A + iB are
// A + sB and A - sB, from which A and B modulo p follow.
#include <flint/fmpz_poly.h>
#include <flint/nmod_poly.h>
#include <flint/nmod_vec.h>
#include <flint/ulong_extras.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/exact_poly.h"

namespace quorvel::exact {

namespace {

using NmodPoly = Owned<nmod_poly_struct>;

// log2 of a nonnegative integer, rounded up a little (0 for 0 and 1).
double log2Up(const fmpz_t x) {
    if (fmpz_cmp_ui(x, 1) <= 0) return 0.0;
    slong exponent = 0;
    const double mantissa = fmpz_get_d_2exp(&exponent, x);
    return std::log2(std::fabs(mantissa)) + static_cast<double>(exponent) + 1e-9 * static_cast<double>(exponent) + 1e-9;
}

// The 1-norm of the coefficient of x^j for |t| = 1: a bound on its modulus
// on the unit circle.
void oneNorm(fmpz_t out, const fmpz_poly_t re, const fmpz_poly_t im) {
    fmpz_zero(out);
    Integer a;
    for (slong k = 0; k < fmpz_poly_length(re); ++k) {
        fmpz_abs(a, re->coeffs + k);
        fmpz_add(out, out, a);
    }
    for (slong k = 0; k < fmpz_poly_length(im); ++k) {
        fmpz_abs(a, im->coeffs + k);
        fmpz_add(out, out, a);
    }
}

// log2 sqrt(sum_j (w_j * norm_j)^2) for the weights w_j (1, or j for the
// derivative).
double log2RowNorm(const std::vector<Integer> &norms, bool derivative) {
    Integer sum, term;
    for (size_t j = 0; j < norms.size(); ++j) {
        fmpz_mul_ui(term, norms[j], derivative ? static_cast<ulong>(j) : 1u);
        fmpz_addmul(sum, term, term);
    }
    return 0.5 * log2Up(sum);
}

// A proven bound on log2 |Res(t)| for |t| = 1 after shifting x by c (the
// resultant does not change when x moves): |Res| = |lc| |Disc| and Mahler's
// bound |Disc| <= n^n M^(2n-2) <= n^n ||f||_2^(2n-2).
double mahlerBound(const IntegerCurve &f, slong c) {
    const slong n = f.degree();
    std::vector<Integer> norms(static_cast<size_t>(n + 1));
    if (c == 0) {
        for (slong j = 0; j <= n; ++j) oneNorm(norms[static_cast<size_t>(j)], f.re[j], f.im[j]);
    } else {
        // The coefficient of t^k as a polynomial in x, shifted by c; the
        // norms gather |coefficient of x^j t^k| over k.
        slong m = 0;
        for (slong j = 0; j <= n; ++j) m = std::max({m, fmpz_poly_length(f.re[j]), fmpz_poly_length(f.im[j])});
        IntegerPoly column, shifted;
        Integer shift, a;
        fmpz_set_si(shift, c);
        for (int part = 0; part < 2; ++part) {
            for (slong k = 0; k < m; ++k) {
                fmpz_poly_zero(column);
                for (slong j = 0; j <= n; ++j) {
                    const fmpz_poly_struct *q = part == 0 ? f.re[j] : f.im[j];
                    if (k < fmpz_poly_length(q)) fmpz_poly_set_coeff_fmpz(column, j, q->coeffs + k);
                }
                if (fmpz_poly_is_zero(column)) continue;
                fmpz_poly_taylor_shift(shifted, column, shift);
                for (slong j = 0; j < fmpz_poly_length(shifted); ++j) {
                    fmpz_abs(a, shifted->coeffs + j);
                    fmpz_add(norms[static_cast<size_t>(j)], norms[static_cast<size_t>(j)], a);
                }
            }
        }
    }
    return log2Up(norms[static_cast<size_t>(n)]) + static_cast<double>(n) * std::log2(static_cast<double>(n)) +
           static_cast<double>(2 * n - 2) * log2RowNorm(norms, false);
}

}  // namespace

IntegerCurve::IntegerCurve(slong degree)
    : re(static_cast<size_t>(degree + 1)), im(static_cast<size_t>(degree + 1)) {}

ResultantPlan planResultant(const IntegerCurve &f) {
    ResultantPlan plan;
    const slong n = f.degree();
    plan.complex = false;
    std::vector<slong> e(static_cast<size_t>(n + 1), -1);
    slong m = 0;
    for (slong j = 0; j <= n; ++j) {
        e[static_cast<size_t>(j)] = std::max(fmpz_poly_degree(f.re[j]), fmpz_poly_degree(f.im[j]));
        m = std::max(m, e[static_cast<size_t>(j)]);
        plan.complex = plan.complex || !fmpz_poly_is_zero(f.im[j]);
    }
    plan.parameterDegree = m;

    // deg_t of the Sylvester determinant is at most the sum, over the rows
    // (or over the columns), of the highest degree in that row (column).
    slong maxF = 0, maxG = 0;
    for (slong j = 0; j <= n; ++j) {
        maxF = std::max(maxF, e[static_cast<size_t>(j)]);
        if (j >= 1) maxG = std::max(maxG, e[static_cast<size_t>(j)]);
    }
    const slong rows = (n - 1) * maxF + n * maxG;
    // The column sums take n^2 steps: beyond this degree the row sums stand
    // alone (such a curve is refused by its cost anyway).
    constexpr slong columnBoundDegree = 4096;
    slong columns = n <= columnBoundDegree ? 0 : rows;
    for (slong c = 0; n <= columnBoundDegree && c <= 2 * n - 2; ++c) {
        slong top = -1;
        for (slong i = std::max<slong>(0, c - n); i <= std::min(c, n - 2); ++i) top = std::max(top, e[static_cast<size_t>(n - (c - i))]);
        for (slong i = std::max<slong>(0, c - (n - 1)); i <= std::min(c, n - 1); ++i)
            top = std::max(top, e[static_cast<size_t>(n - (c - i))]);
        columns += std::max<slong>(top, 0);
    }
    plan.degreeBound = std::min(rows, columns);

    // Coefficients: every coefficient of Res(t) is at most max |Res| on the
    // unit circle (Cauchy), which Hadamard's bound on the Sylvester matrix
    // and Mahler's bound on the discriminant both hold. The latter is taken
    // about 0 and about the centre of the roots, where powers of (x - c)
    // have small coefficients.
    std::vector<Integer> norms(static_cast<size_t>(n + 1));
    for (slong j = 0; j <= n; ++j) oneNorm(norms[static_cast<size_t>(j)], f.re[j], f.im[j]);
    const double hadamard = static_cast<double>(n - 1) * log2RowNorm(norms, false) +
                            static_cast<double>(n) * log2RowNorm(norms, true);
    double bits = std::min(hadamard, mahlerBound(f, 0));
    if (!plan.complex && fmpz_poly_length(f.re[n]) == 1 && fmpz_poly_length(f.re[n - 1]) <= 1 && n >= 2) {
        // lc and the next coefficient free of t: the roots' centre is a
        // constant.
        Integer next;
        fmpz_poly_get_coeff_fmpz(next, f.re[n - 1], 0);
        const double centre = -fmpz_get_d(next) / (static_cast<double>(n) * fmpz_get_d(f.re[n]->coeffs));
        double shiftWork = static_cast<double>(n) * static_cast<double>(n) * static_cast<double>(m + 1);
        if (std::isfinite(centre) && std::fabs(centre) >= 0.5 && std::fabs(centre) < 1e6 && shiftWork < 4e6)
            bits = std::min(bits, mahlerBound(f, std::lround(centre)));
    }
    plan.bits = bits + 2.0;
    // Symmetric residues: the product of the primes must exceed 2^(bits+1).
    plan.primes = static_cast<slong>(std::ceil((plan.bits + 1.0) / 61.0)) + 1;
    const double points = static_cast<double>(plan.degreeBound + 1);
    const double perPoint = static_cast<double>(n) * static_cast<double>(n) +
                            static_cast<double>(n + 1) * static_cast<double>(m + 1);
    plan.cost = static_cast<double>(plan.primes) * points * (perPoint * (plan.complex ? 2.0 : 1.0) + 40.0) +
                static_cast<double>(plan.primes) * static_cast<double>(plan.primes) * points;
    return plan;
}

namespace {

// The values of every coefficient of F at the points, modulo p; the
// imaginary parts enter as s times their value.
void evaluateAll(const IntegerCurve &f, nmod_t mod, mp_limb_t s, const std::vector<mp_limb_t> &points,
                 std::vector<std::vector<mp_limb_t>> &values) {
    const slong n = f.degree();
    NmodPoly q(mod.n), imag(mod.n);
    values.assign(static_cast<size_t>(n + 1), std::vector<mp_limb_t>(points.size()));
    for (slong j = 0; j <= n; ++j) {
        fmpz_poly_get_nmod_poly(q, f.re[j]);
        if (!fmpz_poly_is_zero(f.im[j])) {
            fmpz_poly_get_nmod_poly(imag, f.im[j]);
            nmod_poly_scalar_mul_nmod(imag, imag, s);
            nmod_poly_add(q, q, imag);
        }
        std::vector<mp_limb_t> &out = values[static_cast<size_t>(j)];
        for (size_t k = 0; k < points.size(); ++k) out[k] = nmod_poly_evaluate_nmod(q, points[k]);
    }
}

// Res_x(F, F_x) modulo p at each point, F's x^j coefficient taken from
// values[j].
void resultantsAt(slong n, nmod_t mod, const std::vector<std::vector<mp_limb_t>> &values, size_t count,
                  std::vector<mp_limb_t> &out) {
    NmodPoly fp(mod.n), dp(mod.n);
    out.resize(count);
    for (size_t k = 0; k < count; ++k) {
        nmod_poly_zero(fp);
        nmod_poly_zero(dp);
        for (slong j = 0; j <= n; ++j) {
            const mp_limb_t v = values[static_cast<size_t>(j)][k];
            nmod_poly_set_coeff_ui(fp, j, v);
            if (j >= 1) nmod_poly_set_coeff_ui(dp, j - 1, nmod_mul(v, static_cast<mp_limb_t>(j) % mod.n, mod));
        }
        out[k] = n == 1 ? dp->coeffs[0] : nmod_poly_resultant(fp, dp);
    }
}

// The points 0, 1, 2, ... at which the leading coefficient (each image)
// does not vanish modulo p; empty when it vanishes identically (a prime
// that divides it is skipped).
std::vector<mp_limb_t> goodPoints(const IntegerCurve &f, nmod_t mod, mp_limb_t s, bool complex, slong count) {
    NmodPoly lc(mod.n), imag(mod.n), other(mod.n);
    const slong n = f.degree();
    fmpz_poly_get_nmod_poly(lc, f.re[n]);
    fmpz_poly_get_nmod_poly(imag, f.im[n]);
    nmod_poly_scalar_mul_nmod(imag, imag, s);
    nmod_poly_sub(other, lc, imag);
    nmod_poly_add(lc, lc, imag);
    std::vector<mp_limb_t> points;
    if (nmod_poly_is_zero(lc) || (complex && nmod_poly_is_zero(other))) return points;
    for (mp_limb_t t = 0; static_cast<slong>(points.size()) < count; ++t) {
        if (nmod_poly_evaluate_nmod(lc, t) == 0) continue;
        if (complex && nmod_poly_evaluate_nmod(other, t) == 0) continue;
        points.push_back(t);
    }
    return points;
}

}  // namespace

void modularResultant(const IntegerCurve &f, const ResultantPlan &plan, GaussIntegerPoly &out) {
    const slong n = f.degree();
    const slong count = plan.degreeBound + 1;
    fmpz_poly_struct *re = out.re, *im = out.im;
    fmpz_poly_zero(re);
    fmpz_poly_zero(im);
    Integer modulus;
    fmpz_one(modulus);
    mp_limb_t p = UWORD(1) << 62;
    std::vector<std::vector<mp_limb_t>> values;
    std::vector<mp_limb_t> plus, minus;
    for (slong used = 0; used < plan.primes; ++used) {
        do {
            p = n_nextprime(p, 1);
        } while (plan.complex && p % 4 != 1);
        nmod_t mod;
        nmod_init(&mod, p);
        const mp_limb_t s = plan.complex ? n_sqrtmod(p - 1, p) : 0;
        const std::vector<mp_limb_t> points = goodPoints(f, mod, s, plan.complex, count);
        if (points.empty()) {
            --used;
            continue;
        }
        evaluateAll(f, mod, s, points, values);
        resultantsAt(n, mod, values, points.size(), plus);
        NmodPoly a(p), b(p);
        if (plan.complex) {
            evaluateAll(f, mod, nmod_neg(s, mod), points, values);
            resultantsAt(n, mod, values, points.size(), minus);
            // A = (R+ + R-) / 2, B = (R+ - R-) / (2s).
            const mp_limb_t half = nmod_inv(2, mod), halfOverS = nmod_mul(half, nmod_inv(s, mod), mod);
            std::vector<mp_limb_t> realPart(points.size()), imagPart(points.size());
            for (size_t k = 0; k < points.size(); ++k) {
                realPart[k] = nmod_mul(nmod_add(plus[k], minus[k], mod), half, mod);
                imagPart[k] = nmod_mul(nmod_sub(plus[k], minus[k], mod), halfOverS, mod);
            }
            nmod_poly_interpolate_nmod_vec_fast(a, points.data(), realPart.data(), count);
            nmod_poly_interpolate_nmod_vec_fast(b, points.data(), imagPart.data(), count);
        } else {
            nmod_poly_interpolate_nmod_vec_fast(a, points.data(), plus.data(), count);
        }
        fmpz_poly_CRT_ui(re, re, modulus, a, 1);
        if (plan.complex) fmpz_poly_CRT_ui(im, im, modulus, b, 1);
        fmpz_mul_ui(modulus, modulus, p);
    }
}

}  // namespace quorvel::exact
