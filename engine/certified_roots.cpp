// Root isolation with interval arithmetic (arb). Each squarefree factor is
// turned into a polynomial of complex balls at a working precision; arb's
// simultaneous iteration gives one ball per root and proves that each holds
// exactly one. The precision of a factor doubles until every ball pins its
// root down to the nearest double (radius below 2^-53 of its modulus) and
// every two balls, of this factor or another, lie apart by more than
// sixteen times their radii: then distinct roots, however close, are
// distinct points whose distance is known to a few percent. A root 0 is
// split off exactly and stays exactly 0.
//
// arb's arb_fmpz_poly_complex_roots does the same for integer polynomials,
// but it doubles its precision without a work limit (loci 1e-250 apart
// would be followed to the end instead of refused), and starting from the
// unit circle without the Newton polygon and the centring below it took
// up to 25 times as long on bench_elimination's root benchmarks.
#include <acb_poly.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/exact_poly.h"

namespace quorvel::exact {

namespace {

inline constexpr slong firstPrecision = 64;
// Relative accuracy of every ball, in bits: its double is the root's
// nearest double or next to it.
inline constexpr slong accuracyBits = 54;
// Two balls count as apart when the distance of their midpoints exceeds
// this many times the sum of their radii.
inline constexpr int separationFactor = 16;
// The work of one isolation, in products of 64-bit words (see isolate):
// about two seconds. A polynomial whose roots need more (a cluster of roots
// 1e-250 apart) is given up with the precision reached.
inline constexpr double isolationWorkLimit = 1.0e8;
inline constexpr slong refineIterations = 8;

// Starting points from the Newton polygon of the coefficients' moduli
// (Bini's choice for simultaneous iterations): each edge of the upper
// convex hull of (k, log2 |a_k|) from k = i to k = j stands for j - i roots
// of modulus about 2^-slope, put evenly on that circle. The iteration then
// starts at the right scale for every group of roots instead of spending
// its first rounds on finding it.
void newtonPolygonStart(const acb_poly_t poly, slong n, acb_ptr out) {
    std::vector<double> logs(static_cast<size_t>(n + 1));
    Owned<mag_struct> m;
    for (slong k = 0; k <= n; ++k) {
        acb_get_mag(m, poly->coeffs + k);
        logs[static_cast<size_t>(k)] = mag_is_zero(m) ? -HUGE_VAL : mag_get_d_log2_approx(m);
    }
    std::vector<slong> hull;
    for (slong k = 0; k <= n; ++k) {
        if (logs[static_cast<size_t>(k)] == -HUGE_VAL) continue;
        while (hull.size() >= 2) {
            const slong a = hull[hull.size() - 2], b = hull.back();
            const double la = logs[static_cast<size_t>(a)], lb = logs[static_cast<size_t>(b)],
                         lk = logs[static_cast<size_t>(k)];
            // b lies on or below the chord from a to k: not a hull vertex.
            if ((lb - la) * static_cast<double>(k - a) <= (lk - la) * static_cast<double>(b - a))
                hull.pop_back();
            else
                break;
        }
        hull.push_back(k);
    }
    slong filled = 0;
    // Roots at 0 of the lowest hull vertex's order.
    for (; filled < hull.front(); ++filled) acb_zero(out + filled);
    const double twoPi = 6.283185307179586;
    for (size_t e = 1; e < hull.size(); ++e) {
        const slong i = hull[e - 1], j = hull[e];
        const double log2r = (logs[static_cast<size_t>(i)] - logs[static_cast<size_t>(j)]) / static_cast<double>(j - i);
        const double r = std::exp2(std::clamp(log2r, -1000.0, 1000.0));
        for (slong k = 0; k < j - i; ++k, ++filled) {
            const double angle = twoPi * (static_cast<double>(k) / static_cast<double>(j - i)) + 0.7 * static_cast<double>(e) + 0.4;
            acb_set_d_d(out + filled, r * std::cos(angle), r * std::sin(angle));
        }
    }
    for (; filled < n; ++filled) acb_set_d_d(out + filled, 1.0, 0.0);
}

// The roots of one squarefree factor other than 0, and the precision they
// were found at. When the factor's roots lie round a centre far from 0
// ((x+1)^200 - 1/2), the factor is isolated in y = 2^shiftBits x - shift,
// where its coefficients no longer cancel: poly is then the factor in y,
// and the balls are always those of x.
struct FactorRoots {
    GaussPoly poly;
    int multiplicity = 1;
    bool zeroRoot = false;
    slong precision = firstPrecision;
    std::vector<Ball> balls;
    Integer shift;
    slong shiftBits = 0;
};

// The bits that evaluating p near its roots loses to cancellation, as the
// coefficients' sizes predict it: the largest term against the leading one
// at the geometric mean of the roots' moduli. Infinite when p(0) = 0.
double cancellationBits(const GaussPoly &p) {
    const slong n = p.degree();
    std::vector<double> logs(static_cast<size_t>(n + 1), -HUGE_VAL);
    GaussRational c;
    Owned<arb_struct> m, tmp;
    for (slong k = 0; k <= n; ++k) {
        p.coefficient(c, k);
        if (c.isZero()) continue;
        arb_set_fmpq(m, c.re, 32);
        arb_abs(m, m);
        arb_set_fmpq(tmp, c.im, 32);
        arb_abs(tmp, tmp);
        arb_add(m, m, tmp, 32);
        arb_log_base_ui(m, m, 2, 32);
        logs[static_cast<size_t>(k)] = arf_get_d(arb_midref(m), ARF_RND_NEAR);
    }
    if (logs[0] == -HUGE_VAL) return HUGE_VAL;
    const double log2rho = (logs[0] - logs[static_cast<size_t>(n)]) / static_cast<double>(n);
    double top = -HUGE_VAL;
    for (slong k = 0; k <= n; ++k) top = std::max(top, logs[static_cast<size_t>(k)] + static_cast<double>(k) * log2rho);
    return top - (logs[static_cast<size_t>(n)] + static_cast<double>(n) * log2rho);
}

// Moves the factor to its centre when that makes it lose fewer bits.
void centre(FactorRoots &f) {
    const slong n = f.poly.degree();
    if (n < 2) return;
    // Real part of -a_{n-1} / (n a_n).
    GaussRational c;
    f.poly.coefficient(c, n);
    Owned<arb_struct> lr, li, nr, ni, num, den;
    arb_set_fmpq(lr, c.re, 64);
    arb_set_fmpq(li, c.im, 64);
    f.poly.coefficient(c, n - 1);
    arb_set_fmpq(nr, c.re, 64);
    arb_set_fmpq(ni, c.im, 64);
    arb_mul(num, nr, lr, 64);
    arb_addmul(num, ni, li, 64);
    arb_mul(den, lr, lr, 64);
    arb_addmul(den, li, li, 64);
    arb_mul_si(den, den, -n, 64);
    arb_div(num, num, den, 64);
    const double centreValue = arf_get_d(arb_midref(num), ARF_RND_NEAR);
    if (!std::isfinite(centreValue) || std::fabs(centreValue) < 0x1p-4 || std::fabs(centreValue) > 0x1p40) return;
    const slong bits = 4;
    const double before = cancellationBits(f.poly);
    if (before < 24.0) return;
    // Integer parts over a common denominator, y = 2^bits x - shift.
    Integer shift, common;
    fmpz_set_si(shift, std::lround(std::ldexp(centreValue, bits)));
    GaussIntegerPoly parts;
    integerParts(f.poly, parts, common);
    GaussPoly moved;
    for (int part = 0; part < 2; ++part) {
        fmpz_poly_struct *q = part == 0 ? parts.re : parts.im;
        // 2^(bits (n - j)) a_j: the polynomial 2^(bits n) p(y / 2^bits).
        for (slong j = 0; j < fmpz_poly_length(q); ++j)
            fmpz_mul_2exp(q->coeffs + j, q->coeffs + j, static_cast<ulong>(bits * (n - j)));
        fmpz_poly_taylor_shift(q, q, shift);
        fmpq_poly_set_fmpz_poly(part == 0 ? moved.re() : moved.im(), q);
    }
    if (cancellationBits(moved) + 8.0 >= before) return;
    f.poly = moved;
    fmpz_set(f.shift, shift);
    f.shiftBits = bits;
}

// x from y = 2^shiftBits x - shift, and back.
void toX(const FactorRoots &f, acb_t z) {
    if (f.shiftBits == 0) return;
    arb_add_fmpz(acb_realref(z), acb_realref(z), f.shift, ARF_PREC_EXACT);
    acb_mul_2exp_si(z, z, -f.shiftBits);
}
void toY(const FactorRoots &f, acb_t z) {
    if (f.shiftBits == 0) return;
    acb_mul_2exp_si(z, z, f.shiftBits);
    arb_sub_fmpz(acb_realref(z), acb_realref(z), f.shift, ARF_PREC_EXACT);
}

void ballPolynomial(const GaussPoly &p, acb_poly_t out, slong prec) {
    const slong n = p.degree();
    GaussRational q;
    Ball c;
    acb_poly_zero(out);
    for (slong k = 0; k <= n; ++k) {
        p.coefficient(q, k);
        arb_set_fmpq(acb_realref(c), q.re, prec);
        arb_set_fmpq(acb_imagref(c), q.im, prec);
        acb_poly_set_coeff_acb(out, k, c);
    }
}

// Isolates the factor's roots at its precision, doubling the precision
// until each ball holds one root to the relative accuracy; false when
// maxPrecision does not suffice. Earlier balls are the starting points.
bool isolate(FactorRoots &f, slong maxPrecision, double &work) {
    const slong n = f.poly.degree();
    if (n <= 0) return true;
    Owned<acb_poly_struct> poly;
    OwnedVector<acb_struct> roots(n), initial(n);
    bool haveInitial = !f.balls.empty();
    // Isolated roots that only lack accuracy converge quadratically: a few
    // iterations at the higher precision settle them.
    bool refining = haveInitial;
    for (slong k = 0; haveInitial && k < n; ++k) {
        acb_set(initial + k, f.balls[static_cast<size_t>(k)]);
        toY(f, initial + k);
    }
    for (; f.precision <= maxPrecision; f.precision *= 2) {
        const slong prec = f.precision;
        ballPolynomial(f.poly, poly, prec);
        if (acb_poly_degree(poly) != n || acb_contains_zero(poly->coeffs + n)) continue;
        const slong maxIterations = refining ? refineIterations : std::min<slong>(std::max<slong>(n, 32), prec);
        // Each iteration evaluates the polynomial at every root: n^2
        // products of prec bits. Past the budget the roots are given up.
        const double attempt = static_cast<double>(maxIterations) * static_cast<double>(n) * static_cast<double>(n) *
                               (1.0 + std::pow(static_cast<double>(prec) / 64.0, 1.6));
        if (work > 0.0 && work + attempt > isolationWorkLimit) return false;
        work += attempt;
        if (!haveInitial) {
            newtonPolygonStart(poly, n, initial.get());
            haveInitial = true;
        }
        const slong isolated = acb_poly_find_roots(roots.get(), poly, initial.get(), maxIterations, prec);
        _acb_vec_set(initial.get(), roots.get(), n);
        for (slong k = 0; k < n; ++k) toX(f, roots + k);
        bool done = isolated == n;
        refining = done;
        for (slong k = 0; done && k < n; ++k) done = acb_rel_accuracy_bits(roots + k) >= accuracyBits;
        if (done) {
            f.balls.resize(static_cast<size_t>(n));
            for (slong k = 0; k < n; ++k) acb_set(f.balls[static_cast<size_t>(k)], roots + k);
            return true;
        }
    }
    return false;
}

// The two balls lie apart by more than separationFactor times their radii.
bool apart(const acb_t a, const acb_t b) {
    // A quick look in doubles settles pairs far apart compared with the
    // relative accuracy of both balls.
    const double ar = arf_get_d(arb_midref(acb_realref(a)), ARF_RND_NEAR),
                 ai = arf_get_d(arb_midref(acb_imagref(a)), ARF_RND_NEAR),
                 br = arf_get_d(arb_midref(acb_realref(b)), ARF_RND_NEAR),
                 bi = arf_get_d(arb_midref(acb_imagref(b)), ARF_RND_NEAR);
    const double size = std::hypot(ar, ai) + std::hypot(br, bi);
    if (std::isnormal(size) && std::hypot(ar - br, ai - bi) > 0x1p-40 * size) return true;
    Ball d;
    acb_sub(d, a, b, ARF_PREC_EXACT);
    Owned<arf_struct> lower, radius;
    acb_get_abs_lbound_arf(lower, d, 64);
    acb_get_rad_ubound_arf(radius, d, 64);
    arf_mul_ui(radius, radius, separationFactor - 1, 64, ARF_RND_UP);
    return arf_cmp(lower, radius) > 0;
}

// A part of the midpoint inside its own radius (the ball contains the real
// or the imaginary axis) is written as an exact 0: it moves the value by
// less than the radius. For a real polynomial this is proven right, not
// only close: a root off the axis would have its conjugate within four
// radii, and no two balls lie that close.
Complex valueOf(const acb_t z) {
    Complex v(arf_get_d(arb_midref(acb_realref(z)), ARF_RND_NEAR),
              arf_get_d(arb_midref(acb_imagref(z)), ARF_RND_NEAR));
    if (arb_contains_zero(acb_realref(z))) v.re = 0.0;
    if (arb_contains_zero(acb_imagref(z))) v.im = 0.0;
    return v;
}

}  // namespace

bool isolateFactors(const std::vector<SquarefreeFactor> &factors, slong maxPrecision, std::vector<Root> &out,
                     slong *reached) {
    double effort = 0.0;
    std::vector<FactorRoots> work(factors.size());
    for (size_t k = 0; k < factors.size(); ++k) {
        FactorRoots &f = work[k];
        f.poly = factors[k].factor;
        f.multiplicity = factors[k].multiplicity;
        GaussRational c;
        f.poly.coefficient(c, 0);
        f.zeroRoot = f.poly.degree() > 0 && c.isZero();
        if (f.zeroRoot) {
            fmpq_poly_shift_right(f.poly.re(), f.poly.re(), 1);
            fmpq_poly_shift_right(f.poly.im(), f.poly.im(), 1);
        }
        if (f.poly.degree() <= 0) continue;
        centre(f);
    }
    std::vector<bool> pending(work.size(), true);
    Ball zero;
    for (;;) {
        for (size_t k = 0; k < work.size(); ++k)
            if (pending[k] && !isolate(work[k], maxPrecision, effort)) {
                if (reached) *reached = std::max(firstPrecision, work[k].precision / 2);
                return false;
            }
        // Every pair of roots, within a factor and across factors.
        struct Entry {
            size_t factor;
            const acb_struct *ball;
        };
        std::vector<Entry> all;
        for (size_t k = 0; k < work.size(); ++k) {
            if (work[k].zeroRoot) all.push_back({k, zero});
            for (const Ball &b : work[k].balls) all.push_back({k, b});
        }
        std::fill(pending.begin(), pending.end(), false);
        bool again = false;
        for (size_t i = 0; i < all.size(); ++i)
            for (size_t j = i + 1; j < all.size(); ++j)
                if (!apart(all[i].ball, all[j].ball)) {
                    pending[all[i].factor] = pending[all[j].factor] = true;
                    again = true;
                }
        if (!again) break;
        for (size_t k = 0; k < work.size(); ++k)
            if (pending[k]) work[k].precision *= 2;
    }
    for (const FactorRoots &f : work) {
        if (f.zeroRoot) {
            Root &r = out.emplace_back();
            r.multiplicity = f.multiplicity;
        }
        for (const Ball &b : f.balls) {
            Root &r = out.emplace_back();
            r.value = valueOf(b);
            r.multiplicity = f.multiplicity;
            acb_set(r.ball, b);
        }
    }
    return true;
}

}  // namespace quorvel::exact
