#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>

#include "engine/polytext.h"
#include "support/poly_helpers.h"
#include "support/recording_errors.h"

namespace quorvel {
namespace {

using testing::poly;
using testing::text;

class PolyTextTest : public testing::EngineTest {};

struct ParseCase {
    const char *name;
    const char *input;
    const char *printed;
};

TEST_F(PolyTextTest, ParsesTheLanguageWithLettersXAndT) {
    const ParseCase cases[] = {
        {"sum of products", "x^2 + 2*x*t - 3", "+x^2+2*x*t-3"},
        {"a factor after a number multiplies", "2x", "+2*x"},
        {"a factor after a power multiplies", "2x^2-t", "+2*x^2-t"},
        {"star product", "2*x", "+2*x"},
        {"space product", "2 x", "+2*x"},
        {"spaces between factors multiply", "2 x t", "+2*x*t"},
        {"division before product", "x/2*t", "+0.5000000*x*t"},
        {"chained division", "x/2/2", "+0.2500000*x"},
        {"power of a bracket", "(x+1)^3", "+x^3+3*x^2+3*x+1"},
        {"zero exponent", "x^0", "+1"},
        {"bracketed exponent", "x^(2)-t", "+x^2-t"},
        {"negative exponent of a number", "x^2-10^(-3)*t", "+x^2-0.0010000*t"},
        {"unbracketed negative exponent", "2^-1", "+0.5000000"},
        {"complex constant", "3+2i", "+(+3+2i)"},
        {"imaginary factor", "2.5i*x", "+2.5000000i*x"},
        {"lone i", "i", "+i"},
        {"a sign after an operator belongs to the factor", "x*-1", "-x"},
        {"a double minus is a plus", "x^2--t", "+x^2+t"},
        {"exponent notation", "1e-3", "+0.0010000"},
        {"a letter e after a number", "2e", "+2*e"},
        {"braces nest like brackets", "{x+1}*(x-1)", "+x^2-1"},
        {"mixed closing characters", "(x+1}*2", "+2*x+2"},
        {"missing closing bracket", "(x+1", "+x+1"},
                {"brackets side by side multiply", "(x+1)(x-1)", "+x^2-1"},
        {"space between brackets multiplies", "(x+1) (x-1)", "+x^2-1"},
        {"spaces round operators", "x + t", "+x+t"},
        {"space before caret", "x ^ 2", "+x^2"},
        {"exact quotient", "(x^2-1)/(x-1)", "+x+1"},
        {"exact quotient of decimals", "(x^2-0.01*t^2)/(x-0.1*t)", "+x+0.1000000*t"},
                {"leading point", ".5", "+0.5000000"},
        {"tabs and line ends are spaces", "x\t+\nt", "+x+t"},
        {"empty", "", "0"},
    };
    for (const auto &c : cases) {
        auto p = poly(c.input);
        EXPECT_EQ(text(p.get()), c.printed) << c.name << ": " << c.input;
    }
    EXPECT_TRUE(recorder.errors.empty());
}

TEST_F(PolyTextTest, RefusesWhatWrittenMathematicsDoesNotRead) {
    const struct {
        const char *input;
        int character;  // counted from 1
        const char *what;
    } cases[] = {
        {"x**2-t", 2, "\"**\" is no operator here"},
        {"x^2-t^0.5", 8, "an exponent is a whole number"},
        {"x)+5", 2, "this closing bracket has no opening bracket"},
        {"x#$%+1", 2, "\"#\" cannot be read here"},
        {"x^", 3, "the exponent is missing"},
        {"x^2^3", 4, "a power of a power needs brackets"},
        {"x+", 3, "the text ends where a term is expected"},
        {"*x", 1, "\"*\" follows no term"},
        {"(x+)", 4, "a term is missing before this closing bracket"},
        {"()", 1, "the brackets hold nothing"},
        {"1.2.3", 4, "a number has a second decimal point"},
        {". 5", 1, "a decimal point stands without digits"},
        {"x^-1", 2, "a negative power of a variable is not a polynomial"},
        {"x^(2", 5, "the bracket of the exponent is not closed"},
        {"X^2-t", 1, "\"X\" cannot be read here"},
        {"\xffx^2+t", 1, "the byte 0xFF cannot be read here"},
        {"1e999*x", 1, "the number is too large"},
        {"x^2+x/(x+1)", 6, "the division leaves a remainder"},
    };
    for (const auto &c : cases) {
        recorder.errors.clear();
        const int before = termPool().usedCount();
        Letters l = {'x', 't', '?'};
        EXPECT_THROW(parsePolynomial(c.input, l), ComputationAbandoned) << c.input;
        ASSERT_EQ(recorder.errors.size(), 1u) << c.input;
        const std::string expected = "The polynomial cannot be read at character " +
                                     std::to_string(c.character) + ": " + c.what;
        std::string shown = recorder.errors[0].message;  // without the dialog's line breaks
        std::replace(shown.begin(), shown.end(), '\n', ' ');
        EXPECT_EQ(shown.substr(0, expected.size()), expected) << c.input;
        EXPECT_EQ(termPool().usedCount(), before) << c.input;
    }
    EXPECT_THROW(poly("10^400*x"), ComputationAbandoned);
    EXPECT_EQ(recorder.errors.back().message, "A coefficient is too large.");
}

TEST_F(PolyTextTest, ConstantsReadAsComplexNumbers) {
    const struct {
        const char *input;
        bool ok;
        double re, im;
    } cases[] = {
        {"i", true, 0, 1},          {"1+i", true, 1, 1},         {"0.5+0.1*i", true, 0.5, 0.1},
        {"1e-3", true, 0.001, 0},   {"-2i+1.5", true, 1.5, -2},  {"+1.000000-2.000000i", true, 1, -2},
        {"1e-320", true, 1e-320, 0}, {"abc", false, 0, 0},       {"nan", false, 0, 0},
        {"1e400", false, 0, 0},     {"", false, 0, 0},           {"1.5 , -2i", false, 0, 0},
        {"x", false, 0, 0},
    };
    for (const auto &c : cases) {
        Complex z(7.0, 7.0);
        std::string problem;
        EXPECT_EQ(readConstant(c.input, z, problem), c.ok) << c.input;
        if (c.ok) {
            EXPECT_DOUBLE_EQ(z.re, c.re) << c.input;
            EXPECT_DOUBLE_EQ(z.im, c.im) << c.input;
        } else {
            EXPECT_FALSE(problem.empty()) << c.input;
        }
    }
    EXPECT_TRUE(recorder.errors.empty()) << "readConstant shows nothing";
}

TEST_F(PolyTextTest, LettersAreSettledInOrderOfAppearance) {
    Letters l = unsetLetters;
    OwnedPolynomial p(parsePolynomial("y+x", l));
    EXPECT_EQ(l, (Letters{'y', 'x', '?'}));

    Letters given = {'x', 't', '?'};
    OwnedPolynomial q(parsePolynomial("y+x", given));
    EXPECT_EQ(given, (Letters{'x', 't', 'y'}));
    EXPECT_EQ(text(q.get()), "+x+y");

    Letters one = unsetLetters;
    OwnedPolynomial r(parsePolynomial("x^2+1", one));
    EXPECT_EQ(one, (Letters{'x', '?', '?'}));

    Letters none = unsetLetters;
    OwnedPolynomial z(parsePolynomial("", none));
    EXPECT_TRUE(isZeroPolynomial(z.get()));
    EXPECT_EQ(std::string(z.get()->var, 3), "???");
}

TEST_F(PolyTextTest, PrintsEveryTermWithItsSign) {
    EXPECT_EQ(text(poly("0").get()), "0");
    EXPECT_EQ(text(poly("1").get()), "+1");
    EXPECT_EQ(text(poly("-x").get()), "-x");
    EXPECT_EQ(text(poly("i*x").get()), "+i*x");
    EXPECT_EQ(text(poly("2*x^3").get()), "+2*x^3");
    EXPECT_EQ(text(poly("x^2*t - 3*x*t^2 + (2-i)*x + 0.5").get()),
              "+x^2*t-3*x*t^2+(+2-i)*x+0.5000000");
}

TEST_F(PolyTextTest, PrintedTextReadsBackToTheSamePolynomial) {
    const char *inputs[] = {"x^2*t - 3*x*t^2 + (2-i)*x + 0.5", "(x+t+1)^4", "(0.3+0.7i)*x^3 + (1.1-0.2i)*t*x + t^2 - 0.9i",
                            "-x^5 + i*t^3 - 1"};
    for (const char *in : inputs) {
        auto p = poly(in);
        const std::string once = text(p.get());
        auto q = poly(once);
        EXPECT_EQ(text(q.get()), once) << in;
    }
}

TEST_F(PolyTextTest, LongTextsAreCutAfter250Characters) {
    auto p = poly("(x+t+1)^8");
    const std::string s = text(p.get());
    EXPECT_EQ(s.size(), 250u);
    EXPECT_EQ(s.substr(0, 9), "+x^8+8*x^");
}

TEST_F(PolyTextTest, TinyCoefficientsStayVisibleAndReadBackAsZero) {
    OwnedPolynomial p(newTerm(1e-12, 0.0, 1, 0, 0, {'x', 't', '?'}));
    EXPECT_EQ(text(p.get()), "+0.0000000*x");
    auto back = poly(text(p.get()));
    EXPECT_TRUE(isZeroPolynomial(back.get()));
}

TEST_F(PolyTextTest, HugeExponentsFinishQuickly) {
    const auto start = std::chrono::steady_clock::now();
    auto big = poly("x^99999999");
    EXPECT_EQ(text(big.get()), "+x^99999999");
    EXPECT_TRUE(recorder.errors.empty());

    const int before = termPool().usedCount();
    EXPECT_THROW(poly("x^99999999999999"), ComputationAbandoned);
    ASSERT_EQ(recorder.errors.size(), 1u);
    EXPECT_EQ(recorder.errors[0].message, "An exponent is too large.");

    EXPECT_THROW(poly("(x+1)^5000"), ComputationAbandoned);
    ASSERT_EQ(recorder.errors.size(), 2u);
    EXPECT_EQ(recorder.errors[1].message, "Memory allocation failed.\n");

    EXPECT_THROW(poly("(x^100000)^100000"), ComputationAbandoned);
    EXPECT_EQ(termPool().usedCount(), before);
    // Correctness of the fast power path against the plain one.
    auto plain = poly("(x+2i)^7 * (x+2i)^7 * (x+2i)^7");
    auto fast = poly("(x+2i)^21");
    EXPECT_EQ(text(plain.get()), text(fast.get()));
    auto fast2 = poly("(x+1)^100");
    EXPECT_EQ(degree(fast2.get()), 100);
    EXPECT_EQ(countTerms(fast2.get()), 101);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    (void)seconds;  // timing is measured in bench/, not asserted here
}

TEST_F(PolyTextTest, AFourthLetterMakesThePolynomialUnusable) {
    const int before = termPool().usedCount();
    Letters l = unsetLetters;
    EXPECT_THROW(parsePolynomial("x+t+y+z", l), ComputationAbandoned);
    ASSERT_EQ(recorder.errors.size(), 1u);
    EXPECT_EQ(recorder.errors[0].message, "A polynomial may have at most three variables.");
    EXPECT_EQ(termPool().usedCount(), before);
}

TEST_F(PolyTextTest, DivisionByZeroIsReported) {
    EXPECT_THROW(poly("x/0"), ComputationAbandoned);
    ASSERT_EQ(recorder.errors.size(), 1u);
    EXPECT_EQ(recorder.errors[0].message, "Division by the zero polynomial.");
}

TEST_F(PolyTextTest, DivisionOfAnOverflowedCoefficientEnds) {
    // 36^(33*36) is infinite; inf - inf cannot cancel, so the quotient
    // would never end.
    EXPECT_THROW(poly("(36^33)^36*x/(x+1)"), ComputationAbandoned);
    ASSERT_EQ(recorder.errors.size(), 1u);
    EXPECT_EQ(recorder.errors[0].message, "A coefficient is too large.");
}

TEST_F(PolyTextTest, HostileInputNeverCrashesOrLeaks) {
    const int before = termPool().usedCount();
    const std::string inputs[] = {
        std::string(100000, '('),
        std::string(100000, ')'),
        std::string(100000, '9'),
        std::string(50000, 'x') + std::string(50000, '+'),
        "\xff\xfe\x80x^2\xc3\xa9+t",
        std::string("x\0t", 3),
        "((((x+1)*(t-1)",
        "^^^^^^",
        "x^ 2 ^ 3 ^ 4",
        "2 2 2 2 2 2 2 2 2 2 2 2",
    };
    for (const auto &in : inputs) {
        Letters l = unsetLetters;
        try {
            OwnedPolynomial p(parsePolynomial(in, l));
            (void)printPolynomial(p.get());
        } catch (const ComputationAbandoned &) {
        }
        EXPECT_EQ(termPool().usedCount(), before) << in.substr(0, 20);
    }
    Letters l2 = unsetLetters;
    OwnedPolynomial q(parsePolynomial(std::string("x\0t", 3), l2));
    EXPECT_EQ(text(q.get()), "+x");
}

}  // namespace
}  // namespace quorvel
