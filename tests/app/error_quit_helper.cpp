// "Quit the software" ends the program at once, from inside a computation:
// this program answers the error dialog raised by "Go" with it. Exit code 0
// means the process ended there; 3 means showError returned.
#include <QAbstractButton>
#include <QApplication>
#include <QTimer>
#include <cstdio>

#include "app/error_dialog.h"
#include "pipeline/session.h"

int main(int argc, char *argv[]) {
    QApplication application(argc, argv);
    quorvel::installErrorDialog();
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [] {
        auto *dialog = qobject_cast<quorvel::ErrorDialog *>(QApplication::activeModalWidget());
        if (!dialog) return;
        for (auto *button : dialog->findChildren<QAbstractButton *>())
            if (button->text() == QStringLiteral("Quit the software")) button->click();
    });
    answer.start(5);

    quorvel::Session session;
    session.typePolynomial("x^2+1");
    session.runPipeline();
    std::printf("showError returned after \"Quit the software\"\n");
    return 3;
}
