#include "engine/ball_fiber.h"

#include <acb_poly.h>
#include <arf.h>

#include <algorithm>
#include <cmath>
#include <numeric>

#include "engine/exact_mpoly.h"

namespace quorvel {

namespace {

Complex half(Complex z) { return Complex(0.5 * z.re, 0.5 * z.im); }

// A double result of + - * / or sqrt is within 2^-53 of the exact value;
// comparisons of rounded quantities allow twice that on each side.
constexpr double roundingSlack = 0x1p-52;

// ρ rounded up to 20 significant bits, so that arb holds it exactly.
double roundUpShort(double r) {
    if (!(r > 0.0) || !std::isfinite(r)) return r;
    int e = 0;
    const double f = std::frexp(r, &e);
    return std::ldexp(std::ceil(std::ldexp(f, 20)), e - 20);
}

double midRe(const acb_t z) { return arf_get_d(arb_midref(acb_realref(z)), ARF_RND_NEAR); }
double midIm(const acb_t z) { return arf_get_d(arb_midref(acb_imagref(z)), ARF_RND_NEAR); }

double magOf(const acb_t z) {
    mag_t m;
    mag_init(m);
    acb_get_mag(m, z);
    const double d = mag_get_d(m);
    mag_clear(m);
    return d;
}

// Adds [-r, r] to both parts.
void widen(acb_t z, double r) {
    mag_t m;
    mag_init(m);
    mag_set_d(m, r);
    arb_add_error_mag(acb_realref(z), m);
    arb_add_error_mag(acb_imagref(z), m);
    mag_clear(m);
}

// The radius of the box part that rounding alone contributes.
double radiusOf(const acb_t z) {
    return std::max(mag_get_d(arb_radref(acb_realref(z))), mag_get_d(arb_radref(acb_imagref(z))));
}

class AcbVector {
public:
    explicit AcbVector(size_t n = 0) { resize(n); }
    ~AcbVector() {
        for (auto &z : v_) acb_clear(&z);
    }
    AcbVector(const AcbVector &) = delete;
    AcbVector &operator=(const AcbVector &) = delete;
    void resize(size_t n) {
        while (v_.size() > n) {
            acb_clear(&v_.back());
            v_.pop_back();
        }
        v_.reserve(n);
        while (v_.size() < n) {
            v_.emplace_back();
            acb_init(&v_.back());
        }
    }
    acb_ptr operator[](size_t k) { return &v_[k]; }
    size_t size() const { return v_.size(); }

private:
    std::vector<acb_struct> v_;
};

// sum c_k x^k.
void horner(acb_t out, AcbVector &c, const acb_t x, slong prec) {
    acb_zero(out);
    for (size_t k = c.size(); k-- > 0;) {
        acb_mul(out, out, x, prec);
        acb_add(out, out, c[k], prec);
    }
}

// sum k c_k x^(k-1).
void hornerDerivative(acb_t out, AcbVector &c, const acb_t x, slong prec) {
    acb_zero(out);
    for (size_t k = c.size(); k-- > 1;) {
        acb_mul(out, out, x, prec);
        acb_addmul_ui(out, c[k], static_cast<ulong>(k), prec);
    }
}

// sum k (k - 1) c_k x^(k-2).
void hornerSecond(acb_t out, AcbVector &c, const acb_t x, slong prec) {
    acb_zero(out);
    for (size_t k = c.size(); k-- > 2;) {
        acb_mul(out, out, x, prec);
        acb_addmul_ui(out, c[k], static_cast<ulong>(k * (k - 1)), prec);
    }
}

// sum k (k - 1) (k - 2) c_k x^(k-3).
void hornerThird(acb_t out, AcbVector &c, const acb_t x, slong prec) {
    acb_zero(out);
    for (size_t k = c.size(); k-- > 3;) {
        acb_mul(out, out, x, prec);
        acb_addmul_ui(out, c[k], static_cast<ulong>(k * (k - 1) * (k - 2)), prec);
    }
}

}  // namespace

bool boxesDisjoint(const FiberBox &a, const FiberBox &b) {
    const double reach = (a.radius + b.radius) * (1.0 + roundingSlack);
    return std::fabs(a.centre.re - b.centre.re) * (1.0 - roundingSlack) > reach ||
           std::fabs(a.centre.im - b.centre.im) * (1.0 - roundingSlack) > reach;
}

bool boxHolds(const FiberBox &box, Complex z) {
    const double reach = box.radius * (1.0 - roundingSlack);
    return std::fabs(z.re - box.centre.re) * (1.0 + roundingSlack) <= reach &&
           std::fabs(z.im - box.centre.im) * (1.0 + roundingSlack) <= reach;
}

struct BallCurve::Impl {
    // Row k: the coefficient of x^(k + low) as a polynomial in t, exactly.
    struct Coefficient {
        slong power = 0;
        fmpq_t re, im;
        Coefficient(slong p, const fmpq *r, const fmpq *i) : power(p) {
            fmpq_init(re);
            fmpq_init(im);
            fmpq_set(re, r);
            fmpq_set(im, i);
        }
        ~Coefficient() {
            fmpq_clear(re);
            fmpq_clear(im);
        }
        Coefficient(const Coefficient &) = delete;
        Coefficient &operator=(const Coefficient &) = delete;
    };
    struct Row {
        std::vector<std::unique_ptr<Coefficient>> terms;
    };
    std::vector<Row> rows;
    int low = 0;

    struct Level {
        slong prec = 0;
        std::vector<acb_poly_struct> a, da, dda;
        ~Level() {
            for (auto &p : a) acb_poly_clear(&p);
            for (auto &p : da) acb_poly_clear(&p);
            for (auto &p : dda) acb_poly_clear(&p);
        }
    };
    std::vector<std::unique_ptr<Level>> levels;

    // Scratch of one piece.
    AcbVector pointRow, pointSlopeRow, slopeRow, pieceRow, curveRow;
    // The coefficients rounded to doubles, row by row (for predictions).
    std::vector<std::vector<Complex>> rounded;

    Level &level(slong prec) {
        for (auto &l : levels)
            if (l->prec == prec) return *l;
        auto l = std::make_unique<Level>();
        l->prec = prec;
        l->a.resize(rows.size());
        l->da.resize(rows.size());
        l->dda.resize(rows.size());
        acb_t c;
        acb_init(c);
        for (size_t k = 0; k < rows.size(); ++k) {
            acb_poly_init(&l->a[k]);
            acb_poly_init(&l->da[k]);
            acb_poly_init(&l->dda[k]);
            for (const auto &term : rows[k].terms) {
                arb_set_fmpq(acb_realref(c), term->re, prec);
                arb_set_fmpq(acb_imagref(c), term->im, prec);
                acb_poly_set_coeff_acb(&l->a[k], term->power, c);
            }
            acb_poly_derivative(&l->da[k], &l->a[k], prec);
            acb_poly_derivative(&l->dda[k], &l->da[k], prec);
        }
        acb_clear(c);
        levels.push_back(std::move(l));
        return *levels.back();
    }
};

BallCurve::BallCurve(const ExactPolynomial &curve) : impl_(std::make_unique<Impl>()) {
    const exact::GaussMpoly &f = curve.data().value;
    int high = -1, low = -1;
    f.forEachTerm([&](const ulong *e, const fmpq *, const fmpq *) {
        const int x = static_cast<int>(e[0]);
        high = std::max(high, x);
        low = low < 0 ? x : std::min(low, x);
    });
    if (high < 0) return;
    impl_->low = low;
    impl_->rows.resize(static_cast<size_t>(high - low + 1));
    f.forEachTerm([&](const ulong *e, const fmpq *re, const fmpq *im) {
        impl_->rows[static_cast<size_t>(static_cast<int>(e[0]) - low)].terms.push_back(
            std::make_unique<Impl::Coefficient>(static_cast<slong>(e[1]), re, im));
    });
}

BallCurve::~BallCurve() = default;

int BallCurve::movingDegree() const { return impl_->rows.empty() ? 0 : static_cast<int>(impl_->rows.size()) - 1; }
int BallCurve::commonZeros() const { return impl_->low; }

void BallCurve::refine(Complex t, std::vector<Complex> &z, int precision) {
    Impl &im = *impl_;
    Impl::Level &l = im.level(precision);
    const size_t n = im.rows.size();
    std::vector<Complex> a(n);
    acb_t tp, v;
    acb_init(tp);
    acb_init(v);
    acb_set_d_d(tp, t.re, t.im);
    if (precision == precisions[0]) {
        // At the lowest precision the balls' midpoints are doubles anyway:
        // the rounded coefficients in double Horner do as well, cheaper.
        if (im.rounded.empty()) {
            im.rounded.resize(n);
            for (size_t k = 0; k < n; ++k) {
                const slong len = acb_poly_length(&l.a[k]);
                for (slong j = 0; j < len; ++j) {
                    acb_srcptr c = acb_poly_get_coeff_ptr(&l.a[k], j);
                    im.rounded[k].push_back(Complex(midRe(c), midIm(c)));
                }
            }
        }
        for (size_t k = 0; k < n; ++k) {
            Complex value(0.0, 0.0);
            for (size_t j = im.rounded[k].size(); j-- > 0;) value = value * t + im.rounded[k][j];
            a[k] = value;
        }
    } else {
        for (size_t k = 0; k < n; ++k) {
            acb_poly_evaluate(v, &l.a[k], tp, precision);
            a[k] = Complex(midRe(v), midIm(v));
        }
    }
    acb_clear(tp);
    acb_clear(v);
    for (Complex &x : z) {
        for (int it = 0; it < 6; ++it) {
            Complex f(0.0, 0.0), d(0.0, 0.0);
            for (size_t k = n; k-- > 0;) {
                d = d * x + f;
                f = f * x + a[k];
            }
            if (isZero(d)) break;
            const Complex step = f / d;
            if (!std::isfinite(step.re) || !std::isfinite(step.im)) break;
            x = x - step;
            if (modulus(step) <= 0x1p-50 * modulus(x)) break;
        }
    }
}

BallCurve::Outcome BallCurve::isolate(Complex ta, Complex tb, const std::vector<Complex> &centres,
                                      const std::vector<Complex> *atStart, const std::vector<Complex> *atEnd,
                                      int precision, std::vector<FiberBox> &endBoxes) {
    Outcome out;
    Impl &im = *impl_;
    const size_t n = centres.size();
    endBoxes.assign(n, FiberBox());
    if (im.rows.size() != n + 1) {
        out.problem = "the fiber does not have the curve's degree";
        return out;
    }
    const slong prec = precision;
    Impl::Level &l = im.level(prec);

    // The disc on [ta, tb]: centre the rounded middle, radius half the
    // length with the rounding of the middle and of the length added.
    const Complex tc = half(ta + tb);
    const double r = 0.5 * modulus(tb - ta) * (1.0 + 0x1p-48) + 0x1p-51 * (std::fabs(tc.re) + std::fabs(tc.im));
    const Complex sa = ta - tc, sb = tb - tc;

    acb_t tcp, T, D, D2, x, vb, fxm, ftm, f0, yinv, M, W, h, g, k1, k2, q, yt, rr, e0;
    acb_ptr all[] = {tcp, T, D, D2, x, vb, fxm, ftm, f0, yinv, M, W, h, g, k1, k2, q, yt, rr, e0};
    for (acb_ptr z : all) acb_init(z);
    acb_set_d_d(tcp, tc.re, tc.im);
    acb_set(T, tcp);
    widen(T, r);
    acb_zero(D);
    widen(D, r);
    acb_mul(D2, D, D, prec);

    // a_k(tc), a_k'(tc), a_k'(T), a_k(T) = a_k(tc) + a_k'(T) (T - tc), a_k''(T).
    im.pointRow.resize(n + 1);
    im.pointSlopeRow.resize(n + 1);
    im.slopeRow.resize(n + 1);
    im.pieceRow.resize(n + 1);
    im.curveRow.resize(n + 1);
    for (size_t k = 0; k <= n; ++k) {
        acb_poly_evaluate(im.pointRow[k], &l.a[k], tcp, prec);
        acb_poly_evaluate(im.pointSlopeRow[k], &l.da[k], tcp, prec);
        acb_poly_evaluate(im.slopeRow[k], &l.da[k], T, prec);
        acb_poly_evaluate(im.curveRow[k], &l.dda[k], T, prec);
        acb_mul(im.pieceRow[k], im.slopeRow[k], D, prec);
        acb_add(im.pieceRow[k], im.pieceRow[k], im.pointRow[k], prec);
    }

    std::vector<FiberBox> swept(n);
    bool rounding = false;
    for (size_t i = 0; i < n && out.problem.empty(); ++i) {
        const Complex m = centres[i];
        acb_set_d_d(x, m.re, m.im);
        hornerDerivative(fxm, im.pointRow, x, prec);
        horner(ftm, im.pointSlopeRow, x, prec);
        const Complex fx(midRe(fxm), midIm(fxm)), ft(midRe(ftm), midIm(ftm));
        const Complex yd = Complex(1.0, 0.0) / fx;
        const Complex v = -(ft * yd);
        if (isZero(fx) || !std::isfinite(yd.re) || !std::isfinite(yd.im) || !std::isfinite(v.re) ||
            !std::isfinite(v.im)) {
            out.problem = "a fiber point is a multiple root";
            break;
        }
        acb_set_d_d(yinv, yd.re, yd.im);
        acb_set_d_d(vb, v.re, v.im);
        // g(0, t) = f(m + v s, tc + s), s = t - tc, to second order with
        // its remainder: f(m, tc) + (f_x v + f_t)(m, tc) s + H s^2 / 2,
        // H enclosing f_xx v^2 + 2 f_xt v + f_tt over M x T, M = m + v D.
        horner(f0, im.pointRow, x, prec);
        const double roundingPart = modulus(yd) * radiusOf(f0) * 1.5;
        acb_mul(M, vb, D, prec);
        acb_add(M, M, x, prec);
        hornerSecond(h, im.pieceRow, M, prec);
        acb_mul(h, h, vb, prec);
        hornerDerivative(g, im.slopeRow, M, prec);
        acb_mul_2exp_si(g, g, 1);
        acb_add(h, h, g, prec);
        acb_mul(h, h, vb, prec);
        horner(g, im.curveRow, M, prec);
        acb_add(h, h, g, prec);
        acb_mul(h, h, D2, prec);
        acb_mul_2exp_si(h, h, -1);
        acb_mul(g, fxm, vb, prec);
        acb_add(g, g, ftm, prec);
        acb_mul(g, g, D, prec);
        acb_add(g, g, h, prec);
        acb_add(g, g, f0, prec);
        // The preconditioner follows f_x along the tube to first order:
        // Y_t = Y (1 - Y c1 s), c1 = (f_xx v + f_xt)(m, tc).
        hornerSecond(h, im.pointRow, x, prec);
        acb_mul(q, h, vb, prec);
        hornerDerivative(h, im.pointSlopeRow, x, prec);
        acb_add(q, q, h, prec);
        acb_mul(q, q, yinv, prec);  // Y c1
        acb_mul(yt, q, D, prec);
        acb_sub_ui(yt, yt, 1, prec);
        acb_neg(yt, yt);
        acb_mul(yt, yt, yinv, prec);  // Y_T
        acb_mul(g, g, yt, prec);  // Y_T g(0, T)
        const double newton = magOf(g);
        // The box: twice the Newton move, wide enough for the witnesses at
        // both ends (about the tube's centre there), above rounding level.
        auto centreAt = [&](Complex s) { return m + v * s; };
        auto slack = [&](Complex s) { return 0x1p-49 * (modulus(m) + modulus(v) * modulus(s)); };
        double rho = 2.0 * newton;
        auto reach = [&](const std::vector<Complex> *w, Complex s) {
            if (!w || w->size() != n) return;
            const Complex dz = (*w)[i] - centreAt(s);
            rho = std::max(rho, 1.25 * std::max(std::fabs(dz.re), std::fabs(dz.im)) + 2.0 * slack(s));
        };
        reach(atStart, sa);
        reach(atEnd, sb);
        rho = std::max(rho, 0x1p-50 * modulus(m));
        if (!(rho > 0.0)) rho = std::ldexp(1.0, -1000);
        rho = roundUpShort(rho);
        if (!std::isfinite(rho) || !std::isfinite(newton)) {
            out.problem = "the evaluation overflowed";
            break;
        }
        // K = -Y_t g(0, t) + (1 - Y_t g_y(B, t)) B over the box B = [-rho, rho]^2.
        // With g_y(y, s) = f_x(m, tc) + c1 s + R,
        //   R in Phi D^2 / 2 + f_xx(W, T) B,  W = M + B,
        //   Phi enclosing f_xxx v^2 + 2 f_xxt v + f_xtt over M x T,
        // and e0 = 1 - Y f_x(m, tc), the factor expands to
        //   1 - Y_t g_y = e0 - Y c1 e0 s - Y R + (Y c1)^2 s^2 + (Y c1) Y s R,
        // whose first-order part in s cancels.
        acb_zero(k2);
        widen(k2, rho);  // B
        acb_add(W, M, k2, prec);
        hornerThird(h, im.pieceRow, M, prec);
        acb_mul(h, h, vb, prec);
        hornerSecond(k1, im.slopeRow, M, prec);
        acb_mul_2exp_si(k1, k1, 1);
        acb_add(h, h, k1, prec);
        acb_mul(h, h, vb, prec);
        hornerDerivative(k1, im.curveRow, M, prec);
        acb_add(h, h, k1, prec);
        acb_mul(h, h, D2, prec);
        acb_mul_2exp_si(h, h, -1);
        hornerSecond(k1, im.pieceRow, W, prec);
        acb_addmul(h, k1, k2, prec);  // R
        acb_mul(rr, h, yinv, prec);   // Y R
        acb_mul(e0, yinv, fxm, prec);
        acb_sub_ui(e0, e0, 1, prec);
        acb_neg(e0, e0);              // e0
        acb_mul(k1, q, D, prec);
        acb_mul(h, k1, e0, prec);
        acb_sub(k1, e0, h, prec);     // e0 - Y c1 e0 s
        acb_sub(k1, k1, rr, prec);
        acb_mul(h, q, q, prec);
        acb_addmul(k1, h, D2, prec);
        acb_mul(h, q, D, prec);
        acb_addmul(k1, h, rr, prec);  // 1 - Y_t g_y
        const double contraction = magOf(k1);
        acb_mul(h, k1, k2, prec);
        acb_sub(h, h, g, prec);  // K
        const bool inside = contraction < 1.0 && acb_contains_interior(k2, h);
        out.contraction = std::max(out.contraction, contraction);
        if (!inside) {
            if (roundingPart * 4.0 > newton || roundingPart * 8.0 > rho) rounding = true;
            out.problem = "a fiber box does not contract";
            break;
        }
        const Complex cb = centreAt(sb);
        endBoxes[i] = {cb, roundUpShort(rho + slack(sb))};
        swept[i] = {m, roundUpShort((rho + modulus(v) * r * std::sqrt(2.0)) * (1.0 + 0x1p-48) + slack(sb))};
    }
    for (acb_ptr z : all) acb_clear(z);
    if (!out.problem.empty()) {
        out.roundingLimited = rounding;
        return out;
    }
    // The boxes swept over the piece pairwise disjoint, the roots held at 0
    // included. Sorted by their left edges, a box can only meet the boxes
    // that start before its right edge.
    for (int z = 0; z < im.low; ++z) swept.push_back({Complex(0.0, 0.0), 0.0});
    std::vector<size_t> order(swept.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        return swept[a].centre.re - swept[a].radius < swept[b].centre.re - swept[b].radius;
    });
    for (size_t p = 0; p < order.size(); ++p) {
        const FiberBox &a = swept[order[p]];
        const double right = a.centre.re + a.radius;
        for (size_t q = p + 1; q < order.size(); ++q) {
            const FiberBox &b = swept[order[q]];
            const double scale = std::fabs(a.centre.re) + a.radius + std::fabs(b.centre.re) + b.radius;
            if ((b.centre.re - b.radius) - right > 8.0 * roundingSlack * scale) break;
            if (!boxesDisjoint(a, b)) {
                out.problem = "two fiber boxes meet";
                return out;
            }
        }
    }
    out.proven = true;
    return out;
}

// ---- reading a move exactly ------------------------------------------------

namespace {

class ArfVector {
public:
    explicit ArfVector(size_t n) : v_(n) {
        for (auto &a : v_) arf_init(&a);
    }
    ~ArfVector() {
        for (auto &a : v_) arf_clear(&a);
    }
    ArfVector(const ArfVector &) = delete;
    ArfVector &operator=(const ArfVector &) = delete;
    arf_ptr operator[](size_t k) { return &v_[k]; }

private:
    std::vector<arf_struct> v_;
};

// out = a + s * 2^-30 * b, exactly.
void tilted(arf_t out, double a, double b, int s) {
    arf_t t;
    arf_init(t);
    arf_set_d(out, a);
    arf_set_d(t, b);
    arf_mul_2exp_si(t, t, -30);
    if (s > 0)
        arf_add(out, out, t, ARF_PREC_EXACT, ARF_RND_DOWN);
    else
        arf_sub(out, out, t, ARF_PREC_EXACT, ARF_RND_DOWN);
    arf_clear(t);
}

}  // namespace

bool readMoveExactly(const std::vector<Complex> &from, const std::vector<Complex> &to,
                     std::vector<int> &generators) {
    const size_t n = from.size();
    if (to.size() != n) return false;
    // along = re - 2^-30 im, across = im + 2^-30 re, at both ends.
    ArfVector a0(n), a1(n), c0(n), c1(n);
    for (size_t i = 0; i < n; ++i) {
        tilted(a0[i], from[i].re, from[i].im, -1);
        tilted(a1[i], to[i].re, to[i].im, -1);
        tilted(c0[i], from[i].im, from[i].re, +1);
        tilted(c1[i], to[i].im, to[i].re, +1);
    }
    std::vector<size_t> order(n);
    std::iota(order.begin(), order.end(), size_t{0});
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return arf_cmp(a0[a], a0[b]) < 0; });
    for (size_t k = 0; k + 1 < n; ++k)
        if (arf_equal(a0[order[k]], a0[order[k + 1]])) return false;
    std::vector<size_t> endOrder(order);
    std::sort(endOrder.begin(), endOrder.end(), [&](size_t a, size_t b) { return arf_cmp(a1[a], a1[b]) < 0; });
    for (size_t k = 0; k + 1 < n; ++k)
        if (arf_equal(a1[endOrder[k]], a1[endOrder[k + 1]])) return false;

    struct Crossing {
        size_t left, right;
        bool positive;
    };
    std::vector<Crossing> crossings;
    // Per crossing: s0 = along_j - along_i at the start (> 0), s1 at the end
    // (< 0); the time is s0 / (s0 - s1).
    std::vector<std::pair<size_t, size_t>> pairs;
    for (size_t x = 0; x < n; ++x)
        for (size_t y = x + 1; y < n; ++y)
            if (arf_cmp(a1[order[y]], a1[order[x]]) < 0) pairs.push_back({order[x], order[y]});
    if (pairs.empty()) return true;
    ArfVector s0(pairs.size()), s1(pairs.size());
    arf_t p, q;
    arf_init(p);
    arf_init(q);
    bool clear = true;
    for (size_t c = 0; c < pairs.size() && clear; ++c) {
        const auto [i, j] = pairs[c];
        arf_sub(s0[c], a0[j], a0[i], ARF_PREC_EXACT, ARF_RND_DOWN);
        arf_sub(s1[c], a1[j], a1[i], ARF_PREC_EXACT, ARF_RND_DOWN);
        // The across difference where they are level, times s0 - s1 > 0:
        // -s1 (c0_j - c0_i) + s0 (c1_j - c1_i).
        arf_sub(p, c0[j], c0[i], ARF_PREC_EXACT, ARF_RND_DOWN);
        arf_mul(p, p, s1[c], ARF_PREC_EXACT, ARF_RND_DOWN);
        arf_neg(p, p);
        arf_sub(q, c1[j], c1[i], ARF_PREC_EXACT, ARF_RND_DOWN);
        arf_mul(q, q, s0[c], ARF_PREC_EXACT, ARF_RND_DOWN);
        arf_add(p, p, q, ARF_PREC_EXACT, ARF_RND_DOWN);
        if (arf_is_zero(p)) clear = false;
        crossings.push_back({i, j, arf_sgn(p) > 0});
    }
    // Time order: u_a < u_b  <=>  s0_a (s0_b - s1_b) < s0_b (s0_a - s1_a).
    auto compareTimes = [&](size_t a, size_t b) {
        arf_t l, r, w;
        arf_init(l), arf_init(r), arf_init(w);
        arf_sub(w, s0[b], s1[b], ARF_PREC_EXACT, ARF_RND_DOWN);
        arf_mul(l, s0[a], w, ARF_PREC_EXACT, ARF_RND_DOWN);
        arf_sub(w, s0[a], s1[a], ARF_PREC_EXACT, ARF_RND_DOWN);
        arf_mul(r, s0[b], w, ARF_PREC_EXACT, ARF_RND_DOWN);
        const int c = arf_cmp(l, r);
        arf_clear(l), arf_clear(r), arf_clear(w);
        return c;
    };
    std::vector<size_t> byTime(crossings.size());
    std::iota(byTime.begin(), byTime.end(), size_t{0});
    if (clear) {
        std::sort(byTime.begin(), byTime.end(), [&](size_t a, size_t b) { return compareTimes(a, b) < 0; });
        for (size_t k = 0; k + 1 < byTime.size() && clear; ++k) {
            const Crossing &a = crossings[byTime[k]], &b = crossings[byTime[k + 1]];
            const bool share = a.left == b.left || a.left == b.right || a.right == b.left || a.right == b.right;
            if (share && compareTimes(byTime[k], byTime[k + 1]) == 0) clear = false;
        }
    }
    arf_clear(p);
    arf_clear(q);
    if (!clear) return false;
    std::vector<size_t> position(n);
    for (size_t k = 0; k < n; ++k) position[order[k]] = k;
    std::vector<int> found;
    for (size_t c : byTime) {
        const Crossing &x = crossings[c];
        if (position[x.right] != position[x.left] + 1) return false;
        const int k = static_cast<int>(position[x.left]) + 1;
        found.push_back(x.positive ? k : -k);
        std::swap(position[x.left], position[x.right]);
    }
    generators.insert(generators.end(), found.begin(), found.end());
    return true;
}

}  // namespace quorvel
