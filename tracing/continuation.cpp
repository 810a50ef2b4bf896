#include "tracing/continuation.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace quorvel {

namespace {

// Corrections beyond this (relative to 1 + |z|) count as divergence.
constexpr double divergence = 1e5;
// A corrector has converged when its last correction is at most this
// fraction of the point's distance to its nearest neighbour.
constexpr double resolved = 1e-7;
// Corrections this small relative to |z| are at rounding level.
constexpr double roundingLevel = 1e-14;
constexpr int maxCorrectorSteps = 60;
// A chart about a locus is used where t is this much closer to the locus
// than to 0: there the coefficients expanded about 0 have lost at least six
// bits to cancellation.
constexpr double chartReach = 1.0 / 64.0;

inline double abs2(Complex z) { return z.re * z.re + z.im * z.im; }
inline double absC(Complex z) { return std::sqrt(abs2(z)); }
inline bool finite(Complex z) { return std::isfinite(z.re) && std::isfinite(z.im); }

Complex power(Complex z, int e) {
    Complex r(1.0, 0.0);
    while (e > 0) {
        if (e & 1) r *= z;
        z *= z;
        e >>= 1;
    }
    return r;
}

// The product lead * prod_{j != i} (a - b_j) (with b_j = z_j) or
// lead * prod_{j != i} (1 - z_j a) (when `reversed`), as mantissa *
// 2^exponent: blocks of 16 factors are multiplied plainly and the mantissa
// is brought back near 1 only when it leaves [2^-600, 2^600].
struct ScaledProduct {
    double re = 1.0;
    double im = 0.0;
    int e = 0;
    void rescale() {
        const double big = std::max(std::fabs(re), std::fabs(im));
        if (big == 0.0 || !std::isfinite(big)) return;
        const int k = std::ilogb(big);
        re = std::ldexp(re, -k);
        im = std::ldexp(im, -k);
        e += k;
    }
    void check() {
        const double big = std::max(std::fabs(re), std::fabs(im));
        if (big > 0x1p600 || big < 0x1p-600) rescale();
    }
};

void multiplyRange(ScaledProduct &p, double ar, double ai, const double *zr, const double *zi, size_t from,
                   size_t to, bool reversed) {
    constexpr size_t block = 16;
    for (size_t start = from; start < to; start += block) {
        const size_t end = std::min(to, start + block);
        double pr = p.re, pi = p.im;
        if (!reversed) {
            for (size_t j = start; j < end; ++j) {
                const double fr = ar - zr[j], fi = ai - zi[j];
                const double r = pr * fr - pi * fi;
                pi = pr * fi + pi * fr;
                pr = r;
            }
        } else {
            for (size_t j = start; j < end; ++j) {
                const double fr = 1.0 - (zr[j] * ar - zi[j] * ai), fi = -(zr[j] * ai + zi[j] * ar);
                const double r = pr * fr - pi * fi;
                pi = pr * fi + pi * fr;
                pr = r;
            }
        }
        p.re = pr;
        p.im = pi;
        p.check();
    }
}

}  // namespace

CurveFunction::CurveFunction(const Term *curve) {
    std::vector<const Term *> stack;
    if (curve) stack.push_back(curve);
    while (!stack.empty()) {
        const Term *t = stack.back();
        stack.pop_back();
        if (t->left) stack.push_back(t->left);
        if (t->next) stack.push_back(t->next);
        if (t->coef.re == 0.0 && t->coef.im == 0.0) continue;
        terms_.push_back({t->exp[0], t->exp[1], t->coef});
    }
    if (terms_.empty()) return;
    degree_ = 0;
    low_ = std::numeric_limits<int>::max();
    for (const Monomial &m : terms_) {
        degree_ = std::max(degree_, m.x);
        low_ = std::min(low_, m.x);
    }
}

void CurveFunction::useCharts(const std::vector<Complex> &centres, ChartMaker maker) {
    charts_.reset();
    if (!maker || centres.empty() || terms_.empty()) return;
    charts_ = std::make_shared<Charts>();
    charts_->centres = centres;
    charts_->charts.resize(centres.size());
    charts_->maker = std::move(maker);
}

const CurveFunction::Chart *CurveFunction::chartNear(Complex t, Complex &centre) const {
    if (!charts_) return nullptr;
    size_t best = 0;
    double bestDistance = std::numeric_limits<double>::infinity();
    for (size_t k = 0; k < charts_->centres.size(); ++k) {
        const double d = abs2(t - charts_->centres[k]);
        if (d < bestDistance) {
            bestDistance = d;
            best = k;
        }
    }
    centre = charts_->centres[best];
    if (!(std::sqrt(bestDistance) < chartReach * absC(centre))) return nullptr;
    Chart &chart = charts_->charts[best];
    if (!chart.made) {
        chart.made = true;
        // The chart must describe the same curve: the same powers of x, the
        // same lowest power, finite coefficients.
        int top = -1, bottom = std::numeric_limits<int>::max();
        bool finiteTerms = true;
        for (const ChartTerm &c : charts_->maker(centre)) {
            if (c.coefficient.re == 0.0 && c.coefficient.im == 0.0) continue;
            finiteTerms = finiteTerms && finite(c.coefficient);
            top = std::max(top, c.xExponent);
            bottom = std::min(bottom, c.xExponent);
            chart.terms.push_back({c.xExponent, c.sExponent, c.coefficient});
        }
        chart.usable = finiteTerms && top == degree_ && bottom == low_;
    }
    return chart.usable ? &chart : nullptr;
}

void CurveFunction::coefficients(Complex t, std::vector<Complex> &a, std::vector<Complex> *da) const {
    Complex centre;
    if (const Chart *chart = chartNear(t, centre)) {
        evaluate(chart->terms, t - centre, a, da);
        return;
    }
    evaluate(terms_, t, a, da);
}

void CurveFunction::evaluate(const std::vector<Monomial> &terms, Complex t, std::vector<Complex> &a,
                             std::vector<Complex> *da) const {
    const size_t size = static_cast<size_t>(degree_ - low_ + 1);
    a.assign(size, Complex(0.0, 0.0));
    if (da) da->assign(size, Complex(0.0, 0.0));
    for (const Monomial &m : terms) {
        const size_t k = static_cast<size_t>(m.x - low_);
        if (m.t == 0) {
            a[k] += m.c;
            continue;
        }
        const Complex below = power(t, m.t - 1);
        a[k] += m.c * below * t;
        if (da) (*da)[k] += m.c * below * Complex(static_cast<double>(m.t), 0.0);
    }
}

void weierstrassQuotients(const std::vector<Complex> &c, Complex lead, const std::vector<Complex> &z,
                          std::vector<Complex> &out) {
    const size_t n = z.size();
    out.resize(n);
    thread_local std::vector<double> zr, zi, cr;
    zr.resize(n);
    zi.resize(n);
    for (size_t j = 0; j < n; ++j) {
        zr[j] = z[j].re;
        zi[j] = z[j].im;
    }
    auto coef = [&](size_t k) { return k < c.size() ? c[k] : Complex(0.0, 0.0); };
    // A sparse numerator (x^100 + t x + 1) is summed term by term with
    // powers by squaring instead of Horner's rule over every power.
    thread_local std::vector<size_t> nonzero;
    nonzero.clear();
    for (size_t k = 0; k <= n && k < c.size(); ++k)
        if (c[k].re != 0.0 || c[k].im != 0.0) nonzero.push_back(k);
    const bool sparse = nonzero.size() * 8 < n;
    auto sparseSum = [&](Complex x, bool reversed) {
        // sum c_k x^k, or sum c_k x^(n - k) when reversed, from the lowest power up
        Complex sum(0.0, 0.0);
        Complex raised(1.0, 0.0);
        size_t at = 0;
        for (size_t m = 0; m < nonzero.size(); ++m) {
            const size_t k = reversed ? nonzero[nonzero.size() - 1 - m] : nonzero[m];
            const size_t e = reversed ? n - k : k;
            raised *= power(x, static_cast<int>(e - at));
            at = e;
            sum += c[k] * raised;
        }
        return sum;
    };
    for (size_t i = 0; i < n; ++i) {
        const Complex zv = z[i];
        ScaledProduct prod;
        prod.re = lead.re;
        prod.im = lead.im;
        prod.rescale();
        Complex num;
        if (abs2(zv) <= 1.0) {
            if (sparse) {
                num = sparseSum(zv, false);
            } else {
                num = coef(n);
                for (size_t k = n; k-- > 0;) num = num * zv + coef(k);
            }
            multiplyRange(prod, zv.re, zv.im, zr.data(), zi.data(), 0, i, false);
            multiplyRange(prod, zv.re, zv.im, zr.data(), zi.data(), i + 1, n, false);
        } else {
            // f(z) / prod (z - z_j) = z g(u) / prod (1 - z_j u) with u = 1/z
            // and g the reversed polynomial: nothing grows like |z|^n.
            const Complex u = Complex(1.0, 0.0) / zv;
            if (sparse) {
                num = sparseSum(u, true);
            } else {
                num = coef(0);
                for (size_t k = 1; k <= n; ++k) num = num * u + coef(k);
            }
            num *= zv;
            multiplyRange(prod, u.re, u.im, zr.data(), zi.data(), 0, i, true);
            multiplyRange(prod, u.re, u.im, zr.data(), zi.data(), i + 1, n, true);
        }
        prod.rescale();
        Complex q = num / Complex(prod.re, prod.im);
        if (prod.e != 0) {
            q.re = std::ldexp(q.re, -prod.e);
            q.im = std::ldexp(q.im, -prod.e);
        }
        out[i] = q;
    }
}

void nearestSeparations(const std::vector<Complex> &z, std::vector<double> &out) {
    const size_t n = z.size();
    out.assign(n, std::numeric_limits<double>::max());
    for (size_t i = 0; i < n; ++i)
        for (size_t j = i + 1; j < n; ++j) {
            const double d = abs2(z[i] - z[j]);
            if (d < out[i]) out[i] = d;
            if (d < out[j]) out[j] = d;
        }
    for (double &d : out)
        if (d != std::numeric_limits<double>::max()) d = std::sqrt(d);
}

bool correctPoints(const std::vector<Complex> &a, std::vector<Complex> &z, bool &diverged, int *iterations) {
    diverged = false;
    const size_t n = z.size();
    if (iterations) *iterations = 0;
    if (n == 0) return true;
    if (a.size() != n + 1) {
        diverged = true;
        return false;
    }
    const Complex lead = a[n];
    if (lead.re == 0.0 && lead.im == 0.0) {
        diverged = true;
        return false;
    }
    thread_local std::vector<Complex> w;
    thread_local std::vector<double> sep;
    double previous = std::numeric_limits<double>::infinity();
    for (int it = 0; it < maxCorrectorSteps; ++it) {
        weierstrassQuotients(a, lead, z, w);
        if (iterations) ++*iterations;
        double largest = 0.0;   // largest correction relative to 1 + |z|
        double relative = 0.0;  // largest correction relative to |z|
        for (size_t i = 0; i < n; ++i) {
            if (!finite(w[i])) {
                diverged = true;
                return false;
            }
            const double c = absC(w[i]);
            const double m = absC(z[i]);
            largest = std::max(largest, c / (1.0 + m));
            relative = std::max(relative, m > 0.0 ? c / m : (c > 0.0 ? 1.0 : 0.0));
        }
        if (largest > divergence) {
            diverged = true;
            return false;
        }
        for (size_t i = 0; i < n; ++i) z[i] -= w[i];
        if (relative <= roundingLevel) return true;
        // Past the quadratic phase the corrections only wander at rounding
        // level: stop and judge the last one.
        if (it >= 2 && largest > 0.25 * previous) break;
        previous = largest;
    }
    nearestSeparations(z, sep);
    for (size_t i = 0; i < n; ++i)
        if (!(absC(w[i]) <= resolved * sep[i])) return false;
    return true;
}

void StepTracker::separations(const std::vector<Complex> &z, std::vector<double> &out) const {
    nearestSeparations(z, out);
    if (fixedZeros_ == 0) return;
    for (size_t i = 0; i < z.size(); ++i) out[i] = std::min(out[i], absC(z[i]));
}

void StepTracker::tangents(const CurveFunction &f, Complex t, const std::vector<Complex> &z,
                           std::vector<Complex> &v) {
    f.coefficients(t, a_, &da_);
    if (z.empty()) {
        v.clear();
        return;
    }
    weierstrassQuotients(da_, a_.back(), z, v);
    for (Complex &x : v) x = -x;
}

bool StepTracker::polish(const CurveFunction &f, Complex t, std::vector<Complex> &z) {
    f.coefficients(t, a_, nullptr);
    bool diverged = false;
    work_ = z;
    if (!correctPoints(a_, work_, diverged)) return false;
    z = work_;
    return true;
}

StepOutcome StepTracker::step(const CurveFunction &f, const std::vector<Complex> &x0,
                              const std::vector<Complex> &v0, Complex p0, Complex pm, Complex p1,
                              bool relaxed) {
    StepOutcome out;
    const size_t n = x0.size();
    if (n == 0) {
        out.accepted = true;
        return out;
    }
    double ratio = 0.0;
    const double allowance = allowance_;
    auto judge = [&](double error, double separation) {
        const double r = error / (allowance * separation);
        if (!(r <= ratio)) ratio = std::isnan(r) ? std::numeric_limits<double>::infinity() : r;
    };
    int spent = 0;

    // First half step: predict along the tangent, correct, and check that
    // every point landed near its own prediction.
    f.coefficients(pm, a_, &da_);
    const Complex hm = pm - p0;
    std::vector<Complex> &xm = out.middle;
    xm.resize(n);
    for (size_t i = 0; i < n; ++i) xm[i] = x0[i] + v0[i] * hm;
    pred_ = xm;
    bool diverged = false;
    if (!correctPoints(a_, xm, diverged, &spent)) {
        out.diverged = diverged;
        out.ratio = std::numeric_limits<double>::infinity();
        out.corrections = spent;
        return out;
    }
    out.corrections += spent;
    separations(xm, sepm_);
    for (size_t i = 0; i < n; ++i) judge(absC(xm[i] - pred_[i]), sepm_[i]);
    if (ratio > 1.0) {
        out.ratio = ratio;
        return out;
    }
    weierstrassQuotients(da_, a_.back(), xm, vm_);
    for (Complex &x : vm_) x = -x;

    // Second half step.
    f.coefficients(p1, a_, &da_);
    const Complex h1 = p1 - pm;
    out.end.resize(n);
    for (size_t i = 0; i < n; ++i) out.end[i] = xm[i] + vm_[i] * h1;
    pred_ = out.end;
    if (!correctPoints(a_, out.end, diverged, &spent)) {
        out.diverged = diverged;
        out.ratio = std::numeric_limits<double>::infinity();
        out.corrections += spent;
        return out;
    }
    out.corrections += spent;
    separations(out.end, sep1_);
    for (size_t i = 0; i < n; ++i) judge(absC(out.end[i] - pred_[i]), sep1_[i]);

    if (!relaxed) {
        // The whole step predicted at once must point at the same root.
        const Complex h = p1 - p0;
        for (size_t i = 0; i < n; ++i) judge(absC(x0[i] + v0[i] * h - out.end[i]), sep1_[i]);
        // The chords the braid is read from stay close to the motion.
        separations(x0, sep0_);
        for (size_t i = 0; i < n; ++i) {
            const double d = std::min({sep0_[i], sepm_[i], sep1_[i]});
            const Complex mid = (x0[i] + out.end[i]) * Complex(0.5, 0.0);
            judge(absC(xm[i] - mid), d);
        }
    }
    out.ratio = ratio;
    if (ratio > 1.0) return out;
    weierstrassQuotients(da_, a_.back(), out.end, out.tangent);
    for (Complex &x : out.tangent) x = -x;
    out.accepted = true;
    return out;
}

}  // namespace quorvel
