#include "cli/monodromy.h"

#include "engine/points.h"
#include "pipeline/tracer.h"
#include "tracing/braid.h"

namespace quorvel::cli {

namespace {

// Far more ticks than any loop needs (a tick accepts one step; a loop of
// a few segments takes some hundreds); a run that has not ended by then is
// reported as stopped.
constexpr int tickLimit = 1000000;

void describeTarget(Session &session, int owner, LoopTrace &t) {
    const CurveState &s = session.state;
    OwnedPolynomial targets(autoPathTargets(s.branchLoci.get(), s.degenerateLoci.get()));
    OwnedPolynomial sorted(
        sortAround(targets.get(), autoPathCentre(s.branchLoci.get(), s.basePoint)));
    const int n = countPoints(sorted.get());
    if (owner >= 0 && owner < n) {
        std::vector<Term *> byPosition;
        recordsByPosition(sorted.get(), byPosition);
        t.target = byPosition[static_cast<size_t>(owner)]->coef;
        t.kind = byPosition[static_cast<size_t>(owner)]->kind == kindDegenerate ? "degenerate" : "branch";
    } else {
        t.target = s.basePoint;
        t.kind = "enclosing";
    }
}

}  // namespace

LoopTrace traceLoop(Session &session, PathSegment *start, const std::vector<ShownError> &errors) {
    LoopTrace t;
    t.owner = start ? start->owner : 0;
    describeTarget(session, t.owner, t);
    const size_t errorsBefore = errors.size();
    if (!startLoopAt(session, start)) {
        t.status = "stopped";
        t.error = "nothing to trace";
        return t;
    }
    for (int k = 0; k < tickLimit && session.parameterSpace.timerRunning &&
                    session.traces.tracingState == tracingRunning;
         ++k)
        tracerTick(session);
    const bool finished = session.solutionSpace.traceFinished != 0;
    t.status = finished ? "finished" : "stopped";
    if (errors.size() > errorsBefore) t.error = errors.back().message;
    if (!finished && t.error.empty()) t.error = "the run did not end";
    t.steps = countSteps(session.traces.solutionTrace) - 1;
    t.relaxed = session.solutionSpace.relaxedMode != 0;
    if (finished) {
        const int n = countPoints(session.state.fiber.get());
        t.permutation = computePermutation(session.traces.solutionTrace, session.traces.traceStepCount, n);
        if (!t.permutation.empty()) t.permutation.pop_back();  // the closing -1
        std::vector<int> withEnd = t.permutation;
        withEnd.push_back(-1);
        t.permutationText = formatPermutation(withEnd, session.state.fiber.get());
    }
    t.braid = session.solutionSpace.braidWord.generators();
    t.braidText = formatBraidWord(session.solutionSpace.braidWord);
    return t;
}

PathSegment *loopForLocus(Session &session, int number) {
    const int n = countPoints(session.state.branchLoci.get());
    if (number == n) return findPathStart(session.parameterSpace.autoPaths, loopIndexAt(session, Complex(0, 0), true));
    Term *locus = findByNumber(session.state.branchLoci.get(), number);
    if (!locus) return nullptr;
    return findPathStart(session.parameterSpace.autoPaths, loopIndexAt(session, locus->coef, false));
}

std::vector<LoopTrace> traceLoops(Session &session, int loop, const std::vector<ShownError> &errors) {
    std::vector<LoopTrace> out;
    if (session.state.stage < stageFiber) return out;
    if (loop >= 0) {
        PathSegment *start = loopForLocus(session, loop);
        if (start) out.push_back(traceLoop(session, start, errors));
        return out;
    }
    std::vector<PathSegment *> starts;
    for (const LoopSummary &l : listLoops(session.parameterSpace.autoPaths)) starts.push_back(l.first);
    for (PathSegment *start : starts) out.push_back(traceLoop(session, start, errors));
    return out;
}

nlohmann::json loopTraceJson(const LoopTrace &t) {
    nlohmann::json j;
    j["owner"] = t.owner;
    j["target"] = {{"re", t.target.re}, {"im", t.target.im}, {"kind", t.kind}};
    j["status"] = t.status;
    j["error"] = t.error.empty() ? nlohmann::json(nullptr) : nlohmann::json(t.error);
    j["steps"] = t.steps;
    j["relaxed"] = t.relaxed;
    j["permutation"] = t.permutation;
    j["permutationText"] = t.permutationText;
    j["braid"] = t.braid;
    j["braidText"] = t.braidText;
    return j;
}

std::string loopTraceText(const LoopTrace &t) {
    std::string out = "loop " + std::to_string(t.owner) + ": ";
    if (t.kind == "enclosing")
        out += "around all loci";
    else
        out += "around " + t.kind + " locus " + formatValue(t.target);
    out += "\n  " + t.status;
    if (!t.error.empty()) out += ": " + t.error;
    out += " after " + std::to_string(t.steps) + " steps\n";
    out += std::string("  relaxed mode: ") + (t.relaxed ? "yes" : "no") + "\n";
    if (t.status == "finished") {
        out += "  permutation: " + t.permutationText + "  [";
        for (size_t i = 0; i < t.permutation.size(); ++i)
            out += (i ? ", " : "") + std::to_string(t.permutation[i]);
        out += "]\n";
    }
    out += "  braid: " + t.braidText + "  [";
    for (size_t i = 0; i < t.braid.size(); ++i) out += (i ? ", " : "") + std::to_string(t.braid[i]);
    out += "]\n";
    return out;
}

}  // namespace quorvel::cli
