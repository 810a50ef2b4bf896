// Tracing loops to their end: one loop (the command line's --loop, a
// picture) or every loop of the auto-mode chain in turn, some tracer steps
// at a time (the window animates it on its timer, the command line runs it
// through), then the group the loops generate. The one implementation
// behind "Trace all loops" and `quorvel-cli monodromy`.
#pragma once

#include <string>
#include <vector>

#include "pipeline/loop_targets.h"
#include "pipeline/session.h"
#include "tracing/monodromy_group.h"

namespace quorvel {

// Far more ticks than any loop needs (a tick accepts one step; a loop of a
// few segments takes some hundreds): a loop still running after them is
// stopped and reported as such.
inline constexpr int loopTickLimit = 1000000;

// What one loop's run came to.
struct LoopOutcome {
    int owner = 0;  // the loop's position in the auto-mode chain
    LoopTarget target;
    // "finished" (ended and passed every check), "failed" (ended, but a
    // check failed on every attempt) or "stopped" (did not end)
    std::string status = "stopped";
    std::string error;  // what stopped the run, or the check that failed
    int steps = 0;
    bool relaxed = false;
    RunVerdict verdict;            // its checks
    std::vector<int> permutation;  // where each point goes; empty when the loop stopped
    std::string permutationText;
    std::vector<int> braid;        // its generators, as the text writes them
    std::string braidText;
    // With Mode > Certify or --certify (certifyAsked): its proof
    // (pipeline/certify.h); none when the loop did not pass its checks.
    bool certifyAsked = false;
    CertificationState certification;

    bool ended() const { return status != "stopped"; }
};

// Traces the loop that starts at `start` until it ends or stops, at a
// control level (0 normal; a loop whose checks fail is run again tighter
// by the tracer itself); with `certify`, a loop that passed its checks is
// then proven (its outcome's certification says how that went).
LoopOutcome traceLoopToEnd(Session &session, PathSegment *start, int control = 0, bool certify = false);

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
    // Starts and runs every loop to its end, without a timer. True when
    // every loop ended, passed its checks and the loops compose.
    bool runToEnd(Session &session);
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
    int ticks_ = 0;         // of the loop under way
    long errorsBefore_ = 0;  // errors shown before the loop under way
    bool running_ = false;
    bool cancelled_ = false;
    int32_t fitRequest_ = 0;  // the session's, when the loops were taken
    bool certify_ = false;
};

}  // namespace quorvel
