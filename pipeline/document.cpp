#include "pipeline/document.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

#include "engine/calculus.h"
#include "engine/error.h"
#include "engine/exact.h"
#include "engine/points.h"
#include "engine/polytext.h"
#include "pipeline/base_point_reading.h"
#include "pipeline/finite_state.h"
#include "pipeline/session.h"
#include "pipeline/tracer.h"

namespace quorvel {

// ---- reading lines ---------------------------------------------------------------

DocumentReader::DocumentReader(std::string bytes) : bytes_(std::move(bytes)) {}

bool DocumentReader::readLine(std::string &line) {
    line.clear();
    while (position_ < bytes_.size()) {
        const auto byte = static_cast<unsigned char>(bytes_[position_++]);
        if (byte == '\r') return true;
        if (byte < 32 || byte > 127) continue;
        line.push_back(static_cast<char>(byte));
        if (line.size() > documentLineLimit) {
            // Too long a line reads as the end of the file, and stays so.
            position_ = bytes_.size();
            line.clear();
            return false;
        }
    }
    // A last line without its CR is not delivered.
    line.clear();
    return false;
}

bool DocumentReader::findSection(std::string_view tag) {
    position_ = 0;
    std::string line;
    while (readLine(line))
        if (line.size() >= tag.size() && std::string_view(line).substr(0, tag.size()) == tag) return true;
    return false;
}

bool DocumentReader::readReal(double &value) {
    std::string line;
    if (!readLine(line)) return false;
    const double v = std::strtod(line.c_str(), nullptr);
    value = std::isfinite(v) ? v : 0.0;
    return true;
}

bool DocumentReader::readCount(int &count) {
    std::string line;
    if (!readLine(line)) return false;
    const long v = std::strtol(line.c_str(), nullptr, 10);
    if (v > INT_MAX)
        count = INT_MAX;
    else if (v < INT_MIN)
        count = INT_MIN;
    else
        count = static_cast<int>(v);
    return true;
}

bool DocumentReader::readPoint(Complex &value) {
    double re = 0.0;
    double im = 0.0;
    if (!readReal(re) || !readReal(im)) return false;
    value = Complex(re, im);
    return true;
}

// ---- writing -----------------------------------------------------------------------

namespace {

void putLine(std::string &out, std::string_view text) {
    out.append(text);
    out += "\r\n";
}

// A text line of the file: a CR or LF inside it would split it (and could
// forge a section), and the polynomial parser ignores them anyway.
void putText(std::string &out, const std::string &text) {
    for (char c : text)
        if (c != '\r' && c != '\n') out.push_back(c);
    out += "\r\n";
}

// A real written so that reading gives it back: "%+f" when that keeps it,
// else every digit ("%+.17g", which every reader's strtod takes as well).
void putExactReal(std::string &out, double v) {
    const std::string text = formatReal(v);
    if (std::strtod(text.c_str(), nullptr) == v) {
        putLine(out, text);
        return;
    }
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%+.17g", v);
    putLine(out, buffer);
}

void putCount(std::string &out, long long n) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%lld", n);
    putLine(out, buffer);
}

// Every number of a document reads back as the double written: the loci,
// the fiber and the traces as much as the base point.
void putPoint(std::string &out, Complex z) {
    putExactReal(out, z.re);
    putExactReal(out, z.im);
}

// The records of a point list in list order.
std::vector<const Term *> inListOrder(const Term *list) {
    std::vector<Term *> byPosition;
    recordsByPosition(const_cast<Term *>(list), byPosition);
    return std::vector<const Term *>(byPosition.rbegin(), byPosition.rend());
}

void putPoints(std::string &out, const Term *list) {
    for (const Term *p : inListOrder(list)) putPoint(out, p->coef);
}

}  // namespace

std::string writeSections(const Session &session) {
    const CurveState &s = session.state;
    std::string out;
    if (s.stage >= stageCurve) {
        putLine(out, tagPolynomial);
        putText(out, s.polynomialText);
        putLine(out, tagDegenerateLoci);
        putCount(out, countPoints(s.degenerateLoci.get()));
        putPoints(out, s.degenerateLoci.get());
    }
    if (s.stage >= stageBranchPolynomial) {
        putLine(out, tagBranchPolynomial);
        putText(out, s.branchPolynomialText);
    }
    if (s.stage >= stageBranchLoci) {
        putLine(out, tagBranchLoci);
        putCount(out, countPoints(s.branchLoci.get()));
        putPoints(out, s.branchLoci.get());
    }
    if (s.stage >= stageFiber) {
        putLine(out, tagParameterBase);
        // The loops and the fiber are computed from the base point itself,
        // so a document keeps all of it (5e-7 is not +0.000000).
        putPoint(out, s.basePoint);
        putLine(out, tagFiber);
        // The degree of the curve in the fiber variable, not the number of
        // points: merged (multiple) fiber points make it the larger.
        putCount(out, degree(s.curve.get()));
        putPoints(out, s.fiber.get());
    }
    return out;
}

std::string writeTraces(const Session &session) {
    const Traces &t = session.traces;
    std::string out;
    putLine(out, tagParameterTrace);
    putCount(out, countRecords(t.parameterTrace));
    for (const TraceRecord *r = t.parameterTrace; r; r = r->next) putPoint(out, r->value);
    putLine(out, tagSolutionTrace);
    putCount(out, countSteps(t.solutionTrace));
    for (const TraceRecord *r = t.solutionTrace; r; r = r->next) {
        putPoint(out, r->value);
        putCount(out, r->number);
    }
    return out;
}

// ---- reading the sections --------------------------------------------------------

bool isTwoLetterCurve(const Term *parsed) {
    return parsed->var[0] != '?' && parsed->var[1] != '?' && parsed->var[2] == '?';
}

namespace {

// A flat point list built in reading order, point k numbered k.
class LoadedPoints {
public:
    void append(Complex value) {
        Term *p = newPoint(value);
        p->exp[0] = count_++;
        if (tail_)
            tail_->next = p;
        else
            head_.reset(p);
        tail_ = p;
    }
    const Term *list() const { return head_.get(); }

private:
    OwnedPolynomial head_;
    Term *tail_ = nullptr;
    int count_ = 0;
};

// Reads `count` points (none for a count below 1). False when the file
// ends before the last of them.
bool readPoints(DocumentReader &reader, int count, LoadedPoints &points) {
    for (int k = 0; k < count; ++k) {
        Complex v;
        if (!reader.readPoint(v)) return false;
        points.append(v);
    }
    return true;
}

class SectionLoader {
public:
    SectionLoader(Session &session, DocumentReader &reader, bool window)
        : s_(session), state_(session.state), reader_(reader), window_(window) {}

    // False when the file's polynomial was refused (nothing changed).
    bool run() {
        try {
            if (!readPolynomial()) return false;
            readDegenerateLoci();
            if (!readBranchPolynomial()) return true;
            readBaseIfThere();
            if (!readBranchLoci()) return true;
            if (!readBase()) return true;
            if (!readFiber()) return true;
            if (s_.rebuildAutoPaths()) state_.stage = stageFiber;
        } catch (const ComputationAbandoned &) {
            // The message was shown; every value held so far is whole, and
            // the stage names the last step that completed.
            if (degenerateLociPending_ && state_.stage == stageCurve) state_.stage = stageNothing;
            return curveTaken_;
        }
        return true;
    }

private:
    void showBase() {
        state_.basePoint = base_;
        state_.hasBasePoint = true;
        if (window_) {
            s_.form.basePoint = formatValue(base_);
            s_.basePointEdited();
            s_.form.fixBasePoint = true;
        }
        s_.parameterSpace.setParameterPoint(base_);
    }

    bool readPolynomial() {
        std::string line;
        if (!reader_.findSection(tagPolynomial) || !reader_.readLine(line)) return false;
        Letters letters = unsetLetters;
        ExactPolynomial exact = parseExactPolynomial(line, letters);
        OwnedPolynomial parsed(roundedPolynomial(exact));
        // Not a curve in two letters: the load changes nothing, so the
        // stage kept stays true of the curve kept.
        if (!isTwoLetterCurve(parsed.get())) return false;
        // Nothing of the old curve stays on show, and a run on it stops.
        s_.clearPlanes();
        curveTaken_ = true;
        state_.polynomialText = cutText(line, polynomialTextLimit);
        state_.exactCurve = std::move(exact);
        state_.curve = std::move(parsed);
        state_.stage = stageCurve;
        degenerateLociPending_ = true;
        if (window_) {
            s_.form.polynomial = state_.polynomialText;
            s_.polynomialEdited();
        }
        return true;
    }

    // The stored degenerate loci are not read: they are computed anew from
    // the curve, exactly and certified, as "Go" computes them.
    void readDegenerateLoci() {
        OwnedPolynomial leading(leadingCoefficientOf(state_.curve.get()));
        OwnedPolynomial loci;
        if (degree(leading.get()) > 0) loci.reset(certifiedDegenerateLoci(state_.exact()));
        state_.leadingCoefficient = std::move(leading);
        state_.degenerateLoci = std::move(loci);
        degenerateLociPending_ = false;
    }

    // The stored line only says that the branch polynomial was computed: a
    // line cut at the document's line length, or one that does not belong
    // to this curve, is never trusted. The polynomial is the curve's exact
    // resultant.
    bool readBranchPolynomial() {
        std::string line;
        if (!reader_.findSection(tagBranchPolynomial) || !reader_.readLine(line)) return false;
        OwnedPolynomial exact(exactBranchPolynomial(state_.exact()));
        if (degree(exact.get()) <= 0) return false;
        std::string text = printPolynomial(exact.get());
        state_.branchPolynomial = std::move(exact);
        state_.branchPolynomialText = text;
        if (window_) s_.form.branchPolynomial = text;
        state_.stage = stageBranchPolynomial;
        return true;
    }

    // The first reading of the base point: shown at once, though the branch
    // loci below move it to their centre again.
    void readBaseIfThere() {
        std::string message;
        if (readStoredBase(message) == StoredBase::read) showBase();
    }

    enum class StoredBase { missing, refused, read };
    // The two lines of "*parameterbase", read as every base point is read
    // (a stored 1e999 or nan is refused, never taken as 0).
    StoredBase readStoredBase(std::string &message) {
        std::string re, im;
        if (!reader_.findSection(tagParameterBase) || !reader_.readLine(re) || !reader_.readLine(im))
            return StoredBase::missing;
        return readBasePointLines(re, im, base_, message) ? StoredBase::read : StoredBase::refused;
    }

    bool readBranchLoci() {
        int count = 0;
        if (!reader_.findSection(tagBranchLoci) || !reader_.readCount(count)) return false;
        LoadedPoints points;
        if (!readPoints(reader_, count, points)) return false;
        const ExactPolynomial curve = state_.exact();
        OwnedPolynomial found(certifiedBranchLoci(curve));
        identifyDegenerateLoci(curve, state_.degenerateLoci.get(), found.get());
        // The base point "Go" would choose; the stored one, read below,
        // replaces it.
        base_ = chooseBasePoint(found.get(), state_.degenerateLoci.get());
        state_.basePoint = base_;
        state_.hasBasePoint = true;
        OwnedPolynomial sorted(sortAround(found.get(), base_));
        s_.parameterSpace.setBranchLoci(sorted.get());
        state_.branchLoci = std::move(sorted);
        if (window_) showLociLines(s_.form.branchLoci, state_.branchLoci.get(), state_.degenerateLoci.get());
        state_.stage = stageBranchLoci;
        return true;
    }

    bool readBase() {
        std::string message;
        const StoredBase stored = readStoredBase(message);
        // The load stops at the branch loci, and says why.
        if (stored == StoredBase::refused) showError(message, basePointRemedy);
        if (stored != StoredBase::read) return false;
        showBase();
        return true;
    }

    bool readFiber() {
        int count = 0;
        if (!reader_.findSection(tagFiber) || !reader_.readCount(count)) return false;
        LoadedPoints points;
        if (!readPoints(reader_, count, points)) return false;
        OwnedPolynomial found(certifiedFiber(state_.exact(), state_.basePoint));
        OwnedPolynomial sorted(sortLexicographic(found.get()));
        numberPoints(sorted.get(), 0);
        // As "Go" computes a fiber: a run on the old one cannot go on, and
        // both traces restart at the new fiber and the base point.
        s_.stopTimer();
        s_.run.work.release();
        s_.run.startFiber.reset();
        state_.fiber = std::move(sorted);
        s_.nameFiberPoints();
        Traces &traces = s_.traces;
        traces.resetParameterTrace(s_.tracePool, state_.basePoint);
        s_.parameterSpace.clearSelection();
        traces.resetSolutionTrace(s_.tracePool, state_.fiber.get());
        // One step, or none when no fiber could be found (a curve in three
        // letters has no roots to find).
        traces.traceStepCount = countSteps(traces.solutionTrace);
        state_.replayIndex = 0;
        state_.setReplay(1, 0, 0, 0);
        traces.tracingState = tracingFinished;
        if (window_) showFiberLines(s_.form.fiber, state_.fiber.get());
        return true;
    }

    Session &s_;
    CurveState &state_;
    DocumentReader &reader_;
    bool window_;
    // The curve was replaced but its leading coefficient not yet.
    bool degenerateLociPending_ = false;
    bool curveTaken_ = false;
    Complex base_;
};

// One record of "*solutiontrace" as read.
struct SolutionRecord {
    Complex value;
    long number = 0;
};

// The length of the longest prefix of whole steps: every step numbered
// 0, 1, ... s - 1 in order, s the length of the first step (1 <= s <= limit).
size_t wholeSteps(const std::vector<SolutionRecord> &records, long limit) {
    size_t stepSize = 0;
    while (stepSize < records.size() && records[stepSize].number == static_cast<long>(stepSize) &&
           static_cast<long>(stepSize) < limit)
        ++stepSize;
    if (stepSize == 0) return 0;
    size_t kept = stepSize;
    for (;;) {
        if (kept + stepSize > records.size()) return kept;
        for (size_t k = 0; k < stepSize; ++k)
            if (records[kept + k].number != static_cast<long>(k)) return kept;
        kept += stepSize;
    }
}

}  // namespace

std::string documentProblem(const std::string &bytes) {
    if (bytes.empty()) return "the file is empty";
    if (bytes.find('\r') == std::string::npos && bytes.find('\n') != std::string::npos)
        return "its lines end with LF alone, where a document's lines end with CR LF";
    // The lines as the reader sees them, up to the polynomial line.
    size_t lineNumber = 0;
    size_t kept = 0;
    std::string line;
    bool tagSeen = false;
    for (size_t i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (byte != '\r') {
            if (byte >= 32 && byte <= 127 && ++kept <= documentLineLimit) line.push_back(static_cast<char>(byte));
            if (kept > documentLineLimit)
                return "its line " + std::to_string(lineNumber + 1) + " is longer than " +
                       std::to_string(documentLineLimit) + " characters";
            continue;
        }
        ++lineNumber;
        if (tagSeen) {
            Letters letters = unsetLetters;
            try {
                OwnedPolynomial p(parsePolynomial(line, letters));
            } catch (const ComputationAbandoned &) {
                return "its polynomial line " + std::to_string(lineNumber) + " cannot be read";
            }
            if (letters[0] == '?' || letters[1] == '?')
                return "its polynomial (line " + std::to_string(lineNumber) + ") has fewer than 2 variables";
            if (letters[2] != '?')
                return "its polynomial (line " + std::to_string(lineNumber) + ") has more than 2 variables";
            return "";
        }
        tagSeen = std::string_view(line).substr(0, tagPolynomial.size()) == tagPolynomial;
        line.clear();
        kept = 0;
    }
    if (tagSeen) return "it ends before the line after \"*polynomial\" is complete";
    return "it has no \"*polynomial\" section";
}

bool readSections(Session &session, DocumentReader &reader, bool withMainWindow) {
    const bool taken = SectionLoader(session, reader, withMainWindow).run();
    keepFinite(session);
    return taken;
}

namespace {

// Reads the trace sections into the traces; see readTraceSections. Sets
// `replaced` once the held traces were given up.
bool readTraces(Session &session, DocumentReader &reader, bool &replaced) {
    Traces &traces = session.traces;
    TracePool &pool = session.tracePool;
    CurveState &state = session.state;
    int count = 0;
    if (!reader.findSection(tagParameterTrace) || !reader.readCount(count)) return false;

    // A run cannot go on over traces that are replaced under it.
    replaced = true;
    session.stopTimer();
    session.run.work.release();
    session.run.startFiber.reset();
    state.replayIndex = 0;
    pool.freeTrace(traces.parameterTrace);
    traces.parameterTrace = nullptr;
    TraceRecord **slot = &traces.parameterTrace;
    bool whole = true;
    for (int k = 0; k < count; ++k) {
        Complex v;
        if (!reader.readPoint(v)) {
            whole = false;
            break;
        }
        *slot = pool.allocTraceRecord(v);
        slot = &(*slot)->next;
    }
    // Every replay reads a parameter record: the trace never stays empty.
    if (!traces.parameterTrace) traces.parameterTrace = pool.allocTraceRecord(state.basePoint);
    // Without its solution trace a parameter trace is no run: the solution
    // trace is the fiber alone, never the steps of an earlier run.
    const auto fiberAlone = [&] {
        traces.resetSolutionTrace(pool, state.fiber.get());
        traces.traceStepCount = countSteps(traces.solutionTrace);
        return false;
    };
    if (!whole) return fiberAlone();

    if (!reader.findSection(tagSolutionTrace) || !reader.readCount(count)) return fiberAlone();
    const long long strands = degree(state.curve.get());
    const long long wanted = strands > 0 && count > 0 ? strands * count : 0;
    std::vector<SolutionRecord> records;
    for (long long k = 0; k < wanted; ++k) {
        SolutionRecord r;
        int number = 0;
        if (!reader.readPoint(r.value) || !reader.readCount(number)) {
            whole = false;
            break;
        }
        r.number = number;
        records.push_back(r);
    }
    // Numbers are kept in 16 bits and must name strands of the curve.
    const long limit = static_cast<long>(std::min<long long>(strands, INT16_MAX));
    const size_t kept = wholeSteps(records, limit);
    pool.freeTrace(traces.solutionTrace);
    traces.solutionTrace = nullptr;
    slot = &traces.solutionTrace;
    for (size_t k = 0; k < kept; ++k) {
        *slot = pool.allocTraceRecord(records[k].value);
        (*slot)->number = static_cast<int16_t>(records[k].number);
        slot = &(*slot)->next;
    }
    if (!traces.solutionTrace) traces.resetSolutionTrace(pool, state.fiber.get());
    traces.traceStepCount = countSteps(traces.solutionTrace);
    return whole && kept == records.size();
}

}  // namespace

bool readTraceSections(Session &session, DocumentReader &reader) {
    bool replaced = false;
    const bool whole = readTraces(session, reader, replaced);
    if (!replaced) return false;
    // Whatever was read is a finished run to replay from its start, with
    // the path it followed drawn instead of loops, and Braid Information
    // reads its braid and checks from its own steps.
    session.traces.tracingState = tracingFinished;
    session.state.setReplay(1, 0, 0, 0);
    session.parameterSpace.pathDisplay = pathDisplayNone;
    session.parameterSpace.setParameterPoint(session.traces.parameterTrace->value);
    judgeLoadedTraces(session);
    return whole;
}


}  // namespace quorvel
