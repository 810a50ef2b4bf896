// Certified monodromy: every loop the floating tracer verifies is proven,
// with the same permutation and braid; a trace whose tracks were swapped is
// never proven; a path that passes between two loci far closer together
// than its recorded step still gets the braid the loci demand.
#include <gtest/gtest.h>

#include <complex>
#include <random>
#include <string>
#include <vector>

#include "engine/points.h"
#include "pipeline/certify.h"
#include "pipeline/tracer.h"
#include "support/recording_errors.h"
#include "tracing/braid.h"

namespace quorvel {
namespace {

bool go(Session &session, const std::string &curve) {
    session.clearAll();
    session.state.hasBasePoint = false;
    session.typePolynomial(curve);
    return session.runPipeline();
}

bool traceToEnd(Session &session, PathSegment *start) {
    if (!startLoopAt(session, start)) return false;
    for (int k = 0; k < 200000 && session.parameterSpace.timerRunning; ++k) tracerTick(session);
    return session.run.traceFinished != 0 && session.run.verdict.passed();
}

struct Recorded {
    std::vector<Complex> parameters;
    std::vector<std::vector<Complex>> points;
};

Recorded recorded(const Session &session) {
    Recorded r;
    for (const TraceRecord *p = session.traces.parameterTrace; p; p = p->next) r.parameters.push_back(p->value);
    for (const TraceRecord *p = session.traces.solutionTrace; p; p = p->next) {
        if (p->number == 0) r.points.emplace_back();
        r.points.back().push_back(p->value);
    }
    return r;
}

std::vector<Complex> lociOf(const Session &session) {
    std::vector<Complex> loci;
    for (const LocusWeight &l : runLoci(session.state)) loci.push_back(l.value);
    return loci;
}

// Every term x^i t^j with i + j <= d, coefficients from -3 to 3, x^d kept.
std::string randomDense(std::mt19937 &rng, int d) {
    std::uniform_int_distribution<int> coef(-3, 3);
    std::string text = "x^" + std::to_string(d);
    for (int i = 0; i <= d; ++i)
        for (int j = 0; i + j <= d; ++j) {
            if (i == d) continue;
            const int c = coef(rng);
            if (c != 0) text += (c > 0 ? "+" : "-") + std::to_string(std::abs(c)) + "*x^" + std::to_string(i) +
                                "*t^" + std::to_string(j);
        }
    return text + "+1";
}

TEST(CertifiedMonodromy, EveryVerifiedLoopIsProvenWithItsOwnPermutationAndBraid) {
    testing::RecordingErrors recorder;
    std::vector<std::string> curves = {
        "x^2-t", "x^3+t*x+t^2-1", "x^3+t^3-1", "(x^2-t)*(x-1)", "x^4-t^3*x+t", "x^3-t^7+2",
        "x^2-t^8-t+1", "(-y^3+x^2)*(3*y+x-5)", "x*(x^2-t)-t^3", "x*(x^2-t)",
        // clusters 1e-12 apart; loci at scales 1e-4 and 1e4
        "x^2-t*(t-1e-12)*(t-1)*(t-1-1e-12)*(t+1)*(t+1+1e-12)",
        "x^3+(10000*t)*x+(10000*t)^2-1", "x^3+(0.0001*t)*x+(0.0001*t)^2-1",
        "x^4-(0.0001*t)^3*x+0.0001*t"};
    std::mt19937 rng(20261207);
    for (int d : {3, 5, 8}) curves.push_back(randomDense(rng, d));
    Session session;
    int proven = 0;
    for (const std::string &curve : curves) {
        ASSERT_TRUE(go(session, curve)) << curve;
        std::vector<PathSegment *> starts;
        for (const LoopSummary &l : listLoops(session.parameterSpace.autoPaths)) starts.push_back(l.first);
        for (size_t k = 0; k < starts.size(); ++k) {
            const std::string what = curve + " loop " + std::to_string(k);
            if (!traceToEnd(session, starts[k])) {
                ADD_FAILURE() << what << " was not verified";
                continue;
            }
            const CertifiedRun run = certifyTraces(session);
            ASSERT_TRUE(run.certified) << what << ": " << run.reason;
            EXPECT_EQ(run.permutation, session.run.verdict.permutation) << what;
            EXPECT_TRUE(sameBraid(run.braid, session.run.braidWord.generators())) << what;
            ++proven;
        }
    }
    EXPECT_GE(proven, 100);
}

TEST(CertifiedMonodromy, ATraceWithTwoTracksSwappedIsNeverProven) {
    testing::RecordingErrors recorder;
    Session session;
    for (const char *curve : {"x^3+t*x+t^2-1", "x^4-t^3*x+t", "x^2-t"}) {
        ASSERT_TRUE(go(session, curve));
        for (const LoopSummary &l : listLoops(session.parameterSpace.autoPaths)) {
            ASSERT_TRUE(traceToEnd(session, l.first)) << curve;
            Recorded r = recorded(session);
            ASSERT_GE(r.points.size(), 3u);
            EXPECT_TRUE(certifyRun(session.state.exact(), r.parameters, r.points, lociOf(session)).certified);
            for (size_t at : {size_t{1}, r.points.size() / 2, r.points.size() - 2}) {
                Recorded swapped = r;
                std::swap(swapped.points[at][0], swapped.points[at][1]);
                const CertifiedRun run =
                    certifyRun(session.state.exact(), swapped.parameters, swapped.points, lociOf(session));
                EXPECT_FALSE(run.certified) << curve << " swapped at step " << at;
                EXPECT_FALSE(run.reason.empty());
            }
        }
    }
}

// x^2 = t^2 - e^2 round the square A = -i, 2 - i, 2 + i, i (ccw round +e
// alone, its last side between the loci +-e), recorded at the corners only
// and scaled by s: the two points exchange, with the one crossing a ccw
// half turn round a simple branch point gives.
TEST(CertifiedMonodromy, AStepFarLongerThanTheGapBetweenTwoLociStillGetsItsCrossing) {
    testing::RecordingErrors recorder;
    Session session;
    for (const char *e : {"0.001", "0.00000001"})
        for (const char *s : {"1", "0.0001", "10000"}) {
            const double ed = std::stod(e), sd = std::stod(s);
            const std::string curve = std::string("x^2-t^2+(") + e + "*" + s + ")^2";
            ASSERT_TRUE(go(session, curve)) << curve;
            const std::vector<std::complex<double>> corners = {{0, -1}, {2, -1}, {2, 1}, {0, 1}};
            Recorded r;
            for (size_t k = 0; k <= corners.size(); ++k) {
                const std::complex<double> t = corners[k % corners.size()] * sd;
                const std::complex<double> a = ed * sd;
                // continuous along the first three sides; the fourth ends swapped
                std::complex<double> x = std::sqrt(t - a) * std::sqrt(t + a);
                if (k == corners.size()) x = -x;
                r.parameters.push_back({t.real(), t.imag()});
                r.points.push_back({{x.real(), x.imag()}, {-x.real(), -x.imag()}});
            }
            const CertifiedRun run =
                certifyRun(session.state.exact(), r.parameters, r.points, lociOf(session), true);
            ASSERT_TRUE(run.certified) << curve << ": " << run.reason;
            EXPECT_EQ(run.permutation, (std::vector<int>{1, 0})) << curve;
            EXPECT_EQ(run.braid, (std::vector<int>{1})) << curve;
            EXPECT_GT(run.pieces, static_cast<int>(r.parameters.size())) << curve;
        }
}

}  // namespace
}  // namespace quorvel
