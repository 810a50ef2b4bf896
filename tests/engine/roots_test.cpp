#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "engine/calculus.h"
#include "engine/roots.h"
#include "support/poly_helpers.h"
#include "support/recording_errors.h"

namespace quorvel {
namespace {

using testing::poly;
using testing::text;

class RootsTest : public testing::EngineTest {};

OwnedPolynomial univariate(const std::string &s) { return poly(s, {'z', '?', '?'}); }

class RecordingProgress : public RootProgress {
public:
    void setRange(int bar, int low, int high) override { ranges[bar] = {low, high}; }
    void setStep(int bar, int step) override { steps[bar] = step; }
    void setPosition(int bar, int position) override {
        last[bar] = position;
        ++updates;
    }
    std::map<int, std::pair<int, int>> ranges;
    std::map<int, int> steps;
    std::map<int, int> last;
    int updates = 0;
};

TEST_F(RootsTest, EvaluateAndBound) {
    auto p = univariate("z^2 + 1");
    const Complex v = evaluateUnivariate(p.get(), 'z', Complex(0, 1));
    EXPECT_NEAR(modulus(v), 0.0, 1e-15);
    EXPECT_NEAR(rootBound(p.get()), 1.0, 1e-7);
    auto tiny = univariate("z^2 - 0.000001");
    EXPECT_DOUBLE_EQ(rootBound(tiny.get()), 0.1);
    auto sparse = univariate("z^1000 - 1");
    EXPECT_NEAR(modulus(evaluateUnivariate(sparse.get(), 'z', Complex(1, 0))), 0.0, 1e-12);
    OwnedPolynomial zero(newZero());
    EXPECT_TRUE(isZero(evaluateUnivariate(zero.get(), 'z', Complex(3, 0))));
}

TEST_F(RootsTest, RootsSatisfyThePolynomial) {
    const char *cases[] = {"z^2 + 1", "z^5 - 3*z + 1", "(z-1)*(z-2)*(z-3)*(z+4i)", "z^20 - 1",
                           "(0.3+0.7i)*z^7 + 2*z^3 - i"};
    for (const char *c : cases) {
        auto p = univariate(c);
        RecordingProgress progress;
        OwnedPolynomial r(findRoots(&progress, p.get(), nullptr));
        EXPECT_EQ(countPoints(r.get()), degree(p.get())) << c;
        for (Term *t = r.get(); t; t = t->next) {
            EXPECT_LT(modulus(evaluateUnivariate(p.get(), 'z', t->coef)), 1e-6) << c;
        }
        EXPECT_EQ(progress.ranges[differenceBar], std::make_pair(0, 100));
        EXPECT_EQ(progress.steps[differenceBar], 5);
        EXPECT_EQ(progress.last[differenceBar], 100);
    }
    EXPECT_TRUE(recorder.errors.empty());
}

TEST_F(RootsTest, MultipleRootAtZeroIsSplitOff) {
    auto p = univariate("z^3");
    OwnedPolynomial r(findRoots(nullptr, p.get(), nullptr));
    ASSERT_EQ(countPoints(r.get()), 3);
    int number = 0;
    for (Term *t = r.get(); t; t = t->next, ++number) {
        EXPECT_EQ(t->exp[0], number);
        EXPECT_NEAR(modulus(t->coef), 0.0, 1e-12);
    }
    auto q = univariate("z^4 - z^2");
    OwnedPolynomial rq(findRoots(nullptr, q.get(), nullptr));
    EXPECT_EQ(countPoints(rq.get()), 4);
}

TEST_F(RootsTest, QuietSearchRestoresItsInput) {
    auto p = univariate("z^5 + 2*z^3");
    const std::string before = text(p.get());
    OwnedPolynomial r(findRootsQuiet(p.get(), nullptr));
    EXPECT_EQ(text(p.get()), before);
    EXPECT_EQ(countPoints(r.get()), 5);
    int zeros = 0;
    for (Term *t = r.get(); t; t = t->next)
        if (modulus(t->coef) < 1e-9) ++zeros;
    EXPECT_EQ(zeros, 3);
}

TEST_F(RootsTest, GivenEstimatesAreRefined) {
    auto p = univariate("z^2 - 4");
    OwnedPolynomial g(newTerm(Complex(1.9, 0.1), 0, 0, 0, {'z', '?', '?'}));
    Term e;
    e.coef = Complex(-2.1, 0.0);
    e.exp[0] = 1;
    e.var[0] = 'z';
    insertTerm(g.get(), &e);
    OwnedPolynomial r(findRootsQuiet(p.get(), g.get()));
    EXPECT_NEAR(r.get()->coef.re, 2.0, 1e-9);
    EXPECT_NEAR(r.get()->next->coef.re, -2.0, 1e-9);
}

TEST_F(RootsTest, ConstantsHaveNoRoots) {
    auto c = univariate("5");
    EXPECT_EQ(findRoots(nullptr, c.get(), nullptr), nullptr);
    OwnedPolynomial z(newZero());
    EXPECT_EQ(findRootsQuiet(z.get(), nullptr), nullptr);
    EXPECT_TRUE(recorder.errors.empty());
}

TEST_F(RootsTest, NonUnivariateInputIsReportedOnce) {
    auto p = poly("x*t + x + 1");
    const int before = termPool().usedCount();
    EXPECT_EQ(findRoots(nullptr, p.get(), nullptr), nullptr);
    ASSERT_EQ(recorder.errors.size(), 1u);
    EXPECT_EQ(recorder.errors[0].message, "polynomial (1 var.) is illegal.");
    EXPECT_EQ(recorder.errors[0].remedy, "Re-input a polynomial");
    EXPECT_EQ(termPool().usedCount(), before);
    // Direct evaluation reports each offending term and leaves it out.
    (void)evaluateUnivariate(p.get(), 'x', Complex(1, 0));
    EXPECT_EQ(recorder.errors.size(), 2u);
}

TEST_F(RootsTest, InitialEstimatesLieOnTheBoundCircle) {
    auto p = univariate("z^4 - 16");
    OwnedPolynomial e(initialEstimates(p.get(), 1));
    ASSERT_EQ(countPoints(e.get()), 4);
    int n = 0;
    for (Term *t = e.get(); t; t = t->next, ++n) {
        EXPECT_EQ(t->exp[0], n);
        EXPECT_NEAR(modulus(t->coef), 2.0, 1e-9);
    }
}

}  // namespace
}  // namespace quorvel
