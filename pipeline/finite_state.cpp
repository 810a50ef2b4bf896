#include "pipeline/finite_state.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/error.h"
#include "engine/points.h"
#include "pipeline/session.h"

namespace quorvel {

namespace {

bool finite(Complex z) { return std::isfinite(z.re) && std::isfinite(z.im); }

bool finiteTree(const Term *root) {
    std::vector<const Term *> stack;
    if (root) stack.push_back(root);
    while (!stack.empty()) {
        const Term *t = stack.back();
        stack.pop_back();
        if (!finite(t->coef)) return false;
        if (t->left) stack.push_back(t->left);
        if (t->next) stack.push_back(t->next);
    }
    return true;
}

bool finiteTrace(const TraceRecord *r) {
    for (; r; r = r->next)
        if (!finite(r->value)) return false;
    return true;
}

// The first stage whose values are not all finite; stageFiber + 1 when
// every value is.
int16_t firstNonFiniteStage(const Session &session) {
    const CurveState &s = session.state;
    if (!finiteTree(s.curve.get()) || !finiteTree(s.leadingCoefficient.get()) ||
        !finiteTree(s.degenerateLoci.get()))
        return stageCurve;
    if (!finiteTree(s.branchPolynomial.get())) return stageBranchPolynomial;
    if (!finiteTree(s.branchLoci.get())) return stageBranchLoci;
    if (!finite(s.basePoint) || !finiteTree(s.fiber.get()) ||
        !finiteTrace(session.traces.solutionTrace) || !finiteTrace(session.traces.parameterTrace))
        return stageFiber;
    return stageFiber + 1;
}

}  // namespace

bool keepFinite(Session &session) {
    const int16_t bad = firstNonFiniteStage(session);
    if (bad > stageFiber) return true;
    CurveState &s = session.state;
    MainForm &form = session.form;
    session.stopTimer();
    session.run.work.release();
    if (bad <= stageCurve) {
        s.exactCurve = ExactPolynomial();
        s.curve.reset(newZero());
        s.leadingCoefficient.reset();
        s.degenerateLoci.reset();
    }
    if (bad <= stageBranchPolynomial) {
        s.branchPolynomial.reset(newZero());
        s.branchPolynomialText.clear();
        form.branchPolynomial.clear();
    }
    if (bad <= stageBranchLoci) {
        s.branchLoci.reset(newPoint(Complex(0.0, 0.0)));
        form.branchLoci.clear();
        session.parameterSpace.setBranchLoci(s.branchLoci.get());
    }
    if (!finite(s.basePoint)) {
        s.basePoint = Complex(0.0, 0.0);
        s.hasBasePoint = false;
        form.basePoint.clear();
        session.basePointEdited();
    }
    session.parameterSpace.setParameterPoint(s.basePoint);
    s.fiber.reset();
    form.fiber.clear();
    session.parameterSpace.clearSelection();
    session.parameterSpace.storeAutoPaths(session.segmentPool, nullptr);
    session.traces.resetParameterTrace(session.tracePool, s.basePoint);
    session.traces.resetSolutionTrace(session.tracePool, nullptr);
    session.traces.traceStepCount = countSteps(session.traces.solutionTrace);
    session.traces.tracingState = tracingNothing;
    s.replayIndex = 0;
    s.setReplay(1, 0, 0, 0);
    s.stage = std::min<int16_t>(s.stage, static_cast<int16_t>(bad - 1));
    showError("A computed value is not a finite number.",
              "Re-input the polynomial with coefficients of moderate size");
    return false;
}

}  // namespace quorvel
