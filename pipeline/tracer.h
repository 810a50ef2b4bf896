// Tracing the fiber along a loop, replaying a finished trace, and the
// commands of the Parameter Space window that start and steer both. All of
// it works on a Session without a window: the window calls these from its
// mouse handlers and its 100 ms timer and repaints what they report.
#pragma once

#include <vector>

#include "engine/complex.h"
#include "pipeline/session.h"

namespace quorvel {

// What a tick or a command asks of the windows.
struct TickResult {
    bool repaintParameter = false;
    bool repaintSolution = false;
    bool timerStopped = false;
    bool errorShown = false;
    bool stepAccepted = false;
    bool loopFinished = false;
};

// ---- the timer -------------------------------------------------------------
// One timer tick of the Parameter Space window: traces while a run is on
// (Auto mode, or Manual mode with an edit tool), replays while playing.
TickResult timerTick(Session &session);
// One tracing tick: tries steps until one is accepted or the run stops.
// Does nothing when the timer is not running, no run is on, or a tick is
// already under way.
TickResult tracerTick(Session &session);
// One replay tick: shows the next recorded step.
TickResult replayTick(Session &session);

// A tick tries steps along the current segment: each step moves the
// parameter by at most a fraction of its distance to the nearest locus, is
// predicted along the tangent, corrected to rounding level and accepted
// only when every point stays on its own track (tracing/continuation.h)
// and the braid of the step reads without doubt; a rejected step shrinks
// (at least by half), an accepted one lets the next grow (at most double,
// at most a quarter of a segment). A step that would move the parameter
// less than 1e-10 of its distance to the nearest locus is too small: the
// run goes relaxed, and when it is too small again it stops with
// "Parameter go thru near the branch point. We cannot trace anymore."
// ("Overflow Error" when the corrector blew up); so does a path that comes
// within 1e-9 of a locus's spacing of that locus.
//
// When a loop ends, the run is checked (tracing/run_check.h: closed, the
// ends match the starts one to one, the braid's exponent sum is the one the
// loci demand); a run that fails is run again from its start one control
// level tighter, at most three times in all, and the verdict of the last
// run is kept in the solution state.

// ---- starting runs -------------------------------------------------------------
// The loop index of a click: the owner of the loop round all loci on the
// infinity icon, else that of the loop round the branch or degenerate
// locus nearest the clicked point.
int loopIndexAt(Session &session, Complex worldPoint, bool onInfinityIcon);
// Auto mode: traces loop `index` of the auto-mode chain from the base point
// with the fiber over it; starts the timer. False when there is nothing to
// trace (no fiber or no loops).
bool startAutoLoop(Session &session, int index);
// Starts a run on the auto-mode loop beginning at `start`, at a control
// level (0 normal; each level steps more tightly).
bool startLoopAt(Session &session, PathSegment *start, int control = 0);
// Manual mode: the user's own copy of loop `index`; the traces restart at
// its first point and the timer waits for "&Start tracing".
bool chooseManualLoop(Session &session, int index);
// Restarts both traces at P with the fiber over P, sorted and named, which
// numbers the traces from their first step on. The fiber over the base point
// is left as it is: the new one is the solution state's start fiber.
TickResult restartTracesAt(Session &session, Complex p);
// "&Start tracing": starts the timer when an edit tool is selected.
bool startTracingCommand(Session &session);
// Art mode: the first click starts free-hand tracing at the point, the
// second ends it (the run is then finished, with its braid word). A second
// click within closeRadius of the start closes the loop with a last step to
// the start itself.
TickResult toggleArtTracing(Session &session, Complex p, double closeRadius = 0.0);
// The traces ended where they began: the first and the last parameter
// record agree within 1e-9 of their size. Only then does the last step of
// the solution trace hold the same fiber as the first, permuted.
bool traceEndsWhereItBegan(const Traces &traces);
// The permutation of the traces (entry j: the start point that track j
// ends on, then -1), as the checks of the last run read it; for traces no
// run has checked (a loaded document), read off their first and last step
// when they end where they began. Empty when there is none to read.
std::vector<int> tracePermutation(const Session &session);
// Traces that no run has left (a loaded document): their braid word is
// read again from their recorded steps, each a straight move of every
// strand (tracing/braid.h readMove), and they are judged as a finished run
// is, against the weights of the loci held. A step whose crossings are in
// doubt leaves the braid unread (braidRead false) and the run unjudged.
// Traces of a single step are no run: nothing is shown for them.
void judgeLoadedTraces(Session &session);
// The loci a run keeps clear of, with their weights in the braid invariant
// (none below stage 3).
std::vector<LocusWeight> runLoci(const CurveState &s);
// Art mode: one step of free-hand tracing to the point under the mouse.
TickResult freeHandStep(Session &session, Complex m);

// ---- replay icons ------------------------------------------------------------
// (ReplayIcon: the five icons of the bottom strip, in tracing/view_state.h.)
struct IconResult {
    TickResult tick;
    bool saveRequested = false;
    bool timerStarted = false;
};
IconResult replayIconClick(Session &session, ReplayIcon icon);

}  // namespace quorvel
