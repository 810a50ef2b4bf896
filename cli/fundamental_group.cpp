#include "cli/fundamental_group.h"

#include <cstdio>

#include "cli/errors.h"
#include "cli/group.h"
#include "engine/error.h"
#include "engine/points.h"
#include "pipeline/curve_state.h"

namespace quorvel::cli {

GroupRun runFundamentalGroup(Session &session, const std::vector<LoopOutcome> *traced, double budgetSeconds) {
    GroupRun run;
    try {
        run.position = properPosition(session.state.exact());
    } catch (const ComputationAbandoned &) {
        return run;
    }
    run.positioned = true;
    run.curveText = exactText(run.position.curve);
    if (run.position.changed) {
        // The changed curve is typed into the same session (a second one
        // would start the term pool afresh under the first).
        if (run.curveText.size() > polynomialTextLimit) {
            showError("The curve after " + run.position.change + " is longer than the polynomial field holds (" +
                          std::to_string(run.curveText.size()) + " characters, at most 1023).",
                      "Change the coordinates yourself so that the leading coefficient in the fiber variable "
                      "is a constant, with a shorter text");
            return run;
        }
        Input input;
        input.text = run.curveText;
        input.fiber = session.state.fiberVariable();
        session.clearAll();
        if (!prepareSession(session, input) || !checkResult(session)) return run;
        traced = nullptr;
    }
    if (traced) {
        run.traces = *traced;
        run.traced = true;
    } else {
        AllLoopsRun loops;
        run.traced = traceChain(session, loops);
        run.traces = loops.outcomes();
    }
    if (!run.traced) return run;
    std::vector<std::vector<int>> braids;
    int enclosing = -1;
    for (const LoopOutcome &t : run.traces) {
        if (t.target.kind == "enclosing") enclosing = static_cast<int>(braids.size());
        braids.push_back(t.braid);
    }
    run.pointNames = strandOrderNames(session.state.fiber.get());
    run.group = fundamentalGroup(run.position.curve, countPoints(session.state.fiber.get()), braids, enclosing,
                                 budgetSeconds);
    run.computed = true;
    if (!run.group.ok())
        showError("The fundamental group is not complete: " + run.group.problem + ".",
                  run.group.braidProduct != 0 && (run.group.abelianizationChecked || !run.group.gap.haveInvariants)
                      ? "Give GAP more time with --gap-seconds, or a simpler curve"
                      : "Tell the maker: the loops passed their checks, yet their braids are wrong");
    return run;
}

namespace {

nlohmann::json wordsJson(const std::vector<std::vector<int>> &words) {
    nlohmann::json out = nlohmann::json::array();
    for (const std::vector<int> &w : words) out.push_back(w);
    return out;
}

std::string decision(const FpGroupFacts &gap) {
    if (gap.abelian == "yes") return "abelian (" + gap.abelianWitness + ")";
    if (gap.abelian == "no") return "not abelian (" + gap.abelianWitness + ")";
    return "not decided";
}

}  // namespace

nlohmann::json groupRunJson(const GroupRun &run) {
    nlohmann::json j;
    j["projection"] = {{"changed", run.position.changed},
                       {"change", run.position.changed ? nlohmann::json(run.position.change) : nlohmann::json(nullptr)},
                       {"curve", run.positioned ? nlohmann::json(run.curveText) : nlohmann::json(nullptr)}};
    j["traced"] = run.traced;
    j["computed"] = run.computed;
    if (!run.computed) return j;
    const FundamentalGroupResult &g = run.group;
    const std::vector<std::string> raw = rawGeneratorNames(g.points);
    j["generators"] = raw;
    j["generatorPoints"] = run.pointNames;
    j["braids"] = wordsJson(g.braids);
    j["relators"] = wordsJson(g.relators);
    nlohmann::json simplified = nullptr;
    if (g.gap.simplified) {
        std::vector<std::string> relations;
        for (const std::vector<int> &r : g.gap.relators) relations.push_back(relationText(r, g.gap.generators, false));
        simplified = {{"generators", g.gap.generators},
                      {"relators", wordsJson(g.gap.relators)},
                      {"relations", relations},
                      {"text", presentationText(g.gap.generators, g.gap.relators, false)}};
    }
    j["simplified"] = simplified;
    j["abelianInvariants"] = g.gap.haveInvariants ? nlohmann::json(g.gap.abelianInvariants) : nlohmann::json(nullptr);
    j["abelianization"] = g.gap.haveInvariants ? nlohmann::json(abelianText(g.gap.abelianInvariants, false))
                                               : nlohmann::json(nullptr);
    j["braidProductCheck"] = g.braidProduct < 0 ? nlohmann::json(nullptr) : nlohmann::json(g.braidProduct == 1);
    j["components"] = g.components;
    j["abelianizationCheck"] = g.abelianizationChecked;
    j["abelian"] = g.gap.abelian == "yes" ? nlohmann::json(true)
                                          : g.gap.abelian == "no" ? nlohmann::json(false) : nlohmann::json(nullptr);
    j["abelianWitness"] = g.gap.abelianWitness.empty() ? nlohmann::json(nullptr) : nlohmann::json(g.gap.abelianWitness);
    j["order"] = g.gap.order;
    j["complete"] = g.gap.complete;
    j["gapSeconds"] = g.gap.seconds;
    j["problem"] = g.problem.empty() ? nlohmann::json(nullptr) : nlohmann::json(g.problem);
    return j;
}

std::string groupRunText(const GroupRun &run) {
    std::string out;
    if (!run.positioned) return out;
    if (run.position.changed)
        out += "projection: not proper on the typed curve; changed by " + run.position.change +
               "\n  the curve traced: " + run.curveText + "\n";
    else
        out += "projection: proper (the leading coefficient in the fiber variable is a constant)\n";
    if (!run.traced) return out + "loops: not every loop was traced and verified, so there is no presentation\n";
    out += "loops traced and verified: " + std::to_string(run.traces.size()) + "\n";
    if (!run.computed) return out;
    const FundamentalGroupResult &g = run.group;
    out += std::string("braid product check: ") +
           (g.braidProduct == 1   ? "the local loops' braids compose to the inverse of the braid round all loci"
            : g.braidProduct == 0 ? "FAILED: the local loops' braids do not compose to the inverse of the braid "
                                    "round all loci"
                                  : "not decided") +
           "\n";
    const std::vector<std::string> raw = rawGeneratorNames(g.points);
    out += "fundamental group of C^2 minus the curve (Zariski-van Kampen):\n";
    out += "  generators: small loops round the fiber points over the base point:";
    for (size_t k = 0; k < run.pointNames.size(); ++k)
        out += (k ? ", g" : " g") + std::to_string(k + 1) + " round " + run.pointNames[k];
    out += "\n";
    out += "  raw presentation: " + std::to_string(g.points) + " generators, " + std::to_string(g.relators.size()) +
           " relations g_j = g_j . braid\n";
    for (size_t k = 0; k < run.traces.size(); ++k) {
        const LoopOutcome &t = run.traces[k];
        out += "    loop " + loopLabel(t.target) + " (braid " + t.braidText + "):\n";
        for (int j = 1; j <= g.points; ++j) {
            const FreeWord image = actRight({j}, t.braid, g.points);
            if (image == FreeWord{j}) continue;
            out += "      g" + std::to_string(j) + " = " + wordText(image, raw, false) + "\n";
        }
    }
    if (g.gap.simplified)
        out += "  simplified (GAP): " + presentationText(g.gap.generators, g.gap.relators, false) + "\n";
    if (g.gap.haveInvariants)
        out += "  abelianization: " + abelianText(g.gap.abelianInvariants, false) + " (the curve has " +
               std::to_string(g.components) + " irreducible component" + (g.components == 1 ? "" : "s") +
               (g.abelianizationChecked ? ": checked" : ": CHECK FAILED") + ")\n";
    out += "  " + decision(g.gap) + "\n";
    out += "  order: " + g.gap.order + "\n";
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.2f", g.gap.seconds);
    out += std::string("  GAP: ") + seconds + " s" + (g.gap.complete ? "" : ", " + g.gap.problem) + "\n";
    return out;
}

}  // namespace quorvel::cli
