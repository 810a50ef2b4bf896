#include <gtest/gtest.h>

#include "engine/univariate.h"
#include "support/poly_helpers.h"
#include "support/recording_errors.h"

namespace quorvel {
namespace {

using testing::poly;

class UnivariateTest : public testing::EngineTest {};

TEST_F(UnivariateTest, HornerOverSparseTermsAndIllegalTermsReported) {
    auto p = poly("z^2 + 1", {'z', '?', '?'});
    EXPECT_NEAR(modulus(evaluateUnivariate(p.get(), 'z', Complex(0, 1))), 0.0, 1e-15);
    auto sparse = poly("z^1000 - 1", {'z', '?', '?'});
    EXPECT_NEAR(modulus(evaluateUnivariate(sparse.get(), 'z', Complex(1, 0))), 0.0, 1e-12);
    OwnedPolynomial zero(newZero());
    EXPECT_TRUE(isZero(evaluateUnivariate(zero.get(), 'z', Complex(3, 0))));
    EXPECT_TRUE(recorder.errors.empty());

    // A term whose exponent in the letter does not fall is reported and left out.
    auto q = poly("x*t + x + 1");
    EXPECT_FALSE(isUnivariate(q.get()));
    (void)evaluateUnivariate(q.get(), 'x', Complex(1, 0));
    ASSERT_EQ(recorder.errors.size(), 1u);
    EXPECT_EQ(recorder.errors[0].message, "polynomial (1 var.) is illegal.");
}

}  // namespace
}  // namespace quorvel
