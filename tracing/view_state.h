// The state the rest of the program hands to the two plane windows. Both
// objects live for the whole run, whether or not their windows are open, and
// never need a window: the windows only draw them and translate the mouse.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/complex.h"
#include "engine/points.h"
#include "engine/polynomial.h"
#include "tracing/braid.h"
#include "tracing/certified_run.h"
#include "tracing/continuation.h"
#include "tracing/paths.h"
#include "tracing/run_check.h"
#include "tracing/traces.h"

namespace quorvel {

inline constexpr int16_t pathDisplayNone = 0;
inline constexpr int16_t pathDisplayAuto = 1;
inline constexpr int16_t pathDisplaySelected = 2;

// The five replay icons of the Parameter Space window's bottom strip, left
// to right.
enum class ReplayIcon { Save, GoToStart, Play, Pause, GoToEnd };

inline constexpr int16_t modeAuto = 0;
inline constexpr int16_t modeManual = 1;
inline constexpr int16_t modeArt = 2;

// The work lists of a tracing run: all five hold the same number of points
// and are walked by the same positions.
struct TracerWork {
    double segmentPosition = 0.0;  // t: fraction of the current segment travelled
    double segmentStep = 0.025;    // dt
    int16_t stepCounter = 0;
    OwnedPolynomial current;
    OwnedPolynomial previous;
    OwnedPolynomial twoBack;
    OwnedPolynomial threeBack;
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

struct ParameterSpaceState {
    // What the pipeline and the file loads hand over.
    OwnedPolynomial branchLociCopy;
    int16_t branchLociShown = 0;
    Complex markerPoint{0.0, 0.0};
    int16_t markerShown = 0;
    PathSegment *autoPaths = nullptr;
    int16_t pathDisplay = pathDisplayNone;
    // The path being traced or edited: a loop of autoPaths in Auto mode, the
    // user's own copy (userPath) in Manual mode.
    PathSegment *selectedPath = nullptr;
    PathSegment *currentSegment = nullptr;
    PathSegment *userPath = nullptr;

    // Modes and tools of the window, kept here so headless code can drive
    // the same transitions the mouse does.
    int16_t viewMode = modeAuto;
    int16_t editTool = 0;
    int16_t selectFromAuto = 0;
    int16_t newPathArmed = 1;
    int16_t artTracing = 0;
    int16_t handTool = 0;

    // The read-out of the branch locus under the pointer; a new set of loci
    // clears it.
    Complex pointedLocus{0.0, 0.0};
    int16_t pointedLocusShown = 0;

    // Timer 1 of the window (100 ms): running or not.
    bool timerRunning = false;
    // Mode > Certify: every loop that ends is then proven (pipeline/certify.h).
    bool certify = false;
    // Raised whenever a new curve, base point or set of traces is taken
    // ("Go", Re-calculate, a load): both planes fit what they show when
    // they are next drawn, open now or later.
    int32_t fitRequest = 0;

    TracerWork work;
    // Where the replay is in the parameter trace.
    TraceCursor replayCursor;

    // Keeps its own copy of the list (nothing when the list is empty).
    void setBranchLoci(const Term *list);
    void setParameterPoint(Complex point);
    // Releases the previous loops and keeps the new chain; draws all loops.
    void storeAutoPaths(SegmentPool &pool, PathSegment *chain);
    void clearSelection();
    // Replaces the user's path (releasing the previous one).
    void storeUserPath(SegmentPool &pool, PathSegment *path);
    void releaseAll(SegmentPool &pool);
};

struct SolutionSpaceState {
    int16_t traceFinished = 0;
    int32_t relaxedMode = 0;
    BraidWord braidWord;
    // False when the braid of the traces could not be read (loaded traces
    // with a step whose crossings are in doubt): braidWord is then empty
    // and stands for nothing.
    bool braidRead = true;
    // The checks of the last run that ended (judged is false before then).
    RunVerdict verdict;
    // Its proof, with Mode > Certify.
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
