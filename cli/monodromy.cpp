#include "cli/monodromy.h"

#include <cstdlib>

#include "engine/error.h"
#include "engine/points.h"
#include "pipeline/tracer.h"
#include "tracing/braid.h"

namespace quorvel::cli {

namespace {

// Far more ticks than any loop needs (a tick accepts one step; a loop of
// a few segments takes some hundreds); a run that has not ended by then is
// reported as stopped.
constexpr int tickLimit = 1000000;

// The number of the point of the list that holds exactly this value.
int numberOf(const Term *list, Complex value) {
    for (const Term *p = list; p; p = p->next)
        if (p->coef.re == value.re && p->coef.im == value.im) return pointNumber(p);
    return -1;
}

std::string describe(const LoopChoice &c) {
    if (c.kind == "degenerate") return "degenerate locus " + std::to_string(c.number);
    return "branch locus " + std::to_string(c.number);
}

}  // namespace

std::string loopLabel(const LoopTarget &target) {
    if (target.kind == "enclosing") return "inf";
    if (target.kind == "degenerate") return "deg:" + std::to_string(target.number);
    return std::to_string(target.number);
}

LoopTarget loopTarget(Session &session, int owner) {
    const CurveState &s = session.state;
    OwnedPolynomial targets(autoPathTargets(s.branchLoci.get(), s.degenerateLoci.get()));
    OwnedPolynomial sorted(sortAround(targets.get(), autoPathCentre(s.branchLoci.get(), s.basePoint)));
    std::vector<Term *> byPosition;
    recordsByPosition(sorted.get(), byPosition);
    LoopTarget t;
    if (owner < 0 || owner >= static_cast<int>(byPosition.size())) {
        t.kind = "enclosing";
        t.value = s.basePoint;
        return t;
    }
    const Term *p = byPosition[static_cast<size_t>(owner)];
    t.value = p->coef;
    if (p->kind == kindDegenerate) {
        t.kind = "degenerate";
        t.number = numberOf(s.degenerateLoci.get(), p->coef);
    } else {
        t.kind = "branch";
        t.number = numberOf(s.branchLoci.get(), p->coef);
    }
    return t;
}

bool parseLoopChoice(const std::string &text, LoopChoice &choice) {
    if (text == "inf") {
        choice = {"enclosing", -1};
        return true;
    }
    std::string digits = text;
    choice.kind = "branch";
    if (text.rfind("deg:", 0) == 0) {
        digits = text.substr(4);
        choice.kind = "degenerate";
    }
    if (digits.empty() || digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string::npos)
        return false;
    choice.number = std::atoi(digits.c_str());
    return true;
}

PathSegment *findLoop(Session &session, const LoopChoice &choice) {
    const CurveState &s = session.state;
    if (choice.kind != "enclosing") {
        const Term *list = choice.kind == "branch" ? s.branchLoci.get() : s.degenerateLoci.get();
        const int n = countPoints(list);
        if (choice.number >= n) {
            const std::string loci = choice.kind == "branch" ? "branch loci" : "degenerate loci";
            showError("There is no " + describe(choice) + ".",
                      n == 0 ? "The curve has no " + loci
                             : "The " + loci + " are numbered 0 to " + std::to_string(n - 1));
            return nullptr;
        }
    }
    for (const LoopSummary &loop : listLoops(session.parameterSpace.autoPaths)) {
        const LoopTarget t = loopTarget(session, loop.owner);
        if (t.kind == choice.kind && t.number == choice.number) return loop.first;
    }
    if (choice.kind == "enclosing")
        showError("There is no loop around all loci.", "The curve has no loci to circle");
    else
        showError("The " + describe(choice) + " has no loop of its own.",
                  "It coincides with another locus; choose another loop with --loop");
    return nullptr;
}

LoopTrace traceLoop(Session &session, PathSegment *start, const std::vector<ShownError> &errors) {
    LoopTrace t;
    t.owner = start ? start->owner : 0;
    t.target = loopTarget(session, t.owner);
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

std::vector<LoopTrace> traceAllLoops(Session &session, const std::vector<ShownError> &errors) {
    std::vector<LoopTrace> out;
    if (session.state.stage < stageFiber) return out;
    std::vector<PathSegment *> starts;
    for (const LoopSummary &l : listLoops(session.parameterSpace.autoPaths)) starts.push_back(l.first);
    for (PathSegment *start : starts) out.push_back(traceLoop(session, start, errors));
    return out;
}

nlohmann::json loopTraceJson(const LoopTrace &t) {
    nlohmann::json j;
    j["loop"] = loopLabel(t.target);
    j["owner"] = t.owner;
    j["target"] = {{"kind", t.target.kind},
                   {"number", t.target.number < 0 ? nlohmann::json(nullptr) : nlohmann::json(t.target.number)},
                   {"re", jsonReal(t.target.value.re)},
                   {"im", jsonReal(t.target.value.im)}};
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
    std::string out = "loop " + loopLabel(t.target) + ": ";
    if (t.target.kind == "enclosing")
        out += "around all loci";
    else
        out += "around " + t.target.kind + " locus " + std::to_string(t.target.number) + " " +
               formatValue(t.target.value);
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
