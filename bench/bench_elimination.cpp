// The exact branch polynomial and its certified loci on their own: the
// powers (x+1)^n - t, whose resultant is tiny while every bound on it is
// huge, and the dense curves of degree 8 to 12 (every term of total degree
// <= d, small integer coefficients).
#include <benchmark/benchmark.h>

#include "bench/curves.h"

#include <string>

#include "engine/error.h"
#include "engine/exact.h"
#include "engine/polytext.h"
#include "engine/termpool.h"

namespace {

using namespace quorvel;

ExactPolynomial curveOf(const std::string &text) {
    Letters l = unsetLetters;
    return parseExactPolynomial(text, l);
}

std::string power(int n) { return "(x+1)^" + std::to_string(n) + "-t"; }

// The branch polynomial alone (resultant, made monic, rounded).
void branchPolynomial(benchmark::State &state, const std::string &text) {
    setErrorHandler([](const std::string &, const std::string &) {});
    termPool().reset();
    const ExactPolynomial curve = curveOf(text);
    int degree = 0;
    for (auto _ : state) {
        forgetBranchCache();
        try {
            OwnedPolynomial p(exactBranchPolynomial(curve));
            degree = quorvel::degree(p.get());
        } catch (const ComputationAbandoned &) {
            state.SkipWithError("refused");
            return;
        }
    }
    state.counters["degree"] = degree;
}

// The branch polynomial and its certified loci.
void branchLoci(benchmark::State &state, const std::string &text) {
    setErrorHandler([](const std::string &, const std::string &) {});
    termPool().reset();
    const ExactPolynomial curve = curveOf(text);
    int loci = 0;
    for (auto _ : state) {
        forgetBranchCache();
        try {
            OwnedPolynomial p(certifiedBranchLoci(curve));
            loci = countPoints(p.get());
        } catch (const ComputationAbandoned &) {
            state.SkipWithError("refused");
            return;
        }
    }
    state.counters["loci"] = loci;
}

void BM_BranchPolynomialPower(benchmark::State &state) { branchPolynomial(state, power(static_cast<int>(state.range(0)))); }
BENCHMARK(BM_BranchPolynomialPower)->DenseRange(50, 200, 25)->Unit(benchmark::kMillisecond);

void BM_BranchPolynomialDense(benchmark::State &state) {
    branchPolynomial(state, bench::denseCurve(static_cast<int>(state.range(0))));
}
BENCHMARK(BM_BranchPolynomialDense)->DenseRange(8, 12, 1)->Unit(benchmark::kMillisecond);

void BM_BranchLociDense(benchmark::State &state) {
    branchLoci(state, bench::denseCurve(static_cast<int>(state.range(0))));
}
BENCHMARK(BM_BranchLociDense)->DenseRange(8, 12, 2)->Unit(benchmark::kMillisecond);

}  // namespace
