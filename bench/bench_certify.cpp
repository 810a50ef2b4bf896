// Certified monodromy against the uncertified run: every loop of a dense
// curve traced (uncertified), and the same with every loop then proven,
// with the pieces per loop and the time per piece.
#include <benchmark/benchmark.h>

#include <chrono>
#include <string>
#include <vector>

#include "curves.h"
#include "engine/error.h"
#include "pipeline/certify.h"
#include "pipeline/session.h"
#include "pipeline/tracer.h"

namespace {

using namespace quorvel;

// Traces (and with `certify` proves) every loop; the pieces proven and the
// seconds the proofs took are added up.
bool monodromy(Session &session, bool certify, long &pieces, double &proofSeconds, int &loops) {
    std::vector<PathSegment *> starts;
    for (const LoopSummary &l : listLoops(session.parameterSpace.autoPaths)) starts.push_back(l.first);
    for (PathSegment *start : starts) {
        if (!startLoopAt(session, start)) return false;
        while (session.parameterSpace.timerRunning) tracerTick(session);
        if (!certify) continue;
        const auto t0 = std::chrono::steady_clock::now();
        const CertifiedRun run = certifyTraces(session);
        proofSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        if (!run.certified) return false;
        pieces += run.pieces;
        ++loops;
    }
    return true;
}

void BM_Monodromy(benchmark::State &state) {
    setErrorHandler([](const std::string &, const std::string &) {});
    const bool certify = state.range(1) != 0;
    Session session;
    session.typePolynomial(bench::denseCurve(static_cast<int>(state.range(0))));
    if (!session.runPipeline()) {
        state.SkipWithError("Go failed");
        return;
    }
    long pieces = 0;
    double proofSeconds = 0.0;
    int loops = 0;
    for (auto _ : state) {
        if (!monodromy(session, certify, pieces, proofSeconds, loops)) {
            state.SkipWithError("a loop was not traced or not proven");
            break;
        }
    }
    if (certify && loops > 0 && pieces > 0) {
        state.counters["pieces/loop"] = static_cast<double>(pieces) / loops;
        state.counters["us/piece"] = 1e6 * proofSeconds / static_cast<double>(pieces);
    }
}
BENCHMARK(BM_Monodromy)
    ->ArgsProduct({{8, 12}, {0, 1}})
    ->ArgNames({"degree", "certify"})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace
