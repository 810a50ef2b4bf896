// Replaying a finished run: the replay tick and the five replay icons.
#include "pipeline/tracer.h"

namespace quorvel {

TickResult replayTick(Session &session) {
    TickResult r;
    CurveState &s = session.state;
    const int last = session.traces.traceStepCount - 1;
    if (s.replayIndex < last) {
        ++s.replayIndex;
    } else {
        s.replayIndex = last < 0 ? 0 : last;
        s.setReplay(0, 0, 0, 1);
        session.stopTimer();
        r.timerStopped = true;
    }
    if (const TraceRecord *rec = session.parameterSpace.replayCursor.stepAt(
            session.tracePool, session.traces.parameterTrace, s.replayIndex)) {
        session.parameterSpace.setParameterPoint(rec->value);
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
        s.setReplay(1, 0, 0, 0);
        session.parameterSpace.setParameterPoint(s.basePoint);
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
        if (s.replayPaused) {
            if (s.replayIndex < last) {
                ++s.replayIndex;
            } else {
                s.replayIndex = last < 0 ? 0 : last;
                s.setReplay(0, 0, 0, 1);
            }
        } else {
            s.setReplay(0, 0, 1, 0);
        }
        if (const TraceRecord *rec = session.parameterSpace.replayCursor.stepAt(
                session.tracePool, session.traces.parameterTrace, s.replayIndex))
            session.parameterSpace.setParameterPoint(rec->value);
        session.stopTimer();
        result.tick.timerStopped = true;
        break;
    case ReplayIcon::GoToEnd:
        s.setReplay(0, 0, 0, 1);
        session.parameterSpace.setParameterPoint(s.basePoint);
        break;
    }
    result.tick.repaintParameter = true;
    result.tick.repaintSolution = true;
    return result;
}

}  // namespace quorvel
