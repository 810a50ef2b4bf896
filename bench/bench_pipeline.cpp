// Benchmarks of the tracer's tick.
#include <benchmark/benchmark.h>

#include "bench/curves.h"

#include <string>

#include "engine/calculus.h"
#include "engine/error.h"
#include "engine/polytext.h"
#include "pipeline/session.h"
#include "pipeline/tracer.h"

namespace {

using namespace quorvel;

void quiet() {
    setErrorHandler([](const std::string &, const std::string &) {});
}

std::string tracedCurve(int d) { return "x^" + std::to_string(d) + " - 2*x + t"; }

// Time per accepted tracer step on the loop around the first branch locus.
void BM_TracerTick(benchmark::State &state) {
    quiet();
    Session session;
    session.typePolynomial(tracedCurve(static_cast<int>(state.range(0))));
    if (!session.runPipeline()) {
        state.SkipWithError("Go failed");
        return;
    }
    long long accepted = 0;
    for (auto _ : state) {
        if (!session.parameterSpace.timerRunning) {
            state.PauseTiming();
            startAutoLoop(session, 0);
            state.ResumeTiming();
        }
        if (tracerTick(session).stepAccepted) ++accepted;
    }
    state.counters["accepted"] = static_cast<double>(accepted);
}
BENCHMARK(BM_TracerTick)->Arg(2)->Arg(4)->Arg(8)->Arg(12)->Arg(16)->Unit(benchmark::kMicrosecond);

void BM_WholeLoopDegree8(benchmark::State &state) {
    quiet();
    Session session;
    session.typePolynomial(tracedCurve(8));
    if (!session.runPipeline()) {
        state.SkipWithError("Go failed");
        return;
    }
    int steps = 0;
    for (auto _ : state) {
        startAutoLoop(session, 0);
        while (session.parameterSpace.timerRunning) tracerTick(session);
        steps = session.traces.traceStepCount;
    }
    state.counters["steps"] = steps;
}
BENCHMARK(BM_WholeLoopDegree8)->Unit(benchmark::kMillisecond);

}  // namespace
