// The numerical core of tracing, grouped by what it promises: exact-enough
// evaluation at high degree, a corrector that reaches rounding level, and a
// step that is accepted only when every point stays on its track.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "engine/polytext.h"
#include "support/recording_errors.h"
#include "tracing/continuation.h"

namespace quorvel {
namespace {

class ContinuationTest : public testing::EngineTest {
protected:
    CurveFunction curve(const std::string &text) {
        Letters l = {'x', 't', '?'};
        held_.reset(parsePolynomial(text, l));
        return CurveFunction(held_.get());
    }
    OwnedPolynomial held_;
};

std::vector<Complex> unitRoots(int n, double radius, double turn) {
    std::vector<Complex> z;
    for (int k = 0; k < n; ++k) {
        const double a = turn + 2 * M_PI * k / n;
        z.push_back(Complex(radius * std::cos(a), radius * std::sin(a)));
    }
    return z;
}

TEST_F(ContinuationTest, TheDenseFormSplitsOffCommonPowersOfX) {
    const CurveFunction f = curve("x^5-t*x^3+2*x^2");
    EXPECT_EQ(f.degree(), 5);
    EXPECT_EQ(f.commonZeros(), 2);
    std::vector<Complex> a, da;
    f.coefficients(Complex(2, 1), a, &da);
    ASSERT_EQ(a.size(), 4u);  // 2 - t x + x^3
    EXPECT_NEAR(a[0].re, 2, 1e-15);
    EXPECT_NEAR(a[1].re, -2, 1e-15);
    EXPECT_NEAR(a[1].im, -1, 1e-15);
    EXPECT_NEAR(a[3].re, 1, 1e-15);
    EXPECT_NEAR(da[1].re, -1, 1e-15);
    EXPECT_NEAR(da[0].re, 0, 1e-15);
}

TEST_F(ContinuationTest, WeierstrassQuotientsNeitherOverflowNorUnderflowAtDegree100) {
    // x^100 - R^100 with roots of modulus R = 1000 and R = 0.001: the
    // quotients at points slightly off the roots are about the offsets.
    for (double radius : {1000.0, 1.0, 0.001}) {
        const int n = 100;
        std::vector<Complex> c(n + 1, Complex(0, 0));
        c[0] = Complex(-std::pow(radius, n), 0);  // may be 0 or inf: the lead scales instead
        c[n] = Complex(1, 0);
        if (!std::isfinite(c[0].re) || c[0].re == 0) {
            // Scale x = radius * y: y^100 - 1.
            continue;
        }
        std::vector<Complex> z = unitRoots(n, radius, 0.0);
        z[7] = z[7] * Complex(1 + 1e-6, 0);
        std::vector<Complex> w;
        weierstrassQuotients(c, c[n], z, w);
        for (const Complex &q : w) EXPECT_TRUE(std::isfinite(q.re) && std::isfinite(q.im));
        EXPECT_NEAR(modulus(w[7]) / (radius * 1e-6), 1.0, 1e-3) << radius;
        EXPECT_LT(modulus(w[8]), radius * 1e-7) << radius;
    }
    // A curve of degree 100 whose roots lie far out: no overflow in the
    // corrector either.
    std::vector<Complex> a(101, Complex(0, 0));
    a[0] = Complex(-1e200, 0);
    a[100] = Complex(1, 0);
    std::vector<Complex> z = unitRoots(100, 100.0 * (1 + 1e-3), 0.01);
    bool diverged = false;
    EXPECT_TRUE(correctPoints(a, z, diverged));
    for (const Complex &p : z) EXPECT_NEAR(modulus(p), 100.0, 1e-9);
}

TEST_F(ContinuationTest, TheCorrectorReachesRoundingLevel) {
    const int n = 40;
    std::vector<Complex> a(n + 1, Complex(0, 0));
    a[0] = Complex(-1, 0);
    a[n] = Complex(1, 0);
    std::vector<Complex> z = unitRoots(n, 1.0, 0.0);
    for (size_t i = 0; i < z.size(); ++i) z[i] += Complex(1e-3 * std::cos(i), 1e-3 * std::sin(3.0 * i));
    bool diverged = false;
    int steps = 0;
    ASSERT_TRUE(correctPoints(a, z, diverged, &steps));
    EXPECT_LT(steps, 12);
    const std::vector<Complex> exact = unitRoots(n, 1.0, 0.0);
    for (int i = 0; i < n; ++i) EXPECT_LT(modulus(z[static_cast<size_t>(i)] - exact[static_cast<size_t>(i)]), 1e-14);
    // Points that cannot be told apart do not converge: a double root.
    std::vector<Complex> b = {Complex(1, 0), Complex(-2, 0), Complex(1, 0)};  // (x - 1)^2
    std::vector<Complex> y = {Complex(1.1, 0.1), Complex(0.9, -0.1)};
    EXPECT_FALSE(correctPoints(b, y, diverged));
}

// Square roots of t round a circle of radius r about 0.
struct SquareRoots : ContinuationTest {
    CurveFunction f;
    StepTracker tracker;
    std::vector<Complex> x0, v0;
    void SetUp() override {
        f = curve("x^2-t");
        x0 = {Complex(1, 0), Complex(-1, 0)};
        tracker.tangents(f, Complex(1, 0), x0, v0);
    }
};

TEST_F(SquareRoots, TangentsAreMinusFtOverFx) {
    EXPECT_NEAR(v0[0].re, 0.5, 1e-15);
    EXPECT_NEAR(v0[1].re, -0.5, 1e-15);
}

TEST_F(SquareRoots, ShortStepsAreAcceptedLongOnesRejected) {
    auto on = [](double a) { return Complex(std::cos(a), std::sin(a)); };
    StepOutcome small = tracker.step(f, x0, v0, on(0), on(0.05), on(0.1), false);
    ASSERT_TRUE(small.accepted);
    EXPECT_LT(modulus(small.end[0] - on(0.05)), 1e-14);  // the root sqrt(t), not its sister
    EXPECT_LT(small.ratio, 0.1);
    // Half way round in one step the points would change places: rejected.
    StepOutcome half = tracker.step(f, x0, v0, on(0), on(M_PI / 2), on(M_PI), false);
    EXPECT_FALSE(half.accepted);
    EXPECT_GT(half.ratio, 1.0);
}

TEST_F(SquareRoots, AStepPastTheCollisionIsRejectedEvenWhenRelaxed) {
    // From t = 1 straight through t = 0 to t = -1: the points meet.
    const StepOutcome s = tracker.step(f, x0, v0, Complex(1, 0), Complex(0, 0), Complex(-1, 0), true);
    EXPECT_FALSE(s.accepted);
}

TEST_F(ContinuationTest, PointsThatDoNotMoveAreNeverRejected) {
    // f does not depend on t: every motion is rounding noise and no step,
    // however long, is rejected because of it.
    const CurveFunction f = curve("x^3-2*x+1+0*t");
    StepTracker tracker;
    std::vector<Complex> x = {Complex(1, 0), Complex(0.6180339887498949, 0), Complex(-1.618033988749895, 0)};
    ASSERT_TRUE(tracker.polish(f, Complex(0, 0), x));
    std::vector<Complex> v;
    tracker.tangents(f, Complex(0, 0), x, v);
    const StepOutcome s = tracker.step(f, x, v, Complex(0, 0), Complex(50, 50), Complex(100, 100), false);
    EXPECT_TRUE(s.accepted);
    EXPECT_LT(s.ratio, 1e-6);
}

TEST_F(ContinuationTest, RelaxedModeAsksOnlyThatEachPointLandsNearItsPrediction) {
    // Round the branch point of x^3 - t: the relaxed test, which drops the
    // whole-step and chord checks, accepts longer steps than the strict one,
    // but not arbitrarily long ones.
    const CurveFunction f = curve("x^3-t");
    StepTracker tracker;
    std::vector<Complex> x = unitRoots(3, 1.0, 0.0);
    std::vector<Complex> v;
    tracker.tangents(f, Complex(1, 0), x, v);
    auto on = [](double a) { return Complex(std::cos(a), std::sin(a)); };
    auto longest = [&](bool relaxed) {
        double best = 0;
        for (double angle = 0.05; angle < 2 * M_PI; angle += 0.05)
            if (tracker.step(f, x, v, on(0), on(angle / 2), on(angle), relaxed).accepted) best = angle;
        return best;
    };
    const double strict = longest(false);
    const double relaxed = longest(true);
    EXPECT_GT(strict, 0.2);
    EXPECT_GT(relaxed, strict);
    EXPECT_LT(relaxed, 2 * M_PI);
}

}  // namespace
}  // namespace quorvel
