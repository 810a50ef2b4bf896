#include "tracing/view_state.h"

namespace quorvel {

void ParameterSpaceState::setBranchLoci(const Term *list) {
    branchLociCopy.reset();
    pointedLocusShown = 0;
    if (countPoints(list) == 0) return;
    branchLociCopy.reset(copyPolynomial(list));
    branchLociShown = 1;
}

void ParameterSpaceState::setParameterPoint(Complex point) {
    markerPoint = point;
    markerShown = 1;
}

void ParameterSpaceState::storeAutoPaths(SegmentPool &pool, PathSegment *chain) {
    if (selectedPath && selectedPath != userPath) clearSelection();
    freeAutoPaths(pool, autoPaths);
    autoPaths = chain;
    pathDisplay = pathDisplayAuto;
}

void ParameterSpaceState::clearSelection() {
    selectedPath = nullptr;
    currentSegment = nullptr;
}

void ParameterSpaceState::storeUserPath(SegmentPool &pool, PathSegment *path) {
    if (selectedPath == userPath) clearSelection();
    freeAutoPaths(pool, userPath);
    userPath = path;
}

void ParameterSpaceState::releaseAll(SegmentPool &pool) {
    clearSelection();
    freeAutoPaths(pool, autoPaths);
    autoPaths = nullptr;
    freeAutoPaths(pool, userPath);
    userPath = nullptr;
    branchLociCopy.reset();
}

}  // namespace quorvel
