// A tracing run: the tracer's work lists, and what the run found (its braid
// word, whether it went relaxed, its verdict, the fiber it started from).
// The windows display it; the tracer, the loaders and the command line
// write it.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/complex.h"
#include "engine/points.h"
#include "engine/polynomial.h"
#include "tracing/braid.h"
#include "tracing/certified_run.h"
#include "tracing/continuation.h"
#include "tracing/run_check.h"
#include "tracing/traces.h"

namespace quorvel {

// The work lists of a tracing run: all of them hold the same number of points
// and are walked by the same positions.
struct TracerWork {
    double segmentPosition = 0.0;  // t: fraction of the current segment travelled
    double segmentStep = 0.025;    // dt
    OwnedPolynomial current;
    OwnedPolynomial previous;
    OwnedPolynomial correction;
    OwnedPolynomial specialised;  // coefficient skeleton of the curve

    // The continuation: f in dense form, the moving points (by position in
    // the point lists; the points split off at 0 are not among them), their
    // tangents dx/dt, and the parameter of the last accepted step.
    CurveFunction curve;
    StepTracker tracker;
    std::vector<int> moving;
    std::vector<Complex> points;
    std::vector<Complex> tangents;
    Complex parameter{0.0, 0.0};
    // When the parameter is not where the current segment starts (a loop
    // that begins on a circle round the base point, a restart away from the
    // path), it first goes there along a straight connecting line.
    // A loop that was reached that way at its start goes back along the same
    // line at its end (returning), so it ends where the traces began.
    bool connecting = false;
    bool connectedAtStart = false;
    bool returning = false;
    Complex connectFrom{0.0, 0.0};
    Complex connectTo{0.0, 0.0};
    Complex runStart{0.0, 0.0};
    // The last records of the two traces, so appending a step costs the
    // same however long the traces are. Valid while the work is ready: the
    // traces change only through the run (loads and "Go" release the work).
    TraceRecord *solutionTail = nullptr;
    TraceRecord *parameterTail = nullptr;

    // What a run keeps from its start to its verdict (release() leaves it):
    // the loci it keeps clear of, with their weights in the braid invariant;
    // the control level (0 normal, each level tighter); how many times the
    // loop has been run; the winding numbers the loop was built with (empty
    // when unknown, as for a path drawn by hand).
    std::vector<LocusWeight> loci;
    int control = 0;
    int attempts = 0;
    std::vector<int> designedWindings;

    void release();
    bool ready() const;
};

struct TracingRun {
    TracerWork work;

    int16_t traceFinished = 0;
    int32_t relaxedMode = 0;
    BraidWord braidWord;
    // False when the braid of the traces could not be read (loaded traces
    // with a step whose crossings are in doubt): braidWord is then empty
    // and stands for nothing.
    bool braidRead = true;
    // The checks of the last run that ended (judged is false before then).
    RunVerdict verdict;
    // Its proof, with Mode > Certify or --certify.
    CertificationState certification;
    // The fiber the traces start from when a run started away from the base
    // point (Art mode, a Manual path, "New Path"): its points carry the
    // numbers and names the traces use. None while the traces start from the
    // fiber over the base point, which such a run never replaces.
    OwnedPolynomial startFiber;

    // The fiber whose names the traces use: the start fiber of a run that
    // began elsewhere, else the fiber over the base point.
    Term *tracedFiber(Term *baseFiber) const { return startFiber ? startFiber.get() : baseFiber; }
};

}  // namespace quorvel
