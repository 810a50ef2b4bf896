// Replaying a finished run: the replay tick and the five replay icons.
#include "pipeline/tracer.h"

namespace quorvel {

namespace {

// One step on; at the last step the replay is at its end. True when the
// end was reached by this call.
bool stepReplay(CurveState &s, int steps) {
    const int last = steps - 1;
    if (s.replayIndex < last) {
        ++s.replayIndex;
        return false;
    }
    s.replayIndex = last < 0 ? 0 : last;
    s.setReplay(0, 0, 0, 1);
    return true;
}

// The marker at the parameter of the step shown; false when there is none.
bool showReplayStep(Session &session) {
    const TraceRecord *rec = session.parameterSpace.replayCursor.stepAt(
        session.tracePool, session.traces.parameterTrace, session.state.replayIndex);
    if (rec) session.parameterSpace.setParameterPoint(rec->value);
    return rec != nullptr;
}

}  // namespace

TickResult replayTick(Session &session) {
    TickResult r;
    if (stepReplay(session.state, session.traces.traceStepCount)) {
        session.stopTimer();
        r.timerStopped = true;
    }
    if (showReplayStep(session)) {
        r.repaintParameter = true;
        r.repaintSolution = true;
    }
    return r;
}

IconResult replayIconClick(Session &session, ReplayIcon icon) {
    IconResult result;
    CurveState &s = session.state;
    const int last = session.traces.traceStepCount - 1;
    switch (icon) {
    case ReplayIcon::Save:
        result.saveRequested = true;
        break;
    case ReplayIcon::GoToStart:
        // Rewound: stepping on (Pause) or playing starts from the first step.
        s.setReplay(1, 0, 0, 0);
        s.replayIndex = 0;
        showReplayStep(session);
        break;
    case ReplayIcon::Play:
        if (s.replayAtEnd)
            s.replayIndex = last < 0 ? 0 : last;
        else if (s.replayAtStart)
            s.replayIndex = 0;
        s.setReplay(0, 1, 0, 0);
        session.parameterSpace.timerRunning = true;
        result.timerStarted = true;
        break;
    case ReplayIcon::Pause:
        if (s.replayPaused)
            stepReplay(s, session.traces.traceStepCount);
        else
            s.setReplay(0, 0, 1, 0);
        showReplayStep(session);
        session.stopTimer();
        result.tick.timerStopped = true;
        break;
    case ReplayIcon::GoToEnd:
        s.setReplay(0, 0, 0, 1);
        s.replayIndex = last < 0 ? 0 : last;
        showReplayStep(session);
        break;
    }
    result.tick.repaintParameter = true;
    result.tick.repaintSolution = true;
    return result;
}

}  // namespace quorvel
