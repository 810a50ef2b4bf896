#include "pipeline/tracing_run.h"

namespace quorvel {

void TracerWork::release() {
    current.reset();
    previous.reset();
    correction.reset();
    specialised.reset();
    curve = CurveFunction();
    moving.clear();
    points.clear();
    tangents.clear();
    connecting = false;
    connectedAtStart = false;
    returning = false;
    solutionTail = nullptr;
    parameterTail = nullptr;
}

bool TracerWork::ready() const {
    return current && previous && correction && specialised;
}

}  // namespace quorvel
