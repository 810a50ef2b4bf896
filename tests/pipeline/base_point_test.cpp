// The base point is never on a locus: one typed there is refused with a
// message and nothing is traced from it; one chosen by "Go" keeps a fair
// share of the room between the loci.
#include <gtest/gtest.h>

#include <string>

#include "engine/error.h"
#include "engine/points.h"
#include "pipeline/base_point_reading.h"
#include "pipeline/document.h"
#include "pipeline/session.h"
#include "pipeline/tracer.h"
#include "support/recording_errors.h"

namespace quorvel {
namespace {

// A message as one line, the error channel's breaks undone.
std::string joined(std::string text) {
    for (char &c : text)
        if (c == '\n') c = ' ';
    return text;
}

class BasePointTest : public ::testing::Test {
protected:
    testing::RecordingErrors recorder;
    Session session;

    bool go(const std::string &polynomial) {
        session.typePolynomial(polynomial);
        return session.runPipeline();
    }
};

TEST_F(BasePointTest, ATypedBasePointOnALocusIsRefused) {
    struct Case {
        const char *curve;
        const char *base;
    };
    for (const Case &c : {Case{"x^2-t+1", "1"}, Case{"x^2-t+1", "1.0000001"}, Case{"x^2-t", "0"},
                          Case{"t*x^2+x-1", "0+0i"}, Case{"x^2-t^2-1", "0+1i"}}) {
        session.clearAll();
        ASSERT_TRUE(go(c.curve)) << c.curve;
        const Complex before = session.state.basePoint;
        recorder.errors.clear();
        session.typeBasePoint(c.base);
        EXPECT_FALSE(session.recalculateFiber()) << c.curve << " at " << c.base;
        ASSERT_EQ(recorder.errors.size(), 1u) << c.curve << " at " << c.base;
        EXPECT_EQ(recorder.errors[0].message, breakLines("The base point is a branch locus."));
        EXPECT_FALSE(recorder.errors[0].remedy.empty());
        // Nothing changed, and a loop traced now starts from the old base.
        EXPECT_EQ(session.state.basePoint.re, before.re);
        EXPECT_EQ(session.state.basePoint.im, before.im);
    }
    // Just off the locus is a base point like any other.
    session.clearAll();
    ASSERT_TRUE(go("x^2-t+1"));
    recorder.errors.clear();
    session.typeBasePoint("1.001");
    EXPECT_TRUE(session.recalculateFiber());
    EXPECT_TRUE(recorder.errors.empty());
    EXPECT_EQ(countPoints(session.state.fiber.get()), 2);
}

// The field, a document and the command line (which checks with
// readBasePoint) read a base point alike: what is no finite complex number
// is refused with one message, and nothing held changes.
TEST_F(BasePointTest, EveryReaderRefusesWhatIsNoFiniteComplexNumberWithOneMessage) {
    const std::string refused = "\" is not a finite complex number: ";
    for (const std::string text : {"1e400", "abc", "nan", "inf", "2x", "1.5 , -2i", ""}) {
        Complex value;
        std::string message;
        EXPECT_FALSE(readBasePoint(text, value, message)) << text;
        EXPECT_EQ(message.rfind("The base point \"" + text + refused, 0), 0u) << message;

        session.clearAll();
        ASSERT_TRUE(go("x^2-t"));
        const Complex before = session.state.basePoint;
        recorder.errors.clear();
        session.typeBasePoint(text);
        EXPECT_FALSE(session.recalculateFiber()) << text;
        ASSERT_EQ(recorder.errors.size(), 1u) << text;
        EXPECT_EQ(recorder.errors[0].message, breakLines(message));
        EXPECT_EQ(recorder.errors[0].remedy, breakLines(basePointRemedy));
        EXPECT_EQ(session.state.basePoint.re, before.re) << text;
        EXPECT_EQ(session.state.basePoint.im, before.im) << text;

        // A document's stored base point: the load stops before the fiber.
        Session loaded;
        recorder.errors.clear();
        DocumentReader reader("*polynomial\r\nx^2-t\r\n*branchpoly\r\n+t\r\n*branchloci\r\n1\r\n0\r\n0\r\n"
                              "*parameterbase\r\n" + text + "\r\n0\r\n*fiberonbasepoint\r\n2\r\n1\r\n0\r\n-1\r\n0\r\n");
        readSections(loaded, reader, false);
        EXPECT_EQ(loaded.state.stage, stageBranchLoci) << text;
        ASSERT_EQ(recorder.errors.size(), 1u) << text;
        EXPECT_EQ(joined(recorder.errors[0].message).rfind("The base point \"" + text + "+(0)*i" + refused, 0), 0u)
            << recorder.errors[0].message;
    }
}

// After Clear All the next "Go" chooses the base point a fresh session
// would, never the one typed before.
TEST_F(BasePointTest, ClearAllForgetsTheBasePoint) {
    Session first;
    first.typePolynomial("x^3-t+1");
    ASSERT_TRUE(first.runPipeline());
    ASSERT_TRUE(go("x^3-t+1"));
    session.typeBasePoint("4+2i");
    ASSERT_TRUE(session.recalculateFiber());
    session.clearAll();
    ASSERT_TRUE(go("x^3-t+1"));
    EXPECT_EQ(session.state.basePoint.re, first.state.basePoint.re);
    EXPECT_EQ(session.state.basePoint.im, first.state.basePoint.im);
}

TEST_F(BasePointTest, AKeptBasePointThatFallsOnALocusOfTheNextCurveIsChosenAnew) {
    ASSERT_TRUE(go("x^2-t+1"));
    ASSERT_TRUE(go("x^2-t^3+2"));  // same stage: nothing recomputed
    session.typePolynomial("x^2-t+" + std::to_string(session.state.basePoint.re));
    ASSERT_TRUE(session.runPipeline());
    EXPECT_GT(modulus(session.state.basePoint - session.state.branchLoci.get()->coef), 0.1);
    EXPECT_TRUE(recorder.errors.empty());
}

PointList list(const std::vector<Complex> &set, double scale, Complex shift) {
    PointList l = nullptr;
    for (Complex z : set) appendPoint(l, z * Complex(scale, 0) + shift);
    return l;
}

// The least distance from b to a locus, in units of that locus's distance
// to its nearest neighbour.
double clearance(Complex b, const std::vector<Complex> &loci) {
    double score = 1e300;
    for (size_t k = 0; k < loci.size(); ++k) {
        double nearest = loci.size() > 1 ? 1e300 : 1.0;
        for (size_t j = 0; j < loci.size(); ++j)
            if (j != k) nearest = std::min(nearest, modulus(loci[k] - loci[j]));
        score = std::min(score, modulus(b - loci[k]) / nearest);
    }
    return score;
}

// The base point "Go" chooses keeps a fair share of the room round every
// locus, moves with the loci when they are scaled or shifted, and is not
// dragged out of the crowd by an outlying locus.
TEST_F(BasePointTest, TheChosenBasePointKeepsItsRoomAtEveryScaleAndShift) {
    const std::vector<std::vector<Complex>> sets = {
        {Complex(0, 0), Complex(1.344854, 0), Complex(4.987576, 0), Complex(4.996155, 0.011817),
         Complex(5.010064, 0.007316), Complex(-6.672428, 6.958852), Complex(-6.672428, -6.958852)},
        {Complex(1, 0), Complex(2, 0), Complex(3, 0)},
        {Complex(0, 0), Complex(0.001, 0), Complex(10, 0), Complex(-10, 0)},
        {Complex(1, 0), Complex(0, 1), Complex(-1, 0), Complex(0, -1), Complex(0.01, 0.01)},
        {Complex(0, 0), Complex(1e-12, 0), Complex(1, 0), Complex(1 + 1e-12, 0), Complex(-1, 0)},
        {Complex(0.3, 0.1), Complex(-0.2, 0.4), Complex(0.1, -0.3), Complex(0.4, 0.3), Complex(1000, 0)},
    };
    for (const auto &set : sets) {
        const Complex b = chooseBasePoint(OwnedPolynomial(list(set, 1, Complex(0, 0))).get());
        EXPECT_GE(clearance(b, set), 0.4 - 1e-9) << set.size() << " loci, base " << b.re << "," << b.im;
        if (set.back().re == 1000) {
            EXPECT_LT(modulus(b), 0.5) << "dragged by the outlier";
        }
        for (double s : {1e-6, 1e6})
            for (Complex c : {Complex(0, 0), Complex(0.5 * s, -0.25 * s)}) {
                const Complex moved = chooseBasePoint(OwnedPolynomial(list(set, s, c)).get());
                EXPECT_LT(modulus(moved - (b * Complex(s, 0) + c)), 1e-9 * s) << set.size() << " loci, scale " << s;
            }
    }
}

}  // namespace
}  // namespace quorvel
