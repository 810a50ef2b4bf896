#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/polytext.h"
#include "engine/projection.h"
#include "support/recording_errors.h"

namespace quorvel {
namespace {

class ProjectionTest : public testing::EngineTest {
protected:
    ExactPolynomial curve(const std::string &text) {
        Letters letters = {'x', 't', '?'};
        return parseExactPolynomial(text, letters);
    }
};

// The number of components over C, whatever the coordinates: the count is
// the same after t -> s*t + c, after the shear that makes the projection
// proper, and the exact text reads back to the same curve.
TEST_F(ProjectionTest, ComponentsOverCAreCountedInEveryPosition) {
    struct Case {
        std::string curve;  // with T standing for the parameter, to be moved
        int components;
    };
    const std::vector<Case> cases = {
        {"x^2+T^2-1", 1},          {"x^2+T^2", 2},              {"x^2-2*T^2", 2},
        {"x^2-T^3", 1},            {"(x-i*T)*(x+T)", 2},        {"x^4-T^4", 4},
        {"x^2-1", 2},              {"x*(T^4-T^2+1-x)", 2},      {"(x^2+T^2)*(x-T-1)", 3},
        {"x^3+i*T^3-1", 1},        {"T*x-1", 1},                {"x*T*(x-1)", 3},
        {"(x^2+1)*T-x", 1},
    };
    for (const Case &c : cases) {
        for (const std::string &t : {std::string("t"), std::string("(3*t-1/2)"), std::string("(t/7+2*i)")}) {
            std::string text = c.curve;
            for (size_t k; (k = text.find('T')) != std::string::npos;) text.replace(k, 1, t);
            const ExactPolynomial f = curve(text);
            const ProperPosition p = properPosition(f);
            EXPECT_TRUE(isProperProjection(p.curve)) << text;
            EXPECT_EQ(p.changed, !isProperProjection(f)) << text;
            EXPECT_EQ(absoluteComponentCount(p.curve), c.components) << text << " in position " << exactText(p.curve);
            Letters letters = {'x', 't', '?'};
            EXPECT_TRUE(parseExactPolynomial(exactText(p.curve), letters).sameAs(p.curve)) << exactText(p.curve);
        }
    }
    EXPECT_EQ(absoluteComponentCount(curve("t*x-1")), -1);
    EXPECT_EQ(properPosition(curve("x^2*t-1")).change, "t -> t + x");
}

}  // namespace
}  // namespace quorvel
