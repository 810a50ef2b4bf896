// A failure met inside a computation is shown only once the computation has
// unwound to its command, and "Quit the software" then ends the program at
// once: this program answers the error dialog raised by "Go" with it. Exit
// code 0 means the process ended there; 3 means the dialog returned; 4
// means a dialog ran inside the computation.
#include <QAbstractButton>
#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "pipeline/session.h"
#include "views/dialogs/error_dialog.h"

namespace {
bool inComputation = false;
}

int main(int argc, char *argv[]) {
    QApplication application(argc, argv);
    quorvel::installErrorDialog();
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [] {
        auto *dialog = qobject_cast<quorvel::ErrorDialog *>(QApplication::activeModalWidget());
        if (!dialog) return;
        if (inComputation) std::_Exit(4);
        for (auto *button : dialog->findChildren<QAbstractButton *>())
            if (button->text() == QStringLiteral("Quit the software")) button->click();
    });
    answer.start(5);

    quorvel::Session session;
    session.typePolynomial("x^2+1");
    inComputation = true;
    session.runPipeline();
    inComputation = false;
    quorvel::showPendingErrors();
    std::printf("the error dialog returned after \"Quit the software\"\n");
    return 3;
}
