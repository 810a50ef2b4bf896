// The base point is never on a locus: one typed there is refused with a
// message and nothing is traced from it; one chosen by "Go" keeps a fair
// share of the room between the loci.
#include <gtest/gtest.h>

#include <string>

#include "engine/error.h"
#include "engine/points.h"
#include "pipeline/session.h"
#include "pipeline/tracer.h"
#include "support/recording_errors.h"

namespace quorvel {
namespace {

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
