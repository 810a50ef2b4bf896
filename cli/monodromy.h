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
#include "pipeline/all_loops.h"
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

using quorvel::LoopOutcome;

// Traces every loop of the auto-mode chain to its end (all of them again
// one control level tighter when they pass but do not compose). True when
// they all pass and compose; when they pass but do not, says so through
// the error channel.
bool traceChain(Session &session, AllLoopsRun &run);
// Every loop that was to be certified was proven.
bool allCertified(const std::vector<LoopOutcome> &traces);
// The first segment of the chosen loop; nullptr after showing why there is
// none (a number out of range, a locus without a loop of its own).
PathSegment *findLoop(Session &session, const LoopChoice &choice);

nlohmann::json loopTraceJson(const LoopOutcome &t);
std::string loopTraceText(const LoopOutcome &t);

}  // namespace quorvel::cli
