#include "pipeline/all_loops.h"

#include "engine/error.h"
#include "engine/points.h"
#include "pipeline/certify.h"
#include "pipeline/tracer.h"
#include "tracing/braid.h"
#include "tracing/paths.h"

namespace quorvel {

namespace {

// Pieces of a proof per tick of "Trace all loops" (a tick is one tracer
// step otherwise; a piece costs about as much), and per slice when nothing
// waits for the proof.
constexpr int certifyPiecesPerTick = 4;
constexpr int certifyPiecesAtOnce = 1 << 12;

bool tracing(const Session &session) {
    return session.parameterSpace.timerRunning && session.traces.tracingState == tracingRunning;
}

// Stops a loop that runs past the tick limit, as a run stops.
void stopRun(Session &session) {
    session.stopTimer();
    session.run.work.release();
    if (session.traces.tracingState == tracingRunning) session.traces.tracingState = tracingFinished;
}

// The outcome of the loop that has just ended or stopped.
LoopOutcome outcomeOf(Session &session, int owner, long errorsBefore, bool certify) {
    LoopOutcome o;
    o.certifyAsked = certify;
    o.owner = owner;
    o.target = loopTarget(session, owner);
    const bool ended = session.run.traceFinished != 0;
    o.verdict = session.run.verdict;
    o.status = !ended ? "stopped" : (o.verdict.passed() ? "finished" : "failed");
    if (shownErrorCount() > errorsBefore) o.error = lastShownMessage();
    if (!ended && o.error.empty()) o.error = "the run did not end";
    if (ended && !o.verdict.passed()) o.error = o.verdict.problem;
    o.steps = countSteps(session.traces.solutionTrace) - 1;
    o.relaxed = session.run.relaxedMode != 0;
    if (ended && o.verdict.permutationOk) {
        o.permutation = o.verdict.permutation;
        std::vector<int> withEnd = o.permutation;
        withEnd.push_back(-1);
        o.permutationText = formatPermutation(withEnd, session.state.fiber.get());
    }
    o.braid = session.run.braidWord.generators();
    o.braidText = formatBraidWord(session.run.braidWord);
    o.certification = session.run.certification;
    o.certification.job.reset();
    return o;
}

// With certification asked, proves the loop that has just ended and passed
// its checks, a slice of pieces per call; true while the proof goes on.
bool certifyStep(Session &session, int pieces) {
    CertificationState &c = session.run.certification;
    if (!session.run.traceFinished || !session.run.verdict.passed()) return false;
    if (c.status == CertificationState::none) {
        startCertification(session);
        return true;
    }
    return c.status == CertificationState::running && certificationTick(session, pieces);
}

}  // namespace

LoopOutcome traceLoopToEnd(Session &session, PathSegment *start, int control, bool certify) {
    const long errorsBefore = shownErrorCount();
    const int owner = start ? start->owner : 0;
    if (!startLoopAt(session, start, control)) {
        LoopOutcome o;
        o.owner = owner;
        o.target = loopTarget(session, owner);
        o.error = "nothing to trace";
        o.certifyAsked = certify;
        return o;
    }
    int k = 0;
    for (; k < loopTickLimit && tracing(session); ++k) tracerTick(session);
    if (tracing(session)) stopRun(session);
    if (certify)
        while (certifyStep(session, certifyPiecesAtOnce)) {
        }
    return outcomeOf(session, owner, errorsBefore, certify);
}

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
        errorsBefore_ = shownErrorCount();
        ticks_ = 0;
        if (startLoopAt(session, s, control_)) return true;
        LoopOutcome o;
        o.owner = s->owner;
        o.target = loopTarget(session, s->owner);
        o.error = "nothing to trace";
        o.certifyAsked = certify_;
        outcomes_.push_back(o);
    }
    return false;
}

void AllLoopsRun::record(Session &session) {
    outcomes_.push_back(outcomeOf(session, starts_[outcomes_.size()]->owner, errorsBefore_, certify_));
}

bool AllLoopsRun::advance(Session &session, int ticks) {
    if (!running_) return false;
    if (session.state.stage < stageFiber || session.parameterSpace.fitRequest != fitRequest_) {
        cancel(session);
        return false;
    }
    for (int k = 0; k < ticks; ++k) {
        if (tracing(session) && ticks_ < loopTickLimit) {
            tracerTick(session);
            ++ticks_;
            continue;
        }
        // The loop has ended, finished or stopped; with Certify, a loop that
        // passed its checks is proven first, a slice per tick.
        if (tracing(session)) stopRun(session);
        if (certify_ && certifyStep(session, certifyPiecesPerTick)) continue;
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

bool AllLoopsRun::runToEnd(Session &session) {
    if (start(session))
        while (advance(session, loopTickLimit)) {
        }
    return allVerified() && summary().productCheck;
}

void AllLoopsRun::cancel(Session &session) {
    if (!running_) return;
    running_ = false;
    cancelled_ = true;
    stopRun(session);
}

bool AllLoopsRun::allVerified() const {
    if (cancelled_ || outcomes_.size() != starts_.size() || outcomes_.empty()) return false;
    for (const LoopOutcome &o : outcomes_)
        if (o.status != "finished") return false;
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
