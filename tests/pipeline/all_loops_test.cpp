// "Trace all loops", a few steps at a time as the window's timer drives it:
// every loop ends, and the group they generate is the curve's.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "pipeline/all_loops.h"
#include "support/recording_errors.h"

namespace quorvel {
namespace {

TEST(AllLoopsRun, EveryLoopEndsAndTheGroupIsTheCurves) {
    testing::RecordingErrors recorder;
    const struct {
        const char *curve;
        const char *order;
        size_t orbits;
        int genus;
    } rows[] = {
        {"x^3+t^3-1", "3", 1, 1},
        {"(x^2-t)*(x-1)", "2", 2, -1},
        {"x^4-t^3*x+t", "24", 1, 3},
    };
    for (const auto &row : rows) {
        Session session;
        session.typePolynomial(row.curve);
        ASSERT_TRUE(session.runPipeline()) << row.curve;
        AllLoopsRun run;
        ASSERT_TRUE(run.start(session)) << row.curve;
        int calls = 0;
        while (run.advance(session, 5) && calls < 100000) ++calls;
        EXPECT_FALSE(run.running());
        ASSERT_EQ(run.loopsDone(), run.loopCount()) << row.curve;
        for (const LoopOutcome &o : run.outcomes()) {
            EXPECT_TRUE(o.ended()) << row.curve << " loop " << loopLabel(o.target);
            EXPECT_EQ(o.permutation.size(), static_cast<size_t>(countPoints(session.state.fiber.get())));
        }
        EXPECT_EQ(run.outcomes().back().target.kind, "enclosing");
        const MonodromySummary s = run.summary();
        EXPECT_EQ(s.order, row.order) << row.curve;
        EXPECT_EQ(s.orbits.size(), row.orbits) << row.curve;
        EXPECT_EQ(s.genus, row.genus) << row.curve;
        EXPECT_TRUE(s.productCheck) << row.curve;
    }
    EXPECT_TRUE(recorder.errors.empty());

    Session empty;
    AllLoopsRun none;
    EXPECT_FALSE(none.start(empty));
}

// A dense curve of degree d with random integer coefficients is smooth in
// the projective plane, and x^d stands in it: the projection to t has the
// monodromy of a smooth plane curve, the full symmetric group, of genus
// (d-1)(d-2)/2. Every loop must end and pass its checks.
TEST(AllLoopsRun, RandomSmoothCurvesHaveThePlaneCurveGroupAndGenus) {
    testing::RecordingErrors recorder;
    std::mt19937 rng(20261207);
    std::uniform_int_distribution<int> coefficient(-9, 9);
    for (int d = 5; d <= 10; ++d) {
        for (int k = 0; k < 4; ++k) {
            std::string curve = "x^" + std::to_string(d);
            for (int i = 0; i <= d; ++i)
                for (int j = 0; i + j <= d; ++j)
                    if (i < d) curve += "+(" + std::to_string(coefficient(rng)) + ")*x^" + std::to_string(i) + "*t^" +
                                        std::to_string(j);
            Session session;
            session.typePolynomial(curve);
            recorder.errors.clear();
            ASSERT_TRUE(session.runPipeline()) << curve;
            AllLoopsRun run;
            ASSERT_TRUE(run.start(session));
            while (run.advance(session, 50)) {
            }
            EXPECT_TRUE(run.allVerified()) << curve;
            const MonodromySummary s = run.summary();
            long long factorial = 1;
            for (int m = 2; m <= d; ++m) factorial *= m;
            EXPECT_EQ(s.order, std::to_string(factorial)) << curve;
            EXPECT_EQ(s.genus, (d - 1) * (d - 2) / 2) << curve;
            EXPECT_TRUE(s.productCheck) << curve;
            EXPECT_TRUE(recorder.errors.empty()) << curve;
        }
    }
}

}  // namespace
}  // namespace quorvel
