#include "app/progress_bars.h"

#include <QProgressBar>

namespace quorvel {

namespace {

void show(QProgressBar *bar, int percent) {
    if (!bar) return;
    bar->setRange(0, 100);
    bar->setValue(percent);
    if (bar->isVisible()) bar->repaint();
}

}  // namespace

void ProgressBars::reached(int done) {
    show(iteration_, 100 * done / stages);
    show(difference_, done == stages ? 100 : 0);
}

}  // namespace quorvel
