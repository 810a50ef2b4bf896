#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "engine/complex.h"

namespace quorvel {
namespace {

TEST(Complex, ArithmeticFollowsTheTextbookFormulas) {
    const Complex a(1.0, 2.0);
    const Complex b(3.0, -1.0);
    const Complex p = a * b;
    EXPECT_DOUBLE_EQ(p.re, 5.0);
    EXPECT_DOUBLE_EQ(p.im, 5.0);
    const Complex q = p / b;
    EXPECT_DOUBLE_EQ(q.re, 1.0);
    EXPECT_DOUBLE_EQ(q.im, 2.0);
    const Complex inv = divideInt(2, Complex(0.0, 1.0));
    EXPECT_DOUBLE_EQ(inv.re, 0.0);
    EXPECT_DOUBLE_EQ(inv.im, -2.0);
    EXPECT_DOUBLE_EQ(divideByInt(Complex(3.0, 6.0), 3).im, 2.0);
    const Complex byZero = Complex(1.0, 0.0) / Complex(0.0, 0.0);
    EXPECT_FALSE(std::isfinite(byZero.re));
}

TEST(Complex, ZeroTestIsExact) {
    EXPECT_FALSE(isZero(Complex(1e-300, 0.0)));
    EXPECT_TRUE(isZero(Complex(0.0, -0.0)));
}

TEST(Complex, ApproxEqualIsRelative) {
    EXPECT_FALSE(approxEqual(Complex(0.0, 0.0), Complex(1e-20, 0.0)));
    EXPECT_TRUE(approxEqual(Complex(1.0, 0.0), Complex(1.0 + 5e-9, 0.0)));
    EXPECT_FALSE(approxEqual(Complex(1.0, 0.0), Complex(1.0 + 2e-8, 0.0)));
    EXPECT_TRUE(isOne(Complex(1.0, 1e-10)));
    EXPECT_TRUE(isMinusOne(Complex(-1.0, 0.0)));
}

TEST(Complex, ArgumentSnapsSmallImaginaryParts) {
    EXPECT_DOUBLE_EQ(argument(Complex(-1.0, 5e-8)), std::atan2(0.0, -1.0));
    EXPECT_LT(argument(Complex(-1.0, -2e-7)), -3.14159);
    EXPECT_EQ(argument(Complex(0.0, 0.0)), 0.0);
    // comparePolar counts an angle just above -pi as +pi: such a point and
    // one on the negative axis are the same direction.
    EXPECT_EQ(comparePolar(Complex(-1.0, -2e-7), Complex(-1.0, 0.0), 0.001), samePoint);
    // The snap is an angle: it reads the same at every scale.
    EXPECT_EQ(argument(Complex(-1e-9, 5e-17)), argument(Complex(-1.0, 0.0)));
    EXPECT_LT(argument(Complex(-1e-9, -2e-16)), -3.14159);
}

TEST(Complex, SameDirectionBoundsAreStrict) {
    EXPECT_TRUE(sameDirection(6.28));
    EXPECT_FALSE(sameDirection(0.01));
    EXPECT_TRUE(sameDirection(-6.28));
    EXPECT_TRUE(sameDirection(0.0));
}

TEST(Complex, LexicographicOrder) {
    EXPECT_EQ(compareLexicographic(Complex(1.0, 2.0), Complex(1.000001, 0.0)), firstFirst);
    EXPECT_EQ(compareLexicographic(Complex(1.0, 0.0), Complex(1.0, 0.000005)), samePoint);
    EXPECT_EQ(compareLexicographic(Complex(0.0, 0.0), Complex(1.0, 0.0)), firstFirst);
    EXPECT_EQ(compareLexicographic(Complex(2.0, 0.0), Complex(1.0, 0.0)), secondFirst);
    EXPECT_EQ(compareLexicographic(Complex(1.0, -1.0), Complex(1.0, 1.0)), secondFirst);
}

TEST(Complex, PolarOrderIsTheSameAtEveryScale) {
    struct Case {
        Complex p, q;
        int order;
    };
    const Case cases[] = {
        {{0.0005, 0.0}, {5.0, 5.0}, firstFirst},  // nearer the origin than `near`
        {{1.0, 0.0}, {2.0, 0.0}, secondFirst},    // farther first on one ray
        {{2.0, 0.0}, {1.0, 0.0}, firstFirst},
        {{1.0, 0.0}, {0.0, 1.0}, firstFirst},
        {{0.0, -1.0}, {1.0, 0.0}, firstFirst},
        {{0.0001, 0.0}, {0.0, 0.0002}, samePoint},
    };
    for (double s : {1e-6, 1.0, 1e6})
        for (const Case &c : cases)
            EXPECT_EQ(comparePolar(c.p * Complex(s, 0), c.q * Complex(s, 0), 0.001 * s), c.order) << s;
}

struct CoefficientCase {
    const char *name;
    Complex value;
    const char *text;
};

TEST(Complex, FormatCoefficientExamples) {
    const CoefficientCase cases[] = {
        {"two", Complex(2.0, 0.0), "+2"},
        {"minus one", Complex(-1.0, 0.0), "-1"},
        {"half", Complex(0.5, 0.0), "+0.5000000"},
        {"third", Complex(1.0 / 3.0, 0.0), "+0.3333333"},
        {"i", Complex(0.0, 1.0), "+i"},
        {"minus two i", Complex(0.0, -2.0), "-2i"},
        {"two minus i", Complex(2.0, -1.0), "+(+2-i)"},
        {"quarter plus three i", Complex(0.25, 3.0), "+(+0.2500000+3i)"},
        {"zero", Complex(0.0, 0.0), ""},
        {"tiny", Complex(1e-12, 0.0), ""},
        {"nearly two", Complex(2.0 + 1e-10, 0.0), "+2"},
        {"big integer beyond 32 bits", Complex(1e10, 0.0), "+10000000000.0000000"},
    };
    for (const auto &c : cases) {
        std::string out;
        formatCoefficient(out, c.value, 7);
        EXPECT_EQ(out, c.text) << c.name;
    }
}

TEST(Complex, ParseComplexReadsBothOrders) {
    struct Case {
        const char *text;
        double re, im;
    } cases[] = {
        {"1.5-2i", 1.5, -2.0}, {"-2i+1.5", 1.5, -2.0}, {"1.5 , -2i", 1.5, -2.0},
        {"+1-0.5i", 1.0, -0.5}, {"1+i", 1.0, 0.0},     {"abc", 0.0, 0.0},
        {"3", 3.0, 0.0},        {"2i", 0.0, 2.0},      {"", 0.0, 0.0},
        {"1+1i", 1.0, 1.0},     {"+1.000000+1.000000i", 1.0, 1.0},
    };
    for (const auto &c : cases) {
        const Complex z = parseComplex(c.text);
        EXPECT_DOUBLE_EQ(z.re, c.re) << c.text;
        EXPECT_DOUBLE_EQ(z.im, c.im) << c.text;
    }
}

TEST(Complex, ParseComplexStaysInsideItsText) {
    // The view ends before the digits that follow in memory.
    const std::string backing = "12345";
    const Complex z = parseComplex(std::string_view(backing.data(), 2));
    EXPECT_DOUBLE_EQ(z.re, 12.0);
    const std::string longNumber(5000, '7');
    EXPECT_EQ(parseComplex(longNumber).re, 0.0) << "beyond the double range";
}

TEST(Complex, FormatValueUsesSixDecimals) {
    EXPECT_EQ(formatValue(Complex(1.0, 1.0)), "+1.000000+1.000000i");
    EXPECT_EQ(formatValue(Complex(-0.5, -2.0)), "-0.500000-2.000000i");
    // Nothing that rounds to zero carries a minus sign.
    EXPECT_EQ(formatValue(Complex(-0.0, -4e-7)), "+0.000000+0.000000i");
    EXPECT_EQ(formatReal(-0.0000004), "+0.000000");
    EXPECT_EQ(formatReal(-0.0000006), "-0.000001");
    std::string coefficient;
    formatCoefficient(coefficient, Complex(-4e-8, 1.0), 7);
    EXPECT_EQ(coefficient, "+(+0.0000000+i)");
}

}  // namespace
}  // namespace quorvel
