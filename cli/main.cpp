// quorvel-cli: the headless front end. Each subcommand drives the same
// engine and session functions the windows use, back to back.
#include <sys/stat.h>

#include <CLI/CLI.hpp>

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "cli/arguments.h"
#include "cli/help.h"
#include "cli/monodromy.h"
#include "cli/prepare.h"
#include "cli/report.h"
#include "engine/error.h"
#include "engine/exact.h"
#include "engine/points.h"
#include "engine/polytext.h"
#include "engine/roots.h"
#include "pipeline/curve_state.h"
#include "pipeline/document.h"
#include "pipeline/session.h"

namespace {

using namespace quorvel;

using cli::ShownError;

// Exit statuses.
constexpr int exitSuccess = 0;
constexpr int exitFailed = 1;
constexpr int exitUsage = 2;

// Every message shown through the error channel, in order.
std::vector<ShownError> &shownErrors() {
    static std::vector<ShownError> errors;
    return errors;
}

// The error channel breaks a text after every 60 characters for the dialog;
// a terminal and a JSON reader want it whole.
std::string joinLines(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\n' && i % 61 == 60)) out += text[i];
    return out;
}

// Remedies that name a window the command line has not.
std::string commandLineRemedy(const std::string &remedy) {
    if (remedy == "Using Manual mode, replace the parameter path.")
        return "Choose another base point with --base, or another loop with --loop.";
    if (remedy == "You may not quit. Please re-input the polynomial")
        return "Give a polynomial in two letters, such as x^2-t";
    return remedy;
}

void installStderrHandler() {
    setErrorHandler([](const std::string &message, const std::string &remedy) {
        const ShownError e{joinLines(message), commandLineRemedy(joinLines(remedy))};
        std::fprintf(stderr, "error: %s\n", e.message.c_str());
        std::fprintf(stderr, "how to solve this problem: %s\n", e.remedy.c_str());
        shownErrors().push_back(e);
    });
}

void note(const std::string &text) { std::fprintf(stderr, "note: %s\n", text.c_str()); }

int runNormalize(const std::string &text) {
    Letters letters = unsetLetters;
    try {
        OwnedPolynomial p(parsePolynomial(text, letters));
        std::printf("letters: %c %c %c\n", letters[0], letters[1], letters[2]);
        std::printf("polynomial: %s\n", printPolynomial(p.get()).c_str());
        return exitSuccess;
    } catch (const ComputationAbandoned &) {
        return exitFailed;
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
        return shownErrors().empty() ? exitSuccess : exitFailed;
    } catch (const ComputationAbandoned &) {
        return exitFailed;
    }
}

struct Options {
    cli::Input input;
    std::string output;
    std::string loop;
    bool json = false;
};

// The analysis as far as it got, then: completed, nothing reported, a fiber
// and loops to trace.
bool analyse(Session &session, const Options &options) {
    const bool complete = cli::prepareSession(session, options.input);
    const bool usable = cli::checkResult(session);
    return complete && usable && shownErrors().empty();
}

std::string analysisText(Session &session, const Options &options) {
    std::string text = cli::analysisText(session);
    if (options.input.fiber == '?' && session.state.stage >= stageCurve)
        text += "(the fiber variable is the first letter of the polynomial; choose it with --fiber)\n";
    return text;
}

// Runs "Go" on a fresh session as the main window would (after loading the
// document when the input names one); with a base point, types it and runs
// "Re-calculate the fiber over base point"; with an output file, saves the
// document as "Save" does, but only after a run that succeeded.
int runAnalyze(const Options &options) {
    Session session;
    bool ok = analyse(session, options);
    nlohmann::json saved = nullptr;
    if (!options.output.empty()) {
        if (ok) {
            ok = saveDocument(session, options.output);
        } else {
            note("the run failed, so " + options.output + " was not written");
        }
        saved = ok;
    }
    if (options.json) {
        nlohmann::json j = cli::analysisJson(session, shownErrors());
        j["saved"] = saved;
        std::printf("%s\n", j.dump(2).c_str());
    } else {
        std::printf("%s", analysisText(session, options).c_str());
    }
    return ok ? exitSuccess : exitFailed;
}

bool allFinished(const std::vector<cli::LoopTrace> &traces) {
    for (const auto &t : traces)
        if (t.status != "finished") return false;
    return !traces.empty();
}

// Runs "Go", then traces the loops back to back as the window's timer would.
int runMonodromy(const Options &options) {
    Session session;
    bool ok = analyse(session, options);
    std::vector<cli::LoopTrace> traces;
    if (ok) {
        if (options.loop.empty()) {
            traces = cli::traceAllLoops(session, shownErrors());
        } else {
            cli::LoopChoice choice;
            cli::parseLoopChoice(options.loop, choice);
            if (PathSegment *start = cli::findLoop(session, choice))
                traces.push_back(cli::traceLoop(session, start, shownErrors()));
        }
        ok = allFinished(traces) && shownErrors().empty();
    }
    if (options.json) {
        nlohmann::json j = cli::analysisJson(session, shownErrors());
        nlohmann::json list = nlohmann::json::array();
        for (const auto &t : traces) list.push_back(cli::loopTraceJson(t));
        j["traces"] = list;
        std::printf("%s\n", j.dump(2).c_str());
    } else {
        std::printf("%s", analysisText(session, options).c_str());
        for (const auto &t : traces) std::printf("%s", cli::loopTraceText(t).c_str());
    }
    return ok ? exitSuccess : exitFailed;
}

bool fileExists(const std::string &path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

// Traces one loop and saves the document with its traces, as the Parameter
// Space window's "Save file" does. A run that stopped never replaces a
// file: its partial traces go only to a file that does not exist yet.
int runTrace(const Options &options) {
    Session session;
    bool ok = analyse(session, options);
    PathSegment *start = nullptr;
    if (ok) {
        cli::LoopChoice choice;
        cli::parseLoopChoice(options.loop, choice);
        start = cli::findLoop(session, choice);
    }
    if (!start) {
        note(options.output + " was not written");
        if (options.json) {
            nlohmann::json j = cli::analysisJson(session, shownErrors());
            j["saved"] = false;
            std::printf("%s\n", j.dump(2).c_str());
        } else {
            std::printf("%s", analysisText(session, options).c_str());
        }
        return exitFailed;
    }
    const cli::LoopTrace t = cli::traceLoop(session, start, shownErrors());
    ok = t.status == "finished" && shownErrors().empty();
    bool saved = false;
    if (ok) {
        saved = saveDocumentWithTraces(session, options.output);
    } else if (fileExists(options.output)) {
        note("the trace stopped, so the existing " + options.output + " was left unchanged");
    } else {
        saved = saveDocumentWithTraces(session, options.output, true);
        if (saved) note("the trace stopped; its partial traces were saved to the new file " + options.output);
    }
    if (options.json) {
        nlohmann::json j = cli::loopTraceJson(t);
        j["saved"] = saved;
        nlohmann::json errs = nlohmann::json::array();
        for (const ShownError &e : shownErrors()) errs.push_back({{"message", e.message}, {"remedy", e.remedy}});
        j["errors"] = errs;
        std::printf("%s\n", j.dump(2).c_str());
    } else {
        std::printf("%s", cli::loopTraceText(t).c_str());
    }
    return ok && saved ? exitSuccess : exitFailed;
}

// ---- the options -------------------------------------------------------------------

std::string checkBase(const std::string &text) {
    if (text.size() > basePointTextLimit) return "the base point text is longer than 255 characters";
    Complex value;
    std::string problem;
    if (readConstant(text, value, problem)) return "";
    return "not a finite complex number (" + joinLines(problem) + ")";
}

std::string checkFiber(const std::string &text) {
    if (text.size() == 1 && text[0] >= 'a' && text[0] <= 'z' && text[0] != 'i') return "";
    return "the fiber variable is one lower-case letter other than i";
}

std::string checkLoop(const std::string &text) {
    cli::LoopChoice choice;
    return cli::parseLoopChoice(text, choice) ? "" : "a loop is K, deg:K or inf, with K a locus number from 0";
}

std::string checkOutput(const std::string &text) { return text.empty() ? "the file name is empty" : ""; }

void addCurveOptions(CLI::App *command, Options &options, const char *inputName) {
    command->add_option(inputName, options.input.text, "the curve f(x, t), or a document FILE.qpf")->required();
    command->add_option("--base", options.input.base, "move the base point here, e.g. 1+i, 0.5-2i, 1e-3")
        ->check(CLI::Validator(checkBase, "COMPLEX"));
    command
        ->add_option_function<std::string>(
            "--fiber", [&options](const std::string &s) { options.input.fiber = s[0]; },
            "the letter of the fiber variable (default: the first letter of the text)")
        ->check(CLI::Validator(checkFiber, "LETTER"));
    command->add_flag("--json", options.json, "print one JSON object");
}

}  // namespace

int main(int argc, char **argv) {
    installStderrHandler();
    CLI::App app{"Quorvel command-line front end: plane algebraic curves by monodromy"};
    app.require_subcommand(1);
    app.footer(cli::generalHelp());

    std::string normalizeText;
    auto *normalize = app.add_subcommand("normalize", "Parse a polynomial and print its normal form");
    normalize->add_option("POLY", normalizeText, "the polynomial text")->required();
    normalize->footer(cli::normalizeHelp());

    std::string rootsText;
    auto *roots = app.add_subcommand("roots", "Print the roots of a polynomial in one letter");
    roots->add_option("POLY", rootsText, "the polynomial text")->required();
    roots->footer(cli::rootsHelp());

    Options analyzeOptions;
    auto *analyzeCommand = app.add_subcommand("analyze", "Run Go on a curve and print the result");
    addCurveOptions(analyzeCommand, analyzeOptions, "POLY");
    analyzeCommand->add_option("-o,--output", analyzeOptions.output, "save the document to this file (.qpf)")
        ->check(CLI::Validator(checkOutput, "FILE"));
    analyzeCommand->footer(cli::analyzeHelp());

    Options monodromyOptions;
    auto *monodromyCommand = app.add_subcommand(
        "monodromy", "Run Go, then trace auto-mode loops and print each permutation and braid");
    addCurveOptions(monodromyCommand, monodromyOptions, "POLY");
    monodromyCommand
        ->add_option("--loop", monodromyOptions.loop,
                     "trace only this loop: K (around branch locus K), deg:K (around degenerate "
                     "locus K) or inf (around all loci)")
        ->check(CLI::Validator(checkLoop, "LOOP"));
    monodromyCommand->footer(cli::monodromyHelp());

    Options traceOptions;
    auto *traceCommand = app.add_subcommand("trace", "Trace one loop and save the document with its traces");
    addCurveOptions(traceCommand, traceOptions, "INPUT");
    traceCommand->add_option("--loop", traceOptions.loop, "the loop: K, deg:K or inf")
        ->required()
        ->check(CLI::Validator(checkLoop, "LOOP"));
    traceCommand->add_option("-o,--output", traceOptions.output, "the document to write (.qpf)")
        ->required()
        ->check(CLI::Validator(checkOutput, "FILE"));
    traceCommand->footer(cli::traceHelp());

    std::vector<std::string> args = cli::arrangeArguments(std::vector<std::string>(argv, argv + argc));
    std::vector<char *> arranged;
    bool options = true;
    for (std::string &a : args) {
        options = options && a != "--";
        // CLI11 takes an empty value for no value: "-o ''" would name no
        // file and yet succeed.
        if (options && a.size() > 3 && a.rfind("--", 0) == 0 && a.back() == '=' && a.find('=') == a.size() - 1) {
            std::fprintf(stderr, "%s: the value is empty\nRun with --help for more information.\n",
                         a.substr(0, a.size() - 1).c_str());
            return exitUsage;
        }
        arranged.push_back(a.data());
    }
    try {
        app.parse(static_cast<int>(arranged.size()), arranged.data());
    } catch (const CLI::ParseError &e) {
        const int code = app.exit(e);
        return code == 0 ? exitSuccess : exitUsage;
    }

    if (*normalize) return runNormalize(normalizeText);
    if (*roots) return runRoots(rootsText);
    if (*analyzeCommand) return runAnalyze(analyzeOptions);
    if (*monodromyCommand) return runMonodromy(monodromyOptions);
    if (*traceCommand) return runTrace(traceOptions);
    return exitUsage;
}
