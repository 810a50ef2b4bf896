#include "pipeline/all_loops.h"

#include "pipeline/certify.h"
#include "pipeline/tracer.h"
#include "tracing/braid.h"
#include "tracing/paths.h"

namespace quorvel {

namespace {

// Pieces of a proof per tick of "Trace all loops" (a tick is one tracer
// step otherwise; a piece costs about as much).
constexpr int certifyPiecesPerTick = 4;

}  // namespace

bool AllLoopsRun::start(Session &session) {
    starts_.clear();
    outcomes_.clear();
    control_ = 0;
    running_ = false;
    cancelled_ = false;
    certify_ = session.parameterSpace.certify;
    if (session.state.stage < stageFiber) return false;
    for (const LoopSummary &l : listLoops(session.parameterSpace.autoPaths)) starts_.push_back(l.first);
    fitRequest_ = session.parameterSpace.fitRequest;
    points_ = countPoints(session.state.fiber.get());
    running_ = startNext(session);
    return running_;
}

// Starts the next loop that will start; a loop that cannot is recorded as
// stopped. False when none is left.
bool AllLoopsRun::startNext(Session &session) {
    while (outcomes_.size() < starts_.size()) {
        PathSegment *s = starts_[outcomes_.size()];
        if (startLoopAt(session, s, control_)) return true;
        LoopOutcome o;
        o.target = loopTarget(session, s->owner);
        outcomes_.push_back(o);
    }
    return false;
}

void AllLoopsRun::record(Session &session) {
    LoopOutcome o;
    o.target = loopTarget(session, starts_[outcomes_.size()]->owner);
    o.finished = session.solutionSpace.traceFinished != 0;
    if (o.finished) o.verdict = session.solutionSpace.verdict;
    if (o.finished && o.verdict.permutationOk) {
        o.permutation = o.verdict.permutation;
        std::vector<int> withEnd = o.permutation;
        withEnd.push_back(-1);
        o.permutationText = formatPermutation(withEnd, session.state.fiber.get());
    }
    o.braidText = formatBraidWord(session.solutionSpace.braidWord);
    o.certification = session.solutionSpace.certification;
    o.certification.job.reset();
    outcomes_.push_back(o);
}

bool AllLoopsRun::advance(Session &session, int ticks) {
    if (!running_) return false;
    if (session.state.stage < stageFiber || session.parameterSpace.fitRequest != fitRequest_) {
        cancel(session);
        return false;
    }
    for (int k = 0; k < ticks; ++k) {
        if (session.parameterSpace.timerRunning && session.traces.tracingState == tracingRunning) {
            tracerTick(session);
            continue;
        }
        // The loop has ended, finished or stopped; with Certify, a loop that
        // passed its checks is proven first, a slice per tick.
        CertificationState &c = session.solutionSpace.certification;
        if (certify_ && session.solutionSpace.traceFinished && session.solutionSpace.verdict.passed()) {
            if (c.status == CertificationState::none) {
                startCertification(session);
                continue;
            }
            if (c.status == CertificationState::running && certificationTick(session, certifyPiecesPerTick))
                continue;
        }
        record(session);
        if (startNext(session)) continue;
        if (allVerified() && !summary().productCheck && control_ == 0) {
            // Every loop passed, yet they do not compose: all of them once
            // more, tighter.
            control_ = 1;
            outcomes_.clear();
            if (startNext(session)) continue;
        }
        running_ = false;
        return false;
    }
    return true;
}

void AllLoopsRun::cancel(Session &session) {
    if (!running_) return;
    running_ = false;
    cancelled_ = true;
    session.stopTimer();
    session.parameterSpace.work.release();
    if (session.traces.tracingState == tracingRunning) session.traces.tracingState = tracingFinished;
}

bool AllLoopsRun::allVerified() const {
    if (cancelled_ || outcomes_.size() != starts_.size() || outcomes_.empty()) return false;
    for (const LoopOutcome &o : outcomes_)
        if (!o.finished || !o.verdict.passed()) return false;
    return true;
}

bool AllLoopsRun::allCertified() const {
    if (!certify_ || !allVerified()) return false;
    for (const LoopOutcome &o : outcomes_)
        if (o.certification.status != CertificationState::proven) return false;
    return true;
}

MonodromySummary AllLoopsRun::summary() const {
    std::vector<Permutation> local;
    Permutation enclosing;
    for (const LoopOutcome &o : outcomes_) {
        if (o.target.kind == "enclosing")
            enclosing = o.permutation;
        else
            local.push_back(o.permutation);
    }
    return summarizeMonodromy(points_, local, enclosing);
}

}  // namespace quorvel
