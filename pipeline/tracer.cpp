#include "pipeline/tracer.h"

#include <cmath>
#include <string>
#include <vector>

#include "engine/calculus.h"
#include "engine/error.h"
#include "engine/points.h"
#include "engine/roots.h"
#include "tracing/braid.h"

namespace quorvel {

namespace {

constexpr double smallestStep = 1e-8;
// The longest step, as a fraction of a segment: every segment is crossed in
// at least four steps.
constexpr double largestStep = 0.25;
constexpr const char *pathRemedy = "Using Manual mode, replace the parameter path.";
constexpr const char *nearBranchPoint = "Parameter go thru near the branch point. We cannot trace anymore.";

// Marks a tick under way so that a tick can never run inside another (an
// error dialog runs a nested event loop).
class TickGuard {
public:
    explicit TickGuard(bool &flag) : flag_(flag), entered_(!flag) {
        if (entered_) flag_ = true;
    }
    ~TickGuard() {
        if (entered_) flag_ = false;
    }
    bool entered() const { return entered_; }

private:
    bool &flag_;
    bool entered_;
};

bool &tickUnderWay() {
    static bool flag = false;
    return flag;
}

char parameterLetter(const Session &session) {
    Letters l = unsetLetters;
    collectLetters(session.state.curve.get(), l, 0);
    return l[1];
}

void stopRun(Session &session, TickResult &r) {
    session.stopTimer();
    r.timerStopped = true;
}

void shiftHistory(TracerWork &w) {
    copyPointValues(w.threeBack.get(), w.twoBack.get());
    copyPointValues(w.twoBack.get(), w.previous.get());
    copyPointValues(w.previous.get(), w.current.get());
}

// Length of a segment in the parameter plane.
double segmentLength(const PathSegment *seg) {
    if (!seg) return 0.0;
    if (seg->isArc) return std::fabs(seg->radius * (seg->p2 - seg->p0));
    return modulus(Complex(seg->p2 - seg->p0, seg->p3 - seg->p1));
}

// The continuation state from the point list `points` over `p`: the dense
// form of f, the moving points (all but those split off at 0, which are
// the points nearest 0), polished, and their tangents. False when the
// points do not match the curve (their number is not its degree in x).
bool prepareContinuation(Session &session, Complex p) {
    TracerWork &w = session.parameterSpace.work;
    w.curve = CurveFunction(session.state.curve.get());
    w.parameter = p;
    std::vector<Term *> byPosition;
    recordsByPosition(w.current.get(), byPosition);
    const int n = static_cast<int>(byPosition.size());
    const int zeros = w.curve.commonZeros();
    w.moving.clear();
    w.points.clear();
    w.tangents.clear();
    if (w.curve.empty() || n != w.curve.degree() || zeros > n) return false;
    // The points split off at 0 are the `zeros` points of least modulus.
    std::vector<int> order(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) order[static_cast<size_t>(i)] = i;
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return modulus(byPosition[static_cast<size_t>(a)]->coef) <
               modulus(byPosition[static_cast<size_t>(b)]->coef);
    });
    std::vector<bool> frozen(static_cast<size_t>(n), false);
    for (int k = 0; k < zeros; ++k) frozen[static_cast<size_t>(order[static_cast<size_t>(k)])] = true;
    for (int i = 0; i < n; ++i) {
        if (frozen[static_cast<size_t>(i)]) {
            byPosition[static_cast<size_t>(i)]->coef = Complex(0.0, 0.0);
            continue;
        }
        w.moving.push_back(i);
        w.points.push_back(byPosition[static_cast<size_t>(i)]->coef);
    }
    // The fiber as found by the root finder is good to about 1e-11; the
    // tracer starts from points at rounding level.
    if (w.tracker.polish(w.curve, p, w.points)) {
        for (size_t k = 0; k < w.moving.size(); ++k)
            byPosition[static_cast<size_t>(w.moving[k])]->coef = w.points[k];
    }
    w.tracker.tangents(w.curve, p, w.points, w.tangents);
    copyPointValues(w.previous.get(), w.current.get());
    copyPointValues(w.twoBack.get(), w.current.get());
    copyPointValues(w.threeBack.get(), w.current.get());
    return true;
}

// The work lists of a run: the four point lists and the correction list
// copies of `points`, the specialised polynomial a fresh skeleton of f.
void prepareWork(Session &session, const Term *points) {
    TracerWork &w = session.parameterSpace.work;
    w.release();
    w.current.reset(copyPolynomial(points));
    w.previous.reset(copyPolynomial(points));
    w.twoBack.reset(copyPolynomial(points));
    w.threeBack.reset(copyPolynomial(points));
    w.correction.reset(copyPolynomial(points));
    w.specialised.reset(coefficientSkeleton(session.state.curve.get()));
    w.segmentPosition = 0.0;
    w.segmentStep = 0.025;
    w.stepCounter = 0;
}

// The last records of both traces, found once when a run starts.
void findTails(Session &session) {
    TracerWork &w = session.parameterSpace.work;
    w.solutionTail = lastTraceRecord(session.traces.solutionTrace);
    w.parameterTail = lastTraceRecord(session.traces.parameterTrace);
}

Complex lastParameter(const Traces &traces) {
    const TraceRecord *last = lastTraceRecord(traces.parameterTrace);
    return last ? last->value : Complex(0.0, 0.0);
}

void finishLoop(Session &session, TickResult &r) {
    session.traces.tracingState = tracingFinished;
    session.solutionSpace.traceFinished = 1;
    stopRun(session, r);
    session.parameterSpace.work.release();
    session.parameterSpace.setParameterPoint(session.state.basePoint);
    session.state.setReplay(0, 0, 0, 1);
    // traceStepCount has counted every step appended; counting the trace
    // again would walk all of it.
    r.loopFinished = true;
}

void accept(Session &session, Complex p, double s, StepOutcome &step, TickResult &r) {
    TracerWork &w = session.parameterSpace.work;
    w.segmentPosition = s;
    w.parameter = p;
    w.points.swap(step.end);
    w.tangents.swap(step.tangent);
    {
        static thread_local std::vector<Term *> byPosition;
        recordsByPosition(w.current.get(), byPosition);
        for (size_t k = 0; k < w.moving.size(); ++k)
            byPosition[static_cast<size_t>(w.moving[k])]->coef = w.points[k];
    }
    tracerBraidStep(w.previous.get(), w.current.get(), session.solutionSpace.braidWord);
    numberPoints(w.current.get(), 0);
    w.solutionTail = session.traces.appendSolutionStepAfter(session.tracePool, w.solutionTail, w.current.get());
    ++session.traces.traceStepCount;
    w.parameterTail = session.traces.appendParameterAfter(session.tracePool, w.parameterTail, p);
    copyPointValues(w.threeBack.get(), w.twoBack.get());
    copyPointValues(w.twoBack.get(), w.previous.get());
    copyPointValues(w.previous.get(), w.current.get());
    session.state.setReplay(0, 1, 0, 0);
    ++w.stepCounter;
    r.repaintSolution = true;
    r.stepAccepted = true;
    // Step control: the errors of a tangent predictor grow with the square
    // of the step, so the next step aims at half the allowance, at most
    // twice as long as this one.
    double grow = step.ratio > 0.0 ? std::sqrt(0.5 / step.ratio) : 2.0;
    grow = std::clamp(grow, 0.5, 2.0);
    w.segmentStep = std::min(largestStep, w.segmentStep * grow);
    if (grow != 1.0) w.stepCounter = 0;
    if (w.segmentPosition < 1.0) return;
    PathSegment *seg = session.parameterSpace.currentSegment;
    if (w.returning) {
        finishLoop(session, r);
        return;
    }
    if (w.connecting) {
        // At the start of the segment: now along the segment itself.
        const double connectLength = modulus(w.connectTo - w.connectFrom);
        const double length = segmentLength(seg);
        w.connecting = false;
        w.segmentPosition = 0.0;
        w.segmentStep = length > 0.0 ? std::min(largestStep, w.segmentStep * connectLength / length)
                                     : largestStep;
        if (!(w.segmentStep >= smallestStep)) w.segmentStep = largestStep;
        w.stepCounter = 0;
        return;
    }
    // A path that ends without a last segment ends its loop all the same.
    if (seg->role == 2 || !seg->next) {
        if (w.connectedAtStart && modulus(w.parameter - w.runStart) > 1e-12 * (1.0 + modulus(w.runStart))) {
            // Back along the line that led to the loop.
            w.returning = true;
            w.connecting = true;
            w.connectTo = w.runStart;
            w.connectFrom = w.parameter;
            const double length = modulus(w.connectTo - w.connectFrom);
            w.segmentPosition = 0.0;
            w.segmentStep = length > 0.0 ? std::min(largestStep, w.segmentStep * segmentLength(seg) / length)
                                         : largestStep;
            if (!(w.segmentStep >= smallestStep)) w.segmentStep = largestStep;
            return;
        }
        finishLoop(session, r);
        return;
    }
    // The next segment starts with a step of the same length in the plane.
    const double oldLength = segmentLength(seg);
    session.parameterSpace.currentSegment = seg->next;
    const double newLength = segmentLength(seg->next);
    w.segmentPosition = 0.0;
    w.segmentStep = newLength > 0.0 ? std::min(largestStep, w.segmentStep * oldLength / newLength)
                                    : largestStep;
    if (!(w.segmentStep >= smallestStep)) w.segmentStep = largestStep;
    w.stepCounter = 0;
}

}  // namespace

TickResult tracerTick(Session &session) {
    TickResult r;
    TickGuard guard(tickUnderWay());
    if (!guard.entered()) return r;
    ParameterSpaceState &ps = session.parameterSpace;
    if (!ps.timerRunning || session.traces.tracingState != tracingRunning) return r;
    TracerWork &w = ps.work;
    if (!ps.currentSegment || !w.ready()) {
        stopRun(session, r);
        return r;
    }
    if (w.curve.empty() || w.points.size() != w.moving.size()) {
        // The points do not match the curve (a fiber over a degenerate
        // locus): there is nothing the continuation can follow.
        stopRun(session, r);
        showError("Overflow Error", pathRemedy);
        r.errorShown = true;
        return r;
    }
    // A segment that does not start where the parameter is is reached along
    // a straight line first, never by a jump.
    if (!w.connecting && w.segmentPosition == 0.0) {
        const Complex start = segmentStart(ps.currentSegment);
        if (modulus(start - w.parameter) > 1e-12 * (1.0 + modulus(start))) {
            if (session.traces.traceStepCount <= 1) {
                w.connectedAtStart = true;
                w.runStart = w.parameter;
            }
            w.connecting = true;
            w.connectFrom = w.parameter;
            w.connectTo = start;
        }
    }
    auto pointAt = [&](double u) {
        if (!w.connecting) return segmentPoint(ps.currentSegment, u);
        return w.connectFrom * Complex(1.0 - u, 0.0) + w.connectTo * Complex(u, 0.0);
    };
    int32_t &relaxed = session.solutionSpace.relaxedMode;
    for (;;) {
        double s = w.segmentPosition + w.segmentStep;
        if (s > 1.0) s = 1.0;
        const Complex p = s == 1.0 && w.connecting ? w.connectTo : pointAt(s);
        const Complex pm = pointAt(0.5 * (w.segmentPosition + s));
        ps.setParameterPoint(p);
        r.repaintParameter = true;
        StepOutcome step = w.tracker.step(w.curve, w.points, w.tangents, w.parameter, pm, p, relaxed != 0);
        if (step.accepted) {
            accept(session, p, s, step, r);
            return r;
        }
        w.stepCounter = 0;
        // A rejected step shrinks by at least half, more when its errors
        // were far beyond the allowance.
        double shrink = 0.5;
        if (std::isfinite(step.ratio) && step.ratio > 0.0)
            shrink = std::clamp(std::sqrt(0.5 / step.ratio), 0.1, 0.5);
        w.segmentStep *= shrink;
        if (w.segmentStep >= smallestStep) continue;
        if (!relaxed) {
            relaxed = 1;
            r.repaintSolution = true;
            w.segmentStep = 2e-8;
            continue;
        }
        ps.setParameterPoint(w.parameter);
        stopRun(session, r);
        if (step.diverged)
            showError("Overflow Error", pathRemedy);
        else
            showError(nearBranchPoint, pathRemedy);
        r.errorShown = true;
        return r;
    }
}

TickResult timerTick(Session &session) {
    const ParameterSpaceState &ps = session.parameterSpace;
    if (!ps.timerRunning) return {};
    const bool tracingMode =
        ps.viewMode == modeAuto || (ps.viewMode == modeManual && ps.editTool >= 1);
    try {
        if (session.traces.tracingState == tracingRunning && tracingMode) return tracerTick(session);
        if (session.traces.tracingState == tracingFinished && session.state.replayPlaying)
            return replayTick(session);
    } catch (const ComputationAbandoned &) {
        // The message has been shown; the run cannot go on.
        TickResult r;
        stopRun(session, r);
        r.errorShown = true;
        return r;
    }
    return {};
}

bool traceEndsWhereItBegan(const Traces &traces) {
    const TraceRecord *first = traces.parameterTrace;
    const TraceRecord *last = lastTraceRecord(first);
    if (!first) return false;
    return modulus(last->value - first->value) <= 1e-9 * (1.0 + modulus(first->value));
}

int loopIndexAt(Session &session, Complex worldPoint, bool onInfinityIcon) {
    if (onInfinityIcon) return countPoints(session.state.branchLoci.get());
    return nearestPoint(session.state.branchLoci.get(), worldPoint);
}

bool startLoopAt(Session &session, PathSegment *start) {
    if (session.state.stage < stageFiber || !start || countPoints(session.state.fiber.get()) == 0)
        return false;
    Traces &t = session.traces;
    // The run starts from the fiber over the base point, so its names are
    // that fiber's again.
    session.solutionSpace.startFiber.reset();
    t.resetSolutionTrace(session.tracePool, session.state.fiber.get());
    t.resetParameterTrace(session.tracePool, session.state.basePoint);
    t.traceStepCount = 1;
    session.parameterSpace.selectedPath = start;
    session.parameterSpace.currentSegment = start;
    t.tracingState = tracingRunning;
    session.solutionSpace.relaxedMode = 0;
    session.solutionSpace.traceFinished = 0;
    session.solutionSpace.braidWord.clear();
    prepareWork(session, session.state.fiber.get());
    if (!prepareContinuation(session, session.state.basePoint)) {
        session.parameterSpace.work.release();
        t.tracingState = tracingNothing;
        showError("Overflow Error", pathRemedy);
        return false;
    }
    findTails(session);
    session.parameterSpace.timerRunning = true;
    session.parameterSpace.pathDisplay = pathDisplaySelected;
    return true;
}

bool startAutoLoop(Session &session, int index) {
    if (!session.parameterSpace.autoPaths) return false;
    return startLoopAt(session, findPathStart(session.parameterSpace.autoPaths, index));
}

namespace {

// Names the points of a fiber "1", "2", ... "99", "0", ... by their numbers.
void nameByNumber(Term *fiber) {
    const int n = countPoints(fiber);
    for (int i = 0; i < n; ++i)
        if (Term *p = findByNumber(fiber, i)) setPointName(p, std::to_string((i + 1) % 100).c_str());
}

TickResult restartTraces(Session &session, Complex p) {
    TickResult r;
    SolutionSpaceState &ss = session.solutionSpace;
    // The roots are found from f with P put in; the tracer's specialised
    // polynomial is a skeleton of f holding every power of x, so later
    // parameter values fill in coefficients that vanish at P.
    OwnedPolynomial fp(substitute(session.state.curve.get(), parameterLetter(session), p));
    OwnedPolynomial roots(findRootsQuiet(fp.get(), nullptr));
    OwnedPolynomial sorted(sortLexicographic(roots.get()));
    OwnedPolynomial skeleton(coefficientSkeleton(session.state.curve.get()));
    substituteInto(session.state.curve.get(), p, skeleton.get());

    ss.traceFinished = 0;
    ss.braidWord.clear();
    session.stopTimer();
    session.traces.clear(session.tracePool);
    session.traces.resetParameterTrace(session.tracePool, p);
    // The fiber over P numbers and names the traces of this run; the fiber
    // over the base point stays what the main window shows and a save
    // writes. Numbered before the working copies are made, so every step
    // starts with number 0 as the traces require, and the working points
    // follow the same order as step 0: one numbering from the first step on.
    // A run that starts on the base point itself (a Manual loop) starts
    // from the fiber over it, with the names the user may have given.
    const bool onBase = session.state.stage >= stageFiber && isZero(p - session.state.basePoint) &&
                        countPoints(session.state.fiber.get()) == countPoints(sorted.get());
    if (onBase) {
        ss.startFiber.reset();
    } else {
        numberPoints(sorted.get(), 0);
        nameByNumber(sorted.get());
        ss.startFiber = std::move(sorted);
    }
    Term *start = ss.tracedFiber(session.state.fiber.get());
    TracerWork &w = session.parameterSpace.work;
    const double position = w.segmentPosition;
    const double step = w.segmentStep;
    const int16_t counter = w.stepCounter;
    prepareWork(session, start);
    w.correction.reset(copyPolynomial(roots.get()));
    w.specialised = std::move(skeleton);
    w.segmentPosition = position;
    w.segmentStep = step;
    w.stepCounter = counter;
    if (!prepareContinuation(session, p)) w.curve = CurveFunction();

    session.traces.resetSolutionTrace(session.tracePool, start);
    findTails(session);
    session.state.replayIndex = 0;
    session.traces.traceStepCount = 1;
    session.traces.tracingState = tracingRunning;
    r.repaintParameter = true;
    r.repaintSolution = true;
    return r;
}

}  // namespace

TickResult restartTracesAt(Session &session, Complex p) {
    if (session.state.stage < stageCurve) return {};
    try {
        return restartTraces(session, p);
    } catch (const ComputationAbandoned &) {
        // Every value is computed before anything is replaced, so the
        // traces are as they were.
        TickResult r;
        r.errorShown = true;
        return r;
    }
}

bool chooseManualLoop(Session &session, int index) {
    ParameterSpaceState &ps = session.parameterSpace;
    if (!ps.autoPaths) return false;
    PathSegment *copy = nullptr;
    try {
        copy = selectAutoPath(session.segmentPool, ps.autoPaths, index);
    } catch (const ComputationAbandoned &) {
        return false;
    }
    ps.storeUserPath(session.segmentPool, copy);
    ps.selectedPath = copy;
    ps.currentSegment = copy;
    ps.selectFromAuto = 0;
    ps.editTool = 2;
    ps.pathDisplay = pathDisplaySelected;
    ps.work.segmentPosition = 0.0;
    ps.work.segmentStep = 0.025;
    ps.work.stepCounter = 0;
    return !restartTracesAt(session, segmentStart(copy)).errorShown;
}

bool startTracingCommand(Session &session) {
    if (session.parameterSpace.editTool <= 0) return false;
    session.parameterSpace.timerRunning = true;
    return true;
}

TickResult toggleArtTracing(Session &session, Complex p, double closeRadius) {
    ParameterSpaceState &ps = session.parameterSpace;
    if (!ps.artTracing) {
        ps.artTracing = 1;
        TickResult r = restartTracesAt(session, p);
        if (r.errorShown || session.state.stage < stageCurve) ps.artTracing = 0;
        return r;
    }
    // A second click close to where the run began closes the loop: one last
    // step back to the start, so that the last fiber can be matched with the
    // first and the permutation read off.
    if (const TraceRecord *first = session.traces.parameterTrace) {
        const Complex start = first->value;
        if (modulus(p - start) <= closeRadius && !isZero(start - lastParameter(session.traces)))
            freeHandStep(session, start);
    }
    ps.artTracing = 0;
    ps.work.release();
    session.state.setReplay(0, 0, 0, 1);
    session.traces.tracingState = tracingFinished;
    // The run is over: its braid word (and its permutation, when it ended
    // where it began) can be shown.
    session.solutionSpace.traceFinished = 1;
    TickResult r;
    r.repaintParameter = true;
    r.repaintSolution = true;
    r.loopFinished = true;
    return r;
}

TickResult freeHandStep(Session &session, Complex m) {
    TickResult r;
    ParameterSpaceState &ps = session.parameterSpace;
    TracerWork &w = ps.work;
    if (!ps.artTracing || !w.ready()) return r;
    w.parameterTail = session.traces.appendParameterAfter(session.tracePool, w.parameterTail, m);
    ps.setParameterPoint(m);
    substituteInto(session.state.curve.get(), m, w.specialised.get());
    shiftHistory(w);
    double q = 0.0;
    for (int k = 0; k < 250; ++k) {
        q = durandKernerStep(w.specialised.get(), w.current.get(), w.correction.get());
        if (q <= -11.0 || std::isnan(q)) break;
    }
    // The crossings of the move feed the braid word, as a timer step does.
    tracerBraidStep(w.previous.get(), w.current.get(), session.solutionSpace.braidWord);
    w.solutionTail = session.traces.appendSolutionStepAfter(session.tracePool, w.solutionTail, w.current.get());
    ++session.traces.traceStepCount;
    // A run of the timer may follow from here: the continuation starts
    // from these points.
    if (!w.curve.empty()) {
        static thread_local std::vector<Term *> byPosition;
        recordsByPosition(w.current.get(), byPosition);
        for (size_t k = 0; k < w.moving.size() && w.moving[k] < static_cast<int>(byPosition.size()); ++k)
            w.points[k] = byPosition[static_cast<size_t>(w.moving[k])]->coef;
        w.parameter = m;
        w.tracker.tangents(w.curve, m, w.points, w.tangents);
    }
    session.state.replayIndex = 0;
    session.traces.tracingState = tracingRunning;
    r.repaintParameter = true;
    r.repaintSolution = true;
    r.stepAccepted = true;
    return r;
}

}  // namespace quorvel
