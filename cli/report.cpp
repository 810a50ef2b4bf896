#include "cli/report.h"

#include <cstdio>

#include "cli/monodromy.h"
#include "engine/error.h"
#include "engine/points.h"

namespace quorvel::cli {

std::string jsonText(const nlohmann::json &j, int indent) {
    return j.dump(indent, ' ', false, nlohmann::json::error_handler_t::replace);
}

double jsonReal(double v) { return v == 0.0 ? 0.0 : v; }

nlohmann::json pointsJson(const Term *list, bool withNames) {
    nlohmann::json out = nlohmann::json::array();
    for (const Term *p = list; p; p = p->next) {
        nlohmann::json item{{"number", pointNumber(p)}, {"re", jsonReal(p->coef.re)}, {"im", jsonReal(p->coef.im)}};
        if (withNames)
            item["name"] = std::string(pointName(p));
        else
            item["multiplicity"] = pointMultiplicity(p);
        out.push_back(item);
    }
    return out;
}

namespace {

std::string letter(char c) { return std::string(1, c); }

}  // namespace

nlohmann::json analysisJson(Session &session, const std::vector<ShownError> &errors) {
    const CurveState &s = session.state;
    nlohmann::json j;
    j["fiberVariable"] = letter(s.stage >= stageCurve ? s.fiberVariable() : '?');
    j["parameter"] = letter(s.stage >= stageCurve ? s.parameter() : '?');
    j["stage"] = s.stage;
    j["branchPolynomial"] = s.stage >= stageBranchPolynomial ? s.branchPolynomialText : "";
    j["degenerateLoci"] = pointsJson(s.stage >= stageCurve ? s.degenerateLoci.get() : nullptr, false);
    j["branchLoci"] = pointsJson(s.stage >= stageBranchLoci ? s.branchLoci.get() : nullptr, false);
    j["basePoint"] = {{"re", jsonReal(s.basePoint.re)}, {"im", jsonReal(s.basePoint.im)}};
    j["fiber"] = pointsJson(s.stage >= stageFiber ? s.fiber.get() : nullptr, true);
    nlohmann::json loops = nlohmann::json::array();
    if (s.stage >= stageFiber) {
        for (const LoopSummary &loop : listLoops(session.parameterSpace.autoPaths)) {
            const LoopTarget t = loopTarget(session, loop.owner);
            loops.push_back({{"loop", loopLabel(t)},
                             {"kind", t.kind},
                             {"number", t.number < 0 ? nlohmann::json(nullptr) : nlohmann::json(t.number)},
                             {"owner", loop.owner},
                             {"segments", loop.segments}});
        }
    }
    j["loops"] = loops;
    nlohmann::json errs = nlohmann::json::array();
    for (const ShownError &e : errors) errs.push_back({{"message", e.message}, {"remedy", e.remedy}});
    j["errors"] = errs;
    return j;
}

std::string analysisText(Session &session) {
    const CurveState &s = session.state;
    std::string out;
    auto line = [&out](const std::string &text) { out += text + "\n"; };
    line("stage: " + std::to_string(s.stage));
    if (s.stage < stageCurve) return out;
    line(std::string("letters: fiber ") + s.fiberVariable() + ", parameter " + s.parameter());
    line("degenerate loci: " + std::to_string(countPoints(s.degenerateLoci.get())));
    for (const Term *p = s.degenerateLoci.get(); p; p = p->next)
        line("  " + std::to_string(pointNumber(p)) + " " + formatValue(p->coef));
    if (s.stage < stageBranchPolynomial) return out;
    line("branch polynomial: " + s.branchPolynomialText);
    if (s.stage < stageBranchLoci) return out;
    line("branch loci: " + std::to_string(countPoints(s.branchLoci.get())));
    for (const Term *p = s.branchLoci.get(); p; p = p->next) {
        std::string l = "  " + std::to_string(pointNumber(p)) + " " + formatValue(p->coef);
        if (pointMultiplicity(p) > 1) l += " multiplicity " + std::to_string(pointMultiplicity(p));
        line(l);
    }
    line("base point: " + formatValue(s.basePoint));
    if (s.stage < stageFiber) return out;
    line("fiber: " + std::to_string(countPoints(s.fiber.get())));
    for (const Term *p = s.fiber.get(); p; p = p->next)
        line("  " + std::to_string(pointNumber(p)) + " \"" + pointName(p) + "\" " + formatValue(p->coef));
    std::string loops;
    for (const LoopSummary &loop : listLoops(session.parameterSpace.autoPaths))
        loops += " " + loopLabel(loopTarget(session, loop.owner));
    line("auto-mode loops: " + std::to_string(loopCount(session.parameterSpace.autoPaths)) + loops);
    return out;
}

bool checkResult(Session &session) {
    if (session.state.stage < stageFiber) return true;
    bool ok = true;
    if (countPoints(session.state.fiber.get()) == 0) {
        showError("The fiber over the base point is empty.", "Check the polynomial and the base point");
        ok = false;
    }
    if (loopCount(session.parameterSpace.autoPaths) == 0) {
        // With loci but no loops, the building of the loops has said why.
        if (countPoints(session.state.branchLoci.get()) + countPoints(session.state.degenerateLoci.get()) == 0)
            showError("The curve has no loop to trace.",
                      "A curve without branch or degenerate loci has no monodromy; check the polynomial");
        ok = false;
    }
    return ok;
}

}  // namespace quorvel::cli
