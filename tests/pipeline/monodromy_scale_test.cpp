// The monodromy of a curve does not depend on the coordinates of its
// parameter: t -> s*t and t -> t + c change the loci and the loops, never
// the cycle types, the braids' exponent sums, the group or the genus. And a
// braid carries every twist the loci demand.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "pipeline/all_loops.h"
#include "support/recording_errors.h"
#include "tracing/monodromy_group.h"

namespace quorvel {
namespace {

// What of a curve's monodromy survives a change of the parameter.
struct Invariants {
    bool verified = false;
    std::vector<std::pair<std::vector<int>, int>> loops;  // cycle type and exponent sum, sorted
    std::string order;
    int genus = -1;
    bool operator==(const Invariants &) const = default;
};

std::vector<int> cycleType(const std::vector<int> &p) {
    std::vector<int> lengths;
    std::vector<bool> seen(p.size(), false);
    for (size_t i = 0; i < p.size(); ++i) {
        int length = 0;
        for (size_t j = i; !seen[j]; j = static_cast<size_t>(p[j])) seen[j] = true, ++length;
        if (length > 0) lengths.push_back(length);
    }
    std::sort(lengths.begin(), lengths.end());
    return lengths;
}

Invariants monodromyOf(const std::string &curve, const std::string &base = "") {
    Invariants out;
    Session session;
    session.typePolynomial(curve);
    if (!session.runPipeline()) return out;
    if (!base.empty()) {
        session.typeBasePoint(base);
        if (!session.recalculateFiber()) return out;
    }
    AllLoopsRun run;
    if (!run.start(session)) return out;
    while (run.advance(session, 100)) {
    }
    out.verified = run.allVerified() && run.summary().productCheck;
    for (const LoopOutcome &o : run.outcomes())
        out.loops.emplace_back(cycleType(o.permutation), o.verdict.foundExponent);
    std::sort(out.loops.begin(), out.loops.end());
    out.order = run.summary().order;
    out.genus = run.summary().genus;
    return out;
}

// The text with every t replaced by the given text.
std::string substituted(const std::string &curve, const std::string &t) {
    std::string out;
    for (char c : curve) out += c == 't' ? "(" + t + ")" : std::string(1, c);
    return out;
}

TEST(MonodromyScale, NothingButTheCoordinatesChangeUnderScalingAndShifting) {
    testing::RecordingErrors recorder;
    const struct {
        const char *curve;
        const char *order;
        int genus;
    } rows[] = {
        {"x^3+t*x+t^2-1", "6", 1},
        {"x^2-t*(t-1e-12)*(t-1)*(t-1-1e-12)*(t+1)*(t+1+1e-12)", "2", 2},
        {"x^2-t^2+0.000001", "2", 0},
        {"x^3-3*0.001^2*x+t", "6", 0},
        {"x^4-t^3*x+t", "24", 3},
        {"(x^2-t)*(x-t^2-2)", "2", -1},
        {"x*(t^4-t^2+1-x)", "1", -1},
        // real loci between a conjugate pair and the base point
        {"x^2-(t^2+1e-4)*(t-3)*(t-4)*(t+5)", "2", 2},
    };
    for (const auto &row : rows) {
        const Invariants reference = monodromyOf(row.curve);
        EXPECT_TRUE(reference.verified) << row.curve;
        EXPECT_EQ(reference.order, row.order) << row.curve;
        EXPECT_EQ(reference.genus, row.genus) << row.curve;
        for (const char *change : {"1e-6*t", "1e-3*t", "1000*t", "1000000*t", "t+1", "t-2.5", "t+3"}) {
            const std::string moved = substituted(row.curve, change);
            EXPECT_EQ(monodromyOf(moved), reference) << moved;
        }
    }
    // A base point far out, or at 0, is a base point like any other.
    for (const char *base : {"20", "0", "-0.5i"})
        EXPECT_EQ(monodromyOf("x^2-t^2+1", base).order, "2") << base;
}

// Loci clustered round 0 far more tightly than they lie from the base point
// (0.5 away, or inside the cluster): every loop is traced and verified, and
// a scaled parameter changes nothing.
TEST(MonodromyScale, ClustersRoundZeroDownTo1e36AreTracedAndVerified) {
    testing::RecordingErrors recorder;
    const struct {
        const char *curve;
        const char *order;
        int genus;
    } rows[] = {
        {"x^2-t*(t-1e-15)*(t+1e-15)*(t-1)*(t-2)*(t-3)", "2", 2},
        {"x^2-t*(t-1e-20)*(t+1e-20)*(t-1)*(t-2)*(t-3)", "2", 2},
        {"x^2-t*(t-1e-30)*(t+1e-30)*(t-1)*(t-2)*(t-3)", "2", 2},
        {"x^2-t*(t-1e-36)*(t+1e-36)*(t-1)*(t-2)*(t-3)", "2", 2},
        {"x^2-t*(t-1e-36)*(t-1e-36*i)*(t+2)*(t-3*i)", "2", 2},
        {"x^3-3*1e-20^2*x+t", "6", 0},
    };
    for (const auto &row : rows) {
        const Invariants m = monodromyOf(row.curve);
        EXPECT_TRUE(m.verified) << row.curve;
        EXPECT_EQ(m.order, row.order) << row.curve;
        EXPECT_EQ(m.genus, row.genus) << row.curve;
        EXPECT_EQ(monodromyOf(substituted(row.curve, "1e-6*t")), m) << row.curve;
    }
    EXPECT_TRUE(recorder.errors.empty());
}

TEST(MonodromyScale, BraidsCarryEveryTwistTheLociDemand) {
    testing::RecordingErrors recorder;
    // x (x - t^k): the point t^k goes k times round 0, a braid of 2k
    // positive crossings.
    for (int k = 1; k <= 5; ++k) {
        Session session;
        session.typePolynomial("x*(x-t^" + std::to_string(k) + ")");
        ASSERT_TRUE(session.runPipeline());
        AllLoopsRun run;
        ASSERT_TRUE(run.start(session));
        while (run.advance(session, 100)) {
        }
        ASSERT_TRUE(run.allVerified()) << k;
        EXPECT_EQ(run.outcomes().front().verdict.foundExponent, 2 * k);
        EXPECT_EQ(run.outcomes().back().verdict.foundExponent, -2 * k);
    }
    // Two circles touching, and two components meeting at four nodes: each
    // loop passes the exponent check, and the loop round all is the sum.
    for (const char *curve : {"(x^2+t^2-1)*((x-2)^2+t^2-1)", "x*(t^4-t^2+1-x)"}) {
        const Invariants m = monodromyOf(curve);
        EXPECT_TRUE(m.verified) << curve;
        int local = 0;
        for (const auto &loop : m.loops) local += loop.second;
        EXPECT_EQ(local, 0) << curve;  // the local loops and the inverse of the one round all
    }
}

}  // namespace
}  // namespace quorvel
