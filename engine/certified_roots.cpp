// Root isolation with interval arithmetic (arb). A polynomial is turned into
// a polynomial of complex balls at a working precision; arb's simultaneous
// iteration then gives n balls, and it proves that each holds exactly one
// root. The precision doubles until every root is isolated and known to
// certifiedAccuracy.
#include <acb_poly.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>

#include "engine/error.h"
#include "engine/exact.h"
#include "engine/exact_poly.h"

namespace quorvel::exact {

namespace {

inline constexpr slong firstPrecision = 64;
// The highest working precision tried for the loci (bits).
inline constexpr slong maxIsolationPrecision = 8192;

struct BallVector {
    acb_ptr v;
    slong n;
    explicit BallVector(slong count) : v(_acb_vec_init(count)), n(count) {}
    ~BallVector() { _acb_vec_clear(v, n); }
    BallVector(const BallVector &) = delete;
    BallVector &operator=(const BallVector &) = delete;
};

struct BallPolynomial {
    acb_poly_t p;
    BallPolynomial() { acb_poly_init(p); }
    ~BallPolynomial() { acb_poly_clear(p); }
    BallPolynomial(const BallPolynomial &) = delete;
    BallPolynomial &operator=(const BallPolynomial &) = delete;
};

double radiusOf(const acb_t z) {
    return std::max(mag_get_d(arb_radref(acb_realref(z))), mag_get_d(arb_radref(acb_imagref(z))));
}

Complex midpointOf(const acb_t z) {
    return Complex(arf_get_d(arb_midref(acb_realref(z)), ARF_RND_NEAR),
                   arf_get_d(arb_midref(acb_imagref(z)), ARF_RND_NEAR));
}

// A part far below the certified accuracy (the midpoint of a real root's
// ball has an imaginary part like 1e-60) is written as an exact 0; the value
// moves by less than a hundredth of its error bound.
Complex cleaned(Complex z) {
    const double tiny = 0.01 * certifiedAccuracy * std::max(1.0, std::hypot(z.re, z.im));
    if (std::fabs(z.re) < tiny) z.re = 0.0;
    if (std::fabs(z.im) < tiny) z.im = 0.0;
    return z;
}

bool accurateEnough(const acb_t z) {
    const Complex mid = midpointOf(z);
    const double scale = std::max(1.0, std::hypot(mid.re, mid.im));
    return radiusOf(z) <= certifiedAccuracy * scale;
}

// Starting points from the Newton polygon of the coefficients' moduli
// (Bini's choice for simultaneous iterations): each edge of the upper
// convex hull of (k, log2 |a_k|) from k = i to k = j stands for j - i roots
// of modulus about 2^-slope, put evenly on that circle. The iteration then
// starts at the right scale for every group of roots instead of spending
// its first rounds on finding it.
void newtonPolygonStart(const acb_poly_t poly, slong n, acb_ptr out) {
    std::vector<double> logs(static_cast<size_t>(n + 1));
    mag_t m;
    mag_init(m);
    for (slong k = 0; k <= n; ++k) {
        acb_get_mag(m, poly->coeffs + k);
        logs[static_cast<size_t>(k)] = mag_is_zero(m) ? -HUGE_VAL : mag_get_d_log2_approx(m);
    }
    mag_clear(m);
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

}  // namespace

// Isolates the n roots of the polynomial that `build` writes at a given
// precision. False when they could not be isolated up to maxPrecision (the
// polynomial is not squarefree, or its leading coefficient cannot be told
// from zero).
bool isolateBalls(slong n, const std::function<void(acb_poly_t, slong)> &build, slong maxPrecision,
                  std::vector<Complex> &out) {
    if (n <= 0) return true;
    BallPolynomial poly;
    BallVector roots(n), initial(n);
    bool haveInitial = false;
    for (slong prec = firstPrecision; prec <= maxPrecision; prec *= 2) {
        build(poly.p, prec);
        if (acb_poly_degree(poly.p) != n || acb_contains_zero(poly.p->coeffs + n)) continue;
        const slong maxIterations = std::min<slong>(std::max<slong>(n, 32), prec);
        if (!haveInitial) {
            newtonPolygonStart(poly.p, n, initial.v);
            haveInitial = true;
        }
        const slong isolated = acb_poly_find_roots(roots.v, poly.p, initial.v, maxIterations, prec);
        bool done = isolated == n;
        for (slong k = 0; done && k < n; ++k) done = accurateEnough(roots.v + k);
        if (done) {
            for (slong k = 0; k < n; ++k) out.push_back(cleaned(midpointOf(roots.v + k)));
            return true;
        }
        _acb_vec_set(initial.v, roots.v, n);
        haveInitial = true;
    }
    return false;
}

void isolateRoots(const GaussPoly &p, std::vector<Root> &out) {
    const slong n = p.degree();
    fmpq_t a, b;
    fmpq_init(a);
    fmpq_init(b);
    acb_t c;
    acb_init(c);
    auto build = [&](acb_poly_t poly, slong prec) {
        acb_poly_zero(poly);
        for (slong k = 0; k <= n; ++k) {
            p.coefficient(a, b, k);
            arb_set_fmpq(acb_realref(c), a, prec);
            arb_set_fmpq(acb_imagref(c), b, prec);
            acb_poly_set_coeff_acb(poly, k, c);
        }
    };
    std::vector<Complex> values;
    // A squarefree polynomial with exact coefficients always isolates; the
    // precision only has to outgrow the closest pair of roots. Loci closer
    // than that precision can tell apart (curves with coefficients far
    // apart in size can put two of them 1e-250 apart) are a stated limit.
    const bool ok = isolateBalls(n, build, maxIsolationPrecision, values);
    acb_clear(c);
    fmpq_clear(a);
    fmpq_clear(b);
    if (!ok) {
        showError("The branch loci could not be told apart with " + std::to_string(maxIsolationPrecision) +
                      "-bit arithmetic: some of them lie closer together than that.",
                  "Re-input the polynomial with coefficients closer in size");
        throw ComputationAbandoned("roots not isolated");
    }
    for (const Complex &v : values) out.push_back({v, 1});
}

}  // namespace quorvel::exact
