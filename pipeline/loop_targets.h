// What each loop of the auto-mode chain circles, named the same way
// everywhere: "K" for the loop around branch locus K (the numbers of the
// branch-loci list, from 0), "deg:K" around degenerate locus K, "inf" for
// the loop around all loci.
#pragma once

#include <string>

#include "pipeline/session.h"

namespace quorvel {

struct LoopTarget {
    std::string kind;  // "branch", "degenerate" or "enclosing"
    int number = -1;   // the locus number; -1 for the enclosing loop
    Complex value{0.0, 0.0};  // the locus, or the base point for the enclosing loop
};

// "K", "deg:K" or "inf".
std::string loopLabel(const LoopTarget &target);
// What the loop of the auto-mode chain with this owner circles.
LoopTarget loopTarget(Session &session, int owner);

}  // namespace quorvel
