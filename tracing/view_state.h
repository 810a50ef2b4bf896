// What the Parameter Space window draws and edits: the loci, the marker,
// the paths, the modes and tools. It lives for the whole program, whether or
// not the window is open, and never needs a window: the window only draws it
// and translates the mouse. What a run finds is the pipeline's (TracingRun).
#pragma once

#include <cstdint>
#include <vector>

#include "engine/complex.h"
#include "engine/points.h"
#include "engine/polynomial.h"
#include "tracing/paths.h"
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

}  // namespace quorvel
