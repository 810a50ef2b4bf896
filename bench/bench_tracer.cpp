// Accepted steps and time per loop of the tracer on the families of issue 11:
// x^2 - t^k + 1, x^n - t and x^n + t*x + 1 up to n = 100. Each benchmark
// traces every auto-mode loop of the curve once per iteration; the counters
// give the median and the largest number of accepted steps per loop and the
// time per loop.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include <random>

#include "engine/error.h"
#include "pipeline/all_loops.h"
#include "pipeline/session.h"
#include "pipeline/tracer.h"
#include "tracing/run_check.h"

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
            const LoopOutcome o = traceLoopToEnd(session, start);
            steps.push_back(o.steps);
            unfinished += o.ended() ? 0 : 1;
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

// Random dense real curves: every monomial of total degree <= d with an
// integer coefficient in [-9, 9] (x^d nonzero), 40 of each degree from a
// fixed seed. Each is smooth in the plane, so the right answer is known:
// the symmetric group and genus (d-1)(d-2)/2. Counters: the curves that came
// out right (every loop verified, the loops compose, group and genus as
// they must be), those that exited as failures, and the time per curve
// (Go and every loop).
void BM_RandomDenseMonodromy(benchmark::State &state) {
    quiet();
    const int d = static_cast<int>(state.range(0));
    constexpr int curves = 40;
    std::mt19937 rng(1000u + static_cast<unsigned>(d));
    std::uniform_int_distribution<int> coefficient(-9, 9);
    std::vector<std::string> texts;
    for (int k = 0; k < curves; ++k) {
        std::string text;
        for (int i = 0; i <= d; ++i)
            for (int j = 0; i + j <= d; ++j) {
                int c = coefficient(rng);
                if (i == d && c == 0) c = 1;
                if (c != 0) text += (c > 0 ? "+" : "") + std::to_string(c) + "*x^" + std::to_string(i) + "*t^" +
                                    std::to_string(j);
            }
        texts.push_back(text);
    }
    long long factorial = 1;
    for (int m = 2; m <= d; ++m) factorial *= m;
    int right = 0, failed = 0;
    for (auto _ : state) {
        right = failed = 0;
        for (const std::string &text : texts) {
            Session session;
            session.typePolynomial(text);
            AllLoopsRun run;
            if (!session.runPipeline() || !run.start(session)) {
                ++failed;
                continue;
            }
            while (run.advance(session, 1000)) {
            }
            const MonodromySummary g = run.summary();
            if (!run.allVerified() || !g.productCheck) {
                ++failed;
                continue;
            }
            if (g.order == std::to_string(factorial) && g.genus == (d - 1) * (d - 2) / 2) ++right;
        }
    }
    state.counters["curves"] = curves;
    state.counters["right"] = right;
    state.counters["failed"] = failed;
    state.counters["perCurve"] = benchmark::Counter(curves * static_cast<double>(state.iterations()),
                                                    benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_RandomDenseMonodromy)->DenseRange(5, 10, 1)->Iterations(1)->Unit(benchmark::kSecond);

// The checks of one finished loop: a closed path of `steps` points round
// one of `loci` loci, a fiber of 12 points. Cost: the winding of the path
// round every locus, and the matching of the ends.
void BM_JudgeRun(benchmark::State &state) {
    const int steps = static_cast<int>(state.range(0));
    const int count = static_cast<int>(state.range(1));
    std::vector<Complex> path;
    for (int k = 0; k < steps; ++k)
        path.push_back(Complex(0.5 + 0.3 * std::cos(6.283185307179586 * k / steps), 0.3 * std::sin(6.283185307179586 * k / steps)));
    path.push_back(path.front());
    std::vector<LocusWeight> loci;
    for (int k = 0; k < count; ++k) loci.push_back({Complex(std::cos(k * 1.3) * (1 + k % 5), std::sin(k * 1.3) * (1 + k % 5)), 1});
    std::vector<Complex> fiber;
    for (int k = 0; k < 12; ++k) fiber.push_back(Complex(k, 0.5 * k));
    for (auto _ : state) {
        RunVerdict v = judgeRun(path, fiber, fiber, {}, loci, {});
        benchmark::DoNotOptimize(v);
    }
}
BENCHMARK(BM_JudgeRun)->Args({100, 132})->Args({400, 132})->Args({100, 400})->Unit(benchmark::kMicrosecond);
