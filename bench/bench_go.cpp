// "Go" from the typed polynomial to the fiber and the loops: the exact
// elimination, the certified loci and the certified fiber, on dense curves
// (every term of total degree <= d) and on sparse curves of higher degree.
#include <benchmark/benchmark.h>

#include "bench/curves.h"

#include <string>

#include "engine/error.h"
#include "engine/exact.h"
#include "pipeline/session.h"

namespace {

using namespace quorvel;

using quorvel::bench::denseCurve;

const char *const sparseCurves[] = {
    "27*x^2*(x-1)^2 - 4*t*(x^2-x+1)^3", "x^7+3*x^4*t-t^2*x^2+2*x-t^5+t",
    "x^8-x^5*t^2+2*x^3-t*x+t^4-2",      "x^6*(t-2)+x^4*t-3*x+t^2+1",
    "x^6-2*t*x^4+x^3+t^2*x-3*t^3+1",    "x^150-t",
    "x^100+t*x+1",
};

void go(benchmark::State &state, const std::string &text) {
    setErrorHandler([](const std::string &, const std::string &) {});
    int loci = 0;
    for (auto _ : state) {
        forgetBranchCache();
        Session session;
        session.typePolynomial(text);
        if (!session.runPipeline()) {
            state.SkipWithError("Go failed");
            return;
        }
        loci = countPoints(session.state.branchLoci.get());
    }
    state.counters["loci"] = loci;
}

void BM_GoDense(benchmark::State &state) { go(state, denseCurve(static_cast<int>(state.range(0)))); }
BENCHMARK(BM_GoDense)->DenseRange(4, 12, 2)->Unit(benchmark::kMillisecond);

void BM_GoSparse(benchmark::State &state) { go(state, sparseCurves[state.range(0)]); }
BENCHMARK(BM_GoSparse)->DenseRange(0, 6, 1)->Unit(benchmark::kMillisecond);

}  // namespace
