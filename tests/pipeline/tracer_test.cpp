#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <utility>
#include <vector>
#include <string>

#include "engine/points.h"
#include "pipeline/session.h"
#include "pipeline/tracer.h"
#include "support/recording_errors.h"
#include "tracing/braid.h"

namespace quorvel {
namespace {

class TracerTest : public ::testing::Test {
protected:
    testing::RecordingErrors recorder;
    Session session;

    void go(const std::string &polynomial) {
        session.typePolynomial(polynomial);
        ASSERT_TRUE(session.runPipeline());
    }

    // Ticks until the run ends; returns the number of ticks.
    int runToEnd(int limit = 100000) {
        int ticks = 0;
        while (session.parameterSpace.timerRunning && ticks < limit) {
            timerTick(session);
            ++ticks;
        }
        return ticks;
    }

    std::string permutationText() {
        const int n = countPoints(session.state.fiber.get());
        return formatPermutation(
            computePermutation(session.traces.solutionTrace, session.traces.traceStepCount, n),
            session.state.fiber.get());
    }

    // A user path of line segments through the given points, set up as the
    // Manual mode's selected path.
    PathSegment *manualPath(std::initializer_list<Complex> points) {
        PathSegment *head = nullptr;
        PathSegment *last = nullptr;
        const Complex *prev = nullptr;
        std::vector<Complex> v(points);
        for (size_t i = 1; i < v.size(); ++i) {
            PathSegment *s = session.segmentPool.allocSegment();
            const int role = i == 1 ? roleFirst : (i + 1 == v.size() ? roleLast : roleInner);
            initLineSegment(s, 1, role, v[i - 1], v[i]);
            if (last)
                last->next = s;
            else
                head = s;
            last = s;
        }
        (void)prev;
        session.parameterSpace.storeUserPath(session.segmentPool, head);
        return head;
    }
};

TEST_F(TracerTest, LoopAroundTheSquareRootBranchPointExchangesTheTwoPoints) {
    go("x^2-t");
    ASSERT_TRUE(startAutoLoop(session, loopIndexAt(session, Complex(0, 0), false)));
    EXPECT_EQ(session.traces.tracingState, tracingRunning);
    EXPECT_EQ(session.parameterSpace.pathDisplay, pathDisplaySelected);
    runToEnd();
    EXPECT_TRUE(recorder.errors.empty());
    EXPECT_EQ(session.traces.tracingState, tracingFinished);
    EXPECT_EQ(session.run.traceFinished, 1);
    EXPECT_EQ(session.state.replayAtEnd, 1);
    EXPECT_EQ(permutationText(), "1->2->1,");
    EXPECT_EQ(session.run.braidWord.count(), 1);
    // The marker is back on the base point and the work lists are released.
    EXPECT_DOUBLE_EQ(session.parameterSpace.markerPoint.re, session.state.basePoint.re);
    EXPECT_FALSE(session.run.work.ready());
    // Every step holds both points, the first numbered 0.
    const int steps = session.traces.traceStepCount;
    EXPECT_EQ(countRecords(session.traces.solutionTrace), 2 * steps);
    EXPECT_EQ(countRecords(session.traces.parameterTrace), steps);
    for (int k = 0; k < steps; ++k) EXPECT_EQ(stepAt(session.traces.solutionTrace, k)->number, 0);
    // Every recorded pair solves the curve at its recorded parameter.
    for (int k = 0; k < steps; ++k) {
        const Complex t = stepAt(session.traces.parameterTrace, k)->value;
        for (const TraceRecord *r = stepAt(session.traces.solutionTrace, k); r;
             r = r->next) {
            if (r != stepAt(session.traces.solutionTrace, k) && r->number == 0) break;
            const Complex f = r->value * r->value - t;
            EXPECT_LT(modulus(f), 1e-6);
        }
    }
}

TEST_F(TracerTest, LoopAroundInfinityExchangesTheSquareRootsToo) {
    go("x^2-t");
    ASSERT_TRUE(startAutoLoop(session, loopIndexAt(session, Complex(0, 0), true)));
    runToEnd();
    EXPECT_TRUE(recorder.errors.empty());
    EXPECT_EQ(permutationText(), "1->2->1,");
}

TEST_F(TracerTest, CubeRootLoopIsAThreeCycle) {
    go("x^3-t");
    ASSERT_TRUE(startAutoLoop(session, 0));
    runToEnd();
    EXPECT_TRUE(recorder.errors.empty());
    const auto perm = computePermutation(session.traces.solutionTrace, session.traces.traceStepCount, 3);
    ASSERT_EQ(perm.size(), 4u);
    for (int i = 0; i < 3; ++i) EXPECT_NE(perm[static_cast<size_t>(i)], i);
    EXPECT_EQ(perm[3], -1);
    EXPECT_EQ(session.run.braidWord.count(), 2);
}

TEST_F(TracerTest, StepLengthGrowsBackQuicklyAfterAHardStretch) {
    go("x^2-t");
    PathSegment *path = manualPath({Complex(0.5, 0), Complex(5, 0), Complex(0.5, 0)});
    ASSERT_TRUE(startLoopAt(session, path));
    session.parameterSpace.viewMode = modeAuto;
    TracerWork &w = session.run.work;
    EXPECT_DOUBLE_EQ(w.segmentStep, 0.025);
    // Easy steps at most double the step, up to a quarter of a segment.
    double before = w.segmentStep;
    for (int k = 0; k < 3; ++k) {
        ASSERT_TRUE(tracerTick(session).stepAccepted);
        EXPECT_GT(w.segmentStep, before);
        EXPECT_LE(w.segmentStep, 2 * before);
        before = w.segmentStep;
    }
    // After a hard stretch (a tiny step) the step grows back within a few
    // dozen steps instead of crawling.
    w.segmentStep = 1e-7;
    int ticks = 0;
    while (w.segmentStep < 0.1 && ticks < 40 && session.parameterSpace.timerRunning) {
        ASSERT_TRUE(tracerTick(session).stepAccepted);
        ++ticks;
    }
    EXPECT_LT(ticks, 30);
    EXPECT_LE(w.segmentStep, 0.25);
    runToEnd();
    EXPECT_TRUE(recorder.errors.empty());
    EXPECT_EQ(permutationText(), "1->1,2->2,");
    EXPECT_EQ(session.traces.traceStepCount, countSteps(session.traces.solutionTrace));
}

TEST_F(TracerTest, TheLoopsOfTheIssueFinishInFewSteps) {
    // These crawled at a step of 1e-8 or stopped with "Overflow Error".
    for (const char *curve : {"x^2-t^5+1", "x^2-t^6+1", "x^2-t^8+1", "x^3-t^7+2", "x^18-t", "x^20-t", "x^22-t"}) {
        session.clearAll();
        session.state.hasBasePoint = false;
        go(curve);
        for (const LoopSummary &l : listLoops(session.parameterSpace.autoPaths)) {
            ASSERT_TRUE(startLoopAt(session, l.first));
            runToEnd();
            EXPECT_EQ(session.run.traceFinished, 1) << curve;
            EXPECT_EQ(session.run.relaxedMode, 0) << curve;
            EXPECT_LE(session.traces.traceStepCount, 80) << curve;
        }
        EXPECT_TRUE(recorder.errors.empty()) << curve;
    }
}

TEST_F(TracerTest, PathThroughACollisionGoesRelaxedThenStops) {
    go("x^2-t");
    PathSegment *path = manualPath({Complex(0.5, 0), Complex(0, 0), Complex(0.5, 0)});
    ASSERT_TRUE(startLoopAt(session, path));
    runToEnd();
    EXPECT_EQ(session.run.relaxedMode, 1);
    ASSERT_EQ(recorder.errors.size(), 1u);
    EXPECT_EQ(recorder.errors[0].message,
              breakLines("Parameter go thru near the branch point. We cannot trace anymore."));
    EXPECT_EQ(recorder.errors[0].remedy, "Using Manual mode, replace the parameter path.");
    EXPECT_FALSE(session.parameterSpace.timerRunning);
    EXPECT_EQ(session.traces.tracingState, tracingRunning);  // stopped, not finished
    // The steps recorded so far stay and the tick does nothing more.
    const int steps = session.traces.traceStepCount;
    EXPECT_GT(steps, 1);
    tracerTick(session);
    EXPECT_EQ(session.traces.traceStepCount, steps);
}

TEST_F(TracerTest, ReplayWalksTheRecordedStepsAndStopsAtTheEnd) {
    go("x^2-t");
    ASSERT_TRUE(startAutoLoop(session, 0));
    runToEnd();
    const int steps = session.traces.traceStepCount;
    replayIconClick(session, ReplayIcon::GoToStart);
    EXPECT_EQ(session.state.replayAtStart, 1);
    IconResult play = replayIconClick(session, ReplayIcon::Play);
    EXPECT_TRUE(play.timerStarted);
    EXPECT_EQ(session.state.replayIndex, 0);
    int ticks = 0;
    while (session.parameterSpace.timerRunning && ticks < 10000) {
        const TickResult r = timerTick(session);
        ++ticks;
        const Complex shown = session.parameterSpace.markerPoint;
        const Complex recorded = stepAt(session.traces.parameterTrace, session.state.replayIndex)->value;
        EXPECT_EQ(shown.re, recorded.re);
        (void)r;
    }
    EXPECT_EQ(ticks, steps);
    EXPECT_EQ(session.state.replayIndex, steps - 1);
    EXPECT_EQ(session.state.replayAtEnd, 1);
    EXPECT_EQ(session.state.replayPlaying, 0);
}

TEST_F(TracerTest, PauseStepsAndPlayAfterTheEndStartsFromTheLastStep) {
    go("x^2-t");
    ASSERT_TRUE(startAutoLoop(session, 0));
    runToEnd();
    const int last = session.traces.traceStepCount - 1;
    replayIconClick(session, ReplayIcon::GoToStart);
    session.state.replayIndex = last - 2;
    replayIconClick(session, ReplayIcon::Pause);
    EXPECT_EQ(session.state.replayPaused, 1);
    EXPECT_EQ(session.state.replayIndex, last - 2);
    replayIconClick(session, ReplayIcon::Pause);
    replayIconClick(session, ReplayIcon::Pause);
    EXPECT_EQ(session.state.replayIndex, last);
    EXPECT_EQ(session.state.replayPaused, 1);
    replayIconClick(session, ReplayIcon::Pause);
    EXPECT_EQ(session.state.replayAtEnd, 1);
    replayIconClick(session, ReplayIcon::Play);
    EXPECT_EQ(session.state.replayIndex, last);
    EXPECT_TRUE(replayIconClick(session, ReplayIcon::Save).saveRequested);
}

TEST_F(TracerTest, ManualLoopWaitsForStartTracing) {
    go("x^2-t");
    ASSERT_TRUE(chooseManualLoop(session, 0));
    EXPECT_EQ(session.parameterSpace.editTool, 2);
    EXPECT_FALSE(session.parameterSpace.timerRunning);
    EXPECT_EQ(session.traces.tracingState, tracingRunning);
    EXPECT_STREQ(pointName(findByNumber(session.state.fiber.get(), 0)), "1");
    session.parameterSpace.viewMode = modeManual;
    session.parameterSpace.editTool = 0;
    EXPECT_FALSE(startTracingCommand(session));
    ASSERT_EQ(recorder.errors.size(), 1u);  // never without a word
    recorder.errors.clear();
    session.parameterSpace.editTool = 2;
    ASSERT_TRUE(startTracingCommand(session));
    runToEnd();
    EXPECT_TRUE(recorder.errors.empty());
    EXPECT_EQ(permutationText(), "1->2->1,");
    // The auto-mode chain is untouched by the manual copy.
    EXPECT_NE(session.parameterSpace.autoPaths, session.parameterSpace.selectedPath);
}

TEST_F(TracerTest, ArtModeTracesFreeHand) {
    go("x^2-t");
    session.parameterSpace.viewMode = modeArt;
    toggleArtTracing(session, Complex(1, 0));
    EXPECT_EQ(session.parameterSpace.artTracing, 1);
    for (int k = 1; k <= 40; ++k) {
        const double a = 2 * M_PI * k / 40;
        freeHandStep(session, Complex(std::cos(a), std::sin(a)));
    }
    EXPECT_EQ(session.traces.traceStepCount, 41);
    toggleArtTracing(session, Complex(1, 0));
    EXPECT_EQ(session.traces.tracingState, tracingFinished);
    EXPECT_EQ(session.state.replayAtEnd, 1);
    EXPECT_EQ(permutationText(), "1->2->1,");
}

TEST_F(TracerTest, NothingToTraceBeforeGo) {
    EXPECT_FALSE(startAutoLoop(session, 0));
    EXPECT_FALSE(chooseManualLoop(session, 0));
    const TickResult r = tracerTick(session);
    EXPECT_FALSE(r.stepAccepted);
}

TEST_F(TracerTest, GoStopsARunningTrace) {
    go("x^2-t");
    ASSERT_TRUE(startAutoLoop(session, 0));
    tracerTick(session);
    session.typePolynomial("x^2-t-1");
    ASSERT_TRUE(session.runPipeline());
    EXPECT_FALSE(session.parameterSpace.timerRunning);
    EXPECT_FALSE(tracerTick(session).stepAccepted);
}

// Where each fiber point ends after the loop: s[i] = j when the point
// numbered i arrives where the point numbered j started.
std::vector<int> arrivals(const Session &session) {
    const int n = countPoints(session.state.fiber.get());
    std::vector<int> e =
        computePermutation(session.traces.solutionTrace, session.traces.traceStepCount, n);
    e.resize(static_cast<size_t>(n));
    return e;
}

std::vector<int> inverse(const std::vector<int> &s) {
    std::vector<int> inv(s.size());
    for (size_t i = 0; i < s.size(); ++i) inv[static_cast<size_t>(s[i])] = static_cast<int>(i);
    return inv;
}

// The same read off the braid word: the fiber is numbered from the right
// along the real axis, and generator +-k exchanges the strands at positions
// k - 1 and k from the left.
std::vector<int> braidArrivals(const std::vector<int32_t> &word, int n) {
    std::vector<int> at(static_cast<size_t>(n));
    for (int p = 0; p < n; ++p) at[static_cast<size_t>(p)] = n - 1 - p;
    for (int32_t g : word) {
        const size_t k = static_cast<size_t>(std::abs(g));
        std::swap(at[k - 1], at[k]);
    }
    std::vector<int> s(static_cast<size_t>(n));
    for (int p = 0; p < n; ++p) s[static_cast<size_t>(at[static_cast<size_t>(p)])] = n - 1 - p;
    return s;
}

TEST_F(TracerTest, LocalLoopsComposeToTheLoopAroundAllAndAgreeWithTheirBraids) {
    for (const char *curve : {"x^3-3*x+t", "x^3 + t*x + t^2 - 1"}) {
        session.clearAll();
        go(curve);
        const int n = countPoints(session.state.fiber.get());
        std::vector<PathSegment *> starts;
        for (const LoopSummary &l : listLoops(session.parameterSpace.autoPaths)) starts.push_back(l.first);
        ASSERT_GE(starts.size(), 3u) << curve;
        std::vector<int> composed(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i) composed[static_cast<size_t>(i)] = i;
        std::vector<int> enclosing;
        for (size_t k = 0; k < starts.size(); ++k) {
            ASSERT_TRUE(startLoopAt(session, starts[k]));
            runToEnd();
            ASSERT_EQ(session.run.traceFinished, 1) << curve << " loop " << k;
            const std::vector<int> s = arrivals(session);
            EXPECT_EQ(s, braidArrivals(session.run.braidWord.generators(), n))
                << curve << " loop " << k;
            if (k + 1 == starts.size()) {
                enclosing = s;
            } else {
                // composed = composed o inverse(s)
                const std::vector<int> inv = inverse(s);
                std::vector<int> next(composed.size());
                for (size_t i = 0; i < next.size(); ++i)
                    next[i] = composed[static_cast<size_t>(inv[i])];
                composed = next;
            }
        }
        // One after another in chain order the local loops go once
        // counter-clockwise round every locus; the enclosing loop runs
        // clockwise, so it undoes them.
        EXPECT_EQ(composed, enclosing) << curve;
        EXPECT_TRUE(recorder.errors.empty()) << curve;
    }
}

}  // namespace
}  // namespace quorvel
