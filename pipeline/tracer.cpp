#include "pipeline/tracer.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "engine/calculus.h"
#include "engine/error.h"
#include "engine/exact.h"
#include "engine/points.h"
#include "tracing/braid.h"
#include "tracing/loop_check.h"

namespace quorvel {

namespace {

constexpr const char *pathRemedy = "Using Manual mode, replace the parameter path.";
constexpr const char *nearBranchPoint = "Parameter go thru near the branch point. We cannot trace anymore.";

// How tightly a run is steered. A loop whose checks fail is run again one
// level tighter: every step within a smaller fraction of the distance to
// the nearest locus, smaller errors allowed, shorter steps at most.
struct Control {
    double allowance;    // of the nearest-neighbour distance of the fiber points
    double reach;        // of the distance from the parameter to the nearest locus
    double largestStep;  // of a segment
};
constexpr Control controls[] = {{0.25, 0.5, 0.25}, {0.1, 0.25, 0.1}, {0.04, 0.1, 0.04}};
constexpr int controlLevels = 3;

// A step that moves the parameter less than this fraction of the distance
// to the nearest locus (of the segment's length when there is none) is too
// small: the run goes relaxed, and below it again it stops.
constexpr double smallestMove = 1e-10;
// A path that comes closer to a locus than this fraction of the locus's
// distance to its nearest neighbour passes through it for every purpose.
constexpr double throughLocus = 1e-9;
// Or closer than this fraction of its own modulus: doubles can no longer
// tell the parameter from the locus.
constexpr double doubleResolution = 1e-14;
// Two parameters this close, relative to their size, differ by rounding.
constexpr double sameParameter = 1e-14;
// The attempts one tick makes before it gives the timer back.
constexpr int attemptsPerTick = 400;
// A run's first step, as a fraction of its segment.
constexpr double firstStep = 0.025;
// A step carried to the next piece of a path keeps its length in the plane,
// but is at least this fraction of the new piece.
constexpr double leastCarriedStep = 1e-3;
// The errors of a tangent predictor grow with the square of the step: the
// next step aims at this fraction of the allowance...
constexpr double aimedRatio = 0.5;
// ...and grows or shrinks by at most these factors after an accepted step,
constexpr double mostGrowth = 2.0;
constexpr double mostShrinkAccepted = 0.5;
// while a rejected one shrinks at least to half, at most to a tenth.
constexpr double mostShrinkRejected = 0.1;
constexpr double leastShrinkRejected = 0.5;
// A step longer than the room it may take is cut to this fraction of the
// room, by at most the second factor at once.
constexpr double roomMargin = 0.9;
constexpr double mostCutToRoom = 0.01;
// Going relaxed, the step that was too small grows back by this factor.
constexpr double relaxedRegrowth = 4.0;
// A move whose braid cannot be read counts as this many allowances: the
// step shrinks as after a clear miss.
constexpr double unreadableMoveRatio = 4.0;
// A path ends where it began when its two ends differ by this fraction of
// their size (the ends of a closed path are one computed point).
constexpr double closedPath = 1e-9;

// The next step after an accepted one whose errors were `ratio` of the
// allowance, and after a rejected one.
double stepAfterAccepted(double step, double ratio) {
    const double grow = ratio > 0.0 ? std::sqrt(aimedRatio / ratio) : mostGrowth;
    return step * std::clamp(grow, mostShrinkAccepted, mostGrowth);
}
double stepAfterRejected(double step, double ratio) {
    if (!(std::isfinite(ratio) && ratio > 0.0)) return step * leastShrinkRejected;
    return step * std::clamp(std::sqrt(aimedRatio / ratio), mostShrinkRejected, leastShrinkRejected);
}
// A step whose move is longer than the room it may take, cut down to it.
double stepWithinRoom(double step, double room, double move) {
    return step * std::max(mostCutToRoom, roomMargin * room / move);
}

const Control &controlOf(const TracerWork &w) {
    return controls[std::clamp(w.control, 0, controlLevels - 1)];
}

void stopRun(Session &session, TickResult &r) {
    session.stopTimer();
    r.timerStopped = true;
}

// Length of a segment in the parameter plane.
double segmentLength(const PathSegment *seg) {
    if (!seg) return 0.0;
    if (seg->isArc) return std::fabs(seg->radius * (seg->p2 - seg->p0));
    return modulus(Complex(seg->p2 - seg->p0, seg->p3 - seg->p1));
}

// The distance from p to the nearest locus, and whether p is so close that
// the path goes through it.
struct Clearance {
    double distance = std::numeric_limits<double>::infinity();
    bool through = false;
};

Clearance clearanceAt(const TracerWork &w, Complex p) {
    Clearance c;
    size_t nearest = 0;
    for (size_t k = 0; k < w.loci.size(); ++k) {
        const double d = modulus(p - w.loci[k].value);
        if (d < c.distance) {
            c.distance = d;
            nearest = k;
        }
    }
    if (w.loci.empty()) return c;
    double spacing = std::numeric_limits<double>::infinity();
    for (size_t k = 0; k < w.loci.size(); ++k)
        if (k != nearest) spacing = std::min(spacing, modulus(w.loci[k].value - w.loci[nearest].value));
    if (!std::isfinite(spacing)) spacing = modulus(w.runStart - w.loci[nearest].value);
    c.through = c.distance <= throughLocus * spacing ||
                c.distance <= doubleResolution * modulus(w.loci[nearest].value);
    return c;
}

// All n fiber points of the point lists by position: the moving points as
// given, the points split off at 0 at 0.
void allPoints(const TracerWork &w, const std::vector<Complex> &moving, std::vector<Complex> &out) {
    out.assign(static_cast<size_t>(countPoints(w.current.get())), Complex(0.0, 0.0));
    for (size_t k = 0; k < w.moving.size() && k < moving.size(); ++k)
        if (static_cast<size_t>(w.moving[k]) < out.size()) out[static_cast<size_t>(w.moving[k])] = moving[k];
}

// The continuation state from the point list `points` over `p`: the dense
// form of f, the moving points (all but those split off at 0, which are
// the points nearest 0), polished, and their tangents. False when the
// points do not match the curve (their number is not its degree in x).
bool prepareContinuation(Session &session, Complex p) {
    TracerWork &w = session.run.work;
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
    std::vector<Complex> centres;
    for (const LocusWeight &l : w.loci) centres.push_back(l.value);
    w.curve.useCharts(centres, session.charts());
    w.tracker.setAllowance(controlOf(w).allowance);
    w.tracker.setFixedZeros(zeros);
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
    // The fiber as isolated is good to rounding; polishing with the
    // tracer's own polynomial starts it on that polynomial's roots.
    if (w.tracker.polish(w.curve, p, w.points)) {
        for (size_t k = 0; k < w.moving.size(); ++k)
            byPosition[static_cast<size_t>(w.moving[k])]->coef = w.points[k];
    }
    w.tracker.tangents(w.curve, p, w.points, w.tangents);
    copyPointValues(w.previous.get(), w.current.get());
    return true;
}

// The work lists of a run: the four point lists and the correction list
// copies of `points`, the specialised polynomial a fresh skeleton of f.
void prepareWork(Session &session, const Term *points) {
    TracerWork &w = session.run.work;
    w.release();
    w.current.reset(copyPolynomial(points));
    w.previous.reset(copyPolynomial(points));
    w.correction.reset(copyPolynomial(points));
    w.specialised.reset(coefficientSkeleton(session.state.curve.get()));
    w.segmentPosition = 0.0;
    w.segmentStep = firstStep;
}

// The last records of both traces, found once when a run starts.
void findTails(Session &session) {
    TracerWork &w = session.run.work;
    w.solutionTail = lastTraceRecord(session.traces.solutionTrace);
    w.parameterTail = lastTraceRecord(session.traces.parameterTrace);
}

Complex lastParameter(const Traces &traces) {
    const TraceRecord *last = lastTraceRecord(traces.parameterTrace);
    return last ? last->value : Complex(0.0, 0.0);
}

// The values of one step of the solution trace, in chain order.
std::vector<Complex> stepValues(const TraceRecord *step, int n) {
    std::vector<Complex> values;
    for (const TraceRecord *r = step; r && static_cast<int>(values.size()) < n; r = r->next)
        values.push_back(r->value);
    return values;
}

// The checks of a run that has ended where the traces end now.
RunVerdict judgeTraces(const Session &session) {
    const Traces &t = session.traces;
    const TracerWork &w = session.run.work;
    std::vector<Complex> path;
    for (const TraceRecord *r = t.parameterTrace; r; r = r->next) path.push_back(r->value);
    const int n = countPoints(session.run.tracedFiber(session.state.fiber.get()));
    RunVerdict v = judgeRun(path, stepValues(stepAt(t.solutionTrace, 0), n),
                            stepValues(stepAt(t.solutionTrace, t.traceStepCount - 1), n),
                            session.run.braidWord.generators(), w.loci, w.designedWindings);
    v.attempts = w.attempts;
    return v;
}

// Starts a run on the loop beginning at `start` from the points `fiber`
// over `p` (the traces restart there), at a control level.
bool beginRun(Session &session, PathSegment *start, Term *fiber, Complex p, int control,
              int attempts) {
    Traces &t = session.traces;
    t.resetSolutionTrace(session.tracePool, fiber);
    t.resetParameterTrace(session.tracePool, p);
    t.traceStepCount = 1;
    session.parameterSpace.selectedPath = start;
    session.parameterSpace.currentSegment = start;
    t.tracingState = tracingRunning;
    session.run.relaxedMode = 0;
    session.run.traceFinished = 0;
    session.run.braidWord.clear();
    session.run.verdict = RunVerdict();
    session.run.certification = CertificationState();
    prepareWork(session, fiber);
    TracerWork &w = session.run.work;
    w.control = control;
    w.attempts = attempts;
    w.runStart = p;
    if (!prepareContinuation(session, p)) {
        w.release();
        t.tracingState = tracingNothing;
        showError("Overflow Error", pathRemedy);
        return false;
    }
    findTails(session);
    session.parameterSpace.timerRunning = true;
    session.parameterSpace.pathDisplay = pathDisplaySelected;
    return true;
}

void finishLoop(Session &session, TickResult &r) {
    TracerWork &w = session.run.work;
    RunVerdict verdict = judgeTraces(session);
    if (!verdict.passed() && w.control + 1 < controlLevels && session.parameterSpace.selectedPath) {
        // Once more, tighter, from the same start: the fiber the traces
        // began with, over the parameter they began at.
        // (The loci and the loop's windings stay with the work.)
        const int control = w.control + 1, attempts = w.attempts + 1;
        const Complex start = session.traces.parameterTrace->value;
        Term *fiber = session.run.tracedFiber(session.state.fiber.get());
        if (beginRun(session, session.parameterSpace.selectedPath, fiber, start, control, attempts)) {
            r.repaintParameter = true;
            r.repaintSolution = true;
            return;
        }
    }
    session.run.verdict = verdict;
    session.traces.tracingState = tracingFinished;
    session.run.traceFinished = 1;
    stopRun(session, r);
    session.run.work.release();
    session.parameterSpace.setParameterPoint(session.state.basePoint);
    session.state.setReplay(0, 0, 0, 1);
    // traceStepCount has counted every step appended; counting the trace
    // again would walk all of it.
    r.loopFinished = true;
}

// Records an accepted step: the points, the braid generators read off its
// two half moves, both traces.
void record(Session &session, Complex p, StepOutcome &step, const std::vector<int> &generators) {
    TracerWork &w = session.run.work;
    w.parameter = p;
    w.points.swap(step.end);
    w.tangents.swap(step.tangent);
    {
        static thread_local std::vector<Term *> byPosition;
        recordsByPosition(w.current.get(), byPosition);
        for (size_t k = 0; k < w.moving.size(); ++k)
            byPosition[static_cast<size_t>(w.moving[k])]->coef = w.points[k];
    }
    for (int g : generators) {
        appendGenerator(session.run.braidWord, g);
        reduceBraidWord(session.run.braidWord);
    }
    numberPoints(w.current.get(), 0);
    w.solutionTail = session.traces.appendSolutionStepAfter(session.tracePool, w.solutionTail, w.current.get());
    ++session.traces.traceStepCount;
    w.parameterTail = session.traces.appendParameterAfter(session.tracePool, w.parameterTail, p);
    copyPointValues(w.previous.get(), w.current.get());
}

// One step from the last accepted parameter to p through pm, with every
// check: the continuation's, and a braid that reads without doubt. On
// success the step is recorded and true returned; otherwise `ratio` says
// how far the step missed (infinity when it could not be judged).
bool tryStep(Session &session, Complex pm, Complex p, bool relaxed, StepOutcome &step,
             double &ratio) {
    TracerWork &w = session.run.work;
    step = w.tracker.step(w.curve, w.points, w.tangents, w.parameter, pm, p, relaxed);
    ratio = step.ratio;
    if (!step.accepted) return false;
    static thread_local std::vector<Complex> from, middle, to;
    std::vector<int> generators;
    allPoints(w, w.points, from);
    allPoints(w, step.middle, middle);
    allPoints(w, step.end, to);
    if (!readMove(from, middle, generators) || !readMove(middle, to, generators)) {
        ratio = unreadableMoveRatio;
        return false;
    }
    record(session, p, step, generators);
    return true;
}

// After an accepted step along a segment: the step control, and what comes
// at the end of the segment.
void advance(Session &session, double s, const StepOutcome &step, TickResult &r) {
    TracerWork &w = session.run.work;
    const Control &ctl = controlOf(w);
    w.segmentPosition = s;
    session.state.setReplay(0, 1, 0, 0);
    r.repaintSolution = true;
    r.stepAccepted = true;
    w.segmentStep = std::min(ctl.largestStep, stepAfterAccepted(w.segmentStep, step.ratio));
    if (w.segmentPosition < 1.0) return;
    PathSegment *seg = session.parameterSpace.currentSegment;
    // The next piece starts with a step of the same length in the plane,
    // but at least a thousandth of the piece (after a piece too short to
    // set a pace); a step too long is shortened by the checks.
    auto restep = [&](double oldLength, double newLength) {
        w.segmentPosition = 0.0;
        w.segmentStep = newLength > 0.0 ? std::clamp(w.segmentStep * oldLength / newLength, leastCarriedStep, ctl.largestStep)
                                        : ctl.largestStep;
        if (!(w.segmentStep > 0.0)) w.segmentStep = ctl.largestStep;
    };
    if (w.returning) {
        finishLoop(session, r);
        return;
    }
    if (w.connecting) {
        // At the start of the segment: now along the segment itself.
        w.connecting = false;
        restep(modulus(w.connectTo - w.connectFrom), segmentLength(seg));
        return;
    }
    // A path that ends without a last segment ends its loop all the same.
    if (seg->role == 2 || !seg->next) {
        if (w.connectedAtStart && !isZero(w.parameter - w.runStart)) {
            // Back along the line that led to the loop.
            w.returning = true;
            w.connecting = true;
            w.connectTo = w.runStart;
            w.connectFrom = w.parameter;
            restep(segmentLength(seg), modulus(w.connectTo - w.connectFrom));
            return;
        }
        finishLoop(session, r);
        return;
    }
    // The next segment starts with a step of the same length in the plane.
    session.parameterSpace.currentSegment = seg->next;
    restep(segmentLength(seg), segmentLength(seg->next));
}

}  // namespace

TickResult tracerTick(Session &session) {
    TickResult r;
    ParameterSpaceState &ps = session.parameterSpace;
    if (!ps.timerRunning || session.traces.tracingState != tracingRunning) return r;
    TracerWork &w = session.run.work;
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
        // A gap at rounding level (the end of one piece and the start of
        // the next computed apart) is no gap.
        if (modulus(start - w.parameter) <= sameParameter * std::max(modulus(start), modulus(w.parameter)))
            w.parameter = start;
        if (!isZero(start - w.parameter)) {
            if (session.traces.traceStepCount <= 1) w.connectedAtStart = true;
            w.connecting = true;
            w.connectFrom = w.parameter;
            w.connectTo = start;
        }
    }
    auto pointAt = [&](double u) {
        if (!w.connecting) return u >= 1.0 ? segmentEnd(ps.currentSegment) : segmentPoint(ps.currentSegment, u);
        return u >= 1.0 ? w.connectTo : w.connectFrom * Complex(1.0 - u, 0.0) + w.connectTo * Complex(u, 0.0);
    };
    const double length = w.connecting ? modulus(w.connectTo - w.connectFrom) : segmentLength(ps.currentSegment);
    int32_t &relaxed = session.run.relaxedMode;
    const Clearance clear = clearanceAt(w, w.parameter);
    auto stopWith = [&](const char *message) {
        ps.setParameterPoint(w.parameter);
        stopRun(session, r);
        showError(message, pathRemedy);
        r.errorShown = true;
        return r;
    };
    if (clear.through) {
        // No step can get past: the run ends relaxed, as one whose steps
        // shrank to nothing does.
        relaxed = 1;
        r.repaintSolution = true;
        return stopWith(nearBranchPoint);
    }
    // The scale below which a step is too small to matter.
    const double scale = std::isfinite(clear.distance) ? clear.distance : std::max(length, modulus(w.parameter));
    const double room = controlOf(w).reach * clear.distance;
    for (int attempt = 0; attempt < attemptsPerTick; ++attempt) {
        const double s = std::min(1.0, w.segmentPosition + w.segmentStep);
        const Complex p = pointAt(s);
        const Complex pm = pointAt(0.5 * (w.segmentPosition + s));
        const double move = modulus(pm - w.parameter) + modulus(p - pm);
        const bool progress = s > w.segmentPosition && !isZero(p - w.parameter);
        // Every step stays within a fraction of the distance to the nearest
        // locus: no locus comes between the path and its chords, and the
        // fiber cannot turn far within one step.
        if (progress && move > room) {
            w.segmentStep = stepWithinRoom(w.segmentStep, room, move);
            if (w.segmentStep > 0.0) continue;
        }
        ps.setParameterPoint(p);
        r.repaintParameter = true;
        StepOutcome step;
        double ratio = 0.0;
        if (progress && tryStep(session, pm, p, relaxed != 0, step, ratio)) {
            advance(session, s, step, r);
            return r;
        }
        // A rejected step shrinks by at least half, more when its errors
        // were far beyond the allowance.
        w.segmentStep = stepAfterRejected(w.segmentStep, ratio);
        // Too small: a move below the least that matters, while more than
        // that remains of the segment (a short rest is taken whole).
        const double next = std::min(1.0, w.segmentPosition + w.segmentStep);
        const double least = std::min(smallestMove * scale, modulus(pointAt(1.0) - w.parameter));
        const bool tooSmall = !(next > w.segmentPosition) || modulus(pointAt(next) - w.parameter) < least;
        if (!tooSmall) continue;
        if (!relaxed) {
            relaxed = 1;
            r.repaintSolution = true;
            w.segmentStep *= relaxedRegrowth;
            continue;
        }
        return stopWith(step.diverged ? "Overflow Error" : nearBranchPoint);
    }
    // Many attempts without a verdict: the next tick goes on from here.
    return r;
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
    return modulus(last->value - first->value) <= closedPath * std::max(modulus(first->value), modulus(last->value));
}

std::vector<int> tracePermutation(const Session &session) {
    std::vector<int> permutation;
    const RunVerdict &v = session.run.verdict;
    if (v.judged) {
        if (v.closed && v.permutationOk) permutation = v.permutation;
    } else if (traceEndsWhereItBegan(session.traces)) {
        const Traces &t = session.traces;
        const int n = countPoints(session.run.tracedFiber(session.state.fiber.get()));
        if (!matchEnds(stepValues(stepAt(t.solutionTrace, 0), n),
                       stepValues(stepAt(t.solutionTrace, t.traceStepCount - 1), n), permutation))
            permutation.clear();
    }
    if (!permutation.empty()) permutation.push_back(-1);
    return permutation;
}

int loopIndexAt(Session &session, Complex worldPoint, bool onInfinityIcon) {
    // Loops are owned by their target's position among the branch and
    // degenerate loci sorted round the base point; the loop round all of
    // them comes after the last.
    const CurveState &s = session.state;
    const std::vector<Complex> targets =
        autoPathTargetValues(s.branchLoci.get(), s.degenerateLoci.get(), s.basePoint);
    if (onInfinityIcon) return static_cast<int>(targets.size());
    int nearest = 0;
    for (size_t k = 1; k < targets.size(); ++k)
        if (modulus(targets[k] - worldPoint) < modulus(targets[static_cast<size_t>(nearest)] - worldPoint))
            nearest = static_cast<int>(k);
    return nearest;
}

bool startLoopAt(Session &session, PathSegment *start, int control) {
    if (session.state.stage < stageFiber || !start || countPoints(session.state.fiber.get()) == 0)
        return false;
    // The run starts from the fiber over the base point, so its names are
    // that fiber's again.
    session.run.startFiber.reset();
    TracerWork &w = session.run.work;
    w.loci = runLoci(session.state);
    // What the loop's own segments go round: the traced path must agree.
    std::vector<Complex> values;
    for (const LocusWeight &l : w.loci) values.push_back(l.value);
    w.designedWindings = loopWindings(start, values);
    return beginRun(session, start, session.state.fiber.get(), session.state.basePoint, control, 1);
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
    TracingRun &ss = session.run;
    // The fiber over P, isolated with a proof from the curve as typed.
    OwnedPolynomial roots(certifiedFiber(session.state.exact(), p));
    OwnedPolynomial sorted(sortLexicographic(roots.get()));

    ss.traceFinished = 0;
    ss.relaxedMode = 0;
    ss.braidWord.clear();
    ss.verdict = RunVerdict();
    ss.certification = CertificationState();
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
    TracerWork &w = session.run.work;
    const double position = w.segmentPosition;
    const double step = w.segmentStep;
    prepareWork(session, start);
    w.segmentPosition = position;
    w.segmentStep = step;
    w.loci = runLoci(session.state);
    w.designedWindings.clear();
    w.control = 0;
    w.attempts = 1;
    w.runStart = p;
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

// Ends a free-hand run: its braid word (and its permutation and checks,
// when it ended where it began) can be shown.
TickResult endArtRun(Session &session) {
    ParameterSpaceState &ps = session.parameterSpace;
    if (session.run.work.ready()) session.run.verdict = judgeTraces(session);
    ps.artTracing = 0;
    session.run.work.release();
    session.state.setReplay(0, 0, 0, 1);
    session.traces.tracingState = tracingFinished;
    session.run.traceFinished = 1;
    TickResult r;
    r.repaintParameter = true;
    r.repaintSolution = true;
    r.loopFinished = true;
    return r;
}

}  // namespace

// Each locus's weight in the braid invariant is its multiplicity in the resultant less 2n - 1 times its
// multiplicity in the leading coefficient (n the degree in the fiber
// variable). A degenerate locus is a root of the resultant too and carries
// the same value as its branch locus.
std::vector<LocusWeight> runLoci(const CurveState &s) {
    std::vector<LocusWeight> loci;
    if (s.stage < stageBranchLoci) return loci;
    const int n = degree(s.curve.get());
    std::vector<Term *> records;
    recordsByPosition(s.branchLoci.get(), records);
    for (const Term *b : records) loci.push_back({b->coef, pointMultiplicity(b)});
    recordsByPosition(s.degenerateLoci.get(), records);
    for (const Term *d : records) {
        auto same = std::find_if(loci.begin(), loci.end(), [&](const LocusWeight &l) {
            return l.value.re == d->coef.re && l.value.im == d->coef.im;
        });
        if (same == loci.end()) same = loci.insert(loci.end(), LocusWeight{d->coef, 0});
        same->weight -= (2 * n - 1) * pointMultiplicity(d);
    }
    return loci;
}

void judgeLoadedTraces(Session &session) {
    TracingRun &ss = session.run;
    const Traces &t = session.traces;
    ss.braidWord.clear();
    ss.braidRead = true;
    ss.verdict = RunVerdict();
    ss.certification = CertificationState();
    ss.relaxedMode = 0;
    ss.traceFinished = t.traceStepCount > 1 ? 1 : 0;
    if (!ss.traceFinished) return;
    // The steps as rows of values, track k at position k of every step.
    std::vector<std::vector<Complex>> steps;
    for (const TraceRecord *r = t.solutionTrace; r; r = r->next) {
        if (r->number == 0) steps.emplace_back();
        if (!steps.empty()) steps.back().push_back(r->value);
    }
    std::vector<int> generators;
    for (size_t k = 1; k < steps.size(); ++k) {
        generators.clear();
        if (steps[k].size() != steps[0].size() || !readMove(steps[k - 1], steps[k], generators)) {
            ss.braidRead = false;
            ss.braidWord.clear();
            return;
        }
        for (int g : generators) {
            appendGenerator(ss.braidWord, g);
            reduceBraidWord(ss.braidWord);
        }
    }
    if (session.state.stage < stageBranchLoci) return;
    std::vector<Complex> path;
    for (const TraceRecord *r = t.parameterTrace; r; r = r->next) path.push_back(r->value);
    ss.verdict = judgeRun(path, steps.front(), steps.back(), ss.braidWord.generators(), runLoci(session.state), {});
    ss.verdict.attempts = 1;
}

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
    session.run.work.segmentPosition = 0.0;
    session.run.work.segmentStep = firstStep;
    return !restartTracesAt(session, segmentStart(copy)).errorShown;
}

bool startTracingCommand(Session &session) {
    const ParameterSpaceState &ps = session.parameterSpace;
    // Start tracing runs the user's own path of Manual mode.
    if (!ps.userPath || ps.selectedPath != ps.userPath) {
        showError("There is no path to trace.",
                  "In Manual Mode choose one with \"Select Path from Auto-mode paths\", then Start tracing");
        return false;
    }
    // A Manual run goes on only while an edit tool is chosen.
    if (ps.editTool <= 0) {
        showError("Tracing a path needs an edit tool.",
                  "Choose one of the tools of the Path menu, then Start tracing");
        return false;
    }
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
    // move back to the start, so that the last fiber can be matched with the
    // first and the permutation read off.
    if (const TraceRecord *first = session.traces.parameterTrace) {
        const Complex start = first->value;
        if (modulus(p - start) <= closeRadius && !isZero(start - lastParameter(session.traces))) {
            const TickResult moved = freeHandStep(session, start);
            if (moved.errorShown) return moved;
        }
    }
    return endArtRun(session);
}

TickResult freeHandStep(Session &session, Complex m) {
    TickResult r;
    ParameterSpaceState &ps = session.parameterSpace;
    TracerWork &w = session.run.work;
    if (!ps.artTracing || !w.ready() || w.curve.empty() || w.points.size() != w.moving.size()) return r;
    // The parameter follows the straight line to the mouse in as many
    // steps as the checks of a timer step ask for, each one recorded.
    const Complex from = w.parameter;
    int32_t &relaxed = session.run.relaxedMode;
    double u = 0.0;
    double du = 1.0;
    auto along = [&](double v) { return v >= 1.0 ? m : from * Complex(1.0 - v, 0.0) + m * Complex(v, 0.0); };
    for (int attempt = 0; attempt < 100 * attemptsPerTick && u < 1.0; ++attempt) {
        const Clearance clear = clearanceAt(w, w.parameter);
        const double next = std::min(1.0, u + du);
        const Complex p = along(next);
        const Complex pm = along(0.5 * (u + next));
        const double move = modulus(p - w.parameter);
        const double room = controlOf(w).reach * clear.distance;
        if (!clear.through && move > room) {
            du = stepWithinRoom(du, room, move);
            continue;
        }
        StepOutcome step;
        double ratio = 0.0;
        if (!clear.through && move > 0.0 && tryStep(session, pm, p, relaxed != 0, step, ratio)) {
            u = next;
            du = std::min(1.0, mostGrowth * du);
            r.stepAccepted = true;
            continue;
        }
        du *= leastShrinkRejected;
        const double scale = std::isfinite(clear.distance) ? clear.distance : modulus(m - from);
        if (!clear.through && modulus(along(std::min(1.0, u + du)) - w.parameter) >= smallestMove * scale) continue;
        if (!clear.through && !relaxed) {
            relaxed = 1;
            du *= relaxedRegrowth;
            continue;
        }
        ps.setParameterPoint(w.parameter);
        showError(step.diverged ? "Overflow Error" : nearBranchPoint, pathRemedy);
        TickResult ended = endArtRun(session);
        ended.errorShown = true;
        return ended;
    }
    ps.setParameterPoint(w.parameter);
    session.state.replayIndex = 0;
    session.traces.tracingState = tracingRunning;
    r.repaintParameter = true;
    r.repaintSolution = true;
    return r;
}

}  // namespace quorvel
