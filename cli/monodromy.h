// quorvel-cli monodromy: traces auto-mode loops back to back, without a
// timer, and reports the permutation and the braid of each.
//
// A loop is named by what it circles, the same in every subcommand and in
// the JSON: "K" for the loop around branch locus number K (the numbers of
// the branch-loci list, from 0), "deg:K" for the loop around degenerate
// locus number K, and "inf" for the loop around all loci (around infinity).
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cli/report.h"
#include "pipeline/loop_targets.h"
#include "pipeline/session.h"

namespace quorvel::cli {

using quorvel::LoopTarget;
using quorvel::loopLabel;
using quorvel::loopTarget;

// A loop as the command line names it.
struct LoopChoice {
    std::string kind;  // "branch", "degenerate" or "enclosing"
    int number = -1;
};
// Reads "K", "deg:K" or "inf" (K a decimal number from 0); false otherwise.
bool parseLoopChoice(const std::string &text, LoopChoice &choice);

struct LoopTrace {
    int owner = 0;  // the loop's position in the auto-mode chain
    LoopTarget target;
    // "finished" (ended and passed every check), "failed" (ended, but a
    // check failed on every attempt) or "stopped" (did not end)
    std::string status;
    std::string error;   // the message that stopped the run, or the check that failed
    int steps = 0;
    bool relaxed = false;
    RunVerdict verdict;
    std::vector<int> permutation;
    std::string permutationText;
    std::vector<int> braid;
    std::string braidText;
    // With --certify (tracing/certified_run.h): asked, and the outcome. A
    // certified loop reports the proven permutation and braid; `agrees`
    // says whether the floating run had found the same.
    bool certifyAsked = false;
    bool certified = false;
    std::string certifyReason;
    bool agrees = false;
    int pieces = 0;
    int precision = 0;
};

// Traces the loop starting at `start` to its end or until it stops, at a
// control level (0 normal; a loop whose checks fail is run again tighter
// by the tracer itself). `errors` is the list the error handler appends to.
// With `certify`, a loop that ended is then certified.
LoopTrace traceLoop(Session &session, PathSegment *start, const std::vector<ShownError> &errors,
                    int control = 0, bool certify = false);
// Every loop of the auto-mode chain in chain order.
std::vector<LoopTrace> traceAllLoops(Session &session, const std::vector<ShownError> &errors,
                                     int control = 0, bool certify = false);
// The first segment of the chosen loop; nullptr after showing why there is
// none (a number out of range, a locus without a loop of its own).
PathSegment *findLoop(Session &session, const LoopChoice &choice);

nlohmann::json loopTraceJson(const LoopTrace &t);
std::string loopTraceText(const LoopTrace &t);

}  // namespace quorvel::cli
