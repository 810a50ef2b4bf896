// Runs of the Parameter Space window that start away from the base point
// (Art mode, "New Path") beside the Auto loops: what they leave of the
// fiber over the base point, how they number the traces, and what a
// finished free-hand run shows.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "engine/calculus.h"
#include "engine/points.h"
#include "engine/univariate.h"
#include "pipeline/document.h"
#include "pipeline/session.h"
#include "pipeline/tracer.h"
#include "support/recording_errors.h"
#include "tracing/braid.h"

namespace quorvel {
namespace {

class ParameterRuns : public ::testing::Test {
protected:
    testing::RecordingErrors recorder;
    Session session;

    void go(const std::string &polynomial) {
        session.typePolynomial(polynomial);
        ASSERT_TRUE(session.runPipeline());
    }
    void runToEnd() {
        for (int ticks = 0; session.parameterSpace.timerRunning && ticks < 100000; ++ticks) timerTick(session);
    }
    Term *tracedFiber() { return session.run.tracedFiber(session.state.fiber.get()); }
    std::string permutationText() {
        const int n = countPoints(tracedFiber());
        return formatPermutation(
            computePermutation(session.traces.solutionTrace, session.traces.traceStepCount, n), tracedFiber());
    }
    std::string autoLoopAt(Complex locus) {
        session.parameterSpace.viewMode = modeAuto;
        EXPECT_TRUE(startAutoLoop(session, loopIndexAt(session, locus, false)));
        runToEnd();
        return permutationText();
    }
    // A free-hand run: the first click at `from`, moves through `through`,
    // the second click at `to`.
    void artRun(Complex from, const std::vector<Complex> &through, Complex to, double closeRadius = 0.0) {
        session.parameterSpace.viewMode = modeArt;
        toggleArtTracing(session, from, closeRadius);
        for (Complex m : through) freeHandStep(session, m);
        // The mouse reaches the second click's place before it clicks.
        freeHandStep(session, to);
        toggleArtTracing(session, to, closeRadius);
    }
    // The largest |f(x, t)| over the points of a fiber.
    double residual(const Term *fiber, Complex t) {
        OwnedPolynomial ft(substitute(session.state.curve.get(), session.state.parameter(), t));
        double worst = 0.0;
        for (const Term *p = fiber; p; p = p->next)
            worst = std::max(worst, modulus(evaluateUnivariate(ft.get(), session.state.fiberVariable(), p->coef)));
        return worst;
    }
};

std::vector<Complex> circle(Complex centre, double radius, int steps, double startAngle = 0.0) {
    std::vector<Complex> points;
    for (int k = 1; k <= steps; ++k) {
        const double a = startAngle + 2 * M_PI * k / steps;
        points.push_back(centre + Complex(radius * std::cos(a), radius * std::sin(a)));
    }
    return points;
}

TEST_F(ParameterRuns, ARunStartedElsewhereLeavesTheFiberOverTheBasePoint) {
    go("x^3 + t*x + t^2 - 1");
    const Complex locus(-0.839, 0.0);
    const std::string first = autoLoopAt(locus);
    EXPECT_EQ(first, "1->1,2->3->2,");
    const Complex base = session.state.basePoint;
    const std::vector<std::string> shown = session.form.fiber.lines();

    // Art mode: two clicks near t = -0.5 with a move between them.
    artRun(Complex(-0.5, 0.05), {Complex(-0.45, 0.1)}, Complex(-0.5, -0.05));
    EXPECT_EQ(session.traces.tracingState, tracingFinished);
    // The run's own fiber solves the curve where it started; the fiber over
    // the base point is untouched.
    EXPECT_LT(residual(tracedFiber(), Complex(-0.5, 0.05)), 1e-9);
    EXPECT_LT(residual(session.state.fiber.get(), base), 1e-9);
    EXPECT_EQ(session.form.fiber.lines(), shown);

    EXPECT_EQ(autoLoopAt(locus), first);
    EXPECT_EQ(session.run.startFiber.get(), nullptr);
    // A Manual loop starts on the base point: its traces use the fiber over
    // it, with the names the user gave.
    setPointName(findByNumber(session.state.fiber.get(), 0), "A");
    ASSERT_TRUE(chooseManualLoop(session, loopIndexAt(session, locus, false)));
    EXPECT_EQ(session.run.startFiber.get(), nullptr);
    EXPECT_STREQ(pointName(findByNumber(tracedFiber(), 0)), "A");

    // A save after the Art run writes the fiber over the stored base point.
    artRun(Complex(-0.5, 0.05), {Complex(-0.45, 0.1)}, Complex(-0.5, -0.05));
    DocumentReader again(writeSections(session));
    Complex storedBase;
    ASSERT_TRUE(again.findSection(tagParameterBase));
    ASSERT_TRUE(again.readPoint(storedBase));
    ASSERT_TRUE(again.findSection(tagFiber));
    int count = 0;
    ASSERT_TRUE(again.readCount(count));
    ASSERT_EQ(count, 3);
    OwnedPolynomial stored;
    for (int k = 0; k < count; ++k) {
        Complex v;
        ASSERT_TRUE(again.readPoint(v));
        Term *p = newPoint(v);
        p->next = stored.release();
        stored.reset(p);
    }
    // Six decimals are written: the residual is of that order.
    EXPECT_LT(residual(stored.get(), storedBase), 1e-4);
}

// Step 0 and every later step carry one numbering: the point numbered k in
// a step is the one nearest the point numbered k in the step before.
void expectOneNumbering(const Traces &traces, int n) {
    for (int step = 1; step < traces.traceStepCount; ++step) {
        const TraceRecord *before = stepAt(traces.solutionTrace, step - 1);
        const TraceRecord *now = stepAt(traces.solutionTrace, step);
        std::vector<Complex> a(static_cast<size_t>(n)), b(static_cast<size_t>(n));
        for (int k = 0; k < n; ++k, before = before->next, now = now->next) {
            a[static_cast<size_t>(before->number)] = before->value;
            b[static_cast<size_t>(now->number)] = now->value;
        }
        for (int k = 0; k < n; ++k) {
            int nearest = 0;
            for (int j = 1; j < n; ++j)
                if (modulus(b[static_cast<size_t>(k)] - a[static_cast<size_t>(j)]) <
                    modulus(b[static_cast<size_t>(k)] - a[static_cast<size_t>(nearest)]))
                    nearest = j;
            ASSERT_EQ(nearest, k) << "step " << step << ", point " << k;
        }
    }
}

TEST_F(ParameterRuns, NewPathNumbersTheTracesOnceFromStepZero) {
    go("x^3 - 2*x*t + t - 1");
    // A user path: a square loop from P, where the root finder's order of
    // the fiber is not the sorted one.
    const Complex p(-0.75, -0.5);
    restartTracesAt(session, p);
    const Complex corners[] = {p, p + Complex(1.2, 0), p + Complex(1.2, 1.2), p + Complex(0, 1.2), p};
    PathSegment *head = nullptr, *last = nullptr;
    for (int k = 0; k < 4; ++k) {
        PathSegment *s = initLineSegment(session.segmentPool.allocSegment(), 1,
                                         k == 0 ? roleFirst : (k == 3 ? roleLast : roleInner), corners[k],
                                         corners[k + 1]);
        (last ? last->next : head) = s;
        last = s;
    }
    ParameterSpaceState &ps = session.parameterSpace;
    ps.storeUserPath(session.segmentPool, head);
    ps.selectedPath = ps.currentSegment = head;
    ps.viewMode = modeManual;
    ps.editTool = 2;
    ASSERT_TRUE(startTracingCommand(session));
    runToEnd();
    ASSERT_TRUE(recorder.errors.empty());
    ASSERT_EQ(session.traces.tracingState, tracingFinished);
    expectOneNumbering(session.traces, 3);
    // The permutation compares one numbering with itself: a permutation of
    // the three names, each point arriving on a start point.
    const std::vector<int> perm =
        computePermutation(session.traces.solutionTrace, session.traces.traceStepCount, 3);
    std::vector<int> sorted(perm.begin(), perm.begin() + 3);
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, (std::vector<int>{0, 1, 2}));
}

TEST_F(ParameterRuns, AFinishedArtRunShowsItsBraidAndAClosedOneItsPermutation) {
    go("x^2-t");
    struct Row {
        const char *name;
        Complex secondClick;
        double closeRadius;
        bool closed;
    };
    const Row rows[] = {
        {"a second click near the start closes the loop", {1.03, 0.02}, 0.08, true},
        {"a second click elsewhere leaves it open", {1.5, 0.0}, 0.08, false},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<Complex> through = circle(Complex(0, 0), 1.0, 40);
        through.pop_back();  // the mouse stops short of the start
        artRun(Complex(1, 0), through, row.secondClick, row.closeRadius);
        EXPECT_EQ(session.run.traceFinished, 1);
        EXPECT_EQ(session.traces.tracingState, tracingFinished);
        EXPECT_EQ(formatBraidWord(session.run.braidWord).size(), 3u);  // one generator: "+1," or "-1,"
        EXPECT_EQ(traceEndsWhereItBegan(session.traces), row.closed);
        if (row.closed) {
            EXPECT_EQ(permutationText(), "1->2->1,");
        }
    }
}

}  // namespace
}  // namespace quorvel
