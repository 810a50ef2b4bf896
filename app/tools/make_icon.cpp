// Writes the application icon as a PNG for the desktop's icon theme:
// quorvel-make-icon OUTPUT.png [SIDE]
#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>

#include "app/app_icon.h"

int main(int argc, char *argv[]) {
    QGuiApplication application(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: quorvel-make-icon OUTPUT.png [SIDE]\n");
        return 2;
    }
    const int side = argc > 2 ? std::atoi(argv[2]) : 256;
    if (side < 16 || side > 1024 || !quorvel::renderAppIcon(side).save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "quorvel-make-icon: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
