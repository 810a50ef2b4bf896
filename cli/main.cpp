// quorvel-cli: the headless front end. Each subcommand drives the same
// engine and session functions the windows use, back to back.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <climits>
#include <cstring>

#include <CLI/CLI.hpp>

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "cli/arguments.h"
#include "cli/batch.h"
#include "cli/errors.h"
#include "cli/fundamental_group.h"
#include "cli/group.h"
#include "cli/help.h"
#include "cli/monodromy.h"
#include "cli/prepare.h"
#include "cli/report.h"
#include "engine/error.h"
#include "engine/exact.h"
#include "engine/points.h"
#include "engine/polytext.h"
#include "engine/univariate.h"
#include "pipeline/curve_state.h"
#include "pipeline/document.h"
#include "pipeline/session.h"

namespace {

using namespace quorvel;

using cli::ShownError;
using cli::installStderrHandler;
using cli::shownErrors;

// Exit statuses.
constexpr int exitSuccess = 0;
constexpr int exitFailed = 1;
constexpr int exitUsage = 2;

void note(const std::string &text) { std::fprintf(stderr, "note: %s\n", text.c_str()); }

// Every polynomial text has the length of the main window's field.
bool textFits(const std::string &text) {
    if (text.size() <= polynomialTextLimit) return true;
    showError(polynomialTooLongMessage, polynomialTooLongRemedy);
    return false;
}

int runNormalize(const std::string &text) {
    if (!textFits(text)) return exitFailed;
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

// Each part as the shortest decimal that reads back to its double, with its
// sign: roots that print alike with six decimals (1e-20 and 2e-20) are seen
// apart.
std::string fullValue(Complex z) {
    std::string out;
    for (double part : {z.re, z.im}) {
        char buf[64];
        const auto end = std::to_chars(buf, buf + sizeof buf, part).ptr;
        if (buf[0] != '-') out += '+';
        out.append(buf, end);
    }
    return out + "i";
}

int runRoots(const std::string &text, bool full) {
    if (!textFits(text)) return exitFailed;
    Letters letters = unsetLetters;
    try {
        const ExactPolynomial exact = parseExactPolynomial(text, letters);
        OwnedPolynomial p(roundedPolynomial(exact));
        if (!isUnivariate(p.get())) {
            showError("polynomial (1 var.) is illegal.", "Re-input a polynomial");
            return exitFailed;
        }
        // A constant has no roots to list, and 0 has every number.
        if (degree(p.get()) <= 0) {
            showError("The polynomial is a constant: it has no roots to find.",
                      "Give a polynomial of degree 1 or more in one letter");
            return exitFailed;
        }
        OwnedPolynomial roots(certifiedRoots(exact));
        OwnedPolynomial sorted(sortLexicographic(roots.get()));
        for (Term *r = sorted.get(); r; r = r->next) {
            std::printf("%s", (full ? fullValue(pointValue(r)) : formatValue(pointValue(r))).c_str());
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
    bool fundamentalGroup = false;
    double gapSeconds = defaultGapBudgetSeconds;
    FileWrite write;  // how -o replaces a file
    bool certify = false;
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
            ok = saveDocument(session, options.output, options.write);
        } else {
            note("the run failed, so " + options.output + " was not written");
        }
        saved = ok;
    }
    if (options.json) {
        nlohmann::json j = cli::analysisJson(session, shownErrors());
        j["saved"] = saved;
        std::printf("%s\n", cli::jsonText(j, 2).c_str());
    } else {
        std::printf("%s", analysisText(session, options).c_str());
    }
    return ok ? exitSuccess : exitFailed;
}

// Runs "Go", then traces the loops back to back as the window's timer would.
// The group, its orbits and the genus come out only when every loop ended
// and passed its checks and the loops compose as they must; when they do
// not, every loop is traced again one control level tighter first.
int runMonodromy(const Options &options) {
    Session session;
    bool ok = analyse(session, options);
    std::vector<LoopOutcome> traces;
    MonodromySummary group;
    bool wholeChain = false;
    if (ok) {
        if (options.loop.empty()) {
            AllLoopsRun run;
            session.parameterSpace.certify = options.certify;
            cli::traceChain(session, run);
            traces = run.outcomes();
            wholeChain = run.allVerified();
            if (wholeChain) group = run.summary();
        } else {
            cli::LoopChoice choice;
            cli::parseLoopChoice(options.loop, choice);
            if (PathSegment *start = cli::findLoop(session, choice))
                traces.push_back(traceLoopToEnd(session, start, 0, options.certify));
        }
        ok = !traces.empty() && shownErrors().empty() && cli::allCertified(traces);
        for (const LoopOutcome &t : traces) ok = ok && t.status == "finished";
    }
    // The report of the typed curve is made first: the fundamental group
    // may replace it in the session by the curve in proper position.
    nlohmann::json j;
    std::string text;
    if (options.json) {
        j = cli::analysisJson(session, shownErrors());
        nlohmann::json list = nlohmann::json::array();
        for (const auto &t : traces) list.push_back(cli::loopTraceJson(t));
        j["traces"] = list;
        if (wholeChain) {
            j["group"] = cli::groupJson(group);
            if (options.certify) j["group"]["certified"] = cli::allCertified(traces);
        }
    } else {
        text = analysisText(session, options);
        for (const auto &t : traces) text += cli::loopTraceText(t);
        if (wholeChain) {
            text += cli::groupText(group, session.state.fiber.get());
            if (options.certify)
                text += std::string("group: ") +
                        (cli::allCertified(traces) ? "certified (every loop's permutation proven)"
                                                   : "NOT certified (a loop could not be proven)") +
                        "\n";
        }
    }
    // The fundamental group takes the loops just traced when the
    // projection is proper on the curve, and traces the changed curve's
    // otherwise.
    if (options.fundamentalGroup) {
        const bool withGroup = ok && options.loop.empty();
        cli::GroupRun fundamental;
        if (withGroup) {
            fundamental = cli::runFundamentalGroup(session, group.productCheck ? &traces : nullptr, options.gapSeconds);
            ok = fundamental.ok() && shownErrors().empty();
        }
        if (options.json) {
            j["fundamentalGroup"] = withGroup ? cli::groupRunJson(fundamental) : nlohmann::json(nullptr);
            nlohmann::json errs = nlohmann::json::array();
            for (const ShownError &e : shownErrors()) errs.push_back({{"message", e.message}, {"remedy", e.remedy}});
            j["errors"] = errs;
        } else {
            text += cli::groupRunText(fundamental);
        }
    }
    if (options.json)
        std::printf("%s\n", cli::jsonText(j, 2).c_str());
    else
        std::printf("%s", text.c_str());
    return ok ? exitSuccess : exitFailed;
}

// Runs "Go" on the typed curve, puts it in proper position, traces and
// verifies every loop, and studies the Zariski-van Kampen presentation
// with GAP.
int runFundamentalGroup(const Options &options) {
    Session session;
    bool ok = analyse(session, options);
    const std::string typed = session.state.polynomialText;
    cli::GroupRun run;
    if (ok) {
        run = cli::runFundamentalGroup(session, nullptr, options.gapSeconds);
        ok = run.ok() && shownErrors().empty();
    }
    if (options.json) {
        nlohmann::json j;
        j["curve"] = typed;
        j["fundamentalGroup"] = cli::groupRunJson(run);
        nlohmann::json errs = nlohmann::json::array();
        for (const ShownError &e : shownErrors()) errs.push_back({{"message", e.message}, {"remedy", e.remedy}});
        j["errors"] = errs;
        std::printf("%s\n", cli::jsonText(j, 2).c_str());
    } else {
        std::printf("curve: %s\n", typed.c_str());
        std::printf("%s", cli::groupRunText(run).c_str());
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
            std::printf("%s\n", cli::jsonText(j, 2).c_str());
        } else {
            std::printf("%s", analysisText(session, options).c_str());
        }
        return exitFailed;
    }
    const LoopOutcome t = traceLoopToEnd(session, start, 0, options.certify);
    ok = t.status == "finished" && shownErrors().empty();
    bool saved = false;
    if (ok) {
        saved = saveDocumentWithTraces(session, options.output, options.write);
    } else if (fileExists(options.output)) {
        note("the trace stopped, so the existing " + options.output + " was left unchanged");
    } else {
        saved = saveDocumentWithTraces(session, options.output, FileWrite{.onlyNew = true});
        if (saved) note("the trace stopped; its partial traces were saved to the new file " + options.output);
    }
    if (options.json) {
        nlohmann::json j = cli::loopTraceJson(t);
        j["saved"] = saved;
        nlohmann::json errs = nlohmann::json::array();
        for (const ShownError &e : shownErrors()) errs.push_back({{"message", e.message}, {"remedy", e.remedy}});
        j["errors"] = errs;
        std::printf("%s\n", cli::jsonText(j, 2).c_str());
    } else {
        std::printf("%s", cli::loopTraceText(t).c_str());
    }
    return ok && saved && cli::allCertified({t}) ? exitSuccess : exitFailed;
}

// ---- the options -------------------------------------------------------------------

std::string checkFiber(const std::string &text) {
    if (text.size() == 1 && text[0] >= 'a' && text[0] <= 'z' && text[0] != 'i') return "";
    return "the fiber variable is one lower-case letter other than i";
}

std::string checkLoop(const std::string &text) {
    cli::LoopChoice choice;
    return cli::parseLoopChoice(text, choice) ? "" : "a loop is K, deg:K or inf, with K a locus number from 0";
}

std::string checkOutput(const std::string &text) { return text.empty() ? "the file name is empty" : ""; }

void addOutputOptions(CLI::App *command, Options &options, const char *what) {
    command->add_option("-o,--output", options.output, what)->check(CLI::Validator(checkOutput, "FILE"));
    command->add_flag("--replace-read-only", options.write.replaceReadOnly,
                      "with -o: replace the file even when it is read-only (it stays read-only)");
}

void addCurveOptions(CLI::App *command, Options &options, const char *inputName) {
    command->add_option(inputName, options.input.text, "the curve f(x, t), or a document FILE.qpf")->required();
    command->add_option("--base", options.input.base, "move the base point here, e.g. 1+i, 0.5-2i, 1e-3")
        ->check(CLI::Validator(cli::checkBase, "COMPLEX"));
    command
        ->add_option_function<std::string>(
            "--fiber", [&options](const std::string &s) { options.input.fiber = s[0]; },
            "the letter of the fiber variable (default: the first letter of the text)")
        ->check(CLI::Validator(checkFiber, "LETTER"));
    command->add_flag("--json", options.json, "print one JSON object");
}

// Runs quorvel-picture, found beside this program, with the arguments
// after "picture".
int runPicture(int argc, char **argv) {
    char self[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    std::string program;
    if (n > 0) {
        program.assign(self, static_cast<size_t>(n));
        program = program.substr(0, program.rfind('/') + 1) + "quorvel-picture";
    }
    std::vector<char *> args;
    args.push_back(program.data());
    for (int k = 2; k < argc; ++k) args.push_back(argv[k]);
    args.push_back(nullptr);
    if (!program.empty()) ::execv(program.c_str(), args.data());
    std::fprintf(stderr, "error: Cannot draw pictures: %s cannot be run (%s).\n",
                 program.empty() ? "quorvel-picture" : program.c_str(), std::strerror(errno));
    std::fprintf(stderr, "how to solve this problem: Build Quorvel with its windows (the Qt part): "
                         "that build makes quorvel-picture beside quorvel-cli\n");
    return exitFailed;
}

}  // namespace

int main(int argc, char **argv) {
    // Pictures are drawn by the windows' own code, in a program of its own
    // that sits beside this one (this one stays free of the window library).
    if (argc >= 2 && std::strcmp(argv[1], "picture") == 0) return runPicture(argc, argv);
    installStderrHandler();
    CLI::App app{"Quorvel command-line front end: plane algebraic curves by monodromy"};
    app.require_subcommand(1);
    app.footer(cli::generalHelp());

    std::string normalizeText;
    auto *normalize = app.add_subcommand("normalize", "Parse a polynomial and print its normal form");
    normalize->add_option("POLY", normalizeText, "the polynomial text")->required();
    normalize->footer(cli::normalizeHelp());

    std::string rootsText;
    bool rootsFull = false;
    auto *roots = app.add_subcommand("roots", "Print the roots of a polynomial in one letter");
    roots->add_option("POLY", rootsText, "the polynomial text")->required();
    roots->add_flag("--full", rootsFull, "print each part with every digit its double needs");
    roots->footer(cli::rootsHelp());

    Options analyzeOptions;
    auto *analyzeCommand = app.add_subcommand("analyze", "Run Go on a curve and print the result");
    addCurveOptions(analyzeCommand, analyzeOptions, "POLY");
    addOutputOptions(analyzeCommand, analyzeOptions, "save the document to this file (.qpf)");
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
    monodromyCommand->add_flag("--fundamental-group", monodromyOptions.fundamentalGroup,
                               "also compute the fundamental group of the complement (a \"fundamentalGroup\" "
                               "section in the JSON)");
    monodromyCommand->add_option("--gap-seconds", monodromyOptions.gapSeconds, "GAP's time budget in seconds")
        ->check(CLI::Range(0.1, 86400.0));
    monodromyCommand->add_flag("--certify", monodromyOptions.certify,
                               "prove each loop's permutation and braid with ball arithmetic");
    monodromyCommand->footer(cli::monodromyHelp());

    Options groupOptions;
    auto *groupCommand = app.add_subcommand(
        "fundamental-group", "The fundamental group of C^2 minus the curve, by Zariski-van Kampen and GAP");
    addCurveOptions(groupCommand, groupOptions, "POLY");
    groupCommand->add_option("--gap-seconds", groupOptions.gapSeconds, "GAP's time budget in seconds (default 60)")
        ->check(CLI::Range(0.1, 86400.0));
    groupCommand->footer(cli::fundamentalGroupHelp());

    Options traceOptions;
    auto *traceCommand = app.add_subcommand("trace", "Trace one loop and save the document with its traces");
    addCurveOptions(traceCommand, traceOptions, "INPUT");
    traceCommand->add_option("--loop", traceOptions.loop, "the loop: K, deg:K or inf")
        ->required()
        ->check(CLI::Validator(checkLoop, "LOOP"));
    addOutputOptions(traceCommand, traceOptions, "the document to write (.qpf)");
    traceCommand->get_option("--output")->required();
    traceCommand->add_flag("--certify", traceOptions.certify,
                           "prove the loop's permutation and braid with ball arithmetic");
    traceCommand->footer(cli::traceHelp());

    std::string batchFile;
    int batchJobs = 1;
    auto *batchCommand = app.add_subcommand(
        "batch", "Run monodromy on every line of a file (a curve or a document path), one JSON line each");
    batchCommand->add_option("FILE", batchFile, "the file of curves, one a line")->required();
    batchCommand->add_option("-j,--jobs", batchJobs, "worker processes run at once")
        ->check(CLI::Range(1, 256));
    double batchTimeout = cli::defaultLineTimeout;
    batchCommand
        ->add_option("--timeout", batchTimeout,
                     "seconds one line may run before it is stopped as failed (default " +
                         std::to_string(static_cast<int>(cli::defaultLineTimeout)) + ")")
        ->check(CLI::Range(0.001, 1e6));
    batchCommand->footer(
        "Each line gives the JSON object of `quorvel-cli monodromy --json LINE` on one line, with two\n"
        "more fields: \"input\" (the line) and \"exitStatus\" (that run's exit status). Lines come out\n"
        "in input order; empty lines and lines starting with # are skipped. A curve that fails gives\n"
        "its line with its errors and the batch goes on; so does a line that runs longer than\n"
        "--timeout seconds (it is stopped) and a line with a NUL byte (it is not run). SIGINT, SIGTERM\n"
        "and SIGHUP end the running workers, then the batch. Exit status: 0 when every curve\n"
        "succeeded, 1 when one failed or FILE cannot be read (or is a folder), 2 for a usage error.");
    app.set_version_flag("--version", std::string("quorvel-cli ") + QUORVEL_VERSION);

    app.add_subcommand("picture",
                       "Draw the parameter plane, the solution plane or the braid of a loop to an SVG or PNG file "
                       "(quorvel-cli picture --help)");

    cli::ArrangedArguments arrangement = cli::arrangeArguments(std::vector<std::string>(argv, argv + argc));
    if (!arrangement.error.empty()) {
        std::fprintf(stderr, "%s\n", arrangement.error.c_str());
        return exitUsage;
    }
    std::vector<std::string> &args = arrangement.args;
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
        if (dynamic_cast<const CLI::ExtrasError *>(&e)) {
            const CLI::App *chosen = app.get_subcommands().empty() ? nullptr : app.get_subcommands().front();
            std::fprintf(stderr, "%s\n", cli::minusHint(chosen ? chosen->get_name() : "SUBCOMMAND").c_str());
        }
        return code == 0 ? exitSuccess : exitUsage;
    }

    if (*normalize) return runNormalize(normalizeText);
    if (*roots) return runRoots(rootsText, rootsFull);
    if (*analyzeCommand) return runAnalyze(analyzeOptions);
    if (*monodromyCommand) return runMonodromy(monodromyOptions);
    if (*traceCommand) return runTrace(traceOptions);
    if (*groupCommand) return runFundamentalGroup(groupOptions);
    if (*batchCommand) return cli::runBatch(batchFile, batchJobs, batchTimeout);
    return exitUsage;
}
