// Quorvel: start-up. The application, the error dialog as the one failure
// channel, the session (record pools, the zero curve, stage 0, "untitled")
// and the main window, run until it closes. Of its command line it reads
// only --help and --version (for the manual page and for scripts); Qt's own
// options pass through to QApplication.
#include <QApplication>

#include <cstdio>
#include <cstring>

#include "app/app_icon.h"
#include "views/dialogs/error_dialog.h"
#include "app/main_dialog.h"
#include "pipeline/session.h"

namespace {

const char *const helpText =
    "Usage: quorvel [--help] [--version]\n"
    "Study a plane algebraic curve f(x, t) = 0 by monodromy.\n"
    "\n"
    "Type a polynomial in two letters into \"Polynomial of curve\" and press \"Go\":\n"
    "Quorvel computes the branch polynomial exactly, the branch loci and the\n"
    "degenerate loci (certified), a base point and the fiber over it.\n"
    "\"Display parameter space\" opens the two plane windows, where the fiber is\n"
    "traced along loops around the loci; the monodromy permutation and a braid\n"
    "word come out. Documents (.qpf) keep the curve and the traces. \"HELP\" opens\n"
    "the user's guide.\n"
    "\n"
    "Options:\n"
    "  --help     print this text and exit\n"
    "  --version  print the version and exit\n"
    "\n"
    "The command-line front end quorvel-cli gives the same results to scripts.\n";

}  // namespace

int main(int argc, char *argv[]) {
    for (int k = 1; k < argc; ++k) {
        if (std::strcmp(argv[k], "--help") == 0) {
            std::fputs(helpText, stdout);
            return 0;
        }
        if (std::strcmp(argv[k], "--version") == 0) {
            std::printf("quorvel %s\n", QUORVEL_VERSION);
            return 0;
        }
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvel"));
    QApplication::setDesktopFileName(QStringLiteral("quorvel"));
    QApplication::setWindowIcon(quorvel::appIcon());
    quorvel::installErrorDialog();

    quorvel::Session session;
    quorvel::MainDialog window(session);
    window.run();
    return 0;
}
