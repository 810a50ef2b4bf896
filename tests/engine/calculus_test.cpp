#include <gtest/gtest.h>

#include "engine/calculus.h"
#include "support/poly_helpers.h"
#include "support/recording_errors.h"

namespace quorvel {
namespace {

using testing::poly;
using testing::text;

class CalculusTest : public testing::EngineTest {};

TEST_F(CalculusTest, Derivatives) {
    auto p = poly("x^3*t^2 + 2*x");
    OwnedPolynomial dx(derivative(p.get(), 'x'));
    EXPECT_EQ(text(dx.get()), "+3*x^2*t^2+2");
    OwnedPolynomial dt(derivative(p.get(), 't'));
    EXPECT_EQ(text(dt.get()), "+2*x^3*t");
    auto free = poly("t^2 + 1");
    OwnedPolynomial d0(derivative(free.get(), 'x'));
    EXPECT_TRUE(isZeroPolynomial(d0.get()));
}

TEST_F(CalculusTest, SubstituteKeepsTheLetters) {
    auto p = poly("x^2 + x*t + t^2");
    OwnedPolynomial s(substitute(p.get(), 't', Complex(0, 2)));
    EXPECT_EQ(text(s.get()), "+x^2+2i*x-4");
    EXPECT_EQ(s.get()->var[0], 'x');
    EXPECT_EQ(s.get()->var[1], 't');
}

TEST_F(CalculusTest, LeadingCoefficients) {
    auto p = poly("t*x^2 + x + 1");
    OwnedPolynomial l(leadingCoefficientOf(p.get()));
    EXPECT_EQ(text(l.get()), "+t");
    EXPECT_EQ(l.get()->var[0], 't');
    EXPECT_EQ(degree(l.get()), 1);
    auto q = poly("x^2 + t");
    OwnedPolynomial l2(leadingCoefficientOf(q.get()));
    EXPECT_EQ(text(l2.get()), "+1");
    EXPECT_EQ(degree(l2.get()), 0);
}

TEST_F(CalculusTest, SkeletonAndFastSubstitution) {
    auto p = poly("x^2 + t*x + 1");
    OwnedPolynomial s(coefficientSkeleton(p.get()));
    const int before = termPool().usedCount();
    substituteInto(p.get(), Complex(3, 0), s.get());
    EXPECT_EQ(termPool().usedCount(), before);
    ASSERT_EQ(s.get()->exp[0], 2);
    EXPECT_EQ(s.get()->coef.re, 1);
    EXPECT_EQ(s.get()->left->exp[0], 1);
    EXPECT_EQ(s.get()->left->coef.re, 3);
    EXPECT_EQ(s.get()->left->left->exp[0], 0);
    EXPECT_EQ(s.get()->left->left->coef.re, 1);
    // Substituting again overwrites instead of accumulating.
    substituteInto(p.get(), Complex(0, 1), s.get());
    EXPECT_EQ(s.get()->left->coef.im, 1);
    EXPECT_EQ(s.get()->left->coef.re, 0);
}

TEST_F(CalculusTest, MakeMonic) {
    auto p = poly("2i*x^2 + 4");
    makeMonic(p.get());
    EXPECT_EQ(text(p.get()), "+x^2-2i");
    OwnedPolynomial z(newZero());
    makeMonic(z.get());
    EXPECT_TRUE(isZeroPolynomial(z.get()));
}

}  // namespace
}  // namespace quorvel
