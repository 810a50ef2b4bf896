#include "cli/monodromy.h"

#include <cstdlib>

#include "engine/error.h"
#include "engine/points.h"
#include "pipeline/certify.h"
#include "pipeline/tracer.h"
#include "tracing/braid.h"

namespace quorvel::cli {

namespace {

// Far more ticks than any loop needs (a tick accepts one step; a loop of
// a few segments takes some hundreds); a run that has not ended by then is
// reported as stopped.
constexpr int tickLimit = 1000000;

std::string describe(const LoopChoice &c) {
    if (c.kind == "degenerate") return "degenerate locus " + std::to_string(c.number);
    return "branch locus " + std::to_string(c.number);
}

// The loop the session's traces hold, proven: a certified loop reports the
// proven permutation and braid.
void certifyLoop(const Session &session, LoopTrace &t) {
    t.certifyAsked = true;
    if (t.status != "finished") {
        t.certifyReason = "the loop was not traced to its end and checked";
        return;
    }
    const CertifiedRun run = certifyTraces(session);
    t.pieces = run.pieces;
    t.precision = run.highestPrecision;
    if (!run.certified) {
        t.certifyReason = run.reason;
        return;
    }
    t.certified = true;
    t.agrees = provesFloatingRun(run, t.permutation, t.braid);
    if (t.agrees) return;
    t.permutation = run.permutation;
    std::vector<int> withEnd = t.permutation;
    withEnd.push_back(-1);
    t.permutationText = formatPermutation(withEnd, session.state.fiber.get());
    t.braid = run.braid;
    BraidWord word;
    for (int g : run.braid) appendGenerator(word, g);
    t.braidText = formatBraidWord(word);
}

}  // namespace


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

LoopTrace traceLoop(Session &session, PathSegment *start, const std::vector<ShownError> &errors,
                    int control, bool certify) {
    LoopTrace t;
    t.owner = start ? start->owner : 0;
    t.target = loopTarget(session, t.owner);
    const size_t errorsBefore = errors.size();
    if (!startLoopAt(session, start, control)) {
        t.status = "stopped";
        t.error = "nothing to trace";
        return t;
    }
    for (int k = 0; k < tickLimit && session.parameterSpace.timerRunning &&
                    session.traces.tracingState == tracingRunning;
         ++k)
        tracerTick(session);
    const bool ended = session.solutionSpace.traceFinished != 0;
    t.verdict = session.solutionSpace.verdict;
    t.status = !ended ? "stopped" : (t.verdict.passed() ? "finished" : "failed");
    if (errors.size() > errorsBefore) t.error = errors.back().message;
    if (!ended && t.error.empty()) t.error = "the run did not end";
    if (ended && !t.verdict.passed()) t.error = t.verdict.problem;
    t.steps = countSteps(session.traces.solutionTrace) - 1;
    t.relaxed = session.solutionSpace.relaxedMode != 0;
    if (ended && t.verdict.permutationOk) {
        t.permutation = t.verdict.permutation;
        std::vector<int> withEnd = t.permutation;
        withEnd.push_back(-1);
        t.permutationText = formatPermutation(withEnd, session.state.fiber.get());
    }
    t.braid = session.solutionSpace.braidWord.generators();
    t.braidText = formatBraidWord(session.solutionSpace.braidWord);
    if (certify) certifyLoop(session, t);
    return t;
}

std::vector<LoopTrace> traceAllLoops(Session &session, const std::vector<ShownError> &errors, int control,
                                     bool certify) {
    std::vector<LoopTrace> out;
    if (session.state.stage < stageFiber) return out;
    std::vector<PathSegment *> starts;
    for (const LoopSummary &l : listLoops(session.parameterSpace.autoPaths)) starts.push_back(l.first);
    for (PathSegment *start : starts) out.push_back(traceLoop(session, start, errors, control, certify));
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
    const RunVerdict &v = t.verdict;
    j["verified"] = v.passed();
    j["attempts"] = v.attempts;
    j["checks"] = v.judged ? nlohmann::json{{"closed", v.closed},
                                            {"permutation", v.permutationOk},
                                            {"path", v.pathOk},
                                            {"braid",
                                             {{"ok", v.braidOk},
                                              {"exponentSum", v.foundExponent},
                                              {"expected", v.expectedExponent}}}}
                           : nlohmann::json(nullptr);
    j["permutation"] = t.permutation;
    j["permutationText"] = t.permutationText;
    j["braid"] = t.braid;
    j["braidText"] = t.braidText;
    if (t.certifyAsked) {
        j["certified"] = t.certified;
        j["certification"] = {{"reason", t.certifyReason.empty() ? nlohmann::json(nullptr)
                                                                 : nlohmann::json(t.certifyReason)},
                              {"pieces", t.pieces},
                              {"precision", t.precision},
                              {"agreesWithUncertified", t.certified ? nlohmann::json(t.agrees)
                                                                    : nlohmann::json(nullptr)}};
    }
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
    out += " after " + std::to_string(t.steps) + " steps";
    if (t.verdict.attempts > 1) out += " (attempt " + std::to_string(t.verdict.attempts) + ")";
    out += "\n";
    out += std::string("  relaxed mode: ") + (t.relaxed ? "yes" : "no") + "\n";
    if (t.verdict.judged && t.verdict.closed)
        out += "  checks: braid exponent sum " + std::to_string(t.verdict.foundExponent) + " (the loci ask " +
               std::to_string(t.verdict.expectedExponent) + "), " +
               (t.verdict.passed() ? "verified" : "NOT verified") + "\n";
    if (!t.permutation.empty()) {
        out += "  permutation: " + t.permutationText + "  [";
        for (size_t i = 0; i < t.permutation.size(); ++i)
            out += (i ? ", " : "") + std::to_string(t.permutation[i]);
        out += "]\n";
    }
    out += "  braid: " + t.braidText + "  [";
    for (size_t i = 0; i < t.braid.size(); ++i) out += (i ? ", " : "") + std::to_string(t.braid[i]);
    out += "]\n";
    if (t.certifyAsked) {
        if (t.certified)
            out += "  certified: permutation and braid proven (" + std::to_string(t.pieces) + " pieces, up to " +
                   std::to_string(t.precision) + " bits)" +
                   (t.agrees ? "" : "; the uncertified run had read them otherwise") + "\n";
        else
            out += "  NOT certified: " + t.certifyReason + "\n";
    }
    return out;
}

}  // namespace quorvel::cli
