// Session: every long-lived object of one run of the program — the
// computation record, the main form, the two plane-window states and the
// record pools — with the main window's commands as headless functions.
// The application owns one; each test makes its own.
#pragma once

#include <memory>
#include <string>

#include "pipeline/curve_state.h"
#include "pipeline/main_form.h"
#include "tracing/paths.h"
#include "tracing/traces.h"
#include "pipeline/tracing_run.h"
#include "tracing/view_state.h"

namespace quorvel {

// Go's progress: after each of its stages (the curve read, the branch
// polynomial, the certified loci, the fiber with its loops) the number of
// stages done. The main window shows it in its two bars.
class GoProgress {
public:
    static constexpr int stages = stageFiber;
    virtual ~GoProgress() = default;
    virtual void reached(int done) = 0;
};

class Session {
public:
    // Starts from a fresh term pool, as the program does at start-up.
    Session();
    ~Session();
    Session(const Session &) = delete;
    Session &operator=(const Session &) = delete;

    CurveState state;
    MainForm form;
    SegmentPool segmentPool;
    TracePool tracePool;
    Traces traces;
    ParameterSpaceState parameterSpace;
    TracingRun run;
    // Where Go reports the stages it has finished; none when headless.
    GoProgress *progress = nullptr;
    // The curve expanded about a point, for the tracer's charts near
    // clusters of loci: each chart made once for the curve held now (an
    // empty chart when it cannot be made).
    ChartMaker charts();

    // ---- commands of the main form ---------------------------------------
    // "Go": advances the stage from where it is to 4. Returns true when
    // stage 4 was reached. A computation abandoned after a message leaves
    // every held value as it was before that step.
    bool runPipeline();
    // Every change of the polynomial field.
    void polynomialEdited();
    // Every change of the base point field.
    void basePointEdited();
    // "Re-calculate the fiber over base point". Below stage 3 it first
    // completes the missing stages as "Go" does, then recalculates over the
    // base point the user typed (when one was typed).
    bool recalculateFiber();
    // "Clear All".
    void clearAll();
    // "Don't check whether a branch point".
    void toggleDontCheck();

    // ---- the user typing into fields -------------------------------------
    // A text longer than polynomialTextLimit bytes is refused with a
    // message and changes nothing (false).
    bool typePolynomial(const std::string &text);
    void typeName(const std::string &text);
    void typeBasePoint(const std::string &text);
    void setFixBasePoint(bool checked) { form.fixBasePoint = checked; }

    // Tracing runs stop (the window's timer) and the state that depends on
    // the fiber is reset; used by the pipeline and the file loads.
    void stopTimer() { parameterSpace.timerRunning = false; }
    // The curve held is given up (an edit, Clear All, a load of another
    // curve): nothing the planes or Braid Information read may still show
    // it. A run stops; the loci, the loops, the user's path, the marker,
    // the fiber, the traces, the braid and the verdict go.
    void clearPlanes();

    // Work that no document holds: the polynomial typed, the stages
    // computed or the traces of a run differ from what was last saved or
    // loaded (or from an empty session). Saves and loads call markSaved;
    // a save without the traces leaves a run's traces unsaved.
    bool hasUnsavedWork() const;
    void markSaved(bool withTraces = true) { savedWork_ = workFingerprint(withTraces); }

    // Names the points of the fiber "1", "2", ... "99", "0", "1", ... in
    // number order.
    void nameFiberPoints();
    // Rebuilds the auto-mode loops from the held lists and hands them to the
    // Parameter Space state. Returns false when they could not be built.
    bool rebuildAutoPaths();

private:
    // What a save with traces would keep, with the typed polynomial.
    std::string workFingerprint(bool withTraces = true) const;
    std::string savedWork_;

    struct ChartCache;
    std::shared_ptr<ChartCache> chartCache_;

    // Writes field 1000 as the program does (fires polynomialEdited).
    void writePolynomialField(const std::string &text);
    // Writes field 1036 as the program does (fires basePointEdited).
    void writeBasePointField(const std::string &text);

    void readCurve();
    void computeBranchPolynomial();
    void computeBranchLoci();
    // The base point "Go" takes: the one held, else the one typed, else
    // one chosen from the loci.
    Complex chooseBase() const;
    void showBasePoint();
    // Takes the roots of the fiber over the base point (owned), sorts and
    // names them, and resets the solution trace to them.
    void replaceFiber(PointList roots);
    void computeFiber(PointList roots);
    // A root search has ended: the "- log (difference)" bar shows it.
    void reportStage(int done) const;
    void showFiber();
    bool recalculateOverTypedBase();
    void letters(char &fiber, char &parameter) const;
};

}  // namespace quorvel
