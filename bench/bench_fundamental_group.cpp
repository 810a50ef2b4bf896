// quorvel-cli fundamental-group on a sextic of torus type (six cusps on a
// conic): Go, every loop traced and verified, the presentation, and GAP in
// its own process. The counter "gap_s" is GAP's share (start-up with the
// saved workspace included), "loops" the loops traced.
#include <benchmark/benchmark.h>

#include <string>

#include "cli/errors.h"
#include "cli/fundamental_group.h"
#include "cli/prepare.h"
#include "engine/error.h"
#include "pipeline/session.h"

namespace {

using namespace quorvel;

// f2^3 + f3^2 with a random conic f2 and a random cubic f3.
const char *torusSextic =
    "(-3-2*t-5*t^2+4*x+2*x*t-3*x^2)^3+(-4+5*t+t^2-4*t^3-2*x-x*t-5*x*t^2+x^2+4*x^2*t-3*x^3)^2";

void BM_FundamentalGroupSixCuspSextic(benchmark::State &state) {
    setErrorHandler([](const std::string &, const std::string &) {});
    double gap = 0;
    double loops = 0;
    int runs = 0;
    for (auto _ : state) {
        Session session;
        cli::Input input;
        input.text = torusSextic;
        if (!cli::prepareSession(session, input)) {
            state.SkipWithError("Go failed");
            break;
        }
        const cli::GroupRun run = cli::runFundamentalGroup(session, nullptr, defaultGapBudgetSeconds);
        if (!run.ok() || run.group.gap.abelian != "no") {
            state.SkipWithError("the group was not found non-abelian");
            break;
        }
        gap += run.group.gap.seconds;
        loops = static_cast<double>(run.traces.size());
        ++runs;
    }
    state.counters["gap_s"] = runs ? gap / runs : 0;
    state.counters["loops"] = loops;
}
BENCHMARK(BM_FundamentalGroupSixCuspSextic)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

}  // namespace
