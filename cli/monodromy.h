// quorvel-cli monodromy: traces auto-mode loops back to back, without a
// timer, and reports the permutation and the braid of each.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cli/report.h"
#include "pipeline/session.h"

namespace quorvel::cli {

struct LoopTrace {
    int owner = 0;
    Complex target{0.0, 0.0};
    std::string kind;  // "branch", "degenerate" or "enclosing"
    std::string status;  // "finished" or "stopped"
    std::string error;   // the message that stopped the run
    int steps = 0;
    bool relaxed = false;
    std::vector<int> permutation;
    std::string permutationText;
    std::vector<int> braid;
    std::string braidText;
};

// Traces the loop starting at `start` to its end or until it stops.
// `errors` is the list the error handler appends to.
LoopTrace traceLoop(Session &session, PathSegment *start, const std::vector<ShownError> &errors);
// Every loop of the auto-mode chain in chain order, or (loop >= 0) the loop
// a click near branch locus number `loop` picks; the number of branch loci
// picks the loop around infinity.
std::vector<LoopTrace> traceLoops(Session &session, int loop, const std::vector<ShownError> &errors);
// The auto-mode loop a click near the branch locus numbered `number`
// chooses (the number of branch loci: the loop around infinity).
PathSegment *loopForLocus(Session &session, int number);

nlohmann::json loopTraceJson(const LoopTrace &t);
std::string loopTraceText(const LoopTrace &t);

}  // namespace quorvel::cli
