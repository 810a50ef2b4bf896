// Takes the pictures of the documentation:
//   quorvel-screenshot OUTPUT.png 'POLYNOMIAL'
//     the main window after "Go" on the curve;
//   quorvel-screenshot --planes PARAMETER.png SOLUTION.png 'POLYNOMIAL' RE IM
//     the Parameter Space window with the loops after "Go", and the Solution
//     Space window (trace mode on) after the loop of the branch locus nearest
//     RE + IM i, both written by the windows' own "Save picture…";
//   quorvel-screenshot --group OUTPUT.png 'POLYNOMIAL'
//     the Monodromy group dialog after "Trace all loops", on its
//     "Fundamental group" tab.
#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QPixmap>
#include <QTabWidget>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/app_icon.h"
#include "views/dialogs/error_dialog.h"
#include "app/main_dialog.h"
#include "views/dialogs/plane_windows.h"
#include "pipeline/file_writer.h"
#include "pipeline/session.h"
#include "pipeline/tracer.h"
#include "views/headless/plane_commands.h"
#include "views/windows/monodromy_group_dialog.h"
#include "views/windows/parameter_space_window.h"
#include "views/windows/solution_space_window.h"

namespace {

int fail(const char *what) {
    std::fprintf(stderr, "quorvel-screenshot: %s\n", what);
    return 1;
}

int planes(quorvel::Session &session, quorvel::MainDialog &window, char *argv[]) {
    using namespace quorvel;
    window.openPlaneWindows();
    auto *parameter = qobject_cast<ParameterSpaceWindow *>(window.planeWindows().parameterSpace());
    auto *solution = qobject_cast<SolutionSpaceWindow *>(window.planeWindows().solutionSpace());
    if (!parameter || !solution) return fail("no plane windows");
    QApplication::processEvents();
    if (!parameter->savePictureTo(QString::fromLocal8Bit(argv[2]))) return fail("cannot write the first picture");
    const Complex near(std::atof(argv[5]), std::atof(argv[6]));
    if (!startAutoLoop(session, loopIndexAt(session, near, false))) return fail("nothing to trace");
    for (int ticks = 0; session.parameterSpace.timerRunning && ticks < 100000; ++ticks) timerTick(session);
    solution->toggleTraceMode();
    QApplication::processEvents();
    if (!solution->savePictureTo(QString::fromLocal8Bit(argv[3]))) return fail("cannot write the second picture");
    return 0;
}

int group(quorvel::MainDialog &window, const char *output) {
    using namespace quorvel;
    window.openPlaneWindows();
    auto *parameter = qobject_cast<ParameterSpaceWindow *>(window.planeWindows().parameterSpace());
    if (!parameter) return fail("no plane windows");
    QApplication::processEvents();
    QAction *item = parameter->action(psw::traceAllLoops);
    if (!item) return fail("no Trace all loops");
    item->trigger();
    for (int ticks = 0; parameter->allLoopsTick() && ticks < 1000000; ++ticks) {
    }
    MonodromyGroupDialog *dialog = parameter->groupDialog();
    if (!dialog) return fail("no Monodromy group dialog");
    dialog->resize(820, 420);
    dialog->tabs()->setCurrentIndex(1);
    QApplication::processEvents();
    if (!dialog->grab().save(QString::fromLocal8Bit(output))) return fail("cannot write the picture");
    return 0;
}

}  // namespace

int main(int argc, char *argv[]) {
    QApplication application(argc, argv);
    const bool twoPlanes = argc >= 2 && QString::fromLocal8Bit(argv[1]) == QStringLiteral("--planes");
    const bool groupTab = argc >= 2 && QString::fromLocal8Bit(argv[1]) == QStringLiteral("--group");
    if (argc < 3 || (twoPlanes && argc < 7) || (groupTab && argc < 4)) {
        std::fprintf(stderr,
                     "usage: quorvel-screenshot OUTPUT.png POLYNOMIAL\n"
                     "       quorvel-screenshot --planes PARAMETER.png SOLUTION.png POLYNOMIAL RE IM\n"
                     "       quorvel-screenshot --group OUTPUT.png POLYNOMIAL\n");
        return 2;
    }
    QApplication::setWindowIcon(quorvel::appIcon());
    quorvel::installErrorDialog();
    quorvel::Session session;
    quorvel::MainDialog window(session);
    window.show();
    session.typePolynomial(argv[twoPlanes ? 4 : groupTab ? 3 : 2]);
    window.showForm();
    window.go();
    QApplication::processEvents();
    if (twoPlanes) return planes(session, window, argv);
    if (groupTab) return group(window, argv[2]);
    // Written as the program writes every file: whole or not at all.
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    std::string reason;
    if (!window.grab().save(&buffer, "PNG") || !quorvel::writeWholeFile(argv[1], png.toStdString(), {}, reason))
        return fail(("cannot write the picture: " + reason).c_str());
    return 0;
}
