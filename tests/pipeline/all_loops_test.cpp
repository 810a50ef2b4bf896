// "Trace all loops", a few steps at a time as the window's timer drives it:
// every loop ends, and the group they generate is the curve's.
#include <gtest/gtest.h>

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
            EXPECT_TRUE(o.finished) << row.curve << " loop " << loopLabel(o.target);
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

}  // namespace
}  // namespace quorvel
