// quorvel-cli: the headless front end. Each subcommand drives the same
// engine and session functions the windows use, back to back.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "engine/error.h"
#include "engine/exact.h"
#include "engine/points.h"
#include "engine/polytext.h"
#include "engine/roots.h"
#include "cli/monodromy.h"
#include "cli/prepare.h"
#include "cli/report.h"
#include "pipeline/document.h"
#include "pipeline/session.h"

namespace {

using namespace quorvel;

using cli::ShownError;

// Every message shown through the error channel, in order.
std::vector<ShownError> &shownErrors() {
    static std::vector<ShownError> errors;
    return errors;
}

void installStderrHandler() {
    setErrorHandler([](const std::string &message, const std::string &remedy) {
        std::fprintf(stderr, "error: %s\n", message.c_str());
        std::fprintf(stderr, "how to solve this problem: %s\n", remedy.c_str());
        shownErrors().push_back({message, remedy});
    });
}

int runNormalize(const std::string &text) {
    Letters letters = unsetLetters;
    try {
        OwnedPolynomial p(parsePolynomial(text, letters));
        std::printf("letters: %c %c %c\n", letters[0], letters[1], letters[2]);
        std::printf("polynomial: %s\n", printPolynomial(p.get()).c_str());
        return 0;
    } catch (const ComputationAbandoned &) {
        return 1;
    }
}

int runRoots(const std::string &text) {
    Letters letters = unsetLetters;
    try {
        OwnedPolynomial p(parsePolynomial(text, letters));
        if (!isUnivariate(p.get())) {
            showError("polynomial (1 var.) is illegal.", "Re-input a polynomial");
            return 1;
        }
        OwnedPolynomial roots(certifiedRoots(p.get()));
        OwnedPolynomial sorted(sortLexicographic(roots.get()));
        for (Term *r = sorted.get(); r; r = r->next) {
            std::printf("%s", formatValue(pointValue(r)).c_str());
            if (pointMultiplicity(r) > 1) std::printf(" %d", pointMultiplicity(r));
            std::printf("\n");
        }
        return shownErrors().empty() ? 0 : 1;
    } catch (const ComputationAbandoned &) {
        return 1;
    }
}

struct AnalyzeOptions {
    std::string input;
    std::string base;
    std::string output;
    bool json = false;
};

// Runs "Go" on a fresh session as the main window would (after loading the
// document when the input names one); with a base point, types it and runs
// "Re-calculate the fiber over base point"; with an output file, saves the
// document as "Save" does.
int runAnalyze(const AnalyzeOptions &options) {
    Session session;
    const bool complete = cli::prepareSession(session, options.input, options.base);
    const bool saved = options.output.empty() || saveDocument(session, options.output);
    if (options.json)
        std::printf("%s\n", cli::analysisJson(session, shownErrors()).dump(2).c_str());
    else
        std::printf("%s", cli::analysisText(session).c_str());
    return complete && saved ? 0 : 1;
}

struct MonodromyOptions {
    std::string input;
    std::string base;
    std::string output;
    int loop = -1;
    bool json = false;
};

bool allFinished(const std::vector<cli::LoopTrace> &traces) {
    for (const auto &t : traces)
        if (t.status != "finished") return false;
    return true;
}

// Runs "Go", then traces the loops back to back as the window's timer would.
int runMonodromy(const MonodromyOptions &options) {
    Session session;
    const bool complete = cli::prepareSession(session, options.input, options.base);
    std::vector<cli::LoopTrace> traces;
    if (complete) traces = cli::traceLoops(session, options.loop, shownErrors());
    if (options.json) {
        nlohmann::json j = cli::analysisJson(session, shownErrors());
        nlohmann::json list = nlohmann::json::array();
        for (const auto &t : traces) list.push_back(cli::loopTraceJson(t));
        j["traces"] = list;
        std::printf("%s\n", j.dump(2).c_str());
    } else {
        std::printf("%s", cli::analysisText(session).c_str());
        for (const auto &t : traces) std::printf("%s", cli::loopTraceText(t).c_str());
    }
    if (complete && options.loop >= 0 && traces.empty()) {
        std::fprintf(stderr, "error: there is no branch locus numbered %d\n", options.loop);
        return 1;
    }
    return complete && allFinished(traces) ? 0 : 1;
}

// Traces one loop and saves the document with its traces, as the Parameter
// Space window's "Save file" does.
int runTrace(const MonodromyOptions &options) {
    Session session;
    if (!cli::prepareSession(session, options.input, options.base)) {
        std::printf("%s", cli::analysisText(session).c_str());
        return 1;
    }
    PathSegment *start = cli::loopForLocus(session, options.loop);
    if (!start) {
        std::fprintf(stderr, "error: there is no branch locus numbered %d\n", options.loop);
        return 1;
    }
    const cli::LoopTrace t = cli::traceLoop(session, start, shownErrors());
    const bool saved = saveDocumentWithTraces(session, options.output);
    if (options.json) {
        nlohmann::json j = cli::loopTraceJson(t);
        j["saved"] = saved;
        std::printf("%s\n", j.dump(2).c_str());
    } else {
        std::printf("%s", cli::loopTraceText(t).c_str());
    }
    return saved && t.status == "finished" ? 0 : 1;
}

}  // namespace

int main(int argc, char **argv) {
    installStderrHandler();
    CLI::App app{"Quorvel command-line front end: plane algebraic curves by monodromy"};
    app.require_subcommand(1);

    std::string normalizeText;
    auto *normalize = app.add_subcommand("normalize", "Parse a polynomial and print its normal form");
    normalize->add_option("POLY", normalizeText, "the polynomial text")->required();

    std::string rootsText;
    auto *roots = app.add_subcommand("roots", "Print the roots of a polynomial in one letter");
    roots->add_option("POLY", rootsText, "the polynomial text")->required();

    AnalyzeOptions analyzeOptions;
    auto *analyzeCommand = app.add_subcommand("analyze", "Run Go on a curve and print the result");
    analyzeCommand->add_option("POLY", analyzeOptions.input, "the curve f(x, t), or a document FILE.qpf")->required();
    analyzeCommand->add_option("-o,--output", analyzeOptions.output, "save the document to this file (.qpf)");
    analyzeCommand->add_option("--base", analyzeOptions.base, "move the base point here and recalculate the fiber");
    analyzeCommand->add_flag("--json", analyzeOptions.json, "print one JSON object");

    MonodromyOptions monodromyOptions;
    auto *monodromyCommand = app.add_subcommand(
        "monodromy",
        "Run Go, then trace auto-mode loops and print each permutation and braid "
        "(exit 0 when every traced loop finished)");
    monodromyCommand->add_option("POLY", monodromyOptions.input, "the curve f(x, t), or a document FILE.qpf")->required();
    monodromyCommand->add_option("--base", monodromyOptions.base, "move the base point here first");
    monodromyCommand->add_option("--loop", monodromyOptions.loop,
                                 "trace only the loop a click near branch locus number K picks "
                                 "(K = the number of branch loci: the loop around infinity)");
    monodromyCommand->add_flag("--json", monodromyOptions.json, "print one JSON object");

    MonodromyOptions traceOptions;
    auto *traceCommand = app.add_subcommand("trace", "Trace one loop and save the document with its traces");
    traceCommand->add_option("INPUT", traceOptions.input, "the curve f(x, t), or a document FILE.qpf")->required();
    traceCommand->add_option("--loop", traceOptions.loop, "the branch locus number K (K = their number: infinity)")
        ->required();
    traceCommand->add_option("--base", traceOptions.base, "move the base point here first");
    traceCommand->add_option("-o,--output", traceOptions.output, "the document to write (.qpf)")->required();
    traceCommand->add_flag("--json", traceOptions.json, "print the loop's result as JSON");

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError &e) {
        const int code = app.exit(e);
        return code == 0 ? 0 : 2;
    }

    if (*normalize) return runNormalize(normalizeText);
    if (*roots) return runRoots(rootsText);
    if (*analyzeCommand) return runAnalyze(analyzeOptions);
    if (*monodromyCommand) return runMonodromy(monodromyOptions);
    if (*traceCommand) return runTrace(traceOptions);
    return 2;
}
