#include "pipeline/session.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "engine/calculus.h"
#include "engine/error.h"
#include "engine/exact.h"
#include "engine/points.h"
#include "engine/polytext.h"
#include "pipeline/base_point_reading.h"
#include "pipeline/document.h"
#include "pipeline/finite_state.h"

namespace quorvel {

std::string cutText(std::string text, size_t limit) {
    if (text.size() > limit) text.resize(limit);
    return text;
}

void CurveState::setReplay(int16_t atStart, int16_t playing, int16_t paused, int16_t atEnd) {
    replayAtStart = atStart;
    replayPlaying = playing;
    replayPaused = paused;
    replayAtEnd = atEnd;
}

ExactPolynomial CurveState::exact() const {
    if (exactCurve.isZero() && curve && !isZeroPolynomial(curve.get())) return exactFromDoubles(curve.get());
    return exactCurve;
}

void SortedList::add(const std::string &line) {
    lines_.insert(std::upper_bound(lines_.begin(), lines_.end(), line), line);
}

void showLociLines(SortedList &list, const Term *loci, const Term *degenerate) {
    list.clear();
    std::vector<Term *> records, degenerateRecords;
    recordsByPosition(const_cast<Term *>(loci), records);
    recordsByPosition(const_cast<Term *>(degenerate), degenerateRecords);
    for (auto it = records.rbegin(); it != records.rend(); ++it) {
        const Term *p = *it;
        std::string line = formatValue(p->coef);
        if (pointMultiplicity(p) > 1) line += "  multiplicity " + std::to_string(pointMultiplicity(p));
        // A degenerate locus carries the value of its branch locus to the bit.
        for (const Term *d : degenerateRecords)
            if (d->coef.re == p->coef.re && d->coef.im == p->coef.im) {
                line += "  degenerate";
                break;
            }
        list.append(line);
    }
}

void showFiberLines(SortedList &list, const Term *fiber) {
    list.clear();
    const int n = countPoints(fiber);
    for (int k = 0; k < n; ++k) {
        const Term *p = findByNumber(const_cast<Term *>(fiber), k);
        if (!p) continue;
        const char *name = pointName(p);
        list.append(std::string(name, strnlen(name, 3)) + ": " + formatValue(p->coef));
    }
}

namespace {

// An empty letter field stands for an unsettled letter.
char letterFrom(const std::string &field) {
    if (field.empty() || field[0] == '\0') return '?';
    return field[0];
}

// A base point must not be a locus: the fiber over it has a repeated point
// (or too few points) and no loop can start there. Closer to a locus than
// onLocusFraction of the locus's distance to its nearest neighbour, it
// counts as the locus.
bool basePointOnLocus(const CurveState &state, Complex base) {
    if (state.stage < stageBranchLoci) return false;
    return pointUnder(distinctValues(state.branchLoci.get(), state.degenerateLoci.get()), base) >= 0;
}

// Builds the auto-mode loops round the base point (buildAutoPaths checks
// them) and hands them to the Parameter Space state. When they cannot be
// built, the loops of an earlier base point are dropped as well, and the
// computation is abandoned.
void storeAutoPaths(Session &session) {
    const CurveState &s = session.state;
    PathSegment *chain = nullptr;
    try {
        chain = buildAutoPaths(session.segmentPool, s.branchLoci.get(), s.basePoint, s.degenerateLoci.get());
    } catch (const ComputationAbandoned &) {
        session.parameterSpace.storeAutoPaths(session.segmentPool, nullptr);
        throw;
    }
    session.parameterSpace.storeAutoPaths(session.segmentPool, chain);
}

// A typed base point on a locus: the message, and the command is abandoned.
void refuseBasePointOnLocus(const CurveState &state, Complex base) {
    if (!basePointOnLocus(state, base)) return;
    showError("The base point is a branch locus.", "Type another base point, away from the branch loci.");
    throw ComputationAbandoned("base point on a locus");
}

}  // namespace

Session::Session() : savedWork_("\n") {
    termPool().setLimit(termPoolSize);
    termPool().reset();
    state.curve.reset(newZero());
    state.branchPolynomial.reset(newZero());
    state.branchLoci.reset(newPoint(Complex(0.0, 0.0)));
    state.stage = stageNothing;
    state.dontCheckBranchPoint = 1;
    state.documentName = "untitled";
    form.dontCheck = true;
}

struct Session::ChartCache {
    ExactPolynomial curve;
    std::vector<std::pair<Complex, std::vector<ChartTerm>>> charts;
};

ChartMaker Session::charts() {
    const ExactPolynomial curve = state.exact();
    if (!chartCache_ || chartCache_->curve.identity() != curve.identity()) {
        chartCache_ = std::make_shared<ChartCache>();
        chartCache_->curve = curve;
    }
    return [cache = chartCache_](Complex centre) {
        for (const auto &[at, chart] : cache->charts)
            if (at.re == centre.re && at.im == centre.im) return chart;
        std::vector<ChartTerm> chart;
        try {
            chart = curveChart(cache->curve, centre);
        } catch (const ComputationAbandoned &) {
        }
        cache->charts.emplace_back(centre, chart);
        return chart;
    };
}

Session::~Session() {
    run.work.release();
    parameterSpace.releaseAll(segmentPool);
    traces.clear(tracePool);
}

void Session::writePolynomialField(const std::string &text) {
    form.polynomial = text;
    polynomialEdited();
}

void Session::writeBasePointField(const std::string &text) {
    form.basePoint = text;
    basePointEdited();
}

bool Session::typePolynomial(const std::string &text) {
    // A cut text would be another curve: it is refused whole and the field
    // keeps what it held.
    if (text.size() > polynomialTextLimit) {
        showError(polynomialTooLongMessage, polynomialTooLongRemedy);
        return false;
    }
    form.polynomial = text;
    polynomialEdited();
    return true;
}

void Session::typeName(const std::string &text) { form.name = cutText(text, documentNameLimit); }

void Session::typeBasePoint(const std::string &text) {
    form.basePoint = cutText(text, basePointTextLimit);
    basePointEdited();
}

void Session::clearPlanes() {
    stopTimer();
    ParameterSpaceState &ps = parameterSpace;
    run.work.release();
    ps.artTracing = 0;
    ps.setBranchLoci(nullptr);
    ps.markerShown = 0;
    ps.clearSelection();
    ps.storeAutoPaths(segmentPool, nullptr);
    ps.storeUserPath(segmentPool, nullptr);
    ps.pathDisplay = pathDisplayNone;
    traces.clear(tracePool);
    traces.traceStepCount = 0;
    traces.tracingState = tracingNothing;
    run.traceFinished = 0;
    run.relaxedMode = 0;
    run.braidWord.clear();
    run.braidRead = true;
    run.verdict = RunVerdict();
    run.certification = CertificationState();
    run.startFiber.reset();
    state.fiber.reset();
    state.replayIndex = 0;
    state.setReplay(0, 0, 0, 0);
}

void Session::polynomialEdited() {
    if (state.stage <= stageNothing) return;
    state.stage = stageNothing;
    clearPlanes();
    form.branchPolynomial.clear();
    form.branchLoci.clear();
    form.fiber.clear();
    writeBasePointField("");
}

void Session::basePointEdited() {
    if (form.fixBasePoint) form.fixBasePoint = false;
}

void Session::toggleDontCheck() {
    state.dontCheckBranchPoint = static_cast<int16_t>(1 - state.dontCheckBranchPoint);
    form.dontCheck = state.dontCheckBranchPoint != 0;
}

void Session::clearAll() {
    state.stage = stageNothing;
    clearPlanes();
    form.name = "untitled";
    form.fiberLetter = "?";
    form.parameterLetter = "?";
    form.polynomial.clear();
    form.branchPolynomial.clear();
    form.branchLoci.clear();
    form.fiber.clear();
    writeBasePointField("");
    form.fixBasePoint = true;
    // The next "Go" chooses a base point for its own curve.
    state.basePoint = Complex(0.0, 0.0);
    state.hasBasePoint = false;
}

void Session::letters(char &fiber, char &parameter) const {
    Letters l = unsetLetters;
    collectLetters(state.curve.get(), l, 0);
    fiber = l[0];
    parameter = l[1];
}

std::string Session::workFingerprint(bool withTraces) const {
    // Traces of one step are only the fiber: no run to lose.
    std::string work = form.polynomial + '\n' + writeSections(*this);
    if (withTraces && traces.traceStepCount > 1) work += writeTraces(*this);
    return work;
}

bool Session::hasUnsavedWork() const {
    const std::string work = workFingerprint();
    return work != "\n" && work != savedWork_;
}

void Session::nameFiberPoints() {
    const int n = countPoints(state.fiber.get());
    for (int i = 0; i < n; ++i) {
        Term *p = findByNumber(state.fiber.get(), i);
        if (!p) continue;
        const std::string name = std::to_string((i + 1) % 100);
        setPointName(p, name.c_str());
    }
}

namespace {

// The letters of a text as the parser settles them afresh; all '?' when it
// cannot be read (the real reading then says why).
Letters lettersOfText(const std::string &text) {
    Letters letters = unsetLetters;
    ErrorHandler previous = setErrorHandler([](const std::string &, const std::string &) {});
    try {
        OwnedPolynomial parsed(parsePolynomial(text, letters));
    } catch (const ComputationAbandoned &) {
        letters = unsetLetters;
    }
    setErrorHandler(std::move(previous));
    return letters;
}

// The letters of an earlier curve stay settled until Clear All: a text with
// another letter is refused with the letters that hold and the way out.
void refuseUnsettledLetter(const std::string &text, char fiber, char parameter) {
    if (fiber == '?' || parameter == '?') return;
    for (char c : lettersOfText(text)) {
        if (c == '?' || c == fiber || c == parameter) continue;
        showError(std::string("The letters ") + fiber + " and " + parameter +
                      " are settled by the earlier curve, and " + c + " is neither.",
                  std::string("Re-input the polynomial in ") + fiber + " and " + parameter +
                      ", or press Clear All to start a curve in other letters");
        throw ComputationAbandoned("unsettled letter");
    }
}

}  // namespace

void Session::readCurve() {
    state.polynomialText = cutText(form.polynomial, polynomialTextLimit);
    Letters l = {letterFrom(form.fiberLetter), letterFrom(form.parameterLetter), '?'};
    refuseUnsettledLetter(state.polynomialText, l[0], l[1]);
    ExactPolynomial exact = parseExactPolynomial(state.polynomialText, l);
    OwnedPolynomial parsed(roundedPolynomial(exact));
    const Term *curve = parsed.get();
    if (curve->var[0] == '?' || curve->var[1] == '?' || curve->var[2] != '?') {
        showError("It is not a polynomial with 2 variables.",
                  "You may not quit. Please re-input the polynomial");
        throw ComputationAbandoned("not two variables");
    }
    state.exactCurve = std::move(exact);
    state.curve = std::move(parsed);
    form.fiberLetter = std::string(1, state.curve.get()->var[0]);
    form.parameterLetter = std::string(1, state.curve.get()->var[1]);
    writePolynomialField(state.polynomialText);

    OwnedPolynomial leading(leadingCoefficientOf(state.curve.get()));
    OwnedPolynomial degenerate;
    if (degree(leading.get()) > 0) degenerate.reset(certifiedDegenerateLoci(state.exact()));
    state.leadingCoefficient = std::move(leading);
    state.degenerateLoci = std::move(degenerate);
    state.stage = stageCurve;
}

void Session::computeBranchPolynomial() {
    // The exact resultant Res_x(f, df/dx), monic, every multiplicity kept.
    OwnedPolynomial branch(exactBranchPolynomial(state.exact()));
    std::string text = printPolynomial(branch.get());
    state.branchPolynomial = std::move(branch);
    state.branchPolynomialText = text;
    form.branchPolynomial = text;
    state.stage = stageBranchPolynomial;
}

void Session::computeBranchLoci() {
    const ExactPolynomial curve = state.exact();
    OwnedPolynomial roots(certifiedBranchLoci(curve));
    identifyDegenerateLoci(curve, state.degenerateLoci.get(), roots.get());
    // The first base point: the median of the loci, moved off them when it
    // lies too near one (the fiber over a locus is degenerate).
    if (!state.hasBasePoint) {
        state.basePoint = chooseBasePoint(roots.get(), state.degenerateLoci.get());
        state.hasBasePoint = true;
    }
    OwnedPolynomial sorted(sortAround(roots.get(), state.basePoint));
    state.branchLoci = std::move(sorted);
    showLociLines(form.branchLoci, state.branchLoci.get(), state.degenerateLoci.get());
    parameterSpace.setBranchLoci(state.branchLoci.get());
    state.stage = stageBranchLoci;
}

namespace {

// The base point typed into the field, read as every base point is read;
// a text that is no finite complex number stops the command.
Complex typedBasePoint(const std::string &field) {
    Complex value;
    std::string message;
    if (!readBasePoint(field, value, message)) {
        showError(message, basePointRemedy);
        throw ComputationAbandoned("base point refused");
    }
    return value;
}

}  // namespace

Complex Session::chooseBase() const {
    const std::string field = cutText(form.basePoint, basePointTextLimit);
    // A base point kept from an earlier curve (or a document) that lies on
    // a locus of this one is chosen anew; a typed one on a locus is refused.
    if (state.hasBasePoint && !basePointOnLocus(state, state.basePoint)) return state.basePoint;
    if (form.fixBasePoint || field.empty() || state.hasBasePoint)
        return chooseBasePoint(state.branchLoci.get(), state.degenerateLoci.get());
    const Complex typed = typedBasePoint(field);
    refuseBasePointOnLocus(state, typed);
    return typed;
}

void Session::showBasePoint() {
    writeBasePointField(formatValue(state.basePoint));
    form.fixBasePoint = true;
    parameterSpace.setParameterPoint(state.basePoint);
}

void Session::replaceFiber(PointList roots) {
    OwnedPolynomial owned(roots);
    OwnedPolynomial sorted(sortLexicographic(owned.get()));
    numberPoints(sorted.get(), 0);
    // A run on the old fiber cannot go on, and what it found (its braid, its
    // end, its warning) no longer describes the traces.
    stopTimer();
    run.work.release();
    run.traceFinished = 0;
    run.relaxedMode = 0;
    run.braidWord.clear();
    run.startFiber.reset();
    state.fiber = std::move(sorted);
    nameFiberPoints();
    traces.resetSolutionTrace(tracePool, state.fiber.get());
    traces.traceStepCount = countSteps(traces.solutionTrace);
    state.replayIndex = 0;
}

void Session::reportStage(int done) const {
    if (progress) progress->reached(done);
}

void Session::computeFiber(PointList roots) {
    replaceFiber(roots);
    traces.resetParameterTrace(tracePool, state.basePoint);
    parameterSpace.clearSelection();
    state.setReplay(1, 0, 0, 0);
    traces.tracingState = tracingFinished;
}

void Session::showFiber() { showFiberLines(form.fiber, state.fiber.get()); }

bool Session::rebuildAutoPaths() {
    try {
        storeAutoPaths(*this);
        return true;
    } catch (const ComputationAbandoned &) {
        return false;
    }
}

bool Session::runPipeline() {
    state.documentName = cutText(form.name, documentNameLimit);
    const int16_t stageBefore = state.stage;
    try {
        reportStage(state.stage);
        if (state.stage == stageNothing) readCurve();
        reportStage(state.stage);
        if (state.stage == stageCurve) computeBranchPolynomial();
        reportStage(state.stage);
        if (state.stage == stageBranchPolynomial) computeBranchLoci();
        reportStage(state.stage);
        if (state.stage == stageBranchLoci) {
            // The fiber is found before the base point is taken: a base
            // point over which it cannot be isolated is never kept.
            const Complex base = chooseBase();
            OwnedPolynomial roots(certifiedFiber(state.exact(), base));
            state.basePoint = base;
            state.hasBasePoint = true;
            showBasePoint();
            computeFiber(roots.release());
            showFiber();
            storeAutoPaths(*this);
            state.stage = stageFiber;
        }
        reportStage(state.stage);
    } catch (const ComputationAbandoned &) {
        keepFinite(*this);
        return false;
    }
    if (state.stage != stageBefore) ++parameterSpace.fitRequest;
    return keepFinite(*this) && state.stage == stageFiber;
}

bool Session::recalculateOverTypedBase() {
    const Complex base = typedBasePoint(cutText(form.basePoint, basePointTextLimit));
    refuseBasePointOnLocus(state, base);
    OwnedPolynomial roots(certifiedFiber(state.exact(), base));
    state.basePoint = base;
    state.hasBasePoint = true;
    writeBasePointField(formatValue(state.basePoint));
    form.fixBasePoint = true;
    parameterSpace.setParameterPoint(state.basePoint);
    replaceFiber(roots.release());
    traces.tracingState = tracingRunning;
    form.fiber.clear();
    showFiber();
    parameterSpace.pathDisplay = pathDisplayAuto;
    return true;
}

bool Session::recalculateFiber() {
    if (state.stage < stageBranchLoci) {
        // Nothing to recalculate yet: complete the missing stages as "Go"
        // does, keeping a base point the user typed for the step below.
        const std::string typed = form.basePoint;
        const bool typedByUser = !form.fixBasePoint && !typed.empty();
        if (!runPipeline()) return false;
        if (!typedByUser) return true;
        form.basePoint = typed;
        form.fixBasePoint = false;
    }
    try {
        if (!form.fixBasePoint) recalculateOverTypedBase();
        if (parameterSpace.pathDisplay != pathDisplayNone) storeAutoPaths(*this);
    } catch (const ComputationAbandoned &) {
        keepFinite(*this);
        return false;
    }
    state.stage = stageFiber;
    ++parameterSpace.fitRequest;
    return keepFinite(*this);
}

}  // namespace quorvel
