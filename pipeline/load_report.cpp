#include "pipeline/load_report.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "engine/error.h"
#include "engine/points.h"
#include "engine/polytext.h"
#include "pipeline/base_point_reading.h"
#include "pipeline/session.h"

namespace quorvel {

namespace {

std::string quoted(std::string_view tag) { return "\"" + std::string(tag) + "\""; }

// Bytes a text document never holds: control bytes other than TAB, LF, CR.
bool looksBinary(const std::string &bytes) {
    const auto odd = std::count_if(bytes.begin(), bytes.end(), [](char c) {
        const auto b = static_cast<unsigned char>(c);
        return (b < 32 && b != '\t' && b != '\n' && b != '\r') || b == 127;
    });
    return odd * 20 > static_cast<long>(bytes.size());
}

// The text parses as a polynomial in two letters. Parsed quietly: the load
// has already told the user whatever the parser had to say.
bool isCurve(const std::string &text) {
    ErrorHandler previous = setErrorHandler([](const std::string &, const std::string &) {});
    bool curve = false;
    try {
        Letters letters = unsetLetters;
        OwnedPolynomial parsed(parsePolynomial(text, letters));
        curve = isTwoLetterCurve(parsed.get());
    } catch (const ComputationAbandoned &) {
        curve = false;
    }
    setErrorHandler(std::move(previous));
    return curve;
}

// Reads `count` points; answers how many were there.
int pointsThere(DocumentReader &reader, int count) {
    int k = 0;
    Complex v;
    while (k < count && reader.readPoint(v)) ++k;
    return k;
}

class Checker {
public:
    Checker(const std::string &bytes, const Session &session) : reader_(bytes), session_(session) {}

    std::vector<std::string> notices;

    // False when nothing more of the file can be read.
    bool polynomial(const std::string &bytes, bool loaded) {
        if (bytes.empty()) return stop("The file is empty: nothing was loaded.");
        if (!reader_.findSection(tagPolynomial)) {
            if (bytes.find('\r') == std::string::npos && bytes.find('\n') != std::string::npos)
                return stop("Its lines end with LF alone, where a document's lines end with CR LF, so no "
                            "section was found: nothing was loaded.");
            if (looksBinary(bytes)) return stop("It is not a Quorvel document: nothing was loaded.");
            return stop("It has no " + quoted(tagPolynomial) + " section: nothing was loaded.");
        }
        std::string line;
        if (!reader_.readLine(line))
            return stop("The " + quoted(tagPolynomial) + " section ends before its polynomial: nothing was loaded.");
        const bool accepted = loaded ? cutText(line, polynomialTextLimit) == session_.state.polynomialText
                                     : isCurve(line);
        if (!accepted)
            return stop("The polynomial \"" + line + "\" is not a curve in two letters: nothing was loaded.");
        expected_ = stageCurve;
        return true;
    }

    // The sections from the branch polynomial to the fiber, each needed by
    // the next.
    void sections() {
        const std::string rest = "so the branch loci, the base point and the fiber were not loaded.";
        if (!present(tagBranchPolynomial, rest)) return;
        std::string line;
        if (!reader_.readLine(line)) return shortSection(tagBranchPolynomial, rest);
        expected_ = stageBranchPolynomial;
        if (!present(tagBranchLoci, "so the base point and the fiber were not loaded.")) return;
        if (!points(tagBranchLoci, "the branch loci, the base point and the fiber were not loaded.")) return;
        expected_ = stageBranchLoci;
        if (!present(tagParameterBase, "so the fiber was not loaded.")) return;
        std::string re, im, message;
        if (!reader_.readLine(re) || !reader_.readLine(im))
            return shortSection(tagParameterBase, "so the fiber was not loaded.");
        Complex base;
        if (!readBasePointLines(re, im, base, message)) return notices.push_back(message + " The fiber was not loaded.");
        if (!present(tagFiber, "so the fiber was not loaded.", true)) return;
        if (!points(tagFiber, "the fiber was not loaded.")) return;
        expected_ = stageFiber;
    }

    // Below the stage the sections promise, the curve itself stopped the
    // load (its message, if any, was shown then).
    void stage() {
        if (!notices.empty() || expected_ <= stageCurve || session_.state.stage >= expected_) return;
        static const char *what[] = {"", "", "the branch polynomial", "the branch loci", "the fiber"};
        const int failed = std::max(session_.state.stage + 1, static_cast<int>(stageBranchPolynomial));
        notices.push_back("The file's sections are whole, but " + std::string(what[failed]) +
                          " could not be computed from its curve, so the load stopped there.");
    }

    void traces() {
        const std::string partly = "the traces were loaded only in part.";
        int count = 0;
        if (!reader_.findSection(tagParameterTrace) || !reader_.readCount(count))
            return notices.push_back("The " + quoted(tagParameterTrace) + " section is missing or empty: the traces were not loaded.");
        const int there = pointsThere(reader_, count);
        if (there < count)
            return notices.push_back("The " + quoted(tagParameterTrace) + " section ends after " + std::to_string(there) +
                                     " of its " + std::to_string(count) + " points: " + partly);
        int steps = 0;
        if (!reader_.findSection(tagSolutionTrace) || !reader_.readCount(steps))
            return notices.push_back("The " + quoted(tagSolutionTrace) + " section is missing: the solution trace was not loaded.");
        if (session_.traces.traceStepCount < steps)
            notices.push_back("The " + quoted(tagSolutionTrace) + " section holds " +
                              std::to_string(session_.traces.traceStepCount) + " whole steps of the " +
                              std::to_string(steps) + " it announces: " + partly);
    }

    // Numbers that are not finite (nan, inf, beyond the doubles): the reader
    // takes each as 0, and the user is told where (a base point excepted,
    // which is refused with its own message).
    void nonFinite(const std::string &bytes) {
        DocumentReader reader(bytes);
        std::string line;
        int lineNumber = 0, first = 0, count = 0;
        bool textLine = false;  // the line after a tag that holds text
        int baseLines = 0;      // the base point is refused, never read as 0
        while (reader.readLine(line)) {
            ++lineNumber;
            const bool text = textLine || baseLines-- > 0;
            textLine = line.rfind(tagPolynomial, 0) == 0 || line.rfind(tagBranchPolynomial, 0) == 0;
            if (line.rfind(tagParameterBase, 0) == 0) baseLines = 2;
            if (text || line.empty() || line[0] == '*') continue;
            char *end = nullptr;
            const double v = std::strtod(line.c_str(), &end);
            if (end == line.c_str() || std::isfinite(v)) continue;
            if (count++ == 0) first = lineNumber;
        }
        if (count == 0) return;
        notices.push_back("Its line " + std::to_string(first) +
                          (count > 1 ? " and " + std::to_string(count - 1) + " more lines hold" : " holds") +
                          " a number that is not finite (nan, inf or beyond the doubles): read as 0.");
    }

private:
    bool stop(std::string text) {
        notices.push_back(std::move(text));
        return false;
    }

    bool later(std::string_view after) {
        static constexpr std::string_view order[] = {tagBranchPolynomial, tagBranchLoci, tagParameterBase, tagFiber};
        bool seen = false;
        for (std::string_view tag : order) {
            if (seen && reader_.findSection(tag)) return true;
            seen = seen || tag == after;
        }
        return false;
    }

    // A missing section is a lower stage's document unless a later section
    // is there; then it was lost.
    bool present(std::string_view tag, const std::string &consequence, bool needed = false) {
        if (reader_.findSection(tag)) return true;
        if (needed || later(tag))
            notices.push_back("The " + quoted(tag) + " section is missing, " + consequence);
        return false;
    }

    void shortSection(std::string_view tag, const std::string &consequence) {
        notices.push_back("The " + quoted(tag) + " section ends early, " + consequence);
    }

    // A count and that many points, after the tag just found.
    bool points(std::string_view tag, const std::string &consequence) {
        int count = 0;
        if (!reader_.readCount(count)) {
            shortSection(tag, "so " + consequence);
            return false;
        }
        const int there = pointsThere(reader_, count);
        if (there == count) return true;
        notices.push_back("The " + quoted(tag) + " section ends after " + std::to_string(there) + " of its " +
                          std::to_string(count) + " points: " + consequence);
        return false;
    }

    DocumentReader reader_;
    const Session &session_;
    int16_t expected_ = stageNothing;
};

bool readBytes(const std::string &path, std::string &bytes) {
    std::string reason;
    return readDocumentFile(path, bytes, reason);
}

// Notes the answer to "another polynomial" on its way through.
class NotingQuestions : public LoadQuestions {
public:
    explicit NotingQuestions(LoadQuestions &inner) : inner_(inner) {}
    bool loadTraces() override { return traces = inner_.loadTraces(); }
    bool loadAnotherPolynomial() override {
        asked = true;
        return another = inner_.loadAnotherPolynomial();
    }
    bool traces = false;
    bool asked = false;
    bool another = false;

private:
    LoadQuestions &inner_;
};


}  // namespace

std::vector<std::string> unloadedParts(const std::string &bytes, const Session &session, bool sectionsWanted,
                                       bool tracesWanted) {
    Checker check(bytes, session);
    if (!check.polynomial(bytes, sectionsWanted)) return check.notices;
    if (sectionsWanted) {
        check.sections();
        check.stage();
    }
    if (tracesWanted) check.traces();
    check.nonFinite(bytes);
    return check.notices;
}

void showHeldStateInForm(Session &session) {
    const CurveState &s = session.state;
    MainForm &f = session.form;
    f.polynomial = s.polynomialText;
    f.name = s.documentName;
    f.fiberLetter = std::string(1, s.stage >= stageCurve ? s.fiberVariable() : '?');
    f.parameterLetter = std::string(1, s.stage >= stageCurve ? s.parameter() : '?');
    f.branchPolynomial = s.stage >= stageBranchPolynomial ? s.branchPolynomialText : std::string();
    showLociLines(f.branchLoci, s.stage >= stageBranchLoci ? s.branchLoci.get() : nullptr,
                  s.degenerateLoci.get());
    f.basePoint = s.stage >= stageBranchLoci ? formatValue(s.basePoint) : std::string();
    f.fixBasePoint = true;
    showFiberLines(f.fiber, s.stage >= stageFiber ? s.fiber.get() : nullptr);
}

LoadOutcome loadDocumentReporting(Session &session, const std::string &path, LoadQuestions &questions) {
    LoadOutcome out;
    NotingQuestions noting(questions);
    out.read = loadDocument(session, path, noting);
    std::string bytes;
    if (out.read && readBytes(path, bytes)) out.notices = unloadedParts(bytes, session, true, noting.traces);
    return out;
}

LoadOutcome loadTracesReporting(Session &session, const std::string &path, LoadQuestions &questions) {
    LoadOutcome out;
    NotingQuestions noting(questions);
    const Term *before = session.state.curve.get();
    out.read = loadTracesFromFile(session, path, noting);
    if (!out.read) return out;
    // The curve is replaced only when the file's polynomial is one (a new
    // curve is taken before the old one is released, so it never has the
    // old one's place).
    out.anotherPolynomial = noting.another && session.state.curve.get() != before;
    if (out.anotherPolynomial) {
        session.state.documentName = cutText(fileNameOf(path), documentNameLimit);
        showHeldStateInForm(session);
    }
    // "Abort loading file" loads nothing, on purpose.
    if (noting.asked && !noting.another) return out;
    std::string bytes;
    if (readBytes(path, bytes)) out.notices = unloadedParts(bytes, session, noting.another, true);
    return out;
}

}  // namespace quorvel
