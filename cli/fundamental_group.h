// quorvel-cli fundamental-group (and monodromy --fundamental-group): the
// curve put in proper position, every loop traced and verified, the
// Zariski-van Kampen presentation and what GAP finds.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cli/monodromy.h"
#include "cli/prepare.h"
#include "engine/projection.h"
#include "pipeline/fundamental_group.h"
#include "pipeline/session.h"

namespace quorvel::cli {

struct GroupRun {
    ProperPosition position;
    bool positioned = false;   // the typed curve was read and put in proper position
    std::string curveText;     // the curve whose loops are traced, exactly
    std::vector<LoopOutcome> traces;
    std::vector<std::string> pointNames;  // the fiber's names in strand order
    bool traced = false;       // every loop finished, verified, and the loops compose
    bool computed = false;     // the presentation went to GAP
    FundamentalGroupResult group;
    bool ok() const { return computed && group.ok(); }
};

// `session` holds the typed curve at stage 4. When the projection is
// proper on it, its loops are traced there (or `traced` is taken, when the
// caller has already traced the whole chain and verified it); otherwise
// the curve after the change of coordinates replaces it in the session and
// is traced there. What fails goes through the error channel.
GroupRun runFundamentalGroup(Session &session, const std::vector<LoopOutcome> *traced, double budgetSeconds);

nlohmann::json groupRunJson(const GroupRun &run);
std::string groupRunText(const GroupRun &run);

}  // namespace quorvel::cli
