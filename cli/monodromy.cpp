#include "cli/monodromy.h"

#include <cstdlib>

#include "cli/errors.h"
#include "engine/error.h"
#include "engine/points.h"
#include "pipeline/certify.h"

namespace quorvel::cli {

namespace {

std::string describe(const LoopChoice &c) {
    if (c.kind == "degenerate") return "degenerate locus " + std::to_string(c.number);
    return "branch locus " + std::to_string(c.number);
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

std::string certifyReason(const LoopOutcome &t) {
    const CertificationState &c = t.certification;
    if (c.status == CertificationState::none) return "the loop was not traced to its end and checked";
    if (c.status == CertificationState::cancelled) return "the certification was cancelled";
    return c.reason;
}

bool allCertified(const std::vector<LoopOutcome> &traces) {
    for (const LoopOutcome &t : traces)
        if (t.certifyAsked && t.certification.status != CertificationState::proven) return false;
    return true;
}

bool traceChain(Session &session, AllLoopsRun &run) {
    if (run.runToEnd(session)) return true;
    if (run.allVerified())
        showError("The local loops do not compose to the inverse of the loop around all loci.",
                  "Tell the maker: every loop passed its own checks");
    return false;
}

nlohmann::json loopTraceJson(const LoopOutcome &t) {
    nlohmann::json j;
    j["loop"] = loopLabel(t.target);
    j["owner"] = t.owner;
    j["target"] = {{"kind", t.target.kind},
                   {"number", t.target.number < 0 ? nlohmann::json(nullptr) : nlohmann::json(t.target.number)},
                   {"re", jsonReal(t.target.value.re)},
                   {"im", jsonReal(t.target.value.im)}};
    j["status"] = t.status;
    j["error"] = t.error.empty() ? nlohmann::json(nullptr) : nlohmann::json(joinLines(t.error));
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
    const CertificationState &c = t.certification;
    if (t.certifyAsked) {
        const bool proven = c.status == CertificationState::proven;
        j["certified"] = proven;
        j["certification"] = {{"reason", proven ? nlohmann::json(nullptr) : nlohmann::json(certifyReason(t))},
                              {"pieces", c.pieces},
                              {"precision", c.precision},
                              {"agreesWithUncertified", proven ? nlohmann::json(c.agrees) : nlohmann::json(nullptr)}};
    }
    return j;
}

std::string loopTraceText(const LoopOutcome &t) {
    std::string out = "loop " + loopLabel(t.target) + ": ";
    if (t.target.kind == "enclosing")
        out += "around all loci";
    else
        out += "around " + t.target.kind + " locus " + std::to_string(t.target.number) + " " +
               formatValue(t.target.value);
    out += "\n  " + t.status;
    if (!t.error.empty()) out += ": " + joinLines(t.error);
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
        const CertificationState &c = t.certification;
        if (c.status == CertificationState::proven)
            out += "  certified: permutation and braid proven (" + std::to_string(c.pieces) + " pieces, up to " +
                   std::to_string(c.precision) + " bits)" +
                   (c.agrees ? "" : "; the uncertified run had read them otherwise") + "\n";
        else
            out += "  NOT certified: " + certifyReason(t) + "\n";
    }
    return out;
}

}  // namespace quorvel::cli
