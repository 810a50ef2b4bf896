// quorvel-cli: the headless front end. Each subcommand drives the same
// engine and session functions the windows use, back to back.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "engine/error.h"
#include "engine/points.h"
#include "engine/polytext.h"
#include "engine/roots.h"
#include "cli/report.h"
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
        OwnedPolynomial roots(findRoots(nullptr, p.get(), nullptr));
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
    bool json = false;
};

// Runs "Go" on a fresh session as the main window would; with a base point,
// types it and runs "Re-calculate the fiber over base point".
void analyze(Session &session, const AnalyzeOptions &options) {
    session.typePolynomial(options.input);
    session.runPipeline();
    if (!options.base.empty() && session.state.stage == stageFiber) {
        session.typeBasePoint(options.base);
        session.recalculateFiber();
    }
}

int runAnalyze(const AnalyzeOptions &options) {
    Session session;
    analyze(session, options);
    if (options.json)
        std::printf("%s\n", cli::analysisJson(session, shownErrors()).dump(2).c_str());
    else
        std::printf("%s", cli::analysisText(session).c_str());
    return session.state.stage == stageFiber ? 0 : 1;
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
    analyzeCommand->add_option("POLY", analyzeOptions.input, "the curve f(x, t)")->required();
    analyzeCommand->add_option("--base", analyzeOptions.base, "move the base point here and recalculate the fiber");
    analyzeCommand->add_flag("--json", analyzeOptions.json, "print one JSON object");

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError &e) {
        const int code = app.exit(e);
        return code == 0 ? 0 : 2;
    }

    if (*normalize) return runNormalize(normalizeText);
    if (*roots) return runRoots(rootsText);
    if (*analyzeCommand) return runAnalyze(analyzeOptions);
    return 2;
}
