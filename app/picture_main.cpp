// quorvel-cli picture: what the windows draw, drawn without a display.
// The same windows and renderers as the program's, on Qt's offscreen
// platform: the parameter plane with its loci and loops, the solution plane
// with the traced fiber, or the braid of a loop, written as SVG or PNG.
// quorvel-cli hands `picture ARGS` to this program, which sits beside it.
#include <CLI/CLI.hpp>
#include <QApplication>
#include <QString>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "cli/arguments.h"
#include "cli/errors.h"
#include "cli/monodromy.h"
#include "cli/prepare.h"
#include "pipeline/session.h"
#include "views/windows/braid_info_dialog.h"
#include "views/windows/parameter_space_window.h"
#include "views/windows/solution_space_renderer.h"
#include "views/windows/solution_space_window.h"

namespace {

using namespace quorvel;

constexpr int exitSuccess = 0;
constexpr int exitFailed = 1;
constexpr int exitUsage = 2;

struct PictureOptions {
    std::string input;
    std::string output;
    std::string loop;
    std::string plane = "parameter";
    std::string size = "1024x768";
    std::string base;
    std::string fiber;
    FileWrite write;
};

bool readSize(const std::string &text, int &width, int &height) {
    char x = 0;
    char rest = 0;
    return std::sscanf(text.c_str(), "%d%c%d%c", &width, &x, &height, &rest) == 3 && (x == 'x' || x == 'X') &&
           width >= 16 && height >= 16 && width <= 8192 && height <= 8192;
}

// Resizes a window so that the widget drawn into the picture gets the size
// asked for (the menu bar takes its share above it).
void fitClient(QWidget &window, QWidget *client, int width, int height) {
    window.resize(width, height);
    window.show();
    QApplication::processEvents();
    const int extraW = window.width() - client->width();
    const int extraH = window.height() - client->height();
    window.resize(width + extraW, height + extraH);
    QApplication::processEvents();
}

// The loci, the base point and every loop: a picture of the parameter
// plane shows them whole.
std::vector<Complex> extentOfLoops(const Session &session) {
    std::vector<Complex> points = {session.state.basePoint};
    for (const Term *list : {static_cast<const Term *>(session.state.branchLoci.get()),
                             static_cast<const Term *>(session.state.degenerateLoci.get())})
        for (const Term *p = list; p; p = p->next) points.push_back(p->coef);
    for (const PathSegment *s = session.parameterSpace.autoPaths; s; s = s->next) {
        if (s->isArc) {
            for (const Complex d : {Complex(1, 0), Complex(-1, 0), Complex(0, 1), Complex(0, -1)})
                points.push_back(Complex(s->centreRe, s->centreIm) + d * Complex(s->radius, 0.0));
        } else {
            points.push_back(Complex(s->p0, s->p1));
            points.push_back(Complex(s->p2, s->p3));
        }
    }
    return points;
}

int draw(const PictureOptions &o) {
    int width = 0, height = 0;
    readSize(o.size, width, height);
    Session session;
    cli::Input input;
    input.text = o.input;
    input.base = o.base;
    input.fiber = o.fiber.empty() ? '?' : o.fiber[0];
    if (!cli::prepareSession(session, input)) return exitFailed;

    std::vector<int> permutation;
    if (!o.loop.empty()) {
        cli::LoopChoice choice;
        cli::parseLoopChoice(o.loop, choice);
        PathSegment *start = cli::findLoop(session, choice);
        if (!start) return exitFailed;
        const LoopOutcome t = traceLoopToEnd(session, start);
        if (t.status != "finished") {
            std::fprintf(stderr, "error: the loop did not finish: %s\n", cli::joinLines(t.error).c_str());
            return exitFailed;
        }
        permutation = t.permutation;
        permutation.push_back(-1);  // the end mark the dialog reads up to
    } else if (o.plane == "braid") {
        std::fprintf(stderr, "error: a braid needs a traced loop: give --loop\n");
        return exitUsage;
    }

    const QString path = QString::fromStdString(o.output);
    bool saved = false;
    if (o.plane == "parameter") {
        ParameterSpaceWindow window(session);
        // The picture is the plane alone, between the two strips.
        fitClient(window, window.plane(), width, height + 2 * stripHeight);
        window.view().displayAll(extentOfLoops(session));
        saved = window.savePictureTo(path, o.write);
    } else if (o.plane == "solution") {
        auto look = std::make_shared<SolutionSpaceLook>();
        look->traceMode = o.loop.empty() ? 0 : 1;  // a traced loop shows its whole trace
        SolutionSpaceWindow window(session, look);
        fitClient(window, window.client(), width, height + 2 * stripHeight);
        window.displayAll();
        saved = window.savePictureTo(path, o.write);
    } else {
        BraidInfoDialog dialog(session, permutation);
        dialog.resize(width, height);
        dialog.show();
        QApplication::processEvents();
        saved = dialog.savePictureTo(path, o.write);
    }
    // A failure was shown, with the file and the reason.
    return saved ? exitSuccess : exitFailed;
}

}  // namespace

int main(int argc, char *argv[]) {
    CLI::App app{"Draw what the windows show, without a display: the parameter plane (loci and loops), "
                 "the solution plane (the fiber and its traces) or the braid of a loop.",
                 "quorvel-cli picture"};
    PictureOptions o;
    app.add_option("INPUT", o.input, "the polynomial, or a document (.qpf)")->required();
    app.add_option("-o,--output", o.output, "the picture to write: a name ending in .svg or .png")
        ->required()
        ->check([](const std::string &path) -> std::string {
            const auto ends = [&path](const char *suffix) {
                const std::string s(suffix);
                return path.size() > s.size() && path.compare(path.size() - s.size(), s.size(), s) == 0;
            };
            return ends(".svg") || ends(".png") || ends(".SVG") || ends(".PNG") ? ""
                                                                                : "the picture's name ends in .svg or .png";
        });
    app.add_option("--loop", o.loop, "trace this loop first: K, deg:K or inf")
        ->check([](const std::string &text) -> std::string {
            cli::LoopChoice choice;
            return cli::parseLoopChoice(text, choice) ? "" : "a loop is K, deg:K or inf";
        });
    app.add_option("--plane", o.plane, "parameter, solution or braid (default parameter)")
        ->check(CLI::IsMember({"parameter", "solution", "braid"}));
    app.add_option("--size", o.size, "the size of a plane picture in pixels, WxH (default 1024x768); the braid is drawn as its dialog shows it")
        ->check([](const std::string &text) -> std::string {
            int w = 0, h = 0;
            return readSize(text, w, h) ? "" : "the size is WxH, each from 16 to 8192";
        });
    app.add_option("--base", o.base, "the base point, as the base-point field reads it")
        ->check(CLI::Validator(cli::checkBase, "COMPLEX"));
    app.add_flag("--replace-read-only", o.write.replaceReadOnly,
                 "replace the picture even when it is read-only (it stays read-only)");
    app.add_option("--fiber", o.fiber, "the fiber variable, one letter");
    app.footer("Exit status: 0 when the picture was written; 1 when the curve, the loop or the file failed "
               "(the reason goes to standard error); 2 for a usage error.");
    // The same reading of the command line as every subcommand's.
    cli::ArrangedArguments arrangement = cli::arrangeArguments(std::vector<std::string>(argv, argv + argc), false);
    if (!arrangement.error.empty()) {
        std::fprintf(stderr, "%s\n", arrangement.error.c_str());
        return exitUsage;
    }
    std::vector<char *> arranged;
    for (std::string &a : arrangement.args) arranged.push_back(a.data());
    try {
        app.parse(static_cast<int>(arranged.size()), arranged.data());
    } catch (const CLI::ParseError &e) {
        const int code = app.exit(e);
        if (dynamic_cast<const CLI::ExtrasError *>(&e)) std::fprintf(stderr, "%s\n", cli::minusHint("picture").c_str());
        return code == 0 ? exitSuccess : exitUsage;
    }
    // A picture never needs a display: it is drawn on the offscreen
    // platform whatever QT_QPA_PLATFORM names (a platform without its
    // display, such as xcb without DISPLAY, would end the process), unless
    // that names the offscreen platform with options of its own.
    if (!qgetenv("QT_QPA_PLATFORM").startsWith("offscreen")) qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    char *qtArgv[] = {argv[0], nullptr};
    QApplication application(qtArgc, qtArgv);
    cli::installStderrHandler();
    return draw(o);
}
