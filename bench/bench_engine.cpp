// Engine benchmarks: parsing and printing, products of growing size.
#include <benchmark/benchmark.h>

#include <string>

#include "bench/curves.h"
#include "engine/error.h"
#include "engine/exact_curve.h"
#include "engine/polytext.h"

namespace {

using namespace quorvel;

void quiet() {
    setErrorHandler([](const std::string &, const std::string &) {});
}

std::string longPolynomial(int terms) {
    std::string s;
    for (int k = 0; k < terms; ++k) {
        s += "+(" + std::to_string(k % 7 + 1) + ".25-" + std::to_string(k % 3) + "i)*x^" +
             std::to_string(k % 40) + "*t^" + std::to_string(k / 40);
    }
    return s;
}

void BM_ParseAndPrint(benchmark::State &state) {
    quiet();
    termPool().reset();
    const std::string text = longPolynomial(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        Letters l = unsetLetters;
        OwnedPolynomial p(parsePolynomial(text, l));
        std::string out = printPolynomial(p.get());
        benchmark::DoNotOptimize(out);
    }
    state.SetLabel(std::to_string(text.size()) + " chars");
}
BENCHMARK(BM_ParseAndPrint)->Arg(50)->Arg(200)->Arg(800);

void BM_MultiplyPower(benchmark::State &state) {
    quiet();
    termPool().reset();
    Letters l = unsetLetters;
    OwnedPolynomial base(parsePolynomial("x+t+1", l));
    const int k = static_cast<int>(state.range(0));
    OwnedPolynomial lower(parsePolynomial("(x+t+1)^" + std::to_string(k - 1), l));
    for (auto _ : state) {
        OwnedPolynomial p(multiplyPolynomials(lower.get(), base.get()));
        benchmark::DoNotOptimize(p.get());
    }
    state.SetLabel(std::to_string(countTerms(lower.get())) + " x 3 terms");
}
BENCHMARK(BM_MultiplyPower)->Arg(5)->Arg(10)->Arg(20)->Arg(30)->Arg(40);

void BM_HugePower(benchmark::State &state) {
    quiet();
    termPool().reset();
    for (auto _ : state) {
        Letters l = unsetLetters;
        try {
            OwnedPolynomial p(parsePolynomial("(x+1)^5000", l));
        } catch (const ComputationAbandoned &) {
        }
    }
}
BENCHMARK(BM_HugePower)->Unit(benchmark::kMillisecond);

// Texts whose exact expansion is the work: a power with large binomial
// coefficients, a dense curve with decimals, and a product of decimal
// factors.
const char *const expansions[] = {
    "(x+1)^200",
    "(1.25*x-0.3*t+0.7)^12*(x-t)^12",
    "(x-0.1)*(x-0.2)*(x-0.3)*(t-1.1)*(t-1.2)*(t-1.3)*(x*t-0.123456789)^6",
};

void BM_ParseExact(benchmark::State &state) {
    quiet();
    termPool().reset();
    const std::string text = state.range(0) < 3 ? expansions[state.range(0)] : bench::denseCurve(12);
    for (auto _ : state) {
        Letters l = unsetLetters;
        OwnedPolynomial p(parsePolynomial(text, l));
        benchmark::DoNotOptimize(p.get());
    }
    state.SetLabel(std::to_string(text.size()) + " chars");
}
BENCHMARK(BM_ParseExact)->DenseRange(0, 3, 1)->Unit(benchmark::kMicrosecond);

// The chart of a dense curve of degree d about a point off the axes.
void BM_Chart(benchmark::State &state) {
    quiet();
    termPool().reset();
    Letters l = unsetLetters;
    const ExactPolynomial curve =
        parseExactPolynomial(bench::denseCurve(static_cast<int>(state.range(0))) + "+0.1*x*t", l);
    size_t terms = 0;
    for (auto _ : state) {
        const std::vector<ChartTerm> chart = curveChart(curve, Complex(1.1, 0.3));
        terms = chart.size();
        benchmark::DoNotOptimize(chart.data());
    }
    state.counters["terms"] = static_cast<double>(terms);
}
BENCHMARK(BM_Chart)->Arg(4)->Arg(8)->Arg(12)->Unit(benchmark::kMicrosecond);

}  // namespace
