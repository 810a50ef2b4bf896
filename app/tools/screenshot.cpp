// Takes a picture of the main window after "Go" on a curve, for the
// documentation: quorvel-screenshot OUTPUT.png 'POLYNOMIAL'
#include <QApplication>
#include <QPixmap>
#include <cstdio>

#include "app/app_icon.h"
#include "app/error_dialog.h"
#include "app/main_dialog.h"
#include "pipeline/session.h"

int main(int argc, char *argv[]) {
    QApplication application(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: quorvel-screenshot OUTPUT.png POLYNOMIAL\n");
        return 2;
    }
    QApplication::setWindowIcon(quorvel::appIcon());
    quorvel::installErrorDialog();
    quorvel::Session session;
    quorvel::MainDialog window(session);
    window.show();
    session.typePolynomial(argv[2]);
    window.showForm();
    window.go();
    QApplication::processEvents();
    if (!window.grab().save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "quorvel-screenshot: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
