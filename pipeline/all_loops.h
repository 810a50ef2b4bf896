// "Trace all loops": every loop of the auto-mode chain traced in turn, some
// tracer steps at a time (the window animates it on its timer), then the
// group the loops generate.
#pragma once

#include <string>
#include <vector>

#include "pipeline/loop_targets.h"
#include "pipeline/session.h"
#include "tracing/monodromy_group.h"

namespace quorvel {

struct LoopOutcome {
    LoopTarget target;
    bool finished = false;         // the run ended (verified or not)
    RunVerdict verdict;            // its checks
    std::vector<int> permutation;  // where each point goes; empty when the loop stopped
    std::string permutationText;
    std::string braidText;
    // With Mode > Certify: its proof (pipeline/certify.h).
    CertificationState certification;
};

class AllLoopsRun {
public:
    // Collects the loops of the chain and starts the first. False when
    // there is nothing to trace (no fiber, no loops).
    bool start(Session &session);
    // Runs up to `ticks` tracer ticks; a loop that ends is recorded and the
    // next one started. True while loops remain. When the loops it traces
    // are no longer held (an edit, Go, Re-calculate, a load), the run is
    // cancelled instead.
    bool advance(Session &session, int ticks);
    bool running() const { return running_; }
    // Stops the run where it is: the loop under way stops as a run stops,
    // and no group is reported.
    void cancel(Session &session);
    bool cancelled() const { return cancelled_; }
    int loopsDone() const { return static_cast<int>(outcomes_.size()); }
    int loopCount() const { return static_cast<int>(starts_.size()); }
    const std::vector<LoopOutcome> &outcomes() const { return outcomes_; }
    // The group of the loops (complete once every loop has been traced).
    MonodromySummary summary() const;
    // Every loop ended and passed its checks: only then is the group the
    // curve's. When they all pass but do not compose as they must, the run
    // has already traced every loop once more, one control level tighter.
    bool allVerified() const;
    // Mode > Certify was on, and every loop was proven.
    bool certifying() const { return certify_; }
    bool allCertified() const;

private:
    void record(Session &session);
    bool startNext(Session &session);

    std::vector<PathSegment *> starts_;
    std::vector<LoopOutcome> outcomes_;
    int points_ = 0;
    int control_ = 0;
    bool running_ = false;
    bool cancelled_ = false;
    int32_t fitRequest_ = 0;  // the session's, when the loops were taken
    bool certify_ = false;
};

}  // namespace quorvel
