// The exact branch polynomial and its certified loci on their own: the
// powers (x+1)^n - t, whose resultant is tiny while every bound on it is
// huge, and the dense curves of degree 8 to 12 (every term of total degree
// <= d, small integer coefficients). Then the certified roots of one
// polynomial in one letter: integer and Gaussian coefficients, roots
// spread out, clustered round a centre, and real.
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

// The roots of one polynomial in one letter, each to its nearest double.
const char *const rootPolynomials[] = {
    // dense, integer coefficients, degree 100
    "z^100+3*z^99-2*z^98+z^97-5*z^60+7*z^31-z^2+4*z-9",
    // sparse, every root on one circle
    "z^200-3*z+1",
    // roots clustered round -1, far from 0
    "(z+1)^120-1/2",
    // twenty real roots 1, 2, ..., 20 (Wilkinson's)
    ("(z-1)*(z-2)*(z-3)*(z-4)*(z-5)*(z-6)*(z-7)*(z-8)*(z-9)*(z-10)*(z-11)*(z-12)*(z-13)*(z-14)*(z-15)*"
     "(z-16)*(z-17)*(z-18)*(z-19)*(z-20)"),
    // Gaussian coefficients, degree 80
    "z^80+(2+i)*z^41-3*i*z^7+1",
};

void BM_CertifiedRoots(benchmark::State &state) {
    setErrorHandler([](const std::string &, const std::string &) {});
    termPool().reset();
    const ExactPolynomial p = curveOf(rootPolynomials[state.range(0)]);
    int roots = 0;
    for (auto _ : state) {
        try {
            OwnedPolynomial found(certifiedRoots(p));
            roots = countPoints(found.get());
        } catch (const ComputationAbandoned &) {
            state.SkipWithError("refused");
            return;
        }
    }
    state.counters["roots"] = roots;
}
BENCHMARK(BM_CertifiedRoots)->DenseRange(0, 4, 1)->Unit(benchmark::kMillisecond);

}  // namespace
