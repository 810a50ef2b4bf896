#include <gtest/gtest.h>

#include <algorithm>
#include <sys/stat.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "engine/calculus.h"
#include "engine/points.h"
#include "engine/univariate.h"
#include "pipeline/document.h"
#include "pipeline/session.h"
#include "pipeline/tracer.h"
#include "support/recording_errors.h"
#include "tracing/braid.h"

namespace quorvel {
namespace {

namespace fs = std::filesystem;

class Answers : public LoadQuestions {
public:
    explicit Answers(bool traces = true, bool another = true) : traces_(traces), another_(another) {}
    bool loadTraces() override {
        ++tracesAsked;
        return traces_;
    }
    bool loadAnotherPolynomial() override {
        ++anotherAsked;
        return another_;
    }
    int tracesAsked = 0;
    int anotherAsked = 0;

private:
    bool traces_;
    bool another_;
};

std::vector<Complex> values(const Term *list) {
    std::vector<Complex> out;
    for (const Term *p = list; p; p = p->next) out.push_back(p->coef);
    return out;
}

void expectNear(const std::vector<Complex> &a, const std::vector<Complex> &b, const std::string &what) {
    ASSERT_EQ(a.size(), b.size()) << what;
    for (size_t i = 0; i < a.size(); ++i) {
        EXPECT_NEAR(a[i].re, b[i].re, 1e-6) << what << " " << i;
        EXPECT_NEAR(a[i].im, b[i].im, 1e-6) << what << " " << i;
    }
}

// What a document holds, taken from a session that may be gone before the
// next one is made (every Session starts from a fresh term pool).
struct Snapshot {
    int stage = 0;
    std::string polynomial, branch, names;
    char fiberLetter = '?', parameterLetter = '?';
    std::vector<Complex> degenerate, loci, fiber, parameterTrace, solutionTrace;
    std::vector<int> numbers;
    Complex base;
    int steps = 0;

    explicit Snapshot(const Session &s) {
        const CurveState &c = s.state;
        stage = c.stage;
        polynomial = c.polynomialText;
        branch = c.branchPolynomialText;
        fiberLetter = c.fiberVariable();
        parameterLetter = c.parameter();
        degenerate = values(c.degenerateLoci.get());
        loci = values(c.branchLoci.get());
        fiber = values(c.fiber.get());
        for (const Term *p = c.fiber.get(); p; p = p->next) names += std::string(pointName(p)) + ",";
        base = c.basePoint;
        for (const TraceRecord *r = s.traces.parameterTrace; r; r = r->next) parameterTrace.push_back(r->value);
        for (const TraceRecord *r = s.traces.solutionTrace; r; r = r->next) {
            solutionTrace.push_back(r->value);
            numbers.push_back(r->number);
        }
        steps = s.traces.traceStepCount;
    }
};

// The promises a load keeps however the file looks: what the stage claims
// is there, the traces are whole steps counted by traceStepCount, and the
// pools hold exactly what the session owns.
void expectConsistent(Session &s) {
    const CurveState &c = s.state;
    EXPECT_TRUE(c.stage < stageCurve || (c.fiberVariable() != '?' && c.parameter() != '?'));
    EXPECT_TRUE(c.stage < stageBranchPolynomial || degree(c.branchPolynomial.get()) > 0);
    EXPECT_TRUE(c.stage < stageBranchLoci || countPoints(c.branchLoci.get()) >= 1);
    EXPECT_TRUE(c.stage < stageFiber || countPoints(c.fiber.get()) >= 1);
    const Traces &t = s.traces;
    EXPECT_EQ(t.traceStepCount, countSteps(t.solutionTrace));
    int stepSize = 0;
    int k = 0;
    for (const TraceRecord *r = t.solutionTrace; r; r = r->next, ++k) {
        if (r->number == 0 && k > 0 && stepSize == 0) stepSize = k;
        EXPECT_EQ(r->number, stepSize > 0 ? k % stepSize : k);
    }
    EXPECT_TRUE(stepSize == 0 || k % stepSize == 0);
    EXPECT_EQ(s.tracePool.recordsInUse(), countRecords(t.solutionTrace) + countRecords(t.parameterTrace));
    int segments = 0;
    for (PathSegment *p = s.parameterSpace.autoPaths; p; p = p->next) ++segments;
    EXPECT_EQ(s.segmentPool.usedCount(), segments);
}

class DocumentTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = fs::temp_directory_path() /
                 ("quorvel-doc-" + std::to_string(::getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    void TearDown() override {
        session.reset();
        termPool().setLimit(termPoolSize);
        EXPECT_EQ(termPool().usedCount(), 0) << "records left behind";
        fs::remove_all(folder);
    }

    Session &fresh() {
        session.reset();
        session = std::make_unique<Session>();
        return *session;
    }
    bool go(const std::string &text) {
        session->typePolynomial(text);
        return session->runPipeline();
    }
    // Three more steps of a made-up tracing run: the fiber turned a little,
    // the parameter moved a little.
    void traceThreeSteps() {
        Session &s = *session;
        for (int step = 1; step <= 3; ++step) {
            OwnedPolynomial moved(copyPolynomial(s.state.fiber.get()));
            for (Term *p = moved.get(); p; p = p->next) p->coef = p->coef * Complex(std::cos(0.1 * step), std::sin(0.1 * step));
            s.traces.appendSolutionStep(s.tracePool, moved.get());
            s.traces.appendParameter(s.tracePool, s.state.basePoint + Complex(0.01 * step, 0.0));
            ++s.traces.traceStepCount;
        }
    }
    void read(const std::string &bytes, bool window) {
        DocumentReader reader(bytes);
        readSections(*session, reader, window);
    }
    std::string path(const std::string &name) const { return (folder / name).string(); }
    void writeFile(const std::string &name, const std::string &bytes) const {
        std::ofstream(path(name), std::ios::binary) << bytes;
    }
    std::string readFile(const std::string &name) const {
        std::ifstream in(path(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::string documentOf(const std::string &curve, bool withTraces) {
        fresh();
        EXPECT_TRUE(go(curve));
        if (withTraces) traceThreeSteps();
        return writeSections(*session) + (withTraces ? writeTraces(*session) : "");
    }

    testing::RecordingErrors recorder;
    std::unique_ptr<Session> session = std::make_unique<Session>();
    fs::path folder;
};

// ---- lines -------------------------------------------------------------------

TEST(DocumentReaderTest, LineRules) {
    const std::string a1023(1023, 'a');
    struct Row {
        const char *name;
        std::string bytes;
        std::vector<std::string> lines;
    } rows[] = {
        {"CR LF ends", "a\r\nb\r\n", {"a", "b"}},
        {"CR ends", "a\rb\r", {"a", "b"}},
        {"LF ends make no line", "a\nb\n", {}},
        {"a last line without CR is not delivered", "a\r\nb", {"a"}},
        {"control and high bytes vanish", "x\t^\x01 2\x7f\xff\xc3\xa9\r", {"x^ 2\x7f"}},
        {"1023 kept characters", a1023 + "\r", {a1023}},
        {"dropped bytes do not count", a1023 + std::string(600, '\x80') + "\r", {a1023}},
        {"1024 kept characters end the file", a1023 + "a\rb\r", {}},
        {"100000 characters end the file", "x\r" + std::string(100000, 'y') + "\rz\r", {"x"}},
    };
    for (const Row &row : rows) {
        DocumentReader reader(row.bytes);
        std::vector<std::string> lines;
        std::string line;
        while (reader.readLine(line)) lines.push_back(line);
        EXPECT_EQ(lines, row.lines) << row.name;
        EXPECT_FALSE(reader.readLine(line)) << row.name << ": the end stays the end";
    }
}

TEST(DocumentReaderTest, SectionsAndNumbers) {
    DocumentReader reader(
        "x*polynomial\r*polynomialXYZ\r\nx^2-t\r*branchloci\r-1\r 12abc\r99999999999999\r"
        "-99999999999999\r+1.500000\rabc\r1e400\rnan\r");
    std::string line;
    ASSERT_TRUE(reader.findSection(tagBranchLoci));
    int n = 0;
    const int counts[] = {-1, 12, INT_MAX, INT_MIN};
    for (int expected : counts) {
        ASSERT_TRUE(reader.readCount(n));
        EXPECT_EQ(n, expected);
    }
    double v = 9.0;
    const double reals[] = {1.5, 0.0, 0.0, 0.0};  // not a number, too large, nan
    for (double expected : reals) {
        ASSERT_TRUE(reader.readReal(v));
        EXPECT_EQ(v, expected);
    }
    EXPECT_FALSE(reader.readReal(v));
    // findSection starts again from the top; a tag matches as a line prefix only.
    ASSERT_TRUE(reader.findSection(tagPolynomial));
    ASSERT_TRUE(reader.readLine(line));
    EXPECT_EQ(line, "x^2-t");
    EXPECT_FALSE(reader.findSection(tagFiber));
}

// ---- writing -------------------------------------------------------------------

TEST_F(DocumentTest, StageOneDocumentIsTheFourLinesOfTheExample) {
    ASSERT_TRUE(go("x^2-t"));
    session->state.stage = stageCurve;
    EXPECT_EQ(writeSections(*session), "*polynomial\r\nx^2-t\r\n*degenerateloci\r\n0\r\n");
    session->state.stage = stageNothing;
    EXPECT_EQ(writeSections(*session), "");
}

TEST_F(DocumentTest, CompleteDocumentLayout) {
    // A CR typed into the polynomial would split its line; the parser
    // ignores it anyway.
    ASSERT_TRUE(go("x^2-\rt"));
    EXPECT_EQ(writeSections(*session),
              "*polynomial\r\nx^2-t\r\n*degenerateloci\r\n0\r\n*branchpoly\r\n+t\r\n"
              "*branchloci\r\n1\r\n+0.000000\r\n+0.000000\r\n*parameterbase\r\n+0.500000\r\n+0.000000\r\n"
              "*fiberonbasepoint\r\n2\r\n+0.70710678118654757\r\n+0.000000\r\n-0.70710678118654757\r\n+0.000000\r\n");
    traceThreeSteps();
    const std::string traces = writeTraces(*session);
    EXPECT_EQ(traces.rfind("*parametertrace\r\n4\r\n+0.500000\r\n+0.000000\r\n+0.510000\r\n", 0), 0u);
    EXPECT_NE(traces.find("*solutiontrace\r\n4\r\n+0.70710678118654757\r\n+0.000000\r\n0\r\n-0.70710678118654757\r\n+0.000000\r\n1\r\n"),
              std::string::npos);
}

// ---- round trips -----------------------------------------------------------------

TEST_F(DocumentTest, SaveThenLoadRoundTripsEveryStage) {
    // The last curve's branch polynomial prints longer than its stored
    // line keeps; the load computes it from the curve.
    for (const char *curve : {"x^2-t", "x^2*(t-3) + x + t", "x^3 + t*x - 1", "x^7+3*x^4*t-t^2*x^2+2*x-t^5+t"}) {
        for (int stage = stageNothing; stage <= stageFiber; ++stage) {
            for (bool window : {false, true}) {
                for (bool withTraces : {false, true}) {
                    if (withTraces && stage != stageFiber) continue;
                    const std::string what = std::string(curve) + " stage " + std::to_string(stage) +
                                             (window ? " window" : "") + (withTraces ? " traces" : "");
                    fresh();
                    ASSERT_TRUE(go(curve)) << what;
                    if (withTraces) traceThreeSteps();
                    session->state.stage = static_cast<int16_t>(stage);
                    const Snapshot saved(*session);
                    ASSERT_TRUE(withTraces ? saveDocumentWithTraces(*session, path("doc.qpf"))
                                           : saveDocument(*session, path("doc.qpf")))
                        << what;
                    EXPECT_EQ(session->state.documentName, "doc.qpf");

                    Session &s = fresh();
                    Answers answers;
                    ASSERT_TRUE(window ? loadDocument(s, path("doc.qpf"), answers)
                                       : loadTracesFromFile(s, path("doc.qpf"), answers))
                        << what;
                    const Snapshot loaded(s);
                    EXPECT_EQ(loaded.stage, window && stage == stageCurve ? stageNothing : stage) << what;
                    EXPECT_EQ(answers.tracesAsked, window && withTraces ? 1 : 0) << what;
                    expectConsistent(s);
                    if (stage == stageNothing) {
                        EXPECT_EQ(s.state.curve.get()->var[0], '?') << what;
                        continue;
                    }
                    EXPECT_EQ(loaded.polynomial, saved.polynomial) << what;
                    EXPECT_EQ(loaded.fiberLetter, saved.fiberLetter) << what;
                    EXPECT_EQ(loaded.parameterLetter, saved.parameterLetter) << what;
                    expectNear(loaded.degenerate, saved.degenerate, what + " degenerate loci");
                    EXPECT_EQ(s.form.polynomial, window ? saved.polynomial : "") << what;
                    if (stage < stageBranchPolynomial) continue;
                    EXPECT_EQ(loaded.branch, saved.branch) << what;
                    if (stage < stageBranchLoci) continue;
                    expectNear(loaded.loci, saved.loci, what + " branch loci");
                    expectNear({loaded.base}, {saved.base}, what + " base point");
                    EXPECT_EQ(s.form.branchLoci.size(), window ? saved.loci.size() : 0u) << what;
                    if (stage < stageFiber) continue;
                    expectNear(loaded.fiber, saved.fiber, what + " fiber");
                    EXPECT_EQ(loaded.names, saved.names) << what;
                    EXPECT_NE(s.parameterSpace.autoPaths, nullptr) << what;
                    EXPECT_EQ(s.form.basePoint, window ? formatValue(saved.base) : "") << what;
                    EXPECT_TRUE(s.form.fixBasePoint) << what;
                    EXPECT_EQ(s.form.fiber.size(), window ? saved.fiber.size() : 0u) << what;
                    if (!withTraces) {
                        EXPECT_EQ(loaded.steps, 1) << what;
                        EXPECT_EQ(s.parameterSpace.pathDisplay, pathDisplayAuto) << what;
                        continue;
                    }
                    expectNear(loaded.parameterTrace, saved.parameterTrace, what + " parameter trace");
                    expectNear(loaded.solutionTrace, saved.solutionTrace, what + " solution trace");
                    EXPECT_EQ(loaded.numbers, saved.numbers) << what;
                    EXPECT_EQ(loaded.steps, 4) << what;
                    EXPECT_EQ(s.traces.tracingState, tracingFinished) << what;
                    EXPECT_EQ(s.state.replayAtStart, 1) << what;
                    EXPECT_EQ(s.parameterSpace.pathDisplay, pathDisplayNone) << what;
                }
            }
        }
    }
    EXPECT_TRUE(recorder.errors.empty());
}

// ---- malformed and unusual files ------------------------------------------------------

TEST_F(DocumentTest, EdgeCasesOfTheFile) {
    const std::string full = documentOf("x^2-t", false);
    auto replaced = [&full](const std::string &from, const std::string &to) {
        std::string out;
        for (size_t i = 0; i < full.size();) {
            if (full.compare(i, from.size(), from) == 0) {
                out += to;
                i += from.size();
            } else {
                out += full[i++];
            }
        }
        return out;
    };
    struct Row {
        const char *name;
        std::string bytes;
        int withoutWindow;
        int withWindow;
    } rows[] = {
        {"empty file", "", 0, 0},
        {"polynomial only", "*polynomial\r\nx^2-t\r\n", 1, 0},
        {"CR-only line ends", replaced("\r\n", "\r"), 4, 4},
        {"LF-only line ends", replaced("\r\n", "\n"), 0, 0},
        {"last line without CR", full.substr(0, full.size() - 2), 3, 3},
        {"a line too long before everything", std::string(100000, '*') + "\r\n" + full, 0, 0},
        {"one letter", "*polynomial\r\nx^2+1\r\n", 0, 0},
        // A stored branch polynomial is never trusted: the curve's own is
        // computed in its place.
        {"constant branch polynomial", "*polynomial\r\nx^2-t\r\n*branchpoly\r\n+5\r\n", 2, 2},
        {"branch polynomial in two letters", replaced("+t\r\n", "+t*x\r\n"), 4, 4},
        {"branch polynomial cut short", replaced("+t\r\n", "+\r\n"), 4, 4},
        {"branch loci count -1 (not used)", replaced("*branchloci\r\n1", "*branchloci\r\n-1"), 4, 4},
        {"fiber count -1: no estimates", replaced("*fiberonbasepoint\r\n2", "*fiberonbasepoint\r\n-1"), 4, 4},
        {"huge fiber count", replaced("*fiberonbasepoint\r\n2", "*fiberonbasepoint\r\n2147483647"), 3, 3},
        {"no second base point", replaced("*parameterbase", "*nothing"), 3, 3},
        {"binary bytes inside", replaced("*branchpoly", "*branch\x01\xffpoly\t"), 4, 4},
    };
    for (const Row &row : rows) {
        for (bool window : {false, true}) {
            Session &s = fresh();
            read(row.bytes, window);
            EXPECT_EQ(s.state.stage, window ? row.withWindow : row.withoutWindow) << row.name << window;
            expectConsistent(s);
            if (s.state.stage == stageFiber) {
                for (const Term *p = s.state.fiber.get(); p; p = p->next) {
                    const Complex z = p->coef * p->coef - s.state.basePoint;
                    EXPECT_LT(modulus(z), 1e-9) << row.name;
                }
            }
        }
    }
    EXPECT_TRUE(recorder.errors.empty());
}

TEST_F(DocumentTest, AFileWithoutACurveChangesNothing) {
    ASSERT_TRUE(go("x^2-t"));
    const Snapshot before(*session);
    const Term *curve = session->state.curve.get();
    for (const char *bytes : {"", "*polynomial\r\nx^2+1\r\n", "x^2-t\n*polynomial\nx^2-t\n", "*polynomial\r\na+b+c+d\r\n"}) {
        for (bool window : {false, true}) {
            read(bytes, window);
            EXPECT_EQ(session->state.stage, stageFiber) << bytes;
            EXPECT_EQ(session->state.curve.get(), curve) << bytes;
            EXPECT_EQ(session->state.polynomialText, before.polynomial) << bytes;
            EXPECT_EQ(session->form.polynomial, before.polynomial) << bytes;
        }
    }
    // Only the fourth letter has a message: the parser's own.
    ASSERT_EQ(recorder.errors.size(), 2u);
}

TEST_F(DocumentTest, LettersComeFromTheOrderInTheFile) {
    ASSERT_TRUE(go("x^2-t"));  // the form's letter fields now hold x and t
    for (bool window : {false, true}) {
        read("*polynomial\r\nt+x^2\r\n", window);
        EXPECT_EQ(session->state.fiberVariable(), 't');
        EXPECT_EQ(session->state.parameter(), 'x');
        EXPECT_EQ(session->state.stage, window ? stageNothing : stageCurve);
    }
}

TEST_F(DocumentTest, MissingDegenerateLociAreComputed) {
    read("*polynomial\r\nx^2*t-1\r\n", false);
    ASSERT_EQ(session->state.stage, stageCurve);
    const std::vector<Complex> loci = values(session->state.degenerateLoci.get());
    ASSERT_EQ(loci.size(), 1u);
    EXPECT_NEAR(modulus(loci[0]), 0.0, 1e-9);
}

TEST_F(DocumentTest, EqualEstimatesAreNotUsed) {
    // Two fiber points written alike (or tags read as 0) would stall the
    // root search on a division by zero.
    std::string bytes = documentOf("x^2-t", false);
    bytes.replace(bytes.find("-0.70710678118654757"), 20, "+0.70710678118654757");
    for (bool window : {false, true}) {
        Session &s = fresh();
        read(bytes, window);
        ASSERT_EQ(s.state.stage, stageFiber);
        const std::vector<Complex> fiber = values(s.state.fiber.get());
        ASSERT_EQ(fiber.size(), 2u);
        EXPECT_NEAR(fiber[0].re, -fiber[1].re, 1e-9);
        EXPECT_NEAR(std::fabs(fiber[0].re), std::sqrt(0.5), 1e-9);
    }
    EXPECT_TRUE(recorder.errors.empty());
}

TEST_F(DocumentTest, ABaseOnALocusIsRefusedAndTheDocumentKeepsItsFiber) {
    // Over t = 1 the fiber of x^2 (x - 1) - (t - 1) has the double root 0.
    ASSERT_TRUE(go("x^2*(x-1)-(t-1)"));
    const Complex base = session->state.basePoint;
    session->typeBasePoint("1");
    EXPECT_FALSE(session->recalculateFiber());
    ASSERT_FALSE(recorder.errors.empty());
    EXPECT_EQ(recorder.errors.back().message, "The base point is a branch locus.");
    EXPECT_EQ(session->state.basePoint.re, base.re);
    ASSERT_EQ(countPoints(session->state.fiber.get()), 3);
    ASSERT_TRUE(saveDocument(*session, path("plain.qpf")));
    Session &s = fresh();
    Answers answers;
    ASSERT_TRUE(loadDocument(s, path("plain.qpf"), answers));
    EXPECT_EQ(s.state.stage, stageFiber);
    EXPECT_EQ(countPoints(s.state.fiber.get()), 3);
}

// ---- traces ---------------------------------------------------------------------------

TEST_F(DocumentTest, SolutionTracesThatDoNotMatchTheirCount) {
    const std::string head = documentOf("x^2-t", false) + "*parametertrace\r\n2\r\n+1\r\n+0\r\n+2\r\n+0\r\n*solutiontrace\r\n";
    auto records = [](std::initializer_list<int> numbers) {
        std::string out;
        for (int n : numbers) out += "+0.5\r\n+0.25\r\n" + std::to_string(n) + "\r\n";
        return out;
    };
    struct Row {
        const char *name;
        std::string body;
        int steps;    // whole steps kept
        int records;  // records kept
        bool whole;
    } rows[] = {
        {"as many as counted", "2\r\n" + records({0, 1, 0, 1}), 2, 4, true},
        {"more steps counted than written", "5\r\n" + records({0, 1, 0, 1}), 2, 4, false},
        {"a trailing partial step", "3\r\n" + records({0, 1, 0, 1, 0}), 2, 4, false},
        {"a record cut short", "2\r\n" + records({0, 1, 0}) + "+0.5\r\n", 1, 2, false},
        {"a number that is no strand", "3\r\n" + records({0, 1, 0, 7, 0, 1}), 1, 2, false},
        {"steps of one point", "1\r\n" + records({0, 0}), 2, 2, true},
        {"no step starts at 0: the fiber", "1\r\n" + records({1, 0}), 1, 2, false},
        {"count -1: the fiber", "-1\r\n" + records({0, 1}), 1, 2, true},
        {"huge count", "2147483647\r\n" + records({0, 1, 0, 1}), 2, 4, false},
    };
    for (const Row &row : rows) {
        Session &s = fresh();
        DocumentReader reader(head + row.body);
        readSections(s, reader, false);
        ASSERT_EQ(s.state.stage, stageFiber) << row.name;
        EXPECT_EQ(readTraceSections(s, reader), row.whole) << row.name;
        EXPECT_EQ(s.traces.traceStepCount, row.steps) << row.name;
        EXPECT_EQ(countRecords(s.traces.solutionTrace), row.records) << row.name;
        EXPECT_EQ(countRecords(s.traces.parameterTrace), 2) << row.name;
        EXPECT_EQ(s.parameterSpace.pathDisplay, pathDisplayNone) << row.name;  // whatever was read is a run
        expectConsistent(s);
        // The permutation and the last step can be read off what was kept.
        const std::vector<int> permutation = computePermutation(s.traces.solutionTrace, s.traces.traceStepCount, 2);
        EXPECT_EQ(permutation.size(), 3u);
        EXPECT_EQ(stepAt(s.traces.solutionTrace, s.traces.traceStepCount - 1)->number, 0);
    }
}

TEST_F(DocumentTest, ParameterTraceIsNeverLeftEmpty) {
    for (const char *body : {"*parametertrace\r\n0\r\n", "*parametertrace\r\n-1\r\n", "*parametertrace\r\n3\r\n+1\r\n"}) {
        DocumentReader reader(documentOf("x^2-t", false) + body);
        Session &s = fresh();
        readSections(s, reader, false);
        readTraceSections(s, reader);
        ASSERT_NE(s.traces.parameterTrace, nullptr) << body;
        EXPECT_EQ(s.traces.parameterTrace->value.re, 0.5) << body;
        expectConsistent(s);
    }
}

TEST_F(DocumentTest, AFileSavedAfterRecalculateReadsBackConsistently) {
    ASSERT_TRUE(go("x^2-t"));
    traceThreeSteps();
    session->typeBasePoint("2");
    ASSERT_TRUE(session->recalculateFiber());
    ASSERT_EQ(countRecords(session->traces.parameterTrace), 4);
    ASSERT_EQ(countSteps(session->traces.solutionTrace), 1);
    ASSERT_TRUE(saveDocumentWithTraces(*session, path("doc.qpf")));
    // The layout stays: the solution section counts the steps its records make.
    EXPECT_NE(readFile("doc.qpf").find("*solutiontrace\r\n1\r\n"), std::string::npos);
    Session &s = fresh();
    Answers answers;
    ASSERT_TRUE(loadDocument(s, path("doc.qpf"), answers));
    EXPECT_EQ(countRecords(s.traces.parameterTrace), 4);
    EXPECT_EQ(s.traces.traceStepCount, 1);
    EXPECT_EQ(s.traces.tracingState, tracingFinished);
    EXPECT_EQ(s.parameterSpace.pathDisplay, pathDisplayNone);
    expectConsistent(s);
}

TEST_F(DocumentTest, EveryNumberComesBackWhole) {
    // 0 is a base point like any other; 5e-7 is no +0.000000; the fiber and
    // the traces keep every digit too, and what "%+f" keeps is written as
    // before: a saved document loads and saves again byte for byte.
    for (const char *typed : {"5e-7", "0", "0.25"}) {
        fresh();
        ASSERT_TRUE(go("x^2-t+1"));
        session->typeBasePoint(typed);
        ASSERT_TRUE(session->recalculateFiber()) << typed;
        traceThreeSteps();
        const Complex base = session->state.basePoint;
        ASSERT_TRUE(saveDocumentWithTraces(*session, path("doc.qpf")));
        const std::string saved = readFile("doc.qpf");
        EXPECT_EQ(saved.find("+0.000000\r\n+0.000000") == std::string::npos, base.re != 0) << typed;
        Session &s = fresh();
        Answers answers;
        ASSERT_TRUE(loadDocument(s, path("doc.qpf"), answers));
        EXPECT_EQ(s.state.basePoint.re, base.re) << typed;
        EXPECT_TRUE(s.state.hasBasePoint && s.state.stage == stageFiber) << typed;
        EXPECT_EQ(writeSections(s) + writeTraces(s), saved) << typed;
    }
}

// ---- what the planes and Info read -------------------------------------------------

// The braid, verdict and loci the windows show after each command belong to
// the curve and traces held then, or there are none: never the last run's.
TEST_F(DocumentTest, ThePlanesAndInfoShowOnlyWhatIsHeld) {
    // A traced loop of a curve, saved with its traces; its braid and
    // permutation as the run found them.
    const auto traced = [&](const std::string &curve, std::string &braid, std::vector<int> &permutation) {
        fresh();
        EXPECT_TRUE(go(curve));
        EXPECT_TRUE(startAutoLoop(*session, 0));
        for (int tick = 0; tick < 100000 && session->parameterSpace.timerRunning; ++tick) tracerTick(*session);
        EXPECT_TRUE(session->run.verdict.passed()) << curve;
        braid = formatBraidWord(session->run.braidWord);
        permutation = tracePermutation(*session);
        return writeSections(*session) + writeTraces(*session);
    };
    std::string braidA, braidB;
    std::vector<int> permutationA, permutationB;
    const std::string docA = traced("x^3-t", braidA, permutationA);
    const std::string docB = traced("x^2-t+1", braidB, permutationB);
    ASSERT_NE(braidA, braidB);
    writeFile("b.qpf", docB);
    writeFile("b-cut.qpf", docB.substr(0, docB.find(tagFiber)));
    writeFile("xyz.qpf", "*polynomial\r\nx+y+z\r\n");

    enum Held { Nothing, KeepsA, RunOfB, CurveOfB };
    const struct {
        const char *name;
        std::function<void(Session &)> command;
        Held held;
    } rows[] = {
        {"Go on another curve", [&](Session &) { go("x^2-t+1"); }, CurveOfB},
        {"an edit", [&](Session &s) { s.typePolynomial("x^3-t+1"); }, Nothing},
        {"a Go that fails", [&](Session &) { go("x^2+1"); }, Nothing},
        {"Clear All", [&](Session &s) { s.clearAll(); }, Nothing},
        {"Load with traces", [&](Session &s) { Answers yes; loadDocument(s, path("b.qpf"), yes); }, RunOfB},
        {"Load without traces", [&](Session &s) { Answers no(false); loadDocument(s, path("b.qpf"), no); }, CurveOfB},
        {"a partial Load", [&](Session &s) { Answers yes; loadDocument(s, path("b-cut.qpf"), yes); }, Nothing},
        {"Load another polynomial", [&](Session &s) { Answers yes; loadTracesFromFile(s, path("b.qpf"), yes); }, RunOfB},
        {"a three-letter document", [&](Session &s) { Answers yes; loadDocument(s, path("xyz.qpf"), yes); }, KeepsA},
    };
    for (const auto &row : rows) {
        Session &s = fresh();
        DocumentReader reader(docA);
        readSections(s, reader, true);
        readTraceSections(s, reader);
        ASSERT_EQ(formatBraidWord(s.run.braidWord), braidA) << "a loaded run reads its own braid";
        row.command(s);
        const TracingRun &ss = s.run;
        const ParameterSpaceState &ps = s.parameterSpace;
        const bool run = row.held == KeepsA || row.held == RunOfB;
        EXPECT_EQ(ss.traceFinished != 0, run) << row.name;
        EXPECT_EQ(formatBraidWord(ss.braidWord),
                  row.held == KeepsA ? braidA : row.held == RunOfB ? braidB : formatBraidWord(BraidWord()))
            << row.name;
        EXPECT_EQ(ss.verdict.passed(), run) << row.name;
        if (run) {
            EXPECT_EQ(tracePermutation(s), row.held == KeepsA ? permutationA : permutationB) << row.name;
        }
        EXPECT_EQ(s.state.polynomialText, row.held == KeepsA ? "x^3-t" : s.state.polynomialText) << row.name;
        // The loci on show are the loci held; loops, marker and fiber only
        // for a curve carried to its fiber.
        const bool loci = s.state.stage >= stageBranchLoci;
        EXPECT_EQ(values(ps.branchLociCopy.get()).size(), loci ? values(s.state.branchLoci.get()).size() : 0u)
            << row.name;
        EXPECT_EQ(ps.autoPaths != nullptr, s.state.stage == stageFiber) << row.name;
        EXPECT_EQ(countPoints(s.state.fiber.get()) > 0, s.state.stage == stageFiber) << row.name;
        EXPECT_EQ(s.traces.traceStepCount > 1, run) << row.name;
        if (row.held == Nothing && !loci) {
            EXPECT_EQ(ps.markerShown, 0) << row.name;
        }
        expectConsistent(s);
    }
}

// ---- the two loads' questions ------------------------------------------------------

TEST_F(DocumentTest, LoadAsksForTracesOnlyWhenTheFileHasThem) {
    writeFile("plain.qpf", documentOf("x^2-t", false));
    writeFile("traces.qpf", documentOf("x^2-t", true));
    Answers no(false);
    Session &s = fresh();
    ASSERT_TRUE(loadDocument(s, path("plain.qpf"), no));
    EXPECT_EQ(no.tracesAsked, 0);
    ASSERT_TRUE(loadDocument(s, path("traces.qpf"), no));
    EXPECT_EQ(no.tracesAsked, 1);
    EXPECT_EQ(s.traces.traceStepCount, 1);
    EXPECT_EQ(countRecords(s.traces.parameterTrace), 1);
    EXPECT_EQ(s.state.documentName, "traces.qpf");
    EXPECT_EQ(s.form.name, "untitled");
}

TEST_F(DocumentTest, LoadFromFileComparesThePolynomial) {
    writeFile("same.qpf", documentOf("x^2-t", true));
    writeFile("reordered.qpf", "*polynomial\r\n-t+x^2\r\n*parametertrace\r\n1\r\n+3\r\n+0\r\n");
    writeFile("equal.qpf", "*polynomial\r\nx*x-t\r\n*parametertrace\r\n1\r\n+3\r\n+0\r\n");
    struct Row {
        const char *file;
        bool answer;
        int asked;
        char fiberAfter;
        bool curveKept;
    } rows[] = {
        {"same.qpf", false, 0, 'x', true},
        {"equal.qpf", false, 0, 'x', true},          // same polynomial written otherwise
        {"reordered.qpf", false, 1, 'x', true},      // same terms, t now the fiber variable
        {"reordered.qpf", true, 1, 't', false},
    };
    for (const Row &row : rows) {
        fresh();
        ASSERT_TRUE(go("x^2-t"));
        session->typeName("mine");
        ASSERT_TRUE(session->runPipeline());
        const Term *curve = session->state.curve.get();
        Answers answers(true, row.answer);
        ASSERT_TRUE(loadTracesFromFile(*session, path(row.file), answers));
        EXPECT_EQ(answers.anotherAsked, row.asked) << row.file;
        EXPECT_EQ(answers.tracesAsked, 0) << row.file;
        EXPECT_EQ(session->state.fiberVariable(), row.fiberAfter) << row.file;
        EXPECT_EQ(session->state.curve.get() == curve, row.curveKept) << row.file;
        EXPECT_EQ(session->state.documentName, "mine") << row.file;
        EXPECT_EQ(session->form.polynomial, "x^2-t") << row.file;
        const bool loaded = row.asked == 0 || row.answer;
        EXPECT_EQ(session->traces.parameterTrace->value.re, loaded && row.file[1] != 'a' ? 3.0 : 0.5) << row.file;
        expectConsistent(*session);
    }
}

// ---- the file system -------------------------------------------------------------------

TEST_F(DocumentTest, FilesThatCannotBeOpenedOrCreated) {
    ASSERT_TRUE(go("x^2-t"));
    session->typeName("kept");
    ASSERT_TRUE(session->runPipeline());
    Answers answers;
    fs::create_directories(folder / "folder.qpf" / "inside");
    ASSERT_EQ(::mkfifo(path("fifo.qpf").c_str(), 0600), 0);
    writeFile("old.qpf", "previous");
    enum Command { load, save, saveNew };
    struct Row {
        std::string path;
        Command command;
        const char *message;
        const char *reason;
    } rows[] = {
        {path("missing.qpf"), load, cannotOpenMessage, "No such file or directory"},
        {path("folder.qpf"), load, cannotOpenMessage, "Is a directory"},
        {path("fifo.qpf"), load, cannotOpenMessage, "it is not a regular file"},
        {path("no/such/folder/doc.qpf"), save, cannotCreateMessage, "No such file or directory"},
        {path("folder.qpf"), save, cannotCreateMessage, "Is a directory"},
        {"", save, cannotCreateMessage, "the file name is empty"},
        {path("old.qpf"), saveNew, cannotCreateMessage, "File exists"},
    };
    for (const Row &row : rows) {
        recorder.errors.clear();
        bool ok = true;
        if (row.command == load)
            ok = loadDocument(*session, row.path, answers) || loadTracesFromFile(*session, row.path, answers);
        else
            ok = saveDocumentWithTraces(*session, row.path, FileWrite{.onlyNew = row.command == saveNew});
        EXPECT_FALSE(ok) << row.path;
        ASSERT_FALSE(recorder.errors.empty()) << row.path;
        std::string shown = recorder.errors[0].message;
        std::replace(shown.begin(), shown.end(), '\n', ' ');
        EXPECT_EQ(shown, fileMessage(row.message, row.path, row.reason));
        EXPECT_EQ(recorder.errors[0].remedy, fileRemedy);
        EXPECT_EQ(session->state.documentName, "kept");
        EXPECT_EQ(session->state.stage, stageFiber);
    }
    EXPECT_TRUE(fs::is_directory(folder / "folder.qpf" / "inside"));
    EXPECT_EQ(readFile("old.qpf"), "previous");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 3) << "no temporary file left";
}

TEST_F(DocumentTest, SavingFollowsLinksAndTakesAnyLegalName) {
    ASSERT_TRUE(go("x^2-t"));
    writeFile("real.qpf", "previous");
    fs::create_symlink("real.qpf", folder / "link.qpf");
    fs::create_symlink("later.qpf", folder / "dangling.qpf");
    const std::string longName = std::string(251, 'n') + ".qpf";  // 255 bytes, the most a name holds
    for (const char *name : {"link.qpf", "dangling.qpf"}) ASSERT_TRUE(saveDocument(*session, path(name))) << name;
    ASSERT_TRUE(saveDocument(*session, path(longName)));
    EXPECT_TRUE(fs::is_symlink(folder / "link.qpf"));
    EXPECT_TRUE(fs::is_symlink(folder / "dangling.qpf"));
    for (const std::string &name : {std::string("real.qpf"), std::string("later.qpf"), longName})
        EXPECT_EQ(readFile(name), writeSections(*session)) << name;
    EXPECT_TRUE(saveDocumentWithTraces(*session, path("new.qpf"), FileWrite{.onlyNew = true}));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 6);
    EXPECT_TRUE(recorder.errors.empty());
}

TEST_F(DocumentTest, SavingReplacesTheFileWhole) {
    writeFile("doc.qpf", "previous");
    ::chmod(path("doc.qpf").c_str(), 0640);
    ASSERT_TRUE(go("x^2-t"));
    ASSERT_TRUE(saveDocument(*session, path("doc.qpf")));
    EXPECT_EQ(readFile("doc.qpf"), writeSections(*session));
    struct stat info {};
    ASSERT_EQ(::stat(path("doc.qpf").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
}

// ---- abandoned computations -----------------------------------------------------------

TEST_F(DocumentTest, RunningOutOfRecordsStopsTheLoadConsistently) {
    const std::string bytes = documentOf("x^2*(t-3) + x + t", true);
    bool abandoned = false;
    bool completed = false;
    for (int limit = 1; limit <= 160; ++limit) {
        for (bool window : {false, true}) {
            Session &s = fresh();
            termPool().setLimit(termPool().usedCount() + limit);
            recorder.errors.clear();
            DocumentReader reader(bytes);
            readSections(s, reader, window);
            readTraceSections(s, reader);
            expectConsistent(s);
            abandoned |= !recorder.errors.empty() && recorder.errors[0].message == memoryMessage;
            completed |= s.state.stage == stageFiber;
            session.reset();
            termPool().setLimit(termPoolSize);
            ASSERT_EQ(termPool().usedCount(), 0) << "limit " << limit;
        }
    }
    EXPECT_TRUE(abandoned);
    EXPECT_TRUE(completed);
}

}  // namespace
}  // namespace quorvel
