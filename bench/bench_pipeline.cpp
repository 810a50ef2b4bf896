// Benchmarks of the tracer's tick.
#include <benchmark/benchmark.h>

#include "bench/curves.h"

#include <cmath>
#include <cstdio>
#include <string>

#include "engine/calculus.h"
#include "engine/error.h"
#include "engine/polytext.h"
#include "pipeline/document.h"
#include "pipeline/load_report.h"
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

// A document of x^2-t with a run of `steps` steps once round the locus 0,
// as the Parameter Space window saves it.
std::string documentWithTraces(long steps) {
    Session session;
    session.typePolynomial("x^2-t");
    session.runPipeline();
    std::string out = writeSections(session);
    char line[64];
    out += "*parametertrace\r\n" + std::to_string(steps) + "\r\n";
    std::string solution = "*solutiontrace\r\n" + std::to_string(steps) + "\r\n";
    for (long k = 0; k < steps; ++k) {
        const double angle = 2 * M_PI * static_cast<double>(k) / static_cast<double>(steps - 1);
        const double r = std::sqrt(0.5);
        std::snprintf(line, sizeof line, "%+f\r\n%+f\r\n", 0.5 * std::cos(angle), 0.5 * std::sin(angle));
        out += line;
        for (int strand = 0; strand < 2; ++strand) {
            const double sign = strand == 0 ? 1.0 : -1.0;
            std::snprintf(line, sizeof line, "%+f\r\n%+f\r\n%d\r\n", sign * r * std::cos(angle / 2),
                          sign * r * std::sin(angle / 2), strand);
            solution += line;
        }
    }
    return out + solution;
}

// Loading the traces of a document, with the window's report of what was
// not loaded: linear in the size of the file.
void BM_LoadTraces(benchmark::State &state) {
    quiet();
    const std::string bytes = documentWithTraces(state.range(0));
    for (auto _ : state) {
        Session session;
        DocumentReader reader(bytes);
        readSections(session, reader, true);
        readTraceSections(session, reader);
        benchmark::DoNotOptimize(unloadedParts(bytes, session, true, true));
    }
    state.counters["MB"] = static_cast<double>(bytes.size()) / (1 << 20);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_LoadTraces)->RangeMultiplier(4)->Range(1 << 10, 1 << 20)->Unit(benchmark::kMillisecond);

}  // namespace
