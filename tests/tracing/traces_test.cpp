#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

#include "engine/points.h"
#include "support/recording_errors.h"
#include "tracing/traces.h"

namespace quorvel {
namespace {

class TracesTest : public testing::EngineTest {
protected:
    // A flat point list numbered from 0 in chain order, as the tracer
    // appends it.
    OwnedPolynomial numberedList(std::initializer_list<Complex> values) {
        PointList list = nullptr;
        for (Complex v : values) appendPoint(list, v);
        numberPoints(list, 0);
        return OwnedPolynomial(list);
    }
    std::vector<TraceRecord *> records(TraceRecord *trace) {
        std::vector<TraceRecord *> out;
        for (; trace; trace = trace->next) out.push_back(trace);
        return out;
    }
    TracePool pool;
};

TEST_F(TracesTest, AllocationTakesTheFirstFreeRecordInPoolOrder) {
    TraceRecord *a = pool.allocTraceRecord(Complex(1, 0));
    TraceRecord *b = pool.allocTraceRecord(Complex(2, 0));
    TraceRecord *c = pool.allocTraceRecord(Complex(3, 0));
    EXPECT_EQ(a, pool.head());
    EXPECT_EQ(b, a->poolNext);
    EXPECT_EQ(c, b->poolNext);

    // A record freed behind later allocations is the next one taken again,
    // filled afresh.
    b->number = 4;
    b->next = c;
    c->next = nullptr;
    pool.freeTrace(b);
    EXPECT_EQ(pool.recordsInUse(), 1);
    TraceRecord *again = pool.allocTraceRecord(Complex(5, 6));
    EXPECT_EQ(again, b);
    EXPECT_EQ(again->value.re, 5.0);
    EXPECT_EQ(again->value.im, 6.0);
    EXPECT_EQ(again->inUse, 1);
    EXPECT_EQ(again->number, 0);
    EXPECT_EQ(again->next, nullptr);
    EXPECT_EQ(pool.allocTraceRecord(Complex(7, 0)), c);
}

TEST_F(TracesTest, FullPoolGrowsByABlockAndKeepsFillingFromTheHead) {
    EXPECT_EQ(pool.totalRecords(), 5000);
    EXPECT_EQ(pool.recordsInUse(), 0);
    std::vector<TraceRecord *> taken;
    for (int i = 0; i < 5000; ++i) taken.push_back(pool.allocTraceRecord(Complex(i, 0)));
    ASSERT_EQ(pool.recordsInUse(), 5000);
    ASSERT_EQ(pool.totalRecords(), 5000);

    // The next appended point comes from a new block, with value and number.
    auto list = numberedList({Complex(0.5, -0.25), Complex(2, 2)});
    list.get()->exp[0] = 9;
    TraceRecord *trace = nullptr;
    appendStep(pool, &trace, list.get());
    EXPECT_EQ(pool.totalRecords(), 10000);
    EXPECT_EQ(pool.recordsInUse(), 5002);
    ASSERT_NE(trace, nullptr);
    EXPECT_EQ(trace, taken.back()->poolNext);
    EXPECT_EQ(trace->value.re, 0.5);
    EXPECT_EQ(trace->value.im, -0.25);
    EXPECT_EQ(trace->number, 9);
    ASSERT_NE(trace->next, nullptr);
    EXPECT_EQ(trace->next->number, 1);
    EXPECT_EQ(trace->next, trace->poolNext);

    int chained = 0;
    for (TraceRecord *r = pool.head(); r; r = r->poolNext) ++chained;
    EXPECT_EQ(chained, 10000);

    // A record freed in the first block is found before the free ones of the
    // second.
    pool.freeTrace(taken[1234]);
    EXPECT_EQ(pool.allocTraceRecord(Complex(1, 1)), taken[1234]);
    EXPECT_EQ(pool.allocTraceRecord(Complex(1, 1)), trace->next->poolNext);
}

TEST_F(TracesTest, FreeTraceStopsAtAnAlreadyFreeRecord) {
    auto list = numberedList({Complex(1, 0), Complex(2, 0), Complex(3, 0), Complex(4, 0)});
    TraceRecord *trace = nullptr;
    appendStep(pool, &trace, list.get());
    auto r = records(trace);
    ASSERT_EQ(r.size(), 4u);

    // Free the second record alone, then the whole chain.
    r[1]->next = nullptr;
    pool.freeTrace(r[1]);
    r[1]->next = r[2];
    ASSERT_EQ(pool.recordsInUse(), 3);
    pool.freeTrace(trace);
    EXPECT_EQ(r[0]->inUse, 0);
    EXPECT_EQ(r[2]->inUse, 1);
    EXPECT_EQ(r[3]->inUse, 1);
    EXPECT_EQ(pool.recordsInUse(), 2);
    EXPECT_EQ(r[0]->next, r[1]);  // links are left as they are

    // Freeing again, freeing nothing and freeing another pool's records
    // change nothing.
    pool.freeTrace(trace);
    pool.freeTrace(nullptr);
    TracePool other;
    TraceRecord *foreign = other.allocTraceRecord(Complex(0, 0));
    pool.freeTrace(foreign);
    EXPECT_EQ(foreign->inUse, 1);
    EXPECT_EQ(pool.recordsInUse(), 2);
}

TEST_F(TracesTest, FreeTraceEndsOnAChainThatLoopsBack) {
    TraceRecord *a = pool.allocTraceRecord(Complex(1, 0));
    TraceRecord *b = pool.allocTraceRecord(Complex(2, 0));
    a->next = b;
    b->next = a;
    pool.freeTrace(a);
    EXPECT_EQ(pool.recordsInUse(), 0);
}

TEST_F(TracesTest, AppendStepCopiesValuesAndNumbersInChainOrder) {
    auto list = numberedList({Complex(1, 1), Complex(2, 2), Complex(3, 3)});
    TraceRecord *trace = nullptr;
    TraceRecord **slot = appendStep(pool, &trace, list.get());
    auto r = records(trace);
    ASSERT_EQ(r.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(r[i]->value.re, i + 1.0);
        EXPECT_EQ(r[i]->number, i);
        EXPECT_EQ(r[i]->inUse, 1);
    }
    EXPECT_EQ(slot, &r[2]->next);
    EXPECT_EQ(lastTraceRecord(trace), r[2]);

    // An empty list appends nothing and returns the same slot.
    EXPECT_EQ(appendStep(pool, slot, nullptr), slot);
    EXPECT_EQ(countRecords(trace), 3);
}

TEST_F(TracesTest, StepsAreCountedAndFoundByTheirNumberZeroRecords) {
    Traces traces;
    auto list = numberedList({Complex(1, 0), Complex(2, 0), Complex(3, 0)});
    traces.resetSolutionTrace(pool, list.get());
    for (int step = 1; step < 4; ++step) {
        pointValue(list.get()) = Complex(10.0 * step, 0);
        traces.appendSolutionStep(pool, list.get());
    }
    TraceRecord *trace = traces.solutionTrace;
    auto r = records(trace);
    ASSERT_EQ(r.size(), 12u);
    EXPECT_EQ(countSteps(trace), 4);
    EXPECT_EQ(countRecords(trace), 12);
    EXPECT_EQ(stepAt(trace, 2), r[6]);
    EXPECT_EQ(stepAt(trace, 2)->value.re, 20.0);
    EXPECT_EQ(stepAt(trace, 3), r[9]);
    for (int k : {-1, 4, 10}) EXPECT_EQ(stepAt(trace, k), trace) << k;

    // Empty traces.
    EXPECT_EQ(countSteps(nullptr), 0);
    EXPECT_EQ(countRecords(nullptr), 0);
    EXPECT_EQ(stepAt(static_cast<TraceRecord *>(nullptr), 0), nullptr);
    EXPECT_EQ(lastTraceRecord(static_cast<TraceRecord *>(nullptr)), nullptr);
}

TEST_F(TracesTest, ResetsReleaseTheOldRecords) {
    Traces traces;
    // Appending to an empty parameter trace starts it; every record is a step.
    traces.appendParameter(pool, Complex(1, 0));
    traces.appendParameter(pool, Complex(2, 0));
    EXPECT_EQ(countSteps(traces.parameterTrace), 2);
    EXPECT_EQ(stepAt(traces.parameterTrace, 1)->value.re, 2.0);
    auto list = numberedList({Complex(1, 0), Complex(2, 0)});
    traces.resetSolutionTrace(pool, list.get());
    traces.appendSolutionStep(pool, list.get());
    traces.resetParameterTrace(pool, Complex(0.5, 0.5));
    traces.appendParameter(pool, Complex(0.6, 0.5));
    EXPECT_EQ(pool.recordsInUse(), 6);

    traces.resetSolutionTrace(pool, list.get());
    traces.resetParameterTrace(pool, Complex(-1, 0));
    EXPECT_EQ(pool.recordsInUse(), 3);
    EXPECT_EQ(countSteps(traces.solutionTrace), 1);
    ASSERT_EQ(countRecords(traces.parameterTrace), 1);
    EXPECT_EQ(traces.parameterTrace->value.re, -1.0);
    EXPECT_EQ(traces.parameterTrace->number, 0);

    // An empty point list leaves an empty solution trace.
    traces.resetSolutionTrace(pool, nullptr);
    EXPECT_EQ(traces.solutionTrace, nullptr);
    traces.clear(pool);
    EXPECT_EQ(traces.parameterTrace, nullptr);
    EXPECT_EQ(pool.recordsInUse(), 0);
}

TEST_F(TracesTest, AppendingAfterTheLastRecordBuildsTheSameTraces) {
    // The tracer appends after the last records it keeps, in constant time;
    // the chains are those the walking appends build.
    Traces walked;
    Traces kept;
    auto first = numberedList({Complex(1, 0), Complex(2, 0)});
    walked.resetSolutionTrace(pool, first.get());
    walked.resetParameterTrace(pool, Complex(0.5, 0));
    kept.resetSolutionTrace(pool, first.get());
    kept.resetParameterTrace(pool, Complex(0.5, 0));
    TraceRecord *solutionLast = lastTraceRecord(kept.solutionTrace);
    TraceRecord *parameterLast = lastTraceRecord(kept.parameterTrace);
    for (int k = 1; k <= 50; ++k) {
        auto step = numberedList({Complex(1, k), Complex(2, -k)});
        walked.appendSolutionStep(pool, step.get());
        walked.appendParameter(pool, Complex(0.5, k));
        solutionLast = kept.appendSolutionStepAfter(pool, solutionLast, step.get());
        parameterLast = kept.appendParameterAfter(pool, parameterLast, Complex(0.5, k));
        ASSERT_EQ(solutionLast, lastTraceRecord(kept.solutionTrace));
        ASSERT_EQ(parameterLast, lastTraceRecord(kept.parameterTrace));
    }
    std::vector<TraceRecord *> a = records(walked.solutionTrace), b = records(kept.solutionTrace);
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(a[i]->value.im, b[i]->value.im);
        EXPECT_EQ(a[i]->number, b[i]->number);
    }
    EXPECT_EQ(countSteps(kept.solutionTrace), 51);
    EXPECT_EQ(countRecords(kept.parameterTrace), 51);
    EXPECT_EQ(stepAt(kept.parameterTrace, 50)->value.im, 50.0);
    // An empty trace takes its first record as its head.
    Traces empty;
    auto one = numberedList({Complex(3, 0)});
    TraceRecord *last = empty.appendSolutionStepAfter(pool, nullptr, one.get());
    EXPECT_EQ(last, empty.solutionTrace);
    EXPECT_EQ(empty.appendParameterAfter(pool, nullptr, Complex(1, 1)), empty.parameterTrace);
    walked.clear(pool);
    kept.clear(pool);
    empty.clear(pool);
}

}  // namespace
}  // namespace quorvel
