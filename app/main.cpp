// Quorvel: start-up. The application, the error dialog as the one failure
// channel, the session (record pools, the zero curve, stage 0, "untitled")
// and the main window, run until it closes. The program reads no command
// line of its own.
#include <QApplication>

#include "app/app_icon.h"
#include "app/error_dialog.h"
#include "app/main_dialog.h"
#include "pipeline/session.h"

int main(int argc, char *argv[]) {
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
