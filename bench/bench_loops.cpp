// The cost of the auto-mode loops: building them (the classic loops, and
// the star where those fail) with every check, and the check alone.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <string>

#include "engine/error.h"
#include "engine/points.h"
#include "tracing/loop_check.h"
#include "tracing/paths.h"

namespace {

using namespace quorvel;

// n loci from a fixed seed: scattered over a square (the classic loops pass
// too near some of them, so the star is built too), or on a circle round
// the base point (the classic loops pass).
OwnedPolynomial loci(int n, bool ring) {
    std::mt19937 rng(20250611);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    OwnedPolynomial list;
    for (int k = 0; k < n; ++k) {
        const double a = 6.283185307179586 * k / n;
        appendPoint(list.ref(), ring ? Complex(std::cos(a), std::sin(a)) : Complex(unit(rng), unit(rng)));
    }
    return list;
}

void BM_BuildAndCheckLoops(benchmark::State &state) {
    setErrorHandler([](const std::string &, const std::string &) {});
    termPool().reset();
    const bool ring = state.range(1) != 0;
    OwnedPolynomial l = loci(static_cast<int>(state.range(0)), ring);
    const Complex base = ring ? Complex(0, 0) : chooseBasePoint(l.get());
    SegmentPool pool;
    LoopConstruction used = LoopConstruction::classic;
    int segments = 0;
    for (auto _ : state) {
        try {
            PathSegment *chain = buildAutoPaths(pool, l.get(), base, nullptr, &used);
            segments = segmentCount(chain);
            freeAutoPaths(pool, chain);
        } catch (const ComputationAbandoned &) {
            state.SkipWithError("the loops could not be built");
            break;
        }
    }
    state.SetLabel(std::string(used == LoopConstruction::star ? "star" : "classic") + ", " +
                   std::to_string(segments) + " segments");
}
BENCHMARK(BM_BuildAndCheckLoops)
    ->ArgsProduct({{10, 50, 400}, {0, 1}})
    ->ArgNames({"loci", "ring"})
    ->Unit(benchmark::kMillisecond);

void BM_CheckLoops(benchmark::State &state) {
    setErrorHandler([](const std::string &, const std::string &) {});
    termPool().reset();
    OwnedPolynomial l = loci(static_cast<int>(state.range(0)), false);
    const Complex base = chooseBasePoint(l.get());
    SegmentPool pool;
    PathSegment *chain = buildAutoPaths(pool, l.get(), base, nullptr);
    const std::vector<Complex> targets = autoPathTargetValues(l.get(), nullptr, base);
    for (auto _ : state) benchmark::DoNotOptimize(checkAutoPaths(chain, targets, base).ok);
    freeAutoPaths(pool, chain);
}
BENCHMARK(BM_CheckLoops)->Arg(10)->Arg(50)->Arg(400)->ArgName("loci")->Unit(benchmark::kMillisecond);

}  // namespace
