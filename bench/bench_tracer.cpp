// Accepted steps and time per loop of the tracer on the families of issue 11:
// x^2 - t^k + 1, x^n - t and x^n + t*x + 1 up to n = 100. Each benchmark
// traces every auto-mode loop of the curve once per iteration; the counters
// give the median and the largest number of accepted steps per loop and the
// time per loop.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/error.h"
#include "pipeline/session.h"
#include "pipeline/tracer.h"

namespace {

using namespace quorvel;

void quiet() {
    setErrorHandler([](const std::string &, const std::string &) {});
}

void traceAllLoops(benchmark::State &state, const std::string &curve) {
    quiet();
    Session session;
    session.typePolynomial(curve);
    if (!session.runPipeline()) {
        state.SkipWithError("Go failed");
        return;
    }
    std::vector<PathSegment *> starts;
    for (const LoopSummary &l : listLoops(session.parameterSpace.autoPaths)) starts.push_back(l.first);
    std::vector<int> steps;
    int unfinished = 0;
    for (auto _ : state) {
        steps.clear();
        unfinished = 0;
        for (PathSegment *start : starts) {
            startLoopAt(session, start);
            while (session.parameterSpace.timerRunning) tracerTick(session);
            steps.push_back(session.traces.traceStepCount - 1);
            unfinished += session.solutionSpace.traceFinished ? 0 : 1;
        }
    }
    std::sort(steps.begin(), steps.end());
    const double loops = static_cast<double>(starts.size());
    state.counters["loops"] = loops;
    state.counters["medianSteps"] = steps.empty() ? 0 : steps[steps.size() / 2];
    state.counters["maxSteps"] = steps.empty() ? 0 : steps.back();
    state.counters["unfinished"] = unfinished;
    state.counters["perLoop"] =
        benchmark::Counter(loops * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_SquareRootOfTkPlusOne(benchmark::State &state) {
    traceAllLoops(state, "x^2-t^" + std::to_string(state.range(0)) + "+1");
}
BENCHMARK(BM_SquareRootOfTkPlusOne)->DenseRange(2, 12, 2)->Unit(benchmark::kMillisecond);

void BM_RootOfT(benchmark::State &state) {
    traceAllLoops(state, "x^" + std::to_string(state.range(0)) + "-t");
}
BENCHMARK(BM_RootOfT)->Arg(2)->Arg(5)->Arg(10)->Arg(20)->Arg(40)->Arg(70)->Arg(100)->Unit(benchmark::kMillisecond);

void BM_TrinomialXnPlusTxPlusOne(benchmark::State &state) {
    traceAllLoops(state, "x^" + std::to_string(state.range(0)) + "+t*x+1");
}
BENCHMARK(BM_TrinomialXnPlusTxPlusOne)->Arg(5)->Arg(20)->Arg(50)->Arg(100)->Unit(benchmark::kMillisecond);

void BM_CuspAndLine(benchmark::State &state) { traceAllLoops(state, "(-y^3+x^2)*(3*y+x-5)"); }
BENCHMARK(BM_CuspAndLine)->Unit(benchmark::kMillisecond);

}  // namespace
